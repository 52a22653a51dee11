// Drive geometry and free space, cluster sizes, and the number and size formats.
#include "disk_query.h"

#include <cmath>
#include <cstdio>

#include "disk_space.h"
#include "drive_list.h"
#include "engine_prompts.h"
#include "item_ids.h"
#include "resource_engine.h"
#include "scan_engine.h"
#include "settings_store.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

bool DriveRoot(DriveNode* drive, char root[4]) {
  if (drive->driveLetter >= 1 && drive->driveLetter <= 26) {
    root[0] = static_cast<char>('A' + drive->driveLetter - 1);
  } else {
    char path[MAX_PATH];
    if (!GetNodePath(drive, path) || path[1] != ':') return false;
    root[0] = path[0];
  }
  root[1] = ':';
  root[2] = '\\';
  root[3] = 0;
  return true;
}

struct ErrorModeScope {
  ErrorModeScope() : old(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~ErrorModeScope() { SetErrorMode(old); }
  UINT old;
};

#if !defined(_WIN64)
// Windows 95 OSR2 and later: the DOS extended free-space call through vwin32.
bool QueryOsr2(const char* root, DriveNode* drive) {
  HANDLE device = CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  BYTE buffer[44] = {};
  buffer[0] = 44;
  struct {
    DWORD ebx, edx, ecx, eax, edi, esi, flags;
  } regs = {0, static_cast<DWORD>(reinterpret_cast<uintptr_t>(root)), 44, 0x7303,
            static_cast<DWORD>(reinterpret_cast<uintptr_t>(buffer)), 0, 1};
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(device, 6, &regs, sizeof regs, &regs, sizeof regs, &returned, nullptr);
  CloseHandle(device);
  if (!ok || (regs.flags & 1)) return false;
  auto u32 = [&](int at) { DWORD v; memcpy(&v, buffer + at, 4); return v; };
  drive->sectorsPerCluster = u32(4);
  drive->bytesPerSector = u32(8);
  drive->freeClusters = u32(12);
  drive->totalClusters = u32(16);
  double unit = static_cast<double>(drive->sectorsPerCluster) * drive->bytesPerSector;
  drive->totalBytes = drive->totalClusters * unit;
  drive->freeBytes = drive->freeClusters * unit;
  return true;
}
#endif

bool QueryPlain(const char* root, DriveNode* drive) {
  DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
  if (!GetDiskFreeSpaceA(root, &spc, &bps, &freeClusters, &total)) return false;
  drive->sectorsPerCluster = spc;
  drive->bytesPerSector = bps;
  drive->freeClusters = freeClusters;
  drive->totalClusters = total;
  double unit = static_cast<double>(spc) * bps;
  drive->totalBytes = total * unit;
  drive->freeBytes = freeClusters * unit;
  return true;
}

std::string LoadText(UINT id, const char* fallback) {
  char buffer[256];
  if (LoadStringA(Instance(), id, buffer, sizeof buffer) > 0) return buffer;
  return fallback;
}

}  // namespace

int GetFileSystemType(DriveNode* drive) {
  if (!IsDriveNode(drive)) return kFsUnknown;
  char root[4];
  if (!DriveRoot(drive, root)) return kFsUnknown;
  ErrorModeScope quiet;
  char fs[32] = {};
  if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fs, sizeof fs))
    return kFsUnknown;
  if (lstrcmpiA(fs, "FAT") == 0) return kFsFat;
  if (lstrcmpiA(fs, "FAT32") == 0) return kFsFat32;
  if (lstrcmpiA(fs, "NTFS") == 0) return kFsNtfs;
  return kFsUnknown;
}

int GetDiskSpaceData(DriveNode* drive) {
  if (!IsDriveNode(drive)) return 0;
  drive->flags &= static_cast<uint8_t>(~kNodeDiskDataValid);
  char root[4];
  if (!DriveRoot(drive, root)) return 0;
  ErrorModeScope quiet;
  drive->driveType = GetDriveTypeA(root);
  bool ok = false;
  if (g_isNT) {
    GetDiskFreeSpaceExFn ex = FindGetDiskFreeSpaceEx();
    ULARGE_INTEGER available{}, total{}, freeTotal{};
    if (ex && ex(root, &available, &total, &freeTotal)) {
      DWORD spc = 0, bps = 0, fc = 0, tc = 0;
      if (GetDiskFreeSpaceA(root, &spc, &bps, &fc, &tc)) {
        drive->sectorsPerCluster = spc;
        drive->bytesPerSector = bps;
        drive->freeClusters = fc;
        drive->totalClusters = tc;
        drive->totalBytes = static_cast<double>(total.QuadPart);
        drive->freeBytes = static_cast<double>(available.QuadPart);
        ok = true;
      }
    } else if (!ex) {
      ok = QueryPlain(root, drive);  // no extended call: the plain way
    }
  } else {
#if !defined(_WIN64)
    if (g_isOSR2) {
      ok = QueryOsr2(root, drive);
      if (!ok && GetFileSystemType(drive) == kFsFat32) return 0;
    }
#endif
    if (!ok) ok = QueryPlain(root, drive);
  }
  if (!ok) return 0;
  drive->flags |= kNodeDiskDataValid;
  return 1;
}

