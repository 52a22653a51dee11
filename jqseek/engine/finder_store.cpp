#include "finder_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "le_bytes.h"
#include "seams.h"

namespace {

const char* const kHistorySubkeys[kHistoryKinds] = {"FileNames", "Paths", "Texts", "Extensions"};

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

HKEY OpenFinderKey(const char* subkey, bool create) {
  std::string path = kFinderKey;
  if (subkey && *subkey) path += std::string("\\") + subkey;
  HKEY key = nullptr;
  LONG r = create ? RegCreateKeyExA(seams::UserRoot(), path.c_str(), 0, nullptr, 0,
                                    KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                  : RegOpenKeyExA(seams::UserRoot(), path.c_str(), 0, KEY_READ, &key);
  return r == ERROR_SUCCESS ? key : nullptr;
}

bool ReadBinary(HKEY key, const char* name, void* data, DWORD size) {
  DWORD type = 0, got = size;
  return RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(data), &got) == ERROR_SUCCESS &&
         got == size;
}

void WriteBinary(HKEY key, const char* name, const void* data, DWORD size) {
  RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

void ReadStrings(HKEY key, const char* format, FinderHistory* history, bool dialog) {
  history->clear();
  for (int i = kFinderHistorySlots; i >= 1; --i) {
    char name[16], text[MAX_PATH];
    wsprintfA(name, format, i);
    DWORD type = 0, size = sizeof text - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
      continue;
    text[size < sizeof text ? size : sizeof text - 1] = 0;
    if (dialog)
      AddDialogHistory(history, text);
    else
      AddCriteriaHistory(history, text);
  }
}

void WriteStrings(HKEY key, const char* format, const FinderHistory& history) {
  for (int i = 1; i <= kFinderHistorySlots; ++i) {
    char name[16];
    wsprintfA(name, format, i);
    const std::string* text = i <= static_cast<int>(history.size()) ? &history[i - 1] : nullptr;
    if (text && !text->empty())
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                     static_cast<DWORD>(text->size() + 1));
    else
      RegDeleteValueA(key, name);
  }
}

}  // namespace

void FinderGlobalSettingsToBytes(const FinderGlobalSettings& g, uint8_t* b) {
  le::PutU32(b + 0, g.viewerShown);
  le::PutU32(b + 4, g.toolbarShown);
  le::PutU32(b + 8, g.statusBarShown);
  le::PutU32(b + 12, g.sortDescending);
  le::PutU32(b + 16, g.viewCommand);
  le::PutI32(b + 20, g.left);
  le::PutI32(b + 24, g.top);
  le::PutI32(b + 28, g.width);
  le::PutI32(b + 32, g.height);
  le::PutU32(b + 36, g.sortColumn);
  le::PutF32(b + 40, g.viewerShare);
}

FinderGlobalSettings FinderGlobalSettingsFromBytes(const uint8_t* b, size_t count) {
  FinderGlobalSettings g;
  if (count < kFinderGlobalSettingsBytes) return g;
  g.viewerShown = le::GetU32(b + 0) ? 1 : 0;
  g.toolbarShown = le::GetU32(b + 4) ? 1 : 0;
  g.statusBarShown = le::GetU32(b + 8) ? 1 : 0;
  g.sortDescending = le::GetU32(b + 12) ? 1 : 0;
  g.viewCommand = le::GetU32(b + 16);
  if (g.viewCommand < 40017 || g.viewCommand > 40020) g.viewCommand = 40020;
  const int screenW = GetSystemMetrics(SM_CXVIRTUALSCREEN), screenH = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  const int screenX = GetSystemMetrics(SM_XVIRTUALSCREEN), screenY = GetSystemMetrics(SM_YVIRTUALSCREEN);
  g.width = std::clamp(le::GetI32(b + 28), 100, std::max(100, screenW));
  g.height = std::clamp(le::GetI32(b + 32), 50, std::max(50, screenH));
  // At least a corner of the window stays on the screen.
  g.left = std::clamp(le::GetI32(b + 20), screenX - g.width + 40, screenX + screenW - 40);
  g.top = std::clamp(le::GetI32(b + 24), screenY, screenY + screenH - 40);
  g.sortColumn = le::GetU32(b + 36);
  if (g.sortColumn > 7) g.sortColumn = 0;
  float share = le::GetF32(b + 40);
  g.viewerShare = std::isfinite(share) ? std::clamp(share, 0.05f, 0.95f) : 0.3f;
  return g;
}

