// The printer-selection dialog: its template, the choice rules against a table-driven spooler,
// the listing against Wine's real spooler, and the ways it ends the program.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "framework/Platform.h"
#include "printer/FakePrinterSpooler.h"
#include "printer/PrinterSelectDialog.h"
#include "res/resource.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Ui.h"

// Readable failure output for rows.
void PrintTo(const PrinterEntry& entry, std::ostream* out) {
    *out << testing::PrintToString(entry.name) << " on "
         << testing::PrintToString(entry.connection);
}

namespace {

constexpr wchar_t kCaption[] = L"プリンタの選択";
constexpr wchar_t kNoSelection[] = L"プリンタが選択されていません。\nプリンタを選択してください。";
constexpr wchar_t kRowOnFileRefused[] =
    L"接続先がFILEのため設定値を受信/送信できません。\n"
    L"プリンタ設定を変更するか、他のプリンタに変更してください。";

using Rows = std::vector<PrinterEntry>;

HWND List(HWND dialog) {
    return ::GetDlgItem(dialog, IDC_PRINTER_LIST);
}

std::wstring Cell(HWND dialog, int row, int column) {
    std::wstring text(1024, L'\0');
    ListView_GetItemText(List(dialog), row, column, text.data(), static_cast<int>(text.size()));
    text.resize(wcslen(text.c_str()));
    return text;
}

Rows ListedRows(HWND dialog) {
    Rows rows;
    const int count = ListView_GetItemCount(List(dialog));
    for (int row = 0; row < count; ++row)
        rows.push_back({Cell(dialog, row, 0), Cell(dialog, row, 1)});
    return rows;
}

int SelectedRow(HWND dialog) {
    return ListView_GetNextItem(List(dialog), -1, LVNI_SELECTED);
}

void Select(HWND dialog, int row) {
    const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(List(dialog), row, state, state);
}

// A double-click of the mouse at `point` in the list's client area.
void DoubleClickList(HWND dialog, POINT point) {
    const LPARAM at = MAKELPARAM(point.x, point.y);
    ::SendMessageW(List(dialog), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::SendMessageW(List(dialog), WM_LBUTTONUP, 0, at);
}

// A key pressed in the list, handed to the dialog's keyboard handling as its modal loop does.
void PressKey(HWND dialog, UINT key) {
    MSG msg{List(dialog), WM_KEYDOWN, key, 1, 0, {}};
    ASSERT_TRUE(::IsDialogMessageW(dialog, &msg));
}

POINT RowPoint(HWND dialog, int row) {
    RECT rect{};
    ListView_GetItemRect(List(dialog), row, &rect, LVIR_LABEL);
    return {rect.left + 2, (rect.top + rect.bottom) / 2};
}

// The dialog, noting whether its window was ever shown.
class WatchedDialog : public CPrinterSelectDialog {
public:
    using CPrinterSelectDialog::CPrinterSelectDialog;
    bool m_bWasShown = false;

protected:
    bool WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_SHOWWINDOW && wp) m_bWasShown = true;
        return CPrinterSelectDialog::WindowProc(msg, wp, lp, result);
    }
};

// --- The template -------------------------------------------------------------------------

// Position and size, each value converted from dialog units on its own as the dialog manager
// places controls.
struct Placement {
    LONG x, y, cx, cy;
    friend bool operator==(const Placement&, const Placement&) = default;
};

void PrintTo(const Placement& p, std::ostream* out) {
    *out << p.x << "," << p.y << " " << p.cx << "x" << p.cy;
}

