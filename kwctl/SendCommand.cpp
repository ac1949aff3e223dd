// kwctl send: the settings file to printer queues, as the program sends it, each queue's result
// shown (and logged) as it ends.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/LogAppender.h"
#include "kwctl/Parallel.h"
#include "kwctl/Plan.h"
#include "kwctl/QueueSelection.h"
#include "kwctl/SendResult.h"
#include "kwctl/Sha256.h"
#include "printer/PrinterSend.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kWaitSeconds = 60;      // --wait given alone
constexpr int kWaitMost = 24 * 3600;  // a day

struct SendOptions {
    std::string file;
    QueueChoice queues;
    bool dryRun = false;
    std::optional<int> wait;
    std::string log;
    bool changedOnly = false;
    int parallel = kParallelDefault;
    bool json = false;
};

void DeclareSend(Arguments& arguments, SendOptions& options) {
    arguments.Positional("FILE", options.file, "settings file to send");
    DeclareQueueChoice(arguments, options.queues, "the queues to send to");
    arguments.Flag("--dry-run", options.dryRun, "check the file and the queues, send nothing");
    arguments.OptionalNumber("--wait", "SECONDS", options.wait, kWaitSeconds, 0, kWaitMost,
                             "follow each job until it leaves the queue or SECONDS have passed");
    arguments.Value("--log", "FILE", options.log,
                    "append a line for each queue to this send log, before its result is shown");
    arguments.Flag("--changed-only", options.changedOnly,
                   "send only to the queues whose last send in the --log was not of these "
                   "settings or did not finish");
    arguments.Number("--parallel", "N", options.parallel, kParallelMin, kParallelMax,
                     "send to up to N queues at a time");
    arguments.Flag("--json", options.json, "JSON output");
}

// What the send works with once the file, the queues and the log are checked.
struct SendJob {
    SettingsRecord record;
    QueueSelection selection;
    LastSends last;  // --changed-only: each queue's last send
    std::optional<LogAppender> log;
    std::string file;  // the settings file's full path, for the log
};

// One queue's turn.
struct Turn {
    std::string name;
    std::optional<SendResult> result;  // known before sending, or the send's
    std::optional<LogEntry> entry;     // its log line
    bool sent = false;                 // a job was started for it
};

// --log: the last sends that --changed-only needs, and the log opened for appending.
bool OpenLog(const SendOptions& options, Output& output, SendJob& job) {
    bool missing = false;
    if (options.changedOnly &&
        !ReadSendLog(options.log, &job.selection.names, job.last, missing, output)) {
        output.Err("nothing was sent\n");
        return false;
    }
    job.log.emplace(SystemPath(options.log));
    const bool hashed = !Sha256Hex({job.record.data(), job.record.size()}).empty();
    if (!job.log->Ok() || !hashed) {
        output.Err(options.log + ": " +
                   (hashed ? job.log->Error() : "the record's SHA-256 cannot be computed") +
                   "; nothing was sent\n");
        return false;
    }
    job.file = ToUtf8(FullPath(FromUtf8(options.file)));
    return true;
}

// The file, the queues and the log first: when one of them cannot be used, nothing is sent.
bool Prepare(const SendOptions& options, Environment& env, SendJob& job) {
    const auto record = LoadSettings(options.file, env.output);
    if (!record) return false;
    job.record = *record;
    if (!SelectQueues(options.queues, env, true, options.parallel, job.selection)) return false;
    return options.log.empty() || OpenLog(options, env.output, job);
}

// What is known of a queue before sending: up to date, refused, or a dry run's result; nothing
// when it is to be sent to.
std::optional<SendResult> Before(const SendOptions& options, PrinterSpooler& spooler,
                                 const SendJob& job, const std::string& name) {
    if (options.changedOnly) {
        const std::vector<QueuePlan> plan = MakePlan(job.record, {name}, job.last);
        if (!NeedsSend(plan[0].state)) return UpToDate(*plan[0].last);
    }
    const std::optional<Refusal> refusal = CheckQueue(spooler, job.selection.found, name);
    if (options.dryRun) return DryRun(refusal);
    if (refusal) return NotSent(refusal->outcome, refusal->message);
    return std::nullopt;
}

// Found on this thread: discovery's spooler is not shared.
std::vector<Turn> Turns(const SendOptions& options, Environment& env, const SendJob& job) {
    SpoolerChoice spooler(env.spooler);
    std::vector<Turn> turns;
    for (const std::string& name : job.selection.names)
        turns.push_back({name, Before(options, spooler.get(), job, name), {}, false});
    return turns;
}

