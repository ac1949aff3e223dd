#include "tests/win/rig/Dpi.h"

namespace rig {

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

template <typename Fn>
Fn User32Function(const char* name) {
    const FARPROC proc = ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

void SetLogPixels(const std::optional<DWORD>& dpi) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (dpi) {
        ::RegSetValueExW(key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*dpi),
                         sizeof(DWORD));
    } else {
        ::RegDeleteValueW(key, kLogPixels);
    }
    ::RegCloseKey(key);
}

}  // namespace

ProgramDpi::ProgramDpi(DWORD dpi) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr,
                       &value, &size) == ERROR_SUCCESS) {
        m_before = value;
    }
    SetLogPixels(dpi);
}

ProgramDpi::~ProgramDpi() {
    SetLogPixels(m_before);
}

void UseScreenPixels() {
    using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (const auto set = User32Function<SetContext>("SetThreadDpiAwarenessContext"))
        set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

UINT WindowDpi(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    const auto get = User32Function<GetDpi>("GetDpiForWindow");
    return get ? get(window) : 0;
}

}  // namespace rig
