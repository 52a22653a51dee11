#include "button_bar_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "button_bar_fixtures.h"

using namespace jqbar;
using namespace bbtest;

namespace {

// The head's fields at their offsets.
TEST(ButtonBarBlob, HeadFieldsAtTheirOffsets) {
  BlobBuilder b;
  b.Head(/*firstFill*/ 0, /*lines*/ 2, {{"Work", 0}, {"Panel", 2}}, /*current*/ 1, /*style*/ 4,
         /*rowLimit*/ 33);
  b.I32At(300, 0).I32At(304, 1).I32At(308, 1).I32At(316, 7).I32At(320, 5);
  b.I32At(324, 11).I32At(352, 0x00120034);
  b.Group({}).Group({});
  ButtonBarSettings s;
  ASSERT_TRUE(ReadButtonBarBlob(b.bytes.data(), b.bytes.size(), s));
  EXPECT_EQ(s.lines, 2);
  EXPECT_EQ(s.groupCount, 2);
  EXPECT_STREQ(s.groupNames[0], "Work");
  EXPECT_STREQ(s.groupNames[1], "Panel");
  EXPECT_EQ(s.groupKinds[1], kGroupControlPanel);
  EXPECT_EQ(s.currentGroup, 1);
  EXPECT_EQ(s.style, 4);
  EXPECT_EQ(s.autoArrange, 0);
  EXPECT_EQ(s.rowLimit, 33);
  EXPECT_EQ(s.firstRow, 0) << "the first visible row starts over on load";
  EXPECT_EQ(s.systemOptions[0], 11);
  EXPECT_EQ(s.forwardPressed, 0x00120034);
  FreeButtonGroups(s);
}

TEST(ButtonBarBlob, ButtonsOfEveryKindReadAndRoundTripByteForByte) {
  BlobBuilder b;
  b.Head(0, 1, {{"Tools", 0}, {"Web", 0}}, 0, 3, 20);
  TestButton path;
  path.command = "C:\\windows\\notepad.exe";
  path.startIn = "C:\\windows";
  path.parameters = "";  // present but empty: one byte
  path.label = "Notepad";
  path.runMode = 3;
  path.hotKeyId = 2;
  path.hotKeyVk = 'N';
  path.hotKeyModifiers = 6;
  path.reserved = 0x5A5A;
  TestButton list;
  list.flags = kButtonIdList;
  list.idList = SampleIdList();
  list.label = "Item";
  list.iconFile = "C:\\icons.dll";
  list.iconIndex = 4;
  list.hasIconFile = 1;
  TestButton url;
  url.flags = kButtonUrl;
  url.urlName = "Home";
  url.url = "http://example.com/";
  url.label = "Home";
  b.Group({path, list}).Group({url});

  ButtonBarSettings s;
  ASSERT_TRUE(ReadButtonBarBlob(b.bytes.data(), b.bytes.size(), s));
  ASSERT_EQ(CountButtons(s.groups[0]), 2);
  ASSERT_EQ(CountButtons(s.groups[1]), 1);
  const ButtonRecord* p = s.groups[0];
  EXPECT_EQ(*p->command, "C:\\windows\\notepad.exe");
  EXPECT_EQ(*p->startIn, "C:\\windows");
  ASSERT_TRUE(p->parameters.has_value());
  EXPECT_TRUE(p->parameters->empty());
  EXPECT_FALSE(p->iconFile.has_value());
  EXPECT_EQ(p->runMode, 3);
  EXPECT_EQ(p->hotKeyId, 2);
  EXPECT_EQ(p->hotKeyVk, 'N');
  EXPECT_EQ(p->hotKeyModifiers, 6);
  const ButtonRecord* l = p->next;
  EXPECT_TRUE(l->IsIdList());
  EXPECT_EQ(l->idList, SampleIdList());
  EXPECT_EQ(l->hasIconFile, 1);
  const ButtonRecord* u = s.groups[1];
  EXPECT_TRUE(u->IsUrl());
  EXPECT_EQ(*u->urlName, "Home");
  EXPECT_EQ(*u->url, "http://example.com/");

  EXPECT_EQ(WriteButtonBarBlob(s), b.bytes);
  FreeButtonGroups(s);
}

TEST(ButtonBarBlob, WriterZeroesPointerAndRunTimeSlots) {
  ButtonBarSettings s;
  DefaultButtonBarSettings(s);
  ButtonRecord* button = NewButtonRecord();
  button->command = "x.exe";
  button->largeList = reinterpret_cast<HIMAGELIST>(0x1234);
  button->smallList = reinterpret_cast<HIMAGELIST>(0x5678);
  button->pressed = 1;
  s.groups[0] = button;
  std::vector<std::uint8_t> blob = WriteButtonBarBlob(s);
  for (std::size_t at = 260; at < 300; ++at) EXPECT_EQ(blob[at], 0) << at;
  const std::size_t record = kButtonBarHeadSize + 4;
  for (std::size_t field : {0, 4, 8, 16, 20, 28, 32, 40, 52, 60, 64, 68})
    EXPECT_EQ(GetI32(blob, record + field), 0) << "record field at " << field;
  EXPECT_EQ(GetI32(blob, record + 24), 1) << "run mode of a new record";
  FreeButtonGroups(s);
}

TEST(ButtonBarBlob, WizardMinimalBlobIsRead) {
  BlobBuilder b;
  b.Head(1, 1, {{"", 0}}, 0, 1, 30);
  b.Group({});
  ASSERT_EQ(b.bytes.size(), kMinButtonBarBlob);
  ButtonBarSettings s;
  ASSERT_TRUE(ReadButtonBarBlob(b.bytes.data(), b.bytes.size(), s));
  EXPECT_EQ(s.firstFill, 1u);
  EXPECT_EQ(s.style, 1);
  EXPECT_EQ(s.rowLimit, 30);
  EXPECT_EQ(s.groups[0], nullptr);
}

TEST(ButtonBarBlob, IconFileFlagFollowsTheIconFileOutsideSystemAccess) {
  BlobBuilder b;
  b.Head(0, 1, {{"A", 0}, {"S", kGroupSystemAccess}}, 0, 1, 20);
  TestButton claims;
  claims.command = "a.exe";
  claims.hasIconFile = 1;  // but no icon file
  TestButton system;
  system.largeIndex = 560;
  system.hasIconFile = 1;
  b.Group({claims}).Group({system});
  ButtonBarSettings s;
  ASSERT_TRUE(ReadButtonBarBlob(b.bytes.data(), b.bytes.size(), s));
  EXPECT_EQ(s.groups[0]->hasIconFile, 0);
  EXPECT_EQ(s.groups[1]->hasIconFile, 1) << "a System Access item keeps its flag";
  EXPECT_EQ(s.groups[1]->largeIndex, 560);
  FreeButtonGroups(s);
}

// Damaged blobs: each is refused and leaves the settings untouched.
TEST(ButtonBarBlob, DamagedBlobsAreRefused) {
  auto valid = [] {
    BlobBuilder b;
    b.Head(0, 1, {{"G", 0}}, 0, 3, 20);
    TestButton one;
    one.command = "a.exe";
    one.label = "A";
    TestButton list;
    list.flags = kButtonIdList;
    list.idList = SampleIdList();
    b.Group({one, list});
    return b.bytes;
  };
  const std::size_t firstRecord = kButtonBarHeadSize + 4;
  const std::size_t firstCommand = firstRecord + kButtonRecordSize;
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"head cut short", [](auto& v) { v.resize(200); }},
      {"no group count", [](auto& v) { v.resize(kButtonBarHeadSize); }},
      {"zero groups", [](auto& v) { PutI32(v, 8, 0); }},
      {"eleven groups", [](auto& v) { PutI32(v, 8, 11); }},
      {"current group past the count", [](auto& v) { PutI32(v, 252, 1); }},
      {"negative current group", [](auto& v) { PutI32(v, 252, -1); }},
      {"style 0", [](auto& v) { PutI32(v, 256, 0); }},
      {"style 5", [](auto& v) { PutI32(v, 256, 5); }},
      {"lines 0", [](auto& v) { PutI32(v, 4, 0); }},
      {"lines 11", [](auto& v) { PutI32(v, 4, 11); }},
      {"row limit 101", [](auto& v) { PutI32(v, 312, 101); }},
      {"unknown group kind", [](auto& v) { PutI32(v, 212, 7); }},
      {"button count beyond the bytes", [](auto& v) { PutI32(v, kButtonBarHeadSize, 1000000); }},
      {"negative button count", [](auto& v) { PutI32(v, kButtonBarHeadSize, -1); }},
      {"both target kinds", [=](auto& v) { PutI32(v, firstRecord + 12, 3); }},
      {"string past the end", [=](auto& v) { PutI32(v, firstCommand, 0x7FFFFFF0); }},
      {"negative string length", [=](auto& v) { PutI32(v, firstCommand, -4); }},
      {"string without its NUL", [=](auto& v) { v[firstCommand + 4 + 5] = 'x'; }},
      {"blob cut inside a button", [](auto& v) { v.resize(v.size() - 3); }},
      {"item id list running past its size",
       [](auto& v) {
         // The second button's list: its first item claims more bytes than the list has.
         std::size_t list = v.size() - 4 * 4 - SampleIdList().size();
         v[list] = 0x40;
       }},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> blob = valid();
    c.damage(blob);
    ButtonBarSettings s;
    s.lines = 77;
    EXPECT_FALSE(ReadButtonBarBlob(blob.data(), blob.size(), s)) << c.name;
    EXPECT_EQ(s.lines, 77) << c.name << ": the settings must stay as they were";
  }
  std::vector<std::uint8_t> blob = valid();
  ButtonBarSettings s;
  EXPECT_TRUE(ReadButtonBarBlob(blob.data(), blob.size(), s)) << "the undamaged form";
  FreeButtonGroups(s);
}

