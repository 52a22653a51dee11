#include "hot_keys.h"

#include <gtest/gtest.h>

#include <vector>

namespace jqbar {
namespace {

// A window that records the ids of the PNM_HOTKEY messages it gets.
struct Recorder {
  HWND window = nullptr;
  std::vector<int> ids;
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == PNM_HOTKEY && self) self->ids.push_back(int(wp));
    return DefWindowProcA(w, msg, wp, lp);
  }
  Recorder() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HotKeyRecorder";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "HotKeyRecorder", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             wc.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Recorder() { DestroyWindow(window); }
};

class HotKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearHotKeys();
    SetKeyStateReader([this](int vk) {
      return (vk == VK_SHIFT && shift) || (vk == VK_CONTROL && ctrl);
    });
  }
  void TearDown() override {
    ClearHotKeys();
    SetKeyStateReader({});
  }
  bool shift = false, ctrl = false;
};

TEST_F(HotKeys, SameKeyAndModifiersFromAnotherWindowIsRefused) {
  Recorder a, b;
  EXPECT_EQ(AddHotKey(a.window, 1, 2, VK_F5), 1);
  EXPECT_EQ(AddHotKey(b.window, 4, 2, VK_F5), 0);  // CTRL+F5 taken
  EXPECT_EQ(AddHotKey(b.window, 4, 1, VK_F5), 1);  // SHIFT+F5 is another key
  EXPECT_EQ(AddHotKey(b.window, 5, 0, 0), 0);      // no key at all
}

TEST_F(HotKeys, TableHoldsAHundredRows) {
  Recorder a;
  for (int i = 0; i < kMaxHotKeys; ++i) ASSERT_EQ(AddHotKey(a.window, i + 1, i % 8, 0x30 + i / 8), 1) << i;
  EXPECT_EQ(AddHotKey(a.window, 500, 0, VK_F12), 0);
  RemoveHotKeys(a.window, 3);
  EXPECT_EQ(HotKeyCount(), kMaxHotKeys - 1);
  EXPECT_EQ(AddHotKey(a.window, 500, 0, VK_F12), 1);
  RemoveHotKeys(a.window, 0);
  EXPECT_EQ(HotKeyCount(), 0);
}

TEST_F(HotKeys, DispatchMatchesTheExactModifiers) {
  Recorder a;
  AddHotKey(a.window, 7, 1 | 4, 'K');  // SHIFT+ALT+K
  AddHotKey(a.window, 8, 0, 'K');      // K alone
  struct Case { bool shift, ctrl, alt; std::vector<int> ids; } cases[] = {
      {true, false, true, {7}},
      {true, true, true, {}},   // CTRL+SHIFT+ALT+K is not SHIFT+ALT+K
      {false, false, false, {8}},
      {true, false, false, {}},
  };
  for (const Case& c : cases) {
    a.ids.clear();
    shift = c.shift;
    ctrl = c.ctrl;
    DispatchHotKey('K', c.alt);
    EXPECT_EQ(a.ids, c.ids) << c.shift << c.ctrl << c.alt;
  }
}

TEST_F(HotKeys, AnOwnerMayRemoveItsKeysWhileHandlingOne) {
  Recorder a, b;
  AddHotKey(a.window, 1, 0, VK_F2);
  AddHotKey(b.window, 2, 0, VK_F3);
  // The first owner's handler removes every key; dispatch goes on over its own copy.
  SetWindowLongPtrA(a.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(
      +[](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == PNM_HOTKEY) ClearHotKeys();
        return DefWindowProcA(w, msg, wp, lp);
      }));
  EXPECT_EQ(DispatchHotKey(VK_F2, false), 1);
  EXPECT_EQ(HotKeyCount(), 0);
}

}  // namespace
}  // namespace jqbar