Placement InPixels(HWND dialog, Placement units) {
    RECT rect{units.x, units.y, units.cx, units.cy};
    ::MapDialogRect(dialog, &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

Placement PlacementOf(HWND dialog, HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

TEST(PrinterSelectTemplateTest, WindowAndControlsAreLaidOutAsDesigned) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"A", L"LPT1:");
    fake.AddLocal(L"B", L"LPT2:");
    CPrinterSelectDialog dlg(fake);
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND hwnd = dlg.GetSafeHwnd();

    EXPECT_EQ(rig::Text(hwnd), kCaption);
    const LONG frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(::GetWindowLongW(hwnd, GWL_STYLE) &
                  (frame | WS_VISIBLE | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              frame);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ((Placement{0, 0, client.right, client.bottom}), InPixels(hwnd, {0, 0, 187, 127}));
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(font),
                 &font);
    EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");

    struct Control {
        int id;
        std::wstring text;
        Placement units;
        LONG styleMask, style;
    };
    const LONG listBits = LVS_TYPEMASK | LVS_SINGLESEL | LVS_SORTASCENDING | LVS_SORTDESCENDING |
                          LVS_AUTOARRANGE | WS_TABSTOP | WS_GROUP;
    const Control controls[] = {
        {IDC_STATIC,
         L"プリンタを選択してください。",
         {5, 5, 87, 8},
         SS_TYPEMASK | WS_GROUP | WS_TABSTOP,
         SS_LEFT},
        {IDC_PRINTER_LIST,
         L"",
         {7, 19, 173, 81},
         listBits,
         LVS_REPORT | LVS_SINGLESEL | LVS_SORTASCENDING | LVS_AUTOARRANGE | WS_TABSTOP},
        {IDOK, L"OK", {30, 106, 50, 14}, BS_TYPEMASK, BS_DEFPUSHBUTTON},
        {IDCANCEL, L"キャンセル", {110, 106, 50, 14}, BS_TYPEMASK, BS_PUSHBUTTON},
    };
    HWND child = ::GetWindow(hwnd, GW_CHILD);  // in tab order
    for (const Control& c : controls) {
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(child), c.id);
        EXPECT_EQ(rig::Text(child), c.text) << c.id;
        EXPECT_EQ(PlacementOf(hwnd, child), InPixels(hwnd, c.units)) << c.id;
        EXPECT_EQ(::GetWindowLongW(child, GWL_STYLE) & c.styleMask, c.style) << c.id;
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);

    HWND list = List(hwnd);
    // The dialog manager turns a control's border into a sunken client edge.
    EXPECT_TRUE((::GetWindowLongW(list, GWL_STYLE) & WS_BORDER) ||
                (::GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
    const std::pair<std::wstring, int> columns[] = {{L"プリンタ名", 200}, {L"接続先", 90}};
    for (int column = 0; column < 2; ++column) {
        wchar_t title[32] = {};
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        info.pszText = title;
        info.cchTextMax = 32;
        ASSERT_TRUE(ListView_GetColumn(list, column, &info));
        EXPECT_EQ(title, columns[column].first);
        EXPECT_EQ(info.cx, columns[column].second);
        EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
}

// --- Choosing, against the table-driven spooler ---------------------------------------------

TEST(PrinterSelectTest, OneRowDuringStartUpIsTakenWithoutShowingTheDialog) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Only", L"LPT1:");
    WatchedDialog dlg(fake);
    dlg.m_bStartupDone = 0;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(dlg.m_bWasShown);
    EXPECT_EQ(dlg.m_nPrinterCount, 1);
    EXPECT_EQ(dlg.m_strPrinterName, L"Only");
    EXPECT_EQ(dlg.m_strPort, L"LPT1:");
}

TEST(PrinterSelectTest, OneRowAfterStartUpIsShownPreselected) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Only", L"LPT1:");
    WatchedDialog dlg(fake);
    dlg.m_bStartupDone = 1;
    rig::UiScript ui;
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        EXPECT_EQ(ListedRows(hwnd), (Rows{{L"Only", L"LPT1:"}}));
        EXPECT_EQ(SelectedRow(hwnd), 0);
        EXPECT_EQ(ListView_GetNextItem(List(hwnd), -1, LVNI_FOCUSED), 0);
        rig::Click(hwnd, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.m_bWasShown);
    EXPECT_EQ(dlg.m_nPrinterCount, 1);
    EXPECT_EQ(dlg.m_strPrinterName, L"Only");
    EXPECT_EQ(dlg.m_strPort, L"LPT1:");
}

// Three rows in the list's order: "A" on FILE:, "B" on LPT1:, "C" on FILE:.
class ThreeRowsTest : public testing::Test {
protected:
    ThreeRowsTest() {
        fake.AddLocal(L"C", L"FILE:");
        fake.AddLocal(L"B", L"LPT1:");
        fake.AddLocal(L"A", L"FILE:");
        dlg.m_strPrinterName = L"B";
        dlg.m_strPort = L"LPT1:";
    }
    FakePrinterSpooler fake;
    WatchedDialog dlg{fake};
    rig::UiScript ui;
};

TEST_F(ThreeRowsTest, RowsAreSortedAndOkOnAFileRowIsRefusedUntilARealPortIsChosen) {
    for (int startup : {0, 1}) {
        dlg.m_bStartupDone = startup;
        ui.OnDialog(kCaption, [&](HWND hwnd) {
            EXPECT_EQ(ListedRows(hwnd),
                      (Rows{{L"A", L"FILE:"}, {L"B", L"LPT1:"}, {L"C", L"FILE:"}}));
            EXPECT_EQ(SelectedRow(hwnd), 1);
            for (int row : {0, 2}) {
                Select(hwnd, row);
                rig::Click(hwnd, IDOK);
                EXPECT_TRUE(dlg.IsModalRunning() && ::IsWindowVisible(hwnd)) << "row " << row;
                EXPECT_EQ(dlg.m_strPrinterName, row == 0 ? L"A" : L"C");
                EXPECT_EQ(dlg.m_strPort, L"FILE:");
            }
            Select(hwnd, 1);
            rig::Click(hwnd, IDOK);
        });
        ui.AnswerMessageBox(IDOK);
        ui.AnswerMessageBox(IDOK);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_nPrinterCount, 3);
        EXPECT_EQ(dlg.m_strPrinterName, L"B");
        EXPECT_EQ(dlg.m_strPort, L"LPT1:");
    }
    ASSERT_EQ(ui.Answered().size(), 4u);
    for (const rig::SeenBox& box : ui.Answered()) {
        EXPECT_EQ(box.caption, L"Kestrowinda");
        EXPECT_EQ(box.text, kRowOnFileRefused);
        EXPECT_EQ(box.icon, rig::Icon::Information);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    }
}

