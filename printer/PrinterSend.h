// The raw spool job that passes the settings record to the printer.
#pragma once

#include <windows.h>

#include <string>

#include "settings/SettingsRecord.h"

// Sends the 180 bytes of `record` to the queue `printerName` as one raw job "Kestrowinda Status
// Write". True only when the queue is usable on this Windows family, the job started and the
// spooler took all 180 bytes.
bool SendRecordToPrinter(const std::wstring& printerName, const SettingsRecord& record);

// Spooler calls that a test may stand in for until the scope ends: Wine's spooler reports no
// printer status and never takes fewer bytes than it was given.
struct SendSpoolerCalls {
    BOOL(WINAPI* getPrinter)(HANDLE printer, DWORD level, BYTE* info, DWORD size, DWORD* needed);
    BOOL(WINAPI* writePrinter)(HANDLE printer, void* data, DWORD size, DWORD* written);
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
