// The Settings property sheet (drives to scan, drives shown, scan options, colours) on a working
// copy of the settings, and the Folder Details sheet that orders, shows, hides and configures
// the size columns with live preview and restore on cancel.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <commdlg.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include "drive_list.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "size_columns.h"
#include "tree_pane.h"

namespace {

// The Settings sheet's record: the copy of the settings its pages edit. Each page gets a
// SettingsPage (its template id and the record) as its parameter; an applied page copies the
// record into the settings.
struct SettingsSheetState {
  VoltalineSettings copy;
};
struct SettingsPage {
  UINT id = 0;
  SettingsSheetState* sheet = nullptr;
};

SettingsPage* PageRecord(HWND page, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
    SetWindowLongPtrA(page, DWLP_USER, psp->lParam);
  }
  return reinterpret_cast<SettingsPage*>(GetWindowLongPtrA(page, DWLP_USER));
}
HIMAGELIST g_checkImages = nullptr;

HINSTANCE Inst() { return g_voltaly.instance ? g_voltaly.instance : GetModuleHandleA(nullptr); }

std::string LoadText(UINT id) {
  char buf[512];
  int n = LoadStringA(Inst(), id, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

HIMAGELIST CheckImages() {
  if (!g_checkImages)
    g_checkImages = ImageList_LoadImageA(Inst(), MAKEINTRESOURCEA(IDB_CHECKS), 16, 0, RGB(255, 0, 0),
                                         IMAGE_BITMAP, LR_CREATEDIBSECTION);
  return g_checkImages;
}

bool ItemChecked(HWND tree, HTREEITEM item) {
  UINT state = (UINT)SendMessageA(tree, TVM_GETITEMSTATE, (WPARAM)item, TVIS_STATEIMAGEMASK);
  return (state >> 12) == 2;
}

void SetItemChecked(HWND tree, HTREEITEM item, bool checked) {
  TVITEMA tv{};
  tv.mask = TVIF_STATE | TVIF_HANDLE;
  tv.hItem = item;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageA(tree, TVM_SETITEMA, 0, (LPARAM)&tv);
}

// A top-level item of a check-box tree after `after`, with its state image bits (`stateImage`)
// and, where `image` is not negative, its icons.
HTREEITEM InsertStateItem(HWND tree, HTREEITEM after, char* text, LPARAM param, UINT stateImage, int image = -1,
                          int selectedImage = -1) {
  TVINSERTSTRUCTA ins{};
  ins.hParent = TVI_ROOT;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
  if (image >= 0) {
    ins.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.iImage = image;
    ins.item.iSelectedImage = selectedImage;
  }
  ins.item.pszText = text;
  ins.item.lParam = param;
  ins.item.stateMask = TVIS_STATEIMAGEMASK;
  ins.item.state = stateImage;
  return (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&ins);
}

// The item under the point of the message being handled (a click's NM_CLICK), with the hit-test
// flags.
HTREEITEM TreeItemAtMessagePos(HWND tree, UINT* flags) {
  DWORD pos = GetMessagePos();
  TVHITTESTINFO hit{};
  hit.pt = {(short)LOWORD(pos), (short)HIWORD(pos)};
  ScreenToClient(tree, &hit.pt);
  auto item = (HTREEITEM)SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)&hit);
  *flags = hit.flags;
  return item;
}

// Which of the four class boxes a drive type belongs to: 0 removable, 1 fixed, 2 network, 3 other.
int DriveClass(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return 0;
    case DRIVE_FIXED: return 1;
    case DRIVE_REMOTE: return 2;
    default: return 3;
  }
}

