#include "settings/SettingsCatalog.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>

#include "settings/Fields.h"
#include "settings/Utf8.h"

namespace catalog {
namespace {

// Page texts of the tabs.
constexpr std::wstring_view kSelectPage = L"機能選択";
constexpr std::wstring_view kMsw1Page = L"ＭＳＷ１";
constexpr std::wstring_view kMsw2Page = L"ＭＳＷ２";
constexpr std::wstring_view kMsw3Page = L"ＭＳＷ３";
constexpr std::wstring_view kMsw4Page = L"ＭＳＷ４";
constexpr std::wstring_view kHardwarePage = L"ハードウェア設定";

// Choices of the option digits take their texts from the lists the pages write with.
constexpr Choice kKanjiTable[] = {{choices::kKanjiTable[0], "jis1978", "0"},
                                  {choices::kKanjiTable[1], "jis1983", "1"},
                                  {choices::kKanjiTable[2], "jis1990", "2"}};
constexpr Choice kFont[] = {{choices::kFont[0], "standard", "0"},
                            {choices::kFont[1], "italic", "1"},
                            {choices::kFont[2], "courier", "2"},
                            {choices::kFont[3], "gothic", "3"},
                            {choices::kFont[4], "ocr-b", "4"}};
constexpr Choice kForm[] = {{choices::kForm[0], "form0", "0"},
                            {choices::kForm[1], "form1", "1"},
                            {choices::kForm[2], "form2", "2"},
                            {choices::kForm[3], "form3", "3"}};
constexpr Choice kLoadTime[] = {
    {choices::kLoadTime[0], "2s", "0"},   {choices::kLoadTime[1], "1s", "1"},
    {choices::kLoadTime[2], "0.5s", "2"}, {choices::kLoadTime[3], "5s", "3"},
    {choices::kLoadTime[4], "4s", "4"},   {choices::kLoadTime[5], "3s", "5"}};
constexpr Choice kReturnTime[] = {{choices::kReturnTime[0], "8s", "0"},
                                  {choices::kReturnTime[1], "15s", "1"},
                                  {choices::kReturnTime[2], "none", "2"}};
// The country code is split over bits 7, 6 and 5; codes 1, 6 and 7 read as the first.
constexpr Choice kCountry[] = {{choices::kCountry[0], "japan", "0"},
                               {choices::kCountry[1], "usa", "2"},
                               {choices::kCountry[2], "uk", "3"},
                               {choices::kCountry[3], "germany", "4"},
                               {choices::kCountry[4], "sweden", "5"}};

// Two-way choices: code (or bit) 0, then 1.
struct Pair {
    Choice choice[2];
};
constexpr Pair Two(std::wstring_view text0, std::string_view alias0, std::wstring_view text1,
                   std::string_view alias1) {
    return {{{text0, alias0, "0"}, {text1, alias1, "1"}}};
}

constexpr Pair kTypeface = Two(L"明朝体", "mincho", L"ゴシック体", "gothic");
constexpr Pair kQuiet = Two(L"しない", "off", L"する", "on");
constexpr Pair kCutSheet = Two(L"固定用紙長", "fixed", L"フリーフォーマット", "free");
constexpr Pair kPostcardMode = Two(L"OFF", "off", L"ON", "on");
// A check box has no text of its own for its two states.
constexpr Pair kCheck = Two(L"オフ", "off", L"オン", "on");
constexpr Pair kBuffer = Two(L"１６Ｋバイト", "16k", L"なし", "none");
constexpr Pair kDc1Dc3 = Two(L"有効", "enabled", L"無効", "disabled");
constexpr Pair kAutoReturn = Two(L"復帰改行", "cr-lf", L"復帰のみ", "cr");
constexpr Pair kPrintCodes = Two(L"ＣＲのみ", "cr", L"ＣＲ，ＬＦ，ＶＴ，ＦＦ", "cr-lf-vt-ff");
constexpr Pair kCrFunction = Two(L"復帰のみ", "return", L"復帰改行", "return-lf");
constexpr Pair kPaperOut = Two(L"印刷時", "printing", L"常時", "always");
constexpr Pair kGraphicDots = Two(L"ネイティブモード", "native", L"コピーモード", "copy");
constexpr Pair kThickness = Two(L"速度優先動作", "speed", L"1枚毎動作", "every-sheet");
constexpr Pair kPrintMode = Two(L"ＨＤパイカ", "hd-pica", L"ＨＳパイカ", "hs-pica");
constexpr Pair kDataBits = Two(L"８ビット", "8bit", L"７ビット", "7bit");
constexpr Pair kColumns = Two(L"１３６桁", "136", L"８０桁", "80");
constexpr Pair kDirection = Two(L"両方向最短", "bidirectional", L"片方向", "unidirectional");
constexpr Pair kLan = Two(L"なし", "no", L"あり", "yes");
constexpr Pair kRemember = Two(L"記憶する", "remember", L"記憶しない", "forget");
constexpr Pair kLoadCodes =
    Two(L"ＥＳＣ ａのみ", "esc-a", L"ＥＳＣ ａ，ＬＦ，ＵＳ，ＶＴ", "esc-a-lf-us-vt");
constexpr Pair kSkip = Two(L"スキップしない", "no-skip", L"スキップする", "skip");
constexpr Pair kCutFeed = Two(L"無効", "disabled", L"有効", "enabled");
constexpr Pair kFeedAmount = Two(L"固定長", "fixed", L"TOF＋固定長", "tof-fixed");
constexpr Pair kDotDirection = Two(L"片方向", "unidirectional", L"両方向", "bidirectional");
constexpr Pair kSpeed = Two(L"通常印刷", "normal", L"高速印刷", "high-speed");
constexpr Pair kEjection = Two(L"排出方向指定", "specified", L"後方排出", "rear");
constexpr Pair kLoading = Two(L"オート", "auto", L"マニュアル", "manual");
constexpr Pair kNormalSlow = Two(L"通常", "normal", L"低速", "slow");
constexpr Pair kCurl = Two(L"無効", "disabled", L"有効", "enabled");
constexpr Pair kSmoothing = Two(L"幅広", "wide", L"幅狭", "narrow");

// A row with its common fields; the builders below add what their kind needs.
constexpr Setting Row(std::string_view key, std::wstring_view page, std::wstring_view name,
                      Kind kind, std::size_t offset) {
    Setting s;
    s.key = key;
    s.page = page;
    s.name = name;
    s.kind = kind;
    s.offset = offset;
    return s;
}

constexpr Setting Option(std::string_view key, std::wstring_view page, std::wstring_view name,
                         std::size_t offset, std::span<const Choice> list) {
    Setting s = Row(key, page, name, Kind::Option, offset);
    s.choices = list;
    return s;
}

constexpr Setting Flag(std::string_view key, std::wstring_view page, std::wstring_view name,
                       std::size_t offset, const Pair& pair) {
    Setting s = Row(key, page, name, Kind::Flag, offset);
    s.choices = pair.choice;
    return s;
}

// Switch n-1 is bit 7, n-8 bit 0.
constexpr Setting Bit(std::string_view key, std::string_view switchName, std::wstring_view page,
                      std::wstring_view name, std::size_t offset, int bit, const Pair& pair) {
    Setting s = Row(key, page, name, Kind::Switch, offset);
    s.switchName = switchName;
    s.mask = static_cast<std::uint8_t>(0x80 >> (bit - 1));
    s.choices = pair.choice;
    return s;
}

constexpr Setting Carried(std::string_view key, std::string_view switchName, std::wstring_view page,
                          std::size_t offset, int bit) {
    Setting s = Row(key, page, L"", Kind::CarriedSwitch, offset);
    s.switchName = switchName;
    s.mask = static_cast<std::uint8_t>(0x80 >> (bit - 1));
    return s;
}

constexpr Setting Country() {
    Setting s = Row("country", kMsw1Page, L"各国文字の切り替え", Kind::Country, field::kMsw1);
    s.switchName = "MSW1-1/2/3";
    s.mask = 0xE0;
    s.choices = kCountry;
    return s;
}

// The keys of the form numbers, "form2.front-tractor", made from the form fields' own keys.
struct KeyText {
    std::array<char, 32> text{};
    std::size_t size = 0;
    constexpr void Append(std::string_view part) {
        for (char c : part)
            text[size++] = c;
    }
};

constexpr std::array<std::array<KeyText, kFormFieldCount>, 4> MakeFormKeys() {
    std::array<std::array<KeyText, kFormFieldCount>, 4> keys{};
    for (std::size_t form = 0; form < 4; ++form) {
        for (std::size_t f = 0; f < kFormFieldCount; ++f) {
            const char number[] = {static_cast<char>('0' + form), '.'};
            keys[form][f].Append("form");
            keys[form][f].Append(std::string_view(number, 2));
            keys[form][f].Append(kFormFields[f].key);
        }
    }
    return keys;
}

constexpr auto kFormKeys = MakeFormKeys();

constexpr Setting FormNumber(std::size_t form, std::size_t field) {
    const FormFieldInfo& f = kFormFields[field];
    const KeyText& key = kFormKeys[form][field];
    Setting s = Row(std::string_view(key.text.data(), key.size), kSelectPage, f.name,
                    Kind::FormNumber, field::kFormBlock[form] + f.offset);
    s.width = f.width;
    s.form = static_cast<int>(form);
    s.formField = static_cast<FormField>(field);
    s.lower = f.lower;
    s.upper = f.upper;
    s.fixed = form == 0 && f.fixed != FormFieldInfo::Fixed::No;
    s.fixedValue = s.fixed ? f.FixedValue() : 0;
    return s;
}

constexpr std::array<Setting, 4 * kFormFieldCount> MakeFormRows() {
    std::array<Setting, 4 * kFormFieldCount> rows{};
    for (std::size_t form = 0; form < 4; ++form) {
        for (std::size_t f = 0; f < kFormFieldCount; ++f)
            rows[form * kFormFieldCount + f] = FormNumber(form, f);
    }
    return rows;
}

// The rows of each page, in the order of the settings on it; the table is their sequence.
constexpr auto kSelectRows = std::to_array<Setting>({
    Flag("typeface", kSelectPage, L"書体選択", field::kTypeface, kTypeface),
    Flag("quiet", kSelectPage, L"クワイエット印刷", field::kQuiet, kQuiet),
    Option("form", kSelectPage, L"書式選択", field::kForm, kForm),
    Option("kanji-table", kSelectPage, L"漢字コード表", field::kKanjiTable, kKanjiTable),
    Option("font1", kSelectPage, L"フォント１", field::kFont1, kFont),
    Option("font2", kSelectPage, L"フォント２", field::kFont2, kFont),
    Flag("cut-sheet", kSelectPage, L"カット紙", field::kCutSheet, kCutSheet),
    Flag("postcard", kSelectPage, L"ハガキ印刷モード", field::kPostcardMode, kPostcardMode),
    Row("carried-digit", L"", L"", Kind::CarriedDigit, field::kCarriedDigit),
});

constexpr std::size_t m1 = field::kMsw1;
constexpr auto kMsw1Rows = std::to_array<Setting>({
    Country(),
    Bit("msw1-4", "MSW1-4", kMsw1Page, L"受信バッファ容量の切り替え", m1, 4, kBuffer),
    Bit("msw1-5", "MSW1-5", kMsw1Page, L"DC1/DC3コード処理の切り替え", m1, 5, kDc1Dc3),
    Bit("msw1-6", "MSW1-6", kMsw1Page, L"自動復改の切り替え", m1, 6, kAutoReturn),
    Bit("msw1-7", "MSW1-7", kMsw1Page, L"印刷指令コードの切り替え", m1, 7, kPrintCodes),
    Bit("msw1-8", "MSW1-8", kMsw1Page, L"CRコードの機能の切り替え", m1, 8, kCrFunction),
});

constexpr std::size_t m2 = field::kMsw2;
constexpr auto kMsw2Rows = std::to_array<Setting>({
    Bit("msw2-1", "MSW2-1", kMsw2Page, L"１バイトコード系数字ゼロにスラッシュを付ける", m2, 1,
        kCheck),
    Bit("msw2-2", "MSW2-2", kMsw2Page, L"用紙無し検出方法の切り替え", m2, 2, kPaperOut),
    Bit("msw2-3", "MSW2-3", kMsw2Page, L"ドット対応グラフィックドット数", m2, 3, kGraphicDots),
    Bit("msw2-4", "MSW2-4", kMsw2Page, L"シートフィーダの自動用紙厚調整", m2, 4, kThickness),
    Bit("msw2-5", "MSW2-5", kMsw2Page, L"印刷モードの切り替え", m2, 5, kPrintMode),
    Bit("msw2-6", "MSW2-6", kMsw2Page, L"７／８ビットデータの切り替え", m2, 6, kDataBits),
    Bit("msw2-7", "MSW2-7", kMsw2Page, L"印刷桁数の切り替え", m2, 7, kColumns),
    Bit("msw2-8", "MSW2-8", kMsw2Page, L"印刷方向の切り替え", m2, 8, kDirection),
});

constexpr std::size_t m3 = field::kMsw3;
constexpr auto kMsw3Rows = std::to_array<Setting>({
    Bit("msw3-1", "MSW3-1", kMsw3Page, L"ＬＡＮアダプタ接続", m3, 1, kLan),
    Carried("msw3-2", "MSW3-2", kMsw3Page, m3, 2),
    Bit("msw3-3", "MSW3-3", kMsw3Page, L"用紙吸入位置の記憶", m3, 3, kRemember),
    Bit("msw3-4", "MSW3-4", kMsw3Page, L"シートフィーダの吸入コード", m3, 4, kLoadCodes),
    Carried("msw3-5", "MSW3-5", kMsw3Page, m3, 5),
    Carried("msw3-6", "MSW3-6", kMsw3Page, m3, 6),
    Bit("msw3-7", "MSW3-7", kMsw3Page, L"２バイトコード系数字ゼロにスラッシュを付ける", m3, 7,
        kCheck),
    Bit("msw3-8", "MSW3-8", kMsw3Page, L"ミシン目スキップ", m3, 8, kSkip),
});

constexpr std::size_t m4 = field::kMsw4;
constexpr auto kMsw4Rows = std::to_array<Setting>({
    Carried("msw4-1", "MSW4-1", kMsw4Page, m4, 1),
    Bit("msw4-2", "MSW4-2", kMsw4Page, L"自動カット位置送り機能", m4, 2, kCutFeed),
    Bit("msw4-3", "MSW4-3", kMsw4Page, L"カット位置送り機能の用紙送り量", m4, 3, kFeedAmount),
    Bit("msw4-4", "MSW4-4", kMsw4Page, L"ドット列印刷モードの印刷方向", m4, 4, kDotDirection),
    Bit("msw4-5", "MSW4-5", kMsw4Page, L"高速印刷モード", m4, 5, kSpeed),
    Bit("msw4-6", "MSW4-6", kMsw4Page, L"シートガイドの排出方向", m4, 6, kEjection),
    Bit("msw4-7", "MSW4-7", kMsw4Page, L"シートフィーダの排出方向", m4, 7, kEjection),
    Bit("msw4-8", "MSW4-8", kMsw4Page, L"シートガイドのローディング方法", m4, 8, kLoading),
});

constexpr auto kHardwareRows = std::to_array<Setting>({
    Option("load-time", kHardwarePage, L"シートガイドからの用紙吸入時間", field::kLoadTime,
           kLoadTime),
    Flag("load-speed", kHardwarePage, L"シートガイドからの用紙吸入速度", field::kLoadSpeed,
         kNormalSlow),
    Flag("curl-smoothing", kHardwarePage, L"カット紙カールならし動作", field::kCurl, kCurl),
    Option("return-time", kHardwarePage, L"カット位置からの自動戻り時間", field::kReturnTime,
           kReturnTime),
    Flag("feed-speed", kHardwarePage, L"連続紙送り速度", field::kFeedSpeed, kNormalSlow),
    Flag("feed-smoothing", kHardwarePage, L"連続紙ならし動作", field::kSmoothing, kSmoothing),
});

template <std::size_t... N>
constexpr std::array<Setting, (N + ...)> Join(const std::array<Setting, N>&... parts) {
    std::array<Setting, (N + ...)> rows{};
    std::size_t n = 0;
    ((std::copy(parts.begin(), parts.end(), rows.begin() + static_cast<std::ptrdiff_t>(n)), n += N),
     ...);
    return rows;
}

constexpr auto kTable =
    Join(kSelectRows, MakeFormRows(), kMsw1Rows, kMsw2Rows, kMsw3Rows, kMsw4Rows, kHardwareRows);

// Every row names a setting, once.
constexpr bool KeysAreUnique() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (kTable[i].key.empty()) return false;
        for (std::size_t j = i + 1; j < kTable.size(); ++j) {
            if (kTable[i].key == kTable[j].key) return false;
        }
    }
    return true;
}
static_assert(KeysAreUnique());

