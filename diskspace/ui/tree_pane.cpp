// The size tree pane (dialog 101): the folder trees, the size lists whose rows mirror the
// trees' visible items, the engine's view messages, tree walking and the Scan Disk dialog.
#include "tree_pane.h"

#include <windowsx.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <vector>
#include "change_feed.h"
#include "disk_query.h"
#include "drive_list.h"
#include "file_commands.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource.h"
#include "scan_engine.h"
#include "seams.h"
#include "settings_store.h"
#include "shell_view_host.h"
#include "size_columns.h"
#include "tree_drag_drop.h"

namespace {

struct SizeRows {
  std::vector<HTREEITEM> rows;
  std::unordered_map<HTREEITEM, int> index;
  bool rebuildPosted = false;
};
SizeRows g_mainRows, g_searchRows;
int g_redrawOff = 0;
bool g_editEnded = true;
int g_folderIcon = -1, g_folderOpenIcon = -1;
HWND g_hscroll = nullptr;
int g_nameNeeded = 0;  // the widest visible label + 10 (for the horizontal scroll bar)

SizeRows& RowsOf(HWND tree) { return tree == g_voltaly.searchTree ? g_searchRows : g_mainRows; }

bool OnUiThread() { return GetCurrentThreadId() == g_uiThreadId; }

void PostRowsRebuild(HWND tree) {
  SizeRows& r = RowsOf(tree);
  if (r.rebuildPosted || !g_voltaly.paneDialog) return;
  r.rebuildPosted = true;
  PostMessageA(g_voltaly.paneDialog, kMsgRebuildRows, (WPARAM)tree, 0);
}

HTREEITEM ItemOf(HWND tree, FolderNode* node) {
  if (!IsFolderNode(node)) return nullptr;
  return tree == g_voltaly.searchTree ? node->searchItem : node->mainItem;
}

void WithWaitCursor(HWND capture, const std::function<void()>& work) {
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  if (capture) SetCapture(capture);
  work();
  if (capture) ReleaseCapture();
  SetCursor(old);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Items and nodes

FolderNode* GetItemNode(HWND tree, HTREEITEM item) {
  if (!tree || !item || item == TVI_ROOT) return nullptr;
  TVITEMA tv{};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv)) return nullptr;
  auto* node = (FolderNode*)tv.lParam;
  return IsFolderNode(node) ? node : nullptr;
}

BOOL IsItemExpanded(HWND tree, HTREEITEM item) {
  return (SendMessageA(tree, TVM_GETITEMSTATE, (WPARAM)item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const char* text, HTREEITEM after, int image,
                         int openImage, FolderNode* node) {
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  ins.item.pszText = const_cast<char*>(text);
  ins.item.iImage = image;
  ins.item.iSelectedImage = openImage;
  ins.item.lParam = (LPARAM)node;
  ins.item.cChildren = I_CHILDRENCALLBACK;
  auto item = (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&ins);
  if (!item) MessageBeep(MB_ICONEXCLAMATION);
  return item;
}

void NodeLabel(FolderNode* node, char* out, int size) {
  out[0] = 0;
  if (!IsFolderNode(node)) return;
  if (!node->parent || IsDriveNode(node)) {
    char name[MAX_PATH];
    LPITEMIDLIST id = NodeIdList(node);
    if (id && GetDisplayNameText(DesktopFolder(), id, 0, name)) {
      snprintf(out, size, "%s", name);
      return;
    }
  }
  snprintf(out, size, "%s", GetNodeName(node).c_str());
}

void NodeIcons(FolderNode* node, int* image, int* openImage) {
  if (IsFolderNode(node) && (!node->parent || IsDriveNode(node))) {
    if (LPITEMIDLIST id = NodeIdList(node)) {
      TVITEMA tv{};
      GetNodeIcons(id, &tv);
      *image = tv.iImage;
      *openImage = tv.iSelectedImage;
      return;
    }
  }
  if (g_folderIcon < 0) {
    // Every folder shows the system's folder icon; asking the shell per folder would cost a
    // lookup for each of thousands of folders.
    SHFILEINFOA info{};
    SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    g_folderIcon = info.iIcon;
    SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    g_folderOpenIcon = info.iIcon;
  }
  *image = g_folderIcon;
  *openImage = g_folderOpenIcon;
}

HTREEITEM InsertNodeItem(FolderNode* node) {
  HWND tree = g_voltaly.mainTree;
  if (!tree || !IsFolderNode(node) || node->mainItem) return node ? node->mainItem : nullptr;
  HTREEITEM parentItem = TVI_ROOT;
  if (FolderNode* parent = ParentNode(node)) {
    if (!IsFolderNode(parent) || !parent->mainItem) return nullptr;
    parentItem = parent->mainItem;
  }
  char label[MAX_PATH];
  NodeLabel(node, label, sizeof label);
  int image = 0, openImage = 0;
  NodeIcons(node, &image, &openImage);
  node->mainItem = InsertTreeItem(tree, parentItem, label, TVI_FIRST, image, openImage, node);
  if (!node->mainItem) return nullptr;
  if (parentItem == TVI_ROOT) {
    // The root stands in both trees.
    if (g_voltaly.searchTree && !node->searchItem)
      node->searchItem = InsertTreeItem(g_voltaly.searchTree, TVI_ROOT, label, TVI_FIRST, image, openImage, node);
    int height = (int)SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0);
    if (height > 0) {
      SendMessageA(g_voltaly.mainSizeList, LB_SETITEMHEIGHT, 0, height);
      SendMessageA(g_voltaly.searchSizeList, LB_SETITEMHEIGHT, 0, height);
    }
    PostRowsRebuild(g_voltaly.searchTree);
  }
  // Children the engine made before this item existed.
  for (FolderNode* child = FirstChildNode(node); child; child = NextSiblingNode(child))
    if (IsFolderNode(child) && !child->mainItem) InsertNodeItem(child);
  if (parentItem == TVI_ROOT || IsItemExpanded(tree, parentItem)) PostRowsRebuild(tree);
  return node->mainItem;
}

BOOL HandleEngineMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  auto* node = (FolderNode*)wParam;
  switch (message) {
    case VM_NODEADDED:
      if (IsFolderNode(node)) InsertNodeItem(node);
      return TRUE;
    case VM_NODEREMOVED: {
      // The node is retired: only its items go (TVN_DELETEITEM does not call the engine).
      if (!node) return TRUE;
      HTREEITEM main = node->mainItem, search = node->searchItem;
      if (node == g_voltaly.currentNode) g_voltaly.currentNode = nullptr;
      if (search && g_voltaly.searchTree) SendMessageA(g_voltaly.searchTree, TVM_DELETEITEM, 0, (LPARAM)search);
      if (main && g_voltaly.mainTree) SendMessageA(g_voltaly.mainTree, TVM_DELETEITEM, 0, (LPARAM)main);
      node->mainItem = node->searchItem = nullptr;
      return TRUE;
    }
    case VM_NODESCHANGED:
      RepaintAllRows();
      AcknowledgeNodesChanged();
      return TRUE;
    case VM_SCANDONE:
      if (IsFolderNode(node) && node->mainItem) RebuildTreeView(node->mainItem);
      SyncListBoxTop();
      UpdateMenuAndToolbar(g_voltaly.currentNode, nullptr);
      return TRUE;
    case VM_SCANSTATE:
      UpdateMenuAndToolbar(g_voltaly.currentNode, nullptr);
      RepaintAllRows();
      return TRUE;
    case VM_NODELABEL: {
      if (!IsFolderNode(node)) return TRUE;
      char label[MAX_PATH];
      NodeLabel(node, label, sizeof label);
      int image = 0, openImage = 0;
      NodeIcons(node, &image, &openImage);
      for (HWND tree : {g_voltaly.mainTree, g_voltaly.searchTree}) {
        HTREEITEM item = ItemOf(tree, node);
        if (!tree || !item) continue;
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = label;
        tv.iImage = image;
        tv.iSelectedImage = openImage;
        tv.cChildren = I_CHILDRENCALLBACK;
        SendMessageA(tree, TVM_SETITEMA, 0, (LPARAM)&tv);
      }
      if (!node->mainItem) InsertNodeItem(node);
      return TRUE;
    }
  }
  return FALSE;
}

