#include "window_utils.h"
#include <commctrl.h>
#include <dbt.h>
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include "command_basics.h"
#include "file_pane.h"
#include "frame_state.h"
#include "navigation_history.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "sibling_probe.h"
#include "program_values.h"

namespace {
UINT g_deviceTimerCounter;
constexpr UINT_PTR kDeviceTimerBase = 0x7000;  // clear of the panes' timers

// Wine and Windows 2000 and later export it; called with the drive number before the notice.
using MediaPrepareProc = void(WINAPI*)(int drive);
}  // namespace

void NotifyShellOfMediaChange(WPARAM event, const void* data) {
  const auto* volume = static_cast<const DEV_BROADCAST_VOLUME*>(data);
  if (!volume) return;
  if (!(volume->dbcv_flags & (DBTF_MEDIA | DBTF_NET))) return;
  LONG shellEvent;
  bool media = (volume->dbcv_flags & DBTF_MEDIA) != 0;
  if (event == DBT_DEVICEARRIVAL)
    shellEvent = media ? SHCNE_MEDIAINSERTED : SHCNE_DRIVEADD;
  else
    shellEvent = media ? SHCNE_MEDIAREMOVED : SHCNE_DRIVEREMOVED;
  HMODULE shell = LoadLibraryA("shell32.dll");
  if (!shell) return;
  auto prepare = reinterpret_cast<MediaPrepareProc>(GetProcAddress(shell, MAKEINTRESOURCEA(65)));
  if (prepare) {
    for (int bit = 0; bit < 26; ++bit) {
      if (!(volume->dbcv_unitmask & (1u << bit))) continue;
      char path[4] = {static_cast<char>('A' + bit), ':', '\\', 0};
      prepare(bit);
      SHChangeNotify(shellEvent, SHCNF_PATHA | SHCNF_FLUSH, path, nullptr);
    }
  }
  FreeLibrary(shell);
}

LRESULT OnDeviceChange(HWND window, WPARAM event, LPARAM data) {
  if (event != DBT_CONFIGCHANGED && event != DBT_DEVICEARRIVAL &&
      event != DBT_DEVICEREMOVECOMPLETE)
    return 0;
  if (event != DBT_CONFIGCHANGED) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header) return 0;
    if (header->dbch_devicetype == DBT_DEVTYP_PORT) return 0;
    if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) NotifyShellOfMediaChange(event, header);
  }
  SetTimer(window, kDeviceTimerBase + (g_deviceTimerCounter++ % 0x800), 1000,
           DeviceChangeTimerProc);
  return 0;
}

void CALLBACK DeviceChangeTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  SendMessageA(window, WM_COMMAND, ID_VIEW_REFRESH, 0);
  SendMessageA(window, WM_USER + 102, 0, 0);
}

UINT GetWheelScrollLines() {
  if (IsNT) {
    UINT lines = 3;
    if (SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) return lines;
    return 3;
  }
  HWND wheel = FindWindowA("MouseZ", "Magellan MSWHEEL");
  if (wheel) {
    UINT msg = RegisterWindowMessageA("MSH_SCROLL_LINES_MSG");
    if (msg) return static_cast<UINT>(SendMessageA(wheel, msg, 0, 0));
  }
  return 3;
}

namespace {

bool IsPaneTree(HWND w) { return w && (w == FilePanes[0].tree || w == FilePanes[1].tree); }
bool IsPaneList(HWND w) { return w && (w == FilePanes[0].list || w == FilePanes[1].list); }
bool IsViewerWindow(HWND w) { return w && (w == g_frame.viewer[0] || w == g_frame.viewer[1]); }
bool IsOpenAddressTree(HWND w) {
  return w && w == g_frame.addressTree && IsWindowVisible(w);
}

// The pane control (or viewer, or drop-down tree) under the cursor, whichever child is hit.
HWND WindowUnderCursor(POINT screen) {
  HWND w = WindowFromPoint(screen);
  for (HWND probe = w; probe; probe = GetParent(probe)) {
    if (IsPaneTree(probe) || IsPaneList(probe) || IsViewerWindow(probe) ||
        IsOpenAddressTree(probe))
      return probe;
    if (probe == g_mainWindow) break;
  }
  return w;
}

}  // namespace

