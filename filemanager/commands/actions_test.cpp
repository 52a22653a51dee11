// The everyday commands through JQNavig's real main window on real temporary folders: Go To,
// Up, Back and Forward, the drive bar and the address combo, the Select and Filters dialogs,
// group rename, create folder, copy and paste, delete and recycle, names as text.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "actions.h"
#include "command_handlers.h"
#include "command_state.h"
#include "file_list.h"
#include "file_operations.h"
#include "frame_test_host.h"
#include "navigation_history.h"
#include "pidl.h"
#include "resource.h"
#include "test_support.h"
#include "command_ids.h"

namespace {

// Without a window manager on the test display, Wine waits two seconds for every closed dialog
// to be withdrawn by one; this test's windows are left unmanaged instead (before the first
// window is made). The prefix gets its setting back when the program ends.
jqtest::KeptRegistryKey g_keptAppDefaults(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\actions_test.exe");
const bool g_unmanagedWindows = [] {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\actions_test.exe\\X11 Driver", 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
  return true;
}();

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::string Lower(std::string s) {
  CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

// Runs `driver` on the first dialog that the thread shows from now on (from inside its modal
// loop), then lets the caller's command return.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND)> driver) {
    current_ = this;
    driver_ = std::move(driver);
    timer_ = SetTimer(nullptr, 0, 30, &DialogDriver::Tick);
  }
  ~DialogDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool ran = false;

 private:
  static BOOL CALLBACK Find(HWND w, LPARAM out) {
    char cls[32] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w)) {
      *reinterpret_cast<HWND*>(out) = w;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* self = current_;
    if (!self || self->ran) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    self->ran = true;
    KillTimer(nullptr, self->timer_);
    self->timer_ = 0;
    self->driver_(dialog);
    if (IsWindow(dialog) && IsWindowVisible(dialog)) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    // Wakes the dialog's modal loop so that it sees the end at once.
    if (IsWindow(dialog)) PostMessageA(dialog, WM_NULL, 0, 0);
  }
  static inline DialogDriver* current_;
  std::function<void(HWND)> driver_;
  UINT_PTR timer_ = 0;
};

void Click(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))); }

int WINAPI QuietRunner(SHFILEOPSTRUCTA* operation) {
  SHFILEOPSTRUCTA quiet = *operation;
  quiet.hwnd = nullptr;
  quiet.fFlags |= FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_NOCONFIRMMKDIR;
  // Wine's Recycle Bin is the host's trash: a recycled test file is simply deleted.
  if (quiet.wFunc == FO_DELETE) quiet.fFlags &= ~FOF_ALLOWUNDO;
  return SHFileOperationA(&quiet);
}

// Waits until the clipboard shows what was put there (Wine hands it on to X asynchronously).
std::string ClipboardText(HWND owner, const std::string& expected) {
  std::string text;
  jqtest::PumpUntil([&] {
    text.clear();
    if (OpenClipboard(owner)) {
      if (HANDLE h = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(h));
        GlobalUnlock(h);
      }
      CloseClipboard();
    }
    text = Lower(text);
    return text == expected;
  }, 3000);
  return text;
}

bool ClipboardHoldsFile(const std::string& path) {
  return jqtest::PumpUntil([&] {
    std::vector<std::string> paths;
    BOOL move = FALSE;
    return ReadClipboardFiles(&paths, &move) && paths.size() == 1 && Lower(paths[0]) == Lower(path);
  }, 3000);
}

