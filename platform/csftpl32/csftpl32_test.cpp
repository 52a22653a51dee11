// CSFTPL32.dll bound by ordinal from the program folder, as the FTP engine binds it, against real
// servers on 127.0.0.1 (pyftpdlib, vsftpd) and a fake one that misbehaves on purpose; the servers
// are started natively by the fixture script ftp_servers.sh before this test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "csftpl32.h"
#include "ftp_listing.h"
#include "ftp_fixture_ports.h"
#include "test_support.h"

namespace {

csftp::Api api;
std::map<std::string, int> ports;

class FtpEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ports = jqtest::ReadFtpPorts(JQ_FTP_FIXTURES);
    std::string dll = jqtest::ProgramFolder() + "\\CSFTPL32.dll";
    ASSERT_TRUE(csftp::LoadApi(dll.c_str(), &api)) << dll;
    ASSERT_NE(api.startup(), 0);
  }
  void TearDown() override {
    if (api.module) {
      api.shutdown();
      csftp::UnloadApi(&api);
    }
  }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new FtpEnvironment);

struct Server {
  const char* name;
  const char* user;
  const char* password;
};
const Server kPyftpd{"pyftpd", "tester", "secret"};
const Server kVsftpd{"vsftpd", "anonymous", ""};

std::string ErrorText(int code) {
  char text[260] = "";
  return api.errorText(code, text, sizeof text) ? text : "";
}

// A logged-in connection, closed on destruction. base is the server's folder after login
// ("" for "/"), so that base + "/listing" names the fixture folder on either server.
struct Session {
  int h = -1;
  std::string base;
  Session() = default;
  Session(const Session&) = delete;
  ~Session() {
    if (h != -1) api.disconnect(h);
  }
  bool Open(const Server& s, bool passive, int timeoutSeconds = 30) {
    if (!ports.count(s.name)) return false;
    h = api.connect("127.0.0.1", ports[s.name], timeoutSeconds);
    if (h == -1) return false;
    api.setPassive(h, passive ? 1 : 0);
    if (api.login(h, s.user, s.password, "") == -1) return false;
    char dir[260];
    if (api.currentDir(h, dir, sizeof dir) < 0) return false;
    base = std::string(dir) == "/" ? "" : dir;
    return true;
  }
};

// A work folder of its own on the server, removed with its files afterwards.
struct RemoteFolder {
  const Session& s;
  std::string path;
  std::vector<std::string> files;
  RemoteFolder(const Session& session, const std::string& name) : s(session), path(session.base + "/work/" + name) {
    api.makeDir(s.h, path.c_str());
  }
  std::string File(const std::string& name) {
    files.push_back(path + "/" + name);
    return files.back();
  }
  ~RemoteFolder() {
    for (auto& f : files) api.deleteFile(s.h, f.c_str());
    api.removeDir(s.h, path.c_str());
  }
};

