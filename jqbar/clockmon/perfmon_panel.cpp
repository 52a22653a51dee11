#include "perfmon_panel.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "clockmon_drawing.h"
#include "disk_space.h"
#include "panel_messages.h"
#include "panel_tree.h"
#include "panel_utils.h"
#include "perf_data.h"
#include "resource_clockmon.h"
#include "seams.h"

namespace jqbar {
namespace {

constexpr const char* kPerfMonClass = "PerfMonPanel";
constexpr int kHelpTopic = 80;
constexpr int kSoundTypes[6] = {-1, 64, 48, 16, 32, 0};

struct PerfMonInstance {
  PerfMonSettings s;
  HWND window = nullptr;
  int threadMax = 1;
  bool barPainted = false;
  std::vector<int> history;
  bool armed = false;
  bool keyMode = false;
};

PanelType g_type{};
bool g_classRegistered = false;
HFONT g_font = nullptr;
bool g_fontCreated = false;
int g_lineHeight = 13;
int g_labelWidth = 20;
char g_labels[7][10] = {"cpu", "thr", "mem", "sys", "usr", "gdi", "X: "};
char g_kb[16] = "KB", g_mb[16] = "MB", g_gb[16] = "GB";
HMODULE g_resmon = nullptr;
GetFreeResourcesFn g_getFree = nullptr;
bool g_windows9x = false;
// The CPU sample shared by monitors that sample within the same second.
int g_cpuValue = 0;
int g_cpuStamp = -1;
HWND g_cpuPanel = nullptr;
int g_lastValue[7] = {0, 1, 1, 1, 1, 1, 0};
struct DriveFree { long long kb = 0; int percent = 0; };
DriveFree g_drives[26];
std::uint32_t g_prevIdle = 0, g_prevTime = 0;
bool g_havePrevious = false;
bool g_systemTimesFallback = false;
ULONGLONG g_prevSysIdle = 0, g_prevSysTotal = 0;
std::vector<std::uint8_t> g_lastBlob;
HWND g_sheetMonitor = nullptr;
HWND g_sheet = nullptr, g_pageStatistic = nullptr, g_pageAlarm = nullptr;
bool g_alarmBoxShowing = false;
PerfMonInstance* g_pending = nullptr;

PerfMonInstance* Instance(HWND w) { return reinterpret_cast<PerfMonInstance*>(GetWindowLongPtrA(w, 0)); }

bool AlarmApplies(const PerfMonSettings& s) {
  if (!s.alarmOn) return false;
  if (s.statistic == kStatDrive) return true;
  if (s.statistic == kStatMemory) return true;  // offered by the sheet on every system
  return g_windows9x && s.statistic >= kStatSystem && s.statistic <= kStatGdi;
}

bool AlarmTabWanted(int statistic) {
  return statistic == kStatMemory || statistic == kStatDrive ||
         (g_windows9x && statistic >= kStatSystem && statistic <= kStatGdi);
}

int NowStamp() {
  SYSTEMTIME t;
  seams::GetSystemTime(&t);
  return t.wSecond * 1000 + t.wMilliseconds;
}

bool ReadDynStat(const char* value, DWORD* out) {
  HKEY perf = nullptr, data = nullptr;
  if (RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats", 0, KEY_READ, &perf) != ERROR_SUCCESS) return false;
  bool ok = false;
  if (RegOpenKeyExA(perf, "StatData", 0, KEY_READ, &data) == ERROR_SUCCESS) {
    DWORD size = 4, type = 0;
    ok = RegQueryValueExA(data, value, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) == ERROR_SUCCESS &&
         size == 4;
    RegCloseKey(data);
  }
  RegCloseKey(perf);
  return ok;
}

void StartDynStats() {
  HKEY perf = nullptr, start = nullptr;
  if (RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats", 0, KEY_READ, &perf) != ERROR_SUCCESS) return;
  if (RegOpenKeyExA(perf, "StartStat", 0, KEY_READ, &start) == ERROR_SUCCESS) {
    for (const char* v : {"KERNEL\\CPUUsage", "KERNEL\\Threads", "VFAT\\BReadsSec", "VFAT\\BWritesSec"}) {
      DWORD value = 0, size = 4;
      RegQueryValueExA(start, v, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    }
    RegCloseKey(start);
  }
  RegCloseKey(perf);
}

// Returns false when nothing is to be appended.
bool SampleCpu(HWND panel, int* value) {
  int stamp = NowStamp();
  int old = g_cpuStamp;
  if (old >= 0 && stamp < old) old -= 60000;
  if (old >= 0 && stamp - old < 1000 && g_cpuPanel != panel) {
    *value = g_cpuValue;
    return true;
  }
  if (g_windows9x) {
    DWORD v = 0;
    if (!ReadDynStat("KERNEL\\CPUUsage", &v)) return false;
    *value = int(v);
  } else {
    *value = QueryNtCpuUsage();
  }
  g_cpuValue = *value;
  g_cpuStamp = stamp;
  g_cpuPanel = panel;
  return true;
}

bool Sample(PerfMonInstance& m, int* value) {
  switch (m.s.statistic) {
    case kStatCpu:
      return SampleCpu(m.window, value);
    case kStatThreads:
      if (g_windows9x) {
        DWORD v = 0;
        if (!ReadDynStat("KERNEL\\Threads", &v)) return false;
        *value = int(v);
      } else {
        *value = QueryNtThreadCount();
      }
      return true;
    case kStatMemory:
      *value = QueryFreeMemoryPercent();
      return true;
    case kStatSystem:
    case kStatUser:
    case kStatGdi: {
      if (!g_windows9x) {
        if (m.s.statistic != kStatSystem) return false;
        *value = 0;
        return true;
      }
      GetFreeResourcesFn f = LoadFreeResourcesFunction();
      static const int kind[3] = {0, 2, 1};
      *value = f ? f(kind[m.s.statistic - kStatSystem]) : 0;
      return true;
    }
    default: {
      int percent = 0;
      long long kb = 0;
      QueryDriveFree(char(m.s.drive), &percent, &kb);
      int i = std::clamp(m.s.drive - 'a', 0, 25);
      g_drives[i].kb = kb;
      g_drives[i].percent = percent;
      *value = percent;
      return true;
    }
  }
}

void TakeSample(PerfMonInstance& m) {
  int value = 0;
  if (!Sample(m, &value)) return;
  if (m.s.statistic >= 1 && m.s.statistic <= 5) g_lastValue[m.s.statistic] = value;
  if (m.s.statistic == kStatThreads && value > m.threadMax) m.threadMax = value;
  m.history.push_back(value);
  if (m.history.size() > kPerfMonHistory) m.history.erase(m.history.begin());
}

int CurrentValue(const PerfMonInstance& m) { return m.history.empty() ? 0 : m.history.back(); }

const char* ShortLabel(const PerfMonInstance& m, char* buffer) {
  if (m.s.statistic == kStatDrive) {
    snprintf(buffer, 10, "%c: ", char(m.s.drive - 'a' + 'A'));
    return buffer;
  }
  return g_labels[m.s.statistic];
}

std::string ValueText(const PerfMonInstance& m, bool twoLines) {
  char text[40];
  int v = CurrentValue(m);
  if (m.s.statistic == kStatDrive) {
    return FormatFreeSpace(g_drives[std::clamp(m.s.drive - 'a', 0, 25)].kb, g_kb, g_mb, g_gb, twoLines);
  }
  if (m.s.statistic == kStatThreads) snprintf(text, sizeof text, "%d", v);
  else snprintf(text, sizeof text, twoLines ? "%d\n%%" : "%d%%", m.s.statistic == kStatCpu ? std::min(v, 99) : v);
  return text;
}

void DrawTextCentred(HDC dc, const std::string& text, RECT r) {
  SetBkMode(dc, TRANSPARENT);
  RECT shadow = r;
  OffsetRect(&shadow, -1, -1);
  UINT flags = DT_CENTER | DT_NOPREFIX | (text.find('\n') == std::string::npos ? DT_VCENTER | DT_SINGLELINE : 0);
  if (!(flags & DT_SINGLELINE)) {
    RECT measure = r;
    DrawTextA(dc, text.c_str(), -1, &measure, flags | DT_CALCRECT);
    int h = measure.bottom - measure.top;
    r.top += (r.bottom - r.top - h) / 2;
    shadow.top = r.top - 1;
  }
  SetTextColor(dc, RGB(255, 255, 255));
  DrawTextA(dc, text.c_str(), -1, &shadow, flags);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextA(dc, text.c_str(), -1, &r, flags);
}

void Tick2(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// A filled bar with its drop shadow (unless the layout hides shadows) and a raised edge; the
// pen selected afterwards is `black`.
void DrawRaisedBar(HDC dc, const RECT& bar, HBRUSH brush, HBRUSH shadowBrush, HPEN highlight, HPEN black) {
  if (!Globals().noDropShadow) {
    RECT s = bar;
    OffsetRect(&s, 4, 4);
    FillRect(dc, &s, shadowBrush);
  }
  FillRect(dc, &bar, brush);
  SelectObject(dc, highlight);
  Tick2(dc, bar.left, bar.bottom - 1, bar.left, bar.top);
  LineTo(dc, bar.right - 1, bar.top);
  SelectObject(dc, black);
  Tick2(dc, bar.right - 1, bar.top, bar.right - 1, bar.bottom - 1);
  LineTo(dc, bar.left - 1, bar.bottom - 1);
}

void PaintBar(HDC dc, PerfMonInstance& m, bool background) {
  RECT rc;
  GetClientRect(m.window, &rc);
  const int W = rc.right, H = rc.bottom;
  if (m.s.statistic == kStatThreads && !m.barPainted) {
    m.threadMax = std::max(1, CurrentValue(m));
    m.barPainted = true;
  }
  int max = m.s.statistic == kStatThreads ? std::max(1, m.threadMax) : 100;
  int value = std::clamp(CurrentValue(m), 0, max);
  if (m.s.statistic == kStatCpu) value = std::min(value, 99);
  if (background) PaintParentBackground(m.window, &rc, dc, m.keyMode);
  HGDIOBJ oldFont = SelectObject(dc, g_font);
  char labelBuffer[10];
  const char* label = ShortLabel(m, labelBuffer);
  HBRUSH brush = CreateSolidBrush(PALETTEINDEX(m.s.colour));
  HBRUSH shadowBrush = GetSysColorBrush(COLOR_BTNSHADOW);
  HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN black = HPEN(GetStockObject(BLACK_PEN));
  HPEN red = CreatePen(PS_SOLID, 1, PALETTERGB(255, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, black);
  bool alarm = AlarmApplies(m.s);
  if (H < W) {
    SIZE sz{};
    GetTextExtentPoint32A(dc, label, lstrlenA(label), &sz);
    DrawShadowedText(dc, (g_labelWidth - sz.cx) / 2, (H - g_lineHeight) / 2 - 1, label);
    int left = g_labelWidth + 8, span = W - g_labelWidth - 12;
    RECT bar{left, 2, left + span * value / max, H - 6};
    RECT rest{bar.right, 0, W, H};
    if (!background) PaintParentBackground(m.window, &rest, dc, m.keyMode);
    if (bar.right > bar.left) DrawRaisedBar(dc, bar, brush, shadowBrush, highlight, black);
    if (alarm) {
      SelectObject(dc, red);
      int x = left + span * m.s.threshold / max;
      Tick2(dc, x, 3, x, H - 6);
      SelectObject(dc, black);
    }
    RECT area{left, 2, left + span, H - 6};
    DrawTextCentred(dc, ValueText(m, false), area);
    for (int q = 1; q <= 4; ++q) {
      int x = q < 4 ? left + span * q / 4 : W - 4;
      Tick2(dc, x, 0, x, 2);
      Tick2(dc, x, H - 2, x, H);
    }
  } else {
    SIZE sz{};
    GetTextExtentPoint32A(dc, label, lstrlenA(label), &sz);
    DrawShadowedText(dc, (W - sz.cx) / 2, H - g_lineHeight - 3, label);
    int base = H - g_lineHeight - 8;
    RECT bar{2, base - base * value / max, W - 6, base};
    RECT rest{0, 0, W, bar.top};
    if (!background) PaintParentBackground(m.window, &rest, dc, m.keyMode);
    if (bar.bottom > bar.top) DrawRaisedBar(dc, bar, brush, shadowBrush, highlight, black);
    if (alarm) {
      SelectObject(dc, red);
      int y = H - base * m.s.threshold / max - g_lineHeight - 7;
      Tick2(dc, 3, y, W - 6, y);
      SelectObject(dc, black);
    }
    RECT area{0, 2, W - 4, base};
    DrawTextCentred(dc, ValueText(m, true), area);
    for (int q = 1; q <= 3; ++q) {
      int y = base - base * q / 4;
      Tick2(dc, 0, y, 2, y);
      Tick2(dc, W - 2, y, W, y);
    }
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
  DeleteObject(brush);
  DeleteObject(highlight);
  DeleteObject(red);
}

void PaintGraph(HDC target, PerfMonInstance& m) {
  RECT rc;
  GetClientRect(m.window, &rc);
  const int W = rc.right, H = rc.bottom;
  if (W <= 0 || H <= 0) return;
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, W, H);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  PaintParentBackgroundOffscreen(m.window, &rc, 0, 0, dc, m.keyMode);
  HGDIOBJ oldFont = SelectObject(dc, g_font);
  char labelBuffer[10], caption[64];
  int v = CurrentValue(m);
  char value[32];
  if (m.s.statistic == kStatThreads) snprintf(value, sizeof value, "%d", v);
  else if (m.s.statistic == kStatDrive) lstrcpynA(value, ValueText(m, false).c_str(), sizeof value);
  else snprintf(value, sizeof value, "%d%%", v >= 100 ? 99 : v);
  snprintf(caption, sizeof caption, "%s   %s", ShortLabel(m, labelBuffer), value);
  DrawShadowedText(dc, 6, H - g_lineHeight - 4, caption);
  const int B = H - 2 - (g_lineHeight + 4);
  int max = m.s.statistic == kStatThreads ? std::max(1, m.threadMax) : 101;
  int n = int(m.history.size());
  if (n > 0) {
    std::vector<POINT> points;
    for (int i = 0; i < n; ++i) {
      int sample = std::clamp(m.history[std::size_t(i)], 0, max);
      points.push_back({i * (W - 5) / 19 + 6, B - (H - g_lineHeight - 9) * sample / max + 3});
    }
    points.push_back({W + 1, B + 3});
    points.push_back({6, B + 3});
    HBRUSH brush = CreateSolidBrush(PALETTEINDEX(m.s.colour));
    if (!Globals().noDropShadow) {
      HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
      HGDIOBJ op = SelectObject(dc, pen);
      HGDIOBJ ob = SelectObject(dc, GetSysColorBrush(COLOR_BTNSHADOW));
      Polygon(dc, points.data(), int(points.size()));
      SelectObject(dc, ob);
      SelectObject(dc, op);
      DeleteObject(pen);
    }
    for (POINT& p : points) {
      p.x -= 4;
      p.y -= 4;
    }
    HGDIOBJ op = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ ob = SelectObject(dc, brush);
    Polygon(dc, points.data(), int(points.size()));
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(brush);
  }
  for (int q = 1; q <= 4; ++q) {
    int y = q < 4 ? H * q / 4 : 0;
    Tick2(dc, 0, y, 3, y);
  }
  SelectObject(dc, oldFont);
  BitBlt(target, 0, 0, W, H, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

void Draw(HDC dc, PerfMonInstance& m, bool background) {
  if (m.s.display == 1) PaintGraph(dc, m);
  else PaintBar(dc, m, background);
}

void DrawNow(PerfMonInstance& m) {
  if (m.keyMode) {
    InvalidateRect(m.window, nullptr, TRUE);
    return;
  }
  HDC dc = GetDC(m.window);
  Draw(dc, m, false);
  ReleaseDC(m.window, dc);
}

void RunAlarm(PerfMonInstance& m) {
  if (m.s.action == 0) {
    if (g_alarmBoxShowing) return;
    g_alarmBoxShowing = true;
    FrameMessageBox(nullptr, m.s.message.c_str(), LoadResString(IDS_PERFMON_ALARM_CAPTION),
                    MB_TASKMODAL | MB_ICONWARNING);
    g_alarmBoxShowing = false;
  } else if (m.s.action == 1) {
    std::string line = m.s.program;
    if (line.empty()) return;
    std::size_t split = line.find_first_of(" \t");
    std::string file = line.substr(0, split);
    std::string params = split == std::string::npos ? "" : line.substr(split + 1);
    SHELLEXECUTEINFOA info{sizeof info};
    info.fMask = SEE_MASK_DOENVSUBST;
    info.hwnd = m.window;
    info.lpFile = file.c_str();
    info.lpParameters = params.empty() ? nullptr : params.c_str();
    info.nShow = SW_SHOWNORMAL;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    seams::ShellExecuteExA(&info);
    SetCursor(old);
  } else {
    MessageBeep(UINT(m.s.sound));
  }
}

void AfterTick(PerfMonInstance& m) {
  if (AlarmStep(AlarmApplies(m.s), CurrentValue(m), m.s.threshold, m.armed)) RunAlarm(m);
}

void LongName(const PerfMonSettings& s, char* out, int capacity) {
  static const UINT ids[6] = {IDS_PERFMON_CPU, IDS_PERFMON_THREADS, IDS_PERFMON_MEMORY,
                              IDS_PERFMON_SYSTEM, IDS_PERFMON_USER, IDS_PERFMON_GDI};
  if (s.statistic == kStatDrive)
    snprintf(out, size_t(capacity), "%s%c:", LoadResString(IDS_PERFMON_DRIVE), char(s.drive - 'a' + 'A'));
  else
    lstrcpynA(out, LoadResString(ids[s.statistic]), capacity);
}

void RefreshPanelCaption(HWND panel) {
  PanelNode* node = FindNodeByWindow(panel);
  if (!node) return;
  char name[64] = {};
  SendMessageA(panel, PNM_GETCAPTION, sizeof name, LPARAM(name));
  lstrcpynA(node->displayName, name, sizeof node->displayName);
}

void ShowMenu(PerfMonInstance& m, POINT screen) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, IDM_PERFMON_UPDATE, LoadResString(IDS_PERFMON_UPDATE_NOW));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, 412, LoadResString(526));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_PERFMON_PROPERTIES, LoadResString(IDS_PERFMON_PROPERTIES));
  RevealFrameForModal(m.window);
  UINT id = UINT(seams::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y,
                                         m.window, nullptr));
  EndFrameModal();
  DestroyMenu(menu);
  if (id) SendMessageA(m.window, WM_COMMAND, id, 0);
}

// ---- property sheet 462 ----

void EnablePage(HWND page, bool on) {
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) EnableWindow(c, on);
}

void UpdateAlarmTab(int statistic) {
  if (!g_sheet) return;
  HWND tab = GetDlgItem(g_sheet, IDC_PERFMON_TAB);
  int count = int(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
  bool want = AlarmTabWanted(statistic);
  if (want && count < 2) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    char text[100];
    lstrcpynA(text, LoadResString(IDS_PERFMON_TAB_ALARM), sizeof text);
    item.pszText = text;
    SendMessageA(tab, TCM_INSERTITEMA, 1, LPARAM(&item));
  } else if (!want && count > 1) {
    if (SendMessageA(tab, TCM_GETCURSEL, 0, 0) == 1) {
      SendMessageA(tab, TCM_SETCURSEL, 0, 0);
      SetWindowPos(g_pageStatistic, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
      ShowWindow(g_pageAlarm, SW_HIDE);
      EnablePage(g_pageStatistic, true);
      EnablePage(g_pageAlarm, false);
    }
    SendMessageA(tab, TCM_DELETEITEM, 1, 0);
  }
}

// Statistic list entries: item data = statistic, or 0x100 + drive letter.
void FillStatisticList(HWND list) {
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  int last = g_windows9x ? kStatGdi : kStatMemory;
  for (int i = 0; i <= last; ++i) {
    PerfMonSettings s;
    s.statistic = i;
    char name[80];
    LongName(s, name, sizeof name);
    int at = int(SendMessageA(list, LB_ADDSTRING, 0, LPARAM(name)));
    SendMessageA(list, LB_SETITEMDATA, at, i);
  }
  DWORD drives = GetLogicalDrives();
  for (int d = 0; d < 26; ++d) {
    if (!(drives & (1u << d))) continue;
    char root[4] = {char('A' + d), ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED && type != DRIVE_REMOTE) continue;
    PerfMonSettings s;
    s.statistic = kStatDrive;
    s.drive = 'a' + d;
    char name[80];
    LongName(s, name, sizeof name);
    int at = int(SendMessageA(list, LB_ADDSTRING, 0, LPARAM(name)));
    SendMessageA(list, LB_SETITEMDATA, at, 0x100 + 'a' + d);
  }
}

void FillSheet(const PerfMonInstance& m) {
  if (!g_pageStatistic || !g_pageAlarm) return;
  HWND list = GetDlgItem(g_pageStatistic, IDC_PERFMON_STATISTIC);
  int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    LPARAM data = SendMessageA(list, LB_GETITEMDATA, i, 0);
    if ((m.s.statistic == kStatDrive && data == 0x100 + m.s.drive) ||
        (m.s.statistic != kStatDrive && data == m.s.statistic)) {
      SendMessageA(list, LB_SETCURSEL, i, 0);
      break;
    }
  }
  SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_COLOUR, CB_SETCURSEL, m.s.colour, 0);
  SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_INTERVAL, CB_SETCURSEL, m.s.interval, 0);
  SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_DISPLAY, CB_SETCURSEL, m.s.display, 0);
  CheckDlgButton(g_pageAlarm, IDC_PERFMON_ALARM_ON, m.s.alarmOn ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(g_pageAlarm, IDC_PERFMON_ACTION_MESSAGE, IDC_PERFMON_ACTION_SOUND,
                   m.s.action == 0 ? IDC_PERFMON_ACTION_MESSAGE
                                   : m.s.action == 1 ? IDC_PERFMON_ACTION_RUN : IDC_PERFMON_ACTION_SOUND);
  SetDlgItemInt(g_pageAlarm, IDC_PERFMON_THRESHOLD, UINT(m.s.threshold), FALSE);
  SetDlgItemTextA(g_pageAlarm, IDC_PERFMON_MESSAGE, m.s.message.c_str());
  SetDlgItemTextA(g_pageAlarm, IDC_PERFMON_PROGRAM, m.s.program.c_str());
  int sound = 0;
  for (int i = 0; i < 6; ++i)
    if (kSoundTypes[i] == m.s.sound) sound = i;
  SendDlgItemMessageA(g_pageAlarm, IDC_PERFMON_SOUND, CB_SETCURSEL, sound, 0);
  UpdateAlarmTab(m.s.statistic);
}

void ApplySheet(PerfMonInstance& m) {
  bool changed = false;
  PerfMonSettings& s = m.s;
  auto set = [&](std::int32_t& field, std::int32_t v) {
    if (field != v) changed = true;
    field = v;
  };
  int colour = int(SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_COLOUR, CB_GETCURSEL, 0, 0));
  if (colour >= 0 && colour <= 18) set(s.colour, colour);
  int interval = int(SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_INTERVAL, CB_GETCURSEL, 0, 0));
  if (interval >= 0 && interval <= 5 && interval != s.interval) {
    set(s.interval, interval);
    SetTimer(m.window, 0, UINT(kPerfMonIntervals[s.interval]), nullptr);
  }
  HWND list = GetDlgItem(g_pageStatistic, IDC_PERFMON_STATISTIC);
  int sel = int(SendMessageA(list, LB_GETCURSEL, 0, 0));
  if (sel >= 0) {
    LPARAM data = SendMessageA(list, LB_GETITEMDATA, sel, 0);
    int statistic = data >= 0x100 ? kStatDrive : int(data);
    int drive = data >= 0x100 ? int(data - 0x100) : s.drive;
    if (statistic != s.statistic || drive != s.drive) {
      s.statistic = statistic;
      s.drive = drive;
      m.history.clear();
      changed = true;
      RefreshPanelCaption(m.window);
    }
  }
  int display = int(SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_DISPLAY, CB_GETCURSEL, 0, 0));
  if (display == 0 || display == 1) set(s.display, display);
  if (s.statistic >= kStatMemory)
    set(s.alarmOn, IsDlgButtonChecked(g_pageAlarm, IDC_PERFMON_ALARM_ON) == BST_CHECKED ? 1 : 0);
  int action = IsDlgButtonChecked(g_pageAlarm, IDC_PERFMON_ACTION_RUN) == BST_CHECKED     ? 1
               : IsDlgButtonChecked(g_pageAlarm, IDC_PERFMON_ACTION_SOUND) == BST_CHECKED ? 2
                                                                                            : 0;
  set(s.action, action);
  BOOL ok = FALSE;
  UINT threshold = GetDlgItemInt(g_pageAlarm, IDC_PERFMON_THRESHOLD, &ok, FALSE);
  if (ok && threshold != 0) set(s.threshold, std::int32_t(std::min<UINT>(threshold, 99)));
  SetDlgItemInt(g_pageAlarm, IDC_PERFMON_THRESHOLD, UINT(s.threshold), FALSE);
  char text[311];
  GetDlgItemTextA(g_pageAlarm, IDC_PERFMON_MESSAGE, text, sizeof text);
  if (s.message != text) {
    s.message = text;
    changed = true;
  }
  GetDlgItemTextA(g_pageAlarm, IDC_PERFMON_PROGRAM, text, sizeof text);
  if (s.program != text) {
    s.program = text;
    changed = true;
  }
  int sound = int(SendDlgItemMessageA(g_pageAlarm, IDC_PERFMON_SOUND, CB_GETCURSEL, 0, 0));
  if (sound >= 0 && sound < 6) set(s.sound, kSoundTypes[sound]);
  TakeSample(m);
  if (!changed) return;
  SendMessageA(GetParent(m.window), PNM_CHANGED, WPARAM(m.window), 1);
  HDC dc = GetDC(m.window);
  Draw(dc, m, true);
  ReleaseDC(m.window, dc);
  UpdateAlarmTab(s.statistic);
}

