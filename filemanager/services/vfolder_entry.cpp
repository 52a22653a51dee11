#include "vfolder_entry.h"

std::atomic<UINT> ArchiveBusy;
std::atomic<UINT> ArchiveCancelled;

int ConfirmFtpExit(HWND) {
  // No transfer job can be alive: nothing asks the user.
  return 1;
}

void ShutdownFtp() {
  // The FTP library is started by the first use of an FTP folder; none has been made.
}
