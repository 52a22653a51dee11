#include "system_actions.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resolution_dialog.h"
#include "resource.h"
#include "sysaccess_test_host.h"

namespace jqbar {
namespace {

// ---- Options and the order of the items --------------------------------------------------

TEST(SystemAccessOptions, ItemsFollowTheOptionsAndTheSystem) {
  struct Case {
    SystemAccessOptions options;
    bool nt;
    std::vector<int> ids;
  };
  SystemAccessOptions printOnly;
  printOnly.flags = 2;
  SystemAccessOptions shutdownAndPrint = printOnly;
  shutdownAndPrint.shutdown = 1;
  SystemAccessOptions everything;
  everything.shutdown = everything.restart = everything.dosMode = everything.logon = everything.resolution = 1;
  everything.flags = 7;
  const Case cases[] = {
      {printOnly, true, {IDM_SA_PRINTSCREEN}},
      {shutdownAndPrint, false, {IDM_SA_SHUTDOWN, IDM_SA_PRINTSCREEN}},
      {everything, true,
       {IDM_SA_SHUTDOWN, IDM_SA_RESTART, IDM_SA_LOGON, IDM_SA_RESOLUTION, IDM_SA_PRINTSCREEN, IDM_SA_SCREENSAVER}},
      {everything, false,
       {IDM_SA_SHUTDOWN, IDM_SA_RESTART, IDM_SA_DOSMODE, IDM_SA_LOGON, IDM_SA_RESOLUTION, IDM_SA_RESTARTWINDOWS,
        IDM_SA_PRINTSCREEN, IDM_SA_SCREENSAVER}},
  };
  for (const Case& c : cases) {
    std::vector<int> ids = CommandsFromOptions(c.options, c.nt);
    EXPECT_EQ(ids, c.ids);
    // The options read back from the items are the ones asked for (less what the system refused).
    SystemAccessOptions back = OptionsFromItems(ids, 1);
    EXPECT_EQ(back.shutdown, c.options.shutdown);
    EXPECT_EQ(back.flags & 6, c.options.flags & 6);
    EXPECT_EQ(back.confirm, 1);
  }
}

TEST(SystemAccessOptions, NewItemsGoAfterTheLeadingRunOfHigherIds) {
  struct Case {
    std::vector<int> before;
    int id;
    bool nt;
    int position;
    std::vector<int> after;
  };
  const Case cases[] = {
      {{}, 560, true, 0, {560}},
      {{590, 573, 560}, 565, true, 2, {590, 573, 565, 560}},
      {{560, 565}, 573, true, 0, {573, 560, 565}},
      {{590, 573}, 560, true, 2, {590, 573, 560}},
      {{573, 560}, 573, true, -1, {573, 560}},  // present already
      {{573}, 562, true, -1, {573}},            // restart Windows: not on NT
      {{573}, 563, false, 1, {573, 563}},
      {{573}, 999, false, -1, {573}},           // not an action
  };
  for (const Case& c : cases) {
    std::vector<int> ids = c.before;
    EXPECT_EQ(InsertActionCommand(ids, c.id, c.nt), c.position) << c.id;
    EXPECT_EQ(ids, c.after) << c.id;
  }
}

TEST(SystemAccessOptions, HeadFieldsSitAtTheirOffsets) {
  std::vector<std::uint8_t> head(kButtonBarHeadSize, 0xEE);
  SystemAccessOptions o;
  o.shutdown = 1;
  o.logon = 1;
  o.flags = 6;
  o.confirm = 1;
  WriteOptionsToHead(o, head.data(), head.size());
  EXPECT_EQ(jqbartest::GetInt(head, 324), 1);
  EXPECT_EQ(jqbartest::GetInt(head, 328), 0);
  EXPECT_EQ(jqbartest::GetInt(head, 332), 6);
  EXPECT_EQ(jqbartest::GetInt(head, 340), 1);
  EXPECT_EQ(head[354], 1);
  EXPECT_EQ(head[355], 0);
  EXPECT_EQ(head[352], 0xEE);  // the forward-arrow field is not the options'
  SystemAccessOptions back = ReadOptionsFromHead(head.data(), head.size());
  EXPECT_EQ(back.shutdown, 1);
  EXPECT_EQ(back.flags, 6);
  EXPECT_EQ(back.confirm, 1);
  EXPECT_EQ(ReadOptionsFromHead(head.data(), 355).shutdown, 0);  // a short head holds none
}

// ---- The shut-down family: the recording helpers beside the test program --------------------

using ShutdownActions = jqbartest::ShutdownHelperTest;

TEST_F(ShutdownActions, EachHelperStartsWithItsLetterAfterTheLayoutIsSaved) {
  std::string layout = temp / "bar.jqc";
  ASSERT_TRUE(LoadFrameWith(layout, {}));
  SetEnvironmentVariableA("JQ_SHUTDOWN_LAYOUT", layout.c_str());
  HWND bar = FrameList()->window;
  struct Case {
    int action;
    const char* line;  // program|arguments
  };
  const Case cases[] = {{0, "RIROVU.EXE|s|"}, {1, "RIROVU.EXE|b|"}, {4, "RIROVU.EXE|l|"}, {2, "ZAZORUV.EXE|r|"}};
  std::size_t n = 0;
  for (const Case& c : cases) {
    // The layout is gone before each action: only the action's own save can bring it back
    // before the helper looks.
    ASSERT_TRUE(DeleteFileA(layout.c_str()));
    RunSystemAction(c.action, 10, 10, bar, false);
    std::vector<std::string> lines = Lines(++n);
    ASSERT_EQ(lines.size(), n) << c.line;
    const std::string& line = lines.back();
    EXPECT_EQ(line.substr(0, line.rfind('|') + 1), c.line);
    EXPECT_GT(std::stoll(line.substr(line.rfind('|') + 1)), 56) << "layout not written first: " << line;
  }
  EXPECT_TRUE(boxes.empty());
  // The recent list went to the registry as well.
  char value[MAX_PATH] = {};
  DWORD size = sizeof value;
  EXPECT_EQ(RegGetValueA(registry.user(), kToolbarKeyPath, "History1", RRF_RT_REG_SZ, nullptr, value, &size),
            ERROR_SUCCESS);
  EXPECT_NE(std::string(value).find("bar.jqc"), std::string::npos);
}

TEST_F(ShutdownActions, ConfirmAsksFirstAndNoStartsNothing) {
  std::string layout = temp / "bar.jqc";
  ASSERT_TRUE(LoadFrameWith(layout, {}));
  HWND bar = FrameList()->window;
  answers = {IDNO, IDYES};
  RunSystemAction(0, 10, 10, bar, true);  // No: nothing starts
  RunSystemAction(1, 10, 10, bar, true);  // Yes: restart
  std::vector<std::string> lines = Lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 13), "RIROVU.EXE|b|");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], std::string(LoadResString(IDS_SA_CAPTION)) + "|" + LoadResString(IDS_SA_ASK_SHUTDOWN));
  EXPECT_EQ(boxes[1], std::string(LoadResString(IDS_SA_CAPTION)) + "|" + LoadResString(IDS_SA_ASK_RESTART));
  // The refused shut-down started no helper: only the restart's did.
  EXPECT_EQ(started.size(), 1u);
}