// Each bit of the four switch bytes has one row, on a page or carried.
constexpr bool EverySwitchBitHasOneRow() {
    for (std::size_t offset : {field::kMsw1, field::kMsw2, field::kMsw3, field::kMsw4}) {
        unsigned seen = 0;
        for (const Setting& s : kTable) {
            if (s.offset != offset || s.mask == 0) continue;
            if (seen & s.mask) return false;
            seen |= s.mask;
        }
        if (seen != 0xFF) return false;
    }
    return true;
}
static_assert(EverySwitchBitHasOneRow());

// ---------------------------------------------------------------------------------------------
// Reading

// A byte as text: the character when it is printable ASCII, else its hex value.
std::string Shown(std::uint8_t byte) {
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, static_cast<char>(byte));
    return Hex(byte);
}

std::wstring Widen(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

int CountryCode(std::uint8_t byte) {
    return ((byte >> 7) & 1) + 2 * ((byte >> 6) & 1) + 4 * ((byte >> 5) & 1);
}

// The weighted digit sum the form dialog reads, whatever the characters are.
int DigitSum(const SettingsRecord& record, std::size_t offset, std::size_t width) {
    int value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = 10 * value + (static_cast<int>(record[offset + i]) - '0');
    return value;
}

std::string RawDigits(const SettingsRecord& record, std::size_t offset, std::size_t width) {
    std::string raw;
    bool digits = true;
    for (std::size_t i = 0; i < width; ++i)
        digits = digits && record[offset + i] >= '0' && record[offset + i] <= '9';
    if (digits) return std::string(reinterpret_cast<const char*>(record.data() + offset), width);
    for (std::size_t i = 0; i < width; ++i) {
        if (!raw.empty()) raw += ' ';
        raw += Shown(record[offset + i]);
    }
    return raw;
}

bool AllDigits(const SettingsRecord& record, std::size_t offset, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        if (record[offset + i] < '0' || record[offset + i] > '9') return false;
    }
    return true;
}

