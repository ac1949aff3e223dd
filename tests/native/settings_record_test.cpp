#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "settings/Fields.h"
#include "settings/SettingsRecord.h"

namespace {

SettingsRecord Factory() {
    return FactoryRecord();
}

TEST(FactoryRecordTest, MatchesTheLayoutByteForByte) {
    const SettingsRecord& r = FactoryRecord();
    EXPECT_EQ(r[0], 0x1C);
    EXPECT_EQ(r[1], 0x6F);
    const std::string head = "0,0,0,0,0,0,";
    for (std::size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(r[2 + i], head[i]) << "offset " << 2 + i;
    const std::uint8_t switches[] = {0x10, ',', 0x00, ',', 0x00, ',', 0x30, ','};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(r[14 + i], switches[i]) << "offset " << 14 + i;
    const std::string tail21 = ",0,0,0,";
    for (std::size_t i = 0; i < tail21.size(); ++i)
        EXPECT_EQ(r[21 + i], tail21[i]);
    const std::string block = "66,000,136,120,120,046,046,054,00,";
    for (int form = 0; form < 4; ++form) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            EXPECT_EQ(r[28 + 34 * form + i], block[i]) << "form " << form << " char " << i;
        }
    }
    const std::string hardware = "0,0,0,0,0,0.";
    for (std::size_t i = 0; i < hardware.size(); ++i)
        EXPECT_EQ(r[164 + i], hardware[i]);
    for (std::size_t i = 176; i < 180; ++i)
        EXPECT_EQ(r[i], 0x00);
}

TEST(RecordTest, RecordsDifferingInAnyByteDiffer) {
    SettingsRecord a = Factory();
    SettingsRecord b = Factory();
    EXPECT_EQ(a, b);
    b[179] = 0xFF;
    EXPECT_NE(a, b);
    b = a;
    b[2] = '7';  // the carried digit counts too
    EXPECT_NE(a, b);
}

TEST(DigitRulesTest, InvalidOptionDigitIsRepairedInPlace) {
    SettingsRecord r = Factory();
    r[field::kKanjiTable] = '9';
    EXPECT_EQ(ReadOptionText(r, field::kKanjiTable, choices::kKanjiTable), L"JIS1978年版");
    EXPECT_EQ(r[field::kKanjiTable], '0');

    r[field::kLoadTime] = '6';  // one past the six codes of offset 164
    EXPECT_EQ(ReadOptionText(r, field::kLoadTime, choices::kLoadTime), L"２秒");
    EXPECT_EQ(r[field::kLoadTime], '0');

    r[field::kLoadTime] = '5';
    EXPECT_EQ(ReadOptionText(r, field::kLoadTime, choices::kLoadTime), L"３秒");
    EXPECT_EQ(r[field::kLoadTime], '5');
}

TEST(DigitRulesTest, FlagDigitsAcceptOnlyZeroAndOne) {
    SettingsRecord r = Factory();
    r[field::kTypeface] = '1';
    EXPECT_EQ(ReadFlagDigit(r, field::kTypeface), 1);
    for (std::uint8_t bad : {std::uint8_t{'2'}, std::uint8_t{0x00}, std::uint8_t{'/'}}) {
        r[field::kQuiet] = bad;
        EXPECT_EQ(ReadFlagDigit(r, field::kQuiet), 0);
        EXPECT_EQ(r[field::kQuiet], '0');
    }
    WriteFlagDigit(r, field::kQuiet, 1);
    EXPECT_EQ(r[field::kQuiet], '1');
    WriteFlagDigit(r, field::kQuiet, -1);  // an unset radio group
    EXPECT_EQ(r[field::kQuiet], '0');
}

TEST(DigitRulesTest, OptionTextIsComparedExactly) {
    SettingsRecord r = Factory();
    WriteOptionDigit(r, field::kLoadTime, L"５秒", choices::kLoadTime);
    EXPECT_EQ(r[field::kLoadTime], '3');
    WriteOptionDigit(r, field::kFont1, L"OCR-B", choices::kFont);
    EXPECT_EQ(r[field::kFont1], '4');
    WriteOptionDigit(r, field::kFont1, L"ocr-b", choices::kFont);  // case counts
    EXPECT_EQ(r[field::kFont1], '0');
    WriteOptionDigit(r, field::kKanjiTable, L"JIS1990年", choices::kKanjiTable);  // prefix only
    EXPECT_EQ(r[field::kKanjiTable], '0');
    WriteOptionDigit(r, field::kReturnTime, L"自動戻り無し", choices::kReturnTime);
    EXPECT_EQ(r[field::kReturnTime], '2');
}

