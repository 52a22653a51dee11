// The configuration dialog driven through its own controls and commands: every operation as a
// table of cases, each undone and done again; refusals; the drop rules; a real mouse drag.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "config_edit.h"
#include "config_test_fixture.h"
#include "shell_helpers.h"
#include "toolbar_app.h"

namespace configtest {
namespace {

constexpr char kOriginal[] = "Alpha[G1[A,B],C]; Beta[D,E]";

std::string GroupName() { return FindPanelType("Tool Group")->displayName; }

void HoldShift(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

struct Operation {
  const char* name;
  std::function<void(class ConfigDialog&)> act;
  std::string expected;  // "%G" stands for a new tool group's name
  int steps;             // undo records the operation leaves
};

class ConfigDialog : public ConfigFixture {
 public:
  void Add(const std::string& target, const char* type, bool shift = false) {
    Select(target);
    ASSERT_TRUE(SelectAvailableType(type));
    HoldShift(shift);
    Command(592);
    HoldShift(false);
  }
  void On(const std::string& target, int command) {
    Select(target);
    Command(command);
  }
};

std::string Expand(std::string text) {
  for (std::size_t at; (at = text.find("%G")) != std::string::npos;) text.replace(at, 2, GroupName());
  return text;
}

TEST_F(ConfigDialog, EachOperationIsUndoneAndDoneAgain) {
  const Operation table[] = {
      {"tool after a tool", [](ConfigDialog& t) { t.Add("A", "Sample Swatch"); },
       "Alpha[G1[A,Sample Swatch,B],C]; Beta[D,E]", 1},
      {"tool on a frame goes into its first group", [](ConfigDialog& t) { t.Add("Alpha", "Sample Swatch"); },
       "Alpha[G1[Sample Swatch,A,B],C]; Beta[D,E]", 1},
      {"group after a group", [](ConfigDialog& t) { t.Add("G1", "Tool Group"); },
       "Alpha[G1[A,B],%G,C]; Beta[D,E]", 1},
      {"group into a group with Shift", [](ConfigDialog& t) { t.Add("G1", "Tool Group", true); },
       "Alpha[G1[%G,A,B],C]; Beta[D,E]", 1},
      {"group after the group holding a tool", [](ConfigDialog& t) { t.Add("B", "Tool Group"); },
       "Alpha[G1[A,B],%G,C]; Beta[D,E]", 1},
      {"group after a tool with Shift", [](ConfigDialog& t) { t.Add("A", "Tool Group", true); },
       "Alpha[G1[A,%G,B],C]; Beta[D,E]", 1},
      {"group on a frame", [](ConfigDialog& t) { t.Add("Beta", "Tool Group"); },
       "Alpha[G1[A,B],C]; Beta[%G,D,E]", 1},
      {"delete a panel", [](ConfigDialog& t) { t.On("B", 593); }, "Alpha[G1[A],C]; Beta[D,E]", 1},
      {"delete key in the tree", [](ConfigDialog& t) {
         t.Select("D");
         SetFocus(t.ConfigTree());
         t.Command(520);
       }, "Alpha[G1[A,B],C]; Beta[E]", 1},
      {"delete a whole frame", [](ConfigDialog& t) { t.On("Beta", 593); }, "Alpha[G1[A,B],C]", 1},
      {"cut a tool, paste into a group", [](ConfigDialog& t) {
         t.On("C", 512);
         t.On("G1", 514);
       }, "Alpha[G1[C,A,B]]; Beta[D,E]", 2},
      {"copy a group, paste after a tool of a frame", [](ConfigDialog& t) {
         t.On("G1", 513);
         t.On("E", 514);
       }, "Alpha[G1[A,B],C]; Beta[D,E,G1[A,B]]", 1},
      {"copy a tool, paste into a frame after its first child", [](ConfigDialog& t) {
         t.On("A", 513);
         t.On("Beta", 514);
       }, "Alpha[G1[A,B],C]; Beta[D,A,E]", 1},
      {"paste into (context menu)", [](ConfigDialog& t) {
         t.On("D", 326);
         t.On("G1", 327);
       }, "Alpha[G1[D,A,B],C]; Beta[D,E]", 1},
      {"paste after (context menu)", [](ConfigDialog& t) {
         t.On("D", 326);
         t.On("A", 328);
       }, "Alpha[G1[A,D,B],C]; Beta[D,E]", 1},
      {"cut (context menu)", [](ConfigDialog& t) { t.On("E", 325); }, "Alpha[G1[A,B],C]; Beta[D]", 1},
      {"an available type through the clipboard", [](ConfigDialog& t) {
         ASSERT_TRUE(SelectAvailableType("Sample Swatch"));
         t.Command(504);
         t.On("G1", 514);
       }, "Alpha[G1[Sample Swatch,A,B],C]; Beta[D,E]", 1},
  };
  Open();
  ASSERT_EQ(Shape(), kOriginal);
  for (const Operation& op : table) {
    SCOPED_TRACE(op.name);
    ClearPanelClipboard();
    op.act(*this);
    std::string expected = Expand(op.expected);
    EXPECT_EQ(Shape(), expected);
    EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
    EXPECT_EQ(UndoDepth(), op.steps);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Dialog(), 322)));
    for (int i = 0; i < op.steps; ++i) Command(322);
    EXPECT_EQ(Shape(), kOriginal);
    EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Dialog(), 322)));
    ClearPanelClipboard();
    op.act(*this);
    EXPECT_EQ(Shape(), expected) << "done again";
    for (int i = 0; i < op.steps; ++i) Command(322);
    ASSERT_EQ(Shape(), kOriginal);
  }
  // Each delete asked first.
  for (const auto& box : seams.boxes) EXPECT_EQ(box.type & MB_YESNO, UINT(MB_YESNO));
}

