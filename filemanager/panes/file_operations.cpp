// Delete, in-place rename, group rename and the Copy/Move To worker.
#include "file_operations.h"
#include <ole2.h>
#include <shlobj.h>
#include <atomic>
#include <cstring>
#include <memory>
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "folder_watch.h"
#include "pane_host.h"
#include "pane_refresh.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"
#include "command_ids.h"

int (WINAPI* g_runFileOperation)(SHFILEOPSTRUCTA* operation) = SHFileOperationA;

namespace {

constexpr char kBadNameCharacters[] = "\\/:*?\"<>|";
std::atomic<LONG> g_runningWorkers{0};

std::string FolderPart(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return "";
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\"
  return path.substr(0, slash);
}

std::string NamePart(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// The extension of a file name with its dot ("" when none; a leading dot starts no extension).
std::string ExtensionOf(const std::string& name) {
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
}

bool HasBadCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 32 || strchr(kBadNameCharacters, c)) return true;
  return false;
}

void ShowNameError(UINT stringId) {
  char text[300] = "", caption[100] = "";
  HINSTANCE instance = GetModuleHandleA(nullptr);
  LoadStringA(instance, stringId, text, sizeof text);
  if (g_appName[0]) lstrcpynA(caption, g_appName, sizeof caption);
  else LoadStringA(instance, IDS_APP_NAME, caption, sizeof caption);
  seams::MessageBoxA(g_mainWindow, text, caption, MB_OK | MB_ICONHAND);
}

int PaneOfList(HWND list) {
  for (int pane = 0; pane < 2; ++pane)
    if (FilePanes[pane].list == list) return pane;
  return -1;
}

HTREEITEM ParentOfSelected(HWND tree) {
  if (!tree) return nullptr;
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  return selected ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(selected)))
                  : nullptr;
}

// Runs an operation with the pane's watch muted; the pane is refreshed afterwards when the
// option says so (whatever the result: a batch that failed half-way changed the disk too).
int RunMutedOperation(int pane, SHFILEOPSTRUCTA* operation, HTREEITEM refreshFrom, bool removeVanished) {
  const bool refresh = GetLiveOptions().forceRefreshAfterOps != 0;
  if (refresh) MutePaneWatcher(pane);
  int result = g_runFileOperation(operation);
  if (result == 0 && removeVanished) RemoveVanishedTreeItem();
  if (refresh) {
    UnmutePaneWatcher(pane);
    RefreshPaneTree(pane, refreshFrom, TRUE);
  }
  return result;
}

// Opens the label editor again on the item with the text the user typed, all of it selected.
void ReopenLabelEdit(HWND control, bool tree, LPARAM item, const std::string& typed) {
  auto reopen = [control, tree, item, typed] {
    if (!IsWindow(control)) return;
    HWND edit;
    if (tree) {
      TVITEMA probe{};
      probe.mask = TVIF_HANDLE;
      probe.hItem = reinterpret_cast<HTREEITEM>(item);
      if (!SendMessageA(control, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&probe))) return;
      edit = reinterpret_cast<HWND>(SendMessageA(control, TVM_EDITLABELA, 0, item));
    } else {
      edit = reinterpret_cast<HWND>(SendMessageA(control, LVM_EDITLABELA, static_cast<WPARAM>(item), 0));
    }
    if (!edit) return;
    SetWindowTextA(edit, typed.c_str());
    SendMessageA(edit, EM_SETSEL, 0, -1);
  };
  if (!PrepareGuiTasks() || !PostGuiTask(reopen)) return;
}

void SelectListItemByName(HWND list, const std::string& name) {
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    char text[MAX_PATH] = "";
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    FileListItem* record = GetListItemRecord(list, index);
    char parsing[MAX_PATH] = "";
    if (record) GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, parsing);
    if (lstrcmpiA(text, name.c_str()) != 0 && lstrcmpiA(parsing, name.c_str()) != 0) continue;
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_ENSUREVISIBLE, index, FALSE);
    return;
  }
}

// ---- Copy/Move worker -----------------------------------------------------------------------

struct CopyMoveJob {
  FileSources sources;
  std::string target;  // as typed
  UINT operation = kCopyMoveCopy;
  HWND owner = nullptr;
  HWND signal = nullptr;  // where the worker posts its end (the main window's hidden window)
  HWND list = nullptr;  // the pane the sources come from
  bool refresh = true;
  bool goToTarget = false;
  bool muted = false;
  // Results, set by the worker.
  std::string fullTarget;
  int result = 0;
};

