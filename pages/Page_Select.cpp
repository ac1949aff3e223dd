#include "pages/Page_Select.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "res/resource.h"
#include "settings/Fields.h"

namespace {

constexpr int kSettingIds[] = {
    IDC_SEL_QUIET_ON,     IDC_SEL_CUTSHEET_FREE,   IDC_SEL_POSTCARD_ON,   IDC_SEL_TYPEFACE_GOTHIC,
    IDC_SEL_QUIET_OFF,    IDC_SEL_TYPEFACE_MINCHO, IDC_SEL_FONT1,         IDC_SEL_FONT2,
    IDC_SEL_POSTCARD_OFF, IDC_SEL_KANJI_TABLE,     IDC_SEL_CUTSHEET_FIXED};

}  // namespace

CPage_Select::CPage_Select() : CSettingsPage(IDD_PAGE_SELECT) {}

void CPage_Select::LoadFromRecord(SettingsRecord& record) {
    m_nTypeface = ReadFlagDigit(record, field::kTypeface);
    m_nQuiet = ReadFlagDigit(record, field::kQuiet);
    m_strForm = ReadOptionText(record, field::kForm, choices::kForm);
    m_strKanjiTable = ReadOptionText(record, field::kKanjiTable, choices::kKanjiTable);
    m_strFont1 = ReadOptionText(record, field::kFont1, choices::kFont);
    m_strFont2 = ReadOptionText(record, field::kFont2, choices::kFont);
    m_nCutSheet = ReadFlagDigit(record, field::kCutSheet);
    m_nPostcardMode = ReadFlagDigit(record, field::kPostcardMode);
    for (int form = 0; form < 4; ++form)
        m_dlgForm.LoadFormBlock(form, record);
    if (m_hWnd) UpdateData(false);
}

void CPage_Select::StoreToRecord(SettingsRecord& record) {
    if (m_hWnd) UpdateData(true);  // cannot fail: radio and list exchanges only
    WriteFlagDigit(record, field::kTypeface, m_nTypeface);
    WriteFlagDigit(record, field::kQuiet, m_nQuiet);
    WriteOptionDigit(record, field::kForm, m_strForm, choices::kForm);
    WriteOptionDigit(record, field::kKanjiTable, m_strKanjiTable, choices::kKanjiTable);
    WriteOptionDigit(record, field::kFont1, m_strFont1, choices::kFont);
    WriteOptionDigit(record, field::kFont2, m_strFont2, choices::kFont);
    WriteFlagDigit(record, field::kCutSheet, m_nCutSheet);
    WriteFlagDigit(record, field::kPostcardMode, m_nPostcardMode);
    for (int form = 0; form < 4; ++form)
        m_dlgForm.StoreFormBlock(form, record);
}

void CPage_Select::UpdateFormButton() {
    const std::wstring caption = m_strForm + L"の設定(&D)...";
    // Fails only without a window; the caption then simply stays.
    ::SetDlgItemTextW(m_hWnd, IDC_SEL_FORM_SETTINGS, caption.c_str());
}

void CPage_Select::DoDataExchange(CDataExchange& dx) {
    DDX_Radio(dx, IDC_SEL_TYPEFACE_MINCHO, m_nTypeface);
    DDX_Radio(dx, IDC_SEL_QUIET_OFF, m_nQuiet);
    DDX_CBString(dx, IDC_SEL_FORM, m_strForm);
    DDX_CBString(dx, IDC_SEL_KANJI_TABLE, m_strKanjiTable);
    DDX_CBString(dx, IDC_SEL_FONT1, m_strFont1);
    DDX_CBString(dx, IDC_SEL_FONT2, m_strFont2);
    DDX_Radio(dx, IDC_SEL_CUTSHEET_FIXED, m_nCutSheet);
    DDX_Radio(dx, IDC_SEL_POSTCARD_OFF, m_nPostcardMode);
}

bool CPage_Select::WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Every notification of a setting control counts, whatever its code.
    if (msg == WM_COMMAND) {
        const int id = LOWORD(wp);
        if (std::ranges::find(kSettingIds, id) != std::end(kSettingIds)) {
            SendDataCheck();
        } else if (id == IDC_SEL_FORM) {
            // The parent's data check has collected the page, so m_strForm is the new form.
            SendDataCheck();
            UpdateFormButton();
        }
    }
    return CSettingsPage::WindowProc(msg, wp, lp, result);
}

BOOL CPage_Select::OnInitDialog() {
    CSettingsPage::OnInitDialog();
    return TRUE;
}

const MessageMapBase* CPage_Select::GetMessageMap() const {
    using Map = MessageMap<CPage_Select>;
    static const Map map(
        CSettingsPage::GetMessageMap(),
        {Map::Control(IDC_SEL_FORM_SETTINGS, BN_CLICKED, &CPage_Select::OnFormSettings)});
    return &map;
}

void CPage_Select::OnFormSettings() {
    m_dlgForm.m_strFormName = m_strForm;
    for (int form = 0; form < 4; ++form) {
        if (m_strForm == choices::kForm[form]) {
            m_dlgForm.ParseFormBlock(m_dlgForm.FormBlock(form));
            break;
        }
    }
    if (m_dlgForm.DoModal(::GetAncestor(m_hWnd, GA_ROOT)) == IDOK) SendDataCheck();
}
