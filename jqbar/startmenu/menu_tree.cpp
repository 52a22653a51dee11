#include "menu_tree.h"

#include <cstring>

#include "le_bytes.h"

namespace jqbar {

namespace {

const char* Text(const char* s) { return s ? s : ""; }

UINT IdListSize(LPCITEMIDLIST list) { return list ? ILGetSize(list) : 0; }

// The list that holds the children of a folder path: the top list for "", else the child list
// of the folder node; null when a component is missing or not a folder.
MenuEntry** FolderListHead(PathTree* tree, const char* path) {
  MenuEntry** head = &tree->first;
  const char* p = path ? path : "";
  while (*p == '\\') ++p;
  while (*p) {
    std::string component;
    SplitPathComponent(p, component);
    MenuEntry* node = *head;
    while (node && node->name != component) node = node->next;
    if (!node || !node->isFolder) return nullptr;
    head = &node->firstChild;
    while (*p == '\\') ++p;
  }
  return head;
}

// Splits "a\b\c" into the folder "a\b" and the name "c".
void SplitLast(const char* path, std::string& folder, std::string& name) {
  std::string p = Text(path);
  std::size_t start = 0;
  while (start < p.size() && p[start] == '\\') ++start;
  p = p.substr(start);
  std::size_t cut = p.rfind('\\');
  if (cut == std::string::npos) {
    folder.clear();
    name = p;
  } else {
    folder = p.substr(0, cut);
    name = p.substr(cut + 1);
  }
}

MenuEntry** FindLink(MenuEntry** head, const std::string& name) {
  for (MenuEntry** link = head; *link; link = &(*link)->next)
    if ((*link)->name == name) return link;
  return nullptr;
}

void FreeNode(MenuEntry* node) {
  FreeMenuEntries(node->firstChild);
  if (node->idList) ILFree(node->idList);
  delete node->url;
  delete node;
}

// Stored node record: the 64 bytes of the node as it was held, pointer slots zero.
void PutRecord(std::uint8_t* p, const MenuEntry& e) {
  std::memset(p, 0, kMenuEntryRecordSize);
  std::memcpy(p + 8, e.extension, sizeof e.extension);
  p[8 + 11] = 0;
  le::PutU32(p + 20, e.isFolder);
  le::PutU32(p + 36, e.flags);
  le::PutI32(p + 48, e.runMode);
  le::PutU32(p + 52, e.hasIcon);
  le::PutI32(p + 60, e.iconIndex);
}

void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}

bool HasTarget(const MenuEntry& e) {
  return (e.flags & kEntryTargetUrl) ? e.url != nullptr : e.idList != nullptr;
}

std::size_t ListSize(const MenuEntry* list) {
  std::size_t total = 0;
  for (const MenuEntry* e = list; e; e = e->next) {
    total += 72 + e->name.size() + e->command.size() + e->startIn.size() + e->parameters.size() +
             e->iconFile.size();
    if (HasTarget(*e))
      total += (e->flags & kEntryTargetUrl) ? e->url->name.size() + e->url->url.size() + 2
                                            : IdListSize(e->idList);
    total += ListSize(e->firstChild);
  }
  return total;
}

void WriteList(const MenuEntry* list, std::vector<std::uint8_t>& out) {
  for (const MenuEntry* e = list; e; e = e->next) {
    std::size_t at = out.size();
    out.resize(at + kMenuEntryRecordSize);
    PutRecord(out.data() + at, *e);
    PutString(out, e->name);
    PutString(out, e->command);
    PutString(out, e->startIn);
    PutString(out, e->parameters);
    PutString(out, e->iconFile);
    if (HasTarget(*e)) {
      out.push_back(1);
      if (e->flags & kEntryTargetUrl) {
        PutString(out, e->url->name);
        PutString(out, e->url->url);
      } else {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(e->idList);
        out.insert(out.end(), bytes, bytes + IdListSize(e->idList));
      }
    } else {
      out.push_back(0);
    }
    out.push_back(e->firstChild ? 1 : 0);
    if (e->firstChild) WriteList(e->firstChild, out);
    out.push_back(e->next ? 1 : 0);
  }
}

// A cursor over stored bytes that never reads past the end.
struct Reader {
  const std::uint8_t* p;
  std::size_t left;
  int nodes = 0;
  bool Byte(std::uint8_t& v) {
    if (!left) return false;
    v = *p++;
    --left;
    return true;
  }
  bool String(std::string& s) {
    const void* end = std::memchr(p, 0, left);
    if (!end) return false;
    std::size_t n = static_cast<const std::uint8_t*>(end) - p;
    s.assign(reinterpret_cast<const char*>(p), n);
    p += n + 1;
    left -= n + 1;
    return true;
  }
  // An item id list: items of cb >= 2 up to a zero cb, all inside the bytes left.
  bool IdList(LPITEMIDLIST& list) {
    std::size_t at = 0;
    for (;;) {
      if (left - at < 2) return false;
      std::uint16_t cb = static_cast<std::uint16_t>(p[at] | p[at + 1] << 8);
      if (cb == 0) break;
      if (cb < 2 || cb > left - at) return false;
      at += cb;
    }
    std::size_t total = at + 2;
    list = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(total));
    if (!list) return false;
    std::memcpy(list, p, total);
    p += total;
    left -= total;
    return true;
  }
};