TEST(SwitchByteTest, ReadsBitSevenFirst) {
    SettingsRecord r = Factory();
    r[field::kMsw2] = 0x81;
    const SwitchBits bits = ReadSwitchByte(r, field::kMsw2);
    EXPECT_EQ(bits, (SwitchBits{1, 0, 0, 0, 0, 0, 0, 1}));
    SettingsRecord out = Factory();
    WriteSwitchByte(out, field::kMsw2, bits);
    EXPECT_EQ(out[field::kMsw2], 0x81);
    EXPECT_EQ(out[field::kMsw2 - 1], ',');
    EXPECT_EQ(out[field::kMsw2 + 1], ',');
}

TEST(SwitchByteTest, SeparatorLikeBytesAreOrdinarySwitchValues) {
    SettingsRecord r = Factory();
    r[field::kMsw1] = 0x2C;  // ','
    r[field::kMsw2] = 0x2E;  // '.'
    r[field::kMsw3] = 0x00;
    r[field::kMsw4] = 0x2C;
    r[field::kPostcardMode] = '1';
    r[field::kTypeface] = '1';
    EXPECT_EQ(ReadSwitchByte(r, field::kMsw1), (SwitchBits{0, 0, 1, 0, 1, 1, 0, 0}));
    EXPECT_EQ(ReadSwitchByte(r, field::kMsw2), (SwitchBits{0, 0, 1, 0, 1, 1, 1, 0}));
    EXPECT_EQ(ReadSwitchByte(r, field::kMsw3), (SwitchBits{}));
    EXPECT_EQ(ReadFlagDigit(r, field::kPostcardMode), 1);
    EXPECT_EQ(ReadFlagDigit(r, field::kTypeface), 1);
    EXPECT_EQ(r[field::kMsw1], 0x2C);  // switch bytes are never rewritten by a read
}

TEST(CountryTest, CodesReadAndWriteByTheirOwnBitOrder) {
    SettingsRecord r = Factory();
    struct Case {
        std::uint8_t byte;
        std::wstring_view country;
        std::uint8_t stored;
    };
    const Case cases[] = {
        {0x00, L"日本", 0x00},     {0x80, L"日本", 0x00},   {0x40, L"アメリカ", 0x40},
        {0xC0, L"イギリス", 0xC0}, {0x20, L"ドイツ", 0x20}, {0xA0, L"スウェーデン", 0xA0},
        {0x60, L"日本", 0x00},     {0xE0, L"日本", 0x00},
    };
    for (const Case& c : cases) {
        r[field::kMsw1] = c.byte;
        SwitchBits bits = ReadSwitchByte(r, field::kMsw1);
        EXPECT_EQ(CountryFromSwitches(bits), c.country) << int(c.byte);
        CountryToSwitches(CountryFromSwitches(bits), bits);
        WriteSwitchByte(r, field::kMsw1, bits);
        EXPECT_EQ(r[field::kMsw1], c.stored) << int(c.byte);
    }
}

TEST(CountryTest, UnknownTextGivesCodeZeroAndKeepsOtherSwitches) {
    SwitchBits bits{1, 1, 1, 1, 0, 1, 0, 1};
    CountryToSwitches(L"フランス", bits);
    EXPECT_EQ(bits, (SwitchBits{0, 0, 0, 1, 0, 1, 0, 1}));
}

TEST(FormBlockCopyTest, CopiesExactlyThirtyThreeCharacters) {
    SettingsRecord r = Factory();
    r[61] = 'X';  // separator after form 0 must stay outside the block
    FormBlockBuffer buffer;
    buffer.fill('#');
    CopyFormBlockFromRecord(r, 0, buffer);
    EXPECT_EQ(std::string(buffer.data()), "66,000,136,120,120,046,046,054,00");
    EXPECT_EQ(buffer[33], '\0');

    buffer[11] = '1';
    buffer[12] = '0';
    buffer[13] = '0';
    CopyFormBlockToRecord(r, 2, buffer);
    EXPECT_EQ(r[96 + 11], '1');
    EXPECT_EQ(r[96 + 12], '0');
    EXPECT_EQ(r[96 + 13], '0');
    EXPECT_EQ(r[95], ',');
    EXPECT_EQ(r[129], ',');
    EXPECT_EQ(r[61], 'X');
}

}  // namespace
