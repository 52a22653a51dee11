// The shell's side of the found files: their context menu and clipboard verbs, made through the
// root folder of their drive so that files from many folders of one drive act together, and
// opening a found file's folder in the file manager.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cctype>
#include <string>
#include <vector>

#include "finder.h"
#include "path_list_data.h"
#include "resource.h"
#include "seams.h"
#include "sendto_menu.h"
#include "settings_store.h"

namespace {

// The selection's item ids below the root of their one drive, and that root's folder.
struct SelectionIds {
  IShellFolder* root = nullptr;
  std::vector<LPITEMIDLIST> ids;
  ~SelectionIds() {
    for (LPITEMIDLIST id : ids) CoTaskMemFree(id);
    if (root) root->Release();
  }
};

bool GetSelectedItemIds(SelectionIds* out) {
  std::vector<std::string> paths = SelectedResultPaths();
  if (paths.empty()) return false;
  const char drive = static_cast<char>(toupper(static_cast<unsigned char>(paths[0][0])));
  for (const std::string& p : paths)
    if (p.size() < 3 || toupper(static_cast<unsigned char>(p[0])) != drive) return false;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  wchar_t rootName[4] = {static_cast<wchar_t>(drive), L':', L'\\', 0};
  LPITEMIDLIST rootId = nullptr;
  bool ok = SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, rootName, nullptr, &rootId, nullptr)) &&
            SUCCEEDED(desktop->BindToObject(rootId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&out->root)));
  if (rootId) CoTaskMemFree(rootId);
  desktop->Release();
  if (!ok) return false;
  for (const std::string& p : paths) {
    if (p.size() <= 3) continue;
    wchar_t wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, p.c_str() + 3, -1, wide, MAX_PATH)) continue;
    LPITEMIDLIST id = nullptr;
    if (SUCCEEDED(out->root->ParseDisplayName(nullptr, nullptr, wide, nullptr, &id, nullptr))) out->ids.push_back(id);
  }
  return !out->ids.empty();
}

IContextMenu* SelectionMenu(SelectionIds* ids) {
  if (!GetSelectedItemIds(ids)) return nullptr;
  IContextMenu* menu = nullptr;
  ids->root->GetUIObjectOf(g_finder.main, static_cast<UINT>(ids->ids.size()),
                           const_cast<LPCITEMIDLIST*>(reinterpret_cast<LPITEMIDLIST*>(ids->ids.data())),
                           IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu));
  return menu;
}

// The selection as Send To hands it to an entry: the files by path.
IDataObject* SelectionData(HWND, void*) {
  std::vector<std::string> paths = SelectedResultPaths();
  return paths.empty() ? nullptr : CreatePathListData(paths);
}

}  // namespace

bool ShowResultContextMenu(POINT screen) {
  SelectionIds ids;
  IContextMenu* menu = SelectionMenu(&ids);
  if (!menu) return false;
  HMENU popup = CreatePopupMenu();
  bool shown = false;
  // The shell's commands stay below the Send To menu's ids.
  if (popup && SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, kFinderSendToFirst - 1, CMF_NORMAL))) {
    shown = true;
    SendToMenuOptions options;
    options.firstId = kFinderSendToFirst;
    options.lastId = kFinderSendToLast;
    std::string empty = FinderString(IDS_SEND_TO_EMPTY);
    options.emptyText = empty.c_str();
    HMENU sendTo = PlaceSendToMenu(popup, options, FinderString(IDS_SEND_TO_ITEM).c_str());
    UINT chosen = static_cast<UINT>(seams::TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                                            g_finder.main, nullptr));
    if (sendTo && chosen >= kFinderSendToFirst && chosen <= kFinderSendToLast) {
      FindSendToMenuItem(g_finder.main, sendTo, chosen, SelectionData, nullptr);
      RefreshResultItems(true);
    } else if (chosen) {
      CMINVOKECOMMANDINFO info{};
      info.cbSize = sizeof info;
      info.hwnd = g_finder.main;
      info.lpVerb = MAKEINTRESOURCEA(chosen - 1);
      info.nShow = SW_SHOWNORMAL;
      menu->InvokeCommand(&info);
      RefreshResultItems(true);
    }
    // The popup destroys the Send To menu with it.
    if (sendTo) ReleaseSendToMenu(nullptr);
  }
  if (popup) DestroyMenu(popup);
  menu->Release();
  return shown;
}

bool InvokeResultVerb(const char* verb) {
  SelectionIds ids;
  IContextMenu* menu = SelectionMenu(&ids);
  if (!menu) return false;
  HMENU popup = CreatePopupMenu();
  bool ok = false;
  if (popup && SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 32767, CMF_EXPLORE))) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = g_finder.main;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    ok = SUCCEEDED(menu->InvokeCommand(&info));
  }
  if (popup) DestroyMenu(popup);
  menu->Release();
  return ok;
}

bool OpenFocusedFolderInFileManager() {
  int focused = ListView_GetNextItem(g_finder.list, -1, LVNI_FOCUSED | LVNI_SELECTED);
  if (focused < 0) focused = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED);
  if (focused < 0) return false;
  std::string folder = ResultColumnText(focused, 7);
  char install[MAX_PATH] = {};
  if (!ReadInstallDir(install)) return false;
  std::string program = install;
  if (!program.empty() && program.back() != '\\') program += '\\';
  program += "JQNAVIG.EXE";
  // The folder as the file manager takes a start folder: no closing backslash but a root's.
  std::string parameters = folder;
  if (parameters.size() > 3 && parameters.back() == '\\') parameters.pop_back();
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.hwnd = g_finder.main;
  sei.lpFile = program.c_str();
  sei.lpParameters = parameters.c_str();
  sei.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&sei) != FALSE;
}
