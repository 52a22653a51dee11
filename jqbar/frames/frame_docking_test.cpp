// The XOR zoom on the screen: what it draws, that it leaves the screen as it was, how long it
// runs and when a hidden frame zooms into the taskbar's notification area.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "container_panel.h"
#include "frame_window.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "seams.h"
#include "test_support.h"
#include "toolbar_layout.h"
#include "toolbar_test_host.h"
#include "xdo_input.h"

namespace jqbar {
namespace {

// Where the tests draw: a window of coloured stripes low on the right, kept on top.
constexpr RECT kCanvas{940, 620, 1240, 860};

LRESULT CALLBACK CanvasProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    static const COLORREF colours[4] = {RGB(255, 255, 255), RGB(200, 30, 30), RGB(20, 120, 220),
                                        RGB(0, 0, 0)};
    RECT c;
    GetClientRect(window, &c);
    for (int x = 0, i = 0; x < c.right; x += 7, ++i) {
      HBRUSH b = CreateSolidBrush(colours[i % 4]);
      RECT stripe{x, 0, x + 7, c.bottom};
      FillRect(dc, &stripe, b);
      DeleteObject(b);
    }
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

std::vector<std::uint32_t> Capture(const RECT& r) {
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  auto* p = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> out(p, p + std::size_t(w) * std::size_t(h));
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return out;
}

class ZoomAnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CanvasProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "JQZoomCanvas";
    RegisterClassA(&wc);
    canvas = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "JQZoomCanvas", "", WS_POPUP | WS_VISIBLE,
                             kCanvas.left, kCanvas.top, kCanvas.right - kCanvas.left,
                             kCanvas.bottom - kCanvas.top, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(canvas, nullptr);
    UpdateWindow(canvas);
    // Painted when the stripes show on the screen.
    ASSERT_TRUE(jqtest::PumpUntil([&] {
      std::vector<std::uint32_t> px = Capture(RECT{kCanvas.left + 8, kCanvas.top + 5, kCanvas.left + 9, kCanvas.top + 6});
      return (px[0] & 0xFFFFFF) == 0xC81E1E;
    }));
    brush = CreateHalftonePatternBrush(false);
    ASSERT_NE(brush, nullptr);
  }
  void TearDown() override {
    seams::SetHandlers(previous);
    if (brush) DeleteObject(brush);
    if (canvas) DestroyWindow(canvas);
  }
  // A clock that moves on by `step` milliseconds at each reading; returns the reading count.
  void UseClock(DWORD step) {
    seams::Handlers h = seams::CurrentHandlers();
    h.tickCount = [this, step] {
      ++readings;
      return now += step;
    };
    previous = seams::SetHandlers(h);
  }
  HWND canvas = nullptr;
  HBRUSH brush = nullptr;
  seams::Handlers previous = seams::CurrentHandlers();
  DWORD now = 1000;
  int readings = 0;
};

TEST_F(ZoomAnimationTest, ARectangleDrawnTwiceLeavesEveryPixelAsItWas) {
  RECT r{kCanvas.left + 20, kCanvas.top + 20, kCanvas.left + 120, kCanvas.top + 80};
  std::vector<std::uint32_t> before = Capture(kCanvas);
  DrawZoomRect(r, brush);
  std::vector<std::uint32_t> drawn = Capture(kCanvas);
  // JQ_ZOOM_SHOT=<Unix path>: a picture of the screen with the rectangle drawn.
  if (const char* shot = getenv("JQ_ZOOM_SHOT")) xdo::Run(std::string("import -window root ") + shot);
  DrawZoomRect(r, brush);
  EXPECT_EQ(Capture(kCanvas), before);
  // Once drawn: only the 4-pixel sides changed, half of their pixels (the halftone pattern).
  int width = kCanvas.right - kCanvas.left;
  int inBand = 0, changedInBand = 0, changedElsewhere = 0;
  for (int y = 0; y < kCanvas.bottom - kCanvas.top; ++y)
    for (int x = 0; x < width; ++x) {
      POINT p{kCanvas.left + x, kCanvas.top + y};
      RECT inner{r.left + 4, r.top + 4, r.right - 4, r.bottom - 4};
      bool band = PtInRect(&r, p) && !PtInRect(&inner, p);
      bool changed = drawn[std::size_t(y * width + x)] != before[std::size_t(y * width + x)];
      inBand += band;
      changedInBand += band && changed;
      changedElsewhere += !band && changed;
    }
  EXPECT_EQ(changedElsewhere, 0);
  EXPECT_EQ(changedInBand, inBand / 2);
}

TEST_F(ZoomAnimationTest, TheAnimationTakesItsTimeAndLeavesTheScreenAsItWas) {
  RECT from{kCanvas.left + 10, kCanvas.top + 10, kCanvas.right - 10, kCanvas.bottom - 10};
  RECT to{kCanvas.left + 150, kCanvas.top + 150, kCanvas.left + 170, kCanvas.top + 160};
  std::vector<std::uint32_t> before = Capture(kCanvas);
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  int steps = ZoomAnimation(from, to, brush, 200);
  QueryPerformanceCounter(&t1);
  EXPECT_GT(steps, 0);
  EXPECT_GE(double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart), 0.19);
  EXPECT_EQ(Capture(kCanvas), before);
}

