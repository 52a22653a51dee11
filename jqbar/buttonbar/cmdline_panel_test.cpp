// The command-line panel: its blob as bytes, and real keystrokes typed into it on the X display.
#include "cmdline_panel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "button_bar_fixtures.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "real_input.h"
#include "test_support.h"
#include "xdo_input.h"

using namespace jqbar;

namespace {

std::vector<std::uint8_t> CmdBlob(const std::string& folder, const std::vector<std::string>& history,
                                  int showFolder = 1) {
  std::vector<std::uint8_t> b(312, 0);
  bbtest::PutI32(b, 0, showFolder);
  bbtest::PutI32(b, 8, 0);  // no confirmations
  bbtest::PutI32(b, 16, int(history.size()));
  std::memcpy(b.data() + 52, folder.c_str(), folder.size());
  for (const auto& line : history) {
    b.insert(b.end(), line.begin(), line.end());
    b.push_back(0);
  }
  return b;
}

TEST(CmdLineBlob, ReadsAndWritesByteForByte) {
  auto blob = CmdBlob("d:\\work", {"dir", "", "copy a b"});
  bbtest::PutI32(blob, 4, 1);
  bbtest::PutI32(blob, 12, 1);
  CmdLineSettings s;
  ASSERT_TRUE(LoadCmdLineSettings(blob.data(), blob.size(), s));
  EXPECT_EQ(s.showFolder, 1);
  EXPECT_EQ(s.recycle, 1);
  EXPECT_EQ(s.confirm, 0);
  EXPECT_EQ(s.copyFolders, 1);
  EXPECT_EQ(s.currentFolder, "d:\\work");
  ASSERT_EQ(s.history.size(), 3u);
  EXPECT_EQ(s.history[1], "") << "an absent entry is a lone NUL";
  EXPECT_EQ(s.history[2], "copy a b");
  EXPECT_EQ(SaveCmdLineSettings(s), blob);

  CmdLineSettings fresh;
  auto minimal = SaveCmdLineSettings(fresh);
  EXPECT_EQ(minimal.size(), 312u) << "a panel without history";
  EXPECT_EQ(bbtest::GetI32(minimal, 0), 1);
  EXPECT_EQ(bbtest::GetI32(minimal, 8), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(minimal.data() + 52), "c:\\");
}

TEST(CmdLineBlob, DamagedFormsAreRefused) {
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"shorter than the head", [](auto& v) { v.resize(311); }},
      {"history count 9", [](auto& v) { bbtest::PutI32(v, 16, 9); }},
      {"negative history count", [](auto& v) { bbtest::PutI32(v, 16, -1); }},
      {"a line running past the end", [](auto& v) { v.pop_back(); }},
      {"more lines counted than stored", [](auto& v) { bbtest::PutI32(v, 16, 3); }},
      {"folder without its NUL", [](auto& v) { std::memset(v.data() + 52, 'f', 260); }},
  };
  for (const Case& c : cases) {
    auto blob = CmdBlob("c:\\x", {"one", "two"});
    c.damage(blob);
    CmdLineSettings s;
    s.recycle = 5;
    EXPECT_FALSE(LoadCmdLineSettings(blob.data(), blob.size(), s)) << c.name;
    EXPECT_EQ(s.recycle, 5) << c.name;
  }
}

// A plain window standing in for the container: it records the panel's reports.
struct HostRecord {
  int settingsChanged = 0;
  int changed = 0;
};
HostRecord g_host;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PNM_SETTINGSCHANGED) ++g_host.settingsChanged;
  if (message == PNM_CHANGED) ++g_host.changed;
  return DefWindowProcA(window, message, wParam, lParam);
}

class CmdLinePanelWindow : public ::testing::Test {
 protected:
  jqtest::TempFolder temp;
  HWND host = nullptr;
  HWND panel = nullptr;

  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterCmdLinePanelType(Globals().instance);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = Globals().instance;
    wc.lpszClassName = "CmdLineTestHost";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassA(&wc);
    // Away from the corner where other programs' test windows open.
    host = CreateWindowExA(WS_EX_TOPMOST, "CmdLineTestHost", "host", WS_POPUP | WS_VISIBLE, 720,
                           620, 300, 60, nullptr, nullptr, Globals().instance, nullptr);
    g_host = HostRecord();
  }
  void TearDown() override {
    if (host) DestroyWindow(host);
    FreeCmdLinePanelType();
    xdo::Run("xdotool mousemove 1279 899");
  }
  void Make(const std::vector<std::uint8_t>& blob) {
    RECT r = {0, 0, 300, 60};
    panel = CreateCmdLinePanel(host, &r, blob.data(), int(blob.size()));
    ASSERT_NE(panel, nullptr);
    ShowWindow(host, SW_SHOW);
    ASSERT_TRUE(bbtest::BringToFront(host));
  }
  HWND Edit() { return FindWindowExA(CmdLinePanelCombo(panel), nullptr, "Edit", nullptr); }
  // Types the line into the edit field with real keys, then Enter, until the line has done what
  // it should. The field's text says whether the keys arrived: the line is typed again only when
  // it did not come whole, Enter again only when the line still stands there.
  bool TypeLineUntil(const std::string& text, const std::function<bool()>& done) {
    HWND edit = Edit();
    return bbtest::TypeInto(edit, text) &&
           bbtest::KeyUntil(edit, "Return", done, [&] { return bbtest::TextOf(edit) == text; });
  }
};

