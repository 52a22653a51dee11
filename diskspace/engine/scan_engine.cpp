// The scan engine: registered worker threads, breadth-first scans of folders, and the carrying
// of size differences and completeness up to the drive.
//
// Locking: a node's lock guards its numbers, its bits and its list of children. Whenever a
// thread holds two locks they are a node and its parent, taken in that order (child first), so
// locks are always taken from the leaves towards the drive and two threads cannot wait for each
// other. Changes travel up hand over hand: holding X, lock X's parent, apply, release X. A node
// cannot be detached from its parent while someone holds its lock, so no difference is lost or
// applied to a parent that no longer counts the node.
#include "scan_engine.h"

#include <deque>
#include <functional>
#include <unordered_map>
#include <vector>

#include "change_feed.h"
#include "disk_query.h"
#include "drive_list.h"
#include "engine_prompts.h"
#include "item_ids.h"
#include "settings_store.h"

BOOL NodeViewBatching();

struct NodeQueue {
  std::deque<FolderNode*> nodes;
};

namespace {

HANDLE tableMutex = nullptr;
HANDLE shutdownSemaphore = nullptr;
ScanThreadEntry* threadTable[kScanThreadSlots];
int threadCount = 0;
std::atomic<int> runningScans{0};
INIT_ONCE engineOnce = INIT_ONCE_STATIC_INIT;
std::function<DWORD(const std::wstring&)> listingSeam;

BOOL CALLBACK CreateEngineObjects(PINIT_ONCE, PVOID, PVOID*) {
  tableMutex = CreateMutexA(nullptr, FALSE, nullptr);
  InitNodeList(&g_retiredNodes);
  InitNodeList(&g_watchedFolders);
  return TRUE;
}

void EnsureEngineObjects() { InitOnceExecuteOnce(&engineOnce, CreateEngineObjects, nullptr, nullptr); }

struct TableGuard {
  TableGuard() {
    EnsureEngineObjects();
    DWORD r = WaitForSingleObject(tableMutex, INFINITE);
    (void)r;  // WAIT_ABANDONED (a terminated holder) counts as acquired
  }
  ~TableGuard() { ReleaseMutex(tableMutex); }
};

bool InTable(ScanThreadEntry* entry) {
  for (int i = 0; i < threadCount; ++i)
    if (threadTable[i] == entry) return true;
  return false;
}

// Completeness of a node from its own numbers (caller holds its lock).
bool EvaluateComplete(FolderNode* node) {
  uint8_t f = node->flags.load();
  bool complete = (f & kNodeFilesListed) && node->completeSubfolders >= node->subfolderCount;
  if (complete && !(f & kNodeSubtreeComplete)) {
    node->flags |= kNodeSubtreeComplete;
    if (node->calcState == kCalcRunning && node->subfolderCount > 0) node->calcState = kCalcIdle;
  } else if (!complete && (f & kNodeSubtreeComplete)) {
    node->flags &= static_cast<uint8_t>(~kNodeSubtreeComplete);
  }
  return complete;
}

// Holding node's lock (its own numbers already changed, its total by dSize / dAllocated):
// carries the change and the node's completeness to the ancestors, hand over hand, and
// releases node's lock.
void CarryUpHeld(FolderNode* node, int64_t dSize, int64_t dAllocated) {
  for (;;) {
    bool complete = EvaluateComplete(node);
    FolderNode* parent = node->parent;
    if (node->kind == kDriveNodeKind || !parent || (node->flags & kNodeDetached) ||
        !IsFolderNode(parent)) {
      UnlockNode(node);
      return;
    }
    LockNode(parent);
    bool changed = false;
    if (dSize || dAllocated) {
      parent->subfoldersSize += static_cast<uint64_t>(dSize);
      parent->subfoldersAllocated += static_cast<uint64_t>(dAllocated);
      changed = true;
    }
    bool counted = node->flags & kNodeCounted;
    if (complete && !counted) {
      ++parent->completeSubfolders;
      node->flags |= kNodeCounted;
      changed = true;
    } else if (!complete && counted) {
      if (parent->completeSubfolders > 0) --parent->completeSubfolders;
      node->flags &= static_cast<uint8_t>(~kNodeCounted);
      changed = true;
    }
    UnlockNode(node);
    if (!changed) {
      UnlockNode(parent);
      return;
    }
    node = parent;
  }
}

void RetireSubtree(FolderNode* top) {
  std::vector<FolderNode*> stack{top};
  while (!stack.empty()) {
    FolderNode* n = stack.back();
    stack.pop_back();
    {
      NodeLock lock(n);
      for (FolderNode* c = n->firstChild; c; c = c->nextSibling) stack.push_back(c);
      n->flags |= kNodeDetached;
      n->magic.store(0, std::memory_order_release);
    }
    NodeListRemove(&g_watchedFolders, n);
    NodeListAppend(&g_retiredNodes, n);
  }
}

void Unlink(FolderNode* parent, FolderNode* child) {
  FolderNode** link = &parent->firstChild;
  while (*link && *link != child) link = &(*link)->nextSibling;
  if (*link) *link = child->nextSibling;
}

void UpperCase(std::wstring& s) {
  if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
}

uint64_t FileSizeOf(const WIN32_FIND_DATAW& fd, const std::wstring& folder) {
  uint64_t size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  if (g_isNT && (fd.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED)) {
    std::wstring full = folder + fd.cFileName;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetCompressedFileSizeW(full.c_str(), &high);
    if (!(low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR))
      size = (static_cast<uint64_t>(high) << 32) | low;
  }
  return size;
}

void RaiseTime(FILETIME& kept, const FILETIME& seen) {
  if (CompareFileTime(&seen, &kept) > 0) kept = seen;
}

wchar_t* CopyName(const wchar_t* name) {
  size_t n = wcslen(name) + 1;
  auto* copy = new (std::nothrow) wchar_t[n];
  if (copy) memcpy(copy, name, n * sizeof(wchar_t));
  return copy;
}

// Snapshot of a node's children by upper-cased name (caller holds the node's lock).
void CollectChildren(FolderNode* node, std::unordered_map<std::wstring, FolderNode*>& out) {
  for (FolderNode* c = node->firstChild; c; c = c->nextSibling) {
    if (!IsFolderNode(c) || !c->name) continue;
    std::wstring key = c->name;
    UpperCase(key);
    out.emplace(std::move(key), c);
  }
}

// One folder's listing. Returns 1 when listed; *gone is set when the folder no longer exists.
int ScanFolderEx(FolderNode* node, uint32_t clusterSize, NodeQueue* queue, int recurse,
                 bool* gone) {
  *gone = false;
  if (!IsFolderNode(node) || !node->name) return 0;
  std::wstring folder = GetNodePathW(node);
  if (folder.empty()) return 0;
  if (folder.back() != L'\\') folder += L'\\';
  std::wstring pattern = folder.size() > 200 && folder.compare(0, 4, L"\\\\?\\") != 0
                             ? L"\\\\?\\" + folder + L"*"
                             : folder + L"*";

  // With recurse, the children found last time are re-counted: withdraw their completeness
  // first, before this folder's lock is taken (a parent's lock is never held while a child's
  // is taken).
  if (recurse && node->firstChild) {
    std::vector<FolderNode*> children;
    {
      NodeLock lock(node);
      for (FolderNode* c = node->firstChild; c; c = c->nextSibling) children.push_back(c);
    }
    for (FolderNode* c : children) ResetCompletion(c);
  }

  std::vector<FolderNode*> added, vanished;
  LockNode(node);
  std::unordered_map<std::wstring, FolderNode*> notSeen;
  if (node->firstChild) CollectChildren(node, notSeen);

  WIN32_FIND_DATAW fd;
  DWORD seamError = listingSeam ? listingSeam(folder) : 0;
  HANDLE find = INVALID_HANDLE_VALUE;
  DWORD error = seamError;
  if (!seamError) {
    find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                            nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) error = GetLastError();
  }
  bool listed = find != INVALID_HANDLE_VALUE;
  if (!listed && error == ERROR_FILE_NOT_FOUND && !seamError) {
    // Nothing matched: an empty drive root (no "." entries) or a folder that has gone.
    DWORD attributes = GetFileAttributesW(folder.c_str());
    listed = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  if (!listed) {
    // Only a folder that is really gone loses its item; access denied, a network hiccup or a
    // medium error keep the nodes and leave the numbers unfinished.
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
        error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY) {
      *gone = node->kind == kFolderNodeKind;
    }
    node->flags &= static_cast<uint8_t>(~kNodeFilesListed);
    if (node->calcState == kCalcRunning || node->calcState == kCalcNever)
      node->calcState = kCalcIdle;
    CarryUpHeld(node, 0, 0);
    NotifyNodesChanged();
    return 0;
  }

