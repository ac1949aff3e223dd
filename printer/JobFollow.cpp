// Following a job after its end, until it leaves the queue or the time is up.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "printer/PrinterSend.h"
#include "printer/SendWatch.h"

namespace {

const SendSpoolerCalls& Spooler() {
    return send_detail::Calls();
}

// How often the job is looked at when no change is notified.
constexpr DWORD kPollMs = 250;

// What was seen of the job while it was followed.
struct JobSeen {
    DWORD status = 0;  // the last status seen
    bool printed = false;
    bool complete = false;  // all its data went to the printer
    bool deleting = false;
    bool unreadable = false;  // the last look failed other than by the job being gone

    void Add(DWORD s) {
        status = s;
        printed = printed || (s & JOB_STATUS_PRINTED);
        complete = complete || (s & JOB_STATUS_COMPLETE);
        deleting = deleting || (s & (JOB_STATUS_DELETING | JOB_STATUS_DELETED));
    }
};

// The change notification of the queue's jobs, asking for each job's status with every change.
// Invalid when the spooler gives none (Wine's, a 9x one); the job is then only polled.
class JobChanges {
public:
    explicit JobChanges(HANDLE printer) {
        m_change = Spooler().findFirstChange(printer, PRINTER_CHANGE_JOB, 0, &m_options);
    }
    ~JobChanges() { Close(); }
    JobChanges(const JobChanges&) = delete;
    JobChanges& operator=(const JobChanges&) = delete;

    bool Valid() const { return m_change != INVALID_HANDLE_VALUE && m_change != nullptr; }
    HANDLE Handle() const { return m_change; }

    // After the handle was signalled: adds the statuses of job `id` that the notification
    // carries. Discarded notifications are asked for again in full.
    void Read(DWORD id, JobSeen& seen) {
        DWORD changed = 0;
        PRINTER_NOTIFY_INFO* info = nullptr;
        if (!Next(changed, nullptr, info)) return;
        if (info && (info->Flags & PRINTER_NOTIFY_INFO_DISCARDED)) {
            Spooler().freeNotifyInfo(info);
            info = nullptr;
            PRINTER_NOTIFY_OPTIONS refresh{2, PRINTER_NOTIFY_OPTIONS_REFRESH, 0, nullptr};
            if (!Next(changed, &refresh, info)) return;
        }
        if (!info) return;
        for (DWORD i = 0; i < info->Count; ++i) {
            const PRINTER_NOTIFY_INFO_DATA& data = info->aData[i];
            if (data.Type == JOB_NOTIFY_TYPE && data.Field == JOB_NOTIFY_FIELD_STATUS &&
                data.Id == id) {
                seen.Add(data.NotifyData.adwData[0]);
            }
        }
        Spooler().freeNotifyInfo(info);
    }

private:
    // A notification that cannot be read would stay signalled; from then on the job is polled.
    bool Next(DWORD& changed, PRINTER_NOTIFY_OPTIONS* options, PRINTER_NOTIFY_INFO*& info) {
        void* raw = nullptr;
        if (!Spooler().findNextChange(m_change, &changed, options, &raw)) {
            Close();
            return false;
        }
        info = static_cast<PRINTER_NOTIFY_INFO*>(raw);
        return true;
    }

    void Close() {
        if (Valid()) Spooler().closeChange(m_change);
        m_change = INVALID_HANDLE_VALUE;
    }

    WORD m_field = JOB_NOTIFY_FIELD_STATUS;
    PRINTER_NOTIFY_OPTIONS_TYPE m_type{JOB_NOTIFY_TYPE, 0, 0, 0, 1, &m_field};
    PRINTER_NOTIFY_OPTIONS m_options{2, 0, 1, &m_type};
    HANDLE m_change = INVALID_HANDLE_VALUE;
};

enum class JobLook { Present, Gone, Unreadable };

// GetJob at level 1. Windows' spooler answers ERROR_INVALID_PARAMETER once the job is gone;
// Wine's keeps no job after its end and fails without setting any error.
JobLook LookAtJob(HANDLE printer, DWORD id, DWORD& status) {
    std::vector<BYTE> buffer(512);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD needed = 0;
        ::SetLastError(ERROR_SUCCESS);
        if (Spooler().getJob(printer, id, 1, buffer.data(), static_cast<DWORD>(buffer.size()),
                             &needed)) {
            status = reinterpret_cast<const JOB_INFO_1W*>(buffer.data())->Status;
            return JobLook::Present;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_INVALID_PARAMETER || error == ERROR_SUCCESS) return JobLook::Gone;
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) break;
        buffer.assign(needed, 0);
    }
    return JobLook::Unreadable;
}

// The problems that a job status reports.
unsigned JobProblems(DWORD status) {
    unsigned reasons = 0;
    if (status & JOB_STATUS_PAUSED) reasons |= job_reason::kPaused;
    if (status & JOB_STATUS_OFFLINE) reasons |= job_reason::kOffline;
    if (status & JOB_STATUS_ERROR) reasons |= job_reason::kError;
    if (status & JOB_STATUS_PAPEROUT) reasons |= job_reason::kPaperOut;
    if (status & JOB_STATUS_USER_INTERVENTION) reasons |= job_reason::kUserIntervention;
    if (status & JOB_STATUS_BLOCKED_DEVQ) reasons |= job_reason::kBlocked;
    return reasons;
}

