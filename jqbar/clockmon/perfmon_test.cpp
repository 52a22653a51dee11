#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "le_bytes.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "perf_data.h"
#include "perfmon_panel.h"
#include "perfmon_settings.h"
#include "seams.h"
#include "test_support.h"

using namespace jqbar;

namespace {

// ---- a performance-data block as the system returns it ----

struct Counter { std::uint32_t nameIndex, offset; };
struct Instance { std::wstring name; std::vector<std::uint32_t> values; };

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { le::PutU32(b.data() + at, v); }

// One object with the given counters; with instances, or a single counter block (none given).
std::vector<std::uint8_t> PerfBlock(std::uint32_t objectIndex, const std::vector<Counter>& counters,
                                    const std::vector<Instance>& instances,
                                    const std::vector<std::uint32_t>& plainValues = {},
                                    std::uint64_t time100ns = 0) {
  std::vector<std::uint8_t> object(64 + 40 * counters.size(), 0);
  Put(object, 4, std::uint32_t(object.size()));  // definition length
  Put(object, 8, 64);
  Put(object, 12, objectIndex);
  Put(object, 32, std::uint32_t(counters.size()));
  Put(object, 40, instances.empty() ? 0xFFFFFFFFu : std::uint32_t(instances.size()));
  for (std::size_t i = 0; i < counters.size(); ++i) {
    std::size_t at = 64 + 40 * i;
    Put(object, at, 40);
    Put(object, at + 4, counters[i].nameIndex);
    Put(object, at + 32, 4);
    Put(object, at + 36, counters[i].offset);
  }
  auto appendBlock = [&](const std::vector<std::uint32_t>& values) {
    std::size_t at = object.size();
    std::size_t length = 4 + 4 * values.size();
    object.resize(at + length, 0);
    Put(object, at, std::uint32_t(length));
    for (std::size_t k = 0; k < values.size(); ++k) Put(object, at + 4 + 4 * k, values[k]);
  };
  if (instances.empty()) {
    appendBlock(plainValues);
  } else {
    for (const Instance& in : instances) {
      std::size_t at = object.size();
      std::size_t nameBytes = (in.name.size() + 1) * 2;
      std::size_t length = (24 + nameBytes + 7) & ~std::size_t(7);
      object.resize(at + length, 0);
      Put(object, at, std::uint32_t(length));
      Put(object, at + 16, 24);
      Put(object, at + 20, std::uint32_t(nameBytes));
      for (std::size_t k = 0; k < in.name.size(); ++k) {
        object[at + 24 + 2 * k] = std::uint8_t(in.name[k]);
        object[at + 24 + 2 * k + 1] = std::uint8_t(in.name[k] >> 8);
      }
      appendBlock(in.values);
    }
  }
  Put(object, 0, std::uint32_t(object.size()));
  std::vector<std::uint8_t> block(88, 0);
  std::memcpy(block.data(), "P\0E\0R\0F\0", 8);
  Put(block, 24, 88);
  Put(block, 28, 1);
  Put(block, 72, std::uint32_t(time100ns));
  Put(block, 76, std::uint32_t(time100ns >> 32));
  block.resize(88 + object.size());
  std::memcpy(block.data() + 88, object.data(), object.size());
  Put(block, 20, std::uint32_t(block.size()));
  return block;
}

// The Process object: ID Process (784) at offset 8 of each counter block, the total last.
std::vector<std::uint8_t> ProcessBlock() {
  return PerfBlock(230, {{6, 4}, {784, 8}},
                   {{L"alpha", {11, 100}}, {L"beta", {22, 200}}, {L"_Total", {33, 300}}});
}

}  // namespace

TEST(PerfData, ProcessNamesFromTheProcessObjectSkipTheLastInstance) {
  std::vector<std::uint8_t> b = ProcessBlock();
  char name[260];
  ASSERT_TRUE(FindProcessInstanceName(b.data(), b.size(), 200, name, sizeof name));
  EXPECT_STREQ(name, "beta");
  ASSERT_TRUE(FindProcessInstanceName(b.data(), b.size(), 100, name, 4));
  EXPECT_STREQ(name, "alp");  // cut to the capacity, terminated
  EXPECT_FALSE(FindProcessInstanceName(b.data(), b.size(), 300, name, sizeof name));  // the total
  EXPECT_FALSE(FindProcessInstanceName(b.data(), b.size(), 999, name, sizeof name));
  std::vector<std::uint8_t> one = PerfBlock(230, {{784, 4}}, {{L"only", {7}}});
  EXPECT_FALSE(FindProcessInstanceName(one.data(), one.size(), 7, name, sizeof name));
}

