// kwctl report: the plan of every queue as one HTML page, with each queue's last sends.
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/FleetReport.h"
#include "kwctl/InputFile.h"
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
    DeclareQueueChoice(arguments, options.queues,
                       "the queues to report on (without either, every queue of the log)",
                       QueueChoiceRule::NamedOrLog);
    arguments.Value("--log", "FILE", options.log, "send log of the earlier sends (required)");
    arguments.Value("--html", "OUT", options.html, "the page to write (required)");
}

// The page may not take the place of what it is made from.
bool OutputIsNoInput(const ReportOptions& options, Output& output) {
    const FilePath page = SystemPath(options.html);
    const std::pair<const std::string*, const char*> inputs[] = {
        {&options.file, "the settings file"},
        {&options.log, "the send log"},
        {&options.queues.targets, "the list of queues"},
    };
    for (const auto& [name, what] : inputs) {
        if (name->empty() || !SameFile(page, SystemPath(*name))) continue;
        output.Err(options.html + ": is " + what + "; the report would replace it\n");
        return false;
    }
    return true;
}

// The queues asked for, or every queue of the log, with their plans and earlier sends.
bool Queues(const ReportOptions& options, Environment& env, const SettingsRecord& record,
            std::vector<ReportQueue>& queues) {
    QueueSelection selection;
    if (!SelectQueues(options.queues, env, false, kParallelDefault, selection)) return false;
    const bool named = options.queues.Named();
    LastSends last(1 + kEarlierSends);
    bool missing = false;
    if (!ReadSendLog(options.log, named ? &selection.names : nullptr, last, missing, env.output)) {
        return false;
    }
    if (!named) {
        for (const LogEntry* entry : last.All())
            selection.names.push_back(entry->printer);
    }
    if (selection.names.empty()) {
        // A report of no queue would read as all clear.
        env.output.Err(options.log +
                       ": the send log names no queue; name the queues with --printer or "
                       "--targets\n");
        return false;
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
    if (!OutputIsNoInput(options, output)) return kUsage;
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
    const std::size_t toSend = QueuesToSend(plans);
    output.Out("wrote " + options.html + ": " + std::to_string(plans.size()) +
               (plans.size() == 1 ? " queue, " : " queues, ") +
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
