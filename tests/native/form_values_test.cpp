#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <initializer_list>
#include <string>

#include "pages/FormValues.h"

namespace {

constexpr char kFactoryBlock[] = "66,000,136,120,120,046,046,054,00";

FormBlockBuffer Block(const char* text) {
    FormBlockBuffer block{};
    std::memcpy(block.data(), text, field::kFormBlockLength);
    return block;
}

std::string Text(const FormBlockBuffer& block) {
    return std::string(block.data(), field::kFormBlockLength);
}

TEST(NearestTickTest, EveryStepMapsBackToItsOwnPosition) {
    for (int p = 0; p < kTickCount; ++p) {
        EXPECT_EQ(NearestTick(LoadPositionTick(p, TickColumn::General), TickColumn::General), p);
        EXPECT_EQ(NearestTick(LoadPositionTick(p, TickColumn::Postcard), TickColumn::Postcard), p);
    }
    EXPECT_EQ(LoadPositionTick(7, TickColumn::General), 46);
    EXPECT_EQ(LoadPositionTick(7, TickColumn::Postcard), 54);
}

TEST(NearestTickTest, BetweenStepsTheNearerWinsAndTiesGoLow) {
    EXPECT_EQ(NearestTick(24, TickColumn::General), 3);  // 20 and 28 are both 4 away
    EXPECT_EQ(NearestTick(29, TickColumn::General), 4);  // 28 and 30
    EXPECT_EQ(NearestTick(90, TickColumn::General), 8);  // 60 and 120
    EXPECT_EQ(NearestTick(100, TickColumn::General), 9);
    EXPECT_EQ(NearestTick(46, TickColumn::Postcard), 6);  // 40 is nearer than 54
    EXPECT_EQ(NearestTick(54, TickColumn::General), 8);   // 60 is nearer than 46
    EXPECT_EQ(NearestTick(50, TickColumn::General), 7);
    EXPECT_EQ(NearestTick(47, TickColumn::Postcard), 6);  // 40 and 54 are both 7 away
}

TEST(NearestTickTest, ValuesBeyondTheEndsGoToTheEnds) {
    EXPECT_EQ(NearestTick(152, TickColumn::General), 9);
    EXPECT_EQ(NearestTick(9999, TickColumn::Postcard), 9);
    EXPECT_EQ(NearestTick(100000, TickColumn::General), 9);  // farther than 65535 from every step
    EXPECT_EQ(NearestTick(INT_MAX, TickColumn::General), 9);
    EXPECT_EQ(NearestTick(-1, TickColumn::General), 0);
    EXPECT_EQ(NearestTick(INT_MIN, TickColumn::Postcard), 0);
    EXPECT_EQ(LoadPositionTick(-3, TickColumn::General), 0);
    EXPECT_EQ(LoadPositionTick(12, TickColumn::Postcard), 120);
}

TEST(FormBlockTest, FactoryBlockReadsAsItsNumbersAndWritesBackUnchanged) {
    const FormBlockBuffer block = Block(kFactoryBlock);
    const FormValues v = ParseFormBlock(block, false);
    EXPECT_EQ(v.pageLength, 66);
    EXPECT_EQ(v.leftMargin, 0);
    EXPECT_EQ(v.rightMargin, 136);
    EXPECT_EQ(v.frontTractor, 120);
    EXPECT_EQ(v.rearTractor, 120);
    EXPECT_EQ(v.sheetGuide, 46);
    EXPECT_EQ(v.sheetFeeder, 46);
    EXPECT_EQ(v.postcard, 54);
    EXPECT_EQ(v.cutSheetAdjust, 0);

    FormBlockBuffer out = Block("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    for (std::size_t at : {2, 6, 10, 14, 18, 22, 26, 30})
        out[at] = ',';
    FormatFormBlock(v, false, out);
    EXPECT_EQ(Text(out), kFactoryBlock);
    EXPECT_EQ(out[33], '\0');
}

TEST(FormBlockTest, FixedMarginsAreNeitherReadNorWritten) {
    FormBlockBuffer block = Block("66,010,100,120,120,046,046,054,00");
    FormValues v = ParseFormBlock(block, true);
    EXPECT_EQ(v.leftMargin, 0);
    EXPECT_EQ(v.rightMargin, 136);
    v.pageLength = 12;
    FormatFormBlock(v, true, block);
    EXPECT_EQ(Text(block), "12,010,100,120,120,046,046,054,00");

    v = ParseFormBlock(block, false);  // another form reads its own margins
    EXPECT_EQ(v.leftMargin, 10);
    EXPECT_EQ(v.rightMargin, 100);
}

TEST(FormBlockTest, WritesZeroFilledDigitsAndNeverTouchesSeparatorsOrTheEnd) {
    FormBlockBuffer block = Block("99;999;999;999;999;999;999;999;99");
    block[33] = '!';
    const FormValues v{5, 7, 80, 0, 152, 15, 9, 100, 68};
    FormatFormBlock(v, false, block);
    EXPECT_EQ(Text(block), "05;007;080;000;152;015;009;100;68");
    EXPECT_EQ(block[33], '!');
}

TEST(FormBlockTest, NonDigitsCountAsTheirCodeMinusZero) {
    // ' ' is 16 below '0', 'A' is 17 above it.
    const FormValues v = ParseFormBlock(Block("6A,0 0,136,1A0,120,046,046,054,0 "), false);
    EXPECT_EQ(v.pageLength, 60 + 17);
    EXPECT_EQ(v.leftMargin, 10 * -16);
    EXPECT_EQ(v.frontTractor, 100 + 170);
    EXPECT_EQ(v.cutSheetAdjust, -16);
    const FormValues high = ParseFormBlock(Block("\xff\xff,000,136,120,120,046,046,054,00"), false);
    EXPECT_EQ(high.pageLength, 11 * (255 - '0'));  // bytes count unsigned
}

TEST(FormBlockTest, OverwideMarginKeepsItsFirstThreeCharacters) {
    FormBlockBuffer block = Block(kFactoryBlock);
    FormValues v = ParseFormBlock(block, false);
    v.leftMargin = 1234;
    v.rightMargin = -5;
    FormatFormBlock(v, false, block);
    EXPECT_EQ(Text(block), "66,123,-05,120,120,046,046,054,00");
}

TEST(EditTextTest, ReadsTheLeadingNumber) {
    EXPECT_EQ(ReadLeadingInt(L"46"), 46);
    EXPECT_EQ(ReadLeadingInt(L"00046"), 46);
    EXPECT_EQ(ReadLeadingInt(L""), 0);
    EXPECT_EQ(ReadLeadingInt(L"abc"), 0);
    EXPECT_EQ(ReadLeadingInt(L"12a"), 12);
    EXPECT_EQ(ReadLeadingInt(L" -7"), -7);
    EXPECT_EQ(ReadLeadingInt(L"+8"), 8);
    EXPECT_EQ(ReadLeadingInt(L"-"), 0);
    EXPECT_EQ(ReadLeadingInt(L"99999999999999999999"), INT_MAX);
    EXPECT_EQ(ReadLeadingInt(L"-99999999999999999999"), INT_MIN);
}

TEST(EditTextTest, OverlongTextShortensToATextWithinTheLimit) {
    const EditLimits position{4, 0, 152};
    EXPECT_EQ(ShortenedEditValue(L"00046", position), 46);
    EXPECT_EQ(ShortenedEditValue(L"0001234", position), 1234);  // four digits: clamped later
    EXPECT_EQ(ShortenedEditValue(L"12345", position), 152);
    EXPECT_EQ(ShortenedEditValue(L"99999999999999", position), 152);
    EXPECT_EQ(ShortenedEditValue(L"-12345", position), 0);
    EXPECT_EQ(ShortenedEditValue(L"abcdef", position), 0);

    const EditLimits pageLength{3, 1, 99};
    EXPECT_EQ(ShortenedEditValue(L"0066", pageLength), 66);
    EXPECT_EQ(ShortenedEditValue(L"1000", pageLength), 99);
    for (const wchar_t* text : {L"0000000", L"123456", L"-9999", L"0099x"}) {
        const int value = ShortenedEditValue(text, pageLength);
        EXPECT_LE(std::to_wstring(value).size(), pageLength.textLength);
    }
}

}  // namespace
