// The commands that read the send log: log (each queue's last send) and plan (what a send would
// do), and what send shares with them: the choice of queues and the reading of the log.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Commands.h"
#include "kwctl/Plan.h"
#include "kwctl/SendLog.h"
#include "kwctl/Targets.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

// A log entry as JSON: the keys and values of its line.
Json EntryJson(const LogEntry& entry) {
    return Json::parse(FormatLogLine(entry));
}

// "done 2026-12-08T17:42:10Z", with the reason when there is one.
std::string LastSendText(const LogEntry& entry) {
    std::string text = entry.outcome + " " + entry.time;
    if (entry.reason) text += ": " + *entry.reason;
    return text;
}

bool ReadLogReporting(const std::string& path, LastSends& last, Output& output, bool& missing) {
    const LogRead read = ReadLastSends(SystemPath(path), last);
    missing = read.status == LogRead::Status::Missing;
    if (read.status == LogRead::Status::Unusable) {
        output.Err(path + ": the send log cannot be used: " + read.error + "\n");
        return false;
    }
    if (read.tornLastLine) {
        output.Err(path +
                   ": the last line of the send log is cut off or is no entry (a send that was "
                   "stopped while it wrote it?); it was skipped\n");
    }
    return true;
}

}  // namespace

void DeclareQueueChoice(Arguments& arguments, QueueChoice& choice, std::string_view help) {
    Arguments& queues = arguments.ExactlyOne("Queues", help);
    queues.Repeated("--printer,-p", choice.printers, "queue name (repeatable)");
#ifdef _WIN32
    queues.Flag("--all", choice.all, "every usable queue of the model");
#endif
    queues.Value("--targets", "LIST", choice.targets,
                 "a text file of queue names, one a line (UTF-8; # starts a comment)");
}

bool ChosenNames(const QueueChoice& choice, std::vector<std::string>& names, Output& output) {
    if (!choice.printers.empty()) {
        names = choice.printers;
        return true;
    }
    TargetList list = ReadTargets(SystemPath(choice.targets));
    if (!list.ok) {
        output.Err(choice.targets + ": the list of queues cannot be used: " + list.error + "\n");
        return false;
    }
    if (list.names.empty()) {
        output.Err(choice.targets + ": the list names no queue\n");
        return false;
    }
    names = std::move(list.names);
    return true;
}

bool ReadSendLog(const std::string& path, LastSends& last, Output& output) {
    bool missing = false;
    return ReadLogReporting(path, last, output, missing);
}

namespace {

struct LogOptions {
    std::string file;
    std::vector<std::string> printers;
    bool json = false;
};

void DeclareLog(Arguments& arguments, LogOptions& options) {
    arguments.Positional("FILE", options.file, "send log (written by send --log)");
    arguments.Repeated("--printer,-p", options.printers,
                       "only this queue (repeatable); a queue with no send is shown as such");
    arguments.Flag("--json", options.json, "JSON output");
}

int Log(const LogOptions& options, Environment& env) {
    Output& output = env.output;
    LastSends last;
    bool missing = false;
    if (!ReadLogReporting(options.file, last, output, missing)) return kUsage;
    if (missing) {
        output.Err(options.file + ": there is no send log there\n");
        return kUsage;
    }
    // Every queue of the log, or those asked for, in the order asked.
    std::vector<std::pair<std::string, const LogEntry*>> rows;
    if (options.printers.empty()) {
        for (const LogEntry* entry : last.All())
            rows.emplace_back(entry->printer, entry);
    } else {
        for (const std::string& name : options.printers)
            rows.emplace_back(name, last.Find(name));
    }

    if (options.json) {
        Json doc = Json::array();
        for (const auto& [name, entry] : rows) {
            doc.push_back({{"printer", entry ? entry->printer : JsonName(name, output)},
                           {"last", entry ? EntryJson(*entry) : Json(nullptr)}});
        }
        output.Out(doc.dump(2) + "\n");
        return kSuccess;
    }
    if (rows.empty()) {
        output.Out("the send log holds no send\n");
        return kSuccess;
    }
    std::string text =
        Pad("PRINTER", 24) + Pad("OUTCOME", 9) + Pad("TIME", 22) + Pad("SHA256", 14) + "FILE\n";
    for (const auto& [name, entry] : rows) {
        if (!entry) {
            text += Pad(name, 24) + "never sent\n";
            continue;
        }
        text += Pad(entry->printer, 24) + Pad(entry->outcome, 9) + Pad(entry->time, 22) +
                Pad(entry->sha256.substr(0, 12), 14) + entry->file;
        if (entry->reason) text += "  (" + *entry->reason + ")";
        text += "\n";
    }
    output.Out(text);
    return kSuccess;
}

}  // namespace

