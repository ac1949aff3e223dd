#include "kwctl/LogAppender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kwctl/SystemError.h"

namespace kwctl {

LogAppender::LogAppender(const FilePath& path) {
    // O_NONBLOCK: the open of a FIFO does not wait for a reader; it is refused below.
    constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
    // A log that may be appended to but not read: no look at its end.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
    if (fd < 0) {
        m_error = "cannot be opened for appending: " + SystemErrorText(errno);
        return;
    }
    m_file = fd;
    if (!NotARegularFile(fd).empty()) m_error = "is not a regular file";
}

LogAppender::~LogAppender() {
    if (m_file >= 0) ::close(m_file);
}

bool LogAppender::EndsInsideALine() {
    struct stat info {};
    char byte = '\n';
    return ::fstat(m_file, &info) == 0 && info.st_size > 0 &&
           ::pread(m_file, &byte, 1, info.st_size - 1) == 1 && byte != '\n';
}

bool LogAppender::Write(const std::string& text) {
    ssize_t written = 0;
    do {
        written = ::write(m_file, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written == static_cast<ssize_t>(text.size())) return true;
    m_error = written < 0 ? "the line was not written: " + SystemErrorText(errno)
                          : std::string("the line was not written whole");
    return false;
}

}  // namespace kwctl
