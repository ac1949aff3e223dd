#include "kwctl/SendLog.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <iterator>
#include <map>
#include <span>
#include <type_traits>
#include <utility>

#include <nlohmann/json.hpp>

#include "kwctl/Sha256.h"
#include "kwctl/Targets.h"
#include "settings/SettingsCatalog.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kOutcomes[] = {"printed", "done",    "held",   "failed",
                                          "sent",    "refused", "dry-run"};

bool IsLowerHex(std::string_view text, std::size_t length) {
    if (text.size() != length) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

#ifdef _WIN32

std::string UserName() {
    wchar_t name[257];
    DWORD size = 257;
    return ::GetUserNameW(name, &size) ? ToUtf8(name) : std::string();
}

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? ToUtf8(name) : std::string();
}

#else

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        return found->pw_name;
    }
    return std::to_string(::geteuid());
}

std::string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) return {};
    return name;
}

#endif

// Splits a log's text into lines and entries as it comes, piece by piece. A line that is no
// entry is an error unless it turns out to be the last one.
class LogLines {
public:
    explicit LogLines(const std::function<void(LogEntry&&)>& each) : m_each(each) {}

    bool Feed(std::string_view text) {
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            if (end == std::string_view::npos) {
                m_partial.append(text);
                return true;
            }
            if (m_partial.empty()) {
                if (!Line(text.substr(0, end))) return false;
            } else {
                m_partial.append(text.substr(0, end));
                const bool ok = Line(m_partial);
                m_partial.clear();
                if (!ok) return false;
            }
            text.remove_prefix(end + 1);
        }
        return true;
    }

    LogRead Finish() {
        // A last line without its newline was cut off while it was written.
        if (m_result.status == LogRead::Status::Read && !Blank(m_partial)) {
            ++m_number;
            if (!CheckNoBadLine()) return m_result;
            m_result.tornLastLine = true;
        }
        if (m_result.status == LogRead::Status::Read && m_badLine) m_result.tornLastLine = true;
        return m_result;
    }

    LogRead Fail(std::string error) {
        m_result.status = LogRead::Status::Unusable;
        m_result.error = std::move(error);
        return m_result;
    }

private:
    static bool Blank(std::string_view line) {
        return line.find_first_not_of(" \t\r") == std::string_view::npos;
    }

    bool CheckNoBadLine() {
        if (!m_badLine) return true;
        m_result.status = LogRead::Status::Unusable;
        m_result.error = "line " + std::to_string(m_badLine) + ": not a log entry";
        return false;
    }

    bool Line(std::string_view line) {
        ++m_number;
        if (Blank(line)) return true;
        if (!CheckNoBadLine()) return false;
        std::optional<LogEntry> entry = ParseLogLine(line);
        if (!entry) {
            m_badLine = m_number;
            return true;
        }
        ++m_result.lines;
        m_each(std::move(*entry));
        return true;
    }

    const std::function<void(LogEntry&&)>& m_each;
    std::string m_partial;
    std::size_t m_number = 0;
    std::size_t m_badLine = 0;  // a line that is no entry, fine only as the last one
    LogRead m_result;
};

}  // namespace

LogEntry MakeLogEntry(const SettingsRecord& record, std::string printer, std::string file,
                      std::optional<std::uint32_t> job, std::string outcome,
                      std::optional<std::string> reason) {
    static const std::string user = UserName();
    static const std::string computer = ComputerName();
    LogEntry entry;
    entry.time = UtcTimestamp(std::chrono::system_clock::now());
    entry.user = user;
    entry.computer = computer;
    entry.printer = std::move(printer);
    entry.file = std::move(file);
    entry.sha256 = Sha256Hex(std::span<const std::uint8_t>(record.data(), record.size()));
    entry.record = catalog::RecordHex(record);
    entry.job = job;
    entry.outcome = std::move(outcome);
    entry.reason = std::move(reason);
    return entry;
}

bool SendFinished(std::string_view outcome) {
    return outcome == "printed" || outcome == "done" || outcome == "sent";
}

std::string FormatLogLine(const LogEntry& e) {
    Json j;
    j["time"] = e.time;
    j["user"] = e.user;
    j["computer"] = e.computer;
    j["printer"] = e.printer;
    j["file"] = e.file;
    j["sha256"] = e.sha256;
    j["record"] = e.record;
    j["job"] = e.job ? Json(*e.job) : Json(nullptr);
    j["outcome"] = e.outcome;
    j["reason"] = e.reason ? Json(*e.reason) : Json(nullptr);
    return j.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<LogEntry> ParseLogLine(std::string_view line) {
    nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
    if (!j.is_object()) return std::nullopt;
    LogEntry e;
    const auto text = [&](const char* key, std::string& into) {
        const auto it = j.find(key);
        if (it == j.end() || !it->is_string()) return false;
        into = std::move(it->get_ref<std::string&>());
        return true;
    };
    if (!text("time", e.time) || !text("user", e.user) || !text("computer", e.computer) ||
        !text("printer", e.printer) || !text("file", e.file) || !text("sha256", e.sha256) ||
        !text("record", e.record) || !text("outcome", e.outcome)) {
        return std::nullopt;
    }
    if (!IsLowerHex(e.sha256, 64) || !IsLowerHex(e.record, 2 * SettingsRecord::kSize)) {
        return std::nullopt;
    }
    if (std::find(std::begin(kOutcomes), std::end(kOutcomes), e.outcome) == std::end(kOutcomes)) {
        return std::nullopt;
    }
    const auto job = j.find("job");
    if (job == j.end()) return std::nullopt;
    if (job->is_number_unsigned() && job->get<std::uint64_t>() <= UINT32_MAX) {
        e.job = static_cast<std::uint32_t>(job->get<std::uint64_t>());
    } else if (!job->is_null()) {
        return std::nullopt;
    }
    const auto reason = j.find("reason");
    if (reason == j.end()) return std::nullopt;
    if (reason->is_string()) {
        e.reason = std::move(reason->get_ref<std::string&>());
    } else if (!reason->is_null()) {
        return std::nullopt;
    }
    return e;
}

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
#ifdef _WIN32
    ::gmtime_s(&utc, &seconds);
#else
    ::gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

#ifdef _WIN32

LogAppender::LogAppender(const FilePath& path) {
    // Without FILE_WRITE_DATA every write goes to the end of the file as it is at that moment.
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = ::CreateFileW(
        path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        kShare, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A log that may be appended to but not read: no look at its end.
        file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, kShare, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        m_error = "cannot be opened for appending (error " + std::to_string(::GetLastError()) + ")";
        return;
    }
    m_file = file;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart == 0) return;
    OVERLAPPED at{};
    const ULONGLONG last = static_cast<ULONGLONG>(size.QuadPart) - 1;
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char byte = 0;
    DWORD got = 0;
    if (::ReadFile(file, &byte, 1, &got, &at) && got == 1 && byte != '\n') {
        m_startOnNewLine = true;
    }
}

