#include "bench/Rounds.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::array<double, 2> Quartiles(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    return {values[(values.size() - 1) / 4], values[(values.size() - 1) * 3 / 4]};
}

double Ratio(double program, double floor) {
    return floor > 0 ? program / floor : 0;
}

double Rounds::MedianOf(std::size_t run) const {
    return run < times.size() ? Median(times[run]) : 0;
}

PairResult Rounds::Pair(std::size_t program, std::size_t floor) const {
    PairResult result;
    if (program >= times.size() || floor >= times.size()) return result;
    std::vector<double> ratios;
    for (std::size_t round = 0; round < times[program].size(); ++round)
        ratios.push_back(Ratio(times[program][round], times[floor][round]));
    result.program = Median(times[program]);
    result.floor = Median(times[floor]);
    result.roundRatio = Median(ratios);
    result.programQuartiles = Quartiles(times[program]);
    result.floorQuartiles = Quartiles(times[floor]);
    result.failures = failures;
    return result;
}

Rounds TimeInTurn(int runs, int rounds, const std::function<double(int run)>& time) {
    Rounds result;
    if (runs <= 0) return result;
    result.times.resize(static_cast<std::size_t>(runs));
    std::vector<double> spent(static_cast<std::size_t>(runs));
    for (int round = 0; round < rounds + kWarmUpRounds; ++round) {
        bool failed = false;
        for (int k = 0; k < runs; ++k) {
            const int which = (round + k) % runs;
            spent[static_cast<std::size_t>(which)] = time(which);
            failed = failed || spent[static_cast<std::size_t>(which)] < 0;
        }
        if (failed) {
            ++result.failures;
            continue;
        }
        if (round < kWarmUpRounds) continue;
        for (std::size_t k = 0; k < spent.size(); ++k)
            result.times[k].push_back(spent[k]);
    }
    return result;
}

std::string Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    return text;
}

const char* Met(bool met) {
    return met ? "yes" : "**no**";
}

std::string TimedRow(const std::string& what, int count, double program, double floor,
                     TimeUnit unit, double goal, bool sound) {
    const double ratio = Ratio(program, floor);
    return Format("| %s (median of %d) | %.1f %s | %.1f %s | %.2fx | <= %gx | %s |", what.c_str(),
                  count, program * unit.perSecond, unit.name, floor * unit.perSecond, unit.name,
                  ratio, goal, Met(ratio > 0 && ratio <= goal && sound));
}

std::string SizeRow(const std::string& what, double kib, const std::string& goal, const char* met) {
    return Format("| %s | %.1f KiB | | | %s | %s |", what.c_str(), kib, goal.c_str(), met);
}

std::string Spread(const PairResult& pair) {
    return Format(
        "quartiles %.1f to %.1f ms against %.1f to %.1f ms, median of the rounds' own ratios "
        "%.2fx",
        pair.programQuartiles[0] * 1e3, pair.programQuartiles[1] * 1e3,
        pair.floorQuartiles[0] * 1e3, pair.floorQuartiles[1] * 1e3, pair.roundRatio);
}

std::string Failures(int failures) {
    return failures ? " (" + std::to_string(failures) + " failed rounds left out)" : "";
}