void AddCriteriaHistory(FinderHistory* h, const std::string& text) {
  std::string t = text.substr(0, MAX_PATH - 1);
  auto it = std::find(h->begin(), h->end(), t);
  if (it != h->end()) h->erase(it);
  h->insert(h->begin(), t);
  if (h->size() > kFinderHistorySlots) h->resize(kFinderHistorySlots);
}

void AddDialogHistory(FinderHistory* h, const std::string& text) {
  if (text.empty()) return;
  std::string t = text.substr(0, MAX_PATH - 1);
  auto it = std::find_if(h->begin(), h->end(), [&](const std::string& e) { return SameIgnoringCase(e, t); });
  if (it != h->end()) h->erase(it);
  h->insert(h->begin(), t);
  if (h->size() > kFinderHistorySlots) h->resize(kFinderHistorySlots);
}

void LoadFinderSettings(FinderStore* store, FinderSettings* settings) {
  *store = FinderStore{};
  HKEY key = OpenFinderKey(nullptr, true);
  for (const char* sub : kHistorySubkeys) {
    HKEY k = OpenFinderKey(sub, true);
    if (k) RegCloseKey(k);
  }
  uint32_t drives = 0;
  if (key) {
    uint8_t bytes[kFinderGlobalSettingsBytes];
    if (ReadBinary(key, "Global Settings", bytes, sizeof bytes))
      store->global = FinderGlobalSettingsFromBytes(bytes, sizeof bytes);
    uint8_t word[4];
    if (ReadBinary(key, "Save Settings On Exit", word, 4)) store->saveOnExit = le::GetU32(word) ? 1 : 0;
    if (ReadBinary(key, "Show Path", word, 4)) store->showPath = le::GetU32(word) ? 1 : 0;
    if (ReadBinary(key, "Drives", word, 4)) drives = le::GetU32(word) & 0x03FFFFFF;
    uint8_t columns[32];
    if (ReadBinary(key, "Columns", columns, sizeof columns)) {
      store->columnsRead = true;
      for (int i = 0; i < 8; ++i) store->columns[i] = std::clamp(le::GetI32(columns + 4 * i), 0, 4000);
    }
    RegCloseKey(key);
  }
  if (drives == 0) drives = 4;
  for (int i = 0; i < 26; ++i) settings->drives[i] = (drives >> i) & 1;
  for (int k = 0; k < kHistoryKinds; ++k) {
    HKEY h = OpenFinderKey(kHistorySubkeys[k], false);
    if (h) {
      ReadStrings(h, "%d", &store->histories[k], false);
      RegCloseKey(h);
    }
  }
  store->global.viewerShown = 0;
  store->global.sortDescending = 0;
}

void SaveGlobalSettingsNow(const FinderStore& store) {
  HKEY key = OpenFinderKey(nullptr, true);
  if (!key) return;
  uint8_t bytes[kFinderGlobalSettingsBytes];
  FinderGlobalSettingsToBytes(store.global, bytes);
  WriteBinary(key, "Global Settings", bytes, sizeof bytes);
  RegCloseKey(key);
}

void SaveFinderSettings(const FinderStore& store, const FinderSettings& settings, bool detailsView) {
  if (store.saveOnExit) SaveGlobalSettingsNow(store);
  HKEY key = OpenFinderKey(nullptr, true);
  if (!key) return;
  uint8_t word[4];
  le::PutU32(word, store.saveOnExit);
  WriteBinary(key, "Save Settings On Exit", word, 4);
  le::PutU32(word, store.showPath);
  WriteBinary(key, "Show Path", word, 4);
  uint32_t drives = 0;
  for (int i = 0; i < 26; ++i)
    if (settings.drives[i]) drives |= 1u << i;
  le::PutU32(word, drives);
  WriteBinary(key, "Drives", word, 4);
  if (detailsView) {
    uint8_t columns[32];
    for (int i = 0; i < 8; ++i) le::PutI32(columns + 4 * i, store.columns[i]);
    WriteBinary(key, "Columns", columns, sizeof columns);
  }
  RegCloseKey(key);
  for (int k = 0; k < kHistoryKinds; ++k) {
    HKEY h = OpenFinderKey(kHistorySubkeys[k], true);
    if (h) {
      WriteStrings(h, "%d", store.histories[k]);
      RegCloseKey(h);
    }
  }
}

