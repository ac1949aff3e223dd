// A fleet send at scale: `kwctl send --all --parallel 8`, run in this process, to 500 queues
// behind a stand-in spooler that takes 20 ms over every call, discovery's and the send's,
// against the ideal: the calls that must come one after another at 20 ms each, and each queue's
// calls at 20 ms each, spread evenly over the 8 threads. The stand-in counts the calls of every
// run, so the ideal holds the calls that kwctl makes, and checks that each queue got one whole
// job.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/Measures.h"
#include "kwctl/Kwctl.h"
#include "printer/PrinterDiscovery.h"
#include "printer/PrinterSend.h"
#include "settings/SettingsRecord.h"
#include "settings/Utf8.h"

namespace {

constexpr int kQueues = 500;
constexpr int kThreads = 8;
constexpr DWORD kCallMs = 20;
constexpr double kGoal = 1.25;

// What the stand-in knows and saw. Its calls are plain functions, as the spooler's are, so it
// lives here; a run's threads only read the names and add to the counts.
struct StandIn {
    DWORD callMs = kCallMs;
    std::unordered_map<std::wstring, int> queueOf;  // name to queue index
    std::array<std::atomic<int>, kQueues> calls{};  // each queue's calls
    std::atomic<int> sequentialCalls{0};            // calls that belong to no queue
    std::array<std::atomic<int>, kQueues> wholeWrites{};
    std::array<std::atomic<int>, kQueues> ends{};
    std::array<std::atomic<int>, kQueues> aborts{};
    std::atomic<long long> delayTicks{0};  // the time the delays took, in performance ticks
    std::atomic<int> delays{0};
    SettingsRecord record;

    void Reset() {
        for (int q = 0; q < kQueues; ++q) {
            calls[q] = 0;
            wholeWrites[q] = 0;
            ends[q] = 0;
            aborts[q] = 0;
        }
        sequentialCalls = 0;
    }
};

StandIn g_standIn;

std::wstring ScaleQueueName(int q) {
    return L"KW Scale " + std::to_wstring(q + 1);
}

// One call to the spooler: its round trip, counted for its queue (or none, -1).
void Call(int queue) {
    if (queue >= 0) {
        ++g_standIn.calls[queue];
    } else {
        ++g_standIn.sequentialCalls;
    }
    if (g_standIn.callMs == 0) return;
    LARGE_INTEGER before, after;
    ::QueryPerformanceCounter(&before);
    ::Sleep(g_standIn.callMs);
    ::QueryPerformanceCounter(&after);
    g_standIn.delayTicks += after.QuadPart - before.QuadPart;
    ++g_standIn.delays;
}

int QueueOf(const std::wstring& name) {
    const auto found = g_standIn.queueOf.find(name);
    return found == g_standIn.queueOf.end() ? -1 : found->second;
}

// A queue's handle is its index plus one.
HANDLE HandleOf(int queue) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(queue) + 1);
}

int QueueOf(HANDLE printer) {
    const auto index = reinterpret_cast<std::uintptr_t>(printer) - 1;
    return index < kQueues ? static_cast<int>(index) : -1;
}

PrinterLevel2 Details(int q) {
    return {
        L"",   ScaleQueueName(q), L"LPT" + std::to_wstring(q + 1) + L":", kModelDriverName, 0, 0x40,
        L"RAW"};
}

// Discovery's view: every queue local, of the model, opening for use. Each method takes the
// calls that WinPrinterSpooler makes for it: an enumeration two EnumPrintersW (the size, then
// the entries), an open for use OpenPrinterW and ClosePrinter, a queue's own entry
// OpenPrinterW, two GetPrinterW and ClosePrinter.
class ScaleSpooler final : public PrinterSpooler {
public:
    std::vector<PrinterLevel4> EnumLevel4(std::uint32_t,
                                          const std::optional<std::wstring>&) override {
        Call(-1);
        Call(-1);
        std::vector<PrinterLevel4> entries;
        for (int q = 0; q < kQueues; ++q)
            entries.push_back({ScaleQueueName(q), std::nullopt, 0x40});
        return entries;
    }
    std::vector<PrinterLevel2> EnumLevel2(std::uint32_t,
                                          const std::optional<std::wstring>& name) override {
        Call(-1);
        Call(-1);
        std::vector<PrinterLevel2> entries;
        if (name) return entries;  // no server
        for (int q = 0; q < kQueues; ++q)
            entries.push_back(Details(q));
        return entries;
    }
    bool OpensForUse(const std::wstring& printerName) override {
        const int q = QueueOf(printerName);
        Call(q);
        Call(q);
        return q >= 0;
    }
    std::optional<PrinterLevel2> GetLevel2(const std::wstring& printerName) override {
        const int q = QueueOf(printerName);
        for (int k = 0; k < 4; ++k)
            Call(q);
        if (q < 0) return std::nullopt;
        return Details(q);
    }
};

