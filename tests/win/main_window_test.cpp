// The main window in the test's own process: start-up, change tracking, page switching, the
// select-printer command, sending, the toolbar tooltips and the status bar.
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainDialog.h"
#include "app/MainStatusBar.h"
#include "app/MainToolBar.h"
#include "framework/Platform.h"
#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/MenuNames.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";
constexpr wchar_t kSelectCaption[] = L"プリンタの選択";
constexpr wchar_t kFactoryShown[] = L"工場出荷設定値を表示しました。";
constexpr wchar_t kSentText[] = L"プリンタに設定値を送信しました。";
constexpr wchar_t kSendFailed[] =
    L"指定されたプリンタは、現在接続されていないか、プリンタ使用権の制限により使用できません。";
constexpr wchar_t kAskSend[] =
    L"設定値が変更されています。\nプリンタを切り替える前に、設定値をプリンタへ送信しますか？";
constexpr wchar_t kAskSave[] =
    L"設定値が変更されています。\nプリンタを切り替える前に、設定ファイルへ保存しますか？";

const std::map<int, std::wstring> kToolTips = {
    {ID_TB_LOAD, L"設定ファイルの読み込み"}, {ID_TB_SAVE, L"設定ファイルへの書き込み"},
    {ID_TB_SEND, L"設定値をプリンタへ送信"}, {ID_TB_FACTORY, L"工場出荷設定を表示"},
    {ID_TB_PRINTER, L"プリンタの選択"},
};

bool MenuEnabled(HWND main, UINT command) {
    const UINT state = ::GetMenuState(::GetMenu(main), command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool ToolEnabled(CMainDialog& dlg, int id) {
    return dlg.m_wndToolBar.IsButtonEnabled(id);
}

bool SendEnabled(CMainDialog& dlg) {
    const bool menu = MenuEnabled(dlg.GetSafeHwnd(), ID_SEND_TO_PRINTER);
    EXPECT_EQ(menu, ToolEnabled(dlg, ID_TB_SEND)) << "menu item and button disagree";
    return menu;
}

void Command(HWND main, UINT id) {
    ::SendMessageW(main, WM_COMMAND, id, 0);
}

std::vector<TBBUTTON> Buttons(HWND toolbar) {
    std::vector<TBBUTTON> buttons(
        static_cast<std::size_t>(::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0)));
    for (std::size_t i = 0; i < buttons.size(); ++i)
        ::SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&buttons[i]));
    return buttons;
}