  const int64_t oldSize = static_cast<int64_t>(node->filesSize);
  const int64_t oldAllocated = static_cast<int64_t>(node->filesAllocated);
  node->calcState = kCalcRunning;
  node->flags &= static_cast<uint8_t>(~kNodeFilesListed);
  uint64_t fileCount = 0, filesSize = 0, filesAllocated = clusterSize;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const wchar_t* name = fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        // Junctions and symbolic links to folders are not walked: they lead into folders
        // counted elsewhere, or round in a loop.
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        FolderNode* child = nullptr;
        if (!notSeen.empty()) {
          std::wstring key = name;
          UpperCase(key);
          auto it = notSeen.find(key);
          if (it != notSeen.end()) {
            child = it->second;
            notSeen.erase(it);
          }
        }
        if (child) {
          if (recurse) {
            // The times are not guarded by the lock (a descendant's lock is never taken here).
            child->created = fd.ftCreationTime;
            child->newestAccess = (fd.ftLastAccessTime.dwLowDateTime ||
                                   fd.ftLastAccessTime.dwHighDateTime)
                                      ? fd.ftLastAccessTime
                                      : fd.ftCreationTime;
            child->newestWrite = (fd.ftLastWriteTime.dwLowDateTime ||
                                  fd.ftLastWriteTime.dwHighDateTime)
                                     ? fd.ftLastWriteTime
                                     : fd.ftCreationTime;
            if (queue) queue->nodes.push_back(child);
          }
          continue;
        }
        child = NewFolderNode();
        if (!child) continue;
        child->name = CopyName(name);
        if (!child->name) {
          delete child;
          continue;
        }
        child->created = fd.ftCreationTime;
        child->newestAccess = fd.ftLastAccessTime;
        child->newestWrite = fd.ftLastWriteTime;
        child->drive = node->drive;
        child->parent = node;
        child->nextSibling = node->firstChild;
        node->firstChild = child;
        ++node->subfolderCount;
        added.push_back(child);
        if (queue) queue->nodes.push_back(child);
      } else {
        uint64_t size = FileSizeOf(fd, folder);
        ++fileCount;
        filesSize += size;
        filesAllocated += RoundUpToCluster(size, clusterSize);
        RaiseTime(node->newestAccess, fd.ftLastAccessTime);
        RaiseTime(node->newestWrite, fd.ftLastWriteTime);
      }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  node->fileCount = fileCount;
  node->filesSize = filesSize;
  node->filesAllocated = filesAllocated;
  node->flags |= kNodeFilesListed;
  node->calcState = kCalcIdle;
  for (auto& [key, child] : notSeen) vanished.push_back(child);
  CarryUpHeld(node, static_cast<int64_t>(filesSize) - oldSize,
              static_cast<int64_t>(filesAllocated) - oldAllocated);

  if (!added.empty() && NodeViewBatching())
    NotifyView(VM_NODEADDED, added.back(), static_cast<LPARAM>(added.size()));
  else
    for (FolderNode* child : added) NotifyView(VM_NODEADDED, child);
  for (FolderNode* child : vanished) RemoveFolderNode(child);
  NotifyNodesChanged();
  return 1;
}

