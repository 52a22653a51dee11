// The menus' shared state: the menu lock, the cache of folder contents, the reading of menu
// folders and entries, and the background threads (the cache filler and the folder watchers).
// The watchers never touch a window: they post to the bars, which refresh on their own thread.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "menu_tree.h"

namespace jqbar {

// Posted to a bar window: the first-level folders changed (refresh the buttons).
inline constexpr UINT MBM_FOLDERSCHANGED = WM_USER + 1303;
// Posted to a bar window: something below the Programs folders changed (open menus re-read).
inline constexpr UINT MBM_MENUSCHANGED = WM_USER + 1304;

inline constexpr int kMaxCacheSlots = 100;
inline constexpr int kMaxFolderEntries = 200;

void CreateMenuLock();
void LockMenus();
bool LockMenusFor(DWORD milliseconds);
void UnlockMenus();

void StartMenuCacheThread();
void StopMenuCacheThread();
void WakeMenuCacheThread();
void ClearMenuCache(bool lock);
MenuEntry* GetCachedMenuEntries(const char* path);
bool IsMenuFolderCached(const char* path);
void PutMenuCacheEntry(const char* path, const MenuEntry* list);
int CountMenuCacheSlots();
// The entries of a menu folder (cached, or read and cached); the caller frees the list.
MenuEntry* GetMenuFolderEntries(const char* path);
// One entry of a menu folder from its relative path; none when the file is gone.
MenuEntry* ReadMenuEntryFile(const char* relativePath);
MenuEntry* ReadSpecialFolderEntries(int csidl, HWND owner);

// The bars the watchers tell about changes (at most 30).
void AddMenuBarToList(HWND bar);
void RemoveMenuBarFromList(HWND bar);
void StartMenuWatchers();
void StopMenuWatchers();
// While an entry's properties dialog is open the watchers leave the bars alone.
void SetEntryDialogOpen(bool open);
bool IsEntryDialogOpen();

}  // namespace jqbar
