// The operations the session thread carries out on the server: connect and disconnect, list,
// delete, rename, make and remove a directory, download into and upload from a transfer pipe.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "ftp_engine.h"
#include "ftp_session.h"
#include "resource_ftp.h"
#include "transfer_job.h"

namespace {

const csftp::Api& L() { return FtpLib(); }

const char kUploadErrorCaption[] = "Cannot Create File on FTP Server";

bool MayReconnect() { return GetFtpEngineMode() == FtpEngineMode::kFileManager; }

// Drops the connection and makes it again; true when connected again.
bool Reconnect(FtpSession* s) {
  DisconnectFtpSession(s);
  return ConnectFtpSession(s) == 1;
}

void ShowLibraryError(HWND owner, UINT captionId) {
  std::string caption = FtpString(captionId);
  std::string text = FtpLastErrorText();
  FtpMessageBox(owner, text.empty() ? caption.c_str() : text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
}

void ShowLibraryErrorText(HWND owner, const char* caption, const std::string& text) {
  FtpMessageBox(owner, text.empty() ? caption : text.c_str(), caption, MB_OK | MB_ICONSTOP);
}

void StatusBackTo(FtpSession* s, uint32_t from1, uint32_t from2) {
  uint32_t st = s->status;
  if (st == from1 || st == from2) SetFtpSessionStatus(s, kFtpConnected);
}

std::string Thousands(uint64_t v) {
  std::string digits = std::to_string(v), out;
  int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    out += digits[i];
    if ((n - i - 1) % 3 == 0 && i != n - 1) out += ',';
  }
  return out;
}

const char* LastPart(const char* name) {
  const char* end = name + strlen(name);
  const char* p = end;
  // A separator at the very end does not count.
  if (p > name && (p[-1] == '/' || p[-1] == '\\')) --p;
  while (p > name && p[-1] != '/' && p[-1] != '\\') --p;
  return p;
}

std::string FolderPart(const char* name) {
  const char* slash = strrchr(name, '\\');
  const char* fwd = strrchr(name, '/');
  if (fwd > slash) slash = fwd;
  return slash ? std::string(name, slash - name) : std::string(name);
}

void FillProgressTexts(FtpSession* s, FtpTransferRequest* q, bool upload) {
  HWND dlg = q->job ? q->job->progressDialog : nullptr;
  if (!dlg) return;
  char text[800];
  snprintf(text, sizeof text, "Copying '%s'", upload ? LastPart(q->localName) : LastPart(q->remoteName));
  SetDlgItemTextA(dlg, IDC_FTP_COPYING, text);
  const char* remoteFormat = q->remoteName[0] == '/' ? "ftp://%s%s" : "ftp://%s/%s";
  char remote[700];
  snprintf(remote, sizeof remote, remoteFormat, s->site.host, q->remoteName);
  if (upload) {
    snprintf(text, sizeof text, "From: %s", q->localName);
    SetDlgItemTextA(dlg, IDC_FTP_FROM, text);
    snprintf(text, sizeof text, "To: %s", remote);
    SetDlgItemTextA(dlg, IDC_FTP_TO, text);
  } else {
    snprintf(text, sizeof text, "From: %s", remote);
    SetDlgItemTextA(dlg, IDC_FTP_FROM, text);
    snprintf(text, sizeof text, "To: %s", FolderPart(q->localName).c_str());
    SetDlgItemTextA(dlg, IDC_FTP_TO, text);
  }
}

uint64_t Divisor(uint64_t total) {
  if (total > 32000000) return 100000;
  if (total > 32000) return 1000;
  return 1;
}

void StartProgress(TransferJob* job) {
  HWND dlg = job ? job->progressDialog : nullptr;
  if (!dlg || job->bytesDone) return;
  uint64_t div = Divisor(job->totalBytes);
  uint64_t range = job->totalBytes / div;
  SendDlgItemMessageA(dlg, IDC_FTP_PROGRESS, PBM_SETRANGE32, 0, static_cast<LPARAM>(range > 0x7fffffff ? 0x7fffffff : range));
  SendDlgItemMessageA(dlg, IDC_FTP_PROGRESS, PBM_SETPOS, 0, 0);
  std::string text = "Transfered 0 of " + Thousands(job->totalBytes) + " bytes";
  SetDlgItemTextA(dlg, IDC_FTP_TRANSFER_TEXT, text.c_str());
}

void UpdateProgress(TransferJob* job, uint64_t fileBytes, DWORD fileMs) {
  HWND dlg = job ? job->progressDialog : nullptr;
  if (!dlg) return;
  uint64_t done = job->bytesDone + fileBytes;
  SendDlgItemMessageA(dlg, IDC_FTP_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(done / Divisor(job->totalBytes)), 0);
  uint64_t seconds = (job->milliseconds + fileMs) / 1000;
  uint64_t rate = seconds ? done / seconds : 0;
  char text[300];
  snprintf(text, sizeof text, "Transfered %s of %s bytes in %d:%02d (%llu bytes/sec)", Thousands(done).c_str(),
           Thousands(job->totalBytes).c_str(), static_cast<int>(seconds / 60), static_cast<int>(seconds % 60),
           static_cast<unsigned long long>(rate));
  SetDlgItemTextA(dlg, IDC_FTP_TRANSFER_TEXT, text);
}

// Opens the remote file of a transfer, once more after a reconnect where the engine may
// reconnect. On failure: the box with the server's reply, the row failed, the pipe aborted.
bool OpenTransferFile(FtpSession* s, FtpTransferRequest* q, uint32_t row, bool upload) {
  FillProgressTexts(s, q, upload);
  SetFtpSessionStatus(s, kFtpBusy);
  SetFtpQueueRowState(s, row, kRowInProgress);
  int opened = -1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    // Uploads always go as image.
    L().setType(s->handle, upload || q->binary ? csftp::kTypeImage : csftp::kTypeText);
    opened = L().openFile(s->handle, q->remoteName, upload ? csftp::kOpenWrite : csftp::kOpenRead);
    if (opened != -1 || attempt || !MayReconnect() || !Reconnect(s)) break;
  }
  std::string openError = opened == -1 ? FtpLastErrorText() : std::string();
  LogFtpReply(s);
  if (opened == -1) {
    ShowLibraryErrorText(FtpMainWindow(), upload ? kUploadErrorCaption : "FTP Open Error", openError);
    SetFtpQueueRowState(s, row, kRowFailed);
    AbortTransferPipe(q->pipe, kPipeFailed);
    StatusBackTo(s, kFtpBusy, kFtpTransferring);
    return false;
  }
  SetFtpQueueRowState(s, row, kRowTransferring);
  SetFtpSessionStatus(s, kFtpTransferring);
  StartProgress(q->job);
  return true;
}

