#include "toolbar_layout.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "container_panel.h"
#include "frame_window.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "test_support.h"
#include "toolbar_test_host.h"

namespace jqbar {
namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string FrameTitle(const PanelNode* node) {
  char title[80] = {};
  if (node && node->window) GetWindowTextA(GetParent(node->window), title, sizeof title);
  return title;
}


// Every window of the loaded frames as the user gets them: the frames in z-order with their
// places and visibility, and under each its children in z-order (class, id, place, shown), the
// frame buttons' colours and states, and the tools of the shared tooltip.
void Describe(HWND window, int depth, std::string& out) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  RECT r;
  GetWindowRect(window, &r);
  if (HWND parent = GetParent(window)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  char line[200];
  snprintf(line, sizeof line, "%*s%s %d %ld,%ld,%ld,%ld%s\n", depth * 2, "", cls,
           int(GetWindowLongPtrA(window, GWLP_ID)), r.left, r.top, r.right - r.left, r.bottom - r.top,
           (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) ? " shown" : "");
  out += line;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Describe(c, depth + 1, out);
}

std::string DescribeFrames() {
  std::string out;
  HWND tooltip = nullptr;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!IsFrameWindow(w)) continue;
    Describe(w, 0, out);
    FrameState* st = GetFrameState(w);
    for (const FrameButton& fb : st->buttons) {
      char title[80] = {};
      GetWindowTextA(fb.target, title, sizeof title);
      out += "  button for " + std::string(title) + " colour " + std::to_string(fb.colour) +
             (fb.shown ? " shown\n" : " hidden\n");
    }
    tooltip = st->tooltip;
  }
  if (tooltip) out += "tools " + std::to_string(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0)) + "\n";
  return out;
}

// The 11 x 11 pixels of a button: as its window shows them, or as the button control itself
// draws them into a memory bitmap (WM_PRINTCLIENT, which sends the frame the same WM_DRAWITEM).
std::vector<std::uint32_t> ButtonPixels(HWND button, bool throughControl) {
  HDC screen = GetDC(button);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 11;
  bi.bmiHeader.biHeight = -11;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bitmap);
  if (throughControl) SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
  else BitBlt(mem, 0, 0, 11, 11, screen, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<std::uint32_t> pixels(static_cast<std::uint32_t*>(bits), static_cast<std::uint32_t*>(bits) + 121);
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(button, screen);
  return pixels;
}

class ToolbarLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    RegCreateKeyExA(registry.machine(), kToolsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string plugin = jqbartest::SamplePluginPath();
    RegSetValueExA(key, "Samples", 0, REG_SZ, reinterpret_cast<const BYTE*>(plugin.c_str()), DWORD(plugin.size() + 1));
    RegCloseKey(key);
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterFrameClass(Globals().instance);
    RegisterContainerTypes();
    FreePanelTypeList();
    BuildPanelTypeList(Globals().instance);
    RecentLayouts() = LayoutHistory();
  }
  void TearDown() override {
    CloseLayout();
    FreePanelTypeList();
  }
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
};

TEST_F(ToolbarLayout, LoadedFramesCarryTheirPanelsAndButtonsForEachOther) {
  std::string file = temp / "two.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, jqbartest::SampleLayout()));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  PanelNode* alpha = FrameList();
  ASSERT_NE(alpha, nullptr);
  PanelNode* beta = alpha->next;
  ASSERT_NE(beta, nullptr);
  EXPECT_EQ(FrameTitle(alpha), "Alpha");
  EXPECT_EQ(FrameTitle(beta), "Beta");
  // Tool group with A, bar and B, then C: every plug-in panel has its window.
  PanelNode* group = alpha->child;
  ASSERT_NE(group, nullptr);
  int created = 0;
  for (PanelNode* n = group->child; n; n = n->next) created += n->created;
  EXPECT_EQ(created, 3);
  EXPECT_EQ(GetParent(group->child->window), group->window);
  FrameState* a = GetFrameState(GetParent(alpha->window));
  FrameState* b = GetFrameState(GetParent(beta->window));
  ASSERT_EQ(a->buttons.size(), 1u);
  ASSERT_EQ(b->buttons.size(), 1u);
  EXPECT_EQ(a->buttons[0].target, GetParent(beta->window));
  EXPECT_EQ(a->buttons[0].colour, 14);
  EXPECT_EQ(FloatingFrames().size(), 2u);
  EXPECT_EQ(RecentLayouts().Entry(0), file);
  // Pressing Alpha's button for Beta hides Beta, and pressing it again shows it.
  HWND betaFrame = GetParent(beta->window);
  SendMessageA(GetParent(alpha->window), WM_COMMAND, 2000, 0);
  EXPECT_FALSE(IsWindowVisible(betaFrame));
  EXPECT_EQ(a->buttons[0].shown, 0);
  SendMessageA(GetParent(alpha->window), WM_COMMAND, 2000, 0);
  EXPECT_TRUE(IsWindowVisible(betaFrame));
}

