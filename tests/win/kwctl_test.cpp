// kwctl's printer commands against Wine's real spooler, and the real kwctl.exe with Japanese
// names and redirected output.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "kwctl/Kwctl.h"
#include "kwctl/SendLog.h"
#include "printer/FakePrinterSpooler.h"
#include "printer/PrinterSend.h"
#include "printer/WinPrinterSpooler.h"
#include "settings/Fields.h"
#include "settings/Utf8.h"
#include "settings/SettingsFile.h"
#include "tests/win/rig/Printers.h"
#include "tests/native/kwctl_command_line.h"
#include "tests/win/rig/Process.h"

namespace {

constexpr char kSent[] = "プリンタに設定値を送信しました。";
constexpr char kNotUsable[] =
    "指定されたプリンタは、現在接続されていないか、プリンタ使用権の制限により使用できません。";

SettingsRecord SomeRecord() {
    SettingsRecord record = FactoryRecord();
    record[field::kMsw2] = 0x02;
    record[179] = 0xFF;
    return record;
}

std::vector<std::uint8_t> Bytes(const SettingsRecord& record) {
    return std::vector<std::uint8_t>(record.data(), record.data() + record.size());
}

// Writes a settings file into the test folder and returns its path in UTF-8.
std::string WriteSettings(const std::wstring& name, const SettingsRecord& record) {
    const std::wstring path = rig::TestDir() + name;
    const SettingsFileImage image = EncodeSettingsFile(record);
    std::ofstream(std::filesystem::path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), image.size());
    return ToUtf8(path);
}

void SetQueueValue(const std::wstring& queue, const wchar_t* name, const std::wstring& value) {
    const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + queue;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

struct Outcome {
    int status;
    kwctl::StringOutput output;
};

Outcome RunKwctl(std::vector<std::string> args, PrinterSpooler* spooler = nullptr) {
    Outcome run{};
    kwctl::Environment env{run.output, spooler};
    run.status = kwctl::Run(args, env);
    return run;
}

DWORD WINAPI StartNoJob(HANDLE, DWORD, BYTE*) {
    return 0;
}

// The queue's status as Wine's spooler cannot report it.
class PausingSpooler final : public PrinterSpooler {
public:
    std::vector<PrinterLevel4> EnumLevel4(std::uint32_t flags,
                                          const std::optional<std::wstring>& name) override {
        return m_real.EnumLevel4(flags, name);
    }
    std::vector<PrinterLevel2> EnumLevel2(std::uint32_t flags,
                                          const std::optional<std::wstring>& name) override {
        auto entries = m_real.EnumLevel2(flags, name);
        for (PrinterLevel2& entry : entries) {
            if (entry.printerName == L"Kw Paused") entry.status |= 0x1;  // PRINTER_STATUS_PAUSED
        }
        return entries;
    }
    bool OpensForUse(const std::wstring& name) override { return m_real.OpensForUse(name); }
    std::optional<PrinterLevel2> GetLevel2(const std::wstring& name) override {
        return m_real.GetLevel2(name);
    }

private:
    WinPrinterSpooler m_real;
};

}  // namespace

// The printer commands too: a CLI11 that refuses one of their names fails here.
TEST(KwctlCommandLineTest, TheWholeCommandLineIsMade) {
    kwctl_test::ExpectEveryCommandLineIsMade([](std::vector<std::string> args, std::string& out) {
        Outcome run = RunKwctl(std::move(args));
        out = run.output.out;
        return run.status;
    });
}

