#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/AppMessageBox.h"
#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/Platform.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr UINT kExchangeTemplate = 901;
constexpr UINT kParentTemplate = 902;
constexpr UINT kChildTemplate = 903;

class ExchangeDialog : public CDialog {
public:
    ExchangeDialog() : CDialog(kExchangeTemplate) {}

    int m_nRadio = -1;
    int m_nSecond = -1;
    int m_bCheck = 0;
    std::wstring m_strCombo;
    int m_nValue = 0;
    int m_nSlider = 0;
    int m_nOther = 0;
    int m_nEditChanges = 0;
    int m_nListChanges = 0;

protected:
    BOOL OnInitDialog() override {
        ::SendDlgItemMessageW(m_hWnd, 1007, TBM_SETRANGE, TRUE, MAKELPARAM(0, 9));
        HWND list = GetDlgItem(1011);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 80;
        column.pszText = const_cast<wchar_t*>(L"列");
        ListView_InsertColumn(list, 0, &column);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"行");
        ListView_InsertItem(list, &item);
        return CDialog::OnInitDialog();
    }

    void DoDataExchange(CDataExchange& dx) override {
        DDX_Radio(dx, 1001, m_nRadio);
        DDX_Radio(dx, 1009, m_nSecond);
        DDX_Check(dx, 1004, m_bCheck);
        DDX_CBString(dx, 1005, m_strCombo);
        DDX_Text(dx, 1006, m_nValue);
        DDV_MinMaxInt(dx, m_nValue, 0, 152);
        DDX_Slider(dx, 1007, m_nSlider);
        DDX_Text(dx, 1008, m_nOther);
    }

    const MessageMapBase* GetMessageMap() const override {
        using Map = MessageMap<ExchangeDialog>;
        static const Map map(CDialog::GetMessageMap(),
                             {
                                 Map::Control(1006, EN_CHANGE, &ExchangeDialog::OnEditChange),
                                 Map::Notify(1011, LVN_ITEMCHANGED, &ExchangeDialog::OnListChange),
                             });
        return &map;
    }

private:
    void OnEditChange() { ++m_nEditChanges; }
    LRESULT OnListChange(NMHDR*) {
        ++m_nListChanges;
        return 0;
    }
};

// A modeless instance for checks that need no modal loop.
class ExchangeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dlg.Create(nullptr)); }
    HWND Dlg() const { return m_dlg.GetSafeHwnd(); }
    ExchangeDialog m_dlg;
};

TEST_F(ExchangeTest, ComboListComesFromTheTemplatesInitialData) {
    const auto entries = rig::ComboEntries(Dlg(), 1005);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], L"書式０");
    EXPECT_EQ(entries[1], L"書式１");
}

TEST_F(ExchangeTest, RadioGroupRoundTripsAndStopsAtTheNextGroup) {
    m_dlg.m_nRadio = 2;
    m_dlg.m_nSecond = 0;
    ASSERT_TRUE(m_dlg.UpdateData(false));
    EXPECT_FALSE(rig::IsChecked(Dlg(), 1001));
    EXPECT_FALSE(rig::IsChecked(Dlg(), 1002));
    EXPECT_TRUE(rig::IsChecked(Dlg(), 1003));
    EXPECT_TRUE(rig::IsChecked(Dlg(), 1009));  // the next group is not part of the first

    rig::Click(Dlg(), 1002);
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_nRadio, 1);
    EXPECT_EQ(m_dlg.m_nSecond, 0);

    ::CheckDlgButton(Dlg(), 1002, BST_UNCHECKED);
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_nRadio, -1);
}

TEST_F(ExchangeTest, CheckBoxAndSliderRoundTrip) {
    m_dlg.m_bCheck = 1;
    m_dlg.m_nSlider = 7;
    ASSERT_TRUE(m_dlg.UpdateData(false));
    EXPECT_TRUE(rig::IsChecked(Dlg(), 1004));
    EXPECT_EQ(::SendDlgItemMessageW(Dlg(), 1007, TBM_GETPOS, 0, 0), 7);

    rig::Click(Dlg(), 1004);
    ::SendDlgItemMessageW(Dlg(), 1007, TBM_SETPOS, TRUE, 3);
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_bCheck, 0);
    EXPECT_EQ(m_dlg.m_nSlider, 3);
}

