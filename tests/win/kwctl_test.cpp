// kwctl's printer commands against Wine's real spooler, and the real kwctl.exe with Japanese
// names and redirected output.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Kwctl.h"
#include "kwctl/LogReader.h"
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

    // plan says the same: nothing to plan, status 3.
    Outcome plan =
        RunKwctl({"plan", file, "--all", "--log", ToUtf8(rig::TestDir() + L"none.log")}, &fake);
    EXPECT_EQ(plan.status, kwctl::kNothingToSend) << plan.output.err;
    EXPECT_NE(plan.output.out.find("skipped Closed: does not open for use\n"), std::string::npos)
        << plan.output.out;
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

// A run of the real kwctl.exe (arguments in UTF-8); the progress lines "[k/n] NAME" apart.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string progress;
};

ProgramRun RunProgram(const std::string& args) {
    ProgramRun run;
    std::istringstream lines(rig::RunConsole(KwctlExe(), FromUtf8(args), run.status));
    for (std::string line; std::getline(lines, line);)
        (line.starts_with("[") ? run.progress : run.out) += line + "\n";
    return run;
}

// The log's entries, one "printer: outcome (reason)" line each.
std::string LogLines(const std::string& path) {
    std::string lines;
    const kwctl::LogRead read = kwctl::ReadLog(FromUtf8(path), [&](kwctl::LogEntry&& e) {
        lines += e.printer + ": " + std::string(kwctl::Facts(e.outcome).word) +
                 (e.reason ? " (" + *e.reason + ")" : "") + "\n";
    });
    EXPECT_TRUE(read.status == kwctl::LogRead::Status::Read && read.torn == 0) << read.error;
    return lines;
}

// Whether `parts` are in `text` in this order.
testing::AssertionResult InOrder(const std::string& text,
                                 std::initializer_list<const char*> parts) {
    std::size_t at = 0;
    for (const char* part : parts) {
        if ((at = text.find(part, at)) == std::string::npos) {
            return testing::AssertionFailure() << "no \"" << part << "\" in order in\n" << text;
        }
    }
    return testing::AssertionSuccess();
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
    const std::string file = Quoted(WriteSettings(L"office.dat", SomeRecord()));
    const std::string log = ToUtf8(rig::TestDir() + L"kw.log");
    const std::string plan = "plan " + file + " --all --log " + Quoted(log);

    ProgramRun send = RunProgram("send " + file + " --all --wait --log " + Quoted(log));
    EXPECT_EQ(send.status, kwctl::kSuccess) << send.out;
    EXPECT_EQ(Count(send.out, "done    Kw Fleet "), 3u) << send.out;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(printers.Captured(ports[i]), Bytes(SomeRecord())) << i;
    const std::string sent = "Kw Fleet 1: done\nKw Fleet 2: done\nKw Fleet 3: done\n";
    EXPECT_EQ(LogLines(log), sent) << "done: what Wine's spooler reports";
    EXPECT_EQ(RunProgram(plan).status, kwctl::kSuccess);

    const std::string changed = Quoted(WriteSettings(L"changed.dat", SomeRecord()));
    ASSERT_EQ(RunProgram("set " + changed + " msw2-5=1").status, kwctl::kSuccess);
    const ProgramRun differs = RunProgram("plan " + changed + " --all --log " + Quoted(log));
    EXPECT_EQ(differs.status, kwctl::kDiffers);
    EXPECT_EQ(Count(differs.out, ": differs (done "), 3u) << differs.out;
    EXPECT_EQ(Count(differs.out, "\n  msw2-5 "), 3u) << differs.out;
    EXPECT_EQ(Count(differs.out, "\n  "), 3u) << "another setting named\n" << differs.out;

    printers.Add(L"Kw Fleet 4", L"LPT4:");
    for (const auto& port : ports)
        printers.Clear(port);
    send = RunProgram("send " + file + " --all --changed-only --log " + Quoted(log));
    EXPECT_EQ(send.status, kwctl::kSuccess) << send.out;
    EXPECT_EQ(Count(send.out, "up to date Kw Fleet "), 3u) << send.out;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(printers.Captured(ports[i]).empty(), i < 3) << i;
    EXPECT_EQ(LogLines(log), sent + "Kw Fleet 4: sent\n");
    EXPECT_EQ(RunProgram(plan).status, kwctl::kSuccess);
}

