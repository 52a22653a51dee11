// The Preferences sheet over JQNavig's real main window: every page changed through its
// controls, the effect seen in the window and in the stored record while settings are not
// saved on exit; Cancel; the drive tree's tri-state boxes and keys; the coolbar's hold on the
// wrap boxes.
#include <gtest/gtest.h>
#include <string>
#include "command_handlers.h"
#include "file_list.h"
#include "frame_state.h"
#include "frame_test_host.h"
#include "modal_driver_test_host.h"
#include "preferences.h"
#include "resource.h"
#include "settings_store.h"
#include "status_bar.h"
#include "test_support.h"

using modaltest::Click;
using modaltest::IsChecked;
using modaltest::ModalDriver;
using modaltest::OnPage;
using modaltest::PressSheet;

namespace {

enum { kGeneral, kDrives, kLists, kContextMenu, kViewer, kZip, kCommandLine, kKeyboard };

bool StoredRecord(GlobalSettings* record) {
  uint8_t bytes[500];
  DWORD size = sizeof bytes;
  if (!ReadSettingBinary("Global Settings", bytes, &size) || size != sizeof bytes) return false;
  DecodeGlobalSettings(bytes, record);
  return true;
}

DWORD StoredDword(const char* name) {
  DWORD value = 0xDEAD;
  ReadSettingDword(name, &value);
  return value;
}

BOOL PickGreen(HWND, POINT, COLORREF* color) {
  *color = RGB(0, 160, 0);
  return TRUE;
}

class Preferences : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<frametest::MainWindowHost>(false, 900, 600);
    GetLiveOptions().saveOnExit = 0;
    SetWindowPos(host->window, nullptr, 300, 0, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
    g_preferencesHost.pickColor = PickGreen;
  }
  void TearDown() override {
    g_preferencesHost.pickColor = nullptr;
    host.reset();
  }
  void Run(std::vector<ModalDriver::Step> steps) {
    ModalDriver driver(std::move(steps));
    host->Command(ID_TOOLS_PREFERENCES);
    EXPECT_TRUE(driver.Finished()) << "steps done: " << driver.done();
  }
  std::unique_ptr<frametest::MainWindowHost> host;
  jqtest::SeamRecorder seams;
};

