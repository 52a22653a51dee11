// Drive geometry and free space, cluster sizes, the Disk Information and cluster-size dialogs,
// and the number and size formats.
#include "disk_query.h"

#include <cmath>
#include <cstdio>

#include "drive_list.h"
#include "item_ids.h"
#include "resource_engine.h"
#include "scan_engine.h"
#include "seams.h"
#include "settings_store.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);
GetDiskFreeSpaceExFn FindGetDiskFreeSpaceEx() {
  static GetDiskFreeSpaceExFn fn = reinterpret_cast<GetDiskFreeSpaceExFn>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA"));
  return fn;
}

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
  uint32_t c = drive ? drive->clusterSize : 0;
  switch (GetFileSystemType(drive)) {
    case kFsFat: return c ? c : 16384;
    case kFsFat32: return c >= 1 && c <= 4095 ? c : 4096;
    case kFsNtfs: return c >= 1 && c <= 8191 ? c : 2048;
    default: return 512;
  }
}

namespace {

uint32_t RunClusterDialog(HWND owner, UINT dialogId, DriveNode* drive, uint32_t proposal,
                          uint32_t measured, bool* cancelled) {
  ClusterDialogData data{drive, proposal, measured};
  INT_PTR r = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(dialogId), owner, ClusterSizeDlgProc,
                              reinterpret_cast<LPARAM>(&data));
  *cancelled = r <= 0;
  return r > 0 ? static_cast<uint32_t>(r) : 0;
}

uint32_t AskNetClusterSize(DriveNode* drive) {
  uint32_t proposal = DefaultClusterSize(drive);
  uint32_t measured = drive->bytesPerSector * drive->sectorsPerCluster;
  uint32_t value = proposal;
  if (GetCurrentThreadId() == g_uiThreadId) {
    bool cancelled = false;
    uint32_t answer = RunClusterDialog(g_mainWindow, IDD_VOLT_ASK_CLUSTER, drive, proposal,
                                       measured, &cancelled);
    if (!cancelled) value = answer;  // Cancel keeps the proposal
  }
  if (value < 512) value = 512;
  if (drive->driveLetter >= 1 && drive->driveLetter <= 26 &&
      GetCurrentThreadId() == g_uiThreadId)
    g_netClusterSizes[drive->driveLetter - 1] = value;
  return value;
}

}  // namespace

uint32_t GetClusterSize(FolderNode* node) {
  if (!IsFolderNode(node) || !IsDriveNode(node->drive)) return 0;
  DriveNode* drive = node->drive;
  int slot = drive->driveLetter >= 1 && drive->driveLetter <= 26 ? drive->driveLetter - 1 : -1;
  bool network = drive->driveType == DRIVE_REMOTE;
  if (network && slot >= 0 && g_netClusterSizes[slot]) drive->clusterSize = g_netClusterSizes[slot];
  if (drive->clusterSize) return drive->clusterSize;
  if (GetDiskSpaceData(drive)) {
    drive->clusterSize = drive->bytesPerSector * drive->sectorsPerCluster;
    if (drive->driveType == DRIVE_REMOTE) drive->clusterSize = AskNetClusterSize(drive);
  } else if (slot >= 0 && g_netClusterSizes[slot]) {
    drive->clusterSize = g_netClusterSizes[slot];
  } else {
    drive->clusterSize = AskNetClusterSize(drive);
  }
  return drive->clusterSize;
}

int ChangeClusterSize(HWND owner, DriveNode* drive) {
  if (!IsDriveNode(drive)) return 0;
  uint32_t proposal = drive->clusterSize ? drive->clusterSize : DefaultClusterSize(drive);
  bool cancelled = false;
  uint32_t value = RunClusterDialog(owner, IDD_VOLT_CHANGE_CLUSTER, drive, proposal,
                                    drive->bytesPerSector * drive->sectorsPerCluster, &cancelled);
  if (cancelled) return 0;
  if (value < 512) value = 512;
  drive->clusterSize = value;
  if (drive->driveLetter >= 1 && drive->driveLetter <= 26)
    g_netClusterSizes[drive->driveLetter - 1] = value;
  // A new scan of the drive rounds every file again.
  if (!drive->busyScan.load()) StartScanThread(ScanDriveThread, drive);
  return 1;
}