// ---------------------------------------------------------------------------------------------
// Size rows

HWND SizeListOf(HWND tree) {
  return tree == g_voltaly.searchTree ? g_voltaly.searchSizeList : g_voltaly.mainSizeList;
}

void RebuildSizeRows(HWND tree) {
  if (!tree) return;
  SizeRows& r = RowsOf(tree);
  r.rebuildPosted = false;
  HWND list = SizeListOf(tree);
  std::vector<HTREEITEM> rows;
  rows.reserve(r.rows.size() + 16);
  for (auto item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); item;
       item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, (LPARAM)item))
    rows.push_back(item);
  bool search = tree == g_voltaly.searchTree;
  for (HTREEITEM item : r.rows)
    if (FolderNode* node = GetItemNode(tree, item)) (search ? node->shownInSearchList : node->shownInMainList) = 0;
  if (rows != r.rows) {
    r.rows.swap(rows);
    r.index.clear();
    for (int i = 0; i < (int)r.rows.size(); ++i) r.index[r.rows[i]] = i;
    if (list) {
      SendMessageA(list, WM_SETREDRAW, FALSE, 0);
      SendMessageA(list, LB_RESETCONTENT, 0, 0);
      SendMessageA(list, LB_INITSTORAGE, r.rows.size(), 0);
      for (HTREEITEM item : r.rows) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)item);
      if (g_redrawOff == 0) SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    }
  }
  for (HTREEITEM item : r.rows)
    if (FolderNode* node = GetItemNode(tree, item)) (search ? node->shownInSearchList : node->shownInMainList) = 1;
  SyncListBoxTop();
  if (list) InvalidateRect(list, nullptr, FALSE);
}

int SizeRowOf(HWND tree, HTREEITEM item) {
  SizeRows& r = RowsOf(tree);
  auto it = r.index.find(item);
  return it == r.index.end() ? -1 : it->second;
}
int SizeRowCount(HWND tree) { return (int)RowsOf(tree).rows.size(); }
HTREEITEM SizeRowItem(HWND tree, int row) {
  SizeRows& r = RowsOf(tree);
  return row >= 0 && row < (int)r.rows.size() ? r.rows[row] : nullptr;
}

void SyncListBoxTop() {
  if (!OnUiThread()) {
    if (g_voltaly.paneDialog) PostMessageA(g_voltaly.paneDialog, kMsgRebuildTree, 0, 0);
    return;
  }
  for (HWND tree : {g_voltaly.mainTree, g_voltaly.searchTree}) {
    if (!tree) continue;
    auto first = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0);
    int row = SizeRowOf(tree, first);
    HWND list = SizeListOf(tree);
    if (row >= 0 && list && SendMessageA(list, LB_GETTOPINDEX, 0, 0) != row)
      SendMessageA(list, LB_SETTOPINDEX, row, 0);
  }
}

void RepaintNodeRow(FolderNode* node) {
  if (!OnUiThread()) {
    NotifyNodesChanged();
    return;
  }
  if (!IsFolderNode(node)) return;
  for (HWND tree : {g_voltaly.mainTree, g_voltaly.searchTree}) {
    int row = SizeRowOf(tree, ItemOf(tree, node));
    HWND list = SizeListOf(tree);
    RECT rc;
    if (row >= 0 && list && SendMessageA(list, LB_GETITEMRECT, row, (LPARAM)&rc) != LB_ERR)
      InvalidateRect(list, &rc, FALSE);
  }
}

