#include "pages/FormDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "framework/AppMessageBox.h"
#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {

// The nine number edits, each with its spin and its slider if it has one; their ranges are the
// form fields'.
struct EditRow {
    FormField field;
    int edit;
    int spin;
    std::size_t textLength;  // a longer text is replaced by its number
    int slider;              // 0: none
    TickColumn column;
};

constexpr EditRow kEditRows[] = {
    {FormField::FrontTractor, IDC_FORM_FRONT_EDIT, IDC_FORM_FRONT_SPIN, 4, IDC_FORM_FRONT_SLIDER,
     TickColumn::General},
    {FormField::RearTractor, IDC_FORM_REAR_EDIT, IDC_FORM_REAR_SPIN, 4, IDC_FORM_REAR_SLIDER,
     TickColumn::General},
    {FormField::SheetGuide, IDC_FORM_GUIDE_EDIT, IDC_FORM_GUIDE_SPIN, 4, IDC_FORM_GUIDE_SLIDER,
     TickColumn::General},
    {FormField::SheetFeeder, IDC_FORM_FEEDER_EDIT, IDC_FORM_FEEDER_SPIN, 4, IDC_FORM_FEEDER_SLIDER,
     TickColumn::General},
    {FormField::Postcard, IDC_FORM_POSTCARD_EDIT, IDC_FORM_POSTCARD_SPIN, 4,
     IDC_FORM_POSTCARD_SLIDER, TickColumn::Postcard},
    {FormField::PageLength, IDC_FORM_PAGE_LENGTH_EDIT, IDC_FORM_PAGE_LENGTH_SPIN, 3, 0,
     TickColumn::General},
    {FormField::LeftMargin, IDC_FORM_LEFT_EDIT, IDC_FORM_LEFT_SPIN, 4, 0, TickColumn::General},
    {FormField::RightMargin, IDC_FORM_RIGHT_EDIT, IDC_FORM_RIGHT_SPIN, 4, 0, TickColumn::General},
    {FormField::CutSheetAdjust, IDC_FORM_CUTSHEET_EDIT, IDC_FORM_CUTSHEET_SPIN, 3, 0,
     TickColumn::General},
};
static_assert(std::size(kEditRows) == kFormFieldCount, "one edit per form field");

const EditRow& RowOf(FormField field) {
    return *std::find_if(std::begin(kEditRows), std::end(kEditRows),
                         [field](const EditRow& row) { return row.field == field; });
}

EditLimits LimitsOf(const EditRow& row) {
    const FormFieldInfo& f = FormFieldOf(row.field);
    return {row.textLength, f.lower, f.upper};
}

// The range check of the data exchange, with the field's bounds in its message.
void DDV_FormField(CDataExchange& dx, int value, FormField field) {
    DDV_MinMaxInt(dx, value, FormFieldOf(field).lower, FormFieldOf(field).upper);
}

constexpr int kMarginControls[] = {IDC_FORM_LEFT_LABEL, IDC_FORM_RIGHT_LABEL, IDC_FORM_LEFT_EDIT,
                                   IDC_FORM_RIGHT_EDIT, IDC_FORM_LEFT_SPIN,   IDC_FORM_RIGHT_SPIN,
                                   IDC_FORM_LEFT_UNIT,  IDC_FORM_RIGHT_UNIT};

void SetNumber(HWND control, int value) {
    // Fails only for a destroyed control; nothing to do then.
    ::SetWindowTextW(control, std::to_wstring(value).c_str());
}

}  // namespace

CFormDialog::CFormDialog() : CDialog(IDD_FORM) {}

void CFormDialog::LoadFormBlock(int form, const SettingsRecord& record) {
    if (form < 0 || form > 3) return;
    CopyFormBlockFromRecord(record, form, FormBlock(form));
}

void CFormDialog::StoreFormBlock(int form, SettingsRecord& record) const {
    if (form < 0 || form > 3) return;
    CopyFormBlockToRecord(record, form, FormBlock(form));
}

bool CFormDialog::HasFixedMargins() const {
    return m_strFormName == choices::kForm[0];
}

void CFormDialog::ParseFormBlock(const FormBlockBuffer& block) {
    const FormValues v = ::ParseFormBlock(block, HasFixedMargins());
    m_nPageLength = v.pageLength;
    m_nLeftMargin = v.leftMargin;
    m_nRightMargin = v.rightMargin;
    m_nFrontTractor = v.frontTractor;
    m_nRearTractor = v.rearTractor;
    m_nSheetGuide = v.sheetGuide;
    m_nSheetFeeder = v.sheetFeeder;
    m_nFrontTractorTick = NearestTick(m_nFrontTractor, TickColumn::General);
    m_nRearTractorTick = NearestTick(m_nRearTractor, TickColumn::General);
    m_nSheetGuideTick = NearestTick(m_nSheetGuide, TickColumn::General);
    m_nSheetFeederTick = NearestTick(m_nSheetFeeder, TickColumn::General);
    m_nPostcard = v.postcard;
    m_nPostcardTick = NearestTick(m_nPostcard, TickColumn::Postcard);
    m_nCutSheetAdjust = v.cutSheetAdjust;
}

