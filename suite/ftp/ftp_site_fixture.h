// For tests: a saved FTP site on one of the test script's servers on 127.0.0.1 (login "tester",
// password "secret", passive), and the FTP library started from the build's program folder
// with the transfer progress window kept hidden.
#pragma once
#include <windows.h>

#include <string>

#include "ftp_engine.h"
#include "ftp_sites.h"
#include "test_support.h"
#include "transfer_job.h"

namespace ftptest {

// Saves a site list holding this one site, as the site editor saves it.
inline bool SaveLoopbackSite(const char* name, int port) {
  FtpSiteList sites;
  FtpSiteRecord* r = AllocFtpSiteRecord();
  lstrcpyA(r->name, name);
  lstrcpyA(r->host, "127.0.0.1");
  lstrcpyA(r->login, "tester");
  StoreFtpPassword(r->password, "secret");
  r->port = port;
  r->passive = 1;
  AddFtpSite(sites, r);
  bool saved = SaveFtpSiteList(sites) == ERROR_SUCCESS;
  FreeFtpSiteList(sites);
  return saved;
}

inline bool StartFtpLibraryQuietly() {
  if (!StartFtpLibraryFrom((jqtest::ProgramFolder() + "\\CSFTPL32.dll").c_str())) return false;
  SetTransferProgressVisible(false);
  return true;
}

}  // namespace ftptest
