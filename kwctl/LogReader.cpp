#include "kwctl/LogReader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_set>
#include <utility>

#include "kwctl/InputFile.h"
#include "kwctl/Targets.h"

namespace kwctl {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kBlock = 1 << 20;
constexpr std::size_t kTornNamed = 5;  // torn lines named in a note; the rest are counted
constexpr char kTooLong[] = "not a log entry (longer than 64 KiB)";

void NoteTorn(LogRead& read, std::string where) {
    ++read.torn;
    if (read.tornLines.size() < kTornNamed) read.tornLines.push_back(std::move(where));
}

LogRead Refused(std::string error) {
    LogRead read;
    read.status = LogRead::Status::Unusable;
    read.error = std::move(error);
    return read;
}

// The position of the last '\n' of `text`, or npos; eight bytes at a time, as a log is read
// backwards in blocks of whole megabytes.
std::size_t LastNewline(std::string_view text) {
    constexpr std::uint64_t kNewlines = 0x0A0A0A0A0A0A0A0Aull;
    constexpr std::uint64_t kLow = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    std::size_t at = text.size();
    for (; at >= 8; at -= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at - 8, 8);
        const std::uint64_t x = word ^ kNewlines;  // a zero byte where a newline is
        if ((x - kLow) & ~x & kHigh) break;
    }
    while (at > 0) {
        if (text[--at] == '\n') return at;
    }
    return std::string_view::npos;
}

std::string LineName(std::uint64_t number) {
    return "line " + std::to_string(number);
}

// Splits a log's text into lines as it comes, piece by piece, and reads each. A line over the
// limit is bad unless no line but blank ones follows it.
class ForwardLines {
public:
    explicit ForwardLines(const std::function<void(LogEntry&&)>& each) : m_each(each) {}

    // False once the log is refused.
    bool Feed(std::string_view text) {
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            const std::string_view piece = text.substr(0, end);
            if (end != std::string_view::npos && m_partial.empty() && !m_over &&
                piece.size() <= kLogLineLimit) {
                if (!Line(piece)) return false;  // the common case: no copy
            } else {
                Take(piece);
                if (end == std::string_view::npos) return true;
                if (!EndLine()) return false;
            }
            text.remove_prefix(end + 1);
        }
        return true;
    }

    LogRead Finish() {
        if (m_read.status != LogRead::Status::Read) return std::move(m_read);
        if ((!m_partial.empty() || m_over) && !EndLine()) return std::move(m_read);
        if (m_longLine) m_torn.push_back(m_lastLine = m_longLine);
        for (const std::uint64_t number : m_torn)
            NoteTorn(m_read, number == m_lastLine ? "the last line" : LineName(number));
        return std::move(m_read);
    }

private:
    void Take(std::string_view piece) {
        if (m_over) return;
        if (m_partial.size() + piece.size() > kLogLineLimit) {
            m_over = true;
            m_partial.clear();
            m_partial.shrink_to_fit();
        } else {
            m_partial.append(piece);
        }
    }

    bool EndLine() {
        const bool ok = m_over ? LongLine() : Line(m_partial);
        m_partial.clear();
        m_over = false;
        return ok;
    }

    bool LongLine() {
        ++m_number;
        if (m_longLine) return Fail(LineName(m_longLine) + ": " + kTooLong);
        m_longLine = m_number;
        return true;
    }

    bool Line(std::string_view line) {
        ++m_number;
        if (m_number == 1 && line.starts_with(kBom)) line.remove_prefix(kBom.size());
        LogLine read = ReadLogLine(line);
        if (read.kind == LogLine::Kind::Blank) return true;
        if (m_longLine) return Fail(LineName(m_longLine) + ": " + kTooLong);
        switch (read.kind) {
            case LogLine::Kind::Bad:
                return Fail(LineName(m_number) + ": " + read.why);
            case LogLine::Kind::Torn:
                m_torn.push_back(m_number);
                m_lastLine = m_number;
                if (!read.entry.printer.empty()) m_each(std::move(read.entry));
                return true;
            default:
                m_lastLine = m_number;
                ++m_read.entries;
                m_each(std::move(read.entry));
                return true;
        }
    }

    bool Fail(std::string error) {
        m_read = Refused(std::move(error));
        return false;
    }

    const std::function<void(LogEntry&&)>& m_each;
    std::string m_partial;
    bool m_over = false;           // the line now being read is over the limit
    std::uint64_t m_number = 0;    // of the last line
    std::uint64_t m_longLine = 0;  // a line over the limit, fine only as the last one
    std::uint64_t m_lastLine = 0;  // the last line that is no blank one
    std::vector<std::uint64_t> m_torn;
    LogRead m_read;
};

