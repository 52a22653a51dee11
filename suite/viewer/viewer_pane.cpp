// The viewer pane's windows, the files it shows and the programs it opens them in.
#include "viewer_pane.h"
#include <shellapi.h>
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include "sccvw.h"
#include "seams.h"
#include "settings_store.h"
#include "window_helpers.h"

ViewerPaneState g_viewerPane;

const UINT kViewerMenuTexts[] = {
    ID_VIEWER_NATIVE, ID_VIEWER_ANSI, ID_VIEWER_DOS, ID_VIEWER_HEX, ID_VIEWER_UNICODE,
    ID_VIEWER_EDIT, ID_VIEWER_QUICK_VIEW, ID_VIEWER_OPT_FONTS, ID_VIEWER_OPT_CLIPBOARD,
    ID_VIEWER_OPT_PRINT, ID_VIEWER_COPY, ID_VIEWER_FIND, ID_VIEWER_FIND_NEXT,
    ID_VIEWER_SELECT_ALL, ID_VIEWER_PRINT, ID_VIEWER_FIND_PREVIOUS, ID_VIEWER_BELOW,
    ID_VIEWER_RIGHT, ID_VIEWER_FLOAT, ID_VIEWER_ON_TOP};
const int kViewerMenuTextCount = sizeof kViewerMenuTexts / sizeof kViewerMenuTexts[0];

namespace {

ViewerPaneState& S() { return g_viewerPane; }

std::string Text(UINT id) {
  char buffer[512] = "";
  LoadStringText(S().host.resources, id, buffer, sizeof buffer);
  return buffer;
}

std::string MenuText(UINT id) {
  for (int i = 0; i < kViewerMenuTextCount; ++i)
    if (kViewerMenuTexts[i] == id) return Text(kViewerMenuTextBase + i);
  return Text(id);
}

void ShowError(UINT id) {
  std::string caption = Text(2);
  seams::MessageBoxA(S().host.mainWindow, Text(id).c_str(), caption.c_str(), MB_ICONHAND);
}

UINT EngineMode(UINT menuId) {
  switch (menuId) {
    case ID_VIEWER_ANSI: return SCCVW_MODE_ANSI;
    case ID_VIEWER_DOS: return SCCVW_MODE_DOS;
    case ID_VIEWER_HEX: return SCCVW_MODE_HEX;
    case ID_VIEWER_UNICODE: return SCCVW_MODE_UNICODE;
  }
  return SCCVW_MODE_NATIVE;
}

// Loads a library of the viewer's folder by its full path.
HMODULE LoadViewerLibrary(const char* name) {
  std::string folder = S().host.libraryFolder;
  if (folder.empty()) {
    char install[MAX_PATH] = "";
    ReadInstallDir(install);
    folder = install;
  }
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  std::string path = folder + name;
  UINT mode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  SetErrorMode(mode);
  return module;
}

WNDPROC g_documentProc, g_pictureFrameProc;
constexpr const char* kOldProcProperty = "JqViewerOldProc";

bool IsViewerWindow(HWND w) { return w && (w == S().ViewerWindow || w == S().ImageViewerWindow); }

// What both viewer windows do on top of their own behaviour.
LRESULT CommonViewerMessage(HWND w, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  *handled = true;
  switch (message) {
    case WM_CONTEXTMENU: {
      int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
      if (lParam == -1) {
        RECT r;
        GetWindowRect(w, &r);
        x = r.left + 8;
        y = r.top + 8;
      }
      ShowViewerContextMenu(w, x, y);
      return 0;
    }
    case WM_RBUTTONUP: {
      POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(w, &p);
      ShowViewerContextMenu(w, p.x, p.y);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == ID_VIEWER_OPTIONS_BUTTON || (LOWORD(wParam) >= 40000 && LOWORD(wParam) < 42000 && !lParam)) {
        RunViewerCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        if (S().host.closePane) S().host.closePane();
        return 0;
      }
      if ((wParam & 0xFFF0) == SC_RESTORE && S().ViewerDocking == 2) {
        HWND main = S().host.mainWindow;
        if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
        SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      }
      break;
    case WM_SIZE:
    case WM_MOVE: {
      LRESULT r = CallWindowProcA(w == S().ViewerWindow ? g_documentProc : g_pictureFrameProc, w,
                                  message, wParam, lParam);
      if (w == S().ActiveViewerWindow) PlaceViewerOptionsButton(w, S().DisplayWindow);
      return r;
    }
  }
  *handled = false;
  return 0;
}

LRESULT CALLBACK DocumentViewerSubclass(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled;
  LRESULT r = CommonViewerMessage(w, message, wParam, lParam, &handled);
  if (handled) return r;
  if (message == SCCVW_NOTIFY_OPEN) {
    // The display's double click reaches the frame when it has no parent (floating).
    auto* request = reinterpret_cast<SCCVW_OPENREQUEST*>(lParam);
    if (request) return OnViewerOpenRequest(request->path);
  }
  return CallWindowProcA(g_documentProc, w, message, wParam, lParam);
}

LRESULT CALLBACK PictureViewerSubclass(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled;
  LRESULT r = CommonViewerMessage(w, message, wParam, lParam, &handled);
  if (handled) return r;
  if (message == WM_LBUTTONDBLCLK) {
    OnViewerOpenRequest(S().ViewedFile);
    return 0;
  }
  return CallWindowProcA(g_pictureFrameProc, w, message, wParam, lParam);
}

void SetCaption(const std::string& caption) {
  if (S().ViewerWindow) SetWindowTextA(S().ViewerWindow, caption.c_str());
  if (S().ImageViewerWindow) SetWindowTextA(S().ImageViewerWindow, caption.c_str());
}

std::string NameAndExtension(const char* path) {
  const char* slash = strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

BOOL ShortPathOf(const char* path, char* out) {
  DWORD n = GetShortPathNameA(path, out, MAX_PATH);
  if (!n || n >= MAX_PATH) lstrcpynA(out, path, MAX_PATH);
  return TRUE;
}

// A shortcut's target, or the path itself.
std::string ResolveLink(const char* path) {
  size_t n = strlen(path);
  if (n < 4 || lstrcmpiA(path + n - 4, ".lnk") != 0) return path;
  std::string target = path;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
      char resolved[MAX_PATH] = "";
      if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
          SUCCEEDED(link->GetPath(resolved, MAX_PATH, nullptr, 0)) && resolved[0])
        target = resolved;
      file->Release();
    }
    link->Release();
  }
  return target;
}

}  // namespace

