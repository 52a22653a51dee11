#include "command_interpreter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using namespace jqbar;

namespace {

struct ParseCase {
  const char* line;
  int status;  // after the check
  int code;
  int args;
  const char* arg1;
  const char* arg2;
};

TEST(CommandParser, LinesAsATable) {
  const std::string longArg(300, 'a');
  const std::string longLine = "del " + longArg;
  const ParseCase cases[] = {
      {"c:", kParseOk, kCmdChdir, 1, "c:\\", ""},
      {"  d:", kParseOk, kCmdChdir, 1, "d:\\", ""},
      {"cd..", kParseOk, kCmdChdir, 1, "..", ""},
      {"cd\\", kParseOk, kCmdChdir, 1, "\\", ""},
      {"CD x", kParseOk, kCmdChdir, 1, "x", ""},
      {"cd", kParseTooFew, kCmdChdir, 0, "", ""},
      {"copy a b c", kParseTooMany, kCmdCopy, 2, "a", "b"},
      {"copy a", kParseOk, kCmdCopy, 1, "a", ""},
      {"copy \"a b\" c", kParseOk, kCmdCopy, 2, "a b", "c"},
      {"copy a/b c", kParseInvalid, kCmdCopy, 1, "a", ""},  // "/b" is a switch copy refuses
      {"copy /i a", kParseTooFew, kCmdCopy, 0, "", ""},  // text after a switch is switch text
      {"copy a b /i", kParseOk, kCmdCopy, 2, "a", "b"},
      {"copy a b /x", kParseInvalid, kCmdCopy, 2, "a", "b"},
      {"copy a /", kParseInvalid, kCmdCopy, 1, "a", ""},
      {"copy a /1", kParseInvalid, kCmdCopy, 1, "a", ""},
      {"copy/n a b", kParseTooFew, kCmdCopy, 0, "", ""},
      {"md", kParseTooFew, kCmdMkdir, 0, "", ""},
      {"rd a b", kParseTooMany, kCmdRmdir, 2, "a", "b"},
      {"del /a x", kParseInvalid, kCmdDelete, 0, "", ""},
      {"del x /a", kParseInvalid, kCmdDelete, 1, "x", ""},
      {"erase x", kParseOk, kCmdDelete, 1, "x", ""},
      {"dir", kParseOk, kCmdDir, 0, "", ""},
      {"dir a b", kParseTooMany, kCmdDir, 2, "a", "b"},
      {"dos", kParseOk, kCmdDos, 0, "", ""},
      {"move a b", kParseOk, kCmdMove, 2, "a", "b"},
      {"ren a b", kParseOk, kCmdRename, 2, "a", "b"},
      {"RENAME a", kParseOk, kCmdRename, 1, "a", ""},
      {"notepad readme.txt", kParseNotInternal, kCmdNone, 1, "readme.txt", ""},
      {"foo bar baz", kParseNotInternal, kCmdNone, 2, "bar", "baz"},
      {"abcdefghijklmnopqrstuvwxyz x", kParseNotInternal, kCmdNone, 1, "x", ""},
      {"   ", kParseNotInternal, kCmdNone, 0, "", ""},
      {longLine.c_str(), kParseInvalid, kCmdDelete, 1, nullptr, ""},
  };
  for (const ParseCase& c : cases) {
    ParsedDosCommand p;
    ParseTypedCommand(c.line, p);
    CheckCommandSwitches(p);
    EXPECT_EQ(p.status, c.status) << c.line;
    EXPECT_EQ(p.code, c.code) << c.line;
    EXPECT_EQ(p.argCount, c.args) << c.line;
    if (c.arg1) EXPECT_STREQ(p.arg1, c.arg1) << c.line;
    EXPECT_STREQ(p.arg2, c.arg2) << c.line;
  }
}

TEST(CommandParser, SwitchesAndTheCommandWord) {
  ParsedDosCommand p;
  ParseTypedCommand("Copy a b /I/n", p);
  CheckCommandSwitches(p);
  EXPECT_EQ(p.status, kParseOk);
  EXPECT_TRUE(p.switches['i' - 'a']);
  EXPECT_TRUE(p.switches['n' - 'a']);
  EXPECT_FALSE(p.switches['a' - 'a']);
  EXPECT_STREQ(p.word, "Copy");

  ParseTypedCommand("abcdefghijklmnopqrstuvwxyz", p);
  EXPECT_EQ(std::string(p.word), "abcdefghijklmnopqrs") << "19 characters of the word count";
  ParseTypedCommand(std::string(600, 'x').c_str(), p);
  EXPECT_EQ(std::string(p.word).size(), 19u);
}

TEST(CommandParser, UrlsAreRecognised) {
  EXPECT_TRUE(IsTypedUrl("http://example.com"));
  EXPECT_TRUE(IsTypedUrl("://x"));
  EXPECT_TRUE(IsTypedUrl("ftp://h/"));
  EXPECT_FALSE(IsTypedUrl("c:\\x"));
  EXPECT_FALSE(IsTypedUrl("h1://x"));
  EXPECT_FALSE(IsTypedUrl("copy a://b"));
}

TEST(CommandPaths, ResolvedAgainstTheCurrentFolder) {
  struct Case {
    const char* folder;
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"c:\\w", "\\\\srv\\sh", "\\\\srv\\sh"},
      {"c:\\w", "d:x", "d:x"},
      {"c:\\w", "\\x", "c:\\x"},
      {"c:\\w", "x", "c:\\w\\x"},
      {"c:\\", "x", "c:\\x"},  // one backslash after a root
      {"\\\\srv\\share\\dir", "\\x", "\\\\srv\\share\\x"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(ResolveTypedPath(c.folder, c.path, out)) << c.path;
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '\0') << "double NUL for the file operation";
    EXPECT_STREQ(out.c_str(), c.expected) << c.folder << " + " << c.path;
  }
  std::string out = "unchanged";
  EXPECT_FALSE(ResolveTypedPath("c:\\w", std::string(259, 'x').c_str(), out));
  EXPECT_EQ(out, "unchanged");
}

