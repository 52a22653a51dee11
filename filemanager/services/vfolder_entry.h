// What the main window asks of the archive and FTP folders. The FTP side (the exit check and the
// shutdown) is the suite's FTP engine; until the archive folders are built, no archive
// operation ever runs, so nothing is busy.
#pragma once
#include <windows.h>
#include <atomic>

#include "ftp_folder.h"

// 1 from the start to the end of an archive operation's progress display; the status bar is
// left alone and the window cannot be closed while it is set.
extern std::atomic<UINT> ArchiveBusy;
// Set when the user cancels an archive operation (by the GUI thread, read by the engine's thread).
extern std::atomic<UINT> ArchiveCancelled;

// ConfirmFtpExit (1 when the program may exit) and ShutdownFtp (at program exit) come from the
// FTP engine (ftp_folder.h).
