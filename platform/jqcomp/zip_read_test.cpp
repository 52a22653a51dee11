// Reading: archives made by Info-ZIP zip and 7-Zip are identified, listed and extracted byte
// for byte; passwords, overwrite rules and comments.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "jqcomp_test_support.h"

using namespace jqt;

namespace {

TEST(ZipEngine, EveryExportIsBoundByItsPlainName) {
  std::string path = jqtest::ProgramFolder() + "\\jqcomp.dll";
  HMODULE m = LoadLibraryA(path.c_str());
  ASSERT_NE(nullptr, m) << path;
  for (const char* const* n = ExportNames(); *n; ++n) EXPECT_NE(nullptr, GetProcAddress(m, *n)) << *n;
  FreeLibrary(m);
  ASSERT_NE(nullptr, LoadApi());
  uint32_t a = 0, b = 0;
  EXPECT_EQ(0, LoadApi()->Init(&a, 0));
  EXPECT_EQ(0, LoadApi()->Init(&b, 0));
  EXPECT_NE(a, b);
  LoadApi()->ShutDown(&a);
  LoadApi()->ShutDown(&b);
  EXPECT_EQ(0u, a);
}

struct Maker {
  const char* name;
  const char* command;  // run in the fixture folder; makes a.zip from tree
  uint16_t kind;
};

TEST(ZipEngine, ListsAndExtractsArchivesOfRealTools) {
  REQUIRE_HOST();
  const Maker makers[] = {
      {"zip deflate", "zip -q -r a.zip tree", et5::kKindZip},
      {"zip stored", "zip -q -0 -r a.zip tree", et5::kKindZip},
      {"zip zip64 records", "zip -q -fz -r a.zip tree", et5::kKindZip64},
      {"7z zip", "7z a -tzip -bd a.zip tree >/dev/null", et5::kKindZip},
      {"7z zip stored", "7z a -tzip -mx=0 -bd a.zip tree >/dev/null", et5::kKindZip},
  };
  for (const Maker& m : makers) {
    SCOPED_TRACE(m.name);
    jqtest::TempFolder dir;
    MakeTree(dir);
    ASSERT_EQ(0, Host(m.command, nullptr, dir.path()));
    std::string zip = dir / "a.zip";
    TestEngine eng;
    uint16_t kind = 0;
    EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, zip.c_str(), &kind));
    EXPECT_EQ(m.kind, kind);

    std::vector<std::string> names;
    std::vector<et5::EntryRecord> recs;
    ASSERT_EQ(0, eng.List(zip, &names, &recs));
    bool sawFolder = false, sawFile = false;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == "tree\\sub\\deeper\\data.bin") {
        sawFile = true;
        EXPECT_EQ(140000u, recs[i].size);
        EXPECT_EQ(140000u, recs[i].size64);
        EXPECT_LT(recs[i].packedSize, 140000u + 200);
        EXPECT_EQ(0, recs[i].attributes & 0x10);
        EXPECT_EQ(0u, recs[i].flags & 1);
        // The DOS date and time are the file's, in local time.
        WIN32_FILE_ATTRIBUTE_DATA info;
        ASSERT_TRUE(GetFileAttributesExA((dir / "tree\\sub\\deeper\\data.bin").c_str(), GetFileExInfoStandard, &info));
        FILETIME local;
        WORD d, t;
        FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
        FileTimeToDosDateTime(&local, &d, &t);
        EXPECT_EQ(d, recs[i].dosDate);
        auto seconds = [](unsigned x) { return (x >> 11) * 3600 + ((x >> 5) & 63) * 60 + (x & 31) * 2; };
        EXPECT_NEAR(seconds(t), seconds(recs[i].dosTime), 2);  // DOS times have two-second steps
      }
      if (names[i] == "tree\\emptyfolder\\" || names[i] == "tree\\emptyfolder") {
        sawFolder = true;
        EXPECT_EQ(0x10, recs[i].attributes & 0x10);
      }
    }
    EXPECT_TRUE(sawFile);
    EXPECT_TRUE(sawFolder);

    // With paths: the tree comes back byte for byte (the empty folder too).
    std::string out = dir.MakeFolder("out");
    EXPECT_EQ(0, eng.QUnZip(zip, out, "*.*", "-d -o -.L "));
    EXPECT_EQ(Snapshot(dir / "tree"), Snapshot(out + "\\tree"));
    // Without paths: the files land in the folder itself.
    std::string flat = dir.MakeFolder("flat");
    EXPECT_EQ(0, eng.QUnZip(zip, flat, "*.*", "-o -.L "));
    EXPECT_EQ(ReadBytes(dir / "tree\\sub\\deeper\\data.bin"), ReadBytes(flat + "\\data.bin"));
    EXPECT_EQ(ReadBytes(dir / "tree\\readme.txt"), ReadBytes(flat + "\\readme.txt"));
    EXPECT_FALSE(jqtest::FolderExists(flat + "\\tree"));
    // A quoted list of entries as the file manager builds it, and a wildcard pattern.
    std::string some = dir.MakeFolder("some");
    EXPECT_EQ(0, eng.QUnZip(zip, some, "\"tree\\readme.txt\" \"tree\\sub\\notes.txt\" ", "-d -.L "));
    EXPECT_EQ((std::vector<std::string>{"tree\\", "tree\\readme.txt", "tree\\sub\\", "tree\\sub\\notes.txt"}),
              AllPaths(some));
    std::string byPattern = dir.MakeFolder("pattern");
    EXPECT_EQ(0, eng.QUnZip(zip, byPattern, "*.bin", "-.L "));
    EXPECT_EQ((std::vector<std::string>{"data.bin", "random.bin"}), AllPaths(byPattern));
  }
}