// Uploads through 48/72/9; the result of 9 (or -1 when an earlier step failed).
int Upload(int h, const std::string& remote, const std::string& data) {
  if (api.openFile(h, remote.c_str(), csftp::kOpenWrite) == -1) return -1;
  size_t done = 0;
  while (done < data.size()) {
    int chunk = static_cast<int>(std::min<size_t>(1024, data.size() - done));
    int n = api.write(h, data.data() + done, chunk);
    if (n < 0) {
      api.closeFile(h);
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return api.closeFile(h);
}

// Downloads through 48/54/9 into data; the last result of 54 (0 at a clean end), or -2 when the
// file did not open.
int Download(int h, const std::string& remote, std::string* data, int* closeResult = nullptr) {
  data->clear();
  if (api.openFile(h, remote.c_str(), csftp::kOpenRead) == -1) return -2;
  char buffer[1024];
  int n;
  while ((n = api.read(h, buffer, sizeof buffer)) > 0) data->append(buffer, static_cast<size_t>(n));
  int c = api.closeFile(h);
  if (closeResult) *closeResult = c;
  return n;
}

std::vector<csftp::FtpEntry> ReadEntries(int h) {
  std::vector<csftp::FtpEntry> out;
  csftp::FtpEntry e{};
  for (int ok = api.firstEntry(h, &e); ok; ok = api.nextEntry(h, &e)) out.push_back(e);
  return out;
}

const csftp::FtpEntry* Find(const std::vector<csftp::FtpEntry>& entries, const std::string& name) {
  for (auto& e : entries)
    if (name == e.name) return &e;
  return nullptr;
}

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  unsigned x = 12345;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return s;
}

const char kChineseUtf8[] = "\xe4\xb8\xad\xe6\x96\x87\xe6\xaa\x94\xe6\xa1\x88.txt";  // 中文檔案.txt
const char kChineseBig5[] = "\xa4\xa4\xa4\xe5.txt";                                // 中文.txt in Big5

std::string Recoded(const std::string& text, UINT from, UINT to) {
  std::wstring w(text.size() + 1, L'\0');
  w.resize(MultiByteToWideChar(from, 0, text.c_str(), -1, w.data(), static_cast<int>(w.size())));
  std::string out(w.size() * 4 + 1, '\0');
  out.resize(WideCharToMultiByte(to, 0, w.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr));
  if (!out.empty()) out.pop_back();
  return out;
}
// A UTF-8 name as the program sees it: in its own code page.
std::string InCodePage(const char* utf8) { return Recoded(utf8, CP_UTF8, CP_ACP); }

// ---- against pyftpdlib and vsftpd, passive and active ----

class RealServer : public ::testing::TestWithParam<std::tuple<Server, bool>> {
 protected:
  void SetUp() override { ASSERT_TRUE(s.Open(server(), passive())) << server().name << " " << ErrorText(api.lastError()); }
  const Server& server() const { return std::get<0>(GetParam()); }
  bool passive() const { return std::get<1>(GetParam()); }
  Session s;
};

TEST_P(RealServer, DirectoriesAreMadeEnteredRenamedAndRemoved) {
  std::string dir = s.base + "/work/dir with blanks " + (passive() ? "p" : "a");
  ASSERT_EQ(api.makeDir(s.h, dir.c_str()), 0);
  ASSERT_EQ(api.changeDir(s.h, dir.c_str()), 0);
  char pwd[260];
  ASSERT_GT(api.currentDir(s.h, pwd, sizeof pwd), 0);
  EXPECT_EQ(std::string(pwd), dir);
  ASSERT_EQ(api.changeDir(s.h, ".."), 0);
  ASSERT_EQ(Upload(s.h, "inside.txt", "x"), 0);  // relative to the current folder
  std::string renamed = dir + " renamed";
  EXPECT_EQ(api.rename(s.h, dir.c_str(), renamed.c_str()), 0);
  EXPECT_EQ(api.rename(s.h, "inside.txt", "moved.txt"), 0);
  EXPECT_EQ(api.removeDir(s.h, renamed.c_str()), 0);
  EXPECT_EQ(api.deleteFile(s.h, "moved.txt"), 0);

  // Refusals: -1, the error code, and a text that carries the server's answer.
  EXPECT_EQ(api.deleteFile(s.h, "moved.txt"), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrRefused);
  EXPECT_NE(ErrorText(csftp::kErrRefused).find("550"), std::string::npos) << ErrorText(csftp::kErrRefused);
  EXPECT_EQ(api.removeDir(s.h, renamed.c_str()), -1);
  EXPECT_EQ(api.changeDir(s.h, renamed.c_str()), -1);
  EXPECT_EQ(api.rename(s.h, renamed.c_str(), dir.c_str()), -1);
  int length = api.currentDir(s.h, pwd, sizeof pwd);
  EXPECT_EQ(length, static_cast<int>(std::strlen(pwd)));
  EXPECT_EQ(api.lastError(), 0);

  // The reply text holds everything since the last call, once.
  char reply[20000];
  int n = api.replyText(s.h, reply, 19999);
  ASSERT_GT(n, 0);
  EXPECT_EQ(static_cast<size_t>(n), std::strlen(reply));
  EXPECT_NE(std::string(reply).find("257"), std::string::npos);
  EXPECT_EQ(api.replyText(s.h, reply, 19999), 0);
  // A small buffer takes what fits, terminated; the rest comes with the next call.
  api.currentDir(s.h, pwd, sizeof pwd);
  char small[8];
  EXPECT_EQ(api.replyText(s.h, small, sizeof small), 7);
  EXPECT_EQ(std::string(small), "257 \"" + std::string(pwd).substr(0, 2));
  EXPECT_GT(api.replyText(s.h, reply, 19999), 0);
}

TEST_P(RealServer, ListingReadsTheServersFormat) {
  std::string path = s.base + "/listing";
  ASSERT_EQ(api.openList(s.h, path.c_str()), 0) << ErrorText(api.lastError());
  api.listMode(s.h, csftp::kListUnix);
  auto entries = ReadEntries(s.h);
  EXPECT_EQ(api.lastError(), csftp::kErrNoMoreEntries);

  std::set<std::string> names;
  for (auto& e : entries) names.insert(e.name);
  // pyftpdlib names UTF8 among its features: its names arrive in the program's code page. vsftpd
  // does not: its names arrive as stored, whatever their encoding.
  const bool utf8Server = std::string(server().name) == "pyftpd";
  const std::string chinese = utf8Server ? InCodePage(kChineseUtf8) : kChineseUtf8;
  std::set<std::string> expected{"plain.txt", "name with blanks.txt", chinese, "lines.txt", "big.bin", "sub dir"};
  if (std::string(server().name) == "vsftpd") expected.insert(kChineseBig5);
  EXPECT_EQ(names, expected);

  const csftp::FtpEntry* plain = Find(entries, "plain.txt");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->sizeLow, 5u);
  EXPECT_EQ(plain->isDirectory, 0u);
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_GE(plain->time.wYear, now.wYear - 1);
  EXPECT_LE(plain->time.wYear, now.wYear);
  const csftp::FtpEntry* dir = Find(entries, "sub dir");
  ASSERT_NE(dir, nullptr);
  EXPECT_EQ(dir->isDirectory, 1u);
  const csftp::FtpEntry* big = Find(entries, "big.bin");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->sizeLow, 0x40000000u);  // 5 GiB: the two words together
  EXPECT_EQ(big->sizeHigh, 1u);

  // Names outside ASCII go to the server as they came from it.
  std::string data;
  ASSERT_EQ(api.setType(s.h, csftp::kTypeImage), 0);
  EXPECT_EQ(Download(s.h, path + "/" + chinese, &data), 0);
  EXPECT_EQ(data, "zh");
  if (std::string(server().name) == "vsftpd") {
    EXPECT_EQ(Download(s.h, path + "/" + kChineseBig5, &data), 0);
    EXPECT_EQ(data, "big5");
  }
  ASSERT_EQ(api.openList(s.h, path.c_str()), 0);

  // 87 starts from the first entry every time.
  csftp::FtpEntry e{};
  ASSERT_NE(api.firstEntry(s.h, &e), 0);
  EXPECT_STREQ(e.name, entries[0].name);
  ASSERT_NE(api.nextEntry(s.h, &e), 0);
  ASSERT_NE(api.firstEntry(s.h, &e), 0);
  EXPECT_STREQ(e.name, entries[0].name);
  EXPECT_EQ(ReadEntries(s.h).size(), entries.size());

  // The other dialect finds nothing in this listing.
  api.listMode(s.h, csftp::kListDos);
  EXPECT_EQ(api.firstEntry(s.h, &e), 0);
  EXPECT_EQ(api.lastError(), csftp::kErrNoEntries);
  api.closeList(s.h);
  EXPECT_EQ(api.firstEntry(s.h, &e), 0);
  EXPECT_EQ(api.lastError(), csftp::kErrNotOpen);

  // The current folder (empty path), and an empty folder.
  ASSERT_EQ(api.changeDir(s.h, path.c_str()), 0);
  ASSERT_EQ(api.openList(s.h, ""), 0);
  api.listMode(s.h, csftp::kListUnix);  // the mode stays as last set
  EXPECT_EQ(ReadEntries(s.h).size(), entries.size());
  RemoteFolder empty(s, std::string("empty ") + (passive() ? "p" : "a"));
  ASSERT_EQ(api.openList(s.h, (empty.path + "/").c_str()), 0);
  EXPECT_EQ(api.firstEntry(s.h, &e), 0);
  EXPECT_EQ(api.lastError(), csftp::kErrNoEntries);
  api.closeList(s.h);
}