int GetDiskSpaceDefault(DriveNode* drive) {
  if (GetDiskSpaceData(drive)) return 1;
  if (!IsDriveNode(drive)) return 0;
  char root[4];
  if (!DriveRoot(drive, root)) return 0;
  ErrorModeScope quiet;
  if (!QueryPlain(root, drive)) return 0;
  drive->flags |= kNodeDiskDataValid;
  return 1;
}

uint32_t DefaultClusterSize(DriveNode* drive) {
  uint32_t c = drive ? drive->clusterSize.load() : 0u;
  switch (GetFileSystemType(drive)) {
    case kFsFat: return c ? c : 16384;
    case kFsFat32: return c >= 1 && c <= 4095 ? c : 4096;
    case kFsNtfs: return c >= 1 && c <= 8191 ? c : 2048;
    default: return 512;
  }
}

namespace {

uint32_t AskClusterSizeOnce(DriveNode* drive) {
  uint32_t proposal = DefaultClusterSize(drive);
  uint32_t measured = drive->bytesPerSector * drive->sectorsPerCluster;
  uint32_t value = proposal;
  const bool guiThread = GetCurrentThreadId() == g_uiThreadId;
  if (guiThread) {
    uint32_t answer = 0;
    if (AskNetClusterSize(g_mainWindow, drive, proposal, measured, &answer))
      value = answer;  // declining keeps the proposal
  }
  if (value < 512) value = 512;
  // Only the user's answer is kept for the next runs; a worker's proposal is not.
  if (drive->driveLetter >= 1 && drive->driveLetter <= 26 && guiThread)
    g_netClusterSizes[drive->driveLetter - 1].store(value);
  return value;
}

}  // namespace

uint32_t GetClusterSize(FolderNode* node) {
  if (!IsFolderNode(node) || !IsDriveNode(node->drive)) return 0;
  DriveNode* drive = node->drive;
  int slot = drive->driveLetter >= 1 && drive->driveLetter <= 26 ? drive->driveLetter - 1 : -1;
  const bool network = drive->driveType == DRIVE_REMOTE;
  const uint32_t stored = slot >= 0 ? g_netClusterSizes[slot].load() : 0;
  if (network && stored) {
    drive->clusterSize.store(stored);
    return stored;
  }
  if (uint32_t known = drive->clusterSize.load()) return known;
  uint32_t value = 0;
  if (GetDiskSpaceData(drive)) {
    value = drive->bytesPerSector * drive->sectorsPerCluster;
    if (drive->driveType == DRIVE_REMOTE) value = AskClusterSizeOnce(drive);
  } else if (stored) {
    value = stored;
  } else {
    value = AskClusterSizeOnce(drive);
  }
  // Two threads may find the size at once: the first one kept wins, so that every scan of the
  // drive rounds by the same value.
  uint32_t expected = 0;
  if (!drive->clusterSize.compare_exchange_strong(expected, value)) return expected;
  return value;
}

int SetDriveClusterSize(DriveNode* drive, uint32_t value) {
  if (!IsDriveNode(drive)) return 0;
  if (value < 512) value = 512;
  drive->clusterSize.store(value);
  if (drive->driveLetter >= 1 && drive->driveLetter <= 26)
    g_netClusterSizes[drive->driveLetter - 1].store(value);
  // A new scan of the drive rounds every file again.
  if (!drive->busyScan.load()) StartScanThread(ScanDriveThread, drive);
  return 1;
}

// ---- Formats

