#include "clock_panel.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "clockmon_drawing.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_clockmon.h"
#include "seams.h"

namespace jqbar {
namespace {

constexpr const char* kClockClass = "JQBarClock";
constexpr int kHelpTopic = 79;

struct ClockInstance {
  ClockSettings s{};
  HWND window = nullptr;
  HICON icon = nullptr;
  int zone = 0;
  ClockTime time{};
  int lastSecond = -1;
  bool daylight = false;
  int yOffset = 0;
  HFONT digitalFont = nullptr;
  int digitalHeight = 0;
  int depth = 0, offset = 0;
  bool insideTaskbar = false;
  bool keyMode = false;
  std::uint8_t blob[kClockBlobSize] = {};
};

struct SizeRow { int points, depth, offset; };
constexpr SizeRow kSizes[4] = {{10, 0, 1}, {18, 1, 2}, {26, 1, 3}, {36, 2, 4}};

PanelType g_type{};
HFONT g_smallFont = nullptr;
bool g_fontCreated = false;
int g_lineHeight = 13;
std::vector<TimeZoneEntry> g_zones;
ClockInstance* g_pending = nullptr;
HWND g_sheetClock = nullptr;  // the clock whose property sheet is open
HWND g_sheetPage = nullptr;
bool g_classRegistered = false;

ClockInstance* Instance(HWND w) { return reinterpret_cast<ClockInstance*>(GetWindowLongPtrA(w, 0)); }

ZoneRules Rules(const ClockInstance& c) {
  ZoneRules r;
  ReadZoneRules(c.s.tzi, r);
  return r;
}

COLORREF DigitalColour(int index) {
  switch (index) {
    case 0: return PALETTERGB(255, 0, 0);
    case 1: return PALETTERGB(0, 0, 255);
    case 2: return PALETTERGB(0, 255, 0);
    case 3: return RGB(0, 0, 0);
    case 4: return GetSysColor(COLOR_BTNTEXT);
    default: return GetSysColor(COLOR_BTNFACE);
  }
}

void BuildDigitalFont(ClockInstance& c) {
  if (c.digitalFont) DeleteObject(c.digitalFont);
  const SizeRow& row = kSizes[c.s.size];
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(row.points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  c.digitalFont = CreateFontA(height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  c.depth = row.depth;
  c.offset = Globals().noDropShadow ? 0 : row.offset;
  HGDIOBJ old = SelectObject(screen, c.digitalFont ? c.digitalFont : GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(screen, &tm);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  c.digitalHeight = tm.tmHeight + c.depth + c.offset;
}

void UpdateDaylightFlag(ClockInstance& c) {
  SYSTEMTIME utc;
  seams::GetSystemTime(&utc);
  ZoneRules r = Rules(c);
  c.daylight = IsDaylightTime(r, ZoneTimeFromUtc(utc, r, c.daylight));
}

ClockTime CurrentZoneTime(const ClockInstance& c) {
  SYSTEMTIME utc;
  seams::GetSystemTime(&utc);
  return ZoneTimeFromUtc(utc, Rules(c), c.daylight);
}

void RecomputeOffset(ClockInstance& c) {
  RECT rc;
  GetClientRect(c.window, &rc);
  int d = (c.s.showCaption ? g_lineHeight + 3 : 0) + (c.s.showAnalog ? 37 : 0) +
          (c.s.showDate ? g_lineHeight + 3 : 0) + (c.s.showDigital ? c.digitalHeight + 1 : 0);
  c.yOffset = (rc.bottom - d) / 2;
}

void DateText(const ClockTime& t, char* out, int capacity) {
  SYSTEMTIME st{};
  st.wYear = WORD(t.year);
  st.wMonth = WORD(t.month);
  st.wDay = WORD(t.day);
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, capacity))
    snprintf(out, size_t(capacity), "%d/%d/%d", t.year, t.month, t.day);
}

SIZE SmallTextSize(HDC dc, const char* text) {
  HGDIOBJ old = SelectObject(dc, g_smallFont);
  SIZE sz{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &sz);
  SelectObject(dc, old);
  return sz;
}

SIZE DateSampleSize() {
  SYSTEMTIME utc;
  seams::GetSystemTime(&utc);
  ClockTime t{utc.wYear, 12, utc.wDay};
  char text[80];
  DateText(t, text, sizeof text);
  HDC dc = GetDC(nullptr);
  SIZE sz = SmallTextSize(dc, text);
  ReleaseDC(nullptr, dc);
  return sz;
}

void DrawDigitalRun(HDC dc, ClockInstance& c, const char* text, int x0, int y) {
  int n = lstrlenA(text);
  if (!Globals().noDropShadow) {
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    for (int k = 0; k <= c.depth; ++k) TextOutA(dc, x0 + c.offset + k, y + c.offset, text, n);
  }
  SetTextColor(dc, DigitalColour(c.s.colour));
  for (int k = 0; k <= c.depth; ++k) TextOutA(dc, x0 + k, y + k, text, n);
}

void DrawHand(HDC dc, int cx, int cy, double angle, int length, int dx) {
  MoveToEx(dc, cx + dx, cy + dx, nullptr);
  LineTo(dc, cx + int(std::sin(angle) * length) + dx, cy - int(std::cos(angle) * length) + dx);
}

void PaintClock(HDC dc, ClockInstance& c, bool secondsOnly) {
  RECT rc;
  GetClientRect(c.window, &rc);
  const int W = rc.right;
  int y = c.yOffset;
  HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_BTNFACE));
  if (!secondsOnly) PaintParentBackground(c.window, &rc, dc, c.keyMode);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ oldFont = SelectObject(dc, g_smallFont);
  if (c.s.showCaption) {
    if (!secondsOnly) {
      char text[32];
      FitTextToWidth(dc, c.s.caption, W - 2, text, sizeof text);
      SIZE sz{};
      GetTextExtentPoint32A(dc, text, lstrlenA(text), &sz);
      DrawShadowedText(dc, (W - sz.cx) / 2 - 2, y, text);
    }
    y += g_lineHeight + 3;
  }
  if (c.s.showDigital) {
    char text[32];
    int secondsAt = FormatDigitalTime(c.time, c.s.seconds != 0, c.s.hour24 != 0, text, sizeof text);
    SelectObject(dc, c.digitalFont ? c.digitalFont : GetStockObject(SYSTEM_FONT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SIZE sz{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &sz);
    int x0 = (W - c.offset - c.depth - sz.cx) / 2;
    if (!secondsOnly) {
      RECT line{0, y, W, y + c.digitalHeight};
      PaintParentBackground(c.window, &line, dc, c.keyMode);
      DrawDigitalRun(dc, c, text, x0, y);
    } else if (secondsAt >= 0) {
      SIZE head{};
      GetTextExtentPoint32A(dc, text, secondsAt, &head);
      RECT part{x0 + head.cx, y, W, y + c.digitalHeight};
      PaintParentBackground(c.window, &part, dc, c.keyMode);
      DrawDigitalRun(dc, c, text + secondsAt, x0 + head.cx, y);
    }
    SelectObject(dc, g_smallFont);
    y += c.digitalHeight + 1;
  }
  if (c.s.showAnalog) {
    const int cx = W / 2, cy = y + 17;
    if (!secondsOnly) {
      if (c.icon) DrawIconGlyph(dc, c.icon, (W - 32) / 2 + 2, y + 4, GetSysColor(COLOR_BTNSHADOW));
      double hourAngle = ((c.time.hour % 12) * 60 + c.time.minute) * 0.008726646;
      double minuteAngle = c.time.minute * 0.10471975;
      if (!Globals().noDropShadow) {
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ old = SelectObject(dc, pen);
        DrawHand(dc, cx, cy, hourAngle, 10, 3);
        DrawHand(dc, cx, cy, minuteAngle, 13, 3);
        SelectObject(dc, old);
        DeleteObject(pen);
      }
      HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
      HGDIOBJ old = SelectObject(dc, pen);
      DrawHand(dc, cx, cy, hourAngle, 10, 0);
      DrawHand(dc, cx, cy, minuteAngle, 13, 0);
      SelectObject(dc, old);
      DeleteObject(pen);
      if (c.icon) DrawIconEx(dc, (W - 32) / 2 - 1, y + 1, c.icon, 32, 32, 0, nullptr, DI_NORMAL);
    }
    if (c.s.seconds) {
      int oldRop = SetROP2(dc, R2_NOT);
      if (secondsOnly && c.lastSecond >= 0) DrawHand(dc, cx, cy, c.lastSecond * 0.10471975, 13, 0);
      DrawHand(dc, cx, cy, c.time.second * 0.10471975, 13, 0);
      c.lastSecond = c.time.second;
      SetROP2(dc, oldRop);
    }
    y += 36;
  }
  if (c.s.showDate && !secondsOnly) {
    char text[80];
    DateText(c.time, text, sizeof text);
    SIZE sz{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &sz);
    DrawShadowedText(dc, (W - sz.cx) / 2 - 2, y, text);
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
}

void RefreshOpenPage(HWND clock);

void Changed(ClockInstance& c, int relayout) {
  SendMessageA(GetParent(c.window), PNM_CHANGED, WPARAM(c.window), relayout);
  RefreshOpenPage(c.window);
}

void ShowMenu(ClockInstance& c, POINT screen) {
  HMENU menu = CreatePopupMenu();
  auto add = [](HMENU m, UINT id, UINT text, bool checked) {
    AppendMenuA(m, MF_STRING | (checked ? MF_CHECKED : 0), id, LoadResString(text));
  };
  if (!c.insideTaskbar) {
    add(menu, IDM_CLOCK_CAPTION, IDS_CLOCK_MENU_CAPTION, c.s.showCaption != 0);
    add(menu, IDM_CLOCK_DIGITAL, IDS_CLOCK_MENU_DIGITAL, c.s.showDigital != 0);
    add(menu, IDM_CLOCK_ANALOG, IDS_CLOCK_MENU_ANALOG, c.s.showAnalog != 0);
  }
  add(menu, IDM_CLOCK_DATE, IDS_CLOCK_MENU_DATE, c.s.showDate != 0);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(menu, IDM_CLOCK_SECONDS, IDS_CLOCK_MENU_SECONDS, c.s.seconds != 0);
  add(menu, IDM_CLOCK_24HOUR, IDS_CLOCK_MENU_24HOUR, c.s.hour24 != 0);
  if (c.s.showDigital) {
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    HMENU sizes = CreatePopupMenu();
    for (int i = 0; i < (c.insideTaskbar ? 2 : 4); ++i)
      AppendMenuA(sizes, MF_STRING, IDM_CLOCK_SIZE_FIRST + i, LoadResString(IDS_CLOCK_SIZE_FIRST + i));
    CheckMenuRadioItem(sizes, IDM_CLOCK_SIZE_FIRST, IDM_CLOCK_SIZE_FIRST + 3,
                       IDM_CLOCK_SIZE_FIRST + c.s.size, MF_BYCOMMAND);
    AppendMenuA(menu, MF_POPUP, UINT_PTR(sizes), LoadResString(IDS_CLOCK_MENU_SIZE));
    HMENU colours = CreatePopupMenu();
    for (int i = 0; i < 6; ++i)
      AppendMenuA(colours, MF_STRING, IDM_CLOCK_COLOUR_FIRST + i,
                  LoadResString(IDS_CLOCK_COLOUR_FIRST + i));
    CheckMenuRadioItem(colours, IDM_CLOCK_COLOUR_FIRST, IDM_CLOCK_COLOUR_FIRST + 5,
                       IDM_CLOCK_COLOUR_FIRST + c.s.colour, MF_BYCOMMAND);
    AppendMenuA(menu, MF_POPUP, UINT_PTR(colours), LoadResString(IDS_CLOCK_MENU_COLOUR));
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, 412, LoadResString(526));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_CLOCK_PROPERTIES, LoadResString(IDS_CLOCKMON_PROPERTIES));
  RevealFrameForModal(c.window);
  UINT id = UINT(seams::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y,
                                         c.window, nullptr));
  EndFrameModal();
  DestroyMenu(menu);
  if (id) SendMessageA(c.window, WM_COMMAND, id, 0);
}

void OnCommand(ClockInstance& c, int id) {
  std::int32_t* toggles2[] = {&c.s.showCaption, &c.s.showDigital, &c.s.showAnalog, &c.s.showDate};
  if (id == IDM_CLOCK_CAPTION || (id >= IDM_CLOCK_DIGITAL && id <= IDM_CLOCK_DATE)) {
    std::int32_t* f = toggles2[id == IDM_CLOCK_CAPTION ? 0 : id - IDM_CLOCK_DIGITAL + 1];
    *f = *f ? 0 : 2;
  } else if (id == IDM_CLOCK_SECONDS || id == IDM_CLOCK_24HOUR) {
    std::int32_t& f = id == IDM_CLOCK_SECONDS ? c.s.seconds : c.s.hour24;
    f = f ? 0 : 1;
    c.lastSecond = -1;
  } else if (id >= IDM_CLOCK_SIZE_FIRST && id < IDM_CLOCK_SIZE_FIRST + 4) {
    if (c.s.size == id - IDM_CLOCK_SIZE_FIRST) return;
    c.s.size = id - IDM_CLOCK_SIZE_FIRST;
    BuildDigitalFont(c);
  } else if (id >= IDM_CLOCK_COLOUR_FIRST && id < IDM_CLOCK_COLOUR_FIRST + 6) {
    if (c.s.colour == id - IDM_CLOCK_COLOUR_FIRST) return;
    c.s.colour = id - IDM_CLOCK_COLOUR_FIRST;
    Changed(c, 0);
    InvalidateRect(c.window, nullptr, FALSE);
    return;
  } else if (id == 412) {
    OpenHelpTopic(c.window, kHelpTopic);
    return;
  } else if (id == 458) {
    SendMessageA(GetParent(c.window), PNM_OPENCONFIG, 0, 0);
    return;
  } else if (id == IDM_CLOCK_PROPERTIES) {
    HWND target = c.insideTaskbar ? GetParent(GetParent(c.window)) : GetParent(c.window);
    SendMessageA(target, PNM_OPENCONFIG, WPARAM(c.window), 0);
    return;
  } else {
    return;
  }
  RecomputeOffset(c);
  Changed(c, 1);
  InvalidateRect(c.window, nullptr, TRUE);
}

void Tick(ClockInstance& c) {
  ClockTime t = CurrentZoneTime(c);
  bool keyMode = c.keyMode;
  if (t.minute != c.time.minute || t.hour != c.time.hour || t.day != c.time.day) {
    UpdateDaylightFlag(c);
    c.time = CurrentZoneTime(c);
    if (keyMode) {
      InvalidateRect(c.window, nullptr, TRUE);
    } else {
      c.lastSecond = -1;
      HDC dc = GetDC(c.window);
      PaintClock(dc, c, false);
      ReleaseDC(c.window, dc);
    }
  } else if (c.s.seconds) {
    c.time.second = t.second;
    if (keyMode) {
      InvalidateRect(c.window, nullptr, TRUE);
    } else {
      HDC dc = GetDC(c.window);
      PaintClock(dc, c, true);
      ReleaseDC(c.window, dc);
    }
  }
}

LRESULT PreferredSize(ClockInstance& c) {
  int w = 20, h = -2;
  HDC dc = GetDC(c.window);
  if (c.s.showCaption) {
    SIZE sz = SmallTextSize(dc, c.s.caption);
    w = sz.cx >= 54 ? sz.cx + 6 : 60;
    h = g_lineHeight + 1;
  }
  if (c.s.showDigital) {
    const char* sample = c.s.hour24 ? (c.s.seconds ? "22:22:22" : "22:22")
                                    : (c.s.seconds ? "12:22:22 P" : "12:22 P");
    HGDIOBJ old = SelectObject(dc, c.digitalFont ? c.digitalFont : GetStockObject(SYSTEM_FONT));
    SIZE sz{};
    GetTextExtentPoint32A(dc, sample, lstrlenA(sample), &sz);
    SelectObject(dc, old);
    w = std::max<int>(w, c.depth + c.offset + sz.cx);
    h += c.depth + c.offset + sz.cy + 1;
  }
  if (c.s.showAnalog) {
    w = std::max(w, 36);
    h += 37;
  }
  ReleaseDC(c.window, dc);
  if (c.s.showDate) {
    SIZE sz = DateSampleSize();
    w = std::max<int>(w, sz.cx);
    h += sz.cy + 1;
  }
  return MakeSize(w + 4, h + 4);
}

void RefreshAfterSettings(ClockInstance& c) {
  UpdateDaylightFlag(c);
  c.time = CurrentZoneTime(c);
  c.lastSecond = -1;
}

INT_PTR CALLBACK ClockPageProc(HWND page, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_DESTROY && g_sheetPage == page) g_sheetPage = nullptr;
  return FALSE;
}

void FillPage(HWND page, const ClockInstance& c) {
  auto check = [&](int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); };
  check(IDC_CLOCK_CAPTION_ON, c.s.showCaption != 0);
  check(IDC_CLOCK_DIGITAL_ON, c.s.showDigital != 0);
  check(IDC_CLOCK_ANALOG_ON, c.s.showAnalog != 0);
  check(IDC_CLOCK_DATE_ON, c.s.showDate != 0);
  check(IDC_CLOCK_SECONDS_ON, c.s.seconds != 0);
  check(IDC_CLOCK_24HOUR_ON, c.s.hour24 != 0);
  SetDlgItemTextA(page, IDC_CLOCK_CAPTION, c.s.caption);
  SendDlgItemMessageA(page, IDC_CLOCK_SIZE, CB_SETCURSEL, WPARAM(c.s.size), 0);
  SendDlgItemMessageA(page, IDC_CLOCK_COLOUR, CB_SETCURSEL, WPARAM(c.s.colour), 0);
  SendDlgItemMessageA(page, IDC_CLOCK_ZONE, CB_SETCURSEL, WPARAM(c.zone), 0);
}