// The typed target as a full path: absolute as typed, else against the sources' folder.
std::string ResolveTarget(const std::string& text, const std::string& base) {
  std::string full;
  const bool drive = text.size() >= 2 && isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
  if (text.compare(0, 2, "\\\\") == 0 || (drive && text.size() >= 3 && text[2] == '\\')) full = text;
  else if (drive) full = text.substr(0, 2) + "\\" + text.substr(2);
  else if (!text.empty() && text[0] == '\\') full = base.substr(0, 2) + text;
  else full = JoinPath(base, text);
  char normal[MAX_PATH];
  DWORD length = GetFullPathNameA(full.c_str(), MAX_PATH, normal, nullptr);
  if (length && length < MAX_PATH) full = normal;
  return full;
}

void FinishCopyMove(CopyMoveJob* job) {
  std::unique_ptr<CopyMoveJob> owned(job);
  int pane = PaneOfList(job->list);
  if (pane >= 0) {
    if (job->muted) UnmutePaneWatcher(pane);
    if (job->refresh) RefreshPaneTree(pane, nullptr, TRUE);
  }
  if (job->goToTarget && job->result == 0 && !job->fullTarget.empty()) {
    DWORD attributes = GetFileAttributesA(job->fullTarget.c_str());
    std::string destination = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)
                                  ? job->fullTarget
                                  : FolderPart(job->fullTarget);
    HWND tree = FilePanes[ActivePaneIndex].tree;
    if (tree) SelectTreePath(tree, destination.c_str(), TRUE);
  }
  --g_runningWorkers;
}

DWORD WINAPI CopyMoveWorkerThread(void* parameter) {
  auto* job = static_cast<CopyMoveJob*>(parameter);
  HRESULT ole = OleInitialize(nullptr);
  const FileSources& sources = job->sources;
  std::string text = job->target;
  std::string full = ResolveTarget(text, sources.folder);
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  auto endsWithSlash = [](const std::string& s) { return !s.empty() && (s.back() == '\\' || s.back() == '/'); };
  if (sources.paths.size() == 1 && !endsWithSlash(text) && (sources.fromTree || sources.folders[0])) text += '\\';
  if (endsWithSlash(text)) {
    char create[MAX_PATH];
    lstrcpynA(create, full.c_str(), MAX_PATH);
    CreateDirectoryPath(create);
  }
  job->fullTarget = full;
  const bool ownFolder = lstrcmpiA(full.c_str(), sources.paths[0].c_str()) == 0 ||
                         lstrcmpiA(full.c_str(), sources.folder.c_str()) == 0;
  std::vector<std::string> from = sources.paths, to;
  FILEOP_FLAGS flags = FOF_ALLOWUNDO;
  if (ownFolder) {
    // Into their own folder: copies get free names of their own (the shell's rename-on-collision
    // is not to be relied on); a move there has nothing to do.
    flags |= FOF_RENAMEONCOLLISION | FOF_MULTIDESTFILES;
    from.clear();
    if (job->operation == kCopyMoveCopy) {
      for (const std::string& path : sources.paths) {
        std::string name = FreeCopyName(FolderPart(path), NamePart(path));
        if (name.empty()) continue;
        from.push_back(path);
        to.push_back(JoinPath(FolderPart(path), name));
      }
    }
  } else {
    to.push_back(full);
  }
  if (!from.empty()) {
    std::string fromList = DoubleNulList(from), toList = DoubleNulList(to);
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = job->owner;
    operation.wFunc = job->operation == kCopyMoveMove ? FO_MOVE : FO_COPY;
    operation.pFrom = fromList.c_str();
    operation.pTo = toList.c_str();
    operation.fFlags = flags;
    job->result = g_runFileOperation(&operation);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  if (!PostGuiTaskTo(job->signal, [job] { FinishCopyMove(job); })) {
    // The main window is gone: nothing left to refresh.
    delete job;
    --g_runningWorkers;
  }
  return 1;
}

}  // namespace

std::string DoubleNulList(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) {
    list += path;
    list.push_back('\0');
  }
  list.push_back('\0');
  return list;
}

