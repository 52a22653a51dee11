#include "vfolder_entry.h"

std::atomic<UINT> ArchiveBusy;
std::atomic<UINT> ArchiveCancelled;

