// A real drop from a second program onto a window with the button bar's drop target, driven by
// real mouse input on the X display (XTEST through xdotool).
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drop_objects.h"
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

  HANDLE process = xdo::StartDropHelper({100, 100}, file);
  ASSERT_NE(process, nullptr);

  POINT from{140, 140}, to{450, 330};
  ASSERT_TRUE(xdo::Run(xdo::DragScript(from, to)));
  jqtest::PumpUntil([] { return !g_files.empty(); }, 10000);
  int code = jqtest::WaitProcess(process, 15000);
  CloseHandle(process);
  xdo::Run("xdotool mousemove 1279 899");

  ASSERT_EQ(g_files.size(), 1u);
  EXPECT_EQ(lstrcmpiA(g_files[0].c_str(), file.c_str()), 0);
  // Client coordinates of the bar (its border is one pixel).
  EXPECT_NEAR(g_points[0].x, to.x - 401, 2);
  EXPECT_NEAR(g_points[0].y, to.y - 301, 2);
  EXPECT_GE(g_enters, 1);
  EXPECT_GT(code, 100);  // the helper saw a drop with an effect

  RevokeDragDrop(bar);
  DestroyButtonBarDropTarget(target);
  DestroyWindow(bar);
  SetButtonBarDropHandlers({});
}

}  // namespace
}  // namespace jqbar
