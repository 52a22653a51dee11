#include "settings_store.h"

#include <commctrl.h>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include "le_bytes.h"
#include "seams.h"

namespace {

using le::GetF32;
using le::GetI32;
using le::GetText;
using le::GetU32;
using le::PutF32;
using le::PutI32;
using le::PutText;
using le::PutU32;

// ---- registry access ----------------------------------------------------------------------

const char* const kChain[] = {"Software", "Belmoor", "Quorvanel", "CurrentVersion", "KestralViews"};

HKEY OpenSettingsKey(REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kSettingsKeyPath, 0, access, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// Reads a value of at most `size` bytes into `buffer`; the stored length goes to *size. A
// longer value is not read. The buffer is only written on success.
bool QueryValue(HKEY key, const char* name, void* buffer, DWORD* size, DWORD* type = nullptr) {
  DWORD want = *size;
  std::unique_ptr<BYTE[]> temp(new BYTE[want ? want : 1]);
  DWORD got = want;
  DWORD kind = 0;
  if (RegQueryValueExA(key, name, nullptr, &kind, temp.get(), &got) != ERROR_SUCCESS) return false;
  if (got > want) return false;
  memcpy(buffer, temp.get(), got);
  *size = got;
  if (type) *type = kind;
  return true;
}

// A REG_SZ value of at most MAX_PATH bytes into a MAX_PATH buffer.
bool QueryString(HKEY key, const char* name, char* buffer) {
  char text[MAX_PATH + 1];
  DWORD size = MAX_PATH, type = 0;
  if (!QueryValue(key, name, text, &size, &type)) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  text[size] = '\0';
  lstrcpynA(buffer, text, MAX_PATH);
  return true;
}

thread_local HKEY t_heldKey = nullptr;

void FolderOfProgram(char* buffer) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    buffer[0] = '\0';
    return;
  }
  char* slash = strrchr(path, '\\');
  if (slash) {
    // Keep the backslash of a drive root ("C:\x.exe" -> "C:\").
    if (slash - path == 2 && path[1] == ':') ++slash;
    *slash = '\0';
  }
  lstrcpynA(buffer, path, MAX_PATH);
}

template <size_t N>
void Copy32(uint32_t (&dst)[N], const uint32_t (&src)[N]) { memcpy(dst, src, sizeof dst); }

}  // namespace

// ---- access to the settings key --------------------------------------------------------------

int EnsureSettingsKey(int) {
  std::string path;
  HKEY root = seams::UserRoot();
  for (size_t i = 0; i + 1 < std::size(kChain); ++i) {
    if (!path.empty()) path += '\\';
    path += kChain[i];
    HKEY parent = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &parent) != ERROR_SUCCESS) {
      // The first level ("Software") may be missing beneath a private root.
      if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent,
                          nullptr) != ERROR_SUCCESS)
        return 0;
    }
    HKEY child = nullptr;
    LONG rc = RegCreateKeyExA(parent, kChain[i + 1], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &child, nullptr);
    RegCloseKey(parent);
    if (rc != ERROR_SUCCESS) return 0;
    RegCloseKey(child);
  }
  return 1;
}

HKEY OpenSettingsSubkey(const char* subkey, REGSAM access, bool create) {
  if (create && !EnsureSettingsKey(1)) return nullptr;
  std::string path = kSettingsKeyPath;
  if (subkey && *subkey) path += std::string("\\") + subkey;
  HKEY key = nullptr;
  LONG rc = create ? RegCreateKeyExA(seams::UserRoot(), path.c_str(), 0, nullptr, 0, access,
                                     nullptr, &key, nullptr)
                   : RegOpenKeyExA(seams::UserRoot(), path.c_str(), 0, access, &key);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

int ReadSettingDword(const char* name, DWORD* value) {
  EnsureSettingsKey(1);
  HKEY key = OpenSettingsKey(KEY_READ);
  if (!key) return 0;
  DWORD v = 0, size = sizeof v;
  bool ok = QueryValue(key, name, &v, &size) && size == sizeof v;
  RegCloseKey(key);
  if (ok && value) *value = v;
  return ok ? 1 : 0;
}

int ReadSettingBinary(const char* name, void* buffer, DWORD* size) {
  if (!buffer || !size) return 0;
  EnsureSettingsKey(1);
  HKEY key = OpenSettingsKey(KEY_READ);
  if (!key) return 0;
  bool ok = QueryValue(key, name, buffer, size);
  RegCloseKey(key);
  return ok ? 1 : 0;
}

int WriteSettingDword(const char* name, const DWORD* value) {
  if (!value) return 0;
  EnsureSettingsKey(1);
  HKEY key = OpenSettingsKey(KEY_WRITE);
  if (!key) return 0;
  LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(value), 4);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 1 : 0;
}

