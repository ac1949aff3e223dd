#include "pages/FormValues.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::array<int, kTickCount>& Ticks(TickColumn column) {
    return column == TickColumn::Postcard ? kPostcardTicks : kGeneralTicks;
}

int Code(const FormBlockBuffer& block, std::size_t at) {
    return static_cast<unsigned char>(block[at]) - '0';
}

int TwoDigits(const FormBlockBuffer& block, std::size_t at) {
    return 10 * Code(block, at) + Code(block, at + 1);
}

int ThreeDigits(const FormBlockBuffer& block, std::size_t at) {
    return 100 * Code(block, at) + 10 * Code(block, at + 1) + Code(block, at + 2);
}

void PutTwoDigits(FormBlockBuffer& block, std::size_t at, int value) {
    block[at] = static_cast<char>((value - value % 10) / 10 + '0');
    block[at + 1] = static_cast<char>(value % 10 + '0');
}

// "%03d", of which only the first three characters are kept.
void PutThreeDigits(FormBlockBuffer& block, std::size_t at, int value) {
    char text[16] = {};
    std::snprintf(text, sizeof(text), "%03d", value);
    for (std::size_t i = 0; i < 3; ++i)
        block[at + i] = text[i];
}

std::size_t DecimalLength(int value) {
    return std::to_wstring(value).size();
}

}  // namespace

int LoadPositionTick(int position, TickColumn column) {
    if (position < 0) position = 0;
    if (position >= kTickCount) position = kTickCount - 1;
    return Ticks(column)[static_cast<std::size_t>(position)];
}

int NearestTick(int value, TickColumn column) {
    // The best distance starts above any possible one, so that every value far above the
    // last step still gives position 9.
    const auto& ticks = Ticks(column);
    long long bestDistance = LLONG_MAX;
    int best = 0;
    for (int position = 0; position < kTickCount; ++position) {
        const long long distance =
            std::llabs(static_cast<long long>(ticks[static_cast<std::size_t>(position)]) - value);
        if (distance == 0) return position;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = position;
        }
    }
    return best;
}

FormValues ParseFormBlock(const FormBlockBuffer& block, bool fixedMargins) {
    FormValues v;
    v.pageLength = TwoDigits(block, 0);
    if (fixedMargins) {
        v.leftMargin = kFixedLeftMargin;
        v.rightMargin = kFixedRightMargin;
    } else {
        v.leftMargin = ThreeDigits(block, 3);
        v.rightMargin = ThreeDigits(block, 7);
    }
    v.frontTractor = ThreeDigits(block, 11);
    v.rearTractor = ThreeDigits(block, 15);
    v.sheetGuide = ThreeDigits(block, 19);
    v.sheetFeeder = ThreeDigits(block, 23);
    v.postcard = ThreeDigits(block, 27);
    v.cutSheetAdjust = TwoDigits(block, 31);
    return v;
}

void FormatFormBlock(const FormValues& v, bool fixedMargins, FormBlockBuffer& block) {
    PutTwoDigits(block, 0, v.pageLength);
    if (!fixedMargins) {
        PutThreeDigits(block, 3, v.leftMargin);
        PutThreeDigits(block, 7, v.rightMargin);
    }
    PutThreeDigits(block, 11, v.frontTractor);
    PutThreeDigits(block, 15, v.rearTractor);
    PutThreeDigits(block, 19, v.sheetGuide);
    PutThreeDigits(block, 23, v.sheetFeeder);
    PutThreeDigits(block, 27, v.postcard);
    PutTwoDigits(block, 31, v.cutSheetAdjust);
}

int ReadLeadingInt(std::wstring_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    long long number = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        number = number * 10 + (text[at] - L'0');
        if (number > static_cast<long long>(INT_MAX) + 1) break;  // saturated below
    }
    if (negative) number = -number;
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

int ShortenedEditValue(std::wstring_view text, const EditLimits& limits) {
    const int value = ReadLeadingInt(text);
    if (DecimalLength(value) <= limits.textLength) return value;
    return value < 0 ? limits.lower : limits.upper;
}
