#include "startup_options.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "pidl.h"
#include "command_ids.h"

bool IsWellFormedItemIdList(const BYTE* data, size_t size) {
  size_t at = 0;
  for (;;) {
    if (at > size || size - at < 2) return false;
    const UINT cb = data[at] | (data[at + 1] << 8);
    if (cb == 0) return true;
    if (cb < 2 || cb > size - at) return false;
    at += cb;
  }
}

LPITEMIDLIST ReadSharedItemIdList(DWORD mappingHandle, DWORD processId) {
  HANDLE sender = OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId);
  if (!sender) return nullptr;
  HANDLE mapping = nullptr;
  const BOOL duplicated =
      DuplicateHandle(sender, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(mappingHandle)),
                      GetCurrentProcess(), &mapping, 0, FALSE,
                      DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
  CloseHandle(sender);
  if (!duplicated || !mapping) return nullptr;
  LPITEMIDLIST result = nullptr;
  if (const BYTE* view = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))) {
    MEMORY_BASIC_INFORMATION info{};
    size_t viewSize = 0;
    if (VirtualQuery(view, &info, sizeof info) == sizeof info) viewSize = info.RegionSize;
    if (viewSize >= 4) {
      const DWORD count = view[0] | (view[1] << 8) | (view[2] << 16) | (static_cast<DWORD>(view[3]) << 24);
      if (count >= 2 && count <= viewSize - 4 && IsWellFormedItemIdList(view + 4, count)) {
        if (void* copy = AllocShellMemory(count)) {
          memcpy(copy, view + 4, count);
          result = static_cast<LPITEMIDLIST>(copy);
        }
      }
    }
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
  return result;
}

namespace {

int PairSwitch(const std::string& upper, const char* name) {
  std::string plus = std::string(name) + "+";
  std::string minus = std::string(name) + "-";
  if (upper.find(plus) != std::string::npos) return 1;
  if (upper.find(minus) != std::string::npos) return 0;
  return -1;
}

// Reads a decimal number of at most 10 digits; false when there is none or it overflows 32 bits.
bool ReadDecimal(const std::string& s, size_t& at, DWORD& value) {
  size_t start = at;
  unsigned long long v = 0;
  while (at < s.size() && s[at] >= '0' && s[at] <= '9' && at - start < 11) {
    v = v * 10 + static_cast<unsigned>(s[at] - '0');
    ++at;
  }
  if (at == start || v > 0xFFFFFFFFull) return false;
  value = static_cast<DWORD>(v);
  return true;
}

// "/IDLIST,:handle:pid": the list the shell (or another instance) shares with us. The form that
// carries a bare address of another process's memory is not followed.
LPITEMIDLIST ParseItemIdListSwitch(const std::string& upper) {
  size_t at = upper.find("/IDLIST,");
  if (at == std::string::npos) return nullptr;
  at += 8;
  if (at >= upper.size() || upper[at] != ':') return nullptr;
  ++at;
  DWORD handle = 0, pid = 0;
  if (!ReadDecimal(upper, at, handle)) return nullptr;
  if (at >= upper.size() || upper[at] != ':') return nullptr;
  ++at;
  if (!ReadDecimal(upper, at, pid)) return nullptr;
  return ReadSharedItemIdList(handle, pid);
}

void StartFolderOfList(LPCITEMIDLIST list, char* out) {
  out[0] = '\0';
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return;
  if (!GetDisplayNameText(desktop, list, SHGDN_FORPARSING, out, MAX_PATH)) {
    char name[MAX_PATH];
    if (GetDisplayNameText(desktop, list, SHGDN_NORMAL, name, MAX_PATH)) {
      lstrcpyA(out, "\\\\");
      lstrcpynA(out + 2, name, MAX_PATH - 2);
    } else {
      out[0] = '\0';
    }
  }
  desktop->Release();
}

}  // namespace

void ParseCommandLine(const char* commandLine, StartupOptions* options) {
  const std::string line = commandLine ? commandLine : "";
  std::string upper = line;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');

  options->startFolder[0] = '\0';
  options->itemIdList = nullptr;
  options->openedByShell = false;
  options->myComputer = false;

  if (LPITEMIDLIST list = ParseItemIdListSwitch(upper)) {
    StartFolderOfList(list, options->startFolder);
    options->itemIdList = list;
    options->openedByShell = true;
  }

  options->explorerMode = PairSwitch(upper, "/E");
  options->driveBar = PairSwitch(upper, "/DBAR");
  options->twoPanes = PairSwitch(upper, "/2PANES");
  options->toolbar = PairSwitch(upper, "/TBAR");
  options->launchBar = PairSwitch(upper, "/LBAR");
  options->statusBar = PairSwitch(upper, "/SBAR");
  options->commandLineBar = PairSwitch(upper, "/CMD");
  options->viewerPane = PairSwitch(upper, "/V");

  static const struct { const char* text; int value; } views[] = {
      {"/ILARGE", ID_VIEW_LARGE_ICONS}, {"/ISMALL", ID_VIEW_SMALL_ICONS}, {"/ILIST", ID_VIEW_LIST}, {"/IDETAILS", ID_VIEW_DETAILS}};
  options->view = -1;
  for (const auto& v : views)
    if (upper.find(v.text) != std::string::npos) {
      options->view = v.value;
      break;
    }
  static const char* const sorts[] = {"/SNAME", "/SEXT", "/SSIZE", "/STYPE", "/SDATE"};
  options->sortKey = -1;
  for (int i = 0; i < 5; ++i)
    if (upper.find(sorts[i]) != std::string::npos) {
      options->sortKey = i;
      break;
    }

  if (upper.find("/MC") != std::string::npos) {
    lstrcpyA(options->startFolder, "My Computer");
    options->myComputer = true;
    return;
  }
  if (options->itemIdList) return;

  // The folder named on the line: up to the first '/', blanks around it removed, quotes kept.
  size_t start = line.find_first_not_of(' ');
  if (start == std::string::npos) return;
  size_t end = line.find('/', start);
  if (end == std::string::npos) end = line.size();
  while (end > start && line[end - 1] == ' ') --end;
  const size_t length = (std::min)(end - start, static_cast<size_t>(MAX_PATH - 1));
  memcpy(options->startFolder, line.data() + start, length);
  options->startFolder[length] = '\0';
}