class Actions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_runFileOperation = QuietRunner;
    host = new frametest::MainWindowHost(false);
    ShowWindow(host->window, SW_SHOW);
  }
  static void TearDownTestSuite() {
    delete host;
    host = nullptr;
    g_runFileOperation = SHFileOperationA;
  }
  void SetUp() override {
    GetLiveOptions().showUpEntry = 0;
    GetLiveOptions().hideSystemFiles = 0;
    DefaultFileFilter(&GetLiveOptions().fileFilter);
    DefaultDriveFilters(&GetLiveOptions().driveFilters);
    GetLiveOptions().driveFilters.driveMask &= ~(1u << ('Z' - 64));
    ActivePaneIndex = 0;
    if (!FilePanes[0].treeShown) Command(ID_VIEW_FOLDER_LIST);
  }
  void TearDown() override {
    // Off the temporary folder before it goes.
    NavigatePaneToPath(0, "C:\\", TRUE);
    Settle();
  }
  HWND list() const { return FilePanes[ActivePaneIndex].list; }
  HWND tree() const { return FilePanes[ActivePaneIndex].tree; }
  // The path of the folder the active pane shows.
  std::string Shown() {
    char path[MAX_PATH] = "";
    GetPaneFolderPath(ActivePaneIndex, path, TRUE);
    return Lower(path);
  }
  bool Go(const std::string& path) {
    bool ok = NavigatePaneToPath(ActivePaneIndex, path.c_str(), TRUE) != nullptr;
    Settle();
    return ok;
  }
  // What the panes posted, and the list's selection timer (a quarter of a second), have run.
  void Settle() { jqtest::PumpThroughQueue(300); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    int count = ListView_GetItemCount(list());
    for (int i = 0; i < count; ++i) {
      FileListItem* record = GetListItemRecord(list(), i);
      char name[MAX_PATH] = "";
      if (record) GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
      if (record) names.push_back(Lower(name));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> Selected() {
    std::vector<std::string> names;
    for (int i = ListView_GetNextItem(list(), -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list(), i, LVNI_SELECTED)) {
      FileListItem* record = GetListItemRecord(list(), i);
      char name[MAX_PATH] = "";
      if (record) GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
      names.push_back(Lower(name));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void SelectNames(const std::vector<std::string>& names) {
    SetFocus(list());
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    int count = ListView_GetItemCount(list());
    for (int i = 0; i < count; ++i) {
      FileListItem* record = GetListItemRecord(list(), i);
      char name[MAX_PATH] = "";
      if (record) GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
      if (std::find(names.begin(), names.end(), Lower(name)) != names.end())
        ListView_SetItemState(list(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  LRESULT Command(UINT id) {
    LRESULT r = SendMessageA(host->window, WM_COMMAND, id, 0);
    Settle();
    return r;
  }
  static inline frametest::MainWindowHost* host;
  jqtest::TempFolder temp;
};

// ---- Paths ------------------------------------------------------------------------------------

TEST(ActionsPaths, ResolveAgainstFolder) {
  struct Case { const char* path; const char* base; const char* expected; };
  const Case cases[] = {
      {"sub", "C:\\a", "C:\\a\\sub"},
      {"sub", "C:\\", "C:\\sub"},
      {"..\\x", "C:\\a\\b", "C:\\a\\x"},
      {"..\\..\\..", "C:\\a", "C:\\"},
      {".\\y\\.\\z\\", "C:\\a", "C:\\a\\y\\z\\"},
      {"\\top", "D:\\a\\b", "D:\\top"},
      {"E:\\other", "C:\\a", "E:\\other"},
      {"\\\\srv\\share\\p", "C:\\a", "\\\\srv\\share\\p"},
      {"  lead", "C:\\a", "C:\\a\\lead"},
  };
  for (const Case& c : cases) {
    char out[MAX_PATH];
    ASSERT_TRUE(ResolveAgainstFolder(c.path, c.base, out)) << c.path;
    EXPECT_STREQ(c.expected, out) << c.path << " in " << c.base;
  }
  char out[MAX_PATH];
  EXPECT_FALSE(ResolveAgainstFolder(std::string(300, 'x').c_str(), "C:\\a", out));
}

TEST(ActionsPaths, ExistingFolderAndFolderNames) {
  jqtest::TempFolder temp;
  temp.WriteFile("f.txt", "x");
  EXPECT_TRUE(IsExistingFolderPath(("  " + temp.path()).c_str()));
  EXPECT_FALSE(IsExistingFolderPath((temp / "f.txt").c_str()));
  EXPECT_FALSE(IsExistingFolderPath((temp / "missing").c_str()));
  EXPECT_TRUE(IsExistingFolderPath("\\\\server"));
  EXPECT_FALSE(IsExistingFolderPath(""));
  struct Case { const char* name; UINT problem; };
  const Case cases[] = {{"", IDS_ENTER_FOLDER_NAME}, {"   ", IDS_ENTER_FOLDER_NAME}, {"a?b", IDS_FOLDER_NAME_CHARACTERS},
                        {"a*", IDS_FOLDER_NAME_CHARACTERS}, {"x/y", IDS_FOLDER_NAME_CHARACTERS},
                        {"a<b", IDS_FOLDER_NAME_CHARACTERS}, {"a|b", IDS_FOLDER_NAME_CHARACTERS},
                        {"a\\b\\c", 0}, {"plain", 0}};
  for (const Case& c : cases) EXPECT_EQ(c.problem, CheckNewFolderName(c.name)) << c.name;
}

TEST(ActionsPaths, NewShortcutNeverOverwrites) {
  jqtest::TempFolder temp;
  std::string first = CreateNewShortcutFile(temp.path().c_str());
  ASSERT_FALSE(first.empty());
  // A shortcut already there keeps its contents; the next one gets another name.
  HANDLE f = CreateFileA(first.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(f, "keep", 4, &written, nullptr);
  CloseHandle(f);
  std::string second = CreateNewShortcutFile(temp.path().c_str());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(Lower(first), Lower(second));
  EXPECT_EQ("keep", jqtest::ReadFileText(first));
  EXPECT_EQ(Lower(temp.path()), Lower(second.substr(0, temp.path().size())));
  EXPECT_TRUE(CreateNewShortcutFile((temp / "missing").c_str()).empty());
}

// ---- Navigation -----------------------------------------------------------------------------

TEST_F(Actions, GoToUpBackForwardThroughTheMainWindow) {
  temp.MakeFolder("a\\b");
  temp.WriteFile("a\\b\\inside.txt", "x");
  const std::string a = Lower(temp / "a"), b = Lower(temp / "a\\b");
  ASSERT_TRUE(Go(temp.path()));
  // Go To with a relative text resolved against the shown folder.
  {
    DialogDriver driver([](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ACT_COMBO, "a\\b");
      Click(dialog, IDOK);
    });
    Command(ID_GO_FOLDER);
    EXPECT_TRUE(driver.ran);
  }
  EXPECT_EQ(b, Shown());
  EXPECT_EQ(std::vector<std::string>{"inside.txt"}, Names());
  Command(ID_GO_UP);  // Up
  EXPECT_EQ(a, Shown());
  Command(ID_GO_BACK);  // Back
  EXPECT_EQ(b, Shown());
  Command(ID_GO_BACK);
  EXPECT_EQ(Lower(temp.path()), Shown());
  Command(ID_GO_FORWARD);  // Forward
  EXPECT_EQ(b, Shown());
  // ".." goes up from the shown folder.
  {
    DialogDriver driver([](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ACT_COMBO, "..");
      Click(dialog, IDOK);
    });
    Command(ID_GO_FOLDER);
  }
  EXPECT_EQ(a, Shown());
}

TEST_F(Actions, GoToMissingFolderStaysOpenWithMessage) {
  ASSERT_TRUE(Go(temp.path()));
  jqtest::SeamRecorder seams;
  bool stillOpen = false;
  std::string comboText;
  DialogDriver driver([&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ACT_COMBO, "missing");
    Click(dialog, IDOK);
    stillOpen = IsWindowVisible(dialog) != 0;
    char text[MAX_PATH] = "";
    GetDlgItemTextA(dialog, IDC_ACT_COMBO, text, sizeof text);
    comboText = Lower(text);
  });
  Command(ID_GO_FOLDER);
  ASSERT_EQ(1u, seams.boxes.size());
  EXPECT_EQ(LoadText(IDS_PATH_NOT_FOUND), seams.boxes[0].text);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(Lower(temp / "missing"), comboText);
  EXPECT_EQ(Lower(temp.path()), Shown());
}

TEST_F(Actions, GoToDriveListsShownDrivesAndOpensTheChosenRoot) {
  ASSERT_TRUE(Go(temp.path()));
  std::vector<std::string> roots;
  DialogDriver driver([&](HWND dialog) {
    HWND box = GetDlgItem(dialog, IDC_ACT_ROOTS);
    int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char root[MAX_PATH] = "";
      SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(root));
      roots.push_back(root);
    }
    EXPECT_EQ(count, ListView_GetItemCount(GetDlgItem(dialog, IDC_ACT_LIST)));
    int c = -1;
    for (int i = 0; i < count; ++i) if (roots[i] == "C:\\") c = i;
    ASSERT_GE(c, 0);
    ListView_SetItemState(GetDlgItem(dialog, IDC_ACT_LIST), c, LVIS_SELECTED, LVIS_SELECTED);
    Click(dialog, IDOK);
  });
  Command(ID_GO_DRIVE);
  ASSERT_TRUE(driver.ran);
  // The drive mask has A as bit 1: hiding Z: (bit 26) keeps it out, C: (bit 3) stays.
  EXPECT_EQ(roots.end(), std::find(roots.begin(), roots.end(), "Z:\\"));
  EXPECT_NE(roots.end(), std::find(roots.begin(), roots.end(), "C:\\"));
  EXPECT_EQ("c:\\", Shown());
}

TEST_F(Actions, DriveBarButtonsFollowTheMaskAndOpenTheClickedDrive) {
  HWND bar = g_frame.driveBar;
  ASSERT_TRUE(bar);
  // Up button, separator, then a button and two separators per shown drive, 48000 + 3n.
  std::vector<std::pair<int, char>> drives;
  int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button{};
    SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    if (button.idCommand >= 48000) drives.push_back({button.idCommand, static_cast<char>(button.dwData)});
  }
  ASSERT_FALSE(drives.empty());
  for (size_t n = 0; n < drives.size(); ++n) EXPECT_EQ(ID_DRIVE_BAR_FIRST + 3 * static_cast<int>(n), drives[n].first);
  for (auto& d : drives) EXPECT_NE('Z', d.second);
  UINT cCommand = 0;
  for (auto& d : drives) if (d.second == 'C') cCommand = d.first;
  ASSERT_NE(0u, cCommand);

  // With the tree hidden the combo stands in the drive bar with separators in front of it: the
  // clicked button still opens its own drive.
  ASSERT_TRUE(Go(temp.path()));
  Command(ID_VIEW_FOLDER_LIST);
  EXPECT_TRUE(IsWindowVisible(g_frame.addressCombo));
  TBBUTTON first{};
  SendMessageA(bar, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&first));
  // In the coolbar (the default) the combo takes an indent instead of separators.
  EXPECT_TRUE(g_frame.barsInCoolbar || (first.fsStyle & TBSTYLE_SEP));
  EXPECT_EQ('C', DriveLetterOfCommand(bar, cCommand));
  Command(cCommand);
  EXPECT_EQ("c:\\", Shown());
  Command(ID_VIEW_FOLDER_LIST);  // the tree again: the separators go
  EXPECT_FALSE(IsWindowVisible(g_frame.addressCombo));
  SendMessageA(bar, TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&first));
  EXPECT_EQ(ID_GO_UP, first.idCommand);

  // Hiding C: in the mask removes its button at the next rebuild.
  GetLiveOptions().driveFilters.driveMask &= ~(1u << ('C' - 64));
  SendMessageA(host->window, WM_USER + 102, 0, 0);
  for (UINT id = 48000; id <= 48075; id += 3) EXPECT_NE('C', DriveLetterOfCommand(bar, id));
  GetLiveOptions().driveFilters.driveMask |= 1u << ('C' - 64);
  SendMessageA(host->window, WM_USER + 102, 0, 0);
}