TEST(ZipEngine, EmptyArchiveListsNothingWithMinus7) {
  jqtest::TempFolder dir;
  std::string eocd("PK\x05\x06", 4);
  eocd.append(18, '\0');
  WriteBytes(dir / "empty.zip", eocd);
  TestEngine eng;
  uint16_t kind = 0;
  EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, (dir / "empty.zip").c_str(), &kind));
  EXPECT_EQ(et5::kKindZip, kind);
  EXPECT_EQ(et5::kEmptyArchive, eng.List(dir / "empty.zip", nullptr, nullptr));
}

TEST(ZipEngine, IdentifiesKindsAndRefusesOthers) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  ASSERT_EQ(0, Host("tar cf a.tar tree && tar czf a.tgz tree && gzip -c tree/readme.txt > r.gz && zip -q -r a.zip tree "
                    "&& (printf MZ; head -c 5000 /dev/zero; cat a.zip) > sfx.exe",
                    nullptr, dir.path()));
  dir.WriteFile("plain.txt", "just some text, not an archive");
  struct Case { const char* file; int result; uint16_t kind; } cases[] = {
      {"a.zip", 0, et5::kKindZip},       {"a.tar", 0, et5::kKindTar},  {"a.tgz", 0, et5::kKindTarGz},
      {"r.gz", 0, et5::kKindGzip},       {"sfx.exe", 0, et5::kKindZipSfx},
      {"plain.txt", et5::kNotArchive, 0}, {"missing.zip", et5::kFileNotFound, 0},
  };
  TestEngine eng;
  for (const Case& c : cases) {
    uint16_t kind = 99;
    EXPECT_EQ(c.result, static_cast<int16_t>(eng.api.IdentifyFile(eng.h, (dir / c.file).c_str(), &kind))) << c.file;
    EXPECT_EQ(c.kind, kind) << c.file;
  }
  // The program in front of a self-extracting zip does not disturb reading it.
  std::string out = dir.MakeFolder("out");
  EXPECT_EQ(0, eng.QUnZip(dir / "sfx.exe", out, "*.*", "-d -.L "));
  EXPECT_EQ(ReadBytes(dir / "tree\\random.bin"), ReadBytes(out + "\\tree\\random.bin"));
  // It is not rewritten: that would drop its program part.
  std::string before = ReadBytes(dir / "sfx.exe");
  EXPECT_EQ(et5::kIncomplete, eng.QZip(dir / "sfx.exe", "\"" + (dir / "plain.txt") + "\"", "-a -whs -.q -en -.LR "));
  EXPECT_EQ(et5::kIncomplete, eng.QZip(dir / "sfx.exe", "\"tree\\readme.txt\"", "-d -.LR"));
  EXPECT_EQ(before, ReadBytes(dir / "sfx.exe"));
}

