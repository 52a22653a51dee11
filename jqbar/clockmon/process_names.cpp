#include "process_names.h"

#include <tlhelp32.h>

#include <cstring>

#include "le_bytes.h"
#include "perf_data.h"

namespace jqbar {
namespace {

using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ModuleWalkFn = BOOL(WINAPI*)(HANDLE, MODULEENTRY32*);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using ThreadWalkFn = BOOL(WINAPI*)(HANDLE, THREADENTRY32*);

struct Toolhelp {
  SnapshotFn snapshot = nullptr;
  ModuleWalkFn moduleFirst = nullptr, moduleNext = nullptr;
  ProcessWalkFn processFirst = nullptr, processNext = nullptr;
  ThreadWalkFn threadFirst = nullptr, threadNext = nullptr;
  bool loaded = false;
} g_toolhelp;

int g_platformOverride = -1;

bool IsWindowsNT() {
  if (g_platformOverride >= 0) return g_platformOverride != 0;
  OSVERSIONINFOA v{sizeof v};
  GetVersionExA(&v);
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The ANSI records of the Toolhelp32 functions: 296-byte processes, 548-byte modules.
static_assert(sizeof(PROCESSENTRY32) == 296 || sizeof(void*) == 8);
static_assert(sizeof(MODULEENTRY32) == 548 || sizeof(void*) == 8);

// The Toolhelp walk itself: the module name of the process, or the resident name of its 16-bit
// executable where that differs.
int ToolhelpProcessName(DWORD processId, char* name) {
  if (!LoadToolhelpFunctions()) return 0;
  HANDLE snap = g_toolhelp.snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 process{};
  process.dwSize = sizeof process;
  MODULEENTRY32 module{};
  bool found = false;
  for (BOOL more = g_toolhelp.processFirst(snap, &process); more;
       more = g_toolhelp.processNext(snap, &process)) {
    if (process.th32ProcessID != processId) continue;
    module = MODULEENTRY32{};
    if (FindToolhelpModule(process.th32ProcessID, process.th32ModuleID, &module, sizeof module)) {
      found = true;
      break;
    }
    // NT's Toolhelp gives no module id: the first module of the process is its executable.
    if (FindToolhelpModule(process.th32ProcessID, 0, &module, sizeof module)) {
      found = true;
      break;
    }
  }
  CloseHandle(snap);
  if (!found) return 0;
  char resident[MAX_PATH] = {};
  if (lstrcmpiA(process.szExeFile, module.szExePath) == 0 ||
      !ReadNeModuleName(process.szExeFile, resident, sizeof resident)) {
    lstrcpynA(name, module.szModule, MAX_PATH);
  } else {
    lstrcpynA(name, resident, MAX_PATH);
  }
  return name[0] != 0;
}

}  // namespace

void SetProcessNamesPlatformForTest(int windowsNT) { g_platformOverride = windowsNT; }

int LoadToolhelpFunctions() {
  if (g_toolhelp.loaded) return 1;
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  if (!kernel) return 0;
  Toolhelp t;
  t.snapshot = reinterpret_cast<SnapshotFn>(GetProcAddress(kernel, "CreateToolhelp32Snapshot"));
  t.moduleFirst = reinterpret_cast<ModuleWalkFn>(GetProcAddress(kernel, "Module32First"));
  t.moduleNext = reinterpret_cast<ModuleWalkFn>(GetProcAddress(kernel, "Module32Next"));
  t.processFirst = reinterpret_cast<ProcessWalkFn>(GetProcAddress(kernel, "Process32First"));
  t.processNext = reinterpret_cast<ProcessWalkFn>(GetProcAddress(kernel, "Process32Next"));
  t.threadFirst = reinterpret_cast<ThreadWalkFn>(GetProcAddress(kernel, "Thread32First"));
  t.threadNext = reinterpret_cast<ThreadWalkFn>(GetProcAddress(kernel, "Thread32Next"));
  if (!t.snapshot || !t.moduleFirst || !t.moduleNext || !t.processFirst || !t.processNext ||
      !t.threadFirst || !t.threadNext)
    return 0;
  t.loaded = true;
  g_toolhelp = t;
  return 1;
}

int FindToolhelpModule(DWORD processId, DWORD moduleId, void* entry, DWORD size) {
  if (!LoadToolhelpFunctions()) return 0;
  HANDLE snap = g_toolhelp.snapshot(TH32CS_SNAPMODULE, processId);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  MODULEENTRY32 module{};
  module.dwSize = sizeof module;
  int found = 0;
  for (BOOL more = g_toolhelp.moduleFirst(snap, &module); more;
       more = g_toolhelp.moduleNext(snap, &module)) {
    if (moduleId == 0 || module.th32ModuleID == moduleId) {
      std::memcpy(entry, &module, size < sizeof module ? size : sizeof module);
      found = 1;
      break;
    }
  }
  CloseHandle(snap);
  return found;
}

int FindNtProcessName(DWORD processId, char* name) {
  std::vector<std::uint8_t> data = QueryPerformanceData("230", 12000);
  if (data.empty()) return 0;
  return FindProcessInstanceName(data.data(), data.size(), processId, name, MAX_PATH) ? 1 : 0;
}

int GetProcessModuleName(DWORD processId, char* name) {
  name[0] = 0;
  if (!IsWindowsNT()) return ToolhelpProcessName(processId, name);
  if (FindNtProcessName(processId, name)) return 1;
  // Systems whose performance data has no Process object (Wine among them): the same name, the
  // executable's file name without its extension, from Toolhelp32.
  if (!LoadToolhelpFunctions()) return 0;
  HANDLE snap = g_toolhelp.snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 process{};
  process.dwSize = sizeof process;
  int found = 0;
  for (BOOL more = g_toolhelp.processFirst(snap, &process); more;
       more = g_toolhelp.processNext(snap, &process)) {
    if (process.th32ProcessID != processId) continue;
    const char* file = process.szExeFile;
    for (const char* p = file; *p; ++p)
      if (*p == '\\' || *p == '/') file = p + 1;
    lstrcpynA(name, file, MAX_PATH);
    if (char* dot = strrchr(name, '.')) *dot = 0;
    found = name[0] != 0;
    break;
  }
  CloseHandle(snap);
  return found;
}

int ParseNeModuleName(const std::uint8_t* data, std::size_t size, char* name, int capacity) {
  if (capacity < 1 || size < 64 || data[0] != 'M' || data[1] != 'Z') return 0;
  std::uint32_t ne = le::GetU32(data + 60);
  if (ne > size || size - ne < 40 || data[ne] != 'N' || data[ne + 1] != 'E') return 0;
  std::size_t table = ne + std::size_t(data[ne + 38] | data[ne + 39] << 8);
  if (table >= size) return 0;
  std::size_t length = data[table];
  if (length == 0 || length > size - table - 1) return 0;
  if (length > std::size_t(capacity - 1)) length = std::size_t(capacity - 1);
  std::memcpy(name, data + table + 1, length);
  name[length] = 0;
  return 1;
}

int ReadNeModuleName(const char* path, char* name, int capacity) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int result = 0;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 30)) {
    if (HANDLE map = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
      if (void* view = MapViewOfFile(map, FILE_MAP_READ, 0, 0, 0)) {
        result = ParseNeModuleName(static_cast<const std::uint8_t*>(view), std::size_t(size.QuadPart),
                                   name, capacity);
        UnmapViewOfFile(view);
      }
      CloseHandle(map);
    }
  }
  CloseHandle(file);
  return result;
}

}  // namespace jqbar
