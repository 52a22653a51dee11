// Selecting in the active list (all, invert, by pattern and attributes, mark and unmark) and the
// panes' file filter.
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <string>
#include "actions.h"
#include "command_handlers.h"
#include "file_filter.h"
#include "file_list.h"
#include "file_pane.h"
#include "filters_dialog.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "history_list.h"
#include "pidl.h"
#include "resource.h"
#include "select_mask_dialog.h"
#include "settings_store.h"
#include "program_values.h"
#include "window_utils.h"

// How Mark and Unmark treat the focused item: 1 marks and unmarks it as asked; any other value
// toggles it.
UINT g_markingMode = 0;

bool PassesAttributeTests(DWORD fileAttributes, const SelectAttributes& tests) {
  auto holds = [&](int test, DWORD bit) {
    if (test != 0 && test != 1) return true;
    return ((fileAttributes & bit) != 0) == (test == 1);
  };
  return holds(tests.archive, FILE_ATTRIBUTE_ARCHIVE) && holds(tests.readOnly, FILE_ATTRIBUTE_READONLY) &&
         holds(tests.hidden, FILE_ATTRIBUTE_HIDDEN) && holds(tests.system, FILE_ATTRIBUTE_SYSTEM);
}

int SelectByPattern(const char* patterns, BOOL select, BOOL includeFolders, BOOL matchCase,
                    const SelectAttributes& tests) {
  if (!patterns) return 0;
  std::string pattern(patterns);
  size_t first = pattern.find_first_not_of(' ');
  if (first == std::string::npos) return 0;
  pattern.erase(0, first);
  const FilePane& pane = FilePanes[ActivePaneIndex];
  HWND list = pane.list;
  if (!list) return 0;
  if (!matchCase) CharUpperBuffA(pattern.data(), static_cast<DWORD>(pattern.size()));
  bool patternHasDot = pattern.find('.') != std::string::npos;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SetCapture(GetParent(list));
  int changed = 0;
  int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record) continue;  // the up entry
    char name[MAX_PATH + 2] = "";
    if (pane.listKind == kListKindArchive || record->kind == kItemArchiveEntry) {
      ListView_GetItemText(list, i, 0, name, MAX_PATH);
    } else {
      // An item without a parsing name is passed over; the rest still take part.
      if (!record->folder || !record->pidl ||
          !GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, name) ||
          !name[0])
        continue;
      const char* slash = strrchr(name, '\\');
      if (slash) memmove(name, slash + 1, strlen(slash + 1) + 1);
    }
    if (patternHasDot && !strchr(name, '.')) strcat(name, ".");
    if (!matchCase) CharUpperBuffA(name, static_cast<DWORD>(strlen(name)));
    bool isFolder = (record->attributes & SFGAO_FILESYSTEM) && (record->attributes & SFGAO_FOLDER) &&
                    record->kind != kItemArchiveEntry;
    if (record->kind == kItemArchiveEntry) isFolder = (record->fileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && !includeFolders) continue;
    if (!MatchPatternList(pattern.c_str(), name)) continue;
    if (!PassesAttributeTests(record->fileAttributes, tests)) continue;
    UINT state = ListView_GetItemState(list, i, LVIS_SELECTED);
    UINT wanted = select ? LVIS_SELECTED : 0;
    if ((state & LVIS_SELECTED) != wanted) {
      ListView_SetItemState(list, i, wanted, LVIS_SELECTED);
      ++changed;
    }
  }
  ReleaseCapture();
  SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
  return changed;
}

namespace {

HWND FocusActiveList() {
  HWND list = FilePanes[ActivePaneIndex].list;
  if (list) SetFocus(list);
  return list;
}

}  // namespace

void RefillPaneList(int pane) {
  HWND tree = FilePanes[pane].tree;
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  if (!selected) return;
  int active = ActivePaneIndex;
  UINT navigating = g_navigatingHistory;
  g_navigatingHistory = 1;
  TreeView_SelectItem(tree, nullptr);
  TreeView_SelectItem(tree, selected);
  g_navigatingHistory = navigating;
  ActivePaneIndex = active;
}

