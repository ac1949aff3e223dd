#include "app/HelpFile.h"

#include "framework/Handles.h"

namespace {

bool UsesWinHelp(const OsVersion& version) {
    switch (version.platformId) {
        case VER_PLATFORM_WIN32_WINDOWS:
            return version.major < 5 && version.minor < 10;  // Windows 95
        case VER_PLATFORM_WIN32_NT:
            return version.major < 5;  // NT 4.0 and older
        default:
            return false;
    }
}

}  // namespace

HelpFileChoice ChooseHelpFile(const OsVersion& version, const std::wstring& folder) {
    if (UsesWinHelp(version)) return {folder + kWinHelpFileName, 0};
    return {folder + kHtmlHelpFileName, 1};
}

bool HelpFileExists(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle find(::FindFirstFileW(path.c_str(), &data));
    return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
