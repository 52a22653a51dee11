#include "toolbar_app.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <cctype>
#include <cstdio>

#include "clockmon_types.h"
#include "config_dialog.h"
#include "button_bar.h"
#include "cmdline_panel.h"
#include "container_panel.h"
#include "frame_window.h"
#include "hot_keys.h"
#include "menu_bar_window.h"
#include "menu_cache.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "resource_jqbar.h"
#include "seams.h"
#include "system_panel_types.h"
#include "toolbar_layout.h"
#include "url_shortcut.h"

namespace jqbar {
namespace {

bool g_captionFontMade = false;
HACCEL g_accelerators = nullptr;

void MakeSharedGdiObjects() {
  ToolbarGlobals& g = Globals();
  HDC dc = CreateCompatibleDC(nullptr);
  g.captionFont = CreateFontA(-(GetDeviceCaps(dc, LOGPIXELSY) * 8 / 72), 0, 0, 0, FW_BOLD, 0, 0, 0,
                              DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  g_captionFontMade = g.captionFont != nullptr;
  if (!g.captionFont) g.captionFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  HGDIOBJ old = SelectObject(dc, g.captionFont);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  g.captionHeight = tm.tmHeight;
  SelectObject(dc, old);
  DeleteDC(dc);
  g.facePen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  g.shadowPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  g.highlightPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
}

void LoadGlyphsAndCursor() {
  ToolbarGlobals& g = Globals();
  const int ids[5] = {IDB_GLYPH_ONTOP, IDB_GLYPH_HIDE, IDB_GLYPH_PROPERTIES, IDB_GLYPH_HELP, IDB_GLYPH_CLOSE};
  for (int i = 0; i < 5; ++i) g.captionGlyphs[i] = LoadBitmapA(g.instance, MAKEINTRESOURCEA(ids[i]));
  g.helpCursor = LoadCursor(nullptr, IDC_HELP);
  g_accelerators = LoadAcceleratorsA(g.instance, IDA_JQACCEL);
}

void MakeHalftoneBrush() { Globals().halftoneBrush = CreateHalftonePatternBrush(false); }

void DeleteSharedGdiObjects() {
  ToolbarGlobals& g = Globals();
  if (g_captionFontMade && g.captionFont) DeleteObject(g.captionFont);
  g.captionFont = nullptr;
  for (HPEN* pen : {&g.facePen, &g.shadowPen, &g.highlightPen}) {
    if (*pen) DeleteObject(*pen);
    *pen = nullptr;
  }
  for (HBITMAP& b : g.captionGlyphs) {
    if (b) DeleteObject(b);
    b = nullptr;
  }
  if (g.halftoneBrush) DeleteObject(g.halftoneBrush);
  g.halftoneBrush = nullptr;
}

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_JQBAR));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kMainWindowClass;
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_JQBAR), IMAGE_ICON, 16, 16, 0));
  if (RegisterClassExA(&wc)) return true;
  WNDCLASSA plain{};
  plain.style = wc.style;
  plain.lpfnWndProc = wc.lpfnWndProc;
  plain.hInstance = instance;
  plain.hIcon = wc.hIcon;
  plain.hCursor = wc.hCursor;
  plain.hbrBackground = wc.hbrBackground;
  plain.lpszClassName = kMainWindowClass;
  return RegisterClassA(&plain) != 0;
}

void RegisterMainAppBar(HWND window, bool on) {
  APPBARDATA abd{};
  abd.cbSize = sizeof abd;
  abd.hWnd = window;
  abd.uCallbackMessage = PNM_APPBARNOTIFY;
  SHAppBarMessage(on ? ABM_NEW : ABM_REMOVE, &abd);
}

std::string ProgramFolder() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  char* slash = strrchr(module, '\\');
  if (slash) slash[1] = 0;
  return module;
}

void StartWizard() {
  std::string file = ProgramFolder() + "JQGuider.exe";
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  seams::ShellExecuteExA(&info);
}

void LastFrameGone() {
  FreePanelTypeList();
  StopMenuCacheThread();
  ClearHotKeys();
  UnloadTaskHook();
  if (Globals().mainWindow) DestroyWindow(Globals().mainWindow);
}

