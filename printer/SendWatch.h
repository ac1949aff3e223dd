// The parts of the send that following a job builds on, for the printer area only.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "printer/PrinterSend.h"

namespace send_detail {

// The spooler calls in use: the real ones, or a test's stand-ins.
const SendSpoolerCalls& Calls();

// The queue's level-2 information in `buffer`, or null when it cannot be read.
const PRINTER_INFO_2W* ReadPrinterInfo(HANDLE printer, std::vector<BYTE>& buffer);

// What a send does beyond the program's own steps, around its job.
class JobWatch {
public:
    virtual ~JobWatch() = default;
    virtual void BeforeStart(HANDLE printer) = 0;
    // Called whenever the queue was opened, before it is closed.
    virtual void AfterSend(HANDLE printer, SendOutcome outcome, DWORD jobId) = 0;
};

// The program's send, with `watch` (or none) around its job; `jobId` receives the job's id.
SendOutcome Send(const std::wstring& printerName, const SettingsRecord& record, DWORD& jobId,
                 JobWatch* watch);

}  // namespace send_detail
