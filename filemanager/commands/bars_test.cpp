// The main window's bars and menus: the coolbar and its stored layout, the toolbar's stored
// layout, the launch bar (defaults, dropped files, runs through the seam, stored bytes, the
// customise dialog), and the Favorites and Start Menu menus over test folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "coolbar.h"
#include "favorites_commands.h"
#include "folder_menu.h"
#include "folder_watch.h"
#include "frame_test_host.h"
#include "launch_bar.h"
#include "launch_commands.h"
#include "le_bytes.h"
#include "pidl.h"
#include "resource.h"
#include "settings_store.h"
#include "shortcut_file.h"
#include "test_support.h"
#include "toolbar.h"

using namespace jqtest;

namespace {

std::vector<uint8_t> Bytes(const char* name) {
  DWORD size = 0;
  HKEY key = OpenSettingsSubkey(nullptr, KEY_QUERY_VALUE, false);
  if (!key) return {};
  LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || !size) return {};
  std::vector<uint8_t> b(size);
  ReadSettingBinary(name, b.data(), &size);
  b.resize(size);
  return b;
}

void PutBytes(const char* name, const std::vector<uint8_t>& b) {
  EnsureSettingsKey(1);
  WriteSettingBinary(name, b.data(), static_cast<DWORD>(b.size()));
}

std::vector<uint8_t> Noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> b(n);
  for (auto& x : b) x = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  return b;
}