bool ReadList(Reader& r, MenuEntry*& head, int depth) {
  if (depth > kMaxTreeDepth) return false;
  MenuEntry** tail = &head;
  for (;;) {
    if (++r.nodes > kMaxTreeNodes || r.left < kMenuEntryRecordSize) return false;
    auto* e = new MenuEntry;
    *tail = e;
    tail = &e->next;
    const std::uint8_t* rec = r.p;
    std::memcpy(e->extension, rec + 8, sizeof e->extension);
    e->extension[sizeof e->extension - 1] = 0;
    e->isFolder = le::GetU32(rec + 20) ? 1 : 0;
    e->flags = le::GetU32(rec + 36);
    e->runMode = le::GetI32(rec + 48);
    e->hasIcon = le::GetU32(rec + 52);
    e->iconIndex = le::GetI32(rec + 60);
    r.p += kMenuEntryRecordSize;
    r.left -= kMenuEntryRecordSize;
    if (!r.String(e->name) || !r.String(e->command) || !r.String(e->startIn) ||
        !r.String(e->parameters) || !r.String(e->iconFile))
      return false;
    std::uint8_t hasTarget = 0, hasChild = 0, hasNext = 0;
    if (!r.Byte(hasTarget) || hasTarget > 1) return false;
    if (hasTarget) {
      if (e->flags & kEntryTargetUrl) {
        e->url = new UrlShortcut;
        if (!r.String(e->url->name) || !r.String(e->url->url)) return false;
      } else if (!r.IdList(e->idList)) {
        return false;
      }
    }
    // A flag without its target would be followed later as if it were there.
    if ((e->flags & kEntryTargetUrl) && !e->url) e->flags &= ~kEntryTargetUrl;
    if ((e->flags & kEntryTargetIdList) && !e->idList) e->flags &= ~kEntryTargetIdList;
    if (!r.Byte(hasChild) || hasChild > 1) return false;
    if (hasChild && !ReadList(r, e->firstChild, depth + 1)) return false;
    if (!r.Byte(hasNext) || hasNext > 1) return false;
    if (!hasNext) return true;
  }
}

}  // namespace

bool SplitPathComponent(const char*& path, std::string& component) {
  while (*path == '\\') ++path;
  const char* end = path;
  while (*end && *end != '\\') ++end;
  component.assign(path, end - path);
  path = end;
  const char* rest = end;
  while (*rest == '\\') ++rest;
  return *rest == 0;
}

