#include "engine_test_support.h"

#include <winioctl.h>

#include <atomic>
#include <functional>

#include "disk_query.h"
#include "drive_list.h"
#include "item_ids.h"
#include "scan_engine.h"
#include "settings_store.h"
#include "test_support.h"

namespace vtest {

namespace {
DriveNode* drive = nullptr;
}

DriveNode* EngineDrive() {
  if (IsDriveNode(drive)) return drive;
  InitScanEngine();
  InitItemIdServices();
  g_isNT = TRUE;
  g_firstRun = FALSE;
  g_settings = DefaultVoltalineSettings();
  // Only C: is shown and nothing is scanned at start: the drive list must not walk Z:.
  g_startFolderGiven = TRUE;
  lstrcpynA(g_currentPath, "C:\\", MAX_PATH);
  EnumerateDriveNodes();
  FolderNode* c = FindNodeByPath("C:\\");
  drive = IsDriveNode(c) ? static_cast<DriveNode*>(c) : nullptr;
  if (drive) {
    GetDiskSpaceData(drive);
    drive->clusterSize = 4096;
  }
  return drive;
}

FolderNode* NodeFor(const std::string& path) {
  EngineDrive();
  return EnsureFolderNodeByPath(path.c_str());
}

namespace {
std::wstring Wide(const std::string& s) {
  wchar_t buffer[MAX_PATH * 2];
  if (!MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, buffer, MAX_PATH * 2)) return {};
  return buffer;
}

// Wide throughout, so that names outside the ANSI code page are walked too.
OracleSums OracleW(const std::wstring& folder, uint32_t clusterSize,
                   const std::vector<std::wstring>& skipped) {
  OracleSums sums;
  sums.allocated += clusterSize;
  std::wstring base = folder.back() == L'\\' ? folder : folder + L"\\";
  for (const std::wstring& s : skipped)
    if (lstrcmpiW(s.c_str(), base.c_str()) == 0) return sums;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((base + L"*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return sums;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      OracleSums child = OracleW(base + name, clusterSize, skipped);
      sums.size += child.size;
      sums.allocated += child.allocated;
      sums.files += child.files;
      sums.folders += child.folders + 1;
    } else {
      uint64_t size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
      sums.size += size;
      sums.allocated += RoundUpToCluster(size, clusterSize);
      ++sums.files;
    }
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return sums;
}
}  // namespace

OracleSums Oracle(const std::string& folder, uint32_t clusterSize,
                  const std::vector<std::string>& skipped) {
  std::vector<std::wstring> wideSkipped;
  for (const std::string& s : skipped) wideSkipped.push_back(Wide(s));
  return OracleW(Wide(folder), clusterSize, wideSkipped);
}

uint64_t TotalSize(FolderNode* node) {
  NodeLock lock(node);
  return node->filesSize + node->subfoldersSize;
}

uint64_t TotalAllocated(FolderNode* node) {
  NodeLock lock(node);
  return node->filesAllocated + node->subfoldersAllocated;
}

bool IsComplete(FolderNode* node) {
  return (node->flags.load() & (kNodeSubtreeComplete | kNodeFilesListed)) ==
         (kNodeSubtreeComplete | kNodeFilesListed);
}

std::string CheckInvariants(FolderNode* top) {
  std::vector<FolderNode*> stack{top};
  while (!stack.empty()) {
    FolderNode* n = stack.back();
    stack.pop_back();
    if (!IsFolderNode(n)) return "invalid node in the tree";
    NodeLock lock(n);
    uint64_t size = 0, allocated = 0, count = 0, complete = 0;
    for (FolderNode* c = n->firstChild; c; c = c->nextSibling) {
      if (!IsFolderNode(c)) return "retired node linked below " + GetNodeName(n);
      size += c->filesSize + c->subfoldersSize;
      allocated += c->filesAllocated + c->subfoldersAllocated;
      ++count;
      if (c->flags & kNodeCounted) ++complete;
      bool isComplete = (c->flags & kNodeSubtreeComplete) != 0;
      if (isComplete != ((c->flags & kNodeCounted) != 0))
        return "counted bit differs from completeness at " + GetNodeName(c);
      stack.push_back(c);
    }
    std::string name = GetNodeName(n);
    if (n->subfoldersSize != size) return "subfoldersSize of " + name;
    if (n->subfoldersAllocated != allocated) return "subfoldersAllocated of " + name;
    if (n->subfolderCount != count) return "subfolderCount of " + name;
    if (n->completeSubfolders != complete) return "completeSubfolders of " + name;
    if (n->calcState == kCalcRunning) return "still running: " + name;
    bool shouldBeComplete = (n->flags & kNodeFilesListed) && complete == count;
    if (shouldBeComplete != ((n->flags & kNodeSubtreeComplete) != 0))
      return "completeness of " + name;
  }
  return "";
}

bool WriteFileOfSize(const std::string& path, uint64_t size) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string chunk(static_cast<size_t>(size < 65536 ? size : 65536), 'x');
  uint64_t left = size;
  bool ok = true;
  while (left && ok) {
    DWORD n = static_cast<DWORD>(left < chunk.size() ? left : chunk.size()), written = 0;
    ok = WriteFile(h, chunk.data(), n, &written, nullptr) && written == n;
    left -= n;
  }
  CloseHandle(h);
  return ok;
}