TEST_F(ShutdownActions, ALayoutThatCannotBeSavedIsSaidBeforeTheHelperStarts) {
  std::string layout = temp / "bar.jqc";
  ASSERT_TRUE(LoadFrameWith(layout, {}));
  HWND bar = FrameList()->window;
  // The current layout now lives in a folder that is gone.
  std::string lost = temp / "gone\\bar.jqc";
  RecentLayouts().Add(lost);
  RunSystemAction(0, 10, 10, bar, false);
  std::vector<std::string> lines = Lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 13), "RIROVU.EXE|s|");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], std::string(LoadResString(IDS_LAYOUT_SAVE_CAPTION)) + "|" + lost +
                          LoadResString(IDS_LAYOUT_SAVE_FAILED));
}

// ---- Screen resolution: dialog 623 and the 15-second confirmation 658 ----------------------

struct FakeDisplay {
  std::vector<DEVMODEA> modes;
  DEVMODEA current{};
  std::vector<DEVMODEA> changes;
  LONG result = DISP_CHANGE_SUCCESSFUL;
  int reboots = 0;
};
FakeDisplay* g_display;

DEVMODEA Mode(DWORD w, DWORD h, DWORD bits, DWORD hz) {
  DEVMODEA m{};
  m.dmSize = sizeof m;
  m.dmPelsWidth = w;
  m.dmPelsHeight = h;
  m.dmBitsPerPel = bits;
  m.dmDisplayFrequency = hz;
  m.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
  return m;
}

