#include "kwctl/Kwctl.h"

#include <algorithm>
#include <memory>
#include <sstream>

#include <CLI/CLI.hpp>

#include "kwctl/Commands.h"

#ifndef KW_VERSION
#define KW_VERSION "unknown"
#endif

namespace kwctl {
namespace {

// CLI11 2.4 refuses a positional named "KEY=VALUE" when the option is made (2.1 took it). Such a
// positional gets a plain name, and its help and its errors show the label.
class PositionalLabels final : public CLI::Formatter {
public:
    template <class T>
    CLI::Option* Add(CLI::App& command, const std::string& label, T& value,
                     const std::string& help) {
        std::string name = label;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '=' || c == ':' || c == '{'; }, '_');
        CLI::Option* option = command.add_option(name, value, help);
        if (name != label) m_labels.push_back({option, name, label});
        return option;
    }

    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        for (const Label& l : m_labels) {
            if (positional && l.option == option) return l.label;
        }
        return CLI::Formatter::make_option_name(option, positional);
    }

    std::string Message(const CLI::App* app, const CLI::Error& error) const {
        std::string text = CLI::FailureMessage::simple(app, error);
        for (const Label& l : m_labels) {
            for (std::size_t at; (at = text.find(l.name)) != std::string::npos;)
                text.replace(at, l.name.size(), l.label);
        }
        return text;
    }

private:
    struct Label {
        const CLI::Option* option;
        std::string name;
        std::string label;
    };
    std::vector<Label> m_labels;
};

}  // namespace

int Run(const std::vector<std::string>& args, Environment& env) {
    Output& output = env.output;
    CLI::App app{
        "Reads, compares, prepares and sends settings files of the Vek Brelvistoka "
        "410ZQ printer.",
        "kwctl"};
    app.set_version_flag("--version", "kwctl " KW_VERSION);
    app.require_subcommand(1);
    app.fallthrough(false);
    const auto labels = std::make_shared<PositionalLabels>();
    app.formatter(labels);
    app.failure_message([labels](const CLI::App* failed, const CLI::Error& e) {
        return labels->Message(failed, e);
    });

    std::string file, other;
    bool json = false, force = false;
    std::vector<std::string> assignments;

    CLI::App* show = app.add_subcommand("show",
                                        "Every setting of a settings file, page by page, "
                                        "then the four forms.");
    show->add_option("FILE", file, "settings file (.dat)")->required();
    show->add_flag("--json", json, "JSON output");

    CLI::App* diff = app.add_subcommand("diff",
                                        "The settings, and the bytes no setting shows, "
                                        "that differ between two settings files. Exit "
                                        "status 0 when equal, 1 when they differ.");
    diff->add_option("A", file, "first settings file")->required();
    diff->add_option("B", other, "second settings file")->required();
    diff->add_flag("--json", json, "JSON output");

    CLI::App* create = app.add_subcommand("new",
                                          "Writes the factory settings, with the changes "
                                          "given, to a new settings file.");
    create->add_option("OUT", file, "settings file to write")->required();
    labels->Add(*create, "KEY=VALUE", assignments, "changes (see kwctl keys)");
    create->add_flag("--force", force, "replace an existing file");

    CLI::App* set = app.add_subcommand("set",
                                       "Changes settings of a settings file. Nothing is "
                                       "written unless every change is valid.");
    set->add_option("FILE", file, "settings file to change")->required();
    labels->Add(*set, "KEY=VALUE", assignments, "changes (see kwctl keys)")->required();

    CLI::App* keys = app.add_subcommand("keys", "Every key with its choices or range.");
    keys->add_flag("--json", json, "JSON output");

#ifdef _WIN32
    CLI::App* printers = app.add_subcommand(
        "printers",
        "Every printer queue of the model, its connection, whether it can be used "
        "and what would hold up a raw job.");
    printers->add_flag("--json", json, "JSON output");

    SendOptions send;
    CLI::App* sendCommand = app.add_subcommand(
        "send",
        "Sends a settings file to printer queues, as the program sends it. Exit status "
        "1 when some queue was refused or failed.");
    sendCommand->add_option("FILE", send.file, "settings file to send")->required();
    auto* named = sendCommand->add_option("--printer,-p", send.printers, "queue name (repeatable)");
    auto* all = sendCommand->add_flag("--all", send.all, "every usable queue of the model");
    named->excludes(all);
    all->excludes(named);
    sendCommand->add_flag("--dry-run", send.dryRun, "check the file and the queues, send nothing");
    sendCommand->add_flag("--json", send.json, "JSON output");
#endif

    std::ostringstream out, err;
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
#ifdef _WIN32
        if (sendCommand->parsed() && send.printers.empty() && !send.all) {
            throw CLI::RequiredError("--printer or --all");
        }
#endif
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        output.Out(out.str());
        output.Err(err.str());
        return status == 0 ? kSuccess : kUsage;
    }

    if (show->parsed()) return Show(file, json, output);
    if (diff->parsed()) return Diff(file, other, json, output);
    if (create->parsed()) return New(file, assignments, force, output);
    if (set->parsed()) return Set(file, assignments, output);
    if (keys->parsed()) return Keys(json, output);
#ifdef _WIN32
    if (printers->parsed()) return Printers(json, env);
    if (sendCommand->parsed()) return Send(send, env);
#endif
    return kUsage;
}

}  // namespace kwctl
