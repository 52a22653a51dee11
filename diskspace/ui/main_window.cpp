// Voltaly's start-up and main window: the toolbar, tab strip, tree pane, file pane and status bar,
// their layout and splitter, the menu and toolbar state, the command table and shutdown.
#include <windows.h>
#include <windowsx.h>
#include <dbt.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include "change_feed.h"
#include "disk_dialogs.h"
#include "disk_query.h"
#include "drive_list.h"
#include "file_commands.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource.h"
#include "scan_engine.h"
#include "seams.h"
#include "settings_store.h"
#include "shell_host.h"
#include "shell_view_host.h"
#include "size_columns.h"
#include "tree_drag_drop.h"
#include "tree_export.h"
#include "tree_pane.h"

VoltalineWindowState g_voltaly;

namespace {

const char* const kProgramStrings[4] = {"Voltaline_App", "Voltaline_Class", "MS Sans Serif", "LISTBOX"};

struct ButtonDef { int image; int command; };
// The built-in toolbar; image -1 is a separator.
const ButtonDef kToolbarButtons[] = {
    {32, 45215}, {31, 45212}, {38, 45102}, {30, 45273}, {-1, 0},
    {34, 45039}, {33, 45040}, {17, 45041}, {-1, 0},
    {5, 45237}, {6, 45008}, {7, 45238}, {-1, 0},
    {8, 45011}, {-1, 0},
    {21, 45038}, {18, 45235}, {9, 45018}, {-1, 0},
    {29, 45275}, {11, 45045}, {12, 45042}, {13, 45043}, {14, 45044}, {-1, 0},
    {36, 45099}, {37, 45072},
};
// Offered only in the customise dialog.
const ButtonDef kExtraButtons[] = {
    {25, 45027}, {27, 45028}, {26, 45029}, {23, 45035}, {22, 45244}, {15, 45047}, {16, 45051},
};

HACCEL g_accelerators = nullptr;
HMENU g_mainMenu = nullptr;
IDropTarget* g_dropTarget = nullptr;
bool g_inFilePane = false;
bool g_splitting = false;
int g_splitBar = 0;
int g_filePaneTop = 0;
HIMAGELIST g_toolbarImages = nullptr;
bool g_findView = false;

HINSTANCE Inst() { return g_voltaly.instance ? g_voltaly.instance : GetModuleHandleA(nullptr); }

std::string LoadText(UINT id) {
  char buf[512];
  int n = LoadStringA(Inst(), id, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

TBBUTTON MakeButton(const ButtonDef& def) {
  TBBUTTON b{};
  if (def.image < 0) {
    b.fsStyle = BTNS_SEP;
  } else {
    b.iBitmap = def.image;
    b.idCommand = def.command;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = def.command == CMD_SHOW_FILE_PANE ? BTNS_CHECK : BTNS_BUTTON;
  }
  return b;
}

void CreateToolbar(HWND window) {
  HWND tb = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                            WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_ADJUSTABLE | CCS_TOP,
                            0, 0, 0, 0, window, (HMENU)(INT_PTR)IDC_TOOLBAR, Inst(), nullptr);
  if (!tb) {
    TraceMessage(1, "Cannot create tool bar.");
    return;
  }
  g_voltaly.toolbar = tb;
  SendMessageA(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  g_toolbarImages = ImageList_LoadImageA(Inst(), MAKEINTRESOURCEA(IDB_TOOLBAR), 16, 0, RGB(255, 0, 255),
                                         IMAGE_BITMAP, LR_CREATEDIBSECTION);
  SendMessageA(tb, TB_SETIMAGELIST, 0, (LPARAM)g_toolbarImages);
  TBBUTTON buttons[std::size(kToolbarButtons)];
  for (size_t i = 0; i < std::size(kToolbarButtons); ++i) buttons[i] = MakeButton(kToolbarButtons[i]);
  SendMessageA(tb, TB_ADDBUTTONSA, std::size(kToolbarButtons), (LPARAM)buttons);
  SaveToolbarState(tb, "Default Toolbar");
  RestoreToolbarState(tb, "Toolbar");
  SendMessageA(tb, TB_AUTOSIZE, 0, 0);
  if (g_settings.showToolbar) ShowWindow(tb, SW_SHOWNA);
}

void PartitionStatusBar(int width) {
  if (!g_voltaly.statusBar) return;
  int edges[5] = {(int)(width * 0.33), (int)(width * 0.60), (int)(width * 0.72), (int)(width * 0.85), -1};
  if (!SendMessageA(g_voltaly.statusBar, SB_SETPARTS, 5, (LPARAM)edges))
    TraceMessage(1, "Cannot partition status bar");
}

void CreateTabStrip(HWND window) {
  HWND tabs = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TABCONTROLA, "",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0, 0, 0,
                              window, (HMENU)(INT_PTR)IDC_TAB_STRIP, Inst(), nullptr);
  if (!tabs) return;
  g_voltaly.tabStrip = tabs;
  SendMessageA(tabs, WM_SETFONT, (WPARAM)TreeFont(false), FALSE);
  std::string normal = LoadText(IDS_TAB_NORMAL), find = LoadText(IDS_TAB_FIND);
  HDC dc = GetDC(tabs);
  HGDIOBJ old = SelectObject(dc, TreeFont(false));
  SIZE size{};
  GetTextExtentPoint32A(dc, normal.c_str(), (int)normal.size(), &size);
  SelectObject(dc, old);
  ReleaseDC(tabs, dc);
  g_voltaly.tabHeight = size.cy + 4;
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = normal.data();
  SendMessageA(tabs, TCM_INSERTITEMA, 0, (LPARAM)&item);
  item.pszText = find.data();
  SendMessageA(tabs, TCM_INSERTITEMA, 1, (LPARAM)&item);
  if (!g_settings.showTabs) ShowWindow(tabs, SW_HIDE);
}

LRESULT OnCreateMain(HWND window) {
  g_voltaly.mainWindow = window;
  g_mainWindow = window;
  SetNodeViewWindow(window);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  CreatePaneDrawingObjects(window);
  CreateToolbar(window);
  g_voltaly.statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                        window, (HMENU)(INT_PTR)IDC_STATUS_BAR, Inst(), nullptr);
  if (!g_voltaly.statusBar) TraceMessage(1, "Cannot create status bar.");
  else if (g_settings.showStatusBar) ShowWindow(g_voltaly.statusBar, SW_SHOWNA);
  g_voltaly.paneDialog = CreateDialogParamA(Inst(), MAKEINTRESOURCEA(IDD_TREE_PANE), window, TreePaneDlgProc, 0);
  if (!g_voltaly.paneDialog) {
    TraceMessage(1, "Cannot create main dialog window");
  } else {
    CreatePaneControls(g_voltaly.paneDialog);
    ShowWindow(g_voltaly.paneDialog, SW_SHOWNA);
    g_voltaly.lastFocusDialog = g_voltaly.paneDialog;
  }
  CreateTabStrip(window);
  if (!g_voltaly.tabStrip) return -1;
  CreateUndoBrowser(window, DesktopFolder());
  if (g_voltaly.mainTree) {
    g_dropTarget = CreateTreeDropTarget(g_voltaly.mainTree);
    if (g_dropTarget) RegisterDragDrop(g_voltaly.mainTree, g_dropTarget);
  }
  return 0;
}

void LayoutMain(HWND window) {
  RECT rc;
  GetClientRect(window, &rc);
  int width = rc.right, height = rc.bottom;
  HWND showTree = g_findView ? g_voltaly.searchTree : g_voltaly.mainTree;
  HWND hideTree = g_findView ? g_voltaly.mainTree : g_voltaly.searchTree;
  if (showTree) ShowWindow(showTree, SW_SHOWNA);
  if (hideTree) ShowWindow(hideTree, SW_HIDE);
  int statusHeight = 0, toolbarHeight = 0;
  if (g_voltaly.statusBar && g_settings.showStatusBar) {
    SendMessageA(g_voltaly.statusBar, WM_SIZE, 0, 0);
    RECT sr;
    GetWindowRect(g_voltaly.statusBar, &sr);
    statusHeight = sr.bottom - sr.top;
    PartitionStatusBar(width);
  }
  if (g_voltaly.toolbar && g_settings.showToolbar) {
    SendMessageA(g_voltaly.toolbar, TB_AUTOSIZE, 0, 0);
    RECT tr;
    GetWindowRect(g_voltaly.toolbar, &tr);
    toolbarHeight = tr.bottom - tr.top;
  }
  g_voltaly.statusHeight = statusHeight;
  g_voltaly.toolbarHeight = toolbarHeight;
  int top = toolbarHeight;
  if (g_voltaly.tabStrip && g_settings.showTabs) {
    RECT tabRect = {0, 0, width, 0};
    SendMessageA(g_voltaly.tabStrip, TCM_ADJUSTRECT, TRUE, (LPARAM)&tabRect);
    int tabs = g_voltaly.tabHeight + 3;
    MoveWindow(g_voltaly.tabStrip, 0, top, width, tabs, TRUE);
    top += tabs;
  }
  int bottom = height - statusHeight;
  int paneHeight = bottom - top;
  int fileHeight = 0;
  bool filePane = g_settings.showFilePane && g_voltaly.fileView;
  if (g_settings.showFilePane) {
    fileHeight = (int)((height - toolbarHeight - statusHeight - g_voltaly.headerHeight) * g_voltaly.filePaneShare);
    paneHeight = std::max(20, bottom - top - fileHeight - g_voltaly.splitterHeight);
    fileHeight = bottom - top - paneHeight - g_voltaly.splitterHeight;
  }
  if (g_voltaly.paneDialog) MoveWindow(g_voltaly.paneDialog, 0, top, width, std::max(0, paneHeight), TRUE);
  g_filePaneTop = top + paneHeight + g_voltaly.splitterHeight;
  if (g_voltaly.fileView) {
    if (filePane) {
      MoveWindow(g_voltaly.fileView, 0, g_filePaneTop, width, std::max(0, fileHeight), TRUE);
      ShowWindow(g_voltaly.fileView, SW_SHOWNA);
    } else {
      ShowWindow(g_voltaly.fileView, SW_HIDE);
    }
  }
}

void DrawSplitBar(HWND window, int y) {
  HDC dc = GetDC(window);
  RECT rc;
  GetClientRect(window, &rc);
  PatBlt(dc, 0, y, rc.right, g_voltaly.splitterHeight, DSTINVERT);
  ReleaseDC(window, dc);
}

bool InSplitter(int y) {
  return g_settings.showFilePane && y >= g_filePaneTop - g_voltaly.splitterHeight - 1 && y <= g_filePaneTop + 1;
}

int ClampSplit(HWND window, int y) {
  RECT rc;
  GetClientRect(window, &rc);
  int low = g_voltaly.toolbarHeight + g_voltaly.splitterHeight / 2 + g_voltaly.headerHeight + 15;
  int high = rc.bottom - g_voltaly.statusHeight - 25;
  return std::max(low, std::min(high, y));
}

void SetCheckState(UINT command, bool checked) {
  if (g_mainMenu) CheckMenuItem(g_mainMenu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  if (g_voltaly.toolbar) SendMessageA(g_voltaly.toolbar, TB_CHECKBUTTON, command, checked);
}

void FlipShow(HWND window, UINT command) {
  uint8_t* flag = nullptr;
  HWND target = nullptr;
  switch (command) {
    case CMD_SHOW_TOOLBAR: flag = &g_settings.showToolbar; target = g_voltaly.toolbar; break;
    case CMD_SHOW_STATUS_BAR: flag = &g_settings.showStatusBar; target = g_voltaly.statusBar; break;
    case CMD_SHOW_TABS: flag = &g_settings.showTabs; target = g_voltaly.tabStrip; break;
    case CMD_SHOW_FILE_PANE: flag = &g_settings.showFilePane; target = g_voltaly.fileView; break;
    default: return;
  }
  *flag = !*flag;
  if (target) ShowWindow(target, *flag ? SW_SHOWNA : SW_HIDE);
  SetCheckState(command, *flag != 0);
  if (command == CMD_SHOW_FILE_PANE) {
    if (*flag) {
      ShowFolderInFilePane(g_voltaly.currentNode);
    } else {
      if (g_voltaly.currentTree) {
        SetFocus(g_voltaly.currentTree);
        auto sel = (HTREEITEM)SendMessageA(g_voltaly.currentTree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        if (sel) SendMessageA(g_voltaly.currentTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)sel);
      }
      if (GetMenu(window) != g_mainMenu) SetMenu(window, g_mainMenu);
      g_voltaly.filePaneActive = false;
    }
    UpdateMenuAndToolbar(g_voltaly.currentNode, nullptr);
  }
  RelayoutWindow(window);
}

LRESULT OnToolbarNotify(HWND window, NMHDR* hdr) {
  switch (hdr->code) {
    case TBN_GETBUTTONINFOA:
    case TBN_GETBUTTONINFOW: {
      auto* nm = (NMTOOLBARA*)hdr;
      int index = nm->iItem;
      const ButtonDef* def = nullptr;
      int k = 0;
      for (const ButtonDef& b : kToolbarButtons) {
        if (b.image < 0) continue;
        if (k++ == index) def = &b;
      }
      if (!def && index >= k && index - k < (int)std::size(kExtraButtons)) def = &kExtraButtons[index - k];
      if (!def) return FALSE;
      nm->tbButton = MakeButton(*def);
      if (nm->pszText && nm->cchText > 0) {
        std::string text = LoadText(def->command + IDS_CMD_TEXT_OFFSET);
        if (hdr->code == TBN_GETBUTTONINFOW)
          MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, (wchar_t*)nm->pszText, nm->cchText);
        else
          lstrcpynA(nm->pszText, text.c_str(), nm->cchText);
      }
      return TRUE;
    }
    case TBN_QUERYINSERT:
    case TBN_QUERYDELETE:
      return TRUE;
    case TBN_TOOLBARCHANGE:
      SaveToolbarState(g_voltaly.toolbar, "Toolbar");
      return 0;
    case TBN_RESET:
      RestoreToolbarState(g_voltaly.toolbar, "Default Toolbar");
      SaveToolbarState(g_voltaly.toolbar, "Toolbar");
      return 0;
    case TBN_CUSTHELP:
      ShowHelpTopic(window, 14);
      return 0;
  }
  return 0;
}

LRESULT OnNotify(HWND window, NMHDR* hdr) {
  if (hdr->code == TTN_NEEDTEXTA || hdr->code == TTN_NEEDTEXTW) {
    static char text[128];
    static wchar_t wide[128];
    UINT command = (UINT)hdr->idFrom;
    if (command == CMD_UNDO) GetUndoMenuText(text, sizeof text);
    else lstrcpynA(text, LoadText(command).c_str(), sizeof text);
    if (hdr->code == TTN_NEEDTEXTW) {
      MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 128);
      ((NMTTDISPINFOW*)hdr)->lpszText = wide;
    } else {
      ((NMTTDISPINFOA*)hdr)->lpszText = text;
    }
    return 0;
  }
  if (hdr->hwndFrom == g_voltaly.toolbar) return OnToolbarNotify(window, hdr);
  if (hdr->hwndFrom == g_voltaly.tabStrip && hdr->code == TCN_SELCHANGE) {
    int tab = (int)SendMessageA(g_voltaly.tabStrip, TCM_GETCURSEL, 0, 0);
    if (tab == 1) ShowFindResults();
    else ShowNormalView();
    return 0;
  }
  return 0;
}

