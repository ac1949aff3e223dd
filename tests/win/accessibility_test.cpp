// What screen readers find in the main window: the names of its menu items, read as the menu
// proxy reads them, and the names of its toolbar buttons. Wine's oleacc has no menu proxy, so
// the test reads what the proxy would, in the program's own process.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainDialog.h"
#include "app/MainToolBar.h"
#include "framework/Handles.h"
#include "res/resource.h"
#include "tests/win/rig/MenuNames.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";

// The string table's text for `id`, as the system loads it.
std::wstring StringResource(UINT id) {
    wchar_t text[256] = {};
    ::LoadStringW(::GetModuleHandleW(nullptr), id, text, 256);
    return text;
}

std::vector<TBBUTTON> Buttons(HWND toolbar) {
    std::vector<TBBUTTON> buttons(
        static_cast<std::size_t>(::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0)));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        ::SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&buttons[i]));
    }
    return buttons;
}

std::wstring ButtonText(HWND toolbar, int command) {
    const auto length = ::SendMessageW(toolbar, TB_GETBUTTONTEXTW, command, 0);
    if (length <= 0) return L"";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(toolbar, TB_GETBUTTONTEXTW, command, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The text that the toolbar's tooltip gives for a button's tool.
std::wstring TipOfTool(HWND toolbar, int command) {
    HWND tips = reinterpret_cast<HWND>(::SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    wchar_t text[80] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = toolbar;
    tool.uId = static_cast<UINT_PTR>(command);
    tool.lpszText = text;
    ::SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// What a toolbar shows: where its buttons are and every pixel of its client area.
struct ToolBarLook {
    std::vector<std::array<LONG, 4>> buttons;
    std::vector<std::uint32_t> pixels;
};

ToolBarLook LookOf(HWND toolbar) {
    ToolBarLook look;
    for (int i = 0; i < static_cast<int>(Buttons(toolbar).size()); ++i) {
        RECT rect{};
        ::SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        look.buttons.push_back({rect.left, rect.top, rect.right, rect.bottom});
    }
    RECT client{};
    ::GetClientRect(toolbar, &client);
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap canvas(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_TRUE(canvas);
    if (!canvas) return look;
    {
        SelectObjectScope select(dc.get(), canvas.get());
        ::SendMessageW(toolbar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()),
                       PRF_CLIENT | PRF_ERASEBKGND);
    }
    ::GdiFlush();
    const auto* begin = static_cast<const std::uint32_t*>(bits);
    look.pixels.assign(begin, begin + static_cast<std::size_t>(client.right) * client.bottom);
    return look;
}

class ScreenReaderTest : public testing::Test {
protected:
    // Runs the main window modally; `body` runs once it shows, then the window is ended.
    void Run(const std::function<void(HWND)>& body) {
        printers.Add(L"Vek A", L"LPT1:");
        ui.OnDialog(kMainCaption, [&](HWND main) {
            body(main);
            m_dlg.EndDialog(IDOK);
        });
        m_dlg.DoModal();
    }

    rig::TestPrinters printers;
    rig::UiScript ui;
    CMainDialog m_dlg;
};

TEST_F(ScreenReaderTest, EveryMenuItemIsNamedByItsTextInTheMenuResource) {
    Run([&](HWND main) {
        HMENU resource = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
        ASSERT_NE(resource, nullptr);
        // The window's menu lacks the receive command, which the program takes out.
        ASSERT_TRUE(::DeleteMenu(resource, ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND));
        // Three labels on the bar, then 6, 6 and 2 owner-drawn items beside the separators.
        EXPECT_EQ(rig::ExpectMenuNamesFrom(resource, ::GetMenu(main)), 3 + 6 + 6 + 2);
        ::DestroyMenu(resource);
    });
}

TEST_F(ScreenReaderTest, EveryToolBarButtonIsNamedByItsToolTipText) {
    Run([&](HWND) {
        HWND toolbar = m_dlg.m_wndToolBar.GetSafeHwnd();
        int named = 0;
        for (const TBBUTTON& button : Buttons(toolbar)) {
            if (button.fsStyle & BTNS_SEP) continue;
            const std::wstring tip = StringResource(static_cast<UINT>(button.idCommand));
            ASSERT_FALSE(tip.empty()) << button.idCommand;
            // The proxy reads the button's text, and its tooltip where the button has none.
            EXPECT_EQ(ButtonText(toolbar, button.idCommand), tip);
            EXPECT_EQ(TipOfTool(toolbar, button.idCommand), tip);
            ++named;
        }
        EXPECT_EQ(named, 5);
    });
}

// A toolbar of the same style, images and buttons as `model`, but with no button texts.
HWND WithoutTexts(HWND model, HWND parent) {
    HWND bar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                 static_cast<DWORD>(::GetWindowLongW(model, GWL_STYLE)), 0, 0, 0, 0,
                                 parent, nullptr, nullptr, nullptr);
    ::SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(model, TB_GETIMAGELIST, 0, 0));
    ::SendMessageW(bar, TB_SETIMAGELIST, 0,
                   reinterpret_cast<LPARAM>(::ImageList_Duplicate(images)));
    std::vector<TBBUTTON> buttons = Buttons(model);
    for (TBBUTTON& button : buttons)
        button.iString = -1;
    ::SendMessageW(bar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(bar, TB_AUTOSIZE, 0, 0);
    return bar;
}

// The buttons' texts are names only: a toolbar without them looks the same.
TEST(ToolBarTextTest, TheButtonTextsChangeNoButtonAndNoPixel) {
    auto parent = [] {
        return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    };
    HWND parents[] = {parent(), parent()};
    CMainToolBar toolbar;
    ASSERT_TRUE(toolbar.CreateFor(parents[0]));
    HWND labelled = toolbar.GetSafeHwnd();
    HWND bare = WithoutTexts(labelled, parents[1]);
    for (const TBBUTTON& button : Buttons(labelled)) {
        if (button.fsStyle & BTNS_SEP) continue;
        EXPECT_FALSE(ButtonText(labelled, button.idCommand).empty());
        EXPECT_EQ(ButtonText(bare, button.idCommand), L"");
    }
    const ToolBarLook look = LookOf(labelled);
    ASSERT_GT(std::set<std::uint32_t>(look.pixels.begin(), look.pixels.end()).size(), 2u)
        << "the toolbar was not drawn";
    const ToolBarLook reference = LookOf(bare);
    EXPECT_EQ(look.buttons, reference.buttons);
    EXPECT_TRUE(look.pixels == reference.pixels) << "the texts show";
    for (HWND window : parents)
        ::DestroyWindow(window);
}

}  // namespace
