// The main window's procedure, creation and destruction.
#include "main_window.h"
#include "archive_folder.h"
#include "actions.h"
#include "navigation_history.h"
#include <commctrl.h>
#include <ole2.h>
#include <cstdio>
#include <cstring>
#include "command_handlers.h"
#include "command_line.h"
#include "command_table.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_watch.h"
#include "folder_tree.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "settings_store.h"
#include "startup.h"
#include "startup_shell.h"
#include "status_bar.h"
#include "toolbar.h"
#include "command_state.h"
#include "coolbar.h"
#include "favorites_commands.h"
#include "launch_bar.h"
#include "vfolder_entry.h"
#include "ftp_engine.h"
#include "ftp_folder_ui.h"
#include "window_utils.h"
#include "pane_drop_targets.h"
#include "sendto_menu.h"
#include "shell_new.h"
#include "shell_undo_host.h"

DWORD g_replaceExplorer;

namespace {

UINT g_arcExtractMessage;  // "wm_arcextract", registered by the archive engine bindings
bool g_inPosChanged;

bool IsPaneWindow(HWND w) {
  for (const FilePane& p : FilePanes)
    if (w && (w == p.tree || w == p.list)) return true;
  return false;
}

void UpdateStatusForList(HWND list, BOOL withFolder) {
  UpdateStatusBar(g_frame.statusBar, list, withFolder);
}

HFONT CreateBarFont() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  LOGFONTA lf{};
  lf.lfHeight = -(8 * dpi / 72);
  lf.lfWeight = FW_NORMAL;
  strcpy(lf.lfFaceName, "MS Sans Serif");
  return CreateFontIndirectA(&lf);
}