INT_PTR CALLBACK PerfMonStatisticPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      mi->itemHeight = 16;
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (di->CtlID != IDC_PERFMON_COLOUR) return FALSE;
      FillRect(di->hDC, &di->rcItem,
               GetSysColorBrush(di->itemState & ODS_SELECTED ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      if (int(di->itemID) >= 0) {
        RECT r = di->rcItem;
        InflateRect(&r, -3, -2);
        HBRUSH b = CreateSolidBrush(PALETTEINDEX(di->itemID));
        FillRect(di->hDC, &r, b);
        FrameRect(di->hDC, &r, HBRUSH(GetStockObject(BLACK_BRUSH)));
        DeleteObject(b);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_PERFMON_STATISTIC && HIWORD(wParam) == LBN_SELCHANGE) {
        HWND list = GetDlgItem(page, IDC_PERFMON_STATISTIC);
        int sel = int(SendMessageA(list, LB_GETCURSEL, 0, 0));
        if (sel >= 0) {
          LPARAM data = SendMessageA(list, LB_GETITEMDATA, sel, 0);
          UpdateAlarmTab(data >= 0x100 ? kStatDrive : int(data));
        }
      }
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK PerfMonAlarmPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_PERFMON_BROWSE) {
    char file[300] = {};
    char title[100];
    lstrcpynA(title, LoadResString(IDS_PERFMON_BROWSE_TITLE), sizeof title);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = page;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                OFN_EXPLORER | OFN_LONGNAMES;
    if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(page, IDC_PERFMON_PROGRAM, file);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK PerfMonPropertiesProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      g_sheet = sheet;
      HWND tab = GetDlgItem(sheet, IDC_PERFMON_TAB);
      AddTabFromString(tab, 0, IDS_PERFMON_TAB_GENERAL);
      AddTabFromString(tab, 1, IDS_PERFMON_TAB_ALARM);
      POINT at = SheetPageOrigin(sheet, tab);
      g_pageAlarm = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_PERFMON_ALARM), sheet,
                                       PerfMonAlarmPageProc, 0);
      g_pageStatistic = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_PERFMON_STATISTIC),
                                           sheet, PerfMonStatisticPageProc, 0);
      for (HWND page : {g_pageAlarm, g_pageStatistic})
        if (page) SetWindowPos(page, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
      if (g_pageAlarm) {  // behind the statistic page until its tab is chosen
        EnablePage(g_pageAlarm, false);
        ShowWindow(g_pageAlarm, SW_HIDE);
      }
      if (g_pageStatistic) {
        FillStatisticList(GetDlgItem(g_pageStatistic, IDC_PERFMON_STATISTIC));
        for (int i = 0; i < 19; ++i)
          SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_COLOUR, CB_ADDSTRING, 0, i);
        for (int i = 0; i < 6; ++i)
          SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_INTERVAL, CB_ADDSTRING, 0,
                              LPARAM(LoadResString(IDS_PERFMON_INTERVAL_FIRST + i)));
        SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_DISPLAY, CB_ADDSTRING, 0, LPARAM(LoadResString(IDS_PERFMON_BAR)));
        SendDlgItemMessageA(g_pageStatistic, IDC_PERFMON_DISPLAY, CB_ADDSTRING, 0, LPARAM(LoadResString(IDS_PERFMON_GRAPH)));
      }
      if (g_pageAlarm)
        for (int i = 0; i < 6; ++i)
          SendDlgItemMessageA(g_pageAlarm, IDC_PERFMON_SOUND, CB_ADDSTRING, 0,
                              LPARAM(LoadResString(IDS_PERFMON_SOUND_FIRST + i)));
      if (PerfMonInstance* m = Instance(g_sheetMonitor)) FillSheet(*m);
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->idFrom == IDC_PERFMON_TAB && hdr->code == TCN_SELCHANGE) {
        bool alarm = SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0) == 1;
        HWND shown = alarm ? g_pageAlarm : g_pageStatistic, other = alarm ? g_pageStatistic : g_pageAlarm;
        SetWindowPos(shown, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ShowWindow(other, SW_HIDE);
        EnablePage(shown, true);
        EnablePage(other, false);
        SetFocus(GetNextDlgTabItem(shown, nullptr, FALSE));
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_CLOCKMON_APPLY)
        if (PerfMonInstance* m = Instance(g_sheetMonitor)) ApplySheet(*m);
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(sheet, kHelpTopic);
      return TRUE;
    case WM_DESTROY:
      if (g_pageStatistic) DestroyWindow(g_pageStatistic);
      if (g_pageAlarm) DestroyWindow(g_pageAlarm);
      g_pageStatistic = g_pageAlarm = g_sheet = nullptr;
      g_sheetMonitor = nullptr;
      return FALSE;
  }
  return FALSE;
}