BOOL ViewerPaneExists() { return S().ViewerWindow && IsWindow(S().ViewerWindow); }

BOOL CreateViewerPane(const ViewerHost& host) {
  if (ViewerPaneExists()) return TRUE;
  ViewerPaneState& s = S();
  s.host = host;
  s.DoubleClickTime = GetProfileIntA("Windows", "DoubleClickSpeed", 452);
  s.ViewerDocking = host.canFloat ? GetLiveOptions().viewerPlacement : 0;
  if (s.ViewerDocking > 2) s.ViewerDocking = 0;
  FindQuickViewPlus();

  s.documentLibrary = LoadViewerLibrary("SCCVW.DLL");
  if (!s.documentLibrary) {
    ShowError(IDS_VIEWER_SCCVW_MISSING);
    return FALSE;
  }
  s.ViewerWindow = CreateWindowExA(0, SCCVW_VIEWER_CLASS, "",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER, 0, 0, 10, 10,
                                   host.mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewerWindowId)),
                                   GetModuleHandleA(nullptr), nullptr);
  if (!s.ViewerWindow) {
    ShowError(IDS_VIEWER_SCCVW_BROKEN);
    FreeLibrary(s.documentLibrary);
    s.documentLibrary = nullptr;
    return FALSE;
  }
  s.DisplayWindow = FindWindowExA(s.ViewerWindow, nullptr, SCCVW_DISPLAY_CLASS, nullptr);
  HICON icon = LoadIconA(host.resources, MAKEINTRESOURCEA(66));
  if (icon) SendMessageA(s.ViewerWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  g_documentProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      s.ViewerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DocumentViewerSubclass)));
  s.ActiveViewerWindow = s.ViewerWindow;

  s.pictureLibrary = LoadViewerLibrary("picshow.dll");
  if (s.pictureLibrary) {
    auto bind = [&](const char* name) { return GetProcAddress(s.pictureLibrary, name); };
    s.picInitialize = reinterpret_cast<HWND(WINAPI*)(HWND)>(bind("Initialize"));
    s.picOpenFileForViewing = reinterpret_cast<HWND(WINAPI*)(const char*)>(bind("OpenFileForViewing"));
    s.picCloseCurrentFile = reinterpret_cast<void(WINAPI*)()>(bind("CloseCurrentFile"));
    s.picIsRecognizedImageFile = reinterpret_cast<BOOL(WINAPI*)(const char*)>(bind("bIsRecognizedImageFile"));
    s.picIsRecognizedImageType = bind("bIsRecognizedImageType");
    s.picCtxMenuDoConvert = bind("CtxMenuDoConvert");
    s.picDoCommand = bind("DoCommand");
    if (s.picInitialize && s.picOpenFileForViewing && s.picCloseCurrentFile && s.picIsRecognizedImageFile)
      s.ImageViewerWindow = s.picInitialize(host.mainWindow);
    if (s.ImageViewerWindow) {
      if (icon) SendMessageA(s.ImageViewerWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
      g_pictureFrameProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
          s.ImageViewerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PictureViewerSubclass)));
    } else {
      FreeLibrary(s.pictureLibrary);
      s.pictureLibrary = nullptr;
    }
  } else {
    ShowError(IDS_VIEWER_PICSHOW_MISSING);
  }

  // The options button in the viewer's corner.
  s.ViewerOptionsButton = CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_ICON | BS_PUSHBUTTON, 0, 0,
                                          GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL),
                                          host.mainWindow,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_VIEWER_OPTIONS_BUTTON)),
                                          GetModuleHandleA(nullptr), nullptr);
  if (s.ViewerOptionsButton) {
    HICON buttonIcon = static_cast<HICON>(LoadImageA(host.resources, MAKEINTRESOURCEA(63), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXVSCROLL) - 4,
                                                     GetSystemMetrics(SM_CYHSCROLL) - 4, 0));
    if (buttonIcon) SendMessageA(s.ViewerOptionsButton, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(buttonIcon));
  }
  PlaceViewerOptionsButton(s.ViewerWindow, s.DisplayWindow);
  if (s.ViewerDocking == 2) {
    SetViewerDetached(s.ViewerWindow, 0);
    if (s.ImageViewerWindow) SetViewerDetached(s.ImageViewerWindow, 0);
  }
  if (s.ImageViewerWindow) ShowWindow(s.ImageViewerWindow, SW_HIDE);
  ClearViewerPane();
  return TRUE;
}