// The send's calls.
BOOL WINAPI ScaleOpen(wchar_t* name, HANDLE* printer, PRINTER_DEFAULTSW*) {
    const int q = QueueOf(std::wstring(name));
    Call(q);
    if (q < 0) {
        ::SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    *printer = HandleOf(q);
    return TRUE;
}

BOOL WINAPI ScaleClose(HANDLE printer) {
    Call(QueueOf(printer));
    return TRUE;
}

DWORD WINAPI ScaleStartDoc(HANDLE printer, DWORD, BYTE*) {
    const int q = QueueOf(printer);
    Call(q);
    return static_cast<DWORD>(q + 1);
}

BOOL WINAPI ScaleReset(HANDLE printer, PRINTER_DEFAULTSW*) {
    Call(QueueOf(printer));
    return TRUE;
}

BOOL WINAPI ScaleWrite(HANDLE printer, void* data, DWORD size, DWORD* written) {
    const int q = QueueOf(printer);
    Call(q);
    if (q >= 0 && size == SettingsRecord::kSize &&
        std::memcmp(data, g_standIn.record.data(), size) == 0) {
        ++g_standIn.wholeWrites[q];
    }
    *written = size;
    return TRUE;
}

BOOL WINAPI ScaleEnd(HANDLE printer) {
    const int q = QueueOf(printer);
    Call(q);
    if (q >= 0) ++g_standIn.ends[q];
    return TRUE;
}

BOOL WINAPI ScaleAbort(HANDLE printer) {
    const int q = QueueOf(printer);
    Call(q);
    if (q >= 0) ++g_standIn.aborts[q];
    return TRUE;
}

BOOL WINAPI ScaleGetPrinter(HANDLE printer, DWORD, BYTE*, DWORD, DWORD* needed) {
    Call(QueueOf(printer));
    *needed = 0;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

HANDLE WINAPI ScaleNoNotifications(HANDLE printer, DWORD, DWORD, void*) {
    Call(QueueOf(printer));
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI ScaleNoJob(HANDLE printer, DWORD, DWORD, BYTE*, DWORD, DWORD*) {
    Call(QueueOf(printer));
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

SendSpoolerCalls ScaleCalls() {
    SendSpoolerCalls calls;
    calls.openPrinter = ScaleOpen;
    calls.closePrinter = ScaleClose;
    calls.startDocPrinter = ScaleStartDoc;
    calls.resetPrinter = ScaleReset;
    calls.writePrinter = ScaleWrite;
    calls.endDocPrinter = ScaleEnd;
    calls.abortPrinter = ScaleAbort;
    calls.getPrinter = ScaleGetPrinter;
    calls.findFirstChange = ScaleNoNotifications;
    calls.getJob = ScaleNoJob;
    return calls;
}

// The calls of one run.
struct RunCalls {
    int sequential = 0;
    int perQueueLeast = 0;
    int perQueueMost = 0;
};

struct ScaleRun {
    double seconds = -1;  // -1 when kwctl failed or a queue did not get its one whole job
    RunCalls calls;
};

ScaleRun RunOnce(const std::string& file) {
    g_standIn.Reset();
    ScaleSpooler spooler;
    const ScopedSendSpoolerCallsForTesting standIn(ScaleCalls());
    kwctl::StringOutput output;
    kwctl::Environment env{output, &spooler};
    const std::vector<std::string> args = {"send", file, "--all", "--parallel",
                                           std::to_string(kThreads)};
    const double start = Now();
    const int status = kwctl::Run(args, env);
    const double seconds = Now() - start;

    ScaleRun run;
    run.calls.sequential = g_standIn.sequentialCalls;
    run.calls.perQueueLeast = run.calls.perQueueMost = g_standIn.calls[0];
    bool whole = status == kwctl::kSuccess;
    for (int q = 0; q < kQueues; ++q) {
        run.calls.perQueueLeast = std::min(run.calls.perQueueLeast, g_standIn.calls[q].load());
        run.calls.perQueueMost = std::max(run.calls.perQueueMost, g_standIn.calls[q].load());
        whole = whole && g_standIn.wholeWrites[q] == 1 && g_standIn.ends[q] == 1 &&
                g_standIn.aborts[q] == 0;
    }
    std::size_t sent = 0;
    for (std::size_t at = 0; (at = output.out.find("sent    KW Scale ", at)) != std::string::npos;
         ++at) {
        ++sent;
    }
    if (whole && sent == kQueues) run.seconds = seconds;
    return run;
}

// The ideal of a run that makes these calls: the calls of no queue one after another, each
// queue's calls on one of the threads, the queues spread evenly over them.
double Ideal(const RunCalls& calls) {
    const double call = kCallMs / 1000.0;
    return calls.sequential * call + calls.perQueueMost * call * kQueues / kThreads;
}

}  // namespace

Report MeasureFleetScale(const BenchContext& bench) {
    g_standIn.record = FactoryRecord();
    for (int q = 0; q < kQueues; ++q)
        g_standIn.queueOf[ScaleQueueName(q)] = q;
    const std::string file = ToUtf8(bench.settingsFile);
    // A run takes seconds of waiting, and its time hardly scatters.
    const int rounds = std::max(3, bench.rounds / 5);

    // kwctl's own work for 500 queues, with no delay.
    g_standIn.callMs = 0;
    Samples undelayed;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        const ScaleRun run = RunOnce(file);
        if (run.seconds >= 0) {
            undelayed.push_back(run.seconds);
        } else {
            ++failures;
        }
    }

    g_standIn.callMs = kCallMs;
    g_standIn.delayTicks = 0;
    g_standIn.delays = 0;
    Samples times;
    RunCalls calls;
    bool sameCalls = true;  // every run made the same calls
    for (int i = 0; i < rounds; ++i) {
        const ScaleRun run = RunOnce(file);
        if (run.seconds < 0) {
            ++failures;
            continue;
        }
        if (!times.empty()) {
            sameCalls = sameCalls && run.calls.sequential == calls.sequential &&
                        run.calls.perQueueMost == calls.perQueueMost;
        }
        calls = run.calls;
        times.push_back(run.seconds);
    }
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const double meanDelay = g_standIn.delays
                                 ? static_cast<double>(g_standIn.delayTicks) / g_standIn.delays /
                                       static_cast<double>(frequency.QuadPart)
                                 : 0;
    const double ideal = Ideal(calls);
    const bool even = calls.perQueueLeast == calls.perQueueMost;

    Report report;
    report.rows.push_back(TimedRow(
        Format("kwctl send --all --parallel %d to %d queues, %u ms a spooler call, against the "
               "ideal",
               kThreads, kQueues, static_cast<unsigned>(kCallMs)),
        static_cast<int>(times.size()), Median(times), ideal, kMilliseconds, kGoal,
        failures == 0 && sameCalls && even && !times.empty()));
    report.notes.push_back(Format(
        "- kwctl send at scale: kwctl run in this process (kwctl::Run) against a stand-in "
        "spooler of %d local queues of the model behind both seams that kwctl uses "
        "(discovery's PrinterSpooler and the send's spooler calls), where every call sleeps "
        "%u ms (%.2f ms on average as measured) and each queue must get one whole job%s. Each "
        "run made %d calls that belong to no queue (the level-4 enumeration and the level-2 "
        "enumeration of the local server, two EnumPrintersW each, one after the other) and %d "
        "calls per queue%s (discovery's open for use: OpenPrinterW and ClosePrinter; the send: "
        "OpenPrinterW, StartDocPrinterW, ResetPrinterW, WritePrinter, EndDocPrinter, "
        "ClosePrinter)%s. The ideal counts the first at %u ms each, one after another, and the "
        "queues' calls at %u ms each spread evenly over %d threads: %d x %u ms + %d x %u ms x "
        "%d / %d = %.1f ms. The same runs with no delay (kwctl's own work for %d queues): %.1f "
        "ms.",
        kQueues, static_cast<unsigned>(kCallMs), meanDelay * 1e3, Failures(failures).c_str(),
        calls.sequential, calls.perQueueMost,
        even ? "" : Format(" (%d for some)", calls.perQueueLeast).c_str(),
        sameCalls ? "" : "; the runs did not all make the same calls",
        static_cast<unsigned>(kCallMs), static_cast<unsigned>(kCallMs), kThreads, calls.sequential,
        static_cast<unsigned>(kCallMs), calls.perQueueMost, static_cast<unsigned>(kCallMs), kQueues,
        kThreads, ideal * 1e3, kQueues, Median(undelayed) * 1e3));
    return report;
}