int WriteSettingBinary(const char* name, const void* data, DWORD size) {
  EnsureSettingsKey(1);
  HKEY key = OpenSettingsKey(KEY_WRITE);
  if (!key) return 0;
  LONG rc = RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 1 : 0;
}

int ReadInstallDir(char* buffer) {
  if (!buffer) return 0;
  buffer[0] = '\0';
  EnsureSettingsKey(1);
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::MachineRoot(), kProductKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    bool ok = QueryString(key, "InstallDir", buffer) && buffer[0];
    RegCloseKey(key);
    if (ok) return 1;
  }
  // Not installed (a build folder, a copied folder): the program's own folder holds the suite.
  FolderOfProgram(buffer);
  return buffer[0] ? 1 : 0;
}

int ReadSiblingInstallDir(char* buffer) {
  if (!buffer) return 0;
  buffer[0] = '\0';
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::MachineRoot(), kSiblingProductKeyPath, 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return 0;
  bool ok = QueryString(key, "InstallDir", buffer);
  RegCloseKey(key);
  if (!ok) buffer[0] = '\0';
  return ok ? 1 : 0;
}

int RegistryKeyExists(HKEY root, const char* key, const char* subkey) {
  CloseHeldKey();
  std::string path = key ? key : "";
  if (subkey && *subkey) path = path.empty() ? std::string(subkey) : path + "\\" + subkey;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return 0;
  t_heldKey = opened;
  return 1;
}

int ReadHeldString(const char* name, char* buffer) {
  if (!buffer) return 0;
  buffer[0] = '\0';
  if (!t_heldKey) return 0;
  return QueryString(t_heldKey, name, buffer) ? 1 : 0;
}

void CloseHeldKey() {
  if (t_heldKey) RegCloseKey(t_heldKey);
  t_heldKey = nullptr;
}

// ---- records -----------------------------------------------------------------------------

namespace {
void CopyToLive(LiveOptions& o, const GlobalSettings& r);
void DefaultZip(ZipDialogSettings* zip);
void DefaultUUEncode(UUEncodeSettings* uu);
}  // namespace

LiveOptions& GetLiveOptions() {
  // Until the settings are read, every option has its default.
  static LiveOptions options = [] {
    LiveOptions o{};
    GlobalSettings defaults;
    DefaultGlobalSettings(&defaults);
    CopyToLive(o, defaults);
    o.useSavedPlacement = false;
    DefaultZip(&o.zip);
    DefaultUUEncode(&o.uuencode);
    o.saveOnExit = 1;
    DefaultFileFilter(&o.fileFilter);
    DefaultDriveFilters(&o.driveFilters);
    return o;
  }();
  return options;
}

float ClampRatio(float ratio, float fallback) {
  if (!(ratio >= 0.01f && ratio <= 0.99f)) return fallback;  // NaN fails both tests
  return ratio;
}