void MarkAncestorsIdle(FolderNode* node) {
  for (FolderNode* a = node ? node->parent : nullptr; IsFolderNode(a); a = a->parent) {
    NodeLock lock(a);
    if (a->calcState == kCalcRunning) a->calcState = kCalcIdle;
    if (a->kind == kDriveNodeKind) break;
  }
}

}  // namespace

void SetFolderListingSeam(std::function<DWORD(const std::wstring&)> seam) {
  listingSeam = std::move(seam);
}

// ---- Engine start and end

void InitScanEngine() {
  g_uiThreadId = GetCurrentThreadId();
  EnsureEngineObjects();
  EngineWindow();
}

void ShutdownScanEngine() {
  // The live tree first: retire everything below the root, then free the retired records.
  if (g_rootNode) {
    RetireSubtree(g_rootNode);
    g_rootNode = nullptr;
  }
  while (FolderNode* n = NodeListTakeFirst(&g_retiredNodes)) {
    LPITEMIDLIST absolute = n->absoluteIdList.load();
    if (n->relativeIdList && n->relativeIdList != absolute) FreeItemIdList(n->relativeIdList);
    FreeItemIdList(absolute);
    if (IShellFolder* f = n->parentFolder.load()) f->Release();
    delete[] n->name;
    if (n->kind == kDriveNodeKind)
      delete static_cast<DriveNode*>(n);
    else
      delete n;
  }
}

