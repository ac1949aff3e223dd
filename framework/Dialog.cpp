#include "framework/Dialog.h"

#include <cstring>
#include <memory>

#include "framework/DataExchange.h"
#include "framework/Menu.h"
#include "framework/WinApp.h"
#include "res/resource.h"

CDialog::CDialog(UINT templateId) : m_templateId(templateId) {}

CDialog::~CDialog() {
    DestroyWindow();
}

INT_PTR CDialog::DoModal(HWND owner) {
    m_endRequested = false;
    m_modalResult = -1;
    m_modalRunning = true;
    HWND hwnd = ::CreateDialogParamW(AppInstance(), MAKEINTRESOURCEW(m_templateId), owner,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_modalRunning = false;
        return -1;
    }
    // OnInitDialog may already have ended the run; the window then never shows.
    if (!m_endRequested) {
        const bool disableOwner = owner && ::IsWindowEnabled(owner);
        if (disableOwner) ::EnableWindow(owner, FALSE);
        ::ShowWindow(hwnd, SW_SHOWNORMAL);
        MSG msg;
        while (!m_endRequested && ::IsWindow(hwnd)) {
            const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the outer loop
                break;
            }
            if (got == -1) break;
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        // Enable the owner before the dialog goes, so that it receives the activation.
        if (disableOwner) ::EnableWindow(owner, TRUE);
        if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
    }
    DestroyWindow();
    m_modalRunning = false;
    return m_modalResult;
}

bool CDialog::Create(HWND parent) {
    if (m_hWnd) return false;
    HWND hwnd = ::CreateDialogParamW(AppInstance(), MAKEINTRESOURCEW(m_templateId), parent,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void CDialog::DestroyWindow() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CDialog::EndDialog(INT_PTR result) {
    m_modalResult = result;
    m_endRequested = true;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
}

HWND CDialog::ControlOf(int id) const {
    for (const auto& [known, control] : m_controls) {
        if (known == id) return control;
    }
    HWND control = ::GetDlgItem(m_hWnd, id);
    if (control) m_controls.emplace_back(id, control);
    return control;
}

const std::vector<HWND>& CDialog::RadioGroupOf(int firstId) const {
    for (const auto& [known, group] : m_radioGroups) {
        if (known == firstId) return group;
    }
    std::vector<HWND> group;
    HWND control = ControlOf(firstId);
    while (control) {
        if (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            group.push_back(control);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
        if (control && (::GetWindowLongW(control, GWL_STYLE) & WS_GROUP)) break;
    }
    if (group.empty()) {
        static const std::vector<HWND> kNone;
        return kNone;
    }
    m_radioGroups.emplace_back(firstId, std::move(group));
    return m_radioGroups.back().second;
}

void CDialog::ForgetControls() {
    m_controls.clear();
    m_radioGroups.clear();
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    return m_hWnd && ::IsDialogMessageW(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

const MessageMapBase* CDialog::GetMessageMap() const {
    using Map = MessageMap<CDialog>;
    static const Map map(nullptr, {
                                      Map::Command(IDOK, &CDialog::OnOK),
                                      Map::Command(IDCANCEL, &CDialog::OnCancel),
                                  });
    return &map;
}

bool CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_INITDIALOG) {
        ForgetControls();
        ExecuteDlgInit();
        result = OnInitDialog();
        return true;
    }
    if (GetMessageMap()->Dispatch(this, msg, wp, lp, result)) return true;
    return DefaultHandling(msg, wp, lp, result);
}

bool CDialog::DefaultHandling(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND:
            // A command (no control handle) that a child dialog leaves goes on to its parent.
            if (lp == 0 && (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD)) {
                if (HWND parent = ::GetParent(m_hWnd)) {
                    result = ::SendMessageW(parent, WM_COMMAND, wp, lp);
                    return true;
                }
            }
            return false;
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (measure->CtlType != ODT_MENU) return false;
            HMENU bar = ::GetMenu(m_hWnd);
            CMenu* menu = bar ? FindPopupMenuFromId(bar, measure->itemID) : nullptr;
            if (!menu) return false;
            menu->MeasureItem(measure);
            result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (draw->CtlType != ODT_MENU) return false;
            CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(draw->hwndItem));
            if (!menu) return false;
            menu->DrawItem(draw);
            result = TRUE;
            return true;
        }
        default:
            return false;
    }
}

// The template's initial data (resource type RT_KW_DLGINIT, same id as the template): records of
// a 16-bit control id and a zero-terminated UTF-8 text, ended by id 0. Each text is added to its
// combo box in order.
void CDialog::ExecuteDlgInit() {
    HINSTANCE instance = AppInstance();
    HRSRC info =
        ::FindResourceW(instance, MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(RT_KW_DLGINIT));
    if (!info) return;
    HGLOBAL loaded = ::LoadResource(instance, info);
    const auto* at = static_cast<const char*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!at) return;
    const char* end = at + ::SizeofResource(instance, info);
    while (end - at >= 2) {
        WORD id = 0;
        std::memcpy(&id, at, sizeof(id));
        at += sizeof(id);
        if (id == 0) break;
        const char* text = at;
        while (at < end && *at != '\0')
            ++at;
        if (at == end) break;  // unterminated: stop rather than read past the data
        const int length = static_cast<int>(at - text);
        ++at;
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        wide.resize(static_cast<std::size_t>(
            ::MultiByteToWideChar(CP_UTF8, 0, text, length, wide.data(), length)));
        ::SendDlgItemMessageW(m_hWnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;

    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->WindowProc(msg, wp, lp, result);
    } catch (...) {
        // No exception may cross into the system's code; the message counts as unhandled.
        handled = false;
    }
    if (msg == WM_NCDESTROY) {
        self->ForgetControls();
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    switch (msg) {
        // These messages return their result directly instead of through DWLP_MSGRESULT.
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

std::wstring GetWindowTextString(HWND hwnd) {
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}
