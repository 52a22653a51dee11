// The window layout remembered per folder for windows the shell opened on a folder (the last 60
// folders, least recently used giving way), and the font chosen for the file lists.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstdint>

#include "settings_store.h"

constexpr int kFolderViewSlots = 60;
constexpr DWORD kFolderViewRecordSize = 656;

// One folder's layout: the panes' part has the layout of FilePanesSettings (its two-panes,
// orientation and ratio fields are carried in the window part below instead).
struct FolderViewRecord {
  FilePanesSettings panes;
  uint32_t toolbarShown, driveBarShown, launchBarShown, statusBarShown, commandLineBarShown,
      viewerShown;
  uint32_t maximized;
  uint32_t twoPanes;
  uint32_t orientation;
  int32_t left, top, right, bottom;
  float viewerRatio;
  float paneRatio;
};

void EncodeFolderViewRecord(const FolderViewRecord& record, uint8_t (&bytes)[kFolderViewRecordSize]);
void DecodeFolderViewRecord(const uint8_t (&bytes)[kFolderViewRecordSize], FolderViewRecord* record);

// The slot letter whose stored item id list has exactly these bytes, or 0.
char FindFolderViewLetter(LPCITEMIDLIST absolute);
// 1 when the folder has a record and all of it was read.
int LoadFolderViewRecord(LPCITEMIDLIST absolute, FolderViewRecord* record);
// Stores the record and makes the folder the most recently used one; 1 on success.
int SaveFolderViewRecord(LPCITEMIDLIST absolute, const FolderViewRecord& record);

// The list font: stored by SetListFont or chosen with CreateListFont.
void SetListFont(const LOGFONTA& font);
int GetListFont(LOGFONTA* font);
// The font dialog over `owner`, opened on the stored font (the default GUI font the first
// time). Returns the chosen font, or 0 when cancelled or not created.
HFONT CreateListFont(HWND owner);