TEST_F(ConfigDialog, UndoOfADeletedFrameBringsItBackFloatingWithItsSettings) {
  PanelNode* d = Find("D");
  SendMessageA(d->window, PNM_SETSETTINGS, 48,
               reinterpret_cast<LPARAM>(SwatchBlob("D2", 0x123456).data()));
  Open();
  On("Beta", 593);
  ASSERT_EQ(Shape(), "Alpha[G1[A,B],C]");
  EXPECT_EQ(FrameCount(), 1);
  Command(322);
  ASSERT_EQ(Shape(), kOriginal);
  PanelNode* beta = FrameList()->next;
  HWND frame = GetParent(beta->window);
  EXPECT_TRUE(IsFrameWindow(frame));
  EXPECT_TRUE(IsWindowVisible(frame));
  EXPECT_EQ(FrameTitleOf(beta), "Beta");
  RECT r;
  GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 300);
  // The panel's last settings, not those of the file.
  std::vector<std::uint8_t> blob;
  ASSERT_TRUE(QueryPanelSettings(Find("D")->window, blob));
  EXPECT_EQ(blob, SwatchBlob("D2", 0x123456));
  // The frames show buttons for each other again.
  EXPECT_EQ(GetFrameState(frame)->buttons.size(), 1u);
}

TEST_F(ConfigDialog, RefusedRemovalsAndAnsweringNoChangeNothing) {
  Open();
  seams.boxAnswers = {IDNO};
  On("A", 593);
  EXPECT_EQ(Shape(), kOriginal);
  EXPECT_EQ(seams.boxes.size(), 1u);
  // The only frame, and a group that is its container's only child.
  On("Beta", 593);
  On("C", 512);
  ASSERT_EQ(Shape(), "Alpha[G1[A,B]]");
  int depth = UndoDepth();
  Select("G1");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Dialog(), 593)));
  Command(593);
  Command(512);
  Select("Alpha");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Dialog(), 593)));
  Command(593);
  EXPECT_EQ(Shape(), "Alpha[G1[A,B]]");
  EXPECT_EQ(UndoDepth(), depth);
}

