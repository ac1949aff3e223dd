#include "kwctl/LogAppender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kwctl/InputFile.h"
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
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        m_error = "is not a regular file";
        return;
    }
    char byte = 0;
    if (info.st_size > 0 && ::pread(fd, &byte, 1, info.st_size - 1) == 1 && byte != '\n') {
        m_startOnNewLine = true;
    }
}

LogAppender::~LogAppender() {
    if (m_file >= 0) ::close(m_file);
}

bool LogAppender::AppendText(const std::string& text) {
    // A write lock on the appenders' byte: readers wait for the line to be whole.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(kAppendLockOffset);
    lock.l_len = 1;
    const bool locked = ::fcntl(m_file, F_SETLKW, &lock) == 0;
    ssize_t written = 0;
    do {
        written = ::write(m_file, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    const int error = errno;
    if (locked) {
        lock.l_type = F_UNLCK;
        ::fcntl(m_file, F_SETLK, &lock);
    }
    if (written != static_cast<ssize_t>(text.size())) {
        m_error = written < 0 ? "the line was not written: " + SystemErrorText(error)
                              : std::string("the line was not written whole");
        return false;
    }
    return true;
}

}  // namespace kwctl
