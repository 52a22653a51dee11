#include "printers_bar.h"

#include <gtest/gtest.h>

#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "panel_messages.h"
#include "resource.h"
#include "sysaccess_test_host.h"

namespace jqbar {
namespace {

std::vector<std::uint8_t> Canonical() {
  PrintersBarSettings s;
  s.style = 4;
  s.maximum = 7;
  s.first = 1;
  s.hidden = {"Fax"};
  s.order = {"Laser", "Fax", "QuorvanelPDF"};
  return SavePrintersBarSettings(s);
}

TEST(PrintersBarBlob, FormsAtTheirOffsetsAndDamagedOnesRefused) {
  std::vector<std::uint8_t> blob = Canonical();
  ASSERT_EQ(blob.size(), 1644u + 4 + 6 + 4 + 13);
  EXPECT_EQ(std::uint32_t(jqbartest::GetInt(blob, 0)), kPrintersBarMagic);
  EXPECT_EQ(jqbartest::GetInt(blob, 4), 4);
  EXPECT_EQ(jqbartest::GetInt(blob, 16), 7);
  EXPECT_EQ(jqbartest::GetInt(blob, 36), 1);
  EXPECT_EQ(jqbartest::GetInt(blob, 840), 3);
  for (std::size_t i = 40; i < 840; ++i) ASSERT_EQ(blob[i], 0) << i;  // no addresses in the slots
  for (std::size_t i = 844; i < 1644; ++i) ASSERT_EQ(blob[i], 0) << i;
  PrintersBarSettings s;
  ASSERT_TRUE(LoadPrintersBarSettings(blob.data(), blob.size(), s));
  EXPECT_EQ(SavePrintersBarSettings(s), blob);

  // The older 32-byte form: options at 4..35, no names.
  std::vector<std::uint8_t> old(32, 0);
  jqbartest::PutInt(old, 0, 2);
  jqbartest::PutInt(old, 12, 5);
  PrintersBarSettings o;
  o.hidden = {"x"};
  ASSERT_TRUE(LoadPrintersBarSettings(old.data(), old.size(), o));
  EXPECT_EQ(o.style, 2);
  EXPECT_EQ(o.maximum, 5);
  EXPECT_TRUE(o.hidden.empty());
  EXPECT_TRUE(o.order.empty());

  struct Damage {
    const char* what;
    std::size_t at;
    std::int32_t value;
    std::size_t cut;
  } damages[] = {{"201 hidden", 36, 201, 0},      {"negative order", 840, -1, 0},
                 {"order past the end", 840, 4, 0}, {"short head", SIZE_MAX, 0, 1000},
                 {"old form cut", SIZE_MAX, 0, 20}, {"names cut", SIZE_MAX, 0, 1644 + 6}};
  for (const Damage& d : damages) {
    std::vector<std::uint8_t> bad = d.cut == 20 ? old : blob;
    if (d.at == SIZE_MAX) bad.resize(d.cut);
    else jqbartest::PutInt(bad, d.at, d.value);
    PrintersBarSettings out;
    out.maximum = 42;
    EXPECT_FALSE(LoadPrintersBarSettings(bad.data(), bad.size(), out)) << d.what;
    EXPECT_EQ(out.maximum, 42) << d.what;
  }
  // A style or maximum out of range falls back to the defaults.
  std::vector<std::uint8_t> odd = blob;
  jqbartest::PutInt(odd, 4, 9);
  jqbartest::PutInt(odd, 16, 0);
  ASSERT_TRUE(LoadPrintersBarSettings(odd.data(), odd.size(), s));
  EXPECT_EQ(s.style, 2);
  EXPECT_EQ(s.maximum, 10);
  // At most 200 names.
  std::vector<std::string> names;
  for (int i = 0; i < 205; ++i) AddPrinterName(names, "P" + std::to_string(i));
  EXPECT_EQ(names.size(), 200u);
  EXPECT_FALSE(AddPrinterName(names, "p1"));
}

// ---- Against the real CUPS printer --------------------------------------------------------

std::string PdfFolder() { return jqtest::TestPrinterPdfFolder(); }
std::set<std::string> PdfFiles() { return jqtest::PrintedPdfNames(); }

// The text of the first new PDF (plain pdftotext: the words are compared by shape).
std::string WaitForPrintedText(const std::set<std::string>& before, std::string* pdfName) {
  return jqtest::WaitForPdfOutput(
      before,
      [](const std::string& pdf, const std::string& out) {
        return "/usr/bin/pdftotext '" + pdf + "' '" + out + "' 2>/dev/null";
      },
      pdfName);
}

std::string SystemDefaultPrinter() {
  char name[260] = {};
  DWORD size = sizeof name;
  return GetDefaultPrinterA(name, &size) ? name : "";
}

class PrintersBar : public jqbartest::SystemPanelTest {
 protected:
  void SetUp() override {
    SystemPanelTest::SetUp();
    if (PdfFolder().empty()) GTEST_SKIP() << "no PDF printer (run through scripts/test.sh)";
  }
  HWND LoadBar(std::vector<std::uint8_t> blob) {
    std::string file = temp / "pb.jqc";
    if (!LoadFrameWith(file, {jqbartest::Node("Print Manager", std::move(blob))})) return nullptr;
    PanelNode* frame = FrameList();
    return frame && frame->child ? frame->child->window : nullptr;
  }
  int IndexOf(HWND bar, const std::string& name) {
    auto buttons = PrintersBarButtons(bar);
    for (std::size_t i = 0; i < buttons.size(); ++i)
      if (buttons[i].displayName == name) return int(i);
    return -1;
  }
  jqtest::KeptRegistryKey keptWindows{HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"};
};

TEST_F(PrintersBar, ListsThePrinterAndMarksTheDefault) {
  HWND bar = LoadBar(Canonical());
  ASSERT_NE(bar, nullptr);
  int index = IndexOf(bar, "QuorvanelPDF");
  ASSERT_GE(index, 0);
  auto buttons = PrintersBarButtons(bar);
  EXPECT_EQ(buttons[std::size_t(index)].isDefault, SystemDefaultPrinter() == "QuorvanelPDF");
  EXPECT_EQ(ReadDefaultPrinterName(), SystemDefaultPrinter());
  EXPECT_FALSE(IsRectEmpty(&buttons[std::size_t(index)].button));
  std::fprintf(stderr, "printer listed by %s\n", buttons[std::size_t(index)].fromShell ? "the shell" : "the spooler");
  // The order drops the names of printers that are gone and keeps the hidden list.
  void* data = nullptr;
  LRESULT size = SendMessageA(bar, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data));
  PrintersBarSettings s;
  ASSERT_TRUE(LoadPrintersBarSettings(static_cast<std::uint8_t*>(data), std::size_t(size), s));
  EXPECT_EQ(std::count(s.order.begin(), s.order.end(), std::string("Laser")), 0);
  EXPECT_EQ(std::count(s.order.begin(), s.order.end(), std::string("QuorvanelPDF")), 1);
  EXPECT_EQ(s.hidden, std::vector<std::string>{"Fax"});
}

TEST_F(PrintersBar, AClickMakesThePrinterTheDefaultAndTheBarReadsItBack) {
  // No default printer to start with.
  WriteProfileStringA("windows", "device", "");
  HWND bar = LoadBar(Canonical());
  ASSERT_NE(bar, nullptr);
  int index = IndexOf(bar, "QuorvanelPDF");
  ASSERT_GE(index, 0);
  ASSERT_FALSE(PrintersBarButtons(bar)[std::size_t(index)].isDefault);
  RECT b = PrintersBarButtons(bar)[std::size_t(index)].button;
  POINT centre{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
  EXPECT_TRUE(PrintersBarButtons(bar)[std::size_t(index)].isDefault);  // the pressed look
  SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(centre.x, 200));
  EXPECT_FALSE(PrintersBarButtons(bar)[std::size_t(index)].isDefault);  // moved off
  SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
  SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
  EXPECT_EQ(SystemDefaultPrinter(), "QuorvanelPDF");
  EXPECT_EQ(ReadDefaultPrinterName(), "QuorvanelPDF");
  // The change reached the bar through the broadcast: it marks the printer now.
  jqtest::PumpUntil([&] { return PrintersBarButtons(bar)[std::size_t(IndexOf(bar, "QuorvanelPDF"))].isDefault; });
  EXPECT_TRUE(PrintersBarButtons(bar)[std::size_t(IndexOf(bar, "QuorvanelPDF"))].isDefault);
}

TEST_F(PrintersBar, AFileDroppedOnThePrinterIsPrintedThere) {
  HWND bar = LoadBar(Canonical());
  ASSERT_NE(bar, nullptr);
  int index = IndexOf(bar, "QuorvanelPDF");
  ASSERT_GE(index, 0);
  RECT b = PrintersBarButtons(bar)[std::size_t(index)].button;
  std::string file = temp.WriteFile("drop note.txt", "Quorvanel 4711 Quorvanel 4711\r\n");
  std::set<std::string> before = PdfFiles();
  EXPECT_EQ(DropFilesOnPrinter(bar, {file}, POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2}), 1);
  std::string name;
  std::string text = WaitForPrintedText(before, &name);
  // The PDF is the dropped file's job; the spooler's text font carries no character map, so
  // the words are compared by shape: two words of 9 and 4 letters, said twice.
  EXPECT_EQ(name.rfind("drop_note.txt", 0), 0u) << name;
  std::vector<std::string> words;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(" \t\r\n\f", at)) != std::string::npos) {
    std::size_t end = text.find_first_of(" \t\r\n\f", at);
    words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end;
  }
  ASSERT_EQ(words.size(), 4u) << text;
  EXPECT_EQ(words[0], words[2]);
  EXPECT_EQ(words[1], words[3]);
  EXPECT_NE(words[0], words[1]);
  // Outside every printer nothing is printed.
  EXPECT_EQ(DropFilesOnPrinter(bar, {file}, POINT{-5, -5}), 0);
}