void OnDestroyMain(HWND window) {
  if (g_voltaly.helpOpened) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    seams::WinHelpA(window, path, HELP_QUIT, 0);
  }
  g_shuttingDown.store(TRUE);
  StopChangeFeed();
  StopAllScanThreads();
  WINDOWPLACEMENT wp{sizeof wp};
  if (GetWindowPlacement(window, &wp)) {
    g_settings.windowRect[0] = wp.rcNormalPosition.left;
    g_settings.windowRect[1] = wp.rcNormalPosition.top;
    g_settings.windowRect[2] = wp.rcNormalPosition.right;
    g_settings.windowRect[3] = wp.rcNormalPosition.bottom;
  }
  SaveColumnStates();
  char path[MAX_PATH] = "";
  if (IsFolderNode(g_voltaly.currentNode)) GetNodePath(g_voltaly.currentNode, path, sizeof path);
  SaveVoltalineSettings(FALSE, GetSortColumnIndex(), path);
  if (g_voltaly.mainTree && g_dropTarget) {
    RevokeDragDrop(g_voltaly.mainTree);
    g_dropTarget->Release();
    g_dropTarget = nullptr;
  }
  if (g_voltaly.filePane) {
    DestroyFilePane(g_voltaly.filePane);
    g_voltaly.filePane = nullptr;
    g_voltaly.fileView = nullptr;
  }
  if (g_voltaly.paneDialog) DestroyWindow(g_voltaly.paneDialog);
  DestroyUndoBrowser();
  SetNodeViewWindow(nullptr);
  g_voltaly.paneDialog = nullptr;
  g_voltaly.mainTree = g_voltaly.searchTree = nullptr;
  g_voltaly.mainSizeList = g_voltaly.searchSizeList = nullptr;
  g_voltaly.currentTree = g_voltaly.currentSizeList = nullptr;
  g_voltaly.header = g_voltaly.toolbar = g_voltaly.statusBar = g_voltaly.tabStrip = nullptr;
  g_voltaly.currentNode = nullptr;
  FreeColumnSet();
  if (g_toolbarImages) { ImageList_Destroy(g_toolbarImages); g_toolbarImages = nullptr; }
  g_voltaly.mainWindow = nullptr;
  g_mainWindow = nullptr;
  PostQuitMessage(0);
}

