// Settings files on disk.
#pragma once

#include <string>

#include "settings/SettingsRecord.h"

// Reads the record of the settings file at `path`. False, with `record` untouched, when the
// file cannot be opened or is no settings file. Only the first 199 bytes are read.
bool ReadSettingsFile(const std::wstring& path, SettingsRecord& record);

enum class SaveResult {
    Saved,
    AccessDenied,  // the system refused access (ERROR_ACCESS_DENIED)
    Failed,        // any other failure
};

// Replaces the file at `path` with the settings file of `record`. The new file is written and
// flushed beside the target, then takes the target's place, keeping its attributes; so the
// target is either left as it was or is exactly the new 199 bytes, and nothing of a failed
// save is left behind. A file that another program holds open fails.
SaveResult WriteSettingsFile(const std::wstring& path, const SettingsRecord& record);
