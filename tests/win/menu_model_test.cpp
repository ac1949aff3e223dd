#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/MainMenu.h"
#include "framework/Dialog.h"
#include "menu/IconMenu.h"
#include "res/resource.h"
#include "tests/win/rig/MenuNames.h"

namespace {

constexpr UINT kAlignMenu = 950;
constexpr UINT kWideUntabbedMenu = 960;
constexpr UINT kNestedMenu = 970;
constexpr int kStripBitmap = 980;

CIconMenu* PopupOf(HMENU menu, int position) {
    return dynamic_cast<CIconMenu*>(CMenu::FromHandlePermanent(::GetSubMenu(menu, position)));
}

MENUITEMINFOW ItemInfo(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID | MIIM_SUBMENU;
    EXPECT_TRUE(::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info));
    return info;
}

std::wstring PlatformText(HMENU menu, int position) {
    wchar_t buffer[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(position), buffer, 128, MF_BYPOSITION);
    return buffer;
}

// Every item of `menu` is owner-drawn with the record at its own position as its data.
void ExpectRecordsMatchItems(const CIconMenu& menu) {
    const int count = ::GetMenuItemCount(menu.m_hMenu);
    ASSERT_EQ(static_cast<int>(menu.m_arrItems.size()), count);
    for (int i = 0; i < count; ++i) {
        const MENUITEMINFOW info = ItemInfo(menu.m_hMenu, i);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << "position " << i;
        EXPECT_EQ(info.dwItemData, reinterpret_cast<ULONG_PTR>(menu.m_arrItems[i].get()))
            << "position " << i;
    }
}

std::wstring Head(const std::wstring& text) {
    return text.substr(0, text.find(L'\t'));
}

std::wstring WithoutTrailingSpaces(std::wstring text) {
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return text;
}

// Width in the menu font, measured as the menu measures when aligning.
int MenuTextWidth(const std::wstring& text) {
    UniqueFont font = CreateMenuFont();
    WindowDc dc(nullptr);
    SelectObjectScope select(dc.get(), font.get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

class MainMenuTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_menu.LoadFromResource(IDR_MAINMENU)); }
    CIconMenu* File() { return PopupOf(m_menu.m_hMenu, 0); }

    CIconMenu m_menu;
};

TEST_F(MainMenuTest, BarOfThreeLabelsOverOwnerDrawnPopupsWithARecordPerItem) {
    HMENU bar = m_menu.m_hMenu;
    ASSERT_EQ(::GetMenuItemCount(bar), 3);
    const wchar_t* labels[] = {L"ファイル(&F)", L"メニュー(&M)", L"ヘルプ(&H)"};
    const int sizes[] = {10, 6, 3};
    EXPECT_FALSE(CIconMenu::IsIconMenu(&m_menu));
    for (int i = 0; i < 3; ++i) {
        const MENUITEMINFOW info = ItemInfo(bar, i);
        EXPECT_EQ(info.fType & MFT_OWNERDRAW, 0u) << "the bar shows plain labels";
        EXPECT_EQ(PlatformText(bar, i), labels[i]);
        ASSERT_NE(info.hSubMenu, nullptr);
        EXPECT_EQ(m_menu.m_arrItems[i]->m_nCommandId, reinterpret_cast<UINT_PTR>(info.hSubMenu));
        EXPECT_EQ(m_menu.m_arrItems[i]->m_nFlags, UINT{MF_BYPOSITION | MF_POPUP});
        EXPECT_TRUE(CIconMenu::IsIconMenu(info.hSubMenu));

        CIconMenu* popup = PopupOf(bar, i);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(::GetMenuItemCount(popup->m_hMenu), sizes[i]);
        ExpectRecordsMatchItems(*popup);
    }
    const CIconMenu& file = *File();
    for (int separator : {2, 6, 8}) {
        EXPECT_EQ(file.m_arrItems[separator]->m_nCommandId, 0u);
        EXPECT_TRUE(file.m_arrItems[separator]->m_nFlags & MF_SEPARATOR);
    }
    EXPECT_EQ(file.m_arrItems[0]->m_nCommandId, UINT_PTR{ID_LOAD_SETTINGS});
    EXPECT_EQ(file.m_arrItems[9]->m_nCommandId, UINT_PTR{ID_APP_EXIT});
    EXPECT_EQ(m_menu.m_arrPopups.size(), 3u);
}

