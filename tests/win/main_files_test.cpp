// Settings files, exit and help on the main window in the test's own process, with the
// system's real Open and Save As dialogs.
#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainDialog.h"
#include "framework/Handles.h"
#include "framework/Platform.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Process.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr wchar_t kMainCaption[] = L"Vek Brelvistoka 410ZQ Kestrowinda";
constexpr wchar_t kNotSettingsFile[] = L"このファイルは設定ファイルではありません。";
constexpr wchar_t kDiscard[] =
    L"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。";
constexpr wchar_t kAskSendOnExit[] =
    L"Kestrowinda を終了する前に、設定値をプリンタへ送信しますか？";
constexpr wchar_t kAskSaveOnExit[] = L"Kestrowinda を終了する前に、設定ファイルへ保存しますか？";
constexpr wchar_t kWriteFailed[] = L"設定ファイルの書き込みに失敗しました。";

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::wstring& path, const Bytes& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes FileImage(const SettingsRecord& record) {
    const std::string header = "Brelvistoka 410ZQ\n";
    Bytes bytes(header.begin(), header.end());
    bytes.push_back(0);
    bytes.insert(bytes.end(), record.data(), record.data() + record.size());
    return bytes;
}

// Names in `folder`.
std::vector<std::wstring> Entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder)))
        names.push_back(entry.path().filename().wstring());
    return names;
}

// Runs `action` while the next window captioned `caption` is destroyed: for a file dialog,
// once it has been answered and before the command goes on with the chosen file.
class WhenDestroyed {
public:
    WhenDestroyed(const std::wstring& caption, std::function<void()> action) {
        s_caption = caption;
        s_action = std::move(action);
        s_hook = ::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
    }
    ~WhenDestroyed() {
        ::UnhookWindowsHookEx(s_hook);
        s_action = nullptr;
    }
    WhenDestroyed(const WhenDestroyed&) = delete;
    WhenDestroyed& operator=(const WhenDestroyed&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp) {
        if (code == HCBT_DESTROYWND && s_action &&
            rig::Text(reinterpret_cast<HWND>(wp)) == s_caption) {
            std::exchange(s_action, nullptr)();
        }
        return ::CallNextHookEx(s_hook, code, wp, lp);
    }
    static inline HHOOK s_hook = nullptr;
    static inline std::wstring s_caption;
    static inline std::function<void()> s_action;
};

bool SendEnabled(HWND main) {
    return !(::GetMenuState(::GetMenu(main), ID_SEND_TO_PRINTER, MF_BYCOMMAND) & MF_GRAYED);
}

class MainFilesTest : public testing::Test {
protected:
    void SetUp() override { printers.Add(L"Vek Brelvistoka 410ZQ", L"LPT1:"); }

    void Run(const std::function<void(HWND)>& body) {
        ui.OnDialog(kMainCaption, [&](HWND main) {
            body(main);
            if (!m_dlg.IsEnding()) m_dlg.EndDialog(IDOK);
        });
        m_dlg.DoModal();
    }
    void Command(HWND main, UINT id) { ::SendMessageW(main, WM_COMMAND, id, 0); }
    HWND Msw2() const { return m_dlg.m_pageMSW2.GetSafeHwnd(); }
    void SaveAs(const std::wstring& path) {
        ui.OnDialog(L"Save As", [path](HWND dialog) { rig::EnterFileName(dialog, path); });
    }
    void Open(const std::wstring& path) {
        ui.OnDialog(L"Open", [path](HWND dialog) { rig::EnterFileName(dialog, path); });
    }
    void CancelFileDialog(const std::wstring& caption) {
        ui.OnDialog(caption, [](HWND dialog) { rig::Click(dialog, IDCANCEL); });
    }
    std::wstring Last() const { return ui.Answered().empty() ? L"" : ui.Answered().back().text; }

    rig::TestPrinters printers;
    rig::UiScript ui;
    CMainDialog m_dlg;
    const std::wstring m_dir = rig::TestDir();
};

