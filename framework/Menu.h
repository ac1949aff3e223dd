// A menu object attached to a menu handle. Attached objects are found again by handle, so
// that owner-drawn items reach the object of their popup.
#pragma once

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    bool Attach(HMENU menu);
    HMENU Detach();
    // Destroys the attached menu, if any, and detaches it.
    BOOL DestroyMenu();

    HMENU GetSafeHmenu() const { return m_hMenu; }

    // The object attached to `menu`, or null.
    static CMenu* FromHandlePermanent(HMENU menu);

    virtual void MeasureItem(MEASUREITEMSTRUCT* measure);
    virtual void DrawItem(DRAWITEMSTRUCT* draw);

    HMENU m_hMenu = nullptr;
};

// The attached menu object of the popup of `menu` (searched depth-first) that holds an item
// with command `id`, or null.
CMenu* FindPopupMenuFromId(HMENU menu, UINT id);
