// What the finder keeps between runs: its window settings, the location and drives last chosen,
// the criteria and dialog histories (registry, HKEY_CURRENT_USER
// "Software\Belmoor\Quorvanel\CurrentVersion\JQSeek"), the registered file types, and its
// command line.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "finder_settings.h"

constexpr char kFinderKey[] = "Software\\Belmoor\\Quorvanel\\CurrentVersion\\JQSeek";

struct FinderGlobalSettings {
  uint32_t viewerShown = 0;
  uint32_t toolbarShown = 1;
  uint32_t statusBarShown = 1;
  uint32_t sortDescending = 0;
  uint32_t viewCommand = 40020;  // 40017 large icons .. 40020 details
  int32_t left = 20, top = 20, width = 240, height = 100;
  uint32_t sortColumn = 0;       // 0-7
  float viewerShare = 0.3f;
};
constexpr size_t kFinderGlobalSettingsBytes = 44;

void FinderGlobalSettingsToBytes(const FinderGlobalSettings& g, uint8_t* bytes);
// Reads the stored value; every field comes back within its range (an unknown view becomes
// details, the share 0.05-0.95, the window at least partly on the screen).
FinderGlobalSettings FinderGlobalSettingsFromBytes(const uint8_t* bytes, size_t count);

// A recently-used list of 8 texts, entry 0 the newest.
constexpr int kFinderHistorySlots = 8;
using FinderHistory = std::vector<std::string>;
// Criteria histories: an equal text (letter case counts) moves to the front; any text, the empty
// one too, is kept.
void AddCriteriaHistory(FinderHistory* history, const std::string& text);
// Dialog histories: empty texts are ignored and letter case does not count.
void AddDialogHistory(FinderHistory* history, const std::string& text);

enum FinderHistoryKind { kHistoryFileNames, kHistoryPaths, kHistoryTexts, kHistoryExtensions, kHistoryKinds };

struct FinderStore {
  FinderGlobalSettings global;
  uint32_t saveOnExit = 0;
  uint32_t showPath = 0;          // 1 = the path radio was chosen last
  FinderHistory histories[kHistoryKinds];
  int32_t columns[8] = {};
  bool columnsRead = false;
};

// Creates the key chain and reads every value; missing or damaged values keep their defaults.
// The drive bytes of settings come from "Drives" (0 or missing: C: only).
void LoadFinderSettings(FinderStore* store, FinderSettings* settings);
// At exit: "Global Settings" only when save-on-exit is set; "Columns" only when detailsView.
void SaveFinderSettings(const FinderStore& store, const FinderSettings& settings, bool detailsView);
void SaveGlobalSettingsNow(const FinderStore& store);
// A dialog history under the subkey ("Select", "Copy_Move To") as "History1".."History8".
void LoadDialogHistory(FinderHistory* history, const char* subkey);
void SaveDialogHistory(const FinderHistory& history, const char* subkey);

// One registered file type: extension with its dot (at most 9 characters) and description.
struct FileTypeEntry {
  std::string extension, description;
};
// The extensions of the classes root with a described file type, at most 200, sorted by
// description without letter case.
std::vector<FileTypeEntry> LoadFileTypes();
// The masks for a file-type description: "*" + extension of every type so described, joined by
// ';' and cut at 259 characters; empty when none.
std::string MasksForFileType(const std::vector<FileTypeEntry>& types, const char* description);

// The finder's command line: "name-of-saved-search /PATH:folder /MASK:masks /GO".
struct FinderCommandLine {
  std::string savedSearch, path, mask;
  bool hasPath = false, hasMask = false, go = false;
};
FinderCommandLine ParseFinderCommandLine(const char* commandLine);
