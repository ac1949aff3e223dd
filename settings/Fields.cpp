#include "settings/Fields.h"

namespace {

constexpr int kCountryCodes[] = {0, 2, 3, 4, 5};  // in the order of choices::kCountry

}  // namespace

int ReadOptionDigit(SettingsRecord& record, std::size_t offset, std::size_t codeCount) {
    const int code = record[offset] - '0';
    if (code >= 0 && static_cast<std::size_t>(code) < codeCount) return code;
    record[offset] = '0';
    return 0;
}

std::wstring_view ReadOptionText(SettingsRecord& record, std::size_t offset, ChoiceTexts texts) {
    return texts[static_cast<std::size_t>(ReadOptionDigit(record, offset, texts.size()))];
}

void WriteOptionDigit(SettingsRecord& record, std::size_t offset, std::wstring_view text,
                      ChoiceTexts texts) {
    std::uint8_t code = '0';
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (texts[k] == text) {
            code = static_cast<std::uint8_t>('0' + k);
            break;
        }
    }
    record[offset] = code;
}

int ReadFlagDigit(SettingsRecord& record, std::size_t offset) {
    return ReadOptionDigit(record, offset, 2);
}

void WriteFlagDigit(SettingsRecord& record, std::size_t offset, int value) {
    record[offset] = value == 1 ? '1' : '0';
}

SwitchBits ReadSwitchByte(const SettingsRecord& record, std::size_t offset) {
    SwitchBits bits{};
    for (int k = 0; k < 8; ++k)
        bits[k] = (record[offset] >> (7 - k)) & 1;
    return bits;
}

void WriteSwitchByte(SettingsRecord& record, std::size_t offset, const SwitchBits& bits) {
    std::uint8_t byte = 0;
    for (int k = 0; k < 8; ++k) {
        if (bits[k] == 1) byte |= static_cast<std::uint8_t>(1u << (7 - k));
    }
    record[offset] = byte;
}

std::wstring_view CountryFromSwitches(const SwitchBits& bits) {
    const int code = bits[0] + 2 * bits[1] + 4 * bits[2];
    for (std::size_t k = 0; k < std::size(kCountryCodes); ++k) {
        if (kCountryCodes[k] == code) return choices::kCountry[k];
    }
    return choices::kCountry[0];
}

void CountryToSwitches(std::wstring_view country, SwitchBits& bits) {
    int code = 0;
    for (std::size_t k = 0; k < std::size(kCountryCodes); ++k) {
        if (choices::kCountry[k] == country) {
            code = kCountryCodes[k];
            break;
        }
    }
    bits[0] = code & 1;
    bits[1] = (code >> 1) & 1;
    bits[2] = (code >> 2) & 1;
}

void CopyFormBlockFromRecord(const SettingsRecord& record, int form, FormBlockBuffer& buffer) {
    buffer.fill('\0');
    const std::size_t start = field::kFormBlock[static_cast<std::size_t>(form)];
    for (std::size_t i = 0; i < field::kFormBlockLength; ++i) {
        buffer[i] = static_cast<char>(record[start + i]);
    }
}

void CopyFormBlockToRecord(SettingsRecord& record, int form, const FormBlockBuffer& buffer) {
    const std::size_t start = field::kFormBlock[static_cast<std::size_t>(form)];
    for (std::size_t i = 0; i < field::kFormBlockLength; ++i) {
        record[start + i] = static_cast<std::uint8_t>(buffer[i]);
    }
}
