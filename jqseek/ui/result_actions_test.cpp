// The finder's file actions through its real window and dialogs: Copy/Move To with the files
// checked on disk, mail through a recording MAPI, Print Files, the printed list read back from
// the PDF printer, Send To from the context menu, the viewer pane, the About box and help.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>

#include <set>
#include <string>
#include <vector>

#include "finder_test_fixture.h"
#include "send_mail.h"
#include "sendto_menu.h"
#include "settings_store.h"
#include "viewer_pane.h"

namespace {

void SelectAll() { ListView_SetItemState(g_finder.list, -1, LVIS_SELECTED, LVIS_SELECTED); }

void SelectOnly(const char* name) {
  for (int i = 0; i < ResultCount(); ++i) {
    bool it = ResultColumnText(i, 0) == name;
    ListView_SetItemState(g_finder.list, i, it ? LVIS_SELECTED | LVIS_FOCUSED : 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void Command(UINT id) { SendMessageA(g_finder.main, WM_COMMAND, id, 0); }

std::string RegistryText(HKEY root, const std::string& key, const char* value) {
  char text[MAX_PATH] = "";
  DWORD size = sizeof text;
  if (RegGetValueA(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return "";
  return text;
}

// Answers the Copy/Move To dialog: the destination typed, then OK.
std::vector<jqtest::DialogDriver::Step> TypeDestination(const std::string& folder) {
  return {[folder](HWND dialog) {
    SetDlgItemTextA(dialog, 1039, folder.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }};
}

TEST_F(Finder, CopyAndMoveToPutTheFilesInTheTypedFolder) {
  dir.WriteFile("src\\a.txt", "A");
  dir.WriteFile("src\\deep\\b.txt", "B");
  std::string copies = dir.MakeFolder("copies"), moved = dir.MakeFolder("moved");
  SearchFolder(dir / "src", "*.txt");
  ASSERT_EQ(ResultCount(), 2);
  SelectAll();
  {
    jqtest::DialogDriver driver(TypeDestination(copies));
    Command(IDM_COPY_TO);
    EXPECT_TRUE(driver.Finished());
  }
  EXPECT_EQ(jqtest::ReadFileText(copies + "\\a.txt"), "A");
  EXPECT_EQ(jqtest::ReadFileText(copies + "\\b.txt"), "B");
  EXPECT_TRUE(jqtest::FileExists(dir / "src\\a.txt"));
  EXPECT_EQ(ResultCount(), 2);
  // The destination is remembered under the finder's own key, not the file manager's.
  EXPECT_EQ(RegistryText(registry.user(), std::string(kFinderKey) + "\\Copy_Move To", "History1"), copies);
  EXPECT_EQ(RegistryText(registry.user(), std::string(kSettingsKeyPath) + "\\Copy_Move To", "History1"), "");

  // Moving takes the file away, and its item with it.
  SelectOnly("a.txt");
  {
    jqtest::DialogDriver driver(TypeDestination(moved));
    Command(IDM_MOVE_TO);
    EXPECT_TRUE(driver.Finished());
  }
  EXPECT_EQ(jqtest::ReadFileText(moved + "\\a.txt"), "A");
  EXPECT_FALSE(jqtest::FileExists(dir / "src\\a.txt"));
  EXPECT_EQ(ResultCount(), 1);

  // Cancel does nothing; nothing selected opens no dialog.
  SelectOnly("b.txt");
  {
    jqtest::DialogDriver driver({[](HWND dialog) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return true;
    }});
    Command(IDM_MOVE_TO);
  }
  EXPECT_TRUE(jqtest::FileExists(dir / "src\\deep\\b.txt"));
  ChangeResultSelection(0);
  EXPECT_FALSE(CopyOrMoveSelectedResults(2));
}

TEST_F(Finder, SelectDialogKeepsItsHistoryUnderTheFindersKey) {
  dir.WriteFile("a.txt", "x");
  SearchFolder(dir.path(), "*.*");
  jqtest::DialogDriver driver({[](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SELECT_MASK, "*.txt");
    PostMessageA(dialog, WM_COMMAND, IDC_SELECT_BUTTON, 0);
    return true;
  }});
  Command(IDM_SELECT_MASK);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(ListView_GetSelectedCount(g_finder.list), 1u);
  EXPECT_EQ(RegistryText(registry.user(), std::string(kFinderKey) + "\\Select", "History1"), "*.txt");
  EXPECT_EQ(RegistryText(registry.user(), std::string(kSettingsKeyPath) + "\\Select", "History1"), "");
}

TEST_F(Finder, PrintFilesHandsEachSelectedFileToItsProgram) {
  std::string a = dir.WriteFile("a.txt", "x"), b = dir.WriteFile("b.txt", "y");
  SearchFolder(dir.path(), "*.txt");
  SelectAll();
  jqtest::SeamRecorder seams;
  int listed = -1;
  jqtest::DialogDriver driver({[&](HWND dialog) {
    listed = ListView_GetItemCount(GetDlgItem(dialog, 1001));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }});
  Command(IDM_PRINT_FILES);
  EXPECT_EQ(listed, 2);
  ASSERT_EQ(seams.starts.size(), 2u);
  std::set<std::string> printed;
  for (const auto& start : seams.starts) {
    EXPECT_EQ(start.verb, "print");
    printed.insert(start.file);
  }
  EXPECT_EQ(printed, (std::set<std::string>{a, b}));
}

TEST_F(Finder, MailRefusesAFolderWithItsMessage) {
  dir.MakeFolder("folder");
  dir.WriteFile("a.txt", "x");
  SearchFolder(dir.path(), "*");
  ASSERT_EQ(ResultCount(), 2);
  SelectAll();
  jqtest::SeamRecorder seams;
  Command(IDM_MAIL);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, FinderString(IDS_MAIL_FOLDER_REFUSED));
  EXPECT_EQ(RunningMailThreads(), 0);
}

bool MailChild() {
  char value[8] = "";
  return GetEnvironmentVariableA("JQ_FINDER_MAIL_CHILD", value, sizeof value) > 0;
}

// In the child, with the recording mapi32: the finder mails the files of JQ_FINDER_MAIL_DIR.
TEST_F(Finder, MailChildSendsTheFoundFiles) {
  if (!MailChild()) GTEST_SKIP() << "runs as a child of MailSendsTheSelectedFiles";
  char folder[MAX_PATH] = "";
  GetEnvironmentVariableA("JQ_FINDER_MAIL_DIR", folder, MAX_PATH);
  SearchFolder(folder, "*.txt");
  ASSERT_EQ(ResultCount(), 2);
  SelectAll();
  Command(IDM_MAIL);
  EXPECT_TRUE(jqtest::PumpUntil([] { return RunningMailThreads() == 0; }, 30000));
}

TEST(FinderMail, MailSendsTheSelectedFiles) {
  if (MailChild()) GTEST_SKIP();
  jqtest::TempFolder temp;
  std::string a = temp.WriteFile("files\\one.txt", "1"), b = temp.WriteFile("files\\two.txt", "2");
  std::string record = temp / "record.txt";
  jqtest::KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\jqseek_ui_test.exe\\DllOverrides");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\jqseek_ui_test.exe\\DllOverrides", 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "mapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
  RegCloseKey(key);
  SetEnvironmentVariableA("JQ_FINDER_MAIL_CHILD", "1");
  SetEnvironmentVariableA("JQ_FINDER_MAIL_DIR", (temp / "files").c_str());
  SetEnvironmentVariableA("JQ_MAPI_RECORD", record.c_str());
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  HANDLE child = jqtest::StartProcess("\"" + std::string(exe) + "\" --gtest_filter=Finder.MailChildSendsTheFoundFiles");
  SetEnvironmentVariableA("JQ_FINDER_MAIL_CHILD", nullptr);
  ASSERT_TRUE(child);
  EXPECT_EQ(jqtest::WaitProcess(child, 90000), 0);
  std::string text = jqtest::FileExists(record) ? jqtest::ReadFileText(record) : "";
  EXPECT_NE(text.find("files=2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("|" + a + "|one.txt\n"), std::string::npos) << text;
  EXPECT_NE(text.find("|" + b + "|two.txt\n"), std::string::npos) << text;
}

// The print dialog answered from the driver: "Selection" chosen when asked, then OK.
jqtest::DialogDriver::Step AnswerPrintDialog(bool selection) {
  return [selection](HWND dialog) {
    if (selection) SendDlgItemMessageA(dialog, 1057 /* rad2 */, BM_CLICK, 0, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  };
}

TEST_F(Finder, PrintedListHasEveryLineAndItsHeaderOnEveryPage) {
  if (!jqtest::HaveTestPrinter()) GTEST_SKIP() << "no PDF printer (run through scripts/test.sh)";
  // More lines than a page holds at 8 points.
  for (int i = 0; i < 160; ++i) dir.WriteFile("p" + std::to_string(1000 + i) + ".txt", std::string(1200, 'x'));
  SearchFolder(dir.path(), "*.txt");
  ASSERT_EQ(ResultCount(), 160);
  auto before = jqtest::PrintedPdfNames();
  {
    jqtest::DialogDriver driver({AnswerPrintDialog(false)});
    Command(IDM_PRINT_LIST);
    EXPECT_TRUE(driver.Finished());
  }
  std::string text = jqtest::WaitForPrintedText(before);
  for (int i = 0; i < 160; ++i) EXPECT_NE(text.find("p" + std::to_string(1000 + i) + ".txt"), std::string::npos) << i;
  // Sizes as the list shows them, and the folder.
  EXPECT_NE(text.find(ResultColumnText(0, 2)), std::string::npos);
  // The header (the caption begins with the program's name) on every page.
  int pages = 0;
  for (size_t at = text.find("JQSeek"); at != std::string::npos; at = text.find("JQSeek", at + 1)) ++pages;
  EXPECT_GE(pages, 2) << text.substr(0, 2000);

  // Selection: only the chosen item.
  SelectOnly("p1042.txt");
  before = jqtest::PrintedPdfNames();
  {
    jqtest::DialogDriver driver({AnswerPrintDialog(true)});
    Command(IDM_PRINT_LIST);
  }
  text = jqtest::WaitForPrintedText(before);
  EXPECT_NE(text.find("p1042.txt"), std::string::npos) << text;
  EXPECT_EQ(text.find("p1043.txt"), std::string::npos) << text;
}

bool MakeShortcut(const std::string& target, const std::string& lnk) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  link->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  if (ok) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
    ok = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  link->Release();
  return ok;
}

TEST_F(Finder, SendToFromTheContextMenuSendsTheFilesToTheEntry) {
  std::string inbox = dir.MakeFolder("inbox");
  std::string sendTo = dir.MakeFolder("sendto");
  ASSERT_TRUE(MakeShortcut(inbox, sendTo + "\\Inbox.lnk"));
  SetSendToRootOverride(sendTo.c_str());
  dir.WriteFile("found\\a.txt", "A");
  dir.WriteFile("found\\b.txt", "B");
  SearchFolder(dir / "found", "*.txt");
  SelectAll();
  {
    jqtest::SeamRecorder seams;
    seams.menuAnswers = {kFinderSendToFirst};
    Command(IDM_CONTEXT_MENU);
    ASSERT_EQ(seams.menusShown.size(), 1u);
  }
  SetSendToRootOverride(nullptr);
  EXPECT_EQ(jqtest::ReadFileText(inbox + "\\a.txt"), "A");
  EXPECT_EQ(jqtest::ReadFileText(inbox + "\\b.txt"), "B");
}

TEST_F(Finder, ViewerPaneShowsTheFocusedFileBelowTheList) {
  // The document viewer comes from the suite's program folder.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(registry.machine(), kProductKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::string folder = jqtest::ProgramFolder();
  RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>(folder.size() + 1));
  RegCloseKey(key);
  std::string a = dir.WriteFile("a.txt", "first file"), b = dir.WriteFile("b.txt", "second file");
  SearchFolder(dir.path(), "*.txt");
  SelectOnly("a.txt");
  jqtest::SeamRecorder seams;
  Command(IDM_VIEWER_PANE);
  ASSERT_TRUE(ViewerPaneExists()) << (seams.boxes.empty() ? "" : seams.boxes[0].text);
  EXPECT_TRUE(g_finder.store.global.viewerShown);
  EXPECT_STREQ(g_viewerPane.ViewedFile, a.c_str());
  // Below the list, across the width.
  RECT list, viewer;
  GetWindowRect(g_finder.list, &list);
  GetWindowRect(g_viewerPane.ViewerWindow, &viewer);
  EXPECT_TRUE(IsWindowVisible(g_viewerPane.ViewerWindow));
  EXPECT_GE(viewer.top, list.bottom);
  EXPECT_EQ(viewer.left, list.left);
  SelectOnly("b.txt");
  EXPECT_STREQ(g_viewerPane.ViewedFile, b.c_str());
  // Off again; New search takes the list and the pane away.
  Command(IDM_VIEWER_PANE);
  EXPECT_FALSE(g_finder.store.global.viewerShown);
  EXPECT_FALSE(IsWindowVisible(g_viewerPane.ViewerWindow));
  Command(IDM_VIEWER_PANE);
  Click(g_finder.panel, IDC_NEW_SEARCH);
  EXPECT_FALSE(g_finder.store.global.viewerShown);
}

TEST_F(Finder, AboutShowsTheVersionAndHelpOpensTheSuitesHelpFile) {
  std::string name, version;
  jqtest::DialogDriver driver({[&](HWND dialog) {
    char text[256] = "";
    GetDlgItemTextA(dialog, 100, text, sizeof text);
    name = text;
    GetDlgItemTextA(dialog, 101, text, sizeof text);
    version = text;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }});
  Command(IDM_ABOUT);
  EXPECT_NE(name.find("JQSeek"), std::string::npos) << name;
  EXPECT_EQ(version, "1.0.0.0");

  jqtest::SeamRecorder seams;
  Command(IDM_HELP_TOPICS);
  ASSERT_EQ(seams.helpCalls.size(), 1u);
  EXPECT_NE(seams.helpCalls[0].find("Quorvnel.hlp#"), std::string::npos) << seams.helpCalls[0];
  DestroyWindow(g_finder.main);
  ASSERT_EQ(seams.helpCalls.size(), 2u);  // help is closed with the program
}

}  // namespace
