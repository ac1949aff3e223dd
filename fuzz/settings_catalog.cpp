// KEY=VALUE changes from the command line go through the catalogue. The input is a record
// (its first 180 bytes, zeros where it is short) and lines of assignments. Properties: a
// refused change leaves the record as it was; an accepted one changes only the bits of the
// settings assigned, and each of them reads back a value that writes the same bytes again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "settings/SettingsCatalog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SettingsRecord record;
    const std::size_t taken = std::min(size, SettingsRecord::kSize);
    std::copy_n(data, taken, record.data());
    const std::string_view text(reinterpret_cast<const char*>(data) + taken, size - taken);

    std::vector<catalog::Assignment> assignments;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (const auto a = catalog::ParseAssignment(line)) {
            KW_FUZZ_CHECK(!a->key.empty() && a->key.find('=') == std::string::npos);
            KW_FUZZ_CHECK(a->key + "=" + a->value == line);
            assignments.push_back(*a);
        } else {
            KW_FUZZ_CHECK(line.empty() || line[0] == '=' || line.find('=') == line.npos);
        }
        start = end + 1;
    }

    // Every row reads any record.
    for (const catalog::Setting& s : catalog::Settings())
        KW_FUZZ_CHECK(!catalog::Read(s, record).code.empty());

    const SettingsRecord before = record;
    const catalog::ApplyResult result = catalog::Apply(record, assignments);
    if (!result.ok) {
        KW_FUZZ_CHECK(record == before);
        KW_FUZZ_CHECK(!result.message.empty());
        return 0;
    }
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i) {
        std::uint8_t allowed = 0;
        for (const auto& a : assignments)
            allowed |= catalog::Find(a.key)->BitsAt(i);
        KW_FUZZ_CHECK(((before[i] ^ record[i]) & ~allowed) == 0);
    }
    std::vector<catalog::Assignment> readBack;
    for (const auto& a : assignments) {
        const catalog::Setting& s = *catalog::Find(a.key);
        KW_FUZZ_CHECK(s.Settable());
        readBack.push_back({a.key, catalog::Read(s, record).code});
    }
    const SettingsRecord written = record;
    KW_FUZZ_CHECK(catalog::Apply(record, readBack).ok);
    KW_FUZZ_CHECK(record == written);
    return 0;
}