bool DriveUsable(DriveNode* drive) { return IsDriveNode(drive) && !IsDriveBusy(drive); }

}  // namespace

// ---------------------------------------------------------------------------------------------

void TraceMessage(int, const char*) {}

void SetStatusText(const char* text, int part) {
  if (g_voltaly.statusBar) SendMessageA(g_voltaly.statusBar, SB_SETTEXTA, part, (LPARAM)text);
}

void RelayoutWindow(HWND window) {
  if (!window) return;
  RECT rc;
  GetClientRect(window, &rc);
  PostMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
}

void ShowHelpTopic(HWND window, UINT topic) {
  OpenHelpTopic(window, topic);
  g_voltaly.helpOpened = true;
}

namespace {

// The answers the shell side and the engine get from the windows: the tree of the view shown,
// folders selected through the size tree, help, the scan state, the columns, the questions.
void InstallLowerLayerAnswers() {
  ShellHostHooks hooks;
  hooks.tree = [](HWND owner) -> HWND {
    if (!owner || owner != g_voltaly.mainWindow) return nullptr;
    HWND tree = g_voltaly.currentTree ? g_voltaly.currentTree : g_voltaly.mainTree;
    return tree && IsWindow(tree) ? tree : nullptr;
  };
  hooks.selectIdList = [](HWND owner, LPCITEMIDLIST absolute) -> BOOL {
    HWND main = ShellHostMainWindow(owner);
    HWND tree = g_voltaly.mainTree && main == g_voltaly.mainWindow ? g_voltaly.mainTree
                                                                   : ShellHostTree(main);
    char path[MAX_PATH] = {};
    if (!tree || !absolute || !SHGetPathFromIDListA(absolute, path) || !path[0]) return FALSE;
    return FindTreeItemByPath(tree, path, nullptr, TRUE, TRUE) != nullptr;
  };
  hooks.showHelp = ShowHelpTopic;
  SetShellHostHooks(std::move(hooks));
  InstallTreeColumnHooks();
  InstallEnginePrompts();
}

}  // namespace

