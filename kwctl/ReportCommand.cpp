// kwctl report: the plan of every queue as one HTML page, with each queue's last sends.
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/FleetReport.h"
#include "kwctl/Parallel.h"
#include "kwctl/Plan.h"
#include "kwctl/QueueSelection.h"
#include "kwctl/Sha256.h"
#include "settings/SettingsFileIo.h"

namespace kwctl {
namespace {

constexpr std::size_t kEarlierSends = 10;

struct ReportOptions {
    std::string file;
    QueueChoice queues;
    std::string log;
    std::string html;
};

void DeclareReport(Arguments& arguments, ReportOptions& options) {
    arguments.Positional("FILE", options.file, "settings file that the queues should have");
    Arguments& queues = arguments.AtMostOne(
        "Queues", "the queues to report on (without either, every queue of the log)");
    queues.Repeated("--printer,-p", options.queues.printers, "queue name (repeatable)");
    queues.Value("--targets", "LIST", options.queues.targets,
                 "a text file of queue names, one a line (UTF-8; # starts a comment)");
    arguments.Value("--log", "FILE", options.log, "send log of the earlier sends (required)");
    arguments.Value("--html", "OUT", options.html, "the page to write (required)");
}

// The queues asked for, or every queue of the log, with their plans and earlier sends.
bool Queues(const ReportOptions& options, Environment& env, const SettingsRecord& record,
            std::vector<ReportQueue>& queues) {
    QueueSelection selection;
    const bool named = !options.queues.printers.empty() || !options.queues.targets.empty();
    if (named && !SelectQueues(options.queues, env, false, kParallelDefault, selection)) {
        return false;
    }
    LastSends last(1 + kEarlierSends);
    bool missing = false;
    if (!ReadSendLog(options.log, named ? &selection.names : nullptr, last, missing,
                     env.output)) {
        return false;
    }
    if (!named) {
        for (const LogEntry* entry : last.All())
            selection.names.push_back(entry->printer);
    }
    for (QueuePlan& plan : MakePlan(record, selection.names, last)) {
        const std::span<const LogEntry> sends = last.Sends(plan.printer);
        ReportQueue q{std::move(plan), {}};
        if (sends.size() > 1) q.earlier.assign(sends.begin() + 1, sends.end());
        queues.push_back(std::move(q));
    }
    return true;
}

int Report(const ReportOptions& options, Environment& env) {
    Output& output = env.output;
    const auto record = LoadSettings(options.file, output);
    if (!record) return kUsage;
    ReportInput input;
    if (!Queues(options, env, *record, input.queues)) return kUsage;
    input.file = options.file;
    input.recordSha = Sha256Hex({record->data(), record->size()});
    input.log = options.log;
    input.made = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
    std::vector<QueuePlan> plans;
    for (const ReportQueue& q : input.queues)
        plans.push_back(q.plan);
    const std::string html = FleetReportHtml(std::move(input));
    SaveDetail detail;
    const auto bytes = reinterpret_cast<const std::uint8_t*>(html.data());
    if (WriteWholeFile(SystemPath(options.html), {bytes, html.size()}, &detail) !=
        SaveResult::Saved) {
        output.Err(options.html + ": the report was not written (" + SaveProblemText(detail) +
                   ")\n");
        return kUsage;
    }
    std::size_t toSend = 0;
    for (const QueuePlan& q : plans)
        toSend += NeedsSend(q.state);
    output.Out("wrote " + options.html + ": " + std::to_string(plans.size()) + " queues, " +
               (toSend ? "would send to " + std::to_string(toSend) : "nothing to send") + "\n");
    return PlanExitStatus(plans);
}

constexpr Need kReportNeeds[] = {{"", "--log", ""}, {"", "--html", ""}};

}  // namespace

extern const Command kReportCommand{"report",
                                    "The plan of each queue as one HTML page that stands alone: "
                                    "its state, its last send and earlier ones, the settings "
                                    "that differ. Exit status as for plan.",
                                    Bind<ReportOptions, DeclareReport, Report>, kReportNeeds};

}  // namespace kwctl