TEST_F(MainMenuTest, RemovingTheReceiveCommandLeavesNineItemsAndNineRecords) {
    EXPECT_TRUE(m_menu.RemoveItem(ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND));
    const CIconMenu& file = *File();
    EXPECT_EQ(::GetMenuItemCount(file.m_hMenu), 9);
    ExpectRecordsMatchItems(file);
    const UINT ids[] = {ID_LOAD_SETTINGS,
                        ID_SAVE_SETTINGS,
                        0,
                        ID_SEND_TO_PRINTER,
                        ID_FACTORY_SETTINGS,
                        0,
                        ID_SELECT_PRINTER,
                        0,
                        ID_APP_EXIT};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(::GetMenuItemID(file.m_hMenu, i), ids[i]) << "position " << i;
        EXPECT_EQ(file.m_arrItems[i]->m_nCommandId, ids[i]) << "position " << i;
    }
    EXPECT_FALSE(m_menu.RemoveItem(ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND)) << "already gone";
}

TEST_F(MainMenuTest, TextsKeepTheirKeysAndAreFoundByPositionOrCommand) {
    std::wstring text;
    ASSERT_TRUE(m_menu.GetItemText(ID_SEND_TO_PRINTER, text, MF_BYCOMMAND));
    EXPECT_EQ(WithoutTrailingSpaces(Head(text)), L"設定値をプリンタへ送信(&W)");
    EXPECT_EQ(text.substr(text.find(L'\t')), L"\tCtrl+W");
    ASSERT_TRUE(File()->GetItemText(9, text, MF_BYPOSITION));
    EXPECT_EQ(text.substr(text.find(L'\t')), L"\tAlt+F4");
    EXPECT_FALSE(File()->GetItemText(10, text, MF_BYPOSITION));
    EXPECT_FALSE(m_menu.GetItemText(12345, text, MF_BYCOMMAND));
}

TEST_F(MainMenuTest, MnemonicsOfTheFirstPopup) {
    CIconMenu* file = File();
    EXPECT_EQ(CIconMenu::MenuCharLookup('o', MF_POPUP, file), MAKELRESULT(0, MNC_EXECUTE));
    EXPECT_EQ(CIconMenu::MenuCharLookup('O', MF_POPUP, file), MAKELRESULT(0, MNC_EXECUTE));
    EXPECT_EQ(CIconMenu::MenuCharLookup('x', MF_POPUP, file), MAKELRESULT(9, MNC_EXECUTE));
    EXPECT_EQ(CIconMenu::MenuCharLookup('z', MF_POPUP, file), 0);
    EXPECT_EQ(CIconMenu::MenuCharLookup('o', 0, file), 0);
    EXPECT_EQ(CIconMenu::MenuCharLookup('o', MF_SYSMENU, file), 0);
    EXPECT_EQ(CIconMenu::MenuCharLookup('o', MF_POPUP, nullptr), 0);
    // The "Ｈ" in full-width brackets is still the letter after the ampersand.
    EXPECT_EQ(CIconMenu::MenuCharLookup('h', MF_POPUP, PopupOf(m_menu.m_hMenu, 1)),
              MAKELRESULT(5, MNC_EXECUTE));
}

TEST_F(MainMenuTest, ItemsTheSystemRemovedAreResyncedKeepingSeparatorRecords) {
    CIconMenu& file = *File();
    const std::vector<IconMenuItem*> before = [&] {
        std::vector<IconMenuItem*> r;
        for (auto& item : file.m_arrItems)
            r.push_back(item.get());
        return r;
    }();
    ASSERT_TRUE(::DeleteMenu(file.m_hMenu, 3, MF_BYPOSITION));  // behind the object's back
    EXPECT_EQ(CIconMenu::MenuCharLookup('w', MF_POPUP, &file), MAKELRESULT(3, MNC_EXECUTE));
    ExpectRecordsMatchItems(file);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(file.m_arrItems[i].get(), before[i < 3 ? i : i + 1]) << "position " << i;
    }
    const MENUITEMINFOW separator = ItemInfo(file.m_hMenu, 2);
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
}