// Several queues at once keep the refusals and the order of the progress, the results and the
// log; printers shows the same list in its order.
TEST(KwctlFleetTest, ParallelSendsKeepTheRefusalsAndTheOrder) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Good 1", L"LPT1:");
    printers.Add(L"Kw File", L"FILE:");
    printers.Add(L"Kw Text", L"LPT3:", L"Generic / Text Only");
    printers.Add(L"Kw Gone", L"LPT4:");
    printers.Remove(L"Kw Gone");
    printers.Add(L"Kw Good 2", L"LPT2:");
    const std::string file = Quoted(WriteSettings(L"mixed.dat", SomeRecord()));
    std::ofstream(std::filesystem::path(rig::TestDir() + L"fleet.txt"))
        << "Kw Good 1\nKw File\nKw Text\nKw Gone\nkw good 2\n";
    const std::string targets = " --targets " + Quoted(ToUtf8(rig::TestDir() + L"fleet.txt"));
    std::string sequential;
    for (const char* parallel : {"1", "3", "64"}) {
        SCOPED_TRACE(parallel);
        printers.Clear(L"LPT1:");
        printers.Clear(L"LPT2:");
        const std::string log = ToUtf8(rig::TestDir() + FromUtf8(parallel) + L".log");
        const ProgramRun run = RunProgram("send " + file + targets + " --parallel " + parallel +
                                          " --log " + Quoted(log));
        EXPECT_EQ(run.status, kwctl::kDiffers);
        EXPECT_EQ(printers.Captured(L"LPT1:"), Bytes(SomeRecord()));
        EXPECT_EQ(printers.Captured(L"LPT2:"), Bytes(SomeRecord()));
        EXPECT_TRUE(printers.Captured(L"LPT3:").empty()) << "sent to another model";
        const std::string all = run.progress + run.out + LogLines(log);
        if (sequential.empty()) sequential = all;
        EXPECT_EQ(all, sequential);
    }
    EXPECT_TRUE(InOrder(
        sequential,
        {"[1/5] Kw Good 1\n[2/5] Kw File\n[3/5] Kw Text\n[4/5] Kw Gone\n",
         "sent    Kw Good 1: ", "\nrefused Kw File: ", "\nrefused Kw Text: ", "\nfailed  Kw Gone: ",
         "\nsent    kw good 2: ", "\nKw Good 1: sent\nKw File: refused (", "\nKw Gone: failed (",
         "\nkw good 2: sent\n"}));
    EXPECT_TRUE(InOrder(RunProgram("printers" + targets).out,
                        {"\nKw Good 1               LPT1:       usable",
                         "\nKw File                 FILE:       unusable  connection is FILE:",
                         "\nKw Text                             unusable  not a usable queue",
                         "\nKw Gone ", "\nKw Good 2               LPT2:       usable"}));
}

// Discovery opens the queues for use on the send's threads: with any number of them each queue
// keeps its own answer, and --all takes the same queues and skips the same others, in order.
TEST(KwctlFleetTest, DiscoveryOnSeveralThreadsTakesAndSkipsTheSameQueues) {
    FakePrinterSpooler fake;
    for (int i = 1; i <= 24; ++i) {
        const std::wstring name = L"Kw Q" + std::to_wstring(i);
        fake.AddLocal(name, L"LPT" + std::to_wstring(i) + L":");
        if (i % 3 == 0) fake.closedToUser.insert(name);
    }
    const std::string file = WriteSettings(L"threads.dat", SomeRecord());
    std::string inTurn;
    for (const char* parallel : {"1", "8", "64"}) {
        SCOPED_TRACE(parallel);
        Outcome run = RunKwctl({"send", file, "--all", "--dry-run", "--parallel", parallel}, &fake);
        EXPECT_EQ(run.status, kwctl::kSuccess) << run.output.err;
        EXPECT_EQ(Count(run.output.out, "ready   Kw Q"), 16u);
        EXPECT_EQ(Count(run.output.out, ": does not open for use\n"), 8u);
        if (inTurn.empty()) inTurn = run.output.out;
        EXPECT_EQ(run.output.out, inTurn);
    }
    EXPECT_TRUE(InOrder(inTurn, {"ready   Kw Q1: ", "\nready   Kw Q2: ", "\nready   Kw Q4: ",
                                 "\nskipped Kw Q3: does not open for use\nskipped Kw Q6: "}));
}

