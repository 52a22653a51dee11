#pragma once
// Folder watching, refresh and file operations.

// Messages of an in-place rename that cannot go through.
#define IDS_RENAME_EMPTY_NAME 41040
#define IDS_RENAME_BAD_CHARACTER 41041
// Names given to a copy made in the folder of its original: %1 is the original name, %2 the
// number of the copy from the second on.
#define IDS_COPY_NAME_FIRST 41090
#define IDS_COPY_NAME_NTH 41091
