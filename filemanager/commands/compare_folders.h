// Compare Folders (40158) and Synchronize Folders (40157) over folmatch.dll, which is loaded
// from the program folder for each use.
#pragma once
#include <windows.h>
#include <cstdint>

// The library's file name in the program folder (tests point it elsewhere).
extern const char* g_folderMatchFile;
// 1 when loaded (or already loaded); 0 after showing string 45156 when the library or one of
// its four functions is missing (the library is then freed).
int LoadFolderMatch();
void UnloadFolderMatch();

// The other folder confirmed in dialog 10000.
extern char CompareTarget[260];
// "Compare Folders": u32 unique, newer, older; all 0 means duplicates.
struct CompareMode {
  uint32_t unique, newer, older;
};
void ReadCompareMode(CompareMode* mode);
int WriteCompareMode(const CompareMode& mode);

INT_PTR CALLBACK CompareFoldersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