void RepaintAllRows() {
  if (g_voltaly.mainSizeList) InvalidateRect(g_voltaly.mainSizeList, nullptr, FALSE);
  if (g_voltaly.searchSizeList) InvalidateRect(g_voltaly.searchSizeList, nullptr, FALSE);
}

void CheckSizeRows() {
  HWND tree = g_voltaly.currentTree;
  int row = 0;
  for (auto item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); item;
       item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, (LPARAM)item), ++row) {
    char text[MAX_PATH] = "";
    TVITEMA tv{};
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    char trace[MAX_PATH + 40];
    LRESULT data = SendMessageA(SizeListOf(tree), LB_GETITEMDATA, row, 0);
    if (data == LB_ERR) {
      snprintf(trace, sizeof trace, "Item %s has no lb entry", text);
      TraceMessage(1, trace);
    } else if ((HTREEITEM)data != item) {
      snprintf(trace, sizeof trace, "Item %s has incorrect lb entry", text);
      TraceMessage(1, trace);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Sorting and rebuilding

static int CALLBACK CompareItemsCallback(LPARAM a, LPARAM b, LPARAM column) {
  return CompareTreeItems((FolderNode*)a, (FolderNode*)b, (const ColumnRecord*)column);
}

static void SortChildren(HWND tree, HTREEITEM item, bool recurse) {
  TVSORTCB sort{};
  sort.hParent = item;
  sort.lpfnCompare = CompareItemsCallback;
  sort.lParam = (LPARAM)GetSortColumn();
  SendMessageA(tree, TVM_SORTCHILDRENCB, 0, (LPARAM)&sort);
  if (!recurse) return;
  for (auto child = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item); child;
       child = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)child))
    if (IsItemExpanded(tree, child)) SortChildren(tree, child, true);
}

void RebuildTreeView(HTREEITEM item) {
  if (!OnUiThread()) {
    if (g_voltaly.paneDialog) PostMessageA(g_voltaly.paneDialog, kMsgRebuildTree, 0, (LPARAM)item);
    return;
  }
  HWND tree = g_voltaly.currentTree ? g_voltaly.currentTree : g_voltaly.mainTree;
  if (!tree) return;
  if (item == TVI_ROOT || !item) item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  if (!item) return;
  if (g_redrawOff++ == 0) {
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    SendMessageA(g_voltaly.mainSizeList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(g_voltaly.searchSizeList, WM_SETREDRAW, FALSE, 0);
  }
  // The main tree's item belongs to the main tree even while the results are shown.
  HWND owner = tree;
  if (FolderNode* node = GetItemNode(g_voltaly.mainTree, item); node && node->mainItem == item)
    owner = g_voltaly.mainTree;
  SortChildren(owner, item, true);
  if (--g_redrawOff == 0) {
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    if (owner != tree) SendMessageA(owner, WM_SETREDRAW, TRUE, 0);
    SendMessageA(g_voltaly.mainSizeList, WM_SETREDRAW, TRUE, 0);
    SendMessageA(g_voltaly.searchSizeList, WM_SETREDRAW, TRUE, 0);
  }
  RebuildSizeRows(owner);
  InvalidateRect(owner, nullptr, FALSE);
  RepaintAllRows();
}

// ---------------------------------------------------------------------------------------------
// Walking, expanding, finding

void WalkTreeItems(TreeWalk* walk, HTREEITEM item, int depth) {
  HWND tree = walk->tree;
  while (item) {
    if (walk->stop && walk->stop->load()) return;
    bool expanded = IsItemExpanded(tree, item) != FALSE;
    if (walk->callBefore && walk->callback) walk->callback(walk, depth, item);
    if (expanded || walk->intoCollapsed) {
      auto child = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
      if (child) WalkTreeItems(walk, child, depth + 1);
    }
    if (!walk->callBefore && walk->callback) walk->callback(walk, depth, item);
    if (depth == 0) return;
    item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item);
  }
}

static void ScanIfNeverComputed(HWND tree, FolderNode* node) {
  if (!IsFolderNode(node) || !IsDriveNode(node->drive) || node->calcState != kCalcNever) return;
  WithWaitCursor(g_voltaly.mainWindow, [&] { ScanNodeOnce(node); });
}

BOOL ExpandTreeItem(HWND tree, HTREEITEM item) {
  if (!tree || !item) return FALSE;
  FolderNode* node = GetItemNode(tree, item);
  if (tree == g_voltaly.mainTree) ScanIfNeverComputed(tree, node);
  SortChildren(tree, item, false);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
  RebuildSizeRows(tree);
  return TRUE;
}

BOOL CollapseTreeItem(HWND tree, HTREEITEM item) {
  if (!tree || !item) return FALSE;
  SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)item);
  RebuildSizeRows(tree);
  return TRUE;
}

namespace {
// Built on the GUI thread: the worker never reads the window state, which a view switch changes.
struct ExpandJob {
  bool expand = false;
  HWND pane = nullptr;
  HWND tree = nullptr;
};

DWORD WINAPI ExpandAllThread(LPVOID param) {
  auto* entry = (ScanThreadEntry*)param;
  auto* job = (ExpandJob*)entry->data;
  HWND pane = job->pane;
  HWND tree = job->tree;
  auto start = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  if (!start) start = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  // Depth first over the items; each expansion runs on the GUI thread (a sent message), so the
  // window stays responsive between them.
  std::vector<HTREEITEM> stack{start};
  std::vector<HTREEITEM> order;
  while (!stack.empty() && !entry->stopFlag.load() && !g_shuttingDown.load()) {
    HTREEITEM item = stack.back();
    stack.pop_back();
    if (job->expand) SendMessageA(pane, kMsgExpandItem, 1, (LPARAM)item);
    else order.push_back(item);
    std::vector<HTREEITEM> children;
    for (auto child = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item); child;
         child = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)child))
      children.push_back(child);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
  }
  if (!job->expand)
    for (auto it = order.rbegin(); it != order.rend() && !entry->stopFlag.load(); ++it)
      SendMessageA(pane, kMsgExpandItem, 0, (LPARAM)*it);
  PostMessageA(pane, kMsgRebuildRows, (WPARAM)tree, 0);
  delete job;
  UnregisterScanThread(entry);
  return 0;
}
}  // namespace