TEST_F(ExchangeTest, DropDownListLoadsByPrefixAndStoresAtMostTwentyCharacters) {
    m_dlg.m_strCombo = L"書式";
    ASSERT_TRUE(m_dlg.UpdateData(false));
    EXPECT_EQ(rig::ComboText(Dlg(), 1005), L"書式０");  // the first entry that begins with it
    m_dlg.m_strCombo = L"書式１";
    ASSERT_TRUE(m_dlg.UpdateData(false));
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_strCombo, L"書式１");

    ::SendDlgItemMessageW(Dlg(), 1005, CB_SETCURSEL, 2, 0);
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_strCombo,
              std::wstring(L"とても長い名前の項目です、二十文字を超えています").substr(0, 20));
}

TEST_F(ExchangeTest, IntegerEditRoundTrips) {
    m_dlg.m_nValue = 46;
    m_dlg.m_nOther = -5;
    ASSERT_TRUE(m_dlg.UpdateData(false));
    EXPECT_EQ(rig::ItemText(Dlg(), 1006), L"46");
    EXPECT_EQ(rig::ItemText(Dlg(), 1008), L"-5");
    rig::SetItemText(Dlg(), 1006, L"0120");
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_nValue, 120);
}

TEST_F(ExchangeTest, TextThatIsNoIntegerIsRefusedOnceAndFocused) {
    for (const wchar_t* bad : {L"", L"12a", L"99999999999"}) {
        m_dlg.m_nSlider = 5;
        ASSERT_TRUE(m_dlg.UpdateData(false));
        rig::SetItemText(Dlg(), 1006, bad);
        ::SendDlgItemMessageW(Dlg(), 1007, TBM_SETPOS, TRUE, 2);
        rig::UiScript ui;
        ui.AnswerMessageBox(IDOK);
        EXPECT_FALSE(m_dlg.UpdateData(true));
        ASSERT_EQ(ui.Answered().size(), 1u);
        EXPECT_EQ(ui.Answered()[0].text, L"整数を入力してください。");
        EXPECT_EQ(ui.Answered()[0].caption, L"Kestrowinda");
        EXPECT_EQ(ui.Answered()[0].icon, rig::Icon::Exclamation);
        EXPECT_EQ(::GetFocus(), m_dlg.GetDlgItem(1006));
        EXPECT_EQ(m_dlg.m_nSlider, 5) << "exchange went on after the failure";
    }
}

