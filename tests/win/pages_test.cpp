#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <ranges>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/Dialog.h"
#include "pages/Page_Hardware.h"
#include "pages/Page_MSW1.h"
#include "pages/Page_MSW2.h"
#include "pages/Page_MSW3.h"
#include "pages/Page_MSW4.h"
#include "pages/Page_Select.h"
#include "res/resource.h"
#include "settings/Fields.h"
#include "tests/win/rig/Ui.h"

namespace {

constexpr UINT kParentTemplate = 901;
constexpr std::uint8_t kSentinel = 0xA5;

// Plays the main window: counts the data checks and collects the pages, as its handler does.
class PageParent : public CDialog {
public:
    PageParent() : CDialog(kParentTemplate) {}

    std::vector<CSettingsPage*> m_pages;
    SettingsRecord m_rec = FactoryRecord();
    int m_nDataChecks = 0;

protected:
    const MessageMapBase* GetMessageMap() const override {
        using Map = MessageMap<PageParent>;
        static const Map map(CDialog::GetMessageMap(),
                             {Map::Command(ID_DATA_CHECK, &PageParent::OnDataCheck)});
        return &map;
    }

private:
    void OnDataCheck() {
        ++m_nDataChecks;
        for (CSettingsPage* page : m_pages)
            page->StoreToRecord(m_rec);
    }
};

SettingsRecord Filled(std::uint8_t value) {
    SettingsRecord record;
    for (std::size_t i = 0; i < SettingsRecord::size(); ++i)
        record[i] = value;
    return record;
}

SettingsRecord FactoryWith(std::size_t offset, std::uint8_t value) {
    SettingsRecord record = FactoryRecord();
    record[offset] = value;
    return record;
}

// The bytes each page owns: digits that a load repairs, and raw bytes (switch bytes, form
// blocks) that it never rewrites.
struct Ownership {
    std::vector<std::size_t> digits;
    std::vector<std::size_t> raw;
    bool Owns(std::size_t offset) const {
        return std::ranges::find(digits, offset) != digits.end() ||
               std::ranges::find(raw, offset) != raw.end();
    }
};

Ownership SelectOwnership() {
    Ownership owned{{4, 6, 8, 10, 12, 22, 24, 26}, {}};
    for (std::size_t start : field::kFormBlock) {
        for (std::size_t i = 0; i < field::kFormBlockLength; ++i)
            owned.raw.push_back(start + i);
    }
    return owned;
}

class PagesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_parent.Create(nullptr));
        m_parent.m_pages = Pages();
        for (CSettingsPage* page : Pages())
            ASSERT_TRUE(page->Create(m_parent.GetSafeHwnd()));
        SettingsRecord factory = FactoryRecord();
        for (CSettingsPage* page : Pages())
            page->LoadFromRecord(factory);
    }

    std::vector<CSettingsPage*> Pages() {
        return {&m_select, &m_msw1, &m_msw2, &m_msw3, &m_msw4, &m_hardware};
    }

    std::vector<std::pair<CSettingsPage*, Ownership>> Owners() {
        return {
            {&m_select, SelectOwnership()}, {&m_msw1, {{}, {14}}},
            {&m_msw2, {{}, {16}}},          {&m_msw3, {{}, {18}}},
            {&m_msw4, {{}, {20}}},          {&m_hardware, {{164, 166, 168, 170, 172, 174}, {}}}};
    }

    // Shows `page` alone, as the main window does with the page of the selected tab.
    HWND Show(CSettingsPage& page) {
        for (CSettingsPage* other : Pages())
            ::ShowWindow(other->GetSafeHwnd(), SW_HIDE);
        ::ShowWindow(page.GetSafeHwnd(), SW_SHOW);
        return page.GetSafeHwnd();
    }

    HWND Load(CSettingsPage& page, SettingsRecord record) {
        page.LoadFromRecord(record);
        return Show(page);
    }

    std::uint8_t StoredByte(CSettingsPage& page, std::size_t offset) {
        SettingsRecord record = FactoryRecord();
        page.StoreToRecord(record);
        return record[offset];
    }

    // The ids among `ids` whose buttons are checked.
    static std::vector<int> Checked(HWND page, std::initializer_list<int> ids) {
        std::vector<int> checked;
        for (int id : ids) {
            if (rig::IsChecked(page, id)) checked.push_back(id);
        }
        return checked;
    }

    PageParent m_parent;
    CPage_Select m_select;
    CPage_MSW1 m_msw1;
    CPage_MSW2 m_msw2;
    CPage_MSW3 m_msw3;
    CPage_MSW4 m_msw4;
    CPage_Hardware m_hardware;
};

