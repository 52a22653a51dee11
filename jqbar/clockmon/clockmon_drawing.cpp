#include "clockmon_drawing.h"

#include <cstring>

namespace jqbar {

HFONT CreateSmallPanelFont(int* lineHeight, bool* created) {
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  HFONT font = CreateFontA(height, 0, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  *created = font != nullptr;
  if (!font) font = HFONT(GetStockObject(SYSTEM_FONT));
  HGDIOBJ old = SelectObject(screen, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(screen, &tm);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  *lineHeight = tm.tmHeight;
  return font;
}

void DrawShadowedText(HDC dc, int x, int y, const char* text) {
  int n = lstrlenA(text);
  int mode = SetBkMode(dc, TRANSPARENT);
  COLORREF colour = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  TextOutA(dc, x + 1, y + 1, text, n);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  TextOutA(dc, x, y, text, n);
  SetTextColor(dc, colour);
  SetBkMode(dc, mode);
}

void FitTextToWidth(HDC dc, const char* text, int width, char* out, int capacity) {
  lstrcpynA(out, text, capacity);
  SIZE sz{};
  int n = lstrlenA(out);
  GetTextExtentPoint32A(dc, out, n, &sz);
  if (sz.cx <= width) return;
  while (n > 0) {
    --n;
    if (IsDBCSLeadByte(BYTE(out[n])) && n > 0) --n;
    char trial[300];
    int keep = n < int(sizeof trial) - 4 ? n : int(sizeof trial) - 4;
    std::memcpy(trial, out, size_t(keep));
    std::memcpy(trial + keep, "...", 4);
    GetTextExtentPoint32A(dc, trial, keep + 3, &sz);
    if (sz.cx <= width || keep == 0) {
      lstrcpynA(out, trial, capacity);
      return;
    }
  }
}

void DrawIconGlyph(HDC dc, HICON icon, int x, int y, COLORREF colour) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ oldBitmap = SelectObject(mem, info.hbmMask);
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
  // Where the mask is black (the icon's pixels) the brush is painted; elsewhere the dest stays.
  BitBlt(dc, x, y, 32, 32, mem, 0, 0, 0x00B8074A);  // PSDPxax
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  SelectObject(mem, oldBitmap);
  DeleteDC(mem);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

}  // namespace jqbar
