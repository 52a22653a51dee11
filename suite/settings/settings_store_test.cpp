#include "settings_store.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <cstring>
#include <string>
#include <vector>
#include "test_support.h"

namespace {

// Raw access to the settings key of the test's private root.
struct RawKey {
  HKEY key = nullptr;
  RawKey() {
    RegCreateKeyExA(seams::UserRoot(), kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
  }
  ~RawKey() { RegCloseKey(key); }
  void Set(const char* name, const std::vector<uint8_t>& bytes, DWORD type = REG_BINARY) {
    RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
  }
  std::vector<uint8_t> Get(const char* name) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
    std::vector<uint8_t> bytes(size);
    RegQueryValueExA(key, name, nullptr, nullptr, bytes.data(), &size);
    return bytes;
  }
};

uint32_t U32At(const std::vector<uint8_t>& b, size_t offset) {
  return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | static_cast<uint32_t>(b[offset + 3]) << 24;
}

// A record whose every field differs from its default.
GlobalSettings OddGlobalSettings() {
  GlobalSettings r;
  DefaultGlobalSettings(&r);
  r.toolbarShown = 0; r.driveBarShown = 0; r.launchBarShown = 0; r.statusBarShown = 0;
  r.dosBarShown = 1; r.viewerShown = 1; r.toolbarScrolls = 0; r.driveBarScrolls = 0;
  r.toolbarScrollsCopy = 0; r.keepSelectionVisible = 0; r.keepFolderVisible = 0;
  r.hideSystemFiles = 1; r.noDragExpand = 1; r.titleFullPath = 0; r.titlePathFirst = 1;
  r.viewerTextDefault = 0; r.viewerDoubleClickOpens = 0; r.reserved68 = 7; r.maximized = 1;
  r.dosDeleteToRecycle = 0; r.dosConfirm = 0; r.dosCopyFolders = 1; r.zipConfirmDelete = 0;
  r.zipBeepWhenDone = 1; r.zipOpenFromList = 0;
  r.windowRect[0] = -1200; r.windowRect[1] = 33; r.windowRect[2] = 640; r.windowRect[3] = 480;
  r.viewerRatio = 0.25f;
  r.noArchiveOpenWarning = 1; r.noArchivesAsFolders = 1; r.keyboardScheme = 2;
  lstrcpyA(r.editor, "C:\\Tools\\ed it.exe");
  r.keepHiddenExtension = 0; r.floatingIconToolbar = 0; r.colorCompressed = 0;
  r.forceRefreshAfterOps = 0; r.compressedColor = 0x00123456; r.viewerPlacement = 2;
  r.showParsingNames = 1; r.resizableToolbar = 0; r.showUpEntry = 0; r.fullRowSelect = 0;
  r.genericIconsOnly = 1; r.singleClickOpens = 1; r.underlineAlways = 1; r.underlineHover = 1;
  r.viewerOnTop = 1; r.dosShowPath = 0; r.goToTargetAfterCopy = 1;
  return r;
}

bool SameRecord(const GlobalSettings& a, const GlobalSettings& b) {
  uint8_t x[500], y[500];
  EncodeGlobalSettings(a, x);
  EncodeGlobalSettings(b, y);
  return memcmp(x, y, 500) == 0;
}

TEST(SettingsStore, GlobalSettingsRoundTripFieldByFieldAtTheirOffsets) {
  jqtest::TestRegistry registry;
  GlobalSettings saved = OddGlobalSettings();
  ASSERT_EQ(SaveGlobalSettings(saved), 1);

  RawKey raw;
  std::vector<uint8_t> b = raw.Get("Global Settings");
  ASSERT_EQ(b.size(), 500u);
  EXPECT_EQ(U32At(b, 0), 0u);
  EXPECT_EQ(U32At(b, 16), 1u);
  EXPECT_EQ(U32At(b, 68), 7u);
  EXPECT_EQ(static_cast<int32_t>(U32At(b, 112)), -1200);
  EXPECT_EQ(U32At(b, 124), 480u);
  float ratio;
  uint32_t bits = U32At(b, 128);
  memcpy(&ratio, &bits, 4);
  EXPECT_FLOAT_EQ(ratio, 0.25f);
  EXPECT_EQ(U32At(b, 168), 2u);
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 172), "C:\\Tools\\ed it.exe");
  EXPECT_EQ(b[431], 0);
  EXPECT_EQ(U32At(b, 448), 0x00123456u);
  EXPECT_EQ(U32At(b, 496), 1u);
  EXPECT_EQ(raw.Get("Zip/UnZip Dialogs Settings").size(), 52u);
  EXPECT_EQ(raw.Get("UUEncode Dialog Settings").size(), 12u);

  GlobalSettings loaded;
  ASSERT_EQ(LoadGlobalSettings(&loaded), 1);
  EXPECT_TRUE(SameRecord(saved, loaded));
}

