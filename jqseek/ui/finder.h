// JQSeek's windows: the main window, the criteria panel and the result list, and the program
// state they share. Everything here runs on the user-interface thread.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <string>
#include <vector>

#include "finder_settings.h"
#include "finder_store.h"
#include "search_matcher.h"
#include "select_mask_dialog.h"

struct FinderState {
  HINSTANCE instance = nullptr;
  HWND main = nullptr, panel = nullptr, list = nullptr, toolbar = nullptr, status = nullptr;
  HWND pages[4] = {};
  int currentPage = 0;
  HACCEL accelerators = nullptr;

  FinderStore store;
  FinderSettings settings{};
  std::vector<FileTypeEntry> types;
  // The record of the running or last search, and the texts it points to.
  SearchRecord record;
  char masks[MAX_PATH] = {}, path[MAX_PATH] = {}, text[MAX_PATH] = {};

  bool searchRunning = false, listShown = false, windowReady = false, listHasFocus = false;
  bool helpOpened = false, columnsMade = false;
  uint32_t foundCount = 0, shownCount = UINT32_MAX;
  std::vector<int> driveOfTreeItem;  // drive index (0 = A) per drive-tree item, in order
  HIMAGELIST driveChecks = nullptr;
  HICON idleIcon = nullptr, frames[5] = {};
  int frame = 0;
};
extern FinderState g_finder;

// The main window (finder_app.cpp).
int RunFinder(HINSTANCE instance, const char* commandLine, int show);
// RunFinder in three steps, for a caller with its own message loop: the window with the
// command line applied; the program's keyboard handling of one message (true: handled); the
// clean-up after the window is gone.
bool StartFinder(HINSTANCE instance, const char* commandLine, int show);
bool TranslateFinderMessage(MSG* msg);
void EndFinder();
ATOM RegisterFinderClass(HINSTANCE instance);
HWND CreateFinderWindow(int show);
void ApplyFinderCommandLine(const char* commandLine);
void LayoutFinderWindow();
void FitWindowToPanel(bool grow);
void ShowResultList();
void HideResultList();
void UpdateFinderControls();
void UpdateStatusCounts();
std::string FinderString(UINT id);

// The criteria panel (criteria_panel.cpp).
HWND CreateCriteriaPanel(HWND main);
void LoadCriteriaControls(bool withDates);
void StoreCriteriaControls();
void RefreshCriteriaPanel();
void BuildSearchRecord();
void UpdatePanelButtons();
void SelectCriteriaPage(int page);
// A search's end, reported by the worker.
void SearchFinished();

// The result list (result_list.cpp).
HWND CreateResultList(HWND parent, UINT viewCommand);
void SetResultView(UINT viewCommand);
void AddResultItem(const char* path, const WIN32_FIND_DATAA& data);
// A search's matches, added to the list. They are copied at once and go into the list when the
// window's thread is free (the main window's message WM_FINDER_ADD_FOUND calls
// AddPendingResults), so that the worker walks on meanwhile; the end of the search adds the rest
// first. The list is not drawn while they come in: turning its drawing on again costs it a full
// layout and repaint, far more than adding items, so that happens while the first page fills,
// then at most every kResultRefreshMs (the main window's timer kResultRefreshTimer calls
// ShowFoundResults), and when the search ends.
struct SearchFoundItem;
void AddFoundResults(const SearchFoundItem* items, size_t count);
// Puts up to limit of the waiting matches into the list.
void AddPendingResults(size_t limit);
// Draws what was added since the list was last drawn.
void ShowFoundResults();
constexpr UINT WM_FINDER_ADD_FOUND = WM_APP + 1;
// Items the list takes per WM_FINDER_ADD_FOUND, so that the worker's next report is not kept
// waiting long.
constexpr size_t kPendingChunkItems = 1024;
constexpr UINT_PTR kResultRefreshTimer = 2;
constexpr UINT kResultRefreshMs = 1000;
void ClearResults();
std::vector<std::string> SelectedResultPaths();
LRESULT HandleResultNotify(NMHDR* header);
void SortResults();
void RefreshResultItems(bool selectedOnly);
void RefineResultList();
void ChangeResultSelection(int mode);  // 0 none, 1 all, 2 invert
// Selects or deselects the items whose name matches the mask (letter case aside; empty: all)
// and whose attributes pass the choice's tests; the others keep their state.
void SelectResultsByMask(const SelectMaskChoice& choice);
int SelectedResultCount(uint64_t* bytes);
uint64_t ResultTotalBytes();
int ResultCount();
// The list's lines as the clipboard, the files and the printer take them.
std::string FixedWidthLine(int index);
std::string CommaSeparatedLine(int index);
bool CopyResultListToClipboard();
bool SaveResultList(const char* path, bool csv);
void RenameFocusedResult();
void DeleteSelectedResults(bool recycle);
void OpenSelectedResults();
// The shell's context menu of the selection at a screen point; false (no menu) when the
// selection is empty or lies on more than one drive.
bool ShowResultContextMenu(POINT screen);
// The shell's "cut", "copy" or "properties" verb on the selection.
bool InvokeResultVerb(const char* verb);
// Starts the file manager on the focused found file's folder.
bool OpenFocusedFolderInFileManager();
// The text of one column of an item (as the list and the exports show it).
std::string ResultColumnText(int item, int column);
// Name with extension as the list shows it: a name without lower-case letters keeps its first
// letter and lower-cases the rest.
std::string DisplayName(const char* name);
// Whether a new name typed in the list can be a file's name in its folder.
bool IsPlainFileName(const char* name);
// The path and attributes of an item as found; false for a bad index.
bool ResultPathAndAttributes(int index, std::string* path, uint32_t* attributes);

// The owner-drawn Send To menu's command ids in the context menu.
constexpr UINT kFinderSendToFirst = 13500, kFinderSendToLast = 13549;

// File actions (result_actions.cpp). Copy (2) or move (1) the selection to a folder asked with
// the Copy/Move To dialog; true when the shell did it.
bool CopyOrMoveSelectedResults(UINT mode);
// The selected files as attachments of a new mail; a selected folder is refused with a message.
bool MailSelectedResults();
// The Print Files dialog, then each selected file printed by its program; how many were handed on.
int PrintSelectedFiles();
// The list on the printer (all items or the selection, as the print dialog says); 1 when printed.
int PrintResultList();
void ShowFinderAbout();
// WinHelp on the suite's help file (context 0: the contents).
void ShowFinderHelp(UINT context);

// The viewer pane below the list (finder_viewer.cpp).
void ToggleFinderViewer();
void ShowFocusedInViewer();
bool FinderViewerShown();
// The viewer's rectangle in the main window's client area, and the splitter's gap above it.
void PlaceFinderViewer(HDWP* batch, int left, int top, int width, int height);
// File actions release the shown file while they work: true when the viewer was shown.
bool CloseViewerWhileWorking();
void ReopenViewerAfterWork(bool wasShown);
void DestroyFinderViewer();
