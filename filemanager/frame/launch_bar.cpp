#include "launch_bar.h"
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstdlib>
#include <cstring>
#include "coolbar.h"
#include "frame_state.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "shortcut_file.h"

namespace {
HICON g_defaultIcon = nullptr;
HBITMAP g_strip = nullptr;
UINT g_doubleClickTime = 452;
DWORD g_lastClick = 0;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string BaseNameWithoutExtension(const char* path) {
  if (!path) return {};
  std::string s = path;
  while (s.size() > 3 && s.back() == '\\') s.pop_back();
  size_t slash = s.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? s : s.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

bool EndsWithLnk(const std::string& path) {
  return path.size() > 4 && _stricmp(path.c_str() + path.size() - 4, ".lnk") == 0;
}

std::string Text(UINT id) {
  char buffer[260] = "";
  LoadStringA(g_instance, id, buffer, sizeof buffer);
  return buffer;
}

void RemoveButtons(HWND bar) {
  while (SendMessageA(bar, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(bar, TB_DELETEBUTTON, 0, 0);
}

// The image strip of the buttons' icons and one button per record.
void AddLaunchButtons(HWND bar) {
  int count = CountLaunchButtons();
  if (g_strip) DeleteObject(g_strip);
  g_strip = nullptr;
  if (!bar || count == 0) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  g_strip = CreateCompatibleBitmap(screen, 16 * count, 16);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, g_strip);
  RECT all{0, 0, 16 * count, 16};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  int i = 0;
  for (LaunchButton* b = LaunchButtonList(); b; b = b->next, ++i)
    if (b->icon) DrawIconEx(dc, 16 * i, 0, b->icon, 16, 16, 0, nullptr, DI_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  TBADDBITMAP add{nullptr, reinterpret_cast<UINT_PTR>(g_strip)};
  int first = static_cast<int>(SendMessageA(bar, TB_ADDBITMAP, count, reinterpret_cast<LPARAM>(&add)));
  if (first < 0) first = 0;
  i = 0;
  for (LaunchButton* b = LaunchButtonList(); b; b = b->next, ++i) {
    TBBUTTON button{};
    button.iBitmap = first + i;
    button.idCommand = static_cast<int>(kFirstLaunchCommand) + i;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = TBSTYLE_BUTTON;
    SendMessageA(bar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
  }
}

HWND MakeBar(HWND parent, const RECT* at) {
  const LiveOptions& o = GetLiveOptions();
  DWORD style = WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE;
  if (o.toolbarScrolls && !g_frame.barsInCoolbar) style |= TBSTYLE_WRAPABLE;
  TBBUTTON placeholder{};
  placeholder.fsStyle = TBSTYLE_SEP;
  HWND bar = CreateToolbarEx(parent, style, kLaunchBarId, 0, nullptr, 0, &placeholder, 1, 16, 16,
                             16, 16, sizeof(TBBUTTON));
  if (!bar) return nullptr;
  if (!o.launchBarShown) ShowWindow(bar, SW_HIDE);
  if (o.floatingIconToolbar && g_frame.commonControlsEx)
    SendMessageA(bar, TB_SETSTYLE, 0, SendMessageA(bar, TB_GETSTYLE, 0, 0) | TBSTYLE_FLAT);
  if (at) MoveWindow(bar, at->left, at->top, at->right - at->left, at->bottom - at->top, FALSE);
  return bar;
}

void RecordHeight(HWND bar) {
  RECT r{};
  GetWindowRect(bar, &r);
  g_frame.launchBarHeight = r.bottom - r.top - 2;
  if (g_frame.launchBarHeight < 0) g_frame.launchBarHeight = 0;
}

void PushFront(LaunchButton* b) {
  b->next = LaunchButtonList();
  LaunchButtonList() = b;
}

void AddDefault(const std::string& command, UINT label, const char* startDirectory = nullptr) {
  if (GetFileAttributesA(command.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  LaunchButton* b = NewLaunchButton();
  SetLaunchString(&b->command, command.c_str());
  SetLaunchString(&b->label, Text(label).c_str());
  if (startDirectory) SetLaunchString(&b->startDirectory, startDirectory);
  b->icon = LoadLaunchButtonIcon(b->command, nullptr, 0, 0);
  PushFront(b);
}

bool IsNt() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&v);
#pragma GCC diagnostic pop
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
}  // namespace

HICON SharedLaunchIcon() {
  if (!g_defaultIcon) {
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    std::string shell32 = WithSlash(system) + "SHELL32.DLL";
    ExtractIconExA(shell32.c_str(), 0, nullptr, &g_defaultIcon, 1);
  }
  return g_defaultIcon;
}

HICON LoadLaunchButtonIcon(const char* command, const char* iconFile, int iconIndex, uint32_t custom) {
  if (!command) return nullptr;
  HICON icon = nullptr;
  if (!custom) {
    while (*command == ' ' || *command == '\t') ++command;
    LPITEMIDLIST item = *command ? ParsePathToPidl(command, nullptr, nullptr) : nullptr;
    if (item) {
      // The small icon of the item's system image list entry, taken as an icon of our own.
      SHFILEINFOA info{};
      if (SHGetFileInfoA(reinterpret_cast<const char*>(item), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON))
        icon = info.hIcon;
      FreePidl(item);
    }
  } else if (iconFile && *iconFile) {
    ExtractIconExA(iconFile, iconIndex, nullptr, &icon, 1);
  }
  return icon ? icon : SharedLaunchIcon();
}

LaunchButton* CopyLaunchButton(const LaunchButton* from) {
  LaunchButton* b = NewLaunchButton();
  SetLaunchString(&b->command, from->command);
  SetLaunchString(&b->startDirectory, from->startDirectory);
  SetLaunchString(&b->parameters, from->parameters);
  SetLaunchString(&b->label, from->label);
  SetLaunchString(&b->iconFile, from->iconFile);
  b->showMode = from->showMode;
  b->customIcon = from->customIcon;
  b->iconIndex = from->iconIndex;
  b->imageIndex = from->imageIndex;
  b->icon = LoadLaunchButtonIcon(b->command, b->iconFile, b->iconIndex, b->customIcon);
  return b;
}

void BuildDefaultLaunchButtons() {
  FreeLaunchButtonChain(LaunchButtonList(), SharedLaunchIcon());
  LaunchButtonList() = nullptr;
  char buffer[MAX_PATH] = "";
  GetWindowsDirectoryA(buffer, MAX_PATH);
  std::string windows = WithSlash(buffer);
  GetSystemDirectoryA(buffer, MAX_PATH);
  std::string system = WithSlash(buffer);
  buffer[0] = '\0';
  ReadInstallDir(buffer);
  std::string install = buffer[0] ? WithSlash(buffer) : std::string();
  bool nt = IsNt();

  AddDefault((nt ? system : windows) + "Write.exe", IDS_LAUNCH_WORDPAD);
  AddDefault(windows + "Notepad.exe", IDS_LAUNCH_NOTEPAD);
  AddDefault(nt ? system + "MSPaint.exe" : windows + "PBrush.exe", IDS_LAUNCH_PAINT);
  AddDefault(nt ? std::string("C:\\Program Files\\Windows NT\\Accessories\\ImageVue\\Kodakimg.exe")
                : windows + "Kodakimg.exe",
             IDS_LAUNCH_IMAGING);
  AddDefault((nt ? system : windows) + "WupdMgr.exe", IDS_LAUNCH_WINDOWS_UPDATE);
  AddDefault(windows + "Regedit.exe", IDS_LAUNCH_REGEDIT);
  // Programs of the suite come only from its install folder; without one there are none.
  if (!install.empty()) {
    AddDefault(install + (nt ? "JQDOSNT.lnk" : "JQDOSWin.pif"), IDS_LAUNCH_COMMAND_PROMPT, "C:\\");
    AddDefault(install + "JQBar.exe", IDS_LAUNCH_TOOLBAR);
    AddDefault(install + "Voltaly.exe", IDS_LAUNCH_VOLTALY);
    AddDefault(install + "JQSync.exe", IDS_LAUNCH_SYNC);
    AddDefault(install + "JQSeek.exe", IDS_LAUNCH_SEEK);
  }
  AddDefault("C:\\Program Files\\Internet Explorer\\iExplore.exe", IDS_LAUNCH_IEXPLORE);
}

void LoadLaunchButtons() {
  HWND bar = g_frame.launchBar;
  if (bar && SendMessageA(bar, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(bar, TB_DELETEBUTTON, 0, 0);
  SharedLaunchIcon();
  FreeLaunchButtonChain(LaunchButtonList(), SharedLaunchIcon());
  LaunchButtonList() = nullptr;

  bool loaded = false;
  DWORD size = 0;
  if (HKEY key = OpenSettingsSubkey(nullptr, KEY_QUERY_VALUE, false)) {
    if (RegQueryValueExA(key, kLaunchBarValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) size = 0;
    RegCloseKey(key);
  }
  // Ids 48500 to 48999 hold at most 500 buttons of five 260-character strings each.
  if (size > 0 && size <= 1024 * 1024) {
    std::vector<uint8_t> bytes(size);
    if (ReadSettingBinary(kLaunchBarValue, bytes.data(), &size) && size <= bytes.size()) {
      LaunchButton* list = nullptr;
      if (DecodeLaunchButtons(bytes.data(), size, &list)) {
        for (LaunchButton* b = list; b; b = b->next)
          b->icon = LoadLaunchButtonIcon(b->command, b->iconFile, b->iconIndex, b->customIcon);
        LaunchButtonList() = list;
        loaded = true;
      }
    }
  }
  if (!loaded) BuildDefaultLaunchButtons();
  AddLaunchButtons(bar);
}

void SaveLaunchButtons() {
  std::vector<uint8_t> bytes = EncodeLaunchButtons(LaunchButtonList());
  WriteSettingBinary(kLaunchBarValue, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void SaveAndFreeLaunchBar() {
  SaveLaunchButtons();
  FreeLaunchButtonChain(LaunchButtonList(), SharedLaunchIcon());
  LaunchButtonList() = nullptr;
  if (g_strip) DeleteObject(g_strip);
  g_strip = nullptr;
}

HWND CreateLaunchBar(HWND parent) {
  HWND bar = MakeBar(parent, nullptr);
  g_frame.launchBar = bar;
  if (!bar) {
    g_frame.launchBarHeight = 0;
    return nullptr;
  }
  g_doubleClickTime = GetProfileIntA("Windows", "DoubleClickSpeed", 452);
  LoadLaunchButtons();
  RecordHeight(bar);
  return bar;
}

void (*g_launchBarRecreated)(HWND bar) = nullptr;

void RebuildLaunchBar() {
  HWND old = g_frame.launchBar;
  if (!old) return;
  HWND parent = GetParent(old);
  if (g_strip) DeleteObject(g_strip);
  g_strip = nullptr;
  RECT r{};
  GetWindowRect(old, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  RevokeDragDrop(old);
  DestroyWindow(old);
  // A bar in the coolbar is re-made in the main window and handed to its band.
  HWND owner = g_frame.barsInCoolbar && g_frame.coolbar ? GetParent(g_frame.coolbar) : parent;
  HWND bar = MakeBar(owner, &r);
  g_frame.launchBar = bar;
  if (!bar) return;
  if (g_frame.barsInCoolbar) AttachLaunchBarToCoolbar(bar);
  RemoveButtons(bar);
  AddLaunchButtons(bar);
  if (g_launchBarRecreated) g_launchBarRecreated(bar);
}

LaunchButton* LaunchButtonFromShortcut(const char* lnkPath) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return nullptr;
  LaunchButton* b = nullptr;
  IPersistFile* persist = nullptr;
  WCHAR wide[MAX_PATH];
  int show = SW_SHOWNORMAL;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      MultiByteToWideChar(CP_ACP, 0, lnkPath, -1, wide, MAX_PATH) && SUCCEEDED(persist->Load(wide, STGM_READ)) &&
      // The stored show command, read before resolving (which may rewrite the link's state).
      SUCCEEDED(link->GetShowCmd(&show)) &&
      SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (300u << 16)))) {
    char path[MAX_PATH] = "";
    if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_UNCPRIORITY)) && path[0]) {
      b = NewLaunchButton();
      SetLaunchString(&b->command, path);
      b->showMode = static_cast<uint32_t>(show);
      char text[MAX_PATH] = "";
      if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) SetLaunchString(&b->startDirectory, text);
      text[0] = '\0';
      if (SUCCEEDED(link->GetArguments(text, MAX_PATH))) SetLaunchString(&b->parameters, text);
      text[0] = '\0';
      int index = 0;
      if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index)) && text[0]) {
        SetLaunchString(&b->iconFile, text);
        b->iconIndex = index;
        b->customIcon = 1;
      }
    }
  }
  if (persist) persist->Release();
  link->Release();
  return b;
}

