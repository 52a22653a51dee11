#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "clock_panel.h"
#include "le_bytes.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_clockmon.h"
#include "seams.h"
#include "test_support.h"

using namespace jqbar;

namespace {

std::vector<std::pair<UINT, WPARAM>> g_parentMessages;

LRESULT CALLBACK ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == PNM_CHANGED || msg == PNM_OPENCONFIG) g_parentMessages.push_back({msg, wp});
  return DefWindowProcA(w, msg, wp, lp);
}

SYSTEMTIME g_now{};

void WriteZone(HKEY zones, const char* name, const char* display, std::int32_t bias, bool daylight) {
  ZoneRules r;
  r.bias = bias;
  if (daylight) {  // the European rule: last Sunday of March 01:00 UTC to last Sunday of October
    r.daylightBias = -60;
    r.daylightDate.wMonth = 3;
    r.daylightDate.wDay = 5;
    r.daylightDate.wHour = 2;
    r.standardDate.wMonth = 10;
    r.standardDate.wDay = 5;
    r.standardDate.wHour = 3;
  }
  std::uint8_t tzi[44];
  WriteZoneRules(r, tzi);
  HKEY z = nullptr;
  RegCreateKeyExA(zones, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &z, nullptr);
  RegSetValueExA(z, "Display", 0, REG_SZ, reinterpret_cast<const BYTE*>(display), DWORD(strlen(display) + 1));
  RegSetValueExA(z, "TZI", 0, REG_BINARY, tzi, 44);
  RegCloseKey(z);
}

class ClockWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    HKEY zones = nullptr;
    RegCreateKeyExA(registry_.machine(), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones", 0,
                    nullptr, 0, KEY_ALL_ACCESS, nullptr, &zones, nullptr);
    WriteZone(zones, "Taipei Standard Time", "(UTC+08:00) Taipei", -480, false);
    WriteZone(zones, "W. Europe Standard Time", "(UTC+01:00) Berlin", -60, true);
    WriteZone(zones, "UTC", "(UTC) Coordinated Universal Time", 0, false);
    RegCloseKey(zones);
    seams::Handlers h = seams::CurrentHandlers();
    h.systemTime = [](SYSTEMTIME* t) { *t = g_now; };
    previous_ = seams::SetHandlers(h);
    SetNow(2026, 12, 11, 4, 5, 9);
    RegisterClockPanelType(Globals().instance);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = Globals().instance;
    wc.lpszClassName = "ClockTestParent";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassA(&wc);
    parent_ = CreateWindowExA(0, "ClockTestParent", "clock test", WS_OVERLAPPEDWINDOW, 60, 60,
                              420, 320, nullptr, nullptr, Globals().instance, nullptr);
    g_parentMessages.clear();
  }
  void TearDown() override {
    DestroyWindow(parent_);
    FreeClockPanelType();
    seams::SetHandlers(previous_);
  }
  static void SetNow(int y, int mo, int d, int h, int mi, int s) {
    g_now = SYSTEMTIME{};
    g_now.wYear = WORD(y);
    g_now.wMonth = WORD(mo);
    g_now.wDay = WORD(d);
    g_now.wHour = WORD(h);
    g_now.wMinute = WORD(mi);
    g_now.wSecond = WORD(s);
  }
  // A blob for the named zone of the list.
  std::vector<std::uint8_t> Blob(const char* zone, bool seconds, bool hour24) {
    ClockSettings s = DefaultClockSettings();
    s.seconds = seconds;
    s.hour24 = hour24;
    for (const TimeZoneEntry& e : ClockTimeZones())
      if (e.keyName == zone) std::memcpy(s.tzi, e.tzi, 44);
    std::vector<std::uint8_t> b(112);
    WriteClockSettings(s, b.data());
    return b;
  }
  HWND Create(const std::vector<std::uint8_t>& blob) {
    RECT r{4, 4, 204, 124};
    return CreateClock(parent_, &r, blob.empty() ? nullptr : blob.data(), int(blob.size()));
  }
  std::string Digital(HWND clock) {
    ClockSettings s{};
    ClockTime t{};
    GetClockState(clock, &s, &t, nullptr, nullptr);
    char text[32];
    FormatDigitalTime(t, s.seconds != 0, s.hour24 != 0, text, sizeof text);
    return text;
  }
  jqtest::TestRegistry registry_;
  seams::Handlers previous_;
  HWND parent_ = nullptr;
};

}  // namespace

