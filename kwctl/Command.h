// kwctl's commands as one table. Each command is a row beside its own code: its name, its
// summary, and a function that declares its arguments into an options struct of its own and
// gives back what runs it. The command line is read by CLI11 (Kwctl.cpp) against the same rows.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kwctl/Kwctl.h"

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
    // Options of which exactly one must be given, declared on the group returned. `title` names
    // the group in help.
    virtual Arguments& ExactlyOne(std::string_view title, std::string_view help) = 0;
};

// Runs a command with the options read.
using Invocation = std::function<int(Environment&)>;

struct Command {
    std::string_view name;
    std::string_view summary;
    // Declares the command's arguments, bound to a new options struct, on `arguments`; what it
    // returns runs the command once they are read.
    Invocation (*declare)(Arguments& arguments);
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
