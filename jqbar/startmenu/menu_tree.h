// The entries of a menu: one record serves the folder lists of the menu cache and the trees of
// the user's own menus, which live only in the bar's settings. A tree is addressed by backslash
// paths ("Tools\Editors\Notepad"), compared byte for byte.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstdint>
#include <string>
#include <vector>

#include "url_shortcut.h"

namespace jqbar {


inline constexpr std::uint32_t kEntryTargetIdList = 1;
inline constexpr std::uint32_t kEntryTargetUrl = 2;

struct MenuEntry {
  MenuEntry* next = nullptr;
  std::string name;
  char extension[12] = {};
  std::uint32_t isFolder = 0;
  MenuEntry* firstChild = nullptr;
  std::string command;
  LPITEMIDLIST idList = nullptr;  // flags bit 0; owned (ILFree)
  UrlShortcut* url = nullptr;     // flags bit 1; owned
  std::uint32_t flags = 0;
  std::string startIn;
  std::string parameters;
  std::int32_t runMode = 1;
  std::uint32_t hasIcon = 0;
  std::string iconFile;
  std::int32_t iconIndex = 0;
};

// A tree (or a folder's list): the first node of the top-level list.
struct PathTree {
  MenuEntry* first = nullptr;
};

// Frees a list with every sub-list, string and target.
void FreeMenuEntries(MenuEntry* list);
// A deep copy of a list (children included).
MenuEntry* CopyMenuEntries(const MenuEntry* list);
// The size of a node record as it is stored.
inline constexpr std::size_t kMenuEntryRecordSize = 64;
// Nesting and node bounds of a stored tree; deeper or larger trees are refused when read.
inline constexpr int kMaxTreeDepth = 32;
inline constexpr int kMaxTreeNodes = 20000;

int SetPathTreeEntry(PathTree* tree, const char* folderPath, const char* name, const char* command,
                     const char* startIn, const char* parameters, int runMode, const char* iconFile,
                     int iconIndex, const void* target, int isShortcut);
int AddPathTreeFolder(PathTree* tree, const char* path);
int RenamePathTreeEntry(PathTree* tree, const char* folderPath, const char* oldName,
                        const char* newName);
void RemovePathTreeEntry(PathTree* tree, const char* path);
// Entry path: the node; folder path: its child list; "": the top list. None when absent.
MenuEntry* FindPathTreeEntry(PathTree* tree, const char* path);
// The node of the path itself; the top list for "".
MenuEntry* FindPathTreeFolder(PathTree* tree, const char* path);
MenuEntry* DetachPathTreeNode(PathTree* tree, const char* path);
int MovePathTreeEntry(PathTree* tree, const char* sourcePath, const char* destinationFolder);
// Replaces the entry `name` of a folder by `replacement` (which takes its place in the list);
// 0 when the folder or the entry is missing.
int ReplacePathTreeEntry(PathTree* tree, const char* folderPath, const char* name,
                         MenuEntry* replacement);

std::size_t GetPathTreeSize(const PathTree* tree);
void WritePathTree(const PathTree* tree, std::vector<std::uint8_t>& out);
// Reads a stored tree from exactly `size` bytes; false (tree empty) when it does not fit them.
bool ReadPathTree(PathTree* tree, const std::uint8_t* data, std::size_t size);
void FreePathTree(PathTree* tree);

// Splits the next component off a path: skips leading backslashes, copies up to the next
// backslash (bounded by `size`), advances `path`; true when it was the last component.
bool SplitPathComponent(const char*& path, std::string& component);

}  // namespace jqbar
