// The application object: one per program, entered from wWinMain.
#pragma once

#include <windows.h>

#include <string>

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by wWinMain; returns the process exit status.
    int Run(HINSTANCE instance);

    virtual BOOL InitInstance() { return FALSE; }

    static CWinApp* Get() { return s_app; }

    HINSTANCE m_hInstance = nullptr;
    // The executable's file name without extension.
    std::wstring m_strAppName;
    CDialog* m_pMainWnd = nullptr;

private:
    static CWinApp* s_app;
};

// The module that holds the program's resources.
HINSTANCE AppInstance();
// The application's main window, or null.
HWND AppMainWindow();
// The full path of `module` (null: the executable), however long; empty when unknown.
std::wstring ModulePath(HMODULE module);
// The executable's full path, and its folder cut after the last backslash (kept).
std::wstring ExecutablePath();
std::wstring ExecutableFolder();

// Ends the process at once with `status`, after the normal process-exit clean-up.
[[noreturn]] void EndProcess(int status);