TEST_P(RealServer, FilesRoundTripByteForByte) {
  RemoteFolder folder(s, std::string("transfer ") + (passive() ? "p" : "a"));
  ASSERT_EQ(api.setType(s.h, csftp::kTypeImage), 0);
  for (size_t size : {size_t{0}, size_t{1}, size_t{1024}, size_t{16385}, size_t{5 * 1024 * 1024 + 7}}) {
    SCOPED_TRACE(size);
    std::string data = Pattern(size);
    std::string remote = folder.File("file " + std::to_string(size) + ".bin");
    ASSERT_EQ(Upload(s.h, remote, data), 0) << ErrorText(api.lastError());
    std::string back;
    int closed = -1;
    EXPECT_EQ(Download(s.h, remote, &back, &closed), 0) << ErrorText(api.lastError());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(back == data) << back.size();
    // The transfer's time stays readable after the file was closed.
    int ms = api.transferTime(s.h);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 60000);
    EXPECT_EQ(api.transferTime(s.h), ms);
  }
  // 54 keeps giving 0 after the clean end; a second open while one is open is refused.
  std::string remote = folder.File("again.bin");
  ASSERT_EQ(Upload(s.h, remote, "abc"), 0);
  ASSERT_EQ(api.openFile(s.h, remote.c_str(), csftp::kOpenRead), 0);
  EXPECT_EQ(api.openFile(s.h, remote.c_str(), csftp::kOpenRead), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrBusy);
  char buffer[1024];
  EXPECT_EQ(api.read(s.h, buffer, sizeof buffer), 3);
  EXPECT_EQ(api.read(s.h, buffer, sizeof buffer), 0);
  EXPECT_EQ(api.read(s.h, buffer, sizeof buffer), 0);
  EXPECT_EQ(api.closeFile(s.h), 0);
  // A download closed part-way (a cancelled copy) leaves the connection in step with the server.
  std::string big = folder.File("big.bin");
  ASSERT_EQ(Upload(s.h, big, Pattern(3 * 1024 * 1024)), 0);
  ASSERT_EQ(api.openFile(s.h, big.c_str(), csftp::kOpenRead), 0);
  EXPECT_GT(api.read(s.h, buffer, sizeof buffer), 0);
  EXPECT_EQ(api.closeFile(s.h), 0);
  std::string data;
  EXPECT_EQ(Download(s.h, remote, &data), 0);
  EXPECT_EQ(data, "abc");
  // A missing file does not open; the connection goes on.
  EXPECT_EQ(api.openFile(s.h, (folder.path + "/missing").c_str(), csftp::kOpenRead), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrRefused);
  char pwd[260];
  EXPECT_GT(api.currentDir(s.h, pwd, sizeof pwd), 0);
}