TEST_F(MainFilesTest, SavedFileIsTheHeaderAndTheRecordAndLoadsBack) {
    const std::wstring path = m_dir + L"round.dat";
    Run([&](HWND main) {
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        SaveAs(path);
        Command(main, ID_SAVE_SETTINGS);
        const Bytes saved = ReadFile(path);
        ASSERT_EQ(saved.size(), 199u);
        EXPECT_EQ(saved, FileImage(m_dlg.m_recWorking));
        EXPECT_EQ(saved[19 + 16], 0x02);
        EXPECT_EQ(m_dlg.m_recFile, m_dlg.m_recWorking);

        // Back to the factory pages, then load the file: pages and file copy follow it.
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_FACTORY_SETTINGS);
        Open(path);  // the pages equal the record sent (never sent): no question
        Command(main, ID_LOAD_SETTINGS);
        EXPECT_TRUE(rig::IsChecked(Msw2(), IDC_MSW2_COLUMNS_80));
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);
        EXPECT_EQ(m_dlg.m_recFile, m_dlg.m_recWorking);
    });
}

// What the standard dialogs offer: one file type, "*.dat" as the name, no read-only box.
TEST_F(MainFilesTest, FileDialogsOfferTheSettingsFileType) {
    Run([&](HWND main) {
        for (const wchar_t* caption : {L"Save As", L"Open"}) {
            ui.OnDialog(caption, [](HWND dialog) {
                HWND types = ::GetDlgItem(dialog, 1136);
                EXPECT_EQ(::SendMessageW(types, CB_GETCOUNT, 0, 0), 1);
                EXPECT_EQ(rig::ComboText(dialog, 1136), L"KW設定ファイル (*.dat)");
                HWND name = ::GetDlgItem(dialog, 1148);
                EXPECT_EQ(rig::Text(name), L"*.dat");
                wchar_t folder[MAX_PATH] = {};
                ::SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH,
                               reinterpret_cast<LPARAM>(folder));
                std::wstring expected = ExecutableFolder();
                expected.pop_back();  // the dialog names it without the backslash
                EXPECT_EQ(std::wstring(folder), expected) << "starts in the program's folder";
                HWND readOnly = ::GetDlgItem(dialog, 1040);
                EXPECT_TRUE(!readOnly || !::IsWindowVisible(readOnly));
                rig::Click(dialog, IDCANCEL);
            });
            Command(main, caption[0] == L'S' ? ID_SAVE_SETTINGS : ID_LOAD_SETTINGS);
        }
        EXPECT_TRUE(ui.Done());
    });
}

TEST_F(MainFilesTest, SavingOverALongerFileLeavesExactlyTheNewFile) {
    const std::wstring path = m_dir + L"long.dat";
    WriteFile(path, Bytes(500, 'x'));
    Run([&](HWND main) {
        SaveAs(path);
        ui.AnswerMessageBox(IDYES);  // the dialog's replace question
        Command(main, ID_SAVE_SETTINGS);
        EXPECT_EQ(ReadFile(path), FileImage(FactoryRecord()));
    });
}