Reading ReadDigit(const Setting& s, std::uint8_t byte) {
    Reading r;
    r.raw = Shown(byte);
    const auto found = std::find_if(s.choices.begin(), s.choices.end(), [&](const Choice& c) {
        return c.code.size() == 1 && static_cast<std::uint8_t>(c.code[0]) == byte;
    });
    const Choice& choice = found != s.choices.end() ? *found : s.choices.front();
    if (found == s.choices.end()) {
        r.note = "invalid code " + Hex(byte) + ": the program shows " + ToUtf8(choice.text) +
                 " and repairs the byte to '0' on loading";
    }
    r.text = choice.text;
    r.alias = choice.alias;
    r.code = choice.code;
    return r;
}

Reading ReadForm(const Setting& s, const SettingsRecord& record) {
    Reading r;
    r.raw = RawDigits(record, s.offset, s.width);
    if (s.fixed) {
        r.code = std::to_string(s.fixedValue);
        r.text = Widen(r.code);
        const std::string written =
            std::string(s.width > r.code.size() ? s.width - r.code.size() : 0, '0') + r.code;
        if (r.raw != written) {
            r.note =
                "fixed at " + r.code + " for the first form; the block's \"" + r.raw + "\" is kept";
        }
        return r;
    }
    const int value = DigitSum(record, s.offset, s.width);
    r.code = std::to_string(value);
    r.text = Widen(r.code);
    if (!AllDigits(record, s.offset, s.width)) {
        r.note = "not a number: the form dialog reads it as " + r.code;
    } else if (value < s.lower || value > s.upper) {
        r.note = "outside " + std::to_string(s.lower) + ".." + std::to_string(s.upper) +
                 ": the form dialog refuses it until it is changed";
    }
    return r;
}

}  // namespace