std::vector<uint32_t> BandIds() {
  std::vector<uint32_t> ids;
  int n = static_cast<int>(SendMessageA(g_frame.coolbar, RB_GETBANDCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    REBARBANDINFOA info{};
    info.cbSize = REBARBANDINFOA_V6_SIZE;
    info.fMask = RBBIM_ID;
    SendMessageA(g_frame.coolbar, RB_GETBANDINFOA, i, reinterpret_cast<LPARAM>(&info));
    ids.push_back(info.wID);
  }
  return ids;
}

std::vector<uint8_t> CoolbarImage(std::initializer_list<CoolbarBand> bands) {
  CoolbarLayout layout{};
  int i = 0;
  for (const CoolbarBand& b : bands) layout.bands[i++] = b;
  uint8_t bytes[kCoolbarValueSize];
  EncodeCoolbarLayout(layout, bytes);
  return std::vector<uint8_t>(bytes, bytes + sizeof bytes);
}

std::vector<std::string> Labels() {
  std::vector<std::string> out;
  for (LaunchButton* b = LaunchButtonList(); b; b = b->next) out.push_back(b->label ? b->label : "");
  return out;
}

// An install folder holding the suite's programs, recorded as InstallDir of the test's machine key.
struct InstallFolder {
  TempFolder temp;
  std::vector<std::string> files;
  InstallFolder(std::vector<std::string> names) : files(std::move(names)) {}
  // Inside the host's registry, before its window is made.
  void Record() {
    for (const std::string& f : files) temp.WriteFile(f, "MZ");
    HKEY key = nullptr;
    RegCreateKeyExA(seams::MachineRoot(), "Software\\Belmoor\\Quorvanel\\CurrentVersion", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string dir = temp.path() + "\\";
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegCloseKey(key);
  }
};

frametest::MainWindowHost::Prepare Prep(std::function<void()> run) { return {std::move(run)}; }

// A stored launch bar without buttons.
void EmptyLaunchBar() { PutBytes(kLaunchBarValue, {0, 0, 0, 0}); }

// Runs `act` on the first dialog that the main window's thread shows, from a timer.
std::function<void(HWND)> pendingDialogAction;

BOOL CALLBACK FindVisibleDialog(HWND w, LPARAM out) {
  char cls[16] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK RunPendingDialogAction(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog || !pendingDialogAction) return;
  KillTimer(nullptr, id);
  auto run = std::move(pendingDialogAction);
  pendingDialogAction = nullptr;
  run(dialog);
}

void OnDialog(std::function<void(HWND)> act) {
  pendingDialogAction = std::move(act);
  SetTimer(nullptr, 0, 50, RunPendingDialogAction);
}

}  // namespace

// ---- Coolbar -------------------------------------------------------------------------------

TEST(Coolbar, StoredLayoutIsCheckedBeforeUse) {
  CoolbarLayout layout;
  struct Case { const char* what; std::vector<uint8_t> bytes; bool good; };
  const Case cases[] = {
      {"order 3 1 2 4", CoolbarImage({{3, 200, 1}, {1, 300, 0}, {2, 90, 1}, {4, 150, 1}}), true},
      {"id twice", CoolbarImage({{1, 200, 1}, {1, 300, 0}, {2, 90, 1}, {4, 150, 1}}), false},
      {"id 0", CoolbarImage({{0, 200, 1}, {1, 300, 0}, {2, 90, 1}, {4, 150, 1}}), false},
      {"id 5", CoolbarImage({{5, 200, 1}, {1, 300, 0}, {2, 90, 1}, {4, 150, 1}}), false},
      {"break 7", CoolbarImage({{3, 200, 7}, {1, 300, 0}, {2, 90, 1}, {4, 150, 1}}), false},
      {"width 2^31", CoolbarImage({{3, 0x80000000u, 1}, {1, 300, 0}, {2, 90, 1}, {4, 150, 1}}), false},
      {"short", std::vector<uint8_t>(40, 1), false},
      {"random", Noise(48, 7), false},
  };
  for (const Case& c : cases) {
    DefaultCoolbarLayout(&layout);
    EXPECT_EQ(DecodeCoolbarLayout(c.bytes.data(), c.bytes.size(), &layout), c.good) << c.what;
    if (c.good) {
      EXPECT_EQ(layout.bands[0].id, 3u);
      EXPECT_EQ(layout.bands[0].width, 200u);
      EXPECT_EQ(layout.bands[1].breaks, 0u);
    } else {
      EXPECT_EQ(layout.bands[0].id, 1u) << c.what << ": untouched";
    }
  }
}

TEST(Coolbar, LayoutIsSavedRestoredAndRepaired) {
  {
    TestRegistry registry;
    // A corrupt value gives the default layout.
    PutBytes(kCoolbarValue, Noise(48, 99));
    LoadCoolbarLayout();
    for (uint32_t i = 0; i < 4; ++i) {
      EXPECT_EQ(CurrentCoolbarLayout().bands[i].id, i + 1);
      EXPECT_EQ(CurrentCoolbarLayout().bands[i].width, 150u);
    }
  }
  {
    frametest::MainWindowHost host(Prep([] {
      PutBytes(kCoolbarValue, CoolbarImage({{3, 260, 1}, {1, 400, 0}, {2, 180, 1}, {4, 150, 1}}));
      GlobalSettings g;
      DefaultGlobalSettings(&g);
      g.resizableToolbar = 1;
      g.launchBarShown = 1;
      SaveGlobalSettings(g);
    }));
    ASSERT_TRUE(g_frame.coolbar);
    ASSERT_TRUE(g_frame.barsInCoolbar);
    EXPECT_EQ(GetParent(g_frame.launchBar), g_frame.coolbar);
    std::vector<uint32_t> ids = BandIds();
    ASSERT_GE(ids.size(), 3u);
    EXPECT_EQ(ids[0], 3u) << "the launch bar first";
    EXPECT_EQ(ids[1], 1u);
    EXPECT_EQ(ids[2], 2u);
    EXPECT_FALSE(GetWindowLongPtrA(g_frame.toolbar, GWL_STYLE) & TBSTYLE_WRAPABLE);
    // Hide the launch bar: its band goes, its stored width and break stay.
    host.Command(ID_VIEW_LAUNCH_BAR);
    EXPECT_EQ(BandIds().size(), ids.size() - 1);
    SaveCoolbarLayout();
    std::vector<uint8_t> stored = Bytes(kCoolbarValue);
    ASSERT_EQ(stored.size(), 48u);
    bool found = false;
    for (int i = 0; i < 4; ++i)
      if (le::GetU32(&stored[12 * i]) == 3) {
        found = true;
        EXPECT_EQ(le::GetU32(&stored[12 * i + 4]), 260u);
        EXPECT_EQ(le::GetU32(&stored[12 * i + 8]), 1u);
      }
    EXPECT_TRUE(found);
    // The option off: the bars leave the rebar and wrap as their options say.
    LiveOptions& o = GetLiveOptions();
    o.resizableToolbar = 0;
    o.toolbarScrolls = 1;
    o.driveBarScrolls = 0;
    UpdateBarStylesForCoolbar();
    EXPECT_FALSE(g_frame.barsInCoolbar);
    EXPECT_EQ(GetParent(g_frame.toolbar), host.window);
    EXPECT_FALSE(IsWindowVisible(g_frame.coolbar));
    EXPECT_TRUE(GetWindowLongPtrA(g_frame.toolbar, GWL_STYLE) & TBSTYLE_WRAPABLE);
    EXPECT_FALSE(GetWindowLongPtrA(g_frame.driveBar, GWL_STYLE) & TBSTYLE_WRAPABLE);
    EXPECT_TRUE(g_frame.toolbarWraps);
    EXPECT_FALSE(g_frame.driveBarWraps);
    // And the drive bar's wrap option works outside the coolbar.
    o.driveBarScrolls = 1;
    UpdateBarStylesForCoolbar();
    EXPECT_TRUE(GetWindowLongPtrA(g_frame.driveBar, GWL_STYLE) & TBSTYLE_WRAPABLE);
    EXPECT_TRUE(g_frame.driveBarWraps);
  }
}

// ---- Toolbar -------------------------------------------------------------------------------

TEST(ToolbarStoredLayout, DamagedCurrentLayoutGivesTheDefaultButtons) {
  frametest::MainWindowHost host(Prep([] { PutBytes(kToolbarCurrentValue, Noise(4096, 2026)); }));
  int count = static_cast<int>(SendMessageA(g_frame.toolbar, TB_BUTTONCOUNT, 0, 0));
  ASSERT_EQ(count, kDefaultToolbarButtonCount);
  int real = 0;
  for (int i = 0; i < count; ++i) {
    TBBUTTON b{};
    SendMessageA(g_frame.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(b.idCommand, kDefaultToolbarButtons[i].idCommand) << i;
    if (!(b.fsStyle & TBSTYLE_SEP)) ++real;
  }
  EXPECT_EQ(real, kDefaultToolbarRealButtons);
}

// ---- Launch bar ----------------------------------------------------------------------------

TEST(LaunchBar, DefaultsComeFromTheInstallFolderInReverseOrder) {
  InstallFolder install({"JQBar.exe", "Voltaly.exe", "JQSeek.exe"});
  frametest::MainWindowHost host(Prep([&] { install.Record(); }));
  std::vector<std::string> labels = Labels();
  auto pos = [&](UINT id) {
    std::string text = frametest::LoadText(id);
    for (size_t i = 0; i < labels.size(); ++i)
      if (labels[i] == text) return static_cast<int>(i);
    return -1;
  };
  int seek = pos(IDS_LAUNCH_SEEK), voltaly = pos(IDS_LAUNCH_VOLTALY), bar = pos(IDS_LAUNCH_TOOLBAR);
  ASSERT_GE(seek, 0);
  ASSERT_GE(voltaly, 0);
  ASSERT_GE(bar, 0);
  EXPECT_LT(seek, voltaly);
  EXPECT_LT(voltaly, bar);
  EXPECT_EQ(pos(IDS_LAUNCH_SYNC), -1) << "not in the install folder";
  EXPECT_EQ(static_cast<int>(SendMessageA(g_frame.launchBar, TB_BUTTONCOUNT, 0, 0)), CountLaunchButtons());

  // Each runs from the install folder with no parameters.
  SeamRecorder seams;
  struct Want { int index; const char* file; };
  for (Want w : {Want{bar, "JQBar.exe"}, Want{voltaly, "Voltaly.exe"}, Want{seek, "JQSeek.exe"}}) {
    seams.starts.clear();
    host.Command(kFirstLaunchCommand + w.index);
    ASSERT_EQ(seams.starts.size(), 1u) << w.file;
    EXPECT_STRCASEEQ(seams.starts[0].file.c_str(), (install.temp.path() + "\\" + w.file).c_str());
    EXPECT_EQ(seams.starts[0].parameters, "");
    EXPECT_STRCASEEQ(seams.starts[0].directory.c_str(), install.temp.path().c_str());
  }
}

TEST(LaunchBar, DroppedFilesBecomeButtonsStoredAsBytes) {
  TempFolder temp;
  std::string tool = temp.WriteFile("Tools\\tool.exe", "MZ");
  std::string folder = temp.MakeFolder("Reports 2026");
  CoInitialize(nullptr);
  ASSERT_EQ(CreateShortcutFile(temp.path().c_str(), "Linked tool", tool.c_str(), nullptr, "-x 1", folder.c_str(),
                               SW_SHOWMAXIMIZED, nullptr, 0, nullptr),
            1);
  std::string broken = temp.WriteFile("broken.lnk", "not a shortcut");
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  ASSERT_EQ(CountLaunchButtons(), 0);
  SeamRecorder seams;
  AddDroppedLaunchPaths({tool, folder, temp / "Linked tool.lnk", "", broken});
  ASSERT_EQ(CountLaunchButtons(), 3);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"tool", "Reports 2026", "tool"}));
  LaunchButton* linked = GetLaunchButton(2);
  EXPECT_STRCASEEQ(linked->command, tool.c_str());
  EXPECT_STREQ(linked->parameters, "-x 1");
  EXPECT_STRCASEEQ(linked->startDirectory, folder.c_str());
  ASSERT_EQ(seams.boxes.size(), 1u) << "the broken shortcut is reported";
  EXPECT_EQ(seams.boxes[0].text, "Only Objects in the File System can be dropped onto the Launchbar");
  EXPECT_EQ(seams.boxes[0].caption, "Launchbar Drag/Drop Error");
  EXPECT_EQ(static_cast<int>(SendMessageA(g_frame.launchBar, TB_BUTTONCOUNT, 0, 0)), 3);
  // Stored at once, byte for byte as the list encodes.
  EXPECT_EQ(Bytes(kLaunchBarValue), EncodeLaunchButtons(LaunchButtonList()));

  // The shortcut's button runs its target with its arguments, start folder and show mode.
  host.Command(kFirstLaunchCommand + 2);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_STRCASEEQ(seams.starts[0].file.c_str(), tool.c_str());
  EXPECT_EQ(seams.starts[0].parameters, "-x 1");
  EXPECT_STRCASEEQ(seams.starts[0].directory.c_str(), folder.c_str());
  // The plain button starts in the program's folder.
  host.Command(kFirstLaunchCommand);
  ASSERT_EQ(seams.starts.size(), 2u);
  EXPECT_STRCASEEQ(seams.starts[1].directory.c_str(), (temp / "Tools").c_str());
  // The folder button opens the folder in the pane instead of starting anything.
  host.Command(kFirstLaunchCommand + 1);
  EXPECT_EQ(seams.starts.size(), 2u);

  // Reordered and deleted, then read back by a new window from the stored bytes.
  ASSERT_TRUE(MoveLaunchButtonInList(0, 2));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"Reports 2026", "tool", "tool"}));
  EXPECT_STREQ(GetLaunchButton(2)->parameters, nullptr) << "the first went after the third";
  ASSERT_TRUE(MoveLaunchButtonInList(2, 0));
  EXPECT_STREQ(GetLaunchButton(0)->command, tool.c_str()) << "the third went first";
  DeleteLaunchButtonAt(1);
  SaveLaunchButtons();
  std::vector<uint8_t> saved = Bytes(kLaunchBarValue);
  host.Close();
  frametest::MainWindowHost again(Prep([&] { PutBytes(kLaunchBarValue, saved); }));
  EXPECT_EQ(CountLaunchButtons(), 2);
  EXPECT_EQ(EncodeLaunchButtons(LaunchButtonList()), saved);
  CoUninitialize();
}

