// The benchmark: start-up against an empty dialog program and against the same main window built
// with plain calls, the data check against reading the pages' controls with plain calls, the
// size and imports of the stripped program, kwctl's start-up against an empty console program,
// a fleet send to 20 queues against the plain spooler calls, and kwctl's size. It runs under
// Wine in one prefix (scripts/bench.sh) and prints one table.
//   kw_bench.exe [--commit TEXT] [--rounds N] [--checks N]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "app/MainMenu.h"
#include "bench/FloorMainWindow.h"
#include "bench/PeImports.h"
#include "framework/Handles.h"
#include "printer/PrinterDiscovery.h"
#include "printer/PrinterSend.h"
#include "printer/WinPrinterSpooler.h"
#include "res/resource.h"
#include "settings/SettingsFile.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";
constexpr wchar_t kFloorCaption[] = L"Kestrowinda Floor";

std::wstring WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return path;
}

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The first and third quartiles.
std::array<double, 2> Quartiles(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    return {values[(values.size() - 1) / 4], values[(values.size() - 1) * 3 / 4]};
}

// A program and its floor, each run in turn.
struct PairResult {
    double program = 0;
    double floor = 0;
    double roundRatio = 0;  // the median of the rounds' own ratios
    std::array<double, 2> programQuartiles{};
    std::array<double, 2> floorQuartiles{};
    int failures = 0;
};

// --- start-up -------------------------------------------------------------------------------

struct Program {
    std::wstring exe;
    const wchar_t* caption;
    int closeCommand;  // ends it without a question right after start-up
};

// Seconds from process creation until the program's main window is visible, or -1.
double TimeStartUp(const Program& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + program.exe + L"\"";
    const std::wstring folder = program.exe.substr(0, program.exe.rfind(L'\\') + 1);
    const double start = Now();
    if (!::CreateProcessW(program.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return -1;
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    double shown = -1;
    HWND window = nullptr;
    while (Now() - start < 20) {
        window = ::FindWindowW(L"#32770", program.caption);
        if (window && ::IsWindowVisible(window)) {
            shown = Now() - start;
            break;
        }
        if (::WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
    }
    if (window) ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(program.closeCommand, 0), 0);
    if (::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 5000);
        shown = -1;
    }
    return shown;
}

struct StartUpResult {
    double program = 0;
    double floor = 0;
    double floorWithDlls = 0;
    double floorMain = 0;
    PairResult againstMain;  // the program against the plain main window, with their spread
    int failures = 0;
};

constexpr int kStartUpPrograms = 4;

StartUpResult MeasureStartUp(const std::array<Program, kStartUpPrograms>& programs, int rounds) {
    StartUpResult result;
    std::vector<double> times[kStartUpPrograms], ratios;
    constexpr int kWarmUp = 2;
    for (int round = 0; round < rounds + kWarmUp; ++round) {
        // Each program in turn, starting with another one each round.
        double spent[kStartUpPrograms];
        bool failed = false;
        for (int k = 0; k < kStartUpPrograms; ++k) {
            const int which = (round + k) % kStartUpPrograms;
            spent[which] = TimeStartUp(programs[which]);
            failed = failed || spent[which] < 0;
        }
        if (failed) {
            ++result.failures;
            continue;
        }
        if (round < kWarmUp) continue;
        for (int k = 0; k < kStartUpPrograms; ++k)
            times[k].push_back(spent[k]);
        ratios.push_back(spent[0] / spent[3]);
    }
    result.program = Median(times[0]);
    result.floor = Median(times[1]);
    result.floorWithDlls = Median(times[2]);
    result.floorMain = Median(times[3]);
    result.againstMain = {result.program,      result.floorMain,    Median(ratios),
                          Quartiles(times[0]), Quartiles(times[3]), result.failures};
    return result;
}

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
std::vector<std::wstring> StateAfterStartUp(const Program& program) {
    std::vector<std::wstring> state;
    rig::AppProcess process;
    const std::wstring folder = program.exe.substr(0, program.exe.rfind(L'\\') + 1);
    const std::wstring name = program.exe.substr(folder.size());
    std::wstring source = program.exe;
    if (!process.StartCopyOf(source, folder + L"state\\", name)) return state;
    HWND main = process.WaitForDialog(program.caption);
    if (main) state = ShownState(main);
    if (main) ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(program.closeCommand, 0), 0);
    process.WaitForExit();
    return state;
}

