// The layout snapshot that Cancel puts back, OK saving, the panel clipboard, and moving
// containers between frames.
#include <gtest/gtest.h>

#include "config_edit.h"
#include "config_test_fixture.h"

namespace configtest {
namespace {

constexpr char kOriginal[] = "Alpha[G1[A,B],C]; Beta[D,E]";

class LayoutSnapshot : public ConfigFixture {};

TEST_F(LayoutSnapshot, CancelPutsBackTheLayoutWithItsHiddenFrames) {
  HideFrame(GetParent(Find("Beta")->window));
  Open(Find("A"));
  ASSERT_TRUE(SelectAvailableType("Toolbar"));
  Command(592);  // a new frame, no undo
  Select("A");
  Command(593);
  ShowFrame(GetParent(Find("Beta")->window));
  ASSERT_EQ(CountFrameNodes(), 3);
  Command(IDCANCEL);
  EXPECT_FALSE(IsConfigDialogOpen());
  EXPECT_EQ(Shape(), kOriginal);
  EXPECT_EQ(FrameCount(), 2);
  EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
  EXPECT_TRUE(IsWindowVisible(GetParent(Find("Alpha")->window)));
  EXPECT_FALSE(IsWindowVisible(GetParent(Find("Beta")->window)));
  EXPECT_FALSE(HasLayoutSnapshot());
}

TEST_F(LayoutSnapshot, CancelAfterARenameWithoutUndoStillRestores) {
  Open(Find("C"));
  HWND tree = ConfigTree();
  SetFocus(tree);
  Command(450);
  HWND edit = TreeView_GetEditControl(tree);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
  SetWindowTextA(edit, "A name longer than twenty-four characters");
  TreeView_EndEditLabelNow(tree, FALSE);
  EXPECT_EQ(Shape(), "Alpha[G1[A,B],A name longer than twent]; Beta[D,E]");
  EXPECT_FALSE(CanUndo());
  Command(IDCANCEL);
  EXPECT_EQ(Shape(), kOriginal);
}

TEST_F(LayoutSnapshot, OkSavesTheLayoutAndDropsTheSnapshot) {
  Open(Find("B"));
  Command(593);
  Command(IDOK);
  EXPECT_FALSE(IsConfigDialogOpen());
  EXPECT_FALSE(HasLayoutSnapshot());
  EXPECT_EQ(Shape(), "Alpha[G1[A],C]; Beta[D,E]");
  std::optional<LayoutFile> saved = ReadLayoutFile(file);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->frames[0].children[0].children.size(), 1u);
}

TEST_F(LayoutSnapshot, OkReportsALayoutThatCannotBeSaved) {
  Open(Find("B"));
  Command(593);
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Command(IDOK);
  CloseHandle(held);
  ASSERT_EQ(seams.boxes.size(), 2u);  // the delete question, then the report
  EXPECT_NE(seams.boxes[1].text.find("layout.jqc"), std::string::npos);
  EXPECT_EQ(seams.boxes[1].caption, LoadResString(455));
  // The old file is as it was.
  std::optional<LayoutFile> old = ReadLayoutFile(file);
  ASSERT_TRUE(old);
  EXPECT_EQ(old->frames[0].children[0].children.size(), 2u);
}

TEST_F(LayoutSnapshot, TheClipboardHoldsIndependentCopiesWithLiveSettings) {
  PanelNode* a = Find("A");
  SendMessageA(a->window, PNM_SETSETTINGS, 48, reinterpret_cast<LPARAM>(SwatchBlob("A2", 0x010203).data()));
  SetPanelClipboard(Find("G1"));
  PanelNode* first = CopyFromPanelClipboard();
  PanelNode* second = CopyFromPanelClipboard();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(ShapeOf(first), "G1[A,B]");
  EXPECT_EQ(ShapeOf(second), "G1[A,B]");
  EXPECT_NE(first->child, second->child);
  EXPECT_EQ(first->child->window, nullptr);
  EXPECT_EQ(first->child->blob, SwatchBlob("A2", 0x010203));
  first->child->blob.clear();
  EXPECT_EQ(second->child->blob, SwatchBlob("A2", 0x010203));
  EXPECT_EQ(GetPanelClipboard()->child->blob, SwatchBlob("A2", 0x010203));
  FreePanelSubtree(first, true);
  FreePanelSubtree(second, true);
  // Pasted twice through the dialog: two sets of live panels.
  Open();
  Select("Beta");
  Command(514);
  Command(514);
  EXPECT_EQ(Shape(), "Alpha[G1[A,B],C]; Beta[G1[A,B],G1[A,B],D,E]");
  EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
  ClearPanelClipboard();
  EXPECT_FALSE(HasPanelClipboard());
}

TEST_F(LayoutSnapshot, AGroupBecomesAFrameAndAFrameMovesIntoTheFirst) {
  ASSERT_TRUE(DetachToNewFrame(Find("G1")->window));
  EXPECT_EQ(Shape(), "Alpha[C]; Beta[D,E]; G1[A,B]");
  EXPECT_EQ(FrameCount(), 3);
  PanelNode* g1 = Find("G1");
  EXPECT_TRUE(IsFrameWindow(GetParent(g1->window)));
  EXPECT_TRUE(IsWindowVisible(GetParent(g1->window)));
  EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
  EXPECT_FALSE(DetachToNewFrame(g1->window));  // already a frame
  ASSERT_TRUE(MoveIntoFirstFrame(Find("Beta")->window));
  EXPECT_EQ(Shape(), "Alpha[Beta[D,E],C]; G1[A,B]");
  EXPECT_EQ(FrameCount(), 2);
  EXPECT_TRUE(WindowsMatch(nullptr, FrameList()));
  EXPECT_FALSE(MoveIntoFirstFrame(Find("Alpha")->window));
}

TEST_F(LayoutSnapshot, FloatingFramesHideForAMomentAndComeBack) {
  HideFrame(GetParent(Find("Beta")->window));
  HideFloatingFrames();
  EXPECT_FALSE(IsWindowVisible(GetParent(Find("Alpha")->window)));
  EXPECT_EQ(RestoreHiddenFrames(), 1);  // Beta was hidden already and stays so
  EXPECT_TRUE(IsWindowVisible(GetParent(Find("Alpha")->window)));
  EXPECT_FALSE(IsWindowVisible(GetParent(Find("Beta")->window)));
  EXPECT_EQ(RestoreHiddenFrames(), 0);
}

TEST_F(LayoutSnapshot, ThePreferredSizeOfAFrameIncludesItsChrome) {
  HWND frame = GetParent(Find("Alpha")->window);
  int w = 0, h = 0;
  ASSERT_TRUE(GetFramePreferredSize(frame, &w, &h, true));
  LRESULT root = SendMessageA(Find("Alpha")->window, PNM_GETPREFSIZE, 1, 0);
  EXPECT_GT(w, LowSigned(root));
  EXPECT_GT(h, HighSigned(root));
  EXPECT_FALSE(GetFramePreferredSize(nullptr, &w, &h, true));
}

}  // namespace
}  // namespace configtest
