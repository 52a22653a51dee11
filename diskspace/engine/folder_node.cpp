// Folder and drive records: creation, validity, the per-node re-entrant locks, node lists,
// paths and shell identity made on demand, retiring, and the messages to the view window.
#include "folder_node.h"

#include <shlwapi.h>
#include <vector>

#include "item_ids.h"

// The change feed's timer arming, run on the GUI thread.
void ArmRescanTimerOnGui(FolderNode* node, UINT delayMs);

DWORD g_uiThreadId = 0;
HWND g_mainWindow = nullptr;
std::atomic<BOOL> g_shuttingDown{FALSE};
BOOL g_isNT = TRUE;
BOOL g_isOSR2 = FALSE;
BOOL g_startFolderGiven = FALSE;
BOOL g_changeNotification = FALSE;
FolderNode* g_rootNode = nullptr;
NodeList g_retiredNodes;
NodeList g_watchedFolders;

// ---- Records

FolderNode* NewFolderNode() { return new (std::nothrow) FolderNode(); }

DriveNode* NewDriveNode() {
  DriveNode* d = new (std::nothrow) DriveNode();
  if (d) {
    d->kind = kDriveNodeKind;
    d->drive = d;
  }
  return d;
}

BOOL IsFolderNode(const FolderNode* p) {
  // Records are never freed while the program runs, so a pointer that once was a node stays
  // readable; what else can arrive here are item parameters and the tree's special handles
  // (TVI_ROOT and the like), which lie in the lowest or the highest 64 KB.
  const uintptr_t address = reinterpret_cast<uintptr_t>(p);
  if (address < 0x10000 || address > UINTPTR_MAX - 0x10000 ||
      (address & (alignof(FolderNode) - 1)) != 0)
    return FALSE;
  if (p->magic.load(std::memory_order_acquire) != kNodeMagic) return FALSE;
  return p->kind == kFolderNodeKind || p->kind == kDriveNodeKind;
}

BOOL IsDriveNode(const FolderNode* p) { return IsFolderNode(p) && p->kind == kDriveNodeKind; }

// ---- Locks

