#include "control_text.h"

namespace jqtest {

std::string WindowTextOf(HWND window) {
  char text[MAX_PATH] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string StringResource(UINT id) {
  char text[512] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::vector<std::string> ListItemTexts(HWND list) {
  std::vector<std::string> texts;
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH] = "";
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

int ListIndexOfText(HWND list, const std::string& text) {
  std::vector<std::string> texts = ListItemTexts(list);
  for (size_t i = 0; i < texts.size(); ++i)
    if (texts[i] == text) return static_cast<int>(i);
  return -1;
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = "";
  TVITEMA tvi{};
  tvi.mask = TVIF_TEXT;
  tvi.hItem = item;
  tvi.pszText = text;
  tvi.cchTextMax = MAX_PATH;
  TreeView_GetItem(tree, &tvi);
  return text;
}

std::vector<std::string> TreeChildTexts(HWND tree, HTREEITEM parent) {
  std::vector<std::string> texts;
  for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
    texts.push_back(TreeItemText(tree, c));
  return texts;
}

HTREEITEM TreeChildByText(HWND tree, HTREEITEM parent, const std::string& text) {
  for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
    if (TreeItemText(tree, c) == text) return c;
  return nullptr;
}

DialogDriver::Step TypeInto(int id, const std::string& text) {
  return [id, text](HWND dialog) {
    SetDlgItemTextA(dialog, id, text.c_str());
    return true;
  };
}

DialogDriver::Step ClickButton(int id) {
  return [id](HWND dialog) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    return true;
  };
}

}  // namespace jqtest