TEST_F(Preferences, EveryPageTakesEffectAndIsStoredWithoutSaveOnExit) {
  jqtest::TempFolder temp;
  temp.WriteFile("a.txt", "a");
  GetLiveOptions().showUpEntry = 0;
  GetLiveOptions().titlePathFirst = 0;
  GetLiveOptions().resizableToolbar = 0;
  ASSERT_TRUE(host->Browse(temp.path()));
  SendMessageA(host->window, WM_COMMAND, kViewDetails, 0);
  LiveOptions before = GetLiveOptions();
  ASSERT_EQ(before.showUpEntry, 0u);
  ASSERT_EQ(before.titlePathFirst, 0u);
  HMENU menuBefore = GetMenu(host->window);
  bool contextAllChecked = false, openFromListDisabled = false, hoverDisabled = false;

  Run({
      OnPage(kGeneral, [](HWND p) {
        Click(p, IDC_GEN_TITLE_PATH_FIRST);
        Click(p, IDC_GEN_KEEP_EXTENSION);
        Click(p, IDC_GEN_FORCE_REFRESH);
        Click(p, IDC_GEN_COLOR_COMPRESSED);
        Click(p, IDC_GEN_COLOR_BUTTON);  // the colour popup (answered by the test)
        Click(p, IDC_GEN_WRAP_TOOLBAR);
        Click(p, IDC_GEN_WRAP_DRIVE_BAR);
        Click(p, IDC_GEN_FLAT_TOOLBARS);
      }),
      OnPage(kLists, [&](HWND p) {
        Click(p, IDC_LST_HIDE_SYSTEM);
        Click(p, IDC_LST_KEEP_SELECTION);
        Click(p, IDC_LST_KEEP_FOLDER);
        Click(p, IDC_LST_FULL_ROW);
        Click(p, IDC_LST_UP_ENTRY);
        Click(p, IDC_LST_DRAG_EXPAND);  // clear: no expansion while dragging
        Click(p, IDC_LST_SINGLE_CLICK);
        hoverDisabled = !IsWindowEnabled(GetDlgItem(p, IDC_LST_UNDERLINE_HOVER)) && IsChecked(p, IDC_LST_UNDERLINE_HOVER);
        Click(p, IDC_LST_UNDERLINE_BROWSER);
      }),
      OnPage(kContextMenu, [&](HWND p) {
        contextAllChecked = true;
        for (const ContextMenuValue& v : kContextMenuValues) contextAllChecked = contextAllChecked && IsChecked(p, v.box);
        Click(p, IDC_CTX_ZIP);
        Click(p, IDC_CTX_CASCADE);
        Click(p, IDC_CTX_SYNCH_FOLDER);
      }),
      OnPage(kViewer, [](HWND p) {
        Click(p, IDC_VWR_HEX);
        Click(p, IDC_VWR_QUICK_VIEW);
        SetDlgItemTextA(p, IDC_VWR_EDITOR, "C:\\tools\\editor.exe");
      }),
      OnPage(kZip, [&](HWND p) {
        Click(p, IDC_ZIP_CONFIRM_DELETE);
        Click(p, IDC_ZIP_BEEP);
        Click(p, IDC_ZIP_AS_FOLDERS);
        openFromListDisabled = !IsWindowEnabled(GetDlgItem(p, IDC_ZIP_OPEN_FROM_LIST));
      }),
      OnPage(kCommandLine, [](HWND p) {
        Click(p, IDC_CMD_SHOW_PATH);
        Click(p, IDC_CMD_RECYCLE);
        Click(p, IDC_CMD_CONFIRM);
        Click(p, IDC_CMD_COPY_FOLDERS);
      }),
      OnPage(kKeyboard, [](HWND p) { Click(p, IDC_KEY_XTREE); }),
      PressSheet(PSBTN_OK),
  });
  // The options apply as the sheet closes; what they posted to the window, and the list's
  // selection timer, have run.
  ASSERT_TRUE(jqtest::PumpThroughQueue(300));

  const LiveOptions& o = GetLiveOptions();
  EXPECT_TRUE(contextAllChecked) << "missing context-menu values count as 1";
  EXPECT_TRUE(openFromListDisabled);
  EXPECT_TRUE(hoverDisabled);
  // The live options.
  EXPECT_EQ(o.titlePathFirst, 1u);
  EXPECT_EQ(o.keepHiddenExtension, !before.keepHiddenExtension);
  EXPECT_EQ(o.colorCompressed, !before.colorCompressed);
  EXPECT_EQ(o.compressedColor, RGB(0, 160, 0));
  EXPECT_EQ(o.toolbarScrolls, !before.toolbarScrolls);
  EXPECT_EQ(o.driveBarScrolls, !before.driveBarScrolls);
  EXPECT_EQ(o.floatingIconToolbar, !before.floatingIconToolbar);
  EXPECT_EQ(o.showUpEntry, 1u);
  EXPECT_EQ(o.fullRowSelect, !before.fullRowSelect);
  EXPECT_EQ(o.noDragExpand, 1u);
  EXPECT_EQ(o.singleClickOpens, !before.singleClickOpens);
  EXPECT_EQ(o.viewerTextDefault, 0u);
  EXPECT_EQ(o.viewerDoubleClickOpens, 0u);
  EXPECT_STREQ(o.editor, "C:\\tools\\editor.exe");
  EXPECT_EQ(o.noArchivesAsFolders, 1u);
  EXPECT_EQ(o.keyboardScheme, 1u);

  // The window: title with the path first, the up-one-level item, full-row selection, flat
  // wrapping toolbar, the XTree menu.
  char title[600] = "";
  GetWindowTextA(host->window, title, sizeof title);
  EXPECT_EQ(std::string(title).rfind(temp.path(), 0), 0u) << title;
  HWND list = FilePanes[0].list;
  ASSERT_GT(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(GetListItemRecord(list, 0), nullptr) << "the up-one-level item comes first";
  DWORD extended = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ((extended & LVS_EX_FULLROWSELECT) != 0, o.fullRowSelect != 0);
  EXPECT_EQ((extended & LVS_EX_ONECLICKACTIVATE) != 0, o.singleClickOpens != 0);
  LONG_PTR toolbarStyle = GetWindowLongPtrA(g_frame.toolbar, GWL_STYLE);
  EXPECT_EQ((toolbarStyle & TBSTYLE_FLAT) != 0, o.floatingIconToolbar != 0);
  EXPECT_EQ((toolbarStyle & TBSTYLE_WRAPABLE) != 0, o.toolbarScrolls != 0);
  if (g_frame.launchBar && g_frame.commonControlsEx) {
    LONG_PTR launchStyle = GetWindowLongPtrA(g_frame.launchBar, GWL_STYLE);
    EXPECT_EQ((launchStyle & TBSTYLE_FLAT) != 0, o.floatingIconToolbar != 0) << "the launch bar follows the toolbar";
  }
  EXPECT_NE(GetMenu(host->window), menuBefore);

  // The stored record holds every option of the pages, though nothing is saved on exit.
  GlobalSettings stored;
  ASSERT_TRUE(StoredRecord(&stored));
  EXPECT_EQ(stored.titlePathFirst, 1u);
  EXPECT_EQ(stored.keepHiddenExtension, o.keepHiddenExtension);
  EXPECT_EQ(stored.forceRefreshAfterOps, o.forceRefreshAfterOps);
  EXPECT_EQ(stored.colorCompressed, o.colorCompressed);
  EXPECT_EQ(stored.compressedColor, RGB(0, 160, 0));
  EXPECT_EQ(stored.toolbarScrolls, o.toolbarScrolls);
  EXPECT_EQ(stored.driveBarScrolls, o.driveBarScrolls);
  EXPECT_EQ(stored.floatingIconToolbar, o.floatingIconToolbar);
  EXPECT_EQ(stored.hideSystemFiles, o.hideSystemFiles);
  EXPECT_EQ(stored.keepSelectionVisible, o.keepSelectionVisible);
  EXPECT_EQ(stored.keepFolderVisible, o.keepFolderVisible);
  EXPECT_EQ(stored.fullRowSelect, o.fullRowSelect);
  EXPECT_EQ(stored.showUpEntry, 1u);
  EXPECT_EQ(stored.singleClickOpens, o.singleClickOpens);
  EXPECT_EQ(stored.underlineAlways, o.underlineAlways);
  EXPECT_EQ(stored.underlineHover, o.underlineHover);
  EXPECT_EQ(stored.noDragExpand, 1u);
  EXPECT_EQ(stored.viewerTextDefault, 0u);
  EXPECT_EQ(stored.viewerDoubleClickOpens, 0u);
  EXPECT_STREQ(stored.editor, "C:\\tools\\editor.exe");
  EXPECT_EQ(stored.zipConfirmDelete, o.zipConfirmDelete);
  EXPECT_EQ(stored.zipBeepWhenDone, o.zipBeepWhenDone);
  EXPECT_EQ(stored.noArchivesAsFolders, 1u);
  EXPECT_EQ(stored.dosShowPath, o.dosShowPath);
  EXPECT_EQ(stored.dosDeleteToRecycle, !before.dosDeleteToRecycle);
  EXPECT_EQ(stored.dosConfirm, !before.dosConfirm);
  EXPECT_EQ(stored.dosCopyFolders, !before.dosCopyFolders);
  EXPECT_EQ(stored.keyboardScheme, 1u);
  // The context-menu values: all twelve written, three of them cleared.
  for (const ContextMenuValue& v : kContextMenuValues) {
    bool cleared = v.box == IDC_CTX_ZIP || v.box == IDC_CTX_CASCADE || v.box == IDC_CTX_SYNCH_FOLDER;
    EXPECT_EQ(StoredDword(v.name), cleared ? 0u : 1u) << v.name;
  }
  EXPECT_EQ(StoredDword("Save Settings On Exit"), 0xDEADu) << "the sheet does not touch it";
}

TEST_F(Preferences, CancelChangesNothing) {
  LiveOptions before = GetLiveOptions();
  Run({
      OnPage(kGeneral, [](HWND p) {
        Click(p, IDC_GEN_TITLE_PATH_FIRST);
        Click(p, IDC_GEN_COLOR_BUTTON);
      }),
      OnPage(kLists, [](HWND p) { Click(p, IDC_LST_UP_ENTRY); }),
      OnPage(kContextMenu, [](HWND p) { Click(p, IDC_CTX_ZIP); }),
      OnPage(kDrives, [](HWND p) { Click(p, IDC_DRV_HARD); }),
      OnPage(kKeyboard, [](HWND p) { Click(p, IDC_KEY_COMMANDER); }),
      PressSheet(PSBTN_CANCEL),
  });
  const LiveOptions& o = GetLiveOptions();
  EXPECT_EQ(o.titlePathFirst, before.titlePathFirst);
  EXPECT_EQ(o.compressedColor, before.compressedColor);
  EXPECT_EQ(o.showUpEntry, before.showUpEntry);
  EXPECT_EQ(o.keyboardScheme, before.keyboardScheme);
  EXPECT_EQ(o.driveFilters.driveMask, before.driveFilters.driveMask);
  GlobalSettings stored;
  EXPECT_FALSE(StoredRecord(&stored));
  EXPECT_EQ(StoredDword("Menu Zip"), 0xDEADu);
  EXPECT_EQ(StoredDword("Menu Zip"), 0xDEADu);
  DWORD size = 20;
  uint8_t bytes[20];
  EXPECT_FALSE(ReadSettingBinary("Drive Filters", bytes, &size));
}

TEST(DriveListText, ShownDrivesByLetter) {
  char text[27];
  FormatDriveListText((1u << 3) | (1u << 5), text);
  EXPECT_STREQ(text, "..c.e.....................");
  FormatDriveListText(0, text);
  EXPECT_STREQ(text, "..........................");
  FormatDriveListText(0xFFFFFFFFu, text);
  EXPECT_STREQ(text, "abcdefghijklmnopqrstuvwxyz");
}

// The fixed drives of this machine, as bits of the drive mask (A = bit 1).
DWORD FixedDrives() {
  DWORD bits = 0, present = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    char root[4] = {static_cast<char>('A' + i), ':', '\\', 0};
    if ((present & (1u << i)) && GetDriveTypeA(root) == DRIVE_FIXED) bits |= 1u << (i + 1);
  }
  return bits;
}

