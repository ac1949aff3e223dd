// The commands that talk to the spooler: printers and send. They find queues with the
// program's own discovery and send with its own job.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Commands.h"
#include "kwctl/Parallel.h"
#include "kwctl/Plan.h"
#include "kwctl/SendLog.h"
#include "kwctl/Sha256.h"
#include "kwctl/Targets.h"
#include "printer/PrinterDiscovery.h"
#include "printer/PrinterSend.h"
#include "printer/WinPrinterSpooler.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

constexpr char kSent[] = "プリンタに設定値を送信しました。";
constexpr char kFileRefused[] = "接続先がFILEのため設定値を送信できません。";
constexpr char kNotUsable[] =
    "指定されたプリンタは、現在接続されていないか、プリンタ使用権の制限により使用できません。";

// Discovery asks the environment's spooler, or the real one.
class SpoolerChoice {
public:
    explicit SpoolerChoice(PrinterSpooler* given) : m_chosen(given ? *given : m_real) {}
    PrinterSpooler& get() { return m_chosen; }

private:
    WinPrinterSpooler m_real;
    PrinterSpooler& m_chosen;
};

// Whether the queue writes to a file rather than to a printer: its connection is FILE:, or, for
// a connection to a queue on a server, that queue's own port there.
bool OnFilePort(const ModelQueue& queue) {
    return queue.entry.connection == kFilePort || queue.details.portName == kFilePort;
}

// Why a queue cannot take the settings; nothing when it can.
std::vector<std::string> Unusable(const ModelQueue& queue) {
    std::vector<std::string> reasons;
    if (queue.entry.connection == kFilePort) {
        reasons.push_back("connection is FILE:");
    } else if (OnFilePort(queue)) {
        reasons.push_back("its port on the server is FILE:");
    }
    if (!queue.opensForUse) reasons.push_back("does not open for use");
    return reasons;
}

bool Usable(const ModelQueue& queue) {
    return Unusable(queue).empty();
}

// What the spooler reports that would make a raw job fail or wait.
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

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : ", ") + word;
    return text;
}

// A queue found by discovery under `name`, compared as Windows compares queue names.
const ModelQueue* FindQueue(const std::vector<ModelQueue>& queues, const std::wstring& name) {
    const std::string key = QueueKey(ToUtf8(name));
    const auto found = std::find_if(queues.begin(), queues.end(), [&](const ModelQueue& q) {
        return QueueKey(ToUtf8(q.entry.name)) == key;
    });
    return found == queues.end() ? nullptr : &*found;
}

// How the send to one queue ended.
struct Result {
    std::string result;   // sent, ready, refused, failed; "up to date" with --changed-only
    std::string message;  // for the text and the JSON
    std::string outcome;  // as logged: printed, done, held, failed, sent, refused, dry-run
    std::optional<std::string> reason;  // as logged
    std::vector<std::string> reasons;   // what held up or failed a followed job, as words
    std::optional<std::uint32_t> job;
    bool followed = false;  // the job was handed over and followed
};

Result NotSent(std::string result, std::string message) {
    Result r;
    r.result = std::move(result);
    r.outcome = r.result;
    r.message = std::move(message);
    r.reason = r.message;
    return r;
}

// What can be told of a queue before anything is sent (one thread: discovery's spooler is
// asked); nothing when the queue is to be sent to.
std::optional<Result> Check(PrinterSpooler& spooler, const std::wstring& name,
                            const std::vector<ModelQueue>& queues) {
    const ModelQueue* found = FindQueue(queues, name);
    if (!found) {
        // What the queue itself says of its driver, when discovery did not list it as the model's.
        const auto details = spooler.GetLevel2(name);
        if (details && details->driverName != kModelDriverName) {
            // A configuration command is for this model only.
            return NotSent("refused", "its driver \"" + ToUtf8(details->driverName) +
                                          "\" is not \"" + ToUtf8(kModelDriverName) + "\"");
        }
        return NotSent("failed", kNotUsable);
    }
    if (OnFilePort(*found)) return NotSent("refused", kFileRefused);
    if (!found->opensForUse) return NotSent("failed", kNotUsable);
    return std::nullopt;
}

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

