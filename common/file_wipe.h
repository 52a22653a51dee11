// Wiping a file: its whole length is overwritten once with spaces, written through to the disk,
// then the file is truncated to nothing and deleted. A reparse point (a junction or a symbolic
// link) is never followed: the link itself is removed and what it points at stays as it was.
#pragma once
#include <windows.h>

namespace filewipe {

// Block written at a time, and the byte it is filled with.
constexpr DWORD kBlockSize = 10240;
constexpr char kFillByte = 0x20;

// true when the file is gone. false when it could not be opened, overwritten, truncated or
// deleted (GetLastError tells why); the file may then be partly overwritten.
bool WipeAndDeleteFile(const char* path);

// Removes a junction or symbolic link itself (a folder link with RemoveDirectory, a file link
// with DeleteFile), never what it points at. `attributes` are the link's own.
bool RemoveLink(const char* path, DWORD attributes);

// true when the path names a reparse point (junction, mount point or symbolic link).
bool IsReparsePoint(const char* path);

}  // namespace filewipe
