#include "multiview.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "panel_messages.h"
#include "resource.h"
#include "sysaccess_test_host.h"

namespace jqbar {
namespace {

// ---- The plane and the blob ---------------------------------------------------------------

TEST(MultiViewPlane, WindowCentresMapToScreens) {
  struct Case {
    int cx, cy, screen;
  } cases[] = {{100, 100, -1},   {10100, 10100, 5}, {6600, 6600, 0},    {8100, 8100, 0},
               {14100, 14100, 15}, {6499, 9000, -1}, {9000, 6400, -1},  {15499, 9000, 3},
               {15500, 9000, 200}, {9000, 15500, 200}, {16000, 100, 200}, {-5000, -5000, -1}};
  for (const Case& c : cases) {
    RECT r{c.cx - 100, c.cy - 50, c.cx + 100, c.cy + 50};
    EXPECT_EQ(ScreenOfRect(r), c.screen) << c.cx << "," << c.cy;
  }
  for (int n = 0; n < kMultiViewScreens; ++n) {
    POINT off = ScreenPlaneOffset(n);
    RECT parked{100 + off.x, 100 + off.y, 300 + off.x, 250 + off.y};
    EXPECT_EQ(ScreenOfRect(parked), n);
  }
}

std::vector<std::uint8_t> CanonicalBlob() {
  MultiViewSettings s;
  s.columns = 4;
  s.rows = 2;
  s.sizeIndex = 2;
  s.follow = 0;
  s.scheme = 2;
  s.longSide = 0;
  s.keys[3] = 'D';
  s.modifiers[3] = 2;
  s.sticky = {{"notepad.exe", "Notepad"}, {"calc.exe", ""}};
  return SaveMultiViewSettings(s);
}

TEST(MultiViewSettingsBlob, CanonicalFormRoundTripsAndDamagedFormsAreRefused) {
  std::vector<std::uint8_t> blob = CanonicalBlob();
  ASSERT_EQ(blob.size(), 316u + 12 + 8 + 9 + 1);
  EXPECT_EQ(jqbartest::GetInt(blob, 0), 4);
  EXPECT_EQ(jqbartest::GetInt(blob, 24 + 12), 'D');
  EXPECT_EQ(jqbartest::GetInt(blob, 88 + 12), 2);
  EXPECT_EQ(jqbartest::GetInt(blob, 152), 2);
  for (std::size_t i = 156; i < 316; ++i) ASSERT_EQ(blob[i], 0) << i;  // name slots carry no addresses
  MultiViewSettings loaded;
  ASSERT_TRUE(LoadMultiViewSettings(blob.data(), blob.size(), loaded));
  EXPECT_EQ(SaveMultiViewSettings(loaded), blob);
  EXPECT_EQ(loaded.sticky[1].displayName, "");

  struct Damage {
    const char* what;
    std::size_t at;  // offset of an i32 to set, or SIZE_MAX to cut the blob
    std::int32_t value;
    std::size_t cut;
  } damages[] = {
      {"short head", SIZE_MAX, 0, 300},
      {"17 cells", 0, 17, 0},
      {"4 x 5", 4, 5, 0},
      {"size index", 8, 4, 0},
      {"scheme", 16, 3, 0},
      {"21 sticky", 152, 21, 0},
      {"negative sticky", 152, -1, 0},
      {"names past the end", SIZE_MAX, 0, 316 + 12 + 3},
  };
  for (const Damage& d : damages) {
    std::vector<std::uint8_t> bad = blob;
    if (d.at == SIZE_MAX) bad.resize(d.cut);
    else jqbartest::PutInt(bad, d.at, d.value);
    MultiViewSettings out;
    out.columns = 7;
    EXPECT_FALSE(LoadMultiViewSettings(bad.data(), bad.size(), out)) << d.what;
    EXPECT_EQ(out.columns, 7) << d.what;
  }
  // Columns and rows of 0 are raised to 1, as the panel always did.
  std::vector<std::uint8_t> zero = blob;
  jqbartest::PutInt(zero, 0, 0);
  jqbartest::PutInt(zero, 4, 0);
  MultiViewSettings raised;
  ASSERT_TRUE(LoadMultiViewSettings(zero.data(), zero.size(), raised));
  EXPECT_EQ(raised.columns, 1);
  EXPECT_EQ(raised.rows, 1);
}

TEST(MultiViewSize, PreferredSizesFollowTheTableAndTheTaskbar) {
  MultiViewSettings s;  // 2 x 1, small, long side along
  SIZE a = MultiViewPreferredSize(s, true, true);
  EXPECT_EQ(a.cx, 45);
  EXPECT_EQ(a.cy, 19);
  SIZE b = MultiViewPreferredSize(s, true, false);
  EXPECT_EQ(b.cx, 2 * 28 + 3);
  EXPECT_EQ(b.cy, 20 + 3);
  SIZE c = MultiViewPreferredSize(s, false, false);
  EXPECT_EQ(c.cx, 28 + 3);
  EXPECT_EQ(c.cy, 2 * 20 + 3);
  s.sizeIndex = 3;  // automatic asks for the small cells
  EXPECT_EQ(MultiViewPreferredSize(s, true, false).cx, b.cx);
  // Negotiation keeps 4:3 cells and whole cells: height 43 given -> 2 columns of 28 + 3.
  LRESULT r = MultiViewNegotiate(s, 10, 10, 500, 500, true, 43);
  EXPECT_EQ(LowSigned(r), 2 * ((int(2 * 43.0 * 1.3333f) - 3) / 2) + 3);
  EXPECT_EQ(HighSigned(r), 43);
  LRESULT tooSmall = MultiViewNegotiate(s, 400, 300, 500, 500, true, 43);
  EXPECT_EQ(LowSigned(tooSmall), 400);
  EXPECT_EQ(HighSigned(tooSmall), 300);
}

// ---- Real windows of a second process -----------------------------------------------------

struct HostWindows {
  explicit HostWindows(int count, int x = 100, int y = 100) {
    std::string command = "\"" + jqbartest::OwnFolder() + "sysaccess_window_host.exe\" " + std::to_string(count) +
                          " " + std::to_string(x) + " " + std::to_string(y);
    process = jqtest::StartProcess(command, &pid);
    jqtest::PumpUntil([&] { return int(Windows().size()) == count; }, 15000);
  }
  ~HostWindows() {
    if (process) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
  }
  struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
  };
  static BOOL CALLBACK AddVisibleWindowOfProcess(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == c->pid && IsWindowVisible(w)) c->found.push_back(w);
    return TRUE;
  }
  std::vector<HWND> Windows() const {
    WindowSearch search{pid, {}};
    EnumWindows(AddVisibleWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HANDLE process = nullptr;
  DWORD pid = 0;
};

POINT TopLeft(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return POINT{r.left, r.top};
}

class MultiViewPanel : public jqbartest::SystemPanelTest {
 protected:
  void SetUp() override {
    SystemPanelTest::SetUp();
    // Only the windows of this test's second process and of this process are moved: other
    // programs on the shared display stay where they are.
    SetMultiViewWindowScope([this](HWND w) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      return (host && owner == host->pid) || owner == GetCurrentProcessId();
    });
  }
  void TearDown() override {
    SystemPanelTest::TearDown();
    GatherAllWindows();
    SetMultiViewWindowScope(nullptr);
    host.reset();
  }
  std::vector<std::uint8_t> Blob(int columns, int rows, int follow = 0,
                                 std::vector<StickyProgram> sticky = {}) {
    MultiViewSettings s;
    s.columns = columns;
    s.rows = rows;
    s.sizeIndex = 1;
    s.follow = follow;
    s.sticky = std::move(sticky);
    return SaveMultiViewSettings(s);
  }
  HWND LoadPanel(std::vector<std::uint8_t> blob) {
    std::string file = temp / "mv.jqc";
    if (!LoadFrameWith(file, {jqbartest::Node("MultiView", std::move(blob))})) return nullptr;
    PanelNode* frame = FrameList();
    return frame && frame->child ? frame->child->window : nullptr;
  }
  std::unique_ptr<HostWindows> host;
};

TEST_F(MultiViewPanel, SwitchingParksAndBringsBackAnotherProcesssWindows) {
  host = std::make_unique<HostWindows>(2);
  ASSERT_EQ(host->Windows().size(), 2u);
  HWND panel = LoadPanel(Blob(4, 1));
  ASSERT_NE(panel, nullptr);
  HWND frame = GetTopFrameWindow(panel);
  POINT framePlace = TopLeft(frame);
  std::vector<HWND> windows = host->Windows();
  POINT before = TopLeft(windows[0]);

  SendMessageA(panel, PNM_HOTKEY, 2, 0);  // to screen 2: screen 0's windows are parked
  EXPECT_EQ(CurrentVirtualScreen(), 2);
  for (HWND w : windows) EXPECT_EQ(GetWindowScreen(w), 0);
  POINT parked = TopLeft(windows[0]);
  EXPECT_EQ(parked.x, before.x + 8000);
  EXPECT_EQ(parked.y, before.y + 8000);
  POINT frameNow = TopLeft(frame);
  EXPECT_EQ(frameNow.x, framePlace.x);  // the toolbar's own frame stays

  SendMessageA(panel, PNM_HOTKEY, 2, 0);  // the current screen: nothing happens
  SendMessageA(panel, PNM_HOTKEY, 16, 0);  // no such screen
  EXPECT_EQ(CurrentVirtualScreen(), 2);

  SendMessageA(panel, PNM_HOTKEY, 0, 0);  // back
  EXPECT_EQ(CurrentVirtualScreen(), 0);
  for (HWND w : windows) EXPECT_EQ(GetWindowScreen(w), kVisibleScreen);
  EXPECT_EQ(TopLeft(windows[0]).x, before.x);
  EXPECT_EQ(TopLeft(windows[0]).y, before.y);
}

TEST_F(MultiViewPanel, TheLastPanelGoingGathersEveryParkedWindow) {
  host = std::make_unique<HostWindows>(2, 150, 120);
  HWND panel = LoadPanel(Blob(2, 2));
  ASSERT_NE(panel, nullptr);
  std::vector<HWND> windows = host->Windows();
  ASSERT_EQ(windows.size(), 2u);
  SendMessageA(panel, PNM_HOTKEY, 3, 0);
  ASSERT_EQ(GetWindowScreen(windows[0]), 0);
  CloseLayout();  // the only MultiView panel is destroyed
  EXPECT_EQ(LiveMultiViewCount(), 0);
  EXPECT_EQ(CurrentVirtualScreen(), 0);
  for (HWND w : windows) {
    EXPECT_EQ(GetWindowScreen(w), kVisibleScreen);
    EXPECT_EQ(TopLeft(w).y % 30, 0);  // 120 or 150: exactly where they were
  }
}

TEST_F(MultiViewPanel, TheSessionEndGathersEveryParkedWindow) {
  host = std::make_unique<HostWindows>(1, 200, 200);
  HWND panel = LoadPanel(Blob(4, 1));
  ASSERT_NE(panel, nullptr);
  HWND w = host->Windows().at(0);
  SendMessageA(panel, PNM_HOTKEY, 1, 0);
  ASSERT_EQ(GetWindowScreen(w), 0);
  // Windows sends the end of the session to the toolbar's top-level windows.
  HWND session = FindWindowA("JQMultiViewSession", nullptr);
  ASSERT_NE(session, nullptr);
  EXPECT_TRUE(SendMessageA(session, WM_QUERYENDSESSION, 0, 0));
  SendMessageA(session, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(GetWindowScreen(w), kVisibleScreen);
  EXPECT_EQ(TopLeft(w).x, 200);
}

TEST_F(MultiViewPanel, StickyProgramsStayOnEveryScreen) {
  host = std::make_unique<HostWindows>(1, 120, 140);
  // Stored with its extension, as lists made by earlier versions are: still the same program.
  HWND panel = LoadPanel(Blob(4, 1, 0, {{"SYSACCESS_WINDOW_HOST.EXE", "Host"}}));
  ASSERT_NE(panel, nullptr);
  HWND sticky = host->Windows().at(0);
  // A window of this process is not sticky and goes.
  HWND mine = CreateWindowExA(0, "STATIC", "Mine", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 120, 90, nullptr,
                              nullptr, nullptr, nullptr);
  SendMessageA(panel, PNM_HOTKEY, 1, 0);
  EXPECT_EQ(GetWindowScreen(sticky), kVisibleScreen);
  EXPECT_EQ(GetWindowScreen(mine), 0);
  SendMessageA(panel, PNM_HOTKEY, 0, 0);
  EXPECT_EQ(GetWindowScreen(mine), kVisibleScreen);
  DestroyWindow(mine);
}

TEST_F(MultiViewPanel, AWindowDraggedToAnotherCellMovesToThatScreen) {
  host = std::make_unique<HostWindows>(1, 300, 200);
  HWND panel = LoadPanel(Blob(4, 1));
  ASSERT_NE(panel, nullptr);
  HWND w = host->Windows().at(0);
  RECT wr;
  GetWindowRect(w, &wr);
  // Cells of the panel's own size: find the outline's centre in cell 0.
  RECT client;
  GetClientRect(panel, &client);
  int cellW = (client.right - 3) / 4 - 4, cellH = (client.bottom - 3) / 1 - 4;
  ASSERT_GT(cellW, 8);
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  POINT press{2 + LONG((long long)cellW * ((wr.left + wr.right) / 2) / cx),
              2 + LONG((long long)cellH * ((wr.top + wr.bottom) / 2) / cy)};
  SendMessageA(panel, WM_TIMER, 0, 0);  // the list is current
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
  ASSERT_EQ(GetCapture(), panel);
  POINT drop{press.x + 2 * (cellW + 4), press.y};  // same place in cell 2
  SendMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(drop.x, drop.y));
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(drop.x, drop.y));
  EXPECT_NE(GetCapture(), panel);
  EXPECT_EQ(GetWindowScreen(w), 2);
  RECT moved;
  GetWindowRect(w, &moved);
  EXPECT_EQ(moved.right - moved.left, wr.right - wr.left);  // size kept
  EXPECT_NEAR(moved.left - 12000, wr.left, cx / cellW + 2);
  EXPECT_EQ(CurrentVirtualScreen(), 0);
  // A click on an outline without moving leaves the window where it is.
  SendMessageA(panel, PNM_HOTKEY, 2, 0);
  ASSERT_EQ(GetWindowScreen(w), kVisibleScreen);
  // Back on the screen, the window is mapped again, and the window manager may place it anew:
  // its place is read once that has happened.
  ASSERT_TRUE(jqbartest::ShowOnScreen(w));
  jqtest::PumpThroughQueue();
  SendMessageA(panel, WM_TIMER, 0, 0);
  GetWindowRect(w, &wr);
  press = POINT{2 + 2 * (cellW + 4) + LONG((long long)cellW * ((wr.left + wr.right) / 2) / cx),
                2 + LONG((long long)cellH * ((wr.top + wr.bottom) / 2) / cy)};
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(press.x, press.y));
  RECT same;
  GetWindowRect(w, &same);
  EXPECT_EQ(same.left, wr.left);
  EXPECT_EQ(same.top, wr.top);
}

