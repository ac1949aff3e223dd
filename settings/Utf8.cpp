#include "settings/Utf8.h"

#include <cstddef>
#include <cstdint>

namespace {

bool IsSurrogate(std::uint32_t c) {
    return c >= 0xD800 && c < 0xE000;
}

// The code point that starts at `text[i]` and the number of bytes it takes; 0 bytes when the
// sequence there is invalid.
std::size_t DecodeAt(std::string_view text, std::size_t i, std::uint32_t& c) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return 0;
    c = length == 1   ? lead
        : length == 2 ? (lead & 0x1F)
        : length == 3 ? (lead & 0x0F)
                      : (lead & 0x07);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || IsSurrogate(c) || c > 0x10FFFF) return 0;
    return length;
}

// Calls `take(c, bytes)` for each code point of `text` with the bytes it was read from; each
// byte outside a valid sequence comes as U+FFFD with no bytes.
template <class Take>
void Decode(std::string_view text, Take take) {
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t c = 0;
        const std::size_t length = DecodeAt(text, i, c);
        take(length ? c : 0xFFFD, text.substr(i, length));
        i += length ? length : 1;
    }
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendWide(std::wstring& out, std::uint32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The code point that starts at `text[i]`, a surrogate pair taken as one; `i` moves past it.
std::uint32_t NextWide(std::wstring_view text, std::size_t& i) {
    std::uint32_t c = static_cast<std::uint32_t>(text[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0xD800 && c < 0xDC00 && i < text.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(text[i]);
            if (low >= 0xDC00 && low < 0xE000) {
                ++i;
                return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return c;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t c = NextWide(text, i);
        if (IsSurrogate(c) || c > 0x10FFFF) c = 0xFFFD;
        AppendUtf8(out, c);
    }
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    Decode(text, [&](std::uint32_t c, std::string_view) { AppendWide(out, c); });
    return out;
}

bool IsValidUtf8(std::string_view text) {
    bool valid = true;
    Decode(text, [&](std::uint32_t, std::string_view bytes) { valid = valid && !bytes.empty(); });
    return valid;
}

std::string ToValidUtf8(std::string_view text) {
    std::string out;
    Decode(text, [&](std::uint32_t c, std::string_view bytes) {
        if (bytes.empty()) {
            AppendUtf8(out, c);
        } else {
            out.append(bytes);
        }
    });
    return out;
}

bool HasLoneSurrogate(std::wstring_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (IsSurrogate(NextWide(text, i))) return true;
    }
    return false;
}
