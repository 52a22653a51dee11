#include "panel_drawing.h"

#include <commctrl.h>

#include <cstring>

#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_buttonbar.h"

namespace jqbar {
namespace {

struct SheetData {
  UINT pageId;
  DLGPROC pageProc;
  LPARAM parameter;
  HWND page;
};

INT_PTR CALLBACK PanelSheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* data = reinterpret_cast<SheetData*>(GetWindowLongPtrA(sheet, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      data = reinterpret_cast<SheetData*>(lParam);
      SetWindowLongPtrA(sheet, DWLP_USER, lParam);
      HWND tab = GetDlgItem(sheet, IDC_SHEET_TAB);
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      char text[100];
      lstrcpynA(text, LoadResString(IDS_BB_TAB), sizeof text);
      item.pszText = text;
      SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      data->page = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(data->pageId), sheet,
                                      data->pageProc, data->parameter);
      if (data->page) {
        RECT r;
        GetClientRect(tab, &r);
        SendMessageA(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        MapWindowPoints(tab, sheet, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(data->page, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_SHOWWINDOW);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_APPLY_PAGE && data && data->page)
        SendMessageA(data->page, WM_COMMAND, wParam, lParam);
      return TRUE;
    case PNM_PAGEHELP:
      if (data && data->page) SendMessageA(data->page, PNM_PAGEHELP, 0, 0);
      return TRUE;
    case WM_DESTROY:
      delete data;
      SetWindowLongPtrA(sheet, DWLP_USER, 0);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

int FitTextToWidth(HDC dc, const char* text, int width) {
  int length = int(std::strlen(text));
  SIZE size;
  if (!GetTextExtentPoint32A(dc, text, length, &size)) return length;
  if (size.cx <= width) return length;
  int low = 0, high = length, last = -1;
  while (true) {
    int probe = (low + high) / 2;
    if (probe == last) return probe;
    last = probe;
    if (!GetTextExtentPoint32A(dc, text, probe, &size)) return length;
    if (size.cx <= width)
      low = probe;
    else
      high = probe;
  }
}

void DrawShadowedText(HDC dc, int x, int y, const char* text, int count, COLORREF colour) {
  int mode = SetBkMode(dc, TRANSPARENT);
  COLORREF old = GetTextColor(dc);
  if (!Globals().noDropShadow) {
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    TextOutA(dc, x + 1, y + 1, text, count);
  }
  SetTextColor(dc, colour);
  TextOutA(dc, x, y, text, count);
  SetTextColor(dc, old);
  SetBkMode(dc, mode);
}

HFONT CreatePanelFont() {
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           "MS Sans Serif");
  return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

HWND CreatePanelSheet(HWND parent, int x, int y, UINT pageId, DLGPROC pageProc, LPARAM parameter) {
  auto* data = new SheetData{pageId, pageProc, parameter, nullptr};
  HWND sheet = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_PANEL_SHEET), parent,
                                  PanelSheetProc, reinterpret_cast<LPARAM>(data));
  if (!sheet) {
    delete data;
    return nullptr;
  }
  SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return sheet;
}

HWND PanelSheetPage(HWND sheet) {
  auto* data = reinterpret_cast<SheetData*>(GetWindowLongPtrA(sheet, DWLP_USER));
  return data ? data->page : nullptr;
}

}  // namespace jqbar
