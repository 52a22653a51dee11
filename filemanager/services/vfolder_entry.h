// What the main window asks of the archive and FTP folders. Until those folders are built, no
// archive operation ever runs and no FTP library is ever started, so these answer from that
// state: nothing busy, nothing connected, nothing to stop.
#pragma once
#include <windows.h>
#include <atomic>

// 1 from the start to the end of an archive operation's progress display; the status bar is
// left alone and the window cannot be closed while it is set.
extern std::atomic<UINT> ArchiveBusy;
// Set when the user cancels an archive operation (by the GUI thread, read by the engine's thread).
extern std::atomic<UINT> ArchiveCancelled;

// 1 when the program may exit (no FTP transfer would be cut off, or the user agreed).
int ConfirmFtpExit(HWND mainWindow);
// At program exit: aborts transfers, releases the FTP folders and stops the FTP library.
void ShutdownFtp();
