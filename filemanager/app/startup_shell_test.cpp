// Start-up steps that reach the shell: the switches applied to the live state, the per-folder
// layout of a window the shell opened, the folder verb in a private classes root, and the .zip
// association question with its dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include "file_pane.h"
#include "frame_test_host.h"
#include "pidl.h"
#include "resource.h"
#include "settings_store.h"
#include "startup_settings.h"
#include "startup_shell.h"
#include "test_support.h"

using namespace jqtest;

namespace {

std::string ParsingName(int csidl) {
  LPITEMIDLIST list = nullptr;
  char path[MAX_PATH] = "";
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) {
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    GetDisplayNameText(desktop, list, SHGDN_FORPARSING, path);
    desktop->Release();
    FreePidl(list);
  }
  return path;
}

// A private HKEY_CLASSES_ROOT for the folder verb and the .zip type.
class PrivateClasses {
 public:
  PrivateClasses() {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\JQTest\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    SetClassesRootForTests(key_);
  }
  ~PrivateClasses() {
    SetClassesRootForTests(nullptr);
    RegCloseKey(key_);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\JQTest\\Classes");
  }
  std::string Default(const char* path) const {
    char value[300] = "";
    LONG size = sizeof value;
    if (RegQueryValueA(key_, path, value, &size) != ERROR_SUCCESS) return "<none>";
    return value;
  }
  void SetDefault(const char* path, const char* value) const {
    RegSetValueA(key_, path, REG_SZ, value, static_cast<DWORD>(strlen(value)));
  }

 private:
  HKEY key_ = nullptr;
};

void ResetLiveState() {
  ApplyDefaultGlobalSettings();
  memset(FilePanes, 0, sizeof FilePanes);
  for (FilePane& p : FilePanes) {
    p.treeShown = p.listShown = 1;
    p.viewId = ID_VIEW_LIST;
  }
  g_paneLayout = {0, 1, 0.5f};
  g_restoreRectangle = TRUE;
}

}  // namespace

