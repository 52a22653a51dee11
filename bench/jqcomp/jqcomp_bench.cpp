// Compresses and extracts a mixed tree (text, incompressible data, many small files) with
// jqcomp.dll, and in the same run with Info-ZIP's zip -6 and unzip started natively on the
// host (Wine starts Unix programs), and prints
//   name: ours=... baseline=... ratio=...
// Each side runs `runs` times (default 3) and the best time counts, which keeps a busy
// machine's noise out of the ratio.
// Usage: jqcomp_bench [megabytes=200] [runs=3] [path of jqcomp.dll]
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "et5.h"

namespace {

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

struct Rng {
  uint32_t x;
  uint32_t Next() {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  }
};

bool WriteAll(const std::string& path, const std::string& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = data.empty() || (WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) && put == data.size());
  CloseHandle(h);
  return ok;
}

std::string TextData(Rng& r, size_t n) {
  static const char* words[] = {"archive", "folder", "window", "status", "compress", "extract", "the", "of", "and",
                                "file", "manager", "pane", "select", "disk", "copy", "move", "name", "size", "date",
                                "Quorvanel", "settings", "registry", "value", "entry", "list", "view", "tree", "open"};
  std::string s;
  s.reserve(n + 16);
  while (s.size() < n) {
    s += words[r.Next() % (sizeof words / sizeof *words)];
    s += (r.Next() % 11 == 0) ? "\r\n" : " ";
    if (r.Next() % 7 == 0) s += std::to_string(r.Next() % 100000);
  }
  s.resize(n);
  return s;
}

std::string RandomData(Rng& r, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i + 4 <= n; i += 4) {
    uint32_t v = r.Next();
    memcpy(&s[i], &v, 4);
  }
  return s;
}

// Half text, a quarter incompressible, a quarter semi-compressible records; plus many small
// files in nested folders.
uint64_t MakeTree(const std::string& root, uint64_t bytes) {
  Rng r{12345};
  uint64_t total = 0;
  CreateDirectoryA(root.c_str(), nullptr);
  int folder = 0;
  auto path = [&](const char* kind, int i) {
    char buf[64];
    std::string dir = root + "\\d" + std::to_string(folder % 20);
    CreateDirectoryA(dir.c_str(), nullptr);
    if (folder % 3 == 0) {
      dir += "\\sub" + std::to_string(folder % 7);
      CreateDirectoryA(dir.c_str(), nullptr);
    }
    ++folder;
    wsprintfA(buf, "\\%s%05d.dat", kind, i);
    return dir + buf;
  };
  int i = 0;
  while (total < bytes / 2) {
    size_t n = 20000 + r.Next() % 1500000;
    total += n;
    WriteAll(path("text", i++), TextData(r, n));
  }
  while (total < bytes * 3 / 4) {
    size_t n = 500000 + r.Next() % 6000000;
    total += n;
    WriteAll(path("bin", i++), RandomData(r, n));
  }
  while (total < bytes) {
    size_t n = 100000 + r.Next() % 2000000;
    std::string s;
    s.reserve(n);
    while (s.size() < n) {
      s += RandomData(r, 24);
      s += "record;status=ok;owner=system;flags=0000;";
    }
    s.resize(n);
    total += n;
    WriteAll(path("rec", i++), s);
  }
  for (int k = 0; k < 2000; ++k) {
    size_t n = 200 + r.Next() % 8000;
    total += n;
    WriteAll(path("small", i++), TextData(r, n));
  }
  return total;
}

std::string UnixPath(const std::string& windowsPath) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  auto toUnix = reinterpret_cast<ToUnix>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  if (!toUnix) return std::string();
  wchar_t w[MAX_PATH * 2];
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, w, MAX_PATH * 2);
  char* u = toUnix(w);
  if (!u) return std::string();
  std::string s = u;
  HeapFree(GetProcessHeap(), 0, u);
  return s;
}

