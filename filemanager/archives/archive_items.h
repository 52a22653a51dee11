// Entries of an archive pane opened, viewed and deleted: one entry extracted into the archive
// temporary folder and opened from there; deleting rewrites the zip and lists it again.
#pragma once
#include <windows.h>

// Opens the focused entry of the active archive pane.
void OpenArchiveItem();
// The entry (quoted stored name) into `folder`; 1 on success.
int ExtractItemToFolder(const char* folder, const char* quotedName);
// The entry whose list text is in `path` (MAX_PATH) into the temporary folder; on success the
// buffer holds the extracted copy's path.
int ExtractArchiveItemToTemp(const char* name, char* path);
// Dialog 173 unless the file is a program or the warning is off; non-zero to go on.
int ConfirmOpenArchiveItem(const char* path);
INT_PTR CALLBACK ArchiveOpenWarningDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The delete command in an archive pane.
void DeleteFromZip(int pane);
// Deletes the quoted entries from the pane's zip and lists the pane again.
void DeleteZipEntries(int pane, const char* names);
void StripQuotes(char* name);