// Keyboard use and the radio exchange rest on the template flags: each radio group is two
// auto radio buttons of which the first starts the group; lists and check boxes are tab
// stops. (Radio buttons move their tab stop to the checked one themselves.)
TEST_F(PagesTest, RadioGroupsAndTabStopsFollowTheTemplateFlags) {
    for (CSettingsPage* page : Pages()) {
        std::vector<std::vector<HWND>> groups;
        for (HWND child = ::GetWindow(page->GetSafeHwnd(), GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            const LONG style = ::GetWindowLongW(child, GWL_STYLE);
            if (groups.empty() || (style & WS_GROUP)) groups.emplace_back();
            groups.back().push_back(child);
            wchar_t name[32] = {};
            ::GetClassNameW(child, name, 32);
            const bool isButton = std::wstring(name) == L"Button";
            if (std::wstring(name) == L"ComboBox" ||
                (isButton && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX)) {
                EXPECT_TRUE(style & WS_TABSTOP) << ::GetDlgCtrlID(child);
            }
        }
        for (const std::vector<HWND>& group : groups) {
            std::vector<HWND> radios;
            for (HWND control : group) {
                if (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
                    radios.push_back(control);
                }
            }
            if (radios.empty()) continue;
            const int first = ::GetDlgCtrlID(radios[0]);
            ASSERT_EQ(radios.size(), 2u) << page->GetRuntimeClassName() << " group of " << first;
            EXPECT_EQ(radios[0], group[0]) << first;
            for (HWND radio : radios) {
                EXPECT_EQ(::GetWindowLongW(radio, GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
            }
        }
    }
}

TEST_F(PagesTest, FactoryRecordSurvivesLoadAndStoreThroughAllPages) {
    SettingsRecord record = FactoryRecord();
    for (CSettingsPage* page : Pages())
        page->LoadFromRecord(record);
    EXPECT_EQ(record, FactoryRecord()) << "a valid record was repaired";
    SettingsRecord stored = Filled(kSentinel);
    for (CSettingsPage* page : Pages())
        page->StoreToRecord(stored);
    for (std::size_t i = 0; i < SettingsRecord::size(); ++i) {
        bool owned = false;
        for (const auto& [page, ownership] : Owners())
            owned = owned || ownership.Owns(i);
        EXPECT_EQ(stored[i], owned ? FactoryRecord()[i] : kSentinel) << "offset " << i;
    }
}

TEST_F(PagesTest, EachPageStoresAndRepairsOnlyItsOwnBytes) {
    for (const auto& [page, ownership] : Owners()) {
        SettingsRecord stored = Filled(kSentinel);
        page->StoreToRecord(stored);
        for (std::size_t i = 0; i < SettingsRecord::size(); ++i) {
            EXPECT_EQ(stored[i], ownership.Owns(i) ? FactoryRecord()[i] : kSentinel)
                << page->GetRuntimeClassName() << " stored offset " << i;
        }

        SettingsRecord loaded = Filled(kSentinel);  // no digit field holds a valid code
        page->LoadFromRecord(loaded);
        for (std::size_t i = 0; i < SettingsRecord::size(); ++i) {
            const bool repaired = std::ranges::find(ownership.digits, i) != ownership.digits.end();
            EXPECT_EQ(loaded[i], repaired ? '0' : kSentinel)
                << page->GetRuntimeClassName() << " loaded offset " << i;
        }
    }
}

TEST_F(PagesTest, Msw1ShowsCountriesAndSwitchesAndStoresThem) {
    constexpr std::size_t kOffset = field::kMsw1;
    const auto radios = {1007, 1009, 1016, 1235, 1008, 1012, 1011, 1234, 1014, 1015};

    HWND page = Load(m_msw1, FactoryWith(kOffset, 0x10));
    EXPECT_EQ(rig::ComboText(page, 1010), L"日本");
    EXPECT_EQ(Checked(page, radios), (std::vector<int>{1009, 1016, 1008, 1011, 1014}));
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x10);

    page = Load(m_msw1, FactoryWith(kOffset, 0x5F));
    EXPECT_EQ(rig::ComboText(page, 1010), L"アメリカ");
    EXPECT_EQ(Checked(page, radios), (std::vector<int>{1009, 1235, 1012, 1234, 1015}));
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x5F);

    for (std::uint8_t unused : {0x80, 0xE0, 0x60}) {  // country codes 1, 7 and 6
        page = Load(m_msw1, FactoryWith(kOffset, unused));
        EXPECT_EQ(rig::ComboText(page, 1010), L"日本");
        EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x00) << int{unused};
    }

    page = Load(m_msw1, FactoryWith(kOffset, 0xA0));
    EXPECT_EQ(rig::ComboText(page, 1010), L"スウェーデン");
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0xA0);

    page = Load(m_msw1, FactoryWith(kOffset, 0x1F));
    for (int first : {1007, 1016, 1008, 1011, 1014})
        rig::Click(page, first);
    rig::ChooseCombo(page, 1010, L"ドイツ");
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x20);
    rig::ChooseCombo(page, 1010, L"イギリス");
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0xC0);
    EXPECT_EQ(
        rig::ComboEntries(page, 1010),
        (std::vector<std::wstring>{L"日本", L"アメリカ", L"イギリス", L"ドイツ", L"スウェーデン"}));
}

