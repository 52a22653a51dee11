// Editing the menus of a bar: the bar's context menu, new and renamed menus, hiding, deleting,
// and the order of the menus.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "menu_bar_settings.h"

namespace jqbar {

// Shows the bar's context menu for a button (or none) and returns the chosen command.
UINT ShowBarContextMenu(MenuBarInstance* bar, MenuButton* button, POINT screen);
void RunBarCommand(MenuBarInstance* bar, MenuButton* button, UINT command);

// What the new-menu dialog decides. source: 0 normal (a user menu), else the CSIDL shown.
// With `attach` a folder of that name is made in Programs instead. Returns 0 when done, else
// the id of the warning that keeps the dialog open.
UINT AddNewMenu(MenuBarInstance* bar, const char* name, bool attach, int source);
UINT RenameMenuButton(MenuBarInstance* bar, MenuButton* button, const char* newName);
void HideMenuButton(MenuBarInstance* bar, MenuButton* button);
void DeleteMenuButton(MenuBarInstance* bar, MenuButton* button);
// Applies a new order and the hidden set (names as the folder-name list holds them).
void ApplyMenuOrder(MenuBarInstance* bar, const std::vector<std::string>& order,
                    const std::vector<std::string>& hidden);
void RefreshMenuOrderPage(MenuBarInstance* bar);

}  // namespace jqbar
