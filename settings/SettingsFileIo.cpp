#include "settings/SettingsFileIo.h"

#include <windows.h>

#include "framework/Handles.h"
#include "settings/SettingsFile.h"

namespace {

SaveResult ResultOf(DWORD error) {
    return error == ERROR_ACCESS_DENIED ? SaveResult::AccessDenied : SaveResult::Failed;
}

// The folder of `path`, up to and without its last separator; "." for a bare file name.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L".";
    if (slash == 0 || (slash == 2 && path[1] == L':'))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
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
    if (!file)
        return false;

    SettingsFileImage image{};
    DWORD total = 0;
    while (total < image.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), image.data() + total, static_cast<DWORD>(image.size() - total),
                        &got, nullptr)) {
            return false;
        }
        if (got == 0)
            break;  // end of file
        total += got;
    }

    const auto decoded = DecodeSettingsFile(std::span(image.data(), total));
    if (!decoded)
        return false;
    record = *decoded;
    return true;
}

SaveResult WriteSettingsFile(const std::wstring& path, const SettingsRecord& record) {
    // The temporary file must be in the target's folder so that the final move is a rename
    // on the same volume. GetTempFileNameW creates it, empty.
    wchar_t temporaryBuffer[MAX_PATH] = {};
    if (!::GetTempFileNameW(FolderOf(path).c_str(), L"kws", 0, temporaryBuffer)) {
        return ResultOf(::GetLastError());
    }
    const std::wstring temporary = temporaryBuffer;

    UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Abandon(temporary, ::GetLastError());
    if (!WriteAndFlush(file.get(), EncodeSettingsFile(record))) {
        const DWORD error = ::GetLastError();
        file.reset();
        return Abandon(temporary, error);
    }
    if (!::CloseHandle(file.release()))
        return Abandon(temporary, ::GetLastError());

    if (!::MoveFileExW(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Abandon(temporary, ::GetLastError());
    }
    return SaveResult::Saved;
}
