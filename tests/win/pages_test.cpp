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
    const auto radios = {IDC_MSW1_BUFFER_16K,  IDC_MSW1_BUFFER_NONE,    IDC_MSW1_DC_ENABLED,
                         IDC_MSW1_DC_DISABLED, IDC_MSW1_AUTO_RETURN_LF, IDC_MSW1_AUTO_RETURN_ONLY,
                         IDC_MSW1_COMMAND_CR,  IDC_MSW1_COMMAND_ALL,    IDC_MSW1_CR_RETURN_ONLY,
                         IDC_MSW1_CR_RETURN_LF};

    HWND page = Load(m_msw1, FactoryWith(kOffset, 0x10));
    EXPECT_EQ(rig::ComboText(page, IDC_MSW1_COUNTRY), L"日本");
    EXPECT_EQ(Checked(page, radios),
              (std::vector<int>{IDC_MSW1_BUFFER_NONE, IDC_MSW1_DC_ENABLED, IDC_MSW1_AUTO_RETURN_LF,
                                IDC_MSW1_COMMAND_CR, IDC_MSW1_CR_RETURN_ONLY}));
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x10);

    page = Load(m_msw1, FactoryWith(kOffset, 0x5F));
    EXPECT_EQ(rig::ComboText(page, IDC_MSW1_COUNTRY), L"アメリカ");
    EXPECT_EQ(
        Checked(page, radios),
        (std::vector<int>{IDC_MSW1_BUFFER_NONE, IDC_MSW1_DC_DISABLED, IDC_MSW1_AUTO_RETURN_ONLY,
                          IDC_MSW1_COMMAND_ALL, IDC_MSW1_CR_RETURN_LF}));
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x5F);

    for (std::uint8_t unused : {0x80, 0xE0, 0x60}) {  // country codes 1, 7 and 6
        page = Load(m_msw1, FactoryWith(kOffset, unused));
        EXPECT_EQ(rig::ComboText(page, IDC_MSW1_COUNTRY), L"日本");
        EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x00) << int{unused};
    }

    page = Load(m_msw1, FactoryWith(kOffset, 0xA0));
    EXPECT_EQ(rig::ComboText(page, IDC_MSW1_COUNTRY), L"スウェーデン");
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0xA0);

    page = Load(m_msw1, FactoryWith(kOffset, 0x1F));
    for (int first : {IDC_MSW1_BUFFER_16K, IDC_MSW1_DC_ENABLED, IDC_MSW1_AUTO_RETURN_LF,
                      IDC_MSW1_COMMAND_CR, IDC_MSW1_CR_RETURN_ONLY})
        rig::Click(page, first);
    rig::ChooseCombo(page, IDC_MSW1_COUNTRY, L"ドイツ");
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0x20);
    rig::ChooseCombo(page, IDC_MSW1_COUNTRY, L"イギリス");
    EXPECT_EQ(StoredByte(m_msw1, kOffset), 0xC0);
    EXPECT_EQ(
        rig::ComboEntries(page, IDC_MSW1_COUNTRY),
        (std::vector<std::wstring>{L"日本", L"アメリカ", L"イギリス", L"ドイツ", L"スウェーデン"}));
}

TEST_F(PagesTest, Msw2ShowsEachSwitchOnItsOwnControl) {
    HWND page = Load(m_msw2, FactoryWith(field::kMsw2, 0x81));
    EXPECT_TRUE(rig::IsChecked(page, IDC_MSW2_SLASHED_ZERO));
    EXPECT_EQ(Checked(page, {IDC_MSW2_PAPER_OUT_PRINTING, IDC_MSW2_PAPER_OUT_ALWAYS,
                             IDC_MSW2_GRAPHICS_NATIVE, IDC_MSW2_GRAPHICS_COPY,
                             IDC_MSW2_FEEDER_SPEED_FIRST, IDC_MSW2_FEEDER_EVERY_SHEET,
                             IDC_MSW2_PICA_HD, IDC_MSW2_PICA_HS, IDC_MSW2_DATA_8BIT,
                             IDC_MSW2_DATA_7BIT, IDC_MSW2_COLUMNS_136, IDC_MSW2_COLUMNS_80,
                             IDC_MSW2_DIRECTION_BI, IDC_MSW2_DIRECTION_UNI}),
              (std::vector<int>{IDC_MSW2_PAPER_OUT_PRINTING, IDC_MSW2_GRAPHICS_NATIVE,
                                IDC_MSW2_FEEDER_SPEED_FIRST, IDC_MSW2_PICA_HD, IDC_MSW2_DATA_8BIT,
                                IDC_MSW2_COLUMNS_136, IDC_MSW2_DIRECTION_UNI}));
    EXPECT_EQ(StoredByte(m_msw2, field::kMsw2), 0x81);

    rig::Click(page, IDC_MSW2_COLUMNS_80);
    rig::Click(page, IDC_MSW2_SLASHED_ZERO);
    EXPECT_EQ(StoredByte(m_msw2, field::kMsw2), 0x03);
}