TEST(IconMenuLoadTest, ByNameByReducedIdAndOnlyOnce) {
    CIconMenu named;
    EXPECT_TRUE(named.LoadFromResource(L"KWTESTMENU"));
    EXPECT_FALSE(named.LoadFromResource(IDR_MAINMENU)) << "already holds a menu";
    EXPECT_EQ(::GetMenuItemCount(named.m_hMenu), 1);

    CIconMenu reduced;
    EXPECT_TRUE(reduced.LoadFromResource(0x10000u + IDR_MAINMENU));
    EXPECT_EQ(::GetMenuItemCount(reduced.m_hMenu), 3);

    CIconMenu missing;
    EXPECT_FALSE(missing.LoadFromResource(L"NOSUCHMENU"));
    EXPECT_FALSE(missing.LoadFromResource(941u));
    EXPECT_EQ(missing.m_hMenu, nullptr);
}

// What the main window does while it initialises.
TEST(IconMenuStartupTest, PopupsStayOwnerDrawnWithRecordsAndPicturesAfterDetach) {
    const auto& pictures = kMainMenuImages;
    std::vector<HMENU> popups;
    {
        CIconMenu menu;
        CDialog dialog(IDD_MAIN);
        ASSERT_TRUE(dialog.Create(nullptr));
        HMENU fromTemplate = ::GetMenu(dialog.GetSafeHwnd());
        BuildMainMenu(menu, dialog.GetSafeHwnd());
        HMENU bar = ::GetMenu(dialog.GetSafeHwnd());
        EXPECT_NE(bar, fromTemplate);
        EXPECT_FALSE(::IsMenu(fromTemplate)) << "the template's menu is left behind";
        EXPECT_EQ(menu.m_hMenu, nullptr);
        EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(bar, 0)), 9) << "the receive item stays";

        std::vector<HIMAGELIST> lists;
        for (const CommandImage& p : pictures) {
            CIconMenu* holder = nullptr;
            int position = -1;
            for (int i = 0; i < 3 && !holder; ++i) {
                holder = PopupOf(bar, i)->FindCommand(p.command, position);
            }
            ASSERT_NE(holder, nullptr) << p.command;
            const IconMenuItem& record = *holder->m_arrItems[position];
            const MENUITEMINFOW info = ItemInfo(holder->m_hMenu, position);
            EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << p.command;
            EXPECT_EQ(info.dwItemData, reinterpret_cast<ULONG_PTR>(&record)) << p.command;
            EXPECT_EQ(record.m_nBitmapId, p.bitmap) << p.command;
            EXPECT_EQ(record.m_nImage, 0) << p.command;
            ASSERT_TRUE(record.m_pImageList) << p.command;
            EXPECT_EQ(::ImageList_GetImageCount(record.m_pImageList.get()), 1);
            int cx = 0, cy = 0;
            ::ImageList_GetIconSize(record.m_pImageList.get(), &cx, &cy);
            EXPECT_EQ(cx, 16);
            EXPECT_EQ(cy, 15);
            EXPECT_NE(record.Text().find(L'\t'), std::wstring::npos) << "text kept";
            lists.push_back(record.m_pImageList.get());
        }
        std::sort(lists.begin(), lists.end());
        EXPECT_EQ(std::unique(lists.begin(), lists.end()), lists.end()) << "no list is shared";

        for (UINT plain : {UINT{ID_APP_EXIT}, UINT{ID_HELP_CONTENTS}, UINT{ID_APP_ABOUT}}) {
            int position = -1;
            CIconMenu* holder =
                PopupOf(bar, plain == ID_APP_EXIT ? 0 : 2)->FindCommand(plain, position);
            ASSERT_NE(holder, nullptr);
            EXPECT_EQ(holder->m_arrItems[position]->m_nBitmapId, -1);
            EXPECT_FALSE(holder->m_arrItems[position]->m_pImageList);
        }
        for (int i = 0; i < 3; ++i) {
            popups.push_back(::GetSubMenu(bar, i));
            ExpectRecordsMatchItems(*PopupOf(bar, i));
        }
        dialog.DestroyWindow();  // takes the bar and its popups with it
    }
    // The object outlived the window; releasing it forgot every popup.
    for (HMENU popup : popups)
        EXPECT_FALSE(CIconMenu::IsIconMenu(popup));
}

