#include "kwctl/StandardOutput.h"

#include <windows.h>

#include <algorithm>

#include "kwctl/SystemError.h"
#include "settings/Utf8.h"

namespace kwctl {
namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode);
}

// Writes all of `text`; the system's error code, or 0. A console gets UTF-16 through
// WriteConsoleW, so that Japanese shows whatever its code page; a file or pipe gets the UTF-8
// bytes.
DWORD Write(HANDLE handle, std::string_view text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    if (IsConsole(handle)) {
        const std::wstring wide = FromUtf8(text);
        for (std::size_t at = 0; at < wide.size();) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 8192));
            DWORD written = 0;
            if (!::WriteConsoleW(handle, wide.data() + at, chunk, &written, nullptr)) {
                return ::GetLastError();
            }
            if (written == 0) return ERROR_WRITE_FAULT;
            at += written;
        }
        return 0;
    }
    for (std::size_t at = 0; at < text.size();) {
        DWORD written = 0;
        if (!::WriteFile(handle, text.data() + at, static_cast<DWORD>(text.size() - at), &written,
                         nullptr)) {
            return ::GetLastError();
        }
        if (written == 0) return ERROR_WRITE_FAULT;
        at += written;
    }
    return 0;
}

}  // namespace

StandardOutput::StandardOutput()
    : m_out(::GetStdHandle(STD_OUTPUT_HANDLE)), m_err(::GetStdHandle(STD_ERROR_HANDLE)) {}

void StandardOutput::Out(std::string_view text) {
    if (text.empty()) return;
    const DWORD error = Write(m_out, text);
    if (error == 0 || m_failed) return;
    m_failed = true;
    m_error = error;
}

void StandardOutput::Err(std::string_view text) {
    // Nowhere to report a failure of stderr itself.
    if (!text.empty()) Write(m_err, text);
}

bool StandardOutput::Finish(std::string& reason) {
    if (m_failed) reason = SystemErrorText(m_error);
    return !m_failed;
}

}  // namespace kwctl
