// Folder watchers, pollers, the Start-menu watcher and the debounce timers of the panes.
#include "folder_watch.h"
#include <ole2.h>
#include <shlobj.h>
#include <cstring>
#include <memory>
#include <mutex>
#include "file_pane.h"
#include "folder_tree.h"
#include "pane_refresh.h"
#include "path_utils.h"
#include "pidl.h"
#include "settings_store.h"
#include "program_values.h"

std::atomic<UINT> g_favoritesStale{0};
std::atomic<UINT> g_startMenuStale{0};
BOOL (*g_favoritesFolderSource)(char* path) = nullptr;
std::atomic<void (*)()> g_pollListingHook{nullptr};

namespace {

constexpr char kSignalClass[] = "JQPaneWatchSignals";
constexpr UINT kMsgFolderChanged = WM_APP + 1;  // wParam: slot | kind << 1 | generation << 2
constexpr UINT kMsgPollCount = WM_APP + 2;      // wParam: slot | generation << 1; lParam: count
constexpr UINT kMsgGuiTask = WM_APP + 3;        // lParam: std::function<void()>* (owned)
constexpr UINT kListPeriodMs = 750;
constexpr DWORD kPollPeriodMs = 2000;
constexpr DWORD kWatcherStopBoundMs = 2000;
constexpr DWORD kPollerStopBoundMs = 5000;
constexpr ULONG kBatchSize = 500;

void CloseChange(HANDLE& handle) {
  if (handle != INVALID_HANDLE_VALUE && handle) FindCloseChangeNotification(handle);
  handle = INVALID_HANDLE_VALUE;
}

// What a thread waits on: its stop event and its change handles. The thread and the GUI side
// each hold it; the last to let go closes the handles. A thread that misses its stop bound is
// left to end by itself and lets go of its record then, so nothing it waits on is closed under
// it.
struct ThreadJob {
  std::atomic<LONG> holders{2};
  HANDLE stop = nullptr;
  HANDLE changes[3] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
};

ThreadJob* NewThreadJob() {
  auto* job = new ThreadJob;
  job->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return job;
}

void ReleaseJob(ThreadJob* job) {
  if (!job || --job->holders > 0) return;
  for (HANDLE& handle : job->changes) CloseChange(handle);
  if (job->stop) CloseHandle(job->stop);
  delete job;
}

// One per pane record, found by the pane's list window.
struct PaneWatch {
  HWND list = nullptr;
  // Watcher: its record holds the change handles.
  ThreadJob* watcherJob = nullptr;
  HANDLE thread = nullptr;
  char root[MAX_PATH] = "";
  char path[MAX_PATH] = "";  // the watched folder
  UINT generation = 0;
  // Debounce state, GUI thread only.
  UINT listArmed = 1, treeArmed = 1, listSeen = 0, treeSeen = 0;
  // Read by the watcher thread when a change arrives.
  std::atomic<LONG> muted{0};
  // Poller.
  ThreadJob* pollJob = nullptr;
  HANDLE pollThread = nullptr;
  CRITICAL_SECTION pollLock;
  bool pollLockReady = false;
  bool pollPaused = false;
  LPITEMIDLIST pollTarget = nullptr;  // absolute list of the polled folder (owned, under the lock)
  BOOL pollHidden = FALSE;            // include hidden items
  UINT pollGeneration = 0;            // under the lock
};

PaneWatch g_watch[2];
HWND g_signalWindow = nullptr;

// One polling enumeration at a time. A poller left behind inside an enumeration (a folder that
// hangs) keeps the lock it took; the pollers after it take a new one.
std::mutex g_enumerationLockGuard;
std::shared_ptr<std::mutex> g_pollEnumeration = std::make_shared<std::mutex>();

std::shared_ptr<std::mutex> CurrentEnumerationLock() {
  std::lock_guard<std::mutex> guard(g_enumerationLockGuard);
  return g_pollEnumeration;
}

void RetireEnumerationLock() {
  std::lock_guard<std::mutex> guard(g_enumerationLockGuard);
  g_pollEnumeration = std::make_shared<std::mutex>();
}

struct StartMenuWatch {
  ThreadJob* job = nullptr;
  HANDLE thread = nullptr;
} g_startMenu;

// Asks a thread to stop and waits for it within the bound. A thread that does not end in time
// is left to end by itself (it may hold a lock or wait on a hung folder); FALSE then.
BOOL EndThread(HANDLE& thread, ThreadJob*& job, DWORD boundMs) {
  BOOL ended = TRUE;
  if (thread) {
    if (job && job->stop) SetEvent(job->stop);
    ended = WaitForSingleObject(thread, boundMs) != WAIT_TIMEOUT;
    CloseHandle(thread);
  } else if (job) {
    --job->holders;  // no thread took its share
  }
  ReleaseJob(job);
  thread = nullptr;
  job = nullptr;
  return ended;
}

int PaneOfSlot(int slot) {
  HWND list = g_watch[slot].list;
  if (!list) return -1;
  for (int pane = 0; pane < 2; ++pane)
    if (FilePanes[pane].list == list) return pane;
  return -1;
}

// The slot of a pane: the one already bound to its list, else a free one.
int SlotOfPane(int pane) {
  HWND list = FilePanes[pane].list;
  for (int slot = 0; slot < 2; ++slot)
    if (g_watch[slot].list && g_watch[slot].list == list) return slot;
  for (int slot = 0; slot < 2; ++slot) {
    if (!g_watch[slot].list || PaneOfSlot(slot) < 0) {
      g_watch[slot].list = list;
      return slot;
    }
  }
  return pane;
}

bool PaneShown(int pane) { return pane == 0 || g_paneLayout.twoPanes; }

// ---- Watcher thread ---------------------------------------------------------------------

struct WatcherStart {
  HANDLE handles[4];
  int kinds[4];  // 0 list, 1 tree, -1 stop
  DWORD count;
  HWND signal;
  UINT slot;
  UINT generation;
  std::atomic<LONG>* muted;
  ThreadJob* job;  // the thread's share, let go when it ends
};

// Lets go of the thread's share of its record when the thread function returns.
struct JobShare {
  ThreadJob* job;
  ~JobShare() { ReleaseJob(job); }
};

DWORD WINAPI PaneWatchThread(void* parameter) {
  WatcherStart start = *static_cast<WatcherStart*>(parameter);
  delete static_cast<WatcherStart*>(parameter);
  JobShare share{start.job};
  for (;;) {
    DWORD result = WaitForMultipleObjects(start.count, start.handles, FALSE, INFINITE);
    if (result >= WAIT_OBJECT_0 + start.count) return 0;  // a handle failed: nothing to watch
    DWORD index = result - WAIT_OBJECT_0;
    int kind = start.kinds[index];
    if (kind < 0) return 0;
    // The program's own operations change the folder while muted: nothing to report.
    if (start.muted->load() == 0) {
      WPARAM code = start.slot | (static_cast<WPARAM>(kind) << 1) | (static_cast<WPARAM>(start.generation) << 2);
      PostMessageA(start.signal, kMsgFolderChanged, code, 0);
    }
    if (!FindNextChangeNotification(start.handles[index])) return 0;
  }
}

void StopWatcherOf(PaneWatch& watch) { EndThread(watch.thread, watch.watcherJob, kWatcherStopBoundMs); }

// ---- Poller thread ----------------------------------------------------------------------

struct PollerStart {
  PaneWatch* watch;
  HWND signal;
  UINT slot;
  ThreadJob* job;  // the thread's share, let go when it ends
};

// Items of a folder, or -1 when it cannot be read or the poller is asked to stop.
LONG CountFolderItems(LPCITEMIDLIST absolute, BOOL hidden, HANDLE stop) {
  std::shared_ptr<std::mutex> lock = CurrentEnumerationLock();
  std::lock_guard<std::mutex> one(*lock);
  if (auto hook = g_pollListingHook.load()) hook();
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return -1;
  IShellFolder* folder = nullptr;
  UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  if (!absolute || !absolute->mkid.cb) {
    folder = desktop;
    folder->AddRef();
  } else if (FAILED(desktop->BindToObject(absolute, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)))) {
    folder = nullptr;
  }
  desktop->Release();
  LONG count = -1;
  IEnumIDList* items = nullptr;
  SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (hidden ? SHCONTF_INCLUDEHIDDEN : 0);
  if (folder && SUCCEEDED(folder->EnumObjects(nullptr, flags, &items)) && items) {
    count = 0;
    LPITEMIDLIST batch[kBatchSize];
    for (;;) {
      if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) {
        count = -1;
        break;
      }
      ULONG fetched = 0;
      HRESULT hr = items->Next(kBatchSize, batch, &fetched);
      if (FAILED(hr)) break;
      for (ULONG i = 0; i < fetched; ++i) FreePidl(batch[i]);
      count += static_cast<LONG>(fetched);
      if (hr != S_OK) break;
    }
    items->Release();
  }
  if (folder) folder->Release();
  SetErrorMode(previousMode);
  return count;
}

