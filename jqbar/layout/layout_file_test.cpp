#include "layout_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace jqbar {
namespace {

std::uint32_t IntAt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

LayoutNode Node(const std::string& type, const std::string& name,
                std::vector<std::uint8_t> blob = {}, std::vector<LayoutNode> children = {}) {
  return LayoutNode{type, name, std::move(blob), std::move(children)};
}

// Two frames: the first holds a group with two panels, the second one panel.
LayoutFile SampleLayout() {
  LayoutFile layout;
  layout.tooltips = true;
  layout.shiftForPopup = true;
  layout.noDropShadow = false;
  layout.hidden[1] = 1;
  layout.taskbarWidth = 350;
  layout.taskbarHeight = -2;
  layout.frames.push_back(Node("Toolbar", "Main", {1, 2, 3},
      {Node("Tool Group", "Group", {}, {Node("Clock", "Clock", {9}), Node("Start Menus", "Menus")})}));
  layout.frames.push_back(Node("Taskbar Toolbar", "Task", {7, 7}, {Node("Clock", "Clock 2")}));
  return layout;
}

std::vector<std::string> Names(const std::vector<LayoutNode>& list) {
  std::vector<std::string> out;
  for (const LayoutNode& n : list) out.push_back(n.displayName);
  return out;
}

void ExpectSameTree(const std::vector<LayoutNode>& a, const std::vector<LayoutNode>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].typeName, b[i].typeName);
    EXPECT_EQ(a[i].displayName, b[i].displayName);
    EXPECT_EQ(a[i].blob, b[i].blob);
    ExpectSameTree(a[i].children, b[i].children);
  }
}

TEST(LayoutFileBytes, HeaderAndNodesSitAtTheirOffsets) {
  std::vector<std::uint8_t> b = SerializeLayout(SampleLayout());
  EXPECT_EQ(IntAt(b, 0), 0x3FA5974Au);
  EXPECT_EQ(IntAt(b, 4), 0x10001u);
  EXPECT_EQ(b[8], 0);
  EXPECT_EQ(b[9], 1);
  EXPECT_EQ(IntAt(b, 48), 350u);
  EXPECT_EQ(IntAt(b, 52), 0xFFFFFFFEu);
  // First frame record at 56: names at 8 and 28, ignored fields zero.
  EXPECT_STREQ(reinterpret_cast<const char*>(&b[56 + 8]), "Toolbar");
  EXPECT_STREQ(reinterpret_cast<const char*>(&b[56 + 28]), "Main");
  for (std::size_t at : {0u, 4u, 56u, 60u, 64u, 68u}) EXPECT_EQ(IntAt(b, 56 + at), 0u) << at;
  std::size_t p = 56 + 72;
  EXPECT_EQ(IntAt(b, p), 3u);                      // blob size
  EXPECT_EQ(b[p + 4], 1); EXPECT_EQ(b[p + 6], 3);  // blob bytes
  EXPECT_EQ(IntAt(b, p + 7), 1u);                  // has-child
  EXPECT_STREQ(reinterpret_cast<const char*>(&b[p + 11 + 8]), "Tool Group");
  // The last word of the file is the second frame's has-next: 0.
  EXPECT_EQ(IntAt(b, b.size() - 4), 0u);
}

TEST(LayoutFileBytes, RoundTripKeepsEverything) {
  LayoutFile in = SampleLayout();
  std::vector<std::uint8_t> b = SerializeLayout(in);
  auto out = ParseLayout(b.data(), b.size());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->magic, in.magic);
  EXPECT_EQ(out->tooltips, in.tooltips);
  EXPECT_EQ(out->shiftForPopup, in.shiftForPopup);
  EXPECT_EQ(out->noDropShadow, in.noDropShadow);
  EXPECT_EQ(out->hidden, in.hidden);
  EXPECT_EQ(out->taskbarWidth, in.taskbarWidth);
  EXPECT_EQ(out->taskbarHeight, in.taskbarHeight);
  ExpectSameTree(out->frames, in.frames);
  EXPECT_EQ(SerializeLayout(*out), b);
}

