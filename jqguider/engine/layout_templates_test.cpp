// The layout the wizard writes, read back independently of the templates: header, tree shape,
// node records and every byte of every body against tables of the expected fields.
#include "layout_templates.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include "le_bytes.h"

namespace guider {
namespace {

struct Field {
  size_t offset;
  int32_t value;
};
struct TextField {
  size_t offset;
  const char* text;
};
struct ExpectedBody {
  size_t size;
  std::vector<Field> fields;  // every other int32 is 0
  std::vector<TextField> texts;
};

std::vector<uint8_t> Materialise(const ExpectedBody& e) {
  std::vector<uint8_t> b(e.size, 0);
  for (const Field& f : e.fields) le::PutI32(&b[f.offset], f.value);
  for (const TextField& t : e.texts) memcpy(&b[t.offset], t.text, strlen(t.text));
  return b;
}

const ExpectedBody kDockedRoot{124,
                               {{0, 2}, {4, 1}, {8, 100}, {12, 100}, {16, 500}, {20, 60},
                                {24, 20}, {28, 20}, {32, 1}, {36, 1}, {48, 1}, {100, 1}},
                               {{60, "Quorvanel Toolbar"}}};
const ExpectedBody kFloatingRoot{124,
                                 {{0, 1}, {4, 1}, {8, 100}, {12, 100}, {16, 500}, {20, 60},
                                  {24, 20}, {28, 20}, {32, 0}, {36, 1}, {48, 1}, {100, 1}},
                                 {{60, "Quorvanel Toolbar"}}};
const ExpectedBody kGroup{124,
                          {{0, 2}, {4, 1}, {8, 100}, {12, 100}, {16, 500}, {20, 60}, {24, 20},
                           {28, 20}, {48, 1}},
                          {}};
ExpectedBody TaskbarRoot(std::vector<int32_t> slots) {
  ExpectedBody e{124,
                 {{0, 2}, {4, 1}, {8, 100}, {12, 100}, {16, 300}, {20, 300}, {24, 300},
                  {28, 300}, {32, 3}, {36, 1}, {48, 1}, {100, 1}},
                 {{60, "Taskbar Toolbar"}}};
  for (size_t i = 0; i < slots.size(); ++i) e.fields.push_back({108 + 4 * i, slots[i]});
  return e;
}

// Tool bodies of the docked/taskbar layouts (first) and the floating layout (second).
std::map<std::string, std::pair<ExpectedBody, ExpectedBody>> ToolBodies() {
  ExpectedBody startMenus{108, {{0, 1}, {4, 1}, {8, 1}, {52, 1}, {64, 6}, {68, 1}, {92, 10},
                                {96, 10}}, {}};
  ExpectedBody clock{112, {{0, 1}, {40, 2}, {52, 1}}, {}};
  ExpectedBody clockFloating{112, {{0, 1}, {40, 2}, {52, 1}, {56, 1}}, {}};
  ExpectedBody quick{360, {{0, 1}, {4, 1}, {8, 1}, {256, 1}, {300, 1}, {312, 30}, {316, 1}}, {}};
  ExpectedBody quickFloating{
      360, {{0, 1}, {4, 1}, {8, 1}, {256, 2}, {300, 1}, {312, 30}, {316, 1}}, {{12, "My Group"}}};
  ExpectedBody multi{316, {{0, 2}, {4, 1}, {8, 3}, {12, 1}, {16, 1}, {20, 1}}, {}};
  ExpectedBody multiFloating{316, {{0, 2}, {4, 1}, {8, 1}, {12, 1}, {16, 1}, {20, 1}}, {}};
  ExpectedBody monitor{52, {{0, 1}, {8, 2}, {12, 64}, {20, 13}, {28, 15}, {32, 2}}, {}};
  ExpectedBody print{32, {{0, 1}, {12, 20}, {16, 1}}, {}};
  ExpectedBody printFloating{32, {{0, 3}, {12, 20}, {16, 1}}, {}};
  ExpectedBody cmd{312, {{0, 0}, {4, 1}, {8, 1}}, {{52, "c:\\"}}};
  ExpectedBody cmdFloating{312, {{0, 1}, {4, 1}, {8, 1}}, {{52, "c:\\"}}};
  ExpectedBody access{360,
                      {{4, 1}, {8, 1}, {212, 30}, {256, 1}, {300, 1}, {312, 30}, {316, 1},
                       {324, 1}, {328, 1}, {332, 1}, {336, 1}, {340, 1}, {344, 3}},
                      {}};
  return {{"Start Menus", {startMenus, startMenus}}, {"Clock", {clock, clockFloating}},
          {"QuickLaunch", {quick, quickFloating}},   {"MultiView", {multi, multiFloating}},
          {"System Monitor", {monitor, monitor}},    {"Print Manager", {print, printFloating}},
          {"Command Line", {cmd, cmdFloating}},      {"System Access", {access, access}}};
}

const std::map<std::string, std::pair<uint32_t, std::string>> kRecords = {
    {"Toolbar", {124, "Quorvanel Toolbar"}}, {"Taskbar Toolbar", {124, "Taskbar Toolbar"}},
    {"Tool Group", {124, "Tool Group"}},     {"Start Menus", {0, "Start Menus"}},
    {"Clock", {112, "Clock"}},               {"QuickLaunch", {0, "QuickLaunch"}},
    {"System Access", {0, "System Access"}}, {"MultiView", {316, "MultiView"}},
    {"System Monitor", {0, "System Monitor"}}, {"Print Manager", {32, "Print Manager"}},
    {"Command Line", {312, "Command Line"}}};

struct ReadNode {
  int depth;
  std::string type;
  std::vector<uint8_t> record, body;
};

// Reads one sibling list as the toolbar's reader does; false on a short or malformed file.
bool ReadSiblings(const std::vector<uint8_t>& f, size_t& at, int depth,
                  std::vector<ReadNode>& out) {
  for (;;) {
    if (at + 76 > f.size()) return false;
    ReadNode n{depth, {}, {f.begin() + at, f.begin() + at + 72}, {}};
    n.type.assign(reinterpret_cast<const char*>(&f[at + 8]), strnlen(reinterpret_cast<const char*>(&f[at + 8]), 20));
    at += 72;
    uint32_t size = le::GetU32(&f[at]);
    at += 4;
    if (at + size + 4 > f.size()) return false;
    n.body.assign(f.begin() + at, f.begin() + at + size);
    at += size;
    out.push_back(n);
    uint32_t hasChild = le::GetU32(&f[at]);
    at += 4;
    if (hasChild && !ReadSiblings(f, at, depth + 1, out)) return false;
    if (at + 4 > f.size()) return false;
    uint32_t hasNext = le::GetU32(&f[at]);
    at += 4;
    if (!hasNext) return true;
  }
}

ToolSet All() {
  ToolSet t;
  for (bool& c : t.chosen) c = true;
  return t;
}

struct LayoutCase {
  const char* what;
  WindowStyle style;
  ToolSet tools;
  std::vector<std::pair<int, std::string>> tree;  // depth and type, depth first
  std::vector<int32_t> taskbarSlots;
};

TEST(WizardLayout, EachStyleWritesItsTreeAndEveryBodyByteForByte) {
  ToolSet some;
  some.chosen[kClock] = some.chosen[kCommandLine] = some.chosen[kMultiView] = true;
  ToolSet taskbarSome;
  taskbarSome.chosen[kMultiView] = taskbarSome.chosen[kStartMenus] = true;
  taskbarSome.chosen[kClock] = true;  // not a taskbar tool
  const LayoutCase cases[] = {
      {"docked, every tool", WindowStyle::Docked, All(),
       {{0, "Toolbar"}, {1, "Tool Group"}, {2, "Start Menus"}, {2, "Clock"}, {2, "QuickLaunch"},
        {2, "MultiView"}, {2, "System Monitor"}, {2, "Print Manager"}, {2, "Command Line"},
        {2, "System Access"}}, {}},
      {"docked, no tool", WindowStyle::Docked, ToolSet{}, {{0, "Toolbar"}, {1, "Tool Group"}}, {}},
      {"docked, some tools", WindowStyle::Docked, some,
       {{0, "Toolbar"}, {1, "Tool Group"}, {2, "Clock"}, {2, "MultiView"}, {2, "Command Line"}},
       {}},
      {"taskbar, every tool", WindowStyle::Taskbar, All(),
       {{0, "Taskbar Toolbar"}, {1, "Tool Group"}, {2, "QuickLaunch"}, {2, "Start Menus"},
        {2, "Print Manager"}, {2, "MultiView"}}, {1, 2, 3, 4}},
      {"taskbar, no tool", WindowStyle::Taskbar, ToolSet{},
       {{0, "Taskbar Toolbar"}, {1, "Tool Group"}}, {0, 0, 0, 0}},
      {"taskbar, two of its tools", WindowStyle::Taskbar, taskbarSome,
       {{0, "Taskbar Toolbar"}, {1, "Tool Group"}, {2, "Start Menus"}, {2, "MultiView"}},
       {2, 4, 0, 0}},
      {"floating, every tool", WindowStyle::Floating, All(),
       {{0, "Toolbar"}, {1, "Tool Group"}, {2, "QuickLaunch"}, {2, "System Monitor"},
        {2, "Print Manager"}, {2, "Clock"}, {1, "Tool Group"}, {2, "Command Line"},
        {2, "System Access"}, {2, "MultiView"}, {2, "Start Menus"}}, {}},
      {"floating, no tool", WindowStyle::Floating, ToolSet{},
       {{0, "Toolbar"}, {1, "Tool Group"}, {1, "Tool Group"}}, {}},
      {"floating, second group only", WindowStyle::Floating, [] {
         ToolSet t;
         t.chosen[kStartMenus] = true;
         return t;
       }(),
       {{0, "Toolbar"}, {1, "Tool Group"}, {1, "Tool Group"}, {2, "Start Menus"}}, {}},
  };
  const auto tools = ToolBodies();
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> f = BuildWizardLayout(c.style, c.tools, DisplayNames());
    ASSERT_GE(f.size(), 56u);
    EXPECT_EQ(le::GetU32(&f[0]), 0x3FA59743u);
    EXPECT_EQ(le::GetU32(&f[4]), 1u);
    for (size_t i = 8; i < 48; ++i) EXPECT_EQ(f[i], 0) << i;
    EXPECT_EQ(le::GetI32(&f[48]), 350);
    EXPECT_EQ(le::GetI32(&f[52]), 350);

    size_t at = 56;
    std::vector<ReadNode> nodes;
    ASSERT_TRUE(ReadSiblings(f, at, 0, nodes));
    EXPECT_EQ(at, f.size()) << "bytes after the tree";
    ASSERT_EQ(nodes.size(), c.tree.size());
    const bool floating = c.style == WindowStyle::Floating;
    for (size_t i = 0; i < nodes.size(); ++i) {
      const ReadNode& n = nodes[i];
      SCOPED_TRACE(n.type);
      EXPECT_EQ(n.depth, c.tree[i].first);
      EXPECT_EQ(n.type, c.tree[i].second);
      // The record: links, created, pointer and window 0; both names; the record's size.
      auto rec = kRecords.at(n.type);
      std::vector<uint8_t> expected(72, 0);
      memcpy(&expected[8], n.type.c_str(), n.type.size());
      memcpy(&expected[28], rec.second.c_str(), rec.second.size());
      le::PutU32(&expected[60], rec.first);
      EXPECT_EQ(n.record, expected);

      ExpectedBody body;
      if (n.type == "Toolbar") body = floating ? kFloatingRoot : kDockedRoot;
      else if (n.type == "Taskbar Toolbar") body = TaskbarRoot(c.taskbarSlots);
      else if (n.type == "Tool Group") body = kGroup;
      else body = floating ? tools.at(n.type).second : tools.at(n.type).first;
      EXPECT_EQ(n.body, Materialise(body));
    }
  }
}

TEST(WizardLayout, DisplayNamesFromStringsAreCutTo24Characters) {
  DisplayNames names;
  names.Set(kNodeClock, "Uhr");
  names.Set(kNodeToolbar, std::string(30, 'x'));
  std::vector<uint8_t> r = NodeRecord(kNodeClock, names);
  EXPECT_STREQ(reinterpret_cast<const char*>(&r[28]), "Uhr");
  EXPECT_STREQ(reinterpret_cast<const char*>(&r[8]), "Clock");  // the type stays
  r = NodeRecord(kNodeToolbar, names);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&r[28])), std::string(24, 'x'));
  for (size_t i = 28 + 24; i < 56; ++i) EXPECT_EQ(r[i], 0);
}

TEST(WizardLayout, DisplayNamesAreNeverCutInsideADoubleByteCharacter) {
  // 0xA4 0xA4 is one character in the Traditional and the Simplified Chinese code pages.
  if (!IsDBCSLeadByte(0xA4)) GTEST_SKIP() << "the ANSI code page has no double-byte characters";
  std::string text = "x";
  for (int i = 0; i < 13; ++i) text += "\xA4\xA4";
  DisplayNames names;
  names.Set(kNodeClock, text);
  EXPECT_EQ(names.name[kNodeClock], text.substr(0, 23));  // 11 whole characters after the "x"
  std::vector<uint8_t> r = NodeRecord(kNodeClock, names);
  EXPECT_EQ(r[28 + 22], 0xA4);
  EXPECT_EQ(r[28 + 23], 0);
}

}  // namespace
}  // namespace guider
