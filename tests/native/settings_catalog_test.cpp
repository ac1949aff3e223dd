#include "settings/SettingsCatalog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/Fields.h"
#include "settings/Utf8.h"

using namespace catalog;

namespace {

// Offsets whose bytes (or bits) differ between two records.
std::vector<std::size_t> Changed(const SettingsRecord& a, const SettingsRecord& b) {
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i) {
        if (a[i] != b[i]) offsets.push_back(i);
    }
    return offsets;
}

ApplyResult Set(SettingsRecord& record, std::string key, std::string value) {
    const Assignment a{std::move(key), std::move(value)};
    return Apply(record, std::span(&a, 1));
}

}  // namespace

TEST(SettingsCatalogTest, EveryChoiceIsReachedByItsTextAliasAndCodeAndReadsBack) {
    std::set<std::string_view> keys;
    for (const Setting& s : Settings()) {
        EXPECT_TRUE(keys.insert(s.key).second) << "duplicate key " << s.key;
        for (const Choice& c : s.choices) {
            for (const std::string& value :
                 {ToUtf8(c.text), std::string(c.alias), std::string(c.code)}) {
                // Start from another choice, so that a set that writes nothing is seen.
                SettingsRecord record = FactoryRecord();
                const Choice& other = s.choices[c.code == s.choices[0].code ? 1 : 0];
                ASSERT_TRUE(Set(record, std::string(s.key), std::string(other.code)).ok);
                ASSERT_TRUE(Set(record, std::string(s.key), value).ok) << s.key << "=" << value;
                const Reading r = Read(s, record);
                EXPECT_EQ(r.code, c.code) << s.key << "=" << value;
                EXPECT_EQ(r.text, c.text) << s.key << "=" << value;
                EXPECT_FALSE(r.note) << s.key;
            }
        }
    }
}

TEST(SettingsCatalogTest, ASetChangesOnlyTheBitsItsRowCovers) {
    const SettingsRecord factory = FactoryRecord();
    for (const Setting& s : Settings()) {
        if (!s.Settable()) continue;
        // Some value other than the one held.
        const std::string held = Read(s, factory).code;
        std::string value = s.kind == Kind::FormNumber ? std::to_string(s.upper)
                                                       : std::string(s.choices.back().code);
        if (value == held) {
            value = s.kind == Kind::FormNumber ? std::to_string(s.lower)
                                               : std::string(s.choices.front().code);
        }
        SettingsRecord record = factory;
        ASSERT_TRUE(Set(record, std::string(s.key), value).ok) << s.key;
        const auto changed = Changed(factory, record);
        ASSERT_FALSE(changed.empty()) << s.key << " changed nothing";
        for (std::size_t at : changed) {
            EXPECT_GE(at, s.offset) << s.key;
            EXPECT_LT(at, s.offset + s.width) << s.key;
            EXPECT_EQ((factory[at] ^ record[at]) & ~ShownBits(at), 0) << s.key;
            if (s.mask) {
                EXPECT_EQ((factory[at] ^ record[at]) & ~s.mask, 0) << s.key;
            }
        }
    }
}

TEST(SettingsCatalogTest, RefusalsLeaveTheRecordAsItWas) {
    SettingsRecord record = FactoryRecord();
    record[field::kMsw3] = 0x4C;
    const SettingsRecord before = record;
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"no-such-key", "1"},
        {"msw3-2", "1"},
        {"carried-digit", "1"},
        {"form0.left-margin", "10"},
        {"font1", "9"},
        {"font1", "Standard "},
        {"form1.front-tractor", "153"},
        {"form1.page-length", "0"},
        {"form2.postcard", "-1"},
        {"form3.postcard", "4x"},
        {"country", "1"},
        {"msw2-7", "2"},
    };
    for (const auto& [key, value] : refused) {
        const ApplyResult result = Set(record, key, value);
        EXPECT_FALSE(result.ok) << key << "=" << value;
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(record, before) << key << "=" << value;
    }
    // A refusal after accepted assignments undoes them all.
    const Assignment batch[] = {{"font1", "italic"}, {"msw2-7", "80"}, {"quiet", "maybe"}};
    EXPECT_FALSE(Apply(record, batch).ok);
    EXPECT_EQ(record, before);
    // Unknown keys and values name what is valid.
    EXPECT_NE(Set(record, "fnt1", "0").message.find("font1"), std::string::npos);
    EXPECT_NE(Set(record, "font1", "x").message.find("ocr-b"), std::string::npos);
}

TEST(SettingsCatalogTest, MarginsMustLeaveTheLeftOneSmallerAfterAllAssignments) {
    SettingsRecord record = FactoryRecord();
    const Assignment conflict[] = {{"form1.left-margin", "50"}, {"form1.right-margin", "50"}};
    EXPECT_FALSE(Apply(record, conflict).ok);
    EXPECT_EQ(record, FactoryRecord());
    // Each alone would conflict with the other's old value; together they are fine.
    Set(record, "form2.right-margin", "10");
    const Assignment swap[] = {{"form2.left-margin", "20"}, {"form2.right-margin", "40"}};
    ASSERT_TRUE(Apply(record, swap).ok);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[field::kFormBlock[2]]), 33),
              "66,020,040,120,120,046,046,054,00");
}

TEST(SettingsCatalogTest, ReadingsNoteWhatLoadingRepairsAndWhatIsNoNumber) {
    SettingsRecord record = FactoryRecord();
    record[field::kKanjiTable] = '9';
    record[field::kMsw1] = 0x70;  // country code 6, receive buffer "none"
    record[field::kFormBlock[1]] = 'X';
    const Reading kanji = Read(*Find("kanji-table"), record);
    EXPECT_EQ(kanji.text, L"JIS1978年版");
    EXPECT_EQ(kanji.raw, "9");
    EXPECT_TRUE(kanji.note);
    const Reading country = Read(*Find("country"), record);
    EXPECT_EQ(country.text, L"日本");
    EXPECT_EQ(country.raw, "6");
    EXPECT_TRUE(country.note);
    EXPECT_EQ(Read(*Find("msw1-4"), record).text, L"なし");
    const Reading length = Read(*Find("form1.page-length"), record);
    EXPECT_EQ(length.code, std::to_string(10 * ('X' - '0') + 6));
    EXPECT_TRUE(length.note);
    EXPECT_EQ(ShownBits(field::kMsw3), 0xB3);  // all but MSW3-2, -5 and -6
    EXPECT_EQ(ByteRole(field::kMsw3, 0x44), "carried MSW3-2, MSW3-6");
}
