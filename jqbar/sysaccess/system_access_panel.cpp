#include "system_access_panel.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "button_bar_data.h"
#include "button_bar_edit.h"
#include "panel_drawing.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource.h"

namespace jqbar {
namespace {

PanelType g_type;

// The order in which set options bring their items.
constexpr int kAddOrder[kSystemActionCount] = {IDM_SA_SHUTDOWN,   IDM_SA_RESTART,        IDM_SA_DOSMODE,
                                               IDM_SA_LOGON,      IDM_SA_RESOLUTION,     IDM_SA_RESTARTWINDOWS,
                                               IDM_SA_PRINTSCREEN, IDM_SA_SCREENSAVER};

HINSTANCE Instance() { return Globals().instance ? Globals().instance : GetModuleHandleA(nullptr); }

bool IsSystemBar(const ButtonBarInstance* bar) {
  return bar && bar->settings.groupKinds[bar->settings.currentGroup] == kGroupSystemAccess;
}

bool OptionSet(const SystemAccessOptions& o, int commandId) {
  switch (commandId) {
    case IDM_SA_SHUTDOWN: return o.shutdown != 0;
    case IDM_SA_RESTART: return o.restart != 0;
    case IDM_SA_DOSMODE: return o.dosMode != 0;
    case IDM_SA_LOGON: return o.logon != 0;
    case IDM_SA_RESOLUTION: return o.resolution != 0;
    case IDM_SA_RESTARTWINDOWS: return (o.flags & 1) != 0;
    case IDM_SA_PRINTSCREEN: return (o.flags & 2) != 0;
    case IDM_SA_SCREENSAVER: return (o.flags & 4) != 0;
    default: return false;
  }
}

void SetOption(SystemAccessOptions& o, int commandId, bool on) {
  auto flag = [&](int bit) { o.flags = on ? (o.flags | bit) : (o.flags & ~bit); };
  switch (commandId) {
    case IDM_SA_SHUTDOWN: o.shutdown = on; break;
    case IDM_SA_RESTART: o.restart = on; break;
    case IDM_SA_DOSMODE: o.dosMode = on; break;
    case IDM_SA_LOGON: o.logon = on; break;
    case IDM_SA_RESOLUTION: o.resolution = on; break;
    case IDM_SA_RESTARTWINDOWS: flag(1); break;
    case IDM_SA_PRINTSCREEN: flag(2); break;
    case IDM_SA_SCREENSAVER: flag(4); break;
    default: break;
  }
}

std::vector<int> ItemCommands(const ButtonBarInstance* bar) {
  std::vector<int> ids;
  for (const ButtonRecord* b = bar->settings.groups[bar->settings.currentGroup]; b; b = b->next)
    ids.push_back(SystemActionCommandOf(b));
  return ids;
}

ButtonRecord* FindItem(ButtonBarInstance* bar, int commandId) {
  for (ButtonRecord* b = bar->settings.CurrentList(); b; b = b->next)
    if (SystemActionCommandOf(b) == commandId) return b;
  return nullptr;
}

// Items a stored bar may hold that cannot work here: an action code outside the table, a second
// item of one action, and on Windows NT restart Windows and MS-DOS mode. They are dropped.
void DropUnusableItems(ButtonBarInstance* bar) {
  std::vector<int> seen;
  ButtonRecord** link = &bar->settings.CurrentList();
  while (*link) {
    ButtonRecord* b = *link;
    int id = SystemActionCommandOf(b);
    bool refused = SystemIsWindowsNT() && (id == IDM_SA_RESTARTWINDOWS || id == IDM_SA_DOSMODE);
    bool twice = false;
    for (int s : seen) twice = twice || s == id;
    if (id < 0 || refused || twice) {
      *link = b->next;
      FreeButtonRecord(b);
      continue;
    }
    seen.push_back(id);
    link = &b->next;
  }
}

// ---- The button bar's hooks for kind-30 groups --------------------------------------------

void HookRunAction(ButtonBarInstance* bar, ButtonRecord* button, POINT screen) {
  if (!button || button->largeIndex < 0 || button->largeIndex >= kSystemActionCount) return;
  RunSystemAction(button->largeIndex, screen.x, screen.y, bar->window,
                  HeadSystemAccessOptions(bar->settings).confirm != 0);
}

void HookLoadIcons(ButtonBarInstance*, ButtonRecord* button) { LoadSystemActionIcons(button); }

void HookAddMenuItems(ButtonBarInstance* bar, HMENU menu) {
  bool taskbar = IsInsideTaskbar(bar->window);
  HMENU functions = CreatePopupMenu();
  const int order[kSystemActionCount] = {IDM_SA_SHUTDOWN,   IDM_SA_RESTART,     IDM_SA_RESTARTWINDOWS,
                                         IDM_SA_DOSMODE,    IDM_SA_PRINTSCREEN, IDM_SA_SCREENSAVER,
                                         IDM_SA_LOGON,      IDM_SA_RESOLUTION};
  for (int id : order) {
    if (SystemIsWindowsNT() && (id == IDM_SA_RESTARTWINDOWS || id == IDM_SA_DOSMODE)) continue;
    char text[100];
    lstrcpynA(text, LoadResString(UINT(GetSystemAction(SystemActionIndexOfCommand(id)).labelId)), sizeof text);
    if (taskbar) StripAmpersands(text);
    AppendMenuA(functions, MF_STRING | (FindItem(bar, id) ? MF_CHECKED : 0), UINT_PTR(id), text);
  }
  char text[100];
  lstrcpynA(text, LoadResString(IDS_SA_FUNCTIONS), sizeof text);
  if (taskbar) StripAmpersands(text);
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(functions), text);
}

bool HookRunCommand(ButtonBarInstance* bar, UINT id) {
  // The two styles of the menu: an open page shows the new one too.
  if (id == IDM_BB_STYLE1 || id == IDM_BB_STYLE2) {
    int style = id == IDM_BB_STYLE1 ? 1 : 2;
    if (style != bar->settings.style) {
      bar->settings.style = style;
      RelayoutButtonBar(bar, true, 1);
      RefreshSystemAccessPage(bar);
    }
    return true;
  }
  if (SystemActionIndexOfCommand(int(id)) < 0) return false;
  SystemAccessOptions options = ReadSystemAccessOptions(bar);
  bool on = !OptionSet(options, int(id));
  if (on) {
    if (!AddSystemActionItem(bar, int(id))) return true;  // refused here: nothing changes
  } else {
    RemoveSystemActionItem(bar, int(id));
  }
  SetOption(options, int(id), on);
  SetHeadSystemAccessOptions(bar->settings, options);
  RelayoutButtonBar(bar, true, 1);
  RefreshButtonTooltips(bar);
  RefreshSystemAccessPage(bar);
  InvalidateRect(bar->window, nullptr, TRUE);
  return true;
}

HWND HookCreatePage(ButtonBarInstance* bar, HWND parent, int x, int y) {
  return CreateSystemAccessSheet(bar, parent, x, y);
}

void InstallHooks() {
  SystemAccessHooks hooks;
  hooks.runAction = HookRunAction;
  hooks.loadIcons = HookLoadIcons;
  hooks.addMenuItems = HookAddMenuItems;
  hooks.runCommand = HookRunCommand;
  hooks.settingsSet = ApplySystemAccessOptions;
  hooks.createPage = HookCreatePage;
  SetSystemAccessHooks(hooks);
}

// The blob of a new bar: one unnamed kind-30 group, small icons, auto-arrange, confirm on.
std::vector<std::uint8_t> NewBarBlob() {
  ButtonBarSettings s;
  s.lines = 1;
  s.groupCount = 1;
  s.groupKinds[0] = kGroupSystemAccess;
  s.style = 1;
  s.autoArrange = 1;
  s.rowLimit = 20;
  SystemAccessOptions o;
  o.confirm = 1;
  SetHeadSystemAccessOptions(s, o);
  return WriteButtonBarBlob(s);
}

// A stored blob a System Access bar takes: a button bar of one kind-30 group. Its first-fill
// word is cleared (the desktop's items have no place here).
bool TakeStoredBlob(const void* blob, int blobSize, std::vector<std::uint8_t>& out) {
  if (!blob || blobSize <= 0) return false;
  const auto* p = static_cast<const std::uint8_t*>(blob);
  ButtonBarSettings check;
  if (!ReadButtonBarBlob(p, std::size_t(blobSize), check)) return false;
  bool ours = check.groupCount == 1 && check.groupKinds[0] == kGroupSystemAccess;
  FreeButtonGroups(check);
  if (!ours) return false;
  out.assign(p, p + blobSize);
  std::memset(out.data(), 0, 4);
  return true;
}

}  // namespace

