// kwctl's fleet parts on Windows: SHA-256 from CNG, and the send log appended to by two
// processes at once (this program, started twice more) and read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "kwctl/LogAppender.h"
#include "kwctl/LogReader.h"
#include "kwctl/Sha256.h"
#include "settings/SettingsCatalog.h"
#include "settings/Utf8.h"
#include "tests/win/rig/Printers.h"

namespace {

constexpr wchar_t kChildVariable[] = L"KW_FLEET_LOG_CHILD";
constexpr wchar_t kGoEvent[] = L"KwFleetLogGo";
constexpr wchar_t kReady[] = L"KwFleetLogReady";
constexpr int kLines = 2000;

TEST(FleetSha256, KnownDigestsFromCng) {
    const std::string abc = "abc";
    EXPECT_EQ(kwctl::Sha256Hex({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // The factory record as sha256sum gives it.
    EXPECT_EQ(kwctl::Sha256Hex({FactoryRecord().data(), SettingsRecord::kSize}),
              "b72833dc3e068ef66d54ef385b3cec9d7dc594d710d655864715100def250fe1");
}

std::wstring LogPath() {
    return rig::TestDir() + L"sends.jsonl";
}

// Run only as a child of the next test, which asks for it by name (disabled, so that a plain
// run neither runs nor counts it): appends its lines once both children are ready.
TEST(FleetLogChild, DISABLED_Append) {
    wchar_t child[8] = {};
    ASSERT_TRUE(::GetEnvironmentVariableW(kChildVariable, child, 8)) << "a child only";
    UniqueKernelHandle go(::CreateEventW(nullptr, TRUE, FALSE, kGoEvent));
    UniqueKernelHandle ready(::CreateSemaphoreW(nullptr, 0, 2, kReady));
    kwctl::LogAppender log(LogPath());
    ::ReleaseSemaphore(ready.get(), 1, nullptr);
    ASSERT_EQ(::WaitForSingleObject(go.get(), 30000), WAIT_OBJECT_0);
    for (int n = 0; n < kLines; ++n) {
        kwctl::LogEntry e = kwctl::MakeLogEntry(FactoryRecord(), "child " + ToUtf8(child),
                                                "C:\\fleet\\office.dat", n, kwctl::Outcome::Sent,
                                                std::nullopt);
        e.reason = std::string(n % 97, 'x');
        ASSERT_TRUE(log.Append(e)) << log.Error();
    }
}

TEST(FleetLog, TwoProcessesAppendingAtOnceLoseAndMixNoLine) {
    UniqueKernelHandle go(::CreateEventW(nullptr, TRUE, FALSE, kGoEvent));
    UniqueKernelHandle ready(::CreateSemaphoreW(nullptr, 0, 2, kReady));
    wchar_t self[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::vector<UniqueKernelHandle> children;
    for (const wchar_t* child : {L"0", L"1"}) {
        ::SetEnvironmentVariableW(kChildVariable, child);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=FleetLogChild.* --gtest_also_run_disabled_tests";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(::CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &info));
        ::CloseHandle(info.hThread);
        children.emplace_back(info.hProcess);
    }
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    for (int k = 0; k < 2; ++k)
        ASSERT_EQ(::WaitForSingleObject(ready.get(), 60000), WAIT_OBJECT_0);
    ::SetEvent(go.get());
    for (const UniqueKernelHandle& child : children) {
        ASSERT_EQ(::WaitForSingleObject(child.get(), 120000), WAIT_OBJECT_0);
        DWORD code = 1;
        ::GetExitCodeProcess(child.get(), &code);
        EXPECT_EQ(code, 0u);
    }
    std::size_t misplaced = 0;  // lost, or out of its process's order
    std::vector<std::uint32_t> next(2, 0);
    const kwctl::LogRead read = kwctl::ReadLog(LogPath(), [&](kwctl::LogEntry&& e) {
        const int k = e.printer.back() - '0';
        if (k < 0 || k > 1) return ADD_FAILURE() << e.printer;
        if (e.job != next[k]++) ++misplaced;
    });
    EXPECT_EQ(read.status, kwctl::LogRead::Status::Read) << read.error;
    EXPECT_EQ(read.torn, 0u);
    EXPECT_EQ(misplaced, 0u);
    EXPECT_EQ(next, std::vector<std::uint32_t>(2, kLines));
}

}  // namespace