void SuspendViewerUpdates(BOOL suspend) { S().updatesSuspended = suspend; }

void ShowSelectionInViewer() {
  if (!ViewerPaneExists() || S().updatesSuspended) return;
  std::string path;
  if (!S().host.focusedItemPath || !S().host.focusedItemPath(&path) || path.empty()) {
    ClearViewerPane();
    return;
  }
  if (lstrcmpiA(path.c_str(), S().ViewedFile) == 0) return;
  if (!ViewFile(path.c_str(), SCCVW_MODE_NATIVE)) ClearViewerPane();
  S().ViewMode = ID_VIEWER_NATIVE;
}

BOOL ViewFile(const char* path, UINT mode) {
  ViewerPaneState& s = S();
  if (!ViewerPaneExists()) return FALSE;
  if (!path || !path[0] || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    ClearViewerPane();
    return FALSE;
  }
  std::string target = ResolveLink(path);
  DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ClearViewerPane();
    return FALSE;
  }
  BOOL shown = ViewerShownOnScreen();
  std::string caption;
  {
    char format[256] = "";
    LoadStringText(s.host.resources, IDS_VIEWER_CAPTION_FILE, format, sizeof format);
    char text[600];
    snprintf(text, sizeof text, format[0] ? format : "%s", NameAndExtension(target.c_str()).c_str());
    caption = text;
  }
  if (mode == SCCVW_MODE_NATIVE && s.ImageViewerWindow &&
      s.picIsRecognizedImageFile(target.c_str())) {
    HWND picture = s.picOpenFileForViewing(target.c_str());
    if (!picture) {
      ClearViewerPane();
      return FALSE;
    }
    SendMessageA(s.ViewerWindow, SCCVW_CLOSEFILE, 0, 0);
    ShowWindow(s.ViewerWindow, SW_HIDE);
    s.ActiveViewerWindow = s.ImageViewerWindow;
    s.ImageViewWindow = picture;
    if (shown) ShowWindow(s.ImageViewerWindow, SW_SHOWNA);
    if (s.ViewerDocking == 2 && s.ViewerOptionsButton) SetParent(s.ViewerOptionsButton, s.ImageViewerWindow);
  } else {
    if (s.ImageViewerWindow) {
      s.picCloseCurrentFile();
      ShowWindow(s.ImageViewerWindow, SW_HIDE);
    }
    if (s.ViewerDocking == 2 && s.ViewerOptionsButton) SetParent(s.ViewerOptionsButton, s.ViewerWindow);
    s.ActiveViewerWindow = s.ViewerWindow;
    LRESULT result = SendMessageA(s.ViewerWindow, SCCVW_VIEWFILE, mode, reinterpret_cast<LPARAM>(target.c_str()));
    if (result != SCCVW_OK) {
      ClearViewerPane();
      return FALSE;
    }
    if (shown) ShowWindow(s.ViewerWindow, SW_SHOWNA);
    if (s.DisplayWindow) ShowWindow(s.DisplayWindow, SW_SHOWNA);
  }
  lstrcpynA(s.ViewedFile, path, MAX_PATH);
  SetCaption(caption);
  if (s.ViewerOptionsButton && shown) ShowWindow(s.ViewerOptionsButton, SW_SHOWNA);
  PlaceViewerOptionsButton(s.ActiveViewerWindow, s.DisplayWindow);
  return TRUE;
}