DWORD WINAPI PanePollThread(void* parameter) {
  PollerStart start = *static_cast<PollerStart*>(parameter);
  delete static_cast<PollerStart*>(parameter);
  JobShare share{start.job};
  const HANDLE stop = start.job->stop;
  HRESULT com = CoInitialize(nullptr);
  PaneWatch& watch = *start.watch;
  for (;;) {
    if (WaitForSingleObject(stop, kPollPeriodMs) != WAIT_TIMEOUT) break;
    LPITEMIDLIST target = nullptr;
    BOOL hidden = FALSE;
    UINT generation = 0;
    EnterCriticalSection(&watch.pollLock);
    if (!watch.pollPaused && watch.pollTarget) {
      target = CopyPidl(GetShellAllocator(), watch.pollTarget);
      hidden = watch.pollHidden;
      generation = watch.pollGeneration;
    }
    LeaveCriticalSection(&watch.pollLock);
    if (!target) continue;
    LONG count = CountFolderItems(target, hidden, stop);
    FreePidl(target);
    if (count >= 0)
      PostMessageA(start.signal, kMsgPollCount, start.slot | (static_cast<WPARAM>(generation) << 1),
                   static_cast<LPARAM>(count));
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

void StopPollerOf(PaneWatch& watch) {
  if (!EndThread(watch.pollThread, watch.pollJob, kPollerStopBoundMs)) RetireEnumerationLock();
  if (watch.pollLockReady) {
    EnterCriticalSection(&watch.pollLock);
    FreePidl(watch.pollTarget);
    watch.pollTarget = nullptr;
    watch.pollPaused = false;
    ++watch.pollGeneration;
    LeaveCriticalSection(&watch.pollLock);
  }
}

// ---- Start-menu watcher -----------------------------------------------------------------

struct StartMenuStart {
  HANDLE handles[4];
  DWORD count;
  ThreadJob* job;  // the thread's share, let go when it ends
};

DWORD WINAPI StartMenuWatchThread(void* parameter) {
  StartMenuStart start = *static_cast<StartMenuStart*>(parameter);
  delete static_cast<StartMenuStart*>(parameter);
  JobShare share{start.job};
  for (;;) {
    DWORD result = WaitForMultipleObjects(start.count, start.handles, FALSE, INFINITE);
    if (result >= WAIT_OBJECT_0 + start.count) return 0;
    DWORD index = result - WAIT_OBJECT_0;
    if (index == 0) return 0;  // the stop event
    if (index == 1) g_favoritesStale = 1;
    else g_startMenuStale = 1;
    if (!FindNextChangeNotification(start.handles[index])) return 0;
  }
}

// ---- GUI side ---------------------------------------------------------------------------

void OnFolderChanged(WPARAM code) {
  UINT slot = code & 1;
  UINT kind = (code >> 1) & 1;
  UINT generation = static_cast<UINT>(code >> 2);
  PaneWatch& watch = g_watch[slot];
  if (generation != (watch.generation & (~0u >> 2))) return;  // from a watch already replaced
  int pane = PaneOfSlot(slot);
  if (pane < 0 || !g_mainWindow) return;
  UINT& armed = kind ? watch.treeArmed : watch.listArmed;
  UINT& seen = kind ? watch.treeSeen : watch.listSeen;
  if (armed && watch.muted.load() == 0) {
    seen = 0;
    armed = 0;
    if (kind)
      SetTimer(g_mainWindow, kTreeRefreshTimerBase + slot, slot == 0 ? 500 : 750, PaneTreeRefreshTimerProc);
    else
      SetTimer(g_mainWindow, kListRefreshTimerBase + slot, kListPeriodMs, PaneListRefreshTimerProc);
  } else {
    seen = 1;
  }
}

void OnPollCount(WPARAM code, LPARAM count) {
  UINT slot = code & 1;
  UINT generation = static_cast<UINT>(code >> 1);
  PaneWatch& watch = g_watch[slot];
  if (!watch.pollLockReady) return;
  EnterCriticalSection(&watch.pollLock);
  bool current = !watch.pollPaused && generation == (watch.pollGeneration & (~0u >> 1));
  LeaveCriticalSection(&watch.pollLock);
  int pane = PaneOfSlot(slot);
  if (!current || pane < 0 || !PaneShown(pane)) return;
  if (static_cast<UINT>(count) != FilePanes[pane].itemCount) RefreshPane(pane);
}

LRESULT CALLBACK SignalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgFolderChanged:
      OnFolderChanged(wParam);
      return 0;
    case kMsgPollCount:
      OnPollCount(wParam, lParam);
      return 0;
    case kMsgGuiTask: {
      auto* task = reinterpret_cast<std::function<void()>*>(lParam);
      if (task) {
        (*task)();
        delete task;
      }
      return 0;
    }
    case WM_DESTROY:
      // The main window goes: everything that watches for it ends first.
      StopAllFolderWatching();
      if (g_signalWindow == window) g_signalWindow = nullptr;
      // Tasks still queued are freed unrun.
      for (MSG pending; PeekMessageA(&pending, window, kMsgGuiTask, kMsgGuiTask, PM_REMOVE);) {
        // Wine hands out the quit message posted by the main window's WM_DESTROY even to this
        // filtered peek: it goes back to the queue so that the message loop still ends.
        if (pending.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(pending.wParam));
          break;
        }
        delete reinterpret_cast<std::function<void()>*>(pending.lParam);
      }
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A hidden child of the main window: it receives what the threads post, and its destruction
// with the main window stops them.
HWND EnsureSignalWindow() {
  if (g_signalWindow && IsWindow(g_signalWindow) && GetParent(g_signalWindow) == g_mainWindow)
    return g_signalWindow;
  if (g_signalWindow && IsWindow(g_signalWindow)) DestroyWindow(g_signalWindow);
  g_signalWindow = nullptr;
  if (!g_mainWindow || !IsWindow(g_mainWindow)) return nullptr;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, kSignalClass, &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = SignalWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kSignalClass;
    RegisterClassA(&wc);
  }
  g_signalWindow = CreateWindowExA(0, kSignalClass, "", WS_CHILD, 0, 0, 0, 0, g_mainWindow, nullptr,
                                   instance, nullptr);
  return g_signalWindow;
}

}  // namespace

