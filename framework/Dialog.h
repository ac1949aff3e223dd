// Dialogs from resource templates: run modally with their own modal loop, or created modeless
// as child pages of another dialog.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/MessageMap.h"

class CDataExchange;

class CDialog {
public:
    explicit CDialog(UINT templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog and runs it until EndDialog; returns the EndDialog result, or -1 when
    // the window could not be created. The owner is disabled while the dialog runs.
    INT_PTR DoModal(HWND owner = nullptr);

    // Creates the dialog modeless, for example a child page inside `parent`.
    bool Create(HWND parent);
    void DestroyWindow();

    // Ends a modal run with `result`; the window is destroyed when the loop has returned.
    void EndDialog(INT_PTR result);

    // Moves data between members and controls; shows the first failure and returns false.
    bool UpdateData(bool saveAndValidate);

    // Offered each message of the modal loop before it is dispatched; true when consumed.
    virtual BOOL PreTranslateMessage(MSG* msg);

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    // The same lookups, made once per window: a dialog's controls live as long as it, and each
    // lookup is a round trip to the window manager on some systems.
    HWND ControlOf(int id) const;
    // The radio buttons of the group that starts at `firstId` and runs to the next control with
    // WS_GROUP, in order.
    const std::vector<HWND>& RadioGroupOf(int firstId) const;
    UINT GetTemplateId() const { return m_templateId; }
    bool IsModalRunning() const { return m_modalRunning; }
    // True once EndDialog was called during the current modal run.
    bool IsEnding() const { return m_modalRunning && m_endRequested; }

    HWND m_hWnd = nullptr;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();

    // The dialog's window procedure: the message map first, then the default handling.
    // Returns true when the message was handled, with its result in `result`.
    virtual bool WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // What happens to a message no map entry takes: commands of a child dialog go on to its
    // parent, owner-drawn menu items reach their menu object.
    bool DefaultHandling(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    virtual const MessageMapBase* GetMessageMap() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void ExecuteDlgInit();

    void ForgetControls();

    UINT m_templateId;
    mutable std::vector<std::pair<int, HWND>> m_controls;
    mutable std::vector<std::pair<int, std::vector<HWND>>> m_radioGroups;
    bool m_modalRunning = false;
    bool m_endRequested = false;
    INT_PTR m_modalResult = -1;
};

// A page shown as a child dialog inside another dialog (never inside a property sheet).
class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}
};

// Text of a window or control.
std::wstring GetWindowTextString(HWND hwnd);
