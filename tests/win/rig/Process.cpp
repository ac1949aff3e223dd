#include "tests/win/rig/Process.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace rig {

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";

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
        if (m_address)
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            ::CloseHandle(m_process);
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
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

AppProcess::~AppProcess() {
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
    std::wstring dir = folder;
    if (!dir.empty() && dir.back() != L'\\')
        dir += L'\\';
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring exe = dir + exeName;
    if (!::CopyFileW(ProgramPath().c_str(), exe.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the program (error " << ::GetLastError() << ")";
        return false;
    }
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

std::vector<HWND> AppProcess::TopWindows() const {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{m_info.dwProcessId, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->pid && ::IsWindowVisible(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
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
    if (!box)
        return {};
    SeenBox seen = Inspect(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
    WaitFor([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, 5000);
    return seen;
}

std::wstring RemoteStatusText(HWND statusBar, int part) {
    const LRESULT length = ::SendMessageW(statusBar, SB_GETTEXTLENGTHW, part, 0);
    const std::size_t chars = LOWORD(length) + 1;
    RemoteBuffer buffer(statusBar, chars * sizeof(wchar_t));
    ::SendMessageW(statusBar, SB_GETTEXTW, part, buffer.Address());
    std::wstring text(chars, L'\0');
    buffer.Read(text.data(), chars * sizeof(wchar_t));
    text.resize(chars - 1);
    return text;
}

std::vector<int> RemoteStatusParts(HWND statusBar) {
    int edges[8] = {};
    RemoteBuffer buffer(statusBar, sizeof(edges));
    const auto count =
        static_cast<int>(::SendMessageW(statusBar, SB_GETPARTS, 8, buffer.Address()));
    buffer.Read(edges, sizeof(edges));
    return std::vector<int>(edges, edges + (count > 0 ? count : 0));
}

std::vector<RemoteButton> RemoteToolbarButtons(HWND toolbar) {
    std::vector<RemoteButton> buttons;
    const auto count = static_cast<int>(::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    RemoteBuffer buffer(toolbar, sizeof(TBBUTTON));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        ::SendMessageW(toolbar, TB_GETBUTTON, i, buffer.Address());
        buffer.Read(&button, sizeof(button));
        buttons.push_back({button.idCommand, (button.fsStyle & BTNS_SEP) != 0,
                           (button.fsState & TBSTATE_ENABLED) != 0});
    }
    return buttons;
}

std::vector<std::vector<std::wstring>> RemoteListRows(HWND listView, int columns) {
    std::vector<std::vector<std::wstring>> rows;
    const auto count = static_cast<int>(::SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
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
            ::SendMessageW(listView, LVM_GETITEMTEXTW, i, buffer.Address());
            std::vector<wchar_t> all(sizeof(LVITEMW) / sizeof(wchar_t) + kChars);
            buffer.Read(all.data(), all.size() * sizeof(wchar_t));
            all.back() = L'\0';
            row.emplace_back(all.data() + sizeof(LVITEMW) / sizeof(wchar_t));
        }
        rows.push_back(row);
    }
    return rows;
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Pump(100);
}

}  // namespace rig
