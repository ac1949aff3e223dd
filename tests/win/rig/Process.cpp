#include "tests/win/rig/Process.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "framework/Handles.h"
#include "res/resource.h"

namespace rig {

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";

// Processes that once let a message time out. (SMTO_ABORTIFHUNG would do this, but under Wine
// it waits without end for a thread that stopped.)
std::vector<DWORD> g_silentProcesses;

bool IsSilent(DWORD pid) {
    return std::find(g_silentProcesses.begin(), g_silentProcesses.end(), pid) !=
           g_silentProcesses.end();
}

bool IsSilentWindow(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return IsSilent(pid);
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

// A buffer inside another process, freed with the object.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, std::size_t size) : m_size(size) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        m_process =
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process) {
            m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                         PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (m_address) ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process) ::CloseHandle(m_process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    LPARAM Address() const { return reinterpret_cast<LPARAM>(m_address); }
    bool Write(const void* data, std::size_t size) const {
        return m_address && ::WriteProcessMemory(m_process, m_address, data, size, nullptr);
    }
    bool Read(void* data, std::size_t size) const {
        return m_address && ::ReadProcessMemory(m_process, m_address, data, size, nullptr);
    }

private:
    std::size_t m_size;
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
};

}  // namespace

std::wstring ProgramPath() {
#ifdef KW_PROGRAM_UNIX_PATH
    std::wstring unixPath = L"" KW_PROGRAM_UNIX_PATH;
#else
    const wchar_t* fromEnvironment = _wgetenv(L"KW_PROGRAM_UNIX_PATH");
    std::wstring unixPath = fromEnvironment ? fromEnvironment : L"";
#endif
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

AppProcess::~AppProcess() {
    std::erase(g_silentProcesses, m_info.dwProcessId);
    if (m_info.hProcess) {
        if (Running()) {
            ::TerminateProcess(m_info.hProcess, 99);
            ::WaitForSingleObject(m_info.hProcess, 5000);
        }
        ::CloseHandle(m_info.hThread);
        ::CloseHandle(m_info.hProcess);
    }
}

bool AppProcess::Start(const std::wstring& folder, const std::wstring& exeName) {
    return StartCopyOf(ProgramPath(), folder, exeName);
}

bool AppProcess::StartCopyOf(const std::wstring& source, const std::wstring& folder,
                             const std::wstring& exeName) {
    std::wstring dir = folder;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring exe = dir + exeName;
    if (!::CopyFileW(source.c_str(), exe.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the program (error " << ::GetLastError() << ")";
        return false;
    }
    return StartInPlace(exe);
}

bool AppProcess::StartInPlace(const std::wstring& exe) {
    const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + exe + L"\"";
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          dir.c_str(), &startup, &m_info)) {
        ADD_FAILURE() << "cannot start the program (error " << ::GetLastError() << ")";
        return false;
    }
    return true;
}

