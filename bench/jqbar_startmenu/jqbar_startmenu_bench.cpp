// The Start-menu bar's cascading menus over a Programs folder of many shortcuts:
//   jqbar_startmenu_bench.exe [folders=100] [shortcuts per folder=20] [rounds=3]
// "cold" opens every folder's menu with the menu cache emptied first (each menu is read from
// the disk, its shortcuts resolved); "warm" opens them again from the cache. The baseline, in the
// same run, enumerates the same folders with IShellFolder and resolves every shortcut with
// IShellLink. Prints "name: ours=... baseline=... ratio=..." lines.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../bench_measure.h"
#include "menu_bar_window.h"
#include "menu_cache.h"
#include "menu_window.h"
#include "shortcut_file.h"

using namespace jqbar;

namespace {

std::string MakeTree(int folders, int perFolder) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string root = std::string(temp) + "jqbar_startmenu_bench";
  CreateDirectoryA(root.c_str(), nullptr);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string target = std::string(windows) + "\\notepad.exe";
  for (int f = 0; f < folders; ++f) {
    std::string folder = root + "\\Folder" + std::to_string(f);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < perFolder; ++i) {
      std::string name = "Program " + std::to_string(i);
      if (GetFileAttributesA((folder + "\\" + name + ".lnk").c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateShortcutFile(folder.c_str(), name.c_str(), target.c_str(), nullptr, "-x", windows, 1, nullptr, 0,
                           nullptr);
    }
  }
  return root;
}

// The bare loop: each folder through the shell's folder object, each shortcut resolved.
int BareLoop(const std::string& root, int folders) {
  int resolved = 0;
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  for (int f = 0; f < folders; ++f) {
    std::string path = root + "\\Folder" + std::to_string(f);
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &pidl, nullptr))) continue;
    IShellFolder* folder = nullptr;
    desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    IEnumIDList* items = nullptr;
    if (folder && folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
      LPITEMIDLIST item = nullptr;
      while (items->Next(1, &item, nullptr) == S_OK) {
        STRRET ret{};
        WCHAR file[MAX_PATH] = {};
        if (SUCCEEDED(folder->GetDisplayNameOf(item, SHGDN_FORPARSING, &ret)) && ret.uType == STRRET_WSTR) {
          lstrcpynW(file, ret.pOleStr, MAX_PATH);
          CoTaskMemFree(ret.pOleStr);
        }
        IShellLinkW* link = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&link)))) {
          IPersistFile* persist = nullptr;
          if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            WCHAR target[MAX_PATH] = {};
            if (SUCCEEDED(persist->Load(file, STGM_READ)) &&
                SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY)) && target[0])
              ++resolved;
            persist->Release();
          }
          link->Release();
        }
        CoTaskMemFree(item);
      }
      items->Release();
    }
    if (folder) folder->Release();
    CoTaskMemFree(pidl);
  }
  desktop->Release();
  return resolved;
}

// Opens every folder's menu window under the bar and closes it again; returns the seconds spent
// opening (reading, building the entries and showing the window).
double OpenAll(MenuBarInstance* bar, int folders, int* entries) {
  double spent = 0;
  *entries = 0;
  RECT anchor{10, 10, 100, 30};
  for (int f = 0; f < folders; ++f) {
    MenuButton* button = FindMenuButton(bar, ("Folder" + std::to_string(f)).c_str());
    if (!button) continue;
    double start = Seconds();
    MenuWindowState* menu = OpenMenuWindow(button, nullptr, -1, nullptr, true, true, &anchor, nullptr, bar->window);
    spent += Seconds() - start;
    if (menu) {
      *entries += static_cast<int>(menu->items.size());
      CloseMenuWindow(menu);
    }
  }
  return spent;
}

}  // namespace

int main(int argc, char** argv) {
  int folders = argc > 1 ? std::atoi(argv[1]) : 100;
  int perFolder = argc > 2 ? std::atoi(argv[2]) : 20;
  int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  CoInitialize(nullptr);
  std::string root = MakeTree(folders, perFolder);
  SetProgramsFolderOverride(root);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterMenuBarPanelType(instance);
  HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 30, nullptr, nullptr, instance, nullptr);
  RECT rect{0, 0, 400, 25};
  HWND barWindow = CreateMenuBar(host, &rect, nullptr, 0);
  MenuBarInstance* bar = MenuBarOf(barWindow);

  double cold = 1e9, warm = 1e9, bare = 1e9;
  int coldEntries = 0, warmEntries = 0, resolved = 0;
  BareLoop(root, folders);  // the file system's own caches are warm for both sides
  for (int r = 0; r < rounds; ++r) {
    ClearMenuCache(true);
    cold = std::min(cold, OpenAll(bar, folders, &coldEntries));
    warm = std::min(warm, OpenAll(bar, folders, &warmEntries));
    double start = Seconds();
    resolved = BareLoop(root, folders);
    bare = std::min(bare, Seconds() - start);
  }
  std::printf("startmenu_cold_open: ours=%.4fs baseline=%.4fs ratio=%.2f (%d entries, %d resolved)\n", cold, bare,
              cold / bare, coldEntries, resolved);
  std::printf("startmenu_warm_open: ours=%.4fs baseline=%.4fs ratio=%.3f (%d entries)\n", warm, bare, warm / bare,
              warmEntries);
  DestroyWindow(host);
  ShutdownMenuBarType();
  CoUninitialize();
  return 0;
}
