// Command 40033: the Preferences sheet, then the options stored and the window brought up to
// date.
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include "command_handlers.h"
#include "drive_bar.h"
#include "file_list.h"
#include "file_pane.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "pane_refresh.h"
#include "preferences.h"
#include "program_values.h"
#include "resource.h"
#include "settings_store.h"
#include "status_bar.h"
#include "toolbar.h"

namespace {

// Copies every option the pages control into a "Global Settings" record, so that a confirmed
// sheet is stored whole even while settings are not saved on exit.
void CopyPageOptions(const LiveOptions& o, GlobalSettings* r) {
  // General.
  r->titleFullPath = o.titleFullPath;
  r->titlePathFirst = o.titlePathFirst;
  r->keepHiddenExtension = o.keepHiddenExtension;
  r->forceRefreshAfterOps = o.forceRefreshAfterOps;
  r->colorCompressed = o.colorCompressed;
  r->compressedColor = o.compressedColor;
  r->toolbarScrolls = o.toolbarScrolls;
  r->toolbarScrollsCopy = o.toolbarScrollsCopy;
  r->driveBarScrolls = o.driveBarScrolls;
  r->floatingIconToolbar = o.floatingIconToolbar;
  r->resizableToolbar = o.resizableToolbar;
  // Lists.
  r->hideSystemFiles = o.hideSystemFiles;
  r->keepSelectionVisible = o.keepSelectionVisible;
  r->keepFolderVisible = o.keepFolderVisible;
  r->fullRowSelect = o.fullRowSelect;
  r->showUpEntry = o.showUpEntry;
  r->singleClickOpens = o.singleClickOpens;
  r->underlineAlways = o.underlineAlways;
  r->underlineHover = o.underlineHover;
  r->noDragExpand = o.noDragExpand;
  // Viewer.
  r->viewerTextDefault = o.viewerTextDefault;
  r->viewerDoubleClickOpens = o.viewerDoubleClickOpens;
  memcpy(r->editor, o.editor, sizeof r->editor);
  r->editor[sizeof r->editor - 1] = '\0';
  // Zip.
  r->zipConfirmDelete = o.zipConfirmDelete;
  r->zipBeepWhenDone = o.zipBeepWhenDone;
  r->zipOpenFromList = o.zipOpenFromList;
  r->noArchivesAsFolders = o.noArchivesAsFolders;
  // Command line.
  r->dosShowPath = o.dosShowPath;
  r->dosDeleteToRecycle = o.dosDeleteToRecycle;
  r->dosConfirm = o.dosConfirm;
  r->dosCopyFolders = o.dosCopyFolders;
  // Keyboard.
  r->keyboardScheme = o.keyboardScheme;
}

void SetWrapable(HWND bar, BOOL on) {
  if (!bar) return;
  LONG_PTR style = GetWindowLongPtrA(bar, GWL_STYLE);
  style = on ? (style | TBSTYLE_WRAPABLE) : (style & ~static_cast<LONG_PTR>(TBSTYLE_WRAPABLE));
  SetWindowLongPtrA(bar, GWL_STYLE, style);
}

}  // namespace

JQ_COMMAND_HANDLER(RunPreferences) {
  (void)message;
  (void)wParam;
  (void)lParam;
  LiveOptions& o = GetLiveOptions();
  // 1. What the window is built from.
  const uint32_t underlineAlways = o.underlineAlways, upEntry = o.showUpEntry, singleClick = o.singleClickOpens,
                 fullRow = o.fullRowSelect, underlineHover = o.underlineHover, coolbar = o.resizableToolbar,
                 flat = o.floatingIconToolbar;
  const DWORD replace = g_preferencesHost.replaceExplorer ? *g_preferencesHost.replaceExplorer : 0;
  g_sheetReplaceExplorer = replace;
  // 2.
  if (ShowPreferencesSheet(window) != 1) return 0;
  // 3. The stored record, with every option of the pages.
  GlobalSettings record;
  if (!LoadGlobalSettings(&record)) CollectGlobalSettings(&record, window);
  CopyPageOptions(o, &record);
  SaveGlobalSettings(record);
  // 4.
  if ((g_sheetReplaceExplorer != 0) != (replace != 0) && g_preferencesHost.setReplaceExplorer)
    g_preferencesHost.setReplaceExplorer(g_sheetReplaceExplorer);
  // 5.
  if (!o.resizableToolbar) {
    if (HWND toolbar = g_frame.toolbar) {
      SaveCurrentToolbar(toolbar, TRUE);
      SetWrapable(toolbar, o.toolbarScrolls);
      SaveCurrentToolbar(toolbar, FALSE);
    }
    SetWrapable(g_frame.driveBar, o.driveBarScrolls);
    g_frame.toolbarWraps = o.toolbarScrolls ? TRUE : FALSE;
    g_frame.driveBarWraps = o.driveBarScrolls ? TRUE : FALSE;
  }
  // 6.
  if (flat != o.floatingIconToolbar) {
    if (g_frame.toolbar) {
      SetToolbarStyle(g_frame.toolbar, o.floatingIconToolbar);
      InvalidateRect(g_frame.toolbar, nullptr, TRUE);
    }
    if (g_preferencesHost.updateLaunchBarStyle) g_preferencesHost.updateLaunchBarStyle(window);
    if (g_frame.launchBar) InvalidateRect(g_frame.launchBar, nullptr, TRUE);
  }
  // 7.
  if (g_frame.driveBar) RebuildDriveBar(g_frame.driveBar);
  // 8.
  if (g_preferencesHost.loadKeyboardSchemeMenus) g_preferencesHost.loadKeyboardSchemeMenus(o.keyboardScheme);
  // 9.
  if (fullRow != o.fullRowSelect || singleClick != o.singleClickOpens || underlineAlways != o.underlineAlways ||
      underlineHover != o.underlineHover)
    ApplyListExtendedStyles();
  // 10.
  RefreshToolbarStates();
  if (coolbar != o.resizableToolbar && g_preferencesHost.updateBarStylesForCoolbar)
    g_preferencesHost.updateBarStylesForCoolbar(window);
  // 11.
  if (!o.dosShowPath && g_frame.commandLineBar) {
    char prompt[51] = "";
    LoadStringA(g_instance ? g_instance : GetModuleHandleA(nullptr), IDS_DOS_PROMPT, prompt, sizeof prompt);
    SendMessageA(g_frame.commandLineBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(prompt));
  }
  // 12.
  RelayoutMainWindow(window, TRUE);
  // 13.
  if (upEntry != o.showUpEntry) ApplyUpEntryOption();
  // 14.
  if (FilePanes[0].tree) RefreshPaneTree(0, nullptr, TRUE);
  if (g_paneLayout.twoPanes && FilePanes[1].tree) RefreshPaneTree(1, nullptr, TRUE);
  return 0;
}
