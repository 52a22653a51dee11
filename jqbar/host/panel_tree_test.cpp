#include "panel_tree.h"

#include <gtest/gtest.h>

#include "container_panel.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "toolbar_test_host.h"

namespace jqbar {
namespace {

using jqbartest::Node;

class PanelTree : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterContainerTypes();
    BuildPanelTypeList(Globals().instance);
  }
  void TearDown() override {
    FreePanelSubtree(FrameList(), true);
    FrameList() = nullptr;
    FreePanelTypeList();
  }
};

TEST_F(PanelTree, SearchesFindParentsSiblingsAndSubtrees) {
  std::vector<LayoutNode> frames = {
      Node("Toolbar", {1}, {Node("Tool Group", {2}, {Node("Tool Group", {3}), Node("Tool Group", {4})})}),
      Node("Toolbar", {5})};
  FrameList() = NodesFromLayout(frames);
  PanelNode* first = FrameList();
  PanelNode* group = first->child;
  PanelNode* inner1 = group->child;
  PanelNode* inner2 = inner1->next;
  PanelNode* second = first->next;
  EXPECT_EQ(FindParentNode(inner2), group);
  EXPECT_EQ(FindParentNode(group), first);
  EXPECT_EQ(FindParentNode(second), nullptr);
  EXPECT_EQ(FindPreviousSibling(inner2), inner1);
  EXPECT_EQ(FindPreviousSibling(second), first);
  EXPECT_EQ(FindPreviousSibling(inner1), nullptr);
  EXPECT_TRUE(IsInSubtree(first, inner2));
  EXPECT_FALSE(IsInSubtree(group, second));
  EXPECT_EQ(CountFrameNodes(), 2);
}

TEST_F(PanelTree, ANodeWithoutAWindowKeepsItsSettingsOnSave) {
  // A node whose panel could not be made still carries the settings it was loaded with.
  std::vector<LayoutNode> frames = {Node("Toolbar", {9, 8, 7}, {Node("Tool Group", {1, 2, 3, 4})})};
  FrameList() = NodesFromLayout(frames);
  std::vector<LayoutNode> saved = LayoutFromNodes(FrameList());
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].blob, (std::vector<std::uint8_t>{9, 8, 7}));
  ASSERT_EQ(saved[0].children.size(), 1u);
  EXPECT_EQ(saved[0].children[0].blob, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST_F(PanelTree, CopiesAreIndependentAndDetachingKeepsLiveSettings) {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
  RECT r{0, 0, 100, 40};
  auto blob = jqbartest::ContainerBlob("", 0, 0, 1, 5);
  PanelNode* node = NewPanelNode(parent, "Tool Group", "My Group", &r, blob.data(), int(blob.size()));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->created, 1);
  EXPECT_EQ(node->blob.size(), 132u);
  // The panel changes its settings: arrangement 0 now.
  GetContainerSettings(node->window)->arrangement = 0;
  PanelNode* copy = CopyPanelSubtree(node, true);
  ClearPanelWindowRefs(copy);
  EXPECT_EQ(copy->window, nullptr);
  DetachPanelWindows(node);
  EXPECT_EQ(node->window, nullptr);
  EXPECT_EQ(jqbartest::GetInt(node->blob, 0), 0);  // live settings kept
  EXPECT_EQ(jqbartest::GetInt(copy->blob, 0), 1);  // the copy kept the old ones
  EXPECT_EQ(NewPanelNode(parent, "No Such Type", "x", &r, nullptr, 0), nullptr);
  FreePanelSubtree(copy, true);
  FreePanelSubtree(node, true);
  DestroyWindow(parent);
}

TEST_F(PanelTree, AVeryLongSiblingListIsFreedWithoutDeepRecursion) {
  std::vector<LayoutNode> children(200000, Node("Tool Group", {}));
  std::vector<LayoutNode> frames = {Node("Toolbar", {}, std::move(children))};
  FrameList() = NodesFromLayout(frames);
  EXPECT_EQ(LayoutFromNodes(FrameList())[0].children.size(), 200000u);
}

}  // namespace
}  // namespace jqbar