LRESULT CALLBACK PerfMonWndProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  PerfMonInstance* m = Instance(w);
  switch (msg) {
    case WM_CREATE:
      m = g_pending;
      g_pending = nullptr;
      if (!m) return -1;
      m->window = w;
      SetWindowLongPtrA(w, 0, LONG_PTR(m));
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrA(w, 0, 0);
      KillTimer(w, 0);
      if (g_sheetMonitor == w) g_sheetMonitor = nullptr;
      if (g_cpuPanel == w) g_cpuPanel = nullptr;
      delete m;
      return 0;
  }
  if (!m) return DefWindowProcA(w, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: {
      if (!GetUpdateRect(w, nullptr, FALSE)) return 0;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      Draw(dc, *m, true);
      if (m->keyMode) {
        RECT rc;
        GetClientRect(w, &rc);
        DrawDragOutline(w, &rc, dc);
      }
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(w, &rc);
      PaintParentBackground(w, &rc, HDC(wParam), m->keyMode);
      return 1;
    }
    case WM_NCHITTEST:
      if (GetKeyState(VK_RBUTTON) < 0) break;
      return HTTRANSPARENT;
    case WM_TIMER:
      TakeSample(*m);
      DrawNow(*m);
      AfterTick(*m);
      return 0;
    case WM_LBUTTONDBLCLK:
      TakeSample(*m);
      InvalidateRect(w, nullptr, TRUE);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
      ClientToScreen(w, &p);
      ShowMenu(*m, p);
      return 0;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_PERFMON_UPDATE:
          TakeSample(*m);
          InvalidateRect(w, nullptr, TRUE);
          break;
        case 412:
          OpenHelpTopic(w, kHelpTopic);
          break;
        case 458:
          SendMessageA(GetParent(w), PNM_OPENCONFIG, 0, 0);
          break;
        case IDM_PERFMON_PROPERTIES:
          SendMessageA(GetParent(w), PNM_OPENCONFIG, WPARAM(w), 0);
          break;
      }
      return 0;
    case PNM_GETSETTINGS:
      g_lastBlob = WritePerfMonSettings(m->s);
      if (lParam) *reinterpret_cast<void**>(lParam) = g_lastBlob.data();
      return LRESULT(g_lastBlob.size());
    case PNM_SETSETTINGS: {
      PerfMonSettings s;
      if (!ReadPerfMonSettings(reinterpret_cast<const void*>(lParam), int(wParam), s)) return 0;
      bool newStatistic = s.statistic != m->s.statistic;
      if (newStatistic || (s.statistic == kStatDrive && s.drive != m->s.drive)) m->history.clear();
      m->s = std::move(s);
      if (newStatistic) RefreshPanelCaption(w);
      TakeSample(*m);
      InvalidateRect(w, nullptr, TRUE);
      if (g_sheetMonitor == w) FillSheet(*m);
      SetTimer(w, 0, UINT(kPerfMonIntervals[m->s.interval]), nullptr);
      return 1;
    }
    case PNM_CREATEPAGE: {
      g_sheetMonitor = w;
      HWND sheet = CreatePlacedSheet(IDD_PERFMON_SHEET, HWND(wParam), PerfMonPropertiesProc, 0, lParam);
      if (!sheet) g_sheetMonitor = nullptr;
      return LRESULT(sheet);
    }
    case PNM_GETPREFSIZE:
      if (m->s.display == 1) return MakeSize(70, 34);
      return SendMessageA(GetParent(w), PNM_GETORIENT, 0, 0) ? MakeSize(g_labelWidth + 8, 50)
                                                              : MakeSize(g_labelWidth + 60, 24);
    case PNM_NEGOTIATESIZE:
      return 0;
    case PNM_NEGOTIATESIZE2:
    case PNM_NEGOTIATESIZE3: {
      const auto* p = reinterpret_cast<const SizeProposal*>(lParam);
      if (!p) return 0;
      if (m->s.display == 1) {
        if (msg == PNM_NEGOTIATESIZE2)
          return p->horizontal ? MakeSize(p->currentWidth, p->crossExtent)
                               : MakeSize(p->crossExtent, p->currentHeight);
        return p->horizontal ? MakeSize(std::min(p->offeredWidth, p->currentWidth + 10), p->crossExtent)
                             : MakeSize(p->crossExtent, std::min(p->offeredHeight, p->currentHeight + 10));
      }
      return p->horizontal ? MakeSize(g_labelWidth + 8, p->crossExtent) : MakeSize(p->crossExtent, 24);
    }
    case PNM_GETCAPTION:
      if (lParam && wParam > 0) LongName(m->s, reinterpret_cast<char*>(lParam), int(wParam));
      return 1;
    case PNM_HELP:
      OpenHelpTopic(w, kHelpTopic);
      return 1;
    case PNM_KEYMODEON:
    case PNM_KEYMODEOFF:
    case PNM_KEY: {
      LRESULT result = 0;
      HandlePanelKeyMode(w, msg, wParam, m->keyMode,
                         [](HWND panel, POINT screen) { ShowMenu(*Instance(panel), screen); }, &result);
      return result;
    }
  }
  return DefWindowProcA(w, msg, wParam, lParam);
}

}  // namespace

