// The raw spool job that passes the settings record to the printer.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>

#include "settings/SettingsRecord.h"

// How a send ended.
enum class SendOutcome {
    Sent,
    NotUsable,    // the queue cannot be opened, or is not usable on this Windows family
    NoJob,        // the spooler started no document
    WriteFailed,  // the spooler took fewer than the 180 bytes or failed; the job was cancelled
    EndFailed,    // the spooler did not accept the end of the document; the job was cancelled
};

// Sends the 180 bytes of `record` to the queue `printerName` as one raw job "Kestrowinda Status
// Write". A job that does not end whole is cancelled, so no part of the record is printed.
SendOutcome SendRecord(const std::wstring& printerName, const SettingsRecord& record);

// True only when SendRecord reports Sent.
bool SendRecordToPrinter(const std::wstring& printerName, const SettingsRecord& record);

// Spooler calls that a test may stand in for until the scope ends: Wine's spooler reports no
// printer status, never takes fewer bytes than it was given, and cannot cancel a job.
struct SendSpoolerCalls {
    using GetPrinterFn = BOOL(WINAPI*)(HANDLE printer, DWORD level, BYTE* info, DWORD size,
                                       DWORD* needed);
    using WritePrinterFn = BOOL(WINAPI*)(HANDLE printer, void* data, DWORD size, DWORD* written);
    using StartDocPrinterFn = DWORD(WINAPI*)(HANDLE printer, DWORD level, BYTE* info);
    using EndJobFn = BOOL(WINAPI*)(HANDLE printer);

    GetPrinterFn getPrinter = ::GetPrinterW;
    WritePrinterFn writePrinter = ::WritePrinter;
    StartDocPrinterFn startDocPrinter = ::StartDocPrinterW;
    EndJobFn endDocPrinter = ::EndDocPrinter;
    EndJobFn abortPrinter = ::AbortPrinter;
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
