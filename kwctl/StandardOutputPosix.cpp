#include "kwctl/StandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <initializer_list>

#include "kwctl/SystemError.h"

namespace kwctl {

StandardOutput::StandardOutput() {
    // A closed stdout or stderr gets /dev/null, so that no file kwctl opens takes its number
    // and receives its text; stdout counts as failed from the start.
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        if (fd == STDOUT_FILENO) {
            m_failed = true;
            m_error = EBADF;
        }
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

void StandardOutput::Out(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() || m_failed) return;
    m_failed = true;
    m_error = errno ? errno : EIO;
}

void StandardOutput::Err(std::string_view text) {
    // The results so far first, so that both keep their order on a terminal.
    errno = 0;
    if (std::fflush(stdout) != 0 && !m_failed) {
        m_failed = true;
        m_error = errno ? errno : EIO;
    }
    // Nowhere to report a failure of stderr itself.
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool StandardOutput::Finish(std::string& reason) {
    errno = 0;
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && !m_failed) {
        m_failed = true;
        m_error = errno ? errno : EIO;
    }
    if (m_failed) reason = SystemErrorText(m_error);
    return !m_failed;
}

}  // namespace kwctl
