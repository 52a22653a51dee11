// The printers bar's property sheet: the buttons page (maximum, icon size, names) and the order
// page (a tree of the printers with a check box each for shown or hidden, reordered by drag).
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "multiview.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "printers_bar.h"
#include "resource.h"
#include "sheet_template.h"
#include "window_helpers.h"

namespace jqbar {
namespace {

struct SheetState {
  HWND sheet = nullptr, bar = nullptr;
  HWND pages[2] = {};
  HIMAGELIST images = nullptr, states = nullptr;
  HTREEITEM dragged = nullptr;
};

SheetState& Sheet() {
  static SheetState state;
  return state;
}

HWND Tree() { return GetDlgItem(Sheet().pages[1], IDC_PB_TREE); }

std::string ItemText(HWND tree, HTREEITEM item) {
  char text[260] = {};
  TVITEMA t{};
  t.mask = TVIF_TEXT;
  t.hItem = item;
  t.pszText = text;
  t.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t));
  return text;
}

HTREEITEM InsertItem(HWND tree, const std::string& name, int state, HTREEITEM after) {
  TVINSERTSTRUCTA ins{};
  ins.hParent = TVI_ROOT;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  ins.item.pszText = const_cast<char*>(name.c_str());
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.state = INDEXTOSTATEIMAGEMASK(state);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  SetTreeStateImage(tree, item, state);
  return item;
}

void FillTree() {
  HWND tree = Tree();
  SendMessageA(tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
  for (const auto& [name, hidden] : PrintersBarOrder(Sheet().bar)) InsertItem(tree, name, hidden ? 1 : 2, TVI_LAST);
}

void FillButtonsPage() {
  HWND page = Sheet().pages[0];
  PrintersBarSettings* s = PrintersBarSettingsOf(Sheet().bar);
  if (!s) return;
  SendDlgItemMessageA(page, IDC_PB_MAX_SPIN, UDM_SETRANGE32, 1, 100);
  SendDlgItemMessageA(page, IDC_PB_MAX_SPIN, UDM_SETPOS32, 0, s->maximum);
  HWND combo = GetDlgItem(page, IDC_PB_STYLE);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(IDS_PB_SMALLICONS)));
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(IDS_PB_LARGEICONS)));
  SendMessageA(combo, CB_SETCURSEL, (s->style == 1 || s->style == 4) ? 0 : 1, 0);
  CheckDlgButton(page, IDC_PB_NAMES, (s->style == 3 || s->style == 4) ? BST_CHECKED : BST_UNCHECKED);
  bool taskbar = IsInsideTaskbar(Sheet().bar);
  for (int id : {IDC_PB_LABEL_STYLE, IDC_PB_LABEL_MAX, IDC_PB_STYLE, IDC_PB_NAMES})
    if (taskbar) ShowWindow(GetDlgItem(page, id), SW_HIDE);
}

void ShowPage(int chosen) {
  for (int i = 0; i < 2; ++i) EnableChildWindows(Sheet().pages[i], i == chosen);
  SetWindowPos(Sheet().pages[chosen], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  HWND first = GetNextDlgTabItem(Sheet().pages[chosen], nullptr, FALSE);
  if (first) SetFocus(first);
  if (chosen == 0) FillButtonsPage();
}

void Apply() {
  PrintersBarSettings* s = PrintersBarSettingsOf(Sheet().bar);
  if (!s) return;
  HWND page = Sheet().pages[0];
  bool large = SendDlgItemMessageA(page, IDC_PB_STYLE, CB_GETCURSEL, 0, 0) == 1;
  bool names = IsDlgButtonChecked(page, IDC_PB_NAMES) == BST_CHECKED;
  int style = large ? (names ? 3 : 2) : (names ? 4 : 1);
  BOOL ok = FALSE;
  int maximum = int(GetDlgItemInt(page, IDC_PB_MAX, &ok, FALSE));
  if (!ok || maximum < 1) maximum = 1;
  if (maximum > 100) maximum = 100;
  bool changed = style != s->style || maximum != s->maximum;
  s->style = style;
  s->maximum = maximum;
  std::vector<std::string> hidden, order;
  HWND tree = Tree();
  for (HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
       item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(item)))) {
    std::string name = ItemText(tree, item);
    if (TreeStateImage(tree, item) == 1) AddPrinterName(hidden, name);
    AddPrinterName(order, name);
  }
  if (hidden != s->hidden) {
    s->hidden = hidden;
    changed = true;
  }
  if (order != s->order) {
    s->order = order;
    changed = true;
  }
  if (changed) ReapplyPrintersBarSettings(Sheet().bar);
}

