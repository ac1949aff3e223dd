#include "bench/SendLogs.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "kwctl/LogEntry.h"
#include "kwctl/Sha256.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsRecord.h"

namespace {

// A log time, `seconds` after 2026-01-05T08:00:00Z.
std::string LogTime(long long seconds) {
    constexpr std::time_t kStart = 1767600000;
    return kwctl::UtcTimestamp(
        std::chrono::system_clock::from_time_t(kStart + static_cast<std::time_t>(seconds)));
}

struct Variant {
    std::string sha256;
    std::string hex;
    std::string file;
};

// The settings of the day: the factory record and a few changed ones.
std::vector<Variant> Variants() {
    std::vector<Variant> variants;
    for (int v = 0; v < 6; ++v) {
        SettingsRecord record = FactoryRecord();
        if (v > 0) record[20 + 7 * v] ^= static_cast<std::uint8_t>(1u << v);
        variants.push_back(
            {kwctl::Sha256Hex({record.data(), SettingsRecord::kSize}), catalog::RecordHex(record),
             v == 0 ? "C:\\Fleet\\factory.dat" : "C:\\Fleet\\office-" + std::to_string(v) + ".dat"});
    }
    return variants;
}

kwctl::LogEntry Send(const Variant& variant, const std::string& queue, int q, long long at,
                     std::uint32_t job) {
    kwctl::LogEntry e;
    e.time = LogTime(at);
    e.user = q % 3 ? "fleet-admin" : "ops";
    e.computer = "ADMIN-PC" + std::to_string(1 + q % 2);
    e.printer = queue;
    e.file = variant.file;
    e.sha256 = variant.sha256;
    e.record = variant.hex;
    e.job = job;
    e.outcome = kwctl::Outcome::Done;
    return e;
}

}  // namespace

std::uint64_t WriteSendLog(const std::wstring& path, const std::vector<std::string>& queues,
                           int sends, const std::string& first) {
    const std::vector<Variant> variants = Variants();
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    std::string text;
    if (!first.empty()) text = kwctl::FormatLogLine(Send(variants[0], first, 0, 0, 0));
    for (int s = 0; s < sends; ++s) {
        const bool last = s == sends - 1;
        const Variant& variant = variants[last ? 0 : 1 + s / 40 % 5];
        for (int q = 0; q < static_cast<int>(queues.size()); ++q) {
            kwctl::LogEntry e = Send(variant, queues[q], q, s * 3600LL + q * 2,
                                     static_cast<std::uint32_t>(1 + s * queues.size() + q));
            const int odd = (s * 7 + q * 13) % 97;
            if (!last && odd == 0) {
                e.outcome = kwctl::Outcome::Held;
                e.reason = "paused, paper-out";
            } else if (!last && odd == 1) {
                e.outcome = kwctl::Outcome::Failed;
                e.reason = "error";
            } else if (!last && odd == 2) {
                e.outcome = kwctl::Outcome::Refused;
                e.job.reset();
                e.reason = "its driver \"Generic / Text Only\" is not \"Vek Brelvistoka 410ZQ\"";
            }
            text += kwctl::FormatLogLine(e);
        }
        if (text.size() > (1 << 22) || last) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.close();
    return std::filesystem::file_size(std::filesystem::path(path));
}

void WriteTargets(const std::wstring& path, const std::vector<std::string>& queues) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out << "# the office printers\n";
    for (const std::string& q : queues)
        out << q << "\n";
}
