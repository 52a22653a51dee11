#include "menu_button_edit.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "menu_bar_window.h"
#include "menu_cache.h"
#include "menu_entry_edit.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_jqbar.h"
#include "resource_startmenu.h"
#include "seams.h"

namespace jqbar {

namespace {

void Warn(HWND owner, UINT id) {
  FrameMessageBox(owner, LoadResString(id), LoadResString(id), MB_OK | MB_ICONWARNING);
}

void SendChanged(MenuBarInstance* bar) {
  if (HWND parent = GetParent(bar->window))
    SendMessageA(parent, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 1);
}

void Relayout(MenuBarInstance* bar) {
  LayoutMenuBar(bar);
  InvalidateRect(bar->window, nullptr, TRUE);
}

struct NewMenuDialog {
  MenuBarInstance* bar;
};

struct RenameDialog {
  MenuBarInstance* bar;
  MenuButton* button;
};

INT_PTR CALLBACK NewMenuDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<NewMenuDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  auto syncSources = [dialog] {
    bool attach = IsDlgButtonChecked(dialog, IDC_NEW_ATTACH) == BST_CHECKED;
    if (attach) CheckRadioButton(dialog, IDC_SOURCE_NORMAL, IDC_SOURCE_RECENT, IDC_SOURCE_NORMAL);
    for (int id = IDC_SOURCE_NORMAL; id <= IDC_SOURCE_RECENT; ++id)
      EnableWindow(GetDlgItem(dialog, id), !attach);
  };
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SendDlgItemMessageA(dialog, IDC_MENU_NAME, EM_LIMITTEXT, kMenuNameChars, 0);
      CheckDlgButton(dialog, IDC_NEW_ATTACH, BST_CHECKED);
      CheckRadioButton(dialog, IDC_SOURCE_NORMAL, IDC_SOURCE_RECENT, IDC_SOURCE_NORMAL);
      syncSources();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_NEW_ATTACH:
          syncSources();
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDOK: {
          char name[MAX_PATH] = {};
          GetDlgItemTextA(dialog, IDC_MENU_NAME, name, sizeof name);
          static const int kSources[] = {0, CSIDL_DESKTOPDIRECTORY, CSIDL_CONTROLS, CSIDL_PRINTERS, CSIDL_RECENT};
          int source = 0;
          for (int i = 0; i < 5; ++i)
            if (IsDlgButtonChecked(dialog, IDC_SOURCE_NORMAL + i) == BST_CHECKED) source = kSources[i];
          bool attach = IsDlgButtonChecked(dialog, IDC_NEW_ATTACH) == BST_CHECKED;
          UINT warning = AddNewMenu(d->bar, name, attach, source);
          if (warning) {
            Warn(dialog, warning);
            return TRUE;
          }
          EndDialog(dialog, IDOK);
          return TRUE;
        }
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK MenuButtonNameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* d = reinterpret_cast<RenameDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      d = reinterpret_cast<RenameDialog*>(lParam);
      SendDlgItemMessageA(dialog, IDC_MENU_NAME, EM_LIMITTEXT, kMenuNameChars, 0);
      SetDlgItemTextA(dialog, IDC_MENU_NAME, d->button->name);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        char name[MAX_PATH] = {};
        GetDlgItemTextA(dialog, IDC_MENU_NAME, name, sizeof name);
        UINT warning = RenameMenuButton(d->bar, d->button, name);
        if (warning) {
          Warn(dialog, warning);
          return TRUE;
        }
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

UINT ShowBarContextMenu(MenuBarInstance* bar, MenuButton* button, POINT screen) {
  HMENU menu = CreatePopupMenu();
  if (!IsInsideTaskbar(bar->window))
    AppendMenuA(menu, MF_STRING | (bar->head.automatic ? MF_CHECKED : 0), IDM_MENU_AUTOARRANGE,
                LoadResString(IDS_AUTO_ARRANGE));
  AppendMenuA(menu, MF_STRING, IDM_MENU_NEW, LoadResString(IDS_MENU_NEW));
  if (button && IsFolderButton(*button) && !IsCommonButton(*button))
    AppendMenuA(menu, MF_STRING, IDM_MENU_HIDE, LoadResString(IDS_MENU_HIDE));
  if (button && !IsCommonButton(*button)) {
    AppendMenuA(menu, MF_STRING, IDM_MENU_DELETE, LoadResString(IDS_MENU_DELETE));
    AppendMenuA(menu, MF_STRING, IDM_MENU_RENAME, LoadResString(IDS_MENU_RENAME));
    if (!(button->flags & kButtonSpecialFolder)) {
      AppendMenuA(menu, MF_STRING, IDM_MENU_NEWITEM, LoadResString(IDS_ENTRY_NEWITEM));
      AppendMenuA(menu, MF_STRING, IDM_MENU_NEWURL, LoadResString(IDS_NEW_URL));
    }
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_MENU_HELP, LoadResString(IDS_MENU_HELP));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_MENU_PROPERTIES, LoadResString(IDS_MENU_PROPERTIES));
  UINT command = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                         bar->window, nullptr);
  DestroyMenu(menu);
  return command;
}

