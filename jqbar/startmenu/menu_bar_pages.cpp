#include "menu_bar_pages.h"

#include <algorithm>
#include <cstdio>

#include "menu_bar_window.h"
#include "menu_button_edit.h"
#include "menu_cache.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_startmenu.h"
#include "window_helpers.h"

namespace jqbar {
namespace {

constexpr int kWidthLow = 20;
constexpr int kWidthHigh = 400;
constexpr UINT_PTR kDragScrollTimer = 1;

struct SheetState {
  HWND sheet = nullptr;
  MenuBarInstance* bar = nullptr;
  HWND pages[2] = {};
  HIMAGELIST kinds = nullptr, states = nullptr, dragImage = nullptr;
  HTREEITEM dragged = nullptr;
  int scrollStep = 0;  // -1 up, 1 down, 0 none while dragging
  std::vector<std::string> names;  // the tree items' lParam indexes into this
};

SheetState& Sheet() {
  static SheetState state;
  return state;
}

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

HWND OrderTree() { return Sheet().pages[1] ? GetDlgItem(Sheet().pages[1], IDC_MBO_TREE) : nullptr; }

HTREEITEM FirstLine(HWND tree) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}
HTREEITEM NextLine(HWND tree, HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(item)));
}

struct LineData {
  LPARAM index = -1;
  int image = 0;
  int state = 2;
  std::string text;
};

LineData ReadLine(HWND tree, HTREEITEM item) {
  char text[260] = {};
  TVITEMA t{};
  t.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_STATE;
  t.hItem = item;
  t.pszText = text;
  t.cchTextMax = sizeof text;
  t.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t));
  LineData d;
  d.index = t.lParam;
  d.image = t.iImage;
  d.state = int((t.state & TVIS_STATEIMAGEMASK) >> 12);
  d.text = text;
  return d;
}

HTREEITEM InsertLine(HWND tree, const LineData& d, HTREEITEM after) {
  TVINSERTSTRUCTA ins{};
  ins.hParent = TVI_ROOT;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;
  ins.item.pszText = const_cast<char*>(d.text.c_str());
  ins.item.iImage = ins.item.iSelectedImage = d.image;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.state = INDEXTOSTATEIMAGEMASK(d.state);
  ins.item.lParam = d.index;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  // Some tree views take the state picture only through a separate change.
  if (item) SetTreeStateImage(tree, item, d.state);
  return item;
}

// The picture of a menu: 0 user menu, 1 special folder, 2 Programs folder, 3 Common Programs.
int KindOf(MenuBarInstance* bar, const std::string& name) {
  if (MenuButton* b = FindMenuButton(bar, name.c_str())) {
    if (b->userMenu) return 0;
    if (b->flags & kButtonSpecialFolder) return 1;
    return IsCommonButton(*b) ? 3 : 2;
  }
  return !name.empty() && name[0] == '\\' ? 3 : 2;
}

