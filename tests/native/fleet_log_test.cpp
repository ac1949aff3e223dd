// The send log and its hash: lines written whole by processes appending at once, read back from
// either end with torn lines skipped wherever they lie and any other bad line refused, and what
// plan makes of each shape a crash, an editor or a foreign file leaves.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
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

#include "kwctl/Kwctl.h"
#include "kwctl/LogAppender.h"
#include "kwctl/LogEntry.h"
#include "kwctl/LogReader.h"
#include "kwctl/Sha256.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsFile.h"

namespace {

using kwctl::LogEntry;
using kwctl::LogRead;
using kwctl::Outcome;

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

LogEntry Entry(std::string printer, Outcome outcome, std::optional<std::uint32_t> job = 7,
               const SettingsRecord& record = FactoryRecord()) {
    return kwctl::MakeLogEntry(record, std::move(printer), "/srv/office.dat", job, outcome,
                               std::nullopt);
}

std::string Line(const LogEntry& e) {
    return kwctl::FormatLogLine(e);
}

// `line` with its first `from` replaced by `to`.
std::string With(std::string line, const std::string& from, const std::string& to) {
    const std::size_t at = line.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? line : line.replace(at, from.size(), to);
}

TEST(FleetLog, EveryOutcomeThatIsLoggedComesBackAndNoOtherIsTaken) {
    for (int o = 0; o < static_cast<int>(Outcome::Count); ++o) {
        const auto outcome = static_cast<Outcome>(o);
        const kwctl::OutcomeFacts& facts = kwctl::Facts(outcome);
        SCOPED_TRACE(std::string(facts.word));
        EXPECT_FALSE(facts.word.empty() || facts.result.empty());
        LogEntry e = Entry("\\\\printsrv\\Vek 1F", outcome, std::nullopt);
        e.reason = "paused, offline";
        e.file = "/srv/\xE9t\xE9.dat";  // a native name need not be UTF-8; the line stays JSON
        const std::string line = Line(e);
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";
        const auto back = kwctl::ParseLogLine(line);
        EXPECT_EQ(back.has_value(), facts.logged) << line;
        EXPECT_EQ(kwctl::LoggedOutcome(facts.word).has_value(), facts.logged);
        if (!back) continue;
        EXPECT_EQ(back->outcome, outcome);
        EXPECT_EQ(Line(*back), line);
    }

    const std::string good = Line(Entry("Vek 1F", Outcome::Printed));
    for (const std::string& bad : {
             With(good, "\"outcome\":\"printed\"", "\"outcome\":\"lost\""),
             With(good, "\"job\":7", "\"job\":-7"),
             With(good, "\"reason\":null", "\"reason\":3"),
             With(good, "\"record\":\"1c", "\"record\":\"1C"),
             With(good, "\"sha256\":\"b7", "\"sha256\":\""),
             With(good, ",\"user\":", ",\"someone\":"),
         }) {
        EXPECT_FALSE(kwctl::ParseLogLine(bad)) << bad;
    }
    EXPECT_TRUE(kwctl::ParseLogLine(With(good, "{", "{\"added\":[1,{\"time\":0}],")))
        << "later keys are ignored";
}

class FleetLogFile : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fleet-log.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_log = Path("sends.jsonl");
        m_office = FactoryRecord();
        ASSERT_TRUE(catalog::Apply(m_office, std::vector<catalog::Assignment>{{"msw2-7", "80"}}).ok);
        const SettingsFileImage image = EncodeSettingsFile(m_office);
        Write("office.dat", std::string(image.begin(), image.end()));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path(const char* name) const { return (m_dir / name).string(); }
    void Write(const char* name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }

    // kwctl run in-process: its exit status, stdout and stderr.
    struct Run {
        int status;
        std::string out;
        std::string err;
    };
    Run Kwctl(std::vector<std::string> args) const {
        kwctl::StringOutput output;
        kwctl::Environment env{output};
        const int status = kwctl::Run(args, env);
        return {status, output.out, output.err};
    }
    Run Plan(const std::string& log, std::vector<std::string> queues) const {
        std::vector<std::string> args = {"plan", Path("office.dat"), "--log", log};
        for (const std::string& q : queues)
            args.insert(args.end(), {"-p", q});
        return Kwctl(args);
    }