void DefaultGlobalSettings(GlobalSettings* r) {
  memset(r, 0, sizeof *r);
  r->toolbarShown = 1;
  r->driveBarShown = 1;
  r->launchBarShown = 1;
  r->statusBarShown = 1;
  r->dosBarShown = 0;
  r->viewerShown = 0;
  r->toolbarScrolls = 1;
  r->driveBarScrolls = 1;
  r->toolbarScrollsCopy = 1;
  r->keepSelectionVisible = 1;
  r->keepFolderVisible = 1;
  r->hideSystemFiles = 0;
  r->noDragExpand = 0;
  r->titleFullPath = 1;
  r->titlePathFirst = 0;
  r->viewerTextDefault = 1;
  r->viewerDoubleClickOpens = 1;
  r->reserved68 = 1;
  r->maximized = 0;
  r->dosDeleteToRecycle = 1;
  r->dosConfirm = 1;
  r->dosCopyFolders = 0;
  r->zipConfirmDelete = 1;
  r->zipBeepWhenDone = 0;
  r->zipOpenFromList = 1;
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  r->windowRect[0] = cx / 100;
  r->windowRect[1] = cy / 10;
  r->windowRect[2] = cx * 99 / 100;
  r->windowRect[3] = cy * 9 / 10;
  r->viewerRatio = kDefaultViewerRatio;
  r->noArchiveOpenWarning = 0;
  r->noArchivesAsFolders = 0;
  r->keyboardScheme = 0;
  lstrcpynA(r->editor, "Notepad.exe", sizeof r->editor);
  r->keepHiddenExtension = 1;
  r->floatingIconToolbar = 1;
  r->colorCompressed = 1;
  r->forceRefreshAfterOps = 1;
  r->compressedColor = 0xFF0000;
  r->viewerPlacement = 0;
  r->showParsingNames = 0;
  r->resizableToolbar = 1;
  r->showUpEntry = 1;
  r->fullRowSelect = 1;
  r->genericIconsOnly = 0;
  r->singleClickOpens = 0;
  r->underlineAlways = 0;
  r->underlineHover = 0;
  r->viewerOnTop = 0;
  r->dosShowPath = 1;
  r->goToTargetAfterCopy = 0;
}

void DefaultPanesSettings(FilePanesSettings* r) {
  memset(r, 0, sizeof *r);
  r->twoPanes = 0;
  r->orientation = 1;
  for (int p = 0; p < 2; ++p) {
    r->treeShown[p] = 1;
    r->listShown[p] = 1;
    r->viewCommand[p] = 40003;
    r->treeWidth[p] = 220;
  }
  r->splitRatio = kDefaultSplitRatio;
}

void DefaultFileFilter(FileFilter* f) {
  memset(f, 0, sizeof *f);
  lstrcpynA(f->patterns, "*.*", sizeof f->patterns);
  f->archive = f->readOnly = f->hidden = f->system = 2;
  f->filesOnly = f->foldersOnly = 0;
}

void DefaultDriveFilters(DriveFilters* f) {
  f->driveMask = 0xFFFFFFFFu;
  f->floppy = f->hard = f->network = f->other = 1;
}

// The u32 fields of GlobalSettings with their offsets, for encoding and decoding.
namespace {
struct U32Field {
  size_t offset;
  uint32_t GlobalSettings::*member;
};
constexpr U32Field kGlobalU32[] = {
    {0, &GlobalSettings::toolbarShown},          {4, &GlobalSettings::driveBarShown},
    {8, &GlobalSettings::launchBarShown},        {12, &GlobalSettings::statusBarShown},
    {16, &GlobalSettings::dosBarShown},          {20, &GlobalSettings::viewerShown},
    {24, &GlobalSettings::toolbarScrolls},       {28, &GlobalSettings::driveBarScrolls},
    {32, &GlobalSettings::toolbarScrollsCopy},   {36, &GlobalSettings::keepSelectionVisible},
    {40, &GlobalSettings::keepFolderVisible},    {44, &GlobalSettings::hideSystemFiles},
    {48, &GlobalSettings::noDragExpand},         {52, &GlobalSettings::titleFullPath},
    {56, &GlobalSettings::titlePathFirst},       {60, &GlobalSettings::viewerTextDefault},
    {64, &GlobalSettings::viewerDoubleClickOpens}, {68, &GlobalSettings::reserved68},
    {72, &GlobalSettings::maximized},            {76, &GlobalSettings::dosDeleteToRecycle},
    {80, &GlobalSettings::dosConfirm},           {84, &GlobalSettings::dosCopyFolders},
    {88, &GlobalSettings::zipConfirmDelete},     {92, &GlobalSettings::zipBeepWhenDone},
    {96, &GlobalSettings::zipOpenFromList},      {160, &GlobalSettings::noArchiveOpenWarning},
    {164, &GlobalSettings::noArchivesAsFolders}, {168, &GlobalSettings::keyboardScheme},
    {432, &GlobalSettings::keepHiddenExtension}, {436, &GlobalSettings::floatingIconToolbar},
    {440, &GlobalSettings::colorCompressed},     {444, &GlobalSettings::forceRefreshAfterOps},
    {448, &GlobalSettings::compressedColor},     {452, &GlobalSettings::viewerPlacement},
    {456, &GlobalSettings::showParsingNames},    {460, &GlobalSettings::resizableToolbar},
    {464, &GlobalSettings::showUpEntry},         {468, &GlobalSettings::fullRowSelect},
    {472, &GlobalSettings::genericIconsOnly},    {476, &GlobalSettings::singleClickOpens},
    {480, &GlobalSettings::underlineAlways},     {484, &GlobalSettings::underlineHover},
    {488, &GlobalSettings::viewerOnTop},         {492, &GlobalSettings::dosShowPath},
    {496, &GlobalSettings::goToTargetAfterCopy},
};
}  // namespace

