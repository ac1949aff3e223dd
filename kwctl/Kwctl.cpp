#include "kwctl/Kwctl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include <CLI/CLI.hpp>

#include "kwctl/Command.h"
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

    // An option shown in help by a label of its own ("--wait[=SECONDS]").
    void Show(const CLI::Option* option, const std::string& label) {
        m_shown.push_back({option, {}, label});
    }

    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        for (const Label& l : m_labels) {
            if (positional && l.option == option) return l.label;
        }
        for (const Label& l : m_shown) {
            if (l.option == option) return l.label;
        }
        return CLI::Formatter::make_option_name(option, positional);
    }

    std::string Message(const CLI::App* app, const CLI::Error& error) const {
        std::string text = CLI::FailureMessage::simple(app, error);
        for (const Label& l : m_labels) {
            for (std::size_t at = 0; (at = text.find(l.name, at)) != std::string::npos;
                 at += l.label.size()) {
                text.replace(at, l.name.size(), l.label);
            }
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
    std::vector<Label> m_shown;
};

// The whole number that `text` holds, digits only; nothing when it holds anything else.
std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) ||
        error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// Refuses what is no whole number from `lower` to `upper`.
CLI::Validator WholeNumberFrom(int lower, int upper) {
    const std::string range = std::to_string(lower) + " to " + std::to_string(upper);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const std::optional<int> value = WholeNumber(text);
            if (value && *value >= lower && *value <= upper) return {};
            return "not a whole number from " + range + ": " + text;
        },
        "");
}

// Refuses an empty value: every option with a value names a file, and an empty name (a
// script's variable left unset) names none.
CLI::Validator NotEmpty() {
    return CLI::Validator(
        [](std::string& text) -> std::string { return text.empty() ? "an empty name" : ""; }, "");
}

// A command's arguments declared to CLI11.
class CliArguments final : public Arguments {
public:
    CliArguments(CLI::App& command, PositionalLabels& labels)
        : m_command(command), m_labels(labels) {}

    void Positional(std::string_view label, std::string& value, std::string_view help) override {
        m_labels.Add(m_command, std::string(label), value, std::string(help))->required();
    }
    void Rest(std::string_view label, std::vector<std::string>& values, bool required,
              std::string_view help) override {
        m_labels.Add(m_command, std::string(label), values, std::string(help))->required(required);
    }
    void Flag(std::string_view names, bool& value, std::string_view help) override {
        m_command.add_flag(std::string(names), value, std::string(help));
    }
    void Repeated(std::string_view names, std::vector<std::string>& values,
                  std::string_view help) override {
        m_command.add_option(std::string(names), values, std::string(help));
    }
    void Value(std::string_view names, std::string_view label, std::string& value,
               std::string_view help) override {
        m_command.add_option(std::string(names), value, std::string(help))
            ->type_name(std::string(label))
            ->check(NotEmpty());
    }
    void Number(std::string_view names, std::string_view label, int& value, int lower, int upper,
                std::string_view help) override {
        m_command
            .add_option(std::string(names), value,
                        std::string(help) + " (" + std::to_string(lower) + " to " +
                            std::to_string(upper) + ", default " + std::to_string(value) + ")")
            ->type_name(std::string(label))
            ->check(WholeNumberFrom(lower, upper));
    }
    void OptionalNumber(std::string_view name, std::string_view label, std::optional<int>& value,
                        int bare, int lower, int upper, std::string_view help) override {
        // A flag with a value of its own when given alone takes another only as "--name=value";
        // "--name 30" leaves 30 to the positionals.
        const std::string description = std::string(help) + " (" + std::to_string(lower) + " to " +
                                        std::to_string(upper) + ", " + std::to_string(bare) +
                                        " when given alone)";
        CLI::Option* option =
            m_command.add_flag(std::string(name) + "{" + std::to_string(bare) + "}", description)
                ->check(WholeNumberFrom(lower, upper))
                ->each([&value](const std::string& text) { value = WholeNumber(text); });
        m_labels.Show(option, std::string(name) + "[=" + std::string(label) + "]");
    }
    Arguments& ExactlyOne(std::string_view title, std::string_view help) override {
        return Group(title, help, 1, 1);
    }
    Arguments& AtMostOne(std::string_view title, std::string_view help) override {
        return Group(title, help, 0, 1);
    }

private:
    Arguments& Group(std::string_view title, std::string_view help, std::size_t least,
                     std::size_t most) {
        CLI::Option_group* group =
            m_command.add_option_group(std::string(title), std::string(help));
        group->require_option(least, most);
        m_groups.push_back(std::make_unique<CliArguments>(*group, m_labels));
        return *m_groups.back();
    }

    CLI::App& m_command;
    PositionalLabels& m_labels;
    std::vector<std::unique_ptr<CliArguments>> m_groups;
};

// What the command's table says it cannot do without; false after the message.
bool CheckNeeds(const Command& command, const CLI::App& sub, Output& output) {
    for (const Need& need : command.needs) {
        const bool wanted = need.option.empty() || sub.count(std::string(need.option)) > 0;
        if (!wanted || sub.count(std::string(need.needed)) > 0) continue;
        const std::string message = need.option.empty()
                                        ? std::string(need.needed) + " is required"
                                        : std::string(need.option) + " needs " + std::string(need.why);
        output.Err(message + "\nRun with --help for more information.\n");
        return false;
    }
    return true;
}

// Results that did not reach stdout make the run a failure; a send's exit status then still
// says that jobs went out.
int Finished(int status, Environment& env) {
    std::string reason;
    if (env.output.Finish(reason)) return status;
    env.output.Err("kwctl: the results could not be written (" + reason + ")" +
                   (env.sent ? "; queues were sent to, and the send log has their lines" : "") +
                   "\n");
    return env.sent ? kDiffers : kUsage;
}

// Parses the command line; what runs the command, or nothing with the exit status set.
const Invocation* Parse(const std::vector<std::string>& args, Environment& env, CLI::App& app,
                     std::vector<std::pair<CLI::App*, Invocation>>& commands, int& status) {
    std::ostringstream out, err;
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        status = app.exit(e, out, err) == 0 ? kSuccess : kUsage;
        env.output.Out(out.str());
        env.output.Err(err.str());
        return nullptr;
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (!commands[i].first->parsed()) continue;
        status = CheckNeeds(*Commands()[i], *commands[i].first, env.output) ? kSuccess : kUsage;
        return status == kSuccess ? &commands[i].second : nullptr;
    }
    status = kUsage;
    return nullptr;
}

}  // namespace

int Run(const std::vector<std::string>& args, Environment& env) {
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

    std::vector<std::pair<CLI::App*, Invocation>> commands;
    for (const Command* command : Commands()) {
        CLI::App* sub =
            app.add_subcommand(std::string(command->name), std::string(command->summary));
        CliArguments arguments(*sub, *labels);
        commands.emplace_back(sub, command->declare(arguments));
    }
    int status = kUsage;
    if (const Invocation* run = Parse(args, env, app, commands, status)) status = (*run)(env);
    return Finished(status, env);
}

}  // namespace kwctl
