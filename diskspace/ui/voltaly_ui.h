// Voltaly's main window, size tree pane, find and tag, settings sheets and folder picker: the
// user-interface side of the disk-space program. The engine (scan threads, change feed, drive
// list) reaches the tree controls only through the functions declared here, from any thread;
// they use sent messages where a window of the GUI thread is involved.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <atomic>
#include <cstdint>
#include "folder_picker.h"

struct FolderNode;
struct DriveNode;
struct HostedFilePane;
struct ColumnRecord;

// ---------------------------------------------------------------------------------------------
// Main window (class "Voltaline_Class")

// Run-time state of the main window. Written on the GUI thread; the flags marked atomic are read
// by worker threads too.
// The flags that the engine reads too (shutdown, NT, start folder given, ...) are the engine's
// program-wide values (folder_node.h); g_mainWindow is set together with mainWindow.
struct VoltalineWindowState {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  HWND toolbar = nullptr;       // id 107
  HWND statusBar = nullptr;     // id 40961
  HWND tabStrip = nullptr;      // id 10002
  HWND paneDialog = nullptr;    // dialog 101
  HWND header = nullptr;        // id 123
  HWND mainTree = nullptr;      // control 1000 of the pane dialog
  HWND searchTree = nullptr;    // control 1001 (find results)
  HWND mainSizeList = nullptr;  // the size list inside the main tree (id 10001)
  HWND searchSizeList = nullptr;
  HWND currentTree = nullptr;   // mainTree or searchTree
  HWND currentSizeList = nullptr;
  HWND lastFocusDialog = nullptr;  // the pane dialog that had the focus last (dialog keys)
  FolderNode* currentNode = nullptr;
  HostedFilePane* filePane = nullptr;
  HWND fileView = nullptr;
  bool filePaneActive = false;
  int toolbarHeight = 0, statusHeight = 0, headerHeight = 0, tabHeight = 0;
  int splitterHeight = 3;
  float filePaneShare = 0.3f;
  UINT timerCounter = 0;
  char title[101] = {};
  bool helpOpened = false;
  IMalloc* allocator = nullptr;
  IShellFolder* desktop = nullptr;
};
extern VoltalineWindowState g_voltaly;

// Messages of the main window.
constexpr UINT kMsgShowFindResults = WM_USER + 95;   // 1119
constexpr UINT kMsgFilePaneActivated = WM_USER + 110;  // 1134

int VoltalineWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
// The steps of WinMain before its message loop (start folder, engine, settings, window, drives,
// start folder selected) and after it; tests drive the window between the two.
HWND CreateVoltalyMainWindow(HINSTANCE instance, const char* commandLine, int show);
void EndVoltalyRun();
// The find-results view is the current one.
void SetFindViewShown(bool shown);
bool IsFindViewShown();
LRESULT CALLBACK VoltalineWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void UpdateMenuAndToolbar(FolderNode* node, HMENU menu);
void UpdateTreeStatusBar(FolderNode* node);
void RelayoutWindow(HWND window);
void ShowHelpTopic(HWND window, UINT topic);
void TraceMessage(int level, const char* text);  // a sink that does nothing
void SetStatusText(const char* text, int part);
void ShowFolderInFilePane(FolderNode* node);
// Puts the program's own menu (101) back when the file view had merged its menus in.
void ReloadMainMenu();
// Checks the system (Windows 9x or NT 4 and later); sets g_isNT / g_isOSR2.
BOOL CheckOsVersion();
// The main window's size from a stored rectangle and the maximised size (64-bit clean ints).
void ComputeStartWindowRect(const int32_t stored[4], int maxWidth, int maxHeight, int screenWidth,
                            int screenHeight, RECT* out, bool* useDefaultPosition);

// ---------------------------------------------------------------------------------------------
// Size tree pane (dialog 101) and columns

INT_PTR CALLBACK TreePaneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FolderTreeSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
LRESULT CALLBACK SizeListSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

// Inserts an item (text, images, the node as parameter); beeps and returns 0 when refused.
// May be called from any thread (the insertion is a sent message).
HTREEITEM InsertTreeItem(HWND tree, HTREEITEM parent, const char* text, HTREEITEM after, int image,
                         int openImage, FolderNode* node);
FolderNode* GetItemNode(HWND tree, HTREEITEM item);
BOOL IsItemExpanded(HWND tree, HTREEITEM item);

