// Disk space and folder sizes: sizes beyond 32 bits, folders whose names begin with a dot,
// and the free-space query of a real disk.
#include <gtest/gtest.h>
#include "disk_space.h"
#include "test_support.h"

namespace {

// A file of more than 4 GiB without writing its bytes: its end is set.
bool MakeLargeFile(const std::string& path, uint64_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

TEST(FolderSizes, SumsEveryFileBelowInSixtyFourBitsIncludingDotFolders) {
  jqtest::TempFolder temp;
  temp.WriteFile("a.txt", "12345");
  temp.WriteFile(".hidden\\b.txt", "123");
  temp.WriteFile("sub\\.git\\c.txt", "1234567");
  temp.WriteFile("sub\\d.txt", "1");
  EXPECT_EQ(SumFolderFileSizes((temp.path() + "\\*.*").c_str()), 16u);
  // Past 4 GiB the sum goes on (a file whose end is set, so nothing is written to the disk
  // where the file system allows it).
  const uint64_t large = (5ull << 30) + 7;
  if (MakeLargeFile(temp.path() + "\\sub\\large.bin", large)) {
    EXPECT_EQ(SumFolderFileSizes((temp.path() + "\\*.*").c_str()), 16u + large);
  }
  EXPECT_EQ(SumFolderFileSizes((temp.path() + "\\absent\\*.*").c_str()), 0u);
  EXPECT_EQ(SumFolderFileSizes(""), 0u);
}

TEST(DiskSpace, FoundOnceAndQueriesTheSystemDisk) {
  GetDiskFreeSpaceExFn first = FindGetDiskFreeSpaceEx();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FindGetDiskFreeSpaceEx(), first);
  uint64_t total = 0, available = 0;
  ASSERT_TRUE(QueryDiskSpace("C:\\", &total, &available));
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, total);
  EXPECT_FALSE(QueryDiskSpace("", &total, &available));
}

}  // namespace
