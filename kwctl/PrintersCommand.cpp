// kwctl printers: every queue of the model, or those of a list, and whether each can be used.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Common.h"
#include "kwctl/Commands.h"
#include "kwctl/ModelQueues.h"
#include "kwctl/QueueSelection.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

using Json = nlohmann::ordered_json;

struct PrintersOptions {
    std::string targets;
    bool json = false;
};

void DeclarePrinters(Arguments& arguments, PrintersOptions& options) {
    arguments.Value("--targets", "LIST", options.targets,
                    "only the queues of this list, in its order, and whether each can be used");
    arguments.Flag("--json", options.json, "JSON output");
}

// A row of the listing, as text and as JSON.
struct Row {
    std::string text;
    Json json;
};

// A queue of the model with what would hold up a raw job.
Row QueueRow(const ModelQueue& q) {
    const std::vector<std::string> holds = Holds(q.details);
    std::vector<std::string> notes = UnusableReasons(q);
    const bool usable = notes.empty();
    notes.insert(notes.end(), holds.begin(), holds.end());
    if (q.details.datatype != L"RAW") {
        notes.push_back("data type \"" + ToUtf8(q.details.datatype) + "\" (a raw job expects RAW)");
    }
    Json j;
    j["name"] = ToUtf8(q.entry.name);
    j["connection"] = ToUtf8(q.entry.connection);
    j["usable"] = usable;
    j["opensForUse"] = q.opensForUse;
    j["datatype"] = ToUtf8(q.details.datatype);
    j["raw"] = q.details.datatype == L"RAW";
    j["status"] = q.details.status;
    j["attributes"] = q.details.attributes;
    j["holds"] = holds;
    j["found"] = true;
    j["notes"] = notes;
    return {Pad(ToUtf8(q.entry.name), 24) + Pad(ToUtf8(q.entry.connection), 12) +
                Pad(usable ? "usable" : "unusable", 10) + Joined(notes) + "\n",
            std::move(j)};
}

// A name of the list that is no usable queue of the model, with the reason send would give.
Row NotFoundRow(PrinterSpooler& spooler, const Discovery& found, const std::string& name) {
    const std::optional<Refusal> why = CheckQueue(spooler, found, name);
    const std::string reason = "not a usable queue of the model: " + why->message;
    return {Pad(name, 24) + Pad("", 12) + Pad("unusable", 10) + reason + "\n",
            {{"name", name},
             {"connection", nullptr},
             {"usable", false},
             {"found", false},
             {"notes", {reason}}}};
}

// Every queue of the model, or those of the list in its order. False when the list cannot be
// used.
bool Rows(const PrintersOptions& options, Environment& env, std::vector<Row>& rows) {
    SpoolerChoice spooler(env.spooler);
    if (options.targets.empty()) {
        for (const ModelQueue& q : Discover(spooler.get(), 1).queues)
            rows.push_back(QueueRow(q));
        return true;
    }
    QueueSelection selection;
    if (!SelectQueues({{}, options.targets}, env, true, 1, selection)) return false;
    for (const std::string& name : selection.names) {
        const ModelQueue* q = FindQueue(selection.found, name);
        rows.push_back(q ? QueueRow(*q) : NotFoundRow(spooler.get(), selection.found, name));
    }
    return true;
}

int Printers(const PrintersOptions& options, Environment& env) {
    std::vector<Row> rows;
    if (!Rows(options, env, rows)) return kUsage;
    if (options.json) {
        Json list = Json::array();
        for (Row& row : rows)
            list.push_back(std::move(row.json));
        env.output.Out(list.dump(2) + "\n");
    } else if (rows.empty()) {
        env.output.Out("no printer queue of the model " + ToUtf8(kModelDriverName) + "\n");
    } else {
        std::string text = Pad("NAME", 24) + Pad("CONNECTION", 12) + Pad("STATE", 10) + "NOTES\n";
        for (const Row& row : rows)
            text += row.text;
        env.output.Out(text);
    }
    return kSuccess;
}

}  // namespace

extern const Command kPrintersCommand{"printers",
                                      "Every printer queue of the model, its connection, whether "
                                      "it can be used and what would hold up a raw job.",
                                      Bind<PrintersOptions, DeclarePrinters, Printers>};

}  // namespace kwctl
