// The cascading menu windows ("JQMenuCls"): top-most pop-ups listing a menu's entries in
// columns, owner-drawn; a folder entry opens a further window beside it. They never capture the
// mouse: the bar that opened them tracks the pointer and forwards keys.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <memory>
#include <string>
#include <vector>

#include "menu_bar_settings.h"

namespace jqbar {

inline constexpr const char* kMenuWindowClass = "JQMenuCls";
inline constexpr UINT MBM_RUNENTRY = WM_USER + 1302;
inline constexpr int kMaxMenuWindowItems = 200;

struct MenuWindowItem {
  char name[52] = {};
  HIMAGELIST imageList = nullptr;
  int imageIndex = -1;
  HICON icon = nullptr;
  std::shared_ptr<void> iconHolder;  // keeps `icon`, shared with the kept icons of icon files
  bool isFolder = false;
  MenuButton* button = nullptr;
  std::string path;
  LPITEMIDLIST idList = nullptr;
};

struct MenuWindowState {
  char path[MAX_PATH] = {};
  std::vector<MenuWindowItem*> items;
  int entryHeight = 20;
  int columns = 1, perColumn = 1, columnWidth = 60;
  HWND window = nullptr;
  HWND bar = nullptr;
  MenuWindowState* parent = nullptr;
  MenuWindowState* sub = nullptr;
  int subIndex = -1;       // the entry whose sub-window is open
  int openingIndex = -1;   // this window's entry in its parent
  int highlight = -1;
  bool smallIcons = true;
  bool leftwards = false;
  bool underCursor = false;
  MenuButton* button = nullptr;
  IDropTarget* dropTarget = nullptr;  // registered while the window lives
};

void RegisterMenuWindowClass(HINSTANCE instance);
// The menu font: "MS Sans Serif" 8 points (the system font when it cannot be made).
HFONT GetMenuFont();
void FreeMenuFont();
// Destroys the menu windows kept for reuse (closed menus keep their windows for the next ones).
void FreeSpareMenuWindows();
// Forgets the icons remembered by file path (the files below the menus changed).
void ClearMenuIcons();

MenuWindowState* OpenMenuWindow(MenuButton* button, MenuWindowState* parent, int openingIndex,
                                const char* subPath, bool smallIcons, bool barHorizontal,
                                const RECT* buttonRect, HWND owner, HWND bar);
void OpenSubmenu(MenuWindowState* state, MenuWindowItem* item);
void CloseMenuWindow(MenuWindowState* state);
// The entry under a screen point, the innermost window first; keeps the highlight in step.
MenuWindowItem* MenuWindowFromPoint(MenuWindowState* state, int x, int y, bool* inside,
                                    MenuWindowState** holder = nullptr);
// True when the point lies in this window or any open sub-window.
bool IsPointInMenuWindows(MenuWindowState* state, POINT screen);
MenuWindowState* InnermostMenuWindow(MenuWindowState* state);
// Re-reads the entries of every open window of the chain (the folders changed).
void ReloadMenuWindows(MenuWindowState* state);
// Handles a key for the chain; false when the top window has nothing to do with it.
void MenuWindowKey(MenuWindowState* state, UINT vk);
// The screen rectangle of an entry's cell.
RECT MenuItemRect(const MenuWindowState* state, int index);
// The index of the entry under a point of the window's client area, or -1.
int MenuItemIndexAt(const MenuWindowState* state, POINT client);
// Highlights an entry (-1: none), as the pointer does.
void HighlightMenuItem(MenuWindowState* state, int index);
// For drops: true when the entry under a point of the window's client area is a folder.
bool HitTestMenuWindowItem(HWND window, int x, int y);
MenuWindowState* MenuStateOf(HWND window);

}  // namespace jqbar
