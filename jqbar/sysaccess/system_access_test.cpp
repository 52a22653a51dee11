// The System Access panel in a real frame: its bar from a stored blob and back, the items its
// options bring, a real click running an action through the recording shut-down helpers, the
// context menu's toggles and property page 559.
#include "system_access_panel.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "button_bar.h"
#include "layout_file.h"
#include "panel_drawing.h"
#include "panel_messages.h"
#include "resource.h"
#include "seams.h"
#include "sysaccess_test_host.h"
#include "xdo_input.h"

namespace jqbar {
namespace {

using jqbartest::GetInt;
using jqbartest::PutInt;

// One action item as the bar stores it: the 88-byte record (run mode 1, the action code at 36,
// the command id at 44), an empty command, no target, empty start-in and parameters, the label,
// no icon file.
void PutItem(std::vector<std::uint8_t>& b, int action, int commandId, const std::string& label) {
  std::size_t at = b.size();
  b.resize(at + 88, 0);
  PutInt(b, at + 24, 1);
  PutInt(b, at + 36, action);
  PutInt(b, at + 44, commandId);
  auto text = [&b](const std::string& s) {
    std::size_t p = b.size();
    b.resize(p + 4 + s.size() + 1, 0);
    PutInt(b, p, std::int32_t(s.size() + 1));
    std::memcpy(b.data() + p + 4, s.c_str(), s.size());
  };
  auto none = [&b] {
    std::size_t p = b.size();
    b.resize(p + 4, 0);
  };
  text("");     // command
  none();       // target
  text("");     // start in
  text("");     // parameters
  text(label);  // label
  none();       // icon file
}

struct Options {
  int shutdown = 0, restart = 0, flags = 0, dos = 0, logon = 0, resolution = 0, confirm = 0;
};

// A System Access head: one kind-30 group, the style, auto-arrange, row limit 20 and the options
// at 324..344 and 354; then the group's items.
std::vector<std::uint8_t> Blob(const Options& o, int style, const std::vector<int>& actions, int kind = 30) {
  std::vector<std::uint8_t> b(356, 0);
  PutInt(b, 4, 1);
  PutInt(b, 8, 1);
  PutInt(b, 212, kind);
  PutInt(b, 256, style);
  PutInt(b, 300, 1);
  PutInt(b, 312, 20);
  PutInt(b, 324, o.shutdown);
  PutInt(b, 328, o.restart);
  PutInt(b, 332, o.flags);
  PutInt(b, 336, o.dos);
  PutInt(b, 340, o.logon);
  PutInt(b, 344, o.resolution);
  b[354] = std::uint8_t(o.confirm);
  std::size_t at = b.size();
  b.resize(at + 4, 0);
  PutInt(b, at, std::int32_t(actions.size()));
  for (int a : actions) {
    const SystemAction& action = GetSystemAction(a < 8 ? a : 0);
    PutItem(b, a, action.commandId, LoadResString(UINT(action.labelId)));
  }
  return b;
}

std::vector<std::uint8_t> Settings(HWND panel) {
  void* blob = nullptr;
  LRESULT size = SendMessageA(panel, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&blob));
  if (size <= 0 || !blob) return {};
  const auto* p = static_cast<const std::uint8_t*>(blob);
  return std::vector<std::uint8_t>(p, p + size);
}

std::vector<int> Items(HWND panel) {
  std::vector<int> ids;
  ButtonBarInstance* bar = ButtonBarOf(panel);
  if (!bar) return ids;
  for (const ButtonRecord* b = bar->settings.groups[0]; b; b = b->next) ids.push_back(SystemActionCommandOf(b));
  return ids;
}

class SystemAccessPanel : public jqbartest::ShutdownHelperTest {
 protected:
  void SetUp() override {
    ShutdownHelperTest::SetUp();
    layout = temp / "sa.jqc";
    SetEnvironmentVariableA("JQ_SHUTDOWN_LAYOUT", layout.c_str());
    seams::Handlers& h = seams::CurrentHandlers();
    h.popupMenu = [this](HMENU menu, UINT, int, int, HWND) {
      menus.push_back(Describe(menu));
      return menuAnswer;
    };
    h.winHelp = [this](HWND, const char*, UINT, ULONG_PTR topic) {
      helpTopics.push_back(int(topic));
      return TRUE;
    };
  }
  HWND Load(std::vector<std::uint8_t> blob) {
    if (!LoadFrameWith(layout, {jqbartest::Node("System Access", std::move(blob))}, 60, 60)) return nullptr;
    PanelNode* frame = FrameList();
    return frame && frame->child ? frame->child->window : nullptr;
  }
  // "label[*]" per item, submenus in braces; * marks a checked item.
  static std::string Describe(HMENU menu) {
    std::string out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[100] = {};
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_STATE | MIIM_SUBMENU | MIIM_ID | MIIM_STRING | MIIM_FTYPE;
      info.dwTypeData = text;
      info.cch = sizeof text;
      GetMenuItemInfoA(menu, UINT(i), TRUE, &info);
      if (info.fType & MFT_SEPARATOR) {
        out += "-|";
        continue;
      }
      out += info.hSubMenu ? "{" + Describe(info.hSubMenu) + "}" : std::to_string(info.wID);
      if (info.fState & MFS_CHECKED) out += "*";
      out += "|";
    }
    return out;
  }
  std::string layout;
  std::vector<std::string> menus;
  std::vector<int> helpTopics;
  UINT menuAnswer = 0;
};

