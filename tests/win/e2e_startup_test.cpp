// The real program from outside: start-up with one queue, a send, the toolbar and status bar,
// the About box, start-ups without a usable queue, a second start while a copy runs, and a
// program that stops answering. (Icons of another process's message boxes cannot be told apart
// from here; the in-process tests check them.)
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include "framework/Handles.h"
#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr wchar_t kQueue[] = L"Vek Brelvistoka 410ZQ";

std::vector<std::uint8_t> FactoryBytes() {
    const SettingsRecord& r = FactoryRecord();
    return std::vector<std::uint8_t>(r.data(), r.data() + r.size());
}

HWND ToolBar(HWND main) {
    return ::FindWindowExW(main, nullptr, TOOLBARCLASSNAMEW, nullptr);
}

HWND StatusBar(HWND main) {
    return ::FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
}

bool ToolButtonEnabled(HWND main, int id) {
    return rig::RemoteSend(ToolBar(main), TB_ISBUTTONENABLED, id) != 0;
}

TEST(EndToEndStartupTest, OneQueueSendsTheFactoryRecordAndGraysSend) {
    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"one"));
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(app.WaitForDialog(L"プリンタの選択", 500), nullptr) << "one queue needs no choice";

    // Toolbar: five buttons in three groups, select-printer disabled with one queue.
    const auto buttons = rig::RemoteToolbarButtons(ToolBar(main));
    ASSERT_EQ(buttons.size(), 9u);
    const int expected[] = {0, ID_TB_LOAD,   ID_TB_SAVE, 0, ID_TB_SEND, 0, ID_TB_FACTORY,
                            0, ID_TB_PRINTER};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(buttons[i].separator, expected[i] == 0) << i;
        if (expected[i] != 0) {
            EXPECT_EQ(buttons[i].command, expected[i]) << i;
        }
    }
    EXPECT_TRUE(ToolButtonEnabled(main, ID_TB_SEND));
    EXPECT_FALSE(ToolButtonEnabled(main, ID_TB_PRINTER));

    EXPECT_EQ(rig::RemoteStatusText(StatusBar(main), 0), L"プリンタ名： Vek Brelvistoka 410ZQ");
    EXPECT_EQ(rig::RemoteStatusText(StatusBar(main), 1), L"接続先： LPT1:");

    ::PostMessageW(main, WM_COMMAND, ID_SEND_TO_PRINTER, 0);
    const rig::SeenBox sent = app.Answer(IDOK);
    EXPECT_EQ(sent.text, L"プリンタに設定値を送信しました。");
    EXPECT_EQ(printers.Captured(L"LPT1:"), FactoryBytes());
    EXPECT_FALSE(ToolButtonEnabled(main, ID_TB_SEND));

    ::PostMessageW(main, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = app.WaitForDialog(L"バージョン情報");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(rig::ItemText(about, IDC_VERSION), L"Version 3.100");
    ::PostMessageW(about, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(about); }));

    // Sent and never changed: the exit asks nothing.
    ::PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(), 0);
}

// Start-ups that leave the program nothing to do: each ends with its message and status 1.
TEST(EndToEndStartupTest, UselessQueuesEndTheProgramWithTheirMessageAndStatusOne) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::wstring, std::wstring>> queues;  // name, port
        std::wstring message;
    };
    const std::wstring kEnd = L"\n\nKestrowindaを終了します。";
    const Case cases[] = {
        {"no queue of the model",
         {},
         L"使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください"
         L"。" +
             kEnd},
        {"one queue on FILE:",
         {{kQueue, L"FILE:"}},
         L"接続先がFILEのため設定値を受信/"
         L"送信できません。\nプリンタ設定を確認してやり直してください。" +
             kEnd},
        {"three queues on FILE:",
         {{L"Vek A", L"FILE:"}, {L"Vek B", L"FILE:"}, {L"Vek C", L"FILE:"}},
         L"インストールされているプリンタの接続先がFILEのため設定値を受信/送信できません。\n"
         L"プリンタ設定を確認してやり直してください。" +
             kEnd},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig::TestPrinters printers;
        printers.Add(L"Other Printer", L"LPT1:", L"Another Maker 9000");
        for (const auto& [name, port] : c.queues)
            printers.Add(name, port);
        rig::AppProcess app;
        ASSERT_TRUE(app.Start(rig::TestDir() + L"useless" + std::to_wstring(++run)));
        const rig::SeenBox box = app.Answer(IDOK, 15000);
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.caption, L"Kestrowinda");
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(app.WaitForExit(), 1);
    }
}

TEST(EndToEndStartupTest, SecondStartRestoresTheRunningCopyAndShowsNothing) {
    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess first;
    ASSERT_TRUE(first.Start(rig::TestDir() + L"first"));
    HWND main = first.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(rig::WaitFor([&] { return ::IsIconic(main) != FALSE; }));

    rig::AppProcess second;
    ASSERT_TRUE(second.Start(rig::TestDir() + L"second"));
    EXPECT_EQ(second.WaitForExit(), 0);
    EXPECT_TRUE(rig::WaitFor([&] { return ::IsIconic(main) == FALSE; })) << "not restored";

    // A renamed copy is another application: it runs as an instance of its own.
    rig::AppProcess renamed;
    ASSERT_TRUE(renamed.Start(rig::TestDir() + L"third", L"kestrowinda2.exe"));
    EXPECT_NE(renamed.WaitForMainWindow(), nullptr);
    EXPECT_TRUE(renamed.Running());
}

}  // namespace

namespace {

// A program that stops answering fails the checks that wait for it: the first call after one
// timeout, every later one at once, so that a hung program cannot hold up the run.
TEST(EndToEndRigTest, AProgramThatStopsAnsweringFailsChecksInsteadOfHoldingThem) {
    rig::TestPrinters printers;
    printers.Add(kQueue, L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"hung"));
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main);
    const UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE,
                                                 ::GetWindowThreadProcessId(main.Hwnd(), nullptr)));
    ASSERT_TRUE(thread);
    ASSERT_NE(::SuspendThread(thread.get()), static_cast<DWORD>(-1));

    testing::TestPartResultArray failures;
    const DWORD start = ::GetTickCount();
    {
        testing::ScopedFakeTestPartResultReporter record(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        rig::RemoteSend(main.ToolBar(), TB_ISBUTTONENABLED, ID_TB_SEND, 0, 1000);
        main.PageStates();
    }
    const DWORD spent = ::GetTickCount() - start;
    ::ResumeThread(thread.get());

    ASSERT_GE(failures.size(), 2);
    const std::string first = failures.GetTestPartResult(0).message();
    const std::string second = failures.GetTestPartResult(1).message();
    EXPECT_NE(first.find("in time"), std::string::npos) << first;
    EXPECT_NE(second.find("stopped answering"), std::string::npos) << second;
    EXPECT_LT(spent, 3000u) << "one timeout, not one per control";
}

}  // namespace