BOOL ViewerShownOnScreen() {
  if (S().host.shownOnScreen) return S().host.shownOnScreen();
  return GetLiveOptions().viewerShown;
}

void ClearViewerPane() {
  ViewerPaneState& s = S();
  if (!ViewerPaneExists()) return;
  SendMessageA(s.ViewerWindow, SCCVW_CLOSEFILE, 0, 0);
  if (s.DisplayWindow) ShowWindow(s.DisplayWindow, SW_HIDE);
  if (s.ImageViewerWindow) {
    s.picCloseCurrentFile();
    ShowWindow(s.ImageViewerWindow, SW_HIDE);
  }
  s.ImageViewWindow = nullptr;
  s.ViewedFile[0] = '\0';
  s.ActiveViewerWindow = s.ViewerWindow;
  if (ViewerShownOnScreen()) ShowWindow(s.ViewerWindow, SW_SHOWNA);
  SetCaption(Text(IDS_VIEWER_CAPTION_NONE));
  if (s.ViewerOptionsButton) ShowWindow(s.ViewerOptionsButton, SW_HIDE);
}

void ShowViewerWindows(BOOL show) {
  ViewerPaneState& s = S();
  if (!ViewerPaneExists()) return;
  if (!show) {
    ShowWindow(s.ViewerWindow, SW_HIDE);
    if (s.ImageViewerWindow) ShowWindow(s.ImageViewerWindow, SW_HIDE);
    if (s.ViewerOptionsButton) ShowWindow(s.ViewerOptionsButton, SW_HIDE);
    return;
  }
  ShowWindow(s.ActiveViewerWindow, SW_SHOWNA);
  if (s.ViewerOptionsButton && s.ViewedFile[0]) ShowWindow(s.ViewerOptionsButton, SW_SHOWNA);
}

void DestroyViewerPane() {
  ViewerPaneState& s = S();
  if (!ViewerPaneExists()) return;
  ClearViewerPane();
  if (s.ViewerDocking == 2) SaveDetachedViewerPosition(s.ActiveViewerWindow);
  if (s.ViewerOptionsButton) DestroyWindow(s.ViewerOptionsButton);
  if (s.ImageViewerWindow && IsWindow(s.ImageViewerWindow)) DestroyWindow(s.ImageViewerWindow);
  DestroyWindow(s.ViewerWindow);
  if (s.pictureLibrary) FreeLibrary(s.pictureLibrary);
  if (s.documentLibrary) FreeLibrary(s.documentLibrary);
  ViewerHost host = s.host;
  s = ViewerPaneState{};
  s.host = host;
}

