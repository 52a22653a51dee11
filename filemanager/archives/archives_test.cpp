// Archives in JQNavig's real main window: archives made by real tools (zip, gcab, jlha, rar
// fixtures) listed in a pane, extracted through the UnZip dialog, entries deleted, zips made and
// extended by Zip To on its worker and checked with unzip, a cancelled zip, hostile archives,
// and the engines' message tables.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "actions.h"
#include "archive_associations.h"
#include "archive_engines.h"
#include "archive_extract.h"
#include "archive_folder.h"
#include "archive_progress.h"
#include "archive_test_support.h"
#include "command_ids.h"
#include "file_list.h"
#include "frame_test_host.h"
#include "jqcomp_test_support.h"
#include "resource.h"
#include "settings_store.h"
#include "spanned_zip.h"
#include "test_support.h"
#include "vfolder_entry.h"
#include "uuencode_dialog.h"
#include "viewer_pane.h"
#include "zip_to.h"

namespace {
using jqarctest::Fixture;

jqtest::KeptRegistryKey g_keptAppDefaults(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\archives_test.exe");
const bool g_unmanagedWindows = [] {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\archives_test.exe\\X11 Driver", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
  return true;
}();

std::string Lower(std::string s) {
  CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

// Runs `driver` on each dialog the thread shows from now on, in order, from inside its modal
// loop; a dialog still open after its driver is cancelled.
class DialogDriver {
 public:
  explicit DialogDriver(std::vector<std::function<void(HWND)>> drivers) : drivers_(std::move(drivers)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &DialogDriver::Tick);
  }
  ~DialogDriver() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  size_t ran = 0;

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
    if (!self || self->ran >= self->drivers_.size() || self->busy_) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || dialog == self->last_) return;
    self->busy_ = true;
    self->last_ = dialog;
    auto driver = self->drivers_[self->ran++];
    driver(dialog);
    if (IsWindow(dialog) && IsWindowVisible(dialog) && GetWindowLongPtrA(dialog, GWLP_USERDATA) != 1)
      PostMessageA(dialog, WM_NULL, 0, 0);
    self->busy_ = false;
  }
  static inline DialogDriver* current_;
  std::vector<std::function<void(HWND)>> drivers_;
  UINT_PTR timer_ = 0;
  HWND last_ = nullptr;
  bool busy_ = false;
};