void RefreshOpenPage(HWND clock) {
  if (g_sheetPage && g_sheetClock == clock)
    if (ClockInstance* c = Instance(clock)) FillPage(g_sheetPage, *c);
}

void ApplyPage(HWND page, ClockInstance& c) {
  bool changed = false;
  auto take = [&](int id, std::int32_t& field, std::int32_t on) {
    std::int32_t v = IsDlgButtonChecked(page, id) == BST_CHECKED ? on : 0;
    if (v != field) changed = true;
    field = v;
  };
  take(IDC_CLOCK_CAPTION_ON, c.s.showCaption, 2);
  take(IDC_CLOCK_DIGITAL_ON, c.s.showDigital, 2);
  take(IDC_CLOCK_ANALOG_ON, c.s.showAnalog, 2);
  take(IDC_CLOCK_DATE_ON, c.s.showDate, 2);
  take(IDC_CLOCK_SECONDS_ON, c.s.seconds, 1);
  take(IDC_CLOCK_24HOUR_ON, c.s.hour24, 1);
  char caption[31] = {};
  GetDlgItemTextA(page, IDC_CLOCK_CAPTION, caption, sizeof caption);
  if (std::strncmp(caption, c.s.caption, 30) != 0) changed = true;
  caption[kClockCaptionMax] = 0;
  std::memset(c.s.caption, 0, sizeof c.s.caption);
  lstrcpynA(c.s.caption, caption, kClockCaptionMax + 1);
  int size = int(SendDlgItemMessageA(page, IDC_CLOCK_SIZE, CB_GETCURSEL, 0, 0));
  if (size >= 0 && size < 4 && size != c.s.size) {
    c.s.size = size;
    BuildDigitalFont(c);
    changed = true;
  }
  int colour = int(SendDlgItemMessageA(page, IDC_CLOCK_COLOUR, CB_GETCURSEL, 0, 0));
  if (colour >= 0 && colour < 6 && colour != c.s.colour) {
    c.s.colour = colour;
    changed = true;
  }
  int zone = int(SendDlgItemMessageA(page, IDC_CLOCK_ZONE, CB_GETCURSEL, 0, 0));
  if (zone >= 0 && std::size_t(zone) < g_zones.size()) {
    if (std::memcmp(c.s.tzi, g_zones[std::size_t(zone)].tzi, kTziSize) != 0) changed = true;
    std::memcpy(c.s.tzi, g_zones[std::size_t(zone)].tzi, kTziSize);
    if (zone != c.zone) changed = true;
    c.zone = zone;
  }
  if (!changed) return;
  RefreshAfterSettings(c);
  SendMessageA(GetParent(c.window), PNM_CHANGED, WPARAM(c.window), 1);
  RecomputeOffset(c);
  InvalidateRect(c.window, nullptr, TRUE);
}