namespace {

// A followed job walked by stand-ins through a script of statuses (the last kept; ~0u: gone),
// on a clock of their own.
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
    ::SetLastError(status == ~0u ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
    if (status == ~0u || size < *needed) return FALSE;
    reinterpret_cast<JOB_INFO_1W*>(info)->Status = status;
    return TRUE;
}

void WINAPI PassTime(DWORD ms) {
    g_follow.now += ms;
}

DWORD WINAPI ScriptNow() {
    return g_follow.now;
}

}  // namespace

// The ends of a followed job that Wine's spooler never reports reach the result, the JSON, the
// exit status and the log.
TEST(KwctlFleetTest, AHeldOrFailedJobIsReportedAsSuchInTheJsonAndTheLog) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Slow", L"LPT1:");
    const std::string file = WriteSettings(L"slow.dat", SomeRecord());
    const std::string log = ToUtf8(rig::TestDir() + L"slow.log");
    SendSpoolerCalls calls;
    calls.findFirstChange = NoNotifications;
    calls.getJob = ScriptedJob;
    calls.sleep = PassTime;
    calls.tick = ScriptNow;
    ScopedSendSpoolerCallsForTesting stand(calls);
    const struct {
        std::vector<DWORD> statuses;
        std::string result;  // the JSON's result, outcome and reasons
        int status;
        std::string logged;
    } cases[] = {
        {{JOB_STATUS_PAUSED | JOB_STATUS_PAPEROUT},
         "failed held [\"paused\",\"paper-out\"]",
         1,
         "held (paused, paper-out)"},
        {{JOB_STATUS_PRINTING, JOB_STATUS_ERROR, ~0u},
         "failed failed [\"error\"]",
         1,
         "failed (error)"},
        {{JOB_STATUS_PRINTING, JOB_STATUS_PRINTED}, "sent printed []", 0, "printed"},
    };
    std::string logged;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        g_follow = {c.statuses};
        Outcome run =
            RunKwctl({"send", file, "-p", "Kw Slow", "--wait=30", "--log", log, "--json"});
        EXPECT_EQ(run.status, c.status) << run.output.err;
        const auto doc = nlohmann::json::parse(run.output.out, nullptr, false);
        ASSERT_TRUE(doc.is_object()) << run.output.out;
        const auto& result = doc["results"][0];
        EXPECT_EQ(result["result"].get<std::string>() + " " + result["outcome"].get<std::string>() +
                      " " + result["reasons"].dump(),
                  c.result);
        EXPECT_TRUE(result["job"].is_number());
        EXPECT_EQ(c.result.find("held") == std::string::npos, g_follow.now < 30000)
            << "followed for " << g_follow.now << " ms";
        logged += "Kw Slow: " + c.logged + "\n";
        EXPECT_EQ(LogLines(log), logged);
    }
}

// What keeps a send from starting: exit status 2, and nothing is sent.
TEST(KwctlFleetTest, ACommandLineListOrLogThatCannotBeUsedSendsNothing) {
    rig::TestPrinters printers;
    printers.Add(L"Kw One", L"LPT1:");
    const std::string file = WriteSettings(L"one.dat", SomeRecord());
    const std::string line = kwctl::FormatLogLine(
        kwctl::MakeLogEntry(SomeRecord(), "Kw One", "C:\\one.dat", 3, kwctl::Outcome::Done,
                            std::nullopt));
    const std::string bad = ToUtf8(rig::TestDir() + L"bad.log");
    // A line that is no entry, met on the way from the end to the queue's last send.
    std::ofstream(std::filesystem::path(FromUtf8(bad))) << line << "{}\n";
    std::ofstream(std::filesystem::path(rig::TestDir() + L"empty.txt")) << "# nothing yet\n";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-p", "Kw One", "--changed-only"}, "--changed-only needs --log FILE"},
        {{"-p", "Kw One", "--wait=soon"}, "--wait"},
        {{"-p", "Kw One", "--wait", "30"}, "30"},
        {{"-p", "Kw One", "--parallel", "0"}, "--parallel"},
        {{"-p", "Kw One", "--changed-only", "--log", bad},
         "bad.log: the send log cannot be used: line 2"},
        {{"--targets", ToUtf8(rig::TestDir() + L"empty.txt")}, "the list names no queue"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[c.args.size() - 2] + " " + c.args.back());
        std::vector<std::string> args = {"send", file};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome run = RunKwctl(args);
        EXPECT_EQ(run.status, kwctl::kUsage);
        EXPECT_NE(run.output.err.find(c.err), std::string::npos) << run.output.err;
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty()) << "sent";
    }
}