TEST(KwctlSendTest, AllSendsTheSameJobToEveryUsableQueueOfTheModel) {
    rig::TestPrinters printers;
    const std::wstring ports[] = {L"LPT1:", L"LPT2:", L"LPT3:"};
    for (int i = 0; i < 3; ++i)
        printers.Add(L"Kw Fleet " + std::to_wstring(i + 1), ports[i]);
    printers.Add(L"Kw On File", L"FILE:");
    printers.Add(L"Kw Other Model", L"LPT4:", L"Vek Brelvistoka 410ZQ II");
    const std::string file = WriteSettings(L"fleet.dat", SomeRecord());

    Outcome dry = RunKwctl({"send", file, "--all", "--dry-run"});
    EXPECT_EQ(dry.status, kwctl::kSuccess) << dry.output.err;
    for (const auto& port : ports)
        EXPECT_TRUE(printers.Captured(port).empty()) << "a dry run sent a job";

    Outcome run = RunKwctl({"send", file, "--all"});
    EXPECT_EQ(run.status, kwctl::kSuccess) << run.output.err;
    EXPECT_EQ(run.output.out,
              "sent    Kw Fleet 1: " + std::string(kSent) + "\nsent    Kw Fleet 2: " + kSent +
                  "\nsent    Kw Fleet 3: " + kSent + "\nskipped Kw On File: connection is FILE:\n");
    EXPECT_NE(run.output.err.find("[3/3] Kw Fleet 3"), std::string::npos) << "no progress";
    for (const auto& port : ports)
        EXPECT_EQ(printers.Captured(port), Bytes(SomeRecord()));
    EXPECT_TRUE(printers.Captured(L"LPT4:").empty());
}

// With no usable queue, --all sends nothing, exits 3, and still writes its JSON document with
// every queue it left out and why.
TEST(KwctlSendTest, AllWithNoUsableQueueExitsThreeAndListsTheQueuesLeftOut) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Archive", L"FILE:");
    printers.Add(L"Kw Other Model", L"LPT1:", L"Vek Brelvistoka 410ZQ II");
    const std::string file = WriteSettings(L"none.dat", SomeRecord());

    Outcome real = RunKwctl({"send", file, "--all", "--json"});
    EXPECT_EQ(real.status, kwctl::kNothingToSend);
    const auto doc = nlohmann::json::parse(real.output.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << real.output.out;
    EXPECT_EQ(doc["results"], nlohmann::json::array());
    EXPECT_EQ(doc["skipped"], nlohmann::json::parse(R"([{"printer": "Kw Archive",
                                                           "reason": "connection is FILE:"}])"));
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty());

    // Behind the seam: a queue that does not open, one that prints to FILE: on its server, one
    // whose server does not answer.
    FakePrinterSpooler fake;
    fake.AddLocal(L"Closed", L"LPT2:");
    fake.closedToUser = {L"Closed"};
    fake.AddConnection(L"\\\\srv", L"\\\\srv\\File", L"FILE:", 0x10);
    fake.AddConnection(L"\\\\down", L"\\\\down\\Vek", L"LPT1:", 0x10);
    fake.level2Fails = {L"\\\\down"};
    Outcome text = RunKwctl({"send", file, "--all", "--dry-run"}, &fake);
    EXPECT_EQ(text.status, kwctl::kNothingToSend);
    EXPECT_EQ(text.output.out,
              "skipped Closed: does not open for use\n"
              "skipped \\\\srv\\File: its port on the server is FILE:\n"
              "skipped \\\\down\\Vek: its server did not list it (not answering?); its model is "
              "unknown\n");
    EXPECT_NE(text.output.err.find("nothing was sent"), std::string::npos) << text.output.err;
}

