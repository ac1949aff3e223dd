// How the send to one queue ended, and how kwctl shows it: a line of text, or JSON.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/LogEntry.h"
#include "kwctl/ModelQueues.h"
#include "kwctl/Outcome.h"
#include "printer/PrinterSend.h"

namespace kwctl {

struct SendResult {
    Outcome outcome = Outcome::Sent;  // as logged
    // What the queue met: the outcome, except for a dry run, which says what a send would have
    // met (Refused, Failed), or DryRun for nothing.
    Outcome met = Outcome::Sent;
    std::string message;
    std::optional<std::string> reason;  // as logged
    std::vector<std::string> reasons;   // what held up or failed a followed job, as words
    std::optional<std::uint32_t> job;
    bool followed = false;  // the job was handed over and followed
};

SendResult NotSent(Outcome outcome, std::string message);

// A dry run: what a send would have met.
SendResult DryRun(const std::optional<Refusal>& refusal);

// --changed-only: the queue's last send was of these settings.
SendResult UpToDate(const LogEntry& last);

// The result of a send that was made, followed for `waitSeconds` when given.
SendResult Sent(const SendReport& report, std::optional<int> waitSeconds);

// A send that ended in an error of kwctl's own: it may or may not have reached the queue.
SendResult Crashed(const std::exception_ptr& failure);

// Whether the queue adds nothing to a send's exit status: sent, ready or up to date.
bool Succeeded(const SendResult& result);

// "sent    Vek 1F: " and the message; with --wait, a job handed over shows how it
// ended.
std::string ResultLine(const std::string& printer, const SendResult& result);

nlohmann::ordered_json ResultJson(const std::string& printer, const SendResult& result);

}  // namespace kwctl
