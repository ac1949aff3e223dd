#include "kwctl/Sha256.h"

#ifdef _WIN32
#include <windows.h>
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>

namespace kwctl {
namespace {

constexpr std::size_t kDigestSize = 32;
using Digest = std::array<std::uint8_t, kDigestSize>;

#ifdef _WIN32

// BCryptHash is Windows 10's; the hash object calls work from Windows Vista on.
std::optional<Digest> Compute(std::span<const std::uint8_t> bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return std::nullopt;
    }
    std::unique_ptr<void, void (*)(void*)> provider(
        algorithm, [](void* a) { ::BCryptCloseAlgorithmProvider(a, 0); });
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        return std::nullopt;
    }
    std::unique_ptr<void, void (*)(void*)> hashOwner(hash, [](void* h) { ::BCryptDestroyHash(h); });
    // BCryptHashData takes a ULONG length; 180-byte records are far below it, larger inputs go
    // in pieces.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ULONG piece =
            static_cast<ULONG>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!BCRYPT_SUCCESS(
                ::BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + done), piece, 0))) {
            return std::nullopt;
        }
        done += piece;
    }
    Digest digest;
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest.data(), kDigestSize, 0))) {
        return std::nullopt;
    }
    return digest;
}

#else

std::optional<Digest> Compute(std::span<const std::uint8_t> bytes) {
    Digest digest;
    unsigned int size = 0;
    if (!::EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, ::EVP_sha256(), nullptr) ||
        size != kDigestSize) {
        return std::nullopt;
    }
    return digest;
}

#endif

}  // namespace

std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::optional<Digest> digest = Compute(bytes);
    if (!digest) return {};
    std::string hex;
    hex.reserve(2 * kDigestSize);
    for (std::uint8_t b : *digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}

}  // namespace kwctl