TEST(KwctlSendTest, EachNamedQueueGetsItsOwnResultAndOnlyTheGoodOneAJob) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Good", L"LPT1:");
    printers.Add(L"Kw File", L"FILE:");
    printers.Add(L"Kw Gone", L"LPT2:");
    printers.Remove(L"Kw Gone");
    printers.Add(L"Kw Text", L"LPT3:", L"Generic / Text Only");
    const std::string file = WriteSettings(L"mix.dat", SomeRecord());

    Outcome run = RunKwctl(
        {"send", file, "-p", "Kw Good", "-p", "Kw File", "-p", "Kw Gone", "-p", "Kw Text"});
    EXPECT_EQ(run.status, kwctl::kDiffers);
    EXPECT_EQ(run.output.out,
              "sent    Kw Good: " + std::string(kSent) +
                  "\nrefused Kw File: 接続先がFILEのため設定値を送信できません。\n"
                  "failed  Kw Gone: " +
                  kNotUsable +
                  "\nrefused Kw Text: its driver \"Generic / Text Only\" is not \"Vek "
                  "Brelvistoka 410ZQ\"\n");
    EXPECT_EQ(printers.Captured(L"LPT1:"), Bytes(SomeRecord()));
    EXPECT_TRUE(printers.Captured(L"LPT2:").empty());
    EXPECT_TRUE(printers.Captured(L"LPT3:").empty());

    // A spooler that starts no job: the queue fails with the reason, and nothing is spooled.
    printers.Clear(L"LPT1:");
    SendSpoolerCalls noJob;
    noJob.startDocPrinter = StartNoJob;
    {
        ScopedSendSpoolerCallsForTesting scope(noJob);
        Outcome failed = RunKwctl({"send", file, "--printer", "Kw Good"});
        EXPECT_EQ(failed.status, kwctl::kDiffers);
        EXPECT_EQ(failed.output.out, "failed  Kw Good: the spooler started no job\n");
    }
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty());

    // A bad file sends nothing at all.
    printers.Clear(L"LPT1:");
    std::ofstream(std::filesystem::path(rig::TestDir() + L"bad.dat")) << "not settings";
    Outcome bad = RunKwctl({"send", ToUtf8(rig::TestDir() + L"bad.dat"), "--all"});
    EXPECT_EQ(bad.status, kwctl::kUsage);
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty());
}

// For a connection to a queue on a server, the port of that queue counts as well: one that prints
// to FILE: there is refused, and printers says why.
TEST(KwctlSendTest, AConnectionWhoseQueuePrintsToFileOnItsServerIsRefused) {
    FakePrinterSpooler fake;
    fake.AddConnection(L"\\\\srv", L"\\\\srv\\Vek Print", L"LPT1:", 0x10);
    fake.AddConnection(L"\\\\srv", L"\\\\srv\\Vek File", L"FILE:", 0x10);
    const std::string file = WriteSettings(L"server.dat", SomeRecord());

    Outcome named = RunKwctl(
        {"send", file, "--dry-run", "-p", "\\\\srv\\Vek Print", "-p", "\\\\srv\\Vek File"}, &fake);
    EXPECT_EQ(named.status, kwctl::kDiffers);
    EXPECT_EQ(named.output.out,
              "ready   \\\\srv\\Vek Print: not sent (dry run)\n"
              "refused \\\\srv\\Vek File: 接続先がFILEのため設定値を送信できません。\n");

    Outcome listed = RunKwctl({"printers"}, &fake);
    EXPECT_NE(
        listed.output.out.find(
            "\\\\srv\\Vek File          \\\\srv       unusable  its port on the server is FILE:\n"),
        std::string::npos)
        << listed.output.out;
}

