#include <gtest/gtest.h>

#include <string>

#include "settings/Utf8.h"

namespace {

TEST(Utf8Test, RoundTripsAndReplacesBrokenSequences) {
    const std::wstring text = L"ＭＳＷ２ 書式０ OCR-B \U0001F5A8";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(FromUtf8("a\xE3\x81"
                       "b"),
              L"a\uFFFD\uFFFDb");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong '/'
}

// Every byte outside a valid sequence is one U+FFFD (EF BF BD); valid sequences stay as they are.
TEST(Utf8Test, ValidityAndTheLossyCopyAgreeWithTheDecoder) {
    const struct {
        std::string text;
        bool valid;
        std::string lossy;
    } cases[] = {
        {"", true, ""},
        {"office.dat", true, "office.dat"},
        {"\xE6\x9B\xB8\xE5\xBC\x8F.dat", true, "\xE6\x9B\xB8\xE5\xBC\x8F.dat"},  // 書式
        {"\xF0\x9F\x96\xA8", true, "\xF0\x9F\x96\xA8"},                          // U+1F5A8
        {"caf\xE9.dat", false, "caf\xEF\xBF\xBD.dat"},                           // Latin-1 é
        {"a\xE3\x81", false, "a\xEF\xBF\xBD\xEF\xBF\xBD"},                       // cut short
        {"\x80x", false, "\xEF\xBF\xBDx"},                                // stray continuation
        {"\xC0\xAF", false, "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong
        {"\xED\xA0\x80", false, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
        {"\xF4\x90\x80\x80", false,
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // beyond U+10FFFF
        {std::string("a\0b", 3), true, std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.lossy;
        EXPECT_EQ(ToValidUtf8(c.text), c.lossy);
        EXPECT_TRUE(IsValidUtf8(ToValidUtf8(c.text)));
        EXPECT_EQ(ToValidUtf8(c.text), ToUtf8(FromUtf8(c.text)));
    }
}

TEST(Utf8Test, LoneSurrogatesAreFoundAndNotEncoded) {
    const std::wstring high(1, static_cast<wchar_t>(0xD83D));
    const std::wstring low(1, static_cast<wchar_t>(0xDDA8));
    const struct {
        std::wstring text;
        bool lone;
    } cases[] = {
        {L"", false},           {L"Vek 1F", false},
        {L"\U0001F5A8", false},  // a pair on Windows, one code point elsewhere
        {L"a" + high, true},    {low + L"a", true},
        {low + high, true},  // the wrong order is no pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasLoneSurrogate(c.text), c.lone) << ToUtf8(c.text);
        EXPECT_TRUE(IsValidUtf8(ToUtf8(c.text)));
        EXPECT_EQ(ToUtf8(c.text).find("\xEF\xBF\xBD") != std::string::npos, c.lone);
    }
}

}  // namespace