TEST(LaunchBar, DroppedDataObjectIsRead) {
  TempFolder temp;
  std::string a = temp.WriteFile("a.txt", "a");
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  IShellFolder* folder = nullptr;
  ASSERT_EQ(GetShellFolderOfPath(temp.path().c_str(), &folder), S_OK);
  LPITEMIDLIST item = nullptr;
  ULONG eaten = 0;
  ASSERT_EQ(folder->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(L"a.txt"), &eaten, &item, nullptr), S_OK);
  IDataObject* data = nullptr;
  LPCITEMIDLIST one = item;
  ASSERT_EQ(folder->GetUIObjectOf(nullptr, 1, &one, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data)), S_OK);
  EXPECT_EQ(AddDroppedLaunchButtons(data), 1);
  ASSERT_EQ(CountLaunchButtons(), 1);
  EXPECT_STRCASEEQ(GetLaunchButton(0)->command, a.c_str());
  EXPECT_EQ(AddDroppedLaunchButtons(nullptr), 0);
  data->Release();
  FreePidl(item);
  folder->Release();
}

TEST(LaunchBar, DamagedStoredValueGivesTheDefaults) {
  InstallFolder install({"JQSeek.exe"});
  frametest::MainWindowHost host(Prep([&] {
    install.Record();
    PutBytes(kLaunchBarValue, Noise(4096, 5));
  }));
  std::vector<std::string> labels = Labels();
  EXPECT_NE(std::find(labels.begin(), labels.end(), frametest::LoadText(IDS_LAUNCH_SEEK)), labels.end());
}

