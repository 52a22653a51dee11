// The Favorites and Start Menu drop-down menus of the toolbar, opening their entries, adding to
// Favorites and the Favorites folder commands.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string>
#include "actions.h"
#include "command_handlers.h"
#include "folder_watch.h"
#include "favorites_commands.h"
#include "file_pane.h"
#include "folder_menu.h"
#include "frame_state.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "tree_nodes.h"
#include "window_helpers.h"

namespace {
HMENU g_favoritesMenu = nullptr;  // kept until the next drop-down, so that its command can be resolved
// The menu bar's Favorites popup once filled with the favorites, and which of the two menus
// was shown last (their entries share one range of command ids).
HMENU g_menuBarFavorites = nullptr;
bool g_menuBarShownLast = false;
HMENU g_startMenu = nullptr;

std::string LoadText(UINT id) {
  char buffer[300] = "";
  LoadStringA(g_instance, id, buffer, sizeof buffer);
  return buffer;
}

void FavoritesNames(std::string (&names)[5]) {
  const UINT ids[5] = {IDS_FAVORITE_WINDOWS, IDS_FAVORITE_MY_COMPUTER, IDS_FAVORITE_CONTROL_PANEL,
                       IDS_FAVORITE_PROGRAMS, IDS_LAUNCH_NOTEPAD};
  for (int i = 0; i < 5; ++i) names[i] = LoadText(ids[i]);
}

// The point under a toolbar button, or the cursor when the toolbar is hidden.
POINT DropDownPoint(UINT command) {
  POINT pt{};
  GetCursorPos(&pt);
  HWND toolbar = g_frame.toolbar;
  if (!toolbar || !IsWindowVisible(toolbar)) return pt;
  int index = static_cast<int>(SendMessageA(toolbar, TB_COMMANDTOINDEX, command, 0));
  RECT r{};
  if (index < 0 || !SendMessageA(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r))) return pt;
  pt = {r.left - 1, r.bottom + 1};
  ClientToScreen(toolbar, &pt);
  return pt;
}

// Opens a folder item in the active pane; anything else is started by its id list.
int OpenMenuTarget(HWND window, LPITEMIDLIST target, BOOL isFolder) {
  if (!target) return 0;
  int result = 0;
  char path[MAX_PATH] = "";
  if (isFolder && SHGetPathFromIDListA(target, path) && path[0]) {
    result = NavigatePaneToPath(ActivePaneIndex, path, TRUE) != nullptr;
  } else {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = window;
    info.lpIDList = target;
    info.nShow = SW_SHOWNORMAL;
    result = seams::ShellExecuteExA(&info) ? 1 : 0;
  }
  FreePidl(target);
  return result;
}

int OpenEntryOf(HWND window, HMENU menu, UINT id) {
  FolderMenuEntry* entry = FindFolderMenuEntry(menu, id);
  if (!entry) return 0;
  BOOL isFolder = FALSE;
  LPITEMIDLIST target = GetFolderMenuEntryTarget(entry, &isFolder);
  return OpenMenuTarget(window, target, isFolder);
}

void ShowDropDown(HWND window, HMENU menu, UINT command) {
  if (!menu) return;
  POINT pt = DropDownPoint(command);
  UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, window, nullptr);
  if (chosen && chosen != kEmptyFolderEntryId) SendMessageA(window, WM_COMMAND, chosen, 0);
}

INT_PTR CALLBACK FavoritesInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      SendDlgItemMessageA(dialog, IDC_FAVINFO_ICON, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION))), 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        if (LOWORD(wParam) == IDOK && IsDlgButtonChecked(dialog, IDC_FAVINFO_DONT_SHOW)) {
          DWORD zero = 0;
          WriteSettingDword("OrganizeFavoritesInfo", &zero);
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

UINT_PTR CALLBACK AddFavoriteHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == CDN_INITDONE)
    SendMessageA(GetParent(dialog), CDM_SETCONTROLTEXT, IDOK, reinterpret_cast<LPARAM>(LoadText(IDS_ADD_FAVORITE_OK).c_str()));
  return 0;
}
}  // namespace

int FavoritesFolderPath(char* out) {
  std::string names[5];
  FavoritesNames(names);
  const char* pointers[5] = {names[0].c_str(), names[1].c_str(), names[2].c_str(), names[3].c_str(), names[4].c_str()};
  return GetFavoritesFolderPath(out, pointers);
}

