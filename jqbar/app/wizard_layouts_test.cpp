// Every layout the set-up wizard writes, loaded by the toolbar into real frames with the
// panel types the toolbar registers at start-up.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "button_bar.h"
#include "clockmon_types.h"
#include "cmdline_panel.h"
#include "container_panel.h"
#include "frame_window.h"
#include "layout_file.h"
#include "layout_templates.h"
#include "menu_bar_window.h"
#include "menu_cache.h"
#include "panel_messages.h"
#include "panel_tree.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "test_support.h"
#include "toolbar_layout.h"
#include "wizard_layout_file.h"
#if __has_include("system_panel_types.h")
#include "system_panel_types.h"
#define JQ_HAVE_SYSTEM_PANELS 1
#endif

namespace jqbar {
namespace {

// The types a layout names that no registered panel type answers to, each once.
void MissingTypes(const std::vector<LayoutNode>& nodes, std::string& missing) {
  for (const LayoutNode& n : nodes) {
    if (!FindPanelType(n.typeName.c_str()) &&
        missing.find("\"" + n.typeName + "\"") == std::string::npos)
      missing += " \"" + n.typeName + "\"";
    MissingTypes(n.children, missing);
  }
}

bool Answer(HWND panel, std::vector<std::uint8_t>& out) {
  void* blob = nullptr;
  LRESULT size = SendMessageA(panel, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&blob));
  if (size <= 0 || !blob) return false;
  const auto* p = static_cast<const std::uint8_t*>(blob);
  out.assign(p, p + size);
  return true;
}

// Walks the file's tree and the live tree side by side: each node has a live window of its
// type that answers PNM_GETSETTINGS with settings taken from its body.
void CheckLive(const std::vector<LayoutNode>& file, const PanelNode* live, std::vector<std::string>& seen) {
  for (const LayoutNode& n : file) {
    SCOPED_TRACE(n.typeName);
    ASSERT_NE(live, nullptr) << "no panel for " << n.typeName;
    EXPECT_EQ(n.typeName, live->typeName);
    seen.push_back(live->typeName);
    ASSERT_TRUE(live->window && IsWindow(live->window)) << n.typeName << " has no window";
    std::vector<std::uint8_t> answer;
    ASSERT_TRUE(Answer(live->window, answer)) << n.typeName << " answers no settings";
    if (!n.blob.empty()) {
      // A panel that refused the wizard's body answers as one made without any.
      const PanelType* type = FindPanelType(n.typeName.c_str());
      RECT r{0, 0, 100, 30};
      HWND plain = CreatePanelOfType(*type, GetParent(live->window), &r, nullptr, 0);
      std::vector<std::uint8_t> defaults;
      if (plain && Answer(plain, defaults)) {
        EXPECT_NE(answer, defaults) << n.typeName << " dropped the wizard's settings ("
                                    << n.blob.size() << " bytes)";
      }
      if (plain) DestroyWindow(plain);
    }
    CheckLive(n.children, live->child, seen);
    live = live->next;
  }
  EXPECT_EQ(live, nullptr) << "more panels than nodes";
}

class WizardLayoutsInToolbar : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitCommonControls();
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterFrameClass(Globals().instance);
    StartMenuCacheThread();
    // The built-in types in the toolbar's own order.
    RegisterContainerTypes();
    AddBuiltinTypeRegistrar(RegisterButtonBarPanelType);
    AddBuiltinTypeRegistrar(RegisterCmdLinePanelType);
    RegisterStartMenuTypes();
    RegisterClockMonTypes();
#ifdef JQ_HAVE_SYSTEM_PANELS
    RegisterSystemPanelTypes();
#endif
    FreePanelTypeList();
    BuildPanelTypeList(Globals().instance);
  }
  static void TearDownTestSuite() {
    FreePanelTypeList();
    StopMenuCacheThread();
  }
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder recorder;
};

TEST_F(WizardLayoutsInToolbar, EveryStyleAndToolSetLoadsWithALivePanelPerNode) {
  guider::ToolSet all;
  for (bool& c : all.chosen) c = true;
  const struct {
    guider::WindowStyle style;
    const char* name;
  } styles[] = {{guider::WindowStyle::Docked, "docked"},
                {guider::WindowStyle::Taskbar, "taskbar"},
                {guider::WindowStyle::Floating, "floating"}};
  for (const auto& s : styles) {
    for (const guider::ToolSet& tools : {all, guider::ToolSet{}}) {
      const bool every = tools.Has(guider::kClock);
      SCOPED_TRACE(std::string(s.name) + (every ? " with every tool" : " with no tool"));
      std::string file = temp / (std::string(s.name) + (every ? "_all.jqc" : "_none.jqc"));
      ASSERT_TRUE(guider::WriteWizardLayout(file, s.style, tools, guider::DisplayNames()));
      // Read knowing every type, so that a type the toolbar lacks is named.
      std::optional<LayoutFile> layout = ReadLayoutFile(file);
      ASSERT_TRUE(layout.has_value());
      std::string missing;
      MissingTypes(layout->frames, missing);
      EXPECT_TRUE(missing.empty()) << "panel types not registered:" << missing;
      // The toolbar drops nodes of unknown types: the rest must still come up whole.
      std::optional<LayoutFile> known = ReadToolbarLayout(file);
      ASSERT_TRUE(known.has_value());
      ASSERT_TRUE(LoadToolbarLayout(file, false));
      std::vector<std::string> seen;
      CheckLive(known->frames, FrameList(), seen);
      // Outside the taskbar (whose slots hold some tools itself) every chosen tool is a panel.
      if (every && s.style != guider::WindowStyle::Taskbar) {
        const guider::NodeKind toolKinds[] = {
            guider::kNodeQuickLaunch,   guider::kNodeStartMenus,  guider::kNodePrintManager,
            guider::kNodeMultiView,     guider::kNodeSystemMonitor, guider::kNodeClock,
            guider::kNodeCommandLine,   guider::kNodeSystemAccess};
        for (guider::NodeKind k : toolKinds) {
          std::string type = guider::NodeTypeName(k);
          if (missing.find("\"" + type + "\"") == std::string::npos)
            EXPECT_NE(std::find(seen.begin(), seen.end(), type), seen.end()) << type << " has no panel";
        }
      }
      CloseLayout();
    }
  }
}

}  // namespace
}  // namespace jqbar
