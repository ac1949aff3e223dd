// The test rig itself: queues written into the registry are real spooler queues at once, and a
// raw job to a mapped port lands in its capture file.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win/rig/Printers.h"

namespace {

// The runner gives a program only the arguments put after it: none under CTest, GoogleTest's
// own flags when a test starts itself again. A runner that slips in one of its own (an empty
// DPI) would shift every option of a program that reads them in pairs.
TEST(RunnerTest, TheProgramGetsNoArgumentItWasNotGiven) {
    ASSERT_NE(__wargv, nullptr);
    for (int i = 1; i < __argc; ++i) {
        EXPECT_EQ(std::wstring(__wargv[i]).rfind(L"--gtest", 0), 0u)
            << "argument " << i << ": \"" << __wargv[i] << "\"";
    }
}

std::vector<std::wstring> LocalQueueNames() {
    DWORD needed = 0, count = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1, 0);
    ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count);
    std::vector<std::wstring> names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        names.emplace_back(info[i].pPrinterName);
    return names;
}

TEST(PrinterRigTest, QueuesComeAndGoWithTheObject) {
    {
        rig::TestPrinters printers;
        printers.Add(L"Rig Queue", L"LPT1:");
        EXPECT_EQ(LocalQueueNames(), std::vector<std::wstring>{L"Rig Queue"});
        printers.Remove(L"Rig Queue");
        EXPECT_TRUE(LocalQueueNames().empty());
        printers.Add(L"Rig Queue 2", L"LPT2:");
    }
    EXPECT_TRUE(LocalQueueNames().empty());
}

TEST(PrinterRigTest, RawJobLandsInTheCaptureFile) {
    rig::TestPrinters printers;
    printers.Add(L"Rig Printer", L"LPT2:");
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    ASSERT_TRUE(::OpenPrinterW(const_cast<wchar_t*>(L"Rig Printer"), &printer, &defaults));
    DOC_INFO_1W doc{const_cast<wchar_t*>(L"rig job"), nullptr, nullptr};
    ASSERT_NE(::StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc)), 0u);
    const char data[] = "\x1co0,rig";
    DWORD written = 0;
    EXPECT_TRUE(::WritePrinter(printer, const_cast<char*>(data), 8, &written));
    ::EndDocPrinter(printer);
    ::ClosePrinter(printer);
    const std::vector<std::uint8_t> expected(data, data + 8);
    EXPECT_EQ(printers.Captured(L"LPT2:"), expected);
    EXPECT_TRUE(printers.Captured(L"LPT3:").empty());
}

}  // namespace