TEST_F(SystemAccessPanel, AStoredBarComesBackByteForByteThroughTheLayoutFile) {
  Options o;
  o.shutdown = 1;
  o.flags = 2;
  o.confirm = 1;
  // The bar keeps print screen (573) before shut down (560). Arranged by hand in one line, so
  // that the fields the layout computes (arrows stacked, two visible rows) stay as stored.
  std::vector<std::uint8_t> blob = Blob(o, 2, {6, 0});
  PutInt(blob, 300, 0);
  PutInt(blob, 308, 1);
  PutInt(blob, 316, 2);
  HWND panel = Load(blob);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(Items(panel), (std::vector<int>{IDM_SA_PRINTSCREEN, IDM_SA_SHUTDOWN}));
  for (const ButtonRecord* b = ButtonBarOf(panel)->settings.groups[0]; b; b = b->next)
    EXPECT_TRUE(b->largeIcon && b->smallIcon) << b->Label();
  EXPECT_EQ(Settings(panel), blob);
  ASSERT_TRUE(SaveToolbarLayout(""));
  std::optional<LayoutFile> saved = ReadLayoutFile(layout);
  ASSERT_TRUE(saved && !saved->frames.empty() && !saved->frames[0].children.empty());
  EXPECT_EQ(saved->frames[0].children[0].typeName, "System Access");
  EXPECT_EQ(saved->frames[0].children[0].blob, blob);
}