struct DriveItemData {
  uint32_t type;
  uint32_t number;  // 1..26
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Drive trees of pages 108 and 111

void FillDriveTree(HWND dialog, int treeId, const uint32_t classes[4], uint32_t mask) {
  HWND tree = GetDlgItem(dialog, treeId);
  if (!tree) return;
  SendMessageA(tree, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  auto images = (HIMAGELIST)SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  if (images) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images);
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, (LPARAM)CheckImages());
  DWORD present = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(present & (1u << i))) continue;
    char root[4] = {(char)('A' + i), ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    if (type == DRIVE_NO_ROOT_DIR) continue;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s", root);
    int image = 0, selected = 0;
    if (LPITEMIDLIST id = ParsePathToIdList(root, nullptr, nullptr)) {
      GetDisplayNameText(DesktopFolder(), id, 0, name);
      TVITEMA tv{};
      GetNodeIcons(id, &tv);
      image = tv.iImage;
      selected = tv.iSelectedImage;
      FreeItemIdList(id);
    }
    auto* data = new DriveItemData{type, (uint32_t)(i + 1)};
    bool checked = (mask & (1u << (i + 1))) && classes[DriveClass(type)];
    InsertStateItem(tree, TVI_LAST, name, (LPARAM)data, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), image, selected);
  }
}

template <typename F>
static void ForEachDrive(HWND tree, F f) {
  for (auto item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); item;
       item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    if (auto* data = (DriveItemData*)tv.lParam) f(item, *data);
  }
}

void ReadDriveMask(HWND dialog, int treeId, uint32_t* mask) {
  HWND tree = GetDlgItem(dialog, treeId);
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItemData& d) {
    if (ItemChecked(tree, item)) *mask |= 1u << d.number;
    else *mask &= ~(1u << d.number);
  });
}

void ShowDriveLetters(HWND dialog, int treeId) {
  HWND tree = GetDlgItem(dialog, treeId);
  char letters[27];
  memset(letters, '.', 26);
  letters[26] = 0;
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItemData& d) {
    if (ItemChecked(tree, item) && d.number >= 1 && d.number <= 26) letters[d.number - 1] = (char)('A' + d.number - 1);
  });
  SetDlgItemTextA(dialog, 1003, letters);
}

void SetDriveClassChecks(HWND dialog, int treeId, int driveClass, bool checked) {
  HWND tree = GetDlgItem(dialog, treeId);
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItemData& d) {
    if (DriveClass(d.type) == driveClass) SetItemChecked(tree, item, checked);
  });
}

void UpdateDriveClassBoxes(HWND dialog, int treeId) {
  HWND tree = GetDlgItem(dialog, treeId);
  int total[4] = {}, checked[4] = {};
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItemData& d) {
    int c = DriveClass(d.type);
    ++total[c];
    if (ItemChecked(tree, item)) ++checked[c];
  });
  for (int c = 0; c < 4; ++c) {
    UINT state = checked[c] == 0 ? BST_UNCHECKED : (checked[c] == total[c] ? BST_CHECKED : BST_INDETERMINATE);
    CheckDlgButton(dialog, 1006 + c, state);
  }
}