void ApplyListFont() {
  LOGFONTA lf{};
  DWORD size = sizeof lf;
  static_assert(sizeof(LOGFONTA) == 60, "the stored list font");
  HFONT font = nullptr;
  if (ReadSettingBinary("Font", &lf, &size) && size == sizeof lf) {
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    font = CreateFontIndirectA(&lf);
  }
  g_frame.ownsListFont = font != nullptr;
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  g_frame.listFont = font;
  for (const FilePane& p : FilePanes) {
    if (p.list) SendMessageA(p.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (p.tree) SendMessageA(p.tree, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void OnSetFocus() {
  HWND edit = g_frame.commandLineEdit;
  if (g_frame.commandLineBar && IsWindowVisible(g_frame.commandLineBar) && g_commandLineFocus &&
      edit) {
    SetFocus(edit);
    return;
  }
  HWND target = g_frame.lastFocus;
  if (!target || !IsWindow(target) || !IsWindowVisible(target)) {
    const FilePane& p = FilePanes[ActivePaneIndex];
    target = p.treeShown && p.tree ? p.tree : p.list;
  }
  if (target && IsWindow(target)) SetFocus(target);
}

void ForwardToChildren(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND targets[] = {FilePanes[0].tree, FilePanes[1].tree, FilePanes[0].list,
                    FilePanes[1].list, g_frame.toolbar,   g_frame.launchBar,
                    g_frame.driveBar,  g_frame.statusBar, g_frame.commandLineBar,
                    g_frame.viewer[0], g_frame.viewer[1], FilePanes[0].titlebar,
                    FilePanes[1].titlebar};
  for (HWND w : targets)
    if (w && IsWindow(w)) SendMessageA(w, message, wParam, lParam);
}

// The Go menu carries the active pane's history; the Favorites menu's entries and the shell's
// New submenu are built by their own areas.
void OnInitMenuPopup(HMENU popup, UINT position) {
  if (position == 0) {
    // The File menu: the New submenu takes its place at the top.
    if (g_mainWindow && GetSubMenu(GetMenu(g_mainWindow), 0) == popup) AttachNewSubmenu(popup);
    return;
  }
  char first[100] = "", back[100] = "";
  GetMenuStringA(popup, 0, first, sizeof first, MF_BYPOSITION);
  LoadStringA(g_instance, IDS_GO_BACK, back, sizeof back);
  if (back[0] && lstrcmpiA(first, back) == 0) BuildHistoryMenu(popup, ActivePaneIndex);
  else FillMenuBarFavorites(popup);
}

}  // namespace

const char* KeyboardSchemeResourceName(UINT scheme) {
  switch (scheme) {
    case 1: return "XTREE";
    case 2: return "COMMANDER";
    default: return g_className[0] ? g_className : "KESTRALVIEWS";
  }
}

void LoadKeyboardSchemeMenus(UINT scheme) {
  if (scheme > 2) scheme = 0;
  const char* name = KeyboardSchemeResourceName(scheme);
  HMENU menu = LoadMenuA(g_instance, name);
  if (menu) {
    if (IsNT) {
      // The start-up disk of Windows 9x has no place on NT.
      HMENU tools = GetSubMenu(menu, 7);
      if (tools && GetMenuItemID(tools, 11) == ID_TOOLS_STARTUP_DISK) RemoveMenu(tools, 11, MF_BYPOSITION);
    }
    HMENU old = g_mainWindow ? GetMenu(g_mainWindow) : nullptr;
    if (g_mainWindow) SetMenu(g_mainWindow, menu);
    if (old && old != menu) DestroyMenu(old);
  }
  HACCEL table = LoadAcceleratorsA(g_instance, name);
  if (table) {
    if (g_accelerators) DestroyAcceleratorTable(g_accelerators);
    g_accelerators = table;
  }
}

LRESULT OnCreateMainWindow(HWND window) {
  g_mainWindow = window;
  SetFtpMainWindow(window);
  InstallFtpFolderUi();
  g_frame.edgeX = GetSystemMetrics(SM_CXEDGE);
  g_frame.edgeY = GetSystemMetrics(SM_CYEDGE);
  if (!g_frame.edgeX) g_frame.edgeX = 2;
  if (!g_frame.edgeY) g_frame.edgeY = 2;
  g_frame.barFont = CreateBarFont();
  g_frame.commonControlsEx = InitCommonControlsCompat() ? TRUE : FALSE;
  g_frame.commonControls580 = GetDllVersion("comctl32.dll") >= 0x50050;

  g_paneServices.updateStatusBar = UpdateStatusForList;
  g_paneServices.updateTitlebars = UpdatePaneTitlebars;

  CreateFolderTree(window, 0);
  CreateFolderTree(window, 1);
  CreateFileList(window, 0);
  CreateFileList(window, 1);
  CreatePaneTitlebar(window, 0);
  CreatePaneTitlebar(window, 1);

  g_toolbarTipText = GetToolbarTipText;
  CreateShellUiBars(window);
  g_paneServices.updateCommandStates = UpdateCommandStates;
  CreateDriveBarAndAddressCombo(window);
  RegisterMainWindowDropTargets();
  g_frame.statusBar = CreateStatusBar(window);
  CreateCommandLineBar(window, g_frame.barFont);
  CreateLaunchBar(window);
  StartStartMenuWatcher();

  if (g_frame.commonControlsEx) {
    g_frame.coolbar = CreateWindowExA(
        0, REBARCLASSNAMEA, nullptr,
        WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT | CCS_NODIVIDER |
            CCS_NOPARENTALIGN,
        0, 0, 1600, 10, window, nullptr, g_instance, nullptr);
  }
  InitCoolbarExtras();
  UpdateBarStylesForCoolbar();

  ApplyListFont();

  if (FAILED(SHGetDesktopFolder(&g_frame.desktop))) g_frame.desktop = nullptr;
  CreateHiddenShellView(window, g_frame.desktop);

  const FilePane& active = FilePanes[ActivePaneIndex];
  g_frame.lastFocus = active.tree ? active.tree : active.list;

  InstallArchiveFolders();
  if (GetLiveOptions().viewerShown && !CreateMainViewerPane(window)) GetLiveOptions().viewerShown = 0;

  if (!g_frame.commonControls580) PostMessageA(window, WM_USER + 107, 0, 0);
  return 0;
}

void SaveAllSettings(HWND window) {
  // A window the shell opened on a folder, still showing it, stores that folder's layout instead.
  if (SaveViewRecordForShellFolder()) return;
  GlobalSettings global;
  CollectGlobalSettings(&global, window);
  SaveGlobalSettings(global);
  SaveFtpSettings();
  FilePanesSettings panes;
  DefaultPanesSettings(&panes);
  CollectPanesSettings(&panes);
  panes.splitRatio = ClampRatio(panes.splitRatio, kDefaultSplitRatio);
  g_paneLayout.ratio = panes.splitRatio;
  SavePanesSettings(panes);
  SaveCoolbarLayout();
}

void OnDestroyMainWindow(HWND window) {
  g_frame.closing = 1;
  if (g_frame.barFont) DeleteObject(g_frame.barFont);
  g_frame.barFont = nullptr;
  ReleaseMainWindowDropTargets();
  DestroyHiddenShellView();
  HWND dropWindows[] = {FilePanes[0].list, FilePanes[1].list, FilePanes[0].tree,
                        FilePanes[1].tree, g_frame.driveBar,  g_frame.launchBar};
  for (HWND w : dropWindows)
    if (w && IsWindow(w)) RevokeDragDrop(w);
  for (UINT_PTR timer : {30000, 32000, 30001, 32001}) KillTimer(window, timer);
  for (int pane = 0; pane < 2; ++pane)
    if (FilePanes[pane].viewId == kViewDetails) SavePaneColumnWidths(pane);
  DeleteHeaderArrowBitmaps();
  DestroyMainViewerPane();
  WriteSettingDword("Replace MS Explorer", &g_replaceExplorer);
  SaveCommandLineHistory();
  LiveOptions& options = GetLiveOptions();
  if (options.saveOnExit) SaveAllSettings(window);
  DetachBarsFromCoolbar();
  SaveAndFreeLaunchBar();
  SaveSaveOnExit();
  FreeNavigationHistory();
  ShutdownArchiveFolders();
  QuitHelp(window);
  if (g_frame.desktop) g_frame.desktop->Release();
  g_frame.desktop = nullptr;
  PostQuitMessage(0);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!g_arcExtractMessage) g_arcExtractMessage = RegisterWindowMessageA("wm_arcextract");
  if (message == g_arcExtractMessage)
    return OnArcExtractProgress(window, message, wParam, lParam);

  switch (message) {
    case WM_CREATE:
      return OnCreateMainWindow(window);
    case WM_DESTROY:
      OnDestroyMainWindow(window);
      return 0;
    case WM_NCDESTROY:
      // The children are gone now. Something on the way (a child's own clean-up or the shell)
      // may have taken the quit message posted at WM_DESTROY off the queue: post it again.
      PostQuitMessage(0);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
      LayoutMainWindow(window, message, static_cast<UINT>(wParam), LOWORD(lParam),
                       HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_SYSCOLORCHANGE:
      RebuildHeaderArrowBitmaps();
      ForwardToChildren(message, wParam, lParam);
      return 0;
    case WM_SETTINGCHANGE:
      // The panes read their folders again when folder refreshing is part of the program.
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETCURSOR:
      if (HIWORD(lParam) == WM_LBUTTONDOWN || HIWORD(lParam) == WM_RBUTTONDOWN) {
        HWND over = reinterpret_cast<HWND>(wParam);
        bool inAddress = over && (over == g_frame.addressCombo || over == g_frame.addressTree ||
                                  (g_frame.addressCombo && IsChild(g_frame.addressCombo, over)));
        if (!inAddress && g_frame.addressTree && IsWindowVisible(g_frame.addressTree) &&
            g_frame.lastFocus && IsWindow(g_frame.lastFocus))
          SetFocus(g_frame.lastFocus);
        if (ArchiveBusy && HIWORD(lParam) == WM_LBUTTONDOWN && g_frame.archiveCancelButton &&
            over == g_frame.archiveCancelButton)
          ArchiveCancelled = 1;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.y = 7 * GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION);
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_WINDOWPOSCHANGED: {
      if (!g_inPosChanged) {
        g_inPosChanged = true;
        if (!IsIconic(window) && !IsZoomed(window)) {
          RECT r;
          if (GetWindowRect(window, &r)) GetLiveOptions().normalRect = r;
        }
        g_inPosChanged = false;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_INITMENU: {
      char undo[100];
      g_shellUndoText[0] = 0;
      if (GetShellUndoText(undo)) snprintf(g_shellUndoText, sizeof g_shellUndoText, "%s", undo);
      UpdateMenuStates(window, reinterpret_cast<HMENU>(wParam));
      return 0;
    }
    case WM_MEASUREITEM:
      // The Send To menu while it exists, else the favorites menus.
      if (MeasureSendToMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      if (OnFolderMenuMeasure(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_DRAWITEM:
      if (DrawSendToMenuItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      if (OnFolderMenuDraw(reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_INITMENUPOPUP:
      if (!HIWORD(lParam)) OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam));
      return 0;
    case WM_COPYDATA:
      return OnSiblingCopyData(window, wParam, lParam);
    case WM_DEVICECHANGE:
      return OnDeviceChange(window, wParam, lParam);
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (g_frame.closing || !header) return 0;
      LRESULT answer = 0;
      if (OnActionsNotify(window, header, &answer)) return answer;
      if (OnShellUiNotify(window, header, &answer)) return answer;
      if ((header->code == LVN_BEGINDRAG || header->code == LVN_BEGINRDRAG) &&
          (header->idFrom == kListIdPane0 || header->idFrom == kListIdPane1)) {
        BeginListDrag(window, PaneIndexOfWindow(header->hwndFrom), reinterpret_cast<NMLISTVIEW*>(lParam));
        return 0;
      }
      BOOL handled = FALSE;
      LRESULT result = OnPaneNotify(window, static_cast<int>(header->idFrom), header, &handled);
      return handled ? result : 0;
    }
    case WM_COMMAND:
      return DispatchCommand(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        if (ArchiveBusy || (g_frame.archiveCancelButton && IsWindow(g_frame.archiveCancelButton)))
          return 0;
        if (!ConfirmFtpExit(window)) return 0;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_MOUSEWHEEL:
      return HandleMouseWheel(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      TrackSplitterDrag(window, message, wParam, {static_cast<short>(LOWORD(lParam)),
                                                 static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_LBUTTONDOWN:
      BeginSplitterDrag(window, message, wParam, {static_cast<short>(LOWORD(lParam)),
                                                 static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_LBUTTONUP:
      EndSplitterDrag(window, message, wParam, {static_cast<short>(LOWORD(lParam)),
                                               static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_CAPTURECHANGED:
      CancelSplitterDrag(window);
      return 0;
    case WM_USER + 101:
      return OnInstanceAnnounce(window, message, wParam, lParam);
    case WM_USER + 102:
      return RebuildDriveBarMessage(window, message, wParam, lParam);
    case WM_USER + 104:
      return ClearViewerPane(window, message, wParam, lParam);
    case WM_USER + 106:
      return OnViewerRefreshRequest(window, message, wParam, lParam);
    case WM_USER + 107:
      return OfferCommonControlsUpdate(window, message, wParam, lParam);
    case 2133:
      return OnViewerOpenRequest(window, message, wParam, lParam);
    default:
      break;
  }
  if (g_wheelMessage && message == g_wheelMessage && !IsNT && !Is98)
    return HandleMouseWheel(window, message, wParam, lParam);
  (void)IsPaneWindow;
  return DefWindowProcA(window, message, wParam, lParam);
}