TEST_P(RealServer, TextTypeGivesNetworkLineEnds) {
  std::string lines = s.base + "/listing/lines.txt";
  std::string data;
  ASSERT_EQ(api.setType(s.h, csftp::kTypeText), 0);
  EXPECT_EQ(Download(s.h, lines, &data), 0);
  EXPECT_EQ(data, "a\r\nb\r\n");
  ASSERT_EQ(api.setType(s.h, csftp::kTypeImage), 0);
  EXPECT_EQ(Download(s.h, lines, &data), 0);
  EXPECT_EQ(data, "a\nb\n");
}

TEST(Utf8Server, NamesInTheProgramsCodePageTravelAsUtf8BothWays) {
  // Chinese names that the test's code page (Big5 or GBK) can hold.
  const std::string folder = InCodePage("\xe4\xb8\x8a\xe5\x82\xb3");                // 上傳
  const std::string file = InCodePage("\xe6\xaa\x94\xe6\xa1\x88 \xe4\xb8\x80.txt");  // 檔案 一.txt
  const std::string renamed = InCodePage("\xe6\x96\xb0.txt");                        // 新.txt
  ASSERT_EQ(Recoded(file, CP_ACP, CP_UTF8), "\xe6\xaa\x94\xe6\xa1\x88 \xe4\xb8\x80.txt") << "the code page holds the names";
  Session s;
  ASSERT_TRUE(s.Open(kPyftpd, true));
  std::string dir = s.base + "/work/" + folder;
  ASSERT_EQ(api.makeDir(s.h, dir.c_str()), 0) << ErrorText(api.lastError());
  ASSERT_EQ(api.changeDir(s.h, dir.c_str()), 0);
  char pwd[260];
  ASSERT_GT(api.currentDir(s.h, pwd, sizeof pwd), 0);
  EXPECT_EQ(std::string(pwd), dir);
  ASSERT_EQ(Upload(s.h, file, "utf8 name"), 0) << ErrorText(api.lastError());
  // On the server's disk the name is UTF-8 (read back here through Wine's Unicode view of it).
  std::string onDisk = std::string(JQ_FTP_FIXTURES) + "\\py\\work\\" + Recoded(folder, CP_ACP, CP_UTF8) + "\\" +
                       Recoded(file, CP_ACP, CP_UTF8);
  std::wstring wide(onDisk.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, onDisk.c_str(), -1, wide.data(), static_cast<int>(wide.size())));
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << onDisk;

  ASSERT_EQ(api.openList(s.h, dir.c_str()), 0);
  api.listMode(s.h, csftp::kListUnix);
  auto entries = ReadEntries(s.h);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(std::string(entries[0].name), file);
  EXPECT_EQ(api.rename(s.h, file.c_str(), renamed.c_str()), 0);
  std::string data;
  EXPECT_EQ(Download(s.h, dir + "/" + renamed, &data), 0);
  EXPECT_EQ(data, "utf8 name");
  EXPECT_EQ(api.deleteFile(s.h, renamed.c_str()), 0);
  ASSERT_EQ(api.changeDir(s.h, ".."), 0);
  EXPECT_EQ(api.removeDir(s.h, dir.c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServer,
                         ::testing::Combine(::testing::Values(kPyftpd, kVsftpd), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_Passive" : "_Active");
                         });

// ---- connecting and logging in ----

TEST(FtpConnect, WrongPasswordFailsWithTheServersText) {
  int h = api.connect("127.0.0.1", ports["pyftpd"], 30);
  ASSERT_NE(h, -1);
  EXPECT_EQ(api.login(h, "tester", "wrong", ""), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrLoginFailed);
  EXPECT_NE(ErrorText(csftp::kErrLoginFailed).find("530"), std::string::npos) << ErrorText(csftp::kErrLoginFailed);
  char reply[20000];
  ASSERT_GT(api.replyText(h, reply, 19999), 0);
  EXPECT_NE(std::string(reply).find("220 pyftpdlib ready"), std::string::npos) << reply;
  EXPECT_EQ(api.disconnect(h), 0);
  // The handle is gone.
  EXPECT_EQ(api.changeDir(h, "/"), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrBadHandle);
  EXPECT_EQ(api.disconnect(h), -1);
  // Nor does it reach the next connection.
  int next = api.connect("127.0.0.1", ports["pyftpd"], 30);
  ASSERT_NE(next, -1);
  EXPECT_NE(next, h);
  EXPECT_EQ(api.login(h, "tester", "secret", ""), -1);
  EXPECT_EQ(api.login(next, "tester", "secret", ""), 0);
  EXPECT_EQ(api.disconnect(next), 0);
}

TEST(FtpConnect, ClosedPortFailsQuickly) {
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(api.connect("127.0.0.1", ports["closed"], 30), -1);
  EXPECT_LT(GetTickCount64() - start, 5000u);
  EXPECT_EQ(api.lastError(), csftp::kErrConnectFailed);
  EXPECT_FALSE(ErrorText(csftp::kErrConnectFailed).empty());
  EXPECT_EQ(ErrorText(0), "");
  EXPECT_EQ(ErrorText(12345), "");
}

TEST(FtpConnect, SilentServerTimesOut) {
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(api.connect("127.0.0.1", ports["silent"], 2), -1);
  ULONGLONG took = GetTickCount64() - start;
  EXPECT_GE(took, 1500u);
  EXPECT_LT(took, 4000u);
  EXPECT_EQ(api.lastError(), csftp::kErrTimeout);
}

// ---- a server that misbehaves ----

struct Hostile {
  const char* user;
  int error;
};

class HostileLogin : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileLogin, FailsCleanlyWithinTheTimeOut) {
  int h = api.connect("127.0.0.1", ports["fake"], 3);
  ASSERT_NE(h, -1);
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(api.login(h, GetParam().user, "x", ""), -1);
  EXPECT_LT(GetTickCount64() - start, 3000u + 1500u);
  EXPECT_EQ(api.lastError(), GetParam().error);
  // The control stream is out of step: later calls fail at once instead of reading garbage.
  char pwd[260];
  start = GetTickCount64();
  EXPECT_EQ(api.currentDir(h, pwd, sizeof pwd), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrConnectionClosed);
  EXPECT_LT(GetTickCount64() - start, 1000u);
  char reply[20000];
  int n = api.replyText(h, reply, 19999);
  EXPECT_GE(n, 0);
  EXPECT_LT(n, 19999);
  EXPECT_EQ(api.disconnect(h), 0);
}

