#include "pages/FormValues.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::array<int, kTickCount>& Ticks(TickColumn column) {
    return column == TickColumn::Postcard ? kPostcardTicks : kGeneralTicks;
}

constexpr int FormValues::*kMembers[] = {
    &FormValues::pageLength,   &FormValues::leftMargin,  &FormValues::rightMargin,
    &FormValues::frontTractor, &FormValues::rearTractor, &FormValues::sheetGuide,
    &FormValues::sheetFeeder,  &FormValues::postcard,    &FormValues::cutSheetAdjust,
};
static_assert(std::size(kMembers) == kFormFieldCount);
static_assert(std::all_of(std::begin(kFormFields), std::end(kFormFields),
                          [](const FormFieldInfo& f) { return f.width == 2 || f.width == 3; }),
              "numbers are written with two or three digits");

// The weighted sum of the digits' character codes minus '0'.
int ReadDigits(const FormBlockBuffer& block, std::size_t at, std::size_t width) {
    int value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = 10 * value + (static_cast<unsigned char>(block[at + i]) - '0');
    return value;
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
    for (std::size_t i = 0; i < kFormFieldCount; ++i) {
        const FormFieldInfo& f = kFormFields[i];
        const bool fixed = fixedMargins && f.fixed != FormFieldInfo::Fixed::No;
        v.*kMembers[i] = fixed ? f.FixedValue() : ReadDigits(block, f.offset, f.width);
    }
    return v;
}

void FormatFormBlock(const FormValues& v, bool fixedMargins, FormBlockBuffer& block) {
    for (std::size_t i = 0; i < kFormFieldCount; ++i) {
        const FormFieldInfo& f = kFormFields[i];
        if (fixedMargins && f.fixed != FormFieldInfo::Fixed::No) continue;
        if (f.width == 2) {
            PutTwoDigits(block, f.offset, v.*kMembers[i]);
        } else {
            PutThreeDigits(block, f.offset, v.*kMembers[i]);
        }
    }
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
