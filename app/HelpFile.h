// Which help file the program offers, by Windows family and version.
#pragma once

#include <string>

#include "framework/Platform.h"

struct HelpFileChoice {
    std::wstring path;
    int bHtmlHelp;  // 1: compiled HTML help (HTML Help), 0: WinHelp file
};

inline constexpr wchar_t kWinHelpFileName[] = L"ksw4qz.hlp";
inline constexpr wchar_t kHtmlHelpFileName[] = L"ksw4qz.chm";

// `folder` is the program's folder with its trailing backslash. Windows 95 and NT 4.0 or
// older get the WinHelp file, every other system the compiled HTML help file.
HelpFileChoice ChooseHelpFile(const OsVersion& version, const std::wstring& folder);

// True when a file (not a folder) is found at `path`.
bool HelpFileExists(const std::wstring& path);
