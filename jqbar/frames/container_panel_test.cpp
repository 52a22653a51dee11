#include "container_panel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "frame_window.h"
#include "panel_messages.h"
#include "panel_tree.h"
#include "panel_utils.h"
#include "test_support.h"
#include "toolbar_test_host.h"

namespace jqbar {
namespace {

// A built-in test panel: its settings blob is {width, height, elements, stretch}. It takes part
// in keyboard mode with that many elements and, with stretch set, takes all the length it is
// offered along its container's arrangement.
struct TestPanelState {
  std::int32_t blob[4];
  int focus = -1;  // element with the keyboard mark
};

LRESULT CALLBACK TestPanelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* st = reinterpret_cast<TestPanelState*>(GetWindowLongPtrA(w, GWLP_USERDATA));
  if (!st) return DefWindowProcA(w, msg, wp, lp);
  int count = st->blob[2];
  switch (msg) {
    case PNM_GETSETTINGS:
      *reinterpret_cast<void**>(lp) = st->blob;
      return sizeof st->blob;
    case PNM_GETPREFSIZE:
      return MakeSize(st->blob[0], st->blob[1]);
    case PNM_NEGOTIATESIZE:
      if (!st->blob[3]) return 0;
      {
        const auto* p = reinterpret_cast<const SizeProposal*>(lp);
        return p->horizontal ? MakeSize(p->offeredWidth, p->currentHeight)
                             : MakeSize(p->currentWidth, p->offeredHeight);
      }
    case PNM_KEYMODEON:
      if (!count) return 0;
      st->focus = wp ? count - 1 : 0;
      return 1;
    case PNM_KEYMODEOFF:
      st->focus = -1;
      return 0;
    case PNM_FOCUSNEXT:
      if (st->focus < 0 || st->focus + 1 >= count) return 0;
      ++st->focus;
      return 1;
    case PNM_FOCUSPREV:
      if (st->focus <= 0) return 0;
      --st->focus;
      return 1;
    case WM_NCDESTROY:
      delete st;
      return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

HWND CreateTestPanel(HWND parent, const RECT* r, const void* blob, int size) {
  auto* st = new TestPanelState{{40, 20, 0, 0}};
  if (blob && size == sizeof st->blob) std::memcpy(st->blob, blob, sizeof st->blob);
  HWND w = CreateWindowExA(0, "JQTestPanel", "", WS_CHILD | WS_VISIBLE, r->left, r->top,
                           r->right - r->left, r->bottom - r->top, parent, nullptr, nullptr, nullptr);
  if (!w) {
    delete st;
    return nullptr;
  }
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(st));
  return w;
}

PanelType g_testType;
PanelType* RegisterTestType(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = TestPanelProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "JQTestPanel";
  RegisterClassA(&wc);
  FillBuiltinType(g_testType, instance, "Test Panel", 0, 0, 0, 0, CreateTestPanel);
  return &g_testType;
}

std::vector<std::uint8_t> TestBlob(int w, int h, int elements = 0, int stretch = 0) {
  std::vector<std::uint8_t> b(16);
  jqbartest::PutInt(b, 0, w);
  jqbartest::PutInt(b, 4, h);
  jqbartest::PutInt(b, 8, elements);
  jqbartest::PutInt(b, 12, stretch);
  return b;
}

int Focus(HWND panel) {
  return reinterpret_cast<TestPanelState*>(GetWindowLongPtrA(panel, GWLP_USERDATA))->focus;
}

class Containers : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    RegisterFrameClass(Globals().instance);
    RegisterContainerTypes();
    AddBuiltinTypeRegistrar(RegisterTestType);
    BuildPanelTypeList(Globals().instance);
  }
  void TearDown() override {
    CloseLayout();
    FreePanelTypeList();
  }
  // A floating frame made from a one-frame layout, as the loader makes it.
  HWND MakeFrame(const LayoutNode& frameNode) {
    std::vector<LayoutNode> list{frameNode};
    PanelNode* node = NodesFromLayout(list);
    PanelNode** tail = &FrameList();
    while (*tail) tail = &(*tail)->next;
    *tail = node;
    HWND frame = CreateFloatingFrame(nullptr);
    RECT client;
    GetClientRect(frame, &client);
    node->window = CreateToolbarContainer(frame, &client, node->blob.data(), int(node->blob.size()));
    node->created = 1;
    CreatePanelWindows(node, nullptr, nullptr);
    AttachRootContainer(frame, node->window, false);
    return frame;
  }
  jqtest::SeamRecorder seams;
};