INSTANTIATE_TEST_SUITE_P(Replies, HostileLogin,
                         ::testing::Values(Hostile{"endless", csftp::kErrBadReply},
                                           Hostile{"trickle", csftp::kErrTimeout},
                                           Hostile{"hugemulti", csftp::kErrBadReply}),
                         [](const auto& info) { return std::string(info.param.user); });

class FakeServer : public ::testing::Test {
 protected:
  bool Open(const char* user) {
    h = api.connect("127.0.0.1", ports["fake"], 5);
    return h != -1 && api.login(h, user, "x", "") == 0;
  }
  void TearDown() override {
    if (h != -1) api.disconnect(h);
  }
  int h = -1;
};

TEST_F(FakeServer, DosListingIsReadInItsModeOnly) {
  ASSERT_TRUE(Open("dos"));
  char pwd[260];
  EXPECT_EQ(api.currentDir(h, pwd, sizeof pwd), 9);
  EXPECT_STREQ(pwd, "/say \"hi\"");
  char tiny[4];
  EXPECT_EQ(api.currentDir(h, tiny, sizeof tiny), -1);  // does not fit

  ASSERT_EQ(api.openList(h, ""), 0);
  api.listMode(h, csftp::kListUnix);
  csftp::FtpEntry e{};
  EXPECT_EQ(api.firstEntry(h, &e), 0);
  EXPECT_EQ(api.lastError(), csftp::kErrNoEntries);
  api.listMode(h, csftp::kListDos);  // the mode governs the listing already open
  auto entries = ReadEntries(h);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_STREQ(entries[0].name, "sub dir");
  EXPECT_EQ(entries[0].isDirectory, 1u);
  EXPECT_EQ(entries[0].time.wYear, 2026);
  EXPECT_EQ(entries[0].time.wHour, 17);
  EXPECT_STREQ(entries[1].name, "report.txt");
  EXPECT_EQ(entries[1].sizeLow, 1234u);
  EXPECT_EQ(entries[1].time.wYear, 2019);
  EXPECT_EQ(entries[1].time.wMonth, 1);
  EXPECT_EQ(entries[1].time.wDay, 2);
  EXPECT_EQ(entries[1].time.wHour, 9);
  EXPECT_STREQ(entries[2].name, "huge.iso");
  EXPECT_EQ(entries[2].sizeLow, 0x80000000u);
  EXPECT_EQ(entries[2].sizeHigh, 1u);
  EXPECT_EQ(entries[2].time.wYear, 1998);
  api.closeList(h);
}

