// The real program from outside, driven by the keyboard alone: keystrokes go through the
// system's input queue into whatever window is in front, as an operator's do.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr wchar_t kAskSendOnExit[] =
    L"Kestrowinda を終了する前に、設定値をプリンタへ送信しますか？";
constexpr wchar_t kAskSaveOnExit[] = L"Kestrowinda を終了する前に、設定ファイルへ保存しますか？";

std::vector<std::uint8_t> FactoryBytes() {
    const SettingsRecord& r = FactoryRecord();
    return std::vector<std::uint8_t>(r.data(), r.data() + r.size());
}

class EndToEndKeysTest : public testing::Test {
protected:
    // Waits for the next message box, checks its text and answers it with `keys`.
    void AnswerWithKeys(const std::wstring& text, std::initializer_list<WORD> keys) {
        HWND box = app.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << "no message box";
        EXPECT_EQ(rig::Inspect(box).text, text);
        ASSERT_TRUE(rig::BringToFront(box));
        rig::PressKeys(keys);
        EXPECT_TRUE(rig::WaitFor([&] { return !::IsWindow(box); })) << "the box stays";
    }

    // Types a file name into the Open or Save As dialog and presses Enter.
    void TypeFileName(bool forSaving, const std::wstring& name) {
        HWND dialog = app.WaitForFileDialog(forSaving);
        ASSERT_NE(dialog, nullptr) << (forSaving ? "no Save As dialog" : "no Open dialog");
        ASSERT_TRUE(rig::BringToFront(dialog));
        rig::TypeText(name);
        rig::PressKeys({VK_RETURN});
        EXPECT_TRUE(rig::WaitFor([&] { return !::IsWindow(dialog); })) << "the dialog stays";
    }

    rig::TestPrinters printers;
    rig::AppProcess app;
};

TEST_F(EndToEndKeysTest, EveryCommandKeyAndTheExitQuestionsWorkWithoutAMouse) {
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    printers.Add(L"Vek Brelvistoka 410ZQ (2)", L"LPT2:");
    const std::wstring folder = rig::TestDir() + L"keys\\";
    ASSERT_TRUE(app.Start(folder));
    HWND select = app.WaitForDialog(L"プリンタの選択");
    ASSERT_NE(select, nullptr);
    ASSERT_TRUE(rig::BringToFront(select));
    rig::PressKeys({VK_RETURN});
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main) << "Enter did not choose the preselected queue";
    ASSERT_TRUE(rig::BringToFront(main.Hwnd()));

    // Ctrl+K/1/2/3/4/H show their tabs.
    const struct {
        WORD key;
        int tab;
    } tabs[] = {{'1', 1}, {'2', 2}, {'3', 3}, {'4', 4}, {'H', 5}, {'K', 0}};
    for (const auto& [key, tab] : tabs) {
        rig::PressKeys({VK_CONTROL, key});
        EXPECT_TRUE(rig::WaitFor([&] {
            return main.SelectedTab() == tab && main.PageVisible(tab);
        })) << "Ctrl+"
            << static_cast<char>(key) << " did not show tab " << tab;
    }

    // Ctrl+W sends.
    printers.Clear(L"LPT1:");
    rig::PressKeys({VK_CONTROL, 'W'});
    AnswerWithKeys(L"プリンタに設定値を送信しました。", {VK_RETURN});
    EXPECT_EQ(printers.Captured(L"LPT1:"), FactoryBytes());

    // Keys that do nothing now: Ctrl+W with Send grayed, Ctrl+R (no receive command), F1
    // without a help file beside the program, Enter and Esc on the main window.
    printers.Clear(L"LPT1:");
    ASSERT_TRUE(rig::BringToFront(main.Hwnd()));
    for (WORD key : {WORD{'W'}, WORD{'R'}})
        rig::PressKeys({VK_CONTROL, key});
    for (WORD key : {WORD{VK_F1}, WORD{VK_RETURN}, WORD{VK_ESCAPE}})
        rig::PressKeys({key});
    EXPECT_EQ(app.WaitForMessageBox(500), nullptr);
    EXPECT_EQ(app.TopWindows(), std::vector<HWND>{main.Hwnd()});
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty());

    // A switch by its mnemonic, then Ctrl+S saves it under a typed name.
    rig::PressKeys({VK_CONTROL, '2'});
    rig::PressKeys({VK_MENU, 'O'});
    EXPECT_TRUE(
        rig::WaitFor([&] { return rig::RemoteChecked(main.Page(2), IDC_MSW2_COLUMNS_80); }));
    rig::PressKeys({VK_CONTROL, 'S'});
    TypeFileName(true, L"keys");
    // The program writes the file after its dialog has gone; under load that takes a moment.
    std::vector<std::uint8_t> saved;
    rig::WaitFor([&] { return (saved = rig::ReadBytes(folder + L"keys.dat")).size() == 199; });
    ASSERT_EQ(saved.size(), 199u);
    EXPECT_EQ(saved[19 + 16], 0x02);

    // Ctrl+I shows the factory settings on the first page.
    rig::PressKeys({VK_CONTROL, 'I'});
    AnswerWithKeys(L"工場出荷設定値を表示しました。", {VK_RETURN});
    EXPECT_TRUE(main.PageVisible(0));
    EXPECT_FALSE(rig::RemoteChecked(main.Page(2), IDC_MSW2_COLUMNS_80));

    // Ctrl+O loads the file again; the pages equal the record sent, so nothing is asked.
    rig::PressKeys({VK_CONTROL, 'O'});
    TypeFileName(false, L"keys.dat");
    EXPECT_TRUE(rig::RemoteChecked(main.Page(2), IDC_MSW2_COLUMNS_80));

    // Ctrl+C asks about the unsent change first; Esc abandons the switch.
    rig::PressKeys({VK_CONTROL, 'C'});
    AnswerWithKeys(
        L"設定値が変更されています。\nプリンタを切り替える前に、設定値をプリンタへ送信しますか？",
        {VK_ESCAPE});
    EXPECT_EQ(app.WaitForDialog(L"プリンタの選択", 500), nullptr);

    // One more change: now unsent and unsaved. (Alt+F4 is pressed with a radio button in
    // focus: under Wine a focused drop-down list takes F4 for itself.)
    rig::PressKeys({VK_CONTROL, '2'});
    rig::PressKeys({VK_MENU, '1'});
    EXPECT_TRUE(
        rig::WaitFor([&] { return rig::RemoteChecked(main.Page(2), IDC_MSW2_DIRECTION_UNI); }));
    rig::PressKeys({VK_CONTROL, 'K'});

    // Alt+F4 asks; Esc keeps the program running, No and No end it.
    rig::PressKeys({VK_MENU, VK_F4});
    AnswerWithKeys(kAskSendOnExit, {VK_ESCAPE});
    EXPECT_TRUE(app.Running());
    ASSERT_TRUE(rig::BringToFront(main.Hwnd()));
    rig::PressKeys({VK_MENU, VK_F4});
    AnswerWithKeys(kAskSendOnExit, {'N'});
    AnswerWithKeys(kAskSaveOnExit, {'N'});
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_EQ(rig::ReadBytes(folder + L"keys.dat"), saved) << "No saved nothing";
}

}  // namespace
