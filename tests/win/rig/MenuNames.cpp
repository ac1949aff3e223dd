#include "tests/win/rig/MenuNames.h"

#include <oleacc.h>

#include <cwchar>
#include <string>

#include <gtest/gtest.h>

namespace rig {

namespace {

std::wstring MenuString(HMENU menu, UINT position) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return text;
}

// The name in the MSAAMENUINFO at `data`: its signature, then cchWText characters and a
// terminating zero after them.
testing::AssertionResult ReadMenuName(ULONG_PTR data, std::wstring& name) {
    const auto* info = reinterpret_cast<const MSAAMENUINFO*>(data);
    if (!info || info->dwMSAASignature != static_cast<DWORD>(MSAA_MENU_SIG)) {
        return testing::AssertionFailure() << "no MSAAMENUINFO";
    }
    if (!info->pszWText || std::wcslen(info->pszWText) != info->cchWText) {
        return testing::AssertionFailure() << "cchWText is not the length of the text";
    }
    name = info->pszWText;
    return testing::AssertionSuccess();
}

}  // namespace

int ExpectMenuNamesFrom(HMENU resource, HMENU menu) {
    const int count = ::GetMenuItemCount(menu);
    EXPECT_EQ(count, ::GetMenuItemCount(resource));
    int named = 0;
    for (int p = 0; p < count; ++p) {
        const UINT position = static_cast<UINT>(p);
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
        EXPECT_TRUE(::GetMenuItemInfoW(menu, position, TRUE, &info)) << "position " << p;
        std::wstring name;
        if (info.fType & MFT_SEPARATOR) {
            EXPECT_FALSE(ReadMenuName(info.dwItemData, name)) << "separator at " << p;
            continue;
        }
        if (info.fType & MFT_OWNERDRAW) {
            EXPECT_TRUE(ReadMenuName(info.dwItemData, name)) << "position " << p;
        } else {
            name = MenuString(menu, position);
        }
        EXPECT_EQ(name, MenuString(resource, position)) << "position " << p;
        ++named;
        if (info.hSubMenu) named += ExpectMenuNamesFrom(::GetSubMenu(resource, p), info.hSubMenu);
    }
    return named;
}

}  // namespace rig
