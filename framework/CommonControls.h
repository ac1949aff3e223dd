// Thin owners of the common controls that the main window creates at run time.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class CControlWindow {
public:
    CControlWindow() = default;
    virtual ~CControlWindow();
    CControlWindow(const CControlWindow&) = delete;
    CControlWindow& operator=(const CControlWindow&) = delete;

    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    HWND GetSafeHwnd() const { return m_hWnd; }

    HWND m_hWnd = nullptr;

protected:
    bool CreateControl(const wchar_t* className, DWORD style, const RECT& rect, HWND parent,
                       UINT id);
};

class CToolBarCtrl : public CControlWindow {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    bool EnableButton(int id, bool enable) const;
    bool IsButtonEnabled(int id) const;
};

class CStatusBarCtrl : public CControlWindow {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    bool SetParts(int count, const int* rightEdges) const;
    bool SetText(int part, const std::wstring& text) const;
    std::wstring GetText(int part) const;
};