// The lines in which the floor's window differs from the program's, or none.
std::vector<std::string> StateDifferences(const std::vector<std::wstring>& program,
                                          const std::vector<std::wstring>& floor);

// --- data check -----------------------------------------------------------------------------

struct DataCheckResult {
    double dataCheck = 0;
    double floor = 0;
    double storePages = 0;
    double lookUps = 0;
    double withoutLookUps = 0;
    int controls = 0;
    int lookUpCalls = 0;
};

struct SettingControl {
    HWND hwnd;
    bool list;  // a drop-down list, else a radio button or check box
};

// The setting controls of a page: its radio buttons, check boxes and drop-down lists.
std::vector<SettingControl> SettingControls(HWND page) {
    std::vector<SettingControl> controls;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[32] = {};
        ::GetClassNameW(child, kind, 32);
        const LONG type = ::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (std::wcscmp(kind, L"ComboBox") == 0)
            controls.push_back({child, true});
        else if (std::wcscmp(kind, L"Button") == 0 &&
                 (type == BS_AUTORADIOBUTTON || type == BS_AUTOCHECKBOX))
            controls.push_back({child, false});
    }
    return controls;
}

// Reads each control once, as much as a store needs: the check state, or the selected text.
int ReadControls(const std::vector<SettingControl>& controls, std::wstring& text) {
    int checked = 0;
    for (const SettingControl& control : controls) {
        if (!control.list) {
            checked += ::SendMessageW(control.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
            continue;
        }
        const LRESULT index = ::SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0);
        if (index < 0) continue;
        wchar_t buffer[64];
        ::SendMessageW(control.hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(buffer));
        text = buffer;
    }
    return checked;
}

// The window look-ups that a data exchange of these controls makes besides reading them: one
// control by id for each exchanged member (a group of radio buttons, a check box or a list),
// and one step to the next window for each radio button of a group.
struct LookUp {
    HWND control;
    bool byId;
};

std::vector<LookUp> ExchangeLookUps(const std::vector<SettingControl>& controls) {
    std::vector<LookUp> lookUps;
    for (const SettingControl& control : controls) {
        const LONG style = ::GetWindowLongW(control.hwnd, GWL_STYLE);
        const bool radio = !control.list && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        if (!radio || (style & WS_GROUP)) lookUps.push_back({control.hwnd, true});
        if (radio) lookUps.push_back({control.hwnd, false});
    }
    return lookUps;
}

