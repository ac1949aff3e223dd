// The real program from outside with two queues: the choice at start-up, a later switch with
// its questions, and a queue that vanishes after it was chosen.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr wchar_t kSelectCaption[] = L"プリンタの選択";
constexpr wchar_t kFirst[] = L"Vek Brelvistoka 410ZQ";
constexpr wchar_t kSecond[] = L"Vek Brelvistoka 410ZQ (Lager)";

using Rows = std::vector<std::vector<std::wstring>>;

std::vector<std::uint8_t> FactoryBytes() {
    const SettingsRecord& r = FactoryRecord();
    return std::vector<std::uint8_t>(r.data(), r.data() + r.size());
}

class EndToEndPrintersTest : public testing::Test {
protected:
    void SetUp() override {
        // Added in the reverse of their sorted order.
        printers.Add(kSecond, L"LPT2:");
        printers.Add(kFirst, L"LPT1:");
    }

    // Starts the program and takes the row that the selection dialog preselects.
    rig::MainWindow StartWithFirstQueue(const std::wstring& folder) {
        if (!app.Start(rig::TestDir() + folder)) return rig::MainWindow();
        HWND select = app.WaitForDialog(kSelectCaption);
        if (!select) {
            ADD_FAILURE() << "no printer selection at start-up with two queues (program "
                          << app.State() << ")";
            return rig::MainWindow();
        }
        EXPECT_EQ(ListRows(select), (Rows{{kFirst, L"LPT1:"}, {kSecond, L"LPT2:"}}));
        ::PostMessageW(select, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return rig::MainWindow(app.WaitForMainWindow());
    }

    static Rows ListRows(HWND select) {
        return rig::RemoteListRows(::GetDlgItem(select, IDC_PRINTER_LIST), 2);
    }

    rig::TestPrinters printers;
    rig::AppProcess app;
};

TEST_F(EndToEndPrintersTest, SwitchingAsksBothQuestionsAndStartsAgainFromTheFactoryRecord) {
    const rig::MainWindow main = StartWithFirstQueue(L"switch");
    ASSERT_TRUE(main);
    EXPECT_EQ(main.Status(0), std::wstring(L"プリンタ名： ") + kFirst);
    EXPECT_EQ(main.Status(1), L"接続先： LPT1:");
    EXPECT_TRUE(main.ToolEnabled(ID_TB_PRINTER)) << "two queues to choose from";

    HWND msw2 = main.ShowPage(2);
    ASSERT_NE(msw2, nullptr);
    rig::RemoteClick(msw2, IDC_MSW2_COLUMNS_80);

    main.Command(ID_SELECT_PRINTER);
    EXPECT_EQ(
        app.Answer(IDNO).text,
        L"設定値が変更されています。\nプリンタを切り替える前に、設定値をプリンタへ送信しますか？");
    EXPECT_EQ(
        app.Answer(IDNO).text,
        L"設定値が変更されています。\nプリンタを切り替える前に、設定ファイルへ保存しますか？");
    HWND select = app.WaitForDialog(kSelectCaption);
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(ListRows(select), (Rows{{kFirst, L"LPT1:"}, {kSecond, L"LPT2:"}}));
    rig::RemoteSelectRow(::GetDlgItem(select, IDC_PRINTER_LIST), 1);
    ::PostMessageW(select, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(app.Answer(IDOK).text, L"工場出荷設定値を表示しました。");

    EXPECT_EQ(main.Status(0), std::wstring(L"プリンタ名： ") + kSecond);
    EXPECT_EQ(main.Status(1), L"接続先： LPT2:");
    EXPECT_EQ(main.SelectedTab(), 0);
    EXPECT_TRUE(main.PageVisible(0));
    EXPECT_TRUE(rig::RemoteChecked(msw2, IDC_MSW2_COLUMNS_136));
    EXPECT_FALSE(rig::RemoteChecked(msw2, IDC_MSW2_COLUMNS_80));
    EXPECT_TRUE(main.ToolEnabled(ID_TB_SEND));

    // The next send goes to the new queue, with the factory record.
    printers.Clear(L"LPT1:");
    printers.Clear(L"LPT2:");
    main.Command(ID_SEND_TO_PRINTER);
    EXPECT_EQ(app.Answer(IDOK).text, L"プリンタに設定値を送信しました。");
    EXPECT_EQ(printers.Captured(L"LPT2:"), FactoryBytes());
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty());
}

TEST_F(EndToEndPrintersTest, QueueDeletedAfterItWasChosenFailsAndOffersTheOthers) {
    const rig::MainWindow main = StartWithFirstQueue(L"deleted");
    ASSERT_TRUE(main);
    printers.Remove(kFirst);
    printers.Clear(L"LPT1:");

    main.Command(ID_SEND_TO_PRINTER);
    const rig::SeenBox failed = app.Answer(IDOK);
    EXPECT_EQ(
        failed.text,
        L"指定されたプリンタは、現在接続されていないか、プリンタ使用権の制限により使用できません"
        L"。");
    EXPECT_EQ(failed.caption, L"Kestrowinda");
    HWND select = app.WaitForDialog(kSelectCaption);
    ASSERT_NE(select, nullptr) << "no printer selection after the failed send";
    EXPECT_EQ(ListRows(select), (Rows{{kSecond, L"LPT2:"}}));

    // Cancel keeps the printer in use, although it is gone.
    ::PostMessageW(select, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(select); }));
    EXPECT_EQ(main.Status(0), std::wstring(L"プリンタ名： ") + kFirst);
    EXPECT_EQ(main.Status(1), L"接続先： LPT1:");
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty());
    EXPECT_TRUE(printers.Captured(L"LPT2:").empty());
    EXPECT_TRUE(app.Running());
}

}  // namespace
