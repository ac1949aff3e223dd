// The raw send job against Wine's real spooler; the status, short-write, refused-end and
// cancel cases, which that spooler cannot produce, through stand-ins for its calls.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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

// The queue's open, reset and close, counted and passed on; an open may be refused.
struct QueueCalls {
    bool refuseOpen = false;
    int opens = 0;
    int resets = 0;
    int closes = 0;
};
QueueCalls g_queue;

BOOL WINAPI CountedOpen(wchar_t* name, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
    ++g_queue.opens;
    if (g_queue.refuseOpen) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ScopedSendSpoolerCallsForTesting::kReal.openPrinter(name, printer, defaults);
}

BOOL WINAPI CountedReset(HANDLE printer, PRINTER_DEFAULTSW* defaults) {
    ++g_queue.resets;
    return ScopedSendSpoolerCallsForTesting::kReal.resetPrinter(printer, defaults);
}

BOOL WINAPI CountedClose(HANDLE printer) {
    ++g_queue.closes;
    return ScopedSendSpoolerCallsForTesting::kReal.closePrinter(printer);
}

// Every spooler call of a send goes through the calls in use, so a stand-in sees them all: the
// queue is opened and closed once whatever the outcome, and reset once a job has started.
TEST_F(SendTest, TheQueueIsOpenedResetAndClosedThroughTheCallsInUse) {
    SendSpoolerCalls noJob = Held();
    noJob.startDocPrinter = RefusedStart;
    const struct {
        SendSpoolerCalls calls;
        bool refuseOpen;
        SendOutcome outcome;
        int opens, resets, closes;
    } cases[] = {
        {Held(), false, SendOutcome::Sent, 1, 1, 1},
        {Held(FailedWrite), false, SendOutcome::WriteFailed, 1, 1, 1},
        {noJob, false, SendOutcome::NoJob, 1, 0, 1},
        {Held(), true, SendOutcome::NotUsable, 1, 0, 0},
    };
    for (const auto& c : cases) {
        printers.Clear(kPort);
        g_job = {};
        g_queue = {c.refuseOpen};
        SendSpoolerCalls calls = c.calls;
        calls.openPrinter = CountedOpen;
        calls.resetPrinter = CountedReset;
        calls.closePrinter = CountedClose;
        ScopedSendSpoolerCallsForTesting counted(calls);
        EXPECT_EQ(SendRecord(kQueue, SomeRecord()), c.outcome);
        EXPECT_EQ(g_queue.opens, c.opens);
        EXPECT_EQ(g_queue.resets, c.resets);
        EXPECT_EQ(g_queue.closes, c.closes);
        EXPECT_EQ(printers.Captured(kPort).empty(), c.outcome != SendOutcome::Sent);
    }
}

BOOL WINAPI RefusedAbort(HANDLE) {
    ++g_job.aborts;
    return FALSE;
}

TEST_F(SendTest, ACancelThatTheSpoolerRefusesIsReported) {
    const std::pair<SendSpoolerCalls, SendOutcome> cases[] = {
        {Held(ShortHeldWrite), SendOutcome::WriteFailedNotCancelled},
        {Held(HoldWrite, RefusedEnd), SendOutcome::EndFailedNotCancelled},
    };
    for (auto [calls, outcome] : cases) {
        g_job = {};
        calls.abortPrinter = RefusedAbort;
        ScopedSendSpoolerCallsForTesting refused(calls);
        EXPECT_EQ(SendRecord(kQueue, SomeRecord()), outcome);
        EXPECT_EQ(g_job.aborts, 1) << "cancelled once, not again on the way out";
    }
}

// A followed job, walked by the stand-ins through states that Windows' spooler reports, on a
// clock of their own.
constexpr DWORD kGone = ~0u;  // GetJob fails with ERROR_INVALID_PARAMETER
const HANDLE kChange = reinterpret_cast<HANDLE>(0x4711);

struct JobScript {
    std::vector<DWORD> polls;  // the job's status at each GetJob, the last one kept
    int notifyAfter = -1;      // polls before the change handle is signalled; -2: no handle
    DWORD notified = 0;        // the job status that the notification carries
    bool discarded = false;    // ... only once it is asked for again in full
    DWORD queue = 0;           // the queue's status
};

