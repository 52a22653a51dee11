// The two pane records and the values that name the active and the sorted pane.
#include "file_pane.h"
#include <utility>

FilePane FilePanes[2];
int ActivePaneIndex = 0;
int SortedPaneIndex = 0;
PaneLayout g_paneLayout = {0, 1, 0.5f};
PaneWindowServices g_paneServices;

int PaneIndexOfWindow(HWND window) {
  const FilePane& first = FilePanes[0];
  if (window && (window == first.tree || window == first.list || window == first.titlebar))
    return 0;
  return 1;
}

void SwapPaneRecords() {
  std::swap(FilePanes[0], FilePanes[1]);
  ActivePaneIndex = 1 - ActivePaneIndex;
}
