// A logged fleet send: `kwctl send --all --log LOG` to 20 queues of the model, every capture
// checked byte for byte and the log checked line by line after each run, against the plain
// spooler calls (FloorSend.cpp), which log nothing; `kwctl send --all` without the log, in the
// same rounds, shows what the log costs.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/Measures.h"
#include "kwctl/LogReader.h"
#include "settings/SettingsRecord.h"
#include "settings/Utf8.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr int kLogQueues = 20;
constexpr double kGoal = 1.2;

}  // namespace

Report MeasureFleetSendLog(const BenchContext& bench) {
    const std::wstring floorSend =
        CopyInto(bench.folder, KW_FLOOR_SEND_UNIX_PATH, L"floor-send.exe");
    rig::TestPrinters fleet;
    AddModelQueues(fleet, 1, kLogQueues);
    const SettingsRecord& record = FactoryRecord();
    const std::vector<std::uint8_t> expected(record.data(), record.data() + SettingsRecord::kSize);
    const std::wstring log = bench.folder + L"sends.jsonl";
    // Each run starts with no captures and no log, and must leave every capture whole and, when
    // it logs, one line for each queue, sent.
    const auto clear = [&] {
        for (int k = 0; k < kLogQueues; ++k)
            fleet.Clear(QueuePort(k));
        ::DeleteFileW(log.c_str());
    };
    const auto captured = [&] {
        bool all = true;
        for (int k = 0; k < kLogQueues; ++k)
            all = all && fleet.Captured(QueuePort(k)) == expected;
        return all;
    };
    const auto logged = [&] {
        std::vector<std::string> printers;
        const kwctl::LogRead read = kwctl::ReadLog(log, [&](kwctl::LogEntry&& e) {
            if (e.outcome == kwctl::Outcome::Sent) printers.push_back(e.printer);
        });
        bool all = read.status == kwctl::LogRead::Status::Read && read.torn == 0 &&
                   printers.size() == kLogQueues;
        for (int k = 0; all && k < kLogQueues; ++k)
            all =
                std::find(printers.begin(), printers.end(), ToUtf8(QueueName(k))) != printers.end();
        return all;
    };

    enum : int { kLogged, kFloor, kUnlogged, kRuns };
    const std::wstring file = L"\"" + bench.settingsFile + L"\"";
    const std::wstring send = L"send " + file + L" --all";
    const std::wstring sendLogged = send + L" --log \"" + log + L"\"";
    clear();
    const Rounds rounds = TimeInTurn(kRuns, bench.consoleRounds, [&](int which) {
        const ConsoleRun run = which == kLogged  ? TimeConsoleRun(bench.kwctl, sendLogged)
                               : which == kFloor ? TimeConsoleRun(floorSend, file)
                                                 : TimeConsoleRun(bench.kwctl, send);
        const bool checked = captured() && (which != kLogged || logged());
        clear();
        return run.status == 0 && checked ? run.seconds : -1;
    });
    const PairResult withLog = rounds.Pair(kLogged, kFloor);
    const PairResult withoutLog = rounds.Pair(kUnlogged, kFloor);

    Report report;
    report.rows.push_back(TimedRow(
        Format("kwctl send --all --log to %d queues, to its exit", kLogQueues), bench.consoleRounds,
        withLog.program, withLog.floor, kMilliseconds, kGoal, withLog.failures == 0));
    report.notes.push_back(Format(
        "- kwctl send --log: `kwctl send factory.dat --all --log LOG` to the %d queues of the "
        "kwctl send row, against the same floor, which logs nothing, in the same rounds; each "
        "run starts with no log and must leave the captures whole and one line per queue, "
        "sent%s; %s. Without --log, in the same rounds: %.1f ms (%.2fx), so the log costs "
        "%.1f ms, %.2f ms per queue.",
        kLogQueues, Failures(withLog.failures).c_str(), Spread(withLog).c_str(),
        withoutLog.program * 1e3, Ratio(withoutLog.program, withoutLog.floor),
        (withLog.program - withoutLog.program) * 1e3,
        (withLog.program - withoutLog.program) * 1e3 / kLogQueues));
    return report;
}
