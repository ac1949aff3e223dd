// kwctl report over a small send log with a queue in each state: the rows in their order, what
// differs, the earlier sends, and nothing written when the log cannot be used.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kwctl/FleetReport.h"
#include "kwctl/Kwctl.h"
#include "kwctl/LogEntry.h"
#include "settings/SettingsCatalog.h"
#include "settings/SettingsFile.h"

namespace fs = std::filesystem;

namespace {

// The rows of a page: "NAME state" each, in their order.
std::vector<std::string> Rows(const std::string& html) {
    std::vector<std::string> rows;
    const std::string start = "<tr data-printer=\"";
    for (std::size_t at = 0; (at = html.find(start, at)) != std::string::npos;) {
        at += start.size();
        const std::size_t nameEnd = html.find('"', at);
        const std::size_t state = html.find("data-state=\"", nameEnd) + 12;
        rows.push_back(html.substr(at, nameEnd - at) + " " +
                       html.substr(state, html.find('"', state) - state));
    }
    return rows;
}

// The row of `printer`, to its end.
std::string RowOf(const std::string& html, const std::string& printer) {
    const std::size_t at = html.find("<tr data-printer=\"" + printer + "\"");
    return at == std::string::npos ? "" : html.substr(at, html.find("</tr>\n", at) - at);
}

TEST(FleetReport, EachQueueIsOneRowMostUrgentFirstWithWhatDiffersAndItsEarlierSends) {
    char pattern[] = "/tmp/kwctl-report.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    const auto path = [&](const char* name) { return (dir / name).string(); };
    SettingsRecord office = FactoryRecord();
    ASSERT_TRUE(catalog::Apply(office, std::vector<catalog::Assignment>{{"msw2-7", "80"}}).ok);
    const SettingsFileImage image = EncodeSettingsFile(office);
    std::ofstream(dir / "office.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), image.size());
    const auto line = [](const char* printer, kwctl::Outcome outcome, const SettingsRecord& r) {
        return kwctl::FormatLogLine(
            kwctl::MakeLogEntry(r, printer, "C:\\fleet\\office.dat", 3, outcome, std::nullopt));
    };
    std::string log;
    for (int i = 0; i < 12; ++i)
        log += line("Vek 1F", kwctl::Outcome::Done, office);
    log += line("Vek 2F", kwctl::Outcome::Done, FactoryRecord()) +
           line("Vek 4F", kwctl::Outcome::Held, office) +
           line("Vek 1F", kwctl::Outcome::DryRun, FactoryRecord());  // no send
    std::ofstream(dir / "kw.log", std::ios::binary) << log;
    std::ofstream(dir / "fleet.txt") << "Vek 1F\nVek 2F\nVek 3F\nVek 4F\n";

    kwctl::StringOutput output;
    kwctl::Environment env{output};
    const std::string page = path("report.html");
    EXPECT_EQ(kwctl::Run({"report", path("office.dat"), "--log", path("kw.log"), "--targets",
                          path("fleet.txt"), "--html", page},
                         env),
              kwctl::kDiffers)
        << output.err;
    std::ifstream in(page, std::ios::binary);
    const std::string html{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(Rows(html), (std::vector<std::string>{"Vek 4F not-finished", "Vek 2F differs",
                                                    "Vek 3F never-sent", "Vek 1F up-to-date"}));
    const std::string differs = RowOf(html, "Vek 2F");
    EXPECT_NE(differs.find("<code>msw2-7</code>"), std::string::npos) << differs;
    EXPECT_NE(differs.find("<del>１３６桁 (0)</del> &rarr; <ins>８０桁 (1)</ins>"),
              std::string::npos)
        << differs;
    EXPECT_NE(RowOf(html, "Vek 1F").find("<summary>10 earlier sends</summary>"),
              std::string::npos);
    EXPECT_NE(html.find("1 last send did not finish</span>"), std::string::npos);

    // Without a list, the queues of the log; a log that cannot be used leaves no page.
    EXPECT_EQ(kwctl::Run({"report", path("office.dat"), "--log", path("kw.log"), "--html", page},
                         env),
              kwctl::kDiffers);
    std::ifstream again(page, std::ios::binary);
    EXPECT_EQ(Rows({std::istreambuf_iterator<char>(again), {}}),
              (std::vector<std::string>{"Vek 4F not-finished", "Vek 2F differs",
                                        "Vek 1F up-to-date"}));
    // What cannot be reported on leaves no page and no other file changed: a log that cannot be
    // used, a page that would take the place of its own inputs, no queue at all.
    std::ofstream(dir / "bad.log", std::ios::binary) << log << "{}\n";
    std::ofstream(dir / "empty.log", std::ios::binary);
    fs::create_symlink(dir / "kw.log", dir / "also.log");
    const struct {
        std::vector<std::string> args;
        const char* page;
        const char* err;
    } refused[] = {
        {{"--log", path("bad.log")}, "none.html", "line 16: not a log entry"},
        {{"--log", path("kw.log")}, "kw.log", "is the send log; the report would replace it"},
        {{"--log", path("kw.log")}, "also.log", "is the send log"},
        {{"--log", path("kw.log")}, "office.dat", "is the settings file"},
        {{"--log", path("kw.log"), "--targets", path("fleet.txt")}, "fleet.txt",
         "is the list of queues"},
        {{"--log", path("new.log"), "--targets", path("fleet.txt")}, "new.log",
         "is the send log"},
        {{"--log", path("empty.log")}, "none.html", "the send log names no queue"},
        {{"--log", path("never.log")}, "none.html", "the send log names no queue"},
    };
    const auto size = [&](const char* name) { return fs::file_size(dir / name); };
    const std::uintmax_t sizes[] = {size("kw.log"), size("office.dat"), size("fleet.txt")};
    for (const auto& r : refused) {
        SCOPED_TRACE(r.err);
        std::vector<std::string> args = {"report", path("office.dat"), "--html", path(r.page)};
        args.insert(args.end(), r.args.begin(), r.args.end());
        output.err.clear();
        EXPECT_EQ(kwctl::Run(args, env), kwctl::kUsage);
        EXPECT_NE(output.err.find(r.err), std::string::npos) << output.err;
        EXPECT_FALSE(fs::exists(dir / "none.html") || fs::exists(dir / "new.log"));
    }
    EXPECT_EQ((std::vector<std::uintmax_t>{size("kw.log"), size("office.dat"), size("fleet.txt")}),
              std::vector<std::uintmax_t>(std::begin(sizes), std::end(sizes)));

    // Every queue up to date: nothing to send.
    output.out.clear();
    EXPECT_EQ(kwctl::Run({"report", path("office.dat"), "--log", path("kw.log"), "-p", "Vek 1F",
                          "--html", page},
                         env),
              kwctl::kSuccess);
    EXPECT_EQ(output.out, "wrote " + page + ": 1 queue, nothing to send\n");
    fs::remove_all(dir);
}

TEST(FleetReport, TimesAndAgesAreReadAsUtc) {
    EXPECT_EQ(kwctl::UtcSeconds("2026-01-05T08:00:00Z"), 1767600000);
    EXPECT_EQ(kwctl::UtcSeconds("2024-02-29T23:59:59Z"), 1709251199);
    EXPECT_EQ(kwctl::UtcSeconds("1970-01-01T00:00:00Z"), 0);
    for (const char* bad : {"2026-13-05T08:00:00Z", "2026-01-05 08:00:00Z", "2026-01-05T08:00:00",
                            "２026-01-05T08:00:00Z", ""}) {
        EXPECT_FALSE(kwctl::UtcSeconds(bad)) << bad;
    }
    EXPECT_EQ(kwctl::AgeText(1000, 1030), "just now");
    EXPECT_EQ(kwctl::AgeText(0, 3 * 86400 + 5), "3 days ago");
    EXPECT_EQ(kwctl::AgeText(100, 0), "in the future");
    EXPECT_EQ(kwctl::HtmlEscaped("<a href='x'>&\"\xFF"),
              "&lt;a href=&#39;x&#39;&gt;&amp;&quot;\xEF\xBF\xBD");
}

}  // namespace