// The progress texts, at most every 300 ms of the transfer's own time.
void TickProgress(FtpSession* s, TransferJob* job, uint64_t fileBytes, DWORD* lastUpdate) {
  if (!job) return;
  DWORD t = static_cast<DWORD>(L().transferTime(s->handle));
  if (t > *lastUpdate + 300) {
    *lastUpdate = t;
    UpdateProgress(job, fileBytes, t);
  }
}

// After the close: the file's bytes and time join the job's.
void AddFileToJob(FtpSession* s, TransferJob* job, uint64_t fileBytes) {
  if (!job) return;
  job->bytesDone += fileBytes;
  job->milliseconds += static_cast<DWORD>(L().transferTime(s->handle));
}

uint32_t RowStateForPipe(int code) {
  switch (code) {
    case kPipeTimeout: return kRowTimeout;
    case kPipeCancelled: return kRowCancelled;
    default: return kRowFailed;
  }
}

}  // namespace

bool IsUnsafeFtpName(const char* name) {
  if (!name || !*name) return true;
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return true;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
    if (*p < 32 || *p == 127 || *p == '/' || *p == '\\' || *p == ':') return true;
  return false;
}

INT_PTR ConnectFtpSession(FtpSession* s) {
  if (s->connected || s->connecting) return 1;
  s->connecting = 1;
  char details[400];
  snprintf(details, sizeof details, FtpString(IDS_FTP_CONNECT_DETAILS).c_str(), s->site.host);
  uint32_t row = AddFtpQueueRow(s, FtpString(IDS_FTP_ACTION_CONNECT).c_str(), details);
  SetFtpQueueRowState(s, row, kRowInProgress);
  SetFtpSessionStatus(s, kFtpConnecting);
  auto giveUp = [&]() {
    s->connecting = 0;
    return INT_PTR{0};
  };
  if (s->stop || !IsFtpLibraryStarted()) return giveUp();
  int h = L().connect(s->site.host, s->site.port, 30);
  if (s->stop) {
    if (h != -1) L().disconnect(h);
    return giveUp();
  }
  HWND owner = s->statusDialog;
  if (h == -1) {
    SetFtpQueueRowState(s, row, kRowFailed);
    SetFtpSessionStatus(s, kFtpIdle);
    ShowLibraryError(owner, IDS_FTP_CONNECT_FAILED);
    return giveUp();
  }
  s->handle = h;
  L().setPassive(h, s->site.passive ? 1 : 0);
  LogFtpReply(s);
  if (s->statusDialog) SetDlgItemTextA(s->statusDialog, IDC_FTP_STATE, FtpString(IDS_FTP_STATUS_LOGGING_IN).c_str());
  if (s->stop) return giveUp();
  // The password is read into a copy; the session's record keeps its scrambled form.
  char password[100];
  ReadFtpPassword(s->site.password, password);
  if (!password[0] && GetFtpEngineMode() == FtpEngineMode::kFileManager) {
    char typed[100];
    if (AskFtpPassword(owner, typed)) {
      typed[kFtpMaxPassword] = 0;
      memcpy(password, typed, sizeof password);
      // Kept in the session's copy for later reconnects, never in the site list.
      StoreFtpPassword(s->site.password, password);
    }
    SecureZeroMemory(typed, sizeof typed);
  }
  int r = L().login(h, s->site.login, password, s->site.account);
  std::string error = r == -1 ? FtpLastErrorText() : std::string();
  SecureZeroMemory(password, sizeof password);
  if (s->stop) return giveUp();
  LogFtpReply(s);
  if (r == -1) {
    SetFtpQueueRowState(s, row, kRowFailed);
    SetFtpSessionStatus(s, kFtpDisconnecting);
    L().disconnect(h);
    SetFtpSessionStatus(s, kFtpIdle);
    s->handle = -1;
    std::string caption = FtpString(IDS_FTP_LOGIN_FAILED);
    FtpMessageBox(owner, error.empty() ? caption.c_str() : error.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
    return giveUp();
  }
  if (s->site.startDirectory[0]) L().changeDir(h, s->site.startDirectory);
  char dir[260] = "";
  if (L().currentDir(h, dir, sizeof dir) >= 0) {
    dir[259] = 0;
    memcpy(s->currentDirectory, dir, sizeof dir);
  }
  SetFtpSessionStatus(s, kFtpConnected);
  SetFtpQueueRowState(s, row, kRowComplete);
  s->connected = 1;
  s->connecting = 0;
  if (FtpSettingFlags().hideOnConnect && s->statusDialog) ShowWindow(s->statusDialog, SW_HIDE);
  return 1;
}

INT_PTR DisconnectFtpSession(FtpSession* s) {
  if (s->handle == -1) return 0;
  SetFtpSessionStatus(s, kFtpDisconnecting);
  char details[400];
  snprintf(details, sizeof details, FtpString(IDS_FTP_DISCONNECT_DETAILS).c_str(), s->site.host);
  uint32_t row = AddFtpQueueRow(s, FtpString(IDS_FTP_ACTION_DISCONNECT).c_str(), details);
  SetFtpQueueRowState(s, row, kRowInProgress);
  if (IsFtpLibraryStarted()) L().disconnect(s->handle);
  SetFtpQueueRowState(s, row, kRowComplete);
  SetFtpSessionStatus(s, kFtpIdle);
  s->handle = -1;
  s->connected = 0;
  return 1;
}

INT_PTR ListFtpDirectory(FtpSession* s, const char* path, FtpListEntry** out, uint32_t row) {
  if (out) *out = nullptr;
  bool retried = false;
  const bool probe = GetFtpEngineMode() == FtpEngineMode::kFileManager;
  std::string listing;
  for (;;) {
    SetFtpSessionStatus(s, kFtpBusy);
    char current[260] = "";
    L().currentDir(s->handle, current, sizeof current);
    current[259] = 0;
    memcpy(s->currentDirectory, current, sizeof current);
    // Case matters on most servers: "/Pub" is not "/pub".
    listing.clear();
    if (!path || strcmp(path, current) != 0) {
      listing = path ? path : "";
      if (!listing.empty() && listing.back() != '/') listing += '/';
    }
    if (L().openList(s->handle, listing.c_str()) == -1) {
      if (!retried && MayReconnect()) {
        retried = true;
        if (Reconnect(s)) continue;
      }
      SetFtpQueueRowState(s, row, kRowFailed);
      LogFtpReply(s);
      if (s->status == kFtpBusy) SetFtpSessionStatus(s, kFtpConnected);
      return 0;
    }
    break;
  }
  SetFtpQueueRowState(s, row, kRowTransferring);
  SetFtpSessionStatus(s, kFtpTransferring);
  csftp::FtpEntry entry{};
  if (probe) {
    // The dialect: Unix first, then DOS/IIS, and Unix again when neither yields an entry.
    L().listMode(s->handle, csftp::kListUnix);
    if (!L().firstEntry(s->handle, &entry)) {
      L().closeList(s->handle);
      L().openList(s->handle, listing.c_str());
      L().listMode(s->handle, csftp::kListDos);
      if (!L().firstEntry(s->handle, &entry)) {
        L().closeList(s->handle);
        L().openList(s->handle, listing.c_str());
        L().listMode(s->handle, csftp::kListUnix);
      }
    }
  }
  FtpListEntry* head = nullptr;
  FtpListEntry** tail = &head;
  int got = L().firstEntry(s->handle, &entry);
  while (got) {
    entry.name[259] = 0;
    const char* name = entry.name;
    while (*name == ' ') ++name;
    if (!IsUnsafeFtpName(name)) {
      auto* e = new FtpListEntry{};
      e->data.dwFileAttributes = entry.isDirectory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
      FILETIME local{}, utc{};
      if (SystemTimeToFileTime(&entry.time, &local) && LocalFileTimeToFileTime(&local, &utc)) {
        e->data.ftCreationTime = e->data.ftLastAccessTime = e->data.ftLastWriteTime = utc;
      }
      e->data.nFileSizeLow = entry.sizeLow;
      e->data.nFileSizeHigh = entry.sizeHigh;
      lstrcpynA(e->data.cFileName, name, 260);
      *tail = e;
      tail = &e->next;
    }
    got = L().nextEntry(s->handle, &entry);
  }
  int code = L().lastError();
  if (code == 0 || code == csftp::kErrNoMoreEntries || code == csftp::kErrNoEntries) {
    L().closeList(s->handle);
    SetFtpQueueRowState(s, row, kRowComplete);
    if (s->status == kFtpTransferring) SetFtpSessionStatus(s, kFtpConnected);
    if (out) *out = head;
    else FreeFtpListEntries(head);
    return 1;
  }
  SetFtpQueueRowState(s, row, kRowFailed);
  LogFtpReply(s);
  L().closeList(s->handle);
  LogFtpReply(s);
  if (s->status == kFtpTransferring) SetFtpSessionStatus(s, kFtpConnected);
  FreeFtpListEntries(head);
  return 0;
}

INT_PTR SimpleFtpCommand(FtpSession* s, uint32_t command, UINT_PTR argument, uint32_t row) {
  SetFtpSessionStatus(s, kFtpBusy);
  auto once = [&]() -> int {
    const char* name = reinterpret_cast<const char*>(argument);
    switch (command) {
      case kFtpDeleteFile: return L().deleteFile(s->handle, name);
      case kFtpRename: {
        auto* names = reinterpret_cast<FtpRenameNames*>(argument);
        return L().rename(s->handle, names->oldName, names->newName);
      }
      case kFtpMakeDirectory: return L().makeDir(s->handle, name);
      case kFtpRemoveDirectory: return L().removeDir(s->handle, name);
    }
    return -1;
  };
  int r = once();
  if (r == -1 && MayReconnect() && Reconnect(s)) r = once();
  SetFtpQueueRowState(s, row, r != -1 ? kRowComplete : kRowFailed);
  LogFtpReply(s);
  if (s->status == kFtpBusy) SetFtpSessionStatus(s, kFtpConnected);
  return r != -1 ? 1 : 0;
}

INT_PTR DownloadFtpFile(FtpSession* s, FtpTransferRequest* q, uint32_t row) {
  if (!OpenTransferFile(s, q, row, false)) return 0;
  TransferJob* job = q->job;
  uint64_t fileBytes = 0;
  DWORD lastUpdate = 0;
  int pipeAnswer = kPipeOk;
  bool failed = false;
  // The library is read 1 KB at a time; the pipe takes the bytes in blocks as large as itself,
  // so that the two threads meet once per block rather than once per kilobyte.
  std::string block;
  block.reserve(kTransferPipeBytes);
  auto flush = [&]() {
    if (block.empty()) return;
    uint32_t written = 0;
    pipeAnswer = WriteTransferPipe(q->pipe, block.data(), static_cast<uint32_t>(block.size()), &written);
    block.clear();
  };
  char buffer[1024];
  for (;;) {
    int n = L().read(s->handle, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      // A dropped data connection is a failure, never the end of the file.
      failed = true;
      break;
    }
    fileBytes += static_cast<uint64_t>(n);
    block.append(buffer, static_cast<size_t>(n));
    if (block.size() + sizeof buffer > kTransferPipeBytes) {
      flush();
      // The transfer time is asked once per block, not once per kilobyte.
      TickProgress(s, job, fileBytes, &lastUpdate);
    }
    if (pipeAnswer != kPipeOk) break;
  }
  if (!failed && pipeAnswer == kPipeOk) flush();
  int closed = L().closeFile(s->handle);
  LogFtpReply(s);
  AddFileToJob(s, job, fileBytes);
  INT_PTR result = 1;
  if (pipeAnswer != kPipeOk) {
    SetFtpQueueRowState(s, row, RowStateForPipe(pipeAnswer));
    result = 0;
  } else if (failed || closed == -1) {
    // The local side drops its partial copy: the pipe tells it the source failed.
    AbortTransferPipe(q->pipe, kPipeFailed);
    SetFtpQueueRowState(s, row, kRowFailed);
    result = 0;
  } else {
    EndTransferPipe(q->pipe);
    SetFtpQueueRowState(s, row, kRowComplete);
  }
  StatusBackTo(s, kFtpBusy, kFtpTransferring);
  return result;
}

INT_PTR UploadFtpFile(FtpSession* s, FtpTransferRequest* q, uint32_t row) {
  if (!OpenTransferFile(s, q, row, true)) return 0;
  TransferJob* job = q->job;
  uint64_t fileBytes = 0;
  DWORD lastUpdate = 0;
  int answer = kPipeOk;
  bool writeFailed = false;
  std::string block(kTransferPipeBytes, '\0');
  char* buffer = block.data();
  for (;;) {
    uint32_t count = 0;
    answer = ReadTransferPipe(q->pipe, buffer, &count, kTransferPipeBytes);
    if (answer != kPipeOk && answer != kPipeEnd) break;
    uint32_t done = 0;
    while (done < count) {
      uint32_t piece = count - done < 1024 ? count - done : 1024;
      int w = L().write(s->handle, buffer + done, static_cast<int>(piece));
      if (w < 0) {
        writeFailed = true;
        break;
      }
      done += static_cast<uint32_t>(w);
    }
    if (writeFailed) {
      AbortTransferPipe(q->pipe, kPipeFailed);
      break;
    }
    fileBytes += count;
    TickProgress(s, job, fileBytes, &lastUpdate);
    if (answer == kPipeEnd) break;
  }
  // The server's final reply decides: a late 552 after the data is a failed upload.
  int closed = L().closeFile(s->handle);
  std::string closeError = closed == -1 ? FtpLastErrorText() : std::string();
  LogFtpReply(s);
  AddFileToJob(s, job, fileBytes);
  INT_PTR result = 0;
  if (writeFailed || closed == -1) {
    SetFtpQueueRowState(s, row, kRowFailed);
    if (closed == -1 && !writeFailed) ShowLibraryErrorText(FtpMainWindow(), kUploadErrorCaption, closeError);
  } else if (answer == kPipeEnd) {
    SetFtpQueueRowState(s, row, kRowComplete);
    result = 1;
  } else {
    SetFtpQueueRowState(s, row, RowStateForPipe(answer));
  }
  StatusBackTo(s, kFtpBusy, kFtpTransferring);
  return result;
}