TEST_F(PagesTest, Msw2ShowsEachSwitchOnItsOwnControl) {
    HWND page = Load(m_msw2, FactoryWith(field::kMsw2, 0x81));
    EXPECT_TRUE(rig::IsChecked(page, 1016));
    EXPECT_EQ(Checked(page, {1017, 1018, 1019, 1236, 1026, 1009, 1020, 1235, 1021, 1012, 1022, 1234,
                             1024, 1015}),
              (std::vector<int>{1017, 1019, 1026, 1020, 1021, 1022, 1015}));
    EXPECT_EQ(StoredByte(m_msw2, field::kMsw2), 0x81);

    rig::Click(page, 1234);  // "８０桁(&O)"
    rig::Click(page, 1016);
    EXPECT_EQ(StoredByte(m_msw2, field::kMsw2), 0x03);
}

TEST_F(PagesTest, Msw3CarriesTheSwitchesItDoesNotShow) {
    const auto radios = {1031, 1237, 1027, 1236, 1029, 1009, 1030, 1015};
    HWND page = Load(m_msw3, FactoryWith(field::kMsw3, 0x4C));
    EXPECT_EQ(Checked(page, radios), (std::vector<int>{1031, 1027, 1029, 1030}));
    EXPECT_FALSE(rig::IsChecked(page, 1026));
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0x4C);
    rig::Click(page, 1026);
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0x4E);

    page = Load(m_msw3, FactoryWith(field::kMsw3, 0xFF));
    EXPECT_EQ(Checked(page, radios), (std::vector<int>{1237, 1236, 1009, 1015}));
    EXPECT_TRUE(rig::IsChecked(page, 1026));
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0xFF);

    // A later load replaces the carried switches.
    page = Load(m_msw3, FactoryWith(field::kMsw3, 0x00));
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0x00);
}

TEST_F(PagesTest, Msw4CarriesItsFirstSwitch) {
    const auto radios = {1032, 1018, 1033, 1236, 1034, 1009, 1035,
                         1235, 1036, 1012, 1037, 1234, 1039, 1015};
    HWND page = Load(m_msw4, FactoryWith(field::kMsw4, 0x30));
    EXPECT_EQ(Checked(page, radios), (std::vector<int>{1032, 1236, 1009, 1035, 1036, 1037, 1039}));
    EXPECT_EQ(StoredByte(m_msw4, field::kMsw4), 0x30);

    page = Load(m_msw4, FactoryWith(field::kMsw4, 0x80));
    EXPECT_EQ(Checked(page, radios), (std::vector<int>{1032, 1033, 1034, 1035, 1036, 1037, 1039}));
    EXPECT_EQ(StoredByte(m_msw4, field::kMsw4), 0x80);
    rig::Click(page, 1015);  // "マニュアル(&Z)"
    EXPECT_EQ(StoredByte(m_msw4, field::kMsw4), 0x81);
}

