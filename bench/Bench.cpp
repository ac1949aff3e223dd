// The benchmark: each measure times the program or kwctl against a floor that does the least the
// same job needs, and gives its rows of one table and the notes below it. It runs under Wine in
// one prefix (scripts/bench.sh).
//   kw_bench.exe [--commit TEXT] [--load TEXT] [--priority TEXT] [--rounds N] [--checks N]
//                [--only NAME]...
//                [--list]   (names each measure and what it prints)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "bench/Measures.h"
#include "settings/SettingsFile.h"
#include "tests/win/rig/Process.h"

namespace {

// What runs, in the order of the table's rows and of the notes below it.
struct Measure {
    const wchar_t* name;  // for --only
    Report (*run)(const BenchContext&);
    const char* prints;
};

constexpr Measure kMeasures[] = {
    {L"start-up", MeasureStartUp,
     "start-up to the visible main window against an empty dialog program and against the same "
     "window built with plain calls; the parts of the start-up inside one process"},
    {L"start-up-queues", MeasureStartUpWithQueues,
     "start-up with 100 queues of the model against start-up with one, both to the visible main "
     "window; discovery of either in one process"},
    {L"data-check", MeasureDataCheck,
     "one OnDataCheck against plain reads of the setting controls; its parts"},
    {L"size", MeasureProgramSize, "the stripped program's size and its imported DLLs"},
    {L"kwctl-show", MeasureKwctlShow,
     "kwctl show to its exit against an empty console program; kwctl --version and kwctl "
     "without CLI11"},
    {L"kwctl-send", MeasureFleetSend,
     "kwctl send --all to 20 queues against the plain spooler calls; the dry runs and the parts "
     "of the discovery"},
    {L"kwctl-send-log", MeasureFleetSendLog,
     "kwctl send --all --log to 20 queues against the plain spooler calls; the same send "
     "without the log in the same rounds"},
    {L"fleet-scale", MeasureFleetScale,
     "kwctl send --all --parallel 8 in this process to 500 queues of a stand-in spooler that "
     "takes 20 ms a call, against the ideal from the calls counted; the same with no delay"},
    {L"kwctl-plan", MeasureFleetPlan,
     "kwctl plan over a send log of 100,000 lines against reading it line by line and parsing "
     "each line as JSON; kwctl's reading of the log in one process"},
    {L"kwctl-long-log", MeasureFleetLongLog,
     "kwctl plan over a send log of 1,000,000 lines: for 3 queues near its end against the same "
     "plan over 1,000 lines, and --all read whole against splitting the file into lines"},
    {L"kwctl-size", MeasureKwctlSize,
     "kwctl's stripped size and what CLI11 and nlohmann/json cost of it"},
};

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string WineVersion() {
    using Version = const char*(CDECL*)();
    const auto version = reinterpret_cast<Version>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version ? std::string("Wine ") + version() : "Windows";
}

int ProcessCpus() {
    DWORD_PTR processMask = 0, systemMask = 0;
    ::GetProcessAffinityMask(::GetCurrentProcess(), &processMask, &systemMask);
    int cpus = 0;
    for (DWORD_PTR bits = processMask; bits; bits &= bits - 1)
        ++cpus;
    return cpus;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring commit = L"(unknown)";
    std::wstring load;
    std::wstring priority;  // how the run was scheduled, when not as usual
    std::vector<std::wstring> only;
    bool list = false;
    BenchContext bench;
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--list") {
            list = true;
            continue;
        }
        if (i + 1 == argc) break;
        const wchar_t* value = argv[++i];
        if (option == L"--commit")
            commit = value;
        else if (option == L"--load")
            load = value;
        else if (option == L"--priority")
            priority = value;
        else if (option == L"--rounds")
            bench.rounds = std::max(1, _wtoi(value));
        else if (option == L"--checks")
            bench.checks = std::max(10000, _wtoi(value));
        else if (option == L"--only")
            only.push_back(value);
    }
    if (list) {
        for (const Measure& measure : kMeasures)
            std::printf("%-16s %s\n", Narrow(measure.name).c_str(), measure.prints);
        return 0;
    }
    for (const std::wstring& name : only) {
        const auto named = [&](const Measure& measure) { return name == measure.name; };
        if (std::none_of(std::begin(kMeasures), std::end(kMeasures), named)) {
            std::fprintf(stderr, "no measure is called %s; --list names them\n",
                         Narrow(name).c_str());
            return 2;
        }
    }
    // A console program's run is short, so its measures take three times the rounds.
    bench.consoleRounds = bench.rounds * 3;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);

    // Every program runs from one folder of the prefix's scratch space.
    bench.folder = rig::TestDir() + L"programs\\";
    ::CreateDirectoryW(bench.folder.c_str(), nullptr);
    bench.program = bench.folder + L"kestrowinda.exe";
    ::CopyFileW(rig::ProgramPath().c_str(), bench.program.c_str(), FALSE);
    bench.kwctl = CopyInto(bench.folder, KW_KWCTL_UNIX_PATH, L"kwctl.exe");
    bench.settingsFile = bench.folder + L"factory.dat";
    const SettingsFileImage image = EncodeSettingsFile(FactoryRecord());
    rig::WriteBytes(bench.settingsFile, std::vector<std::uint8_t>(image.begin(), image.end()));

    // One queue throughout, so that the program takes it without a selection dialog; a measure
    // that needs more adds its own for as long as it runs.
    rig::TestPrinters printers;
    AddModelQueues(printers, 0, 1);

    Report all;
    for (const Measure& measure : kMeasures) {
        if (!only.empty() && std::find(only.begin(), only.end(), measure.name) == only.end())
            continue;
        const Report report = measure.run(bench);
        all.rows.insert(all.rows.end(), report.rows.begin(), report.rows.end());
        all.notes.insert(all.notes.end(), report.notes.begin(), report.notes.end());
    }

    const int cpus = ProcessCpus();
    std::printf("Kestrowinda benchmark: commit %s, %s, x86_64, %d CPU%s%s%s%s\n\n",
                Narrow(commit).c_str(), WineVersion().c_str(), cpus, cpus == 1 ? "" : "s",
                priority.empty() ? "" : ", ", Narrow(priority).c_str(),
                load.empty() ? "" : (", load average before the run " + Narrow(load)).c_str());
    std::printf("| measure | program | floor | ratio | goal | met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const std::string& row : all.rows)
        std::printf("%s\n", row.c_str());
    std::printf("\n");
    for (const std::string& note : all.notes)
        std::printf("%s\n", note.c_str());
    return 0;
}
