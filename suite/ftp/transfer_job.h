// File transfers: a bounded pipe between a source thread (server or local file) and a
// destination thread (server or local file), the job that runs them with the progress dialog,
// and the list of live jobs.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct FtpFolder;
struct FtpSession;

enum TransferCode : int {
  kPipeOk = 0,
  kPipeTimeout = 1,
  kPipeCancelled = 2,
  kPipeFailed = 3,
  kPipeEnd = 4,
};

struct TransferPipe {
  uint8_t* buffer;
  uint32_t capacity;
  uint32_t fill;
  uint32_t abort;
  uint32_t end;
  uint32_t result;
  // The waits for data and for space are condition variables under one slim lock: they wake
  // without a trip through the kernel object manager for every block.
  CONDITION_VARIABLE data;
  CONDITION_VARIABLE space;
  SRWLOCK lock;
};

// The pipe holds 256 KB: with less, the two threads meet so often that the hand-offs, not the
// network or the disk, set the speed of a large file.
constexpr uint32_t kTransferPipeBytes = 262144;
constexpr DWORD kTransferPipeTimeoutMs = 60000;

TransferPipe* CreateTransferPipe();
void FreeTransferPipe(TransferPipe* pipe);
void ResetTransferPipe(TransferPipe* pipe);
int WriteTransferPipe(TransferPipe* pipe, const void* data, uint32_t length, uint32_t* written);
int ReadTransferPipe(TransferPipe* pipe, void* buffer, uint32_t* count, uint32_t maximum);
void AbortTransferPipe(TransferPipe* pipe, int code);
void EndTransferPipe(TransferPipe* pipe);
// The waits of the pipe, replaceable by a test (milliseconds).
void SetTransferPipeTimeout(DWORD ms);

struct TransferJob {
  TransferPipe* pipe = nullptr;
  std::atomic<int> status{0};
  std::atomic<uint32_t> aborted{0};
  std::atomic<uint32_t> sourceFailed{0};
  uint32_t count = 0;
  std::vector<std::string> sources;
  std::vector<std::string> destinations;
  std::vector<uint32_t> sourceRows;
  std::vector<uint32_t> destinationRows;
  std::vector<uint64_t> sizes;
  FtpFolder* sourceFolder = nullptr;
  FtpFolder* destinationFolder = nullptr;
  HANDLE sourceThread = nullptr;
  HANDLE destinationThread = nullptr;
  HANDLE threadEnded = nullptr;
  HANDLE sourceReady = nullptr;
  HANDLE destinationDone = nullptr;
  HWND progressDialog = nullptr;
  std::atomic<uint64_t> bytesDone{0};
  uint64_t totalBytes = 0;
  std::atomic<DWORD> milliseconds{0};
  uint32_t binary = 1;
  std::atomic<int> liveThreads{0};
  // The sessions the job's threads call, held while they run.
  FtpSession* sourceSession = nullptr;
  FtpSession* destinationSession = nullptr;
  TransferJob* nextLive = nullptr;
};

TransferJob* CreateTransferJob();
void DestroyTransferJob(TransferJob* job);
void SetTransferSource(TransferJob* job, FtpFolder* folder, const std::vector<std::string>& names,
                       const std::vector<uint64_t>& sizes);
void SetTransferDestination(TransferJob* job, FtpFolder* folder, const std::vector<std::string>& names,
                            const std::vector<uint64_t>& sizes);
// Runs the job (progress dialog, both threads), pumping messages; 2 for success, 0 otherwise.
int RunTransferJob(TransferJob* job);
int AbortTransferJob(TransferJob* job);
bool IsAnyTransferAlive();
// The first live job, or none.
TransferJob* FirstLiveTransferJob();
// Aborts every job whose threads call the session and waits (pumping, bounded) for their
// threads to end.
void AbortTransferJobsUsingSession(FtpSession* session, DWORD timeoutMs);
// Creates the progress dialog without showing it (a test may ask it not to appear at all).
void SetTransferProgressVisible(bool visible);