void EncodeGlobalSettings(const GlobalSettings& r, uint8_t (&b)[500]) {
  memset(b, 0, sizeof b);
  for (const auto& f : kGlobalU32) PutU32(b + f.offset, r.*f.member);
  memcpy(b + 100, r.unused100, sizeof r.unused100);
  for (int i = 0; i < 4; ++i) PutI32(b + 112 + 4 * i, r.windowRect[i]);
  PutF32(b + 128, r.viewerRatio);
  memcpy(b + 132, r.unused132, sizeof r.unused132);
  PutText(b + 172, r.editor, sizeof r.editor);
}

void DecodeGlobalSettings(const uint8_t (&b)[500], GlobalSettings* r) {
  for (const auto& f : kGlobalU32) r->*f.member = GetU32(b + f.offset);
  memcpy(r->unused100, b + 100, sizeof r->unused100);
  for (int i = 0; i < 4; ++i) r->windowRect[i] = GetI32(b + 112 + 4 * i);
  r->viewerRatio = GetF32(b + 128);
  memcpy(r->unused132, b + 132, sizeof r->unused132);
  GetText(b + 172, r->editor, sizeof r->editor);
}

void EncodePanesSettings(const FilePanesSettings& r, uint8_t (&b)[596]) {
  memset(b, 0, sizeof b);
  PutU32(b + 0, r.twoPanes);
  PutU32(b + 4, r.orientation);
  for (int p = 0; p < 2; ++p) {
    PutU32(b + 8 + 4 * p, r.treeShown[p]);
    PutU32(b + 16 + 4 * p, r.listShown[p]);
    PutU32(b + 24 + 4 * p, r.sortDescendingFs[p]);
    PutU32(b + 32 + 4 * p, r.sortDescendingArchive[p]);
    PutU32(b + 40 + 4 * p, r.sortKeyFs[p]);
    PutU32(b + 48 + 4 * p, r.sortKeyArchive[p]);
    PutU32(b + 56 + 4 * p, r.viewCommand[p]);
    PutU32(b + 64 + 4 * p, r.treeWidth[p]);
    PutText(b + 76 + 260 * p, r.folder[p], sizeof r.folder[p]);
  }
  PutF32(b + 72, r.splitRatio);
}

void DecodePanesSettings(const uint8_t (&b)[596], FilePanesSettings* r) {
  r->twoPanes = GetU32(b + 0);
  r->orientation = GetU32(b + 4);
  for (int p = 0; p < 2; ++p) {
    r->treeShown[p] = GetU32(b + 8 + 4 * p);
    r->listShown[p] = GetU32(b + 16 + 4 * p);
    r->sortDescendingFs[p] = GetU32(b + 24 + 4 * p);
    r->sortDescendingArchive[p] = GetU32(b + 32 + 4 * p);
    r->sortKeyFs[p] = GetU32(b + 40 + 4 * p);
    r->sortKeyArchive[p] = GetU32(b + 48 + 4 * p);
    r->viewCommand[p] = GetU32(b + 56 + 4 * p);
    r->treeWidth[p] = GetU32(b + 64 + 4 * p);
    GetText(b + 76 + 260 * p, r->folder[p], sizeof r->folder[p]);
  }
  r->splitRatio = GetF32(b + 72);
}

