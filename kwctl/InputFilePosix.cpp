#include "kwctl/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "kwctl/SystemError.h"

namespace kwctl {
namespace {

bool FolderExists(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A file as the system knows it, through any name.
using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> IdOf(const FilePath& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileId(info.st_dev, info.st_ino);
}

// Why `path`, which open() did not find, cannot be taken for a file that is not there yet.
std::string NotFound(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) return "is a link to a file that does not exist";
    return FolderExists(path) ? "" : "its folder does not exist";
}

}  // namespace

AppendLock::AppendLock(FileHandle file, bool exclusive) : m_file(file) {
    struct flock lock {};
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(kAppendLockOffset);
    lock.l_len = 1;
    m_held = ::fcntl(m_file, F_SETLKW, &lock) == 0;
}

AppendLock::~AppendLock() {
    if (!m_held) return;
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(kAppendLockOffset);
    lock.l_len = 1;
    ::fcntl(m_file, F_SETLK, &lock);
}

std::string NotARegularFile(FileHandle file) {
    struct stat info {};
    if (::fstat(file, &info) != 0) return SystemErrorText(errno);
    if (S_ISREG(info.st_mode)) return "";
    if (S_ISDIR(info.st_mode)) return "is a folder, not a file";
    if (S_ISFIFO(info.st_mode)) return "is a FIFO, not a file";
    if (S_ISSOCK(info.st_mode)) return "is a socket, not a file";
    return "is a device, not a file";
}

bool SameFile(const FilePath& a, const FilePath& b) {
    const std::optional<FileId> first = IdOf(a);
    const std::optional<FileId> second = IdOf(b);
    if (first || second) return first == second;
    // Neither is there yet: one name in one folder.
    const auto split = [](const FilePath& path) {
        const std::size_t slash = path.rfind('/');
        if (slash == FilePath::npos) return std::pair<FilePath, FilePath>(".", path);
        return std::pair(path.substr(0, slash + 1), path.substr(slash + 1));
    };
    const auto [aFolder, aName] = split(a);
    const auto [bFolder, bName] = split(b);
    const std::optional<FileId> folder = IdOf(aFolder);
    return aName == bName && folder && folder == IdOf(bFolder);
}

InputFile::InputFile(const FilePath& path) {
    // Without O_NONBLOCK the open of a FIFO would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        m_error = error == ENOENT ? NotFound(path) : SystemErrorText(error);
        if (m_error.empty()) m_status = Status::Missing;
        return;
    }
    m_file = fd;
    m_error = NotARegularFile(fd);
    if (m_error.empty()) m_status = Status::Open;
}

InputFile::~InputFile() {
    if (m_file >= 0) ::close(m_file);
}

bool InputFile::Size(std::uint64_t& size, bool betweenAppends) {
    std::optional<AppendLock> lock;
    if (betweenAppends) lock.emplace(m_file, false);  // waits for an append under way
    struct stat info {};
    const bool ok = ::fstat(m_file, &info) == 0;
    if (!ok) m_error = SystemErrorText(errno);
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