std::span<const Setting> Settings() {
    return kTable;
}

const Setting* Find(std::string_view key) {
    for (const Setting& s : kTable) {
        if (s.key == key) return &s;
    }
    return nullptr;
}

const Setting* FindFormNumber(int form, FormField field) {
    for (const Setting& s : kTable) {
        if (s.kind == Kind::FormNumber && s.form == form && s.formField == field) return &s;
    }
    return nullptr;
}

Reading Read(const Setting& s, const SettingsRecord& record) {
    const std::uint8_t byte = record[s.offset];
    switch (s.kind) {
        case Kind::Option:
        case Kind::Flag:
            return ReadDigit(s, byte);
        case Kind::Switch: {
            Reading r;
            const int bit = (byte & s.mask) ? 1 : 0;
            r.raw = std::to_string(bit);
            r.text = s.choices[static_cast<std::size_t>(bit)].text;
            r.alias = s.choices[static_cast<std::size_t>(bit)].alias;
            r.code = r.raw;
            return r;
        }
        case Kind::Country: {
            Reading r;
            const int code = CountryCode(byte);
            r.raw = std::to_string(code);
            const auto found = std::find_if(s.choices.begin(), s.choices.end(),
                                            [&](const Choice& c) { return c.code == r.raw; });
            const Choice& choice = found != s.choices.end() ? *found : s.choices.front();
            if (found == s.choices.end()) {
                r.note = "country code " + r.raw + " shows as " + ToUtf8(choice.text) +
                         " and is written back as 0";
            }
            r.text = choice.text;
            r.alias = choice.alias;
            r.code = choice.code;
            return r;
        }
        case Kind::FormNumber:
            return ReadForm(s, record);
        case Kind::CarriedDigit: {
            Reading r;
            r.raw = Shown(byte);
            r.code = r.raw;
            r.text = Widen(r.raw);
            return r;
        }
        case Kind::CarriedSwitch: {
            Reading r;
            r.raw.assign(1, (byte & s.mask) ? '1' : '0');
            r.code = r.raw;
            r.text = Widen(r.raw);
            return r;
        }
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Changing

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

const Choice* MatchChoice(const Setting& s, std::string_view value) {
    const std::wstring wide = FromUtf8(value);
    for (const Choice& c : s.choices) {
        if (c.text == wide) return &c;
    }
    for (const Choice& c : s.choices) {
        if (EqualNoCase(c.alias, value)) return &c;
    }
    for (const Choice& c : s.choices) {
        if (c.code == value) return &c;
    }
    return nullptr;
}

std::string ValidValues(const Setting& s) {
    std::string list;
    for (const Choice& c : s.choices) {
        if (!list.empty()) list += ", ";
        list += ToUtf8(c.text) + " (" + std::string(c.alias) + ", " + std::string(c.code) + ")";
    }
    return list;
}

std::string ValidKeys() {
    std::string list;
    for (const Setting& s : kTable) {
        if (!s.Settable() || s.kind == Kind::FormNumber) continue;
        if (!list.empty()) list += ", ";
        list += s.key;
    }
    list += ", and formN.";
    for (std::size_t f = 0; f < kFormFieldCount; ++f) {
        list += f == 0 ? '{' : '|';
        list += kFormFields[f].key;
    }
    list += "} for the forms N = 0 to 3 (the margins of form0 are fixed)";
    return list;
}

// A decimal number of at most a few digits, nothing else.
std::optional<int> ParseNumber(std::string_view text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

void WriteDigits(SettingsRecord& record, std::size_t offset, std::size_t width, int value) {
    for (std::size_t i = width; i-- > 0;) {
        record[offset + i] = static_cast<std::uint8_t>('0' + value % 10);
        value /= 10;
    }
}

std::string SetOne(SettingsRecord& record, const Setting& s, std::string_view value) {
    const std::string key(s.key);
    if (s.Carried()) {
        return key + " is carried: no page shows it, so it can be read but not set";
    }
    if (s.fixed) return key + " is fixed for the first form and cannot be set";
    if (s.kind == Kind::FormNumber) {
        const auto number = ParseNumber(value);
        if (!number || *number < s.lower || *number > s.upper) {
            return "invalid value '" + std::string(value) + "' for " + key +
                   "; valid values: " + std::to_string(s.lower) + " to " + std::to_string(s.upper);
        }
        WriteDigits(record, s.offset, s.width, *number);
        return {};
    }
    const Choice* choice = MatchChoice(s, value);
    if (!choice) {
        return "invalid value '" + std::string(value) + "' for " + key +
               "; valid values: " + ValidValues(s);
    }
    const int code = choice->code[0] - '0';
    switch (s.kind) {
        case Kind::Option:
        case Kind::Flag:
            record[s.offset] = static_cast<std::uint8_t>(choice->code[0]);
            break;
        case Kind::Switch:
            record[s.offset] = static_cast<std::uint8_t>(code ? record[s.offset] | s.mask
                                                              : record[s.offset] & ~s.mask);
            break;
        case Kind::Country:
            record[s.offset] =
                static_cast<std::uint8_t>((record[s.offset] & ~s.mask) | ((code & 1) << 7) |
                                          ((code & 2) << 5) | ((code & 4) << 3));
            break;
        default:
            break;
    }
    return {};
}

}  // namespace

ApplyResult Apply(SettingsRecord& record, std::span<const Assignment> assignments) {
    SettingsRecord changed = record;
    bool marginsSet[4] = {};
    for (const Assignment& a : assignments) {
        const Setting* s = Find(a.key);
        if (!s) return {false, "unknown key '" + a.key + "'; valid keys: " + ValidKeys()};
        if (std::string error = SetOne(changed, *s, a.value); !error.empty()) {
            return {false, error};
        }
        if (s->kind == Kind::FormNumber &&
            (s->formField == FormField::LeftMargin || s->formField == FormField::RightMargin)) {
            marginsSet[s->form] = true;
        }
    }
    const FormFieldInfo& leftField = FormFieldOf(FormField::LeftMargin);
    const FormFieldInfo& rightField = FormFieldOf(FormField::RightMargin);
    for (int form = 1; form < 4; ++form) {
        if (!marginsSet[form]) continue;
        const std::size_t block = field::kFormBlock[static_cast<std::size_t>(form)];
        const int left = DigitSum(changed, block + leftField.offset, leftField.width);
        const int right = DigitSum(changed, block + rightField.offset, rightField.width);
        if (left >= right) {
            return {false, "form" + std::to_string(form) + ": the right margin (" +
                               std::to_string(right) + ") must be greater than the left margin (" +
                               std::to_string(left) + ")"};
        }
    }
    record = changed;
    return {};
}

std::optional<Assignment> ParseAssignment(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) return std::nullopt;
    return Assignment{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

std::uint8_t ShownBits(std::size_t offset) {
    std::uint8_t bits = 0;
    for (const Setting& s : kTable) {
        if (!s.Carried()) bits |= s.BitsAt(offset);
    }
    return bits;
}

std::string Hex(std::uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02X", byte);
    return text;
}

std::string RecordHex(const SettingsRecord& record) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * SettingsRecord::kSize);
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i) {
        hex += kDigits[record[i] >> 4];
        hex += kDigits[record[i] & 0x0F];
    }
    return hex;
}

std::optional<SettingsRecord> RecordFromHex(std::string_view hex) {
    if (hex.size() != 2 * SettingsRecord::kSize) return std::nullopt;
    const auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    SettingsRecord record;
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i) {
        const int high = digit(hex[2 * i]);
        const int low = digit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        record[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return record;
}

std::string ByteRole(std::size_t offset, std::uint8_t bits) {
    if (offset <= 1) return "command";
    if (offset == field::kCarriedDigit) return "carried digit";
    if (offset == 175) return "terminator";
    if (offset >= 176) return "trailer";
    std::string carried;
    for (const Setting& s : kTable) {
        if (s.kind == Kind::CarriedSwitch && s.offset == offset && (bits & s.mask)) {
            carried += (carried.empty() ? "carried " : ", ") + std::string(s.switchName);
        }
    }
    if (!carried.empty()) return carried;
    return "separator";
}

}  // namespace catalog
