// kwctl's commands as one table. Each command is a row beside its own code: its name, its
// summary, and a function that declares its arguments into an options struct of its own and
// gives back what runs it. The command line is read by CLI11 (Kwctl.cpp) against the same rows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kwctl/Environment.h"

namespace kwctl {

// What a command takes from its command line; each call binds one argument to a member of the
// command's options. Names are CLI11's: "--json", "--printer,-p".
class Arguments {
public:
    virtual ~Arguments() = default;

    // A positional argument that must be given; `label` is its name in help ("FILE").
    virtual void Positional(std::string_view label, std::string& value, std::string_view help) = 0;
    // The positional arguments after the others ("KEY=VALUE"): any number, or at least one.
    virtual void Rest(std::string_view label, std::vector<std::string>& values, bool required,
                      std::string_view help) = 0;
    virtual void Flag(std::string_view names, bool& value, std::string_view help) = 0;
    // An option with a value, given any number of times.
    virtual void Repeated(std::string_view names, std::vector<std::string>& values,
                          std::string_view help) = 0;
    // An option with one value ("--log FILE"), which may not be empty; `label` names the value
    // in help.
    virtual void Value(std::string_view names, std::string_view label, std::string& value,
                       std::string_view help) = 0;
    // A whole number from `lower` to `upper` ("--parallel N"); `value` keeps what it holds when
    // the option is not given.
    virtual void Number(std::string_view names, std::string_view label, int& value, int lower,
                        int upper, std::string_view help) = 0;
    // An option whose value may be left out ("--wait[=SECONDS]"): `bare` when it is given alone;
    // a value must be joined to it with '='. `value` stays empty when it is not given.
    virtual void OptionalNumber(std::string_view name, std::string_view label,
                                std::optional<int>& value, int bare, int lower, int upper,
                                std::string_view help) = 0;
    // Options of which exactly one must be given, declared on the group returned. `title` names
    // the group in help.
    virtual Arguments& ExactlyOne(std::string_view title, std::string_view help) = 0;
    // The same for options of which at most one may be given.
    virtual Arguments& AtMostOne(std::string_view title, std::string_view help) = 0;
};

// Runs a command with the options read.
using Invocation = std::function<int(Environment&)>;

// An option that another one, or the command itself, cannot do without. The dispatcher checks
// these before the command runs.
struct Need {
    std::string_view option;  // when this is given ("--changed-only"); empty: always
    std::string_view needed;  // this must be given too ("--log")
    std::string_view why;     // after "OPTION needs ", for the message; empty: CLI11's own
};

struct Command {
    std::string_view name;
    std::string_view summary;
    // Declares the command's arguments, bound to a new options struct, on `arguments`; what it
    // returns runs the command once they are read.
    Invocation (*declare)(Arguments& arguments);
    std::span<const Need> needs = {};
};

// A row's `declare` from a command's typed parts: `Declare` binds the arguments to the members of
// `Options`, `Run` runs the command with them.
template <class Options, void (*Declare)(Arguments&, Options&),
          int (*Run)(const Options&, Environment&)>
Invocation Bind(Arguments& arguments) {
    auto options = std::make_shared<Options>();
    Declare(arguments, *options);
    return [options](Environment& env) { return Run(*options, env); };
}

// Every command, in the order help lists them.
std::span<const Command* const> Commands();

}  // namespace kwctl