extern const Command kLogCommand{"log",
                                 "Each queue's last send from a send log: its time, outcome, "
                                 "settings file and the SHA-256 of the record sent.",
                                 Bind<LogOptions, DeclareLog, Log>};

namespace {

struct PlanOptions {
    std::string file;
    QueueChoice queues;
    std::string log;
    bool json = false;
};

void DeclarePlan(Arguments& arguments, PlanOptions& options) {
    arguments.Positional("FILE", options.file, "settings file that would be sent");
    DeclareQueueChoice(arguments, options.queues, "the queues it would be sent to");
    arguments.Value("--log", "FILE", options.log, "send log of the earlier sends (required)");
    arguments.Flag("--json", options.json, "JSON output");
}

int Plan(const PlanOptions& options, Environment& env) {
    Output& output = env.output;
    if (options.log.empty()) {
        output.Err("--log is required\nRun with --help for more information.\n");
        return kUsage;
    }
    const auto record = LoadSettings(options.file, output);
    if (!record) return kUsage;
    std::vector<std::string> names;
    Json skipped = Json::array();
    std::string skippedText;
#ifdef _WIN32
    if (options.queues.all) {
        std::vector<SkippedQueue> left;
        names = UsableQueues(env, left);
        for (const SkippedQueue& q : left) {
            skipped.push_back({{"printer", q.printer}, {"reason", q.reason}});
            skippedText += Pad("skipped", 8) + q.printer + ": " + q.reason + "\n";
        }
        if (names.empty()) output.Err("no usable printer queue of the model\n");
    }
#endif
    if (!options.queues.all && !ChosenNames(options.queues, names, output)) return kUsage;
    LastSends last;
    if (!ReadSendLog(options.log, last, output)) return kUsage;

    const std::vector<QueuePlan> plan = MakePlan(*record, names, last);
    std::size_t toSend = 0;
    Json queues = Json::array();
    std::string text;
    for (const QueuePlan& q : plan) {
        toSend += NeedsSend(q.state);
        if (options.json) {
            Json changes = Json::array();
            for (const SettingChange& c : q.changes) {
                changes.push_back(
                    {{"key", c.key}, {"name", c.name}, {"from", c.from}, {"to", c.to}});
            }
            queues.push_back({{"printer", JsonName(q.printer, output)},
                              {"state", PlanStateText(q.state)},
                              {"send", NeedsSend(q.state)},
                              {"last", q.last ? EntryJson(*q.last) : Json(nullptr)},
                              {"changes", std::move(changes)}});
            continue;
        }
        text += q.printer + ": " + std::string(PlanStateText(q.state));
        if (q.last) {
            text += " (" + LastSendText(*q.last);
            if (q.state == PlanState::Differs) text += ", from " + q.last->file;
            text += ")";
        }
        text += "\n";
        for (const SettingChange& c : q.changes) {
            text += "  " + Pad(c.key, 24) + Pad(c.from, 22) + "-> " + c.to;
            if (!c.setting) text += "  " + c.name;
            text += "\n";
        }
    }

    if (options.json) {
        Json doc;
        doc["file"] = JsonName(options.file, output);
        doc["log"] = JsonName(options.log, output);
        doc["send"] = toSend;
        doc["queues"] = std::move(queues);
        doc["skipped"] = std::move(skipped);
        output.Out(doc.dump(2) + "\n");
    } else {
        text += skippedText;
        text += toSend ? "would send to " + std::to_string(toSend) + " of " +
                             std::to_string(plan.size()) + " queues\n"
                       : "nothing to send\n";
        output.Out(text);
    }
    return PlanExitStatus(plan);
}

}  // namespace

extern const Command kPlanCommand{"plan",
                                  "What a send of a settings file would do to each queue, from "
                                  "the send log: up to date, differs (naming the settings), never "
                                  "sent, or last send did not finish. Exit status 0 when nothing "
                                  "would be sent, 1 when some queue would be sent to.",
                                  Bind<PlanOptions, DeclarePlan, Plan>};

}  // namespace kwctl
