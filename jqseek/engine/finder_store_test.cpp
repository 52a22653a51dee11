#include "finder_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "test_support.h"

namespace {

TEST(FinderCommandLine, SwitchesAsTheFileManagerPassesThem) {
  struct Case {
    const char* line;
    const char* saved; bool hasPath; const char* path; bool hasMask; const char* mask; bool go;
  } cases[] = {
      {"/PATH:C:\\Data /MASK:*.txt /GO", "", true, "C:\\Data", true, "*.txt", true},
      {"/PATH:C:\\Data /GO", "", true, "C:\\Data", false, "", true},
      {"   C:\\Saved\\find.jqs  ", "C:\\Saved\\find.jqs", false, "", false, "", false},
      {"  /MASK: *.c;*.h  /PATH: D:\\src ", "", true, "D:\\src", true, "*.c;*.h", false},
      {"/path:c:\\x /mask:a /go", "", true, "c:\\x", true, "a", true},
      {"/PATH:C:\\a/b /MASK:*", "", true, "C:\\a", true, "*", false},  // a slash ends a value
      {"", "", false, "", false, "", false},
      {"/GOLD", "", false, "", false, "", true},
      {"\"C:\\My Searches\\a.jqs\"", "C:\\My Searches\\a.jqs", false, "", false, "", false},
      {"\"/PATH:C:\\Program Files\" /GO", "", true, "C:\\Program Files", false, "", true},
  };
  for (const Case& c : cases) {
    FinderCommandLine cl = ParseFinderCommandLine(c.line);
    EXPECT_EQ(cl.savedSearch, c.saved) << c.line;
    EXPECT_EQ(cl.hasPath, c.hasPath) << c.line;
    EXPECT_EQ(cl.path, c.path) << c.line;
    EXPECT_EQ(cl.hasMask, c.hasMask) << c.line;
    EXPECT_EQ(cl.mask, c.mask) << c.line;
    EXPECT_EQ(cl.go, c.go) << c.line;
  }
  FinderCommandLine huge = ParseFinderCommandLine(("/PATH:" + std::string(5000, 'p')).c_str());
  EXPECT_EQ(huge.path.size(), size_t(MAX_PATH - 1));
}

TEST(FinderHistories, CriteriaKeepCaseDialogsDoNot) {
  FinderHistory h;
  for (int i = 1; i <= 9; ++i) AddCriteriaHistory(&h, "t" + std::to_string(i));
  ASSERT_EQ(h.size(), 8u);
  EXPECT_EQ(h.front(), "t9");
  EXPECT_EQ(h.back(), "t2");
  AddCriteriaHistory(&h, "t5");
  EXPECT_EQ(h.front(), "t5");
  EXPECT_EQ(std::count(h.begin(), h.end(), "t5"), 1);
  AddCriteriaHistory(&h, "T5");
  EXPECT_EQ(h[0], "T5");
  EXPECT_EQ(h[1], "t5");
  AddCriteriaHistory(&h, "");
  EXPECT_EQ(h[0], "");

  FinderHistory d;
  AddDialogHistory(&d, "C:\\Dest");
  AddDialogHistory(&d, "");
  AddDialogHistory(&d, "c:\\dest");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0], "c:\\dest");
}

TEST(FinderGlobals, DamagedValuesComeBackInRange) {
  uint8_t bytes[kFinderGlobalSettingsBytes];
  memset(bytes, 0xFF, sizeof bytes);
  FinderGlobalSettings g = FinderGlobalSettingsFromBytes(bytes, sizeof bytes);
  EXPECT_EQ(g.viewCommand, 40020u);
  EXPECT_EQ(g.sortColumn, 0u);
  EXPECT_TRUE(std::isfinite(g.viewerShare));
  EXPECT_GE(g.viewerShare, 0.05f);
  EXPECT_LE(g.viewerShare, 0.95f);
  EXPECT_GE(g.width, 100);
  RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
              GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT window{g.left, g.top, g.left + g.width, g.top + g.height}, both;
  EXPECT_TRUE(IntersectRect(&both, &screen, &window));

  FinderGlobalSettings sample;
  sample.viewCommand = 40018;
  sample.sortColumn = 5;
  sample.viewerShare = 0.5f;
  sample.left = 30;
  FinderGlobalSettingsToBytes(sample, bytes);
  EXPECT_EQ(bytes[16] | bytes[17] << 8, 40018);
  FinderGlobalSettings back = FinderGlobalSettingsFromBytes(bytes, sizeof bytes);
  EXPECT_EQ(back.viewCommand, 40018u);
  EXPECT_EQ(back.sortColumn, 5u);
  EXPECT_EQ(back.viewerShare, 0.5f);
  EXPECT_EQ(back.left, 30);
}

