#include "kwctl/QueueSelection.h"

#include <utility>

#include "kwctl/Common.h"
#include "kwctl/Targets.h"
#include "printer/PrinterDiscovery.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

// The names of --printer, or else of the targets file.
bool NamedQueues(const QueueChoice& choice, std::vector<std::string>& names, Output& output) {
    if (!choice.printers.empty()) {
        names = EachQueueOnce(choice.printers);
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

#ifdef _WIN32
// --all: every usable queue of the model, in the order discovery lists them; the others are
// left out with their reasons.
void UsableQueues(QueueSelection& selection) {
    for (const ModelQueue& q : selection.found.queues) {
        const std::vector<std::string> reasons = UnusableReasons(q);
        if (reasons.empty()) {
            selection.names.push_back(ToUtf8(q.entry.name));
        } else {
            selection.skipped.push_back({ToUtf8(q.entry.name), Joined(reasons)});
        }
    }
    for (const std::wstring& name : selection.found.unlisted) {
        selection.skipped.push_back(
            {ToUtf8(name), "its server did not list it (not answering?); its model is unknown"});
    }
}
#endif

}  // namespace

void DeclareQueueChoice(Arguments& arguments, QueueChoice& choice, std::string_view help,
                        QueueChoiceRule rule) {
    const bool one = rule == QueueChoiceRule::OneOfThem;
    Arguments& queues =
        one ? arguments.ExactlyOne("Queues", help) : arguments.AtMostOne("Queues", help);
    queues.Repeated("--printer,-p", choice.printers, "queue name (repeatable)");
#ifdef _WIN32
    if (one) queues.Flag("--all", choice.all, "every usable queue of the model");
#endif
    queues.Value("--targets", "LIST", choice.targets,
                 "a text file of queue names, one a line (UTF-8; # starts a comment)");
}

bool SelectQueues(const QueueChoice& choice, Environment& env, bool discover, int threads,
                  QueueSelection& selection) {
    if (choice.Named() && !NamedQueues(choice, selection.names, env.output)) return false;
#ifdef _WIN32
    if (choice.all || discover) {
        SpoolerChoice spooler(env.spooler);
        selection.found = Discover(spooler.get(), threads);
    }
    if (choice.all) UsableQueues(selection);
#else
    (void)discover;
    (void)threads;
#endif
    return true;
}

std::optional<int> NoUsableQueue(const QueueChoice& choice, const QueueSelection& selection,
                                 Output& output, std::string_view consequence) {
    if (!choice.all || !selection.names.empty()) return std::nullopt;
    output.Err("no usable printer queue of the model " + ToUtf8(kModelDriverName) + ": " +
               std::string(consequence) + "\n");
    return kNothingToSend;
}

std::string SkippedText(const std::vector<SkippedQueue>& skipped) {
    std::string text;
    for (const SkippedQueue& q : skipped)
        text += Pad("skipped", 8) + q.printer + ": " + q.reason + "\n";
    return text;
}

nlohmann::ordered_json SkippedJson(const std::vector<SkippedQueue>& skipped) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const SkippedQueue& q : skipped)
        list.push_back({{"printer", q.printer}, {"reason", q.reason}});
    return list;
}

}  // namespace kwctl
