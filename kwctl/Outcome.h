// How the send to one queue ended, and one table of what follows from each way.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kwctl {

enum class Outcome {
    Printed,   // the spooler reported the job printed
    Done,      // the job left the queue without an error
    Held,      // still in the queue when --wait was up
    Failed,    // the send or the job failed
    Sent,      // the spooler took the job (without --wait)
    Refused,   // not sent: the queue cannot take the settings
    DryRun,    // not sent: a dry run
    Unknown,   // a send whose log line was cut off: how it ended is not known
    UpToDate,  // not sent: its last send was of these settings (--changed-only)
    Count      // not an outcome: the number of them
};

// The exit status that an outcome gives a send: kSuccess or kDiffers.
enum class ExitClass { Success, SomeFailed };

struct OutcomeFacts {
    // Every fact must be given: a row left incomplete does not compile.
    constexpr OutcomeFacts(Outcome outcome, std::string_view word, std::string_view result,
                           bool finished, bool isSend, bool logged, ExitClass exit)
        : outcome(outcome),
          word(word),
          result(result),
          finished(finished),
          isSend(isSend),
          logged(logged),
          exit(exit) {}

    Outcome outcome;
    std::string_view word;    // in text, in JSON and in the log
    std::string_view result;  // send's older word for scripts: sent, ready, refused, failed
    bool finished;            // the record got to the queue: it needs it no more
    bool isSend;              // counts as the queue's last send
    bool logged;              // send writes it to the log, and the reader takes it there
    ExitClass exit;
};

const OutcomeFacts& Facts(Outcome outcome);

// The outcome that the log writes as `word`; nothing for any other word.
std::optional<Outcome> LoggedOutcome(std::string_view word);

}  // namespace kwctl