TEST(CommandHistory, NewestFirstEightAtMostExactMatchesMove) {
  std::vector<std::string> h;
  for (int i = 1; i <= 9; ++i) AddToCommandHistory(h, "line" + std::to_string(i));
  ASSERT_EQ(h.size(), 8u);
  EXPECT_EQ(h.front(), "line9");
  EXPECT_EQ(h.back(), "line2") << "the ninth line drops the oldest";
  AddToCommandHistory(h, "line4");
  EXPECT_EQ(h.size(), 8u);
  EXPECT_EQ(h.front(), "line4");
  EXPECT_EQ(h[1], "line9");
  AddToCommandHistory(h, "LINE4");
  EXPECT_EQ(h.front(), "LINE4") << "other capitals make a new entry";
  EXPECT_EQ(h[1], "line4");
  EXPECT_EQ(h.size(), 8u);
}

// The built-in commands on real files.
class BuiltInCommands : public ::testing::Test {
 protected:
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
  std::string folder;
  CmdLineContext context;
  void SetUp() override {
    folder = temp.path();
    context.currentFolder = &folder;
    context.confirm = false;
    context.recycle = false;
  }
  void Run(const std::string& line) { InterpretTypedLine(context, line.c_str()); }
};

TEST_F(BuiltInCommands, FoldersMadeChangedAndRemoved) {
  Run("md sub");
  ASSERT_TRUE(jqtest::FolderExists(temp / "sub"));
  Run("cd SUB");
  EXPECT_EQ(lstrcmpiA(folder.c_str(), (temp / "sub").c_str()), 0) << folder;
  EXPECT_EQ(folder.substr(folder.size() - 4), "\\sub") << "the folder as spelled on disk";
  Run("md deeper");
  EXPECT_TRUE(jqtest::FolderExists(temp / "sub\\deeper"));
  Run("cd..");
  EXPECT_EQ(lstrcmpiA(folder.c_str(), temp.path().c_str()), 0) << folder;
  Run("rd sub\\deeper");
  EXPECT_FALSE(jqtest::FolderExists(temp / "sub\\deeper"));
  EXPECT_TRUE(seams.boxes.empty());

  Run("rd missing");
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_NE(seams.boxes[0].text.find("missing"), std::string::npos);
  Run("cd nowhere");
  ASSERT_EQ(seams.boxes.size(), 2u);
  EXPECT_NE(seams.boxes[1].text.find("nowhere"), std::string::npos);
  EXPECT_EQ(lstrcmpiA(folder.c_str(), temp.path().c_str()), 0) << "a failed cd keeps the folder";
  Run("md sub");  // exists already
  EXPECT_EQ(seams.boxes.size(), 3u);

  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  Run("cd sub");
  char after[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_STREQ(cwd, after) << "the process's current directory is put back";
}

TEST_F(BuiltInCommands, DriveLetterAloneGoesToTheRoot) {
  char drive = static_cast<char>(temp.path()[0]);
  Run(std::string(1, drive) + ":");
  EXPECT_EQ(folder.size(), 3u);
  EXPECT_EQ(folder.substr(1), ":\\");
}

TEST_F(BuiltInCommands, CopyMoveRenameAndDeleteFiles) {
  temp.WriteFile("a.txt", "alpha");
  temp.WriteFile("box\\inner.txt", "inner");
  temp.WriteFile("box\\sub\\deep.txt", "deep");
  temp.MakeFolder("dest\\n");
  temp.MakeFolder("dest\\m");
  Run("copy a.txt dest");
  EXPECT_EQ(jqtest::ReadFileText(temp / "dest\\a.txt"), "alpha");
  Run("copy box\\*.* dest");
  EXPECT_EQ(jqtest::ReadFileText(temp / "dest\\inner.txt"), "inner");
  EXPECT_FALSE(jqtest::FolderExists(temp / "dest\\sub")) << "files only without /i or the option";
  Run("copy box\\*.* dest /i");
  EXPECT_EQ(jqtest::ReadFileText(temp / "dest\\sub\\deep.txt"), "deep");
  context.copyFolders = true;
  Run("copy box\\*.* dest\\n");
  EXPECT_TRUE(jqtest::FolderExists(temp / "dest\\n\\sub")) << "the option includes folders";
  Run("copy box\\*.* dest\\m /n");
  EXPECT_FALSE(jqtest::FolderExists(temp / "dest\\m\\sub")) << "/n wins over the option";
  context.copyFolders = false;
  Run("ren a.txt b.txt");
  EXPECT_FALSE(jqtest::FileExists(temp / "a.txt"));
  EXPECT_EQ(jqtest::ReadFileText(temp / "b.txt"), "alpha");
  Run("move b.txt dest\\c.txt");
  EXPECT_EQ(jqtest::ReadFileText(temp / "dest\\c.txt"), "alpha");
  Run("del dest\\c.txt");
  EXPECT_FALSE(jqtest::FileExists(temp / "dest\\c.txt"));
  Run("cd dest");
  temp.WriteFile("one.txt", "one");
  Run("copy \\" + temp.path().substr(3) + "\\one.txt");
  EXPECT_EQ(jqtest::ReadFileText(temp / "dest\\one.txt"), "one") << "one name copies here";
  EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(BuiltInCommands, ErrorsShowTheirMessagesAndTouchNothing) {
  temp.WriteFile("keep.txt", "k");
  struct Case {
    const char* line;
    const char* inText;
  };
  const Case cases[] = {
      {"copy a b c", "copy"},
      {"md", "md"},
      {"del /a keep.txt", nullptr},
  };
  for (const Case& c : cases) {
    seams.boxes.clear();
    Run(c.line);
    ASSERT_EQ(seams.boxes.size(), 1u) << c.line;
    EXPECT_TRUE(seams.boxes[0].type & MB_ICONERROR) << c.line;
    if (c.inText) EXPECT_NE(seams.boxes[0].text.find(c.inText), std::string::npos) << c.line;
  }
  EXPECT_TRUE(jqtest::FileExists(temp / "keep.txt"));
  seams.boxes.clear();
  Run("del " + std::string(300, 'k'));
  EXPECT_EQ(seams.boxes.size(), 1u) << "an over-long argument is refused";
}

TEST_F(BuiltInCommands, StartsGoThroughTheShell) {
  Run("dir");
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, folder);
  Run("notepad readme.txt");
  ASSERT_EQ(seams.starts.size(), 2u);
  EXPECT_EQ(seams.starts[1].file, "notepad");
  EXPECT_EQ(seams.starts[1].parameters, "readme.txt");
  EXPECT_EQ(seams.starts[1].directory, folder);
  Run("dos");
  ASSERT_EQ(seams.starts.size(), 3u);
  EXPECT_NE(seams.starts[2].file.find("JQDOSWin.pif"), std::string::npos);
  EXPECT_EQ(seams.starts[2].parameters, "/k cd " + folder);
  Run("http://example.com/x");
  ASSERT_EQ(seams.starts.size(), 4u);
  EXPECT_NE(seams.starts[3].file.find("JQURL.URL"), std::string::npos);
  std::string text = jqtest::ReadFileText(seams.starts[3].file);
  EXPECT_NE(text.find("[InternetShortcut]"), std::string::npos);
  EXPECT_NE(text.find("URL=http://example.com/x"), std::string::npos);
}

}  // namespace