TEST(KwctlPrintersTest, ReportsWhatWouldHoldUpARawJob) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Ready", L"LPT1:");
    printers.Add(L"Kw Offline", L"LPT2:", rig::kModelDriver, 0x440);
    printers.Add(L"Kw Emf", L"LPT3:");
    SetQueueValue(L"Kw Emf", L"Datatype", L"NT EMF 1.008");
    printers.Add(L"Kw Paused", L"LPT5:");
    printers.Add(L"Kw File", L"FILE:");
    printers.Add(L"Kw Text", L"LPT6:", L"Generic / Text Only");

    PausingSpooler spooler;
    Outcome run = RunKwctl({"printers", "--json"}, &spooler);
    ASSERT_EQ(run.status, kwctl::kSuccess);
    const std::string& out = run.output.out;
    auto entry = [&](const std::string& name) {
        const std::size_t at = out.find("\"name\": \"" + name + "\"");
        EXPECT_NE(at, std::string::npos) << name << " not listed";
        return at == std::string::npos ? std::string() : out.substr(at, out.find('}', at) - at);
    };
    EXPECT_NE(entry("Kw Ready").find("\"usable\": true"), std::string::npos);
    EXPECT_NE(entry("Kw Ready").find("\"holds\": []"), std::string::npos);
    EXPECT_NE(entry("Kw Offline").find("\"offline\""), std::string::npos);
    EXPECT_NE(entry("Kw Emf").find("\"datatype\": \"NT EMF 1.008\""), std::string::npos);
    EXPECT_NE(entry("Kw Emf").find("\"raw\": false"), std::string::npos);
    EXPECT_NE(entry("Kw Paused").find("\"paused\""), std::string::npos);
    EXPECT_NE(entry("Kw File").find("\"usable\": false"), std::string::npos);
    EXPECT_EQ(out.find("Kw Text"), std::string::npos) << "another model was listed";

    Outcome text = RunKwctl({"printers"}, &spooler);
    EXPECT_NE(text.output.out.find("data type \"NT EMF 1.008\" (a raw job expects RAW)"),
              std::string::npos)
        << text.output.out;
}

std::wstring KwctlExe() {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program =
        std::filesystem::path(self).parent_path().parent_path().parent_path() / L"kwctl" /
        L"kwctl.exe";
    EXPECT_TRUE(std::filesystem::exists(program)) << program;
    return program.wstring();
}