TEST_F(Actions, AddressComboDropDownPicksAFolder) {
  temp.MakeFolder("picked");
  ASSERT_TRUE(Go(temp.path()));
  Command(ID_VIEW_FOLDER_LIST);  // hide the tree: the combo shows in the drive bar
  ASSERT_TRUE(IsWindowVisible(g_frame.addressCombo));
  Command(ID_GO_ADDRESS);  // drop it down
  ASSERT_TRUE(g_frame.addressTree);
  HWND dropdown = g_frame.addressTree;
  // The drop-down opens on the pane's folder.
  char path[MAX_PATH] = "";
  ASSERT_TRUE(GetTreeSelectionPath(dropdown, path, FALSE, FALSE));
  EXPECT_EQ(Lower(temp.path()), Lower(path));
  HTREEITEM target = SelectTreePath(dropdown, (temp / "picked").c_str(), TRUE);
  ASSERT_TRUE(target);
  SendMessageA(g_frame.addressCombo, WM_USER + 105, 0, 0);
  jqtest::PumpUntil([&] { return Shown() == Lower(temp / "picked"); }, 5000);
  EXPECT_EQ(Lower(temp / "picked"), Shown());
  EXPECT_FALSE(g_frame.addressTree);
  Command(ID_VIEW_FOLDER_LIST);
}