INT_PTR CALLBACK ClockPropertiesProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      ClockInstance* c = Instance(g_sheetClock);
      HWND tab = GetDlgItem(sheet, IDC_CLOCK_TAB);
      AddTabFromString(tab, 0, IDS_CLOCK_TAB);
      g_sheetPage = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_CLOCK_PAGE), sheet,
                                       ClockPageProc, 0);
      if (g_sheetPage) {
        POINT at = SheetPageOrigin(sheet, tab);
        SetWindowPos(g_sheetPage, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        for (int i = 0; i < 4; ++i)
          SendDlgItemMessageA(g_sheetPage, IDC_CLOCK_SIZE, CB_ADDSTRING, 0,
                              LPARAM(LoadResString(IDS_CLOCK_SIZE_FIRST + i)));
        for (int i = 0; i < 6; ++i)
          SendDlgItemMessageA(g_sheetPage, IDC_CLOCK_COLOUR, CB_ADDSTRING, 0,
                              LPARAM(LoadResString(IDS_CLOCK_COLOUR_FIRST + i)));
        for (const TimeZoneEntry& z : g_zones) {
          char line[120];
          snprintf(line, sizeof line, "%s:  %s", z.keyName.c_str(), z.display.c_str());
          SendDlgItemMessageA(g_sheetPage, IDC_CLOCK_ZONE, CB_ADDSTRING, 0, LPARAM(line));
        }
        SendDlgItemMessageA(g_sheetPage, IDC_CLOCK_CAPTION, EM_LIMITTEXT, kClockCaptionMax, 0);
        if (c) FillPage(g_sheetPage, *c);
        SetFocus(GetDlgItem(g_sheetPage, IDC_CLOCK_CAPTION));
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_CLOCKMON_APPLY && g_sheetPage)
        if (ClockInstance* c = Instance(g_sheetClock)) ApplyPage(g_sheetPage, *c);
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(sheet, kHelpTopic);
      return TRUE;
    case WM_DESTROY:
      if (g_sheetPage) DestroyWindow(g_sheetPage);
      g_sheetPage = nullptr;
      g_sheetClock = nullptr;
      return FALSE;
  }
  return FALSE;
}