    std::filesystem::path m_dir;
    std::string m_log;
    SettingsRecord m_office;
};

// The shapes a log can take, each with the states plan finds from its end and the exit status;
// the reader from the start refuses the same ones.
TEST_F(FleetLogFile, PlanTellsEachQueueWhateverShapeTheLogIsIn) {
    const std::string a = Line(Entry("Vek 1F", Outcome::Done, 7, m_office));
    const std::string b = Line(Entry("Vek 2F", Outcome::Done, 8, m_office));
    const std::string cutInRecord = b.substr(0, b.find("\"record\":") + 100);
    const std::string aCrLf = a.substr(0, a.size() - 1) + "\r\n";
    const std::string long70k(70 * 1024, 'x');
    const struct {
        const char* shape;
        std::string text;
        int status;
        const char* states;  // of Vek 1F, Vek 2F
    } cases[] = {
        {"whole", a + b, 0, "up to date|up to date"},
        {"torn at the end, inside record", a + cutInRecord, 1,
         "up to date|last send did not finish"},
        {"torn at the end, before its queue", a + b + b.substr(0, 20), 0, "up to date|up to date"},
        {"torn in the middle, then an append", a + cutInRecord + "\n" + a, 1,
         "up to date|last send did not finish"},
        {"torn in the middle, sent again later", a + cutInRecord + "\n" + b, 0,
         "up to date|up to date"},
        {"last line without its newline", a + b.substr(0, b.size() - 1), 0,
         "up to date|up to date"},
        {"CRLF", aCrLf + b.substr(0, b.size() - 1) + "\r\n", 0, "up to date|up to date"},
        {"a byte order mark", "\xEF\xBB\xBF" + a + b, 0, "up to date|up to date"},
        {"zeros after the last line, as a crash leaves", a + b + std::string(300, '\0'), 0,
         "up to date|up to date"},
        {"zeros where the last line was to be", a + std::string(300, '\0'), 1,
         "up to date|never sent"},
        {"bytes after a NUL", a + b.substr(0, b.size() - 1) + std::string("\0GARBAGE\n", 9), 2,
         ""},
        {"a hash that is not its record's", a + With(b, "\"sha256\":\"", "\"sha256\":\"0"), 2, ""},
        {"a record that is not its hash's", a + With(b, "\"record\":\"1c", "\"record\":\"1d"), 2,
         ""},
        {"a key given twice", a + With(b, "{\"time\"", "{\"printer\":\"Vek 9F\",\"time\""), 2,
         ""},
        {"a line over the limit at the end", a + b + long70k, 0, "up to date|up to date"},
        {"a line over the limit in the middle", a + long70k + "\n" + b, 2, ""},
        {"a last line that is no entry", a + b + "garbage\n", 2, ""},
        {"a dry run after the send", a + b + Line(Entry("Vek 1F", Outcome::DryRun)), 0,
         "up to date|up to date"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        Write("case.log", c.text);
        const Run plan = Plan(Path("case.log"), {"Vek 1F", "Vek 2F"});
        EXPECT_EQ(plan.status, c.status) << plan.out << plan.err;
        std::string states;
        for (const char* queue : {"Vek 1F: ", "Vek 2F: "}) {
            const std::size_t at = plan.out.find(queue);
            if (at == std::string::npos) continue;
            const std::size_t from = at + std::string(queue).size();
            std::string state = plan.out.substr(from, plan.out.find_first_of("(\n", from) - from);
            if (state.ends_with(' ')) state.pop_back();
            states += (states.empty() ? "" : "|") + state;
        }
        if (c.status == 2) {
            EXPECT_NE(plan.err.find("case.log: the send log cannot be used: line "),
                      std::string::npos)
                << plan.err;
        } else {
            EXPECT_EQ(states, c.states);
        }
        const LogRead forward = kwctl::ParseLog(c.text, [](LogEntry&&) {});
        EXPECT_EQ(forward.status == LogRead::Status::Unusable, c.status == 2) << forward.error;
    }
}

// Each logged outcome through the appender and back through both readers: the reader from the
// start gives every line, the one from the end each queue's last send, which only a send is.
TEST_F(FleetLogFile, EveryLoggedOutcomeComesBackFromTheFileAndOnlySendsCountAsLastSends) {
    std::vector<Outcome> logged;
    {
        kwctl::LogAppender log(m_log);
        for (int o = 0; o < static_cast<int>(Outcome::Count); ++o) {
            const auto outcome = static_cast<Outcome>(o);
            if (!kwctl::Facts(outcome).logged) continue;
            logged.push_back(outcome);
            ASSERT_TRUE(log.Append(Entry("Vek " + std::to_string(o), outcome))) << log.Error();
        }
    }
    std::vector<Outcome> read;
    ASSERT_EQ(kwctl::ReadLog(m_log, [&](LogEntry&& e) { read.push_back(e.outcome); }).status,
              LogRead::Status::Read);
    EXPECT_EQ(read, logged);
    kwctl::LastSends last;
    ASSERT_EQ(kwctl::ReadLastSends(m_log, last).status, LogRead::Status::Read);
    for (const Outcome outcome : logged) {
        const LogEntry* found = last.Find("vek " + std::to_string(static_cast<int>(outcome)));
        SCOPED_TRACE(std::string(kwctl::Facts(outcome).word));
        EXPECT_EQ(found != nullptr, kwctl::Facts(outcome).isSend);
        if (found) {
            EXPECT_EQ(found->outcome, outcome);
        }
    }
}

// A send stopped while it wrote its line, then the next send: the torn line stays in the middle,
// skipped with a note, and its queue is sent to again.
TEST_F(FleetLogFile, ACrashWhileALineIsWrittenLeavesTheLogUsable) {
    {
        kwctl::LogAppender log(m_log);
        ASSERT_TRUE(log.Append(Entry("Vek 1F", Outcome::Done, 1, m_office))) << log.Error();
        ASSERT_TRUE(log.Append(Entry("Vek 2F", Outcome::Done, 2, m_office))) << log.Error();
    }
    // The next send has the log open already when the line is torn, as another process's send
    // may tear it at any time.
    kwctl::LogAppender next(m_log);
    std::filesystem::resize_file(m_log, std::filesystem::file_size(m_log) - 200);
    ASSERT_TRUE(next.Append(Entry("Vek 3F", Outcome::Done, 3, m_office))) << next.Error();
    const Run plan = Plan(m_log, {"Vek 1F", "Vek 2F", "Vek 3F"});
    EXPECT_EQ(plan.status, 1) << plan.err;
    EXPECT_NE(plan.out.find("Vek 1F: up to date"), std::string::npos) << plan.out;
    EXPECT_NE(plan.out.find("Vek 2F: last send did not finish (unknown "), std::string::npos)
        << plan.out;
    EXPECT_NE(plan.out.find("Vek 3F: up to date"), std::string::npos) << plan.out;
    EXPECT_NE(plan.err.find("sends.jsonl: line 2 of the send log is cut off"), std::string::npos)
        << plan.err;

    // The reader from the start: the same entries, the torn one as its queue's unknown send.
    std::vector<std::string> sends;
    const LogRead read = kwctl::ReadLog(m_log, [&](LogEntry&& e) {
        sends.push_back(e.printer + " " + std::string(kwctl::Facts(e.outcome).word));
    });
    EXPECT_EQ(read.status, LogRead::Status::Read) << read.error;
    EXPECT_EQ(read.tornLines, std::vector<std::string>{"line 2"});
    EXPECT_EQ(sends, (std::vector<std::string>{"Vek 1F done", "Vek 2F unknown", "Vek 3F done"}));
}

// Only a regular file is read; a log that is not there is one with no sends only where its
// folder is.
TEST_F(FleetLogFile, FifosFoldersAndMissingFoldersAreRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(m_dir / "folder");
    Write("fleet.txt", "Vek 1F\n");
    const std::string missingFolder = Path("offline/kw.log");
    std::filesystem::create_symlink(missingFolder, m_dir / "link.log");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"plan", Path("office.dat"), "-p", "Vek 1F", "--log", Path("fifo")}, 2, "is a FIFO"},
        {{"log", Path("fifo")}, 2, "is a FIFO"},
        {{"plan", Path("office.dat"), "--targets", Path("fifo"), "--log", m_log}, 2, "is a FIFO"},
        {{"plan", Path("office.dat"), "-p", "Vek 1F", "--log", Path("folder")}, 2, "is a folder"},
        {{"plan", Path("office.dat"), "--targets", Path("folder"), "--log", m_log}, 2,
         "is a folder"},
        {{"plan", Path("office.dat"), "-p", "Vek 1F", "--log", missingFolder}, 2,
         "its folder does not exist"},
        {{"log", missingFolder}, 2, "its folder does not exist"},
        {{"plan", Path("office.dat"), "-p", "Vek 1F", "--log", Path("link.log")}, 2,
         "is a link to a file that does not exist"},
        {{"plan", Path("office.dat"), "-p", "Vek 1F", "--log", ""}, 2, "an empty name"},
        {{"plan", Path("office.dat"), "--targets", Path("fleet.txt"), "--log", m_log}, 1, ""},
        {{"log", m_log}, 2, "there is no send log there"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const Run run = Kwctl(c.args);
        EXPECT_EQ(run.status, c.status) << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
}