TEST_F(ToolbarLayout, ALoadedLayoutEndsWithEveryWindowInItsPlace) {
  // Alpha and Beta as in the sample, a third frame hidden by the file, and a fourth whose
  // groups nest and stand one above the other.
  LayoutFile layout = jqbartest::SampleLayout();
  layout.frames.push_back(jqbartest::Node("Toolbar", jqbartest::ContainerBlob("Gamma", 400, 60, 0, 5),
                                          {jqbartest::Node("Sample Swatch", jqbartest::SwatchBlob("G", 0x00FF00))}));
  layout.frames.push_back(jqbartest::Node(
      "Toolbar", jqbartest::ContainerBlob("Delta", 400, 300, 1, 7),
      {jqbartest::Node("Tool Group", jqbartest::ContainerBlob("", 0, 0, 3),
                       {jqbartest::Node("Sample Swatch", jqbartest::SwatchBlob("H", 0x0000FF)),
                        jqbartest::Node("Tool Group", jqbartest::ContainerBlob("", 0, 0, 2),
                                        {jqbartest::Node("Sample Swatch", jqbartest::SwatchBlob("I", 0xFF0000)),
                                         jqbartest::Node("Sample Bar", {})})}),
       jqbartest::Node("Sample Swatch", jqbartest::SwatchBlob("J", 0x00FFFF))}));
  layout.hidden[2] = 1;
  std::string file = temp / "four.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, layout));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  // The picture the frames have always ended with: Delta, Beta and Alpha shown in that z-order
  // above the hidden Gamma, each button at its place, the buttons for Gamma drawn as hidden.
  EXPECT_EQ(DescribeFrames(), R"(Quorvanel 0 400,300,157,75 shown
  Button 412 86,3,11,11 shown
  Button 410 99,3,11,11 shown
  Button 409 112,3,11,11 shown
  Button 411 125,3,11,11 shown
  Button 413 138,3,11,11 shown
  ContainerPanel 0 18,18,132,50 shown
    ContainerPanel 0 0,0,132,24 shown
      SampleSwatch 0 36,0,60,24 shown
      ContainerPanel 0 36,-10,60,34 shown
        SampleSwatch 0 0,5,60,24 shown
        SampleBar 0 52,5,8,24 shown
    SampleSwatch 0 36,26,60,24 shown
  Button 2000 6,17,11,11 shown
  Button 2001 6,28,11,11 shown
  Button 2002 6,39,11,11 shown
  button for Alpha colour 13 shown
  button for Beta colour 14 shown
  button for Gamma colour 5 hidden
Quorvanel 0 60,260,85,75 shown
  Button 412 14,3,11,11 shown
  Button 410 27,3,11,11 shown
  Button 409 40,3,11,11 shown
  Button 411 53,3,11,11 shown
  Button 413 66,3,11,11 shown
  ContainerPanel 0 18,18,60,50 shown
    SampleSwatch 0 0,0,60,24 shown
    SampleSwatch 0 0,26,60,24 shown
  Button 2000 6,17,11,11 shown
  Button 2001 6,28,11,11 shown
  Button 2002 6,39,11,11 shown
  button for Alpha colour 13 shown
  button for Gamma colour 5 hidden
  button for Delta colour 7 shown
Quorvanel 0 60,60,230,49 shown
  Button 412 159,3,11,11 shown
  Button 410 172,3,11,11 shown
  Button 409 185,3,11,11 shown
  Button 411 198,3,11,11 shown
  Button 413 211,3,11,11 shown
  ContainerPanel 0 29,18,194,24 shown
    ContainerPanel 0 0,0,132,24 shown
      SampleSwatch 0 0,0,60,24 shown
      SampleBar 0 62,0,8,24 shown
      SampleSwatch 0 72,0,60,24 shown
    SampleSwatch 0 134,0,60,24 shown
  Button 2000 6,17,11,11 shown
  Button 2001 6,28,11,11 shown
  Button 2002 17,17,11,11 shown
  button for Beta colour 14 shown
  button for Gamma colour 5 hidden
  button for Delta colour 7 shown
Quorvanel 0 400,60,96,49
  Button 412 25,3,11,11 shown
  Button 410 38,3,11,11 shown
  Button 409 51,3,11,11 shown
  Button 411 64,3,11,11 shown
  Button 413 77,3,11,11 shown
  ContainerPanel 0 29,18,60,24 shown
    SampleSwatch 0 0,0,60,24 shown
  Button 2000 6,17,11,11 shown
  Button 2001 6,28,11,11 shown
  Button 2002 17,17,11,11 shown
  button for Alpha colour 13 shown
  button for Beta colour 14 shown
  button for Delta colour 7 shown
tools 32
)");
}

