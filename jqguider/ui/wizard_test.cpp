// The wizard driven through its pages by clicks on its buttons, as a user would: the sheet runs
// its own modal loop, and a script of steps runs from a timer inside that loop.
#include "wizard.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>
#include "wizard_layout_file.h"
#include "wizard_history.h"
#include "resource.h"
#include "seams.h"
#include "test_support.h"
#include "xdo_input.h"

namespace guider {
namespace {

constexpr int kNext = 0x3024, kBack = 0x3023, kFinish = 0x3025;

struct DialogSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<DialogSearch*>(p);
  char cls[16] = {};
  GetClassNameA(w, cls, sizeof(cls));
  if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w) && GetDlgItem(w, s->id)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog of this thread that has a control of this id.
HWND FindOwnDialogWith(int controlId) {
  DialogSearch search{controlId, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Sheet() { return FindOwnDialogWith(kNext); }
HWND Page() { return Sheet() ? PropSheet_GetCurrentPageHwnd(Sheet()) : nullptr; }
// The sheet shows the page of this dialog template.
bool OnPage(int dialogId) {
  HWND sheet = Sheet();
  if (!sheet || !PropSheet_GetCurrentPageHwnd(sheet)) return false;
  return PropSheet_HwndToIndex(sheet, PropSheet_GetCurrentPageHwnd(sheet)) ==
         PropSheet_IdToIndex(sheet, dialogId);
}
void Click(HWND button) {
  ASSERT_TRUE(button);
  ASSERT_TRUE(IsWindowEnabled(button));
  PostMessageA(button, BM_CLICK, 0, 0);
}
void ClickSheet(int id) { Click(GetDlgItem(Sheet(), id)); }
void ClickPage(int id) { Click(GetDlgItem(Page(), id)); }

// Runs steps from a thread timer while the sheet's modal loop runs. A step returns true when it
// is done; it is retried on every tick until then (each step has 10 seconds).
class Script {
 public:
  using Step = std::function<bool()>;
  explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &Script::Tick);
    started_ = GetTickCount();
  }
  ~Script() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  size_t done() const { return next_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* s = current_;
    if (s && s->failed_) {
      // The wizard asks whether to leave: yes.
      HWND confirm = FindOwnDialogWith(IDYES);
      if (confirm && !GetDlgItem(confirm, kNext)) PostMessageA(confirm, WM_COMMAND, IDYES, 0);
      return;
    }
    if (!s || s->busy_ || s->next_ >= s->steps_.size()) return;
    s->busy_ = true;
    if (s->steps_[s->next_]()) {
      ++s->next_;
      s->started_ = GetTickCount();
    } else if (GetTickCount() - s->started_ > 10000) {
      ADD_FAILURE() << "step " << s->next_ << " never completed";
      s->next_ = s->steps_.size();
      s->failed_ = true;
      // Leave the wizard so that the test ends.
      if (HWND sheet = Sheet()) PostMessageA(sheet, WM_CLOSE, 0, 0);
    }
    s->busy_ = false;
  }
  static inline Script* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
  DWORD started_ = 0;
  bool busy_ = false;
  bool failed_ = false;
};

// A step that clicks a button of the sheet once it shows a page.
Script::Step ClickOn(int dialogId, int sheetButton) {
  return [=] {
    if (!OnPage(dialogId)) return false;
    ClickSheet(sheetButton);
    return true;
  };
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::string text = jqtest::ReadFileText(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::string OwnFolder() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path = module;
  return path.substr(0, path.find_last_of('\\') + 1);
}

TEST(Wizard, FirstLayoutSkipsTheNamePageAndStartsTheToolbar) {
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  temp.WriteFile("Toolbar1.jqc", "someone else's layout");
  jqtest::SeamRecorder seams;
  ASSERT_EQ(FindToolbarWindow(), nullptr);

  Script script({
      ClickOn(IDD_GUIDER_WELCOME, kNext),  // welcome
      ClickOn(IDD_GUIDER_SAMPLE, kNext),   // sample
      [] {
        if (!OnPage(IDD_GUIDER_STYLE)) return false;
        EXPECT_EQ(IsDlgButtonChecked(Page(), IDC_GUIDER_STYLE_DOCKED), BST_CHECKED);
        ClickPage(IDC_GUIDER_STYLE_FLOATING);
        return true;
      },
      ClickOn(IDD_GUIDER_STYLE, kNext),
      [] {
        if (!OnPage(IDD_GUIDER_TOOLS)) return false;
        for (int id : {IDC_GUIDER_CLOCK, IDC_GUIDER_COMMANDLINE, IDC_GUIDER_SYSACCESS,
                       IDC_GUIDER_SYSMONITOR})
          EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Page(), id)));
        ClickPage(IDC_GUIDER_QUICKLAUNCH);
        ClickPage(IDC_GUIDER_CLOCK);
        return true;
      },
      [] {
        if (IsDlgButtonChecked(Page(), IDC_GUIDER_CLOCK) != BST_CHECKED) return false;
        ClickSheet(kNext);
        return true;
      },
      // No earlier layout: straight to the last page, and Back returns to the tools.
      ClickOn(IDD_GUIDER_DONE, kBack),
      ClickOn(IDD_GUIDER_TOOLS, kNext),
      [] {
        if (!OnPage(IDD_GUIDER_DONE)) return false;
        ClickSheet(kFinish);
        return true;
      },
  });
  WizardState state;
  ASSERT_EQ(RunGuider(GetModuleHandleA(nullptr), {temp.path() + "\\"}, &state), 1);
  EXPECT_EQ(script.done(), 9u);

  const std::string path = temp.path() + "\\Toolbar2.jqc";
  EXPECT_TRUE(state.finished);
  EXPECT_EQ(state.writtenPath, path);
  ToolSet expected;
  expected.chosen[kQuickLaunch] = expected.chosen[kClock] = true;
  EXPECT_EQ(FileBytes(path), BuildWizardLayout(WindowStyle::Floating, expected, state.displayNames));
  EXPECT_EQ(ReadLayoutHistory()[0], path);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, temp.path() + "\\JQBar.exe");
  EXPECT_EQ(seams.starts[0].parameters, "");
  // The display names come from the program's strings, not the English type names.
  EXPECT_NE(state.displayNames.name[kNodeClock], "Clock");
}

