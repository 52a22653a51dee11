// Keeping the sums current between scans: the VOLTMON change-monitor driver's events (Windows
// 9x), and otherwise change notifications on the selected folder and its parent that re-scan
// them shortly after a change.
#pragma once
#include <windows.h>
#include <cstdint>
#include "folder_node.h"

struct ScanThreadEntry;

// The record the driver hands over (little-endian), at least 313 bytes: the new path of a
// rename starts at offset 312.
enum ChangeEventKind : uint32_t {
  kChangeCreated = 1,      // re-scan the parent
  kChangeFolder = 2,       // re-scan the parent
  kChangeRemoved = 3,      // a file or a pattern removed
  kChangeSizeChanged = 4,  // a file's size changed (sizeBefore 0xFFFFFFFF: a new file)
  kChangeRenamed = 5,      // rename or move: path -> newPath
};
constexpr uint32_t kNoSizeBefore = 0xFFFFFFFF;
constexpr size_t kChangeEventPathSize = 300;
constexpr size_t kChangeEventNewPathOffset = 312;
struct ChangeEvent {
  uint32_t event;
  uint32_t sizeBefore;
  uint32_t sizeAfter;
  char path[kChangeEventPathSize];
  char newPath[MAX_PATH];
};
static_assert(offsetof(ChangeEvent, newPath) == kChangeEventNewPathOffset);

// The driver's control codes.
constexpr DWORD kVoltmonRegister = 100;     // in: the address of OnChangeEvent (4 bytes)
constexpr DWORD kVoltmonAcknowledge = 101;  // in: the address of the handled record

// 1 when the driver is open (and answered its first call), 0 otherwise (always on NT).
int StartChangeFeed();
void StopChangeFeed();
// The procedure the driver queues to the feed thread; the parameter is a ChangeEvent address.
void CALLBACK OnChangeEvent(ULONG_PTR record);
// Handles one event (what OnChangeEvent does, without the acknowledgement); `size` is the
// number of bytes readable at the record. Tests feed records here.
void HandleChangeEvent(const ChangeEvent* record, size_t size);

// Change notifications for the selected folder and its parent (SelectFolder calls it).
void WatchSelectedFolder(FolderNode* node);
DWORD WINAPI ChangeWatchThread(LPVOID entry);
// Arms (or re-arms) the re-scan timer of a node (a one-shot timer whose id is the node's
// address) on the engine's own window of the GUI thread; callable from any thread.
void ArmRescanTimer(FolderNode* node, UINT delayMs);
void CALLBACK RescanTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
// The two watcher slots (current, previous); StopAllScanThreads sets their stop flags.
extern std::atomic<ScanThreadEntry*> g_changeWatchers[2];
// Stops both watchers (the pane's WM_DESTROY, tests).
void StopChangeWatchers();