TEST_F(PagesTest, Msw3CarriesTheSwitchesItDoesNotShow) {
    const auto radios = {IDC_MSW3_LAN_NONE,
                         IDC_MSW3_LAN_PRESENT,
                         IDC_MSW3_POSITION_REMEMBER,
                         IDC_MSW3_POSITION_FORGET,
                         IDC_MSW3_FEEDER_ESC_A_ONLY,
                         IDC_MSW3_FEEDER_ESC_A_ALL,
                         IDC_MSW3_PERFORATION_NO_SKIP,
                         IDC_MSW3_PERFORATION_SKIP};
    HWND page = Load(m_msw3, FactoryWith(field::kMsw3, 0x4C));
    EXPECT_EQ(Checked(page, radios),
              (std::vector<int>{IDC_MSW3_LAN_NONE, IDC_MSW3_POSITION_REMEMBER,
                                IDC_MSW3_FEEDER_ESC_A_ONLY, IDC_MSW3_PERFORATION_NO_SKIP}));
    EXPECT_FALSE(rig::IsChecked(page, IDC_MSW3_SLASHED_ZERO));
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0x4C);
    rig::Click(page, IDC_MSW3_SLASHED_ZERO);
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0x4E);

    page = Load(m_msw3, FactoryWith(field::kMsw3, 0xFF));
    EXPECT_EQ(Checked(page, radios),
              (std::vector<int>{IDC_MSW3_LAN_PRESENT, IDC_MSW3_POSITION_FORGET,
                                IDC_MSW3_FEEDER_ESC_A_ALL, IDC_MSW3_PERFORATION_SKIP}));
    EXPECT_TRUE(rig::IsChecked(page, IDC_MSW3_SLASHED_ZERO));
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0xFF);

    // A later load replaces the carried switches.
    page = Load(m_msw3, FactoryWith(field::kMsw3, 0x00));
    EXPECT_EQ(StoredByte(m_msw3, field::kMsw3), 0x00);
}

TEST_F(PagesTest, Msw4CarriesItsFirstSwitch) {
    const auto radios = {
        IDC_MSW4_CUT_FEED_OFF,    IDC_MSW4_CUT_FEED_ON,       IDC_MSW4_FEED_AMOUNT_FIXED,
        IDC_MSW4_FEED_AMOUNT_TOF, IDC_MSW4_DOT_UNI,           IDC_MSW4_DOT_BI,
        IDC_MSW4_PRINT_NORMAL,    IDC_MSW4_PRINT_FAST,        IDC_MSW4_GUIDE_BY_COMMAND,
        IDC_MSW4_GUIDE_REAR,      IDC_MSW4_FEEDER_BY_COMMAND, IDC_MSW4_FEEDER_REAR,
        IDC_MSW4_GUIDE_LOAD_AUTO, IDC_MSW4_GUIDE_LOAD_MANUAL};
    HWND page = Load(m_msw4, FactoryWith(field::kMsw4, 0x30));
    EXPECT_EQ(Checked(page, radios),
              (std::vector<int>{IDC_MSW4_CUT_FEED_OFF, IDC_MSW4_FEED_AMOUNT_TOF, IDC_MSW4_DOT_BI,
                                IDC_MSW4_PRINT_NORMAL, IDC_MSW4_GUIDE_BY_COMMAND,
                                IDC_MSW4_FEEDER_BY_COMMAND, IDC_MSW4_GUIDE_LOAD_AUTO}));
    EXPECT_EQ(StoredByte(m_msw4, field::kMsw4), 0x30);

    page = Load(m_msw4, FactoryWith(field::kMsw4, 0x80));
    EXPECT_EQ(Checked(page, radios),
              (std::vector<int>{IDC_MSW4_CUT_FEED_OFF, IDC_MSW4_FEED_AMOUNT_FIXED, IDC_MSW4_DOT_UNI,
                                IDC_MSW4_PRINT_NORMAL, IDC_MSW4_GUIDE_BY_COMMAND,
                                IDC_MSW4_FEEDER_BY_COMMAND, IDC_MSW4_GUIDE_LOAD_AUTO}));
    EXPECT_EQ(StoredByte(m_msw4, field::kMsw4), 0x80);
    rig::Click(page, IDC_MSW4_GUIDE_LOAD_MANUAL);
    EXPECT_EQ(StoredByte(m_msw4, field::kMsw4), 0x81);
}

