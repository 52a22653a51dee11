// The main window's file, disk and shell commands. Each ends in a shell service: a verb of the
// tree folder's context menu, a shell file operation, a command of the hosted view, or a system
// dialog.
#include "file_commands.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <cstring>
#include <string>
#include <vector>

#include "change_feed.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource_shell.h"
#include "scan_engine.h"
#include "seams.h"
#include "shell_host.h"
#include "shell_view_host.h"
#include "tree_export.h"

namespace {

FILEOP_FLAGS extraFlags = 0;

// Verb offsets of the item context menu and commands of the shell's folder view.
constexpr UINT kVerbDelete = 17, kVerbProperties = 19, kVerbCut = 24, kVerbCopy = 25,
               kVerbPaste = 26, kVerbFormat = 35;
constexpr UINT kViewDelete = 28689, kViewProperties = 28691, kViewCut = 28696, kViewCopy = 28697,
               kViewPaste = 28698;
constexpr UINT kToolbarId = 107;

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

std::wstring Widen(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
  return out;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() < folder.size()) return false;
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(folder.size()),
                     folder.c_str(), static_cast<int>(folder.size())) != CSTR_EQUAL)
    return false;
  return path.size() == folder.size() || path[folder.size()] == '\\' || folder.back() == '\\';
}

// "name (2)", "name (3)", ... : the first name not yet used in `folder`.
std::string FreeCopyName(const std::string& folder, const std::string& name) {
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  for (int n = 2; n < 10000; ++n) {
    std::string candidate = base + name + " (" + std::to_string(n) + ")";
    if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) return candidate;
  }
  return std::string();
}

HWND ToolbarOf(HWND owner) { return GetDlgItem(owner, kToolbarId); }

FolderNode* SelectedTreeNode(HWND owner, HTREEITEM* item = nullptr) {
  HWND tree = ShellHostTree(owner);
  if (item) *item = tree ? TreeView_GetSelection(tree) : nullptr;
  return tree ? GetSelectedNode(tree) : nullptr;
}

// The folder's shell attributes as its parent folder reports them.
ULONG NodeShellAttributes(FolderNode* node, ULONG asked) {
  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  if (!parent || !relative) return 0;
  ULONG attributes = asked;
  LPCITEMIDLIST items[1] = {relative};
  if (FAILED(parent->GetAttributesOf(1, items, &attributes))) return 0;
  return attributes;
}

bool IsFileSystemFolder(FolderNode* node) {
  char path[MAX_PATH] = {};
  return IsFolderNode(node) && !IsDriveNode(node) && GetNodePath(node, path, MAX_PATH) &&
         path[0] != '\0';
}

// Rescans the shown folder at a path soon, when the tree has it.
void RescanFolderAt(const std::string& path) {
  FolderNode* node = FindNodeByPath(StripTrailingBackslash(path).c_str());
  if (IsFolderNode(node)) ArmRescanTimer(node, 500);
}

void SetViewModeButtons(HWND owner, UINT chosen) {
  HWND toolbar = ToolbarOf(owner);
  if (!toolbar) return;
  const UINT buttons[] = {45045, 45042, 45043, 45044};
  for (UINT id : buttons) SendMessageA(toolbar, TB_CHECKBUTTON, id, MAKELONG(id == chosen, 0));
}

BOOL ShellExecuteVerb(HWND owner, const char* verb, const char* file, LPITEMIDLIST idList,
                      const char* parameters = nullptr) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = owner;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.nShow = SW_SHOWNORMAL;
  if (idList) {
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.lpIDList = idList;
  }
  return seams::ShellExecuteExA(&info);
}

BOOL ShellExecuteOnSpecialFolder(HWND owner, const char* verb, int csidl) {
  LPITEMIDLIST idList = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &idList)) || !idList) return FALSE;
  BOOL ok = ShellExecuteVerb(owner, verb, nullptr, idList);
  CoTaskMemFree(idList);
  return ok;
}

