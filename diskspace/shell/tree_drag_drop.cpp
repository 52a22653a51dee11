// The size tree in the shell's drag and drop: folders dragged out of the tree, and drops onto a
// tree folder. A drop of files onto a file-system folder is carried out here with a shell file
// operation (the shell's own folder drop targets do nothing under Wine); other folders get the
// drop through the shell's drop target of that folder.
#include "tree_drag_drop.h"

#include <shlobj.h>
#include <shellapi.h>

#include <string>

#include "file_commands.h"
#include "folder_node.h"
#include "shell_host.h"

volatile LONG expandingForDrag = 0;

namespace {

// Takes the drop highlight off. The state bit is cleared as well: some tree controls keep the
// highlighted item when asked for "none" while nothing is selected.
void ClearDropHighlight(HWND tree) {
  if (HTREEITEM lit = TreeView_GetDropHilight(tree)) TreeView_SetItemState(tree, lit, 0, TVIS_DROPHILITED);
  TreeView_SelectDropTarget(tree, nullptr);
}

constexpr UINT_PTR kExpandTimer = 111;
HTREEITEM autoExpandItem = nullptr;
bool timerArmed = false;

class TreeDropSource : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
      *out = static_cast<IDropSource*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    if (keys & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
    return DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
  virtual ~TreeDropSource() = default;

 private:
  volatile LONG refs_ = 1;
};

// The files of a drag (CF_HDROP), double-NUL separated; empty when the data has none.
std::string DroppedFiles(IDataObject* data, std::string* firstParent) {
  std::string files;
  if (!data) return files;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return files;
  {
    UINT count = DragQueryFileA(reinterpret_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char name[MAX_PATH] = {};
      if (!DragQueryFileA(reinterpret_cast<HDROP>(medium.hGlobal), i, name, MAX_PATH)) continue;
      files.append(name);
      files.push_back('\0');
      if (firstParent && firstParent->empty()) {
        std::string parent = name;
        size_t slash = parent.find_last_of('\\');
        *firstParent = slash == std::string::npos ? std::string() : parent.substr(0, slash);
      }
    }
  }
  ReleaseStgMedium(&medium);
  return files;
}

// Copy with Ctrl, move with Shift, a link with both (left to the shell); otherwise a move within
// one drive and a copy across drives, as the Explorer does. Limited to what the source allows.
DWORD ChooseEffect(DWORD keys, DWORD allowed, const std::string& source, const std::string& target) {
  DWORD effect;
  if ((keys & MK_CONTROL) && (keys & MK_SHIFT)) effect = DROPEFFECT_NONE;
  else if (keys & MK_CONTROL) effect = DROPEFFECT_COPY;
  else if (keys & MK_SHIFT) effect = DROPEFFECT_MOVE;
  else if (source.size() >= 2 && target.size() >= 2 && toupper(static_cast<unsigned char>(source[0])) ==
                                                           toupper(static_cast<unsigned char>(target[0])) &&
           source[1] == ':')
    effect = DROPEFFECT_MOVE;
  else
    effect = DROPEFFECT_COPY;
  if (!(allowed & effect)) effect = (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : (allowed & DROPEFFECT_MOVE);
  return effect;
}

class TreeDropTarget : public IDropTarget {
 public:
  explicit TreeDropTarget(HWND tree) : tree_(tree) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    inDrag_ = true;
    autoExpandItem = nullptr;
    timerArmed = false;
    data_ = data;
    if (effect) *effect = DROPEFFECT_MOVE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL screen, DWORD* effect) override {
    DWORD allowed = effect ? *effect : DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    if (effect) *effect = DROPEFFECT_NONE;
    POINT point{screen.x, screen.y};
    ScreenToClient(tree_, &point);
    ScrollAtEdges(point);
    TVHITTESTINFO hit{};
    hit.pt = point;
    HTREEITEM item = TreeView_HitTest(tree_, &hit);
    if (!item || !(hit.flags & TVHT_ONITEM)) {
      LeaveFolder();
      ClearDropHighlight(tree_);
      return S_OK;
    }
    TreeView_SelectDropTarget(tree_, item);
    if (!ShellHostScanRunning() && item != autoExpandItem && !timerArmed) {
      autoExpandItem = item;
      timerArmed = true;
      SetTimer(tree_, kExpandTimer, 1000, ExpandTimerProc);
    }
    FolderNode* node = NodeOf(item);
    if (!IsFolderNode(node)) {
      LeaveFolder();
      return S_OK;
    }
    if (node != current_) {
      LeaveFolder();
      if (!EnterFolder(node, keys, screen, allowed)) return S_OK;
    }
    DWORD answer = allowed;
    if (ownDrop_) {
      answer = ChooseEffect(keys, allowed, sourceParent_, targetPath_);
    } else if (delegated_) {
      if (FAILED(delegated_->DragOver(keys, screen, &answer))) answer = DROPEFFECT_NONE;
    } else {
      answer = DROPEFFECT_NONE;
    }
    if (effect) *effect = answer;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DragLeave() override {
    StopTimer();
    LeaveFolder();
    ClearDropHighlight(tree_);
    inDrag_ = false;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL screen, DWORD* effect) override {
    StopTimer();
    HRESULT result = S_OK;
    DWORD allowed = effect ? *effect : DROPEFFECT_COPY | DROPEFFECT_MOVE;
    DWORD done = DROPEFFECT_NONE;
    if (current_ && ownDrop_) {
      DWORD chosen = ChooseEffect(keys, allowed, sourceParent_, targetPath_);
      if (chosen == DROPEFFECT_COPY || chosen == DROPEFFECT_MOVE) {
        std::string parent;
        std::string files = DroppedFiles(data ? data : data_, &parent);
        FILEOP_FLAGS flags = FOF_ALLOWUNDO;
        bool sameFolder = lstrcmpiA(StripTrailingBackslash(parent).c_str(), targetPath_.c_str()) == 0;
        if (sameFolder && chosen == DROPEFFECT_COPY) flags |= FOF_RENAMEONCOLLISION;
        if (!files.empty() && !(sameFolder && chosen == DROPEFFECT_MOVE)) {
          HWND owner = ShellHostMainWindow(tree_);
          if (RunShellFileOperation(owner, chosen == DROPEFFECT_MOVE ? FO_MOVE : FO_COPY, files, targetPath_, flags) == 0)
            done = chosen;
        }
      }
    } else if (current_ && delegated_) {
      DWORD answer = allowed;
      result = delegated_->Drop(data ? data : data_, keys, screen, &answer);
      done = answer;
    }
    if (effect) *effect = done;
    ReleaseTarget();
    current_ = nullptr;
    ClearDropHighlight(tree_);
    inDrag_ = false;
    return result;
  }

 private:
  virtual ~TreeDropTarget() { ReleaseTarget(); }

  FolderNode* NodeOf(HTREEITEM item) {
    TVITEMA tvi{};
    tvi.mask = TVIF_PARAM;
    tvi.hItem = item;
    if (!TreeView_GetItem(tree_, &tvi)) return nullptr;
    return reinterpret_cast<FolderNode*>(tvi.lParam);
  }

  void ScrollAtEdges(POINT point) {
    RECT client{};
    GetClientRect(tree_, &client);
    LONG style = GetWindowLongA(tree_, GWL_STYLE);
    if (style & WS_VSCROLL) {
      int margin = GetSystemMetrics(SM_CYHSCROLL);
      if (point.y < margin) SendMessageA(tree_, WM_VSCROLL, SB_LINEUP, 0);
      else if (point.y > client.bottom - margin) SendMessageA(tree_, WM_VSCROLL, SB_LINEDOWN, 0);
    }
    if (style & WS_HSCROLL) {
      int margin = GetSystemMetrics(SM_CXVSCROLL);
      if (point.x < margin) SendMessageA(tree_, WM_HSCROLL, SB_LINELEFT, 0);
      else if (point.x > client.right - margin) SendMessageA(tree_, WM_HSCROLL, SB_LINERIGHT, 0);
    }
  }

  // Takes the folder under the pointer: our own file drop for a file-system folder and a drag
  // of files, else the shell's drop target of the folder.
  bool EnterFolder(FolderNode* node, DWORD keys, POINTL screen, DWORD allowed) {
    char path[MAX_PATH] = {};
    sourceParent_.clear();
    if (GetNodePath(node, path, MAX_PATH) && path[0] && !DroppedFiles(data_, &sourceParent_).empty()) {
      current_ = node;
      ownDrop_ = true;
      targetPath_ = StripTrailingBackslash(path);
      return true;
    }
    IShellFolder* parent = NodeParentFolder(node);
    LPITEMIDLIST relative = NodeRelativeIdList(node);
    if (!parent || !relative) return false;
    LPCITEMIDLIST items[1] = {relative};
    IDropTarget* target = nullptr;
    if (FAILED(parent->GetUIObjectOf(ShellHostMainWindow(tree_), 1, items, IID_IDropTarget, nullptr,
                                     reinterpret_cast<void**>(&target))) || !target)
      return false;
    DWORD answer = allowed;
    if (FAILED(target->DragEnter(data_, keys, screen, &answer)) || answer == DROPEFFECT_NONE) {
      target->Release();
      return false;
    }
    // The target is kept for this folder and only asked DragOver while the pointer stays.
    delegated_ = target;
    current_ = node;
    ownDrop_ = false;
    return true;
  }

  void ReleaseTarget() {
    if (delegated_) {
      delegated_->Release();
      delegated_ = nullptr;
    }
    ownDrop_ = false;
  }

  void LeaveFolder() {
    if (!current_) return;
    autoExpandItem = nullptr;
    StopTimer();
    if (delegated_) delegated_->DragLeave();
    ReleaseTarget();
    current_ = nullptr;
  }

  void StopTimer() {
    if (timerArmed) KillTimer(tree_, kExpandTimer);
    timerArmed = false;
  }

  static void CALLBACK ExpandTimerProc(HWND tree, UINT, UINT_PTR id, DWORD) {
    KillTimer(tree, id);
    if (autoExpandItem) {
      POINT point{};
      GetCursorPos(&point);
      ScreenToClient(tree, &point);
      TVHITTESTINFO hit{};
      hit.pt = point;
      HTREEITEM item = TreeView_HitTest(tree, &hit);
      if (item == autoExpandItem && (hit.flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON))) {
        InterlockedExchange(&expandingForDrag, 1);
        TreeView_Expand(tree, item, TVE_TOGGLE);
        InterlockedExchange(&expandingForDrag, 0);
      }
    }
    timerArmed = false;
  }

  volatile LONG refs_ = 1;
  HWND tree_ = nullptr;
  bool inDrag_ = false;
  FolderNode* current_ = nullptr;
  IDropTarget* delegated_ = nullptr;
  bool ownDrop_ = false;
  std::string targetPath_;
  std::string sourceParent_;
  IDataObject* data_ = nullptr;  // valid for the drag; not referenced
};

}  // namespace

IDropSource* CreateTreeDropSource() { return new TreeDropSource(); }

// RegisterDragDrop keeps the system's own reference while the tree is registered; the caller's
// reference is given back with Release (or ReleaseTreeDropTarget).
IDropTarget* CreateTreeDropTarget(HWND tree) { return new TreeDropTarget(tree); }

void ReleaseTreeDropTarget(IDropTarget* target) {
  if (target) target->Release();
}

void DragTreeFolder(HWND tree, HTREEITEM item) {
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  if (!tree || !item || !TreeView_GetItem(tree, &tvi)) return;
  auto* node = reinterpret_cast<FolderNode*>(tvi.lParam);
  if (!IsFolderNode(node)) return;
  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  if (!parent || !relative) return;
  LPCITEMIDLIST items[1] = {relative};
  IDataObject* data = nullptr;
  if (FAILED(parent->GetUIObjectOf(ShellHostMainWindow(tree), 1, items, IID_IDataObject, nullptr,
                                   reinterpret_cast<void**>(&data))) || !data)
    return;
  IDropSource* source = CreateTreeDropSource();
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
  source->Release();
  data->Release();
}
