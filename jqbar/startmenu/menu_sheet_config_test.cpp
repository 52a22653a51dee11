// The bar's property sheet inside the real configuration dialog: a layout with a Start-menu bar
// is loaded, the dialog opened on it, the sheet's option changed and the dialog's Apply pressed.
// With JQ_SMPAGES_SHOT naming a Unix folder, pictures of both pages are written there.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "config_dialog.h"
#include "container_panel.h"
#include "frame_window.h"
#include "layout_file.h"
#include "layout_snapshot.h"
#include "menu_bar_pages.h"
#include "menu_bar_window.h"
#include "menu_button_edit.h"
#include "menu_pages_shot.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "resource_config.h"
#include "resource_startmenu.h"
#include "startmenu_test_host.h"
#include "toolbar_layout.h"
#include "toolbar_test_host.h"

using namespace jqbar;

namespace {

TEST(MenuBarSheetInConfig, TheConfigurationDialogShowsAndAppliesBothPages) {
  jqtest::TestRegistry registry;
  jqtest::TempFolder programs, temp;
  jqtest::SeamRecorder seams;
  CoInitialize(nullptr);
  InitCommonControls();
  SetProgramsFolderOverride(programs.path());
  for (const char* name : {"Accessories", "Games", "Internet", "Office"}) programs.MakeFolder(name);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  Globals().instance = instance;
  RegisterFrameClass(instance);
  RegisterContainerTypes();
  RegisterStartMenuTypes();
  FreePanelTypeList();
  BuildPanelTypeList(instance);
  InstallConfigHandlers();
  LayoutFile layout;
  layout.frames.push_back(jqbartest::Node("Toolbar", jqbartest::ContainerBlob("Menus", 40, 40, 0, 13),
                                          {jqbartest::Node("Start Menus", {}, {}, "Menus")}, "Frame"));
  std::string file = temp / "layout.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, layout));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  PanelNode* node = FrameList() ? FrameList()->child : nullptr;
  ASSERT_NE(node, nullptr);
  ASSERT_NE(node->window, nullptr);
  MenuBarInstance* bar = MenuBarOf(node->window);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(AddNewMenu(bar, "", false, CSIDL_DESKTOPDIRECTORY), 0u);
  ASSERT_EQ(AddNewMenu(bar, "Mine", false, 0), 0u);
  ASSERT_NE(FindMenuButton(bar, "Games"), nullptr);
  HideMenuButton(bar, FindMenuButton(bar, "Games"));

  ASSERT_EQ(OpenConfigDialog(GetParent(node->window), node), 1);
  HWND sheet = ConfigDialogPage();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(GetParent(sheet), GetConfigDialog());
  EXPECT_EQ(SendDlgItemMessageA(sheet, IDC_MENUBAR_TAB, TCM_GETITEMCOUNT, 0, 0), 2);
  HWND options = MenuBarSheetPage(0);
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(IsWindowVisible(options));
  smtest::PictureOf(GetConfigDialog(), "options");

  HWND tab = GetDlgItem(sheet, IDC_MENUBAR_TAB);
  SendMessageA(tab, TCM_SETCURSEL, 1, 0);
  NMHDR header{tab, IDC_MENUBAR_TAB, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(sheet, WM_NOTIFY, IDC_MENUBAR_TAB, reinterpret_cast<LPARAM>(&header));
  EXPECT_TRUE(IsWindowVisible(MenuBarSheetPage(1)));
  EXPECT_FALSE(IsWindowVisible(options));
  HWND tree = GetDlgItem(MenuBarSheetPage(1), IDC_MBO_TREE);
  EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 6);
  int hidden = 0;
  for (const MenuOrderLine& line : ReadMenuOrderTree(tree)) hidden += line.shown ? 0 : 1;
  EXPECT_EQ(hidden, 1);
  smtest::PictureOf(GetConfigDialog(), "order");

  // The dialog's Apply reaches the sheet.
  SetDlgItemTextA(options, IDC_MBO_PERREGION, "9");
  SendMessageA(GetConfigDialog(), WM_COMMAND, IDC_CONFIG_APPLY, 0);
  jqtest::PumpPending();
  EXPECT_EQ(bar->head.maxPerRegion, 9);

  CloseConfigDialog();
  DiscardLayout();
  FreePanelTypeList();
  SetProgramsFolderOverride("");
  CoUninitialize();
}

}  // namespace
