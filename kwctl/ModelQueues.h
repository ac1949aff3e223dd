// The queues of the model as kwctl finds them on Windows, and what can be told of a queue
// before anything is sent to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kwctl/Outcome.h"
#include "printer/PrinterDiscovery.h"
#include "printer/WinPrinterSpooler.h"

class PrinterSpooler;

namespace kwctl {

// The environment's spooler, or the real one.
class SpoolerChoice {
public:
    explicit SpoolerChoice(PrinterSpooler* given) : m_chosen(given ? *given : m_real) {}
    PrinterSpooler& get() { return m_chosen; }

private:
    WinPrinterSpooler m_real;
    PrinterSpooler& m_chosen;
};

struct Discovery {
    std::vector<ModelQueue> queues;      // in the order discovery lists them
    std::vector<std::wstring> unlisted;  // queues whose server did not list them
};

// Every queue of the model, each opened for use on up to `threads` threads.
Discovery Discover(PrinterSpooler& spooler, int threads);

// A queue that discovery found under `name`, compared as Windows compares queue names.
const ModelQueue* FindQueue(const Discovery& found, std::string_view name);

// Why a queue of the model cannot take the settings; empty when it can.
std::vector<std::string> UnusableReasons(const ModelQueue& queue);

// What the spooler reports that would make a raw job fail or wait.
std::vector<std::string> Holds(const PrinterLevel2& details);

// Why a queue is not sent to: refused (another model, a FILE: port) or failed (it does not open).
struct Refusal {
    Outcome outcome;
    std::string message;
};

// What can be told of the queue `name` before anything is sent; nothing when it is to be sent
// to. Asks the spooler of a queue that discovery did not find.
std::optional<Refusal> CheckQueue(PrinterSpooler& spooler, const Discovery& found,
                                  std::string_view name);

}  // namespace kwctl
