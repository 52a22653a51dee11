#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <vector>

#include "config_dialog.h"
#include "container_panel.h"
#include "frame_window.h"
#include "hot_keys.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_jqbar.h"
#include "seams.h"
#include "toolbar_app.h"
#include "toolbar_layout.h"
#include "path_utils.h"
#include "window_helpers.h"

namespace jqbar {
namespace {

bool g_trayAdded = false;
bool g_trayMenuSuppressed = false;
std::string g_tempFolder;

BOOL NotifyTrayIcon(DWORD message, HICON icon, const char* tip) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = Globals().mainWindow;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = PNM_TRAYNOTIFY;
  data.hIcon = icon;
  lstrcpynA(data.szTip, tip ? tip : "", 64);
  return Shell_NotifyIconA(message, &data);
}

void SaveBeforeClosing(HWND owner) {
  bool saved = SaveToolbarLayout("");
  RecentLayouts().Save();
  if (!saved && FrameList()) {
    char text[300];
    snprintf(text, sizeof text, "%s%s", CurrentLayoutPath().c_str(), LoadResString(IDS_LAYOUT_SAVE_FAILED));
    FrameMessageBox(owner, text, LoadResString(IDS_LAYOUT_SAVE_CAPTION), MB_ICONWARNING | MB_TASKMODAL);
  }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      CenterWindowOver(dialog, nullptr);
      HDC dc = GetDC(dialog);
      HFONT font = CreateFontA(-MulDiv(GetDeviceCaps(dc, LOGPIXELSY), 8, 72), 0, 0, 0, FW_NORMAL, TRUE,
                               0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
      ReleaseDC(dialog, dc);
      SetPropA(dialog, "JQFont", font);
      if (font) SendDlgItemMessageA(dialog, IDC_ABOUT_COPYRIGHT, WM_SETFONT, WPARAM(font), 0);
      char module[MAX_PATH] = {};
      GetModuleFileNameA(nullptr, module, MAX_PATH);
      DWORD handle = 0, size = GetFileVersionInfoSizeA(module, &handle);
      std::vector<char> block(size);
      if (size && GetFileVersionInfoA(module, 0, size, block.data())) {
        // The English block when there is one, else the first language the block lists.
        char language[16] = "040904B0";
        char* probe = nullptr;
        UINT probeLength = 0;
        WORD* translation = nullptr;
        UINT translationLength = 0;
        if (!VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\ProductName",
                            reinterpret_cast<void**>(&probe), &probeLength) &&
            VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translation), &translationLength) &&
            translationLength >= 4)
          snprintf(language, sizeof language, "%04X%04X", translation[0], translation[1]);
        for (int id : {IDC_ABOUT_NAME, IDC_ABOUT_VERSION, IDC_ABOUT_COPYRIGHT}) {
          char name[257] = {};
          GetDlgItemTextA(dialog, id, name, 256);
          if (!name[0]) continue;
          char query[300];
          snprintf(query, sizeof query, "\\StringFileInfo\\%s\\%s", language, name);
          char* value = nullptr;
          UINT length = 0;
          if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) && length)
            SetDlgItemTextA(dialog, id, value);
        }
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        if (HANDLE font = RemovePropA(dialog, "JQFont")) DeleteObject(font);
        EndDialog(dialog, 1);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool AddTrayIcon() {
  if (g_trayAdded) return true;
  char tip[100] = {};
  lstrcpynA(tip, LoadResString(IDS_TOOLBAR_NAME), sizeof tip);
  HICON icon = static_cast<HICON>(LoadImageA(Globals().instance, MAKEINTRESOURCEA(IDI_JQBAR), IMAGE_ICON, 16, 16, 0));
  BOOL ok = NotifyTrayIcon(NIM_ADD, icon, tip);
  g_trayAdded = true;
  return ok != 0;
}

bool RemoveTrayIcon() {
  if (!g_trayAdded) return false;
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = Globals().mainWindow;
  data.uID = kTrayIconId;
  BOOL ok = Shell_NotifyIconA(NIM_DELETE, &data);
  g_trayAdded = false;
  return ok != 0;
}

bool TrayIconAdded() { return g_trayAdded; }

void ShowTrayMenu(HWND owner, bool alignFlag) {
  if (g_trayMenuSuppressed || !owner) return;
  HMENU menu = CreatePopupMenu();
  UINT id = IDM_FRAMELIST_FIRST;
  for (const FloatingFrameEntry& e : FloatingFrames()) {
    char title[81] = {};
    GetWindowTextA(e.frame, title, 80);
    AppendMenuA(menu, MF_STRING, id++, title);
  }
  if (!FloatingFrames().empty()) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_PROPERTIES, LoadResString(IDS_TRAY_PROPERTIES));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_ABOUT, LoadResString(IDS_TRAY_ABOUT));
  AppendMenuA(menu, MF_STRING, IDM_CLOSE, LoadResString(IDS_TRAY_CLOSE));
  POINT pt;
  GetCursorPos(&pt);
  SetForegroundWindow(owner);
  UINT cmd = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | (alignFlag ? 0 : TPM_RIGHTBUTTON), pt.x, pt.y, owner, nullptr);
  DestroyMenu(menu);
  PostMessageA(owner, WM_NULL, 0, 0);
  if (cmd) SendMessageA(owner, WM_COMMAND, cmd, 0);
}

void ShowListedFrame(int index) {
  const auto& list = FloatingFrames();
  if (index < 0 || index >= int(list.size())) return;
  SendMessageA(list[std::size_t(index)].frame, PNM_SHOWFRAME, 0, 0);
}

