// SHA-256 from the system's own provider: CNG on Windows, libcrypto elsewhere.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kwctl {

// The SHA-256 of `bytes` as 64 lowercase hex digits; empty when the system cannot hash.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace kwctl