TEST(ButtonBarBlob, GroupNamesAreAlwaysTerminated) {
  BlobBuilder b;
  b.Head(0, 1, {{"", 0}}, 0, 3, 20);
  std::memset(b.bytes.data() + 12, 'N', 20);  // no NUL in the 20-byte field
  b.Group({});
  ButtonBarSettings s;
  ASSERT_TRUE(ReadButtonBarBlob(b.bytes.data(), b.bytes.size(), s));
  EXPECT_EQ(std::strlen(s.groupNames[0]), 19u);
}

TEST(ButtonBarBlob, IdListShapes) {
  struct Case {
    std::vector<std::uint8_t> list;
    bool ok;
  };
  const Case cases[] = {
      {{0, 0}, true},
      {{4, 0, 9, 9, 0, 0}, true},
      {{4, 0, 9, 9, 3, 0, 1, 0, 0}, true},
      {{4, 0, 9, 9}, false},           // no terminator
      {{4, 0, 9, 9, 0, 0, 0}, false},  // a byte after the terminator
      {{1, 0, 0, 0}, false},           // an item shorter than its own length field
      {{9, 0, 1, 2, 0, 0}, false},     // an item longer than the list
      {{0}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsWellFormedIdList(c.list.data(), c.list.size()), c.ok)
        << "list of " << c.list.size() << " bytes";
}

}  // namespace
