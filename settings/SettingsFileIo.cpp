#include "settings/SettingsFileIo.h"

#include <windows.h>

#include <optional>
#include <string>

#include "framework/Handles.h"
#include "settings/FileReplaceCalls.h"
#include "settings/SettingsFile.h"
#include "settings/ShortName.h"

namespace {

FileReplaceCalls g_calls;

SaveResult ResultOf(DWORD error) {
    return error == ERROR_ACCESS_DENIED ? SaveResult::AccessDenied : SaveResult::Failed;
}

// What an error means for a save; access is denied by the folder where a new file is made, and
// by the file where the target is opened or replaced.
SaveProblem ProblemOf(DWORD error, bool inFolder) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return inFolder ? SaveProblem::FolderNotWritable : SaveProblem::FileAccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return SaveProblem::InUse;
        case ERROR_PATH_NOT_FOUND:
            return SaveProblem::FolderMissing;
        case ERROR_WRITE_PROTECT:
            return SaveProblem::ReadOnlyDisk;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return SaveProblem::DiskFull;
        default:
            return SaveProblem::Other;
    }
}

SaveResult Fail(SaveDetail& detail, DWORD error, SaveProblem problem) {
    detail.problem = problem;
    detail.systemError = error;
    return ResultOf(error);
}


// The target must be writable as it stands, or the replace would remove what the system
// protects. Windows refuses to write a read-only file, but Wine run by root writes and
// renames over one, so the attribute is tested here. Opening the file for writing and with the
// right to delete it, as its replacement needs, without truncating it, then finds files that
// are in use or closed to this user (Wine's ReplaceFileW would leave a stray file behind when
// it cannot move the target away). `attributes` are the target's, or INVALID_FILE_ATTRIBUTES
// when there is none yet. The result is the refusal, or nothing for a target that may be
// replaced.
std::optional<SaveResult> CheckTarget(const std::wstring& path, DWORD& attributes,
                                      SaveDetail& detail) {
    attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;
        return Fail(detail, error, ProblemOf(error, true));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return Fail(detail, ERROR_ACCESS_DENIED, SaveProblem::NotAFile);
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return Fail(detail, ERROR_ACCESS_DENIED, SaveProblem::ReadOnlyFile);
    }
    UniqueFile target(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (target) return std::nullopt;
    const DWORD error = ::GetLastError();
    return Fail(detail, error, ProblemOf(error, false));
}

// The n-th short name in the target's folder, so that the file lands on the same volume. It is
// no longer than the target's own name, which keeps its path within MAX_PATH whenever the
// target's is. Empty when there is no n-th name.
std::wstring NameBeside(const std::wstring& target, std::size_t n) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    const std::string name = ShortName(n, target.size() - start);
    if (name.empty()) return std::wstring();
    return target.substr(0, start) + std::wstring(name.begin(), name.end());
}

