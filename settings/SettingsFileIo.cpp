#include "settings/SettingsFileIo.h"

#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "settings/SettingsFile.h"

namespace {

SaveResult ResultOf(DWORD error) {
    return error == ERROR_ACCESS_DENIED ? SaveResult::AccessDenied : SaveResult::Failed;
}

// The target must be writable as it stands, or the move would replace what the system
// protects. Windows refuses to write a read-only file, but Wine run by root writes and
// renames over one, so the attribute is tested here. Opening the file for writing, without
// truncating it, then finds files that are in use or closed to this user.
DWORD CheckTarget(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        return ERROR_ACCESS_DENIED;
    }
    UniqueFile target(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return target ? ERROR_SUCCESS : ::GetLastError();
}

// Creates a new, empty temporary file beside the target; its name is the target's with a
// suffix, so it lands in the same folder and on the same volume.
UniqueFile CreateTemporary(const std::wstring& path, std::wstring& temporary) {
    for (int n = 0; n < 100; ++n) {
        temporary = path + L".~kw" + std::to_wstring(n);
        UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return UniqueFile();
}

// Writes the whole image and flushes it to disk; false on any short or failed write.
bool WriteAndFlush(HANDLE file, const SettingsFileImage& image) {
    DWORD written = 0;
    if (!::WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written, nullptr)) {
        return false;
    }
    if (written != image.size()) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return ::FlushFileBuffers(file) != FALSE;
}

// Removes the temporary file of a failed save; `error` is what made the save fail.
SaveResult Abandon(const std::wstring& temporary, DWORD error) {
    // Nothing more can be done when this fails too; the save has failed already.
    ::DeleteFileW(temporary.c_str());
    return ResultOf(error);
}

}  // namespace

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

SaveResult WriteSettingsFile(const std::wstring& path, const SettingsRecord& record) {
    if (const DWORD error = CheckTarget(path); error != ERROR_SUCCESS) return ResultOf(error);

    std::wstring temporary;
    UniqueFile file = CreateTemporary(path, temporary);
    if (!file) return ResultOf(::GetLastError());
    if (!WriteAndFlush(file.get(), EncodeSettingsFile(record))) {
        const DWORD error = ::GetLastError();
        file.reset();
        return Abandon(temporary, error);
    }
    if (!::CloseHandle(file.release())) return Abandon(temporary, ::GetLastError());

    if (!::MoveFileExW(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Abandon(temporary, ::GetLastError());
    }
    return SaveResult::Saved;
}