GetFreeResourcesFn LoadFreeResourcesFunction() {
  if (g_getFree) return g_getFree;
  if (!g_resmon) g_resmon = LoadLibraryA("RESMON32.DLL");
  if (!g_resmon) return nullptr;
  g_getFree = reinterpret_cast<GetFreeResourcesFn>(GetProcAddress(g_resmon, "_GetFreeResources32@4"));
  return g_getFree;
}

int QueryNtCpuUsage() {
  std::vector<std::uint8_t> data = QueryPerformanceData("238", 2000);
  std::uint32_t idle = 0, time = 0;
  if (!data.empty() && ReadProcessorIdle(data.data(), data.size(), &idle, &time)) {
    int usage = g_havePrevious && !g_systemTimesFallback
                    ? CpuUsageFromIdle(g_prevIdle, g_prevTime, idle, time) : 0;
    g_prevIdle = idle;
    g_prevTime = time;
    g_havePrevious = true;
    g_systemTimesFallback = false;
    return usage;
  }
  // No processor object in the performance data: the same difference from GetSystemTimes.
  FILETIME idleTime, kernel, user;
  if (!GetSystemTimes(&idleTime, &kernel, &user)) return 0;
  auto u64 = [](const FILETIME& f) { return ULONGLONG(f.dwHighDateTime) << 32 | f.dwLowDateTime; };
  ULONGLONG sysIdle = u64(idleTime), total = u64(kernel) + u64(user);  // kernel includes idle
  int usage = 0;
  if (g_havePrevious && g_systemTimesFallback && total > g_prevSysTotal) {
    ULONGLONG elapsed = total - g_prevSysTotal, idled = sysIdle - g_prevSysIdle;
    usage = idled >= elapsed ? 0 : int(100 - idled * 100 / elapsed);
    usage = std::clamp(usage, 0, 99);
  }
  g_prevSysIdle = sysIdle;
  g_prevSysTotal = total;
  g_havePrevious = true;
  g_systemTimesFallback = true;
  return usage;
}