bool SystemIsWindowsNT() { return (GetVersion() & 0x80000000u) == 0; }

SystemAccessOptions HeadSystemAccessOptions(const ButtonBarSettings& s) {
  SystemAccessOptions o;
  o.shutdown = s.systemOptions[0];
  o.restart = s.systemOptions[1];
  o.flags = s.systemOptions[2];
  o.dosMode = s.systemOptions[3];
  o.logon = s.systemOptions[4];
  o.resolution = s.systemOptions[5];
  o.confirm = std::int16_t(std::uint32_t(s.forwardPressed) >> 16);
  return o;
}

void SetHeadSystemAccessOptions(ButtonBarSettings& s, const SystemAccessOptions& o) {
  s.systemOptions[0] = o.shutdown;
  s.systemOptions[1] = o.restart;
  s.systemOptions[2] = o.flags;
  s.systemOptions[3] = o.dosMode;
  s.systemOptions[4] = o.logon;
  s.systemOptions[5] = o.resolution;
  s.forwardPressed = std::int32_t((std::uint32_t(s.forwardPressed) & 0xFFFFu) |
                                  (std::uint32_t(std::uint16_t(o.confirm)) << 16));
}

int SystemActionCommandOf(const ButtonRecord* item) {
  if (!item || item->largeIndex < 0 || item->largeIndex >= kSystemActionCount) return -1;
  return GetSystemAction(item->largeIndex).commandId;
}

