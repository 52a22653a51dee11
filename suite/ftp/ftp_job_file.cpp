// The FTP job file and the hand-off to JQXfr.
#include "ftp_job_file.h"

#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ftp_engine.h"
#include "seams.h"
#include "settings_store.h"

namespace {

bool g_handOffDisabled = false;

bool SafeLine(const std::string& s) {
  return s.size() <= kFtpJobLineMax && s.find_first_of("\r\n") == std::string::npos;
}

bool ReadLine(FILE* f, std::string* out) {
  char line[500];
  if (!fgets(line, sizeof line, f)) return false;
  size_t n = strlen(line);
  // A line that filled the buffer without its end was longer than a job line can be.
  if (n == sizeof line - 1 && line[n - 1] != '\n') return false;
  while (n && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
  *out = line;
  return true;
}

}  // namespace

void DisableFtpHandOff() { g_handOffDisabled = true; }

bool WriteFtpJobFile(const char* path, const FtpJob& job) {
  size_t n = job.sources.size();
  if (job.destinations.size() != n || job.sizes.size() != n || !SafeLine(job.site)) return false;
  for (size_t i = 0; i < n; ++i)
    if (!SafeLine(job.sources[i]) || !SafeLine(job.destinations[i])) return false;
  FILE* f = fopen(path, "w");
  if (!f) return false;
  bool ok = fprintf(f, "%s\n", job.upload ? "U" : "D") > 0;
  ok = ok && fprintf(f, "%d\n", static_cast<int>(reinterpret_cast<INT_PTR>(job.notifyWindow))) > 0;
  ok = ok && fprintf(f, "%s\n", job.site.c_str()) > 0;
  ok = ok && fprintf(f, "%d\n", static_cast<int>(n)) > 0;
  for (size_t i = 0; ok && i < n; ++i) ok = fprintf(f, "%s\n", job.sources[i].c_str()) > 0;
  for (size_t i = 0; ok && i < n; ++i) ok = fprintf(f, "%s\n", job.destinations[i].c_str()) > 0;
  for (size_t i = 0; ok && i < n; ++i) ok = fprintf(f, "%llu\n", static_cast<unsigned long long>(job.sizes[i])) > 0;
  ok = ok && fprintf(f, "\n") > 0;
  if (fclose(f) != 0) ok = false;
  if (!ok) DeleteFileA(path);
  return ok;
}

bool ReadFtpJobFile(const char* path, FtpJob* job) {
  *job = FtpJob{};
  FILE* f = fopen(path, "r");
  if (!f) return false;
  std::string line;
  bool ok = ReadLine(f, &line);
  if (ok) job->upload = !line.empty() && line[0] == 'U';
  ok = ok && ReadLine(f, &line);
  if (ok) job->notifyWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(atoi(line.c_str())));
  ok = ok && ReadLine(f, &job->site);
  long count = 0;
  ok = ok && ReadLine(f, &line);
  if (ok) {
    count = atol(line.c_str());
    ok = count >= 0 && count <= 100000;
  }
  for (long i = 0; ok && i < count; ++i) ok = ReadLine(f, &line), job->sources.push_back(line);
  for (long i = 0; ok && i < count; ++i) ok = ReadLine(f, &line), job->destinations.push_back(line);
  for (long i = 0; ok && i < count; ++i) {
    ok = ReadLine(f, &line);
    if (ok) job->sizes.push_back(strtoull(line.c_str(), nullptr, 10));
  }
  fclose(f);
  DeleteFileA(path);
  if (!ok) *job = FtpJob{};
  return ok;
}

int HandOffFtpJob(HWND notifyWindow, const char* site, const std::vector<std::string>& sources,
                  const std::vector<std::string>& destinations, const std::vector<uint64_t>& sizes, bool upload,
                  bool wait) {
  if (g_handOffDisabled) return 0;
  char tempDir[MAX_PATH], jobPath[MAX_PATH];
  if (!GetTempPathA(sizeof tempDir, tempDir)) return 0;
  if (!GetTempFileNameA(tempDir, "JQ", 0, jobPath)) return 0;
  char dir[MAX_PATH];
  if (!ReadInstallDir(dir)) {
    DeleteFileA(jobPath);
    return 0;
  }
  std::string folder = dir;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  std::string program = folder + "\\JQXFR.EXE";
  if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    DeleteFileA(jobPath);
    return 0;
  }
  FtpJob job;
  job.upload = upload;
  job.notifyWindow = notifyWindow;
  job.site = site ? site : "";
  job.sources = sources;
  job.destinations = destinations;
  job.sizes = sizes;
  if (!WriteFtpJobFile(jobPath, job)) return 0;
  if (!wait) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.lpFile = program.c_str();
    info.lpParameters = jobPath;
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    seams::ShellExecuteExA(&info);
    return 1;
  }
  std::string commandLine = "\"" + program + "\" " + jobPath;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!seams::CreateProcessA(program.c_str(), commandLine.data(), folder.c_str(), NORMAL_PRIORITY_CLASS, &startup, &process)) {
    DeleteFileA(jobPath);
    return 0;
  }
  if (process.hProcess) {
    WaitPumping(process.hProcess);
    CloseHandle(process.hProcess);
  }
  if (process.hThread) CloseHandle(process.hThread);
  return 1;
}