// Puts a file-system folder on the clipboard as the Explorer does for Copy and Cut: CF_HDROP and
// "Preferred DropEffect" (copy or move), so that a paste here or in any other program copies or
// moves it. (Wine's cut verb does not mark the data as moved.)
BOOL PutFolderOnClipboard(HWND owner, const std::string& folder, DWORD effect) {
  std::string path = StripTrailingBackslash(folder);
  SIZE_T bytes = sizeof(DROPFILES) + path.size() + 2;
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  HGLOBAL preferred = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DWORD));
  if (!drop || !preferred) {
    if (drop) GlobalFree(drop);
    if (preferred) GlobalFree(preferred);
    return FALSE;
  }
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path.c_str(), path.size());
  GlobalUnlock(drop);
  *static_cast<DWORD*>(GlobalLock(preferred)) = effect;
  GlobalUnlock(preferred);
  if (!OpenClipboard(owner)) {
    GlobalFree(drop);
    GlobalFree(preferred);
    return FALSE;
  }
  EmptyClipboard();
  bool ok = SetClipboardData(CF_HDROP, drop) != nullptr;
  if (!ok) GlobalFree(drop);
  if (!SetClipboardData(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT), preferred)) GlobalFree(preferred);
  CloseClipboard();
  return ok;
}

// Deletes the selected file-system folder without the Recycle Bin.
BOOL DeleteTreeFolderNow(HWND owner, FolderNode* node) {
  char path[MAX_PATH] = {};
  if (!GetNodePath(node, path, MAX_PATH)) return FALSE;
  std::string folder = StripTrailingBackslash(path);
  StepOutOfFolder(folder);
  int result = RunShellFileOperation(owner, FO_DELETE, folder, std::string(), 0);
  if (result == 0 && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    RemoveFolderNode(node);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void SetFileOperationExtraFlags(FILEOP_FLAGS flags) { extraFlags = flags; }

int RunShellFileOperation(HWND owner, UINT function, const std::string& from, const std::string& to,
                          FILEOP_FLAGS flags) {
  // Both lists double-NUL terminated.
  std::string source = from;
  while (!source.empty() && source.back() == '\0') source.pop_back();
  source.append(2, '\0');
  std::string target = to;
  while (!target.empty() && target.back() == '\0') target.pop_back();
  target.append(2, '\0');
  SHFILEOPSTRUCTA op{};
  op.hwnd = owner;
  op.wFunc = function;
  op.pFrom = source.c_str();
  op.pTo = to.empty() ? nullptr : target.c_str();
  op.fFlags = static_cast<FILEOP_FLAGS>(flags | extraFlags);
  int result = SHFileOperationA(&op);
  if (result == 0 && op.fAnyOperationsAborted) result = ERROR_CANCELLED;
  return result;
}

FolderNode* GetSelectedNode(HWND tree) {
  if (!tree) return nullptr;
  HTREEITEM item = TreeView_GetSelection(tree);
  if (!item) return nullptr;
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  if (!TreeView_GetItem(tree, &tvi)) return nullptr;
  auto* node = reinterpret_cast<FolderNode*>(tvi.lParam);
  return IsFolderNode(node) ? node : nullptr;
}

BOOL GetSelectedFolderPath(HWND tree, std::string* path) {
  if (path) path->clear();
  FolderNode* node = GetSelectedNode(tree);
  char text[MAX_PATH] = {};
  if (!node || !GetNodePath(node, text, MAX_PATH) || !text[0]) return FALSE;
  if (path) *path = StripTrailingBackslash(text);
  return TRUE;
}

BOOL InvokeFolderVerb(HWND owner, UINT verb) {
  FolderNode* node = SelectedTreeNode(owner);
  if (!node) return FALSE;
  IShellFolder* parent = NodeParentFolder(node);
  LPITEMIDLIST relative = NodeRelativeIdList(node);
  if (!parent || !relative) return FALSE;
  if (verb == kVerbDelete) {
    char path[MAX_PATH] = {};
    if (GetNodePath(node, path, MAX_PATH)) StepOutOfFolder(path);
  }
  LPCITEMIDLIST items[1] = {relative};
  IContextMenu* menu = nullptr;
  if (FAILED(parent->GetUIObjectOf(owner, 1, items, IID_IContextMenu, nullptr,
                                   reinterpret_cast<void**>(&menu))) || !menu)
    return FALSE;
  HMENU popup = CreatePopupMenu();
  BOOL ok = FALSE;
  // Only a verb the menu offers (its item id is the first id + the offset) is carried out; a
  // shell without it (Wine's item menus have no Paste) leaves the caller its own way.
  if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE)) &&
      GetMenuState(popup, verb + 1, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof(invoke);
    invoke.hwnd = owner;
    invoke.lpVerb = MAKEINTRESOURCEA(verb);
    invoke.nShow = SW_SHOWNORMAL;
    ok = SUCCEEDED(menu->InvokeCommand(&invoke));
  }
  DestroyMenu(popup);
  menu->Release();
  return ok;
}