namespace {

// A job whose failure the spooler notified before it went, gone at the first look.
HANDLE g_changed = nullptr;
DWORD g_jobId = 0;

DWORD WINAPI StartAndNoteJob(HANDLE printer, DWORD level, BYTE* info) {
    return g_jobId = ScopedSendSpoolerCallsForTesting::kReal.startDocPrinter(printer, level, info);
}

HANDLE WINAPI ChangedAlready(HANDLE, DWORD, DWORD, void*) {
    g_changed = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return g_changed;
}

BOOL WINAPI FailedBeforeItWent(HANDLE, DWORD* changed, void*, void** info) {
    static PRINTER_NOTIFY_INFO_DATA data{};
    static PRINTER_NOTIFY_INFO notify{2, 0, 1, {}};
    data.Type = JOB_NOTIFY_TYPE;
    data.Field = JOB_NOTIFY_FIELD_STATUS;
    data.Id = g_jobId;
    data.NotifyData.adwData[0] = JOB_STATUS_ERROR;
    notify.aData[0] = data;
    *changed = PRINTER_CHANGE_SET_JOB;
    *info = &notify;
    return TRUE;
}

BOOL WINAPI KeepNotifyInfo(PRINTER_NOTIFY_INFO*) {
    return TRUE;
}

BOOL WINAPI CloseChanged(HANDLE change) {
    return ::CloseHandle(change);
}

BOOL WINAPI JobGone(HANDLE, DWORD, DWORD, BYTE*, DWORD, DWORD*) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// The queue whose send fails in kwctl itself, after the others have ended.
BOOL WINAPI OpenOrThrow(wchar_t* name, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
    if (std::wstring(name) == L"Kw Bad") {
        ::Sleep(300);
        throw std::runtime_error("out of handles");
    }
    return ScopedSendSpoolerCallsForTesting::kReal.openPrinter(name, printer, defaults);
}

}  // namespace

// A job that failed at once: the notification that came before the first look says so.
TEST(KwctlFleetTest, AJobGoneAtTheFirstLookIsJudgedByItsPendingNotification) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Fast", L"LPT1:");
    const std::string file = WriteSettings(L"fast.dat", SomeRecord());
    SendSpoolerCalls calls;
    calls.startDocPrinter = StartAndNoteJob;
    calls.findFirstChange = ChangedAlready;
    calls.findNextChange = FailedBeforeItWent;
    calls.freeNotifyInfo = KeepNotifyInfo;
    calls.closeChange = CloseChanged;
    calls.getJob = JobGone;
    ScopedSendSpoolerCallsForTesting stand(calls);
    Outcome run = RunKwctl({"send", file, "-p", "Kw Fast", "--wait=5", "--json"});
    EXPECT_EQ(run.status, kwctl::kDiffers) << run.output.err;
    const auto doc = nlohmann::json::parse(run.output.out, nullptr, false);
    ASSERT_TRUE(doc.is_object()) << run.output.out;
    EXPECT_EQ(doc["results"][0]["outcome"], "failed");
    EXPECT_EQ(doc["results"][0]["reasons"], nlohmann::json::array({"error"}));
}

