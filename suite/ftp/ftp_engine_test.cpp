// The FTP engine against real servers on 127.0.0.1 (pyftpdlib, vsftpd and a server that
// misbehaves on purpose, started natively by the library's fixture script): the site store as
// bytes, the password scrambler, sessions, listings, transfers through the transfer engine and
// the faults they must survive, and the job file.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ftp_engine.h"
#include "ftp_folder.h"
#include "ftp_job_file.h"
#include "ftp_session.h"
#include "ftp_sites.h"
#include "le_bytes.h"
#include "pidl.h"
#include "ftp_fixture_ports.h"
#include "test_support.h"
#include "transfer_job.h"

namespace {

std::map<std::string, int> g_ports;

class EngineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_ports = jqtest::ReadFtpPorts(JQ_FTP_FIXTURES);
    std::string dll = jqtest::ProgramFolder() + "\\CSFTPL32.dll";
    ASSERT_TRUE(StartFtpLibraryFrom(dll.c_str())) << dll;
    SetTransferProgressVisible(false);
  }
  void TearDown() override { StopFtpLibrary(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

FtpSiteRecord Site(const char* server, const char* login, const char* password, bool passive = true) {
  FtpSiteRecord r{};
  lstrcpynA(r.name, server, sizeof r.name);
  lstrcpynA(r.host, "127.0.0.1", sizeof r.host);
  lstrcpynA(r.login, login, sizeof r.login);
  StoreFtpPassword(r.password, password);
  r.port = g_ports.count(server) ? g_ports[server] : 1;
  r.passive = passive ? 1 : 0;
  return r;
}

std::string Pattern(size_t size, unsigned seed = 7) {
  std::string s(size, '\0');
  unsigned x = seed;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

// A connected site folder of its own (no sites root), released on destruction.
struct SiteFolder {
  FtpSiteRecord record;
  FtpFolder* folder = nullptr;
  explicit SiteFolder(const FtpSiteRecord& r) : record(r) {
    folder = ConstructFtpChildFolder(nullptr, 2, nullptr, &record, record.startDirectory);
  }
  ~SiteFolder() {
    if (folder) folder->Release();
  }
  bool Connect() { return ConnectFtpSiteFolder(folder, nullptr) == 1; }
  FtpSession* session() { return folder->session; }
};

std::string PyRoot() { return std::string(JQ_FTP_FIXTURES) + "\\py"; }

std::vector<std::string> Names(const FtpListEntry* e) {
  std::vector<std::string> out;
  for (; e; e = e->next) out.push_back(e->data.cFileName);
  return out;
}

int RunJob(FtpFolder* source, const std::vector<std::string>& from, FtpFolder* destination,
           const std::vector<std::string>& to, const std::vector<uint64_t>& sizes, uint32_t binary = 1) {
  TransferJob* job = CreateTransferJob();
  uint64_t total = 0;
  for (auto s : sizes) total += s;
  job->totalBytes = total;
  job->binary = binary;
  SetTransferSource(job, source, from, sizes);
  SetTransferDestination(job, destination, to, sizes);
  int status = RunTransferJob(job);
  DestroyTransferJob(job);
  return status;
}

}  // namespace

// ---- the password scrambler and the site record ----

TEST(FtpSites, PasswordsRoundTripUpTo95CharactersAndLongerOnesAreCutToFit) {
  jqtest::SeamRecorder seams;
  for (int length = 0; length <= 97; ++length) {
    std::string text(length, 'a');
    for (int i = 0; i < length; ++i) text[i] = static_cast<char>(' ' + (i * 7 + length) % 95);
    char field[100];
    memset(field, 0x5A, sizeof field);
    memcpy(field, text.c_str(), text.size() + 1 <= 100 ? text.size() + 1 : 100);
    int stored = length + 1;
    char guard[8];
    memset(guard, 0x77, sizeof guard);
    ScramblePassword(field, &stored, kFtpScrambleKey, 8);
    EXPECT_LE(stored, 100) << length;
    int back = 100;
    UnscramblePassword(field, &back, kFtpScrambleKey, 8);
    std::string expected = text.substr(0, kFtpMaxPassword);
    EXPECT_EQ(std::string(field, back), expected) << length;
    EXPECT_EQ(guard[0], 0x77);
  }
}

TEST(FtpSites, TheSamePasswordIsStoredDifferentlyEachTime) {
  jqtest::SeamRecorder seams;
  DWORD tick = 1000;
  auto handlers = seams::CurrentHandlers();
  handlers.tickCount = [&] { return tick += 977; };
  seams::SetHandlers(handlers);
  char a[100], b[100], text[100];
  StoreFtpPassword(a, "secret");
  StoreFtpPassword(b, "secret");
  EXPECT_NE(memcmp(a, b, 12), 0);
  ReadFtpPassword(a, text);
  EXPECT_STREQ(text, "secret");
  ReadFtpPassword(b, text);
  EXPECT_STREQ(text, "secret");
  StoreFtpPassword(a, "");
  ReadFtpPassword(a, text);
  EXPECT_STREQ(text, "");
}

TEST(FtpSites, RecordsAreStoredAsTheirBytesAtTheirOffsets) {
  jqtest::TestRegistry registry;
  FtpSiteList list;
  FtpSiteRecord* r = AllocFtpSiteRecord();
  lstrcpyA(r->name, "Mirror");
  lstrcpyA(r->host, "ftp.example.org");
  lstrcpyA(r->login, "anonymous");
  lstrcpyA(r->account, "acct");
  lstrcpyA(r->startDirectory, "/pub");
  lstrcpyA(r->description, "a mirror");
  StoreFtpPassword(r->password, "pw");
  r->port = 2121;
  r->passive = 1;
  r->folder = reinterpret_cast<FtpFolder*>(0x12345678);  // never written out
  AddFtpSite(list, r);
  ASSERT_EQ(SaveFtpSiteList(list), ERROR_SUCCESS);
  r->folder = nullptr;
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(seams::UserRoot(), kFtpSitesKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
  uint8_t data[2000];
  DWORD size = sizeof data, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "Mirror", nullptr, &type, data, &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(size, 1036u);
  EXPECT_EQ(le::GetU32(data + 0), 0u);
  EXPECT_EQ(le::GetU32(data + 4), 0u);
  EXPECT_STREQ(reinterpret_cast<char*>(data + 8), "Mirror");
  EXPECT_STREQ(reinterpret_cast<char*>(data + 108), "ftp.example.org");
  EXPECT_STREQ(reinterpret_cast<char*>(data + 308), "anonymous");
  EXPECT_STREQ(reinterpret_cast<char*>(data + 408), "acct");
  EXPECT_STREQ(reinterpret_cast<char*>(data + 508), "/pub");
  EXPECT_STREQ(reinterpret_cast<char*>(data + 768), "a mirror");
  EXPECT_EQ(le::GetI32(data + 1028), 2121);
  EXPECT_EQ(le::GetU32(data + 1032), 1u);
  char field[100], text[100];
  memcpy(field, data + 208, 100);
  ReadFtpPassword(field, text);
  EXPECT_STREQ(text, "pw");
  FreeFtpSiteList(list);
}

TEST(FtpSites, SavingKeepsExactlyTheListedSitesSortedWithoutRegardToCase) {
  jqtest::TestRegistry registry;
  FtpSiteList list;
  for (const char* name : {"beta", "Alpha", "gamma", "delta"}) {
    FtpSiteRecord* r = AllocFtpSiteRecord();
    lstrcpyA(r->name, name);
    AddFtpSite(list, r);
  }
  SortFtpSiteList(list);
  ASSERT_EQ(SaveFtpSiteList(list), ERROR_SUCCESS);
  EXPECT_EQ(RemoveFtpSite(list, "GAMMA"), 1);
  EXPECT_EQ(RemoveFtpSite(list, "nothing"), 0);
  ASSERT_EQ(SaveFtpSiteList(list), ERROR_SUCCESS);
  // A value that is not a site record is passed over when reading.
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(seams::UserRoot(), kFtpSitesKeyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  DWORD count = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(count, 3u);
  RegSetValueExA(key, "short", 0, REG_BINARY, reinterpret_cast<const BYTE*>("abc"), 3);
  RegCloseKey(key);
  FtpSiteList loaded;
  LoadFtpSiteList(loaded);
  std::vector<std::string> names;
  for (FtpSiteRecord* r = loaded.head; r; r = r->next) names.push_back(r->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "delta"}));
  EXPECT_TRUE(loaded.loaded);
  EXPECT_NE(FindFtpSite(loaded, "ALPHA"), nullptr);
  FreeFtpSiteList(list);
  FreeFtpSiteList(loaded);
}

// ---- sessions against the real servers ----

TEST(FtpSession, LogsInListsAndReportsABadPasswordWithTheServersAnswer) {
  jqtest::SeamRecorder seams;
  SiteFolder good(Site("pyftpd", "tester", "secret"));
  ASSERT_TRUE(good.Connect());
  EXPECT_STREQ(good.folder->path, "/");
  IEnumIDList* items = nullptr;
  ASSERT_EQ(good.folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items), S_OK);
  std::vector<std::string> names;
  LPITEMIDLIST item;
  ULONG got;
  while (items->Next(1, &item, &got) == S_OK) {
    names.push_back(FtpItemName(item));
    FreePidl(item);
  }
  items->Release();
  EXPECT_NE(std::find(names.begin(), names.end(), "listing"), names.end());
  EXPECT_TRUE(seams.boxes.empty());

  SiteFolder bad(Site("pyftpd", "tester", "wrong"));
  EXPECT_FALSE(bad.Connect());
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_NE(seams.boxes[0].text.find("530"), std::string::npos) << seams.boxes[0].text;
}

TEST(FtpSession, AnEmptyStoredPasswordIsAskedForAndKeptOnlyInTheSession) {
  jqtest::SeamRecorder seams;
  static int asked = 0;
  SetFtpPasswordPrompt([](HWND, char (&password)[100]) {
    ++asked;
    lstrcpyA(password, "secret");
    return 1;
  });
  SiteFolder site(Site("pyftpd", "tester", ""));
  EXPECT_TRUE(site.Connect());
  SetFtpPasswordPrompt(nullptr);
  EXPECT_EQ(asked, 1);
  char text[100];
  ReadFtpPassword(site.record.password, text);
  EXPECT_STREQ(text, "");
}

TEST(FtpSession, FolderCommandsMakeRenameAndRemoveOnBothServersInBothModes) {
  jqtest::SeamRecorder seams;
  struct Case {
    const char* server;
    const char* login;
    const char* password;
    bool passive;
  } cases[] = {{"pyftpd", "tester", "secret", true}, {"pyftpd", "tester", "secret", false},
               {"vsftpd", "anonymous", "guest", true}, {"vsftpd", "anonymous", "guest", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.server) + (c.passive ? " passive" : " active"));
    SiteFolder site(Site(c.server, c.login, c.password, c.passive));
    ASSERT_TRUE(site.Connect());
    std::string base = std::string(site.folder->path) == "/" ? "" : site.folder->path;
    std::string dir = base + "/work/engine " + (c.passive ? "p" : "a");
    std::string renamed = dir + " renamed";
    FtpSession* s = site.session();
    EXPECT_EQ(CallFtpSession(s, kFtpMakeDirectory, reinterpret_cast<UINT_PTR>(dir.c_str())), 1);
    FtpRenameNames names{dir.c_str(), renamed.c_str()};
    EXPECT_EQ(CallFtpSession(s, kFtpRename, reinterpret_cast<UINT_PTR>(&names)), 1);
    FtpListEntry* list = nullptr;
    std::string work = base + "/work";
    ASSERT_EQ(CallFtpSession(s, kFtpList, reinterpret_cast<UINT_PTR>(work.c_str()), reinterpret_cast<UINT_PTR>(&list)), 1);
    auto listed = Names(list);
    FreeFtpListEntries(list);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "engine " + std::string(c.passive ? "p" : "a") + " renamed"), listed.end());
    EXPECT_EQ(CallFtpSession(s, kFtpRemoveDirectory, reinterpret_cast<UINT_PTR>(renamed.c_str())), 1);
    EXPECT_EQ(CallFtpSession(s, kFtpRemoveDirectory, reinterpret_cast<UINT_PTR>(renamed.c_str())), 0);
    // An empty folder lists as empty, not as a failure.
    EXPECT_EQ(CallFtpSession(s, kFtpMakeDirectory, reinterpret_cast<UINT_PTR>(dir.c_str())), 1);
    ASSERT_EQ(CallFtpSession(s, kFtpList, reinterpret_cast<UINT_PTR>(dir.c_str()), reinterpret_cast<UINT_PTR>(&list)), 1);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(CallFtpSession(s, kFtpRemoveDirectory, reinterpret_cast<UINT_PTR>(dir.c_str())), 1);
  }
}

