// The rows of kwctl's commands, each defined beside its command's code, and what the commands
// share. Paths and values are UTF-8 on Windows and the bytes given elsewhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "kwctl/Command.h"
#include "kwctl/SendLog.h"
#include "settings/SettingsFileIo.h"
#include "settings/SettingsRecord.h"

namespace kwctl {

extern const Command kShowCommand;
extern const Command kDiffCommand;
extern const Command kNewCommand;
extern const Command kSetCommand;
extern const Command kKeysCommand;
extern const Command kLogCommand;
extern const Command kPlanCommand;
#ifdef _WIN32
extern const Command kPrintersCommand;
extern const Command kSendCommand;
#endif

// A name as the system takes it: UTF-16 on Windows, the bytes given elsewhere.
FilePath SystemPath(const std::string& path);

// The record of a settings file, or nothing, after the program's own message on the errors.
std::optional<SettingsRecord> LoadSettings(const std::string& path, Output& output);

// A name as JSON holds it, which is UTF-8 only: a name that is not (possible outside Windows) is
// given with U+FFFD in place of each byte that is not, and stderr says so.
std::string JsonName(const std::string& name, Output& output);

// Text padded with spaces to `width` columns of a terminal, where East Asian wide characters
// take two columns.
std::string Pad(const std::string& utf8, std::size_t width);

// The queues that send and plan work on: named, listed in a targets file, or (on Windows) every
// usable queue of the model.
struct QueueChoice {
    std::vector<std::string> printers;
    std::string targets;
    bool all = false;
};

// Declares --printer, --targets and, on Windows, --all: exactly one of them.
void DeclareQueueChoice(Arguments& arguments, QueueChoice& choice, std::string_view help);

// The names of --printer, or else of the targets file; false after the message when the file
// cannot be used or names no queue.
bool ChosenNames(const QueueChoice& choice, std::vector<std::string>& names, Output& output);

// Reads the send log at `path` into each queue's last send. A log that is not there yet is
// empty; a torn last line is skipped with a note on stderr. False after the message when a line
// other than the last is no entry or the log cannot be read.
bool ReadSendLog(const std::string& path, LastSends& last, Output& output);

#ifdef _WIN32
// A queue of the model that --all leaves out, and why.
struct SkippedQueue {
    std::string printer;
    std::string reason;
};

// --all: every usable queue of the model, in the order discovery lists them; `skipped` gets
// the others.
std::vector<std::string> UsableQueues(Environment& env, std::vector<SkippedQueue>& skipped);
#endif

}  // namespace kwctl