int AddDroppedLaunchPaths(const std::vector<std::string>& paths) {
  bool failed = false;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    if (CountLaunchButtons() >= kMaxLaunchButtons) {
      failed = true;
      break;
    }
    LaunchButton* b = nullptr;
    if (EndsWithLnk(path)) {
      b = LaunchButtonFromShortcut(path.c_str());
      if (!b) {
        failed = true;
        continue;
      }
    } else {
      b = NewLaunchButton();
      SetLaunchString(&b->command, path.c_str());
    }
    SetLaunchString(&b->label, BaseNameWithoutExtension(b->command).c_str());
    b->icon = LoadLaunchButtonIcon(b->command, b->iconFile, b->iconIndex, b->customIcon);
    AppendLaunchButton(&LaunchButtonList(), b);
  }
  RebuildLaunchBar();
  SaveLaunchButtons();
  if (failed)
    seams::MessageBoxA(g_mainWindow, "Only Objects in the File System can be dropped onto the Launchbar",
                       "Launchbar Drag/Drop Error", MB_OK | MB_ICONINFORMATION);
  return 1;
}

int AddDroppedLaunchButtons(IDataObject* data) {
  if (!data) return 0;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return 0;
  std::vector<std::string> paths;
  HDROP drop = static_cast<HDROP>(medium.hGlobal);
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    char path[MAX_PATH] = "";
    DragQueryFileA(drop, i, path, MAX_PATH);
    paths.push_back(path);
  }
  ReleaseStgMedium(&medium);
  return AddDroppedLaunchPaths(paths);
}