TEST(Wizard, NamePageChecksTheNameAndTheRunningToolbarGetsTheLayout) {
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  const std::string old = temp.WriteFile("Work.jqc", "old");
  const std::string record = temp / "received.txt";
  HANDLE standIn = jqtest::StartProcess(
      "\"" + OwnFolder() + "jqguider_toolbar_stand_in.exe\" \"" + record + "\"");
  ASSERT_TRUE(standIn);
  ASSERT_TRUE(jqtest::PumpUntil([] { return FindToolbarWindow() != nullptr; }, 20000));
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDOK, IDNO, IDYES};  // empty name; replace? no; replace? yes

  Script script({
      ClickOn(IDD_GUIDER_WELCOME, kNext),
      ClickOn(IDD_GUIDER_SAMPLE, kNext),
      [] {
        if (!OnPage(IDD_GUIDER_STYLE)) return false;
        ClickPage(IDC_GUIDER_STYLE_TASKBAR);
        return true;
      },
      ClickOn(IDD_GUIDER_STYLE, kNext),
      [] {
        if (!OnPage(IDD_GUIDER_TOOLS)) return false;
        // Tools a taskbar frame cannot hold are off.
        for (int id : {IDC_GUIDER_CLOCK, IDC_GUIDER_COMMANDLINE, IDC_GUIDER_SYSACCESS,
                       IDC_GUIDER_SYSMONITOR}) {
          EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Page(), id)));
          EXPECT_EQ(IsDlgButtonChecked(Page(), id), BST_UNCHECKED);
        }
        ClickPage(IDC_GUIDER_MULTIVIEW);
        ClickPage(IDC_GUIDER_STARTMENUS);
        return true;
      },
      [] {
        if (IsDlgButtonChecked(Page(), IDC_GUIDER_STARTMENUS) != BST_CHECKED) return false;
        ClickSheet(kNext);
        return true;
      },
      [] {
        if (!OnPage(IDD_GUIDER_NAME)) return false;
        char text[100] = {};
        GetDlgItemTextA(Page(), IDC_GUIDER_NAME_EDIT, text, sizeof(text));
        EXPECT_STREQ(text, "Toolbar1");
        SetDlgItemTextA(Page(), IDC_GUIDER_NAME_EDIT, "   ");
        ClickSheet(kNext);
        return true;
      },
      [&] {
        if (seams.boxes.size() < 1) return false;
        EXPECT_TRUE(OnPage(IDD_GUIDER_NAME));  // an empty name stays
        SetDlgItemTextA(Page(), IDC_GUIDER_NAME_EDIT, "  Work");
        ClickSheet(kNext);
        return true;
      },
      [&] {
        if (seams.boxes.size() < 2) return false;
        EXPECT_TRUE(OnPage(IDD_GUIDER_NAME));  // "No" to replacing stays
        ClickSheet(kNext);
        return true;
      },
      [&] {
        if (seams.boxes.size() < 3 || !OnPage(IDD_GUIDER_DONE)) return false;
        ClickSheet(kFinish);
        return true;
      },
  });
  WizardState state;
  ASSERT_EQ(RunGuider(GetModuleHandleA(nullptr), {temp.path() + "\\"}, &state), 1);
  EXPECT_EQ(script.done(), 10u);
  EXPECT_EQ(jqtest::WaitProcess(standIn, 20000), 0);

  ASSERT_EQ(seams.boxes.size(), 3u);
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, UINT(MB_ICONERROR));
  EXPECT_NE(seams.boxes[1].text.find("Work"), std::string::npos);  // the name filled in
  EXPECT_EQ(seams.boxes[1].text.find("%s"), std::string::npos);
  EXPECT_EQ(seams.boxes[1].type & MB_TYPEMASK, UINT(MB_YESNO));
  EXPECT_TRUE(seams.starts.empty());
  EXPECT_EQ(state.name, "Work");
  ToolSet expected;
  expected.chosen[kMultiView] = expected.chosen[kStartMenus] = true;
  EXPECT_EQ(FileBytes(old), BuildWizardLayout(WindowStyle::Taskbar, expected, state.displayNames));
  EXPECT_EQ(ReadLayoutHistory()[0], old);
  std::string sent = "33 " + std::to_string(old.size() + 1) + " 1\n" + old;
  sent.push_back('\0');
  EXPECT_EQ(jqtest::ReadFileText(record), sent);
}

