// The button bar's data: its settings head, its groups and button records, and the settings
// blob that carries them through the layout file (356-byte head, then per group a count and
// per button an 88-byte record followed by its strings and target).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jqbar {

inline constexpr int kMaxButtonGroups = 10;
inline constexpr int kGroupNameSize = 20;  // 19 characters and the NUL
inline constexpr int kMaxButtonLines = 10;
inline constexpr int kMaxRowLimit = 100;
inline constexpr std::size_t kButtonBarHeadSize = 356;
inline constexpr std::size_t kButtonRecordSize = 88;
// The smallest blob: the head and one empty group.
inline constexpr std::size_t kMinButtonBarBlob = kButtonBarHeadSize + 4;

// Group kinds.
enum ButtonGroupKind : std::int32_t {
  kGroupOrdinary = 0,
  kGroupApplications = 1,
  kGroupControlPanel = 2,
  kGroupFonts = 3,
  kGroupMyComputer = 4,
  kGroupNetwork = 5,
  kGroupRecent = 6,
  kGroupSystemAccess = 30,
};
bool IsSpecialFolderGroup(std::int32_t kind);
// The shell folder (CSIDL) a special-folder group mirrors; -1 for the other kinds.
int SpecialGroupFolder(std::int32_t kind);

// Button flags.
inline constexpr std::uint32_t kButtonIdList = 1;  // the target is an item id list
inline constexpr std::uint32_t kButtonUrl = 2;     // the target is an Internet shortcut

// One button. Strings that the blob stores as absent (length 0) are empty optionals, so that a
// blob is written back exactly as read.
struct ButtonRecord {
  ButtonRecord* next = nullptr;
  std::optional<std::string> command;
  std::vector<std::uint8_t> idList;  // flags bit 0: the list with its 2-byte terminator
  std::optional<std::string> urlName, url;  // flags bit 1
  std::uint32_t flags = 0;
  std::optional<std::string> startIn, parameters, label, iconFile;
  std::int32_t runMode = 1;  // 1 normal, 2 minimised, 3 maximised
  HIMAGELIST largeList = nullptr;
  std::int32_t largeIndex = -1;  // a System Access button: its action code
  HIMAGELIST smallList = nullptr;
  std::int32_t smallIndex = -1;
  std::int32_t hasIconFile = 0;
  std::int32_t iconIndex = 0;
  HICON largeIcon = nullptr, smallIcon = nullptr;
  std::int32_t pressed = 0;
  std::uint16_t presentMark = 0;
  std::uint16_t hotKeyId = 0;
  std::int32_t hotKeyVk = 0;
  std::int32_t hotKeyModifiers = 0;  // 1 Shift, 2 Ctrl, 4 Alt
  std::int32_t reserved = 0;

  bool IsIdList() const { return (flags & kButtonIdList) != 0; }
  bool IsUrl() const { return (flags & kButtonUrl) != 0; }
  const char* Command() const { return command ? command->c_str() : ""; }
  const char* Label() const { return label ? label->c_str() : ""; }
  LPCITEMIDLIST Pidl() const {
    return idList.empty() ? nullptr : reinterpret_cast<LPCITEMIDLIST>(idList.data());
  }
};

ButtonRecord* NewButtonRecord();
// Frees the record with its icons (never its image lists, which belong to the bar).
void FreeButtonRecord(ButtonRecord* button);
void FreeButtonList(ButtonRecord* head);
int CountButtons(const ButtonRecord* head);

struct ButtonBarSettings {
  std::uint32_t firstFill = 0;  // bit 0: fill with the default and desktop buttons on creation
  std::int32_t lines = 1;
  std::int32_t groupCount = 1;
  char groupNames[kMaxButtonGroups][kGroupNameSize] = {};
  std::int32_t groupKinds[kMaxButtonGroups] = {};
  std::int32_t currentGroup = 0;
  std::int32_t style = 3;
  ButtonRecord* groups[kMaxButtonGroups] = {};
  std::int32_t autoArrange = 1;
  std::int32_t arrowsShown = 0;
  std::int32_t arrowsStacked = 0;
  std::int32_t rowLimit = 20;
  std::int32_t visibleRows = 0;
  std::int32_t firstRow = 0;
  std::int32_t systemOptions[6] = {};
  std::int32_t backPressed = 0;
  std::int32_t forwardPressed = 0;

  ButtonRecord*& CurrentList() { return groups[currentGroup]; }
  std::int32_t CurrentKind() const { return groupKinds[currentGroup]; }
};

// The settings of a new bar: lines 1, one ordinary group "My Group", style 3, auto-arrange,
// row limit 20, no buttons.
void DefaultButtonBarSettings(ButtonBarSettings& settings);
// Frees the buttons of every group and clears the list heads.
void FreeButtonGroups(ButtonBarSettings& settings);

// The blob of the settings and every group's buttons. Pointer and handle slots are written as
// zeros, the pressed look as 0.
std::vector<std::uint8_t> WriteButtonBarBlob(const ButtonBarSettings& settings);

// Reads a blob into fresh settings (lists of new records; first visible row 0; icons not
// loaded). A blob whose head, counts, lengths, strings or item id lists do not fit the bytes
// given, or whose values are out of range (groups 1..10, current group below the count, lines
// 1..10, style 1..4, row limit 1..100, a known group kind, a button with both target kinds),
// is refused: false, and `out` is left as it was.
bool ReadButtonBarBlob(const std::uint8_t* blob, std::size_t size, ButtonBarSettings& out);

// True when an item id list of `size` bytes is a chain of items whose lengths stay inside the
// bytes and that ends with the 2-byte zero terminator exactly at the end.
bool IsWellFormedIdList(const std::uint8_t* list, std::size_t size);

}  // namespace jqbar
