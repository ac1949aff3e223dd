#include "framework/AppMessageBox.h"

#include <string>

int AppMessageBox(HWND owner, std::wstring_view text, UINT type) {
    return AppMessageBox(owner, text, kAppCaption, type);
}

int AppMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type) {
    if (!owner) owner = ::GetActiveWindow();
    const std::wstring textZ(text);
    const std::wstring captionZ(caption);
    return ::MessageBoxW(owner, textZ.c_str(), captionZ.c_str(), type);
}