TEST_F(MainFilesTest, FailedSaveKeepsTheOldFileAndTheFileCopy) {
    // On the 9x family every failure to write is reported as such.
    ScopedOsVersionForTesting win95(kWindows95);
    const std::wstring path = m_dir + L"locked.dat";
    const Bytes old = FileImage(FactoryRecord());
    WriteFile(path, old);
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    Run([&](HWND main) {
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        SaveAs(path);
        ui.AnswerMessageBox(IDYES);
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SAVE_SETTINGS);
        EXPECT_EQ(Last(), kWriteFailed);
        EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Stop);
        EXPECT_EQ(ReadFile(path), old);
        EXPECT_EQ(m_dlg.m_recFile, FactoryRecord());
    });
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MainFilesTest, SaveThatCannotWriteKeepsTheOldFileAndTheFileCopy) {
    const std::wstring folder = m_dir + L"held\\";
    const std::wstring held = folder + L"held.dat";
    const std::wstring gone = folder + L"gone\\";
    const Bytes old = FileImage(FactoryRecord());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    WriteFile(held, old);
    ASSERT_TRUE(::CreateDirectoryW(gone.c_str(), nullptr));
    Run([&](HWND main) {
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        {
            // Another program holds the file open and shares nothing.
            UniqueFile holder(::CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(holder);
            SaveAs(held);
            ui.AnswerMessageBox(IDYES);  // replace?
            ui.AnswerMessageBox(IDOK);
            Command(main, ID_SAVE_SETTINGS);
        }
        EXPECT_EQ(Last(), kWriteFailed);
        EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Stop);
        EXPECT_EQ(ReadFile(held), old);
        EXPECT_EQ(m_dlg.m_recFile, FactoryRecord());

        // The folder goes away between the dialog and the write.
        WhenDestroyed vanish(L"Save As", [&] {
            ::SetCurrentDirectoryW(m_dir.c_str());
            EXPECT_TRUE(::RemoveDirectoryW(gone.c_str())) << ::GetLastError();
        });
        SaveAs(gone + L"new.dat");
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SAVE_SETTINGS);
        EXPECT_EQ(Last(), kWriteFailed);
        EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Stop);
        EXPECT_EQ(::GetFileAttributesW(gone.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(m_dlg.m_recFile, FactoryRecord());
        EXPECT_TRUE(ui.Done());
    });
    EXPECT_EQ(Entries(folder), std::vector<std::wstring>{L"held.dat"});
}

TEST_F(MainFilesTest, SavingOntoTheLoadedFileReplacesIt) {
    const std::wstring folder = m_dir + L"self\\";
    const std::wstring path = folder + L"self.dat";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    WriteFile(path, FileImage(FactoryRecord()));
    Run([&](HWND main) {
        Open(path);
        Command(main, ID_LOAD_SETTINGS);
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        SaveAs(path);
        ui.AnswerMessageBox(IDYES);  // replace?
        Command(main, ID_SAVE_SETTINGS);
        EXPECT_TRUE(ui.Done());
        EXPECT_EQ(ReadFile(path), FileImage(m_dlg.m_recWorking));
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);
        EXPECT_EQ(m_dlg.m_recFile, m_dlg.m_recWorking);
    });
    EXPECT_EQ(Entries(folder), std::vector<std::wstring>{L"self.dat"});
}

