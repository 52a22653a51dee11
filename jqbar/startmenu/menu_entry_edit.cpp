#include "menu_entry_edit.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "launch_buttons.h"
#include "menu_bar_window.h"
#include "menu_cache.h"
#include "panel_utils.h"
#include "resource_startmenu.h"
#include "seams.h"
#include "shortcut_file.h"
#include "shell_helpers.h"

namespace jqbar {

namespace {

std::string Full(const char* relative) {
  std::string programs = GetProgramsFolder();
  while (*relative == '\\') ++relative;
  return *relative ? programs + "\\" + relative : programs;
}

std::string ParentOf(const std::string& path) {
  std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? "" : path.substr(0, cut);
}

std::string LastOf(const std::string& path) {
  std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RecycleFile(const std::string& path) {
  std::string from = path;
  from.push_back(0);  // double terminator
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
  SHFileOperationA(&op);
}

void WarnNameInUse(HWND owner) {
  FrameMessageBox(owner, LoadResString(IDS_NAME_IN_USE), LoadResString(IDS_NAME_IN_USE),
                  MB_OK | MB_ICONWARNING);
}

std::string Format(UINT id, const char* name) {
  char text[600];
  wsprintfA(text, LoadResString(id), name);
  return text;
}

// The dialog of an entry (new item or its properties).
struct ItemDialog {
  MenuBarInstance* bar = nullptr;
  MenuButton* button = nullptr;
  std::string folder;   // the window's path: a relative folder, or a tree path
  std::string oldName;  // the entry's name in its folder (file name with extension for files)
  bool isNew = true;
  bool idList = false;
  EntryFields fields;
};

std::string GetText(HWND dialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

std::string BaseNameOf(const std::string& path) {
  std::string name = LastOf(path);
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

bool ApplyItemDialog(HWND dialog, ItemDialog* d) {
  EntryFields f = d->fields;
  f.label = GetText(dialog, IDC_ITEM_LABEL);
  if (!d->idList) {
    f.command = GetText(dialog, IDC_ITEM_COMMAND);
    f.startIn = GetText(dialog, IDC_ITEM_STARTIN);
    f.parameters = GetText(dialog, IDC_ITEM_PARAMETERS);
    char found[MAX_PATH] = {};
    if (IsProgramFile(f.command.c_str(), found, MAX_PATH)) {
      f.command = found;
    } else if (FrameMessageBox(dialog, LoadResString(IDS_NO_PROGRAM), LoadResString(IDS_NO_PROGRAM_CAPTION),
                               MB_YESNO | MB_ICONQUESTION) != IDYES) {
      return false;
    }
    if (!f.startIn.empty() && !FolderHasFiles(f.startIn.c_str()) &&
        FrameMessageBox(dialog, LoadResString(IDS_NO_STARTIN), LoadResString(IDS_NO_STARTIN_CAPTION),
                        MB_YESNO | MB_ICONQUESTION) != IDYES)
      return false;
    if (f.label.empty()) f.label = f.command.empty() ? "Unnamed" : BaseNameOf(f.command);
    if (f.label.empty()) f.label = "Unnamed";
    f.runMode = IsDlgButtonChecked(dialog, IDC_ITEM_MINIMISED) ? 7
                : IsDlgButtonChecked(dialog, IDC_ITEM_MAXIMISED) ? 3 : 1;
  }
  MenuButton* b = d->button;
  bool ok = false;
  if (d->isNew) {
    ok = b->userMenu ? SetPathTreeEntry(&b->tree, d->folder.c_str(), f.label.c_str(), f.command.c_str(),
                                        f.startIn.c_str(), f.parameters.c_str(), f.runMode,
                                        f.iconFile.c_str(), f.iconIndex, nullptr, 0) != 0
                     : CreateMenuEntryFile(d->folder.c_str(), f.label.c_str(), f.command.c_str(),
                                           f.startIn.c_str(), f.parameters.c_str(), f.runMode,
                                           f.iconFile.c_str(), f.iconIndex, nullptr, 0);
  } else if (d->idList) {
    if (f.label.empty()) return true;
    std::string newName = f.label;
    if (!b->userMenu) {
      std::size_t dot = d->oldName.rfind('.');
      if (dot != std::string::npos) newName += d->oldName.substr(dot);
    }
    ok = newName == d->oldName ||
         (b->userMenu ? RenamePathTreeEntry(&b->tree, d->folder.c_str(), d->oldName.c_str(), newName.c_str()) != 0
                      : RenameMenuEntryFile(d->folder.c_str(), d->oldName.c_str(), newName.c_str()));
  } else {
    ok = b->userMenu ? ReplaceTreeEntry(b, d->folder.c_str(), d->oldName.c_str(), f)
                     : ReplaceMenuEntryFile(d->folder.c_str(), d->oldName.c_str(), f);
  }
  if (!ok) {
    WarnNameInUse(dialog);
    return false;
  }
  NotifyMenuBarChanged(d->bar);
  return true;
}

INT_PTR CALLBACK MenuItemPropertiesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<ItemDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<ItemDialog*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      if (d->isNew) SetWindowTextA(dialog, LoadResString(IDS_NEW_ITEM_CAPTION));
      if (d->idList) SetWindowTextA(dialog, LoadResString(IDS_ITEM_ID_CAPTION));
      SetDlgItemTextA(dialog, IDC_ITEM_COMMAND, d->fields.command.c_str());
      SetDlgItemTextA(dialog, IDC_ITEM_STARTIN, d->fields.startIn.c_str());
      SetDlgItemTextA(dialog, IDC_ITEM_PARAMETERS, d->fields.parameters.c_str());
      SetDlgItemTextA(dialog, IDC_ITEM_LABEL, d->fields.label.c_str());
      int mode = d->fields.runMode;
      CheckRadioButton(dialog, IDC_ITEM_MINIMISED, IDC_ITEM_NORMAL,
                       (mode == 2 || mode == 7) ? IDC_ITEM_MINIMISED
                       : mode == 3              ? IDC_ITEM_MAXIMISED
                                                : IDC_ITEM_NORMAL);
      for (int id : {IDC_ITEM_COMMAND, IDC_ITEM_STARTIN, IDC_ITEM_PARAMETERS, IDC_ITEM_BROWSE,
                     IDC_ITEM_BROWSE_FOLDER})
        EnableWindow(GetDlgItem(dialog, id), !d->idList);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (ApplyItemDialog(dialog, d)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_ITEM_HELP:
          OpenHelpTopic(dialog, 75);
          return TRUE;
        case IDC_ITEM_BROWSE: {
          char file[MAX_PATH] = {};
          std::string title = LoadResString(IDS_BROWSE_PROGRAM);
          OPENFILENAMEA ofn{};
          ofn.lStructSize = sizeof ofn;
          ofn.hwndOwner = dialog;
          ofn.lpstrFile = file;
          ofn.nMaxFile = MAX_PATH;
          ofn.lpstrTitle = title.c_str();
          ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
          if (GetOpenFileNameA(&ofn)) {
            SetDlgItemTextA(dialog, IDC_ITEM_COMMAND, file);
            SetDlgItemTextA(dialog, IDC_ITEM_STARTIN, ParentOf(file).c_str());
            HICON icon = nullptr;
            if (ExtractIconExA(file, 0, &icon, nullptr, 1) > 0 && icon)
              SendDlgItemMessageA(dialog, IDC_ITEM_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            if (GetText(dialog, IDC_ITEM_LABEL).empty())
              SetDlgItemTextA(dialog, IDC_ITEM_LABEL, BaseNameOf(file).c_str());
          }
          return TRUE;
        }
        case IDC_ITEM_BROWSE_FOLDER: {
          std::string title = LoadResString(IDS_BROWSE_FOLDER);
          BROWSEINFOA info{};
          info.hwndOwner = dialog;
          info.lpszTitle = title.c_str();
          info.ulFlags = BIF_RETURNONLYFSDIRS;
          LPITEMIDLIST root = nullptr;
          SHGetSpecialFolderLocation(dialog, CSIDL_DRIVES, &root);
          info.pidlRoot = root;
          if (LPITEMIDLIST chosen = SHBrowseForFolderA(&info)) {
            char path[MAX_PATH] = {};
            if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_ITEM_STARTIN, path);
            CoTaskMemFree(chosen);
          }
          if (root) CoTaskMemFree(root);
          return TRUE;
        }
      }
      break;
  }
  return FALSE;
}

struct NameDialog {
  MenuBarInstance* bar = nullptr;
  MenuButton* button = nullptr;
  std::string folder;
  std::string oldName;  // empty: a new sub-menu
};

INT_PTR CALLBACK SubmenuNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<NameDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      d = reinterpret_cast<NameDialog*>(lParam);
      SetDlgItemTextA(dialog, IDC_MENU_NAME, d->oldName.c_str());
      SendDlgItemMessageA(dialog, IDC_MENU_NAME, EM_LIMITTEXT, 200, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        std::string name = GetText(dialog, IDC_MENU_NAME);
        if (name.empty()) {
          FrameMessageBox(dialog, LoadResString(IDS_NAME_EMPTY), LoadResString(IDS_NAME_EMPTY), MB_OK | MB_ICONWARNING);
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        if (name == d->oldName) {
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        MenuButton* b = d->button;
        bool ok;
        if (d->oldName.empty()) {
          std::string path = d->folder.empty() ? name : d->folder + "\\" + name;
          ok = b->userMenu ? AddPathTreeFolder(&b->tree, path.c_str()) != 0 : CreateMenuFolder(path.c_str());
        } else {
          ok = b->userMenu ? RenamePathTreeEntry(&b->tree, d->folder.c_str(), d->oldName.c_str(), name.c_str()) != 0
                           : RenameMenuEntryFile(d->folder.c_str(), d->oldName.c_str(), name.c_str());
        }
        if (!ok) {
          WarnNameInUse(dialog);
          return TRUE;
        }
        NotifyMenuBarChanged(d->bar);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void DeleteMenuEntryFile(const char* path) {
  std::string full = Full(path);
  RecycleFile(full);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, ParentOf(full).c_str(), nullptr);
}

bool CreateMenuFolder(const char* path) {
  std::string full = Full(path);
  if (!CreateDirectoryA(full.c_str(), nullptr)) return false;
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, full.c_str(), nullptr);
  return true;
}

bool CreateMenuEntryFile(const char* folder, const char* name, const char* command,
                         const char* startIn, const char* parameters, int runMode,
                         const char* iconFile, int iconIndex, const void* target, int isShortcut) {
  std::string dir = Full(folder);
  bool ok;
  if (isShortcut) {
    const auto* url = static_cast<const UrlShortcut*>(target);
    UrlShortcut named{name ? name : "", url ? url->url : ""};
    ok = url && !Exists(dir + "\\" + name + ".url") && WriteUrlShortcutFile(&named, dir.c_str(), nullptr) != 0;
  } else {
    // An existing shortcut of that name is another entry: it is not overwritten.
    ok = !Exists(dir + "\\" + name + ".lnk") &&
         CreateShortcutFile(dir.c_str(), name, command, nullptr, parameters, startIn, runMode,
                            iconFile, iconIndex, static_cast<LPCITEMIDLIST>(target)) != 0;
  }
  if (ok) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, dir.c_str(), nullptr);
  return ok;
}

bool RenameMenuEntryFile(const char* folder, const char* oldName, const char* newName) {
  std::string dir = Full(folder);
  std::string from = dir + "\\" + oldName, to = dir + "\\" + newName;
  if (!MoveFileA(from.c_str(), to.c_str())) return false;
  SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA, from.c_str(), nullptr);
  SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, to.c_str(), nullptr);
  return true;
}

bool MoveMenuEntryFile(const char* path, const char* destinationFolder) {
  std::string from = Full(path);
  std::string to = Full(destinationFolder) + "\\" + LastOf(from);
  if (lstrcmpiA(from.c_str(), to.c_str()) == 0) return true;
  if (!MoveFileA(from.c_str(), to.c_str())) return false;
  SHChangeNotify(SHCNE_DELETE, SHCNF_PATHA, from.c_str(), nullptr);
  SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, to.c_str(), nullptr);
  return true;
}

