#include <gtest/gtest.h>

#include <string>

#include "file_filter.h"

namespace {

TEST(FileFilter, PatternListsSplitAtSemicolonsAndBlanks) {
  const struct { const char* list; const char* name; bool match; } cases[] = {
      {"*.TXT;*.DOC", "A.DOC", true}, {"*.TXT *.DOC", "A.DOC", true},
      {";; *.TXT ;", "A.TXT", true},  {"*.TXT;*.DOC", "A.XLS", false},
      {"*.", "README", true},         {"*.", "A.TXT", false},
      {"README.*", "README.TXT", true}, {"", "A", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchPatternList(c.list, c.name), c.match) << c.list << " ~ " << c.name;
}

WIN32_FIND_DATAA Entry(const char* name, DWORD attributes) {
  WIN32_FIND_DATAA fd{};
  lstrcpyA(fd.cFileName, name);
  fd.dwFileAttributes = attributes;
  return fd;
}

FileFilter Filter(const char* patterns, int32_t archive = 2, int32_t readOnly = 2, int32_t hidden = 2,
                  int32_t system = 2, uint32_t filesOnly = 0, uint32_t foldersOnly = 0) {
  FileFilter f{};
  lstrcpyA(f.patterns, patterns);
  f.archive = archive;
  f.readOnly = readOnly;
  f.hidden = hidden;
  f.system = system;
  f.filesOnly = filesOnly;
  f.foldersOnly = foldersOnly;
  return f;
}

TEST(FileFilter, PassesFileFilterTable) {
  const DWORD dir = FILE_ATTRIBUTE_DIRECTORY, hid = FILE_ATTRIBUTE_HIDDEN;
  const struct { FileFilter f; WIN32_FIND_DATAA e; bool pass; const char* what; } cases[] = {
      {Filter("*.*"), Entry("x", 0), true, "all pass *.*"},
      {Filter("readme.*"), Entry("README.TXT", 0), true, "both sides upper-cased"},
      {Filter("*.txt"), Entry("sub", dir), true, "folders pass the pattern"},
      {Filter("*."), Entry("noext", 0), true, "names without extension"},
      {Filter("*."), Entry("a.txt", 0), false, "extension fails *."},
      {Filter("*.*", 2, 2, 1), Entry("a", 0), false, "hidden rule 1 needs the bit"},
      {Filter("*.*", 2, 2, 1), Entry("a", hid), true, "hidden rule 1 with the bit"},
      {Filter("*.*", 2, 2, 0), Entry("a", hid), false, "hidden rule 0 refuses the bit"},
      {Filter("*.*", 2, 2, 2, 2, 1, 1), Entry("a", 0), true, "files only wins: file"},
      {Filter("*.*", 2, 2, 2, 2, 1, 1), Entry("d", dir), false, "files only wins: folder"},
      {Filter("*.*", 2, 2, 2, 2, 0, 1), Entry("a", 0), false, "folders only"},
      {Filter("*.*", 1), Entry("d", dir), false, "archive rule applies to folders"},
  };
  for (const auto& c : cases) EXPECT_EQ(PassesFileFilter(c.e, &c.f), c.pass) << c.what;
}

}  // namespace
