// Export of the size tree as tab-separated text.
#include "tree_export.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "folder_node.h"
#include "resource_shell.h"
#include "seams.h"
#include "shell_host.h"
#include "tree_columns.h"

namespace {

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

struct ItemInfo {
  std::string text;
  FolderNode* node = nullptr;
  bool expanded = false;
};

ItemInfo ReadItem(HWND tree, HTREEITEM item) {
  ItemInfo info;
  char text[MAX_PATH * 2] = {};
  TVITEMA tvi{};
  tvi.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
  tvi.stateMask = TVIS_EXPANDED;
  tvi.hItem = item;
  tvi.pszText = text;
  tvi.cchTextMax = sizeof(text);
  if (TreeView_GetItem(tree, &tvi)) {
    info.text = text;
    info.node = reinterpret_cast<FolderNode*>(tvi.lParam);
    info.expanded = (tvi.state & TVIS_EXPANDED) != 0;
  }
  return info;
}

// A tab or line break inside a label would break the columns; labels never hold them on disk,
// but a shell name might.
std::string FieldText(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

void AppendItem(std::string* out, HWND tree, HTREEITEM item, int level,
                const std::vector<const ColumnRecord*>& columns, bool onlyExpanded) {
  ItemInfo info = ReadItem(tree, item);
  out->append(FieldText(info.text));
  out->push_back('\t');
  for (const ColumnRecord* column : columns) {
    char value[128] = {};
    if (IsFolderNode(info.node) && TreeFormatColumnValue(column, info.node, value, sizeof(value)))
      out->append(FieldText(value));
    // A column without a value for this row still has its (empty) field.
    out->push_back('\t');
  }
  char level_text[16];
  snprintf(level_text, sizeof(level_text), "%d\r\n", level);
  out->append(level_text);
  if (onlyExpanded && !info.expanded) return;
  for (HTREEITEM child = TreeView_GetChild(tree, item); child; child = TreeView_GetNextSibling(tree, child))
    AppendItem(out, tree, child, level + 1, columns, onlyExpanded);
}

// ---- The save dialog and its range choices

struct ExportChoice {
  bool wholeTree = false;
  bool onlyExpanded = true;
  bool branchAllowed = true;
};

UINT_PTR CALLBACK ExportHookProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lParam);
      auto* choice = reinterpret_cast<ExportChoice*>(ofn->lCustData);
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(choice));
      CheckRadioButton(dialog, IDC_SH_WHOLE_TREE, IDC_SH_BRANCH, choice->wholeTree ? IDC_SH_WHOLE_TREE : IDC_SH_BRANCH);
      EnableWindow(GetDlgItem(dialog, IDC_SH_BRANCH), choice->branchAllowed);
      CheckDlgButton(dialog, IDC_SH_ONLY_EXPANDED, choice->onlyExpanded ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<OFNOTIFYA*>(lParam);
      if (header->hdr.code == CDN_FILEOK) {
        auto* choice = reinterpret_cast<ExportChoice*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (choice) {
          choice->wholeTree = IsDlgButtonChecked(dialog, IDC_SH_WHOLE_TREE) == BST_CHECKED || !choice->branchAllowed;
          choice->onlyExpanded = IsDlgButtonChecked(dialog, IDC_SH_ONLY_EXPANDED) == BST_CHECKED;
        }
      }
      return FALSE;
    }
  }
  return FALSE;
}

std::vector<const ColumnRecord*> ShownSizeColumns() {
  ColumnRecord* columns[kMaxColumns] = {};
  int n = TreeVisibleSizeColumns(columns, kMaxColumns);
  return std::vector<const ColumnRecord*>(columns, columns + (n > 0 ? n : 0));
}

}  // namespace

std::string BuildTreeExportText(const TreeRange& range, const std::vector<const ColumnRecord*>& columns) {
  std::string out;
  // Header: one title per column, then the level's title.
  out.append(LoadText(kColName));
  out.push_back('\t');
  for (const ColumnRecord* column : columns) {
    out.append(LoadText(column->typeId));
    out.push_back('\t');
  }
  out.append("Nested Level\r\n");
  if (!range.tree) return out;
  HTREEITEM start = range.start ? range.start : TreeView_GetRoot(range.tree);
  if (!start) return out;
  if (range.wholeTree) {
    for (HTREEITEM item = TreeView_GetRoot(range.tree); item; item = TreeView_GetNextSibling(range.tree, item))
      AppendItem(&out, range.tree, item, 0, columns, range.onlyExpanded);
  } else {
    AppendItem(&out, range.tree, start, 0, columns, range.onlyExpanded);
  }
  return out;
}

DWORD WriteFileReplacing(const std::string& path, const std::string& text) {
  std::string folder = path;
  size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash + 1);
  char temp[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "vlx", 0, temp)) return GetLastError();
  HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    DeleteFileA(temp);
    return error;
  }
  DWORD error = 0;
  size_t done = 0;
  while (done < text.size() && !error) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, text.data() + done, chunk, &written, nullptr) || written != chunk)
      error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    done += written;
  }
  if (!error && !FlushFileBuffers(file)) error = GetLastError();
  if (!CloseHandle(file) && !error) error = GetLastError();
  if (!error && !MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error) DeleteFileA(temp);
  return error;
}

void ExportTree(HWND owner) {
  HWND tree = ShellHostTree(owner);
  if (!tree) return;
  ExportChoice choice;
  HTREEITEM start = TreeView_GetSelection(tree);
  if (!start) {
    start = TreeView_GetRoot(tree);
    choice.wholeTree = true;
    choice.branchAllowed = false;
  }
  if (!start) return;

  std::string title = LoadText(IDS_SH_EXPORT_TITLE);
  std::string filter = LoadText(IDS_SH_EXPORT_FILTER);
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.append(2, '\0');
  char file[MAX_PATH] = {};
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = "txt";
  ofn.Flags = OFN_EXPLORER | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_OVERWRITEPROMPT |
              OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_SH_EXPORT_TREE);
  ofn.lpfnHook = ExportHookProc;
  ofn.lCustData = reinterpret_cast<LPARAM>(&choice);
  if (!GetSaveFileNameA(&ofn)) return;

  TreeRange range;
  range.tree = tree;
  range.start = start;
  range.wholeTree = choice.wholeTree;
  range.onlyExpanded = choice.onlyExpanded;
  std::string text = BuildTreeExportText(range, ShownSizeColumns());
  if (WriteFileReplacing(file, text) != 0) {
    char message[MAX_PATH + 256];
    snprintf(message, sizeof(message), LoadText(IDS_SH_EXPORT_FAILED).c_str(), file);
    std::string caption = LoadText(3);
    seams::MessageBoxA(owner, message, caption.c_str(), MB_OK | MB_ICONERROR);
  }
}
