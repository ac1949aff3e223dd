// The one seam through which the program learns which Windows family it runs on.
#pragma once

#include <windows.h>

struct OsVersion {
    DWORD platformId;  // VER_PLATFORM_WIN32s, VER_PLATFORM_WIN32_WINDOWS or VER_PLATFORM_WIN32_NT
    DWORD major;
    DWORD minor;
};

// The version that Windows reports, or the one set for testing.
OsVersion GetOsVersion();
bool IsNtFamily();

// Makes GetOsVersion report `version` until the scope ends, so that tests can cover both
// families on one system.
class ScopedOsVersionForTesting {
public:
    explicit ScopedOsVersionForTesting(OsVersion version);
    ~ScopedOsVersionForTesting();
    ScopedOsVersionForTesting(const ScopedOsVersionForTesting&) = delete;
    ScopedOsVersionForTesting& operator=(const ScopedOsVersionForTesting&) = delete;

private:
    bool m_hadPrevious;
    OsVersion m_previous;
};

inline constexpr OsVersion kWindows95{VER_PLATFORM_WIN32_WINDOWS, 4, 0};
inline constexpr OsVersion kWindows98{VER_PLATFORM_WIN32_WINDOWS, 4, 10};
inline constexpr OsVersion kWindowsNt4{VER_PLATFORM_WIN32_NT, 4, 0};
inline constexpr OsVersion kWindowsXp{VER_PLATFORM_WIN32_NT, 5, 1};
