#include "kwctl/LogAppender.h"

#include <windows.h>

#include "kwctl/InputFile.h"
#include "kwctl/SystemError.h"

namespace kwctl {

LogAppender::LogAppender(const FilePath& path) {
    // Without FILE_WRITE_DATA every write goes to the end of the file as it is at that moment.
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = ::CreateFileW(
        path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        kShare, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        // A log that may be appended to but not read: no look at its end.
        file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, kShare, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        m_error = "cannot be opened for appending: " + SystemErrorText(::GetLastError());
        return;
    }
    m_file = file;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        m_error = "is a device or pipe, not a file";
        return;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart == 0) return;
    OVERLAPPED at{};
    const ULONGLONG last = static_cast<ULONGLONG>(size.QuadPart) - 1;
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char byte = 0;
    DWORD got = 0;
    if (::ReadFile(file, &byte, 1, &got, &at) && got == 1 && byte != '\n') {
        m_startOnNewLine = true;
    }
}

LogAppender::~LogAppender() {
    if (m_file) ::CloseHandle(m_file);
}

bool LogAppender::AppendText(const std::string& text) {
    // Windows puts each write through a handle without FILE_WRITE_DATA at the end as one piece.
    // Wine 8 finds the end and then writes, so two processes can write over each other's lines;
    // the lock on the appenders' byte makes the appends of all kwctl processes take turns, and
    // readers wait for it. Where no lock can be had (no read access) the write goes on without.
    OVERLAPPED lockAt{};
    lockAt.Offset = static_cast<DWORD>(kAppendLockOffset);
    lockAt.OffsetHigh = static_cast<DWORD>(kAppendLockOffset >> 32);
    const bool locked = ::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt);
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    const DWORD error = ::GetLastError();
    if (locked) ::UnlockFileEx(m_file, 0, 1, 0, &lockAt);
    if (!ok || written != text.size()) {
        m_error = "the line was not written whole: " + SystemErrorText(ok ? ERROR_DISK_FULL : error);
        return false;
    }
    return true;
}

}  // namespace kwctl