BOOL CheckOsVersion() {
  OSVERSIONINFOA info{sizeof info};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return FALSE;
#pragma GCC diagnostic pop
  if ((info.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS && info.dwPlatformId != VER_PLATFORM_WIN32_NT) ||
      info.dwMajorVersion <= 3)
    return FALSE;
  g_isNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  g_isOSR2 = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && LOWORD(info.dwBuildNumber) > 1000;
  return TRUE;
}

void ComputeStartWindowRect(const int32_t stored[4], int maxWidth, int maxHeight, int screenWidth,
                            int screenHeight, RECT* out, bool* useDefaultPosition) {
  int height = stored[3] - stored[1];
  if (height <= 0 || height > maxHeight) height = (int)(0.75 * maxHeight);
  int width = stored[2] - stored[0];
  if (width <= 0 || width > maxWidth) width = (int)(0.8 * maxWidth);
  if (width < 590 && maxWidth >= 550) width = 590;
  int left = stored[0], top = stored[1];
  // A window that would open (partly) off the screen opens where the system puts it: a stored
  // position that lies off the screen in either direction is not used.
  *useDefaultPosition = top > 0.95 * screenHeight || left > 0.95 * screenWidth || left + width < 20 ||
                        top < 0 || (stored[0] == 0 && stored[1] == 0 && stored[2] == 0 && stored[3] == 0);
  out->left = left;
  out->top = top;
  out->right = left + width;
  out->bottom = top + height;
}

