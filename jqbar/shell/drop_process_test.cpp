// A real drop from a second program onto a window with the button bar's drop target, driven by
// real mouse input on the X display (XTEST through xdotool).
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drop_objects.h"
#include "real_input.h"
#include "test_support.h"
#include "xdo_input.h"

namespace jqbar {
namespace {

std::vector<std::string> g_files;
std::vector<POINT> g_points;
int g_enters = 0;

TEST(DropFromAnotherProgram, AFileDraggedFromASecondProgramReachesTheButtonBar) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("dragged.txt", "from the helper");
  ButtonBarDropHandlers handlers;
  handlers.setDropTarget = [](HWND bar) { g_enters += bar ? 1 : 0; };
  handlers.trackDragOver = [](HWND, int, int) { return TRUE; };
  handlers.dropFile = [](HWND, const char* path, int x, int y) {
    g_files.push_back(path);
    g_points.push_back(POINT{x, y});
  };
  SetButtonBarDropHandlers(handlers);
  HWND bar = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "bar", WS_POPUP | WS_VISIBLE | WS_BORDER, 400, 300, 200, 60,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(bar);
  IDropTarget* target = CreateButtonBarDropTarget(bar);
  ASSERT_EQ(RegisterDragDrop(bar, target), S_OK);

  POINT to{450, 330};
  int code = bbtest::DragFromHelperUntil({100, 100}, file, bar, to, [] { return !g_files.empty(); });

  ASSERT_EQ(g_files.size(), 1u);
  EXPECT_EQ(lstrcmpiA(g_files[0].c_str(), file.c_str()), 0);
  // Client coordinates of the bar, wherever the window manager placed it.
  POINT client = to;
  ScreenToClient(bar, &client);
  EXPECT_NEAR(g_points[0].x, client.x, 2);
  EXPECT_NEAR(g_points[0].y, client.y, 2);
  EXPECT_GE(g_enters, 1);
  EXPECT_GT(code, 100);  // the helper saw a drop with an effect

  RevokeDragDrop(bar);
  DestroyButtonBarDropTarget(target);
  DestroyWindow(bar);
  SetButtonBarDropHandlers({});
}

}  // namespace
}  // namespace jqbar
