// What kwctl's commands share: names as the system takes them, the settings file, the send log,
// and text for a terminal or JSON. Paths and values are UTF-8 on Windows and the bytes given
// elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "kwctl/Environment.h"
#include "kwctl/LogReader.h"
#include "settings/SettingsFileIo.h"
#include "settings/SettingsRecord.h"

namespace kwctl {

// A name as the system takes it: UTF-16 on Windows, the bytes given elsewhere.
FilePath SystemPath(const std::string& path);

// The record of a settings file, or nothing, after the program's own message on the errors.
std::optional<SettingsRecord> LoadSettings(const std::string& path, Output& output);

// Each queue's last send from the send log at `path`: of `queues`, or of every queue when null.
// False after the message when the log cannot be used. A log that is not there, in a folder that
// is, holds no send (`missing`); a missing folder or an unreachable share is an error. Torn
// lines get a note on stderr.
bool ReadSendLog(const std::string& path, const std::vector<std::string>* queues,
                 LastSends& last, bool& missing, Output& output);

// A name as JSON holds it, which is UTF-8 only: a name that is not (possible outside Windows) is
// given with U+FFFD in place of each byte that is not, and stderr says so.
std::string JsonName(const std::string& name, Output& output);

// "a, b, c".
std::string Joined(const std::vector<std::string>& words);

// Text padded with spaces to `width` columns of a terminal, where East Asian wide characters
// take two columns.
std::string Pad(const std::string& utf8, std::size_t width);

}  // namespace kwctl