TEST_F(MultiViewPanel, ActivatingAParkedWindowFollowsItToItsScreen) {
  host = std::make_unique<HostWindows>(1, 140, 160);
  HWND mine = CreateWindowExA(0, "STATIC", "Mine", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 300, 120, 90, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_TRUE(jqbartest::BringToFront(mine));
  HWND panel = LoadPanel(Blob(4, 1, 1));  // follow activation on
  ASSERT_NE(panel, nullptr);
  HWND w = host->Windows().at(0);
  SendMessageA(panel, PNM_HOTKEY, 3, 0);  // both windows parked on screen 0
  ASSERT_EQ(GetWindowScreen(w), 0);
  // A tick notes our window in front; then the parked window of the other process comes to the
  // front, as from the taskbar. Parked windows leave the X screen, and the window manager's
  // news of the focus they lost may arrive afterwards and put another window in front before a
  // tick saw the other process's window: then both steps are taken again.
  auto activate = [&] {
    SetForegroundWindow(mine);
    SendMessageA(panel, WM_TIMER, 0, 0);
    SetForegroundWindow(w);
  };
  activate();
  jqtest::PumpUntil([&] {
    SendMessageA(panel, WM_TIMER, 0, 0);
    if (CurrentVirtualScreen() == 0) return true;
    HWND front = GetForegroundWindow();
    if (front && front != w) activate();
    return false;
  }, 10000);
  EXPECT_EQ(CurrentVirtualScreen(), 0);
  EXPECT_EQ(GetWindowScreen(w), kVisibleScreen);
  DestroyWindow(mine);
}

TEST_F(MultiViewPanel, SettingsComeBackWithTheSharedHotKeysAndStickyList) {
  HWND panel = LoadPanel(CanonicalBlob());
  ASSERT_NE(panel, nullptr);
  void* data = nullptr;
  LRESULT size = SendMessageA(panel, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data));
  ASSERT_GT(size, 316);
  std::vector<std::uint8_t> back(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  MultiViewSettings s;
  ASSERT_TRUE(LoadMultiViewSettings(back.data(), back.size(), s));
  EXPECT_EQ(s.sticky.size(), 2u);
  EXPECT_EQ(s.sticky[0].exeName, "notepad.exe");
  EXPECT_EQ(s.keys[3], 'D');  // the container took the hot key
  EXPECT_EQ(s.scheme, 2);
  EXPECT_EQ(s.columns * s.rows, 8);
}

// Screenshot of the grid in a frame (run by hand with JQ_SYSACCESS_SHOTS=<folder>).
TEST_F(MultiViewPanel, Screenshot) {
  char folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("JQ_SYSACCESS_SHOTS", folder, MAX_PATH)) GTEST_SKIP();
  host = std::make_unique<HostWindows>(3, 60, 260);
  MultiViewSettings s;
  s.columns = 4;
  s.rows = 2;
  s.sizeIndex = 0;
  s.follow = 0;
  s.scheme = 1;
  ASSERT_TRUE(LoadFrameWith(temp / "shot.jqc", {jqbartest::Node("MultiView", SaveMultiViewSettings(s))}, 40, 40, 0,
                            LoadResString(IDS_MV_TYPE)));
  HWND panel = FrameList()->child->window;
  SendMessageA(panel, PNM_HOTKEY, 5, 0);
  HWND mine = CreateWindowExA(0, "STATIC", "Screen 6 window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 300, 300, 200,
                              nullptr, nullptr, nullptr, nullptr);
  SendMessageA(panel, PNM_HOTKEY, 0, 0);
  SendMessageA(panel, WM_TIMER, 0, 0);
  HWND frame = GetTopFrameWindow(panel);
  SetWindowPos(frame, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  jqtest::PumpUntil([] { return false; }, 1000);
  char locale[32] = "zh_TW";
  GetEnvironmentVariableA("JQ_TEST_LOCALE", locale, sizeof locale);
  std::string shot = std::string(folder) + "/multiview_" + std::string(locale).substr(0, 5) + ".png";
  std::string command = "/bin/sh -c \"import -window root '" + shot + "'\"";
  HANDLE p = jqtest::StartProcess(command);
  if (p) jqtest::WaitProcess(p, 30000);
  DestroyWindow(mine);
}

}  // namespace
}  // namespace jqbar