TEST_F(ToolbarLayout, EachButtonShowsWhatTheButtonControlDrawsPressedOrNot) {
  std::string file = temp / "buttons.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, jqbartest::SampleLayout()));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  HWND frame = GetParent(FrameList()->window);
  FrameState* st = GetFrameState(frame);
  ASSERT_EQ(st->buttons.size(), 1u);
  std::vector<HWND> buttons(std::begin(st->captionButtons), std::end(st->captionButtons));
  buttons.push_back(st->buttons[0].button);
  // The buttons are read back from the screen: their frame is up and painted.
  ASSERT_TRUE(jqtest::PumpUntil([&] {
    for (HWND b : buttons)
      if (!IsWindowVisible(b) || GetUpdateRect(b, nullptr, FALSE)) return false;
    return !GetUpdateRect(frame, nullptr, FALSE);
  }));
  for (bool pressed : {false, true})
    for (HWND b : buttons) {
      SendMessageA(b, BM_SETSTATE, pressed, 0);
      InvalidateRect(b, nullptr, TRUE);
      UpdateWindow(b);
      EXPECT_EQ(ButtonPixels(b, false), ButtonPixels(b, true))
          << "button " << GetWindowLongPtrA(b, GWLP_ID) << (pressed ? " pressed" : "");
      EXPECT_FALSE(GetUpdateRect(b, nullptr, FALSE));
      SendMessageA(b, BM_SETSTATE, FALSE, 0);
    }
}

TEST_F(ToolbarLayout, APluginPanelsChangedSettingsAndAHiddenFrameSurviveSaveAndLoad) {
  std::string file = temp / "round.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, jqbartest::SampleLayout()));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  HWND swatchA = FrameList()->child->child->window;
  SendMessageA(swatchA, WM_LBUTTONUP, 0, 0);  // the panel inverts its colour and reports it
  SendMessageA(GetParent(FrameList()->next->window), WM_COMMAND, 410, 0);  // hide Beta
  ASSERT_TRUE(SaveToolbarLayout(""));
  std::vector<std::uint8_t> bytes = ReadBytes(file);
  ASSERT_GE(bytes.size(), 56u);
  EXPECT_EQ(std::uint32_t(jqbartest::GetInt(bytes, 0)), kLayoutMagicToolbar);
  EXPECT_EQ(jqbartest::GetInt(bytes, 4), 1);  // tooltips on
  EXPECT_EQ(bytes[8], 0);                     // Alpha shown
  EXPECT_EQ(bytes[9], 1);                     // Beta hidden
  std::optional<LayoutFile> saved = ParseLayout(bytes.data(), bytes.size());
  ASSERT_TRUE(saved);
  const LayoutNode& a = saved->frames[0].children[0].children[0];
  EXPECT_EQ(a.typeName, "Sample Swatch");
  EXPECT_EQ(jqbartest::GetInt(a.blob, 4), 0x00FFFF00);  // 0x0000FF inverted
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  EXPECT_FALSE(IsWindowVisible(GetParent(FrameList()->next->window)));
  void* blob = nullptr;
  SendMessageA(FrameList()->child->child->window, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&blob));
  ASSERT_NE(blob, nullptr);
  std::int32_t colour = 0;
  std::memcpy(&colour, static_cast<char*>(blob) + 4, 4);
  EXPECT_EQ(colour, 0x00FFFF00);
}

