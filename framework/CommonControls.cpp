#include "framework/CommonControls.h"

#include <cstddef>

#include "framework/WinApp.h"

CControlWindow::~CControlWindow() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

bool CControlWindow::CreateControl(const wchar_t* className, DWORD style, const RECT& rect,
                                   HWND parent, UINT id) {
    m_hWnd = ::CreateWindowExW(0, className, nullptr, style, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppInstance(),
                               nullptr);
    return m_hWnd != nullptr;
}

bool CToolBarCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    if (!CreateControl(TOOLBARCLASSNAMEW, style, rect, parent, id)) return false;
    Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return true;
}

bool CToolBarCtrl::EnableButton(int id, bool enable) const {
    return Send(TB_ENABLEBUTTON, static_cast<WPARAM>(id), MAKELPARAM(enable ? TRUE : FALSE, 0)) !=
           0;
}

bool CToolBarCtrl::IsButtonEnabled(int id) const {
    return Send(TB_ISBUTTONENABLED, static_cast<WPARAM>(id)) != 0;
}

bool CStatusBarCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CreateControl(STATUSCLASSNAMEW, style, rect, parent, id);
}

bool CStatusBarCtrl::SetParts(int count, const int* rightEdges) const {
    return Send(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges)) != 0;
}

bool CStatusBarCtrl::SetText(int part, const std::wstring& text) const {
    return Send(SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.c_str())) !=
           0;
}

std::wstring CStatusBarCtrl::GetText(int part) const {
    const auto length = LOWORD(Send(SB_GETTEXTLENGTHW, static_cast<WPARAM>(part)));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    Send(SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}