TEST(StartupOptions, SwitchesReachTheLiveOptionsAndPaneZero) {
  TestRegistry registry;
  TempFolder folder;
  const std::string myComputer = ParsingName(CSIDL_DRIVES);
  ASSERT_FALSE(myComputer.empty());
  struct Case {
    std::string line;
    std::string folder;  // pane 0's folder afterwards
    int tree, driveBar, toolbar, statusBar, view, sortKey, twoPanes;
    BOOL restore;
  };
  const Case cases[] = {
      {folder.path() + " /E- /DBAR-", folder.path(), 0, 0, 1, 1, ID_VIEW_LIST, 0, 0, FALSE},
      {folder.path() + " /e+ /tbar- /sbar- /idetails /sdate /2panes+", folder.path(), 1, 1, 0, 0, ID_VIEW_DETAILS, 4, 1, FALSE},
      {folder.path() + " /ILIST /ILARGE /SSIZE", folder.path(), 1, 1, 1, 1, ID_VIEW_LARGE_ICONS, 2, 0, FALSE},
      {folder.path() + " /MC", myComputer, 1, 1, 1, 1, ID_VIEW_LIST, 0, 0, FALSE},
      {"/MC", myComputer, 1, 1, 1, 1, ID_VIEW_LIST, 0, 0, FALSE},
      {"C:\\no such folder\\here /ISMALL", "", 1, 1, 1, 1, ID_VIEW_SMALL_ICONS, 0, 0, FALSE},
      {"/SEXT", "", 1, 1, 1, 1, ID_VIEW_LIST, 1, 0, TRUE},
      {"\"" + folder.path() + "\" /ISMALL", folder.path(), 1, 1, 1, 1, ID_VIEW_SMALL_ICONS, 0, 0, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ResetLiveState();
    const LiveOptions& o = GetLiveOptions();
    RECT start;
    EXPECT_FALSE(ApplyCommandLineAtStartup(c.line.c_str(), &start));
    EXPECT_EQ(FilePanes[0].path, c.folder);
    EXPECT_EQ(FilePanes[0].treeShown, static_cast<UINT>(c.tree));
    EXPECT_EQ(FilePanes[0].listShown, 1u);
    EXPECT_EQ(o.driveBarShown, static_cast<uint32_t>(c.driveBar));
    EXPECT_EQ(o.toolbarShown, static_cast<uint32_t>(c.toolbar));
    EXPECT_EQ(o.statusBarShown, static_cast<uint32_t>(c.statusBar));
    EXPECT_EQ(FilePanes[0].viewId, static_cast<UINT>(c.view));
    EXPECT_EQ(FilePanes[0].savedFsSortKey, static_cast<UINT>(c.sortKey));
    EXPECT_EQ(g_paneLayout.twoPanes, static_cast<UINT>(c.twoPanes));
    EXPECT_EQ(g_restoreRectangle, c.restore) << "a folder on the line takes the system's position";
    EXPECT_FALSE(g_stillOnShellFolder);
  }
}

TEST(FolderViewMemory, RecordRoundTripsThroughTheLiveStateWithRatioRules) {
  TestRegistry registry;
  ResetLiveState();
  LiveOptions& o = GetLiveOptions();
  o.toolbarShown = 0;
  o.statusBarShown = 1;
  o.dosBarShown = 1;
  o.normalRect = {10, 20, 610, 420};
  FilePanes[1].viewId = ID_VIEW_DETAILS;
  FilePanes[0].savedFsSortKey = 3;
  FilePanes[0].treeWidth = 5;
  g_paneLayout = {1, 0, 0.99f};
  o.viewerRatio = 0.01f;
  FolderViewRecord record;
  CollectFolderViewRecord(&record);
  EXPECT_EQ(record.toolbarShown, 0u);
  EXPECT_EQ(record.commandLineBarShown, 1u);
  EXPECT_EQ(record.twoPanes, 1u);
  EXPECT_EQ(record.orientation, 0u);
  EXPECT_FLOAT_EQ(record.paneRatio, 0.5f) << "0.99 lies outside a view record's range";
  EXPECT_FLOAT_EQ(g_paneLayout.ratio, 0.5f) << "and is set so in the program";
  EXPECT_FLOAT_EQ(record.viewerRatio, 0.01f);
  EXPECT_EQ(record.panes.viewCommand[1], 40004u);
  EXPECT_EQ(record.panes.sortKeyFs[0], 3u);
  EXPECT_GE(record.panes.treeWidth[0], 10u);
  EXPECT_EQ(record.left, 10);
  EXPECT_EQ(record.bottom, 420);

  ResetLiveState();
  RECT start{};
  ApplyFolderViewRecord(record, &start);
  EXPECT_EQ(o.toolbarShown, 0u);
  EXPECT_EQ(o.dosBarShown, 1u);
  EXPECT_EQ(FilePanes[1].viewId, 40004u);
  EXPECT_EQ(FilePanes[0].savedFsSortKey, 3u);
  EXPECT_EQ(g_paneLayout.twoPanes, 1u);
  EXPECT_EQ(start.left, 10);
  EXPECT_EQ(start.bottom, 420);
  EXPECT_TRUE(o.useSavedPlacement);
  EXPECT_EQ(o.normalRect.right, 610);
}

TEST(FolderViewMemory, ShellFolderKeepsItsLayoutUntilTheTreeMovesAway) {
  TestRegistry registry;
  TempFolder folder;
  folder.MakeFolder("other");
  ResetLiveState();
  PidlPtr shellFolder(ParsePathToPidl(folder.path().c_str(), nullptr, nullptr));
  PidlPtr other(ParsePathToPidl((folder / "other").c_str(), nullptr, nullptr));
  ASSERT_TRUE(shellFolder && other);
  g_shellFolderPidl = CopyPidl(GetShellAllocator(), shellFolder.get());
  g_stillOnShellFolder = TRUE;
  GetLiveOptions().launchBarShown = 0;
  FolderViewRecord record;

  NoteTreeSelectionForViewMemory(0, shellFolder.get());
  EXPECT_TRUE(g_stillOnShellFolder) << "selecting the shell's folder itself stores nothing";
  NoteTreeSelectionForViewMemory(1, other.get());
  EXPECT_TRUE(g_stillOnShellFolder) << "the other pane's moves leave it";
  EXPECT_FALSE(LoadFolderViewRecord(shellFolder.get(), &record));

  NoteTreeSelectionForViewMemory(0, other.get());
  EXPECT_FALSE(g_stillOnShellFolder);
  ASSERT_TRUE(LoadFolderViewRecord(shellFolder.get(), &record));
  EXPECT_EQ(record.launchBarShown, 0u);
  EXPECT_FALSE(SaveViewRecordForShellFolder()) << "once left, the exit saves the global settings";

  // The next start on that folder by the shell applies the record.
  ResetLiveState();
  GetLiveOptions().launchBarShown = 1;
  EXPECT_EQ(GetLiveOptions().launchBarShown, 1u);
  FreePidl(g_shellFolderPidl);
  g_shellFolderPidl = nullptr;
  // The list travels through a mapping as the shell would hand it over.
  UINT size = GetPidlSize(shellFolder.get());
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size + 4, nullptr);
  ASSERT_TRUE(mapping);
  BYTE* view = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  memcpy(view, &size, 4);
  memcpy(view + 4, shellFolder.get(), size);
  UnmapViewOfFile(view);
  char line[100];
  snprintf(line, sizeof line, "/IDLIST,:%lu:%lu", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(mapping)),
           GetCurrentProcessId());
  RECT start{};
  GetLiveOptions().normalRect = {1, 2, 3, 4};
  EXPECT_TRUE(ApplyCommandLineAtStartup(line, &start)) << line;
  EXPECT_EQ(GetLiveOptions().launchBarShown, 0u);
  EXPECT_TRUE(g_stillOnShellFolder);
  ASSERT_TRUE(g_shellFolderPidl);
  EXPECT_EQ(GetPidlSize(g_shellFolderPidl), size);
  EXPECT_EQ(FilePanes[0].path, folder.path());
  EXPECT_TRUE(g_restoreRectangle);
  EXPECT_EQ(start.right - start.left, record.right - record.left);
  g_stillOnShellFolder = FALSE;
  FreePidl(g_shellFolderPidl);
  g_shellFolderPidl = nullptr;
}