TEST(LayoutFileBytes, MagicAndFlagWords) {
  struct Case { std::uint32_t magic; std::uint32_t flags; bool loads, tips, shift, noShadow; };
  const Case cases[] = {
      {0x3FA5974A, 0x00000001, true, true, false, false},
      {0x3FA59743, 0x00000080, true, true, false, false},  // wizard's magic; any low byte
      {0x3FA59743, 0x00100000, true, false, false, true},
      {0x3FA5974A, 0xFFFFFF00, true, false, true, true},
      {0x3FA59744, 0x00000001, false, false, false, false},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> b = SerializeLayout(SampleLayout());
    for (int i = 0; i < 4; ++i) {
      b[i] = std::uint8_t(c.magic >> (8 * i));
      b[4 + i] = std::uint8_t(c.flags >> (8 * i));
    }
    auto out = ParseLayout(b.data(), b.size());
    ASSERT_EQ(bool(out), c.loads) << std::hex << c.magic;
    if (!out) continue;
    EXPECT_EQ(out->magic, c.magic);
    EXPECT_EQ(out->tooltips, c.tips) << std::hex << c.flags;
    EXPECT_EQ(out->shiftForPopup, c.shift) << std::hex << c.flags;
    EXPECT_EQ(out->noDropShadow, c.noShadow) << std::hex << c.flags;
  }
}

TEST(LayoutFileRead, LegacyNamesAreRenamedExactly) {
  const std::pair<const char*, const char*> cases[] = {
      {"QuickStart Menus", "Start Menus"},
      {"Printer Manager", "Print Manager"},
      {"quickstart menus", "quickstart menus"},
      {"Printer Manager ", "Printer Manager "},
      {"Clock", "Clock"},
  };
  for (auto [from, to] : cases) {
    LayoutFile layout;
    layout.frames.push_back(Node("Toolbar", "F", {}, {Node(from, from)}));
    std::vector<std::uint8_t> b = SerializeLayout(layout);
    auto out = ParseLayout(b.data(), b.size());
    ASSERT_TRUE(out);
    EXPECT_EQ(out->frames[0].children[0].typeName, to);
    EXPECT_EQ(out->frames[0].children[0].displayName, to);
  }
}

TEST(LayoutFileRead, UnknownTypesAreDroppedAndTheirNextSiblingTakesTheirPlace) {
  LayoutFile layout;
  layout.frames.push_back(Node("Toolbar", "F1", {}, {
      Node("Gone", "a", {}, {Node("Clock", "under gone")}),
      Node("Gone", "b"),
      Node("Clock", "c"),
      Node("Gone", "d"),
      Node("Clock", "e")}));
  layout.frames.push_back(Node("Gone", "F2"));
  layout.frames.push_back(Node("Toolbar", "F3"));
  std::vector<std::uint8_t> b = SerializeLayout(layout);
  auto known = [](const std::string& t) { return t != "Gone"; };
  auto out = ParseLayout(b.data(), b.size(), known);
  ASSERT_TRUE(out);
  EXPECT_EQ(Names(out->frames), (std::vector<std::string>{"F1", "F3"}));
  EXPECT_EQ(Names(out->frames[0].children), (std::vector<std::string>{"c", "e"}));

  layout.frames.erase(layout.frames.begin());  // now the first frame is unknown
  b = SerializeLayout(layout);
  EXPECT_FALSE(ParseLayout(b.data(), b.size(), known));
}

