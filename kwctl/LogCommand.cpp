// kwctl log: each queue's last send, from the send log.
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/LogView.h"
#include "kwctl/Targets.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

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

// A queue asked for, or found in the log, with its last send (null: never sent).
using Row = std::pair<std::string, const LogEntry*>;

void ShowJson(const std::vector<Row>& rows, Output& output) {
    Json doc = Json::array();
    for (const auto& [name, entry] : rows) {
        doc.push_back({{"printer", entry ? entry->printer : JsonName(name, output)},
                       {"last", entry ? EntryJson(*entry) : Json(nullptr)}});
    }
    output.Out(doc.dump(2) + "\n");
}

void ShowText(const std::vector<Row>& rows, Output& output) {
    if (rows.empty()) {
        output.Out("the send log holds no send\n");
        return;
    }
    std::string text =
        Pad("PRINTER", 24) + Pad("OUTCOME", 9) + Pad("TIME", 22) + Pad("SHA256", 14) + "FILE\n";
    for (const auto& [name, entry] : rows) {
        if (!entry) {
            text += Pad(name, 24) + "never sent\n";
            continue;
        }
        text += Pad(entry->printer, 24) + Pad(std::string(Facts(entry->outcome).word), 9) +
                Pad(entry->time, 22) + Pad(entry->sha256.substr(0, 12), 14) + entry->file;
        if (entry->reason) text += "  (" + *entry->reason + ")";
        text += "\n";
    }
    output.Out(text);
}

int Log(const LogOptions& options, Environment& env) {
    Output& output = env.output;
    const std::vector<std::string> asked = EachQueueOnce(options.printers);
    LastSends last;
    bool missing = false;
    if (!ReadSendLog(options.file, asked.empty() ? nullptr : &asked, last, missing, output)) {
        return kUsage;
    }
    if (missing) {
        output.Err(options.file + ": there is no send log there\n");
        return kUsage;
    }
    // Every queue of the log, or those asked for, in the order asked.
    std::vector<Row> rows;
    if (asked.empty()) {
        for (const LogEntry* entry : last.All())
            rows.emplace_back(entry->printer, entry);
    } else {
        for (const std::string& name : asked)
            rows.emplace_back(name, last.Find(name));
    }
    if (options.json) {
        ShowJson(rows, output);
    } else {
        ShowText(rows, output);
    }
    return kSuccess;
}

}  // namespace

extern const Command kLogCommand{"log",
                                 "Each queue's last send from a send log: its time, outcome, "
                                 "settings file and the SHA-256 of the record sent.",
                                 Bind<LogOptions, DeclareLog, Log>};

}  // namespace kwctl
