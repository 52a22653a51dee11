// The finder's search worker: walks the search roots on one thread and reports the folder it is
// in, the matches and the end of the walk to a window with SendMessage, so that every report is
// handled on the window's thread before the walk goes on. Matches go in batches (a sent message
// costs far more than matching a name: two thread switches, each a wait for the scheduler on a
// busy machine), at least every 100 ms while there are any; the folder is reported when the walk
// enters the first one and then at most every 250 ms.
#pragma once
#include <windows.h>
#include <cstdint>

#include "search_matcher.h"

// Messages to the search window. Pointers are valid only during the call.
constexpr UINT WM_SEARCH_FOLDER = WM_USER + 23;    // lParam: the folder's path text
constexpr UINT WM_SEARCH_FOUND = WM_USER + 24;     // wParam: count, lParam: const SearchFoundItem[count]
constexpr UINT WM_SEARCH_FINISHED = WM_USER + 25;  // the walk is over (finished or stopped)

struct SearchFoundItem {
  const char* path;              // full path of the match
  const WIN32_FIND_DATAA* data;  // its directory entry, as found
};

constexpr int kMaxSearchRoots = 50;
// Matches a batch holds at most, and how long a match may wait for its batch.
constexpr size_t kFoundBatchItems = 2048;
constexpr DWORD kFoundBatchMs = 100, kFolderReportMs = 250;

// The roots the next search walks, in order. A root beyond the 50th is ignored, as is one of
// MAX_PATH characters or more.
void ClearSearchRoots();
void AddSearchRoot(const char* path);
int SearchRootCount();
// Adds "X:\" for every drive of the record, A to Z, then its path when set.
void AddRecordRoots(const SearchRecord& record);

// Starts the worker over the current roots with a copy of the record; the worker reports to
// window. False (nothing started) while an earlier walk has not yet reported its end, or when
// the thread cannot be created. A walk that has reported its end never blocks the next one.
bool StartSearchThread(const SearchRecord& record, HWND window, uint32_t recurse);
// Asks the worker to stop at its next poll; it still reports WM_SEARCH_FINISHED.
void StopSearch();
// True from StartSearchThread until the worker has reported its end.
bool SearchWorkerBusy();
// Stops the worker and waits for its thread to end, handling the messages it sends meanwhile;
// at program exit. False when it did not end within timeoutMs.
bool ShutdownSearchWorker(DWORD timeoutMs);

// Whether the file at path still exists and meets the record (Refine). Never affected by an
// earlier Stop.
int RefineMatch(const SearchRecord& record, const char* path);
