// Print Files, Print File List, Print Folder Tree and Send by Mail on the active pane.
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "pane_host.h"
#include "pidl.h"
#include "print_services.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "send_mail.h"
#include "tree_nodes.h"
#include "viewer_pane.h"

namespace {

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

void ShowError(HWND owner, UINT id) {
  seams::MessageBoxA(owner, LoadText(id).c_str(), g_appName, MB_ICONHAND);
}

bool ListHasFocus(int pane) {
  HWND list = FilePanes[pane].list;
  HWND focus = GetFocus();
  if (!list) return false;
  if (focus == list) return true;
  if (focus == FilePanes[pane].tree) return false;
  return g_frame.lastFocus == list;
}

bool TreeHasFocus(int pane) {
  HWND tree = FilePanes[pane].tree;
  return tree && (GetFocus() == tree || (GetFocus() != FilePanes[pane].list && g_frame.lastFocus == tree));
}

// The pane shows something that is not a plain folder: an archive or an FTP site.
bool PaneShowsArchiveOrFtp(int pane) {
  const FilePane& p = FilePanes[pane];
  if (p.listKind == kListKindArchive) return true;
  FolderTreeItem* item = p.tree ? GetSelectedTreeItem(p.tree) : nullptr;
  return item && (item->kind & (kTreeKindFtpBranch | kTreeKindFtpSite | kTreeKindFtpFolder));
}

PrintTexts LoadPrintTexts() {
  PrintTexts texts;
  texts.documentName = g_appName;
  texts.pageLabel = LoadText(IDS_PRINT_PAGE_LABEL);
  texts.columnHeader[0] = LoadText(IDS_PRINT_HEADER_FILES);
  texts.columnHeader[1] = LoadText(IDS_PRINT_HEADER_NAME);
  texts.columnHeader[2] = LoadText(IDS_PRINT_HEADER_ARCHIVE);
  return texts;
}

// The parsing path of the pane tree's selected folder, or empty.
std::string TreeSelectionPath(int pane) {
  HWND tree = FilePanes[pane].tree;
  FolderTreeItem* item = tree ? GetSelectedTreeItem(tree) : nullptr;
  char name[MAX_PATH] = "";
  if (!item || !item->folder || !item->relative) return "";
  if (!GetDisplayNameText(item->folder, item->relative, SHGDN_FORPARSING, name)) return "";
  return name;
}

}  // namespace

LRESULT PrintSelectedFiles(HWND window, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  HWND list = FilePanes[pane].list;
  if (!list) return RefuseCommand();
  PrintFilesRequest request;
  request.sourceList = list;
  request.centerOver = window;
  request.helpTopic = 30;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* record = GetListItemRecord(list, i);
    if (record && (record->attributes & SFGAO_LINK)) request.linkItems.push_back(i);
  }
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_PRINT_FILES), window, PrintFilesDlgProc,
                      reinterpret_cast<LPARAM>(&request)) != 1)
    return 0;
  // The paths first: printing may start programs that change the list meanwhile.
  std::vector<std::string> paths;
  std::vector<std::string> entries;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record) continue;
    if (record->kind == kItemArchiveEntry) {
      if (record->entryPath) entries.push_back(record->entryPath);
      continue;
    }
    if (!record->folder || !record->pidl) continue;
    if (record->attributes & SFGAO_FOLDER) continue;
    char path[MAX_PATH] = "";
    if (GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path) && path[0]) paths.push_back(path);
  }
  for (const std::string& path : paths) PrintFileWithShell(window, path.c_str());
  if (!entries.empty()) {
    // Entries of an archive are printed from copies in the archive temporary folder; the viewer
    // stays out of the way while they are extracted, and an entry that cannot be extracted is
    // passed over.
    SuspendViewerUpdates(true);
    if (PaneViewerVisible()) ClearViewerPane();
    for (const std::string& entry : entries) {
      char copy[MAX_PATH] = "";
      if (ExtractArchiveEntryCopy(entry.c_str(), copy)) PrintFileWithShell(window, copy);
    }
    SuspendViewerUpdates(false);
    if (PaneViewerVisible()) ShowSelectionInViewer();
  }
  return 0;
}

