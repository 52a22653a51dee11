// The criteria panel: a dialog with four tab pages that edits the live criteria record and
// starts, refines, appends to and stops searches.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "finder.h"
#include "resource.h"
#include "search_worker.h"

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
const int kPageDialogs[4] = {IDD_PAGE_NAME, IDD_PAGE_TYPE, IDD_PAGE_DATE, IDD_PAGE_TEXT};
const UINT kAttributeBoxes[5] = {IDC_ATTR_ARCHIVE, IDC_ATTR_READONLY, IDC_ATTR_HIDDEN, IDC_ATTR_SYSTEM,
                                 IDC_ATTR_DIRECTORY};
const uint32_t kAttributeBits[5] = {0x20, 0x01, 0x02, 0x04, 0x10};

HWND Page(int i) { return g_finder.pages[i]; }
HWND Item(int page, int id) { return GetDlgItem(Page(page), id); }

std::string WindowText(HWND window, int limit) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, limit + 1 < 1024 ? limit + 1 : 1024);
  return buffer;
}

void SetField(char* field, size_t size, const std::string& text) {
  memset(field, 0, size);
  strncpy(field, text.c_str(), size - 1);
}

void FillCombo(HWND combo, const int* ids, int count) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < count; ++i)
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FinderString(ids[i]).c_str()));
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

void FillHistoryCombo(HWND combo, const FinderHistory& history) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& text : history) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The combos' lists from the histories; the edit texts stay as they are.
void FillCriteriaHistory() {
  const struct { int page, id, kind; } combos[] = {
      {0, IDC_NAME_MASKS, kHistoryFileNames}, {0, IDC_LOOK_PATH, kHistoryPaths}, {3, IDC_CONTAINING_TEXT, kHistoryTexts}};
  for (const auto& c : combos) {
    HWND combo = Item(c.page, c.id);
    std::string text = WindowText(combo, MAX_PATH - 1);
    FillHistoryCombo(combo, g_finder.store.histories[c.kind]);
    SetWindowTextA(combo, text.c_str());
  }
}

void StoreHistories() {
  AddCriteriaHistory(&g_finder.store.histories[kHistoryFileNames], WindowText(Item(0, IDC_NAME_MASKS), 259));
  AddCriteriaHistory(&g_finder.store.histories[kHistoryPaths], WindowText(Item(0, IDC_LOOK_PATH), 259));
  AddCriteriaHistory(&g_finder.store.histories[kHistoryTexts], WindowText(Item(3, IDC_CONTAINING_TEXT), 259));
  FillCriteriaHistory();
}

void FillDriveTree() {
  HWND tree = Item(0, IDC_DRIVE_TREE);
  g_finder.driveChecks = ImageList_LoadImageA(g_finder.instance, MAKEINTRESOURCEA(IDB_DRIVE_CHECKS), 16, 0,
                                              RGB(255, 0, 0), IMAGE_BITMAP, 0);
  TreeView_SetImageList(tree, g_finder.driveChecks, TVSIL_STATE);
  SHFILEINFOA info{};
  HIMAGELIST system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (system) TreeView_SetImageList(tree, system, TVSIL_NORMAL);
  DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    char root[4] = {static_cast<char>('A' + i), ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) continue;
    SHFILEINFOA fi{};
    SHGetFileInfoA(root, 0, &fi, sizeof fi, SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    TVINSERTSTRUCTA ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    ins.item.pszText = fi.szDisplayName[0] ? fi.szDisplayName : root;
    ins.item.iImage = ins.item.iSelectedImage = fi.iIcon;
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
    ins.item.state = INDEXTOSTATEIMAGEMASK(1);
    if (SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins))) g_finder.driveOfTreeItem.push_back(i);
  }
}

// Calls f(item, drive index) for every drive-tree item in order.
template <typename F>
void ForEachDriveItem(F f) {
  HWND tree = Item(0, IDC_DRIVE_TREE);
  size_t index = 0;
  for (HTREEITEM item = TreeView_GetRoot(tree); item && index < g_finder.driveOfTreeItem.size();
       item = TreeView_GetNextSibling(tree, item), ++index)
    f(tree, item, g_finder.driveOfTreeItem[index]);
}

