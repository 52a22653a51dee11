// The finder's criteria record, kept whole in memory and stored byte for byte as the contents of
// a saved-search file (".jqs": an OLE compound file with one stream "SETTINGS").
#pragma once
#include <windows.h>
#include <cstdint>

struct FinderSettings {
  uint8_t drives[26];          // A..Z selected in the drive tree
  uint32_t lookInPath;         // 1 = search the typed path, 0 = the selected drives
  uint32_t includeSubfolders;
  char fileType[100];          // a file-type description, or empty for every type
  uint16_t archiveState;       // three-state boxes: 0 unchecked, 1 checked, 2 indeterminate
  uint16_t readOnlyState;
  uint16_t hiddenState;
  uint16_t systemState;
  uint16_t directoryState;
  uint32_t dateMode;           // 0-5
  uint32_t whichTime;          // 0 created, 1 modified, 2 accessed
  char date1Text[30];
  char date2Text[30];
  uint32_t timeMode;           // 0-7
  char time1Text[20];
  char time2Text[20];
  uint32_t sizeMode;           // 0-7
  uint32_t size1;
  uint32_t size2;
  uint32_t ignoreCase;
  char containingText[100];
  char nameMasks[100];
  char path[260];
};

constexpr size_t kFinderSettingsBytes = 744;

// The record as the program starts with it, and as New search leaves it.
FinderSettings StartupFinderSettings();
FinderSettings NewSearchFinderSettings();

// The stored bytes of a record (kFinderSettingsBytes), field by field at their offsets.
void FinderSettingsToBytes(const FinderSettings& settings, uint8_t* bytes);
// Reads a record from stored bytes; count may be short, and then the fields past it keep what
// settings held. Every text comes back terminated and every mode, state and flag within its
// range, whatever the bytes said.
void FinderSettingsFromBytes(const uint8_t* bytes, size_t count, FinderSettings* settings);

// The class id of saved-search files.
extern const CLSID CLSID_JQSeekSavedSearch;

// Writes the record as a saved-search file, replacing an old one only once the whole file was
// written. False (the old file kept) when it cannot be written.
bool SaveSearchFile(const char* path, const FinderSettings& settings);
// Reads a saved-search file into settings. False, settings unchanged, unless the file is a
// compound file with the saved-search class id and a "SETTINGS" stream.
bool LoadSearchFile(const char* path, FinderSettings* settings);