void StartExpandAllThread(bool expand) {
  auto* job = new ExpandJob;
  job->expand = expand;
  job->pane = g_voltaly.paneDialog;
  job->tree = g_voltaly.currentTree;
  if (!StartScanThread(ExpandAllThread, job)) delete job;
}

static bool PathStartsWithItem(const char* upperPath, const char* itemPath, size_t* matched) {
  size_t n = strlen(itemPath);
  while (n > 3 && itemPath[n - 1] == '\\') --n;
  if (_strnicmp(upperPath, itemPath, n) != 0) return false;
  char next = upperPath[n];
  if (next != 0 && next != '\\' && !(n > 0 && itemPath[n - 1] == '\\')) return false;
  *matched = n;
  return true;
}

HTREEITEM FindTreeItemByPath(HWND tree, const char* path, HTREEITEM start, BOOL select, BOOL expand) {
  if (!tree || !path || !*path) return nullptr;
  char upper[MAX_PATH];
  snprintf(upper, sizeof upper, "%s", path);
  size_t len = strlen(upper);
  while (len > 3 && upper[len - 1] == '\\') upper[--len] = 0;
  CharUpperA(upper);
  auto root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  HTREEITEM item = start;
  if (!item || item == root) item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root);
  while (item) {
    FolderNode* node = GetItemNode(tree, item);
    char itemPath[MAX_PATH];
    size_t matched = 0;
    if (node && GetNodePath(node, itemPath, sizeof itemPath)) {
      CharUpperA(itemPath);
      if (PathStartsWithItem(upper, itemPath, &matched)) {
        if (matched >= len || (matched == len - 1 && upper[len - 1] == '\\')) {
          if (select) {
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
            SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)item);
            g_voltaly.currentNode = node;
          }
          return item;
        }
        if (expand) {
          LockNode(node);
          UnlockNode(node);
          ExpandTreeItem(tree, item);
        }
        item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item);
        continue;
      }
    }
    item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item);
  }
  return nullptr;
}

HTREEITEM FindNodeByIdList(HWND tree, HTREEITEM start, LPCITEMIDLIST idList, const char* path) {
  HTREEITEM item = FindTreeItemByPath(tree, path, start, FALSE, FALSE);
  FolderNode* node = GetItemNode(tree, item);
  if (!node || !idList) return nullptr;
  LPITEMIDLIST own = NodeIdList(node);
  if (!own) return nullptr;
  HRESULT hr = DesktopFolder()->CompareIDs(0, own, idList);
  return (SUCCEEDED(hr) && (short)HRESULT_CODE(hr) == 0) ? item : nullptr;
}

void SelectStartFolder(const char* path, BOOL select) {
  HWND tree = g_voltaly.mainTree;
  if (!tree) return;
  auto root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  if (!root) return;
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)root);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)root);
  RebuildSizeRows(tree);
  if (path && *path) {
    WithWaitCursor(g_voltaly.mainWindow, [&] { FindTreeItemByPath(tree, path, nullptr, select, TRUE); });
  }
}

// ---------------------------------------------------------------------------------------------
// Selection

static void CALLBACK RefreshTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  UpdateTreeStatusBar(g_voltaly.currentNode);
}

void SelectFolder(FolderNode* node) {
  if (g_shuttingDown.load()) {
    g_voltaly.currentNode = node;
    return;
  }
  for (int part = 0; part < 5; ++part) SetStatusText("", part);
  g_voltaly.currentNode = node;
  if (IsFolderNode(node)) {
    char path[MAX_PATH] = "";
    char title[MAX_PATH + 120];
    if (GetNodePath(node, path, sizeof path)) ProperCaseName(path);
    else NodeLabel(node, path, sizeof path);
    snprintf(title, sizeof title, "%s -> %s", g_voltaly.title, path);
    SetWindowTextA(g_voltaly.mainWindow, title);
  }
  UpdateMenuAndToolbar(node, nullptr);
  ShowFolderInFilePane(node);
  UpdateTreeStatusBar(node);
  SetTimer(g_voltaly.paneDialog, 400, 400, RefreshTimerProc);
  SetTimer(g_voltaly.paneDialog, 1000, 1000, RefreshTimerProc);
  if (IsFolderNode(node) && node->drive) WatchSelectedFolder(node);
  RepaintAllRows();
}

// ---------------------------------------------------------------------------------------------
// Subclasses