void WatchedRootOf(const char* path, char* root) {
  root[0] = 0;
  if (path[0] == '\\' && path[1] == '\\') {
    const char* share = strchr(path + 2, '\\');
    const char* end = share ? strchr(share + 1, '\\') : nullptr;
    size_t length = end ? static_cast<size_t>(end - path) : strlen(path);
    if (length >= MAX_PATH) length = MAX_PATH - 1;
    memcpy(root, path, length);
    root[length] = 0;
    return;
  }
  lstrcpynA(root, path, 4);
}

BOOL IsHostRootDrive(const char* root) {
  using UnixName = char* (__cdecl*)(LPCWSTR);
  static UnixName unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName || !root || !root[0] || root[1] != ':') return FALSE;
  WCHAR wide[4] = {static_cast<WCHAR>(root[0]), L':', L'\\', 0};
  char* name = unixName(wide);
  if (!name) return FALSE;
  BOOL hostRoot = strcmp(name, "/") == 0;
  HeapFree(GetProcessHeap(), 0, name);
  return hostRoot;
}

void WatchPaneFolder(const char* folderPath, int pane) {
  if (!folderPath || pane < 0 || pane > 1) return;
  HWND signal = EnsureSignalWindow();
  if (!signal) return;
  int slot = SlotOfPane(pane);
  PaneWatch& watch = g_watch[slot];
  watch.listArmed = 1;
  watch.treeArmed = 1;
  char path[MAX_PATH];
  lstrcpynA(path, folderPath, MAX_PATH);
  StripTrailingBackslash(path);
  char root[MAX_PATH];
  WatchedRootOf(path, root);
  StopWatcherOf(watch);
  ++watch.generation;
  lstrcpynA(watch.root, root, MAX_PATH);
  lstrcpynA(watch.path, path, MAX_PATH);
  const bool hostRoot = IsHostRootDrive(root);
  char rootPath[MAX_PATH + 1];
  lstrcpynA(rootPath, root, MAX_PATH);
  if (rootPath[0] == '\\' && rootPath[strlen(rootPath) - 1] != '\\') lstrcatA(rootPath, "\\");

  HANDLE folder = FindFirstChangeNotificationA(path, FALSE, 0x1F);
  if (folder == INVALID_HANDLE_VALUE && !hostRoot) folder = FindFirstChangeNotificationA(rootPath, TRUE, 3);
  if (folder == INVALID_HANDLE_VALUE) return;  // the pane is not watched
  // Folder names anywhere on the drive re-read the tree; a host-root drive is too large for it.
  HANDLE subtree = hostRoot ? INVALID_HANDLE_VALUE : FindFirstChangeNotificationA(rootPath, TRUE, 2);
  // Folder names in the shown folder itself, for systems whose subtree watch sees only the
  // root's own entries.
  HANDLE ownFolders = lstrcmpiA(path, root) == 0 ? INVALID_HANDLE_VALUE : FindFirstChangeNotificationA(path, FALSE, 2);
  ThreadJob* job = watch.watcherJob = NewThreadJob();
  job->changes[0] = folder;
  job->changes[1] = subtree;
  job->changes[2] = ownFolders;
  if (!job->stop) {
    StopWatcherOf(watch);
    return;
  }
  auto* start = new WatcherStart{};
  start->handles[0] = job->stop;
  start->kinds[0] = -1;
  start->count = 1;
  for (int i = 0; i < 3; ++i) {
    if (job->changes[i] == INVALID_HANDLE_VALUE) continue;
    start->handles[start->count] = job->changes[i];
    start->kinds[start->count] = i == 0 ? 0 : 1;
    ++start->count;
  }
  start->signal = signal;
  start->slot = static_cast<UINT>(slot);
  start->generation = watch.generation & (~0u >> 2);
  start->muted = &watch.muted;
  start->job = job;
  watch.thread = CreateThread(nullptr, 0, PaneWatchThread, start, 0, nullptr);
  if (!watch.thread) {
    delete start;
    StopWatcherOf(watch);
  }
}

