// The rows of kwctl's commands, each defined beside its command's code, and what the commands
// share. Paths and values are UTF-8 on Windows and the bytes given elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "kwctl/Command.h"
#include "settings/SettingsRecord.h"

namespace kwctl {

extern const Command kShowCommand;
extern const Command kDiffCommand;
extern const Command kNewCommand;
extern const Command kSetCommand;
extern const Command kKeysCommand;
#ifdef _WIN32
extern const Command kPrintersCommand;
extern const Command kSendCommand;
#endif

// The record of a settings file, or nothing, after the program's own message on the errors.
std::optional<SettingsRecord> LoadSettings(const std::string& path, Output& output);

// A name as JSON holds it, which is UTF-8 only: a name that is not (possible outside Windows) is
// given with U+FFFD in place of each byte that is not, and stderr says so.
std::string JsonName(const std::string& name, Output& output);

// Text padded with spaces to `width` columns of a terminal, where East Asian wide characters
// take two columns.
std::string Pad(const std::string& utf8, std::size_t width);

}  // namespace kwctl