void RunBarCommand(MenuBarInstance* bar, MenuButton* button, UINT command) {
  HWND owner = bar->window;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  switch (command) {
    case IDM_MENU_AUTOARRANGE:
      bar->head.automatic = bar->head.automatic ? 0 : 1;
      Relayout(bar);
      SendChanged(bar);
      break;
    case IDM_MENU_NEW: {
      NewMenuDialog d{bar};
      FrameDialogBox(instance, MAKEINTRESOURCEA(IDD_NEW_MENU), owner, NewMenuDlgProc,
                     reinterpret_cast<LPARAM>(&d));
      break;
    }
    case IDM_MENU_HIDE:
      if (button) HideMenuButton(bar, button);
      break;
    case IDM_MENU_DELETE:
      if (button) DeleteMenuButton(bar, button);
      break;
    case IDM_MENU_RENAME:
      if (button) {
        RenameDialog d{bar, button};
        FrameDialogBox(instance, MAKEINTRESOURCEA(IDD_MENU_RENAME), owner, MenuButtonNameDlgProc,
                       reinterpret_cast<LPARAM>(&d));
      }
      break;
    case IDM_MENU_NEWITEM:
    case IDM_MENU_NEWURL:
      if (button && !(button->flags & kButtonSpecialFolder) && !IsCommonButton(*button))
        RunEntryCommand(bar, button, button->userMenu ? "" : button->name, nullptr,
                        command == IDM_MENU_NEWITEM ? IDM_ENTRY_NEWITEM : IDM_ENTRY_NEWURL, owner);
      break;
    case IDM_MENU_HELP:
      OpenHelpTopic(owner, 75);
      break;
    case IDM_MENU_PROPERTIES:
      if (HWND parent = GetParent(owner))
        SendMessageA(parent, PNM_OPENCONFIG, reinterpret_cast<WPARAM>(owner), 0);
      break;
  }
}

UINT AddNewMenu(MenuBarInstance* bar, const char* name, bool attach, int source) {
  std::string text = name ? name : "";
  if (text.empty()) {
    switch (attach ? 0 : source) {
      case CSIDL_DESKTOPDIRECTORY: text = LoadResString(IDS_NAME_DESKTOP); break;
      case CSIDL_CONTROLS: text = LoadResString(IDS_NAME_CONTROLS); break;
      case CSIDL_PRINTERS: text = LoadResString(IDS_NAME_PRINTERS); break;
      case CSIDL_RECENT: text = LoadResString(IDS_NAME_RECENT); break;
      default: return IDS_NAME_EMPTY;
    }
  }
  if (text.size() > kMenuNameChars) text.resize(kMenuNameChars);
  if (IsMenuNameInUse(bar, text.c_str())) return IDS_NAME_IN_USE;
  if (attach) {
    // The folder watcher adds the button.
    return CreateMenuFolder(text.c_str()) ? 0 : IDS_NAME_IN_USE;
  }
  auto* b = new MenuButton;
  lstrcpynA(b->name, text.c_str(), kMenuNameChars + 1);
  if (source) {
    b->flags = kButtonSpecialFolder;
    b->csidl = source;
  } else {
    b->userMenu = 1;
  }
  LoadMenuButtonIcon(b);
  LockMenus();
  bar->folderNames.insert(bar->folderNames.begin(), b->name);
  if (bar->folderNames.size() > kMaxFolderNames) bar->folderNames.pop_back();
  bar->head.folderCount = static_cast<std::int32_t>(bar->folderNames.size());
  bar->regions[0].insert(bar->regions[0].begin(), b);
  RedistributeMenuButtons(bar);
  UnlockMenus();
  if (bar->pageOpen) RefreshMenuOrderPage(bar);
  SendChanged(bar);
  NotifyMenuBarChanged(bar);
  Relayout(bar);
  return 0;
}