TEST_F(PagesTest, HardwareListsFollowScreenOrderButStoreTheirCodes) {
    HWND page = Show(m_hardware);
    EXPECT_EQ(
        rig::ComboEntries(page, IDC_HW_LOAD_TIME),
        (std::vector<std::wstring>{L"０．５秒", L"１秒", L"２秒", L"３秒", L"４秒", L"５秒"}));
    EXPECT_EQ(rig::ComboEntries(page, IDC_HW_RETURN_TIME),
              (std::vector<std::wstring>{L"８秒", L"１５秒", L"自動戻り無し"}));
    EXPECT_EQ(rig::ComboText(page, IDC_HW_LOAD_TIME), L"２秒");
    EXPECT_EQ(rig::ComboText(page, IDC_HW_RETURN_TIME), L"８秒");

    page = Load(m_hardware, FactoryWith(field::kLoadTime, '2'));
    EXPECT_EQ(rig::ComboText(page, IDC_HW_LOAD_TIME), L"０．５秒");
    rig::ChooseCombo(page, IDC_HW_LOAD_TIME, L"５秒");
    EXPECT_EQ(StoredByte(m_hardware, field::kLoadTime), '3');

    SettingsRecord record = FactoryWith(field::kReturnTime, '3');
    m_hardware.LoadFromRecord(record);
    EXPECT_EQ(record[field::kReturnTime], '0');
    EXPECT_EQ(rig::ComboText(page, IDC_HW_RETURN_TIME), L"８秒");
    rig::ChooseCombo(page, IDC_HW_RETURN_TIME, L"自動戻り無し");
    EXPECT_EQ(StoredByte(m_hardware, field::kReturnTime), '2');

    record = FactoryRecord();
    for (std::size_t offset : {166, 168, 172, 174})
        record[offset] = '1';
    page = Load(m_hardware, record);
    EXPECT_EQ(Checked(page, {IDC_HW_LOAD_SPEED_NORMAL, IDC_HW_LOAD_SPEED_SLOW, IDC_HW_CURL_OFF,
                             IDC_HW_CURL_ON, IDC_HW_FEED_SPEED_NORMAL, IDC_HW_FEED_SPEED_SLOW,
                             IDC_HW_SMOOTHING_WIDE, IDC_HW_SMOOTHING_NARROW}),
              (std::vector<int>{IDC_HW_LOAD_SPEED_SLOW, IDC_HW_CURL_ON, IDC_HW_FEED_SPEED_SLOW,
                                IDC_HW_SMOOTHING_NARROW}));
    SettingsRecord stored = FactoryRecord();
    m_hardware.StoreToRecord(stored);
    EXPECT_EQ(stored, record);
}

TEST_F(PagesTest, SelectPageRepairsItsDigitsAndFollowsTheChosenForm) {
    HWND page = Show(m_select);
    EXPECT_EQ(rig::ItemText(page, IDC_SEL_FORM_SETTINGS), L"書式の設定(&D)...");
    m_select.UpdateFormButton();
    EXPECT_EQ(rig::ItemText(page, IDC_SEL_FORM_SETTINGS), L"書式０の設定(&D)...");
    EXPECT_EQ(Checked(page, {IDC_SEL_TYPEFACE_MINCHO, IDC_SEL_TYPEFACE_GOTHIC, IDC_SEL_QUIET_OFF,
                             IDC_SEL_QUIET_ON, IDC_SEL_CUTSHEET_FIXED, IDC_SEL_CUTSHEET_FREE,
                             IDC_SEL_POSTCARD_OFF, IDC_SEL_POSTCARD_ON}),
              (std::vector<int>{IDC_SEL_TYPEFACE_MINCHO, IDC_SEL_QUIET_OFF, IDC_SEL_CUTSHEET_FIXED,
                                IDC_SEL_POSTCARD_OFF}));
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
    rig::Click(page, IDC_SEL_TYPEFACE_GOTHIC);
    EXPECT_EQ(m_parent.m_rec[field::kFont1], '4');
    EXPECT_EQ(m_parent.m_rec[field::kTypeface], '1');
}