// A line without an end (zeros after the last entry, as a crash leaves) is not held in memory,
// by either reader; nor is a list without one. Each run is a child process, whose peak memory
// is its own.
TEST_F(FleetLogFile, ALineWithoutAnEndIsNotHeldInMemory) {
    constexpr std::uintmax_t kZeros = 256u << 20;
    Write("zeros.log", Line(Entry("Vek 1F", Outcome::Done, 1, m_office)));
    std::filesystem::resize_file(m_dir / "zeros.log", kZeros);  // sparse: no disk taken
    Write("zeros.txt", "Vek 1F\n");
    std::filesystem::resize_file(m_dir / "zeros.txt", kZeros);
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"log", Path("zeros.log")}, 0},
        {{"plan", Path("office.dat"), "-p", "Vek 1F", "--log", Path("zeros.log")}, 0},
        {{"plan", Path("office.dat"), "--targets", Path("zeros.txt"), "--log", m_log}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[c.args.size() - 1]);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::rusage before{}, after{};
            ::getrusage(RUSAGE_SELF, &before);
            const int status = Kwctl(c.args).status;
            ::getrusage(RUSAGE_SELF, &after);
            const long grown = after.ru_maxrss - before.ru_maxrss;  // KiB
            (void)!::write(fds[1], &grown, sizeof grown);
            ::_exit(status);
        }
        ::close(fds[1]);
        long grownKiB = -1;
        EXPECT_EQ(::read(fds[0], &grownKiB, sizeof grownKiB),
                  static_cast<ssize_t>(sizeof grownKiB));
        ::close(fds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_LT(grownKiB, 32 * 1024) << "KiB more at its peak";
    }
}

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
                LogEntry e = Entry("child " + std::to_string(k), Outcome::Sent, n);
                e.reason = std::string(n % 97, 'x');  // lines of many lengths
                if (!log.Append(e)) ::_exit(1);
            }
            ::_exit(0);
        }
    }
    // Readers meanwhile wait for each append under way: they never see half of a line.
    std::size_t reads = 0, halfLines = 0;
    for (int done = 0; done < kProcesses;) {
        kwctl::LastSends last;
        const LogRead read = kwctl::ReadLastSends(m_log, last);
        ++reads;
        halfLines += read.torn + (read.status == LogRead::Status::Unusable);
        for (pid_t& child : children) {
            int status = 0;
            if (child && ::waitpid(child, &status, WNOHANG) == child) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                child = 0;
                ++done;
            }
        }
    }
    EXPECT_EQ(halfLines, 0u) << "in " << reads << " reads";
    std::size_t misplaced = 0;  // lost, or out of its process's order
    std::vector<std::uint32_t> next(kProcesses, 0);
    const LogRead read = kwctl::ReadLog(m_log, [&](LogEntry&& e) {
        const int k = e.printer.back() - '0';
        if (k < 0 || k >= kProcesses) return ADD_FAILURE() << e.printer;
        if (e.job != next[k]++) ++misplaced;
    });
    EXPECT_EQ(read.status, LogRead::Status::Read) << read.error;
    EXPECT_EQ(read.torn, 0u);
    EXPECT_EQ(misplaced, 0u);
    EXPECT_EQ(next, std::vector<std::uint32_t>(kProcesses, kLines));
}

}  // namespace
