// kwctl: reads, compares, prepares and sends settings files from the command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class PrinterSpooler;

namespace kwctl {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kDiffers = 1;        // diff: the files differ; send: some queue failed
inline constexpr int kUsage = 2;          // bad command line, or a file that cannot be used
inline constexpr int kNothingToSend = 3;  // send --all: no usable queue of the model

// Where results and errors go, as UTF-8.
class Output {
public:
    virtual ~Output() = default;
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
};

// Output kept in two strings, for tests.
class StringOutput final : public Output {
public:
    void Out(std::string_view text) override { out += text; }
    void Err(std::string_view text) override { err += text; }
    std::string out;
    std::string err;
};

struct Environment {
    Output& output;
    // The spooler that printer discovery asks; null for the real one.
    PrinterSpooler* spooler = nullptr;
};

// Runs one command line (the arguments after the program name, UTF-8) and returns its exit
// status.
int Run(const std::vector<std::string>& args, Environment& env);

}  // namespace kwctl