bool MakeSparseFile(const std::string& path, uint64_t size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  bool ok = DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ok = ok && SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

namespace {
std::string UnixName(const std::string& path) {
  using UnixNameFn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<UnixNameFn>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  if (!fn) return {};
  std::wstring wide(path.begin(), path.end());
  char* name = fn(wide.c_str());
  if (!name) return {};
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

bool RunHost(const char* program, const std::string& arguments) {
  std::string command = std::string(program) + " " + arguments;
  std::string application = std::string("Z:") + program;
  for (char& c : application)
    if (c == '/') c = '\\';
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(application.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return false;
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}
}  // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
  auto isLink = [&] {
    DWORD a = GetFileAttributesA(link.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  std::wstring l(link.begin(), link.end()), t(target.begin(), target.end());
  if (CreateSymbolicLinkW(l.c_str(), t.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && isLink())
    return true;
  std::string unixTarget = UnixName(target);
  size_t slash = link.rfind('\\');
  std::string unixFolder = UnixName(link.substr(0, slash));
  if (unixTarget.empty() || unixFolder.empty()) return false;
  std::string unixLink = unixFolder + "/" + link.substr(slash + 1);
  if (!RunHost("/bin/ln", "-s \"" + unixTarget + "\" \"" + unixLink + "\"")) return false;
  // The host program may still be running when its Windows-side handle is signalled.
  return jqtest::PumpUntil(isLink, 5000);
}

void RemoveLink(const std::string& link) {
  if (!RemoveDirectoryA(link.c_str())) DeleteFileA(link.c_str());
  if (GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::string unixLink = UnixName(link);
    if (!unixLink.empty()) RunHost("/bin/rm", "-f \"" + unixLink + "\"");
  }
}

namespace {
struct ScanJob {
  FolderNode* node;
  int recurse;
  std::atomic<bool> done{false};
};

DWORD WINAPI ScanJobThread(LPVOID p) {
  auto* entry = static_cast<ScanThreadEntry*>(p);
  auto* job = static_cast<ScanJob*>(entry->data);
  RunScanQueue(job->node, job->recurse, entry);
  job->done = true;
  UnregisterScanThread(entry);
  return 0;
}
}  // namespace

bool ScanAndWait(FolderNode* node, int recurse, DWORD timeoutMs) {
  ScanJob job{node, recurse};
  if (!StartScanThread(ScanJobThread, &job)) return false;
  // The job record is touched by the thread only until it sets `done`.
  return jqtest::PumpUntil([&] { return job.done.load(); }, timeoutMs);
}

}  // namespace vtest