TEST_F(SystemAccessPanel, OptionsBringTheirItemsAndUnusableItemsGo) {
  const bool nt = SystemIsWindowsNT();
  Options wizard;  // what the set-up wizard writes: every option, resolution as 3
  wizard.shutdown = wizard.restart = wizard.dos = wizard.logon = 1;
  wizard.flags = 1;
  wizard.resolution = 3;
  Options printOnly;
  printOnly.flags = 2;
  Options shutdownAndPrint = printOnly;
  shutdownAndPrint.shutdown = 1;
  struct Case {
    const char* name;
    std::vector<std::uint8_t> blob;
    std::vector<int> items;
  };
  std::vector<std::uint8_t> wizardBlob = Blob(wizard, 1, {});
  const Case cases[] = {
      // Each added item goes in front of the lower ids it meets.
      {"wizard", wizardBlob,
       nt ? std::vector<int>{565, 564, 561, 560} : std::vector<int>{565, 564, 563, 562, 561, 560}},
      {"print screen only", Blob(printOnly, 1, {}), {573}},
      {"print screen and shut down", Blob(shutdownAndPrint, 1, {}), {573, 560}},
      // An action code outside the table and a second item of one action are dropped.
      {"damaged items", Blob(printOnly, 1, {6, 9, 6}), {573}},
      // A blob of another kind of bar is no System Access bar: a new one is made.
      {"quick launch blob", Blob(printOnly, 1, {}, 0), {560, 565}},
      {"no blob", {}, {560, 565}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND panel = Load(c.blob);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(Items(panel), c.items);
    std::vector<std::uint8_t> now = Settings(panel);
    ASSERT_GE(now.size(), 360u);
    EXPECT_EQ(GetInt(now, 0), 0);  // never a first fill with desktop items
    if (c.blob.empty() || GetInt(c.blob, 212) != 30) {
      // A new bar: shut down and resolution set, confirm on, small icons.
      EXPECT_EQ(GetInt(now, 324), 1);
      EXPECT_EQ(GetInt(now, 344), 1);
      EXPECT_EQ(now[354], 1);
      EXPECT_EQ(GetInt(now, 256), 1);
      EXPECT_EQ(GetInt(now, 212), 30);
    }
    CloseLayout();
  }
}

TEST_F(SystemAccessPanel, ARealClickRunsTheButtonsActionAfterTheQuestion) {
  Options o;
  o.shutdown = 1;
  o.confirm = 1;
  HWND panel = Load(Blob(o, 2, {0}));
  ASSERT_NE(panel, nullptr);
  HWND frame = GetTopFrameWindow(panel);
  ShowWindow(frame, SW_SHOW);
  ASSERT_TRUE(jqbartest::BringToFront(frame));
  RECT cell, drawn;
  ASSERT_TRUE(ButtonCell(ButtonBarOf(panel), 0, &cell, &drawn));
  POINT p = {(drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2};
  ClientToScreen(panel, &p);
  std::string click = "xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) +
                      " sleep 0.2 click 1 sleep 0.3 mousemove 1279 899";
  // No: nothing starts.
  answers = {IDNO};
  ASSERT_TRUE(jqbartest::SendRealInput(frame, click, [&] { return boxes.size() == 1; }, [&] { return boxes.empty(); },
                                       10000));
  EXPECT_EQ(boxes[0], std::string(LoadResString(IDS_SA_CAPTION)) + "|" + LoadResString(IDS_SA_ASK_SHUTDOWN));
  // Yes: the layout is saved and the helper starts with "s".
  ASSERT_TRUE(DeleteFileA(layout.c_str()));
  answers = {IDYES};
  ASSERT_TRUE(jqbartest::SendRealInput(frame, click, [&] { return boxes.size() == 2; },
                                       [&] { return boxes.size() == 1; }, 10000));
  std::vector<std::string> lines = Lines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 13), "RIROVU.EXE|s|");
  EXPECT_GT(std::stoll(lines[0].substr(13)), 56) << "layout not written first";
  EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(SystemAccessPanel, TheContextMenuTogglesAnActionAndItsOption) {
  Options o;
  o.shutdown = 1;
  HWND panel = Load(Blob(o, 1, {0}));
  ASSERT_NE(panel, nullptr);
  menuAnswer = IDM_SA_PRINTSCREEN;
  SendMessageA(panel, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
  ASSERT_EQ(menus.size(), 1u);
  // The style submenu (small / large icons), then the functions with shut down checked, help,
  // properties.
  std::string functions = SystemIsWindowsNT() ? "{560*|561|573|590|564|565|}" : "{560*|561|562|563|573|590|564|565|}";
  EXPECT_EQ(menus[0], "{566*|574|}|" + functions + "|-|412|-|459|");
  EXPECT_EQ(Items(panel), (std::vector<int>{IDM_SA_PRINTSCREEN, IDM_SA_SHUTDOWN}));
  std::vector<std::uint8_t> now = Settings(panel);
  EXPECT_EQ(GetInt(now, 332), 2);
  EXPECT_EQ(GetInt(now, 324), 1);

  menuAnswer = IDM_SA_SHUTDOWN;
  SendMessageA(panel, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(Items(panel), (std::vector<int>{IDM_SA_PRINTSCREEN}));
  now = Settings(panel);
  EXPECT_EQ(GetInt(now, 324), 0);
  EXPECT_EQ(GetInt(now, 332), 2);
  // Help from the menu is topic 78.
  menuAnswer = IDM_BB_HELP;
  SendMessageA(panel, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
  ASSERT_FALSE(helpTopics.empty());
  EXPECT_EQ(helpTopics.back(), 78);
}

TEST_F(SystemAccessPanel, ThePageChangesTheOptionsAndTheyReachTheBlob) {
  Options o;
  o.shutdown = 1;
  o.resolution = 1;
  o.confirm = 1;
  HWND panel = Load(Blob(o, 1, {5, 0}));
  ASSERT_NE(panel, nullptr);
  HWND owner = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr, nullptr, nullptr, nullptr);
  HWND sheet = reinterpret_cast<HWND>(SendMessageA(panel, PNM_CREATEPAGE, reinterpret_cast<WPARAM>(owner), 0));
  ASSERT_NE(sheet, nullptr);
  HWND page = PanelSheetPage(sheet);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_SA_SHUTDOWN), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_SA_RESOLUTION), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_SA_PRINTSCREEN), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_SA_CONFIRM), BST_CHECKED);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_SA_STYLE, CB_GETCURSEL, 0, 0), 0);
  if (SystemIsWindowsNT()) {
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_SA_RESTARTWINDOWS)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_SA_DOSMODE)));
  }

  // The user clicks shut down off, the screen saver on, large icons, and no question.
  for (int box : {IDC_SA_SHUTDOWN, IDC_SA_SCREENSAVER, IDC_SA_CONFIRM})
    SendMessageA(GetDlgItem(page, box), BM_CLICK, 0, 0);
  SendDlgItemMessageA(page, IDC_SA_STYLE, CB_SETCURSEL, 1, 0);
  SendMessageA(sheet, WM_COMMAND, IDM_SHEET_APPLY, 0);
  EXPECT_EQ(Items(panel), (std::vector<int>{IDM_SA_SCREENSAVER, IDM_SA_RESOLUTION}));
  std::vector<std::uint8_t> now = Settings(panel);
  EXPECT_EQ(GetInt(now, 324), 0);
  EXPECT_EQ(GetInt(now, 332), 4);
  EXPECT_EQ(GetInt(now, 344), 1);
  EXPECT_EQ(now[354], 0);
  EXPECT_EQ(GetInt(now, 256), 2);
  // The saved layout has them too.
  ASSERT_TRUE(SaveToolbarLayout(""));
  std::optional<LayoutFile> saved = ReadLayoutFile(layout);
  ASSERT_TRUE(saved && !saved->frames.empty() && !saved->frames[0].children.empty());
  EXPECT_EQ(saved->frames[0].children[0].blob, now);

  // New settings set on the bar bring their items and show in the open page.
  Options other;
  other.flags = 2;
  std::vector<std::uint8_t> set = Blob(other, 1, {});
  SendMessageA(panel, PNM_SETSETTINGS, WPARAM(set.size()), reinterpret_cast<LPARAM>(set.data()));
  EXPECT_EQ(Items(panel), (std::vector<int>{IDM_SA_PRINTSCREEN}));
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_SA_PRINTSCREEN), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_SA_RESOLUTION), BST_UNCHECKED);

  // Large icons chosen from the bar's menu show in the open page.
  menuAnswer = IDM_BB_STYLE2;
  SendMessageA(panel, WM_RBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(ButtonBarOf(panel)->settings.style, 2);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_SA_STYLE, CB_GETCURSEL, 0, 0), 1);

  SendMessageA(sheet, PNM_PAGEHELP, 0, 0);
  ASSERT_FALSE(helpTopics.empty());
  EXPECT_EQ(helpTopics.back(), 78);
  DestroyWindow(sheet);
  DestroyWindow(owner);
}

