// The benchmark: start-up against an empty dialog program, the data check against reading the
// pages' controls with plain calls, and the size and imports of the stripped program. It runs
// under Wine in one prefix (scripts/bench.sh) and prints one table.
//   kw_bench.exe [--commit TEXT] [--rounds N] [--checks N]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/PeImports.h"
#include "framework/Handles.h"
#include "printer/PrinterDiscovery.h"
#include "printer/WinPrinterSpooler.h"
#include "res/resource.h"
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
    int failures = 0;
};

StartUpResult MeasureStartUp(int rounds) {
    const std::wstring folder = rig::TestDir() + L"startup\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const Program programs[] = {
        {folder + L"kestrowinda.exe", kMainCaption, ID_APP_EXIT},
        {folder + L"floor.exe", kFloorCaption, IDCANCEL},
        {folder + L"floor-dlls.exe", kFloorCaption, IDCANCEL},
    };
    ::CopyFileW(rig::ProgramPath().c_str(), programs[0].exe.c_str(), FALSE);
    ::CopyFileW(WindowsPath(KW_FLOOR_UNIX_PATH).c_str(), programs[1].exe.c_str(), FALSE);
    ::CopyFileW(WindowsPath(KW_FLOOR_DLLS_UNIX_PATH).c_str(), programs[2].exe.c_str(), FALSE);

    StartUpResult result;
    std::vector<double> times[3];
    constexpr int kWarmUp = 2;
    for (int round = 0; round < rounds + kWarmUp; ++round) {
        // Each program in turn, starting with another one each round.
        double spent[3];
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            spent[which] = TimeStartUp(programs[which]);
        }
        if (spent[0] < 0 || spent[1] < 0 || spent[2] < 0) {
            ++result.failures;
            continue;
        }
        if (round < kWarmUp) continue;
        for (int k = 0; k < 3; ++k)
            times[k].push_back(spent[k]);
    }
    result.program = Median(times[0]);
    result.floor = Median(times[1]);
    result.floorWithDlls = Median(times[2]);
    return result;
}

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

// --- start-up inside one process --------------------------------------------------------------

struct InProcessResult {
    double discovery = 0;   // one printer discovery against the spooler
    double pages = 0;       // the six page windows created from their templates
    double mainWindow = 0;  // a main window built and shown, its DLLs already loaded
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
    std::vector<double> discoveries, pages, windows;
    for (int i = 0; i < rounds; ++i) {
        const double start = Now();
        const auto found = EnumerateModelPrinters(spooler, true);
        discoveries.push_back(Now() - start);
        if (found.empty()) return result;
    }
    for (int i = 0; i < rounds; ++i)
        pages.push_back(TimePages());
    for (int i = 0; i < rounds; ++i) {
        g_windowShownAt = 0;
        const double start = Now();
        {
            CMainDialog dialog;
            ::SetTimer(nullptr, 0, 1, EndWhenShown);
            dialog.DoModal();
        }
        if (g_windowShownAt > 0) windows.push_back(g_windowShownAt - start);
    }
    result.discovery = Median(discoveries);
    result.pages = Median(pages);
    result.mainWindow = Median(windows);
    return result;
}

// --- table ----------------------------------------------------------------------------------

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

const char* Met(bool met) {
    return met ? "yes" : "**no**";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring commit = L"(unknown)";
    int rounds = 15;
    int checks = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--commit") == 0)
            commit = argv[i + 1];
        else if (std::wcscmp(argv[i], L"--rounds") == 0)
            rounds = std::max(1, _wtoi(argv[i + 1]));
        else if (std::wcscmp(argv[i], L"--checks") == 0)
            checks = std::max(10000, _wtoi(argv[i + 1]));
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);

    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");

    const StartUpResult startUp = MeasureStartUp(rounds);
    const InProcessResult inProcess = MeasureInProcess(rounds);
    const DataCheckResult dataCheck = MeasureDataCheck(checks);
    const PeImage image = ReadPeImage(WindowsPath(KW_STRIPPED_UNIX_PATH));

    const double startRatio = startUp.floor > 0 ? startUp.program / startUp.floor : 0;
    const double checkRatio = dataCheck.floor > 0 ? dataCheck.dataCheck / dataCheck.floor : 0;
    const double kib = static_cast<double>(image.fileSize) / 1024;
    bool systemOnly = image.valid;
    std::string imports;
    for (const std::string& dll : image.imports) {
        imports += (imports.empty() ? "" : ", ") + dll;
        systemOnly = systemOnly && IsSystemDll(dll);
    }
    DWORD_PTR processMask = 0, systemMask = 0;
    ::GetProcessAffinityMask(::GetCurrentProcess(), &processMask, &systemMask);
    int cpus = 0;
    for (DWORD_PTR bits = processMask; bits; bits &= bits - 1)
        ++cpus;

    std::printf("Kestrowinda benchmark: commit %s, %s, x86_64, %d CPU%s\n\n",
                Narrow(commit).c_str(), WineVersion().c_str(), cpus, cpus == 1 ? "" : "s");
    std::printf("| measure | program | floor | ratio | goal | met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    std::printf(
        "| start-up to visible main window (median of %d) | %.1f ms | %.1f ms | %.2fx | <= 1.3x "
        "| %s |\n",
        rounds, startUp.program * 1e3, startUp.floor * 1e3, startRatio,
        Met(startRatio > 0 && startRatio <= 1.3 && startUp.failures == 0));
    std::printf(
        "| OnDataCheck, six pages stored and compared (median of %d) | %.1f us | %.1f us | "
        "%.2fx | <= 1.5x | %s |\n",
        checks, dataCheck.dataCheck * 1e6, dataCheck.floor * 1e6, checkRatio,
        Met(checkRatio > 0 && checkRatio <= 1.5));
    std::printf("| stripped exe | %.1f KiB | | | <= 400 KiB, system DLLs only | %s |\n", kib,
                Met(image.valid && kib <= 400 && systemOnly));
    std::printf("\n");
    std::printf(
        "- start-up floor: an empty modal dialog program of the same toolchain%s. The same "
        "floor loading the program's DLLs and themed common controls: %.1f ms. Inside one "
        "process, DLLs loaded: a main window built and shown %.1f ms; of that, the six pages' "
        "windows take %.1f ms and one printer discovery %.1f ms.\n",
        startUp.failures ? " (some rounds failed and were left out)" : "",
        startUp.floorWithDlls * 1e3, inProcess.mainWindow * 1e3, inProcess.pages * 1e3,
        inProcess.discovery * 1e3);
    std::printf(
        "- data-check floor: the %d setting controls read once each (BM_GETCHECK, or "
        "CB_GETCURSEL and CB_GETLBTEXT). StorePages alone: %.1f us. The %d window "
        "look-ups its data exchange makes (GetDlgItem per member, GetWindow per radio "
        "button), alone: %.1f us. Its messages to the controls with their handles known, "
        "alone: %.1f us (%.2fx the floor).\n",
        dataCheck.controls, dataCheck.storePages * 1e6, dataCheck.lookUpCalls,
        dataCheck.lookUps * 1e6, dataCheck.withoutLookUps * 1e6,
        dataCheck.floor > 0 ? dataCheck.withoutLookUps / dataCheck.floor : 0);
    std::printf("- imports of the stripped exe (%s): %s\n",
                systemOnly ? "all system DLLs" : "NOT all system DLLs", imports.c_str());
    return 0;
}
