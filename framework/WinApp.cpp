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

std::wstring ModulePath(HMODULE module) {
    // A path longer than the buffer comes back cut off at the buffer's size, so the buffer
    // grows until the path fits; no path is longer than 32767 characters.
    std::wstring path;
    for (DWORD size = MAX_PATH; size <= 0x10000; size *= 2) {
        path.resize(size);
        const DWORD length = ::GetModuleFileNameW(module, path.data(), size);
        if (length == 0) break;
        if (length < size) {
            path.resize(length);
            return path;
        }
    }
    return std::wstring();
}

std::wstring ExecutablePath() {
    return ModulePath(nullptr);
}

std::wstring ExecutableFolder() {
    std::wstring path = ExecutablePath();
    path.resize(path.find_last_of(L'\\') + 1);  // npos + 1 == 0: no backslash, no folder
    return path;
}

void EndProcess(int status) {
    std::exit(status);
}
