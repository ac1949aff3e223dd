#include "framework/DataExchange.h"

#include <commctrl.h>

#include <climits>
#include <cstddef>
#include <cwctype>
#include <string_view>
#include <vector>

#include "framework/AppMessageBox.h"
#include "framework/Dialog.h"

namespace {

constexpr std::size_t kComboTextLimit = 20;

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
    for (std::size_t at = text.find(from); at != std::wstring::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id) {
    m_lastControl = m_dialog.ControlOf(id);
    m_lastIsEdit = false;
    return m_lastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    PrepareCtrl(id);
    m_lastIsEdit = true;
    return m_lastControl;
}

void CDataExchange::Fail() {
    m_failed = true;
    if (!m_lastControl) return;
    ::SetFocus(m_lastControl);
    if (m_lastIsEdit) ::SendMessageW(m_lastControl, EM_SETSEL, 0, -1);
}

bool ParseInt(const std::wstring& text, int& value) {
    std::size_t at = 0;
    while (at < text.size() && std::iswspace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    const std::size_t digitsStart = at;
    long long number = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        number = number * 10 + (text[at] - L'0');
        if (number > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (at == digitsStart) return false;
    while (at < text.size() && std::iswspace(text[at]))
        ++at;
    if (at != text.size()) return false;
    if (negative) number = -number;
    if (number > INT_MAX || number < INT_MIN) return false;
    value = static_cast<int>(number);
    return true;
}

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
    if (dx.Failed()) return;
    if (!dx.PrepareCtrl(firstId)) return;
    const std::vector<HWND>& group = dx.Dialog().RadioGroupOf(firstId);
    if (dx.Saving()) value = -1;
    for (std::size_t button = 0; button < group.size(); ++button) {
        const int index = static_cast<int>(button);
        if (dx.Saving()) {
            if (value == -1 && ::SendMessageW(group[button], BM_GETCHECK, 0, 0) == BST_CHECKED) {
                value = index;
            }
        } else {
            ::SendMessageW(group[button], BM_SETCHECK,
                           index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareCtrl(id);
    if (dx.Saving()) {
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageW(control, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void DDX_CBString(CDataExchange& dx, int id, std::wstring& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareCtrl(id);
    if (!dx.Saving()) {
        if (::SendMessageW(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(value.c_str())) == CB_ERR) {
            ::SetWindowTextW(control, value.c_str());  // ignored by a drop-down list
        }
        return;
    }
    const LRESULT index = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        value = GetWindowTextString(control);
    } else {
        const LRESULT length = ::SendMessageW(control, CB_GETLBTEXTLEN, index, 0);
        std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
        const LRESULT copied =
            ::SendMessageW(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        value = text;
    }
    if (value.size() > kComboTextLimit) value.resize(kComboTextLimit);
}

void DDX_Text(CDataExchange& dx, int id, int& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareEditCtrl(id);
    if (!dx.Saving()) {
        ::SetWindowTextW(control, std::to_wstring(value).c_str());
        return;
    }
    int parsed = 0;
    if (!ParseInt(GetWindowTextString(control), parsed)) {
        AppMessageBox(dx.Dialog().GetSafeHwnd(), L"整数を入力してください。",
                      MB_OK | MB_ICONEXCLAMATION);
        dx.Fail();
        return;
    }
    value = parsed;
}

void DDX_Text(CDataExchange& dx, int id, std::wstring& value) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareEditCtrl(id);
    if (dx.Saving()) {
        value = GetWindowTextString(control);
    } else {
        ::SetWindowTextW(control, value.c_str());
    }
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue) {
    if (!dx.Saving() || dx.Failed()) return;
    if (value >= minValue && value <= maxValue) return;
    std::wstring text = L"%1 から %2 までの整数を入力してください。";
    text = ReplaceAll(text, L"%1", std::to_wstring(minValue));
    text = ReplaceAll(text, L"%2", std::to_wstring(maxValue));
    AppMessageBox(dx.Dialog().GetSafeHwnd(), text, MB_OK | MB_ICONEXCLAMATION);
    dx.Fail();
}

void DDX_Slider(CDataExchange& dx, int id, int& position) {
    if (dx.Failed()) return;
    HWND control = dx.PrepareCtrl(id);
    if (dx.Saving()) {
        position = static_cast<int>(::SendMessageW(control, TBM_GETPOS, 0, 0));
    } else {
        ::SendMessageW(control, TBM_SETPOS, TRUE, position);
    }
}

void DDX_Control(CDataExchange& dx, int id, HWND& control) {
    if (dx.Failed()) return;
    control = dx.PrepareCtrl(id);
}