void FillCriteriaControls() {
  FillDriveTree();
  HWND type = Item(1, IDC_FILE_TYPE);
  SendMessageA(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FinderString(IDS_ALL_FILE_TYPES).c_str()));
  const std::string* last = nullptr;
  for (const FileTypeEntry& t : g_finder.types) {
    if (!last || *last != t.description)
      SendMessageA(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.description.c_str()));
    last = &t.description;
  }
  SendMessageA(type, CB_SETCURSEL, 0, 0);
  const int dateModes[] = {18, 19, 20, 21, 22, 23};
  const int timeModes[] = {18, 26, 20, 21, 22, 23, 27, 28};
  const int sizeModes[] = {18, 29, 30, 31, 22, 23, 32, 33};
  FillCombo(Item(2, IDC_DATE_MODE), dateModes, 6);
  FillCombo(Item(2, IDC_TIME_MODE), timeModes, 8);
  FillCombo(Item(2, IDC_SIZE_MODE), sizeModes, 8);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[32];
  snprintf(text, sizeof text, "%d:%02d", now.wHour, now.wMinute);
  SetWindowTextA(Item(2, IDC_TIME1), text);
  SetWindowTextA(Item(2, IDC_TIME2), text);
  snprintf(text, sizeof text, "%d/%d/%02d", now.wMonth, now.wDay, now.wYear % 100);
  SetWindowTextA(Item(2, IDC_DATE1), text);
  SetWindowTextA(Item(2, IDC_DATE2), text);
}

void ShowControl(int page, int id, bool show) {
  HWND w = Item(page, id);
  ShowWindow(w, show ? SW_SHOW : SW_HIDE);
  EnableWindow(w, show && page == g_finder.currentPage);
}

void ShowLocationFields() {
  bool drives = IsDlgButtonChecked(Page(0), IDC_LOOK_IN_DRIVES) == BST_CHECKED;
  g_finder.store.showPath = drives ? 0 : 1;
  g_finder.settings.lookInPath = drives ? 0 : 1;
  ShowControl(0, IDC_LOOK_PATH, !drives);
  ShowControl(0, IDC_SUBFOLDERS, !drives);
  ShowControl(0, IDC_BROWSE_PATH, !drives);
  ShowControl(0, IDC_DRIVE_TREE, drives);
}

void ShowDateTimeSizeFields() {
  const struct { int combo, first, separator, second; } rows[] = {
      {IDC_DATE_MODE, IDC_DATE1, IDC_DATE_AND, IDC_DATE2},
      {IDC_TIME_MODE, IDC_TIME1, IDC_TIME_AND, IDC_TIME2},
      {IDC_SIZE_MODE, IDC_SIZE1, IDC_SIZE_AND, IDC_SIZE2}};
  LRESULT modes[3];
  for (int i = 0; i < 3; ++i) {
    LRESULT mode = SendMessageA(Item(2, rows[i].combo), CB_GETCURSEL, 0, 0);
    modes[i] = mode < 0 ? 0 : mode;
    bool two = modes[i] == 4 || modes[i] == 5;
    ShowControl(2, rows[i].first, modes[i] != 0);
    ShowControl(2, rows[i].separator, two);
    ShowControl(2, rows[i].second, two);
  }
  bool stamps = modes[0] != 0 || modes[1] != 0;
  for (int id : {IDC_WHEN_CREATED, IDC_WHEN_MODIFIED, IDC_WHEN_ACCESSED}) ShowControl(2, id, stamps);
}

void EnableWindowTree(HWND window, bool enable) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    EnableWindow(child, enable);
    EnableWindowTree(child, enable);
  }
}

void PlacePages() {
  HWND tabs = GetDlgItem(g_finder.panel, IDC_CRITERIA_TABS);
  RECT r;
  GetClientRect(tabs, &r);
  TabCtrl_AdjustRect(tabs, FALSE, &r);
  MapWindowPoints(tabs, g_finder.panel, reinterpret_cast<POINT*>(&r), 2);
  for (HWND page : g_finder.pages)
    SetWindowPos(page, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE | SWP_NOZORDER);
}