void Click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetCheck(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

class Archives : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    host = new frametest::MainWindowHost(false);
    ShowWindow(host->window, SW_SHOW);
  }
  static void TearDownTestSuite() {
    delete host;
    host = nullptr;
  }
  void SetUp() override {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(host->registry.machine(), kProductKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    std::string folder = jqtest::ProgramFolder();
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    LiveOptions& options = GetLiveOptions();
    options.showUpEntry = 0;
    options.zipConfirmDelete = 0;
    options.zipBeepWhenDone = 0;
    options.statusBarShown = 1;
    DefaultFileFilter(&options.fileFilter);
    for (int i = 0; i < 13; ++i) options.zip.values[i] = 0;
    options.zip.values[0] = 1;   // subfolders
    options.zip.values[4] = 1;   // collapsed
    options.zip.values[7] = 1;   // normal compression
    options.zip.values[8] = 1;   // keep paths
    options.zip.values[12] = 1;  // relative paths
    ActivePaneIndex = 0;
    if (!FilePanes[0].treeShown) host->Command(ID_VIEW_FOLDER_LIST);
    if (FilePanes[0].viewId != ID_VIEW_DETAILS) host->Command(ID_VIEW_DETAILS);
  }
  void TearDown() override {
    NavigatePaneToPath(0, "C:\\", TRUE);
    Settle();
  }
  HWND list() const { return FilePanes[0].list; }
  // What the panes posted, and the list's selection timer (a quarter of a second), have run.
  void Settle() { jqtest::PumpThroughQueue(300); }
  // Shows a folder (or an archive file) in pane 0 through the tree, reading folders made since
  // the tree last read them.
  bool Go(const std::string& path) {
    bool isFolder = jqtest::FolderExists(path);
    std::string folder = isFolder ? path : path.substr(0, path.rfind('\\'));
    bool ok = NavigatePaneToPath(0, folder.c_str(), TRUE) != nullptr;
    Settle();
    if (folder != path) {
      ok = NavigatePaneToPath(0, path.c_str(), TRUE) != nullptr;
      Settle();
    }
    return ok;
  }
  bool Show(const std::string& path) {
    bool found = Go(path);
    jqtest::PumpUntil([&] { return FilePanes[0].listKind == kListKindArchive && ListView_GetItemCount(list()) > 0; }, 3000);
    return found;
  }
  // The in-archive paths of the listed entries, sorted.
  std::vector<std::string> Entries() {
    std::vector<std::string> names;
    for (int i = 0; i < ListView_GetItemCount(list()); ++i) {
      FileListItem* record = GetListItemRecord(list(), i);
      if (record && record->entryPath) {
        std::string name = record->entryPath;
        std::replace(name.begin(), name.end(), '/', '\\');
        names.push_back(Lower(name));
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void SelectEntries(const std::vector<std::string>& names) {
    SetFocus(list());
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int i = 0; i < ListView_GetItemCount(list()); ++i) {
      FileListItem* record = GetListItemRecord(list(), i);
      if (!record || !record->entryPath) continue;
      std::string name = record->entryPath;
      std::replace(name.begin(), name.end(), '/', '\\');
      if (std::find(names.begin(), names.end(), Lower(name)) != names.end())
        ListView_SetItemState(list(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  // Extract through the real dialog 160 into `target`.
  void ExtractThroughDialog(const std::string& target, bool selected, bool keepPaths, bool overwrite = true,
                            std::vector<std::function<void(HWND)>> more = {}) {
    std::vector<std::function<void(HWND)>> drivers;
    drivers.push_back([&](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, target.c_str());
      CheckRadioButton(dialog, IDC_ARC_ALL_FILES, IDC_ARC_FILE_SPEC_CHOICE,
                       selected ? IDC_ARC_SELECTED_FILES : IDC_ARC_ALL_FILES);
      for (int id : {IDC_ARC_KEEP_PATHS, IDC_ARC_KEEP_PATHS_OTHER}) SetCheck(dialog, id, keepPaths);
      for (int id : {IDC_ARC_OVERWRITE, IDC_ARC_OVERWRITE_OTHER}) SetCheck(dialog, id, overwrite);
      Click(dialog, IDOK);
    });
    for (auto& d : more) drivers.push_back(d);
    DialogDriver driver(drivers);
    if (selected) SetFocus(list());
    host->Command(ID_FILE_UNZIP);
    EXPECT_GE(driver.ran, 1u);
  }
  bool WaitForZipWorker() {
    return jqtest::PumpUntil([] { return !ZipWorkerRunning() && !ArchiveBusy; }, 60000);
  }
  static inline frametest::MainWindowHost* host;
  jqtest::TempFolder temp;
};

// ---- Tables -------------------------------------------------------------------------------

TEST(ArchiveTables, EngineKindsCodesAndLibraryCodes) {
  struct Kind { uint16_t engine, archive; };
  for (Kind k : {Kind{1, 1}, {2, 1}, {3, 1}, {4, 1}, {13, 1}, {6, 2}, {7, 2}, {8, 2}, {11, 2}, {12, 2}, {15, 2},
                 {17, 2}, {5, 4}, {14, 5}, {0, 0}, {9, 0}, {16, 0}})
    EXPECT_EQ(ArchiveKindOfEngineKind(k.engine), k.archive) << k.engine;
  EXPECT_EQ(ArchiveErrorString(-5), 0u);
  EXPECT_EQ(ArchiveErrorString(0), 0u);
  EXPECT_EQ(ArchiveErrorString(-1), static_cast<UINT>(IDS_ARC_NOT_ARCHIVE));
  EXPECT_EQ(ArchiveErrorString(-27), static_cast<UINT>(IDS_ARC_GENERIC));
  // RAR codes reach a message: "not found or invalid" and "could not be completed" are codes,
  // not string numbers.
  struct Map { int code, mapped; };
  for (Map m : {Map{2, 105}, {3, 105}, {4, 106}, {5, -1}, {6, -1}, {7, -10}, {8, 108}, {9, -8}, {13, -8}})
    EXPECT_EQ(MapRarCode(m.code), m.mapped) << m.code;
  for (Map m : {Map{32785, -21}, {32786, 103}, {32790, -25}, {32793, -1}, {32809, 102}, {32800, -27}, {32784, 0},
                {32812, 0}})
    EXPECT_EQ(MapLhaCode(m.code), m.mapped) << m.code;
  for (Map m : {Map{2, 105}, {4, 106}, {9, -8}}) EXPECT_NE(ArchiveErrorString(MapRarCode(m.code)), 0u) << m.code;
}

TEST(ArchiveTables, SwitchStrings) {
  EXPECT_EQ(BuildZipSwitches(0, 1, 1, 1, 0, 0, ""), "-a -whs -.q -en -P -r -.LR ");
  EXPECT_EQ(BuildZipSwitches(1, 4, 0, 0, 1, 1, "pw"), "-m -.r -whs -.q -e0 -k -s\"pw\"");
  EXPECT_EQ(BuildUnZipSwitches(1, 1, 1), "-f -d -o -.L ");
  EXPECT_EQ(BuildUnZipSwitches(2, 0, 0), "-n -.L ");
  EXPECT_EQ(BuildUnZipSwitches(0, 0, 0), "-.L ");
}

TEST(ArchiveTables, EntryPathsThatLeaveTheTargetAreRefused) {
  struct Case { const char* name; const char* expected; };
  for (Case c : {Case{"a.txt", "a.txt"}, {"dir/sub/a.txt", "dir\\sub\\a.txt"}, {"/abs/a.txt", "abs\\a.txt"},
                 {"\\\\srv\\x", "srv\\x"}, {"..\\evil", nullptr}, {"a/../../evil", nullptr}, {"C:\\x", nullptr},
                 {"a:stream", nullptr}, {"a\x01", nullptr}, {"", nullptr}, {"dir/..", nullptr}, {"..a/b", "..a\\b"}}) {
    std::string out;
    bool ok = SafeEntryRelativePath(c.name, &out);
    EXPECT_EQ(ok, c.expected != nullptr) << c.name;
    if (ok && c.expected) {
      EXPECT_EQ(out, c.expected) << c.name;
    }
  }
  EXPECT_FALSE(IsQuotableEntryName("a\" \"b"));
  EXPECT_TRUE(IsQuotableEntryName("dir/a b.txt"));
  char archive[MAX_PATH], inner[MAX_PATH];
  EXPECT_EQ(SplitZipPath("C:\\d\\a.zip\\docs\\x.txt", archive, inner), 1);
  EXPECT_STREQ(archive, "C:\\d\\a.zip");
  EXPECT_STREQ(inner, "docs\\x.txt");
  EXPECT_EQ(SplitZipPath("C:\\d\\A.ZIP", archive, inner), 1);
  EXPECT_STREQ(inner, "");
  EXPECT_EQ(SplitZipPath("C:\\d\\a.rar", archive, inner), 0);
}

TEST(ArchiveTables, ProgressNeverDividesByZeroNorWraps) {
  EXPECT_EQ(ProgressPercent(0, 0), 100u);
  EXPECT_EQ(ProgressPercent(0, 10), 0u);
  EXPECT_EQ(ProgressPercent(5, 10), 50u);
  // A total that is a multiple of 4 GiB and sizes above 42 MB.
  EXPECT_EQ(ProgressPercent(1ull << 31, 1ull << 32), 50u);
  EXPECT_EQ(ProgressPercent(100000000, 200000000), 50u);
  EXPECT_EQ(ProgressPercent(3, 2), 150u);
}

TEST(ArchiveTables, ZipNameProposalCountsUp) {
  jqtest::TempFolder t;
  std::string base = t / "proj";
  EXPECT_EQ(FreeZipName(base), base + ".zip");
  t.WriteFile("proj.zip", "x");
  t.WriteFile("proj1.zip", "x");
  EXPECT_EQ(FreeZipName(base), base + "2.zip");
}

// ---- Archives in a pane -------------------------------------------------------------------

TEST_F(Archives, ZipListedAsFolderWithArchiveColumnsAndExtractedThroughTheDialog) {
  ASSERT_TRUE(jqt::HostAvailable());
  jqt::MakeTree(temp);
  ASSERT_EQ(jqt::Host("zip -qr tree.zip tree", nullptr, temp.path()), 0);
  std::string zip = temp / "tree.zip";
  jqtest::SeamRecorder seams;
  ASSERT_TRUE(Show(zip));
  EXPECT_EQ(FilePanes[0].listKind, static_cast<UINT>(kListKindArchive));
  EXPECT_EQ(FilePanes[0].columnSet, static_cast<UINT>(kColumnSetArchive));
  EXPECT_EQ(Lower(ArchivePath[0]), Lower(zip));
  // Folder entries are not listed.
  std::vector<std::string> expected = {"tree\\empty.dat", "tree\\random.bin", "tree\\readme.txt",
                                       "tree\\sub\\deeper\\data.bin", "tree\\sub\\notes.txt"};
  EXPECT_EQ(Entries(), expected);
  EXPECT_EQ(FilePanes[0].itemCount, 5u);
  EXPECT_EQ(FilePanes[0].totalSize, 20000u + 300000u + 5000u + 140000u);
  // The name column shows the file name; the path column the stored path.
  char text[MAX_PATH] = "";
  SelectEntries({"tree\\sub\\notes.txt"});
  int index = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
  ListView_GetItemText(list(), index, 0, text, sizeof text);
  EXPECT_STREQ(text, "notes.txt");

  // Selected entry, without paths.
  std::string out = temp / "out";
  ExtractThroughDialog(out, true, false);
  EXPECT_EQ(jqt::ReadBytes(out + "\\notes.txt"), jqt::ReadBytes(temp / "tree\\sub\\notes.txt"));
  EXPECT_FALSE(jqtest::FileExists(out + "\\readme.txt"));
  // Everything, with paths, byte for byte.
  std::string all = temp / "all";
  ExtractThroughDialog(all, false, true);
  EXPECT_EQ(jqt::Snapshot(all + "\\tree"), jqt::Snapshot(temp / "tree"));
  for (auto& box : seams.boxes) ADD_FAILURE() << "unexpected message: " << box.text;
}

TEST_F(Archives, EntriesAreViewedAndPrintedFromExtractedCopies) {
  ASSERT_TRUE(jqt::HostAvailable());
  jqt::MakeTree(temp);
  ASSERT_EQ(jqt::Host("zip -qr tree.zip tree", nullptr, temp.path()), 0);
  ASSERT_TRUE(Show(temp / "tree.zip"));
  SelectEntries({"tree\\readme.txt"});
  const std::string original = jqt::ReadBytes(temp / "tree\\readme.txt");

  // The viewer pane follows the focused entry through its extracted copy.
  host->Command(ID_VIEW_VIEWER_PANE);
  ASSERT_TRUE(jqtest::PumpUntil([] { return g_viewerPane.ViewedFile[0] != 0; }, 10000));
  std::string viewed = g_viewerPane.ViewedFile;
  EXPECT_NE(Lower(viewed).find("~~jqtemp\\readme.txt"), std::string::npos) << viewed;
  EXPECT_EQ(jqt::ReadBytes(viewed), original);

  // Print Files prints the copies of the selected entries, with the viewer held still meanwhile.
  SelectEntries({"tree\\readme.txt", "tree\\sub\\notes.txt"});
  jqtest::SeamRecorder seams;
  {
    DialogDriver driver({[&](HWND dialog) { Click(dialog, IDOK); }});
    host->Command(ID_FILE_PRINT_FILES);
    ASSERT_EQ(driver.ran, 1u);
  }
  std::vector<std::string> printed;
  for (auto& start : seams.starts)
    if (start.verb == "print") printed.push_back(start.file.substr(start.file.rfind('\\') + 1));
  std::sort(printed.begin(), printed.end());
  EXPECT_EQ(printed, (std::vector<std::string>{"notes.txt", "readme.txt"}));
  for (auto& start : seams.starts) EXPECT_TRUE(jqtest::FileExists(start.file)) << start.file;
  host->Command(ID_VIEW_VIEWER_PANE);
}

TEST_F(Archives, EmptyZipShowsAnEmptyListWithoutAMessage) {
  // The 22-byte end record alone, as "zip" leaves it after deleting the last entry.
  std::string zip = temp.WriteFile("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  jqtest::SeamRecorder seams;
  Go(zip);
  EXPECT_EQ(FilePanes[0].columnSet, static_cast<UINT>(kColumnSetArchive));
  EXPECT_EQ(ListView_GetItemCount(list()), 0);
  EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(Archives, DeletedEntryIsGoneFromTheListAndTheZip) {
  ASSERT_TRUE(jqt::HostAvailable());
  jqt::MakeTree(temp);
  ASSERT_EQ(jqt::Host("zip -qr tree.zip tree", nullptr, temp.path()), 0);
  ASSERT_TRUE(Show(temp / "tree.zip"));
  SelectEntries({"tree\\readme.txt", "tree\\sub\\notes.txt"});
  host->Command(ID_FILE_DELETE);
  std::vector<std::string> expected = {"tree\\empty.dat", "tree\\random.bin", "tree\\sub\\deeper\\data.bin"};
  EXPECT_EQ(Entries(), expected);
  std::string listing;
  ASSERT_EQ(jqt::Host("unzip -Z1 tree.zip | grep -v '/$' | sort", &listing, temp.path()), 0);
  EXPECT_EQ(listing, "tree/empty.dat\ntree/random.bin\ntree/sub/deeper/data.bin\n");
  EXPECT_EQ(jqt::Host("unzip -tq tree.zip", nullptr, temp.path()), 0);
}

// A stand-in for the sibling zip-folder product's window: records what it is told.
struct SiblingWindow {
  static inline std::vector<std::string> told;
  static inline int asked = 0;
  HWND window = nullptr;
  SiblingWindow() {
    told.clear();
    asked = 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kSiblingWindowClass;
    RegisterClassA(&wc);
    window = CreateWindowExA(0, kSiblingWindowClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~SiblingWindow() { DestroyWindow(window); }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
      auto* data = reinterpret_cast<COPYDATASTRUCT*>(lParam);
      if (data->dwData == 0 && data->cbData == MAX_PATH && reinterpret_cast<HWND>(wParam) == g_mainWindow)
        told.push_back(static_cast<const char*>(data->lpData));
      return 1;
    }
    if (message == kSiblingArchiveModeMessage) {
      ++asked;
      return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
};

TEST_F(Archives, ZipToMakesAZipThatZipToExtendsAndUnzipReads) {
  ASSERT_TRUE(jqt::HostAvailable());
  SiblingWindow sibling;
  temp.WriteFile("src\\one.txt", jqt::Text(40000, 7));
  temp.WriteFile("src\\two.bin", jqt::PseudoRandom(50000, 8));
  temp.WriteFile("src\\folder\\three.txt", jqt::Text(3000, 9));
  ASSERT_TRUE(Go(temp / "src"));
  std::string zip = temp / "made.zip";
  SetFocus(list());
  ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
  for (int i = 0; i < ListView_GetItemCount(list()); ++i) {
    char name[MAX_PATH] = "";
    ListView_GetItemText(list(), i, 0, name, sizeof name);
    if (Lower(name).find("one") == 0 || Lower(name) == "folder")
      ListView_SetItemState(list(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  SetFocus(list());
  {
    DialogDriver driver({[&](HWND dialog) {
      char proposed[MAX_PATH] = "";
      GetDlgItemTextA(dialog, IDC_ARC_TARGET, proposed, sizeof proposed);
      EXPECT_EQ(Lower(proposed), Lower(temp / "src\\src.zip"));
      Click(dialog, IDC_ARC_HELP);
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, zip.c_str());
      Click(dialog, IDOK);
    }});
    jqtest::SeamRecorder seams;
    host->Command(ID_FILE_ZIP_TO);
    ASSERT_EQ(driver.ran, 1u);
    ASSERT_EQ(seams.helpCalls.size(), 1u);
    EXPECT_NE(seams.helpCalls[0].find("#" + std::to_string(HELP_CONTEXT) + ":16"), std::string::npos) << seams.helpCalls[0];
  }
  ASSERT_TRUE(WaitForZipWorker());
  std::string listing;
  ASSERT_EQ(jqt::Host("unzip -Z1 made.zip | sort", &listing, temp.path()), 0);
  EXPECT_EQ(listing, "folder/three.txt\none.txt\n");
  // The sibling product heard of the new zip before and was asked after.
  EXPECT_EQ(SiblingWindow::told, std::vector<std::string>{zip});
  EXPECT_EQ(SiblingWindow::asked, 1);
  // A second Zip To onto the same zip adds to it.
  SetFocus(list());
  ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
  for (int i = 0; i < ListView_GetItemCount(list()); ++i) {
    char name[MAX_PATH] = "";
    ListView_GetItemText(list(), i, 0, name, sizeof name);
    if (Lower(name).find("two") == 0) ListView_SetItemState(list(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  {
    DialogDriver driver({[&](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, zip.c_str());
      Click(dialog, IDOK);
    }});
    host->Command(ID_FILE_ZIP_TO);
  }
  ASSERT_TRUE(WaitForZipWorker());
  ASSERT_EQ(jqt::Host("unzip -Z1 made.zip | sort", &listing, temp.path()), 0);
  EXPECT_EQ(listing, "folder/three.txt\none.txt\ntwo.bin\n");
  EXPECT_EQ(SiblingWindow::told.size(), 1u) << "an existing zip is not announced";
  EXPECT_EQ(SiblingWindow::asked, 2);
  ASSERT_EQ(jqt::Host("mkdir x && cd x && unzip -q ../made.zip", nullptr, temp.path()), 0);
  EXPECT_EQ(jqt::Snapshot(temp / "x"), jqt::Snapshot(temp / "src"));
}

TEST_F(Archives, CancelledZipLeavesNoPartialArchive) {
  temp.WriteFile("big\\a.bin", jqt::PseudoRandom(48 << 20, 1));
  temp.WriteFile("big\\b.bin", jqt::PseudoRandom(48 << 20, 2));
  GetLiveOptions().zip.values[7] = 0;  // maximum compression: the slowest
  ASSERT_TRUE(Go(temp / "big"));
  SetFocus(list());
  ListView_SetItemState(list(), -1, LVIS_SELECTED, LVIS_SELECTED);
  std::string zip = temp / "cancelled.zip";
  jqtest::SeamRecorder seams;
  {
    DialogDriver driver({[&](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, zip.c_str());
      Click(dialog, IDOK);
    }});
    host->Command(ID_FILE_ZIP_TO);
  }
  ASSERT_TRUE(jqtest::PumpUntil([] { return ArchiveBusy != 0 || !ZipWorkerRunning(); }, 10000));
  ASSERT_TRUE(ZipWorkerRunning()) << "the zip ended before it could be cancelled";
  // The Cancel button over the status bar, clicked as a user clicks it.
  ASSERT_TRUE(jqtest::PumpUntil([] { return g_frame.archiveCancelButton != nullptr || !ZipWorkerRunning(); }, 5000));
  ASSERT_TRUE(g_frame.archiveCancelButton) << "the zip ended before it could be cancelled";
  SendMessageA(g_frame.archiveCancelButton, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageA(g_frame.archiveCancelButton, WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(WaitForZipWorker());
  EXPECT_FALSE(jqtest::FileExists(zip));
  std::vector<std::string> leftovers;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((temp / "*.*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) leftovers.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
  }
  EXPECT_TRUE(leftovers.empty()) << leftovers.size() << " files left, first " << leftovers[0];
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, LoadText(IDS_ARC_CANCELLED));
  EXPECT_EQ(ArchiveCancelled, 0u);
  EXPECT_EQ(g_frame.archiveCancelButton, nullptr);
}

TEST_F(Archives, HostileZipLeavesNothingOutsideTheTarget) {
  ASSERT_TRUE(jqt::HostAvailable());
  ASSERT_EQ(jqt::Host("python3 -c \"import zipfile\n"
                      "z = zipfile.ZipFile('hostile.zip', 'w')\n"
                      "z.writestr('../escaped.txt', 'x')\n"
                      "z.writestr('/rooted.txt', 'x')\n"
                      "z.writestr('ok/inside.txt', 'fine')\n"
                      "z.close()\"",
                      nullptr, temp.path()),
            0);
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDOK, IDOK, IDOK};
  ASSERT_TRUE(Show(temp / "hostile.zip"));
  std::string target = temp / "t\\inner";
  ExtractThroughDialog(target, false, true);
  EXPECT_FALSE(jqtest::FileExists(temp / "t\\escaped.txt"));
  EXPECT_FALSE(jqtest::FileExists(temp / "escaped.txt"));
  EXPECT_FALSE(jqtest::FileExists("C:\\rooted.txt"));
  for (const std::string& path : jqt::AllPaths(temp / "t"))
    EXPECT_EQ(Lower(path).find("inner"), 0u) << path << " lies outside the target";
}

// The other kinds: listed by the zip engine or jqrar, extracted entry by entry by their own
// libraries, with paths kept (the folder part is passed, never doubled) and without.
TEST_F(Archives, CabLhaAndRarListedAndExtractedWithAndWithoutPaths) {
  struct Case { const char* archive; const char* source; std::vector<std::string> entries; };
  std::vector<Case> cases = {
      {"cab/mszip.cab", "src", {"dir\\sub\\data.bin", "dir\\text.txt", "empty.txt", "hello.txt"}},
      {"lha/lh5.lzh", "src", {"dir\\sub\\data.bin", "dir\\text.txt", "empty.txt", "hello.txt"}},
      {"rar/rar5_compressed.rar", "rar/expected/rar5_compressed", {}},
  };
  jqtest::SeamRecorder seams;
  // Copies in the test's own folder, all made before the pane reads it.
  for (const Case& c : cases) {
    std::string name = c.archive;
    ASSERT_TRUE(CopyFileA(Fixture(c.archive).c_str(), (temp / name.substr(name.rfind('/') + 1)).c_str(), FALSE));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    std::string name = c.archive;
    name = name.substr(name.rfind('/') + 1);
    std::string copy = temp / name;
    ASSERT_TRUE(Show(copy));
    std::vector<std::string> entries = Entries();
    if (!c.entries.empty()) {
      EXPECT_EQ(entries, c.entries);
    }
    ASSERT_FALSE(entries.empty());
    std::string kept = temp / (name + ".kept");
    ExtractThroughDialog(kept, false, true);
    std::string flat = temp / (name + ".flat");
    ExtractThroughDialog(flat, false, false);
    for (const std::string& entry : entries) {
      if (entry == "testlink") continue;  // links are never created
      std::string expected = jqt::ReadBytes(Fixture(std::string(c.source) + "/" + entry));
      EXPECT_EQ(jqt::ReadBytes(kept + "\\" + entry), expected) << entry;
      std::string plain = entry.substr(entry.rfind('\\') == std::string::npos ? 0 : entry.rfind('\\') + 1);
      EXPECT_EQ(jqt::ReadBytes(flat + "\\" + plain), expected) << entry;
    }
    for (const std::string& path : jqt::AllPaths(kept))
      EXPECT_EQ(path.find("dir\\sub\\dir"), std::string::npos) << "doubled path " << path;
  }
  for (auto& box : seams.boxes)
    if (box.text.find("testlink") == std::string::npos) ADD_FAILURE() << "unexpected message: " << box.text;
}

TEST_F(Archives, OverwriteNoSkipsOnlyThatEntryAndKeepsTheOldFile) {
  std::string copy = temp / "mszip.cab";
  ASSERT_TRUE(CopyFileA(Fixture("cab/mszip.cab").c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(Show(copy));
  std::string target = temp / "ow";
  temp.WriteFile("ow\\hello.txt", "keep me");
  temp.WriteFile("ow\\empty.txt", "replace me");
  std::vector<std::string> answers;
  auto answer = [&](HWND dialog) {
    char text[600] = "";
    GetDlgItemTextA(dialog, IDC_ARC_QUESTION, text, sizeof text);
    std::string question = Lower(text);
    answers.push_back(question);
    Click(dialog, question.find("hello.txt") != std::string::npos ? IDC_ARC_NO : IDC_ARC_YES);
  };
  ExtractThroughDialog(target, false, false, false, {answer, answer});
  EXPECT_EQ(answers.size(), 2u);
  EXPECT_EQ(jqt::ReadBytes(target + "\\hello.txt"), "keep me");
  EXPECT_EQ(jqt::ReadBytes(target + "\\empty.txt"), "");
  EXPECT_EQ(jqt::ReadBytes(target + "\\text.txt"), jqt::ReadBytes(Fixture("src/dir/text.txt")));
}

TEST_F(Archives, UnknownFileGivesTheNotAnArchiveMessageWithItsPath) {
  std::string fake = temp.WriteFile("fake.zip", "this is no archive at all");
  jqtest::SeamRecorder seams;
  Go(fake);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_NE(seams.boxes[0].text.find(fake), std::string::npos) << seams.boxes[0].text;
  EXPECT_EQ(ListView_GetItemCount(list()), 0);
}

}  // namespace

namespace {

std::string ClassesValue(const std::string& path, const char* name = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
  char data[400] = "";
  DWORD size = sizeof data - 1;
  std::string out = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS
                        ? data
                        : "<none>";
  RegCloseKey(key);
  return out;
}

TEST(ArchiveAssociations, WrittenTwiceAlikeAndRemovedInTheClassesRoot) {
  std::vector<std::unique_ptr<jqtest::KeptRegistryKey>> kept;
  for (const char* extension : kAssociatedExtensions)
    kept.push_back(std::make_unique<jqtest::KeptRegistryKey>(HKEY_CLASSES_ROOT, extension));
  for (const char* path : {"Quorvanel.Archive", "CLSID\\{26E7F082-EB97-11d3-9239-006008D2D00F}",
                           "CLSID\\{26E7F081-EB97-11d3-9239-006008D2D00F}"})
    kept.push_back(std::make_unique<jqtest::KeptRegistryKey>(HKEY_CLASSES_ROOT, path));
  // A key taken over loses what it held.
  HKEY shellNew = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".cab\\ShellNew", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &shellNew,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(shellNew);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(WriteArchiveAssociations(HKEY_CLASSES_ROOT, "C:\\Program Files\\Quorvanel\\", 1, 1), 1);
    EXPECT_EQ(ClassesValue(".zip"), "Quorvanel.Archive");
    EXPECT_EQ(ClassesValue(".zip", "Content Type"), "application/zip");
    EXPECT_EQ(ClassesValue(".rar", "Content Type"), "application/rar");
    EXPECT_EQ(ClassesValue(".taz"), "Quorvanel.Archive");
    EXPECT_EQ(ClassesValue("Quorvanel.Archive\\DefaultIcon"), "C:\\Program Files\\Quorvanel\\JQNavig.exe,4");
    EXPECT_EQ(ClassesValue("Quorvanel.Archive\\shell\\open\\command"), "C:\\Program Files\\Quorvanel\\JQNavig.exe %1");
    EXPECT_EQ(ClassesValue("Quorvanel.Archive\\shellex\\DropHandler"), "{26E7F082-EB97-11d3-9239-006008D2D00F}");
    EXPECT_EQ(ClassesValue("CLSID\\{26E7F081-EB97-11d3-9239-006008D2D00F}\\InProcServer32", "ThreadingModel"),
              "Apartment");
    EXPECT_EQ(ClassesValue(".cab\\ShellNew"), "<none>");
  }
  RemoveArchiveAssociations(HKEY_CLASSES_ROOT);
  EXPECT_EQ(ClassesValue(".zip"), "<none>");
  EXPECT_EQ(ClassesValue("Quorvanel.Archive"), "<none>");
  EXPECT_EQ(ClassesValue("CLSID\\{26E7F082-EB97-11d3-9239-006008D2D00F}"), "<none>");
}

}  // namespace

namespace {

// The text of a message box (its static control).
std::string BoxText(HWND box) {
  char text[2048] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

TEST_F(Archives, UUEncodeThroughTheDialogDecodesWithUudecodeAndTheDecodeTool) {
  ASSERT_TRUE(jqt::HostAvailable());
  std::string data = jqt::PseudoRandom(5000, 11);
  temp.WriteFile("src\\report.bin", data);
  ASSERT_TRUE(Go(temp / "src"));
  auto selectReport = [&] {
    SetFocus(list());
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int i = 0; i < ListView_GetItemCount(list()); ++i) {
      char name[MAX_PATH] = "";
      ListView_GetItemText(list(), i, 0, name, sizeof name);
      if (Lower(name).find("report") == 0) ListView_SetItemState(list(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  };
  // One part, written to a folder typed in the dialog, read back by the host's uudecode.
  selectReport();
  std::string whole = temp / "whole";
  {
    DialogDriver driver({[&](HWND dialog) {
      char shown[MAX_PATH] = "";
      GetDlgItemTextA(dialog, IDC_ARC_ARCHIVE_NAME, shown, sizeof shown);
      EXPECT_EQ(Lower(shown), Lower(temp / "src\\report.bin"));
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, whole.c_str());
      SetCheck(dialog, IDC_ARC_KEEP_PATHS, false);
      Click(dialog, IDOK);
    }});
    host->Command(ID_FILE_UUENCODE);
    ASSERT_EQ(driver.ran, 1u);
  }
  ASSERT_TRUE(jqtest::FileExists(whole + "\\report.uue"));
  ASSERT_EQ(jqt::Host("uudecode -o back.bin report.uue", nullptr, whole), 0);
  EXPECT_EQ(jqt::ReadBytes(whole + "\\back.bin"), data);
  // Split at 1 KB into parts beside the source, joined again by the decode tool of jqshext.dll.
  selectReport();
  {
    DialogDriver driver({[&](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, (temp / "parts").c_str());
      SetCheck(dialog, IDC_ARC_KEEP_PATHS, true);
      SendDlgItemMessageA(dialog, IDC_ARC_SPLIT_SPIN, UDM_SETPOS32, 0, 1);
      Click(dialog, IDOK);
    }});
    host->Command(ID_FILE_UUENCODE);
  }
  EXPECT_EQ(UUEncodeSplitBytes(true, 1), 1024u);
  EXPECT_EQ(UUEncodeSplitBytes(false, 9), 0u);
  ASSERT_TRUE(jqtest::FileExists(temp / "parts\\report.u01"));
  ASSERT_TRUE(jqtest::FileExists(temp / "parts\\report.u05"));
  for (int part = 1; part <= 9; ++part) {
    std::string name = temp / ("parts\\report.u0" + std::to_string(part));
    if (jqtest::FileExists(name)) {
      EXPECT_LE(jqt::ReadBytes(name).size(), 1024u) << name;
    }
  }
  ASSERT_TRUE(Go(temp / "parts"));
  SetFocus(list());
  ListView_SetItemState(list(), -1, LVIS_SELECTED, LVIS_SELECTED);
  std::string said;
  {
    DialogDriver driver({[&](HWND box) {
      said = BoxText(box);
      Click(box, IDOK);
    }});
    host->Command(ID_TOOLS_SHELL_EXT_8);  // decode files
  }
  EXPECT_EQ(jqt::ReadBytes(temp / "parts\\report.bin"), data) << said;
}

TEST_F(Archives, IntegrityToolTellsAGoodZipFromADamagedOne) {
  ASSERT_TRUE(jqt::HostAvailable());
  jqt::MakeTree(temp);
  ASSERT_EQ(jqt::Host("zip -qr good.zip tree && cp good.zip bad.zip && "
                      "printf 'XXXXXXXX' | dd of=bad.zip bs=1 seek=20000 conv=notrunc 2>/dev/null",
                      nullptr, temp.path()),
            0);
  ASSERT_TRUE(Go(temp.path()));
  SetFocus(list());
  ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
  for (int i = 0; i < ListView_GetItemCount(list()); ++i) {
    char name[MAX_PATH] = "";
    ListView_GetItemText(list(), i, 0, name, sizeof name);
    if (Lower(name).find("good") == 0 || Lower(name).find("bad") == 0)
      ListView_SetItemState(list(), i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  std::string said;
  {
    DialogDriver driver({[&](HWND box) {
      said = BoxText(box);
      Click(box, IDOK);
    }});
    host->Command(ID_TOOLS_SHELL_EXT_6);  // test zip integrity
    ASSERT_EQ(driver.ran, 1u);
  }
  std::string lower = Lower(said);
  size_t good = lower.find("good.zip"), bad = lower.find("bad.zip");
  ASSERT_NE(good, std::string::npos) << said;
  ASSERT_NE(bad, std::string::npos) << said;
  std::string goodLine = lower.substr(good, lower.find('\n', good) - good);
  std::string badLine = lower.substr(bad, lower.find('\n', bad) - bad);
  EXPECT_EQ(goodLine.find("-"), std::string::npos) << goodLine;
  EXPECT_NE(badLine.find("-"), std::string::npos) << "an error code is shown: " << badLine;
}

}  // namespace

namespace {

TEST(SpannedZip, SingleDiskSpannedZipBecomesAnOrdinaryZip) {
  ASSERT_TRUE(jqt::HostAvailable());
  jqtest::TempFolder t;
  // A zip in the spanned form: the marker first, every offset 4 further on.
  ASSERT_EQ(jqt::Host("python3 -c \"import zipfile, struct\n"
                      "z = zipfile.ZipFile('plain.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                      "z.writestr('a.txt', 'alpha ' * 500)\n"
                      "z.writestr('dir/b.txt', 'beta ' * 300)\n"
                      "z.close()\n"
                      "d = bytearray(open('plain.zip', 'rb').read())\n"
                      "e = d.rfind(b'PK\\\\x05\\\\x06')\n"
                      "cd = struct.unpack_from('<I', d, e + 16)[0]\n"
                      "n = struct.unpack_from('<H', d, e + 10)[0]\n"
                      "p = cd\n"
                      "for i in range(n):\n"
                      "  off = struct.unpack_from('<I', d, p + 42)[0]\n"
                      "  struct.pack_into('<I', d, p + 42, off + 4)\n"
                      "  p += 46 + sum(struct.unpack_from('<HHH', d, p + 28))\n"
                      "struct.pack_into('<I', d, e + 16, cd + 4)\n"
                      "open('spanned.zip', 'wb').write(b'PK\\\\x07\\\\x08' + bytes(d))\n"
                      "open('other.zip', 'wb').write(bytes(d))\"",
                      nullptr, t.path()),
            0);
  std::string spanned = t / "spanned.zip";
  std::string before = jqt::ReadBytes(spanned);
  ASSERT_EQ(before.compare(0, 4, "PK\x07\x08"), 0);
  EXPECT_EQ(FixSingleDiskSpannedZip(spanned.c_str()), 1);
  std::string after = jqt::ReadBytes(spanned);
  ASSERT_EQ(after.size(), before.size());
  // The first entry's data stays where it was.
  EXPECT_EQ(after.substr(4 + 30 + 5, 100), before.substr(4 + 30 + 5, 100));
  EXPECT_EQ(after.compare(0, 4, "PK\x03\x04"), 0);
  EXPECT_EQ(jqt::Host("unzip -tq spanned.zip", nullptr, t.path()), 0);
  // Not spanned: left as it is.
  std::string other = jqt::ReadBytes(t / "other.zip");
  EXPECT_EQ(FixSingleDiskSpannedZip((t / "other.zip").c_str()), 0);
  EXPECT_EQ(jqt::ReadBytes(t / "other.zip"), other);
  uint64_t total = 0, free = 0;
  EXPECT_EQ(GetDriveSpace(2, "C:\\", &total), 1);
  EXPECT_EQ(GetDriveSpace(3, "C:\\", &free), 1);
  EXPECT_GE(total, free);
  EXPECT_EQ(GetDriveSpace(2, "C:", &total), 0);
  EXPECT_EQ(GetDriveSpace(4, "C:\\", &total), 0);
}

}  // namespace

namespace {

TEST_F(Archives, RemoveAfterExtractKeepsTheEntryAnsweredNo) {
  ASSERT_TRUE(jqt::HostAvailable());
  jqt::MakeTree(temp);
  ASSERT_EQ(jqt::Host("zip -qr tree.zip tree", nullptr, temp.path()), 0);
  std::string out = temp / "out";
  temp.WriteFile("out\\readme.txt", "older copy");
  ASSERT_TRUE(Show(temp / "tree.zip"));
  std::vector<std::function<void(HWND)>> drivers;
  drivers.push_back([&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ARC_TARGET, out.c_str());
    CheckRadioButton(dialog, IDC_ARC_ALL_FILES, IDC_ARC_FILE_SPEC_CHOICE, IDC_ARC_ALL_FILES);
    SetCheck(dialog, IDC_ARC_KEEP_PATHS, false);
    SetCheck(dialog, IDC_ARC_OVERWRITE, false);
    SetCheck(dialog, IDC_ARC_CHECK_1006, true);
    Click(dialog, IDOK);
  });
  drivers.push_back([](HWND question) { Click(question, IDC_ARC_NO); });
  {
    DialogDriver driver(drivers);
    host->Command(ID_FILE_UNZIP);
    EXPECT_EQ(driver.ran, 2u);
  }
  EXPECT_EQ(jqt::ReadBytes(out + "\\readme.txt"), "older copy");
  EXPECT_EQ(jqt::ReadBytes(out + "\\notes.txt"), jqt::ReadBytes(temp / "tree\\sub\\notes.txt"));
  std::string listing;
  ASSERT_EQ(jqt::Host("unzip -Z1 tree.zip | grep -v '/$'", &listing, temp.path()), 0);
  EXPECT_EQ(listing, "tree/readme.txt\n") << "only the entry that was not extracted stays";
  EXPECT_EQ(Entries(), std::vector<std::string>{"tree\\readme.txt"});
}

}  // namespace