// A button's text as the toolbar's accessibility proxy reads it.
std::wstring ButtonText(HWND toolbar, int command) {
    const auto length = ::SendMessageW(toolbar, TB_GETBUTTONTEXTW, command, 0);
    if (length <= 0) return L"";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(toolbar, TB_GETBUTTONTEXTW, command, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The text the toolbar's tooltip shows for a button: the tooltip asks the toolbar, which asks
// the main window (TTN_GETDISPINFOW).
std::wstring ToolTipShown(HWND toolbar, int command) {
    HWND tooltip = reinterpret_cast<HWND>(::SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    if (!tooltip) return L"";
    std::wstring text(INFOTIPSIZE, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = toolbar;
    tool.uId = static_cast<UINT_PTR>(command);
    tool.lpszText = text.data();
    ::SendMessageW(tooltip, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    text.resize(std::wcslen(text.c_str()));
    return text;
}

class MainWindowTest : public testing::Test {
protected:
    // Runs the main window modally; `body` runs once it shows, then the window is ended.
    void Run(const std::function<void(HWND)>& body) {
        ui.OnDialog(kMainCaption, [&](HWND main) {
            body(main);
            m_dlg.EndDialog(IDOK);
        });
        m_dlg.DoModal();
    }
    HWND Page(int index) {
        CSettingsPage* pages[] = {&m_dlg.m_pageSelect, &m_dlg.m_pageMSW1, &m_dlg.m_pageMSW2,
                                  &m_dlg.m_pageMSW3,   &m_dlg.m_pageMSW4, &m_dlg.m_pageHardware};
        return pages[index]->GetSafeHwnd();
    }
    std::wstring LastAnswered() const {
        return ui.Answered().empty() ? L"" : ui.Answered().back().text;
    }

    rig::TestPrinters printers;
    rig::UiScript ui;
    CMainDialog m_dlg;
};

TEST_F(MainWindowTest, StartUpWithOneQueueChoosesItAndEnablesSend) {
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    Run([&](HWND main) {
        EXPECT_EQ(m_dlg.m_strCurrentPrinter, L"Vek Brelvistoka 410ZQ");
        EXPECT_EQ(m_dlg.m_strCurrentPort, L"LPT1:");
        EXPECT_EQ(m_dlg.m_recWorking, FactoryRecord());
        EXPECT_EQ(m_dlg.m_recFile, FactoryRecord());
        EXPECT_EQ(m_dlg.m_recSent, FactoryRecord());
        EXPECT_EQ(m_dlg.m_bSendPending, 1);
        EXPECT_TRUE(SendEnabled(m_dlg));
        EXPECT_FALSE(MenuEnabled(main, ID_SELECT_PRINTER));
        EXPECT_FALSE(ToolEnabled(m_dlg, ID_TB_PRINTER));
        EXPECT_EQ(m_dlg.m_wndStatusBar.GetText(0), L"プリンタ名： Vek Brelvistoka 410ZQ");
        EXPECT_EQ(m_dlg.m_wndStatusBar.GetText(1), L"接続先： LPT1:");

        HWND tab = ::GetDlgItem(main, IDC_TAB);
        ASSERT_EQ(TabCtrl_GetItemCount(tab), 6);
        const wchar_t* labels[] = {L"機能選択", L"ＭＳＷ１", L"ＭＳＷ２",
                                   L"ＭＳＷ３", L"ＭＳＷ４", L"ハードウェア設定"};
        for (int i = 0; i < 6; ++i) {
            wchar_t text[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT | TCIF_IMAGE;
            item.pszText = text;
            item.cchTextMax = 64;
            TabCtrl_GetItem(tab, i, &item);
            EXPECT_EQ(std::wstring(text), labels[i]);
            EXPECT_EQ(item.iImage, i == 0 ? 0 : i == 5 ? 2 : 1);
            EXPECT_EQ(::IsWindowVisible(Page(i)) != FALSE, i == 0) << "page " << i;
        }
        // The receive command is not in the menu, and Ctrl+R is a command nobody takes.
        EXPECT_EQ(::GetMenuState(::GetMenu(main), ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND),
                  static_cast<UINT>(-1));
    });
    EXPECT_TRUE(ui.Answered().empty()) << "start-up with one queue asks nothing";
}

TEST_F(MainWindowTest, RecordCopiesFollowEachEvent) {
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    Run([&](HWND main) {
        // A change on a page reaches the working record through the data check.
        Command(main, ID_PAGE_MSW2);
        rig::Click(Page(2), IDC_MSW2_COLUMNS_80);
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);
        EXPECT_EQ(m_dlg.m_recSent, FactoryRecord());
        EXPECT_TRUE(SendEnabled(m_dlg));

        // Sent: sent = working, pending cleared, Send grayed; the file copy stays.
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);
        EXPECT_EQ(LastAnswered(), kSentText);
        EXPECT_EQ(m_dlg.m_recSent[16], 0x02);
        EXPECT_EQ(m_dlg.m_recFile, FactoryRecord());
        EXPECT_EQ(m_dlg.m_bSendPending, 0);
        EXPECT_FALSE(SendEnabled(m_dlg));
        EXPECT_EQ(printers.Captured(L"LPT1:").size(), 180u);

        // Changing back enables Send; changing again to the sent value disables it.
        rig::Click(Page(2), IDC_MSW2_COLUMNS_136);
        EXPECT_TRUE(SendEnabled(m_dlg));
        rig::Click(Page(2), IDC_MSW2_COLUMNS_80);
        EXPECT_FALSE(SendEnabled(m_dlg));

        // Factory settings: working = factory, shows page 0, file and sent copies untouched.
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_FACTORY_SETTINGS);
        EXPECT_EQ(LastAnswered(), kFactoryShown);
        EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Information);
        EXPECT_EQ(m_dlg.m_recWorking, FactoryRecord());
        EXPECT_EQ(m_dlg.m_recSent[16], 0x02);
        EXPECT_EQ(m_dlg.m_bSendPending, 0);
        EXPECT_TRUE(::IsWindowVisible(Page(0)));
        EXPECT_FALSE(::IsWindowVisible(Page(2)));
        EXPECT_TRUE(SendEnabled(m_dlg)) << "factory record differs from the one sent";
        EXPECT_TRUE(rig::IsChecked(Page(2), IDC_MSW2_COLUMNS_136));
    });
}

TEST_F(MainWindowTest, EveryPageEditsItsOwnBytesOfTheWorkingRecord) {
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    Run([&](HWND main) {
        struct Edit {
            int page;
            int control;
            std::size_t offset;
            std::uint8_t value;
        };
        const Edit edits[] = {
            {0, IDC_SEL_TYPEFACE_GOTHIC, 22, '1'},  // ゴシック体
            {1, IDC_MSW1_BUFFER_16K, 14, 0x00},     // １６Ｋバイト: MSW1-4 off
            {2, IDC_MSW2_COLUMNS_80, 16, 0x02},
            {3, IDC_MSW3_SLASHED_ZERO, 18, 0x02},       // slashed zero, 2-byte code
            {4, IDC_MSW4_GUIDE_LOAD_MANUAL, 20, 0x31},  // マニュアル
            {5, IDC_HW_LOAD_SPEED_SLOW, 166, '1'},      // 低速
        };
        const UINT pageCommands[] = {ID_PAGE_SELECT, ID_PAGE_MSW1, ID_PAGE_MSW2,
                                     ID_PAGE_MSW3,   ID_PAGE_MSW4, ID_PAGE_HARDWARE};
        SettingsRecord expected = FactoryRecord();
        for (const Edit& edit : edits) {
            Command(main, pageCommands[edit.page]);
            rig::Click(Page(edit.page), edit.control);
            expected[edit.offset] = edit.value;
            EXPECT_EQ(m_dlg.m_recWorking, expected) << "page " << edit.page;
        }
        EXPECT_TRUE(SendEnabled(m_dlg));
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);
        const SettingsRecord sent = m_dlg.m_recSent;
        EXPECT_EQ(sent, expected);
        EXPECT_EQ(printers.Captured(L"LPT1:"),
                  std::vector<std::uint8_t>(expected.data(), expected.data() + expected.size()));
    });
}

TEST_F(MainWindowTest, SwitchingPagesNeverTouchesARecord) {
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    Run([&](HWND main) {
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);
        ASSERT_FALSE(SendEnabled(m_dlg));
        const SettingsRecord before = m_dlg.m_recWorking;
        HWND tab = ::GetDlgItem(main, IDC_TAB);
        const UINT commands[] = {ID_PAGE_MSW1, ID_PAGE_MSW2,     ID_PAGE_MSW3,
                                 ID_PAGE_MSW4, ID_PAGE_HARDWARE, ID_PAGE_SELECT};
        for (int i = 0; i < 6; ++i) {
            Command(main, commands[i]);
            const int shown = (i + 1) % 6;
            EXPECT_EQ(TabCtrl_GetCurSel(tab), shown);
            for (int p = 0; p < 6; ++p)
                EXPECT_EQ(::IsWindowVisible(Page(p)) != FALSE, p == shown);
        }
        // By the tab control, as a click would.
        TabCtrl_SetCurSel(tab, 3);
        NMHDR change{tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
        ::SendMessageW(main, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&change));
        EXPECT_TRUE(::IsWindowVisible(Page(3)));
        EXPECT_FALSE(::IsWindowVisible(Page(0)));
        EXPECT_EQ(m_dlg.m_recWorking, before);
        EXPECT_FALSE(SendEnabled(m_dlg));
    });
}