// Runs a shell script natively and waits for the file it writes last.
bool Host(const std::string& folder, const std::string& script, std::string* result) {
  std::string scriptPath = folder + "\\bench.sh", done = folder + "\\bench.done";
  DeleteFileA(done.c_str());
  std::string body = "#!/bin/sh\ncd '" + UnixPath(folder) + "' || exit 1\n" + script +
                     "\nmv bench.out bench.done\n";
  if (!WriteAll(scriptPath, body)) return false;
  std::string cmd = "/bin/sh " + UnixPath(scriptPath);
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back(0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  for (int waited = 0; waited < 3600 * 20; ++waited) {
    if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) {
      HANDLE h = CreateFileA(done.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      char buf[256] = {};
      DWORD got = 0;
      ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
      CloseHandle(h);
      *result = buf;
      return true;
    }
    Sleep(50);  // a benchmark, not a test: waiting on a native process that has no handle
  }
  return false;
}

void RemoveTree(const std::string& path) {
  std::string cmd = "rm -rf '" + UnixPath(path) + "'";
  std::string ignored;
  std::string parent = path.substr(0, path.rfind('\\'));
  Host(parent, cmd + " ; echo ok > bench.out", &ignored);
}

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

void Line(const char* name, double ours, double base, const char* unit) {
  printf("%s: ours=%.3f%s baseline=%.3f%s ratio=%.2f\n", name, ours, unit, base, unit, base > 0 ? ours / base : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t mb = argc > 1 ? strtoull(argv[1], nullptr, 10) : 200;
  if (mb == 0) mb = 1;
  int runs = argc > 2 ? atoi(argv[2]) : 3;
  if (runs < 1) runs = 1;
  std::string dll;
  if (argc > 3) {
    dll = argv[3];
  } else {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string e = exe;
    e = e.substr(0, e.rfind('\\'));
    dll = e.substr(0, e.rfind('\\')) + "\\bin\\jqcomp.dll";
  }
  HMODULE m = LoadLibraryA(dll.c_str());
  if (!m) {
    fprintf(stderr, "cannot load %s\n", dll.c_str());
    return 1;
  }
  auto init = reinterpret_cast<Et5InitFn>(GetProcAddress(m, "Et5Init"));
  auto shut = reinterpret_cast<Et5ShutDownFn>(GetProcAddress(m, "Et5ShutDown"));
  auto qzip = reinterpret_cast<Et5QZipFn>(GetProcAddress(m, "Et5QZip"));
  auto qunzip = reinterpret_cast<Et5QUnZipFn>(GetProcAddress(m, "Et5QUnZip"));
  if (!init || !shut || !qzip || !qunzip) return 1;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string base = std::string(temp) + "jqcomp_bench_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(base.c_str(), nullptr);
  uint64_t bytes = MakeTree(base + "\\tree", mb << 20);
  printf("tree: %llu bytes\n", static_cast<unsigned long long>(bytes));
  fflush(stdout);

  uint32_t h = 0;
  init(&h, 0);
  SetCurrentDirectoryA(base.c_str());
  double bestZip = 1e30, bestUnzip = 1e30;
  for (int run = 0; run < runs; ++run) {
    DeleteFileA((base + "\\ours.zip").c_str());
    double t0 = Now();
    int rz = qzip(h, "ours.zip", "\"tree\\*.*\"", "-a -whs -.q -en -P -r -.LR ") & 0xFFFF;
    double t1 = Now();
    std::string to = base + "\\ours_x" + std::to_string(run);
    CreateDirectoryA(to.c_str(), nullptr);
    int ru = qunzip(h, (base + "\\ours.zip").c_str(), to.c_str(), "*.*", "-d -o -.L ") & 0xFFFF;
    double t2 = Now();
    if (rz || ru) fprintf(stderr, "engine codes: zip %d unzip %d\n", static_cast<int16_t>(rz), static_cast<int16_t>(ru));
    if (t1 - t0 < bestZip) bestZip = t1 - t0;
    if (t2 - t1 < bestUnzip) bestUnzip = t2 - t1;
  }
  shut(&h);

  std::string times;
  std::string script =
      "bz=999999999999; bu=999999999999; i=0; while [ $i -lt " + std::to_string(runs) + " ]; do "
      "rm -f base.zip; a=$(date +%s%N); zip -6 -q -r base.zip tree; b=$(date +%s%N); "
      "mkdir base_x$i; cd base_x$i; unzip -q ../base.zip; c=$(date +%s%N); cd ..; "
      "[ $((b-a)) -lt $bz ] && bz=$((b-a)); [ $((c-b)) -lt $bu ] && bu=$((c-b)); i=$((i+1)); done; "
      "if unzip -tq ours.zip >/dev/null && diff -rq tree ours_x0/tree >/dev/null; then v=same; else v=DIFFERENT; fi; "
      "echo $bz $bu $v > bench.out";
  bool ok = Host(base, script, &times);
  long long zipNs = 0, unzipNs = 0;
  char verdict[32] = "?";
  if (!ok || sscanf(times.c_str(), "%lld %lld %31s", &zipNs, &unzipNs, verdict) != 3) {
    fprintf(stderr, "the native baseline did not run\n");
  }
  char name[64];
  snprintf(name, sizeof name, "compress_%lluMB", static_cast<unsigned long long>(mb));
  Line(name, bestZip, zipNs / 1e9, "s");
  snprintf(name, sizeof name, "extract_%lluMB", static_cast<unsigned long long>(mb));
  Line(name, bestUnzip, unzipNs / 1e9, "s");
  snprintf(name, sizeof name, "archive_size_%lluMB", static_cast<unsigned long long>(mb));
  Line(name, FileSize(base + "\\ours.zip") / 1048576.0, FileSize(base + "\\base.zip") / 1048576.0, "MB");
  printf("runs: %d, best of each\n", runs);
  printf("check: our archive passes unzip -t and extracts to the same tree: %s\n", verdict);
  SetCurrentDirectoryA(temp);
  RemoveTree(base);
  return 0;
}
