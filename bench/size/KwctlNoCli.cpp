// kwctl's command line read by hand instead of by CLI11, for measuring what CLI11 adds to
// kwctl's size. Only the size build uses it: no help texts, no checks beyond the dispatch.
#include <string>
#include <vector>

#include "kwctl/Commands.h"

namespace kwctl {

int Run(const std::vector<std::string>& args, Environment& env) {
    if (args.empty()) return kUsage;
    const std::string& command = args[0];
    std::vector<std::string> positional;
    bool json = false, force = false;
#ifdef _WIN32
    SendOptions send;
#endif
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--force") {
            force = true;
#ifdef _WIN32
        } else if (args[i] == "--all") {
            send.all = true;
        } else if (args[i] == "--dry-run") {
            send.dryRun = true;
        } else if ((args[i] == "--printer" || args[i] == "-p") && i + 1 < args.size()) {
            send.printers.push_back(args[++i]);
#endif
        } else {
            positional.push_back(args[i]);
        }
    }
    const auto rest = [&](std::size_t from) {
        return std::vector<std::string>(positional.begin() + static_cast<long>(from),
                                        positional.end());
    };
    if (command == "show" && positional.size() == 1) return Show(positional[0], json, env.output);
    if (command == "diff" && positional.size() == 2)
        return Diff(positional[0], positional[1], json, env.output);
    if (command == "new" && !positional.empty())
        return New(positional[0], rest(1), force, env.output);
    if (command == "set" && positional.size() > 1) return Set(positional[0], rest(1), env.output);
    if (command == "keys") return Keys(json, env.output);
#ifdef _WIN32
    if (command == "printers") return Printers(json, env);
    if (command == "send" && positional.size() == 1) {
        send.file = positional[0];
        send.json = json;
        return Send(send, env);
    }
#endif
    env.output.Err("usage: kwctl show|diff|new|set|keys|printers|send ...\n");
    return kUsage;
}

}  // namespace kwctl
