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
  LPITEMIDLIST target = nullptr;  // a shell-item entry's list (owned)
  HICON picture = nullptr;
  ~ItemDialog() {
    if (target) ILFree(target);
    if (picture) DestroyIcon(picture);
  }
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
    // A shell item keeps its target: the label and the run mode are what can change.
    if (f.label.empty()) f.label = d->fields.label;
    f.runMode = IsDlgButtonChecked(dialog, IDC_ITEM_MINIMISED) ? 7
                : IsDlgButtonChecked(dialog, IDC_ITEM_MAXIMISED) ? 3 : 1;
    f.idList = d->target;
    bool sameMode = f.runMode == d->fields.runMode ||
                    (f.runMode == 7 && d->fields.runMode == 2);
    if (sameMode) f.runMode = d->fields.runMode;
    std::string newName = f.label;
    if (!b->userMenu) {
      std::size_t dot = d->oldName.rfind('.');
      if (dot != std::string::npos) newName += d->oldName.substr(dot);
    }
    if (newName == d->oldName && sameMode)
      ok = true;
    else if (b->userMenu)
      ok = ReplaceTreeEntry(b, d->folder.c_str(), d->oldName.c_str(), f);
    else if (sameMode)
      ok = RenameMenuEntryFile(d->folder.c_str(), d->oldName.c_str(), newName.c_str());
    else
      ok = ReplaceMenuEntryFile(d->folder.c_str(), d->oldName.c_str(), f);
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
      if (d->idList) {
        SetWindowTextA(dialog, LoadResString(IDS_ITEM_ID_CAPTION));
        SHFILEINFOA info{};
        if (d->target) {
          SHGetFileInfoA(reinterpret_cast<const char*>(d->target), 0, &info, sizeof info,
                         SHGFI_PIDL | SHGFI_DISPLAYNAME);
          d->fields.command = info.szDisplayName;
          info.hIcon = nullptr;
          SHGetFileInfoA(reinterpret_cast<const char*>(d->target), 0, &info, sizeof info,
                         SHGFI_PIDL | SHGFI_ICON | SHGFI_LARGEICON);
        }
        d->picture = info.hIcon;
        if (info.hIcon)
          SendDlgItemMessageA(dialog, IDC_ITEM_ICON, STM_SETICON, reinterpret_cast<WPARAM>(info.hIcon), 0);
        // The hot key and the icon choice belong to the button bar's use of this dialog.
        if (HWND hotKey = GetDlgItem(dialog, IDC_ITEM_HOTKEY)) {
          HWND caption = GetWindow(hotKey, GW_HWNDPREV);
          char kind[16] = {};
          if (caption && GetClassNameA(caption, kind, sizeof kind) && lstrcmpiA(kind, "Static") == 0)
            ShowWindow(caption, SW_HIDE);
          ShowWindow(hotKey, SW_HIDE);
        }
        ShowWindow(GetDlgItem(dialog, IDC_ITEM_CHANGE_ICON), SW_HIDE);
      }
      SetDlgItemTextA(dialog, IDC_ITEM_COMMAND, d->fields.command.c_str());
      SetDlgItemTextA(dialog, IDC_ITEM_STARTIN, d->fields.startIn.c_str());
      SetDlgItemTextA(dialog, IDC_ITEM_PARAMETERS, d->fields.parameters.c_str());
      SetDlgItemTextA(dialog, IDC_ITEM_LABEL, d->fields.label.c_str());
      int mode = d->fields.runMode;
      CheckRadioButton(dialog, IDC_ITEM_MINIMISED, IDC_ITEM_NORMAL,
                       (mode == 2 || mode == 7) ? IDC_ITEM_MINIMISED
                       : mode == 3              ? IDC_ITEM_MAXIMISED
                                                : IDC_ITEM_NORMAL);
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

