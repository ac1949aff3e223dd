// The real program from outside, loading settings files: files that are no settings files are
// refused without touching the pages, and an odd but valid file reaches the printer with its
// digits repaired and its raw switch bytes as they were.
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr wchar_t kQueue[] = L"Vek Brelvistoka 410ZQ";

std::vector<std::uint8_t> FactoryBytes() {
    const SettingsRecord& r = FactoryRecord();
    return std::vector<std::uint8_t>(r.data(), r.data() + r.size());
}

// A settings file: `header` (19 bytes in a good file), then `record`.
std::vector<std::uint8_t> SettingsFile(const std::string& header,
                                       const std::vector<std::uint8_t>& record) {
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), record.begin(), record.end());
    return file;
}

const std::string kHeader("Brelvistoka 410ZQ\n", 19);

class EndToEndFilesTest : public testing::Test {
protected:
    void SetUp() override { printers.Add(kQueue, L"LPT1:"); }

    // Runs the load command up to the Open dialog and chooses `path` there.
    void Load(const rig::MainWindow& main, const std::wstring& path, bool expectQuestion) {
        main.Command(ID_LOAD_SETTINGS);
        if (expectQuestion) {
            EXPECT_EQ(app.Answer(IDYES).text,
                      L"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。");
        }
        HWND open = app.WaitForFileDialog(false);
        ASSERT_NE(open, nullptr) << "no Open dialog";
        rig::RemoteEnterFileName(open, path);
        ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(open); })) << "Open stays";
    }

    rig::TestPrinters printers;
    rig::AppProcess app;
};

TEST_F(EndToEndFilesTest, FilesThatAreNoSettingsFilesLeaveThePagesAsTheyWere) {
    // Both would change the pages if they were taken.
    std::vector<std::uint8_t> other = FactoryBytes();
    other[16] = 0xFF;
    const std::wstring wrongHeader = rig::TestDir() + L"other-model.dat";
    const std::wstring shortRecord = rig::TestDir() + L"short.dat";
    ASSERT_TRUE(
        rig::WriteBytes(wrongHeader, SettingsFile(std::string("Brelvistoka 410ZR\n", 19), other)));
    ASSERT_TRUE(rig::WriteBytes(
        shortRecord,
        SettingsFile(kHeader, std::vector<std::uint8_t>(other.begin(), other.begin() + 100))));

    ASSERT_TRUE(app.Start(rig::TestDir() + L"refused"));
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main) << "no main window: program " << app.State();
    HWND msw2 = main.ShowPage(2);
    ASSERT_NE(msw2, nullptr);
    rig::RemoteClick(msw2, IDC_MSW2_COLUMNS_80);
    const std::vector<std::wstring> before = main.PageStates();
    ASSERT_EQ(before.size(), 72u) << "the setting controls of the six pages and the form button";

    for (const std::wstring& path : {wrongHeader, shortRecord}) {
        SCOPED_TRACE(testing::Message()
                     << "file "
                     << (path == wrongHeader ? "with another header" : "with a short record"));
        Load(main, path, true);
        const rig::SeenBox refused = app.Answer(IDOK);
        EXPECT_EQ(refused.text, L"このファイルは設定ファイルではありません。");
        EXPECT_EQ(refused.caption, L"Kestrowinda");
        EXPECT_EQ(main.PageStates(), before);
    }

    // Nothing was taken: the changed record is still unsent and unsaved.
    main.Command(ID_APP_EXIT);
    EXPECT_EQ(app.Answer(IDNO).text,
              L"Kestrowinda を終了する前に、設定値をプリンタへ送信しますか？");
    EXPECT_EQ(app.Answer(IDNO).text, L"Kestrowinda を終了する前に、設定ファイルへ保存しますか？");
    EXPECT_EQ(app.WaitForExit(), 0);
}

TEST_F(EndToEndFilesTest, OddFileReachesThePrinterRepairedDigitsAndRawSwitchBytesAlike) {
    std::vector<std::uint8_t> odd = FactoryBytes();
    odd[3] = ';';     // a separator: carried
    odd[4] = '9';     // kanji table: no such code
    odd[14] = 0xA0;   // MSW1: Sweden
    odd[16] = 0x2C;   // MSW2: a ',' as switches
    odd[18] = 0x4C;   // MSW3: only the switches no page shows
    odd[20] = 0x80;   // MSW4: likewise
    odd[26] = '7';    // form: no such code
    odd[164] = '6';   // loading time: no such code
    odd[179] = 0xFF;  // the zero trailer: carried
    const std::wstring path = rig::TestDir() + L"odd.dat";
    ASSERT_TRUE(rig::WriteBytes(path, SettingsFile(kHeader, odd)));

    ASSERT_TRUE(app.Start(rig::TestDir() + L"odd"));
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main) << "no main window: program " << app.State();
    // The pages equal the record last sent: no question before the Open dialog.
    Load(main, path, false);
    EXPECT_EQ(app.WaitForMessageBox(500), nullptr) << "a good file loads without a message";
    EXPECT_EQ(rig::RemoteComboText(main.Page(0), IDC_SEL_KANJI_TABLE), L"JIS1978年版");
    EXPECT_EQ(rig::RemoteComboText(main.Page(0), IDC_SEL_FORM), L"書式０");
    EXPECT_EQ(rig::RemoteComboText(main.Page(1), IDC_MSW1_COUNTRY), L"スウェーデン");

    printers.Clear(L"LPT1:");
    main.Command(ID_SEND_TO_PRINTER);
    EXPECT_EQ(app.Answer(IDOK).text, L"プリンタに設定値を送信しました。");
    std::vector<std::uint8_t> expected = odd;
    expected[4] = '0';
    expected[26] = '0';
    expected[164] = '0';
    EXPECT_EQ(printers.Captured(L"LPT1:"), expected);
}

}  // namespace