// ---- Thread table

ScanSettingsSnapshot TakeScanSettingsSnapshot() {
  ScanSettingsSnapshot snapshot;
  snapshot.scanOption = g_settings.scanOption ? 1 : 0;
  return snapshot;
}

ScanThreadEntry* StartScanThread(LPTHREAD_START_ROUTINE proc, void* data) {
  auto* entry = new (std::nothrow) ScanThreadEntry();
  if (!entry) return nullptr;
  entry->data = data;
  entry->settings = TakeScanSettingsSnapshot();
  {
    TableGuard guard;
    if (threadCount >= kScanThreadSlots) {
      delete entry;
      return nullptr;
    }
    entry->thread = CreateThread(nullptr, 0, proc, entry, CREATE_SUSPENDED, nullptr);
    if (!entry->thread) {
      delete entry;
      return nullptr;
    }
    threadTable[threadCount++] = entry;
  }
  ResumeThread(entry->thread);
  return entry;
}

void UnregisterScanThread(ScanThreadEntry* entry) {
  if (!entry) return;
  bool empty = false;
  {
    TableGuard guard;
    for (int i = 0; i < threadCount; ++i) {
      if (threadTable[i] != entry) continue;
      threadTable[i] = threadTable[--threadCount];
      threadTable[threadCount] = nullptr;
      if (entry->thread) CloseHandle(entry->thread);
      for (auto& slot : g_changeWatchers) {
        ScanThreadEntry* self = entry;
        slot.compare_exchange_strong(self, nullptr);
      }
      delete entry;
      empty = threadCount == 0;
      break;
    }
  }
  if (empty && shutdownSemaphore) ReleaseSemaphore(shutdownSemaphore, 1, nullptr);
}

BOOL WithLiveScanThread(ScanThreadEntry* entry, void (*fn)(ScanThreadEntry*, void*), void* context) {
  if (!entry || !fn) return FALSE;
  TableGuard guard;
  if (!InTable(entry)) return FALSE;
  fn(entry, context);
  return TRUE;
}

int ScanThreadCount() {
  TableGuard guard;
  return threadCount;
}

