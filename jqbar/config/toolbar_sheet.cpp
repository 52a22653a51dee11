#include "toolbar_sheet.h"

#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config_dialog.h"
#include "config_edit.h"
#include "container_panel.h"
#include "frame_window.h"
#include "layout_snapshot.h"
#include "layout_undo.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "resource_config.h"
#include "resource_jqbar.h"

namespace jqbar {
namespace {

constexpr int kSlotCombos[5] = {IDC_SLOT1, IDC_SLOT2, IDC_SLOT3, IDC_SLOT4, IDC_SLOT5};
constexpr int kSlotButtons[5] = {IDC_SLOT1_PROPS, IDC_SLOT2_PROPS, IDC_SLOT3_PROPS,
                                 IDC_SLOT4_PROPS, IDC_SLOT5_PROPS};
// Edge combo index -> edge (0 left, 1 top, 2 right, 3 bottom) and back.
constexpr int kEdgeOfIndex[4] = {0, 2, 1, 3};
constexpr int kIndexOfEdge[4] = {0, 2, 1, 3};
constexpr int kSlotChoices = 7;  // [ None ] .. Command Line

struct SheetState {
  HWND sheet = nullptr, tabs = nullptr, container = nullptr;
  ContainerKind kind = ContainerKind::toolGroup;
  HWND pages[2] = {};
  int count = 0;
};

HWND g_panelDialog = nullptr;

SheetState* Sheet(HWND sheet) {
  return reinterpret_cast<SheetState*>(GetWindowLongPtrA(sheet, DWLP_USER));
}

ContainerKind KindOf(HWND container) {
  PanelNode* node = FindNodeByWindow(container);
  if (node && lstrcmpiA(node->typeName, kTaskbarToolbarType) == 0) return ContainerKind::taskbar;
  if (node && lstrcmpiA(node->typeName, kToolbarType) == 0) return ContainerKind::toolbar;
  if (!node && IsRootContainer(container)) return ContainerKind::toolbar;
  return ContainerKind::toolGroup;
}

// The container's settings and custom path as it would store them now.
bool CurrentSettings(HWND container, ContainerSettings& s, std::string& path,
                     std::vector<std::uint8_t>& blob) {
  if (!QueryPanelSettings(container, blob) || blob.empty()) return false;
  s = DefaultContainerSettings(KindOf(container));
  return ReadContainerBlob(blob.data(), int(blob.size()), s, path);
}

HWND PageWith(SheetState* st, int control) {
  for (int i = 0; i < st->count; ++i)
    if (GetDlgItem(st->pages[i], control)) return st->pages[i];
  return nullptr;
}

void FillCombo(HWND combo, std::initializer_list<UINT> ids) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (UINT id : ids) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(id)));
}

std::string SlotChoiceText(int value) {
  static const UINT ids[5] = {IDS_SLOT_NONE, IDS_SLOT_QUICKLAUNCH, IDS_SLOT_STARTMENUS,
                              IDS_SLOT_PRINTERS, IDS_SLOT_MULTIVIEW};
  if (value < 5) return LoadResString(ids[value]);
  const PanelType* type = FindPanelType(TaskbarSlotTypeName(value));
  return type ? type->displayName : TaskbarSlotTypeName(value);
}

// The node that holds a taskbar toolbar's slot panels: its tool group, else itself.
PanelNode* SlotHolder(PanelNode* node) {
  return node && node->child && IsToolGroupNode(node->child) ? node->child : node;
}

PanelNode* SlotPanel(PanelNode* holder, const std::int32_t slots[5], int slot) {
  if (!holder || slots[slot] == 0) return nullptr;
  int index = 0;
  for (int i = 0; i < slot; ++i)
    if (slots[i]) ++index;
  PanelNode* c = holder->child;
  while (c && index--) c = c->next;
  return c;
}

void UpdateSlotButtons(SheetState* st) {
  HWND page = PageWith(st, IDC_SLOT1);
  ContainerSettings* s = GetContainerSettings(st->container);
  if (!page || !s) return;
  for (int i = 0; i < 5; ++i) {
    int chosen = int(SendDlgItemMessageA(page, kSlotCombos[i], CB_GETCURSEL, 0, 0));
    EnableWindow(GetDlgItem(page, kSlotButtons[i]), chosen > 0 && chosen == s->toolSlots[i]);
  }
}

