// Running the real kestrowinda.exe from a test under Wine and driving it from outside, through
// window messages only (the same prefix and display as the test program).
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
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
    // The same for another program, from `source`.
    bool StartCopyOf(const std::wstring& source, const std::wstring& folder,
                     const std::wstring& exeName);
    // Starts `exe` where it is (an installed program), in its own folder.
    bool StartInPlace(const std::wstring& exe);

    DWORD Id() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    bool Running() const;
    // Waits for the end; returns the exit status, or -1 when it did not end in time.
    int WaitForExit(int timeoutMs = 10000);
    // "running" or "ended with status N", for failure messages.
    std::string State() const;

    // Visible top-level dialog of this process with `caption`, or null after the timeout.
    HWND WaitForDialog(const std::wstring& caption, int timeoutMs = 10000) const;
    // The main window, once visible.
    HWND WaitForMainWindow(int timeoutMs = 15000) const;
    // The open Open or Save As dialog of the program.
    HWND WaitForFileDialog(bool forSaving, int timeoutMs = 10000) const;
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
// Types the characters of `text` into the foreground window.
void TypeText(const std::wstring& text);
// Makes `window` the foreground window, so that keystrokes reach it; false when it did not.
bool BringToFront(HWND window);

// Messages to the windows of another process. Every call waits at most `timeoutMs`: a program
// that does not answer fails the test instead of hanging it.
LRESULT RemoteSend(HWND window, UINT message, WPARAM wp = 0, LPARAM lp = 0, int timeoutMs = 10000);
std::wstring RemoteText(HWND window);
void RemoteSetText(HWND window, const std::wstring& text);
// BM_CLICK on a button of `dialog`: the click and everything it starts has been handled when
// the call returns (so it must not open a modal dialog; post a command for that).
void RemoteClick(HWND dialog, int id);
bool RemoteChecked(HWND dialog, int id);
std::wstring RemoteComboText(HWND dialog, int id);
// Selects the entry `text` of a drop-down list and tells `dialog`, as choosing it with the
// mouse does.
void RemoteChooseCombo(HWND dialog, int id, const std::wstring& text);
// Gives row `row` of a list view the selected and focused states (and takes them from others).
void RemoteSelectRow(HWND listView, int row);
// The state of every button, combo box, edit and trackbar inside `window`, one text per control
// in window order, so that two moments can be compared.
std::vector<std::wstring> RemoteControlStates(HWND window);

// The running program's main window, seen from outside.
class MainWindow {
public:
    explicit MainWindow(HWND hwnd = nullptr) : m_hwnd(hwnd) {}
    HWND Hwnd() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }

    HWND ToolBar() const;
    HWND StatusBar() const;
    HWND Tab() const;
    int SelectedTab() const;
    // The page window of tab `index` (0 to 5), shown or not.
    HWND Page(int index) const;
    bool PageVisible(int index) const;
    // Posts the page's menu command and waits until the page shows; its window, or null.
    HWND ShowPage(int index) const;
    // Posts a command, as the menu and the toolbar do.
    void Command(int id) const;
    bool ToolEnabled(int id) const;
    std::wstring Status(int part) const;
    // The controls of all six pages (RemoteControlStates of each).
    std::vector<std::wstring> PageStates() const;

private:
    HWND m_hwnd;
};

// Types `path` into the file name field of the program's Open or Save As dialog and presses OK.
void RemoteEnterFileName(HWND fileDialog, const std::wstring& path);

// Whole files, for settings files that a flow writes or reads.
std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
// Runs a console program with its standard output and error in one pipe; returns what it wrote
// and sets `status` to its exit status (-1 when it could not run or did not end).
std::string RunConsole(const std::wstring& exe, const std::wstring& arguments, int& status);
// The same with standard output a pipe whose reader closed before the program started: returns
// what it wrote to its standard error.
std::string RunConsoleUnread(const std::wstring& exe, const std::wstring& arguments, int& status);
bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

// Picture of a screen area, kept as a 24-bit BMP file.
bool SaveScreenBmp(const RECT& area, const std::wstring& path);

}  // namespace rig