TEST(Wizard, CancelAsksFirstAndWritesNothing) {
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
  Script script({
      [] {
        if (!OnPage(IDD_GUIDER_WELCOME)) return false;
        ClickSheet(IDCANCEL);
        return true;
      },
      [] {
        HWND confirm = FindOwnDialogWith(IDNO);
        if (!confirm || FindOwnDialogWith(kNext) == confirm) return false;
        EXPECT_EQ(GetFocus(), GetDlgItem(confirm, IDNO));
        Click(GetDlgItem(confirm, IDNO));
        return true;
      },
      [] {
        HWND confirm = FindOwnDialogWith(IDNO);
        if (confirm && GetDlgItem(confirm, IDYES)) return false;
        EXPECT_TRUE(OnPage(IDD_GUIDER_WELCOME));  // still open
        ClickSheet(IDCANCEL);
        return true;
      },
      [] {
        HWND confirm = FindOwnDialogWith(IDYES);
        if (!confirm) return false;
        Click(GetDlgItem(confirm, IDYES));
        return true;
      },
  });
  WizardState state;
  ASSERT_EQ(RunGuider(GetModuleHandleA(nullptr), {temp.path() + "\\"}, &state), 1);
  EXPECT_EQ(script.done(), 4u);
  EXPECT_FALSE(state.finished);
  EXPECT_FALSE(jqtest::FileExists(temp / "Toolbar1.jqc"));
  EXPECT_TRUE(ReadLayoutHistory()[0].empty());
  EXPECT_TRUE(seams.starts.empty());
}

TEST(Wizard, UnwritableLayoutKeepsTheSheetOpenWithItsOwnMessage) {
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
  const std::string missing = temp.path() + "\\missing\\";
  Script script({
      ClickOn(IDD_GUIDER_WELCOME, kNext),
      ClickOn(IDD_GUIDER_SAMPLE, kNext),
      ClickOn(IDD_GUIDER_STYLE, kNext),
      ClickOn(IDD_GUIDER_TOOLS, kNext),
      [] {
        if (!OnPage(IDD_GUIDER_DONE)) return false;
        ClickSheet(kFinish);
        return true;
      },
      [&] {
        if (seams.boxes.empty()) return false;
        EXPECT_TRUE(Sheet());  // still open on the last page
        EXPECT_TRUE(OnPage(IDD_GUIDER_DONE));
        seams.boxAnswers.clear();
        ClickSheet(IDCANCEL);
        return true;
      },
      [] {
        HWND confirm = FindOwnDialogWith(IDYES);
        if (!confirm) return false;
        Click(GetDlgItem(confirm, IDYES));
        return true;
      },
  });
  WizardState state;
  ASSERT_EQ(RunGuider(GetModuleHandleA(nullptr), {missing}, &state), 1);
  EXPECT_EQ(script.done(), 7u);
  ASSERT_EQ(seams.boxes.size(), 1u);
  // Its own text naming the file, not the replace question with an unfilled placeholder.
  EXPECT_NE(seams.boxes[0].text.find(missing + "Toolbar1.jqc"), std::string::npos);
  EXPECT_EQ(seams.boxes[0].text.find("%s"), std::string::npos);
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, UINT(MB_ICONERROR));
  EXPECT_FALSE(state.finished);
  EXPECT_TRUE(ReadLayoutHistory()[0].empty());
  EXPECT_TRUE(seams.starts.empty());
}