TEST(LayoutFileRead, TruncatedAtEveryOffset) {
  std::vector<std::uint8_t> b = SerializeLayout(SampleLayout());
  std::size_t secondFrame = b.size() - (72 + 4 + 2 + 4 + 72 + 4 + 4 + 4 + 4);
  ASSERT_STREQ(reinterpret_cast<const char*>(&b[secondFrame + 8]), "Taskbar Toolbar");
  for (std::size_t cut = 0; cut < b.size(); ++cut) {
    auto out = ParseLayout(b.data(), cut);
    if (cut < secondFrame) {
      EXPECT_FALSE(out) << cut;  // ends inside the first frame (or at its has-next)
    } else {
      ASSERT_TRUE(out) << cut;   // a later frame cut short: the first frame stays
      EXPECT_EQ(Names(out->frames), std::vector<std::string>{"Main"}) << cut;
      EXPECT_EQ(out->frames[0].children.size(), 1u);
    }
  }
}

TEST(LayoutFileRead, LyingSizesAndUnterminatedNamesAreBounded) {
  LayoutFile layout;
  layout.frames.push_back(Node("Toolbar", "F", {5, 5}));
  const std::vector<std::uint8_t> good = SerializeLayout(layout);
  for (std::uint32_t size : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 3u, 0x00400001u}) {
    std::vector<std::uint8_t> b = good;
    for (int i = 0; i < 4; ++i) b[56 + 72 + i] = std::uint8_t(size >> (8 * i));
    EXPECT_FALSE(ParseLayout(b.data(), b.size())) << std::hex << size;
  }
  std::vector<std::uint8_t> b = good;
  std::memset(&b[56 + 8], 'T', 20);
  std::memset(&b[56 + 28], 'D', 28);
  auto out = ParseLayout(b.data(), b.size());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->frames[0].typeName, std::string(19, 'T'));
  EXPECT_EQ(out->frames[0].displayName, std::string(27, 'D'));
}

TEST(LayoutFileRead, DeepNestingFailsAndLongSiblingListsLoad) {
  // A hand-built file of group records each saying a child follows, 100000 levels deep.
  std::vector<std::uint8_t> b = SerializeLayout(LayoutFile{});
  for (int i = 0; i < 100000; ++i) {
    b.resize(b.size() + 72, 0);
    std::memcpy(&b[b.size() - 72 + 8], "Tool Group", 10);
    for (std::uint8_t v : {0, 0, 0, 0, 1, 0, 0, 0}) b.push_back(v);
  }
  EXPECT_FALSE(ParseLayout(b.data(), b.size()));

  LayoutFile wide;
  wide.frames.push_back(Node("Toolbar", "F"));
  for (int i = 0; i < 15000; ++i) wide.frames[0].children.push_back(Node("Clock", "c"));
  b = SerializeLayout(wide);
  auto out = ParseLayout(b.data(), b.size());
  ASSERT_TRUE(out);
  EXPECT_EQ(out->frames[0].children.size(), 15000u);
}

TEST(LayoutFileDisk, WriteReplacesOnlyWhenComplete) {
  jqtest::TempFolder dir;
  std::string path = dir / "JQBar.jqc";
  LayoutFile first = SampleLayout();
  ASSERT_TRUE(WriteLayoutFile(path, first));
  EXPECT_TRUE(IsLayoutFile(path));
  auto back = ReadLayoutFile(path);
  ASSERT_TRUE(back);
  ExpectSameTree(back->frames, first.frames);

  LayoutFile second;
  second.frames.push_back(Node("Toolbar", "Other"));
  std::vector<std::uint8_t> bytes = SerializeLayout(second);
  EXPECT_FALSE(ReplaceFileContents(path, bytes, 30));  // fails half-way
  back = ReadLayoutFile(path);
  ASSERT_TRUE(back);
  ExpectSameTree(back->frames, first.frames);
  EXPECT_FALSE(jqtest::FileExists(path + ".~new"));

  EXPECT_FALSE(IsLayoutFile(dir.WriteFile("text.jqc", "not a layout")));
  EXPECT_FALSE(IsLayoutFile(dir / "missing.jqc"));
  EXPECT_FALSE(ReadLayoutFile(dir / "missing.jqc"));
}

}  // namespace
}  // namespace jqbar
