// The file manager's settings store: one registry key per user (beneath seams::UserRoot()) with
// DWORD values, fixed-size binary records and history subkeys, plus the suite's install folder
// beneath seams::MachineRoot().
//
// Records are stored as little-endian images of fixed size, written and read field by field at
// fixed offsets. A reader asks for the full size: a shorter stored value keeps the defaults for
// the fields it does not reach, a longer one counts as absent. No registry failure is shown to
// the user: a missing key or value leaves the defaults, a failed write returns 0.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// Key paths, relative to the user root (settings) and the machine root (product keys).
constexpr const char* kSettingsKeyPath = "Software\\Belmoor\\Quorvanel\\CurrentVersion\\KestralViews";
constexpr const char* kSuiteKeyPath = "Software\\Belmoor\\Quorvanel\\CurrentVersion";
constexpr const char* kProductKeyPath = "Software\\Belmoor\\Quorvanel\\CurrentVersion";
constexpr const char* kSiblingProductKeyPath = "Software\\Tessaly\\Fernquil\\Version1.0";

// ---- Access to the settings key ----------------------------------------------------------

// Creates the settings key chain level by level; returns 1 when the whole chain exists.
// (The close flag is kept for callers; no key stays open between calls.)
int EnsureSettingsKey(int closeFlag);
// Opens (creating the chain first when `create`) a subkey of the settings key, or the settings
// key itself for a null or empty name; null on failure. The caller closes it.
HKEY OpenSettingsSubkey(const char* subkey, REGSAM access, bool create);
// 1 when the value was read (its type is not checked), else 0 with *value untouched.
int ReadSettingDword(const char* name, DWORD* value);
// 1 when read; *size is the buffer size on entry and the stored length on return. A value
// longer than the buffer is not read (0).
int ReadSettingBinary(const char* name, void* buffer, DWORD* size);
int WriteSettingDword(const char* name, const DWORD* value);
int WriteSettingBinary(const char* name, const void* data, DWORD size);
// The suite's program folder ("InstallDir" of the product key) into a MAX_PATH buffer. When
// the value is missing, unreadable or too long, the folder of the running program is used.
// Returns 1 when the buffer holds a folder.
int ReadInstallDir(char* buffer);
// The sibling product's "InstallDir"; 1 on success, else 0 and an empty buffer.
int ReadSiblingInstallDir(char* buffer);
// Opens root\key\subkey (subkey alone when key is empty) for reading and holds it for
// ReadHeldString (one held key per thread); 1 when it opens.
int RegistryKeyExists(HKEY root, const char* key, const char* subkey);
// A string value (null = default value) of the held key into a MAX_PATH buffer; 1 on success.
int ReadHeldString(const char* name, char* buffer);
// Closes the held key of this thread.
void CloseHeldKey();

// ---- Records -----------------------------------------------------------------------------

// "Global Settings", 500 bytes. Every field is a u32 flag (0/1) unless noted.
struct GlobalSettings {
  uint32_t toolbarShown;            // 0
  uint32_t driveBarShown;           // 4
  uint32_t launchBarShown;          // 8
  uint32_t statusBarShown;          // 12
  uint32_t dosBarShown;             // 16  DOS command-line bar
  uint32_t viewerShown;             // 20
  uint32_t toolbarScrolls;          // 24
  uint32_t driveBarScrolls;         // 28
  uint32_t toolbarScrollsCopy;      // 32  second copy, read by the launch bar
  uint32_t keepSelectionVisible;    // 36  on resize
  uint32_t keepFolderVisible;       // 40  in the tree, on resize
  uint32_t hideSystemFiles;         // 44
  uint32_t noDragExpand;            // 48  do not expand tree folders under a drag
  uint32_t titleFullPath;           // 52
  uint32_t titlePathFirst;          // 56  path before the program name
  uint32_t viewerTextDefault;       // 60  else hexadecimal
  uint32_t viewerDoubleClickOpens;  // 64
  uint32_t reserved68;              // 68  kept, not used
  uint32_t maximized;               // 72
  uint32_t dosDeleteToRecycle;      // 76
  uint32_t dosConfirm;              // 80
  uint32_t dosCopyFolders;          // 84
  uint32_t zipConfirmDelete;        // 88
  uint32_t zipBeepWhenDone;         // 92
  uint32_t zipOpenFromList;         // 96
  uint8_t unused100[12];            // 100
  int32_t windowRect[4];            // 112 left, top, right, bottom (screen pixels)
  float viewerRatio;                // 128
  uint8_t unused132[28];            // 132
  uint32_t noArchiveOpenWarning;    // 160
  uint32_t noArchivesAsFolders;     // 164
  uint32_t keyboardScheme;          // 168 0 own, 1 XTree Gold, 2 Norton Commander
  char editor[260];                 // 172
  uint32_t keepHiddenExtension;     // 432 keep the extension on rename when its type hides it
  uint32_t floatingIconToolbar;     // 436
  uint32_t colorCompressed;         // 440 show compressed NTFS items in another colour
  uint32_t forceRefreshAfterOps;    // 444
  uint32_t compressedColor;         // 448 COLORREF
  uint32_t viewerPlacement;         // 452 0 below, 1 right, 2 detached
  uint32_t showParsingNames;        // 456
  uint32_t resizableToolbar;        // 460 coolbar
  uint32_t showUpEntry;             // 464
  uint32_t fullRowSelect;           // 468
  uint32_t genericIconsOnly;        // 472
  uint32_t singleClickOpens;        // 476
  uint32_t underlineAlways;         // 480
  uint32_t underlineHover;          // 484
  uint32_t viewerOnTop;             // 488 detached viewer stays on top
  uint32_t dosShowPath;             // 492
  uint32_t goToTargetAfterCopy;     // 496
};
static_assert(sizeof(GlobalSettings) == 500);
static_assert(offsetof(GlobalSettings, windowRect) == 112);
static_assert(offsetof(GlobalSettings, editor) == 172);
static_assert(offsetof(GlobalSettings, keepHiddenExtension) == 432);
constexpr DWORD kGlobalSettingsSize = 500;
// Fields from this offset on were added later; a shorter stored record keeps their defaults.
constexpr DWORD kGlobalSettingsShortSize = 432;