using jqbartest::ContainerBlob;
using jqbartest::Node;

TEST_F(Containers, AnEmptyRootAsksForTwoHundredByHundredAndIsSizedOneFiftyBySeventy) {
  // Empty, or holding only an empty group (a new frame).
  LayoutNode emptyGroup[] = {Node("Toolbar", ContainerBlob("Empty", 10, 10, 2)),
                            Node("Toolbar", ContainerBlob("New", 10, 10, 2), {Node("Tool Group", ContainerBlob("", 0, 0, 2))})};
  for (const LayoutNode& node : emptyGroup) {
    HWND frame = MakeFrame(node);
    HWND root = FrameRootContainer(frame);
    EXPECT_EQ(DWORD(SendMessageA(root, PNM_GETPREFSIZE, 1, 0)), DWORD(MAKELONG(200, 100)));
    EXPECT_EQ(DWORD(SendMessageA(root, PNM_GETPREFSIZE, 0, 0)), DWORD(MAKELONG(100, 200)));
    RECT r;
    GetWindowRect(root, &r);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, 70);
    // The frame wraps its container with the chrome.
    RECT c = FrameContainerRect(frame);
    EXPECT_EQ(c.right - c.left, 150);
    EXPECT_EQ(c.bottom - c.top, 70);
  }
}

TEST_F(Containers, AnEmptyToolGroupAsksForNothing) {
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("G", 10, 10, 0),
                              {Node("Tool Group", ContainerBlob("", 0, 0, 2)),
                               Node("Test Panel", TestBlob(30, 16))}));
  HWND group = GetWindow(FrameRootContainer(frame), GW_CHILD);
  EXPECT_EQ(SendMessageA(group, PNM_GETPREFSIZE, 1, 0), 0);
}

TEST_F(Containers, OrientationOfTheFrameAndOfTheGroupDiffer) {
  // A vertical group of two wide panels in a horizontal frame.
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("O", 10, 10, 0),
                              {Node("Tool Group", ContainerBlob("", 0, 0, 1),
                                    {Node("Test Panel", TestBlob(80, 20)),
                                     Node("Test Panel", TestBlob(80, 20))})}));
  HWND group = GetWindow(FrameRootContainer(frame), GW_CHILD);
  EXPECT_EQ(SendMessageA(group, PNM_ISHORIZONTAL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(group, PNM_GETORIENT, 0, 0), 0);
  HWND first = GetWindow(group, GW_CHILD), second = GetWindow(first, GW_HWNDNEXT);
  RECT a, b;
  GetWindowRect(first, &a);
  GetWindowRect(second, &b);
  EXPECT_EQ(a.left, b.left);
  EXPECT_GT(b.top, a.top);
}

TEST_F(Containers, AStretchingPanelTakesTheFreeLengthOfTheRow) {
  auto blob = ContainerBlob("S", 10, 10, 0);
  jqbartest::PutInt(blob, 16, 400);  // floating width
  HWND frame = MakeFrame(Node("Toolbar", blob,
                              {Node("Test Panel", TestBlob(40, 20)),
                               Node("Test Panel", TestBlob(10, 20, 0, 1))}));
  HWND root = FrameRootContainer(frame);
  HWND fixed = GetWindow(root, GW_CHILD), stretchy = GetWindow(fixed, GW_HWNDNEXT);
  RECT f, s, r;
  GetWindowRect(fixed, &f);
  GetWindowRect(stretchy, &s);
  GetWindowRect(root, &r);
  EXPECT_EQ(f.right - f.left, 40);
  EXPECT_GT(s.right - s.left, 200);
  // Side by side with the spacing (2) between, filling the row.
  EXPECT_EQ(s.left - f.right, 2);
  EXPECT_EQ(s.right, r.right);
}

