// A plan over a long send log: `kwctl plan --targets` for 50 queues over a log of 100,000 lines,
// against a program that reads the same file line by line and parses each line as JSON
// (FloorLogRead.cpp). The log is made once per run, in kwctl's own format: two thousand sends
// to each queue with the settings of the day, some held, failed or refused, the last one of
// each queue the factory settings, done, so that the plan finds nothing to send.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/Measures.h"
#include "kwctl/LogReader.h"
#include "kwctl/Sha256.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr int kLines = 100000;
constexpr int kPlanQueues = 50;
constexpr double kGoal = 1.5;

std::string PlanQueueName(int q) {
    // Some queues are connections to a print server.
    return q % 5 == 4 ? "\\\\PRINT01\\Vek Floor " + std::to_string(q + 1)
                      : "Vek Office " + std::to_string(q + 1);
}

// A log time, `seconds` after 2026-01-05T08:00:00Z.
std::string LogTime(long long seconds) {
    constexpr std::time_t kStart = 1767600000;
    return kwctl::UtcTimestamp(
        std::chrono::system_clock::from_time_t(kStart + static_cast<std::time_t>(seconds)));
}

struct Variant {
    SettingsRecord record;
    std::string sha256;
    std::string hex;
    std::string file;
};

// Writes the log and the targets file that names its queues; the log's size in bytes.
std::size_t WritePlanFiles(const std::wstring& log, const std::wstring& targets) {
    // The settings of the day: the factory record and a few changed ones.
    std::vector<Variant> variants;
    for (int v = 0; v < 6; ++v) {
        Variant variant;
        variant.record = FactoryRecord();
        if (v > 0) variant.record[20 + 7 * v] ^= static_cast<std::uint8_t>(1u << v);
        variant.sha256 = kwctl::Sha256Hex({variant.record.data(), SettingsRecord::kSize});
        variant.hex = catalog::RecordHex(variant.record);
        variant.file =
            v == 0 ? "C:\\Fleet\\factory.dat" : "C:\\Fleet\\office-" + std::to_string(v) + ".dat";
        variants.push_back(std::move(variant));
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(kLines) * 700);
    const int sends = kLines / kPlanQueues;
    for (int s = 0; s < sends; ++s) {
        const bool last = s == sends - 1;
        const Variant& variant = variants[last ? 0 : 1 + s / 40 % 5];
        for (int q = 0; q < kPlanQueues; ++q) {
            kwctl::LogEntry e;
            e.time = LogTime(s * 3600LL + q * 2);
            e.user = q % 3 ? "fleet-admin" : "ops";
            e.computer = "ADMIN-PC" + std::to_string(1 + q % 2);
            e.printer = PlanQueueName(q);
            e.file = variant.file;
            e.sha256 = variant.sha256;
            e.record = variant.hex;
            e.job = static_cast<std::uint32_t>(1 + s * kPlanQueues + q);
            e.outcome = kwctl::Outcome::Done;
            const int odd = (s * 7 + q * 13) % 97;
            if (!last && odd == 0) {
                e.outcome = kwctl::Outcome::Held;
                e.reason = "paused, paper-out";
            } else if (!last && odd == 1) {
                e.outcome = kwctl::Outcome::Failed;
                e.reason = "error";
            } else if (!last && odd == 2) {
                e.outcome = kwctl::Outcome::Refused;
                e.job.reset();
                e.reason = "its driver \"Generic / Text Only\" is not \"Vek Brelvistoka 410ZQ\"";
            }
            text += kwctl::FormatLogLine(e);
        }
    }
    rig::WriteBytes(log, std::vector<std::uint8_t>(text.begin(), text.end()));
    std::string names = "# the office printers\n";
    for (int q = 0; q < kPlanQueues; ++q)
        names += PlanQueueName(q) + "\n";
    rig::WriteBytes(targets, std::vector<std::uint8_t>(names.begin(), names.end()));
    return text.size();
}

}  // namespace

Report MeasureFleetPlan(const BenchContext& bench) {
    const std::wstring floorLog = CopyInto(bench.folder, KW_FLOOR_LOG_UNIX_PATH, L"floor-log.exe");
    const std::wstring log = bench.folder + L"plan.jsonl";
    const std::wstring targets = bench.folder + L"plan-targets.txt";
    const std::size_t logBytes = WritePlanFiles(log, targets);

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
