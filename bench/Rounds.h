// Timing programs against their floors in rounds, the figures drawn from the rounds and the text
// of the benchmark's table. Nothing here calls the system, so it builds and is tested anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The times of one part of a measure, one per round.
using Samples = std::vector<double>;

double Median(std::vector<double> values);
// The first and third quartiles.
std::array<double, 2> Quartiles(std::vector<double> values);
// The program's time over the floor's; 0 when the floor has no time.
double Ratio(double program, double floor);

// A program and its floor, each run in turn.
struct PairResult {
    double program = 0;
    double floor = 0;
    double roundRatio = 0;  // the median of the rounds' own ratios
    std::array<double, 2> programQuartiles{};
    std::array<double, 2> floorQuartiles{};
    int failures = 0;
};

// The times of runs made in turn, round after round.
struct Rounds {
    std::vector<std::vector<double>> times;  // per run, its time in each round that counts
    int failures = 0;                        // rounds left out because a run of theirs failed

    double MedianOf(std::size_t run) const;
    PairResult Pair(std::size_t program, std::size_t floor) const;
};

inline constexpr int kWarmUpRounds = 2;

// Makes `runs` runs in turn, each round starting with the next one: `rounds` rounds that count
// after kWarmUpRounds that do not. `time(run)` gives the run's seconds, or a negative value when
// it failed; a round with a failed run is counted as a failure and left out. Every run of a round
// is made even after one has failed, so that what a run checks and clears is never skipped.
Rounds TimeInTurn(int runs, int rounds, const std::function<double(int run)>& time);

// --- the table's text -----------------------------------------------------------------------

#if defined(__GNUC__)
#define KW_PRINTF_LIKE(index) __attribute__((format(printf, index, index + 1)))
#else
#define KW_PRINTF_LIKE(index)
#endif

// printf into a string.
std::string Format(const char* format, ...) KW_PRINTF_LIKE(1);

struct TimeUnit {
    const char* name;
    double perSecond;
};
inline constexpr TimeUnit kMilliseconds{"ms", 1e3};
inline constexpr TimeUnit kMicroseconds{"us", 1e6};

const char* Met(bool met);

// "| what (median of N) | program | floor | ratio | <= goal | met |": the goal is met when the
// ratio is above zero and at most `goal`, and the run was `sound` (no failed rounds, and what
// else the measure checks).
std::string TimedRow(const std::string& what, int count, double program, double floor,
                     TimeUnit unit, double goal, bool sound);
// "| what | size | | | goal | met |".
std::string SizeRow(const std::string& what, double kib, const std::string& goal, const char* met);

// How far the rounds scattered: both quartiles and the median of the rounds' own ratios.
std::string Spread(const PairResult& pair);
// " (N failed rounds left out)", or nothing.
std::string Failures(int failures);
