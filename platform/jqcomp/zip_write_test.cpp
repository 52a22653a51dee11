// Writing: archives the engine makes are accepted by unzip and 7-Zip (plain, stored,
// encrypted, with comments, spanned over several disks and a one-disk span repaired); add,
// freshen, update, move and delete; cancelling; UUEncode read back by uudecode.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>

#include "jqcomp_test_support.h"

using namespace jqt;

namespace {

const char kAddAll[] = "-a -whs -.q -en -P -r -.LR ";

// Runs a function with the current directory set to a folder, as the file manager's workers do.
struct InFolder {
  explicit InFolder(const std::string& folder) {
    GetCurrentDirectoryA(MAX_PATH, old);
    SetCurrentDirectoryA(folder.c_str());
  }
  ~InFolder() { SetCurrentDirectoryA(old); }
  char old[MAX_PATH];
};

// Both real readers accept the archive, and unzip gives back the tree.
void ExpectToolsAccept(const jqtest::TempFolder& dir, const std::string& zipName, const std::string& password = "",
                       bool compareTree = true) {
  std::string out;
  std::string p = password.empty() ? "" : " -P '" + password + "'";
  std::string p7 = password.empty() ? "" : " -p'" + password + "'";
  EXPECT_EQ(0, Host("unzip -t" + p + " " + zipName, &out, dir.path())) << out;
  EXPECT_EQ(0, Host("7z t" + p7 + " " + zipName, &out, dir.path())) << out;
  if (!compareTree) return;
  EXPECT_EQ(0, Host("rm -rf chk && mkdir chk && cd chk && unzip -q" + p + " ../" + zipName + " && diff -r ../tree tree", &out,
                    dir.path()))
      << out;
}

TEST(ZipWriter, ArchivesAreAcceptedByUnzipAnd7z) {
  REQUIRE_HOST();
  struct Case { const char* name; std::string switches; std::string password; uint16_t method; } cases[] = {
      {"normal", kAddAll, "", 8},
      {"maximum", "-a -whs -.q -ex -P -r -.LR ", "", 8},
      {"super fast", "-a -whs -.q -es -P -r -.LR ", "", 8},
      {"stored", "-a -whs -.q -e0 -P -r -.LR ", "", 0},
      {"password", std::string(kAddAll) + "-s\"p a\"ss\"", "p a\"ss", 8},
      {"stored password", "-a -whs -.q -e0 -P -r -.LR -s\"k\"", "k", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    jqtest::TempFolder dir;
    MakeTree(dir);
    TestEngine eng;
    {
      InFolder in(dir.path());
      EXPECT_EQ(0, eng.QZip("made.zip", "\"tree\\*.*\"", c.switches));
    }
    std::vector<std::string> names;
    std::vector<et5::EntryRecord> recs;
    ASSERT_EQ(0, eng.List(dir / "made.zip", &names, &recs));
    EXPECT_EQ((std::set<std::string>{"tree\\readme.txt", "tree\\random.bin", "tree\\empty.dat", "tree\\sub\\",
                                     "tree\\sub\\notes.txt", "tree\\sub\\deeper\\", "tree\\sub\\deeper\\data.bin",
                                     "tree\\emptyfolder\\"}),
              std::set<std::string>(names.begin(), names.end()));
    for (size_t i = 0; i < recs.size(); ++i)
      if (!(recs[i].attributes & 0x10)) {
        EXPECT_EQ(c.method, recs[i].method) << names[i];
        EXPECT_EQ(c.password.empty() ? 0u : 1u, recs[i].flags & 1) << names[i];
      }
    ExpectToolsAccept(dir, "made.zip", c.password);
    if (!c.password.empty()) {
      EXPECT_NE(0, Host("unzip -t -P wrong made.zip", nullptr, dir.path()));
      EXPECT_NE(0, eng.api.IsGoodPassword(eng.h, (dir / "made.zip").c_str(), c.password.c_str()));
    }
  }
}

TEST(ZipWriter, PathsAndDosNames) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  dir.WriteFile("src\\A long file name.text", "long");
  dir.WriteFile("src\\sub\\x.txt", "x");
  TestEngine eng;
  std::vector<std::string> names;
  // No paths: names only, subfolders' files included with -r.
  EXPECT_EQ(0, eng.QZip(dir / "flat.zip", "\"" + (dir / "src") + "\\*.*\"", "-a -whs -.q -en -r -.LR "));
  ASSERT_EQ(0, eng.List(dir / "flat.zip", &names, nullptr));
  EXPECT_EQ((std::set<std::string>{"A long file name.text", "x.txt"}), std::set<std::string>(names.begin(), names.end()));
  // Several files chosen in one folder: the folder, then the quoted names.
  names.clear();
  EXPECT_EQ(0, eng.QZip(dir / "chosen.zip", (dir / "src") + "\\\"A long file name.text\" \"sub\\x.txt\" ",
                        "-a -whs -.q -en -.LR "));
  ASSERT_EQ(0, eng.List(dir / "chosen.zip", &names, nullptr));
  EXPECT_EQ((std::vector<std::string>{"A long file name.text", "x.txt"}), names);
  // Full paths: the folder path without its drive.
  names.clear();
  EXPECT_EQ(0, eng.QZip(dir / "full.zip", "\"" + (dir / "src") + "\\*.*\"", kAddAll));
  ASSERT_EQ(0, eng.List(dir / "full.zip", &names, nullptr));
  std::string prefix = (dir / "src").substr(3) + "\\";
  EXPECT_EQ(1, std::count(names.begin(), names.end(), prefix + "sub\\x.txt")) << prefix;
  // DOS names: the short form of every part.
  names.clear();
  {
    InFolder in(dir.path());
    EXPECT_EQ(0, eng.QZip("dos.zip", "\"src\\*.*\"", "-a -whs -.q -en -P -r "));
  }
  ASSERT_EQ(0, eng.List(dir / "dos.zip", &names, nullptr));
  for (const std::string& n : names) {
    EXPECT_EQ(n, std::string(CharUpperA(std::string(n).data()))) << n;
    EXPECT_EQ(n.find(' '), std::string::npos) << n;
  }
  EXPECT_EQ(1, std::count(names.begin(), names.end(), "SRC\\SUB\\X.TXT"));
  // Short paths in the list still give long stored names when long names are on.
  char shortPath[MAX_PATH];
  ASSERT_NE(0u, GetShortPathNameA((dir / "src\\A long file name.text").c_str(), shortPath, MAX_PATH));
  names.clear();
  EXPECT_EQ(0, eng.QZip(dir / "long.zip", std::string("\"") + shortPath + "\"", "-a -whs -.q -en -.LR "));
  ASSERT_EQ(0, eng.List(dir / "long.zip", &names, nullptr));
  EXPECT_EQ((std::vector<std::string>{"A long file name.text"}), names) << shortPath;
  ExpectToolsAccept(dir, "dos.zip", "", false);
}

TEST(ZipWriter, FreshenUpdateMoveDeleteAndTheAddQuestion) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  dir.WriteFile("a.txt", "a1");
  dir.WriteFile("b.txt", "b1");
  InFolder in(dir.path());
  TestEngine eng;
  ASSERT_EQ(0, eng.QZip("t.zip", "\"a.txt\" \"b.txt\"", "-a -whs -.q -en -.LR "));
  // a.txt changes (two seconds later at least), c.txt appears.
  ASSERT_EQ(0, Host("touch -d '+1 hour' a.txt", nullptr, dir.path()));
  WriteBytes(dir / "a.txt", "a2");
  ASSERT_EQ(0, Host("touch -d '+1 hour' a.txt", nullptr, dir.path()));
  WriteBytes(dir / "c.txt", "c1");
  auto contents = [&](const std::string& entry) {
    std::string out = dir / "x";
    jqtest::RemoveTree(out);
    CreateDirectoryA(out.c_str(), nullptr);
    TestEngine e2;
    int r = e2.QUnZip(dir / "t.zip", out, "\"" + entry + "\"", "-o -.L ");
    return r ? std::string("<none>") : ReadBytes(out + "\\" + entry);
  };
  EXPECT_EQ(0, eng.QZip("t.zip", "a.txt b.txt c.txt", "-f -whs -.q -en -.LR "));
  EXPECT_EQ("a2", contents("a.txt"));
  EXPECT_EQ("b1", contents("b.txt"));
  EXPECT_EQ("<none>", contents("c.txt"));
  EXPECT_EQ(0, eng.QZip("t.zip", "*.txt", "-u -whs -.q -en -.LR "));
  EXPECT_EQ("c1", contents("c.txt"));
  // Move: the source goes only after the archive is written.
  WriteBytes(dir / "d.txt", "d1");
  EXPECT_EQ(0, eng.QZip("t.zip", "\"d.txt\"", "-m -.r -whs -.q -en -.LR "));
  EXPECT_EQ("d1", contents("d.txt"));
  EXPECT_FALSE(jqtest::FileExists(dir / "d.txt"));
  // Moving a folder's contents removes the subfolders it empties, not the folder itself.
  dir.WriteFile("mv\\a.txt", "ma");
  dir.WriteFile("mv\\inner\\b.txt", "mb");
  EXPECT_EQ(0, eng.QZip("moved.zip", "\"mv\\*.*\"", "-m -.r -whs -.q -en -P -r -.LR "));
  EXPECT_TRUE(jqtest::FolderExists(dir / "mv"));
  EXPECT_TRUE(AllPaths(dir / "mv").empty());
  std::vector<std::string> movedNames;
  ASSERT_EQ(0, eng.List(dir / "moved.zip", &movedNames, nullptr));
  EXPECT_EQ((std::vector<std::string>{"mv\\a.txt", "mv\\inner\\", "mv\\inner\\b.txt"}), movedNames);
  // Adding a name the archive has asks first; No keeps the entry.
  WriteBytes(dir / "b.txt", "b2");
  eng.UseCallback(true);
  eng.answer = [](const Event& e) -> int16_t { return e.kind == et5::kCbQuestion ? et5::kAnswerNo : 1; };
  EXPECT_EQ(0, eng.QZip("t.zip", "\"b.txt\"", "-a -whs -.q -en -.LR "));
  EXPECT_EQ(1u, eng.Count(et5::kCbQuestion, et5::kAskOverwrite));
  for (const Event& e : eng.events)
    if (e.kind == et5::kCbQuestion) {
      EXPECT_EQ(et5::kOpCompress, e.operation);
      EXPECT_EQ("b.txt", e.name);
    }
  EXPECT_EQ("b1", contents("b.txt"));
  eng.UseCallback(false);
  // Delete, as the file manager asks for it.
  std::string before = ReadBytes(dir / "t.zip");
  EXPECT_EQ(et5::kNothingToDo, eng.QZip("t.zip", "\"nothing.txt\" ", "-d -.LR"));
  EXPECT_EQ(before, ReadBytes(dir / "t.zip"));
  EXPECT_EQ(0, eng.QZip("t.zip", "\"a.txt\" \"c.txt\" ", "-d -.LR"));
  std::vector<std::string> names;
  ASSERT_EQ(0, eng.List(dir / "t.zip", &names, nullptr));
  EXPECT_EQ((std::vector<std::string>{"b.txt", "d.txt"}), names);
  std::string out;
  EXPECT_EQ(0, Host("unzip -t t.zip", &out, dir.path())) << out;
  // Something that is not a zip is never overwritten.
  WriteBytes(dir / "notzip.zip", "plain text");
  EXPECT_EQ(et5::kNotArchive, eng.QZip("notzip.zip", "\"b.txt\"", kAddAll));
  EXPECT_EQ("plain text", ReadBytes(dir / "notzip.zip"));
}

