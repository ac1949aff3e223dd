// The start-up floor of the benchmark: one empty modal dialog and nothing else, built with the
// same compiler and flags as the program. Built a second time with KW_FLOOR_WITH_PROGRAM_DLLS,
// it also loads the DLLs the program imports and the themed common controls of its manifest,
// which tells how much of the program's start-up those cost.
#include <windows.h>

#ifdef KW_FLOOR_WITH_PROGRAM_DLLS
#include <commctrl.h>
#include <commdlg.h>
#include <winspool.h>
#endif

namespace {

constexpr int kFloorDialog = 100;

INT_PTR CALLBACK FloorProc(HWND dialog, UINT message, WPARAM wp, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        ::EndDialog(dialog, LOWORD(wp));
        return TRUE;
    }
    if (message == WM_CLOSE) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
#ifdef KW_FLOOR_WITH_PROGRAM_DLLS
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!instance) {  // never: only keeps the imports
        ::ClosePrinter(nullptr);
        ::CommDlgExtendedError();
        ::RegCloseKey(nullptr);
        ::GetStockObject(0);
    }
#endif
    return static_cast<int>(
        ::DialogBoxParamW(instance, MAKEINTRESOURCEW(kFloorDialog), nullptr, FloorProc, 0));
}