// ---- Selection and filters -------------------------------------------------------------------

TEST_F(Actions, SelectDialogByPatternCaseFoldersAndAttributes) {
  temp.WriteFile("Alpha.TXT", "1");
  temp.WriteFile("beta.txt", "2");
  temp.WriteFile("gamma.doc", "3");
  temp.WriteFile("README", "4");
  temp.MakeFolder("docs.txt");
  SetFileAttributesA((temp / "beta.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA((temp / "gamma.doc").c_str(), FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesA((temp / "Alpha.TXT").c_str(), FILE_ATTRIBUTE_READONLY);
  GetLiveOptions().hideSystemFiles = 0;
  DefaultFileFilter(&GetLiveOptions().fileFilter);
  ASSERT_TRUE(Go(temp.path()));
  ASSERT_EQ(5u, Names().size());

  struct Case {
    const char* pattern;
    bool folders, matchCase;
    int hidden, system, readOnly;  // tri-states: 0 clear, 1 set, 2 any
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"*.txt", false, false, 2, 2, 2, {"alpha.txt", "beta.txt"}},
      {"*.txt", true, false, 2, 2, 2, {"alpha.txt", "beta.txt", "docs.txt"}},
      {"*.txt", false, true, 2, 2, 2, {"beta.txt"}},
      {"*.*", false, false, 2, 2, 2, {"alpha.txt", "beta.txt", "gamma.doc", "readme"}},
      {"*.txt;*.doc", false, false, 2, 2, 2, {"alpha.txt", "beta.txt", "gamma.doc"}},
      // The boxes are read as labelled: 1049 hidden, 1050 system.
      {"*", false, false, 1, 2, 2, {"beta.txt"}},
      {"*", false, false, 2, 1, 2, {"gamma.doc"}},
      {"*", false, false, 0, 0, 1, {"alpha.txt"}},
      {"?eta.*", false, false, 2, 2, 2, {"beta.txt"}},
  };
  // The attribute rows go through the dialog (its boxes are read as labelled); the others call
  // the select pass directly.
  for (const Case& c : cases) {
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
    if (c.hidden == 2 && c.system == 2 && c.readOnly == 2) {
      SelectByPattern(c.pattern, TRUE, c.folders, c.matchCase, SelectAttributes{2, 2, 2, 2});
    } else {
      DialogDriver driver([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_ACT_COMBO, c.pattern);
        CheckDlgButton(dialog, IDC_ACT_INCLUDE_FOLDERS, c.folders ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_ACT_MATCH_CASE, c.matchCase ? BST_CHECKED : BST_UNCHECKED);
        auto tri = [](int v) { return v == 1 ? BST_CHECKED : v == 0 ? BST_UNCHECKED : BST_INDETERMINATE; };
        CheckDlgButton(dialog, IDC_ACT_HIDDEN, tri(c.hidden));
        CheckDlgButton(dialog, IDC_ACT_SYSTEM, tri(c.system));
        CheckDlgButton(dialog, IDC_ACT_READ_ONLY, tri(c.readOnly));
        Click(dialog, IDC_ACT_SELECT);
      });
      Command(ID_EDIT_SELECT);
      ASSERT_TRUE(driver.ran);
    }
    EXPECT_EQ(c.expected, Selected()) << c.pattern << " folders " << c.folders << " case " << c.matchCase;
  }
  // Deselect takes away only the matching items.
  Command(ID_EDIT_SELECT_ALL);
  DialogDriver driver([](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ACT_COMBO, "*.txt");
    Click(dialog, IDC_ACT_DESELECT);
  });
  Command(ID_EDIT_SELECT);
  EXPECT_EQ((std::vector<std::string>{"docs.txt", "gamma.doc", "readme"}), Selected());
  Command(ID_EDIT_INVERT_SELECTION);  // invert
  EXPECT_EQ((std::vector<std::string>{"alpha.txt", "beta.txt"}), Selected());
  for (const char* name : {"Alpha.TXT", "beta.txt", "gamma.doc"}) SetFileAttributesA((temp / name).c_str(), 0);
}

