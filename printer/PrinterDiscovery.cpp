#include "printer/PrinterDiscovery.h"

#include <algorithm>
#include <map>

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

std::vector<ModelQueue> DescribeModelPrinters(PrinterSpooler& spooler,
                                              std::vector<std::wstring>* unlisted) {
    std::vector<ModelQueue> queues;
    const auto found =
        spooler.EnumLevel4(spooler::kEnumLocal | spooler::kEnumConnections, std::nullopt);
    // A server's answer lists all its queues: asking again for each of them would cost n
    // enumerations of n entries for n queues on one server.
    std::map<std::optional<std::wstring>, std::vector<PrinterLevel2>> answers;
    for (const PrinterLevel4& queue : found) {
        auto [answer, first] = answers.try_emplace(queue.serverName);
        if (first) answer->second = spooler.EnumLevel2(spooler::kEnumName, queue.serverName);
        const auto named = [&](const PrinterLevel2& d) {
            return d.printerName == queue.printerName;
        };
        if (unlisted && std::none_of(answer->second.begin(), answer->second.end(), named)) {
            unlisted->push_back(queue.printerName);
        }
        for (const PrinterLevel2& detail : answer->second) {
            if (detail.printerName != queue.printerName || !IsModelDriver(detail.driverName)) {
                continue;
            }
            // A pure network connection is known by its server; anything else by its port.
            const bool network = queue.attributes == spooler::kAttributeNetwork;
            queues.push_back({{queue.printerName, network ? detail.serverName : detail.portName},
                              spooler.OpensForUse(detail.printerName),
                              detail});
            break;  // only the first entry of that name counts
        }
    }
    return queues;
}

std::vector<PrinterEntry> EnumerateModelPrinters(PrinterSpooler& spooler, bool ntFamily) {
    return ntFamily ? EnumerateNt(spooler) : Enumerate9x(spooler);
}
