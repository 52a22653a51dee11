// The recursive step of creating a chain of folders. Kept apart from the other path helpers so
// that a program links it without the settings they read.
#include <cstring>
#include "path_utils.h"

BOOL CreateDirectoryPathStep(const char* path) {
  if (!path || strlen(path) < 4) return FALSE;
  char parent[MAX_PATH];
  lstrcpynA(parent, path, sizeof parent);
  char* slash = strrchr(parent, '\\');
  if (slash && slash > parent) {
    *slash = '\0';
    CreateDirectoryPathStep(parent);
  }
  return CreateDirectoryA(path, nullptr);
}
