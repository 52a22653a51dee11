// JQXfr as a process of its own, against pyftpdlib on 127.0.0.1: a job file in, the files moved,
// the queue rows sent as WM_COPYDATA to a window of this test, and the upload-done message only
// after an upload; a job naming a missing site ends silently.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ftp_job_file.h"
#include "ftp_sites.h"
#include "ftp_fixture_ports.h"
#include "test_support.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct Row {
  std::string action, details;
};

// The file manager's side: a window that answers rows with ids and counts upload-done messages.
struct NotifyWindow {
  HWND hwnd = nullptr;
  std::vector<Row> rows;
  std::vector<std::pair<uint32_t, uint32_t>> states;
  int uploadDone = 0;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (self && msg == WM_COPYDATA) {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
      if (cds->dwData == 0 && cds->cbData == 360) {
        const char* p = static_cast<const char*>(cds->lpData);
        self->rows.push_back({std::string(p, strnlen(p, 100)), std::string(p + 100, strnlen(p + 100, 260))});
        return static_cast<LRESULT>(self->rows.size());
      }
      if (cds->dwData == 1 && cds->cbData == 8) {
        uint32_t row, state;
        memcpy(&row, cds->lpData, 4);
        memcpy(&state, static_cast<const char*>(cds->lpData) + 4, 4);
        self->states.push_back({row, state});
        return 0;
      }
    }
    if (self && msg == WM_APP + 0x96) {
      ++self->uploadDone;
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  NotifyWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "JqXfrTestNotify";
    RegisterClassA(&wc);
    hwnd = CreateWindowA("JqXfrTestNotify", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~NotifyWindow() { DestroyWindow(hwnd); }
};

class JqXfrProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ports_ = jqtest::ReadFtpPorts(JQ_FTP_FIXTURES);
    ASSERT_TRUE(ports_.count("pyftpd"));
    FtpSiteList list;
    FtpSiteRecord* r = AllocFtpSiteRecord();
    lstrcpyA(r->name, "Loopback Site");
    lstrcpyA(r->host, "127.0.0.1");
    lstrcpyA(r->login, "tester");
    StoreFtpPassword(r->password, "secret");
    lstrcpyA(r->startDirectory, "/work");
    r->port = ports_["pyftpd"];
    r->passive = 1;
    AddFtpSite(list, r);
    ASSERT_EQ(SaveFtpSiteList(list), ERROR_SUCCESS);
    FreeFtpSiteList(list);
  }

  // Runs JQXfr with the job; its exit code.
  int Run(const FtpJob& job) {
    char tempDir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof tempDir, tempDir);
    GetTempFileNameA(tempDir, "JQ", 0, path);
    jobPath_ = path;
    EXPECT_TRUE(WriteFtpJobFile(path, job));
    HANDLE process = jqtest::StartProcess("\"" + jqtest::ProgramFolder() + "\\JQXfr.exe\" " + jobPath_);
    EXPECT_NE(process, nullptr);
    if (!process) return -1;
    int code = jqtest::WaitProcess(process, 120000);
    return code;
  }

  std::string PyWork() { return std::string(JQ_FTP_FIXTURES) + "\\py\\work\\"; }

  jqtest::KeptRegistryKey kept_{HKEY_CURRENT_USER, kFtpSitesKeyPath};
  std::map<std::string, int> ports_;
  std::string jobPath_;
};

}  // namespace

TEST_F(JqXfrProcess, AnUploadMovesTheFilesSendsItsRowsAndThenUploadDone) {
  jqtest::TempFolder temp;
  NotifyWindow notify;
  std::string big(300000, 'q');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i);
  FtpJob job;
  job.upload = true;
  job.notifyWindow = notify.hwnd;
  job.site = "LOOPBACK SITE";  // found whatever the case
  job.sources = {temp.WriteFile("one.txt", "first file"), temp.WriteFile("two.bin", big)};
  job.destinations = {"/work/xfr one.txt", "/work/xfr two.bin"};
  job.sizes = {10, big.size()};
  EXPECT_EQ(Run(job), 0);
  EXPECT_FALSE(jqtest::FileExists(jobPath_));
  EXPECT_EQ(ReadAll(PyWork() + "xfr one.txt"), "first file");
  EXPECT_EQ(ReadAll(PyWork() + "xfr two.bin"), big);
  EXPECT_EQ(notify.uploadDone, 1);
  // The two files, then the disconnect at the end.
  ASSERT_EQ(notify.rows.size(), 3u);
  EXPECT_NE(notify.rows[2].details.find("127.0.0.1"), std::string::npos);
  EXPECT_EQ(notify.rows[0].details, "/work/xfr one.txt");
  EXPECT_EQ(notify.rows[1].details, "/work/xfr two.bin");
  // Every row ends complete (state 4).
  std::map<uint32_t, uint32_t> last;
  for (auto& s : notify.states) last[s.first] = s.second;
  EXPECT_EQ(last[1], 4u);
  EXPECT_EQ(last[2], 4u);
  DeleteFileA((PyWork() + "xfr one.txt").c_str());
  DeleteFileA((PyWork() + "xfr two.bin").c_str());
}

TEST_F(JqXfrProcess, ADownloadMovesTheFilesAndSendsNoUploadDone) {
  jqtest::TempFolder temp;
  NotifyWindow notify;
  std::string data(70000, 'd');
  {
    std::ofstream out(PyWork() + "xfr down.bin", std::ios::binary);
    out << data;
  }
  FtpJob job;
  job.upload = false;
  job.notifyWindow = notify.hwnd;
  job.site = "Loopback Site";
  job.sources = {"/work/xfr down.bin", "/listing/plain.txt"};
  job.destinations = {temp / "down.bin", temp / "plain.txt"};
  job.sizes = {data.size(), 5};
  EXPECT_EQ(Run(job), 0);
  EXPECT_EQ(ReadAll(temp / "down.bin"), data);
  EXPECT_EQ(ReadAll(temp / "plain.txt"), "plain");
  EXPECT_EQ(notify.uploadDone, 0);
  ASSERT_EQ(notify.rows.size(), 3u);
  EXPECT_EQ(notify.rows[0].details, "/work/xfr down.bin");
  DeleteFileA((PyWork() + "xfr down.bin").c_str());
}

TEST_F(JqXfrProcess, AMissingSiteEndsSilentlyAndAMissingJobFileToo) {
  jqtest::TempFolder temp;
  NotifyWindow notify;
  FtpJob job;
  job.upload = true;
  job.notifyWindow = notify.hwnd;
  job.site = "No Such Site";
  job.sources = {temp.WriteFile("x.txt", "x")};
  job.destinations = {"/work/never.txt"};
  job.sizes = {1};
  EXPECT_EQ(Run(job), 0);
  EXPECT_FALSE(jqtest::FileExists(jobPath_));
  EXPECT_FALSE(jqtest::FileExists(PyWork() + "never.txt"));
  EXPECT_EQ(notify.uploadDone, 0);
  EXPECT_TRUE(notify.rows.empty());
  HANDLE process = jqtest::StartProcess("\"" + jqtest::ProgramFolder() + "\\JQXfr.exe\" " + (temp / "absent.job"));
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(jqtest::WaitProcess(process, 30000), 0);
}
