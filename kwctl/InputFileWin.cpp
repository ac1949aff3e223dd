#include "kwctl/InputFile.h"

#include <windows.h>

#include "kwctl/SystemError.h"

namespace kwctl {

InputFile::InputFile(const FilePath& path) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // The system's own code: the C runtime's ENOENT would not tell a missing file from a
        // missing folder or an unreachable share.
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (error == ERROR_FILE_NOT_FOUND) {
            m_status = Status::Missing;
        } else if (attributes != INVALID_FILE_ATTRIBUTES &&
                   (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            m_error = "is a folder, not a file";
        } else {
            m_error = SystemErrorText(error);
        }
        return;
    }
    m_file = file;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        m_error = "is a device or pipe, not a file";
        return;
    }
    m_status = Status::Open;
}

InputFile::~InputFile() {
    if (m_file) ::CloseHandle(m_file);
}

bool InputFile::Size(std::uint64_t& size, bool betweenAppends) {
    // A shared lock on the appenders' byte waits for an append under way.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(kAppendLockOffset);
    at.OffsetHigh = static_cast<DWORD>(kAppendLockOffset >> 32);
    const bool locked = betweenAppends && ::LockFileEx(m_file, 0, 0, 1, 0, &at);
    LARGE_INTEGER length{};
    const bool ok = ::GetFileSizeEx(m_file, &length);
    if (!ok) m_error = SystemErrorText(::GetLastError());
    if (locked) ::UnlockFileEx(m_file, 0, 1, 0, &at);
    size = ok ? static_cast<std::uint64_t>(length.QuadPart) : 0;
    return ok;
}

bool InputFile::ReadAt(std::uint64_t offset, char* data, std::size_t size, std::size_t& got) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!::ReadFile(m_file, data, chunk, &read, &at)) {
        const DWORD error = ::GetLastError();
        got = 0;
        if (error == ERROR_HANDLE_EOF) return true;
        m_error = SystemErrorText(error);
        return false;
    }
    got = read;
    return true;
}

}  // namespace kwctl