namespace {

// Page 111 (scan) works on scanDriveMask / scanDriveClasses, page 108 (shown) on the shown pair.
struct DrivePage {
  bool scan;
  VoltalineSettings* copy;
  uint32_t* mask() const { return scan ? &copy->scanDriveMask : &copy->shownDriveMask; }
  uint32_t* classes() const { return scan ? copy->scanDriveClasses : copy->shownDriveClasses; }
};

void RefreshDriveBoxes(HWND page) {
  UpdateDriveClassBoxes(page, 1234);
  ShowDriveLetters(page, 1234);
}

INT_PTR CALLBACK DrivePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingsPage* record = PageRecord(page, message, lParam);
  if (!record || !record->sheet) return FALSE;
  const bool scan = record->id == IDD_SCAN_DRIVES;
  VoltalineSettings& copy = record->sheet->copy;
  DrivePage dp{scan, &copy};
  switch (message) {
    case WM_INITDIALOG: {
      if (dp.scan) {
        CenterOnOwner(GetParent(page));
        SetDialogControls(page, "crr", 1031, (int)copy.stopAllScans, 1038, (int)(copy.scanOption != 0),
                          1039, (int)(copy.scanOption == 0));
      }
      FillDriveTree(page, 1234, dp.classes(), *dp.mask());
      RefreshDriveBoxes(page);
      return TRUE;
    }
    case WM_COMMAND: {
      UINT id = LOWORD(wParam);
      if (id >= 1006 && id <= 1009) {
        bool checked = IsDlgButtonChecked(page, id) != BST_CHECKED;
        SetDriveClassChecks(page, 1234, (int)(id - 1006), checked);
        RefreshDriveBoxes(page);
        PropSheet_Changed(GetParent(page), page);
        return TRUE;
      }
      if (id == 1031) copy.stopAllScans = IsDlgButtonChecked(page, 1031) == BST_CHECKED;
      else if (id == 1038) copy.scanOption = 1;
      else if (id == 1039) copy.scanOption = 0;
      else return FALSE;
      PropSheet_Changed(GetParent(page), page);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* hdr = (NMHDR*)lParam;
      if (hdr->idFrom == 1234) {
        if (hdr->code == NM_CLICK) {
          UINT flags = 0;
          HTREEITEM item = TreeItemAtMessagePos(hdr->hwndFrom, &flags);
          if (item && (flags & (TVHT_ONITEMSTATEICON | TVHT_ONITEMICON | TVHT_ONITEMLABEL))) {
            SetItemChecked(hdr->hwndFrom, item, !ItemChecked(hdr->hwndFrom, item));
            RefreshDriveBoxes(page);
            PropSheet_Changed(GetParent(page), page);
          }
        } else if (hdr->code == TVN_DELETEITEMA || hdr->code == TVN_DELETEITEMW) {
          delete (DriveItemData*)((NMTREEVIEWA*)lParam)->itemOld.lParam;
        }
        return TRUE;
      }
      switch (hdr->code) {
        case PSN_APPLY: {
          for (int c = 0; c < 4; ++c) dp.classes()[c] = IsDlgButtonChecked(page, 1006 + c);
          uint32_t before = *dp.mask();
          ReadDriveMask(page, 1234, dp.mask());
          if (!scan && *dp.mask() != g_settings.shownDriveMask) {
            if ((copy.shownDriveMask & copy.scanDriveMask) != copy.scanDriveMask) {
              *dp.mask() = before;
              seams::MessageBoxA(page, LoadText(IDS_DRIVES_REFUSED).c_str(), LoadText(IDS_DRIVES_CAPTION).c_str(),
                                 MB_OK | MB_ICONEXCLAMATION);
              SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
              return TRUE;
            }
            g_settings = copy;
            EnumerateDriveNodes();
          } else {
            g_settings = copy;
          }
          SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
          return TRUE;
        }
        case PSN_HELP:
          ShowHelpTopic(page, 94);
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

// Page 145: the three colours.
COLORREF g_custom1[16], g_custom2[16];
HBITMAP g_swatches[3];

void PaintSwatch(HWND page, int index, int control, COLORREF colour) {
  // The swatch fills its frame (at most 256 x 32).
  RECT frame;
  GetClientRect(GetDlgItem(page, control), &frame);
  int width = std::max(1, std::min<int>(256, frame.right)), height = std::max(1, std::min<int>(32, frame.bottom));
  HDC screen = GetDC(page);
  HBITMAP bitmap = g_swatches[index] ? g_swatches[index] : CreateCompatibleBitmap(screen, width, height);
  g_swatches[index] = bitmap;
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(colour);
  RECT rc = {0, 0, width, height};
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(page, screen);
  SendDlgItemMessageA(page, control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);
  InvalidateRect(GetDlgItem(page, control), nullptr, TRUE);
}

bool ChooseColour(HWND owner, uint32_t* colour, COLORREF* custom, bool preventFull) {
  CHOOSECOLORA cc{sizeof cc};
  COLORREF zeroed[16] = {};
  cc.hwndOwner = owner;
  cc.rgbResult = *colour;
  cc.lpCustColors = custom ? custom : zeroed;
  cc.Flags = CC_RGBINIT | CC_SHOWHELP | (preventFull ? CC_PREVENTFULLOPEN : 0);
  if (!ChooseColorA(&cc)) return false;
  *colour = cc.rgbResult;
  return true;
}

INT_PTR CALLBACK ColourPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingsPage* record = PageRecord(page, message, lParam);
  if (!record || !record->sheet) return FALSE;
  VoltalineSettings& copy = record->sheet->copy;
  switch (message) {
    case WM_INITDIALOG:
      PaintSwatch(page, 0, 1093, copy.colour1);
      PaintSwatch(page, 1, 1095, copy.colour2);
      PaintSwatch(page, 2, 1091, copy.colour3);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case 1092:
          if (ChooseColour(page, &copy.colour1, g_custom1, false)) PaintSwatch(page, 0, 1093, copy.colour1);
          break;
        case 1094:
          if (ChooseColour(page, &copy.colour2, g_custom2, false)) PaintSwatch(page, 1, 1095, copy.colour2);
          break;
        case 1090:
          if (ChooseColour(page, &copy.colour3, nullptr, true)) PaintSwatch(page, 2, 1091, copy.colour3);
          break;
        default:
          return FALSE;
      }
      PropSheet_Changed(GetParent(page), page);
      return TRUE;
    case WM_NOTIFY:
      switch (((NMHDR*)lParam)->code) {
        case PSN_APPLY:
          g_settings = copy;
          RecreateSizePaneBrushes();
          RepaintAllRows();
          SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
          return TRUE;
        case PSN_HELP:
          ShowHelpTopic(page, 94);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      for (HBITMAP& b : g_swatches) if (b) { DeleteObject(b); b = nullptr; }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void ShowSettingsSheet(HWND owner) {
  SettingsSheetState state;
  state.copy = g_settings;
  PROPSHEETPAGEA pages[3]{};
  SettingsPage records[3];
  const UINT ids[3] = {IDD_SCAN_DRIVES, IDD_SHOWN_DRIVES, IDD_COLOURS};
  for (int i = 0; i < 3; ++i) {
    records[i].id = ids[i];
    records[i].sheet = &state;
    pages[i].dwSize = sizeof(PROPSHEETPAGEA);
    pages[i].dwFlags = PSP_HASHELP;
    pages[i].hInstance = Inst();
    pages[i].pszTemplate = MAKEINTRESOURCEA(ids[i]);
    pages[i].pfnDlgProc = i < 2 ? DrivePageProc : ColourPageProc;
    pages[i].lParam = reinterpret_cast<LPARAM>(&records[i]);
  }
  std::string caption = LoadText(IDS_SETTINGS_CAPTION);
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_HASHELP | PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = Inst();
  header.pszCaption = caption.c_str();
  header.nPages = 3;
  header.ppsp = pages;
  PropertySheetA(&header);
}

// ---------------------------------------------------------------------------------------------
// Folder Details

namespace {

// The Folder Details sheet's record (the parameter of its pages): the sheet window, each column
// page's parameter, and the result: whether the sheet was confirmed.
struct DetailsSheetState;
struct ColumnPageRecord {
  ColumnRecord* column = nullptr;
  DetailsSheetState* sheet = nullptr;
};
struct DetailsSheetState {
  HWND sheet = nullptr;
  bool applied = false;  // out
  ColumnPageRecord columns[kMaxColumns];
  ColumnPageRecord* RecordFor(ColumnRecord* c) {
    for (ColumnPageRecord& r : columns)
      if (r.column == c) return &r;
    for (ColumnPageRecord& r : columns)
      if (!r.column) {
        r.column = c;
        r.sheet = this;
        return &r;
      }
    return nullptr;
  }
};

DetailsSheetState* DetailsOf(HWND page) {
  return reinterpret_cast<DetailsSheetState*>(GetWindowLongPtrA(page, DWLP_USER));
}

bool g_dragging = false;
HTREEITEM g_dragItem = nullptr;
HIMAGELIST g_dragImage = nullptr;

INT_PTR CALLBACK ColumnPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

HPROPSHEETPAGE MakeColumnPage(ColumnRecord* c, DetailsSheetState* details) {
  ColumnPageRecord* record = details ? details->RecordFor(c) : nullptr;
  if (!record) return nullptr;
  static std::string titles[kMaxColumns];
  static int next = 0;
  std::string& title = titles[next++ % kMaxColumns];
  title = LoadText(c->typeId);
  PROPSHEETPAGEA psp{};
  psp.dwSize = sizeof psp;
  psp.dwFlags = PSP_HASHELP | PSP_USETITLE;
  psp.hInstance = Inst();
  UINT id = (c->flags & kColNumeric) ? IDD_COLUMN_NUMERIC : ((c->flags & kColText) ? IDD_COLUMN_DATE : IDD_COLUMN_PLAIN);
  psp.pszTemplate = MAKEINTRESOURCEA(id);
  psp.pszTitle = title.c_str();
  psp.pfnDlgProc = ColumnPageProc;
  psp.lParam = reinterpret_cast<LPARAM>(record);
  return CreatePropertySheetPageA(&psp);
}

void RemoveColumnPage(ColumnRecord* c, DetailsSheetState* details) {
  if (c->page && details && details->sheet) PropSheet_RemovePage(details->sheet, 0, c->page);
  c->page = nullptr;
  c->pageWindow = nullptr;
}

void AfterColumnChange() {
  RebuildHeaderLayout();
}

void FillColumnTree(HWND page) {
  HWND tree = GetDlgItem(page, 1000);
  SendMessageA(tree, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, (LPARAM)CheckImages());
  for (int i = 1; i < GetColumnCount(); ++i) {
    ColumnRecord* c = GetColumn(i);
    std::string title = LoadText(c->typeId);
    InsertStateItem(tree, TVI_LAST, title.data(), (LPARAM)c, INDEXTOSTATEIMAGEMASK((c->flags & kColHidden) ? 1 : 2));
  }
  auto first = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  if (first) SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)first);
}

// The column order and visibility as the list shows them.
void ApplyColumnOrder(HWND page) {
  DetailsSheetState* details = DetailsOf(page);
  HWND tree = GetDlgItem(page, 1000);
  ColumnRecord* order[kMaxColumns];
  int n = 0;
  order[n++] = GetColumn(0);
  for (auto item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); item && n < kMaxColumns;
       item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    auto* c = (ColumnRecord*)tv.lParam;
    if (!c) continue;
    c->flags &= ~kColScrolledOut;
    if (!ItemChecked(tree, item)) {
      c->flags |= kColHidden;
      RemoveColumnPage(c, details);
    } else {
      c->flags &= ~kColHidden;
      RemoveColumnPage(c, details);
      c->page = MakeColumnPage(c, details);
      if (details && details->sheet && c->page) PropSheet_AddPage(details->sheet, c->page);
    }
    order[n++] = c;
  }
  if (n == GetColumnCount()) ReorderColumns(order, n);
  AfterColumnChange();
}

void FinishDrag(HWND page, POINT pt) {
  HWND tree = GetDlgItem(page, 1000);
  ImageList_DragLeave(tree);
  ImageList_EndDrag();
  if (g_dragImage) { ImageList_Destroy(g_dragImage); g_dragImage = nullptr; }
  ReleaseCapture();
  g_dragging = false;
  SendMessageA(tree, TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  TVHITTESTINFO hit{};
  hit.pt = pt;
  auto target = (HTREEITEM)SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)&hit);
  HTREEITEM dragged = g_dragItem;
  g_dragItem = nullptr;
  if (!target || !dragged || target == dragged) return;
  // Is the target below the dragged item?
  bool below = false;
  for (auto it = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)dragged); it;
       it = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)it))
    if (it == target) below = true;
  HTREEITEM after = target;
  if (!below) {
    after = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PREVIOUS, (LPARAM)target);
    if (!after) after = TVI_FIRST;
  }
  char text[128];
  TVITEMA tv{};
  tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_HANDLE;
  tv.hItem = dragged;
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
  HTREEITEM inserted = InsertStateItem(tree, after, text, tv.lParam, tv.state & TVIS_STATEIMAGEMASK);
  SendMessageA(tree, TVM_DELETEITEM, 0, (LPARAM)dragged);
  SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)inserted);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)inserted);
  ApplyColumnOrder(page);
}

