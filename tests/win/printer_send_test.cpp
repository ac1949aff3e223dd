// The raw send job against Wine's real spooler; the status, short-write, refused-end and
// cancel cases, which that spooler cannot produce, through stand-ins for its calls.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
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

BOOL WINAPI RefusedAbort(HANDLE) {
    ++g_job.aborts;
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST_F(SendTest, ACancelThatTheSpoolerRefusesIsReported) {
    const struct {
        SendSpoolerCalls calls;
        SendOutcome outcome;
    } cases[] = {
        {Held(ShortHeldWrite), SendOutcome::WriteFailedNotCancelled},
        {Held(FailedWrite), SendOutcome::WriteFailedNotCancelled},
        {Held(HoldWrite, RefusedEnd), SendOutcome::EndFailedNotCancelled},
    };
    for (const auto& c : cases) {
        g_job = {};
        SendSpoolerCalls calls = c.calls;
        calls.abortPrinter = RefusedAbort;
        ScopedSendSpoolerCallsForTesting refused(calls);
        EXPECT_EQ(SendRecord(kQueue, SomeRecord()), c.outcome);
        EXPECT_EQ(g_job.aborts, 1) << "cancelled once, not again on the way out";
        EXPECT_FALSE(SendRecordToPrinter(kQueue, SomeRecord()));
    }
}

// A job walked through the states that Windows' spooler reports, on a clock of the stand-ins'
// own: polls of GetJob, change notifications between them, and the queue's status.
namespace follow {

constexpr DWORD kJobId = 7;
constexpr DWORD kGone = 0xFFFFFFFF;  // GetJob: ERROR_INVALID_PARAMETER
const HANDLE kChange = reinterpret_cast<HANDLE>(0x4711);

struct Script {
    std::vector<DWORD> polls;  // the job status at each GetJob, the last one kept; or kGone
    bool notifies = true;      // FindFirstPrinterChangeNotification gives a handle
    int notifyAfterPoll = -1;  // the handle is signalled after this poll
    DWORD notified = 0;        // the status that notification carries
    bool discarded = false;    // ... only after a refresh
    DWORD queueStatus = 0;
};

struct World {
    Script script;
    DWORD now = 1000;
    std::size_t gets = 0;
    int subscribed = 0, closed = 0, refreshed = 0, infos = 0, freed = 0;
    std::vector<std::string> order;
};
World g_world;

HANDLE WINAPI FindFirst(HANDLE, DWORD filter, DWORD, void* options) {
    g_world.order.push_back("subscribe");
    const auto* o = static_cast<const PRINTER_NOTIFY_OPTIONS*>(options);
    const bool asksStatus = o && o->Count == 1 && o->pTypes[0].Type == JOB_NOTIFY_TYPE &&
                            o->pTypes[0].pFields[0] == JOB_NOTIFY_FIELD_STATUS;
    EXPECT_TRUE(filter & PRINTER_CHANGE_JOB);
    EXPECT_TRUE(asksStatus);
    if (!g_world.script.notifies) return INVALID_HANDLE_VALUE;
    ++g_world.subscribed;
    return kChange;
}

BOOL WINAPI CloseChange(HANDLE change) {
    EXPECT_EQ(change, kChange);
    ++g_world.closed;
    return TRUE;
}

PRINTER_NOTIFY_INFO g_info;

BOOL WINAPI FindNext(HANDLE change, DWORD* changed, void* options, void** info) {
    EXPECT_EQ(change, kChange);
    *changed = PRINTER_CHANGE_SET_JOB;
    const auto* o = static_cast<const PRINTER_NOTIFY_OPTIONS*>(options);
    const bool refresh = o && (o->Flags & PRINTER_NOTIFY_OPTIONS_REFRESH);
    g_world.refreshed += refresh;
    g_info = {};
    g_info.Version = 2;
    if (g_world.script.discarded && !refresh) {
        g_info.Flags = PRINTER_NOTIFY_INFO_DISCARDED;
    } else {
        g_info.Count = 1;
        g_info.aData[0].Type = JOB_NOTIFY_TYPE;
        g_info.aData[0].Field = JOB_NOTIFY_FIELD_STATUS;
        g_info.aData[0].Id = kJobId;
        g_info.aData[0].NotifyData.adwData[0] = g_world.script.notified;
    }
    ++g_world.infos;
    *info = &g_info;
    return TRUE;
}

BOOL WINAPI FreeInfo(PRINTER_NOTIFY_INFO* info) {
    EXPECT_EQ(info, &g_info);
    ++g_world.freed;
    return TRUE;
}

BOOL WINAPI LookUpJob(HANDLE, DWORD id, DWORD level, BYTE* info, DWORD size, DWORD* needed) {
    EXPECT_EQ(id, kJobId);
    EXPECT_EQ(level, 1u);
    const std::vector<DWORD>& polls = g_world.script.polls;
    const DWORD status = polls[std::min(g_world.gets, polls.size() - 1)];
    ++g_world.gets;
    g_world.now += 2;
    if (status == kGone) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = sizeof(JOB_INFO_1W);
    if (size < *needed) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* job = reinterpret_cast<JOB_INFO_1W*>(info);
    *job = {};
    job->JobId = kJobId;
    job->Status = status;
    return TRUE;
}

DWORD WINAPI WaitOrNotify(HANDLE handle, DWORD ms) {
    EXPECT_EQ(handle, kChange);
    if (g_world.script.notifyAfterPoll >= 0 &&
        g_world.gets == static_cast<std::size_t>(g_world.script.notifyAfterPoll)) {
        g_world.script.notifyAfterPoll = -1;
        g_world.now += 1;
        return WAIT_OBJECT_0;
    }
    g_world.now += ms;
    return WAIT_TIMEOUT;
}

void WINAPI Pass(DWORD ms) {
    g_world.now += ms;
}

DWORD WINAPI Tick() {
    return g_world.now;
}

BOOL WINAPI QueueStatus(HANDLE printer, DWORD level, BYTE* info, DWORD size, DWORD* needed) {
    const BOOL ok =
        ScopedSendSpoolerCallsForTesting::kReal.getPrinter(printer, level, info, size, needed);
    if (ok && level == 2 && info) {
        reinterpret_cast<PRINTER_INFO_2W*>(info)->Status |= g_world.script.queueStatus;
    }
    return ok;
}

DWORD WINAPI StartInOrder(HANDLE printer, DWORD level, BYTE* info) {
    g_world.order.push_back("start");
    return HoldStart(printer, level, info);
}

SendSpoolerCalls Calls() {
    SendSpoolerCalls calls = Held();
    calls.getPrinter = QueueStatus;
    calls.startDocPrinter = StartInOrder;
    calls.findFirstChange = FindFirst;
    calls.findNextChange = FindNext;
    calls.closeChange = CloseChange;
    calls.freeNotifyInfo = FreeInfo;
    calls.getJob = LookUpJob;
    calls.wait = WaitOrNotify;
    calls.sleep = Pass;
    calls.tick = Tick;
    return calls;
}

}  // namespace follow

TEST_F(SendTest, AFollowedJobEndsAsTheSpoolerReportsIt) {
    using namespace follow;
    using namespace job_reason;
    constexpr DWORD kJobPrinting = JOB_STATUS_PRINTING;
    constexpr DWORD kLimit = 60000;
    const struct {
        const char* sequence;
        Script script;
        JobEnd end;
        unsigned reasons;
        bool waitsTheLimit;
    } cases[] = {
        {"printed, then deleted",
         {.polls = {kJobPrinting, JOB_STATUS_PRINTED | JOB_STATUS_DELETING, kGone}},
         JobEnd::Printed,
         0,
         false},
        {"printed between two polls, told by a notification",
         {.polls = {kJobPrinting, kGone}, .notifyAfterPoll = 1, .notified = JOB_STATUS_PRINTED},
         JobEnd::Printed,
         0,
         false},
        {"printed, told after a discarded notification was refreshed",
         {.polls = {kJobPrinting, kGone},
          .notifyAfterPoll = 1,
          .notified = JOB_STATUS_PRINTED,
          .discarded = true},
         JobEnd::Printed,
         0,
         false},
        {"printed, polled only (no notification)",
         {.polls = {JOB_STATUS_SPOOLING, kJobPrinting, JOB_STATUS_PRINTED}, .notifies = false},
         JobEnd::Printed,
         0,
         false},
        {"gone before the first poll", {.polls = {kGone}}, JobEnd::Done, 0, false},
        {"all data sent to the printer, then gone",
         {.polls = {kJobPrinting, JOB_STATUS_COMPLETE, JOB_STATUS_COMPLETE | JOB_STATUS_DELETING,
                    kGone}},
         JobEnd::Done,
         0,
         false},
        {"paused until the deadline", {.polls = {JOB_STATUS_PAUSED}}, JobEnd::Held, kPaused, true},
        {"waiting behind a paused queue",
         {.polls = {0}, .queueStatus = PRINTER_STATUS_PAUSED},
         JobEnd::Held,
         kPaused,
         true},
        {"offline and out of paper",
         {.polls = {JOB_STATUS_OFFLINE | JOB_STATUS_PAPEROUT | kJobPrinting}, .notifies = false},
         JobEnd::Held,
         kOffline | kPaperOut,
         true},
        {"still printing at the deadline",
         {.polls = {kJobPrinting}},
         JobEnd::Held,
         kPrinting,
         true},
        {"error, then deleted",
         {.polls = {kJobPrinting, JOB_STATUS_ERROR | kJobPrinting,
                    JOB_STATUS_ERROR | JOB_STATUS_DELETING, kGone}},
         JobEnd::Failed,
         kError,
         false},
        {"an error that cleared, then printed",
         {.polls = {JOB_STATUS_ERROR, kJobPrinting, JOB_STATUS_PRINTED, kGone}},
         JobEnd::Printed,
         0,
         false},
        {"deleted with no printed state",
         {.polls = {kJobPrinting, kGone}, .notifyAfterPoll = 1, .notified = JOB_STATUS_DELETING},
         JobEnd::Failed,
         kDeleted,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sequence);
        g_world = World();
        g_world.script = c.script;
        printers.Clear(kPort);
        ScopedSendSpoolerCallsForTesting stand(Calls());
        const DWORD start = g_world.now;
        const SendReport report = SendRecordReporting(kQueue, SomeRecord(), kLimit);
        EXPECT_EQ(report.outcome, SendOutcome::Sent);
        EXPECT_EQ(report.jobId, kJobId);
        ASSERT_TRUE(report.follow.has_value());
        EXPECT_EQ(report.follow->end, c.end);
        EXPECT_EQ(JobReasonText(report.follow->reasons), JobReasonText(c.reasons));
        const DWORD took = g_world.now - start;
        if (c.waitsTheLimit) {
            EXPECT_GE(took, kLimit);
            EXPECT_LT(took, kLimit + 1000) << "followed past its deadline";
        } else {
            EXPECT_LT(took, 2000u);
        }
        EXPECT_EQ(printers.Captured(kPort), Bytes(SomeRecord()));
        ASSERT_FALSE(g_world.order.empty());
        EXPECT_EQ(g_world.order.front(), "subscribe") << "subscribed after the job started";
        EXPECT_EQ(g_world.closed, g_world.subscribed);
        EXPECT_EQ(g_world.freed, g_world.infos);
        EXPECT_EQ(g_world.refreshed, c.script.discarded ? 1 : 0);
    }

    // Without following, the send makes none of these calls.
    g_world = World();
    g_world.script.polls = {kJobPrinting};
    ScopedSendSpoolerCallsForTesting stand(Calls());
    EXPECT_EQ(SendRecord(kQueue, SomeRecord()), SendOutcome::Sent);
    EXPECT_FALSE(SendRecordReporting(kQueue, SomeRecord()).follow.has_value());
    EXPECT_EQ(g_world.order, (std::vector<std::string>{"start", "start"}));
    EXPECT_EQ(g_world.gets, 0u);
}

// What Wine's own spooler reports for a good send to a queue whose port writes to a file.
TEST_F(SendTest, AFollowedJobToWinesSpoolerEndsDone) {
    const DWORD before = ::GetTickCount();
    const SendReport report = SendRecordReporting(kQueue, SomeRecord(), 10000);
    const DWORD took = ::GetTickCount() - before;
    EXPECT_EQ(report.outcome, SendOutcome::Sent);
    EXPECT_NE(report.jobId, 0u);
    ASSERT_TRUE(report.follow.has_value());
    EXPECT_EQ(report.follow->end, JobEnd::Done) << JobReasonText(report.follow->reasons);
    EXPECT_LT(took, 5000u);
    EXPECT_EQ(printers.Captured(kPort), Bytes(SomeRecord()));
    std::printf("Wine's spooler: job %lu, %s in %lu ms\n", report.jobId,
                report.follow->end == JobEnd::Done ? "done" : "not done", took);
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
