#include "toolbar_app.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "layout_file.h"
#include "panel_types.h"
#include "resource_jqbar.h"
#include "test_support.h"
#include "toolbar_test_host.h"

namespace jqbar {
namespace {

TEST(LayoutArgument, LeadingBlanksGoQuotesStayLongLinesAreRefused) {
  struct Case { const char* line; const char* path; bool fits; } cases[] = {
      {"", "", true},
      {"   \t ", "", true},
      {"  C:\\bars\\my.jqc", "C:\\bars\\my.jqc", true},
      {"\"C:\\with blank\\my.jqc\"", "\"C:\\with blank\\my.jqc\"", true},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_EQ(ParseLayoutArgument(c.line, path), c.fits) << c.line;
    EXPECT_EQ(path, c.path) << c.line;
  }
  std::string path, longLine(400, 'a');
  EXPECT_FALSE(ParseLayoutArgument(longLine.c_str(), path));
  EXPECT_LT(path.size(), std::size_t(MAX_PATH));
}

TEST(LayoutCopyData, OnlyATerminatedPathOfAtMost260BytesIsTaken) {
  char good[] = "C:\\a.jqc";
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  std::string huge(300, 'x');
  struct Case { ULONG_PTR id; DWORD size; void* data; bool ok; } cases[] = {
      {33, sizeof good, good, true},
      {34, sizeof good, good, false},
      {33, 0, good, false},
      {33, sizeof unterminated, unterminated, false},
      {33, DWORD(huge.size() + 1), huge.data(), false},
      {33, 1, good + sizeof good - 1, false},  // just the terminator
      {33, sizeof good, nullptr, false},
  };
  for (const Case& c : cases) {
    COPYDATASTRUCT data{c.id, c.size, c.data};
    std::string path;
    EXPECT_EQ(ReadCopyDataPath(&data, path), c.ok) << c.id << " " << c.size;
    if (c.ok) {
      EXPECT_EQ(path, good);
    }
  }
}

// Two real toolbar processes, started as a person starts them.
class ToolbarProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kToolsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string plugin = jqbartest::SamplePluginPath();
    RegSetValueExA(key, "Samples", 0, REG_SZ, reinterpret_cast<const BYTE*>(plugin.c_str()), DWORD(plugin.size() + 1));
    RegCloseKey(key);
    log = temp / "plugin.log";
    SetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_LOG", log.c_str());
    program = "\"" + jqtest::ProgramFolder() + "\\JQBar.exe\"";
  }
  void TearDown() override {
    // Whatever is still running of ours is ended.
    for (int i = 0; i < 3; ++i) {
      HWND main = FindWindowA(kMainWindowClass, nullptr);
      if (!main) break;
      DWORD pid = 0;
      GetWindowThreadProcessId(main, &pid);
      if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 10000);
        CloseHandle(p);
      }
    }
    jqtest::PumpUntil([] { return !FindWindowA(kExitMonitorClass, nullptr); }, 10000);
    SetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_LOG", nullptr);
  }
  int Run(const std::string& arguments) {
    HANDLE p = jqtest::StartProcess(program + (arguments.empty() ? "" : " " + arguments));
    if (!p) return -2;
    int code = jqtest::WaitProcess(p, 60000);
    return code;
  }
  std::string Layout(const char* name, jqbar::LayoutFile layout, std::uint32_t magic = kLayoutMagicWizard) {
    layout.magic = magic;
    std::string path = temp / name;
    EXPECT_TRUE(WriteLayoutFile(path, layout));
    return path;
  }
  static HWND Frame(const char* title) { return FindWindowA("Quorvanel", title); }
  static bool Visible(const char* title) { return Frame(title) && IsWindowVisible(Frame(title)); }
  std::string ReadLog() { return jqtest::ReadFileText(log); }

  jqtest::KeptRegistryKey toolbarKey{HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar"};
  jqtest::KeptRegistryKey toolsKey{HKEY_LOCAL_MACHINE, kToolsKeyPath};
  jqtest::TempFolder temp;
  std::string log, program;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ToolbarProcesses, ASecondStartHandsItsLayoutOverAndEnds) {
  std::string first = Layout("first.jqc", jqbartest::SampleLayout("Proc Alpha", "Proc Beta"));
  std::string second = Layout("second.jqc", jqbartest::SampleLayout("Proc Gamma", "Proc Delta"));
  // On NT the first start hands over to NTAid.exe, which starts the toolbar again with its exit
  // monitor in place.
  EXPECT_EQ(Run(first), 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Alpha") && Visible("Proc Beta"); }, 30000));
  EXPECT_NE(FindWindowA(kExitMonitorClass, nullptr), nullptr);
  HWND main = FindWindowA(kMainWindowClass, nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsWindowVisible(main));

  EXPECT_EQ(Run(second), 0);  // hands the path over and ends
  ASSERT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Gamma") && !Frame("Proc Alpha"); }, 30000));
  EXPECT_EQ(FindWindowA(kMainWindowClass, nullptr), main);  // still the first toolbar
  // The first layout was saved (now in the toolbar's own form) before the switch.
  auto bytes = ReadBytes(first);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::uint32_t(jqbartest::GetInt(bytes, 0)), kLayoutMagicToolbar);

  // A start without a layout shows the owner frame again.
  PostMessageA(Frame("Proc Gamma"), WM_COMMAND, IDM_HIDE, 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return !Visible("Proc Gamma"); }, 10000));
  EXPECT_EQ(Run(""), 0);
  EXPECT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Gamma"); }, 10000));
}

