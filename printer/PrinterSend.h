// The raw spool job that passes the settings record to the printer.
#pragma once

#include <windows.h>

#include <string>

#include "settings/SettingsRecord.h"

// Sends the 180 bytes of `record` to the queue `printerName` as one raw job "Kestrowinda Status
// Write". True only when the queue is usable on this Windows family, the job started and the
// spooler took all 180 bytes.
bool SendRecordToPrinter(const std::wstring& printerName, const SettingsRecord& record);

// Lets a test stand in for WritePrinter until the scope ends (the spooler never writes short).
using WritePrinterFunction = BOOL(WINAPI*)(HANDLE printer, void* data, DWORD size, DWORD* written);
class ScopedWritePrinterForTesting {
  public:
    explicit ScopedWritePrinterForTesting(WritePrinterFunction function);
    ~ScopedWritePrinterForTesting();
    ScopedWritePrinterForTesting(const ScopedWritePrinterForTesting&) = delete;
    ScopedWritePrinterForTesting& operator=(const ScopedWritePrinterForTesting&) = delete;

  private:
    WritePrinterFunction m_previous;
};
