#include "wizard_layout_file.h"

#include <gtest/gtest.h>
#include <string>
#include "test_support.h"

namespace guider {
namespace {

TEST(LayoutPath, NamesBecomeFilesByTheRules) {
  const std::string folder = "C:\\Program Files\\Quorvanel\\";
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"Work", "C:\\Program Files\\Quorvanel\\Work.jqc"},
      {"Work.", "C:\\Program Files\\Quorvanel\\Work..jqc"},
      {"Work.jqc", "C:\\Program Files\\Quorvanel\\Work.jqc"},
      {"Work.ab", "C:\\Program Files\\Quorvanel\\Work.ab"},
      {"My.Work", "C:\\Program Files\\Quorvanel\\My.Work"},
      {"D:\\Layouts\\Work", "D:\\Layouts\\Work.jqc"},
      {"D:\\Layouts\\Work.x", "D:\\Layouts\\Work.x"},  // a dot and one letter is an extension
      {"D:\\Layouts\\Work.xy", "D:\\Layouts\\Work.xy"},
      {"D:Work", "D:Work.jqc"},
      {"sub\\Work", "sub\\Work.jqc"},
      {"D:\\My.Layouts\\Work", "D:\\My.Layouts\\Work.jqc"},  // a dot of a folder is no extension
      {"..\\Work", "..\\Work.jqc"},
  };
  for (const auto& c : cases) EXPECT_EQ(LayoutPathForName(c.name, folder), c.path) << c.name;
}

TEST(LayoutPath, DefaultNameSkipsExistingFiles) {
  jqtest::TempFolder temp;
  const std::string folder = temp.path() + "\\";
  EXPECT_EQ(PickDefaultLayoutName(folder), "Toolbar1");
  temp.WriteFile("Toolbar1.jqc", "x");
  temp.WriteFile("Toolbar2.jqc", "x");
  temp.WriteFile("Toolbar4.jqc", "x");
  temp.WriteFile("Toolbar3", "x");  // no extension: not the layout file of "Toolbar3"
  EXPECT_EQ(PickDefaultLayoutName(folder), "Toolbar3");
}

TEST(LayoutFile, WrittenFileHoldsTheLayoutAndReplacesAnOldOne) {
  jqtest::TempFolder temp;
  const std::string path = temp.WriteFile("Work.jqc", "old layout");
  ToolSet tools;
  tools.chosen[kClock] = true;
  ASSERT_TRUE(WriteWizardLayout(path, WindowStyle::Docked, tools, DisplayNames()));
  std::vector<uint8_t> expected = BuildWizardLayout(WindowStyle::Docked, tools, DisplayNames());
  EXPECT_EQ(jqtest::ReadFileText(path), std::string(expected.begin(), expected.end()));
  // Nothing else is left in the folder.
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((temp.path() + "\\*").c_str(), &found);
  int files = 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileA(find, &found));
  FindClose(find);
  EXPECT_EQ(files, 1);
}

TEST(LayoutFile, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  jqtest::TempFolder temp;
  const std::string path = temp.WriteFile("Work.jqc", "old layout");
  auto onlyOldFileLeft = [&] {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((temp.path() + "\\*").c_str(), &found);
    int files = 0;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return files == 1 && jqtest::ReadFileText(path) == "old layout";
  };

  {
    SCOPED_TRACE("a write that runs out of space half way");
    SetLayoutChunkWriter([](HANDLE file, const uint8_t* data, DWORD size) {
      DWORD written = 0;
      WriteFile(file, data, size / 2, &written, nullptr);
      return false;
    });
    bool written = WriteWizardLayout(path, WindowStyle::Floating, ToolSet{}, DisplayNames());
    SetLayoutChunkWriter(nullptr);
    EXPECT_FALSE(written);
    EXPECT_TRUE(onlyOldFileLeft());
  }
  {
    SCOPED_TRACE("the old file held open by another program");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    bool written = WriteWizardLayout(path, WindowStyle::Docked, ToolSet{}, DisplayNames());
    CloseHandle(held);
    EXPECT_FALSE(written);
    EXPECT_TRUE(onlyOldFileLeft());
  }
  {
    SCOPED_TRACE("a folder that does not exist");
    EXPECT_FALSE(WriteWizardLayout(temp.path() + "\\missing\\Work.jqc", WindowStyle::Docked,
                                   ToolSet{}, DisplayNames()));
    EXPECT_TRUE(onlyOldFileLeft());
  }
}

}  // namespace
}  // namespace guider
