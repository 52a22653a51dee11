#include "search_worker.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct SearchJob {
  SearchRecord record;
  std::string path, masks, text;  // the record's texts, owned by the job
  std::vector<std::string> roots;
  HWND window = nullptr;
  bool recurse = false;
  uint32_t generation = 0;
  // Matches not yet reported, and when matches and the folder were last reported.
  std::vector<std::string> paths;
  std::vector<WIN32_FIND_DATAA> entries;
  DWORD lastFound = 0, lastFolder = 0;
  bool folderReported = false;
};

void ReportFound(SearchJob& job) {
  job.lastFound = GetTickCount();
  if (job.paths.empty()) return;
  std::vector<SearchFoundItem> items(job.paths.size());
  for (size_t i = 0; i < items.size(); ++i) items[i] = SearchFoundItem{job.paths[i].c_str(), &job.entries[i]};
  SendMessageA(job.window, WM_SEARCH_FOUND, items.size(), reinterpret_cast<LPARAM>(items.data()));
  job.paths.clear();
  job.entries.clear();
}

void ReportFoundWhenDue(SearchJob& job) {
  if (!job.paths.empty() && (job.paths.size() >= kFoundBatchItems || GetTickCount() - job.lastFound >= kFoundBatchMs))
    ReportFound(job);
}

std::vector<std::string> g_roots;
std::atomic<bool> g_cancel{false};
// The walk that has not yet reported its end (0: none), and the last one that has.
std::atomic<uint32_t> g_running{0};
std::atomic<uint32_t> g_finished{0};
uint32_t g_lastGeneration = 0;
HANDLE g_thread = nullptr;

// FindFirstFile without the short 8.3 names (nothing here reads them) and in large reads.
// Systems that know neither refuse the call; they get the plain one.
HANDLE FindEntries(const char* pattern, WIN32_FIND_DATAA* entry) {
  static std::atomic<bool> plainOnly{false};
  if (!plainOnly.load(std::memory_order_relaxed)) {
    HANDLE find = FindFirstFileExA(pattern, FindExInfoBasic, entry, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER) return find;
    plainOnly.store(true, std::memory_order_relaxed);
  }
  return FindFirstFileA(pattern, entry);
}

void SearchFolder(SearchJob& job, std::string& folder, bool recurse) {
  if (g_cancel.load()) return;
  DWORD now = GetTickCount();
  if (!job.folderReported || now - job.lastFolder >= kFolderReportMs) {
    // The matches found so far come before the folder the walk has moved on to.
    ReportFound(job);
    job.folderReported = true;
    job.lastFolder = now;
    SendMessageA(job.window, WM_SEARCH_FOLDER, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  }
  const size_t base = folder.size();
  const bool hadSlash = base > 0 && folder.back() == '\\';
  std::string pattern = folder + (hadSlash ? "" : "\\") + "*.*";
  if (pattern.size() >= MAX_PATH) return;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindEntries(pattern.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  const std::string parent = folder;  // what the content test opens names in
  if (!g_cancel.load()) {
    do {
      if (entry.cFileName[0] == '.' &&
          (entry.cFileName[1] == 0 || (entry.cFileName[1] == '.' && entry.cFileName[2] == 0)))
        continue;
      folder.resize(base);
      if (!hadSlash) folder += '\\';
      folder += entry.cFileName;
      // A path past the system's bound can be neither reported nor walked.
      if (folder.size() < MAX_PATH) {
        if (MatchSearchCriteria(job.record, parent.c_str(), entry, &g_cancel)) {
          job.paths.push_back(folder);
          job.entries.push_back(entry);
        }
        ReportFoundWhenDue(job);
        if (recurse && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
          SearchFolder(job, folder, true);
      }
      folder.resize(base);
    } while (!g_cancel.load() && FindNextFileA(find, &entry));
  }
  folder.resize(base);
  FindClose(find);
}

DWORD WINAPI SearchThread(void* parameter) {
  std::unique_ptr<SearchJob> job(static_cast<SearchJob*>(parameter));
  for (const std::string& root : job->roots) {
    std::string folder = root;
    SearchFolder(*job, folder, job->recurse);
  }
  ReportFound(*job);
  g_finished.store(job->generation);
  SendMessageA(job->window, WM_SEARCH_FINISHED, 0, 0);
  uint32_t mine = job->generation;
  g_running.compare_exchange_strong(mine, 0);
  return 0;
}

}  // namespace

void ClearSearchRoots() { g_roots.clear(); }

void AddSearchRoot(const char* path) {
  if (!path || g_roots.size() >= kMaxSearchRoots) return;
  size_t length = strnlen(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  g_roots.emplace_back(path, length);
}

int SearchRootCount() { return static_cast<int>(g_roots.size()); }

void AddRecordRoots(const SearchRecord& record) {
  for (int i = 0; i < 26; ++i) {
    if (record.drives[i]) {
      char root[4] = {static_cast<char>('A' + i), ':', '\\', 0};
      AddSearchRoot(root);
    }
  }
  if (record.path && *record.path) AddSearchRoot(record.path);
}

bool StartSearchThread(const SearchRecord& record, HWND window, uint32_t recurse) {
  uint32_t running = g_running.load();
  if (running != 0 && g_finished.load() != running) return false;
  if (g_thread) {
    CloseHandle(g_thread);
    g_thread = nullptr;
  }
  auto job = std::make_unique<SearchJob>();
  job->record = record;
  auto own = [](std::string& store, const char*& pointer) {
    if (pointer) {
      store.assign(pointer, strnlen(pointer, 4096));
      pointer = store.c_str();
    }
  };
  own(job->path, job->record.path);
  own(job->masks, job->record.masks);
  own(job->text, job->record.text);
  job->roots = g_roots;
  job->window = window;
  job->recurse = recurse != 0;
  job->lastFound = GetTickCount();
  job->generation = ++g_lastGeneration;
  if (job->generation == 0) job->generation = ++g_lastGeneration;
  g_cancel.store(false);
  g_running.store(job->generation);
  DWORD id;
  SearchJob* raw = job.release();
  g_thread = CreateThread(nullptr, 0, SearchThread, raw, 0, &id);
  if (!g_thread) {
    delete raw;
    g_running.store(0);
    return false;
  }
  return true;
}

void StopSearch() {
  if (g_running.load() != 0) g_cancel.store(true);
}

bool SearchWorkerBusy() {
  uint32_t running = g_running.load();
  return running != 0 && g_finished.load() != running;
}

bool ShutdownSearchWorker(DWORD timeoutMs) {
  if (!g_thread) return true;
  g_cancel.store(true);
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    DWORD r = MsgWaitForMultipleObjects(1, &g_thread, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // handles sent messages
  }
  CloseHandle(g_thread);
  g_thread = nullptr;
  return true;
}

int RefineMatch(const SearchRecord& record, const char* path) {
  if (!path || !*path) return 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path, &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  std::string folder(path);
  size_t slash = folder.find_last_of('\\');
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
  return MatchSearchCriteria(record, folder.c_str(), data, nullptr);
}
