// Number and size formats, the disk query on C:, the zip-layer bracket against a stand-in
// window, the engine's unattended questions, and the small path helpers.
#include "disk_query.h"

#include <gtest/gtest.h>

#include <vector>

#include "drive_list.h"
#include "engine_prompts.h"
#include "engine_test_support.h"
#include "resource_engine.h"
#include "scan_engine.h"
#include "settings_store.h"
#include "test_support.h"

TEST(SizeFormats, ThousandsGroupsEveryGroup) {
  struct Case { uint64_t value; const char* text; } cases[] = {
      {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"},
      {1000000000, "1,000,000,000"}, {12345678901234ull, "12,345,678,901,234"},
      {5ull << 30, "5,368,709,120"}, {18446744073709551615ull, "18,446,744,073,709,551,615"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatThousandsWith(c.value, ","), c.text) << c.value;
  EXPECT_EQ(FormatThousandsWith(1234567, "."), "1.234.567");
}

TEST(SizeFormats, SizesWithUnits) {
  const char* units[4] = {" bytes", " KB", " MB", " GB"};
  struct Case { double value; char decimal; const char* text; } cases[] = {
      {0, '.', "0 bytes"},           {999, '.', "999 bytes"},
      {1000, '.', "0.98 KB"},        {1023999, '.', "1000 KB"},
      {1024000, '.', "0.98 MB"},     {10240, '.', "10.0 KB"},
      {153600, '.', "150 KB"},       {-2048, '.', "-2.00 KB"},
      {5.0 * (1ull << 30), '.', "5.00 GB"}, {5.0 * (1ull << 40), '.', "5120 GB"},
      {1536, ',', "1,50 KB"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatSizeWith(c.value, c.decimal, units), c.text) << c.value;
}

TEST(SizeFormats, SizeWithUnitBoxes) {
  struct Case { double bytes; uint64_t value; int unit; } cases[] = {
      {1536, 2, 1}, {1023, 1023, 0}, {1024, 1, 1}, {3145728, 3, 2}, {0, 0, 0},
      {5.0 * (1ull << 40), 5120, 3},
  };
  for (const Case& c : cases) {
    uint64_t value = 0;
    int unit = -1;
    SplitSizeUnit(c.bytes, &value, &unit);
    EXPECT_EQ(value, c.value) << c.bytes;
    EXPECT_EQ(unit, c.unit) << c.bytes;
  }
}

TEST(DiskQuery, DriveCGeometryAndClusterSize) {
  DriveNode* drive = vtest::EngineDrive();
  ASSERT_NE(drive, nullptr);
  ASSERT_EQ(GetDiskSpaceData(drive), 1);
  EXPECT_TRUE(drive->flags & kNodeDiskDataValid);
  EXPECT_EQ(drive->driveType, static_cast<uint32_t>(DRIVE_FIXED));
  EXPECT_GT(drive->totalBytes, 0.0);
  EXPECT_GE(drive->totalBytes, drive->freeBytes);
  EXPECT_GT(drive->bytesPerSector * drive->sectorsPerCluster, 0u);
  uint32_t kept = drive->clusterSize;
  drive->clusterSize = 0;
  EXPECT_EQ(GetClusterSize(drive), drive->bytesPerSector * drive->sectorsPerCluster);
  drive->clusterSize = kept;
  EXPECT_EQ(GetClusterSize(nullptr), 0u);
  EXPECT_EQ(GetDiskSpaceData(nullptr), 0);
}

TEST(DiskQuery, ColumnWidthCharacters) {
  struct Case { uint32_t flags; uint8_t units; int chars; } cases[] = {
      {0xC5A, 1, 8}, {0xC5A, 0, 11}, {0x404, 1, 12}, {0x404, 0, 15}, {0xC02, 1, 8}, {0x480, 1, 11}, {0x1000, 1, 10}, {0x140, 1, 4},
  };
  uint8_t kept = g_settings.sizeUnits;
  for (const Case& c : cases) {
    g_settings.sizeUnits = c.units;
    EXPECT_EQ(ColumnWidthChars(c.flags), c.chars) << std::hex << c.flags;
  }
  g_settings.sizeUnits = kept;
}

namespace {

// A stand-in for the zip-folder layer's window: answers 3126 with its state, records 3124.
struct ZipLayerStandIn {
  static std::vector<WPARAM>& Sets() {
    static std::vector<WPARAM> sets;
    return sets;
  }
  static LRESULT& State() {
    static LRESULT state = 0;
    return state;
  }
  HWND window = nullptr;
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kZipLayerGetState) return State();
    if (m == kZipLayerSetState) {
      Sets().push_back(wp);
      State() = static_cast<LRESULT>(wp);
      return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
  ZipLayerStandIn() {
    Sets().clear();
    State() = 77;
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kZipLayerClass;
    RegisterClassA(&wc);
    Open();
  }
  void Open() {
    window = CreateWindowA(kZipLayerClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  }
  void Close() {
    DestroyWindow(window);
    window = nullptr;
  }
  ~ZipLayerStandIn() {
    if (window) Close();
  }
};

}  // namespace

TEST(ZipLayerBracket, OverlappingScansSwitchItOffOnceAndRestoreAtTheEnd) {
  ZipLayerStandIn layer;
  int first = SuspendZipLayer();
  int second = SuspendZipLayer();
  EXPECT_EQ(ZipLayerStandIn::State(), 0);
  ResumeZipLayer(first);
  EXPECT_EQ(ZipLayerStandIn::State(), 0) << "still off while the second scan runs";
  ResumeZipLayer(second);
  EXPECT_EQ(ZipLayerStandIn::State(), 77);
  EXPECT_EQ(ZipLayerStandIn::Sets(), (std::vector<WPARAM>{0, 0, 0, 77}));
}

TEST(ZipLayerBracket, WindowComingOrGoingMidScanKeepsItBalanced) {
  ZipLayerStandIn layer;
  layer.Close();
  int none = SuspendZipLayer();  // no layer yet
  EXPECT_EQ(none, 0);
  layer.Open();
  int real = SuspendZipLayer();
  EXPECT_EQ(ResumeZipLayer(none), 0) << "a resume without its suspend does nothing";
  EXPECT_EQ(ZipLayerStandIn::State(), 0);
  ResumeZipLayer(real);
  EXPECT_EQ(ZipLayerStandIn::State(), 77);

  int again = SuspendZipLayer();
  layer.Close();
  ResumeZipLayer(again);  // the window went away: the count still comes down
  layer.Open();
  ZipLayerStandIn::State() = 77;  // the layer as it came back
  ZipLayerStandIn::Sets().clear();
  ResumeZipLayer(SuspendZipLayer());
  EXPECT_EQ(ZipLayerStandIn::Sets(), (std::vector<WPARAM>{0, 77}))
      << "the next bracket is the outermost again";
}

TEST(EngineHelpers, PathsAndNames) {
  char text[600];
  lstrcpynA(text, "my dOCUMENTS\\old-FILES 2", sizeof text);
  ProperCaseName(text);
  EXPECT_STREQ(text, "My Documents\\Old-Files 2");
  PathWithBreaks("C:\\a\\b", text);
  EXPECT_STREQ(text, "C:\\ a\\ b");
  struct Case { const char* path; int count; int result; const char* out; } cases[] = {
      {"C:\\a\\b", 1, 1, "C:\\"}, {"C:\\a\\b", 2, 1, "C:\\a"}, {"C:\\a\\b  ", 3, 1, "C:\\a\\b"},
      {"C:\\a\\b", 4, 0, ""},     {"C:\\", 1, 1, "C:\\"},     {"C:\\", 2, 0, ""},
  };
  for (const Case& c : cases) {
    char out[MAX_PATH] = {};
    EXPECT_EQ(PathPrefix(c.path, c.count, out), c.result) << c.path << " " << c.count;
    if (c.result) {
      EXPECT_STREQ(out, c.out);
    }
  }
  EXPECT_STREQ(LastPathComponent("C:\\a\\file.txt"), "file.txt");
  EXPECT_STREQ(LastPathComponent("plain"), "plain");
}

TEST(EnginePrompts, WithoutAnAnswerTheEngineAsksNobodyAndChangesNothing) {
  jqtest::SeamRecorder seams;
  EnginePrompts none = SetEnginePrompts(EnginePrompts{});
  // A selection outside every drive: the question to stop all scans gets "no".
  EXPECT_EQ(StopDriveScan(nullptr), 0);
  uint32_t value = 1234;
  EXPECT_FALSE(AskNetClusterSize(nullptr, vtest::EngineDrive(), 4096, 4096, &value));
  EXPECT_EQ(value, 1234u);
  EXPECT_TRUE(seams.boxes.empty());
  // Installed answers are asked, on the GUI thread as elsewhere.
  EnginePrompts asked;
  static int stopQuestions;
  stopQuestions = 0;
  asked.askStopAllScans = [](HWND) { ++stopQuestions; return false; };
  asked.askNetClusterSize = [](HWND, DriveNode*, uint32_t proposal, uint32_t, uint32_t* out) {
    *out = proposal * 2;
    return true;
  };
  SetEnginePrompts(asked);
  EXPECT_EQ(StopDriveScan(nullptr), 0);
  EXPECT_EQ(stopQuestions, 1);
  EXPECT_TRUE(AskNetClusterSize(nullptr, vtest::EngineDrive(), 4096, 4096, &value));
  EXPECT_EQ(value, 8192u);
  SetEnginePrompts(none);
}
