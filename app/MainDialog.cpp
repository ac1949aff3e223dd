#include "app/MainDialog.h"

#include <commdlg.h>
#include <htmlhelp.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "app/AboutDialog.h"
#include "app/HelpFile.h"
#include "app/MainMenu.h"
#include "framework/AppMessageBox.h"
#include "framework/Platform.h"
#include "framework/WinApp.h"
#include "printer/PrinterSend.h"
#include "res/messages.h"
#include "res/resource.h"
#include "settings/SettingsFileIo.h"

HACCEL g_hAccel = nullptr;
HIMAGELIST g_tabImages = nullptr;

namespace {

constexpr wchar_t kFileFilter[] = L"KW設定ファイル (*.dat)\0*.dat\0";
constexpr wchar_t kInitialFileName[] = L"*.dat";
constexpr DWORD kLongestPath = 32768;  // characters, with the terminating zero
constexpr wchar_t kFactoryShown[] = L"工場出荷設定値を表示しました。";

struct PageTab {
    const wchar_t* label;
    int image;
};
constexpr PageTab kTabs[CMainDialog::kPageCount] = {
    {L"機能選択", 0}, {L"ＭＳＷ１", 1}, {L"ＭＳＷ２", 1},
    {L"ＭＳＷ３", 1}, {L"ＭＳＷ４", 1}, {L"ハードウェア設定", 2},
};

// HTML Help comes from hhctrl.ocx: its registered location first, else by name.
HMODULE LoadHtmlHelpLibrary() {
    wchar_t path[MAX_PATH] = {};
    LONG size = sizeof(path);
    if (::RegQueryValueW(HKEY_CLASSES_ROOT,
                         L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", path,
                         &size) == ERROR_SUCCESS &&
        path[0] != L'\0') {
        if (HMODULE library = ::LoadLibraryW(path)) return library;
    }
    return ::LoadLibraryW(L"hhctrl.ocx");
}

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HtmlHelpFn HtmlHelpIn(HMODULE library) {
    if (!library) return nullptr;
    return reinterpret_cast<HtmlHelpFn>(
        reinterpret_cast<void*>(::GetProcAddress(library, "HtmlHelpW")));
}

int Ask(HWND owner, const wchar_t* question, UINT buttons) {
    return AppMessageBox(owner, question, buttons | MB_ICONEXCLAMATION);
}

}  // namespace

