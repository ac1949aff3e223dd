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
    void* m_file = nullptr;
#else
    int m_file = -1;
#endif
    Status m_status = Status::Refused;
    std::string m_error;
};

}  // namespace kwctl