void UpdateTreeStatusBar(FolderNode* node) {
  if (g_shuttingDown.load() || !g_voltaly.statusBar || !g_settings.showStatusBar) return;
  std::string view = LoadText(IDS_STATUS_VIEW) + LoadText(g_findView ? IDS_STATUS_FIND : IDS_STATUS_NORMAL);
  SetStatusText(view.c_str(), 2);
  std::string sort = LoadText(IDS_STATUS_SORT);
  if (ColumnRecord* c = GetSortColumn()) sort += LoadText(c->typeId);
  SetStatusText(sort.c_str(), 3);
  SetStatusText(LoadText(g_voltaly.filePaneActive ? IDS_STATUS_FILE_FOCUS : IDS_STATUS_TREE_FOCUS).c_str(), 4);
  if (g_voltaly.filePaneActive || !IsFolderNode(node)) return;
  char text[512], free[40], total[40], size[40], name[MAX_PATH];
  std::string format = LoadText(IDS_STATUS_DRIVE);
  if (DriveNode* drive = node->drive) {
    GetDiskSpaceDefault(drive);
    NodeLabel(drive, name, sizeof name);
    FormatSizeWithUnits(drive->freeBytes, free);
    FormatSizeWithUnits(drive->totalBytes, total);
    snprintf(text, sizeof text, format.c_str(), name, free, total);
    SetStatusText(text, 0);
    NodeLabel(node, name, sizeof name);
    FormatSizeWithUnits((double)ShownTotal(node), size);
    snprintf(text, sizeof text, "%s (%s)", name, size);
    SetStatusText(text, 1);
  } else {
    double freeSum = 0, totalSum = 0;
    for (FolderNode* child = FirstChildNode(node); child; child = NextSiblingNode(child)) {
      DriveNode* d = AsDrive(child);
      if (!d || (d->driveType != DRIVE_FIXED && d->driveType != DRIVE_REMOTE)) continue;
      if (GetDiskSpaceDefault(d)) { freeSum += d->freeBytes; totalSum += d->totalBytes; }
    }
    NodeLabel(node, name, sizeof name);
    FormatSizeWithUnits(freeSum, free);
    FormatSizeWithUnits(totalSum, total);
    snprintf(text, sizeof text, format.c_str(), name, free, total);
    SetStatusText(text, 0);
    SetStatusText("", 1);
  }
}

void UpdateMenuAndToolbar(FolderNode* node, HMENU menu) {
  if (g_shuttingDown.load() || !g_voltaly.mainWindow) return;
  if (GetCurrentThreadId() != g_uiThreadId) {
    PostMessageA(g_voltaly.mainWindow, VM_SCANSTATE, 0, 0);
    return;
  }
  if (!menu) menu = g_mainMenu;
  auto enable = [&](UINT id, bool on, bool inMenu = true, bool inToolbar = true) {
    if (inMenu && menu) EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    if (inToolbar && g_voltaly.toolbar) SendMessageA(g_voltaly.toolbar, TB_ENABLEBUTTON, id, on);
  };
  bool valid = IsFolderNode(node);
  DriveNode* drive = valid ? node->drive : nullptr;
  bool hasDrive = IsDriveNode(drive);
  bool belowDrive = hasDrive && !IsDriveNode(node);
  bool pane = g_settings.showFilePane != 0;
  UINT mode = g_voltaly.filePane ? GetFileViewMode(g_voltaly.filePane) : 0;
  const UINT viewIds[4] = {CMD_VIEW_LARGE, CMD_VIEW_SMALL, CMD_VIEW_LIST, CMD_VIEW_DETAILS};
  for (int i = 0; i < 4; ++i) {
    enable(viewIds[i], pane);
    if (g_voltaly.toolbar) SendMessageA(g_voltaly.toolbar, TB_CHECKBUTTON, viewIds[i], pane && mode == (UINT)(i + 1));
  }
  enable(CMD_UNDO, g_voltaly.filePaneActive, false, true);
  for (UINT id : {CMD_MOVE_TO, CMD_COPY_TO, CMD_DELETE, CMD_DELETE_NO_RECYCLE, CMD_RENAME, CMD_CUT, CMD_COPY})
    enable(id, belowDrive);
  enable(CMD_PASTE, hasDrive);
  enable(CMD_CREATE_FOLDER, hasDrive);
  enable(CMD_DISK_INFO, hasDrive);
  bool cluster = hasDrive && (drive->driveType == DRIVE_REMOTE ||
                              (drive->driveLetter >= 1 && drive->driveLetter <= 26 && g_netClusterSizes[drive->driveLetter - 1]));
  enable(CMD_CLUSTER_SIZE, cluster, true, false);
  enable(CMD_SCAN_DISK, DriveUsable(drive));
  enable(CMD_SCAN_FOLDER, DriveUsable(drive));
  enable(CMD_STOP_SCAN, RunningScanCount() > 0);
  enable(CMD_STOP_DRIVE_SCAN, hasDrive && IsDriveBusy(drive), true, false);
}

void ShowFolderInFilePane(FolderNode* node) {
  if (!g_settings.showFilePane || g_inFilePane || !IsFolderNode(node) || !g_voltaly.mainWindow) return;
  g_inFilePane = true;
  IShellFolder* folder = nullptr;
  LPITEMIDLIST id = NodeIdList(node);
  if (id && DesktopFolder()) {
    if (ItemIdListSize(id) <= 2) { folder = DesktopFolder(); folder->AddRef(); }
    else DesktopFolder()->BindToObject(id, nullptr, IID_IShellFolder, (void**)&folder);
  }
  if (folder) {
    RECT rect;
    FOLDERSETTINGS fs{g_settings.filePaneViewMode ? (UINT)g_settings.filePaneViewMode : (UINT)FVM_LIST, 0};
    if (g_voltaly.fileView && IsWindow(g_voltaly.fileView)) {
      GetWindowRect(g_voltaly.fileView, &rect);
      MapWindowPoints(nullptr, g_voltaly.mainWindow, (POINT*)&rect, 2);
      if (g_voltaly.filePane) fs.ViewMode = GetFileViewMode(g_voltaly.filePane);
    } else {
      GetClientRect(g_voltaly.mainWindow, &rect);
    }
    HWND view = nullptr;
    HostedFilePane* old = g_voltaly.filePane;
    HostedFilePane* pane = CreateFilePane(old, g_voltaly.mainWindow, g_voltaly.paneDialog, folder, &rect, &fs, &view);
    folder->Release();
    if (pane) {
      if (old) DestroyFilePane(old);
      g_voltaly.filePane = pane;
      g_voltaly.fileView = view;
      g_settings.filePaneViewMode = GetFileViewMode(pane);
      if (!g_settings.showFilePane && view) ShowWindow(view, SW_HIDE);
    }
    RelayoutWindow(g_voltaly.mainWindow);
  }
  if (g_voltaly.currentTree) SetFocus(g_voltaly.currentTree);
  if (GetMenu(g_voltaly.mainWindow) != g_mainMenu) SetMenu(g_voltaly.mainWindow, g_mainMenu);
  g_inFilePane = false;
}

