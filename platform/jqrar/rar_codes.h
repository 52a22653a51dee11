// The archive message code for a jqrar.dll code, for callers that show RAR failures through the
// archive message table: every code reaches a message (never a string id or nothing).
#pragma once

inline int RarCodeToArchiveCode(int rarCode) {
  switch (rarCode) {
    case 0: return 0;
    case 2: case 3: return 105;  // access denied
    case 4: return 106;          // file not found or not a valid archive
    case 5: case 6: return -1;   // not a valid archive
    case 7: return -10;          // cannot write to the disk
    case 8: return 108;          // not enough memory
    default: return -8;          // the archive operation could not be completed
  }
}
