// The folder context menu, the Send To menu and the tree's drag and drop on real folders.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "engine_test_support.h"
#include "file_commands.h"
#include "folder_node.h"
#include "send_to_menu.h"
#include "settings_store.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "tree_drag_drop.h"

namespace {

using jqtest::FileExists;
using jqtest::FolderExists;

struct TreeFixture : shelltest::NodeTreeFixture {
  HWND previousMain = nullptr;
  TreeFixture() {
    temp.WriteFile("Source\\a.txt", "aaa");
    temp.MakeFolder("Target");
    temp.WriteFile("drag.txt", "dragged");
    temp.MakeFolder("Deep\\inner");
    temp.MakeFolder("Other\\inner");
    previousMain = g_mainWindow;
    g_mainWindow = host.main;
    Show();
  }
  ~TreeFixture() { g_mainWindow = previousMain; }
  POINTL ScreenPointOf(HTREEITEM item) {
    RECT r{};
    TreeView_GetItemRect(host.tree, item, &r, TRUE);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(host.tree, &p);
    return {p.x, p.y};
  }
};

TEST(FolderContextMenu, ProgramCommandsGoToTheMainWindowAndRenameStartsEditing) {
  TreeFixture f;
  ASSERT_NE(f.top, nullptr);
  HTREEITEM item = f.ItemOf("Source");
  ASSERT_NE(item, nullptr);
  shelltest::SelectItem(f.host.tree, item);
  jqtest::SeamRecorder seams;
  seams.menuAnswers = {45212};
  ShowFolderContextMenu(f.NodeOf(item), POINT{5, 5}, item, f.host.tree);
  ASSERT_EQ(seams.menusShown.size(), 1u);
  EXPECT_GT(seams.menusShown[0], 3u);  // the program's submenu, the shell's items, Rename
  EXPECT_TRUE(jqtest::PumpUntil([&] { return !f.host.commands.empty(); }, 2000));
  ASSERT_FALSE(f.host.commands.empty());
  EXPECT_EQ(f.host.commands.back(), 45212u);

  seams.menuAnswers = {45235};
  ShowFolderContextMenu(f.NodeOf(item), POINT{5, 5}, item, f.host.tree);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return TreeView_GetEditControl(f.host.tree) != nullptr; }, 2000));
  TreeView_EndEditLabelNow(f.host.tree, TRUE);
  // Nothing chosen: nothing happens.
  f.host.commands.clear();
  seams.menuAnswers = {0};
  ShowFolderContextMenu(f.NodeOf(item), POINT{5, 5}, item, f.host.tree);
  jqtest::PumpPending();
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_FALSE(SendToMenuExists());
}

TEST(FolderContextMenu, TheProgramSubmenuOffersClusterSizeOnlyForNetworkDrives) {
  TreeFixture f;
  ASSERT_NE(f.top, nullptr);
  HMENU menu = BuildFolderSubmenu(f.top);
  bool hasClusterSize = false;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) hasClusterSize |= GetMenuItemID(menu, i) == 45009;
  DestroyMenu(menu);
  DriveNode* drive = f.top->drive;
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(hasClusterSize, drive->driveType == DRIVE_REMOTE || g_netClusterSizes[drive->driveLetter - 1] != 0);
  const UINT expected[] = {45225, 45212, 45001, 45102, 45273, 45800};
  menu = BuildFolderSubmenu(f.top);
  int found = 0;
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    for (UINT id : expected) found += GetMenuItemID(menu, i) == id;
  DestroyMenu(menu);
  EXPECT_EQ(found, 6);
}

bool MakeShortcut(const std::string& link, const std::string& target) {
  IShellLinkA* shell = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shell))))
    return false;
  shell->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  bool ok = false;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    ok = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  shell->Release();
  return ok;
}

