// Plans over years of history: a send log of 1,000,000 lines (2,000 sends to each of 500
// queues). `kwctl plan` for 3 queues whose last sends are near its end, against the same plan
// over a log of 1,000 lines; and `kwctl plan --all` for the 20 queues of the model in the
// prefix, one of which was sent to only in the log's first line, so the whole log is read,
// against reading the file and splitting its lines (FloorLogSplit.cpp); and `kwctl report` of
// every queue of the log against that plan --all.
#include <cstdint>
#include <string>
#include <vector>

#include "bench/Measures.h"
#include "bench/SendLogs.h"
#include "kwctl/LogReader.h"
#include "settings/Utf8.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr int kQueues = 500;
constexpr int kLongSends = 2000;  // 1,000,000 lines
constexpr int kShortSends = 2;    // 1,000 lines
constexpr int kModelQueues = 20;
constexpr double kNearEndGoal = 2.0;
constexpr double kWholeGoal = 3.0;
constexpr double kReportGoal = 1.2;
constexpr double kReportMostKiB = 2048;

// The log's queues: those of the model in the prefix but the first, then others.
std::vector<std::string> LogQueues() {
    std::vector<std::string> queues;
    for (int k = 1; k < kModelQueues; ++k)
        queues.push_back(ToUtf8(QueueName(k)));
    while (queues.size() < kQueues)
        queues.push_back("Vek Log " + std::to_string(queues.size() + 1));
    return queues;
}

}  // namespace

Report MeasureFleetLongLog(const BenchContext& bench) {
    const std::wstring floorSplit =
        CopyInto(bench.folder, KW_FLOOR_SPLIT_UNIX_PATH, L"floor-split.exe");
    rig::TestPrinters fleet;
    AddModelQueues(fleet, 1, kModelQueues);
    const std::vector<std::string> queues = LogQueues();
    const std::wstring longLog = bench.folder + L"long.jsonl";
    const std::wstring shortLog = bench.folder + L"short.jsonl";
    const std::wstring targets = bench.folder + L"near-end.txt";
    const std::string first = ToUtf8(QueueName(0));
    const std::uint64_t longBytes = WriteSendLog(longLog, queues, kLongSends, first);
    WriteSendLog(shortLog, queues, kShortSends, first);
    WriteTargets(targets, {queues.end() - 3, queues.end()});

    const std::wstring plan = L"plan \"" + bench.settingsFile + L"\" --targets \"" + targets +
                              L"\" --log ";
    const PairResult nearEnd = MeasureConsolePair(bench.kwctl, plan + L"\"" + longLog + L"\"",
                                                  bench.kwctl, plan + L"\"" + shortLog + L"\"",
                                                  bench.consoleRounds);
    const std::wstring all = L"plan \"" + bench.settingsFile + L"\" --all --log \"" + longLog + L"\"";
    const PairResult whole = MeasureConsolePair(bench.kwctl, all, floorSplit,
                                                L"\"" + longLog + L"\"", bench.rounds);
    const std::wstring page = bench.folder + L"report.html";
    const std::wstring reportArgs = L"report \"" + bench.settingsFile + L"\" --log \"" + longLog +
                                L"\" --html \"" + page + L"\"";
    const PairResult reported =
        MeasureConsolePair(bench.kwctl, reportArgs, bench.kwctl, all, bench.rounds);
    const double pageKiB = static_cast<double>(rig::ReadBytes(page).size()) / 1024;
    // In this process: the whole log into every queue's last send.
    Samples readAll;
    std::size_t found = 0;
    for (int i = 0; i < 3; ++i) {
        TimePart(readAll, [&] {
            kwctl::LastSends last;
            kwctl::ReadLastSends(longLog, last);
            found = last.All().size();
        });
    }

    Report report;
    report.rows.push_back(TimedRow(
        Format("kwctl plan for 3 queues near the end of a log of %d lines, against the same "
               "plan over %d lines",
               kQueues * kLongSends + 1, kQueues * kShortSends + 1),
        bench.consoleRounds, nearEnd.program, nearEnd.floor, kMilliseconds, kNearEndGoal,
        nearEnd.failures == 0));
    report.rows.push_back(TimedRow(
        Format("kwctl plan --all over a log of %d lines, read whole, against reading it and "
               "splitting its lines",
               kQueues * kLongSends + 1),
        bench.rounds, whole.program, whole.floor, kMilliseconds, kWholeGoal, whole.failures == 0));
    report.rows.push_back(TimedRow(
        Format("kwctl report of the %d queues of a log of %d lines, against plan --all over it",
               kQueues + 1, kQueues * kLongSends + 1),
        bench.rounds, reported.program, reported.floor, kMilliseconds, kReportGoal,
        reported.failures == 0));
    report.rows.push_back(SizeRow(Format("kwctl report's page for %d queues", kQueues + 1),
                                  pageKiB, "<= 2 MiB", pageKiB <= kReportMostKiB ? "yes" : "no"));
    report.notes.push_back(Format(
        "- kwctl over a long log: %.1f MiB, %d sends to each of %d queues in kwctl's format, the "
        "last send to each of the factory settings, done, and one send to %s as its first line. "
        "Near the end: `kwctl plan factory.dat --targets LIST --log LOG` for the last three "
        "queues, which reads the log from its end until each has its last send%s; %s. Whole: "
        "`kwctl plan --all` for the %d queues of the model in the prefix, of which %s has its "
        "only send in the first line%s; %s. Floor (bench/FloorLogSplit.cpp): the file read in "
        "blocks of 1 MiB and split into lines. Report: `kwctl report factory.dat --log LOG "
        "--html OUT` for every queue of the log, each with its ten earlier sends, written whole "
        "as a settings file is, against that plan --all%s; %s. In this process, the whole log "
        "read into every queue's last send (%d queues): %.1f ms.",
        static_cast<double>(longBytes) / (1024 * 1024), kLongSends, kQueues, first.c_str(),
        Failures(nearEnd.failures).c_str(), Spread(nearEnd).c_str(), kModelQueues, first.c_str(),
        Failures(whole.failures).c_str(), Spread(whole).c_str(),
        Failures(reported.failures).c_str(), Spread(reported).c_str(), static_cast<int>(found),
        Median(readAll) * 1e3));
    return report;
}