TEST(ZipWriter, AFileThatCannotBeReadIsReportedAndLeftOut) {
  jqtest::TempFolder dir;
  for (int i = 0; i < 6; ++i) dir.WriteFile("src\\f" + std::to_string(i) + ".txt", "data " + std::to_string(i));
  HANDLE locked = CreateFileA((dir / "src\\f3.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  InFolder in(dir.path());
  TestEngine eng;
  eng.UseCallback(true);
  EXPECT_EQ(et5::kAlreadyReported, eng.QZip("t.zip", "\"src\\*.*\"", "-m -.r -whs -.q -en -.LR "));
  ASSERT_EQ(1u, eng.Count(et5::kCbError, et5::kAccessDenied));
  std::vector<std::string> names;
  ASSERT_EQ(0, eng.List(dir / "t.zip", &names, nullptr));
  EXPECT_EQ((std::vector<std::string>{"f0.txt", "f1.txt", "f2.txt", "f4.txt", "f5.txt"}), names);
  CloseHandle(locked);
  // The move took the files it stored and left the one it could not read.
  EXPECT_EQ((std::vector<std::string>{"f3.txt"}), AllPaths(dir / "src"));
  // Told to stop, the engine leaves the archive as it was.
  std::string before = ReadBytes(dir / "t.zip");
  dir.WriteFile("src\\f6.txt", "six");
  locked = CreateFileA((dir / "src\\f3.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  eng.answer = [](const Event& e) -> int16_t { return e.kind == et5::kCbError ? 2 : 1; };
  EXPECT_EQ(et5::kAlreadyReported, eng.QZip("t.zip", "\"src\\*.*\"", "-a -whs -.q -en -.LR "));
  CloseHandle(locked);
  EXPECT_EQ(before, ReadBytes(dir / "t.zip"));
}

TEST(ZipWriter, CommentsAreWrittenAndKept) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  InFolder in(dir.path());
  TestEngine eng;
  ASSERT_EQ(0, eng.QZip("c.zip", "\"tree\\*.*\"", kAddAll));
  EXPECT_EQ(0, eng.api.ZipNewComment(eng.h, "c.zip", "Quarterly figures\r\nsecond line"));
  std::string out;
  EXPECT_EQ(0, Host("unzip -z c.zip", &out, dir.path()));
  EXPECT_NE(std::string::npos, out.find("Quarterly figures")) << out;
  // Adding keeps the comment.
  WriteBytes(dir / "more.txt", "more");
  EXPECT_EQ(0, eng.QZip("c.zip", "\"more.txt\"", kAddAll));
  char buf[100];
  EXPECT_EQ(0, eng.api.ZipComment(eng.h, "c.zip", buf, sizeof buf));
  EXPECT_STREQ("Quarterly figures\r\nsecond line", buf);
  ExpectToolsAccept(dir, "c.zip");
}

// The file manager's one-disk span repair, as it does it.
int RepairOneDiskSpan(const std::string& path) {
  std::string f = ReadBytes(path);
  if (f.size() < 64 || f.compare(0, 4, "PK\x07\x08", 4) != 0 || f.compare(4, 4, "PK\x03\x04", 4) != 0) return 0;
  size_t tailStart = f.size() > 512 ? f.size() - 512 : 0;
  size_t end = f.rfind("PK\x05\x06", std::string::npos, 4);
  if (end == std::string::npos || end < tailStart) return 0;
  uint32_t cd;
  memcpy(&cd, &f[end + 16], 4);
  if (f.compare(cd, 4, "PK\x01\x02", 4) != 0) return 0;
  uint32_t rel;
  memcpy(&rel, &f[cd + 42], 4);
  if (rel != 4) return 0;
  memset(&f[cd + 42], 0, 4);
  uint16_t nameLen;
  memcpy(&nameLen, &f[4 + 26], 2);
  std::string header = f.substr(4, 30 + nameLen);
  header[28] = 4;
  header[29] = 0;
  header.append(4, '\0');
  f.replace(0, header.size(), header);
  return WriteBytes(path, f) ? 1 : 0;
}

TEST(ZipWriter, SpannedOverSeveralDisksAndRepairedOneDiskSpan) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  InFolder in(dir.path());
  TestEngine eng;
  eng.UseCallback(true);
  std::vector<uint16_t> asked;
  // Each "disk" is the file span.zip; when the engine asks for the next disk, the full one is
  // put aside under the split-archive name it has as part n (span.z01, ...).
  eng.answer = [&](const Event& e) -> int16_t {
    if (e.kind == et5::kCbQuestion && e.code == et5::kAskInsertDisk) {
      asked.push_back(e.disk);
      EXPECT_EQ(dir / "span.zip", e.path);
      char part[32];
      wsprintfA(part, "span.z%02u", e.disk - 1);
      EXPECT_TRUE(MoveFileA((dir / "span.zip").c_str(), (dir / part).c_str()));
    }
    return 1;
  };
  uint32_t ah = 0;
  EXPECT_EQ(et5::kNotRemovable, static_cast<int16_t>(eng.api.ZipCreateMV(eng.h, (dir / "span.zip").c_str(), 3, 0, 0, &ah)));
  eng.api.ZipClose(eng.h, &ah);
  ASSERT_EQ(0, eng.api.ZipCreateMV(eng.h, (dir / "span.zip").c_str(), 3, 100000, 0, &ah));
  EXPECT_EQ(0, eng.api.Zip(eng.h, &ah, "\"tree\\*.*\"", "", kAddAll));
  eng.api.ZipClose(eng.h, &ah);
  ASSERT_GE(asked.size(), 3u);
  for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(i + 2, asked[i]);
  EXPECT_EQ("PK\x07\x08", ReadBytes(dir / "span.z01").substr(0, 4));
  for (uint16_t d = 1; d < asked.size() + 1; ++d) {
    char part[32];
    wsprintfA(part, "span.z%02u", d);
    EXPECT_LE(ReadBytes(dir / part).size(), 100000u);
  }
  // Info-ZIP joins the disks into one archive that both readers accept.
  std::string out;
  ASSERT_EQ(0, Host("zip -q -s 0 span.zip --out one.zip", &out, dir.path())) << out;
  ExpectToolsAccept(dir, "one.zip");
  // The engine reads the split set itself.
  std::string back = dir.MakeFolder("back");
  eng.UseCallback(false);
  EXPECT_EQ(0, eng.QUnZip(dir / "span.zip", back, "*.*", "-d -.L "));
  EXPECT_EQ(Snapshot(dir / "tree"), Snapshot(back + "\\tree"));

  // The same set on removable disks: one name in one drive. Reading starts with disk 1 in the
  // drive; the engine asks for the last disk, then for each disk it needs.
  std::string drive = dir.MakeFolder("drive");
  size_t disks = asked.size() + 1;
  auto part = [&](size_t n) {
    char name[32];
    if (n == disks) return dir / "span.zip";
    wsprintfA(name, "span.z%02u", static_cast<unsigned>(n));
    return dir / name;
  };
  ASSERT_TRUE(CopyFileA(part(1).c_str(), (drive + "\\span.zip").c_str(), FALSE));
  std::vector<std::pair<int16_t, uint16_t>> questions;
  eng.UseCallback(true);
  eng.answer = [&](const Event& e) -> int16_t {
    if (e.kind != et5::kCbQuestion) return 1;
    questions.push_back({e.code, e.disk});
    size_t n = e.code == et5::kAskInsertLastDisk ? disks : e.disk;
    EXPECT_TRUE(CopyFileA(part(n).c_str(), (drive + "\\span.zip").c_str(), FALSE));
    return 1;
  };
  std::string fromDisks = dir.MakeFolder("fromdisks");
  EXPECT_EQ(0, eng.QUnZip(drive + "\\span.zip", fromDisks, "*.*", "-d -.L "));
  EXPECT_EQ(Snapshot(dir / "tree"), Snapshot(fromDisks + "\\tree"));
  ASSERT_FALSE(questions.empty());
  EXPECT_EQ(et5::kAskInsertLastDisk, questions[0].first);
  for (size_t i = 1; i < questions.size(); ++i) EXPECT_EQ(et5::kAskInsertDisk, questions[i].first);
  EXPECT_GE(questions.size(), disks);
  eng.UseCallback(false);
  eng.answer = [&](const Event& e) -> int16_t {
    if (e.kind == et5::kCbQuestion) asked.push_back(e.disk);
    return 1;
  };

  // Everything fits on the first disk: no question, and the file manager's repair makes it an
  // ordinary zip.
  asked.clear();
  ASSERT_EQ(0, eng.api.ZipCreateMV(eng.h, (dir / "single.zip").c_str(), 3, 50000000, 0, &ah));
  eng.UseCallback(true);
  EXPECT_EQ(0, eng.api.Zip(eng.h, &ah, "\"tree\\*.*\"", "", kAddAll));
  eng.api.ZipClose(eng.h, &ah);
  EXPECT_TRUE(asked.empty());
  std::string raw = ReadBytes(dir / "single.zip");
  ASSERT_EQ(std::string("PK\x07\x08PK\x03\x04", 8), raw.substr(0, 8));
  EXPECT_EQ(0, raw[4 + 28]) << "no extra field in the first local header";
  ASSERT_EQ(1, RepairOneDiskSpan(dir / "single.zip"));
  ExpectToolsAccept(dir, "single.zip");
}

struct ExtractJob {
  TestEngine* eng;
  std::string zip, out;
  std::atomic<int>* result;
  static DWORD WINAPI Run(void* p) {
    auto* j = static_cast<ExtractJob*>(p);
    int r = j->eng->QUnZip(j->zip, j->out, "*.*", "-o -.L ");
    j->result->store(r == et5::kCancelled ? 3 : 4);
    return 0;
  }
};

TEST(ZipWriter, SpannedDirectoryThatCrossesDisks) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  for (int i = 0; i < 40; ++i) dir.WriteFile("tree\\file" + std::to_string(i) + ".txt", Text(100 + i, i));
  InFolder in(dir.path());
  TestEngine eng;
  eng.UseCallback(true);
  int disks = 1;
  eng.answer = [&](const Event& e) -> int16_t {
    if (e.kind == et5::kCbQuestion && e.code == et5::kAskInsertDisk) {
      char part[32];
      wsprintfA(part, "small.z%02u", e.disk - 1);
      EXPECT_TRUE(MoveFileA((dir / "small.zip").c_str(), (dir / part).c_str()));
      disks = e.disk;
    }
    return 1;
  };
  uint32_t ah = 0;
  ASSERT_EQ(0, eng.api.ZipCreateMV(eng.h, (dir / "small.zip").c_str(), 3, 1500, 0, &ah));
  EXPECT_EQ(0, eng.api.Zip(eng.h, &ah, "\"tree\\*.*\"", "", kAddAll));
  eng.api.ZipClose(eng.h, &ah);
  EXPECT_GE(disks, 4);  // 40 directory records alone need two disks
  std::string out;
  ASSERT_EQ(0, Host("zip -q -s 0 small.zip --out one.zip", &out, dir.path())) << out;
  ExpectToolsAccept(dir, "one.zip");
  std::string back = dir.MakeFolder("back");
  eng.UseCallback(false);
  EXPECT_EQ(0, eng.QUnZip(dir / "small.zip", back, "*.*", "-d -.L "));
  EXPECT_EQ(Snapshot(dir / "tree"), Snapshot(back + "\\tree"));
}

TEST(ZipWriter, CancelLeavesNoPartialFile) {
  jqtest::TempFolder dir;
  dir.WriteFile("big.bin", PseudoRandom(12 << 20, 9));
  dir.WriteFile("small.txt", "small");
  InFolder in(dir.path());
  // Compressing: cancelled from inside the callback; the old archive stays as it was.
  {
    TestEngine eng;
    ASSERT_EQ(0, eng.QZip("keep.zip", "\"small.txt\"", kAddAll));
    std::string before = ReadBytes(dir / "keep.zip");
    eng.UseCallback(true);
    eng.answer = [&](const Event& e) -> int16_t {
      if (e.kind == et5::kCbProgress && e.itemBytes > 0) eng.api.Cancel(eng.h);
      return 1;
    };
    EXPECT_EQ(et5::kCancelled, eng.QZip("keep.zip", "\"big.bin\"", kAddAll));
    EXPECT_EQ(before, ReadBytes(dir / "keep.zip"));
    EXPECT_EQ((std::vector<std::string>{"big.bin", "keep.zip", "small.txt"}), AllPaths(dir.path()));
  }
  // Extracting: cancelled from another thread; the file it was replacing is untouched.
  {
    TestEngine eng;
    ASSERT_EQ(0, eng.QZip("big.zip", "\"big.bin\"", "-a -whs -.q -e0 -.LR "));
    std::string out = dir.MakeFolder("out");
    WriteBytes(out + "\\big.bin", "the old big.bin");
    eng.UseCallback(true);
    std::atomic<bool> started{false};
    std::atomic<int> result{1};
    eng.answer = [&](const Event& e) -> int16_t {
      if (e.kind == et5::kCbProgress && e.itemBytes > 0) {
        started = true;
        // Hold the engine here until the other thread has cancelled.
        jqtest::PumpUntil([&] { return result.load() == 2; }, 10000);
      }
      return 1;
    };
    ExtractJob job{&eng, dir / "big.zip", out, &result};
    HANDLE t = CreateThread(nullptr, 0, &ExtractJob::Run, &job, 0, nullptr);
    ASSERT_TRUE(jqtest::PumpUntil([&] { return started.load(); }, 20000));
    eng.api.Cancel(eng.h);
    result = 2;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t, 20000));
    CloseHandle(t);
    EXPECT_EQ(3, result.load());
    EXPECT_EQ("the old big.bin", ReadBytes(out + "\\big.bin"));
    EXPECT_EQ((std::vector<std::string>{"big.bin"}), AllPaths(out));
  }
}

