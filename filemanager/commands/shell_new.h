// The File menu's New submenu: a folder, a shortcut and every file type that registers a
// ShellNew key, and the creation of a new item of such a type in a folder.
#pragma once
#include <windows.h>

struct ShellNewEntry {
  ShellNewEntry* next;
  UINT commandId;      // 44000, 44001, ...
  UINT kind;           // 0 command only, 1 NullFile, 2 FileName, 3 Data
  BYTE* data;          // kind 2: template file name (NUL-terminated); kind 3: the bytes
  char* command;       // "Command", or null
  char* typeName;      // display name of the type
  char extension[64];  // key name with its '.'
  UINT dataSize;       // kind 3
  UINT noExtension;    // "Config" subkey has "NoExtension"
  UINT hasCommand;
};

constexpr UINT kShellNewFirstId = 44000;
constexpr UINT kShellNewLastId = 44500;

// Reads the types from the classes root (a test may give its own key; null: HKEY_CLASSES_ROOT)
// and keeps the list; marks it loaded even when the root cannot be read.
void LoadShellNewEntries();
void SetShellNewClassesRoot(HKEY root);
const ShellNewEntry* ShellNewEntries();
void FreeShellNewEntries();
// The New popup (kept and reused while it is still a menu); null when no type is registered.
HMENU BuildNewSubmenu();
// Puts the New popup at the top of the File menu (in place of its placeholder separator or of
// an earlier New item).
void AttachNewSubmenu(HMENU fileMenu);
// Creates the item of the entry with the id in `folder`: writes its name (without folder or
// extension, with the number when one was added) into `name` (MAX_PATH). 1 when an item was made
// or the type's command ran; 0 when nothing could be made (an existing file is never replaced).
UINT MakeShellNewItem(const char* folder, UINT commandId, HWND owner, char* name);
