#include "app/MainToolBar.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>

#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

constexpr int kImageCount = 6;
constexpr int kImageSize = 16;
constexpr std::size_t kTipLimit = 79;  // the requests' own buffers hold 80 characters

// `label` is an index into the toolbar's string pool, or -1 for no text.
TBBUTTON Button(int command, int image, INT_PTR label) {
    TBBUTTON button{};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    button.iString = label;
    return button;
}

TBBUTTON Separator() {
    TBBUTTON button{};
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_SEP;
    return button;
}

}  // namespace

std::wstring CMainToolBar::ToolTipText(UINT tool) {
    const wchar_t* resource = nullptr;
    const int length = ::LoadStringW(AppInstance(), tool, reinterpret_cast<LPWSTR>(&resource), 0);
    std::wstring text = length > 0 ? std::wstring(resource, static_cast<std::size_t>(length)) : L"";
    if (text.size() > kTipLimit) text.resize(kTipLimit);
    return text;
}

bool CMainToolBar::CreateFor(HWND parent) {
    const RECT empty{};
    if (!Create(WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_ADJUSTABLE | CCS_TOP,
                empty, parent, IDC_TOOLBAR)) {
        return false;
    }
    InitButtons();
    return true;
}

void CMainToolBar::InitButtons() {
    Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageSize, kImageSize));
    TBADDBITMAP strip{AppInstance(), IDB_TOOLBAR};
    Send(TB_ADDBITMAP, kImageCount, reinterpret_cast<LPARAM>(&strip));

    // Screen readers name a toolbar button by its text (TB_GETBUTTONTEXT), so each button
    // carries its tooltip text as a label. With no text rows the labels are never shown.
    Send(TB_SETMAXTEXTROWS, 0);
    auto button = [this](int command, int image) {
        return Button(command, image, AddString(ToolTipText(static_cast<UINT>(command))));
    };
    // Image 2 belongs to the receive command, which has no button.
    const TBBUTTON items[] = {
        Separator(),
        button(ID_TB_LOAD, 0),
        button(ID_TB_SAVE, 1),
        Separator(),
        button(ID_TB_SEND, 3),
        Separator(),
        button(ID_TB_FACTORY, 4),
        Separator(),
        button(ID_TB_PRINTER, 5),
    };
    Send(TB_ADDBUTTONSW, std::size(items), reinterpret_cast<LPARAM>(items));
    Send(TB_AUTOSIZE);
}

// The pool belongs to the toolbar, so its strings last as long as the buttons; a string that
// TBBUTTON points to is nowhere documented as copied.
INT_PTR CMainToolBar::AddString(const std::wstring& text) const {
    if (text.empty()) return -1;             // it would end the list with nothing added
    const std::wstring list = text + L'\0';  // the list ends in two nulls, one from c_str()
    return static_cast<INT_PTR>(Send(TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(list.c_str())));
}

bool CMainToolBar::OnToolTipText(NMHDR* header, LRESULT& result) const {
    const UINT_PTR tool = header->idFrom;
    if (tool < ID_TB_LOAD || tool > ID_TB_PRINTER) return false;
    const std::wstring text = ToolTipText(static_cast<UINT>(tool));

    if (header->code == TTN_NEEDTEXTW) {
        auto* request = reinterpret_cast<NMTTDISPINFOW*>(header);
        std::copy(text.begin(), text.end(), request->szText);
        request->szText[text.size()] = L'\0';
    } else {
        auto* request = reinterpret_cast<NMTTDISPINFOA*>(header);
        // The ANSI buffer takes the text in the system's ANSI code page, cut to fit.
        int bytes =
            ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                  request->szText, static_cast<int>(kTipLimit), nullptr, nullptr);
        request->szText[bytes > 0 ? bytes : 0] = '\0';
    }
    result = 0;
    return true;
}
