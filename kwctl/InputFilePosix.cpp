#include "kwctl/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kwctl/SystemError.h"

namespace kwctl {
namespace {

std::string KindName(mode_t mode) {
    if (S_ISDIR(mode)) return "is a folder, not a file";
    if (S_ISFIFO(mode)) return "is a FIFO, not a file";
    if (S_ISSOCK(mode)) return "is a socket, not a file";
    return "is a device, not a file";
}

bool FolderExists(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

InputFile::InputFile(const FilePath& path) {
    // Without O_NONBLOCK the open of a FIFO would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT && FolderExists(path)) {
            m_status = Status::Missing;
        } else {
            m_error = error == ENOENT ? "its folder does not exist" : SystemErrorText(error);
        }
        return;
    }
    m_file = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        m_error = SystemErrorText(errno);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        m_error = KindName(info.st_mode);
        return;
    }
    m_status = Status::Open;
}

InputFile::~InputFile() {
    if (m_file >= 0) ::close(m_file);
}

bool InputFile::Size(std::uint64_t& size, bool betweenAppends) {
    // A read lock on the appenders' byte waits for an append under way.
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(kAppendLockOffset);
    lock.l_len = 1;
    const bool locked = betweenAppends && ::fcntl(m_file, F_SETLKW, &lock) == 0;
    struct stat info {};
    const bool ok = ::fstat(m_file, &info) == 0;
    if (!ok) m_error = SystemErrorText(errno);
    if (locked) {
        lock.l_type = F_UNLCK;
        ::fcntl(m_file, F_SETLK, &lock);
    }
    size = ok ? static_cast<std::uint64_t>(info.st_size) : 0;
    return ok;
}

bool InputFile::ReadAt(std::uint64_t offset, char* data, std::size_t size, std::size_t& got) {
    ssize_t read = 0;
    do {
        read = ::pread(m_file, data, size, static_cast<off_t>(offset));
    } while (read < 0 && errno == EINTR);
    if (read < 0) {
        m_error = SystemErrorText(errno);
        got = 0;
        return false;
    }
    got = static_cast<std::size_t>(read);
    return true;
}

}  // namespace kwctl
