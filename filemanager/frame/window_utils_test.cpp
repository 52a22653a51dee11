// Window utilities: centring with its clamps, restoring a saved window onto a screen, help,
// device changes, and the mouse wheel over the panes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <cstdlib>
#include <cstring>
#include "command_handlers.h"
#include "frame_test_host.h"
#include "startup_settings.h"
#include "pane_refresh.h"
#include "window_utils.h"
#include "command_ids.h"

using namespace frametest;

TEST(WindowUtils, CenterPositionStaysOnTheScreen) {
  SIZE screen = {1024, 768};
  struct { SIZE window; RECT reference; POINT at; } cases[] = {
      {{200, 100}, {100, 100, 500, 400}, {200, 200}},
      {{200, 100}, {-300, 10, -100, 110}, {0, 10}},       // left of the screen
      {{200, 100}, {900, 700, ID_HELP_ABOUT, 800}, {824, 668}},    // beyond the right and bottom
      {{1500, 900}, {0, 0, 800, 600}, {0, 0}},            // larger than the screen
      {{201, 101}, {0, 0, 400, 300}, {99, 99}},           // halves truncate towards zero
  };
  for (const auto& c : cases) {
    POINT p = CenterPosition(c.window, c.reference, screen);
    EXPECT_EQ(p.x, c.at.x);
    EXPECT_EQ(p.y, c.at.y);
  }
  HWND reference = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr,
                                   nullptr, nullptr);
  HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                nullptr, nullptr);
  CenterWindowOver(dialog, reference);
  RECT r;
  GetWindowRect(dialog, &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 200);
  DestroyWindow(dialog);
  DestroyWindow(reference);
}

TEST(WindowUtils, SavedWindowComesBackOnAScreen) {
  SIZE screen = {1280, 1024};
  RECT work[] = {{0, 0, 1280, 994}};
  struct { RECT saved; bool usable; RECT placed; } cases[] = {
      {{100, 50, 900, 650}, true, {100, 50, 900, 650}},
      {{1250, 1000, 1850, 1400}, true, {680, 594, 1280, 994}},  // corner beyond 95 %: moved to 5,5 then kept whole
      {{3000, 100, 3800, 700}, true, {480, 100, 1280, 700}},    // on a monitor that is gone
      {{-2000, -900, -1200, -300}, true, {0, 0, 800, 600}},
      {{10, 10, 3000, 3000}, true, {10, 10, 3000, 3000}},       // larger, but its caption shows
      {{100, 100, 100, 300}, false, {}},
  };
  for (const auto& c : cases) {
    RECT r = c.saved;
    bool usable = PlaceRestoredRect(&r, screen, work, 1);
    EXPECT_EQ(usable, c.usable) << c.saved.left;
    if (!c.usable) continue;
    RECT visible;
    EXPECT_TRUE(IntersectRect(&visible, &r, &work[0])) << c.saved.left;
    if (c.saved.left == 1250) {
      EXPECT_EQ(r.left, 5);
      EXPECT_EQ(r.top, 5);
      continue;
    }
    EXPECT_EQ(r.left, c.placed.left) << c.saved.left;
    EXPECT_EQ(r.top, c.placed.top) << c.saved.left;
    EXPECT_EQ(r.right, c.placed.right) << c.saved.left;
    EXPECT_EQ(r.bottom, c.placed.bottom) << c.saved.left;
  }
}

TEST(WindowUtils, HelpOpensContentsAndTopicsAndQuitsOnlyWhenOpened) {
  jqtest::SeamRecorder rec;
  ForgetHelpOpened();
  QuitHelp(nullptr);
  EXPECT_TRUE(rec.helpCalls.empty()) << "never opened: nothing to quit";
  ShowHelpTopic(nullptr, 0);
  ShowHelpTopic(nullptr, 125);
  QuitHelp(nullptr);
  ASSERT_EQ(rec.helpCalls.size(), 3u);
  EXPECT_NE(rec.helpCalls[0].find("\\Quorvnel.hlp#" + std::to_string(HELP_CONTENTS)), std::string::npos)
      << rec.helpCalls[0];
  EXPECT_NE(rec.helpCalls[1].find("#" + std::to_string(HELP_CONTEXT)), std::string::npos);
  EXPECT_NE(rec.helpCalls[2].find("#" + std::to_string(HELP_QUIT)), std::string::npos);
  ForgetHelpOpened();
}

