#include "menu_bar_settings.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "le_bytes.h"
#include "resource_startmenu.h"
#include "seams.h"

namespace jqbar {

namespace {

std::mutex g_overrideLock;
std::string g_programsOverride;

// A cursor over the blob that never reads past its end.
struct BlobReader {
  const std::uint8_t* p;
  std::size_t left;
  bool Skip(std::size_t n) {
    if (n > left) return false;
    p += n;
    left -= n;
    return true;
  }
  bool I32(std::int32_t& v) {
    if (left < 4) return false;
    v = le::GetI32(p);
    return Skip(4);
  }
  bool String(std::string& s, std::size_t maxChars) {
    const void* end = std::memchr(p, 0, left);
    if (!end) return false;
    std::size_t n = static_cast<const std::uint8_t*>(end) - p;
    if (n > maxChars) return false;
    s.assign(reinterpret_cast<const char*>(p), n);
    return Skip(n + 1);
  }
};

void PutButtonRecord(std::uint8_t* p, const MenuButton& b) {
  std::memset(p, 0, kMenuButtonRecordSize);
  std::memcpy(p + 4, b.name, sizeof b.name);
  le::PutI32(p + 72, b.iconIndex);
  le::PutU32(p + 76, b.pressed);
  le::PutU32(p + 80, b.flags);
  le::PutI32(p + 84, b.csidl);
  le::PutU32(p + 88, b.userMenu);
  le::PutU32(p + 92, b.removed);
}

void GetButtonRecord(const std::uint8_t* p, MenuButton& b) {
  std::memcpy(b.name, p + 4, sizeof b.name);
  if (!std::memchr(b.name, 0, kMenuNameChars + 1)) b.name[kMenuNameChars] = 0;
  b.name[sizeof b.name - 1] = 0;
  b.iconIndex = le::GetI32(p + 72);
  b.pressed = 0;
  b.flags = le::GetU32(p + 80);
  b.csidl = le::GetI32(p + 84);
  b.userMenu = le::GetU32(p + 88);
  b.removed = le::GetU32(p + 92);
}

bool InList(const std::vector<std::string>& list, const char* name) {
  for (const auto& n : list)
    if (lstrcmpiA(n.c_str(), name) == 0) return true;
  return false;
}

bool IsNt() { return (GetVersion() & 0x80000000u) == 0; }

// Option words outside their ranges take the new bar's values.
void CheckOptions(MenuBarSettings& h) {
  if (h.maxPerRegion < 1 || h.maxPerRegion > 100) h.maxPerRegion = 5;
  if (h.widthMin < 20 || h.widthMin > 400) h.widthMin = 75;
  if (h.widthMax < 20 || h.widthMax > 400) h.widthMax = 300;
  if (h.widthMax < h.widthMin) h.widthMax = h.widthMin;
  if (h.smallIcons > 1) h.smallIcons = 1;
  if (h.firstVisible < 0) h.firstVisible = 0;
}

}  // namespace

void SetDefaultMenuBarSettings(MenuBarInstance* bar) {
  MenuBarSettings& h = bar->head;
  std::memset(&h, 0, sizeof h);
  h.mark = kMenuBarMark;
  h.smallIcons = 1;
  h.regions = 1;
  h.automatic = 1;
  h.maxPerRegion = 5;
  h.widthMin = 75;
  h.widthMax = 300;
  h.showIcons = 1;
}

std::vector<std::uint8_t> SaveMenuBarSettings(const MenuBarInstance* bar) {
  MenuBarSettings h = bar->head;
  std::memset(h.regionHeads, 0, sizeof h.regionHeads);
  h.removedNames = 0;
  std::memset(h.folderNames, 0, sizeof h.folderNames);
  h.removedCount = static_cast<std::int32_t>(bar->removedNames.size());
  h.folderCount = static_cast<std::int32_t>(bar->folderNames.size());
  int regions = std::clamp(h.regions, 1, kMaxRegions);
  h.regions = regions;

  std::vector<std::uint8_t> out(kMenuBarHeadSize);
  le::PutU32(out.data(), h.mark);
  for (std::size_t off = 4; off < kMenuBarHeadSize; off += 4)
    le::PutU32(out.data() + off, reinterpret_cast<const std::uint32_t*>(&h)[off / 4]);
  for (int r = 0; r < regions; ++r) {
    std::int32_t kept = 0;
    for (const MenuButton* b : bar->regions[r]) kept += IsKeptButton(*b) ? 1 : 0;
    std::size_t at = out.size();
    out.resize(at + 4);
    le::PutI32(out.data() + at, kept);
    for (const MenuButton* b : bar->regions[r]) {
      if (!IsKeptButton(*b)) continue;
      at = out.size();
      out.resize(at + kMenuButtonRecordSize);
      PutButtonRecord(out.data() + at, *b);
      out.insert(out.end(), b->iconFile.begin(), b->iconFile.end());
      out.push_back(0);
      if (b->userMenu) {
        at = out.size();
        out.resize(at + 4);
        std::size_t before = out.size();
        WritePathTree(&b->tree, out);
        le::PutI32(out.data() + at, static_cast<std::int32_t>(out.size() - before));
      }
    }
  }
  for (const auto& n : bar->removedNames) {
    out.insert(out.end(), n.begin(), n.end());
    out.push_back(0);
  }
  for (const auto& n : bar->folderNames) {
    out.insert(out.end(), n.begin(), n.end());
    out.push_back(0);
  }
  return out;
}

bool LoadMenuBarSettings(MenuBarInstance* bar, const void* blob, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(blob);
  MenuBarSettings h{};
  BlobReader r{bytes, size};
  bool ok = bytes != nullptr;
  if (ok && size >= 4 && le::GetU32(bytes) == kMenuBarMark) {
    ok = size >= kMenuBarHeadSize;
    if (ok) {
      for (std::size_t off = 0; off < kMenuBarHeadSize; off += 4)
        reinterpret_cast<std::uint32_t*>(&h)[off / 4] = le::GetU32(bytes + off);
      r.Skip(kMenuBarHeadSize);
    }
  } else if (ok) {
    // The older head: its 104 bytes are the words from offset 4 on.
    ok = size >= kLegacyHeadSize;
    if (ok) {
      for (std::size_t off = 0; off < kLegacyHeadSize; off += 4)
        reinterpret_cast<std::uint32_t*>(&h)[1 + off / 4] = le::GetU32(bytes + off);
      h.mark = kMenuBarMark;
      h.widthMin = 75;
      h.widthMax = 300;
      h.showIcons = 1;
      h.folderCount = 0;
      r.Skip(kLegacyHeadSize);
    }
  }
  ok = ok && h.regions >= 1 && h.regions <= kMaxRegions && h.removedCount >= 0 &&
       h.removedCount <= kMaxFolderNames && h.folderCount >= 0 && h.folderCount <= kMaxFolderNames;

  std::vector<MenuButton*> regions[kMaxRegions];
  std::vector<std::string> removed, folders;
  int total = 0;
  for (int reg = 0; ok && reg < h.regions; ++reg) {
    std::int32_t count = 0;
    ok = r.I32(count) && count >= 0 && total + count <= kMaxMenuButtons;
    total += ok ? count : 0;
    for (std::int32_t i = 0; ok && i < count; ++i) {
      ok = r.left >= kMenuButtonRecordSize;
      if (!ok) break;
      auto* b = new MenuButton;
      regions[reg].push_back(b);
      GetButtonRecord(r.p, *b);
      r.Skip(kMenuButtonRecordSize);
      ok = r.String(b->iconFile, MAX_PATH - 1);
      if (ok && b->userMenu) {
        std::int32_t treeSize = 0;
        ok = r.I32(treeSize) && treeSize >= 1 && static_cast<std::size_t>(treeSize) <= r.left &&
             ReadPathTree(&b->tree, r.p, treeSize) && r.Skip(treeSize);
      }
      // A record that is neither kind would not be written again: it is not a stored button.
      ok = ok && IsKeptButton(*b);
    }
  }
  for (std::int32_t i = 0; ok && i < h.removedCount; ++i) {
    std::string n;
    ok = r.String(n, MAX_PATH - 1);
    if (ok) removed.push_back(n);
  }
  for (std::int32_t i = 0; ok && i < h.folderCount; ++i) {
    std::string n;
    ok = r.String(n, MAX_PATH - 1);
    if (ok) folders.push_back(n);
  }

  if (!ok) {
    for (auto& list : regions)
      for (MenuButton* b : list) FreeMenuButton(b);
    SetDefaultMenuBarSettings(bar);
    return false;
  }
  CheckOptions(h);
  bar->head = h;
  for (int reg = 0; reg < kMaxRegions; ++reg) bar->regions[reg] = std::move(regions[reg]);
  bar->removedNames = std::move(removed);
  bar->folderNames = std::move(folders);
  for (auto& list : bar->regions)
    for (MenuButton* b : list) LoadMenuButtonIcon(b);
  return true;
}

void LoadMenuButtonIcon(MenuButton* button) {
  if (button->icon) DestroyIcon(button->icon);
  button->icon = nullptr;
  if (!button->iconFile.empty())
    ExtractIconExA(button->iconFile.c_str(), button->iconIndex, nullptr, &button->icon, 1);
  if (!button->icon) {
    int id = (button->flags & kButtonSpecialFolder) ? IDI_MENU_SPECIAL
             : button->userMenu                     ? IDI_MENU_USER
             : IsCommonButton(*button)              ? IDI_MENU_COMMON
                                                    : IDI_MENU_FOLDER;
    button->icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
  }
}

void FreeMenuButton(MenuButton* button) {
  if (!button) return;
  FreePathTree(&button->tree);
  if (button->face) DeleteObject(button->face);
  if (button->icon) DestroyIcon(button->icon);
  delete button;
}

void FreeMenuButtons(MenuBarInstance* bar, bool all) {
  for (auto& list : bar->regions) {
    std::vector<MenuButton*> keep;
    for (MenuButton* b : list) {
      if (all || !IsKeptButton(*b))
        FreeMenuButton(b);
      else
        keep.push_back(b);
    }
    list = std::move(keep);
  }
  if (all) {
    bar->removedNames.clear();
    bar->folderNames.clear();
    bar->head.removedCount = 0;
    bar->head.folderCount = 0;
  }
}

bool IsMenuNameInUse(const MenuBarInstance* bar, const char* name) {
  for (const auto& list : bar->regions)
    for (const MenuButton* b : list)
      if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, b->name,
                         static_cast<int>(strnlen(b->name, kMenuNameChars)), name,
                         static_cast<int>(strnlen(name, kMenuNameChars))) == CSTR_EQUAL)
        return true;
  return false;
}

