// The viewer pane in the main window: shown or hidden, docked or floating, following the active
// list's focused item, and its requests to open the shown file.
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "archive_items.h"
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "pane_host.h"
#include "pidl.h"
#include "program_values.h"
#include "sccvw.h"
#include "settings_store.h"
#include "viewer_pane.h"
#include "window_utils.h"
#include "command_ids.h"

namespace {

bool g_viewerUpdatesSuspended = false;

// The active list's focused item, when the list had the focus last: its parsing path, or for an
// entry of an archive the path of its copy extracted into the archive temporary folder.
BOOL FocusedItemPath(std::string* path) {
  if (g_viewerUpdatesSuspended) return FALSE;
  const FilePane& p = FilePanes[ActivePaneIndex];
  if (!p.list || g_frame.lastFocus != p.list) return FALSE;
  int index = ListView_GetNextItem(p.list, -1, LVNI_FOCUSED | LVNI_SELECTED);
  if (index < 0) return FALSE;
  FileListItem* record = GetListItemRecord(p.list, index);
  if (!record) return FALSE;
  if (record->kind == kItemArchiveEntry) {
    char extracted[MAX_PATH] = "";
    if (!record->entryPath || !ExtractArchiveEntryCopy(record->entryPath, extracted)) return FALSE;
    *path = extracted;
    return TRUE;
  }
  if (!record->folder || !record->pidl) return FALSE;
  char name[MAX_PATH] = "";
  if (!GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, name) || !name[0]) return FALSE;
  *path = name;
  return TRUE;
}