TEST(SettingsStore, MissingKeyGivesDefaultsAndCreatesTheChain) {
  jqtest::TestRegistry registry;
  GetLiveOptions().zip.values[5] = 77;  // a field without a default keeps its value
  GlobalSettings loaded;
  memset(&loaded, 0xAB, sizeof loaded);
  EXPECT_EQ(LoadGlobalSettings(&loaded), 0);
  GlobalSettings defaults;
  DefaultGlobalSettings(&defaults);
  EXPECT_TRUE(SameRecord(loaded, defaults));
  EXPECT_STREQ(loaded.editor, "Notepad.exe");
  EXPECT_FLOAT_EQ(loaded.viewerRatio, 0.4f);
  EXPECT_EQ(loaded.compressedColor, 0xFF0000u);

  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(registry.user(), kSettingsKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
  if (key) RegCloseKey(key);

  const uint32_t zipDefaults[13] = {1, 0, 0, 0, 1, 77, 0, 1, 1, 0, 0, 0, 1};
  for (int i = 0; i < 13; ++i) {
    if (i == 11) continue;
    EXPECT_EQ(GetLiveOptions().zip.values[i], zipDefaults[i]) << "zip field " << i;
  }
  EXPECT_EQ(GetLiveOptions().uuencode.first, 1u);
  EXPECT_EQ(GetLiveOptions().uuencode.second, 0u);
  EXPECT_EQ(GetLiveOptions().uuencode.lineLength, 32u);

  FilePanesSettings panes;
  EXPECT_EQ(LoadPanesSettings(&panes), 0);
  EXPECT_EQ(panes.twoPanes, 0u);
  EXPECT_EQ(panes.orientation, 1u);
  for (int p = 0; p < 2; ++p) {
    EXPECT_EQ(panes.treeShown[p], 1u);
    EXPECT_EQ(panes.listShown[p], 1u);
    EXPECT_EQ(panes.viewCommand[p], 40003u);
    EXPECT_EQ(panes.treeWidth[p], 220u);
    EXPECT_STREQ(panes.folder[p], "");
  }
  EXPECT_FLOAT_EQ(panes.splitRatio, 0.5f);
}

TEST(SettingsStore, ShortStoredRecordKeepsDefaultsFromItsEnd) {
  jqtest::TestRegistry registry;
  GlobalSettings odd = OddGlobalSettings();
  uint8_t bytes[500];
  EncodeGlobalSettings(odd, bytes);
  RawKey raw;
  raw.Set("Global Settings", std::vector<uint8_t>(bytes, bytes + kGlobalSettingsShortSize));

  GlobalSettings loaded;
  ASSERT_EQ(LoadGlobalSettings(&loaded), 1);
  EXPECT_EQ(loaded.toolbarShown, 0u);
  EXPECT_EQ(loaded.keyboardScheme, 2u);
  EXPECT_STREQ(loaded.editor, odd.editor);
  EXPECT_EQ(loaded.windowRect[0], -1200);
  // From offset 432 on: the defaults.
  EXPECT_EQ(loaded.keepHiddenExtension, 1u);
  EXPECT_EQ(loaded.compressedColor, 0xFF0000u);
  EXPECT_EQ(loaded.showUpEntry, 1u);
  EXPECT_EQ(loaded.dosShowPath, 1u);
  EXPECT_EQ(loaded.goToTargetAfterCopy, 0u);
}

TEST(SettingsStore, OverlongStoredValuesCountAsAbsent) {
  jqtest::TestRegistry registry;
  RawKey raw;
  raw.Set("Global Settings", std::vector<uint8_t>(501, 0));
  raw.Set("File Panes Settings", std::vector<uint8_t>(700, 0));
  raw.Set("Drive Filters", std::vector<uint8_t>(24, 0));
  GlobalSettings loaded;
  EXPECT_EQ(LoadGlobalSettings(&loaded), 0);
  EXPECT_EQ(loaded.toolbarShown, 1u);
  FilePanesSettings panes;
  EXPECT_EQ(LoadPanesSettings(&panes), 0);
  EXPECT_EQ(panes.viewCommand[0], 40003u);
  LoadDriveFilters();
  EXPECT_EQ(GetLiveOptions().driveFilters.driveMask, 0xFFFFFFFFu);

  uint8_t buffer[8];
  DWORD size = sizeof buffer;
  raw.Set("Eight", std::vector<uint8_t>(9, 1));
  EXPECT_EQ(ReadSettingBinary("Eight", buffer, &size), 0);
  // An editor text without its terminator is cut, never read past the record.
  std::vector<uint8_t> record(500, 'x');
  raw.Set("Global Settings", record);
  ASSERT_EQ(LoadGlobalSettings(&loaded), 1);
  EXPECT_EQ(strlen(loaded.editor), 259u);
}

TEST(SettingsStore, PanesSettingsRoundTripAndRatioClamp) {
  jqtest::TestRegistry registry;
  FilePanesSettings saved;
  DefaultPanesSettings(&saved);
  saved.twoPanes = 1;
  saved.orientation = 0;
  saved.treeShown[1] = 0;
  saved.listShown[0] = 0;
  saved.sortDescendingFs[1] = 1;
  saved.sortDescendingArchive[0] = 1;
  saved.sortKeyFs[0] = 4;
  saved.sortKeyArchive[1] = 9;
  saved.viewCommand[0] = 40004;
  saved.viewCommand[1] = 40001;
  saved.treeWidth[0] = 150;
  saved.treeWidth[1] = 300;
  saved.splitRatio = 0.3f;
  lstrcpyA(saved.folder[0], "C:\\windows");
  lstrcpyA(saved.folder[1], "C:\\users");
  ASSERT_EQ(SavePanesSettings(saved), 1);

  RawKey raw;
  std::vector<uint8_t> b = raw.Get("File Panes Settings");
  ASSERT_EQ(b.size(), 596u);
  EXPECT_EQ(U32At(b, 60), 40001u);
  EXPECT_EQ(U32At(b, 68), 300u);
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 76 + 260), "C:\\users");

  FilePanesSettings loaded;
  ASSERT_EQ(LoadPanesSettings(&loaded), 1);
  EXPECT_EQ(memcmp(&loaded, &saved, sizeof saved), 0);

  // A stored ratio of 1.5 would give the panes negative sizes: it loads and saves as 0.5.
  float bad = 1.5f;
  memcpy(&b[72], &bad, 4);
  raw.Set("File Panes Settings", b);
  ASSERT_EQ(LoadPanesSettings(&loaded), 1);
  EXPECT_FLOAT_EQ(loaded.splitRatio, 0.5f);
  loaded.splitRatio = -3.0f;
  ASSERT_EQ(SavePanesSettings(loaded), 1);
  b = raw.Get("File Panes Settings");
  memcpy(&bad, &b[72], 4);
  EXPECT_FLOAT_EQ(bad, 0.5f);
}