BOOL CollectFileSources(int pane, BOOL listOnly, FileSources* sources) {
  *sources = FileSources{};
  if (pane < 0 || pane > 1) return FALSE;
  HWND list = FilePanes[pane].list;
  HWND tree = FilePanes[pane].tree;
  const bool fromList = listOnly || (list && PaneLastFocus() == list) || !tree;
  if (fromList) {
    if (!list) return FALSE;
    for (int index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         index >= 0; index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, index, LVNI_SELECTED))) {
      FileListItem* record = GetListItemRecord(list, index);
      char path[MAX_PATH] = "";
      if (!record || !record->folder || !record->pidl ||
          !GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path) || !path[0])
        continue;
      DWORD attributes = GetFileAttributesA(path);
      sources->paths.push_back(path);
      sources->folders.push_back(attributes != INVALID_FILE_ATTRIBUTES ? (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                                                       : (record->attributes & SFGAO_FOLDER) != 0);
    }
  } else {
    // The tree's folder; never the desktop itself.
    if (IsTreeRootSelected(tree)) return FALSE;
    char path[MAX_PATH] = "";
    if (!GetTreeSelectionPath(tree, path, FALSE, TRUE) || !path[0]) return FALSE;
    sources->paths.push_back(path);
    sources->folders.push_back(true);
    sources->fromTree = true;
  }
  if (sources->paths.empty()) return FALSE;
  sources->folder = FolderPart(sources->paths[0]);
  return TRUE;
}

std::string ApplyRenamePattern(const char* patternText, const char* nameText) {
  std::string pattern = patternText ? patternText : "", name = nameText ? nameText : "";
  auto apply = [](const std::string& mask, const std::string& source) {
    std::string out;
    size_t at = 0;
    for (char c : mask) {
      if (c == '*') {
        if (at < source.size()) out += source.substr(at);
        at = source.size();
      } else if (c == '?') {
        if (at < source.size()) out += source[at];
        ++at;
      } else {
        out += c;
        ++at;
      }
    }
    return out;
  };
  std::string result;
  size_t maskDot = pattern.find_last_of('.');
  if (maskDot == std::string::npos) {
    result = apply(pattern, name);
  } else {
    size_t nameDot = name.find_last_of('.');
    std::string base = nameDot == std::string::npos || nameDot == 0 ? name : name.substr(0, nameDot);
    std::string extension = nameDot == std::string::npos || nameDot == 0 ? "" : name.substr(nameDot + 1);
    std::string newBase = apply(pattern.substr(0, maskDot), base);
    std::string newExtension = apply(pattern.substr(maskDot + 1), extension);
    result = newExtension.empty() ? newBase : newBase + "." + newExtension;
  }
  while (!result.empty() && (result.back() == '.' || result.back() == ' ')) result.pop_back();
  return result;
}

std::string FreeCopyName(const std::string& folder, const std::string& name) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  char first[100] = "", nth[100] = "";
  if (!LoadStringA(instance, IDS_COPY_NAME_FIRST, first, sizeof first)) lstrcpyA(first, "Copy of %1");
  if (!LoadStringA(instance, IDS_COPY_NAME_NTH, nth, sizeof nth)) lstrcpyA(nth, "Copy (%2) of %1");
  for (int number = 1; number < 10000; ++number) {
    std::string candidate = number == 1 ? first : nth;
    size_t at;
    if ((at = candidate.find("%2")) != std::string::npos) candidate.replace(at, 2, std::to_string(number));
    if ((at = candidate.find("%1")) != std::string::npos) candidate.replace(at, 2, name);
    std::string path = JoinPath(folder, candidate);
    if (path.size() >= MAX_PATH) return "";
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() != ERROR_ACCESS_DENIED)
      return candidate;
  }
  return "";
}

LONG RunningCopyMoveWorkers() { return g_runningWorkers.load(); }

LRESULT DeleteSelectedFiles(UINT commandId) {
  int pane = ActivePaneIndex;
  FileSources sources;
  if (!CollectFileSources(pane, FALSE, &sources)) return 1;
  std::string from = DoubleNulList(sources.paths);
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = g_mainWindow;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = commandId == ID_FILE_RECYCLE ? FOF_ALLOWUNDO : 0;
  RunMutedOperation(pane, &operation, ParentOfSelected(FilePanes[pane].tree), true);
  return 1;
}

