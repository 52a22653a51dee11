// Bars in a narrow floating frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "button_bar.h"
#include "layout_file.h"
#include "panel_messages.h"
#include "sysaccess_test_host.h"
#include "xdo_input.h"

namespace jqbar {
namespace {

using jqbartest::PutInt;

std::vector<std::uint8_t> SystemAccessBlob() {
  std::vector<std::uint8_t> b(356, 0);
  PutInt(b, 4, 1);
  PutInt(b, 8, 1);
  PutInt(b, 212, 30);
  PutInt(b, 256, 2);
  PutInt(b, 300, 0);
  PutInt(b, 312, 20);
  PutInt(b, 324, 1);
  PutInt(b, 328, 1);
  PutInt(b, 332, 6);
  PutInt(b, 340, 1);
  PutInt(b, 344, 1);
  b.resize(360, 0);
  return b;
}

void Dump(const char* what, HWND frame, HWND bar) {
  RECT f, c, b;
  GetWindowRect(frame, &f);
  GetWindowRect(GetParent(bar), &c);
  GetWindowRect(bar, &b);
  ButtonBarInstance* inst = ButtonBarOf(bar);
  std::printf("%s frame %ld,%ld-%ld,%ld root %ld,%ld-%ld,%ld bar %ld,%ld-%ld,%ld arrows %d visible %d horiz %d\n",
              what, f.left, f.top, f.right, f.bottom, c.left, c.top, c.right, c.bottom, b.left, b.top,
              b.right, b.bottom, inst ? inst->settings.arrowsShown : -1,
              inst ? inst->settings.visibleRows : -1, inst ? int(inst->horizontal) : -1);
}

void Shot(const std::string& name) {
  char folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("JQ_NARROW_SHOTS", folder, MAX_PATH)) return;
  HANDLE p = jqtest::StartProcess("/bin/sh -c \"import -window root '" + std::string(folder) + "/" + name + "'\"");
  if (p) jqtest::WaitProcess(p, 30000);
}

using NarrowFrame = jqbartest::SystemPanelTest;

TEST_F(NarrowFrame, Repro) {
  ASSERT_TRUE(LoadFrameWith(temp / "n.jqc", {jqbartest::Node("System Access", SystemAccessBlob())}, 40, 40, 0));
  HWND bar = FrameList()->child->window;
  HWND frame = GetTopFrameWindow(bar);
  jqtest::PumpUntil([] { return false; }, 500);
  Dump("loaded", frame, bar);
  Shot("repro-loaded.png");
  RECT f;
  GetWindowRect(frame, &f);
  std::printf("hit %ld\n", long(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(f.right - 2, (f.top + f.bottom) / 2))));
  std::fflush(stdout);
  xdo::Run("xdotool mousemove " + std::to_string(f.right - 2) + " " + std::to_string((f.top + f.bottom) / 2) +
           " sleep 0.2 mousedown 1 sleep 0.2 mousemove " + std::to_string(f.right - 20) + " " +
           std::to_string((f.top + f.bottom) / 2) + " sleep 0.2 mousemove " + std::to_string(f.right - 100) + " " +
           std::to_string((f.top + f.bottom) / 2) + " sleep 0.2 mouseup 1 sleep 0.3");
  std::printf("drag done\n");
  Dump("drag", frame, bar);
  Shot("repro-drag.png");
}

}  // namespace
}  // namespace jqbar