LRESULT CALLBACK FolderTreeSubclassProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_MEASUREITEM: {
      auto* mi = (MEASUREITEMSTRUCT*)lParam;
      mi->itemWidth = 1280;
      mi->itemHeight = (UINT)SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0);
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* di = (DRAWITEMSTRUCT*)lParam;
      if (di->CtlID != IDC_SIZE_LIST || (int)di->itemID < 0) return TRUE;
      FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_WINDOW));
      HTREEITEM item = SizeRowItem(tree, (int)di->itemID);
      FolderNode* node = GetItemNode(tree, item);
      if (!node) return TRUE;
      bool selected = item == (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      HGDIOBJ oldFont = SelectObject(di->hDC, TreeFont(selected));
      SetTextColor(di->hDC, GetSysColor(COLOR_WINDOWTEXT));
      SetBkMode(di->hDC, TRANSPARENT);
      PaintSizeRow(tree, node, di->hDC, &di->rcItem, 1.0);
      SelectObject(di->hDC, oldFont);
      // The current folder's numbers changed: the status bar shows them too.
      if (node == g_voltaly.currentNode && tree == g_voltaly.currentTree) {
        static ULONGLONG lastTotal = ~0ull;
        ULONGLONG total = ShownTotal(node);
        if (total != lastTotal) {
          lastTotal = total;
          UpdateTreeStatusBar(node);
        }
      }
      return TRUE;
    }
    case TVM_SORTCHILDREN:
    case TVM_SORTCHILDRENCB: {
      HTREEITEM parent = message == TVM_SORTCHILDREN ? (HTREEITEM)lParam : ((TVSORTCB*)lParam)->hParent;
      FolderNode* node = GetItemNode(tree, parent);
      if (node && node->calcState == kCalcRunning && node->parent) return 0;
      LRESULT r = DefSubclassProc(tree, message, wParam, lParam);
      PostRowsRebuild(tree);
      return r;
    }
    case TVM_DELETEITEM: {
      LRESULT r = DefSubclassProc(tree, message, wParam, lParam);
      PostRowsRebuild(tree);
      return r;
    }
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case TVM_ENSUREVISIBLE:
    case TVM_SELECTITEM: {
      LRESULT r = DefSubclassProc(tree, message, wParam, lParam);
      SyncListBoxTop();
      if (message == TVM_SELECTITEM || message == WM_KEYDOWN) InvalidateRect(SizeListOf(tree), nullptr, FALSE);
      return r;
    }
    case WM_SIZE: {
      LRESULT r = DefSubclassProc(tree, message, wParam, lParam);
      HWND list = SizeListOf(tree);
      RECT rc;
      GetClientRect(tree, &rc);
      int left = NameColumnWidth();
      if (list) MoveWindow(list, left, 0, std::max<int>(0, rc.right - left), rc.bottom, TRUE);
      SyncListBoxTop();
      return r;
    }
  }
  return DefSubclassProc(tree, message, wParam, lParam);
}

LRESULT CALLBACK SizeListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR) {
  HWND tree = GetParent(list);
  switch (message) {
    case WM_LBUTTONUP: {
      int row = (int)(HIWORD(SendMessageA(list, LB_ITEMFROMPOINT, 0, lParam)) ? -1
                      : LOWORD(SendMessageA(list, LB_ITEMFROMPOINT, 0, lParam)));
      if (HTREEITEM item = SizeRowItem(tree, row)) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
        SetFocus(tree);
      }
      return 0;
    }
    case WM_RBUTTONUP: {
      POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      MapWindowPoints(list, g_voltaly.header, &pt, 1);
      // The column menu of the header, at the point of the click.
      NMHDR hdr{g_voltaly.header, IDC_HEADER, (UINT)NM_RCLICK};
      OnHeaderNotify(&hdr);
      return 0;
    }
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MOUSEMOVE: case WM_KEYDOWN: case WM_KEYUP:
    case WM_CHAR: case WM_SETFOCUS:
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_MOUSEWHEEL:
      return SendMessageA(tree, message, wParam, lParam);
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// The pane's controls

void CreatePaneControls(HWND pane) {
  HINSTANCE inst = g_voltaly.instance;
  g_hscroll = GetDlgItem(pane, IDC_PANE_HSCROLL);
  g_voltaly.header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS | HDS_HORZ,
                                     0, 0, 0, 0, pane, (HMENU)(INT_PTR)IDC_HEADER, inst, nullptr);
  if (!g_voltaly.header) TraceMessage(1, "Cannot create headers.");
  else SendMessageA(g_voltaly.header, WM_SETFONT, (WPARAM)TreeFont(false), FALSE);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  auto images = (HIMAGELIST)SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  DWORD style = WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_NOHSCROLL;
  for (int i = 0; i < 2; ++i) {
    HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                style | (i == 0 ? TVS_EDITLABELS | WS_VISIBLE : 0), 0, 0, 0, 0, pane,
                                (HMENU)(INT_PTR)(i == 0 ? IDC_MAIN_TREE : IDC_SEARCH_TREE), inst, nullptr);
    if (!tree) {
      TraceMessage(1, i == 0 ? "Cannot create the tree view" : "Cannot create the search tree view");
      continue;
    }
    SendMessageA(tree, WM_SETFONT, (WPARAM)TreeFont(false), FALSE);
    if (images) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images);
    SetWindowSubclass(tree, FolderTreeSubclassProc, 1, 0);
    HWND list = CreateWindowExA(0, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT,
                                NameColumnWidth(), 0, 100, 100, tree, (HMENU)(INT_PTR)IDC_SIZE_LIST, inst, nullptr);
    if (list) {
      SetWindowSubclass(list, SizeListSubclassProc, 1, 0);
      int height = (int)SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0);
      if (height > 0) SendMessageA(list, LB_SETITEMHEIGHT, 0, height);
    }
    (i == 0 ? g_voltaly.mainTree : g_voltaly.searchTree) = tree;
    (i == 0 ? g_voltaly.mainSizeList : g_voltaly.searchSizeList) = list;
  }
  g_voltaly.currentTree = g_voltaly.mainTree;
  g_voltaly.currentSizeList = g_voltaly.mainSizeList;
  CreateColumnSet(g_voltaly.header);
}