// Reads the whole file at `path` through `take`, which is false once it wants no more. False,
// with the reason, when the file cannot be read.
template <class Take>
LogRead ReadFile(const FilePath& path, Take take, bool& missing) {
    missing = false;
    InputFile file(path);
    if (file.State() == InputFile::Status::Missing) {
        missing = true;
        return {};
    }
    if (file.State() == InputFile::Status::Refused) return Refused("cannot be read: " + file.Error());
    std::vector<char> buffer(kBlock);
    for (std::uint64_t at = 0;;) {
        std::size_t got = 0;
        if (!file.ReadAt(at, buffer.data(), buffer.size(), got)) {
            return Refused("cannot be read: " + file.Error());
        }
        if (got == 0 || !take(std::string_view(buffer.data(), got))) return {};
        at += got;
    }
}

}  // namespace

// Reads a log from its end backwards, a line at a time, into the slots of each queue's last
// send.
class LastSendsFromEnd {
public:
    LastSendsFromEnd(InputFile& file, LastSends& last, const std::vector<std::string>* queues)
        : m_file(file), m_last(last), m_all(queues == nullptr) {
        if (queues) {
            for (const std::string& name : *queues)
                m_wanted.insert(QueueKey(name));
        }
    }

    LogRead Read() {
        if (!m_all && m_wanted.empty()) return std::move(m_read);
        std::uint64_t size = 0;
        if (!m_file.Size(size, true)) return Refused("cannot be read: " + m_file.Error());
        std::vector<char> block(kBlock);
        std::string carry;  // the end of a line whose start is in an earlier block
        bool carryOver = false;
        for (std::uint64_t at = size; at > 0;) {
            const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, at));
            at -= length;
            if (!ReadWhole(at, block.data(), length)) return Refused(m_error);
            std::string_view rest(block.data(), length);
            for (std::size_t nl; (nl = LastNewline(rest)) != std::string_view::npos;) {
                std::string_view line = rest.substr(nl + 1);
                if (!carry.empty()) {
                    carry.insert(0, line);
                    line = carry;
                }
                const bool over = carryOver || line.size() > kLogLineLimit;
                if (!Line(line, at + nl + 1, over)) return Finish(false);
                carry.clear();
                carryOver = false;
                rest = rest.substr(0, nl);
            }
            if (carryOver) continue;
            if (carry.size() + rest.size() > kLogLineLimit) {
                carryOver = true;
                carry.clear();
            } else {
                carry.insert(0, rest);
            }
        }
        if ((size > 0) && !Line(carry, 0, carryOver)) return Finish(false);
        return Finish(true);
    }

