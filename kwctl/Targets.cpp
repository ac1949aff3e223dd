#include "kwctl/Targets.h"

#include <cstdint>
#include <cstdio>
#include <unordered_set>
#include <utility>

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

}  // namespace

std::string QueueKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

TargetList ParseTargets(std::string_view text) {
    TargetList list;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::unordered_set<std::string> seen;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const char* fault = !IsValidUtf8(line)                          ? "not valid UTF-8"
                            : line.find('\0') != std::string_view::npos ? "holds a NUL character"
                                                                        : nullptr;
        if (fault) {
            TargetList refused;
            refused.error = "line " + std::to_string(lineNumber) + ": " + fault;
            return refused;
        }
        const std::string_view name = Trimmed(line);
        if (name.empty() || name.front() == '#') continue;
        if (seen.insert(QueueKey(name)).second) list.names.emplace_back(name);
    }
    list.ok = true;
    return list;
}

TargetList ReadTargets(const FilePath& path) {
#ifdef _WIN32
    std::FILE* file = ::_wfopen(path.c_str(), L"rb");
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
    TargetList refused;
    if (!file) {
        refused.error = "cannot be read";
        return refused;
    }
    std::string text;
    char buffer[16384];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        refused.error = "cannot be read";
        return refused;
    }
    return ParseTargets(text);
}

}  // namespace kwctl
