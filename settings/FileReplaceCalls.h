// The file calls that put a saved settings file in place, which a test may stand in for to make
// each way a replace can fail happen.
#pragma once

#include <windows.h>

#include <optional>

struct FileReplaceCalls {
    using ReplaceFileFn = BOOL(WINAPI*)(const wchar_t* replaced, const wchar_t* replacement,
                                        const wchar_t* backup, DWORD flags, void* exclude,
                                        void* reserved);
    using MoveFileExFn = BOOL(WINAPI*)(const wchar_t* from, const wchar_t* to, DWORD flags);
    using DeleteFileFn = BOOL(WINAPI*)(const wchar_t* path);

    ReplaceFileFn replaceFile = ::ReplaceFileW;
    MoveFileExFn moveFileEx = ::MoveFileExW;
    DeleteFileFn deleteFile = ::DeleteFileW;
};

class ScopedFileReplaceCallsForTesting {
public:
    explicit ScopedFileReplaceCallsForTesting(FileReplaceCalls calls);
    ~ScopedFileReplaceCallsForTesting();
    ScopedFileReplaceCallsForTesting(const ScopedFileReplaceCallsForTesting&) = delete;
    ScopedFileReplaceCallsForTesting& operator=(const ScopedFileReplaceCallsForTesting&) = delete;

    // The real calls, for a stand-in to pass on to.
    static const FileReplaceCalls kReal;

private:
    FileReplaceCalls m_previous;
};

// The attributes that a file which replaced one with the attributes `replaced`, and which has
// the attributes `current` now, is to be given; nothing when it has the right ones already.
std::optional<DWORD> AttributesToSet(DWORD replaced, DWORD current);