TEST_F(PagesTest, HardwareListsFollowScreenOrderButStoreTheirCodes) {
    HWND page = Show(m_hardware);
    EXPECT_EQ(
        rig::ComboEntries(page, 1089),
        (std::vector<std::wstring>{L"０．５秒", L"１秒", L"２秒", L"３秒", L"４秒", L"５秒"}));
    EXPECT_EQ(rig::ComboEntries(page, 1068),
              (std::vector<std::wstring>{L"８秒", L"１５秒", L"自動戻り無し"}));
    EXPECT_EQ(rig::ComboText(page, 1089), L"２秒");
    EXPECT_EQ(rig::ComboText(page, 1068), L"８秒");

    page = Load(m_hardware, FactoryWith(field::kLoadTime, '2'));
    EXPECT_EQ(rig::ComboText(page, 1089), L"０．５秒");
    rig::ChooseCombo(page, 1089, L"５秒");
    EXPECT_EQ(StoredByte(m_hardware, field::kLoadTime), '3');

    SettingsRecord record = FactoryWith(field::kReturnTime, '3');
    m_hardware.LoadFromRecord(record);
    EXPECT_EQ(record[field::kReturnTime], '0');
    EXPECT_EQ(rig::ComboText(page, 1068), L"８秒");
    rig::ChooseCombo(page, 1068, L"自動戻り無し");
    EXPECT_EQ(StoredByte(m_hardware, field::kReturnTime), '2');

    record = FactoryRecord();
    for (std::size_t offset : {166, 168, 172, 174})
        record[offset] = '1';
    page = Load(m_hardware, record);
    EXPECT_EQ(Checked(page, {1090, 1018, 1019, 1009, 1093, 1012, 1021, 1015}),
              (std::vector<int>{1018, 1009, 1012, 1015}));
    SettingsRecord stored = FactoryRecord();
    m_hardware.StoreToRecord(stored);
    EXPECT_EQ(stored, record);
}

TEST_F(PagesTest, SelectPageRepairsItsDigitsAndFollowsTheChosenForm) {
    HWND page = Show(m_select);
    EXPECT_EQ(rig::ItemText(page, IDC_SEL_FORM_SETTINGS), L"書式の設定(&D)...");
    m_select.UpdateFormButton();
    EXPECT_EQ(rig::ItemText(page, IDC_SEL_FORM_SETTINGS), L"書式０の設定(&D)...");
    EXPECT_EQ(Checked(page, {1044, 1018, 1043, 1009, 1067, 1012, 1065, 1015}),
              (std::vector<int>{1044, 1043, 1067, 1065}));
    EXPECT_EQ(rig::ComboText(page, IDC_SEL_KANJI_TABLE), L"JIS1978年版");
    EXPECT_EQ(rig::ComboText(page, IDC_SEL_FONT1), L"標準");
    EXPECT_EQ(rig::ComboText(page, IDC_SEL_FONT2), L"標準");
    EXPECT_EQ(
        rig::ComboEntries(page, IDC_SEL_FONT2),
        (std::vector<std::wstring>{L"標準", L"イタリック", L"クーリエ", L"ゴシック", L"OCR-B"}));

    SettingsRecord record = FactoryRecord();
    record[field::kForm] = '4';
    record[field::kKanjiTable] = '9';
    m_select.LoadFromRecord(record);
    EXPECT_EQ(record[field::kForm], '0');
    EXPECT_EQ(record[field::kKanjiTable], '0');
    EXPECT_EQ(rig::ComboText(page, IDC_SEL_FORM), L"書式０");

    rig::ChooseCombo(page, IDC_SEL_FORM, L"書式３");
    EXPECT_EQ(rig::ItemText(page, IDC_SEL_FORM_SETTINGS), L"書式３の設定(&D)...");
    EXPECT_EQ(m_parent.m_rec[field::kForm], '3');
    EXPECT_EQ(StoredByte(m_select, field::kForm), '3');

    rig::ChooseCombo(page, IDC_SEL_FONT1, L"OCR-B");
    rig::Click(page, 1018);
    EXPECT_EQ(m_parent.m_rec[field::kFont1], '4');
    EXPECT_EQ(m_parent.m_rec[field::kTypeface], '1');
}