TEST_F(ToolbarLayout, ALayoutThatDoesNotLoadLeavesTheCurrentOneStanding) {
  std::string good = temp / "good.jqc";
  ASSERT_TRUE(WriteLayoutFile(good, jqbartest::SampleLayout()));
  ASSERT_TRUE(LoadToolbarLayout(good, false));
  PanelNode* current = FrameList();
  HWND frame = GetParent(current->window);
  std::vector<std::uint8_t> bytes = ReadBytes(good);
  // Every cut inside the first frame, a first frame of an unknown type, a wrong magic.
  std::vector<std::vector<std::uint8_t>> bad;
  for (std::size_t n = 0; n < 56 + 72 + 4 + 132 + 4; n += 7) bad.emplace_back(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
  LayoutFile unknown = jqbartest::SampleLayout();
  unknown.frames[0].typeName = "Not Installed";
  bad.push_back(SerializeLayout(unknown));
  bad.push_back(bytes);
  bad.back()[0] ^= 1;
  std::string file = temp / "bad.jqc";
  for (const auto& b : bad) {
    WriteBytes(file, b);
    EXPECT_FALSE(LoadToolbarLayout(file, false)) << b.size();
    ASSERT_EQ(FrameList(), current);
    ASSERT_TRUE(IsWindow(frame));
  }
  EXPECT_EQ(RecentLayouts().Entry(0), good);
  // Cut inside the second frame: the first frame alone loads.
  std::size_t secondFrame = SerializeLayout([] {
    LayoutFile one = jqbartest::SampleLayout();
    one.frames.pop_back();
    return one;
  }()).size();
  WriteBytes(file, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(secondFrame + 40)));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  EXPECT_EQ(CountFrameNodes(), 1);
  EXPECT_EQ(FrameTitle(FrameList()), "Alpha");
}

TEST_F(ToolbarLayout, EveryTruncationAndNoiseReadsWithoutHarm) {
  std::vector<std::uint8_t> bytes = SerializeLayout(jqbartest::SampleLayout());
  for (std::size_t n = 0; n <= bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    auto layout = ParseLayout(cut.data(), cut.size(), [](const std::string& t) { return FindPanelType(t.c_str()) != nullptr; });
    if (layout) EXPECT_LE(layout->frames.size(), 2u);
  }
  // Random words over the node area: sizes that lie, names without terminators.
  std::uint32_t seed = 12345;
  int built = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> noisy = bytes;
    for (int k = 0; k < 6; ++k) {
      seed = seed * 1103515245 + 12345;
      noisy[56 + (seed >> 8) % (noisy.size() - 56)] = std::uint8_t(seed >> 3);
    }
    auto layout = ParseLayout(noisy.data(), noisy.size(), [](const std::string& t) { return FindPanelType(t.c_str()) != nullptr; });
    // Whatever survives the reader also builds (a few of them: building frames is slow under
    // Wine without a window manager).
    if (layout && built++ < 4) {
      ApplyToolbarLayout(*layout);
      CloseLayout();
    }
  }
}

