// Driving the program's windows from a test in the same thread: pumping messages, reading
// controls, and a script of answers for the dialogs and message boxes that come up.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace rig {

// Runs the thread's messages for `ms` milliseconds.
void Pump(int ms);
// Runs messages until `done` holds or `timeoutMs` has passed; returns whether it holds.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

std::wstring Text(HWND window);
std::wstring ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::wstring& text);
// Clicks a button the way the mouse does (BM_CLICK): the parent gets BN_CLICKED.
void Click(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// Selected text of a combo box ("" when none).
std::wstring ComboText(HWND dialog, int id);
// Selects the entry `text` of a drop-down list and tells the parent, as the user would.
void ChooseCombo(HWND dialog, int id, const std::wstring& text);
// Texts of all entries of a combo box, in list order.
std::vector<std::wstring> ComboEntries(HWND dialog, int id);

// Types a full path into a standard Open or Save As dialog and presses its OK button.
void EnterFileName(HWND fileDialog, const std::wstring& path);

enum class Icon { None, Exclamation, Information, Stop, Question };

struct SeenBox {
    std::wstring caption;
    std::wstring text;
    Icon icon = Icon::None;
    std::vector<int> buttons;  // ids of the buttons it offered
};

// A message box (or any dialog) as it shows now.
SeenBox Inspect(HWND box);
bool IsMessageBox(HWND window);

// Answers the top-level dialogs that this thread opens, in order. Each step waits for the next
// dialog to become visible and then runs in the nested modal loop of that dialog, so a step may
// itself start commands that open further dialogs: their steps are simply queued after it.
// A dialog that nobody expected is recorded and cancelled; a step that waits more than ten
// seconds ends the test program with a message, so a test never hangs.
class UiScript {
public:
    using Action = std::function<void(HWND dialog)>;

    UiScript();
    ~UiScript();
    UiScript(const UiScript&) = delete;
    UiScript& operator=(const UiScript&) = delete;

    // The next dialog whose caption equals `caption` (any caption when empty) gets `action`.
    void OnDialog(const std::wstring& caption, Action action);
    // The next dialog must be a message box: it is recorded and `button` is pressed.
    void AnswerMessageBox(int button);

    // Message boxes answered so far, in order.
    const std::vector<SeenBox>& Answered() const { return m_answered; }
    // Dialogs that came up with no step for them.
    const std::vector<SeenBox>& Unexpected() const { return m_unexpected; }
    // True when every step has run.
    bool Done() const { return m_steps.empty(); }

private:
    struct Step {
        std::wstring caption;
        bool messageBox = false;
        int button = 0;
        Action action;
        DWORD queuedAt = 0;
    };
    struct Pending {
        HWND hwnd;
        DWORD seenAt;
        bool cancelled;
    };

    static LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp);
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();
    void Run(HWND dialog, Step step);

    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;
    UiScript* m_previous = nullptr;
    std::deque<Step> m_steps;
    std::vector<Pending> m_pending;
    std::vector<SeenBox> m_answered;
    std::vector<SeenBox> m_unexpected;
};

}  // namespace rig