std::string FormatThousandsWith(uint64_t value, const char* separator) {
  char digits[32];
  _snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
  digits[sizeof digits - 1] = 0;
  std::string out;
  size_t n = strlen(digits);
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string FormatThousands64(uint64_t value) {
  char separator[4] = ",";
  GetProfileStringA("Intl", "sThousand", ",", separator, sizeof separator);
  return FormatThousandsWith(value, separator);
}

char* FormatThousands64(uint64_t value, char* out) {
  lstrcpynA(out, FormatThousands64(value).c_str(), 32);
  return out;
}

std::string FormatSizeWith(double value, char decimal, const char* const units[4]) {
  bool negative = value < 0;
  if (negative) value = -value;
  char text[64];
  if (value < 1000) {
    _snprintf(text, sizeof text, "%ld%s", static_cast<long>(value), units[0]);
  } else {
    double shown = value / 1024;
    int unit = 1;
    while (shown >= 1000 && unit < 3) {
      shown /= 1024;
      ++unit;
    }
    const char* format = shown >= 100 ? "%.0f%s" : shown >= 10 ? "%.1f%s" : "%.2f%s";
    _snprintf(text, sizeof text, format, shown, units[unit]);
  }
  text[sizeof text - 1] = 0;
  std::string out = negative ? std::string("-") + text : std::string(text);
  for (char& c : out)
    if (c == '.') c = decimal;
  return out;
}

std::string FormatSizeWithUnits(double value) {
  static thread_local std::string units[4];
  static thread_local bool loaded = false;
  if (!loaded) {
    units[0] = LoadText(IDS_VOLT_UNIT_BYTES, " B");
    units[1] = LoadText(IDS_VOLT_UNIT_KB, " KB");
    units[2] = LoadText(IDS_VOLT_UNIT_MB, " MB");
    units[3] = LoadText(IDS_VOLT_UNIT_GB, " GB");
    loaded = true;
  }
  const char* texts[4] = {units[0].c_str(), units[1].c_str(), units[2].c_str(), units[3].c_str()};
  char decimal[4] = ".";
  GetProfileStringA("Intl", "sDecimal", ".", decimal, sizeof decimal);
  return FormatSizeWith(value, decimal[0] ? decimal[0] : '.', texts);
}

char* FormatSizeWithUnits(double value, char* out) {
  lstrcpynA(out, FormatSizeWithUnits(value).c_str(), 32);
  return out;
}

void SplitSizeUnit(double bytes, uint64_t* value, int* unit) {
  int count = 0;
  if (bytes < 0) bytes = 0;
  while (bytes >= 1024 && count < 3) {
    bytes /= 1024;
    ++count;
  }
  *value = static_cast<uint64_t>(std::ceil(bytes));
  *unit = count;
}

int ColumnWidthChars(uint32_t flags) {
  int chars = 4;
  if (flags & 0x400)
    chars = (g_settings.sizeUnits == 0 || (flags & 0x80)) ? 11 : 8;
  else if (flags & 0x1000)
    chars = 10;
  if (flags & 0x04) chars += 4;
  return chars;
}

int ComputeColumnWidth(HWND window, uint32_t flags, const char* title, int* textWidth,
                       int* neededWidth, int* width) {
  std::string zeros(static_cast<size_t>(ColumnWidthChars(flags)), '0');
  SIZE extent = MeasureText(window, zeros.c_str());
  if (extent.cx <= 0) return 0;
  if (textWidth) *textWidth = extent.cx;
  if (neededWidth) *neededWidth = extent.cx + ((flags & 0x08) ? 100 : 0);
  if (width && *width == 0 && title) {
    SIZE t = MeasureText(window, title);
    if (t.cx > 0) *width = t.cx;
  }
  return 1;
}

const char* LastPathComponent(const char* path) {
  if (!path) return "";
  const char* slash = strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

SIZE MeasureText(HWND window, const char* text) {
  SIZE size{0, 0};
  if (!text) return size;
  HDC dc = GetDC(window);
  if (!dc) return size;
  HFONT font = window ? reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)) : nullptr;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  if (!GetTextExtentPoint32A(dc, text, lstrlenA(text), &size)) size = {0, 0};
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size;
}

RECT GetChildPlacement(HWND child) {
  RECT out{0, 0, 0, 0};
  HWND parent = GetParent(child);
  RECT mine, theirs, client;
  if (!GetWindowRect(child, &mine) || !parent || !GetWindowRect(parent, &theirs)) return out;
  GetClientRect(child, &client);
  out.left = mine.left - theirs.left;
  out.top = mine.top - theirs.top;
  out.right = client.right;
  out.bottom = client.bottom;
  return out;
}