void CFormDialog::FormatFormBlock(FormBlockBuffer& block) const {
    FormValues v;
    v.pageLength = m_nPageLength;
    v.leftMargin = m_nLeftMargin;
    v.rightMargin = m_nRightMargin;
    v.frontTractor = m_nFrontTractor;
    v.rearTractor = m_nRearTractor;
    v.sheetGuide = m_nSheetGuide;
    v.sheetFeeder = m_nSheetFeeder;
    v.postcard = m_nPostcard;
    v.cutSheetAdjust = m_nCutSheetAdjust;
    ::FormatFormBlock(v, HasFixedMargins(), block);
}

BOOL CFormDialog::OnInitDialog() {
    // Filling the edits raises their EN_CHANGE, which moves the sliders; then the sliders get
    // their own positions.
    CDialog::OnInitDialog();
    const std::wstring title = L"書式の設定： " + m_strFormName;
    ::SetWindowTextW(m_hWnd, title.c_str());
    const BOOL enableMargins = HasFixedMargins() ? FALSE : TRUE;
    for (int id : kMarginControls)
        ::EnableWindow(GetDlgItem(id), enableMargins);
    for (const EditRow& row : kEditRows) {
        if (row.slider == 0) continue;
        ::SendDlgItemMessageW(m_hWnd, row.slider, TBM_SETRANGE, TRUE,
                              MAKELPARAM(0, kTickCount - 1));
    }
    for (const EditRow& row : kEditRows) {
        const FormFieldInfo& f = FormFieldOf(row.field);
        ::SendDlgItemMessageW(m_hWnd, row.spin, UDM_SETRANGE32, static_cast<WPARAM>(f.lower),
                              f.upper);
    }
    return TRUE;  // the first tab stop gets the focus
}

void CFormDialog::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_FORM_FRONT_EDIT, m_nFrontTractor);
    DDV_FormField(dx, m_nFrontTractor, FormField::FrontTractor);
    DDX_Slider(dx, IDC_FORM_FRONT_SLIDER, m_nFrontTractorTick);
    DDX_Text(dx, IDC_FORM_REAR_EDIT, m_nRearTractor);
    DDV_FormField(dx, m_nRearTractor, FormField::RearTractor);
    DDX_Slider(dx, IDC_FORM_REAR_SLIDER, m_nRearTractorTick);
    DDX_Text(dx, IDC_FORM_GUIDE_EDIT, m_nSheetGuide);
    DDV_FormField(dx, m_nSheetGuide, FormField::SheetGuide);
    DDX_Slider(dx, IDC_FORM_GUIDE_SLIDER, m_nSheetGuideTick);
    DDX_Text(dx, IDC_FORM_FEEDER_EDIT, m_nSheetFeeder);
    DDV_FormField(dx, m_nSheetFeeder, FormField::SheetFeeder);
    DDX_Slider(dx, IDC_FORM_FEEDER_SLIDER, m_nSheetFeederTick);
    DDX_Text(dx, IDC_FORM_POSTCARD_EDIT, m_nPostcard);
    DDV_FormField(dx, m_nPostcard, FormField::Postcard);
    DDX_Slider(dx, IDC_FORM_POSTCARD_SLIDER, m_nPostcardTick);
    DDX_Text(dx, IDC_FORM_PAGE_LENGTH_EDIT, m_nPageLength);
    DDV_FormField(dx, m_nPageLength, FormField::PageLength);
    // The margins are checked against each other when OK is pressed.
    DDX_Text(dx, IDC_FORM_LEFT_EDIT, m_nLeftMargin);
    DDX_Text(dx, IDC_FORM_RIGHT_EDIT, m_nRightMargin);
    DDX_Text(dx, IDC_FORM_CUTSHEET_EDIT, m_nCutSheetAdjust);
    DDV_FormField(dx, m_nCutSheetAdjust, FormField::CutSheetAdjust);
}

void CFormDialog::OnOK() {
    const int left = ReadLeadingInt(GetWindowTextString(GetDlgItem(IDC_FORM_LEFT_EDIT)));
    const int right = ReadLeadingInt(GetWindowTextString(GetDlgItem(IDC_FORM_RIGHT_EDIT)));
    if (left >= right) {
        AppMessageBox(
            m_hWnd,
            L"ライトマージン幅はレフトマージン幅より大きくしてください。適正値に変更します。",
            L"レフトマージン幅／ライトマージン幅", MB_OK | MB_ICONEXCLAMATION);
        HWND rightEdit = GetDlgItem(IDC_FORM_RIGHT_EDIT);
        SetNumber(rightEdit, left < INT_MAX ? left + 1 : left);
        ::SetFocus(rightEdit);
        return;
    }
    if (!UpdateData(true)) return;  // the failed check has been shown and focused
    for (int form = 0; form < 4; ++form) {
        if (m_strFormName == choices::kForm[form]) {
            FormatFormBlock(FormBlock(form));
            break;
        }
    }
    EndDialog(IDOK);
}