void LayoutPaneControls(int width, int height) {
  int headerHeight = 0;
  if (g_voltaly.header) {
    RECT rc = {0, 0, width, height};
    WINDOWPOS pos{};
    HDLAYOUT layout{&rc, &pos};
    SendMessageA(g_voltaly.header, HDM_LAYOUT, 0, (LPARAM)&layout);
    headerHeight = pos.cy;
    SetWindowPos(g_voltaly.header, nullptr, 0, 0, width, headerHeight, SWP_NOZORDER);
  }
  g_voltaly.headerHeight = headerHeight;
  // The scroll bar shows when the size columns do not fit right of the name column, when a
  // column is scrolled out or narrowed, or when the name column is narrower than its labels.
  int hidden = 0, shown = 0;
  for (int i = 1; i < GetColumnCount(); ++i) {
    ColumnRecord* c = GetColumn(i);
    if (c->flags & kColHidden) continue;
    int full = std::max<int>(c->minWidth, c->width);
    if (c->flags & kColScrolledOut) hidden += full;
    else { shown += ShownColumnWidth(c); hidden += full - ShownColumnWidth(c); }
  }
  int nameWidth = NameColumnWidth();
  int barHeight = GetSystemMetrics(SM_CYHSCROLL);
  bool showBar = nameWidth + shown > width || hidden > 0 || nameWidth < g_nameNeeded;
  if (g_hscroll) {
    ShowWindow(g_hscroll, showBar ? SW_SHOWNA : SW_HIDE);
    if (showBar) {
      MoveWindow(g_hscroll, 0, height - barHeight, width, barHeight, TRUE);
      SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0};
      si.nMax = std::max(hidden + shown, std::max(1, width - nameWidth)) - 1;
      si.nPage = (UINT)std::max(1, width - nameWidth);
      si.nPos = hidden;
      SetScrollInfo(g_hscroll, SB_CTL, &si, TRUE);
    }
  }
  int treeHeight = height - headerHeight - (showBar ? barHeight : 0);
  for (HWND tree : {g_voltaly.mainTree, g_voltaly.searchTree}) {
    if (!tree) continue;
    MoveWindow(tree, 0, headerHeight, width, std::max(0, treeHeight), TRUE);
    // The size list starts where the name column ends (also when only that width changed).
    RECT rc;
    GetClientRect(tree, &rc);
    int left = NameColumnWidth();
    if (HWND list = SizeListOf(tree)) MoveWindow(list, left, 0, std::max<int>(0, rc.right - left), rc.bottom, TRUE);
  }
  SyncListBoxTop();
}

// Horizontal scrolling of the columns. Scrolling right narrows the first size column step by
// step and then takes it out (while at least three header items remain); scrolling left brings
// it back the same way, then the nearest column taken out, and then widens the name column.
// Returns whether anything changed.
static int WidestVisibleLabel() {
  HWND tree = g_voltaly.currentTree;
  if (!tree) return 0;
  int widest = 0;
  auto first = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0);
  RECT client;
  GetClientRect(tree, &client);
  for (HTREEITEM it = first; it; it = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, (LPARAM)it)) {
    RECT rc;
    memcpy(&rc, &it, sizeof it);
    if (!SendMessageA(tree, TVM_GETITEMRECT, TRUE, (LPARAM)&rc)) break;
    if (rc.top > client.bottom) break;
    widest = std::max<int>(widest, rc.right);
  }
  return widest;
}

static bool ScrollStep(bool right, int step, bool wholeColumns) {
  ColumnRecord* visible[kMaxColumns];
  int n = VisibleSizeColumns(visible, kMaxColumns);
  int nameWidth = NameColumnWidth();
  if (right) {
    if (nameWidth > g_nameNeeded && nameWidth - step >= 100 && !wholeColumns && n > 0 &&
        g_nameNeeded > 0 && nameWidth - step >= g_nameNeeded) {
      SetNameColumnWidth(nameWidth - step);
      return true;
    }
    if (n < 3) return false;  // the name column and two size columns always stay
    ColumnRecord* c = visible[0];
    int shown = ShownColumnWidth(c);
    if (!wholeColumns && shown - step > 4) {
      c->scrolledWidth = shown - step;
      return true;
    }
    c->scrolledWidth = -1;
    c->flags |= kColScrolledOut;
    return true;
  }
  if (n > 0 && visible[0]->scrolledWidth >= 0) {
    ColumnRecord* c = visible[0];
    int full = std::max<int>(c->minWidth, c->width);
    c->scrolledWidth = wholeColumns || c->scrolledWidth + step >= full ? -1 : c->scrolledWidth + step;
    return true;
  }
  // The nearest column taken out: the last one before the first visible.
  ColumnRecord* nearest = nullptr;
  for (int i = 1; i < GetColumnCount(); ++i) {
    ColumnRecord* c = GetColumn(i);
    if (n > 0 && c == visible[0]) break;
    if (c->flags & kColScrolledOut) nearest = c;
  }
  if (nearest) {
    nearest->flags &= ~kColScrolledOut;
    nearest->scrolledWidth = wholeColumns ? -1 : 1;
    return true;
  }
  if (nameWidth < g_nameNeeded) {
    SetNameColumnWidth(std::min(g_nameNeeded, nameWidth + step));
    return true;
  }
  return false;
}

static void ScrollColumns(int code) {
  g_nameNeeded = WidestVisibleLabel() + 10;
  bool changed = false;
  switch (code) {
    case SB_LINERIGHT: changed = ScrollStep(true, 4, false); break;
    case SB_LINELEFT: changed = ScrollStep(false, 4, false); break;
    case SB_PAGERIGHT: changed = ScrollStep(true, 4, true); break;
    case SB_PAGELEFT: changed = ScrollStep(false, 4, true); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO si{sizeof si, SIF_TRACKPOS | SIF_POS};
      GetScrollInfo(g_hscroll, SB_CTL, &si);
      int target = si.nTrackPos, pos = si.nPos, stuck = 0;
      while (pos != target && stuck < 2) {
        bool right = target > pos;
        if (!ScrollStep(right, 1, false)) { ++stuck; continue; }
        changed = true;
        int hidden = 0;
        for (int i = 1; i < GetColumnCount(); ++i) {
          ColumnRecord* c = GetColumn(i);
          if (c->flags & kColHidden) continue;
          int full = std::max<int>(c->minWidth, c->width);
          hidden += (c->flags & kColScrolledOut) ? full : full - ShownColumnWidth(c);
        }
        if (hidden == pos) ++stuck;
        else stuck = 0;
        if ((right && hidden >= target) || (!right && hidden <= target)) break;
        pos = hidden;
      }
      break;
    }
  }
  if (!changed) return;
  BuildHeaderItems(false);
  RECT rc;
  GetClientRect(g_voltaly.paneDialog, &rc);
  LayoutPaneControls(rc.right, rc.bottom);
  RepaintAllRows();
}