TEST_F(Containers, ARootWithOnePlainPanelWrapsItWhole) {
  // The panel has no child windows of its own, and is wider than an empty root.
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("W", 10, 10, 0), {Node("Test Panel", TestBlob(260, 40))}));
  HWND root = FrameRootContainer(frame);
  RECT r, p;
  GetWindowRect(root, &r);
  GetWindowRect(GetWindow(root, GW_CHILD), &p);
  EXPECT_EQ(r.right - r.left, 260);
  EXPECT_EQ(r.bottom - r.top, 40);
  EXPECT_TRUE(EqualRect(&r, &p));
  RECT c = FrameContainerRect(frame);
  EXPECT_EQ(c.right - c.left, 260);
  EXPECT_EQ(c.bottom - c.top, 40);
}

// A floating frame is sized by its edges, never below what its root container needs, and lays
// its panels out again whenever its size changes.
TEST_F(Containers, AFloatingFrameIsSizedByItsEdgesAndFollowsItsNewSize) {
  auto blob = ContainerBlob("Z", 10, 10, 0);
  jqbartest::PutInt(blob, 16, 400);
  HWND frame = MakeFrame(Node("Toolbar", blob, {Node("Test Panel", TestBlob(30, 20)),
                                                Node("Test Panel", TestBlob(10, 20, 0, 1))}));
  HWND root = FrameRootContainer(frame);
  RECT w;
  GetWindowRect(frame, &w);
  int cx = w.right - w.left, cy = w.bottom - w.top;
  struct { int x, y; LRESULT hit; } hits[] = {
      {2, 2, HTCLIENT},  // the menu mark
      {cx / 2, 1, HTTOP},       {cx - 1, 2, HTTOPRIGHT},      {cx - 2, cy / 2, HTRIGHT},
      {cx - 1, cy - 1, HTBOTTOMRIGHT}, {cx / 2, cy - 4, HTBOTTOM}, {cx / 2, cy - 6, HTCAPTION},
      {1, cy - 1, HTBOTTOMLEFT}, {3, cy / 2, HTLEFT},          {4, cy / 2, HTCAPTION},
  };
  for (const auto& h : hits)
    EXPECT_EQ(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(w.left + h.x, w.top + h.y)), h.hit)
        << h.x << "," << h.y;

  // Dragged too small, the dragged edge stops at the preferred size (200 x 100 for a root whose
  // first panel has no child windows) and the chrome.
  RECT inner = FrameContainerRect(frame);
  int least = 200 + cx - (inner.right - inner.left), leastH = 100 + cy - (inner.bottom - inner.top);
  RECT fromLeft{w.right - 30, w.top, w.right, w.bottom};
  SendMessageA(frame, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&fromLeft));
  EXPECT_EQ(fromLeft.right, w.right);
  EXPECT_EQ(fromLeft.right - fromLeft.left, least);
  RECT fromCorner{w.left, w.top, w.left + 30, w.top + 10};
  SendMessageA(frame, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&fromCorner));
  EXPECT_EQ(fromCorner.left, w.left);
  EXPECT_EQ(fromCorner.top, w.top);
  EXPECT_EQ(fromCorner.right - fromCorner.left, least);
  EXPECT_EQ(fromCorner.bottom - fromCorner.top, leastH);

  // A narrower frame lays the stretching panel out in the room left; one narrower than the
  // preferred size grows back to it.
  SetWindowPos(frame, nullptr, 0, 0, 300, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(frame, &w);
  EXPECT_EQ(w.right - w.left, 300);
  RECT r, s;
  GetWindowRect(root, &r);
  GetWindowRect(GetWindow(GetWindow(root, GW_CHILD), GW_HWNDNEXT), &s);
  EXPECT_EQ(s.right, r.right);
  inner = FrameContainerRect(frame);
  EXPECT_EQ(r.right - r.left, inner.right - inner.left);
  SetWindowPos(frame, nullptr, 0, 0, 50, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(frame, &w);
  EXPECT_EQ(w.right - w.left, least);
}

TEST_F(Containers, TabWrapsFromTheLastElementToTheFirst) {
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("K", 10, 10, 0),
                              {Node("Test Panel", TestBlob(40, 20, 2)),
                               Node("Test Panel", TestBlob(40, 20, 0)),  // takes no part
                               Node("Test Panel", TestBlob(40, 20, 1))}));
  HWND root = FrameRootContainer(frame);
  HWND p1 = GetWindow(root, GW_CHILD), p2 = GetWindow(p1, GW_HWNDNEXT), p3 = GetWindow(p2, GW_HWNDNEXT);
  std::vector<std::pair<int, int>> seen;  // (panel, element)
  for (int i = 0; i < 5; ++i) {
    SendMessageA(frame, WM_COMMAND, 3000, 0);  // Tab
    int panel = Focus(p1) >= 0 ? 1 : Focus(p2) >= 0 ? 2 : Focus(p3) >= 0 ? 3 : 0;
    seen.emplace_back(panel, panel == 1 ? Focus(p1) : panel == 3 ? Focus(p3) : -1);
  }
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}, {3, 0}, {1, 0}, {1, 1}}));
  SendMessageA(frame, WM_COMMAND, 3001, 0);  // Shift+Tab
  SendMessageA(frame, WM_COMMAND, 3001, 0);
  EXPECT_EQ(Focus(p3), 0);  // wrapped backwards to the last element
  EXPECT_EQ(Focus(p1), -1);
}

