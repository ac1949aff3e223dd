// The ".dat" settings file: a header that names the printer model, then the record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "settings/SettingsRecord.h"

// The header text and its terminating zero: 19 bytes.
inline constexpr char kSettingsFileHeader[] = "Brelvistoka 410ZQ\n";
inline constexpr std::size_t kSettingsFileHeaderSize = sizeof(kSettingsFileHeader);
inline constexpr std::size_t kSettingsFileSize = kSettingsFileHeaderSize + SettingsRecord::kSize;

using SettingsFileImage = std::array<std::uint8_t, kSettingsFileSize>;

// The whole file as it is written: header, zero byte, the 180 record bytes, nothing after.
SettingsFileImage EncodeSettingsFile(const SettingsRecord& record);

// The record of a file's bytes, or nothing when the bytes are no settings file: the header
// with its zero must come first and a whole record must follow. Bytes after the record are
// ignored. The record itself is taken as it is, never checked.
std::optional<SettingsRecord> DecodeSettingsFile(std::span<const std::uint8_t> bytes);
