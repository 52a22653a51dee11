// JQNavig started as real processes: each new instance announces its main window to the windows
// of its class (a window of ours and another real instance), a second process hands it a folder
// as an item id list in a file mapping ("/IDLIST,:handle:pid"), and the start-up switches shape
// the real window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <string>
#include <vector>
#include "pidl.h"
#include "settings_store.h"
#include "test_support.h"
#include "view_memory.h"
#include "command_ids.h"

using namespace jqtest;

namespace {

std::vector<HWND> g_announced;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 101 && wParam == 0) g_announced.push_back(reinterpret_cast<HWND>(lParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window of the program's class, as another instance would have.
class InstanceStandIn {
 public:
  InstanceStandIn() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KESTRALVIEWS";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "KESTRALVIEWS", "stand-in", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    g_announced.clear();
  }
  ~InstanceStandIn() { DestroyWindow(window); }
  HWND window = nullptr;
};

struct FoundWindow {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND w, LPARAM data) {
  auto* f = reinterpret_cast<FoundWindow*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64];
  if (pid == f->pid && GetClassNameA(w, cls, sizeof cls) && strcmp(cls, "KESTRALVIEWS") == 0 &&
      IsWindowVisible(w)) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

// A JQNavig process and its main window.
class Instance {
 public:
  explicit Instance(const std::string& arguments, const std::string& programFolder = ProgramFolder()) {
    std::string line = "\"" + programFolder + "\\JQNavig.exe\" " + arguments;
    process = StartProcess(line, &pid);
    FoundWindow f{pid, nullptr};
    if (process)
      PumpUntil([&] {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&f));
        return f.found != nullptr || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
      }, 30000);
    window = f.found;
  }
  ~Instance() { Close(); }
  int Close() {
    int code = 0;
    if (process) {
      if (window && IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
      code = WaitProcess(process, 20000);
      CloseHandle(process);
      process = nullptr;
    }
    return code;
  }
  std::string Title() const {
    char text[600] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
  }
  // Waits until the caption names the folder (the pane has opened it).
  bool WaitForFolderInTitle(const std::string& folder) const {
    std::string upper = folder;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return PumpUntil([&] {
      std::string title = Title();
      CharUpperBuffA(title.data(), static_cast<DWORD>(title.size()));
      return title.find(upper) != std::string::npos;
    }, 20000);
  }
  // A child by its id, also inside the coolbar (where the bars are the rebar's children).
  struct ChildSearch {
    int id;
    HWND found;
  };
  static BOOL CALLBACK MatchChild(HWND w, LPARAM data) {
    auto* s = reinterpret_cast<ChildSearch*>(data);
    if (GetDlgCtrlID(w) != s->id) return TRUE;
    s->found = w;
    return FALSE;
  }
  HWND Child(int id) const {
    ChildSearch search{id, nullptr};
    EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HANDLE process = nullptr;
  DWORD pid = 0;
  HWND window = nullptr;
};

// The instances read and write the prefix's real settings: everything they store there is put
// back as it was afterwards. Instances that need not store their settings are told not to (the
// option switched off in each before it closes).
class KeepStoredSettings {
 public:
  KeepStoredSettings() { had_ = ReadSettingDword("Save Settings On Exit", &value_) != 0; }
  void TurnOffIn(const Instance& instance) const {
    if (!had_ || value_) SendMessageA(instance.window, WM_COMMAND, ID_OPTIONS_SAVE_ON_EXIT, 0);
  }
  // For a test that needs its instance to store its settings on exit, whatever the prefix holds.
  void TurnOnStored() {
    value_ = 1;
    had_ = WriteSettingDword("Save Settings On Exit", &value_) != 0;
  }

 private:
  KeptRegistryKey kept_{HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel"};
  DWORD value_ = 1;
  bool had_ = false;
};

bool Announced(HWND window) {
  for (HWND w : g_announced)
    if (w == window) return true;
  return false;
}

}  // namespace

TEST(InstanceHandshake, EachNewInstanceAnnouncesItselfToTheOthers) {
  KeepStoredSettings keep;
  InstanceStandIn standIn;
  TempFolder folder;
  Instance first("\"" + folder.path() + "\"");
  ASSERT_TRUE(first.window) << "the first instance shows its main window";
  ASSERT_TRUE(PumpUntil([&] { return Announced(first.window); }, 10000))
      << "WM_USER+101 from the first instance, with its window";
  keep.TurnOffIn(first);

  Instance second("\"" + folder.path() + "\"");
  ASSERT_TRUE(second.window);
  ASSERT_NE(second.window, first.window);
  EXPECT_TRUE(PumpUntil([&] { return Announced(second.window); }, 10000))
      << "the second instance announces itself to every window of the class";
  keep.TurnOffIn(second);
  // The real first instance received it too and is still there, answering.
  DWORD_PTR answer = 1;
  EXPECT_TRUE(SendMessageTimeoutA(first.window, WM_USER + 101, 0, reinterpret_cast<LPARAM>(second.window),
                                  SMTO_ABORTIFHUNG, 5000, &answer));
  EXPECT_EQ(second.Close(), 0);
  EXPECT_EQ(first.Close(), 0);
}

TEST(ItemIdListHandOff, SecondProcessSendsAFolderThroughAFileMapping) {
  KeepStoredSettings keep;
  keep.TurnOnStored();  // the folder's layout is stored on exit
  TempFolder folder;
  folder.WriteFile("handed over.txt", "x");
  PidlPtr list(ParsePathToPidl(folder.path().c_str(), nullptr, nullptr));
  ASSERT_TRUE(list);
  UINT size = GetPidlSize(list.get());
  // The sender's side: a mapping with the byte count and the list, passed by handle and process.
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size + 4, nullptr);
  ASSERT_TRUE(mapping);
  BYTE* view = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  ASSERT_TRUE(view);
  memcpy(view, &size, 4);
  memcpy(view + 4, list.get(), size);
  UnmapViewOfFile(view);
  char arguments[100];
  snprintf(arguments, sizeof arguments, "/idlist,:%lu:%lu",
           static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(mapping)), GetCurrentProcessId());

  Instance shellOpened(arguments);
  ASSERT_TRUE(shellOpened.window);
  EXPECT_TRUE(shellOpened.WaitForFolderInTitle(folder.path())) << shellOpened.Title();
  FolderViewRecord record;
  EXPECT_FALSE(LoadFolderViewRecord(list.get(), &record)) << "nothing stored while on the folder";
  // The receiver took the mapping over and closed our handle with it.
  EXPECT_FALSE(CloseHandle(mapping));
  EXPECT_EQ(shellOpened.Close(), 0);

  // Still on the folder at exit: its layout is stored under the item id list, pane 0 on it.
  ASSERT_TRUE(LoadFolderViewRecord(list.get(), &record));
  EXPECT_EQ(std::string(record.panes.folder[0]), folder.path());

  // A mapping that claims more bytes than it holds is refused: the line is read as a plain one.
  HANDLE lying = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, nullptr);
  view = static_cast<BYTE*>(MapViewOfFile(lying, FILE_MAP_WRITE, 0, 0, 0));
  DWORD claimed = 1u << 20;
  memcpy(view, &claimed, 4);
  UnmapViewOfFile(view);
  snprintf(arguments, sizeof arguments, "/idlist,:%lu:%lu",
           static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(lying)), GetCurrentProcessId());
  Instance refused(arguments);
  ASSERT_TRUE(refused.window) << "the program starts on its default folder";
  keep.TurnOffIn(refused);
  EXPECT_EQ(refused.Close(), 0);
}