TEST(ClockText, TwelveAndTwentyFourHourForms) {
  struct { int h, m, s; bool seconds, hour24; const char* text; int secondsAt; } cases[] = {
      {0, 0, 0, false, false, "12:00 A", -1},  {12, 30, 0, false, false, "12:30 P", -1},
      {13, 5, 0, false, false, "1:05 P", -1},  {11, 59, 59, true, false, "11:59:59 A", 6},
      {13, 5, 9, true, false, "1:05:09 P", 5}, {0, 7, 0, false, true, "0:07", -1},
      {23, 59, 59, true, true, "23:59:59", 6}, {9, 0, 1, true, true, "9:00:01", 5}};
  for (auto& c : cases) {
    ClockTime t{2026, 1, 1, c.h, c.m, c.s};
    char text[32];
    int at = FormatDigitalTime(t, c.seconds, c.hour24, text, sizeof text);
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(at, c.secondsAt) << c.text;
    if (at >= 0) {
      EXPECT_EQ(std::string(text + at).substr(0, 2), std::string(c.text).substr(std::size_t(at), 2));
    }
  }
}

TEST_F(ClockWindow, ShowsTheZoneTimeAtFixedTimesAndFollowsTheTimer) {
  struct { const char* zone; int mo, d, h, mi; bool seconds, hour24; const char* text; bool daylight; } cases[] = {
      {"Taipei Standard Time", 12, 11, 4, 5, true, false, "12:05:09 P", false},
      {"Taipei Standard Time", 12, 31, 16, 30, false, true, "0:30", false},  // into the new year
      {"W. Europe Standard Time", 7, 1, 10, 0, false, true, "12:00", true},
      {"W. Europe Standard Time", 1, 15, 10, 0, false, false, "11:00 A", false},
      {"UTC", 3, 29, 0, 59, false, true, "0:59", false},
  };
  for (auto& c : cases) {
    SetNow(2026, c.mo, c.d, c.h, c.mi, 9);
    HWND clock = Create(Blob(c.zone, c.seconds, c.hour24));
    ASSERT_TRUE(clock);
    EXPECT_EQ(Digital(clock), c.text) << c.zone;
    bool daylight = false;
    ClockTime t{};
    GetClockState(clock, nullptr, &t, &daylight, nullptr);
    EXPECT_EQ(daylight, c.daylight) << c.zone;
    DestroyWindow(clock);
  }
  SetNow(2026, 12, 31, 16, 30, 0);
  HWND clock = Create(Blob("Taipei Standard Time", false, true));
  ClockTime t{};
  GetClockState(clock, nullptr, &t, nullptr, nullptr);
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.day, 1);

  // The Berlin clock across the March change, one timer tick at a time.
  SetNow(2026, 3, 29, 0, 59, 0);
  HWND berlin = Create(Blob("W. Europe Standard Time", false, true));
  EXPECT_EQ(Digital(berlin), "1:59");
  SetNow(2026, 3, 29, 1, 0, 0);
  SendMessageA(berlin, WM_TIMER, 0, 0);
  EXPECT_EQ(Digital(berlin), "3:00");
  SetNow(2026, 3, 29, 1, 0, 1);
  SendMessageA(berlin, WM_TIMER, 0, 0);  // same minute, no seconds shown: nothing changes
  EXPECT_EQ(Digital(berlin), "3:00");
  DestroyWindow(berlin);
  DestroyWindow(clock);
}

