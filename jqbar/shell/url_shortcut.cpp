#include "url_shortcut.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "panel_utils.h"
#include "resource_shell.h"
#include "seams.h"
#include "shortcut_file.h"
#include "window_helpers.h"

namespace jqbar {
namespace {

std::string g_tempFolder;
std::string g_lastTempFile;
bool g_tempFileWritten = false;
void (*g_enableConfig)(BOOL) = nullptr;

HICON g_largeIcon = nullptr;
HICON g_smallIcon = nullptr;
std::string g_iconFile;
int g_iconIndex = 0;

bool MatchesUrlKey(const char* p) {
  return (p[0] == 'U' || p[0] == 'u') && (p[1] == 'R' || p[1] == 'r') &&
         (p[2] == 'L' || p[2] == 'l') && p[3] == '=';
}

std::string BaseNameWithoutExtension(const char* path) {
  const char* start = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') start = p + 1;
  std::string name = start;
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

std::string TempFolder() {
  if (!g_tempFolder.empty()) return g_tempFolder;
  char temp[MAX_PATH] = {};
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (!n || n >= MAX_PATH) return {};
  std::string folder = temp;
  if (folder.back() != '\\') folder += '\\';
  folder += "~JQTEMP";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\";
}

bool ExtractBoth(const std::string& file, int index) {
  HICON large = nullptr, small = nullptr;
  UINT got = ExtractIconExA(file.c_str(), index, &large, &small, 1);
  if (got == 0 || got == UINT(-1) || !large || !small) {
    if (large) DestroyIcon(large);
    if (small) DestroyIcon(small);
    return false;
  }
  g_largeIcon = large;
  g_smallIcon = small;
  g_iconFile = file;
  g_iconIndex = index;
  return true;
}

std::string SystemFolderFile(const std::string& name) {
  char system[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(system, MAX_PATH);
  if (!n || n >= MAX_PATH) return name;
  std::string path = system;
  if (path.back() != '\\') path += '\\';
  return path + name;
}

struct EditState {
  char* name;
  char* url;
  bool changed;
};

INT_PTR CALLBACK UrlShortcutDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lp);
      auto* state = reinterpret_cast<EditState*>(lp);
      if (g_enableConfig) g_enableConfig(FALSE);
      CenterWindowOnScreen(dialog);
      SendDlgItemMessageA(dialog, IDC_URL_NAME, EM_LIMITTEXT, MAX_PATH - 1, 0);
      SendDlgItemMessageA(dialog, IDC_URL_ADDRESS, EM_LIMITTEXT, MAX_PATH - 1, 0);
      SetDlgItemTextA(dialog, IDC_URL_NAME, state->name);
      SetDlgItemTextA(dialog, IDC_URL_ADDRESS, state->url);
      SetFocus(GetDlgItem(dialog, IDC_URL_NAME));
      return FALSE;
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<EditState*>(GetWindowLongPtrA(dialog, DWLP_USER));
      if (LOWORD(wp) == IDOK && state) {
        char text[MAX_PATH];
        GetDlgItemTextA(dialog, IDC_URL_NAME, text, MAX_PATH);
        if (strcmp(text, state->name) != 0) {
          lstrcpynA(state->name, text, MAX_PATH);
          state->changed = true;
        }
        GetDlgItemTextA(dialog, IDC_URL_ADDRESS, text, MAX_PATH);
        if (strcmp(text, state->url) != 0) {
          lstrcpynA(state->url, text, MAX_PATH);
          state->changed = true;
        }
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      if (g_enableConfig) g_enableConfig(TRUE);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

UrlShortcut* NewUrlShortcut(const char* name, const char* url) {
  auto* shortcut = new (std::nothrow) UrlShortcut;
  if (!shortcut) return nullptr;
  try {
    shortcut->name = name ? name : "";
    shortcut->url = url ? url : "";
  } catch (...) {
    delete shortcut;
    return nullptr;
  }
  return shortcut;
}

void FreeUrlShortcut(UrlShortcut* shortcut) { delete shortcut; }

UrlShortcut* ReadUrlShortcutFile(const char* path) {
  if (!path) return nullptr;
  char url[kMaxUrlLength + 1] = {};
  GetPrivateProfileStringA("InternetShortcut", "URL", "", url, sizeof url, path);
  url[kMaxUrlLength] = 0;
  return NewUrlShortcut(BaseNameWithoutExtension(path).c_str(), url);
}

UrlShortcut* ParseUrlShortcutText(const char* name, const char* text, std::size_t size) {
  std::size_t limit = size ? size : kUrlTextScanLimit;
  std::string url;
  if (text) {
    std::size_t end = 0;
    while (end < limit && text[end]) ++end;  // the text stops at its bound or its NUL
    for (std::size_t i = 0; i + 4 <= end; ++i) {
      if (!MatchesUrlKey(text + i)) continue;
      std::size_t start = i + 4, stop = start;
      while (stop < end && text[stop] != '\n') ++stop;
      if (stop > start && text[stop - 1] == '\r') --stop;
      url.assign(text + start, std::min(stop - start, kMaxUrlLength));
      break;
    }
  }
  return NewUrlShortcut(name, url.c_str());
}

int WriteUrlShortcutFile(const UrlShortcut* shortcut, const char* folder, std::string* path) {
  if (!shortcut || !folder) return 0;
  std::vector<char> name(shortcut->name.begin(), shortcut->name.end());
  name.push_back(0);
  StripIllegalFileNameChars(name.data());
  std::string file = folder;
  if (file.empty() || file.back() != '\\') file += '\\';
  file += name[0] ? name.data() : "url";
  file += ".url";
  if (file.size() >= MAX_PATH) return 0;

  // Written whole beside the target first; an old file of that name goes only then.
  std::string temp = file + ".~tmp";
  HANDLE handle = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  std::string text = "[InternetShortcut]\r\nURL=" + shortcut->url + "\r\n";
  DWORD written = 0;
  bool ok = WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr) &&
            written == text.size();
  ok = CloseHandle(handle) && ok;
  if (ok) {
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ok = MoveFileExA(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!ok) {
    DeleteFileA(temp.c_str());
    return 0;
  }
  if (path) *path = file;
  return 1;
}

void SetConfigDialogEnabler(void (*enable)(BOOL)) { g_enableConfig = enable; }

int EditUrlShortcutDialog(HWND owner, char* name, char* url) {
  if (!name || !url) return 0;
  EditState state{name, url, false};
  INT_PTR result = FrameDialogBox(Globals().instance, MAKEINTRESOURCEA(IDD_URL_SHORTCUT), owner,
                                  UrlShortcutDialogProc, reinterpret_cast<LPARAM>(&state));
  return result == IDOK && state.changed ? 1 : 0;
}

void SetUrlShortcutTempFolder(const std::string& folder) {
  g_tempFolder = folder;
  if (!g_tempFolder.empty() && g_tempFolder.back() != '\\') g_tempFolder += '\\';
}

const std::string& LastUrlTempFile() { return g_lastTempFile; }

int OpenUrlShortcut(const UrlShortcut* shortcut) {
  if (!shortcut) return 0;
  if (g_tempFileWritten) {
    DeleteFileA(g_lastTempFile.c_str());
    g_tempFileWritten = false;
    g_lastTempFile.clear();
  }
  std::string folder = TempFolder();
  std::string file;
  if (folder.empty() || !WriteUrlShortcutFile(shortcut, folder.c_str(), &file)) return 0;
  g_lastTempFile = file;
  g_tempFileWritten = true;

  char windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
  if (n >= MAX_PATH) windows[0] = 0;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = Globals().mainWindow;
  info.lpFile = file.c_str();
  info.lpDirectory = windows[0] ? windows : nullptr;
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) ? 1 : 0;
}

int LoadUrlShortcutIconsFrom(HKEY classesRoot) {
  FreeUrlShortcutIcons();
  HKEY key = nullptr;
  if (RegOpenKeyExA(classesRoot, "InternetShortcut\\DefaultIcon", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH, type = 0;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    value[MAX_PATH] = 0;
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && value[0]) {
      std::string text(value, strnlen(value, std::min<DWORD>(size, MAX_PATH)));
      std::string file = text;
      int index = 0;
      std::size_t comma = text.find(',');
      if (comma != std::string::npos) {
        file = text.substr(0, comma);
        index = atoi(text.c_str() + comma + 1);
      }
      if (!file.empty() && (ExtractBoth(file, index) || ExtractBoth(SystemFolderFile(file), index)))
        return 1;
    }
  }
  return ExtractBoth(SystemFolderFile("shell32.dll"), 1) ? 1 : 0;
}

int LoadUrlShortcutIcons() { return LoadUrlShortcutIconsFrom(HKEY_CLASSES_ROOT); }

void FreeUrlShortcutIcons() {
  if (g_largeIcon) DestroyIcon(g_largeIcon);
  if (g_smallIcon) DestroyIcon(g_smallIcon);
  g_largeIcon = g_smallIcon = nullptr;
  g_iconFile.clear();
  g_iconIndex = 0;
}

HICON UrlShortcutIcon(bool large) { return large ? g_largeIcon : g_smallIcon; }
const std::string& UrlShortcutIconFile() { return g_iconFile; }
int UrlShortcutIconIndex() { return g_iconIndex; }

}  // namespace jqbar
