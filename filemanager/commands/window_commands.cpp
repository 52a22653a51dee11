// The program's windows: new windows, cascade and tile of every main window of the program
// (each a process of its own), and closing the others or all of them.
#include <windows.h>
#include <shellapi.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "actions.h"
#include "command_handlers.h"
#include "command_ids.h"
#include "file_pane.h"
#include "program_values.h"
#include "seams.h"
#include "window_commands.h"

namespace {
// -1 none, 256 cascade, 1 tile horizontally, 0 tile vertically.
int g_pendingArrangement = -1;

bool IsProgramWindow(HWND w) {
  char cls[32] = "";
  return GetClassNameA(w, cls, sizeof cls) && strcmp(cls, g_className[0] ? g_className : "KESTRALVIEWS") == 0;
}

BOOL CALLBACK CollectProgramWindows(HWND w, LPARAM data) {
  if (IsProgramWindow(w) && IsWindowVisible(w) && !IsIconic(w))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
  return TRUE;
}

BOOL CALLBACK CollectAllProgramWindows(HWND w, LPARAM data) {
  if (IsProgramWindow(w)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
  return TRUE;
}

RECT ArrangeArea(int mode, int count) {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  RECT t{};
  if (tray && IsWindowVisible(tray) && GetWindowRect(tray, &t)) {
    bool vertical = (t.bottom - t.top) > (t.right - t.left);
    if (vertical && t.left <= 0) area.left = std::max<LONG>(area.left, t.right);
    if (!vertical && t.top <= 0) area.top = std::max<LONG>(area.top, t.bottom);
  }
  if (mode != kArrangeCascade && count < 4) {
    int frameX = GetSystemMetrics(SM_CXFRAME), frameY = GetSystemMetrics(SM_CYFRAME);
    // Side by side across (vertical tiling) or one above the other (horizontal tiling).
    if (mode == kArrangeTileVertically)
      area.right = std::min<LONG>(area.right, area.left + GetSystemMetrics(SM_CXMAXIMIZED) - 2 * frameX);
    else
      area.bottom = std::min<LONG>(area.bottom, area.top + GetSystemMetrics(SM_CYMAXIMIZED) - 2 * frameY);
  }
  return area;
}
// Cascade: each window a caption lower and further right, four fifths of the area in size, the
// first window (the topmost) last and so in front. Tiles: columns side by side (vertical tiling)
// or rows one above the other (horizontal tiling); from four windows on a grid.
void PlaceWindows(const std::vector<HWND>& windows, int mode, const RECT& area) {
  int n = static_cast<int>(windows.size());
  int W = area.right - area.left, H = area.bottom - area.top;
  if (n == 0 || W <= 0 || H <= 0) return;
  if (mode == kArrangeCascade) {
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    int w = W * 4 / 5, h = H * 4 / 5;
    for (int i = 0; i < n; ++i) {
      HWND win = windows[static_cast<size_t>(n - 1 - i)];
      int offset = (step * i) % std::max(1, std::min(W - w, H - h) + 1);
      SetWindowPos(win, nullptr, area.left + offset, area.top + offset, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return;
  }
  int columns = 1, rows = 1;
  if (n < 4) {
    (mode == kArrangeTileVertically ? columns : rows) = n;
  } else {
    int major = 1;
    while (major * major < n) ++major;
    int minor = (n + major - 1) / major;
    columns = mode == kArrangeTileVertically ? major : minor;
    rows = mode == kArrangeTileVertically ? minor : major;
  }
  for (int i = 0; i < n; ++i) {
    int c = mode == kArrangeTileVertically ? i % columns : i / rows;
    int r = mode == kArrangeTileVertically ? i / columns : i % rows;
    int x0 = area.left + W * c / columns, x1 = area.left + W * (c + 1) / columns;
    int y0 = area.top + H * r / rows, y1 = area.top + H * (r + 1) / rows;
    SetWindowPos(windows[static_cast<size_t>(i)], nullptr, x0, y0, x1 - x0, y1 - y0, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}
}  // namespace

int& PendingArrangement() { return g_pendingArrangement; }

void ArrangeWindows(int mode, HWND newWindow) {
  std::vector<HWND> windows;
  EnumWindows(CollectProgramWindows, reinterpret_cast<LPARAM>(&windows));
  if (newWindow && IsWindow(newWindow) && !IsIconic(newWindow) &&
      std::find(windows.begin(), windows.end(), newWindow) == windows.end())
    windows.push_back(newWindow);
  if (windows.size() < 2) return;
  for (HWND w : windows)
    if (IsZoomed(w)) ShowWindow(w, SW_SHOWNORMAL);
  if (newWindow && IsWindow(newWindow)) {
    SetWindowPos(newWindow, nullptr, GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(newWindow, SW_SHOWNA);
  }
  for (HWND w : windows) {
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  RECT area = ArrangeArea(mode, static_cast<int>(windows.size()));
  UINT count = static_cast<UINT>(windows.size());
  WORD arranged = mode == kArrangeCascade
                      ? CascadeWindows(nullptr, 0, &area, count, windows.data())
                      : TileWindows(nullptr, mode == kArrangeTileHorizontally ? MDITILE_HORIZONTAL : MDITILE_VERTICAL,
                                    &area, count, windows.data());
  // Some systems arrange only the windows of the calling process: place the others ourselves.
  if (arranged < count) PlaceWindows(windows, mode, area);
}

LRESULT OpenNewWindow(HWND window, UINT, WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case ID_WINDOW_NEW_2: g_pendingArrangement = kArrangeCascade; break;
    case ID_WINDOW_NEW_3: g_pendingArrangement = kArrangeTileHorizontally; break;
    case ID_WINDOW_NEW_4: g_pendingArrangement = kArrangeTileVertically; break;
    default: g_pendingArrangement = -1; break;
  }
  char program[MAX_PATH] = "";
  if (!GetModuleFileNameA(nullptr, program, MAX_PATH)) return 0;
  char folder[MAX_PATH] = "";
  GetPaneFolderPath(ActivePaneIndex, folder, FALSE);
  std::string parameters;
  if (folder[0]) parameters = std::string("\"") + folder + "\"";
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = window;
  info.lpFile = program;
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!seams::ShellExecuteExA(&info)) g_pendingArrangement = -1;
  return 0;
}

LRESULT ArrangeProgramWindows(HWND window, UINT, WPARAM wParam, LPARAM) {
  int mode = LOWORD(wParam) == ID_WINDOW_CASCADE             ? kArrangeCascade
             : LOWORD(wParam) == ID_WINDOW_TILE_HORIZONTALLY ? kArrangeTileHorizontally
                                                              : kArrangeTileVertically;
  ArrangeWindows(mode, nullptr);
  SetForegroundWindow(window);
  return 0;
}

namespace {
// The announcing instance is still placing and showing its own window while it announces: the
// arrangement waits (a few seconds at most) until that window is shown.
HWND g_announced = nullptr;
int g_announcedMode = -1;
DWORD g_announcedAt = 0;
constexpr UINT_PTR kArrangeTimer = 0x4E57;

void CALLBACK ArrangeAnnouncedTimer(HWND window, UINT, UINT_PTR id, DWORD) {
  bool gone = !g_announced || !IsWindow(g_announced);
  bool shown = !gone && IsWindowVisible(g_announced);
  if (!gone && !shown && GetTickCount() - g_announcedAt < 5000) return;
  KillTimer(window, id);
  HWND announced = g_announced;
  g_announced = nullptr;
  if (!gone) ArrangeWindows(g_announcedMode, announced);
}
}  // namespace

LRESULT OnInstanceAnnounce(HWND window, UINT, WPARAM, LPARAM lParam) {
  HWND announced = reinterpret_cast<HWND>(lParam);
  if (g_pendingArrangement != -1 && announced && IsWindow(announced)) {
    g_announcedMode = g_pendingArrangement;
    g_pendingArrangement = -1;
    g_announced = announced;
    g_announcedAt = GetTickCount();
    SetTimer(window, kArrangeTimer, 300, ArrangeAnnouncedTimer);
  }
  return 0;
}

LRESULT CloseProgramWindows(HWND window, UINT, WPARAM wParam, LPARAM) {
  std::vector<HWND> windows;
  EnumWindows(CollectAllProgramWindows, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows)
    if (w != window) PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (LOWORD(wParam) == ID_WINDOW_CLOSE_ALL) PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}