TEST_F(Containers, TheWizardsShortBlobKeepsTitleColourAndBackground) {
  std::vector<std::uint8_t> blob(124, 0);
  jqbartest::PutInt(blob, 0, 1);
  std::memcpy(blob.data() + 60, "Wizard bar", 10);
  jqbartest::PutInt(blob, 100, 9);  // colour
  jqbartest::PutInt(blob, 104, 4);  // background, at 108 in the full form
  jqbartest::PutInt(blob, 120, 7);  // fifth tool slot word moves to 124
  ContainerSettings s{};
  std::string path = "x";
  ASSERT_TRUE(ReadContainerBlob(blob.data(), 124, s, path));
  EXPECT_STREQ(s.title, "Wizard bar");
  EXPECT_EQ(s.colour, 9);
  EXPECT_EQ(s.background, 4);
  EXPECT_EQ(s.customBackground, 0);
  EXPECT_EQ(s.toolSlots[3], 7);
  EXPECT_EQ(s.toolSlots[4], 0);
  EXPECT_TRUE(path.empty());
}

TEST_F(Containers, ATitleNeverOverwritesTheColour) {
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("T", 10, 10, 0, 7)));
  HWND root = FrameRootContainer(frame);
  SetContainerTitle(root, std::string(60, 'x').c_str());
  ContainerSettings* s = GetContainerSettings(root);
  EXPECT_EQ(std::strlen(s->title), 39u);
  EXPECT_EQ(s->colour, 7);
  // A blob with an unterminated title reads as 39 characters.
  auto blob = ContainerBlob("", 0, 0);
  std::memset(blob.data() + 60, 'y', 40);
  ContainerSettings t{};
  std::string path;
  ReadContainerBlob(blob.data(), int(blob.size()), t, path);
  EXPECT_EQ(std::strlen(t.title), 39u);
}

TEST_F(Containers, SettingsShorterThanTheRecordAreIgnoredAndAPathTravelsAfterIt) {
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("P", 10, 10, 0, 3)));
  HWND root = FrameRootContainer(frame);
  auto shortBlob = ContainerBlob("Changed", 0, 0, 0, 5);
  SendMessageA(root, PNM_SETSETTINGS, 100, reinterpret_cast<LPARAM>(shortBlob.data()));
  EXPECT_EQ(GetContainerSettings(root)->colour, 3);
  auto full = ContainerBlob("Changed", 10, 10, 0, 5);
  SendMessageA(root, PNM_SETSETTINGS, full.size(), reinterpret_cast<LPARAM>(full.data()));
  EXPECT_EQ(GetContainerSettings(root)->colour, 5);
  char title[64] = {};
  GetWindowTextA(frame, title, sizeof title);
  EXPECT_STREQ(title, "Changed");
}