class ScreenResolution : public jqbartest::SystemPanelTest {
 protected:
  void SetUp() override {
    SystemPanelTest::SetUp();
    HDC screen = GetDC(nullptr);
    depth = DWORD(GetDeviceCaps(screen, BITSPIXEL));
    ReleaseDC(nullptr, screen);
    width = GetSystemMetrics(SM_CXSCREEN);
    // The screen runs a mode that is not in the list: its own width and an odd refresh rate.
    display.current = Mode(DWORD(width), DWORD(GetSystemMetrics(SM_CYSCREEN)), depth, 67);
    display.modes = {Mode(640, 480, depth, 60),  Mode(640, 480, 8, 60),      Mode(800, 600, depth, 60),
                     Mode(1024, 768, depth, 60), Mode(1024, 768, depth, 75), Mode(1152, 864, depth, 60),
                     Mode(1280, 1024, depth, 60)};
    g_display = &display;
    DisplayModeCalls calls;
    calls.enumSettings = [](DWORD i, DEVMODEA* m) -> BOOL {
      if (i == ENUM_CURRENT_SETTINGS) {
        *m = g_display->current;
        return TRUE;
      }
      if (i >= g_display->modes.size()) return FALSE;
      *m = g_display->modes[i];
      return TRUE;
    };
    calls.changeSettings = [](DEVMODEA* m, DWORD) -> LONG {
      g_display->changes.push_back(*m);
      return g_display->result;
    };
    calls.exitWindows = [](UINT) -> BOOL {
      ++g_display->reboots;
      return TRUE;
    };
    SetDisplayModeCalls(calls);
  }
  void TearDown() override {
    if (DisplayModeConfirmWindow()) DestroyWindow(DisplayModeConfirmWindow());
    SetDisplayModeCalls(DisplayModeCalls{});
    SystemPanelTest::TearDown();
  }
  // Opens dialog 623, moves the trackbar to `entry`, reads the label, presses OK.
  std::string ChooseEntry(int entry) {
    std::string label;
    int rangeMax = -1;
    jqtest::DialogDriver driver({[&](HWND dialog) {
                                   HWND bar = GetDlgItem(dialog, IDC_SA_RES_TRACKBAR);
                                   rangeMax = int(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0));
                                   SendMessageA(bar, TBM_SETPOS, TRUE, entry);
                                   SendMessageA(dialog, WM_HSCROLL, TB_THUMBPOSITION, LPARAM(bar));
                                   char text[64] = {};
                                   GetDlgItemTextA(dialog, IDC_SA_RES_LABEL, text, sizeof text);
                                   label = text;
                                   return true;
                                 },
                                 [](HWND dialog) {
                                   SendMessageA(dialog, WM_COMMAND, IDOK, 0);
                                   return true;
                                 }});
    ShowScreenResolutionDialog(nullptr, POINT{100, 400});
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(rangeMax, 3);  // 640, 800, 1024 (60 Hz), 1280
    return label;
  }
  DWORD depth = 32;
  int width = 0;
  FakeDisplay display;
  jqtest::SeamRecorder seams;
};

TEST(ScreenResolutionList, NearestWidthIsTakenAsCurrent) {
  std::vector<DEVMODEA> modes = {Mode(640, 480, 32, 60), Mode(800, 600, 32, 60), Mode(1024, 768, 32, 60),
                                 Mode(1280, 1024, 32, 60)};
  struct Case {
    int screen;
    int index;
  } cases[] = {{640, 0}, {1024, 2}, {1152, 2}, {1153, 3}, {2200, 3}, {2280, -1}, {100, 0}};
  for (const Case& c : cases) EXPECT_EQ(NearestModeIndex(modes, c.screen), c.index) << c.screen;
  EXPECT_EQ(NearestModeIndex({}, 1024), -1);
  EXPECT_EQ(ResolutionLabelId(1152), UINT(IDS_SA_RES_640));
}

