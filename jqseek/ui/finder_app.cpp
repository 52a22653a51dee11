// JQSeek's start-up and main window: the toolbar, the criteria panel, the result list and the
// status bar stacked in one window, the commands, and the search worker's reports.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "finder.h"
#include "help_file.h"
#include "number_format.h"
#include "resource.h"
#include "seams.h"
#include "sccvw.h"
#include "search_worker.h"
#include "sendto_menu.h"
#include "settings_store.h"
#include "viewer_pane.h"
#include "window_helpers.h"

FinderState g_finder;

namespace {

constexpr char kClassName[] = "JQSeek";

struct ToolButton { int image, command; };
const ToolButton kDefaultButtons[] = {
    {3, IDM_MOVE_TO}, {4, IDM_COPY_TO}, {-1, 0}, {24, IDM_CUT}, {25, IDM_COPY}, {5, IDM_RECYCLE},
    {6, IDM_DELETE}, {27, IDM_RENAME}, {26, IDM_PROPERTIES}, {-1, 0}, {28, IDM_MAIL}, {-1, 0},
    {8, IDM_PRINT_FILES}, {9, IDM_PRINT_LIST}, {-1, 0}, {10, IDM_SELECT_ALL}, {11, IDM_SELECT_NONE},
    {12, IDM_SELECT_MASK}, {13, IDM_INVERT_SELECTION}, {-1, 0}, {14, IDM_VIEW_LARGE}, {15, IDM_VIEW_SMALL},
    {16, IDM_VIEW_LIST}, {17, IDM_VIEW_DETAILS}, {-1, 0}, {18, IDM_VIEWER_PANE}};

bool HasSelection() { return g_finder.listShown && ListView_GetSelectedCount(g_finder.list) > 0; }

bool CommandEnabled(UINT id) {
  bool idle = !g_finder.searchRunning;
  switch (id) {
    case IDM_OPEN_SEARCH: case IDM_SAVE_SEARCH: case IDM_RESET: return idle;
    case IDM_MOVE_TO: case IDM_COPY_TO: case IDM_RECYCLE: case IDM_DELETE: case IDM_MAIL:
    case IDM_PRINT_FILES: case IDM_RENAME: case IDM_OPEN_FOLDER: case IDM_PROPERTIES: case IDM_CUT: case IDM_COPY:
      return HasSelection();
    case IDM_PRINT_LIST: case IDM_SELECT_ALL: case IDM_SELECT_NONE: case IDM_SELECT_MASK:
    case IDM_INVERT_SELECTION: case IDM_VIEWER_PANE: case IDM_REFRESH: case IDM_COPY_LIST: case IDM_SAVE_RESULTS:
      return g_finder.listShown;
    case IDM_CLEAR: case IDM_APPEND: return idle && g_finder.listShown;
    case IDM_CUSTOMIZE_TOOLBAR: return g_finder.store.global.toolbarShown != 0;
  }
  return true;
}

bool CommandChecked(UINT id) {
  const FinderGlobalSettings& g = g_finder.store.global;
  if (id >= IDM_VIEW_LARGE && id <= IDM_VIEW_DETAILS) return id == g.viewCommand;
  if (id >= IDM_SORT_NAME && id <= IDM_SORT_PATH) return id - IDM_SORT_NAME == g.sortColumn;
  switch (id) {
    case IDM_TOOLBAR: return g.toolbarShown;
    case IDM_STATUS_BAR: return g.statusBarShown;
    case IDM_VIEWER_PANE: return g.viewerShown;
    case IDM_SAVE_ON_EXIT: return g_finder.store.saveOnExit;
  }
  return false;
}

void UpdateMenu(HMENU menu) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == UINT(-1)) continue;
    EnableMenuItem(menu, id, MF_BYCOMMAND | (CommandEnabled(id) ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, id, MF_BYCOMMAND | (CommandChecked(id) ? MF_CHECKED : MF_UNCHECKED));
  }
}

// Buttons offered only in the customise dialog, after the default ones.
const ToolButton kExtraButtons[] = {
    {0, IDM_OPEN_SEARCH}, {1, IDM_SAVE_SEARCH}, {2, IDM_RESET}, {19, IDM_SORT_NAME},
    {20, IDM_SORT_NAME + 1}, {21, IDM_SORT_NAME + 2}, {22, IDM_SORT_NAME + 3}, {23, IDM_SORT_NAME + 4}};

