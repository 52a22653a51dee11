// The settings in the registry: the key chain, the byte-exact records, load and save, column
// states, toolbar blobs and the recent lists.
#include "settings_store.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "seams.h"

VoltalineSettings g_settings;
UINT g_saveOnExit = 0;
std::atomic<uint32_t> g_netClusterSizes[26] = {};
char g_currentPath[MAX_PATH] = {};
BOOL g_firstRun = FALSE;

namespace {

const char* const kChain[] = {"Software", "Belmoor", "Quorvanel", "CurrentVersion", "Voltaline"};
char kClassString[] = "VoltalyData";

void Put8(uint8_t* p, size_t at, uint8_t v) { p[at] = v; }
void Put16(uint8_t* p, size_t at, uint16_t v) {
  p[at] = static_cast<uint8_t>(v);
  p[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutF64(uint8_t* p, size_t at, double v) {
  uint64_t bits;
  memcpy(&bits, &v, 8);
  for (int i = 0; i < 8; ++i) p[at + i] = static_cast<uint8_t>(bits >> (8 * i));
}
uint16_t Get16(const uint8_t* p, size_t at) { return static_cast<uint16_t>(p[at] | (p[at + 1] << 8)); }
uint32_t Get32(const uint8_t* p, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | p[at + i];
  return v;
}
double GetF64(const uint8_t* p, size_t at) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[at + i];
  double v;
  memcpy(&v, &bits, 8);
  return v;
}

// Opens the program's key (creating the chain first); 0 on failure.
HKEY OpenProgramKey(REGSAM access) {
  if (!CreateSettingsKey()) return nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kVoltalyKeyPath, 0, access, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

}  // namespace

VoltalineSettings DefaultVoltalineSettings() {
  VoltalineSettings s;
  s.tagCriteria.periods = 0;
  s.tagCriteria.periodUnit = 0;
  s.tagCriteria.dateSwitch = 0;
  return s;
}

void EncodeCriteria(const FolderCriteria& c, uint8_t out[kFolderCriteriaSize]) {
  memset(out, 0, kFolderCriteriaSize);
  Put8(out, 0, c.lastPage);
  Put8(out, 1, c.nameOptions[0]);
  Put8(out, 2, c.nameOptions[1]);
  PutF64(out, 8, c.size1);
  PutF64(out, 16, c.size2);
  Put8(out, 24, c.comparison);
  Put8(out, 25, c.sizeSwitch);
  Put16(out, 26, c.periods);
  Put8(out, 28, c.periodUnit);
  Put8(out, 29, c.dateSwitch);
  Put8(out, 30, c.furtherOption);
  Put8(out, 31, c.nameOn);
}

void DecodeCriteria(const uint8_t in[kFolderCriteriaSize], FolderCriteria* c) {
  c->lastPage = in[0];
  c->nameOptions[0] = in[1];
  c->nameOptions[1] = in[2];
  c->size1 = GetF64(in, 8);
  c->size2 = GetF64(in, 16);
  c->comparison = in[24];
  c->sizeSwitch = in[25];
  c->periods = Get16(in, 26);
  c->periodUnit = in[28];
  c->dateSwitch = in[29];
  c->furtherOption = in[30];
  c->nameOn = in[31];
}

void EncodeSettings(const VoltalineSettings& s, uint8_t out[kVoltalineSettingsSize]) {
  memset(out, 0, kVoltalineSettingsSize);
  Put8(out, 0, s.scanTarget);
  Put8(out, 1, s.scanOption);
  Put8(out, 2, s.stopAllScans);
  Put8(out, 3, s.sortColumn);
  for (int i = 0; i < 4; ++i) Put32(out, 8 + 4 * i, static_cast<uint32_t>(s.windowRect[i]));
  EncodeCriteria(s.findCriteria, out + 24);
  Put8(out, 56, s.sizeUnits);
  Put8(out, 57, s.sizeOnDisk);
  Put32(out, 60, s.scanDriveMask);
  for (int i = 0; i < 4; ++i) Put32(out, 64 + 4 * i, s.scanDriveClasses[i]);
  Put8(out, 80, s.showToolbar);
  Put8(out, 81, s.showFilePane);
  Put8(out, 82, s.showStatusBar);
  Put8(out, 83, s.showTabs);
  EncodeCriteria(s.tagCriteria, out + 88);
  Put32(out, 120, s.colour1);
  Put32(out, 124, s.colour2);
  Put32(out, 128, s.colour3);
  Put32(out, 260, s.filePaneViewMode);
  Put8(out, 264, s.lastFindPage);
  Put32(out, 268, s.shownDriveMask);
  for (int i = 0; i < 4; ++i) Put32(out, 272 + 4 * i, s.shownDriveClasses[i]);
}

void DecodeSettings(const uint8_t in[kVoltalineSettingsSize], VoltalineSettings* s) {
  s->scanTarget = in[0];
  s->scanOption = in[1];
  s->stopAllScans = in[2];
  s->sortColumn = in[3];
  for (int i = 0; i < 4; ++i) s->windowRect[i] = static_cast<int32_t>(Get32(in, 8 + 4 * i));
  DecodeCriteria(in + 24, &s->findCriteria);
  s->sizeUnits = in[56];
  s->sizeOnDisk = in[57];
  s->scanDriveMask = Get32(in, 60);
  for (int i = 0; i < 4; ++i) s->scanDriveClasses[i] = Get32(in, 64 + 4 * i);
  s->showToolbar = in[80];
  s->showFilePane = in[81];
  s->showStatusBar = in[82];
  s->showTabs = in[83];
  DecodeCriteria(in + 88, &s->tagCriteria);
  s->colour1 = Get32(in, 120);
  s->colour2 = Get32(in, 124);
  s->colour3 = Get32(in, 128);
  s->filePaneViewMode = Get32(in, 260);
  s->lastFindPage = in[264];
  s->shownDriveMask = Get32(in, 268);
  for (int i = 0; i < 4; ++i) s->shownDriveClasses[i] = Get32(in, 272 + 4 * i);
}

void EncodeColumnState(const ColumnState& c, uint8_t out[kColumnStateSize]) {
  Put32(out, 0, c.flags & kColumnStateFlagsMask);
  Put32(out, 4, c.width);
  Put16(out, 8, c.barScale);
  Put8(out, 10, c.position);
  Put8(out, 11, c.ascending);
}

void DecodeColumnState(const uint8_t in[kColumnStateSize], ColumnState* c) {
  c->flags = Get32(in, 0) & kColumnStateFlagsMask;
  c->width = Get32(in, 4);
  c->barScale = Get16(in, 8);
  c->position = in[10];
  c->ascending = in[11];
}

BOOL ReadColumnState(UINT typeId, ColumnState* state) {
  char name[16];
  _snprintf(name, sizeof name, "%u", typeId);
  name[sizeof name - 1] = 0;
  uint8_t bytes[kColumnStateSize];
  if (!ReadSettingBinary(name, bytes, sizeof bytes)) return FALSE;
  DecodeColumnState(bytes, state);
  return TRUE;
}

BOOL WriteColumnState(UINT typeId, const ColumnState& state) {
  char name[16];
  _snprintf(name, sizeof name, "%u", typeId);
  name[sizeof name - 1] = 0;
  uint8_t bytes[kColumnStateSize];
  EncodeColumnState(state, bytes);
  return WriteSettingBinary(name, bytes, sizeof bytes);
}

// ---- Registry access

BOOL CreateSettingsKey() {
  HKEY parent = seams::UserRoot();
  bool ok = true;
  HKEY opened[5] = {};
  for (int i = 0; i < 5 && ok; ++i) {
    HKEY child = nullptr;
    DWORD disposition = 0;
    ok = RegCreateKeyExA(parent, kChain[i], 0, kClassString, REG_OPTION_NON_VOLATILE,
                         KEY_ALL_ACCESS, nullptr, &child, &disposition) == ERROR_SUCCESS;
    if (ok) {
      opened[i] = child;
      parent = child;
    }
  }
  for (HKEY k : opened)
    if (k) RegCloseKey(k);
  return ok;
}

BOOL ReadSettingDword(const char* name, DWORD* value) {
  HKEY key = OpenProgramKey(KEY_READ);
  if (!key) return FALSE;
  DWORD type = 0, v = 0, size = sizeof v;
  LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || size != sizeof v) return FALSE;
  *value = v;
  return TRUE;
}

BOOL ReadSettingBinary(const char* name, void* buffer, DWORD size) {
  HKEY key = OpenProgramKey(KEY_READ);
  if (!key) return FALSE;
  DWORD type = 0, stored = 0;
  LONG r = RegQueryValueExA(key, name, nullptr, &type, nullptr, &stored);
  bool ok = r == ERROR_SUCCESS && stored == size;
  if (ok) {
    DWORD got = size;
    ok = RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(buffer), &got) ==
             ERROR_SUCCESS && got == size;
  }
  RegCloseKey(key);
  return ok;
}