TEST_F(MainFilesTest, AccessDeniedOnNtAsksForAnotherPlace) {
    const std::wstring locked = m_dir + L"denied.dat";
    const std::wstring good = m_dir + L"good.dat";
    WriteFile(locked, Bytes(10, 'z'));
    ASSERT_TRUE(::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    Run([&](HWND main) {
        SaveAs(locked);
        ui.AnswerMessageBox(IDYES);  // replace?
        ui.AnswerMessageBox(IDOK);   // access message
        SaveAs(good);
        Command(main, ID_SAVE_SETTINGS);
        ASSERT_GE(ui.Answered().size(), 2u);
        EXPECT_EQ(ui.Answered()[1].text,
                  L"このディレクトリに保存するアクセス許可がありません。\n"
                  L"管理者に問い合わせてアクセス許可を取得してください。\n\n"
                  L"設定ファイルの保存先を変更してやり直してください。");
        EXPECT_EQ(ui.Answered()[1].icon, rig::Icon::Exclamation);
        EXPECT_EQ(ReadFile(good).size(), 199u);
        EXPECT_EQ(ReadFile(locked), Bytes(10, 'z'));
    });
    ::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MainFilesTest, FilesThatAreNotSettingsFilesChangeNothing) {
    SettingsRecord other = FactoryRecord();
    other[16] = 0x02;
    Bytes wrongHeader = FileImage(other);
    wrongHeader[0] = 'X';
    Bytes shortRecord = FileImage(other);
    shortRecord.resize(19 + 100);
    const std::string text = "Brelvistoka 410ZQ is a printer\r\n";
    const std::pair<const wchar_t*, Bytes> files[] = {
        {L"header.dat", wrongHeader},
        {L"empty.dat", {}},
        {L"text.dat", Bytes(text.begin(), text.end())},
        {L"short.dat", shortRecord},
    };
    Run([&](HWND main) {
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        const SettingsRecord working = m_dlg.m_recWorking;
        for (const auto& [name, bytes] : files) {
            WriteFile(m_dir + name, bytes);
            ui.AnswerMessageBox(IDYES);  // discard the unsent change?
            Open(m_dir + name);
            ui.AnswerMessageBox(IDOK);
            Command(main, ID_LOAD_SETTINGS);
            EXPECT_EQ(Last(), kNotSettingsFile);
            EXPECT_EQ(ui.Answered().back().icon, rig::Icon::Exclamation);
            EXPECT_TRUE(rig::IsChecked(Msw2(), IDC_MSW2_COLUMNS_80));
            EXPECT_EQ(m_dlg.m_recWorking, working);
            EXPECT_EQ(m_dlg.m_recFile, FactoryRecord());
        }
    });
}

TEST_F(MainFilesTest, LoadAsksOnlyWhenPagesDifferFromTheRecordSent) {
    const std::wstring factoryPath = m_dir + L"factory.dat";
    const std::wstring changedPath = m_dir + L"changed.dat";
    WriteFile(factoryPath, FileImage(FactoryRecord()));
    Run([&](HWND main) {
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        // No: nothing happens, no Open dialog.
        ui.AnswerMessageBox(IDNO);
        Command(main, ID_LOAD_SETTINGS);
        EXPECT_EQ(Last(), kDiscard);
        EXPECT_EQ(ui.Answered().back().buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(m_dlg.m_recWorking[16], 0x02);
        // Yes, then Cancel in the Open dialog: the pages keep the change.
        ui.AnswerMessageBox(IDYES);
        CancelFileDialog(L"Open");
        Command(main, ID_LOAD_SETTINGS);
        EXPECT_TRUE(rig::IsChecked(Msw2(), IDC_MSW2_COLUMNS_80));

        // Sent but not saved: the pages equal the record sent, so loading asks nothing.
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);
        ASSERT_EQ(m_dlg.m_bSendPending, 0);
        const std::size_t asked = ui.Answered().size();
        Open(factoryPath);
        Command(main, ID_LOAD_SETTINGS);
        EXPECT_EQ(ui.Answered().size(), asked);
        EXPECT_EQ(m_dlg.m_recWorking, FactoryRecord());
        EXPECT_TRUE(SendEnabled(main)) << "the loaded record differs from the one sent";

        // A file that holds the record last sent, with no send pending: Send is grayed.
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        SaveAs(changedPath);
        Command(main, ID_SAVE_SETTINGS);
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_136);
        ui.AnswerMessageBox(IDYES);
        Open(changedPath);
        Command(main, ID_LOAD_SETTINGS);
        EXPECT_EQ(m_dlg.m_recWorking, m_dlg.m_recSent);
        EXPECT_FALSE(SendEnabled(main));
    });
}

TEST_F(MainFilesTest, ExitRightAfterStartUpAsksNothing) {
    Run([&](HWND main) {
        Command(main, ID_APP_EXIT);
        EXPECT_TRUE(m_dlg.IsEnding());
    });
    EXPECT_TRUE(ui.Answered().empty());
}