BOOL InvokeDriveVerb(HWND owner, const std::string& root, UINT verb) {
  LPITEMIDLIST drives = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, &drives)) || !drives) return FALSE;
  IShellFolder* desktop = nullptr;
  IShellFolder* myComputer = nullptr;
  BOOL ok = FALSE;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) &&
      SUCCEEDED(desktop->BindToObject(drives, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&myComputer)))) {
    std::wstring wide = Widen(root);
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(myComputer->ParseDisplayName(owner, nullptr, wide.data(), nullptr, &item, nullptr)) && item) {
      LPCITEMIDLIST items[1] = {item};
      IContextMenu* menu = nullptr;
      if (SUCCEEDED(myComputer->GetUIObjectOf(owner, 1, items, IID_IContextMenu, nullptr,
                                             reinterpret_cast<void**>(&menu))) && menu) {
        HMENU popup = CreatePopupMenu();
        if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE))) {
          CMINVOKECOMMANDINFO invoke{};
          invoke.cbSize = sizeof(invoke);
          invoke.hwnd = owner;
          invoke.lpVerb = MAKEINTRESOURCEA(verb);
          invoke.nShow = SW_SHOWNORMAL;
          ok = SUCCEEDED(menu->InvokeCommand(&invoke));
        }
        DestroyMenu(popup);
        menu->Release();
      }
      CoTaskMemFree(item);
    }
  }
  if (myComputer) myComputer->Release();
  if (desktop) desktop->Release();
  CoTaskMemFree(drives);
  return ok;
}

BOOL CopyMoveSelectedFolder(HWND owner, const std::string& text, UINT mode) {
  FolderNode* node = SelectedTreeNode(owner);
  char path[MAX_PATH] = {};
  if (!IsFolderNode(node) || !GetNodePath(node, path, MAX_PATH) || !path[0]) return FALSE;
  std::string source = StripTrailingBackslash(path);
  std::string parent = source;
  size_t slash = parent.find_last_of('\\');
  if (slash == std::string::npos) return FALSE;
  parent = slash < 3 ? parent.substr(0, 3) : parent.substr(0, slash);
  std::string target = StripTrailingBackslash(CombinePath(TrimLeadingSpaces(text), parent));
  FILEOP_FLAGS flags = FOF_ALLOWUNDO;
  const bool ownFolder =
      lstrcmpiA(target.c_str(), source.c_str()) == 0 || lstrcmpiA(target.c_str(), parent.c_str()) == 0;
  // A folder copied or moved below itself would never end; refuse it before the shell starts.
  if (!ownFolder && StartsWithFolder(target, source)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return FALSE;
  }
  if (ownFolder) {
    if (mode == FO_MOVE) return TRUE;  // a folder moved onto its own place stays where it is
    // A copy into the folder's own parent gets a new name, chosen here so that the result is the
    // same whether or not the shell honours rename-on-collision.
    flags |= FOF_RENAMEONCOLLISION;
    target = FreeCopyName(parent, source.substr(source.find_last_of('\\') + 1));
    if (target.empty()) return FALSE;
  }
  // A target folder that does not exist yet is made first, so that the folder lands inside it
  // rather than being renamed to it.
  if (!ownFolder && !IsExistingDirectory(target) && !CreateDirectoryPath(target)) return FALSE;
  if (mode == FO_MOVE) StepOutOfFolder(source);
  int result = RunShellFileOperation(owner, mode == FO_MOVE ? FO_MOVE : FO_COPY, source, target, flags);
  if (result != 0) return FALSE;
  if (mode == FO_MOVE && GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
    RemoveFolderNode(node);
  RescanFolderAt(target);
  if (ownFolder) RescanFolderAt(parent);
  return TRUE;
}

BOOL PasteFilesIntoFolder(HWND owner, const std::string& folder) {
  if (!IsExistingDirectory(folder)) return FALSE;
  if (!OpenClipboard(owner)) return FALSE;
  std::string files;
  bool move = false;
  std::string firstParent;
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    auto hdrop = static_cast<HDROP>(drop);
    UINT count = DragQueryFileA(hdrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char name[MAX_PATH] = {};
      if (DragQueryFileA(hdrop, i, name, MAX_PATH)) {
        files.append(name);
        files.push_back('\0');
        if (firstParent.empty()) {
          firstParent = name;
          size_t slash = firstParent.find_last_of('\\');
          firstParent = slash == std::string::npos ? std::string() : firstParent.substr(0, slash);
        }
      }
    }
  }
  UINT effectFormat = RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT);
  if (HANDLE effect = GetClipboardData(effectFormat)) {
    if (auto* value = static_cast<DWORD*>(GlobalLock(effect))) {
      move = (*value & DROPEFFECT_MOVE) != 0;
      GlobalUnlock(effect);
    }
  }
  CloseClipboard();
  if (files.empty()) return FALSE;
  FILEOP_FLAGS flags = FOF_ALLOWUNDO;
  if (lstrcmpiA(StripTrailingBackslash(firstParent).c_str(), StripTrailingBackslash(folder).c_str()) == 0) {
    if (move) return TRUE;  // moving files onto themselves changes nothing
    flags |= FOF_RENAMEONCOLLISION;
  }
  int result = RunShellFileOperation(owner, move ? FO_MOVE : FO_COPY, files, StripTrailingBackslash(folder), flags);
  if (result != 0) return FALSE;
  RescanFolderAt(folder);
  if (move && !firstParent.empty()) RescanFolderAt(firstParent);
  return TRUE;
}

