#include "kwctl/SystemError.h"

#include <cstring>

namespace kwctl {

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

}  // namespace kwctl