TEST(ZipEngine, PasswordsOfZipAnd7zArchives) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  ASSERT_EQ(0, Host("zip -q -r -P 'Se cret' p.zip tree && 7z a -tzip -mem=ZipCrypto -p'Se cret' -bd q.zip tree >/dev/null",
                    nullptr, dir.path()));
  for (const char* file : {"p.zip", "q.zip"}) {
    SCOPED_TRACE(file);
    std::string zip = dir / file;
    TestEngine eng;
    EXPECT_NE(0, eng.api.IsPassword(eng.h, zip.c_str()));
    EXPECT_NE(0, eng.api.IsGoodPassword(eng.h, zip.c_str(), "Se cret"));
    EXPECT_EQ(0, eng.api.IsGoodPassword(eng.h, zip.c_str(), "se cret"));  // case counts
    EXPECT_EQ(0, eng.api.IsGoodPassword(eng.h, zip.c_str(), ""));
    std::vector<et5::EntryRecord> recs;
    ASSERT_EQ(0, eng.List(zip, nullptr, &recs));
    for (auto& r : recs)
      if (!(r.attributes & 0x10) && r.size) {
        EXPECT_EQ(1u, r.flags & 1);
      }

    std::string none = dir.MakeFolder(std::string("none_") + file);
    EXPECT_EQ(et5::kBadPassword, eng.QUnZip(zip, none, "*.*", "-d -.L "));
    std::string wrong = dir.MakeFolder(std::string("wrong_") + file);
    EXPECT_EQ(et5::kBadPassword, eng.QUnZip(zip, wrong, "*.*", "-d -.L -s\"nope\""));
    // An empty entry proves nothing: its one check byte matches a wrong password once in 256
    // (as with every zip tool), and there is no data whose CRC could fail.
    for (auto& p : Snapshot(wrong))
      if (!p.second.empty()) EXPECT_EQ('\\', p.first.back()) << "no file from a wrong password: " << p.first;
    std::string good = dir.MakeFolder(std::string("good_") + file);
    EXPECT_EQ(0, eng.QUnZip(zip, good, "*.*", "-d -.L -s\"Se cret\""));
    EXPECT_EQ(Snapshot(dir / "tree"), Snapshot(good + "\\tree"));
  }
}

TEST(ZipEngine, WrongPasswordsAreRefusedEvenWhereAHeaderCheckByteMatches) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  // The tree holds an empty file, whose header check byte alone matches one wrong password in
  // 256: across a thousand wrong passwords some would pass if that were all that was checked.
  ASSERT_EQ(0, Host("zip -q -r -P right p.zip tree", nullptr, dir.path()));
  std::string zip = dir / "p.zip";
  TestEngine eng;
  ASSERT_NE(0, eng.api.IsGoodPassword(eng.h, zip.c_str(), "right"));
  int accepted = 0;
  for (int i = 0; i < 1000; ++i)
    accepted += eng.api.IsGoodPassword(eng.h, zip.c_str(), ("wrong" + std::to_string(i)).c_str()) != 0;
  EXPECT_EQ(0, accepted);
}

