#include "menu_cache.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <cstring>

#include "menu_bar_settings.h"
#include "shell_helpers.h"

namespace jqbar {

namespace {

struct CacheSlot {
  std::string path;
  MenuEntry* list = nullptr;
};

HANDLE g_menuLock = nullptr;
std::vector<CacheSlot> g_cache;
// Counts every clearing: a folder read while the cache was cleared is not stored.
std::atomic<unsigned> g_cacheGeneration{0};
std::atomic<bool> g_cacheCleared{false};

HANDLE g_cacheSemaphore = nullptr;
HANDLE g_cacheThread = nullptr;
std::atomic<bool> g_cacheQuit{false};

struct Watcher {
  HANDLE thread = nullptr;
  HANDLE stop = nullptr;  // event
  std::string folder;
  bool subtree = false;
  bool common = false;
};
Watcher g_programsWatcher, g_commonWatcher, g_treeWatcher;
std::atomic<bool> g_watchQuit{false};
std::atomic<bool> g_entryDialogOpen{false};

HWND g_bars[30];
int g_barCount = 0;

constexpr DWORD kThreadStopMs = 2000;

void StopThread(HANDLE& thread) {
  if (!thread) return;
  if (WaitForSingleObject(thread, kThreadStopMs) == WAIT_TIMEOUT) TerminateThread(thread, 1);
  CloseHandle(thread);
  thread = nullptr;
}

void PostToBars(UINT message) {
  HWND bars[30];
  int count = 0;
  LockMenus();
  count = g_barCount;
  std::memcpy(bars, g_bars, sizeof(HWND) * count);
  UnlockMenus();
  for (int i = 0; i < count; ++i) PostMessageA(bars[i], message, 0, 0);
}

MenuEntry* ReadEntry(const std::string& full, DWORD attributes);

MenuEntry* ReadFolder(const std::string& relative) {
  std::string folder = ResolveMenuPath(relative.c_str());
  if (folder.empty()) return nullptr;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return nullptr;
  MenuEntry* head = nullptr;
  MenuEntry** tail = &head;
  int count = 0;
  do {
    if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
    MenuEntry* e = ReadEntry(folder + "\\" + found.cFileName, found.dwFileAttributes);
    if (!e) continue;
    *tail = e;
    tail = &e->next;
    ++count;
  } while (count < kMaxFolderEntries && FindNextFileA(find, &found));
  FindClose(find);
  return head;
}

CacheSlot* FindSlot(const char* path) {
  for (auto& slot : g_cache)
    if (lstrcmpiA(slot.path.c_str(), path) == 0) return &slot;
  return nullptr;
}

DWORD WINAPI CacheThread(void*) {
  CoInitialize(nullptr);
  for (;;) {
    WaitForSingleObject(g_cacheSemaphore, INFINITE);
    if (g_cacheQuit) break;
    g_cacheCleared = false;
    std::vector<std::string> paths;
    for (const auto& n : ListSubfolders(GetProgramsFolder())) paths.push_back(n);
    if (HasCommonPrograms())
      for (const auto& n : ListSubfolders(ResolveMenuPath("\\").substr(0, ResolveMenuPath("\\").size() - 1)))
        paths.push_back("\\" + n);
    for (const auto& p : paths) {
      if (g_cacheQuit) break;
      if (g_cacheCleared.exchange(false)) break;
      if (!IsMenuFolderCached(p.c_str())) FreeMenuEntries(GetMenuFolderEntries(p.c_str()));
    }
    if (g_cacheQuit) break;
  }
  CoUninitialize();
  return 0;
}

DWORD WINAPI WatchThread(void* param) {
  auto* w = static_cast<Watcher*>(param);
  const DWORD filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                       FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                       FILE_NOTIFY_CHANGE_LAST_WRITE;
  HANDLE handles[3];
  int count = 0;
  HANDLE change = FindFirstChangeNotificationA(w->folder.c_str(), w->subtree, filter);
  if (change == INVALID_HANDLE_VALUE) return 1;
  handles[count++] = change;
  HANDLE commonChange = INVALID_HANDLE_VALUE;
  if (w->subtree && HasCommonPrograms()) {
    std::string common = ResolveMenuPath("\\");
    common.pop_back();
    commonChange = FindFirstChangeNotificationA(common.c_str(), TRUE, filter);
    if (commonChange != INVALID_HANDLE_VALUE) handles[count++] = commonChange;
  }
  handles[count++] = w->stop;
  for (;;) {
    DWORD which = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (g_watchQuit || which == WAIT_OBJECT_0 + count - 1 || which == WAIT_FAILED) break;
    // Changes come in bursts (a file written in pieces): let the burst pass, then act once.
    HANDLE fired = handles[which - WAIT_OBJECT_0];
    FindNextChangeNotification(fired);
    while (WaitForSingleObject(fired, 100) == WAIT_OBJECT_0 && !g_watchQuit)
      FindNextChangeNotification(fired);
    if (g_watchQuit) break;
    if (w->subtree) {
      ClearMenuCache(true);
      PostToBars(MBM_MENUSCHANGED);
    } else if (!g_entryDialogOpen) {
      PostToBars(MBM_FOLDERSCHANGED);
    }
  }
  FindCloseChangeNotification(change);
  if (commonChange != INVALID_HANDLE_VALUE) FindCloseChangeNotification(commonChange);
  return 0;
}

void StartWatcher(Watcher& w, const std::string& folder, bool subtree) {
  if (folder.empty() || w.thread) return;
  w.folder = folder;
  w.subtree = subtree;
  w.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  w.thread = CreateThread(nullptr, 0, WatchThread, &w, 0, nullptr);
  if (!w.thread) {
    CloseHandle(w.stop);
    w.stop = nullptr;
  }
}

void StopWatcher(Watcher& w) {
  if (w.stop) SetEvent(w.stop);
  StopThread(w.thread);
  if (w.stop) CloseHandle(w.stop);
  w.stop = nullptr;
}

std::string SplitExtension(const std::string& file, std::string& base) {
  std::size_t dot = file.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    base = file;
    return "";
  }
  base = file.substr(0, dot);
  return file.substr(dot);
}

}  // namespace

