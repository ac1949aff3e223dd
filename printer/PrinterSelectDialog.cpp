#include "printer/PrinterSelectDialog.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/AppMessageBox.h"
#include "framework/DataExchange.h"
#include "framework/Platform.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kNoPrinters[] =
    L"使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください。\n\n"
    L"Kestrowindaを終了します。";
constexpr wchar_t kAllRowsOnFile[] =
    L"インストールされているプリンタの接続先がFILEのため設定値を受信/送信できません。\n"
    L"プリンタ設定を確認してやり直してください。\n\nKestrowindaを終了します。";
constexpr wchar_t kOnlyRowOnFile[] =
    L"接続先がFILEのため設定値を受信/送信できません。\nプリンタ設定を確認してやり直してください。"
    L"\n\nKestrowindaを終了します。";
constexpr wchar_t kRowOnFileRefused[] =
    L"接続先がFILEのため設定値を受信/送信できません。\n"
    L"プリンタ設定を変更するか、他のプリンタに変更してください。";
constexpr wchar_t kNoSelection[] = L"プリンタが選択されていません。\nプリンタを選択してください。";

constexpr int kNameColumnWidth = 200;
constexpr int kConnectionColumnWidth = 90;
// Longer than any queue name; only guards the read loop against a misbehaving control.
constexpr std::size_t kMaxRowText = 32768;

void InsertColumn(HWND list, int index, const wchar_t* title, int width) {
    std::wstring text = title;
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    // A column that fails to insert only leaves the list without its heading; the rows and
    // their texts do not depend on it.
    ListView_InsertColumn(list, index, &column);
}

}  // namespace

CPrinterSelectDialog::CPrinterSelectDialog()
    : CDialog(IDD_PRINTER_SELECT), m_spooler(m_realSpooler) {}

CPrinterSelectDialog::CPrinterSelectDialog(PrinterSpooler& spooler)
    : CDialog(IDD_PRINTER_SELECT), m_spooler(spooler) {}

const MessageMapBase* CPrinterSelectDialog::GetMessageMap() const {
    using Map = MessageMap<CPrinterSelectDialog>;
    static const Map map(
        CDialog::GetMessageMap(),
        {
            Map::Notify(IDC_PRINTER_LIST, NM_DBLCLK, &CPrinterSelectDialog::OnDblClkList),
        });
    return &map;
}

void CPrinterSelectDialog::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, IDC_PRINTER_LIST, m_listPrinters);
}

BOOL CPrinterSelectDialog::OnInitDialog() {
    CDialog::OnInitDialog();

    InsertColumn(m_listPrinters, 0, L"プリンタ名", kNameColumnWidth);
    InsertColumn(m_listPrinters, 1, L"接続先", kConnectionColumnWidth);
    ListView_SetExtendedListViewStyleEx(m_listPrinters, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);

    for (const PrinterEntry& entry : EnumerateModelPrinters(m_spooler, IsNtFamily())) {
        AddRow(entry);
    }
    m_nPrinterCount = RowCount();
    if (m_nPrinterCount == 0) {
        AppMessageBox(m_hWnd, kNoPrinters, MB_OK | MB_ICONEXCLAMATION);
        EndProcess(1);
    }

    const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(m_listPrinters, PreselectedRow(), state, state);

    // A single printer during start-up is taken without asking; the window never shows.
    if (m_nPrinterCount == 1 && m_bStartupDone == 0) {
        OnOK();
        return TRUE;
    }
    if (AllRowsOnFile()) {
        AppMessageBox(m_hWnd, kAllRowsOnFile, MB_OK | MB_ICONEXCLAMATION);
        EndProcess(1);
    }
    return TRUE;
}

// The OK procedure: OK button, Enter, double-click on a row and the automatic choice.
void CPrinterSelectDialog::OnOK() {
    // The members take the selected row before any check, so that a refused "FILE:" row is
    // what a following Cancel hands back.
    for (int row = RowCount() - 1; row >= 0; --row) {
        if (ListView_GetItemState(m_listPrinters, row, LVIS_SELECTED) & LVIS_SELECTED) {
            m_strPrinterName = RowText(row, 0);
            m_strPort = RowText(row, 1);
            break;
        }
    }
    if (SelectedRow() < 0) {
        AppMessageBox(m_hWnd, kNoSelection, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (m_strPort != kFilePort) {
        CDialog::OnOK();
        return;
    }
    if (RowCount() == 1) {
        AppMessageBox(m_hWnd, kOnlyRowOnFile, MB_OK | MB_ICONEXCLAMATION);
        EndProcess(1);
    }
    AppMessageBox(m_hWnd, kRowOnFileRefused, MB_OK | MB_ICONINFORMATION);
}

LRESULT CPrinterSelectDialog::OnDblClkList(NMHDR*) {
    if (SelectedRow() >= 0) OnOK();
    return 0;
}

void CPrinterSelectDialog::AddRow(const PrinterEntry& entry) {
    std::wstring name = entry.name;
    std::wstring connection = entry.connection;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = name.data();
    // The sorted list places the row; the index it returns names that row alone, where a
    // search by text would also match a name that differs only in case.
    const int row = ListView_InsertItem(m_listPrinters, &item);
    if (row < 0) return;
    ListView_SetItemText(m_listPrinters, row, 1, connection.data());
}

// The first row whose name equals the current printer's exactly, else row 0.
int CPrinterSelectDialog::PreselectedRow() const {
    if (m_strPrinterName.empty()) return 0;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (RowText(row, 0) == m_strPrinterName) return row;
    }
    return 0;
}

bool CPrinterSelectDialog::AllRowsOnFile() const {
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (RowText(row, 1) != kFilePort) return false;
    }
    return true;
}

int CPrinterSelectDialog::RowCount() const {
    return ListView_GetItemCount(m_listPrinters);
}

int CPrinterSelectDialog::SelectedRow() const {
    return ListView_GetNextItem(m_listPrinters, -1, LVNI_SELECTED);
}

// The whole text of a cell, however long.
std::wstring CPrinterSelectDialog::RowText(int row, int column) const {
    std::wstring text(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto copied = static_cast<std::size_t>(
            ::SendMessageW(m_listPrinters, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < text.size() || text.size() >= kMaxRowText) {
            text.resize(std::min(copied, text.size()));
            return text;
        }
        text.resize(text.size() * 2);
    }
}
