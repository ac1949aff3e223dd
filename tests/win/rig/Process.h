// Running the real kestrowinda.exe from a test under Wine and driving it from outside, through
// window messages only (the same prefix and display as the test program).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win/rig/Ui.h"

namespace rig {

// The built program, as a Windows path.
std::wstring ProgramPath();

class AppProcess {
  public:
    AppProcess() = default;
    ~AppProcess();  // a program still running is ended
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Copies the program into `folder` (under `exeName`) and starts it there.
    bool Start(const std::wstring& folder, const std::wstring& exeName = L"kestrowinda.exe");

    DWORD Id() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    bool Running() const;
    // Waits for the end; returns the exit status, or -1 when it did not end in time.
    int WaitForExit(int timeoutMs = 10000);

    // Visible top-level dialog of this process with `caption`, or null after the timeout.
    HWND WaitForDialog(const std::wstring& caption, int timeoutMs = 10000) const;
    // The main window, once visible.
    HWND WaitForMainWindow(int timeoutMs = 15000) const;
    // A visible message box of this process, or null after the timeout.
    HWND WaitForMessageBox(int timeoutMs = 10000) const;
    // Waits for a message box, records it and presses `button`; the text is empty when none came.
    SeenBox Answer(int button, int timeoutMs = 10000) const;
    // Visible top-level windows of the process.
    std::vector<HWND> TopWindows() const;

  private:
    PROCESS_INFORMATION m_info{};
};

// Controls of another process.
std::wstring RemoteStatusText(HWND statusBar, int part);
std::vector<int> RemoteStatusParts(HWND statusBar);
struct RemoteButton {
    int command;
    bool separator;
    bool enabled;
};
std::vector<RemoteButton> RemoteToolbarButtons(HWND toolbar);
std::vector<std::vector<std::wstring>> RemoteListRows(HWND listView, int columns);

// Sends a key with modifiers to the foreground window through the system's input queue.
void PressKeys(std::initializer_list<WORD> keys);

}  // namespace rig