void StopAllScanThreads() {
  EnsureEngineObjects();
  shutdownSemaphore = CreateSemaphoreA(nullptr, 0, 30, nullptr);
  {
    TableGuard guard;
    for (auto& slot : g_changeWatchers)
      if (ScanThreadEntry* e = slot.load(); e && InTable(e)) e->stopFlag = 1;
    for (int i = 0; i < threadCount; ++i) threadTable[i]->stopFlag = 1;
  }
  StopChangeWatchers();
  for (DWORD round = 0; round < kShutdownWaitRounds && ScanThreadCount() > 0; ++round) {
    MSG msg;
    if (GetCurrentThreadId() == g_uiThreadId && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
      } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      continue;
    }
    if (WaitForSingleObject(shutdownSemaphore, kShutdownWaitSlice) == WAIT_OBJECT_0) break;
  }
  // Last resort: threads that did not end in time.
  std::vector<ScanThreadEntry*> left;
  {
    TableGuard guard;
    left.assign(threadTable, threadTable + threadCount);
    for (ScanThreadEntry* e : left) {
      if (e->thread) {
        TerminateThread(e->thread, 1);
        WaitForSingleObject(e->thread, 1000);
      }
    }
  }
  for (ScanThreadEntry* e : left) UnregisterScanThread(e);
  CloseHandle(shutdownSemaphore);
  shutdownSemaphore = nullptr;
  RestoreZipLayerAtExit();
}

// ---- Scans

int RunningScanCount() { return runningScans.load(); }

BOOL IsDriveBusy(const DriveNode* drive) {
  return IsDriveNode(drive) && drive->busyScan.load() != nullptr;
}

namespace {
DWORD RunUserScan(ScanThreadEntry* entry, FolderNode* node, int recurse) {
  DriveNode* drive = IsFolderNode(node) ? AsDrive(node->drive) : nullptr;
  if (drive) {
    ScanThreadEntry* expected = nullptr;
    if (drive->busyScan.compare_exchange_strong(expected, entry)) {
      ++runningScans;
      NotifyView(VM_SCANSTATE, nullptr);
      RunScanQueue(node, recurse, entry);
      --runningScans;
      expected = entry;
      drive->busyScan.compare_exchange_strong(expected, nullptr);  // only our own marker
    }
  }
  NotifyView(VM_SCANSTATE, nullptr);
  UnregisterScanThread(entry);
  return 0;
}
}  // namespace

DWORD WINAPI ScanDriveThread(LPVOID p) {
  auto* entry = static_cast<ScanThreadEntry*>(p);
  auto* node = static_cast<FolderNode*>(entry->data);
  return RunUserScan(entry, IsDriveNode(node) ? node : nullptr, 1);
}

DWORD WINAPI ScanFolderThread(LPVOID p) {
  auto* entry = static_cast<ScanThreadEntry*>(p);
  return RunUserScan(entry, static_cast<FolderNode*>(entry->data), entry->settings.scanOption);
}

int RunScanQueue(FolderNode* start, int recurse, ScanThreadEntry* entry) {
  if (!IsFolderNode(start) || !IsDriveNode(start->drive)) return 0;
  DriveNode* drive = start->drive;
  uint32_t clusterSize = GetClusterSize(start);
  if (!(drive->flags & kNodeDiskDataValid)) return 0;
  int token = SuspendZipLayer();
  NodeQueue queue;
  FolderNode* current = start;
  int result = 0;
  for (;;) {
    if (IsFolderNode(current)) {
      bool gone = false;
      result = ScanFolderEx(current, clusterSize, &queue, recurse, &gone);
      if (!result) {
        if (current == start) start = nullptr;
        if (current->kind == kDriveNodeKind) break;
        if (gone) RemoveFolderNode(current);
      }
    }
    if (queue.nodes.empty() || (entry && entry->stopFlag) || g_shuttingDown) break;
    current = queue.nodes.front();
    queue.nodes.pop_front();
  }
  if (IsFolderNode(start)) {
    start->calcState = kCalcIdle;
    MarkAncestorsIdle(start);
    NotifyView(VM_SCANDONE, start);
  }
  NotifyNodesChanged();
  ResumeZipLayer(token);
  return result;
}

int ScanFolder(FolderNode* node, uint32_t clusterSize, NodeQueue* queue, int recurse) {
  bool gone = false;
  return ScanFolderEx(node, clusterSize, queue, recurse, &gone);
}

