#include "kwctl/LogAppender.h"

#include <windows.h>

#include "kwctl/SystemError.h"

namespace kwctl {

LogAppender::LogAppender(const FilePath& path) {
    // Without FILE_WRITE_DATA every write goes to the end of the file as it is at that moment.
    // Wine 8 finds the end and then writes, so two processes could write over each other's
    // lines; the lock on the appenders' byte makes the appends of all kwctl processes take
    // turns, and readers wait for it.
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = ::CreateFileW(
        path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        kShare, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        // A log that may be appended to but not read: no look at its end, and no lock.
        file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, kShare, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        m_error = "cannot be opened for appending: " + SystemErrorText(::GetLastError());
        return;
    }
    m_file = file;
    m_error = NotARegularFile(file);
}

LogAppender::~LogAppender() {
    if (m_file) ::CloseHandle(m_file);
}

bool LogAppender::EndsInsideALine() {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_file, &size) || size.QuadPart == 0) return false;
    OVERLAPPED at{};
    const ULONGLONG last = static_cast<ULONGLONG>(size.QuadPart) - 1;
    at.Offset = static_cast<DWORD>(last);
    at.OffsetHigh = static_cast<DWORD>(last >> 32);
    char byte = '\n';
    DWORD got = 0;
    return ::ReadFile(m_file, &byte, 1, &got, &at) && got == 1 && byte != '\n';
}

bool LogAppender::Write(const std::string& text) {
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (ok && written == text.size()) return true;
    m_error = "the line was not written whole: " +
              SystemErrorText(ok ? ERROR_DISK_FULL : ::GetLastError());
    return false;
}

}  // namespace kwctl
