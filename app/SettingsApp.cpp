#include "app/SettingsApp.h"

#include <commctrl.h>

#include <string>

#include "app/MainDialog.h"
#include "framework/Handles.h"

CSettingsApp theApp;

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";

}  // namespace

BOOL CSettingsApp::InitInstance() {
    // No ActiveX controls are hosted and the controls draw themselves in 3-D: the common
    // controls library is all there is to initialise.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                        ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_UPDOWN_CLASS};
    ::InitCommonControlsEx(&controls);

    // One copy per application name (the exe's file name): a renamed copy is a separate
    // instance. A second start brings the running copy to the front and shows nothing.
    UniqueKernelHandle running(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, m_strAppName.c_str()));
    if (running) {
        if (HWND window = ::FindWindowW(L"#32770", kMainCaption)) {
            if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
            ::SetForegroundWindow(window);
        }
        return FALSE;
    }
    // A mutex that cannot be created is not reported; the program then runs as if it had been.
    UniqueKernelHandle mutex(::CreateMutexW(nullptr, TRUE, m_strAppName.c_str()));

    CMainDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();  // the result is not used
    m_pMainWnd = nullptr;
    return FALSE;
}