TEST_F(ThreeRowsTest, CancelAfterARefusedFileRowHandsBackThatRow) {
    dlg.m_bStartupDone = 0;
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        Select(hwnd, 2);
        rig::Click(hwnd, IDOK);
        rig::Click(hwnd, IDCANCEL);
    });
    ui.AnswerMessageBox(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_strPrinterName, L"C");
    EXPECT_EQ(dlg.m_strPort, L"FILE:");
}

TEST_F(ThreeRowsTest, CancelAndEscapeLeaveTheMembersAsGiven) {
    dlg.m_bStartupDone = 1;
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        Select(hwnd, 0);
        rig::Click(hwnd, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        Select(hwnd, 2);
        PressKey(hwnd, VK_ESCAPE);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_strPrinterName, L"B");
    EXPECT_EQ(dlg.m_strPort, L"LPT1:");
    EXPECT_EQ(dlg.m_nPrinterCount, 3);
}

TEST_F(ThreeRowsTest, OkWithoutASelectedRowIsRefusedAndTheDialogStays) {
    dlg.m_bStartupDone = 1;
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        ListView_SetItemState(List(hwnd), -1, 0, LVIS_SELECTED);
        rig::Click(hwnd, IDOK);
        EXPECT_TRUE(dlg.IsModalRunning() && ::IsWindowVisible(hwnd));
        EXPECT_EQ(dlg.m_strPrinterName, L"B");
        Select(hwnd, 2);
        PressKey(hwnd, VK_RETURN);  // Enter runs the same procedure
        EXPECT_EQ(ui.Answered().size(), 2u);
        EXPECT_EQ(dlg.m_strPrinterName, L"C");
        Select(hwnd, 1);
        PressKey(hwnd, VK_RETURN);
    });
    ui.AnswerMessageBox(IDOK);
    ui.AnswerMessageBox(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strPrinterName, L"B");
    ASSERT_EQ(ui.Answered().size(), 2u);
    EXPECT_EQ(ui.Answered()[1].text, kRowOnFileRefused);
    EXPECT_EQ(ui.Answered()[0].caption, L"Kestrowinda");
    EXPECT_EQ(ui.Answered()[0].text, kNoSelection);
    EXPECT_EQ(ui.Answered()[0].icon, rig::Icon::Exclamation);
    EXPECT_EQ(ui.Answered()[0].buttons, std::vector<int>{IDOK});
}

TEST_F(ThreeRowsTest, DoubleClickChoosesARowAndDoesNothingOnEmptySpace) {
    dlg.m_bStartupDone = 1;
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        RECT client{};
        ::GetClientRect(List(hwnd), &client);
        const POINT empty{10, client.bottom - 4};
        ListView_SetItemState(List(hwnd), -1, 0, LVIS_SELECTED);
        DoubleClickList(hwnd, empty);
        rig::Pump(200);
        EXPECT_TRUE(dlg.IsModalRunning() && ::IsWindowVisible(hwnd));
        EXPECT_TRUE(ui.Answered().empty());

        // On a "FILE:" row the double-click runs the OK procedure, refusal included.
        Select(hwnd, 0);
        DoubleClickList(hwnd, RowPoint(hwnd, 0));
        EXPECT_TRUE(dlg.IsModalRunning());
        EXPECT_EQ(ui.Answered().size(), 1u);
        Select(hwnd, 1);
        DoubleClickList(hwnd, RowPoint(hwnd, 1));
    });
    ui.AnswerMessageBox(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strPrinterName, L"B");
    EXPECT_EQ(dlg.m_strPort, L"LPT1:");
}