TEST_F(MainWindowTest, KeysFollowTheMenuStates) {
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    Run([&](HWND main) {
        // Ctrl plus a key, through the window's own message filtering as the modal loop does.
        auto press = [&](WORD key) {
            BYTE keys[256] = {};
            ::GetKeyboardState(keys);
            keys[VK_CONTROL] = 0x80;
            ::SetKeyboardState(keys);
            MSG msg{main, WM_KEYDOWN, key, 1, ::GetTickCount(), {}};
            if (!m_dlg.PreTranslateMessage(&msg)) ::DispatchMessageW(&msg);
            rig::Pump(50);
            keys[VK_CONTROL] = 0;
            ::SetKeyboardState(keys);
        };
        press('3');
        EXPECT_TRUE(::IsWindowVisible(Page(3)));
        press('K');
        EXPECT_TRUE(::IsWindowVisible(Page(0)));

        ui.AnswerMessageBox(IDOK);
        press('W');  // Send is enabled after start-up
        EXPECT_EQ(LastAnswered(), kSentText);
        const std::size_t answered = ui.Answered().size();
        printers.Clear(L"LPT1:");
        press('W');  // grayed now: no command
        press('R');  // the receive command does nothing
        rig::Pump(200);
        EXPECT_EQ(ui.Answered().size(), answered);
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty());

        // Enter and Esc do nothing either.
        Command(main, IDOK);
        Command(main, IDCANCEL);
        EXPECT_TRUE(::IsWindowVisible(main));
    });
}

