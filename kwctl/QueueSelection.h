// Which queues a command works on: named with --printer, listed in a targets file, or (on
// Windows) every usable queue of the model. printers, send and plan all choose so.
#pragma once

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
};

// Declares --printer, --targets and, on Windows, --all: exactly one of them.
void DeclareQueueChoice(Arguments& arguments, QueueChoice& choice, std::string_view help);

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

// The queues left out, as "skipped NAME: reason" lines and as JSON.
std::string SkippedText(const std::vector<SkippedQueue>& skipped);
nlohmann::ordered_json SkippedJson(const std::vector<SkippedQueue>& skipped);

}  // namespace kwctl
