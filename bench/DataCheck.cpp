// The data check: one OnDataCheck of the real main window (the six pages stored and compared,
// Send updated) against reading every setting control of the six pages once with plain calls.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "app/MainDialog.h"
#include "bench/Measures.h"
#include "res/resource.h"

namespace {

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

}  // namespace

Report MeasureDataCheck(const BenchContext& bench) {
    BenchDialog dialog;
    dialog.m_nChecks = bench.checks;
    g_bench = &dialog;
    ::SetTimer(nullptr, 0, 100, MeasureWhenShown);
    dialog.DoModal();
    g_bench = nullptr;
    const DataCheckResult& result = dialog.m_result;

    Report report;
    report.rows.push_back(TimedRow("OnDataCheck, six pages stored and compared", bench.checks,
                                   result.dataCheck, result.floor, kMicroseconds, 1.5, true));
    report.notes.push_back(
        Format("- data-check floor: the %d setting controls read once each (BM_GETCHECK, or "
               "CB_GETCURSEL and CB_GETLBTEXT). StorePages alone: %.1f us. The %d window "
               "look-ups its data exchange makes (GetDlgItem per member, GetWindow per radio "
               "button), alone: %.1f us. Its messages to the controls with their handles known, "
               "alone: %.1f us (%.2fx the floor).",
               result.controls, result.storePages * 1e6, result.lookUpCalls, result.lookUps * 1e6,
               result.withoutLookUps * 1e6, Ratio(result.withoutLookUps, result.floor)));
    return report;
}
