#include "ftp_engine.h"
#include "startup_settings.h"
#include <commctrl.h>
#include <algorithm>
#include <vector>
#include "coolbar.h"
#include "file_list.h"
#include "file_pane.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "main_window.h"
#include "settings_store.h"
#include "startup.h"
#include "startup_shell.h"
#include "command_ids.h"

BOOL g_restoreRectangle = TRUE;

namespace {
// The stored window rectangle as read, before the new window's own moves are recorded.
RECT g_savedRect;
bool g_haveSavedRect;
}  // namespace

void LoadStartupSettings(const char* commandLine) {
  DWORD replace = 0;
  if (!ReadSettingDword("Replace MS Explorer", &replace)) replace = 0;
  g_replaceExplorer = replace;
  SyncReplaceExplorerAtStartup(replace);
  GlobalSettings global;
  if (LoadGlobalSettings(&global))
    ApplyGlobalSettings(global);
  else
    ApplyDefaultGlobalSettings();
  g_savedRect = GetLiveOptions().normalRect;
  g_haveSavedRect = GetLiveOptions().useSavedPlacement;
  FilePanesSettings panes;
  if (!LoadPanesSettings(&panes)) DefaultPanesSettings(&panes);
  ApplyPanesSettings(&panes);
  LoadFileFilter();
  LoadDriveFilters();
  LoadCoolbarLayout();
  LoadFtpSettings();
  RECT start;
  if (ApplyCommandLineAtStartup(commandLine, &start)) {
    g_savedRect = start;
    g_haveSavedRect = true;
  }
}

namespace {

BOOL CALLBACK AnnounceToInstance(HWND window, LPARAM self) {
  if (window == reinterpret_cast<HWND>(self)) return TRUE;
  char name[32];
  if (GetClassNameA(window, name, sizeof name) && strcmp(name, g_className) == 0)
    SendMessageA(window, WM_USER + 101, 0, self);
  return TRUE;
}

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info))
    reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcWork);
  return TRUE;
}

void HideBar(HWND bar, uint32_t shown) {
  if (bar && IsWindow(bar) && !shown) ShowWindow(bar, SW_HIDE);
}

}  // namespace

void BroadcastToInstances() {
  EnumWindows(AnnounceToInstance, reinterpret_cast<LPARAM>(g_mainWindow));
}

bool PlaceRestoredRect(RECT* r, SIZE screen, const RECT* areas, int count) {
  int width = r->right - r->left, height = r->bottom - r->top;
  if (width <= 0 || height <= 0) return false;
  if (r->top > screen.cy * 95 / 100 && r->left > screen.cx * 95 / 100) {
    r->left = 5;
    r->top = 5;
    r->right = 5 + width;
    r->bottom = 5 + height;
  }
  if (count <= 0) return true;
  // The caption strip must lie on some work area by at least 40 x 20 pixels.
  RECT caption = {r->left, r->top, r->right, r->top + 20};
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    RECT overlap;
    if (IntersectRect(&overlap, &caption, &areas[i]) && overlap.right - overlap.left >= 40 &&
        overlap.bottom - overlap.top >= 20)
      return true;
    long dx = std::max<long>({areas[i].left - r->left, 0L, r->left - areas[i].right});
    long dy = std::max<long>({areas[i].top - r->top, 0L, r->top - areas[i].bottom});
    long d = dx * dx + dy * dy;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  const RECT& a = areas[best];
  width = std::min<int>(width, a.right - a.left);
  height = std::min<int>(height, a.bottom - a.top);
  int left = std::clamp<int>(r->left, a.left, a.right - width);
  int top = std::clamp<int>(r->top, a.top, a.bottom - height);
  *r = {left, top, left + width, top + height};
  return true;
}

void ApplyStartupState(HWND window, int show) {
  LiveOptions& o = GetLiveOptions();
  LoadSaveOnExit();
  ClearModelessDialogTable();
  if (o.viewerShown) {
    o.viewerShown = 0;
    SendMessageA(window, WM_COMMAND, ID_VIEW_VIEWER_PANE, 0);
  }
  if (o.dosBarShown) {
    o.dosBarShown = 0;
    SendMessageA(window, WM_COMMAND, ID_VIEW_COMMAND_LINE_BAR, 0);
  }
  HideBar(g_frame.toolbar, o.toolbarShown);
  HideBar(g_frame.driveBar, o.driveBarShown);
  HideBar(g_frame.launchBar, o.launchBarShown);
  HideBar(g_frame.statusBar, o.statusBarShown);
  HideBar(g_frame.commandLineBar, o.dosBarShown);
  RefreshCoolbarBands();
  LoadKeyboardSchemeMenus(o.keyboardScheme);

  for (FilePane& p : FilePanes) {
    p.descending = p.savedFsDescending;
    p.sortKey = p.savedFsSortKey;
  }
  HMENU menu = GetMenu(window);
  if (menu && FilePanes[0].sortKey <= 6)
    CheckMenuRadioItem(menu, ID_SORT_BY_NAME, ID_SORT_BY_ATTRIBUTES, ID_SORT_BY_NAME + FilePanes[0].sortKey, MF_BYCOMMAND);

  for (FilePane& p : FilePanes) {
    if (p.viewId < kViewLargeIcons || p.viewId > kViewDetails) p.viewId = kViewList;
    if (p.list) SetPaneViewMode(p.list, ViewStyleOfCommand(p.viewId), p.viewId);
  }
  ApplyListExtendedStyles();
  for (FilePane& p : FilePanes)
    if (p.tree) ShowWindow(p.tree, p.treeShown ? SW_SHOWNA : SW_HIDE);
  SetPaneLayout(!g_paneLayout.twoPanes ? ID_LAYOUT_SINGLE : (g_paneLayout.orientation ? ID_LAYOUT_STACKED : ID_LAYOUT_SIDE_BY_SIDE),
                FALSE);

  const FilePane& active = FilePanes[ActivePaneIndex];
  PostMessageA(window, WM_COMMAND, active.tree && active.list ? ID_VIEW_REBUILD_TREES : ID_FILE_EXIT, 0);

  BroadcastToInstances();

  if (g_restoreRectangle && g_haveSavedRect) {
    RECT r = g_savedRect;
    SIZE screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    std::vector<RECT> areas;
    EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
    if (PlaceRestoredRect(&r, screen, areas.data(), static_cast<int>(areas.size())))
      SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  if (o.maximized && show != SW_SHOWMINIMIZED && show != SW_MINIMIZE &&
      show != SW_SHOWMINNOACTIVE)
    show = SW_SHOWMAXIMIZED;
  CheckZipAssociation(window);
  ShowWindow(window, show);
  UpdateWindow(window);
}