LRESULT RunGroupRename(const char* pattern) {
  if (!pattern || !pattern[0]) return 1;
  std::string patternText = pattern;
  if (patternText.find_first_of("\\/:\"<>|") != std::string::npos) {
    ShowNameError(IDS_RENAME_BAD_CHARACTER);
    return 1;
  }
  int pane = ActivePaneIndex;
  FileSources sources;
  if (!CollectFileSources(pane, TRUE, &sources)) return 1;
  std::vector<std::string> from, to;
  for (const std::string& path : sources.paths) {
    std::string name = ApplyRenamePattern(pattern, NamePart(path).c_str());
    if (name.empty() || name == NamePart(path)) continue;
    from.push_back(path);
    to.push_back(JoinPath(FolderPart(path), name));
  }
  if (from.empty()) return 1;
  std::string fromList = DoubleNulList(from), toList = DoubleNulList(to);
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = g_mainWindow;
  operation.wFunc = FO_MOVE;
  operation.pFrom = fromList.c_str();
  operation.pTo = toList.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_MULTIDESTFILES;
  RunMutedOperation(pane, &operation, ParentOfSelected(FilePanes[pane].tree), false);
  return 1;
}

LRESULT CommitLabelRename(NMHDR* notification, HWND sender) {
  g_renameInProgress = 0;
  if (!notification || !sender) return 0;
  int pane = PaneIndexOfWindow(sender);
  HWND tree = FilePanes[pane].tree;
  HWND list = FilePanes[pane].list;
  const bool fromTree = sender == tree;
  const char* typed;
  IShellFolder* folder = nullptr;
  LPCITEMIDLIST item = nullptr;
  bool fileSystem = false, ftp = false;
  LPARAM editedItem;
  HTREEITEM refreshFrom;
  if (fromTree) {
    auto* info = reinterpret_cast<NMTVDISPINFOA*>(notification);
    typed = info->item.pszText;
    editedItem = reinterpret_cast<LPARAM>(info->item.hItem);
    FolderTreeItem* record = GetTreeItemRecord(tree, info->item.hItem);
    if (!record || !record->folder || !record->relative) return 0;
    folder = record->folder;
    item = record->relative;
    ftp = record->kind & kTreeKindFtpBranch;
    ULONG attributes = SFGAO_FILESYSTEM;
    fileSystem = SUCCEEDED(folder->GetAttributesOf(1, &item, &attributes)) && (attributes & SFGAO_FILESYSTEM);
    refreshFrom = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, editedItem));
  } else {
    auto* info = reinterpret_cast<NMLVDISPINFOA*>(notification);
    typed = info->item.pszText;
    editedItem = info->item.iItem;
    FileListItem* record = GetListItemRecord(list, info->item.iItem);
    if (!record || !record->folder || !record->pidl) return 0;
    folder = record->folder;
    item = record->pidl;
    fileSystem = record->kind != kItemNonFileSystem && (record->attributes & SFGAO_FILESYSTEM);
    HTREEITEM node = tree ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
    FolderTreeItem* selected = node ? GetTreeItemRecord(tree, node) : nullptr;
    ftp = selected && (selected->kind & kTreeKindFtpBranch);
    refreshFrom = ParentOfSelected(tree);
  }
  char display[MAX_PATH] = "";
  GetDisplayNameText(folder, item, SHGDN_NORMAL, display);
  if (!typed) return 0;  // editing cancelled: the label stays as it was
  const std::string text = typed;

  if (!fileSystem || ftp) {
    if (text == display) return 1;
    WCHAR wide[520];
    if (!MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 520)) return 0;
    LPITEMIDLIST renamed = nullptr;
    HRESULT hr = folder->SetNameOf(g_mainWindow, item, wide, SHGDN_NORMAL, &renamed);
    FreePidl(renamed);
    if (g_mainWindow) PostMessageA(g_mainWindow, WM_COMMAND, ID_VIEW_REFRESH, 0);
    return SUCCEEDED(hr) ? 1 : 0;
  }

  // A file-system item: the name is checked first.
  std::string base = text.substr(0, text.find_last_of('.') == std::string::npos ? text.size() : text.find_last_of('.'));
  if (base.find_first_not_of(' ') == std::string::npos) {
    ShowNameError(IDS_RENAME_EMPTY_NAME);
    ReopenLabelEdit(sender, fromTree, editedItem, text);
    return 0;
  }
  if (HasBadCharacter(text)) {
    ShowNameError(IDS_RENAME_BAD_CHARACTER);
    ReopenLabelEdit(sender, fromTree, editedItem, text);
    return 0;
  }
  char parsing[MAX_PATH] = "";
  if (!GetDisplayNameText(folder, item, SHGDN_FORPARSING, parsing) || !parsing[0]) return 0;
  const std::string source = parsing;
  const std::string oldName = NamePart(source);
  std::string newName = text;
  if (GetLiveOptions().keepHiddenExtension) {
    if (lstrcmpiA(display, oldName.c_str()) != 0) newName += ExtensionOf(oldName);
  } else if (ExtensionOf(display).empty() && ExtensionOf(text).empty()) {
    newName += ExtensionOf(oldName);
  }
  const std::string target = JoinPath(FolderPart(source), newName);
  if (target == source) return 1;
  if (target.size() >= MAX_PATH) {
    ReopenLabelEdit(sender, fromTree, editedItem, text);
    return 0;
  }
  if (GetLiveOptions().viewerShown && !fromTree) ClearPaneViewer();
  std::string from = DoubleNulList({source}), to = DoubleNulList({target});
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = g_mainWindow;
  operation.wFunc = FO_RENAME;
  operation.pFrom = from.c_str();
  operation.pTo = to.c_str();
  operation.fFlags = FOF_ALLOWUNDO;
  MutePaneWatcher(pane);
  int result = g_runFileOperation(&operation);
  // A change of case only: a shell that takes the new name for the existing file refuses it,
  // or leaves the name as it was.
  if (lstrcmpiA(target.c_str(), source.c_str()) == 0) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(target.c_str(), &data);
    bool renamed = find != INVALID_HANDLE_VALUE && newName == data.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    if (!renamed) {
      // Through a free temporary name: a system may see the two names as one file.
      std::string step = JoinPath(FolderPart(source), "~jqrename" + std::to_string(GetCurrentProcessId()) + ".tmp");
      result = static_cast<int>(ERROR_ALREADY_EXISTS);
      if (GetFileAttributesA(step.c_str()) == INVALID_FILE_ATTRIBUTES && MoveFileA(source.c_str(), step.c_str())) {
        if (MoveFileA(step.c_str(), target.c_str())) result = 0;
        else MoveFileA(step.c_str(), source.c_str());
      }
    }
  }
  UnmutePaneWatcher(pane);
  if (result != 0 || GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // Not renamed: the editor opens again with what was typed; the label keeps the real name.
    ReopenLabelEdit(sender, fromTree, editedItem, text);
    return 0;
  }
  // The pane is read again once the control has finished with its edit.
  HTREEITEM editedNode = fromTree ? reinterpret_cast<HTREEITEM>(editedItem) : nullptr;
  bool nodeSelected = fromTree && editedNode == reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  auto after = [pane, tree, list, fromTree, refreshFrom, nodeSelected, newName, target] {
    if (FilePanes[pane].list != list) return;  // the panes were swapped meanwhile
    RefreshPaneTree(pane, refreshFrom, TRUE);
    if (fromTree && nodeSelected) SelectTreePath(tree, target.c_str(), TRUE);
    if (!fromTree) SelectListItemByName(list, newName);
  };
  if (!PrepareGuiTasks() || !PostGuiTask(after)) after();
  return 1;
}

