// The size tree's folder context menu: the shell's own menu of the folder, extended with the
// program's submenu, Rename, the program's Send To menu and, where the shell's menu has none,
// Paste.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "disk_query.h"
#include "file_commands.h"
#include "folder_node.h"
#include "resource_shell.h"
#include "seams.h"
#include "settings_store.h"
#include "shell_host.h"
#include "tree_drag_drop.h"

namespace {

constexpr UINT kRenameCommand = 45235;
constexpr UINT kPasteCommand = 45238;

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

void AppendText(HMENU menu, UINT stringId, UINT command) {
  std::string text = LoadText(stringId);
  AppendMenuA(menu, MF_STRING, command, text.c_str());
}

// The position of the shell's Send To entry: a popup whose submenu holds exactly one item with
// the id 29 or 93 (its place holder), or -1.
int FindShellSendTo(HMENU menu) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    HMENU sub = GetSubMenu(menu, i);
    if (!sub || GetMenuItemCount(sub) != 1) continue;
    UINT id = GetMenuItemID(sub, 0);
    if (id == 29 || id == 93) return i;
  }
  return -1;
}

bool MenuHasVerb(IContextMenu* context, HMENU menu, const char* verb) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1) || id > 0x7FFF) continue;
    char name[64] = {};
    if (SUCCEEDED(context->GetCommandString(id - 1, GCS_VERBA, nullptr, name, sizeof(name))) &&
        lstrcmpiA(name, verb) == 0)
      return true;
  }
  return false;
}

bool ClipboardHasFiles() { return IsClipboardFormatAvailable(CF_HDROP) != FALSE; }

}  // namespace

HMENU BuildFolderSubmenu(FolderNode* node) {
  HMENU menu = CreatePopupMenu();
  AppendText(menu, 40, 45225);
  DriveNode* drive = IsFolderNode(node) ? node->drive : nullptr;
  if (IsDriveNode(drive) &&
      (drive->driveType == DRIVE_REMOTE ||
       (drive->driveLetter >= 1 && drive->driveLetter <= 26 && g_netClusterSizes[drive->driveLetter - 1] != 0)))
    AppendText(menu, 45009, 45009);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, IDS_SH_SCAN, 45212);
  AppendText(menu, IDS_SH_STOP_SCAN, 45001);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, 77, 45102);
  AppendText(menu, 31, 45273);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, 43, 45800);
  return menu;
}

void ShowFolderContextMenu(FolderNode* node, POINT point, HTREEITEM item, HWND tree) {
  if (!IsFolderNode(node)) return;
  HWND owner = ShellHostMainWindow(g_mainWindow);
  if (!tree) tree = ShellHostTree(owner);
  if (!owner && tree) owner = ShellHostMainWindow(tree);
  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  if (!parent || !relative) return;
  LPCITEMIDLIST items[1] = {relative};
  IContextMenu* context = nullptr;
  if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&context))) ||
      !context)
    return;
  ULONG attributes = SFGAO_CANRENAME;
  if (FAILED(parent->GetAttributesOf(1, items, &attributes))) attributes = 0;
  const bool canRename = (attributes & SFGAO_CANRENAME) && !IsDriveNode(node);

  POINT screen = point;
  if (tree) ClientToScreen(tree, &screen);
  HMENU popup = CreatePopupMenu();
  context->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE | (canRename ? CMF_CANRENAME : 0));

  // Our Send To menu in place of the shell's (or added when the shell offers none).
  HMENU sendTo = BuildSendToMenu();
  int shellSendTo = FindShellSendTo(popup);
  if (sendTo) {
    if (shellSendTo >= 0) {
      char text[128] = {};
      GetMenuStringA(popup, shellSendTo, text, sizeof(text), MF_BYPOSITION);
      DeleteMenu(popup, shellSendTo, MF_BYPOSITION);
      InsertMenuA(popup, shellSendTo, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sendTo), text);
    } else {
      int count = GetMenuItemCount(popup);
      std::string text = LoadText(IDS_SH_SEND_TO);
      InsertMenuA(popup, count >= 2 ? count - 2 : count, MF_BYPOSITION | MF_POPUP | MF_STRING,
                  reinterpret_cast<UINT_PTR>(sendTo), text.c_str());
    }
  }
  // Paste of files into the folder when the shell's menu has none.
  if (ClipboardHasFiles() && !MenuHasVerb(context, popup, "paste")) {
    int count = GetMenuItemCount(popup);
    std::string text = LoadText(IDS_SH_PASTE);
    InsertMenuA(popup, count >= 2 ? count - 2 : count, MF_BYPOSITION | MF_STRING, kPasteCommand, text.c_str());
  }
  if (canRename) {
    int count = GetMenuItemCount(popup);
    std::string text = LoadText(IDS_SH_RENAME);
    InsertMenuA(popup, count >= 2 ? count - 2 : count, MF_BYPOSITION | MF_STRING, kRenameCommand, text.c_str());
  }
  HMENU program = BuildFolderSubmenu(node);
  std::string programText = LoadText(IDS_SH_PROGRAM_MENU);
  InsertMenuA(popup, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  InsertMenuA(popup, 0, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(program), programText.c_str());

  UINT command = static_cast<UINT>(
      seams::TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, owner, nullptr));

  switch (command) {
    case 0:
      break;
    case 45001: case 45009: case 45102: case 45212: case 45225: case 45273: case 45800:
      PostMessageA(owner, WM_COMMAND, command, 0);
      break;
    case kRenameCommand:
      if (tree && item) PostMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item));
      break;
    case kPasteCommand: {
      char path[MAX_PATH] = {};
      if (GetNodePath(node, path, MAX_PATH)) PasteFilesIntoFolder(owner, path);
      break;
    }
    default:
      if (command > 46200) {
        RunSendToCommand(command);
      } else if (command < 0x8000) {
        CMINVOKECOMMANDINFO invoke{};
        invoke.cbSize = sizeof(invoke);
        invoke.hwnd = owner;
        invoke.lpVerb = MAKEINTRESOURCEA(command - 1);
        invoke.nShow = SW_SHOWNORMAL;
        context->InvokeCommand(&invoke);
      }
      break;
  }

  // The Send To menu and the program's submenu are freed by their owners, not with the popup.
  int count = GetMenuItemCount(popup);
  for (int i = count - 1; i >= 0; --i) {
    HMENU sub = GetSubMenu(popup, i);
    if (sub && (sub == sendTo || sub == program)) RemoveMenu(popup, i, MF_BYPOSITION);
  }
  FreeSendToMenu(sendTo);
  DestroyMenu(program);
  DestroyMenu(popup);
  context->Release();
}