// The result of a send that was made, followed for `waitSeconds` when given.
Result Sent(const SendReport& report, std::optional<int> waitSeconds) {
    Result r;
    switch (report.outcome) {
        case SendOutcome::Sent:
            r.result = r.outcome = "sent";
            r.message = kSent;
            break;
        case SendOutcome::NotUsable:
            r = NotSent("failed", kNotUsable);
            break;
        case SendOutcome::NoJob:
            r = NotSent("failed", "the spooler started no job");
            break;
        case SendOutcome::WriteFailed:
            r = NotSent("failed", "the spooler did not take the 180 bytes; the job was cancelled");
            break;
        case SendOutcome::EndFailed:
            r = NotSent("failed", "the spooler did not end the job; it was cancelled");
            break;
        case SendOutcome::WriteFailedNotCancelled:
            r = NotSent("failed",
                        "the spooler did not take the 180 bytes; the job could not be cancelled");
            break;
        case SendOutcome::EndFailedNotCancelled:
            r = NotSent("failed", "the spooler did not end the job; it could not be cancelled");
            break;
    }
    if (report.jobId) r.job = report.jobId;
    if (!report.follow) return r;
    r.followed = true;
    const std::string why = JobReasonText(report.follow->reasons);
    r.reasons = Words(why);
    if (!why.empty()) r.reason = why;
    switch (report.follow->end) {
        case JobEnd::Printed:
            r.outcome = "printed";
            break;
        case JobEnd::Done:
            r.outcome = "done";
            break;
        case JobEnd::Held:
            // It may still print, but it did not reach the printer in the time given.
            r.result = "failed";
            r.outcome = "held";
            r.message = "the job is still in the queue after " + std::to_string(*waitSeconds) +
                        " s: " + why;
            break;
        case JobEnd::Failed:
            r.result = "failed";
            r.outcome = "failed";
            r.message = "the job left the queue without being printed: " + why;
            break;
    }
    return r;
}

struct PrintersOptions {
    std::string targets;
    bool json = false;
};

void DeclarePrinters(Arguments& arguments, PrintersOptions& options) {
    arguments.Value("--targets", "LIST", options.targets,
                    "only the queues of this list, in its order, and whether each can be used");
    arguments.Flag("--json", options.json, "JSON output");
}

int Printers(const PrintersOptions& options, Environment& env) {
    std::vector<std::string> targets;
    if (!options.targets.empty() && !ChosenNames({{}, options.targets}, targets, env.output)) {
        return kUsage;
    }
    SpoolerChoice spooler(env.spooler);
    const std::vector<ModelQueue> queues = DescribeModelPrinters(spooler.get());
    // The queues to show: every one of the model, or those of the list.
    std::vector<const ModelQueue*> shown;
    std::vector<std::string> notFound;  // a row of the list that is no queue of the model
    if (options.targets.empty()) {
        for (const ModelQueue& q : queues)
            shown.push_back(&q);
    } else {
        for (const std::string& name : targets) {
            const ModelQueue* q = FindQueue(queues, FromUtf8(name));
            shown.push_back(q);
            notFound.push_back(q ? std::string() : name);
        }
    }
    Json list = Json::array();
    std::string text;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (!shown[i]) {
            // What the queue itself says, as send would find it.
            const std::optional<Result> why = Check(spooler.get(), FromUtf8(notFound[i]), queues);
            const std::string reason = "not a usable queue of the model: " + why->message;
            list.push_back({{"name", notFound[i]},
                            {"connection", nullptr},
                            {"usable", false},
                            {"found", false},
                            {"notes", {reason}}});
            text += Pad(notFound[i], 24) + Pad("", 12) + Pad("unusable", 10) + reason + "\n";
            continue;
        }
        const ModelQueue& q = *shown[i];
        const std::vector<std::string> holds = Holds(q.details);
        std::vector<std::string> notes = Unusable(q);
        notes.insert(notes.end(), holds.begin(), holds.end());
        if (q.details.datatype != L"RAW") {
            notes.push_back("data type \"" + ToUtf8(q.details.datatype) +
                            "\" (a raw job expects RAW)");
        }
        Json j;
        j["name"] = ToUtf8(q.entry.name);
        j["connection"] = ToUtf8(q.entry.connection);
        j["usable"] = Usable(q);
        j["opensForUse"] = q.opensForUse;
        j["datatype"] = ToUtf8(q.details.datatype);
        j["raw"] = q.details.datatype == L"RAW";
        j["status"] = q.details.status;
        j["attributes"] = q.details.attributes;
        j["holds"] = holds;
        j["found"] = true;
        j["notes"] = notes;
        list.push_back(std::move(j));
        text += Pad(ToUtf8(q.entry.name), 24) + Pad(ToUtf8(q.entry.connection), 12) +
                Pad(Usable(q) ? "usable" : "unusable", 10) + Joined(notes) + "\n";
    }
    if (options.json) {
        env.output.Out(list.dump(2) + "\n");
    } else if (shown.empty()) {
        env.output.Out("no printer queue of the model " + ToUtf8(kModelDriverName) + "\n");
    } else {
        env.output.Out(Pad("NAME", 24) + Pad("CONNECTION", 12) + Pad("STATE", 10) + "NOTES\n" +
                       text);
    }
    return kSuccess;
}

}  // namespace

