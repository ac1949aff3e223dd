// The commands that talk to the spooler: printers and send. They find queues with the
// program's own discovery and send with its own job.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kwctl/Commands.h"
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

struct Result {
    std::string result;  // sent, ready, refused, failed
    std::string message;
};

Result SendOne(PrinterSpooler& spooler, const std::wstring& name,
               const std::vector<ModelQueue>& queues, const SettingsRecord& record, bool dryRun) {
    const auto found = std::find_if(queues.begin(), queues.end(),
                                    [&](const ModelQueue& q) { return q.entry.name == name; });
    if (found == queues.end()) {
        // What the queue itself says of its driver, when discovery did not list it as the model's.
        const auto details = spooler.GetLevel2(name);
        if (details && details->driverName != kModelDriverName) {
            // A configuration command is for this model only.
            return {"refused", "its driver \"" + ToUtf8(details->driverName) + "\" is not \"" +
                                   ToUtf8(kModelDriverName) + "\""};
        }
        return {"failed", kNotUsable};
    }
    if (OnFilePort(*found)) return {"refused", kFileRefused};
    if (!found->opensForUse) return {"failed", kNotUsable};
    if (dryRun) return {"ready", "not sent (dry run)"};
    switch (SendRecord(name, record)) {
        case SendOutcome::Sent:
            return {"sent", kSent};
        case SendOutcome::NotUsable:
            return {"failed", kNotUsable};
        case SendOutcome::NoJob:
            return {"failed", "the spooler started no job"};
        case SendOutcome::WriteFailed:
            return {"failed", "the spooler did not take the 180 bytes; the job was cancelled"};
        case SendOutcome::EndFailed:
            return {"failed", "the spooler did not end the job; it was cancelled"};
        case SendOutcome::WriteFailedNotCancelled:
            return {"failed",
                    "the spooler did not take the 180 bytes; the job could not be cancelled"};
        case SendOutcome::EndFailedNotCancelled:
            return {"failed", "the spooler did not end the job; it could not be cancelled"};
    }
    return {"failed", kNotUsable};
}

struct PrintersOptions {
    bool json = false;
};

void DeclarePrinters(Arguments& arguments, PrintersOptions& options) {
    arguments.Flag("--json", options.json, "JSON output");
}

int Printers(const PrintersOptions& options, Environment& env) {
    SpoolerChoice spooler(env.spooler);
    const std::vector<ModelQueue> queues = DescribeModelPrinters(spooler.get());
    Json list = Json::array();
    std::string text;
    for (const ModelQueue& q : queues) {
        const std::vector<std::string> holds = Holds(q.details);
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
        list.push_back(std::move(j));

        std::vector<std::string> notes = Unusable(q);
        notes.insert(notes.end(), holds.begin(), holds.end());
        if (q.details.datatype != L"RAW") {
            notes.push_back("data type \"" + ToUtf8(q.details.datatype) +
                            "\" (a raw job expects RAW)");
        }
        text += Pad(ToUtf8(q.entry.name), 24) + Pad(ToUtf8(q.entry.connection), 12) +
                Pad(Usable(q) ? "usable" : "unusable", 10) + Joined(notes) + "\n";
    }
    if (options.json) {
        env.output.Out(list.dump(2) + "\n");
    } else if (queues.empty()) {
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

namespace {

struct SendOptions {
    std::string file;
    std::vector<std::string> printers;
    bool all = false;
    bool dryRun = false;
    bool json = false;
};

void DeclareSend(Arguments& arguments, SendOptions& options) {
    arguments.Positional("FILE", options.file, "settings file to send");
    Arguments& queues = arguments.ExactlyOne("Queues", "the queues to send to");
    queues.Repeated("--printer,-p", options.printers, "queue name (repeatable)");
    queues.Flag("--all", options.all, "every usable queue of the model");
    arguments.Flag("--dry-run", options.dryRun, "check the file and the queues, send nothing");
    arguments.Flag("--json", options.json, "JSON output");
}

int Send(const SendOptions& options, Environment& env) {
    Output& output = env.output;
    // The file first: a bad file sends nothing.
    const auto record = LoadSettings(options.file, output);
    if (!record) return kUsage;

    SpoolerChoice spooler(env.spooler);
    std::vector<std::wstring> unlisted;
    const std::vector<ModelQueue> queues = DescribeModelPrinters(spooler.get(), &unlisted);
    std::vector<std::wstring> names;
    // --all leaves out the queues that cannot take the settings, each with its reason.
    Json skipped = Json::array();
    std::string skippedText;
    const auto skip = [&](const std::wstring& name, const std::string& reason) {
        skipped.push_back({{"printer", ToUtf8(name)}, {"reason", reason}});
        skippedText += Pad("skipped", 8) + ToUtf8(name) + ": " + reason + "\n";
    };
    if (options.all) {
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
        for (const std::string& name : options.printers)
            names.push_back(FromUtf8(name));
    }

    Json results = Json::array();
    bool allSent = true;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const std::string name = ToUtf8(names[k]);
        // Progress goes to stderr whether it is a console or not: a script's log then shows
        // which queue a send was at when it stopped.
        if (names.size() > 1) {
            std::string progress = "[";
            progress += std::to_string(k + 1);
            progress += '/';
            progress += std::to_string(names.size());
            progress += "] ";
            output.Err(progress + name + "\n");
        }
        const Result r = SendOne(spooler.get(), names[k], queues, *record, options.dryRun);
        allSent = allSent && (r.result == "sent" || r.result == "ready");
        results.push_back({{"printer", name}, {"result", r.result}, {"message", r.message}});
        if (!options.json) output.Out(Pad(r.result, 8) + name + ": " + r.message + "\n");
    }
    if (options.json) {
        Json doc;
        doc["file"] = JsonName(options.file, output);
        doc["dryRun"] = options.dryRun;
        doc["results"] = std::move(results);
        doc["skipped"] = std::move(skipped);
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
                                  "it. Exit status 1 when some queue was refused or failed, 3 "
                                  "when --all finds no usable queue.",
                                  Bind<SendOptions, DeclareSend, Send>};

}  // namespace kwctl