TEST(WindowUtils, DeviceEventsRefreshOnceASecondEachAndPortsNothing) {
  MainWindowHost host;
  UINT before = g_refreshViewCount;
  DEV_BROADCAST_PORT_A port{};
  port.dbcp_size = sizeof port;
  port.dbcp_devicetype = DBT_DEVTYP_PORT;
  SendMessageA(host.window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 0;  // no drive named: no shell notice, still a refresh
  SendMessageA(host.window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
  SendMessageA(host.window, WM_DEVICECHANGE, DBT_CONFIGCHANGED, 0);
  // A mark due a third of a second from now comes before the refreshes, however late it is seen.
  UINT atMark = 0;
  EXPECT_TRUE(jqtest::PumpThroughQueue(300, [&] { atMark = g_refreshViewCount; }));
  EXPECT_EQ(atMark, before) << "the refresh waits a second";
  EXPECT_TRUE(jqtest::PumpUntil([&] { return g_refreshViewCount >= before + 2; }, 5000));
  // Every refresh timer was due with these two: a mark due now comes after any third.
  EXPECT_TRUE(jqtest::PumpThroughQueue(0, [&] { atMark = g_refreshViewCount; }));
  EXPECT_EQ(atMark, before + 2) << "two events, two refreshes; the port none";
}

TEST(WindowUtils, WheelScrollsTheListUnderTheCursor) {
  jqtest::TempFolder folder;
  for (int i = 0; i < 400; ++i) folder.WriteFile("file number " + std::to_string(1000 + i) + ".txt", "x");
  MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder.path()));
  HWND list = FilePanes[0].list;
  ASSERT_TRUE(jqtest::PumpUntil([&] { return ListView_GetItemCount(list) >= 400; }));
  host.Command(ID_VIEW_DETAILS);
  ASSERT_EQ(FilePanes[0].viewId, static_cast<UINT>(kViewDetails));
  // The wheel goes to the window under the cursor: each turn of the wheel is given at a point of
  // the list that is ours at that moment (the window in front, whole on the screen).
  SetWindowPos(host.window, nullptr, 40, 40, 600, 440, SWP_NOZORDER);
  ASSERT_TRUE(jqtest::BringToFront(host.window));
  auto overList = [&] {
    LPARAM over = 0;
    jqtest::PumpUntil([&] {
      RECT r;
      GetWindowRect(list, &r);
      for (int y = 1; y < 8 && !over; ++y)
        for (int x = 1; x < 8 && !over; ++x) {
          POINT p = {r.left + (r.right - r.left) * x / 8, r.top + (r.bottom - r.top) * y / 8};
          if (WindowFromPoint(p) == list) over = MAKELPARAM(p.x, p.y);
        }
      // Covered all over (a larger window of another program): ours is brought up again.
      if (!over) SetWindowPos(host.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return over != 0;
    }, 20000);
    EXPECT_NE(over, 0) << "some point of the list is ours";
    return over;
  };
  UINT lines = GetWheelScrollLines();
  ASSERT_GT(lines, 0u);
  int top = ListView_GetTopIndex(list);
  HandleMouseWheel(host.window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), overList());
  EXPECT_EQ(ListView_GetTopIndex(list), top + 2 * static_cast<int>(lines));
  HandleMouseWheel(host.window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), overList());
  EXPECT_EQ(ListView_GetTopIndex(list), top + static_cast<int>(lines));

  host.Command(ID_VIEW_LIST);  // list view scrolls sideways by the delta in pixels (whole columns)
  int before = GetScrollPos(list, SB_HORZ);
  HandleMouseWheel(host.window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-480)), overList());
  EXPECT_GT(GetScrollPos(list, SB_HORZ), before);

  // Ctrl + wheel with no history goes nowhere.
  HandleMouseWheel(host.window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), overList());
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, host.window, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
}
