// Safe placement of archive entries: the name rules as a table, and replacing a file only when
// the new one was written completely.
#include <gtest/gtest.h>

#include "archive_paths.h"
#include "archive_test_support.h"
#include "name_list.h"

using jqarc::MakeSafeRelativePath;

TEST(ArchivePaths, StoredNamesBecomeRelativePathsOrAreRefused) {
  struct Case {
    const wchar_t* stored;
    const wchar_t* expected;  // nullptr: refused
  } cases[] = {
      {L"a.txt", L"a.txt"},
      {L"dir/sub/a.txt", L"dir\\sub\\a.txt"},
      {L"dir\\sub\\a.txt", L"dir\\sub\\a.txt"},
      {L"./dir//a.txt", L"dir\\a.txt"},
      {L"/etc/passwd", L"etc\\passwd"},
      {L"\\\\server\\share\\a.txt", L"server\\share\\a.txt"},
      {L"C:\\x.txt", L"x.txt"},
      {L"c:x.txt", L"x.txt"},
      {L"\\\\?\\C:\\x.txt", L"x.txt"},
      {L"..\\..\\x", nullptr},
      {L"a/../../x", nullptr},
      {L"a/..", nullptr},
      {L"..", nullptr},
      {L".. /x", nullptr},
      {L"a/.../x", nullptr},
      {L"a./x", nullptr},
      {L"ab:c.txt", nullptr},
      {L"a\\b:stream", nullptr},
      {L"x\x01y.txt", nullptr},
      {L"tab\there", nullptr},
      {L"a|b", nullptr},
      {L"a?b", nullptr},
      {L"con", nullptr},
      {L"CON.txt", nullptr},
      {L"dir/nul.tar.gz", nullptr},
      {L"com1", nullptr},
      {L"lpt9.log", nullptr},
      {L"aux .txt", nullptr},
      {L"conx.txt", L"conx.txt"},
      {L"com10", L"com10"},
      {L"", nullptr},
      {L"/", nullptr},
      {L"./.", nullptr},
  };
  for (const Case& c : cases) {
    std::wstring out;
    bool ok = MakeSafeRelativePath(std::wstring_view(c.stored), &out);
    if (c.expected) {
      EXPECT_TRUE(ok) << jqarc::Narrow(c.stored);
      EXPECT_EQ(out, c.expected) << jqarc::Narrow(c.stored);
    } else {
      EXPECT_FALSE(ok) << jqarc::Narrow(c.stored) << " -> " << jqarc::Narrow(out);
    }
  }
}

TEST(ArchivePaths, BaseNamesAndEntryMatching) {
  std::wstring base;
  EXPECT_TRUE(jqarc::SafeBaseName(L"dir/sub/a.txt", &base));
  EXPECT_EQ(base, L"a.txt");
  EXPECT_FALSE(jqarc::SafeBaseName(L"../a.txt", &base));
  EXPECT_TRUE(jqarc::SameEntryName(L"Dir/Sub/A.TXT", L"\\dir\\sub\\a.txt"));
  EXPECT_FALSE(jqarc::SameEntryName(L"dir/a.txt", L"a.txt"));

  auto names = jqarc::SplitNameList(L"\"\\dir\\a b.txt\"  plain.txt \"*.*\"");
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], L"\\dir\\a b.txt");
  EXPECT_EQ(names[1], L"plain.txt");
  jqarc::NameRequest star(L"*.TXT");
  EXPECT_TRUE(star.Matches(L"dir/readme.txt"));
  EXPECT_FALSE(star.Matches(L"dir/readme.bin"));
  jqarc::NameRequest exact(L"\\dir\\readme.txt");
  EXPECT_TRUE(exact.Matches(L"DIR/readme.txt"));
  EXPECT_FALSE(exact.Matches(L"other/readme.txt"));
  // The matcher stays fast on patterns that make naive backtracking explode.
  EXPECT_FALSE(jqarc::WildcardMatch(L"*a*a*a*a*a*a*a*a*a*a*b", std::wstring(5000, L'a')));
}

TEST(ArchivePaths, ReplacingFileKeepsTheOldFileUntilCommit) {
  jqtest::TempFolder t;
  std::string target = t.WriteFile("keep.txt", "old contents");
  std::wstring wide = jqarc::Widen(target);
  {
    jqarc::ReplacingFile f;
    ASSERT_EQ(f.Create(wide), jqarc::WriteFault::None);
    ASSERT_EQ(f.Write("new", 3), jqarc::WriteFault::None);
    EXPECT_EQ(jqtest::ReadFileText(target), "old contents");
    // Abandoned (destroyed without Commit): the old file stays, no temporary file is left.
  }
  EXPECT_EQ(jqtest::ReadFileText(target), "old contents");
  EXPECT_EQ(jqarctest::FilesUnder(t.path()), std::vector<std::string>{"keep.txt"});

  jqarc::ReplacingFile f;
  ASSERT_EQ(f.Create(wide), jqarc::WriteFault::None);
  ASSERT_EQ(f.Write("new contents", 12), jqarc::WriteFault::None);
  ASSERT_EQ(f.Commit(nullptr, 0), jqarc::WriteFault::None);
  EXPECT_EQ(jqtest::ReadFileText(target), "new contents");
  EXPECT_EQ(jqarctest::FilesUnder(t.path()), std::vector<std::string>{"keep.txt"});
}

TEST(ArchivePaths, ReplacingAFileInUseFailsAndKeepsIt) {
  jqtest::TempFolder t;
  std::string target = t.WriteFile("busy.txt", "in use");
  HANDLE holder = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  jqarc::ReplacingFile f;
  ASSERT_EQ(f.Create(jqarc::Widen(target)), jqarc::WriteFault::None);
  ASSERT_EQ(f.Write("replacement", 11), jqarc::WriteFault::None);
  EXPECT_NE(f.Commit(nullptr, 0), jqarc::WriteFault::None);
  CloseHandle(holder);
  EXPECT_EQ(jqtest::ReadFileText(target), "in use");
  EXPECT_EQ(jqarctest::FilesUnder(t.path()), std::vector<std::string>{"busy.txt"});
}
