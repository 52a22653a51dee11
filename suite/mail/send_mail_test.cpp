// Sending by mail: the message that reaches MAPISendMail, through a recording mapi32.dll of the
// tests' own that a child process loads in place of the system's (WINEDLLOVERRIDES).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "send_mail.h"
#include "test_support.h"

namespace {

bool ChildMode() {
  char value[8] = "";
  return GetEnvironmentVariableA("JQ_MAIL_CHILD", value, sizeof value) > 0;
}

std::string ChildArgument(const char* name) {
  char value[2048] = "";
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

// Runs one child test of this program with the recording mapi32 in front of the system's.
std::string RunChild(const std::string& test, const std::string& files, const std::string& record) {
  DeleteFileA(record.c_str());
  SetEnvironmentVariableA("JQ_MAIL_CHILD", "1");
  SetEnvironmentVariableA("JQ_MAIL_FILES", files.c_str());
  SetEnvironmentVariableA("JQ_MAPI_RECORD", record.c_str());
  // The child prefers a mapi32 beside it to the system's.
  jqtest::KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\mail_test.exe\\DllOverrides");
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\mail_test.exe\\DllOverrides", 0, nullptr, 0,
                  KEY_SET_VALUE, nullptr, &key, nullptr);
  EXPECT_TRUE(key);
  if (key) {
    RegSetValueExA(key, "mapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
    RegCloseKey(key);
  }
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  HANDLE child = jqtest::StartProcess("\"" + std::string(exe) + "\" --gtest_filter=MailChild." + test);
  SetEnvironmentVariableA("JQ_MAIL_CHILD", nullptr);
  EXPECT_TRUE(child);
  EXPECT_EQ(jqtest::WaitProcess(child, 60000), 0);
  CloseHandle(child);
  return jqtest::FileExists(record) ? jqtest::ReadFileText(record) : std::string();
}

}  // namespace

// In the child: the files of JQ_MAIL_FILES ("path|name;path|name") as one job on the mail thread.
TEST(MailChild, SendJob) {
  if (!ChildMode()) GTEST_SKIP() << "runs as a child of SendMail_*";
  auto* job = new MailJob;
  job->subjectForMany = "Attached files";
  std::string list = ChildArgument("JQ_MAIL_FILES");
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find(';', at);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(at, end - at);
    size_t bar = item.find('|');
    job->files.push_back({item.substr(0, bar), item.substr(bar + 1)});
    at = end + 1;
  }
  ASSERT_TRUE(SendSelectionByMail(job));
  // The job belongs to the thread now; the caller's copy may go at once.
  EXPECT_TRUE(jqtest::PumpUntil([] { return RunningMailThreads() == 0; }, 30000));
}

TEST(MailChild, LoadsRecorder) {
  if (!ChildMode()) GTEST_SKIP() << "runs as a child of SendMail_*";
  HMODULE module = nullptr;
  LPMAPISENDMAIL send = nullptr;
  ASSERT_EQ(LoadMapiSendMail(&module, &send), 1);
  EXPECT_TRUE(GetProcAddress(module, "JqMapiRecorder"));
  FreeLibrary(module);
}

TEST(SendMail, TwoFilesGiveTheManySubjectAndOneDescriptorEach) {
  if (ChildMode()) GTEST_SKIP();
  jqtest::TempFolder temp;
  std::string a = temp.WriteFile("report.txt", "a"), b = temp.WriteFile("data.BIN", "b");
  std::string record = temp / "record.txt";
  std::string text = RunChild("SendJob", a + "|report.txt;" + b + "|data.bin", record);
  EXPECT_NE(text.find("subject=Attached files\n"), std::string::npos) << text;
  EXPECT_NE(text.find("files=2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("recipients=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("body=(null)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("file=0|0|-1|" + a + "|report.txt\n"), std::string::npos) << text;
  EXPECT_NE(text.find("file=0|0|-1|" + b + "|data.bin\n"), std::string::npos) << text;
  // MAPI_LOGON_UI | MAPI_DIALOG, no session, no window.
  EXPECT_NE(text.find("session=0\nwindow=0\nflags=9\n"), std::string::npos) << text;
}

TEST(SendMail, OneFileIsItsOwnSubject) {
  if (ChildMode()) GTEST_SKIP();
  jqtest::TempFolder temp;
  std::string a = temp.WriteFile("notes.txt", "a");
  std::string record = temp / "record.txt";
  std::string text = RunChild("SendJob", a + "|notes.txt", record);
  EXPECT_NE(text.find("subject=notes.txt\n"), std::string::npos) << text;
  EXPECT_NE(text.find("files=1\n"), std::string::npos) << text;
}

TEST(SendMail, RecorderIsTheLoadedMapi) {
  if (ChildMode()) GTEST_SKIP();
  jqtest::TempFolder temp;
  RunChild("LoadsRecorder", "", temp / "record.txt");
}

TEST(SendMail, ModuleWithoutTheFunctionIsRefusedAndLeftToTheCaller) {
  if (ChildMode()) GTEST_SKIP();
  // The system's own mapi32 in this process may or may not have a client; a module without the
  // export is refused either way: kernel32 stands in for it through the same binding rule.
  HMODULE module = nullptr;
  LPMAPISENDMAIL send = nullptr;
  int loaded = LoadMapiSendMail(&module, &send);
  if (loaded) {
    EXPECT_TRUE(send);
  } else {
    EXPECT_FALSE(send);
  }
  if (module) FreeLibrary(module);
}

TEST(SendMail, HiddenExtensionsAreCompletedInLowerCase) {
  struct Case { const char* name; const char* path; const char* expected; } cases[] = {
      {"report", "C:\\d\\report.TXT", "report.txt"},
      {"report.txt", "C:\\d\\report.txt", "report.txt"},
      {"README", "C:\\d\\README", "README"},
      {"a", "C:\\d.x\\a", "a"},
      {"圖片", "C:\\d\\圖片.PNG", "圖片.png"},
  };
  for (const Case& c : cases) EXPECT_EQ(CompleteMailName(c.name, c.path), c.expected) << c.name;
}

TEST(SendMail, EmptyJobSendsNothing) {
  if (ChildMode()) GTEST_SKIP();
  auto* job = new MailJob;
  ASSERT_TRUE(SendSelectionByMail(job));
  EXPECT_TRUE(jqtest::PumpUntil([] { return RunningMailThreads() == 0; }, 10000));
}
