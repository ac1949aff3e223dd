#include "kwctl/Commands.h"

#include <span>

namespace kwctl {
namespace {

constexpr const Command* kCommands[] = {
    &kShowCommand,     &kDiffCommand, &kNewCommand, &kSetCommand, &kKeysCommand,
#ifdef _WIN32
    &kPrintersCommand, &kSendCommand,
#endif
    &kPlanCommand,     &kReportCommand, &kLogCommand,
};

}  // namespace

std::span<const Command* const> Commands() {
    return kCommands;
}

}  // namespace kwctl