int ScanNodeOnce(FolderNode* node) {
  if (!IsFolderNode(node) || !IsDriveNode(node->drive)) return 0;
  uint32_t clusterSize = GetClusterSize(node);
  if (!(node->drive->flags & kNodeDiskDataValid)) return 0;
  int token = SuspendZipLayer();
  bool gone = false;
  int result = ScanFolderEx(node, clusterSize, nullptr, 0, &gone);
  if (IsFolderNode(node)) {
    node->calcState = kCalcIdle;
    NotifyView(VM_SCANDONE, node);
  }
  if (!result && gone) RemoveFolderNode(node);
  ResumeZipLayer(token);
  return result;
}

void PropagateSizes(FolderNode* node, int64_t deltaSize, int64_t deltaAllocated) {
  if (!IsFolderNode(node)) return;
  LockNode(node);
  CarryUpHeld(node, deltaSize, deltaAllocated);
  NotifyNodesChanged();
}

void ResetCompletion(FolderNode* node) {
  if (!IsFolderNode(node) || !IsDriveNode(node->drive)) return;
  LockNode(node);
  node->flags &= static_cast<uint8_t>(~kNodeFilesListed);
  node->calcState = kCalcNever;
  CarryUpHeld(node, 0, 0);
  for (FolderNode* a = node->parent; IsFolderNode(a); a = a->parent) {
    NodeLock lock(a);
    a->calcState = kCalcRunning;
    if (a->kind == kDriveNodeKind) break;
  }
}

void ApplyFileSizeChange(FolderNode* folder, uint64_t before, uint64_t after, int fileDelta) {
  if (!IsFolderNode(folder) || !IsDriveNode(folder->drive)) return;
  uint32_t clusterSize = GetClusterSize(folder);
  int64_t dSize = static_cast<int64_t>(after) - static_cast<int64_t>(before);
  int64_t dAllocated = static_cast<int64_t>(RoundUpToCluster(after, clusterSize)) -
                       static_cast<int64_t>(RoundUpToCluster(before, clusterSize));
  LockNode(folder);
  folder->filesSize += static_cast<uint64_t>(dSize);
  folder->filesAllocated += static_cast<uint64_t>(dAllocated);
  if (fileDelta < 0 && folder->fileCount > 0) --folder->fileCount;
  if (fileDelta > 0) ++folder->fileCount;
  CarryUpHeld(folder, dSize, dAllocated);
  NotifyNodesChanged();
}

BOOL RemoveFolderNode(FolderNode* node) {
  if (!IsFolderNode(node) || node->kind != kFolderNodeKind || !IsFolderNode(node->parent))
    return FALSE;
  FolderNode* parent = node->parent;
  LockNode(node);
  LockNode(parent);
  if (node->flags & kNodeDetached) {
    UnlockNode(parent);
    UnlockNode(node);
    return FALSE;
  }
  Unlink(parent, node);
  node->flags |= kNodeDetached;
  node->attributes = kNodeBeingDeleted;
  if (parent->subfolderCount > 0) --parent->subfolderCount;
  if (node->flags & kNodeCounted) {
    if (parent->completeSubfolders > 0) --parent->completeSubfolders;
    node->flags &= static_cast<uint8_t>(~kNodeCounted);
  }
  int64_t dSize = -static_cast<int64_t>(node->filesSize + node->subfoldersSize);
  int64_t dAllocated = -static_cast<int64_t>(node->filesAllocated + node->subfoldersAllocated);
  parent->subfoldersSize += static_cast<uint64_t>(dSize);
  parent->subfoldersAllocated += static_cast<uint64_t>(dAllocated);
  UnlockNode(node);
  // The parent's total changed by the same amount; its completeness may have changed too.
  CarryUpHeld(parent, dSize, dAllocated);
  RetireSubtree(node);
  NotifyView(VM_NODEREMOVED, node);
  NotifyNodesChanged();
  return TRUE;
}

BOOL RemoveDriveNode(DriveNode* drive) {
  if (!IsDriveNode(drive)) return FALSE;
  StopDriveScan(drive);
  FolderNode* parent = drive->parent;
  if (IsFolderNode(parent)) {
    NodeLock lock(parent);
    Unlink(parent, drive);
    if (parent->subfolderCount > 0) --parent->subfolderCount;
  }
  RetireSubtree(drive);
  NotifyView(VM_NODEREMOVED, drive);
  return TRUE;
}

