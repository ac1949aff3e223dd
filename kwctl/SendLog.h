// The send log: one JSON line per queue per send, appended to one file by any number of kwctl
// processes at once, and read back to tell each queue's last send.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/SettingsFileIo.h"
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
    std::string outcome;                // printed, done, held, failed, sent, refused, dry-run
    std::optional<std::string> reason;  // why, in words
};

// An entry for a send of `record` from `file` to `printer` now, by this user on this computer.
LogEntry MakeLogEntry(const SettingsRecord& record, std::string printer, std::string file,
                      std::optional<std::uint32_t> job, std::string outcome,
                      std::optional<std::string> reason);

// Whether a send that ended so got the record to the printer or at least into its queue
// (printed, done, sent): the queue needs it no more.
bool SendFinished(std::string_view outcome);

// The entry as one line, its newline included. Text that is not valid UTF-8 (a native file name
// may be any bytes) is written with U+FFFD in its place.
std::string FormatLogLine(const LogEntry& entry);

// The entry of one line (without its newline); nothing when the line is no entry: not JSON, a
// field missing or of the wrong kind, a hash or record that is not hex of its length, an
// unknown outcome. Keys that a later version adds are ignored.
std::optional<LogEntry> ParseLogLine(std::string_view line);

// "2026-12-08T17:42:10Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// Appends lines to a log, creating it when needed. Each line goes to the file whole, in one
// write, to its end as the system finds it at that moment, so lines that several processes
// append at once never mix; none is buffered in the process. Not for use by two threads at
// once.
class LogAppender {
public:
    explicit LogAppender(const FilePath& path);
    ~LogAppender();
    LogAppender(const LogAppender&) = delete;
    LogAppender& operator=(const LogAppender&) = delete;

    // False, with the reason in Error(), when the log could not be opened or the line was not
    // written whole.
    bool Ok() const { return m_error.empty(); }
    bool Append(const LogEntry& entry);
    const std::string& Error() const { return m_error; }

private:
    bool AppendText(const std::string& text);

#ifdef _WIN32
    void* m_file = nullptr;
#else
    int m_file = -1;
#endif
    bool m_startOnNewLine = false;  // the log ends in a torn line; it is left on a line of its own
    std::string m_error;
};

// The last send to each queue (dry runs are no sends), found in append order. Queue names are
// compared as QueueKey does.
class LastSends {
public:
    void Add(LogEntry entry);
    const LogEntry* Find(std::string_view printer) const;
    // Every queue's last send, in the order of the queues' first lines.
    std::vector<const LogEntry*> All() const;

private:
    std::vector<LogEntry> m_entries;
    std::unordered_map<std::string, std::size_t> m_byKey;
};

struct LogRead {
    enum class Status {
        Read,      // the log was read (a torn last line may have been skipped)
        Missing,   // there is no log yet: no queue was ever sent to
        Unusable,  // a line other than the last is no entry, or the file cannot be read
    };
    Status status = Status::Read;
    bool tornLastLine = false;  // the last line was cut off or is no entry, and was skipped
    std::string error;          // Unusable: which line and why
    std::size_t lines = 0;      // entries read
};

// Reads a log's text, handing each entry to `each` in order.
LogRead ParseLog(std::string_view text, const std::function<void(LogEntry&&)>& each);

// Reads the log at `path` in pieces, handing each entry to `each` in order.
LogRead ReadLog(const FilePath& path, const std::function<void(LogEntry&&)>& each);

// Reads the log at `path` into each queue's last send.
LogRead ReadLastSends(const FilePath& path, LastSends& last);

}  // namespace kwctl
