// Bars in a floating frame made small: the frame lays its panels out again in the room that is
// left, a button bar shows its scroll arrows and every button stays reachable through them, and
// a panel that cannot shrink makes the frame grow back around it. Real frames and real input.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "button_bar.h"
#include "button_bar_fixtures.h"
#include "input_test_host.h"
#include "layout_file.h"
#include "multiview.h"
#include "multiview_settings.h"
#include "panel_messages.h"
#include "sysaccess_test_host.h"
#include "xdo_input.h"

namespace jqbar {
namespace {

using jqbartest::PutInt;

// A System Access bar of one line of large icons with every option on: six items on NT.
std::vector<std::uint8_t> SystemAccessBlob() {
  std::vector<std::uint8_t> b(356, 0);
  PutInt(b, 4, 1);     // one line
  PutInt(b, 8, 1);     // one group
  PutInt(b, 212, 30);  // of System Access items
  PutInt(b, 256, 2);   // large icons
  PutInt(b, 312, 20);  // row limit
  PutInt(b, 324, 1);   // shut down
  PutInt(b, 328, 1);   // restart
  PutInt(b, 332, 6);   // print screen, screen saver
  PutInt(b, 340, 1);   // log on
  PutInt(b, 344, 1);   // screen resolution
  b.resize(360, 0);    // the group holds no stored items: the options bring them
  return b;
}

// A QuickLaunch bar of ten program buttons, large icons, lines following the panel's size.
std::vector<std::uint8_t> QuickLaunchBlob() {
  bbtest::BlobBuilder b;
  b.Head(0, 1, {{"Q", 0}}, 0, 2, 20);
  std::vector<bbtest::TestButton> buttons(10);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    buttons[i].command = "C:\\windows\\notepad.exe";
    buttons[i].label = "N" + std::to_string(i);
  }
  b.Group(buttons);
  return b.bytes;
}

std::vector<std::uint8_t> MultiViewBlob() {
  MultiViewSettings s;
  s.columns = 4;
  s.rows = 2;
  s.sizeIndex = 1;
  s.follow = 0;
  return SaveMultiViewSettings(s);
}

// A root container blob: floating at (40, 40) with the given size, arranged as the frame.
std::vector<std::uint8_t> FrameBlob(int width, int height) {
  std::vector<std::uint8_t> b = jqbartest::ContainerBlob("Narrow", 40, 40, 2);
  PutInt(b, 16, width);
  PutInt(b, 20, height);
  return b;
}

RECT ScreenRectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// Where the root container's panels may be seen: the frame's area inside its chrome, on the screen.
RECT ContainerArea(HWND frame) {
  RECT area = FrameContainerRect(frame);
  MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

int ButtonCount(const ButtonBarInstance* bar) {
  int n = 0;
  for (const ButtonRecord* b = bar->settings.groups[bar->settings.currentGroup]; b; b = b->next) ++n;
  return n;
}

class NarrowFrame : public jqbartest::SystemPanelTest {
 protected:
  void SetUp() override {
    SystemPanelTest::SetUp();
    // QuickLaunch as the toolbar program has it, besides the system panels.
    AddBuiltinTypeRegistrar(RegisterButtonBarPanelType);
    FreePanelTypeList();
    BuildPanelTypeList(Globals().instance);
    SetMultiViewWindowScope([](HWND w) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      return owner == GetCurrentProcessId();
    });
  }
  void TearDown() override {
    SystemPanelTest::TearDown();
    SetMultiViewWindowScope(nullptr);
    xdo::Run("xdotool mousemove 1279 899", 10000);
  }
  // Loads one floating frame holding one panel; returns the panel.
  HWND Load(const std::string& type, std::vector<std::uint8_t> blob, int width, int height) {
    jqbar::LayoutFile layout;
    layout.frames.push_back(jqbartest::Node("Toolbar", FrameBlob(width, height),
                                            {jqbartest::Node(type, std::move(blob))}));
    std::string file = temp / "narrow.jqc";
    if (!WriteLayoutFile(file, layout) || !LoadToolbarLayout(file, false)) return nullptr;
    PanelNode* frame = FrameList();
    return frame && frame->child ? frame->child->window : nullptr;
  }
  void Shot(const std::string& name) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("JQ_NARROW_SHOTS", folder, MAX_PATH)) return;
    xdo::Run("import -window root '" + std::string(folder) + "/" + name + "'");
  }
};

