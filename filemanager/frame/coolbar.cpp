#include "coolbar.h"
#include <commctrl.h>
#include <algorithm>
#include "frame_state.h"
#include "le_bytes.h"
#include "settings_store.h"
#include "toolbar.h"

namespace {
CoolbarLayout g_layout = {{{1, 150, 1}, {2, 150, 1}, {3, 150, 1}, {4, 150, 1}}};
int g_bandHeight = 28;

HWND BarOfId(uint32_t id) {
  switch (id) {
    case 1: return g_frame.toolbar;
    case 2: return g_frame.driveBar;
    case 3: return g_frame.launchBar;
    case 4: return g_frame.commandLineBar;
  }
  return nullptr;
}

bool BarShown(uint32_t id) {
  const LiveOptions& o = GetLiveOptions();
  switch (id) {
    case 1: return o.toolbarShown != 0;
    case 2: return o.driveBarShown != 0;
    case 3: return o.launchBarShown != 0;
    case 4: return o.dosBarShown != 0;
  }
  return false;
}

bool HaveRebar() { return g_frame.coolbar && IsWindow(g_frame.coolbar); }

HWND MainWindowOfBars() { return GetParent(g_frame.coolbar); }

void DetachAndDeleteBands() {
  HWND main = MainWindowOfBars();
  int count = static_cast<int>(SendMessageA(g_frame.coolbar, RB_GETBANDCOUNT, 0, 0));
  for (int i = std::min(count, 4) - 1; i >= 0; --i) {
    REBARBANDINFOA info{};
    info.cbSize = REBARBANDINFOA_V6_SIZE;
    info.fMask = RBBIM_CHILD;
    info.hwndChild = nullptr;
    SendMessageA(g_frame.coolbar, RB_SETBANDINFOA, i, reinterpret_cast<LPARAM>(&info));
  }
  for (uint32_t id = 1; id <= 4; ++id) {
    HWND bar = BarOfId(id);
    if (bar && IsWindow(bar) && GetParent(bar) != main) SetParent(bar, main);
  }
  for (int i = count - 1; i >= 0; --i) SendMessageA(g_frame.coolbar, RB_DELETEBAND, i, 0);
}

void SetWraps() {
  const LiveOptions& o = GetLiveOptions();
  bool out = !g_frame.barsInCoolbar;
  g_frame.toolbarWraps = out && o.toolbarScrolls;
  g_frame.launchBarWraps = out && o.toolbarScrolls;
  g_frame.driveBarWraps = out && o.driveBarScrolls;
}
}  // namespace

CoolbarLayout& CurrentCoolbarLayout() { return g_layout; }

void DefaultCoolbarLayout(CoolbarLayout* layout) {
  for (uint32_t i = 0; i < 4; ++i) layout->bands[i] = CoolbarBand{i + 1, 150, 1};
}

void EncodeCoolbarLayout(const CoolbarLayout& layout, uint8_t (&bytes)[kCoolbarValueSize]) {
  for (int i = 0; i < 4; ++i) {
    le::PutU32(bytes + 12 * i, layout.bands[i].id);
    le::PutU32(bytes + 12 * i + 4, layout.bands[i].width);
    le::PutU32(bytes + 12 * i + 8, layout.bands[i].breaks);
  }
}

bool DecodeCoolbarLayout(const uint8_t* bytes, size_t size, CoolbarLayout* layout) {
  if (!bytes || size != kCoolbarValueSize) return false;
  CoolbarLayout read{};
  unsigned seen = 0;
  for (int i = 0; i < 4; ++i) {
    CoolbarBand& b = read.bands[i];
    b.id = le::GetU32(bytes + 12 * i);
    b.width = le::GetU32(bytes + 12 * i + 4);
    b.breaks = le::GetU32(bytes + 12 * i + 8);
    if (b.id < 1 || b.id > 4 || (seen & (1u << b.id)) || b.breaks > 1 || b.width > 32767) return false;
    seen |= 1u << b.id;
  }
  *layout = read;
  return true;
}

void LoadCoolbarLayout() {
  DefaultCoolbarLayout(&g_layout);
  uint8_t bytes[kCoolbarValueSize + 4];
  DWORD size = sizeof bytes;
  if (ReadSettingBinary(kCoolbarValue, bytes, &size) && !DecodeCoolbarLayout(bytes, size, &g_layout))
    DefaultCoolbarLayout(&g_layout);
}

void CollectCoolbarLayout() {
  if (!HaveRebar()) return;
  CoolbarLayout kept = g_layout;
  CoolbarLayout collected{};
  int filled = 0;
  unsigned seen = 0;
  int count = static_cast<int>(SendMessageA(g_frame.coolbar, RB_GETBANDCOUNT, 0, 0));
  for (int i = 0; i < count && filled < 4; ++i) {
    REBARBANDINFOA info{};
    info.cbSize = REBARBANDINFOA_V6_SIZE;
    info.fMask = RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
    if (!SendMessageA(g_frame.coolbar, RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&info))) continue;
    if (info.wID < 1 || info.wID > 4 || (seen & (1u << info.wID))) continue;
    seen |= 1u << info.wID;
    collected.bands[filled++] = CoolbarBand{info.wID, info.cx, (info.fStyle & RBBS_BREAK) ? 1u : 0u};
  }
  // Hidden bars have no band: their entries keep their width and break flag.
  for (uint32_t id = 1; id <= 4 && filled < 4; ++id) {
    if (seen & (1u << id)) continue;
    CoolbarBand band{id, 150, 1};
    for (const CoolbarBand& k : kept.bands)
      if (k.id == id) band = k;
    collected.bands[filled++] = band;
  }
  g_layout = collected;
}