TEST(FtpSession, ADosStyleListingIsReadAfterTheUnixProbeFindsNothing) {
  jqtest::SeamRecorder seams;
  SiteFolder site(Site("fake", "dos", "x"));
  ASSERT_TRUE(site.Connect());
  FtpListEntry* list = nullptr;
  ASSERT_EQ(CallFtpSession(site.session(), kFtpList, reinterpret_cast<UINT_PTR>("/"), reinterpret_cast<UINT_PTR>(&list)), 1);
  auto names = Names(list);
  EXPECT_EQ(names, (std::vector<std::string>{"sub dir", "report.txt", "huge.iso"}));
  // Sizes are whole 64-bit values.
  const FtpListEntry* huge = list->next->next;
  EXPECT_EQ((uint64_t(huge->data.nFileSizeHigh) << 32) | huge->data.nFileSizeLow, 6442450944ull);
  EXPECT_TRUE(list->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FreeFtpListEntries(list);
}

TEST(FtpSession, AHostileListingHandsOutNoNameThatCouldLeaveTheTargetFolder) {
  jqtest::SeamRecorder seams;
  jqtest::TempFolder temp;
  std::string target = temp.MakeFolder("inner\\target");
  SiteFolder site(Site("fake", "hostile", "x"));
  ASSERT_TRUE(site.Connect());
  IEnumIDList* items = nullptr;
  ASSERT_EQ(site.folder->EnumObjects(nullptr, SHCONTF_NONFOLDERS, &items), S_OK);
  items->Release();
  auto names = Names(site.folder->listing);
  EXPECT_EQ(names, (std::vector<std::string>{"fine.txt"}));
  for (const char* bad : {"..\\..\\escaped.txt", "a/b.txt", "C:x.txt", "n.txt:stream", ".."})
    EXPECT_TRUE(IsUnsafeFtpName(bad)) << bad;
  // What the listing offers downloads inside the target and nowhere else.
  std::vector<std::string> from, to;
  std::vector<uint64_t> sizes;
  for (auto& n : names) {
    from.push_back("/" + n);
    to.push_back(target + "\\" + n);
    sizes.push_back(5000);
  }
  EXPECT_EQ(RunJob(site.folder, from, nullptr, to, sizes), 2);
  EXPECT_EQ(ReadAll(target + "\\fine.txt").size(), 5000u);
  EXPECT_FALSE(jqtest::FileExists(temp / "escaped.txt"));
  EXPECT_FALSE(jqtest::FileExists(temp / "inner\\escaped.txt"));
}

TEST(FtpSession, ACallWhileAnotherRunsIsRefusedAndNoAnswerIsNeverSuccess) {
  jqtest::SeamRecorder seams;
  SiteFolder site(Site("pyftpd", "tester", "secret"));
  ASSERT_TRUE(site.Connect());
  FtpSession* s = site.session();
  s->busy = 1;
  EXPECT_EQ(CallFtpSession(s, kFtpMakeDirectory, reinterpret_cast<UINT_PTR>("/work/x")), 0);
  s->busy = 0;
  // A stopping session refuses at once, and its flag is cleared for the next caller.
  s->stop = 1;
  EXPECT_EQ(CallFtpSession(s, kFtpList, reinterpret_cast<UINT_PTR>("/")), 0);
  EXPECT_EQ(s->busy.load(), 0u);
  s->stop = 0;
}

// ---- transfers ----

TEST(FtpTransfer, FilesOfEverySizeGoUpAndComeBackByteForByte) {
  jqtest::SeamRecorder seams;
  jqtest::TempFolder temp;
  SiteFolder site(Site("pyftpd", "tester", "secret"));
  ASSERT_TRUE(site.Connect());
  const size_t sizes[] = {0, 1, 1024, 16384, 16385, kTransferPipeBytes, kTransferPipeBytes + 1, 3 * 1024 * 1024 + 17};
  std::vector<std::string> local, remote, back;
  std::vector<uint64_t> bytes;
  for (size_t n : sizes) {
    std::string name = "size" + std::to_string(n) + ".bin";
    local.push_back(temp.WriteFile("up\\" + name, Pattern(n, static_cast<unsigned>(n))));
    remote.push_back("/work/" + name);
    back.push_back(temp.MakeFolder("down") + "\\" + name);
    bytes.push_back(n);
  }
  ASSERT_EQ(RunJob(nullptr, local, site.folder, remote, bytes), 2);
  for (size_t i = 0; i < local.size(); ++i)
    EXPECT_EQ(ReadAll(PyRoot() + "\\work\\size" + std::to_string(sizes[i]) + ".bin"), ReadAll(local[i])) << sizes[i];
  ASSERT_EQ(RunJob(site.folder, remote, nullptr, back, bytes), 2);
  for (size_t i = 0; i < local.size(); ++i) EXPECT_EQ(ReadAll(back[i]), ReadAll(local[i])) << sizes[i];
  for (auto& r : remote) CallFtpSession(site.session(), kFtpDeleteFile, reinterpret_cast<UINT_PTR>(r.c_str()));
}

TEST(FtpTransfer, TextTypeTurnsLineEndsAndImageTypeKeepsThem) {
  jqtest::SeamRecorder seams;
  jqtest::TempFolder temp;
  SiteFolder site(Site("vsftpd", "anonymous", "guest"));
  ASSERT_TRUE(site.Connect());
  std::string base = std::string(site.folder->path) == "/" ? "" : site.folder->path;
  std::string remote = base + "/listing/lines.txt";
  std::string text = temp / "text.txt", image = temp / "image.txt";
  ASSERT_EQ(RunJob(site.folder, {remote}, nullptr, {text}, {4}, 0), 2);
  ASSERT_EQ(RunJob(site.folder, {remote}, nullptr, {image}, {4}, 1), 2);
  EXPECT_EQ(ReadAll(image), "a\nb\n");
  EXPECT_EQ(ReadAll(text), "a\r\nb\r\n");
}

TEST(FtpTransfer, ADroppedDownloadFailsAndLeavesTheOldLocalFileAsItWas) {
  jqtest::SeamRecorder seams;
  jqtest::TempFolder temp;
  std::string old = temp.WriteFile("keep.bin", "the old contents");
  SiteFolder site(Site("fake", "dropper", "x"));
  ASSERT_TRUE(site.Connect());
  EXPECT_EQ(RunJob(site.folder, {"/report.txt"}, nullptr, {old}, {10000}), 0);
  EXPECT_EQ(ReadAll(old), "the old contents");
  // No partial file is left beside it.
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((temp / "*").c_str(), &data);
  int files = 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  EXPECT_EQ(files, 1);
}

TEST(FtpTransfer, ALate552AfterTheDataIsAFailedUpload) {
  jqtest::SeamRecorder seams;
  jqtest::TempFolder temp;
  std::string local = temp.WriteFile("up.bin", Pattern(5000));
  SiteFolder site(Site("fake", "late552", "x"));
  ASSERT_TRUE(site.Connect());
  EXPECT_EQ(RunJob(nullptr, {local}, site.folder, {"/up.bin"}, {5000}), 0);
  ASSERT_FALSE(seams.boxes.empty());
  EXPECT_NE(seams.boxes.back().text.find("552"), std::string::npos) << seams.boxes.back().text;
}

TEST(FtpTransfer, AMissingLocalFileFailsTheJobAndTheRestIsNotSent) {
  jqtest::SeamRecorder seams;
  jqtest::TempFolder temp;
  SiteFolder site(Site("pyftpd", "tester", "secret"));
  ASSERT_TRUE(site.Connect());
  std::string present = temp.WriteFile("b.bin", "bbb");
  EXPECT_EQ(RunJob(nullptr, {temp / "missing.bin", present}, site.folder, {"/work/m1.bin", "/work/m2.bin"}, {0, 3}), 0);
  EXPECT_FALSE(jqtest::FileExists(PyRoot() + "\\work\\m2.bin"));
  CallFtpSession(site.session(), kFtpDeleteFile, reinterpret_cast<UINT_PTR>("/work/m1.bin"));
}

TEST(FtpTransfer, TheProgressAnimationIsAnAviTheAnimationControlPlays) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&icc);
  HWND anim = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_POPUP, 0, 0, 300, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(anim, nullptr);
  EXPECT_NE(SendMessageA(anim, ACM_OPENA, reinterpret_cast<WPARAM>(FtpResources()), 137), 0);
  EXPECT_NE(SendMessageA(anim, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)), 0);
  DestroyWindow(anim);
}