private:
    // False when the read is over: every queue asked for is found, or the log is refused.
    bool Line(std::string_view line, std::uint64_t start, bool over) {
        if (m_first) {
            m_first = false;
            if (line.empty() && !over) return true;  // after the last newline: no line
        }
        ++m_fromEnd;
        m_atStart = start == 0;
        if (m_atStart && line.starts_with(kBom)) line.remove_prefix(kBom.size());
        const bool last = m_lastLine == 0;
        if (over) {
            if (!last) return Bad(start, kTooLong);
            m_torn.push_back(m_lastLine = m_fromEnd);
            return true;
        }
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) return true;
        if (last) m_lastLine = m_fromEnd;
        const std::optional<std::string> printer = LinePrinter(line);
        if (printer && !Needed(QueueKey(*printer), start)) return true;
        LogLine read = ReadLogLine(line);
        if (read.kind == LogLine::Kind::Bad) return Bad(start, read.why);
        if (read.kind == LogLine::Kind::Torn) m_torn.push_back(m_fromEnd);
        if (read.kind == LogLine::Kind::Entry) ++m_read.entries;
        if (read.entry.printer.empty()) return true;
        const std::string key = QueueKey(read.entry.printer);
        if (!printer && !Needed(key, start)) return true;
        if (!Facts(read.entry.outcome).isSend) return true;
        LastSends::Queue& slot = m_last.Slot(key);
        slot.sends.push_back(std::move(read.entry));  // each one earlier than those before
        slot.first = start;
        if (m_last.Full(slot)) m_wanted.erase(key);
        return m_all || !m_wanted.empty();
    }

    // Whether the line at `start` of the queue `key` may be one of the last sends wanted.
    bool Needed(const std::string& key, std::uint64_t start) {
        if (!m_all) return m_wanted.count(key) != 0;
        LastSends::Queue& slot = m_last.Slot(key);
        slot.first = start;  // each line read is earlier than the ones before
        return !m_last.Full(slot);
    }

    bool Bad(std::uint64_t start, std::string_view why) {
        m_error = "line " + std::to_string(LinesBefore(start) + 1) + ": " + std::string(why);
        return false;
    }

    // The lines that end before `offset`: only for naming a bad line.
    std::uint64_t LinesBefore(std::uint64_t offset) {
        std::vector<char> block(kBlock);
        std::uint64_t lines = 0;
        for (std::uint64_t at = 0; at < offset;) {
            const std::size_t length =
                static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, offset - at));
            if (!ReadWhole(at, block.data(), length)) break;
            lines += static_cast<std::uint64_t>(std::count(block.data(), block.data() + length, '\n'));
            at += length;
        }
        return lines;
    }

    bool ReadWhole(std::uint64_t at, char* data, std::size_t length) {
        while (length > 0) {
            std::size_t got = 0;
            if (!m_file.ReadAt(at, data, length, got)) {
                m_error = "cannot be read: " + m_file.Error();
                return false;
            }
            if (got == 0) {
                m_error = "cannot be read: it became shorter while it was read";
                return false;
            }
            at += got;
            data += got;
            length -= got;
        }
        return true;
    }

    // `whole`: the read came to the log's first line, so torn lines get their numbers.
    LogRead Finish(bool whole) {
        if (!m_error.empty()) return Refused(std::move(m_error));
        whole = whole || m_atStart;
        for (const std::uint64_t fromEnd : m_torn) {
            NoteTorn(m_read, fromEnd == m_lastLine ? "the last line"
                             : whole               ? LineName(m_fromEnd - fromEnd + 1)
                                                   : LineName(fromEnd) + " from the end");
        }
        return std::move(m_read);
    }

    InputFile& m_file;
    LastSends& m_last;
    const bool m_all;
    std::unordered_set<std::string> m_wanted;  // the queues asked for whose last send is not found
    bool m_first = true;                       // the next line is the last of the file
    std::uint64_t m_lastLine = 0;              // the last line that is no blank one, from the end
    std::uint64_t m_fromEnd = 0;               // the lines read, counted from the end
    bool m_atStart = false;                    // the last line read is the log's first
    std::vector<std::uint64_t> m_torn;         // torn lines, counted from the end
    std::string m_error;
    LogRead m_read;
};

LogRead ParseLog(std::string_view text, const std::function<void(LogEntry&&)>& each) {
    ForwardLines lines(each);
    lines.Feed(text);
    return lines.Finish();
}

LogRead ReadLog(const FilePath& path, const std::function<void(LogEntry&&)>& each) {
    ForwardLines lines(each);
    bool missing = false;
    LogRead read = ReadFile(path, [&](std::string_view piece) { return lines.Feed(piece); }, missing);
    if (missing) read.status = LogRead::Status::Missing;
    if (missing || read.status == LogRead::Status::Unusable) return read;
    return lines.Finish();
}

LastSends::Queue& LastSends::Slot(const std::string& key) {
    auto [at, added] = m_byKey.try_emplace(key, m_queues.size());
    if (added) m_queues.emplace_back();
    return m_queues[at->second];
}

void LastSends::Add(LogEntry entry) {
    Queue& queue = Slot(QueueKey(entry.printer));
    if (queue.first == 0) queue.first = ++m_added;
    if (!Facts(entry.outcome).isSend) return;
    queue.sends.insert(queue.sends.begin(), std::move(entry));
    if (queue.sends.size() > m_depth) queue.sends.pop_back();
}

const LogEntry* LastSends::Find(std::string_view printer) const {
    const std::span<const LogEntry> sends = Sends(printer);
    return sends.empty() ? nullptr : &sends.front();
}

std::span<const LogEntry> LastSends::Sends(std::string_view printer) const {
    const auto at = m_byKey.find(QueueKey(printer));
    if (at == m_byKey.end()) return {};
    return m_queues[at->second].sends;
}

std::vector<const LogEntry*> LastSends::All() const {
    std::vector<const Queue*> found;
    for (const Queue& q : m_queues) {
        if (!q.sends.empty()) found.push_back(&q);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Queue* a, const Queue* b) { return a->first < b->first; });
    std::vector<const LogEntry*> all;
    for (const Queue* q : found)
        all.push_back(&q->sends.front());
    return all;
}

LogRead ReadLastSends(const FilePath& path, LastSends& last,
                      const std::vector<std::string>* queues) {
    InputFile file(path);
    if (file.State() == InputFile::Status::Missing) {
        LogRead missing;
        missing.status = LogRead::Status::Missing;
        return missing;
    }
    if (file.State() == InputFile::Status::Refused) return Refused("cannot be read: " + file.Error());
    return LastSendsFromEnd(file, last, queues).Read();
}

}  // namespace kwctl
