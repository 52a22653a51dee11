// Shared by the engine's tests: one engine per test process with the root, drive C: and the
// nodes down to a test's temporary folder, an oracle that sums a folder tree straight from the
// file system, and checks of the tree's invariants.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "folder_node.h"

namespace vtest {

// Starts the engine once (GUI thread = the test's thread), builds root and C:, and gives the
// drive a known cluster size. Returns the drive.
DriveNode* EngineDrive();
// The folder node of an existing folder (made level by level, not scanned).
FolderNode* NodeFor(const std::string& path);

struct OracleSums {
  uint64_t size = 0, allocated = 0, files = 0, folders = 0;
};
// Sums of the folder's subtree as the engine counts them: every file's full 64-bit size, each
// rounded up to clusters, one cluster per folder; reparse points are not walked. Folders listed
// in `skipped` (with a final backslash) count as unreadable: nothing in them is counted.
OracleSums Oracle(const std::string& folder, uint32_t clusterSize,
                  const std::vector<std::string>& skipped = {});

// The invariants of a subtree: for each node, the subfolder sums equal the sum of its children's
// totals, completeSubfolders counts exactly the complete children, nothing is left running
// (calcState 2) and the counts match the children. Returns the first violation, or "".
std::string CheckInvariants(FolderNode* top);

// Total (files + subfolders) of a node, reported and allocated, read under its lock.
uint64_t TotalSize(FolderNode* node);
uint64_t TotalAllocated(FolderNode* node);
bool IsComplete(FolderNode* node);

// A file of the given size written sparsely (FSCTL_SET_SPARSE + SetEndOfFile); false when the
// file system refused.
bool MakeSparseFile(const std::string& path, uint64_t size);
bool WriteFileOfSize(const std::string& path, uint64_t size);

// A link to a folder: CreateSymbolicLinkW, or where this Wine cannot make one, a symbolic link
// made by the host's ln (Wine lists it as a folder with the reparse-point attribute).
bool MakeFolderLink(const std::string& link, const std::string& target);
void RemoveLink(const std::string& link);

// Runs a folder scan on a registered worker thread and pumps until it ended (or the time is up).
bool ScanAndWait(FolderNode* node, int recurse, DWORD timeoutMs = 30000);

}  // namespace vtest
