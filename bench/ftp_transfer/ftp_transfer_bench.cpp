// Times a large download and upload and a folder of small files each way through the FTP
// engine (CSFTPL32, sessions, transfer jobs); prints "phase ms" lines and the peak memory.
//   ftp_transfer_bench <CSFTPL32.dll> <port> <user> <password> <local folder> <small count>
// The server holds /bench/big.bin and /bench/small/f0000..; uploads go to /bench/up.
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ftp_engine.h"
#include "ftp_folder.h"
#include "transfer_job.h"

namespace {

uint64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

double Run(FtpFolder* source, const std::vector<std::string>& from, FtpFolder* destination,
           const std::vector<std::string>& to, const std::vector<uint64_t>& sizes, int* status) {
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&a);
  TransferJob* job = CreateTransferJob();
  for (auto s : sizes) job->totalBytes += s;
  SetTransferSource(job, source, from, sizes);
  SetTransferDestination(job, destination, to, sizes);
  *status = RunTransferJob(job);
  DestroyTransferJob(job);
  QueryPerformanceCounter(&b);
  return double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    fprintf(stderr, "usage: ftp_transfer_bench dll port user password localfolder count\n");
    return 2;
  }
  if (!StartFtpLibraryFrom(argv[1])) {
    fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  SetFtpEngineMode(FtpEngineMode::kTransferProgram);
  SetTransferProgressVisible(false);
  FtpSiteRecord site{};
  lstrcpyA(site.name, "bench");
  lstrcpyA(site.host, "127.0.0.1");
  lstrcpyA(site.login, argv[3]);
  StoreFtpPassword(site.password, argv[4]);
  site.port = atoi(argv[2]);
  site.passive = 1;
  FtpFolder* folder = ConstructFtpChildFolder(nullptr, 2, nullptr, &site, "");
  if (!ConnectFtpSiteFolder(folder, nullptr)) {
    fprintf(stderr, "cannot connect\n");
    return 1;
  }
  std::string local = argv[5];
  int count = atoi(argv[6]);
  int status = 0;
  uint64_t bigSize = 0;
  {
    // The size as the listing gives it.
    FtpListEntry* list = nullptr;
    CallFtpSession(folder->session, kFtpList, reinterpret_cast<UINT_PTR>("/bench"), reinterpret_cast<UINT_PTR>(&list));
    for (FtpListEntry* e = list; e; e = e->next)
      if (lstrcmpA(e->data.cFileName, "big.bin") == 0) bigSize = (uint64_t(e->data.nFileSizeHigh) << 32) | e->data.nFileSizeLow;
    FreeFtpListEntries(list);
  }
  {
    // The library alone, for comparison: the same file read 1 KB per call.
    const csftp::Api& api = FtpLib();
    int h = api.connect("127.0.0.1", site.port, 30);
    api.setPassive(h, 1);
    api.login(h, argv[3], argv[4], "");
    api.setType(h, 2);
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    char buffer[1024];
    uint64_t total = 0;
    long calls = 0;
    if (api.openFile(h, "/bench/big.bin", 0) != -1) {
      int n;
      while ((n = api.read(h, buffer, sizeof buffer)) > 0) {
        total += n;
        ++calls;
      }
      api.closeFile(h);
    }
    QueryPerformanceCounter(&b);
    printf("library_download %.0f %llu %ld\n", double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart),
           (unsigned long long)total, calls);
    // The small files through the library alone: what a file costs below the engine.
    QueryPerformanceCounter(&a);
    int files = 0;
    for (int i = 0; i < atoi(argv[6]); ++i) {
      char name[64];
      snprintf(name, sizeof name, "/bench/small/f%04d", i);
      api.setType(h, 2);
      if (api.openFile(h, name, 0) == -1) break;
      while (api.read(h, buffer, sizeof buffer) > 0) {
      }
      api.closeFile(h);
      ++files;
    }
    QueryPerformanceCounter(&b);
    printf("library_small_download %.0f %d\n", double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart), files);
    api.disconnect(h);
  }
  // One small file: the fixed cost of a job.
  double one = Run(folder, {"/bench/small/f0000"}, nullptr, {local + "\\one.bin"}, {1000}, &status);
  printf("one_file_job %.0f %d\n", one, status);
  double ms = Run(folder, {"/bench/big.bin"}, nullptr, {local + "\\big.bin"}, {bigSize}, &status);
  printf("big_download %.0f %d %llu\n", ms, status, (unsigned long long)SizeOf(local + "\\big.bin"));
  ms = Run(nullptr, {local + "\\big.bin"}, folder, {"/bench/up/big.bin"}, {bigSize}, &status);
  printf("big_upload %.0f %d\n", ms, status);
  std::vector<std::string> remote, files, up;
  std::vector<uint64_t> sizes;
  CreateDirectoryA((local + "\\small").c_str(), nullptr);
  for (int i = 0; i < count; ++i) {
    char name[32];
    snprintf(name, sizeof name, "f%04d", i);
    remote.push_back(std::string("/bench/small/") + name);
    files.push_back(local + "\\small\\" + name);
    up.push_back(std::string("/bench/up/small/") + name);
    sizes.push_back(1000 + i % 3000);
  }
  ms = Run(folder, remote, nullptr, files, sizes, &status);
  printf("small_download %.0f %d\n", ms, status);
  ms = Run(nullptr, files, folder, up, sizes, &status);
  printf("small_upload %.0f %d\n", ms, status);
  PROCESS_MEMORY_COUNTERS pmc{};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  printf("peak_memory %llu\n", (unsigned long long)pmc.PeakWorkingSetSize);
  folder->Release();
  StopFtpLibrary();
  return 0;
}