void StopPaneWatcher(int pane) {
  if (pane < 0 || pane > 1) return;
  for (PaneWatch& watch : g_watch)
    if (watch.list && watch.list == FilePanes[pane].list) StopWatcherOf(watch);
}

void RenewPaneWatch(int pane) {
  if (pane < 0 || pane > 1) return;
  for (PaneWatch& watch : g_watch) {
    if (!watch.list || watch.list != FilePanes[pane].list || !watch.path[0] || !watch.thread) continue;
    char path[MAX_PATH];
    lstrcpynA(path, watch.path, MAX_PATH);
    StopWatcherOf(watch);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) WatchPaneFolder(path, pane);
    else watch.path[0] = 0;
  }
}

void MutePaneWatcher(int pane) {
  if (pane < 0 || pane > 1) return;
  ++g_watch[SlotOfPane(pane)].muted;
}

void UnmutePaneWatcher(int pane) {
  if (pane < 0 || pane > 1) return;
  PaneWatch& watch = g_watch[SlotOfPane(pane)];
  if (watch.muted.load() > 0) --watch.muted;
}

void PausePanePoller(int pane) {
  if (pane < 0 || pane > 1) return;
  for (PaneWatch& watch : g_watch) {
    if (!watch.list || watch.list != FilePanes[pane].list || !watch.pollLockReady) continue;
    EnterCriticalSection(&watch.pollLock);
    watch.pollPaused = true;
    ++watch.pollGeneration;
    LeaveCriticalSection(&watch.pollLock);
  }
}