// The problems that the queue reports. An empty queue reports ready even when the printer is
// off, so this is read only while the job waits in it.
unsigned QueueProblems(HANDLE printer) {
    std::vector<BYTE> buffer;
    const PRINTER_INFO_2W* info = send_detail::ReadPrinterInfo(printer, buffer);
    if (!info) return 0;
    unsigned reasons = 0;
    if (info->Status & PRINTER_STATUS_PAUSED) reasons |= job_reason::kPaused;
    if ((info->Status & PRINTER_STATUS_OFFLINE) ||
        (info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE))
        reasons |= job_reason::kOffline;
    if (info->Status & PRINTER_STATUS_ERROR) reasons |= job_reason::kError;
    if (info->Status & PRINTER_STATUS_PAPER_OUT) reasons |= job_reason::kPaperOut;
    if (info->Status & PRINTER_STATUS_USER_INTERVENTION) reasons |= job_reason::kUserIntervention;
    return reasons;
}

// The end of a job that has left the queue.
JobFollow JobGone(const JobSeen& seen) {
    if (seen.printed) return {JobEnd::Printed, 0};
    if (seen.status & JOB_STATUS_ERROR) return {JobEnd::Failed, JobProblems(seen.status)};
    if (seen.deleting && !seen.complete) return {JobEnd::Failed, job_reason::kDeleted};
    return {JobEnd::Done, 0};
}

// A job still in the queue when the time is up.
JobFollow JobStillThere(HANDLE printer, const JobSeen& seen) {
    unsigned reasons = JobProblems(seen.status) | QueueProblems(printer);
    if (seen.unreadable) reasons |= job_reason::kUnreadable;
    // All its data reached the printer; only the queue keeps the job.
    if (!reasons && seen.complete) return {JobEnd::Done, 0};
    if (!reasons) {
        reasons =
            (seen.status & JOB_STATUS_PRINTING) ? job_reason::kPrinting : job_reason::kWaiting;
    }
    return {JobEnd::Held, reasons};
}

JobFollow FollowJob(HANDLE printer, DWORD id, JobChanges& changes, DWORD limitMs) {
    JobSeen seen;
    const DWORD start = Spooler().tick();
    for (;;) {
        DWORD status = 0;
        switch (LookAtJob(printer, id, status)) {
            case JobLook::Gone:
                // What the spooler said of the job before it went, as a fast job that failed
                // leaves it: the notification may be pending still, unread.
                if (changes.Valid() && Spooler().wait(changes.Handle(), 0) == WAIT_OBJECT_0) {
                    changes.Read(id, seen);
                }
                return JobGone(seen);
            case JobLook::Present:
                seen.Add(status);
                seen.unreadable = false;
                break;
            case JobLook::Unreadable:
                seen.unreadable = true;
                break;
        }
        if (seen.printed) return {JobEnd::Printed, 0};
        const DWORD elapsed = Spooler().tick() - start;  // unsigned: right across a wrap
        if (elapsed >= limitMs) return JobStillThere(printer, seen);
        const DWORD wait = std::min(kPollMs, limitMs - elapsed);
        if (!changes.Valid()) {
            Spooler().sleep(wait);
        } else if (Spooler().wait(changes.Handle(), wait) == WAIT_OBJECT_0) {
            changes.Read(id, seen);
        }
    }
}

// Follows a job that was handed over whole, subscribed to its changes before it starts: a fast
// job can be gone before the first look.
class JobFollower final : public send_detail::JobWatch {
public:
    explicit JobFollower(DWORD limitMs) : m_limitMs(limitMs) {}
    void BeforeStart(HANDLE printer) override { m_changes.emplace(printer); }
    void AfterSend(HANDLE printer, SendOutcome outcome, DWORD jobId) override {
        if (outcome == SendOutcome::Sent) {
            m_result = FollowJob(printer, jobId, *m_changes, m_limitMs);
        }
        m_changes.reset();
    }
    const std::optional<JobFollow>& Result() const { return m_result; }

private:
    DWORD m_limitMs;
    std::optional<JobChanges> m_changes;
    std::optional<JobFollow> m_result;
};

}  // namespace

std::string JobReasonText(unsigned reasons) {
    static constexpr struct {
        unsigned bit;
        const char* word;
    } kWords[] = {
        {job_reason::kPaused, "paused"},
        {job_reason::kOffline, "offline"},
        {job_reason::kError, "error"},
        {job_reason::kPaperOut, "paper-out"},
        {job_reason::kUserIntervention, "user-intervention"},
        {job_reason::kBlocked, "blocked"},
        {job_reason::kDeleted, "deleted"},
        {job_reason::kPrinting, "printing"},
        {job_reason::kWaiting, "waiting"},
        {job_reason::kUnreadable, "unreadable"},
    };
    std::string text;
    for (const auto& w : kWords) {
        if (reasons & w.bit) text += (text.empty() ? "" : ", ") + std::string(w.word);
    }
    return text;
}

SendReport SendRecordReporting(const std::wstring& printerName, const SettingsRecord& record,
                               std::optional<DWORD> followMs) {
    SendReport report;
    if (!followMs) {
        report.outcome = send_detail::Send(printerName, record, report.jobId, nullptr);
        return report;
    }
    JobFollower follower(*followMs);
    report.outcome = send_detail::Send(printerName, record, report.jobId, &follower);
    report.follow = follower.Result();
    return report;
}
