#include "settings/SettingsFile.h"

#include <algorithm>

SettingsFileImage EncodeSettingsFile(const SettingsRecord& record) {
    SettingsFileImage image{};
    // The header is written with its zero byte.
    std::copy_n(reinterpret_cast<const std::uint8_t*>(kSettingsFileHeader), kSettingsFileHeaderSize,
                image.begin());
    std::copy_n(record.data(), SettingsRecord::kSize, image.begin() + kSettingsFileHeaderSize);
    return image;
}

std::optional<SettingsRecord> DecodeSettingsFile(std::span<const std::uint8_t> bytes) {
    // A file with the right header but a short record is refused too: taking it would leave
    // part of the record from whatever was there before.
    if (bytes.size() < kSettingsFileSize) return std::nullopt;
    if (!std::equal(bytes.begin(), bytes.begin() + kSettingsFileHeaderSize,
                    reinterpret_cast<const std::uint8_t*>(kSettingsFileHeader))) {
        return std::nullopt;
    }
    SettingsRecord record;
    std::copy_n(bytes.begin() + kSettingsFileHeaderSize, SettingsRecord::kSize, record.data());
    return record;
}
