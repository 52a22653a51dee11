// The set-up wizard's hand-over, as JQGuider does it, received by the real toolbar.
#include <gtest/gtest.h>

#include "handover.h"
#include "layout_file.h"
#include "panel_types.h"
#include "test_support.h"
#include "toolbar_app.h"
#include "toolbar_test_host.h"
#include "wizard_history.h"

namespace jqbar {
namespace {

class GuiderHandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kToolsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string plugin = jqbartest::SamplePluginPath();
    RegSetValueExA(key, "Samples", 0, REG_SZ, reinterpret_cast<const BYTE*>(plugin.c_str()), DWORD(plugin.size() + 1));
    RegCloseKey(key);
    // The wizard really starts the toolbar here.
    seams::Handlers h = seams::CurrentHandlers();
    h.shellExecute = nullptr;
    previous = seams::SetHandlers(h);
  }
  void TearDown() override {
    // The toolbar ends before the kept keys are put back: one still running would write its
    // settings after that.
    jqtest::CloseProgramOf(FindWindowA(kMainWindowClass, nullptr), 413);
    jqtest::PumpUntil([] { return !FindWindowA(kExitMonitorClass, nullptr); }, 15000);
    seams::SetHandlers(previous);
  }
  std::string Layout(const char* name, const char* first, const char* second) {
    LayoutFile layout = jqbartest::SampleLayout(first, second);
    layout.magic = kLayoutMagicWizard;
    std::string path = temp / name;
    EXPECT_TRUE(WriteLayoutFile(path, layout));
    return path;
  }
  static bool Visible(const char* title) {
    HWND f = FindWindowA("Quorvanel", title);
    return f && IsWindowVisible(f);
  }
  jqtest::KeptRegistryKey toolbarKey{HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar"};
  jqtest::KeptRegistryKey toolsKey{HKEY_LOCAL_MACHINE, kToolsKeyPath};
  jqtest::TempFolder temp;
  seams::Handlers previous;
};

TEST_F(GuiderHandOver, TheWizardStartsTheToolbarOnItsNewestLayoutThenSendsTheNext) {
  std::string first = Layout("wizard1.jqc", "Wizard One", "Wizard Two");
  std::string second = Layout("wizard2.jqc", "Wizard Three", "Wizard Four");
  ASSERT_EQ(FindWindowA(kMainWindowClass, nullptr), nullptr);
  // No toolbar running: the wizard records its layout as the newest and starts JQBar.exe
  // without parameters, which opens it.
  ASSERT_TRUE(guider::UpdateLayoutHistory(first));
  EXPECT_EQ(guider::HandOverLayout(first, false, nullptr, jqtest::ProgramFolder() + "\\"),
            guider::HandOver::Started);
  ASSERT_TRUE(jqtest::PumpUntil([] { return Visible("Wizard One") && Visible("Wizard Two"); }, 30000));
  // Running: the next layout goes over by WM_COPYDATA 33 from the wizard's window.
  HWND sender = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(guider::HandOverLayout(second, true, sender, jqtest::ProgramFolder() + "\\"),
            guider::HandOver::Sent);
  EXPECT_TRUE(jqtest::PumpUntil([] { return Visible("Wizard Three") && !FindWindowA("Quorvanel", "Wizard One"); }, 30000));
  DestroyWindow(sender);
}

}  // namespace
}  // namespace jqbar