TEST_F(ConfigDialog, TheDropRulesPlaceOrRefuseAMove) {
  struct Move { const char* node; const char* target; bool shift; const char* expected; };
  const Move table[] = {
      {"A", "C", false, "Alpha[G1[B],C,A]; Beta[D,E]"},
      {"C", "G1", false, "Alpha[G1[C,A,B]]; Beta[D,E]"},
      {"D", "Alpha", false, "Alpha[G1[D,A,B],C]; Beta[E]"},
      {"G1", "Beta", false, "Alpha[C]; Beta[G1[A,B],D,E]"},
      {"G1", "D", false, "Alpha[C]; Beta[D,G1[A,B],E]"},
      {"C", "Beta", false, nullptr},  // Beta's first child is no group
      {"G1", "A", true, nullptr},     // into its own subtree
      {"G1", "A", false, nullptr},    // after itself
      {"B", "A", false, nullptr},     // the place it has
  };
  Open();
  for (const Move& m : table) {
    SCOPED_TRACE(std::string(m.node) + " onto " + m.target);
    bool moved = MovePanelNode(Find(m.node), Find(m.target), m.shift);
    EXPECT_EQ(moved, m.expected != nullptr);
    EXPECT_EQ(Shape(), m.expected ? m.expected : kOriginal);
    EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
    EXPECT_EQ(UndoDepth(), moved ? 1 : 0);
    if (moved) Command(322);
    EXPECT_EQ(Shape(), kOriginal);
    EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
  }
}

TEST_F(ConfigDialog, OpeningAgainSelectsTheRequestedPanel) {
  Open(Find("C"));
  EXPECT_EQ(ConfigDialogSelection(), Find("C"));
  HWND dialog = Dialog();
  EXPECT_EQ(OpenConfigDialog(OwnerFrame(), Find("E")), 2);
  EXPECT_EQ(Dialog(), dialog);
  EXPECT_EQ(ConfigDialogSelection(), Find("E"));
  // The frames' "properties" command opens it at the frame's root.
  CloseConfigDialog();
  SendMessageA(GetParent(Find("Beta")->window), WM_COMMAND, IDM_CONFIGURE, 0);
  ASSERT_TRUE(IsConfigDialogOpen());
  EXPECT_EQ(ConfigDialogSelection(), Find("Beta"));
}

TEST_F(ConfigDialog, RecentLayoutsAreListedFromOneAndOpenedFromTheMenu) {
  std::string other = temp / "other.jqc";
  LayoutFile layout = TwoFrames();
  layout.frames.pop_back();
  layout.frames[0].displayName = "Solo";
  ASSERT_TRUE(WriteLayoutFile(other, layout));
  RecentLayouts().Add(other);
  RecentLayouts().Add(file);
  Open();
  HMENU fileMenu = GetSubMenu(GetMenu(Dialog()), 0);
  SendMessageA(Dialog(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(fileMenu), 0);
  char text[MAX_PATH + 10] = {};
  GetMenuStringA(fileMenu, 508, text, sizeof text, MF_BYCOMMAND);
  EXPECT_EQ(std::string(text), "&1 " + RecentLayouts().Entry(0));
  GetMenuStringA(fileMenu, 509, text, sizeof text, MF_BYCOMMAND);
  EXPECT_EQ(std::string(text), "&2 " + RecentLayouts().Entry(1));
  EXPECT_EQ(GetMenuState(fileMenu, 510, MF_BYCOMMAND), UINT(-1));
  On("C", 593);
  Command(509);
  EXPECT_EQ(Shape(), "Solo[G1[A,B],C]");
  EXPECT_FALSE(CanUndo());
  // The current one was saved before the switch.
  std::optional<LayoutFile> saved = ReadLayoutFile(file);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->frames[0].children.size(), 1u);
  // A recent file that is gone: a warning, nothing changes.
  DeleteFileA(file.c_str());
  SendMessageA(Dialog(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(fileMenu), 0);
  std::size_t boxes = seams.boxes.size();
  Command(509);
  ASSERT_EQ(seams.boxes.size(), boxes + 1);
  EXPECT_NE(seams.boxes.back().text.find(file), std::string::npos);
  EXPECT_EQ(Shape(), "Solo[G1[A,B],C]");
}

// A second start hands over another layout while the dialog is open: the dialog lists the new
// layout, forgets the old one's undo, and Cancel keeps the new layout.
TEST_F(ConfigDialog, ALayoutLoadedFromOutsideIsListedAndCancelKeepsIt) {
  std::string other = temp / "other.jqc";
  LayoutFile layout = TwoFrames();
  layout.frames.pop_back();
  layout.frames[0].displayName = "Solo";
  ASSERT_TRUE(WriteLayoutFile(other, layout));
  Open(Find("G1"));
  On("B", 593);
  ASSERT_TRUE(CanUndo());
  ASSERT_TRUE(SwitchLayout(other));
  EXPECT_FALSE(CanUndo());
  EXPECT_EQ(ConfigDialogPage() != nullptr, true);
  EXPECT_TRUE(SelectConfigNode(Find("Solo")));
  EXPECT_TRUE(SelectConfigNode(Find("C")));
  Command(IDCANCEL);
  EXPECT_EQ(Shape(), "Solo[G1[A,B],C]");
  // The layout left behind was saved as it was at the switch.
  std::optional<LayoutFile> saved = ReadLayoutFile(file);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->frames[0].children[0].children.size(), 1u);
}

