#include "kwctl/SendResult.h"

#include <utility>

#include "kwctl/Common.h"
#include "kwctl/LogView.h"
#include "res/messages.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

std::vector<std::string> Words(const std::string& list) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < list.size();) {
        std::size_t comma = list.find(", ", at);
        if (comma == std::string::npos) comma = list.size();
        words.push_back(list.substr(at, comma - at));
        at = comma + 2;
    }
    return words;
}

// Why a send that was started did not get the job to the queue; empty when it did.
std::string Failure(SendOutcome outcome) {
    switch (outcome) {
        case SendOutcome::Sent:
            return {};
        case SendOutcome::NotUsable:
            return ToUtf8(messages::kNotUsable);
        case SendOutcome::NoJob:
            return "the spooler started no job";
        case SendOutcome::WriteFailed:
            return "the spooler did not take the 180 bytes; the job was cancelled";
        case SendOutcome::EndFailed:
            return "the spooler did not end the job; it was cancelled";
        case SendOutcome::WriteFailedNotCancelled:
            return "the spooler did not take the 180 bytes; the job could not be cancelled";
        case SendOutcome::EndFailedNotCancelled:
            return "the spooler did not end the job; it could not be cancelled";
    }
    return "the send ended in an unknown way";
}

// A followed job: how it left the queue, or that it did not.
void Follow(const JobFollow& follow, int waitSeconds, SendResult& r) {
    r.followed = true;
    const std::string why = JobReasonText(follow.reasons);
    r.reasons = Words(why);
    if (!why.empty()) r.reason = why;
    switch (follow.end) {
        case JobEnd::Printed:
            r.outcome = Outcome::Printed;
            break;
        case JobEnd::Done:
            r.outcome = Outcome::Done;
            break;
        case JobEnd::Held:
            // It may still print, but it did not reach the printer in the time given.
            r.outcome = Outcome::Held;
            r.message =
                "the job is still in the queue after " + std::to_string(waitSeconds) + " s: " + why;
            break;
        case JobEnd::Failed:
            r.outcome = Outcome::Failed;
            r.message = "the job left the queue without being printed: " + why;
            break;
    }
    r.met = r.outcome;
}

}  // namespace

SendResult NotSent(Outcome outcome, std::string message) {
    SendResult r;
    r.outcome = r.met = outcome;
    r.message = std::move(message);
    r.reason = r.message;
    return r;
}

SendResult DryRun(const std::optional<Refusal>& refusal) {
    SendResult r;
    r.outcome = r.met = Outcome::DryRun;
    if (!refusal) {
        r.message = "not sent (dry run)";
        return r;
    }
    // A dry run is no send: its line tells what a send would have met.
    r.met = refusal->outcome;
    r.message = refusal->message;
    r.reason = std::string(Facts(r.met).result) + ": " + r.message;
    return r;
}

SendResult UpToDate(const LogEntry& last) {
    SendResult r;
    r.outcome = r.met = Outcome::UpToDate;
    r.message = "its last send (" + std::string(Facts(last.outcome).word) + " " + last.time +
                ") was of these settings; not sent again";
    return r;
}

SendResult Sent(const SendReport& report, std::optional<int> waitSeconds) {
    const std::string failure = Failure(report.outcome);
    SendResult r = failure.empty() ? SendResult{} : NotSent(Outcome::Failed, failure);
    if (failure.empty()) r.message = ToUtf8(messages::kSent);
    if (report.jobId) r.job = report.jobId;
    if (report.follow) Follow(*report.follow, waitSeconds.value_or(0), r);
    return r;
}

SendResult Crashed(const std::exception_ptr& failure) {
    std::string what = "an unexpected error";
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
    return NotSent(Outcome::Failed, "kwctl: " + what + "; whether the job reached the queue is "
                                                       "not known");
}

bool Succeeded(const SendResult& result) {
    return Facts(result.met).exit == ExitClass::Success;
}

std::string ResultLine(const std::string& printer, const SendResult& r) {
    const std::string_view word = r.followed ? Facts(r.outcome).word : Facts(r.met).result;
    return Pad(std::string(word), 8) + printer + ": " + r.message + "\n";
}

nlohmann::ordered_json ResultJson(const std::string& printer, const SendResult& r) {
    using Json = nlohmann::ordered_json;
    return {{"printer", printer},
            {"result", Facts(r.met).result},
            {"message", r.message},
            {"outcome", Facts(r.outcome).word},
            {"reasons", r.reasons},
            {"job", r.job ? Json(*r.job) : Json(nullptr)}};
}

}  // namespace kwctl
