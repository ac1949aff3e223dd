// Words for the system's error codes, for kwctl's messages.
#pragma once

#include <string>

namespace kwctl {

// GetLastError() on Windows, errno elsewhere: "its folder does not exist", "access is denied".
std::string SystemErrorText(unsigned long code);

}  // namespace kwctl
