// Renaming a folder in the size tree: the tree's end-of-label-edit answer.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "file_commands.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource_shell.h"
#include "seams.h"

namespace {

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

std::string DisplayName(FolderNode* node) {
  char name[MAX_PATH] = {};
  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  if (parent && relative && GetDisplayNameText(parent, relative, SHGDN_INFOLDER, name)) return name;
  return GetNodeName(node);
}

void SetItemText(HWND tree, HTREEITEM item, const std::string& text) {
  TVITEMA tvi{};
  tvi.mask = TVIF_TEXT;
  tvi.hItem = item;
  tvi.pszText = const_cast<char*>(text.c_str());
  TreeView_SetItem(tree, &tvi);
}

// Editing starts again, with the refused text for a correction, once the present edit has
// ended. The item itself keeps its valid name meanwhile, so that an edit cancelled after a
// refusal leaves the folder as it is.
constexpr UINT_PTR kRestartTimer = 0x5245;
HTREEITEM restartItem = nullptr;
std::string restartText;

void CALLBACK RestartTimerProc(HWND tree, UINT, UINT_PTR id, DWORD) {
  KillTimer(tree, id);
  if (!restartItem) return;
  HWND edit = TreeView_EditLabel(tree, restartItem);
  restartItem = nullptr;
  if (edit) {
    SetWindowTextA(edit, restartText.c_str());
    SendMessageA(edit, EM_SETSEL, 0, -1);
  }
}

void RestartEditing(HWND tree, HTREEITEM item, const std::string& text) {
  restartItem = item;
  restartText = text;
  SetTimer(tree, kRestartTimer, 0, RestartTimerProc);
}

void ErrorBox(HWND tree, UINT textId) {
  std::string text = LoadText(textId);
  std::string caption = LoadText(3);
  seams::MessageBoxA(GetAncestor(tree, GA_ROOT), text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

// A name that would leave the folder where it is: path separators and the other characters a
// file name cannot hold, "." and "..", or nothing but dots and blanks.
bool IsUnsafeFolderName(const std::string& name) {
  if (name.find_first_of("\\/:*?\"<>|") != std::string::npos) return true;
  for (unsigned char c : name)
    if (c < 32) return true;
  return name.find_first_not_of(". ") == std::string::npos;
}

std::string ExtensionOf(const std::string& name) {
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return std::string();
  return name.substr(dot);
}

// After a rename on disk the node takes the new name and identity. Old names and id lists stay
// allocated: other threads may be reading them, and nodes are never freed while threads run.
void RenameNode(FolderNode* node, const std::string& newName) {
  int n = MultiByteToWideChar(CP_ACP, 0, newName.c_str(), -1, nullptr, 0);
  if (n <= 0) return;
  auto* wide = new wchar_t[n];
  MultiByteToWideChar(CP_ACP, 0, newName.c_str(), -1, wide, n);
  LockNode(node);
  node->name = wide;
  node->absoluteIdList.store(nullptr);
  if (node->relativeIdList && !IsDriveNode(node)) node->relativeIdList = nullptr;
  // Children bound their folder through the old path: let them bind again on use.
  for (FolderNode* child = FirstChildNode(node); child; child = NextSiblingNode(child)) {
    child->parentFolder.store(nullptr);
    child->absoluteIdList.store(nullptr);
    child->relativeIdList = nullptr;
  }
  UnlockNode(node);
  NodeIdList(node);
}

// Some tree controls report the end of one edit twice: again, with the edit's text, while the
// edit window goes away (even after a cancel). Every report for the same item before the message
// loop has run again belongs to the edit already answered and is not acted on.
constexpr UINT_PTR kSettleTimer = 0x5246;
HTREEITEM handledItem = nullptr;

void CALLBACK SettleTimerProc(HWND tree, UINT, UINT_PTR id, DWORD) {
  KillTimer(tree, id);
  handledItem = nullptr;
}

bool IsRepeatedReport(HWND tree, const NMTVDISPINFOA* info) {
  if (handledItem && handledItem == info->item.hItem) return true;
  handledItem = info->item.hItem;
  SetTimer(tree, kSettleTimer, 0, SettleTimerProc);
  return false;
}

}  // namespace

BOOL TreeRenameSettled() { return handledItem == nullptr; }

BOOL RenameTreeFolder(HWND tree, NMTVDISPINFOA* info) {
  if (!tree || !info) return FALSE;
  if (IsRepeatedReport(tree, info)) return FALSE;
  HTREEITEM item = info->item.hItem;
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  if (!TreeView_GetItem(tree, &tvi)) return FALSE;
  auto* node = reinterpret_cast<FolderNode*>(tvi.lParam);
  if (!IsFolderNode(node)) return FALSE;

  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  ULONG attributes = SFGAO_CANRENAME | SFGAO_FILESYSTEM;
  if (parent && relative) {
    LPCITEMIDLIST items[1] = {relative};
    if (FAILED(parent->GetAttributesOf(1, items, &attributes))) attributes = 0;
  } else {
    attributes = 0;
  }
  const bool canRename = (attributes & SFGAO_CANRENAME) && !IsDriveNode(node);
  if (!info->item.pszText || !canRename) {
    SetItemText(tree, item, DisplayName(node));
    return FALSE;
  }

  std::string text = info->item.pszText;
  if (text.empty()) {
    ErrorBox(tree, IDS_SH_EMPTY_NAME);
    RestartEditing(tree, item, text);
    return FALSE;
  }

  HWND owner = GetAncestor(tree, GA_ROOT);
  if (!(attributes & SFGAO_FILESYSTEM)) {
    if (text == DisplayName(node)) return FALSE;
    SetItemText(tree, item, text);
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    LPITEMIDLIST renamed = nullptr;
    parent->SetNameOf(owner, relative, wide.c_str(), SHGDN_INFOLDER, &renamed);
    if (renamed) CoTaskMemFree(renamed);
    return TRUE;
  }

  if (IsUnsafeFolderName(text)) {
    ErrorBox(tree, IDS_SH_BAD_NAME);
    RestartEditing(tree, item, text);
    return FALSE;
  }
  char path[MAX_PATH] = {};
  if (!GetNodePath(node, path, MAX_PATH)) return FALSE;
  std::string source = StripTrailingBackslash(path);
  size_t slash = source.find_last_of('\\');
  if (slash == std::string::npos) return FALSE;
  std::string oldName = source.substr(slash + 1);
  std::string newName = text;
  if (ExtensionOf(newName).empty()) newName += ExtensionOf(oldName);
  std::string target = source.substr(0, slash + 1) + newName;
  if (target == source) {
    SetItemText(tree, item, newName);
    return FALSE;
  }
  StepOutOfFolder(source);
  if (RunShellFileOperation(owner, FO_RENAME, source, target, FOF_ALLOWUNDO) != 0 ||
      GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    RestartEditing(tree, item, text);
    return FALSE;
  }
  RenameNode(node, newName);
  // The label shows the name as it now is on disk (with the kept extension).
  SetItemText(tree, item, newName);
  return FALSE;
}