// The Internet-shortcut dialog for a new entry (oldName empty) or an existing one; a refused
// name opens it again with what the user typed.
void EditUrlEntry(MenuBarInstance* bar, MenuButton* b, const std::string& folder, const std::string& oldName,
                  const std::string& name, const std::string& url, std::int32_t runMode, HWND owner) {
  char nameText[260], urlText[260];
  lstrcpynA(nameText, name.c_str(), sizeof nameText);
  lstrcpynA(urlText, url.c_str(), sizeof urlText);
  SetEntryDialogOpen(true);
  while (EditUrlShortcutDialog(owner, nameText, urlText)) {
    char clean[MAX_PATH];
    lstrcpynA(clean, nameText, sizeof clean);
    StripIllegalFileNameChars(clean);
    UrlShortcut shortcut{clean, urlText};
    if (shortcut.name.empty()) {
      FrameMessageBox(owner, LoadResString(IDS_NAME_EMPTY), LoadResString(IDS_NAME_EMPTY), MB_OK | MB_ICONWARNING);
      continue;
    }
    bool ok;
    if (oldName.empty()) {
      ok = b->userMenu ? SetPathTreeEntry(&b->tree, folder.c_str(), clean, nullptr, nullptr, nullptr, 5, nullptr,
                                          0, &shortcut, 1) != 0
                       : CreateMenuEntryFile(folder.c_str(), clean, nullptr, nullptr, nullptr, 5, nullptr, 0,
                                             &shortcut, 1);
    } else if (b->userMenu) {
      auto* e = new MenuEntry;
      e->name = shortcut.name;
      e->url = new UrlShortcut(shortcut);
      e->flags = kEntryTargetUrl;
      e->runMode = runMode;
      ok = ReplacePathTreeEntry(&b->tree, folder.c_str(), oldName.c_str(), e) != 0;
      if (!ok) FreeMenuEntries(e);
    } else {
      ok = ReplaceUrlEntryFile(folder.c_str(), oldName.c_str(), shortcut);
    }
    if (ok) {
      NotifyMenuBarChanged(bar);
      break;
    }
    WarnNameInUse(owner);
  }
  SetEntryDialogOpen(false);
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

namespace {

// Puts a new file in the place of `oldFile`: `write` makes it under the temporary base name it
// is given; the old file is moved aside, the new one put in place, and only then does the old
// one go to the recycle bin. Any failure leaves the folder as it was.
template <typename Writer>
bool ReplaceEntryFile(const std::string& dir, const char* oldFile, const std::string& label,
                      const char* extension, Writer write) {
  std::string old = dir + "\\" + oldFile;
  std::string final = dir + "\\" + label + extension;
  if (label.empty() || !Exists(old)) return false;
  // Another entry already has the new name.
  if (Exists(final) && lstrcmpiA(final.c_str(), old.c_str()) != 0) return false;
  std::string tempName = label + ".$new";
  std::string temp = dir + "\\" + tempName + extension;
  DeleteFileA(temp.c_str());
  if (!write(tempName) || !Exists(temp)) {
    DeleteFileA(temp.c_str());
    return false;
  }
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

std::string CleanName(const std::string& name) {
  char clean[MAX_PATH];
  lstrcpynA(clean, name.c_str(), MAX_PATH);
  StripIllegalFileNameChars(clean);
  return clean;
}

}  // namespace

bool ReplaceMenuEntryFile(const char* folder, const char* oldFile, const EntryFields& f) {
  std::string dir = Full(folder);
  return ReplaceEntryFile(dir, oldFile, f.label, ".lnk", [&](const std::string& tempName) {
    return CreateShortcutFile(dir.c_str(), tempName.c_str(), f.command.c_str(), nullptr,
                              f.parameters.c_str(), f.startIn.c_str(), f.runMode, f.iconFile.c_str(),
                              f.iconIndex, f.idList) != 0;
  });
}

bool ReplaceUrlEntryFile(const char* folder, const char* oldFile, const UrlShortcut& shortcut) {
  std::string dir = Full(folder);
  std::string name = CleanName(shortcut.name);
  return ReplaceEntryFile(dir, oldFile, name, ".url", [&](const std::string& tempName) {
    UrlShortcut temp{tempName, shortcut.url};
    return WriteUrlShortcutFile(&temp, dir.c_str(), nullptr) != 0;
  });
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
  if (f.idList) {
    e->idList = ILClone(f.idList);
    e->flags = kEntryTargetIdList;
  }
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
    UrlShortcut* read = ReadUrlShortcutFile(path);
    if (!read || read->url.empty()) {
      FreeUrlShortcut(read);
      return false;
    }
    UrlShortcut shortcut{BaseNameOf(file), read->url};
    FreeUrlShortcut(read);
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
  // What the command needs is copied first: while the popup menu runs, the folder watchers may
  // rebuild the buttons and re-read the open menus, which frees these records.
  std::string buttonName = button->name;
  std::string windowPath = holder->path;
  MenuWindowItem copy;
  if (item) {
    copy.path = item->path;
    copy.isFolder = item->isFolder;
    lstrcpynA(copy.name, item->name, sizeof copy.name);
  }
  bool onItem = item != nullptr;
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, IDM_ENTRY_NEWITEM, LoadResString(IDS_ENTRY_NEWITEM));
  AppendMenuA(menu, MF_STRING, IDM_ENTRY_NEWURL, LoadResString(IDS_NEW_URL));
  AppendMenuA(menu, MF_STRING, IDM_ENTRY_NEWSUBMENU, LoadResString(IDS_ENTRY_NEWSUBMENU));
  if (onItem) {
    AppendMenuA(menu, MF_STRING, IDM_ENTRY_DELETE,
                LoadResString(copy.isFolder ? IDS_SUBMENU_DELETE : IDS_ENTRY_DELETE));
    AppendMenuA(menu, MF_STRING, IDM_ENTRY_PROPERTIES,
                LoadResString(copy.isFolder ? IDS_SUBMENU_PROPERTIES : IDS_ENTRY_PROPERTIES));
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
  CloseMenus();
  button = FindMenuButton(bar, buttonName.c_str());
  if (!button) return;
  copy.button = button;
  RunEntryCommand(bar, button, windowPath.c_str(), onItem ? &copy : nullptr, command, window);
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
    case IDM_ENTRY_NEWURL:
      EditUrlEntry(bar, button, folder, "", "", "http://", 5, owner);
      break;
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
      if ((e->flags & kEntryTargetUrl) && e->url) {
        std::string name = e->name, url = e->url->url;
        std::int32_t runMode = e->runMode;
        FreeMenuEntries(owned);
        EditUrlEntry(bar, button, d.folder, itemName, name, url, runMode, owner);
        break;
      }
      d.idList = (e->flags & kEntryTargetIdList) != 0 && e->idList;
      d.fields = {e->name, e->command, e->startIn, e->parameters, e->runMode, e->iconFile, e->iconIndex};
      if (d.idList) d.target = ILClone(e->idList);
      FreeMenuEntries(owned);
      SetEntryDialogOpen(true);
      FrameDialogBox(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(d.idList ? IDD_MENU_ITEM_IDLIST : IDD_MENU_ITEM),
                     owner, MenuItemPropertiesDlgProc, reinterpret_cast<LPARAM>(&d));
      SetEntryDialogOpen(false);
      break;
    }
    default:
      break;
  }
}

}  // namespace jqbar