extern const Command kPrintersCommand{"printers",
                                      "Every printer queue of the model, its connection, whether "
                                      "it can be used and what would hold up a raw job.",
                                      Bind<PrintersOptions, DeclarePrinters, Printers>};

std::vector<std::string> UsableQueues(Environment& env, std::vector<SkippedQueue>& skipped) {
    SpoolerChoice spooler(env.spooler);
    std::vector<std::wstring> unlisted;
    const std::vector<ModelQueue> queues = DescribeModelPrinters(spooler.get(), &unlisted);
    std::vector<std::string> names;
    for (const ModelQueue& q : queues) {
        if (Usable(q)) {
            names.push_back(ToUtf8(q.entry.name));
        } else {
            skipped.push_back({ToUtf8(q.entry.name), Joined(Unusable(q))});
        }
    }
    for (const std::wstring& name : unlisted) {
        skipped.push_back(
            {ToUtf8(name), "its server did not list it (not answering?); its model is unknown"});
    }
    return names;
}

namespace {

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

// The settings file's full path, for the log.
std::string FullPath(const std::string& path) {
    const std::wstring wide = FromUtf8(path);
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return path;
        if (length < full.size()) {
            full.resize(length);
            return ToUtf8(full);
        }
        full.assign(length, L'\0');
    }
    return path;
}