TEST(LaunchBar, ProgramInARootStartsInTheRoot) {
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  AddDroppedLaunchPaths({"C:\\rootprog.exe"});
  SeamRecorder seams;
  host.Command(kFirstLaunchCommand);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].directory, "C:\\");
}

TEST(LaunchBar, CancelInTheCustomiseDialogRestoresDeletedButtons) {
  TempFolder temp;
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  AddDroppedLaunchPaths({temp.WriteFile("one.exe", "MZ"), temp.WriteFile("two.exe", "MZ"), temp.WriteFile("three.exe", "MZ")});
  std::vector<uint8_t> before = Bytes(kLaunchBarValue);
  int shownWhileOpen = -1;
  OnDialog([&](HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_LAUNCH_TREE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_LAUNCH_DELETE))) << "nothing selected yet";
    TreeView_SelectItem(tree, TreeView_GetRoot(tree));
    SendMessageA(dialog, WM_COMMAND, IDC_LAUNCH_DELETE, 0);
    SendMessageA(dialog, WM_COMMAND, IDC_LAUNCH_DELETE, 0);
    shownWhileOpen = static_cast<int>(SendMessageA(g_frame.launchBar, TB_BUTTONCOUNT, 0, 0));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  host.Command(ID_VIEW_CUSTOMIZE_LAUNCH_BAR);
  EXPECT_EQ(shownWhileOpen, 1) << "the bar shows the dialog's changes";
  EXPECT_EQ(Labels(), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(static_cast<int>(SendMessageA(g_frame.launchBar, TB_BUTTONCOUNT, 0, 0)), 3);
  EXPECT_EQ(Bytes(kLaunchBarValue), before);

  // OK keeps the deletion and stores it.
  OnDialog([](HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_LAUNCH_TREE);
    TreeView_SelectItem(tree, TreeView_GetNextSibling(tree, TreeView_GetRoot(tree)));
    SendMessageA(dialog, WM_COMMAND, IDC_LAUNCH_DELETE, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  host.Command(ID_VIEW_CUSTOMIZE_LAUNCH_BAR);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(Bytes(kLaunchBarValue), EncodeLaunchButtons(LaunchButtonList()));
}

TEST(LaunchBar, ButtonPropertiesAskAboutAMissingCommand) {
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  TempFolder temp;
  std::string exe = temp.WriteFile("edit me.exe", "MZ");
  LaunchButton* b = NewLaunchButton();
  SeamRecorder seams;
  seams.boxAnswers = {IDNO, IDYES};
  OnDialog([&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, (temp.path() + "\\missing").c_str());
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // No: stays
    EXPECT_TRUE(IsWindow(dialog));
    SetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, (temp.path() + "\\edit me").c_str());
    SetDlgItemTextA(dialog, IDC_BUTTON_START_DIR, (temp.path() + "\\nowhere").c_str());
    CheckRadioButton(dialog, IDC_BUTTON_MINIMIZED, IDC_BUTTON_NORMAL, IDC_BUTTON_MINIMIZED);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // found; the missing folder answered Yes
  });
  EXPECT_EQ(RunButtonPropertiesDialog(host.window, b), 1);
  ASSERT_EQ(seams.boxes.size(), 2u);
  EXPECT_EQ(seams.boxes[0].text, frametest::LoadText(IDS_COMMAND_NOT_FOUND));
  EXPECT_EQ(seams.boxes[1].text, frametest::LoadText(IDS_START_DIR_NOT_FOUND));
  EXPECT_STRCASEEQ(b->command, exe.c_str()) << "the full path found";
  EXPECT_STREQ(b->label, "edit me");
  EXPECT_EQ(b->showMode, static_cast<uint32_t>(SW_SHOWMINIMIZED));
  FreeLaunchButton(b, SharedLaunchIcon());
}

