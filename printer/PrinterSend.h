// The raw spool job that passes the settings record to the printer.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <optional>
#include <string>

#include "settings/SettingsRecord.h"

// How a send ended.
enum class SendOutcome {
    Sent,
    NotUsable,    // the queue cannot be opened, or is not usable on this Windows family
    NoJob,        // the spooler started no document
    WriteFailed,  // the spooler took fewer than the 180 bytes or failed; the job was cancelled
    EndFailed,    // the spooler did not accept the end of the document; the job was cancelled
    WriteFailedNotCancelled,  // as WriteFailed, but the spooler refused to cancel the job too
    EndFailedNotCancelled,    // as EndFailed, but the spooler refused to cancel the job too
};

// Sends the 180 bytes of `record` to the queue `printerName` as one raw job "Kestrowinda Status
// Write". A job that does not end whole is cancelled, so no part of the record is printed.
SendOutcome SendRecord(const std::wstring& printerName, const SettingsRecord& record);

// True only when SendRecord reports Sent.
bool SendRecordToPrinter(const std::wstring& printerName, const SettingsRecord& record);

// How a job that was followed after its end left the spooler.
enum class JobEnd {
    Printed,  // the spooler reported it printed (on most ports: every byte left the port)
    Done,     // it left the queue without an error, and the spooler never reported it printed
    Held,     // it was still in the queue when the time was up
    Failed,   // it went away after an error, or someone else deleted it
};

// Why a job was held or failed, as bits; a held job may have several.
namespace job_reason {
inline constexpr unsigned kPaused = 1u << 0;   // the job or the queue is paused
inline constexpr unsigned kOffline = 1u << 1;  // the printer or the queue is offline
inline constexpr unsigned kError = 1u << 2;
inline constexpr unsigned kPaperOut = 1u << 3;
inline constexpr unsigned kUserIntervention = 1u << 4;
inline constexpr unsigned kBlocked = 1u << 5;     // the driver cannot print it
inline constexpr unsigned kDeleted = 1u << 6;     // deleted before it was printed
inline constexpr unsigned kPrinting = 1u << 7;    // held: still printing, nothing wrong reported
inline constexpr unsigned kWaiting = 1u << 8;     // held: waiting, no reason given
inline constexpr unsigned kUnreadable = 1u << 9;  // the spooler would not report the job
}  // namespace job_reason

// The reasons as words ("paused, paper-out"); empty for none.
std::string JobReasonText(unsigned reasons);

struct JobFollow {
    JobEnd end = JobEnd::Done;
    unsigned reasons = 0;  // job_reason bits
};

struct SendReport {
    SendOutcome outcome = SendOutcome::NotUsable;
    DWORD jobId = 0;                  // the spooler's id of the job; 0 when none was started
    std::optional<JobFollow> follow;  // when following was asked and the job was handed over
};

// Sends as SendRecord. With `followMs`, a job that was handed over is then followed until it
// leaves the queue or that many milliseconds have passed since its end.
SendReport SendRecordReporting(const std::wstring& printerName, const SettingsRecord& record,
                               std::optional<DWORD> followMs = std::nullopt);

// Spooler calls that a test may stand in for until the scope ends: Wine's spooler reports no
// printer status, never takes fewer bytes than it was given, cannot cancel a job and keeps no
// job after its end. The clock and the waits are among them, so that a stand-in can walk a
// followed job through minutes of states at once.
struct SendSpoolerCalls {
    using GetPrinterFn = BOOL(WINAPI*)(HANDLE printer, DWORD level, BYTE* info, DWORD size,
                                       DWORD* needed);
    using WritePrinterFn = BOOL(WINAPI*)(HANDLE printer, void* data, DWORD size, DWORD* written);
    using StartDocPrinterFn = DWORD(WINAPI*)(HANDLE printer, DWORD level, BYTE* info);
    using EndJobFn = BOOL(WINAPI*)(HANDLE printer);
    using FindFirstChangeFn = HANDLE(WINAPI*)(HANDLE printer, DWORD filter, DWORD options,
                                              void* notifyOptions);
    using FindNextChangeFn = BOOL(WINAPI*)(HANDLE change, DWORD* changed, void* notifyOptions,
                                           void** notifyInfo);
    using CloseChangeFn = BOOL(WINAPI*)(HANDLE change);
    using FreeNotifyInfoFn = BOOL(WINAPI*)(PRINTER_NOTIFY_INFO* info);
    using GetJobFn = BOOL(WINAPI*)(HANDLE printer, DWORD jobId, DWORD level, BYTE* info, DWORD size,
                                   DWORD* needed);
    using WaitFn = DWORD(WINAPI*)(HANDLE handle, DWORD milliseconds);
    using SleepFn = void(WINAPI*)(DWORD milliseconds);
    using TickFn = DWORD(WINAPI*)();

    GetPrinterFn getPrinter = ::GetPrinterW;
    WritePrinterFn writePrinter = ::WritePrinter;
    StartDocPrinterFn startDocPrinter = ::StartDocPrinterW;
    EndJobFn endDocPrinter = ::EndDocPrinter;
    EndJobFn abortPrinter = ::AbortPrinter;
    // Following a job.
    FindFirstChangeFn findFirstChange = ::FindFirstPrinterChangeNotification;
    FindNextChangeFn findNextChange = ::FindNextPrinterChangeNotification;
    CloseChangeFn closeChange = ::FindClosePrinterChangeNotification;
    FreeNotifyInfoFn freeNotifyInfo = ::FreePrinterNotifyInfo;
    GetJobFn getJob = ::GetJobW;
    WaitFn wait = ::WaitForSingleObject;
    SleepFn sleep = ::Sleep;
    TickFn tick = ::GetTickCount;
};

class ScopedSendSpoolerCallsForTesting {
public:
    explicit ScopedSendSpoolerCallsForTesting(SendSpoolerCalls calls);
    ~ScopedSendSpoolerCallsForTesting();
    ScopedSendSpoolerCallsForTesting(const ScopedSendSpoolerCallsForTesting&) = delete;
    ScopedSendSpoolerCallsForTesting& operator=(const ScopedSendSpoolerCallsForTesting&) = delete;

    // The real calls, for a stand-in to pass on to.
    static const SendSpoolerCalls kReal;

private:
    SendSpoolerCalls m_previous;
};