TEST_F(PagesTest, EveryNotificationOfASettingControlAndNoOtherReportsAChange) {
    const std::vector<std::pair<CSettingsPage*, std::vector<int>>> cases = {
        {&m_select, {1009, 1012, 1015, 1018, 1043, 1044, 1056, 1058, 1059, 1065, 1066, 1067}},
        {&m_msw1, {1007, 1008, 1009, 1010, 1011, 1012, 1014, 1015, 1016, 1234, 1235}},
        {&m_msw2,
         {1009, 1012, 1015, 1016, 1017, 1018, 1019, 1020, 1021, 1022, 1024, 1026, 1234, 1235,
          1236}},
        {&m_msw3, {1009, 1015, 1026, 1027, 1029, 1030, 1031, 1236, 1237}},
        {&m_msw4,
         {1009, 1012, 1015, 1018, 1032, 1033, 1034, 1035, 1036, 1037, 1039, 1234, 1235, 1236}},
        {&m_hardware, {1009, 1012, 1015, 1018, 1019, 1021, 1068, 1089, 1090, 1093}},
    };
    for (const auto& [page, ids] : cases) {
        HWND hwnd = Show(*page);
        for (int id : ids) {
            HWND control = ::GetDlgItem(hwnd, id);
            ASSERT_NE(control, nullptr) << "no control " << id;
            for (WORD code : {WORD{BN_CLICKED}, WORD{CBN_DROPDOWN}, WORD{0x7777}}) {
                const int before = m_parent.m_nDataChecks;
                ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, code),
                               reinterpret_cast<LPARAM>(control));
                EXPECT_EQ(m_parent.m_nDataChecks, before + 1)
                    << page->GetRuntimeClassName() << " control " << id << " code " << code;
            }
        }
        // Labels, the form button's other notifications, unknown ids: no report.
        for (int id : {IDC_STATIC, IDC_SEL_FORM_SETTINGS, 1013, 1100}) {
            const int before = m_parent.m_nDataChecks;
            ::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_SETFOCUS),
                           reinterpret_cast<LPARAM>(hwnd));
            EXPECT_EQ(m_parent.m_nDataChecks, before) << page->GetRuntimeClassName() << " " << id;
        }
    }
}

TEST_F(PagesTest, ClickingTheSelectedRadioButtonStillReportsAChange) {
    const std::vector<std::pair<CSettingsPage*, int>> selected = {
        {&m_select, 1044}, {&m_msw1, 1009}, {&m_msw2, 1017},
        {&m_msw3, 1031},   {&m_msw4, 1236}, {&m_hardware, 1090}};
    for (const auto& [page, id] : selected) {
        HWND hwnd = Show(*page);
        ASSERT_TRUE(rig::IsChecked(hwnd, id));
        const int before = m_parent.m_nDataChecks;
        rig::Click(hwnd, id);
        EXPECT_GT(m_parent.m_nDataChecks, before) << page->GetRuntimeClassName() << " " << id;
        EXPECT_TRUE(rig::IsChecked(hwnd, id));
    }
}

TEST_F(PagesTest, FormDialogRunsForTheSelectedFormAndOnlyOkReportsAChange) {
    HWND page = Show(m_select);
    rig::ChooseCombo(page, IDC_SEL_FORM, L"書式２");
    const SettingsRecord before = m_parent.m_rec;

    rig::UiScript ui;
    ui.OnDialog(L"書式の設定： 書式２", [](HWND dlg) {
        rig::SetItemText(dlg, IDC_FORM_FRONT_EDIT, L"100");
        rig::Click(dlg, IDCANCEL);
    });
    int checks = m_parent.m_nDataChecks;
    rig::Click(page, IDC_SEL_FORM_SETTINGS);
    EXPECT_EQ(m_parent.m_nDataChecks, checks);
    EXPECT_TRUE(ui.Done());

    ui.OnDialog(L"書式の設定： 書式２", [this](HWND dlg) {
        EXPECT_EQ(::GetWindow(dlg, GW_OWNER), m_parent.GetSafeHwnd());
        EXPECT_FALSE(::IsWindowEnabled(m_parent.GetSafeHwnd()));
        rig::SetItemText(dlg, IDC_FORM_FRONT_EDIT, L"100");
        rig::Click(dlg, IDOK);
    });
    checks = m_parent.m_nDataChecks;
    rig::Click(page, IDC_SEL_FORM_SETTINGS);
    EXPECT_EQ(m_parent.m_nDataChecks, checks + 1);
    EXPECT_TRUE(::IsWindowEnabled(m_parent.GetSafeHwnd()));

    // The data check has collected the edited buffer into form 2 alone.
    SettingsRecord expected = before;
    expected[field::kFormBlock[2] + 11] = '1';
    expected[field::kFormBlock[2] + 12] = '0';
    expected[field::kFormBlock[2] + 13] = '0';
    EXPECT_EQ(m_parent.m_rec, expected);
}

}  // namespace
