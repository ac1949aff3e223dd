// kwctl's file commands, run in-process on crafted settings files. Outputs are compared with
// the files in golden/; KW_UPDATE_GOLDEN=1 rewrites them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "kwctl/Kwctl.h"
#include "settings/Fields.h"
#include "settings/SettingsFile.h"
#include "tests/native/kwctl_command_line.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string FileBytes(const SettingsRecord& record) {
    const SettingsFileImage image = EncodeSettingsFile(record);
    return std::string(image.begin(), image.end());
}

SettingsRecord OddSwitches() {
    SettingsRecord r = FactoryRecord();
    r[field::kMsw1] = 0xE0;  // country code 7
    r[field::kMsw2] = 0x2C;  // looks like a separator
    r[field::kMsw3] = 0x4C;  // only the carried switches
    r[field::kMsw4] = 0x80;  // only the carried switch
    r[3] = ';';
    r[179] = 0xFF;
    return r;
}

SettingsRecord InvalidDigits() {
    SettingsRecord r = FactoryRecord();
    r[field::kKanjiTable] = '9';
    r[field::kTypeface] = 'x';
    r[field::kLoadTime] = '6';
    r[field::kForm] = 0x00;
    r[field::kCarriedDigit] = '7';
    return r;
}

SettingsRecord NonDigitForms() {
    SettingsRecord r = FactoryRecord();
    const std::string form1 = "6X,0A0,1 6,120,999,046,046,054,0:";
    const std::string form0 = "66,010,100,120,120,046,046,054,00";
    std::copy(form1.begin(), form1.end(), &r[field::kFormBlock[1]]);
    std::copy(form0.begin(), form0.end(), &r[field::kFormBlock[0]]);
    return r;
}

class KwctlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kwctl-test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        WriteBytes(m_dir / "factory.dat", FileBytes(FactoryRecord()));
        WriteBytes(m_dir / "odd-switches.dat", FileBytes(OddSwitches()));
        WriteBytes(m_dir / "invalid-digits.dat", FileBytes(InvalidDigits()));
        WriteBytes(m_dir / "non-digit-forms.dat", FileBytes(NonDigitForms()));
        WriteBytes(m_dir / "text.dat", "Brelvistoka 410ZQ\n is a printer\n");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Run(std::vector<std::string> args) {
        m_output = {};
        kwctl::Environment env{m_output};
        return kwctl::Run(args, env);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    // Output with the scratch folder's name taken out.
    std::string Out() const {
        std::string text = m_output.out;
        const std::string dir = m_dir.string() + "/";
        for (std::size_t at; (at = text.find(dir)) != std::string::npos;)
            text.erase(at, dir.size());
        return text;
    }

    void ExpectGolden(const std::string& name) {
        const fs::path golden = fs::path(KW_SOURCE_DIR) / "tests/native/golden" / name;
        if (std::getenv("KW_UPDATE_GOLDEN")) WriteBytes(golden, Out());
        EXPECT_EQ(Out(), ReadText(golden)) << "differs from " << golden;
    }

    fs::path m_dir;
    kwctl::StringOutput m_output;
};

}  // namespace

TEST_F(KwctlTest, ShowAndDiffMatchTheirGoldenOutputs) {
    for (const char* name : {"factory", "odd-switches", "invalid-digits", "non-digit-forms"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Run({"show", Path(std::string(name) + ".dat")}), kwctl::kSuccess);
        ExpectGolden(std::string("show-") + name + ".txt");
    }
    EXPECT_EQ(Run({"show", Path("odd-switches.dat"), "--json"}), kwctl::kSuccess);
    ExpectGolden("show-odd-switches.json");

    EXPECT_EQ(Run({"diff", Path("factory.dat"), Path("odd-switches.dat")}), kwctl::kDiffers);
    ExpectGolden("diff-odd-switches.txt");
    EXPECT_EQ(Run({"diff", Path("factory.dat"), Path("invalid-digits.dat"), "--json"}),
              kwctl::kDiffers);
    ExpectGolden("diff-invalid-digits.json");
    EXPECT_EQ(Run({"diff", Path("odd-switches.dat"), Path("odd-switches.dat")}), kwctl::kSuccess);
}

