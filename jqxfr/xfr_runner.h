// JQXfr: carries out one FTP upload or download handed over by the file manager in a job file,
// with the progress dialog as its only window, and tells the file manager when an upload ended.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct FtpFolder;

// The whole program after start-up: the command line is the job file's path. The exit code.
int RunXfrProgram(const char* commandLine);

void RunUploadJob(HWND notifyWindow, FtpFolder* sitesRoot, const char* site, const std::vector<std::string>& localSources,
                  const std::vector<std::string>& remoteNames, const std::vector<uint64_t>& sizes);
void RunDownloadJob(HWND notifyWindow, FtpFolder* sitesRoot, const char* site, const std::vector<std::string>& remoteNames,
                    const std::vector<std::string>& localDestinations, const std::vector<uint64_t>& sizes);