TEST(ZipWriter, CancellingManySmallFilesLeavesEachWholeOrUntouched) {
  jqtest::TempFolder dir;
  auto name = [](int i) {
    char n[16];
    wsprintfA(n, "f%02d.txt", i);
    return std::string(n);
  };
  // The engine stores a folder's files in name order, so f00 ... f39 is the archive's order.
  for (int i = 0; i < 40; ++i) dir.WriteFile("src\\" + name(i), Text(30000 + i, i));
  InFolder in(dir.path());
  TestEngine eng;
  ASSERT_EQ(0, eng.QZip("many.zip", "\"src\\*.*\"", kAddAll));
  std::string out = dir.MakeFolder("out");
  for (int i = 0; i < 40; i += 2) WriteBytes(out + "\\" + name(i), "old");
  eng.UseCallback(true);
  int started = 0;
  eng.answer = [&](const Event& e) -> int16_t {
    if (e.kind == et5::kCbProgress && e.itemBytes == 0 && ++started == 20) eng.api.Cancel(eng.h);
    return 1;
  };
  EXPECT_EQ(et5::kCancelled, eng.QUnZip(dir / "many.zip", out, "*.*", "-o -.L "));
  int replaced = 0, added = 0;
  for (const std::string& p : AllPaths(out)) {
    ASSERT_EQ(0u, p.rfind("f", 0)) << "a temporary file was left: " << p;
    int i = atoi(p.c_str() + 1);
    std::string now = ReadBytes(out + "\\" + p);
    if (now == "old") continue;
    EXPECT_EQ(Text(30000 + i, i), now) << p;
    EXPECT_LT(i, 19) << "written after the cancel: " << p;
    (i % 2 ? added : replaced)++;
  }
  EXPECT_LT(replaced + added, 19);
}