int CompareMenuNames(const char* a, const char* b) {
  if (*a == '\\') ++a;
  if (*b == '\\') ++b;
  return lstrcmpiA(a, b);
}

void AddMenuFolderName(MenuBarInstance* bar, const char* name, bool sorted) {
  auto& list = bar->folderNames;
  if (!name || !*name || InList(list, name) || list.size() >= kMaxFolderNames) return;
  if (!sorted) {
    list.insert(list.begin(), name);
  } else {
    auto at = list.begin();
    while (at != list.end() && CompareMenuNames(at->c_str(), name) <= 0) ++at;
    list.insert(at, name);
  }
  bar->head.folderCount = static_cast<std::int32_t>(list.size());
}

void RenameMenuFolderName(MenuBarInstance* bar, const char* oldName, const char* newName) {
  for (auto& n : bar->folderNames)
    if (lstrcmpiA(n.c_str(), oldName) == 0) {
      n = newName;
      return;
    }
}

void RemoveMenuFolderName(MenuBarInstance* bar, const char* name) {
  auto& list = bar->folderNames;
  for (auto it = list.begin(); it != list.end(); ++it)
    if (lstrcmpiA(it->c_str(), name) == 0) {
      list.erase(it);
      break;
    }
  bar->head.folderCount = static_cast<std::int32_t>(list.size());
}