struct JobRun {
    JobScript script;
    std::size_t gets = 0;
    DWORD now = 0;
    int held = 0;  // change handles and notification infos not given back
    int refreshes = 0;
    std::vector<std::string> calls;
    PRINTER_NOTIFY_INFO info;
};
JobRun g_run;

HANDLE WINAPI Subscribe(HANDLE, DWORD filter, DWORD, void* options) {
    g_run.calls.push_back("subscribe");
    const auto* o = static_cast<const PRINTER_NOTIFY_OPTIONS*>(options);
    EXPECT_TRUE((filter & PRINTER_CHANGE_JOB) && o && o->pTypes[0].Type == JOB_NOTIFY_TYPE &&
                o->pTypes[0].pFields[0] == JOB_NOTIFY_FIELD_STATUS);
    if (g_run.script.notifyAfter == -2) return INVALID_HANDLE_VALUE;
    ++g_run.held;
    return kChange;
}

BOOL WINAPI Unsubscribe(HANDLE) {
    --g_run.held;
    return TRUE;
}

BOOL WINAPI NextChange(HANDLE, DWORD* changed, void* options, void** info) {
    const auto* o = static_cast<const PRINTER_NOTIFY_OPTIONS*>(options);
    const bool refresh = o && (o->Flags & PRINTER_NOTIFY_OPTIONS_REFRESH);
    g_run.refreshes += refresh;
    *changed = PRINTER_CHANGE_SET_JOB;
    PRINTER_NOTIFY_INFO& i = g_run.info;
    i = {2, 0, 1, {}};
    i.aData[0] = {JOB_NOTIFY_TYPE, JOB_NOTIFY_FIELD_STATUS, 0, 7, {}};
    i.aData[0].NotifyData.adwData[0] = g_run.script.notified;
    if (g_run.script.discarded && !refresh) i = {2, PRINTER_NOTIFY_INFO_DISCARDED, 0, {}};
    ++g_run.held;
    *info = &i;
    return TRUE;
}

BOOL WINAPI FreeInfo(PRINTER_NOTIFY_INFO*) {
    --g_run.held;
    return TRUE;
}

