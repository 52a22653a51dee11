// The New submenu from the ShellNew keys of the classes root, and making new items.
#include "shell_new.h"

#include <shlobj.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pane_refresh.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"

namespace {

ShellNewEntry* g_head = nullptr;
bool g_loaded = false;
HMENU g_menu = nullptr;
HKEY g_classesRoot = nullptr;

HKEY ClassesRootKey() { return g_classesRoot ? g_classesRoot : HKEY_CLASSES_ROOT; }

char* CopyText(const char* text) {
  size_t n = strlen(text);
  char* copy = new char[n + 1];
  memcpy(copy, text, n + 1);
  return copy;
}

// A string value (or the default value with a null name), bounded and terminated.
bool ReadText(HKEY key, const char* name, char* out, DWORD size) {
  DWORD type = 0;
  DWORD bytes = size - 1;
  out[0] = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    out[0] = 0;
    return false;
  }
  out[bytes < size ? bytes : size - 1] = 0;
  return true;
}

bool ValueExists(HKEY key, const char* name) {
  return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

ShellNewEntry* ReadEntry(HKEY root, const char* extension) {
  HKEY extKey = nullptr;
  if (RegOpenKeyExA(root, extension, 0, KEY_READ, &extKey) != ERROR_SUCCESS) return nullptr;
  ShellNewEntry* entry = nullptr;
  char progId[101] = {};
  char typeName[101] = {};
  HKEY progKey = nullptr;
  HKEY newKey = nullptr;
  if (ReadText(extKey, nullptr, progId, sizeof progId) && progId[0] &&
      RegOpenKeyExA(root, progId, 0, KEY_READ, &progKey) == ERROR_SUCCESS &&
      ReadText(progKey, nullptr, typeName, sizeof typeName) && typeName[0]) {
    if (RegOpenKeyExA(extKey, "ShellNew", 0, KEY_READ, &newKey) != ERROR_SUCCESS) {
      std::string below = std::string(progId) + "\\ShellNew";
      if (RegOpenKeyExA(extKey, below.c_str(), 0, KEY_READ, &newKey) != ERROR_SUCCESS) newKey = nullptr;
    }
  }
  if (newKey) {
    entry = new ShellNewEntry{};
    snprintf(entry->extension, sizeof entry->extension, "%s", extension);
    HKEY config = nullptr;
    if (RegOpenKeyExA(newKey, "Config", 0, KEY_READ, &config) == ERROR_SUCCESS) {
      entry->noExtension = ValueExists(config, "NoExtension") ? 1 : 0;
      RegCloseKey(config);
    }
    char command[201] = {};
    if (ReadText(newKey, "Command", command, sizeof command)) {
      entry->command = CopyText(command);
      entry->hasCommand = 1;
    }
    char fileName[MAX_PATH] = {};
    DWORD size = 0;
    if (ValueExists(newKey, "NullFile")) {
      entry->kind = 1;
    } else if (ReadText(newKey, "FileName", fileName, sizeof fileName)) {
      entry->kind = 2;
      entry->data = reinterpret_cast<BYTE*>(CopyText(fileName));
    } else if (RegQueryValueExA(newKey, "Data", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
      entry->kind = 3;
      entry->data = new BYTE[size ? size : 1];
      DWORD read = size;
      if (RegQueryValueExA(newKey, "Data", nullptr, nullptr, entry->data, &read) != ERROR_SUCCESS) read = 0;
      entry->dataSize = read <= size ? read : size;
    } else if (!entry->hasCommand) {
      delete[] entry->command;
      delete entry;
      entry = nullptr;
    }
    if (entry) entry->typeName = CopyText(typeName);
    RegCloseKey(newKey);
  }
  if (progKey) RegCloseKey(progKey);
  RegCloseKey(extKey);
  return entry;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string TemplatesFolder() {
  char path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_TEMPLATES, nullptr, 0, path))) return path;
  return std::string();
}

}  // namespace

void SetShellNewClassesRoot(HKEY root) {
  g_classesRoot = root;
  FreeShellNewEntries();
}

const ShellNewEntry* ShellNewEntries() { return g_head; }

void FreeShellNewEntries() {
  while (g_head) {
    ShellNewEntry* next = g_head->next;
    delete[] g_head->data;
    delete[] g_head->command;
    delete[] g_head->typeName;
    delete g_head;
    g_head = next;
  }
  g_loaded = false;
  if (g_menu && IsMenu(g_menu) && !GetMenuItemCount(g_menu)) DestroyMenu(g_menu);
  g_menu = nullptr;
}

void LoadShellNewEntries() {
  FreeShellNewEntries();
  g_loaded = true;
  HKEY root = ClassesRootKey();
  ShellNewEntry** tail = &g_head;
  UINT nextId = kShellNewFirstId;
  char name[101];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    LONG status = RegEnumKeyExA(root, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    if (name[0] != '.') continue;
    // The id range ends at its last id: later types are not offered.
    if (nextId > kShellNewLastId) break;
    ShellNewEntry* entry = ReadEntry(root, name);
    if (!entry) continue;
    entry->commandId = nextId++;
    *tail = entry;
    tail = &entry->next;
  }
}