TEST_F(ScreenResolution, NoPutsBackTheExactModeTheScreenHadBefore) {
  std::string label = ChooseEntry(1);
  EXPECT_EQ(label, LoadResString(IDS_SA_RES_800));
  ASSERT_EQ(seams.boxes.size(), 1u);  // the warning before the change
  EXPECT_EQ(seams.boxes[0].text, LoadResString(IDS_SA_RES_WARNING));
  ASSERT_EQ(display.changes.size(), 1u);
  EXPECT_EQ(display.changes[0].dmPelsWidth, 800u);
  HWND confirm = DisplayModeConfirmWindow();
  ASSERT_NE(confirm, nullptr);
  EXPECT_EQ(GetFocus(), GetDlgItem(confirm, IDCANCEL));
  SendMessageA(confirm, WM_COMMAND, IDCANCEL, 0);
  ASSERT_EQ(display.changes.size(), 2u);
  const DEVMODEA& back = display.changes[1];
  EXPECT_EQ(back.dmPelsWidth, DWORD(width));
  EXPECT_EQ(back.dmDisplayFrequency, 67u);
  EXPECT_EQ(back.dmBitsPerPel, depth);
  EXPECT_FALSE(IsWindow(confirm));
  EXPECT_EQ(DisplayModeConfirmWindow(), nullptr);
  ASSERT_EQ(seams.boxes.size(), 2u);
  EXPECT_EQ(seams.boxes[1].text, LoadResString(IDS_SA_RES_RESTORED));
}

TEST_F(ScreenResolution, TheTimerRestoresAndYesKeeps) {
  ChooseEntry(width == 640 ? 3 : 0);
  HWND confirm = DisplayModeConfirmWindow();
  ASSERT_NE(confirm, nullptr);
  SendMessageA(confirm, WM_TIMER, IDT_SA_CONFIRMMODE, 0);  // 15 seconds without an answer
  ASSERT_EQ(display.changes.size(), 2u);
  EXPECT_EQ(display.changes[1].dmDisplayFrequency, 67u);
  EXPECT_FALSE(IsWindow(confirm));

  ChooseEntry(width == 640 ? 3 : 0);
  confirm = DisplayModeConfirmWindow();
  ASSERT_NE(confirm, nullptr);
  SendMessageA(confirm, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(display.changes.size(), 3u);  // kept: no restore
  EXPECT_FALSE(IsWindow(confirm));
}

TEST_F(ScreenResolution, FailedAndRestartResultsAreSaidAndNothingIsRestored) {
  struct Case {
    LONG result;
    int answer;
    UINT box;
    int reboots;
  } cases[] = {{DISP_CHANGE_FAILED, IDOK, IDS_SA_RES_FAILED, 0},
               {DISP_CHANGE_BADMODE, IDOK, IDS_SA_RES_FAILED, 0},
               {DISP_CHANGE_RESTART, IDNO, IDS_SA_RES_RESTART, 0},
               {DISP_CHANGE_RESTART, IDYES, IDS_SA_RES_RESTART, 1}};
  for (const Case& c : cases) {
    display = FakeDisplay{display.modes, display.current, {}, c.result, 0};
    seams.boxes.clear();
    seams.boxAnswers = {IDOK, c.answer};
    ChooseEntry(width == 640 ? 3 : 0);
    EXPECT_EQ(DisplayModeConfirmWindow(), nullptr);
    EXPECT_EQ(display.changes.size(), 1u);
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].text, LoadResString(c.box));
    EXPECT_EQ(display.reboots, c.reboots);
  }
}

TEST_F(ScreenResolution, TheCurrentEntryOrACancelledWarningChangesNothing) {
  int current = NearestModeIndex(ListDisplayModes(depth), width);
  if (current >= 0) {
    ChooseEntry(current);
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_TRUE(display.changes.empty());
  }
  seams.boxAnswers = {IDCANCEL};
  jqtest::DialogDriver driver({[&](HWND dialog) {
                                 SendDlgItemMessageA(dialog, IDC_SA_RES_TRACKBAR, TBM_SETPOS, TRUE,
                                                     current == 1 ? 2 : 1);
                                 SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // warning: Cancel
                                 return true;
                               },
                               [](HWND dialog) {
                                 SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                                 return true;
                               }});
  EXPECT_EQ(ShowScreenResolutionDialog(nullptr, POINT{0, 0}), 1);
  EXPECT_TRUE(display.changes.empty());
}

}  // namespace
}  // namespace jqbar