TEST_F(PagesTest, EveryNotificationOfASettingControlAndNoOtherReportsAChange) {
    const std::vector<std::pair<CSettingsPage*, std::vector<int>>> cases = {
        {&m_select,
         {IDC_SEL_QUIET_ON, IDC_SEL_CUTSHEET_FREE, IDC_SEL_POSTCARD_ON, IDC_SEL_TYPEFACE_GOTHIC,
          IDC_SEL_QUIET_OFF, IDC_SEL_TYPEFACE_MINCHO, IDC_SEL_FORM, IDC_SEL_FONT1, IDC_SEL_FONT2,
          IDC_SEL_POSTCARD_OFF, IDC_SEL_KANJI_TABLE, IDC_SEL_CUTSHEET_FIXED}},
        {&m_msw1,
         {IDC_MSW1_BUFFER_16K, IDC_MSW1_AUTO_RETURN_LF, IDC_MSW1_BUFFER_NONE, IDC_MSW1_COUNTRY,
          IDC_MSW1_COMMAND_CR, IDC_MSW1_AUTO_RETURN_ONLY, IDC_MSW1_CR_RETURN_ONLY,
          IDC_MSW1_CR_RETURN_LF, IDC_MSW1_DC_ENABLED, IDC_MSW1_COMMAND_ALL, IDC_MSW1_DC_DISABLED}},
        {&m_msw2,
         {IDC_MSW2_FEEDER_EVERY_SHEET, IDC_MSW2_DATA_7BIT, IDC_MSW2_DIRECTION_UNI,
          IDC_MSW2_SLASHED_ZERO, IDC_MSW2_PAPER_OUT_PRINTING, IDC_MSW2_PAPER_OUT_ALWAYS,
          IDC_MSW2_GRAPHICS_NATIVE, IDC_MSW2_PICA_HD, IDC_MSW2_DATA_8BIT, IDC_MSW2_COLUMNS_136,
          IDC_MSW2_DIRECTION_BI, IDC_MSW2_FEEDER_SPEED_FIRST, IDC_MSW2_COLUMNS_80, IDC_MSW2_PICA_HS,
          IDC_MSW2_GRAPHICS_COPY}},
        {&m_msw3,
         {IDC_MSW3_FEEDER_ESC_A_ALL, IDC_MSW3_PERFORATION_SKIP, IDC_MSW3_SLASHED_ZERO,
          IDC_MSW3_POSITION_REMEMBER, IDC_MSW3_FEEDER_ESC_A_ONLY, IDC_MSW3_PERFORATION_NO_SKIP,
          IDC_MSW3_LAN_NONE, IDC_MSW3_POSITION_FORGET, IDC_MSW3_LAN_PRESENT}},
        {&m_msw4,
         {IDC_MSW4_DOT_BI, IDC_MSW4_GUIDE_REAR, IDC_MSW4_GUIDE_LOAD_MANUAL, IDC_MSW4_CUT_FEED_ON,
          IDC_MSW4_CUT_FEED_OFF, IDC_MSW4_FEED_AMOUNT_FIXED, IDC_MSW4_DOT_UNI,
          IDC_MSW4_PRINT_NORMAL, IDC_MSW4_GUIDE_BY_COMMAND, IDC_MSW4_FEEDER_BY_COMMAND,
          IDC_MSW4_GUIDE_LOAD_AUTO, IDC_MSW4_FEEDER_REAR, IDC_MSW4_PRINT_FAST,
          IDC_MSW4_FEED_AMOUNT_TOF}},
        {&m_hardware,
         {IDC_HW_CURL_ON, IDC_HW_FEED_SPEED_SLOW, IDC_HW_SMOOTHING_NARROW, IDC_HW_LOAD_SPEED_SLOW,
          IDC_HW_CURL_OFF, IDC_HW_SMOOTHING_WIDE, IDC_HW_RETURN_TIME, IDC_HW_LOAD_TIME,
          IDC_HW_LOAD_SPEED_NORMAL, IDC_HW_FEED_SPEED_NORMAL}},
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
        {&m_select, IDC_SEL_TYPEFACE_MINCHO},   {&m_msw1, IDC_MSW1_BUFFER_NONE},
        {&m_msw2, IDC_MSW2_PAPER_OUT_PRINTING}, {&m_msw3, IDC_MSW3_LAN_NONE},
        {&m_msw4, IDC_MSW4_FEED_AMOUNT_TOF},    {&m_hardware, IDC_HW_LOAD_SPEED_NORMAL}};
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