BOOL ReadSettingString(const char* name, char* buffer, DWORD size) {
  if (!buffer || size == 0) return FALSE;
  HKEY key = OpenProgramKey(KEY_READ);
  if (!key) return FALSE;
  char value[1024];
  DWORD type = 0, got = sizeof value - 1;
  LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &got);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return FALSE;
  value[got < sizeof value ? got : sizeof value - 1] = 0;
  lstrcpynA(buffer, value, static_cast<int>(size));
  return TRUE;
}

BOOL WriteSettingDword(const char* name, DWORD value) {
  HKEY key = OpenProgramKey(KEY_WRITE);
  if (!key) return FALSE;
  LONG r = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

BOOL WriteSettingString(const char* name, const char* text) {
  if (!text) return FALSE;
  HKEY key = OpenProgramKey(KEY_WRITE);
  if (!key) return FALSE;
  LONG r = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1));
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

BOOL WriteSettingBinary(const char* name, const void* data, DWORD size) {
  HKEY key = OpenProgramKey(KEY_WRITE);
  if (!key) return FALSE;
  LONG r = RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

// ---- Load and save

void LoadVoltalineSettings() {
  DWORD save = 0;
  g_saveOnExit = ReadSettingDword("SaveOnExit", &save) ? save : 0;
  for (auto& size : g_netClusterSizes) size.store(0);
  uint8_t clusters[26 * 4];
  if (ReadSettingBinary("NetDriveClusterSize", clusters, sizeof clusters))
    for (int i = 0; i < 26; ++i) g_netClusterSizes[i].store(Get32(clusters, 4 * i));
  uint8_t record[kVoltalineSettingsSize];
  g_settings = DefaultVoltalineSettings();
  if (ReadSettingBinary("GLobalSettings", record, sizeof record)) {
    g_firstRun = FALSE;
    DecodeSettings(record, &g_settings);
  } else {
    g_firstRun = TRUE;
  }
  for (uint8_t* flag : {&g_settings.showToolbar, &g_settings.showFilePane,
                        &g_settings.showStatusBar, &g_settings.showTabs})
    if (*flag > 1) *flag = 1;
  // Values a stored record may carry that the program cannot use.
  if (g_settings.scanOption > 1) g_settings.scanOption = 1;
  if (g_settings.scanTarget > 1) g_settings.scanTarget = 0;
  if (g_settings.filePaneViewMode < 1 || g_settings.filePaneViewMode > 4)
    g_settings.filePaneViewMode = 3;
  if (g_currentPath[0] == 0) ReadSettingString("CurrentPath", g_currentPath, sizeof g_currentPath);
}

void SaveVoltalineSettings(BOOL force, int currentSortColumn, const char* currentPath) {
  WriteSettingDword("SaveOnExit", g_saveOnExit);
  if (!g_saveOnExit && !force) return;
  if (currentSortColumn >= 0 && currentSortColumn < 256)
    g_settings.sortColumn = static_cast<uint8_t>(currentSortColumn);
  uint8_t clusters[26 * 4];
  for (int i = 0; i < 26; ++i) Put32(clusters, 4 * i, g_netClusterSizes[i].load());
  WriteSettingBinary("NetDriveClusterSize", clusters, sizeof clusters);
  uint8_t record[kVoltalineSettingsSize];
  EncodeSettings(g_settings, record);
  WriteSettingBinary("GLobalSettings", record, sizeof record);
  if (currentPath && currentPath[0] && strlen(currentPath) < MAX_PATH)
    WriteSettingString("CurrentPath", currentPath);
}

// ---- Toolbar blobs

void SaveToolbarState(HWND toolbar, const char* valueName) {
  if (!toolbar || !CreateSettingsKey()) return;
  TBSAVEPARAMSA params{seams::UserRoot(), kVoltalyKeyPath, valueName};
  SendMessageA(toolbar, TB_SAVERESTOREA, TRUE, reinterpret_cast<LPARAM>(&params));
}

BOOL RestoreToolbarState(HWND toolbar, const char* valueName) {
  if (!toolbar || !CreateSettingsKey()) return FALSE;
  TBSAVEPARAMSA params{seams::UserRoot(), kVoltalyKeyPath, valueName};
  return SendMessageA(toolbar, TB_SAVERESTOREA, FALSE, reinterpret_cast<LPARAM>(&params)) != 0;
}

// ---- Recent lists

void AddHistoryEntry(HistoryList8* list, const char* text) {
  if (!list || !text || !text[0]) return;
  for (int i = 0; i < 8; ++i) {
    if (list->entries[i] && lstrcmpiA(list->entries[i], text) == 0) {
      char* found = list->entries[i];
      for (int j = i; j > 0; --j) list->entries[j] = list->entries[j - 1];
      list->entries[0] = found;
      return;
    }
  }
  size_t n = strnlen(text, MAX_PATH - 1);
  char* copy = new (std::nothrow) char[n + 1];
  if (!copy) return;
  memcpy(copy, text, n);
  copy[n] = 0;
  delete[] list->entries[7];
  for (int j = 7; j > 0; --j) list->entries[j] = list->entries[j - 1];
  list->entries[0] = copy;
}

void ReadHistoryList(HistoryList8* list, const char* subkey) {
  if (!list) return;
  FreeHistoryEntries(list);
  HKEY program = OpenProgramKey(KEY_READ);
  if (!program) return;
  HKEY key = nullptr;
  if (RegOpenKeyExA(program, subkey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    for (int i = 8; i >= 1; --i) {
      char name[16], value[MAX_PATH + 1];
      _snprintf(name, sizeof name, "History%d", i);
      name[sizeof name - 1] = 0;
      DWORD type = 0, size = MAX_PATH;
      if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
              ERROR_SUCCESS || type != REG_SZ)
        continue;
      value[size < MAX_PATH ? size : MAX_PATH] = 0;
      AddHistoryEntry(list, value);
    }
    RegCloseKey(key);
  }
  RegCloseKey(program);
}

void WriteHistoryList(const HistoryList8* list, const char* subkey) {
  if (!list) return;
  HKEY program = OpenProgramKey(KEY_WRITE | KEY_CREATE_SUB_KEY);
  if (!program) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(program, subkey, 0, kClassString, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    for (int i = 0; i < 8; ++i) {
      if (!list->entries[i]) continue;
      char name[16];
      _snprintf(name, sizeof name, "History%d", i + 1);
      name[sizeof name - 1] = 0;
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(list->entries[i]),
                     static_cast<DWORD>(strlen(list->entries[i]) + 1));
    }
    RegCloseKey(key);
  }
  RegCloseKey(program);
}

void FreeHistoryEntries(HistoryList8* list) {
  if (!list) return;
  for (char*& e : list->entries) {
    delete[] e;
    e = nullptr;
  }
}

void FillHistoryCombo(HWND combo, const HistoryList8* list) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  if (!list) return;
  for (char* e : list->entries)
    if (e) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e));
}