void ReselectFocused() {
  const FilePane& p = FilePanes[ActivePaneIndex];
  if (!p.list) return;
  int index = ListView_GetNextItem(p.list, -1, LVNI_FOCUSED);
  if (index >= 0) ListView_SetItemState(p.list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void NoteViewerWindows() {
  g_frame.viewer[0] = g_viewerPane.ViewerWindow;
  g_frame.viewer[1] = g_viewerPane.ImageViewerWindow;
  g_frame.viewerButton = g_viewerPane.ViewerOptionsButton;
  g_frame.viewerFrame = g_viewerPane.ViewerDocking == 2 ? g_viewerPane.ActiveViewerWindow : nullptr;
}

void ShowViewerChecks(HWND window, BOOL shown) {
  SetMenuItemCheck(window, ID_VIEW_VIEWER_PANE, shown);
  if (g_frame.toolbar) SendMessageA(g_frame.toolbar, TB_CHECKBUTTON, ID_VIEW_VIEWER_PANE, MAKELONG(shown, 0));
}

void UpdateViewerFromPanes(BOOL show) {
  if (!ViewerPaneExists() || !GetLiveOptions().viewerShown) return;
  if (show) {
    ShowSelectionInViewer();
  } else {
    ClearViewerPane();
  }
}

void ClearViewerOfMainWindow() { ClearViewerPane(); }

BOOL ViewerWindowShown() {
  return ViewerPaneExists() && (IsWindowVisible(g_viewerPane.ViewerWindow) ||
                                (g_viewerPane.ImageViewerWindow && IsWindowVisible(g_viewerPane.ImageViewerWindow)));
}

// The panes reach the viewer through their host table.
struct ViewerHostInstaller {
  ViewerHostInstaller() {
    GetPaneHost().clearViewer = ClearViewerOfMainWindow;
    GetPaneHost().updateViewer = UpdateViewerFromPanes;
  }
} g_viewerHostInstaller;

void ApplyOnTop() {
  HWND w = g_viewerPane.ActiveViewerWindow;
  if (!w || g_viewerPane.ViewerDocking != 2) return;
  HWND after = GetLiveOptions().viewerOnTop ? HWND_TOPMOST : HWND_NOTOPMOST;
  for (HWND v : {g_viewerPane.ViewerWindow, g_viewerPane.ImageViewerWindow})
    if (v) SetWindowPos(v, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

void SuspendViewerUpdates(bool suspended) { g_viewerUpdatesSuspended = suspended; }

BOOL ExtractArchiveEntryCopy(const char* entryPath, char* path) {
  const char* name = entryPath;
  for (const char* c = entryPath; *c; ++c)
    if (*c == '\\' || *c == '/') name = c + 1;
  lstrcpynA(path, name, MAX_PATH);
  return ExtractArchiveItemToTemp(entryPath, path) ? TRUE : FALSE;
}

BOOL CreateMainViewerPane(HWND window) {
  if (ViewerPaneExists()) return TRUE;
  ViewerHost host;
  host.mainWindow = window;
  host.resources = g_instance;
  host.canFloat = TRUE;
  host.focusedItemPath = FocusedItemPath;
  host.reselectFocused = ReselectFocused;
  host.closePane = [window] { PostMessageA(window, WM_COMMAND, ID_VIEW_VIEWER_PANE, 0); };
  if (!CreateViewerPane(host)) return FALSE;
  NoteViewerWindows();
  ApplyOnTop();
  return TRUE;
}

void DestroyMainViewerPane() {
  DestroyViewerPane();
  g_frame.viewer[0] = g_frame.viewer[1] = g_frame.viewerButton = g_frame.viewerFrame = nullptr;
}

LRESULT ToggleViewerPane(HWND window, UINT, WPARAM, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  BOOL show = !o.viewerShown;
  if (show && !CreateMainViewerPane(window)) show = FALSE;
  o.viewerShown = show;
  ShowViewerWindows(show);
  ShowViewerChecks(window, show);
  RelayoutMainWindow(window, TRUE);
  if (show) {
    ShowSelectionInViewer();
  } else {
    ClearViewerPane();
    ShowViewerWindows(FALSE);
  }
  return 0;
}

LRESULT SetViewerPlacement(HWND window, UINT, WPARAM wParam, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  UINT id = LOWORD(wParam);
  UINT docking = id == ID_VIEWER_PLACEMENT_1 ? 1 : id == ID_VIEWER_PLACEMENT_0 ? 0 : 2;
  o.viewerPlacement = docking;
  if (!o.viewerShown) {
    o.viewerShown = 1;
    if (!CreateMainViewerPane(window)) {
      o.viewerShown = 0;
      return 0;
    }
    ShowViewerChecks(window, TRUE);
  }
  SetViewerDocking(docking);
  NoteViewerWindows();
  ApplyOnTop();
  ShowViewerWindows(TRUE);
  RelayoutMainWindow(window, TRUE);
  ShowSelectionInViewer();
  return 0;
}

LRESULT SetViewerAlwaysOnTop(HWND, int onTop) {
  LiveOptions& o = GetLiveOptions();
  if (onTop) o.viewerOnTop = !o.viewerOnTop;
  ApplyOnTop();
  return 0;
}

LRESULT FocusViewerPane(HWND, UINT, WPARAM, LPARAM) {
  if (!ViewerWindowShown()) return RefuseCommand();
  HWND target = g_viewerPane.ActiveViewerWindow == g_viewerPane.ViewerWindow && g_viewerPane.DisplayWindow
                    ? g_viewerPane.DisplayWindow
                    : g_viewerPane.ActiveViewerWindow;
  SetFocus(target);
  return 0;
}

LRESULT ShowViewerContextMenu(HWND, UINT, WPARAM, LPARAM) {
  if (!ViewerWindowShown()) return RefuseCommand();
  RunViewerCommand(ID_VIEWER_OPTIONS_BUTTON);
  return 0;
}

// WM_USER + 106: show the selection again (after something released the viewer's file).
LRESULT OnViewerRefreshRequest(HWND, UINT, WPARAM, LPARAM) {
  if (ViewerPaneExists() && GetLiveOptions().viewerShown) {
    g_viewerPane.ViewedFile[0] = '\0';
    ShowSelectionInViewer();
  }
  return 0;
}

// Message 2133 from the document viewer: its record's fourth field is the file's path.
LRESULT OnViewerOpenRequest(HWND, UINT, WPARAM, LPARAM lParam) {
  auto* request = reinterpret_cast<const SCCVW_OPENREQUEST*>(lParam);
  if (!request) return 0;
  char path[MAX_PATH];
  lstrcpynA(path, request->path, MAX_PATH);
  return OnViewerOpenRequest(path);
}

// WM_USER + 104: release the shown file.
LRESULT ClearViewerPane(HWND, UINT, WPARAM, LPARAM) {
  ClearViewerPane();
  return 0;
}