std::string Text(HWND page, int id) {
  char text[64] = "";
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

HTREEITEM DriveItem(HWND tree, char letter) {
  for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
    char text[MAX_PATH] = "";
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    TreeView_GetItem(tree, &data);
    std::string mark = std::string("(") + letter + ":)";
    if (std::string(text).find(mark) != std::string::npos) return item;
  }
  return nullptr;
}

TEST_F(Preferences, DriveTreeBoxesFollowTheDrivesAndTheSpaceKey) {
  const DWORD fixed = FixedDrives();
  ASSERT_TRUE(fixed & (1u << 3)) << "drive C is a hard disk";
  // Every hard disk shown but Z (the test host's rule): the hard box is indeterminate when
  // there is another hard disk.
  GetLiveOptions().driveFilters.hard = 1;
  GetLiveOptions().driveFilters.driveMask = 0x7FFFFFEu & ~(1u << 26);
  const bool otherFixed = (fixed & ~(1u << 3)) != 0;
  UINT hardAtStart = 99, hardAfterClick = 99, hardAfterSecondClick = 99;
  std::string textAtStart, textAfterSpace;
  bool cCheckedAfterSpace = false;
  Run({
      OnPage(kDrives, [&](HWND p) {
        hardAtStart = IsDlgButtonChecked(p, IDC_DRV_HARD);
        textAtStart = Text(p, IDC_DRV_LIST_TEXT);
        Click(p, IDC_DRV_HARD);  // every hard disk shown
        hardAfterClick = IsDlgButtonChecked(p, IDC_DRV_HARD);
        Click(p, IDC_DRV_HARD);  // none
        hardAfterSecondClick = IsDlgButtonChecked(p, IDC_DRV_HARD);
        // Back to C alone, by the keyboard.
        HWND tree = GetDlgItem(p, IDC_DRV_TREE);
        HTREEITEM c = DriveItem(tree, 'C');
        TreeView_SelectItem(tree, c);
        SendMessageA(tree, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageA(tree, WM_CHAR, ' ', 0);
        SendMessageA(tree, WM_KEYUP, VK_SPACE, 0);
        textAfterSpace = Text(p, IDC_DRV_LIST_TEXT);
        cCheckedAfterSpace = (TreeView_GetItemState(tree, c, TVIS_STATEIMAGEMASK) >> 12) == 2;
      }),
      PressSheet(PSBTN_OK),
  });
  EXPECT_EQ(hardAtStart, otherFixed ? static_cast<UINT>(BST_INDETERMINATE) : static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(textAtStart[2], 'c');
  EXPECT_EQ(textAtStart[25], '.');
  EXPECT_EQ(hardAfterClick, static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(hardAfterSecondClick, static_cast<UINT>(BST_UNCHECKED));
  EXPECT_TRUE(cCheckedAfterSpace) << "space checks the selected drive";
  EXPECT_EQ(textAfterSpace[2], 'c');
  for (int i = 0; i < 26; ++i) {
    if (i != 2 && (fixed & (1u << (i + 1)))) {
      EXPECT_EQ(textAfterSpace[i], '.') << i;
    }
  }
  // Stored: C shown, the other hard disks not, the bits of other drives kept.
  DriveFilters& f = GetLiveOptions().driveFilters;
  EXPECT_TRUE(f.driveMask & (1u << 3));
  EXPECT_EQ(f.driveMask & fixed & ~(1u << 3), 0u);
  EXPECT_EQ(f.hard, 1u);
  uint8_t bytes[20];
  DWORD size = sizeof bytes;
  ASSERT_TRUE(ReadSettingBinary("Drive Filters", bytes, &size));
  EXPECT_EQ(bytes[0] & (1u << 3), 1u << 3);
}

TEST_F(Preferences, CoolbarDisablesTheWrapBoxesAndKeepsTheWrapping) {
  ASSERT_TRUE(g_frame.commonControlsEx);
  GetLiveOptions().resizableToolbar = 1;
  const uint32_t wrapToolbar = GetLiveOptions().toolbarScrolls, wrapDrives = GetLiveOptions().driveBarScrolls;
  bool disabled = false, enabledWhenCleared = false;
  Run({
      OnPage(kGeneral, [&](HWND p) {
        disabled = IsChecked(p, IDC_GEN_COOLBAR) && !IsWindowEnabled(GetDlgItem(p, IDC_GEN_WRAP_TOOLBAR)) &&
                   !IsWindowEnabled(GetDlgItem(p, IDC_GEN_WRAP_DRIVE_BAR));
        Click(p, IDC_GEN_COOLBAR);
        enabledWhenCleared = IsWindowEnabled(GetDlgItem(p, IDC_GEN_WRAP_TOOLBAR)) != 0;
        Click(p, IDC_GEN_COOLBAR);
      }),
      PressSheet(PSBTN_OK),
  });
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(enabledWhenCleared);
  EXPECT_EQ(GetLiveOptions().resizableToolbar, 1u);
  EXPECT_EQ(GetLiveOptions().toolbarScrolls, wrapToolbar);
  EXPECT_EQ(GetLiveOptions().driveBarScrolls, wrapDrives);
}

}  // namespace