LRESULT CALLBACK ClockWndProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  ClockInstance* c = Instance(w);
  switch (msg) {
    case WM_CREATE:
      c = g_pending;
      g_pending = nullptr;
      if (!c) return -1;
      c->window = w;
      SetWindowLongPtrA(w, 0, LONG_PTR(c));
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrA(w, 0, 0);
      if (c) {
        KillTimer(w, 0);
        if (c->digitalFont) DeleteObject(c->digitalFont);
        if (c->icon) DestroyIcon(c->icon);
        if (g_sheetClock == w) g_sheetClock = nullptr;
        delete c;
      }
      return 0;
  }
  if (!c) return DefWindowProcA(w, msg, wParam, lParam);
  switch (msg) {
    case WM_SIZE:
      RecomputeOffset(*c);
      return 0;
    case WM_PAINT: {
      if (!GetUpdateRect(w, nullptr, FALSE)) return 0;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      c->lastSecond = -1;
      PaintClock(dc, *c, false);
      if (c->keyMode) {
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
      PaintParentBackground(w, &rc, HDC(wParam), c->keyMode);
      return 1;
    }
    case WM_WININICHANGE: {
      SIZE sz = DateSampleSize();
      RECT rc;
      GetClientRect(w, &rc);
      if (rc.right < sz.cx + 6) SendMessageA(GetParent(w), PNM_RELAYOUT, 0, 0);
      else InvalidateRect(w, nullptr, TRUE);
      return 0;
    }
    case WM_SYSCOLORCHANGE:
      InvalidateRect(w, nullptr, TRUE);
      return 0;
    case WM_NCHITTEST:
      if (GetKeyState(VK_RBUTTON) < 0) break;
      return HTTRANSPARENT;
    case WM_RBUTTONUP: {
      POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
      ClientToScreen(w, &p);
      ShowMenu(*c, p);
      return 0;
    }
    case WM_TIMER:
      Tick(*c);
      return 0;
    case WM_COMMAND:
      OnCommand(*c, LOWORD(wParam));
      return 0;
    case PNM_GETSETTINGS:
      WriteClockSettings(c->s, c->blob);
      if (lParam) *reinterpret_cast<void**>(lParam) = c->blob;
      return kClockBlobSize;
    case PNM_SETSETTINGS: {
      ClockSettings s{};
      int oldSize = c->s.size;
      if (int(wParam) == kClockBlobSize && ReadClockSettings(reinterpret_cast<void*>(lParam),
                                                             kClockBlobSize, s))
        c->s = s;
      if (c->s.size != oldSize) BuildDigitalFont(*c);
      c->zone = FindTimeZoneByTzi(g_zones, c->s.tzi);
      RefreshOpenPage(w);
      RefreshAfterSettings(*c);
      RecomputeOffset(*c);
      InvalidateRect(w, nullptr, TRUE);
      return 1;
    }
    case PNM_CREATEPAGE: {
      g_sheetClock = w;
      return LRESULT(CreatePlacedSheet(IDD_CLOCK_SHEET, HWND(wParam), ClockPropertiesProc, 0, lParam));
    }
    case PNM_GETPREFSIZE:
      return PreferredSize(*c);
    case PNM_NEGOTIATESIZE:
    case PNM_NEGOTIATESIZE2:
      return 0;
    case PNM_NEGOTIATESIZE3: {
      const auto* p = reinterpret_cast<const SizeProposal*>(lParam);
      if (!p) return 0;
      return p->horizontal ? MakeSize(p->currentWidth, p->crossExtent)
                           : MakeSize(p->crossExtent, p->currentHeight);
    }
    case PNM_HELP:
      OpenHelpTopic(w, kHelpTopic);
      return 1;
    case PNM_KEYMODEON:
    case PNM_KEYMODEOFF:
    case PNM_KEY: {
      LRESULT result = 0;
      HandlePanelKeyMode(w, msg, wParam, c->keyMode,
                         [](HWND panel, POINT screen) { ShowMenu(*Instance(panel), screen); }, &result);
      return result;
    }
  }
  return DefWindowProcA(w, msg, wParam, lParam);
}

}  // namespace

