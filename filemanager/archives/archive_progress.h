// The progress display of archive operations (a progress bar and a Cancel button laid over the
// status bar), the zip engine's callback with its questions, and the overwrite question.
//
// Everything that touches a window runs on the main window's thread. An engine that runs on a
// worker thread (Zip To, Add to Zip) reaches these functions through RunOnGuiThread, which
// sends the work to a message-only window of the GUI thread and waits for its answer.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

extern HWND ArchiveProgressBar;
// Bytes expected for the whole operation, bytes done so far, the item bytes of the last call.
extern std::atomic<uint64_t> ProgressTotal;
extern uint64_t ProgressDone;
extern uint32_t ProgressLastItemBytes;
// The disk number last confirmed by the user.
extern uint32_t CurrentSpanDisk;
// Entries the user chose not to overwrite during the current extraction (names as the engine
// reports them).
extern std::set<std::string> g_skippedEntries;
// The question dialog 176 shows.
extern char OverwritePromptText[600];

// Makes the GUI thread's message-only window (once, on the GUI thread).
void InstallArchiveSink();
void RemoveArchiveSink();
bool OnGuiThread();
// Runs `work` on the GUI thread (directly when called there) and returns its result.
LRESULT RunOnGuiThread(const std::function<LRESULT()>& work);

void BeginArchiveProgress();
void EndArchiveProgress();
// The user cancels: the flag is set and the running engine call is asked to stop.
void CancelArchiveOperation();
// The percentage of `done` in `total` (64-bit; a total of 0 counts as 100 %).
UINT ProgressPercent(uint64_t done, uint64_t total);

int16_t __stdcall ZipEngineCallback(void* record);
INT_PTR CALLBACK ZipOverwriteDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog 176 over the main window with OverwritePromptText: 6, 7, 106 or 2.
int AskOverwrite();

// Pumps the thread's queue; Esc, Space or Backspace cancel (result 0).
int PumpArchiveMessages();
