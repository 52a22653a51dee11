// Hostile archives: names that try to leave the target folder, truncated and corrupt data,
// sizes that lie, overlapping entries (a zip bomb), unknown methods. Each ends in its code,
// quickly, with nothing written outside the target and no partial file inside it.
#include <gtest/gtest.h>

#include "jqcomp_test_support.h"

using namespace jqt;

namespace {

// Python's zipfile writes names exactly as given, which is what a hostile archive needs.
const char kMakeHostile[] = R"PY(
import zipfile, struct, zlib
def names(path, entries):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        for n in entries:
            z.writestr(zipfile.ZipInfo(n, (2020, 1, 1, 0, 0, 0)), 'payload of ' + n)
names('traverse.zip', ['../../escape1.txt', '..\\..\\escape2.txt', '/abs/rooted.txt', 'C:\\drive.txt', 'C:rel.txt',
                       'sub/../../escape3.txt', 'con.txt', 'sub/NUL', 'bad\x01name.txt', 'ads.txt:stream',
                       'trail.txt.', 'ok.txt', 'sub/ok2.txt'])
good = open('good.zip', 'rb').read()
# Truncated: the second half is gone (no directory any more).
open('truncated.zip', 'wb').write(good[:len(good)//2])
# Corrupt: one byte of the first entry's data flipped.
b = bytearray(good); b[30 + len('big.txt') + 100] ^= 0xFF; open('corrupt.zip', 'wb').write(bytes(b))
# The same data stored (no compression) with one data byte flipped: only the CRC can tell.
first = zipfile.ZipFile('good.zip').infolist()[0]
with zipfile.ZipFile('stored_flipped.zip', 'w', zipfile.ZIP_STORED) as z:
    z.writestr(zipfile.ZipInfo(first.filename, (2020, 1, 1, 0, 0, 0)), zipfile.ZipFile('good.zip').read(first.filename))
b = bytearray(open('stored_flipped.zip', 'rb').read()); b[30 + len(first.filename) + 100] ^= 0x01
open('stored_flipped.zip', 'wb').write(bytes(b))
# Intact data under a CRC field (local and directory) that says something else.
d = bytearray(good); cd = struct.unpack('<I', d[-6:-2])[0]
for at in (14, cd + 16): struct.pack_into('<I', d, at, struct.unpack('<I', d[at:at + 4])[0] ^ 0x10000)
open('wrong_crc.zip', 'wb').write(bytes(d))
# Lying sizes: the directory says 100 bytes, the data inflates to far more.
def patch_sizes(src, dst, size):
    d = bytearray(src)
    cd = struct.unpack('<I', d[-6:-2])[0]
    struct.pack_into('<I', d, cd + 24, size)
    struct.pack_into('<I', d, 22, size)
    open(dst, 'wb').write(bytes(d))
patch_sizes(good, 'lying_small.zip', 100)
# A ratio no deflate stream can have: 4 GB claimed from a few bytes.
patch_sizes(good, 'lying_huge.zip', 0xF0000000)
# Overlapping entries: many directory records share one local entry (the kind of zip bomb
# that multiplies one compressed stream).
def overlap(dst, copies):
    d = bytearray(good)
    cd = struct.unpack('<I', d[-6:-2])[0]
    cdsize = struct.unpack('<I', d[-10:-6])[0]
    first = bytes(d[cd:cd + 46 + struct.unpack('<H', d[cd+28:cd+30])[0]])
    recs = b''
    for i in range(copies):
        r = bytearray(first); name = ('bomb%03d.txt' % i).encode()
        r[28:30] = struct.pack('<H', len(name)); r[30:32] = b'\0\0'; r[32:34] = b'\0\0'
        recs += bytes(r[:46]) + name
    end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, copies, copies, len(recs), cd, 0)
    open(dst, 'wb').write(bytes(d[:cd]) + recs + end)
overlap('overlap.zip', 50)
# Directory count and sizes that run past the end.
d = bytearray(good); cd = struct.unpack('<I', d[-6:-2])[0]
struct.pack_into('<I', d, len(d) - 10, 0x7FFFFFF0); open('bad_directory.zip', 'wb').write(bytes(d))
# A local header whose signature is wrong.
d = bytearray(good); d[0] = ord('X'); open('bad_local.zip', 'wb').write(bytes(d))
# Random bytes called .zip.
import random; random.seed(5); open('noise.zip', 'wb').write(bytes(random.getrandbits(8) for _ in range(5000)))
)PY";

TEST(HostileArchives, NamesNeverLeaveTheTargetFolder) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  std::string sandbox = dir.MakeFolder("sandbox");
  std::string target = dir.MakeFolder("sandbox\\deep\\target");
  dir.WriteFile("make.py", kMakeHostile);
  std::string out;
  ASSERT_EQ(0, Host("zip -q good.zip make.py && python3 make.py", &out, dir.path())) << out;
  for (const char* sw : {"-d -o -.L ", "-o -.L "}) {
    SCOPED_TRACE(sw);
    jqtest::RemoveTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
    TestEngine eng;
    // Without a callback the first refusal is the result; the safe entries are still written.
    EXPECT_EQ(et5::kBadDirectory, eng.QUnZip(dir / "traverse.zip", target, "*.*", sw));
    for (const std::string& p : AllPaths(sandbox))
      EXPECT_EQ(0u, p.rfind("deep\\", 0)) << "written outside: " << p;
    std::vector<std::string> inside = AllPaths(target);
    if (sw[1] == 'd') {
      EXPECT_EQ((std::vector<std::string>{"abs\\", "abs\\rooted.txt", "drive.txt", "ok.txt", "rel.txt", "sub\\",
                                          "sub\\ok2.txt"}),
                inside);
    } else {
      EXPECT_EQ((std::vector<std::string>{"drive.txt", "ok.txt", "ok2.txt", "rel.txt", "rooted.txt"}), inside);
    }
    // With a callback each refused entry is reported by name and the walk goes on.
    jqtest::RemoveTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
    eng.UseCallback(true);
    EXPECT_EQ(et5::kAlreadyReported, eng.QUnZip(dir / "traverse.zip", target, "*.*", sw));
    EXPECT_EQ(8u, eng.Count(et5::kCbError, et5::kBadDirectory));
    EXPECT_EQ(inside, AllPaths(target));
    EXPECT_FALSE(jqtest::FileExists(dir / "escape1.txt"));
  }
}