TEST(PerfData, ProcessorIdleAndThreadCountInBothCounterBlockForms) {
  std::vector<std::uint8_t> cpu =
      PerfBlock(238, {{1, 4}, {6, 8}}, {{L"0", {5, 123456}}, {L"_Total", {5, 999}}}, {}, 0x100000001ull);
  std::uint32_t idle = 0, time = 0;
  ASSERT_TRUE(ReadProcessorIdle(cpu.data(), cpu.size(), &idle, &time));
  EXPECT_EQ(idle, 123456u);
  EXPECT_EQ(time, 1u);  // the low 32 bits
  std::vector<std::uint8_t> system = PerfBlock(260, {{250, 8}}, {}, {0, 345});
  std::uint32_t threads = 0;
  ASSERT_TRUE(ReadThreadCount(system.data(), system.size(), &threads));
  EXPECT_EQ(threads, 345u);
  std::vector<std::uint8_t> noCounter = PerfBlock(238, {{1, 4}}, {{L"0", {5}}});
  EXPECT_FALSE(ReadProcessorIdle(noCounter.data(), noCounter.size(), &idle, &time));
}

TEST(PerfData, TruncatedAndDamagedBlocksAreRefused) {
  std::vector<std::uint8_t> good = ProcessBlock();
  char name[260];
  // Every shorter prefix: no read past it, and never a name that is not wholly inside.
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    bool found = FindProcessInstanceName(cut.data(), cut.size(), 200, name, sizeof name);
    if (found) {
      EXPECT_STREQ(name, "beta") << n;
    }
  }
  struct { const char* what; std::size_t at; std::uint32_t value; } damage[] = {
      {"no objects", 28, 0},
      {"header past the end", 24, 0x7FFFFFF0},
      {"object length past the end", 88, 0x7FFFFFF0},
      {"counter count past the definitions", 88 + 32, 1000},
      {"counter offset past the block", 88 + 64 + 40 + 36, 0x10000},
      {"instance count huge", 88 + 40, 0x7FFFFFFF},
  };
  for (auto& d : damage) {
    std::vector<std::uint8_t> b = good;
    Put(b, d.at, d.value);
    bool found = FindProcessInstanceName(b.data(), b.size(), 200, name, sizeof name);
    if (std::string(d.what) == "instance count huge") {
      EXPECT_TRUE(found) << d.what;  // the walk ends at the data's end, not at the count
    } else {
      EXPECT_FALSE(found) << d.what;
    }
  }
  // An instance name that points past its record.
  std::vector<std::uint8_t> b = good;
  std::size_t firstInstance = 88 + 64 + 80;
  Put(b, firstInstance + 16, 0x1000);
  EXPECT_FALSE(FindProcessInstanceName(b.data(), b.size(), 100, name, sizeof name));
}

TEST(PerfData, RealPerformanceDataOfThisSystemParsesOrIsAbsent) {
  // Whatever the system hands back is parsed without trust; under Wine the objects are absent
  // and the samplers fall back to GetSystemTimes and the process list.
  for (const char* object : {"238", "260", "230"}) {
    std::vector<std::uint8_t> data = QueryPerformanceData(object, 2000);
    PerfObjectView view;
    bool parsed = !data.empty() && OpenFirstPerfObject(data.data(), data.size(), view);
    std::printf("performance data %s: %zu bytes, %s\n", object, data.size(), parsed ? "parsed" : "none");
    if (parsed) {
      EXPECT_LE(view.objectEnd, data.size());
    }
  }
  char name[260];
  std::vector<std::uint8_t> processes = QueryPerformanceData("230", 12000);
  FindProcessInstanceName(processes.data(), processes.size(), GetCurrentProcessId(), name, sizeof name);
  int cpu = QueryNtCpuUsage();
  EXPECT_GE(cpu, 0);
  EXPECT_LE(cpu, 99);
  EXPECT_GT(QueryNtThreadCount(), 0);  // this process alone has a thread
}

