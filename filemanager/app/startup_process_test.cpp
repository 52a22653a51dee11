// JQNavig itself started as a second process under the Windows versions a Wine prefix can
// report: refused with its message before version 4, otherwise its main window appears with the
// menu and caption from the resources and closes cleanly.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "resource.h"
#include "test_support.h"

using namespace jqtest;

namespace {

std::string LoadText(UINT id) {
  char b[300] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, b, sizeof b);
  return b;
}

}  // namespace

namespace {

struct FoundWindow {
  DWORD pid;
  const char* cls;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND w, LPARAM data) {
  auto* f = reinterpret_cast<FoundWindow*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64];
  if (pid == f->pid && GetClassNameA(w, cls, sizeof cls) && strcmp(cls, f->cls) == 0 &&
      IsWindowVisible(w)) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForWindow(DWORD pid, const char* cls, HANDLE process, DWORD ms = 20000) {
  FoundWindow f{pid, cls, nullptr};
  PumpUntil([&] {
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&f));
    return f.found != nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  }, ms);
  return f.found;
}

BOOL CALLBACK FindBoxText(HWND child, LPARAM data) {
  char cls[32], text[300];
  if (GetClassNameA(child, cls, sizeof cls) && _stricmp(cls, "Static") == 0 &&
      GetWindowTextA(child, text, sizeof text) > 0)
    *reinterpret_cast<std::string*>(data) = text;
  return TRUE;
}

// A copy of JQNavig under its own name, which Wine reports the given version to.
class VersionedCopy {
 public:
  explicit VersionedCopy(const std::string& version) {
    name_ = "jqos_" + version + ".exe";
    path_ = folder_ / name_;
    std::string source = ProgramFolder() + "\\JQNavig.exe";
    ok_ = CopyFileA(source.c_str(), path_.c_str(), FALSE) != 0;
    key_ = "Software\\Wine\\AppDefaults\\" + name_;
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                     static_cast<DWORD>(version.size() + 1));
      RegCloseKey(k);
    } else {
      ok_ = false;
    }
  }
  ~VersionedCopy() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }

 private:
  TempFolder folder_;
  std::string name_, path_, key_;
  bool ok_ = false;
};

}  // namespace

TEST(StartupProcess, RefusesSystemsOlderThanVersion4WithItsMessage) {
  KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel");  // what the instances store
  for (const char* version : {"nt351", "win31"}) {
    SCOPED_TRACE(version);
    VersionedCopy copy(version);
    ASSERT_TRUE(copy.ok());
    DWORD pid = 0;
    HANDLE process = StartProcess("\"" + copy.path() + "\"", &pid);
    ASSERT_TRUE(process);
    HWND box = WaitForWindow(pid, "#32770", process);
    ASSERT_TRUE(box) << "the refusal box appears";
    char caption[100];
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ(caption, "JQNavig");
    std::string text;
    EnumChildWindows(box, FindBoxText, reinterpret_cast<LPARAM>(&text));
    EXPECT_EQ(text, LoadText(IDS_OS_UNSUPPORTED));
    FoundWindow main{pid, "KESTRALVIEWS", nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&main));
    EXPECT_FALSE(main.found) << "no main window on a refused system";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitProcess(process, 20000), 0);
  }
}

TEST(StartupProcess, StartsOnEverySupportedSystemAndClosesCleanly) {
  KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel");  // what the instances store
  for (const char* version : {"win95", "win98", "nt40", "win2k", "win10"}) {
    SCOPED_TRACE(version);
    VersionedCopy copy(version);
    ASSERT_TRUE(copy.ok());
    DWORD pid = 0;
    HANDLE process = StartProcess("\"" + copy.path() + "\"", &pid);
    ASSERT_TRUE(process);
    HWND main = WaitForWindow(pid, "KESTRALVIEWS", process);
    ASSERT_TRUE(main) << "the main window appears";
    FoundWindow box{pid, "#32770", nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&box));
    EXPECT_FALSE(box.found);
    char caption[200];
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_EQ(std::string(caption).rfind(LoadText(IDS_TITLE), 0), 0u) << caption;
    // The menu bar from the resources (its items belong to the other process).
    EXPECT_TRUE(GetMenu(main));
    RECT frame;
    GetWindowRect(main, &frame);
    POINT client = {0, 0};
    ClientToScreen(main, &client);
    EXPECT_GE(client.y - frame.top, GetSystemMetrics(SM_CYMENU) / 2) << "a menu bar above the client";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitProcess(process, 20000), 0);
  }
}
