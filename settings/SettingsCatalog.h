// Every setting that a page or the form dialog can change, as one table: where it lives in the
// record, what the program calls it and its choices, and how a value given by name is read and
// written. Tools outside the program (kwctl) read and change records through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Fields.h"
#include "settings/SettingsRecord.h"

namespace catalog {

enum class Kind {
    Option,         // option digit: one of the choices' codes '0'..'9'
    Flag,           // flag digit '0' or '1'
    Switch,         // one bit of a switch byte
    Country,        // MSW1-1..3: a 3-bit code in bits 7, 6 and 5 of MSW1
    FormNumber,     // a two- or three-digit number of a form block
    CarriedDigit,   // offset 2: no page shows it; read only
    CarriedSwitch,  // a switch on no page; read only
};

struct Choice {
    std::wstring_view text;  // the program's text, without its mnemonic
    std::string_view alias;  // ASCII, compared without regard to case
    std::string_view code;   // the digit, the bit or the country code
};

struct Setting {
    std::string_view key;
    std::wstring_view page;       // tab text
    std::wstring_view name;       // the setting's label, without its mnemonic
    std::string_view switchName;  // "MSW2-7"; empty when the setting is no switch
    Kind kind;
    std::size_t offset;     // record offset; for form numbers, of the first digit
    std::uint8_t mask = 0;  // Switch, CarriedSwitch: the bit; Country: the three bits
    std::size_t width = 1;  // FormNumber: 2 or 3 digits
    std::span<const Choice> choices{};
    int form = -1;                                // FormNumber: 0..3
    FormField formField = FormField::PageLength;  // FormNumber: which number of the block
    int lower = 0;                                // FormNumber: range
    int upper = 0;
    bool fixed = false;  // the margins of "書式０": always shown as `fixedValue`, never written
    int fixedValue = 0;

    // On no page: kept as they are, read but never set.
    bool Carried() const { return kind == Kind::CarriedDigit || kind == Kind::CarriedSwitch; }
    bool Settable() const { return !fixed && !Carried(); }
    // The bits of the record byte at `offset` that the setting holds: its mask, or the whole
    // byte of a digit.
    constexpr std::uint8_t BitsAt(std::size_t at) const {
        if (mask) return at == offset ? mask : 0;
        return at >= offset && at < offset + width ? 0xFF : 0;
    }
};

// Every row, in the order of the pages (function selection, the four forms, MSW1 to MSW4,
// hardware) and of the settings on each.
std::span<const Setting> Settings();
const Setting* Find(std::string_view key);
const Setting* FindFormNumber(int form, FormField field);

// The value of a setting in a record, read as the program's pages read it.
struct Reading {
    std::wstring text;                // what the program shows; for numbers, the number
    std::string alias;                // empty for numbers and carried values
    std::string code;                 // the code, bit or number as held
    std::string raw;                  // the record bytes of the field, as text ("0x31", "046")
    std::optional<std::string> note;  // a repair on loading, or a field that is not a number
};
Reading Read(const Setting& setting, const SettingsRecord& record);

// One change asked for as KEY=VALUE. The value may be the program's text, the alias or the code
// (for numbers: the decimal number).
struct Assignment {
    std::string key;
    std::string value;  // UTF-8
};

// Applies every assignment, or none: on the first refusal the record is left as it was and the
// message says why, naming the valid keys or values. Only the bytes of the settings assigned
// change. A form's margins must leave the left one smaller than the right one, as the form
// dialog requires.
struct ApplyResult {
    bool ok = true;
    std::string message;
};
ApplyResult Apply(SettingsRecord& record, std::span<const Assignment> assignments);

// Splits "KEY=VALUE" at its first '='; nothing when there is none or the key is empty.
std::optional<Assignment> ParseAssignment(std::string_view text);

// The bits of the record byte at `offset` that a setting on a page or in the form dialog reads
// (0xFF for digits and form blocks; none for separators, the trailer or carried values).
std::uint8_t ShownBits(std::size_t offset);

// A record byte as the catalogue shows it: "0x3C".
std::string Hex(std::uint8_t byte);

// The 180 bytes of a record as 360 lower-case hex digits, and back (either case); nothing when
// the text is not that.
std::string RecordHex(const SettingsRecord& record);
std::optional<SettingsRecord> RecordFromHex(std::string_view hex);

// What the byte at `offset` is, for bytes and bits that no page shows: "separator",
// "terminator", "trailer", "command", "carried digit", "carried MSW3-2, MSW3-5" ...
std::string ByteRole(std::size_t offset, std::uint8_t bits);

}  // namespace catalog
