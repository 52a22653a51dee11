// The transfer pipe, the transfer job with its two threads and the progress dialog 10006.
#include "transfer_job.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "ftp_engine.h"
#include "ftp_folder.h"
#include "ftp_session.h"
#include "resource_ftp.h"

namespace {

DWORD g_pipeTimeout = kTransferPipeTimeoutMs;
bool g_progressVisible = true;
std::mutex g_liveLock;
TransferJob* g_live = nullptr;

void Give(HANDLE h) { ReleaseSemaphore(h, 1, nullptr); }

FtpSession* SessionOf(FtpFolder* folder) {
  FtpFolder* site = folder ? FindSiteFolder(folder) : nullptr;
  return site ? site->session : nullptr;
}

INT_PTR CALLBACK TransferDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      RECT r;
      GetWindowRect(dlg, &r);
      SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      if (g_progressVisible) SetForegroundWindow(dlg);
      HWND anim = GetDlgItem(dlg, IDC_FTP_ANIMATION);
      if (anim && SendMessageA(anim, ACM_OPENA, reinterpret_cast<WPARAM>(FtpResources()), IDR_FTP_ANIMATION))
        SendMessageA(anim, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL) {
        auto* job = reinterpret_cast<TransferJob*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (FtpMessageBox(dlg, FtpString(IDS_FTP_CANCEL).c_str(), FtpString(IDS_FTP_CANCEL_CAPTION).c_str(),
                          MB_YESNO | MB_ICONQUESTION) == IDYES && job)
          AbortTransferJob(job);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

std::string TempNameBeside(const std::string& path) {
  char name[40];
  snprintf(name, sizeof name, ".~jq%08lx%04lx.part", GetCurrentProcessId(), GetCurrentThreadId() & 0xffff);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

DWORD WINAPI SourceThread(void* p) {
  auto* job = static_cast<TransferJob*>(p);
  uint32_t i = 0;
  for (; i < job->count; ++i) {
    bool fileFailed = false;
    if (job->sourceFolder) {
      FtpTransferRequest q{job->sources[i].c_str(), job->destinations[i].c_str(), job->sizes[i],
                           job->sourceRows[i], job->pipe, job, job->binary};
      FtpSession* s = job->sourceSession;
      if (!s || !CallFtpSession(s, kFtpDownload, reinterpret_cast<UINT_PTR>(&q), 0, 60000, 1, job->sourceRows[i])) {
        job->status = 0;
        fileFailed = true;
        // Make sure the local side never waits for bytes that will not come.
        if (!s) AbortTransferPipe(job->pipe, kPipeFailed);
      }
    } else if (!job->aborted && !job->sourceFailed) {
      FILE* f = fopen(job->sources[i].c_str(), "rb");
      if (f) setvbuf(f, nullptr, _IOFBF, 65536);
      if (!f) {
        AbortTransferPipe(job->pipe, kPipeFailed);
        job->status = 0;
        fileFailed = true;
      } else {
        std::vector<char> blockBuffer(kTransferPipeBytes);
        char* block = blockBuffer.data();
        for (;;) {
          size_t n = fread(block, 1, blockBuffer.size(), f);
          if (n == 0) {
            if (ferror(f)) {
              AbortTransferPipe(job->pipe, kPipeFailed);
              fileFailed = true;
            }
            break;
          }
          uint32_t written = 0;
          int answer = WriteTransferPipe(job->pipe, block, static_cast<uint32_t>(n), &written);
          if (answer == kPipeTimeout) AbortTransferPipe(job->pipe, kPipeTimeout);
          if (answer != kPipeOk) {
            fileFailed = true;
            break;
          }
        }
        fclose(f);
        if (fileFailed) job->status = 0;
        else EndTransferPipe(job->pipe);
      }
    } else {
      fileFailed = true;
    }
    WaitForSingleObject(job->destinationDone, INFINITE);
    ResetTransferPipe(job->pipe);
    job->sourceFailed = fileFailed ? 1 : 0;
    Give(job->sourceReady);
    if (job->aborted || job->status != 2) {
      ++i;
      break;
    }
  }
  if (job->sourceFolder && job->sourceSession)
    for (uint32_t k = i; k < job->count; ++k) SetFtpQueueRowState(job->sourceSession, job->sourceRows[k], kRowCancelled);
  --job->liveThreads;
  Give(job->threadEnded);
  return 0;
}

DWORD WINAPI DestinationThread(void* p) {
  auto* job = static_cast<TransferJob*>(p);
  uint32_t i = 0;
  for (; i < job->count; ++i) {
    if (job->destinationFolder) {
      FtpTransferRequest q{job->destinations[i].c_str(), job->sources[i].c_str(), job->sizes[i],
                           job->destinationRows[i], job->pipe, job, job->binary};
      FtpSession* s = job->destinationSession;
      if (!s || !CallFtpSession(s, kFtpUpload, reinterpret_cast<UINT_PTR>(&q), 0, 60000, 1, job->destinationRows[i])) {
        job->status = 0;
        if (!s) AbortTransferPipe(job->pipe, kPipeFailed);
      }
    } else if (!job->aborted && !job->sourceFailed) {
      // The file is written beside its target and moved over it only when it arrived whole.
      const std::string& target = job->destinations[i];
      std::string temp = TempNameBeside(target);
      FILE* f = fopen(temp.c_str(), "wb");
      if (f) setvbuf(f, nullptr, _IOFBF, 65536);
      if (!f) {
        AbortTransferPipe(job->pipe, kPipeFailed);
        job->status = 0;
      } else {
        bool whole = false, writeFailed = false;
        std::vector<char> blockBuffer(kTransferPipeBytes);
        char* block = blockBuffer.data();
        for (;;) {
          uint32_t n = 0;
          int answer = ReadTransferPipe(job->pipe, block, &n, kTransferPipeBytes);
          if (answer == kPipeOk || answer == kPipeEnd) {
            if (n && fwrite(block, 1, n, f) != n) {
              writeFailed = true;
              AbortTransferPipe(job->pipe, kPipeFailed);
              break;
            }
            if (answer == kPipeEnd) {
              whole = true;
              break;
            }
            continue;
          }
          if (answer == kPipeTimeout) AbortTransferPipe(job->pipe, kPipeTimeout);
          break;
        }
        if (fclose(f) != 0) writeFailed = true;
        if (whole && !writeFailed &&
            MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        } else {
          DeleteFileA(temp.c_str());
          job->status = 0;
        }
      }
    }
    Give(job->destinationDone);
    WaitForSingleObject(job->sourceReady, INFINITE);
    if (job->aborted || job->status != 2) {
      ++i;
      break;
    }
  }
  if (job->destinationFolder && job->destinationSession)
    for (uint32_t k = i; k < job->count; ++k)
      SetFtpQueueRowState(job->destinationSession, job->destinationRows[k], kRowCancelled);
  --job->liveThreads;
  Give(job->threadEnded);
  return 0;
}

}  // namespace

void SetTransferPipeTimeout(DWORD ms) { g_pipeTimeout = ms; }
void SetTransferProgressVisible(bool visible) { g_progressVisible = visible; }

TransferPipe* CreateTransferPipe() {
  auto* p = new TransferPipe{};
  p->buffer = new uint8_t[kTransferPipeBytes];
  p->capacity = kTransferPipeBytes;
  InitializeSRWLock(&p->lock);
  InitializeConditionVariable(&p->data);
  InitializeConditionVariable(&p->space);
  return p;
}

void FreeTransferPipe(TransferPipe* p) {
  if (!p) return;
  delete[] p->buffer;
  delete p;
}

void ResetTransferPipe(TransferPipe* p) {
  AcquireSRWLockExclusive(&p->lock);
  p->fill = 0;
  p->abort = 0;
  p->end = 0;
  ReleaseSRWLockExclusive(&p->lock);
}

int WriteTransferPipe(TransferPipe* p, const void* data, uint32_t length, uint32_t* written) {
  const uint8_t* src = static_cast<const uint8_t*>(data);
  uint32_t rest = length;
  if (written) *written = 0;
  AcquireSRWLockExclusive(&p->lock);
  for (;;) {
    while (!p->abort && p->fill == p->capacity) {
      if (!SleepConditionVariableSRW(&p->space, &p->lock, g_pipeTimeout, 0)) {
        ReleaseSRWLockExclusive(&p->lock);
        return kPipeTimeout;
      }
    }
    if (p->abort) {
      int code = static_cast<int>(p->result);
      ReleaseSRWLockExclusive(&p->lock);
      return code;
    }
    uint32_t room = p->capacity - p->fill;
    uint32_t n = rest < room ? rest : room;
    memcpy(p->buffer + p->fill, src, n);
    p->fill += n;
    src += n;
    rest -= n;
    if (written) *written += n;
    WakeConditionVariable(&p->data);
    if (!rest) break;
  }
  ReleaseSRWLockExclusive(&p->lock);
  return kPipeOk;
}

int ReadTransferPipe(TransferPipe* p, void* buffer, uint32_t* count, uint32_t maximum) {
  *count = 0;
  AcquireSRWLockExclusive(&p->lock);
  while (!p->abort && p->fill == 0 && !p->end) {
    if (!SleepConditionVariableSRW(&p->data, &p->lock, g_pipeTimeout, 0)) {
      ReleaseSRWLockExclusive(&p->lock);
      return kPipeTimeout;
    }
  }
  if (p->abort) {
    int code = static_cast<int>(p->result);
    ReleaseSRWLockExclusive(&p->lock);
    return code;
  }
  uint32_t n = p->fill < maximum ? p->fill : maximum;
  memcpy(buffer, p->buffer, n);
  memmove(p->buffer, p->buffer + n, p->fill - n);
  p->fill -= n;
  *count = n;
  bool end = p->fill == 0 && p->end;
  WakeConditionVariable(&p->space);
  ReleaseSRWLockExclusive(&p->lock);
  return end ? kPipeEnd : kPipeOk;
}

void AbortTransferPipe(TransferPipe* p, int code) {
  AcquireSRWLockExclusive(&p->lock);
  p->abort = 1;
  p->result = static_cast<uint32_t>(code);
  ReleaseSRWLockExclusive(&p->lock);
  WakeAllConditionVariable(&p->data);
  WakeAllConditionVariable(&p->space);
}

void EndTransferPipe(TransferPipe* p) {
  AcquireSRWLockExclusive(&p->lock);
  p->end = 1;
  ReleaseSRWLockExclusive(&p->lock);
  WakeAllConditionVariable(&p->data);
}

TransferJob* CreateTransferJob() {
  auto* job = new TransferJob;
  job->binary = 1;
  std::lock_guard<std::mutex> hold(g_liveLock);
  job->nextLive = g_live;
  g_live = job;
  return job;
}

void DestroyTransferJob(TransferJob* job) {
  if (!job) return;
  {
    std::lock_guard<std::mutex> hold(g_liveLock);
    for (TransferJob** at = &g_live; *at; at = &(*at)->nextLive)
      if (*at == job) {
        *at = job->nextLive;
        break;
      }
  }
  if (job->progressDialog && IsWindow(job->progressDialog)) {
    RemoveFtpModelessDialog(job->progressDialog);
    DestroyWindow(job->progressDialog);
  }
  for (HANDLE h : {job->sourceThread, job->destinationThread, job->threadEnded, job->sourceReady, job->destinationDone})
    if (h) CloseHandle(h);
  FreeTransferPipe(job->pipe);
  delete job;
}

static void SetSide(TransferJob* job, bool source, FtpFolder* folder, const std::vector<std::string>& names,
                    const std::vector<uint64_t>& sizes) {
  (source ? job->sourceFolder : job->destinationFolder) = folder;
  (source ? job->sources : job->destinations) = names;
  (source ? job->sourceRows : job->destinationRows).assign(names.size(), 0);
  job->sizes = sizes;
  job->sizes.resize(names.size(), 0);
  job->count = static_cast<uint32_t>(names.size());
}

void SetTransferSource(TransferJob* job, FtpFolder* folder, const std::vector<std::string>& names,
                       const std::vector<uint64_t>& sizes) {
  SetSide(job, true, folder, names, sizes);
}

void SetTransferDestination(TransferJob* job, FtpFolder* folder, const std::vector<std::string>& names,
                            const std::vector<uint64_t>& sizes) {
  SetSide(job, false, folder, names, sizes);
}

int RunTransferJob(TransferJob* job) {
  if (job->sources.size() != job->destinations.size()) return 0;
  job->count = static_cast<uint32_t>(job->sources.size());
  job->sourceRows.resize(job->count, 0);
  job->destinationRows.resize(job->count, 0);
  job->sourceSession = SessionOf(job->sourceFolder);
  job->destinationSession = SessionOf(job->destinationFolder);
  if (job->sourceSession) {
    std::string get = FtpString(IDS_FTP_ACTION_GET);
    for (uint32_t i = 0; i < job->count; ++i) {
      job->sourceRows[i] = AddFtpQueueRow(job->sourceSession, get.c_str(), job->sources[i].c_str());
      SetFtpQueueRowState(job->sourceSession, job->sourceRows[i], kRowPending);
    }
  }
  if (job->destinationSession) {
    std::string put = FtpString(IDS_FTP_ACTION_PUT);
    for (uint32_t i = 0; i < job->count; ++i) {
      job->destinationRows[i] = AddFtpQueueRow(job->destinationSession, put.c_str(), job->destinations[i].c_str());
      SetFtpQueueRowState(job->destinationSession, job->destinationRows[i], kRowPending);
    }
  }
  job->threadEnded = CreateSemaphoreA(nullptr, 0, 10, nullptr);
  job->sourceReady = CreateSemaphoreA(nullptr, 0, 10, nullptr);
  job->destinationDone = CreateSemaphoreA(nullptr, 0, 10, nullptr);
  job->pipe = CreateTransferPipe();
  job->status = 2;
  if (job->count == 0) return job->status;
  for (FtpSession* s : {job->sourceSession, job->destinationSession})
    if (s) ++s->jobsUsing;
  job->progressDialog = CreateDialogParamA(FtpResources(), MAKEINTRESOURCEA(IDD_FTP_TRANSFER), FtpMainWindow(),
                                           TransferDlgProc, reinterpret_cast<LPARAM>(job));
  AddFtpModelessDialog(job->progressDialog);
  if (job->progressDialog && g_progressVisible) ShowWindow(job->progressDialog, SW_SHOW);
  job->liveThreads = 2;
  job->sourceThread = CreateThread(nullptr, 0, SourceThread, job, 0, nullptr);
  job->destinationThread = CreateThread(nullptr, 0, DestinationThread, job, 0, nullptr);
  if (!job->sourceThread || !job->destinationThread) {
    // Without both threads nothing can move; the one started is told to stop.
    job->status = 0;
    job->aborted = 1;
    AbortTransferPipe(job->pipe, kPipeCancelled);
    if (!job->sourceThread) {
      --job->liveThreads;
      Give(job->threadEnded);
      Give(job->sourceReady);
    }
    if (!job->destinationThread) {
      --job->liveThreads;
      Give(job->threadEnded);
      Give(job->destinationDone);
    }
  }
  WaitPumping(job->threadEnded);
  WaitPumping(job->threadEnded);
  for (FtpSession* s : {job->sourceSession, job->destinationSession})
    if (s) --s->jobsUsing;
  if (job->progressDialog) {
    RemoveFtpModelessDialog(job->progressDialog);
    DestroyWindow(job->progressDialog);
    job->progressDialog = nullptr;
  }
  return job->status;
}

int AbortTransferJob(TransferJob* job) {
  job->aborted = 1;
  if (job->pipe) AbortTransferPipe(job->pipe, kPipeCancelled);
  return job->status;
}

bool IsAnyTransferAlive() {
  std::lock_guard<std::mutex> hold(g_liveLock);
  return g_live != nullptr;
}

TransferJob* FirstLiveTransferJob() {
  std::lock_guard<std::mutex> hold(g_liveLock);
  return g_live;
}

void AbortTransferJobsUsingSession(FtpSession* session, DWORD timeoutMs) {
  if (!session || session->jobsUsing == 0) return;
  std::vector<TransferJob*> jobs;
  {
    std::lock_guard<std::mutex> hold(g_liveLock);
    for (TransferJob* j = g_live; j; j = j->nextLive)
      if (j->sourceSession == session || j->destinationSession == session) jobs.push_back(j);
  }
  for (TransferJob* j : jobs) AbortTransferJob(j);
  DWORD start = GetTickCount();
  for (;;) {
    bool running = false;
    {
      std::lock_guard<std::mutex> hold(g_liveLock);
      for (TransferJob* j = g_live; j; j = j->nextLive)
        if ((j->sourceSession == session || j->destinationSession == session) && j->liveThreads > 0) running = true;
    }
    if (!running || GetTickCount() - start > timeoutMs) break;
    Sleep(10);
    PumpFtpMessages();
  }
}
