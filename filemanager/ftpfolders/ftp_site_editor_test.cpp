// The site dialog 10002 driven as a user would: new sites, a name already in use (in any letter
// case) refused on new and on edit, and what is stored.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ftp_engine.h"
#include "ftp_folder_ui.h"
#include "resource_ftp.h"
#include "test_support.h"

namespace {

// Fills the dialog's boxes and presses a button, once the dialog is up; `steps` run in turn,
// one per appearance of the dialog's OK-pressing.
std::vector<std::function<void(HWND)>> g_steps;

BOOL CALLBACK IsSiteDialog(HWND w, LPARAM p) {
  if (GetDlgItem(w, IDC_FTP_SITE_NAME) && GetDlgItem(w, IDC_FTP_HOST)) {
    *reinterpret_cast<HWND*>(p) = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindSiteDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), IsSiteDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK Drive(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = FindSiteDialog();
  if (!dlg || g_steps.empty()) return;
  auto step = g_steps.front();
  g_steps.erase(g_steps.begin());
  step(dlg);
  if (g_steps.empty()) KillTimer(nullptr, id);
}

void Fill(HWND dlg, const char* name, const char* host, const char* password) {
  SetDlgItemTextA(dlg, IDC_FTP_SITE_NAME, name);
  SetDlgItemTextA(dlg, IDC_FTP_HOST, host);
  SetDlgItemTextA(dlg, IDC_FTP_PASSWORD, password);
}

void Press(HWND dlg, int id) { SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

DWORD ValueCount() {
  HKEY key;
  if (RegOpenKeyExA(seams::UserRoot(), kFtpSitesKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD count = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return count;
}

}  // namespace

TEST(FtpSiteEditor, NewSitesAreStoredAndANameInUseIsRefusedOnNewAndOnEdit) {
  jqtest::TestRegistry registry;
  jqtest::SeamRecorder seams;
  FtpFolder* root = CreateFtpRootFolder();

  // A new site: the suggested values, then a name, host and password.
  g_steps = {[](HWND dlg) {
    char login[100], port[16];
    GetDlgItemTextA(dlg, IDC_FTP_LOGIN, login, sizeof login);
    GetDlgItemTextA(dlg, IDC_FTP_PORT, port, sizeof port);
    EXPECT_STREQ(login, "anonymous");
    EXPECT_STREQ(port, "21");
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_FTP_PASSIVE), static_cast<UINT>(BST_CHECKED));
    Fill(dlg, "Alpha", "ftp.alpha.test", "pw-alpha");
    Press(dlg, IDOK);
  }};
  SetTimer(nullptr, 1, 50, Drive);
  EXPECT_EQ(NewFtpSite(nullptr, root), 1);
  g_steps = {[](HWND dlg) {
               Fill(dlg, "Beta", "ftp.beta.test", "pw-beta");
               Press(dlg, IDOK);
             }};
  SetTimer(nullptr, 1, 50, Drive);
  EXPECT_EQ(NewFtpSite(nullptr, root), 1);
  EXPECT_EQ(ValueCount(), 2u);
  EXPECT_TRUE(seams.boxes.empty());

  // "ALPHA" is Alpha's name: refused as a new site, and as Beta's new name.
  g_steps = {[](HWND dlg) {
               Fill(dlg, "ALPHA", "h", "p");
               Press(dlg, IDOK);
             },
             [](HWND dlg) { Press(dlg, IDCANCEL); }};
  SetTimer(nullptr, 1, 50, Drive);
  EXPECT_EQ(NewFtpSite(nullptr, root), 0);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].caption, FtpString(IDS_FTP_DUPLICATE_CAPTION));
  g_steps = {[](HWND dlg) {
               char name[100];
               GetDlgItemTextA(dlg, IDC_FTP_SITE_NAME, name, sizeof name);
               EXPECT_STREQ(name, "Beta");
               char password[100];
               GetDlgItemTextA(dlg, IDC_FTP_PASSWORD, password, sizeof password);
               EXPECT_STREQ(password, "pw-beta");
               SetDlgItemTextA(dlg, IDC_FTP_SITE_NAME, "alpha");
               Press(dlg, IDOK);
             },
             [](HWND dlg) { Press(dlg, IDCANCEL); }};
  SetTimer(nullptr, 1, 50, Drive);
  EXPECT_EQ(EditFtpSite(nullptr, root, "Beta"), 0);
  ASSERT_EQ(seams.boxes.size(), 2u);
  EXPECT_EQ(seams.boxes[1].caption, FtpString(IDS_FTP_DUPLICATE_CAPTION));

  // Both sites are still stored, each with its own password.
  FtpSiteList stored;
  LoadFtpSiteList(stored);
  ASSERT_NE(FindFtpSite(stored, "Alpha"), nullptr);
  ASSERT_NE(FindFtpSite(stored, "Beta"), nullptr);
  char text[100];
  ReadFtpPassword(FindFtpSite(stored, "Beta")->password, text);
  EXPECT_STREQ(text, "pw-beta");
  EXPECT_STREQ(FindFtpSite(stored, "Alpha")->host, "ftp.alpha.test");
  FreeFtpSiteList(stored);
  EXPECT_EQ(ValueCount(), 2u);
  root->Release();
}