TEST_F(CmdLinePanelWindow, TypedCommandsWorkOnDiskAndGoIntoTheHistory) {
  Make(CmdBlob(temp.path(), {"old line"}));
  ASSERT_EQ(SendMessageA(CmdLinePanelCombo(panel), CB_GETCOUNT, 0, 0), 1);
  jqtest::SeamRecorder seams;

  ASSERT_TRUE(TypeLineUntil("md typed", [&] { return jqtest::FolderExists(temp / "typed"); }));
  EXPECT_EQ(GetWindowTextLengthA(Edit()), 0) << "the line is cleared after it ran";
  EXPECT_GE(g_host.settingsChanged, 1);

  ASSERT_TRUE(TypeLineUntil("cd typed", [&] {
    return CmdLinePanelSettings(panel)->currentFolder.size() > temp.path().size();
  }));
  temp.WriteFile("typed\\note.txt", "n");
  ASSERT_TRUE(TypeLineUntil("ren note.txt renamed.txt",
                            [&] { return jqtest::FileExists(temp / "typed\\renamed.txt"); }));
  EXPECT_FALSE(jqtest::FileExists(temp / "typed\\note.txt"));
  EXPECT_TRUE(seams.boxes.empty());

  void* data = nullptr;
  int size = int(SendMessageA(panel, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data)));
  ASSERT_GT(size, 312);
  CmdLineSettings stored;
  ASSERT_TRUE(LoadCmdLineSettings(static_cast<std::uint8_t*>(data), std::size_t(size), stored));
  ASSERT_EQ(stored.history.size(), 4u);
  EXPECT_EQ(stored.history[0], "ren note.txt renamed.txt");
  EXPECT_EQ(stored.history[3], "old line");
  EXPECT_EQ(lstrcmpiA(stored.currentFolder.c_str(), (temp / "typed").c_str()), 0);
  EXPECT_EQ(SendMessageA(CmdLinePanelCombo(panel), CB_GETCOUNT, 0, 0), 4);
}

TEST_F(CmdLinePanelWindow, EscapeClearsAndErrorsAreShown) {
  Make(CmdBlob(temp.path(), {}));
  jqtest::SeamRecorder seams;
  ASSERT_TRUE(bbtest::TypeInto(Edit(), "half typed"));
  ASSERT_TRUE(bbtest::KeyUntil(Edit(), "Escape", [&] { return GetWindowTextLengthA(Edit()) == 0; },
                               [&] { return bbtest::TextOf(Edit()) == "half typed"; }));
  EXPECT_TRUE(seams.boxes.empty());
  ASSERT_TRUE(TypeLineUntil("rd a b", [&] { return !seams.boxes.empty(); }));
  EXPECT_NE(seams.boxes[0].text.find("rd"), std::string::npos);
}

TEST_F(CmdLinePanelWindow, SizesAndOptions) {
  Make(CmdBlob(temp.path(), {}, 1));
  LRESULT withFolder = SendMessageA(panel, PNM_GETPREFSIZE, 1, 0);
  SendMessageA(panel, WM_COMMAND, 525, 0);  // hide the folder line
  EXPECT_EQ(CmdLinePanelSettings(panel)->showFolder, 0);
  EXPECT_EQ(g_host.changed, 1);
  LRESULT without = SendMessageA(panel, PNM_GETPREFSIZE, 1, 0);
  EXPECT_EQ(LowSigned(withFolder), 50);
  EXPECT_GT(HighSigned(withFolder), HighSigned(without));
  SizeProposal proposal = {120, 30, 400, 40, 1, 28};
  LRESULT reply = SendMessageA(panel, PNM_NEGOTIATESIZE2, 0, reinterpret_cast<LPARAM>(&proposal));
  EXPECT_EQ(LowSigned(reply), 125);
  EXPECT_EQ(HighSigned(reply), 28);
  proposal.currentWidth = 390;
  reply = SendMessageA(panel, PNM_NEGOTIATESIZE2, 0, reinterpret_cast<LPARAM>(&proposal));
  EXPECT_EQ(LowSigned(reply), 200) << "the second pass stops at 200";
  reply = SendMessageA(panel, PNM_NEGOTIATESIZE3, 0, reinterpret_cast<LPARAM>(&proposal));
  EXPECT_EQ(LowSigned(reply), 400);
}

}  // namespace