TEST_F(MainWindowTest, SelectPrinterAsksOnlyAboutWhatChanged) {
    printers.Add(L"Vek A", L"LPT1:");
    printers.Add(L"Vek B", L"LPT2:");
    ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });  // row 0
    Run([&](HWND main) {
        EXPECT_TRUE(MenuEnabled(main, ID_SELECT_PRINTER)) << "two queues";
        // A change makes the pages differ from both the sent and the saved record.
        Command(main, ID_PAGE_MSW2);
        rig::Click(Page(2), IDC_MSW2_COLUMNS_80);

        // Cancel in the first question abandons the command.
        ui.AnswerMessageBox(IDCANCEL);
        Command(main, ID_SELECT_PRINTER);
        EXPECT_EQ(LastAnswered(), kAskSend);
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);

        // No to the send question, Cancel to the save question.
        ui.AnswerMessageBox(IDNO);
        ui.AnswerMessageBox(IDCANCEL);
        Command(main, ID_SELECT_PRINTER);
        EXPECT_EQ(ui.Answered()[ui.Answered().size() - 2].text, kAskSend);
        EXPECT_EQ(LastAnswered(), kAskSave);
        EXPECT_EQ(ui.Answered().back().buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);

        // Yes to send (it goes to the printer still in use), No to save, then choose "Vek B":
        // the pages show the factory record and Send is enabled.
        ui.AnswerMessageBox(IDYES);
        ui.AnswerMessageBox(IDOK);  // sent
        ui.AnswerMessageBox(IDNO);
        ui.OnDialog(kSelectCaption, [](HWND select) {
            HWND list = ::GetDlgItem(select, 1069);
            ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
            rig::Click(select, IDOK);
        });
        ui.AnswerMessageBox(IDOK);  // factory settings shown
        Command(main, ID_SELECT_PRINTER);
        EXPECT_EQ(LastAnswered(), kFactoryShown);
        EXPECT_EQ(printers.Captured(L"LPT1:")[16], 0x02) << "sent to the old printer";
        EXPECT_EQ(m_dlg.m_strCurrentPrinter, L"Vek B");
        EXPECT_EQ(m_dlg.m_wndStatusBar.GetText(0), L"プリンタ名： Vek B");
        EXPECT_EQ(m_dlg.m_wndStatusBar.GetText(1), L"接続先： LPT2:");
        EXPECT_EQ(m_dlg.m_recWorking, FactoryRecord());
        EXPECT_TRUE(rig::IsChecked(Page(2), IDC_MSW2_COLUMNS_136));
        EXPECT_EQ(m_dlg.m_bSendPending, 1);
        EXPECT_TRUE(SendEnabled(m_dlg));

        // Now the pages (factory) equal the file copy but not the record sent to "Vek A": only
        // the send question comes. Choosing the same printer again also resets the pages.
        ui.AnswerMessageBox(IDNO);
        ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
        ui.AnswerMessageBox(IDOK);
        const std::size_t before = ui.Answered().size();
        Command(main, ID_SELECT_PRINTER);
        ASSERT_EQ(ui.Answered().size(), before + 2);
        EXPECT_EQ(ui.Answered()[before].text, kAskSend);
        EXPECT_EQ(LastAnswered(), kFactoryShown);
        EXPECT_EQ(m_dlg.m_strCurrentPrinter, L"Vek B");
    });
}