CMainDialog::CMainDialog() : CDialog(IDD_MAIN) {
    m_hIcon = ::LoadIconW(AppInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (!g_hAccel) g_hAccel = ::LoadAcceleratorsW(AppInstance(), MAKEINTRESOURCEW(IDR_MAINMENU));
    m_recWorking = m_recFile = m_recSent = FactoryRecord();
}

CMainDialog::~CMainDialog() {
    DestroyWindow();
}

const MessageMapBase* CMainDialog::GetMessageMap() const {
    using Map = MessageMap<CMainDialog>;
    static const Map map(
        CDialog::GetMessageMap(),
        {
            Map::Command(ID_LOAD_SETTINGS, &CMainDialog::OnLoadSettings),
            Map::Command(ID_TB_LOAD, &CMainDialog::OnLoadSettings),
            Map::Command(ID_SAVE_SETTINGS, &CMainDialog::OnSaveSettings),
            Map::Command(ID_TB_SAVE, &CMainDialog::OnSaveSettings),
            Map::Command(ID_SEND_TO_PRINTER, &CMainDialog::OnSendToPrinter),
            Map::Command(ID_TB_SEND, &CMainDialog::OnSendToPrinter),
            Map::Command(ID_FACTORY_SETTINGS, &CMainDialog::OnFactorySettings),
            Map::Command(ID_TB_FACTORY, &CMainDialog::OnFactorySettings),
            Map::Command(ID_SELECT_PRINTER, &CMainDialog::OnSelectPrinter),
            Map::Command(ID_TB_PRINTER, &CMainDialog::OnSelectPrinter),
            Map::Command(ID_APP_EXIT, &CMainDialog::OnExit),
            Map::Command(ID_PAGE_SELECT, &CMainDialog::OnShowPage<0>),
            Map::Command(ID_PAGE_MSW1, &CMainDialog::OnShowPage<1>),
            Map::Command(ID_PAGE_MSW2, &CMainDialog::OnShowPage<2>),
            Map::Command(ID_PAGE_MSW3, &CMainDialog::OnShowPage<3>),
            Map::Command(ID_PAGE_MSW4, &CMainDialog::OnShowPage<4>),
            Map::Command(ID_PAGE_HARDWARE, &CMainDialog::OnShowPage<5>),
            Map::Command(ID_HELP_CONTENTS, &CMainDialog::OnHelp),
            Map::Command(ID_APP_ABOUT, &CMainDialog::OnAbout),
            Map::Command(ID_DATA_CHECK, &CMainDialog::OnDataCheck),
            // ID_RECEIVE_FROM_PRINTER (Ctrl+R) has no handler: reading back is not supported.
            Map::Notify(IDC_TAB, TCN_SELCHANGE, &CMainDialog::OnTabSelChange),
            Map::MessageIf(WM_NOTIFY, &CMainDialog::OnNotify),
            Map::Message(WM_SIZE, &CMainDialog::OnSize),
            Map::MessageIf(WM_PAINT, &CMainDialog::OnPaint),
            Map::Message(WM_QUERYDRAGICON, &CMainDialog::OnQueryDragIcon),
            Map::MessageIf(WM_MENUCHAR, &CMainDialog::OnMenuChar),
            Map::MessageIf(WM_SYSCOMMAND, &CMainDialog::OnSysCommand),
            Map::MessageIf(WM_DESTROY, &CMainDialog::OnDestroy),
        });
    return &map;
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
    if (g_hAccel && ::TranslateAcceleratorW(m_hWnd, g_hAccel, msg)) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

BOOL CMainDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    BuildMenu();
    FindHelpFile();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_wndToolBar.CreateFor(m_hWnd);
    m_wndStatusBar.CreateFor(m_hWnd);
    m_dlgPrinter.m_bStartupDone = 0;
    m_recWorking = m_recSent = m_recFile = FactoryRecord();
    EnableSendCommand(false);
    m_bSendPending = 1;
    InitTabsAndPages();
    LoadPages(m_recWorking);
    OnSelectPrinter();
    m_pageSelect.UpdateFormButton();
    m_dlgPrinter.m_bStartupDone = 1;
    return TRUE;
}

void CMainDialog::BuildMenu() {
    BuildMainMenu(m_menu, m_hWnd);
}

void CMainDialog::FindHelpFile() {
    const HelpFileChoice choice = ChooseHelpFile(GetOsVersion(), ExecutableFolder());
    m_szHelpPath = choice.path;
    m_bHtmlHelp = choice.bHtmlHelp;
    if (!HelpFileExists(m_szHelpPath)) {
        ::EnableMenuItem(::GetMenu(m_hWnd), ID_HELP_CONTENTS, MF_BYCOMMAND | MF_GRAYED);
    }
}

std::array<CSettingsPage*, CMainDialog::kPageCount> CMainDialog::Pages() {
    return {&m_pageSelect, &m_pageMSW1, &m_pageMSW2, &m_pageMSW3, &m_pageMSW4, &m_pageHardware};
}

void CMainDialog::InitTabsAndPages() {
    HWND tab = GetDlgItem(IDC_TAB);
    if (!g_tabImages) {
        g_tabImages = ::ImageList_LoadImageW(AppInstance(), MAKEINTRESOURCEW(IDB_TABS), 16, 1,
                                             RGB(192, 192, 192), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    }
    TabCtrl_SetImageList(tab, g_tabImages);
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(kTabs[i].label);
        item.iImage = kTabs[i].image;
        TabCtrl_InsertItem(tab, i, &item);
    }
    for (CSettingsPage* page : Pages()) {
        page->Create(m_hWnd);
        ::SetWindowPos(page->GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    // The pages are created hidden; the first one shows.
    ::ShowWindow(m_pageSelect.GetSafeHwnd(), SW_SHOW);
    TabCtrl_SetCurSel(tab, 0);
}

void CMainDialog::LoadPages(SettingsRecord& record) {
    for (CSettingsPage* page : Pages())
        page->LoadFromRecord(record);
}

void CMainDialog::StorePages(SettingsRecord& record) {
    for (CSettingsPage* page : Pages())
        page->StoreToRecord(record);
}

// Hides every page, shows page `index` and gives it the focus unless the tab control has it.
void CMainDialog::ShowOnly(int index) {
    const auto pages = Pages();
    for (CSettingsPage* page : pages)
        ::ShowWindow(page->GetSafeHwnd(), SW_HIDE);
    HWND shown = pages[static_cast<std::size_t>(index)]->GetSafeHwnd();
    ::ShowWindow(shown, SW_SHOW);
    if (::GetFocus() != GetDlgItem(IDC_TAB)) ::SetFocus(shown);
}

void CMainDialog::ShowPage(int index) {
    if (index < 0 || index >= kPageCount) return;
    TabCtrl_SetCurSel(GetDlgItem(IDC_TAB), index);  // raises no selection-changed notification
    ShowOnly(index);
}

LRESULT CMainDialog::OnTabSelChange(NMHDR*) {
    const int index = TabCtrl_GetCurSel(GetDlgItem(IDC_TAB));
    if (index >= 0 && index < kPageCount) ShowOnly(index);
    return 0;
}

void CMainDialog::EnableSendCommand(bool enable) {
    ::EnableMenuItem(::GetMenu(m_hWnd), ID_SEND_TO_PRINTER,
                     MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    m_wndToolBar.EnableButton(ID_TB_SEND, enable);
}

void CMainDialog::EnableSelectPrinterCommand(bool enable) {
    ::EnableMenuItem(::GetMenu(m_hWnd), ID_SELECT_PRINTER,
                     MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    m_wndToolBar.EnableButton(ID_TB_PRINTER, enable);
}

void CMainDialog::EndMainWindow() {
    CDialog::OnOK();
}

void CMainDialog::OnDataCheck() {
    if (m_dlgPrinter.m_bStartupDone) StorePages(m_recWorking);
    EnableSendCommand(m_bSendPending != 0 || m_recWorking != m_recSent);
}

void CMainDialog::OnSelectPrinter() {
    if (m_dlgPrinter.m_bStartupDone) {
        StorePages(m_recWorking);
        const bool unsent = m_recWorking != m_recSent;
        const bool unsaved = m_recWorking != m_recFile;
        if (unsent) {
            const int answer = Ask(m_hWnd,
                                   L"設定値が変更されています。\nプリンタを切り替える前に、"
                                   L"設定値をプリンタへ送信しますか？",
                                   MB_YESNOCANCEL);
            if (answer == IDCANCEL) return;
            if (answer == IDYES) SendSettings(false);
        }
        if (unsaved) {
            const int answer = Ask(m_hWnd,
                                   L"設定値が変更されています。\nプリンタを切り替える前に、"
                                   L"設定ファイルへ保存しますか？",
                                   MB_YESNOCANCEL);
            if (answer == IDCANCEL) return;
            // A save that did not happen stops the command, so that no change is lost.
            if (answer == IDYES && !SaveSettings()) return;
        }
    }

    m_dlgPrinter.m_strPrinterName = m_strCurrentPrinter;
    m_dlgPrinter.m_strPort = m_strCurrentPort;
    if (m_dlgPrinter.DoModal(m_hWnd) != IDOK) {
        const bool noPrinter =
            m_dlgPrinter.m_strPrinterName.empty() && m_dlgPrinter.m_strPort.empty();
        const bool refusedAtStartup =
            m_dlgPrinter.m_strPort == L"FILE:" && !m_dlgPrinter.m_bStartupDone;
        if (noPrinter || refusedAtStartup) EndMainWindow();
        return;
    }

    EnableSelectPrinterCommand(m_dlgPrinter.m_nPrinterCount > 1);
    // On the 9x family a printer on LPT1: keeps the current settings and the Send state.
    const bool keepSettings = !IsNtFamily() && m_dlgPrinter.m_strPort == L"LPT1:";
    if (!keepSettings) EnableSendCommand(true);
    m_wndStatusBar.SetPrinterTexts(m_dlgPrinter.m_strPrinterName, m_dlgPrinter.m_strPort);
    m_strCurrentPrinter = m_dlgPrinter.m_strPrinterName;
    m_strCurrentPort = m_dlgPrinter.m_strPort;
    if (keepSettings) return;
    if (m_dlgPrinter.m_bStartupDone) {
        m_bSendPending = 1;
        OnFactorySettings();
    }
}

void CMainDialog::OnSendToPrinter() {
    SendSettings(true);
}

bool CMainDialog::SendSettings(bool selectPrinterOnFailure) {
    if (m_strCurrentPort.empty() || m_strCurrentPrinter.empty()) {
        AppMessageBox(m_hWnd, L"プリンタが選択されていません。\nプリンタを選択してください。",
                      MB_OK | MB_ICONEXCLAMATION);
        OnSelectPrinter();
    }
    if (m_strCurrentPort == L"FILE:") {
        AppMessageBox(m_hWnd, messages::kFileRefused, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    StorePages(m_recWorking);
    if (SendRecordToPrinter(m_strCurrentPrinter, m_recWorking)) {
        AppMessageBox(m_hWnd, messages::kSent, MB_OK | MB_ICONINFORMATION);
        m_recSent = m_recWorking;
        EnableSendCommand(false);
        m_bSendPending = 0;
        return true;
    }
    AppMessageBox(m_hWnd, messages::kNotUsable, MB_OK | MB_ICONEXCLAMATION);
    if (selectPrinterOnFailure) OnSelectPrinter();
    return false;
}

void CMainDialog::OnFactorySettings() {
    m_recWorking = FactoryRecord();
    LoadPages(m_recWorking);
    ShowPage(0);
    AppMessageBox(m_hWnd, kFactoryShown, MB_OK | MB_ICONINFORMATION);
    OnDataCheck();
    m_pageSelect.UpdateFormButton();
}

bool CMainDialog::ChooseFile(bool forSaving, std::wstring& path) {
    std::wstring folder = ExecutableFolder();
    // Room for the longest path there is: a file in a deep folder would otherwise not fit, and
    // the dialog would end as if cancelled.
    std::vector<wchar_t> file(kLongestPath, L'\0');
    std::copy_n(kInitialFileName, std::size(kInitialFileName), file.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = kFileFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrDefExt = L"dat";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | (forSaving ? OFN_OVERWRITEPROMPT : 0);
    const BOOL chosen = forSaving ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
    if (!chosen) return false;
    path = file.data();
    return true;
}

void CMainDialog::OnLoadSettings() {
    if (m_dlgPrinter.m_bStartupDone) {
        StorePages(m_recWorking);
        if (m_recWorking != m_recSent &&
            Ask(m_hWnd, L"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。",
                MB_YESNO) == IDNO) {
            return;
        }
    }
    std::wstring path;
    if (!ChooseFile(false, path)) return;
    SettingsRecord loaded = m_recWorking;
    if (!ReadSettingsFile(path, loaded)) {
        // Nothing changes: the working record, the pages, the file copy and Send stay.
        AppMessageBox(m_hWnd, messages::kNotSettingsFile, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_recWorking = loaded;
    LoadPages(m_recWorking);
    m_recFile = m_recWorking;
    OnDataCheck();
    m_pageSelect.UpdateFormButton();
}

void CMainDialog::OnSaveSettings() {
    SaveSettings();
}

bool CMainDialog::SaveSettings() {
    StorePages(m_recWorking);
    std::wstring path;
    if (!ChooseFile(true, path)) return false;
    for (;;) {
        const SaveResult result = WriteSettingsFile(path, m_recWorking);
        if (result == SaveResult::Saved) {
            m_recFile = m_recWorking;
            return true;
        }
        if (result != SaveResult::AccessDenied || !IsNtFamily()) break;
        AppMessageBox(m_hWnd,
                      std::wstring(messages::kAccessDenied) +
                          L"\n管理者に問い合わせてアクセス許可を取得してください。\n\n"
                          L"設定ファイルの保存先を変更してやり直してください。",
                      MB_OK | MB_ICONEXCLAMATION);
        if (!ChooseFile(true, path)) return false;
    }
    AppMessageBox(m_hWnd, messages::kWriteFailed, MB_OK | MB_ICONSTOP);
    return false;
}

void CMainDialog::OnExit() {
    StorePages(m_recWorking);
    const bool unsent = m_recWorking != m_recSent;
    const bool unsaved = m_recWorking != m_recFile;
    if (unsent) {
        const int answer =
            Ask(m_hWnd, L"Kestrowinda を終了する前に、設定値をプリンタへ送信しますか？",
                MB_YESNOCANCEL);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) SendSettings(false);
    }
    if (unsaved) {
        const int answer = Ask(m_hWnd, L"Kestrowinda を終了する前に、設定ファイルへ保存しますか？",
                               MB_YESNOCANCEL);
        if (answer == IDCANCEL) return;
        // A save that did not happen keeps the program running with every change.
        if (answer == IDYES && !SaveSettings()) return;
    }
    EndMainWindow();
}

void CMainDialog::OnHelp() {
    bool shown = false;
    if (m_bHtmlHelp) {
        if (!m_htmlHelp) m_htmlHelp.reset(LoadHtmlHelpLibrary());
        const HtmlHelpFn htmlHelp = HtmlHelpIn(m_htmlHelp.get());
        shown = htmlHelp && htmlHelp(nullptr, m_szHelpPath.c_str(), HH_DISPLAY_TOPIC, 0);
    } else {
        shown = ::WinHelpW(nullptr, m_szHelpPath.c_str(), HELP_FINDER, 0) != FALSE;
    }
    if (!shown) {
        AppMessageBox(m_hWnd, L"ヘルプファイルが見つかりません。", MB_OK | MB_ICONEXCLAMATION);
    }
}

void CMainDialog::OnAbout() {
    CAboutDialog about;
    about.DoModal(m_hWnd);
}

bool CMainDialog::OnNotify(WPARAM, LPARAM lp, LRESULT& result) {
    auto* header = reinterpret_cast<NMHDR*>(lp);
    if (header->code != TTN_NEEDTEXTA && header->code != TTN_NEEDTEXTW) return false;
    // Tooltip requests are dispatched by the tool id they carry, the button's command id.
    return m_wndToolBar.OnToolTipText(header, result);
}

LRESULT CMainDialog::OnSize(WPARAM, LPARAM) {
    HMENU system = ::GetSystemMenu(m_hWnd, FALSE);
    if (!system) return 0;
    ::EnableMenuItem(system, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    ::EnableMenuItem(system, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
    const bool minimised = ::IsIconic(m_hWnd) != FALSE;
    ::EnableMenuItem(system, SC_RESTORE, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
    ::EnableMenuItem(system, SC_MINIMIZE, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
    return 0;
}

bool CMainDialog::OnPaint(WPARAM, LPARAM, LRESULT& result) {
    if (!::IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    result = 0;
    return true;
}

LRESULT CMainDialog::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

bool CMainDialog::OnMenuChar(WPARAM wp, LPARAM lp, LRESULT& result) {
    auto* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(lp));
    if (!menu || !CIconMenu::IsIconMenu(menu)) return false;
    result = CIconMenu::MenuCharLookup(LOWORD(wp), HIWORD(wp), menu);
    return true;
}

bool CMainDialog::OnSysCommand(WPARAM wp, LPARAM, LRESULT&) {
    if ((wp & 0xFFF0) == SC_CLOSE) OnExit();
    // Every system command goes on to the default handling. For the close command that ends in
    // Cancel, which this window ignores: it closes only when the exit command ended it.
    return false;
}

bool CMainDialog::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    // The viewer's windows run code of hhctrl.ocx, which is released with this window's
    // members: they close first.
    if (const HtmlHelpFn htmlHelp = HtmlHelpIn(m_htmlHelp.get())) {
        htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    }
    ::WinHelpW(m_hWnd, m_szHelpPath.c_str(), HELP_QUIT, 0);
    return false;
}