void ResumePanePoller(int pane) {
  if (pane < 0 || pane > 1 || !FilePanes[pane].tree) return;
  HWND signal = EnsureSignalWindow();
  if (!signal) return;
  int slot = SlotOfPane(pane);
  PaneWatch& watch = g_watch[slot];
  if (!watch.pollLockReady) {
    InitializeCriticalSection(&watch.pollLock);
    watch.pollLockReady = true;
  }
  // The folder to poll is read here, on the GUI thread: the thread never looks at the tree.
  HWND tree = FilePanes[pane].tree;
  HTREEITEM node = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  FolderTreeItem* selected = node ? GetTreeItemRecord(tree, node) : nullptr;
  LPITEMIDLIST target = selected && selected->absolute ? CopyPidl(GetShellAllocator(), selected->absolute) : nullptr;
  EnterCriticalSection(&watch.pollLock);
  FreePidl(watch.pollTarget);
  watch.pollTarget = target;
  watch.pollHidden = !GetLiveOptions().hideSystemFiles;
  watch.pollPaused = false;
  ++watch.pollGeneration;
  LeaveCriticalSection(&watch.pollLock);
  if (watch.pollThread) return;
  watch.pollJob = NewThreadJob();
  if (!watch.pollJob->stop) {
    EndThread(watch.pollThread, watch.pollJob, 0);
    return;
  }
  auto* start = new PollerStart{&watch, signal, static_cast<UINT>(slot), watch.pollJob};
  watch.pollThread = CreateThread(nullptr, 0, PanePollThread, start, 0, nullptr);
  if (!watch.pollThread) {
    delete start;
    EndThread(watch.pollThread, watch.pollJob, 0);
  }
}

