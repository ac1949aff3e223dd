#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "settings/Fields.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"

namespace {

const std::string kHeader("Brelvistoka 410ZQ\n", 18);

// A record whose raw bytes look like separators, terminators and zeros, to catch any
// code that treats the record as text; offset 3 is no separator, which nothing may repair.
SettingsRecord AwkwardRecord() {
    SettingsRecord r = FactoryRecord();
    r[field::kMsw1] = ',';
    r[field::kMsw2] = '.';
    r[field::kMsw3] = 0x00;
    r[field::kMsw4] = '\n';
    r[3] = ';';
    r[179] = 0xFF;
    return r;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> FileOf(const SettingsRecord& record) {
    const SettingsFileImage image = EncodeSettingsFile(record);
    return std::vector<std::uint8_t>(image.begin(), image.end());
}

TEST(SettingsFileTest, ImageIsHeaderZeroAndRecord) {
    const SettingsRecord record = AwkwardRecord();
    const SettingsFileImage image = EncodeSettingsFile(record);
    ASSERT_EQ(image.size(), 199u);
    for (std::size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(image[i], static_cast<std::uint8_t>(kHeader[i])) << "offset " << i;
    }
    EXPECT_EQ(image[17], 0x0A);
    EXPECT_EQ(image[18], 0x00);
    for (std::size_t i = 0; i < 180; ++i)
        EXPECT_EQ(image[19 + i], record[i]) << "record " << i;
}

TEST(SettingsFileTest, DecodeGivesEveryRecordByteBack) {
    for (const SettingsRecord& record : {FactoryRecord(), AwkwardRecord()}) {
        const auto decoded = DecodeSettingsFile(FileOf(record));
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, record);
    }
}

TEST(SettingsFileTest, BytesAfterTheRecordAreIgnored) {
    const SettingsRecord record = AwkwardRecord();
    std::vector<std::uint8_t> longer = FileOf(record);
    longer.resize(500, 'x');
    const auto decoded = DecodeSettingsFile(longer);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, record);
}

TEST(SettingsFileTest, OtherFilesAreRefused) {
    const std::vector<std::uint8_t> good = FileOf(FactoryRecord());

    EXPECT_FALSE(DecodeSettingsFile({}).has_value()) << "empty file";
    EXPECT_FALSE(DecodeSettingsFile(Bytes("just some notes\r\nabout the printer\r\n")))
        << "text file";

    std::vector<std::uint8_t> otherModel = good;
    otherModel[16] = 'X';  // "Brelvistoka 410ZX\n"
    EXPECT_FALSE(DecodeSettingsFile(otherModel).has_value()) << "another model";

    std::vector<std::uint8_t> noZero = good;
    noZero[18] = ' ';
    EXPECT_FALSE(DecodeSettingsFile(noZero).has_value()) << "header without its zero";

    std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 19);
    EXPECT_FALSE(DecodeSettingsFile(headerOnly).has_value()) << "header alone";
    std::vector<std::uint8_t> shortRecord(good.begin(), good.end() - 1);
    EXPECT_FALSE(DecodeSettingsFile(shortRecord).has_value()) << "record one byte short";
    std::vector<std::uint8_t> shortHeader(good.begin(), good.begin() + 10);
    EXPECT_FALSE(DecodeSettingsFile(shortHeader).has_value()) << "shorter than the header";
}

}  // namespace
