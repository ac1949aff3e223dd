// Start-up with 100 queues of the model against start-up with one. With more than one queue the
// program opens its printer selection before the main window shows; the run accepts it at once,
// so that both runs end at the same place, the visible main window with a printer chosen, and
// differ only by what the program itself does for the other 99 queues.
#include <vector>

#include "bench/Measures.h"
#include "printer/PrinterDiscovery.h"
#include "printer/WinPrinterSpooler.h"
#include "res/resource.h"

namespace {

constexpr int kQueues = 100;
constexpr wchar_t kSelectCaption[] = L"プリンタの選択";
// Discovery of all queues in one process; each pass is long while it grows with the square.
constexpr int kDiscoveryRounds = 3;

struct Discovery {
    double seconds = 0;
    int found = 0;
};

Discovery TimeDiscovery() {
    WinPrinterSpooler spooler;
    Samples spent;
    Discovery result;
    for (int i = 0; i < kDiscoveryRounds; ++i) {
        TimePart(spent, [&] {
            result.found = static_cast<int>(EnumerateModelPrinters(spooler, true).size());
        });
    }
    result.seconds = Median(spent);
    return result;
}

}  // namespace

Report MeasureStartUpWithQueues(const BenchContext& bench) {
    enum : int { kMany, kOne, kRuns };
    const WindowProgram one{bench.program, kMainCaption, ID_APP_EXIT};
    // Without a cache of each server's queues, discovery takes seconds here.
    const WindowProgram many{bench.program, kMainCaption, ID_APP_EXIT, kSelectCaption, 120};

    const Discovery oneFound = TimeDiscovery();
    Discovery manyFound;
    {
        rig::TestPrinters more;
        AddModelQueues(more, 1, kQueues);
        manyFound = TimeDiscovery();
    }

    // The other 99 queues are there only during each run with many.
    Samples chooserShown;
    int manyRuns = 0;
    const Rounds rounds = TimeInTurn(kRuns, bench.rounds, [&](int which) {
        if (which == kOne) return TimeStartUp(one).shown;
        rig::TestPrinters more;
        AddModelQueues(more, 1, kQueues);
        const StartUpTime time = TimeStartUp(many);
        if (++manyRuns > kWarmUpRounds && time.shown >= 0) chooserShown.push_back(time.chooser);
        return time.shown;
    });

    const PairResult pair = rounds.Pair(kMany, kOne);
    const bool allFound = oneFound.found == 1 && manyFound.found == kQueues;
    Report report;
    report.rows.push_back(TimedRow(
        Format("start-up with %d queues of the model against one, to the visible main window",
               kQueues),
        bench.rounds, pair.program, pair.floor, kMilliseconds, 1.5,
        rounds.failures == 0 && allFound));
    report.notes.push_back(Format(
        "- start-up with %d queues: %d more queues of the model (LPT2: to LPT%d:) beside the "
        "one, there only during each such run; the printer selection that then shows before the "
        "main window is accepted with OK as soon as it is visible (after %.1f ms, the first "
        "window the user can act on), so that both runs end at the visible main window%s; %s. "
        "Discovery in one process: %d queues %.1f ms (%d found), one queue %.1f ms (%d found).",
        kQueues, kQueues - 1, kQueues, Median(chooserShown) * 1e3,
        Failures(rounds.failures).c_str(), Spread(pair).c_str(), kQueues, manyFound.seconds * 1e3,
        manyFound.found, oneFound.seconds * 1e3, oneFound.found));
    return report;
}