void StopPanePoller(int pane) {
  if (pane < 0 || pane > 1) return;
  for (PaneWatch& watch : g_watch)
    if (watch.list && watch.list == FilePanes[pane].list) StopPollerOf(watch);
}

void StartStartMenuWatcher() {
  if (g_startMenu.thread) return;
  char startMenu[MAX_PATH] = "";
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTMENU, &list)) || !list) return;
  BOOL named = SHGetPathFromIDListA(list, startMenu);
  FreePidl(list);
  if (!named || !startMenu[0]) return;
  char favorites[MAX_PATH] = "";
  if (!g_favoritesFolderSource || !g_favoritesFolderSource(favorites) || !favorites[0]) return;
  char common[MAX_PATH] = "";
  if (IsNT) {
    list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_STARTMENU, &list)) || !list) return;
    named = SHGetPathFromIDListA(list, common);
    FreePidl(list);
    if (!named || !common[0]) return;
  }
  ThreadJob* job = g_startMenu.job = NewThreadJob();
  HANDLE* changes = job->changes;
  changes[0] = FindFirstChangeNotificationA(favorites, TRUE, 3);
  changes[1] = FindFirstChangeNotificationA(startMenu, TRUE, 3);
  if (IsNT) changes[2] = FindFirstChangeNotificationA(common, TRUE, 3);
  bool failed = changes[0] == INVALID_HANDLE_VALUE || changes[1] == INVALID_HANDLE_VALUE ||
                (IsNT && changes[2] == INVALID_HANDLE_VALUE);
  if (failed || !job->stop) {
    StopStartMenuWatcher();
    return;
  }
  auto* start = new StartMenuStart{};
  start->handles[0] = job->stop;
  start->count = 1;
  start->job = job;
  for (HANDLE handle : job->changes)
    if (handle != INVALID_HANDLE_VALUE) start->handles[start->count++] = handle;
  g_startMenu.thread = CreateThread(nullptr, 0, StartMenuWatchThread, start, 0, nullptr);
  if (!g_startMenu.thread) {
    delete start;
    StopStartMenuWatcher();
  }
}

