#include "menu_drag_drop.h"

#include <shlobj.h>

#include "drag_out.h"
#include "drop_objects.h"
#include "menu_bar_window.h"
#include "menu_cache.h"
#include "menu_entry_edit.h"
#include "shortcut_file.h"
#include "url_shortcut.h"

namespace jqbar {

namespace {

// The entry being dragged out of the menus. Only names are kept: the menus may be re-read (and
// their items and folder buttons made anew) while the drag runs.
struct DraggedEntry {
  bool active = false;
  bool movedInside = false;  // dropped onto a folder of the menus and moved there
  HWND bar = nullptr;
  std::string button;
  std::string path;
};
DraggedEntry g_drag;

// The button drawn pressed while a drag is over it: by bar and name, for the same reason.
HWND g_litBar = nullptr;
std::string g_litButton;
std::uint32_t g_litWasPressed = 0;

MenuButton* LitButton() {
  MenuBarInstance* bar = IsWindow(g_litBar) ? MenuBarOf(g_litBar) : nullptr;
  return bar && !g_litButton.empty() ? FindMenuButton(bar, g_litButton.c_str()) : nullptr;
}

void LightButton(MenuBarInstance* bar, MenuButton* button) {
  MenuButton* lit = LitButton();
  if (lit && lit == button) return;
  if (lit) {
    lit->pressed = g_litWasPressed;
    InvalidateRect(g_litBar, nullptr, FALSE);
  }
  g_litBar = nullptr;
  g_litButton.clear();
  if (!bar || !button) return;
  g_litBar = bar->window;
  g_litButton = button->name;
  g_litWasPressed = button->pressed;
  button->pressed = 1;
  InvalidateRect(bar->window, nullptr, FALSE);
  UpdateWindow(bar->window);
}

MenuButton* DropButtonAt(HWND window, int x, int y, MenuBarInstance** barOut) {
  MenuBarInstance* bar = MenuBarOf(window);
  *barOut = bar;
  return bar ? MenuButtonAt(bar, POINT{x, y}) : nullptr;
}

void BarSetDropTarget(HWND bar) {
  if (!bar) LightButton(nullptr, nullptr);
}

BOOL BarTrackDragOver(HWND window, int x, int y) {
  MenuBarInstance* bar = nullptr;
  MenuButton* button = DropButtonAt(window, x, y, &bar);
  bool accepts = AcceptsMenuDrops(button);
  LightButton(bar, accepts ? button : nullptr);
  return accepts;
}

int BarDragKind(HWND, int, int) { return 0; }

void BarDropFile(HWND window, const char* path, int x, int y) {
  LightButton(nullptr, nullptr);
  MenuBarInstance* bar = nullptr;
  if (MenuButton* button = DropButtonAt(window, x, y, &bar)) DropFileOnMenuButton(bar, button, path);
}

void BarDropIdList(HWND window, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) {
  LightButton(nullptr, nullptr);
  MenuBarInstance* bar = nullptr;
  MenuButton* button = DropButtonAt(window, x, y, &bar);
  if (!button) return;
  LPITEMIDLIST absolute = ILCombine(parent, item);
  if (!absolute) return;
  DropIdListOnMenuButton(bar, button, absolute);
  ILFree(absolute);
}

void BarDropUrl(HWND window, const UrlShortcut* shortcut, int x, int y) {
  LightButton(nullptr, nullptr);
  MenuBarInstance* bar = nullptr;
  MenuButton* button = DropButtonAt(window, x, y, &bar);
  if (button && shortcut) DropUrlOnMenuButton(bar, button, *shortcut);
}

// The folder entry of a menu window under a client point, or none.
MenuWindowItem* FolderAt(HWND menu, int x, int y, MenuWindowState** stateOut) {
  MenuWindowState* state = MenuStateOf(menu);
  *stateOut = state;
  if (!state) return nullptr;
  int index = MenuItemIndexAt(state, POINT{x, y});
  if (index < 0 || !state->items[index]->isFolder) return nullptr;
  return state->items[index];
}

// The menu window a drag is over; the folder entry that would take the drop is highlighted.
HWND g_dropMenu = nullptr;

void MenuSetDropTarget(HWND menu) {
  if (g_dropMenu && g_dropMenu != menu) HighlightMenuItem(MenuStateOf(g_dropMenu), -1);
  g_dropMenu = menu;
}

bool TakesDropOn(const MenuWindowItem* folder) {
  if (!g_drag.active) return AcceptsMenuDrops(folder->button);
  // An entry moves only within its own menu, and not in menus of shared or special folders.
  return lstrcmpiA(folder->button->name, g_drag.button.c_str()) == 0 &&
         !(folder->button->flags & kButtonSpecialFolder) && !IsCommonButton(*folder->button);
}

BOOL MenuHitTest(HWND menu, int x, int y) {
  MenuWindowState* state = nullptr;
  MenuWindowItem* folder = HitTestMenuWindowItem(menu, x, y) ? FolderAt(menu, x, y, &state) : nullptr;
  bool takes = folder && TakesDropOn(folder);
  if (MenuWindowState* shown = MenuStateOf(menu))
    HighlightMenuItem(shown, takes ? MenuItemIndexAt(shown, POINT{x, y}) : -1);
  return takes;
}

void MenuDrop(HWND menu, int x, int y) {
  MenuWindowState* state = nullptr;
  MenuWindowItem* folder = FolderAt(menu, x, y, &state);
  if (!folder || !g_drag.active) return;
  MenuBarInstance* bar = IsWindow(g_drag.bar) ? MenuBarOf(g_drag.bar) : nullptr;
  if (!bar) return;
  MenuWindowItem dragged;
  dragged.button = FindMenuButton(bar, g_drag.button.c_str());
  dragged.path = g_drag.path;
  if (dragged.button && MoveMenuItemInto(bar, &dragged, folder)) g_drag.movedInside = true;
}

BOOL MenuDragsEntry() { return g_drag.active; }

void MenuDropFile(HWND menu, const char* path, int x, int y) {
  MenuWindowState* state = nullptr;
  MenuWindowItem* folder = FolderAt(menu, x, y, &state);
  MenuBarInstance* bar = state ? MenuBarOf(state->bar) : nullptr;
  if (folder && bar) DropFileOnMenuButton(bar, folder->button, path, folder->path.c_str());
}

void MenuDropIdList(HWND menu, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) {
  MenuWindowState* state = nullptr;
  MenuWindowItem* folder = FolderAt(menu, x, y, &state);
  MenuBarInstance* bar = state ? MenuBarOf(state->bar) : nullptr;
  if (!folder || !bar) return;
  LPITEMIDLIST absolute = ILCombine(parent, item);
  if (!absolute) return;
  DropIdListOnMenuButton(bar, folder->button, absolute, folder->path.c_str());
  ILFree(absolute);
}

std::string LastComponent(const std::string& path) {
  std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void InstallMenuDropHandlers() {
  MenuBarDropHandlers bar;
  bar.setDropTarget = BarSetDropTarget;
  bar.trackDragOver = BarTrackDragOver;
  bar.dragKind = BarDragKind;
  bar.dropFile = BarDropFile;
  bar.dropIdList = BarDropIdList;
  bar.dropUrl = BarDropUrl;
  SetMenuBarDropHandlers(bar);
  MenuWindowDropHandlers menu;
  menu.setDropTarget = MenuSetDropTarget;
  menu.hitTest = MenuHitTest;
  menu.drop = MenuDrop;
  menu.dragsEntry = MenuDragsEntry;
  menu.dropFile = MenuDropFile;
  menu.dropIdList = MenuDropIdList;
  SetMenuWindowDropHandlers(menu);
}

IDropTarget* RegisterMenuBarDrops(HWND bar) {
  IDropTarget* target = CreateMenuBarDropTarget(bar);
  if (target && FAILED(RegisterDragDrop(bar, target))) {
    DestroyMenuBarDropTarget(target);
    target = nullptr;
  }
  return target;
}

IDropTarget* RegisterMenuWindowDrops(HWND menu) {
  IDropTarget* target = CreateMenuWindowDropTarget(menu);
  if (target && FAILED(RegisterDragDrop(menu, target))) {
    DestroyMenuWindowDropTarget(target);
    target = nullptr;
  }
  return target;
}

void RevokeMenuBarDrops(HWND bar, IDropTarget* target) {
  if (!target) return;
  RevokeDragDrop(bar);
  DestroyMenuBarDropTarget(target);
}

void RevokeMenuWindowDrops(HWND menu, IDropTarget* target) {
  if (!target) return;
  RevokeDragDrop(menu);
  DestroyMenuWindowDropTarget(target);
}

std::string WriteMenuDragFile(MenuButton* button, const MenuWindowItem& item, const char* folder) {
  if (!button || !folder || !*folder || item.isFolder) return "";
  bool special = (button->flags & kButtonSpecialFolder) != 0;
  MenuEntry* owned = nullptr;
  const MenuEntry* entry = nullptr;
  if (button->userMenu)
    entry = FindPathTreeFolder(&button->tree, item.path.c_str());
  else if (!special)
    entry = owned = ReadMenuEntryFile(item.path.c_str());
  if (!special && !entry) return "";
  char name[MAX_PATH] = {};
  lstrcpynA(name, entry ? entry->name.c_str() : item.name, 200);
  if (!entry && !name[0]) lstrcpynA(name, LastComponent(item.path).c_str(), 200);
  StripIllegalFileNameChars(name);
  if (!name[0]) lstrcpynA(name, "Menu entry", sizeof name);
  std::string dir = folder;
  if (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
  std::string path;
  if (special) {
    path = dir + "\\" + name + ".lnk";
    if (!item.idList || !CreateShortcutFile(dir.c_str(), name, nullptr, nullptr, nullptr, nullptr,
                                            SW_SHOWNORMAL, nullptr, 0, item.idList))
      path.clear();
  } else if ((entry->flags & kEntryTargetUrl) && entry->url) {
    UrlShortcut shortcut{name, entry->url->url};
    if (!WriteUrlShortcutFile(&shortcut, dir.c_str(), &path)) path.clear();
  } else {
    bool byList = (entry->flags & kEntryTargetIdList) && entry->idList;
    path = dir + "\\" + name + ".lnk";
    const char* iconFile = entry->hasIcon && !entry->iconFile.empty() ? entry->iconFile.c_str() : nullptr;
    if (!byList && entry->command.empty()) {
      path.clear();
    } else if (!CreateShortcutFile(dir.c_str(), name, byList ? nullptr : entry->command.c_str(), nullptr,
                                   entry->parameters.c_str(), entry->startIn.c_str(),
                                   entry->runMode ? entry->runMode : SW_SHOWNORMAL, iconFile,
                                   entry->iconIndex, byList ? entry->idList : nullptr)) {
      path.clear();
    } else {
      path = ShortcutAsStored(path);
    }
  }
  FreeMenuEntries(owned);
  return path;
}

void DragMenuEntryOut(MenuBarInstance* bar, const MenuWindowItem* item) {
  if (!bar || !item || item->isFolder || g_drag.active) return;
  std::string folder = DragOutFolder();
  std::string file = folder.empty() ? "" : WriteMenuDragFile(item->button, *item, folder.c_str());
  if (file.empty()) {
    CloseMenus();
    return;
  }
  g_drag.active = true;
  g_drag.movedInside = false;
  g_drag.bar = bar->window;
  g_drag.button = item->button->name;
  g_drag.path = item->path;
  // The drag takes the mouse: the bar's tracking capture gives way.
  if (GetCapture() == bar->window) ReleaseCapture();
  DragOutFile(file);
  bool moved = g_drag.movedInside;
  g_drag = DraggedEntry{};
  LightButton(nullptr, nullptr);
  // An entry moved between our own menus leaves nothing for anyone to read.
  if (moved) DeleteFileA(file.c_str());
  CloseMenus();
}

bool IsDraggingMenuEntry() { return g_drag.active; }

}  // namespace jqbar