// A bitmap file: bits per pixel, size, and how many bytes of pixels to write.
std::string BitmapFile(const jqtest::TempFolder& temp, const char* name, int bits, int w, int h,
                       int pixelBytes = -1, int offsetShift = 0) {
  int stride = ((w * bits + 31) / 32) * 4;
  int colours = bits <= 8 ? (1 << bits) : 0;
  int offset = 14 + 40 + colours * 4;
  if (pixelBytes < 0) pixelBytes = stride * h;
  std::string f(std::size_t(offset + pixelBytes), '\0');
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&f[std::size_t(at)], &v, 4); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, std::uint32_t(f.size()));
  put32(10, std::uint32_t(offset + offsetShift));
  put32(14, 40);
  put32(18, std::uint32_t(w));
  put32(22, std::uint32_t(h));
  f[26] = 1;
  f[28] = char(bits);
  for (int i = 0; i < pixelBytes; ++i) f[std::size_t(offset + i)] = char(i * 7);
  return temp.WriteFile(name, f);
}

TEST_F(Containers, TheBackgroundLoaderAcceptsOnlyWholeSixteenColourBitmaps) {
  jqtest::TempFolder temp;
  HDC dc = GetDC(nullptr);
  struct Case { std::string path; UINT message; } cases[] = {
      {BitmapFile(temp, "good.bmp", 4, 33, 20), 0},
      {BitmapFile(temp, "eight.bmp", 8, 32, 32), 633},
      {BitmapFile(temp, "short.bmp", 4, 32, 32, 100), 631},
      {BitmapFile(temp, "offset.bmp", 4, 32, 32, -1, 1 << 20), 631},
      {BitmapFile(temp, "huge.bmp", 4, 100000, 2, 16), 631},
      {temp / "missing.bmp", 631},
  };
  for (const Case& c : cases) {
    int w = 0, h = 0;
    UINT message = 99;
    HBITMAP b = LoadBackgroundBitmapFile(dc, c.path, &w, &h, &message);
    EXPECT_EQ(message, c.message) << c.path;
    EXPECT_EQ(b != nullptr, c.message == 0) << c.path;
    if (b) {
      EXPECT_EQ(w, 33);
      EXPECT_EQ(h, 20);
      DeleteObject(b);
    }
  }
  ReleaseDC(nullptr, dc);
}

TEST_F(Containers, ACustomBackgroundThatFailsFallsBackAndSaysWhy) {
  jqtest::TempFolder temp;
  auto blob = ContainerBlob("B", 10, 10, 0, 1, 2);
  jqbartest::PutInt(blob, 104, 1);  // custom
  std::string path = BitmapFile(temp, "eight.bmp", 8, 8, 8);
  blob.insert(blob.end(), path.begin(), path.end());
  blob.push_back(0);
  HWND frame = MakeFrame(Node("Toolbar", blob));
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_NE(seams.boxes[0].text.find("16"), std::string::npos);
  HWND root = FrameRootContainer(frame);
  EXPECT_EQ(GetContainerSettings(root)->customBackground, 0);
  int w = 0, h = 0;
  EXPECT_NE(GetContainerBackground(root, &w, &h), nullptr);  // the predefined one
  EXPECT_EQ(w, 32);
}

TEST_F(Containers, AChangedPanelStoresItsSettingsInItsNode) {
  static std::vector<std::uint8_t> undone;
  undone.clear();
  SetPanelChangedHandler([](PanelNode*, const std::vector<std::uint8_t>& old) { undone = old; });
  HWND frame = MakeFrame(Node("Toolbar", ContainerBlob("C", 10, 10, 0),
                              {Node("Test Panel", TestBlob(40, 20, 1))}));
  HWND panel = GetWindow(FrameRootContainer(frame), GW_CHILD);
  reinterpret_cast<TestPanelState*>(GetWindowLongPtrA(panel, GWLP_USERDATA))->blob[0] = 55;
  SendMessageA(GetParent(panel), PNM_CHANGED, WPARAM(panel), 0);
  PanelNode* node = FindNodeByWindow(panel);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(jqbartest::GetInt(node->blob, 0), 55);
  EXPECT_EQ(jqbartest::GetInt(undone, 0), 40);  // the old settings went to the undo hook
  SetPanelChangedHandler(nullptr);
}

}  // namespace
}  // namespace jqbar
