// A plan over a long send log: `kwctl plan --targets` for 50 queues over a log of 100,000 lines,
// against a program that reads the same file line by line and parses each line as JSON
// (FloorLogRead.cpp). The log is made once per run, in kwctl's own format: two thousand sends
// to each queue with the settings of the day, some held, failed or refused, the last one of
// each queue the factory settings, done, so that the plan finds nothing to send.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/Measures.h"
#include "bench/SendLogs.h"
#include "kwctl/LogReader.h"

namespace {

constexpr int kLines = 100000;
constexpr int kPlanQueues = 50;
constexpr double kGoal = 1.5;

std::string PlanQueueName(int q) {
    // Some queues are connections to a print server.
    return q % 5 == 4 ? "\\\\PRINT01\\Vek Floor " + std::to_string(q + 1)
                      : "Vek Office " + std::to_string(q + 1);
}

std::vector<std::string> PlanQueues() {
    std::vector<std::string> queues;
    for (int q = 0; q < kPlanQueues; ++q)
        queues.push_back(PlanQueueName(q));
    return queues;
}

}  // namespace

Report MeasureFleetPlan(const BenchContext& bench) {
    const std::wstring floorLog = CopyInto(bench.folder, KW_FLOOR_LOG_UNIX_PATH, L"floor-log.exe");
    const std::wstring log = bench.folder + L"plan.jsonl";
    const std::wstring targets = bench.folder + L"plan-targets.txt";
    const std::uint64_t logBytes = WriteSendLog(log, PlanQueues(), kLines / kPlanQueues);
    WriteTargets(targets, PlanQueues());

    const std::wstring quotedLog = L"\"" + log + L"\"";
    const std::wstring plan =
        L"plan \"" + bench.settingsFile + L"\" --targets \"" + targets + L"\" --log " + quotedLog;
    // Each run reads the whole log: fewer rounds than the other kwctl measures.
    const int rounds = bench.rounds;
    const PairResult planned = MeasureConsolePair(bench.kwctl, plan, floorLog, quotedLog, rounds);

    // In this process: kwctl's reading of the log into each queue's last send, against the
    // floor's loop.
    Samples readLastSends, floorLoop;
    std::size_t entries = 0;
    int notObjects = 0;
    for (int i = 0; i < 3; ++i) {
        TimePart(readLastSends, [&] {
            kwctl::LastSends last;
            entries = kwctl::ReadLastSends(log, last).entries;
        });
        TimePart(floorLoop, [&] {
            std::ifstream in(std::filesystem::path(log), std::ios::binary);
            std::string line;
            while (std::getline(in, line))
                notObjects += !nlohmann::json::parse(line, nullptr, false).is_object();
        });
    }

    Report report;
    report.rows.push_back(
        TimedRow(Format("kwctl plan over a send log of %d lines, to its exit", kLines), rounds,
                 planned.program, planned.floor, kMilliseconds, kGoal, planned.failures == 0));
    report.notes.push_back(Format(
        "- kwctl plan: `kwctl plan factory.dat --targets LIST --log LOG` for %d queues, output "
        "to NUL, over a log of %d lines (%.1f MiB, %d sends to each queue, made by this run in "
        "kwctl's format; the last send to every queue is of the same settings, done, so the "
        "plan exits 0)%s; %s. Floor (bench/FloorLogRead.cpp): the same file read with "
        "std::getline, each line parsed with nlohmann::json::parse, nothing else. In this "
        "process, kwctl's reading of the log into each queue's last send: %.1f ms for %d "
        "entries; the floor's loop: %.1f ms (%.2fx)%s.",
        kPlanQueues, kLines, static_cast<double>(logBytes) / (1024 * 1024), kLines / kPlanQueues,
        Failures(planned.failures).c_str(), Spread(planned).c_str(), Median(readLastSends) * 1e3,
        static_cast<int>(entries), Median(floorLoop) * 1e3,
        Ratio(Median(readLastSends), Median(floorLoop)),
        notObjects ? ", but it found lines that are no JSON object" : ""));
    return report;
}
