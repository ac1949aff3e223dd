#include "kwctl/LogEntry.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <span>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Host.h"
#include "kwctl/Sha256.h"
#include "settings/SettingsCatalog.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

// Every line the writer writes starts so.
constexpr std::string_view kLineStart = R"({"time":")";

bool IsLowerHex(std::string_view text, std::size_t length) {
    if (text.size() != length) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool Blank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// The keys of an entry, in the order the writer writes them.
enum Key { kTime, kUser, kComputer, kPrinter, kFile, kSha256, kRecord, kJob, kOutcome, kReason };
constexpr std::string_view kKeys[] = {"time",   "user",   "computer", "printer", "file",
                                      "sha256", "record", "job",      "outcome", "reason"};
constexpr int kOtherKey = -1;

// Reads a line's JSON as it comes: the values of the keys at the top of its object, each key
// once, and where the text stopped being JSON.
class EntryReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    LogEntry entry;
    std::string outcome;
    std::size_t errorAt = 0;  // the position where the text stopped being JSON (from 1)
    std::string wrong;        // a key repeated or of the wrong kind

    bool Complete() const { return m_seen == (1u << std::size(kKeys)) - 1; }

    bool key(string_t& name) override {
        if (m_depth != 1) return true;
        m_key = kOtherKey;
        for (int k = 0; k < static_cast<int>(std::size(kKeys)); ++k) {
            if (name == kKeys[k]) m_key = k;
        }
        const bool repeated = m_key == kOtherKey ? Seen(m_others, name) : (m_seen >> m_key) & 1;
        if (repeated) return Wrong("the key \"" + name + "\" is repeated");
        if (m_key != kOtherKey) m_seen |= 1u << m_key;
        return true;
    }
    bool string(string_t& value) override {
        if (!Top()) return true;
        switch (m_key) {
            case kTime: entry.time = std::move(value); break;
            case kUser: entry.user = std::move(value); break;
            case kComputer: entry.computer = std::move(value); break;
            case kPrinter: entry.printer = std::move(value); break;
            case kFile: entry.file = std::move(value); break;
            case kSha256: entry.sha256 = std::move(value); break;
            case kRecord: entry.record = std::move(value); break;
            case kOutcome: outcome = std::move(value); break;
            case kReason: entry.reason = std::move(value); break;
            default: return Kind(m_key != kJob);
        }
        return true;
    }
    bool null() override { return Kind(!Top() || m_key == kJob || m_key == kReason); }
    bool number_unsigned(number_unsigned_t value) override {
        if (Top() && m_key == kJob && value <= UINT32_MAX) {
            entry.job = static_cast<std::uint32_t>(value);
            return true;
        }
        return Kind(!Top());
    }
    bool number_integer(number_integer_t) override { return Kind(!Top()); }
    bool number_float(number_float_t, const string_t&) override { return Kind(!Top()); }
    bool boolean(bool) override { return Kind(!Top()); }
    bool binary(binary_t&) override { return Kind(!Top()); }
    bool start_object(std::size_t) override { return Open(); }
    bool start_array(std::size_t) override { return m_depth > 0 && Open(); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception&) override {
        errorAt = position;
        return false;
    }

private:
    // A value directly under the line's object, of a key that this version reads.
    bool Top() const { return m_depth == 1 && m_key != kOtherKey; }

    bool Kind(bool right) {
        return right || Wrong("the value of \"" + std::string(kKeys[m_key]) + "\" is of another kind");
    }
    bool Wrong(std::string why) {
        wrong = std::move(why);
        return false;
    }
    bool Open() {
        if (Top() && !Kind(false)) return false;
        ++m_depth;
        return true;
    }
    bool Close() {
        --m_depth;
        return true;
    }
    static bool Seen(std::vector<std::string>& seen, const std::string& name) {
        for (const std::string& s : seen) {
            if (s == name) return true;
        }
        seen.push_back(name);
        return false;
    }

    int m_depth = 0;
    int m_key = kOtherKey;
    unsigned m_seen = 0;
    std::vector<std::string> m_others;  // the keys of later versions seen so far
};

// Why a line read whole is no entry; empty when it is one.
std::string Check(EntryReader& reader) {
    if (!reader.wrong.empty()) return reader.wrong;
    if (!reader.Complete()) return "a key is missing";
    const std::optional<Outcome> outcome = LoggedOutcome(reader.outcome);
    if (!outcome) return "its outcome \"" + reader.outcome + "\" is unknown";
    reader.entry.outcome = *outcome;
    LogEntry& e = reader.entry;
    if (!IsLowerHex(e.sha256, 64) || !IsLowerHex(e.record, 2 * SettingsRecord::kSize)) {
        return "its sha256 or record is not lowercase hex of its length";
    }
    const std::optional<SettingsRecord> record = catalog::RecordFromHex(e.record);
    if (Sha256Hex({record->data(), record->size()}) != e.sha256) {
        return "its sha256 is not the SHA-256 of its record";
    }
    return {};
}

LogLine Bad(std::string why) {
    LogLine line;
    line.why = "not a log entry" + (why.empty() ? "" : " (" + why + ")");
    return line;
}

LogLine Torn(LogEntry entry) {
    LogLine line;
    line.kind = LogLine::Kind::Torn;
    line.entry = std::move(entry);
    line.entry.outcome = Outcome::Unknown;
    line.entry.sha256.clear();
    line.entry.record.clear();
    line.entry.job.reset();
    line.entry.reason = "its log line was cut off; how the send ended is not known";
    return line;
}