void FillOrderTree() {
  SheetState& s = Sheet();
  HWND tree = OrderTree();
  if (!tree || !s.bar) return;
  SendMessageA(tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
  s.names = s.bar->folderNames;
  for (std::size_t i = 0; i < s.names.size(); ++i) {
    const std::string& name = s.names[i];
    LineData d;
    d.index = LPARAM(i);
    d.image = KindOf(s.bar, name);
    d.state = IsRemovedMenuName(s.bar, name.c_str()) ? 1 : 2;
    d.text = !name.empty() && name[0] == '\\' ? name.substr(1) : name;
    InsertLine(tree, d, TVI_LAST);
  }
}

void SetReadout(HWND page, int id, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  SetDlgItemTextA(page, id, text);
}

void SyncArrangement(HWND page) {
  bool manual = IsDlgButtonChecked(page, IDC_MBO_MANUAL) == BST_CHECKED;
  EnableWindow(GetDlgItem(page, IDC_MBO_REGIONS), manual);
  EnableWindow(GetDlgItem(page, IDC_MBO_REGIONS_SPIN), manual);
}

void FillOptionsPage() {
  SheetState& s = Sheet();
  HWND page = s.pages[0];
  if (!page || !s.bar) return;
  const MenuBarSettings& h = s.bar->head;
  CheckRadioButton(page, IDC_MBO_AUTO, IDC_MBO_MANUAL, h.automatic ? IDC_MBO_AUTO : IDC_MBO_MANUAL);
  SendDlgItemMessageA(page, IDC_MBO_REGIONS_SPIN, UDM_SETRANGE32, 1, kMaxRegions);
  SendDlgItemMessageA(page, IDC_MBO_REGIONS_SPIN, UDM_SETPOS32, 0, std::clamp<int>(h.regions, 1, kMaxRegions));
  SendDlgItemMessageA(page, IDC_MBO_PERREGION_SPIN, UDM_SETRANGE32, 1, 100);
  SendDlgItemMessageA(page, IDC_MBO_PERREGION_SPIN, UDM_SETPOS32, 0, std::clamp<int>(h.maxPerRegion, 1, 100));
  HWND combo = GetDlgItem(page, IDC_MBO_ICONSIZE);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(IDS_SMALL_ICONS)));
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(IDS_LARGE_ICONS)));
  SendMessageA(combo, CB_SETCURSEL, h.smallIcons ? 0 : 1, 0);
  CheckDlgButton(page, IDC_MBO_SHOWICONS, h.showIcons ? BST_CHECKED : BST_UNCHECKED);
  int low = std::clamp<int>(h.widthMin, kWidthLow, kWidthHigh);
  int high = std::clamp<int>(h.widthMax, low, kWidthHigh);
  for (int id : {IDC_MBO_WIDTHMIN, IDC_MBO_WIDTHMAX}) {
    SendDlgItemMessageA(page, id, TBM_SETRANGEMIN, FALSE, kWidthLow);
    SendDlgItemMessageA(page, id, TBM_SETRANGEMAX, FALSE, kWidthHigh);
    SendDlgItemMessageA(page, id, TBM_SETPAGESIZE, 0, 10);
  }
  SendDlgItemMessageA(page, IDC_MBO_WIDTHMIN, TBM_SETPOS, TRUE, low);
  SendDlgItemMessageA(page, IDC_MBO_WIDTHMAX, TBM_SETPOS, TRUE, high);
  SetReadout(page, IDC_MBO_WIDTHMIN_TEXT, low);
  SetReadout(page, IDC_MBO_WIDTHMAX_TEXT, high);
  SyncArrangement(page);
}

int TrackPos(HWND page, int id) { return int(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0)); }

// Moving one width past the other drags the other along.
void WidthMoved(HWND page, HWND slider) {
  int low = TrackPos(page, IDC_MBO_WIDTHMIN), high = TrackPos(page, IDC_MBO_WIDTHMAX);
  if (slider == GetDlgItem(page, IDC_MBO_WIDTHMIN)) {
    if (high < low) SendDlgItemMessageA(page, IDC_MBO_WIDTHMAX, TBM_SETPOS, TRUE, high = low);
  } else if (low > high) {
    SendDlgItemMessageA(page, IDC_MBO_WIDTHMIN, TBM_SETPOS, TRUE, low = high);
  }
  SetReadout(page, IDC_MBO_WIDTHMIN_TEXT, low);
  SetReadout(page, IDC_MBO_WIDTHMAX_TEXT, high);
}

int ReadNumber(HWND page, int edit, int low, int high, int fallback) {
  BOOL ok = FALSE;
  int value = int(GetDlgItemInt(page, edit, &ok, FALSE));
  return ok ? std::clamp(value, low, high) : fallback;
}

