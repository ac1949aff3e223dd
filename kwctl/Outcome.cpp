#include "kwctl/Outcome.h"

#include <iterator>

namespace kwctl {
namespace {

using E = ExitClass;

constexpr OutcomeFacts kFacts[] = {
    //           outcome        word          result       finished send   logged exit
    OutcomeFacts(Outcome::Printed, "printed", "sent", true, true, true, E::Success),
    OutcomeFacts(Outcome::Done, "done", "sent", true, true, true, E::Success),
    OutcomeFacts(Outcome::Held, "held", "failed", false, true, true, E::SomeFailed),
    OutcomeFacts(Outcome::Failed, "failed", "failed", false, true, true, E::SomeFailed),
    OutcomeFacts(Outcome::Sent, "sent", "sent", true, true, true, E::Success),
    OutcomeFacts(Outcome::Refused, "refused", "refused", false, true, true, E::SomeFailed),
    // A dry run shows what a send would have met; "ready" when nothing.
    OutcomeFacts(Outcome::DryRun, "dry-run", "ready", false, false, true, E::Success),
    OutcomeFacts(Outcome::Unknown, "unknown", "failed", false, true, false, E::SomeFailed),
    OutcomeFacts(Outcome::UpToDate, "up to date", "up to date", true, false, false, E::Success),
};

constexpr bool OneRowEachInOrder() {
    if (std::size(kFacts) != static_cast<std::size_t>(Outcome::Count)) return false;
    for (std::size_t i = 0; i < std::size(kFacts); ++i) {
        if (kFacts[i].outcome != static_cast<Outcome>(i)) return false;
    }
    return true;
}
static_assert(OneRowEachInOrder(), "one row for each outcome, in the enum's order");

}  // namespace

const OutcomeFacts& Facts(Outcome outcome) {
    return kFacts[static_cast<std::size_t>(outcome)];
}

std::optional<Outcome> LoggedOutcome(std::string_view word) {
    for (const OutcomeFacts& f : kFacts) {
        if (f.logged && f.word == word) return f.outcome;
    }
    return std::nullopt;
}

}  // namespace kwctl