void StartCopyMoveWorker(const char* target, UINT operation) {
  if (!target || !target[0]) return;
  int pane = ActivePaneIndex;
  auto job = std::make_unique<CopyMoveJob>();
  if (!CollectFileSources(pane, FALSE, &job->sources)) return;
  job->target = target;
  job->operation = operation == kCopyMoveMove ? kCopyMoveMove : kCopyMoveCopy;
  job->owner = g_mainWindow;
  job->list = FilePanes[pane].list;
  const LiveOptions& options = GetLiveOptions();
  job->refresh = options.forceRefreshAfterOps != 0;
  job->goToTarget = options.goToTargetAfterCopy != 0;
  job->signal = GuiTaskWindow();
  if (!job->signal) return;
  // A file moved away must not stay open in the viewer.
  if (job->operation == kCopyMoveMove && options.viewerShown &&
      PaneViewerVisible()) {
    HWND list = FilePanes[pane].list;
    int focused = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0) {
      LVITEMA state{};
      state.stateMask = LVIS_SELECTED;
      SendMessageA(list, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&state));
    }
    ClearPaneViewer();
  }
  if (job->refresh) {
    MutePaneWatcher(pane);
    job->muted = true;
  }
  ++g_runningWorkers;
  CopyMoveJob* raw = job.release();
  HANDLE thread = CreateThread(nullptr, 0, CopyMoveWorkerThread, raw, 0, nullptr);
  if (!thread) {
    if (raw->muted) UnmutePaneWatcher(pane);
    delete raw;
    --g_runningWorkers;
    return;
  }
  CloseHandle(thread);
}