TEST(KwctlProgramTest, JapaneseNamesReachTheSpoolerAndRedirectedOutputIsUtf8) {
    rig::TestPrinters printers;
    printers.Add(L"ベク事務所", L"LPT1:");
    const std::string file = WriteSettings(L"設定.dat", SomeRecord());

    int status = -1;
    const std::string text = rig::RunConsole(
        KwctlExe(), L"send \"" + FromUtf8(file) + L"\" --printer ベク事務所", status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_EQ(text, "sent    ベク事務所: " + std::string(kSent) + "\n");
    EXPECT_EQ(printers.Captured(L"LPT1:"), Bytes(SomeRecord()));
}

// Half of a surrogate pair has no UTF-8 form: a name with it is refused, not turned into another.
TEST(KwctlProgramTest, AnArgumentWithHalfASurrogatePairIsRefused) {
    const std::wstring name = rig::TestDir() + L"half\xD800.dat";
    int status = -1;
    const std::string text = rig::RunConsole(KwctlExe(), L"new \"" + name + L"\"", status);
    EXPECT_EQ(status, kwctl::kUsage) << text;
    EXPECT_NE(text.find("kwctl: argument 2 (\""), std::string::npos) << text;
    EXPECT_NE(text.find("half of a UTF-16 surrogate pair"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(rig::TestDir() + L"half\xFFFD.dat"));
}

namespace {

std::string Quoted(const std::string& utf8) {
    return "\"" + utf8 + "\"";
}

// A run of the real kwctl.exe; `args` are UTF-8, quoted as given.
struct ProgramRun {
    int status = -1;
    std::string out;       // stdout and stderr, without the progress lines
    std::string progress;  // the progress lines "[k/n] NAME"
};

ProgramRun RunProgram(const std::string& args) {
    ProgramRun run;
    std::istringstream lines(rig::RunConsole(KwctlExe(), FromUtf8(args), run.status));
    for (std::string line; std::getline(lines, line);)
        (line.starts_with("[") ? run.progress : run.out) += line + "\n";
    return run;
}

std::vector<kwctl::LogEntry> ReadLogEntries(const std::string& path) {
    std::vector<kwctl::LogEntry> entries;
    const kwctl::LogRead read =
        kwctl::ReadLog(FromUtf8(path), [&](kwctl::LogEntry&& e) { entries.push_back(e); });
    EXPECT_EQ(read.status, kwctl::LogRead::Status::Read) << read.error;
    EXPECT_FALSE(read.tornLastLine);
    return entries;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++count;
    return count;
}

}  // namespace

// A fleet as a scheduled task keeps it: send with --wait and a log, plan (nothing to do), a
// changed switch (every queue differs in it), a new queue (sent to alone).
TEST(KwctlFleetTest, SendWaitAndLogThenPlanThenSendOnlyWhatChanged) {
    rig::TestPrinters printers;
    const std::wstring ports[] = {L"LPT1:", L"LPT2:", L"LPT3:", L"LPT4:"};
    for (int i = 0; i < 3; ++i)
        printers.Add(L"Kw Fleet " + std::to_wstring(i + 1), ports[i]);
    printers.Add(L"Kw Archive", L"FILE:");
    const std::string file = Quoted(WriteSettings(L"office.dat", SomeRecord()));
    const std::string logPath = ToUtf8(rig::TestDir() + L"kw.log");
    const std::string log = Quoted(logPath);

    ProgramRun send = RunProgram("send " + file + " --all --wait --log " + log);
    EXPECT_EQ(send.status, kwctl::kSuccess) << send.out;
    EXPECT_EQ(send.out, "done    Kw Fleet 1: " + std::string(kSent) +
                            "\ndone    Kw Fleet 2: " + kSent + "\ndone    Kw Fleet 3: " + kSent +
                            "\nskipped Kw Archive: connection is FILE:\n");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(printers.Captured(ports[i]), Bytes(SomeRecord())) << i;
    const std::vector<kwctl::LogEntry> sent = ReadLogEntries(logPath);
    ASSERT_EQ(sent.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sent[i].printer, "Kw Fleet " + std::to_string(i + 1));
        EXPECT_EQ(sent[i].outcome, "done") << "what Wine's spooler reports";
        EXPECT_TRUE(sent[i].job.has_value());
        EXPECT_EQ(sent[i].record, kwctl::MakeLogEntry(SomeRecord(), "", "", {}, "", {}).record);
        EXPECT_NE(sent[i].file.find("office.dat"), std::string::npos);
        EXPECT_EQ(sent[i].file[1], ':') << "not a full path: " << sent[i].file;
    }
    ProgramRun plan = RunProgram("plan " + file + " --all --log " + log);
    EXPECT_EQ(plan.status, kwctl::kSuccess) << plan.out;
    EXPECT_EQ(Count(plan.out, ": up to date (done "), 3u) << plan.out;

    // One switch changed: every queue differs in it, and in nothing else.
    const std::string changed = Quoted(WriteSettings(L"changed.dat", SomeRecord()));
    ASSERT_EQ(RunProgram("set " + changed + " msw2-5=1").status, kwctl::kSuccess);
    plan = RunProgram("plan " + changed + " --all --log " + log);
    EXPECT_EQ(plan.status, kwctl::kDiffers) << plan.out;
    EXPECT_EQ(Count(plan.out, ": differs (done "), 3u) << plan.out;
    EXPECT_EQ(Count(plan.out, "\n  msw2-5 "), 3u) << plan.out;
    EXPECT_EQ(Count(plan.out, "\n  "), 3u) << plan.out;
    EXPECT_NE(plan.out.find("would send to 3 of 3 queues"), std::string::npos) << plan.out;

    // A fourth queue: only it is sent to; the others are listed as up to date.
    printers.Add(L"Kw Fleet 4", L"LPT4:");
    for (const auto& port : ports)
        printers.Clear(port);
    send = RunProgram("send " + file + " --all --changed-only --log " + log);
    EXPECT_EQ(send.status, kwctl::kSuccess) << send.out;
    EXPECT_EQ(Count(send.out, "up to date Kw Fleet "), 3u) << send.out;
    EXPECT_NE(send.out.find("sent    Kw Fleet 4: "), std::string::npos) << send.out;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(printers.Captured(ports[i]).empty()) << "sent again to " << i;
    EXPECT_EQ(printers.Captured(L"LPT4:"), Bytes(SomeRecord()));
    const std::vector<kwctl::LogEntry> all = ReadLogEntries(logPath);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[3].printer, "Kw Fleet 4");
    EXPECT_EQ(all[3].outcome, "sent");
    EXPECT_EQ(RunProgram("plan " + file + " --all --log " + log).status, kwctl::kSuccess);
}