bool CreateTempFolder() {
  char temp[MAX_PATH] = {};
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (!n || n >= MAX_PATH) return false;
  std::string path = temp;
  if (path.back() != '\\') path += '\\';
  path += "~JQTEMP";
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back(0);
  CreateDirectoryPath(buffer.data());
  g_tempFolder = path + "\\";
  return true;
}

void RemoveTempFolder() {
  char temp[MAX_PATH] = {};
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (!n || n >= MAX_PATH) return;
  std::string folder = temp;
  if (folder.back() != '\\') folder += '\\';
  folder += "~JQTEMP";
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  if (!SetCurrentDirectoryA(folder.c_str())) return;
  SetCurrentDirectoryA(current);
  for (std::string what : {folder + "\\*.*", folder}) {
    std::vector<char> list(what.begin(), what.end());
    list.push_back(0);
    list.push_back(0);
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.data();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&op);
  }
}

const std::string& TempFolderPath() { return g_tempFolder; }

bool ReadCopyDataPath(const COPYDATASTRUCT* data, std::string& path) {
  if (!data || data->dwData != kLayoutCopyDataId || !data->lpData) return false;
  if (data->cbData < 1 || data->cbData > MAX_PATH) return false;
  const char* text = static_cast<const char*>(data->lpData);
  std::size_t n = 0;
  while (n < data->cbData && text[n]) ++n;
  if (n == data->cbData || n == 0) return false;  // no terminator inside, or empty
  path.assign(text, n);
  return true;
}

void ShowBadLayoutBox(const std::string& path) {
  char text[MAX_PATH + 120];
  snprintf(text, sizeof text, "%s%s", path.c_str(), LoadResString(IDS_NOT_A_LAYOUT));
  char caption[100];
  lstrcpynA(caption, LoadResString(IDS_LAYOUT_ERROR_CAPTION), sizeof caption);
  seams::MessageBoxA(nullptr, text, caption, MB_TASKMODAL | MB_ICONWARNING);
}

bool SwitchLayout(const std::string& path) {
  std::optional<LayoutFile> layout =
      IsToolbarLayoutFile(path) ? ReadToolbarLayout(path) : std::nullopt;
  if (!layout) {
    ShowBadLayoutBox(path);
    return false;
  }
  SaveToolbarLayout("");
  BeginOutsideLayoutLoad();
  ApplyToolbarLayout(*layout);
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  RecentLayouts().Add(n && n < MAX_PATH ? std::string(full) : path);
  RecentLayouts().Save();
  EndOutsideLayoutLoad();
  UpdateTrayIconState();
  return true;
}

void UpdateTrayIconState() {
  bool allHidden = true;
  for (PanelNode* n = FrameList(); n; n = n->next) {
    ContainerSettings* s = GetContainerSettings(n->window);
    if (s && (s->frameStyle == 3 || s->frameStyle == 2)) return;
    if (n->window && IsWindowVisible(GetParent(n->window))) {
      if (!IsTrayIconWanted()) RemoveTrayIcon();
      else AddTrayIcon();
      return;
    }
  }
  if (allHidden && FrameList()) AddTrayIcon();
}

int RunAboutBox(HWND owner) {
  FrameDialogBox(Globals().instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc);
  return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      KillTimer(window, kTaskbarTimer);
      CloseHelp(window);
      PostQuitMessage(0);
      return 0;
    case WM_QUERYENDSESSION:
      SaveToolbarLayout("");
      RecentLayouts().Save();
      return 1;
    case WM_ENDSESSION:
      if (wp && Globals().isWindowsNT) DestroyAllFrames();
      return 1;
    case WM_COPYDATA: {
      std::string path;
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      if (!data || data->dwData != kLayoutCopyDataId) return 0;
      if (!ReadCopyDataPath(data, path)) {
        ShowBadLayoutBox("");
        return 0;
      }
      SwitchLayout(path);
      return 0;
    }
    case WM_COMMAND: {
      int id = LOWORD(wp);
      HWND owner = GetOwnerFrameWindow();
      switch (id) {
        case IDM_PROPERTIES:
        case IDM_CONFIGURE:
          if (owner) SendMessageA(owner, WM_COMMAND, IDM_CONFIGURE, 0);
          return 0;
        case IDM_CLOSE:
          SaveBeforeClosing(owner);
          DestroyAllFrames();
          return 0;
        case IDM_ABOUT:
          RunAboutBox(owner);
          return 0;
      }
      if (id >= IDM_FRAMELIST_FIRST && id <= IDM_FRAMELIST_LAST) ShowListedFrame(id - IDM_FRAMELIST_FIRST);
      return 0;
    }
    case WM_TIMER:
      if (wp == kTaskbarTimer) CallArrangeTaskbar(1);
      return 0;
    case PNM_HOOKKEY: {
      bool released = (lp & 0x80000000) != 0;
      if (!released) DispatchHotKey(int(wp), (lp & 0x20000000) != 0);
      return 0;
    }
    case PNM_APPBARNOTIFY:
      return 0;
    case PNM_TRAYNOTIFY:
      if (lp == WM_LBUTTONDOWN) SendMessageA(window, PNM_SHOWFRAME, 0, 0);
      else if (lp == WM_RBUTTONUP) ShowTrayMenu(GetOwnerFrameWindow(), false);
      return 0;
    case PNM_SHOWFRAME:
      if (HWND owner = GetOwnerFrameWindow()) SendMessageA(owner, PNM_SHOWFRAME, 0, 0);
      return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

}  // namespace jqbar
