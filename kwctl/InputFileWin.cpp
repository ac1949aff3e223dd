#include "kwctl/InputFile.h"

#include <windows.h>

#include <optional>
#include <tuple>

#include "kwctl/SystemError.h"

namespace kwctl {
namespace {

OVERLAPPED AppendersByte() {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(kAppendLockOffset);
    at.OffsetHigh = static_cast<DWORD>(kAppendLockOffset >> 32);
    return at;
}

bool IsFolder(const FilePath& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The full path of `path` as the system makes it, split before its last name; nothing when it
// ends in a separator or cannot be made.
struct FullName {
    FilePath folder;  // with its separator at the end
    FilePath name;
};

std::optional<FullName> SplitFullPath(const FilePath& path) {
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return std::nullopt;
    FilePath full(length, L'\0');
    wchar_t* name = nullptr;
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, full.data(), &name);
    if (written == 0 || written >= length || name == nullptr) return std::nullopt;
    full.resize(written);
    const std::size_t at = static_cast<std::size_t>(name - full.data());
    return FullName{full.substr(0, at), full.substr(at)};
}

// Why `path` cannot be opened; empty when it is a file that is not there, in a folder that is.
// The system's own codes: the C runtime's ENOENT would not tell a missing file from a missing
// folder or an unreachable share, and some systems report a missing drive or share as a missing
// file, so the folder is looked at too.
std::string OpenProblem(const FilePath& path, DWORD error) {
    if (IsFolder(path)) return "is a folder, not a file";
    if (error != ERROR_FILE_NOT_FOUND) return SystemErrorText(error);
    const std::optional<FullName> full = SplitFullPath(path);
    return full && IsFolder(full->folder) ? "" : SystemErrorText(ERROR_PATH_NOT_FOUND);
}

// A file as the system knows it, through any name: its volume and its index there.
using FileId = std::tuple<DWORD, DWORD, DWORD>;

std::optional<FileId> Identity(const FilePath& path) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileW(path.c_str(), 0, kShare, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    if (!ok) return std::nullopt;
    return FileId(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
}

}  // namespace

AppendLock::AppendLock(FileHandle file, bool exclusive) : m_file(file) {
    OVERLAPPED at = AppendersByte();
    m_held = ::LockFileEx(m_file, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, 1, 0, &at);
}

AppendLock::~AppendLock() {
    if (!m_held) return;
    OVERLAPPED at = AppendersByte();
    ::UnlockFileEx(m_file, 0, 1, 0, &at);
}

std::string NotARegularFile(FileHandle file) {
    return ::GetFileType(file) == FILE_TYPE_DISK ? "" : "is a device or pipe, not a file";
}

bool SameFile(const FilePath& a, const FilePath& b) {
    const auto first = Identity(a);
    const auto second = Identity(b);
    if (first || second) return first && second && *first == *second;
    // Neither is there yet: one name, in any case, in one folder.
    const std::optional<FullName> aFull = SplitFullPath(a);
    const std::optional<FullName> bFull = SplitFullPath(b);
    if (!aFull || !bFull) return false;
    const FilePath& x = aFull->name;
    const FilePath& y = bFull->name;
    const auto folder = Identity(aFull->folder);
    return ::CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(),
                                  static_cast<int>(y.size()), TRUE) == CSTR_EQUAL &&
           folder && folder == Identity(bFull->folder);
}

InputFile::InputFile(const FilePath& path) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        m_error = OpenProblem(path, ::GetLastError());
        if (m_error.empty()) m_status = Status::Missing;
        return;
    }
    m_file = file;
    m_error = NotARegularFile(file);
    if (m_error.empty()) m_status = Status::Open;
}

InputFile::~InputFile() {
    if (m_file) ::CloseHandle(m_file);
}

bool InputFile::Size(std::uint64_t& size, bool betweenAppends) {
    std::optional<AppendLock> lock;
    if (betweenAppends) lock.emplace(m_file, false);  // waits for an append under way
    LARGE_INTEGER length{};
    const bool ok = ::GetFileSizeEx(m_file, &length);
    if (!ok) m_error = SystemErrorText(::GetLastError());
    size = ok ? static_cast<std::uint64_t>(length.QuadPart) : 0;
    return ok;
}

bool InputFile::ReadAt(std::uint64_t offset, char* data, std::size_t size, std::size_t& got) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!::ReadFile(m_file, data, chunk, &read, &at)) {
        const DWORD error = ::GetLastError();
        got = 0;
        if (error == ERROR_HANDLE_EOF) return true;
        m_error = SystemErrorText(error);
        return false;
    }
    got = read;
    return true;
}

}  // namespace kwctl