// The end of the JSON string whose text starts at `at`, after its opening quote: the position
// after its closing quote, or npos.
std::size_t StringEnd(std::string_view text, std::size_t at) {
    const std::size_t start = at;
    while (at < text.size()) {
        const void* quote = std::memchr(text.data() + at, '"', text.size() - at);
        if (!quote) break;
        const std::size_t q = static_cast<std::size_t>(static_cast<const char*>(quote) - text.data());
        std::size_t escapes = 0;
        while (q - escapes > start && text[q - escapes - 1] == '\\')
            ++escapes;
        if (escapes % 2 == 0) return q + 1;
        at = q + 1;
    }
    return std::string_view::npos;
}

// The position after the value that starts at `at` (a string, an object or array, a literal or
// number), or npos.
std::size_t ValueEnd(std::string_view text, std::size_t at) {
    if (at < text.size() && text[at] == '"') return StringEnd(text, at + 1);
    int depth = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"') {
            at = StringEnd(text, at + 1);
            if (at == std::string_view::npos) return at;
            --at;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && depth > 0) {
            if (--depth == 0) return at + 1;
        } else if ((c == ',' || c == '}') && depth == 0) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r')) ++at;
    return at;
}

}  // namespace

LogEntry MakeLogEntry(const SettingsRecord& record, std::string printer, std::string file,
                      std::optional<std::uint32_t> job, Outcome outcome,
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
    entry.outcome = outcome;
    entry.reason = std::move(reason);
    return entry;
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
    j["outcome"] = Facts(e.outcome).word;
    j["reason"] = e.reason ? Json(*e.reason) : Json(nullptr);
    return j.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

LogLine ReadLogLine(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (Blank(line)) return {LogLine::Kind::Blank, {}, {}};
    // Zeros at the end are what a crash leaves where the writer's bytes did not reach the disk.
    const std::size_t last = line.find_last_not_of('\0');
    const bool zeros = last != line.size() - 1;
    const std::string_view text = line.substr(0, last == std::string_view::npos ? 0 : last + 1);
    if (text.empty()) return Torn({});
    // The JSON reader would take a NUL for the end of the line.
    if (text.find('\0') != std::string_view::npos) return Bad("it holds a NUL byte");
    EntryReader reader;
    if (!Json::sax_parse(text.begin(), text.end(), &reader)) {
        const bool startsAsEntry = text.size() < kLineStart.size() ? kLineStart.starts_with(text)
                                                                  : text.starts_with(kLineStart);
        // Cut off: the text is JSON as far as it goes, and the line ends where more was due.
        if (reader.wrong.empty() && reader.errorAt > text.size() && startsAsEntry) {
            return Torn(std::move(reader.entry));
        }
        return Bad(reader.wrong);
    }
    if (std::string why = Check(reader); !why.empty()) return Bad(why);
    if (zeros) return Torn(std::move(reader.entry));
    return {LogLine::Kind::Entry, std::move(reader.entry), {}};
}

std::optional<LogEntry> ParseLogLine(std::string_view line) {
    LogLine read = ReadLogLine(line);
    if (read.kind != LogLine::Kind::Entry) return std::nullopt;
    return std::move(read.entry);
}

std::optional<std::string> LinePrinter(std::string_view line) {
    // The keys are walked up to "printer", which is the fourth as the writer writes them; the
    // rest of the line must not name "printer" anywhere, and the line must end its object.
    std::size_t at = SkipBlanks(line, 0);
    if (at >= line.size() || line[at] != '{') return std::nullopt;
    const std::size_t last = line.find_last_not_of(" \t\r");
    if (line[last] != '}') return std::nullopt;
    for (++at;;) {
        at = SkipBlanks(line, at);
        if (at >= line.size() || line[at] != '"') return std::nullopt;
        const std::size_t keyEnd = StringEnd(line, at + 1);
        if (keyEnd == std::string_view::npos) return std::nullopt;
        const bool isPrinter = line.substr(at, keyEnd - at) == "\"printer\"";
        at = SkipBlanks(line, keyEnd);
        if (at >= line.size() || line[at] != ':') return std::nullopt;
        at = SkipBlanks(line, at + 1);
        const std::size_t end = ValueEnd(line, at);
        if (end == std::string_view::npos) return std::nullopt;
        if (isPrinter) {
            if (line[at] != '"' || line.find("printer\"", end) != std::string_view::npos) {
                return std::nullopt;
            }
            const std::string_view value = line.substr(at, end - at);
            if (value.find('\\') == std::string_view::npos) {
                return std::string(value.substr(1, value.size() - 2));
            }
            const Json decoded = Json::parse(value, nullptr, false);
            if (!decoded.is_string()) return std::nullopt;
            return decoded.get<std::string>();
        }
        at = SkipBlanks(line, end);
        if (at >= line.size() || line[at] != ',') return std::nullopt;
        ++at;
    }
}

std::optional<std::int64_t> UtcSeconds(std::string_view t) {
    // YYYY-MM-DDTHH:MM:SSZ
    if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || t[19] != 'Z') {
        return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t width) -> int {
        int n = 0;
        for (std::size_t i = at; i < at + width; ++i) {
            if (t[i] < '0' || t[i] > '9') return -1;
            n = n * 10 + (t[i] - '0');
        }
        return n;
    };
    const int y = number(0, 4), m = number(5, 2), d = number(8, 2);
    const int hh = number(11, 2), mm = number(14, 2), ss = number(17, 2);
    if (y < 0 || m < 1 || m > 12 || d < 1 || d > 31 || hh < 0 || hh > 23 || mm < 0 || mm > 59 ||
        ss < 0 || ss > 60) {
        return std::nullopt;
    }
    // Days from 1970-01-01 of the proleptic Gregorian calendar.
    const int year = y - (m <= 2);
    const int era = year / 400;
    const int yoe = year - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return days * 86400 + hh * 3600 + mm * 60 + ss;
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

}  // namespace kwctl
