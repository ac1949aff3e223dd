#include "framework/Platform.h"

namespace {

bool g_hasOverride = false;
OsVersion g_override{};

}  // namespace

OsVersion GetOsVersion() {
    if (g_hasOverride) return g_override;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExW(&info)) return {VER_PLATFORM_WIN32_NT, 0, 0};
    return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

bool IsNtFamily() {
    return GetOsVersion().platformId == VER_PLATFORM_WIN32_NT;
}

ScopedOsVersionForTesting::ScopedOsVersionForTesting(OsVersion version)
    : m_hadPrevious(g_hasOverride), m_previous(g_override) {
    g_hasOverride = true;
    g_override = version;
}

ScopedOsVersionForTesting::~ScopedOsVersionForTesting() {
    g_hasOverride = m_hadPrevious;
    g_override = m_previous;
}
