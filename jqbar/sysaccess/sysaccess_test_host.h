// Fixture of the system panels' tests: the toolbar's globals and classes, the built-in types
// including the system panels, a private registry, a temporary folder.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "seams.h"

#include "container_panel.h"
#include "frame_window.h"
#include "input_test_host.h"
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

// The shut-down helpers really start: they are the recording stand-ins beside the test program,
// which append "NAME|arguments|size of the layout file" to the log. Message boxes are answered
// from `answers` (then Yes) and kept as "caption|text"; the programs started are kept in
// `started`.
class ShutdownHelperTest : public SystemPanelTest {
 protected:
  void SetUp() override {
    SystemPanelTest::SetUp();
    log = temp / "helpers.log";
    SetEnvironmentVariableA("JQ_SHUTDOWN_LOG", log.c_str());
    seams::Handlers h = seams::CurrentHandlers();  // keeps the private registry roots
    h.messageBox = [this](HWND, const char* text, const char* caption, UINT) {
      boxes.push_back(std::string(caption) + "|" + text);
      int answer = answers.empty() ? IDYES : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return answer;
    };
    h.shellExecute = [this](SHELLEXECUTEINFOA* info) {
      started.push_back(info->lpFile ? info->lpFile : "");
      return ::ShellExecuteExA(info);
    };
    previous = seams::SetHandlers(h);
  }
  void TearDown() override {
    seams::SetHandlers(previous);
    SetEnvironmentVariableA("JQ_SHUTDOWN_LOG", nullptr);
    SetEnvironmentVariableA("JQ_SHUTDOWN_LAYOUT", nullptr);
    SystemPanelTest::TearDown();
  }
  // The log's lines once there are `want` of them (or what is there after 15 s).
  std::vector<std::string> Lines(std::size_t want) {
    std::vector<std::string> lines;
    jqtest::PumpUntil([&] {
      lines.clear();
      std::string text = jqtest::ReadFileText(log);
      std::size_t at = 0, nl;
      while ((nl = text.find('\n', at)) != std::string::npos) {
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
      }
      return lines.size() >= want;
    }, 15000);
    return lines;
  }
  std::string log;
  std::vector<std::string> boxes;
  std::vector<int> answers;
  std::vector<std::string> started;
  seams::Handlers previous;
};

}  // namespace jqbartest
