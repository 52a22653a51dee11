// The Send To menu of the size tree's context menu: the suite's owner-drawn Send To menu, built
// with this program's command ids, sending the folder selected in the tree.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "file_commands.h"
#include "folder_node.h"
#include "resource_shell.h"
#include "send_to_menu.h"
#include "sendto_menu.h"
#include "shell_host.h"
#include "tree_drag_drop.h"

namespace {

constexpr UINT kFirstSendToId = 46201;
constexpr UINT kLastSendToId = 46999;

HMENU g_root = nullptr;
std::string g_rootOverride;  // a folder in place of the user's Send To folder

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

// The shell's data object of the folder selected in the tree.
IDataObject* SelectedFolderData(HWND owner, void*) {
  FolderNode* node = GetSelectedNode(ShellHostTree(owner));
  if (!node) return nullptr;
  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  if (!parent || !relative) return nullptr;
  IDataObject* data = nullptr;
  LPCITEMIDLIST items[1] = {relative};
  if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data))))
    return nullptr;
  return data;
}

}  // namespace

void SetSendToFolderOverride(const char* folder) { g_rootOverride = folder ? folder : ""; }

HMENU BuildSendToMenu() {
  if (g_root) FreeSendToMenu(g_root);
  const std::string empty = LoadText(IDS_SH_EMPTY_FOLDER);
  SendToMenuOptions options;
  options.firstId = kFirstSendToId;
  options.lastId = kLastSendToId;
  options.rootFolder = g_rootOverride.empty() ? nullptr : g_rootOverride.c_str();
  options.emptyText = empty.c_str();
  g_root = BuildSendToMenu(options);
  return g_root;
}

BOOL SendToMenuExists() { return g_root != nullptr; }

BOOL RunSendToCommand(UINT command) {
  if (command < kFirstSendToId || !g_root) return FALSE;
  HWND owner = ShellHostMainWindow(g_mainWindow);
  return FindSendToMenuItem(owner, g_root, command, SelectedFolderData, nullptr);
}

BOOL MeasureSendToItem(MEASUREITEMSTRUCT* measure) {
  return g_root && measure && measure->CtlType == ODT_MENU ? MeasureSendToMenuItem(measure) : FALSE;
}

BOOL DrawSendToItem(const DRAWITEMSTRUCT* draw) {
  return g_root && draw && draw->CtlType == ODT_MENU ? DrawSendToMenuItem(draw) : FALSE;
}

void FreeSendToMenu(HMENU menu) {
  ReleaseSendToMenu(menu);
  g_root = nullptr;
}

int SendToEntryCount() {
  int count = 0;
  for (UINT id = kFirstSendToId; id <= kLastSendToId && FindSendToEntry(id); ++id) ++count;
  return count;
}