BOOL WINAPI LookUpJob(HANDLE, DWORD id, DWORD, BYTE* info, DWORD size, DWORD* needed) {
    EXPECT_EQ(id, 7u);
    const std::vector<DWORD>& polls = g_run.script.polls;
    const DWORD status = polls[std::min(g_run.gets++, polls.size() - 1)];
    g_run.now += 2;
    *needed = sizeof(JOB_INFO_1W);
    ::SetLastError(status == kGone ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
    if (status == kGone || size < *needed) return FALSE;
    JOB_INFO_1W job{};
    job.JobId = 7;
    job.Status = status;
    *reinterpret_cast<JOB_INFO_1W*>(info) = job;
    return TRUE;
}

DWORD WINAPI WaitOrNotify(HANDLE, DWORD ms) {
    if (g_run.gets == static_cast<std::size_t>(g_run.script.notifyAfter)) {
        g_run.script.notifyAfter = -1;
        return WAIT_OBJECT_0;
    }
    g_run.now += ms;
    return WAIT_TIMEOUT;
}

void WINAPI Pass(DWORD ms) {
    g_run.now += ms;
}

DWORD WINAPI Now() {
    return g_run.now;
}

BOOL WINAPI QueueStatus(HANDLE printer, DWORD level, BYTE* info, DWORD size, DWORD* needed) {
    const BOOL ok =
        ScopedSendSpoolerCallsForTesting::kReal.getPrinter(printer, level, info, size, needed);
    if (ok && info) reinterpret_cast<PRINTER_INFO_2W*>(info)->Status |= g_run.script.queue;
    return ok;
}

DWORD WINAPI StartAfter(HANDLE printer, DWORD level, BYTE* info) {
    g_run.calls.push_back("start");
    return HoldStart(printer, level, info);
}

TEST_F(SendTest, AFollowedJobEndsAsTheSpoolerReportsIt) {
    using namespace job_reason;
    constexpr DWORD kLimit = 60000, kJob = JOB_STATUS_PRINTING;
    SendSpoolerCalls calls = Held();
    calls.getPrinter = QueueStatus;
    calls.startDocPrinter = StartAfter;
    calls.findFirstChange = Subscribe;
    calls.findNextChange = NextChange;
    calls.closeChange = Unsubscribe;
    calls.freeNotifyInfo = FreeInfo;
    calls.getJob = LookUpJob;
    calls.wait = WaitOrNotify;
    calls.sleep = Pass;
    calls.tick = Now;
    ScopedSendSpoolerCallsForTesting stand(calls);
    const struct {
        const char* sequence;
        JobScript script;
        JobEnd end;
        unsigned reasons;
    } cases[] = {
        {"printed, then deleted",
         {{kJob, JOB_STATUS_PRINTED | JOB_STATUS_DELETING, kGone}},
         JobEnd::Printed,
         0},
        {"printed between polls", {{kJob, kGone}, 1, JOB_STATUS_PRINTED}, JobEnd::Printed, 0},
        {"printed, told after a discarded notification",
         {{kJob, kGone}, 1, JOB_STATUS_PRINTED, true},
         JobEnd::Printed,
         0},
        {"printed, with no notification",
         {{JOB_STATUS_SPOOLING, JOB_STATUS_PRINTED}, -2},
         JobEnd::Printed,
         0},
        {"gone before the first poll", {{kGone}}, JobEnd::Done, 0},
        {"sent to the printer, then gone", {{JOB_STATUS_COMPLETE, kGone}}, JobEnd::Done, 0},
        {"paused until the deadline", {{JOB_STATUS_PAUSED}}, JobEnd::Held, kPaused},
        {"waiting behind a paused queue",
         {{0}, -1, 0, false, PRINTER_STATUS_PAUSED},
         JobEnd::Held,
         kPaused},
        {"offline, out of paper",
         {{JOB_STATUS_OFFLINE | JOB_STATUS_PAPEROUT | kJob}, -2},
         JobEnd::Held,
         kOffline | kPaperOut},
        {"still printing", {{kJob}}, JobEnd::Held, kPrinting},
        {"error, then deleted",
         {{kJob, JOB_STATUS_ERROR | JOB_STATUS_DELETING, kGone}},
         JobEnd::Failed,
         kError},
        {"deleted with no printed state",
         {{kJob, kGone}, 1, JOB_STATUS_DELETING},
         JobEnd::Failed,
         kDeleted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sequence);
        g_run = JobRun();
        g_run.script = c.script;
        g_run.now = 1000;
        const SendReport report = SendRecordReporting(kQueue, SomeRecord(), kLimit);
        EXPECT_EQ(report.outcome, SendOutcome::Sent);
        ASSERT_TRUE(report.follow.has_value());
        EXPECT_EQ(report.follow->end, c.end);
        EXPECT_EQ(JobReasonText(report.follow->reasons), JobReasonText(c.reasons));
        const DWORD took = g_run.now - 1000;
        EXPECT_TRUE(c.end == JobEnd::Held ? took >= kLimit && took < kLimit + 1000 : took < 2000)
            << took << " ms";
        EXPECT_EQ(g_run.calls, (std::vector<std::string>{"subscribe", "start"}));
        EXPECT_EQ(g_run.held, 0) << "a handle or notification was not given back";
        EXPECT_EQ(g_run.refreshes, c.script.discarded ? 1 : 0);
    }
    // The program's send follows nothing.
    g_run = JobRun();
    g_run.script.polls = {kJob};
    EXPECT_EQ(SendRecord(kQueue, SomeRecord()), SendOutcome::Sent);
    EXPECT_EQ(g_run.calls, std::vector<std::string>{"start"});
    EXPECT_EQ(g_run.gets, 0u);
}

// What Wine's spooler reports: the job is written to the port during EndDocPrinter and is
// gone at the first look.
TEST_F(SendTest, AFollowedJobToWinesSpoolerEndsDone) {
    const DWORD before = ::GetTickCount();
    const SendReport report = SendRecordReporting(kQueue, SomeRecord(), 10000);
    EXPECT_EQ(report.outcome, SendOutcome::Sent);
    ASSERT_TRUE(report.follow.has_value());
    EXPECT_EQ(report.follow->end, JobEnd::Done) << JobReasonText(report.follow->reasons);
    EXPECT_LT(::GetTickCount() - before, 5000u);
    EXPECT_EQ(printers.Captured(kPort), Bytes(SomeRecord()));
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
        rig::Click(dlg.m_pageMSW2.GetSafeHwnd(), IDC_MSW2_COLUMNS_80);
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
