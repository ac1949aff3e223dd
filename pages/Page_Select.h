// Function-selection page: typeface, quiet printing, the selected form, kanji table, fonts,
// cut-sheet and postcard modes (template 134). It owns the form-settings dialog, which keeps
// the page's copy of the four form blocks.
#pragma once

#include <string>

#include "pages/FormDialog.h"
#include "pages/SettingsPage.h"

class CPage_Select : public CSettingsPage {
public:
    CPage_Select();

    void LoadFromRecord(SettingsRecord& record) override;
    void StoreToRecord(SettingsRecord& record) override;
    const wchar_t* GetRuntimeClassName() const override { return L"CPage_Select"; }

    // Caption of the form-settings button from m_strForm: "<form>の設定(&D)...".
    void UpdateFormButton();

    CFormDialog m_dlgForm;
    int m_nTypeface = -1;
    int m_nQuiet = -1;
    std::wstring m_strForm;
    std::wstring m_strKanjiTable;
    std::wstring m_strFont1;
    std::wstring m_strFont2;
    int m_nCutSheet = -1;
    int m_nPostcardMode = -1;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    BOOL OnInitDialog() override;
    const MessageMapBase* GetMessageMap() const override;

private:
    void OnFormSettings();
};