// Each queue without a result is sent to, on up to --parallel threads. Results and log lines
// go out in list order, each queue's line in the log before its result is shown, also when
// another queue's send failed in kwctl itself.
class TurnRunner {
public:
    TurnRunner(const SendOptions& options, Environment& env, SendJob& job, std::vector<Turn>& turns,
               Json& results)
        : m_options(options), m_env(env), m_job(job), m_turns(turns), m_results(results) {
        if (options.wait && !options.dryRun) m_followMs = *options.wait * 1000u;
    }

    // True when every queue succeeded and was logged.
    bool Run() {
        RunInOrder(
            m_turns.size(), m_options.parallel, [this](std::size_t i) { Work(i); },
            [this](std::size_t i, std::exception_ptr failure) { Deliver(i, failure); },
            [this](std::size_t i) { Start(i); });
        return m_allOk;
    }

private:
    // On a worker thread: the send, and its log line.
    void Work(std::size_t i) {
        Turn& t = m_turns[i];
        if (!t.result) {
            t.sent = true;
            t.result = Sent(SendRecordReporting(FromUtf8(t.name), m_job.record, m_followMs),
                            m_options.wait);
        }
        if (m_job.log && Facts(t.result->outcome).logged) t.entry = Entry(t);
    }

    // Progress goes to stderr as each queue's turn comes (in list order, also when several are
    // sent at once): a script's log shows which queues a send was at when it stopped.
    void Start(std::size_t i) {
        const Turn& t = m_turns[i];
        if (m_turns.size() < 2 || (t.result && t.result->outcome == Outcome::UpToDate)) return;
        m_env.output.Err("[" + std::to_string(i + 1) + "/" + std::to_string(m_turns.size()) + "] " +
                         t.name + "\n");
    }

    // In list order: the log line, then the result.
    void Deliver(std::size_t i, std::exception_ptr failure) {
        Turn& t = m_turns[i];
        if (failure) {
            t.result = Crashed(failure);
            if (m_job.log) t.entry = Entry(t);
        }
        m_env.sent = m_env.sent || t.sent;
        m_allOk = m_allOk && Succeeded(*t.result);
        if (t.entry && !m_job.log->Append(*t.entry)) {
            m_env.output.Err(m_options.log + ": the send to " + t.name +
                             " was not logged: " + m_job.log->Error() + "\n");
            m_allOk = false;
        }
        if (m_options.json) {
            m_results.push_back(ResultJson(t.name, *t.result));
        } else {
            m_env.output.Out(ResultLine(t.name, *t.result));
        }
    }

    LogEntry Entry(const Turn& t) const {
        return MakeLogEntry(m_job.record, t.name, m_job.file, t.result->job, t.result->outcome,
                            t.result->reason);
    }

    const SendOptions& m_options;
    Environment& m_env;
    SendJob& m_job;
    std::vector<Turn>& m_turns;
    Json& m_results;
    std::optional<DWORD> m_followMs;
    bool m_allOk = true;
};

int Report(const SendOptions& options, Environment& env, const SendJob& job, Json results,
           bool allOk) {
    Output& output = env.output;
    if (options.json) {
        Json doc;
        doc["file"] = JsonName(options.file, output);
        doc["dryRun"] = options.dryRun;
        doc["results"] = std::move(results);
        doc["skipped"] = SkippedJson(job.selection.skipped);
        doc["wait"] = options.wait ? Json(*options.wait) : Json(nullptr);
        output.Out(doc.dump(2) + "\n");
    } else {
        output.Out(SkippedText(job.selection.skipped));
    }
    if (const auto none =
            NoUsableQueue(options.queues, job.selection, output, "nothing was sent")) {
        return *none;
    }
    return allOk ? kSuccess : kDiffers;
}

int Send(const SendOptions& options, Environment& env) {
    SendJob job;
    if (!Prepare(options, env, job)) return kUsage;
    std::vector<Turn> turns = Turns(options, env, job);
    Json results = Json::array();
    const bool allOk = TurnRunner(options, env, job, turns, results).Run();
    return Report(options, env, job, std::move(results), allOk);
}

constexpr Need kSendNeeds[] = {
    {"--changed-only", "--log",
     "--log FILE, the send log that tells what each queue was last sent"},
};

}  // namespace

extern const Command kSendCommand{"send",
                                  "Sends a settings file to printer queues, as the program sends "
                                  "it. Exit status 1 when some queue was refused or failed (or, "
                                  "with --wait, its job was held or failed), 3 when --all finds no "
                                  "usable queue.",
                                  Bind<SendOptions, DeclareSend, Send>, kSendNeeds};

}  // namespace kwctl
