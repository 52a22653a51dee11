// Voltaly's settings in the registry: the 288-byte "GLobalSettings" record, the network
// drives' cluster sizes, "SaveOnExit", the last folder, the per-column states, the toolbar
// blobs and three recent-entry lists. All values stand in HKCU
// "Software\Belmoor\Quorvanel\CurrentVersion" (seams::UserRoot()).
//
// The records below are the program's working copies; they are read and written field by
// field at the stored offsets (EncodeSettings / DecodeSettings), never copied whole.
#pragma once
#include <atomic>
#include <windows.h>
#include <cstdint>

constexpr const char* kVoltalyKeyPath = "Software\\Belmoor\\Quorvanel\\CurrentVersion";

// Criteria of Find Folders / Tag Folders, 32 bytes stored.
struct FolderCriteria {
  uint8_t lastPage = 0;         // 0 page shown last (0 sizes, 1 names, 2 dates)
  uint8_t nameOptions[2] = {};  // 1, 2 options of the names page
  double size1 = 10240000.0;    // 8  bytes
  double size2 = 10240000.0;    // 16 upper bound of "between"
  uint8_t comparison = 2;       // 24 0 equal, 1 less, 2 greater, 3 between
  uint8_t sizeSwitch = 0x80;    // 25 bit 7 size criterion on; bits 0-6 column index in the list
  uint16_t periods = 1;         // 26 number of periods of the date criterion
  uint8_t periodUnit = 1;       // 28 0 minutes, 1 hours, 2 days, 3 months, 4 years
  uint8_t dateSwitch = 0;       // 29 bit 7 on; bit 6 older-than; bits 0-5 0 write, 1 created,
                                //    2 access
  uint8_t furtherOption = 0;    // 30
  uint8_t nameOn = 0;           // 31 name criterion on
};
constexpr size_t kFolderCriteriaSize = 32;

struct VoltalineSettings {
  uint8_t scanTarget = 0;        // 0   0 whole drive, 1 selected folder (dialog 135)
  uint8_t scanOption = 1;        // 1   recurse value of folder scans
  uint8_t stopAllScans = 1;      // 2   Stop stops every drive's scan
  uint8_t sortColumn = 1;        // 3   index of the sort column in the column set
  int32_t windowRect[4] = {};    // 8   left, top, right, bottom
  FolderCriteria findCriteria;   // 24
  uint8_t sizeUnits = 1;         // 56  1 compact sizes with units, 0 full byte counts
  uint8_t sizeOnDisk = 1;        // 57  1 allocated sizes, 0 reported sizes
  uint32_t scanDriveMask = 0;    // 60  bit n = drive letter n (A = bit 1)
  uint32_t scanDriveClasses[4] = {0, 1, 0, 0};  // 64 removable, fixed, network, other
  uint8_t showToolbar = 1;       // 80
  uint8_t showFilePane = 0;      // 81
  uint8_t showStatusBar = 1;     // 82
  uint8_t showTabs = 1;          // 83
  FolderCriteria tagCriteria;    // 88  (bytes 117 and 119 = tagCriteria.sizeSwitch / dateSwitch)
  uint32_t colour1 = 0x00FF0000; // 120 bar brush
  uint32_t colour2 = 0x000000FF; // 124 over-full bar brush
  uint32_t colour3 = 0x000000FF; // 128 tag text colour
  uint32_t filePaneViewMode = 3; // 260 1 icons, 2 small icons, 3 list, 4 details
  uint8_t lastFindPage = 0;      // 264
  uint32_t shownDriveMask = 0;   // 268
  uint32_t shownDriveClasses[4] = {1, 1, 0, 0};  // 272
};
constexpr size_t kVoltalineSettingsSize = 288;

// The built-in defaults (the tag group's date values are 0).
VoltalineSettings DefaultVoltalineSettings();
// Byte-exact conversion of the stored forms.
void EncodeSettings(const VoltalineSettings& s, uint8_t out[kVoltalineSettingsSize]);
void DecodeSettings(const uint8_t in[kVoltalineSettingsSize], VoltalineSettings* s);
void EncodeCriteria(const FolderCriteria& c, uint8_t out[kFolderCriteriaSize]);
void DecodeCriteria(const uint8_t in[kFolderCriteriaSize], FolderCriteria* c);

// Per size column, 12 bytes, value named by the column's string id in decimal.
struct ColumnState {
  uint32_t flags = 0;    // the column's flags & 0x0BDC
  uint32_t width = 0;    // pixels (name column: the tree's width)
  uint16_t barScale = 1; // 1..200
  uint8_t position = 0;  // 0 = name column
  uint8_t ascending = 0;
};
constexpr size_t kColumnStateSize = 12;
constexpr uint32_t kColumnStateFlagsMask = 0x0BDC;
void EncodeColumnState(const ColumnState& c, uint8_t out[kColumnStateSize]);
void DecodeColumnState(const uint8_t in[kColumnStateSize], ColumnState* c);
BOOL ReadColumnState(UINT typeId, ColumnState* state);   // 0 when missing or of another size
BOOL WriteColumnState(UINT typeId, const ColumnState& state);

// Process-wide settings state.
extern VoltalineSettings g_settings;
extern UINT g_saveOnExit;              // "SaveOnExit"
// "NetDriveClusterSize", index 0 = A, 0 = not set. Scan workers read it while the GUI thread
// changes it: atomic.
extern std::atomic<uint32_t> g_netClusterSizes[26];
extern char g_currentPath[MAX_PATH];   // start folder: filled from the command line first
extern BOOL g_firstRun;                // "GLobalSettings" was missing

BOOL CreateSettingsKey();
// Start-up, before the main window. Applies defaults, clamps the show flags, reads
// "CurrentPath" only when g_currentPath is still empty.
void LoadVoltalineSettings();
// Writes "SaveOnExit"; with the flag set or force: the cluster sizes, the record (sortColumn =
// currentSortColumn when it is >= 0) and "CurrentPath" (= currentPath when not null/empty).
void SaveVoltalineSettings(BOOL force, int currentSortColumn = -1, const char* currentPath = nullptr);

// Low-level values in the program's key; 1 on success.
BOOL ReadSettingDword(const char* name, DWORD* value);
BOOL ReadSettingBinary(const char* name, void* buffer, DWORD size);  // exact size only
BOOL ReadSettingString(const char* name, char* buffer, DWORD size);  // always terminated
BOOL WriteSettingDword(const char* name, DWORD value);
BOOL WriteSettingString(const char* name, const char* text);
BOOL WriteSettingBinary(const char* name, const void* data, DWORD size);

// The toolbar's own save format (TB_SAVERESTOREA) under the program's key: value "Toolbar" or
// "Default Toolbar".
void SaveToolbarState(HWND toolbar, const char* valueName);
BOOL RestoreToolbarState(HWND toolbar, const char* valueName);

// Recent lists: 8 owned strings, newest first, empty slots null. Subkeys "CopyMoveTo",
// "CreateFolder", "SearchNameFilters".
struct HistoryList8 {
  char* entries[8] = {};
};
void ReadHistoryList(HistoryList8* list, const char* subkey);
void AddHistoryEntry(HistoryList8* list, const char* text);
void WriteHistoryList(const HistoryList8* list, const char* subkey);
void FreeHistoryEntries(HistoryList8* list);
void FillHistoryCombo(HWND combo, const HistoryList8* list);
