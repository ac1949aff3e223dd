// kwctl's printer commands against Wine's real spooler, and the real kwctl.exe with Japanese
// names and redirected output.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Kwctl.h"
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