int QueryNtThreadCount() {
  std::vector<std::uint8_t> data = QueryPerformanceData("260", 2000);
  std::uint32_t threads = 0;
  if (!data.empty() && ReadThreadCount(data.data(), data.size(), &threads)) return int(threads);
  // No system object: count the threads of the process list.
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 p{};
  p.dwSize = sizeof p;
  int count = 0;
  for (BOOL more = Process32First(snap, &p); more; more = Process32Next(snap, &p))
    count += int(p.cntThreads);
  CloseHandle(snap);
  return count;
}

int QueryFreeMemoryPercent() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status) || status.ullTotalPageFile == 0) return 0;
  return int(double(status.ullAvailPageFile) * 100.0 / double(status.ullTotalPageFile));
}

bool QueryDriveFree(char letter, int* percent, long long* freeKb) {
  char root[4] = {letter, ':', '\\', 0};
  *percent = 0;
  *freeKb = 0;
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  bool ok = false;
  if (GetDiskFreeSpaceExFn query = FindGetDiskFreeSpaceEx()) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (query(root, &available, &total, &totalFree)) {
      unsigned long long kb = available.QuadPart / 1024, totalKb = total.QuadPart / 1024;
      *freeKb = (long long)kb;
      *percent = totalKb ? int(std::min<unsigned long long>(kb * 100 / totalKb, 99)) : 0;
      ok = true;
    }
  }
  if (!ok) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters) && clusters) {
      *percent = int(std::min<unsigned long long>((unsigned long long)freeClusters * 100 / clusters, 99));
      *freeKb = (long long)((unsigned long long)freeClusters * sectors * bytes >> 10);
      ok = true;
    }
  }
  SetErrorMode(previous);
  return ok;
}