struct PanelClassSearch {
  const char* cls;
  bool found;
};

BOOL CALLBACK FindPanelClass(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<PanelClassSearch*>(p);
  char cls[32] = {};
  GetClassNameA(w, cls, sizeof(cls));
  if (strcmp(cls, s->cls) == 0) s->found = true;
  return !s->found;
}

// Whether a toolbar frame of another process holds a panel window of this class.
bool FrameHolds(const char* panelClass) {
  PanelClassSearch search{panelClass, false};
  for (HWND frame = FindWindowExA(nullptr, nullptr, "Quorvanel", nullptr); frame;
       frame = FindWindowExA(nullptr, frame, "Quorvanel", nullptr))
    EnumChildWindows(frame, FindPanelClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A click of the real pointer in the middle of a button, with the sheet in front, until `arrived`
// holds (the state the click produces). The pointer is waited for over the button first; a click
// that never arrived (nothing changed) is sent once more.
bool PointerClick(HWND button, const std::function<bool()>& arrived) {
  if (!button || !IsWindowEnabled(button)) {
    ADD_FAILURE() << "no enabled button to click";
    return false;
  }
  HWND top = GetAncestor(button, GA_ROOT);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SetForegroundWindow(top);
    if (!jqtest::PumpUntil([&] { return GetForegroundWindow() == top; }, 10000)) break;
    RECT r{};
    GetWindowRect(button, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    // A window of another program over the button (the toolbar's frame, which stays on top):
    // the sheet moves below it, as a person would move it.
    HWND cover = GetAncestor(WindowFromPoint(p), GA_ROOT);
    if (cover && cover != top) {
      RECT c{}, t{};
      GetWindowRect(cover, &c);
      GetWindowRect(top, &t);
      SetWindowPos(top, nullptr, t.left, c.bottom + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      GetWindowRect(button, &r);
      p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    if (!xdo::Run("xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y))) break;
    if (!jqtest::PumpUntil([&] {
          POINT at{};
          return GetCursorPos(&at) && at.x == p.x && at.y == p.y && WindowFromPoint(p) == button;
        }, 5000))
      continue;
    if (!xdo::Run("xdotool click 1")) break;
    if (jqtest::PumpUntil(arrived, 8000)) return true;
  }
  RECT r{};
  GetWindowRect(button, &r);
  HWND under = WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  char cls[64] = {}, title[64] = {};
  GetClassNameA(GetAncestor(under, GA_ROOT), cls, sizeof cls);
  GetWindowTextA(GetAncestor(under, GA_ROOT), title, sizeof title);
  ADD_FAILURE() << "a click on button " << GetDlgCtrlID(button) << " did nothing; under the pointer: "
                << cls << " \"" << title << "\"" << (under == button ? " (the button)" : "");
  if (const char* shot = std::getenv("JQ_WIZARD_SHOT")) xdo::Run(std::string("import -window root ") + shot);
  return false;
}
bool PointerSheet(int id, const std::function<bool()>& arrived) {
  return PointerClick(GetDlgItem(Sheet(), id), arrived);
}
// A check box of the page changes its check; a radio button is checked.
bool PointerPage(int id) {
  HWND button = GetDlgItem(Page(), id);
  const LONG_PTR kind = GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
  const UINT before = IsDlgButtonChecked(Page(), id);
  const bool radio = kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
  return PointerClick(button, [=] {
    UINT now = IsDlgButtonChecked(Page(), id);
    return radio ? now == BST_CHECKED : now != before;
  });
}

// The pages walked with the real pointer: Next, the style and the tools picked on the way, the
// name page accepted as it comes, and Finish. Each click waits for what it does.
std::vector<Script::Step> WalkPages(int styleId, std::vector<int> toolIds) {
  return {
      [] {
        if (!OnPage(IDD_GUIDER_WELCOME)) return false;
        PointerSheet(kNext, [] { return OnPage(IDD_GUIDER_SAMPLE); });
        return true;
      },
      [] {
        if (!OnPage(IDD_GUIDER_SAMPLE)) return false;
        PointerSheet(kNext, [] { return OnPage(IDD_GUIDER_STYLE); });
        return true;
      },
      [=] {
        if (!OnPage(IDD_GUIDER_STYLE)) return false;
        PointerPage(styleId);
        return true;
      },
      [=] {
        if (IsDlgButtonChecked(Page(), styleId) != BST_CHECKED) return false;
        PointerSheet(kNext, [] { return OnPage(IDD_GUIDER_TOOLS); });
        return true;
      },
      [=] {
        if (!OnPage(IDD_GUIDER_TOOLS)) return false;
        for (int id : toolIds) PointerPage(id);
        return true;
      },
      [=] {
        for (int id : toolIds)
          if (IsDlgButtonChecked(Page(), id) != BST_CHECKED) return false;
        PointerSheet(kNext, [] { return OnPage(IDD_GUIDER_NAME) || OnPage(IDD_GUIDER_DONE); });
        return true;
      },
      [] {
        if (OnPage(IDD_GUIDER_NAME)) PointerSheet(kNext, [] { return OnPage(IDD_GUIDER_DONE); });
        return OnPage(IDD_GUIDER_DONE);
      },
      [] {
        // Finish writes the layout and puts it first in the history.
        const std::string newest = ReadLayoutHistory()[0];
        PointerSheet(kFinish, [&] { return ReadLayoutHistory()[0] != newest; });
        return true;
      },
  };
}

// Starts programs for real while it lives, and ends the toolbar that a test started before the
// test's kept registry key is put back (a toolbar still running would write its settings after
// that), however the test ended.
class RealStarts {
 public:
  RealStarts() {
    seams::Handlers handlers = seams::CurrentHandlers();
    handlers.shellExecute = nullptr;
    previous_ = seams::SetHandlers(handlers);
  }
  ~RealStarts() {
    jqtest::CloseProgramOf(FindToolbarWindow(), 413);
    seams::SetHandlers(previous_);
  }
  RealStarts(const RealStarts&) = delete;
  RealStarts& operator=(const RealStarts&) = delete;

 private:
  seams::Handlers previous_;
};

// The real toolbar, copied beside the layouts: the first wizard starts it on its layout, the
// second hands its layout over to the running toolbar.
TEST(Wizard, TheRealToolbarOpensTheFirstLayoutThenTakesTheSecond) {
  // The toolbar that the wizard starts reads the layout history from the user's own key: the
  // test starts from an empty one and puts back what was there.
  jqtest::KeptRegistryKey toolbarKey{HKEY_CURRENT_USER,
                                     "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar"};
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar");
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar");
  jqtest::TempFolder temp;
  ASSERT_TRUE(CopyFileA((jqtest::ProgramFolder() + "\\JQBar.exe").c_str(),
                        (temp / "JQBar.exe").c_str(), FALSE));
  ASSERT_EQ(FindToolbarWindow(), nullptr);
  RealStarts starts;

  WizardState first;
  {
    Script script(WalkPages(IDC_GUIDER_STYLE_FLOATING, {IDC_GUIDER_CLOCK, IDC_GUIDER_COMMANDLINE}));
    ASSERT_EQ(RunGuider(GetModuleHandleA(nullptr), {temp.path() + "\\"}, &first), 1);
    EXPECT_EQ(script.done(), 8u);
  }
  EXPECT_EQ(first.handOver, HandOver::Started);
  EXPECT_EQ(ReadLayoutHistory()[0], first.writtenPath);
  EXPECT_TRUE(jqtest::PumpUntil([] { return FrameHolds("JQBarClock"); }, 30000))
      << "the started toolbar shows no clock";
  HWND main = FindToolbarWindow();
  ASSERT_TRUE(main);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE toolbar = OpenProcess(SYNCHRONIZE, FALSE, pid);

  WizardState second;
  {
    Script script(WalkPages(IDC_GUIDER_STYLE_DOCKED, {IDC_GUIDER_STARTMENUS}));
    ASSERT_EQ(RunGuider(GetModuleHandleA(nullptr), {temp.path() + "\\"}, &second), 1);
    EXPECT_EQ(script.done(), 8u);
  }
  EXPECT_EQ(second.handOver, HandOver::Sent);
  EXPECT_NE(second.writtenPath, first.writtenPath);
  EXPECT_EQ(ReadLayoutHistory()[0], second.writtenPath);
  EXPECT_EQ(ReadLayoutHistory()[1], first.writtenPath);
  // The same toolbar closed the first layout and opened the second.
  EXPECT_TRUE(jqtest::PumpUntil([] { return FrameHolds("JQMenuBar") && !FrameHolds("JQBarClock"); }, 30000));
  EXPECT_EQ(FindToolbarWindow(), main);

  PostMessageA(main, WM_COMMAND, 413, 0);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return WaitForSingleObject(toolbar, 0) == WAIT_OBJECT_0; }, 30000));
  CloseHandle(toolbar);
}

}  // namespace
}  // namespace guider