// A link inside the target folder is never followed, neither for a file below it nor for a
// folder entry that would be created through it (ZIP, and tar through the other formats' reader).
TEST(HostileArchives, ALinkInTheTargetFolderIsNotFollowed) {
  REQUIRE_HOST();
  struct Case { const char* archive; const char* make; } cases[] = {
      {"l.zip", "zip -q -r ../l.zip link plain"},
      {"l.tar", "tar cf ../l.tar link plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    jqtest::TempFolder dir;
    std::string target = dir.MakeFolder("target");
    std::string outside = dir.MakeFolder("outside");
    dir.WriteFile("src\\link\\sub\\x.txt", "through the link");
    dir.WriteFile("src\\plain\\y.txt", "plain");
    std::string out;
    ASSERT_EQ(0, Host(std::string("cd src && ") + c.make + " && cd .. && ln -s \"$PWD/outside\" target/link", &out,
                      dir.path()))
        << out;
    TestEngine eng;
    EXPECT_EQ(et5::kPathNotFound, eng.QUnZip(dir / c.archive, target, "*.*", "-d -o -.L "));
    EXPECT_TRUE(AllPaths(outside).empty());
    EXPECT_EQ("plain", ReadBytes(target + "\\plain\\y.txt"));
  }
}

TEST(HostileArchives, DamagedArchivesEndInTheirCodes) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  dir.WriteFile("big.txt", Text(400000, 21));
  dir.WriteFile("make.py", kMakeHostile);
  std::string out;
  ASSERT_EQ(0, Host("rm -f good.zip && zip -q -X good.zip big.txt && python3 make.py && "
                    "zip -q -Z bzip2 bzip.zip big.txt && 7z a -tzip -mem=AES256 -pX -bd aes.zip big.txt >/dev/null",
                    &out, dir.path()))
      << out;
  struct Case { const char* file; int open; int extract; } cases[] = {
      {"truncated.zip", et5::kNotArchive, et5::kNotArchive},
      {"noise.zip", et5::kNotArchive, et5::kNotArchive},
      {"corrupt.zip", 0, et5::kCrcError},
      {"stored_flipped.zip", 0, et5::kCrcError},
      {"wrong_crc.zip", 0, et5::kCrcError},
      {"lying_small.zip", 0, et5::kCrcError},
      {"lying_huge.zip", 0, et5::kCrcError},
      {"overlap.zip", et5::kBadDirectory, et5::kBadDirectory},
      {"bad_directory.zip", et5::kBadDirectory, et5::kBadDirectory},
      {"bad_local.zip", 0, et5::kBadDirectory},
      {"bzip.zip", 0, et5::kUnknownMethod},
      {"aes.zip", 0, et5::kNewerVersion},  // AES needs more than the traditional scheme
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TestEngine eng;
    EXPECT_EQ(c.open, eng.List(dir / c.file, nullptr, nullptr));
    std::string target = dir / "out";
    jqtest::RemoveTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
    // An existing file of the same name survives a failed extraction untouched.
    WriteBytes(target + "\\big.txt", "precious");
    DWORD start = GetTickCount();
    EXPECT_EQ(c.extract, eng.QUnZip(dir / c.file, target, "*.*", "-d -o -.L "));
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_EQ("precious", ReadBytes(target + "\\big.txt"));
    EXPECT_EQ((std::vector<std::string>{"big.txt"}), AllPaths(target));
  }
}

}  // namespace

