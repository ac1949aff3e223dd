#include "settings/SettingsRecord.h"

#include <string_view>

namespace {

constexpr SettingsRecord MakeFactoryRecord() {
    std::array<std::uint8_t, SettingsRecord::kSize> bytes{};
    std::size_t at = 0;
    auto put = [&](std::string_view text) {
        for (char c : text)
            bytes[at++] = static_cast<std::uint8_t>(c);
    };
    auto putByte = [&](std::uint8_t b) { bytes[at++] = b; };

    putByte(0x1C);  // FS
    putByte(0x6F);  // 'o'
    put("0,0,0,0,0,0,");
    putByte(0x10);  // MSW1
    put(",");
    putByte(0x00);  // MSW2
    put(",");
    putByte(0x00);  // MSW3
    put(",");
    putByte(0x30);  // MSW4
    put(",0,0,0,");
    for (int form = 0; form < 4; ++form)
        put("66,000,136,120,120,046,046,054,00,");
    put("0,0,0,0,0,0.");
    // offsets 176..179 stay 0x00
    return SettingsRecord(bytes);
}

constexpr SettingsRecord kFactoryRecord = MakeFactoryRecord();
static_assert(kFactoryRecord[175] == '.', "factory record layout");
static_assert(kFactoryRecord[163] == ',' && kFactoryRecord[164] == '0', "factory record layout");

}  // namespace

const SettingsRecord& FactoryRecord() {
    return kFactoryRecord;
}
