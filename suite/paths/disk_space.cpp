// Free space of disks and the sizes of folders.
#include "disk_space.h"
#include <atomic>
#include <cstring>
#include <string>

GetDiskFreeSpaceExFn FindGetDiskFreeSpaceEx() {
  static std::atomic<GetDiskFreeSpaceExFn> kept{nullptr};
  GetDiskFreeSpaceExFn found = kept.load();
  if (found) return found;
  HMODULE kernel = GetModuleHandleA("KERNEL32");
  if (!kernel) return nullptr;
  found = reinterpret_cast<GetDiskFreeSpaceExFn>(GetProcAddress(kernel, "GetDiskFreeSpaceExA"));
  if (found) kept.store(found);
  return found;
}

bool QueryDiskSpace(const char* root, uint64_t* total, uint64_t* available) {
  *total = *available = 0;
  if (!root || !root[0]) return false;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool ok = false;
  if (GetDiskFreeSpaceExFn query = FindGetDiskFreeSpaceEx()) {
    ULARGE_INTEGER free, totalBytes, freeBytes;
    if (query(root, &free, &totalBytes, &freeBytes)) {
      *total = totalBytes.QuadPart;
      *available = free.QuadPart;
      ok = true;
    }
  } else {
    DWORD sectors, bytes, freeClusters, clusters;
    if (GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters)) {
      const uint64_t cluster = static_cast<uint64_t>(sectors) * bytes;
      *total = static_cast<uint64_t>(clusters) * cluster;
      *available = static_cast<uint64_t>(freeClusters) * cluster;
      ok = true;
    }
  }
  SetErrorMode(oldMode);
  return ok;
}

namespace {

uint64_t SumBelow(const std::string& folder, int depth) {
  if (depth > 128) return 0;
  uint64_t sum = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) sum += SumBelow(folder + "\\" + data.cFileName, depth + 1);
    } else {
      sum += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return sum;
}

}  // namespace

uint64_t SumFolderFileSizes(const char* pattern) {
  if (!pattern || !pattern[0]) return 0;
  std::string folder(pattern, strnlen(pattern, 2 * MAX_PATH));
  // The folder is what comes before the last backslash (the "*.*" part).
  size_t slash = folder.find_last_of('\\');
  if (slash == std::string::npos) return 0;
  folder.resize(slash);
  if (folder.empty()) return 0;
  return SumBelow(folder, 0);
}
