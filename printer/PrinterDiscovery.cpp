#include "printer/PrinterDiscovery.h"

#include <algorithm>
#include <utility>

namespace {

bool IsModelDriver(const std::wstring& driver) {
    return driver == kModelDriverName;
}

// Local queues and connections at level 4, then each one's level-2 entry from its server.
std::vector<PrinterEntry> EnumerateNt(PrinterSpooler& spooler) {
    std::vector<PrinterEntry> rows;
    for (ModelQueue& queue : DescribeModelPrinters(spooler)) {
        if (queue.opensForUse) rows.push_back(std::move(queue.entry));
    }
    return rows;
}

std::vector<PrinterEntry> Enumerate9x(PrinterSpooler& spooler) {
    std::vector<PrinterEntry> rows;
    for (const PrinterLevel2& queue : spooler.EnumLevel2(spooler::kEnumLocal, std::nullopt)) {
        if (!IsModelDriver(queue.driverName)) continue;
        if (queue.status & spooler::kStatusUserIntervention) continue;
        rows.push_back({queue.printerName, queue.portName});
    }
    return rows;
}

}  // namespace

std::vector<ModelQueue> FindModelQueues(PrinterSpooler& spooler,
                                        std::vector<std::wstring>* unlisted) {
    std::vector<ModelQueue> queues;
    const auto found =
        spooler.EnumLevel4(spooler::kEnumLocal | spooler::kEnumConnections, std::nullopt);
    // A server's answer lists all its queues: asking again for each of them would cost n
    // enumerations of n entries for n queues on one server. Servers are few, so a list does.
    std::vector<std::pair<std::optional<std::wstring>, std::vector<PrinterLevel2>>> answers;
    for (const PrinterLevel4& queue : found) {
        auto answer = std::find_if(answers.begin(), answers.end(),
                                   [&](const auto& a) { return a.first == queue.serverName; });
        if (answer == answers.end()) {
            answers.emplace_back(queue.serverName,
                                 spooler.EnumLevel2(spooler::kEnumName, queue.serverName));
            answer = answers.end() - 1;
        }
        const std::vector<PrinterLevel2>& details = answer->second;
        const auto named = [&](const PrinterLevel2& d) {
            return d.printerName == queue.printerName;
        };
        if (unlisted && std::none_of(details.begin(), details.end(), named)) {
            unlisted->push_back(queue.printerName);
        }
        for (const PrinterLevel2& detail : details) {
            if (detail.printerName != queue.printerName || !IsModelDriver(detail.driverName)) {
                continue;
            }
            // A pure network connection is known by its server; anything else by its port.
            const bool network = queue.attributes == spooler::kAttributeNetwork;
            queues.push_back({{queue.printerName, network ? detail.serverName : detail.portName},
                              false,
                              detail});
            break;  // only the first entry of that name counts
        }
    }
    return queues;
}

void CheckOpensForUse(PrinterSpooler& spooler, ModelQueue& queue) {
    queue.opensForUse = spooler.OpensForUse(queue.details.printerName);
}

std::vector<ModelQueue> DescribeModelPrinters(PrinterSpooler& spooler,
                                              std::vector<std::wstring>* unlisted) {
    std::vector<ModelQueue> queues = FindModelQueues(spooler, unlisted);
    for (ModelQueue& queue : queues)
        CheckOpensForUse(spooler, queue);
    return queues;
}

std::vector<PrinterEntry> EnumerateModelPrinters(PrinterSpooler& spooler, bool ntFamily) {
    return ntFamily ? EnumerateNt(spooler) : Enumerate9x(spooler);
}
