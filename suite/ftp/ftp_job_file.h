// The job file that hands an upload or a download to the transfer program JQXfr, and the
// hand-off itself.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct FtpJob {
  bool upload = false;
  HWND notifyWindow = nullptr;
  std::string site;
  std::vector<std::string> sources;
  std::vector<std::string> destinations;
  std::vector<uint64_t> sizes;
};

// Lines of at most 498 characters (the reader's 500-byte buffer with its line end).
constexpr size_t kFtpJobLineMax = 498;

// Writes the job (lines end in LF, CR LF on disk); false, and no file left, when a name is too
// long or holds a line break, so that the reader could not take it back line for line.
bool WriteFtpJobFile(const char* path, const FtpJob& job);
// Reads and deletes the job file. False when it cannot be opened or does not hold a whole
// job (then nothing is transferred); the file is deleted whenever it was opened.
bool ReadFtpJobFile(const char* path, FtpJob* job);
// Writes the job into a new "JQ" temporary file and starts "<install folder>\JQXFR.EXE" with
// it; with `wait`, waits (pumping messages) until the program ended. 1 when started.
int HandOffFtpJob(HWND notifyWindow, const char* site, const std::vector<std::string>& sources,
                  const std::vector<std::string>& destinations, const std::vector<uint64_t>& sizes, bool upload,
                  bool wait);
// In the transfer program there is no other program to hand off to.
void DisableFtpHandOff();
