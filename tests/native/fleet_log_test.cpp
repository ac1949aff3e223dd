// The send log and its hash: lines written whole by processes appending at once, and read back
// with a torn last line skipped and any other bad line refused.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kwctl/SendLog.h"
#include "kwctl/Sha256.h"

namespace {

using kwctl::LogEntry;
using kwctl::LogRead;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(FleetSha256, KnownDigests) {
    // NIST's "abc", and the factory record as sha256sum gives it.
    EXPECT_EQ(kwctl::Sha256Hex(Bytes("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(kwctl::Sha256Hex({FactoryRecord().data(), SettingsRecord::kSize}),
              "b72833dc3e068ef66d54ef385b3cec9d7dc594d710d655864715100def250fe1");
}

LogEntry Entry(std::string printer, std::string outcome, std::optional<std::uint32_t> job = 7) {
    return kwctl::MakeLogEntry(FactoryRecord(), std::move(printer), "/srv/office.dat", job,
                               std::move(outcome), std::nullopt);
}

std::string Line(const LogEntry& e) {
    return kwctl::FormatLogLine(e);
}

LogRead Parse(const std::string& text, std::vector<LogEntry>& entries) {
    return kwctl::ParseLog(text, [&](LogEntry&& e) { entries.push_back(std::move(e)); });
}

TEST(FleetLog, AnEntryComesBackAndLinesThatAreNoEntryAreRefused) {
    LogEntry e = Entry("\\\\printsrv\\Vek 1F", "held", std::nullopt);
    e.reason = "paused, offline";
    e.file = "/srv/\xE9t\xE9.dat";  // a native name need not be UTF-8; the line stays JSON
    const std::string line = Line(e);
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";
    const auto back = kwctl::ParseLogLine(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(Line(*back), line);
    EXPECT_EQ(back->time.size(), 20u);

    const std::string good = Line(Entry("Vek 1F", "printed"));
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string line = good;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    for (const std::string& bad : {
             good.substr(0, good.size() / 2),
             with("\"outcome\":\"printed\"", "\"outcome\":\"lost\""),
             with("\"job\":7", "\"job\":-7"),
             with("\"reason\":null", "\"reason\":3"),
             with("\"record\":\"1c", "\"record\":\"1C"),
             with("\"sha256\":\"b7", "\"sha256\":\""),
             with(",\"user\":", ",\"someone\":"),
         }) {
        EXPECT_FALSE(kwctl::ParseLogLine(bad)) << bad;
    }
    EXPECT_TRUE(kwctl::ParseLogLine(with("{", "{\"added\":[1],"))) << "later keys are ignored";
}

TEST(FleetLog, OnlyATornLastLineIsSkipped) {
    const std::string a = Line(Entry("Vek 1F", "printed"));
    const std::string b = Line(Entry("Vek 2F", "done"));
    const struct {
        std::string text;
        LogRead::Status status;
        std::size_t entries;
        bool torn;
    } cases[] = {
        {a + b, LogRead::Status::Read, 2, false},
        {a + "\r\n" + b + "\n \n", LogRead::Status::Read, 2, false},  // blank lines
        {a + b.substr(0, 40), LogRead::Status::Read, 1, true},        // cut off
        {a + "garbage\n", LogRead::Status::Read, 1, true},            // last, not an entry
        {a + "garbage\n" + b, LogRead::Status::Unusable, 1, false},
        {a + b.substr(0, 40) + "\n" + b, LogRead::Status::Unusable, 1, false},
    };
    for (const auto& c : cases) {
        std::vector<LogEntry> entries;
        const LogRead read = Parse(c.text, entries);
        EXPECT_EQ(read.status, c.status) << c.text;
        EXPECT_EQ(read.tornLastLine, c.torn) << c.text;
        EXPECT_EQ(entries.size(), c.entries) << c.text;
        if (c.status == LogRead::Status::Unusable) {
            EXPECT_EQ(read.error, "line 2: not a log entry");
        }
    }
}

class FleetLogFile : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fleet-log.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_log = (m_dir / "sends.jsonl").string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
    std::string m_log;
};

TEST_F(FleetLogFile, ProcessesAppendingAtOnceLoseAndMixNoLine) {
    constexpr int kProcesses = 4;
    constexpr int kLines = 1000;
    pid_t children[kProcesses];
    for (int k = 0; k < kProcesses; ++k) {
        children[k] = ::fork();
        ASSERT_GE(children[k], 0);
        if (children[k] == 0) {
            kwctl::LogAppender log(m_log);
            for (int n = 0; n < kLines; ++n) {
                LogEntry e = Entry("child " + std::to_string(k), "sent", n);
                e.reason = std::string(n % 97, 'x');  // lines of many lengths
                if (!log.Append(e)) ::_exit(1);
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::size_t misplaced = 0;  // lost, or out of its process's order
    std::vector<std::uint32_t> next(kProcesses, 0);
    const LogRead read = kwctl::ReadLog(m_log, [&](LogEntry&& e) {
        const int k = e.printer.back() - '0';
        if (k < 0 || k >= kProcesses) return ADD_FAILURE() << e.printer;
        if (e.job != next[k]++) ++misplaced;
    });
    EXPECT_EQ(read.status, LogRead::Status::Read) << read.error;
    EXPECT_FALSE(read.tornLastLine);
    EXPECT_EQ(misplaced, 0u);
    EXPECT_EQ(next, std::vector<std::uint32_t>(kProcesses, kLines));
}

TEST_F(FleetLogFile, AnAppendAfterATornLineKeepsItsOwnLine) {
    std::ofstream(m_log) << Line(Entry("Vek 1F", "printed")) << "{\"time\":\"2026-";
    LogRead read = kwctl::ReadLog(m_log, [](LogEntry&&) {});
    EXPECT_TRUE(read.tornLastLine);
    {
        kwctl::LogAppender log(m_log);
        ASSERT_TRUE(log.Append(Entry("Vek 2F", "done"))) << log.Error();
    }
    // The torn line is now an inner line: the log is refused, but the new entry is whole.
    std::vector<std::string> printers;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) {
        if (auto e = kwctl::ParseLogLine(line)) printers.push_back(e->printer);
    }
    EXPECT_EQ(printers, (std::vector<std::string>{"Vek 1F", "Vek 2F"}));
    EXPECT_EQ(kwctl::ReadLog(m_log, [](LogEntry&&) {}).status, LogRead::Status::Unusable);
    EXPECT_EQ(kwctl::ReadLog(m_log + ".none", [](LogEntry&&) {}).status, LogRead::Status::Missing);
}

}  // namespace