namespace {
// The select dialog's choice applied to the active list.
void ApplySelectMask(const SelectMaskChoice& choice, void*) {
  // The boxes are read as they are labelled: 1049 hidden, 1050 system.
  SelectAttributes tests{choice.archive, choice.readOnly, choice.hidden, choice.system};
  SelectByPattern(choice.mask, choice.select, choice.includeFolders, choice.matchCase, tests);
}
}  // namespace

LRESULT ShowSelectDialog(HWND window, UINT, WPARAM, LPARAM) {
  if (!FilePanes[ActivePaneIndex].list) return 0;
  SelectMaskRequest request{};
  request.maskCombo = IDC_ACT_COMBO;
  request.selectButton = IDC_ACT_SELECT;
  request.deselectButton = IDC_ACT_DESELECT;
  request.archiveBox = IDC_ACT_ARCHIVE;
  request.readOnlyBox = IDC_ACT_READ_ONLY;
  request.hiddenBox = IDC_ACT_HIDDEN;
  request.systemBox = IDC_ACT_SYSTEM;
  request.includeFoldersBox = IDC_ACT_INCLUDE_FOLDERS;
  request.matchCaseBox = IDC_ACT_MATCH_CASE;
  request.historyName = "Select";
  request.helpContext = 22;
  request.apply = ApplySelectMask;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SELECT), window, SelectDlgProc,
                      reinterpret_cast<LPARAM>(&request)) == 1)
    FocusActiveList();
  return 0;
}

LRESULT ShowFiltersDialog(HWND window, UINT, WPARAM, LPARAM) {
  FileFilter& filter = GetLiveOptions().fileFilter;
  FileFilter edited = filter;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_FILTERS), window, FiltersDlgProc,
                      reinterpret_cast<LPARAM>(&edited)) != 1)
    return 0;
  filter = edited;
  SaveFileFilter();
  RefillPaneList(0);
  if (g_paneLayout.twoPanes) RefillPaneList(1);
  return 0;
}

LRESULT SelectAllItems(HWND, UINT, WPARAM, LPARAM) {
  HWND list = FocusActiveList();
  if (list) ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
  return 0;
}

LRESULT InvertSelection(HWND, UINT, WPARAM, LPARAM) {
  HWND list = FocusActiveList();
  if (!list) return 0;
  int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i) {
    UINT state = ListView_GetItemState(list, i, LVIS_SELECTED);
    ListView_SetItemState(list, i, (state & LVIS_SELECTED) ? 0 : LVIS_SELECTED, LVIS_SELECTED);
  }
  return 0;
}

namespace {

void MarkFocused(bool mark) {
  HWND list = FilePanes[ActivePaneIndex].list;
  if (!list || GetFocus() != list) return;
  int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
  if (focused < 0) return;
  bool selected = (ListView_GetItemState(list, focused, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  bool wanted;
  if (g_markingMode == 1) wanted = mark;
  else wanted = !(selected && ListView_GetSelectedCount(list) >= 2);
  ListView_SetItemState(list, focused, wanted ? LVIS_SELECTED : 0, LVIS_SELECTED);
  int count = ListView_GetItemCount(list);
  int next = focused + 1 < count ? focused + 1 : 0;
  ListView_SetItemState(list, focused, 0, LVIS_FOCUSED);
  ListView_SetItemState(list, next, LVIS_FOCUSED, LVIS_FOCUSED);
  ListView_EnsureVisible(list, next, FALSE);
}

}  // namespace

LRESULT MarkItems(HWND, UINT, WPARAM, LPARAM) {
  MarkFocused(true);
  return 0;
}

LRESULT UnmarkItems(HWND, UINT, WPARAM, LPARAM) {
  MarkFocused(false);
  return 0;
}