TEST_F(ConfigDialog, TheOptionsMenuSwitchesLoadingAtStartUp) {
  ASSERT_FALSE(StartupFolder().empty());
  RemoveStartupShortcuts();
  SetToolbarProgramPathForTest(jqtest::ProgramFolder() + "\\JQBar.exe");
  Open();
  HMENU options = GetSubMenu(GetMenu(Dialog()), 2);
  auto checked = [&] {
    SendMessageA(Dialog(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(options), 2);
    return (GetMenuState(options, 691, MF_BYCOMMAND) & MF_CHECKED) != 0;
  };
  EXPECT_FALSE(checked());
  Command(691);
  EXPECT_EQ(HasStartupShortcut(), 1);
  EXPECT_TRUE(checked());
  Command(691);
  EXPECT_EQ(HasStartupShortcut(), 0);
  EXPECT_FALSE(checked());
  SetToolbarProgramPathForTest("");
}

TEST_F(ConfigDialog, MailingLeavesTheErrorModeAsItWas) {
  Open();
  UINT mine = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  SetErrorMode(mine);
  Command(516);
  EXPECT_EQ(SetErrorMode(0), mine);
  for (const auto& box : seams.boxes) EXPECT_EQ(box.caption, LoadResString(460));
}

// A frame inside the taskbar made with command 472 is stored as a "Taskbar Toolbar" and comes
// back inside the taskbar.
TEST_F(ConfigDialog, ATaskbarFrameIsSavedAndLoadedAsATaskbarToolbar) {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  HWND fake = nullptr;
  if (!tray) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&wc);
    fake = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 560, 800, 30,
                           nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(fake, nullptr);
  }
  Open();
  ASSERT_TRUE(SelectAvailableType("Taskbar Toolbar"));
  Command(472);
  ASSERT_EQ(CountFrameNodes(), 3);
  PanelNode* added = FrameList()->next->next;
  EXPECT_STREQ(added->typeName, "Taskbar Toolbar");
  EXPECT_TRUE(IsInsideTaskbar(added->window));
  EXPECT_FALSE(SelectAvailableType("Taskbar Toolbar"));  // one taskbar frame at most
  Command(IDOK);
  EXPECT_FALSE(IsConfigDialogOpen());
  std::optional<LayoutFile> saved = ReadLayoutFile(file);
  ASSERT_TRUE(saved);
  ASSERT_EQ(saved->frames.size(), 3u);
  EXPECT_EQ(saved->frames[2].typeName, "Taskbar Toolbar");
  ASSERT_TRUE(LoadToolbarLayout(file, false));
  EXPECT_TRUE(IsInsideTaskbar(FrameList()->next->next->window));
  DiscardLayout();
  if (fake) DestroyWindow(fake);
}