struct TreeWalk {
  HWND tree = nullptr;
  bool intoCollapsed = false;   // descend into collapsed items too
  bool callBefore = true;       // call back before the children (else after)
  std::atomic<bool>* stop = nullptr;
  void* context = nullptr;
  void (*callback)(TreeWalk* walk, int depth, HTREEITEM item) = nullptr;
};
void WalkTreeItems(TreeWalk* walk, HTREEITEM item, int depth);

HTREEITEM FindTreeItemByPath(HWND tree, const char* path, HTREEITEM start, BOOL select, BOOL expand);
HTREEITEM FindNodeByIdList(HWND tree, HTREEITEM start, LPCITEMIDLIST idList, const char* path);
void SelectFolder(FolderNode* node);
void SelectStartFolder(const char* path, BOOL select);
// Re-sorts the children of `item` (recursively where expanded) and repaints; any thread.
void RebuildTreeView(HTREEITEM item);
// Repaints the size row of a node in whichever list shows it; any thread.
void RepaintNodeRow(FolderNode* node);
void RepaintAllRows();
// Aligns the size list's top row with the tree's first visible item; any thread.
void SyncListBoxTop();
void ScanDiskCommand(HWND owner);
INT_PTR CALLBACK ScanDiskDlgProc(HWND, UINT, WPARAM, LPARAM);
BOOL ExpandTreeItem(HWND tree, HTREEITEM item);
BOOL CollapseTreeItem(HWND tree, HTREEITEM item);
// Recreates the bar brushes from the settings' colours (after the colour page applied).
void RecreateSizePaneBrushes();
// Recomputes every column's width and rebuilds the header items.
void RebuildHeaderLayout();
// Writes every column's persisted state (end of a run).
void SaveColumnStates();

// The column set (name column + up to 10 size columns).
int GetColumnCount();
ColumnRecord* GetColumn(int index);   // in display order, 0 = name column
ColumnRecord* GetSortColumn();
int GetSortColumnIndex();

// Formats a node's value for a column as the size pane shows it ("---" for a node never
// computed; a leading blank when final, ">" while counting). Used by export too.
// Returns false for a column without a value for this node.
bool FormatColumnValue(const ColumnRecord* column, FolderNode* node, char* out, int size);
// Paints the size columns of one row (the printer scales the widths).
void PaintSizeRow(HWND tree, FolderNode* node, HDC dc, const RECT* row, double scale);

// ---------------------------------------------------------------------------------------------
// Find and tag folders

struct FolderCriteria;     // the 32-byte stored record (settings_store.h)
struct CriteriaTargets {
  char patterns[260] = {};   // upper case, separated by ';'
  ColumnRecord* column = nullptr;
  FILETIME reference = {};
  // Sizes compared: 1 allocated, 0 reported, -1 as the settings say now (GUI thread only; a
  // search thread gets the settings' choice copied here when it starts).
  int8_t sizeOnDisk = -1;
};
int MatchesCriteria(const FolderCriteria* criteria, const CriteriaTargets* targets, FolderNode* node);
// The value MatchesCriteria compares for a column kind (−1 when unknown or unfinished);
// sizeOnDisk as in CriteriaTargets.
double CriterionValue(uint32_t typeId, FolderNode* node, int sizeOnDisk = -1);
// "*.TMP; CACHE?" style lists against an upper-cased name.
bool MatchPatternList(const char* patterns, const char* upperName);
void ShowFindFolder();
void ShowTagFolders(HWND owner);
void ShowFindResults();
void ShowNormalView();
bool IsTagActive();
void SetTagActive(bool active);
extern CriteriaTargets g_tagTargets;

// ---------------------------------------------------------------------------------------------
// Settings sheets and the control-state language

void SetDialogControls(HWND dialog, const char* format, ...);
void ShowSettingsSheet(HWND owner);
void ShowFolderDetailsSheet(HWND owner, int start);
// The drive trees of the Settings sheet's pages 108 and 111 (check states of bitmap 117).
void FillDriveTree(HWND dialog, int treeId, const uint32_t classes[4], uint32_t mask);
void ReadDriveMask(HWND dialog, int treeId, uint32_t* mask);
void ShowDriveLetters(HWND dialog, int treeId);
void SetDriveClassChecks(HWND dialog, int treeId, int driveClass, bool checked);
void UpdateDriveClassBoxes(HWND dialog, int treeId);