TEST(IconMenuPictureTest, AMissingBitmapKeepsTheTextAndLeavesNoPicture) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(IDR_MAINMENU));
    int position = -1;
    CIconMenu* file = menu.FindCommand(ID_FACTORY_SETTINGS, position);
    ASSERT_NE(file, nullptr);
    const std::wstring text = file->m_arrItems[position]->Text();
    menu.SetCommandImage(nullptr, ID_FACTORY_SETTINGS, 949);
    const IconMenuItem& record = *file->m_arrItems[position];
    EXPECT_EQ(record.Text(), text);
    EXPECT_EQ(record.m_nBitmapId, -1);
    EXPECT_EQ(record.m_nImage, -1);
    EXPECT_FALSE(record.m_pImageList);
    ExpectRecordsMatchItems(*file);
}

TEST(IconMenuPictureTest, AToolbarResourcePicksEachCommandsPictureFromTheStrip) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(IDR_MAINMENU));
    const CIconMenu& file = *PopupOf(menu.m_hMenu, 0);
    menu.SetCommandImage(nullptr, ID_LOAD_SETTINGS, kStripBitmap);
    menu.SetCommandImage(nullptr, ID_SAVE_SETTINGS, kStripBitmap);
    menu.SetCommandImage(nullptr, ID_SEND_TO_PRINTER, kStripBitmap);
    menu.SetCommandImage(nullptr, ID_FACTORY_SETTINGS, kStripBitmap);  // not in the toolbar
    EXPECT_EQ(file.m_arrItems[0]->m_nImage, 0);
    EXPECT_EQ(file.m_arrItems[1]->m_nImage, 1);
    EXPECT_EQ(file.m_arrItems[4]->m_nImage, 2);
    EXPECT_EQ(file.m_arrItems[5]->m_nImage, 0);
    EXPECT_EQ(::ImageList_GetImageCount(file.m_arrItems[4]->m_pImageList.get()), 3);
}

TEST(AcceleratorAlignmentTest, TheNarrowerHeadIsPaddedToTheWiderHeadPlusASpace) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(kAlignMenu));
    const CIconMenu& popup = *PopupOf(menu.m_hMenu, 0);
    const std::wstring shortText = popup.m_arrItems[0]->Text();
    const std::wstring longText = popup.m_arrItems[1]->Text();
    EXPECT_EQ(popup.m_arrItems[2]->Text(), L"タブなし(&N)") << "never padded";
    EXPECT_EQ(shortText.substr(shortText.find(L'\t')), L"\tCtrl+S");
    EXPECT_EQ(longText.substr(longText.find(L'\t')), L"\tCtrl+L");
    EXPECT_EQ(WithoutTrailingSpaces(Head(shortText)), L"短(&S)");

    const int widest = MenuTextWidth(L"とても長い見出しの項目(&L) ");
    const std::wstring padded = Head(shortText);
    ASSERT_GT(padded.size(), std::wstring(L"短(&S)").size());
    EXPECT_GE(MenuTextWidth(padded), widest);
    EXPECT_LT(MenuTextWidth(padded.substr(0, padded.size() - 1)), widest) << "one space too many";
    EXPECT_EQ(Head(longText), L"とても長い見出しの項目(&L) ");
}

