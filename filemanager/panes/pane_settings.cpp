// Between the stored panes' settings and the two pane records.
#include <cstring>
#include "file_pane.h"
#include "folder_tree.h"
#include "path_utils.h"
#include "settings_store.h"

namespace {

bool IsExistingFolder(const char* path) {
  DWORD attributes = path[0] ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsStorableFolder(const char* path) {
  return IsExistingFolder(path) || IsArchivePath(nullptr, nullptr, path, nullptr);
}

UINT ValidView(UINT view) {
  return view >= kViewLargeIcons && view <= kViewDetails ? view : kViewList;
}

}  // namespace

void CollectPanesSettings(FilePanesSettings* settings) {
  g_paneLayout.ratio = ClampRatio(g_paneLayout.ratio, kDefaultSplitRatio);
  settings->twoPanes = g_paneLayout.twoPanes ? 1 : 0;
  settings->orientation = g_paneLayout.orientation;
  settings->splitRatio = g_paneLayout.ratio;
  for (int p = 0; p < 2; ++p) {
    const FilePane& pane = FilePanes[p];
    settings->treeShown[p] = pane.treeShown;
    settings->listShown[p] = pane.listShown;
    settings->sortDescendingFs[p] = pane.savedFsDescending;
    settings->sortDescendingArchive[p] = pane.savedArchiveDescending;
    settings->sortKeyFs[p] = pane.savedFsSortKey;
    settings->sortKeyArchive[p] = pane.savedArchiveSortKey;
    settings->viewCommand[p] = pane.viewId;
    settings->treeWidth[p] = static_cast<uint32_t>(pane.treeWidth < kMinTreeWidth ? kMinTreeWidth : pane.treeWidth);
    char folder[MAX_PATH] = "";
    if (!pane.tree || !GetTreeSelectionPath(pane.tree, folder, FALSE, TRUE)) lstrcpynA(folder, pane.path, MAX_PATH);
    if (!IsStorableFolder(folder)) folder[0] = 0;
    memset(settings->folder[p], 0, sizeof settings->folder[p]);
    lstrcpynA(settings->folder[p], folder, sizeof settings->folder[p]);
  }
}

void ApplyPanesSettings(const FilePanesSettings* settings) {
  g_paneLayout.twoPanes = settings->twoPanes ? 1 : 0;
  g_paneLayout.orientation = settings->orientation;
  // An out-of-range ratio would give a pane a negative size: it is taken as the default.
  g_paneLayout.ratio = ClampRatio(settings->splitRatio, kDefaultSplitRatio);
  for (int p = 0; p < 2; ++p) {
    FilePane& pane = FilePanes[p];
    pane.treeShown = settings->treeShown[p];
    pane.listShown = settings->listShown[p];
    // A pane with neither window would be an empty hole: its list comes back.
    if (!pane.treeShown && !pane.listShown) pane.listShown = 1;
    pane.savedFsDescending = settings->sortDescendingFs[p] ? 1 : 0;
    pane.savedArchiveDescending = settings->sortDescendingArchive[p] ? 1 : 0;
    pane.savedFsSortKey = settings->sortKeyFs[p] <= 6 ? settings->sortKeyFs[p] : 0;
    pane.savedArchiveSortKey = settings->sortKeyArchive[p] <= 9 ? settings->sortKeyArchive[p] : 0;
    pane.viewId = ValidView(settings->viewCommand[p]);
    int width = static_cast<int>(settings->treeWidth[p]);
    pane.treeWidth = width < kMinTreeWidth ? kMinTreeWidth : width;
    char folder[MAX_PATH];
    lstrcpynA(folder, settings->folder[p], MAX_PATH);
    if (!IsStorableFolder(folder)) folder[0] = 0;
    lstrcpynA(pane.path, folder, MAX_PATH);
    pane.descending = pane.savedFsDescending;
    pane.sortKey = pane.savedFsSortKey;
  }
}
