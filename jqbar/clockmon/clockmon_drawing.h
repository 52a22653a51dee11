// Drawing shared by the clock and the system monitor: the small bold panel font, captions with
// a highlight shadow, text cut to a width, and an icon's mask drawn as a one-colour glyph.
#pragma once
#include <windows.h>

namespace jqbar {

// Bold "MS Sans Serif" 8 points; the stock SYSTEM_FONT when creation fails (*created false).
HFONT CreateSmallPanelFont(int* lineHeight, bool* created);
void DrawShadowedText(HDC dc, int x, int y, const char* text);
// The text cut with "..." so that it fits in `width` pixels of the DC's font.
void FitTextToWidth(HDC dc, const char* text, int width, char* out, int capacity);
void DrawIconGlyph(HDC dc, HICON icon, int x, int y, COLORREF colour);

}  // namespace jqbar
