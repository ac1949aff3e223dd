#include "kwctl/Host.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace kwctl {

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        return found->pw_name;
    }
    return std::to_string(::geteuid());
}

std::string ComputerName() {
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) return {};
    return name;
}

}  // namespace kwctl
