// The main window: six setting pages in a tab control, the menu, toolbar and status bar, the
// printer in use and the three copies of the settings record.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

#include "app/MainStatusBar.h"
#include "app/MainToolBar.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "menu/IconMenu.h"
#include "pages/Page_Hardware.h"
#include "pages/Page_MSW1.h"
#include "pages/Page_MSW2.h"
#include "pages/Page_MSW3.h"
#include "pages/Page_MSW4.h"
#include "pages/Page_Select.h"
#include "printer/PrinterSelectDialog.h"
#include "settings/SettingsRecord.h"

// The accelerator table 142 and the image list of the tab icons.
extern HACCEL g_hAccel;
extern HIMAGELIST g_tabImages;

class CMainDialog : public CDialog {
public:
    CMainDialog();
    ~CMainDialog() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    // Pages in page-index order.
    static constexpr int kPageCount = 6;
    void LoadPages(SettingsRecord& record);
    void StorePages(SettingsRecord& record);
    void ShowPage(int index);

    CIconMenu m_menu;
    CPrinterSelectDialog m_dlgPrinter;
    CPage_Select m_pageSelect;
    CPage_MSW1 m_pageMSW1;
    CPage_MSW2 m_pageMSW2;
    CPage_MSW3 m_pageMSW3;
    CPage_MSW4 m_pageMSW4;
    CPage_Hardware m_pageHardware;
    int m_bHtmlHelp = 0;
    std::wstring m_szHelpPath;
    int m_bSendPending = 0;
    std::wstring m_strCurrentPort;
    std::wstring m_strCurrentPrinter;
    SettingsRecord m_recWorking;
    SettingsRecord m_recFile;
    SettingsRecord m_recSent;
    CMainToolBar m_wndToolBar;
    CMainStatusBar m_wndStatusBar;
    HICON m_hIcon = nullptr;

protected:
    BOOL OnInitDialog() override;
    // Enter and Esc never close the main window.
    void OnOK() override {}
    void OnCancel() override {}
    const MessageMapBase* GetMessageMap() const override;

private:
    std::array<CSettingsPage*, kPageCount> Pages();
    void BuildMenu();
    void FindHelpFile();
    void InitTabsAndPages();
    void ShowOnly(int index);
    void EnableSendCommand(bool enable);
    void EnableSelectPrinterCommand(bool enable);
    // Ends the modal run the way the base class's OK does.
    void EndMainWindow();

    // Runs the send; `selectPrinterOnFailure` is false when a question of another command
    // started it. Returns whether the printer received the record.
    bool SendSettings(bool selectPrinterOnFailure);
    // Runs the save with its dialogs; returns whether the file was written.
    bool SaveSettings();
    bool ChooseFile(bool forSaving, std::wstring& path);

    void OnLoadSettings();
    void OnSaveSettings();
    void OnSendToPrinter();
    void OnFactorySettings();
    void OnSelectPrinter();
    void OnExit();
    void OnHelp();
    void OnAbout();
    void OnDataCheck();
    template <int Index>
    void OnShowPage() {
        ShowPage(Index);
    }
    LRESULT OnTabSelChange(NMHDR*);
    bool OnNotify(WPARAM, LPARAM, LRESULT& result);
    LRESULT OnSize(WPARAM, LPARAM);
    bool OnPaint(WPARAM, LPARAM, LRESULT& result);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    bool OnMenuChar(WPARAM, LPARAM, LRESULT& result);
    bool OnSysCommand(WPARAM, LPARAM, LRESULT& result);
    bool OnDestroy(WPARAM, LPARAM, LRESULT& result);

    UniqueLibrary m_htmlHelp;  // hhctrl.ocx, loaded at the first help request
};