BOOL EmptyRecycleBin(HWND owner) {
  static const CLSID kRecycleBin = {0x645FF040, 0x5081, 0x101B, {0x9F, 0x08, 0x00, 0xAA, 0x00, 0x2F, 0x95, 0x4E}};
  BOOL ok = FALSE;
  bool triedMenu = false;
  HMODULE shell = LoadLibraryA("SHELL32.DLL");
  if (shell) {
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(shell, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (get && SUCCEEDED(get(kRecycleBin, IID_IClassFactory, reinterpret_cast<void**>(&factory))) && factory) {
      IContextMenu* menu = nullptr;
      if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu))) && menu) {
        HMENU popup = CreatePopupMenu();
        if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1000, 10000, CMF_NORMAL)) &&
            GetMenuItemCount(popup) == 1) {
          triedMenu = true;
          CMINVOKECOMMANDINFO invoke{};
          invoke.cbSize = sizeof(invoke);
          invoke.hwnd = owner;
          invoke.lpVerb = MAKEINTRESOURCEA(GetMenuItemID(popup, 0) - 1000);
          invoke.nShow = SW_SHOWNORMAL;
          ok = SUCCEEDED(menu->InvokeCommand(&invoke));
        }
        DestroyMenu(popup);
        menu->Release();
      }
      factory->Release();
    }
    FreeLibrary(shell);
  }
  // Without the bin's own menu (Wine's bin has none) the shell's service empties it.
  if (!triedMenu) ok = SUCCEEDED(SHEmptyRecycleBinA(owner, nullptr, 0));
  return ok;
}