bool ReplaceMenuEntryFile(const char* folder, const char* oldFile, const EntryFields& f) {
  std::string dir = Full(folder);
  std::string old = dir + "\\" + oldFile;
  std::string final = dir + "\\" + f.label + ".lnk";
  if (!Exists(old)) return false;
  // Another entry already has the new name.
  if (Exists(final) && lstrcmpiA(final.c_str(), old.c_str()) != 0) return false;
  std::string tempName = f.label + ".$new";
  std::string temp = dir + "\\" + tempName + ".lnk";
  DeleteFileA(temp.c_str());
  if (!CreateShortcutFile(dir.c_str(), tempName.c_str(), f.command.c_str(), nullptr,
                          f.parameters.c_str(), f.startIn.c_str(), f.runMode, f.iconFile.c_str(),
                          f.iconIndex, nullptr))
    return false;
  std::string aside = old + "$";
  DeleteFileA(aside.c_str());
  if (!MoveFileA(old.c_str(), aside.c_str())) {
    DeleteFileA(temp.c_str());
    return false;
  }
  if (!MoveFileA(temp.c_str(), final.c_str())) {
    MoveFileA(aside.c_str(), old.c_str());
    DeleteFileA(temp.c_str());
    return false;
  }
  RecycleFile(aside);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, dir.c_str(), nullptr);
  return true;
}

