#include "search_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A window that records what the worker reports.
struct Reports {
  std::vector<std::string> folders, found;
  std::vector<DWORD> sizes;
  std::vector<WIN32_FIND_DATAA> entries;
  int finished = 0, batches = 0;
  std::function<void()> onFinished;
};

LRESULT CALLBACK ReportProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* r = reinterpret_cast<Reports*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_SEARCH_FOLDER:
      r->folders.push_back(reinterpret_cast<const char*>(lParam));
      return 0;
    case WM_SEARCH_FOUND:
      for (WPARAM i = 0; i < wParam; ++i) {
        const SearchFoundItem& item = reinterpret_cast<const SearchFoundItem*>(lParam)[i];
        r->found.push_back(item.path);
        r->sizes.push_back(item.data->nFileSizeLow);
        r->entries.push_back(*item.data);
      }
      ++r->batches;
      return 0;
    case WM_SEARCH_FINISHED:
      ++r->finished;
      if (r->onFinished) r->onFinished();
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class SearchWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReportProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "JQSeekWorkerTest";
    RegisterClassA(&wc);
    window = CreateWindowA("JQSeekWorkerTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reports));
    ClearSearchRoots();
  }
  void TearDown() override {
    ASSERT_TRUE(ShutdownSearchWorker(10000));
    DestroyWindow(window);
  }
  bool RunSearch(const SearchRecord& record, int finishedBefore = 0) {
    if (!StartSearchThread(record, window, record.recurse)) return false;
    return jqtest::PumpUntil([&] { return reports.finished > finishedBefore; }, 60000);
  }

  jqtest::TempFolder dir;
  HWND window = nullptr;
  Reports reports;
};

// Every path under root (files and folders), walked with our own plain recursion.
void Walk(const std::string& folder, std::vector<std::string>* out) {
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = d.cFileName;
    if (name == "." || name == "..") continue;
    out->push_back(folder + "\\" + name);
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Walk(folder + "\\" + name, out);
  } while (FindNextFileA(h, &d));
  FindClose(h);
}

TEST_F(SearchWorker, FindsWhatAnOracleFindsOverAGeneratedTree) {
  // A tree of folders and files whose names and contents follow a pattern the oracle knows.
  for (int a = 0; a < 6; ++a) {
    for (int b = 0; b < 4; ++b) {
      std::string sub = "d" + std::to_string(a) + "\\e" + std::to_string(b);
      for (int f = 0; f < 5; ++f) {
        std::string name = sub + "\\file" + std::to_string(f) + (f % 2 ? ".txt" : ".log");
        dir.WriteFile(name, std::string(f * 700, 'x') + (f == 3 ? "Marker" : "other"));
      }
    }
  }
  dir.WriteFile("root.txt", "Marker");
  std::vector<std::string> all;
  Walk(dir.path(), &all);

  struct Case { const char* masks; const char* text; bool recurse; } cases[] = {
      {"*.txt", nullptr, true},
      {"file3", nullptr, true},
      {"*.txt", "marker", true},
      {nullptr, "Marker", false},
      {"e1", nullptr, true},  // folders match by name too
  };
  for (const Case& c : cases) {
    SearchRecord r;
    r.recurse = c.recurse;
    r.masks = c.masks;
    r.text = c.text;
    r.ignoreCase = 1;
    std::set<std::string> expected;
    for (const std::string& p : all) {
      std::string rel = p.substr(dir.path().size() + 1);
      if (!c.recurse && rel.find('\\') != std::string::npos) continue;
      std::string name = p.substr(p.find_last_of('\\') + 1);
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
      bool isDir = jqtest::FolderExists(p);
      if (c.masks) {
        std::string m = c.masks;
        bool ok = m[0] == '*' ? lower.size() > 4 && lower.substr(lower.size() - 4) == ".txt"
                              : lower.find(m) != std::string::npos;
        if (!ok) continue;
      }
      if (c.text && (isDir || jqtest::ReadFileText(p).find("Marker") == std::string::npos)) continue;
      expected.insert(p);
    }
    reports = Reports{};
    ClearSearchRoots();
    AddSearchRoot(dir.path().c_str());
    ASSERT_TRUE(RunSearch(r)) << (c.masks ? c.masks : "") << " " << (c.text ? c.text : "");
    std::set<std::string> found(reports.found.begin(), reports.found.end());
    EXPECT_EQ(found, expected) << (c.masks ? c.masks : "") << " " << (c.text ? c.text : "");
    EXPECT_EQ(found.size(), reports.found.size()) << "reported twice";
    EXPECT_EQ(reports.finished, 1);
    EXPECT_EQ(reports.folders.front(), dir.path());
  }
}

