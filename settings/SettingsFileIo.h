// Settings files on disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "settings/SettingsRecord.h"

// A file name as the system takes it: UTF-16 on Windows; elsewhere the bytes as given, never
// re-encoded, since a name there need not be valid UTF-8.
#ifdef _WIN32
using FilePath = std::wstring;
#else
using FilePath = std::string;
#endif

#ifdef _WIN32
// The full path of `path` as the system resolves it; `path` itself when it cannot.
std::wstring FullPath(const std::wstring& path);
#endif

// Reads the record of the settings file at `path`. False, with `record` untouched, when the
// file cannot be opened or is no settings file. Only the first 199 bytes are read.
bool ReadSettingsFile(const FilePath& path, SettingsRecord& record);

enum class SaveResult {
    Saved,
    AccessDenied,  // the system refused access (ERROR_ACCESS_DENIED)
    Failed,        // any other failure
};

// Why a save failed, for a caller that says more than the program's two messages.
enum class SaveProblem {
    None,
    ReadOnlyFile,       // the file is marked read-only, or its permissions refuse writing
    NotAFile,           // the name is a folder, or a device, FIFO or socket
    FileAccessDenied,   // the system refused this user the file
    FolderNotWritable,  // the folder takes no new file
    FolderMissing,
    InUse,         // another program holds the file
    ReadOnlyDisk,  // a write-protected disk or a read-only file system
    DiskFull,
    NotPutBack,  // the system took the old file away, and neither file could take its name
    Other,       // see the system's error code
};

struct SaveDetail {
    SaveProblem problem = SaveProblem::None;
    unsigned long systemError = 0;  // GetLastError() or errno of the failure
    // Files of the save left beside the target: the old content when it could not go back
    // under the target's name or its copy could not be deleted, and likewise the new one.
    FilePath keptOld;
    FilePath keptNew;
};

// The reason of a failed save in English, with the files it kept: "the file is read-only".
std::string SaveProblemText(const SaveDetail& detail);

// Replaces the file at `path` with the settings file of `record`. The new file is written and
// flushed beside the target, then takes the target's place, keeping its attributes; so the
// target is either left as it was or is exactly the new 199 bytes, and nothing of a failed
// save is left behind. A file that another program holds open fails. Should the system take
// the old file away and then refuse both it and the new one their way back under the target's
// name, the two stay beside it under the names the save gave them, rather than be lost.
// `detail`, when given, says why a save failed and which of its files it left.
SaveResult WriteSettingsFile(const FilePath& path, const SettingsRecord& record,
                             SaveDetail* detail = nullptr);

// The same for any bytes: the file at `path` is left as it was or holds exactly `bytes`.
SaveResult WriteWholeFile(const FilePath& path, std::span<const std::uint8_t> bytes,
                          SaveDetail* detail = nullptr);