TEST(AcceleratorAlignmentTest, AnUntabbedTextCanBeTheWidest) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(kWideUntabbedMenu));
    const CIconMenu& popup = *PopupOf(menu.m_hMenu, 0);
    const int widest = MenuTextWidth(L"タブのない、とても長い項目の文字列です ");
    EXPECT_EQ(popup.m_arrItems[1]->Text(), L"タブのない、とても長い項目の文字列です");
    for (int i : {0, 2}) {
        const std::wstring head = Head(popup.m_arrItems[i]->Text());
        EXPECT_GE(MenuTextWidth(head), widest) << "item " << i;
        EXPECT_LT(MenuTextWidth(head.substr(0, head.size() - 1)), widest) << "item " << i;
    }
}

class NestedMenuTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_menu.LoadFromResource(kNestedMenu));
        m_outer = PopupOf(m_menu.m_hMenu, 0);
        m_inner = PopupOf(m_outer->m_hMenu, 2);
        ASSERT_NE(m_inner, nullptr);
    }
    std::vector<IconMenuItem*> Records(const CIconMenu& menu) {
        std::vector<IconMenuItem*> records;
        for (auto& item : menu.m_arrItems)
            records.push_back(item.get());
        return records;
    }

    CIconMenu m_menu;
    CIconMenu* m_outer = nullptr;
    CIconMenu* m_inner = nullptr;
};

TEST_F(NestedMenuTest, FindCommandIsDepthFirstInPositionOrder) {
    int position = -1;
    EXPECT_EQ(m_menu.FindCommand(976, position), m_inner);
    EXPECT_EQ(position, 1) << "the nested popup comes before the outer item";
    EXPECT_EQ(m_menu.FindCommand(977, position), m_outer);
    EXPECT_EQ(position, 4);
    EXPECT_EQ(m_menu.FindCommand(979, position), PopupOf(m_menu.m_hMenu, 1));
    EXPECT_EQ(position, 0);
    EXPECT_EQ(m_menu.FindCommand(12345, position), nullptr);
    EXPECT_EQ(position, -1);
}

TEST_F(NestedMenuTest, ALiteralAmpersandAlsoMatchesTheLetterAfterIt) {
    EXPECT_EQ(CIconMenu::MenuCharLookup('d', MF_POPUP, m_outer), MAKELRESULT(1, MNC_EXECUTE));
    EXPECT_EQ(CIconMenu::MenuCharLookup('e', MF_POPUP, m_outer), 0)
        << "inner items are not searched";
    EXPECT_EQ(CIconMenu::MenuCharLookup('e', MF_POPUP, m_inner), MAKELRESULT(0, MNC_EXECUTE));
}

TEST_F(NestedMenuTest, RecordsAreRebuiltByIdEachUsedOnceAndLeftoversGo) {
    const std::vector<IconMenuItem*> before = Records(*m_outer);
    ASSERT_EQ(before.size(), 6u);
    ASSERT_TRUE(::AppendMenuW(m_outer->m_hMenu, MF_STRING, 977, L"重複(&4)"));

    EXPECT_EQ(CIconMenu::MenuCharLookup('4', MF_POPUP, m_outer), MAKELRESULT(6, MNC_EXECUTE));
    ExpectRecordsMatchItems(*m_outer);
    const std::vector<IconMenuItem*> grown = Records(*m_outer);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(grown[i], before[i]) << i;
    EXPECT_NE(grown[6], before[4]) << "a record is reused at most once";
    EXPECT_NE(grown[6], before[5]);
    EXPECT_EQ(grown[6]->Text(), L"重複(&4)");
    EXPECT_EQ(grown[6]->m_nCommandId, 977u);

    ASSERT_TRUE(::DeleteMenu(m_outer->m_hMenu, 0, MF_BYPOSITION));
    EXPECT_EQ(CIconMenu::MenuCharLookup('p', MF_POPUP, m_outer), 0) << "its record went";
    ExpectRecordsMatchItems(*m_outer);
    const std::vector<IconMenuItem*> shrunk = Records(*m_outer);
    ASSERT_EQ(shrunk.size(), 6u);
    for (std::size_t i = 0; i < shrunk.size(); ++i)
        EXPECT_EQ(shrunk[i], grown[i + 1]) << i;
    int position = -1;
    EXPECT_EQ(m_menu.FindCommand(975, position), m_inner) << "the popup is still searched";
}

