// The printer's whole configuration: one fixed-offset 180-byte record, which is also the
// printer command that installs it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class SettingsRecord {
public:
    static constexpr std::size_t kSize = 180;

    constexpr SettingsRecord() : m_bytes{} {}
    constexpr explicit SettingsRecord(const std::array<std::uint8_t, kSize>& bytes)
        : m_bytes(bytes) {}

    constexpr std::uint8_t& operator[](std::size_t offset) { return m_bytes[offset]; }
    constexpr std::uint8_t operator[](std::size_t offset) const { return m_bytes[offset]; }

    std::uint8_t* data() { return m_bytes.data(); }
    const std::uint8_t* data() const { return m_bytes.data(); }
    static constexpr std::size_t size() { return kSize; }

    // Equal only when all 180 bytes are equal; no field is compared by meaning.
    friend constexpr bool operator==(const SettingsRecord&, const SettingsRecord&) = default;

private:
    std::array<std::uint8_t, kSize> m_bytes;
};

// The record the program starts with and that the factory-settings command restores.
const SettingsRecord& FactoryRecord();