void Drop(HWND page, POINT client) {
  HWND tree = Tree();
  HTREEITEM dragged = Sheet().dragged;
  Sheet().dragged = nullptr;
  ReleaseCapture();
  SendMessageA(tree, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  POINT p = client;
  MapWindowPoints(page, tree, &p, 1);
  TVHITTESTINFO hit{};
  hit.pt = p;
  HTREEITEM target = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (!dragged || !target || target == dragged) return;
  // Moving down puts the item after the target, moving up before it.
  int from = 0, to = 0, i = 0;
  for (HTREEITEM it = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); it;
       it = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(it))), ++i) {
    if (it == dragged) from = i;
    if (it == target) to = i;
  }
  HTREEITEM after = target;
  if (to < from) {
    after = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PREVIOUS, LPARAM(target)));
    if (!after) after = TVI_FIRST;
  }
  std::string name = ItemText(tree, dragged);
  int state = TreeStateImage(tree, dragged);
  SendMessageA(tree, TVM_DELETEITEM, 0, LPARAM(dragged));
  HTREEITEM moved = InsertItem(tree, name, state, after);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(moved));
}

INT_PTR CALLBACK ButtonsPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

INT_PTR CALLBACK OrderPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND tree = GetDlgItem(page, IDC_PB_TREE);
      HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
      Sheet().images = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_PB_TREE), 16, 1, RGB(255, 0, 0),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
      Sheet().states = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_PB_STATES), 16, 1, RGB(255, 0, 0),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
      SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(Sheet().images));
      SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(Sheet().states));
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->idFrom != IDC_PB_TREE) return FALSE;
      if (hdr->code == NM_CLICK) {
        // A click on the state picture turns shown (2) and hidden (1) over.
        TVHITTESTINFO hit{};
        DWORD pos = GetMessagePos();
        hit.pt = POINT{(short)LOWORD(pos), (short)HIWORD(pos)};
        ScreenToClient(hdr->hwndFrom, &hit.pt);
        HTREEITEM item =
            reinterpret_cast<HTREEITEM>(SendMessageA(hdr->hwndFrom, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEMSTATEICON))
          SetTreeStateImage(hdr->hwndFrom, item, TreeStateImage(hdr->hwndFrom, item) == 1 ? 2 : 1);
      } else if (hdr->code == TVN_BEGINDRAGA || hdr->code == TVN_BEGINDRAGW) {
        Sheet().dragged = reinterpret_cast<NMTREEVIEWA*>(lParam)->itemNew.hItem;
        SetCapture(page);
      }
      return FALSE;
    }
    case WM_MOUSEMOVE:
      if (Sheet().dragged) {
        POINT p{(short)LOWORD(lParam), (short)HIWORD(lParam)};
        HWND tree = Tree();
        MapWindowPoints(page, tree, &p, 1);
        TVHITTESTINFO hit{};
        hit.pt = p;
        HTREEITEM over = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        SendMessageA(tree, TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(over));
        SetCursor(LoadCursor(nullptr, over ? IDC_ARROW : IDC_NO));
      }
      return FALSE;
    case WM_LBUTTONUP:
      if (Sheet().dragged) Drop(page, POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
      return FALSE;
    case WM_DESTROY:
      if (Sheet().images) ImageList_Destroy(Sheet().images);
      if (Sheet().states) ImageList_Destroy(Sheet().states);
      Sheet().images = Sheet().states = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK PrintersSheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      Sheet().sheet = sheet;
      Sheet().bar = reinterpret_cast<HWND>(lParam);
      UINT general = *LoadResString(IDS_PB_TAB_GENERAL) ? UINT(IDS_PB_TAB_GENERAL) : UINT(IDS_MV_TAB_GENERAL);
      const UINT names[2] = {general, IDS_PB_TAB_PRINTERS};
      AddSheetTabs(sheet, names, 2);
      HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
      Sheet().pages[1] = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PB_ORDER), sheet, OrderPageProc, 0);
      Sheet().pages[0] = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PB_BUTTONS), sheet, ButtonsPageProc, 0);
      PlaceSheetPage(sheet, Sheet().pages[1]);
      PlaceSheetPage(sheet, Sheet().pages[0]);
      FillTree();
      ShowPage(0);
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->idFrom == IDC_MV_SHEET_TAB && hdr->code == TCN_SELCHANGE)
        ShowPage(int(SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_SHEET_APPLY) Apply();
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(sheet, 76);
      return TRUE;
    case WM_DESTROY:
      for (HWND& page : Sheet().pages) {
        if (page) DestroyWindow(page);
        page = nullptr;
      }
      if (Sheet().sheet == sheet) Sheet() = SheetState{};
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND CreatePrintersBarSheet(HWND bar, HWND parent, LPARAM at) {
  if (Sheet().sheet) DestroyWindow(Sheet().sheet);
  return CreatePanelSheet(parent, at, PrintersSheetProc, reinterpret_cast<LPARAM>(bar));
}

void RefillPrinterOrderPage(HWND bar) {
  if (Sheet().sheet && Sheet().bar == bar && Sheet().pages[1]) FillTree();
}

}  // namespace jqbar
