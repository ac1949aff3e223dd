#include "kwctl/ModelQueues.h"

#include <algorithm>

#include "kwctl/Parallel.h"
#include "kwctl/Targets.h"
#include "res/messages.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

// Whether the queue writes to a file rather than to a printer: its connection is FILE:, or, for
// a connection to a queue on a server, that queue's own port there.
bool OnFilePort(const ModelQueue& queue) {
    return queue.entry.connection == kFilePort || queue.details.portName == kFilePort;
}

}  // namespace

Discovery Discover(PrinterSpooler& spooler, int threads) {
    Discovery found;
    found.queues = FindModelQueues(spooler, &found.unlisted);
    // Each open is a round trip to the queue's server: as many at once as the sends will take.
    RunInOrder(
        found.queues.size(), threads,
        [&](std::size_t i) { CheckOpensForUse(spooler, found.queues[i]); },
        [](std::size_t, std::exception_ptr failure) {
            if (failure) std::rethrow_exception(failure);
        });
    return found;
}

const ModelQueue* FindQueue(const Discovery& found, std::string_view name) {
    const std::string key = QueueKey(name);
    const auto at = std::find_if(found.queues.begin(), found.queues.end(), [&](const ModelQueue& q) {
        return QueueKey(ToUtf8(q.entry.name)) == key;
    });
    return at == found.queues.end() ? nullptr : &*at;
}

std::vector<std::string> UnusableReasons(const ModelQueue& queue) {
    std::vector<std::string> reasons;
    if (queue.entry.connection == kFilePort) {
        reasons.push_back("connection is FILE:");
    } else if (OnFilePort(queue)) {
        reasons.push_back("its port on the server is FILE:");
    }
    if (!queue.opensForUse) reasons.push_back("does not open for use");
    return reasons;
}

std::vector<std::string> Holds(const PrinterLevel2& details) {
    std::vector<std::string> holds;
    if (details.status & spooler::kStatusPaused) holds.push_back("paused");
    if (details.status & spooler::kStatusError) holds.push_back("error");
    if ((details.status & spooler::kStatusOffline) ||
        (details.attributes & spooler::kAttributeWorkOffline)) {
        holds.push_back("offline");
    }
    if (details.status & spooler::kStatusUserIntervention) holds.push_back("user-intervention");
    return holds;
}

std::optional<Refusal> CheckQueue(PrinterSpooler& spooler, const Discovery& found,
                                  std::string_view name) {
    const ModelQueue* queue = FindQueue(found, name);
    if (!queue) {
        // What the queue itself says of its driver, when discovery did not list it as the model's.
        const auto details = spooler.GetLevel2(FromUtf8(name));
        if (details && details->driverName != kModelDriverName) {
            // A configuration command is for this model only.
            return Refusal{Outcome::Refused, "its driver \"" + ToUtf8(details->driverName) +
                                                 "\" is not \"" + ToUtf8(kModelDriverName) + "\""};
        }
        return Refusal{Outcome::Failed, ToUtf8(messages::kNotUsable)};
    }
    if (OnFilePort(*queue)) return Refusal{Outcome::Refused, ToUtf8(messages::kFileRefused)};
    if (!queue->opensForUse) return Refusal{Outcome::Failed, ToUtf8(messages::kNotUsable)};
    return std::nullopt;
}

}  // namespace kwctl
