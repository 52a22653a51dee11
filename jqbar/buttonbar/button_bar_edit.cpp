#include "button_bar_edit.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "change_icon_dialog.h"
#include "drag_out.h"
#include "drop_objects.h"
#include "launch_buttons.h"
#include "panel_drawing.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "pidl.h"
#include "resource_buttonbar.h"
#include "seams.h"
#include "shortcut_file.h"
#include "url_shortcut.h"

namespace jqbar {
namespace {

// The interaction under way (one at a time in the process).
struct EditState {
  ButtonBarInstance* bar = nullptr;
  ButtonRecord* under = nullptr;
  ButtonBarInstance* dragBar = nullptr;
  ButtonRecord* dragged = nullptr;
  ButtonBarInstance* dropBar = nullptr;
  RECT marker = {};
  bool markerDrawn = false;
  HWND arrangePage = nullptr;
  ButtonBarInstance* arrangeBar = nullptr;
} g_edit;

HINSTANCE Instance() {
  return Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
}

std::string Text(UINT id) { return LoadResString(id); }

bool SameText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  if (!a || !b) return !a && !b;
  return lstrcmpiA(a->c_str(), b->c_str()) == 0;
}

std::string FolderOf(const char* path) {
  std::string folder = path;
  std::size_t slash = folder.find_last_of('\\');
  if (slash == std::string::npos) return "";
  folder.resize(slash + 1);
  if (folder.size() > 3) folder.pop_back();
  return folder;
}

std::string BaseName(const char* path) {
  const char* name = std::strrchr(path, '\\');
  name = name ? name + 1 : path;
  std::string base = name;
  std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base.empty() ? std::string(path) : base;
}

void ChangedAndRepaint(ButtonBarInstance* bar, LPARAM relayout) {
  RelayoutButtonBar(bar, true, relayout);
}

void EraseMarker() {
  if (g_edit.markerDrawn && g_edit.dropBar && IsWindow(g_edit.dropBar->window))
    DrawDragOutline(g_edit.dropBar->window, &g_edit.marker, nullptr);
  g_edit.markerDrawn = false;
}

void DrawMarker(ButtonBarInstance* bar, const RECT& r) {
  if (g_edit.markerDrawn && g_edit.dropBar == bar && EqualRect(&g_edit.marker, &r)) return;
  EraseMarker();
  g_edit.dropBar = bar;
  g_edit.marker = r;
  DrawDragOutline(bar->window, &r, nullptr);
  g_edit.markerDrawn = true;
}

// Where a drop at the point goes: a tab index, or -1 for the current group.
int DropTab(ButtonBarInstance* bar, POINT client) {
  return bar->settings.groupCount > 1 ? TabAtPoint(bar, client) : -1;
}

// Puts a new button where a drop at `client` puts it; false (button freed) when refused.
bool PlaceDropped(ButtonBarInstance* bar, ButtonRecord* button, POINT client) {
  if (!button) return false;
  ButtonBarSettings& s = bar->settings;
  int tab = DropTab(bar, client);
  if (tab >= 0) {
    if (s.groupKinds[tab] != kGroupOrdinary) {
      FreeButtonRecord(button);
      return false;
    }
    button->next = s.groups[tab];
    s.groups[tab] = button;
    LoadButtonIcons(bar);
    if (tab == s.currentGroup)
      ChangedAndRepaint(bar, 1);
    else
      SendMessageA(GetParent(bar->window), PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 0);
    return true;
  }
  if (s.CurrentKind() != kGroupOrdinary) {
    FreeButtonRecord(button);
    return false;
  }
  InsertButton(bar, button, ButtonAtPoint(bar, client));
  LoadButtonIcons(bar);
  ChangedAndRepaint(bar, 1);
  return true;
}

ButtonRecord* PathButton(const char* path) {
  ButtonRecord* b = NewButtonRecord();
  if (!b) return nullptr;
  b->command = path;
  b->startIn = FolderOf(path);
  b->parameters = "";
  b->label = BaseName(path);
  return b;
}

bool EndsWithNoCase(const char* text, const char* ending) {
  std::size_t n = std::strlen(text), m = std::strlen(ending);
  return n >= m && lstrcmpiA(text + n - m, ending) == 0;
}

// ---- Group dialogs -------------------------------------------------------------------

INT_PTR CALLBACK NewGroupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* bar = reinterpret_cast<ButtonBarInstance*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CheckRadioButton(dialog, IDC_GROUP_ORDINARY, IDC_GROUP_RECENT, IDC_GROUP_ORDINARY);
      SendDlgItemMessageA(dialog, IDC_GROUP_NAME, EM_LIMITTEXT, kGroupNameSize - 1, 0);
      SetDlgItemTextA(dialog, IDC_GROUP_NAME, "New Group");
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        ButtonBarSettings& s = bar->settings;
        if (s.groupCount >= kMaxButtonGroups) {
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        int g = s.groupCount;
        struct Choice { int id, kind; UINT name; };
        const Choice choices[] = {{IDC_GROUP_CONTROLPANEL, kGroupControlPanel, IDS_GROUP_CONTROLPANEL},
                                  {IDC_GROUP_APPLICATIONS, kGroupApplications, IDS_GROUP_APPLICATIONS},
                                  {IDC_GROUP_NETWORK, kGroupNetwork, IDS_GROUP_NETWORK},
                                  {IDC_GROUP_MYCOMPUTER, kGroupMyComputer, IDS_GROUP_MYCOMPUTER},
                                  {IDC_GROUP_FONTS, kGroupFonts, IDS_GROUP_FONTS},
                                  {IDC_GROUP_RECENT, kGroupRecent, IDS_GROUP_RECENT}};
        s.groupKinds[g] = kGroupOrdinary;
        char name[64] = {};
        GetDlgItemTextA(dialog, IDC_GROUP_NAME, name, sizeof name);
        if (IsDlgButtonChecked(dialog, IDC_GROUP_ORDINARY) != BST_CHECKED) {
          for (const Choice& c : choices) {
            if (IsDlgButtonChecked(dialog, c.id) == BST_CHECKED) {
              s.groupKinds[g] = c.kind;
              lstrcpynA(name, LoadResString(c.name), sizeof name);
              break;
            }
          }
        }
        lstrcpynA(s.groupNames[g], name, kGroupNameSize);
        s.groups[g] = nullptr;
        s.groupCount = g + 1;
        s.currentGroup = g;
        s.firstRow = 0;
        if (IsSpecialFolderGroup(s.groupKinds[g])) SyncSpecialFolderGroup(bar);
        LoadButtonIcons(bar);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK RenameGroupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* bar = reinterpret_cast<ButtonBarInstance*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      bar = reinterpret_cast<ButtonBarInstance*>(lParam);
      SetDlgItemTextA(dialog, IDC_GROUP_NAME, bar->settings.groupNames[bar->settings.currentGroup]);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char name[64] = {};
        GetDlgItemTextA(dialog, IDC_GROUP_NAME, name, sizeof name);
        char* current = bar->settings.groupNames[bar->settings.currentGroup];
        bool changed = std::strcmp(name, current) != 0;
        if (changed) lstrcpynA(current, name, kGroupNameSize);
        EndDialog(dialog, changed ? IDOK : IDCANCEL);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

// ---- Button properties (dialogs 352 and 474) ------------------------------------------

struct PropertiesState {
  ButtonBarInstance* bar;
  ButtonRecord* button;  // null: a new button
  ButtonRecord* before;
  std::string iconFile;
  int iconIndex = 0;
  bool iconChosen = false;
  bool iconReset = false;
  HICON picture = nullptr;
};

void ShowPicture(HWND dialog, PropertiesState* st, HICON icon) {
  if (st->picture) DestroyIcon(st->picture);
  st->picture = icon;
  SendDlgItemMessageA(dialog, IDC_BTN_PICTURE, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

HICON ShellIconOf(const char* path) {
  SHFILEINFOA info = {};
  SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON);
  return info.hIcon;
}

std::string DlgText(HWND dialog, int id) {
  char text[MAX_PATH * 2] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

INT_PTR CALLBACK ButtonPropertiesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* st = reinterpret_cast<PropertiesState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      st = reinterpret_cast<PropertiesState*>(lParam);
      SendDlgItemMessageA(dialog, IDC_BTN_HOTKEY, HKM_SETRULES, HKCOMB_NONE, HOTKEYF_CONTROL);
      ButtonRecord* b = st->button;
      if (!b) {
        SetWindowTextA(dialog, LoadResString(IDS_BB_NEW_CAPTION));
        CheckRadioButton(dialog, IDC_BTN_MINIMISED, IDC_BTN_NORMAL, IDC_BTN_NORMAL);
        SetDlgItemTextA(dialog, IDC_BTN_STARTIN, "c:\\");
      } else {
        BYTE mods = 0;
        if (b->hotKeyModifiers & 1) mods |= HOTKEYF_SHIFT;
        if (b->hotKeyModifiers & 2) mods |= HOTKEYF_CONTROL;
        if (b->hotKeyModifiers & 4) mods |= HOTKEYF_ALT;
        SendDlgItemMessageA(dialog, IDC_BTN_HOTKEY, HKM_SETHOTKEY, MAKEWORD(b->hotKeyVk, mods), 0);
        if (b->IsIdList()) {
          char name[MAX_PATH] = {};
          GetPidlIconAndName(b->Pidl(), 1, name);
          SetDlgItemTextA(dialog, IDC_BTN_COMMAND, name);
        } else {
          SetDlgItemTextA(dialog, IDC_BTN_COMMAND, b->Command());
          SetDlgItemTextA(dialog, IDC_BTN_STARTIN, b->startIn ? b->startIn->c_str() : "");
          SetDlgItemTextA(dialog, IDC_BTN_PARAMETERS, b->parameters ? b->parameters->c_str() : "");
        }
        SetDlgItemTextA(dialog, IDC_BTN_LABEL, b->Label());
        int radio = b->runMode == 2 ? IDC_BTN_MINIMISED : b->runMode == 3 ? IDC_BTN_MAXIMISED : IDC_BTN_NORMAL;
        CheckRadioButton(dialog, IDC_BTN_MINIMISED, IDC_BTN_NORMAL, radio);
        if (b->largeIcon) ShowPicture(dialog, st, CopyIcon(b->largeIcon));
        else if (b->largeIndex >= 0 && st->bar->largeList)
          ShowPicture(dialog, st, ImageList_GetIcon(st->bar->largeList, b->largeIndex, ILD_NORMAL));
        if (b->iconFile) st->iconFile = *b->iconFile;
        st->iconIndex = b->iconIndex;
      }
      RECT r, screen;
      GetWindowRect(dialog, &r);
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
      SetWindowPos(dialog, nullptr, (screen.left + screen.right - (r.right - r.left)) / 2,
                   (screen.top + screen.bottom - (r.bottom - r.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BTN_BROWSE: {
          char file[MAX_PATH] = {};
          OPENFILENAMEA ofn = {};
          ofn.lStructSize = sizeof ofn;
          ofn.hwndOwner = dialog;
          ofn.lpstrFile = file;
          ofn.nMaxFile = MAX_PATH;
          std::string title = Text(IDS_BB_BROWSE_TITLE);
          ofn.lpstrTitle = title.c_str();
          ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
          if (GetOpenFileNameA(&ofn)) {
            SetDlgItemTextA(dialog, IDC_BTN_COMMAND, file);
            SetDlgItemTextA(dialog, IDC_BTN_STARTIN, FolderOf(file).c_str());
            ShowPicture(dialog, st, ShellIconOf(file));
            st->iconReset = true;
            st->iconChosen = false;
            if (DlgText(dialog, IDC_BTN_LABEL).empty())
              SetDlgItemTextA(dialog, IDC_BTN_LABEL, BaseName(file).c_str());
          }
          return TRUE;
        }
        case IDC_BTN_BROWSE_FOLDER: {
          BROWSEINFOA info = {};
          info.hwndOwner = dialog;
          LPITEMIDLIST root = nullptr;
          SHGetSpecialFolderLocation(dialog, CSIDL_DRIVES, &root);
          info.pidlRoot = root;
          std::string title = Text(IDS_BB_FOLDER_TITLE);
          info.lpszTitle = title.c_str();
          info.ulFlags = BIF_RETURNONLYFSDIRS;
          LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
          char path[MAX_PATH] = {};
          if (chosen && SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_BTN_STARTIN, path);
          FreePidl(chosen);
          FreePidl(root);
          return TRUE;
        }
        case IDC_BTN_CHANGE_ICON: {
          char file[MAX_PATH] = {};
          lstrcpynA(file, st->iconFile.empty() ? DlgText(dialog, IDC_BTN_COMMAND).c_str()
                                               : st->iconFile.c_str(), MAX_PATH);
          int index = st->iconIndex;
          if (ShowChangeIconDialog(file, &index, dialog)) {
            st->iconFile = file;
            st->iconIndex = index;
            st->iconChosen = true;
            st->iconReset = false;
            HICON large = nullptr;
            ExtractIconExA(file, index, &large, nullptr, 1);
            ShowPicture(dialog, st, large);
          }
          return TRUE;
        }
        case IDOK: {
          ButtonRecord* b = st->button;
          bool pathButton = !b || (!b->IsIdList() && !b->IsUrl());
          std::string command = DlgText(dialog, IDC_BTN_COMMAND);
          std::string startIn = DlgText(dialog, IDC_BTN_STARTIN);
          if (pathButton) {
            char found[MAX_PATH] = {};
            if (IsProgramFile(command.c_str(), found, MAX_PATH)) {
              command = found;
            } else if (FrameMessageBox(dialog, LoadResString(IDS_BB_NOT_PROGRAM),
                                       Text(IDS_BB_NOT_PROGRAM_CAPTION).c_str(),
                                       MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
              return TRUE;
            }
            if (!FolderHasFiles(startIn.c_str()) &&
                FrameMessageBox(dialog, LoadResString(IDS_BB_NO_FOLDER),
                                Text(IDS_BB_NO_FOLDER_CAPTION).c_str(),
                                MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
              return TRUE;
            }
          }
          WORD hot = WORD(SendDlgItemMessageA(dialog, IDC_BTN_HOTKEY, HKM_GETHOTKEY, 0, 0));
          int vk = LOBYTE(hot), hkMods = HIBYTE(hot), mods = 0;
          if (vk && !hkMods) hkMods = HOTKEYF_CONTROL;  // a key alone becomes Ctrl+key
          if (hkMods & HOTKEYF_SHIFT) mods |= 1;
          if (hkMods & HOTKEYF_CONTROL) mods |= 2;
          if (hkMods & HOTKEYF_ALT) mods |= 4;
          if (!vk) mods = 0;
          HWND container = GetParent(st->bar->window);
          std::uint16_t id = b ? b->hotKeyId : 0;
          bool keyChanged = !b || b->hotKeyVk != vk || b->hotKeyModifiers != mods;
          if (keyChanged) {
            if (b && b->hotKeyId)
              SendMessageA(container, PNM_REMOVEHOTKEY, reinterpret_cast<WPARAM>(st->bar->window), b->hotKeyId);
            if (b) b->hotKeyId = 0;
            id = 0;
            if (vk) {
              id = NextFreeHotKeyId(st->bar);
              HotKeyEntry entry{st->bar->window, vk, mods, id};
              if (!SendMessageA(container, PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&entry))) {
                if (b) {
                  b->hotKeyVk = b->hotKeyModifiers = 0;
                }
                FrameMessageBox(dialog, LoadResString(402), Text(403).c_str(), MB_OK | MB_ICONWARNING);
                return TRUE;
              }
            }
          }
          int runMode = IsDlgButtonChecked(dialog, IDC_BTN_MINIMISED) == BST_CHECKED   ? 2
                        : IsDlgButtonChecked(dialog, IDC_BTN_MAXIMISED) == BST_CHECKED ? 3
                                                                                       : 1;
          bool created = false;
          if (!b) {
            b = NewButtonRecord();
            if (!b) {
              EndDialog(dialog, IDCANCEL);
              return TRUE;
            }
            created = true;
          }
          if (pathButton) {
            b->command = command;
            b->startIn = startIn;
            b->parameters = DlgText(dialog, IDC_BTN_PARAMETERS);
          }
          b->label = DlgText(dialog, IDC_BTN_LABEL);
          b->runMode = runMode;
          b->hotKeyVk = vk;
          b->hotKeyModifiers = mods;
          b->hotKeyId = id;
          if (st->iconChosen) {
            b->iconFile = st->iconFile;
            b->iconIndex = st->iconIndex;
            b->hasIconFile = 1;
          } else if (st->iconReset) {
            b->iconFile.reset();
            b->iconIndex = 0;
            b->hasIconFile = 0;
          }
          if (created) InsertButton(st->bar, b, st->before);
          LoadButtonIcons(st->bar);
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      if (st && st->picture) DestroyIcon(st->picture);
      if (st) st->picture = nullptr;
      return FALSE;
  }
  return FALSE;
}

void EditButton(ButtonBarInstance* bar, ButtonRecord* button, ButtonRecord* before) {
  PropertiesState st{bar, button, before};
  UINT dialogId = button && button->IsIdList() ? IDD_ITEM_PROPERTIES : IDD_BUTTON_PROPERTIES;
  if (FrameDialogBox(Instance(), MAKEINTRESOURCEA(dialogId), bar->window, ButtonPropertiesDlgProc,
                     reinterpret_cast<LPARAM>(&st)) == IDOK)
    ChangedAndRepaint(bar, 1);
}

// ---- Arrangement page ------------------------------------------------------------------

void FillArrangePage(HWND page, ButtonBarInstance* bar) {
  const ButtonBarSettings& s = bar->settings;
  SendDlgItemMessageA(page, IDC_ARR_LINES_SPIN, UDM_SETRANGE32, 1, kMaxButtonLines);
  SendDlgItemMessageA(page, IDC_ARR_ROWS_SPIN, UDM_SETRANGE32, 1, kMaxRowLimit);
  SetDlgItemInt(page, IDC_ARR_LINES, UINT(s.lines), FALSE);
  SetDlgItemInt(page, IDC_ARR_ROWS, UINT(s.rowLimit), FALSE);
  HWND combo = GetDlgItem(page, IDC_ARR_STYLE);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (UINT id = IDS_BB_STYLE1; id <= IDS_BB_STYLE4; ++id) {
    char text[100];
    lstrcpynA(text, LoadResString(id), sizeof text);
    StripAmpersands(text);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  SendMessageA(combo, CB_SETCURSEL, WPARAM(s.style - 1), 0);
  CheckRadioButton(page, IDC_ARR_AUTO, IDC_ARR_MANUAL, s.autoArrange ? IDC_ARR_AUTO : IDC_ARR_MANUAL);
  EnableWindow(GetDlgItem(page, IDC_ARR_LINES_SPIN), !s.autoArrange);
  EnableWindow(GetDlgItem(page, IDC_ARR_LINES), !s.autoArrange);
  bool taskbar = IsInsideTaskbar(bar->window);
  for (int id : {IDC_ARR_AUTO, IDC_ARR_MANUAL, IDC_ARR_VLABEL, IDC_ARR_HLABEL, IDC_ARR_LINES,
                 IDC_ARR_LINES_SPIN, IDC_ARR_STYLE, IDC_ARR_STYLE_FOCUS})
    if (taskbar) ShowWindow(GetDlgItem(page, id), SW_HIDE);
  bool horizontal = bar->horizontal;
  ShowWindow(GetDlgItem(page, IDC_ARR_HLABEL), !taskbar && horizontal ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(page, IDC_ARR_HTEXT), horizontal ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(page, IDC_ARR_VLABEL), !taskbar && !horizontal ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(page, IDC_ARR_VTEXT), horizontal ? SW_HIDE : SW_SHOW);
}

INT_PTR CALLBACK ButtonArrangePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* bar = reinterpret_cast<ButtonBarInstance*>(GetWindowLongPtrA(page, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(page, DWLP_USER, lParam);
      bar = reinterpret_cast<ButtonBarInstance*>(lParam);
      g_edit.arrangePage = page;
      g_edit.arrangeBar = bar;
      FillArrangePage(page, bar);
      return TRUE;
    case WM_COMMAND:
      if (!bar) return TRUE;
      switch (LOWORD(wParam)) {
        case IDC_ARR_AUTO:
        case IDC_ARR_MANUAL: {
          bool manual = IsDlgButtonChecked(page, IDC_ARR_MANUAL) == BST_CHECKED;
          EnableWindow(GetDlgItem(page, IDC_ARR_LINES_SPIN), manual);
          EnableWindow(GetDlgItem(page, IDC_ARR_LINES), manual);
          return TRUE;
        }
        case IDC_ARR_NEW_BUTTON:
          RunButtonBarCommand(bar, IDM_BB_NEW, bar->settings.CurrentList());
          return TRUE;
        case IDC_ARR_DESKTOP:
          AddDesktopIconButtons(bar);
          return TRUE;
        case IDC_ARR_STYLE_FOCUS:
          SetFocus(GetDlgItem(page, IDC_ARR_STYLE));
          return TRUE;
        case IDC_APPLY_PAGE: {
          ButtonBarSettings& s = bar->settings;
          int style = int(SendDlgItemMessageA(page, IDC_ARR_STYLE, CB_GETCURSEL, 0, 0)) + 1;
          int autoArrange = IsDlgButtonChecked(page, IDC_ARR_AUTO) == BST_CHECKED ? 1 : 0;
          int lines = std::clamp(int(GetDlgItemInt(page, IDC_ARR_LINES, nullptr, FALSE)), 1, kMaxButtonLines);
          int rows = std::clamp(int(GetDlgItemInt(page, IDC_ARR_ROWS, nullptr, FALSE)), 1, kMaxRowLimit);
          if (style < 1 || style > 4) style = s.style;
          if (style != s.style || autoArrange != s.autoArrange || lines != s.lines || rows != s.rowLimit) {
            s.style = style;
            s.autoArrange = autoArrange;
            s.lines = lines;
            s.rowLimit = rows;
            ChangedAndRepaint(bar, 1);
          }
          return TRUE;
        }
      }
      return FALSE;
    case PNM_PAGEHELP:
      OpenHelpTopic(page, 74);
      return TRUE;
    case WM_DESTROY:
      if (g_edit.arrangePage == page) {
        g_edit.arrangePage = nullptr;
        g_edit.arrangeBar = nullptr;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

// ---- Records -------------------------------------------------------------------------

ButtonRecord* MakeDefaultButton() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path = FolderOf(module);
  if (path.size() > 3 || path.back() != '\\') path += '\\';
  path += "JQNavig.exe";
  char found[MAX_PATH] = {};
  if (!IsProgramFile(path.c_str(), found, MAX_PATH)) return nullptr;
  ButtonRecord* b = NewButtonRecord();
  if (!b) return nullptr;
  b->command = path;
  b->startIn = "";
  b->parameters = "";
  b->label = LoadResString(IDS_BB_DEFAULT_LABEL);
  return b;
}

bool SameButton(const ButtonRecord& a, const ButtonRecord& b) {
  if ((a.flags & (kButtonIdList | kButtonUrl)) != (b.flags & (kButtonIdList | kButtonUrl))) return false;
  if (a.IsUrl()) return SameText(a.urlName, b.urlName) && SameText(a.url, b.url);
  if (a.IsIdList()) {
    if (a.idList != b.idList) return false;
  } else if (!SameText(a.command, b.command)) {
    return false;
  }
  if (!SameText(a.startIn, b.startIn) || !SameText(a.parameters, b.parameters)) return false;
  if (a.runMode != b.runMode || a.hasIconFile != b.hasIconFile) return false;
  return !a.hasIconFile || SameText(a.iconFile, b.iconFile);
}

ButtonRecord* NewButtonFromFile(const char* path) {
  if (EndsWithNoCase(path, ".lnk")) return NewButtonFromShortcut(path);
  if (EndsWithNoCase(path, ".url")) {
    UrlShortcut* shortcut = ReadUrlShortcutFile(path);
    if (shortcut) {
      ButtonRecord* b = NewUrlButton(shortcut->name.c_str(), shortcut->url.c_str());
      FreeUrlShortcut(shortcut);
      return b;
    }
  }
  return PathButton(path);
}

ButtonRecord* NewButtonFromShortcut(const char* lnkPath) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return PathButton(lnkPath);
  IPersistFile* file = nullptr;
  ButtonRecord* b = nullptr;
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, lnkPath, -1, wide, MAX_PATH);
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(wide, STGM_READ))) {
    int show = SW_SHOWNORMAL;
    link->GetShowCmd(&show);
    link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (300u << 16));
    char target[MAX_PATH] = {};
    WIN32_FIND_DATAA found;
    if (SUCCEEDED(link->GetPath(target, MAX_PATH, &found, 0)) && target[0]) {
      b = NewButtonRecord();
      if (b) {
        char text[MAX_PATH] = {};
        b->command = target;
        b->runMode = show == SW_SHOWMINIMIZED || show == SW_SHOWMINNOACTIVE ? 2
                     : show == SW_SHOWMAXIMIZED                             ? 3
                                                                            : 1;
        link->GetWorkingDirectory(text, MAX_PATH);
        b->startIn = text;
        text[0] = 0;
        link->GetArguments(text, MAX_PATH);
        b->parameters = text;
        text[0] = 0;
        int index = 0;
        link->GetIconLocation(text, MAX_PATH, &index);
        if (text[0]) {
          b->iconFile = text;
          b->iconIndex = index;
          b->hasIconFile = 1;
        }
        b->label = BaseName(lnkPath);
      }
    } else {
      LPITEMIDLIST list = nullptr;
      if (SUCCEEDED(link->GetIDList(&list)) && list) {
        b = NewButtonFromIdList(list);
        if (b) b->label = BaseName(lnkPath);
        FreePidl(list);
      }
    }
  }
  if (file) file->Release();
  link->Release();
  return b ? b : PathButton(lnkPath);
}

ButtonRecord* NewButtonFromIdList(LPCITEMIDLIST absolute) {
  UINT size = GetPidlSize(absolute);
  if (!size) return nullptr;
  ButtonRecord* b = NewButtonRecord();
  if (!b) return nullptr;
  b->flags = kButtonIdList;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(absolute);
  b->idList.assign(bytes, bytes + size);
  b->startIn = "";
  b->parameters = "";
  char name[MAX_PATH] = {};
  GetPidlIconAndName(absolute, 1, name);
  b->label = name;
  return b;
}

ButtonRecord* NewUrlButton(const char* name, const char* url) {
  ButtonRecord* b = NewButtonRecord();
  if (!b) return nullptr;
  b->flags = kButtonUrl;
  b->urlName = name;
  b->url = url;
  b->label = name;
  return b;
}

ButtonRecord* CopyButtonRecord(const ButtonRecord& source) {
  ButtonRecord* b = NewButtonRecord();
  if (!b) return nullptr;
  *b = source;
  b->next = nullptr;
  b->largeIcon = b->smallIcon = nullptr;
  b->largeList = b->smallList = nullptr;
  b->largeIndex = b->smallIndex = -1;
  b->pressed = 0;
  b->hotKeyId = 0;
  b->hotKeyVk = 0;
  b->hotKeyModifiers = 0;
  return b;
}

void AddDesktopIconButtons(ButtonBarInstance* bar) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return;
  IEnumIDList* items = nullptr;
  if (SUCCEEDED(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items)) && items) {
    LPITEMIDLIST item = nullptr;
    ULONG got = 0;
    while (items->Next(1, &item, &got) == S_OK && got == 1) {
      ULONG attributes = SFGAO_FILESYSTEM;
      LPCITEMIDLIST one[1] = {item};
      desktop->GetAttributesOf(1, one, &attributes);
      ButtonRecord* candidate = nullptr;
      char path[MAX_PATH] = {};
      if ((attributes & SFGAO_FILESYSTEM) && SHGetPathFromIDListA(item, path) && path[0])
        candidate = NewButtonFromFile(path);
      else
        candidate = NewButtonFromIdList(item);
      FreePidl(item);
      if (!candidate) continue;
      bool present = false;
      for (ButtonRecord* b = bar->settings.CurrentList(); b && !present; b = b->next)
        present = SameButton(*b, *candidate);
      if (present)
        FreeButtonRecord(candidate);
      else
        InsertButton(bar, candidate, nullptr);
    }
    items->Release();
  }
  desktop->Release();
  LoadButtonIcons(bar);
  ChangedAndRepaint(bar, 1);
}

// ---- Menus and commands --------------------------------------------------------------

void ShowButtonBarMenu(ButtonBarInstance* bar, POINT screen, ButtonRecord* under) {
  bool taskbar = IsInsideTaskbar(bar->window);
  const ButtonBarSettings& s = bar->settings;
  HMENU menu = CreatePopupMenu();
  auto add = [&](HMENU m, UINT id, UINT textId, UINT flags = 0) {
    char text[100];
    lstrcpynA(text, LoadResString(textId), sizeof text);
    if (taskbar) StripAmpersands(text);
    AppendMenuA(m, MF_STRING | flags, id, text);
  };
  bool system = s.CurrentKind() == kGroupSystemAccess;
  if (!system) {
    add(menu, IDM_BB_NEW, IDS_BB_NEW, s.CurrentKind() == kGroupOrdinary ? 0 : MF_GRAYED);
    add(menu, IDM_BB_NEW_URL, IDS_BB_NEW_URL, s.CurrentKind() == kGroupOrdinary ? 0 : MF_GRAYED);
    if (under) {
      add(menu, IDM_BB_DELETE, IDS_BB_DELETE);
      add(menu, IDM_BB_PROPERTIES, IDS_BB_PROPERTIES);
    }
    if (!taskbar) add(menu, IDM_BB_AUTOARRANGE, IDS_BB_AUTOARRANGE, s.autoArrange ? MF_CHECKED : 0);
    if (!s.autoArrange) add(menu, IDM_BB_ARRANGE, IDS_BB_ARRANGE);
    add(menu, IDM_BB_DESKTOP, IDS_BB_DESKTOP);
    // The group operations.
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(menu, IDM_BB_NEW_GROUP, IDS_BB_NEW_GROUP, s.groupCount >= kMaxButtonGroups ? MF_GRAYED : 0);
    add(menu, IDM_BB_RENAME_GROUP, IDS_BB_RENAME_GROUP);
    add(menu, IDM_BB_DELETE_GROUP, IDS_BB_DELETE_GROUP, s.groupCount <= 1 ? MF_GRAYED : 0);
  }
  if (!taskbar) {
    HMENU styles = CreatePopupMenu();
    const UINT ids[4] = {IDM_BB_STYLE1, IDM_BB_STYLE2, IDM_BB_STYLE3, IDM_BB_STYLE4};
    int shown = system ? 2 : 4;
    for (int i = 0; i < shown; ++i) add(styles, ids[i], IDS_BB_STYLE1 + UINT(i));
    CheckMenuRadioItem(styles, 0, UINT(shown - 1), UINT(s.style - 1), MF_BYPOSITION);
    char text[100];
    lstrcpynA(text, LoadResString(IDS_BB_STYLE_MENU), sizeof text);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(styles), text);
  }
  // A System Access bar's own items follow its style submenu.
  if (system && GetSystemAccessHooks().addMenuItems) GetSystemAccessHooks().addMenuItems(bar, menu);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(menu, IDM_BB_HELP, 526);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(menu, IDM_BB_PANEL_PROPERTIES, system ? 400 : IDS_BB_PANEL_PROPERTIES);

  RECT outline;
  GetClientRect(bar->window, &outline);
  int position = -1;
  if (under) {
    POINT client = screen;
    ScreenToClient(bar->window, &client);
    RECT cell;
    if (ButtonAtPoint(bar, client, &position) && ButtonCell(bar, position, &cell, &outline)) {}
  }
  DrawMarker(bar, outline);
  RevealFrameForModal(bar->window);
  UINT chosen = UINT(seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x,
                                             screen.y, bar->window, nullptr));
  EndFrameModal();
  EraseMarker();
  g_edit.dropBar = nullptr;
  DestroyMenu(menu);
  if (chosen) RunButtonBarCommand(bar, chosen, under);
}

bool RunButtonBarCommand(ButtonBarInstance* bar, UINT id, ButtonRecord* under) {
  ButtonBarSettings& s = bar->settings;
  HWND container = GetParent(bar->window);
  if (s.CurrentKind() == kGroupSystemAccess && GetSystemAccessHooks().runCommand &&
      GetSystemAccessHooks().runCommand(bar, id))
    return true;
  switch (id) {
    case IDM_BB_NEW:
      EditButton(bar, nullptr, under);
      return true;
    case IDM_BB_DELETE: {
      if (!under) return true;
      if (FrameMessageBox(bar->window, LoadResString(IDS_BB_DELETE_ASK),
                          Text(IDS_BB_DELETE_CAPTION).c_str(),
                          MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) != IDYES)
        return true;
      if (under->hotKeyId)
        SendMessageA(container, PNM_REMOVEHOTKEY, reinterpret_cast<WPARAM>(bar->window), under->hotKeyId);
      RemoveButton(bar, under);
      FreeButtonRecord(under);
      ChangedAndRepaint(bar, 1);
      return true;
    }
    case IDM_BB_PROPERTIES:
      if (!under) return true;
      if (under->IsUrl()) {
        char name[260] = "", url[260] = "";
        lstrcpynA(name, under->urlName ? under->urlName->c_str() : "", sizeof name);
        lstrcpynA(url, under->url ? under->url->c_str() : "", sizeof url);
        RevealFrameForModal(bar->window);
        int ok = EditUrlShortcutDialog(bar->window, name, url);
        EndFrameModal();
        if (ok) {
          under->urlName = name;
          under->url = url;
          under->label = name;
          RefreshButtonTooltips(bar);
          SendMessageA(container, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 0);
          InvalidateRect(bar->window, nullptr, TRUE);
        }
        return true;
      }
      EditButton(bar, under, nullptr);
      return true;
    case IDM_BB_HELP:
      OpenHelpTopic(bar->window, s.CurrentKind() == kGroupSystemAccess ? 78 : 74);
      return true;
    case IDM_BB_PANEL_PROPERTIES:
      SendMessageA(container, PNM_OPENCONFIG, reinterpret_cast<WPARAM>(bar->window), 0);
      return true;
    case IDM_BB_ARRANGE:
      return true;
    case IDM_BB_STYLE1:
    case IDM_BB_STYLE2:
    case IDM_BB_STYLE3:
    case IDM_BB_STYLE4: {
      int style = id == IDM_BB_STYLE1 ? 1 : id == IDM_BB_STYLE2 ? 2 : id == IDM_BB_STYLE3 ? 3 : 4;
      if (style == s.style) return true;
      s.style = style;
      ChangedAndRepaint(bar, 1);
      RefreshArrangePage(bar);
      return true;
    }
    case IDM_BB_DESKTOP:
      AddDesktopIconButtons(bar);
      return true;
    case IDM_BB_AUTOARRANGE:
      s.autoArrange = !s.autoArrange;
      if (s.autoArrange) ChangedAndRepaint(bar, 1);
      else SendMessageA(container, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 0);
      return true;
    case IDM_BB_NEW_GROUP:
      if (s.groupCount >= kMaxButtonGroups) return true;
      if (FrameDialogBox(Instance(), MAKEINTRESOURCEA(IDD_NEW_GROUP), bar->window, NewGroupDlgProc,
                         reinterpret_cast<LPARAM>(bar)) == IDOK)
        ChangedAndRepaint(bar, 1);
      return true;
    case IDM_BB_DELETE_GROUP: {
      if (s.groupCount <= 1) return true;
      if (FrameMessageBox(bar->window, LoadResString(IDS_BB_DELETE_GROUP_ASK),
                          Text(IDS_BB_DELETE_GROUP_CAPTION).c_str(),
                          MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return true;
      SendMessageA(container, PNM_REMOVEHOTKEY, reinterpret_cast<WPARAM>(bar->window), 0);
      int g = s.currentGroup;
      FreeButtonList(s.groups[g]);
      for (int i = g; i + 1 < s.groupCount; ++i) {
        std::memcpy(s.groupNames[i], s.groupNames[i + 1], kGroupNameSize);
        s.groupKinds[i] = s.groupKinds[i + 1];
        s.groups[i] = s.groups[i + 1];
      }
      --s.groupCount;
      s.groups[s.groupCount] = nullptr;
      std::memset(s.groupNames[s.groupCount], 0, kGroupNameSize);
      s.groupKinds[s.groupCount] = 0;
      if (s.currentGroup >= s.groupCount) s.currentGroup = 0;
      s.firstRow = 0;
      RegisterButtonHotKeys(bar);
      ChangedAndRepaint(bar, 1);
      return true;
    }
    case IDM_BB_RENAME_GROUP:
      if (FrameDialogBox(Instance(), MAKEINTRESOURCEA(IDD_RENAME_GROUP), bar->window,
                         RenameGroupDlgProc, reinterpret_cast<LPARAM>(bar)) == IDOK) {
        SendMessageA(container, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 0);
        RefreshButtonTooltips(bar);
        InvalidateRect(bar->window, nullptr, TRUE);
      }
      return true;
    case IDM_BB_NEW_URL: {
      if (s.CurrentKind() != kGroupOrdinary) return true;
      char name[260] = "", url[260] = "http://";
      RevealFrameForModal(bar->window);
      int ok = EditUrlShortcutDialog(bar->window, name, url);
      EndFrameModal();
      if (!ok) return true;
      ButtonRecord* b = NewUrlButton(name, url);
      if (!b) return true;
      InsertButton(bar, b, under);
      LoadButtonIcons(bar);
      ChangedAndRepaint(bar, 1);
      return true;
    }
  }
  return false;
}

// ---- Drops ---------------------------------------------------------------------------

bool TrackButtonBarDragOver(ButtonBarInstance* bar, POINT client) {
  if (client.x < 0 || client.y < 0) {
    EraseMarker();
    return false;
  }
  const ButtonBarSettings& s = bar->settings;
  if (s.groupCount > 1) {
    int tab = TabAtPoint(bar, client);
    if (tab >= 0) {
      if (s.groupKinds[tab] != kGroupOrdinary) {
        EraseMarker();
        return false;
      }
      RECT slot = bar->horizontal ? RECT{1 + 20 * tab, 1, 21 + 20 * tab, 19}
                                  : RECT{1, 1 + 20 * tab, 19, 21 + 20 * tab};
      DrawMarker(bar, slot);
      return true;
    }
    int along = bar->horizontal ? client.x : client.y;
    if (along < 1 + 20 * s.groupCount) {
      EraseMarker();
      return false;
    }
  }
  if (s.CurrentKind() != kGroupOrdinary) {
    EraseMarker();
    return false;
  }
  RECT all;
  GetClientRect(bar->window, &all);
  DrawMarker(bar, all);
  return true;
}

bool DropFileOnButtonBar(ButtonBarInstance* bar, const char* path, POINT client) {
  EraseMarker();
  return PlaceDropped(bar, NewButtonFromFile(path), client);
}

bool DropIdListOnButtonBar(ButtonBarInstance* bar, LPCITEMIDLIST absolute, POINT client) {
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDListA(absolute, path) && path[0]) return DropFileOnButtonBar(bar, path, client);
  EraseMarker();
  return PlaceDropped(bar, NewButtonFromIdList(absolute), client);
}

bool DropUrlOnButtonBar(ButtonBarInstance* bar, const char* name, const char* url, POINT client) {
  EraseMarker();
  return PlaceDropped(bar, NewUrlButton(name, url), client);
}

bool DropButtonOnButtonBar(ButtonBarInstance* target, ButtonBarInstance* source,
                           ButtonRecord* button, POINT client, bool swap) {
  EraseMarker();
  if (!button || !source) return false;
  bool move = (source == target) == !swap;
  ButtonBarSettings& s = target->settings;
  int tab = DropTab(target, client);
  ButtonRecord* before = tab >= 0 ? nullptr : ButtonAtPoint(target, client);
  if (move && before == button) return true;  // onto itself
  if (tab >= 0 && s.groupKinds[tab] != kGroupOrdinary) return true;
  if (tab < 0 && s.CurrentKind() != kGroupOrdinary) return false;
  ButtonRecord* placed = button;
  if (move) {
    if (button->hotKeyId && source != target) {
      SendMessageA(GetParent(source->window), PNM_REMOVEHOTKEY,
                   reinterpret_cast<WPARAM>(source->window), button->hotKeyId);
      button->hotKeyId = 0;
      button->hotKeyVk = button->hotKeyModifiers = 0;
    }
    RemoveButton(source, button);
  } else {
    placed = CopyButtonRecord(*button);
    if (!placed) return false;
  }
  if (tab >= 0) {
    placed->next = s.groups[tab];
    s.groups[tab] = placed;
  } else {
    InsertButton(target, placed, before);
  }
  LoadButtonIcons(target);
  ChangedAndRepaint(target, 1);
  if (move && source != target) {
    LoadButtonIcons(source);
    ChangedAndRepaint(source, 1);
  }
  return true;
}

std::string WriteDragOutFile(const ButtonRecord& b, const char* folder) {
  char name[MAX_PATH] = {};
  lstrcpynA(name, b.Label()[0] ? b.Label() : "Button", 200);
  StripIllegalFileNameChars(name);
  if (!name[0]) lstrcpynA(name, "Button", sizeof name);
  std::string dir = folder;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  if (b.IsUrl()) {
    UrlShortcut shortcut{name, b.url ? *b.url : std::string()};
    std::string path;
    DeleteFileA((dir + "\\" + name + ".url").c_str());
    if (!WriteUrlShortcutFile(&shortcut, dir.c_str(), &path)) return "";
    return path;
  }
  std::string path = dir + "\\" + name + ".lnk";
  DeleteFileA(path.c_str());
  int show = b.runMode == 2 ? SW_SHOWMINNOACTIVE : b.runMode == 3 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  const char* iconFile = b.hasIconFile && b.iconFile ? b.iconFile->c_str() : nullptr;
  if (!CreateShortcutFile(dir.c_str(), name, b.IsIdList() ? nullptr : b.Command(), b.Label(),
                          b.parameters ? b.parameters->c_str() : nullptr,
                          b.startIn ? b.startIn->c_str() : nullptr, show, iconFile, b.iconIndex,
                          b.IsIdList() ? b.Pidl() : nullptr))
    return "";
  return ShortcutAsStored(path);
}

void StartButtonDragOut(ButtonBarInstance* bar, ButtonRecord* button) {
  if (GetCapture() == bar->window) ReleaseCapture();
  std::string folder = DragOutFolder();
  if (folder.empty()) return;
  std::string file = WriteDragOutFile(*button, folder.c_str());
  if (file.empty()) return;
  g_edit.dragBar = bar;
  g_edit.dragged = button;
  DragOutFile(file);
  g_edit.dragBar = nullptr;
  g_edit.dragged = nullptr;
  if (IsWindow(bar->window)) RefreshButtonTooltips(bar);
}

namespace {

void HandlerSetDropTarget(HWND window) {
  ButtonBarInstance* bar = ButtonBarOf(window);
  if (!bar && g_edit.dropBar) EraseMarker();
  g_edit.dropBar = bar;
}

int HandlerDragKind(HWND window) {
  if (!g_edit.dragBar || !g_edit.dragged) return 0;
  return g_edit.dragBar->window == window ? 1 : 2;
}

BOOL HandlerTrackDragOver(HWND window, int x, int y) {
  ButtonBarInstance* bar = ButtonBarOf(window);
  return bar && TrackButtonBarDragOver(bar, POINT{x, y});
}

BOOL HandlerDropOnBar(HWND window, int x, int y) {
  ButtonBarInstance* bar = ButtonBarOf(window);
  if (!bar || !g_edit.dragBar || !g_edit.dragged || !IsWindow(g_edit.dragBar->window)) return FALSE;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  ButtonRecord* dragged = g_edit.dragged;
  ButtonBarInstance* source = g_edit.dragBar;
  g_edit.dragged = nullptr;  // a moved button is no longer the source's
  g_edit.dragBar = nullptr;
  DropButtonOnButtonBar(bar, source, dragged, POINT{x, y}, shift);
  return TRUE;
}

void HandlerDropFile(HWND window, const char* path, int x, int y) {
  if (ButtonBarInstance* bar = ButtonBarOf(window)) DropFileOnButtonBar(bar, path, POINT{x, y});
}

void HandlerDropIdList(HWND window, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) {
  ButtonBarInstance* bar = ButtonBarOf(window);
  if (!bar) return;
  LPITEMIDLIST absolute = CombinePidls(parent, item);
  if (absolute) DropIdListOnButtonBar(bar, absolute, POINT{x, y});
  FreePidl(absolute);
}

void HandlerDropUrl(HWND window, const UrlShortcut* shortcut, int x, int y) {
  ButtonBarInstance* bar = ButtonBarOf(window);
  if (bar && shortcut) DropUrlOnButtonBar(bar, shortcut->name.c_str(), shortcut->url.c_str(), POINT{x, y});
}

}  // namespace

void InstallButtonBarDropHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  ButtonBarDropHandlers h;
  h.setDropTarget = HandlerSetDropTarget;
  h.dragKind = HandlerDragKind;
  h.trackDragOver = HandlerTrackDragOver;
  h.dropOnBar = HandlerDropOnBar;
  h.dropFile = HandlerDropFile;
  h.dropIdList = HandlerDropIdList;
  h.dropUrl = HandlerDropUrl;
  SetButtonBarDropHandlers(h);
}

ButtonBarInstance* DraggedButtonBar(ButtonRecord** button) {
  if (button) *button = g_edit.dragged;
  return g_edit.dragBar;
}

HWND CreateButtonBarPage(ButtonBarInstance* bar, HWND parent, int x, int y) {
  return CreatePanelSheet(parent, x, y, IDD_ARRANGE_PAGE, ButtonArrangePageProc,
                          reinterpret_cast<LPARAM>(bar));
}

void RefreshArrangePage(ButtonBarInstance* bar) {
  if (g_edit.arrangePage && g_edit.arrangeBar == bar && IsWindow(g_edit.arrangePage))
    FillArrangePage(g_edit.arrangePage, bar);
}

}  // namespace jqbar