TEST(FolderVerb, QuotedCommandAndReplaceExplorerRoundTrip) {
  TestRegistry registry;
  PrivateClasses classes;
  char command[MAX_PATH + 40];
  FormatFolderVerbCommand("C:\\Program Files\\Quorvanel\\JQNavig.exe", command, sizeof command);
  EXPECT_STREQ(command, "\"C:\\Program Files\\Quorvanel\\jqnavig.exe\" /idlist,%I");
  FormatFolderVerbCommand("D:\\Q", command, sizeof command);
  EXPECT_STREQ(command, "\"D:\\jqnavig.exe\" /idlist,%I");

  EXPECT_FALSE(IsReplaceExplorerSet());
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, sizeof program);
  FormatFolderVerbCommand(program, command, sizeof command);
  EXPECT_EQ(classes.Default("Folder\\Shell\\Quorvanel\\Command"), command) << "the verb is registered on every check";

  EXPECT_TRUE(SetReplaceExplorer(1));
  EXPECT_EQ(classes.Default("Folder\\shell"), "Quorvanel");
  EXPECT_TRUE(IsReplaceExplorerSet());
  DWORD stored = 7;
  ASSERT_TRUE(ReadSettingDword("Replace MS Explorer", &stored));
  EXPECT_EQ(stored, 1u);

  // Start-up makes the registry follow the stored choice, both ways.
  SyncReplaceExplorerAtStartup(0);
  EXPECT_EQ(classes.Default("Folder\\shell"), "");
  EXPECT_FALSE(IsReplaceExplorerSet());
  classes.SetDefault("Folder\\shell", "QUORVANEL");
  EXPECT_TRUE(IsReplaceExplorerSet()) << "compared without case";
  SyncReplaceExplorerAtStartup(1);
  EXPECT_EQ(classes.Default("Folder\\shell"), "QUORVANEL") << "already as stored: left alone";
}

TEST(ZipAssociation, QuestionAndDialog) {
  TestRegistry registry;
  PrivateClasses classes;
  EXPECT_TRUE(ZipAssociationQuestionWanted()) << "no .zip type at all";
  classes.SetDefault(".zip", "CompressedFolder");
  EXPECT_TRUE(ZipAssociationQuestionWanted());
  classes.SetDefault(".zip", "quorvanel.ARCHIVE");
  EXPECT_FALSE(ZipAssociationQuestionWanted());
  classes.SetDefault(".zip", "CompressedFolder");

  // Start-up asks; Yes registers the archive types with the program folder.
  const char folder[] = "C:\\Program Files\\Quorvanel";
  HKEY product = nullptr;
  ASSERT_EQ(RegCreateKeyExA(registry.machine(), kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &product,
                            nullptr), ERROR_SUCCESS);
  RegSetValueExA(product, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), sizeof folder);
  RegCloseKey(product);
  {
    jqtest::DialogDriver driver({[](HWND dialog) {
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      return true;
    }});
    CheckZipAssociation(nullptr);
    EXPECT_TRUE(driver.Finished()) << "the question was asked";
  }
  EXPECT_EQ(classes.Default(".zip"), "Quorvanel.Archive");
  EXPECT_EQ(classes.Default("Quorvanel.Archive\\shell\\open\\command"), "C:\\Program Files\\Quorvanel\\JQNavig.exe %1");
  EXPECT_FALSE(ZipAssociationQuestionWanted()) << "answered by the registration";
  classes.SetDefault(".zip", "CompressedFolder");

  // The dialog: "do not show again" and No keep it from asking again.
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ZIP_ASSOCIATION),
                                   nullptr, ZipAssociationDlgProc, 0);
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(GetDlgItem(dialog, IDC_ZIP_NO_MORE_WARNING));
  EXPECT_TRUE(GetDlgItem(dialog, IDOK));
  EXPECT_TRUE(GetDlgItem(dialog, IDCANCEL));
  CheckDlgButton(dialog, IDC_ZIP_NO_MORE_WARNING, BST_CHECKED);
  SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  DWORD value = 0;
  EXPECT_TRUE(ReadSettingDword("No Zip Association Warning", &value));
  EXPECT_EQ(value, 1u);
  EXPECT_FALSE(ZipAssociationQuestionWanted());
  DestroyWindow(dialog);
}
