// JQXfr's job reader and its two runners.
#include "xfr_runner.h"

#include <commctrl.h>
#include <ole2.h>

#include "ftp_engine.h"
#include "ftp_folder.h"
#include "ftp_job_file.h"
#include "ftp_session.h"
#include "transfer_job.h"

namespace {

// The site's folder, connected; null when the site is unknown or the connection failed.
FtpFolder* ConnectedSiteFolder(FtpFolder* root, const char* name) {
  if (!root) return nullptr;
  FtpSiteRecord* site = FindFtpSite(root->sites, name);
  if (!site) return nullptr;
  if (!site->folder) site->folder = ConstructFtpChildFolder(root, 2, root, site, site->startDirectory);
  if (!ConnectFtpSiteFolder(site->folder, nullptr)) return nullptr;
  return site->folder;
}

uint64_t Total(const std::vector<uint64_t>& sizes) {
  uint64_t total = 0;
  for (uint64_t s : sizes) total += s;
  return total;
}

}  // namespace

void RunUploadJob(HWND notifyWindow, FtpFolder* root, const char* name, const std::vector<std::string>& sources,
                  const std::vector<std::string>& remoteNames, const std::vector<uint64_t>& sizes) {
  FtpFolder* folder = ConnectedSiteFolder(root, name);
  if (!folder) return;
  folder->session->notifyWindow = notifyWindow;
  TransferJob* job = CreateTransferJob();
  job->totalBytes = Total(sizes);
  SetTransferSource(job, nullptr, sources, sizes);
  SetTransferDestination(job, folder, remoteNames, sizes);
  RunTransferJob(job);
  DestroyTransferJob(job);
  // The file manager refreshes its listing of the site, also after a cancelled upload.
  if (notifyWindow && IsWindow(notifyWindow)) SendMessageA(notifyWindow, kFtpUploadDoneMessage, 0, 0);
}

void RunDownloadJob(HWND notifyWindow, FtpFolder* root, const char* name, const std::vector<std::string>& remoteNames,
                    const std::vector<std::string>& destinations, const std::vector<uint64_t>& sizes) {
  FtpFolder* folder = ConnectedSiteFolder(root, name);
  if (!folder) return;
  folder->session->notifyWindow = notifyWindow;
  TransferJob* job = CreateTransferJob();
  job->totalBytes = Total(sizes);
  SetTransferSource(job, folder, remoteNames, sizes);
  SetTransferDestination(job, nullptr, destinations, sizes);
  RunTransferJob(job);
  DestroyTransferJob(job);
}

int RunXfrProgram(const char* commandLine) {
  std::string path = commandLine ? commandLine : "";
  // The path as given; quotes around it are not part of it.
  while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  FtpJob job;
  if (!ReadFtpJobFile(path.c_str(), &job)) return 0;
  if (FAILED(OleInitialize(nullptr))) return 0;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  SetFtpEngineMode(FtpEngineMode::kTransferProgram);
  DisableFtpHandOff();
  IShellFolder* root = GetFtpRootFolder(0);
  if (root) {
    auto* sites = static_cast<FtpFolder*>(root);
    if (job.upload)
      RunUploadJob(job.notifyWindow, sites, job.site.c_str(), job.sources, job.destinations, job.sizes);
    else
      RunDownloadJob(job.notifyWindow, sites, job.site.c_str(), job.sources, job.destinations, job.sizes);
    root->Release();
  }
  ShutdownFtp();
  OleUninitialize();
  return 0;
}