void FreeMenuEntries(MenuEntry* list) {
  while (list) {
    MenuEntry* next = list->next;
    FreeNode(list);
    list = next;
  }
}

MenuEntry* CopyMenuEntries(const MenuEntry* list) {
  MenuEntry* head = nullptr;
  MenuEntry** tail = &head;
  for (const MenuEntry* e = list; e; e = e->next) {
    auto* copy = new MenuEntry(*e);
    copy->next = nullptr;
    copy->idList = e->idList ? ILClone(e->idList) : nullptr;
    copy->url = e->url ? new UrlShortcut(*e->url) : nullptr;
    copy->firstChild = CopyMenuEntries(e->firstChild);
    *tail = copy;
    tail = &copy->next;
  }
  return head;
}

int SetPathTreeEntry(PathTree* tree, const char* folderPath, const char* name, const char* command,
                     const char* startIn, const char* parameters, int runMode, const char* iconFile,
                     int iconIndex, const void* target, int isShortcut) {
  if (!tree || !name || !*name) return 0;
  MenuEntry** head = FolderListHead(tree, folderPath);
  if (!head || FindLink(head, name)) return 0;
  auto* e = new MenuEntry;
  e->name = name;
  e->command = isShortcut ? "" : Text(command);
  e->startIn = Text(startIn);
  e->parameters = Text(parameters);
  e->runMode = runMode;
  e->iconFile = Text(iconFile);
  e->hasIcon = e->iconFile.empty() ? 0 : 1;
  e->iconIndex = iconIndex;
  if (isShortcut) {
    e->flags = kEntryTargetUrl;
    if (target) {
      e->url = new UrlShortcut(*static_cast<const UrlShortcut*>(target));
    } else {
      // No pair given: the command names a .url file.
      UrlShortcut* read = ReadUrlShortcutFile(Text(command));
      if (!read || read->url.empty()) {
        FreeUrlShortcut(read);
        delete e;
        return 0;
      }
      e->url = new UrlShortcut{name, read->url};
      FreeUrlShortcut(read);
    }
  } else if (target) {
    e->flags = kEntryTargetIdList;
    e->idList = ILClone(static_cast<LPCITEMIDLIST>(target));
  }
  e->next = *head;
  *head = e;
  return 1;
}

int AddPathTreeFolder(PathTree* tree, const char* path) {
  if (!tree) return 0;
  std::string folder, name;
  SplitLast(path, folder, name);
  if (name.empty()) return 0;
  MenuEntry** head = FolderListHead(tree, folder.c_str());
  if (!head || FindLink(head, name)) return 0;
  auto* e = new MenuEntry;
  e->name = name;
  e->isFolder = 1;
  e->next = *head;
  *head = e;
  return 1;
}

int RenamePathTreeEntry(PathTree* tree, const char* folderPath, const char* oldName,
                        const char* newName) {
  if (!tree || !oldName || !newName || !*newName) return 0;
  MenuEntry** head = FolderListHead(tree, folderPath);
  if (!head || FindLink(head, newName)) return 0;
  MenuEntry** link = FindLink(head, oldName);
  if (!link) return 0;
  (*link)->name = newName;
  return 1;
}

MenuEntry* DetachPathTreeNode(PathTree* tree, const char* path) {
  if (!tree) return nullptr;
  std::string folder, name;
  SplitLast(path, folder, name);
  MenuEntry** head = FolderListHead(tree, folder.c_str());
  if (!head) return nullptr;
  MenuEntry** link = FindLink(head, name);
  if (!link) return nullptr;
  MenuEntry* node = *link;
  *link = node->next;
  node->next = nullptr;
  return node;
}

void RemovePathTreeEntry(PathTree* tree, const char* path) {
  if (MenuEntry* node = DetachPathTreeNode(tree, path)) FreeNode(node);
}

