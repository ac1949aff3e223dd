// kwctl plan and log, run in-process on a send log written as send writes it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "kwctl/Kwctl.h"
#include "kwctl/LogEntry.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsFile.h"

namespace fs = std::filesystem;

namespace {

TEST(KwctlFleetTest, PlanAndLogTellEachQueueFromTheSendLog) {
    char pattern[] = "/tmp/kwctl-fleet.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    const auto path = [&](const char* name) { return (dir / name).string(); };
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return path(name);
    };
    SettingsRecord office = FactoryRecord();
    ASSERT_TRUE(catalog::Apply(office, std::vector<catalog::Assignment>{{"msw2-7", "80"}}).ok);
    const SettingsFileImage image = EncodeSettingsFile(office);
    const std::string dat = write("office.dat", std::string(image.begin(), image.end()));
    const auto line = [](const char* printer, const char* outcome, const SettingsRecord& r,
                         std::optional<std::string> reason = std::nullopt) {
        return kwctl::FormatLogLine(
            kwctl::MakeLogEntry(r, printer, "C:\\fleet\\office.dat", 4,
                                *kwctl::LoggedOutcome(outcome), reason));
    };
    const std::string lines =
        line("Vek 1F", "failed", office, "error") + line("Vek 1F", "done", office) +
        line("Vek 2F", "sent", FactoryRecord()) + line("Vek 3F", "held", office, "paused") +
        line("Vek 4F", "dry-run", office);  // no send
    const std::string log = write("kw.log", lines);
    const std::string torn = write("torn.log", lines + "{\"time\":\"20");
    // A line that is no entry, met on the way from the end to the queue's last send.
    const std::string bad = write("bad.log", line("Vek 1F", "done", office) + "{}\n");
    const std::string list = write("fleet.txt", "# second floor\nVek 3F\nVek 4F\nvek 3f\n");

    const std::string plan = "plan";
    const struct {
        std::vector<std::string> args;
        int status;
        std::vector<std::string> out;  // parts of stdout, in this order
        std::string err;               // a part of stderr; empty: nothing there
    } cases[] = {
        {{plan, dat, "-p", "Vek 1F", "--log", torn},
         0,
         {"Vek 1F: up to date (done 20", "\nnothing to send\n"},
         "torn.log: the last line of the send log is cut off"},
        {{plan, dat, "-p", "vek 1f", "-p", "Vek 2F", "--log", log},
         1,
         {"vek 1f: up to date", "Vek 2F: differs (sent 20", ", from C:\\fleet\\office.dat)\n",
          "  msw2-7                  １３６桁 (0)          -> ８０桁 (1)\n",
          "would send to 1 of 2 queues\n"},
         ""},
        {{plan, dat, "--targets", list, "--log", log},
         1,
         {"Vek 3F: last send did not finish (held 20",
          ": paused)\nVek 4F: never sent\nwould send to 2 of 2"},
         ""},
        {{plan, dat, "-p", "Vek 2F", "-p", "Vek 4F", "--log", log, "--json"},
         1,
         {"\"send\": 2,", "\"state\": \"differs\"", "\"outcome\": \"sent\"",
          "\"from\": \"１３６桁 (0)\"", "\"state\": \"never sent\"", "\"last\": null"},
         ""},
        {{plan, dat, "-p", "Vek 1F", "--log", bad},
         2,
         {},
         "bad.log: the send log cannot be used: line 2: not a log entry"},
        {{plan, dat, "-p", "Vek 1F"}, 2, {}, "--log is required"},
        // A queue named twice, in another case, is planned once.
        {{plan, dat, "-p", "Vek 9F", "-p", "VEK 9F", "--log", log},
         1,
         {"Vek 9F: never sent\nwould send to 1 of 1 queues\n"},
         ""},
        // Each queue's last send; a dry run is no send.
        {{"log", log},
         0,
         {"\nVek 1F                  done     20", "office.dat\nVek 2F                  sent",
          "\nVek 3F                  held", "office.dat  (paused)\n"},
         ""},
        {{"log", log, "-p", "Vek 9F", "-p", "VEK 2F"},
         0,
         {"Vek 9F                  never sent\nVek 2F                  sent"},
         ""},
        {{"log", dat + ".log"}, 2, {}, "office.dat.log: there is no send log there"},
    };
    for (const auto& c : cases) {
        std::string command;
        for (const std::string& a : c.args)
            command += a.substr(a.rfind('/') + 1) + " ";
        SCOPED_TRACE(command);
        kwctl::StringOutput output;
        kwctl::Environment env{output};
        EXPECT_EQ(kwctl::Run(c.args, env), c.status);
        std::size_t at = 0;
        for (const std::string& part : c.out) {
            at = output.out.find(part, at);
            EXPECT_NE(at, std::string::npos) << "no \"" << part << "\" in\n" << output.out;
        }
        EXPECT_TRUE(!c.out.empty() || output.out.empty()) << output.out;
        EXPECT_TRUE(c.err.empty() ? output.err.empty()
                                  : output.err.find(c.err) != std::string::npos)
            << output.err;
    }
    fs::remove_all(dir);
}

}  // namespace