int FormatDigitalTime(const ClockTime& t, bool seconds, bool hour24, char* out, int capacity) {
  int hour = t.hour;
  if (hour24) {
    if (seconds) snprintf(out, size_t(capacity), "%d:%02d:%02d", hour, t.minute, t.second);
    else snprintf(out, size_t(capacity), "%d:%02d", hour, t.minute);
  } else {
    char letter = hour < 12 ? 'A' : 'P';
    if (hour == 0) hour = 12;
    else if (hour > 12) hour -= 12;
    if (seconds) snprintf(out, size_t(capacity), "%d:%02d:%02d %c", hour, t.minute, t.second, letter);
    else snprintf(out, size_t(capacity), "%d:%02d %c", hour, t.minute, letter);
  }
  if (!seconds) return -1;
  return hour < 10 ? 5 : 6;
}

const std::vector<TimeZoneEntry>& ClockTimeZones() { return g_zones; }

bool GetClockState(HWND clock, ClockSettings* settings, ClockTime* time, bool* daylight, int* zone) {
  ClockInstance* c = IsWindow(clock) ? Instance(clock) : nullptr;
  if (!c) return false;
  if (settings) *settings = c->s;
  if (time) *time = c->time;
  if (daylight) *daylight = c->daylight;
  if (zone) *zone = c->zone;
  return true;
}