void CreateMenuLock() {
  // One holder at a time: a count above one would let a second thread in.
  if (!g_menuLock) g_menuLock = CreateSemaphoreA(nullptr, 1, 1, nullptr);
}

void LockMenus() {
  CreateMenuLock();
  WaitForSingleObject(g_menuLock, INFINITE);
}

bool LockMenusFor(DWORD milliseconds) {
  CreateMenuLock();
  return WaitForSingleObject(g_menuLock, milliseconds) == WAIT_OBJECT_0;
}

void UnlockMenus() { ReleaseSemaphore(g_menuLock, 1, nullptr); }

void StartMenuCacheThread() {
  CreateMenuLock();
  if (g_cacheThread) return;
  g_cacheQuit = false;
  g_cacheSemaphore = CreateSemaphoreA(nullptr, 1, 1, "Quorvanel Menu Cache Semaphore");
  g_cacheThread = CreateThread(nullptr, 0, CacheThread, nullptr, 0, nullptr);
}

void StopMenuCacheThread() {
  g_cacheQuit = true;
  if (g_cacheSemaphore) ReleaseSemaphore(g_cacheSemaphore, 1, nullptr);
  StopThread(g_cacheThread);
  if (g_cacheSemaphore) CloseHandle(g_cacheSemaphore);
  g_cacheSemaphore = nullptr;
}

void WakeMenuCacheThread() {
  if (g_cacheSemaphore) ReleaseSemaphore(g_cacheSemaphore, 1, nullptr);
}

void ClearMenuCache(bool lock) {
  if (lock) LockMenus();
  for (auto& slot : g_cache) FreeMenuEntries(slot.list);
  g_cache.clear();
  ++g_cacheGeneration;
  g_cacheCleared = true;
  if (lock) UnlockMenus();
  WakeMenuCacheThread();
}

MenuEntry* GetCachedMenuEntries(const char* path) {
  CacheSlot* slot = FindSlot(path);
  return slot ? CopyMenuEntries(slot->list) : nullptr;
}

bool IsMenuFolderCached(const char* path) {
  LockMenus();
  bool cached = FindSlot(path) != nullptr;
  UnlockMenus();
  return cached;
}

void PutMenuCacheEntry(const char* path, const MenuEntry* list) {
  if (CacheSlot* slot = FindSlot(path)) {
    FreeMenuEntries(slot->list);
    slot->list = CopyMenuEntries(list);
    return;
  }
  if (static_cast<int>(g_cache.size()) >= kMaxCacheSlots) return;
  g_cache.push_back({path, CopyMenuEntries(list)});
}

int CountMenuCacheSlots() {
  LockMenus();
  int n = static_cast<int>(g_cache.size());
  UnlockMenus();
  return n;
}

MenuEntry* GetMenuFolderEntries(const char* path) {
  LockMenus();
  CacheSlot* slot = FindSlot(path);
  MenuEntry* copy = slot ? CopyMenuEntries(slot->list) : nullptr;
  unsigned generation = g_cacheGeneration;
  UnlockMenus();
  if (slot) return copy;
  // The disk is read without the lock, so that the bars and the watchers never wait on it.
  MenuEntry* list = ReadFolder(path);
  if (!list) return nullptr;
  LockMenus();
  if (generation == g_cacheGeneration) PutMenuCacheEntry(path, list);
  UnlockMenus();
  return list;
}

MenuEntry* ReadMenuEntryFile(const char* relativePath) {
  std::string full = ResolveMenuPath(relativePath);
  DWORD attributes = full.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  return ReadEntry(full, attributes);
}

