// What every measure of the benchmark shares: the run's settings, what a measure reports, and
// starting and timing the programs it compares. Each measure lives in a file of its own and is
// one row of the table in Bench.cpp.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "bench/PeImports.h"
#include "bench/Rounds.h"
#include "tests/win/rig/Printers.h"

// The run's settings and the programs that more than one measure starts, copied into one
// folder of the prefix's scratch space.
struct BenchContext {
    int rounds = 15;            // of each measure that starts a window program
    int consoleRounds = 45;     // of each kwctl measure: its runs are short
    int checks = 10000;         // data checks timed
    std::wstring folder;        // where the programs run from, with a trailing backslash
    std::wstring program;       // kestrowinda.exe
    std::wstring kwctl;         // kwctl.exe
    std::wstring settingsFile;  // a settings file of the factory record
};

// A measure's lines: its rows of the table, and the notes below the table that explain them.
struct Report {
    std::vector<std::string> rows;
    std::vector<std::string> notes;
};

inline constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";

double Now();
// Runs `part` and adds the time it took to `samples`.
template <class Part>
void TimePart(Samples& samples, Part&& part) {
    const double start = Now();
    part();
    samples.push_back(Now() - start);
}
// "Z:" and the path with backslashes.
std::wstring WindowsPath(const char* unixPath);
// Copies the file at `unixPath` into `folder` as `name`; the copy's path.
std::wstring CopyInto(const std::wstring& folder, const char* unixPath, const wchar_t* name);

// --- window programs ------------------------------------------------------------------------

struct WindowProgram {
    std::wstring exe;
    const wchar_t* caption;  // of its main window, a dialog
    int closeCommand;        // ends it without a question right after start-up
    // The dialog that shows before the main window when there is a choice to make (null when
    // none may show); it is accepted with OK at once.
    const wchar_t* chooser = nullptr;
    double timeout = 20;  // seconds
};

struct StartUpTime {
    double chooser = -1;  // seconds from process creation until the chooser was visible
    double shown = -1;    // until the main window was visible; -1 when it failed
};

// Starts `program` and times it until its main window is visible, then ends it. A program with a
// chooser fails when its main window shows without the chooser before it.
StartUpTime TimeStartUp(const WindowProgram& program);

// --- console programs -----------------------------------------------------------------------

// A console program run to its end with its output and errors thrown away.
struct ConsoleRun {
    double seconds = -1;
    DWORD status = 0;
};
ConsoleRun TimeConsoleRun(const std::wstring& exe, const std::wstring& arguments);

// Runs a console program and its floor in turn; a round counts only when both ended with status
// 0 and `check` (asked after every run) held.
PairResult MeasureConsolePair(
    const std::wstring& program, const std::wstring& programArguments, const std::wstring& floor,
    const std::wstring& floorArguments, int rounds,
    const std::function<bool()>& check = [] { return true; });

// --- printer queues -------------------------------------------------------------------------

// Queue k (from 0) of a run: the first is the one every measure has, "Vek Brelvistoka 410ZQ" on
// LPT1:, the others "KW Fleet 2", "KW Fleet 3"… on LPT2:, LPT3:…
std::wstring QueueName(int k);
std::wstring QueuePort(int k);
// Adds queues `first` to `last` - 1 of the model.
void AddModelQueues(rig::TestPrinters& printers, int first, int last);

// --- built programs ------------------------------------------------------------------------

// The stripped copy of a target's program that the build makes for the sizes.
PeImage Stripped(const char* target);
double KiB(const PeImage& image);
// The DLLs that an image imports, as "a.dll, b.dll".
std::string ImportList(const PeImage& image);

// --- the measures, one file each ------------------------------------------------------------

Report MeasureStartUp(const BenchContext& bench);            // StartUp.cpp
Report MeasureStartUpWithQueues(const BenchContext& bench);  // StartUpQueues.cpp
Report MeasureDataCheck(const BenchContext& bench);          // DataCheck.cpp
Report MeasureProgramSize(const BenchContext& bench);        // Sizes.cpp
Report MeasureKwctlShow(const BenchContext& bench);          // KwctlShow.cpp
Report MeasureFleetSend(const BenchContext& bench);          // FleetSend.cpp
Report MeasureFleetSendLog(const BenchContext& bench);       // FleetSendLog.cpp
Report MeasureFleetScale(const BenchContext& bench);         // FleetScale.cpp
Report MeasureFleetPlan(const BenchContext& bench);          // FleetPlan.cpp
Report MeasureFleetLongLog(const BenchContext& bench);       // FleetLongLog.cpp
Report MeasureKwctlSize(const BenchContext& bench);          // Sizes.cpp