bool IsRemovedMenuName(const MenuBarInstance* bar, const char* name) {
  return InList(bar->removedNames, name);
}

void SortMenuFolderNames(MenuBarInstance* bar) {
  std::stable_sort(bar->folderNames.begin(), bar->folderNames.end(),
                   [](const std::string& a, const std::string& b) {
                     return CompareMenuNames(a.c_str(), b.c_str()) < 0;
                   });
}

void SetProgramsFolderOverride(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_overrideLock);
  g_programsOverride = path;
}

std::string GetProgramsFolder() {
  std::string path;
  {
    std::lock_guard<std::mutex> hold(g_overrideLock);
    path = g_programsOverride;
  }
  if (path.empty()) {
    char buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_PROGRAMS, FALSE)) return "";
    path = buffer;
  }
  while (path.size() > 5 && path.back() == '\\') path.pop_back();
  return path;
}

bool GetCommonProgramsFolder(char* buffer) {
  buffer[0] = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::MachineRoot(),
                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char raw[MAX_PATH] = {};
  DWORD size = sizeof raw - 1, type = 0;
  LONG rc = RegQueryValueExA(key, "Common Programs", nullptr, &type,
                             reinterpret_cast<BYTE*>(raw), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || !raw[0]) return false;
  raw[sizeof raw - 1] = 0;
  DWORD n = ExpandEnvironmentStringsA(raw, buffer, MAX_PATH);
  if (n == 0 || n > MAX_PATH) {
    buffer[0] = 0;
    return false;
  }
  return true;
}