void SaveRestoreToolbar(bool save, const char* value) {
  TBSAVEPARAMSA params{};
  params.hkr = seams::UserRoot();
  params.pszSubKey = kFinderKey;
  params.pszValueName = value;
  SendMessageA(g_finder.toolbar, TB_SAVERESTOREA, save, reinterpret_cast<LPARAM>(&params));
}

// The button of the customise dialog's list at index, or false past the last one.
bool CustomiseButton(int index, TBBUTTON* button) {
  int n = 0;
  for (const ToolButton& b : kDefaultButtons) {
    if (!b.command) continue;
    if (n++ == index) {
      *button = TBBUTTON{b.image, b.command, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
      return true;
    }
  }
  for (const ToolButton& b : kExtraButtons) {
    if (n++ == index) {
      *button = TBBUTTON{b.image, b.command, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
      return true;
    }
  }
  return false;
}

LRESULT OnToolbarNotify(NMHDR* h) {
  switch (h->code) {
    case TBN_GETBUTTONINFOA: {
      auto* info = reinterpret_cast<NMTOOLBARA*>(h);
      if (!CustomiseButton(info->iItem, &info->tbButton)) return FALSE;
      if (info->pszText && info->cchText > 0) {
        std::string text = FinderString(info->tbButton.idCommand);
        lstrcpynA(info->pszText, text.c_str(), info->cchText);
      }
      return TRUE;
    }
    case TBN_QUERYINSERT:
    case TBN_QUERYDELETE:
      return TRUE;
    case TBN_RESET:
      SaveRestoreToolbar(false, "Toolbar Default Settings");
      SaveRestoreToolbar(true, "Toolbar Current Settings");
      UpdateFinderControls();
      return TRUE;
    case TBN_TOOLBARCHANGE:
      SaveRestoreToolbar(true, "Toolbar Current Settings");
      UpdateFinderControls();
      return TRUE;
  }
  return 0;
}

HWND CreateFinderToolbar(HWND main) {
  TBBUTTON buttons[sizeof kDefaultButtons / sizeof kDefaultButtons[0]] = {};
  int n = 0;
  for (const ToolButton& b : kDefaultButtons) {
    TBBUTTON& t = buttons[n++];
    t.iBitmap = b.image < 0 ? 0 : b.image;
    t.idCommand = b.command;
    t.fsState = TBSTATE_ENABLED;
    t.fsStyle = b.image < 0 ? BTNS_SEP : BTNS_BUTTON;
  }
  HWND toolbar = CreateToolbarEx(main, WS_CHILD | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_ADJUSTABLE | CCS_NODIVIDER,
                                 IDC_FINDER_TOOLBAR, 29, g_finder.instance, IDB_FINDER_TOOLBAR, buttons, n, 16, 16, 16,
                                 16, sizeof(TBBUTTON));
  if (!toolbar) return nullptr;
  g_finder.toolbar = toolbar;
  SaveRestoreToolbar(true, "Toolbar Default Settings");
  // A stored arrangement that leaves no button (damaged or foreign) gives way to the default one.
  SaveRestoreToolbar(false, "Toolbar Current Settings");
  int kept = 0;
  for (int i = 0, n = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0)); i < n; ++i) {
    TBBUTTON b{};
    if (SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b)) && !(b.fsStyle & BTNS_SEP)) ++kept;
  }
  if (kept == 0) SaveRestoreToolbar(false, "Toolbar Default Settings");
  return toolbar;
}

int StatusHeight() {
  if (!g_finder.store.global.statusBarShown || !g_finder.status) return 0;
  RECT r;
  GetWindowRect(g_finder.status, &r);
  return r.bottom - r.top;
}

int ToolbarHeight() {
  if (!g_finder.store.global.toolbarShown || !g_finder.toolbar) return 0;
  RECT r;
  GetWindowRect(g_finder.toolbar, &r);
  return r.bottom - r.top;
}

int PanelHeight() {
  RECT r = {0, 0, 286, 102};
  MapDialogRect(g_finder.panel, &r);
  return r.bottom;
}