TEST(FtpTransfer, TheDataSideOfThePipeTimesOutWithoutProgress) {
  TransferPipe* pipe = CreateTransferPipe();
  SetTransferPipeTimeout(200);
  char buffer[16];
  uint32_t n = 0;
  EXPECT_EQ(ReadTransferPipe(pipe, buffer, &n, sizeof buffer), kPipeTimeout);
  // A full pipe: the writer's second wait for space times out as well.
  std::string block(kTransferPipeBytes + 1, 'x');
  uint32_t written = 0;
  EXPECT_EQ(WriteTransferPipe(pipe, block.data(), static_cast<uint32_t>(block.size()), &written), kPipeTimeout);
  EXPECT_EQ(written, kTransferPipeBytes);
  AbortTransferPipe(pipe, kPipeCancelled);
  EXPECT_EQ(ReadTransferPipe(pipe, buffer, &n, sizeof buffer), kPipeCancelled);
  EXPECT_EQ(WriteTransferPipe(pipe, "y", 1, &written), kPipeCancelled);
  SetTransferPipeTimeout(kTransferPipeTimeoutMs);
  FreeTransferPipe(pipe);
}

// ---- the job file ----

TEST(FtpJobFile, ATwoFileDownloadHasElevenLinesAndReadsBackWhole) {
  jqtest::TempFolder temp;
  FtpJob job;
  job.upload = false;
  job.notifyWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  job.site = "Mirror";
  job.sources = {"/pub/a.txt", "/pub/b.iso"};
  job.destinations = {"C:\\down\\a.txt", "C:\\down\\b.iso"};
  job.sizes = {12, 5ull << 30};
  std::string path = temp / "JQ1.tmp";
  ASSERT_TRUE(WriteFtpJobFile(path.c_str(), job));
  std::string text = ReadAll(path);
  EXPECT_EQ(text, "D\r\n4660\r\nMirror\r\n2\r\n/pub/a.txt\r\n/pub/b.iso\r\nC:\\down\\a.txt\r\nC:\\down\\b.iso\r\n12\r\n5368709120\r\n\r\n");
  FtpJob back;
  ASSERT_TRUE(ReadFtpJobFile(path.c_str(), &back));
  EXPECT_FALSE(jqtest::FileExists(path));
  EXPECT_FALSE(back.upload);
  EXPECT_EQ(back.notifyWindow, job.notifyWindow);
  EXPECT_EQ(back.site, "Mirror");
  EXPECT_EQ(back.sources, job.sources);
  EXPECT_EQ(back.destinations, job.destinations);
  EXPECT_EQ(back.sizes, job.sizes);
}

