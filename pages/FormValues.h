// The numbers of one form block and the slider steps of its loading positions. No window is
// involved here: the form-settings dialog moves these values to and from its controls.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "settings/Fields.h"

// Which column of the slider steps a slider uses: the postcard slider has its own step 7.
enum class TickColumn { General, Postcard };

inline constexpr int kTickCount = 10;

// Loading position in 1/120 inch of each slider position (LoadPositionTick).
inline constexpr std::array<int, kTickCount> kGeneralTicks = {0,  15, 18, 20, 28,
                                                              30, 40, 46, 60, 120};
inline constexpr std::array<int, kTickCount> kPostcardTicks = {0,  15, 18, 20, 28,
                                                               30, 40, 54, 60, 120};

// The loading position of a slider position; positions outside 0..9 count as the nearer end.
int LoadPositionTick(int position, TickColumn column);

// The slider position whose step is nearest to `value`; on a tie the lower position wins.
int NearestTick(int value, TickColumn column);

struct FormValues {
    int pageLength = 0;
    int leftMargin = 0;
    int rightMargin = 0;
    int frontTractor = 0;
    int rearTractor = 0;
    int sheetGuide = 0;
    int sheetFeeder = 0;
    int postcard = 0;
    int cutSheetAdjust = 0;
};

// Reads the numbers of a block. Each digit counts as its character code minus '0', whatever
// the character is. Fixed margins ("書式０") read as their fixed values and are never written.
FormValues ParseFormBlock(const FormBlockBuffer& block, bool fixedMargins);

// Writes the numbers into a block; the separators and the terminating zero stay as they are.
void FormatFormBlock(const FormValues& values, bool fixedMargins, FormBlockBuffer& block);

// Bounds of one number edit of the dialog.
struct EditLimits {
    std::size_t textLength;  // a longer text is replaced by its number
    int lower;
    int upper;
};

// The value of an edit's text: optional blanks and sign, then the leading decimal digits.
// A text with no leading digits reads as 0; a number too large for an int reads as the
// nearest int.
int ReadLeadingInt(std::wstring_view text);

// The number that replaces a text longer than `limits.textLength`: its leading number, or,
// when even that is too long to write back, the bound it lies beyond. Writing the result back
// therefore never yields an over-long text again.
int ShortenedEditValue(std::wstring_view text, const EditLimits& limits);