TEST_F(NestedMenuTest, RemovingAPopupTakesItsItemsAndObjectWithIt) {
    EXPECT_TRUE(m_menu.RemoveItem(975, MF_BYCOMMAND));
    EXPECT_EQ(::GetMenuItemCount(m_inner->m_hMenu), 1);
    ExpectRecordsMatchItems(*m_inner);

    HMENU inner = m_inner->m_hMenu;
    EXPECT_TRUE(m_outer->RemoveItem(2, MF_BYPOSITION));
    EXPECT_FALSE(CIconMenu::IsIconMenu(inner));
    EXPECT_FALSE(::IsMenu(inner));
    EXPECT_TRUE(m_outer->m_arrPopups.empty());
    EXPECT_EQ(::GetMenuItemCount(m_outer->m_hMenu), 5);
    ExpectRecordsMatchItems(*m_outer);
    int position = -1;
    EXPECT_EQ(m_menu.FindCommand(976, position), m_outer);
    EXPECT_EQ(position, 2);
    EXPECT_FALSE(m_outer->RemoveItem(9, MF_BYPOSITION));
}

TEST_F(NestedMenuTest, RemovingAnItemWhoseIdRepeatsTakesItsOwnRecord) {
    ASSERT_TRUE(m_outer->RemoveItem(5, MF_BYPOSITION));  // the second of two items 977
    ExpectRecordsMatchItems(*m_outer);
    EXPECT_EQ(m_outer->m_arrItems[4]->Text(), L"重複(&2)");
}

// Screen readers name each item, nested popups included, by its resource text; a change of
// text made through the menu or by the system renames the item. Each change is made to the
// menu and to the system's own copy of the resource, and both are walked after it.
TEST(ScreenReaderNameTest, ItemsAreNamedByTheirResourceTextsAndRenamedWithTheirTexts) {
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadFromResource(kNestedMenu));
    HMENU resource = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kNestedMenu));
    CIconMenu* outer = PopupOf(menu.m_hMenu, 0);
    const std::function<void()> changes[] = {
        [] {},
        [&] {
            menu.SetCommandImage(L"改名(&R)", 971, -1);
            ::ModifyMenuW(resource, 971, MF_BYCOMMAND | MF_STRING, 971, L"改名(&R)");
        },
        [&] {
            for (HMENU popup : {outer->m_hMenu, ::GetSubMenu(resource, 0)}) {
                ::AppendMenuW(popup, MF_STRING, 978, L"追加(&N)\tCtrl+N");
                ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            }
            // The records are rebuilt when the next key arrives.
            EXPECT_EQ(CIconMenu::MenuCharLookup('n', MF_POPUP, outer), MAKELRESULT(6, MNC_EXECUTE));
        },
        [&] {
            EXPECT_TRUE(menu.RemoveItem(975, MF_BYCOMMAND));
            ::DeleteMenu(resource, 975, MF_BYCOMMAND);
        },
    };
    for (std::size_t step = 0; step < std::size(changes); ++step) {
        changes[step]();
        EXPECT_GT(rig::ExpectMenuNamesFrom(resource, menu.m_hMenu), 8) << "after change " << step;
    }
    ::DestroyMenu(resource);
}

TEST_F(NestedMenuTest, ReleasingForgetsEveryPopupAndDestroysTheMenus) {
    HMENU bar = m_menu.m_hMenu;
    const HMENU popups[] = {m_outer->m_hMenu, m_inner->m_hMenu, ::GetSubMenu(bar, 1)};
    for (HMENU popup : popups)
        EXPECT_TRUE(CIconMenu::IsIconMenu(popup));
    EXPECT_TRUE(m_menu.ReleaseMenu());
    for (HMENU popup : popups)
        EXPECT_FALSE(CIconMenu::IsIconMenu(popup));
    EXPECT_FALSE(::IsMenu(bar));
    EXPECT_EQ(m_menu.m_hMenu, nullptr);
    EXPECT_TRUE(m_menu.m_arrItems.empty());
    EXPECT_TRUE(m_menu.m_arrPopups.empty());
}

}  // namespace
