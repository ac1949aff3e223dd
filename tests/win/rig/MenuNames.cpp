#include "tests/win/rig/MenuNames.h"

#include <oleacc.h>

#include <cstddef>

namespace rig {

namespace {

bool ReadOwnMemory(const void* address, void* buffer, std::size_t size) {
    SIZE_T read = 0;
    return ::ReadProcessMemory(::GetCurrentProcess(), address, buffer, size, &read) && read == size;
}

std::wstring MenuString(HMENU menu, UINT position) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return text;
}

}  // namespace

testing::AssertionResult ReadMenuName(ULONG_PTR data, std::wstring& name) {
    MSAAMENUINFO info{};
    if (!data || !ReadOwnMemory(reinterpret_cast<const void*>(data), &info, sizeof(info))) {
        return testing::AssertionFailure() << "no item data to read";
    }
    if (info.dwMSAASignature != static_cast<DWORD>(MSAA_MENU_SIG)) {
        return testing::AssertionFailure() << "no MSAAMENUINFO signature";
    }
    std::wstring text(info.cchWText + std::size_t{1}, L'\x1');
    if (!info.pszWText ||
        !ReadOwnMemory(info.pszWText, text.data(), text.size() * sizeof(wchar_t))) {
        return testing::AssertionFailure() << "the text cannot be read";
    }
    if (text.back() != L'\0' || text.find(L'\0') != text.size() - 1) {
        return testing::AssertionFailure() << "cchWText is not the length of the text";
    }
    text.pop_back();
    name = text;
    return testing::AssertionSuccess();
}

int ExpectMenuNamesFrom(HMENU resource, HMENU menu) {
    const int count = ::GetMenuItemCount(menu);
    EXPECT_EQ(count, ::GetMenuItemCount(resource));
    int named = 0;
    for (int p = 0; p < count; ++p) {
        const UINT position = static_cast<UINT>(p);
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, position, TRUE, &info)) {
            ADD_FAILURE() << "position " << p << " cannot be read";
            continue;
        }
        std::wstring name;
        if (info.fType & MFT_SEPARATOR) {
            EXPECT_FALSE(info.dwItemData && ReadMenuName(info.dwItemData, name))
                << "separator at " << p << " carries the name " << testing::PrintToString(name);
            continue;
        }
        if (info.fType & MFT_OWNERDRAW) {
            EXPECT_TRUE(ReadMenuName(info.dwItemData, name)) << "position " << p;
        } else {
            name = MenuString(menu, position);
        }
        EXPECT_EQ(name, MenuString(resource, position)) << "position " << p;
        ++named;
        if (!info.hSubMenu) continue;
        if (HMENU popup = ::GetSubMenu(resource, p)) {
            named += ExpectMenuNamesFrom(popup, info.hSubMenu);
        } else {
            ADD_FAILURE() << "position " << p << " opens a popup that the resource does not";
        }
    }
    return named;
}

}  // namespace rig
