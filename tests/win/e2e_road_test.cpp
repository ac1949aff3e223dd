// The real program from outside, along the road of one change: a switch on a page, Ctrl+W, the
// exit with its save question and the settings file; and a form changed in the form dialog
// that reaches the printer.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
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

constexpr wchar_t kQueue[] = L"Vek Brelvistoka 410ZQ";
constexpr wchar_t kSent[] = L"プリンタに設定値を送信しました。";
constexpr wchar_t kAskSaveOnExit[] = L"Kestrowinda を終了する前に、設定ファイルへ保存しますか？";

std::vector<std::uint8_t> FactoryBytes() {
    const SettingsRecord& r = FactoryRecord();
    return std::vector<std::uint8_t>(r.data(), r.data() + r.size());
}

std::vector<int> Sorted(std::vector<int> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(EndToEndRoadTest, OneChangeIsSentWithCtrlWAndSavedOnTheWayOut) {
    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess app;
    const std::wstring folder = rig::TestDir() + L"road\\";
    ASSERT_TRUE(app.Start(folder));
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main) << "no main window: program " << app.State();

    // 1-4: the switch on the MSW2 page reaches the working record; Send is enabled.
    HWND msw2 = main.ShowPage(2);
    ASSERT_NE(msw2, nullptr);
    rig::RemoteClick(msw2, IDC_MSW2_COLUMNS_80);
    EXPECT_TRUE(rig::RemoteChecked(msw2, IDC_MSW2_COLUMNS_80));
    EXPECT_TRUE(main.ToolEnabled(ID_TB_SEND));

    // 5-6: Ctrl+W sends exactly the record, and Send grays.
    ASSERT_TRUE(rig::BringToFront(main.Hwnd()));
    printers.Clear(L"LPT1:");
    rig::PressKeys({VK_CONTROL, 'W'});
    EXPECT_EQ(app.Answer(IDOK).text, kSent);
    std::vector<std::uint8_t> expected = FactoryBytes();
    expected[16] = 0x02;
    EXPECT_EQ(printers.Captured(L"LPT1:"), expected);
    EXPECT_FALSE(main.ToolEnabled(ID_TB_SEND));

    // 7: sent but never saved, so the exit asks only the save question.
    main.Command(ID_APP_EXIT);
    const rig::SeenBox question = app.Answer(IDYES);
    EXPECT_EQ(question.text, kAskSaveOnExit);
    EXPECT_EQ(question.caption, L"Kestrowinda");
    EXPECT_EQ(Sorted(question.buttons), Sorted({IDYES, IDNO, IDCANCEL}));
    HWND saveAs = app.WaitForFileDialog(true);
    ASSERT_NE(saveAs, nullptr) << "no Save As dialog after Yes";
    // A bare name lands in the program's folder, with the default extension.
    rig::RemoteEnterFileName(saveAs, L"road");

    // 8: the program ends, leaving the 199-byte settings file.
    EXPECT_EQ(app.WaitForExit(), 0);
    const std::string header("Brelvistoka 410ZQ\n", 19);
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), expected.begin(), expected.end());
    EXPECT_EQ(rig::ReadBytes(folder + L"road.dat"), file);
}

TEST(EndToEndRoadTest, FrontTractorOfFormTwoReachesThePrinter) {
    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"form"));
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main) << "no main window: program " << app.State();

    HWND select = main.Page(0);
    ASSERT_TRUE(main.PageVisible(0));
    rig::RemoteChooseCombo(select, IDC_SEL_FORM, L"書式２");
    HWND formButton = ::GetDlgItem(select, IDC_SEL_FORM_SETTINGS);
    EXPECT_EQ(rig::RemoteText(formButton), L"書式２の設定(&D)...");
    ::PostMessageW(formButton, BM_CLICK, 0, 0);
    HWND form = app.WaitForDialog(L"書式の設定： 書式２");
    ASSERT_NE(form, nullptr) << "no form dialog for the third form";

    HWND front = ::GetDlgItem(form, IDC_FORM_FRONT_EDIT);
    EXPECT_EQ(rig::RemoteText(front), L"120");
    rig::RemoteSetText(front, L"100");
    EXPECT_EQ(rig::RemoteText(front), L"100");
    EXPECT_EQ(rig::RemoteSend(::GetDlgItem(form, IDC_FORM_FRONT_SLIDER), TBM_GETPOS), 9);
    ::PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(form); })) << "OK did not close the form";

    printers.Clear(L"LPT1:");
    main.Command(ID_SEND_TO_PRINTER);
    EXPECT_EQ(app.Answer(IDOK).text, kSent);
    std::vector<std::uint8_t> expected = FactoryBytes();
    expected[26] = '2';
    expected[107] = '1';
    expected[108] = '0';
    expected[109] = '0';
    EXPECT_EQ(printers.Captured(L"LPT1:"), expected);

    // Sent, not saved: No to the save question ends the program.
    main.Command(ID_APP_EXIT);
    EXPECT_EQ(app.Answer(IDNO).text, kAskSaveOnExit);
    EXPECT_EQ(app.WaitForExit(), 0);
}

}  // namespace
