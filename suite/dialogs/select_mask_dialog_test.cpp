#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "history_list.h"
#include "select_mask_dialog.h"
#include "test_support.h"

namespace {

// Control ids of the in-memory template.
enum : int { kCombo = 10, kSelect = 11, kDeselect = 12, kArchive = 13, kReadOnly = 14, kHidden = 15, kSystem = 16 };

// A DLGTEMPLATE with one drop-down combo, four three-state boxes and two buttons.
class Template {
 public:
  Template() {
    Header(7);
    Item(kCombo, 0x0085, CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 5, 5, 150, 80);
    for (int id : {kArchive, kReadOnly, kHidden, kSystem})
      Item(id, 0x0080, BS_AUTO3STATE | WS_TABSTOP, 5, 25 + (id - kArchive) * 12, 80, 10);
    Item(kSelect, 0x0080, BS_PUSHBUTTON, 100, 30, 50, 14);
    Item(kDeselect, 0x0080, BS_PUSHBUTTON, 100, 50, 50, 14);
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Align() {
    if (words_.size() % 2) words_.push_back(0);
  }
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void Header(WORD count) {
    Dword(WS_POPUP | WS_CAPTION | DS_MODALFRAME);
    Dword(0);
    words_.push_back(count);
    for (WORD v : {0, 0, 160, 100}) words_.push_back(v);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // standard class
    words_.push_back(0);  // no title
  }
  void Item(int id, WORD atom, DWORD style, short x, short y, short cx, short cy) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(static_cast<WORD>(id));
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    words_.push_back(0);  // no text
    words_.push_back(0);  // no creation data
  }
  std::vector<WORD> words_;
};

SelectMaskRequest Request() {
  SelectMaskRequest r{};
  r.maskCombo = kCombo;
  r.selectButton = kSelect;
  r.deselectButton = kDeselect;
  r.archiveBox = kArchive;
  r.readOnlyBox = kReadOnly;
  r.hiddenBox = kHidden;
  r.systemBox = kSystem;
  r.historyName = "Select";
  return r;
}

std::string Text(HWND dialog, int id) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

TEST(SelectMaskDialog, StartsIndeterminateAndHandsTheChoiceBackThroughItsParameter) {
  jqtest::TestRegistry registry;
  Template dialogTemplate;
  struct Applied {
    int calls = 0;
    SelectMaskChoice last{};
  } applied;

  // First run: no history, so the mask is "*.*" and every box indeterminate.
  SelectMaskRequest request = Request();
  request.apply = [](const SelectMaskChoice& choice, void* context) {
    auto* a = static_cast<Applied*>(context);
    ++a->calls;
    a->last = choice;
  };
  request.context = &applied;
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate.get(), nullptr,
                                           SelectDlgProc, reinterpret_cast<LPARAM>(&request));
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Text(dialog, kCombo), "*.*");
  for (int id : {kArchive, kReadOnly, kHidden, kSystem})
    EXPECT_EQ(IsDlgButtonChecked(dialog, id), static_cast<UINT>(BST_INDETERMINATE)) << id;
  SetDlgItemTextA(dialog, kCombo, "  *.txt");
  CheckDlgButton(dialog, kHidden, BST_CHECKED);
  CheckDlgButton(dialog, kSystem, BST_UNCHECKED);
  SendMessageA(dialog, WM_COMMAND, kDeselect, 0);
  DestroyWindow(dialog);
  EXPECT_EQ(applied.calls, 1);
  EXPECT_FALSE(request.choice.select);
  EXPECT_STREQ(request.choice.mask, "*.txt");  // leading blanks dropped
  EXPECT_EQ(request.choice.hidden, 1);
  EXPECT_EQ(request.choice.system, 0);
  EXPECT_EQ(request.choice.archive, 2);
  EXPECT_EQ(request.choice.readOnly, 2);
  EXPECT_FALSE(request.choice.includeFolders);  // the template has no such box
  EXPECT_STREQ(applied.last.mask, "*.txt");

  // Second run without a routine: the history offers the last mask; Cancel leaves the choice.
  SelectMaskRequest second = Request();
  dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate.get(), nullptr,
                                      SelectDlgProc, reinterpret_cast<LPARAM>(&second));
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Text(dialog, kCombo), "*.txt");
  SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_STREQ(second.choice.mask, "");
  SetDlgItemTextA(dialog, kCombo, "*.doc");
  SendMessageA(dialog, WM_COMMAND, kSelect, 0);
  DestroyWindow(dialog);
  EXPECT_TRUE(second.choice.select);
  EXPECT_STREQ(second.choice.mask, "*.doc");
  HistoryList history;
  LoadHistoryList(&history, "Select");
  ASSERT_EQ(history.Count(), 2);
  EXPECT_STREQ(history.slots[0], "*.doc");
  EXPECT_STREQ(history.slots[1], "*.txt");
}

}  // namespace
