// The FTP engine's process-wide state: the CSFTPL32 library bound at run time, the program it
// runs in (file manager or transfer program), the main window that owns its error boxes, the
// four FTP settings and the string table it reads.
#pragma once
#include <windows.h>
#include <string>

#include "csftpl32.h"

// The library table, valid once StartFtpLibrary succeeded.
const csftp::Api& FtpLib();
// Loads "<install folder>\CSFTPL32.dll" and starts it (ordinal 40); true when started (at once
// when it already was). A missing library or ordinal fails; the next call tries again.
bool StartFtpLibrary();
// Starts the library from a full path (tests, tools).
bool StartFtpLibraryFrom(const char* path);
bool IsFtpLibraryStarted();
// Stops the library (ordinal 69) and releases it.
void StopFtpLibrary();

// Which program the engine runs in: the transfer program never reconnects, never asks for a
// password and lists without choosing a listing dialect.
enum class FtpEngineMode { kFileManager, kTransferProgram };
void SetFtpEngineMode(FtpEngineMode mode);
FtpEngineMode GetFtpEngineMode();

// The program's main window (owner of error boxes, target of the refresh command 40044).
void SetFtpMainWindow(HWND window);
HWND FtpMainWindow();
constexpr UINT kFtpRefreshCommand = 40044;
// The program's table of modeless dialogs, which gives them Tab and arrow keys from its message
// loop: the engine's status and progress dialogs enter it when made and leave it when destroyed.
using FtpModelessDialogHook = UINT (*)(HWND dialog);
void SetFtpModelessDialogHooks(FtpModelessDialogHook add, FtpModelessDialogHook remove);
void AddFtpModelessDialog(HWND dialog);
void RemoveFtpModelessDialog(HWND dialog);
// Help topics of the engine's dialogs.
constexpr UINT kFtpSiteHelpTopic = 130;
constexpr UINT kFtpStatusHelpTopic = 131;
// Sends WM_COMMAND 40044 to the main window when there is one.
void RefreshFtpViews();

// The module whose resources hold the engine's dialogs and strings (the program itself).
HINSTANCE FtpResources();
std::string FtpString(UINT id);

// The four settings of the file manager's settings key.
struct FtpSettings {
  DWORD showText = 1;
  DWORD showQueue = 1;
  DWORD hideOnConnect = 0;
  DWORD noEditWarning = 0;
};
FtpSettings& FtpSettingFlags();
void LoadFtpSettings();
void SaveFtpSettings();

// The library's text for its last error of this thread (ordinals 29 and 23); empty when none.
std::string FtpLastErrorText();

// Dispatches every waiting message of the calling thread.
void PumpFtpMessages();
// Waits for a handle in 10 ms slices, dispatching the thread's messages between them.
DWORD WaitPumping(HANDLE handle, DWORD timeoutMs = INFINITE);

// Message boxes of the engine (through the test seam).
int FtpMessageBox(HWND owner, const char* text, const char* caption, UINT type);
