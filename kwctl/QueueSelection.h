// Which queues a command works on: named with --printer, listed in a targets file, or (on
// Windows) every usable queue of the model. printers, send and plan all choose so.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Command.h"
#include "kwctl/Environment.h"
#ifdef _WIN32
#include "kwctl/ModelQueues.h"
#endif

namespace kwctl {

struct QueueChoice {
    std::vector<std::string> printers;
    std::string targets;
    bool all = false;

    bool Named() const { return !printers.empty() || !targets.empty(); }
};

enum class QueueChoiceRule {
    OneOfThem,   // --printer, --targets or, on Windows, --all: exactly one
    NamedOrLog,  // --printer or --targets, or neither: the queues that the send log names
};

// Declares the options by which the queues are chosen.
void DeclareQueueChoice(Arguments& arguments, QueueChoice& choice, std::string_view help,
                        QueueChoiceRule rule = QueueChoiceRule::OneOfThem);

// A queue of the model that --all leaves out, and why.
struct SkippedQueue {
    std::string printer;
    std::string reason;
};

struct QueueSelection {
    std::vector<std::string> names;     // UTF-8, each queue once (in any ASCII case), in order
    std::vector<SkippedQueue> skipped;  // --all: the queues of the model left out
#ifdef _WIN32
    Discovery found;  // what discovery found, when it ran
#endif
};

// The queues of `choice`. Discovery runs for --all, and with `discover` also for queues named,
// which send checks against it; its opens take up to `threads` threads. False after the message
// when the list cannot be used or names no queue. --all with no usable queue selects none.
bool SelectQueues(const QueueChoice& choice, Environment& env, bool discover, int threads,
                  QueueSelection& selection);

// --all that found no usable queue: the message, ending in `consequence` ("nothing was sent"),
// and the exit status kNothingToSend; nothing when there is a queue to work on.
std::optional<int> NoUsableQueue(const QueueChoice& choice, const QueueSelection& selection,
                                 Output& output, std::string_view consequence);

// The queues left out, as "skipped NAME: reason" lines and as JSON.
std::string SkippedText(const std::vector<SkippedQueue>& skipped);
nlohmann::ordered_json SkippedJson(const std::vector<SkippedQueue>& skipped);

}  // namespace kwctl