TEST_F(MainWindowTest, SelectPrinterWithOnlyUnsavedChangesAsksOnlyToSave) {
    printers.Add(L"Vek A", L"LPT1:");
    printers.Add(L"Vek B", L"LPT2:");
    ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
    Run([&](HWND main) {
        Command(main, ID_PAGE_MSW2);
        rig::Click(Page(2), IDC_MSW2_COLUMNS_80);
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);  // sent, but never saved
        const std::size_t before = ui.Answered().size();

        // Yes to the save question, then Cancel in Save As: the command stops there, with no
        // printer dialog and every change kept.
        ui.AnswerMessageBox(IDYES);
        ui.OnDialog(L"Save As", [](HWND dialog) { rig::Click(dialog, IDCANCEL); });
        Command(main, ID_SELECT_PRINTER);
        ASSERT_EQ(ui.Answered().size(), before + 1);
        EXPECT_EQ(LastAnswered(), kAskSave);
        EXPECT_TRUE(ui.Done());
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);
        EXPECT_TRUE(rig::IsChecked(Page(2), IDC_MSW2_COLUMNS_80));
        EXPECT_EQ(m_dlg.m_strCurrentPrinter, L"Vek A");
    });
}

TEST_F(MainWindowTest, CancelledChoiceKeepsPrinterPagesAndStatus) {
    printers.Add(L"Vek A", L"LPT1:");
    printers.Add(L"Vek B", L"LPT2:");
    ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
    Run([&](HWND main) {
        Command(main, ID_PAGE_MSW2);
        const SettingsRecord working = m_dlg.m_recWorking;
        ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDCANCEL); });
        Command(main, ID_SELECT_PRINTER);
        EXPECT_EQ(m_dlg.m_strCurrentPrinter, L"Vek A");
        EXPECT_EQ(m_dlg.m_wndStatusBar.GetText(0), L"プリンタ名： Vek A");
        EXPECT_EQ(m_dlg.m_recWorking, working);
        EXPECT_TRUE(::IsWindowVisible(Page(2)));
    });
}

TEST_F(MainWindowTest, QueueDeletedAfterChoiceFailsAndOffersTheSelection) {
    printers.Add(L"Vek A", L"LPT1:");
    printers.Add(L"Vek B", L"LPT2:");
    ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
    Run([&](HWND main) {
        ASSERT_EQ(m_dlg.m_strCurrentPrinter, L"Vek A");
        printers.Remove(L"Vek A");
        const SettingsRecord sent = m_dlg.m_recSent;
        ui.AnswerMessageBox(IDOK);
        ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDCANCEL); });
        Command(main, ID_SEND_TO_PRINTER);
        ASSERT_FALSE(ui.Answered().empty());
        EXPECT_EQ(LastAnswered(), kSendFailed);
        EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Exclamation);
        EXPECT_TRUE(ui.Done()) << "the selection dialog did not come";
        EXPECT_EQ(m_dlg.m_strCurrentPrinter, L"Vek A");
        EXPECT_EQ(m_dlg.m_recSent, sent);
        EXPECT_EQ(m_dlg.m_bSendPending, 1);
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty());
    });
}

