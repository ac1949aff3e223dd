#include "framework/WinApp.h"

#include <cstdlib>

#include "framework/Dialog.h"

CWinApp* CWinApp::s_app = nullptr;

CWinApp::CWinApp() {
    s_app = this;
}

CWinApp::~CWinApp() {
    if (s_app == this) s_app = nullptr;
}

int CWinApp::Run(HINSTANCE instance) {
    m_hInstance = instance;
    const std::wstring path = ExecutablePath();
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.resize(dot);
    m_strAppName = name;
    // Every path of InitInstance returns false once the main window has run to completion;
    // the process then ends normally.
    InitInstance();
    return 0;
}

HINSTANCE AppInstance() {
    if (CWinApp* app = CWinApp::Get(); app && app->m_hInstance) return app->m_hInstance;
    return ::GetModuleHandleW(nullptr);
}

HWND AppMainWindow() {
    CWinApp* app = CWinApp::Get();
    return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

std::wstring ExecutablePath() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, length < MAX_PATH ? length : MAX_PATH - 1);
}

std::wstring ExecutableFolder() {
    std::wstring path = ExecutablePath();
    path.resize(path.find_last_of(L'\\') + 1);  // npos + 1 == 0: no backslash, no folder
    return path;
}

void EndProcess(int status) {
    std::exit(status);
}
