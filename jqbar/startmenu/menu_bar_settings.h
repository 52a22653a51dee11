// The Start-menu bar's state: the head record stored at the front of its settings blob, its
// menu buttons by region, the folder-name list (the order of the menus) and the removed-name
// list (the hidden menus), and the blob itself.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <cstdint>
#include <string>
#include <vector>

#include "menu_tree.h"

namespace jqbar {

inline constexpr std::uint32_t kMenuBarMark = 0x7FFF0101;
inline constexpr int kMaxRegions = 10;
inline constexpr int kMaxFolderNames = 300;
inline constexpr int kMaxMenuButtons = 500;
inline constexpr int kMenuNameChars = 49;
inline constexpr std::size_t kMenuBarHeadSize = 1324;
inline constexpr std::size_t kLegacyHeadSize = 104;
inline constexpr std::size_t kMenuButtonRecordSize = 96;

// The head, exactly as stored: every field a 32-bit word; the slots that held pointers are
// always zero here.
struct MenuBarSettings {
  std::uint32_t mark;
  std::uint32_t sortRequest;
  std::uint32_t smallIcons;
  std::int32_t regions;
  std::uint32_t regionHeads[10];
  std::uint32_t automatic;
  std::uint32_t scrollShown;
  std::uint32_t scrollStacked;
  std::int32_t maxPerRegion;
  std::int32_t visiblePerRegion;
  std::int32_t firstVisible;
  std::uint32_t arrowPressed[2];
  std::int32_t removedCount;
  std::uint32_t removedNames;
  std::int32_t cellHeight;
  std::int32_t cellWidth;
  std::int32_t regionGap;
  std::int32_t widthMin;
  std::int32_t widthMax;
  std::uint32_t showIcons;
  std::int32_t folderCount;
  std::uint32_t folderNames[300];
};
static_assert(sizeof(MenuBarSettings) == kMenuBarHeadSize);
static_assert(offsetof(MenuBarSettings, automatic) == 56);
static_assert(offsetof(MenuBarSettings, removedCount) == 88);
static_assert(offsetof(MenuBarSettings, regionGap) == 104);
static_assert(offsetof(MenuBarSettings, folderCount) == 120);

inline constexpr std::uint32_t kButtonSpecialFolder = 1;

struct MenuButton {
  char name[52] = {};
  PathTree tree;              // user menus
  HBITMAP face = nullptr;     // rendered at layout
  HICON icon = nullptr;
  std::string iconFile;
  std::int32_t iconIndex = 0;
  std::uint32_t pressed = 0;
  std::uint32_t flags = 0;
  std::int32_t csidl = 0;
  std::uint32_t userMenu = 0;
  std::uint32_t removed = 0;
};

// A button that lives in the settings (special folder or user menu); the others come from the
// Programs folders at every load.
inline bool IsKeptButton(const MenuButton& b) { return (b.flags & kButtonSpecialFolder) || b.userMenu; }
inline bool IsCommonButton(const MenuButton& b) { return b.name[0] == '\\'; }
inline bool IsFolderButton(const MenuButton& b) { return !IsKeptButton(b); }

struct MenuBarInstance {
  MenuBarSettings head{};
  std::vector<MenuButton*> regions[kMaxRegions];
  std::vector<std::string> removedNames;
  std::vector<std::string> folderNames;
  HWND window = nullptr;
  IDropTarget* dropTarget = nullptr;  // registered while the window lives
  int focused = -1;
  bool focusActive = false;
  bool horizontal = true;
  bool pageOpen = false;
};

// The defaults of a new bar.
void SetDefaultMenuBarSettings(MenuBarInstance* bar);
std::vector<std::uint8_t> SaveMenuBarSettings(const MenuBarInstance* bar);
// Loads a blob into a bar whose buttons and lists are empty. A blob whose counts, strings or
// trees do not fit its bytes is refused as a whole (false) and the bar gets the defaults.
bool LoadMenuBarSettings(MenuBarInstance* bar, const void* blob, std::size_t size);
// Frees the buttons that are not kept (all with `all`, and then both name lists).
void FreeMenuButtons(MenuBarInstance* bar, bool all);
void FreeMenuButton(MenuButton* button);
void LoadMenuButtonIcon(MenuButton* button);

bool IsMenuNameInUse(const MenuBarInstance* bar, const char* name);
void AddMenuFolderName(MenuBarInstance* bar, const char* name, bool sorted);
void RenameMenuFolderName(MenuBarInstance* bar, const char* oldName, const char* newName);
void RemoveMenuFolderName(MenuBarInstance* bar, const char* name);
bool IsRemovedMenuName(const MenuBarInstance* bar, const char* name);
// Case-insensitive, a leading backslash ignored.
int CompareMenuNames(const char* a, const char* b);
void SortMenuFolderNames(MenuBarInstance* bar);

// The Programs folder without trailing backslashes.
std::string GetProgramsFolder();
// Tests point the Programs folder elsewhere ("" = the shell's again).
void SetProgramsFolderOverride(const std::string& path);
bool GetCommonProgramsFolder(char* buffer /* 260 */);
bool HasCommonPrograms();
// "Accessories" -> Programs\Accessories; "\Accessories" -> Common Programs\Accessories (NT).
std::string ResolveMenuPath(const char* relative);
// Directory names of a folder, except "." and "..".
std::vector<std::string> ListSubfolders(const std::string& folder);

void ScanProgramsFolders(MenuBarInstance* bar);
void PruneMenuFolderNames(MenuBarInstance* bar);
// Adds a button for every Programs (and Common Programs) folder not in the removed list and
// not yet on the bar.
void AddFolderButtons(MenuBarInstance* bar);
// Deals all buttons round-robin over the regions in folder-name order, hidden ones last.
void RedistributeMenuButtons(MenuBarInstance* bar);
// Marks the buttons whose names are in the removed list.
void MarkRemovedButtons(MenuBarInstance* bar);
int CountShownButtons(const MenuBarInstance* bar, int region);

}  // namespace jqbar