// A send that fails in kwctl itself on one thread: the others, which reached their queues, are
// still shown and logged, and the exit status says that some queue failed, not that nothing
// was sent.
TEST(KwctlFleetTest, SendsThatReachedTheirQueuesAreKeptWhenAnotherFailsInKwctl) {
    rig::TestPrinters printers;
    const std::wstring ports[] = {L"LPT1:", L"LPT2:", L"LPT3:"};
    printers.Add(L"Kw Bad", L"LPT4:");
    for (int i = 0; i < 3; ++i)
        printers.Add(L"Kw Good " + std::to_wstring(i + 1), ports[i]);
    const std::string file = WriteSettings(L"threads.dat", SomeRecord());
    const std::string log = ToUtf8(rig::TestDir() + L"threads.log");
    SendSpoolerCalls calls;
    calls.openPrinter = OpenOrThrow;
    ScopedSendSpoolerCallsForTesting stand(calls);
    Outcome run = RunKwctl({"send", file, "-p", "Kw Bad", "-p", "Kw Good 1", "-p", "Kw Good 2",
                            "-p", "Kw Good 3", "--parallel", "4", "--log", log});
    EXPECT_EQ(run.status, kwctl::kDiffers) << run.output.err;
    EXPECT_TRUE(InOrder(run.output.out, {"failed  Kw Bad: kwctl: out of handles",
                                         "\nsent    Kw Good 1: ", "\nsent    Kw Good 2: ",
                                         "\nsent    Kw Good 3: "}));
    const std::string lines = LogLines(log);
    EXPECT_TRUE(InOrder(lines, {"Kw Bad: failed (kwctl: out of handles", "\nKw Good 1: sent\n",
                                "Kw Good 2: sent\nKw Good 3: sent\n"}))
        << lines;
    for (const auto& port : ports)
        EXPECT_EQ(printers.Captured(port), Bytes(SomeRecord()));
}

// Results that cannot be written fail the run, and a send says it sent: the reader of kwctl's
// stdout has gone, yet the queue got its job and the log its line.
TEST(KwctlProgramTest, AnOutputThatCannotBeWrittenIsAFailureNotASuccess) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Piped", L"LPT1:");
    const std::string file = WriteSettings(L"piped.dat", SomeRecord());
    const std::string log = ToUtf8(rig::TestDir() + L"piped.log");
    for (const bool send : {false, true}) {
        SCOPED_TRACE(send ? "send" : "keys");
        const std::wstring args = send ? L"send \"" + FromUtf8(file) +
                                             L"\" --printer \"Kw Piped\" --log \"" +
                                             FromUtf8(log) + L"\""
                                       : L"keys";
        int status = -1;
        const std::string err = rig::RunConsoleUnread(KwctlExe(), args, status);
        EXPECT_EQ(status, send ? kwctl::kDiffers : kwctl::kUsage) << err;
        EXPECT_NE(err.find("kwctl: the results could not be written"), std::string::npos) << err;
    }
    EXPECT_EQ(printers.Captured(L"LPT1:"), Bytes(SomeRecord()));
    EXPECT_EQ(LogLines(log), "Kw Piped: sent\n");
}