// ---- Other programs --------------------------------------------------------------------

void FindQuickViewPlus() {
  ViewerPaneState& s = S();
  s.quickViewPlusFound = s.quickViewCommandFound = FALSE;
  s.QuickViewPlusPath[0] = '\0';
  s.quickViewArguments.clear();
  char value[MAX_PATH] = "";
  if (RegistryKeyExists(seams::MachineRoot(), "SOFTWARE\\Inso\\Quick View Plus\\CurrentVersion", "")) {
    BOOL read = ReadHeldString("InstallPath", value) && value[0];
    CloseHeldKey();
    if (read) {
      // The install path may or may not end in a separator.
      std::string path = value;
      if (path.back() != '\\') path += '\\';
      path += "Program\\QVP32.EXE";
      if (path.size() < MAX_PATH) {
        lstrcpynA(s.QuickViewPlusPath, path.c_str(), MAX_PATH);
        s.quickViewPlusFound = TRUE;
        return;
      }
    }
  }
  if (RegistryKeyExists(seams::MachineRoot(), "SOFTWARE\\Classes\\QuickView\\shell\\open\\command", "")) {
    BOOL read = ReadHeldString(nullptr, value) && value[0];
    CloseHeldKey();
    if (!read) return;
    char expanded[MAX_PATH] = "";
    DWORD n = ExpandEnvironmentStringsA(value, expanded, MAX_PATH);
    std::string command = n && n <= MAX_PATH ? expanded : value;
    // The command line is a program and its arguments: a quoted program, or the text up to the
    // first blank after ".exe", or up to the first blank.
    std::string program, arguments;
    size_t start = command.find_first_not_of(' ');
    if (start == std::string::npos) return;
    if (command[start] == '"') {
      size_t end = command.find('"', start + 1);
      if (end == std::string::npos) return;
      program = command.substr(start + 1, end - start - 1);
      arguments = command.substr(end + 1);
    } else {
      std::string lower = command;
      for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      size_t exe = lower.find(".exe", start);
      size_t end = exe != std::string::npos ? exe + 4 : command.find(' ', start);
      if (end == std::string::npos) end = command.size();
      program = command.substr(start, end - start);
      arguments = command.substr(end);
    }
    size_t first = arguments.find_first_not_of(' ');
    arguments = first == std::string::npos ? "" : arguments.substr(first);
    if (program.empty() || program.size() >= MAX_PATH) return;
    lstrcpynA(s.QuickViewPlusPath, program.c_str(), MAX_PATH);
    s.quickViewArguments = arguments;
    s.quickViewCommandFound = TRUE;
  }
}

BOOL BuildQuickViewCommand(const char* file, std::string* program, std::string* parameters) {
  ViewerPaneState& s = S();
  if (!s.quickViewPlusFound && !s.quickViewCommandFound) return FALSE;
  char shortPath[MAX_PATH];
  ShortPathOf(file, shortPath);
  *program = s.QuickViewPlusPath;
  if (s.quickViewPlusFound) {
    *parameters = shortPath;
    return TRUE;
  }
  std::string arguments = s.quickViewArguments;
  size_t at = arguments.find("%1");
  if (at == std::string::npos) {
    if (!arguments.empty()) arguments += ' ';
    arguments += shortPath;
  } else {
    while (at != std::string::npos) {
      arguments.replace(at, 2, shortPath);
      at = arguments.find("%1", at + strlen(shortPath));
    }
  }
  *parameters = arguments;
  return TRUE;
}

BOOL OpenWithQuickView(const char* path) {
  std::string program, parameters;
  if (!BuildQuickViewCommand(path, &program, &parameters)) return FALSE;
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.hwnd = S().host.mainWindow;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info);
}