TEST(ZipWriter, FilesTooLargeForTheFormatAreRefusedCleanly) {
  jqtest::TempFolder dir;
  dir.WriteFile("small.txt", "small");
  InFolder in(dir.path());
  TestEngine eng;
  ASSERT_EQ(0, eng.QZip("keep.zip", "\"small.txt\"", kAddAll));
  std::string before = ReadBytes(dir / "keep.zip");
  // A sparse file just over 4 GiB.
  HANDLE h = CreateFileA((dir / "huge.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  LARGE_INTEGER size;
  size.QuadPart = (4ll << 30) + 1;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_EQ(et5::kIncomplete, eng.QZip("keep.zip", "\"huge.bin\"", kAddAll));
  EXPECT_EQ(before, ReadBytes(dir / "keep.zip"));
  EXPECT_EQ(et5::kIncomplete, eng.QZip("new.zip", "\"huge.bin\"", kAddAll));
  EXPECT_EQ((std::vector<std::string>{"huge.bin", "keep.zip", "small.txt"}), AllPaths(dir.path()));
}

TEST(ZipWriter, UUEncodeIsReadByUudecode) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  std::string data = PseudoRandom(5000, 11) + Text(3001, 12);
  dir.WriteFile("report data.bin", data);
  TestEngine eng;
  uint16_t n = 0;
  EXPECT_EQ(0, eng.api.UUEncode(eng.h, (dir / "report data.bin").c_str(), (dir / "whole").c_str(), 0, 1, &n));
  EXPECT_EQ(1, n);
  std::string out;
  EXPECT_EQ(0, Host("uudecode -o whole.out whole.uue && cmp whole.out 'report data.bin'", &out, dir.path())) << out;
  // Split at 1 KB with cut lines: the bodies joined in order decode to the file.
  EXPECT_EQ(0, eng.api.UUEncode(eng.h, (dir / "report data.bin").c_str(), (dir / "cut").c_str(), 1024, 1, &n));
  EXPECT_GT(n, 8);
  for (int i = 1; i <= n; ++i) {
    char part[32];
    wsprintfA(part, "cut.u%02d", i);
    EXPECT_LE(ReadBytes(dir / part).size(), 1024u) << part;
  }
  EXPECT_EQ(0, Host("for f in cut.u*; do awk '/^--- cut here ---/{n++; next} n==1' \"$f\"; done > joined "
                    "&& uudecode -o cut.out joined && cmp cut.out 'report data.bin'",
                    &out, dir.path()))
      << out;
  // Split without cut lines: the parts simply follow each other.
  EXPECT_EQ(0, eng.api.UUEncode(eng.h, (dir / "report data.bin").c_str(), (dir / "plain").c_str(), 2048, 0, &n));
  EXPECT_GT(n, 3);
  EXPECT_EQ(0, Host("cat plain.u* | uudecode -o plain.out && cmp plain.out 'report data.bin'", &out, dir.path())) << out;
}

// The section line carries the whole name however long it is, and the output still decodes.
TEST(ZipWriter, UUEncodeKeepsLongNamesWhole) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  InFolder in(dir.path());  // relative names: the longest would not fit in a full path
  const std::string data = PseudoRandom(2000, 5);
  for (size_t length : {139u, 140u, 255u}) {
    const std::string name = std::string(length - 4, 'n') + ".bin";
    ASSERT_TRUE(WriteBytes(name, data)) << length;
    TestEngine eng;
    uint16_t n = 0;
    ASSERT_EQ(0, eng.api.UUEncode(eng.h, name.c_str(), "whole", 0, 1, &n)) << length;
    EXPECT_EQ(1, n);
    std::string text = ReadBytes(dir / "whole.uue");
    EXPECT_EQ(0u, text.find("section 1/1 file " + name + "\r\n--- cut here ---\r\n")) << length;
    std::string out;
    EXPECT_EQ(0, Host("awk '/^--- cut here ---/{n++; next} n==1' whole.uue > body && uudecode -o whole.out body && "
                      "cmp whole.out " + name, &out, dir.path()))
        << length << out;
    // Split: every part names the file whole and stays within the size.
    ASSERT_EQ(0, eng.api.UUEncode(eng.h, name.c_str(), "part", 1024, 1, &n)) << length;
    EXPECT_GT(n, 2);
    for (int i = 1; i <= n; ++i) {
      char part[32];
      wsprintfA(part, "part.u%02d", i);
      std::string bytes = ReadBytes(dir / part);
      EXPECT_LE(bytes.size(), 1024u) << part;
      EXPECT_EQ(0u, bytes.find("section " + std::to_string(i) + "/" + std::to_string(n) + " file " + name + "\r\n"))
          << part;
    }
    EXPECT_EQ(0, Host("for f in part.u*; do awk '/^--- cut here ---/{n++; next} n==1' \"$f\"; done > joined "
                      "&& uudecode -o part.out joined && cmp part.out " + name + " && rm part.u* " + name,
                      &out, dir.path()))
        << length << out;
  }
}

}  // namespace