TEST_F(KwctlTest, FilesThatAreNoSettingsFilesAndBadCommandLinesExitWithTwo) {
    for (const char* name : {"text.dat", "missing.dat"}) {
        EXPECT_EQ(Run({"show", Path(name)}), kwctl::kUsage);
        EXPECT_EQ(m_output.err, Path(name) + ": このファイルは設定ファイルではありません。\n");
        EXPECT_TRUE(m_output.out.empty());
    }
    EXPECT_EQ(Run({"diff", Path("factory.dat"), Path("text.dat")}), kwctl::kUsage);
    EXPECT_EQ(Run({"frobnicate"}), kwctl::kUsage);
    EXPECT_EQ(Run({"show"}), kwctl::kUsage);
    EXPECT_FALSE(m_output.err.empty());
    EXPECT_EQ(Run({"set", "--help"}), kwctl::kSuccess);
    EXPECT_NE(m_output.out.find("KEY=VALUE"), std::string::npos);
}

// Every run makes the whole command line, so a CLI11 that refuses one of its names fails here.
TEST_F(KwctlTest, TheWholeCommandLineIsMadeWithPositionalsShownByTheirLabels) {
    kwctl_test::ExpectEveryCommandLineIsMade(
        [this](std::vector<std::string> args, std::string& out) {
            const int status = Run(std::move(args));
            out = m_output.out;
            return status;
        });
    EXPECT_EQ(Run({"new", "--help"}), kwctl::kSuccess);
    EXPECT_NE(m_output.out.find(" OUT [KEY=VALUE...]\n"), std::string::npos) << m_output.out;
    EXPECT_EQ(Run({"set", Path("factory.dat")}), kwctl::kUsage);
    EXPECT_EQ(m_output.err, "KEY=VALUE is required\nRun with --help for more information.\n");
}

// A name need not be UTF-8 here: every command works on the very bytes given, and JSON, which
// holds UTF-8 only, gives the name with U+FFFD and says so.
TEST_F(KwctlTest, NamesThatAreNotUtf8AreUsedAsGivenAndJsonReplacesTheirBytes) {
    const std::string odd = Path("caf\xE9.dat");
    const std::string shown = Path("caf\xEF\xBF\xBD.dat");
    const std::string note = ": the name is not UTF-8";
    struct Case {
        std::vector<std::string> args;
        std::string out;  // a part of the output
        bool noted;
    };
    const Case cases[] = {
        {{"new", odd, "font1=2"}, "saved " + odd + "\n", false},
        {{"show", odd}, "file: " + odd + "\n", false},
        {{"set", odd, "msw2-7=80"}, "saved " + odd + "\n", false},
        {{"show", odd, "--json"}, "\"file\": \"" + shown + "\"", true},
        {{"diff", odd, Path("factory.dat"), "--json"}, "\"a\": \"" + shown + "\"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        EXPECT_NE(Run(c.args), kwctl::kUsage) << m_output.err;
        EXPECT_NE(m_output.out.find(c.out), std::string::npos) << m_output.out;
        EXPECT_EQ(m_output.err.find(odd + note) == 0, c.noted) << m_output.err;
        EXPECT_EQ(m_output.out.find(odd) == std::string::npos, c.noted);
    }
    SettingsRecord expected = FactoryRecord();
    expected[field::kFont1] = '2';
    expected[field::kMsw2] = 0x02;
    EXPECT_EQ(ReadText(odd), FileBytes(expected));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 6)
        << "another name was written";
}

TEST_F(KwctlTest, RefusedSetsLeaveTheFileByteForByte) {
    // A longer file, so that even its tail would show a rewrite.
    const std::string original = FileBytes(OddSwitches()) + "tail";
    WriteBytes(m_dir / "odd.dat", original);
    const std::vector<std::vector<std::string>> refused = {
        {"no-such-key=1"},
        {"msw3-2=0"},
        {"form0.left-margin=5"},
        {"form1.postcard=153"},
        {"font1=bold"},
        {"kanji-table"},
        {"font1=italic", "msw2-7=81"},
        {"form2.left-margin=90", "form2.right-margin=90"},
    };
    for (const auto& changes : refused) {
        std::vector<std::string> args = {"set", Path("odd.dat")};
        args.insert(args.end(), changes.begin(), changes.end());
        EXPECT_EQ(Run(args), kwctl::kUsage) << changes[0];
        EXPECT_FALSE(m_output.err.empty()) << changes[0];
        EXPECT_EQ(ReadText(m_dir / "odd.dat"), original) << changes[0];
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 6)
        << "a temporary file was left behind";
}

