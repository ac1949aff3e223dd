// The check that every kwctl command line is made, shared by the native and the Windows tests:
// each command's help must name every argument the command declares.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "kwctl/Command.h"

namespace kwctl_test {

// The labels and option names that a command declares, one name each.
class DeclaredNames final : public kwctl::Arguments {
public:
    void Positional(std::string_view label, std::string&, std::string_view) override {
        names.emplace_back(label);
    }
    void Rest(std::string_view label, std::vector<std::string>&, bool, std::string_view) override {
        names.emplace_back(label);
    }
    void Flag(std::string_view list, bool&, std::string_view) override { Split(list); }
    void Repeated(std::string_view list, std::vector<std::string>&, std::string_view) override {
        Split(list);
    }
    void Value(std::string_view list, std::string_view label, std::string&,
               std::string_view) override {
        Split(list);
        names.emplace_back(label);
    }
    void Number(std::string_view list, std::string_view label, int&, int, int,
                std::string_view) override {
        Split(list);
        names.emplace_back(label);
    }
    void OptionalNumber(std::string_view name, std::string_view label, std::optional<int>&, int,
                        int, int, std::string_view) override {
        names.emplace_back(std::string(name) + "[=" + std::string(label) + "]");
    }
    Arguments& ExactlyOne(std::string_view title, std::string_view) override {
        names.emplace_back(title);
        return *this;
    }
    Arguments& AtMostOne(std::string_view title, std::string_view help) override {
        return ExactlyOne(title, help);
    }

    std::vector<std::string> names;

private:
    void Split(std::string_view list) {
        for (std::size_t comma; (comma = list.find(',')) != std::string_view::npos;) {
            names.emplace_back(list.substr(0, comma));
            list.remove_prefix(comma + 1);
        }
        names.emplace_back(list);
    }
};

// Runs `kwctl --help` and `kwctl COMMAND --help` for every command through `run`, which returns
// the exit status and sets the text written to stdout.
template <class Run>
void ExpectEveryCommandLineIsMade(Run run) {
    std::string out;
    ASSERT_EQ(run(std::vector<std::string>{"--help"}, out), kwctl::kSuccess);
    for (const kwctl::Command* command : kwctl::Commands()) {
        const std::string name(command->name);
        EXPECT_NE(out.find("  " + name + " "), std::string::npos) << name << " not listed";
        DeclaredNames declared;
        command->declare(declared);
        std::string help;
        ASSERT_EQ(run(std::vector<std::string>{name, "--help"}, help), kwctl::kSuccess) << name;
        for (const std::string& argument : declared.names)
            EXPECT_NE(help.find(argument), std::string::npos) << name << " " << argument << "\n"
                                                              << help;
    }
}

}  // namespace kwctl_test