// ---- Favorites and Start Menu menus --------------------------------------------------------

namespace {
int CountEntries(HMENU menu, int* breaks = nullptr) {
  int n = GetMenuItemCount(menu);
  if (breaks) {
    *breaks = 0;
    for (int i = 0; i < n; ++i)
      if (GetMenuState(menu, i, MF_BYPOSITION) & MF_MENUBREAK) ++*breaks;
  }
  return n;
}
}  // namespace

TEST(FolderMenus, BuiltFromAFolderWithCapsColumnsAndEmptyEntry) {
  TempFolder temp;
  for (int i = 0; i < 230; ++i) temp.WriteFile("Many\\file" + std::to_string(1000 + i) + ".txt", "x");
  temp.MakeFolder("Many\\Empty");
  temp.WriteFile("Many\\Sub\\inner.txt", "x");
  CoInitialize(nullptr);
  LPITEMIDLIST root = ParsePathToPidl((temp / "Many").c_str(), nullptr, nullptr);
  ASSERT_TRUE(root);
  FolderMenuBuild build{kFavoritesFirstId, kFavoritesLastId};
  build.entriesPerColumn = 40;
  HMENU menu = BuildFolderMenu(root, nullptr, build, "(empty)", false);
  ASSERT_TRUE(menu);
  int breaks = 0;
  EXPECT_EQ(CountEntries(menu, &breaks), 200) << "200 entries per folder";
  EXPECT_EQ(breaks, 4) << "a new column every 40 entries";
  // Folders come first (only those enumerated within the 200).
  HMENU first = GetSubMenu(menu, 0);
  if (first) {
    EXPECT_GE(GetMenuItemCount(first), 1);
  }
  FreePidl(root);
  ReleaseFolderMenu(menu);

  // Few entries: folders first, sorted by name; an empty folder shows the disabled entry 300.
  TempFolder small;
  small.WriteFile("b.txt", "x");
  small.WriteFile("a.txt", "x");
  small.MakeFolder("Zeta");
  small.WriteFile("Alpha\\x.txt", "x");
  root = ParsePathToPidl(small.path().c_str(), nullptr, nullptr);
  FolderMenuBuild build2{kFavoritesFirstId, kFavoritesLastId};
  menu = BuildFolderMenu(root, nullptr, build2, "(empty)", false);
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  EXPECT_TRUE(GetSubMenu(menu, 0));
  EXPECT_TRUE(GetSubMenu(menu, 1));
  HMENU zeta = GetSubMenu(menu, 1);
  ASSERT_EQ(GetMenuItemCount(zeta), 1);
  EXPECT_EQ(GetMenuItemID(zeta, 0), kEmptyFolderEntryId);
  EXPECT_TRUE(GetMenuState(zeta, 0, MF_BYPOSITION) & MF_GRAYED);
  FolderMenuEntry* a = FindFolderMenuEntry(menu, GetMenuItemID(menu, 2));
  ASSERT_TRUE(a);
  EXPECT_STREQ(strrchr(a->parsingName, '\\') + 1, "a.txt");
  FreePidl(root);
  ReleaseFolderMenu(menu);

  // The command-id range caps the entries.
  root = ParsePathToPidl((temp / "Many").c_str(), nullptr, nullptr);
  FolderMenuBuild narrow{kFavoritesFirstId, kFavoritesFirstId + 9};
  menu = BuildFolderMenu(root, nullptr, narrow, "(empty)", false);
  int commands = 0;
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (!GetSubMenu(menu, i)) ++commands;
  EXPECT_EQ(commands, 10);
  FreePidl(root);
  ReleaseFolderMenu(menu);
  CoUninitialize();
}

