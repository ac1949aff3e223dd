// The second start-up floor: the program's main window built with plain Win32 calls and no
// framework (FloorMainWindow.cpp), run as the program runs it.
#include <windows.h>
#include <commctrl.h>

#include "bench/FloorMainWindow.h"
#include "res/resource.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);
    HACCEL keys = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    HWND main = CreateFloorMainWindow(instance, true);
    if (!main) return 1;
    ::ShowWindow(main, SW_SHOWNORMAL);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::TranslateAcceleratorW(main, keys, &msg) || ::IsDialogMessageW(main, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
