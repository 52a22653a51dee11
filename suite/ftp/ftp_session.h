// One connection to one FTP site, with a thread of its own that makes every library call, so
// that callers never block inside the library: a caller hands one command at a time to the
// thread and waits for the result while its messages keep flowing.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "ftp_sites.h"

struct FtpFolder;
struct TransferJob;
struct TransferPipe;

// One remote directory entry: the listing of a folder is a linked list of these.
struct FtpListEntry {
  FtpListEntry* next;
  WIN32_FIND_DATAA data;
};
void FreeFtpListEntries(FtpListEntry* head);

enum FtpSessionCommand : uint32_t {
  kFtpList = 1,
  kFtpDeleteFile = 2,
  kFtpRename = 3,
  kFtpMakeDirectory = 4,
  kFtpRemoveDirectory = 5,
  kFtpDownload = 6,
  kFtpUpload = 7,
  kFtpConnect = 16,
  kFtpDisconnect = 17,
};

enum FtpSessionStatus : uint32_t {
  kFtpIdle = 0,
  kFtpConnecting = 1,
  kFtpBusy = 2,
  kFtpTransferring = 3,
  kFtpConnected = 4,
  kFtpAborting = 5,
  kFtpDisconnecting = 6,
};

enum FtpQueueState : uint32_t {
  kRowPending = 1,
  kRowInProgress = 2,
  kRowTransferring = 3,
  kRowComplete = 4,
  kRowCancelled = 5,
  kRowFailed = 6,
  kRowTimeout = 7,
  kRowError = 8,
};

// What the transfer threads hand to commands 6 and 7.
struct FtpTransferRequest {
  const char* remoteName;
  const char* localName;
  uint64_t size;
  uint32_t row;
  TransferPipe* pipe;
  TransferJob* job;
  uint32_t binary;
};

struct FtpRenameNames {
  const char* oldName;
  const char* newName;
};

// Message the transfer program sends to the status dialog after an upload.
constexpr UINT kFtpUploadDoneMessage = WM_APP + 0x96;

struct FtpSession {
  HWND statusDialog = nullptr;
  HWND notifyWindow = nullptr;
  HANDLE thread = nullptr;
  HANDLE work = nullptr;
  HANDLE gate = nullptr;
  HANDLE done = nullptr;
  HANDLE lock = nullptr;
  uint32_t nextRow = 0;
  std::atomic<uint32_t> connected{0};
  std::atomic<uint32_t> connecting{0};
  std::atomic<uint32_t> stop{0};
  std::atomic<uint32_t> status{0};
  std::atomic<uint32_t> running{0};
  FtpSiteRecord site{};
  FtpFolder* owner = nullptr;
  std::atomic<int> handle{-1};
  char currentDirectory[260] = "";
  struct {
    INT_PTR result;
    uint32_t command;
    UINT_PTR args[5];
  } call{};
  std::atomic<uint32_t> busy{0};
  std::atomic<uint32_t> threadEnded{0};
  // Transfer jobs that use this session; a disconnect aborts them and waits for them first.
  std::atomic<int> jobsUsing{0};
};

FtpSession* CreateFtpSession(HWND owner, const FtpSiteRecord& site, FtpFolder* ownerFolder, bool withStatusDialog);
// Disconnects, stops the thread (bounded wait) and frees the session. A thread that does not
// leave in time keeps its session: the memory is never freed under a running thread.
void DestroyFtpSession(FtpSession* session);
bool IsFtpSessionConnected(const FtpSession* session);
INT_PTR ConnectFtpSessionFromUi(FtpSession* session, bool withDialog, HWND owner);
INT_PTR DisconnectFtpSessionFromUi(FtpSession* session);
// The status dialog's Disconnect: 0 while disconnecting, else closes the connection, detaches
// the session from its folder (which destroys it) and returns 1.
int CloseFtpSession(FtpSession* session);
int GetFtpSessionDirectory(const FtpSession* session, char* buffer);
// Hands a command to the session thread and waits for it, pumping messages. 0 when refused
// (stopping, or another call in progress) or when the thread gave no answer.
INT_PTR CallFtpSession(FtpSession* session, uint32_t command, UINT_PTR a1 = 0, UINT_PTR a2 = 0,
                       UINT_PTR timeout = 60000, UINT_PTR show = 1, UINT_PTR row = 0);

// Status dialog feed (dialog rows, or WM_COPYDATA to the notify window).
uint32_t AddFtpQueueRow(FtpSession* session, const char* action, const char* details, bool viaNotify = true);
void SetFtpQueueRowState(FtpSession* session, uint32_t row, uint32_t state, bool viaNotify = true);
void SetFtpSessionStatus(FtpSession* session, uint32_t state);
void LogFtpReply(FtpSession* session);

// The status dialog 10003 of a session (creates it when missing).
HWND CreateFtpStatusDialog(FtpSession* session, HWND owner);
void DestroyFtpStatusDialog(FtpSession* session);
bool IsFtpStatusDialogShown(const FtpSession* session);

// The password prompt (dialog 239); the test seam replaces it. Returns 1 with the text (at most
// 95 characters) or 0 for Cancel.
using FtpPasswordPrompt = int (*)(HWND owner, char (&password)[100]);
void SetFtpPasswordPrompt(FtpPasswordPrompt prompt);
int AskFtpPassword(HWND owner, char (&password)[100]);

// The session commands, run on the session thread (ftp_commands.cpp).
INT_PTR ConnectFtpSession(FtpSession* s);
INT_PTR DisconnectFtpSession(FtpSession* s);
INT_PTR ListFtpDirectory(FtpSession* s, const char* path, FtpListEntry** out, uint32_t row);
INT_PTR SimpleFtpCommand(FtpSession* s, uint32_t command, UINT_PTR argument, uint32_t row);
INT_PTR DownloadFtpFile(FtpSession* s, FtpTransferRequest* request, uint32_t row);
INT_PTR UploadFtpFile(FtpSession* s, FtpTransferRequest* request, uint32_t row);
// True for a name the listing must never hand out: empty, "." and "..", or one holding path
// separators, a drive or stream colon or control characters.
bool IsUnsafeFtpName(const char* name);