// The list's area (between the panel and the status bar) and the viewer's share of it.
struct ListArea { int top, bottom, width; };
ListArea FinderListArea() {
  RECT client;
  GetClientRect(g_finder.main, &client);
  int top = ToolbarHeight() + PanelHeight();
  return {top, client.bottom - StatusHeight(), client.right};
}
constexpr int kSplitterGap = 3;
int g_splitterBar = -1;  // client y of the bar being dragged, -1 when none
int ViewerHeight(const ListArea& a) {
  int height = a.bottom > a.top ? a.bottom - a.top : 0;
  return static_cast<int>(height * g_finder.store.global.viewerShare);
}
inline int GET_Y_LPARAM_(LPARAM l) { return static_cast<short>(HIWORD(l)); }
bool OnSplitterGap() {
  if (!g_finder.listShown || !FinderViewerShown()) return false;
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(g_finder.main, &p);
  ListArea a = FinderListArea();
  int viewerTop = a.bottom - ViewerHeight(a);
  return p.y >= viewerTop - kSplitterGap - 1 && p.y <= viewerTop;
}
int ClampSplitter(int y) {
  ListArea a = FinderListArea();
  if (y < a.top + 10) y = a.top + 10;
  if (y > a.bottom - 3) y = a.bottom - 3;
  return y;
}
void DrawSplitterBar(int y) {
  HDC dc = GetDCEx(g_finder.main, nullptr, DCX_CACHE | DCX_PARENTCLIP);
  if (!dc) return;
  PatBlt(dc, 0, y - 2, FinderListArea().width, 4, DSTINVERT);
  ReleaseDC(g_finder.main, dc);
}
void EndSplitter(int y) {
  ListArea a = FinderListArea();
  int height = a.bottom - a.top;
  if (height > 0) {
    float share = static_cast<float>(a.bottom - y) / static_cast<float>(height);
    if (share < 0.05f) share = 0.05f;
    if (share > 0.95f) share = 0.95f;
    g_finder.store.global.viewerShare = share;
  }
  LayoutFinderWindow();
}

// The file dialog for a saved search (.jqs): Open, or Save As when `save`; false when cancelled.
bool AskSearchFileName(bool save, char (&file)[MAX_PATH]) {
  std::string filter = FinderString(IDS_SEARCH_FILTER), title = FinderString(save ? IDS_SAVE_TITLE : IDS_OPEN_TITLE);
  for (char& c : filter) if (c == '#') c = '\0';
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = g_finder.main;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = "jqs";
  if (save) {
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return GetSaveFileNameA(&ofn) != 0;
  }
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  return GetOpenFileNameA(&ofn) != 0;
}

void OpenSavedSearch() {
  char file[MAX_PATH] = {};
  if (!AskSearchFileName(false, file)) return;
  if (LoadSearchFile(file, &g_finder.settings)) {
    RefreshCriteriaPanel();
  } else {
    char text[MAX_PATH + 200];
    snprintf(text, sizeof text, FinderString(IDS_OPEN_FAILED_TEXT).c_str(), file);
    seams::MessageBoxA(g_finder.main, text, FinderString(IDS_OPEN_FAILED_CAPTION).c_str(), MB_ICONEXCLAMATION | MB_TASKMODAL);
  }
}

void SaveSavedSearch() {
  char file[MAX_PATH] = {};
  if (!AskSearchFileName(true, file)) return;
  StoreCriteriaControls();
  if (!SaveSearchFile(file, g_finder.settings))
    seams::MessageBoxA(g_finder.main, (FinderString(IDS_SAVE_FAILED_TEXT) + file).c_str(),
                       FinderString(IDS_SAVE_FAILED_CAPTION).c_str(), MB_ICONEXCLAMATION);
}

void SaveResultsAs() {
  char file[MAX_PATH] = {};
  std::string filter = FinderString(IDS_RESULTS_FILTER);
  for (char& c : filter) if (c == '#') c = '\0';
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = g_finder.main;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = "csv";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&ofn)) return;
  bool csv = ofn.nFilterIndex != 2;
  if (!SaveResultList(file, csv))
    seams::MessageBoxA(g_finder.main, (FinderString(IDS_RESULTS_FAILED_TEXT) + file).c_str(),
                       FinderString(IDS_RESULTS_FAILED_CAPTION).c_str(), MB_ICONHAND);
}