MenuEntry* FindPathTreeFolder(PathTree* tree, const char* path) {
  if (!tree) return nullptr;
  std::string folder, name;
  SplitLast(path, folder, name);
  if (name.empty()) return tree->first;
  MenuEntry** head = FolderListHead(tree, folder.c_str());
  if (!head) return nullptr;
  MenuEntry** link = FindLink(head, name);
  return link ? *link : nullptr;
}

MenuEntry* FindPathTreeEntry(PathTree* tree, const char* path) {
  MenuEntry* node = FindPathTreeFolder(tree, path);
  std::string folder, name;
  SplitLast(path, folder, name);
  if (name.empty() || !node) return node;
  return node->isFolder ? node->firstChild : node;
}

int MovePathTreeEntry(PathTree* tree, const char* sourcePath, const char* destinationFolder) {
  MenuEntry* source = FindPathTreeFolder(tree, sourcePath);
  MenuEntry** destHead = FolderListHead(tree, destinationFolder);
  if (!source || !destHead) return 0;
  std::string dest = Text(destinationFolder);
  while (!dest.empty() && dest[0] == '\\') dest.erase(0, 1);
  std::string newPath = dest.empty() ? source->name : dest + "\\" + source->name;
  std::string src = Text(sourcePath);
  while (!src.empty() && src[0] == '\\') src.erase(0, 1);
  if (lstrcmpiA(newPath.c_str(), src.c_str()) == 0) return 1;
  // A folder moved into itself or below itself would cut its own subtree loose.
  if (source->isFolder && dest.size() >= src.size() &&
      dest.compare(0, src.size(), src) == 0 && (dest.size() == src.size() || dest[src.size()] == '\\'))
    return 0;
  MenuEntry* node = DetachPathTreeNode(tree, src.c_str());
  if (!node) return 0;
  RemovePathTreeEntry(tree, newPath.c_str());
  destHead = FolderListHead(tree, dest.c_str());
  if (!destHead) {  // cannot happen: the destination is not below the source
    FreeNode(node);
    return 0;
  }
  node->next = *destHead;
  *destHead = node;
  return 1;
}

int ReplacePathTreeEntry(PathTree* tree, const char* folderPath, const char* name,
                         MenuEntry* replacement) {
  if (!tree || !name || !replacement) return 0;
  MenuEntry** head = FolderListHead(tree, folderPath);
  if (!head) return 0;
  MenuEntry** link = FindLink(head, name);
  if (!link) return 0;
  MenuEntry* old = *link;
  // Another entry of the new name would make two of one name.
  if (replacement->name != old->name && FindLink(head, replacement->name)) return 0;
  replacement->next = old->next;
  if (old->isFolder && !replacement->firstChild) {
    replacement->firstChild = old->firstChild;
    old->firstChild = nullptr;
  }
  *link = replacement;
  old->next = nullptr;
  FreeNode(old);
  return 1;
}

std::size_t GetPathTreeSize(const PathTree* tree) {
  return 1 + (tree ? ListSize(tree->first) : 0);
}

void WritePathTree(const PathTree* tree, std::vector<std::uint8_t>& out) {
  if (!tree || !tree->first) {
    out.push_back(0);
    return;
  }
  out.push_back(1);
  WriteList(tree->first, out);
}

bool ReadPathTree(PathTree* tree, const std::uint8_t* data, std::size_t size) {
  tree->first = nullptr;
  Reader r{data, size};
  std::uint8_t present = 0;
  if (!r.Byte(present) || present > 1) return false;
  if (!present) return true;
  MenuEntry* head = nullptr;
  if (!ReadList(r, head, 0)) {
    FreeMenuEntries(head);
    return false;
  }
  tree->first = head;
  return true;
}

void FreePathTree(PathTree* tree) {
  if (!tree) return;
  FreeMenuEntries(tree->first);
  tree->first = nullptr;
}

}  // namespace jqbar