// A clock that moves on 10 ms at each reading, counting the readings: only the zoom reads it.
class CountingClock {
 public:
  CountingClock() {
    seams::Handlers h = seams::CurrentHandlers();
    h.tickCount = [this] {
      ++readings;
      return now += 10;
    };
    previous_ = seams::SetHandlers(h);
  }
  ~CountingClock() { seams::SetHandlers(previous_); }
  int readings = 0;
  DWORD now = 5000;

 private:
  seams::Handlers previous_;
};

// Selecting a panel zooms from the page's group box to the item for 200 ms before its page
// shows; selecting it again does not.
TEST_F(ConfigDialog, SelectingAPanelZoomsToItsItemFirst) {
  Open(Find("Alpha"));
  CountingClock clock;
  Select("C");
  EXPECT_EQ(ConfigDialogSelection(), Find("C"));
  EXPECT_GE(clock.readings, 20);
  EXPECT_LE(clock.readings, 23);
  clock.readings = 0;
  Select("C");
  EXPECT_EQ(clock.readings, 0);
}

// --- A drag with the real pointer -------------------------------------------------------------

std::string MoveTo(POINT p) {
  return " mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " sleep 0.15";
}

POINT ItemPoint(HWND tree, PanelNode* node) {
  for (HTREEITEM item = TreeView_GetRoot(tree); item;) {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    TreeView_GetItem(tree, &tv);
    if (reinterpret_cast<PanelNode*>(tv.lParam) == node) {
      RECT r{};
      TreeView_GetItemRect(tree, item, &r, TRUE);
      POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      ClientToScreen(tree, &p);
      return p;
    }
    item = TreeView_GetNextVisible(tree, item);
  }
  return {-1, -1};
}

TEST_F(ConfigDialog, APanelDraggedWithTheMouseMovesAndIsUndone) {
  Open();
  SetWindowPos(Dialog(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_TRUE(jqbartest::BringToFront(Dialog()));
  POINT from = ItemPoint(ConfigTree(), Find("A"));
  POINT to = ItemPoint(ConfigTree(), Find("C"));
  ASSERT_GE(from.x, 0);
  ASSERT_GE(to.x, 0);
  std::string script = "xdotool" + MoveTo(from) + " mousedown 1 sleep 0.2" +
                       MoveTo({from.x + 6, from.y + 6}) + MoveTo({from.x + 12, from.y + 12}) +
                       MoveTo({(from.x + to.x) / 2, (from.y + to.y) / 2}) + MoveTo(to) +
                       MoveTo({to.x + 2, to.y + 1}) + MoveTo(to);
  // The press and the moves start the drag: the dialog holds the pointer.
  ASSERT_TRUE(jqbartest::SendRealInput(Dialog(), script, [&] { return GetCapture() == Dialog(); },
                                       [&] { return GetCapture() == nullptr && Shape() == kOriginal; }));
  {
    // The selections that the drop makes show their pages without the zoom.
    CountingClock clock;
    ASSERT_TRUE(RunOnHost("xdotool sleep 0.3 mouseup 1 sleep 0.2"));
    EXPECT_TRUE(jqtest::PumpUntil([] { return Shape() == "Alpha[G1[B],C,A]; Beta[D,E]"; }, 10000))
        << Shape();
    EXPECT_EQ(clock.readings, 0);
  }
  EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
  EXPECT_EQ(GetCapture(), nullptr);
  Command(322);
  EXPECT_EQ(Shape(), kOriginal);
  RunOnHost("xdotool mousemove 1279 899");
}

}  // namespace
}  // namespace configtest