void LoadSystemActionIcons(ButtonRecord* item) {
  if (!item || item->largeIndex < 0 || item->largeIndex >= kSystemActionCount) return;
  if (item->largeIcon) DestroyIcon(item->largeIcon);
  if (item->smallIcon) DestroyIcon(item->smallIcon);
  int icon = GetSystemAction(item->largeIndex).iconId;
  int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  item->largeIcon = static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(icon), IMAGE_ICON, cx, cy, 0));
  item->smallIcon = static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(icon + 6), IMAGE_ICON, 16, 16, 0));
}

ButtonRecord* MakeSystemActionItem(int index) {
  if (index < 0 || index >= kSystemActionCount) return nullptr;
  ButtonRecord* item = NewButtonRecord();
  if (!item) return nullptr;
  const SystemAction& action = GetSystemAction(index);
  item->command = std::string();
  item->parameters = std::string();
  item->startIn = std::string();
  item->runMode = 1;
  item->largeIndex = index;
  item->smallIndex = action.commandId;
  item->label = std::string(LoadResString(UINT(action.labelId)));
  LoadSystemActionIcons(item);
  return item;
}

bool AddSystemActionItem(ButtonBarInstance* bar, int commandId) {
  if (!IsSystemBar(bar)) return false;
  std::vector<int> ids = ItemCommands(bar);
  int at = InsertActionCommand(ids, commandId, SystemIsWindowsNT());
  if (at < 0) return false;
  ButtonRecord* item = MakeSystemActionItem(SystemActionIndexOfCommand(commandId));
  if (!item) return false;
  // Before the item now at that place, or at the end.
  ButtonRecord* before = bar->settings.CurrentList();
  for (int i = 0; i < at && before; ++i) before = before->next;
  InsertButton(bar, item, before);
  return true;
}