TEST_F(FakeServer, PassiveAddressOtherThanThePeerIsReplaced) {
  ASSERT_TRUE(Open("elsewhere"));
  ULONGLONG start = GetTickCount64();
  ASSERT_EQ(api.openList(h, ""), 0) << ErrorText(api.lastError());
  EXPECT_LT(GetTickCount64() - start, 3000u);
  api.listMode(h, csftp::kListDos);
  EXPECT_EQ(ReadEntries(h).size(), 3u);
}

TEST_F(FakeServer, BadPassiveReplyFailsAndLeavesTheConnectionUsable) {
  ASSERT_TRUE(Open("badpasv"));
  EXPECT_EQ(api.openList(h, ""), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrDataConnection);
  EXPECT_EQ(api.openFile(h, "x", csftp::kOpenRead), -1);
  char pwd[260];
  EXPECT_GT(api.currentDir(h, pwd, sizeof pwd), 0);
}

TEST_F(FakeServer, DroppedDownloadIsAFailureNotAnEnd) {
  ASSERT_TRUE(Open("dropper"));
  std::string data;
  EXPECT_EQ(Download(h, "file.bin", &data), -1);
  EXPECT_EQ(data.size(), 5000u);
  EXPECT_EQ(api.lastError(), csftp::kErrTransferFailed);
  EXPECT_NE(ErrorText(csftp::kErrTransferFailed).find("426"), std::string::npos);
}

TEST_F(FakeServer, UploadRefusedAfterTheDataIsAFailure) {
  ASSERT_TRUE(Open("late552"));
  EXPECT_EQ(Upload(h, "file.bin", Pattern(3000)), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrTransferFailed);
  EXPECT_NE(ErrorText(csftp::kErrTransferFailed).find("552"), std::string::npos);
  EXPECT_EQ(api.transferTime(h), api.transferTime(h));
}

