#include "jqcomp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace jqt {

namespace {
const char* const kNames[] = {"Et5Init", "Et5ShutDown", "Et5IsGoodPassword", "Et5IsPassword", "Et5Cancel",
                              "Et5IdentifyFile", "Et5ZipClose", "Et5ZipFindNext", "Et5ZipFindFirst", "Et5ZipOpen",
                              "Et5QZip", "Et5Zip", "Et5ZipCreateMV", "Et5CPrintHook", "Et5SetCPrint",
                              "Et5SetParseType", "Et5QUnZip", "Et5ZipNewComment", "Et5ZipComment", "Et5UUEncode",
                              nullptr};
thread_local TestEngine* t_current = nullptr;
}  // namespace

const char* const* ExportNames() { return kNames; }

const Api* LoadApi() {
  static Api api;
  static bool tried = false;
  if (tried) return api.module ? &api : nullptr;
  tried = true;
  std::string path = jqtest::ProgramFolder();
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += "jqcomp.dll";
  HMODULE m = LoadLibraryA(path.c_str());
  if (!m) return nullptr;
  void** slots[] = {(void**)&api.Init, (void**)&api.ShutDown, (void**)&api.IsGoodPassword, (void**)&api.IsPassword,
                    (void**)&api.Cancel, (void**)&api.IdentifyFile, (void**)&api.ZipClose, (void**)&api.ZipFindNext,
                    (void**)&api.ZipFindFirst, (void**)&api.ZipOpen, (void**)&api.QZip, (void**)&api.Zip,
                    (void**)&api.ZipCreateMV, (void**)&api.CPrintHook, (void**)&api.SetCPrint,
                    (void**)&api.SetParseType, (void**)&api.QUnZip, (void**)&api.ZipNewComment,
                    (void**)&api.ZipComment, (void**)&api.UUEncode};
  for (int i = 0; kNames[i]; ++i) {
    *slots[i] = reinterpret_cast<void*>(GetProcAddress(m, kNames[i]));
    if (!*slots[i]) return nullptr;
  }
  api.module = m;
  return &api;
}

TestEngine::TestEngine() : api(*LoadApi()) {
  EXPECT_EQ(0, api.Init(&h, 0) & 0xFFFF);
  EXPECT_NE(0u, h);
  api.SetParseType(h, -1);
  api.CPrintHook(h, &TestEngine::Callback, 0, 0);
  t_current = this;
}

TestEngine::~TestEngine() {
  api.ShutDown(&h);
  if (t_current == this) t_current = nullptr;
}

void TestEngine::UseCallback(bool on) {
  t_current = this;
  api.SetCPrint(h, on ? 1 : 0);
}

int16_t __stdcall TestEngine::Callback(void* record) {
  TestEngine* self = t_current;
  auto* rec = static_cast<et5::CallbackRecord*>(record);
  Event ev{rec->kind, rec->code, rec->operation, rec->disk, rec->path, rec->name, rec->itemBytes};
  if (!self) return -10000;
  self->events.push_back(ev);
  if (self->answer) return self->answer(ev);
  if (ev.kind == et5::kCbQuestion && ev.code == et5::kAskOverwrite) return et5::kAnswerYes;
  return 1;
}

int TestEngine::QUnZip(const std::string& zip, const std::string& folder, const std::string& list,
                       const std::string& sw) {
  t_current = this;
  return static_cast<int16_t>(api.QUnZip(h, zip.c_str(), folder.c_str(), list.c_str(), sw.c_str()) & 0xFFFF);
}

int TestEngine::QZip(const std::string& zip, const std::string& list, const std::string& sw) {
  t_current = this;
  return static_cast<int16_t>(api.QZip(h, zip.c_str(), list.c_str(), sw.c_str()) & 0xFFFF);
}

int TestEngine::List(const std::string& zip, std::vector<std::string>* names, std::vector<et5::EntryRecord>* records) {
  uint32_t ah = 0;
  int r = static_cast<int16_t>(api.ZipOpen(h, zip.c_str(), et5::kOpenForListing, &ah) & 0xFFFF);
  if (r) return r;
  et5::EntryRecord rec{};
  char name[2048], b2[2048], b3[2048];
  r = api.ZipFindFirst(h, ah, &rec, name, b2, sizeof b2, b3, sizeof b3);
  int first = r;
  while (r == 0) {
    if (names) names->push_back(name);
    if (records) records->push_back(rec);
    r = api.ZipFindNext(h, ah, &rec, name, b2, sizeof b2, b3, sizeof b3);
  }
  api.ZipClose(h, &ah);
  EXPECT_EQ(0u, ah);
  return first == 0 ? 0 : static_cast<int16_t>(first);
}