bool RemoveSystemActionItem(ButtonBarInstance* bar, int commandId) {
  if (!IsSystemBar(bar)) return false;
  ButtonRecord* item = FindItem(bar, commandId);
  if (!item) return false;
  RemoveButton(bar, item);
  FreeButtonRecord(item);
  return true;
}

SystemAccessOptions ReadSystemAccessOptions(const ButtonBarInstance* bar) {
  return OptionsFromItems(ItemCommands(bar), HeadSystemAccessOptions(bar->settings).confirm);
}

void ApplySystemAccessOptions(ButtonBarInstance* bar) {
  if (!IsSystemBar(bar)) return;
  DropUnusableItems(bar);
  SystemAccessOptions options = HeadSystemAccessOptions(bar->settings);
  for (int id : kAddOrder) {
    if (OptionSet(options, id))
      AddSystemActionItem(bar, id);
    else
      RemoveSystemActionItem(bar, id);
  }
  RefreshSystemAccessPage(bar);
  if (HWND parent = GetParent(bar->window))
    SendMessageA(parent, PNM_SETTINGSCHANGED, reinterpret_cast<WPARAM>(bar->window), 0);
  RefreshButtonTooltips(bar);
}

HWND CreateSystemAccess(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  InstallHooks();
  std::vector<std::uint8_t> data;
  bool stored = TakeStoredBlob(blob, blobSize, data);
  if (!stored) data = NewBarBlob();
  HWND window = CreateButtonBar(parent, rect, data.data(), int(data.size()));
  ButtonBarInstance* bar = ButtonBarOf(window);
  if (!bar) return window;
  DropUnusableItems(bar);
  if (stored) {
    SystemAccessOptions options = HeadSystemAccessOptions(bar->settings);
    for (int id : kAddOrder)
      if (OptionSet(options, id)) AddSystemActionItem(bar, id);
  } else {
    for (int index : {0, 5})
      if (ButtonRecord* item = MakeSystemActionItem(index)) InsertButton(bar, item, nullptr);
    SystemAccessOptions options = HeadSystemAccessOptions(bar->settings);
    options.shutdown = 1;
    options.resolution = 1;
    SetHeadSystemAccessOptions(bar->settings, options);
  }
  LoadButtonIcons(bar);
  RelayoutButtonBar(bar, false, 0);
  RefreshButtonTooltips(bar);
  InvalidateRect(window, nullptr, TRUE);
  return window;
}

HWND RecreateSystemAccess(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return CreateSystemAccess(parent, rect, blob, blobSize);
}

PanelType* RegisterSystemAccessPanelType(HINSTANCE instance) {
  InstallHooks();
  FillBuiltinType(g_type, instance, "System Access", IDS_SA_TYPE, IDS_SA_TYPE_DESC, IDB_SA_TYPE, IDB_SA_TYPE_MASK,
                  RecreateSystemAccess);
  return &g_type;
}

// ---- Property sheet 657, page 559 -------------------------------------------------------------