// Several queues at once keep the refusals, the order of the results and of the log, and give
// the same JSON as one at a time.
TEST(KwctlFleetTest, ParallelSendsKeepTheRefusalsAndTheOrder) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Good 1", L"LPT1:");
    printers.Add(L"Kw File", L"FILE:");
    printers.Add(L"Kw Text", L"LPT3:", L"Generic / Text Only");
    printers.Add(L"Kw Gone", L"LPT4:");
    printers.Remove(L"Kw Gone");
    printers.Add(L"Kw Good 2", L"LPT2:");
    const std::string file = Quoted(WriteSettings(L"mixed.dat", SomeRecord()));
    const std::vector<std::string> names = {"Kw Good 1", "Kw File", "Kw Text", "Kw Gone",
                                            "kw good 2"};
    std::string list;
    for (const std::string& name : names)
        list += " -p " + Quoted(name);
    std::ofstream(std::filesystem::path(rig::TestDir() + L"fleet.txt"))
        << "# the mixed fleet\n"
        << "Kw Good 1\nKw File\nKw Text\nKw Gone\nkw good 2\n";
    const std::string targets = " --targets " + Quoted(ToUtf8(rig::TestDir() + L"fleet.txt"));

    const std::string expected =
        "sent    Kw Good 1: " + std::string(kSent) +
        "\nrefused Kw File: 接続先がFILEのため設定値を送信できません。\n"
        "refused Kw Text: its driver \"Generic / Text Only\" is not \"Vek Brelvistoka 410ZQ\"\n"
        "failed  Kw Gone: " +
        kNotUsable + "\nsent    kw good 2: " + kSent + "\n";
    std::string progress;
    for (std::size_t i = 0; i < names.size(); ++i) {
        progress += '[';
        progress += std::to_string(i + 1) + "/5] " + names[i] + "\n";
    }
    std::vector<std::string> logs;
    std::vector<nlohmann::json> documents;
    for (const char* parallel : {"1", "3", "64"}) {
        SCOPED_TRACE(parallel);
        printers.Clear(L"LPT1:");
        printers.Clear(L"LPT2:");
        const std::string log = ToUtf8(rig::TestDir() + L"p" + FromUtf8(parallel) + L".log");
        ProgramRun run =
            RunProgram("send " + file + list + " --log " + Quoted(log) + " --parallel " + parallel);
        EXPECT_EQ(run.status, kwctl::kDiffers);
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(run.progress, progress);
        EXPECT_EQ(printers.Captured(L"LPT1:"), Bytes(SomeRecord()));
        EXPECT_EQ(printers.Captured(L"LPT2:"), Bytes(SomeRecord()));
        EXPECT_TRUE(printers.Captured(L"LPT3:").empty()) << "sent to another model";
        std::string lines;
        for (const kwctl::LogEntry& e : ReadLogEntries(log))
            lines += e.printer + " " + e.outcome + " " + e.reason.value_or("-") + "\n";
        logs.push_back(lines);

        run = RunProgram("send " + file + targets + " --dry-run --json --parallel " + parallel);
        auto doc = nlohmann::json::parse(run.out.substr(0, run.out.rfind('}') + 1), nullptr, false);
        ASSERT_TRUE(doc.is_object()) << run.out;
        documents.push_back(doc);
    }
    EXPECT_EQ(logs[0],
              "Kw Good 1 sent -\nKw File refused 接続先がFILEのため設定値を送信できません。\n"
              "Kw Text refused its driver \"Generic / Text Only\" is not \"Vek Brelvistoka "
              "410ZQ\"\nKw Gone failed " +
                  std::string(kNotUsable) + "\nkw good 2 sent -\n");
    EXPECT_EQ(logs[1], logs[0]);
    EXPECT_EQ(logs[2], logs[0]);
    EXPECT_EQ(documents[1], documents[0]);
    EXPECT_EQ(documents[2], documents[0]);
    EXPECT_EQ(documents[0]["results"].size(), 5u);

    // printers with the same list: each row of it, in its order, usable or why not.
    ProgramRun listed = RunProgram("printers" + targets);
    EXPECT_EQ(listed.status, kwctl::kSuccess);
    std::size_t at = 0;
    for (const char* row :
         {"\nKw Good 1               LPT1:       usable",
          "\nKw File                 FILE:       unusable  connection is FILE:",
          "\nKw Text                             unusable  not a usable queue of the model: its "
          "driver",
          "\nKw Gone                             unusable  not a usable queue of the model: ",
          "\nKw Good 2               LPT2:       usable"}) {
        at = listed.out.find(row, at);
        EXPECT_NE(at, std::string::npos) << row << "\n" << listed.out;
    }
}