HWND CreateClock(HWND parent, const RECT* rect, const void* blob, int size) {
  auto c = std::make_unique<ClockInstance>();
  bool fromBlob = blob && ReadClockSettings(blob, size, c->s);
  if (fromBlob) {
    if (c->s.flags & 1) {
      c->zone = FindCurrentTimeZone(g_zones);
      if (!g_zones.empty()) std::memcpy(c->s.tzi, g_zones[std::size_t(c->zone)].tzi, kTziSize);
      c->s.flags = 0;
    } else {
      c->zone = FindTimeZoneByTzi(g_zones, c->s.tzi);
    }
  } else {
    c->s = DefaultClockSettings();
    c->zone = FindCurrentTimeZone(g_zones);
    if (!g_zones.empty()) std::memcpy(c->s.tzi, g_zones[std::size_t(c->zone)].tzi, kTziSize);
  }
  c->icon = HICON(LoadImageA(Globals().instance, MAKEINTRESOURCEA(IDI_CLOCK_FACE), IMAGE_ICON, 32, 32, 0));
  BuildDigitalFont(*c);
  UpdateDaylightFlag(*c);
  c->time = CurrentZoneTime(*c);
  ClockInstance* raw = c.get();
  g_pending = raw;
  HWND w = CreateWindowExA(0, kClockClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect->left,
                           rect->top, rect->right - rect->left, rect->bottom - rect->top, parent,
                           nullptr, Globals().instance, nullptr);
  g_pending = nullptr;
  if (!w) {
    if (raw->digitalFont) DeleteObject(raw->digitalFont);
    if (raw->icon) DestroyIcon(raw->icon);
    return nullptr;
  }
  c.release();  // the window owns it now
  raw->insideTaskbar = IsInsideTaskbar(w);
  SetTimer(w, 0, 1000, nullptr);
  RefreshAfterSettings(*raw);
  RecomputeOffset(*raw);
  InvalidateRect(w, nullptr, TRUE);
  return w;
}

PanelType* RegisterClockPanelType(HINSTANCE instance) {
  if (!g_classRegistered) g_classRegistered = RegisterPanelClass(instance, kClockClass, ClockWndProc);
  FillBuiltinType(g_type, instance, "Clock", IDS_TYPE_CLOCK, IDS_TYPE_CLOCK_DESC, IDB_TYPE_CLOCK,
                  IDB_TYPE_CLOCK_MASK, CreateClock);
  g_type.cleanup = FreeClockPanelType;
  if (!g_smallFont) {
    g_smallFont = CreateSmallPanelFont(&g_lineHeight, &g_fontCreated);
  }
  OSVERSIONINFOA v{sizeof v};
  GetVersionExA(&v);
  g_zones = ReadTimeZoneList(seams::MachineRoot(), v.dwPlatformId != VER_PLATFORM_WIN32_NT);
  return &g_type;
}

void FreeClockPanelType() {
  if (g_fontCreated && g_smallFont) DeleteObject(g_smallFont);
  g_smallFont = nullptr;
  g_fontCreated = false;
  g_zones.clear();
}

}  // namespace jqbar