// Creates a new, empty temporary file beside the target.
UniqueFile CreateTemporary(const std::wstring& target, std::wstring& temporary) {
    for (std::size_t n = 0; n < 100; ++n) {
        temporary = NameBeside(target, n);
        if (temporary.empty()) break;
        UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return UniqueFile();
}

// Writes all the bytes and flushes them to disk; false on any short or failed write.
bool WriteAndFlush(HANDLE file, std::span<const std::uint8_t> bytes) {
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return false;
    }
    if (written != bytes.size()) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return ::FlushFileBuffers(file) != FALSE;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// True only when the system says that nothing has the name; a name it cannot tell about counts
// as taken, so that nothing is deleted or moved on a guess.
bool IsFree(const std::wstring& path) {
    if (Exists(path)) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A name beside the target that nothing has yet, for the replaced file to take while the new
// one moves in.
std::wstring FreeBackupName(const std::wstring& target, const std::wstring& temporary) {
    for (std::size_t n = 0; n < 100; ++n) {
        std::wstring name = NameBeside(target, n);
        if (name.empty() || (name != temporary && IsFree(name))) return name;
    }
    return std::wstring();
}

struct SaveNames {
    std::wstring target;
    std::wstring temporary;  // the new file, written and flushed
    std::wstring backup;     // the replaced file's name while the new one moves in
};

bool Move(const std::wstring& from, const std::wstring& to) {
    // Never over an existing file: whatever holds the name stays.
    return g_calls.moveFileEx(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Deletes a file of the save that is no longer needed; one that cannot be deleted stays.
void Discard(const std::wstring& path) {
    if (!path.empty() && !IsFree(path)) g_calls.deleteFile(path.c_str());
}

// After a failed replace, the target's name gets back the old file, or else the new one; which
// name holds what is looked at rather than taken from the error, since the system documents
// different states for the same errors with and without a backup name. A file is deleted only
// while the target's name holds the old or the new content; when neither can be put back, both
// stay under their own names. ERROR_SUCCESS when the new file is in place after all.
DWORD Recover(const SaveNames& names, DWORD error) {
    if (!IsFree(names.target)) {
        // The replaced file kept its name (1175, 1176 with a backup name, any other error), or the
        // new one took it before the replace failed.
        const bool moved = IsFree(names.temporary);
        Discard(names.temporary);
        Discard(names.backup);  // at most a copy of the file that still has the target's name
        return moved ? ERROR_SUCCESS : error;
    }
    // The target's name is empty: the replaced file is under the backup name (1177) or gone
    // (1176 without a backup name).
    if (!IsFree(names.backup) && Move(names.backup, names.target)) {
        Discard(names.temporary);
        return error;
    }
    if (Move(names.temporary, names.target)) {
        Discard(names.backup);
        return ERROR_SUCCESS;
    }
    return error;
}

// Puts the written temporary file in the target's place. An existing target is replaced, which
// keeps its security and short name; a new one is the temporary file renamed.
DWORD PutInPlace(const SaveNames& names, DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (Move(names.temporary, names.target)) return ERROR_SUCCESS;
        const DWORD error = ::GetLastError();
        Discard(names.temporary);  // there was no old file; the new one is still in memory
        return error;
    }
    if (g_calls.replaceFile(names.target.c_str(), names.temporary.c_str(),
                            names.backup.empty() ? nullptr : names.backup.c_str(),
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        Discard(names.backup);
    } else if (const DWORD error = Recover(names, ::GetLastError()); error != ERROR_SUCCESS) {
        return error;
    }
    // The file is saved even when this fails.
    if (const auto set = AttributesToSet(attributes, ::GetFileAttributesW(names.target.c_str()))) {
        ::SetFileAttributesW(names.target.c_str(), *set);
    }
    return ERROR_SUCCESS;
}

// Removes the temporary file of a save that failed before the target was touched; `error` is
// what made the save fail.
SaveResult Abandon(const std::wstring& temporary, DWORD error, SaveDetail& detail) {
    // Nothing more can be done when this fails too; the save has failed already.
    g_calls.deleteFile(temporary.c_str());
    return Fail(detail, error, ProblemOf(error, true));
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

bool ReadSettingsFile(const std::wstring& path, SettingsRecord& record) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;

    SettingsFileImage image{};
    DWORD total = 0;
    while (total < image.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), image.data() + total, static_cast<DWORD>(image.size() - total),
                        &got, nullptr)) {
            return false;
        }
        if (got == 0) break;  // end of file
        total += got;
    }

    const auto decoded = DecodeSettingsFile(std::span(image.data(), total));
    if (!decoded) return false;
    record = *decoded;
    return true;
}

SaveResult WriteSettingsFile(const std::wstring& path, const SettingsRecord& record,
                             SaveDetail* detail) {
    const SettingsFileImage image = EncodeSettingsFile(record);
    return WriteWholeFile(path, image, detail);
}

SaveResult WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes,
                          SaveDetail* detail) {
    SaveDetail unused;
    SaveDetail& d = detail ? *detail : unused;
    d = SaveDetail{};
    // ReplaceFileW wants full paths (Wine refuses relative ones), and the temporary file must
    // land in the target's folder whatever the current folder is.
    const std::wstring target = FullPath(path);
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (const auto refused = CheckTarget(target, attributes, d)) return *refused;

    std::wstring temporary;
    UniqueFile file = CreateTemporary(target, temporary);
    if (!file) {
        const DWORD error = ::GetLastError();
        return Fail(d, error, ProblemOf(error, true));
    }
    if (!WriteAndFlush(file.get(), bytes)) {
        const DWORD error = ::GetLastError();
        file.reset();
        return Abandon(temporary, error, d);
    }
    if (!::CloseHandle(file.release())) return Abandon(temporary, ::GetLastError(), d);

    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    const SaveNames names{target, temporary,
                          replacing ? FreeBackupName(target, temporary) : std::wstring()};
    const DWORD error = PutInPlace(names, attributes);
    // Files of the save that are still there: what could not go back, or not be deleted.
    if (!IsFree(names.temporary)) d.keptNew = names.temporary;
    if (!names.backup.empty() && !IsFree(names.backup)) d.keptOld = names.backup;
    if (error == ERROR_SUCCESS) return SaveResult::Saved;
    return Fail(
        d, error,
        IsFree(target) && replacing ? SaveProblem::NotPutBack : ProblemOf(error, !replacing));
}

std::optional<DWORD> AttributesToSet(DWORD replaced, DWORD current) {
    // Windows carries the replaced file's attributes over, Wine does not, nor does a move after
    // a failed replace. Hidden, system and "not content indexed" are the user's choices for the
    // file, which a new content does not change; the new content marks the file for backup, as
    // any write does. Everything else stays as the file has it now, and a file that has all of
    // these already is not touched.
    constexpr DWORD kCarried =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (current == INVALID_FILE_ATTRIBUTES) current = 0;
    const DWORD wanted = (replaced & kCarried) | FILE_ATTRIBUTE_ARCHIVE;
    if ((current & wanted) == wanted) return std::nullopt;
    return (current & kSettable) | wanted;
}

const FileReplaceCalls ScopedFileReplaceCallsForTesting::kReal{};

ScopedFileReplaceCallsForTesting::ScopedFileReplaceCallsForTesting(FileReplaceCalls calls)
    : m_previous(g_calls) {
    g_calls = calls;
}

ScopedFileReplaceCallsForTesting::~ScopedFileReplaceCallsForTesting() {
    g_calls = m_previous;
}