TEST_F(MainWindowTest, FilePortIsRefusedBeforeAnySpoolerCall) {
    printers.Add(L"Vek A", L"LPT1:");
    Run([&](HWND main) {
        m_dlg.m_strCurrentPort = L"FILE:";
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);
        EXPECT_EQ(LastAnswered(), L"接続先がFILEのため設定値を送信できません。");
        EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Information);
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty());
        EXPECT_EQ(m_dlg.m_bSendPending, 1);
    });
}

TEST_F(MainWindowTest, OnNineXAPrinterOnLpt1KeepsSettingsAndSendState) {
    ScopedOsVersionForTesting win98(kWindows98);
    printers.Add(L"Vek A", L"LPT1:");
    printers.Add(L"Vek B", L"LPT2:");
    // At start-up, LPT1: on the 9x family leaves Send disabled.
    ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
    Run([&](HWND main) {
        EXPECT_EQ(m_dlg.m_strCurrentPort, L"LPT1:");
        EXPECT_FALSE(SendEnabled(m_dlg));
        Command(main, ID_PAGE_MSW2);
        rig::Click(Page(2), IDC_MSW2_COLUMNS_80);
        EXPECT_TRUE(SendEnabled(m_dlg));
        ui.AnswerMessageBox(IDNO);
        ui.AnswerMessageBox(IDNO);
        ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
        Command(main, ID_SELECT_PRINTER);
        EXPECT_EQ(ui.Answered().size(), 2u) << "no factory message";
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);
        EXPECT_TRUE(rig::IsChecked(Page(2), IDC_MSW2_COLUMNS_80));
        EXPECT_TRUE(SendEnabled(m_dlg));
    });
}

TEST_F(MainWindowTest, ToolTipsAnswerAnsiAndWideRequests) {
    printers.Add(L"Vek A", L"LPT1:");
    Run([&](HWND main) {
        for (const auto& [id, text] : kToolTips) {
            NMTTDISPINFOW wide{};
            wide.hdr = {nullptr, static_cast<UINT_PTR>(id), static_cast<UINT>(TTN_NEEDTEXTW)};
            ::SendMessageW(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide));
            EXPECT_EQ(std::wstring(wide.szText), text);

            NMTTDISPINFOA ansi{};
            ansi.hdr = {nullptr, static_cast<UINT_PTR>(id), static_cast<UINT>(TTN_NEEDTEXTA)};
            ::SendMessageW(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&ansi));
            char expected[80] = {};
            ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, expected, 80, nullptr, nullptr);
            EXPECT_STREQ(ansi.szText, expected);
        }
    });
}

// The toolbar proxy names a button by its text, and by its tooltip only when it has none: the
// text must be what the tooltip shows for that button.
TEST_F(MainWindowTest, ScreenReadersNameEachToolBarButtonByItsToolTip) {
    printers.Add(L"Vek A", L"LPT1:");
    Run([&](HWND) {
        HWND toolbar = m_dlg.m_wndToolBar.GetSafeHwnd();
        int named = 0;
        for (const TBBUTTON& button : Buttons(toolbar)) {
            if (button.fsStyle & BTNS_SEP) continue;
            const std::wstring tip = ToolTipShown(toolbar, button.idCommand);
            EXPECT_FALSE(tip.empty()) << button.idCommand;
            EXPECT_EQ(ButtonText(toolbar, button.idCommand), tip) << button.idCommand;
            ++named;
        }
        EXPECT_EQ(named, 5);
    });
}

// Wine's oleacc has no menu proxy, so the names are read here as the proxy would read them.
TEST_F(MainWindowTest, ScreenReadersNameEveryMenuItemByItsTextInTheMenuResource) {
    printers.Add(L"Vek A", L"LPT1:");
    Run([&](HWND main) {
        HMENU resource = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
        ASSERT_TRUE(::DeleteMenu(resource, ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND))
            << "the program takes it out";
        // Three labels on the bar, then 6, 6 and 2 owner-drawn items beside the separators.
        EXPECT_EQ(rig::ExpectMenuNamesFrom(resource, ::GetMenu(main)), 3 + 6 + 6 + 2);
        ::DestroyMenu(resource);
    });
}