namespace {
// The watcher of the Favorites and Start Menu folders watches the program's own Favorites folder.
struct FavoritesWatchInstaller {
  FavoritesWatchInstaller() {
    g_favoritesFolderSource = [](char* path) -> BOOL { return FavoritesFolderPath(path) ? TRUE : FALSE; };
  }
} g_favoritesWatchInstaller;
}  // namespace

HMENU RebuildFavoritesMenu() {
  ReleaseFolderMenu(g_favoritesMenu);
  g_favoritesMenu = nullptr;
  char folder[MAX_PATH];
  if (!FavoritesFolderPath(folder)) return nullptr;
  LPITEMIDLIST absolute = ParsePathToPidl(folder, nullptr, nullptr);
  if (!absolute) return nullptr;
  FolderMenuBuild build{kFavoritesFirstId, kFavoritesLastId};
  build.resolveShortcuts = true;
  g_favoritesMenu = BuildFolderMenu(absolute, nullptr, build, LoadText(IDS_FOLDER_EMPTY).c_str(), false);
  FreePidl(absolute);
  return g_favoritesMenu;
}

bool FillMenuBarFavorites(HMENU popup) {
  char first[100] = "";
  GetMenuStringA(popup, 0, first, sizeof first, MF_BYPOSITION);
  if (!first[0] || lstrcmpiA(first, LoadText(IDS_FAVORITES_ADD).c_str()) != 0) return false;
  g_menuBarShownLast = true;
  // Filled once and kept; filled again when the Favorites folder has changed.
  const bool stale = g_favoritesStale.exchange(0) != 0;
  if (popup == g_menuBarFavorites && !stale) return true;
  int start = 0;
  for (int i = 0, count = GetMenuItemCount(popup); i < count; ++i)
    if (GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) {
      start = i + 1;
      break;
    }
  if (start == 0) return true;
  ReleaseFolderMenuItemsFrom(popup, start);
  g_menuBarFavorites = popup;
  char folder[MAX_PATH];
  if (FavoritesFolderPath(folder)) {
    if (LPITEMIDLIST absolute = ParsePathToPidl(folder, nullptr, nullptr)) {
      FolderMenuBuild build{kFavoritesFirstId, kFavoritesLastId};
      build.resolveShortcuts = true;
      BuildFolderMenu(absolute, popup, build, LoadText(IDS_FOLDER_EMPTY).c_str(), false);
      FreePidl(absolute);
    }
  }
  StartStartMenuWatcher();
  return true;
}

HMENU RebuildStartMenuMenu() {
  ReleaseFolderMenu(g_startMenu);
  g_startMenu = CreatePopupMenu();
  AppendMenuA(g_startMenu, MF_STRING, ID_TOOLS_START_MENU_FOLDER, LoadText(IDS_OPEN_START_MENU_FOLDER).c_str());
  AppendMenuA(g_startMenu, MF_SEPARATOR, 0, nullptr);
  FolderMenuBuild build{kStartMenuFirstId, kStartMenuLastId};
  LPITEMIDLIST user = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTMENU, &user)) && user) {
    BuildFolderMenu(user, g_startMenu, build, LoadText(IDS_FOLDER_EMPTY).c_str(), false);
    FreePidl(user);
  }
  // The programs every user shares join the user's own.
  LPITEMIDLIST common = nullptr;
  if (IsNT && SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_PROGRAMS, &common)) && common) {
    HMENU shared = BuildFolderMenu(common, nullptr, build, nullptr, true);
    if (shared && GetMenuItemCount(shared) > 0) {
      HMENU into = g_startMenu;
      // The first folder entry of the user's menu (its Programs) gets the shared entries.
      for (int i = 0; i < GetMenuItemCount(g_startMenu); ++i) {
        HMENU sub = GetSubMenu(g_startMenu, i);
        if (sub) {
          into = sub;
          break;
        }
      }
      AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(into, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(shared), "");
      // Shown as their own entries: move them up out of the helper popup.
      RemoveMenu(into, GetMenuItemCount(into) - 1, MF_BYPOSITION);
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      while (GetMenuItemCount(shared) > 0) {
        char text[4] = "";
        info.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(shared, 0, TRUE, &info)) break;
        RemoveMenu(shared, 0, MF_BYPOSITION);
        InsertMenuItemA(into, static_cast<UINT>(GetMenuItemCount(into)), TRUE, &info);
      }
      DestroyMenu(shared);
    } else if (shared) {
      ReleaseFolderMenu(shared);
    }
    FreePidl(common);
  }
  return g_startMenu;
}

