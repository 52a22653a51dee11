// The frames' tooltips: one tooltip control for all frames that still gives each caption and
// frame button its own text, follows the frames as they come and go, and shows under the real
// pointer only while tooltips are switched on.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "container_panel.h"
#include "frame_window.h"
#include "input_test_host.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "resource_jqbar.h"
#include "test_support.h"
#include "toolbar_layout.h"
#include "toolbar_test_host.h"
#include "xdo_input.h"

namespace jqbar {
namespace {

// Caption buttons in FrameState order: 412, 410, 409, 411, 413.
constexpr UINT kTips[5] = {IDS_TIP_HELP, IDS_TIP_HIDE, IDS_TIP_ONTOP, IDS_TIP_PROPERTIES, IDS_TIP_CLOSE};

std::string ToolText(HWND tooltip, HWND frame, HWND button) {
  char text[200] = {};
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.hwnd = frame;
  ti.uId = reinterpret_cast<UINT_PTR>(button);
  ti.lpszText = text;
  SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
  return text;
}

class FrameTooltips : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    Globals().tooltips = true;
    RegisterFrameClass(Globals().instance);
    RegisterContainerTypes();
    FreePanelTypeList();
    BuildPanelTypeList(Globals().instance);
    LayoutFile layout;
    const char* titles[3] = {"Tip One", "Tip Two", "Tip Three"};
    for (int i = 0; i < 3; ++i)
      layout.frames.push_back(jqbartest::Node(
          "Toolbar", jqbartest::ContainerBlob(titles[i], 700, 80 + 150 * i, 0, 1 + i),
          {jqbartest::Node("Tool Group", jqbartest::ContainerBlob("", 0, 0, 2)),
           jqbartest::Node("Tool Group", jqbartest::ContainerBlob("", 0, 0, 2))}));
    ApplyToolbarLayout(layout);
    for (PanelNode* n = FrameList(); n; n = n->next) frames.push_back(GetParent(n->window));
    ASSERT_EQ(frames.size(), 3u);
  }
  void TearDown() override {
    CloseLayout();
    FreePanelTypeList();
    Globals().tooltips = true;
  }
  FrameState* State(int i) { return GetFrameState(frames[std::size_t(i)]); }
  jqtest::TestRegistry registry;
  std::vector<HWND> frames;
};

TEST_F(FrameTooltips, OneControlKeepsEachButtonsTextAndDropsAFramesToolsWithIt) {
  HWND tooltip = State(0)->tooltip;
  ASSERT_NE(tooltip, nullptr);
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(State(f)->tooltip, tooltip);
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(ToolText(tooltip, frames[std::size_t(f)], State(f)->captionButtons[i]), LoadResString(kTips[i]))
          << f << " " << i;
    ASSERT_EQ(State(f)->buttons.size(), 2u);
    for (const FrameButton& fb : State(f)->buttons) EXPECT_EQ(fb.tooltip, tooltip);
  }
  // The on-top text changes for the one frame only.
  SetFrameOnTop(frames[1], true);
  EXPECT_EQ(ToolText(tooltip, frames[1], State(1)->captionButtons[2]), LoadResString(IDS_TIP_NOT_ONTOP));
  EXPECT_EQ(ToolText(tooltip, frames[0], State(0)->captionButtons[2]), LoadResString(IDS_TIP_ONTOP));
  SetFrameOnTop(frames[1], false);
  EXPECT_EQ(ToolText(tooltip, frames[1], State(1)->captionButtons[2]), LoadResString(IDS_TIP_ONTOP));

  // Five caption buttons and two frame buttons per frame; a frame that goes takes its own
  // seven tools and its button in each other frame.
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 21);
  DestroyWindow(frames[2]);
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 12);
  EXPECT_EQ(State(0)->buttons.size(), 1u);
  EXPECT_EQ(ToolText(tooltip, frames[0], State(0)->captionButtons[4]), LoadResString(IDS_TIP_CLOSE));
  // With the last frame the control goes too.
  CloseLayout();
  EXPECT_FALSE(IsWindow(tooltip));
}

// The real pointer over a caption button and over a frame button shows their texts (the frame
// button names its target frame); with tooltips switched off nothing shows.
TEST_F(FrameTooltips, TheRealPointerShowsEachTextOnlyWhileTooltipsAreOn) {
  HWND tooltip = State(1)->tooltip;
  for (HWND f : frames) {
    SetWindowPos(f, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(jqbartest::ShowOnScreen(f));
  }
  auto centre = [](HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
  };
  auto shown = [&](HWND button, DWORD ms) {
    return jqtest::PumpUntil([&] {
      TOOLINFOA ti{};
      ti.cbSize = TTTOOLINFOA_V1_SIZE;
      return IsWindowVisible(tooltip) && SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) &&
             ti.uId == reinterpret_cast<UINT_PTR>(button);
    }, ms);
  };
  auto windowText = [&] {
    char text[200] = {};
    SendMessageA(tooltip, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return std::string(text);
  };
  HWND close = State(1)->captionButtons[4];
  HWND toOne = State(1)->buttons[0].button;
  ASSERT_TRUE(IsWindowVisible(close));
  ASSERT_TRUE(IsWindowVisible(toOne));
  ASSERT_EQ(State(1)->buttons[0].target, frames[0]);

  ASSERT_TRUE(xdo::Run("xdotool mousemove " + centre(close) + " sleep 0.1 mousemove_relative 1 0"));
  EXPECT_TRUE(shown(close, 5000));
  EXPECT_EQ(windowText(), LoadResString(IDS_TIP_CLOSE));
  ASSERT_TRUE(xdo::Run("xdotool mousemove " + centre(toOne) + " sleep 0.1 mousemove_relative 1 0"));
  EXPECT_TRUE(shown(toOne, 5000));
  EXPECT_EQ(windowText(), "Tip One");

  SetFrameTooltips(false);
  ASSERT_TRUE(xdo::Run("xdotool mousemove 1270 10 sleep 0.2 mousemove " + centre(close) +
                       " sleep 0.1 mousemove_relative 1 0"));
  EXPECT_FALSE(shown(close, 1500));
  SetFrameTooltips(true);
  xdo::Run("xdotool mousemove 1279 899");
}

}  // namespace
}  // namespace jqbar
