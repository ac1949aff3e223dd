// Settings files on disk.
#pragma once

#include <string>

#include "settings/SettingsRecord.h"

// A file name as the system takes it: UTF-16 on Windows; elsewhere the bytes as given, never
// re-encoded, since a name there need not be valid UTF-8.
#ifdef _WIN32
using FilePath = std::wstring;
#else
using FilePath = std::string;
#endif

// Reads the record of the settings file at `path`. False, with `record` untouched, when the
// file cannot be opened or is no settings file. Only the first 199 bytes are read.
bool ReadSettingsFile(const FilePath& path, SettingsRecord& record);

enum class SaveResult {
    Saved,
    AccessDenied,  // the system refused access (ERROR_ACCESS_DENIED)
    Failed,        // any other failure
};

// Replaces the file at `path` with the settings file of `record`. The new file is written and
// flushed beside the target, then takes the target's place, keeping its attributes; so the
// target is either left as it was or is exactly the new 199 bytes, and nothing of a failed
// save is left behind. A file that another program holds open fails. Should the system take
// the old file away and then refuse both it and the new one their way back under the target's
// name, the two stay beside it under the names the save gave them, rather than be lost.
SaveResult WriteSettingsFile(const FilePath& path, const SettingsRecord& record);