TEST(SendToMenu, ListsFoldersFirstMarksEmptyFoldersAndSendsTheFolder) {
  TreeFixture f;
  ASSERT_NE(f.top, nullptr);
  jqtest::TempFolder sendTo;
  sendTo.MakeFolder("Empty");
  for (int i = 0; i < 205; ++i) sendTo.WriteFile("Many\\entry" + std::to_string(1000 + i) + ".txt", "");
  jqtest::TempFolder destination;
  ASSERT_TRUE(MakeShortcut(sendTo / "Copy here.lnk", destination.path()));
  SetSendToFolderOverride(sendTo.path().c_str());

  HMENU root = BuildSendToMenu();
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(GetMenuItemCount(root), 3);
  HMENU empty = GetSubMenu(root, 0);
  HMENU many = GetSubMenu(root, 1);
  ASSERT_NE(empty, nullptr);
  ASSERT_NE(many, nullptr);
  EXPECT_EQ(GetSubMenu(root, 2), nullptr);
  // The empty folder holds one greyed entry; a folder of 205 items lists 200.
  ASSERT_EQ(GetMenuItemCount(empty), 1);
  EXPECT_EQ(GetMenuItemID(empty, 0), 300u);
  EXPECT_TRUE(GetMenuState(empty, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(GetMenuItemCount(many), 200);
  EXPECT_EQ(SendToEntryCount(), 201);
  // Owner-drawn entries measure at least 20 pixels high.
  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ODT_MENU;
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_DATA | MIIM_ID;
  GetMenuItemInfoA(root, 2, TRUE, &info);
  measure.itemData = info.dwItemData;
  ASSERT_TRUE(MeasureSendToItem(&measure));
  EXPECT_GE(measure.itemHeight, 20u);
  EXPECT_GT(measure.itemWidth, 30u);

  // Sending the selected folder to the shortcut copies it there.
  shelltest::SelectItem(f.host.tree, f.ItemOf("Source"));
  EXPECT_FALSE(RunSendToCommand(46200));
  EXPECT_TRUE(RunSendToCommand(info.wID));
  EXPECT_TRUE(jqtest::PumpUntil([&] { return FileExists(destination / "Source\\a.txt"); }, 5000));
  FreeSendToMenu(root);
  EXPECT_FALSE(SendToMenuExists());
  EXPECT_FALSE(RunSendToCommand(info.wID));
  SetSendToFolderOverride(nullptr);
}

IDataObject* DataObjectFor(const std::string& folder, const std::string& name) {
  IShellFolder* parent = shelltest::BindFolder(folder);
  if (!parent) return nullptr;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH);
  LPITEMIDLIST item = nullptr;
  IDataObject* data = nullptr;
  if (SUCCEEDED(parent->ParseDisplayName(nullptr, nullptr, wide, nullptr, &item, nullptr)) && item) {
    LPCITEMIDLIST items[1] = {item};
    parent->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    CoTaskMemFree(item);
  }
  parent->Release();
  return data;
}

TEST(TreeDropTarget, DropsOfFilesOnATreeFolderCopyOrMoveThem) {
  TreeFixture f;
  ASSERT_NE(f.top, nullptr);
  IDropTarget* target = CreateTreeDropTarget(f.host.tree);
  ASSERT_NE(target, nullptr);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(target->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  unknown->Release();

  shelltest::SelectItem(f.host.tree, f.ItemOf("Source"));
  IDataObject* data = DataObjectFor(f.temp.path(), "drag.txt");
  ASSERT_NE(data, nullptr);
  POINTL over = f.ScreenPointOf(f.ItemOf("Target"));
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragEnter(data, 0, over, &effect), S_OK);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragOver(MK_CONTROL, over, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(TreeView_GetDropHilight(f.host.tree), f.ItemOf("Target"));
  // Off every item: nothing.
  POINT outside{1, 190};
  ClientToScreen(f.host.tree, &outside);
  effect = DROPEFFECT_COPY;
  target->DragOver(MK_CONTROL, POINTL{outside.x, outside.y}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragOver(MK_CONTROL, over, &effect);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->Drop(data, MK_CONTROL, over, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(jqtest::ReadFileText(f.temp / "Target\\drag.txt"), "dragged");
  EXPECT_TRUE(FileExists(f.temp / "drag.txt"));
  EXPECT_FALSE(TreeView_GetItemState(f.host.tree, f.ItemOf("Target"), TVIS_DROPHILITED) & TVIS_DROPHILITED);

  // Without keys on the same drive the files move.
  DeleteFileA((f.temp / "Target\\drag.txt").c_str());
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragEnter(data, 0, over, &effect);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragOver(0, over, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->Drop(data, 0, over, &effect);
  EXPECT_TRUE(FileExists(f.temp / "Target\\drag.txt"));
  EXPECT_FALSE(FileExists(f.temp / "drag.txt"));
  data->Release();

  // A leave after an enter takes the highlight away.
  IDataObject* other = DataObjectFor(f.temp / "Source", "a.txt");
  ASSERT_NE(other, nullptr);
  effect = DROPEFFECT_COPY;
  target->DragEnter(other, 0, over, &effect);
  target->DragOver(0, over, &effect);
  EXPECT_EQ(target->DragLeave(), S_OK);
  EXPECT_FALSE(TreeView_GetItemState(f.host.tree, f.ItemOf("Target"), TVIS_DROPHILITED) & TVIS_DROPHILITED);
  other->Release();
  ReleaseTreeDropTarget(target);
}

TEST(TreeDropTarget, HoldingOverACollapsedFolderForASecondExpandsIt) {
  TreeFixture f;
  ASSERT_NE(f.top, nullptr);
  shelltest::SelectItem(f.host.tree, f.ItemOf("Source"));
  IDropTarget* target = CreateTreeDropTarget(f.host.tree);
  IDataObject* data = DataObjectFor(f.temp.path(), "drag.txt");
  ASSERT_NE(data, nullptr);
  HTREEITEM deep = f.ItemOf("Deep");
  HTREEITEM other = f.ItemOf("Other");
  auto expanded = [&](HTREEITEM item) {
    return (TreeView_GetItemState(f.host.tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  };
  ASSERT_FALSE(expanded(deep));
  // The pointer moves on to another folder within the second: the first stays collapsed.
  POINTL overDeep = f.ScreenPointOf(deep);
  POINTL overOther = f.ScreenPointOf(other);
  DWORD effect = DROPEFFECT_COPY;
  target->DragEnter(data, 0, overDeep, &effect);
  ASSERT_TRUE(jqtest::MoveCursorTo({overDeep.x, overDeep.y})) << overDeep.x << "," << overDeep.y;
  effect = DROPEFFECT_COPY;
  target->DragOver(0, overDeep, &effect);
  ASSERT_TRUE(jqtest::MoveCursorTo({overOther.x, overOther.y})) << overOther.x << "," << overOther.y;
  effect = DROPEFFECT_COPY;
  target->DragOver(0, overOther, &effect);
  // The folder under the pointer when the second ends is the one that opens: by a mark due just
  // after that second, the first is still closed.
  bool deepAtMark = true;
  EXPECT_TRUE(jqtest::PumpThroughQueue(1000, [&] { deepAtMark = expanded(deep); }));
  EXPECT_FALSE(deepAtMark);
  target->DragLeave();
  // Held on one folder: it opens after the second.
  effect = DROPEFFECT_COPY;
  target->DragEnter(data, 0, overDeep, &effect);
  ASSERT_TRUE(jqtest::MoveCursorTo({overDeep.x, overDeep.y}));
  effect = DROPEFFECT_COPY;
  target->DragOver(0, overDeep, &effect);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return expanded(deep); }, 10000));
  target->DragLeave();
  EXPECT_EQ(expandingForDrag, 0);
  data->Release();
  ReleaseTreeDropTarget(target);
}

TEST(TreeDropSource, EscapeCancelsButtonsContinueReleaseDrops) {
  IDropSource* source = CreateTreeDropSource();
  EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_RBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  IDropTarget* wrong = reinterpret_cast<IDropTarget*>(1);
  EXPECT_EQ(source->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&wrong)), E_NOINTERFACE);
  EXPECT_EQ(source->AddRef(), 2u);
  EXPECT_EQ(source->Release(), 1u);
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