// ---- loading and saving --------------------------------------------------------------------

namespace {

void DefaultZip(ZipDialogSettings* zip) {
  // Fields 6 and 12 (indexes 5 and 11) have no default: they keep what they hold.
  static const int kDefaults[13] = {1, 0, 0, 0, 1, -1, 0, 1, 1, 0, 0, -1, 1};
  for (int i = 0; i < 13; ++i)
    if (kDefaults[i] >= 0) zip->values[i] = static_cast<uint32_t>(kDefaults[i]);
}

void DefaultUUEncode(UUEncodeSettings* uu) {
  uu->first = 1;
  uu->second = 0;
  uu->lineLength = 32;
}

// Reads a record of `size` bytes over `bytes` (which hold the defaults): a shorter stored value
// keeps the defaults beyond its end, a longer one is not read.
bool ReadRecord(HKEY key, const char* name, uint8_t* bytes, DWORD size) {
  DWORD got = size;
  return QueryValue(key, name, bytes, &got);
}

}  // namespace

int LoadGlobalSettings(GlobalSettings* record) {
  LiveOptions& live = GetLiveOptions();
  DefaultGlobalSettings(record);
  EnsureSettingsKey(1);
  HKEY key = OpenSettingsKey(KEY_READ);
  int result = 0;
  if (key) {
    uint8_t bytes[500];
    EncodeGlobalSettings(*record, bytes);
    if (ReadRecord(key, "Global Settings", bytes, sizeof bytes)) {
      DecodeGlobalSettings(bytes, record);
      result = 1;
    }
  }
  // The zip/unzip and UUEncode records: defaults first, then what is stored.
  live.zip.values[12] = 1;
  uint8_t zip[52];
  bool zipRead = false;
  if (key) {
    for (int i = 0; i < 13; ++i) PutU32(zip + 4 * i, live.zip.values[i]);
    DWORD size = sizeof zip;
    zipRead = QueryValue(key, "Zip/UnZip Dialogs Settings", zip, &size);
  }
  if (zipRead) {
    for (int i = 0; i < 13; ++i) live.zip.values[i] = GetU32(zip + 4 * i);
  } else {
    DefaultZip(&live.zip);
  }
  uint8_t uu[12];
  bool uuRead = false;
  if (key) {
    PutU32(uu, live.uuencode.first);
    PutU32(uu + 4, live.uuencode.second);
    uu[8] = static_cast<uint8_t>(live.uuencode.lineLength);
    uu[9] = static_cast<uint8_t>(live.uuencode.lineLength >> 8);
    memcpy(uu + 10, live.uuencode.kept, 2);
    DWORD size = sizeof uu;
    uuRead = QueryValue(key, "UUEncode Dialog Settings", uu, &size);
  }
  if (uuRead) {
    live.uuencode.first = GetU32(uu);
    live.uuencode.second = GetU32(uu + 4);
    live.uuencode.lineLength = static_cast<uint16_t>(uu[8] | uu[9] << 8);
    memcpy(live.uuencode.kept, uu + 10, 2);
  } else {
    DefaultUUEncode(&live.uuencode);
  }
  if (key) RegCloseKey(key);
  return result;
}

int SaveGlobalSettings(const GlobalSettings& record) {
  const LiveOptions& live = GetLiveOptions();
  uint8_t bytes[500];
  EncodeGlobalSettings(record, bytes);
  int ok = WriteSettingBinary("Global Settings", bytes, sizeof bytes);
  uint8_t zip[52];
  for (int i = 0; i < 13; ++i) PutU32(zip + 4 * i, live.zip.values[i]);
  ok &= WriteSettingBinary("Zip/UnZip Dialogs Settings", zip, sizeof zip);
  uint8_t uu[12];
  PutU32(uu, live.uuencode.first);
  PutU32(uu + 4, live.uuencode.second);
  uu[8] = static_cast<uint8_t>(live.uuencode.lineLength);
  uu[9] = static_cast<uint8_t>(live.uuencode.lineLength >> 8);
  memcpy(uu + 10, live.uuencode.kept, 2);
  ok &= WriteSettingBinary("UUEncode Dialog Settings", uu, sizeof uu);
  return ok;
}