void OnCommand(UINT id) {
  if (!CommandEnabled(id)) {
    MessageBeep(0);
    return;
  }
  FinderGlobalSettings& g = g_finder.store.global;
  if (id >= IDM_VIEW_LARGE && id <= IDM_VIEW_DETAILS) {
    SetResultView(id);
  } else if (id >= IDM_SORT_NAME && id <= IDM_SORT_PATH) {
    g.sortColumn = id - IDM_SORT_NAME;
    g.sortDescending = 0;
    if (g_finder.listShown) SortResults();
  } else {
    switch (id) {
      case IDM_OPEN_SEARCH: OpenSavedSearch(); break;
      case IDM_SAVE_SEARCH: SaveSavedSearch(); break;
      case IDM_RESET: case IDM_CLEAR: SendMessageA(g_finder.panel, WM_COMMAND, MAKEWPARAM(IDC_NEW_SEARCH, BN_CLICKED), 0); break;
      case IDM_APPEND: SendMessageA(g_finder.panel, WM_COMMAND, MAKEWPARAM(IDC_APPEND, BN_CLICKED), 0); break;
      case IDM_MOVE_TO: CopyOrMoveSelectedResults(1); break;
      case IDM_COPY_TO: CopyOrMoveSelectedResults(2); break;
      case IDM_MAIL: MailSelectedResults(); break;
      case IDM_PRINT_FILES: PrintSelectedFiles(); break;
      case IDM_PRINT_LIST: PrintResultList(); break;
      case IDM_VIEWER_PANE: ToggleFinderViewer(); break;
      case IDM_HELP_TOPICS: ShowFinderHelp(107); break;
      case IDM_ABOUT: ShowFinderAbout(); break;
      case IDM_RECYCLE: DeleteSelectedResults(true); break;
      case IDM_DELETE: DeleteSelectedResults(false); break;
      case IDM_CLOSE: DestroyWindow(g_finder.main); return;
      case IDM_SELECT_ALL: ChangeResultSelection(1); break;
      case IDM_SELECT_NONE: ChangeResultSelection(0); break;
      case IDM_INVERT_SELECTION: ChangeResultSelection(2); break;
      case IDM_SELECT_MASK: {
        SelectMaskRequest request{};
        request.maskCombo = IDC_SELECT_MASK;
        request.selectButton = IDC_SELECT_BUTTON;
        request.deselectButton = IDC_DESELECT_BUTTON;
        request.archiveBox = IDC_ATTR_ARCHIVE;
        request.readOnlyBox = IDC_ATTR_READONLY;
        request.hiddenBox = IDC_ATTR_HIDDEN;
        request.systemBox = IDC_ATTR_SYSTEM;
        request.historyName = "Select";
        request.historyKey = kFinderKey;
        request.historySlots = kFinderHistorySlots;
        request.apply = [](const SelectMaskChoice& choice, void*) { SelectResultsByMask(choice); };
        DialogBoxParamA(g_finder.instance, MAKEINTRESOURCEA(IDD_FINDER_SELECT), g_finder.main, SelectDlgProc,
                        reinterpret_cast<LPARAM>(&request));
        UpdateStatusCounts();
        break;
      }
      case IDM_TOOLBAR:
        g.toolbarShown ^= 1;
        ShowWindow(g_finder.toolbar, g.toolbarShown ? SW_SHOW : SW_HIDE);
        FitWindowToPanel(false);
        break;
      case IDM_STATUS_BAR:
        g.statusBarShown ^= 1;
        ShowWindow(g_finder.status, g.statusBarShown ? SW_SHOW : SW_HIDE);
        FitWindowToPanel(false);
        break;
      case IDM_CUSTOMIZE_TOOLBAR: PostMessageA(g_finder.toolbar, TB_CUSTOMIZE, 0, 0); break;
      case IDM_SAVE_ON_EXIT: g_finder.store.saveOnExit ^= 1; break;
      case IDM_SAVE_SETTINGS_NOW: SaveGlobalSettingsNow(g_finder.store); break;
      case IDM_RENAME: RenameFocusedResult(); break;
      case IDM_REFRESH: RefreshResultItems(false); break;
      case IDM_COPY_LIST: CopyResultListToClipboard(); break;
      case IDM_SAVE_RESULTS: SaveResultsAs(); break;
      case IDM_OPEN_ITEMS: if (g_finder.listHasFocus) OpenSelectedResults(); break;
      case IDM_OPEN_FOLDER: OpenFocusedFolderInFileManager(); break;
      case IDM_CONTEXT_MENU: {
        int focused = ListView_GetNextItem(g_finder.list, -1, LVNI_FOCUSED);
        RECT r{};
        if (focused >= 0) ListView_GetItemRect(g_finder.list, focused, &r, LVIR_BOUNDS);
        POINT at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(g_finder.list, &at);
        ShowResultContextMenu(at);
        break;
      }
      case IDM_PROPERTIES: case IDM_CUT: case IDM_COPY:
        if (g_finder.listHasFocus) {
          if (id == IDM_CUT) {
            ClearCutMarks(g_finder.list);
            MarkSelectionCut(g_finder.list);
          } else if (id == IDM_COPY) {
            ClearCutMarks(g_finder.list);
          }
          InvokeResultVerb(id == IDM_PROPERTIES ? "properties" : id == IDM_CUT ? "cut" : "copy");
        }
        break;
      default:
        if (id >= ID_VIEWER_NATIVE && id <= 41030) {
          if (ViewerPaneExists()) RunViewerCommand(id);
        } else {
          MessageBeep(0);
        }
        break;
    }
  }
  UpdateFinderControls();
  LayoutFinderWindow();
}