// A send stopped while it wrote its log line, then more sends: the torn line stays in the
// middle of the log, plan still reads it, and --changed-only sends to its queue only.
TEST(KwctlProgramTest, ALogCutOffWhileALineWasWrittenStaysUsable) {
    rig::TestPrinters printers;
    const std::wstring ports[] = {L"LPT1:", L"LPT2:", L"LPT3:"};
    for (int i = 0; i < 3; ++i)
        printers.Add(L"Kw Cut " + std::to_wstring(i + 1), ports[i]);
    const std::string file = Quoted(WriteSettings(L"cut.dat", SomeRecord()));
    const std::wstring logPath = rig::TestDir() + L"cut.log";
    const std::string log = Quoted(ToUtf8(logPath));
    const std::string list = ToUtf8(rig::TestDir() + L"cut.txt");
    std::ofstream(std::filesystem::path(FromUtf8(list))) << "Kw Cut 1\nKw Cut 2\nKw Cut 3\n";
    const std::string targets = " --targets " + Quoted(list) + " --log " + log;

    EXPECT_EQ(RunProgram("send " + file + " -p \"Kw Cut 1\" -p \"Kw Cut 2\" --log " + log).status,
              kwctl::kSuccess);
    std::filesystem::resize_file(logPath, std::filesystem::file_size(logPath) - 200);
    EXPECT_EQ(RunProgram("send " + file + " -p \"Kw Cut 3\" --log " + log).status,
              kwctl::kSuccess);

    const ProgramRun plan = RunProgram("plan " + file + targets);
    EXPECT_EQ(plan.status, kwctl::kDiffers) << plan.out;
    EXPECT_TRUE(InOrder(plan.out, {"Kw Cut 1: up to date", "\nKw Cut 2: last send did not finish",
                                   "\nKw Cut 3: up to date", "would send to 1 of 3 queues"}));
    EXPECT_NE(plan.out.find("line 2 of the send log is cut off"), std::string::npos) << plan.out;
    for (const auto& port : ports)
        printers.Clear(port);
    const ProgramRun send = RunProgram("send " + file + targets + " --changed-only");
    EXPECT_EQ(send.status, kwctl::kSuccess) << send.out;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(printers.Captured(ports[i]).empty(), i != 1) << i;
    EXPECT_EQ(RunProgram("plan " + file + targets).status, kwctl::kSuccess);

    // The fleet's page from the same log; a page named as the log, in another case, is refused.
    const std::wstring pagePath = rig::TestDir() + L"cut.html";
    EXPECT_EQ(RunProgram("report " + file + targets + " --html " + Quoted(ToUtf8(pagePath))).status,
              kwctl::kSuccess);
    std::ifstream page(std::filesystem::path(pagePath), std::ios::binary);
    const std::string html{std::istreambuf_iterator<char>(page), {}};
    EXPECT_TRUE(InOrder(html, {"data-state=\"up-to-date\"", "data-state=\"up-to-date\"",
                               "data-state=\"up-to-date\""}));
    const auto logSize = std::filesystem::file_size(logPath);
    const std::string logInCapitals = Quoted(ToUtf8(rig::TestDir() + L"CUT.LOG"));
    const ProgramRun swapped = RunProgram("report " + file + targets + " --html " + logInCapitals);
    EXPECT_EQ(swapped.status, kwctl::kUsage) << swapped.out;
    EXPECT_NE(swapped.out.find("is the send log"), std::string::npos) << swapped.out;
    EXPECT_EQ(std::filesystem::file_size(logPath), logSize);
}

// The system's own error tells a log that is not there yet from one that cannot be reached:
// only the first is "never sent".
TEST(KwctlFleetTest, ALogInAFolderThatDoesNotExistIsAnErrorNotNeverSent) {
    rig::TestPrinters printers;
    printers.Add(L"Kw Far", L"LPT1:");
    const std::string file = WriteSettings(L"far.dat", SomeRecord());
    const std::string missingFile = ToUtf8(rig::TestDir() + L"not-yet.log");
    const std::string missingFolder = ToUtf8(rig::TestDir() + L"offline\\kw.log");
    std::wstring drive = L"Q:\\";  // a drive that does not exist
    while (drive[0] > L'D' && ::GetDriveTypeW(drive.c_str()) != DRIVE_NO_ROOT_DIR)
        --drive[0];
    const std::string missingDrive = ToUtf8(drive + L"kw.log");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"plan", file, "-p", "Kw Far", "--log", missingFile}, kwctl::kDiffers, ""},
        {{"plan", file, "-p", "Kw Far", "--log", missingFolder}, kwctl::kUsage,
         "its folder does not exist"},
        {{"log", missingFolder}, kwctl::kUsage, "its folder does not exist"},
        {{"send", file, "-p", "Kw Far", "--log", missingFolder}, kwctl::kUsage,
         "cannot be opened for appending: its folder does not exist; nothing was sent"},
        {{"send", file, "-p", "Kw Far", "--changed-only", "--log", missingFolder}, kwctl::kUsage,
         "its folder does not exist"},
        {{"plan", file, "-p", "Kw Far", "--log", missingDrive}, kwctl::kUsage,
         "its folder does not exist"},
        {{"send", file, "-p", "Kw Far", "--log", ""}, kwctl::kUsage, "an empty name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        Outcome run = RunKwctl(c.args);
        EXPECT_EQ(run.status, c.status) << run.output.err;
        EXPECT_NE(run.output.err.find(c.err), std::string::npos) << run.output.err;
    }
    EXPECT_TRUE(printers.Captured(L"LPT1:").empty()) << "sent";
}