TEST_F(ToolbarLayout, ASaveThatCannotBeWrittenChangesNothing) {
  std::string file = temp / "kept.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, jqbartest::SampleLayout()));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  std::vector<std::uint8_t> before = ReadBytes(file);
  EXPECT_FALSE(SaveToolbarLayout(temp / "no such folder\\x.jqc"));
  EXPECT_EQ(RecentLayouts().Entry(0), file);
  // A save that fails while the old file is held open leaves it whole.
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  SendMessageA(FrameList()->child->child->window, WM_LBUTTONUP, 0, 0);
  EXPECT_FALSE(SaveToolbarLayout(file));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(file), before);
  EXPECT_FALSE(jqtest::FileExists(file + ".~new"));
}

TEST_F(ToolbarLayout, AFrameDraggedToTheTopEdgeDocksAndAutoHides) {
  std::string file = temp / "dock.jqc";
  ASSERT_TRUE(WriteLayoutFile(file, jqbartest::SampleLayout()));
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  HWND frame = GetParent(FrameList()->window);
  HWND root = FrameList()->window;
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  DWORD pref = DWORD(SendMessageA(root, PNM_GETPREFSIZE, 1, 0));
  int expected = HIWORD(pref) + 4;
  // The drag as the system's move loop delivers it: enter, moving with the cursor 3 pixels
  // below the top edge, exit.
  SendMessageA(frame, WM_ENTERSIZEMOVE, 0, 0);
  SetCursorPos(screenWidth / 2, 3);
  RECT r;
  GetWindowRect(frame, &r);
  SendMessageA(frame, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, screenWidth);
  EXPECT_EQ(r.bottom - r.top, expected);
  SendMessageA(frame, WM_EXITSIZEMOVE, 0, 0);
  ContainerSettings* s = GetContainerSettings(root);
  EXPECT_EQ(s->frameStyle, 1);
  EXPECT_EQ(s->edge, 1);
  GetWindowRect(frame, &r);
  EXPECT_LE(r.top, 1);
  EXPECT_EQ(r.right - r.left, screenWidth);
  EXPECT_EQ(r.bottom - r.top, expected);
  EXPECT_EQ(GetFrameState(frame)->appBarRegistered, 1);
  // The style lives in the node's stored settings too, so a save keeps it.
  EXPECT_EQ(jqbartest::GetInt(FrameList()->blob, 32), 1);

  // Auto-hide at the same edge: hides when the cursor leaves, shows when it touches the edge.
  auto blob = FrameList()->blob;
  jqbartest::PutInt(blob, 44, 1);
  SendMessageA(root, PNM_SETSETTINGS, blob.size(), reinterpret_cast<LPARAM>(blob.data()));
  EXPECT_EQ(s->frameStyle, 2);
  EXPECT_EQ(GetFrameState(frame)->appBarRegistered, 0);
  SetCursorPos(screenWidth / 2, 600);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return !IsWindowVisible(frame); }, 5000));
  SetCursorPos(screenWidth / 3, 1);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return IsWindowVisible(frame) != 0; }, 5000));
  GetWindowRect(frame, &r);
  EXPECT_EQ(r.top, DesktopWorkRect().top);
  // Not in the top-right corner, where the desktop keeps 90 pixels.
  SetCursorPos(screenWidth / 2, 600);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return !IsWindowVisible(frame); }, 5000));
  SetCursorPos(DesktopWorkRect().right - 20, 1);
  EXPECT_FALSE(jqtest::PumpUntil([&] { return IsWindowVisible(frame) != 0; }, 1500));
  // Dragged away from the edge it floats again at its floating place.
  SendMessageA(frame, PNM_SHOWFRAME, 0, 0);
  SendMessageA(frame, WM_ENTERSIZEMOVE, 0, 0);
  SetCursorPos(screenWidth / 2, 400);
  GetWindowRect(frame, &r);
  SendMessageA(frame, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&r));
  SendMessageA(frame, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(s->frameStyle, 0);
  GetWindowRect(frame, &r);
  EXPECT_LT(r.right - r.left, screenWidth);
}

}  // namespace
}  // namespace jqbar
