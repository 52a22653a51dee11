// SetDialogControls: a small format language that sets check boxes, radio groups, texts and
// list boxes of a dialog and enables, disables, shows or hides nested groups of controls.
#include <cstdarg>
#include <cstring>
#include "voltaly_ui.h"

namespace {

constexpr int kMaxDepth = 16;

struct ControlState {
  HWND dialog;
  int current = 0;
  int depth = 0;
  bool disabled = false;
  bool hidden = false;
  bool rawCheck = false;
  bool savedDisabled[kMaxDepth] = {};
  bool savedHidden[kMaxDepth] = {};

  void ApplyGroup() {
    if (current == 0 || depth <= 0) return;
    HWND control = GetDlgItem(dialog, current);
    if (!control) return;
    EnableWindow(control, !disabled);
    ShowWindow(control, hidden ? SW_HIDE : SW_SHOWNORMAL);
  }
  int Slot() const { return depth < 0 ? 0 : (depth >= kMaxDepth ? kMaxDepth - 1 : depth); }
};

}  // namespace

void SetDialogControls(HWND dialog, const char* format, ...) {
  if (!format) return;
  va_list args;
  va_start(args, format);
  ControlState st;
  st.dialog = dialog;
  const char* p = format;
  while (*p) {
    char command = *p++;
    switch (command) {
      // Only the commands that name a control take the group's state; a condition or a bracket
      // never re-applies it to the control named before it.
      case ' ':
        continue;
      case '(':
        ++st.depth;
        continue;
      case ')':
        --st.depth;
        st.disabled = st.savedDisabled[st.Slot()];
        st.hidden = st.savedHidden[st.Slot()];
        st.rawCheck = false;
        continue;
      case 'D': {
        int condition = va_arg(args, int);
        st.savedDisabled[st.Slot()] = st.disabled;
        if (!st.disabled && condition == 0) st.disabled = true;
        continue;
      }
      case 'S': {
        int condition = va_arg(args, int);
        st.savedHidden[st.Slot()] = st.hidden;
        if (!st.hidden && condition == 0) st.hidden = true;
        continue;
      }
      case 'T':
        st.rawCheck = va_arg(args, int) != 0;
        continue;
      case 'b':
        st.current = va_arg(args, int);
        break;
      case 'c': {
        int id = va_arg(args, int);
        int value = va_arg(args, int);
        st.current = id;
        if (st.depth > 0 && !st.rawCheck) value = value ? 1 : 0;
        if (GetDlgItem(dialog, id)) CheckDlgButton(dialog, id, (UINT)value);
        break;
      }
      case 'r': {
        // A run of 'r' (blanks allowed between) is one radio group.
        int low = 0, high = 0, checked = 0;
        int ids[64];
        int count = 0;
        --p;
        while (*p == 'r' || *p == ' ') {
          if (*p == 'r') {
            int id = va_arg(args, int);
            int value = va_arg(args, int);
            if (count < 64) ids[count++] = id;
            if (low == 0 || id < low) low = id;
            if (id > high) high = id;
            if (checked == 0 && value != 0) checked = id;
          }
          ++p;
        }
        for (int id = low; id <= high && low != 0; ++id) {
          if (HWND button = GetDlgItem(dialog, id))
            SendMessageA(button, BM_SETCHECK, id == checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        if (st.depth > 0) {
          for (int i = 0; i < count; ++i)
            if (HWND button = GetDlgItem(dialog, ids[i])) EnableWindow(button, !st.disabled);
        }
        st.current = 0;
        continue;  // the character that ended the run is read as the next command
      }
      case 's': {
        int id = va_arg(args, int);
        const char* text = va_arg(args, const char*);
        if (!text) {
          va_end(args);
          return;
        }
        st.current = id;
        if (GetDlgItem(dialog, id)) SetDlgItemTextA(dialog, id, *text ? text : "None");
        break;
      }
      case 'l': {
        int id = va_arg(args, int);
        const char* list = va_arg(args, const char*);
        st.current = id;
        if (list) {
          if (HWND box = GetDlgItem(dialog, id)) {
            SendMessageA(box, LB_RESETCONTENT, 0, 0);
            for (const char* s = list; *s; s += strlen(s) + 1)
              SendMessageA(box, LB_ADDSTRING, 0, (LPARAM)s);
          }
        }
        break;
      }
      default:
        TraceMessage(1, "Unrecognized format command. : Set tab new");
        continue;
    }
    st.ApplyGroup();
  }
  va_end(args);
}