void SaveCoolbarLayout() {
  if (HaveRebar() && g_frame.barsInCoolbar) CollectCoolbarLayout();
  uint8_t bytes[kCoolbarValueSize];
  EncodeCoolbarLayout(g_layout, bytes);
  WriteSettingBinary(kCoolbarValue, bytes, sizeof bytes);
}

int BuildCoolbarBands() {
  if (!HaveRebar()) return 0;
  DetachAndDeleteBands();
  if (g_bandHeight < 11) {
    for (uint32_t id = 1; id <= 4; ++id) {
      HWND bar = BarOfId(id);
      RECT r{};
      if (bar && GetClientRect(bar, &r)) g_bandHeight = std::max<int>(g_bandHeight, r.bottom);
    }
  }
  int position = 0;
  for (const CoolbarBand& entry : g_layout.bands) {
    HWND bar = BarOfId(entry.id);
    if (!bar || !IsWindow(bar)) continue;
    if (!BarShown(entry.id)) {
      ShowWindow(bar, SW_HIDE);
      continue;
    }
    REBARBANDINFOA info{};
    info.cbSize = REBARBANDINFOA_V6_SIZE;
    info.fMask = RBBIM_STYLE | RBBIM_COLORS | RBBIM_CHILD | RBBIM_SIZE | RBBIM_ID | RBBIM_CHILDSIZE;
    info.fStyle = entry.breaks ? RBBS_BREAK : 0;
    info.clrFore = GetSysColor(COLOR_BTNTEXT);
    info.clrBack = GetSysColor(COLOR_BTNFACE);
    info.hwndChild = bar;
    info.cx = entry.width;
    info.wID = entry.id;
    info.cxMinChild = 70;
    info.cyMinChild = g_bandHeight;
    SendMessageA(g_frame.coolbar, RB_INSERTBANDA, position, reinterpret_cast<LPARAM>(&info));
    REBARBANDINFOA size{};
    size.cbSize = REBARBANDINFOA_V6_SIZE;
    size.fMask = RBBIM_CHILDSIZE;
    size.cxMinChild = 70;
    size.cyMinChild = g_bandHeight;
    SendMessageA(g_frame.coolbar, RB_SETBANDINFOA, position, reinterpret_cast<LPARAM>(&size));
    ++position;
    ShowWindow(bar, SW_SHOWNA);
  }
  ShowWindow(g_frame.coolbar, SW_SHOWNA);
  g_frame.barsInCoolbar = TRUE;
  SetWraps();
  return 1;
}

void UpdateBarStylesForCoolbar() {
  if (!HaveRebar()) {
    SetWraps();
    return;
  }
  const LiveOptions& o = GetLiveOptions();
  if (o.resizableToolbar && !g_frame.barsInCoolbar) {
    for (HWND bar : {g_frame.toolbar, g_frame.driveBar, g_frame.launchBar})
      if (bar) SetToolbarWrapable(bar, FALSE);
    BuildCoolbarBands();
    RECT client{};
    GetClientRect(MainWindowOfBars(), &client);
    SetWindowPos(g_frame.coolbar, nullptr, 0, 0, client.right, client.bottom - 1,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (!o.resizableToolbar && g_frame.barsInCoolbar) {
    if (g_frame.toolbar) SetToolbarWrapable(g_frame.toolbar, o.toolbarScrolls != 0);
    if (g_frame.launchBar) SetToolbarWrapable(g_frame.launchBar, o.toolbarScrolls != 0);
    if (g_frame.driveBar) SetToolbarWrapable(g_frame.driveBar, o.driveBarScrolls != 0);
    MoveBarsOutOfCoolbar();
  } else if (!g_frame.barsInCoolbar) {
    if (g_frame.driveBar) SetToolbarWrapable(g_frame.driveBar, o.driveBarScrolls != 0);
    SetWraps();
  }
}

void MoveBarsOutOfCoolbar() {
  if (!HaveRebar()) return;
  CollectCoolbarLayout();
  DetachAndDeleteBands();
  ShowWindow(g_frame.coolbar, SW_HIDE);
  for (uint32_t id = 1; id <= 4; ++id) {
    HWND bar = BarOfId(id);
    if (bar && IsWindow(bar)) ShowWindow(bar, BarShown(id) ? SW_SHOWNA : SW_HIDE);
  }
  g_frame.barsInCoolbar = FALSE;
  SetWraps();
}

void DetachBarsFromCoolbar() {
  if (!HaveRebar()) return;
  DetachAndDeleteBands();
}

void RefreshCoolbarBands() {
  if (!HaveRebar() || !g_frame.barsInCoolbar) return;
  CollectCoolbarLayout();
  BuildCoolbarBands();
}

void AttachLaunchBarToCoolbar(HWND launchBar) {
  if (!HaveRebar() || !g_frame.barsInCoolbar) return;
  int count = std::min<int>(4, static_cast<int>(SendMessageA(g_frame.coolbar, RB_GETBANDCOUNT, 0, 0)));
  for (int i = 0; i < count; ++i) {
    REBARBANDINFOA info{};
    info.cbSize = REBARBANDINFOA_V6_SIZE;
    info.fMask = RBBIM_ID;
    if (!SendMessageA(g_frame.coolbar, RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&info)) || info.wID != 3)
      continue;
    REBARBANDINFOA child{};
    child.cbSize = REBARBANDINFOA_V6_SIZE;
    child.fMask = RBBIM_CHILD;
    child.hwndChild = launchBar;
    SendMessageA(g_frame.coolbar, RB_SETBANDINFOA, i, reinterpret_cast<LPARAM>(&child));
    ShowWindow(launchBar, SW_SHOWNA);
  }
}

void InitCoolbarExtras() {}
