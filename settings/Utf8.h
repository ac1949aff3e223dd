// UTF-8 and the platform's wide strings (UTF-16 on Windows, UTF-32 elsewhere).
#pragma once

#include <string>
#include <string_view>

// Whatever cannot be encoded (a surrogate that is not half of a pair) becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

// Every byte that does not belong to a valid sequence becomes one U+FFFD; overlong forms,
// surrogates and values beyond Unicode count as invalid.
std::wstring FromUtf8(std::string_view text);

// True when `text` is valid UTF-8 throughout, by the rules FromUtf8 reads it with.
bool IsValidUtf8(std::string_view text);

// `text` as valid UTF-8: valid sequences as they are, every other byte as U+FFFD.
std::string ToValidUtf8(std::string_view text);

// True when `text` holds a surrogate that is not half of a pair (on Windows), or any surrogate
// (where wide strings are UTF-32): text that no UTF-8 and no file name elsewhere can carry.
bool HasLoneSurrogate(std::wstring_view text);
