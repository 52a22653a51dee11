// FTP sites in JQNavig's real main window, against pyftpdlib on 127.0.0.1: the tree's FTP branch
// and the list browse a saved site, and the FTP menu's Upload and Download commands move files
// through the transfer engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "favorites_commands.h"
#include "file_list.h"
#include "folder_menu.h"
#include "folder_tree.h"
#include "frame_test_host.h"
#include "ftp_engine.h"
#include "ftp_folder_ui.h"
#include "ftp_session.h"
#include "ftp_site_fixture.h"
#include "control_text.h"
#include "ftp_fixture_ports.h"
#include "seams.h"
#include "resource_ftp.h"
#include "transfer_job.h"
#include "resource.h"
#include "tree_nodes.h"

namespace {

HTREEITEM FtpSitesNode(HWND tree) {
  HTREEITEM root = TreeView_GetRoot(tree);
  for (HTREEITEM n = root ? TreeView_GetChild(tree, root) : nullptr; n; n = TreeView_GetNextSibling(tree, n)) {
    FolderTreeItem* record = GetTreeItemRecord(tree, n);
    if (record && (record->kind & kTreeKindFtpRoot)) return n;
  }
  return nullptr;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<std::string> Names(HWND list) { return jqtest::ListItemTexts(list); }

bool Has(const std::vector<std::string>& names, const std::string& name) {
  for (auto& n : names)
    if (n == name) return true;
  return false;
}

std::string g_uploadPath;
std::string g_downloadFolder;

}  // namespace

TEST(FtpInPanes, ASiteIsBrowsedInTreeAndListAndFilesGoUpAndDown) {
  int port = jqtest::FtpPort(JQ_FTP_FIXTURES, "pyftpd");
  ASSERT_NE(port, 0);
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
  frametest::MainWindowHost host(false, 1000, 700);
  ASSERT_TRUE(ftptest::SaveLoopbackSite("Loopback", port));
  ASSERT_TRUE(ftptest::StartFtpLibraryQuietly());

  ASSERT_TRUE(host.Browse(temp.path()));
  HWND tree = FilePanes[0].tree, list = FilePanes[0].list;
  AddFtpSitesRoot(tree);
  HTREEITEM sitesNode = FtpSitesNode(tree);
  ASSERT_NE(sitesNode, nullptr);
  TreeView_SelectItem(tree, sitesNode);
  TreeView_Expand(tree, sitesNode, TVE_EXPAND);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return Has(Names(list), "Loopback"); }, 5000));
  EXPECT_TRUE(Has(Names(list), "Add New FTP Site..."));

  // Selecting the site connects it and lists the server's folders.
  HTREEITEM siteNode = jqtest::TreeChildByText(tree, sitesNode, "Loopback");
  ASSERT_NE(siteNode, nullptr);
  TreeView_SelectItem(tree, siteNode);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return Has(Names(list), "listing") && Has(Names(list), "work"); }, 20000));

  // The session's status dialog takes its keys from the program's loop (it is in the table of
  // modeless dialogs), and its Help button opens its topic.
  FtpFolder* siteFolder = FtpFolderOfTreeItem(0, siteNode);
  ASSERT_TRUE(siteFolder && siteFolder->session && siteFolder->session->statusDialog);
  HWND status = siteFolder->session->statusDialog;
  EXPECT_TRUE(std::find(std::begin(ModelessDialogTable), std::end(ModelessDialogTable), status) !=
              std::end(ModelessDialogTable));
  ShowWindow(status, SW_SHOW);
  SetActiveWindow(status);
  HWND first = GetDlgItem(status, IDC_FTP_HIDE_ON_CONNECT);
  SetFocus(first);
  ASSERT_EQ(GetFocus(), first);
  MSG tab{first, WM_KEYDOWN, VK_TAB, 0};
  ProcessLoopMessage(&tab);
  EXPECT_NE(GetFocus(), first) << "Tab moves to the next control";
  EXPECT_EQ(GetParent(GetFocus()), status);
  ULONG_PTR topic = 0;
  seams::CurrentHandlers().winHelp = [&](HWND, const char*, UINT command, ULONG_PTR data) {
    if (command == HELP_CONTEXT) topic = data;
    return TRUE;
  };
  SendDlgItemMessageA(status, IDC_FTP_HELP, BM_CLICK, 0, 0);
  EXPECT_EQ(topic, 131u);
  TreeView_Expand(tree, siteNode, TVE_EXPAND);
  HTREEITEM listingNode = jqtest::TreeChildByText(tree, siteNode, "listing");
  ASSERT_NE(listingNode, nullptr);
  TreeView_SelectItem(tree, listingNode);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return Has(Names(list), "plain.txt"); }, 20000));
  EXPECT_TRUE(Has(Names(list), "sub dir"));
  char path[MAX_PATH];
  ASSERT_TRUE(GetTreeSelectionPath(tree, path, TRUE, FALSE));
  EXPECT_STREQ(path, "FTP:Loopback/listing");

  // Upload into /work through the FTP menu's command.
  HTREEITEM workNode = jqtest::TreeChildByText(tree, siteNode, "work");
  ASSERT_NE(workNode, nullptr);
  TreeView_SelectItem(tree, workNode);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return FilePanes[0].list && TreeView_GetSelection(tree) == workNode; }, 5000));
  ASSERT_TRUE(jqtest::PumpThroughQueue(300));
  std::string content(40000, 'u');
  for (size_t i = 0; i < content.size(); i += 13) content[i] = static_cast<char>(i);
  g_uploadPath = temp.WriteFile("pane upload.bin", content);
  SetFtpUploadPrompt([](HWND, std::vector<std::string>* paths) {
    paths->push_back(g_uploadPath);
    return 1;
  });
  host.Command(ID_FTP_5);
  SetFtpUploadPrompt(nullptr);
  std::string onServer = std::string(JQ_FTP_FIXTURES) + "\\py\\work\\pane upload.bin";
  EXPECT_EQ(ReadAll(onServer), content);
  // The list is read again after the upload.
  ASSERT_TRUE(jqtest::PumpUntil([&] { return Has(Names(list), "pane upload.bin"); }, 20000));

  // Download it again through the Download command, into another folder.
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    bool want = Names(list)[i] == "pane upload.bin";
    ListView_SetItemState(list, i, want ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
  g_downloadFolder = temp.MakeFolder("down");
  SetFtpDownloadPrompt([](HWND, const std::vector<std::string>& names, std::string* destination, bool* binary) {
    EXPECT_EQ(names, std::vector<std::string>{"pane upload.bin"});
    *destination = g_downloadFolder;
    *binary = true;
    return 1;
  });
  host.Command(ID_FTP_4);
  SetFtpDownloadPrompt(nullptr);
  EXPECT_EQ(ReadAll(g_downloadFolder + "\\pane upload.bin"), content);
  DeleteFileA(onServer.c_str());
  host.Close();
  ShutdownFtp();
}

