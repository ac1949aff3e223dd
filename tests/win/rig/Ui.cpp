#include "tests/win/rig/Ui.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <iosfwd>
#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include "framework/Dialog.h"

namespace rig {

namespace {

constexpr DWORD kStepTimeoutMs = 15000;
constexpr DWORD kUnexpectedGraceMs = 2000;
constexpr UINT kTickMs = 20;

thread_local UiScript* t_script = nullptr;

bool IsTopLevelDialog(HWND hwnd) {
    wchar_t name[16] = {};
    ::GetClassNameW(hwnd, name, 16);
    return std::wstring(name) == L"#32770" && !(::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD);
}

std::string Narrow(const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

}  // namespace

void Pump(int ms) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    MSG msg;
    do {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(timeoutMs);
    while (!done()) {
        if (static_cast<LONG>(end - ::GetTickCount()) <= 0) return false;
        Pump(10);
    }
    return true;
}

std::wstring Text(HWND window) {
    return GetWindowTextString(window);
}

std::wstring ItemText(HWND dialog, int id) {
    return GetWindowTextString(::GetDlgItem(dialog, id));
}

void SetItemText(HWND dialog, int id, const std::wstring& text) {
    ::SetDlgItemTextW(dialog, id, text.c_str());
}

void Click(HWND dialog, int id) {
    ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id) {
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

std::wstring ComboText(HWND dialog, int id) {
    HWND combo = ::GetDlgItem(dialog, id);
    const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return L"";
    wchar_t buffer[256] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void ChooseCombo(HWND dialog, int id, const std::wstring& text) {
    HWND combo = ::GetDlgItem(dialog, id);
    const LRESULT index = ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_NE(index, CB_ERR) << "no entry " << Narrow(text);
    ::SendMessageW(combo, CB_SETCURSEL, index, 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
}

std::vector<std::wstring> ComboEntries(HWND dialog, int id) {
    HWND combo = ::GetDlgItem(dialog, id);
    std::vector<std::wstring> entries;
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        entries.emplace_back(buffer);
    }
    return entries;
}

void EnterFileName(HWND fileDialog, const std::wstring& path) {
    // Wine's dialogs keep the file name in the edit of ComboBoxEx32 1148 (the system's own
    // dialogs in edit 1152).
    HWND edit = nullptr;
    if (HWND combo = ::GetDlgItem(fileDialog, 1148)) {
        edit = ::FindWindowExW(combo, nullptr, L"ComboBox", nullptr);
        edit = edit ? ::FindWindowExW(edit, nullptr, L"Edit", nullptr)
                    : ::FindWindowExW(combo, nullptr, L"Edit", nullptr);
        if (!edit) edit = combo;
    }
    if (!edit) edit = ::GetDlgItem(fileDialog, 1152);
    ASSERT_NE(edit, nullptr) << "no file name field";
    ::SetWindowTextW(edit, path.c_str());
    ::PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(fileDialog, IDOK)));
}

bool IsMessageBox(HWND window) {
    if (!IsTopLevelDialog(window)) return false;
    bool any = false;
    for (HWND child = ::GetWindow(window, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        const std::wstring kind = name;
        const int id = ::GetDlgCtrlID(child);
        if (kind == L"Button") continue;
        if (kind == L"Static" && (id == 0xFFFF || id == 1088)) {
            any = true;
            continue;
        }
        return false;
    }
    return any;
}

SeenBox Inspect(HWND box) {
    SeenBox seen;
    seen.caption = Text(box);
    seen.text = ItemText(box, 0xFFFF);
    const auto icon = reinterpret_cast<HICON>(::SendDlgItemMessageW(box, 1088, STM_GETICON, 0, 0));
    if (icon) {
        if (icon == ::LoadIconW(nullptr, IDI_EXCLAMATION)) seen.icon = Icon::Exclamation;
        if (icon == ::LoadIconW(nullptr, IDI_ASTERISK)) seen.icon = Icon::Information;
        if (icon == ::LoadIconW(nullptr, IDI_HAND)) seen.icon = Icon::Stop;
        if (icon == ::LoadIconW(nullptr, IDI_QUESTION)) seen.icon = Icon::Question;
    }
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = {};
        ::GetClassNameW(child, name, 32);
        if (std::wstring(name) == L"Button" && ::IsWindowVisible(child)) {
            seen.buttons.push_back(::GetDlgCtrlID(child));
        }
    }
    return seen;
}

UiScript::UiScript() : m_previous(t_script) {
    t_script = this;
    m_hook = ::SetWindowsHookExW(WH_CBT, CbtHook, nullptr, ::GetCurrentThreadId());
    m_timer = ::SetTimer(nullptr, 0, kTickMs, Tick);
}

UiScript::~UiScript() {
    ::KillTimer(nullptr, m_timer);
    ::UnhookWindowsHookEx(m_hook);
    t_script = m_previous;
    for (const Step& step : m_steps) {
        ADD_FAILURE() << "a scripted dialog never came: "
                      << (step.messageBox ? "message box" : Narrow(step.caption));
    }
}

void UiScript::OnDialog(const std::wstring& caption, Action action) {
    m_steps.push_back({caption, false, 0, std::move(action), ::GetTickCount()});
}

void UiScript::AnswerMessageBox(int button) {
    m_steps.push_back({L"", true, button, nullptr, ::GetTickCount()});
}

LRESULT CALLBACK UiScript::CbtHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && t_script) {
        auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lp);
        const auto hwnd = reinterpret_cast<HWND>(wp);
        wchar_t name[16] = {};
        ::GetClassNameW(hwnd, name, 16);
        if (!(create->lpcs->style & WS_CHILD) && std::wstring(name) == L"#32770") {
            t_script->m_pending.push_back({hwnd, 0, false});
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

void CALLBACK UiScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (t_script) t_script->OnTick();
}

void UiScript::OnTick() {
    const DWORD now = ::GetTickCount();
    if (!m_steps.empty() && now - m_steps.front().queuedAt > kStepTimeoutMs) {
        const Step& step = m_steps.front();
        std::fprintf(stderr, "FATAL: scripted dialog did not come within %lu ms: %s\n",
                     static_cast<unsigned long>(kStepTimeoutMs),
                     step.messageBox ? "message box" : Narrow(step.caption).c_str());
        std::fflush(stderr);
        ::ExitProcess(3);
    }
    for (std::size_t i = 0; i < m_pending.size(); ++i) {
        Pending& pending = m_pending[i];
        HWND hwnd = pending.hwnd;
        if (!::IsWindow(hwnd)) {
            m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(i--));
            continue;
        }
        if (!IsTopLevelDialog(hwnd) || !::IsWindowVisible(hwnd)) continue;
        if (pending.seenAt == 0) pending.seenAt = now ? now : 1;
        if (pending.cancelled) {
            if (now - pending.seenAt > kStepTimeoutMs) {
                std::fprintf(stderr, "FATAL: an unexpected dialog \"%s\" does not close\n",
                             Narrow(Text(hwnd)).c_str());
                std::fflush(stderr);
                ::ExitProcess(3);
            }
            continue;
        }
        const bool haveStep = !m_steps.empty();
        const bool matches =
            haveStep && (m_steps.front().messageBox ? IsMessageBox(hwnd)
                                                    : m_steps.front().caption.empty() ||
                                                          m_steps.front().caption == Text(hwnd));
        if (matches) {
            Step step = std::move(m_steps.front());
            m_steps.pop_front();
            if (!m_steps.empty()) m_steps.front().queuedAt = now;
            m_pending.erase(m_pending.begin() + static_cast<std::ptrdiff_t>(i));
            Run(hwnd, std::move(step));
            return;  // the lists may have changed while the step ran
        }
        if (!haveStep && now - pending.seenAt < kUnexpectedGraceMs) continue;
        const SeenBox seen = Inspect(hwnd);
        m_unexpected.push_back(seen);
        ADD_FAILURE() << "unexpected dialog \"" << Narrow(seen.caption)
                      << "\": " << Narrow(seen.text);
        pending.cancelled = true;
        pending.seenAt = now;
        ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void UiScript::Run(HWND dialog, Step step) {
    if (!step.messageBox) {
        step.action(dialog);
        return;
    }
    const SeenBox seen = Inspect(dialog);
    m_answered.push_back(seen);
    int button = step.button;
    bool offered = false;
    for (int id : seen.buttons)
        offered = offered || id == button;
    if (!offered) {
        ADD_FAILURE() << "message box \"" << Narrow(seen.text) << "\" has no button " << button;
        button = seen.buttons.empty() ? IDCANCEL : seen.buttons.front();
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

}  // namespace rig