bool AppProcess::Running() const {
    return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

int AppProcess::WaitForExit(int timeoutMs) {
    if (::WaitForSingleObject(m_info.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD status = 0;
    ::GetExitCodeProcess(m_info.hProcess, &status);
    return static_cast<int>(status);
}

std::string AppProcess::State() const {
    DWORD status = 0;
    if (Running() || !::GetExitCodeProcess(m_info.hProcess, &status)) return "running";
    return "ended with status " + std::to_string(status);
}

namespace {

// Enumeration callbacks are named functions: a lambda does not convert to the 32-bit stdcall
// callback type with every compiler.
struct WindowsOfProcess {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindowOfProcess(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowsOfProcess*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && ::IsWindowVisible(hwnd)) s->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> AppProcess::TopWindows() const {
    WindowsOfProcess search{m_info.dwProcessId, {}};
    ::EnumWindows(CollectVisibleWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AppProcess::WaitForDialog(const std::wstring& caption, int timeoutMs) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND hwnd : TopWindows()) {
                if (ClassName(hwnd) == L"#32770" && Text(hwnd) == caption) {
                    found = hwnd;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

HWND AppProcess::WaitForMainWindow(int timeoutMs) const {
    return WaitForDialog(kMainCaption, timeoutMs);
}

HWND AppProcess::WaitForFileDialog(bool forSaving, int timeoutMs) const {
    return WaitForDialog(forSaving ? L"Save As" : L"Open", timeoutMs);
}

HWND AppProcess::WaitForMessageBox(int timeoutMs) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND hwnd : TopWindows()) {
                if (IsMessageBox(hwnd)) {
                    found = hwnd;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

SeenBox AppProcess::Answer(int button, int timeoutMs) const {
    HWND box = WaitForMessageBox(timeoutMs);
    if (!box) return {};
    // Inspect asks the box for its icon without a time limit: only ask one that answers.
    RemoteSend(box, WM_NULL);
    if (IsSilentWindow(box)) return {};
    SeenBox seen = Inspect(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    WaitFor([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, 5000);
    return seen;
}

std::wstring RemoteStatusText(HWND statusBar, int part) {
    const LRESULT length = RemoteSend(statusBar, SB_GETTEXTLENGTHW, part, 0);
    const std::size_t chars = LOWORD(length) + 1;
    RemoteBuffer buffer(statusBar, chars * sizeof(wchar_t));
    RemoteSend(statusBar, SB_GETTEXTW, part, buffer.Address());
    std::wstring text(chars, L'\0');
    buffer.Read(text.data(), chars * sizeof(wchar_t));
    text.resize(chars - 1);
    return text;
}

std::vector<int> RemoteStatusParts(HWND statusBar) {
    int edges[8] = {};
    RemoteBuffer buffer(statusBar, sizeof(edges));
    const auto count = static_cast<int>(RemoteSend(statusBar, SB_GETPARTS, 8, buffer.Address()));
    buffer.Read(edges, sizeof(edges));
    return std::vector<int>(edges, edges + (count > 0 ? count : 0));
}

std::vector<RemoteButton> RemoteToolbarButtons(HWND toolbar) {
    std::vector<RemoteButton> buttons;
    const auto count = static_cast<int>(RemoteSend(toolbar, TB_BUTTONCOUNT, 0, 0));
    RemoteBuffer buffer(toolbar, sizeof(TBBUTTON));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RemoteSend(toolbar, TB_GETBUTTON, i, buffer.Address());
        buffer.Read(&button, sizeof(button));
        buttons.push_back({button.idCommand, (button.fsStyle & BTNS_SEP) != 0,
                           (button.fsState & TBSTATE_ENABLED) != 0});
    }
    return buttons;
}

std::vector<std::vector<std::wstring>> RemoteListRows(HWND listView, int columns) {
    std::vector<std::vector<std::wstring>> rows;
    const auto count = static_cast<int>(RemoteSend(listView, LVM_GETITEMCOUNT, 0, 0));
    constexpr std::size_t kChars = 512;
    RemoteBuffer buffer(listView, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    for (int i = 0; i < count; ++i) {
        std::vector<std::wstring> row;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.cchTextMax = kChars;
            item.pszText = reinterpret_cast<wchar_t*>(buffer.Address() + sizeof(LVITEMW));
            buffer.Write(&item, sizeof(item));
            RemoteSend(listView, LVM_GETITEMTEXTW, i, buffer.Address());
            std::vector<wchar_t> all(sizeof(LVITEMW) / sizeof(wchar_t) + kChars);
            buffer.Read(all.data(), all.size() * sizeof(wchar_t));
            all.back() = L'\0';
            row.emplace_back(all.data() + sizeof(LVITEMW) / sizeof(wchar_t));
        }
        rows.push_back(row);
    }
    return rows;
}

namespace {

INPUT Key(WORD vk, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return input;
}

}  // namespace

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys)
        inputs.push_back(Key(key, 0, 0));
    for (auto it = keys.end(); it != keys.begin();)
        inputs.push_back(Key(*--it, 0, KEYEVENTF_KEYUP));
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Pump(100);
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        inputs.push_back(Key(0, c, KEYEVENTF_UNICODE));
        inputs.push_back(Key(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Pump(100);
}

bool BringToFront(HWND window) {
    ::SetForegroundWindow(window);
    return WaitFor([&] { return ::GetForegroundWindow() == window; }, 3000);
}

LRESULT RemoteSend(HWND window, UINT message, WPARAM wp, LPARAM lp, int timeoutMs) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    // A program that stopped answering fails every later call at once, so that a hung
    // program costs one timeout and not one per control.
    if (IsSilent(pid)) {
        ADD_FAILURE() << "window " << window << " did not answer: its program stopped answering";
        return 0;
    }
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wp, lp, SMTO_NORMAL, static_cast<UINT>(timeoutMs),
                               &result)) {
        ADD_FAILURE() << "window " << window << " did not answer message 0x" << std::hex << message
                      << " in time";
        if (pid != 0) g_silentProcesses.push_back(pid);
        return 0;
    }
    return static_cast<LRESULT>(result);
}

std::wstring RemoteText(HWND window) {
    const auto length = RemoteSend(window, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const auto copied =
        RemoteSend(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void RemoteSetText(HWND window, const std::wstring& text) {
    RemoteSend(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RemoteClick(HWND dialog, int id) {
    HWND button = ::GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    RemoteSend(button, BM_CLICK);
}

bool RemoteChecked(HWND dialog, int id) {
    return RemoteSend(::GetDlgItem(dialog, id), BM_GETCHECK) == BST_CHECKED;
}

std::wstring RemoteComboText(HWND dialog, int id) {
    HWND combo = ::GetDlgItem(dialog, id);
    const auto index = RemoteSend(combo, CB_GETCURSEL);
    if (index == CB_ERR) return L"";
    const auto length = RemoteSend(combo, CB_GETLBTEXTLEN, index);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const auto copied =
        RemoteSend(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void RemoteChooseCombo(HWND dialog, int id, const std::wstring& text) {
    HWND combo = ::GetDlgItem(dialog, id);
    const auto index = RemoteSend(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_NE(index, CB_ERR) << "no such entry in combo box " << id;
    RemoteSend(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
    RemoteSend(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void RemoteSelectRow(HWND listView, int row) {
    RemoteBuffer buffer(listView, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    buffer.Write(&item, sizeof(item));
    RemoteSend(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), buffer.Address());
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    buffer.Write(&item, sizeof(item));
    RemoteSend(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(row), buffer.Address());
}

std::vector<std::wstring> RemoteControlStates(HWND window) {
    std::vector<HWND> controls;
    ::EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&controls));
    std::vector<std::wstring> states;
    for (HWND control : controls) {
        const std::wstring kind = ClassName(control);
        const std::wstring id = std::to_wstring(::GetDlgCtrlID(control)) + L" ";
        const LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        if (kind == L"Button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
            states.push_back(id + RemoteText(control));
        } else if (kind == L"Button" && type != BS_GROUPBOX) {
            states.push_back(id + std::to_wstring(RemoteSend(control, BM_GETCHECK)));
        } else if (kind == L"ComboBox") {
            states.push_back(id + RemoteComboText(::GetParent(control), ::GetDlgCtrlID(control)));
        } else if (kind == L"Edit") {
            states.push_back(id + RemoteText(control));
        } else if (kind == TRACKBAR_CLASSW) {
            states.push_back(id + std::to_wstring(RemoteSend(control, TBM_GETPOS)));
        }
    }
    return states;
}

void RemoteEnterFileName(HWND fileDialog, const std::wstring& path) {
    // Wine's dialogs keep the file name in the edit of ComboBoxEx32 1148, the newer ones in
    // edit 1152.
    HWND edit = ::GetDlgItem(fileDialog, 1152);
    if (HWND combo = ::GetDlgItem(fileDialog, 1148)) {
        HWND inner = ::FindWindowExW(combo, nullptr, L"ComboBox", nullptr);
        edit = ::FindWindowExW(inner ? inner : combo, nullptr, L"Edit", nullptr);
    }
    ASSERT_NE(edit, nullptr) << "no file name field";
    RemoteSetText(edit, path);
    ::PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(fileDialog, IDOK)));
}

namespace {

// A control that only its own page has, and the command that shows the page.
struct PageMark {
    int control;
    int command;
};
constexpr PageMark kPages[] = {
    {IDC_SEL_TYPEFACE_MINCHO, ID_PAGE_SELECT}, {IDC_MSW1_COUNTRY, ID_PAGE_MSW1},
    {IDC_MSW2_COLUMNS_136, ID_PAGE_MSW2},      {IDC_MSW3_LAN_NONE, ID_PAGE_MSW3},
    {IDC_MSW4_CUT_FEED_OFF, ID_PAGE_MSW4},     {IDC_HW_LOAD_TIME, ID_PAGE_HARDWARE},
};

}  // namespace

HWND MainWindow::ToolBar() const {
    return ::FindWindowExW(m_hwnd, nullptr, TOOLBARCLASSNAMEW, nullptr);
}

HWND MainWindow::StatusBar() const {
    return ::FindWindowExW(m_hwnd, nullptr, STATUSCLASSNAMEW, nullptr);
}

HWND MainWindow::Tab() const {
    return ::GetDlgItem(m_hwnd, IDC_TAB);
}

int MainWindow::SelectedTab() const {
    return static_cast<int>(RemoteSend(Tab(), TCM_GETCURSEL));
}

HWND MainWindow::Page(int index) const {
    const int mark = kPages[index].control;
    for (HWND child = ::GetWindow(m_hwnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) == L"#32770" && ::GetDlgItem(child, mark)) return child;
    }
    return nullptr;
}

bool MainWindow::PageVisible(int index) const {
    return ::IsWindowVisible(Page(index)) != FALSE;
}

HWND MainWindow::ShowPage(int index) const {
    Command(kPages[index].command);
    if (!WaitFor([&] { return PageVisible(index); })) return nullptr;
    return Page(index);
}

void MainWindow::Command(int id) const {
    ::PostMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool MainWindow::ToolEnabled(int id) const {
    return RemoteSend(ToolBar(), TB_ISBUTTONENABLED, static_cast<WPARAM>(id)) != 0;
}

std::wstring MainWindow::Status(int part) const {
    return RemoteStatusText(StatusBar(), part);
}

std::vector<std::wstring> MainWindow::PageStates() const {
    std::vector<std::wstring> states;
    for (int i = 0; i < 6; ++i) {
        const auto page = RemoteControlStates(Page(i));
        states.insert(states.end(), page.begin(), page.end());
    }
    return states;
}

namespace {

// Runs a console program with its standard error into a pipe that is read until it ends, and
// its standard output into the same pipe or, with `unread`, into one whose reader is gone.
std::string RunConsoleWith(const std::wstring& exe, const std::wstring& arguments, bool unread,
                           int& status) {
    status = -1;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr, unreadEnd = nullptr, unreadWrite = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    const UniqueKernelHandle reader(readEnd);
    UniqueKernelHandle writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    if (unread && !::CreatePipe(&unreadEnd, &unreadWrite, &inherit, 0)) return {};
    UniqueKernelHandle unreadWriter(unreadWrite);
    if (unread) ::CloseHandle(unreadEnd);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = unread ? unreadWrite : writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &info)) {
        return {};
    }
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    writer.reset();  // the pipe ends when the child's copy closes
    unreadWriter.reset();

    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        output.append(buffer, got);
    DWORD code = 0;
    if (::WaitForSingleObject(info.hProcess, 10000) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(info.hProcess, &code)) {
        status = static_cast<int>(code);
    }
    return output;
}

}  // namespace

std::string RunConsole(const std::wstring& exe, const std::wstring& arguments, int& status) {
    return RunConsoleWith(exe, arguments, false, status);
}

std::string RunConsoleUnread(const std::wstring& exe, const std::wstring& arguments, int& status) {
    return RunConsoleWith(exe, arguments, true, status);
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool SaveScreenBmp(const RECT& area, const std::wstring& path) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    WindowDc screen(nullptr);
    UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&header),
                                           DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!screen || !memory || !bitmap) return false;
    {
        SelectObjectScope select(memory.get(), bitmap.get());
        if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top,
                      SRCCOPY)) {
            return false;
        }
    }
    ::GdiFlush();
    header.biSizeImage = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) return false;
    const bool written = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
                         std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                         std::fwrite(bits, header.biSizeImage, 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

}  // namespace rig