void Apply() {
  SheetState& s = Sheet();
  MenuBarInstance* bar = s.bar;
  HWND page = s.pages[0];
  if (!bar || !page) return;
  CloseMenus();
  MenuBarSettings& h = bar->head;
  std::uint32_t automatic = IsDlgButtonChecked(page, IDC_MBO_AUTO) == BST_CHECKED ? 1 : 0;
  int regions = ReadNumber(page, IDC_MBO_REGIONS, 1, kMaxRegions, h.regions);
  int perRegion = ReadNumber(page, IDC_MBO_PERREGION, 1, 100, h.maxPerRegion);
  std::uint32_t smallIcons = SendDlgItemMessageA(page, IDC_MBO_ICONSIZE, CB_GETCURSEL, 0, 0) == 1 ? 0 : 1;
  std::uint32_t showIcons = IsDlgButtonChecked(page, IDC_MBO_SHOWICONS) == BST_CHECKED ? 1 : 0;
  int low = std::clamp(TrackPos(page, IDC_MBO_WIDTHMIN), kWidthLow, kWidthHigh);
  int high = std::clamp(TrackPos(page, IDC_MBO_WIDTHMAX), low, kWidthHigh);
  bool regionsChanged = !automatic && regions != h.regions;
  bool changed = automatic != h.automatic || regionsChanged || perRegion != h.maxPerRegion ||
                 smallIcons != h.smallIcons || showIcons != h.showIcons || low != h.widthMin ||
                 high != h.widthMax;
  h.automatic = automatic;
  h.maxPerRegion = perRegion;
  h.smallIcons = smallIcons;
  h.showIcons = showIcons;
  h.widthMin = low;
  h.widthMax = high;
  if (regionsChanged) {
    LockMenus();
    h.regions = regions;
    RedistributeMenuButtons(bar);
    UnlockMenus();
  }

  // The order page: the names in tree order, the unchecked ones hidden.
  if (HWND tree = OrderTree()) {
    std::vector<std::string> order, hidden;
    for (const MenuOrderLine& line : ReadMenuOrderTree(tree)) {
      order.push_back(line.name);
      if (!line.shown) hidden.push_back(line.name);
    }
    if (order != bar->folderNames || hidden != bar->removedNames) {
      ApplyMenuOrder(bar, order, hidden);  // refreshes the bar and tells the container
      changed = true;
    }
  }
  if (changed) {
    LayoutMenuBar(bar);
    NotifyMenuBarChanged(bar);
  }
  if (HWND parent = GetParent(bar->window))
    SendMessageA(parent, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 1);
  InvalidateRect(bar->window, nullptr, TRUE);
}

void ShowPage(int chosen) {
  SheetState& s = Sheet();
  for (int i = 0; i < 2; ++i)
    if (s.pages[i]) ShowWindow(s.pages[i], i == chosen ? SW_SHOW : SW_HIDE);
  if (HWND page = s.pages[chosen]) {
    SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE)) SetFocus(first);
  }
}