TEST(FolderMenus, FavoritesFolderIsSeededAndAChosenEntryRunsItsTarget) {
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  char folder[MAX_PATH] = "";
  ASSERT_EQ(FavoritesFolderPath(folder), 1);
  std::string favorites = folder;
  EXPECT_NE(favorites.find("\\Default\\Favorites"), std::string::npos);
  EXPECT_TRUE(FileExists(favorites + "\\" + frametest::LoadText(IDS_FAVORITE_WINDOWS) + ".lnk"));
  EXPECT_TRUE(FileExists(favorites + "\\" + frametest::LoadText(IDS_FAVORITE_PROGRAMS) + "\\" +
                         frametest::LoadText(IDS_LAUNCH_NOTEPAD) + ".lnk"));

  TempFolder temp;
  std::string doc = temp.WriteFile("doc.txt", "x");
  LPITEMIDLIST item = ParsePathToPidl(doc.c_str(), nullptr, nullptr);
  ASSERT_EQ(AddItemToFavorites(item, "My: doc"), 1);
  ASSERT_EQ(AddItemToFavorites(item, "My: doc"), 1);
  EXPECT_TRUE(FileExists(favorites + "\\My doc.lnk"));
  EXPECT_TRUE(FileExists(favorites + "\\My doc (2).lnk"));
  FreePidl(item);

  // The drop-down: choosing the entry starts its target by its id list.
  HMENU menu = RebuildFavoritesMenu();
  ASSERT_TRUE(menu);
  UINT chosen = 0;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    FolderMenuEntry* e = FindFolderMenuEntry(menu, GetMenuItemID(menu, i));
    if (e && strcmp(e->name, "My doc") == 0) chosen = e->commandId;
  }
  ASSERT_GE(chosen, kFavoritesFirstId);
  std::vector<std::string> started;
  seams::Handlers handlers;
  handlers.popupMenu = [chosen](HMENU, UINT, int, int, HWND) { return chosen; };
  handlers.shellExecute = [&started](SHELLEXECUTEINFOA* info) {
    char path[MAX_PATH] = "";
    if (info->lpIDList) SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(info->lpIDList), path);
    started.push_back(path);
    return TRUE;
  };
  seams::Handlers previous = seams::SetHandlers(handlers);
  host.Command(ID_FAVORITES_DROP_DOWN);
  seams::SetHandlers(previous);
  ASSERT_EQ(started.size(), 1u);
  // A shortcut to a file is started itself (the shell runs its target).
  EXPECT_STRCASEEQ(started[0].c_str(), (favorites + "\\My doc.lnk").c_str());
  RemoveTree(favorites.substr(0, favorites.rfind('\\')));
}

