#include "panel_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container_panel.h"
#include "panel_utils.h"
#include "test_support.h"
#include "toolbar_test_host.h"

namespace jqbar {
namespace {

std::vector<std::string> TypeNames() {
  std::vector<std::string> names;
  for (PanelType* t = FirstPanelType(); t; t = t->next) names.push_back(t->typeName);
  return names;
}

class PanelTypes : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterContainerTypes();
    FreePanelTypeList();
  }
  void TearDown() override { FreePanelTypeList(); }
  void AddTool(const char* name, const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(registry.machine(), kToolsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   DWORD(path.size() + 1));
    RegCloseKey(key);
  }
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
};

TEST_F(PanelTypes, WithoutAToolsKeyOnlyTheBuiltInTypes) {
  BuildPanelTypeList(GetModuleHandleA(nullptr));
  EXPECT_EQ(TypeNames(), (std::vector<std::string>{"Taskbar Toolbar", "Toolbar", "Tool Group"}));
  PanelType* toolbar = FindPanelType("toolbar");
  ASSERT_NE(toolbar, nullptr);
  EXPECT_STREQ(toolbar->typeName, "Toolbar");
  EXPECT_EQ(toolbar->builtIn, 1);
  EXPECT_NE(toolbar->image, nullptr);
  EXPECT_EQ(FindPanelType("Clock"), nullptr);
}

TEST_F(PanelTypes, PluginTypesFollowInTheOrderOfferedAndARefusedTypeIsLeftOut) {
  AddTool("", jqbartest::SamplePluginPath());       // no name: skipped
  AddTool("Empty", "");                             // no path: skipped
  AddTool("Missing", temp / "NoSuch.dll");          // does not load: skipped
  AddTool("Samples", jqbartest::SamplePluginPath());
  std::string log = temp / "plugin.log";
  SetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_LOG", log.c_str());
  BuildPanelTypeList(GetModuleHandleA(nullptr));
  EXPECT_EQ(TypeNames(), (std::vector<std::string>{"Taskbar Toolbar", "Toolbar", "Tool Group",
                                                   "Sample Swatch", "Sample Bar"}));
  PanelType* swatch = FindPanelType("SAMPLE SWATCH");
  ASSERT_NE(swatch, nullptr);
  EXPECT_EQ(swatch->builtIn, 0);
  EXPECT_STREQ(swatch->displayName, "Sample Swatch");
  EXPECT_NE(swatch->module, nullptr);
  EXPECT_EQ(swatch->image, nullptr);
  EXPECT_EQ(swatch->imageIndex, 0);
  EXPECT_EQ(FindPanelType("Sample Bar")->terminateProc, nullptr);
  FreePanelTypeList();
  // Only the type with a terminate entry is told the program ends, once.
  EXPECT_EQ(jqtest::ReadFileText(log), "terminate Sample Swatch\r\n");
  SetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_LOG", nullptr);
}

TEST_F(PanelTypes, ALibraryThatNeverStopsOfferingTypesIsCutOff) {
  std::string copy = temp / "Endless.dll";
  ASSERT_TRUE(CopyFileA(jqbartest::SamplePluginPath().c_str(), copy.c_str(), FALSE));
  AddTool("Endless", copy);
  SetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_ENDLESS", "1");
  BuildPanelTypeList(GetModuleHandleA(nullptr));
  SetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_ENDLESS", nullptr);
  EXPECT_EQ(CountPanelTypes(), 3 + kMaxTypesPerLibrary);
}

TEST_F(PanelTypes, CreatingAPluginPanelGoesThroughItsCreateEntry) {
  AddTool("Samples", jqbartest::SamplePluginPath());
  BuildPanelTypeList(GetModuleHandleA(nullptr));
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  RECT r{0, 0, 60, 24};
  auto blob = jqbartest::SwatchBlob("Z", 0x123456);
  HWND panel = CreatePanelOfType(*FindPanelType("Sample Swatch"), parent, &r, blob.data(), int(blob.size()));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(GetParent(panel), parent);
  void* out = nullptr;
  EXPECT_EQ(SendMessageA(panel, WM_USER + 105, 0, reinterpret_cast<LPARAM>(&out)), 48);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::memcmp(out, blob.data(), blob.size()), 0);
  DestroyWindow(parent);
}

TEST(StripAmpersands, RemovesEveryAmpersand) {
  char label[] = "&Open && close &x";
  StripAmpersands(label);
  EXPECT_STREQ(label, "Open  close x");
}

}  // namespace
}  // namespace jqbar