TEST(SettingsStore, ApplyAndCollectThroughTheLiveOptions) {
  jqtest::TestRegistry registry;
  GlobalSettings odd = OddGlobalSettings();
  ApplyGlobalSettings(odd);
  LiveOptions& live = GetLiveOptions();
  EXPECT_TRUE(live.useSavedPlacement);
  EXPECT_TRUE(live.maximized);
  EXPECT_EQ(live.normalRect.left, -1200);
  EXPECT_EQ(live.keyboardScheme, 2u);
  EXPECT_STREQ(live.editor, odd.editor);

  GlobalSettings collected;
  CollectGlobalSettings(&collected);
  EXPECT_TRUE(SameRecord(collected, odd));

  // An out-of-range viewer ratio becomes 0.4, in the live options too.
  live.viewerRatio = 1.2f;
  CollectGlobalSettings(&collected);
  EXPECT_FLOAT_EQ(collected.viewerRatio, 0.4f);
  EXPECT_FLOAT_EQ(live.viewerRatio, 0.4f);
  odd.viewerRatio = 0.001f;
  ApplyGlobalSettings(odd);
  EXPECT_FLOAT_EQ(live.viewerRatio, 0.4f);

  // The maximised flag follows the window when one is given.
  HWND window = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  CollectGlobalSettings(&collected, window);
  EXPECT_EQ(collected.maximized, 0u);
  DestroyWindow(window);

  ApplyDefaultGlobalSettings();
  EXPECT_FALSE(live.useSavedPlacement);
  EXPECT_EQ(live.toolbarShown, 1u);
  EXPECT_STREQ(live.editor, "Notepad.exe");
}

