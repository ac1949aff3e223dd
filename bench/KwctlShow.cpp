// kwctl's start-up: `kwctl show` on a factory settings file, to its exit, against an empty
// console program; `kwctl --version` and kwctl built without CLI11 show what the time is made of.
#include "bench/Measures.h"

Report MeasureKwctlShow(const BenchContext& bench) {
    const std::wstring emptyConsole =
        CopyInto(bench.folder, KW_FLOOR_CONSOLE_UNIX_PATH, L"floor-console.exe");
    const std::wstring withoutCli =
        CopyInto(bench.folder, KW_KWCTL_NO_CLI_UNIX_PATH, L"kwctl-no-cli.exe");
    const std::wstring show = L"show \"" + bench.settingsFile + L"\"";
    const PairResult kwctl =
        MeasureConsolePair(bench.kwctl, show, emptyConsole, L"", bench.consoleRounds);
    const PairResult version =
        MeasureConsolePair(bench.kwctl, L"--version", emptyConsole, L"", bench.consoleRounds);
    const PairResult showWithoutCli =
        MeasureConsolePair(withoutCli, show, emptyConsole, L"", bench.consoleRounds);

    Report report;
    report.rows.push_back(TimedRow("kwctl show start-up, to its exit", bench.consoleRounds,
                                   kwctl.program, kwctl.floor, kMilliseconds, 1.5,
                                   kwctl.failures == 0));
    report.notes.push_back(Format(
        "- kwctl show: `kwctl show factory.dat`, output to NUL, against an empty console "
        "program (wmain returning 0) of the same toolchain%s; %s. `kwctl --version` (the "
        "C++ run-time's start and CLI11 only): %.1f ms against %.1f ms. kwctl built with the "
        "command line read by hand instead of by CLI11, show: %.1f ms against %.1f ms (%.2fx). "
        "kwctl imports %s (winspool.drv is delay-loaded: printers and send load it at their "
        "first spooler call).",
        Failures(kwctl.failures).c_str(), Spread(kwctl).c_str(), version.program * 1e3,
        version.floor * 1e3, showWithoutCli.program * 1e3, showWithoutCli.floor * 1e3,
        Ratio(showWithoutCli.program, showWithoutCli.floor),
        ImportList(Stripped("kwctl")).c_str()));
    return report;
}