// ---------------------------------------------------------------------------------------------
// The dialog procedure

bool IsPlainFolderName(const char* name) {
  if (!name) return false;
  size_t n = strlen(name);
  if (n == 0 || n >= MAX_PATH) return false;
  if (strpbrk(name, "\\/:*?\"<>|")) return false;
  bool onlyDotsOrBlanks = true;
  for (const char* p = name; *p; ++p) if (*p != '.' && *p != ' ') onlyDotsOrBlanks = false;
  return !onlyDotsOrBlanks;
}

static INT_PTR OnTreeNotify(HWND pane, NMHDR* hdr) {
  HWND tree = hdr->hwndFrom;
  switch (hdr->code) {
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW: {
      auto* di = (NMTVDISPINFOA*)hdr;
      if (di->item.mask & TVIF_CHILDREN) {
        FolderNode* node = IsFolderNode((FolderNode*)di->item.lParam) ? (FolderNode*)di->item.lParam : nullptr;
        int children = 0;
        if (node) {
          if (!node->parent || node->calcState == kCalcNever || node->subfolderCount > 0 || FirstChildNode(node))
            children = 1;
          if (tree == g_voltaly.searchTree)
            children = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)di->item.hItem) != 0;
        }
        di->item.cChildren = children;
      }
      return 0;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
      auto* nm = (NMTREEVIEWA*)hdr;
      if (nm->action & TVE_EXPAND) {
        FolderNode* node = GetItemNode(tree, nm->itemNew.hItem);
        if (tree == g_voltaly.mainTree && node && node->calcState == kCalcNever && IsDriveNode(node->drive)) {
          ScanIfNeverComputed(tree, node);
        }
        SortChildren(tree, nm->itemNew.hItem, false);
      }
      return 0;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
      auto* nm = (NMTREEVIEWA*)hdr;
      if (nm->action & TVE_TOGGLE && !(nm->action & (TVE_EXPAND | TVE_COLLAPSE)))
        TraceMessage(1, "TVE_EXPAND not handled");
      RebuildSizeRows(tree);
      return 0;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      auto* nm = (NMTREEVIEWA*)hdr;
      if (tree != g_voltaly.currentTree) return 0;
      FolderNode* node = (FolderNode*)nm->itemNew.lParam;
      if (IsFolderNode(node)) SelectFolder(node);
      InvalidateRect(SizeListOf(tree), nullptr, FALSE);
      return 0;
    }
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW: {
      auto* di = (NMTVDISPINFOA*)hdr;
      FolderNode* node = GetItemNode(tree, di->item.hItem);
      bool allowed = false;
      if (node && node->parent && !IsDriveNode(node)) {
        IShellFolder* parent = NodeParentFolder(node);
        LPITEMIDLIST relative = NodeRelativeIdList(node);
        ULONG attributes = SFGAO_CANRENAME;
        if (parent && relative && SUCCEEDED(parent->GetAttributesOf(1, (LPCITEMIDLIST*)&relative, &attributes)))
          allowed = (attributes & SFGAO_CANRENAME) != 0;
      }
      if (!allowed) MessageBeep(MB_ICONEXCLAMATION);
      g_editEnded = !allowed;
      SetWindowLongPtrA(pane, DWLP_MSGRESULT, allowed ? FALSE : TRUE);
      return TRUE;
    }
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
      auto* di = (NMTVDISPINFOA*)hdr;
      BOOL accepted = FALSE;
      // One answer per edit: destroying the edit box (or a box taking the focus) ends the same
      // edit a second time.
      bool first = !g_editEnded;
      g_editEnded = true;
      if (first && di->item.pszText) {
        // A name with a path in it would move the folder elsewhere: only plain names pass.
        if (!IsPlainFolderName(di->item.pszText)) {
          char text[256], caption[128];
          LoadStringA(g_voltaly.instance, IDS_BAD_RENAME, text, sizeof text);
          LoadStringA(g_voltaly.instance, IDS_TITLE, caption, sizeof caption);
          seams::MessageBoxA(g_voltaly.mainWindow, text, caption, MB_OK | MB_ICONEXCLAMATION);
        } else {
          accepted = RenameTreeFolder(tree, di);
        }
      }
      SetWindowLongPtrA(pane, DWLP_MSGRESULT, accepted);
      return TRUE;
    }
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW:
    case TVN_BEGINRDRAGA:
    case TVN_BEGINRDRAGW: {
      auto* nm = (NMTREEVIEWA*)hdr;
      if (tree == g_voltaly.mainTree) DragTreeFolder(tree, nm->itemNew.hItem);
      return 0;
    }
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW: {
      auto* nm = (NMTREEVIEWA*)hdr;
      auto* node = (FolderNode*)nm->itemOld.lParam;
      if (node && node->magic.load() == kNodeMagic) {
        if (tree == g_voltaly.searchTree) {
          if (node->searchItem == nm->itemOld.hItem) node->searchItem = nullptr;
          node->shownInSearchList = 0;
        } else {
          if (node->mainItem == nm->itemOld.hItem) node->mainItem = nullptr;
          node->shownInMainList = 0;
        }
      }
      PostRowsRebuild(tree);
      return 0;
    }
    case NM_SETFOCUS: {
      g_voltaly.filePaneActive = false;
      if (g_voltaly.filePane) SetFilePaneActive(g_voltaly.filePane, FALSE);
      UpdateTreeStatusBar(g_voltaly.currentNode);
      ReloadMainMenu();
      return 0;
    }
    case NM_RCLICK: {
      POINT pt;
      GetCursorPos(&pt);
      POINT client = pt;
      ScreenToClient(tree, &client);
      TVHITTESTINFO hit{};
      hit.pt = client;
      auto item = (HTREEITEM)SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)&hit);
      if (item && (hit.flags & TVHT_ONITEM)) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
        if (FolderNode* node = GetItemNode(tree, item)) ShowFolderContextMenu(node, client, item);
      } else {
        NMHDR h{g_voltaly.header, IDC_HEADER, (UINT)NM_RCLICK};
        OnHeaderNotify(&h);
      }
      SetWindowLongPtrA(pane, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
  }
  return 0;
}