HMENU CurrentFavoritesMenu() { return g_favoritesMenu; }
HMENU CurrentStartMenuMenu() { return g_startMenu; }

int AddItemToFavorites(LPCITEMIDLIST item, const char* name) {
  char folder[MAX_PATH];
  if (!FavoritesFolderPath(folder)) return 0;
  return AddShortcutToFolder(folder, item, name, nullptr);
}

LRESULT ShowFavoritesDropDownMenu(HWND window, UINT, WPARAM, LPARAM) {
  g_menuBarShownLast = false;
  ShowDropDown(window, RebuildFavoritesMenu(), ID_FAVORITES_DROP_DOWN);
  return 0;
}

LRESULT ShowStartMenuDropDownMenu(HWND window, UINT, WPARAM, LPARAM) {
  ShowDropDown(window, RebuildStartMenuMenu(), ID_START_MENU_DROP_DOWN);
  return 0;
}

LRESULT OpenToolbarFavorite(HWND window, UINT, WPARAM wParam, LPARAM) {
  HMENU shown = g_menuBarShownLast ? g_menuBarFavorites : g_favoritesMenu;
  if (!OpenEntryOf(window, shown, LOWORD(wParam)) && shown != g_favoritesMenu)
    OpenEntryOf(window, g_favoritesMenu, LOWORD(wParam));
  return 0;
}

LRESULT OpenFavoritesMenuItem(HWND window, UINT, WPARAM wParam, LPARAM) {
  OpenEntryOf(window, g_startMenu, LOWORD(wParam));
  return 0;
}

LRESULT OpenStartMenuFolder(HWND window, UINT, WPARAM, LPARAM) {
  LPITEMIDLIST start = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(window, CSIDL_STARTMENU, &start)) || !start) return 0;
  OpenMenuTarget(window, start, TRUE);
  return 0;
}

LRESULT AddCurrentFolderToFavorites(HWND, UINT, WPARAM, LPARAM) {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  FolderTreeItem* record = selected ? GetTreeItemRecord(tree, selected) : nullptr;
  if (!record || !record->absolute) return RefuseCommand();
  char name[MAX_PATH] = "";
  if (record->folder && record->relative)
    GetDisplayNameText(record->folder, record->relative, SHGDN_NORMAL, name);
  if (!AddItemToFavorites(record->absolute, name)) MessageBeep(MB_ICONEXCLAMATION);
  return 0;
}

LRESULT AddNewFavorite(HWND window, UINT, WPARAM, LPARAM) {
  char filter[300] = "";
  LoadStringA(g_instance, IDS_RUN_FILTER, filter, sizeof filter - 1);
  for (char* p = filter; *p; ++p)
    if (*p == '|') *p = '\0';
  char initial[MAX_PATH] = "";
  GetPaneFolderPath(ActivePaneIndex, initial, FALSE);
  std::string title = LoadText(IDS_ADD_FAVORITE_TITLE);
  char file[MAX_PATH] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = window;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = initial[0] ? initial : nullptr;
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  ofn.lpfnHook = AddFavoriteHook;
  if (!GetOpenFileNameA(&ofn)) return 0;
  LPITEMIDLIST item = ParsePathToPidl(file, nullptr, nullptr);
  if (!item) return 0;
  SHFILEINFOA info{};
  if (SHGetFileInfoA(reinterpret_cast<const char*>(item), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME))
    AddItemToFavorites(item, info.szDisplayName);
  FreePidl(item);
  return 0;
}

LRESULT OpenFavoritesFolder(HWND window, UINT, WPARAM, LPARAM) {
  DWORD show = 1;
  if (!ReadSettingDword("OrganizeFavoritesInfo", &show)) show = 1;
  if (show) DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_FAVORITES_INFO), window, FavoritesInfoProc, 0);
  char folder[MAX_PATH];
  if (!FavoritesFolderPath(folder)) return 0;
  if (NavigatePaneToPath(ActivePaneIndex, folder, TRUE)) {
    const FilePane& pane = FilePanes[ActivePaneIndex];
    HWND focus = pane.treeShown && pane.tree ? pane.tree : pane.list;
    if (focus) SetFocus(focus);
  }
  return 0;
}

BOOL OnFolderMenuMeasure(MEASUREITEMSTRUCT* measure) { return MeasureFolderMenuItem(measure); }
BOOL OnFolderMenuDraw(const DRAWITEMSTRUCT* draw) { return DrawFolderMenuItem(draw); }
