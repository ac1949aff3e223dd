// The real program at 96 and at 144 DPI (100 % and 150 %), seen from outside: no control of the
// printer selection, the main window with each of its six pages, the form dialog or the About
// box reaches past the client area of the window that holds it, and each page stays inside the
// tab control and above the status bar. Dialog units grow with the font, but the toolbar, the
// status bar, the tabs and the closed height of a drop-down list do not grow by the same factor.
// CTest runs the program once per DPI, each time in a Wine session that starts at that DPI
// (run-in-wine.sh --dpi), since Wine 10 shows a program that starts at another DPI than its
// session scaled to the session's.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win/rig/Dpi.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"

namespace {

std::wstring RectText(const RECT& r) {
    return L"(" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L")-(" +
           std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom) + L")";
}

std::wstring Describe(HWND control) {
    wchar_t name[64] = {};
    ::GetClassNameW(control, name, 64);
    return std::wstring(name) + L" " + std::to_wstring(::GetDlgCtrlID(control)) + L" \"" +
           rig::RemoteText(control) + L"\"";
}

RECT ScreenRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

RECT ClientOnScreen(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

BOOL CALLBACK CollectVisibleChild(HWND child, LPARAM list) {
    if (::IsWindowVisible(child)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

// Every visible control inside `window`, at any depth, whose window reaches past the client area
// of its parent; one line each. A one-pixel border may lie on the parent's edge: the toolbar
// places itself so, at every DPI, and hides nothing but that line.
std::wstring CutOffControls(HWND window) {
    std::vector<HWND> children;
    ::EnumChildWindows(window, CollectVisibleChild, reinterpret_cast<LPARAM>(&children));
    std::wstring report;
    for (HWND child : children) {
        HWND parent = ::GetAncestor(child, GA_PARENT);
        const RECT area = ClientOnScreen(parent);
        const RECT rect = ScreenRect(child);
        RECT content = rect;
        if (::GetWindowLongW(child, GWL_STYLE) & WS_BORDER) {
            ::InflateRect(&content, -::GetSystemMetrics(SM_CXBORDER),
                          -::GetSystemMetrics(SM_CYBORDER));
        }
        if (Inside(content, area)) continue;
        report += Describe(child) + L" at " + RectText(rect) + L" outside " + Describe(parent) +
                  L" client " + RectText(area) + L"\n";
    }
    return report;
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Width of the printer selection made in this process, at the DPI that it started with.
int OwnPrinterSelectWidth() {
    HWND dialog =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PRINTER_SELECT),
                             nullptr, InertDialogProc, 0);
    const RECT r = ScreenRect(dialog);
    ::DestroyWindow(dialog);
    return r.right - r.left;
}

int OwnDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

// The DPI that run-in-wine.sh --dpi started this Wine session at; 96 without one.
int SessionDpi() {
    const wchar_t* value = _wgetenv(L"KW_TEST_DPI");
    return value ? _wtoi(value) : 96;
}

TEST(DpiTest, NoControlIsCutOff) {
    const int dpi = SessionDpi();
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    ASSERT_EQ(OwnDpi(), dpi) << "the Wine session did not start at " << dpi
                             << " DPI: LogPixels under HKCU\\Control Panel\\Desktop did not take";
    const int ownWidth = OwnPrinterSelectWidth();
    rig::UseScreenPixels();
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    printers.Add(L"Vek Brelvistoka 410ZQ (2F)", L"LPT2:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"dpi" + std::to_wstring(dpi)));

    HWND select = app.WaitForDialog(L"プリンタの選択");
    ASSERT_NE(select, nullptr);
    const RECT selectRect = ScreenRect(select);
    EXPECT_EQ(rig::WindowDpi(select), static_cast<UINT>(dpi))
        << "the program did not run at " << dpi << " DPI";
    // On the screen too: as wide as the same template made in this process at this DPI.
    ASSERT_NEAR(static_cast<double>(selectRect.right - selectRect.left) / ownWidth, 1.0, 0.15)
        << "the program is shown scaled, not laid out at " << dpi << " DPI";
    EXPECT_EQ(CutOffControls(select), L"") << "printer selection";
    ::PostMessageW(select, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main);
    const RECT tab = ScreenRect(main.Tab());
    const RECT status = ScreenRect(main.StatusBar());
    for (int i = 0; i < 6; ++i) {
        HWND page = main.ShowPage(i);
        ASSERT_NE(page, nullptr) << "page " << i;
        EXPECT_EQ(CutOffControls(main.Hwnd()), L"") << "main window with page " << i;
        const RECT shown = ScreenRect(page);
        EXPECT_TRUE(Inside(shown, tab) && shown.bottom <= status.top)
            << "page " << i << " at " << RectText(shown) << ", tab control " << RectText(tab)
            << ", status bar from " << status.top;
    }

    HWND first = main.Page(0);
    rig::RemoteChooseCombo(first, IDC_SEL_FORM, L"書式１");
    ::PostMessageW(::GetDlgItem(first, IDC_SEL_FORM_SETTINGS), BM_CLICK, 0, 0);
    HWND form = app.WaitForDialog(L"書式の設定： 書式１");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(CutOffControls(form), L"") << "form dialog";
    ::PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(form); }));

    main.Command(ID_APP_ABOUT);
    HWND about = app.WaitForDialog(L"バージョン情報");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(CutOffControls(about), L"") << "About box";
    ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(about); }));
}

}  // namespace