INT_PTR CALLBACK TreePaneDlgProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;
    case WM_NOTIFY: {
      auto* hdr = (NMHDR*)lParam;
      if (hdr->hwndFrom == g_voltaly.header) {
        OnHeaderNotify(hdr);
        return TRUE;
      }
      if (hdr->hwndFrom == g_voltaly.mainTree || hdr->hwndFrom == g_voltaly.searchTree)
        return OnTreeNotify(pane, hdr);
      return FALSE;
    }
    case WM_HSCROLL:
      if ((HWND)lParam == g_hscroll) ScrollColumns(LOWORD(wParam));
      return TRUE;
    case WM_SIZE:
      LayoutPaneControls(LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_SETFOCUS:
      g_voltaly.lastFocusDialog = pane;
      if (g_voltaly.currentTree) SetFocus(g_voltaly.currentTree);
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) g_voltaly.lastFocusDialog = pane;
      return FALSE;
    case kMsgRebuildRows:
      RebuildSizeRows((HWND)wParam);
      return TRUE;
    case kMsgRebuildTree:
      if (lParam) RebuildTreeView((HTREEITEM)lParam);
      else SyncListBoxTop();
      return TRUE;
    case kMsgExpandItem: {
      HWND tree = g_voltaly.currentTree;
      if (wParam) ExpandTreeItem(tree, (HTREEITEM)lParam);
      else CollapseTreeItem(tree, (HTREEITEM)lParam);
      return TRUE;
    }
    case WM_DESTROY:
      g_shuttingDown.store(TRUE);
      StopChangeWatchers();
      return FALSE;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------------------------
// Scan Disk

void ScanDiskCommand(HWND owner) {
  HWND tree = g_voltaly.mainTree;
  FolderNode* node = g_voltaly.currentNode;
  char text[256], caption[128];
  LoadStringA(g_voltaly.instance, IDS_TITLE, caption, sizeof caption);
  auto root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  if (!IsFolderNode(node) || node->mainItem == root || !node->drive) {
    LoadStringA(g_voltaly.instance, IDS_ROOT_NO_SCAN, text, sizeof text);
    seams::MessageBoxA(owner, text, caption, MB_OK | MB_ICONSTOP);
    return;
  }
  if (IsDriveBusy(node->drive)) {
    LoadStringA(g_voltaly.instance, IDS_DRIVE_BUSY, text, sizeof text);
    seams::MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  DialogBoxParamA(g_voltaly.instance, MAKEINTRESOURCEA(IDD_SCAN_DISK), owner, ScanDiskDlgProc, (LPARAM)node);
}

INT_PTR CALLBACK ScanDiskDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* node = (FolderNode*)GetWindowLongPtrA(dialog, DWLP_USER);
  switch (message) {
    case WM_INITDIALOG: {
      node = (FolderNode*)lParam;
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      if (!IsFolderNode(node)) { EndDialog(dialog, 0); return TRUE; }
      char name[MAX_PATH];
      NodeLabel(node->drive, name, sizeof name);
      SetDlgItemTextA(dialog, IDC_DRIVE_NAME, name);
      char path[MAX_PATH] = "", broken[2 * MAX_PATH + 1] = "";
      GetNodePath(node, path, sizeof path);
      ProperCaseName(path);
      PathWithBreaks(path, broken);
      SetDlgItemTextA(dialog, IDC_FOLDER_PATH, broken);
      bool isDrive = IsDriveNode(node);
      if (isDrive) g_settings.scanTarget = 0;
      bool whole = g_settings.scanTarget == 0;
      SetDialogControls(dialog, "r D(rb D(c))", IDC_WHOLE_DRIVE, (int)whole, (int)!isDrive,
                        IDC_THIS_FOLDER, (int)!whole, IDC_FOLDER_PATH, (int)!whole, IDC_SCAN_OPTION,
                        (int)g_settings.scanOption);
      CenterOnOwner(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_WHOLE_DRIVE:
        case IDC_THIS_FOLDER: {
          bool whole = IsDlgButtonChecked(dialog, IDC_WHOLE_DRIVE) == BST_CHECKED;
          SetDialogControls(dialog, "rr D(c)", IDC_WHOLE_DRIVE, (int)whole, IDC_THIS_FOLDER, (int)!whole,
                            (int)!whole, IDC_SCAN_OPTION, (int)(IsDlgButtonChecked(dialog, IDC_SCAN_OPTION) == BST_CHECKED));
          return TRUE;
        }
        case IDOK: {
          bool whole = IsDlgButtonChecked(dialog, IDC_WHOLE_DRIVE) == BST_CHECKED;
          g_settings.scanTarget = whole ? 0 : 1;
          if (!whole) g_settings.scanOption = IsDlgButtonChecked(dialog, IDC_SCAN_OPTION) == BST_CHECKED;
          if (IsFolderNode(node)) {
            if (whole) StartScanThread(ScanDriveThread, node->drive);
            else StartScanThread(ScanFolderThread, node);
          }
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_HELP_BUTTON:
          ShowHelpTopic(dialog, 98);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
