// The configuration dialog: the available panel types beside the tree of the current layout,
// edited with Add, Delete, Cut, Copy, Paste, Rename and drag and drop, every change recorded
// on the layout undo stack; Cancel puts the layout back as it was when the dialog opened.
// The dialog is modeless and has no owner.
#pragma once
#include <windows.h>

#include "panel_tree.h"

namespace jqbar {

// 2 when the dialog is open already (the node's item is then selected), else 1 (0 when the
// dialog cannot be made).
int OpenConfigDialog(HWND frame, PanelNode* select);
// For the message loop: 0 when the dialog is not open, 1 when it took the message, else what
// the hosted property page made of it.
int IsModelessDialogMessage(MSG* msg);
bool TranslateConfigAccelerator(MSG* msg);
void CloseConfigDialog();
void EnableConfigDialog(bool enable);
bool IsConfigDialogOpen();
HWND GetConfigDialog();
void DeleteSelectedPanel();
void RefreshPanelCaption(HWND panel);
void RetitleConfigDialog();
void UpdateUndoButton();
// The property page shown in the dialog (0 when none).
HWND ConfigDialogPage();
// The configuration node whose item is selected.
PanelNode* ConfigDialogSelection();
// Selects a node's item in the configuration tree (as a click would).
bool SelectConfigNode(PanelNode* node);
// Selects an available type by its type name.
bool SelectAvailableType(const char* typeName);

// A layout loaded from outside the dialog (a second start, the wizard): the dialog lets go of
// the current tree before, and lists the new one after.
void BeginOutsideLayoutLoad();
void EndOutsideLayoutLoad();

// What the dialog needs of the program above it: the tray icon follows "NoTrayIcon".
void SetTrayIconHandler(void (*apply)(bool wanted));

// Installs the dialog and the property sheet as the frames' and containers' handlers.
void InstallConfigHandlers();

}  // namespace jqbar
