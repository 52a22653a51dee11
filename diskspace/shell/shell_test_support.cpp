#include "shell_test_support.h"

#include <commctrl.h>

#include <algorithm>

#include "control_text.h"
#include "engine_test_support.h"
#include "file_commands.h"
#include "folder_node.h"

namespace shelltest {
namespace {

constexpr char kClass[] = "VoltalyShellTestMain";
constexpr char kPaneClass[] = "VoltalyShellTestPane";

// Other programs on the shared test desktop may take the focus at any moment, and the tree ends
// a label edit whose edit box loses the focus by committing its text: a refused name would be
// answered again (a second box) at a moment no test chose. The edit boxes of the host's tree
// keep their edit when the focus goes to another program's window (or to none); focus moves
// inside this program (the edit going away, a dialog of the test) end it as in the program.
LRESULT CALLBACK EditFocusGuard(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
  if (message == WM_KILLFOCUS) {
    DWORD process = 0;
    HWND next = reinterpret_cast<HWND>(wParam);
    if (!next || !GetWindowThreadProcessId(next, &process) || process != GetCurrentProcessId())
      return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, EditFocusGuard, 1);
  return DefSubclassProc(window, message, wParam, lParam);
}

// The pane dialog: the tree's label edits end in the rename answer, as in the program.
LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TVN_BEGINLABELEDITA || header->code == TVN_BEGINLABELEDITW) {
      if (HWND edit = TreeView_GetEditControl(header->hwndFrom)) SetWindowSubclass(edit, EditFocusGuard, 1, 0);
      return FALSE;
    }
    if (header->code == TVN_ENDLABELEDITA)
      return RenameTreeFolder(header->hwndFrom, reinterpret_cast<NMTVDISPINFOA*>(lParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<HostWindows*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (host) {
    if (message == WM_USER + 110) host->activeMessages.push_back(reinterpret_cast<HWND>(wParam));
    if (message == WM_COMMAND) host->commands.push_back(LOWORD(wParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// The windows are made once per process and shared by the tests: under Wine without a window
// manager every visible top-level window takes seconds to go away.
HostWindows::HostWindows() {
  static HWND sharedMain = nullptr, sharedStatus = nullptr, sharedDialog = nullptr, sharedTree = nullptr;
  if (!sharedMain || !IsWindow(sharedMain)) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    wc.lpfnWndProc = PaneProc;
    wc.lpszClassName = kPaneClass;
    RegisterClassA(&wc);
    sharedMain = CreateWindowExA(0, kClass, "Voltaly test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    sharedStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, sharedMain,
                                   reinterpret_cast<HMENU>(40961), GetModuleHandleA(nullptr), nullptr);
    sharedDialog = CreateWindowExA(WS_EX_CONTROLPARENT, kPaneClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 200,
                                   sharedMain, reinterpret_cast<HMENU>(101), GetModuleHandleA(nullptr), nullptr);
    sharedTree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_EDITLABELS |
                                 TVS_SHOWSELALWAYS, 0, 0, 640, 200, sharedDialog, reinterpret_cast<HMENU>(1000),
                                 GetModuleHandleA(nullptr), nullptr);
  }
  main = sharedMain;
  status = sharedStatus;
  dialog = sharedDialog;
  tree = sharedTree;
  SetWindowLongPtrA(main, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
  ShowWindow(tree, SW_SHOW);
}

HostWindows::~HostWindows() {
  if (!IsWindow(main)) return;
  if (TreeView_GetEditControl(tree)) TreeView_EndEditLabelNow(tree, TRUE);
  TreeView_DeleteAllItems(tree);
  ShowWindow(tree, SW_SHOW);
  SetMenu(main, nullptr);
  SetWindowLongPtrA(main, GWLP_USERDATA, 0);
  // Leave nothing queued for the next test's windows.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

LPITEMIDLIST ParsePath(const std::string& path) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  LPITEMIDLIST pidl = nullptr;
  desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &pidl, nullptr);
  desktop->Release();
  return pidl;
}

IShellFolder* BindFolder(const std::string& path) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  LPITEMIDLIST pidl = ParsePath(path);
  IShellFolder* folder = nullptr;
  if (pidl) desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
  CoTaskMemFree(pidl);
  desktop->Release();
  return folder;
}

HTREEITEM AddNodeItems(HWND tree, HTREEITEM parent, FolderNode* node, bool recurse) {
  std::string name = GetNodeName(node);
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>(name.c_str());
  insert.item.lParam = reinterpret_cast<LPARAM>(node);
  HTREEITEM item = TreeView_InsertItem(tree, &insert);
  node->mainItem = item;
  if (recurse) {
    std::vector<FolderNode*> children;
    for (FolderNode* child = FirstChildNode(node); child; child = NextSiblingNode(child))
      if (IsFolderNode(child)) children.push_back(child);
    std::sort(children.begin(), children.end(),
              [](FolderNode* a, FolderNode* b) { return GetNodeName(a) < GetNodeName(b); });
    for (FolderNode* child : children) AddNodeItems(tree, item, child, true);
  }
  return item;
}

QuietFileOperations::QuietFileOperations() {
  SetFileOperationExtraFlags(FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT);
}

QuietFileOperations::~QuietFileOperations() { SetFileOperationExtraFlags(0); }

namespace {

std::function<void(HWND)> pendingAct;
HWND pendingOwner = nullptr;

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w; w = FindWindowExA(nullptr, w, "#32770", nullptr))
    if (GetWindow(w, GW_OWNER) == pendingOwner && IsWindowVisible(w)) dialog = w;
  if (!dialog || !pendingAct) return;
  KillTimer(nullptr, id);
  auto act = std::move(pendingAct);
  pendingAct = nullptr;
  act(dialog);
}

}  // namespace

void WhenDialogShows(HWND owner, std::function<void(HWND)> act) {
  pendingAct = std::move(act);
  pendingOwner = owner;
  SetTimer(nullptr, 0, 50, AnswerDialog);
}

NodeTreeFixture::~NodeTreeFixture() {
  if (IsFolderNode(top)) RemoveFolderNode(top);
}

void NodeTreeFixture::Show() {
  vtest::EngineDrive();
  top = vtest::NodeFor(temp.path());
  if (!top) return;
  vtest::ScanAndWait(top, 1);
  topItem = AddNodeItems(host.tree, TVI_ROOT, top, true);
  TreeView_Expand(host.tree, topItem, TVE_EXPAND);
}

HTREEITEM NodeTreeFixture::ItemOf(const std::string& name) {
  return jqtest::TreeChildByText(host.tree, topItem, name);
}

FolderNode* NodeTreeFixture::NodeOf(HTREEITEM item) {
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  TreeView_GetItem(host.tree, &tvi);
  return reinterpret_cast<FolderNode*>(tvi.lParam);
}

void SelectItem(HWND tree, HTREEITEM item) {
  TreeView_SelectItem(tree, item);
  SetForegroundWindow(GetAncestor(tree, GA_ROOT));
  SetFocus(tree);
}

}  // namespace shelltest