// The menu bar's Favorites menu carries the favorites after its own commands, filled once and
// again when the folder changes; an entry chosen there runs its target.
TEST(FolderMenus, MenuBarFavoritesFollowTheFolder) {
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  char folder[MAX_PATH] = "";
  ASSERT_EQ(FavoritesFolderPath(folder), 1);
  std::string favorites = folder;
  HMENU popup = nullptr;
  HMENU bar = GetMenu(host.window);
  for (int i = 0; i < GetMenuItemCount(bar) && !popup; ++i) {
    HMENU sub = GetSubMenu(bar, i);
    char first[100] = "";
    GetMenuStringA(sub, 0, first, sizeof first, MF_BYPOSITION);
    if (frametest::LoadText(IDS_FAVORITES_ADD) == first) popup = sub;
  }
  ASSERT_TRUE(popup);
  auto names = [&] {
    std::vector<std::string> found;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      UINT id = GetMenuItemID(popup, i);
      if (FolderMenuEntry* e = FindFolderMenuEntry(popup, id)) found.push_back(e->name);
    }
    return found;
  };
  const int own = GetMenuItemCount(popup);
  SendMessageA(host.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 5);
  EXPECT_GT(GetMenuItemCount(popup), own);
  EXPECT_EQ(GetMenuState(popup, static_cast<UINT>(own - 1), MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  const size_t before = names().size();

  // A favorite added in the folder shows at the next opening, once the folder's watcher saw it.
  TempFolder temp;
  std::string doc = temp.WriteFile("note.txt", "x");
  LPITEMIDLIST item = ParsePathToPidl(doc.c_str(), nullptr, nullptr);
  ASSERT_EQ(AddItemToFavorites(item, "Fresh note"), 1);
  FreePidl(item);
  ASSERT_TRUE(jqtest::PumpUntil([] { return g_favoritesStale.load() != 0; }, 10000));
  SendMessageA(host.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 5);
  std::vector<std::string> after = names();
  EXPECT_EQ(after.size(), before + 1);
  UINT chosen = 0;
  for (int i = 0; i < GetMenuItemCount(popup); ++i)
    if (FolderMenuEntry* e = FindFolderMenuEntry(popup, GetMenuItemID(popup, i)))
      if (strcmp(e->name, "Fresh note") == 0) chosen = e->commandId;
  ASSERT_GE(chosen, kFavoritesFirstId);
  // Opened again without a change: the same entries, not a second copy.
  SendMessageA(host.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 5);
  EXPECT_EQ(names(), after);

  std::vector<std::string> started;
  seams::Handlers handlers;
  handlers.shellExecute = [&started](SHELLEXECUTEINFOA* info) {
    char path[MAX_PATH] = "";
    if (info->lpIDList) SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(info->lpIDList), path);
    started.push_back(path);
    return TRUE;
  };
  seams::Handlers previous = seams::SetHandlers(handlers);
  host.Command(chosen);
  seams::SetHandlers(previous);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_STRCASEEQ(started[0].c_str(), (favorites + "\\Fresh note.lnk").c_str());
  RemoveTree(favorites.substr(0, favorites.rfind('\\')));
}

TEST(FolderMenus, StartMenuOpensItsFolderEntryFirst) {
  frametest::MainWindowHost host(Prep(EmptyLaunchBar));
  HMENU menu = RebuildStartMenuMenu();
  ASSERT_TRUE(menu);
  EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(ID_TOOLS_START_MENU_FOLDER));
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
}