void OnSearchFound(const SearchFoundItem* items, size_t count) {
  if (!items) return;
  if (count > 1) SendMessageA(g_finder.list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < count; ++i) {
    AddResultItem(items[i].path, *items[i].data);
    ++g_finder.foundCount;
  }
  if (count > 1) {
    SendMessageA(g_finder.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(g_finder.list, nullptr, FALSE);
  }
  UpdateStatusCounts();
}

LRESULT CALLBACK FinderWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      g_finder.main = hwnd;
      CreateResultList(hwnd, g_finder.store.global.viewCommand);
      g_finder.toolbar = CreateFinderToolbar(hwnd);
      if (g_finder.store.global.toolbarShown) ShowWindow(g_finder.toolbar, SW_SHOW);
      g_finder.status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                                        reinterpret_cast<HMENU>(IDC_FINDER_STATUS), g_finder.instance, nullptr);
      int parts[2] = {200, -1};
      SendMessageA(g_finder.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
      if (g_finder.store.global.statusBarShown) ShowWindow(g_finder.status, SW_SHOW);
      if (!CreateCriteriaPanel(hwnd)) return -1;
      return 0;
    }
    case WM_SIZE:
      if (g_finder.panel) LayoutFinderWindow();
      if (g_finder.windowReady && wParam != SIZE_MINIMIZED) {
        RECT r;
        GetWindowRect(hwnd, &r);
        g_finder.store.global.width = r.right - r.left;
        if (g_finder.listShown) g_finder.store.global.height = r.bottom - r.top;
      }
      return 0;
    case WM_MOVE:
      if (g_finder.windowReady && !IsIconic(hwnd)) {
        RECT r;
        GetWindowRect(hwnd, &r);
        g_finder.store.global.left = r.left;
        g_finder.store.global.top = r.top;
      }
      return 0;
    case WM_GETMINMAXINFO: {
      if (!g_finder.panel) break;
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      RECT r = {0, 0, 286, 102};
      MapDialogRect(g_finder.panel, &r);
      RECT frame = r;
      AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, TRUE);
      int minHeight = (frame.bottom - frame.top) + ToolbarHeight() + StatusHeight() + (g_finder.listShown ? 50 : 0);
      info->ptMinTrackSize.x = frame.right - frame.left;
      info->ptMinTrackSize.y = minHeight;
      if (!g_finder.listShown) {
        RECT w;
        GetWindowRect(hwnd, &w);
        info->ptMaxTrackSize.y = std::max<LONG>(w.bottom - w.top, minHeight);
      }
      return 0;
    }
    case WM_TIMER:
      if (wParam == 0) {
        KillTimer(hwnd, 0);
        RefreshResultItems(true);
      }
      return 0;
    case WM_SETFOCUS:
      if (g_finder.panel) SetFocus(g_finder.panel);
      return 0;
    case WM_INITMENUPOPUP:
      if (!HIWORD(lParam)) UpdateMenu(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      NMHDR* h = reinterpret_cast<NMHDR*>(lParam);
      if (h->idFrom == IDC_RESULT_LIST) {
        if (h->code == NM_SETFOCUS) g_finder.listHasFocus = true;
        else if (h->code == NM_KILLFOCUS) g_finder.listHasFocus = false;
        else return HandleResultNotify(h);
        return 0;
      }
      if (h->idFrom == IDC_FINDER_TOOLBAR || h->hwndFrom == g_finder.toolbar) return OnToolbarNotify(h);
      if (h->code == TTN_GETDISPINFOA) {
        auto* tip = reinterpret_cast<NMTTDISPINFOA*>(h);
        tip->hinst = g_finder.instance;
        tip->lpszText = MAKEINTRESOURCEA(h->idFrom);
        return 0;
      }
      return 0;
    }
    case WM_MEASUREITEM:
      if (wParam == 0 && MeasureSendToMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_DRAWITEM:
      if (wParam == 0 && DrawSendToMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case SCCVW_NOTIFY_OPEN: {
      auto* request = reinterpret_cast<const SCCVW_OPENREQUEST*>(lParam);
      if (!request) return 0;
      char path[MAX_PATH];
      lstrcpynA(path, request->path, MAX_PATH);
      return OnViewerOpenRequest(path);
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && OnSplitterGap()) {
        SetCursor(LoadCursorA(g_finder.instance, MAKEINTRESOURCEA(IDC_FINDER_CURSOR)));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      if (OnSplitterGap()) {
        SetCapture(hwnd);
        g_splitterBar = GET_Y_LPARAM_(lParam);
        DrawSplitterBar(g_splitterBar);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd && g_splitterBar >= 0) {
        DrawSplitterBar(g_splitterBar);
        g_splitterBar = ClampSplitter(GET_Y_LPARAM_(lParam));
        DrawSplitterBar(g_splitterBar);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd && g_splitterBar >= 0) {
        DrawSplitterBar(g_splitterBar);
        EndSplitter(ClampSplitter(GET_Y_LPARAM_(lParam)));
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (g_splitterBar >= 0) DrawSplitterBar(g_splitterBar);
      g_splitterBar = -1;
      return 0;
    case WM_SEARCH_FOLDER:
      if (g_finder.status) SendMessageA(g_finder.status, SB_SETTEXTA, 1, lParam);
      UpdateStatusCounts();
      return 0;
    case WM_SEARCH_FOUND:
      OnSearchFound(reinterpret_cast<const SearchFoundItem*>(lParam), wParam);
      return 0;
    case WM_SEARCH_FINISHED:
      SearchFinished();
      return 0;
    case WM_DESTROY:
      StopSearch();
      ShutdownSearchWorker(5000);
      StoreCriteriaControls();
      SaveFinderSettings(g_finder.store, g_finder.settings, g_finder.store.global.viewCommand == IDM_VIEW_DETAILS);
      if (g_finder.helpOpened) QuitHelp(hwnd);
      g_finder.helpOpened = false;
      DestroyFinderViewer();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

std::string FinderString(UINT id) {
  char buffer[512];
  int n = LoadStringText(g_finder.instance, id, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer) : std::string();
}

void LayoutFinderWindow() {
  if (!g_finder.main || !g_finder.panel) return;
  RECT client;
  GetClientRect(g_finder.main, &client);
  if (g_finder.toolbar && g_finder.store.global.toolbarShown) SendMessageA(g_finder.toolbar, TB_AUTOSIZE, 0, 0);
  if (g_finder.status && g_finder.store.global.statusBarShown) {
    SendMessageA(g_finder.status, WM_SIZE, 0, 0);
    RECT s;
    GetClientRect(g_finder.status, &s);
    int half = (s.right - (s.bottom - s.top)) / 2;
    int parts[2] = {half > 0 ? half : 1, -1};
    SendMessageA(g_finder.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  }
  int top = ToolbarHeight();
  int panelHeight = PanelHeight();
  int bottom = client.bottom - StatusHeight();
  HDWP batch = BeginDeferWindowPos(5);
  batch = DeferWindowPos(batch, g_finder.panel, nullptr, 0, top, client.right, panelHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  int listTop = top + panelHeight;
  int listBottom = bottom;
  bool viewer = g_finder.listShown && FinderViewerShown();
  if (viewer) {
    ListArea area = FinderListArea();
    int viewerHeight = ViewerHeight(area);
    listBottom = bottom - viewerHeight - kSplitterGap;
    if (listBottom < listTop) listBottom = listTop;
    PlaceFinderViewer(&batch, 0, bottom - viewerHeight, client.right, viewerHeight);
  }
  batch = DeferWindowPos(batch, g_finder.list, nullptr, 0, listTop, client.right,
                         listBottom > listTop ? listBottom - listTop : 0, SWP_NOZORDER | SWP_NOACTIVATE);
  EndDeferWindowPos(batch);
  if (ViewerPaneExists()) ShowViewerWindows(viewer ? TRUE : FALSE);
}

void FitWindowToPanel(bool grow) {
  RECT r = {0, 0, 286, 102};
  MapDialogRect(g_finder.panel, &r);
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, TRUE);
  int minWidth = r.right - r.left;
  int minHeight = (r.bottom - r.top) + ToolbarHeight() + StatusHeight() + (g_finder.listShown ? 50 : 0) +
                  (g_finder.listShown && FinderViewerShown() ? 50 : 0);
  RECT w;
  GetWindowRect(g_finder.main, &w);
  int width = std::max<int>(w.right - w.left, minWidth);
  int height = w.bottom - w.top;
  if (height < minHeight || grow || !g_finder.listShown) height = g_finder.listShown ? std::max(height, minHeight) : minHeight;
  SetWindowPos(g_finder.main, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutFinderWindow();
}

void ShowResultList() {
  if (g_finder.listShown) return;
  g_finder.listShown = true;
  ShowWindow(g_finder.list, SW_SHOW);
  RECT w;
  GetWindowRect(g_finder.main, &w);
  int height = std::max<int>(g_finder.store.global.height, (w.bottom - w.top) + 150);
  SetWindowPos(g_finder.main, nullptr, 0, 0, w.right - w.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FitWindowToPanel(false);
  UpdateFinderControls();
}

void HideResultList() {
  if (FinderViewerShown()) ToggleFinderViewer();
  if (g_finder.listShown) ClearResults();
  g_finder.listShown = false;
  ShowWindow(g_finder.list, SW_HIDE);
  FitWindowToPanel(true);
  UpdateFinderControls();
}

void UpdateFinderControls() {
  UpdatePanelButtons();
  if (!g_finder.toolbar) return;
  for (const ToolButton& b : kDefaultButtons) {
    if (!b.command) continue;
    SendMessageA(g_finder.toolbar, TB_ENABLEBUTTON, b.command, CommandEnabled(b.command));
    SendMessageA(g_finder.toolbar, TB_CHECKBUTTON, b.command, CommandChecked(b.command) &&
                 ((b.command >= IDM_VIEW_LARGE && b.command <= IDM_VIEW_DETAILS) || b.command == IDM_VIEWER_PANE));
  }
}

void UpdateStatusCounts() {
  if (!g_finder.status || !g_finder.store.global.statusBarShown) return;
  char number[64], bytes[64], text[256];
  if (g_finder.searchRunning) {
    if (g_finder.foundCount == g_finder.shownCount) return;
    g_finder.shownCount = g_finder.foundCount;
    FormatThousands(g_finder.foundCount, number, sizeof number);
    snprintf(text, sizeof text, FinderString(g_finder.foundCount == 1 ? IDS_FOUND_ONE : IDS_FOUND_MANY).c_str(), number);
    SendMessageA(g_finder.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return;
  }
  int count = ResultCount();
  FormatThousands(count, number, sizeof number);
  FormatThousands(static_cast<int64_t>(ResultTotalBytes()), bytes, sizeof bytes);
  snprintf(text, sizeof text, FinderString(count == 1 ? IDS_TOTAL_ONE : IDS_TOTAL_MANY).c_str(), number, bytes);
  SendMessageA(g_finder.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  uint64_t selectedBytes = 0;
  int selected = SelectedResultCount(&selectedBytes);
  FormatThousands(selected, number, sizeof number);
  FormatThousands(static_cast<int64_t>(selectedBytes), bytes, sizeof bytes);
  snprintf(text, sizeof text, FinderString(selected == 1 ? IDS_SELECTED_ONE : IDS_SELECTED_MANY).c_str(), number, bytes);
  SendMessageA(g_finder.status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
}

void ApplyFinderCommandLine(const char* commandLine) {
  FinderCommandLine cl = ParseFinderCommandLine(commandLine);
  if (!cl.savedSearch.empty()) {
    if (LoadSearchFile(cl.savedSearch.c_str(), &g_finder.settings)) {
      RefreshCriteriaPanel();
    } else {
      char text[MAX_PATH + 200];
      snprintf(text, sizeof text, FinderString(IDS_OPEN_FAILED_TEXT).c_str(), cl.savedSearch.c_str());
      seams::MessageBoxA(g_finder.main, text, FinderString(IDS_OPEN_FAILED_CAPTION).c_str(),
                         MB_ICONEXCLAMATION | MB_TASKMODAL);
    }
    return;
  }
  if (!cl.hasPath) return;
  FinderSettings& s = g_finder.settings;
  s.archiveState = s.readOnlyState = s.hiddenState = s.systemState = s.directoryState = 2;
  s.lookInPath = 1;
  s.includeSubfolders = 1;
  g_finder.store.showPath = 1;
  lstrcpynA(s.path, cl.path.c_str(), sizeof s.path);
  lstrcpynA(s.nameMasks, cl.hasMask ? cl.mask.c_str() : "*.*", sizeof s.nameMasks);
  RefreshCriteriaPanel();
  if (cl.hasMask && cl.go) PostMessageA(g_finder.panel, WM_COMMAND, MAKEWPARAM(IDC_FIND_NOW, BN_CLICKED), 0);
}

ATOM RegisterFinderClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, kClassName, &wc)) return 1;  // a window before this one registered it
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FinderWndProc;
  wc.cbWndExtra = 4;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_FINDER));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_FINDER), IMAGE_ICON, 16, 16, 0));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = FINDER_MENU_NAME;
  wc.lpszClassName = kClassName;
  ATOM atom = RegisterClassExA(&wc);
  if (!atom) {
    WNDCLASSA old{};
    old.style = wc.style;
    old.lpfnWndProc = wc.lpfnWndProc;
    old.cbWndExtra = wc.cbWndExtra;
    old.hInstance = instance;
    old.hIcon = wc.hIcon;
    old.hCursor = wc.hCursor;
    old.hbrBackground = wc.hbrBackground;
    old.lpszMenuName = wc.lpszMenuName;
    old.lpszClassName = kClassName;
    atom = RegisterClassA(&old);
  }
  return atom;
}

HWND CreateFinderWindow(int show) {
  const FinderGlobalSettings& g = g_finder.store.global;
  std::string caption = FinderString(IDS_FINDER_CAPTION);
  HWND hwnd = CreateWindowExA(0, kClassName, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, g.left, g.top,
                              g.width, g.height, nullptr, nullptr, g_finder.instance, nullptr);
  if (!hwnd) return nullptr;
  g_finder.windowReady = true;
  FitWindowToPanel(true);
  FitWindowToPanel(true);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  return hwnd;
}

bool StartFinder(HINSTANCE instance, const char* commandLine, int show) {
  g_finder.instance = instance;
  InitCommonControlsCompat();
  g_finder.types = LoadFileTypes();
  g_finder.settings = StartupFinderSettings();
  LoadFinderSettings(&g_finder.store, &g_finder.settings);
  if (!RegisterFinderClass(instance)) return false;
  if (!CreateFinderWindow(show)) return false;
  ApplyFinderCommandLine(commandLine);
  g_finder.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_FINDER_ACCEL));
  return true;
}

bool TranslateFinderMessage(MSG* msg) {
  if (g_finder.listHasFocus && g_finder.accelerators && TranslateAcceleratorA(g_finder.main, g_finder.accelerators, msg))
    return true;
  if (g_finder.panel && IsDialogMessageA(g_finder.panel, msg)) return true;
  HWND page = g_finder.pages[g_finder.currentPage];
  return page && IsDialogMessageA(page, msg);
}

void EndFinder() {
  if (g_finder.driveChecks) ImageList_Destroy(g_finder.driveChecks);
  g_finder.driveChecks = nullptr;
}

int RunFinder(HINSTANCE instance, const char* commandLine, int show) {
  OleInitialize(nullptr);
  if (!StartFinder(instance, commandLine, show)) {
    OleUninitialize();
    return 0;
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (TranslateFinderMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EndFinder();
  OleUninitialize();
  return static_cast<int>(msg.wParam);
}