TEST_F(Actions, FiltersDialogChangesTheList) {
  temp.WriteFile("one.txt", "1");
  temp.WriteFile("two.log", "2");
  temp.WriteFile("ro.txt", "3");
  temp.MakeFolder("sub");
  SetFileAttributesA((temp / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  DefaultFileFilter(&GetLiveOptions().fileFilter);
  ASSERT_TRUE(Go(temp.path()));
  ASSERT_EQ(4u, Names().size());
  auto run = [&](const char* pattern, int readOnly, int radio) {
    DialogDriver driver([&](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ACT_COMBO, pattern);
      CheckDlgButton(dialog, IDC_ACT_READ_ONLY, readOnly == 1 ? BST_CHECKED : readOnly == 0 ? BST_UNCHECKED : BST_INDETERMINATE);
      CheckRadioButton(dialog, IDC_ACT_FILES_AND_FOLDERS, IDC_ACT_FILES_ONLY, radio);
      Click(dialog, IDOK);
    });
    Command(ID_VIEW_FILTERS);
    EXPECT_TRUE(driver.ran);
  };
  run("*.txt", 2, IDC_ACT_FILES_ONLY);
  EXPECT_EQ((std::vector<std::string>{"one.txt", "ro.txt"}), Names());
  run("*.txt", 1, IDC_ACT_FILES_ONLY);
  EXPECT_EQ(std::vector<std::string>{"ro.txt"}, Names());
  run("*", 2, IDC_ACT_FOLDERS_ONLY);
  EXPECT_EQ(std::vector<std::string>{"sub"}, Names());
  run("   ", 2, IDC_ACT_FILES_AND_FOLDERS);  // blank means everything
  EXPECT_EQ(4u, Names().size());
  EXPECT_STREQ("*.*", GetLiveOptions().fileFilter.patterns);
  SetFileAttributesA((temp / "ro.txt").c_str(), 0);
}

TEST_F(Actions, MarkTogglesAndMovesFocusWrapping) {
  temp.WriteFile("a.txt", "1");
  temp.WriteFile("b.txt", "2");
  ASSERT_TRUE(Go(temp.path()));
  ASSERT_EQ(2, ListView_GetItemCount(list()));
  SetFocus(list());
  ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list(), 1, LVIS_FOCUSED, LVIS_FOCUSED);
  Command(ID_EDIT_MARK);
  EXPECT_TRUE(ListView_GetItemState(list(), 1, LVIS_SELECTED));
  EXPECT_EQ(0, ListView_GetNextItem(list(), -1, LVNI_FOCUSED));  // wrapped to the first
}