void ShowControls(SheetState* st) {
  ContainerSettings s{};
  std::string path;
  std::vector<std::uint8_t> blob;
  if (!CurrentSettings(st->container, s, path, blob)) return;
  for (int i = 0; i < st->count; ++i) {
    HWND p = st->pages[i];
    if (GetDlgItem(p, IDC_ARRANGEMENT)) {
      FillCombo(GetDlgItem(p, IDC_ARRANGEMENT),
                {IDS_ARRANGE_HORIZONTAL, IDS_ARRANGE_VERTICAL, IDS_ARRANGE_AUTOMATIC});
      // A stored "opposite of the parent" (3) shows no choice.
      SendDlgItemMessageA(p, IDC_ARRANGEMENT, CB_SETCURSEL, s.arrangement <= 2 ? s.arrangement : -1, 0);
      SendDlgItemMessageA(p, IDC_SPACING_SPIN, UDM_SETRANGE, 0, MAKELPARAM(20, 0));
      SendDlgItemMessageA(p, IDC_SPACING_SPIN, UDM_SETPOS, 0, MAKELPARAM(s.spacing, 0));
      SetDlgItemInt(p, IDC_SPACING, UINT(s.spacing), FALSE);
    }
    if (GetDlgItem(p, IDC_STYLE_FLOATING)) {
      CheckRadioButton(p, IDC_STYLE_FLOATING, IDC_STYLE_DOCKED,
                       s.frameStyle == 0 ? IDC_STYLE_FLOATING : IDC_STYLE_DOCKED);
      FillCombo(GetDlgItem(p, IDC_EDGE), {IDS_EDGE_LEFT, IDS_EDGE_RIGHT, IDS_EDGE_TOP, IDS_EDGE_BOTTOM});
      SendDlgItemMessageA(p, IDC_EDGE, CB_SETCURSEL, kIndexOfEdge[s.edge & 3], 0);
      CheckDlgButton(p, IDC_AUTOHIDE, s.frameStyle == 2 || s.autoHide ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(p, IDC_ONTOP, s.alwaysOnTop ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(p, IDC_SHIFT_POPUP, Globals().shiftForPopup ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(p, IDC_NO_SHADOW, Globals().noDropShadow ? BST_CHECKED : BST_UNCHECKED);
      bool floating = s.frameStyle == 0;
      EnableWindow(GetDlgItem(p, IDC_AUTOHIDE), !floating);
      EnableWindow(GetDlgItem(p, IDC_EDGE), !floating);
    }
    if (GetDlgItem(p, IDC_TITLE)) {
      SendDlgItemMessageA(p, IDC_TITLE, EM_LIMITTEXT, 39, 0);
      SetDlgItemTextA(p, IDC_TITLE, s.title);
      HWND colour = GetDlgItem(p, IDC_COLOUR);
      SendMessageA(colour, CB_RESETCONTENT, 0, 0);
      for (int c = 0; c < 16; ++c) SendMessageA(colour, CB_ADDSTRING, 0, c);
      SendMessageA(colour, CB_SETCURSEL, s.colour & 15, 0);
      HWND list = GetDlgItem(p, IDC_BG_LIST);
      SendMessageA(list, CB_RESETCONTENT, 0, 0);
      for (int b = 0; b <= 10; ++b) SendMessageA(list, CB_ADDSTRING, 0, b);
      SendMessageA(list, CB_SETCURSEL, s.background, 0);
      CheckRadioButton(p, IDC_BG_PREDEFINED, IDC_BG_CUSTOM,
                       s.customBackground ? IDC_BG_CUSTOM : IDC_BG_PREDEFINED);
      SetDlgItemTextA(p, IDC_BG_PATH, path.c_str());
    }
    if (GetDlgItem(p, IDC_HOTKEY)) {
      SendDlgItemMessageA(p, IDC_HOTKEY, HKM_SETRULES, HKCOMB_NONE, MAKELPARAM(HOTKEYF_CONTROL, 0));
      SendDlgItemMessageA(p, IDC_HOTKEY, HKM_SETHOTKEY, MAKEWORD(s.hotKey, s.hotKeyModifiers), 0);
    }
    if (GetDlgItem(p, IDC_SLOT1)) {
      for (int k = 0; k < 5; ++k) {
        HWND combo = GetDlgItem(p, kSlotCombos[k]);
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (int v = 0; v < kSlotChoices; ++v)
          SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SlotChoiceText(v).c_str()));
        SendMessageA(combo, CB_SETCURSEL, s.toolSlots[k] < kSlotChoices ? s.toolSlots[k] : -1, 0);
      }
    }
  }
  UpdateSlotButtons(st);
}

void SelectTab(SheetState* st, int index) {
  for (int i = 0; i < st->count; ++i) {
    bool on = i == index;
    ShowWindow(st->pages[i], on ? SW_SHOW : SW_HIDE);
    EnableWindow(st->pages[i], on);
  }
  if (index >= 0 && index < st->count) {
    HWND first = GetNextDlgTabItem(st->pages[index], nullptr, FALSE);
    if (first && IsWindowVisible(st->sheet)) SetFocus(first);
  }
}

void ApplySlots(SheetState* st, ContainerSettings& s, const std::int32_t chosen[5]) {
  PanelNode* node = FindNodeByWindow(st->container);
  PanelNode* holder = SlotHolder(node);
  if (!holder) return;
  for (int i = 0; i < 5; ++i) {
    if (chosen[i] < 0 || chosen[i] == s.toolSlots[i]) continue;
    if (PanelNode* old = SlotPanel(holder, s.toolSlots, i)) {
      UnlinkPanelNode(old);
      ForgetUndoFor(old);
      FreePanelSubtree(old, true);
    }
    s.toolSlots[i] = 0;
    if (!chosen[i]) continue;
    const PanelType* type = FindPanelType(TaskbarSlotTypeName(chosen[i]));
    PanelNode* fresh = type ? NewDetachedPanelNode(type->typeName, type->displayName) : nullptr;
    if (!fresh) continue;
    PanelNode* previous = nullptr;
    for (int k = i - 1; k >= 0 && !previous; --k) previous = SlotPanel(holder, s.toolSlots, k);
    LinkPanelNode(fresh, holder, previous);
    if (!CreatePanelWindows(fresh, holder, previous)) {
      UnlinkPanelNode(fresh);
      FreePanelSubtree(fresh, true);
      continue;
    }
    s.toolSlots[i] = chosen[i];
  }
}

void Apply(SheetState* st) {
  ContainerSettings before{}, s{};
  std::string oldPath, path;
  std::vector<std::uint8_t> oldBlob;
  if (!CurrentSettings(st->container, before, oldPath, oldBlob)) return;
  s = before;
  path = oldPath;
  bool shift = Globals().shiftForPopup, shadow = Globals().noDropShadow;
  std::int32_t chosen[5] = {-1, -1, -1, -1, -1};
  for (int i = 0; i < st->count; ++i) {
    HWND p = st->pages[i];
    if (GetDlgItem(p, IDC_ARRANGEMENT)) {
      int a = int(SendDlgItemMessageA(p, IDC_ARRANGEMENT, CB_GETCURSEL, 0, 0));
      if (a >= 0 && a <= 2) s.arrangement = a;
      BOOL ok = FALSE;
      UINT spacing = GetDlgItemInt(p, IDC_SPACING, &ok, FALSE);
      if (ok) s.spacing = std::int32_t(spacing > 20 ? 20 : spacing);
    }
    if (GetDlgItem(p, IDC_HOTKEY)) {
      WORD key = WORD(SendDlgItemMessageA(p, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0));
      s.hotKey = LOBYTE(key);
      s.hotKeyModifiers = s.hotKey ? (HIBYTE(key) & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)) : 0;
    }
    if (GetDlgItem(p, IDC_STYLE_FLOATING)) {
      bool floating = IsDlgButtonChecked(p, IDC_STYLE_FLOATING) == BST_CHECKED;
      bool autoHide = IsDlgButtonChecked(p, IDC_AUTOHIDE) == BST_CHECKED;
      int edgeIndex = int(SendDlgItemMessageA(p, IDC_EDGE, CB_GETCURSEL, 0, 0));
      if (floating) {
        s.frameStyle = 0;
      } else {
        s.frameStyle = autoHide ? 2 : 1;
        s.autoHide = autoHide ? 1 : 0;
        if (edgeIndex >= 0 && edgeIndex < 4) s.edge = kEdgeOfIndex[edgeIndex];
      }
      s.alwaysOnTop = IsDlgButtonChecked(p, IDC_ONTOP) == BST_CHECKED ? 1 : 0;
      shift = IsDlgButtonChecked(p, IDC_SHIFT_POPUP) == BST_CHECKED;
      shadow = IsDlgButtonChecked(p, IDC_NO_SHADOW) == BST_CHECKED;
    }
    if (GetDlgItem(p, IDC_TITLE)) {
      char title[40] = {};
      GetDlgItemTextA(p, IDC_TITLE, title, sizeof title);
      std::memset(s.title, 0, sizeof s.title);
      lstrcpynA(s.title, title, sizeof s.title);
      int colour = int(SendDlgItemMessageA(p, IDC_COLOUR, CB_GETCURSEL, 0, 0));
      if (colour >= 0 && colour < 16) s.colour = colour;
      int background = int(SendDlgItemMessageA(p, IDC_BG_LIST, CB_GETCURSEL, 0, 0));
      if (background >= 0 && background <= 10) s.background = background;
      char custom[MAX_PATH] = {};
      GetDlgItemTextA(p, IDC_BG_PATH, custom, MAX_PATH);
      path = custom;
      s.customBackground = IsDlgButtonChecked(p, IDC_BG_CUSTOM) == BST_CHECKED && !path.empty() ? 1 : 0;
    }
    if (GetDlgItem(p, IDC_SLOT1))
      for (int k = 0; k < 5; ++k)
        chosen[k] = std::int32_t(SendDlgItemMessageA(p, kSlotCombos[k], CB_GETCURSEL, 0, 0));
  }
  bool slotsChanged = false;
  for (int k = 0; k < 5; ++k) slotsChanged = slotsChanged || (chosen[k] >= 0 && chosen[k] != s.toolSlots[k]);
  bool optionsChanged = shift != Globals().shiftForPopup || shadow != Globals().noDropShadow;
  std::vector<std::uint8_t> fresh = WriteContainerBlob(s, path);
  if (fresh == WriteContainerBlob(before, oldPath) && !slotsChanged && !optionsChanged) return;

  Globals().shiftForPopup = shift;
  if (shadow != Globals().noDropShadow) {
    Globals().noDropShadow = shadow;
    for (PanelNode* f = FrameList(); f; f = f->next)
      if (f->window) RedrawWindow(GetParent(f->window), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  PanelNode* node = FindNodeByWindow(st->container);
  HWND frame = GetTopFrameWindow(st->container);
  if (st->kind == ContainerKind::taskbar && slotsChanged) {
    ApplySlots(st, s, chosen);
    fresh = WriteContainerBlob(s, path);
  }
  if (fresh != WriteContainerBlob(before, oldPath)) {
    if (st->kind == ContainerKind::toolGroup) {
      // The undo record gets the settings the group had right before this apply.
      if (node) node->blob = oldBlob;
      SendMessageA(st->container, PNM_SETSETTINGS, WPARAM(fresh.size()), reinterpret_cast<LPARAM>(fresh.data()));
      SendMessageA(GetParent(st->container), PNM_CHANGED, reinterpret_cast<WPARAM>(st->container), 1);
    } else {
      SendMessageA(st->container, PNM_SETSETTINGS, WPARAM(fresh.size()),
                   reinterpret_cast<LPARAM>(fresh.data()));
      if (node) {
        std::vector<std::uint8_t> old = node->blob.empty() ? oldBlob : node->blob;
        QueryPanelSettings(st->container, node->blob);
        if (st->kind == ContainerKind::taskbar)
          SendMessageA(st->container, PNM_SETTINGSCHANGED, reinterpret_cast<WPARAM>(st->container), 1);
        else if (IsConfigDialogOpen() && node->blob != old)
          PushUndoSettings(node, old);
      }
      UpdateUndoButton();
    }
  }
  if (frame) RelayoutFrame(frame);
  ShowControls(st);
}

LRESULT DrawItem(const DRAWITEMSTRUCT* di) {
  RECT r = di->rcItem;
  FillRect(di->hDC, &r, GetSysColorBrush((di->itemState & ODS_SELECTED) ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (int(di->itemID) < 0) return TRUE;
  if (di->CtlID == IDC_COLOUR) {
    RECT swatch{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    HBRUSH brush = CreateSolidBrush(PALETTEINDEX(di->itemID & 15));
    FillRect(di->hDC, &swatch, brush);
    DeleteObject(brush);
    FrameRect(di->hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  } else if (di->CtlID == IDC_BG_LIST && di->itemID > 0) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(Globals().instance,
        MAKEINTRESOURCEA(IDB_BACKGROUND_EMPTY + di->itemID), IMAGE_BITMAP, 32, 32, 0));
    if (bitmap) {
      HDC mem = CreateCompatibleDC(di->hDC);
      HGDIOBJ old = SelectObject(mem, bitmap);
      BitBlt(di->hDC, r.left + 2, r.top, 32, 32, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
      DeleteObject(bitmap);
    }
  }
  if (di->itemState & ODS_FOCUS) DrawFocusRect(di->hDC, &r);
  return TRUE;
}

void Browse(HWND page) {
  char path[MAX_PATH] = {};
  GetDlgItemTextA(page, IDC_BG_PATH, path, MAX_PATH);
  std::string filter = LoadResString(IDS_BITMAP_FILTER);
  for (char& c : filter)
    if (c == '|') c = 0;
  filter.push_back(0);
  std::string title = LoadResString(IDS_BROWSE_BACKGROUND);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = page;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = 6156;
  RevealFrameForModal(GetOwnerFrameWindow());
  BOOL ok = GetOpenFileNameA(&ofn);
  EndFrameModal();
  if (!ok) return;
  SetDlgItemTextA(page, IDC_BG_PATH, path);
  CheckRadioButton(page, IDC_BG_PREDEFINED, IDC_BG_CUSTOM, IDC_BG_CUSTOM);
}

INT_PTR CALLBACK PageCommon(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
  auto* st = reinterpret_cast<SheetState*>(GetWindowLongPtrA(page, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(page, DWLP_USER, lp);
      return FALSE;
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      mi->itemHeight = mi->CtlID == IDC_BG_LIST ? 32 : 16;
      return TRUE;
    }
    case WM_DRAWITEM:
      return DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_COMMAND: {
      if (!st) return FALSE;
      int id = LOWORD(wp);
      if (id == IDC_STYLE_FLOATING || id == IDC_STYLE_DOCKED) {
        bool floating = IsDlgButtonChecked(page, IDC_STYLE_FLOATING) == BST_CHECKED;
        EnableWindow(GetDlgItem(page, IDC_AUTOHIDE), !floating);
        EnableWindow(GetDlgItem(page, IDC_EDGE), !floating);
      } else if (id == IDC_BG_BROWSE) {
        Browse(page);
      } else if (HIWORD(wp) == CBN_SELCHANGE && id >= IDC_SLOT1 && id <= IDC_SLOT5) {
        UpdateSlotButtons(st);
      } else {
        for (int i = 0; i < 5; ++i)
          if (id == kSlotButtons[i]) {
            ContainerSettings* s = GetContainerSettings(st->container);
            PanelNode* panel = s ? SlotPanel(SlotHolder(FindNodeByWindow(st->container)), s->toolSlots, i) : nullptr;
            if (panel && panel->window) ShowPanelPropertiesDialog(panel->window);
          }
      }
      return TRUE;
    }
  }
  return FALSE;
}

HWND g_runningPage = nullptr;

}  // namespace

INT_PTR CALLBACK ToolbarStylePageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
  return PageCommon(page, msg, wp, lp);
}
INT_PTR CALLBACK ToolbarPageProc(HWND page, UINT msg, WPARAM wp, LPARAM lp) {
  return PageCommon(page, msg, wp, lp);
}

const char* TaskbarSlotTypeName(int slot) {
  static const char* const names[8] = {"", "QuickLaunch", "Start Menus", "Print Manager",
                                        "MultiView", "System Access", "Command Line", "Clock"};
  return slot >= 0 && slot < 8 ? names[slot] : "";
}

HWND CreateToolbarPropertySheet(HWND container, HWND parent, int x, int y) {
  HWND sheet = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_TOOLBAR_SHEET), parent,
                                  ToolbarPropertiesProc, reinterpret_cast<LPARAM>(container));
  if (!sheet) return nullptr;
  SetWindowPos(sheet, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(sheet, SW_SHOWNA);
  return sheet;
}

INT_PTR CALLBACK ToolbarPropertiesProc(HWND sheet, UINT msg, WPARAM wp, LPARAM lp) {
  SheetState* st = Sheet(sheet);
  switch (msg) {
    case WM_INITDIALOG: {
      st = new SheetState;
      st->sheet = sheet;
      st->container = reinterpret_cast<HWND>(lp);
      st->kind = KindOf(st->container);
      st->tabs = GetDlgItem(sheet, IDC_SHEET_TABS);
      SetWindowLongPtrA(sheet, DWLP_USER, reinterpret_cast<LONG_PTR>(st));
      struct PageDef { UINT tab; int id; DLGPROC proc; };
      std::vector<PageDef> defs;
      if (st->kind == ContainerKind::taskbar) defs = {{IDS_TAB_GENERAL, IDD_PAGE_TASKBAR, PageCommon}};
      else if (st->kind == ContainerKind::toolbar)
        defs = {{IDS_TAB_GENERAL, IDD_PAGE_STYLE, ToolbarStylePageProc},
                {IDS_TAB_TOOLBAR, IDD_PAGE_TOOLBAR, ToolbarPageProc}};
      else defs = {{IDS_TAB_GENERAL, IDD_PAGE_TOOLGROUP, PageCommon}};
      RECT area;
      GetClientRect(st->tabs, &area);
      for (const PageDef& d : defs) {
        char text[64] = {};
        lstrcpynA(text, LoadResString(d.tab), sizeof text);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        SendMessageA(st->tabs, TCM_INSERTITEMA, st->count, reinterpret_cast<LPARAM>(&item));
        st->pages[st->count++] = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(d.id), sheet,
                                                    d.proc, reinterpret_cast<LPARAM>(st));
      }
      TabCtrl_AdjustRect(st->tabs, FALSE, &area);
      for (int i = 0; i < st->count; ++i)
        if (st->pages[i])
          SetWindowPos(st->pages[i], HWND_TOP, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOACTIVATE);
      ShowControls(st);
      SelectTab(st, 0);
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (st && hdr->idFrom == IDC_SHEET_TABS && hdr->code == TCN_SELCHANGE) {
        SelectTab(st, TabCtrl_GetCurSel(st->tabs));
        ShowControls(st);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (!st) return FALSE;
      if (LOWORD(wp) == IDC_CONFIG_APPLY) Apply(st);
      else if (LOWORD(wp) == IDM_DETACH_GROUP) DetachToNewFrame(st->container);
      else if (LOWORD(wp) == IDM_MERGE_FRAME) MoveIntoFirstFrame(st->container);
      return TRUE;
    default:
      if (msg == PNM_PAGEHELP && st) {
        OpenHelpTopic(sheet, st->kind == ContainerKind::taskbar ? 73
                             : st->kind == ContainerKind::toolbar ? 71 : 72);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (st) {
        for (int i = 0; i < st->count; ++i)
          if (st->pages[i] && IsWindow(st->pages[i])) DestroyWindow(st->pages[i]);
        delete st;
        SetWindowLongPtrA(sheet, DWLP_USER, 0);
      }
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK PanelPropertiesProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      g_panelDialog = dialog;
      HWND panel = reinterpret_cast<HWND>(lp);
      PanelNode* node = FindNodeByWindow(panel);
      const PanelType* type = node ? FindPanelType(node->typeName) : nullptr;
      char title[120] = {};
      snprintf(title, sizeof title, LoadResString(IDS_PANEL_PROPERTIES), type ? type->displayName : "");
      SetWindowTextA(dialog, title);
      RECT r;
      GetWindowRect(dialog, &r);
      SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
      g_runningPage = reinterpret_cast<HWND>(SendMessageA(
          panel, PNM_CREATEPAGE, reinterpret_cast<WPARAM>(dialog), MAKELPARAM(10, 10)));
      if (g_runningPage && !IsWindow(g_runningPage)) g_runningPage = nullptr;
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        HWND page = g_runningPage;
        g_runningPage = nullptr;
        if (page && LOWORD(wp) == IDOK) SendMessageA(page, WM_COMMAND, IDC_CONFIG_APPLY, 0);
        if (page && IsWindow(page)) DestroyWindow(page);
        g_panelDialog = nullptr;
        EndDialog(dialog, LOWORD(wp) == IDOK ? 0 : 1);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

int ShowPanelPropertiesDialog(HWND panel) {
  CancelPanelPropertiesDialog();
  if (!panel || !IsWindow(panel)) return -1;
  return int(FrameDialogBox(Globals().instance, MAKEINTRESOURCEA(IDD_PANEL_PROPERTIES), nullptr,
                            PanelPropertiesProc, reinterpret_cast<LPARAM>(panel)));
}

void CancelPanelPropertiesDialog() {
  if (g_panelDialog && IsWindow(g_panelDialog))
    SendMessageA(g_panelDialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace jqbar