BOOL OpenViewedFileForEditing(const char* path) {
  if (!path || !path[0]) return FALSE;
  char shortPath[MAX_PATH];
  ShortPathOf(path, shortPath);
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.hwnd = S().host.mainWindow;
  info.lpFile = shortPath;
  info.nShow = SW_SHOWNORMAL;
  BOOL ok = seams::ShellExecuteExA(&info);
  if (ok && S().host.reselectFocused) S().host.reselectFocused();
  return ok;
}

LRESULT OnViewerOpenRequest(const char* path) {
  if (!path || !path[0]) return 0;
  ViewerPaneState& s = S();
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool edit;
  if (!s.quickViewPlusFound && !s.quickViewCommandFound) {
    edit = true;
  } else if (GetLiveOptions().viewerDoubleClickOpens) {
    edit = !shift;
  } else {
    edit = shift;
  }
  if (edit) {
    OpenViewedFileForEditing(path);
  } else {
    OpenWithQuickView(path);
  }
  return 0;
}

// ---- Menus and commands -----------------------------------------------------------------

void ShowViewerContextMenu(HWND viewer, int x, int y) {
  ViewerPaneState& s = S();
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  auto add = [&](HMENU m, UINT id, UINT flags = 0) {
    AppendMenuA(m, MF_STRING | flags, id, MenuText(id).c_str());
  };
  bool document = viewer == s.ViewerWindow;
  bool displayVisible = document && s.DisplayWindow && IsWindowVisible(s.DisplayWindow) && s.ViewedFile[0];
  if (displayVisible) {
    if (s.quickViewPlusFound) {
      HMENU options = CreatePopupMenu();
      add(options, ID_VIEWER_OPT_FONTS);
      add(options, ID_VIEWER_OPT_CLIPBOARD);
      add(options, ID_VIEWER_OPT_PRINT);
      AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(options),
                  Text(IDS_VIEWER_OPTIONS_MENU).c_str());
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    add(menu, ID_VIEWER_FIND);
    add(menu, ID_VIEWER_FIND_PREVIOUS);
    add(menu, ID_VIEWER_FIND_NEXT);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(menu, ID_VIEWER_COPY);
    add(menu, ID_VIEWER_SELECT_ALL);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    add(menu, ID_VIEWER_PRINT);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  }
  HMENU viewAs = CreatePopupMenu();
  add(viewAs, ID_VIEWER_NATIVE);
  add(viewAs, ID_VIEWER_ANSI);
  if (s.quickViewPlusFound) add(viewAs, ID_VIEWER_DOS);
  add(viewAs, ID_VIEWER_HEX);
  CheckMenuRadioItem(viewAs, ID_VIEWER_NATIVE, ID_VIEWER_UNICODE, s.ViewMode, MF_BYCOMMAND);
  AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(viewAs), Text(IDS_VIEWER_VIEW_AS_MENU).c_str());
  if (s.host.canFloat) {
    HMENU arrange = CreatePopupMenu();
    add(arrange, ID_VIEWER_BELOW);
    add(arrange, ID_VIEWER_RIGHT);
    add(arrange, ID_VIEWER_FLOAT);
    add(arrange, ID_VIEWER_ON_TOP, GetLiveOptions().viewerOnTop && s.ViewerDocking == 2 ? MF_CHECKED : 0);
    UINT checked = s.ViewerDocking == 2 ? ID_VIEWER_FLOAT : s.ViewerDocking == 1 ? ID_VIEWER_RIGHT : ID_VIEWER_BELOW;
    CheckMenuItem(arrange, checked, MF_BYCOMMAND | MF_CHECKED);
    AppendMenuA(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(arrange), Text(IDS_VIEWER_ARRANGE_MENU).c_str());
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  UINT noFile = s.ViewedFile[0] ? 0 : MF_GRAYED;
  add(menu, ID_VIEWER_EDIT, noFile);
  if (s.quickViewPlusFound) {
    AppendMenuA(menu, MF_STRING | noFile, ID_VIEWER_QUICK_VIEW, Text(IDS_VIEWER_QUICK_VIEW_PLUS).c_str());
  } else {
    add(menu, ID_VIEWER_QUICK_VIEW, noFile);
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, ID_VIEWER_TOGGLE, Text(IDS_VIEWER_CLOSE_PANE).c_str());
  UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y,
                                        s.host.mainWindow, nullptr);
  DestroyMenu(menu);
  if (chosen) RunViewerCommand(chosen);
}