TEST(FtpInPanes, AnFtpFolderAddedToFavoritesOpensAgainFromTheFavoritesMenu) {
  int port = jqtest::FtpPort(JQ_FTP_FIXTURES, "pyftpd");
  ASSERT_NE(port, 0);
  jqtest::TempFolder temp;
  jqtest::TempFolder install;
  install.WriteFile("JQNavig.exe", "MZ");
  frametest::MainWindowHost host(frametest::MainWindowHost::Prepare{[&] {
    HKEY key = nullptr;
    RegCreateKeyExA(seams::MachineRoot(), "Software\\Belmoor\\Quorvanel\\CurrentVersion", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string dir = install.path() + "\\";
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegCloseKey(key);
    // A Favorites folder of this test's own, beside the test program.
    RegCreateKeyExA(seams::MachineRoot(), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0, nullptr,
                    0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "DefaultUserName", 0, REG_SZ, reinterpret_cast<const BYTE*>("FtpPaneTest"), 12);
    RegCloseKey(key);
  }});
  ASSERT_TRUE(ftptest::SaveLoopbackSite("Loopback", port));
  ASSERT_TRUE(ftptest::StartFtpLibraryQuietly());
  ASSERT_TRUE(host.Browse(temp.path()));
  HWND tree = FilePanes[0].tree, list = FilePanes[0].list;
  AddFtpSitesRoot(tree);

  // The shortcut runs JQNavig with the FTP path; its name tells the site.
  LPITEMIDLIST item = ParseFtpPath("FTP:Loopback/listing");
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(AddItemToFavorites(item, "listing"), 1);
  CoTaskMemFree(item);
  char favorites[MAX_PATH];
  ASSERT_EQ(FavoritesFolderPath(favorites), 1);
  char expectedName[MAX_PATH];
  snprintf(expectedName, sizeof expectedName, frametest::LoadText(IDS_FTP_FAVORITE_NAME).c_str(), "listing", "Loopback");
  std::string lnk = std::string(favorites) + "\\" + expectedName + ".lnk";
  EXPECT_TRUE(jqtest::FileExists(lnk)) << lnk;

  // Chosen from the Favorites menu, it connects the site and opens the folder in the pane.
  HMENU menu = RebuildFavoritesMenu();
  ASSERT_TRUE(menu);
  UINT chosen = 0;
  for (UINT id = kFavoritesFirstId; id <= kFavoritesLastId && !chosen; ++id) {
    FolderMenuEntry* e = FindFolderMenuEntry(menu, id);
    if (!e) break;
    if (strcmp(e->ftpPath, "FTP:Loopback/listing") == 0) chosen = id;
  }
  ASSERT_NE(chosen, 0u);
  seams::CurrentHandlers().popupMenu = [chosen](HMENU, UINT, int, int, HWND) { return chosen; };
  host.Command(ID_FAVORITES_DROP_DOWN);
  seams::CurrentHandlers().popupMenu = nullptr;
  ASSERT_TRUE(jqtest::PumpUntil([&] { return Has(Names(list), "plain.txt"); }, 20000));
  char path[MAX_PATH];
  ASSERT_TRUE(GetTreeSelectionPath(tree, path, TRUE, FALSE));
  EXPECT_STREQ(path, "FTP:Loopback/listing");
  host.Close();
  ShutdownFtp();
  // The test's user folder with its Favorites goes again.
  std::string user = favorites;
  user = user.substr(0, user.find_last_of('\\')) + '\0';
  SHFILEOPSTRUCTA op{};
  op.wFunc = FO_DELETE;
  op.pFrom = user.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  SHFileOperationA(&op);
}
