// The file manager's command line: a start folder, the shell's item id list ("/IDLIST,") and the
// switches that override the stored bars, view and sort key for this run.
#pragma once
#include <windows.h>
#include <shlobj.h>

struct StartupOptions {
  char startFolder[MAX_PATH];  // empty when none
  int explorerMode;            // "/E+" 1, "/E-" 0, else -1
  int driveBar;
  int toolbar;
  int launchBar;
  int statusBar;
  int commandLineBar;
  int viewerPane;
  int view;     // 40001..40004 or -1
  int sortKey;  // 0..4 or -1
  int twoPanes;
  LPITEMIDLIST itemIdList;  // from the shell allocator, or null
  bool openedByShell;       // an item id list was received
  bool myComputer;          // "/MC"
};

// Fills the options from the command line. A received item id list is owned by the options
// (free it with FreePidl when it is no longer the view memory's key).
void ParseCommandLine(const char* commandLine, StartupOptions* options);

// Reads the item id list that another process put into a file mapping for us: "handle:pid"
// after "/IDLIST,:". The mapping holds a u32 byte count followed by the list; the count must lie
// inside the mapping and the list must end inside the count. Null when anything is off.
LPITEMIDLIST ReadSharedItemIdList(DWORD mappingHandle, DWORD processId);

// Checks that `size` bytes hold one well-formed item id list (every item at least 2 bytes, the
// terminator inside the block).
bool IsWellFormedItemIdList(const BYTE* data, size_t size);