namespace jqbar {
namespace {

// ---- The property sheet -------------------------------------------------------------------

class MultiViewSheet : public MultiViewPanel {
 protected:
  HWND OpenSheet(HWND panel) {
    owner = CreateWindowExA(0, "STATIC", "Configuration", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 100, 520, 420,
                            nullptr, nullptr, nullptr, nullptr);
    return reinterpret_cast<HWND>(SendMessageA(panel, PNM_CREATEPAGE, WPARAM(owner), MAKELPARAM(10, 10)));
  }
  void TearDown() override {
    if (owner) DestroyWindow(owner);
    MultiViewPanel::TearDown();
  }
  static HWND Page(HWND sheet, int controlId) {
    for (HWND page = GetWindow(sheet, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
      if (GetDlgItem(page, controlId)) return page;
    return nullptr;
  }
  static void ClickSpin(HWND spin, bool up) {
    RECT r;
    GetClientRect(spin, &r);
    LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin, WM_LBUTTONUP, 0, at);
  }
  MultiViewSettings Current(HWND panel) {
    void* data = nullptr;
    LRESULT size = SendMessageA(panel, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data));
    MultiViewSettings s;
    LoadMultiViewSettings(static_cast<std::uint8_t*>(data), std::size_t(size), s);
    return s;
  }
  HWND owner = nullptr;
};

TEST_F(MultiViewSheet, TheArrowsRefuseMoreThanSixteenScreensAndApplyTakesThePage) {
  HWND panel = LoadPanel(Blob(4, 4));
  ASSERT_NE(panel, nullptr);
  HWND sheet = OpenSheet(panel);
  ASSERT_NE(sheet, nullptr);
  HWND general = Page(sheet, IDC_MV_COLUMNS);
  ASSERT_NE(general, nullptr);
  EXPECT_EQ(GetDlgItemInt(general, IDC_MV_COLUMNS, nullptr, FALSE), 4u);
  ClickSpin(GetDlgItem(general, IDC_MV_COLUMNS_SPIN), true);  // 5 x 4: refused
  EXPECT_EQ(GetDlgItemInt(general, IDC_MV_COLUMNS, nullptr, FALSE), 4u);
  ClickSpin(GetDlgItem(general, IDC_MV_ROWS_SPIN), false);  // 4 x 3
  ClickSpin(GetDlgItem(general, IDC_MV_COLUMNS_SPIN), true);  // 5 x 3
  EXPECT_EQ(GetDlgItemInt(general, IDC_MV_COLUMNS, nullptr, FALSE), 5u);
  EXPECT_EQ(GetDlgItemInt(general, IDC_MV_ROWS, nullptr, FALSE), 3u);
  SendDlgItemMessageA(general, IDC_MV_COLOUR, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(general, IDC_MV_SIZE, CB_SETCURSEL, 2, 0);
  CheckDlgButton(general, IDC_MV_FOLLOW, BST_CHECKED);
  SendMessageA(sheet, WM_COMMAND, IDM_SHEET_APPLY, 0);
  MultiViewSettings s = Current(panel);
  EXPECT_EQ(s.columns * s.rows, 15);
  EXPECT_EQ(s.scheme, 0);
  EXPECT_EQ(s.sizeIndex, 2);
  EXPECT_EQ(s.follow, 1);
  // The context menu's colour reaches the open sheet.
  SendMessageA(panel, WM_COMMAND, IDM_MV_GREEN, 0);
  EXPECT_EQ(SendDlgItemMessageA(general, IDC_MV_COLOUR, CB_GETCURSEL, 0, 0), 2);
}

TEST_F(MultiViewSheet, AKeyWithoutModifiersBecomesControlAndReachesTheContainer) {
  HWND panel = LoadPanel(Blob(2, 1));
  ASSERT_NE(panel, nullptr);
  HWND sheet = OpenSheet(panel);
  HWND hotkeys = Page(sheet, IDC_MV_HOTKEY_FIRST);
  ASSERT_NE(hotkeys, nullptr);
  HWND control = GetDlgItem(hotkeys, IDC_MV_HOTKEY_FIRST + 1);
  EnableWindow(control, TRUE);
  SendMessageA(control, WM_KEYDOWN, 'K', 0);
  SendMessageA(control, WM_KEYUP, 'K', 0xC0000000);
  WORD pair = WORD(SendMessageA(control, HKM_GETHOTKEY, 0, 0));
  EXPECT_EQ(LOBYTE(pair), 'K');
  EXPECT_EQ(HIBYTE(pair), HOTKEYF_CONTROL);
  SendMessageA(sheet, WM_COMMAND, IDM_SHEET_APPLY, 0);
  MultiViewSettings s = Current(panel);
  EXPECT_EQ(s.keys[1], 'K');
  EXPECT_EQ(s.modifiers[1], 2);
  // The container now owns the key: a second panel's request for it is refused there.
  HotKeyEntry clash{owner, 'K', 2, 9};
  EXPECT_EQ(SendMessageA(GetParent(panel), PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&clash)), 0);
}

TEST_F(MultiViewSheet, StickyProgramsAreAddedFromRunningWindowsAndRemovedAtOnce) {
  host = std::make_unique<HostWindows>(1, 100, 100);
  HWND panel = LoadPanel(Blob(2, 1, 0, {{"calc.exe", "Calculator"}}));
  ASSERT_NE(panel, nullptr);
  HWND sheet = OpenSheet(panel);
  HWND sticky = Page(sheet, IDC_MV_STICKY_LIST);
  ASSERT_NE(sticky, nullptr);
  EXPECT_EQ(SendDlgItemMessageA(sticky, IDC_MV_STICKY_LIST, LB_GETCOUNT, 0, 0), 1);
  std::vector<std::string> offered;
  jqtest::DialogDriver driver({[&](HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_MV_CHOOSE_LIST);
    if (!list) return false;
    int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char text[128] = {};
      SendMessageA(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      offered.push_back(text);
      if (std::string(text) == "Host window 1") SendMessageA(list, LB_SETCURSEL, WPARAM(i), 0);
    }
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }});
  EnableWindow(GetDlgItem(sticky, IDC_MV_STICKY_ADD), TRUE);
  SendMessageA(sticky, WM_COMMAND, IDC_MV_STICKY_ADD, 0);
  EXPECT_TRUE(driver.Finished());
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Host window 1"), offered.end());
  ASSERT_EQ(SharedStickyPrograms().size(), 2u);
  EXPECT_EQ(SharedStickyPrograms()[1].displayName, "Host window 1");
  // The process's executable name as the process-name lookup gives it on Windows NT.
  EXPECT_EQ(lstrcmpiA(SharedStickyPrograms()[1].exeName.c_str(), "sysaccess_window_host"), 0);
  // Remove works before Apply: the first entry goes from the shared list at once.
  SendDlgItemMessageA(sticky, IDC_MV_STICKY_LIST, LB_SETCURSEL, 0, 0);
  SendMessageA(sticky, WM_COMMAND, IDC_MV_STICKY_REMOVE, 0);
  ASSERT_EQ(SharedStickyPrograms().size(), 1u);
  EXPECT_EQ(SharedStickyPrograms()[0].displayName, "Host window 1");
  // And the switch honours it: the host's window stays.
  SendMessageA(panel, PNM_HOTKEY, 1, 0);
  EXPECT_EQ(GetWindowScreen(host->Windows().at(0)), kVisibleScreen);
  SendMessageA(panel, PNM_HOTKEY, 0, 0);
}

}  // namespace
}  // namespace jqbar