// ---- File commands ----------------------------------------------------------------------------

TEST_F(Actions, GroupRenamePatterns) {
  struct Case {
    const char* pattern;
    std::vector<std::string> expected;  // empty: refused
  };
  const std::vector<Case> cases = {
      {"*.bak", {"a.bak", "b.bak", "keep.doc"}},
      {"?.log", {"a.log", "b.log", "keep.doc"}},
      {"plain", {}},  // no wildcard
      {"x.*", {}},    // both would be x.txt
      {"keep.*", {}}, // a.txt and b.txt would both be keep.txt
  };
  for (const Case& c : cases) {
    jqtest::TempFolder folder;
    folder.WriteFile("a.txt", "a");
    folder.WriteFile("b.txt", "b");
    folder.WriteFile("keep.doc", "k");
    ASSERT_TRUE(Go(folder.path()));
    SelectNames({"a.txt", "b.txt"});
    jqtest::SeamRecorder seams;
    DialogDriver driver([&](HWND dialog) {
      EXPECT_EQ(2, ListView_GetItemCount(GetDlgItem(dialog, IDC_ACT_LIST)));
      SetDlgItemTextA(dialog, IDC_ACT_COMBO, c.pattern);
      Click(dialog, IDOK);
    });
    Command(ID_FILE_GROUP_RENAME);
    ASSERT_TRUE(driver.ran);
    std::set<std::string> onDisk;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder / "*").c_str(), &data);
    do {
      if (data.cFileName[0] != '.') onDisk.insert(Lower(data.cFileName));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    if (c.expected.empty()) {
      ASSERT_EQ(1u, seams.boxes.size()) << c.pattern;
      if (!strpbrk(c.pattern, "*?")) EXPECT_EQ(LoadText(IDS_GROUP_RENAME_WILDCARD), seams.boxes[0].text);
      else EXPECT_NE(std::string::npos, seams.boxes[0].text.find(".txt")) << seams.boxes[0].text;
      EXPECT_EQ((std::set<std::string>{"a.txt", "b.txt", "keep.doc"}), onDisk);
    } else {
      EXPECT_TRUE(seams.boxes.empty()) << c.pattern;
      EXPECT_EQ(std::set<std::string>(c.expected.begin(), c.expected.end()), onDisk) << c.pattern;
    }
  }
}

// A long pattern on long names that collide: the message names the whole renamed name, which
// is longer than any path.
TEST_F(Actions, GroupRenameCollisionOfLongNamesIsReportedWhole) {
  // A short folder at the drive's root leaves room for the longest names a path can hold.
  const std::string folder = "C:\\gr" + std::to_string(GetCurrentProcessId() % 10000);
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  struct Removed {
    const std::string& folder;
    ~Removed() { jqtest::RemoveTree(folder); }
  } removed{folder};
  const std::string base(255 - folder.size() - 3, 'n');
  for (const char* extension : {".a", ".b"}) {
    const std::string path = folder + "\\" + base + extension;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path.size();
    CloseHandle(file);
  }
  const std::string pattern = "*." + std::string(MAX_PATH - 3, 'x');
  if (Go(folder)) {
    SelectNames({base + ".a", base + ".b"});
    jqtest::SeamRecorder seams;
    DialogDriver driver([&](HWND dialog) {
      EXPECT_EQ(2, ListView_GetItemCount(GetDlgItem(dialog, IDC_ACT_LIST)));
      SetDlgItemTextA(dialog, IDC_ACT_COMBO, pattern.c_str());
      Click(dialog, IDOK);
    });
    Command(ID_FILE_GROUP_RENAME);
    EXPECT_TRUE(driver.ran);
    const std::string renamed = base + pattern.substr(1);
    ASSERT_EQ(1u, seams.boxes.size());
    EXPECT_NE(std::string::npos, seams.boxes[0].text.find(renamed)) << seams.boxes[0].text.size();
    Go("C:\\");
  } else {
    ADD_FAILURE() << "cannot show " << folder;
  }
  EXPECT_EQ(2u, [&] {
    size_t found = 0;
    for (const char* extension : {".a", ".b"}) found += jqtest::FileExists(folder + "\\" + base + extension);
    return found;
  }()) << "nothing renamed";
}