TEST_F(MainWindowTest, SystemMenuFollowsTheWindowState) {
    printers.Add(L"Vek A", L"LPT1:");
    Run([&](HWND main) {
        HMENU system = ::GetSystemMenu(main, FALSE);
        auto grayed = [&](UINT item) {
            return (::GetMenuState(system, item, MF_BYCOMMAND) & MF_GRAYED) != 0;
        };
        ::ShowWindow(main, SW_MINIMIZE);
        rig::Pump(100);
        EXPECT_TRUE(grayed(SC_SIZE));
        EXPECT_TRUE(grayed(SC_MAXIMIZE));
        EXPECT_FALSE(grayed(SC_RESTORE));
        EXPECT_TRUE(grayed(SC_MINIMIZE));
        ::ShowWindow(main, SW_RESTORE);
        rig::Pump(100);
        EXPECT_TRUE(grayed(SC_RESTORE));
        EXPECT_FALSE(grayed(SC_MINIMIZE));
        EXPECT_EQ(::SendMessageW(main, WM_QUERYDRAGICON, 0, 0),
                  reinterpret_cast<LRESULT>(m_dlg.m_hIcon));
    });
}

TEST(StatusBarTest, FirstPartEndsAtSixAndAHalfTenths) {
    EXPECT_EQ(CMainStatusBar::FirstPartEdge(490), 318);  // w = 49, 318.5 cut
    EXPECT_EQ(CMainStatusBar::FirstPartEdge(499), 318);
    EXPECT_EQ(CMainStatusBar::FirstPartEdge(500), 325);

    // A real bar 490 pixels wide.
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 490, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    CMainStatusBar bar;
    ASSERT_TRUE(bar.CreateFor(parent));
    RECT rect{};
    ::GetWindowRect(bar.GetSafeHwnd(), &rect);
    ASSERT_EQ(rect.right - rect.left, 490);
    int edges[2] = {};
    ::SendMessageW(bar.GetSafeHwnd(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[0], 318);
    EXPECT_EQ(edges[1], -1);
    bar.SetPrinterTexts(L"Q", L"LPT1:");
    EXPECT_EQ(bar.GetText(0), L"プリンタ名： Q");
    EXPECT_EQ(bar.GetText(1), L"接続先： LPT1:");
    ::DestroyWindow(parent);
}

// The buttons' texts are names only: a toolbar of the same style, images and buttons without
// texts has buttons of the same size and place.
TEST(ToolBarTest, TheButtonTextsLeaveEveryButtonAsItWas) {
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr,
                                    nullptr, nullptr);
    CMainToolBar toolbar;
    ASSERT_TRUE(toolbar.CreateFor(parent));
    HWND labelled = toolbar.GetSafeHwnd();
    HWND bare = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                  static_cast<DWORD>(::GetWindowLongW(labelled, GWL_STYLE)), 0, 0,
                                  0, 0, parent, nullptr, nullptr, nullptr);
    ::SendMessageW(bare, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(bare, TB_SETIMAGELIST, 0, ::SendMessageW(labelled, TB_GETIMAGELIST, 0, 0));
    std::vector<TBBUTTON> buttons = Buttons(labelled);
    for (TBBUTTON& button : buttons)
        button.iString = -1;
    ::SendMessageW(bare, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(bare, TB_AUTOSIZE, 0, 0);
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        RECT shown{}, plain{};
        ::SendMessageW(labelled, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&shown));
        ::SendMessageW(bare, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&plain));
        EXPECT_TRUE(::EqualRect(&shown, &plain)) << "button " << i;
    }
    ::DestroyWindow(bare);  // it borrowed the images
    ::DestroyWindow(parent);
}

}  // namespace