TEST(ZipEngine, OverwriteRulesAndQuestions) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  dir.WriteFile("src\\a.txt", "archive a");
  dir.WriteFile("src\\b.txt", "archive b");
  // Entries dated 2020; existing files either older (2010) or newer (2030).
  ASSERT_EQ(0, Host("touch -t 202001011200 src/a.txt src/b.txt && cd src && zip -q ../t.zip a.txt b.txt", nullptr, dir.path()));
  auto stamp = [](const std::string& path, int year) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = 6;
    st.wDay = 1;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
  };
  struct Case {
    const char* name;
    const char* switches;
    bool callback;
    std::vector<int16_t> answers;  // to the overwrite questions, in order
    const char* a;                 // a.txt afterwards (it exists, dated 2010)
    const char* b;                 // b.txt afterwards (it exists, dated 2030)
    const char* c;                 // c.txt: missing in the folder, not in the archive
    int result;
    size_t questions;
  } cases[] = {
      {"overwrite silently", "-o -.L ", false, {}, "archive a", "archive b", nullptr, 0, 0},
      {"no callback never replaces", "-.L ", false, {}, "old a", "new b", nullptr, 0, 0},
      {"ask: yes, no", "-.L ", true, {6, 7}, "archive a", "new b", nullptr, 0, 2},
      {"ask: yes to all", "-.L ", true, {106}, "archive a", "archive b", nullptr, 0, 1},
      {"ask: cancel", "-.L ", true, {2}, "old a", "new b", nullptr, et5::kCancelled, 1},
      {"only newer", "-f -o -.L ", false, {}, "archive a", "new b", nullptr, 0, 0},
      {"newer or missing", "-n -o -.L ", false, {}, "archive a", "new b", nullptr, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = dir / "out";
    jqtest::RemoveTree(out);
    CreateDirectoryA(out.c_str(), nullptr);
    WriteBytes(out + "\\a.txt", "old a");
    WriteBytes(out + "\\b.txt", "new b");
    stamp(out + "\\a.txt", 2010);
    stamp(out + "\\b.txt", 2030);
    TestEngine eng;
    eng.UseCallback(c.callback);
    std::vector<int16_t> answers = c.answers;
    eng.answer = [&](const Event& e) -> int16_t {
      if (e.kind == et5::kCbQuestion && e.code == et5::kAskOverwrite) {
        EXPECT_EQ(et5::kOpExtract, e.operation);
        if (answers.empty()) return 2;
        int16_t a = answers.front();
        answers.erase(answers.begin());
        return a;
      }
      return 1;
    };
    EXPECT_EQ(c.result, eng.QUnZip(dir / "t.zip", out, "*.*", c.switches));
    EXPECT_EQ(c.a, ReadBytes(out + "\\a.txt"));
    EXPECT_EQ(c.b, ReadBytes(out + "\\b.txt"));
    EXPECT_EQ(c.questions, eng.Count(et5::kCbQuestion, et5::kAskOverwrite));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), AllPaths(out)) << "no temporary file left";
  }
  // Newer-or-missing extracts a missing file; only-newer does not.
  for (const char* sw : {"-n -.L ", "-f -.L "}) {
    std::string out = dir / "miss";
    jqtest::RemoveTree(out);
    CreateDirectoryA(out.c_str(), nullptr);
    TestEngine eng;
    EXPECT_EQ(0, eng.QUnZip(dir / "t.zip", out, "*.*", sw));
    EXPECT_EQ(sw[1] == 'n' ? 2u : 0u, AllPaths(out).size()) << sw;
  }
}

TEST(ZipEngine, ReadsTheArchiveCommentAndProgress) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  ASSERT_EQ(0, Host("zip -q -r c.zip tree && printf 'first line\\nsecond' | zip -q -z c.zip", nullptr, dir.path()));
  TestEngine eng;
  char buf[256] = "x";
  EXPECT_EQ(0, eng.api.ZipComment(eng.h, (dir / "c.zip").c_str(), buf, sizeof buf));
  EXPECT_STREQ("first line\r\nsecond", buf);  // zip stores the comment with CR LF
  char tiny[6];
  EXPECT_EQ(0, eng.api.ZipComment(eng.h, (dir / "c.zip").c_str(), tiny, sizeof tiny));
  EXPECT_STREQ("first", tiny);
  // Progress: each item starts at 0 and counts up to its size.
  eng.UseCallback(true);
  std::string out = dir.MakeFolder("out");
  EXPECT_EQ(0, eng.QUnZip(dir / "c.zip", out, "*.*", "-d -.L "));
  uint32_t lastRandom = 0;
  std::set<std::string> starts;
  for (const Event& e : eng.events) {
    ASSERT_EQ(et5::kCbProgress, e.kind);
    EXPECT_EQ(et5::kOpExtract, e.operation);
    EXPECT_EQ(dir / "c.zip", e.path);
    if (e.itemBytes == 0) starts.insert(e.name);
    if (e.name == "tree\\random.bin") lastRandom = e.itemBytes;
  }
  EXPECT_EQ(5u, starts.size());
  EXPECT_EQ(300000u, lastRandom);
}

}  // namespace