TEST_F(Actions, CreateFolderNestedRefusedAndExisting) {
  temp.MakeFolder("exists");
  ASSERT_TRUE(Go(temp.path()));
  jqtest::SeamRecorder seams;
  auto run = [&](const char* name) {
    DialogDriver driver([&](HWND dialog) {
      char base[MAX_PATH] = "";
      GetDlgItemTextA(dialog, IDC_ACT_BASE_FOLDER, base, sizeof base);
      EXPECT_EQ(Lower(temp.path()), Lower(base));
      SetDlgItemTextA(dialog, IDC_ACT_COMBO, name);
      Click(dialog, IDOK);
    });
    Command(ID_FILE_NEW_FOLDER);
    EXPECT_TRUE(driver.ran);
  };
  run("one\\two\\three");
  EXPECT_TRUE(jqtest::FolderExists(temp / "one\\two\\three"));
  EXPECT_TRUE(seams.boxes.empty());
  run("bad?name");
  ASSERT_EQ(1u, seams.boxes.size());
  EXPECT_EQ(LoadText(IDS_FOLDER_NAME_CHARACTERS), seams.boxes[0].text);
  run("exists");
  ASSERT_EQ(2u, seams.boxes.size());
  EXPECT_EQ(LoadText(IDS_FOLDER_NOT_CREATED), seams.boxes[1].text);
  run("");
  ASSERT_EQ(3u, seams.boxes.size());
  EXPECT_EQ(LoadText(IDS_ENTER_FOLDER_NAME), seams.boxes[2].text);
  // The shown folder lists the new folder.
  jqtest::PumpUntil([&] { auto n = Names(); return std::find(n.begin(), n.end(), "one") != n.end(); }, 3000);
  auto names = Names();
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "one"));
}

TEST_F(Actions, CopyNamesAndPathsAsText) {
  temp.WriteFile("x1.txt", "1");
  temp.WriteFile("x2.txt", "2");
  temp.WriteFile("x3.txt", "3");
  ASSERT_TRUE(Go(temp.path()));
  SelectNames({"x1.txt", "x2.txt", "x3.txt"});
  Command(ID_EDIT_COPY_NAMES);
  EXPECT_EQ("x1.txt\r\nx2.txt\r\nx3.txt", ClipboardText(host->window, "x1.txt\r\nx2.txt\r\nx3.txt"));
  Command(ID_EDIT_COPY_PATHS);
  std::string p = Lower(temp.path());
  std::string paths = p + "\\x1.txt\r\n" + p + "\\x2.txt\r\n" + p + "\\x3.txt";
  EXPECT_EQ(paths, ClipboardText(host->window, paths));
  // From the tree: the shown folder itself.
  SetFocus(tree());
  Command(ID_EDIT_COPY_PATHS);
  EXPECT_EQ(p, ClipboardText(host->window, p));
}

TEST_F(Actions, CopyCutAndPasteThroughOwnClipboard) {
  temp.WriteFile("src\\doc.txt", "data");
  temp.WriteFile("src\\move.txt", "m");
  temp.MakeFolder("dst");
  ASSERT_TRUE(Go(temp / "src"));
  SelectNames({"doc.txt"});
  Command(ID_EDIT_COPY);  // copy
  ASSERT_TRUE(ClipboardHoldsFile(temp / "src\\doc.txt"));
  ASSERT_TRUE(Go(temp / "dst"));
  SetFocus(list());
  Command(ID_EDIT_PASTE);  // paste
  EXPECT_EQ("data", jqtest::ReadFileText(temp / "dst\\doc.txt"));
  EXPECT_TRUE(jqtest::FileExists(temp / "src\\doc.txt"));
  // Pasting into the files' own folder makes a copy under a free name.
  ASSERT_TRUE(Go(temp / "src"));
  Command(ID_EDIT_PASTE);
  int files = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((temp / "src\\*doc*.txt").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do ++files; while (FindNextFileA(find, &data));
    FindClose(find);
  }
  EXPECT_EQ(2, files);
  // Cut and paste moves, and the clipboard is emptied.
  jqtest::PumpUntil([&] { return Names().size() == 3; }, 3000);
  SelectNames({"move.txt"});
  Command(ID_EDIT_CUT);
  ASSERT_TRUE(ClipboardHoldsFile(temp / "src\\move.txt"));
  EXPECT_TRUE(ListView_GetItemState(list(), ListView_GetNextItem(list(), -1, LVNI_SELECTED), LVIS_CUT));
  ASSERT_TRUE(Go(temp / "dst"));
  Command(ID_EDIT_PASTE);
  EXPECT_TRUE(jqtest::FileExists(temp / "dst\\move.txt"));
  EXPECT_FALSE(jqtest::FileExists(temp / "src\\move.txt"));
  EXPECT_TRUE(jqtest::PumpUntil([] { return !IsClipboardFormatAvailable(CF_HDROP); }, 3000));
}

