#include "app/MainMenu.h"

#include "res/resource.h"

const std::array<CommandImage, 11> kMainMenuImages = {{
    {ID_LOAD_SETTINGS, IDB_MENU_LOAD},
    {ID_SAVE_SETTINGS, IDB_MENU_SAVE},
    {ID_FACTORY_SETTINGS, IDB_MENU_FACTORY},
    {ID_SELECT_PRINTER, IDB_MENU_PRINTER},
    {ID_SEND_TO_PRINTER, IDB_MENU_SEND},
    {ID_PAGE_SELECT, IDB_MENU_SELECT},
    {ID_PAGE_MSW1, IDB_MENU_MSW},
    {ID_PAGE_MSW2, IDB_MENU_MSW},
    {ID_PAGE_MSW3, IDB_MENU_MSW},
    {ID_PAGE_MSW4, IDB_MENU_MSW},
    {ID_PAGE_HARDWARE, IDB_MENU_HARDWARE},
}};

void BuildMainMenu(CIconMenu& menu, HWND window) {
    // When loading fails the template's plain menu simply stays.
    if (!menu.LoadFromResource(IDR_MAINMENU)) return;
    for (const CommandImage& image : kMainMenuImages) {
        menu.SetCommandImage(nullptr, image.command, image.bitmap);
    }
    menu.RemoveItem(ID_RECEIVE_FROM_PRINTER, MF_BYCOMMAND);
    HMENU fromTemplate = ::GetMenu(window);
    ::SetMenu(window, menu.GetSafeHmenu());
    if (fromTemplate) ::DestroyMenu(fromTemplate);
    menu.Detach();
}