TEST(FtpJobFile, NamesThatWouldDesynchroniseTheLinesAreRefused) {
  jqtest::TempFolder temp;
  std::string path = temp / "JQ2.tmp";
  struct Case {
    const char* what;
    std::string name;
  } cases[] = {{"line feed", "a\nb.txt"}, {"carriage return", "a\rb.txt"}, {"499 characters", std::string(499, 'n')}};
  for (const Case& c : cases) {
    FtpJob job;
    job.upload = true;
    job.site = "s";
    job.sources = {c.name};
    job.destinations = {"/x"};
    job.sizes = {1};
    EXPECT_FALSE(WriteFtpJobFile(path.c_str(), job)) << c.what;
    EXPECT_FALSE(jqtest::FileExists(path)) << c.what;
  }
  // A short or truncated file yields no job at all, and is gone afterwards.
  WriteAll(path, "U\n0\nsite\n3\n/a\n");
  FtpJob job;
  EXPECT_FALSE(ReadFtpJobFile(path.c_str(), &job));
  EXPECT_FALSE(jqtest::FileExists(path));
  EXPECT_TRUE(job.sources.empty());
}

// ---- folders and paths ----

TEST(FtpFolders, PathsAndItemIdsOfTheSitesRoot) {
  LPITEMIDLIST list = ParseFtpPath("FTP:Mirror//pub\\incoming/");
  char text[260];
  ASSERT_EQ(GetFtpDisplayPath(list, text, sizeof text), S_OK);
  EXPECT_STREQ(text, "FTP:Mirror/pub/incoming");
  EXPECT_TRUE(IsFtpPidl(list));
  FreePidl(list);
  EXPECT_EQ(GetFtpDisplayPath(nullptr, text, sizeof text), E_FAIL);
  std::string tooLong(259, 'a');
  std::string out;
  EXPECT_FALSE(JoinFtpPath(("/" + tooLong).c_str(), "b", &out));
  EXPECT_TRUE(JoinFtpPath("/pub/", "b", &out));
  EXPECT_EQ(out, "/pub/b");
}

