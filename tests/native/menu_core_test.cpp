#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "menu/MenuCore.h"

namespace {

// Builds resource data word by word, as the resource compiler lays it out.
class Words {
public:
    Words& Word(std::uint16_t w) {
        m_bytes.push_back(static_cast<std::uint8_t>(w));
        m_bytes.push_back(static_cast<std::uint8_t>(w >> 8));
        return *this;
    }
    Words& Text(const std::u16string& text) {
        for (char16_t c : text)
            Word(c);
        return Word(0);
    }
    Words& Item(std::uint16_t flags, std::uint16_t id, const std::u16string& text) {
        return Word(flags).Word(id).Text(text);
    }
    Words& Popup(std::uint16_t flags, const std::u16string& text) {
        return Word(flags | kMenuFlagPopup).Text(text);
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

constexpr std::uint16_t kEnd = kMenuFlagEnd;

// Two popups, the second with a nested popup that ends both levels at once.
Words TwoPopups() {
    Words w;
    w.Word(0).Word(0);
    w.Popup(0, u"ファイル(&F)")
        .Item(0, 100, u"開く(&O)\tCtrl+O")
        .Item(0, 0, u"")
        .Item(kEnd, 101, u"終了(&X)");
    w.Popup(kEnd, u"ヘルプ(&H)")
        .Item(0x01, 200, u"目次")
        .Popup(kEnd, u"その他")
        .Item(kEnd, 201, u"版");
    return w;
}

TEST(MenuTemplateTest, ItemsComeInOrderWithTheLevelsTheyClose) {
    const Words w = TwoPopups();
    std::vector<MenuTemplateItem> items;
    ASSERT_TRUE(ParseMenuTemplate(w.Bytes().data(), w.Bytes().size(), items));
    ASSERT_EQ(items.size(), 8u);

    EXPECT_TRUE(items[0].popup);
    EXPECT_EQ(items[0].id, 0);
    EXPECT_EQ(items[0].text, u"ファイル(&F)");
    EXPECT_EQ(items[1].id, 100);
    EXPECT_EQ(items[1].text, u"開く(&O)\tCtrl+O");
    EXPECT_EQ(items[2].id, 0);
    EXPECT_EQ(items[2].levelsClosed, 0);
    EXPECT_EQ(items[3].levelsClosed, 1);
    EXPECT_EQ(items[3].flags, 0) << "the end flag is not handed on";

    EXPECT_TRUE(items[4].popup);
    EXPECT_EQ(items[4].flags, kMenuFlagPopup);
    EXPECT_EQ(items[5].flags, 0x01) << "other flags are kept";
    EXPECT_TRUE(items[6].popup);
    // The last item closes its popup, the popup above it and the bar.
    EXPECT_EQ(items[7].levelsClosed, 3);
}

TEST(MenuTemplateTest, HeaderSizeMovesTheFirstItemAndTrailingBytesAreIgnored) {
    Words w;
    w.Word(0).Word(4).Word(0xAAAA).Word(0xBBBB).Item(kEnd, 7, u"一つ").Word(0x1234);
    std::vector<MenuTemplateItem> items;
    ASSERT_TRUE(ParseMenuTemplate(w.Bytes().data(), w.Bytes().size(), items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, 7);
    EXPECT_EQ(items[0].text, u"一つ");
}

TEST(MenuTemplateTest, DataThatEndsEarlyIsRefused) {
    const std::vector<std::uint8_t> whole = TwoPopups().Bytes();
    std::vector<MenuTemplateItem> items;
    // Every cut before the last item's terminator leaves a level open or a text unended.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        EXPECT_FALSE(ParseMenuTemplate(whole.data(), size, items)) << "size " << size;
    }
    Words huge;
    huge.Word(0).Word(0xFFFF).Item(kEnd, 1, u"x");
    EXPECT_FALSE(ParseMenuTemplate(huge.Bytes().data(), huge.Bytes().size(), items));
    EXPECT_FALSE(ParseMenuTemplate(nullptr, 0, items));
}

TEST(ToolbarResourceTest, ImageIndexCountsButtonsButNotSeparators) {
    Words w;
    w.Word(1).Word(16).Word(15).Word(5).Word(10).Word(0).Word(11).Word(0).Word(12);
    const auto& b = w.Bytes();
    EXPECT_EQ(ToolbarImageIndex(b.data(), b.size(), 10), 0);
    EXPECT_EQ(ToolbarImageIndex(b.data(), b.size(), 11), 1);
    EXPECT_EQ(ToolbarImageIndex(b.data(), b.size(), 12), 2);
    EXPECT_EQ(ToolbarImageIndex(b.data(), b.size(), 13), -1);
    // A count larger than the data stops at the end of the data.
    EXPECT_EQ(ToolbarImageIndex(b.data(), b.size() - 2, 12), -1);
    EXPECT_EQ(ToolbarImageIndex(b.data(), 6, 10), -1);
}

std::vector<std::uint8_t> FourBitDib(std::uint32_t colorsUsed,
                                     const std::vector<std::uint32_t>& table) {
    std::vector<std::uint8_t> dib(40, 0);
    dib[0] = 40;
    dib[4] = 1;   // width
    dib[8] = 1;   // height
    dib[12] = 1;  // planes
    dib[14] = 4;  // bits per pixel
    dib[32] = static_cast<std::uint8_t>(colorsUsed);
    for (std::uint32_t bgr : table) {
        dib.push_back(static_cast<std::uint8_t>(bgr));
        dib.push_back(static_cast<std::uint8_t>(bgr >> 8));
        dib.push_back(static_cast<std::uint8_t>(bgr >> 16));
        dib.push_back(0);
    }
    return dib;
}

std::uint32_t Entry(const std::vector<std::uint8_t>& dib, std::size_t i) {
    const std::uint8_t* e = dib.data() + 40 + 4 * i;
    return e[0] | (e[1] << 8) | (e[2] << 16);  // blue, green, red as stored
}

TEST(DibColorTableTest, TheFourStandardColoursBecomeTheGivenOnes) {
    // Entries given as stored (blue in the low byte); the last two are no standard colours.
    auto dib = FourBitDib(6, {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x0000FF, 0x808000});
    const SysColorMap map{0x010203, 0x040506, 0x070809, 0x0A0B0C};  // COLORREF: red lowest
    ASSERT_TRUE(RemapDibColorTable(dib, map));
    EXPECT_EQ(Entry(dib, 0), 0x030201u);
    EXPECT_EQ(Entry(dib, 1), 0x060504u);
    EXPECT_EQ(Entry(dib, 2), 0x090807u);
    EXPECT_EQ(Entry(dib, 3), 0x0C0B0Au);
    EXPECT_EQ(Entry(dib, 4), 0x0000FFu);
    EXPECT_EQ(Entry(dib, 5), 0x808000u);
}

TEST(DibColorTableTest, ATableCutShortIsChangedOnlyAsFarAsItGoes) {
    // biClrUsed 0 means 16 entries for 4 bits, but only two are present.
    auto dib = FourBitDib(0, {0x000000, 0xFFFFFF});
    ASSERT_TRUE(RemapDibColorTable(dib, {1, 2, 3, 4}));
    EXPECT_EQ(dib.size(), 48u);
    EXPECT_EQ(Entry(dib, 1), 0x040000u);
    std::vector<std::uint8_t> tooShort(20, 0);
    EXPECT_FALSE(RemapDibColorTable(tooShort, {1, 2, 3, 4}));
}

// Every character is 10 pixels wide, a space 3.
int FakeWidth(const MenuText& text) {
    int width = 0;
    for (MenuChar c : text)
        width += c == u' ' ? 3 : 10;
    return width;
}

TEST(AcceleratorAlignmentTest, NarrowHeadsArePaddedToTheWidestHeadPlusASpace) {
    std::vector<MenuText> texts{u"AB\tCtrl+A", u"ABCDE\tCtrl+B", u"", u"ABC"};
    AlignAcceleratorTexts(texts, FakeWidth);
    // Widest head plus space: 50 + 3 = 53. "AB" (20) needs 11 spaces to reach 53.
    EXPECT_EQ(texts[0], u"AB" + MenuText(11, u' ') + u"\tCtrl+A");
    EXPECT_EQ(texts[1], u"ABCDE \tCtrl+B");
    EXPECT_EQ(texts[2], u"");
    EXPECT_EQ(texts[3], u"ABC");
}

TEST(AcceleratorAlignmentTest, AnUntabbedWideTextSetsTheWidthButIsNotPadded) {
    std::vector<MenuText> texts{u"A\tF1", u"ABCDEFGH", u"B\tX\tY"};
    AlignAcceleratorTexts(texts, FakeWidth);
    EXPECT_EQ(texts[0], u"A" + MenuText(25, u' ') + u"\tF1");  // 10 + 75 >= 83
    EXPECT_EQ(texts[1], u"ABCDEFGH");
    EXPECT_EQ(texts[2], u"B" + MenuText(25, u' ') + u"\tX\tY") << "all after the first tab stays";
}

TEST(AcceleratorAlignmentTest, ASpaceWithoutWidthEndsThePadding) {
    std::vector<MenuText> texts{u"A\tF1", u"ABC\tF2"};
    AlignAcceleratorTexts(texts, [](const MenuText& t) {
        int width = 0;
        for (MenuChar c : t)
            width += c == u' ' ? 0 : 10;
        return width;
    });
    EXPECT_EQ(texts[0], u"A \tF1");
    EXPECT_EQ(texts[1], u"ABC\tF2") << "already as wide as the widest";
}

TEST(ItemSizeTest, WidthIsTextPlus33AndWin32sGrowsByThreeAverageCharacters) {
    EXPECT_EQ(ItemWidth(100, 16), 133);
    EXPECT_EQ(ItemHeight(18, 15), 19);
    EXPECT_EQ(ItemHeight(23, 15), 23);
    EXPECT_EQ(Win32sTextWidth(97, 10), 100 + 3 * 10);
    EXPECT_EQ(Win32sTextWidth(47, 7), 50 + 3 * 7);  // 50 / 7 = 7 in integers
    EXPECT_EQ(Win32sTextWidth(0, 0), 3) << "an empty text has no average";
}

}  // namespace