TEST(FinderStoreRegistry, SavedAndLoadedWithDefaultsForMissingValues) {
  jqtest::TestRegistry registry;
  FinderStore store;
  FinderSettings settings = StartupFinderSettings();
  LoadFinderSettings(&store, &settings);
  EXPECT_EQ(settings.drives[2], 1);  // nothing stored: C: only
  EXPECT_EQ(store.global.viewCommand, 40020u);

  store.saveOnExit = 0;
  store.showPath = 1;
  store.global.sortColumn = 3;
  store.global.viewerShown = 1;
  AddCriteriaHistory(&store.histories[kHistoryFileNames], "*.doc");
  AddCriteriaHistory(&store.histories[kHistoryFileNames], "*.txt");
  memset(settings.drives, 0, 26);
  settings.drives[3] = settings.drives[4] = 1;
  SaveFinderSettings(store, settings, false);

  FinderStore again;
  FinderSettings read = StartupFinderSettings();
  LoadFinderSettings(&again, &read);
  EXPECT_EQ(again.showPath, 1u);
  EXPECT_EQ(again.global.sortColumn, 0u);  // not saved: save-on-exit is off
  EXPECT_EQ(read.drives[2], 0);
  EXPECT_EQ(read.drives[3], 1);
  EXPECT_EQ(read.drives[4], 1);
  ASSERT_EQ(again.histories[kHistoryFileNames].size(), 2u);
  EXPECT_EQ(again.histories[kHistoryFileNames][0], "*.txt");
  EXPECT_FALSE(again.columnsRead);

  again.saveOnExit = 1;
  again.global.sortColumn = 6;
  again.global.viewerShown = 1;
  again.columns[0] = 222;
  SaveFinderSettings(again, read, true);
  FinderStore third;
  LoadFinderSettings(&third, &read);
  EXPECT_EQ(third.global.sortColumn, 6u);
  EXPECT_EQ(third.global.viewerShown, 0u);  // the viewer always starts closed
  EXPECT_TRUE(third.columnsRead);
  EXPECT_EQ(third.columns[0], 222);

  FinderHistory dialog;
  AddDialogHistory(&dialog, "D:\\One");
  AddDialogHistory(&dialog, "D:\\Two");
  SaveDialogHistory(dialog, "Copy_Move To");
  FinderHistory back;
  LoadDialogHistory(&back, "Copy_Move To");
  EXPECT_EQ(back, dialog);
}

TEST(FinderFileTypes, DescriptionsBecomeMasks) {
  // Two extensions of one test type in the classes root, taken out again at the end.
  struct Registered {
    Registered() {
      for (const char* ext : {".0jqa", ".0jqb"}) RegSetValueA(HKEY_CLASSES_ROOT, ext, REG_SZ, "JQTest.Doc", 10);
      RegSetValueA(HKEY_CLASSES_ROOT, "JQTest.Doc", REG_SZ, "JQ Test Document", 16);
    }
    ~Registered() {
      for (const char* key : {".0jqa", ".0jqb", "JQTest.Doc"}) RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    }
  } registered;
  std::vector<FileTypeEntry> types = LoadFileTypes();
  EXPECT_LE(types.size(), 200u);
  for (size_t i = 1; i < types.size(); ++i)
    EXPECT_LE(lstrcmpiA(types[i - 1].description.c_str(), types[i].description.c_str()), 0);
  EXPECT_EQ(MasksForFileType(types, "JQ Test Document"), "*.0jqa;*.0jqb");
  EXPECT_EQ(MasksForFileType(types, "No Such Type"), "");
  // Many types of one description never make masks past the path bound.
  std::vector<FileTypeEntry> many(200, FileTypeEntry{".abcdefgh", "Same"});
  EXPECT_LE(MasksForFileType(many, "Same").size(), size_t(MAX_PATH - 1));
}

}  // namespace
