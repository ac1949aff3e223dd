// Who runs kwctl, and where: the user and computer that a log entry names.
#pragma once

#include <string>

namespace kwctl {

std::string UserName();
std::string ComputerName();

}  // namespace kwctl