// The bar of a frame narrowed by a real drag of its right edge: it lies inside the frame, shows
// its arrows, and real clicks on the forward arrow bring its last button into view, where a
// click would reach it. The frame keeps the size it was given (as the layout will save it).
TEST_F(NarrowFrame, ADraggedInEdgeLeavesTheLastButtonReachableThroughTheArrows) {
  HWND panel = Load("System Access", SystemAccessBlob(), 300, 60);
  ASSERT_NE(panel, nullptr);
  HWND frame = GetTopFrameWindow(panel);
  ButtonBarInstance* bar = ButtonBarOf(panel);
  ASSERT_NE(bar, nullptr);
  int count = ButtonCount(bar);
  ASSERT_GE(count, 5);
  SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return IsWindowVisible(frame) != 0; }, 5000));
  ASSERT_TRUE(jqbartest::ShowOnScreen(frame));
  Shot("system-access-loaded.png");
  EXPECT_EQ(bar->settings.arrowsShown, 0) << "the whole row fits the frame as loaded";

  RECT before = ScreenRectOf(frame);
  int y = (before.top + before.bottom) / 2;
  ASSERT_EQ(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(before.right - 2, y)), HTRIGHT);
  ASSERT_TRUE(jqbartest::SendRealInput(
      frame,
      "xdotool" + xdo::MoveTo({before.right - 2, y}) + " mousedown 1 sleep 0.2" + xdo::MoveTo({before.right - 20, y}) +
          xdo::MoveTo({before.right - 150, y}) + " sleep 0.2 mouseup 1",
      [&] { return ScreenRectOf(frame).right < before.right - 40 && GetCapture() == nullptr; },
      [&] { return ScreenRectOf(frame).right == before.right && GetCapture() == nullptr; }))
      << Text(ScreenRectOf(frame));
  // The frame lays its panels out again in the room left.
  jqtest::PumpUntil([&] { return bar->settings.arrowsShown == 1 && Inside(ScreenRectOf(panel), ContainerArea(frame)); });

  RECT area = ContainerArea(frame);
  EXPECT_TRUE(Inside(ScreenRectOf(panel), area)) << Text(ScreenRectOf(panel)) << " in " << Text(area);
  ASSERT_EQ(bar->settings.arrowsShown, 1);
  RECT cell, drawn;
  EXPECT_FALSE(ButtonCell(bar, count - 1, &cell, &drawn));
  RECT f = ScreenRectOf(frame);
  ContainerSettings* settings = GetContainerSettings(GetParent(panel));
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->floatWidth, f.right - f.left);
  EXPECT_EQ(settings->floatHeight, f.bottom - f.top);

  // The forward arrow sits at the far end of the row: its lower half when the arrows are
  // stacked, the last 12 pixels before the 2-pixel margin otherwise.
  RECT client;
  GetClientRect(panel, &client);
  POINT forward = bar->settings.arrowsStacked ? POINT{client.right - 8, client.bottom * 3 / 4}
                                              : POINT{client.right - 8, client.bottom / 2};
  ClientToScreen(panel, &forward);
  for (int i = 0; i < count && !ButtonCell(bar, count - 1, &cell, &drawn); ++i) {
    int row = bar->settings.firstRow;
    ASSERT_TRUE(jqbartest::SendRealInput(frame, "xdotool" + xdo::MoveTo(forward) + " click 1",
                                         [&] { return bar->settings.firstRow != row; },
                                         [&] { return bar->settings.firstRow == row; }))
        << "click " << i;
  }
  ASSERT_TRUE(ButtonCell(bar, count - 1, &cell, &drawn));
  POINT centre{(drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2};
  int position = -1;
  EXPECT_EQ(ButtonAtPoint(bar, centre, &position), ButtonAtPosition(bar, count - 1));
  EXPECT_EQ(position, count - 1);
  ClientToScreen(panel, &centre);
  EXPECT_EQ(WindowFromPoint(centre), panel) << "the last button lies where the frame shows it";
  Shot("after-system-access-dragged.png");
}