LRESULT HandleMouseWheel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool nativeForm = message == WM_MOUSEWHEEL || IsNT || Is98 || message != g_wheelMessage;
  short delta = nativeForm ? static_cast<short>(HIWORD(wParam)) : static_cast<short>(wParam);
  POINT cursor = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  if (nativeForm && message == WM_MOUSEWHEEL) {
    ctrl = (LOWORD(wParam) & MK_CONTROL) != 0 || ctrl;
    shift = (LOWORD(wParam) & MK_SHIFT) != 0 || shift;
  }
  if (ctrl) {
    if (delta <= 0) {
      if (CanGoBack(ActivePaneIndex)) PostMessageA(g_mainWindow, WM_COMMAND, ID_GO_BACK, 0);
    } else if (CanGoForward(ActivePaneIndex)) {
      PostMessageA(g_mainWindow, WM_COMMAND, ID_GO_FORWARD, 0);
    }
    return 0;
  }
  HWND target = WindowUnderCursor(cursor);
  if (shift) {
    if (!IsPaneTree(target) && !IsOpenAddressTree(target)) return 0;
    TVHITTESTINFO hit{};
    hit.pt = cursor;
    ScreenToClient(target, &hit.pt);
    HTREEITEM node = TreeView_HitTest(target, &hit);
    if (!node || !(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)))
      return 0;
    bool expanded = (TreeView_GetItemState(target, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    if (expanded && delta < 0)
      TreeView_Expand(target, node, TVE_COLLAPSE);
    else if (!expanded && delta > 0)
      TreeView_Expand(target, node, TVE_EXPAND);
    return 0;
  }
  UINT lines = GetWheelScrollLines();
  bool pages = lines == WHEEL_PAGESCROLL;
  int count = pages ? 1 : (delta / 120 < 0 ? -(delta / 120) : delta / 120) * static_cast<int>(lines);
  WPARAM code = pages ? (delta <= 0 ? SB_PAGEDOWN : SB_PAGEUP)
                      : (delta <= 0 ? SB_LINEDOWN : SB_LINEUP);
  if (IsPaneList(target)) {
    int pane = PaneIndexOfWindow(target);
    if (FilePanes[pane].viewId == kViewList) {
      if (pages)
        SendMessageA(target, WM_HSCROLL, code, 0);
      else
        SendMessageA(target, LVM_SCROLL, static_cast<WPARAM>(-delta), 0);
      return 0;
    }
  } else if (!IsPaneTree(target) && !IsViewerWindow(target) && !IsOpenAddressTree(target)) {
    return 0;
  }
  for (int i = 0; i < count; ++i) SendMessageA(target, WM_VSCROLL, code, 0);
  return 0;
}

LRESULT OnSiblingCopyData(HWND, WPARAM wParam, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (!data || data->dwData != kSiblingReplyId) return 0;
  StoreSiblingReply(reinterpret_cast<HWND>(wParam), data);
  return 0;
}

BOOL SetMenuItemCheck(HWND window, UINT commandId, BOOL checked) {
  HMENU menu = GetMenu(window);
  if (!menu) return 0;
  CheckMenuItem(menu, commandId, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  return 1;
}

BOOL IsRemovableDrivePath(const char* path) {
  if (!path || strlen(path) < 3) return 0;
  char root[4] = {path[0], path[1], path[2], 0};
  return GetDriveTypeA(root) == DRIVE_REMOVABLE;
}

HWND AddBrowseTooltip(HWND button) {
  HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(button),
                             nullptr, g_instance, nullptr);
  if (!tip) return nullptr;
  char text[200] = "";
  LoadStringA(g_instance, IDS_BROWSE, text, sizeof text);
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(button);
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = text;
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(tip, TTM_ACTIVATE, TRUE, 0);
  return tip;
}

HANDLE CreateSemaphoreHelper(SECURITY_ATTRIBUTES* attributes, BOOL startTaken, const char* name) {
  return CreateSemaphoreA(attributes, startTaken ? 0 : 1, 1, name);
}

BOOL ReleaseSemaphoreHelper(HANDLE semaphore) {
  ReleaseSemaphore(semaphore, 1, nullptr);
  return 1;
}