namespace {
void CopyToLive(LiveOptions& o, const GlobalSettings& r) {
  o.toolbarShown = r.toolbarShown;
  o.driveBarShown = r.driveBarShown;
  o.launchBarShown = r.launchBarShown;
  o.statusBarShown = r.statusBarShown;
  o.dosBarShown = r.dosBarShown;
  o.viewerShown = r.viewerShown;
  o.toolbarScrolls = r.toolbarScrolls;
  o.driveBarScrolls = r.driveBarScrolls;
  o.toolbarScrollsCopy = r.toolbarScrollsCopy;
  o.keepSelectionVisible = r.keepSelectionVisible;
  o.keepFolderVisible = r.keepFolderVisible;
  o.hideSystemFiles = r.hideSystemFiles;
  o.noDragExpand = r.noDragExpand;
  o.titleFullPath = r.titleFullPath;
  o.titlePathFirst = r.titlePathFirst;
  o.viewerTextDefault = r.viewerTextDefault;
  o.viewerDoubleClickOpens = r.viewerDoubleClickOpens;
  o.reserved68 = r.reserved68;
  o.maximized = r.maximized != 0;
  o.dosDeleteToRecycle = r.dosDeleteToRecycle;
  o.dosConfirm = r.dosConfirm;
  o.dosCopyFolders = r.dosCopyFolders;
  o.zipConfirmDelete = r.zipConfirmDelete;
  o.zipBeepWhenDone = r.zipBeepWhenDone;
  o.zipOpenFromList = r.zipOpenFromList;
  o.normalRect = RECT{r.windowRect[0], r.windowRect[1], r.windowRect[2], r.windowRect[3]};
  o.useSavedPlacement = true;
  o.viewerRatio = ClampRatio(r.viewerRatio, kDefaultViewerRatio);
  o.noArchiveOpenWarning = r.noArchiveOpenWarning;
  o.noArchivesAsFolders = r.noArchivesAsFolders;
  o.keyboardScheme = r.keyboardScheme <= 2 ? r.keyboardScheme : 0;
  lstrcpynA(o.editor, r.editor, sizeof o.editor);
  o.keepHiddenExtension = r.keepHiddenExtension;
  o.floatingIconToolbar = r.floatingIconToolbar;
  o.colorCompressed = r.colorCompressed;
  o.forceRefreshAfterOps = r.forceRefreshAfterOps;
  o.compressedColor = r.compressedColor;
  o.viewerPlacement = r.viewerPlacement <= 2 ? r.viewerPlacement : 0;
  o.showParsingNames = r.showParsingNames;
  o.resizableToolbar = r.resizableToolbar;
  o.showUpEntry = r.showUpEntry;
  o.fullRowSelect = r.fullRowSelect;
  o.genericIconsOnly = r.genericIconsOnly;
  o.singleClickOpens = r.singleClickOpens;
  o.underlineAlways = r.underlineAlways;
  o.underlineHover = r.underlineHover;
  o.viewerOnTop = r.viewerOnTop;
  o.dosShowPath = r.dosShowPath;
  o.goToTargetAfterCopy = r.goToTargetAfterCopy;
}
}  // namespace

void ApplyGlobalSettings(const GlobalSettings& record) { CopyToLive(GetLiveOptions(), record); }

void ApplyDefaultGlobalSettings() {
  GlobalSettings defaults;
  DefaultGlobalSettings(&defaults);
  ApplyGlobalSettings(defaults);
  GetLiveOptions().useSavedPlacement = false;
}