TEST_F(KwctlTest, SetAndNewChangeOnlyTheBytesOfTheirSettings) {
    ASSERT_EQ(Run({"set", Path("odd-switches.dat"), "font1=クーリエ", "msw2-7=80",
                   "country=germany", "form3.front-tractor=7"}),
              kwctl::kSuccess)
        << m_output.err;
    SettingsRecord expected = OddSwitches();
    expected[field::kFont1] = '2';
    expected[field::kMsw2] = 0x2E;
    expected[field::kMsw1] = 0x20;  // code 4: bit 5 alone
    std::copy_n("007", 3, &expected[field::kFormBlock[3] + 11]);
    EXPECT_EQ(ReadText(m_dir / "odd-switches.dat"), FileBytes(expected));

    EXPECT_EQ(Run({"new", Path("factory.dat")}), kwctl::kUsage) << "replaced without --force";
    EXPECT_EQ(Run({"new", Path("new.dat"), "load-time=0.5s", "quiet=on"}), kwctl::kSuccess);
    SettingsRecord fresh = FactoryRecord();
    fresh[field::kLoadTime] = '2';
    fresh[field::kQuiet] = '1';
    EXPECT_EQ(ReadText(m_dir / "new.dat"), FileBytes(fresh));
    EXPECT_EQ(Run({"new", Path("new.dat"), "--force"}), kwctl::kSuccess);
    EXPECT_EQ(ReadText(m_dir / "new.dat"), FileBytes(FactoryRecord()));
}

namespace {

// How kwctl's stdout is set up in a child: a full disk, closed, or a pipe nobody reads.
enum class Stdout { Full, Closed, ReaderGone };

// Runs the real kwctl with that stdout; its exit status and stderr.
int RunWithBrokenStdout(const std::vector<std::string>& args, Stdout how, std::string& err) {
    int errPipe[2], outPipe[2];
    if (::pipe(errPipe) != 0 || ::pipe(outPipe) != 0) return -1;
    ::close(outPipe[0]);  // the reader is gone before anything is written
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errPipe[1], 2);
        if (how == Stdout::Full) ::dup2(::open("/dev/full", O_WRONLY), 1);
        if (how == Stdout::Closed) ::close(1);
        if (how == Stdout::ReaderGone) ::dup2(outPipe[1], 1);
        std::vector<char*> argv = {const_cast<char*>(KW_KWCTL_PROGRAM)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(errPipe[1]);
    ::close(outPipe[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(errPipe[0], buffer, sizeof(buffer))) > 0;)
        err.append(buffer, static_cast<std::size_t>(got));
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

// Results that did not get out are a failure with a message, never a silent success.
TEST_F(KwctlTest, ResultsThatCannotBeWrittenFailTheRun) {
    WriteBytes(m_dir / "kw.log", "{\"time\":\"20");  // a log with only a torn line
    const struct {
        std::vector<std::string> args;
        Stdout how;
    } cases[] = {
        {{"show", Path("factory.dat"), "--json"}, Stdout::Full},
        {{"log", Path("kw.log"), "--json"}, Stdout::Full},
        {{"keys"}, Stdout::Closed},
        {{"keys", "--json"}, Stdout::ReaderGone},
        {{"plan", Path("factory.dat"), "-p", "Vek 1F", "--log", Path("kw.log")}, Stdout::Full},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(static_cast<int>(c.how)));
        std::string err;
        EXPECT_EQ(RunWithBrokenStdout(c.args, c.how, err), kwctl::kUsage) << err;
        EXPECT_NE(err.find("kwctl: the results could not be written ("), std::string::npos) << err;
    }
}
