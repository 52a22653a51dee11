// The Copy To / Move To commands: the shared dialog over the active pane's sources, then the
// Copy/Move worker.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include "command_basics.h"
#include "copy_move_dialog.h"
#include "file_list.h"
#include "file_operations.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pane_host.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "settings_store.h"
#include "command_ids.h"

static_assert(IDC_COPY_MOVE_LIST == kCopyMoveListId && IDC_GO_TO_DESTINATION == kCopyMoveGoToDestinationId &&
              IDC_GO_TO_TYPED_PATH == kCopyMoveGoButtonId && IDC_COPY_RADIO == kCopyMoveCopyRadioId &&
              IDC_MOVE_RADIO == kCopyMoveMoveRadioId && IDC_DESTINATION_COMBO == kCopyMoveComboId &&
              IDC_PICKER_TREE == kCopyMoveTreeId && IDC_COPY_MOVE_LIST_LABEL == kCopyMoveListLabelId &&
              IDC_OPERATION_GROUP == kCopyMoveGroupId,
              "the template's ids are the shared dialog's");

namespace {

HINSTANCE Instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

// The active pane's list is the source when it had the focus last (else the tree's folder).
bool SourceIsList() {
  const FilePane& pane = FilePanes[ActivePaneIndex];
  return pane.list && (PaneLastFocus() == pane.list || !pane.tree);
}

void AddSourceRow(HWND rows, const char* text, int image, ULONG attributes) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
  item.iItem = static_cast<int>(SendMessageA(rows, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(text);
  item.iImage = image;
  if (attributes & SFGAO_LINK) item.state = INDEXTOOVERLAYMASK(2);
  else if (attributes & SFGAO_SHARE) item.state = INDEXTOOVERLAYMASK(1);
  item.stateMask = LVIS_OVERLAYMASK;
  SendMessageA(rows, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void FillSourceRows(HWND rows, void*) {
  const FilePane& pane = FilePanes[ActivePaneIndex];
  if (pane.list) {
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(pane.list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    SendMessageA(rows, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  }
  char text[MAX_PATH + 1] = "";
  if (!SourceIsList()) {
    if (!pane.tree) return;
    HTREEITEM selected =
        reinterpret_cast<HTREEITEM>(SendMessageA(pane.tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!selected) return;
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = selected;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(pane.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    FolderTreeItem* record = GetTreeItemRecord(pane.tree, selected);
    int image = item.iImage;
    if (image == I_IMAGECALLBACK && record) image = GetShellIconIndex(reinterpret_cast<LPCSTR>(record->absolute),
                                                                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    AddSourceRow(rows, item.pszText ? item.pszText : text, image, 0);
    return;
  }
  for (int index = static_cast<int>(SendMessageA(pane.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       index >= 0;
       index = static_cast<int>(SendMessageA(pane.list, LVM_GETNEXTITEM, index, LVNI_SELECTED))) {
    FileListItem* record = GetListItemRecord(pane.list, index);
    if (!record) continue;
    text[0] = '\0';
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(pane.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    AddSourceRow(rows, item.pszText ? item.pszText : text, item.iImage, record->attributes);
  }
}

LRESULT RunCopyMoveCommand(HWND window, UINT mode) {
  const FilePane& pane = FilePanes[ActivePaneIndex];
  if (SourceIsList() && (GetFocus() == pane.list || PaneLastFocus() == pane.list) &&
      SendMessageA(pane.list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
    return 0;
  // Nothing of the file system to copy (My Computer, the desktop itself): refused.
  FileSources sources;
  if (!CollectFileSources(ActivePaneIndex, FALSE, &sources)) return RefuseCommand();
  CopyMoveRequest request;
  request.mode = mode;
  request.goToDestination = GetLiveOptions().goToTargetAfterCopy;
  request.instance = Instance();
  request.copyCaption = ID_EDIT_COPY_TO;
  request.moveCaption = ID_EDIT_MOVE_TO;
  request.copyLabel = IDS_COPY_ITEMS;
  request.moveLabel = IDS_MOVE_ITEMS;
  request.blankTarget = IDS_ENTER_DESTINATION;
  request.goIcon = IDI_GO_TO_PATH;
  request.centreOver = g_mainWindow;
  request.fillSources = FillSourceRows;
  request.treeCustomDraw = TreeCustomDraw;
  INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_COPY_MOVE), window, CopyMoveDlgProc,
                                   reinterpret_cast<LPARAM>(&request));
  if (result != 1) return 0;
  GetLiveOptions().goToTargetAfterCopy = request.goToDestination ? 1 : 0;
  StartCopyMoveWorker(request.target, request.mode);
  return 0;
}

}  // namespace

JQ_COMMAND_HANDLER(CopySelectionTo) {
  (void)message;
  (void)wParam;
  (void)lParam;
  return RunCopyMoveCommand(window, 2);
}

JQ_COMMAND_HANDLER(MoveSelectionTo) {
  (void)message;
  (void)wParam;
  (void)lParam;
  return RunCopyMoveCommand(window, 1);
}