TEST_F(Actions, DeleteAndRecycleWithoutBlocking) {
  temp.WriteFile("gone.txt", "1");
  temp.WriteFile("recycled.txt", "2");
  temp.WriteFile("stays.txt", "3");
  ASSERT_TRUE(Go(temp.path()));
  SelectNames({"gone.txt"});
  Command(ID_FILE_DELETE);
  EXPECT_FALSE(jqtest::FileExists(temp / "gone.txt"));
  jqtest::PumpUntil([&] { return Names().size() == 2; }, 3000);
  SelectNames({"recycled.txt"});
  Command(ID_FILE_RECYCLE);
  EXPECT_FALSE(jqtest::FileExists(temp / "recycled.txt"));
  EXPECT_TRUE(jqtest::FileExists(temp / "stays.txt"));
  jqtest::PumpUntil([&] { return Names().size() == 1; }, 3000);
  EXPECT_EQ(std::vector<std::string>{"stays.txt"}, Names());
}

TEST_F(Actions, RenameEditsOnlyTheFocusedItem) {
  temp.WriteFile("r1.txt", "1");
  temp.WriteFile("r2.txt", "2");
  ASSERT_TRUE(Go(temp.path()));
  SelectNames({"r1.txt", "r2.txt"});
  int focused = ListView_GetNextItem(list(), -1, LVNI_FOCUSED);
  ASSERT_GE(focused, 0);
  Command(ID_FILE_RENAME);
  EXPECT_EQ(1u, ListView_GetSelectedCount(list()));
  EXPECT_TRUE(ListView_GetItemState(list(), focused, LVIS_SELECTED));
  HWND edit = ListView_GetEditControl(list());
  ASSERT_TRUE(edit);
  SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  Settle();
}

TEST_F(Actions, OpenWithAndEditStartTheirPrograms) {
  temp.WriteFile("note.txt", "1");
  temp.MakeFolder("folder");
  ASSERT_TRUE(Go(temp.path()));
  jqtest::SeamRecorder seams;
  SelectNames({"note.txt"});
  Command(ID_FILE_OPEN_WITH);
  ASSERT_EQ(1u, seams.starts.size());
  EXPECT_EQ("rundll32.exe", seams.starts[0].file);
  EXPECT_EQ(Lower("shell32.dll,OpenAs_RunDLL " + (temp / "note.txt")), Lower(seams.starts[0].parameters));
  GetLiveOptions().editor[0] = '\0';
  Command(ID_FILE_EDIT);
  ASSERT_EQ(2u, seams.starts.size());
  EXPECT_EQ("edit", seams.starts[1].verb);
  // A folder is refused by both.
  SelectNames({"folder"});
  UINT refused = RefusedCommandCount();
  Command(ID_FILE_OPEN_WITH);
  Command(ID_FILE_EDIT);
  EXPECT_EQ(2u, seams.starts.size());
  EXPECT_EQ(refused + 2, RefusedCommandCount());
}

}  // namespace

namespace {

// With JQ_ACTIONS_SHOTS set, each dialog stays up for a while so that a screenshot can be taken.
TEST_F(Actions, DialogsStayUpForScreenshots) {
  if (!getenv("JQ_ACTIONS_SHOTS")) GTEST_SKIP();
  temp.WriteFile("one.txt", "1");
  temp.WriteFile("two.txt", "2");
  ASSERT_TRUE(Go(temp.path()));
  SelectNames({"one.txt", "two.txt"});
  for (UINT command : {40075u, 40062u, 40042u, 41151u, 40180u, 40041u}) {
    SelectNames({"one.txt", "two.txt"});
    DialogDriver driver([](HWND dialog) {
      SetWindowPos(dialog, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
      printf("SHOT %lu\n", GetTickCount());
      fflush(stdout);
      jqtest::PumpUntil([] { return false; }, 3000);
    });
    Command(command);
  }
}

}  // namespace
