#include "kwctl/Common.h"

#include <cstdint>

#include "res/messages.h"
#include "settings/Utf8.h"

namespace kwctl {

// kwctl holds names as UTF-8 on Windows (its arguments, converted) and as the bytes given
// elsewhere.
FilePath SystemPath(const std::string& path) {
#ifdef _WIN32
    return FromUtf8(path);
#else
    return path;
#endif
}

std::optional<SettingsRecord> LoadSettings(const std::string& path, Output& output) {
    SettingsRecord record;
    if (ReadSettingsFile(SystemPath(path), record)) return record;
    output.Err(path + ": " + ToUtf8(messages::kNotSettingsFile) + "\n");
    return std::nullopt;
}

bool ReadSendLog(const std::string& path, const std::vector<std::string>* queues,
                 LastSends& last, bool& missing, Output& output) {
    const LogRead read = ReadLastSends(SystemPath(path), last, queues);
    missing = read.status == LogRead::Status::Missing;
    if (read.status == LogRead::Status::Unusable) {
        output.Err(path + ": the send log cannot be used: " + read.error + "\n");
        return false;
    }
    if (read.torn == 0) return true;
    std::string lines;
    for (std::size_t i = 0; i < read.tornLines.size(); ++i)
        lines += (i == 0 ? "" : ", ") + read.tornLines[i];
    if (read.torn > read.tornLines.size()) {
        lines += " and " + std::to_string(read.torn - read.tornLines.size()) + " more";
    }
    output.Err(path + ": " + lines + " of the send log " + (read.torn > 1 ? "are" : "is") +
               " cut off (a send that was stopped while it wrote it?) and skipped; its queue, "
               "where it can be read, counts as not finished\n");
    return true;
}

std::string JsonName(const std::string& name, Output& output) {
    if (IsValidUtf8(name)) return name;
    output.Err(name +
               ": the name is not UTF-8; in the JSON output each byte of it that is "
               "not becomes U+FFFD\n");
    return ToValidUtf8(name);
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : ", ") + word;
    return text;
}

std::string Pad(const std::string& utf8, std::size_t width) {
    std::size_t columns = 0;
    for (wchar_t c : FromUtf8(utf8)) {
        const auto u = static_cast<std::uint32_t>(c);
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6);
        if (sizeof(wchar_t) == 2 && u >= 0xDC00 && u < 0xE000) continue;  // second half
        columns += wide ? 2 : 1;
    }
    std::string padded = utf8;
    if (columns < width) {
        padded.append(width - columns, ' ');
    } else {
        padded += ' ';
    }
    return padded;
}

}  // namespace kwctl