// A frame with the bar and its property page on the screen (run by hand with
// JQ_SYSACCESS_SHOTS=<folder>).
TEST_F(SystemAccessPanel, Screenshot) {
  char folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("JQ_SYSACCESS_SHOTS", folder, MAX_PATH)) GTEST_SKIP();
  Options o;
  o.shutdown = o.restart = o.logon = o.resolution = 1;
  o.flags = 6;
  o.confirm = 1;
  std::vector<std::uint8_t> blob = Blob(o, 2, {});
  PutInt(blob, 300, 0);  // one line of buttons
  ASSERT_TRUE(LoadFrameWith(layout, {jqbartest::Node("System Access", blob)}, 40, 40, 0,
                            LoadResString(IDS_SA_TYPE)));
  HWND panel = FrameList()->child->window;
  HWND frame = GetTopFrameWindow(panel);
  SetWindowPos(frame, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  HWND owner = CreateWindowExA(0, "#32770", LoadResString(IDS_SA_TYPE), WS_POPUP | WS_CAPTION | WS_VISIBLE, 40, 200,
                               400, 280, nullptr, nullptr, nullptr, nullptr);
  HWND sheet = reinterpret_cast<HWND>(SendMessageA(panel, PNM_CREATEPAGE, reinterpret_cast<WPARAM>(owner), 0));
  ASSERT_NE(sheet, nullptr);
  ShowWindow(sheet, SW_SHOW);
  jqtest::PumpUntil([] { return false; }, 1000);
  char locale[32] = "zh_TW";
  GetEnvironmentVariableA("JQ_TEST_LOCALE", locale, sizeof locale);
  std::string shot = std::string(folder) + "/system_access_" + std::string(locale).substr(0, 5) + ".png";
  HANDLE p = jqtest::StartProcess("/bin/sh -c \"import -window root '" + shot + "'\"");
  if (p) jqtest::WaitProcess(p, 30000);
  DestroyWindow(sheet);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace jqbar
