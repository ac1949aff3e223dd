// Message boxes of the program: caption "Kestrowinda" unless another is given.
#pragma once

#include <windows.h>

#include <string_view>

inline constexpr wchar_t kAppCaption[] = L"Kestrowinda";

// Shows `text` with the given buttons and icon (MB_ flags); returns the button pressed.
// Without an owner, the thread's active window owns the box.
int AppMessageBox(HWND owner, std::wstring_view text, UINT type);
int AppMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type);