BOOL RunFileCommand(HWND owner, UINT command) {
  HostedFilePane* pane = GetCurrentFilePane();
  const bool treeFocus = ShellHostTreeHasFocus(owner) != FALSE;
  switch (command) {
    case 45008:
    case 45237: {
      const bool cut = command == 45237;
      if (!treeFocus) {
        ForwardCommandToView(pane, cut ? kViewCut : kViewCopy);
        return TRUE;
      }
      std::string folder;
      FolderNode* node = SelectedTreeNode(owner);
      if (IsFileSystemFolder(node) && GetSelectedFolderPath(ShellHostTree(owner), &folder))
        PutFolderOnClipboard(owner, folder, cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY);
      else
        InvokeFolderVerb(owner, cut ? kVerbCut : kVerbCopy);
      return TRUE;
    }
    case 45238:
      if (treeFocus) {
        // The shell's paste verb first; Wine's item menus have none, so paste ourselves then.
        if (!InvokeFolderVerb(owner, kVerbPaste)) {
          std::string folder;
          if (GetSelectedFolderPath(ShellHostTree(owner), &folder)) PasteFilesIntoFolder(owner, folder);
        }
      } else {
        ForwardCommandToView(pane, kViewPaste);
      }
      return TRUE;
    case 45038:
      if (treeFocus) InvokeFolderVerb(owner, kVerbDelete);
      else ForwardCommandToView(pane, kViewDelete);
      return TRUE;
    case 45108:
      if (treeFocus) {
        FolderNode* node = SelectedTreeNode(owner);
        if (IsFileSystemFolder(node)) DeleteTreeFolderNow(owner, node);
        else InvokeFolderVerb(owner, kVerbDelete);
      } else {
        ForwardCommandToView(pane, kViewDelete);
      }
      return TRUE;
    case 45018:
      if (treeFocus) InvokeFolderVerb(owner, kVerbProperties);
      else if (ShellHostFilePaneShown()) ForwardCommandToView(pane, kViewProperties);
      return TRUE;
    case 45011:
      InvokeShellUndo();
      return TRUE;
    case 45042: case 45043: case 45044: case 45045: {
      HWND view = GetFilePaneViewWindow(pane);
      if (!view) return TRUE;
      UINT viewCommand = command == 45042 ? 28714 : command == 45043 ? 28715 : command == 45044 ? 28716 : 28713;
      SendMessageA(view, WM_COMMAND, viewCommand, 0);
      SetViewModeButtons(owner, command);
      return TRUE;
    }
    case 45235: {
      HTREEITEM item = nullptr;
      FolderNode* node = SelectedTreeNode(owner, &item);
      if (node && item && !IsDriveNode(node) && (NodeShellAttributes(node, SFGAO_CANRENAME) & SFGAO_CANRENAME)) {
        HWND tree = ShellHostTree(owner);
        SetFocus(tree);
        TreeView_EditLabel(tree, item);
      } else {
        MessageBeep(MB_ICONEXCLAMATION);
      }
      return TRUE;
    }
    case 45039: case 45040: {
      UINT mode = command == 45039 ? FO_MOVE : FO_COPY;
      std::string target;
      if (ShowCopyMoveToDialog(owner, &mode, &target) == 1) CopyMoveSelectedFolder(owner, target, mode);
      return TRUE;
    }
    case 45041:
      ShowCreateFolderDialog(owner);
      return TRUE;
    case 45029: case 45028: {
      std::string root;
      if (ShowDriveDialog(owner, command, &root) == 1)
        InvokeDriveVerb(owner, root, command == 45029 ? kVerbFormat : kVerbProperties);
      return TRUE;
    }
    case 45027:
      ShellExecuteVerb(owner, nullptr, "rundll32.exe", nullptr, "diskcopy.dll,DiskCopyRunDll");
      return TRUE;
    case 45047:
      WNetConnectionDialog(owner, RESOURCETYPE_DISK);
      return TRUE;
    case 45051:
      WNetDisconnectDialog(owner, RESOURCETYPE_DISK);
      return TRUE;
    case 45035: {
      std::string folder;
      if (GetSelectedFolderPath(ShellHostTree(owner), &folder) && IsExistingDirectory(folder))
        ShellExecuteVerb(owner, "find", folder.c_str(), nullptr);
      else
        ShellExecuteOnSpecialFolder(owner, "find", CSIDL_DRIVES);
      return TRUE;
    }
    case 45094:
      ShellExecuteOnSpecialFolder(owner, "find", CSIDL_NETWORK);
      return TRUE;
    case 45099:
      ShellExecuteVerb(owner, nullptr, "rundll32.exe", nullptr, "shell32.dll,Control_RunDLL appwiz.cpl");
      return TRUE;
    case 45074:
      ShellExecuteOnSpecialFolder(owner, "properties", CSIDL_BITBUCKET);
      return TRUE;
    case 45072:
      if (EmptyRecycleBin(owner)) {
        if (HWND progman = FindWindowA("progman", "Program Manager"))
          PostMessageA(progman, WM_COMMAND, 41061, 0);
      } else {
        std::string text = LoadText(IDS_SH_EMPTY_BIN_FAILED);
        std::string caption = LoadText(3);
        seams::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
      }
      return TRUE;
    case 45096:
      if (HWND toolbar = ToolbarOf(owner)) PostMessageA(toolbar, TB_CUSTOMIZE, 0, 0);
      return TRUE;
    case 45243:
      ShowAboutDialog(owner);
      return TRUE;
    case 45216:
      PrintTree(owner);
      return TRUE;
    case 45230:
      ExportTree(owner);
      return TRUE;
    default:
      return FALSE;
  }
}