void LayoutPanel(int width, int height) {
  RECT units = {0, 0, 58, 14};
  MapDialogRect(g_finder.panel, &units);
  int buttonWidth = units.right, buttonHeight = units.bottom;
  int column = width - buttonWidth - 8;
  HWND tabs = GetDlgItem(g_finder.panel, IDC_CRITERIA_TABS);
  RECT tabRect;
  GetWindowRect(tabs, &tabRect);
  MapWindowPoints(nullptr, g_finder.panel, reinterpret_cast<POINT*>(&tabRect), 2);
  MoveWindow(tabs, tabRect.left, tabRect.top, column - 20 > 100 ? column - 20 + 12 : 100, tabRect.bottom - tabRect.top, TRUE);
  const int buttons[] = {IDC_FIND_NOW, IDC_REFINE, IDC_APPEND, IDC_STOP, IDC_NEW_SEARCH};
  int y = 8;
  for (int id : buttons) {
    MoveWindow(GetDlgItem(g_finder.panel, id), column, y, buttonWidth, buttonHeight, TRUE);
    y += buttonHeight + 4;
  }
  HWND icon = GetDlgItem(g_finder.panel, IDC_SEARCH_ANIMATION);
  MoveWindow(icon, column + (buttonWidth - 32) / 2, y + 2, 32, 32, TRUE);
  PlacePages();
  // Controls that follow the pages' right edge.
  RECT page, browseRect;
  GetClientRect(Page(0), &page);
  GetWindowRect(Item(0, IDC_BROWSE_PATH), &browseRect);
  const int pathMargin = 8 + (browseRect.right - browseRect.left) + 4;
  const struct { int page, id, margin; } stretch[] = {
      {0, IDC_NAME_MASKS, 8}, {0, IDC_DRIVE_TREE, 8}, {0, IDC_LOOK_PATH, pathMargin}, {1, IDC_FILE_TYPE, 8},
      {3, IDC_CONTAINING_TEXT, 8}};
  for (const auto& s : stretch) {
    HWND w = Item(s.page, s.id);
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, Page(s.page), reinterpret_cast<POINT*>(&r), 2);
    int right = page.right - s.margin;
    if (right > r.left + 40) SetWindowPos(w, nullptr, 0, 0, right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  }
  HWND browse = Item(0, IDC_BROWSE_PATH);
  RECT b;
  GetWindowRect(browse, &b);
  MapWindowPoints(nullptr, Page(0), reinterpret_cast<POINT*>(&b), 2);
  SetWindowPos(browse, nullptr, page.right - 8 - (b.right - b.left), b.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  // Controls moved into the part the panel gained are drawn again there.
  RedrawWindow(g_finder.panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  (void)height;
}

void StartSearchFromPanel(bool clear) {
  StoreHistories();
  if (clear) ClearResults();
  ShowResultList();
  BuildSearchRecord();
  if (g_finder.searchRunning) return;
  ClearSearchRoots();
  AddRecordRoots(g_finder.record);
  g_finder.foundCount = 0;
  g_finder.shownCount = UINT32_MAX;
  if (!StartSearchThread(g_finder.record, g_finder.main, g_finder.record.recurse)) {
    MessageBeep(MB_ICONEXCLAMATION);
    UpdateFinderControls();
    return;
  }
  g_finder.searchRunning = true;
  g_finder.frame = 0;
  SetTimer(g_finder.panel, kAnimationTimer, 200, nullptr);
  UpdateFinderControls();
}

void NewSearch() {
  g_finder.settings = NewSearchFinderSettings();
  LoadCriteriaControls(false);
  FillCriteriaHistory();
  ShowLocationFields();
  ShowDateTimeSizeFields();
  HideResultList();
  UpdateFinderControls();
}

void Browse() {
  BROWSEINFOA bi{};
  bi.hwndOwner = g_finder.main;
  std::string title = FinderString(IDS_BROWSE_TITLE);
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
  if (!pidl) return;
  char path[MAX_PATH];
  if (SHGetPathFromIDListA(pidl, path)) SetWindowTextA(Item(0, IDC_LOOK_PATH), path);
  CoTaskMemFree(pidl);
}

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return FALSE;
    case WM_COMMAND: {
      int index = static_cast<int>(GetWindowLongPtrA(page, GWLP_USERDATA));
      if (index == 0 && LOWORD(wParam) == IDC_BROWSE_PATH && HIWORD(wParam) == BN_CLICKED) {
        Browse();
      } else if (index == 0 && LOWORD(wParam) != IDC_BROWSE_PATH) {
        if (LOWORD(wParam) == IDC_LOOK_IN_DRIVES || LOWORD(wParam) == IDC_LOOK_IN_PATH) ShowLocationFields();
      } else if (index == 2) {
        ShowDateTimeSizeFields();
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      NMHDR* h = reinterpret_cast<NMHDR*>(lParam);
      if (h->idFrom == IDC_DRIVE_TREE && h->code == NM_CLICK) {
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(h->hwndFrom, &hit.pt);
        HTREEITEM item = TreeView_HitTest(h->hwndFrom, &hit);
        if (item && (hit.flags & TVHT_ONITEMSTATEICON)) {
          UINT state = TreeView_GetItemState(h->hwndFrom, item, TVIS_STATEIMAGEMASK) >> 12;
          TreeView_SetItemState(h->hwndFrom, item, INDEXTOSTATEIMAGEMASK(state == 2 ? 1 : 2), TVIS_STATEIMAGEMASK);
        }
      }
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK PanelProc(HWND panel, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return FALSE;
    case WM_SIZE:
      if (g_finder.pages[3]) LayoutPanel(LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kAnimationTimer) {
        g_finder.frame = (g_finder.frame + 1) % 5;
        SendDlgItemMessageA(panel, IDC_SEARCH_ANIMATION, STM_SETICON,
                            reinterpret_cast<WPARAM>(g_finder.frames[g_finder.frame]), 0);
      }
      return TRUE;
    case WM_NOTIFY: {
      NMHDR* h = reinterpret_cast<NMHDR*>(lParam);
      if (h->idFrom == IDC_CRITERIA_TABS && h->code == TCN_SELCHANGE)
        SelectCriteriaPage(TabCtrl_GetCurSel(h->hwndFrom));
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_FIND_NOW:
          if (!g_finder.searchRunning) StartSearchFromPanel(true);
          return TRUE;
        case IDC_APPEND:
          if (!g_finder.searchRunning && g_finder.listShown) StartSearchFromPanel(false);
          return TRUE;
        case IDC_REFINE:
          if (!g_finder.searchRunning && g_finder.listShown) {
            SetCapture(g_finder.main);
            HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
            StoreHistories();
            ShowResultList();
            BuildSearchRecord();
            RefineResultList();
            ReleaseCapture();
            SetCursor(old);
            UpdateFinderControls();
            UpdateStatusCounts();
          }
          return TRUE;
        case IDC_STOP:
          StopSearch();
          UpdateFinderControls();
          return TRUE;
        case IDC_NEW_SEARCH:
          if (!g_finder.searchRunning) NewSearch();
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

HWND CreateCriteriaPanel(HWND main) {
  g_finder.idleIcon = LoadIconA(g_finder.instance, MAKEINTRESOURCEA(IDI_FINDER));
  const int frameIds[5] = {IDI_SEARCH_FRAME1, IDI_SEARCH_FRAME2, IDI_SEARCH_FRAME3, IDI_SEARCH_FRAME4, IDI_SEARCH_FRAME5};
  for (int i = 0; i < 5; ++i) g_finder.frames[i] = LoadIconA(g_finder.instance, MAKEINTRESOURCEA(frameIds[i]));
  HWND panel = CreateDialogParamA(g_finder.instance, MAKEINTRESOURCEA(IDD_CRITERIA_PANEL), main, PanelProc, 0);
  if (!panel) return nullptr;
  g_finder.panel = panel;
  SetWindowLongPtrA(panel, GWLP_ID, IDD_CRITERIA_PANEL);
  HWND tabs = GetDlgItem(panel, IDC_CRITERIA_TABS);
  for (int i = 0; i < 4; ++i) {
    std::string name = FinderString(IDS_TAB_NAME + i);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(name.c_str());
    SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    g_finder.pages[i] = CreateDialogParamA(g_finder.instance, MAKEINTRESOURCEA(kPageDialogs[i]), panel, PageProc, 0);
    SetWindowLongPtrA(g_finder.pages[i], GWLP_USERDATA, i);
  }
  FillCriteriaControls();
  LoadCriteriaControls(false);
  CheckRadioButton(Page(0), IDC_LOOK_IN_PATH, IDC_LOOK_IN_DRIVES,
                   g_finder.store.showPath ? IDC_LOOK_IN_PATH : IDC_LOOK_IN_DRIVES);
  AddCriteriaHistory(&g_finder.store.histories[kHistoryTexts], "");
  AddCriteriaHistory(&g_finder.store.histories[kHistoryFileNames], "*.*");
  FillCriteriaHistory();
  RECT r;
  GetClientRect(panel, &r);
  LayoutPanel(r.right, r.bottom);
  SelectCriteriaPage(0);
  ShowLocationFields();
  ShowDateTimeSizeFields();
  ShowWindow(panel, SW_SHOW);
  SetFocus(Item(0, IDC_NAME_MASKS));
  UpdatePanelButtons();
  return panel;
}

void SelectCriteriaPage(int page) {
  if (page < 0 || page > 3) return;
  g_finder.currentPage = page;
  TabCtrl_SetCurSel(GetDlgItem(g_finder.panel, IDC_CRITERIA_TABS), page);
  for (int i = 0; i < 4; ++i) {
    EnableWindowTree(Page(i), i == page);
    ShowWindow(Page(i), i == page ? SW_SHOW : SW_HIDE);
  }
  SetWindowPos(Page(page), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  // Fields hidden by the location and the modes stay disabled.
  if (page == 0) ShowLocationFields();
  if (page == 2) ShowDateTimeSizeFields();
  const int focus[4] = {IDC_NAME_MASKS, IDC_FILE_TYPE, 0, IDC_CONTAINING_TEXT};
  HWND target = focus[page] ? Item(page, focus[page]) : GetWindow(Page(page), GW_CHILD);
  if (target && IsWindowVisible(g_finder.main)) SetFocus(target);
}

void LoadCriteriaControls(bool withDates) {
  const FinderSettings& s = g_finder.settings;
  SetWindowTextA(Item(0, IDC_NAME_MASKS), s.nameMasks);
  SetWindowTextA(Item(0, IDC_LOOK_PATH), s.path);
  CheckRadioButton(Page(0), IDC_LOOK_IN_PATH, IDC_LOOK_IN_DRIVES, s.lookInPath ? IDC_LOOK_IN_PATH : IDC_LOOK_IN_DRIVES);
  CheckDlgButton(Page(0), IDC_SUBFOLDERS, s.includeSubfolders ? BST_CHECKED : BST_UNCHECKED);
  ForEachDriveItem([&](HWND tree, HTREEITEM item, int drive) {
    TreeView_SetItemState(tree, item, INDEXTOSTATEIMAGEMASK(s.drives[drive] ? 2 : 1), TVIS_STATEIMAGEMASK);
  });
  HWND type = Item(1, IDC_FILE_TYPE);
  LRESULT found = s.fileType[0] ? SendMessageA(type, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(s.fileType)) : CB_ERR;
  // CB_FINDSTRINGEXACT ignores letter case; the stored type must match exactly.
  if (found != CB_ERR) {
    char text[256] = {};
    SendMessageA(type, CB_GETLBTEXT, found, reinterpret_cast<LPARAM>(text));
    if (strcmp(text, s.fileType) != 0 || found == 0) found = CB_ERR;
  }
  SendMessageA(type, CB_SETCURSEL, found == CB_ERR ? 0 : found, 0);
  const uint16_t states[5] = {s.archiveState, s.readOnlyState, s.hiddenState, s.systemState, s.directoryState};
  for (int i = 0; i < 5; ++i) CheckDlgButton(Page(1), kAttributeBoxes[i], states[i]);
  CheckRadioButton(Page(2), IDC_WHEN_CREATED, IDC_WHEN_ACCESSED, IDC_WHEN_CREATED + s.whichTime);
  SendMessageA(Item(2, IDC_DATE_MODE), CB_SETCURSEL, s.dateMode, 0);
  SendMessageA(Item(2, IDC_TIME_MODE), CB_SETCURSEL, s.timeMode, 0);
  SendMessageA(Item(2, IDC_SIZE_MODE), CB_SETCURSEL, s.sizeMode, 0);
  if (withDates) {
    SetWindowTextA(Item(2, IDC_DATE1), s.date1Text);
    SetWindowTextA(Item(2, IDC_DATE2), s.date2Text);
    SetWindowTextA(Item(2, IDC_TIME1), s.time1Text);
    SetWindowTextA(Item(2, IDC_TIME2), s.time2Text);
  }
  char number[16];
  snprintf(number, sizeof number, "%u", s.size1);
  SetWindowTextA(Item(2, IDC_SIZE1), number);
  snprintf(number, sizeof number, "%u", s.size2);
  SetWindowTextA(Item(2, IDC_SIZE2), number);
  SetWindowTextA(Item(3, IDC_CONTAINING_TEXT), s.containingText);
  CheckDlgButton(Page(3), IDC_IGNORE_CASE, s.ignoreCase ? BST_CHECKED : BST_UNCHECKED);
}

void StoreCriteriaControls() {
  FinderSettings& s = g_finder.settings;
  SetField(s.nameMasks, sizeof s.nameMasks, WindowText(Item(0, IDC_NAME_MASKS), 99));
  SetField(s.path, sizeof s.path, WindowText(Item(0, IDC_LOOK_PATH), 259));
  s.lookInPath = IsDlgButtonChecked(Page(0), IDC_LOOK_IN_PATH) == BST_CHECKED;
  s.includeSubfolders = IsDlgButtonChecked(Page(0), IDC_SUBFOLDERS) == BST_CHECKED;
  memset(s.drives, 0, sizeof s.drives);
  ForEachDriveItem([&](HWND tree, HTREEITEM item, int drive) {
    if ((TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12) == 2) s.drives[drive] = 1;
  });
  HWND type = Item(1, IDC_FILE_TYPE);
  LRESULT sel = SendMessageA(type, CB_GETCURSEL, 0, 0);
  if (sel > 0) {
    char text[256] = {};
    if (SendMessageA(type, CB_GETLBTEXTLEN, sel, 0) < 255) SendMessageA(type, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text));
    SetField(s.fileType, sizeof s.fileType, text);
  } else {
    SetField(s.fileType, sizeof s.fileType, "");
  }
  uint16_t* states[5] = {&s.archiveState, &s.readOnlyState, &s.hiddenState, &s.systemState, &s.directoryState};
  for (int i = 0; i < 5; ++i) *states[i] = static_cast<uint16_t>(IsDlgButtonChecked(Page(1), kAttributeBoxes[i]));
  s.whichTime = IsDlgButtonChecked(Page(2), IDC_WHEN_CREATED) ? 0 : IsDlgButtonChecked(Page(2), IDC_WHEN_MODIFIED) ? 1 : 2;
  auto mode = [](int id) {
    LRESULT m = SendMessageA(Item(2, id), CB_GETCURSEL, 0, 0);
    return static_cast<uint32_t>(m < 0 ? 0 : m);
  };
  s.dateMode = mode(IDC_DATE_MODE);
  s.timeMode = mode(IDC_TIME_MODE);
  s.sizeMode = mode(IDC_SIZE_MODE);
  SetField(s.date1Text, sizeof s.date1Text, WindowText(Item(2, IDC_DATE1), 29));
  SetField(s.date2Text, sizeof s.date2Text, WindowText(Item(2, IDC_DATE2), 29));
  SetField(s.time1Text, sizeof s.time1Text, WindowText(Item(2, IDC_TIME1), 19));
  SetField(s.time2Text, sizeof s.time2Text, WindowText(Item(2, IDC_TIME2), 19));
  s.size1 = strtoul(WindowText(Item(2, IDC_SIZE1), 15).c_str(), nullptr, 10);
  s.size2 = strtoul(WindowText(Item(2, IDC_SIZE2), 15).c_str(), nullptr, 10);
  SetField(s.containingText, sizeof s.containingText, WindowText(Item(3, IDC_CONTAINING_TEXT), 99));
  s.ignoreCase = IsDlgButtonChecked(Page(3), IDC_IGNORE_CASE) == BST_CHECKED;
}

void RefreshCriteriaPanel() {
  LoadCriteriaControls(true);
  ShowLocationFields();
  ShowDateTimeSizeFields();
  FillCriteriaHistory();
}

void BuildSearchRecord() {
  SearchRecord& r = g_finder.record;
  r = SearchRecord{};
  g_finder.masks[0] = g_finder.path[0] = g_finder.text[0] = 0;
  if (IsDlgButtonChecked(Page(0), IDC_LOOK_IN_PATH) == BST_CHECKED) {
    r.recurse = IsDlgButtonChecked(Page(0), IDC_SUBFOLDERS) == BST_CHECKED;
    GetWindowTextA(Item(0, IDC_LOOK_PATH), g_finder.path, MAX_PATH);
    if (g_finder.path[0]) r.path = g_finder.path;
  } else {
    r.recurse = 1;
    ForEachDriveItem([&](HWND tree, HTREEITEM item, int drive) {
      if ((TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12) == 2) r.drives[drive] = 1;
    });
  }
  GetWindowTextA(Item(0, IDC_NAME_MASKS), g_finder.masks, MAX_PATH);
  HWND type = Item(1, IDC_FILE_TYPE);
  LRESULT sel = SendMessageA(type, CB_GETCURSEL, 0, 0);
  if (sel > 0) {
    char description[256] = {};
    if (SendMessageA(type, CB_GETLBTEXTLEN, sel, 0) < 255)
      SendMessageA(type, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(description));
    std::string masks = MasksForFileType(g_finder.types, description);
    SetField(g_finder.masks, sizeof g_finder.masks, masks);
  }
  for (char* p = g_finder.masks; *p; ++p)
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 32);
  if (g_finder.masks[0]) r.masks = g_finder.masks;
  r.allowedAttributes = kSearchAttributeMask;
  for (int i = 0; i < 5; ++i) {
    UINT state = IsDlgButtonChecked(Page(1), kAttributeBoxes[i]);
    if (state == BST_CHECKED) r.requiredAttributes |= kAttributeBits[i];
    else if (state == BST_UNCHECKED) r.allowedAttributes &= ~kAttributeBits[i];
  }
  auto mode = [](int id) {
    LRESULT m = SendMessageA(Item(2, id), CB_GETCURSEL, 0, 0);
    return static_cast<uint32_t>(m < 0 ? 0 : m);
  };
  r.dateMode = mode(IDC_DATE_MODE);
  r.whichTime = IsDlgButtonChecked(Page(2), IDC_WHEN_CREATED) ? 0 : IsDlgButtonChecked(Page(2), IDC_WHEN_MODIFIED) ? 1 : 2;
  char text[100];
  const struct { int id; bool date; int32_t *a, *b, *c; } fields[] = {
      {IDC_DATE1, true, &r.month1, &r.day1, &r.year1}, {IDC_DATE2, true, &r.month2, &r.day2, &r.year2},
      {IDC_TIME1, false, &r.hour1, &r.minute1, nullptr}, {IDC_TIME2, false, &r.hour2, &r.minute2, nullptr}};
  for (const auto& f : fields) {
    GetWindowTextA(Item(2, f.id), text, sizeof text);
    if (f.date) ParseDateText(text, sizeof text, f.a, f.b, f.c);
    else ParseTimeText(text, sizeof text, f.a, f.b);
    SetWindowTextA(Item(2, f.id), text);
  }
  r.timeMode = mode(IDC_TIME_MODE);
  r.sizeMode = mode(IDC_SIZE_MODE);
  r.size1 = strtoul(WindowText(Item(2, IDC_SIZE1), 15).c_str(), nullptr, 10);
  r.size2 = strtoul(WindowText(Item(2, IDC_SIZE2), 15).c_str(), nullptr, 10);
  GetWindowTextA(Item(3, IDC_CONTAINING_TEXT), g_finder.text, MAX_PATH);
  if (g_finder.text[0]) r.text = g_finder.text;
  r.ignoreCase = IsDlgButtonChecked(Page(3), IDC_IGNORE_CASE) == BST_CHECKED;
}

void UpdatePanelButtons() {
  bool idle = !g_finder.searchRunning;
  EnableWindow(GetDlgItem(g_finder.panel, IDC_FIND_NOW), idle);
  EnableWindow(GetDlgItem(g_finder.panel, IDC_NEW_SEARCH), idle);
  EnableWindow(GetDlgItem(g_finder.panel, IDC_REFINE), idle && g_finder.listShown);
  EnableWindow(GetDlgItem(g_finder.panel, IDC_APPEND), idle && g_finder.listShown);
  EnableWindow(GetDlgItem(g_finder.panel, IDC_STOP), !idle);
}

void SearchFinished() {
  g_finder.searchRunning = false;
  KillTimer(g_finder.panel, kAnimationTimer);
  SendDlgItemMessageA(g_finder.panel, IDC_SEARCH_ANIMATION, STM_SETICON, reinterpret_cast<WPARAM>(g_finder.idleIcon), 0);
  AddPendingResults(SIZE_MAX);
  SortResults();
  ShowFoundResults();
  UpdateFinderControls();
  UpdateStatusCounts();
}