void StopStartMenuWatcher() { EndThread(g_startMenu.thread, g_startMenu.job, kWatcherStopBoundMs); }

void StopAllFolderWatching() {
  StopStartMenuWatcher();
  for (int slot = 0; slot < 2; ++slot) {
    PaneWatch& watch = g_watch[slot];
    StopPollerOf(watch);
    StopWatcherOf(watch);
    if (g_mainWindow && IsWindow(g_mainWindow)) {
      KillTimer(g_mainWindow, kListRefreshTimerBase + slot);
      KillTimer(g_mainWindow, kTreeRefreshTimerBase + slot);
    }
    watch.list = nullptr;
    watch.listArmed = watch.treeArmed = 1;
    watch.listSeen = watch.treeSeen = 0;
    watch.muted = 0;
    watch.path[0] = 0;
    ++watch.generation;
  }
}

BOOL PrepareGuiTasks() { return EnsureSignalWindow() != nullptr; }

HWND GuiTaskWindow() { return EnsureSignalWindow(); }

BOOL PostGuiTask(std::function<void()> task) {
  return PostGuiTaskTo(g_signalWindow && IsWindow(g_signalWindow) ? g_signalWindow : nullptr, std::move(task));
}

BOOL PostGuiTaskTo(HWND signal, std::function<void()> task) {
  if (!signal) return FALSE;
  auto* owned = new std::function<void()>(std::move(task));
  if (!PostMessageA(signal, kMsgGuiTask, 0, reinterpret_cast<LPARAM>(owned))) {
    delete owned;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK PaneListRefreshTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  UINT slot = static_cast<UINT>(id - kListRefreshTimerBase) & 1;
  PaneWatch& watch = g_watch[slot];
  if (!watch.listSeen) {
    KillTimer(window, id);
    int pane = PaneOfSlot(slot);
    if (pane >= 0) RefreshPane(pane);
    watch.listArmed = 1;
  }
  watch.listSeen = 0;
}

void CALLBACK PaneTreeRefreshTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  UINT slot = static_cast<UINT>(id - kTreeRefreshTimerBase) & 1;
  PaneWatch& watch = g_watch[slot];
  if (!watch.treeSeen) {
    KillTimer(window, id);
    int pane = PaneOfSlot(slot);
    if (pane >= 0 && FilePanes[pane].tree) {
      HTREEITEM from = watch.root[0] ? SelectTreePath(FilePanes[pane].tree, watch.root, FALSE) : nullptr;
      RefreshPaneTree(pane, from, FALSE);
    }
    watch.treeArmed = 1;
  }
  watch.treeSeen = 0;
}