// ---- threads ----

TEST(FtpThreads, TwoHandlesWorkInParallelWithTheirOwnLastError) {
  // Each thread fails or succeeds in turn while the other does the opposite, and checks that
  // its own last error is what its own last call left.
  HANDLE turn[2] = {CreateEventA(nullptr, FALSE, FALSE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  std::mutex lock;
  std::vector<std::string> faults;
  auto fault = [&](int me, int round, const char* what) {
    std::lock_guard<std::mutex> g(lock);
    faults.push_back("thread " + std::to_string(me) + " round " + std::to_string(round) + ": " + what +
                     " (last error " + std::to_string(api.lastError()) + ")");
  };
  auto worker = [&](int me) {
    Session s;
    if (!s.Open(kPyftpd, me == 0)) {
      fault(me, -1, "connect");
      SetEvent(turn[1 - me]);
      return;
    }
    api.setType(s.h, csftp::kTypeImage);
    std::string remote = s.base + "/work/thread" + std::to_string(me) + ".bin";
    std::string data = Pattern(300000 + me);
    for (int round = 0; round < 4; ++round) {
      bool fail = (round + me) % 2 == 0;
      if (fail) {
        if (api.deleteFile(s.h, "/no/such/file") != -1) fault(me, round, "delete");
      } else {
        std::string back;
        if (Upload(s.h, remote, data) != 0) fault(me, round, "upload");
        if (Download(s.h, remote, &back) != 0 || back != data) fault(me, round, "download");
      }
      // Let the other thread make its opposite call, then look at our own last error.
      SetEvent(turn[1 - me]);
      if (WaitForSingleObject(turn[me], 20000) != WAIT_OBJECT_0) fault(me, round, "wait");
      if (api.lastError() != (fail ? csftp::kErrRefused : 0)) fault(me, round, "last error");
    }
    SetEvent(turn[1 - me]);
    api.deleteFile(s.h, remote.c_str());
  };
  std::thread a(worker, 0), b(worker, 1);
  a.join();
  b.join();
  CloseHandle(turn[0]);
  CloseHandle(turn[1]);
  for (auto& f : faults) ADD_FAILURE() << f;
}

// How many replies the fake server has begun to trickle (its log, fake.log).
int TrickleRepliesBegun() {
  std::string log = jqtest::ReadFileText(std::string(JQ_FTP_FIXTURES) + "\\fake.log");
  int count = 0;
  for (size_t at = log.find("trickle: replying"); at != std::string::npos; at = log.find("trickle: replying", at + 1))
    ++count;
  return count;
}

TEST(FtpThreads, DisconnectFromAnotherThreadEndsABlockedCall) {
  int h = api.connect("127.0.0.1", ports["fake"], 30);
  ASSERT_NE(h, -1);
  const int begun = TrickleRepliesBegun();
  std::atomic<bool> done{false};
  std::atomic<int> result{0};
  ULONGLONG start = GetTickCount64();
  std::thread t([&] {
    result = api.login(h, "trickle", "x", "");  // the reply never ends
    done = true;
  });
  // The call waits on the reply once the server has its user name and begins to answer.
  EXPECT_TRUE(jqtest::PumpUntil([&] { return TrickleRepliesBegun() > begun; }, 10000));
  EXPECT_FALSE(done.load()) << "the reply never ends: the call is still waiting";
  EXPECT_EQ(api.disconnect(h), 0);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return done.load(); }, 5000));
  t.join();
  EXPECT_EQ(result.load(), -1);
  EXPECT_LT(GetTickCount64() - start, 10000u);
  EXPECT_EQ(api.login(h, "dos", "x", ""), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrBadHandle);
}

// ---- the exports and the listing parser ----