void PlacePage(HWND sheet, HWND page) {
  POINT at = SheetPageOrigin(sheet, GetDlgItem(sheet, IDC_MENUBAR_TAB));
  SetWindowPos(page, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

// The shared sheet's template is larger than the configuration dialog's page box: the sheet and
// its tabs are sized to hold the pages.
void FitSheetToPages(HWND sheet) {
  int width = 0, height = 0;
  for (HWND page : Sheet().pages) {
    RECT r{};
    if (page && GetWindowRect(page, &r)) {
      width = std::max<int>(width, r.right - r.left);
      height = std::max<int>(height, r.bottom - r.top);
    }
  }
  if (!width) return;
  HWND tab = GetDlgItem(sheet, IDC_MENUBAR_TAB);
  RECT item{};
  SendMessageA(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  int tabWidth = width + 12, tabHeight = item.bottom + height + 12;
  SetWindowPos(tab, nullptr, 0, 0, tabWidth, tabHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(sheet, nullptr, 0, 0, tabWidth, tabHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_MBO_AUTO:
        case IDC_MBO_MANUAL:
          SyncArrangement(page);
          return TRUE;
        case IDC_MBO_NEWMENU:
          if (Sheet().bar) RunBarCommand(Sheet().bar, nullptr, IDM_MENU_NEW);
          return TRUE;
      }
      return FALSE;
    case WM_HSCROLL:
      if (lParam) WidthMoved(page, reinterpret_cast<HWND>(lParam));
      return TRUE;
  }
  return FALSE;
}

void EndLineDrag(HWND page, bool drop, POINT client) {
  SheetState& s = Sheet();
  HTREEITEM dragged = s.dragged;
  s.dragged = nullptr;
  KillTimer(page, kDragScrollTimer);
  HWND tree = OrderTree();
  ImageList_DragLeave(tree);
  ImageList_EndDrag();
  if (s.dragImage) ImageList_Destroy(s.dragImage);
  s.dragImage = nullptr;
  if (GetCapture() == page) ReleaseCapture();
  SendMessageA(tree, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  if (!drop || !dragged) return;
  TVHITTESTINFO hit{};
  hit.pt = client;
  MapWindowPoints(page, tree, &hit.pt, 1);
  auto target = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (target) MoveMenuOrderLine(tree, dragged, target);
}

void BeginLineDrag(HWND page, HTREEITEM item) {
  SheetState& s = Sheet();
  HWND tree = OrderTree();
  s.dragged = item;
  s.scrollStep = 0;
  s.dragImage = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_CREATEDRAGIMAGE, 0, LPARAM(item)));
  if (s.dragImage) {
    ImageList_BeginDrag(s.dragImage, 0, 0, 0);
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(tree, &p);
    ImageList_DragEnter(tree, p.x, p.y);
  }
  SetCapture(page);
  SetTimer(page, kDragScrollTimer, 200, nullptr);
}

void TrackLineDrag(HWND page, POINT client) {
  SheetState& s = Sheet();
  HWND tree = OrderTree();
  POINT p = client;
  MapWindowPoints(page, tree, &p, 1);
  RECT box;
  GetClientRect(tree, &box);
  s.scrollStep = p.y < 0 ? -1 : p.y >= box.bottom ? 1 : 0;
  TVHITTESTINFO hit{};
  hit.pt = p;
  auto over = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  ImageList_DragShowNolock(FALSE);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(over));
  ImageList_DragShowNolock(TRUE);
  ImageList_DragMove(p.x, p.y);
  SetCursor(LoadCursor(nullptr, PtInRect(&box, p) ? IDC_ARROW : IDC_NO));
}

INT_PTR CALLBACK OrderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  SheetState& s = Sheet();
  switch (message) {
    case WM_INITDIALOG: {
      HWND tree = GetDlgItem(page, IDC_MBO_TREE);
      s.kinds = ImageList_LoadImageA(Instance(), MAKEINTRESOURCEA(IDB_MENU_ORDER_KINDS), 16, 1, RGB(255, 0, 0),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION);
      // The check pictures' transparent colour is their top-left pixel, whatever colour it is.
      s.states = ImageList_LoadImageA(Instance(), MAKEINTRESOURCEA(IDB_MENU_ORDER_STATES), 16, 1, CLR_DEFAULT,
                                      IMAGE_BITMAP, LR_CREATEDIBSECTION);
      SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(s.kinds));
      SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(s.states));
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_MBO_TREE) return FALSE;
      if (header->code == NM_CLICK) {
        TVHITTESTINFO hit{};
        DWORD pos = GetMessagePos();
        hit.pt = POINT{short(LOWORD(pos)), short(HIWORD(pos))};
        ScreenToClient(header->hwndFrom, &hit.pt);
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageA(header->hwndFrom, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEMSTATEICON))
          SetTreeStateImage(header->hwndFrom, item, TreeStateImage(header->hwndFrom, item) == 1 ? 2 : 1);
      } else if (header->code == TVN_KEYDOWN &&
                 reinterpret_cast<NMTVKEYDOWN*>(lParam)->wVKey == VK_SPACE) {
        auto item = reinterpret_cast<HTREEITEM>(SendMessageA(header->hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (item) SetTreeStateImage(header->hwndFrom, item, TreeStateImage(header->hwndFrom, item) == 1 ? 2 : 1);
      } else if (header->code == TVN_BEGINDRAGA || header->code == TVN_BEGINDRAGW) {
        BeginLineDrag(page, reinterpret_cast<NMTREEVIEWA*>(lParam)->itemNew.hItem);
      }
      return FALSE;
    }
    case WM_MOUSEMOVE:
      if (s.dragged) TrackLineDrag(page, POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
      return FALSE;
    case WM_LBUTTONUP:
      if (s.dragged) EndLineDrag(page, true, POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
      return FALSE;
    case WM_CAPTURECHANGED:
      if (s.dragged && reinterpret_cast<HWND>(lParam) != page) EndLineDrag(page, false, {});
      return FALSE;
    case WM_TIMER:
      if (wParam == kDragScrollTimer && s.dragged && s.scrollStep) {
        HWND tree = OrderTree();
        ImageList_DragShowNolock(FALSE);
        SendMessageA(tree, WM_VSCROLL, s.scrollStep < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        ImageList_DragShowNolock(TRUE);
      }
      return TRUE;
    case WM_DESTROY:
      if (s.dragged) EndLineDrag(page, false, {});
      if (s.kinds) ImageList_Destroy(s.kinds);
      if (s.states) ImageList_Destroy(s.states);
      s.kinds = s.states = nullptr;
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK MenuBarPropertiesProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  SheetState& s = Sheet();
  switch (message) {
    case WM_INITDIALOG: {
      s.sheet = sheet;
      s.bar = reinterpret_cast<MenuBarInstance*>(lParam);
      if (s.bar) s.bar->pageOpen = true;
      HWND tab = GetDlgItem(sheet, IDC_MENUBAR_TAB);
      AddTabFromString(tab, 0, IDS_MENUBAR_TAB_OPTIONS);
      AddTabFromString(tab, 1, IDS_MENUBAR_TAB_ORDER);
      s.pages[0] = CreateDialogParamA(Instance(), MAKEINTRESOURCEA(IDD_MENUBAR_OPTIONS), sheet, OptionsPageProc, 0);
      s.pages[1] = CreateDialogParamA(Instance(), MAKEINTRESOURCEA(IDD_MENUBAR_ORDER), sheet, OrderPageProc, 0);
      FitSheetToPages(sheet);
      for (HWND page : s.pages)
        if (page) PlacePage(sheet, page);
      FillOptionsPage();
      FillOrderTree();
      ShowPage(0);
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == IDC_MENUBAR_TAB && header->code == TCN_SELCHANGE)
        ShowPage(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0) == 1 ? 1 : 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_MENUBAR_APPLY) Apply();
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(sheet, 75);
      return TRUE;
    case WM_DESTROY:
      for (HWND& page : s.pages) {
        if (page) DestroyWindow(page);
        page = nullptr;
      }
      if (s.sheet == sheet) {
        if (s.bar) s.bar->pageOpen = false;
        s = SheetState{};
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND CreateMenuBarSheet(MenuBarInstance* bar, HWND parent, LPARAM at) {
  if (Sheet().sheet) DestroyWindow(Sheet().sheet);
  return CreatePlacedSheet(IDD_MENUBAR_SHEET, parent, MenuBarPropertiesProc, reinterpret_cast<LPARAM>(bar), at);
}

HWND MenuBarSheetPage(int index) {
  return Sheet().sheet && index >= 0 && index < 2 ? Sheet().pages[index] : nullptr;
}

void ForgetMenuBarSheet(MenuBarInstance* bar) {
  if (Sheet().bar == bar) Sheet().bar = nullptr;
}

void RefreshMenuBarSheet(MenuBarInstance* bar) {
  if (!Sheet().sheet || Sheet().bar != bar) return;
  FillOptionsPage();
  if (!Sheet().dragged) FillOrderTree();
}

void RefreshMenuOrderPage(MenuBarInstance* bar) {
  if (Sheet().sheet && Sheet().bar == bar && !Sheet().dragged) FillOrderTree();
}

std::vector<MenuOrderLine> ReadMenuOrderTree(HWND tree) {
  std::vector<MenuOrderLine> lines;
  const auto& names = Sheet().names;
  for (HTREEITEM item = FirstLine(tree); item; item = NextLine(tree, item)) {
    LineData d = ReadLine(tree, item);
    MenuOrderLine line;
    // The line keeps the name's own spelling (a Common Programs folder with its backslash).
    line.name = d.index >= 0 && std::size_t(d.index) < names.size() ? names[std::size_t(d.index)] : d.text;
    line.shown = d.state != 1;
    lines.push_back(line);
  }
  return lines;
}

bool MoveMenuOrderLine(HWND tree, HTREEITEM dragged, HTREEITEM target) {
  if (!dragged || !target || dragged == target) return false;
  int from = -1, to = -1, i = 0;
  for (HTREEITEM item = FirstLine(tree); item; item = NextLine(tree, item), ++i) {
    if (item == dragged) from = i;
    if (item == target) to = i;
  }
  if (from < 0 || to < 0) return false;
  HTREEITEM after = target;
  if (to < from) {
    after = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PREVIOUS, LPARAM(target)));
    if (!after) after = TVI_FIRST;
  }
  LineData d = ReadLine(tree, dragged);
  HTREEITEM moved = InsertLine(tree, d, after);
  if (!moved) return false;
  SendMessageA(tree, TVM_DELETEITEM, 0, LPARAM(dragged));
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(moved));
  return true;
}

}  // namespace jqbar
