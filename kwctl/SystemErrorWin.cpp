#include "kwctl/SystemError.h"

#include <windows.h>

namespace kwctl {

std::string SystemErrorText(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return "no such file";
        case ERROR_PATH_NOT_FOUND:
            return "its folder does not exist";
        case ERROR_BAD_NETPATH:
            return "the network path was not found";
        case ERROR_BAD_NET_NAME:
            return "the share was not found";
        case ERROR_NETNAME_DELETED:
            return "the share is no longer reachable";
        case ERROR_ACCESS_DENIED:
            return "access is denied";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "another program holds it";
        case ERROR_INVALID_NAME:
            return "the name is not valid";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "the disk is full";
        case ERROR_NO_DATA:
        case ERROR_BROKEN_PIPE:
            return "the pipe was closed";
        default:
            return "system error " + std::to_string(code);
    }
}

}  // namespace kwctl
