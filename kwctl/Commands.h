// The rows of kwctl's command table, each defined beside its command's code.
#pragma once

#include "kwctl/Command.h"

namespace kwctl {

extern const Command kShowCommand;
extern const Command kDiffCommand;
extern const Command kNewCommand;
extern const Command kSetCommand;
extern const Command kKeysCommand;
extern const Command kLogCommand;
extern const Command kPlanCommand;
extern const Command kReportCommand;
#ifdef _WIN32
extern const Command kPrintersCommand;
extern const Command kSendCommand;
#endif

}  // namespace kwctl
