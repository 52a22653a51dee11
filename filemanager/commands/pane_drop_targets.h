// Drag and drop in the main window: the drop targets of the panes' file lists, the folder trees
// and the drive bar, and the drag source of the file lists with the data objects of archive and
// FTP panes, which make their items real files only when the drop has happened.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <commctrl.h>
#include <string>
#include <vector>

// What the drop targets know of a drag that began in a file list.
struct DragSourceState {
  int draggedIndex;             // list item under the cursor when the drag began; -1: no drag
  int sourcePane;               // 0 or 1
  LPITEMIDLIST singleItem;      // copy of the relative list when exactly one item is dragged
  IShellFolder* sourceFolder;   // the source pane's folder (not owned)
};
extern DragSourceState g_dragSource;

IDropTarget* CreateFileListDropTarget(HWND list);
IDropTarget* CreateFolderTreeDropTarget(HWND tree);
IDropTarget* CreateDriveBarDropTarget(HWND toolbar);
void ReleaseFileListDropTarget(IDropTarget* target);
void ReleaseFolderTreeDropTarget(IDropTarget* target);
void ReleaseDriveBarDropTarget(IDropTarget* target);

// Creates and registers the targets of both panes' lists and trees and of the drive bar (main
// window creation); revokes and releases them (main window destruction).
void RegisterMainWindowDropTargets();
void ReleaseMainWindowDropTargets();

// Timer id of a tree's hover expansion.
constexpr UINT_PTR kTreeHoverTimer = 111;

// ---- Drag source --------------------------------------------------------------------------
IDropSource* CreateDropSource();
// Wrappers of an archive pane's and an FTP pane's data object: the first GetData after both
// mouse buttons are up makes the selected items real files (through the materialiser given),
// once; a failure makes every later GetData answer E_INVALIDARG. The wrapper takes over the
// caller's reference of `inner`.
using DragMaterialiser = BOOL (*)(int pane, HWND list);
IDataObject* CreateArchiveDragDataObject(int pane, IDataObject* inner, DragMaterialiser extract);
IDataObject* CreateFtpDragDataObject(int pane, HWND list, IDataObject* inner, DragMaterialiser download);

// How the archive and FTP folders take part in drags from their panes. `dataOf` gives the data
// object of the pane's selection (null: the pane's items are not dragged); `materialise` makes
// the selected items files (extraction into the archive temp folder, or the FTP download); the
// FTP test tells whether a pane shows an FTP site. Until the archive and FTP code installs them,
// drags out of such panes do not start.
struct DragFolderHooks {
  IDataObject* (*archiveDataOf)(int pane);
  DragMaterialiser extractArchiveSelection;
  BOOL (*paneShowsFtp)(int pane);
  IDataObject* (*ftpDataOf)(int pane);
  DragMaterialiser downloadFtpSelection;
};
DragFolderHooks& GetDragFolderHooks();
// A data object that names files by path (CF_HDROP), with one reference for the caller.
IDataObject* CreatePathListDataObject(std::vector<std::string> paths);
// Drags out of a pane that shows a remote FTP folder: the data object names the selected
// entries in the drag folder (paths in the temporary folder), and the download after the drop
// puts them there.
BOOL PaneShowsFtpFolder(int pane);
IDataObject* FtpSelectionDragData(int pane);
BOOL DownloadFtpSelectionForDrag(int pane, HWND list);

// LVN_BEGINDRAG / LVN_BEGINRDRAG of a pane's list: runs the whole drag (DoDragDrop) and answers
// the effect (DROPEFFECT_NONE when no drag started or nothing was dropped).
DWORD BeginListDrag(HWND mainWindow, int pane, const NMLISTVIEW* info);

// ---- Launch bar ---------------------------------------------------------------------------
// What the launch bar's drop target needs of the bar: the button at an index (its command,
// start folder, parameters and show mode; false past the end) and the making of new buttons from
// dropped files. The launch bar installs both; until then drops on the bar do nothing.
struct LaunchDropButton {
  char command[MAX_PATH];
  char directory[MAX_PATH];
  char parameters[MAX_PATH];
  int show;
};
struct LaunchBarDropHooks {
  bool (*buttonAt)(int index, LaunchDropButton* out);
  BOOL (*addDropped)(IDataObject* data);
};
LaunchBarDropHooks& GetLaunchBarDropHooks();
// The bar's target; the bar registers it at each (re)creation and releases it after revoking.
IDropTarget* CreateLaunchBarDropTarget(HWND toolbar);
void ReleaseLaunchBarDropTarget(IDropTarget* target);