void LoadDialogHistory(FinderHistory* history, const char* subkey) {
  history->clear();
  HKEY h = OpenFinderKey(subkey, false);
  if (!h) return;
  ReadStrings(h, "History%d", history, true);
  RegCloseKey(h);
}

void SaveDialogHistory(const FinderHistory& history, const char* subkey) {
  HKEY h = OpenFinderKey(subkey, true);
  if (!h) return;
  WriteStrings(h, "History%d", history);
  RegCloseKey(h);
}

std::vector<FileTypeEntry> LoadFileTypes() {
  std::vector<FileTypeEntry> types;
  char name[256];
  for (DWORD index = 0; types.size() < 200; ++index) {
    DWORD size = sizeof name;
    LONG r = RegEnumKeyExA(HKEY_CLASSES_ROOT, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || name[0] != '.') continue;
    char progId[256], description[256];
    LONG progSize = sizeof progId;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, name, progId, &progSize) != ERROR_SUCCESS || !progId[0]) continue;
    LONG descSize = sizeof description;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, progId, description, &descSize) != ERROR_SUCCESS || !description[0])
      continue;
    FileTypeEntry e;
    e.extension.assign(name, strnlen(name, 9));
    e.description.assign(description, strnlen(description, 69));
    types.push_back(std::move(e));
  }
  std::stable_sort(types.begin(), types.end(), [](const FileTypeEntry& a, const FileTypeEntry& b) {
    return lstrcmpiA(a.description.c_str(), b.description.c_str()) < 0;
  });
  return types;
}

std::string MasksForFileType(const std::vector<FileTypeEntry>& types, const char* description) {
  std::string masks;
  for (const FileTypeEntry& t : types) {
    if (t.description != description) continue;
    std::string mask = "*" + t.extension;
    size_t needed = masks.size() + (masks.empty() ? 0 : 1) + mask.size();
    if (needed > MAX_PATH - 1) break;
    if (!masks.empty()) masks += ';';
    masks += mask;
  }
  return masks;
}

FinderCommandLine ParseFinderCommandLine(const char* commandLine) {
  FinderCommandLine out;
  std::string line = commandLine ? commandLine : "";
  // Blanks and the quotes that a path with spaces comes in are not part of a value.
  auto trim = [](std::string s) {
    size_t a = s.find_first_not_of(" \t\"");
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(" \t\"");
    return s.substr(a, b - a + 1);
  };
  size_t firstSlash = line.find('/');
  out.savedSearch = trim(line.substr(0, firstSlash));
  if (out.savedSearch.size() > MAX_PATH - 1) out.savedSearch.resize(MAX_PATH - 1);
  // Each value runs to the next '/' or the end of the line.
  auto value = [&](const char* switchName, std::string* into) {
    size_t at = 0;
    const size_t n = strlen(switchName);
    while ((at = line.find('/', at)) != std::string::npos) {
      if (_strnicmp(line.c_str() + at, switchName, n) == 0) {
        size_t start = at + n;
        size_t end = line.find('/', start);
        *into = trim(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (into->size() > MAX_PATH - 1) into->resize(MAX_PATH - 1);
        return true;
      }
      ++at;
    }
    return false;
  };
  out.hasPath = value("/PATH:", &out.path);
  out.hasMask = value("/MASK:", &out.mask);
  size_t at = 0;
  while ((at = line.find('/', at)) != std::string::npos) {
    if (_strnicmp(line.c_str() + at, "/GO", 3) == 0) out.go = true;
    ++at;
  }
  return out;
}
