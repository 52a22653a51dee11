// The Favorites and Start Menu menus of the main window.
#pragma once
#include <windows.h>
#include <shlobj.h>

// The Favorites folder (created and seeded on first use); 1 and the path (MAX_PATH) on success.
int FavoritesFolderPath(char* out);
// The menus, built anew (the previous one released) and kept until the next build.
HMENU RebuildFavoritesMenu();
HMENU RebuildStartMenuMenu();
HMENU CurrentFavoritesMenu();
HMENU CurrentStartMenuMenu();
// A shortcut to `item` named `name` in the Favorites folder; 1 on success.
int AddItemToFavorites(LPCITEMIDLIST item, const char* name);
// WM_MEASUREITEM / WM_DRAWITEM of the menus' entries; FALSE when not theirs.
BOOL OnFolderMenuMeasure(MEASUREITEMSTRUCT* measure);
BOOL OnFolderMenuDraw(const DRAWITEMSTRUCT* draw);
