// The viewer pane: the focused file of a list shown without opening it in its program, through
// the two display libraries of the program folder: picshow.dll for pictures and SCCVW.DLL
// (window class "SCCVIEWER") for every other file, as text or hexadecimal. The pane docks
// below or right of the host's panes or floats as a top-level window; it has its own context
// menu (view as, arrange, options, find, copy, print) and opens the shown file for editing or
// in Quick View Plus when the registry names it. One pane per program.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Ids the pane uses: string ids of the host's string table, command ids of its menus.
enum : UINT {
  IDS_VIEWER_PICSHOW_MISSING = 45139,  // the picture library cannot be loaded
  IDS_VIEWER_SCCVW_MISSING = 42082,    // the document library cannot be loaded
  IDS_VIEWER_SCCVW_BROKEN = 45166,     // its window cannot be created
  IDS_VIEWER_CAPTION_NONE = 45179,     // the viewer label: no file shown
  IDS_VIEWER_CAPTION_FILE = 45180,     // the viewer label with %s (name and extension)
  IDS_VIEWER_OPTIONS_TIP = 45153,
  IDS_VIEWER_OPTIONS_MENU = 41054,
  IDS_VIEWER_VIEW_AS_MENU = 41052,
  IDS_VIEWER_ARRANGE_MENU = 45155,
  IDS_VIEWER_QUICK_VIEW_PLUS = 42077,
  IDS_VIEWER_CLOSE_PANE = 41025,
  // Texts of the other menu items: kViewerMenuTextBase + the item's index in kViewerMenuTexts.
  kViewerMenuTextBase = 45300,
};

enum : UINT {
  ID_VIEWER_NATIVE = 41019, ID_VIEWER_ANSI = 41020, ID_VIEWER_DOS = 41021, ID_VIEWER_HEX = 41022,
  ID_VIEWER_UNICODE = 41053, ID_VIEWER_EDIT = 41023, ID_VIEWER_QUICK_VIEW = 41024,
  ID_VIEWER_OPT_FONTS = 41055, ID_VIEWER_OPT_CLIPBOARD = 41056, ID_VIEWER_OPT_PRINT = 41057,
  ID_VIEWER_OPTIONS_BUTTON = 41058,
  ID_VIEWER_COPY = 40106, ID_VIEWER_FIND = 40109, ID_VIEWER_FIND_NEXT = 40110,
  ID_VIEWER_SELECT_ALL = 40111, ID_VIEWER_PRINT = 40112, ID_VIEWER_FIND_PREVIOUS = 40113,
  ID_VIEWER_TOGGLE = 40048, ID_VIEWER_BELOW = 40149, ID_VIEWER_RIGHT = 40150,
  ID_VIEWER_FLOAT = 40167, ID_VIEWER_ON_TOP = 40200,
  kViewerWindowId = 117,
};
// The ids whose texts come from kViewerMenuTextBase + index.
extern const UINT kViewerMenuTexts[];
extern const int kViewerMenuTextCount;

// What the host program gives the pane.
struct ViewerHost {
  HWND mainWindow = nullptr;
  HINSTANCE resources = nullptr;  // the string table and icons 63 and 66
  std::string libraryFolder;      // the folder of SCCVW.DLL and picshow.dll (empty: install folder)
  BOOL canFloat = TRUE;           // the file finder's pane never floats
  // The file the pane should show: the focused item of the active list (an archive entry
  // already extracted). FALSE when there is none or the list did not have the focus last.
  std::function<BOOL(std::string* path)> focusedItemPath;
  // Selects the focused item again (after the file was opened for editing).
  std::function<void()> reselectFocused;
  // The floating window's system menu Close.
  std::function<void()> closePane;
  // The host's option that the pane is on (null: the file manager's option).
  std::function<BOOL()> shownOnScreen;
};

// The pane's module state.
struct ViewerPaneState {
  ViewerHost host;
  HWND ViewerWindow = nullptr, DisplayWindow = nullptr;
  HWND ImageViewerWindow = nullptr, ActiveViewerWindow = nullptr, ImageViewWindow = nullptr;
  HWND ViewerOptionsButton = nullptr;
  char ViewedFile[MAX_PATH] = "";
  UINT ViewMode = ID_VIEWER_NATIVE;
  UINT ViewerDocking = 0;  // 0 below, 1 right, 2 floating
  char QuickViewPlusPath[MAX_PATH] = "";
  std::string quickViewArguments;  // the arguments of the Quick View command, %1 for the file
  BOOL quickViewPlusFound = FALSE, quickViewCommandFound = FALSE;
  UINT DoubleClickTime = 452;
  HMODULE documentLibrary = nullptr, pictureLibrary = nullptr;
  HWND (WINAPI* picInitialize)(HWND) = nullptr;
  HWND (WINAPI* picOpenFileForViewing)(const char*) = nullptr;
  void (WINAPI* picCloseCurrentFile)() = nullptr;
  BOOL (WINAPI* picIsRecognizedImageFile)(const char*) = nullptr;
  FARPROC picIsRecognizedImageType = nullptr, picCtxMenuDoConvert = nullptr, picDoCommand = nullptr;
  BOOL updatesSuspended = FALSE;
  DWORD lastPictureClick = 0;
};
extern ViewerPaneState g_viewerPane;

// Creates the document viewer (and the picture viewer when its library loads) as children of
// the host's main window; a failure shows its message once and leaves no pane (FALSE).
BOOL CreateViewerPane(const ViewerHost& host);
BOOL ViewerPaneExists();
// Shows the host's focused item (unless updates are suspended); the pane is cleared when there
// is none or it cannot be shown.
void ShowSelectionInViewer();
// Shows a file in an engine mode (0 native, 4000 ANSI, 4005 DOS, 4001 hexadecimal, 4003
// Unicode). TRUE when shown.
BOOL ViewFile(const char* path, UINT mode);
void ClearViewerPane();
void DestroyViewerPane();
// The host's option that the pane is on.
BOOL ViewerShownOnScreen();
// Shows or hides the active viewer window (hidden windows keep their file).
void ShowViewerWindows(BOOL show);
// Print Files and other commands that extract archive entries for themselves stop the pane from
// following the selection meanwhile.
void SuspendViewerUpdates(BOOL suspend);

// Message 2133 (the viewer's double click) and the picture's double click: edit or Quick View,
// by the double-click setting and Shift.
LRESULT OnViewerOpenRequest(const char* path);
BOOL OpenViewedFileForEditing(const char* path);
BOOL OpenWithQuickView(const char* path);
// Reads the registry for Quick View Plus, else the Quick View command.
void FindQuickViewPlus();
// The Quick View program and its parameters for a file (short path); FALSE when none is known.
BOOL BuildQuickViewCommand(const char* file, std::string* program, std::string* parameters);

// The context menu at a screen point (from a viewer window), and the commands of its items.
void ShowViewerContextMenu(HWND viewer, int x, int y);
void RunViewerCommand(UINT id);

// Docking: both viewer windows follow a change of the docking (0, 1, 2).
void SetViewerDocking(UINT docking);
void SetViewerDetached(HWND viewer, UINT previousDocking);
void LoadDetachedViewerPosition(HWND viewer);
void SaveDetachedViewerPosition(HWND viewer);
// The rectangle LoadDetachedViewerPosition uses for a stored one and the work area; *maximize
// when the stored rectangle is the whole work area.
RECT DetachedViewerRect(const RECT* stored, const RECT& workArea, BOOL* maximize);
void PlaceViewerOptionsButton(HWND viewer, HWND display);