TEST(PerfMonFigures, CpuUsageFromIdleCounterDifferences) {
  struct { std::uint32_t pi, pt, i, t; int usage; } cases[] = {
      {0, 0, 5000000, 10000000, 50},     // half of the time idle
      {0, 0, 0, 10000000, 99},           // never idle: clamped to 99
      {0, 0, 10000000, 10000000, 0},
      {0, 0, 12000000, 10000000, 0},     // more idle than elapsed (two processors): 0, not 99
      {0, 50, 0, 99, 0},                 // under 100 units elapsed: no figure
      {0xFFFFFF00u, 0xFFFFFF00u, 0x004C4A40u, 0x00989580u, 50},  // both counters wrapped
  };
  for (auto& c : cases) EXPECT_EQ(CpuUsageFromIdle(c.pi, c.pt, c.i, c.t), c.usage) << c.i << " " << c.t;
}

TEST(PerfMonFigures, FreeSpaceTextChoosesItsUnit) {
  struct { long long kb; const char* text; } cases[] = {
      {0, "0 KB"},        {999, "999 KB"},   {1000, "1.0 MB"},  {10239, "10.0 MB"},
      {10240, "10 MB"},   {1023999, "999 MB"}, {1024000, "1.0 GB"}, {5LL << 30, "5120.0 GB"}};
  for (auto& c : cases) EXPECT_EQ(FormatFreeSpace(c.kb, "KB", "MB", "GB"), c.text) << c.kb;
  EXPECT_EQ(FormatFreeSpace(999, "KB", "MB", "GB", true), "999\nKB");
}

TEST(PerfMonFigures, AlarmFiresOncePerFallBelowTheThreshold) {
  struct { std::vector<int> values; std::vector<int> firesAt; } cases[] = {
      {{10, 5, 4, 3, 6, 2}, {2, 5}},  // at the threshold arms, not fires
      {{3, 2, 6, 4, 4}, {3}},         // starting below: only after recovering
      {{50, 50, 50}, {}},
      {{5, 4, 5, 4, 5, 4}, {1, 3, 5}},
  };
  for (auto& c : cases) {
    bool armed = false;
    std::vector<int> fired;
    for (std::size_t i = 0; i < c.values.size(); ++i)
      if (AlarmStep(true, c.values[i], 5, armed)) fired.push_back(int(i));
    EXPECT_EQ(fired, c.firesAt);
  }
  bool armed = true;
  EXPECT_FALSE(AlarmStep(false, 1, 5, armed));
  EXPECT_FALSE(armed);  // an alarm that does not apply disarms
}

// ---- the settings blob ----

namespace {

std::vector<std::uint8_t> MonitorBlob(const std::string& message, const std::string& program) {
  std::vector<std::uint8_t> b(44, 0);
  const std::int32_t head[9] = {1, 6, 'd', 48, 3, 12, 1, 20, 1};
  for (int i = 0; i < 9; ++i) le::PutI32(b.data() + 4 * i, head[i]);
  auto add = [&](const std::string& s) {
    std::size_t at = b.size();
    std::int32_t n = s.empty() ? 0 : std::int32_t(s.size() + 1);
    b.resize(at + 4 + std::size_t(n), 0);
    le::PutI32(b.data() + at, n);
    std::memcpy(b.data() + at + 4, s.data(), s.size());
  };
  add(message);
  add(program);
  return b;
}

}  // namespace

