#include "kwctl/Targets.h"

#include <cstdint>
#include <unordered_set>
#include <utility>

#include "kwctl/InputFile.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

// Reads a list as it comes, piece by piece; holds no more than one line of it besides the
// names.
class ListReader {
public:
    // False once the list is refused.
    bool Feed(std::string_view text) {
        if ((m_size += text.size()) > kTargetsLimit) return Refuse("the list is over 16 MiB");
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            const std::string_view piece = text.substr(0, end);
            if (piece.find('\0') != std::string_view::npos) {
                return Refuse("line " + std::to_string(m_line + 1) + ": holds a NUL character");
            }
            if (m_partial.size() + piece.size() > kTargetLineLimit) {
                return Refuse("line " + std::to_string(m_line + 1) + ": longer than 64 KiB");
            }
            m_partial.append(piece);
            if (end == std::string_view::npos) return true;
            if (!Line()) return false;
            text.remove_prefix(end + 1);
        }
        return true;
    }

    TargetList Finish() {
        if (m_list.error.empty() && !m_partial.empty()) Line();
        m_list.ok = m_list.error.empty();
        if (!m_list.ok) m_list.names.clear();
        return std::move(m_list);
    }

private:
    bool Line() {
        ++m_line;
        std::string_view line = m_partial;
        if (m_line == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        if (!IsValidUtf8(line)) return Refuse("line " + std::to_string(m_line) + ": not valid UTF-8");
        const std::string_view name = Trimmed(line);
        if (!name.empty() && name.front() != '#' && m_seen.insert(QueueKey(name)).second) {
            m_list.names.emplace_back(name);
        }
        m_partial.clear();
        return true;
    }

    bool Refuse(std::string error) {
        if (m_list.error.empty()) m_list.error = std::move(error);
        return false;
    }

    TargetList m_list;
    std::unordered_set<std::string> m_seen;
    std::string m_partial;
    std::size_t m_line = 0;
    std::size_t m_size = 0;
};

}  // namespace

std::string QueueKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::vector<std::string> EachQueueOnce(const std::vector<std::string>& names) {
    std::unordered_set<std::string> seen;
    std::vector<std::string> once;
    for (const std::string& name : names) {
        if (seen.insert(QueueKey(name)).second) once.push_back(name);
    }
    return once;
}

TargetList ParseTargets(std::string_view text) {
    ListReader reader;
    reader.Feed(text);
    return reader.Finish();
}

TargetList ReadTargets(const FilePath& path) {
    ListReader reader;
    InputFile file(path);
    if (file.State() != InputFile::Status::Open) {
        TargetList refused;
        refused.error = "cannot be read: " +
                        (file.State() == InputFile::Status::Missing ? "no such file" : file.Error());
        return refused;
    }
    std::string buffer(1 << 16, '\0');
    for (std::uint64_t at = 0;;) {
        std::size_t got = 0;
        if (!file.ReadAt(at, buffer.data(), buffer.size(), got)) {
            TargetList refused;
            refused.error = "cannot be read: " + file.Error();
            return refused;
        }
        if (got == 0 || !reader.Feed(std::string_view(buffer.data(), got))) break;
        at += got;
    }
    return reader.Finish();
}

}  // namespace kwctl
