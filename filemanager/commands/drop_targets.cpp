// The drop targets of the file lists, the folder trees and the drive bar. Each finds the shell
// item under the cursor and hands the drag to that item's drop target: the suite's own for
// file-system folders, shortcuts and programs (file_drop.h), the shell's for anything else.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <commctrl.h>

#include <atomic>
#include <new>
#include <string>

#include "file_drop.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "pane_drop_targets.h"
#include "pane_host.h"
#include "com_object.h"
#include "pidl.h"
#include "program_values.h"
#include "path_utils.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "tree_nodes.h"

DragSourceState g_dragSource = {-1, 0, nullptr, nullptr};

namespace {

// The parent folder of the item that a list, tree or drive-bar target last entered.
IShellFolder* g_dropTargetFolder = nullptr;

// Desktop slots: the desktop folder and the desktop directory's list, for drops on the tree's
// root or on the empty part of a list that shows the desktop.
struct DesktopSlots {
  IShellFolder* desktop = nullptr;
  LPITEMIDLIST directory = nullptr;
  bool Fill() {
    if (!desktop && FAILED(SHGetDesktopFolder(&desktop))) desktop = nullptr;
    if (!directory && FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &directory)))
      directory = nullptr;
    return desktop && directory;
  }
  void Free() {
    if (desktop) desktop->Release();
    if (directory) FreePidl(directory);
    desktop = nullptr;
    directory = nullptr;
  }
};
DesktopSlots g_desktopSlots;

// Tree hover state.
HTREEITEM g_hoveredTreeItem = nullptr;
bool g_treeTimerRunning = false;
int g_treeTicks = 0;

// The drop target of one item: ours for file-system places, else the shell's.
IDropTarget* ItemDropTarget(IShellFolder* parent, LPCITEMIDLIST item) {
  if (!parent || !item) return nullptr;
  std::string place = DropPlaceOfItem(parent, item);
  if (!place.empty())
    if (IDropTarget* ours = CreatePathDropTarget(g_mainWindow, place.c_str())) return ours;
  IDropTarget* shell = nullptr;
  if (FAILED(parent->GetUIObjectOf(nullptr, 1, &item, IID_IDropTarget, nullptr, reinterpret_cast<void**>(&shell))))
    return nullptr;
  return shell;
}

// The folder a pane shows, as parent folder and item: the tree's selected node, or the desktop
// directory when the root (the desktop) is selected.
bool PaneFolderTarget(int pane, IShellFolder** parent, LPCITEMIDLIST* item) {
  HWND tree = FilePanes[pane].tree;
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  if (!selected) return false;
  if (selected != TreeView_GetRoot(tree)) {
    FolderTreeItem* record = GetTreeItemRecord(tree, selected);
    if (!record || !record->folder || !record->relative) return false;
    *parent = record->folder;
    *item = record->relative;
    return true;
  }
  if (!g_desktopSlots.Fill()) return false;
  *parent = g_desktopSlots.desktop;
  *item = g_desktopSlots.directory;
  return true;
}

// One line of scrolling when the point lies within a scroll-bar arrow of an edge.
void ScrollAtEdges(HWND window, POINT client) {
  RECT r{};
  GetClientRect(window, &r);
  LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  if (style & WS_VSCROLL) {
    int edge = GetSystemMetrics(SM_CYHSCROLL);
    if (client.y < edge)
      SendMessageA(window, WM_VSCROLL, SB_LINEUP, 0);
    else if (client.y > r.bottom - edge)
      SendMessageA(window, WM_VSCROLL, SB_LINEDOWN, 0);
  }
  if (style & WS_HSCROLL) {
    int edge = GetSystemMetrics(SM_CXVSCROLL);
    if (client.x < edge)
      SendMessageA(window, WM_HSCROLL, SB_LINELEFT, 0);
    else if (client.x > r.right - edge)
      SendMessageA(window, WM_HSCROLL, SB_LINERIGHT, 0);
  }
}