void ReloadMainMenu() {
  if (g_voltaly.mainWindow && g_mainMenu && GetMenu(g_voltaly.mainWindow) != g_mainMenu)
    SetMenu(g_voltaly.mainWindow, g_mainMenu);
}

void SetFindViewShown(bool shown) {
  g_findView = shown;
  if (g_voltaly.tabStrip) SendMessageA(g_voltaly.tabStrip, TCM_SETCURSEL, shown ? 1 : 0, 0);
}
bool IsFindViewShown() { return g_findView; }

static void OnCommand(HWND window, UINT command) {
  FolderNode* node = g_voltaly.currentNode;
  if (!IsFolderNode(node)) node = nullptr;
  switch (command) {
    case CMD_SETTINGS: ShowSettingsSheet(window); return;
    case CMD_NORMAL_VIEW: ShowNormalView(); return;
    case CMD_FIND_VIEW: ShowFindResults(); return;
    case CMD_SHOW_TABS: case CMD_SHOW_TOOLBAR: case CMD_SHOW_FILE_PANE: case CMD_SHOW_STATUS_BAR:
      FlipShow(window, command);
      return;
    case CMD_SCAN_FOLDER:
      if (node && DriveUsable(node->drive)) StartScanThread(ScanFolderThread, node);
      return;
    case CMD_STOP_DRIVE_SCAN: StopDriveScan(node); return;
    case CMD_CLUSTER_SIZE:
      if (node && IsDriveNode(node->drive)) ChangeClusterSize(window, node->drive);
      else MessageBeep(MB_OK);
      return;
    case CMD_FIND_FOLDERS: ShowFindFolder(); return;
    case CMD_SAVE_NOW: {
      char path[MAX_PATH] = "";
      if (node) GetNodePath(node, path, sizeof path);
      SaveVoltalineSettings(TRUE, GetSortColumnIndex(), path);
      return;
    }
    case CMD_SAVE_ON_EXIT: g_saveOnExit = !g_saveOnExit; return;
    case CMD_REFRESH:
      RelayoutWindow(window);
      EnumerateDriveNodes();
      node = IsFolderNode(g_voltaly.currentNode) ? g_voltaly.currentNode : nullptr;
      if (node) {
        ScanNodeOnce(node);
        if (IsFolderNode(node)) SelectFolder(node);
      }
      return;
    case CMD_CLEAR_TAGS: SetTagActive(false); RepaintAllRows(); return;
    case CMD_EXIT: DestroyWindow(window); return;
    case CMD_EXPAND_LEVEL: case CMD_COLLAPSE: {
      HWND tree = g_voltaly.currentTree;
      auto item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
      if (!item) item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
      if (command == CMD_COLLAPSE) {
        CollapseTreeItem(tree, item);
      } else {
        // One level: the selected item and its expanded descendants open one level further.
        TreeWalk walk;
        walk.tree = tree;
        walk.callback = [](TreeWalk* w, int, HTREEITEM it) { ExpandTreeItem(w->tree, it); };
        WalkTreeItems(&walk, item, 0);
      }
      SyncListBoxTop();
      RepaintAllRows();
      return;
    }
    case CMD_EXPAND_ALL: StartExpandAllThread(true); return;
    case CMD_COLLAPSE_ALL: StartExpandAllThread(false); return;
    case CMD_SCAN_DISK: ScanDiskCommand(window); return;
    case CMD_STOP_SCAN:
      if (g_settings.stopAllScans) StopAllDriveScans();
      else StopDriveScan(node);
      return;
    case CMD_REPORTED_SIZES: case CMD_DISK_USAGE:
      g_settings.sizeOnDisk = command == CMD_DISK_USAGE;
      RepaintAllRows();
      UpdateTreeStatusBar(g_voltaly.currentNode);
      return;
    case CMD_SIZE_UNITS:
      g_settings.sizeUnits = !g_settings.sizeUnits;
      RebuildHeaderLayout();
      return;
    case CMD_CHECK_LIST: CheckSizeRows(); return;
    case CMD_HELP: ShowHelpTopic(window, 93); return;
    case CMD_TAG_FOLDERS: ShowTagFolders(window); return;
    case CMD_DISK_INFO: if (node) ShowDiskInfo(window, node); return;
    case CMD_FOLDER_DETAILS: ShowFolderDetailsSheet(window, 0); return;
  }
  if (command >= CMD_COLUMN_PAGE_FIRST && command <= CMD_COLUMN_PAGE_LAST) {
    ShowFolderDetailsSheet(window, (int)command - 45799);
    return;
  }
  if (command > 46200 && RunSendToCommand(command)) return;
  RunFileCommand(window, command);
}

