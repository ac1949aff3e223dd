// The raw send job against Wine's real spooler; the status and short-write cases, which that
// spooler cannot produce, through stand-ins for GetPrinterW and WritePrinter.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <vector>

#include "framework/Platform.h"
#include "printer/PrinterSend.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"

namespace {

constexpr wchar_t kQueue[] = L"Kw Send";
constexpr wchar_t kPort[] = L"LPT1:";

std::vector<std::uint8_t> Bytes(const SettingsRecord& record) {
    return std::vector<std::uint8_t>(record.data(), record.data() + record.size());
}

SettingsRecord SomeRecord() {
    SettingsRecord record = FactoryRecord();
    record[16] = 0x12;
    record[179] = 0xFF;
    return record;
}

// What the stand-ins saw.
struct Seen {
    int writes = 0;
    std::vector<DWORD> sizes;
};
Seen g_seen;

BOOL WINAPI WatchingWrite(HANDLE printer, void* data, DWORD size, DWORD* written) {
    ++g_seen.writes;
    g_seen.sizes.push_back(size);
    return ScopedSendSpoolerCallsForTesting::kReal.writePrinter(printer, data, size, written);
}

BOOL WINAPI ShortWrite(HANDLE printer, void* data, DWORD size, DWORD* written) {
    ++g_seen.writes;
    return ScopedSendSpoolerCallsForTesting::kReal.writePrinter(printer, data, size - 1, written);
}

BOOL WINAPI FailedWrite(HANDLE, void*, DWORD, DWORD* written) {
    ++g_seen.writes;
    *written = 0;
    ::SetLastError(ERROR_NOT_READY);
    return FALSE;
}

// The queue as Wine reports it, but waiting for the operator.
BOOL WINAPI StatusNeedsOperator(HANDLE printer, DWORD level, BYTE* info, DWORD size,
                                DWORD* needed) {
    const BOOL ok =
        ScopedSendSpoolerCallsForTesting::kReal.getPrinter(printer, level, info, size, needed);
    if (ok && level == 2 && info) {
        reinterpret_cast<PRINTER_INFO_2W*>(info)->Status |= PRINTER_STATUS_USER_INTERVENTION;
    }
    return ok;
}

BOOL WINAPI StatusUnreadable(HANDLE printer, DWORD level, BYTE* info, DWORD size, DWORD* needed) {
    if (info) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ScopedSendSpoolerCallsForTesting::kReal.getPrinter(printer, level, info, size, needed);
}

class SendTest : public testing::Test {
protected:
    void SetUp() override {
        g_seen = {};
        printers.Add(kQueue, kPort);
    }
    rig::TestPrinters printers;
};

TEST_F(SendTest, OneRawJobCarriesExactlyTheRecordOnBothFamilies) {
    for (const OsVersion& version : {kWindowsXp, kWindows98}) {
        ScopedOsVersionForTesting family(version);
        ScopedSendSpoolerCallsForTesting watch({::GetPrinterW, WatchingWrite});
        printers.Clear(kPort);
        g_seen = {};
        const SettingsRecord record = SomeRecord();
        ASSERT_TRUE(SendRecordToPrinter(kQueue, record)) << "platform " << version.platformId;
        const std::vector<std::uint8_t> captured = printers.Captured(kPort);
        EXPECT_EQ(captured, Bytes(record));
        ASSERT_GE(captured.size(), 2u);
        EXPECT_EQ(captured[0], 0x1C);
        EXPECT_EQ(captured[1], 0x6F);
        EXPECT_EQ(g_seen.sizes, std::vector<DWORD>{180}) << "one write of the whole record";
    }
}

TEST_F(SendTest, AQueueDeletedAfterItWasChosenFails) {
    printers.Remove(kQueue);
    for (const OsVersion& version : {kWindowsXp, kWindows98}) {
        ScopedOsVersionForTesting family(version);
        EXPECT_FALSE(SendRecordToPrinter(kQueue, FactoryRecord()));
    }
    EXPECT_TRUE(printers.Captured(kPort).empty());
}

TEST_F(SendTest, On9xAQueueWaitingForTheOperatorIsRefusedAndNothingIsSpooled) {
    ScopedSendSpoolerCallsForTesting waiting({StatusNeedsOperator, WatchingWrite});
    {
        ScopedOsVersionForTesting family(kWindows98);
        EXPECT_FALSE(SendRecordToPrinter(kQueue, FactoryRecord()));
        EXPECT_EQ(g_seen.writes, 0);
        EXPECT_TRUE(printers.Captured(kPort).empty());
    }
    // The NT family does not look at the status.
    ScopedOsVersionForTesting family(kWindowsXp);
    EXPECT_TRUE(SendRecordToPrinter(kQueue, FactoryRecord()));
    EXPECT_EQ(printers.Captured(kPort), Bytes(FactoryRecord()));
}

TEST_F(SendTest, On9xAQueueWhoseStateCannotBeReadIsRefused) {
    ScopedSendSpoolerCallsForTesting unreadable({StatusUnreadable, WatchingWrite});
    ScopedOsVersionForTesting family(kWindows98);
    EXPECT_FALSE(SendRecordToPrinter(kQueue, FactoryRecord()));
    EXPECT_EQ(g_seen.writes, 0);
    EXPECT_TRUE(printers.Captured(kPort).empty());
}

TEST_F(SendTest, AShortOrFailedWriteCountsAsFailedAndLeavesTheQueueFree) {
    for (auto write : {ShortWrite, FailedWrite}) {
        ScopedSendSpoolerCallsForTesting broken({::GetPrinterW, write});
        EXPECT_FALSE(SendRecordToPrinter(kQueue, FactoryRecord()));
    }
    EXPECT_EQ(g_seen.writes, 2);
    // The job was ended and the queue closed: the next send goes through whole.
    printers.Clear(kPort);
    EXPECT_TRUE(SendRecordToPrinter(kQueue, SomeRecord()));
    EXPECT_EQ(printers.Captured(kPort), Bytes(SomeRecord()));
}

}  // namespace
