// Zip To (dialog 161) and Add to Zip (an open-file dialog with template 162): the choices become
// the zip engine's switches and a worker thread compresses while the window stays usable.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

// The choices of one compression.
struct ZipJob {
  std::string target;     // the zip to write
  std::string list;       // quoted sources
  std::string switches;
  std::string baseFolder; // current folder for relative names (empty: none)
  uint64_t total = 0;     // bytes to compress, for the progress
  int pane = 0;
  bool relist = false;    // list the pane's archive again afterwards (Add to Zip)
  bool spanned = false;   // a new zip on a removable drive: written over as many disks as it needs
};

// Switch string of the saved zip options and a password.
std::string BuildZipSwitches(UINT action, UINT compression, UINT pathIndex, UINT subfolders, UINT keepDate,
                             UINT dosNames, const char* password);
// The proposed target of a Zip To and the number of items it compresses (0: nothing).
int DefaultZipTarget(char* buffer);
// The number-suffixed proposal: base + ".zip", base + "1.zip", ... (500 without a test).
std::string FreeZipName(const std::string& base);
void FillZipOptionCombos(HWND dialog);
INT_PTR CALLBACK ZipToDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The commands. DoZipTo and DoAddToZip return at once; the work goes on in a worker thread.
void DoZipToCommand(HWND window);
void DoAddToZipCommand(HWND window);
// True while a compression worker runs.
bool ZipWorkerRunning();
// Starts the worker on a prepared job (also used by the tests); false when one already runs.
bool StartZipJob(ZipJob* job);

// The sibling zip-folder product, when it runs (a window of class "FQMainClass"): told about the
// folder or the archive to be written before a compression (nothing for an existing file), and
// asked for its archive mode after it. A sibling that does not answer within a few seconds is
// passed over.
constexpr const char* kSiblingWindowClass = "FQMainClass";
constexpr UINT kSiblingArchiveModeMessage = 3725;
void NotifySiblingFolder(HWND window, const char* path);
LRESULT QuerySiblingArchiveMode();
