// F1 in the real program opens its help file in the HTML Help viewer, when the file is there.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"
#include "tests/win/rig/Ui.h"

namespace {

std::wstring Folder(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

HWND HelpViewer(const rig::AppProcess& app) {
    for (HWND window : app.TopWindows()) {
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (std::wstring(name) == L"HH Parent") return window;
    }
    return nullptr;
}

// Starts the program in `folder` with the help file beside it and presses F1 there; the main
// window, or null.
HWND StartAndPressF1(rig::AppProcess& app, const std::wstring& folder) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_TRUE(::CopyFileW((Folder(rig::ProgramPath()) + L"ksw4qz.chm").c_str(),
                            (folder + L"ksw4qz.chm").c_str(), FALSE))
        << "the build puts ksw4qz.chm next to kestrowinda.exe";
    if (!app.Start(folder)) return nullptr;
    HWND main = app.WaitForMainWindow();
    if (!main) return nullptr;
    ::SetForegroundWindow(main);
    rig::WaitFor([&] { return ::GetForegroundWindow() == main; }, 2000);
    rig::PressKeys({VK_F1});
    return main;
}

TEST(HelpViewerTest, F1OpensTheHelpFileBesideTheProgram) {
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    rig::AppProcess app;
    ASSERT_NE(StartAndPressF1(app, rig::TestDir() + L"withhelp\\"), nullptr);
    HWND viewer = nullptr;
    EXPECT_TRUE(rig::WaitFor([&] { return (viewer = HelpViewer(app)) != nullptr; }, 10000))
        << "no help viewer";
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr) << "no error message";
}

// The viewer is closed before the help library goes with the main window.
TEST(HelpViewerTest, ExitWithTheViewerOpenEndsCleanly) {
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    rig::AppProcess app;
    const rig::MainWindow main(StartAndPressF1(app, rig::TestDir() + L"exithelp\\"));
    ASSERT_TRUE(main);
    ASSERT_TRUE(rig::WaitFor([&] { return HelpViewer(app) != nullptr; }, 10000));
    main.Command(ID_APP_EXIT);
    EXPECT_EQ(app.WaitForExit(10000), 0) << app.State();
}

TEST(HelpViewerTest, WithoutTheHelpFileF1DoesNothing) {
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"nohelp"));
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::SetForegroundWindow(main);
    rig::WaitFor([&] { return ::GetForegroundWindow() == main; }, 2000);
    rig::PressKeys({VK_F1});
    rig::Pump(1500);
    EXPECT_EQ(HelpViewer(app), nullptr);
    EXPECT_EQ(app.WaitForMessageBox(300), nullptr);
}

}  // namespace
