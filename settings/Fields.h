// Offsets of the record's fields and the encoding rules that every page applies to them.
// Every field is found by its offset alone: four fields are raw bytes that may hold ',',
// '.' or 0x00, so nothing here scans for separators.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "settings/SettingsRecord.h"

namespace field {

inline constexpr std::size_t kCarriedDigit = 2;
inline constexpr std::size_t kKanjiTable = 4;
inline constexpr std::size_t kFont1 = 6;
inline constexpr std::size_t kFont2 = 8;
inline constexpr std::size_t kCutSheet = 10;
inline constexpr std::size_t kPostcardMode = 12;
inline constexpr std::size_t kMsw1 = 14;
inline constexpr std::size_t kMsw2 = 16;
inline constexpr std::size_t kMsw3 = 18;
inline constexpr std::size_t kMsw4 = 20;
inline constexpr std::size_t kTypeface = 22;
inline constexpr std::size_t kQuiet = 24;
inline constexpr std::size_t kForm = 26;
inline constexpr std::array<std::size_t, 4> kFormBlock = {28, 62, 96, 130};
inline constexpr std::size_t kFormBlockLength = 33;
inline constexpr std::size_t kLoadTime = 164;
inline constexpr std::size_t kLoadSpeed = 166;
inline constexpr std::size_t kCurl = 168;
inline constexpr std::size_t kReturnTime = 170;
inline constexpr std::size_t kFeedSpeed = 172;
inline constexpr std::size_t kSmoothing = 174;

}  // namespace field

// Choice texts of the option digits, in code order: entry k is the text of code '0' + k.
using ChoiceTexts = std::span<const std::wstring_view>;

namespace choices {

inline constexpr std::wstring_view kKanjiTable[] = {L"JIS1978年版", L"JIS1983年版", L"JIS1990年版"};
inline constexpr std::wstring_view kFont[] = {L"標準", L"イタリック", L"クーリエ", L"ゴシック",
                                              L"OCR-B"};
inline constexpr std::wstring_view kForm[] = {L"書式０", L"書式１", L"書式２", L"書式３"};
// Codes of offset 164 do not follow the on-screen list order.
inline constexpr std::wstring_view kLoadTime[] = {L"２秒", L"１秒", L"０．５秒",
                                                  L"５秒", L"４秒", L"３秒"};
inline constexpr std::wstring_view kReturnTime[] = {L"８秒", L"１５秒", L"自動戻り無し"};
// MSW1 countries in list order.
inline constexpr std::wstring_view kCountry[] = {L"日本", L"アメリカ", L"イギリス", L"ドイツ",
                                                 L"スウェーデン"};

}  // namespace choices

// Reads an option digit with `codeCount` codes ('0' .. '0' + codeCount - 1). A byte that is
// none of them is repaired to '0' in the record, and code 0 is returned.
int ReadOptionDigit(SettingsRecord& record, std::size_t offset, std::size_t codeCount);

// The choice text of an option digit, with the same repair.
std::wstring_view ReadOptionText(SettingsRecord& record, std::size_t offset, ChoiceTexts texts);

// Writes the code of the first text equal to `text` (exact comparison), or '0' when none is.
void WriteOptionDigit(SettingsRecord& record, std::size_t offset, std::wstring_view text,
                      ChoiceTexts texts);

// Reads a flag digit ('0' or '1') as 0 or 1; any other byte is repaired to '0'.
int ReadFlagDigit(SettingsRecord& record, std::size_t offset);

// Writes '1' for the value 1 and '0' for anything else.
void WriteFlagDigit(SettingsRecord& record, std::size_t offset, int value);

// The eight switches of a switch byte: element 0 is switch n-1 (bit 7), element 7 is
// switch n-8 (bit 0). Every byte value is valid.
using SwitchBits = std::array<int, 8>;
SwitchBits ReadSwitchByte(const SettingsRecord& record, std::size_t offset);
void WriteSwitchByte(SettingsRecord& record, std::size_t offset, const SwitchBits& bits);

// MSW1 country: the code is c = bit 7 + 2 * bit 6 + 4 * bit 5, that is
// bits[0] + 2 * bits[1] + 4 * bits[2]. Codes 0, 1, 6 and 7 read as "日本".
std::wstring_view CountryFromSwitches(const SwitchBits& bits);
// Sets bits[0..2] from a country text; a text that is no country gives code 0.
void CountryToSwitches(std::wstring_view country, SwitchBits& bits);

// The nine numbers of a form block, in the order the block holds them.
enum class FormField : std::size_t {
    PageLength,
    LeftMargin,
    RightMargin,
    FrontTractor,
    RearTractor,
    SheetGuide,
    SheetFeeder,
    Postcard,
    CutSheetAdjust,
};

struct FormFieldInfo {
    // Which bound the number is held at in "書式０", whose margins are fixed: the widest page.
    enum class Fixed { No, AtLower, AtUpper };

    std::string_view key;    // the number's name after "formN." in kwctl: "front-tractor"
    std::wstring_view name;  // the form dialog's label
    std::size_t offset;      // within the block
    std::size_t width;       // decimal digits
    int lower;               // the range that the form dialog takes
    int upper;
    Fixed fixed = Fixed::No;

    constexpr int FixedValue() const { return fixed == Fixed::AtLower ? lower : upper; }
};

// Loading positions are in 1/120 inch, margins in columns, the page length in lines.
inline constexpr FormFieldInfo kFormFields[] = {
    {"page-length", L"用紙長", 0, 2, 1, 99},
    {"left-margin", L"レフトマージン幅", 3, 3, 0, 135, FormFieldInfo::Fixed::AtLower},
    {"right-margin", L"ライトマージン幅", 7, 3, 1, 136, FormFieldInfo::Fixed::AtUpper},
    {"front-tractor", L"フロントトラクタ", 11, 3, 0, 152},
    {"rear-tractor", L"リアトラクタ", 15, 3, 0, 152},
    {"sheet-guide", L"シートガイド", 19, 3, 0, 152},
    {"sheet-feeder", L"シートフィーダ", 23, 3, 0, 152},
    {"postcard", L"はがき", 27, 3, 0, 152},
    {"cut-sheet-adjust", L"カット紙位置補正", 31, 2, 0, 68},
};
inline constexpr std::size_t kFormFieldCount = std::size(kFormFields);
static_assert(kFormFieldCount == static_cast<std::size_t>(FormField::CutSheetAdjust) + 1,
              "one row per form field, in block order");

constexpr const FormFieldInfo& FormFieldOf(FormField field) {
    return kFormFields[static_cast<std::size_t>(field)];
}

// The numbers fill the block, one separator after each but the last.
constexpr bool FormFieldsFillTheBlock() {
    std::size_t at = 0;
    for (const FormFieldInfo& f : kFormFields) {
        if (f.offset != at) return false;
        at = f.offset + f.width + 1;
    }
    return at == field::kFormBlockLength + 1;
}
static_assert(FormFieldsFillTheBlock());

// Form blocks are copied as 33 raw characters. The buffer holds the block and a zero.
using FormBlockBuffer = std::array<char, field::kFormBlockLength + 1>;
void CopyFormBlockFromRecord(const SettingsRecord& record, int form, FormBlockBuffer& buffer);
void CopyFormBlockToRecord(SettingsRecord& record, int form, const FormBlockBuffer& buffer);