namespace {

using WaitOnAddressFn = BOOL(WINAPI*)(volatile VOID*, PVOID, SIZE_T, DWORD);
using WakeByAddressFn = VOID(WINAPI*)(PVOID);
WaitOnAddressFn pWaitOnAddress = nullptr;
WakeByAddressFn pWakeByAddressAll = nullptr;
INIT_ONCE addressWaitOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK LoadAddressWait(PINIT_ONCE, PVOID, PVOID*) {
  for (const char* dll : {"api-ms-win-core-synch-l1-2-0.dll", "kernelbase.dll"}) {
    HMODULE m = LoadLibraryA(dll);
    if (!m) continue;
    auto wait = reinterpret_cast<WaitOnAddressFn>(GetProcAddress(m, "WaitOnAddress"));
    auto wake = reinterpret_cast<WakeByAddressFn>(GetProcAddress(m, "WakeByAddressAll"));
    if (wait && wake) {
      pWaitOnAddress = wait;
      pWakeByAddressAll = wake;
      break;
    }
  }
  return TRUE;
}

thread_local int t_locksHeld = 0;

bool ThreadIsGone(DWORD id) {
  HANDLE h = OpenThread(SYNCHRONIZE, FALSE, id);
  if (!h) return GetLastError() == ERROR_INVALID_PARAMETER;
  bool gone = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
  CloseHandle(h);
  return gone;
}

void PumpWaitingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

void LockNode(FolderNode* node) {
  if (!node) return;
  NodeMutex& m = node->lock;
  const DWORD me = GetCurrentThreadId();
  if (m.owner.load(std::memory_order_acquire) == me) {
    ++m.depth;
    return;
  }
  InitOnceExecuteOnce(&addressWaitOnce, LoadAddressWait, nullptr, nullptr);
  const bool gui = me == g_uiThreadId;
  DWORD slice = 1, waited = 0;
  for (int spins = 0;; ++spins) {
    DWORD expected = 0;
    if (m.owner.compare_exchange_strong(expected, me, std::memory_order_acquire)) break;
    if (spins < 64) {
      YieldProcessor();
      continue;
    }
    if (gui && t_locksHeld == 0) PumpWaitingMessages();
    m.waiters.fetch_add(1);
    if (pWaitOnAddress)
      pWaitOnAddress(&m.owner, &expected, sizeof(DWORD), slice);
    else
      Sleep(slice > 1 ? 1 : 0);
    m.waiters.fetch_sub(1);
    waited += slice;
    slice = slice * 2 > kLockSliceMs ? kLockSliceMs : slice * 2;
    if (waited >= kLockSliceMs) {
      waited = 0;
      // An owner that died holding the lock (a terminated thread) leaves it abandoned: take it.
      DWORD owner = m.owner.load();
      if (owner && ThreadIsGone(owner) && m.owner.compare_exchange_strong(owner, me)) break;
    }
  }
  m.depth = 1;
  ++t_locksHeld;
}

void UnlockNode(FolderNode* node) {
  if (!node) return;
  NodeMutex& m = node->lock;
  if (m.owner.load(std::memory_order_relaxed) != GetCurrentThreadId()) return;
  if (--m.depth != 0) return;
  m.owner.store(0, std::memory_order_release);
  --t_locksHeld;
  if (m.waiters.load() && pWakeByAddressAll) pWakeByAddressAll(&m.owner);
}

BOOL ReadNodeSums(FolderNode* node, NodeSums* out) {
  if (!IsFolderNode(node) || !out) return FALSE;
  NodeLock lock(node);
  out->filesSize = node->filesSize;
  out->subfoldersSize = node->subfoldersSize;
  out->filesAllocated = node->filesAllocated;
  out->subfoldersAllocated = node->subfoldersAllocated;
  out->fileCount = node->fileCount;
  out->subfolderCount = node->subfolderCount;
  out->completeSubfolders = node->completeSubfolders;
  out->flags = node->flags.load();
  out->calcState = node->calcState.load();
  out->created = node->created;
  out->newestAccess = node->newestAccess;
  out->newestWrite = node->newestWrite;
  return TRUE;
}

// ---- Paths and shell identity

std::wstring GetNodePathW(const FolderNode* node) {
  if (!node || !node->name) return {};
  std::vector<const wchar_t*> parts;
  for (const FolderNode* n = node; n && n->name; n = n->parent) parts.push_back(n->name);
  std::wstring path;
  for (size_t i = parts.size(); i-- > 0;) {
    path += parts[i];
    if (i + 1 == parts.size() || i > 0) path += L'\\';
  }
  // "C:" alone becomes "C:\"; deeper paths carry no trailing backslash.
  if (parts.size() > 1 && !path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

BOOL GetNodePath(const FolderNode* node, char* out, int size) {
  if (!out || size <= 0) return FALSE;
  out[0] = 0;
  std::wstring w = GetNodePathW(node);
  if (w.empty()) return FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, out, size, nullptr, nullptr);
  if (n <= 0) {
    out[0] = 0;
    return FALSE;
  }
  return TRUE;
}

std::string GetNodeName(const FolderNode* node) {
  if (!node || !node->name) return {};
  char buffer[MAX_PATH * 2];
  int n = WideCharToMultiByte(CP_ACP, 0, node->name, -1, buffer, sizeof buffer, nullptr, nullptr);
  return n > 0 ? std::string(buffer) : std::string();
}

LPITEMIDLIST NodeIdList(FolderNode* node) {
  if (!node) return nullptr;
  LPITEMIDLIST list = node->absoluteIdList.load(std::memory_order_acquire);
  if (list || !node->name) return list;
  std::wstring path = GetNodePathW(node);
  ULONG attributes = 0;
  LPITEMIDLIST made = ParsePathToIdListW(path.c_str(), nullptr, &attributes);
  if (!made) return nullptr;
  LPITEMIDLIST none = nullptr;
  if (!node->absoluteIdList.compare_exchange_strong(none, made)) {
    FreeItemIdList(made);
    return none;
  }
  if (!node->attributes) node->attributes = attributes;
  return made;
}

LPITEMIDLIST NodeRelativeIdList(FolderNode* node) {
  if (!node) return nullptr;
  if (node->relativeIdList) return node->relativeIdList;
  LPITEMIDLIST absolute = NodeIdList(node);
  return absolute ? ILFindLastID(absolute) : nullptr;
}

IShellFolder* NodeParentFolder(FolderNode* node) {
  if (!node) return nullptr;
  IShellFolder* folder = node->parentFolder.load(std::memory_order_acquire);
  if (folder) return folder;
  IShellFolder* desktop = DesktopFolder();
  if (!desktop) return nullptr;
  IShellFolder* made = nullptr;
  LPITEMIDLIST parentList = node->parent ? NodeIdList(node->parent) : nullptr;
  if (!node->parent || !parentList || parentList->mkid.cb == 0) {
    desktop->AddRef();
    made = desktop;
  } else if (FAILED(desktop->BindToObject(parentList, nullptr, IID_IShellFolder,
                                          reinterpret_cast<void**>(&made))) || !made) {
    return nullptr;
  }
  IShellFolder* none = nullptr;
  if (!node->parentFolder.compare_exchange_strong(none, made)) {
    made->Release();
    return none;
  }
  return made;
}

// ---- Node lists

struct NodeListLink {
  FolderNode* node;
  NodeListLink* next;
};

namespace {
struct ListGuard {
  explicit ListGuard(NodeList* l) : list(l) {
    if (list->mutex) WaitForSingleObject(list->mutex, INFINITE);
  }
  ~ListGuard() {
    if (list->mutex) ReleaseMutex(list->mutex);
  }
  NodeList* list;
};

bool SameIdList(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return false;
  IShellFolder* desktop = DesktopFolder();
  if (!desktop) return ILIsEqual(a, b) != FALSE;
  HRESULT hr = desktop->CompareIDs(0, a, b);
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}
}  // namespace

void InitNodeList(NodeList* list) {
  if (!list || list->mutex) return;
  list->head = list->tail = nullptr;
  list->mutex = CreateMutexA(nullptr, FALSE, nullptr);
}

void EndNodeList(NodeList* list) {
  if (!list) return;
  NodeListClear(list);
  if (list->mutex) CloseHandle(list->mutex);
  list->mutex = nullptr;
}

void NodeListAppend(NodeList* list, FolderNode* node) {
  auto* link = new (std::nothrow) NodeListLink{node, nullptr};
  if (!link) return;
  ListGuard g(list);
  if (list->tail)
    list->tail->next = link;
  else
    list->head = link;
  list->tail = link;
}

FolderNode* NodeListTakeFirst(NodeList* list) {
  ListGuard g(list);
  NodeListLink* link = list->head;
  if (!link) return nullptr;
  list->head = link->next;
  if (!list->head) list->tail = nullptr;
  FolderNode* node = link->node;
  delete link;
  return node;
}

FolderNode* NodeListPeekFirst(NodeList* list) {
  ListGuard g(list);
  return list->head ? list->head->node : nullptr;
}

namespace {
template <typename Match>
FolderNode* RemoveFirst(NodeList* list, Match match, bool remove) {
  ListGuard g(list);
  NodeListLink* previous = nullptr;
  for (NodeListLink* link = list->head; link; previous = link, link = link->next) {
    if (!match(link->node)) continue;
    FolderNode* node = link->node;
    if (remove) {
      (previous ? previous->next : list->head) = link->next;
      if (list->tail == link) list->tail = previous;
      delete link;
    }
    return node;
  }
  return nullptr;
}
}  // namespace

BOOL NodeListRemove(NodeList* list, FolderNode* node) {
  return RemoveFirst(list, [node](FolderNode* n) { return n == node; }, true) != nullptr;
}

BOOL NodeListContains(NodeList* list, FolderNode* node) {
  return RemoveFirst(list, [node](FolderNode* n) { return n == node; }, false) != nullptr;
}

FolderNode* RemoveNodeById(NodeList* list, LPCITEMIDLIST idList) {
  return RemoveFirst(
      list, [idList](FolderNode* n) { return SameIdList(NodeIdList(n), idList); }, true);
}

FolderNode* FindNodeById(NodeList* list, LPCITEMIDLIST idList) {
  return RemoveFirst(
      list, [idList](FolderNode* n) { return SameIdList(NodeIdList(n), idList); }, false);
}

void NodeListClear(NodeList* list) {
  ListGuard g(list);
  for (NodeListLink* link = list->head; link;) {
    NodeListLink* next = link->next;
    delete link;
    link = next;
  }
  list->head = list->tail = nullptr;
}

// ---- View messages
//
// A worker's messages for the view do not go to it one by one: each would cost a round trip
// through the window system and a wake-up of the GUI thread, per folder. They are queued in
// order, and the engine's window on the GUI thread hands the queue over at a pace (every 30 ms
// while events come), sending each message to the view there, in the order they were made.
// Changed numbers are paced the same way: one VM_NODESCHANGED per 100 ms at most.

namespace {
std::atomic<HWND> viewWindow{nullptr};
std::atomic<BOOL> batchAdds{FALSE};

struct ViewEvent {
  UINT message;
  FolderNode* node;
  LPARAM lParam;
};
SRWLOCK queueLock = SRWLOCK_INIT;
std::vector<ViewEvent> queued;
bool deliveryArmed = false;
std::atomic<LONG> changesDirty{0};
std::atomic<LONG> changedArmed{0};
constexpr UINT_PTR kChangedTimer = 1;
constexpr UINT_PTR kDeliverTimer = 2;
constexpr UINT kDeliverDelayMs = 30;
HWND engineWindow = nullptr;

// GUI thread: sends every queued event to the view, in order. A view that calls back into the
// engine while it handles one does not start a second hand-over inside the first.
bool delivering = false;
void DeliverQueued() {
  if (delivering) return;
  delivering = true;
  struct Done {
    ~Done() { delivering = false; }
  } done;
  for (;;) {
    std::vector<ViewEvent> events;
    AcquireSRWLockExclusive(&queueLock);
    events.swap(queued);
    if (events.empty()) deliveryArmed = false;
    ReleaseSRWLockExclusive(&queueLock);
    if (events.empty()) return;
    HWND view = viewWindow;
    for (const ViewEvent& e : events)
      if (view) SendMessageA(view, e.message, reinterpret_cast<WPARAM>(e.node), e.lParam);
  }
}

LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgArmRescan:
      ArmRescanTimerOnGui(reinterpret_cast<FolderNode*>(wParam), static_cast<UINT>(lParam));
      return 0;
    case kMsgArmChanged:
      SetTimer(window, kChangedTimer, kNodesChangedDelayMs, nullptr);
      return 0;
    case kMsgArmDeliver:
      SetTimer(window, kDeliverTimer, kDeliverDelayMs, nullptr);
      return 0;
    case WM_TIMER:
      if (wParam == kDeliverTimer) {
        KillTimer(window, kDeliverTimer);
        DeliverQueued();
        return 0;
      }
      if (wParam == kChangedTimer) {
        KillTimer(window, kChangedTimer);
        changedArmed = 0;
        DeliverQueued();  // the numbers belong to nodes the view should have by now
        if (changesDirty.exchange(0))
          if (HWND view = viewWindow) SendMessageA(view, VM_NODESCHANGED, 0, 0);
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void SetNodeViewBatching(BOOL batch) { batchAdds = batch; }
BOOL NodeViewBatching() { return batchAdds; }

void SetNodeViewWindow(HWND window) {
  if (GetCurrentThreadId() == g_uiThreadId) DeliverQueued();
  viewWindow = window;
}

HWND GetNodeViewWindow() { return viewWindow; }

void AcknowledgeNodesChanged() {}

HWND EngineWindow() {
  if (engineWindow || GetCurrentThreadId() != g_uiThreadId) return engineWindow;
  WNDCLASSA wc{};
  wc.lpfnWndProc = EngineWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VoltalyEngine";
  RegisterClassA(&wc);
  engineWindow = CreateWindowA("VoltalyEngine", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
  return engineWindow;
}

void NotifyView(UINT message, FolderNode* node, LPARAM lParam) {
  HWND window = viewWindow;
  if (!window) return;
  if (GetCurrentThreadId() == g_uiThreadId) {
    DeliverQueued();  // what workers reported earlier comes first
    SendMessageA(window, message, reinterpret_cast<WPARAM>(node), lParam);
    return;
  }
  HWND engine = engineWindow;
  if (!engine) {
    PostMessageA(window, message, reinterpret_cast<WPARAM>(node), lParam);
    return;
  }
  AcquireSRWLockExclusive(&queueLock);
  queued.push_back({message, node, lParam});
  bool arm = !deliveryArmed;
  deliveryArmed = true;
  ReleaseSRWLockExclusive(&queueLock);
  if (arm) PostMessageA(engine, kMsgArmDeliver, 0, 0);
}

void NotifyNodesChanged() {
  if (!viewWindow) return;
  changesDirty = 1;
  if (changedArmed.exchange(1) != 0) return;
  HWND window = engineWindow;
  if (!window) {
    changedArmed = 0;
    return;
  }
  if (GetCurrentThreadId() == g_uiThreadId)
    SetTimer(window, kChangedTimer, kNodesChangedDelayMs, nullptr);
  else
    PostMessageA(window, kMsgArmChanged, 0, 0);
}