HMENU BuildNewSubmenu() {
  if (!g_loaded) LoadShellNewEntries();
  if (g_menu && IsMenu(g_menu)) return g_menu;
  g_menu = nullptr;
  if (!g_head) return nullptr;
  HMENU menu = CreatePopupMenu();
  if (!menu) return nullptr;
  char text[200] = {};
  LoadStringA(g_instance, IDS_NEW_FOLDER_ITEM, text, sizeof text);
  AppendMenuA(menu, MF_STRING, ID_FILE_NEW_FOLDER, text);
  LoadStringA(g_instance, IDS_NEW_SHORTCUT_ITEM, text, sizeof text);
  AppendMenuA(menu, MF_STRING, ID_FILE_CREATE_SHORTCUT, text);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  for (const ShellNewEntry* entry = g_head; entry; entry = entry->next)
    AppendMenuA(menu, MF_STRING, entry->commandId, entry->typeName);
  g_menu = menu;
  return menu;
}

void AttachNewSubmenu(HMENU fileMenu) {
  if (!fileMenu) return;
  HMENU popup = BuildNewSubmenu();
  if (!popup) return;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
  if (!GetMenuItemInfoA(fileMenu, 0, TRUE, &info)) return;
  if (info.hSubMenu == popup) return;
  bool placeholder = (info.fType & MFT_SEPARATOR) != 0;
  char text[100] = {};
  LoadStringA(g_instance, IDS_SHELL_NEW, text, sizeof text);
  if (!placeholder && info.hSubMenu) {
    // An earlier New popup that is no longer kept: take it out without destroying ours.
    RemoveMenu(fileMenu, 0, MF_BYPOSITION);
  } else if (placeholder) {
    RemoveMenu(fileMenu, 0, MF_BYPOSITION);
  }
  InsertMenuA(fileMenu, 0, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), text);
}

UINT MakeShellNewItem(const char* folder, UINT commandId, HWND owner, char* name) {
  if (name) name[0] = 0;
  const ShellNewEntry* entry = g_head;
  while (entry && entry->commandId != commandId) entry = entry->next;
  if (!entry || !folder || !folder[0]) return 1;
  std::string base = std::string("New ") + entry->typeName;
  std::string directory = folder;
  if (directory.back() != '\\') directory += '\\';
  std::string extension = entry->noExtension ? std::string() : std::string(entry->extension);
  std::string itemName = base;
  std::string path = directory + itemName + extension;
  // Numbers from 2 on until a free name turns up; an existing file is never replaced.
  for (int n = 2; Exists(path) && n < 100000; ++n) {
    itemName = base + " (" + std::to_string(n) + ")";
    path = directory + itemName + extension;
  }
  if (Exists(path)) return 0;
  bool made = false;
  if (entry->kind == 1 || entry->kind == 3) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      made = true;
      if (entry->kind == 3 && entry->dataSize) {
        DWORD written = 0;
        if (!WriteFile(file, entry->data, entry->dataSize, &written, nullptr) || written != entry->dataSize) made = false;
      }
      CloseHandle(file);
      if (!made) DeleteFileA(path.c_str());
    }
  } else if (entry->kind == 2) {
    std::string templateName = reinterpret_cast<const char*>(entry->data);
    bool absolute = templateName.size() > 2 && (templateName[1] == ':' || templateName.rfind("\\\\", 0) == 0);
    std::string source = absolute ? templateName : TemplatesFolder() + "\\" + templateName;
    made = CopyFileA(source.c_str(), path.c_str(), TRUE) != FALSE;
  }
  if (made) SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, path.c_str(), nullptr);
  bool ran = false;
  if (entry->hasCommand && entry->command) {
    std::string command = entry->command;
    for (size_t at; (at = command.find("%1")) != std::string::npos;) command.replace(at, 2, path);
    for (size_t at; (at = command.find("%2")) != std::string::npos;) command.replace(at, 2, itemName);
    std::string program = command, parameters;
    size_t blank = command.find(' ');
    if (blank != std::string::npos) {
      program = command.substr(0, blank);
      parameters = command.substr(blank + 1);
    }
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = folder;
    info.nShow = SW_SHOWNORMAL;
    ran = seams::ShellExecuteExA(&info) != FALSE;
  }
  if (name) snprintf(name, MAX_PATH, "%s", itemName.c_str());
  return (made || ran) ? 1 : 0;
}

LRESULT CreateShellNewItem(HWND window, UINT id) {
  int pane = ActivePaneIndex;
  FilePane& p = FilePanes[pane];
  char folder[MAX_PATH] = {};
  if (!p.tree || !GetTreeSelectionPath(p.tree, folder, FALSE, TRUE) || !folder[0]) return RefuseCommand();
  char name[MAX_PATH] = {};
  if (!MakeShellNewItem(folder, id, window, name)) return RefuseCommand();
  RefreshPane(pane);
  // The new item is selected and its name opened for editing.
  int count = static_cast<int>(SendMessageA(p.list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    FileListItem* record = GetListItemRecord(p.list, i);
    char parsing[MAX_PATH] = {};
    if (!record || !record->folder || !record->pidl ||
        !GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, parsing, MAX_PATH))
      continue;
    std::string shown = parsing;
    size_t dot = shown.find_last_of('.');
    if (shown != name && (dot == std::string::npos || shown.substr(0, dot) != name)) continue;
    ListView_SetItemState(p.list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(p.list, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(p.list, i, FALSE);
    SetFocus(p.list);
    ListView_EditLabel(p.list, i);
    break;
  }
  return 0;
}
