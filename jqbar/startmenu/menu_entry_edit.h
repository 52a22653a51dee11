// Editing the entries of the menus: the real files below the Programs folder for folder menus,
// the tree for the user's own menus; the entry context menu and its dialogs; drops onto buttons.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

#include "menu_bar_settings.h"
#include "menu_window.h"

namespace jqbar {

// File operations; every path is relative to the user's Programs folder.
void DeleteMenuEntryFile(const char* path);
bool CreateMenuFolder(const char* path);
bool CreateMenuEntryFile(const char* folder, const char* name, const char* command,
                         const char* startIn, const char* parameters, int runMode,
                         const char* iconFile, int iconIndex, const void* target, int isShortcut);
bool RenameMenuEntryFile(const char* folder, const char* oldName, const char* newName);
bool MoveMenuEntryFile(const char* path, const char* destinationFolder);

// What an entry edit writes.
struct EntryFields {
  std::string label;
  std::string command;
  std::string startIn;
  std::string parameters;
  int runMode = 1;
  std::string iconFile;
  int iconIndex = 0;
  LPCITEMIDLIST idList = nullptr;  // the target of a shell-item entry (borrowed)
};

// Replaces the shortcut `oldFile` (name with extension) of a folder by a new one named by the
// label. The new file is written first under a temporary name; the old file is moved aside and
// the new one put in place; only then does the old one go to the recycle bin. Any failure leaves
// the folder as it was. A label that differs only in letter case works.
bool ReplaceMenuEntryFile(const char* folder, const char* oldFile, const EntryFields& fields);
// The same for an Internet shortcut (".url") named by the shortcut's name.
bool ReplaceUrlEntryFile(const char* folder, const char* oldFile, const UrlShortcut& shortcut);
// The same edit in a user menu's tree (the label unchanged replaces in place).
bool ReplaceTreeEntry(MenuButton* button, const char* folderPath, const char* oldName,
                      const EntryFields& fields);

// Drops onto a button: the entry goes to the top of its menu, or of its sub-menu `folder` (a
// menu window's entry path) when one is given. False when refused or failed.
bool AcceptsMenuDrops(const MenuButton* button);
bool DropFileOnMenuButton(MenuBarInstance* bar, MenuButton* button, const char* path,
                          const char* folder = nullptr);
bool DropIdListOnMenuButton(MenuBarInstance* bar, MenuButton* button, LPCITEMIDLIST absolute,
                            const char* folder = nullptr);
bool DropUrlOnMenuButton(MenuBarInstance* bar, MenuButton* button, const UrlShortcut& url);
// An entry dragged onto a folder entry of a menu moves into it.
bool MoveMenuItemInto(MenuBarInstance* bar, const MenuWindowItem* dragged,
                      const MenuWindowItem* folder);

// The context menu of an entry (or of an empty place of a menu window when item is none).
void ShowEntryContextMenu(MenuBarInstance* bar, MenuWindowState* holder, MenuWindowItem* item,
                          POINT screen);
void RunEntryCommand(MenuBarInstance* bar, MenuButton* button, const char* windowPath,
                     const MenuWindowItem* item, UINT command, HWND owner);

}  // namespace jqbar
