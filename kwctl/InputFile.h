// A file opened for reading at any offset: a regular file only, never a FIFO, device or folder,
// so that reading it neither blocks nor goes on for ever.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/SettingsFileIo.h"

namespace kwctl {

// The byte that appends to a send log lock while they write, far past the end of any log.
inline constexpr std::uint64_t kAppendLockOffset = 0x7FFFFFFF00000000;

#ifdef _WIN32
using FileHandle = void*;
#else
using FileHandle = int;
#endif

// The lock on the appenders' byte of an open log, held for the object's life: exclusive while a
// line is appended, shared while a reader waits for the append under way. Not held where the
// system gives none (a log opened without read access).
class AppendLock {
public:
    AppendLock(FileHandle file, bool exclusive);
    ~AppendLock();
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

    bool Held() const { return m_held; }

private:
    FileHandle m_file;
    bool m_held = false;
};

// Why an open file is no regular file ("is a FIFO, not a file"); empty when it is one.
std::string NotARegularFile(FileHandle file);

// Whether the two names are one file (through links, other spellings or shares). False when
// either cannot be told, as for a name that does not exist yet.
bool SameFile(const FilePath& a, const FilePath& b);

class InputFile {
public:
    enum class Status {
        Open,
        Missing,  // no such file, in a folder that exists
        Refused,  // anything else: see Error()
    };

    explicit InputFile(const FilePath& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    Status State() const { return m_status; }
    // Why the file cannot be read: "its folder does not exist", "is a FIFO, not a file".
    const std::string& Error() const { return m_error; }

    // The file's size; with `betweenAppends`, as it stands when no append to a log is under
    // way. False, with the reason in Error(), when it cannot be told.
    bool Size(std::uint64_t& size, bool betweenAppends = false);
    // Reads up to `size` bytes at `offset` into `data`; `got` is 0 at the end of the file.
    bool ReadAt(std::uint64_t offset, char* data, std::size_t size, std::size_t& got);

private:
#ifdef _WIN32
    FileHandle m_file = nullptr;
#else
    FileHandle m_file = -1;
#endif
    Status m_status = Status::Refused;
    std::string m_error;
};

}  // namespace kwctl