// "Zip/UnZip Dialogs Settings", 52 bytes: thirteen u32 owned by the zip and unzip dialogs.
struct ZipDialogSettings {
  uint32_t values[13];
};
static_assert(sizeof(ZipDialogSettings) == 52);
// "UUEncode Dialog Settings", 12 bytes: u32, u32, u16, 2 bytes kept as they are.
struct UUEncodeSettings {
  uint32_t first;
  uint32_t second;
  uint16_t lineLength;
  uint8_t kept[2];
};
static_assert(sizeof(UUEncodeSettings) == 12);

// "File Panes Settings", 596 bytes; index [p] is the pane (0 or 1).
struct FilePanesSettings {
  uint32_t twoPanes;                 // 0
  uint32_t orientation;              // 4   nonzero: layout of command 40116, zero: 40117
  uint32_t treeShown[2];             // 8
  uint32_t listShown[2];             // 16
  uint32_t sortDescendingFs[2];      // 24  file-system folders
  uint32_t sortDescendingArchive[2]; // 32
  uint32_t sortKeyFs[2];             // 40
  uint32_t sortKeyArchive[2];        // 48
  uint32_t viewCommand[2];           // 56  40001 large icons .. 40004 details
  uint32_t treeWidth[2];             // 64  pixels
  float splitRatio;                  // 72  0.01 .. 0.99
  char folder[2][260];               // 76  parsing name, or empty
};
static_assert(sizeof(FilePanesSettings) == 596);
static_assert(offsetof(FilePanesSettings, splitRatio) == 72);
static_assert(offsetof(FilePanesSettings, folder) == 76);
constexpr DWORD kFilePanesSettingsSize = 596;

// "Filters", 284 bytes: the panes' file filter (its rules belong to the filter code).
struct FileFilter {
  char patterns[260];   // wildcard patterns separated by ';' or blanks
  int32_t archive;      // attribute rules: 0 must be clear, 1 must be set, 2 any
  int32_t readOnly;
  int32_t hidden;
  int32_t system;
  uint32_t filesOnly;
  uint32_t foldersOnly;
};
static_assert(sizeof(FileFilter) == 284);

// "Drive Filters", 20 bytes: the drive mask (bit n = the n-th letter, A is bit 1) and the four
// category flags floppy, hard, network, other.
struct DriveFilters {
  uint32_t driveMask;
  uint32_t floppy;
  uint32_t hard;
  uint32_t network;
  uint32_t other;
};
static_assert(sizeof(DriveFilters) == 20);

// ---- The live options --------------------------------------------------------------------

