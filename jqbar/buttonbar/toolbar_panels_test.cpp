// The button bar and the command-line panel inside the real toolbar program: a layout that
// holds them loads, the panels show in their frame, keep their settings when the toolbar saves,
// and a typed command runs in the toolbar's process.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "button_bar_fixtures.h"
#include "layout_file.h"
#include "real_input.h"
#include "test_support.h"
#include "toolbar_app.h"
#include "toolbar_test_host.h"
#include "xdo_input.h"

namespace {

// Text of this file (UTF-8) in the program's code page, as the bar stores its strings.
std::string Ansi(const char* utf8) {
  wchar_t wide[200] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 200);
  char text[400] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

std::vector<std::uint8_t> TwoGroupBar(const std::string& program) {
  bbtest::BlobBuilder b;
  b.Head(0, 1, {{Ansi("常用"), 0}, {Ansi("工具"), 0}}, 0, 3, 20);
  b.I32At(300, 0);  // lines kept as stored
  bbtest::TestButton notepad, regedit, tool;
  notepad.command = "C:\\windows\\notepad.exe";
  notepad.startIn = "";
  notepad.label = Ansi("記事本");
  regedit.command = "C:\\windows\\regedit.exe";
  regedit.label = Ansi("登錄編輯器");
  tool.command = program;
  tool.label = Ansi("檔案管理");
  b.Group({notepad, regedit, tool}).Group({regedit});
  return b.bytes;
}

std::vector<std::uint8_t> CommandLineBlob(const std::string& folder) {
  std::vector<std::uint8_t> b(312, 0);
  bbtest::PutI32(b, 0, 1);
  bbtest::PutI32(b, 8, 0);
  std::memcpy(b.data() + 52, folder.c_str(), folder.size());
  return b;
}

std::vector<std::uint8_t> FrameBlob() {
  auto b = jqbartest::ContainerBlob("Launch", 40, 40, 0, 3);
  bbtest::PutI32(b, 16, 520);  // floating width and height
  bbtest::PutI32(b, 20, 70);
  return b;
}

BOOL CALLBACK FindChildOfClass(HWND window, LPARAM lParam) {
  auto* wanted = reinterpret_cast<std::pair<const char*, HWND>*>(lParam);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, wanted->first) == 0) {
    wanted->second = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindPanel(HWND frame, const char* className) {
  std::pair<const char*, HWND> wanted{className, nullptr};
  if (frame) EnumChildWindows(frame, FindChildOfClass, reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

class ToolbarWithLaunchPanels : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int i = 0; i < 3; ++i) {
      HWND main = FindWindowA(jqbar::kMainWindowClass, nullptr);
      if (!main) break;
      DWORD pid = 0;
      GetWindowThreadProcessId(main, &pid);
      if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 10000);
        CloseHandle(p);
      }
    }
    jqtest::PumpUntil([] { return !FindWindowA(jqbar::kExitMonitorClass, nullptr); }, 10000);
    xdo::Run("xdotool mousemove 1279 899");
  }
  jqtest::KeptRegistryKey toolbarKey{HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar"};
  jqtest::TempFolder temp;
};

TEST_F(ToolbarWithLaunchPanels, PanelsLoadShowAndRunATypedCommand) {
  std::string program = jqtest::ProgramFolder() + "\\JQNavig.exe";
  jqbar::LayoutFile layout;
  layout.frames.push_back(jqbartest::Node(
      "Toolbar", FrameBlob(),
      {jqbartest::Node("QuickLaunch", TwoGroupBar(program)),
       jqbartest::Node("Command Line", CommandLineBlob(temp.path()))}));
  std::string path = temp / "panels.jqc";
  ASSERT_TRUE(WriteLayoutFile(path, layout));
  HANDLE p = jqtest::StartProcess("\"" + jqtest::ProgramFolder() + "\\JQBar.exe\" " + path);
  ASSERT_NE(p, nullptr);
  jqtest::WaitProcess(p, 60000);
  HWND frame = nullptr, bar = nullptr, line = nullptr;
  ASSERT_TRUE(jqtest::PumpUntil([&] {
    frame = FindWindowA("Quorvanel", "Launch");
    bar = FindPanel(frame, "JQButtonBar");
    line = FindPanel(frame, "CmdLinePanel");
    return bar && line && IsWindowVisible(frame);
  }, 30000));
  // The frame in front and drawn whole before its picture is taken and the line is typed.
  ASSERT_TRUE(bbtest::BringToFront(frame));
  RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  if (const char* dir = std::getenv("JQ_BB_SHOT_DIR")) {
    const char* locale = std::getenv("JQ_TEST_LOCALE");
    std::string name = std::string(dir) + "/button-bar-" + (locale ? std::string(locale, 5) : "x") + ".png";
    xdo::Run("import -window root " + name);
  }

  // A typed line runs in the toolbar's own process.
  HWND edit = FindWindowExA(FindWindowExA(line, nullptr, "ComboBox", nullptr), nullptr, "Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  ASSERT_TRUE(bbtest::TypeInto(edit, "md fromtoolbar"));
  EXPECT_TRUE(bbtest::KeyUntil(edit, "Return", [&] { return jqtest::FolderExists(temp / "fromtoolbar"); },
                               [&] { return bbtest::TextOf(edit) == "md fromtoolbar"; }, 15000));

  // Closing the toolbar saves the layout: the bar as it came, the line in the history.
  HWND main = FindWindowA(jqbar::kMainWindowClass, nullptr);
  ASSERT_NE(main, nullptr);
  PostMessageA(main, WM_COMMAND, 413, 0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return !FindWindowA(jqbar::kMainWindowClass, nullptr); }, 30000));
  auto saved = jqbar::ReadLayoutFile(path);
  ASSERT_TRUE(saved.has_value());
  ASSERT_EQ(saved->frames.size(), 1u);
  ASSERT_EQ(saved->frames[0].children.size(), 2u);
  // The bar's groups and buttons come back as they were stored; of the head, only the fields
  // the layout computes (arrows, visible rows) may differ.
  const auto& barBlob = saved->frames[0].children[0].blob;
  const auto original = TwoGroupBar(program);
  ASSERT_EQ(barBlob.size(), original.size());
  EXPECT_TRUE(std::equal(barBlob.begin(), barBlob.begin() + 300, original.begin()));
  jqbar::ButtonBarSettings was, now;
  ASSERT_TRUE(jqbar::ReadButtonBarBlob(original.data(), original.size(), was));
  ASSERT_TRUE(jqbar::ReadButtonBarBlob(barBlob.data(), barBlob.size(), now));
  for (int g = 0; g < 2; ++g) {
    const jqbar::ButtonRecord *a = was.groups[g], *b = now.groups[g];
    for (; a && b; a = a->next, b = b->next) {
      EXPECT_EQ(a->command, b->command);
      EXPECT_EQ(a->label, b->label);
      EXPECT_EQ(a->startIn, b->startIn);
    }
    EXPECT_TRUE(!a && !b) << "group " << g << " keeps its buttons";
  }
  jqbar::FreeButtonGroups(was);
  jqbar::FreeButtonGroups(now);
  const auto& stored = saved->frames[0].children[1].blob;
  ASSERT_GT(stored.size(), 312u);
  EXPECT_EQ(bbtest::GetI32(stored, 16), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(stored.data() + 312), "md fromtoolbar");
}

}  // namespace