INT_PTR CALLBACK ClusterSizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<ClusterDialogData*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      std::string name = GetNodeName(data->drive);
      char caption[MAX_PATH];
      if (IShellFolder* parent = NodeParentFolder(data->drive);
          parent && GetDisplayNameText(parent, NodeRelativeIdList(data->drive), SHGDN_NORMAL, caption))
        name = caption;
      SetWindowTextA(dialog, name.c_str());
      SendDlgItemMessageA(dialog, IDC_CLUSTER_SPIN, UDM_SETRANGE, 0, MAKELPARAM(100, 0));
      FillUnitCombo(dialog, IDC_CLUSTER_UNIT);
      SetSizeWithUnit(dialog, IDC_CLUSTER_EDIT, IDC_CLUSTER_UNIT, data->proposal);
      char templ[256] = {};
      GetDlgItemTextA(dialog, IDC_CLUSTER_TEMPLATE, templ, sizeof templ);
      std::string text = templ;
      size_t at = text.find("%s");
      if (at != std::string::npos) {
        text.replace(at, 2, FormatSizeWithUnits(data->measured));
        SetDlgItemTextA(dialog, IDC_CLUSTER_TEMPLATE, text.c_str());
      }
      CenterOnOwner(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          double v = GetSizeWithUnit(dialog, IDC_CLUSTER_EDIT, IDC_CLUSTER_UNIT);
          if (v > 4294967295.0) v = 4294967295.0;  // the stored field is 32 bits
          if (v < 1) v = 1;
          EndDialog(dialog, static_cast<INT_PTR>(static_cast<uint32_t>(v)));
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case 9:
          seams::WinHelpA(dialog, "Voltaly.hlp", HELP_CONTEXT, 90);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

namespace {
std::string GroupedWithUnits(double value) {
  return FormatThousands64(static_cast<uint64_t>(value < 0 ? 0 : value)) + " (" +
         FormatSizeWithUnits(value) + ")";
}
}  // namespace

INT_PTR CALLBACK DiskInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* drive = reinterpret_cast<DriveNode*>(lParam);
      char name[MAX_PATH];
      if (IShellFolder* parent = NodeParentFolder(drive);
          parent && GetDisplayNameText(parent, NodeRelativeIdList(drive), SHGDN_NORMAL, name))
        SetDlgItemTextA(dialog, IDC_DISK_NAME, name);
      else
        SetDlgItemTextA(dialog, IDC_DISK_NAME, GetNodeName(drive).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_TOTAL, GroupedWithUnits(drive->totalBytes).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_BYTES_PER_SECTOR,
                      FormatThousands64(drive->bytesPerSector).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_SECTORS_PER_CLUSTER,
                      FormatThousands64(drive->sectorsPerCluster).c_str());
      double cluster = static_cast<double>(drive->bytesPerSector) * drive->sectorsPerCluster;
      std::string clusterText = GroupedWithUnits(cluster);
      int slot = drive->driveLetter - 1;
      if (slot >= 0 && slot < 26 && g_netClusterSizes[slot])
        clusterText += " / " + GroupedWithUnits(g_netClusterSizes[slot]);
      SetDlgItemTextA(dialog, IDC_DISK_CLUSTER_SIZE, clusterText.c_str());
      SetDlgItemTextA(dialog, IDC_DISK_TOTAL_CLUSTERS, FormatThousands64(drive->totalClusters).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_FREE, GroupedWithUnits(drive->freeBytes).c_str());
      SetDlgItemTextA(dialog, IDC_DISK_USED,
                      GroupedWithUnits(drive->totalBytes - drive->freeBytes).c_str());
      UINT typeId = IDS_VOLT_DRIVE_OTHER;
      switch (drive->driveType) {
        case DRIVE_REMOVABLE: typeId = IDS_VOLT_DRIVE_REMOVABLE; break;
        case DRIVE_FIXED: typeId = IDS_VOLT_DRIVE_FIXED; break;
        case DRIVE_REMOTE: typeId = IDS_VOLT_DRIVE_NETWORK; break;
        case DRIVE_CDROM: typeId = IDS_VOLT_DRIVE_CDROM; break;
        case DRIVE_RAMDISK: typeId = IDS_VOLT_DRIVE_RAMDISK; break;
      }
      SetDlgItemTextA(dialog, IDC_DISK_TYPE, LoadText(typeId, "").c_str());
      CenterOnOwner(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

void ShowDiskInfo(HWND owner, FolderNode* node) {
  DriveNode* drive = IsFolderNode(node) ? AsDrive(node->drive) : nullptr;
  if (!drive || !GetDiskSpaceDefault(drive)) {
    seams::MessageBoxA(owner,
                       "Cannot get information for drive. If it is a removable media drive, "
                       "verify that a disk is present.",
                       "ERROR : No information available.", MB_OK | MB_ICONERROR);
    return;
  }
  DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_VOLT_DISK_INFO), owner, DiskInfoDlgProc,
                  reinterpret_cast<LPARAM>(drive));
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

void FillUnitCombo(HWND dialog, int comboId) {
  static const UINT ids[4] = {IDS_VOLT_UNIT_BYTES, IDS_VOLT_UNIT_KB, IDS_VOLT_UNIT_MB,
                              IDS_VOLT_UNIT_GB};
  static const char* fallback[4] = {"bytes", "KB", "MB", "GB"};
  SendDlgItemMessageA(dialog, comboId, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < 4; ++i) {
    std::string text = LoadText(ids[i], fallback[i]);
    size_t first = text.find_first_not_of(' ');
    text = first == std::string::npos ? text : text.substr(first);
    SendDlgItemMessageA(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void SetSizeWithUnit(HWND dialog, int editId, int comboId, double bytes) {
  uint64_t value = 0;
  int unit = 0;
  SplitSizeUnit(bytes, &value, &unit);
  char text[32];
  _snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
  text[sizeof text - 1] = 0;
  SetDlgItemTextA(dialog, editId, text);
  if (SendDlgItemMessageA(dialog, comboId, CB_GETCOUNT, 0, 0) == 0) FillUnitCombo(dialog, comboId);
  SendDlgItemMessageA(dialog, comboId, CB_SETCURSEL, unit, 0);
}

double GetSizeWithUnit(HWND dialog, int editId, int comboId) {
  LRESULT unit = SendDlgItemMessageA(dialog, comboId, CB_GETCURSEL, 0, 0);
  if (unit == CB_ERR) return 0;
  char text[32] = {};
  GetDlgItemTextA(dialog, editId, text, sizeof text);
  double value = static_cast<double>(strtoull(text, nullptr, 10));
  for (LRESULT i = 0; i < unit && i < 3; ++i) value *= 1024;
  return value;
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
