// The settings-file reader takes whatever bytes a file holds. Properties: a file is taken
// only when it has the whole header and a whole record, and then it re-encodes to its first
// 199 bytes; any record encodes to a file that decodes to that record, whatever follows it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    const bool isFile = size >= kSettingsFileSize &&
                        std::equal(bytes.begin(), bytes.begin() + kSettingsFileHeaderSize,
                                   reinterpret_cast<const std::uint8_t*>(kSettingsFileHeader));
    const auto decoded = DecodeSettingsFile(bytes);
    KW_FUZZ_CHECK(decoded.has_value() == isFile);
    if (decoded) {
        const SettingsFileImage image = EncodeSettingsFile(*decoded);
        KW_FUZZ_CHECK(std::equal(image.begin(), image.end(), bytes.begin()));
    }

    // The input's first bytes as a record (zeros where it is short), the rest as trailing bytes.
    SettingsRecord record;
    const std::size_t taken = std::min(size, SettingsRecord::kSize);
    std::copy_n(data, taken, record.data());
    const SettingsFileImage image = EncodeSettingsFile(record);
    std::vector<std::uint8_t> file(image.begin(), image.end());
    file.insert(file.end(), bytes.begin() + taken, bytes.end());
    const auto again = DecodeSettingsFile(file);
    KW_FUZZ_CHECK(again.has_value() && *again == record);
    // Cut anywhere inside, the file is refused.
    if (size > 0) {
        const std::size_t cut = data[0] % kSettingsFileSize;
        KW_FUZZ_CHECK(!DecodeSettingsFile(std::span(file).first(cut)).has_value());
    }
    return 0;
}