LRESULT CALLBACK VoltalineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= VM_NODEADDED && message <= VM_NODELABEL) {
    HandleEngineMessage(message, wParam, lParam);
    return 0;
  }
  switch (message) {
    case WM_CREATE:
      return OnCreateMain(window);
    case WM_SIZE:
      if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) LayoutMain(window);
      return 0;
    case WM_SETFOCUS:
      if (g_voltaly.filePaneActive && g_voltaly.fileView) SetFocus(g_voltaly.fileView);
      else if (g_voltaly.currentTree) SetFocus(g_voltaly.currentTree);
      return 0;
    case WM_INITMENU:
    case WM_INITMENUPOPUP: {
      HMENU menu = message == WM_INITMENU ? (HMENU)wParam : g_mainMenu;
      UpdateMenuAndToolbar(g_voltaly.currentNode, menu);
      auto check = [&](UINT id, bool on) { CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
      check(CMD_SIZE_UNITS, g_settings.sizeUnits == 0);
      check(CMD_SAVE_ON_EXIT, g_saveOnExit != 0);
      check(CMD_SHOW_FILE_PANE, g_settings.showFilePane != 0);
      check(CMD_SHOW_STATUS_BAR, g_settings.showStatusBar != 0);
      check(CMD_SHOW_TOOLBAR, g_settings.showToolbar != 0);
      check(CMD_SHOW_TABS, g_settings.showTabs != 0);
      CheckMenuRadioItem(menu, CMD_REPORTED_SIZES, CMD_DISK_USAGE,
                         g_settings.sizeOnDisk ? CMD_DISK_USAGE : CMD_REPORTED_SIZES, MF_BYCOMMAND);
      CheckMenuRadioItem(menu, CMD_NORMAL_VIEW, CMD_FIND_VIEW, g_findView ? CMD_FIND_VIEW : CMD_NORMAL_VIEW, MF_BYCOMMAND);
      if (g_voltaly.toolbar) SendMessageA(g_voltaly.toolbar, TB_CHECKBUTTON, CMD_SHOW_FILE_PANE, g_settings.showFilePane != 0);
      char undo[128];
      BOOL canUndo = GetUndoMenuText(undo, sizeof undo);
      if (GetMenuState(menu, CMD_UNDO, MF_BYCOMMAND) != (UINT)-1) {
        if (strcmp(undo, "&Undo (default)") != 0)
          ModifyMenuA(menu, CMD_UNDO, MF_BYCOMMAND | MF_STRING, CMD_UNDO, undo);
        EnableMenuItem(menu, CMD_UNDO, MF_BYCOMMAND | (canUndo ? MF_ENABLED : MF_GRAYED));
      }
      return 0;
    }
    case WM_COMMAND: {
      UINT command = LOWORD(wParam);
      if (command < 32768 && g_voltaly.filePane && command != IDOK && command != IDCANCEL) {
        ForwardCommandToView(g_voltaly.filePane, command);
        return DefWindowProcA(window, message, wParam, lParam);
      }
      OnCommand(window, command);
      return 0;
    }
    case WM_NOTIFY:
      return OnNotify(window, (NMHDR*)lParam);
    case WM_DRAWITEM:
      if (SendToMenuExists() && DrawSendToItem((DRAWITEMSTRUCT*)lParam)) return TRUE;
      if (g_voltaly.fileView) return SendMessageA(g_voltaly.fileView, message, wParam, lParam);
      return FALSE;
    case WM_MEASUREITEM:
      if (SendToMenuExists() && MeasureSendToItem((MEASUREITEMSTRUCT*)lParam)) return TRUE;
      if (g_voltaly.fileView) return SendMessageA(g_voltaly.fileView, message, wParam, lParam);
      return FALSE;
    case WM_LBUTTONDOWN: {
      int y = GET_Y_LPARAM(lParam);
      if (InSplitter(y)) {
        SetCapture(window);
        g_splitting = true;
        SetCursor(LoadCursorA(Inst(), MAKEINTRESOURCEA(IDC_SPLIT_CURSOR)));
        g_splitBar = ClampSplit(window, y);
        DrawSplitBar(window, g_splitBar);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      int y = GET_Y_LPARAM(lParam);
      if (g_splitting) {
        DrawSplitBar(window, g_splitBar);
        g_splitBar = ClampSplit(window, y);
        DrawSplitBar(window, g_splitBar);
      } else {
        SetCursor(InSplitter(y) ? LoadCursorA(Inst(), MAKEINTRESOURCEA(IDC_SPLIT_CURSOR)) : LoadCursor(nullptr, IDC_ARROW));
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (g_splitting) {
        DrawSplitBar(window, g_splitBar);
        ReleaseCapture();
        g_splitting = false;
        RECT rc;
        GetClientRect(window, &rc);
        int fileBottom = rc.bottom - g_voltaly.statusHeight;
        int span = rc.bottom - g_voltaly.statusHeight - g_voltaly.toolbarHeight - g_voltaly.headerHeight;
        if (span > 0) g_voltaly.filePaneShare = std::clamp((float)(fileBottom - g_splitBar + 2) / span, 0.05f, 0.95f);
        RelayoutWindow(window);
      }
      return 0;
    case WM_DEVICECHANGE:
      if (wParam == DBT_CONFIGCHANGED ||
          ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam &&
           ((DEV_BROADCAST_HDR*)lParam)->dbch_devicetype != DBT_DEVTYP_PORT)) {
        SetTimer(window, 0x7000 + (++g_voltaly.timerCounter % 0x800), 3000, DriveRefreshTimerProc);
      }
      return TRUE;
    case kMsgGetShellBrowser:
      return (LRESULT)GetCurrentFileBrowser();
    case kMsgShowFindResults:
      ShowFindResults();
      return 0;
    case kMsgFilePaneActivated:
      g_voltaly.filePaneActive = true;
      if (g_voltaly.filePane) SetFilePaneActive(g_voltaly.filePane, TRUE);
      UpdateTreeStatusBar(g_voltaly.currentNode);
      UpdateMenuAndToolbar(g_voltaly.currentNode, nullptr);
      return 0;
    case WM_DESTROY:
      OnDestroyMain(window);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Start-up

HWND CreateVoltalyMainWindow(HINSTANCE instance, const char* commandLine, int show) {
  g_voltaly.instance = instance;
  g_shuttingDown.store(FALSE);
  OpenZipLayerFlagFile(TRUE);
  // A folder on the command line (quotes and blanks around it dropped).
  char start[MAX_PATH] = "";
  if (commandLine) {
    while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
    snprintf(start, sizeof start, "%s", commandLine);
    size_t n = strlen(start);
    while (n > 0 && (start[n - 1] == ' ' || start[n - 1] == '\t')) start[--n] = 0;
    if (n >= 2 && start[0] == '"' && start[n - 1] == '"') {
      memmove(start, start + 1, n - 2);
      start[n - 2] = 0;
    }
  }
  g_startFolderGiven = FALSE;
  g_currentPath[0] = 0;
  DWORD attributes = start[0] ? GetFileAttributesA(start) : INVALID_FILE_ATTRIBUTES;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      SetCurrentDirectoryA(start)) {
    GetFullPathNameA(start, MAX_PATH, g_currentPath, nullptr);
    g_startFolderGiven = TRUE;
  }
  InitScanEngine();
  InstallLowerLayerAnswers();
  LoadStringA(instance, IDS_TITLE, g_voltaly.title, sizeof g_voltaly.title);
  if (!CheckOsVersion()) {
    seams::MessageBoxA(nullptr, LoadText(IDS_UNSUPPORTED_OS).c_str(), kProgramStrings[0], MB_OK | MB_ICONHAND);
    return nullptr;
  }
  WNDCLASSEXA wc{sizeof wc};
  wc.lpfnWndProc = VoltalineWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VOLTALY));
  wc.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_VOLTALY), IMAGE_ICON, 16, 16, 0);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = kProgramStrings[1];
  WNDCLASSA plain{};
  if (!GetClassInfoA(instance, kProgramStrings[1], &plain) && !RegisterClassExA(&wc)) {
    plain.lpfnWndProc = wc.lpfnWndProc;
    plain.hInstance = instance;
    plain.hIcon = wc.hIcon;
    plain.hCursor = wc.hCursor;
    plain.hbrBackground = wc.hbrBackground;
    plain.lpszClassName = wc.lpszClassName;
    if (!RegisterClassA(&plain)) return nullptr;
  }
  if (!InitItemIdServices()) {
    TraceMessage(1, "cannot get handle to IMALLOC function.");
    return nullptr;
  }
  g_voltaly.allocator = ShellAllocator();
  g_voltaly.desktop = DesktopFolder();
  LoadVoltalineSettings();
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT rect;
  bool defaultPosition = true;
  ComputeStartWindowRect(g_settings.windowRect, work.right - work.left, work.bottom - work.top,
                         GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), &rect, &defaultPosition);
  g_mainMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_VOLTALY_MAIN));
  HWND window = CreateWindowExA(0, kProgramStrings[1], g_voltaly.title, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                                defaultPosition ? CW_USEDEFAULT : rect.left, defaultPosition ? CW_USEDEFAULT : rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, g_mainMenu, instance, nullptr);
  if (!window) return nullptr;
  ShowWindow(window, show);
  if (!StartChangeFeed()) g_changeNotification = TRUE;
  EnumerateDriveNodes();
  SelectStartFolder(g_currentPath, TRUE);
  RelayoutWindow(window);
  UpdateWindow(window);
  return window;
}

