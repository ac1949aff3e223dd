// Pictures of the real program as an operator sees it: the printer choice, the six tabs, the
// form dialog, the open File menu and the About box, and the main window and the form dialog
// once more at 144 DPI. Each run writes them as BMP files into the build folder's screenshots/
// (or KW_SHOT_DIR); tests/win/screenshots.sh turns them into the PNG files of docs/.
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win/rig/Dpi.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr int kPaintMs = 400;  // for a window that has just shown to paint itself

std::wstring ShotFolder() {
    if (const wchar_t* folder = _wgetenv(L"KW_SHOT_DIR"); folder && *folder)
        return std::filesystem::path(folder).wstring() + L"\\";
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    // build/win64/tests/win/win_screenshots_test.exe -> build/win64/screenshots/
    const auto folder =
        std::filesystem::path(exe).parent_path().parent_path().parent_path() / L"screenshots";
    std::filesystem::create_directories(folder);
    return folder.wstring() + L"\\";
}

RECT WindowArea(HWND window) {
    RECT area{};
    ::GetWindowRect(window, &area);
    return area;
}

void Shoot(const RECT& area, const wchar_t* name) {
    rig::Pump(kPaintMs);
    EXPECT_TRUE(rig::SaveScreenBmp(area, ShotFolder() + name + L".bmp")) << "picture not saved";
}

// A window of the program, painted in full first: on a busy machine a window that has just
// shown may still be painting its controls after the pause above. The paint waits for the
// program, so it is asked only of a program that answers.
void Shoot(HWND window, const wchar_t* name) {
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored)) {
        ::RedrawWindow(window, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    Shoot(WindowArea(window), name);
}

TEST(Screenshots, EveryWindowTheOperatorMeets) {
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    printers.Add(L"Vek Brelvistoka 410ZQ (2F)", L"LPT2:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"shots"));

    HWND select = app.WaitForDialog(L"プリンタの選択");
    ASSERT_NE(select, nullptr);
    Shoot(select, L"printer-select");
    ::PostMessageW(select, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main);

    const wchar_t* tabs[] = {L"tab-select", L"tab-msw1", L"tab-msw2",
                             L"tab-msw3",   L"tab-msw4", L"tab-hardware"};
    for (int i = 5; i >= 0; --i) {
        ASSERT_NE(main.ShowPage(i), nullptr) << "page " << i;
        Shoot(main.Hwnd(), tabs[i]);
    }

    // The form dialog of a form whose margins can be changed.
    HWND page = main.Page(0);
    rig::RemoteChooseCombo(page, IDC_SEL_FORM, L"書式１");
    ::PostMessageW(::GetDlgItem(page, IDC_SEL_FORM_SETTINGS), BM_CLICK, 0, 0);
    HWND form = app.WaitForDialog(L"書式の設定： 書式１");
    ASSERT_NE(form, nullptr);
    Shoot(form, L"form");
    ::PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(form); }));

    main.Command(ID_APP_ABOUT);
    HWND about = app.WaitForDialog(L"バージョン情報");
    ASSERT_NE(about, nullptr);
    Shoot(about, L"about");
    ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(rig::WaitFor([&] { return !::IsWindow(about); }));

    // The File menu, opened as Alt+F does.
    ASSERT_TRUE(rig::BringToFront(main.Hwnd()));
    ::PostMessageW(main.Hwnd(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
    HWND popup = nullptr;
    ASSERT_TRUE(rig::WaitFor([&] {
        popup = ::FindWindowW(L"#32768", nullptr);
        return popup && ::IsWindowVisible(popup);
    })) << "the File menu did not open";
    RECT area = WindowArea(main.Hwnd());
    const RECT menu = WindowArea(popup);
    ::UnionRect(&area, &area, &menu);
    Shoot(area, L"main-menu");
    rig::PressKeys({VK_ESCAPE});
    rig::PressKeys({VK_ESCAPE});
    EXPECT_TRUE(rig::WaitFor([&] { return !::IsWindowVisible(popup); }));
}

TEST(Screenshots, MainWindowAndFormAt144Dpi) {
    rig::UseScreenPixels();
    const rig::ProgramDpi dpi(144);
    rig::TestPrinters printers;
    printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:");
    rig::AppProcess app;
    ASSERT_TRUE(app.Start(rig::TestDir() + L"shots144"));
    const rig::MainWindow main(app.WaitForMainWindow());
    ASSERT_TRUE(main);
    Shoot(main.Hwnd(), L"tab-select-144dpi");

    HWND page = main.Page(0);
    rig::RemoteChooseCombo(page, IDC_SEL_FORM, L"書式１");
    ::PostMessageW(::GetDlgItem(page, IDC_SEL_FORM_SETTINGS), BM_CLICK, 0, 0);
    HWND form = app.WaitForDialog(L"書式の設定： 書式１");
    ASSERT_NE(form, nullptr);
    Shoot(form, L"form-144dpi");
    ::PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(rig::WaitFor([&] { return !::IsWindow(form); }));
}

}  // namespace