namespace {

TEST(OtherKinds, TarGzipCabAndLhaAreListedTarAndGzipExtracted) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  MakeTree(dir);
  std::string out;
  ASSERT_EQ(0, Host("tar cf a.tar tree && tar czf a.tgz tree && gzip -c tree/random.bin > random.bin.gz && "
                    "{ tar cf - tree | compress -c > a.taz; [ $? -le 2 ]; } && compress -c tree/readme.txt > readme.txt.Z && "
                    "cd tree && gcab -c -z ../a.cab readme.txt random.bin && jlha c0o5 ../a.lzh readme.txt random.bin >/dev/null",
                    &out, dir.path()))
      << out;
  TestEngine eng;
  struct Case { const char* file; uint16_t kind; } tars[] = {
      {"a.tar", et5::kKindTar}, {"a.tgz", et5::kKindTarGz}, {"a.taz", et5::kKindTarCompress}};
  for (const Case& c : tars) {
    SCOPED_TRACE(c.file);
    uint16_t kind = 0;
    EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, (dir / c.file).c_str(), &kind));
    EXPECT_EQ(c.kind, kind);
    std::vector<std::string> names;
    std::vector<et5::EntryRecord> recs;
    ASSERT_EQ(0, eng.List(dir / c.file, &names, &recs));
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == "tree\\random.bin") {
        EXPECT_EQ(300000u, recs[i].size);
      }
      if (names[i] == "tree\\sub\\" || names[i] == "tree\\sub") {
        EXPECT_EQ(0x10, recs[i].attributes & 0x10);
      }
    }
    EXPECT_EQ(1, std::count(names.begin(), names.end(), "tree\\sub\\deeper\\data.bin"));
    std::string to = dir.MakeFolder(std::string("x_") + c.file);
    EXPECT_EQ(0, eng.QUnZip(dir / c.file, to, "*.*", "-d -o -.L "));
    EXPECT_EQ(Snapshot(dir / "tree"), Snapshot(to + "\\tree"));
    std::string one = dir.MakeFolder(std::string("one_") + c.file);
    EXPECT_EQ(0, eng.QUnZip(dir / c.file, one, "\"tree\\sub\\notes.txt\"", "-.L "));
    EXPECT_EQ((std::vector<std::string>{"notes.txt"}), AllPaths(one));
  }
  // A single gzip file: one entry named like the archive without ".gz".
  uint16_t kind = 0;
  EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, (dir / "random.bin.gz").c_str(), &kind));
  EXPECT_EQ(et5::kKindGzip, kind);
  std::vector<std::string> names;
  std::vector<et5::EntryRecord> recs;
  ASSERT_EQ(0, eng.List(dir / "random.bin.gz", &names, &recs));
  ASSERT_EQ((std::vector<std::string>{"random.bin"}), names);
  EXPECT_EQ(300000u, recs[0].size);
  std::string gz = dir.MakeFolder("gz");
  EXPECT_EQ(0, eng.QUnZip(dir / "random.bin.gz", gz, "*.*", "-o -.L "));
  EXPECT_EQ(ReadBytes(dir / "tree\\random.bin"), ReadBytes(gz + "\\random.bin"));
  // A single compressed file (.Z): its size is counted, since compress keeps none.
  EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, (dir / "readme.txt.Z").c_str(), &kind));
  EXPECT_EQ(et5::kKindCompress, kind);
  names.clear();
  recs.clear();
  ASSERT_EQ(0, eng.List(dir / "readme.txt.Z", &names, &recs));
  ASSERT_EQ((std::vector<std::string>{"readme.txt"}), names);
  EXPECT_EQ(20000u, recs[0].size);
  std::string z = dir.MakeFolder("z");
  EXPECT_EQ(0, eng.QUnZip(dir / "readme.txt.Z", z, "*.*", "-o -.L "));
  EXPECT_EQ(ReadBytes(dir / "tree\\readme.txt"), ReadBytes(z + "\\readme.txt"));
  // Cabinets and LHA archives are listed here (their own libraries extract them).
  Case listed[] = {{"a.cab", et5::kKindCab}, {"a.lzh", et5::kKindLha}};
  for (const Case& c : listed) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, (dir / c.file).c_str(), &kind));
    EXPECT_EQ(c.kind, kind);
    names.clear();
    recs.clear();
    ASSERT_EQ(0, eng.List(dir / c.file, &names, &recs));
    ASSERT_EQ((std::vector<std::string>{"readme.txt", "random.bin"}), names);
    EXPECT_EQ(20000u, recs[0].size);
    EXPECT_EQ(300000u, recs[1].size);
  }
}

