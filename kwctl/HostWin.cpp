#include "kwctl/Host.h"

#include <windows.h>

#include "settings/Utf8.h"

namespace kwctl {

std::string UserName() {
    wchar_t name[257];
    DWORD size = 257;
    return ::GetUserNameW(name, &size) ? ToUtf8(name) : std::string();
}

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? ToUtf8(name) : std::string();
}

}  // namespace kwctl