TEST(StartupSwitches, ShapeTheRealWindow) {
  KeepStoredSettings keep;
  TempFolder folder;
  folder.WriteFile("a.txt", "a");
  Instance instance("\"" + folder.path() + "\" /TBAR- /SBAR- /E- /IDETAILS /SDATE");
  ASSERT_TRUE(instance.window);
  keep.TurnOffIn(instance);
  EXPECT_TRUE(instance.WaitForFolderInTitle(folder.path())) << instance.Title();
  HWND toolbar = instance.Child(103), status = instance.Child(102);
  HWND tree = instance.Child(108), list = instance.Child(100);
  ASSERT_TRUE(toolbar && status && tree && list);
  EXPECT_FALSE(IsWindowVisible(toolbar));
  EXPECT_FALSE(IsWindowVisible(status));
  EXPECT_FALSE(IsWindowVisible(tree)) << "/E- hides pane 0's tree";
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT) << "/IDETAILS";
  EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, ID_SORT_BY_DATE, 0)) << "/SDATE: the by-date button";
  EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, ID_SORT_BY_NAME, 0));
  EXPECT_EQ(instance.Close(), 0);

  Instance shown("\"" + folder.path() + "\" /TBAR+ /SBAR+ /E+ /ISMALL /SNAME");
  ASSERT_TRUE(shown.window);
  keep.TurnOffIn(shown);
  EXPECT_TRUE(IsWindowVisible(shown.Child(103)));
  EXPECT_TRUE(IsWindowVisible(shown.Child(102)));
  EXPECT_TRUE(IsWindowVisible(shown.Child(108)));
  EXPECT_EQ(GetWindowLongA(shown.Child(100), GWL_STYLE) & LVS_TYPEMASK, LVS_SMALLICON);
  EXPECT_EQ(shown.Close(), 0);
}