LRESULT PrintFileList(HWND window, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  HWND list = FilePanes[pane].list;
  if (!list) return RefuseCommand();
  PrintListRequest request;
  request.owner = window;
  request.list = list;
  request.templateModule = g_instance;
  request.texts = LoadPrintTexts();
  request.title = TreeSelectionPath(pane);
  // The kind of the first item with a record (the up entry has none).
  request.listKind = -1;
  int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record) continue;
    request.listKind = record->kind == kItemNonFileSystem ? kPrintListNameOnly
                       : record->kind == kItemArchiveEntry ? kPrintListArchive
                                                            : kPrintListFileSystem;
    break;
  }
  if (request.listKind == kPrintListFileSystem && FilePanes[pane].listKind == kListKindArchive)
    request.listKind = kPrintListArchive;
  if (request.listKind < 0 && count > 0) request.listKind = kPrintListNameOnly;
  // Columns of the list in the order of the printed header.
  if (request.listKind == kPrintListFileSystem) {
    request.columns = {0, 2, 4, 5, 6, 3};
  } else if (request.listKind == kPrintListArchive) {
    request.columns = {0, 2, 3, 4, 5, 6, 9};
  } else {
    request.columns = {0};
  }
  PrintFileList(request);
  return 0;
}

LRESULT PrintFolderTree(HWND window, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  HWND tree = FilePanes[pane].tree;
  if (!tree) return RefuseCommand();
  PrintTreeRequest request;
  request.owner = window;
  request.tree = tree;
  request.start = TreeView_GetSelection(tree);
  if (!request.start) request.start = TreeView_GetRoot(tree);
  request.pidlOf = TreeItemAbsolutePidl;
  request.templateModule = g_instance;
  request.texts = LoadPrintTexts();
  request.title = TreeSelectionPath(pane);
  PrintFolderTree(request);
  return 0;
}

// The files are collected here, on the window's own thread; the mail thread gets a copy.
LRESULT SendSelectionByMail(HWND window, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  auto job = std::make_unique<MailJob>();
  job->subjectForMany = LoadText(IDS_MAIL_FILES_ATTACHED);
  if (!PaneShowsArchiveOrFtp(pane)) {
    if (!ListHasFocus(pane)) {
      ShowError(window, IDS_MAIL_NO_FOLDERS);
      return 0;
    }
    std::vector<FileListItem*> items;
    for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(p.list, i, LVNI_SELECTED)) {
      FileListItem* record = GetListItemRecord(p.list, i);
      if (!record || !record->folder || !record->pidl) continue;
      if (!(record->attributes & SFGAO_FILESYSTEM)) {
        ShowError(window, IDS_MAIL_NOT_A_FILE);
        return 0;
      }
      if (record->attributes & SFGAO_FOLDER) {
        ShowError(window, IDS_MAIL_NO_FOLDERS);
        return 0;
      }
      char path[MAX_PATH] = "";
      if (!GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path) || !path[0]) return 0;
      items.push_back(record);
    }
    for (FileListItem* record : items) {
      char path[MAX_PATH] = "", name[MAX_PATH] = "";
      GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path);
      GetDisplayNameText(record->folder, record->pidl, SHGDN_NORMAL, name);
      job->files.push_back({path, CompleteMailName(name, path)});
    }
  } else {
    if (!TreeHasFocus(pane)) {
      ShowError(window, IDS_MAIL_NOT_IN_ARCHIVE);
      return 0;
    }
    FolderTreeItem* item = GetSelectedTreeItem(p.tree);
    char path[MAX_PATH] = "", name[MAX_PATH] = "";
    if (!item || !item->folder || !item->relative ||
        !GetDisplayNameText(item->folder, item->relative, SHGDN_FORPARSING, path) || !path[0])
      return 0;
    GetDisplayNameText(item->folder, item->relative, SHGDN_NORMAL, name);
    job->files.push_back({path, CompleteMailName(name, path)});
  }
  if (job->files.empty()) return 0;
  SendSelectionByMail(job.release());
  return 0;
}