TEST_F(SearchWorker, MatchesArriveInBatchesEachPathWithItsOwnEntry) {
  const size_t files = kFoundBatchItems + 100;
  for (size_t i = 0; i < files; ++i) dir.WriteFile("m" + std::to_string(i) + ".txt", std::string(i, 'x'));
  SearchRecord r;
  r.recurse = 1;
  r.masks = "*.txt";
  AddSearchRoot(dir.path().c_str());
  ASSERT_TRUE(RunSearch(r));
  ASSERT_EQ(reports.found.size(), files);
  // Each path came with its own directory entry (the file's size is in its name).
  for (size_t i = 0; i < reports.found.size(); ++i) {
    std::string name = reports.found[i].substr(reports.found[i].find_last_of('\\') + 2);
    EXPECT_EQ(name, std::to_string(reports.sizes[i]) + ".txt");
  }
  EXPECT_LT(reports.batches, static_cast<int>(files / 2));
  EXPECT_GE(reports.batches, 2);  // at most kFoundBatchItems in one
}

TEST_F(SearchWorker, EachMatchCarriesItsEntryAsTheDirectoryListsIt) {
  // What the list shows and the criteria test comes from the walk's entry: attributes, sizes,
  // times and the name as stored must be those a plain FindFirstFile gives for the path.
  dir.WriteFile("Plain.TXT", "abc");
  std::string hidden = dir.WriteFile("sub\\hidden ro.txt", std::string(5000, 'h'));
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  std::string dated = dir.WriteFile("sub\\deep\\dated.txt", "");
  HANDLE h = CreateFileA(dated.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME stamp{0x2A3B4C00, 0x01C0FFEE};
  SetFileTime(h, nullptr, nullptr, &stamp);
  CloseHandle(h);
  SearchRecord r;
  r.recurse = 1;
  AddSearchRoot(dir.path().c_str());
  ASSERT_TRUE(RunSearch(r));
  ASSERT_EQ(reports.found.size(), 5u) << ::testing::PrintToString(reports.found);  // three files, two folders
  for (size_t i = 0; i < reports.found.size(); ++i) {
    WIN32_FIND_DATAA plain;
    HANDLE find = FindFirstFileA(reports.found[i].c_str(), &plain);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << reports.found[i];
    FindClose(find);
    const WIN32_FIND_DATAA& got = reports.entries[i];
    EXPECT_STREQ(got.cFileName, plain.cFileName);
    EXPECT_EQ(got.dwFileAttributes, plain.dwFileAttributes) << got.cFileName;
    EXPECT_EQ(got.nFileSizeLow, plain.nFileSizeLow) << got.cFileName;
    EXPECT_EQ(got.nFileSizeHigh, plain.nFileSizeHigh) << got.cFileName;
    EXPECT_EQ(CompareFileTime(&got.ftLastWriteTime, &plain.ftLastWriteTime), 0) << got.cFileName;
    EXPECT_EQ(CompareFileTime(&got.ftCreationTime, &plain.ftCreationTime), 0) << got.cFileName;
  }
  auto at = [&](const char* tail) {
    for (size_t i = 0; i < reports.found.size(); ++i)
      if (reports.found[i].size() >= strlen(tail) && reports.found[i].compare(reports.found[i].size() - strlen(tail), std::string::npos, tail) == 0)
        return reports.entries[i];
    ADD_FAILURE() << tail;
    return WIN32_FIND_DATAA{};
  };
  EXPECT_EQ(at("hidden ro.txt").dwFileAttributes & 0x13u, unsigned(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(at("hidden ro.txt").nFileSizeLow, 5000u);
  const WIN32_FIND_DATAA datedEntry = at("dated.txt");
  EXPECT_EQ(CompareFileTime(&datedEntry.ftLastWriteTime, &stamp), 0);
  EXPECT_STREQ(at("Plain.TXT").cFileName, "Plain.TXT");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SearchWorker, StopDuringALargeFileStillReportsTheEnd) {
  // 64 MiB without the text: the content search is stopped between reads.
  std::string path = dir / "big.bin";
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::string block(1 << 20, 'z');
  DWORD written;
  for (int i = 0; i < 64; ++i) WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
  CloseHandle(h);
  dir.WriteFile("after\\late.txt", "x");
  SearchRecord r;
  r.recurse = 1;
  r.text = "never there";
  AddSearchRoot(dir.path().c_str());
  ASSERT_TRUE(StartSearchThread(r, window, 1));
  StopSearch();
  ASSERT_TRUE(jqtest::PumpUntil([&] { return reports.finished == 1; }, 30000));
  EXPECT_TRUE(reports.found.empty());
  EXPECT_FALSE(SearchWorkerBusy());
}

TEST_F(SearchWorker, ANewSearchCanStartAsSoonAsTheLastOneReportedItsEnd) {
  dir.WriteFile("a.txt", "x");
  SearchRecord r;
  r.masks = "*.txt";
  AddSearchRoot(dir.path().c_str());
  // Find now pressed again from within the end report: the walk that is still returning from its
  // report must not refuse the new one.
  bool restarted = false;
  reports.onFinished = [&] {
    if (!restarted) restarted = StartSearchThread(r, window, 0);
  };
  ASSERT_TRUE(StartSearchThread(r, window, 0));
  ASSERT_TRUE(jqtest::PumpUntil([&] { return reports.finished == 2; }, 20000));
  EXPECT_TRUE(restarted);
  EXPECT_EQ(reports.found.size(), 2u);
  // While a walk runs (it waits on its first report until this thread pumps), a second start
  // is refused.
  ASSERT_TRUE(StartSearchThread(r, window, 0));
  EXPECT_TRUE(SearchWorkerBusy());
  EXPECT_FALSE(StartSearchThread(r, window, 0));
  ASSERT_TRUE(jqtest::PumpUntil([&] { return reports.finished == 3; }, 20000));
}

TEST_F(SearchWorker, RootsAreDrivesThenPathAndAtMostFifty) {
  SearchRecord r;
  r.drives[2] = r.drives[25] = r.drives[0] = 1;
  r.path = "C:\\work";
  AddRecordRoots(r);
  EXPECT_EQ(SearchRootCount(), 4);
  for (int i = 0; i < 60; ++i) AddSearchRoot("C:\\");
  EXPECT_EQ(SearchRootCount(), kMaxSearchRoots);
  ClearSearchRoots();
  AddSearchRoot(std::string(300, 'a').c_str());
  EXPECT_EQ(SearchRootCount(), 0);
}

TEST_F(SearchWorker, RefineDropsDeletedAndChangedFilesEvenAfterAStop) {
  std::string big = dir.WriteFile("big.txt", std::string(5000, 'x') + "Marker");
  std::string small = dir.WriteFile("small.txt", "Marker");
  std::string gone = dir.WriteFile("gone.txt", "Marker");
  SearchRecord r;
  r.text = "Marker";
  // A stop left over from an earlier search does not cut Refine's content test short.
  AddSearchRoot(dir.path().c_str());
  ASSERT_TRUE(StartSearchThread(r, window, 0));
  StopSearch();
  ASSERT_TRUE(jqtest::PumpUntil([&] { return reports.finished == 1; }, 20000));
  DeleteFileA(gone.c_str());
  dir.WriteFile("small.txt", "changed");
  EXPECT_EQ(RefineMatch(r, big.c_str()), 1);
  EXPECT_EQ(RefineMatch(r, small.c_str()), 0);
  EXPECT_EQ(RefineMatch(r, gone.c_str()), 0);
}

TEST_F(SearchWorker, PathsPastTheLimitAreSkippedNotOverrun) {
  // Folders up to about 245 characters, then a file whose full path passes 259.
  std::string rel;
  while (dir.path().size() + rel.size() < 235) rel += std::string(9, 'p') + "\\";
  dir.WriteFile(rel + "ok.txt", "x");
  std::string longName = std::string(30, 'L') + ".txt";
  std::wstring wide = L"\\\\?\\";
  for (char ch : dir / (rel + longName)) wide += static_cast<wchar_t>(ch);
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  SearchRecord r;
  r.recurse = 1;
  r.masks = "*.txt";
  AddSearchRoot(dir.path().c_str());
  ASSERT_TRUE(RunSearch(r));
  ASSERT_EQ(reports.found.size(), 1u);
  EXPECT_EQ(reports.found[0], dir / (rel + "ok.txt"));
  DeleteFileW(wide.c_str());
}

}  // namespace
