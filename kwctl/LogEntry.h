// One line of the send log: what it holds, how it is written, and what a line read back is.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kwctl/Outcome.h"
#include "settings/SettingsRecord.h"

namespace kwctl {

// One line of the log. Its JSON keys are these names, in this order.
struct LogEntry {
    std::string time;                   // UTC, ISO 8601: "2026-12-08T17:42:10Z"
    std::string user;                   // who sent
    std::string computer;               // from where
    std::string printer;                // the queue name as given, with the server for a connection
    std::string file;                   // the settings file's full path
    std::string sha256;                 // of the 180 record bytes, 64 lowercase hex digits
    std::string record;                 // the 180 record bytes, 360 lowercase hex digits
    std::optional<std::uint32_t> job;   // the spooler's job id
    Outcome outcome = Outcome::Unknown;  // one that is logged
    std::optional<std::string> reason;  // why, in words
};

// An entry for a send of `record` from `file` to `printer` now, by this user on this computer.
LogEntry MakeLogEntry(const SettingsRecord& record, std::string printer, std::string file,
                      std::optional<std::uint32_t> job, Outcome outcome,
                      std::optional<std::string> reason);

// The entry as one line, its newline included. Text that is not valid UTF-8 (a native file name
// may be any bytes) is written with U+FFFD in its place.
std::string FormatLogLine(const LogEntry& entry);

// What a line of a log is. A line that the writer began and did not finish (it was stopped, or
// a crash left zeros where its bytes were to be) is torn; anything else that is no entry is bad.
struct LogLine {
    enum class Kind { Blank, Entry, Torn, Bad };
    Kind kind = Kind::Bad;
    // Entry: the entry. Torn: what it holds of the entry; its printer is empty when the line
    // was cut off before it.
    LogEntry entry;
    std::string why;  // Bad: why it is no entry
};

// Reads one line (without its newline; a CR before it is dropped). An entry has every key with a
// value of its kind, each key once, nothing after its object, a known outcome, and a record whose
// SHA-256 is its sha256. Keys that a later version adds are ignored.
LogLine ReadLogLine(std::string_view line);

// The entry of one line, or nothing when the line is no entry.
std::optional<LogEntry> ParseLogLine(std::string_view line);

// The queue that a line names, found without reading the rest of the line; nothing when it is
// not found so. Says nothing of whether the line is an entry.
std::optional<std::string> LinePrinter(std::string_view line);

// "2026-12-08T17:42:10Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// The seconds since 1970 that such a time names; nothing for any other text.
std::optional<std::int64_t> UtcSeconds(std::string_view timestamp);

}  // namespace kwctl
