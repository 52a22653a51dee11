#include "sheet_template.h"

#include <commctrl.h>

#include <vector>

#include "panel_messages.h"
#include "panel_utils.h"
#include "resource.h"

namespace jqbar {
namespace {

std::vector<WORD> SheetTemplate() {
  std::vector<WORD> t;
  auto dword = [&t](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  auto text = [&t](const wchar_t* w) {
    for (; *w; ++w) t.push_back(WORD(*w));
    t.push_back(0);
  };
  dword(DS_SETFONT | DS_CONTROL | WS_CHILD | WS_VISIBLE);
  dword(WS_EX_CONTROLPARENT);
  for (WORD w : {WORD(1), WORD(0), WORD(0), WORD(240), WORD(160), WORD(0), WORD(0), WORD(0), WORD(9)}) t.push_back(w);
  text(L"MS Shell Dlg");
  if (t.size() % 2) t.push_back(0);  // the item starts on a DWORD boundary
  dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS);
  dword(0);
  for (WORD w : {WORD(0), WORD(0), WORD(240), WORD(160), WORD(IDC_MV_SHEET_TAB)}) t.push_back(w);
  text(L"SysTabControl32");
  text(L"");
  t.push_back(0);
  return t;
}

}  // namespace

HWND CreatePanelSheet(HWND parent, LPARAM at, DLGPROC procedure, LPARAM parameter) {
  std::vector<WORD> t = SheetTemplate();
  HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
  HWND sheet = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), parent, procedure,
                                          parameter);
  if (sheet)
    SetWindowPos(sheet, nullptr, LowSigned(at), HighSigned(at), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return sheet;
}

void PlaceSheetPage(HWND sheet, HWND page) {
  HWND tab = GetDlgItem(sheet, IDC_MV_SHEET_TAB);
  RECT itemRect{}, tabRect{}, sheetRect{};
  SendMessageA(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&itemRect));
  GetWindowRect(tab, &tabRect);
  GetWindowRect(sheet, &sheetRect);
  SetWindowPos(page, HWND_TOP, itemRect.left + 5, itemRect.bottom + (tabRect.top - sheetRect.top) + 5, 0, 0,
               SWP_NOSIZE | SWP_SHOWWINDOW);
}

void AddSheetTabs(HWND sheet, const UINT* names, int count) {
  HWND tab = GetDlgItem(sheet, IDC_MV_SHEET_TAB);
  for (int i = 0; i < count; ++i) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    char text[64];
    lstrcpynA(text, LoadResString(names[i]), sizeof text);
    item.pszText = text;
    SendMessageA(tab, TCM_INSERTITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
  }
}

}  // namespace jqbar