bool GetPerfMonState(HWND monitor, PerfMonSettings* settings, std::vector<int>* history, bool* armed) {
  PerfMonInstance* m = IsWindow(monitor) ? Instance(monitor) : nullptr;
  if (!m) return false;
  if (settings) *settings = m->s;
  if (history) *history = m->history;
  if (armed) *armed = m->armed;
  return true;
}

HWND CreatePerfMon(HWND parent, const RECT* rect, const void* blob, int size) {
  auto m = std::make_unique<PerfMonInstance>();
  if (!blob || !ReadPerfMonSettings(blob, size, m->s)) {
    m->s = PerfMonSettings{};
    m->s.message = LoadResString(IDS_PERFMON_DEFAULT_MESSAGE);
  }
  PerfMonInstance* raw = m.get();
  g_pending = raw;
  HWND w = CreateWindowExA(0, kPerfMonClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect->left,
                           rect->top, rect->right - rect->left, rect->bottom - rect->top, parent,
                           nullptr, Globals().instance, nullptr);
  g_pending = nullptr;
  if (!w) return nullptr;
  m.release();
  TakeSample(*raw);
  SetTimer(w, 0, UINT(kPerfMonIntervals[raw->s.interval]), nullptr);
  return w;
}

PanelType* RegisterPerfMonPanelType(HINSTANCE instance) {
  if (!g_classRegistered) g_classRegistered = RegisterPanelClass(instance, kPerfMonClass, PerfMonWndProc);
  for (int i = 0; i < 7; ++i) {
    char text[10] = {};
    if (LoadStringA(instance, IDS_PERFMON_LABEL_FIRST + i, text, sizeof text) > 0) lstrcpynA(g_labels[i], text, 10);
  }
  LoadStringA(instance, IDS_UNIT_KB, g_kb, sizeof g_kb);
  LoadStringA(instance, IDS_UNIT_MB, g_mb, sizeof g_mb);
  LoadStringA(instance, IDS_UNIT_GB, g_gb, sizeof g_gb);
  OSVERSIONINFOA v{sizeof v};
  GetVersionExA(&v);
  g_windows9x = v.dwPlatformId != VER_PLATFORM_WIN32_NT;
  if (g_windows9x) StartDynStats();
  if (!g_font) g_font = CreateSmallPanelFont(&g_lineHeight, &g_fontCreated);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, g_font);
  g_labelWidth = 20;
  for (int i = 0; i < 6; ++i) {
    SIZE sz{};
    GetTextExtentPoint32A(dc, g_labels[i], lstrlenA(g_labels[i]), &sz);
    g_labelWidth = std::max<int>(g_labelWidth, sz.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  FillBuiltinType(g_type, instance, "System Monitor", IDS_TYPE_PERFMON, IDS_TYPE_PERFMON_DESC,
                  IDB_TYPE_PERFMON, IDB_TYPE_PERFMON_MASK, CreatePerfMon);
  g_type.cleanup = FreePerfMonPanelType;
  return &g_type;
}

void FreePerfMonPanelType() {
  if (g_fontCreated && g_font) DeleteObject(g_font);
  g_font = nullptr;
  g_fontCreated = false;
  g_lastBlob.clear();
  g_getFree = nullptr;
  if (g_resmon) FreeLibrary(g_resmon);
  g_resmon = nullptr;
  g_cpuStamp = -1;
  g_cpuPanel = nullptr;
  g_havePrevious = false;
}

}  // namespace jqbar