TEST_F(PrintersBar, HidingAPrinterFromItsMenuKeepsItsNameInTheSettings) {
  HWND bar = LoadBar(Canonical());
  ASSERT_NE(bar, nullptr);
  int index = IndexOf(bar, "QuorvanelPDF");
  ASSERT_GE(index, 0);
  RECT b = PrintersBarButtons(bar)[std::size_t(index)].button;
  jqtest::SeamRecorder seams;
  seams.menuAnswers = {IDM_PB_HIDE};
  SendMessageA(bar, WM_RBUTTONUP, 0, MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2));
  ASSERT_EQ(seams.menusShown.size(), 1u);
  index = IndexOf(bar, "QuorvanelPDF");
  EXPECT_TRUE(PrintersBarButtons(bar)[std::size_t(index)].hidden);
  void* data = nullptr;
  LRESULT size = SendMessageA(bar, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data));
  PrintersBarSettings s;
  ASSERT_TRUE(LoadPrintersBarSettings(static_cast<std::uint8_t*>(data), std::size_t(size), s));
  EXPECT_EQ(s.hidden, (std::vector<std::string>{"Fax", "QuorvanelPDF"}));
  // On empty space the menu holds the one entry that opens the configuration.
  seams.menuAnswers = {0};
  SendMessageA(bar, WM_RBUTTONUP, 0, MAKELPARAM(2, 30));
  ASSERT_EQ(seams.menusShown.size(), 2u);
  EXPECT_EQ(seams.menusShown[1], 1u);
}

}  // namespace
}  // namespace jqbar