void CollectGlobalSettings(GlobalSettings* r, HWND mainWindow) {
  LiveOptions& o = GetLiveOptions();
  DefaultGlobalSettings(r);
  memset(r->unused100, 0, sizeof r->unused100);
  memset(r->unused132, 0, sizeof r->unused132);
  r->toolbarShown = o.toolbarShown;
  r->driveBarShown = o.driveBarShown;
  r->launchBarShown = o.launchBarShown;
  r->statusBarShown = o.statusBarShown;
  r->dosBarShown = o.dosBarShown;
  r->viewerShown = o.viewerShown;
  r->toolbarScrolls = o.toolbarScrolls;
  r->driveBarScrolls = o.driveBarScrolls;
  r->toolbarScrollsCopy = o.toolbarScrollsCopy;
  r->keepSelectionVisible = o.keepSelectionVisible;
  r->keepFolderVisible = o.keepFolderVisible;
  r->hideSystemFiles = o.hideSystemFiles;
  r->noDragExpand = o.noDragExpand;
  r->titleFullPath = o.titleFullPath;
  r->titlePathFirst = o.titlePathFirst;
  r->viewerTextDefault = o.viewerTextDefault;
  r->viewerDoubleClickOpens = o.viewerDoubleClickOpens;
  r->reserved68 = o.reserved68;
  if (mainWindow && IsWindow(mainWindow)) o.maximized = IsZoomed(mainWindow) != 0;
  r->maximized = o.maximized ? 1 : 0;
  r->dosDeleteToRecycle = o.dosDeleteToRecycle;
  r->dosConfirm = o.dosConfirm;
  r->dosCopyFolders = o.dosCopyFolders;
  r->zipConfirmDelete = o.zipConfirmDelete;
  r->zipBeepWhenDone = o.zipBeepWhenDone;
  r->zipOpenFromList = o.zipOpenFromList;
  if (!IsRectEmpty(&o.normalRect)) {
    r->windowRect[0] = o.normalRect.left;
    r->windowRect[1] = o.normalRect.top;
    r->windowRect[2] = o.normalRect.right;
    r->windowRect[3] = o.normalRect.bottom;
  }
  o.viewerRatio = ClampRatio(o.viewerRatio, kDefaultViewerRatio);
  r->viewerRatio = o.viewerRatio;
  r->noArchiveOpenWarning = o.noArchiveOpenWarning;
  r->noArchivesAsFolders = o.noArchivesAsFolders;
  r->keyboardScheme = o.keyboardScheme;
  lstrcpynA(r->editor, o.editor, sizeof r->editor);
  r->keepHiddenExtension = o.keepHiddenExtension;
  r->floatingIconToolbar = o.floatingIconToolbar;
  r->colorCompressed = o.colorCompressed;
  r->forceRefreshAfterOps = o.forceRefreshAfterOps;
  r->compressedColor = o.compressedColor;
  r->viewerPlacement = o.viewerPlacement;
  r->showParsingNames = o.showParsingNames;
  r->resizableToolbar = o.resizableToolbar;
  r->showUpEntry = o.showUpEntry;
  r->fullRowSelect = o.fullRowSelect;
  r->genericIconsOnly = o.genericIconsOnly;
  r->singleClickOpens = o.singleClickOpens;
  r->underlineAlways = o.underlineAlways;
  r->underlineHover = o.underlineHover;
  r->viewerOnTop = o.viewerOnTop;
  r->dosShowPath = o.dosShowPath;
  r->goToTargetAfterCopy = o.goToTargetAfterCopy;
}

int LoadPanesSettings(FilePanesSettings* record) {
  DefaultPanesSettings(record);
  EnsureSettingsKey(1);
  HKEY key = OpenSettingsKey(KEY_READ);
  if (!key) return 0;
  uint8_t bytes[596];
  EncodePanesSettings(*record, bytes);
  bool ok = ReadRecord(key, "File Panes Settings", bytes, sizeof bytes);
  RegCloseKey(key);
  if (!ok) return 0;
  DecodePanesSettings(bytes, record);
  // A ratio outside the range would give the panes negative sizes.
  record->splitRatio = ClampRatio(record->splitRatio, kDefaultSplitRatio);
  return 1;
}