LogAppender::~LogAppender() {
    if (m_file) ::CloseHandle(m_file);
}

bool LogAppender::AppendText(const std::string& text) {
    // Windows puts each write through a handle without FILE_WRITE_DATA at the end as one piece.
    // Wine 8 finds the end and then writes, so two processes can write over each other's lines;
    // a lock on one byte far past the end of any log makes the appends of all kwctl processes
    // take turns. Where no lock can be had (no read access) the write goes on without one.
    OVERLAPPED lockAt{};
    lockAt.OffsetHigh = 0x7FFFFFFF;
    const bool locked = ::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt);
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    const DWORD error = ::GetLastError();
    if (locked) ::UnlockFileEx(m_file, 0, 1, 0, &lockAt);
    if (!ok || written != text.size()) {
        m_error = "the line was not written whole (error " + std::to_string(error) + ")";
        return false;
    }
    return true;
}

#else

LogAppender::LogAppender(const FilePath& path) {
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC;
    int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
    // A log that may be appended to but not read: no look at its end.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
    if (fd < 0) {
        m_error = std::string("cannot be opened for appending: ") + std::strerror(errno);
        return;
    }
    m_file = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        m_error = "is not a regular file";
        return;
    }
    char byte = 0;
    if (info.st_size > 0 && ::pread(fd, &byte, 1, info.st_size - 1) == 1 && byte != '\n') {
        m_startOnNewLine = true;
    }
}

LogAppender::~LogAppender() {
    if (m_file >= 0) ::close(m_file);
}

bool LogAppender::AppendText(const std::string& text) {
    ssize_t written = 0;
    do {
        written = ::write(m_file, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(text.size())) {
        m_error = written < 0 ? std::string("the line was not written: ") + std::strerror(errno)
                              : std::string("the line was not written whole");
        return false;
    }
    return true;
}

#endif

bool LogAppender::Append(const LogEntry& entry) {
    if (!Ok()) return false;
    // A line cut off by a writer that stopped keeps to itself, and this one stays whole.
    std::string text;
    if (m_startOnNewLine) text = "\n";
    text += FormatLogLine(entry);
    if (!AppendText(text)) return false;
    m_startOnNewLine = false;
    return true;
}

void LastSends::Add(LogEntry entry) {
    if (entry.outcome == "dry-run") return;
    auto [at, added] = m_byKey.try_emplace(QueueKey(entry.printer), m_entries.size());
    if (added) {
        m_entries.push_back(std::move(entry));
    } else {
        m_entries[at->second] = std::move(entry);
    }
}

const LogEntry* LastSends::Find(std::string_view printer) const {
    const auto at = m_byKey.find(QueueKey(printer));
    return at == m_byKey.end() ? nullptr : &m_entries[at->second];
}

std::vector<const LogEntry*> LastSends::All() const {
    std::vector<const LogEntry*> all;
    for (const LogEntry& e : m_entries)
        all.push_back(&e);
    return all;
}

LogRead ParseLog(std::string_view text, const std::function<void(LogEntry&&)>& each) {
    LogLines lines(each);
    lines.Feed(text);
    return lines.Finish();
}

LogRead ReadLog(const FilePath& path, const std::function<void(LogEntry&&)>& each) {
    LogLines lines(each);
#ifdef _WIN32
    std::FILE* file = ::_wfopen(path.c_str(), L"rb");
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
    if (!file) {
        if (errno == ENOENT) {
            LogRead missing;
            missing.status = LogRead::Status::Missing;
            return missing;
        }
        return lines.Fail(std::string("cannot be read: ") + std::strerror(errno));
    }
    std::vector<char> buffer(1 << 16);
    std::size_t got = 0;
    bool ok = true;
    while (ok && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        ok = lines.Feed(std::string_view(buffer.data(), got));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return lines.Fail("cannot be read");
    return lines.Finish();
}

LogRead ReadLastSends(const FilePath& path, LastSends& last) {
    return ReadLog(path, [&](LogEntry&& entry) { last.Add(std::move(entry)); });
}

}  // namespace kwctl