bool HasCommonPrograms() {
  char buffer[MAX_PATH];
  return IsNt() && GetCommonProgramsFolder(buffer);
}

std::string ResolveMenuPath(const char* relative) {
  if (IsNt() && relative[0] == '\\') {
    char common[MAX_PATH];
    if (!GetCommonProgramsFolder(common)) return "";
    std::string path = common;
    while (path.size() > 5 && path.back() == '\\') path.pop_back();
    return path + relative;
  }
  std::string programs = GetProgramsFolder();
  if (programs.empty()) return "";
  return programs + (relative[0] == '\\' ? "" : "\\") + relative;
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::strcmp(found.cFileName, ".") &&
        std::strcmp(found.cFileName, ".."))
      names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

namespace {
std::vector<std::string> AllFolderNames() {
  std::vector<std::string> names = ListSubfolders(GetProgramsFolder());
  char common[MAX_PATH];
  if (IsNt() && GetCommonProgramsFolder(common)) {
    std::string path = common;
    while (path.size() > 5 && path.back() == '\\') path.pop_back();
    for (const auto& n : ListSubfolders(path)) names.push_back("\\" + n);
  }
  return names;
}
}  // namespace

void ScanProgramsFolders(MenuBarInstance* bar) {
  for (const auto& n : AllFolderNames()) AddMenuFolderName(bar, n.c_str(), true);
}

void PruneMenuFolderNames(MenuBarInstance* bar) {
  std::vector<std::string> live = AllFolderNames();
  for (const auto& list : bar->regions)
    for (const MenuButton* b : list)
      if (IsKeptButton(*b)) live.push_back(b->name);
  std::vector<std::string> kept;
  for (const auto& n : bar->folderNames)
    if (InList(live, n.c_str())) kept.push_back(n);
  bar->folderNames = std::move(kept);
  bar->head.folderCount = static_cast<std::int32_t>(bar->folderNames.size());
}

void AddFolderButtons(MenuBarInstance* bar) {
  int total = 0;
  for (const auto& list : bar->regions) total += static_cast<int>(list.size());
  for (const auto& n : AllFolderNames()) {
    if (total >= kMaxMenuButtons) break;
    if (IsRemovedMenuName(bar, n.c_str()) || IsMenuNameInUse(bar, n.c_str())) continue;
    auto* b = new MenuButton;
    lstrcpynA(b->name, n.c_str(), kMenuNameChars + 1);
    LoadMenuButtonIcon(b);
    bar->regions[0].push_back(b);
    ++total;
  }
}

void MarkRemovedButtons(MenuBarInstance* bar) {
  for (auto& list : bar->regions)
    for (MenuButton* b : list) b->removed = IsRemovedMenuName(bar, b->name) ? 1 : 0;
}

void RedistributeMenuButtons(MenuBarInstance* bar) {
  std::vector<MenuButton*> all;
  for (auto& list : bar->regions) {
    all.insert(all.end(), list.begin(), list.end());
    list.clear();
  }
  MarkRemovedButtons(bar);
  auto position = [bar](const MenuButton* b) {
    for (std::size_t i = 0; i < bar->folderNames.size(); ++i)
      if (lstrcmpiA(bar->folderNames[i].c_str(), b->name) == 0) return static_cast<int>(i);
    return kMaxFolderNames + 1;
  };
  std::stable_sort(all.begin(), all.end(), [&](const MenuButton* a, const MenuButton* b) {
    if (a->removed != b->removed) return a->removed < b->removed;
    if (a->removed) return CompareMenuNames(a->name, b->name) < 0;
    int pa = position(a), pb = position(b);
    if (pa != pb) return pa < pb;
    return CompareMenuNames(a->name, b->name) < 0;
  });
  int regions = std::clamp(bar->head.regions, 1, kMaxRegions);
  for (std::size_t i = 0; i < all.size(); ++i) bar->regions[i % regions].push_back(all[i]);
  bar->head.firstVisible = 0;
}

int CountShownButtons(const MenuBarInstance* bar, int region) {
  int n = 0;
  for (const MenuButton* b : bar->regions[region]) n += b->removed ? 0 : 1;
  return n;
}

}  // namespace jqbar
