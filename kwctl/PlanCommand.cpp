// kwctl plan: what a send of a settings file would do to each queue, from the send log.
#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/LogView.h"
#include "kwctl/Parallel.h"
#include "kwctl/Plan.h"
#include "kwctl/QueueSelection.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

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

void ShowJson(const PlanOptions& options, const std::vector<QueuePlan>& plan,
              const std::vector<SkippedQueue>& skipped, Output& output) {
    Json queues = Json::array();
    for (const QueuePlan& q : plan) {
        Json changes = Json::array();
        for (const SettingChange& c : q.changes)
            changes.push_back({{"key", c.key}, {"name", c.name}, {"from", c.from}, {"to", c.to}});
        queues.push_back({{"printer", JsonName(q.printer, output)},
                          {"state", PlanStateText(q.state)},
                          {"send", NeedsSend(q.state)},
                          {"last", q.last ? EntryJson(*q.last) : Json(nullptr)},
                          {"changes", std::move(changes)}});
    }
    Json doc;
    doc["file"] = JsonName(options.file, output);
    doc["log"] = JsonName(options.log, output);
    doc["send"] = QueuesToSend(plan);
    doc["queues"] = std::move(queues);
    doc["skipped"] = SkippedJson(skipped);
    output.Out(doc.dump(2) + "\n");
}

void ShowText(const std::vector<QueuePlan>& plan, const std::vector<SkippedQueue>& skipped,
              Output& output) {
    std::string text;
    for (const QueuePlan& q : plan) {
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
    text += SkippedText(skipped);
    const std::size_t toSend = QueuesToSend(plan);
    text += toSend ? "would send to " + std::to_string(toSend) + " of " +
                         std::to_string(plan.size()) + " queues\n"
                   : "nothing to send\n";
    output.Out(text);
}

int Plan(const PlanOptions& options, Environment& env) {
    Output& output = env.output;
    const auto record = LoadSettings(options.file, output);
    if (!record) return kUsage;
    QueueSelection selection;
    if (!SelectQueues(options.queues, env, false, kParallelDefault, selection)) return kUsage;
    LastSends last;
    bool missing = false;
    if (!ReadSendLog(options.log, &selection.names, last, missing, output)) return kUsage;

    const std::vector<QueuePlan> plan = MakePlan(*record, selection.names, last);
    if (options.json) {
        ShowJson(options, plan, selection.skipped, output);
    } else {
        ShowText(plan, selection.skipped, output);
    }
    if (const auto none = NoUsableQueue(options.queues, selection, output, "nothing to plan")) {
        return *none;
    }
    return PlanExitStatus(plan);
}

constexpr Need kPlanNeeds[] = {{"", "--log", ""}};

}  // namespace

extern const Command kPlanCommand{"plan",
                                  "What a send of a settings file would do to each queue, from "
                                  "the send log: up to date, differs (naming the settings), never "
                                  "sent, or last send did not finish. Exit status 0 when nothing "
                                  "would be sent, 1 when some queue would be sent to, 3 when "
                                  "--all finds no usable queue.",
                                  Bind<PlanOptions, DeclarePlan, Plan>, kPlanNeeds};

}  // namespace kwctl
