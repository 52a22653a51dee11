// What every enumeration of a pane's folder shares: the batch size, the flags that follow the
// hide-system-files option, and no critical-error boxes while removable media are touched.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "settings_store.h"

constexpr ULONG kBatchSize = 500;

struct QuietErrors {
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  ~QuietErrors() { SetErrorMode(previous); }
};

inline SHCONTF EnumerationFlags() {
  SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
  if (!GetLiveOptions().hideSystemFiles) flags |= SHCONTF_INCLUDEHIDDEN;
  return flags;
}