namespace {

struct PageState {
  HWND page = nullptr;
  ButtonBarInstance* bar = nullptr;
};
PageState g_page;

constexpr int kPageChecks[kSystemActionCount] = {IDC_SA_SHUTDOWN,   IDC_SA_RESTART,     IDC_SA_RESTARTWINDOWS,
                                                 IDC_SA_DOSMODE,    IDC_SA_LOGON,       IDC_SA_RESOLUTION,
                                                 IDC_SA_PRINTSCREEN, IDC_SA_SCREENSAVER};

// A menu text as a list entry: a trailing "(&X)" goes whole, any other '&' alone.
void StripMnemonic(char* text) {
  if (char* open = std::strstr(text, "(&"))
    if (open[2] && open[3] == ')') std::memmove(open, open + 4, std::strlen(open + 4) + 1);
  StripAmpersands(text);
}

bool BarAlive(ButtonBarInstance* bar) { return bar && IsWindow(bar->window) && ButtonBarOf(bar->window) == bar; }

void FillPage(HWND page, ButtonBarInstance* bar) {
  SystemAccessOptions o = ReadSystemAccessOptions(bar);
  bool nt = SystemIsWindowsNT();
  for (int i = 0; i < kSystemActionCount; ++i) {
    int id = GetSystemAction(i).commandId;
    HWND box = GetDlgItem(page, kPageChecks[i]);
    bool hidden = nt && (id == IDM_SA_RESTARTWINDOWS || id == IDM_SA_DOSMODE);
    ShowWindow(box, hidden ? SW_HIDE : SW_SHOW);
    EnableWindow(box, !hidden);
    CheckDlgButton(page, kPageChecks[i], OptionSet(o, id) ? BST_CHECKED : BST_UNCHECKED);
  }
  SendDlgItemMessageA(page, IDC_SA_STYLE, CB_SETCURSEL, bar->settings.style == 1 ? 0 : 1, 0);
  CheckDlgButton(page, IDC_SA_CONFIRM, o.confirm ? BST_CHECKED : BST_UNCHECKED);
}

void ApplyPage(HWND page, ButtonBarInstance* bar) {
  SystemAccessOptions o = ReadSystemAccessOptions(bar);
  bool changed = false;
  int style = SendDlgItemMessageA(page, IDC_SA_STYLE, CB_GETCURSEL, 0, 0) == 1 ? 2 : 1;
  if (style != bar->settings.style) {
    bar->settings.style = style;
    changed = true;
  }
  for (int i = 0; i < kSystemActionCount; ++i) {
    int id = GetSystemAction(i).commandId;
    if (!IsWindowEnabled(GetDlgItem(page, kPageChecks[i]))) continue;
    bool on = IsDlgButtonChecked(page, kPageChecks[i]) == BST_CHECKED;
    if (on == OptionSet(o, id)) continue;
    bool done = on ? AddSystemActionItem(bar, id) : RemoveSystemActionItem(bar, id);
    if (!done) continue;
    SetOption(o, id, on);
    changed = true;
  }
  std::int16_t confirm = IsDlgButtonChecked(page, IDC_SA_CONFIRM) == BST_CHECKED ? 1 : 0;
  if (confirm != o.confirm) changed = true;
  o.confirm = confirm;
  SetHeadSystemAccessOptions(bar->settings, o);
  if (changed) {
    if (HWND parent = GetParent(bar->window))
      SendMessageA(parent, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), 1);
    RefreshButtonTooltips(bar);
  }
  RelayoutButtonBar(bar, false, 0);
  InvalidateRect(bar->window, nullptr, TRUE);
}

INT_PTR CALLBACK SystemAccessPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      g_page.page = page;
      g_page.bar = reinterpret_cast<ButtonBarInstance*>(lParam);
      // The menu's texts for the two styles, without their mnemonics.
      for (UINT id : {UINT(IDS_BB_STYLE1), UINT(IDS_BB_STYLE2)}) {
        char text[100];
        lstrcpynA(text, LoadResString(id), sizeof text);
        StripMnemonic(text);
        SendDlgItemMessageA(page, IDC_SA_STYLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      }
      if (IsInsideTaskbar(g_page.bar->window))
        for (int id : {IDC_SA_STYLE, IDC_SA_STYLE_LABEL}) {
          ShowWindow(GetDlgItem(page, id), SW_HIDE);
          EnableWindow(GetDlgItem(page, id), FALSE);
        }
      FillPage(page, g_page.bar);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_SHEET_APPLY && BarAlive(g_page.bar)) ApplyPage(page, g_page.bar);
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(page, 78);
      return TRUE;
    case WM_DESTROY:
      if (g_page.page == page) g_page = PageState{};
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HWND CreateSystemAccessSheet(ButtonBarInstance* bar, HWND parent, int x, int y) {
  return CreatePanelSheet(parent, x, y, IDD_SA_PAGE, SystemAccessPageProc, reinterpret_cast<LPARAM>(bar));
}

void RefreshSystemAccessPage(ButtonBarInstance* bar) {
  if (g_page.page && g_page.bar == bar && IsWindow(g_page.page)) FillPage(g_page.page, bar);
}

}  // namespace jqbar
