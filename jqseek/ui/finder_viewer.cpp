// The viewer pane under the result list: shown and hidden by its command, following the
// list's focused file, docked below the list at its share of the height.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "finder.h"
#include "resource.h"
#include "viewer_pane.h"

namespace {

BOOL FocusedFoundFile(std::string* path) {
  if (!g_finder.listShown) return FALSE;
  int index = ListView_GetNextItem(g_finder.list, -1, LVNI_FOCUSED | LVNI_SELECTED);
  if (index < 0) return FALSE;
  uint32_t attributes = 0;
  if (!ResultPathAndAttributes(index, path, &attributes)) return FALSE;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FALSE : TRUE;
}

void ReselectFocused() {
  int index = ListView_GetNextItem(g_finder.list, -1, LVNI_FOCUSED);
  if (index >= 0)
    ListView_SetItemState(g_finder.list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool CreateFinderViewer() {
  if (ViewerPaneExists()) return true;
  ViewerHost host;
  host.mainWindow = g_finder.main;
  host.resources = g_finder.instance;
  host.canFloat = FALSE;
  host.focusedItemPath = FocusedFoundFile;
  host.reselectFocused = ReselectFocused;
  host.closePane = [] { PostMessageA(g_finder.main, WM_COMMAND, IDM_VIEWER_PANE, 0); };
  host.shownOnScreen = [] { return g_finder.store.global.viewerShown ? TRUE : FALSE; };
  return CreateViewerPane(host) != FALSE;
}

}  // namespace

bool FinderViewerShown() { return g_finder.store.global.viewerShown && ViewerPaneExists(); }

void ToggleFinderViewer() {
  FinderGlobalSettings& g = g_finder.store.global;
  if (g.viewerShown) {
    g.viewerShown = 0;
    ClearViewerPane();
    ShowViewerWindows(FALSE);
  } else if (g_finder.listShown) {
    if (CreateFinderViewer()) {
      g.viewerShown = 1;
      ShowViewerWindows(TRUE);
    }
  }
  FitWindowToPanel(false);
  LayoutFinderWindow();
  if (FinderViewerShown()) ShowSelectionInViewer();
}

void ShowFocusedInViewer() {
  if (FinderViewerShown()) ShowSelectionInViewer();
}

void PlaceFinderViewer(HDWP* batch, int left, int top, int width, int height) {
  if (!ViewerPaneExists()) return;
  for (HWND v : {g_viewerPane.ViewerWindow, g_viewerPane.ImageViewerWindow}) {
    if (!v || !IsWindow(v)) continue;
    *batch = DeferWindowPos(*batch, v, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (g_viewerPane.ViewerOptionsButton && IsWindow(g_viewerPane.ViewerOptionsButton)) {
    int size = GetSystemMetrics(SM_CXVSCROLL);
    *batch = DeferWindowPos(*batch, g_viewerPane.ViewerOptionsButton, HWND_TOP, left + width - size,
                            top + height - size, size, size, SWP_NOACTIVATE);
  }
}

bool CloseViewerWhileWorking() {
  if (!FinderViewerShown()) return false;
  ClearViewerPane();
  return true;
}

void ReopenViewerAfterWork(bool wasShown) {
  if (wasShown && FinderViewerShown()) ShowSelectionInViewer();
}

void DestroyFinderViewer() {
  if (ViewerPaneExists()) DestroyViewerPane();
}
