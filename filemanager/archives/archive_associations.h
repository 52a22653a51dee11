// The archive file types of the file manager under HKEY_CLASSES_ROOT: the ProgID
// "Quorvanel.Archive" with its icon and open command, the 16 archive extensions pointing at it,
// and the two class ids of the shell-extension library.
#pragma once
#include <windows.h>

extern const char* const kAssociatedExtensions[16];
// Writes the zip part and/or the other 15 extensions for the program in `folder` (no trailing
// backslash needed). Keys taken over are deleted with their subkeys first. 1 when every key
// reads back as written, else 0.
int WriteArchiveAssociations(HKEY classesRoot, const char* folder, int zipPart, int otherExtensions);
// Removes what WriteArchiveAssociations wrote: the extensions that point at the ProgID, the
// ProgID and the two class ids.
void RemoveArchiveAssociations(HKEY classesRoot);
// Deletes root\path with every subkey; errors (a missing key too) are ignored.
void DeleteRegKeyTree(HKEY root, const char* path);
