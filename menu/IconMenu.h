// The main window's owner-drawn menu: built from the menu resource, with a record per popup
// item, small pictures beside chosen commands and its own answer to mnemonic keys.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/Menu.h"

// The record of one item; its address is the item's owner-draw data. It is neither copied nor
// moved, since m_msaa points into it.
struct IconMenuItem {
    IconMenuItem() = default;
    IconMenuItem(const IconMenuItem&) = delete;
    IconMenuItem& operator=(const IconMenuItem&) = delete;

    MSAAMENUINFO m_msaa{};                 // the item's name for screen readers; zero: none
    std::unique_ptr<wchar_t[]> m_pszText;  // item text, accelerator after a tab; null: none
    int m_nImage = -1;                     // index in m_pImageList; -1: no picture
    int m_nBitmapId = -1;                  // bitmap resource of the picture; -1: no picture
    UINT m_nFlags = 0;                     // MF_ flags last given through CIconMenu
    UINT_PTR m_nCommandId = 0;             // 0 for a separator; the popup handle for a popup
    BOOL m_bMatched = FALSE;               // working mark of ResyncItems
    UniqueImageList m_pImageList;          // holds the picture; null when there is none
    std::wstring m_strName;                // the text that m_msaa points to

    std::wstring Text() const { return m_pszText ? m_pszText.get() : L""; }
    // Sets the drawn text and, unless the record is a separator's, the name.
    void SetText(const std::wstring& text);
    // Sets the drawn text only: the spaces that align the accelerators are no part of the name.
    void SetAlignedText(const std::wstring& text);
};

// Every popup handle that any CIconMenu created.
extern std::vector<HMENU> g_arrAllPopups;

enum PlatformKind {
    PLATFORM_WIN32S = 0,
    PLATFORM_WIN9X = 1,
    PLATFORM_NT3 = 2,
    PLATFORM_NT4 = 3,
};

// The platform kind, set once at start-up; it chooses the look of the menu.
extern int g_nPlatform;
int GetPlatformKind();
// The 3-D look of the Windows 95 family and NT 4 and later.
bool IsNewShell();

class CIconMenu : public CMenu {
public:
    CIconMenu() = default;
    ~CIconMenu() override;

    void DrawItem(DRAWITEMSTRUCT* draw) override;
    void MeasureItem(MEASUREITEMSTRUCT* measure) override;

    // Builds the bar and its owner-drawn popups from a menu resource of the program's module.
    virtual BOOL LoadFromResource(UINT id);
    virtual BOOL LoadFromResource(const wchar_t* name);
    // Deletes the popup objects and records and destroys the menu, if one is still attached.
    virtual BOOL ReleaseMenu();

    // Appends an owner-drawn item; `id` is the popup handle when `flags` holds MF_POPUP, and
    // 0 makes a separator. `bitmapId` -1 means no picture.
    void AppendItem(const wchar_t* text, UINT flags, UINT_PTR id, int bitmapId);
    // Gives the item of `command` (here or in a popup) the picture `bitmapId`; a null text
    // keeps the item's text.
    void SetCommandImage(const wchar_t* text, UINT command, int bitmapId);
    // The menu, this or a popup below it, that holds `command`, depth-first in position order;
    // null and -1 when none does.
    CIconMenu* FindCommand(UINT command, int& position);
    BOOL GetItemText(UINT x, std::wstring& text, UINT flags);
    // Removes an item with its record; a popup goes with all its items and its object.
    BOOL RemoveItem(UINT x, UINT flags);
    // Rebuilds the records to match the platform menu's items again.
    void ResyncItems();

    static BOOL IsIconMenu(CMenu* menu);
    static BOOL IsIconMenu(HMENU menu);
    // The WM_MENUCHAR answer for character `ch` typed in `menu` (flags as the message gives).
    static LRESULT MenuCharLookup(UINT ch, UINT flags, CMenu* menu);

    std::vector<std::unique_ptr<IconMenuItem>> m_arrItems;  // entry i: the item at position i
    std::vector<HMENU> m_arrPopups;                         // popups appended to this menu
    int m_nImageWidth = 16;
    int m_nImageHeight = 15;

private:
    void AttachImage(IconMenuItem& item, UINT command, int bitmapId);
    void LookUpToolbarImage(IconMenuItem& item, UINT command, int bitmapId);
    BOOL LoadItemBitmap(HIMAGELIST list, int bitmapId);
    void AlignAccelerators();
    std::unique_ptr<IconMenuItem> ConvertItem(UINT position, UINT flags, UINT_PTR id,
                                              const std::wstring& text);
    // The object of a popup that this menu created, or null.
    CIconMenu* PopupObject(HMENU popup) const;

    // Drawing helpers.
    BOOL RenderImage(HDC dc, HIMAGELIST list, int image, UniqueBitmap& bitmap);
    void DrawDisabledImage(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int sourceX,
                           int sourceY);
    void DrawCheckBox(HDC dc, const RECT& box, bool selected, bool hasCheckedBitmap);

    // The objects of the popups this menu created while loading.
    std::vector<std::unique_ptr<CIconMenu>> m_popupObjects;
};

void DrawTick(HDC dc, int x, int y, COLORREF color);
void DrawDot(HDC dc, int x, int y, COLORREF color);
// The menu font of the current non-client metrics, or null when they cannot be read.
UniqueFont CreateMenuFont();