void EndVoltalyRun() {
  ShutdownScanEngine();
  FreePaneDrawingObjects();
  EndItemIdServices();
  g_voltaly.allocator = nullptr;
  g_voltaly.desktop = nullptr;
  OpenZipLayerFlagFile(FALSE);
  RestoreZipLayerAtExit();
}

int VoltalineWinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  HRESULT ole = OleInitialize(nullptr);
  HWND window = CreateVoltalyMainWindow(instance, commandLine, show);
  if (!window) {
    if (SUCCEEDED(ole)) OleUninitialize();
    return 0;
  }
  g_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_VOLTALY));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (g_voltaly.filePaneActive && g_voltaly.filePane && TranslateViewAccelerator(g_voltaly.filePane, &msg)) continue;
    // No accelerators while a folder name is being edited: Delete, Ctrl+C and the others belong
    // to the edit box then.
    bool editing = g_voltaly.currentTree && SendMessageA(g_voltaly.currentTree, TVM_GETEDITCONTROL, 0, 0);
    if (g_voltaly.mainWindow && !editing && TranslateAcceleratorA(g_voltaly.mainWindow, g_accelerators, &msg)) continue;
    if (g_voltaly.lastFocusDialog && IsWindow(g_voltaly.lastFocusDialog) && IsDialogMessageA(g_voltaly.lastFocusDialog, &msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EndVoltalyRun();
  if (SUCCEEDED(ole)) OleUninitialize();
  return (int)msg.wParam;
}