TEST_F(ClockWindow, SettingsMessagesKeepTheBlobAndRefuseOtherSizes) {
  std::vector<std::uint8_t> blob = Blob("Taipei Standard Time", true, true);
  std::memcpy(blob.data() + 4, "Home", 4);
  le::PutI32(blob.data() + 36, 2);
  HWND clock = Create(blob);
  ASSERT_TRUE(clock);
  void* out = nullptr;
  ASSERT_EQ(SendMessageA(clock, PNM_GETSETTINGS, 0, LPARAM(&out)), 112);
  EXPECT_EQ(std::memcmp(out, blob.data(), 112), 0);
  int zone = -1;
  GetClockState(clock, nullptr, nullptr, nullptr, &zone);
  EXPECT_EQ(ClockTimeZones()[std::size_t(zone)].keyName, "Taipei Standard Time");

  std::vector<std::uint8_t> other = Blob("UTC", false, false);
  SendMessageA(clock, PNM_SETSETTINGS, 111, LPARAM(other.data()));
  SendMessageA(clock, PNM_GETSETTINGS, 0, LPARAM(&out));
  EXPECT_EQ(std::memcmp(out, blob.data(), 112), 0);  // wrong size: unchanged
  SendMessageA(clock, PNM_SETSETTINGS, 112, LPARAM(other.data()));
  SendMessageA(clock, PNM_GETSETTINGS, 0, LPARAM(&out));
  EXPECT_EQ(std::memcmp(out, other.data(), 112), 0);
  EXPECT_EQ(Digital(clock), "4:05 A");
  GetClockState(clock, nullptr, nullptr, nullptr, &zone);
  EXPECT_EQ(ClockTimeZones()[std::size_t(zone)].keyName, "UTC");
  DestroyWindow(clock);

  // "Take the system's zone" is applied once at creation and then cleared.
  std::vector<std::uint8_t> fresh = Blob("UTC", false, true);
  le::PutU32(fresh.data(), 1);
  clock = Create(fresh);
  SendMessageA(clock, PNM_GETSETTINGS, 0, LPARAM(&out));
  EXPECT_EQ(le::GetU32(static_cast<std::uint8_t*>(out)), 0u);
  GetClockState(clock, nullptr, nullptr, nullptr, &zone);
  EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(out) + 68, ClockTimeZones()[std::size_t(zone)].tzi, 44), 0);
  DestroyWindow(clock);

  // A short blob at creation gives the defaults.
  clock = Create(std::vector<std::uint8_t>(50, 0xFF));
  ClockSettings s{};
  GetClockState(clock, &s, nullptr, nullptr, nullptr);
  EXPECT_EQ(s.showDigital, 2);
  EXPECT_EQ(s.size, 1);
  DestroyWindow(clock);
}

