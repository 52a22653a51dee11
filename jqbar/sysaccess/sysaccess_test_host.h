// Fixture of the system panels' tests: the toolbar's globals and classes, the built-in types
// including the system panels, a private registry, a temporary folder.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include "container_panel.h"
#include "frame_window.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "system_panel_types.h"
#include "test_support.h"
#include "toolbar_layout.h"
#include "toolbar_test_host.h"

namespace jqbartest {

class SystemPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jqbar::Globals().instance = GetModuleHandleA(nullptr);
    jqbar::RegisterFrameClass(jqbar::Globals().instance);
    jqbar::RegisterContainerTypes();
    jqbar::RegisterSystemPanelTypes();
    jqbar::FreePanelTypeList();
    jqbar::BuildPanelTypeList(jqbar::Globals().instance);
    jqbar::RecentLayouts() = jqbar::LayoutHistory();
  }
  void TearDown() override {
    jqbar::CloseLayout();
    jqbar::FreePanelTypeList();
  }
  // Loads a layout of one floating frame "Test" at (x, y) holding the given panels.
  bool LoadFrameWith(const std::string& file, std::vector<jqbar::LayoutNode> panels, int x = 40,
                     int y = 40, int arrangement = 0, const std::string& title = "Test") {
    jqbar::LayoutFile layout;
    layout.frames.push_back(Node("Toolbar", ContainerBlob(title, x, y, arrangement), std::move(panels)));
    return jqbar::WriteLayoutFile(file, layout) && jqbar::LoadToolbarLayout(file, false);
  }
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
};

}  // namespace jqbartest