namespace {

// A followed job as the stand-ins report it, on a clock of their own: its status at each look
// (the last one kept; ~0u: gone).
struct FollowScript {
    std::vector<DWORD> statuses;
    std::size_t looks = 0;
    DWORD now = 0;
};
FollowScript g_follow;

HANDLE WINAPI NoNotifications(HANDLE, DWORD, DWORD, void*) {
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI ScriptedJob(HANDLE, DWORD, DWORD, BYTE* info, DWORD size, DWORD* needed) {
    const DWORD status =
        g_follow.statuses[std::min(g_follow.looks++, g_follow.statuses.size() - 1)];
    *needed = sizeof(JOB_INFO_1W);
    if (status == ~0u || size < *needed) {
        ::SetLastError(status == ~0u ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    JOB_INFO_1W job{};
    job.Status = status;
    *reinterpret_cast<JOB_INFO_1W*>(info) = job;
    return TRUE;
}

void WINAPI PassTime(DWORD ms) {
    g_follow.now += ms;
}

DWORD WINAPI ScriptNow() {
    return g_follow.now;
}

}  // namespace

// How a followed job ended reaches the result, the JSON and the log: the states that Wine's
// spooler never reports, walked by stand-ins.
TEST(KwctlFleetTest, AHeldOrFailedJobIsReportedAsSuchInTheJsonAndTheLog) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Slow", L"LPT1:");
    const std::string file = WriteSettings(L"slow.dat", SomeRecord());
    SendSpoolerCalls calls;
    calls.findFirstChange = NoNotifications;
    calls.getJob = ScriptedJob;
    calls.sleep = PassTime;
    calls.tick = ScriptNow;
    ScopedSendSpoolerCallsForTesting stand(calls);
    const struct {
        std::vector<DWORD> statuses;
        const char* outcome;
        const char* result;
        std::vector<std::string> reasons;
        int status;
    } cases[] = {
        {{JOB_STATUS_PAUSED}, "held", "failed", {"paused"}, kwctl::kDiffers},
        {{JOB_STATUS_PRINTING | JOB_STATUS_OFFLINE | JOB_STATUS_PAPEROUT},
         "held",
         "failed",
         {"offline", "paper-out"},
         kwctl::kDiffers},
        {{JOB_STATUS_PRINTING, JOB_STATUS_ERROR, ~0u},
         "failed",
         "failed",
         {"error"},
         kwctl::kDiffers},
        {{JOB_STATUS_PRINTING, JOB_STATUS_PRINTED, ~0u}, "printed", "sent", {}, kwctl::kSuccess},
    };
    const std::string log = ToUtf8(rig::TestDir() + L"slow.log");
    std::size_t lines = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outcome);
        g_follow = {c.statuses};
        Outcome run =
            RunKwctl({"send", file, "-p", "Kw Slow", "--wait=30", "--log", log, "--json"});
        EXPECT_EQ(run.status, c.status) << run.output.err;
        const auto doc = nlohmann::json::parse(run.output.out, nullptr, false);
        ASSERT_TRUE(doc.is_object()) << run.output.out;
        const auto& result = doc["results"][0];
        EXPECT_EQ(result["outcome"], c.outcome);
        EXPECT_EQ(result["result"], c.result);
        EXPECT_EQ(result["reasons"], nlohmann::json(c.reasons));
        EXPECT_TRUE(result["job"].is_number());
        EXPECT_EQ(doc["wait"], 30);
        if (std::string(c.outcome) == "held") {
            EXPECT_GE(g_follow.now, 30000u) << "not followed for the time given";
            EXPECT_NE(result["message"].get<std::string>().find("after 30 s"), std::string::npos);
        }
        const std::vector<kwctl::LogEntry> entries = ReadLogEntries(log);
        ASSERT_EQ(entries.size(), ++lines);
        EXPECT_EQ(entries.back().outcome, c.outcome);
        std::string reason;
        for (const std::string& r : c.reasons)
            reason += (reason.empty() ? "" : ", ") + r;
        EXPECT_EQ(entries.back().reason.value_or(""), reason);
        EXPECT_EQ(entries.back().job, result["job"].get<std::uint32_t>());
    }
}