// The steps follow the clock up to the step limit (a zoom of 100 s on a clock that creeps
// ends there), and a time of none draws nothing; a rectangle of no size draws nothing either.
// Every case leaves the screen as it was.
TEST_F(ZoomAnimationTest, TheStepsFollowTheClockUpToTheLimit) {
  struct Case {
    DWORD clockStep;
    int ms;
    int fewest, most;
  } cases[] = {{10, 500, 45, 50}, {7, 200, 25, 29}, {1, 100000, kMaxZoomSteps, kMaxZoomSteps},
               {5, 0, 0, 0}};
  RECT from{kCanvas.left + 10, kCanvas.top + 10, kCanvas.right - 10, kCanvas.bottom - 10};
  RECT to{kCanvas.left + 40, kCanvas.top + 100, kCanvas.left + 60, kCanvas.top + 110};
  std::vector<std::uint32_t> before = Capture(kCanvas);
  for (const Case& c : cases) {
    UseClock(c.clockStep);
    int steps = ZoomAnimation(from, to, brush, c.ms);
    seams::SetHandlers(previous);
    EXPECT_GE(steps, c.fewest) << c.clockStep << " " << c.ms;
    EXPECT_LE(steps, c.most) << c.clockStep << " " << c.ms;
    EXPECT_EQ(Capture(kCanvas), before) << c.clockStep << " " << c.ms;
  }
  DrawZoomRect(RECT{kCanvas.left + 50, kCanvas.top + 50, kCanvas.left + 50, kCanvas.top + 90}, brush);
  EXPECT_EQ(Capture(kCanvas), before);
}

// Command 410 zooms from the frame into "TrayNotifyWnd" of the taskbar, and only when there is
// one; either way the frame ends hidden.
TEST_F(ZoomAnimationTest, HidingAFrameZoomsIntoTheNotificationAreaOnlyWhenThereIsOne) {
  jqtest::TestRegistry registry;
  Globals().instance = GetModuleHandleA(nullptr);
  RegisterFrameClass(Globals().instance);
  RegisterContainerTypes();
  FreePanelTypeList();
  BuildPanelTypeList(Globals().instance);
  LayoutFile layout;
  layout.frames.push_back(jqbartest::Node(
      "Toolbar", jqbartest::ContainerBlob("Zoomer", 200, 200),
      {jqbartest::Node("Tool Group", jqbartest::ContainerBlob("", 0, 0, 2))}));
  ApplyToolbarLayout(layout);
  ASSERT_NE(FrameList(), nullptr);
  HWND frame = GetParent(FrameList()->window);
  ASSERT_TRUE(IsWindowVisible(frame));

  bool foreignTray = false;
  for (HWND t = nullptr; (t = FindWindowExA(nullptr, t, "Shell_TrayWnd", nullptr));)
    foreignTray = foreignTray || FindWindowExA(t, nullptr, "TrayNotifyWnd", nullptr);
  UseClock(25);
  // The desktop is given the foreground before each hide.
  static int desktopActivations;
  desktopActivations = 0;
  SetActivateDesktopHandler([] { ++desktopActivations; });
  if (!foreignTray) {
    SendMessageA(frame, WM_COMMAND, 410, 0);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_EQ(readings, 0);
    EXPECT_EQ(desktopActivations, 1);
    desktopActivations = 0;
  }

  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Shell_TrayWnd";
  RegisterClassA(&wc);
  wc.lpszClassName = "TrayNotifyWnd";
  RegisterClassA(&wc);
  HWND tray = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 870,
                              1280, 30, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(tray, nullptr);
  HWND notify = CreateWindowExA(0, "TrayNotifyWnd", "", WS_CHILD | WS_VISIBLE, 1180, 2, 96, 26, tray,
                                nullptr, wc.hInstance, nullptr);
  ASSERT_NE(notify, nullptr);
  SendMessageA(frame, PNM_SHOWFRAME, 0, 0);
  ASSERT_TRUE(IsWindowVisible(frame));
  readings = 0;
  SendMessageA(frame, WM_COMMAND, 410, 0);
  EXPECT_FALSE(IsWindowVisible(frame));
  // 500 ms at 25 ms a reading: about twenty steps.
  EXPECT_GE(readings, 20);
  EXPECT_LE(readings, 23);
  EXPECT_EQ(desktopActivations, 1);
  SetActivateDesktopHandler(nullptr);
  // A hidden frame has nothing to zoom from.
  readings = 0;
  EXPECT_FALSE(ZoomFrameToTray(frame));
  EXPECT_EQ(readings, 0);
  seams::SetHandlers(previous);
  DestroyWindow(tray);
  CloseLayout();
  FreePanelTypeList();
}

}  // namespace
}  // namespace jqbar