bool ReplaceTreeEntry(MenuButton* button, const char* folderPath, const char* oldName,
                      const EntryFields& f) {
  auto* e = new MenuEntry;
  e->name = f.label;
  e->command = f.command;
  e->startIn = f.startIn;
  e->parameters = f.parameters;
  e->runMode = f.runMode;
  e->iconFile = f.iconFile;
  e->hasIcon = f.iconFile.empty() ? 0 : 1;
  e->iconIndex = f.iconIndex;
  if (!ReplacePathTreeEntry(&button->tree, folderPath, oldName, e)) {
    FreeMenuEntries(e);
    return false;
  }
  return true;
}

bool AcceptsMenuDrops(const MenuButton* button) {
  return button && !(button->flags & kButtonSpecialFolder) && !(button->flags & 4) &&
         !IsCommonButton(*button);
}

bool DropFileOnMenuButton(MenuBarInstance* bar, MenuButton* button, const char* path,
                          const char* into) {
  if (!AcceptsMenuDrops(button) || !path || !*path) return false;
  std::string file = path;
  std::string ext = LastOf(file);
  std::size_t dot = ext.rfind('.');
  ext = dot == std::string::npos ? "" : ext.substr(dot);
  std::string folder = into ? into : button->userMenu ? "" : button->name;
  bool ok = false;
  if (lstrcmpiA(ext.c_str(), ".lnk") == 0) {
    ShortcutInfo parts;
    ReadShortcutFile(path, &parts, true);
    LPCITEMIDLIST target = parts.target.empty() ? parts.item.get() : nullptr;
    ok = button->userMenu
             ? SetPathTreeEntry(&button->tree, folder.c_str(), parts.baseName.c_str(), parts.target.c_str(),
                                parts.startIn.c_str(), parts.arguments.c_str(), parts.showCommand,
                                parts.iconFile.c_str(), parts.iconIndex, target, 0) != 0
             : CreateMenuEntryFile(folder.c_str(), parts.baseName.c_str(), parts.target.c_str(),
                                   parts.startIn.c_str(), parts.arguments.c_str(), parts.showCommand,
                                   parts.iconFile.c_str(), parts.iconIndex, target, 0);
  } else if (lstrcmpiA(ext.c_str(), ".url") == 0) {
    char url[2048] = {};
    GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof url, path);
    if (!url[0]) return false;
    UrlShortcut shortcut{BaseNameOf(file), url};
    ok = button->userMenu
             ? SetPathTreeEntry(&button->tree, folder.c_str(), shortcut.name.c_str(), nullptr, nullptr, nullptr, 1,
                                nullptr, 0, &shortcut, 1) != 0
             : CreateMenuEntryFile(folder.c_str(), shortcut.name.c_str(), nullptr, nullptr, nullptr, 1,
                                   nullptr, 0, &shortcut, 1);
  } else {
    std::string startIn = ParentOf(file);
    if (startIn.size() == 2 && startIn[1] == ':') startIn += '\\';
    std::string name = BaseNameOf(file);
    ok = button->userMenu
             ? SetPathTreeEntry(&button->tree, folder.c_str(), name.c_str(), path, startIn.c_str(), "", 5, "", 0,
                                nullptr, 0) != 0
             : CreateMenuEntryFile(folder.c_str(), name.c_str(), path, startIn.c_str(), "", 5, "", 0,
                                   nullptr, 0);
  }
  if (ok) NotifyMenuBarChanged(bar);
  return ok;
}