TEST_F(MainFilesTest, ExitAsksAboutUnsentAndUnsavedSeparately) {
    const std::wstring path = m_dir + L"exit.dat";
    Run([&](HWND main) {
        // Saved, not sent: only the send question; Cancel keeps the program.
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_80);
        SaveAs(path);
        Command(main, ID_SAVE_SETTINGS);
        ui.AnswerMessageBox(IDCANCEL);
        Command(main, ID_APP_EXIT);
        EXPECT_EQ(Last(), kAskSendOnExit);
        EXPECT_FALSE(m_dlg.IsEnding());
        // The close button and Alt+F4 take the same road.
        ui.AnswerMessageBox(IDCANCEL);
        ::SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(Last(), kAskSendOnExit);
        ui.AnswerMessageBox(IDCANCEL);
        ::PostMessageW(main, WM_SYSKEYDOWN, VK_F4, (1 << 29) | (0x3E << 16) | 1);
        ASSERT_TRUE(rig::WaitFor([&] { return ui.Done(); }));
        EXPECT_EQ(Last(), kAskSendOnExit);
        EXPECT_FALSE(m_dlg.IsEnding());
        EXPECT_TRUE(rig::IsChecked(Msw2(), IDC_MSW2_COLUMNS_80));

        // Sent, not saved: only the save question; Yes and a cancelled Save As keep running.
        rig::Click(Msw2(), IDC_MSW2_COLUMNS_136);
        ui.AnswerMessageBox(IDOK);
        Command(main, ID_SEND_TO_PRINTER);
        const std::size_t before = ui.Answered().size();
        ui.AnswerMessageBox(IDYES);
        CancelFileDialog(L"Save As");
        Command(main, ID_APP_EXIT);
        ASSERT_EQ(ui.Answered().size(), before + 1);
        EXPECT_EQ(Last(), kAskSaveOnExit);
        EXPECT_FALSE(m_dlg.IsEnding());
        EXPECT_TRUE(rig::IsChecked(Msw2(), IDC_MSW2_COLUMNS_136));

        // No to the save question ends the program.
        ui.AnswerMessageBox(IDNO);
        Command(main, ID_APP_EXIT);
        EXPECT_TRUE(m_dlg.IsEnding());
    });
}

TEST_F(MainFilesTest, HelpIsGrayedWithoutTheHelpFile) {
    Run([&](HWND main) {
        // The test program's folder holds no help file.
        const UINT state = ::GetMenuState(::GetMenu(main), ID_HELP_CONTENTS, MF_BYCOMMAND);
        EXPECT_TRUE(state & MF_GRAYED);
        MSG f1{main, WM_KEYDOWN, VK_F1, 1, ::GetTickCount(), {}};
        if (!m_dlg.PreTranslateMessage(&f1)) ::DispatchMessageW(&f1);
        rig::Pump(200);
        EXPECT_TRUE(ui.Answered().empty()) << "F1 must do nothing";
    });
}

BOOL CALLBACK AddHelpViewer(HWND window, LPARAM list) {
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    if (std::wstring(name) == L"HH Parent") {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
}

// The help viewer is a window of this thread whose code lives in hhctrl.ocx; it must be gone
// with the main window, before the library is released.
TEST_F(MainFilesTest, HelpViewerClosesWithTheMainWindow) {
    const std::wstring program = rig::ProgramPath();
    const std::wstring help = m_dir + L"ksw4qz.chm";
    ASSERT_TRUE(
        ::CopyFileW((program.substr(0, program.find_last_of(L'\\') + 1) + L"ksw4qz.chm").c_str(),
                    help.c_str(), FALSE));
    const auto viewers = [] {
        std::vector<HWND> found;
        ::EnumThreadWindows(::GetCurrentThreadId(), AddHelpViewer,
                            reinterpret_cast<LPARAM>(&found));
        return found;
    };
    Run([&](HWND main) {
        m_dlg.m_szHelpPath = help;
        m_dlg.m_bHtmlHelp = 1;
        Command(main, ID_HELP_CONTENTS);
        EXPECT_TRUE(rig::WaitFor([&] { return !viewers().empty(); }, 10000)) << "no help viewer";
    });
    EXPECT_TRUE(viewers().empty()) << "the viewer outlived the main window";
    rig::Pump(300);
}

// Wine starts no program from a path longer than MAX_PATH (nor do its file dialogs take such a
// path: they overflow buffers of MAX_PATH characters), but it loads a module from one.
TEST(ProgramFolderTest, ModulePathIsNotCutOff) {
    std::wstring folder = rig::TestDir();
    for (wchar_t c = L'a'; folder.size() <= MAX_PATH; ++c) {
        folder += std::wstring(60, c) + L"\\";
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << ::GetLastError();
    }
    const std::wstring copy = folder + L"kestrowinda.exe";
    ASSERT_TRUE(::CopyFileW(rig::ProgramPath().c_str(), copy.c_str(), FALSE));
    HMODULE module = ::LoadLibraryExW(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr) << ::GetLastError();
    EXPECT_EQ(ModulePath(module), copy);
    ::FreeLibrary(module);
}

}  // namespace