int Send(const SendOptions& options, Environment& env) {
    Output& output = env.output;
    if (options.changedOnly && options.log.empty()) {
        output.Err(
            "--changed-only needs --log FILE, the send log that tells what each queue was "
            "last sent\nRun with --help for more information.\n");
        return kUsage;
    }
    // The file, the list and the log first: when one of them cannot be used, nothing is sent.
    const auto record = LoadSettings(options.file, output);
    if (!record) return kUsage;
    std::vector<std::string> given;
    if (!options.queues.all && !ChosenNames(options.queues, given, output)) return kUsage;
    LastSends last;
    std::optional<LogAppender> log;
    if (!options.log.empty()) {
        if (!ReadSendLog(options.log, last, output)) {
            output.Err("nothing was sent\n");
            return kUsage;
        }
        log.emplace(SystemPath(options.log));
        const bool hashed = !Sha256Hex({record->data(), record->size()}).empty();
        if (!log->Ok() || !hashed) {
            output.Err(options.log + ": " +
                       (hashed ? log->Error() : "the record's SHA-256 cannot be computed") +
                       "; nothing was sent\n");
            return kUsage;
        }
    }

    SpoolerChoice spooler(env.spooler);
    std::vector<std::wstring> unlisted;
    std::vector<ModelQueue> queues = FindModelQueues(spooler.get(), &unlisted);
    // Discovery's open of each queue, a round trip to its server, takes as many threads as the
    // sends will.
    RunInOrder(
        queues.size(), options.parallel,
        [&](std::size_t i) { CheckOpensForUse(spooler.get(), queues[i]); }, [](std::size_t) {});
    std::vector<std::wstring> names;
    // --all leaves out the queues that cannot take the settings, each with its reason.
    Json skipped = Json::array();
    std::string skippedText;
    const auto skip = [&](const std::wstring& name, const std::string& reason) {
        skipped.push_back({{"printer", ToUtf8(name)}, {"reason", reason}});
        skippedText += Pad("skipped", 8) + ToUtf8(name) + ": " + reason + "\n";
    };
    if (options.queues.all) {
        for (const ModelQueue& q : queues) {
            if (Usable(q)) {
                names.push_back(q.entry.name);
            } else {
                skip(q.entry.name, Joined(Unusable(q)));
            }
        }
        for (const std::wstring& name : unlisted)
            skip(name, "its server did not list it (not answering?); its model is unknown");
    } else {
        for (const std::string& name : given)
            names.push_back(FromUtf8(name));
    }

    // What is known before sending, found on this thread: discovery's spooler is not shared.
    // A queue left without a result is sent to.
    std::vector<std::string> utf8Names;
    std::vector<std::optional<Result>> results(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        utf8Names.push_back(ToUtf8(names[i]));
        if (options.changedOnly) {
            const std::vector<QueuePlan> plan = MakePlan(*record, {utf8Names[i]}, last);
            if (!NeedsSend(plan[0].state)) {
                Result r;
                r.result = r.outcome = "up to date";
                r.message = "its last send (" + plan[0].last->outcome + " " + plan[0].last->time +
                            ") was of these settings; not sent again";
                results[i] = std::move(r);
                continue;
            }
        }
        results[i] = Check(spooler.get(), names[i], queues);
        if (!results[i] && options.dryRun) {
            Result r;
            r.result = "ready";
            r.outcome = "dry-run";
            r.message = "not sent (dry run)";
            results[i] = std::move(r);
        } else if (results[i] && options.dryRun) {
            // A dry run is no send: its line tells what a send would have met.
            results[i]->reason = results[i]->result + ": " + results[i]->message;
            results[i]->outcome = "dry-run";
        }
    }

    const std::string file = log ? FullPath(options.file) : std::string();
    const std::optional<DWORD> followMs = options.wait && !options.dryRun
                                              ? std::optional<DWORD>(*options.wait * 1000u)
                                              : std::nullopt;
    std::vector<std::optional<LogEntry>> entries(names.size());
    // Each queue's send, on up to --parallel threads; no output here.
    const auto work = [&](std::size_t i) {
        if (!results[i]) {
            results[i] = Sent(SendRecordReporting(names[i], *record, followMs), options.wait);
        }
        const Result& r = *results[i];
        if (log && r.result != "up to date") {
            entries[i] = MakeLogEntry(*record, utf8Names[i], file, r.job, r.outcome, r.reason);
        }
    };
    // Progress goes to stderr whether it is a console or not, as each queue's turn comes (in list
    // order, also when several are sent at once): a script's log then shows which queues a send
    // was at when it stopped. A queue that is up to date has no turn.
    const auto start = [&](std::size_t i) {
        if (names.size() < 2 || (results[i] && results[i]->result == "up to date")) return;
        output.Err("[" + std::to_string(i + 1) + "/" + std::to_string(names.size()) + "] " +
                   utf8Names[i] + "\n");
    };
    // Results in list order: each queue's line is in the log before its result is shown.
    Json list = Json::array();
    bool allSent = true;
    const auto deliver = [&](std::size_t i) {
        const Result& r = *results[i];
        allSent =
            allSent && (r.result == "sent" || r.result == "ready" || r.result == "up to date");
        if (entries[i] && !log->Append(*entries[i])) {
            output.Err(options.log + ": the send to " + utf8Names[i] +
                       " was not logged: " + log->Error() + "\n");
            allSent = false;
        }
        if (options.json) {
            list.push_back({{"printer", utf8Names[i]},
                            {"result", r.result},
                            {"message", r.message},
                            {"outcome", r.outcome},
                            {"reasons", r.reasons},
                            {"job", r.job ? Json(*r.job) : Json(nullptr)}});
        } else {
            // With --wait, a job handed over shows how it ended.
            output.Out(Pad(r.followed ? r.outcome : r.result, 8) + utf8Names[i] + ": " + r.message +
                       "\n");
        }
    };
    RunInOrder(names.size(), options.parallel, work, deliver, start);

    if (options.json) {
        Json doc;
        doc["file"] = JsonName(options.file, output);
        doc["dryRun"] = options.dryRun;
        doc["results"] = std::move(list);
        doc["skipped"] = std::move(skipped);
        doc["wait"] = options.wait ? Json(*options.wait) : Json(nullptr);
        output.Out(doc.dump(2) + "\n");
    } else {
        output.Out(skippedText);
    }
    if (names.empty()) {
        output.Err("no usable printer queue of the model " + ToUtf8(kModelDriverName) +
                   ": nothing was sent\n");
        return kNothingToSend;
    }
    return allSent ? kSuccess : kDiffers;
}

}  // namespace

extern const Command kSendCommand{"send",
                                  "Sends a settings file to printer queues, as the program sends "
                                  "it. Exit status 1 when some queue was refused or failed (or, "
                                  "with --wait, its job was held or failed), 3 when --all finds no "
                                  "usable queue.",
                                  Bind<SendOptions, DeclareSend, Send>};

}  // namespace kwctl