bool DropIdListOnMenuButton(MenuBarInstance* bar, MenuButton* button, LPCITEMIDLIST absolute,
                            const char* into) {
  if (!AcceptsMenuDrops(button) || !absolute) return false;
  SHFILEINFOA info{};
  SHGetFileInfoA(reinterpret_cast<const char*>(absolute), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_DISPLAYNAME);
  if (!info.szDisplayName[0]) return false;
  char name[MAX_PATH];
  lstrcpynA(name, info.szDisplayName, MAX_PATH);
  StripIllegalFileNameChars(name);
  std::string folder = into ? into : button->userMenu ? "" : button->name;
  bool ok = button->userMenu
                ? SetPathTreeEntry(&button->tree, folder.c_str(), name, "", "", "", 5, "", 0, absolute, 0) != 0
                : CreateMenuEntryFile(folder.c_str(), name, "", "", "", 5, "", 0, absolute, 0);
  if (ok) NotifyMenuBarChanged(bar);
  return ok;
}

bool DropUrlOnMenuButton(MenuBarInstance* bar, MenuButton* button, const UrlShortcut& url) {
  if (!AcceptsMenuDrops(button) || url.url.empty()) return false;
  char name[MAX_PATH];
  lstrcpynA(name, url.name.empty() ? url.url.c_str() : url.name.c_str(), MAX_PATH);
  StripIllegalFileNameChars(name);
  UrlShortcut shortcut{name, url.url};
  bool ok = button->userMenu
                ? SetPathTreeEntry(&button->tree, "", name, nullptr, nullptr, nullptr, 5, nullptr, 0,
                                   &shortcut, 1) != 0
                : CreateMenuEntryFile(button->name, name, nullptr, nullptr, nullptr, 5, nullptr, 0,
                                      &shortcut, 1);
  if (ok) NotifyMenuBarChanged(bar);
  return ok;
}