TEST(PrinterSelectTest, PreselectionComparesTheWholeNameExactly) {
    const std::wstring longName(300, L'P');
    FakePrinterSpooler fake;
    fake.AddLocal(longName + L"2", L"LPT3:");
    fake.AddLocal(longName + L"1", L"LPT2:");
    fake.AddLocal(L"Alpha", L"LPT1:");
    WatchedDialog dlg(fake);
    dlg.m_bStartupDone = 1;
    struct Case {
        std::wstring current;
        int row;
    };
    const Case cases[] = {{L"", 0},
                          {L"Alpha", 0},
                          {longName + L"2", 2},
                          {longName + L"1", 1},
                          {longName.substr(0, 255), 0},  // a cut name is another name
                          {std::wstring(300, L'p') + L"2", 0}};
    for (const Case& c : cases) {
        dlg.m_strPrinterName = c.current;
        rig::UiScript ui;
        ui.OnDialog(kCaption, [&](HWND hwnd) {
            EXPECT_EQ(SelectedRow(hwnd), c.row) << c.current.size() << " characters";
            rig::Click(hwnd, IDOK);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
        // OK hands back the whole name.
        EXPECT_EQ(dlg.m_strPrinterName,
                  c.row == 0 ? L"Alpha" : longName + (c.row == 1 ? L"1" : L"2"));
    }
}

TEST(PrinterSelectTest, NamesDifferingOnlyInCaseKeepTheirOwnConnections) {
    FakePrinterSpooler fake;
    fake.AddLocal(L"Printer", L"LPT1:");
    fake.AddLocal(L"PRINTER", L"LPT2:");
    fake.AddLocal(L"printer", L"LPT3:");
    WatchedDialog dlg(fake);
    dlg.m_bStartupDone = 1;
    dlg.m_strPrinterName = L"PRINTER";
    rig::UiScript ui;
    ui.OnDialog(kCaption, [&](HWND hwnd) {
        const Rows rows = ListedRows(hwnd);
        ASSERT_EQ(rows.size(), 3u);
        for (const PrinterEntry& row : rows) {
            const std::wstring expected = row.name == L"Printer"   ? L"LPT1:"
                                          : row.name == L"PRINTER" ? L"LPT2:"
                                                                   : L"LPT3:";
            EXPECT_EQ(row.connection, expected);
        }
        EXPECT_EQ(Cell(hwnd, SelectedRow(hwnd), 0), L"PRINTER");
        rig::Click(hwnd, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strPrinterName, L"PRINTER");
    EXPECT_EQ(dlg.m_strPort, L"LPT2:");
}

// --- Listing, against Wine's real spooler ----------------------------------------------------

TEST(PrinterSelectSpoolerTest, ListsOnlyTheModelsQueuesSortedWithTheirPorts) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Charlie", L"LPT2:");
    printers.Add(L"Kw Alpha", L"LPT1:");
    printers.Add(L"Kw Bravo", L"FILE:");
    printers.Add(L"Kw Successor", L"LPT3:", L"Vek Brelvistoka 410ZQ II");
    printers.Add(L"Kw Other Maker", L"LPT3:", L"Generic / Text Only");
    CPrinterSelectDialog dlg;
    dlg.m_bStartupDone = 1;
    struct Case {
        std::wstring current;
        int row;
    };
    for (const Case& c : {Case{L"Kw Charlie", 2}, Case{L"kw charlie", 0}, Case{L"Kw Bravo", 1}}) {
        dlg.m_strPrinterName = c.current;
        rig::UiScript ui;
        ui.OnDialog(kCaption, [&](HWND hwnd) {
            EXPECT_EQ(ListedRows(hwnd), (Rows{{L"Kw Alpha", L"LPT1:"},
                                              {L"Kw Bravo", L"FILE:"},
                                              {L"Kw Charlie", L"LPT2:"}}));
            EXPECT_EQ(SelectedRow(hwnd), c.row);
            rig::Click(hwnd, IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(dlg.m_nPrinterCount, 3);
    }
}

// Wine's spooler reports every queue's status as 0, so the user-intervention rule of the 9x
// family is shown with the table-driven spooler only.
TEST(PrinterSelectSpoolerTest, AQueueThatDoesNotOpenIsLeftOutOnNtOnly) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Ready", L"LPT1:");
    printers.Add(L"Kw Unopenable", L"LPT3:");
    // Without its print processor Wine's spooler refuses to open the queue.
    ASSERT_EQ(::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE,
                                   L"System\\CurrentControlSet\\Control\\Print\\Printers\\"
                                   L"Kw Unopenable",
                                   L"Print Processor"),
              ERROR_SUCCESS);
    CPrinterSelectDialog dlg;
    dlg.m_bStartupDone = 1;
    for (const OsVersion& version : {kWindowsXp, kWindows98}) {
        ScopedOsVersionForTesting family(version);
        rig::UiScript ui;
        ui.OnDialog(kCaption, [&](HWND hwnd) {
            if (IsNtFamily()) {
                EXPECT_EQ(ListedRows(hwnd), (Rows{{L"Kw Ready", L"LPT1:"}}));
            } else {
                EXPECT_EQ(ListedRows(hwnd),
                          (Rows{{L"Kw Ready", L"LPT1:"}, {L"Kw Unopenable", L"LPT3:"}}));
            }
            rig::Click(hwnd, IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
}

// --- Ending the program ----------------------------------------------------------------------
// Each death test runs the dialog in a child process. The child reports the message box it
// answers on stderr, with whether the selection dialog had been shown by then.

std::string Utf8(const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

void RunAndReportTheMessage(int startupDone) {
    rig::UiScript ui;
    ui.OnDialog(L"Kestrowinda", [](HWND box) {
        const rig::SeenBox seen = rig::Inspect(box);
        HWND owner = ::GetWindow(box, GW_OWNER);
        std::wstring text = seen.text;
        for (wchar_t& c : text) {
            if (c == L'\n') c = L'~';
        }
        std::fprintf(stderr, "box %s %s buttons %zu: %s<end>\n",
                     seen.icon == rig::Icon::Exclamation ? "exclamation" : "other",
                     owner && rig::Text(owner) == kCaption && !::IsWindowVisible(owner)
                         ? "before-shown"
                         : "while-shown",
                     seen.buttons.size(), Utf8(text).c_str());
        std::fflush(stderr);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    CPrinterSelectDialog dlg;
    dlg.m_bStartupDone = startupDone;
    dlg.DoModal();
    std::fprintf(stderr, "the dialog returned\n");
}

constexpr char kNoPrintersSeen[] =
    "box exclamation before-shown buttons 1: "
    "使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください。~~"
    "Kestrowindaを終了します。<end>";
constexpr char kAllOnFileSeen[] =
    "box exclamation before-shown buttons 1: "
    "インストールされているプリンタの接続先がFILEのため設定値を受信/送信できません。~"
    "プリンタ設定を確認してやり直してください。~~Kestrowindaを終了します。<end>";
constexpr char kOnlyRowOnFileSeen[] =
    "box exclamation before-shown buttons 1: "
    "接続先がFILEのため設定値を受信/送信できません。~"
    "プリンタ設定を確認してやり直してください。~~Kestrowindaを終了します。<end>";

TEST(PrinterSelectExitTest, NoQualifyingQueueEndsTheProgram) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Successor", L"LPT1:", L"Vek Brelvistoka 410ZQ II");
    for (int startup : {0, 1}) {
        EXPECT_EXIT(RunAndReportTheMessage(startup), testing::ExitedWithCode(1), kNoPrintersSeen)
            << "startup done " << startup;
    }
}

TEST(PrinterSelectExitTest, OneFileQueueEndsTheProgramThroughTheAutomaticChoiceOrBeforeShowing) {
    rig::TestPrinters printers;
    printers.Add(L"Kw File", L"FILE:");
    EXPECT_EXIT(RunAndReportTheMessage(0), testing::ExitedWithCode(1), kOnlyRowOnFileSeen);
    EXPECT_EXIT(RunAndReportTheMessage(1), testing::ExitedWithCode(1), kAllOnFileSeen);
}

TEST(PrinterSelectExitTest, ThreeFileQueuesEndTheProgramBeforeShowing) {
    rig::TestPrinters printers;
    printers.Add(L"Kw File 1", L"FILE:");
    printers.Add(L"Kw File 2", L"FILE:");
    printers.Add(L"Kw File 3", L"FILE:");
    for (int startup : {0, 1}) {
        EXPECT_EXIT(RunAndReportTheMessage(startup), testing::ExitedWithCode(1), kAllOnFileSeen)
            << "startup done " << startup;
    }
}

}  // namespace