TEST(FtpExports, AreOrdinalsOnly) {
  EXPECT_EQ(GetProcAddress(api.module, "CsFtpConnect"), nullptr);
  EXPECT_EQ(GetProcAddress(api.module, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(api.connect(nullptr, 21, 30), -1);
  EXPECT_EQ(api.lastError(), csftp::kErrBadArgument);
}

struct ListLine {
  const char* line;
  int mode;
  const char* name;  // nullptr: no entry
  bool dir;
  uint64_t size;
  int year, month, day, hour, minute;
};

TEST(FtpListLine, ParsesOrSkipsEachLine) {
  SYSTEMTIME now{};
  now.wYear = 2026;
  now.wMonth = 3;
  now.wDay = 15;
  const ListLine cases[] = {
      {"-rw-r--r--   1 owner group    1234 Mar 14 17:50 file.txt", 0, "file.txt", false, 1234, 2026, 3, 14, 17, 50},
      {"drwxr-xr-x   2 owner group    4096 Dec 24  2019 a folder", 0, "a folder", true, 4096, 2019, 12, 24, 0, 0},
      {"-rw-r--r--   1 owner group       1 Mar 16 10:00 tomorrow", 0, "tomorrow", false, 1, 2026, 3, 16, 10, 0},
      {"-rw-r--r--   1 owner group       1 Mar 20 10:00 next week is last year", 0, "next week is last year", false, 1, 2025, 3, 20, 10, 0},
      {"-rw-r--r--   1 owner group       1 Nov  2 10:00 autumn", 0, "autumn", false, 1, 2025, 11, 2, 10, 0},
      {"-rw-r--r--   1 owner         77 Jan  1 00:01 no group", 0, "no group", false, 77, 2026, 1, 1, 0, 1},
      {"-rw-r--r--   1 owner group 6442450944 Jan  1  2020 big", 0, "big", false, 6442450944ull, 2020, 1, 1, 0, 0},
      {"-rw-r--r--   1 owner group       3 Jan  1  2020   leading blanks", 0, "  leading blanks", false, 3, 2020, 1, 1, 0, 0},
      {"lrwxrwxrwx   1 owner group       7 Jan  1  2020 link -> target", 0, "link", false, 7, 2020, 1, 1, 0, 0},
      {"-rw-r--r--   1 owner group       3 Jan  1  2020 trailing cr\r", 0, "trailing cr", false, 3, 2020, 1, 1, 0, 0},
      {"total 48", 0, nullptr},
      {"", 0, nullptr},
      {"-rw-r--r--   1 owner group    12x4 Mar 14 17:50 bad size", 0, nullptr},
      {"-rw-r--r--   1 owner group    1234 Foo 14 17:50 bad month", 0, nullptr},
      {"-rw-r--r--   1 owner group    1234 Mar 14 25:50 bad hour", 0, nullptr},
      {"-rw-r--r--   1 owner group    1234 Mar 14 17:50", 0, nullptr},
      {"12-10-26  05:50PM       <DIR>          folder", 0, nullptr},
      {"12-10-26  05:50PM       <DIR>          folder", 3, "folder", true, 0, 2026, 12, 10, 17, 50},
      {"12-10-26  12:05AM                  100 midnight.txt", 3, "midnight.txt", false, 100, 2026, 12, 10, 0, 5},
      {"03-01-1999  23:59          1,234,567 commas and 24h.txt", 3, "commas and 24h.txt", false, 1234567, 1999, 3, 1, 23, 59},
      {"13-01-99  01:00PM                  1 bad month", 3, nullptr},
      {"12-10-26  13:00PM                  1 bad hour", 3, nullptr},
      {"12-10-26  01:00PM                  1", 3, nullptr},
      {"-rw-r--r--   1 owner group    1234 Mar 14 17:50 unix", 3, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    csftp::FtpEntry e{};
    bool ok = csftp::ParseListLine(c.line, c.mode, now, &e);
    ASSERT_EQ(ok, c.name != nullptr);
    if (!ok) continue;
    EXPECT_STREQ(e.name, c.name);
    EXPECT_EQ(e.isDirectory != 0, c.dir);
    EXPECT_EQ(e.sizeLow, static_cast<uint32_t>(c.size));
    EXPECT_EQ(e.sizeHigh, static_cast<uint32_t>(c.size >> 32));
    EXPECT_EQ(e.time.wYear, c.year);
    EXPECT_EQ(e.time.wMonth, c.month);
    EXPECT_EQ(e.time.wDay, c.day);
    EXPECT_EQ(e.time.wHour, c.hour);
    EXPECT_EQ(e.time.wMinute, c.minute);
  }
  // A name that does not fit the record is skipped, not cut.
  std::string longName = "-rw-r--r--   1 owner group 1 Jan  1  2020 " + std::string(260, 'n');
  csftp::FtpEntry e{};
  EXPECT_FALSE(csftp::ParseListLine(longName, 0, now, &e));
}

}  // namespace
