// Owner-drawn cascading popup menus over shell folders (the Favorites and Start Menu menus), the
// program's own Favorites folder, and adding shortcuts to it.
#pragma once
#include <windows.h>
#include <shlobj.h>

struct FolderMenuEntry {
  UINT commandId;             // 0 for a folder entry
  LPITEMIDLIST item;          // relative to the folder that lists it
  LPITEMIDLIST absolute;      // from the desktop
  char name[260];             // display name
  char parsingName[260];      // file path
  int width;                  // the widest text of its menu plus 30
  HMENU submenu;              // folder entries
  UINT isFolder;
  UINT folderLink;            // a shortcut whose target is a folder or not a file
  IShellFolder* owner;        // the folder the entry was enumerated from (reference held)
};

// How one menu tree is built: its command-id range, the entries per folder, shortcut resolution.
struct FolderMenuBuild {
  UINT nextId;
  UINT lastId;                // no command id beyond this one is given out
  int itemHeight = 20;
  bool resolveShortcuts = false;
  int maxEntries = 200;       // per folder
  int entriesPerColumn = 0;   // 0: from the work area
};

constexpr UINT kEmptyFolderEntryId = 300;
constexpr UINT kFavoritesFirstId = 47000, kFavoritesLastId = 47999;
constexpr UINT kStartMenuFirstId = 49000, kStartMenuLastId = 0xFFFF;

// Builds the menu of a folder (absolute id list; null = the desktop) into `existing` or a new
// popup; null when the folder cannot be bound. `emptyText` is the text of the disabled entry an
// empty folder shows (none when `noEmptyEntry`).
HMENU BuildFolderMenu(LPCITEMIDLIST absolute, HMENU existing, FolderMenuBuild& build, const char* emptyText,
                      bool noEmptyEntry);
// Frees the entries of a menu tree and destroys it.
void ReleaseFolderMenu(HMENU menu);
// Removes the items of a menu from `position` on, freeing the entries among them and their
// submenus; the menu itself stays (a menu of the program that entries were appended to).
void ReleaseFolderMenuItemsFrom(HMENU menu, int position);
// The entry of a command id anywhere in the tree; null when none.
FolderMenuEntry* FindFolderMenuEntry(HMENU menu, UINT commandId);
// The entry's target (a copy for the caller to free with FreePidl): a shortcut's resolved target
// when it is a folder or no file; otherwise a copy of the absolute item. `isFolder` tells whether
// it opens as a folder.
LPITEMIDLIST GetFolderMenuEntryTarget(const FolderMenuEntry* entry, BOOL* isFolder);
// WM_MEASUREITEM / WM_DRAWITEM of the entries; FALSE when the item is not one of ours.
BOOL MeasureFolderMenuItem(MEASUREITEMSTRUCT* measure);
BOOL DrawFolderMenuItem(const DRAWITEMSTRUCT* draw);

// The Favorites folder: "<program folder>\<user>\Favorites", created and seeded with shortcuts
// (the Windows folder, My Computer, the Control Panel, and Notepad in a programs folder) the
// first time. `names` are the seed names: Windows, My Computer, Control Panel, programs folder,
// Notepad. 1 and the path (MAX_PATH) when the folder exists.
int GetFavoritesFolderPath(char* out, const char* const names[5]);
// Shortcut to `item` named `name` (cleaned of illegal characters, made unique with " (2)", " (3)",
// ...) in `folder`; 1 on success, the file's path in `created` (MAX_PATH, may be null).
int AddShortcutToFolder(const char* folder, LPCITEMIDLIST item, const char* name, char* created);