namespace {

// A zip64 archive whose one entry says it holds 5 GiB: listed with its 64-bit sizes (the
// 32-bit fields say 0xFFFFFFFF), and refused on extraction, since its 1 MiB of deflated data
// cannot hold that much (the sizes lie, as in a zip bomb).
const char kMakeZip64[] = R"PY(
import struct, zlib
c = zlib.compressobj(9, zlib.DEFLATED, -15)
data = c.compress(b'\0' * (1 << 20)) + c.flush()
name = b'huge.bin'
usize, csize = 5 << 30, len(data)
crc = zlib.crc32(b'\0' * (1 << 20))
extra_local = struct.pack('<HHQQ', 1, 16, usize, csize)
local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, 8, 0, 0x5021, crc, 0xFFFFFFFF, 0xFFFFFFFF, len(name), len(extra_local)) + name + extra_local
extra_central = struct.pack('<HHQQQ', 1, 24, usize, csize, 0)
central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 45, 45, 0, 8, 0, 0x5021, crc, 0xFFFFFFFF, 0xFFFFFFFF, len(name), len(extra_central), 0, 0, 0, 0x20, 0xFFFFFFFF) + name + extra_central
body = local + data
cd_offset = len(body)
z64_offset = cd_offset + len(central)
z64 = struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, 1, 1, len(central), cd_offset)
locator = struct.pack('<IIQI', 0x07064b50, 0, z64_offset, 1)
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(central), 0xFFFFFFFF, 0)
open('zip64.zip', 'wb').write(body + central + z64 + locator + end)
)PY";

TEST(HostileArchives, Zip64SizesAreListedAndALyingGiantIsRefused) {
  REQUIRE_HOST();
  jqtest::TempFolder dir;
  dir.WriteFile("make.py", kMakeZip64);
  std::string out;
  ASSERT_EQ(0, Host("python3 make.py", &out, dir.path())) << out;
  TestEngine eng;
  uint16_t kind = 0;
  EXPECT_EQ(0, eng.api.IdentifyFile(eng.h, (dir / "zip64.zip").c_str(), &kind));
  EXPECT_EQ(et5::kKindZip64, kind);
  std::vector<std::string> names;
  std::vector<et5::EntryRecord> recs;
  ASSERT_EQ(0, eng.List(dir / "zip64.zip", &names, &recs));
  ASSERT_EQ(1u, recs.size());
  EXPECT_EQ("huge.bin", names[0]);
  EXPECT_EQ(0xFFFFFFFFu, recs[0].size);
  EXPECT_EQ(5ull << 30, recs[0].size64);
  EXPECT_LT(recs[0].packedSize64, 10000u);
  EXPECT_EQ(recs[0].packedSize64, recs[0].packedSize);
  std::string target = dir.MakeFolder("out");
  EXPECT_EQ(et5::kCrcError, eng.QUnZip(dir / "zip64.zip", target, "*.*", "-d -o -.L "));
  EXPECT_TRUE(AllPaths(target).empty());
}

}  // namespace
