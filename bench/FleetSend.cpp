// A fleet send: `kwctl send --all` to 20 queues of the model, every capture checked byte for
// byte after each run, against the plain spooler calls (FloorSend.cpp); the dry runs of both and
// the parts of the discovery show where the difference lies.
#include <cstdint>
#include <vector>

#include "bench/Measures.h"
#include "printer/PrinterDiscovery.h"
#include "printer/PrinterSend.h"
#include "printer/WinPrinterSpooler.h"
#include "settings/SettingsFile.h"

namespace {

constexpr int kFleetQueues = 20;

struct FleetParts {
    Samples discovery;       // the program's discovery of the 20 queues, in one process
    Samples oneEnumeration;  // one level-2 enumeration of the local queues
    Samples levelFour;       // the level-4 enumeration that discovery starts with
    Samples openTest;        // discovery's open for use of one queue
    Samples oneSend;         // the program's send to one queue, in one process
    int queuesFound = 0;
};

FleetParts MeasureParts(const SettingsRecord& record, int rounds) {
    FleetParts parts;
    WinPrinterSpooler spooler;
    for (int i = 0; i < rounds; ++i) {
        TimePart(parts.discovery, [&] {
            parts.queuesFound = static_cast<int>(DescribeModelPrinters(spooler).size());
        });
        TimePart(parts.oneEnumeration,
                 [&] { spooler.EnumLevel2(spooler::kEnumLocal, std::nullopt); });
        TimePart(parts.levelFour, [&] {
            spooler.EnumLevel4(spooler::kEnumLocal | spooler::kEnumConnections, std::nullopt);
        });
        const std::wstring queue = QueueName(i % (kFleetQueues - 1) + 1);
        TimePart(parts.openTest, [&] { spooler.OpensForUse(queue); });
        TimePart(parts.oneSend, [&] { SendRecordToPrinter(queue, record); });
    }
    return parts;
}

}  // namespace

Report MeasureFleetSend(const BenchContext& bench) {
    const std::wstring floorSend =
        CopyInto(bench.folder, KW_FLOOR_SEND_UNIX_PATH, L"floor-send.exe");
    rig::TestPrinters fleet;
    AddModelQueues(fleet, 1, kFleetQueues);
    // Every port's capture is cleared before a run and must hold the record after it.
    const SettingsRecord& record = FactoryRecord();
    const std::vector<std::uint8_t> expected(record.data(), record.data() + SettingsRecord::kSize);
    const auto clear = [&] {
        for (int k = 0; k < kFleetQueues; ++k)
            fleet.Clear(QueuePort(k));
    };
    const auto allCaptured = [&] {
        bool all = true;
        for (int k = 0; k < kFleetQueues; ++k)
            all = all && fleet.Captured(QueuePort(k)) == expected;
        clear();
        return all;
    };
    clear();
    const std::wstring file = L"\"" + bench.settingsFile + L"\"";
    const PairResult send = MeasureConsolePair(bench.kwctl, L"send " + file + L" --all", floorSend,
                                               file, bench.consoleRounds, allCaptured);
    const PairResult dryRun =
        MeasureConsolePair(bench.kwctl, L"send " + file + L" --all --dry-run", floorSend,
                           file + L" --dry-run", bench.consoleRounds);
    const FleetParts parts = MeasureParts(record, bench.consoleRounds);
    clear();

    Report report;
    report.rows.push_back(TimedRow(
        Format("kwctl send --all to %d queues, to its exit", kFleetQueues), bench.consoleRounds,
        send.program, send.floor, kMilliseconds, 1.2, send.failures == 0));
    report.notes.push_back(Format(
        "- kwctl send: %d queues of the model on LPT1: to LPT%d:, each with its capture file, "
        "checked byte for byte after every run of either program%s; %s. Floor "
        "(bench/FloorSend.cpp): the file read, one EnumPrintersW at level 2, then per queue "
        "OpenPrinterW, StartDocPrinterW, ResetPrinterW, one WritePrinter of 180 bytes, "
        "EndDocPrinter, ClosePrinter and a result line. Both with --dry-run (the file and the "
        "queues, nothing sent): %.1f ms against %.1f ms (%.2fx). In one process: the "
        "program's discovery of the %d queues %.1f ms (one level-4 enumeration, then a level-2 "
        "enumeration of the queue's server and an open for use per queue; kwctl asks each "
        "server once); of its parts, the level-4 enumeration %.1f ms, one level-2 enumeration "
        "of the local queues %.1f ms, one open for use %.1f ms; the program's send to one "
        "queue %.1f ms.",
        kFleetQueues, kFleetQueues, Failures(send.failures).c_str(), Spread(send).c_str(),
        dryRun.program * 1e3, dryRun.floor * 1e3, Ratio(dryRun.program, dryRun.floor),
        parts.queuesFound, Median(parts.discovery) * 1e3, Median(parts.levelFour) * 1e3,
        Median(parts.oneEnumeration) * 1e3, Median(parts.openTest) * 1e3,
        Median(parts.oneSend) * 1e3));
    return report;
}