// What keeps a send from starting: nothing is sent, and the exit status is 2.
TEST(KwctlFleetTest, ACommandLineListOrLogThatCannotBeUsedSendsNothing) {
    rig::TestPrinters printers;
    printers.Add(L"Kw One", L"LPT1:");
    const std::string file = WriteSettings(L"one.dat", SomeRecord());
    const auto write = [](const wchar_t* name, const std::string& text) {
        std::ofstream(std::filesystem::path(rig::TestDir() + name), std::ios::binary) << text;
        return ToUtf8(rig::TestDir() + name);
    };
    const std::string line = kwctl::FormatLogLine(
        kwctl::MakeLogEntry(SomeRecord(), "Kw One", "C:\\one.dat", 3, "done", std::nullopt));
    const std::string badLog = write(L"bad.log", line + "{}\n" + line);
    const std::string tornLog = write(L"torn.log", line + line.substr(0, 30));
    const std::string badList = write(L"bad.txt", "Kw One\nKw \xFF\n");
    const std::string emptyList = write(L"empty.txt", "# nothing yet\n\n");
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"--changed-only"}, "--changed-only needs --log FILE"},
        {{"--wait=soon"}, "--wait"},
        {{"--wait=86401"}, "--wait"},
        {{"--wait", "30"}, "30"},
        {{"--parallel", "0"}, "--parallel"},
        {{"--parallel", "65"}, "--parallel"},
        {{"--parallel", "4x"}, "--parallel"},
        {{"--targets", emptyList}, "Exactly 1 option"},
        {{"--log", badLog}, "bad.log: the send log cannot be used: line 2: not a log entry"},
        {{"--log", badLog, "--changed-only"}, "line 2: not a log entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        std::vector<std::string> args = {"send", file, "-p", "Kw One"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome run = RunKwctl(args);
        EXPECT_EQ(run.status, kwctl::kUsage);
        EXPECT_NE(run.output.err.find(c.err), std::string::npos) << run.output.err;
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty()) << "sent";
    }
    for (const std::string& list : {badList, emptyList}) {
        Outcome run = RunKwctl({"send", file, "--targets", list});
        EXPECT_EQ(run.status, kwctl::kUsage) << list;
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty()) << "sent";
    }
    // Only a torn last line is passed over, with a note; the new line starts on a line of its own.
    Outcome run = RunKwctl({"send", file, "-p", "Kw One", "--log", tornLog});
    EXPECT_EQ(run.status, kwctl::kSuccess) << run.output.err;
    EXPECT_NE(run.output.err.find("torn.log: the last line of the send log is cut off"),
              std::string::npos)
        << run.output.err;
    EXPECT_EQ(printers.Captured(L"LPT1:"), Bytes(SomeRecord()));
    std::ifstream in(std::filesystem::path(FromUtf8(tornLog)));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(kwctl::ParseLogLine(lines[2])->printer, "Kw One");
}
