#include "vfolder_entry.h"

UINT ArchiveBusy;
UINT ArchiveCancelled;