TEST(PerfMonBlob, CanonicalBlobRoundTripsAndUnusedWordsAreWrittenAsZeros) {
  std::vector<std::uint8_t> b = MonitorBlob("Disk low", "notepad.exe c:\\log.txt");
  PerfMonSettings s;
  ASSERT_TRUE(ReadPerfMonSettings(b.data(), int(b.size()), s));
  EXPECT_EQ(s.display, 1);
  EXPECT_EQ(s.statistic, 6);
  EXPECT_EQ(s.drive, 'd');
  EXPECT_EQ(s.sound, 48);
  EXPECT_EQ(s.interval, 3);
  EXPECT_EQ(s.colour, 12);
  EXPECT_EQ(s.threshold, 20);
  EXPECT_EQ(s.action, 1);
  EXPECT_EQ(s.message, "Disk low");
  EXPECT_EQ(s.program, "notepad.exe c:\\log.txt");
  EXPECT_EQ(WritePerfMonSettings(s), b);

  std::vector<std::uint8_t> garbage = b;
  le::PutU32(garbage.data() + 36, 0xDEADBEEF);
  le::PutU32(garbage.data() + 40, 0xCAFEF00D);
  ASSERT_TRUE(ReadPerfMonSettings(garbage.data(), int(garbage.size()), s));
  EXPECT_EQ(WritePerfMonSettings(s), b);

  std::vector<std::uint8_t> wizard = MonitorBlob("", "");
  ASSERT_EQ(wizard.size(), 52u);
  ASSERT_TRUE(ReadPerfMonSettings(wizard.data(), 52, s));
  EXPECT_EQ(s.message, "");
  EXPECT_EQ(s.program, "");
}

TEST(PerfMonBlob, DamagedBlobsAreRefusedOrFallBackToDefaults) {
  std::vector<std::uint8_t> b = MonitorBlob("Disk low", "run.exe");
  PerfMonSettings s;
  struct { const char* what; std::size_t at; std::int32_t value; bool accepted; } cases[] = {
      {"message length past the end", 44, 5000, false},
      {"message length just past the end", 44, std::int32_t(b.size()) - 47, false},
      {"program length past the end", 44 + 4 + 9, 9, false},
      {"negative message length", 44, -3, false},  // the program length is then read from the text
  };
  for (auto& c : cases) {
    std::vector<std::uint8_t> d = b;
    le::PutI32(d.data() + c.at, c.value);
    EXPECT_EQ(ReadPerfMonSettings(d.data(), int(d.size()), s), c.accepted) << c.what;
  }
  EXPECT_FALSE(ReadPerfMonSettings(b.data(), 44, s));
  EXPECT_FALSE(ReadPerfMonSettings(b.data(), 50, s));

  std::vector<std::uint8_t> unterminated = MonitorBlob("abc", "");
  unterminated[48 + 3] = 'd';  // the message's NUL overwritten: cut at its stored length
  ASSERT_TRUE(ReadPerfMonSettings(unterminated.data(), int(unterminated.size()), s));
  EXPECT_EQ(s.message, "abcd");

  std::vector<std::uint8_t> bad = b;
  const std::int32_t head[9] = {7, 9, '#', 17, 6, 19, 3, 0, 5};
  for (int i = 0; i < 9; ++i) le::PutI32(bad.data() + 4 * i, head[i]);
  ASSERT_TRUE(ReadPerfMonSettings(bad.data(), int(bad.size()), s));
  PerfMonSettings d;
  EXPECT_EQ(s.display, d.display);
  EXPECT_EQ(s.statistic, d.statistic);
  EXPECT_EQ(s.drive, 'c');
  EXPECT_EQ(s.sound, -1);
  EXPECT_EQ(s.interval, 2);
  EXPECT_EQ(s.colour, 0);
  EXPECT_EQ(s.alarmOn, 0);
  EXPECT_EQ(s.threshold, 5);
  EXPECT_EQ(s.action, 0);
  EXPECT_EQ(s.message, "Disk low");  // the strings were sound
}

// ---- the panel window ----

namespace {

struct ParentRecorder {
  static inline std::vector<std::pair<UINT, WPARAM>> messages;
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == PNM_CHANGED || msg == PNM_OPENCONFIG || msg == PNM_RELAYOUT) messages.push_back({msg, wp});
    if (msg == PNM_GETORIENT) return 0;
    return DefWindowProcA(w, msg, wp, lp);
  }
};