namespace {

MenuEntry* ReadEntry(const std::string& full, DWORD attributes) {
  std::string file = full.substr(full.rfind('\\') + 1), base;
  auto* e = new MenuEntry;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    e->name = file;
    e->isFolder = 1;
    return e;
  }
  std::string ext = SplitExtension(file, base);
  if (ext.size() >= 33) {
    delete e;
    return nullptr;
  }
  e->name = base;
  if (lstrcmpiA(ext.c_str(), ".lnk") == 0) {
    ShortcutInfo parts;
    ReadShortcutFile(full.c_str(), &parts, true);
    lstrcpynA(e->extension, ".lnk", sizeof e->extension);
    e->command = parts.target;
    e->startIn = parts.startIn;
    e->parameters = parts.arguments;
    e->runMode = parts.showCommand;
    e->iconFile = parts.iconFile;
    e->iconIndex = parts.iconIndex;
    e->hasIcon = parts.iconFile.empty() ? 0 : 1;
    if (parts.target.empty() && parts.item) {
      e->idList = parts.item.release();
      e->flags = kEntryTargetIdList;
    }
  } else if (lstrcmpiA(ext.c_str(), ".url") == 0) {
    UrlShortcut* read = ReadUrlShortcutFile(full.c_str());
    if (!read || read->url.empty()) {
      FreeUrlShortcut(read);
      delete e;
      return nullptr;
    }
    lstrcpynA(e->extension, ".url", sizeof e->extension);
    e->url = new UrlShortcut{base, read->url};
    FreeUrlShortcut(read);
    e->flags = kEntryTargetUrl;
    e->runMode = 1;
  } else {
    lstrcpynA(e->extension, ext.c_str(), 10);
    e->command = full;
    e->runMode = 1;
  }
  return e;
}

}  // namespace

MenuEntry* ReadSpecialFolderEntries(int csidl, HWND owner) {
  LPITEMIDLIST root = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &root)) || !root) return nullptr;
  IShellFolder* desktop = nullptr;
  IShellFolder* folder = nullptr;
  MenuEntry* head = nullptr;
  MenuEntry** tail = &head;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    if (root->mkid.cb == 0) {
      folder = desktop;
      folder->AddRef();
    } else {
      desktop->BindToObject(root, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    }
    IEnumIDList* items = nullptr;
    if (folder && folder->EnumObjects(owner, SHCONTF_NONFOLDERS, &items) == S_OK && items) {
      LPITEMIDLIST item = nullptr;
      int count = 0;
      while (count < kMaxFolderEntries && items->Next(1, &item, nullptr) == S_OK) {
        auto* e = new MenuEntry;
        e->idList = ILCombine(root, item);
        e->flags = kEntryTargetIdList;
        e->runMode = 1;
        char path[MAX_PATH] = {};
        if (e->idList && SHGetPathFromIDListA(e->idList, path) && path[0]) {
          const char* file = std::strrchr(path, '\\');
          std::string name = file ? file + 1 : path;
          std::size_t dot = name.rfind('.');
          if (dot != std::string::npos && dot > 0) name.erase(dot);
          e->name = name;
        } else {
          STRRET ret{};
          char text[MAX_PATH] = {};
          if (SUCCEEDED(folder->GetDisplayNameOf(item, SHGDN_NORMAL, &ret)))
            StrRetToBufA(&ret, item, text, MAX_PATH);
          e->name = text;
        }
        CoTaskMemFree(item);
        *tail = e;
        tail = &e->next;
        ++count;
      }
      items->Release();
    }
    if (folder) folder->Release();
    desktop->Release();
  }
  CoTaskMemFree(root);
  return head;
}

void AddMenuBarToList(HWND bar) {
  LockMenus();
  if (g_barCount < 30) g_bars[g_barCount++] = bar;
  UnlockMenus();
}

void RemoveMenuBarFromList(HWND bar) {
  LockMenus();
  for (int i = 0; i < g_barCount; ++i)
    if (g_bars[i] == bar) {
      std::memmove(g_bars + i, g_bars + i + 1, sizeof(HWND) * (g_barCount - i - 1));
      --g_barCount;
      break;
    }
  UnlockMenus();
}

void StartMenuWatchers() {
  CreateMenuLock();
  g_watchQuit = false;
  std::string programs = GetProgramsFolder();
  StartWatcher(g_programsWatcher, programs, false);
  if (HasCommonPrograms()) {
    std::string common = ResolveMenuPath("\\");
    common.pop_back();
    StartWatcher(g_commonWatcher, common, false);
  }
  StartWatcher(g_treeWatcher, programs, true);
}

void StopMenuWatchers() {
  g_watchQuit = true;
  StopWatcher(g_programsWatcher);
  StopWatcher(g_commonWatcher);
  StopWatcher(g_treeWatcher);
}

void SetEntryDialogOpen(bool open) { g_entryDialogOpen = open; }
bool IsEntryDialogOpen() { return g_entryDialogOpen; }

}  // namespace jqbar