// A 64-bit sender hands a folder to the 32-bit program (both run in a 64-bit prefix): the mapping's
// layout, the handle in the command line and the view record that the receiver stores at exit
// are the same for both word sizes. Runs where the test script names the other build's folder.
TEST(ItemIdListHandOff, ProgramOfTheOtherWordSizeTakesTheFolderAndStoresItsLayout) {
  char other[MAX_PATH] = "";
  if (GetEnvironmentVariableA("JQ_OTHER_PROGRAM_DIR", other, sizeof other) == 0 ||
      GetFileAttributesA((std::string(other) + "\\JQNavig.exe").c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no build of the other word size to hand a folder to";
  }
  KeepStoredSettings keep;
  keep.TurnOnStored();  // the receiver stores the folder's layout on exit
  TempFolder folder;
  folder.WriteFile("from the other word size.txt", "x");
  PidlPtr list(ParsePathToPidl(folder.path().c_str(), nullptr, nullptr));
  ASSERT_TRUE(list);
  UINT size = GetPidlSize(list.get());
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size + 4, nullptr);
  ASSERT_TRUE(mapping);
  BYTE* view = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  ASSERT_TRUE(view);
  memcpy(view, &size, 4);
  memcpy(view + 4, list.get(), size);
  UnmapViewOfFile(view);
  char arguments[100];
  snprintf(arguments, sizeof arguments, "/idlist,:%lu:%lu",
           static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(mapping)), GetCurrentProcessId());

  Instance receiver(arguments, other);
  ASSERT_TRUE(receiver.window) << "the program of the other word size did not start";
  BOOL wow64 = FALSE;
  IsWow64Process(receiver.process, &wow64);
  EXPECT_EQ(sizeof(void*) == 8, wow64 != FALSE) << "the receiver is of the other word size";
  EXPECT_TRUE(receiver.WaitForFolderInTitle(folder.path())) << receiver.Title();
  EXPECT_EQ(receiver.Close(), 0);

  FolderViewRecord record;
  ASSERT_TRUE(LoadFolderViewRecord(list.get(), &record)) << "the record the other program stored";
  EXPECT_EQ(std::string(record.panes.folder[0]), folder.path());
}
