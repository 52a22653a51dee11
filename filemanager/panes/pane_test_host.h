// A top-level window that hosts the two panes' trees and lists as the main window does, routing
// their notifications to OnPaneNotify, for the panes' tests.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "settings_store.h"
#include "startup.h"
#include "test_support.h"

namespace panetest {

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    BOOL handled = FALSE;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    LRESULT result = OnPaneNotify(window, static_cast<int>(header->idFrom), header, &handled);
    if (handled) return result;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Shows a hidden drive letter nowhere: Z: (the host's file system) is always left out.
inline void HideWineRootDrive() {
  DefaultDriveFilters(&GetLiveOptions().driveFilters);
  GetLiveOptions().driveFilters.driveMask &= ~(1u << ('Z' - 64));
}

class PaneHost {
 public:
  PaneHost() {
    ApplyDefaultGlobalSettings();
    HideWineRootDrive();
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PaneTestHost";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&init);
    jqtest::WaitForShellDrives();  // the trees list the drives the shell lists
    window = CreateWindowExA(0, "PaneTestHost", "panes", WS_OVERLAPPEDWINDOW, 0, 0, 900, 600,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    g_mainWindow = window;
    memset(FilePanes, 0, sizeof FilePanes);
    ActivePaneIndex = 0;
    for (int pane = 0; pane < 2; ++pane) {
      CreateFolderTree(window, pane);
      CreateFileList(window, pane);
      FilePanes[pane].viewId = kViewList;
      FilePanes[pane].treeShown = FilePanes[pane].listShown = 1;
      FilePanes[pane].treeWidth = 220;
      MoveWindow(FilePanes[pane].tree, pane * 450, 0, 200, 560, TRUE);
      MoveWindow(FilePanes[pane].list, pane * 450 + 203, 0, 245, 560, TRUE);
      IShellFolder* desktop = nullptr;
      SHGetDesktopFolder(&desktop);
      FillFolderTree(FilePanes[pane].tree, desktop, nullptr, TVI_ROOT, 0);
      desktop->Release();
    }
  }
  ~PaneHost() {
    DestroyWindow(window);
    g_mainWindow = nullptr;
    memset(FilePanes, 0, sizeof FilePanes);
    jqtest::PumpPending();
  }
  HWND tree(int pane = 0) const { return FilePanes[pane].tree; }
  HWND list(int pane = 0) const { return FilePanes[pane].list; }

  // Selects a folder in the pane's tree; the list follows through the tree's notification.
  bool Browse(const std::string& path, int pane = 0) {
    return SelectTreePath(tree(pane), path.c_str(), TRUE) != nullptr;
  }
  int Count(int pane = 0) const { return static_cast<int>(SendMessageA(list(pane), LVM_GETITEMCOUNT, 0, 0)); }
  std::string Text(int index, int column, int pane = 0) const {
    char text[MAX_PATH] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(list(pane), LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  // Names of the list's items in order (the up entry reads as "").
  std::vector<std::string> Names(int pane = 0) const {
    std::vector<std::string> names;
    for (int i = 0; i < Count(pane); ++i) names.push_back(Text(i, 0, pane));
    return names;
  }
  // Clicks a column header with the mouse messages a user's click sends.
  void ClickHeader(int column, int pane = 0) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list(pane), LVM_GETHEADER, 0, 0));
    RECT box{};
    SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&box));
    LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    SendMessageA(header, WM_MOUSEMOVE, 0, at);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
    jqtest::PumpPending();
  }

  HWND window = nullptr;
  jqtest::TestRegistry registry;
};

}  // namespace panetest
