// Reading the send log back: every entry in order, or each queue's last send read from the end,
// in bounded memory whatever the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kwctl/LogEntry.h"
#include "settings/SettingsFileIo.h"

namespace kwctl {

// A line longer than this is no entry (an entry is under 1 KiB): at the end of the log a torn
// line, elsewhere a bad one. No more of a line than this is held.
inline constexpr std::size_t kLogLineLimit = 64 * 1024;

struct LogRead {
    enum class Status {
        Read,      // the log was read (torn lines may have been skipped)
        Missing,   // there is no log, in a folder that exists: no queue was ever sent to
        Unusable,  // a line that was read is no entry, or the file cannot be read
    };
    Status status = Status::Read;
    std::string error;                   // Unusable: which line and why
    std::size_t entries = 0;             // entries read
    std::size_t torn = 0;                // torn lines skipped
    std::vector<std::string> tornLines;  // the first of them: "line 7", "line 2 from the end"
};

// Reads a log's text, handing each entry to `each` in order. A torn line whose queue can be
// read comes as an entry of that queue with the outcome Unknown.
LogRead ParseLog(std::string_view text, const std::function<void(LogEntry&&)>& each);

// The same for the log at `path`, read in pieces.
LogRead ReadLog(const FilePath& path, const std::function<void(LogEntry&&)>& each);

// The last sends to each queue (dry runs are no sends): its last one, or as many as `depth`.
// Queue names are compared as QueueKey does.
class LastSends {
public:
    explicit LastSends(std::size_t depth = 1) : m_depth(depth < 1 ? 1 : depth) {}

    // A send later than every one added before.
    void Add(LogEntry entry);
    const LogEntry* Find(std::string_view printer) const;
    // The queue's sends that are kept, its last first; none when it was never sent to.
    std::span<const LogEntry> Sends(std::string_view printer) const;
    // Every queue's last send, in the order of the queues' first lines.
    std::vector<const LogEntry*> All() const;

private:
    friend class LastSendsFromEnd;
    struct Queue {
        std::vector<LogEntry> sends;  // its last first
        std::uint64_t first = 0;      // where its first line is: a line number or an offset
    };
    Queue& Slot(const std::string& key);
    bool Full(const Queue& queue) const { return queue.sends.size() >= m_depth; }

    std::size_t m_depth;
    std::vector<Queue> m_queues;
    std::unordered_map<std::string, std::size_t> m_byKey;
    std::uint64_t m_added = 0;
};

// Reads each queue's last sends (as many as `last` keeps) from the log at `path`, from its end
// backwards: of `queues` only, stopping as soon as each of them has them, or of every queue
// (`queues` null), reading the whole log. Only the lines that tell a last send are read whole: a line of a queue that
// is not asked for, or whose last send came later, is not looked into. Appends under way are
// waited for; later ones are not read.
LogRead ReadLastSends(const FilePath& path, LastSends& last,
                      const std::vector<std::string>* queues = nullptr);

}  // namespace kwctl