TEST_F(ToolbarProcesses, ABadLayoutIsReportedByTheSecondStartAlone) {
  std::string first = Layout("first.jqc", jqbartest::SampleLayout("Proc Alpha", "Proc Beta"));
  std::string bad = temp.WriteFile("notes.jqc", "not a layout at all");
  EXPECT_EQ(Run(first), 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Alpha"); }, 30000));
  HANDLE p = jqtest::StartProcess(program + " " + bad);
  ASSERT_NE(p, nullptr);
  char caption[100] = {};
  LoadStringA(GetModuleHandleA(nullptr), IDS_LAYOUT_ERROR_CAPTION, caption, sizeof caption);
  HWND box = nullptr;
  ASSERT_TRUE(jqtest::PumpUntil([&] { return (box = FindWindowA("#32770", caption)) != nullptr; }, 30000));
  DWORD boxPid = 0;
  GetWindowThreadProcessId(box, &boxPid);
  EXPECT_EQ(boxPid, GetProcessId(p));
  char text[512] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  EXPECT_NE(std::string(text).find(bad), std::string::npos) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(jqtest::WaitProcess(p, 30000), 0);
  EXPECT_TRUE(Visible("Proc Alpha"));
}

// Finds the shown popup menu, waiting for it and then for the menu's own loop: a message sent to
// the menu comes back only once its thread takes messages again, so that the keys posted next
// reach the menu and not the window behind it.
HWND WaitForMenu() {
  HWND menu = nullptr;
  jqtest::PumpUntil([&] {
    menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu);
  }, 15000);
  if (menu) SendMessageTimeoutA(menu, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
  return menu;
}

void PressInMenu(HWND menu, std::initializer_list<WPARAM> keys) {
  for (WPARAM k : keys) {
    PostMessageA(menu, WM_KEYDOWN, k, 0);
    PostMessageA(menu, WM_KEYUP, k, 0xC0000000);
  }
}

TEST_F(ToolbarProcesses, TheTrayMenuListsTheFramesAndClosesTheToolbar) {
  std::string file = Layout("tray.jqc", jqbartest::SampleLayout("Proc Alpha", "Proc Beta"));
  EXPECT_EQ(Run(file), 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Alpha") && Visible("Proc Beta"); }, 30000));
  HWND main = FindWindowA(kMainWindowClass, nullptr);
  PostMessageA(Frame("Proc Beta"), WM_COMMAND, IDM_HIDE, 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return !Visible("Proc Beta"); }, 10000));

  // Right button released over the icon: the menu; its second item is the frame "Proc Beta".
  PostMessageA(main, (WM_APP + 100), kTrayIconId, WM_RBUTTONUP);
  HWND menu = WaitForMenu();
  ASSERT_NE(menu, nullptr);
  PressInMenu(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Beta"); }, 10000));

  // Left button down over the icon shows the owner frame.
  PostMessageA(Frame("Proc Alpha"), WM_COMMAND, IDM_HIDE, 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return !Visible("Proc Alpha"); }, 10000));
  PostMessageA(main, (WM_APP + 100), kTrayIconId, WM_LBUTTONDOWN);
  EXPECT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Alpha"); }, 10000));

  // The last item closes the toolbar: the layout is saved, the plug-in told, both processes end.
  PostMessageA(main, (WM_APP + 100), kTrayIconId, WM_RBUTTONUP);
  menu = WaitForMenu();
  ASSERT_NE(menu, nullptr);
  PressInMenu(menu, {VK_UP, VK_RETURN});
  EXPECT_TRUE(jqtest::PumpUntil([] { return !FindWindowA(kMainWindowClass, nullptr); }, 30000));
  EXPECT_TRUE(jqtest::PumpUntil([] { return !FindWindowA(kExitMonitorClass, nullptr); }, 30000));
  EXPECT_EQ(std::uint32_t(jqbartest::GetInt(ReadBytes(file), 0)), kLayoutMagicToolbar);
  EXPECT_NE(ReadLog().find("terminate Sample Swatch"), std::string::npos);
}

TEST_F(ToolbarProcesses, AKeyThroughTheKeyboardHookReachesThePanelsHotKey) {
  // Swatch "B" holds CTRL+F6.
  std::string file = Layout("keys.jqc", jqbartest::SampleLayout("Proc Alpha", "Proc Beta", VK_F6, 2));
  EXPECT_EQ(Run(file), 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return Visible("Proc Alpha"); }, 30000));
  // The keys go with a frame of the toolbar in front, so that no other window takes them; each
  // is waited for in the key state that it sets, and sent once more only when it never came.
  HWND frame = Frame("Proc Alpha");
  SetForegroundWindow(frame);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return GetForegroundWindow() == frame; }, 10000));
  auto send = [](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    auto arrived = [&] { return (GetAsyncKeyState(vk) < 0) != up; };
    for (int attempt = 0; attempt < 2; ++attempt) {
      SendInput(1, &in, sizeof in);
      if (jqtest::PumpUntil(arrived, 5000)) return true;
    }
    return false;
  };
  ASSERT_TRUE(send(VK_F6, false));  // F6 alone is no hot key
  ASSERT_TRUE(send(VK_F6, true));
  // A loaded machine may pass a key by when the toolbar's hook answers too late: CTRL+F6 goes
  // once more only when the hot key never fired.
  bool fired = false;
  for (int attempt = 0; attempt < 2 && !fired; ++attempt) {
    ASSERT_TRUE(send(VK_CONTROL, false));
    ASSERT_TRUE(send(VK_F6, false));
    fired = jqtest::PumpUntil([&] { return ReadLog().find("hotkey 7 B") != std::string::npos; }, 15000);
    EXPECT_TRUE(send(VK_F6, true));
    EXPECT_TRUE(send(VK_CONTROL, true));
  }
  EXPECT_TRUE(fired) << ReadLog();
  EXPECT_EQ(ReadLog(), "hotkey 7 B\r\n");
}

}  // namespace
}  // namespace jqbar
