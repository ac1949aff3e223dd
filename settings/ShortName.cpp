#include "settings/ShortName.h"

#include <algorithm>

std::string ShortName(std::size_t n, std::size_t maxLength) {
    maxLength = std::max<std::size_t>(maxLength, 1);
    const std::string prefix = maxLength >= 4 ? "~kw" : maxLength >= 2 ? "~" : "";
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36]);
        n /= 36;
    } while (n > 0);
    if (prefix.size() + digits.size() > maxLength) return std::string();
    return prefix + digits;
}