// The messages that data exchange sends to these controls, their handles known: a radio button
// is asked its dialog code and state and its style is read, a list its selection, text length
// and text, a check box its state.
void ExchangeWithoutLookUps(const std::vector<SettingControl>& controls, std::wstring& text) {
    for (const SettingControl& control : controls) {
        if (control.list) {
            const LRESULT index = ::SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0);
            const LRESULT length =
                ::SendMessageW(control.hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
            text.assign(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
            ::SendMessageW(control.hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(text.data()));
            continue;
        }
        if ((::GetWindowLongW(control.hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            ::SendMessageW(control.hwnd, WM_GETDLGCODE, 0, 0);
        ::SendMessageW(control.hwnd, BM_GETCHECK, 0, 0);
    }
}

HWND DoLookUps(const std::vector<LookUp>& lookUps) {
    HWND last = nullptr;
    for (const LookUp& lookUp : lookUps) {
        last = lookUp.byId
                   ? ::GetDlgItem(::GetParent(lookUp.control), ::GetDlgCtrlID(lookUp.control))
                   : ::GetWindow(lookUp.control, GW_HWNDNEXT);
    }
    return last;
}

class BenchDialog : public CMainDialog {
public:
    int m_nChecks = 10000;
    DataCheckResult m_result;

    void Measure() {
        HWND main = GetSafeHwnd();
        std::vector<SettingControl> controls;
        for (CSettingsPage* page :
             {static_cast<CSettingsPage*>(&m_pageSelect), static_cast<CSettingsPage*>(&m_pageMSW1),
              static_cast<CSettingsPage*>(&m_pageMSW2), static_cast<CSettingsPage*>(&m_pageMSW3),
              static_cast<CSettingsPage*>(&m_pageMSW4),
              static_cast<CSettingsPage*>(&m_pageHardware)}) {
            const auto own = SettingControls(page->GetSafeHwnd());
            controls.insert(controls.end(), own.begin(), own.end());
        }
        const std::vector<LookUp> lookUps = ExchangeLookUps(controls);
        m_result.controls = static_cast<int>(controls.size());
        m_result.lookUpCalls = static_cast<int>(lookUps.size());

        constexpr int kMeasures = 5;
        std::vector<double> spent[kMeasures];
        std::wstring text;
        SettingsRecord record = m_recWorking;
        constexpr int kWarmUp = 200;
        for (int i = 0; i < m_nChecks + kWarmUp; ++i) {
            // Each measure once per round, in a rotating order.
            for (int k = 0; k < kMeasures; ++k) {
                const int which = (i + k) % kMeasures;
                const double start = Now();
                switch (which) {
                    case 0:
                        ::SendMessageW(main, WM_COMMAND, MAKEWPARAM(ID_DATA_CHECK, 0), 0);
                        break;
                    case 1:
                        ReadControls(controls, text);
                        break;
                    case 2:
                        StorePages(record);
                        break;
                    case 3:
                        DoLookUps(lookUps);
                        break;
                    default:
                        ExchangeWithoutLookUps(controls, text);
                        break;
                }
                if (i >= kWarmUp) spent[which].push_back(Now() - start);
            }
        }
        m_result.dataCheck = Median(spent[0]);
        m_result.floor = Median(spent[1]);
        m_result.storePages = Median(spent[2]);
        m_result.lookUps = Median(spent[3]);
        m_result.withoutLookUps = Median(spent[4]);
    }
};

BenchDialog* g_bench = nullptr;

void CALLBACK MeasureWhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND main = g_bench->GetSafeHwnd();
    if (!main || !::IsWindowVisible(main)) return;
    ::KillTimer(nullptr, timer);
    g_bench->Measure();
    g_bench->EndDialog(IDOK);
}

DataCheckResult MeasureDataCheck(int checks) {
    BenchDialog dialog;
    dialog.m_nChecks = checks;
    g_bench = &dialog;
    ::SetTimer(nullptr, 0, 100, MeasureWhenShown);
    dialog.DoModal();
    g_bench = nullptr;
    return dialog.m_result;
}

// --- start-up inside one process -----------------------------------------------------------------

struct InProcessResult {
    double discovery = 0;     // one printer discovery against the spooler
    double pages = 0;         // the six page windows created from their templates
    double mainWindow = 0;    // a main window built and shown, its DLLs already loaded
    double floorWindow = 0;   // the same window built and shown with plain calls
    double iconMenu = 0;      // the program's owner-drawn menu built from its resource
    double plainMenu = 0;     // the menu resource loaded and given its pictures with plain calls
    double selectDialog = 0;  // the printer selection that takes the only queue unseen
};

// Creates the six pages in a hidden window, as the main window does, and destroys them again.
double TimePages() {
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 500, 500, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!parent) return 0;
    const double start = Now();
    {
        CPage_Select select;
        CPage_MSW1 msw1;
        CPage_MSW2 msw2;
        CPage_MSW3 msw3;
        CPage_MSW4 msw4;
        CPage_Hardware hardware;
        for (CSettingsPage* page :
             {static_cast<CSettingsPage*>(&select), static_cast<CSettingsPage*>(&msw1),
              static_cast<CSettingsPage*>(&msw2), static_cast<CSettingsPage*>(&msw3),
              static_cast<CSettingsPage*>(&msw4), static_cast<CSettingsPage*>(&hardware)}) {
            page->Create(parent);
        }
    }
    const double spent = Now() - start;
    ::DestroyWindow(parent);
    return spent;
}

// The main window's menu built into a hidden window, the program's way or with plain calls.
double TimeMenu(bool plain) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 500, 500, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return 0;
    const double start = Now();
    if (plain) {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
        for (const CommandImage& image : kMainMenuImages) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_BITMAP;
            item.hbmpItem = static_cast<HBITMAP>(::LoadImageW(
                instance, MAKEINTRESOURCEW(image.bitmap), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
            ::SetMenuItemInfoW(menu, image.command, FALSE, &item);
        }
        ::DeleteMenu(menu, ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND);
        ::SetMenu(window, menu);
    } else {
        CIconMenu menu;
        BuildMainMenu(menu, window);
    }
    const double spent = Now() - start;
    ::DestroyWindow(window);
    return spent;
}

double g_windowShownAt = 0;

void CALLBACK EndWhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND main = ::FindWindowW(L"#32770", kMainCaption);
    if (!main || !::IsWindowVisible(main)) return;
    g_windowShownAt = Now();
    ::KillTimer(nullptr, timer);
    ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
}

InProcessResult MeasureInProcess(int rounds) {
    InProcessResult result;
    WinPrinterSpooler spooler;
    std::vector<double> discoveries, pages, windows, iconMenus, plainMenus, selections;
    for (int i = 0; i < rounds; ++i) {
        const double start = Now();
        const auto found = EnumerateModelPrinters(spooler, true);
        discoveries.push_back(Now() - start);
        if (found.empty()) return result;
    }
    for (int i = 0; i < rounds; ++i) {
        pages.push_back(TimePages());
        iconMenus.push_back(TimeMenu(false));
        plainMenus.push_back(TimeMenu(true));
        CPrinterSelectDialog select;
        select.m_bStartupDone = 0;
        const double start = Now();
        select.DoModal(nullptr);
        selections.push_back(Now() - start);
    }
    // The program's window and the plain one in turn, each shown and ended the same way.
    std::vector<double> floorWindows;
    for (int i = 0; i < rounds; ++i) {
        g_windowShownAt = 0;
        double start = Now();
        {
            CMainDialog dialog;
            ::SetTimer(nullptr, 0, 1, EndWhenShown);
            dialog.DoModal();
        }
        if (g_windowShownAt > 0) windows.push_back(g_windowShownAt - start);

        g_windowShownAt = 0;
        start = Now();
        HWND floor = CreateFloorMainWindow(::GetModuleHandleW(nullptr), false);
        if (!floor) continue;
        ::ShowWindow(floor, SW_SHOWNORMAL);
        ::SetTimer(nullptr, 0, 1, EndWhenShown);
        MSG msg;
        while (::IsWindow(floor) && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (::IsDialogMessageW(floor, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (g_windowShownAt > 0) floorWindows.push_back(g_windowShownAt - start);
    }
    result.floorWindow = Median(floorWindows);
    result.discovery = Median(discoveries);
    result.pages = Median(pages);
    result.mainWindow = Median(windows);
    result.iconMenu = Median(iconMenus);
    result.plainMenu = Median(plainMenus);
    result.selectDialog = Median(selections);
    return result;
}

// --- kwctl ----------------------------------------------------------------------------------

// A console program run to its end with its output and errors thrown away.
struct ConsoleRun {
    double seconds = -1;
    DWORD status = 0;
};

ConsoleRun TimeConsoleRun(const std::wstring& exe, const std::wstring& arguments) {
    static const HANDLE nul = [] {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        return ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    }();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    const std::wstring folder = exe.substr(0, exe.rfind(L'\\') + 1);
    ConsoleRun run;
    const double start = Now();
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return run;
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 5000);
        return run;
    }
    run.seconds = Now() - start;
    ::GetExitCodeProcess(process.get(), &run.status);
    return run;
}

struct KwctlPrograms {
    std::wstring kwctl;
    std::wstring kwctlWithoutCli;  // the command line read by hand instead of by CLI11
    std::wstring emptyConsole;
    std::wstring floorSend;
    std::wstring settingsFile;  // the factory record
};

// Runs the program and its floor in turn, each round starting with the other one; a round
// counts only when both ran as they should (`check` after each run).
template <class Check>
PairResult MeasurePair(const std::wstring& program, const std::wstring& programArguments,
                       const std::wstring& floor, const std::wstring& floorArguments, int rounds,
                       Check check) {
    PairResult result;
    std::vector<double> times[2], ratios;
    constexpr int kWarmUp = 2;
    for (int round = 0; round < rounds + kWarmUp; ++round) {
        double spent[2];
        bool failed = false;
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;
            const ConsoleRun run = which == 0 ? TimeConsoleRun(program, programArguments)
                                              : TimeConsoleRun(floor, floorArguments);
            spent[which] = run.seconds;
            failed = failed || run.seconds < 0 || run.status != 0 || !check();
        }
        if (failed) {
            ++result.failures;
            continue;
        }
        if (round < kWarmUp) continue;
        for (int k = 0; k < 2; ++k)
            times[k].push_back(spent[k]);
        ratios.push_back(spent[0] / spent[1]);
    }
    result.program = Median(times[0]);
    result.floor = Median(times[1]);
    result.roundRatio = Median(ratios);
    result.programQuartiles = Quartiles(times[0]);
    result.floorQuartiles = Quartiles(times[1]);
    return result;
}

constexpr int kFleetQueues = 20;

std::wstring FleetPort(int k) {
    return L"LPT" + std::to_wstring(k + 1) + L":";
}

struct FleetResult {
    PairResult send;
    PairResult dryRun;          // --dry-run of both: the file and the queues, nothing sent
    double discovery = 0;       // the program's discovery of the 20 queues, in one process
    double oneEnumeration = 0;  // one level-2 enumeration of the local queues
    double levelFour = 0;       // the level-4 enumeration that discovery starts with
    double openTest = 0;        // discovery's open for use of one queue
    double oneSend = 0;         // the program's send to one queue, in one process
    int queuesFound = 0;
};

FleetResult MeasureFleet(const KwctlPrograms& programs, rig::TestPrinters& printers,
                         const SettingsRecord& record, int rounds) {
    FleetResult result;
    // Every port's capture is cleared before a run and must hold the record after it.
    const std::vector<std::uint8_t> expected(record.data(), record.data() + SettingsRecord::kSize);
    const auto clear = [&] {
        for (int k = 0; k < kFleetQueues; ++k)
            printers.Clear(FleetPort(k));
    };
    const auto allCaptured = [&] {
        bool all = true;
        for (int k = 0; k < kFleetQueues; ++k)
            all = all && printers.Captured(FleetPort(k)) == expected;
        clear();
        return all;
    };
    clear();
    const std::wstring file = L"\"" + programs.settingsFile + L"\"";
    result.send = MeasurePair(programs.kwctl, L"send " + file + L" --all", programs.floorSend, file,
                              rounds, allCaptured);

    result.dryRun =
        MeasurePair(programs.kwctl, L"send " + file + L" --all --dry-run", programs.floorSend,
                    file + L" --dry-run", rounds, [] { return true; });
    std::vector<double> discoveries, enumerations, levelFours, openTests, sends;
    WinPrinterSpooler spooler;
    for (int i = 0; i < rounds; ++i) {
        double start = Now();
        result.queuesFound = static_cast<int>(DescribeModelPrinters(spooler).size());
        discoveries.push_back(Now() - start);
        start = Now();
        spooler.EnumLevel2(spooler::kEnumLocal, std::nullopt);
        enumerations.push_back(Now() - start);
        start = Now();
        spooler.EnumLevel4(spooler::kEnumLocal | spooler::kEnumConnections, std::nullopt);
        levelFours.push_back(Now() - start);
        const std::wstring queue = L"KW Fleet " + std::to_wstring(i % (kFleetQueues - 1) + 2);
        start = Now();
        spooler.OpensForUse(queue);
        openTests.push_back(Now() - start);
        start = Now();
        SendRecordToPrinter(queue, record);
        sends.push_back(Now() - start);
    }
    clear();
    result.discovery = Median(discoveries);
    result.oneEnumeration = Median(enumerations);
    result.levelFour = Median(levelFours);
    result.openTest = Median(openTests);
    result.oneSend = Median(sends);
    return result;
}

// --- sizes ----------------------------------------------------------------------------------

double KiB(const PeImage& image) {
    return static_cast<double>(image.fileSize) / 1024;
}

PeImage Stripped(const char* target) {
    return ReadPeImage(WindowsPath(KW_STRIPPED_DIR_UNIX_PATH) +
                       std::wstring(target, target + std::strlen(target)) + L"-stripped.exe");
}

// --- table ----------------------------------------------------------------------------------

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

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

std::string WineVersion() {
    using Version = const char*(CDECL*)();
    const auto version = reinterpret_cast<Version>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version ? std::string("Wine ") + version() : "Windows";
}

const char* Met(bool met) {
    return met ? "yes" : "**no**";
}

double Ratio(double program, double floor) {
    return floor > 0 ? program / floor : 0;
}

// How far the rounds scattered.
std::string Spread(const PairResult& pair) {
    char text[200];
    std::snprintf(text, sizeof(text),
                  "quartiles %.1f to %.1f ms against %.1f to %.1f ms, median of the rounds' own "
                  "ratios %.2fx",
                  pair.programQuartiles[0] * 1e3, pair.programQuartiles[1] * 1e3,
                  pair.floorQuartiles[0] * 1e3, pair.floorQuartiles[1] * 1e3, pair.roundRatio);
    return text;
}

std::string Failures(int failures) {
    return failures ? " (" + std::to_string(failures) + " failed rounds left out)" : "";
}

std::wstring CopyInto(const std::wstring& folder, const char* unixPath, const wchar_t* name) {
    const std::wstring copy = folder + name;
    ::CopyFileW(WindowsPath(unixPath).c_str(), copy.c_str(), FALSE);
    return copy;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring commit = L"(unknown)";
    std::wstring load;
    std::wstring priority;  // how the run was scheduled, when not as usual
    int rounds = 15;
    int checks = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--commit") == 0)
            commit = argv[i + 1];
        else if (std::wcscmp(argv[i], L"--load") == 0)
            load = argv[i + 1];
        else if (std::wcscmp(argv[i], L"--priority") == 0)
            priority = argv[i + 1];
        else if (std::wcscmp(argv[i], L"--rounds") == 0)
            rounds = std::max(1, _wtoi(argv[i + 1]));
        else if (std::wcscmp(argv[i], L"--checks") == 0)
            checks = std::max(10000, _wtoi(argv[i + 1]));
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);

    // Every program runs from one folder of the prefix's scratch space.
    const std::wstring folder = rig::TestDir() + L"programs\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"kestrowinda.exe";
    ::CopyFileW(rig::ProgramPath().c_str(), program.c_str(), FALSE);
    const std::array<Program, kStartUpPrograms> startUpPrograms = {{
        {program, kMainCaption, ID_APP_EXIT},
        {CopyInto(folder, KW_FLOOR_UNIX_PATH, L"floor.exe"), kFloorCaption, IDCANCEL},
        {CopyInto(folder, KW_FLOOR_DLLS_UNIX_PATH, L"floor-dlls.exe"), kFloorCaption, IDCANCEL},
        {CopyInto(folder, KW_FLOOR_MAIN_UNIX_PATH, L"floor-main.exe"), kMainCaption, ID_APP_EXIT},
    }};
    KwctlPrograms kwctl;
    kwctl.kwctl = CopyInto(folder, KW_KWCTL_UNIX_PATH, L"kwctl.exe");
    kwctl.kwctlWithoutCli = CopyInto(folder, KW_KWCTL_NO_CLI_UNIX_PATH, L"kwctl-no-cli.exe");
    kwctl.emptyConsole = CopyInto(folder, KW_FLOOR_CONSOLE_UNIX_PATH, L"floor-console.exe");
    kwctl.floorSend = CopyInto(folder, KW_FLOOR_SEND_UNIX_PATH, L"floor-send.exe");
    kwctl.settingsFile = folder + L"factory.dat";
    const SettingsRecord& record = FactoryRecord();
    const SettingsFileImage image = EncodeSettingsFile(record);
    rig::WriteBytes(kwctl.settingsFile, std::vector<std::uint8_t>(image.begin(), image.end()));

    // One queue for the start-ups, so that no selection dialog shows.
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", FleetPort(0));

    const std::vector<std::string> stateDifferences = StateDifferences(
        StateAfterStartUp(startUpPrograms[0]), StateAfterStartUp(startUpPrograms[3]));
    // A console program's run is short, so its measures take three times the rounds.
    const int consoleRounds = rounds * 3;
    const StartUpResult startUp = MeasureStartUp(startUpPrograms, rounds);
    const PairResult show =
        MeasurePair(kwctl.kwctl, L"show \"" + kwctl.settingsFile + L"\"", kwctl.emptyConsole, L"",
                    consoleRounds, [] { return true; });
    const PairResult version = MeasurePair(kwctl.kwctl, L"--version", kwctl.emptyConsole, L"",
                                           consoleRounds, [] { return true; });
    const PairResult showWithoutCli =
        MeasurePair(kwctl.kwctlWithoutCli, L"show \"" + kwctl.settingsFile + L"\"",
                    kwctl.emptyConsole, L"", consoleRounds, [] { return true; });
    const InProcessResult inProcess = MeasureInProcess(rounds);
    const DataCheckResult dataCheck = MeasureDataCheck(checks);

    // The fleet: 19 more queues of the model, each on a port of its own.
    for (int k = 1; k < kFleetQueues; ++k)
        printers.Add(L"KW Fleet " + std::to_wstring(k + 1), FleetPort(k));
    const FleetResult fleet = MeasureFleet(kwctl, printers, record, consoleRounds);

    const PeImage exe =
        ReadPeImage(WindowsPath(KW_STRIPPED_DIR_UNIX_PATH) + L"kestrowinda-stripped.exe");
    const PeImage kwctlExe = Stripped("kwctl");
    const PeImage noCli = Stripped("kw_bench_kwctl_no_cli");
    const PeImage noJson = Stripped("kw_bench_kwctl_no_json");
    const PeImage neither = Stripped("kw_bench_kwctl_neither");

    const double startRatio = Ratio(startUp.program, startUp.floor);
    const double mainRatio = Ratio(startUp.program, startUp.floorMain);
    const double checkRatio = Ratio(dataCheck.dataCheck, dataCheck.floor);
    const double showRatio = Ratio(show.program, show.floor);
    const double sendRatio = Ratio(fleet.send.program, fleet.send.floor);
    bool systemOnly = exe.valid;
    std::string imports;
    for (const std::string& dll : exe.imports) {
        imports += (imports.empty() ? "" : ", ") + dll;
        systemOnly = systemOnly && IsSystemDll(dll);
    }
    std::string kwctlImports;
    for (const std::string& dll : kwctlExe.imports)
        kwctlImports += (kwctlImports.empty() ? "" : ", ") + dll;
    DWORD_PTR processMask = 0, systemMask = 0;
    ::GetProcessAffinityMask(::GetCurrentProcess(), &processMask, &systemMask);
    int cpus = 0;
    for (DWORD_PTR bits = processMask; bits; bits &= bits - 1)
        ++cpus;

    std::printf("Kestrowinda benchmark: commit %s, %s, x86_64, %d CPU%s%s%s%s\n\n",
                Narrow(commit).c_str(), WineVersion().c_str(), cpus, cpus == 1 ? "" : "s",
                priority.empty() ? "" : ", ", Narrow(priority).c_str(),
                load.empty() ? "" : (", load average before the run " + Narrow(load)).c_str());
    std::printf("| measure | program | floor | ratio | goal | met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::printf(
        "| start-up to visible main window (median of %d) | %.1f ms | %.1f ms | %.2fx | <= 1.3x "
        "| %s |\n",
        rounds, startUp.program * 1e3, startUp.floor * 1e3, startRatio,
        Met(startRatio > 0 && startRatio <= 1.3 && startUp.failures == 0));
    std::printf(
        "| start-up against the same window built with plain calls (median of %d) | %.1f ms | "
        "%.1f ms | %.2fx | <= 1.15x | %s |\n",
        rounds, startUp.program * 1e3, startUp.floorMain * 1e3, mainRatio,
        Met(mainRatio > 0 && mainRatio <= 1.15 && startUp.failures == 0 &&
            stateDifferences.empty()));
    std::printf(
        "| OnDataCheck, six pages stored and compared (median of %d) | %.1f us | %.1f us | "
        "%.2fx | <= 1.5x | %s |\n",
        checks, dataCheck.dataCheck * 1e6, dataCheck.floor * 1e6, checkRatio,
        Met(checkRatio > 0 && checkRatio <= 1.5));
    std::printf("| stripped exe | %.1f KiB | | | <= 400 KiB, system DLLs only | %s |\n", KiB(exe),
                Met(exe.valid && KiB(exe) <= 400 && systemOnly));
    std::printf(
        "| kwctl show start-up, to its exit (median of %d) | %.1f ms | %.1f ms | %.2fx | <= 1.5x "
        "| %s |\n",
        consoleRounds, show.program * 1e3, show.floor * 1e3, showRatio,
        Met(showRatio > 0 && showRatio <= 1.5 && show.failures == 0));
    std::printf(
        "| kwctl send --all to %d queues, to its exit (median of %d) | %.1f ms | %.1f ms | "
        "%.2fx | <= 1.2x | %s |\n",
        kFleetQueues, consoleRounds, fleet.send.program * 1e3, fleet.send.floor * 1e3, sendRatio,
        Met(sendRatio > 0 && sendRatio <= 1.2 && fleet.send.failures == 0));
    std::printf("| kwctl stripped exe | %.1f KiB | | | none given | - |\n", KiB(kwctlExe));
    std::printf("\n");
    std::printf(
        "- start-up floors: an empty modal dialog program of the same toolchain%s; the same "
        "floor loading the program's DLLs and themed common controls: %.1f ms. The main window "
        "with plain calls (bench/FloorMainWindow.cpp: the program's templates, menu pictures, "
        "toolbar, status bar, tabs, six pages filled for the factory record, one discovery): "
        "%s; %s. Inside one process, DLLs loaded: a main window built and shown %.1f ms, the plain "
        "one %.1f ms (%.2fx); of the program's, the six pages' windows take %.1f ms, one printer "
        "discovery %.1f ms, the owner-drawn "
        "menu %.2f ms (plain menu pictures: %.2f ms) and the hidden printer selection that "
        "takes the only queue %.1f ms.\n",
        Failures(startUp.failures).c_str(), startUp.floorWithDlls * 1e3,
        stateDifferences.empty() ? "shows the same controls, states, tabs, status texts, tools "
                                   "and menu states as the program"
                                 : "DIFFERS from the program's window (below)",
        Spread(startUp.againstMain).c_str(), inProcess.mainWindow * 1e3,
        inProcess.floorWindow * 1e3, Ratio(inProcess.mainWindow, inProcess.floorWindow),
        inProcess.pages * 1e3, inProcess.discovery * 1e3, inProcess.iconMenu * 1e3,
        inProcess.plainMenu * 1e3, inProcess.selectDialog * 1e3);
    for (const std::string& line : stateDifferences)
        std::printf("  - %s\n", line.c_str());
    std::printf(
        "- data-check floor: the %d setting controls read once each (BM_GETCHECK, or "
        "CB_GETCURSEL and CB_GETLBTEXT). StorePages alone: %.1f us. The %d window "
        "look-ups its data exchange makes (GetDlgItem per member, GetWindow per radio "
        "button), alone: %.1f us. Its messages to the controls with their handles known, "
        "alone: %.1f us (%.2fx the floor).\n",
        dataCheck.controls, dataCheck.storePages * 1e6, dataCheck.lookUpCalls,
        dataCheck.lookUps * 1e6, dataCheck.withoutLookUps * 1e6,
        Ratio(dataCheck.withoutLookUps, dataCheck.floor));
    std::printf("- imports of the stripped exe (%s): %s\n",
                systemOnly ? "all system DLLs" : "NOT all system DLLs", imports.c_str());
    std::printf(
        "- kwctl show: `kwctl show factory.dat`, output to NUL, against an empty console "
        "program (wmain returning 0) of the same toolchain%s; %s. `kwctl --version` (the "
        "C++ run-time's start and CLI11 only): %.1f ms against %.1f ms. kwctl built with the "
        "command line read by hand instead of by CLI11, show: %.1f ms against %.1f ms (%.2fx). "
        "kwctl imports %s "
        "(winspool.drv is delay-loaded: printers and send load it at their first spooler "
        "call).\n",
        Failures(show.failures).c_str(), Spread(show).c_str(), version.program * 1e3,
        version.floor * 1e3, showWithoutCli.program * 1e3, showWithoutCli.floor * 1e3,
        Ratio(showWithoutCli.program, showWithoutCli.floor), kwctlImports.c_str());
    std::printf(
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
        "queue %.1f ms.\n",
        kFleetQueues, kFleetQueues, Failures(fleet.send.failures).c_str(),
        Spread(fleet.send).c_str(), fleet.dryRun.program * 1e3, fleet.dryRun.floor * 1e3,
        Ratio(fleet.dryRun.program, fleet.dryRun.floor), fleet.queuesFound, fleet.discovery * 1e3,
        fleet.levelFour * 1e3, fleet.oneEnumeration * 1e3, fleet.openTest * 1e3,
        fleet.oneSend * 1e3);
    std::printf(
        "- kwctl size: %.1f KiB stripped. Built with CLI11 replaced by a hand-read command "
        "line: %.1f KiB (CLI11 costs %.1f KiB); with nlohmann/json replaced by a class that "
        "does nothing: %.1f KiB (nlohmann/json costs %.1f KiB); without either: %.1f KiB "
        "(both cost %.1f KiB).\n",
        KiB(kwctlExe), KiB(noCli), KiB(kwctlExe) - KiB(noCli), KiB(noJson),
        KiB(kwctlExe) - KiB(noJson), KiB(neither), KiB(kwctlExe) - KiB(neither));
    return 0;
}
