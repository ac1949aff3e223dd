// The raw send job against Wine's real spooler; the status, short-write, refused-end and
// cancel cases, which that spooler cannot produce, through stand-ins for its calls.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/MainDialog.h"
#include "framework/Platform.h"
#include "printer/PrinterSend.h"
#include "res/resource.h"
#include "settings/SettingsRecord.h"
#include "tests/win/rig/Printers.h"
#include "tests/win/rig/Ui.h"

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

// Windows keeps a job in its spool file until EndDocPrinter and deletes it at AbortPrinter.
// Wine's AbortPrinter does nothing and its ClosePrinter prints any open job, so these stand-ins
// hold the job here and hand it to Wine's spooler, whole, only when it ends.
struct HeldJob {
    std::vector<std::uint8_t> bytes;
    int ends = 0;
    int aborts = 0;
};
HeldJob g_job;

DWORD WINAPI HoldStart(HANDLE, DWORD, BYTE*) {
    g_job.bytes.clear();
    return 7;  // the job id
}

BOOL WINAPI HoldWrite(HANDLE, void* data, DWORD size, DWORD* written) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    g_job.bytes.insert(g_job.bytes.end(), bytes, bytes + size);
    *written = size;
    return TRUE;
}

BOOL WINAPI HoldEnd(HANDLE printer) {
    ++g_job.ends;
    const SendSpoolerCalls& real = ScopedSendSpoolerCallsForTesting::kReal;
    std::wstring name = L"Kestrowinda Status Write";
    DOC_INFO_1W doc{name.data(), nullptr, nullptr};
    if (!real.startDocPrinter(printer, 1, reinterpret_cast<BYTE*>(&doc))) return FALSE;
    DWORD written = 0;
    real.writePrinter(printer, g_job.bytes.data(), static_cast<DWORD>(g_job.bytes.size()),
                      &written);
    return real.endDocPrinter(printer);
}

BOOL WINAPI HoldAbort(HANDLE) {
    ++g_job.aborts;
    g_job.bytes.clear();
    return TRUE;
}

BOOL WINAPI ShortHeldWrite(HANDLE printer, void* data, DWORD size, DWORD* written) {
    return HoldWrite(printer, data, size - 1, written);
}

BOOL WINAPI RefusedEnd(HANDLE) {
    ++g_job.ends;
    ::SetLastError(ERROR_NOT_READY);
    return FALSE;
}

DWORD WINAPI RefusedStart(HANDLE, DWORD, BYTE*) {
    ::SetLastError(ERROR_NOT_READY);
    return 0;
}

SendSpoolerCalls Held(SendSpoolerCalls::WritePrinterFn write = HoldWrite,
                      SendSpoolerCalls::EndJobFn end = HoldEnd) {
    return {.writePrinter = write,
            .startDocPrinter = HoldStart,
            .endDocPrinter = end,
            .abortPrinter = HoldAbort};
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
    // The queue was closed: the next send goes through whole.
    printers.Clear(kPort);
    EXPECT_TRUE(SendRecordToPrinter(kQueue, SomeRecord()));
    EXPECT_EQ(printers.Captured(kPort), Bytes(SomeRecord()));
}

TEST_F(SendTest, AJobThatDoesNotEndWholeIsCancelledAndNothingIsPrinted) {
    {
        ScopedSendSpoolerCallsForTesting held(Held());
        EXPECT_EQ(SendRecord(kQueue, SomeRecord()), SendOutcome::Sent);
        EXPECT_EQ(printers.Captured(kPort), Bytes(SomeRecord())) << "the stand-ins pass it on";
        EXPECT_EQ(g_job.aborts, 0);
    }
    const struct {
        SendSpoolerCalls calls;
        SendOutcome outcome;
        int ends;
    } cases[] = {
        {Held(ShortHeldWrite), SendOutcome::WriteFailed, 0},
        {Held(FailedWrite), SendOutcome::WriteFailed, 0},
        {Held(HoldWrite, RefusedEnd), SendOutcome::EndFailed, 1},
    };
    for (const auto& c : cases) {
        printers.Clear(kPort);
        g_job = {};
        ScopedSendSpoolerCallsForTesting broken(c.calls);
        EXPECT_EQ(SendRecord(kQueue, SomeRecord()), c.outcome);
        EXPECT_EQ(g_job.ends, c.ends);
        EXPECT_EQ(g_job.aborts, 1) << "the job is cancelled";
        EXPECT_TRUE(printers.Captured(kPort).empty()) << "part of a job was printed";
        EXPECT_FALSE(SendRecordToPrinter(kQueue, SomeRecord()));
    }

    SendSpoolerCalls noJob = Held();
    noJob.startDocPrinter = RefusedStart;
    ScopedSendSpoolerCallsForTesting refused(noJob);
    g_job = {};
    EXPECT_EQ(SendRecord(kQueue, SomeRecord()), SendOutcome::NoJob);
    EXPECT_EQ(g_job.aborts + g_job.ends, 0) << "no job, nothing to end";
    printers.Remove(kQueue);
    EXPECT_EQ(SendRecord(kQueue, SomeRecord()), SendOutcome::NotUsable);
}

// The main window reports a job whose end the spooler refused as the failed send it is.
TEST(SendMainWindowTest, ARefusedEndIsReportedAsAFailedSend) {
    constexpr wchar_t kSelectCaption[] = L"プリンタの選択";
    rig::TestPrinters printers;
    printers.Add(L"Vek A", L"LPT1:");
    printers.Add(L"Vek B", L"LPT2:");
    rig::UiScript ui;
    CMainDialog dlg;
    ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDOK); });
    ui.OnDialog(L"Vek Brelvistoka 410ZQ Kestrowinda", [&](HWND main) {
        ASSERT_EQ(dlg.m_strCurrentPrinter, L"Vek A");
        rig::Click(dlg.m_pageMSW2.GetSafeHwnd(), 1234);  // "８０桁(&O)"
        ScopedSendSpoolerCallsForTesting refused(Held(HoldWrite, RefusedEnd));
        ui.AnswerMessageBox(IDOK);
        ui.AnswerMessageBox(IDNO);  // the selection's questions: send first? save first?
        ui.AnswerMessageBox(IDNO);
        ui.OnDialog(kSelectCaption, [](HWND select) { rig::Click(select, IDCANCEL); });
        ::SendMessageW(main, WM_COMMAND, ID_SEND_TO_PRINTER, 0);
        ASSERT_EQ(ui.Answered().size(), 3u);
        EXPECT_EQ(ui.Answered()[0].text,
                  L"指定されたプリンタは、現在接続されていないか、"
                  L"プリンタ使用権の制限により使用できません。");
        EXPECT_EQ(ui.Answered()[0].icon, rig::Icon::Exclamation);
        EXPECT_TRUE(ui.Done()) << "the printer selection was not offered";
        EXPECT_EQ(dlg.m_recSent, FactoryRecord());
        EXPECT_EQ(dlg.m_bSendPending, 1);
        EXPECT_FALSE(::GetMenuState(::GetMenu(main), ID_SEND_TO_PRINTER, MF_BYCOMMAND) & MF_GRAYED);
        EXPECT_TRUE(printers.Captured(L"LPT1:").empty());
        dlg.EndDialog(IDOK);
    });
    dlg.DoModal();
}

}  // namespace
