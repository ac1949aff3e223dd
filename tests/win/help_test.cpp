#include <windows.h>
#include <commctrl.h>
#include <htmlhelp.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/HelpFile.h"
#include "framework/Handles.h"
#include "framework/Platform.h"
#include "framework/WinApp.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Ui.h"

namespace {

const std::wstring kFolder = L"C:\\Programs\\Kestrowinda\\";

TEST(ChooseHelpFileTest, EachRowOfTheTablePicksItsFileAndViewer) {
    constexpr DWORD kNineX = VER_PLATFORM_WIN32_WINDOWS;
    constexpr DWORD kNt = VER_PLATFORM_WIN32_NT;
    const struct {
        OsVersion version;
        const wchar_t* file;
        int bHtmlHelp;
        const char* what;
    } rows[] = {
        {{kNineX, 4, 0}, L"ksw4qz.hlp", 0, "Windows 95"},
        {{kNineX, 4, 9}, L"ksw4qz.hlp", 0, "9x below minor 10"},
        {{kNineX, 4, 10}, L"ksw4qz.chm", 1, "Windows 98"},
        {{kNineX, 4, 90}, L"ksw4qz.chm", 1, "Windows Me"},
        {{kNineX, 5, 0}, L"ksw4qz.chm", 1, "9x with major 5"},
        {{kNt, 3, 51}, L"ksw4qz.hlp", 0, "NT 3.51"},
        {{kNt, 4, 0}, L"ksw4qz.hlp", 0, "NT 4.0"},
        {{kNt, 4, 10}, L"ksw4qz.hlp", 0, "NT 4 with any minor"},
        {{kNt, 5, 0}, L"ksw4qz.chm", 1, "Windows 2000"},
        {{kNt, 10, 0}, L"ksw4qz.chm", 1, "Windows 10"},
        {{VER_PLATFORM_WIN32s, 3, 10}, L"ksw4qz.chm", 1, "Win32s"},
        {{7, 1, 0}, L"ksw4qz.chm", 1, "unknown platform"},
    };
    for (const auto& row : rows) {
        const HelpFileChoice choice = ChooseHelpFile(row.version, kFolder);
        EXPECT_EQ(choice.path, kFolder + row.file) << row.what;
        EXPECT_EQ(choice.bHtmlHelp, row.bHtmlHelp) << row.what;
    }
}

TEST(HelpFileExistsTest, OnlyAFileAtThePathCounts) {
    const std::wstring folder = rig::TestDir() + L"helpfolder\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"ksw4qz.chm";
    EXPECT_FALSE(HelpFileExists(file));
    EXPECT_FALSE(HelpFileExists(folder + L"missing\\ksw4qz.chm"));

    UniqueFile created(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(created);
    created.reset();
    EXPECT_TRUE(HelpFileExists(file));

    const std::wstring asFolder = folder + L"ksw4qz.hlp";
    ASSERT_TRUE(::CreateDirectoryW(asFolder.c_str(), nullptr));
    EXPECT_FALSE(HelpFileExists(asFolder));
}

// The build puts the help file into app/, beside kestrowinda.exe; this program is in
// tests/win/ of the same build.
std::wstring BuiltHelpFile() {
    const std::wstring relative = ExecutableFolder() + L"..\\..\\app\\" + kHtmlHelpFileName;
    wchar_t full[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameW(relative.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : relative;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

struct DescendantSearch {
    std::wstring className;
    std::vector<HWND> found;
};

// A named function: a lambda does not convert to the 32-bit stdcall callback type everywhere.
BOOL CALLBACK CollectDescendantOfClass(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<DescendantSearch*>(lp);
    if (ClassOf(child) == s->className) s->found.push_back(child);
    return TRUE;
}

// Every descendant window of `parent` with the class `className`.
std::vector<HWND> FindDescendants(HWND parent, const std::wstring& className) {
    DescendantSearch search{className, {}};
    ::EnumChildWindows(parent, CollectDescendantOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Texts of the items of a list view in this process.
std::vector<std::wstring> ListTexts(HWND list) {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        LVITEMW lv{};
        lv.pszText = text;
        lv.cchTextMax = 128;
        ::SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&lv));
        texts.emplace_back(text);
    }
    return texts;
}

// Texts of the top-level items of a tree view in this process.
std::vector<std::wstring> TreeTexts(HWND tree) {
    std::vector<std::wstring> texts;
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    while (item) {
        wchar_t text[128] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 128;
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        texts.emplace_back(text);
        item = reinterpret_cast<HTREEITEM>(
            ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
    return texts;
}

// HTML Help as the program uses it: hhctrl.ocx loaded by name, HtmlHelpW looked up in it.
class HtmlHelpTest : public testing::Test {
protected:
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

    void SetUp() override {
        m_library.reset(::LoadLibraryW(L"hhctrl.ocx"));
        ASSERT_TRUE(m_library) << "hhctrl.ocx cannot be loaded: " << ::GetLastError();
        const FARPROC proc = ::GetProcAddress(m_library.get(), "HtmlHelpW");
        m_htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void (*)()>(proc));
        ASSERT_NE(m_htmlHelp, nullptr);
    }
    void TearDown() override {
        if (m_htmlHelp) m_htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
        rig::Pump(100);
    }

    UniqueLibrary m_library;
    HtmlHelpFn m_htmlHelp = nullptr;
};

TEST_F(HtmlHelpTest, BuiltHelpFileOpensAViewerWithTheJapaneseContents) {
    const std::wstring path = BuiltHelpFile();
    ASSERT_TRUE(HelpFileExists(path)) << "the build made no help file";

    HWND viewer = m_htmlHelp(nullptr, path.c_str(), HH_DISPLAY_TOPIC, 0);
    ASSERT_NE(viewer, nullptr) << "no viewer window";
    rig::Pump(200);
    EXPECT_TRUE(::IsWindowVisible(viewer));
    EXPECT_EQ(ClassOf(viewer), L"HH Parent");
    // The title is read in the system's ANSI code page, so it reads right only on a
    // Japanese system.
    if (::GetACP() == 932) {
        EXPECT_EQ(rig::Text(viewer), L"Kestrowinda ヘルプ");
    }

    // The contents are read in the help file's code page: Shift_JIS decoded as Japanese.
    const std::vector<HWND> trees = FindDescendants(viewer, L"SysTreeView32");
    ASSERT_EQ(trees.size(), 1u) << "no contents pane";
    const HWND tree = trees[0];
    const std::vector<std::wstring> expected = {
        L"目次",     L"機能選択", L"書式の設定",       L"ＭＳＷ１",     L"ＭＳＷ２",
        L"ＭＳＷ３", L"ＭＳＷ４", L"ハードウェア設定", L"コマンド一覧", L"コマンドライン（kwctl）",
        L"複数のプリンタへの送信（kwctl）",
    };
    EXPECT_EQ(TreeTexts(tree), expected);

    // The index, in the same code page.
    std::vector<std::wstring> keywords;
    for (HWND list : FindDescendants(viewer, L"SysListView32")) {
        if (const auto texts = ListTexts(list); !texts.empty()) keywords = texts;
    }
    ASSERT_FALSE(keywords.empty()) << "no index";
    EXPECT_EQ(keywords.front(), L"CRコードの機能");
    EXPECT_EQ(keywords.back(), L"ローディング方法");

    m_htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    EXPECT_TRUE(rig::WaitFor([&] { return !::IsWindow(viewer); }, 3000))
        << "HH_CLOSE_ALL left the viewer open";
}

TEST_F(HtmlHelpTest, MissingHelpFileOpensNoViewer) {
    const std::wstring path = rig::TestDir() + L"nohelp\\" + kHtmlHelpFileName;
    EXPECT_EQ(m_htmlHelp(nullptr, path.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
}

}  // namespace
