#include "printer/PrinterSend.h"

#include <winspool.h>

#include <vector>

#include "framework/Handles.h"
#include "framework/Platform.h"
#include "printer/SendWatch.h"

namespace {

using send_detail::ReadPrinterInfo;

SendSpoolerCalls g_calls;

constexpr wchar_t kDocumentName[] = L"Kestrowinda Status Write";

// A started document that is cancelled when it leaves scope without having ended or having been
// cancelled, so that no part of a job that failed on the way is printed.
class PrinterJob {
public:
    explicit PrinterJob(HANDLE printer) : m_printer(printer) {
        std::wstring name = kDocumentName;
        DOC_INFO_1W doc{name.data(), nullptr, nullptr};  // no output file, the queue's data type
        m_id = g_calls.startDocPrinter(printer, 1, reinterpret_cast<BYTE*>(&doc));
        m_started = m_id != 0;
    }
    ~PrinterJob() {
        // Nothing more can be done when the cancel fails too; the send has failed already.
        if (m_started) g_calls.abortPrinter(m_printer);
    }
    PrinterJob(const PrinterJob&) = delete;
    PrinterJob& operator=(const PrinterJob&) = delete;

    explicit operator bool() const { return m_started; }
    DWORD Id() const { return m_id; }

    // Hands the job to the printer. A refused end leaves the job to be cancelled.
    bool End() {
        if (!g_calls.endDocPrinter(m_printer)) return false;
        m_started = false;
        return true;
    }

    // Cancels the job; false when the spooler refused, and the job may still print.
    bool Cancel() {
        m_started = false;
        return g_calls.abortPrinter(m_printer) != FALSE;
    }

private:
    HANDLE m_printer;
    DWORD m_id = 0;
    bool m_started = false;
};

UniquePrinter OpenQueue(const std::wstring& name, DWORD access) {
    std::wstring nameCopy = name;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    HANDLE handle = nullptr;
    if (!::OpenPrinterW(nameCopy.data(), &handle, &defaults)) return UniquePrinter();
    return UniquePrinter(handle);
}

// The 9x family asks no access rights; the queue must also tell its state and not be waiting
// for the operator.
bool IsUsableOn9x(HANDLE printer) {
    std::vector<BYTE> buffer;
    const PRINTER_INFO_2W* info = ReadPrinterInfo(printer, buffer);
    return info && (info->Status & PRINTER_STATUS_USER_INTERVENTION) == 0;
}

UniquePrinter OpenUsablePrinter(const std::wstring& name) {
    if (IsNtFamily()) return OpenQueue(name, PRINTER_ACCESS_USE);
    UniquePrinter printer = OpenQueue(name, 0);
    if (printer && !IsUsableOn9x(printer.get())) printer.reset();
    return printer;
}

SendOutcome WriteRecord(HANDLE printer, const SettingsRecord& record, DWORD& jobId) {
    PrinterJob job(printer);
    if (!job) return SendOutcome::NoJob;
    jobId = job.Id();
    // Wine's spooler answers FALSE here and still prints the job, so the result is not tested.
    ::ResetPrinterW(printer, nullptr);
    SettingsRecord bytes = record;
    DWORD written = 0;
    const BOOL ok = g_calls.writePrinter(printer, bytes.data(), SettingsRecord::kSize, &written);
    // A cut-off record would leave the printer a broken command; the job is cancelled.
    if (!ok || written != SettingsRecord::kSize) {
        return job.Cancel() ? SendOutcome::WriteFailed : SendOutcome::WriteFailedNotCancelled;
    }
    if (job.End()) return SendOutcome::Sent;
    return job.Cancel() ? SendOutcome::EndFailed : SendOutcome::EndFailedNotCancelled;
}

}  // namespace

namespace send_detail {

const SendSpoolerCalls& Calls() {
    return g_calls;
}

const PRINTER_INFO_2W* ReadPrinterInfo(HANDLE printer, std::vector<BYTE>& buffer) {
    DWORD needed = 0;
    g_calls.getPrinter(printer, 2, nullptr, 0, &needed);  // only learns the size
    if (needed < sizeof(PRINTER_INFO_2W)) return nullptr;
    buffer.assign(needed, 0);
    if (!g_calls.getPrinter(printer, 2, buffer.data(), needed, &needed)) return nullptr;
    return reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
}

SendOutcome Send(const std::wstring& printerName, const SettingsRecord& record, DWORD& jobId,
                 JobWatch* watch) {
    UniquePrinter printer = OpenUsablePrinter(printerName);
    if (!printer) return SendOutcome::NotUsable;
    if (watch) watch->BeforeStart(printer.get());
    const SendOutcome outcome = WriteRecord(printer.get(), record, jobId);
    if (watch) watch->AfterSend(printer.get(), outcome, jobId);
    ::SetLastError(0);
    return outcome;
}

}  // namespace send_detail

SendOutcome SendRecord(const std::wstring& printerName, const SettingsRecord& record) {
    DWORD jobId = 0;
    return send_detail::Send(printerName, record, jobId, nullptr);
}

bool SendRecordToPrinter(const std::wstring& printerName, const SettingsRecord& record) {
    return SendRecord(printerName, record) == SendOutcome::Sent;
}

const SendSpoolerCalls ScopedSendSpoolerCallsForTesting::kReal{};

ScopedSendSpoolerCallsForTesting::ScopedSendSpoolerCallsForTesting(SendSpoolerCalls calls)
    : m_previous(g_calls) {
    g_calls = calls;
}

ScopedSendSpoolerCallsForTesting::~ScopedSendSpoolerCallsForTesting() {
    g_calls = m_previous;
}