bool MoveMenuItemInto(MenuBarInstance* bar, const MenuWindowItem* dragged,
                      const MenuWindowItem* folder) {
  if (!dragged || !folder || !folder->isFolder || dragged == folder) return false;
  MenuButton* button = dragged->button;
  // Moves stay inside one menu; Common Programs and special folders are not edited here.
  if (button != folder->button || (button->flags & kButtonSpecialFolder) || IsCommonButton(*button))
    return false;
  bool ok = button->userMenu
                ? MovePathTreeEntry(&button->tree, dragged->path.c_str(), folder->path.c_str()) != 0
                : MoveMenuEntryFile(dragged->path.c_str(), folder->path.c_str());
  if (ok) NotifyMenuBarChanged(bar);
  return ok;
}

void ShowEntryContextMenu(MenuBarInstance* bar, MenuWindowState* holder, MenuWindowItem* item,
                          POINT screen) {
  MenuButton* button = holder->button;
  if ((button->flags & kButtonSpecialFolder) || (button->flags & 8) || IsCommonButton(*button)) return;
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, IDM_ENTRY_NEWITEM, LoadResString(IDS_ENTRY_NEWITEM));
  AppendMenuA(menu, MF_STRING, IDM_ENTRY_NEWSUBMENU, LoadResString(IDS_ENTRY_NEWSUBMENU));
  if (item) {
    AppendMenuA(menu, MF_STRING, IDM_ENTRY_DELETE,
                LoadResString(item->isFolder ? IDS_SUBMENU_DELETE : IDS_ENTRY_DELETE));
    AppendMenuA(menu, MF_STRING, IDM_ENTRY_PROPERTIES,
                LoadResString(item->isFolder ? IDS_SUBMENU_PROPERTIES : IDS_ENTRY_PROPERTIES));
  }
  HWND window = bar->window;
  // The dialogs need the mouse: the capture goes while the menu and its dialog are up.
  ReleaseCapture();
  UINT command = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                         window, nullptr);
  DestroyMenu(menu);
  if (!command) {
    if (OpenTopMenu()) SetCapture(window);
    return;
  }
  std::string windowPath = holder->path;
  MenuWindowItem copy;
  if (item) {
    copy.path = item->path;
    copy.isFolder = item->isFolder;
    copy.button = item->button;
    lstrcpynA(copy.name, item->name, sizeof copy.name);
    copy.idList = item->idList;  // borrowed for the call below
  }
  CloseMenus();
  RunEntryCommand(bar, button, windowPath.c_str(), item ? &copy : nullptr, command, window);
  copy.idList = nullptr;
}