// The program-wide options the windows work from: every field of GlobalSettings, the window
// state the main window records, and the other stored option records.
struct LiveOptions {
  uint32_t toolbarShown, driveBarShown, launchBarShown, statusBarShown, dosBarShown, viewerShown;
  uint32_t toolbarScrolls, driveBarScrolls, toolbarScrollsCopy;
  uint32_t keepSelectionVisible, keepFolderVisible, hideSystemFiles, noDragExpand;
  uint32_t titleFullPath, titlePathFirst, viewerTextDefault, viewerDoubleClickOpens, reserved68;
  uint32_t dosDeleteToRecycle, dosConfirm, dosCopyFolders;
  uint32_t zipConfirmDelete, zipBeepWhenDone, zipOpenFromList;
  float viewerRatio;
  uint32_t noArchiveOpenWarning, noArchivesAsFolders, keyboardScheme;
  char editor[260];
  uint32_t keepHiddenExtension, floatingIconToolbar, colorCompressed, forceRefreshAfterOps;
  COLORREF compressedColor;
  uint32_t viewerPlacement, showParsingNames, resizableToolbar, showUpEntry, fullRowSelect;
  uint32_t genericIconsOnly, singleClickOpens, underlineAlways, underlineHover, viewerOnTop;
  uint32_t dosShowPath, goToTargetAfterCopy;

  // Window state: the last normal (neither minimised nor maximised) window rectangle, recorded
  // by the main window on WM_WINDOWPOSCHANGED, and whether it is maximised. useSavedPlacement is
  // false after ApplyDefaultGlobalSettings: the window then takes the system's placement.
  RECT normalRect;
  bool maximized;
  bool useSavedPlacement;

  ZipDialogSettings zip;
  UUEncodeSettings uuencode;
  DWORD saveOnExit;  // "Save Settings On Exit"
  FileFilter fileFilter;
  DriveFilters driveFilters;
};
LiveOptions& GetLiveOptions();

// Defaults of the records.
void DefaultGlobalSettings(GlobalSettings* record);
void DefaultPanesSettings(FilePanesSettings* record);
void DefaultFileFilter(FileFilter* filter);
void DefaultDriveFilters(DriveFilters* filters);

// The ratio used for an out-of-range viewer ratio, and the split ratio's range and default.
constexpr float kDefaultViewerRatio = 0.4f;
constexpr float kDefaultSplitRatio = 0.5f;
// A ratio inside 0.01 .. 0.99 stays, anything else (NaN too) becomes `fallback`.
float ClampRatio(float ratio, float fallback);

// The byte images of the records (little-endian, field by field).
void EncodeGlobalSettings(const GlobalSettings& record, uint8_t (&bytes)[500]);
void DecodeGlobalSettings(const uint8_t (&bytes)[500], GlobalSettings* record);
void EncodePanesSettings(const FilePanesSettings& record, uint8_t (&bytes)[596]);
void DecodePanesSettings(const uint8_t (&bytes)[596], FilePanesSettings* record);

// ---- Loading and saving ------------------------------------------------------------------

// Fills the record with its defaults and reads "Global Settings" over them; 1 when the value
// was read. Also reads "Zip/UnZip Dialogs Settings" and "UUEncode Dialog Settings" into the
// live options (their defaults where missing).
int LoadGlobalSettings(GlobalSettings* record);
// Writes "Global Settings", "Zip/UnZip Dialogs Settings" (from the live options) and
// "UUEncode Dialog Settings"; 1 when all three were written.
int SaveGlobalSettings(const GlobalSettings& record);
// Copies every field into the live options (the viewer ratio clamped, the editor terminated).
void ApplyGlobalSettings(const GlobalSettings& record);
// Sets every live option to its default; the window takes the system's placement.
void ApplyDefaultGlobalSettings();
// Fills the record from the live options. With a main window, the maximised flag is its
// IsZoomed; the rectangle is the last normal rectangle. An out-of-range viewer ratio is set to
// 0.4 in the record and in the live options.
void CollectGlobalSettings(GlobalSettings* record, HWND mainWindow = nullptr);

// Fills the record with its defaults and reads "File Panes Settings" over them; 1 when read.
// The split ratio read is clamped (0.5 when out of range) and the folders are terminated.
int LoadPanesSettings(FilePanesSettings* record);
int SavePanesSettings(const FilePanesSettings& record);

// Ten i32 column widths from a 40-byte value; 1 when exactly 40 bytes were read.
int ReadColumnWidths(int32_t (&widths)[10], const char* valueName);
// Stores the widths of columns 0 to 9 of a list view (0 for a missing column).
int SaveListColumnWidths(HWND list, const char* valueName);

// "Save Settings On Exit" into the live flag (1 before reading) and back.
void LoadSaveOnExit();
int SaveSaveOnExit();
// "Filters" and "Drive Filters" into the live options (defaults set before reading) and back.
void LoadFileFilter();
int SaveFileFilter();
void LoadDriveFilters();
int SaveDriveFilters();