void RunViewerCommand(UINT id) {
  ViewerPaneState& s = S();
  HWND main = s.host.mainWindow;
  switch (id) {
    case ID_VIEWER_NATIVE: case ID_VIEWER_ANSI: case ID_VIEWER_DOS: case ID_VIEWER_HEX: case ID_VIEWER_UNICODE: {
      char path[MAX_PATH];
      lstrcpynA(path, s.ViewedFile, MAX_PATH);
      if (path[0] && ViewFile(path, EngineMode(id))) s.ViewMode = id;
      return;
    }
    case ID_VIEWER_EDIT:
      OpenViewedFileForEditing(s.ViewedFile);
      return;
    case ID_VIEWER_QUICK_VIEW:
      if (!OpenWithQuickView(s.ViewedFile)) OpenViewedFileForEditing(s.ViewedFile);
      return;
    case ID_VIEWER_OPT_FONTS:
      SendMessageA(s.ViewerWindow, SCCVW_OPTIONS, 539293, 0);
      return;
    case ID_VIEWER_OPT_CLIPBOARD:
      SendMessageA(s.ViewerWindow, SCCVW_OPTIONS, 539298, 0);
      return;
    case ID_VIEWER_OPT_PRINT:
      SendMessageA(s.ViewerWindow, SCCVW_OPTIONS, 539290, 0);
      return;
    case ID_VIEWER_COPY: SendMessageA(s.ViewerWindow, SCCVW_COPY, 0, 0); return;
    case ID_VIEWER_FIND: SendMessageA(s.ViewerWindow, SCCVW_FIND, 0, 0); return;
    case ID_VIEWER_FIND_NEXT: SendMessageA(s.ViewerWindow, SCCVW_FINDAGAIN, 1, 0); return;
    case ID_VIEWER_FIND_PREVIOUS: SendMessageA(s.ViewerWindow, SCCVW_FINDAGAIN, 2, 0); return;
    case ID_VIEWER_SELECT_ALL: SendMessageA(s.ViewerWindow, SCCVW_SELECTALL, 0, 0); return;
    case ID_VIEWER_PRINT: SendMessageA(s.ViewerWindow, SCCVW_PRINT, 0, 0); return;
    case ID_VIEWER_OPTIONS_BUTTON: {
      // A right click in the active viewer's corner.
      RECT r;
      GetWindowRect(s.ActiveViewerWindow, &r);
      ShowViewerContextMenu(s.ActiveViewerWindow, r.right - 4, r.bottom - 4);
      return;
    }
    case ID_VIEWER_TOGGLE: case ID_VIEWER_BELOW: case ID_VIEWER_RIGHT: case ID_VIEWER_FLOAT: case ID_VIEWER_ON_TOP:
      PostMessageA(main, WM_COMMAND, id, 0);
      return;
  }
}

// ---- Docking ----------------------------------------------------------------------------

RECT DetachedViewerRect(const RECT* stored, const RECT& work, BOOL* maximize) {
  const RECT defaults = {100, 100, 400, 300};
  *maximize = FALSE;
  if (!stored) return defaults;
  RECT r = *stored;
  if (r.left > work.right - work.left || r.top > work.bottom - work.top) return defaults;
  if (EqualRect(&r, &work)) {
    *maximize = TRUE;
    return defaults;
  }
  // A rectangle that is empty or lies outside the work area is not used.
  RECT overlap;
  if (r.right - r.left < 50 || r.bottom - r.top < 30 || !IntersectRect(&overlap, &r, &work)) return defaults;
  return r;
}