void RunEntryCommand(MenuBarInstance* bar, MenuButton* button, const char* windowPath,
                     const MenuWindowItem* item, UINT command, HWND owner) {
  std::string folder = windowPath;
  std::string itemName = item ? LastOf(item->path) : "";
  switch (command) {
    case IDM_ENTRY_NEWITEM: {
      ItemDialog d;
      d.bar = bar;
      d.button = button;
      d.folder = folder;
      SetEntryDialogOpen(true);
      FrameDialogBox(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MENU_ITEM), owner,
                     MenuItemPropertiesDlgProc, reinterpret_cast<LPARAM>(&d));
      SetEntryDialogOpen(false);
      break;
    }
    case IDM_ENTRY_NEWSUBMENU: {
      NameDialog d{bar, button, folder, ""};
      FrameDialogBox(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SUBMENU_NAME), owner,
                     SubmenuNameDlgProc, reinterpret_cast<LPARAM>(&d));
      break;
    }
    case IDM_ENTRY_DELETE: {
      if (!item) break;
      UINT text = item->isFolder ? (button->userMenu ? IDS_DELETE_USER_MENU : IDS_DELETE_FOLDER_MENU)
                                 : (button->userMenu ? IDS_DELETE_TREE_ENTRY : IDS_DELETE_FILE_ENTRY);
      if (FrameMessageBox(owner, Format(text, item->name).c_str(), LoadResString(IDS_MENU_DELETE_CAPTION),
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
        break;
      if (button->userMenu) {
        RemovePathTreeEntry(&button->tree, item->path.c_str());
        NotifyMenuBarChanged(bar);
      } else {
        DeleteMenuEntryFile(item->path.c_str());
      }
      break;
    }
    case IDM_ENTRY_PROPERTIES: {
      if (!item) break;
      if (item->isFolder) {
        NameDialog d{bar, button, ParentOf(item->path), itemName};
        FrameDialogBox(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SUBMENU_NAME), owner,
                       SubmenuNameDlgProc, reinterpret_cast<LPARAM>(&d));
        break;
      }
      ItemDialog d;
      d.bar = bar;
      d.button = button;
      d.folder = ParentOf(item->path);
      d.oldName = itemName;
      d.isNew = false;
      const MenuEntry* e = nullptr;
      MenuEntry* owned = nullptr;
      if (button->userMenu) {
        e = FindPathTreeFolder(&button->tree, item->path.c_str());
      } else {
        owned = ReadMenuEntryFile(item->path.c_str());
        e = owned;
      }
      if (!e) break;
      d.idList = (e->flags & kEntryTargetIdList) != 0;
      d.fields = {e->name, e->command, e->startIn, e->parameters, e->runMode, e->iconFile, e->iconIndex};
      FreeMenuEntries(owned);
      SetEntryDialogOpen(true);
      FrameDialogBox(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MENU_ITEM), owner,
                     MenuItemPropertiesDlgProc, reinterpret_cast<LPARAM>(&d));
      SetEntryDialogOpen(false);
      break;
    }
    default:
      break;
  }
}

}  // namespace jqbar
