// What every kwctl command runs with: where its results and errors go, the spooler that
// discovery asks, and the exit statuses it returns.
#pragma once

#include <string>
#include <string_view>

class PrinterSpooler;

namespace kwctl {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kDiffers = 1;        // diff: the files differ; send: some queue failed
inline constexpr int kUsage = 2;          // bad command line, or a file that cannot be used
inline constexpr int kNothingToSend = 3;  // --all: no usable queue of the model

// Where results and errors go, as UTF-8.
class Output {
public:
    virtual ~Output() = default;
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
    // Flushes the results; false, with the reason, when some of them could not be written.
    virtual bool Finish(std::string& reason) {
        (void)reason;
        return true;
    }
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
    // Set by a command once a job went to some queue: a failure after that is no longer
    // "nothing was sent".
    bool sent = false;
};

}  // namespace kwctl
