#include "tree_nodes.h"
#include <cstring>
#include <string>
#include "pidl.h"
#include "settings_store.h"

namespace {
HTREEITEM Next(HWND tree, HTREEITEM node, UINT relation) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(node)));
}

// The name a node is matched by: its parsing name, else two backslashes and its display name
// (a server of the network, whose parsing name the shell may not give, matches as a UNC name).
void MatchName(const FolderTreeItem* record, char (&name)[MAX_PATH + 1]) {
  name[0] = 0;
  if (!record || !record->folder) return;
  if (GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, name, sizeof name) &&
      name[0])
    return;
  char display[MAX_PATH] = "";
  if (GetDisplayNameText(record->folder, record->relative, SHGDN_NORMAL, display))
    wsprintfA(name, "\\\\%s", display);
  else
    name[0] = 0;
}
}  // namespace

int CALLBACK CompareFolderTreeItems(LPARAM first, LPARAM second, LPARAM) {
  auto* a = reinterpret_cast<FolderTreeItem*>(first);
  auto* b = reinterpret_cast<FolderTreeItem*>(second);
  if (!a || !b || !a->folder || !a->relative || !b->relative) return 0;
  // The FTP-sites node stays last.
  if (a->kind & kTreeKindFtpRoot) return (b->kind & kTreeKindFtpRoot) ? 0 : 1;
  if (b->kind & kTreeKindFtpRoot) return -1;
  HRESULT hr = a->folder->CompareIDs(0, a->relative, b->relative);
  if (FAILED(hr)) return 0;
  return static_cast<short>(HRESULT_CODE(hr));
}

FolderTreeItem* GetTreeItemRecord(HWND tree, HTREEITEM node) {
  if (!node) return nullptr;
  TVITEMA item{};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<FolderTreeItem*>(item.lParam);
}

LPCITEMIDLIST TreeItemAbsolutePidl(HWND tree, HTREEITEM node) {
  FolderTreeItem* record = GetTreeItemRecord(tree, node);
  return record ? record->absolute : nullptr;
}

BOOL IsHiddenUnixRoot(const char* parsingName) {
  // Wine shows the host's whole file system, which it also maps to Z:, as a desktop folder
  // whose parsing names are Unix paths; it is hidden together with Z:.
  return parsingName && parsingName[0] == '/' && IsDriveHidden("Z:");
}

BOOL IsDriveRootText(const char* path) {
  return path && path[0] && path[1] == ':' && path[2] == '\\' && path[3] == 0;
}

BOOL IsDriveHidden(const char* path) {
  if (!path || !path[0] || path[1] != ':') return FALSE;
  char letter = path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return FALSE;
  DWORD mask = GetLiveOptions().driveFilters.driveMask;
  return (mask & (1u << (letter - 64))) == 0;
}

HTREEITEM SelectTreePathComponents(HWND tree, const char* path, HTREEITEM start, BOOL select,
                                   TreeNodeFill fill, void* context) {
  if (!tree || !path) return nullptr;
  std::string wanted(path);
  CharUpperBuffA(wanted.data(), static_cast<DWORD>(wanted.size()));
  if (wanted.size() > 3 && wanted.back() == '\\') wanted.pop_back();
  HTREEITEM node = start;
  while (node) {
    char name[MAX_PATH + 1];
    MatchName(GetTreeItemRecord(tree, node), name);
    size_t length = strlen(name);
    if (length) {
      CharUpperBuffA(name, static_cast<DWORD>(length));
      bool boundary = wanted.compare(0, length, name) == 0 &&
                      (name[length - 1] == '\\' || wanted.size() == length || wanted[length] == '\\');
      if (boundary) {
        if (wanted.size() == length) {
          if (select) {
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
            SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
          }
          return node;
        }
        if (fill) fill(tree, node, context);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
        node = Next(tree, node, TVGN_CHILD);
        continue;
      }
    }
    node = Next(tree, node, TVGN_NEXT);
  }
  return nullptr;
}
