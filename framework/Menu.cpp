#include "framework/Menu.h"

#include <unordered_map>
#include <utility>

namespace {

std::unordered_map<HMENU, CMenu*>& HandleMap() {
    static std::unordered_map<HMENU, CMenu*> map;
    return map;
}

}  // namespace

CMenu::~CMenu() {
    DestroyMenu();
}

bool CMenu::Attach(HMENU menu) {
    if (!menu || m_hMenu) return false;
    m_hMenu = menu;
    HandleMap()[menu] = this;
    return true;
}

HMENU CMenu::Detach() {
    HMENU menu = m_hMenu;
    if (menu) {
        auto& map = HandleMap();
        if (auto it = map.find(menu); it != map.end() && it->second == this) map.erase(it);
    }
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) return FALSE;
    return ::DestroyMenu(Detach());
}

CMenu* CMenu::FromHandlePermanent(HMENU menu) {
    auto& map = HandleMap();
    auto it = map.find(menu);
    return it == map.end() ? nullptr : it->second;
}

void CMenu::MeasureItem(MEASUREITEMSTRUCT*) {}
void CMenu::DrawItem(DRAWITEMSTRUCT*) {}

CMenu* FindPopupMenuFromId(HMENU menu, UINT id) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU popup = ::GetSubMenu(menu, i)) {
            if (CMenu* found = FindPopupMenuFromId(popup, id)) return found;
        } else if (::GetMenuItemID(menu, i) == id) {
            return CMenu::FromHandlePermanent(menu);
        }
    }
    return nullptr;
}