namespace jqbar {
namespace {

TEST_F(PrintersBar, TheSheetHidesAPrinterAndChangesTheButtons) {
  HWND bar = LoadBar(Canonical());  // style 4: small icons with names
  ASSERT_NE(bar, nullptr);
  HWND owner = CreateWindowExA(0, "STATIC", "Configuration", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 100, 520, 420,
                               nullptr, nullptr, nullptr, nullptr);
  HWND sheet = reinterpret_cast<HWND>(SendMessageA(bar, PNM_CREATEPAGE, WPARAM(owner), MAKELPARAM(10, 10)));
  ASSERT_NE(sheet, nullptr);
  HWND buttons = nullptr, order = nullptr;
  for (HWND page = GetWindow(sheet, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT)) {
    if (GetDlgItem(page, IDC_PB_STYLE)) buttons = page;
    if (GetDlgItem(page, IDC_PB_TREE)) order = page;
  }
  ASSERT_NE(buttons, nullptr);
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(SendDlgItemMessageA(buttons, IDC_PB_STYLE, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(IsDlgButtonChecked(buttons, IDC_PB_NAMES), BST_CHECKED);
  EXPECT_EQ(GetDlgItemInt(buttons, IDC_PB_MAX, nullptr, FALSE), 7u);
  // Large icons with names, at most 3; the printer's tick taken off on the order page.
  SendDlgItemMessageA(buttons, IDC_PB_STYLE, CB_SETCURSEL, 1, 0);
  SetDlgItemInt(buttons, IDC_PB_MAX, 3, FALSE);
  HWND tree = GetDlgItem(order, IDC_PB_TREE);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ((SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_STATEIMAGEMASK) >> 12) & 0xF, 2);
  TVITEMA t{};
  t.mask = TVIF_STATE;
  t.hItem = item;
  t.stateMask = TVIS_STATEIMAGEMASK;
  t.state = INDEXTOSTATEIMAGEMASK(1);
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&t));
  SendMessageA(sheet, WM_COMMAND, 323, 0);
  PrintersBarSettings* s = PrintersBarSettingsOf(bar);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->style, 3);
  EXPECT_EQ(s->maximum, 3);
  EXPECT_EQ(s->hidden, std::vector<std::string>{"QuorvanelPDF"});
  EXPECT_TRUE(PrintersBarButtons(bar)[std::size_t(IndexOf(bar, "QuorvanelPDF"))].hidden);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace jqbar
