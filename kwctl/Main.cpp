// kwctl's entry point: arguments in, results to stdout, errors to stderr.
#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

#include <exception>
#include <string>
#include <vector>

#include "kwctl/Kwctl.h"
#include "kwctl/StandardOutput.h"
#include "settings/Utf8.h"

namespace {

// Runs the command line; an exception that nothing else caught ends the run with its message and
// exit status 2 (1 once a job was sent), never with an abort.
int Guarded(const std::vector<std::string>& args, kwctl::Output& output) {
    kwctl::Environment env{output};
    try {
        return kwctl::Run(args, env);
    } catch (const std::exception& e) {
        output.Err(std::string("kwctl: ") + e.what() + "\n");
    } catch (...) {
        output.Err("kwctl: an unexpected error ended the command\n");
    }
    return env.sent ? kwctl::kDiffers : kwctl::kUsage;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    kwctl::StandardOutput output;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(ToUtf8(argv[i]));
        // kwctl holds its arguments as UTF-8, which has no form for half of a surrogate pair:
        // such a name would become another one.
        if (HasLoneSurrogate(argv[i])) {
            output.Err("kwctl: argument " + std::to_string(i) + " (\"" + args.back() +
                       "\") holds half of a UTF-16 surrogate pair; no name with it can be used\n");
            return kwctl::kUsage;
        }
    }
    return Guarded(args, output);
}
#else
// The arguments stay the bytes given: a name need not be UTF-8.
int main(int argc, char** argv) {
    // A reader that went away is a failed write to report, not a signal that ends kwctl unheard.
    std::signal(SIGPIPE, SIG_IGN);
    kwctl::StandardOutput output;
    return Guarded(std::vector<std::string>(argv + 1, argv + argc), output);
}
#endif