void HandleLaunchBarBackgroundClick(HWND window) {
  HWND bar = g_frame.launchBar;
  if (!bar || !IsWindowVisible(bar)) return;
  DWORD pos = GetMessagePos();
  POINT pt{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  ScreenToClient(bar, &pt);
  DWORD now = static_cast<DWORD>(GetMessageTime());
  int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    RECT r{};
    SendMessageA(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    if (pt.x >= r.left && pt.x <= r.right && pt.y >= r.top && pt.y <= r.bottom) {
      g_lastClick = now;
      return;
    }
  }
  if (g_lastClick && static_cast<DWORD>(std::labs(static_cast<long>(now - g_lastClick))) < g_doubleClickTime) {
    g_lastClick = 0;
    PostMessageA(window, WM_COMMAND, ID_VIEW_CUSTOMIZE_LAUNCH_BAR, 0);
  } else {
    g_lastClick = now;
  }
}

LaunchButton* LaunchButtonOfCommand(UINT id) {
  if (!g_frame.launchBar || id < kFirstLaunchCommand || id > kFirstLaunchCommand + kMaxLaunchButtons - 1) return nullptr;
  int index = static_cast<int>(SendMessageA(g_frame.launchBar, TB_COMMANDTOINDEX, id, 0));
  return index >= 0 ? GetLaunchButton(index) : nullptr;
}

BOOL GetLaunchButtonTip(UINT id, char* buffer, int size) {
  LaunchButton* b = LaunchButtonOfCommand(id);
  if (!b || !b->label) return FALSE;
  lstrcpynA(buffer, b->label, size);
  return TRUE;
}

void SetLaunchBarFlat(HWND bar, BOOL flat) {
  if (!bar) return;
  LRESULT style = SendMessageA(bar, TB_GETSTYLE, 0, 0);
  LRESULT wanted = flat && g_frame.commonControlsEx ? (style | TBSTYLE_FLAT) : (style & ~TBSTYLE_FLAT);
  if (wanted == style) return;
  SendMessageA(bar, TB_SETSTYLE, 0, wanted);
  InvalidateRect(bar, nullptr, TRUE);
}
