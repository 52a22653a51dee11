// The change feed: the VOLTMON driver's events corrected into the sums (Windows 9x), and the
// change-notification watchers of the selected folder and its parent, which re-scan a folder
// shortly after the last change.
#include "change_feed.h"

#include <string>

#include "scan_engine.h"

std::atomic<ScanThreadEntry*> g_changeWatchers[2];

namespace {

// ---- The driver
// VOLTMON is a Windows 9x driver that takes 32-bit addresses: it exists only for the 32-bit
// build. The 64-bit build never opens it (its addresses do not fit) and runs on the change
// notifications below, which is what NT and Wine use anyway.

#if !defined(_WIN64)
HANDLE driverHandle = nullptr;
HANDLE feedThread = nullptr;
HANDLE feedStop = nullptr;    // set to end the feed thread
HANDLE feedReady = nullptr;   // set by the feed thread after its first call
std::atomic<BOOL> feedAnswered{FALSE};

uint32_t Address32(const void* p) {
  static_assert(sizeof(void*) == sizeof(uint32_t), "the driver takes 32-bit addresses");
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

DWORD WINAPI FeedThread(LPVOID) {
  uint32_t address = Address32(reinterpret_cast<const void*>(&OnChangeEvent));
  BYTE answer[4] = {};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(driverHandle, kVoltmonRegister, &address, sizeof address, answer,
                            sizeof answer, &returned, nullptr);
  feedAnswered = ok;
  SetEvent(feedReady);
  if (!ok) return 1;
  // The driver's calls arrive as asynchronous procedure calls while this thread waits.
  while (WaitForSingleObjectEx(feedStop, INFINITE, TRUE) == WAIT_IO_COMPLETION) {
  }
  return 0;
}
#endif

// ---- Watchers

struct ChangeWatchRecord {
  HANDLE handles[2] = {};
  uint8_t count = 0;
  FolderNode* nodes[2] = {};
  bool listed[2] = {};  // the node is in the watched-folder list on this record's account
};

void Unlist(ChangeWatchRecord* r) {
  for (int i = 0; i < 2; ++i) {
    if (r->listed[i]) NodeListRemove(&g_watchedFolders, r->nodes[i]);
    r->listed[i] = false;
  }
}

void StopWatcher(ScanThreadEntry* entry) {
  if (!entry) return;
  WithLiveScanThread(
      entry,
      [](ScanThreadEntry* e, void*) {
        Unlist(static_cast<ChangeWatchRecord*>(e->data));
        e->stopFlag = 1;
      },
      nullptr);
}

HANDLE WatchPath(const std::wstring& path) {
  return FindFirstChangeNotificationW(
      path.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE);
}

bool PathGone(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return false;
  DWORD e = GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

}  // namespace

// ---- Driver interface

int StartChangeFeed() {
#if defined(_WIN64)
  return 0;
#else
  if (g_isNT) return 0;
  if (driverHandle) return 1;
  char module[MAX_PATH], shortName[MAX_PATH];
  if (!GetModuleFileNameA(nullptr, module, sizeof module)) return 0;
  DWORD n = GetShortPathNameA(module, shortName, sizeof shortName);
  if (n == 0 || n >= sizeof shortName) lstrcpynA(shortName, module, sizeof shortName);
  char drive[_MAX_DRIVE], dir[_MAX_DIR];
  _splitpath(shortName, drive, dir, nullptr, nullptr);
  std::string name = std::string("\\\\.\\") + drive + dir + "VOLTMON.VXD";
  HANDLE h = CreateFileA(name.c_str(), 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  driverHandle = h;
  feedStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  feedReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  feedAnswered = FALSE;
  feedThread = CreateThread(nullptr, 0, FeedThread, nullptr, 0, nullptr);
  // The open alone proves nothing (a plain file of that name opens too): the driver must
  // answer its first call.
  if (!feedThread || WaitForSingleObject(feedReady, 5000) != WAIT_OBJECT_0 || !feedAnswered) {
    StopChangeFeed();
    return 0;
  }
  return 1;
#endif
}

void StopChangeFeed() {
#if !defined(_WIN64)
  if (feedThread) {
    SetEvent(feedStop);
    if (WaitForSingleObject(feedThread, 3000) != WAIT_OBJECT_0) TerminateThread(feedThread, 1);
    CloseHandle(feedThread);
    feedThread = nullptr;
  }
  if (driverHandle) {
    CloseHandle(driverHandle);  // closing unloads the driver (delete on close)
    driverHandle = nullptr;
  }
  for (HANDLE* h : {&feedStop, &feedReady})
    if (*h) {
      CloseHandle(*h);
      *h = nullptr;
    }
#endif
}

void CALLBACK OnChangeEvent(ULONG_PTR record) {
  const auto* event = reinterpret_cast<const ChangeEvent*>(record);
  if (event) HandleChangeEvent(event, sizeof(ChangeEvent));
#if !defined(_WIN64)
  if (driverHandle) {
    uint32_t address = Address32(event);
    DWORD returned = 0;
    DeviceIoControl(driverHandle, kVoltmonAcknowledge, &address, sizeof address, nullptr, 0,
                    &returned, nullptr);
  }
#endif
}

void HandleChangeEvent(const ChangeEvent* record, size_t size) {
  if (!record || size < offsetof(ChangeEvent, path) + 1) return;
  char path[kChangeEventPathSize + 1] = {}, newPath[MAX_PATH + 1] = {};
  size_t pathRoom = size - offsetof(ChangeEvent, path);
  lstrcpynA(path, record->path,
            static_cast<int>(pathRoom < kChangeEventPathSize ? pathRoom : kChangeEventPathSize));
  if (size > kChangeEventNewPathOffset) {
    size_t room = size - kChangeEventNewPathOffset;
    lstrcpynA(newPath, record->newPath, static_cast<int>(room < MAX_PATH ? room : MAX_PATH));
  }
  const uint32_t before = record->sizeBefore, after = record->sizeAfter;
  auto rescan = [](FolderNode* folder) {
    if (IsFolderNode(folder)) RunScanQueue(folder, 0, nullptr);
  };

  if (record->event == kChangeRenamed) {
    DWORD attributes = GetFileAttributesA(newPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    char oldParent[MAX_PATH + 1], newParent[MAX_PATH + 1];
    lstrcpynA(oldParent, path, sizeof oldParent);
    lstrcpynA(newParent, newPath, sizeof newParent);
    CutToParentPath(oldParent);
    CutToParentPath(newParent);
    FolderNode* from = FindNodeByPath(oldParent);
    FolderNode* to = FindNodeByPath(newParent);
    bool sameParent = lstrcmpiA(oldParent, newParent) == 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A renamed folder is re-listed too: its node carries its old name.
      rescan(from);
      if (!sameParent) rescan(to);
    } else if (!sameParent) {
      if (before == kNoSizeBefore) {
        rescan(from);
        rescan(to);
      } else {
        ApplyFileSizeChange(from, before, 0, -1);
        ApplyFileSizeChange(to, 0, before, +1);
      }
    }
    return;
  }

  char parentPath[kChangeEventPathSize + 1];
  lstrcpynA(parentPath, path, sizeof parentPath);
  CutToParentPath(parentPath);
  FolderNode* parent = FindNodeByPath(parentPath);
  if (!IsFolderNode(parent)) return;
  switch (record->event) {
    case kChangeCreated:
    case kChangeFolder:
      rescan(parent);
      break;
    case kChangeRemoved:
      if (strpbrk(path, "*?"))
        rescan(parent);
      else if (before != kNoSizeBefore)
        ApplyFileSizeChange(parent, before, 0, -1);
      break;
    case kChangeSizeChanged:
      if (after == kNoSizeBefore)
        rescan(parent);  // a size that does not fit the record's 32 bits
      else if (before == kNoSizeBefore)
        ApplyFileSizeChange(parent, 0, after, +1);
      else
        ApplyFileSizeChange(parent, before, after, 0);
      break;
    default:
      break;
  }
}

// ---- Watchers

void WatchSelectedFolder(FolderNode* node) {
  if (!g_changeNotification || !IsFolderNode(node) || !IsDriveNode(node->drive)) return;
  EngineWindow();
  auto* record = new (std::nothrow) ChangeWatchRecord();
  if (!record) return;
  FolderNode* parent = node->parent;

  ScanThreadEntry* previous = g_changeWatchers[1].exchange(g_changeWatchers[0].load());
  StopWatcher(previous);

  std::wstring path = GetNodePathW(node);
  if (!NodeListContains(&g_watchedFolders, node)) {
    HANDLE h = WatchPath(path);
    if (h != INVALID_HANDLE_VALUE) {
      record->handles[record->count] = h;
      record->nodes[record->count] = node;
      record->listed[record->count] = true;
      ++record->count;
      NodeListAppend(&g_watchedFolders, node);
    } else if (node->kind == kFolderNodeKind && PathGone(path)) {
      RemoveFolderNode(node);
    }
  }
  if (node->kind == kFolderNodeKind && IsFolderNode(parent) && parent->name &&
      !NodeListContains(&g_watchedFolders, parent)) {
    HANDLE h = WatchPath(GetNodePathW(parent));
    if (h != INVALID_HANDLE_VALUE) {
      record->handles[record->count] = h;
      record->nodes[record->count] = parent;
      record->listed[record->count] = true;
      ++record->count;
      NodeListAppend(&g_watchedFolders, parent);
    }
  }
  if (record->count == 0) {
    delete record;
    g_changeWatchers[0] = nullptr;
    return;
  }
  // The slot is filled before the thread runs, so that its end can clear it.
  ScanThreadEntry* entry = StartScanThread(ChangeWatchThread, record);
  if (!entry) {
    for (int i = 0; i < record->count; ++i) FindCloseChangeNotification(record->handles[i]);
    Unlist(record);
    delete record;
    g_changeWatchers[0] = nullptr;
    return;
  }
  g_changeWatchers[0] = entry;
}

DWORD WINAPI ChangeWatchThread(LPVOID p) {
  auto* entry = static_cast<ScanThreadEntry*>(p);
  auto* r = static_cast<ChangeWatchRecord*>(entry->data);
  auto dropSecond = [r] {
    FindCloseChangeNotification(r->handles[1]);
    r->handles[1] = nullptr;
    r->count = 1;
  };
  auto promoteSecond = [r, entry] {
    FindCloseChangeNotification(r->handles[0]);
    r->handles[0] = r->handles[1];
    r->handles[1] = nullptr;
    r->count = 1;
    // The nodes and their list marks change under the table mutex, where a stop reads them.
    WithLiveScanThread(entry, [](ScanThreadEntry* e, void*) {
      auto* w = static_cast<ChangeWatchRecord*>(e->data);
      if (w->listed[0]) NodeListRemove(&g_watchedFolders, w->nodes[0]);
      w->nodes[0] = w->nodes[1];
      w->listed[0] = w->listed[1];
      w->nodes[1] = nullptr;
      w->listed[1] = false;
    }, nullptr);
  };
  bool run = IsFolderNode(r->nodes[0]);
  if (run && r->count == 2 && !IsFolderNode(r->nodes[1])) dropSecond();
  while (run) {
    DWORD w = WaitForMultipleObjects(r->count, r->handles, FALSE, 1000);
    if (w == WAIT_OBJECT_0) {
      ArmRescanTimer(r->nodes[0], 1000);
      if (!FindNextChangeNotification(r->handles[0])) {
        if (r->count == 1) break;
        promoteSecond();
        ArmRescanTimer(r->nodes[0], 500);
      }
    } else if (w == WAIT_OBJECT_0 + 1 && r->count == 2) {
      if (IsFolderNode(r->nodes[1]) && IsDriveNode(r->nodes[1]->drive)) {
        ArmRescanTimer(r->nodes[1], 500);
        if (!FindNextChangeNotification(r->handles[1])) dropSecond();
      } else {
        dropSecond();
      }
    } else if (w == WAIT_ABANDONED_0 || w == WAIT_ABANDONED_0 + 1) {
      if (r->count == 1) break;
      if (w == WAIT_ABANDONED_0)
        promoteSecond();
      else
        dropSecond();
    } else if (w == WAIT_TIMEOUT) {
      if (entry->stopFlag || g_shuttingDown || !IsFolderNode(r->nodes[0])) break;
    } else {
      break;
    }
  }
  for (int i = 0; i < r->count; ++i)
    if (r->handles[i]) FindCloseChangeNotification(r->handles[i]);
  // The list entries go under the table mutex, so that a concurrent stop sees them once.
  WithLiveScanThread(entry, [](ScanThreadEntry* e, void*) {
    Unlist(static_cast<ChangeWatchRecord*>(e->data));
  }, nullptr);
  UnregisterScanThread(entry);
  delete r;
  return 0;
}

void ArmRescanTimerOnGui(FolderNode* node, UINT delayMs) {
  HWND window = EngineWindow();
  if (!window || !node) return;
  KillTimer(window, reinterpret_cast<UINT_PTR>(node));
  SetTimer(window, reinterpret_cast<UINT_PTR>(node), delayMs, RescanTimerProc);
}

void ArmRescanTimer(FolderNode* node, UINT delayMs) {
  if (!node) return;
  if (GetCurrentThreadId() == g_uiThreadId) {
    ArmRescanTimerOnGui(node, delayMs);
  } else if (HWND window = EngineWindow()) {
    PostMessageA(window, kMsgArmRescan, reinterpret_cast<WPARAM>(node), delayMs);
  }
}

void CALLBACK RescanTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  auto* node = reinterpret_cast<FolderNode*>(id);
  if (IsFolderNode(node)) RunScanQueue(node, 0, nullptr);
}

void StopChangeWatchers() {
  StopWatcher(g_changeWatchers[0].load());
  StopWatcher(g_changeWatchers[1].load());
}
