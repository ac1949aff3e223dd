// The main window's menu: resource 142 built by the icon menu, with pictures beside eleven
// commands and without the receive command.
#pragma once

#include <windows.h>

#include <array>

#include "menu/IconMenu.h"

struct CommandImage {
    UINT command;
    int bitmap;
};

// The pictures, in the order they are attached.
extern const std::array<CommandImage, 11> kMainMenuImages;

// Builds the menu in `menu`, makes it the menu of `window` in place of the template's and
// detaches it: the window owns the bar from then on, the popup objects stay with `menu`.
void BuildMainMenu(CIconMenu& menu, HWND window);
