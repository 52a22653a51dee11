// The fixture of the configuration tests: the sample plug-in registered, the container types
// and the configuration handlers installed, a layout of two frames loaded from a file, and
// helpers that read the panel tree back as text.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config_dialog.h"
#include "container_panel.h"
#include "frame_window.h"
#include "input_test_host.h"
#include "layout_snapshot.h"
#include "layout_undo.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "xdo_input.h"
#include "resource_jqbar.h"
#include "panel_utils.h"
#include "test_support.h"
#include "toolbar_layout.h"
#include "toolbar_test_host.h"

namespace configtest {

using namespace jqbar;
using jqbartest::ContainerBlob;
using jqbartest::Node;
using jqbartest::SwatchBlob;

// "Alpha" (a group G1 with swatches A and B, then swatch C) and "Beta" (swatches D and E).
inline LayoutFile TwoFrames() {
  LayoutFile layout;
  layout.frames.push_back(Node(
      "Toolbar", ContainerBlob("Alpha", 40, 40, 0, 13),
      {Node("Tool Group", ContainerBlob("", 0, 0, 2, 12),
            {Node("Sample Swatch", SwatchBlob("A", 0x0000FF), {}, "A"),
             Node("Sample Swatch", SwatchBlob("B", 0x00FF00), {}, "B")}, "G1"),
       Node("Sample Swatch", SwatchBlob("C", 0xFF0000), {}, "C")},
      "Alpha"));
  layout.frames.push_back(Node("Toolbar", ContainerBlob("Beta", 40, 300, 1, 14),
                               {Node("Sample Swatch", SwatchBlob("D", 0x00FFFF), {}, "D"),
                                Node("Sample Swatch", SwatchBlob("E", 0xFF00FF), {}, "E")},
                               "Beta"));
  return layout;
}

// The tree as text: display names, children in brackets, frames separated by "; ".
inline std::string ShapeOf(const PanelNode* node) {
  std::string out;
  for (; node; node = node->next) {
    out += node->displayName;
    if (node->child) out += "[" + ShapeOf(node->child) + "]";
    if (node->next) out += ",";
  }
  return out;
}

inline std::string Shape() {
  std::string out;
  for (PanelNode* f = FrameList(); f; f = f->next) {
    if (!out.empty()) out += "; ";
    out += f->displayName;
    if (f->child) out += "[" + ShapeOf(f->child) + "]";
  }
  return out;
}

// Every node has a live window whose parent is its parent node's window, in sibling order.
inline bool WindowsMatch(const PanelNode* parent, const PanelNode* node) {
  HWND expected = nullptr;
  for (; node; node = node->next) {
    if (!node->window || !IsWindow(node->window)) return false;
    if (parent && GetParent(node->window) != parent->window) return false;
    if (parent) {
      // Sibling windows follow the node order.
      HWND before = GetWindow(node->window, GW_HWNDPREV);
      if (expected && before != expected) return false;
      expected = node->window;
    }
    if (!WindowsMatch(node, node->child)) return false;
  }
  return true;
}

inline PanelNode* Find(const std::string& name, PanelNode* node = nullptr) {
  if (!node) node = FrameList();
  for (; node; node = node->next) {
    if (name == node->displayName) return node;
    if (PanelNode* found = node->child ? Find(name, node->child) : nullptr) return found;
  }
  return nullptr;
}

inline std::string FrameTitleOf(const PanelNode* node) {
  char title[80] = {};
  if (node && node->window) GetWindowTextA(GetParent(node->window), title, sizeof title);
  return title;
}

// Runs a shell command line on the host, pumping messages until it has finished.
inline bool RunOnHost(const std::string& command, DWORD timeoutMs = 30000) { return xdo::Run(command, timeoutMs); }

class ConfigFixture : public ::testing::Test {
 public:
  void SetUp() override {
    HKEY key = nullptr;
    RegCreateKeyExA(registry.machine(), kToolsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string plugin = jqbartest::SamplePluginPath();
    RegSetValueExA(key, "Samples", 0, REG_SZ, reinterpret_cast<const BYTE*>(plugin.c_str()),
                   DWORD(plugin.size() + 1));
    RegCloseKey(key);
    InitCommonControls();
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterFrameClass(Globals().instance);
    RegisterContainerTypes();
    FreePanelTypeList();
    BuildPanelTypeList(Globals().instance);
    RecentLayouts() = LayoutHistory();
    InstallConfigHandlers();
    file = temp / "layout.jqc";
    ASSERT_TRUE(WriteLayoutFile(file, TwoFrames()));
    ASSERT_TRUE(LoadToolbarLayout(file, false));
  }
  void TearDown() override {
    CloseConfigDialog();
    ClearUndo();
    DiscardLayout();
    FreePanelTypeList();
  }
  HWND OwnerFrame() { return GetParent(FrameList()->window); }
  HWND Dialog() { return GetConfigDialog(); }
  HWND ConfigTree() { return GetDlgItem(Dialog(), 302); }
  HWND TypesTree() { return GetDlgItem(Dialog(), 304); }
  void Open(PanelNode* select = nullptr) {
    ASSERT_EQ(OpenConfigDialog(OwnerFrame(), select), 1);
    ASSERT_NE(Dialog(), nullptr);
    // JQ_CONFIG_SHOT=<Unix path>: a picture of the screen with the dialog open.
    if (const char* shot = getenv("JQ_CONFIG_SHOT")) {
      jqtest::PumpUntil([] { return false; }, 800);
      RunOnHost(std::string("import -window root ") + shot);
    }
  }
  void Command(int id) {
    SendMessageA(Dialog(), WM_COMMAND, id, 0);
    jqtest::PumpPending();
  }
  void Select(const std::string& name) {
    PanelNode* node = Find(name);
    ASSERT_NE(node, nullptr) << name;
    ASSERT_TRUE(SelectConfigNode(node)) << name;
  }

  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
  std::string file;
};

}  // namespace configtest
