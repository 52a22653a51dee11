// JQNavig's real main window in the test process: created as WinMain creates it, over private
// settings, with Z: (the host's file system) left out of the trees.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <string>
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "settings_store.h"
#include "startup.h"
#include "startup_settings.h"
#include "test_support.h"

namespace frametest {

// Keeps the start-up question about .zip files off: the window's tests do not answer it.
inline void QuietStartupQuestions() {
  DWORD one = 1;
  WriteSettingDword("No Zip Association Warning", &one);
}

class MainWindowHost {
 public:
  explicit MainWindowHost(bool twoPanes = false, int width = 900, int height = 640)
      : MainWindowHost(Prepare{}, twoPanes, width, height) {}
  // `prepare` runs inside the host's private registry before the window is made (stored values
  // the window reads at its creation).
  struct Prepare {
    std::function<void()> run;
  };
  explicit MainWindowHost(const Prepare& prepare, bool twoPanes = false, int width = 900, int height = 640) {
    if (prepare.run) prepare.run();
    jqtest::WaitForShellDrives();  // the trees list the drives the shell lists
    QuietStartupQuestions();
    LoadProgramStrings(GetModuleHandleA(nullptr));
    RegisterMainWindowClass(g_instance);
    LoadStartupSettings("");
    GetLiveOptions().driveFilters.driveMask &= ~(1u << ('Z' - 64));
    g_paneLayout.twoPanes = twoPanes;
    window = CreateWindowExA(0, g_className, g_title, WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                             nullptr, nullptr, g_instance, nullptr);
    g_mainWindow = window;
    ApplyStartupState(window, SW_SHOWNORMAL);
    // Start-up posts the tree rebuild; tests fill only what they browse.
    MSG m;
    while (PeekMessageA(&m, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    }
    jqtest::PumpPending();
  }
  ~MainWindowHost() { Close(); }
  void Close() {
    if (!window) return;
    if (IsWindow(window)) DestroyWindow(window);
    jqtest::PumpPending();
    window = nullptr;
    g_mainWindow = nullptr;
    memset(FilePanes, 0, sizeof FilePanes);
    g_frame = MainFrame{};
    g_paneLayout = {0, 1, 0.5f};
    ActivePaneIndex = 0;
  }
  LRESULT Command(UINT id) {
    LRESULT r = SendMessageA(window, WM_COMMAND, id, 0);
    jqtest::PumpPending();
    return r;
  }
  // A window's rectangle in the main window's client coordinates.
  RECT ClientRectOf(HWND w) const {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  bool Browse(const std::string& path, int pane = 0) {
    ActivePaneIndex = pane;
    if (!TreeView_GetRoot(FilePanes[pane].tree)) {
      IShellFolder* desktop = nullptr;
      SHGetDesktopFolder(&desktop);
      if (desktop) FillFolderTree(FilePanes[pane].tree, desktop, nullptr, TVI_ROOT, 0);
      if (desktop) desktop->Release();
    }
    bool found = SelectTreePath(FilePanes[pane].tree, path.c_str(), TRUE) != nullptr;
    // What the list posted, and its selection timer (a quarter of a second), have run.
    jqtest::PumpThroughQueue(300);
    return found;
  }
  std::string StatusText(int part) const {
    char text[512] = "";
    SendMessageA(g_frame.statusBar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
  }

  jqtest::TestRegistry registry;
  HWND window = nullptr;
};

inline std::string LoadText(UINT id) {
  char b[300] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, b, sizeof b);
  return b;
}

}  // namespace frametest