UINT RenameMenuButton(MenuBarInstance* bar, MenuButton* button, const char* newName) {
  std::string name = newName ? newName : "";
  if (name.empty()) return IDS_NAME_EMPTY;
  if (name == button->name) return 0;
  if (name.size() > kMenuNameChars) name.resize(kMenuNameChars);
  // Another button of that name (a change of letter case alone is this button's own name).
  if (lstrcmpiA(name.c_str(), button->name) != 0 && IsMenuNameInUse(bar, name.c_str()))
    return IDS_NAME_IN_USE;
  if (IsFolderButton(*button)) {
    if (IsCommonButton(*button) || !RenameMenuEntryFile("", button->name, name.c_str()))
      return IDS_NAME_IN_USE;
  }
  LockMenus();
  std::string old = button->name;
  lstrcpynA(button->name, name.c_str(), kMenuNameChars + 1);
  RenameMenuFolderName(bar, old.c_str(), button->name);
  RedistributeMenuButtons(bar);
  UnlockMenus();
  if (bar->pageOpen) RefreshMenuOrderPage(bar);
  NotifyMenuBarChanged(bar);
  Relayout(bar);
  return 0;
}

void HideMenuButton(MenuBarInstance* bar, MenuButton* button) {
  if (!IsFolderButton(*button)) return;
  if (!IsRemovedMenuName(bar, button->name)) {
    bar->removedNames.push_back(button->name);
    bar->head.removedCount = static_cast<std::int32_t>(bar->removedNames.size());
  }
  RefreshMenuBar(bar);
  SendChanged(bar);
  NotifyMenuBarChanged(bar);
}

void DeleteMenuButton(MenuBarInstance* bar, MenuButton* button) {
  bool kept = IsKeptButton(*button);
  if (IsCommonButton(*button)) return;
  char text[600];
  wsprintfA(text, LoadResString(kept ? IDS_DELETE_USER_MENU : IDS_DELETE_FOLDER_MENU), button->name);
  if (FrameMessageBox(bar->window, text, LoadResString(IDS_MENU_DELETE_CAPTION), MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  CloseMenus();
  if (!kept) {
    DeleteMenuEntryFile(button->name);
    RefreshMenuBar(bar);
    return;
  }
  LockMenus();
  for (auto& list : bar->regions)
    for (auto it = list.begin(); it != list.end(); ++it)
      if (*it == button) {
        list.erase(it);
        break;
      }
  RemoveMenuFolderName(bar, button->name);
  FreeMenuButton(button);
  RedistributeMenuButtons(bar);
  UnlockMenus();
  if (bar->pageOpen) RefreshMenuOrderPage(bar);
  SendChanged(bar);
  NotifyMenuBarChanged(bar);
  Relayout(bar);
}

void ApplyMenuOrder(MenuBarInstance* bar, const std::vector<std::string>& order,
                    const std::vector<std::string>& hidden) {
  bool changed = order != bar->folderNames || hidden != bar->removedNames;
  if (!changed) return;
  LockMenus();
  bar->folderNames.assign(order.begin(), order.begin() + std::min<std::size_t>(order.size(), kMaxFolderNames));
  bar->removedNames.assign(hidden.begin(), hidden.begin() + std::min<std::size_t>(hidden.size(), kMaxFolderNames));
  bar->head.folderCount = static_cast<std::int32_t>(bar->folderNames.size());
  bar->head.removedCount = static_cast<std::int32_t>(bar->removedNames.size());
  UnlockMenus();
  RefreshMenuBar(bar);
  SendChanged(bar);
  NotifyMenuBarChanged(bar);
}

}  // namespace jqbar
