#include "view_memory.h"

#include <commdlg.h>
#include <cstring>
#include <string>

#include "le_bytes.h"
#include "pidl.h"

namespace {

constexpr const char* kMruKey = "FolderMRU";
constexpr const char* kRecordsKey = "Folders";

LOGFONTA g_listFont;
bool g_listFontSet = false;

using le::GetF32;
using le::GetU32;
using le::PutF32;
using le::PutU32;

}  // namespace

void EncodeFolderViewRecord(const FolderViewRecord& r, uint8_t (&bytes)[kFolderViewRecordSize]) {
  uint8_t panes[596];
  EncodePanesSettings(r.panes, panes);
  memcpy(bytes, panes, sizeof panes);
  PutU32(bytes + 0, 0);
  PutU32(bytes + 4, 0);
  PutU32(bytes + 72, 0);
  const uint32_t window[] = {r.toolbarShown, r.driveBarShown, r.launchBarShown, r.statusBarShown,
                             r.commandLineBarShown, r.viewerShown, r.maximized, r.twoPanes,
                             r.orientation, static_cast<uint32_t>(r.left),
                             static_cast<uint32_t>(r.top), static_cast<uint32_t>(r.right),
                             static_cast<uint32_t>(r.bottom)};
  for (size_t i = 0; i < 13; ++i) PutU32(bytes + 596 + 4 * i, window[i]);
  PutF32(bytes + 648, r.viewerRatio);
  PutF32(bytes + 652, r.paneRatio);
}

void DecodeFolderViewRecord(const uint8_t (&bytes)[kFolderViewRecordSize], FolderViewRecord* r) {
  uint8_t panes[596];
  memcpy(panes, bytes, sizeof panes);
  DecodePanesSettings(panes, &r->panes);
  uint32_t* window[] = {&r->toolbarShown, &r->driveBarShown, &r->launchBarShown,
                        &r->statusBarShown, &r->commandLineBarShown, &r->viewerShown,
                        &r->maximized, &r->twoPanes, &r->orientation};
  for (size_t i = 0; i < 9; ++i) *window[i] = GetU32(bytes + 596 + 4 * i);
  r->left = static_cast<int32_t>(GetU32(bytes + 632));
  r->top = static_cast<int32_t>(GetU32(bytes + 636));
  r->right = static_cast<int32_t>(GetU32(bytes + 640));
  r->bottom = static_cast<int32_t>(GetU32(bytes + 644));
  r->viewerRatio = GetF32(bytes + 648);
  r->paneRatio = GetF32(bytes + 652);
  // The panes' part carries these fields in the window part of this record.
  r->panes.twoPanes = r->twoPanes;
  r->panes.orientation = r->orientation;
  r->panes.splitRatio = r->paneRatio;
}

char FindFolderViewLetter(LPCITEMIDLIST absolute) {
  const UINT size = GetPidlSize(absolute);
  if (size == 0) return 0;
  HKEY key = OpenSettingsSubkey(kMruKey, KEY_READ, false);
  if (!key) return 0;
  char letter = 0;
  std::string data(5000, '\0');
  for (DWORD index = 0;; ++index) {
    char name[1000];
    DWORD nameSize = sizeof name, dataSize = static_cast<DWORD>(data.size()), type = 0;
    LONG rc = RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                            reinterpret_cast<BYTE*>(data.data()), &dataSize);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;  // a value too big for the buffer is not a list of ours
    if (type == REG_BINARY && nameSize == 1 && dataSize == size && memcmp(data.data(), absolute, size) == 0) {
      letter = name[0];
      break;
    }
  }
  RegCloseKey(key);
  return letter;
}

int LoadFolderViewRecord(LPCITEMIDLIST absolute, FolderViewRecord* record) {
  const char letter = FindFolderViewLetter(absolute);
  if (!letter) return 0;
  HKEY key = OpenSettingsSubkey(kRecordsKey, KEY_READ, false);
  if (!key) return 0;
  const char name[2] = {letter, 0};
  uint8_t bytes[kFolderViewRecordSize];
  DWORD size = sizeof bytes, type = 0;
  const LONG rc = RegQueryValueExA(key, name, nullptr, &type, bytes, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || size != kFolderViewRecordSize) return 0;
  DecodeFolderViewRecord(bytes, record);
  return 1;
}

int SaveFolderViewRecord(LPCITEMIDLIST absolute, const FolderViewRecord& record) {
  const UINT size = GetPidlSize(absolute);
  if (size == 0) return 0;
  HKEY mru = OpenSettingsSubkey(kMruKey, KEY_ALL_ACCESS, true);
  if (!mru) return 0;
  char order[kFolderViewSlots + 2] = "";  // 60 letters and their NUL, plus our own NUL
  DWORD orderSize = kFolderViewSlots + 1, type = 0;
  if (RegQueryValueExA(mru, "MRUList", nullptr, &type, reinterpret_cast<BYTE*>(order), &orderSize) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    orderSize = 0;
  order[orderSize] = '\0';
  std::string letters;
  // Only letters of our slot range count; anything else in a damaged list is dropped.
  for (const char* c = order; *c && letters.size() < kFolderViewSlots; ++c)
    if (*c >= 'A' && *c < 'A' + kFolderViewSlots && letters.find(*c) == std::string::npos)
      letters += *c;

  char letter = FindFolderViewLetter(absolute);
  size_t at = letter ? letters.find(letter) : std::string::npos;
  if (at != std::string::npos) {
    letters.erase(at, 1);
  } else if (letters.size() == kFolderViewSlots) {
    letter = letters.back();
    letters.pop_back();
  } else {
    // The first letter of the slot range that no listed folder holds.
    letter = 0;
    for (char c = 'A'; c < 'A' + kFolderViewSlots && !letter; ++c)
      if (letters.find(c) == std::string::npos) letter = c;
  }
  letters.insert(letters.begin(), letter);
  const char name[2] = {letter, 0};
  int ok = RegSetValueExA(mru, "MRUList", 0, REG_SZ, reinterpret_cast<const BYTE*>(letters.c_str()),
                          static_cast<DWORD>(letters.size() + 1)) == ERROR_SUCCESS &&
           RegSetValueExA(mru, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(absolute), size) ==
               ERROR_SUCCESS;
  RegCloseKey(mru);
  if (!ok) return 0;
  HKEY records = OpenSettingsSubkey(kRecordsKey, KEY_WRITE, true);
  if (!records) return 0;
  uint8_t bytes[kFolderViewRecordSize];
  EncodeFolderViewRecord(record, bytes);
  ok = RegSetValueExA(records, name, 0, REG_BINARY, bytes, sizeof bytes) == ERROR_SUCCESS;
  RegCloseKey(records);
  return ok;
}

void SetListFont(const LOGFONTA& font) {
  g_listFont = font;
  g_listFontSet = true;
}

int GetListFont(LOGFONTA* font) {
  if (!g_listFontSet) return 0;
  *font = g_listFont;
  return 1;
}

HFONT CreateListFont(HWND owner) {
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = owner;
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
  cf.nFontType = SCREEN_FONTTYPE;
  if (!g_listFontSet &&
      GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof g_listFont, &g_listFont) != sizeof g_listFont) {
    ZeroMemory(&g_listFont, sizeof g_listFont);
    cf.Flags &= ~CF_INITTOLOGFONTSTRUCT;
  }
  LOGFONTA working = g_listFont;
  cf.lpLogFont = &working;
  if (!ChooseFontA(&cf)) return nullptr;
  HFONT font = CreateFontIndirectA(&working);
  if (!font) return nullptr;
  SetListFont(working);
  return font;
}