HWND MakeParent() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentRecorder::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ClockMonTestParent";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassA(&wc);
    registered = true;
  }
  ParentRecorder::messages.clear();
  return CreateWindowExA(0, "ClockMonTestParent", "monitor test", WS_OVERLAPPEDWINDOW,
                         40, 40, 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class PerfMonWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterPerfMonPanelType(Globals().instance);
    parent_ = MakeParent();
  }
  void TearDown() override {
    DestroyWindow(parent_);
    FreePerfMonPanelType();
  }
  HWND Create(const std::vector<std::uint8_t>& blob) {
    RECT r{4, 4, 124, 60};
    return CreatePerfMon(parent_, &r, blob.empty() ? nullptr : blob.data(), int(blob.size()));
  }
  HWND parent_ = nullptr;
};

std::vector<std::uint8_t> DriveBlob(int threshold, int alarmOn = 1) {
  PerfMonSettings s;
  s.statistic = kStatDrive;
  s.drive = 'c';
  s.alarmOn = alarmOn;
  s.threshold = threshold;
  s.message = "low";
  return WritePerfMonSettings(s);
}

}  // namespace

TEST_F(PerfMonWindow, SettingsRoundTripAndNewStatisticClearsTheHistory) {
  HWND m = Create({});
  ASSERT_TRUE(m);
  PerfMonSettings s;
  std::vector<int> history;
  ASSERT_TRUE(GetPerfMonState(m, &s, &history, nullptr));
  EXPECT_EQ(s.interval, 2);
  EXPECT_EQ(s.threshold, 5);
  EXPECT_FALSE(s.message.empty());  // the default message from the resources
  EXPECT_EQ(history.size(), 1u);  // one sample at once

  std::vector<std::uint8_t> blob = DriveBlob(30);
  ASSERT_EQ(SendMessageA(m, PNM_SETSETTINGS, blob.size(), LPARAM(blob.data())), 1);
  ASSERT_TRUE(GetPerfMonState(m, &s, &history, nullptr));
  EXPECT_EQ(s.statistic, kStatDrive);
  EXPECT_EQ(history.size(), 1u);  // cleared, then sampled
  for (int i = 0; i < 25; ++i) SendMessageA(m, WM_COMMAND, 605, 0);
  GetPerfMonState(m, nullptr, &history, nullptr);
  EXPECT_EQ(history.size(), 20u);  // the oldest fall out

  void* out = nullptr;
  LRESULT size = SendMessageA(m, PNM_GETSETTINGS, 0, LPARAM(&out));
  ASSERT_EQ(size, LRESULT(blob.size()));
  EXPECT_EQ(std::memcmp(out, blob.data(), blob.size()), 0);

  std::vector<std::uint8_t> damaged = blob;
  le::PutI32(damaged.data() + 44, 9999);
  EXPECT_EQ(SendMessageA(m, PNM_SETSETTINGS, damaged.size(), LPARAM(damaged.data())), 0);
  GetPerfMonState(m, &s, nullptr, nullptr);
  EXPECT_EQ(s.threshold, 30);

  char caption[80] = {};
  SendMessageA(m, PNM_GETCAPTION, sizeof caption, LPARAM(caption));
  EXPECT_TRUE(std::string(caption).find("C:") != std::string::npos) << caption;
  EXPECT_EQ(HIWORD(SendMessageA(m, PNM_GETPREFSIZE, 0, 0)), 24);  // a bar in a row
  PerfMonSettings graph;
  graph.display = 1;
  std::vector<std::uint8_t> graphBlob = WritePerfMonSettings(graph);
  SendMessageA(m, PNM_SETSETTINGS, graphBlob.size(), LPARAM(graphBlob.data()));
  EXPECT_EQ(SendMessageA(m, PNM_GETPREFSIZE, 0, 0), MAKELONG(70, 34));
  DestroyWindow(m);
}

