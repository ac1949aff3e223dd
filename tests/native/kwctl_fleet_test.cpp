// kwctl plan and log, run in-process on a send log written as send writes it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "kwctl/Kwctl.h"
#include "kwctl/SendLog.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsFile.h"

namespace fs = std::filesystem;

namespace {

SettingsRecord Office() {
    SettingsRecord record = FactoryRecord();
    EXPECT_TRUE(catalog::Apply(record, std::vector<catalog::Assignment>{{"msw2-7", "80"}}).ok);
    return record;
}

class KwctlFleetTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kwctl-fleet.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        const SettingsFileImage image = EncodeSettingsFile(Office());
        std::ofstream(m_dir / "office.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), image.size());
        const auto line = [](const char* printer, const char* outcome, const SettingsRecord& r,
                             std::optional<std::string> reason = std::nullopt) {
            return kwctl::FormatLogLine(kwctl::MakeLogEntry(r, printer, "C:\\fleet\\office.dat", 4,
                                                            outcome, std::move(reason)));
        };
        m_lines = line("Vek 1F", "failed", Office(), "error") + line("Vek 1F", "done", Office()) +
                  line("Vek 2F", "sent", FactoryRecord()) +
                  line("Vek 3F", "held", Office(), "paused") + line("Vek 4F", "dry-run", Office());
        Write("kw.log", m_lines);
        Write("torn.log", m_lines + "{\"time\":\"20");
        Write("bad.log", line("Vek 1F", "done", Office()) + "not a line\n" + m_lines);
        Write("fleet.txt", "# second floor\nVek 3F\nVek 4F\nvek 3f\n");
        Write("latin1.txt", "Vek \xE9\n");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    int Run(std::vector<std::string> args) {
        m_output = {};
        kwctl::Environment env{m_output};
        return kwctl::Run(args, env);
    }

    fs::path m_dir;
    std::string m_lines;
    kwctl::StringOutput m_output;
};

TEST_F(KwctlFleetTest, PlanAndLogTellEachQueueFromTheSendLog) {
    const std::string plan = "plan";
    const std::string dat = Path("office.dat");
    const std::string log = Path("kw.log");
    const struct {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> out;  // parts of stdout, in this order
        std::string err;               // a part of stderr; empty: nothing there
    } cases[] = {
        {{plan, dat, "-p", "Vek 1F", "--log", log},
         kwctl::kSuccess,
         {"Vek 1F: up to date (done 20", "nothing to send\n"},
         ""},
        {{plan, dat, "-p", "vek 1f", "-p", "Vek 2F", "--log", log},
         kwctl::kDiffers,
         {"vek 1f: up to date", "Vek 2F: differs (sent 20", ", from C:\\fleet\\office.dat)\n",
          "  msw2-7                  １３６桁 (0)          -> ８０桁 (1)\n",
          "would send to 1 of 2 queues\n"},
         ""},
        // A list: a comment, and a name given again in other case, sent once.
        {{plan, dat, "--targets", Path("fleet.txt"), "--log", log},
         kwctl::kDiffers,
         {"Vek 3F: last send did not finish (held 20", ": paused)\nVek 4F: never sent\n",
          "would send to 2 of 2 queues\n"},
         ""},
        {{plan, dat, "-p", "Vek 1F", "--log", Path("none.log")},
         kwctl::kDiffers,
         {"Vek 1F: never sent\n"},
         ""},
        {{plan, dat, "-p", "Vek 1F", "--log", Path("torn.log")},
         kwctl::kSuccess,
         {"Vek 1F: up to date"},
         "torn.log: the last line of the send log is cut off"},
        {{plan, dat, "-p", "Vek 1F", "--log", Path("bad.log")},
         kwctl::kUsage,
         {},
         "bad.log: the send log cannot be used: line 2: not a log entry"},
        {{plan, dat, "-p", "Vek 1F"}, kwctl::kUsage, {}, "--log is required"},
        {{plan, dat, "--targets", Path("latin1.txt"), "--log", log},
         kwctl::kUsage,
         {},
         "latin1.txt: the list of queues cannot be used: line 1: not valid UTF-8"},
        {{plan, dat, "--targets", Path("none.txt"), "-p", "Vek 1F", "--log", log},
         kwctl::kUsage,
         {},
         "Exactly 1 option"},
        {{plan, Path("fleet.txt"), "-p", "Vek 1F", "--log", log},
         kwctl::kUsage,
         {},
         "fleet.txt: このファイルは設定ファイルではありません。"},
        // The log: each queue's last send; a dry run is no send.
        {{"log", log},
         kwctl::kSuccess,
         {"PRINTER", "\nVek 1F                  done     20", "C:\\fleet\\office.dat\n",
          "\nVek 2F                  sent", "\nVek 3F                  held",
          "C:\\fleet\\office.dat  (paused)\n"},
         ""},
        {{"log", log, "-p", "Vek 9F", "-p", "VEK 2F"},
         kwctl::kSuccess,
         {"Vek 9F                  never sent\nVek 2F                  sent"},
         ""},
        {{"log", Path("none.log")}, kwctl::kUsage, {}, "none.log: there is no send log there"},
        {{"log", Path("bad.log")}, kwctl::kUsage, {}, "line 2: not a log entry"},
    };
    for (const auto& c : cases) {
        std::string command;
        for (const std::string& a : c.args)
            command += a.substr(a.rfind('/') + 1) + " ";
        SCOPED_TRACE(command);
        EXPECT_EQ(Run(c.args), c.status);
        std::size_t at = 0;
        for (const std::string& part : c.out) {
            at = m_output.out.find(part, at);
            EXPECT_NE(at, std::string::npos) << "no \"" << part << "\" in\n" << m_output.out;
        }
        if (c.out.empty()) {
            EXPECT_EQ(m_output.out, "");
        }
        if (c.err.empty()) {
            EXPECT_EQ(m_output.err, "");
        }
        EXPECT_NE(m_output.err.find(c.err), std::string::npos) << m_output.err;
    }
}

TEST_F(KwctlFleetTest, JsonOfPlanAndLogHoldTheLastSendAsLogged) {
    ASSERT_EQ(Run({"plan", Path("office.dat"), "-p", "Vek 2F", "-p", "Vek 4F", "--log",
                   Path("kw.log"), "--json"}),
              kwctl::kDiffers);
    const auto plan = nlohmann::json::parse(m_output.out);
    EXPECT_EQ(plan["send"], 2);
    const auto& differs = plan["queues"][0];
    EXPECT_EQ(differs["state"], "differs");
    EXPECT_EQ(differs["last"]["outcome"], "sent");
    EXPECT_EQ(differs["last"]["sha256"],
              kwctl::MakeLogEntry(FactoryRecord(), "", "", {}, "", {}).sha256);
    EXPECT_EQ(differs["changes"], nlohmann::json::parse(R"j([{"key": "msw2-7",
        "name": "印刷桁数の切り替え (MSW2-7)", "from": "１３６桁 (0)", "to": "８０桁 (1)"
}])j"));
    EXPECT_EQ(plan["queues"][1]["state"], "never sent");
    EXPECT_TRUE(plan["queues"][1]["last"].is_null());

    // The log's own lines come back whole, with every key.
    ASSERT_EQ(Run({"log", Path("kw.log"), "--json"}), kwctl::kSuccess);
    const auto log = nlohmann::json::parse(m_output.out);
    ASSERT_EQ(log.size(), 3u);
    std::istringstream lines(m_lines);
    std::string line;
    std::getline(lines, line);  // Vek 1F's first send, replaced by its second
    std::getline(lines, line);
    EXPECT_EQ(log[0]["last"], nlohmann::json::parse(line));
}

}  // namespace