TEST_F(ExchangeTest, ValueOutOfRangeShowsTheBoundsAndSelectsTheText) {
    ASSERT_TRUE(m_dlg.UpdateData(false));
    rig::SetItemText(Dlg(), 1006, L"153");
    rig::UiScript ui;
    ui.AnswerMessageBox(IDOK);
    EXPECT_FALSE(m_dlg.UpdateData(true));
    ASSERT_EQ(ui.Answered().size(), 1u);
    EXPECT_EQ(ui.Answered()[0].text, L"0 から 152 までの整数を入力してください。");
    EXPECT_EQ(ui.Answered()[0].icon, rig::Icon::Exclamation);
    EXPECT_EQ(::GetFocus(), m_dlg.GetDlgItem(1006));
    DWORD start = 0, end = 0;
    ::SendDlgItemMessageW(Dlg(), 1006, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                          reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
}

TEST_F(ExchangeTest, MapEntriesReachHandlersByControlAndCode) {
    const int before = m_dlg.m_nEditChanges;
    rig::SetItemText(Dlg(), 1006, L"7");
    EXPECT_EQ(m_dlg.m_nEditChanges, before + 1);
    rig::SetItemText(Dlg(), 1008, L"7");  // another control: no entry
    EXPECT_EQ(m_dlg.m_nEditChanges, before + 1);

    ListView_SetItemState(m_dlg.GetDlgItem(1011), 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_GE(m_dlg.m_nListChanges, 1);
}

TEST(ModalDialogTest, OkTakesTheValuesBackAndCancelDoesNot) {
    ExchangeDialog dlg;
    dlg.m_nRadio = 0;
    {
        rig::UiScript ui;
        ui.OnDialog(L"データ交換", [](HWND hwnd) {
            rig::Click(hwnd, 1003);
            rig::Click(hwnd, IDOK);
        });
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
    EXPECT_EQ(dlg.m_nRadio, 2);
    {
        rig::UiScript ui;
        ui.OnDialog(L"データ交換", [](HWND hwnd) {
            rig::Click(hwnd, 1001);
            rig::Click(hwnd, IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    EXPECT_EQ(dlg.m_nRadio, 2);
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

class EndsAtOnce : public CDialog {
public:
    EndsAtOnce() : CDialog(kExchangeTemplate) {}
    bool m_bWasVisible = false;

protected:
    BOOL OnInitDialog() override {
        EndDialog(42);
        return TRUE;
    }
    bool WindowProc(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_SHOWWINDOW && wp) m_bWasVisible = true;
        return CDialog::WindowProc(msg, wp, lp, result);
    }
};

TEST(ModalDialogTest, EndingDuringInitialisationNeverShowsTheWindow) {
    EndsAtOnce dlg;
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_FALSE(dlg.m_bWasVisible);
}

class ParentDialog : public CDialog {
public:
    ParentDialog() : CDialog(kParentTemplate) {}
    int m_nCommands = 0;
    int m_nClicks = 0;

protected:
    const MessageMapBase* GetMessageMap() const override {
        using Map = MessageMap<ParentDialog>;
        static const Map map(CDialog::GetMessageMap(),
                             {
                                 Map::Command(5000, &ParentDialog::OnCommand5000),
                                 Map::Command(1101, &ParentDialog::OnButton),
                             });
        return &map;
    }

private:
    void OnCommand5000() { ++m_nCommands; }
    void OnButton() { ++m_nClicks; }
};

class ChildPage : public CPropertyPage {
public:
    ChildPage() : CPropertyPage(kChildTemplate) {}
    int m_nOwn = 0;

protected:
    const MessageMapBase* GetMessageMap() const override {
        using Map = MessageMap<ChildPage>;
        static const Map map(CPropertyPage::GetMessageMap(),
                             {Map::Command(5001, &ChildPage::OnOwnCommand)});
        return &map;
    }

private:
    void OnOwnCommand() { ++m_nOwn; }
};

TEST(CommandRoutingTest, CommandsAChildLeavesReachTheParent) {
    ParentDialog parent;
    ASSERT_TRUE(parent.Create(nullptr));
    ChildPage page;
    ASSERT_TRUE(page.Create(parent.GetSafeHwnd()));

    ::SendMessageW(page.GetSafeHwnd(), WM_COMMAND, 5000, 0);
    EXPECT_EQ(parent.m_nCommands, 1);

    ::SendMessageW(page.GetSafeHwnd(), WM_COMMAND, 5001, 0);
    EXPECT_EQ(page.m_nOwn, 1);
    EXPECT_EQ(parent.m_nCommands, 1);

    // A control's notification is the page's own business.
    rig::Click(page.GetSafeHwnd(), 1101);
    EXPECT_EQ(parent.m_nClicks, 0);
}

TEST(PlatformTest, TestsCanChooseTheFamily) {
    const bool real = IsNtFamily();
    {
        ScopedOsVersionForTesting win95(kWindows95);
        EXPECT_FALSE(IsNtFamily());
        EXPECT_EQ(GetOsVersion().major, 4u);
        {
            ScopedOsVersionForTesting xp(kWindowsXp);
            EXPECT_TRUE(IsNtFamily());
        }
        EXPECT_FALSE(IsNtFamily());
    }
    EXPECT_EQ(IsNtFamily(), real);
}

TEST(MessageBoxTest, CaptionAndIconAreThoseAsked) {
    rig::UiScript ui;
    ui.AnswerMessageBox(IDNO);
    EXPECT_EQ(AppMessageBox(nullptr, L"質問", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    ui.AnswerMessageBox(IDOK);
    AppMessageBox(nullptr, L"失敗", MB_OK | MB_ICONSTOP);
    ui.AnswerMessageBox(IDOK);
    AppMessageBox(nullptr, L"幅", L"レフトマージン幅／ライトマージン幅",
                  MB_OK | MB_ICONINFORMATION);
    ASSERT_EQ(ui.Answered().size(), 3u);
    EXPECT_EQ(ui.Answered()[0].caption, L"Kestrowinda");
    EXPECT_EQ(ui.Answered()[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(ui.Answered()[1].icon, rig::Icon::Stop);
    EXPECT_EQ(ui.Answered()[2].caption, L"レフトマージン幅／ライトマージン幅");
    EXPECT_EQ(ui.Answered()[2].icon, rig::Icon::Information);
}

}  // namespace