const MessageMapBase* CFormDialog::GetMessageMap() const {
    using Map = MessageMap<CFormDialog>;
    static const Map map(
        CDialog::GetMessageMap(),
        {
            Map::Control(IDC_FORM_FRONT_EDIT, EN_CHANGE, &CFormDialog::OnChangeFrontTractor),
            Map::Control(IDC_FORM_REAR_EDIT, EN_CHANGE, &CFormDialog::OnChangeRearTractor),
            Map::Control(IDC_FORM_GUIDE_EDIT, EN_CHANGE, &CFormDialog::OnChangeSheetGuide),
            Map::Control(IDC_FORM_FEEDER_EDIT, EN_CHANGE, &CFormDialog::OnChangeSheetFeeder),
            Map::Control(IDC_FORM_POSTCARD_EDIT, EN_CHANGE, &CFormDialog::OnChangePostcard),
            Map::Control(IDC_FORM_PAGE_LENGTH_EDIT, EN_CHANGE, &CFormDialog::OnChangePageLength),
            Map::Control(IDC_FORM_LEFT_EDIT, EN_CHANGE, &CFormDialog::OnChangeLeftMargin),
            Map::Control(IDC_FORM_RIGHT_EDIT, EN_CHANGE, &CFormDialog::OnChangeRightMargin),
            Map::Control(IDC_FORM_CUTSHEET_EDIT, EN_CHANGE, &CFormDialog::OnChangeCutSheetAdjust),
            Map::Message(WM_HSCROLL, &CFormDialog::OnHScroll),
        });
    return &map;
}

// One pattern for all nine number edits. Writing into the edit raises EN_CHANGE again, so
// each write must leave a text that the next round accepts as it is: a shortened text is
// within the length limit, a clamped one within the bounds.
void CFormDialog::OnEditChange(FormField field) {
    const EditRow& row = RowOf(field);
    const EditLimits limits = LimitsOf(row);
    HWND edit = GetDlgItem(row.edit);
    const std::wstring text = GetWindowTextString(edit);
    int value = ReadLeadingInt(text);
    if (text.size() > limits.textLength) {
        value = ShortenedEditValue(text, limits);
        SetNumber(edit, value);
    }
    // Values that a spin, a slider or the initial exchange writes are left as they are.
    if (::GetFocus() == edit) {
        if (value < limits.lower) {
            SetNumber(edit, limits.lower);
        } else if (value > limits.upper) {
            SetNumber(edit, limits.upper);
        }
    }
    if (row.slider != 0) {
        ::SendDlgItemMessageW(m_hWnd, row.slider, TBM_SETPOS, TRUE, NearestTick(value, row.column));
    }
}

void CFormDialog::OnChangeFrontTractor() {
    OnEditChange(FormField::FrontTractor);
}

void CFormDialog::OnChangeRearTractor() {
    OnEditChange(FormField::RearTractor);
}

void CFormDialog::OnChangeSheetGuide() {
    OnEditChange(FormField::SheetGuide);
}

void CFormDialog::OnChangeSheetFeeder() {
    OnEditChange(FormField::SheetFeeder);
}

void CFormDialog::OnChangePostcard() {
    OnEditChange(FormField::Postcard);
}

void CFormDialog::OnChangePageLength() {
    OnEditChange(FormField::PageLength);
}

void CFormDialog::OnChangeLeftMargin() {
    OnEditChange(FormField::LeftMargin);
}

void CFormDialog::OnChangeRightMargin() {
    OnEditChange(FormField::RightMargin);
}

void CFormDialog::OnChangeCutSheetAdjust() {
    OnEditChange(FormField::CutSheetAdjust);
}

// The trackbar reports a move; the focused slider is the one the operator moves. Its step
// value goes into the paired edit, whose EN_CHANGE puts the slider on the same step again.
LRESULT CFormDialog::OnHScroll(WPARAM, LPARAM) {
    HWND focus = ::GetFocus();
    for (const EditRow& row : kEditRows) {
        if (row.slider == 0) continue;
        HWND slider = GetDlgItem(row.slider);
        if (!focus || slider != focus) continue;
        const int position = static_cast<int>(::SendMessageW(slider, TBM_GETPOS, 0, 0));
        SetNumber(GetDlgItem(row.edit), LoadPositionTick(position, row.column));
        break;
    }
    return 0;  // a dialog's default handling does nothing more with WM_HSCROLL
}