TEST(FtpFolders, TheRootListsAddNewSiteFirstAndBindsEachSiteToOneFolder) {
  jqtest::TestRegistry registry;
  jqtest::SeamRecorder seams;
  FtpSiteList list;
  FtpSiteRecord* r = AllocFtpSiteRecord();
  *r = Site("pyftpd", "tester", "secret");
  AddFtpSite(list, r);
  SaveFtpSiteList(list);
  FreeFtpSiteList(list);
  FtpFolder* root = CreateFtpRootFolder();
  IEnumIDList* items = nullptr;
  ASSERT_EQ(root->EnumObjects(nullptr, SHCONTF_FOLDERS, &items), S_OK);
  LPITEMIDLIST got[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(items->Next(4, got, &fetched), S_OK);
  ASSERT_EQ(fetched, 2u);
  EXPECT_STREQ(FtpItemName(got[0]), kFtpAddSiteItem);
  EXPECT_STREQ(FtpItemName(got[1]), "pyftpd");
  EXPECT_EQ(items->Next(1, got + 2, &fetched), S_FALSE);
  items->Release();
  IShellFolder* a = nullptr;
  IShellFolder* b = nullptr;
  ASSERT_EQ(root->BindToObject(got[1], nullptr, IID_IShellFolder, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(root->BindToObject(got[1], nullptr, IID_IShellFolder, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_EQ(a, b);
  // Not connected: the site offers only its connect item; listing connects it.
  auto* site = static_cast<FtpFolder*>(a);
  ASSERT_EQ(site->EnumObjects(nullptr, SHCONTF_FOLDERS, &items), S_OK);
  items->Release();
  EXPECT_TRUE(IsFtpSiteConnected(site));
  LPITEMIDLIST listing = MakeFtpItemId("listing");
  IShellFolder* sub1 = nullptr;
  IShellFolder* sub2 = nullptr;
  ASSERT_EQ(site->BindToObject(listing, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub1)), S_OK);
  ASSERT_EQ(site->BindToObject(listing, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub2)), S_OK);
  EXPECT_EQ(sub1, sub2);
  EXPECT_STREQ(static_cast<FtpFolder*>(sub1)->path, "/listing");
  ASSERT_EQ(sub1->EnumObjects(nullptr, SHCONTF_FOLDERS, &items), S_OK);
  items->Release();
  LPITEMIDLIST plain = MakeFtpItemId("plain.txt");
  IShellFolder* notFolder = nullptr;
  EXPECT_EQ(sub1->BindToObject(plain, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&notFolder)), E_FAIL);
  WIN32_FIND_DATAA data;
  ASSERT_EQ(GetFtpItemInfo(sub1, plain, &data, sizeof data), S_OK);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  SFGAOF attributes = 0;
  LPCITEMIDLIST one[] = {plain};
  ASSERT_EQ(sub1->GetAttributesOf(1, one, &attributes), S_OK);
  EXPECT_EQ(attributes, kFtpFileAttributes);
  FreePidl(plain);
  FreePidl(listing);
  sub1->Release();
  sub2->Release();
  a->Release();
  b->Release();
  for (auto* p : got) FreePidl(p);
  root->Release();
}
