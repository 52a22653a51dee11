// Every layout the wizard writes, read back by the toolbar's own layout reader.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "layout_file.h"  // the toolbar's reader (jqbar/layout)
#include "layout_templates.h"

namespace guider {
namespace {

void Collect(const jqbar::LayoutNode& node, int depth, std::vector<std::string>& out) {
  out.push_back(std::to_string(depth) + " " + node.typeName + " " +
                std::to_string(node.blob.size()));
  for (const auto& child : node.children) Collect(child, depth + 1, out);
}

TEST(ToolbarReader, ReadsEveryWizardLayoutWithEveryNodeAndBody) {
  ToolSet all;
  for (bool& c : all.chosen) c = true;
  for (WindowStyle style : {WindowStyle::Docked, WindowStyle::Taskbar, WindowStyle::Floating}) {
    for (const ToolSet& tools : {all, ToolSet{}}) {
      SCOPED_TRACE(static_cast<int>(style));
      std::vector<uint8_t> bytes = BuildWizardLayout(style, tools, DisplayNames());
      auto layout = jqbar::ParseLayout(bytes.data(), bytes.size());
      ASSERT_TRUE(layout.has_value());
      EXPECT_EQ(layout->magic, jqbar::kLayoutMagicWizard);
      EXPECT_TRUE(layout->tooltips);
      EXPECT_EQ(layout->taskbarWidth, 350);
      EXPECT_EQ(layout->taskbarHeight, 350);
      ASSERT_EQ(layout->frames.size(), 1u);
      std::vector<std::string> read;
      Collect(layout->frames[0], 0, read);
      // The same tree as the wizard's own reading of its bytes: node count and bodies.
      size_t expectedNodes = style == WindowStyle::Floating ? 3 : 2;
      if (tools.Has(kClock)) {  // every tool chosen
        expectedNodes += style == WindowStyle::Taskbar ? 4 : 8;
      }
      EXPECT_EQ(read.size(), expectedNodes);
      EXPECT_EQ(layout->frames[0].blob, NodeBody(style == WindowStyle::Taskbar
                                                      ? kNodeTaskbarToolbar
                                                      : kNodeToolbar,
                                                  style, tools));
      // Writing it again as the toolbar does gives the same tree.
      std::vector<uint8_t> again = jqbar::SerializeLayout(*layout);
      auto reread = jqbar::ParseLayout(again.data(), again.size());
      ASSERT_TRUE(reread.has_value());
      std::vector<std::string> second;
      Collect(reread->frames[0], 0, second);
      EXPECT_EQ(second, read);
    }
  }
}

}  // namespace
}  // namespace guider