int SavePanesSettings(const FilePanesSettings& record) {
  FilePanesSettings copy = record;
  copy.splitRatio = ClampRatio(copy.splitRatio, kDefaultSplitRatio);
  uint8_t bytes[596];
  EncodePanesSettings(copy, bytes);
  return WriteSettingBinary("File Panes Settings", bytes, sizeof bytes);
}

int ReadColumnWidths(int32_t (&widths)[10], const char* valueName) {
  uint8_t bytes[40];
  DWORD size = sizeof bytes;
  if (!ReadSettingBinary(valueName, bytes, &size) || size != sizeof bytes) return 0;
  for (int i = 0; i < 10; ++i) widths[i] = GetI32(bytes + 4 * i);
  return 1;
}

int SaveListColumnWidths(HWND list, const char* valueName) {
  uint8_t bytes[40] = {};
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < 10; ++i) {
    int32_t width = 0;
    if (i < columns) width = static_cast<int32_t>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
    PutI32(bytes + 4 * i, width);
  }
  return WriteSettingBinary(valueName, bytes, sizeof bytes);
}

void LoadSaveOnExit() {
  LiveOptions& o = GetLiveOptions();
  o.saveOnExit = 1;
  ReadSettingDword("Save Settings On Exit", &o.saveOnExit);
}

int SaveSaveOnExit() { return WriteSettingDword("Save Settings On Exit", &GetLiveOptions().saveOnExit); }

void LoadFileFilter() {
  FileFilter& f = GetLiveOptions().fileFilter;
  DefaultFileFilter(&f);
  uint8_t bytes[284];
  DWORD size = sizeof bytes;
  if (!ReadSettingBinary("Filters", bytes, &size)) return;
  // A shorter stored value keeps the defaults beyond its end.
  uint8_t full[284];
  memcpy(full, f.patterns, 260);
  for (int i = 0; i < 4; ++i) PutI32(full + 260 + 4 * i, (&f.archive)[i]);
  PutU32(full + 276, f.filesOnly);
  PutU32(full + 280, f.foldersOnly);
  memcpy(full, bytes, size);
  GetText(full, f.patterns, sizeof f.patterns);
  f.archive = GetI32(full + 260);
  f.readOnly = GetI32(full + 264);
  f.hidden = GetI32(full + 268);
  f.system = GetI32(full + 272);
  f.filesOnly = GetU32(full + 276);
  f.foldersOnly = GetU32(full + 280);
}

int SaveFileFilter() {
  const FileFilter& f = GetLiveOptions().fileFilter;
  uint8_t bytes[284];
  PutText(bytes, f.patterns, 260);
  PutI32(bytes + 260, f.archive);
  PutI32(bytes + 264, f.readOnly);
  PutI32(bytes + 268, f.hidden);
  PutI32(bytes + 272, f.system);
  PutU32(bytes + 276, f.filesOnly);
  PutU32(bytes + 280, f.foldersOnly);
  return WriteSettingBinary("Filters", bytes, sizeof bytes);
}

void LoadDriveFilters() {
  DriveFilters& f = GetLiveOptions().driveFilters;
  DefaultDriveFilters(&f);
  uint8_t full[20];
  PutU32(full, f.driveMask);
  PutU32(full + 4, f.floppy);
  PutU32(full + 8, f.hard);
  PutU32(full + 12, f.network);
  PutU32(full + 16, f.other);
  DWORD size = sizeof full;
  if (!ReadSettingBinary("Drive Filters", full, &size)) return;
  f.driveMask = GetU32(full);
  f.floppy = GetU32(full + 4);
  f.hard = GetU32(full + 8);
  f.network = GetU32(full + 12);
  f.other = GetU32(full + 16);
}

int SaveDriveFilters() {
  const DriveFilters& f = GetLiveOptions().driveFilters;
  uint8_t bytes[20];
  PutU32(bytes, f.driveMask);
  PutU32(bytes + 4, f.floppy);
  PutU32(bytes + 8, f.hard);
  PutU32(bytes + 12, f.network);
  PutU32(bytes + 16, f.other);
  return WriteSettingBinary("Drive Filters", bytes, sizeof bytes);
}