TEST_F(ClockWindow, MenuCommandsToggleAndTellTheContainer) {
  HWND clock = Create(Blob("Taipei Standard Time", false, false));
  jqtest::SeamRecorder recorder;
  recorder.menuAnswers = {IDM_CLOCK_SECONDS, IDM_CLOCK_SIZE_FIRST + 3, IDM_CLOCK_COLOUR_FIRST + 0,
                          IDM_CLOCK_PROPERTIES};
  for (int i = 0; i < 4; ++i) SendMessageA(clock, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_EQ(recorder.menusShown.size(), 4u);
  EXPECT_EQ(recorder.menusShown[0], 14u);  // 3 + date + sep + 2 + sep + 2 submenus + sep + help + sep + properties
  ClockSettings s{};
  GetClockState(clock, &s, nullptr, nullptr, nullptr);
  EXPECT_EQ(s.seconds, 1);
  EXPECT_EQ(s.size, 3);
  EXPECT_EQ(s.colour, 0);
  std::vector<std::pair<UINT, WPARAM>> expected = {
      {PNM_CHANGED, WPARAM(clock)}, {PNM_CHANGED, WPARAM(clock)}, {PNM_CHANGED, WPARAM(clock)},
      {PNM_OPENCONFIG, WPARAM(clock)}};
  EXPECT_EQ(g_parentMessages, expected);
  g_parentMessages.clear();
  SendMessageA(clock, WM_COMMAND, IDM_CLOCK_COLOUR_FIRST + 0, 0);  // unchanged colour: nothing
  SendMessageA(clock, WM_COMMAND, IDM_CLOCK_SIZE_FIRST + 3, 0);
  EXPECT_TRUE(g_parentMessages.empty());
  LRESULT wide = SendMessageA(clock, PNM_GETPREFSIZE, 0, 0);
  SendMessageA(clock, WM_COMMAND, IDM_CLOCK_SIZE_FIRST + 0, 0);
  LRESULT narrow = SendMessageA(clock, PNM_GETPREFSIZE, 0, 0);
  EXPECT_GT(LOWORD(wide), LOWORD(narrow));
  EXPECT_GT(HIWORD(wide), HIWORD(narrow));
  DestroyWindow(clock);
}

TEST_F(ClockWindow, PropertySheetAppliesItsControls) {
  HWND clock = Create(Blob("UTC", false, false));
  HWND sheet = HWND(SendMessageA(clock, PNM_CREATEPAGE, WPARAM(parent_), MAKELPARAM(8, 8)));
  ASSERT_TRUE(sheet);
  HWND page = nullptr;
  for (HWND c = GetWindow(sheet, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (GetDlgItem(c, IDC_CLOCK_ZONE)) page = c;
  ASSERT_TRUE(page);
  HWND zones = GetDlgItem(page, IDC_CLOCK_ZONE);
  ASSERT_EQ(SendMessageA(zones, CB_GETCOUNT, 0, 0), 3);
  char line[120] = {};
  int taipei = -1;
  for (int i = 0; i < 3; ++i) {
    SendMessageA(zones, CB_GETLBTEXT, i, LPARAM(line));
    if (std::string(line) == "Taipei Standard Time:  (UTC+08:00) Taipei") taipei = i;
  }
  ASSERT_GE(taipei, 0);
  EXPECT_EQ(int(SendMessageA(zones, CB_GETCURSEL, 0, 0)), 2);  // UTC, bias 0, sorts last
  SendMessageA(zones, CB_SETCURSEL, taipei, 0);
  CheckDlgButton(page, IDC_CLOCK_24HOUR_ON, BST_CHECKED);
  CheckDlgButton(page, IDC_CLOCK_CAPTION_ON, BST_CHECKED);
  SetDlgItemTextA(page, IDC_CLOCK_CAPTION, "Office");
  SendDlgItemMessageA(page, IDC_CLOCK_COLOUR, CB_SETCURSEL, 2, 0);
  g_parentMessages.clear();
  SendMessageA(sheet, WM_COMMAND, IDM_CLOCKMON_APPLY, 0);
  ClockSettings s{};
  GetClockState(clock, &s, nullptr, nullptr, nullptr);
  EXPECT_STREQ(s.caption, "Office");
  EXPECT_EQ(s.showCaption, 2);
  EXPECT_EQ(s.hour24, 1);
  EXPECT_EQ(s.colour, 2);
  EXPECT_EQ(le::GetI32(s.tzi), -480);
  EXPECT_EQ(Digital(clock), "12:05");
  ASSERT_EQ(g_parentMessages.size(), 1u);
  EXPECT_EQ(g_parentMessages[0].first, PNM_CHANGED);

  // The menu's change shows on the open page.
  SendMessageA(clock, WM_COMMAND, IDM_CLOCK_SECONDS, 0);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_CLOCK_SECONDS_ON), BST_CHECKED);
  g_parentMessages.clear();
  SendMessageA(sheet, WM_COMMAND, IDM_CLOCKMON_APPLY, 0);  // nothing changed
  EXPECT_TRUE(g_parentMessages.empty());
  DestroyWindow(sheet);
  DestroyWindow(clock);
}

// ---- both panels in a real toolbar frame ----

#include "clockmon_types.h"
#include "container_panel.h"
#include "frame_window.h"
#include "panel_tree.h"
#include "perfmon_panel.h"
#include "toolbar_layout.h"
#include "toolbar_test_host.h"

TEST(ClockMonInFrame, LayoutWithClockAndMonitorGraphLoadsAndSavesTheirBlobs) {
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder recorder;
  Globals().instance = GetModuleHandleA(nullptr);
  RegisterFrameClass(Globals().instance);
  RegisterContainerTypes();
  RegisterClockMonTypes();
  FreePanelTypeList();
  BuildPanelTypeList(Globals().instance);
  ASSERT_TRUE(FindPanelType("Clock"));
  ASSERT_TRUE(FindPanelType("System Monitor"));

  ClockSettings clock = DefaultClockSettings();
  clock.showAnalog = 2;
  clock.seconds = 1;
  std::vector<std::uint8_t> clockBlob(112);
  WriteClockSettings(clock, clockBlob.data());
  PerfMonSettings monitor;
  monitor.display = 1;
  monitor.statistic = kStatMemory;
  monitor.colour = 10;
  std::vector<std::uint8_t> monitorBlob = WritePerfMonSettings(monitor);
  LayoutFile layout;
  layout.frames.push_back(jqbartest::Node(
      "Toolbar", jqbartest::ContainerBlob("Clock and monitor", 100, 100),
      {jqbartest::Node("Clock", clockBlob), jqbartest::Node("System Monitor", monitorBlob)}));
  std::string file = temp / "clockmon.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, layout));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  PanelNode* frame = FrameList();
  ASSERT_TRUE(frame && frame->child && frame->child->next);
  char cls[32] = {};
  GetClassNameA(frame->child->window, cls, sizeof cls);
  EXPECT_STREQ(cls, "JQBarClock");
  GetClassNameA(frame->child->next->window, cls, sizeof cls);
  EXPECT_STREQ(cls, "PerfMonPanel");
  EXPECT_EQ(GetParent(frame->child->window), frame->window);
  RECT r{};
  GetClientRect(frame->child->next->window, &r);
  EXPECT_GT(r.right, 0);

  ASSERT_TRUE(SaveToolbarLayout(""));
  std::optional<LayoutFile> saved = ReadToolbarLayout(file);
  ASSERT_TRUE(saved);
  ASSERT_EQ(saved->frames[0].children.size(), 2u);
  EXPECT_EQ(saved->frames[0].children[0].blob, clockBlob);
  EXPECT_EQ(saved->frames[0].children[1].blob, monitorBlob);
  CloseLayout();
  FreePanelTypeList();
}