void ClearListDropHighlight(HWND list) {
  LVITEMA item{};
  item.stateMask = LVIS_DROPHILITED;
  item.state = 0;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void SetListDropHighlight(HWND list, int index) {
  LVITEMA item{};
  item.stateMask = LVIS_DROPHILITED;
  item.state = LVIS_DROPHILITED;
  SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

// What the three delegating targets share: the entered flag, the last effect, the current
// target item (by identity), the delegated target and the borrowed data object.
class DelegatingTarget : public ComObject<IDropTarget, IID_IDropTarget> {
 public:
  virtual ~DelegatingTarget() {
    LeaveDelegated();
    HoldData(nullptr);
  }

 protected:
  void LeaveDelegated() {
    if (delegated_) {
      delegated_->DragLeave();
      delegated_->Release();
    }
    delegated_ = nullptr;
    current_ = nullptr;
  }
  // Steps common to every target choice: a new item ends the old delegation; the item's drop
  // target is entered (or, for the same item, asked again); TRUE when it accepts the drag.
  bool Delegate(IShellFolder* parent, LPCITEMIDLIST item, DWORD keys, POINTL point, DWORD* effect) {
    DWORD allowed = *effect;
    if (item != current_ || !delegated_) {
      LeaveDelegated();
      delegated_ = ItemDropTarget(parent, item);
      if (!delegated_) {
        *effect = DROPEFFECT_NONE;
        lastEffect_ = DROPEFFECT_NONE;
        return false;
      }
      DWORD entered = allowed;
      if (FAILED(delegated_->DragEnter(data_, keys, point, &entered)) || entered == DROPEFFECT_NONE) {
        // Entered but refused: the target sees the leave; asked again on the next move.
        delegated_->DragLeave();
        delegated_->Release();
        delegated_ = nullptr;
        *effect = DROPEFFECT_NONE;
        lastEffect_ = DROPEFFECT_NONE;
        return false;
      }
    }
    DWORD over = allowed;
    if (FAILED(delegated_->DragOver(keys, point, &over))) over = DROPEFFECT_NONE;
    current_ = item;
    g_dropTargetFolder = parent;
    *effect = over;
    lastEffect_ = over;
    return over != DROPEFFECT_NONE;
  }
  // The folder moved onto itself: one item dragged with a move onto the very item it is.
  bool MovesOntoItself() const {
    return g_dragSource.singleItem && lastEffect_ == DROPEFFECT_MOVE && g_dropTargetFolder &&
           g_dropTargetFolder == g_dragSource.sourceFolder && current_ &&
           HRESULT_CODE(g_dragSource.sourceFolder->CompareIDs(0, current_, g_dragSource.singleItem)) == 0;
  }
  HRESULT ForwardDrop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    HRESULT result = S_OK;
    if (delegated_ && current_) {
      if (MovesOntoItself()) {
        delegated_->DragLeave();
        *effect = DROPEFFECT_NONE;
      } else {
        if (PaneViewerVisible()) ClearPaneViewer();
        result = delegated_->Drop(data, keys, point, effect);
      }
      delegated_->Release();
      delegated_ = nullptr;
    } else {
      LeaveDelegated();
      *effect = DROPEFFECT_NONE;
    }
    current_ = nullptr;
    return result;
  }

  // The data object is held from DragEnter to DragLeave or Drop: a drag from another process
  // hands a proxy that lives only as long as someone holds it.
  void HoldData(IDataObject* data) {
    if (data) data->AddRef();
    if (data_) data_->Release();
    data_ = data;
  }

  HWND window_ = nullptr;
  bool entered_ = false;
  DWORD lastEffect_ = DROPEFFECT_NONE;
  LPCITEMIDLIST current_ = nullptr;
  IDropTarget* delegated_ = nullptr;
  IDataObject* data_ = nullptr;
};

class FileListDropTarget : public DelegatingTarget {
 public:
  explicit FileListDropTarget(HWND list) { window_ = list; }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    HoldData(data);
    entered_ = true;
    if (effect) *effect = DROPEFFECT_MOVE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    if (!entered_ || !data_) {
      *effect = DROPEFFECT_NONE;
      ClearListDropHighlight(window_);
      lastEffect_ = DROPEFFECT_NONE;
      return S_OK;
    }
    POINT client{point.x, point.y};
    ScreenToClient(window_, &client);
    ScrollAtEdges(window_, client);
    int pane = window_ == FilePanes[0].list ? 0 : 1;
    LVHITTESTINFO hit{};
    hit.pt = client;
    int index = static_cast<int>(SendMessageA(window_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    IShellFolder* parent = nullptr;
    LPCITEMIDLIST item = nullptr;
    int highlighted = -1;
    if (index >= 0 && FilePanes[pane].listKind == kListKindShellFolder) {
      FileListItem* record = GetListItemRecord(window_, index);
      if (!record || !record->folder || !record->pidl) {
        // The up entry, or an item without its record: no drop here.
        LeaveDelegated();
        ClearListDropHighlight(window_);
        *effect = DROPEFFECT_NONE;
        lastEffect_ = DROPEFFECT_NONE;
        return S_OK;
      }
      IDropTarget* probe = ItemDropTarget(record->folder, record->pidl);
      if (probe) {
        probe->Release();
        parent = record->folder;
        item = record->pidl;
        highlighted = index;
      }
    }
    if (!item && !PaneFolderTarget(pane, &parent, &item)) {
      LeaveDelegated();
      ClearListDropHighlight(window_);
      *effect = DROPEFFECT_NONE;
      lastEffect_ = DROPEFFECT_NONE;
      return S_OK;
    }
    bool accepted = Delegate(parent, item, keys, point, effect);
    ClearListDropHighlight(window_);
    if (accepted && highlighted >= 0) SetListDropHighlight(window_, highlighted);
    if (!accepted) {
      LeaveDelegated();
      *effect = DROPEFFECT_NONE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    HoldData(nullptr);
    LeaveDelegated();
    g_desktopSlots.Free();
    ClearListDropHighlight(window_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    int pane = window_ == FilePanes[0].list ? 0 : 1;
    HRESULT result = S_OK;
    bool ignored = false;
    if (g_dragSource.draggedIndex >= 0 && g_dragSource.sourcePane == pane) {
      LVHITTESTINFO hit{};
      hit.pt = {point.x, point.y};
      ScreenToClient(window_, &hit.pt);
      int index = static_cast<int>(SendMessageA(window_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      if (index >= 0 && index == g_dragSource.draggedIndex) ignored = true;
    }
    if (ignored) {
      LeaveDelegated();
      *effect = DROPEFFECT_NONE;
    } else {
      result = ForwardDrop(data, keys, point, effect);
    }
    g_desktopSlots.Free();
    ClearListDropHighlight(window_);
    HoldData(nullptr);
    return result;
  }
};

void CALLBACK TreeHoverTick(HWND tree, UINT, UINT_PTR, DWORD) {
  bool left = GetAsyncKeyState(VK_LBUTTON) < 0;
  bool right = GetAsyncKeyState(VK_RBUTTON) < 0;
  bool both = left && right;
  if (g_treeTicks < 12 && !both) {
    ++g_treeTicks;
    return;
  }
  if (g_hoveredTreeItem) {
    TVHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ScreenToClient(tree, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree, &hit);
    if (item && item == g_hoveredTreeItem &&
        (hit.flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT))) {
      if (g_treeTicks >= 12 && !both) {
        g_treeFillQuiet = 1;
        TreeView_Expand(tree, item, TVE_EXPAND);
        g_treeFillQuiet = 0;
        g_treeTicks = 0;
        return;
      }
      bool expanded = (TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
      g_treeFillQuiet = 1;
      TreeView_Expand(tree, item, expanded ? TVE_COLLAPSE : TVE_EXPAND);
      g_treeFillQuiet = 0;
    }
  }
  g_treeTicks = 0;
}

class FolderTreeDropTarget : public DelegatingTarget {
 public:
  explicit FolderTreeDropTarget(HWND tree) { window_ = tree; }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    HoldData(data);
    entered_ = true;
    g_hoveredTreeItem = nullptr;
    g_treeTimerRunning = false;
    if (effect) *effect = DROPEFFECT_MOVE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    if (!entered_ || !data_) {
      *effect = DROPEFFECT_NONE;
      lastEffect_ = DROPEFFECT_NONE;
      TreeView_SelectDropTarget(window_, nullptr);
      return S_OK;
    }
    TVHITTESTINFO hit{};
    hit.pt = {point.x, point.y};
    ScreenToClient(window_, &hit.pt);
    ScrollAtEdges(window_, hit.pt);
    HTREEITEM item = TreeView_HitTest(window_, &hit);
    if (!item) {
      if (current_) StopHover();
      LeaveDelegated();
      *effect = DROPEFFECT_NONE;
      lastEffect_ = DROPEFFECT_NONE;
      TreeView_SelectDropTarget(window_, nullptr);
      return S_OK;
    }
    TreeView_SelectDropTarget(window_, item);
    if (!GetLiveOptions().noDragExpand && item != g_hoveredTreeItem && !g_treeTimerRunning) {
      g_hoveredTreeItem = item;
      g_treeTimerRunning = true;
      g_treeTicks = 0;
      SetTimer(window_, kTreeHoverTimer, 100, TreeHoverTick);
    }
    IShellFolder* parent = nullptr;
    LPCITEMIDLIST target = nullptr;
    if (item == TreeView_GetRoot(window_)) {
      if (g_desktopSlots.Fill()) {
        parent = g_desktopSlots.desktop;
        target = g_desktopSlots.directory;
      }
    } else if (FolderTreeItem* record = GetTreeItemRecord(window_, item)) {
      parent = record->folder;
      target = record->relative;
    }
    if (target != current_ && current_) {
      StopHover();
      // The timer starts again for the new item on the next move.
    }
    if (!parent || !target || !Delegate(parent, target, keys, point, effect)) {
      LeaveDelegated();
      *effect = DROPEFFECT_NONE;
      lastEffect_ = DROPEFFECT_NONE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    HoldData(nullptr);
    StopHover();
    LeaveDelegated();
    g_desktopSlots.Free();
    TreeView_SelectDropTarget(window_, nullptr);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    StopHover();
    HRESULT result = ForwardDrop(data, keys, point, effect);
    g_desktopSlots.Free();
    TreeView_SelectDropTarget(window_, nullptr);
    HoldData(nullptr);
    return result;
  }

 private:
  void StopHover() {
    g_hoveredTreeItem = nullptr;
    if (g_treeTimerRunning) KillTimer(window_, kTreeHoverTimer);
    g_treeTimerRunning = false;
  }
};

// The hot button's frame, in the active caption colour or erased in the button face colour; the
// left and top edges one pixel out (with the newer controls on the drive bar: the right edge one
// pixel in instead of the top edge out).
void DrawButtonFrame(HWND bar, int index, bool highlight, bool newerControls) {
  if (index < 0) return;
  RECT r{};
  if (!SendMessageA(bar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r))) return;
  HDC dc = GetDC(bar);
  if (!dc) return;
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(highlight ? COLOR_ACTIVECAPTION : COLOR_BTNFACE));
  if (pen) {
    HGDIOBJ old = SelectObject(dc, pen);
    int left = r.left - 1, top = r.top, right = r.right - 1, bottom = r.bottom - 1;
    if (newerControls)
      right -= 1;
    else
      top -= 1;
    MoveToEx(dc, left, top, nullptr);
    LineTo(dc, right, top);
    LineTo(dc, right, bottom);
    LineTo(dc, left, bottom);
    LineTo(dc, left, top);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  ReleaseDC(bar, dc);
}

class DriveBarDropTarget : public DelegatingTarget {
 public:
  explicit DriveBarDropTarget(HWND bar) { window_ = bar; }
  ~DriveBarDropTarget() override { FreeDrive(); }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    HoldData(data);
    entered_ = true;
    hot_ = -1;
    FreeDrive();
    if (effect) *effect = DROPEFFECT_MOVE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    if (!entered_ || !data_) {
      *effect = DROPEFFECT_NONE;
      DrawFrame(false);
      return S_OK;
    }
    POINT client{point.x, point.y};
    ScreenToClient(window_, &client);
    int hit = -1;
    char letter = 0;
    int count = static_cast<int>(SendMessageA(window_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count && hit < 0; ++i) {
      TBBUTTON button{};
      if (!SendMessageA(window_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || button.dwData == 0) continue;
      RECT r{};
      SendMessageA(window_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
      if (client.x >= r.left && client.x <= r.right && client.y >= r.top && client.y <= r.bottom) {
        hit = i;
        letter = static_cast<char>(button.dwData);
      }
    }
    if (hit < 0) {
      LeaveDelegated();
      DrawFrame(false);
      FreeDrive();
      hot_ = -1;
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    if (hit != hot_) {
      LeaveDelegated();
      DrawFrame(false);
      FreeDrive();
      hot_ = hit;
      char root[4] = "?:\\";
      root[0] = letter;
      IShellFolder* desktop = nullptr;
      LPITEMIDLIST computer = nullptr;
      if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop &&
          SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer)) && computer)
        desktop->BindToObject(computer, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&computerFolder_));
      if (computer) FreePidl(computer);
      if (desktop) desktop->Release();
      if (computerFolder_) driveRoot_ = ParsePathToPidl(root, computerFolder_, nullptr);
      if (!computerFolder_ || !driveRoot_) {
        FreeDrive();
        hot_ = -1;
        *effect = DROPEFFECT_NONE;
        return S_OK;
      }
    }
    if (Delegate(computerFolder_, driveRoot_, keys, point, effect)) {
      DrawFrame(true);
    } else {
      LeaveDelegated();
      DrawFrame(false);
      *effect = DROPEFFECT_NONE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    HoldData(nullptr);
    LeaveDelegated();
    DrawFrame(false);
    FreeDrive();
    hot_ = -1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    HRESULT result = ForwardDrop(data, keys, point, effect);
    DrawFrame(false);
    FreeDrive();
    hot_ = -1;
    HoldData(nullptr);
    return result;
  }

 private:
  void FreeDrive() {
    if (computerFolder_) computerFolder_->Release();
    computerFolder_ = nullptr;
    if (driveRoot_) FreePidl(driveRoot_);
    driveRoot_ = nullptr;
  }
  void DrawFrame(bool highlight) { DrawButtonFrame(window_, hot_, highlight, g_frame.commonControlsEx != FALSE); }

  int hot_ = -1;
  LPITEMIDLIST driveRoot_ = nullptr;
  IShellFolder* computerFolder_ = nullptr;
};


// The launch bar does its own work: a file dropped on a button runs the button's program with
// it; files dropped on the empty part become new buttons.
LaunchBarDropHooks g_launchHooks{};

class LaunchBarDropTarget : public ComObject<IDropTarget, IID_IDropTarget> {
 public:
  explicit LaunchBarDropTarget(HWND bar) : window_(bar) {}
  virtual ~LaunchBarDropTarget() = default;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    entered_ = true;
    hot_ = -1;
    if (effect) *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    if (!entered_) {
      *effect = DROPEFFECT_NONE;
      Frame(false);
      return S_OK;
    }
    int hit = ButtonAt(point);
    if (hit < 0) {
      Frame(false);
      hot_ = -1;
    } else if (hit == hot_) {
      Frame(true);
    } else {
      Frame(false);
      hot_ = hit;
      Frame(true);
    }
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    Frame(false);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    Frame(false);
    int hot = hot_;
    hot_ = -1;
    if (hot < 0) {
      if (g_launchHooks.addDropped) g_launchHooks.addDropped(data);
      return S_OK;
    }
    LaunchDropButton button{};
    if (!g_launchHooks.buttonAt || !g_launchHooks.buttonAt(hot, &button) || !button.command[0]) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) {
      Refuse(IDS_LAUNCH_DROP_FILES_ONLY);
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    HDROP drop = static_cast<HDROP>(medium.hGlobal);
    UINT files = medium.tymed == TYMED_HGLOBAL && drop ? DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    char path[MAX_PATH] = {};
    if (files >= 2) {
      Refuse(IDS_LAUNCH_DROP_ONE_ITEM);
      *effect = DROPEFFECT_NONE;
    } else if (files == 0 || !DragQueryFileA(drop, 0, path, MAX_PATH) || !path[0] ||
               (IsShortcutPath(path) && !ResolveLinkInPlace(path))) {
      Refuse(IDS_LAUNCH_DROP_FILES_ONLY);
      *effect = DROPEFFECT_NONE;
    } else {
      char shortPath[MAX_PATH] = {};
      if (!GetShortPathNameA(path, shortPath, MAX_PATH)) lstrcpynA(shortPath, path, MAX_PATH);
      std::string parameters = button.parameters[0] ? std::string(button.parameters) + " " + shortPath : shortPath;
      PidlPtr list(ParsePathToPidl(button.command, nullptr, nullptr));
      if (list && !OpenShellItem(list.get())) {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.lpFile = button.command;
        info.lpParameters = parameters.c_str();
        info.lpDirectory = button.directory[0] ? button.directory : nullptr;
        info.nShow = button.show ? button.show : SW_SHOWNORMAL;
        seams::ShellExecuteExA(&info);
      }
    }
    ReleaseStgMedium(&medium);
    return S_OK;
  }

 private:
  static bool ResolveLinkInPlace(char* path) {
    char target[MAX_PATH] = {};
    if (!ResolveShortcut(nullptr, path, target, nullptr) || !target[0]) return false;
    lstrcpynA(path, target, MAX_PATH);
    return true;
  }
  static void Refuse(UINT textId) {
    char text[300] = {}, caption[100] = {};
    LoadStringA(g_instance, textId, text, sizeof text);
    LoadStringA(g_instance, IDS_APP_NAME, caption, sizeof caption);
    seams::MessageBoxA(g_mainWindow, text, caption, MB_ICONSTOP);
  }
  int ButtonAt(POINTL point) const {
    POINT client{point.x, point.y};
    ScreenToClient(window_, &client);
    int count = static_cast<int>(SendMessageA(window_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      RECT r{};
      SendMessageA(window_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
      if (client.x >= r.left && client.x <= r.right && client.y >= r.top && client.y <= r.bottom) return i;
    }
    return -1;
  }
  void Frame(bool highlight) const { DrawButtonFrame(window_, hot_, highlight, false); }

  HWND window_;
  bool entered_ = false;
  int hot_ = -1;
};

template <class T>
IDropTarget* CreateLocked(HWND window) {
  T* target = new (std::nothrow) T(window);
  if (!target) return nullptr;
  CoLockObjectExternal(target, TRUE, TRUE);
  return target;
}

template <class T = DelegatingTarget>
void ReleaseLocked(IDropTarget* target) {
  if (!target) return;
  // The lock holds one reference of its own: unlocking drops it, and our reference goes last.
  CoLockObjectExternal(target, FALSE, TRUE);
  delete static_cast<T*>(target);
}

struct RegisteredTargets {
  HWND windows[6] = {};
  IDropTarget* targets[6] = {};
};
RegisteredTargets g_registered;

}  // namespace

IDropTarget* CreateFileListDropTarget(HWND list) { return CreateLocked<FileListDropTarget>(list); }
IDropTarget* CreateFolderTreeDropTarget(HWND tree) { return CreateLocked<FolderTreeDropTarget>(tree); }
IDropTarget* CreateDriveBarDropTarget(HWND toolbar) { return CreateLocked<DriveBarDropTarget>(toolbar); }
void ReleaseFileListDropTarget(IDropTarget* target) { ReleaseLocked(target); }
void ReleaseFolderTreeDropTarget(IDropTarget* target) { ReleaseLocked(target); }
void ReleaseDriveBarDropTarget(IDropTarget* target) { ReleaseLocked(target); }
LaunchBarDropHooks& GetLaunchBarDropHooks() { return g_launchHooks; }
IDropTarget* CreateLaunchBarDropTarget(HWND toolbar) { return CreateLocked<LaunchBarDropTarget>(toolbar); }
void ReleaseLaunchBarDropTarget(IDropTarget* target) { ReleaseLocked<LaunchBarDropTarget>(target); }

void RegisterMainWindowDropTargets() {
  ReleaseMainWindowDropTargets();
  HWND windows[6] = {FilePanes[0].list, FilePanes[1].list, FilePanes[0].tree, FilePanes[1].tree,
                     g_frame.driveBar,   g_frame.launchBar};
  for (int i = 0; i < 6; ++i) {
    if (!windows[i]) continue;
    IDropTarget* target = i < 2   ? CreateFileListDropTarget(windows[i])
                          : i < 4 ? CreateFolderTreeDropTarget(windows[i])
                          : i < 5 ? CreateDriveBarDropTarget(windows[i])
                                  : CreateLaunchBarDropTarget(windows[i]);
    if (!target) continue;
    if (FAILED(RegisterDragDrop(windows[i], target))) {
      if (i == 5)
        ReleaseLaunchBarDropTarget(target);  // the bar registered its own
      else
        ReleaseLocked(target);
      continue;
    }
    g_registered.windows[i] = windows[i];
    g_registered.targets[i] = target;
  }
}

void ReleaseMainWindowDropTargets() {
  for (int i = 0; i < 6; ++i) {
    if (!g_registered.targets[i]) continue;
    if (g_registered.windows[i] && IsWindow(g_registered.windows[i])) RevokeDragDrop(g_registered.windows[i]);
    if (i == 5)
      ReleaseLaunchBarDropTarget(g_registered.targets[i]);
    else
      ReleaseLocked(g_registered.targets[i]);
    g_registered.targets[i] = nullptr;
    g_registered.windows[i] = nullptr;
  }
  g_desktopSlots.Free();
}