TEST(SettingsStore, SmallValuesAndTheirDefaults) {
  jqtest::TestRegistry registry;
  LiveOptions& live = GetLiveOptions();
  live.saveOnExit = 0;
  LoadSaveOnExit();
  EXPECT_EQ(live.saveOnExit, 1u);
  live.saveOnExit = 0;
  ASSERT_EQ(SaveSaveOnExit(), 1);
  live.saveOnExit = 5;
  LoadSaveOnExit();
  EXPECT_EQ(live.saveOnExit, 0u);

  LoadFileFilter();
  EXPECT_STREQ(live.fileFilter.patterns, "*.*");
  EXPECT_EQ(live.fileFilter.archive, 2);
  EXPECT_EQ(live.fileFilter.system, 2);
  EXPECT_EQ(live.fileFilter.foldersOnly, 0u);
  lstrcpyA(live.fileFilter.patterns, "*.txt;*.doc");
  live.fileFilter.hidden = 0;
  live.fileFilter.filesOnly = 1;
  ASSERT_EQ(SaveFileFilter(), 1);
  RawKey raw;
  EXPECT_EQ(raw.Get("Filters").size(), 284u);
  DefaultFileFilter(&live.fileFilter);
  LoadFileFilter();
  EXPECT_STREQ(live.fileFilter.patterns, "*.txt;*.doc");
  EXPECT_EQ(live.fileFilter.hidden, 0);
  EXPECT_EQ(live.fileFilter.filesOnly, 1u);

  LoadDriveFilters();
  EXPECT_EQ(live.driveFilters.driveMask, 0xFFFFFFFFu);
  EXPECT_EQ(live.driveFilters.other, 1u);
  live.driveFilters.driveMask = 1u << 3;
  live.driveFilters.network = 0;
  ASSERT_EQ(SaveDriveFilters(), 1);
  DefaultDriveFilters(&live.driveFilters);
  LoadDriveFilters();
  EXPECT_EQ(live.driveFilters.driveMask, 1u << 3);
  EXPECT_EQ(live.driveFilters.network, 0u);

  DWORD value = 99;
  EXPECT_EQ(ReadSettingDword("Replace MS Explorer", &value), 0);
  EXPECT_EQ(value, 99u);
  DWORD one = 1;
  ASSERT_EQ(WriteSettingDword("Replace MS Explorer", &one), 1);
  EXPECT_EQ(ReadSettingDword("Replace MS Explorer", &value), 1);
  EXPECT_EQ(value, 1u);
}

TEST(SettingsStore, ColumnWidthsFromAListView) {
  jqtest::TestRegistry registry;
  int32_t widths[10] = {};
  EXPECT_EQ(ReadColumnWidths(widths, "FileSys Columns 0"), 0);

  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 400, 200,
                              nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(list);
  const int given[3] = {120, 64, 200};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = given[i];
    column.pszText = const_cast<char*>("c");
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  ASSERT_EQ(SaveListColumnWidths(list, "FileSys Columns 1"), 1);
  DestroyWindow(list);
  ASSERT_EQ(ReadColumnWidths(widths, "FileSys Columns 1"), 1);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(widths[i], i < 3 ? given[i] : 0) << "column " << i;

  // Only a value of exactly 40 bytes counts.
  RawKey raw;
  raw.Set("Zip Columns 0", std::vector<uint8_t>(36, 1));
  EXPECT_EQ(ReadColumnWidths(widths, "Zip Columns 0"), 0);
}

TEST(SettingsStore, InstallDirFallsBackToTheProgramFolder) {
  jqtest::TestRegistry registry;
  char own[MAX_PATH];
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  *strrchr(own, '\\') = '\0';

  char folder[MAX_PATH];
  ASSERT_EQ(ReadInstallDir(folder), 1);
  EXPECT_STREQ(folder, own);

  HKEY product = nullptr;
  RegCreateKeyExA(registry.machine(), kProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &product, nullptr);
  const char installed[] = "C:\\Program Files\\Quorvanel";
  RegSetValueExA(product, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(installed),
                 sizeof installed);
  ASSERT_EQ(ReadInstallDir(folder), 1);
  EXPECT_STREQ(folder, installed);

  // Longer than a path can be: not trusted, the program's folder again.
  std::string tooLong(300, 'a');
  RegSetValueExA(product, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
                 static_cast<DWORD>(tooLong.size() + 1));
  ASSERT_EQ(ReadInstallDir(folder), 1);
  EXPECT_STREQ(folder, own);
  RegCloseKey(product);

  EXPECT_EQ(ReadSiblingInstallDir(folder), 0);
  EXPECT_STREQ(folder, "");
}

TEST(SettingsStore, HeldKeyReadsStrings) {
  jqtest::TestRegistry registry;
  HKEY key = nullptr;
  RegCreateKeyExA(registry.user(), "Outer\\Inner", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("default"), 8);
  RegSetValueExA(key, "Named", 0, REG_SZ, reinterpret_cast<const BYTE*>("named"), 6);
  RegCloseKey(key);

  char text[MAX_PATH];
  EXPECT_EQ(RegistryKeyExists(registry.user(), "Outer", "Missing"), 0);
  EXPECT_EQ(ReadHeldString(nullptr, text), 0);
  ASSERT_EQ(RegistryKeyExists(registry.user(), "Outer", "Inner"), 1);
  EXPECT_EQ(ReadHeldString(nullptr, text), 1);
  EXPECT_STREQ(text, "default");
  EXPECT_EQ(ReadHeldString("Named", text), 1);
  EXPECT_STREQ(text, "named");
  EXPECT_EQ(ReadHeldString("Absent", text), 0);
  ASSERT_EQ(RegistryKeyExists(registry.user(), "", "Outer\\Inner"), 1);
  CloseHeldKey();
}

}  // namespace
