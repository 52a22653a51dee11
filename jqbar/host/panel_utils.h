// Services every frame, container and panel of the toolbar uses: the program's globals, help,
// resource strings, message and dialog boxes that keep an auto-hidden frame shown, background
// painting through the frame, frame and taskbar queries, and the hooks of TASKSPY.DLL.
#pragma once
#include <windows.h>

namespace jqbar {

// Process-wide values of the toolbar program.
struct ToolbarGlobals {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  bool tooltips = true;         // layout flag, bit 0..7
  bool shiftForPopup = false;   // layout flag, bit 16
  bool noDropShadow = false;    // layout flag, bit 20
  bool layoutLoading = false;   // a layout is being built: containers do not store blobs
  bool isWindowsNT = false;
  HFONT captionFont = nullptr;
  int captionHeight = 0;
  HBRUSH halftoneBrush = nullptr;
  HPEN facePen = nullptr, shadowPen = nullptr, highlightPen = nullptr;
  HBITMAP captionGlyphs[5] = {};  // for commands 409, 410, 411, 412, 413
  HCURSOR helpCursor = nullptr;
};
ToolbarGlobals& Globals();

void OpenHelpTopic(HWND window, int topic);
void CloseHelp(HWND window);
// LoadString into one of four rotating 100-character buffers.
const char* LoadResString(UINT id);

HWND GetTopFrameWindow(HWND window);
// Keyboard mode: the pointer goes just inside the lower-right corner of a box of the panel
// (client coordinates), where it marks the panel without covering what it shows.
void ParkPointerInPanel(HWND panel, const RECT& box);
// The screen point at the middle of a panel, where Shift+F10 opens its menu.
POINT PanelCentreOnScreen(HWND panel);
bool IsRootContainer(HWND container);
// SetWindowPos flags for a window whose parent is not on the screen: no erasing at once (the
// first paint erases). Nothing can be seen to erase there, and asking for it costs Wine a round
// trip to its server per window.
UINT UnseenEraseFlags(HWND window);
// MoveWindow(window, x, y, width, height, TRUE), without the immediate erase while unseen.
void MoveChildWindow(HWND window, int x, int y, int width, int height);
bool IsInsideTaskbar(HWND window);
// The frame that owns dialogs: the first frame not inside the taskbar, else the first frame.
HWND GetOwnerFrameWindow();
int GetTaskbarEdge();

// Frames in auto-hide style stay shown while a modal box is open. The frames library supplies
// how a frame is revealed.
void SetModalRevealHandler(void (*reveal)(HWND frame));
void RevealFrameForModal(HWND window);
void EndFrameModal();
HWND ModalFrame();
int FrameMessageBox(HWND owner, const char* text, const char* caption, UINT type);
INT_PTR FrameDialogBox(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                       LPARAM parameter = 0);

void PaintParentBackground(HWND panel, const RECT* rect, HDC dc, bool flag);
void PaintParentBackgroundOffscreen(HWND panel, const RECT* rect, int x, int y, HDC dc, bool flag);
void DrawDragOutline(HWND window, const RECT* rect, HDC dc);

// TASKSPY.DLL: the keyboard hook (keys reach "Quorvanel Main" as PNM_HOOKKEY) and the task hook
// with the taskbar arrangement. Missing library or export: nothing happens.
bool LoadKeyboardHook();
void UnloadKeyboardHook();
int LoadTaskHook();
int CallArrangeTaskbar(int mode);
void UnloadTaskHook();

// ---- Pieces the built-in panels share ----------------------------------------------------------
// Registers a panel's window class: double clicks, one pointer of window extra, the arrow
// cursor, the light grey stock brush. True when registered now or already.
bool RegisterPanelClass(HINSTANCE instance, const char* className, WNDPROC procedure);
// A hidden top-level window of its own class (registered on first use): it receives what only
// top-level windows are sent (session end, broadcasts) on behalf of a panel type.
HWND CreateHiddenTopWindow(HINSTANCE instance, const char* className, WNDPROC procedure);
// A font of `points` points at the screen's resolution, normal weight; null when it fails.
HFONT CreatePointFont(int points, const char* face);
// A panel's property sheet for PNM_CREATEPAGE: the dialog `templateId` as a child of `parent`,
// placed at the point packed in `at` (signed halves). Null when it cannot be made.
HWND CreatePlacedSheet(UINT templateId, HWND parent, DLGPROC procedure, LPARAM parameter, LPARAM at);
// Adds the tab `index` with the text of string `textId` to a tab control.
void AddTabFromString(HWND tab, int index, UINT textId);
// Where a sheet's pages go: 5 pixels right of the tab control's left edge and 5 below its first
// item, in the sheet's client coordinates.
POINT SheetPageOrigin(HWND sheet, HWND tab);
// Keyboard mode of a panel that is a single target: the top frame takes the focus, the pointer
// marks the panel, and the panel is drawn again.
void EnterPanelKeyMode(HWND panel);
// The keyboard-mode messages of such a panel: PNM_KEYMODEON (EnterPanelKeyMode), PNM_KEYMODEOFF
// (drawn again) and PNM_KEY, where Shift+F10 calls `openMenu` with the panel's centre on the
// screen. True with the answer in *result when `message` was one of them.
bool HandlePanelKeyMode(HWND panel, UINT message, WPARAM wParam, bool& keyMode, void (*openMenu)(HWND panel, POINT screen),
                        LRESULT* result);

}  // namespace jqbar