LRESULT CALLBACK ColumnTreeSubclass(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (g_dragging) {
    if (message == WM_MOUSEMOVE) {
      POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
      ImageList_DragMove(pt.x, pt.y);
      TVHITTESTINFO hit{};
      hit.pt = pt;
      auto target = (HTREEITEM)SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)&hit);
      ImageList_DragShowNolock(FALSE);
      SendMessageA(tree, TVM_SELECTITEM, TVGN_DROPHILITE, (LPARAM)target);
      ImageList_DragShowNolock(TRUE);
      RECT rc;
      GetClientRect(tree, &rc);
      SetCursor(LoadCursor(nullptr, PtInRect(&rc, pt) ? IDC_ARROW : IDC_NO));
      return 0;
    }
    if (message == WM_LBUTTONUP) {
      POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
      RECT rc;
      GetClientRect(tree, &rc);
      if (!PtInRect(&rc, pt)) pt = {-1, -1};
      FinishDrag(GetParent(tree), pt);
      return 0;
    }
  }
  return DefSubclassProc(tree, message, wParam, lParam);
}

INT_PTR CALLBACK ColumnListPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
  DetailsSheetState* details = DetailsOf(page);
  if (!details) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      details->sheet = GetParent(page);
      CenterOnOwner(details->sheet);
      HWND tabs = PropSheet_GetTabControl(details->sheet);
      if (tabs) SetWindowLongPtrA(tabs, GWL_STYLE, GetWindowLongPtrA(tabs, GWL_STYLE) & ~TCS_MULTILINE);
      SetWindowSubclass(GetDlgItem(page, 1000), ColumnTreeSubclass, 1, 0);
      FillColumnTree(page);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* hdr = (NMHDR*)lParam;
      if (hdr->idFrom == 1000) {
        if (hdr->code == NM_CLICK) {
          UINT flags = 0;
          HTREEITEM item = TreeItemAtMessagePos(hdr->hwndFrom, &flags);
          if (item && (flags & TVHT_ONITEMSTATEICON)) {
            SetItemChecked(hdr->hwndFrom, item, !ItemChecked(hdr->hwndFrom, item));
            ApplyColumnOrder(page);
          }
        } else if (hdr->code == TVN_BEGINDRAGA || hdr->code == TVN_BEGINDRAGW) {
          auto* nm = (NMTREEVIEWA*)lParam;
          if (!nm->itemNew.lParam) return TRUE;
          g_dragItem = nm->itemNew.hItem;
          g_dragImage = (HIMAGELIST)SendMessageA(hdr->hwndFrom, TVM_CREATEDRAGIMAGE, 0, (LPARAM)g_dragItem);
          if (g_dragImage) {
            ImageList_BeginDrag(g_dragImage, 0, 0, 0);
            ImageList_DragEnter(hdr->hwndFrom, nm->ptDrag.x, nm->ptDrag.y);
          }
          SetCapture(hdr->hwndFrom);
          g_dragging = true;
        }
        return TRUE;
      }
      switch (hdr->code) {
        case PSN_SETACTIVE:
          FillColumnTree(page);
          return TRUE;
        case PSN_APPLY:
          details->applied = true;
          SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
          return TRUE;
        case PSN_RESET:
          details->applied = false;
          return TRUE;
        case PSN_HELP:
          ShowHelpTopic(page, 99);
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

void SetColumnPageControls(HWND page, ColumnRecord* c) {
  uint32_t f = c->flags;
  SetDialogControls(page, "cccc rrr D(rr D(bb))", 1037, (int)((f & kColHidden) != 0), 1024, (int)((f & kColPercent) != 0),
                    1022, (int)((f & kColNoUnits) != 0), 1036, (int)((f & kColShowZero) == 0), 1041,
                    (int)((f & kColBar) == 0), 1038, (int)((f & kColBarDrive) != 0), 1039, (int)((f & kColBarDrive) == 0),
                    (int)((f & kColBar) != 0), 1046, (int)((f & kColFourthRoot) != 0), 1047,
                    (int)((f & kColFourthRoot) == 0), (int)((f & kColFourthRoot) == 0), 1033, 1032);
}

INT_PTR CALLBACK ColumnPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
  auto* record = reinterpret_cast<ColumnPageRecord*>(GetWindowLongPtrA(page, DWLP_USER));
  ColumnRecord* c = record ? record->column : nullptr;
  switch (message) {
    case WM_INITDIALOG: {
      if (!c) return FALSE;
      c->pageWindow = page;
      char label[256];
      snprintf(label, sizeof label, LoadText(IDS_SHOW_COLUMN_FMT).c_str(), LoadText(c->typeId).c_str());
      SetDlgItemTextA(page, 1037, label);
      SendDlgItemMessageA(page, 1032, UDM_SETRANGE32, 1, 200);
      SendDlgItemMessageA(page, 1049, UDM_SETRANGE32, 50, 32767);
      return TRUE;
    }
    case WM_COMMAND: {
      if (!c) return FALSE;
      UINT id = LOWORD(wParam);
      bool changed = true;
      switch (id) {
        case 1022: c->flags = IsDlgButtonChecked(page, 1022) ? (c->flags | kColNoUnits) : (c->flags & ~kColNoUnits); break;
        case 1024: c->flags = IsDlgButtonChecked(page, 1024) ? (c->flags | kColPercent) : (c->flags & ~kColPercent); break;
        case 1036: c->flags = IsDlgButtonChecked(page, 1036) ? (c->flags & ~kColShowZero) : (c->flags | kColShowZero); break;
        case 1037: c->flags = IsDlgButtonChecked(page, 1037) ? (c->flags | kColHidden) : (c->flags & ~kColHidden); break;
        case 1038: c->flags |= kColBar | kColBarDrive; break;
        case 1039: c->flags = (c->flags | kColBar) & ~kColBarDrive; break;
        case 1041: c->flags &= ~kColBar; break;
        case 1046: c->flags |= kColFourthRoot; break;
        case 1047: c->flags &= ~kColFourthRoot; break;
        case 1033:
        case 1048: {
          if (HIWORD(wParam) != EN_CHANGE) return FALSE;
          BOOL ok = FALSE;
          UINT value = GetDlgItemInt(page, id, &ok, FALSE);
          if (!ok) return TRUE;
          if (id == 1033 && value != 0) c->barScale = (uint16_t)std::min<UINT>(value, 200);
          else if (id == 1048 && value > 50) c->width = (int32_t)std::min<UINT>(value, 32767);
          else return TRUE;
          AfterColumnChange();
          return TRUE;
        }
        default: changed = false;
      }
      if (!changed) return FALSE;
      SetColumnPageControls(page, c);
      AfterColumnChange();
      return TRUE;
    }
    case WM_NOTIFY:
      switch (((NMHDR*)lParam)->code) {
        case PSN_SETACTIVE:
          if (c) {
            SetColumnPageControls(page, c);
            SendDlgItemMessageA(page, 1032, UDM_SETPOS32, 0, c->barScale);
            SendDlgItemMessageA(page, 1049, UDM_SETPOS32, 0, std::max<int>(c->neededWidth, c->width));
          }
          return TRUE;
        case PSN_APPLY:
          if (record) record->sheet->applied = true;
          SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
          return TRUE;
        case PSN_RESET:
          if (record) record->sheet->applied = false;
          return TRUE;
        case PSN_HELP:
          ShowHelpTopic(page, 99);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

void ShowFolderDetailsSheet(HWND owner, int start) {
  for (int i = 0; i < GetColumnCount(); ++i) GetColumn(i)->page = nullptr, GetColumn(i)->pageWindow = nullptr;
  ColumnRecord backup[kMaxColumns];
  int count = CopyColumnRecords(backup, kMaxColumns);
  DetailsSheetState details;
  HPROPSHEETPAGE pages[kMaxColumns + 1];
  int n = 0;
  PROPSHEETPAGEA list{};
  list.dwSize = sizeof list;
  list.dwFlags = PSP_HASHELP;
  list.hInstance = Inst();
  list.pszTemplate = MAKEINTRESOURCEA(IDD_COLUMN_LIST);
  list.pfnDlgProc = ColumnListPageProc;
  list.lParam = reinterpret_cast<LPARAM>(&details);
  pages[n++] = CreatePropertySheetPageA(&list);
  for (int i = 1; i < GetColumnCount(); ++i) {
    ColumnRecord* c = GetColumn(i);
    if (c->flags & kColHidden) continue;
    c->page = MakeColumnPage(c, &details);
    if (c->page) pages[n++] = c->page;
  }
  std::string caption = LoadText(IDS_DETAILS_CAPTION);
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_NOAPPLYNOW | PSH_HASHELP | PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = Inst();
  header.pszCaption = caption.c_str();
  header.nPages = n;
  header.nStartPage = start > 0 ? std::min(start - 1, n - 1) : 0;
  header.phpage = pages;
  PropertySheetA(&header);
  for (int i = 0; i < GetColumnCount(); ++i) GetColumn(i)->page = nullptr, GetColumn(i)->pageWindow = nullptr;
  if (!details.applied) {
    RestoreColumnRecords(backup, count);
    RebuildHeaderLayout();
  }
}