size_t TestEngine::Count(int16_t kind, int16_t code) const {
  return static_cast<size_t>(std::count_if(events.begin(), events.end(), [&](const Event& e) {
    return e.kind == kind && (code == -1 || e.code == code);
  }));
}

std::string ReadBytes(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string("<missing>");
  std::string out;
  char buf[65536];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(h);
  return out;
}

bool WriteBytes(const std::string& path, const std::string& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = data.empty() || (WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) && put == data.size());
  CloseHandle(h);
  return ok;
}

std::string PseudoRandom(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    s[i] = static_cast<char>(x >> 24);
  }
  return s;
}

std::string Text(size_t n, uint32_t seed) {
  static const char* words[] = {"archive ", "folder ", "zip ", "entry ", "disk ", "name\r\n", "data ", "pane "};
  std::string s;
  uint32_t x = seed + 7;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    s += words[(x >> 16) % 8];
  }
  s.resize(n);
  return s;
}

static void SnapshotInto(const std::string& base, const std::string& rel,
                         std::vector<std::pair<std::string, std::string>>* out, bool contents = true) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((base + (rel.empty() ? "" : "\\" + rel) + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = fd.cFileName;
    if (n == "." || n == "..") continue;
    std::string r = rel.empty() ? n : rel + "\\" + n;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out->push_back({r + "\\", ""});
      SnapshotInto(base, r, out, contents);
    } else {
      out->push_back({r, contents ? ReadBytes(base + "\\" + r) : std::string()});
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> out;
  SnapshotInto(folder, "", &out);
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> AllPaths(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> all;
  SnapshotInto(folder, "", &all, false);
  std::vector<std::string> out;
  for (auto& p : all) out.push_back(p.first);
  std::sort(out.begin(), out.end());
  return out;
}

std::string UnixPath(const std::string& windowsPath) {
  typedef char*(CDECL * ToUnix)(LPCWSTR);
  static ToUnix toUnix = reinterpret_cast<ToUnix>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  if (!toUnix) return std::string();
  wchar_t w[MAX_PATH * 2];
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, w, MAX_PATH * 2);
  char* u = toUnix(w);
  if (!u) return std::string();
  std::string s = u;
  HeapFree(GetProcessHeap(), 0, u);
  return s;
}

std::string Q(const std::string& windowsPath) {
  std::string u = UnixPath(windowsPath);
  std::string out = "'";
  for (char c : u) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool HostAvailable() {
  static int state = -1;
  if (state < 0) state = (!UnixPath("C:\\").empty() && Host("command -v zip && command -v unzip && command -v 7z") == 0) ? 1 : 0;
  return state == 1;
}

int Host(const std::string& command, std::string* output, const std::string& folder, DWORD timeoutMs) {
  static std::atomic<unsigned> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char name[64];
  wsprintfA(name, "jqhost%lu_%u", GetCurrentProcessId(), counter++);
  std::string dir = std::string(temp) + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string script = dir + "\\run.sh";
  std::string body = "#!/bin/sh\n";
  if (!folder.empty()) body += "cd " + Q(folder) + " || exit 97\n";
  body += "( " + command + " ) > " + Q(dir + "\\out") + " 2>&1\n";
  body += "echo $? > " + Q(dir + "\\rc.tmp") + "\nmv " + Q(dir + "\\rc.tmp") + " " + Q(dir + "\\rc") + "\n";
  WriteBytes(script, body);
  std::string cmd = "/bin/sh " + UnixPath(script);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back(0);
  int rc = -1;
  // Wine starts a Unix program without a process handle; the script's rc file tells the end.
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    std::string rcPath = dir + "\\rc";
    if (jqtest::PumpUntil([&] { return GetFileAttributesA(rcPath.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs))
      rc = atoi(ReadBytes(rcPath).c_str());
  }
  if (output) *output = ReadBytes(dir + "\\out");
  jqtest::RemoveTree(dir);
  return rc;
}

void MakeTree(const jqtest::TempFolder& root) {
  root.WriteFile("tree\\readme.txt", Text(20000, 1));
  root.WriteFile("tree\\random.bin", PseudoRandom(300000, 2));
  root.WriteFile("tree\\empty.dat", "");
  root.WriteFile("tree\\sub\\notes.txt", Text(5000, 3));
  root.WriteFile("tree\\sub\\deeper\\data.bin", PseudoRandom(70000, 4) + Text(70000, 5));
  root.MakeFolder("tree\\emptyfolder");
}

}  // namespace jqt