TEST_F(PerfMonWindow, DriveFigureMatchesTheSystemAndTheAlarmFiresOncePerCrossing) {
  int percent = 0;
  long long kb = 0;
  ASSERT_TRUE(QueryDriveFree('c', &percent, &kb));
  ULARGE_INTEGER avail{}, total{}, freeBytes{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &avail, &total, &freeBytes));
  EXPECT_NEAR(double(kb), double(avail.QuadPart / 1024), double(total.QuadPart / 1024) / 100);
  if (percent < 1 || percent > 97) GTEST_SKIP() << "drive C: is " << percent << "% free";

  jqtest::SeamRecorder recorder;
  HWND m = Create(DriveBlob(percent));  // at the threshold: armed, no alarm
  ASSERT_TRUE(m);
  SendMessageA(m, WM_TIMER, 0, 0);
  EXPECT_TRUE(recorder.boxes.empty());
  bool armed = false;
  GetPerfMonState(m, nullptr, nullptr, &armed);
  EXPECT_TRUE(armed);

  std::vector<std::uint8_t> higher = DriveBlob(percent + 1);  // now below: fires once
  SendMessageA(m, PNM_SETSETTINGS, higher.size(), LPARAM(higher.data()));
  SendMessageA(m, WM_TIMER, 0, 0);
  SendMessageA(m, WM_TIMER, 0, 0);
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "low");
  EXPECT_TRUE(recorder.boxes[0].type & MB_ICONWARNING);

  std::vector<std::uint8_t> off = DriveBlob(percent + 1, 0);
  SendMessageA(m, PNM_SETSETTINGS, off.size(), LPARAM(off.data()));
  SendMessageA(m, PNM_SETSETTINGS, higher.size(), LPARAM(higher.data()));
  SendMessageA(m, WM_TIMER, 0, 0);
  EXPECT_EQ(recorder.boxes.size(), 1u);  // still below, never recovered

  PerfMonSettings s;
  s.statistic = kStatDrive;
  s.alarmOn = 1;
  s.threshold = percent + 1;
  s.action = 1;
  s.program = "%WINDIR%\\notepad.exe  c:\\some file.txt";
  std::vector<std::uint8_t> run = WritePerfMonSettings(s);
  s.threshold = 1;
  std::vector<std::uint8_t> arm = WritePerfMonSettings(s);
  SendMessageA(m, PNM_SETSETTINGS, arm.size(), LPARAM(arm.data()));
  SendMessageA(m, WM_TIMER, 0, 0);
  SendMessageA(m, PNM_SETSETTINGS, run.size(), LPARAM(run.data()));
  SendMessageA(m, WM_TIMER, 0, 0);
  ASSERT_EQ(recorder.starts.size(), 1u);
  EXPECT_EQ(recorder.starts[0].file, "%WINDIR%\\notepad.exe");
  EXPECT_EQ(recorder.starts[0].parameters, " c:\\some file.txt");
  DestroyWindow(m);
}

