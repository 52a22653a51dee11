// What every enumeration of a pane's folder shares: the flags that follow the hide-system-files
// option (the batches and the quiet critical errors come with ShellChildren).
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "settings_store.h"
#include "shell_children.h"

inline SHCONTF EnumerationFlags() {
  SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
  if (!GetLiveOptions().hideSystemFiles) flags |= SHCONTF_INCLUDEHIDDEN;
  return flags;
}
