// The colour popup driven with keys and the mouse, as a user meets it under a colour button.
#include "color_menu.h"

#include <gtest/gtest.h>
#include <functional>
#include <vector>
#include "test_support.h"

using namespace jqtest;

namespace {

struct Owner {
  HWND window;
  Owner() {
    window = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~Owner() { DestroyWindow(window); }
};

// Posts the given input once the popup is up, through a timer of the owner's thread, and
// answers what ShowColorMenu answered.
std::function<void(HWND)> pending;

void CALLBACK SendPendingInput(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = ColorMenuWindow();
  if (!popup || !pending) return;
  KillTimer(nullptr, id);
  auto run = pending;
  pending = nullptr;
  run(popup);
}

COLORREF RunWith(COLORREF current, const std::function<void(HWND)>& input) {
  Owner owner;
  // The owner is the active window, as a dialog with a colour button is: the popup then takes
  // the focus from it, not from whatever the window manager had in front.
  EXPECT_TRUE(jqtest::BringToFront(owner.window));
  pending = input;
  SetTimer(nullptr, 0, 10, SendPendingInput);
  return ShowColorMenu(GetModuleHandleA(nullptr), owner.window, 0, 0, current);
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace

TEST(ColorMenu, PaletteAndLookup) {
  EXPECT_EQ(ColorMenuPalette[4], RGB(255, 0, 0));
  EXPECT_EQ(ColorMenuPalette[13], RGB(0, 0, 128));
  EXPECT_EQ(FindColorIndex(RGB(128, 0, 128)), 15);
  EXPECT_EQ(FindColorIndex(RGB(1, 2, 3)), -1);
}

TEST(ColorMenu, KeysMoveWithinTheGridAndStopAtItsEdges) {
  struct Case { COLORREF start; std::vector<WPARAM> keys; COLORREF expected; };
  const Case cases[] = {
      {ColorMenuPalette[3], {VK_RIGHT, VK_RETURN}, ColorMenuPalette[3]},
      {ColorMenuPalette[13], {VK_DOWN, VK_RETURN}, ColorMenuPalette[13]},
      {ColorMenuPalette[0], {VK_DOWN, VK_RIGHT, VK_RETURN}, ColorMenuPalette[5]},
      {ColorMenuPalette[5], {VK_UP, VK_UP, VK_LEFT, VK_LEFT, VK_RETURN}, ColorMenuPalette[0]},
      {ColorMenuPalette[6], {VK_DOWN, VK_ESCAPE}, ColorMenuPalette[6]},
      // Not in the table: no selection, keys do nothing, Escape answers the colour.
      {RGB(1, 2, 3), {VK_DOWN, VK_ESCAPE}, RGB(1, 2, 3)},
      {RGB(1, 2, 3), {VK_RIGHT, VK_RETURN}, RGB(1, 2, 3)},
  };
  for (const Case& c : cases) {
    COLORREF got = RunWith(c.start, [&c](HWND popup) {
      for (WPARAM key : c.keys) PostMessageA(popup, WM_KEYDOWN, key, 0);
    });
    EXPECT_EQ(got, c.expected) << "from " << std::hex << c.start;
  }
}

TEST(ColorMenu, MouseChoosesTheCellUnderThePointer) {
  // Cell 4 (red) is row 1, column 0: x 3..21, y 21..39.
  EXPECT_EQ(RunWith(ColorMenuPalette[0], [](HWND popup) { PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 30)); }),
            RGB(255, 0, 0));
  // Outside the grid (the popup holds the capture): nothing chosen, the current colour stays.
  EXPECT_EQ(RunWith(RGB(1, 2, 3), [](HWND popup) { PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(-40, 200)); }),
            RGB(1, 2, 3));
  EXPECT_EQ(RunWith(ColorMenuPalette[2], [](HWND popup) { PostMessageA(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(-40, 200)); }),
            ColorMenuPalette[2]);
  // Over red, then the focus goes elsewhere: red.
  Owner other;
  EXPECT_EQ(RunWith(ColorMenuPalette[0], [&other](HWND popup) {
              SendMessageA(popup, WM_MOUSEMOVE, 0, At(10, 30));
              SetForegroundWindow(other.window);
              SetFocus(other.window);
            }),
            RGB(255, 0, 0));
}

TEST(ColorMenu, AQuitMessageEndsThePopupAndReachesTheCallersLoop) {
  COLORREF got = RunWith(ColorMenuPalette[9], [](HWND) { PostQuitMessage(7); });
  EXPECT_EQ(got, ColorMenuPalette[9]);
  EXPECT_EQ(ColorMenuWindow(), nullptr);
  MSG msg;
  bool quit = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message == WM_QUIT) {
      quit = true;
      EXPECT_EQ(msg.wParam, 7u);
    }
  EXPECT_TRUE(quit) << "the quit message was swallowed";
}
