// Start-up with one queue: the program against an empty dialog program and against the same main
// window built with plain calls, after checking that both windows show the same.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>

#include "bench/Measures.h"
#include "bench/StartUpParts.h"
#include "res/resource.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr wchar_t kFloorCaption[] = L"Kestrowinda Floor";

// What a main window shows once it is up: every page control, the tabs, the status texts, the
// toolbar's buttons and the menu's commands.
std::vector<std::wstring> ShownState(HWND main) {
    const rig::MainWindow window(main);
    std::vector<std::wstring> state = window.PageStates();
    state.push_back(L"tabs " + std::to_wstring(rig::RemoteSend(window.Tab(), TCM_GETITEMCOUNT)));
    state.push_back(L"tab " + std::to_wstring(window.SelectedTab()));
    for (int page = 0; page < 6; ++page)
        state.push_back(L"page " + std::to_wstring(page) + L" " +
                        std::to_wstring(window.PageVisible(page)));
    state.push_back(L"status " + window.Status(0) + L" | " + window.Status(1));
    for (const rig::RemoteButton& button : rig::RemoteToolbarButtons(window.ToolBar()))
        state.push_back(L"tool " + std::to_wstring(button.command) + L" " +
                        std::to_wstring(button.enabled));
    HMENU bar = ::GetMenu(main);
    for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
        HMENU popup = ::GetSubMenu(bar, i);
        for (int k = 0; k < ::GetMenuItemCount(popup); ++k) {
            const UINT id = ::GetMenuItemID(popup, k);
            const UINT flags = ::GetMenuState(popup, static_cast<UINT>(k), MF_BYPOSITION);
            state.push_back(L"menu " + std::to_wstring(id) + L" " +
                            std::to_wstring((flags & (MF_GRAYED | MF_DISABLED)) != 0));
        }
    }
    return state;
}

// Starts `program`, reads what its main window shows and ends it.
std::vector<std::wstring> StateAfterStartUp(const WindowProgram& program) {
    std::vector<std::wstring> state;
    rig::AppProcess process;
    const std::wstring folder = program.exe.substr(0, program.exe.rfind(L'\\') + 1);
    const std::wstring name = program.exe.substr(folder.size());
    if (!process.StartCopyOf(program.exe, folder + L"state\\", name)) return state;
    HWND main = process.WaitForDialog(program.caption);
    if (main) state = ShownState(main);
    if (main) ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(program.closeCommand, 0), 0);
    process.WaitForExit();
    return state;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

// The lines in which the floor's window differs from the program's, or none.
std::vector<std::string> StateDifferences(const std::vector<std::wstring>& program,
                                          const std::vector<std::wstring>& floor) {
    std::vector<std::string> lines;
    if (program.empty() || floor.empty()) return {"a window did not come up"};
    const std::size_t count = std::max(program.size(), floor.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::wstring a = i < program.size() ? program[i] : L"(none)";
        const std::wstring b = i < floor.size() ? floor[i] : L"(none)";
        if (a != b) lines.push_back("program \"" + Utf8(a) + "\", floor \"" + Utf8(b) + "\"");
    }
    return lines;
}

}  // namespace

Report MeasureStartUp(const BenchContext& bench) {
    // The program first, the plain main window last: the ratio of the two is taken per round.
    enum : int { kProgram, kFloor, kFloorWithDlls, kFloorMain, kPrograms };
    const std::array<WindowProgram, kPrograms> programs = {{
        {bench.program, kMainCaption, ID_APP_EXIT},
        {CopyInto(bench.folder, KW_FLOOR_UNIX_PATH, L"floor.exe"), kFloorCaption, IDCANCEL},
        {CopyInto(bench.folder, KW_FLOOR_DLLS_UNIX_PATH, L"floor-dlls.exe"), kFloorCaption,
         IDCANCEL},
        {CopyInto(bench.folder, KW_FLOOR_MAIN_UNIX_PATH, L"floor-main.exe"), kMainCaption,
         ID_APP_EXIT},
    }};
    const std::vector<std::string> differences = StateDifferences(
        StateAfterStartUp(programs[kProgram]), StateAfterStartUp(programs[kFloorMain]));
    const Rounds rounds = TimeInTurn(kPrograms, bench.rounds, [&](int which) {
        return TimeStartUp(programs[static_cast<std::size_t>(which)]).shown;
    });
    const StartUpParts parts = MeasureStartUpParts(bench.rounds);

    const PairResult againstEmpty = rounds.Pair(kProgram, kFloor);
    const PairResult againstMain = rounds.Pair(kProgram, kFloorMain);
    Report report;
    report.rows = {
        TimedRow("start-up to visible main window", bench.rounds, againstEmpty.program,
                 againstEmpty.floor, kMilliseconds, 1.3, rounds.failures == 0),
        TimedRow("start-up against the same window built with plain calls", bench.rounds,
                 againstMain.program, againstMain.floor, kMilliseconds, 1.15,
                 rounds.failures == 0 && differences.empty()),
    };
    report.notes.push_back(Format(
        "- start-up floors: an empty modal dialog program of the same toolchain%s; the same "
        "floor loading the program's DLLs and themed common controls: %.1f ms. The main window "
        "with plain calls (bench/FloorMainWindow.cpp: the program's templates, menu pictures, "
        "toolbar, status bar, tabs, six pages filled for the factory record, one discovery): "
        "%s; %s. Inside one process, DLLs loaded: a main window built and shown %.1f ms, the plain "
        "one %.1f ms (%.2fx); of the program's, the six pages' windows take %.1f ms, one printer "
        "discovery %.1f ms, the owner-drawn "
        "menu %.2f ms (plain menu pictures: %.2f ms) and the hidden printer selection that "
        "takes the only queue %.1f ms.",
        Failures(rounds.failures).c_str(), rounds.MedianOf(kFloorWithDlls) * 1e3,
        differences.empty() ? "shows the same controls, states, tabs, status texts, tools "
                              "and menu states as the program"
                            : "DIFFERS from the program's window (below)",
        Spread(againstMain).c_str(), Median(parts.mainWindow) * 1e3,
        Median(parts.floorWindow) * 1e3, Ratio(Median(parts.mainWindow), Median(parts.floorWindow)),
        Median(parts.pages) * 1e3, Median(parts.discovery) * 1e3, Median(parts.iconMenu) * 1e3,
        Median(parts.plainMenu) * 1e3, Median(parts.selectDialog) * 1e3));
    for (const std::string& line : differences)
        report.notes.push_back("  - " + line);
    return report;
}