// ---- Stop

int StopDriveScan(FolderNode* node) {
  if (IsFolderNode(node) && IsDriveNode(node->drive)) {
    DriveNode* drive = node->drive;
    {
      TableGuard guard;
      ScanThreadEntry* entry = drive->busyScan.load();
      if (!entry) return 0;
      if (InTable(entry)) entry->stopFlag = 1;
      drive->busyScan.compare_exchange_strong(entry, nullptr);
    }
    MarkSubtreeIdle(drive->firstChild);
    {
      NodeLock lock(drive);
      if (drive->calcState == kCalcRunning) drive->calcState = kCalcIdle;
    }
    NotifyNodesChanged();
    NotifyView(VM_SCANSTATE, nullptr);
    return 1;
  }
  if (AskStopAllScans(g_mainWindow))
    StopAllDriveScans();
  return 0;
}

int StopAllDriveScans() {
  std::vector<FolderNode*> drives;
  if (IsFolderNode(g_rootNode)) {
    NodeLock lock(g_rootNode);
    for (FolderNode* d = g_rootNode->firstChild; d; d = d->nextSibling) drives.push_back(d);
  }
  for (FolderNode* d : drives)
    if (IsDriveNode(d)) StopDriveScan(d);
  return 1;
}

void MarkSubtreeIdle(FolderNode* first) {
  std::vector<FolderNode*> stack;
  for (FolderNode* n = first; n; n = n->nextSibling) stack.push_back(n);
  while (!stack.empty()) {
    FolderNode* n = stack.back();
    stack.pop_back();
    if (!IsFolderNode(n)) continue;
    NodeLock lock(n);
    if (n->calcState == kCalcRunning) n->calcState = kCalcIdle;
    for (FolderNode* c = n->firstChild; c; c = c->nextSibling) stack.push_back(c);
  }
}

// ---- Small helpers

uint64_t RoundUpToCluster(uint64_t size, uint32_t clusterSize) {
  if (clusterSize == 0) return 0;
  uint64_t rest = size % clusterSize;
  return rest ? size + (clusterSize - rest) : size;
}

namespace {
template <typename Char>
int CutToParent(Char* path) {
  size_t n = 0;
  while (path[n]) ++n;
  if (n < 4) return 0;
  size_t cut = 3;  // the fourth character
  for (size_t i = n; i-- > 3;) {
    if (path[i] == '\\') {
      cut = i;
      break;
    }
  }
  path[cut] = 0;
  return 1;
}
}  // namespace

int CutToParentPath(char* path) { return path ? CutToParent(path) : 0; }
int CutToParentPathW(wchar_t* path) { return path ? CutToParent(path) : 0; }

FolderNode* FindNodeByPathW(const wchar_t* path) {
  if (!path || !IsFolderNode(g_rootNode)) return nullptr;
  std::wstring rest = path;
  while (!rest.empty() && (rest.back() == L'\\' || rest.back() == L' ')) rest.pop_back();
  if (rest.size() < 2 || rest[1] != L':') return nullptr;
  FolderNode* node = g_rootNode;
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t end = rest.find(L'\\', pos);
    if (end == std::wstring::npos) end = rest.size();
    std::wstring part = rest.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    FolderNode* found = nullptr;
    {
      NodeLock lock(node);
      for (FolderNode* c = node->firstChild; c; c = c->nextSibling)
        if (IsFolderNode(c) && c->name && lstrcmpiW(c->name, part.c_str()) == 0) {
          found = c;
          break;
        }
    }
    if (!found) return nullptr;
    node = found;
  }
  return node == g_rootNode ? nullptr : node;
}

FolderNode* FindNodeByPath(const char* path) {
  if (!path) return nullptr;
  wchar_t wide[MAX_PATH * 2];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2)) return nullptr;
  return FindNodeByPathW(wide);
}