TEST(OtherKinds, HostileTarWritesNothingOutsideAndNoLinks) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  std::string target = dir.MakeFolder("sandbox\\target");
  dir.WriteFile("make.py", R"PY(
import tarfile, io
with tarfile.open('evil.tgz', 'w:gz') as t:
    for name in ['../escape.txt', '/abs.txt', 'ok.txt', 'sub/../../escape2.txt']:
        data = ('data of ' + name).encode()
        info = tarfile.TarInfo(name); info.size = len(data); t.addfile(info, io.BytesIO(data))
    link = tarfile.TarInfo('link'); link.type = tarfile.SYMTYPE; link.linkname = '/etc/passwd'; t.addfile(link)
)PY");
  std::string out;
  ASSERT_EQ(0, Host("python3 make.py", &out, dir.path())) << out;
  TestEngine eng;
  eng.UseCallback(true);
  EXPECT_EQ(et5::kAlreadyReported, eng.QUnZip(dir / "evil.tgz", target, "*.*", "-d -o -.L "));
  EXPECT_EQ((std::vector<std::string>{"abs.txt", "ok.txt"}), AllPaths(target));
  EXPECT_EQ((std::vector<std::string>{"target\\", "target\\abs.txt", "target\\ok.txt"}), AllPaths(dir / "sandbox"));
  EXPECT_EQ(2u, eng.Count(et5::kCbError, et5::kBadDirectory));
  EXPECT_EQ(1u, eng.Count(et5::kCbError, et5::kIncomplete));  // the link
}

}  // namespace

namespace {

// A text of this source (UTF-8) in the program's code page (Traditional Chinese under the test locale).
std::string Ansi(const char* utf8) {
  wchar_t w[256];
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w, 256);
  char a[512];
  WideCharToMultiByte(CP_ACP, 0, w, -1, a, sizeof a, nullptr, nullptr);
  return a;
}

TEST(ZipEngine, ChineseNamesTravelBothWays) {
  REQUIRE_HOST();
  if (GetACP() != 950 && GetACP() != 936) GTEST_SKIP() << "needs a Chinese code page";
  jqtest::TempFolder dir;
  std::string folder = Ansi("中文"), file = Ansi("報告.txt");
  dir.WriteFile(folder + "\\" + file, "report text");
  std::string out;
  // 7-Zip marks UTF-8 names; Info-ZIP on Unix stores them unmarked.
  ASSERT_EQ(0, Host(std::string("7z a -tzip -bd s.zip ") + "中文" + " >/dev/null && zip -q -r i.zip " + "中文", &out, dir.path())) << out;
  TestEngine eng;
  for (const char* zip : {"s.zip", "i.zip"}) {
    SCOPED_TRACE(zip);
    std::vector<std::string> names;
    ASSERT_EQ(0, eng.List(dir / zip, &names, nullptr));
    EXPECT_EQ(1, std::count(names.begin(), names.end(), folder + "\\" + file));
    std::string to = dir.MakeFolder(std::string("x_") + zip);
    EXPECT_EQ(0, eng.QUnZip(dir / zip, to, "*.*", "-d -.L "));
    EXPECT_EQ("report text", ReadBytes(to + "\\" + folder + "\\" + file));
  }
  // What the engine writes, unzip lists under the same name.
  {
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_EQ(0, eng.QZip("ours.zip", "\"" + folder + "\\*.*\"", "-a -whs -.q -en -P -r -.LR "));
    SetCurrentDirectoryA(old);
  }
  EXPECT_EQ(0, Host("unzip -Z1 ours.zip", &out, dir.path()));
  EXPECT_NE(std::string::npos, out.find(std::string("中文/報告.txt"))) << out;
}

}  // namespace
