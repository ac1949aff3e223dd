#include "bench/StartUpParts.h"

#include <windows.h>

#include <vector>

#include "app/MainDialog.h"
#include "app/MainMenu.h"
#include "bench/FloorMainWindow.h"
#include "bench/Measures.h"
#include "printer/PrinterDiscovery.h"
#include "printer/WinPrinterSpooler.h"
#include "res/resource.h"

namespace {

HWND HiddenWindow() {
    return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 500, 500, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// Creates the six pages in a hidden window, as the main window does, and destroys them again.
double TimePages() {
    HWND parent = HiddenWindow();
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
    HWND window = HiddenWindow();
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

}  // namespace

StartUpParts MeasureStartUpParts(int rounds) {
    StartUpParts result;
    WinPrinterSpooler spooler;
    for (int i = 0; i < rounds; ++i) {
        bool found = false;
        TimePart(result.discovery, [&] { found = !EnumerateModelPrinters(spooler, true).empty(); });
        if (!found) return {};
    }
    for (int i = 0; i < rounds; ++i) {
        result.pages.push_back(TimePages());
        result.iconMenu.push_back(TimeMenu(false));
        result.plainMenu.push_back(TimeMenu(true));
        CPrinterSelectDialog select;
        select.m_bStartupDone = 0;
        TimePart(result.selectDialog, [&] { select.DoModal(nullptr); });
    }
    // The program's window and the plain one in turn, each shown and ended the same way.
    for (int i = 0; i < rounds; ++i) {
        g_windowShownAt = 0;
        double start = Now();
        {
            CMainDialog dialog;
            ::SetTimer(nullptr, 0, 1, EndWhenShown);
            dialog.DoModal();
        }
        if (g_windowShownAt > 0) result.mainWindow.push_back(g_windowShownAt - start);

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
        if (g_windowShownAt > 0) result.floorWindow.push_back(g_windowShownAt - start);
    }
    return result;
}