// Each kind of panel in a frame, across or upright, that is then made tiny through the frame's
// own sizing path: the panel stays inside the frame; a bar keeps its own orientation, shows its
// arrows exactly when its rows do not fit, and its last button scrolls into a cell clear of
// the arrows; MultiView (which cannot shrink) keeps its whole grid and the frame grows around it.
TEST_F(NarrowFrame, EveryPanelStaysInsideAFrameMadeTiny) {
  struct Case {
    const char* type;
    std::vector<std::uint8_t> blob;
    bool upright;
  } cases[] = {
      {"System Access", SystemAccessBlob(), false}, {"System Access", SystemAccessBlob(), true},
      {"QuickLaunch", QuickLaunchBlob(), false},    {"QuickLaunch", QuickLaunchBlob(), true},
      {"MultiView", MultiViewBlob(), false},        {"MultiView", MultiViewBlob(), true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + (c.upright ? " upright" : " across"));
    HWND panel = Load(c.type, c.blob, c.upright ? 60 : 400, c.upright ? 400 : 60);
    ASSERT_NE(panel, nullptr);
    HWND frame = GetTopFrameWindow(panel);
    ASSERT_EQ(SendMessageA(frame, PNM_ISHORIZONTAL, 0, 0), c.upright ? 0 : 1);
    SetWindowPos(frame, nullptr, 0, 0, 50, 35, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    jqtest::PumpPending();

    RECT area = ContainerArea(frame), p = ScreenRectOf(panel);
    EXPECT_TRUE(Inside(p, area)) << Text(p) << " in " << Text(area);
    EXPECT_TRUE(Inside(p, ScreenRectOf(GetParent(panel))));
    if (ButtonBarInstance* bar = ButtonBarOf(panel)) {
      EXPECT_EQ(bar->horizontal, !c.upright);
      int count = ButtonCount(bar);
      RECT cell, drawn;
      bool allShown = true;
      for (int i = 0; i < count; ++i) allShown = allShown && ButtonCell(bar, i, &cell, &drawn);
      EXPECT_EQ(bar->settings.arrowsShown, allShown ? 0 : 1);
      for (int i = 0; i < count && ScrollButtonRows(bar, 1); ++i) {
      }
      ASSERT_TRUE(ButtonCell(bar, count - 1, &cell, &drawn));
      RECT client;
      GetClientRect(panel, &client);
      EXPECT_TRUE(Inside(cell, client)) << Text(cell);
      // Its middle (where a click goes) is clear of the arrows' 12-pixel slot at the far end.
      int middle = c.upright ? (drawn.top + drawn.bottom) / 2 : (drawn.left + drawn.right) / 2;
      int length = c.upright ? client.bottom : client.right;
      if (bar->settings.arrowsShown) {
        EXPECT_LT(middle, length - 2 - 12) << Text(drawn);
      }
    } else {
      DWORD pref = DWORD(SendMessageA(panel, PNM_GETPREFSIZE, c.upright ? 0 : 1, 0));
      EXPECT_EQ(p.right - p.left, LowSigned(pref));
      EXPECT_EQ(p.bottom - p.top, HighSigned(pref));
    }
    std::string name = c.type;
    for (char& ch : name) ch = ch == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(ch)));
    Shot("after-" + name + (c.upright ? "-upright" : "-across") + "-tiny.png");
    CloseLayout();
  }
}

}  // namespace
}  // namespace jqbar