TEST_F(PerfMonWindow, TwoCpuMonitorsWithinOneSecondShowOneValueAndTheFirstIsZero) {
  SYSTEMTIME fixed{};
  fixed.wYear = 2026;
  fixed.wMonth = 12;
  fixed.wDay = 11;
  fixed.wSecond = 10;
  seams::Handlers h = seams::CurrentHandlers();
  h.systemTime = [&](SYSTEMTIME* t) { *t = fixed; };
  seams::Handlers previous = seams::SetHandlers(h);
  FreePerfMonPanelType();  // no earlier CPU reading
  RegisterPerfMonPanelType(Globals().instance);
  HWND a = Create(WritePerfMonSettings(PerfMonSettings{}));
  HWND b = Create(WritePerfMonSettings(PerfMonSettings{}));
  std::vector<int> ha, hb;
  GetPerfMonState(a, nullptr, &ha, nullptr);
  GetPerfMonState(b, nullptr, &hb, nullptr);
  ASSERT_EQ(ha.size(), 1u);
  EXPECT_EQ(ha[0], 0);  // the first reading has nothing to differ from
  for (int i = 0; i < 200000; ++i) GetTickCount();  // some time passes on the processor
  fixed.wMilliseconds = 400;
  SendMessageA(a, WM_COMMAND, 605, 0);
  fixed.wMilliseconds = 900;
  SendMessageA(b, WM_COMMAND, 605, 0);
  GetPerfMonState(a, nullptr, &ha, nullptr);
  GetPerfMonState(b, nullptr, &hb, nullptr);
  EXPECT_EQ(ha.back(), hb.back());
  seams::SetHandlers(previous);
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST_F(PerfMonWindow, MemoryFigureAndTheResourceLibrary) {
  MEMORYSTATUSEX status{sizeof status};
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  int expected = int(status.ullAvailPageFile * 100 / status.ullTotalPageFile);
  EXPECT_NEAR(QueryFreeMemoryPercent(), expected, 3);

  HMODULE library = LoadLibraryA((jqtest::ProgramFolder() + "\\RESMON32.DLL").c_str());
  ASSERT_TRUE(library);
  GetFreeResourcesFn f = LoadFreeResourcesFunction();
  ASSERT_TRUE(f);
  EXPECT_EQ(reinterpret_cast<void*>(f), reinterpret_cast<void*>(GetProcAddress(library, "_GetFreeResources32@4")));
  int system = f(0);
  int physical = int(status.ullAvailPhys * 100 / status.ullTotalPhys);
  EXPECT_NEAR(system, physical, 5);
  for (int kind : {1, 2}) {
    EXPECT_GE(f(kind), 0);
    EXPECT_LE(f(kind), 100);
  }
  EXPECT_EQ(f(7), 0);
  FreeLibrary(library);
}

TEST_F(PerfMonWindow, PropertySheetAppliesStatisticAlarmAndThreshold) {
  HWND m = Create({});
  HWND sheet = HWND(SendMessageA(m, PNM_CREATEPAGE, WPARAM(parent_), MAKELPARAM(0, 0)));
  ASSERT_TRUE(sheet);
  HWND statistic = nullptr, alarm = nullptr;
  for (HWND c = GetWindow(sheet, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetDlgItem(c, 487)) statistic = c;
    if (GetDlgItem(c, 488)) alarm = c;
  }
  ASSERT_TRUE(statistic && alarm);
  HWND tab = GetDlgItem(sheet, 500);
  EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 1);  // CPU: no alarm tab
  HWND list = GetDlgItem(statistic, 487);
  int drive = -1;
  for (int i = 0; i < int(SendMessageA(list, LB_GETCOUNT, 0, 0)); ++i)
    if (SendMessageA(list, LB_GETITEMDATA, i, 0) == 0x100 + 'c') drive = i;
  ASSERT_GE(drive, 3);  // after CPU, threads and memory
  SendMessageA(list, LB_SETCURSEL, drive, 0);
  SendMessageA(statistic, WM_COMMAND, MAKEWPARAM(487, LBN_SELCHANGE), LPARAM(list));
  EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 2);

  struct { const char* typed; int stored; } thresholds[] = {{"0", 5}, {"150", 99}, {"12", 12}};
  for (auto& t : thresholds) {
    SetDlgItemTextA(alarm, 492, t.typed);
    SendMessageA(sheet, WM_COMMAND, 323, 0);
    PerfMonSettings s;
    GetPerfMonState(m, &s, nullptr, nullptr);
    EXPECT_EQ(s.threshold, t.stored) << t.typed;
    EXPECT_EQ(int(GetDlgItemInt(alarm, 492, nullptr, FALSE)), t.stored);
  }
  CheckDlgButton(alarm, 488, BST_CHECKED);
  CheckRadioButton(alarm, 493, 498, 494);
  SetDlgItemTextA(alarm, 496, "cleanup.exe /quiet");
  ParentRecorder::messages.clear();
  SendMessageA(sheet, WM_COMMAND, 323, 0);
  PerfMonSettings s;
  GetPerfMonState(m, &s, nullptr, nullptr);
  EXPECT_EQ(s.statistic, kStatDrive);
  EXPECT_EQ(s.drive, 'c');
  EXPECT_EQ(s.alarmOn, 1);
  EXPECT_EQ(s.action, 1);
  EXPECT_EQ(s.program, "cleanup.exe /quiet");
  ASSERT_EQ(ParentRecorder::messages.size(), 1u);
  EXPECT_EQ(ParentRecorder::messages[0], std::make_pair(PNM_CHANGED, WPARAM(m)));

  SendMessageA(list, LB_SETCURSEL, 0, 0);  // back to CPU: the alarm tab goes
  SendMessageA(statistic, WM_COMMAND, MAKEWPARAM(487, LBN_SELCHANGE), LPARAM(list));
  EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 1);
  DestroyWindow(sheet);
  DestroyWindow(m);
}
