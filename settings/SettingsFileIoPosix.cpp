// Settings files on disk where there is no Windows: the same contract as on Windows, with a
// temporary file beside the target that is flushed and then renamed over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <string>

#include "settings/SettingsFile.h"
#include "settings/SettingsFileIo.h"
#include "settings/ShortName.h"

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and tells whether the close succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

SaveResult ResultOf(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? SaveResult::AccessDenied
                                                               : SaveResult::Failed;
}

// What an error means for a save; access is denied by the folder where a new file is made or
// renamed.
SaveProblem ProblemOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return SaveProblem::FolderNotWritable;
        case ENOENT:
        case ENOTDIR:
            return SaveProblem::FolderMissing;
        case ETXTBSY:
            return SaveProblem::InUse;
        case EROFS:
            return SaveProblem::ReadOnlyDisk;
        case ENOSPC:
        case EDQUOT:
            return SaveProblem::DiskFull;
        default:
            return SaveProblem::Other;
    }
}

SaveResult Fail(SaveDetail& detail, int error, SaveProblem problem) {
    detail.problem = problem;
    detail.systemError = static_cast<unsigned long>(error);
    return ResultOf(error);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

SaveResult Abandon(const std::string& temporary, int error, SaveDetail& detail) {
    ::unlink(temporary.c_str());  // the save has failed already
    return Fail(detail, error, ProblemOf(error));
}

// The name that `path` leads to through its symbolic links, so that a save writes the file a
// link points to and leaves the link as it is. A link to nothing yet leads to the name it holds.
std::optional<std::string> FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char text[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), text, sizeof(text));
        if (length < 0) return std::nullopt;
        if (length == 0 || static_cast<std::size_t>(length) >= sizeof(text)) {
            errno = length == 0 ? ENOENT : ENAMETOOLONG;
            return std::nullopt;
        }
        const std::string link(text, static_cast<std::size_t>(length));
        // A relative link is relative to the folder that holds it.
        const std::size_t slash = path.rfind('/');
        path = link.front() == '/' || slash == std::string::npos ? link
                                                                 : path.substr(0, slash + 1) + link;
    }
    errno = ELOOP;
    return std::nullopt;
}

}  // namespace

bool ReadSettingsFile(const FilePath& path, SettingsRecord& record) {
    // Only a regular file can be a settings file. Anything else is refused before it is opened,
    // and again once open, since the name may have changed hands in between; the open does not
    // wait for the other end of a FIFO.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    SettingsFileImage image{};
    std::size_t total = 0;
    while (total < image.size()) {
        const ssize_t n = ::read(file.get(), image.data() + total, image.size() - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    const auto decoded = DecodeSettingsFile(std::span(image.data(), total));
    if (!decoded) return false;
    record = *decoded;
    return true;
}

SaveResult WriteSettingsFile(const FilePath& path, const SettingsRecord& record,
                             SaveDetail* detail) {
    const SettingsFileImage image = EncodeSettingsFile(record);
    return WriteWholeFile(path, image, detail);
}

SaveResult WriteWholeFile(const FilePath& linkPath, std::span<const std::uint8_t> bytes,
                          SaveDetail* detail) {
    SaveDetail unused;
    SaveDetail& d = detail ? *detail : unused;
    d = SaveDetail{};
    const std::optional<std::string> resolved = FollowLinks(linkPath);
    if (!resolved) return Fail(d, errno, ProblemOf(errno));
    const std::string& path = *resolved;

    // A target that exists must be a writable file; the new one keeps its permissions.
    mode_t mode = 0644;
    struct stat target;
    if (::stat(path.c_str(), &target) == 0) {
        if (!S_ISREG(target.st_mode)) return Fail(d, EACCES, SaveProblem::NotAFile);
        if (::access(path.c_str(), W_OK) != 0) {
            const int error = errno;
            return Fail(d, error,
                        error == EROFS    ? SaveProblem::ReadOnlyDisk
                        : error == EACCES ? SaveProblem::ReadOnlyFile
                                          : ProblemOf(error));
        }
        mode = target.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(d, errno, ProblemOf(errno));
    }

    std::string temporary;
    int fd = -1;
    // A short name beside the target, no longer than the target's own, so that it lands on the
    // same file system and within any length limit that the target's name keeps to.
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    for (std::size_t n = 0; n < 100 && fd < 0; ++n) {
        const std::string name = ShortName(n, path.size() - start);
        if (name.empty()) break;
        temporary = path.substr(0, start) + name;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return Fail(d, errno, ProblemOf(errno));
    }
    if (fd < 0) return Fail(d, EEXIST, SaveProblem::Other);
    Descriptor file(fd);
    if (!WriteAll(file.get(), bytes.data(), bytes.size()) || ::fchmod(file.get(), mode) != 0 ||
        ::fsync(file.get()) != 0) {
        const int error = errno;
        file.Close();
        return Abandon(temporary, error, d);
    }
    if (!file.Close()) return Abandon(temporary, errno, d);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return Abandon(temporary, errno, d);
    return SaveResult::Saved;
}