void LoadDetachedViewerPosition(HWND viewer) {
  uint8_t bytes[16];
  DWORD size = sizeof bytes;
  RECT stored;
  RECT* have = nullptr;
  if (ReadSettingBinary("Detached Viewer Position", bytes, &size) && size == 16) {
    auto i32 = [&](int at) {
      return static_cast<LONG>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                               static_cast<uint32_t>(bytes[at + 3]) << 24);
    };
    stored = {i32(0), i32(4), i32(8), i32(12)};
    have = &stored;
  }
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  BOOL maximize;
  RECT r = DetachedViewerRect(have, work, &maximize);
  SetWindowPos(viewer, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (maximize) SendMessageA(viewer, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void SaveDetachedViewerPosition(HWND viewer) {
  RECT r, work;
  if (!viewer || !GetWindowRect(viewer, &r)) return;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  if (r.left < work.left) r.left = work.left;
  if (r.top < work.top) r.top = work.top;
  if (r.right > work.right) r.right = work.right;
  if (r.bottom > work.bottom) r.bottom = work.bottom;
  uint8_t bytes[16];
  LONG values[4] = {r.left, r.top, r.right, r.bottom};
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 4; ++b) bytes[i * 4 + b] = static_cast<uint8_t>(static_cast<uint32_t>(values[i]) >> (8 * b));
  WriteSettingBinary("Detached Viewer Position", bytes, sizeof bytes);
}

void SetViewerDetached(HWND viewer, UINT previousDocking) {
  ViewerPaneState& s = S();
  if (!viewer) return;
  LONG_PTR style = GetWindowLongPtrA(viewer, GWL_STYLE);
  if (s.ViewerDocking == 2) {
    SetParent(viewer, nullptr);
    SetWindowLongPtrA(viewer, GWL_STYLE, (style & 0x3F30FFFF) | static_cast<LONG_PTR>(0x80CF0000u));
    // Owned by the main window: it stays above it and its notifications reach it.
    SetWindowLongPtrA(viewer, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(s.host.mainWindow));
    if (viewer == s.ActiveViewerWindow && s.ViewerOptionsButton) SetParent(s.ViewerOptionsButton, viewer);
    LoadDetachedViewerPosition(viewer);
  } else if (previousDocking == 2) {
    SaveDetachedViewerPosition(viewer);
    SetWindowLongPtrA(viewer, GWLP_HWNDPARENT, 0);
    SetWindowLongPtrA(viewer, GWL_STYLE, (style & 0x3F30FFFF) | 0x40800000);
    SetParent(viewer, s.host.mainWindow);
    if (s.ViewerOptionsButton) SetParent(s.ViewerOptionsButton, s.host.mainWindow);
  }
  SetWindowPos(viewer, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void SetViewerDocking(UINT docking) {
  ViewerPaneState& s = S();
  if (!ViewerPaneExists() || docking > 2 || (!s.host.canFloat && docking == 2)) return;
  UINT previous = s.ViewerDocking;
  s.ViewerDocking = docking;
  if (previous == docking) return;
  if (previous == 2 || docking == 2) {
    // The shown window last: its place is the one stored when the pane docks again.
    HWND other = s.ActiveViewerWindow == s.ViewerWindow ? s.ImageViewerWindow : s.ViewerWindow;
    if (other) SetViewerDetached(other, previous);
    SetViewerDetached(s.ActiveViewerWindow, previous);
  }
  PlaceViewerOptionsButton(s.ActiveViewerWindow, s.DisplayWindow);
}

void PlaceViewerOptionsButton(HWND viewer, HWND display) {
  ViewerPaneState& s = S();
  if (!viewer || !s.ViewerOptionsButton) return;
  bool floating = s.ViewerDocking == 2;
  RECT r;
  GetWindowRect(viewer, &r);
  POINT corner = {r.right - GetSystemMetrics(floating ? SM_CXFRAME : SM_CXBORDER),
                  r.bottom - GetSystemMetrics(floating ? SM_CYFRAME : SM_CYBORDER)};
  ScreenToClient(floating ? viewer : s.host.mainWindow, &corner);
  int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
  LONG_PTR style = display && viewer == s.ViewerWindow ? GetWindowLongPtrA(display, GWL_STYLE) : 0;
  POINT at;
  if (style & WS_HSCROLL) {
    at = {corner.x - cx, corner.y - cy};
  } else if (style & WS_VSCROLL) {
    at = {corner.x - 2 * cx, corner.y - cy};
  } else {
    at = {corner.x - cx, corner.y - 2 * cy};
  }
  SetWindowPos(s.ViewerOptionsButton, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}
