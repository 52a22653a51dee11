#include "config_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "config_edit.h"
#include "container_panel.h"
#include "frame_window.h"
#include "layout_history.h"
#include "layout_snapshot.h"
#include "layout_undo.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "resource_config.h"
#include "resource_jqbar.h"
#include "seams.h"
#include "shell_helpers.h"
#include "toolbar_layout.h"
#include "toolbar_sheet.h"

namespace jqbar {
namespace {

constexpr int kPageZoomMilliseconds = 200;

void (*g_trayIcon)(bool) = nullptr;

struct ConfigState {
  HWND dialog = nullptr;
  HWND types = nullptr, tree = nullptr;
  PanelNode* selected = nullptr;
  HWND page = nullptr;
  HACCEL accelerators = nullptr;
  char title[100] = {};
  PanelNode* initial = nullptr;
  bool changed = false, changedLayout = false;
  bool refilling = false;
  // Drag state.
  bool dragging = false;
  int source = 0;      // IDC_CONFIG_TREE or IDC_TYPES_TREE
  int cursorIn = 0;    // IDC_CONFIG_TREE, IDC_TYPES_TREE or 0
  PanelNode* dragNode = nullptr;
  HTREEITEM dragItem = nullptr;
  PanelType* dragType = nullptr;
  HIMAGELIST dragImage = nullptr;
  bool dropping = false;
  PanelNode* listedHead = nullptr;
  int listedFrames = 0;
};

ConfigState* g_cfg = nullptr;
constexpr UINT_PTR kScrollTimer = 0;

PanelNode* NodeOfItem(HTREEITEM item) {
  if (!g_cfg || !item) return nullptr;
  TVITEMA tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (!TreeView_GetItem(g_cfg->tree, &tv)) return nullptr;
  return reinterpret_cast<PanelNode*>(tv.lParam);
}

PanelType* TypeOfItem(HTREEITEM item) {
  if (!g_cfg || !item) return nullptr;
  TVITEMA tv{};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (!TreeView_GetItem(g_cfg->types, &tv)) return nullptr;
  return reinterpret_cast<PanelType*>(tv.lParam);
}

HTREEITEM FindItem(HTREEITEM item, const PanelNode* node) {
  for (; item; item = TreeView_GetNextSibling(g_cfg->tree, item)) {
    if (NodeOfItem(item) == node) return item;
    if (HTREEITEM found = FindItem(TreeView_GetChild(g_cfg->tree, item), node)) return found;
  }
  return nullptr;
}

PanelType* SelectedType() { return TypeOfItem(TreeView_GetSelection(g_cfg->types)); }

bool TaskbarFrameExists() {
  for (PanelNode* f = FrameList(); f; f = f->next)
    if (IsTaskbarNode(f)) return true;
  return false;
}

void FillTypes() {
  TreeView_DeleteAllItems(g_cfg->types);
  bool taskbar = TaskbarFrameExists();
  HTREEITEM third = nullptr;
  int n = 0;
  for (PanelType* t = FirstPanelType(); t; t = t->next) {
    if (taskbar && lstrcmpiA(t->typeName, kTaskbarToolbarType) == 0) continue;
    TVINSERTSTRUCTA ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = t->displayName;
    ins.item.lParam = reinterpret_cast<LPARAM>(t);
    ins.item.iImage = ins.item.iSelectedImage = t->imageIndex;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageA(g_cfg->types, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    if (++n == 3) third = item;
  }
  if (third) TreeView_SelectItem(g_cfg->types, third);
}

HTREEITEM InsertNode(PanelNode* node, HTREEITEM parent, HTREEITEM after) {
  const PanelType* type = FindPanelType(node->typeName);
  if (!type) return nullptr;  // nodes of unknown types are not listed
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = node->displayName;
  ins.item.lParam = reinterpret_cast<LPARAM>(node);
  ins.item.iImage = ins.item.iSelectedImage = type->imageIndex;
  HTREEITEM item = reinterpret_cast<HTREEITEM>(
      SendMessageA(g_cfg->tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (item && !IsTaskbarNode(node)) {
    HTREEITEM last = TVI_FIRST;
    for (PanelNode* c = node->child; c; c = c->next)
      if (HTREEITEM ci = InsertNode(c, item, last)) last = ci;
  }
  return item;
}

void ExpandAll(HTREEITEM item) {
  for (; item; item = TreeView_GetNextSibling(g_cfg->tree, item)) {
    TreeView_Expand(g_cfg->tree, item, TVE_EXPAND);
    ExpandAll(TreeView_GetChild(g_cfg->tree, item));
  }
}

void ClosePage(bool apply) {
  if (!g_cfg || !g_cfg->page) return;
  HWND page = g_cfg->page;
  g_cfg->page = nullptr;
  if (apply && IsWindow(page)) SendMessageA(page, WM_COMMAND, IDC_CONFIG_APPLY, 0);
  if (IsWindow(page)) DestroyWindow(page);
}

void UpdateAddDelete() {
  PanelType* type = SelectedType();
  PanelNode* node = g_cfg->selected;
  bool add = type && node &&
             !(IsTaskbarNode(node) && lstrcmpiA(type->typeName, kToolbarType) != 0);
  EnableWindow(GetDlgItem(g_cfg->dialog, IDC_CONFIG_ADD), add);
  EnableWindow(GetDlgItem(g_cfg->dialog, IDC_CONFIG_DELETE), node && CanRemoveNode(node));
}

// The page's group box zooms to the text of the item just selected.
void ZoomToSelectedItem(const RECT& group) {
  HTREEITEM item = TreeView_GetSelection(g_cfg->tree);
  RECT text{};
  if (!item || !TreeView_GetItemRect(g_cfg->tree, item, &text, TRUE)) return;
  MapWindowPoints(g_cfg->tree, nullptr, reinterpret_cast<POINT*>(&text), 2);
  HBRUSH brush = CreateHalftonePatternBrush(true);
  ZoomAnimation(group, text, brush, kPageZoomMilliseconds);
  if (brush) DeleteObject(brush);
}

void ShowPageFor(PanelNode* node, bool zoom = false) {
  ClosePage(true);
  CancelPanelPropertiesDialog();
  HWND group = GetDlgItem(g_cfg->dialog, IDC_PAGE_GROUP);
  const PanelType* type = node ? FindPanelType(node->typeName) : nullptr;
  char title[120] = {};
  if (type) snprintf(title, sizeof title, LoadResString(IDS_PANEL_PROPERTIES), type->displayName);
  SetWindowTextA(group, title);
  InvalidateRect(group, nullptr, TRUE);
  if (node && node->window && IsWindow(node->window)) {
    RECT r;
    GetWindowRect(group, &r);
    if (zoom) ZoomToSelectedItem(r);
    MapWindowPoints(nullptr, g_cfg->dialog, reinterpret_cast<POINT*>(&r), 2);
    LONG units = GetDialogBaseUnits();
    int x = r.left + MulDiv(LOWORD(units), 5, 4);
    int y = r.top + MulDiv(HIWORD(units), 10, 8);
    g_cfg->page = reinterpret_cast<HWND>(SendMessageA(
        node->window, PNM_CREATEPAGE, reinterpret_cast<WPARAM>(g_cfg->dialog), MAKELPARAM(x, y)));
    if (g_cfg->page && !IsWindow(g_cfg->page)) g_cfg->page = nullptr;
  }
  SetFocus(g_cfg->tree);
  UpdateAddDelete();
}

void SelectItemOf(PanelNode* node) {
  HTREEITEM item = node ? FindItem(TreeView_GetRoot(g_cfg->tree), node) : nullptr;
  if (!item) item = TreeView_GetRoot(g_cfg->tree);
  if (!item) return;
  TreeView_SelectItem(g_cfg->tree, item);
  TreeView_EnsureVisible(g_cfg->tree, item);
}

// Lists the tree again; the given node (else the first frame) is selected. The page shown so
// far is applied first, as a change of the selection would.
void Refill(PanelNode* select) {
  ClosePage(true);
  g_cfg->refilling = true;
  g_cfg->selected = nullptr;
  TreeView_DeleteAllItems(g_cfg->tree);
  HTREEITEM last = TVI_FIRST;
  for (PanelNode* f = FrameList(); f; f = f->next)
    if (HTREEITEM item = InsertNode(f, TVI_ROOT, last)) last = item;
  ExpandAll(TreeView_GetRoot(g_cfg->tree));
  g_cfg->listedHead = FrameList();
  g_cfg->listedFrames = CountFrameNodes();
  g_cfg->refilling = false;
  SelectItemOf(select);
  HTREEITEM item = TreeView_GetSelection(g_cfg->tree);
  if (NodeOfItem(item) != g_cfg->selected) {
    g_cfg->selected = NodeOfItem(item);
    ShowPageFor(g_cfg->selected);
  }
  UpdateAddDelete();
  UpdateUndoButton();
}

std::string Text(UINT id) { return LoadResString(id); }

void Warn(const std::string& text, const std::string& caption) {
  FrameMessageBox(g_cfg ? g_cfg->dialog : nullptr, text.c_str(), caption.c_str(),
                  MB_ICONWARNING | MB_TASKMODAL);
}

// After a change of the tree: lists it again with the node selected.
void Changed(PanelNode* select) {
  g_cfg->changed = true;
  Refill(select);
}

void AskAndDelete(PanelNode* node) {
  if (!node) return;
  if (!CanRemoveNode(node)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  std::string text = Text(IDS_DELETE_TEXT) + node->displayName + "'?";
  if (FrameMessageBox(g_cfg->dialog, text.c_str(), LoadResString(IDS_DELETE_CAPTION),
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  ClosePage(false);
  PanelNode* parent = FindParentNode(node);
  if (RemoveNode(node, false)) Changed(parent);
}

void Cut(PanelNode* node) {
  if (!node) return;
  ClosePage(true);
  PanelNode* parent = FindParentNode(node);
  if (RemoveNode(node, true)) Changed(parent);
  else MessageBeep(MB_ICONEXCLAMATION);
}

void Added(PanelNode* node) {
  if (!node) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  if (node->window) RefreshPanelCaption(node->window);
  Changed(node);
}

void PasteInto(PanelNode* target) { Added(PasteFromClipboard(target, nullptr)); }

void PasteAfter(PanelNode* target) {
  if (!target || IsFrameTypeNode(target) || !FindParentNode(target)) return;
  Added(PasteFromClipboard(FindParentNode(target), target));
}

void Paste(PanelNode* target) {
  const PanelNode* clip = GetPanelClipboard();
  if (!clip || !target) return;
  PanelNode* parent = nullptr;
  PanelNode* previous = nullptr;
  if (!PastePlace(clip, target, &parent, &previous)) {
    if (IsFrameTypeNode(clip)) SelectItemOf(FrameNodeOf(target));
    return;
  }
  Added(PasteFromClipboard(parent, previous));
}

void AddSelectedType() {
  PanelType* type = SelectedType();
  if (!type || !g_cfg->selected) return;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  if (IsFrameTypeName(type->typeName)) {
    PanelNode* frame = AddNewFrame(lstrcmpiA(type->typeName, kTaskbarToolbarType) == 0);
    if (!frame) {
      MessageBeep(MB_ICONEXCLAMATION);
      return;
    }
    g_cfg->changedLayout = true;
    FillTypes();
    Changed(frame);
    return;
  }
  Added(AddPanelOfType(type, g_cfg->selected, shift));
}

void SendLayoutByMail() {
  SaveToolbarLayout("");
  std::string path = RecentLayouts().Entry(0);
  if (path.empty()) return;
  UINT previousMode = SetErrorMode(0x8000);
  HMODULE mapi = LoadLibraryA("MAPI32.DLL");
  SetErrorMode(previousMode);  // the program's own error mode comes back at once
  if (!mapi) return;
  using SendDocuments = ULONG(WINAPI*)(ULONG_PTR, LPSTR, LPSTR, LPSTR, ULONG);
  auto send = reinterpret_cast<SendDocuments>(GetProcAddress(mapi, "MAPISendDocuments"));
  if (send) {
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    char delimiter[] = ";";
    ULONG result = send(0, delimiter, path.data(), name.data(), 0);
    if (result != 0 && result != 1) Warn(Text(IDS_MAIL_FAILED), Text(IDS_MAIL_CAPTION));
  }
  FreeLibrary(mapi);
}

void AfterDialogLoad() {
  RecentLayouts().Save();
  ClearUndo();
  ClearPanelClipboard();
  SnapshotLayout();
  g_cfg->changed = g_cfg->changedLayout = false;
  FillTypes();
  Refill(nullptr);
  RetitleConfigDialog();
}

void LoadFromDialog(const std::string& path) {
  std::optional<LayoutFile> layout =
      IsToolbarLayoutFile(path) ? ReadToolbarLayout(path) : std::nullopt;
  if (!layout) {
    Warn(path + Text(IDS_NOT_A_LAYOUT), Text(IDS_LAYOUT_ERROR_CAPTION));
    return;
  }
  ClosePage(false);
  ApplyToolbarLayout(*layout);
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  RecentLayouts().Add(n && n < MAX_PATH ? std::string(full) : path);
  AfterDialogLoad();
}

std::string Filter(UINT id, char separator) {
  std::string f = Text(id);
  for (char& c : f)
    if (c == separator) c = 0;
  f.push_back(0);
  return f;
}

void OpenLayout() {
  SaveToolbarLayout("");
  char path[MAX_PATH] = {};
  std::string filter = Filter(IDS_LAYOUT_FILTER, '#');
  std::string title = Text(IDS_OPEN_TITLE);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = g_cfg->dialog;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = "jqc";
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
  RevealFrameForModal(GetOwnerFrameWindow());
  BOOL ok = GetOpenFileNameA(&ofn);
  EndFrameModal();
  if (ok) LoadFromDialog(path);
}

void SaveLayoutAs() {
  char path[MAX_PATH] = {};
  std::string filter = Filter(IDS_LAYOUT_FILTER, '#');
  std::string title = Text(IDS_SAVEAS_TITLE);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = g_cfg->dialog;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = "jqc";
  ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
  RevealFrameForModal(GetOwnerFrameWindow());
  BOOL ok = GetSaveFileNameA(&ofn);
  EndFrameModal();
  if (!ok) return;
  if (SaveToolbarLayout(path)) {
    RecentLayouts().Save();
    RetitleConfigDialog();
  } else {
    Warn(std::string(path) + Text(IDS_LAYOUT_SAVE_FAILED), Text(IDS_LAYOUT_SAVE_CAPTION));
  }
}

void OpenRecent(int index) {
  std::string path = RecentLayouts().Entry(index);
  if (path.empty()) return;
  SaveToolbarLayout("");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    char text[MAX_PATH + 200];
    snprintf(text, sizeof text, LoadResString(IDS_RECENT_MISSING), path.c_str());
    Warn(text, Text(IDS_RECENT_CAPTION));
    return;
  }
  CloseHandle(file);
  LoadFromDialog(path);
}

void FinishOk() {
  ClosePage(true);
  if (!SaveToolbarLayout("") && FrameList())
    Warn(CurrentLayoutPath() + Text(IDS_LAYOUT_SAVE_FAILED), Text(IDS_LAYOUT_SAVE_CAPTION));
  RecentLayouts().Save();
  DiscardLayoutSnapshot();
  CloseConfigDialog();
}

void FinishCancel() {
  ClosePage(false);
  CancelPanelPropertiesDialog();
  if (CanUndo() || g_cfg->changed || g_cfg->changedLayout) {
    ClearUndo();
    RestoreLayoutSnapshot();
    RelayoutAllFrames();
  } else {
    DiscardLayoutSnapshot();
  }
  CloseConfigDialog();
}

void ShowTypeMenu(POINT screen) {
  PanelType* type = SelectedType();
  if (!type) return;
  HMENU menu = CreatePopupMenu();
  bool grey = lstrcmpiA(type->typeName, kTaskbarToolbarType) == 0;
  AppendMenuA(menu, MF_STRING | (grey ? MF_GRAYED : 0), IDM_CFG_TYPE_TO_CLIPBOARD,
              LoadResString(IDS_CFG_COPY));
  UINT cmd = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                     g_cfg->dialog, nullptr);
  DestroyMenu(menu);
  if (cmd) SendMessageA(g_cfg->dialog, WM_COMMAND, cmd, 0);
}

void ShowNodeMenu(POINT screen) {
  HMENU menu = CreatePopupMenu();
  for (UINT id : {IDM_CFG_CUT, IDM_CFG_COPY, IDM_CFG_PASTE_INTO, IDM_CFG_PASTE_AFTER,
                  IDM_CFG_RENAME, IDM_CFG_DELETE}) {
    UINT flags = MF_STRING;
    PanelNode* n = g_cfg->selected;
    bool enabled = n != nullptr;
    if (id == IDM_CFG_CUT || id == IDM_CFG_DELETE) enabled = enabled && CanRemoveNode(n);
    if (id == IDM_CFG_PASTE_INTO) enabled = enabled && HasPanelClipboard() && IsContainerNode(n);
    if (id == IDM_CFG_PASTE_AFTER)
      enabled = enabled && HasPanelClipboard() && !IsFrameTypeNode(n) && FindParentNode(n);
    if (!enabled) flags |= MF_GRAYED;
    AppendMenuA(menu, flags, id, LoadResString(id));
  }
  UINT cmd = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                     g_cfg->dialog, nullptr);
  DestroyMenu(menu);
  if (cmd) SendMessageA(g_cfg->dialog, WM_COMMAND, cmd, 0);
}

void InitMenuPopup(HMENU menu) {
  UINT first = GetMenuItemID(menu, 0);
  if (first == IDM_CFG_OPEN) {
    for (UINT id = IDM_CFG_RECENT_FIRST; id <= IDM_CFG_RECENT_LAST; ++id)
      DeleteMenu(menu, id, MF_BYCOMMAND);
    for (int n = LayoutHistory::kSlots; n >= 1; --n) {
      const std::string& path = RecentLayouts().Entry(n - 1);
      if (path.empty()) continue;
      char text[MAX_PATH + 8];
      snprintf(text, sizeof text, "&%d %s", n, path.c_str());
      InsertMenuA(menu, 3, MF_BYPOSITION | MF_STRING, UINT_PTR(IDM_CFG_RECENT_FIRST - 1 + n), text);
    }
  } else if (first == IDC_CONFIG_UNDO) {
    PanelNode* n = g_cfg->selected;
    EnableMenuItem(menu, IDC_CONFIG_UNDO, CanUndo() ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_CFG_EDIT_CUT, n && CanRemoveNode(n) ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_CFG_EDIT_COPY, n ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_CFG_EDIT_PASTE, n && HasPanelClipboard() ? MF_ENABLED : MF_GRAYED);
  } else if (first == IDM_CFG_LOAD_AT_START) {
    CheckMenuItem(menu, IDM_CFG_LOAD_AT_START, HasStartupShortcut() ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(menu, IDM_CFG_TRAY_ICON, IsTrayIconWanted() ? MF_CHECKED : MF_UNCHECKED);
  }
}

void OnCommand(int id) {
  PanelNode* n = g_cfg->selected;
  switch (id) {
    case IDOK: FinishOk(); return;
    case IDCANCEL: FinishCancel(); return;
    case IDC_CONFIG_UNDO:
      ClosePage(true);
      if (UndoLast()) {
        RelayoutAllFrames();
        FillTypes();
        Refill(nullptr);
      }
      UpdateUndoButton();
      return;
    case IDC_CONFIG_APPLY:
      if (g_cfg->page) SendMessageA(g_cfg->page, WM_COMMAND, IDC_CONFIG_APPLY, 0);
      return;
    case IDM_CFG_CUT:
    case IDM_CFG_EDIT_CUT: Cut(n); return;
    case IDM_CFG_COPY:
    case IDM_CFG_EDIT_COPY:
      if (n) SetPanelClipboard(n);
      return;
    case IDM_CFG_PASTE_INTO: PasteInto(n); return;
    case IDM_CFG_PASTE_AFTER: PasteAfter(n); return;
    case IDM_CFG_EDIT_PASTE: Paste(n); return;
    case IDC_CONFIG_HELP: OpenHelpTopic(g_cfg->dialog, 62); return;
    case IDM_CFG_HELP_TOPICS: OpenHelpTopic(g_cfg->dialog, 0); return;
    case IDM_CLOSE:
      if (HWND owner = GetOwnerFrameWindow()) PostMessageA(owner, WM_COMMAND, IDM_CLOSE, 0);
      return;
    case IDM_ABOUT:
      if (HWND owner = GetOwnerFrameWindow()) SendMessageA(owner, WM_COMMAND, IDM_ABOUT, 0);
      return;
    case IDM_CFG_RENAME:
      if (HTREEITEM item = TreeView_GetSelection(g_cfg->tree)) {
        SetFocus(g_cfg->tree);
        TreeView_EditLabel(g_cfg->tree, item);
      }
      return;
    case IDM_CFG_DELETE:
    case IDC_CONFIG_DELETE: AskAndDelete(n); return;
    case IDM_CFG_DELETE_KEY:
      if (GetFocus() == g_cfg->tree) AskAndDelete(n);
      return;
    case IDM_CFG_TASKBAR_FRAME:
      if (PanelNode* frame = AddNewFrame(true)) {
        g_cfg->changedLayout = true;
        FillTypes();
        Changed(frame);
      } else {
        MessageBeep(MB_ICONEXCLAMATION);
      }
      return;
    case IDM_CFG_TYPE_TO_CLIPBOARD:
      if (PanelType* type = SelectedType()) {
        if (PanelNode* fresh = NewDetachedPanelNode(type->typeName, type->displayName)) {
          SetPanelClipboard(fresh);
          FreePanelSubtree(fresh, true);
        }
      }
      return;
    case IDM_CFG_OPEN: OpenLayout(); return;
    case IDM_CFG_SAVEAS: SaveLayoutAs(); return;
    case IDM_CFG_MAIL: SendLayoutByMail(); return;
    case IDC_CONFIG_ADD: AddSelectedType(); return;
    case IDM_CFG_LOAD_AT_START:
      if (HasStartupShortcut()) RemoveStartupShortcuts();
      else if (!CreateStartupShortcut()) MessageBeep(MB_ICONEXCLAMATION);
      return;
    case IDM_CFG_TRAY_ICON: {
      bool wanted = !IsTrayIconWanted();
      SetTrayIconWanted(wanted);
      if (g_trayIcon) g_trayIcon(wanted);
      return;
    }
  }
  if (id >= IDM_CFG_RECENT_FIRST && id <= IDM_CFG_RECENT_LAST) OpenRecent(id - IDM_CFG_RECENT_FIRST);
}

LRESULT CALLBACK LabelEditProc(HWND edit, UINT msg, WPARAM wp, LPARAM lp) {
  auto previous = reinterpret_cast<WNDPROC>(GetPropA(edit, "JQPrev"));
  if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  if (msg == WM_NCDESTROY) RemovePropA(edit, "JQPrev");
  return CallWindowProcA(previous, edit, msg, wp, lp);
}

void EndLabelEdit(NMTVDISPINFOA* info) {
  if (!info->item.pszText) return;
  PanelNode* node = NodeOfItem(info->item.hItem);
  if (!node) return;
  char name[25] = {};
  lstrcpynA(name, info->item.pszText, sizeof name);  // 24 characters kept
  lstrcpynA(node->displayName, name, sizeof node->displayName);
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = info->item.hItem;
  tv.pszText = name;
  SendMessageA(g_cfg->tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  if (node->window)
    SendMessageA(node->window, PNM_SETTITLE, reinterpret_cast<WPARAM>(node->window),
                 reinterpret_cast<LPARAM>(name));
  g_cfg->changed = true;
}

// Dragging between and inside the two trees.
void BeginDrag(NMTREEVIEWA* info, bool fromConfig) {
  HWND tree = fromConfig ? g_cfg->tree : g_cfg->types;
  HTREEITEM item = info->itemNew.hItem;
  TreeView_SelectItem(tree, item);
  if (fromConfig) {
    if (!TreeView_GetParent(tree, item)) return;  // frames stay where they are
    g_cfg->dragNode = NodeOfItem(item);
    g_cfg->dragItem = item;
    if (!g_cfg->dragNode) return;
  } else {
    g_cfg->dragType = TypeOfItem(item);
    if (!g_cfg->dragType) return;
  }
  g_cfg->dragImage = TreeView_CreateDragImage(tree, item);
  RECT text{};
  TreeView_GetItemRect(tree, item, &text, TRUE);
  POINT press = info->ptDrag;
  if (g_cfg->dragImage) {
    ImageList_BeginDrag(g_cfg->dragImage, 0, press.x - text.left, press.y - text.top);
    ImageList_DragEnter(tree, press.x, press.y);
  }
  TreeView_SelectDropTarget(tree, item);
  SetCapture(g_cfg->dialog);
  g_cfg->dragging = true;
  g_cfg->source = fromConfig ? IDC_CONFIG_TREE : IDC_TYPES_TREE;
  g_cfg->cursorIn = g_cfg->source;
  SetTimer(g_cfg->dialog, kScrollTimer, 200, nullptr);
}

HWND TreeOf(int id) { return id == IDC_CONFIG_TREE ? g_cfg->tree : id == IDC_TYPES_TREE ? g_cfg->types : nullptr; }

void DragMove() {
  POINT screen;
  GetCursorPos(&screen);
  HWND under = WindowFromPoint(screen);
  int now = under == g_cfg->tree ? IDC_CONFIG_TREE : under == g_cfg->types ? IDC_TYPES_TREE : 0;
  if (now != g_cfg->cursorIn) {
    if (HWND old = TreeOf(g_cfg->cursorIn)) {
      ImageList_DragLeave(old);
      TreeView_SelectDropTarget(old, nullptr);
    }
    if (HWND fresh = TreeOf(now)) {
      POINT p = screen;
      ScreenToClient(fresh, &p);
      ImageList_DragEnter(fresh, p.x, p.y);
    }
    SetCursor(LoadCursor(nullptr, now ? IDC_ARROW : IDC_NO));
    g_cfg->cursorIn = now;
  }
  HWND tree = TreeOf(now);
  if (!tree) return;
  POINT p = screen;
  ScreenToClient(tree, &p);
  ImageList_DragMove(p.x, p.y);
  if (tree != g_cfg->tree) return;
  TVHITTESTINFO hit{};
  hit.pt = p;
  HTREEITEM item = TreeView_HitTest(tree, &hit);
  ImageList_DragShowNolock(FALSE);
  TreeView_SelectDropTarget(tree, item);
  ImageList_DragShowNolock(TRUE);
  SetCursor(LoadCursor(nullptr, item ? IDC_ARROW : IDC_NO));
}

void DragScroll() {
  if (!g_cfg->dragging) {
    KillTimer(g_cfg->dialog, kScrollTimer);
    return;
  }
  if (g_cfg->cursorIn != IDC_CONFIG_TREE) return;
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(g_cfg->tree, &p);
  RECT c;
  GetClientRect(g_cfg->tree, &c);
  int band = GetSystemMetrics(SM_CYHSCROLL);
  WPARAM code;
  if (p.y >= 0 && p.y < band) code = SB_LINEUP;
  else if (p.y < c.bottom && p.y > c.bottom - band) code = SB_LINEDOWN;
  else return;
  ImageList_DragShowNolock(FALSE);
  SendMessageA(g_cfg->tree, WM_VSCROLL, code, 0);
  TVHITTESTINFO hit{};
  hit.pt = p;
  HTREEITEM item = TreeView_HitTest(g_cfg->tree, &hit);
  if (item && (hit.flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT)))
    TreeView_SelectDropTarget(g_cfg->tree, item);
  ImageList_DragShowNolock(TRUE);
}

void EndDrag() {
  if (g_cfg->dragImage) {
    ImageList_EndDrag();
    if (HWND t = TreeOf(g_cfg->cursorIn)) ImageList_DragLeave(t);
  }
  KillTimer(g_cfg->dialog, kScrollTimer);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  g_cfg->dragging = false;
  ReleaseCapture();
  if (g_cfg->dragImage) ImageList_Destroy(g_cfg->dragImage);
  g_cfg->dragImage = nullptr;
  HTREEITEM target = TreeView_GetDropHilight(g_cfg->tree);
  PanelNode* targetNode = NodeOfItem(target);
  bool shift = GetKeyState(VK_SHIFT) < 0;
  int source = g_cfg->source, where = g_cfg->cursorIn;
  PanelNode* dragged = g_cfg->dragNode;
  PanelType* type = g_cfg->dragType;
  g_cfg->dragNode = nullptr;
  g_cfg->dragType = nullptr;
  g_cfg->dragItem = nullptr;
  TreeView_SelectDropTarget(g_cfg->tree, nullptr);
  TreeView_SelectDropTarget(g_cfg->types, nullptr);
  g_cfg->dropping = true;
  if (source == IDC_TYPES_TREE && where == IDC_CONFIG_TREE && targetNode && type) {
    if (IsFrameTypeName(type->typeName)) {
      if (PanelNode* frame = AddNewFrame(lstrcmpiA(type->typeName, kTaskbarToolbarType) == 0)) {
        g_cfg->changedLayout = true;
        FillTypes();
        Changed(frame);
      }
    } else if (!IsTaskbarNode(targetNode)) {
      Added(AddPanelOfType(type, targetNode, shift));
    }
  } else if (source == IDC_CONFIG_TREE && where == IDC_CONFIG_TREE && targetNode && dragged &&
             targetNode != dragged) {
    ClosePage(true);
    if (MovePanelNode(dragged, targetNode, shift)) Changed(dragged);
  } else if (source == IDC_CONFIG_TREE && where == IDC_TYPES_TREE && dragged) {
    SelectItemOf(dragged);
    AskAndDelete(dragged);
  }
  g_cfg->dropping = false;
  SetFocus(g_cfg->tree);
}

LRESULT OnNotify(NMHDR* hdr) {
  if (hdr->idFrom == IDC_CONFIG_TREE) {
    switch (hdr->code) {
      case TVN_SELCHANGEDA:
      case TVN_SELCHANGEDW: {
        if (g_cfg->refilling) return 0;
        auto* info = reinterpret_cast<NMTREEVIEWA*>(hdr);
        PanelNode* node = NodeOfItem(info->itemNew.hItem);
        if (node && node != g_cfg->selected) {
          g_cfg->selected = node;
          ShowPageFor(node, !g_cfg->dropping);
        }
        return 0;
      }
      case TVN_BEGINDRAGA:
      case TVN_BEGINDRAGW:
        BeginDrag(reinterpret_cast<NMTREEVIEWA*>(hdr), true);
        return 0;
      case TVN_BEGINLABELEDITA:
      case TVN_BEGINLABELEDITW: {
        HWND edit = TreeView_GetEditControl(g_cfg->tree);
        if (edit && !GetPropA(edit, "JQPrev"))
          SetPropA(edit, "JQPrev", reinterpret_cast<HANDLE>(SetWindowLongPtrA(
                                        edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelEditProc))));
        return 0;
      }
      case TVN_ENDLABELEDITA:
        EndLabelEdit(reinterpret_cast<NMTVDISPINFOA*>(hdr));
        return 0;
      case NM_RCLICK: {
        POINT screen;
        GetCursorPos(&screen);
        POINT p = screen;
        ScreenToClient(g_cfg->tree, &p);
        TVHITTESTINFO hit{};
        hit.pt = p;
        if (HTREEITEM item = TreeView_HitTest(g_cfg->tree, &hit)) TreeView_SelectItem(g_cfg->tree, item);
        ShowNodeMenu(screen);
        return 1;
      }
    }
  } else if (hdr->idFrom == IDC_TYPES_TREE) {
    switch (hdr->code) {
      case TVN_SELCHANGEDA:
      case TVN_SELCHANGEDW:
        UpdateAddDelete();
        return 0;
      case TVN_BEGINDRAGA:
      case TVN_BEGINDRAGW:
        BeginDrag(reinterpret_cast<NMTREEVIEWA*>(hdr), false);
        return 0;
      case NM_RCLICK:
      case NM_DBLCLK: {
        POINT screen;
        GetCursorPos(&screen);
        POINT p = screen;
        ScreenToClient(g_cfg->types, &p);
        TVHITTESTINFO hit{};
        hit.pt = p;
        if (HTREEITEM item = TreeView_HitTest(g_cfg->types, &hit)) TreeView_SelectItem(g_cfg->types, item);
        ShowTypeMenu(screen);
        return 1;
      }
    }
  }
  return 0;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  if (!g_cfg) return FALSE;
  switch (msg) {
    case WM_INITDIALOG: {
      g_cfg->dialog = dialog;
      g_cfg->types = GetDlgItem(dialog, IDC_TYPES_TREE);
      g_cfg->tree = GetDlgItem(dialog, IDC_CONFIG_TREE);
      RECT r;
      GetWindowRect(dialog, &r);
      SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      g_cfg->changed = g_cfg->changedLayout = false;
      g_cfg->accelerators = LoadAcceleratorsA(Globals().instance, MAKEINTRESOURCEA(IDR_CONFIG_ACCEL));
      HIMAGELIST images = PanelTypeImageList();
      TreeView_SetImageList(g_cfg->types, images, TVSIL_NORMAL);
      TreeView_SetImageList(g_cfg->tree, images, TVSIL_NORMAL);
      FillTypes();
      Refill(g_cfg->initial);
      UpdateUndoButton();
      GetWindowTextA(dialog, g_cfg->title, sizeof g_cfg->title);
      RetitleConfigDialog();
      return FALSE;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wp));
      return TRUE;
    case WM_CLOSE:
      FinishCancel();
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, OnNotify(reinterpret_cast<NMHDR*>(lp)));
      return TRUE;
    case WM_INITMENUPOPUP:
      InitMenuPopup(reinterpret_cast<HMENU>(wp));
      return TRUE;
    case WM_MOUSEMOVE:
      if (g_cfg->dragging) DragMove();
      return TRUE;
    case WM_LBUTTONUP:
      if (g_cfg->dragging) EndDrag();
      return TRUE;
    case WM_CAPTURECHANGED:
      return TRUE;
    case WM_TIMER:
      if (wp == kScrollTimer) DragScroll();
      return TRUE;
    case WM_HELP:
      if (g_cfg->page) SendMessageA(g_cfg->page, PNM_PAGEHELP, 0, 0);
      else OpenHelpTopic(dialog, 62);
      return TRUE;
    case WM_DESTROY:
      if (g_cfg->dragging) {
        ReleaseCapture();
        if (g_cfg->dragImage) {
          ImageList_EndDrag();
          ImageList_Destroy(g_cfg->dragImage);
        }
      }
      if (g_cfg->accelerators) DestroyAcceleratorTable(g_cfg->accelerators);
      ClearUndo();
      ClearPanelClipboard();
      ClosePage(false);
      return TRUE;
  }
  return FALSE;
}

void OnLayoutChanged() {
  RetitleConfigDialog();
  if (!g_cfg || !g_cfg->dialog) return;
  // A layout loaded from outside the dialog (a second start, the wizard): its nodes are new.
  if (g_cfg->listedHead != FrameList() || g_cfg->listedFrames != CountFrameNodes()) {
    ClearUndo();
    g_cfg->page = nullptr;
    FillTypes();
    Refill(nullptr);
  }
}

void OpenFromFrame(HWND frame, HWND panel) {
  OpenConfigDialog(frame, panel ? FindNodeByWindow(panel) : nullptr);
}

void PanelChanged(PanelNode* node, const std::vector<std::uint8_t>& oldBlob) {
  if (IsConfigDialogOpen()) {
    PushUndoSettings(node, oldBlob);
    UpdateUndoButton();
  }
}

HWND CreatePage(HWND container, HWND parent, int x, int y) {
  return CreateToolbarPropertySheet(container, parent, x, y);
}

}  // namespace

int OpenConfigDialog(HWND frame, PanelNode* select) {
  if (g_cfg && g_cfg->dialog) {
    if (select) SelectConfigNode(select);
    SetWindowPos(g_cfg->dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(g_cfg->dialog);
    return 2;
  }
  SnapshotLayout();
  g_cfg = new ConfigState;
  g_cfg->initial = select;
  // An auto-hidden owner frame comes out while the dialog is made.
  if (frame) {
    RevealFrameForModal(frame);
    EndFrameModal();
  }
  HWND dialog = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr,
                                   ConfigDialogProc, 0);
  if (!dialog) {
    delete g_cfg;
    g_cfg = nullptr;
    DiscardLayoutSnapshot();
    return 0;
  }
  ShowWindow(dialog, SW_SHOW);
  return 1;
}

int IsModelessDialogMessage(MSG* msg) {
  if (!g_cfg || !g_cfg->dialog) return 0;
  if (TranslateConfigAccelerator(msg)) return 1;
  if (g_cfg->page && IsChild(g_cfg->page, msg->hwnd) && IsDialogMessageA(g_cfg->page, msg)) return 1;
  return IsDialogMessageA(g_cfg->dialog, msg) ? 1 : 0;
}

bool TranslateConfigAccelerator(MSG* msg) {
  if (!g_cfg || !g_cfg->dialog || !g_cfg->accelerators) return false;
  if (msg->hwnd != g_cfg->tree) return false;
  return TranslateAcceleratorA(g_cfg->dialog, g_cfg->accelerators, msg) != 0;
}

void CloseConfigDialog() {
  if (!g_cfg) return;
  ConfigState* st = g_cfg;
  if (st->dialog && IsWindow(st->dialog)) DestroyWindow(st->dialog);
  g_cfg = nullptr;
  delete st;
}

void EnableConfigDialog(bool enable) {
  if (g_cfg && g_cfg->dialog) EnableWindow(g_cfg->dialog, enable);
}

bool IsConfigDialogOpen() { return g_cfg && g_cfg->dialog; }
HWND GetConfigDialog() { return g_cfg ? g_cfg->dialog : nullptr; }
HWND ConfigDialogPage() { return g_cfg ? g_cfg->page : nullptr; }
PanelNode* ConfigDialogSelection() { return g_cfg ? g_cfg->selected : nullptr; }

void DeleteSelectedPanel() {
  if (g_cfg && g_cfg->dialog) SendMessageA(g_cfg->dialog, WM_COMMAND, IDM_CFG_DELETE_KEY, 0);
}

void RefreshPanelCaption(HWND panel) {
  PanelNode* node = FindNodeByWindow(panel);
  if (!node) return;
  char caption[100] = {};
  if (!SendMessageA(panel, PNM_GETCAPTION, sizeof caption, reinterpret_cast<LPARAM>(caption))) return;
  caption[24] = 0;  // 24 characters kept
  lstrcpynA(node->displayName, caption, sizeof node->displayName);
  if (!g_cfg || !g_cfg->tree) return;
  if (HTREEITEM item = FindItem(TreeView_GetRoot(g_cfg->tree), node)) {
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = node->displayName;
    SendMessageA(g_cfg->tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  }
}

void RetitleConfigDialog() {
  if (!g_cfg || !g_cfg->dialog) return;
  const std::string& path = RecentLayouts().Entry(0);
  std::string name = path.substr(path.find_last_of("\\/") + 1);
  if (path.empty() || name.empty()) return;
  std::string title = std::string(g_cfg->title) + " - [" + name + "]";
  SetWindowTextA(g_cfg->dialog, title.c_str());
}

void UpdateUndoButton() {
  if (g_cfg && g_cfg->dialog) EnableWindow(GetDlgItem(g_cfg->dialog, IDC_CONFIG_UNDO), CanUndo());
}

bool SelectConfigNode(PanelNode* node) {
  if (!g_cfg || !g_cfg->tree) return false;
  HTREEITEM item = FindItem(TreeView_GetRoot(g_cfg->tree), node);
  if (!item) return false;
  TreeView_SelectItem(g_cfg->tree, item);
  TreeView_EnsureVisible(g_cfg->tree, item);
  return g_cfg->selected == node;
}

bool SelectAvailableType(const char* typeName) {
  if (!g_cfg || !g_cfg->types) return false;
  for (HTREEITEM item = TreeView_GetRoot(g_cfg->types); item;
       item = TreeView_GetNextSibling(g_cfg->types, item)) {
    PanelType* type = TypeOfItem(item);
    if (type && lstrcmpiA(type->typeName, typeName) == 0) {
      TreeView_SelectItem(g_cfg->types, item);
      return true;
    }
  }
  return false;
}

void BeginOutsideLayoutLoad() {
  if (!g_cfg || !g_cfg->dialog) return;
  ClosePage(false);
  CancelPanelPropertiesDialog();
  g_cfg->refilling = true;
  g_cfg->selected = nullptr;
  TreeView_DeleteAllItems(g_cfg->tree);
  g_cfg->refilling = false;
  ClearUndo();
}

void EndOutsideLayoutLoad() {
  if (!g_cfg || !g_cfg->dialog) return;
  // Cancel now goes back to the layout just loaded.
  SnapshotLayout();
  g_cfg->changed = g_cfg->changedLayout = false;
  FillTypes();
  Refill(nullptr);
  RetitleConfigDialog();
}

void SetTrayIconHandler(void (*apply)(bool wanted)) { g_trayIcon = apply; }

void InstallConfigHandlers() {
  SetOpenConfigHandler(OpenFromFrame);
  SetPanelChangedHandler(PanelChanged);
  SetLayoutChangedHandler(OnLayoutChanged);
  SetContainerPageHandler(CreatePage);
}

}  // namespace jqbar