void EarlyCleanUp() {
  if (Globals().mainWindow) DestroyWindow(Globals().mainWindow);
  Globals().mainWindow = nullptr;
  DeleteSharedGdiObjects();
  UnloadKeyboardHook();
  RemoveTrayIcon();
  FreePanelTypeList();
  StopMenuCacheThread();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace

bool ParseLayoutArgument(const char* commandLine, std::string& path) {
  path.clear();
  if (!commandLine) return true;
  while (*commandLine && std::isspace(static_cast<unsigned char>(*commandLine))) ++commandLine;
  std::size_t n = strlen(commandLine);
  // Trailing blanks are no part of a file name; a line longer than a path is refused.
  while (n && std::isspace(static_cast<unsigned char>(commandLine[n - 1]))) --n;
  if (n >= MAX_PATH) {
    path.assign(commandLine, MAX_PATH - 1);
    return false;
  }
  path.assign(commandLine, n);
  return true;
}

bool CheckSystemVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  if ((info.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS && info.dwPlatformId != VER_PLATFORM_WIN32_NT) ||
      info.dwMajorVersion < 4)
    return false;
  Globals().isWindowsNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  return true;
}

int RunToolbar(HINSTANCE instance, const char* commandLine) {
  ToolbarGlobals& g = Globals();
  g.instance = instance;
  if (!CheckSystemVersion()) {
    char text[200], caption[100];
    lstrcpynA(text, LoadResString(IDS_NO_SYSTEM), sizeof text);
    lstrcpynA(caption, LoadResString(IDS_NO_SYSTEM_CAPTION), sizeof caption);
    seams::MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
    return 0;
  }
  if (g.isWindowsNT && !FindWindowA(kExitMonitorClass, nullptr)) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = "NTAid.exe";
    info.lpParameters = commandLine;
    info.nShow = SW_HIDE;
    if (seams::ShellExecuteExA(&info) && reinterpret_cast<INT_PTR>(info.hInstApp) > 32) return 0;
  }
  std::string path;
  bool fits = ParseLayoutArgument(commandLine, path);
  if (!path.empty() && (!fits || !IsToolbarLayoutFile(path))) {
    ShowBadLayoutBox(path);
    return 0;
  }
  if (HWND first = FindWindowA(kMainWindowClass, nullptr)) {
    DWORD_PTR result = 0;
    if (!path.empty()) {
      COPYDATASTRUCT data{kLayoutCopyDataId, DWORD(path.size() + 1), const_cast<char*>(path.c_str())};
      SendMessageTimeoutA(first, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 60000, &result);
    } else {
      SendMessageTimeoutA(first, PNM_SHOWFRAME, 0, 0, SMTO_NORMAL, 60000, &result);
    }
    return 0;
  }
  InitCommonControls();
  OleInitialize(nullptr);
  if (!RegisterFrameClass(instance) || !RegisterMainClass(instance)) return 0;
  g.mainWindow = CreateWindowExA(WS_EX_TOPMOST, kMainWindowClass, "",
                                 WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 20, 20,
                                 nullptr, nullptr, instance, nullptr);
  if (!g.mainWindow) return 0;
  MakeSharedGdiObjects();
  StartMenuCacheThread();
  RegisterContainerTypes();
  AddBuiltinTypeRegistrar(RegisterButtonBarPanelType);
  AddBuiltinTypeRegistrar(RegisterCmdLinePanelType);
  RegisterStartMenuTypes();
  RegisterClockMonTypes();
  RegisterSystemPanelTypes();
  BuildPanelTypeList(instance);
  RecentLayouts().Load();
  LoadKeyboardHook();
  if (IsTrayIconWanted()) AddTrayIcon();
  LoadGlyphsAndCursor();
  LoadUrlShortcutIcons();
  SetLastFrameHandler(LastFrameGone);
  InstallConfigHandlers();
  SetTrayIconHandler([](bool wanted) {
    if (wanted) AddTrayIcon();
    else RemoveTrayIcon();
    UpdateTrayIconState();
  });
  g.layoutLoading = true;
  bool loaded = path.empty() ? LoadToolbarLayout("", true) : LoadToolbarLayout(path, false);
  if (!loaded) {
    if (!path.empty()) ShowBadLayoutBox(path);
    else StartWizard();
    EarlyCleanUp();
    OleUninitialize();
    return 0;
  }
  MakeHalftoneBrush();
  CreateTempFolder();
  SetUrlShortcutTempFolder(TempFolderPath());
  RegisterMainAppBar(g.mainWindow, true);
  g.layoutLoading = false;
  UpdateTrayIconState();
  RecentLayouts().Save();

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsModelessDialogMessage(&msg)) continue;
    HWND frame = msg.hwnd ? GetTopFrameWindow(msg.hwnd) : nullptr;
    if (frame && g_accelerators && IsFrameWindow(frame) && TranslateAcceleratorA(frame, g_accelerators, &msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  CloseConfigDialog();
  RegisterMainAppBar(g.mainWindow, false);
  RemoveTempFolder();
  FreeUrlShortcutIcons();
  DeleteSharedGdiObjects();
  UnloadTaskHook();
  UnloadKeyboardHook();
  RemoveTrayIcon();
  OleUninitialize();
  return int(msg.wParam);
}

}  // namespace jqbar
