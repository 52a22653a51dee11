// The folder-size scan engine: the table of worker threads, the scan queue, one folder's scan,
// the propagation of sums and completeness to the ancestors, and stopping scans.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>
#include "folder_node.h"

// The settings a worker goes by, copied from the settings by StartScanThread on the thread that
// starts it (the GUI thread, which alone changes the settings): a worker never reads the live
// settings, which the Settings sheet may be assigning meanwhile.
struct ScanSettingsSnapshot {
  uint8_t scanOption = 0;  // folder scans: 1 every child folder again, 0 only new ones
};
ScanSettingsSnapshot TakeScanSettingsSnapshot();

// One registered worker thread. `data` is what the thread works on (a node, a search record).
struct ScanThreadEntry {
  void* data = nullptr;
  ScanSettingsSnapshot settings;      // written before the thread runs, read-only after
  std::atomic<uint32_t> stopFlag{0};  // 1 asks the thread to end
  HANDLE thread = nullptr;
};

constexpr int kScanThreadSlots = 64;
constexpr DWORD kShutdownWaitRounds = 3000;  // x 40 ms
constexpr DWORD kShutdownWaitSlice = 40;

// Engine start and end. InitScanEngine runs once on the GUI thread before any scan (it stores
// the GUI thread's id, creates the table mutex, the retired and watched lists and the zip-layer
// bracket). ShutdownScanEngine frees the retired nodes and the tree after the threads ended.
void InitScanEngine();
void ShutdownScanEngine();

// Starts a registered thread: proc gets the entry as its parameter and must end with
// UnregisterScanThread(entry). Returns the entry, or 0 when the table is full (64) or the thread
// cannot be created. The entry is freed when the thread ends: use the result as a truth value.
ScanThreadEntry* StartScanThread(LPTHREAD_START_ROUTINE proc, void* data);
void UnregisterScanThread(ScanThreadEntry* entry);
int ScanThreadCount();
// Runs fn(entry, context) under the table mutex when the entry is still registered (its thread
// has not ended); returns whether it ran. The entry and its data stay alive meanwhile.
BOOL WithLiveScanThread(ScanThreadEntry* entry, void (*fn)(ScanThreadEntry*, void*), void* context);
// At WM_DESTROY of the main window: asks every thread to stop, waits up to 3000 rounds (a 40 ms
// wait or one dispatched message each) and terminates the threads still running.
void StopAllScanThreads();

// Thread procedures (the parameter is the ScanThreadEntry).
DWORD WINAPI ScanDriveThread(LPVOID entry);   // data: a DriveNode; recurse 1
DWORD WINAPI ScanFolderThread(LPVOID entry);  // data: a FolderNode; recurse = scanOption

// Number of drive or folder scans running (the Stop command's state).
int RunningScanCount();
// The drive is being scanned (its busyScan is set).
BOOL IsDriveBusy(const DriveNode* drive);

// Scans start and the folders it queues, breadth first (recurse 1: every child again; 0: only
// new children). entry may be 0 (no stop flag). Returns the last folder's result (1 / 0).
int RunScanQueue(FolderNode* start, int recurse, ScanThreadEntry* entry);
// One folder. queue may be 0 (no queueing). Returns 1 when the folder could be listed.
struct NodeQueue;
int ScanFolder(FolderNode* node, uint32_t clusterSize, NodeQueue* queue, int recurse);
// One folder without queue (expanding a never-computed folder, Refresh).
int ScanNodeOnce(FolderNode* node);

// Adds signed 64-bit deltas to every ancestor's subfolder sums and carries completeness up.
void PropagateSizes(FolderNode* node, int64_t deltaSize, int64_t deltaAllocated);
// Withdraws a node's completeness (and its ancestors') before it is scanned again.
void ResetCompletion(FolderNode* node);
// A size change of one folder's own files (the change feed): before/after in bytes, fileDelta
// -1, 0 or +1. Rounds by the drive's cluster size, updates the node and its ancestors.
void ApplyFileSizeChange(FolderNode* folder, uint64_t before, uint64_t after, int fileDelta);

// Stop. StopDriveScan returns 1 when a scan of the node's drive was asked to stop; for a node
// without a valid drive it asks (string 60) whether to stop all scans.
int StopDriveScan(FolderNode* node);
int StopAllDriveScans();
// calcState 2 becomes 1 for the node and everything below it.
void MarkSubtreeIdle(FolderNode* first);

// The smallest multiple of clusterSize not below size (0 when clusterSize is 0).
uint64_t RoundUpToCluster(uint64_t size, uint32_t clusterSize);
// "C:\abc" -> "C:\", "C:\a\b" -> "C:\a"; 0 (unchanged) for fewer than 4 characters.
int CutToParentPath(char* path);
int CutToParentPathW(wchar_t* path);

// The node found by its file-system path (case-insensitive, over the engine's tree from the
// root); 0 when none.
FolderNode* FindNodeByPath(const char* path);
FolderNode* FindNodeByPathW(const wchar_t* path);

// A seam for tests: returns a Windows error to report for listing a folder (its path with a
// final backslash), or 0 to list it. Empty: every folder is listed.
#include <functional>
void SetFolderListingSeam(std::function<DWORD(const std::wstring&)> seam);

// For tests and the benchmark: the node's children matched by name while scanning use this
// many buckets; exposed only so that a test can check big folders.
constexpr int kScanNameHashMin = 16;
