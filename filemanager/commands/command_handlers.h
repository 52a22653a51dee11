// The handlers of the main window's commands and private messages. Each takes the main
// window's four message arguments and its result is the window procedure's result. The command
// table (command_table.cpp) routes every WM_COMMAND id to one of these.
// Handlers of areas the program does not have are defined in pending_handlers.cpp, where they
// refuse the command with a beep.
#pragma once
#include <windows.h>
#include "command_basics.h"

// Views, sorting, bars, panes and navigation.
JQ_COMMAND_HANDLER(SetViewMode);
JQ_COMMAND_HANDLER(ArrangeItems);
JQ_COMMAND_HANDLER(ToggleToolbar);
JQ_COMMAND_HANDLER(ToggleStatusBar);
JQ_COMMAND_HANDLER(ToggleDriveBar);
JQ_COMMAND_HANDLER(ToggleLaunchBar);
JQ_COMMAND_HANDLER(ToggleCommandLineBar);
JQ_COMMAND_HANDLER(ToggleViewerPane);
JQ_COMMAND_HANDLER(ToggleFolderList);
JQ_COMMAND_HANDLER(RebuildFolderTrees);
JQ_COMMAND_HANDLER(RefreshView);
JQ_COMMAND_HANDLER(GoUpOneLevel);
JQ_COMMAND_HANDLER(GoBackOrForward);
JQ_COMMAND_HANDLER(CycleFocus);
JQ_COMMAND_HANDLER(CloseMainWindow);
JQ_COMMAND_HANDLER(SetPaneLayoutCommand);
JQ_COMMAND_HANDLER(SwapPanes);
JQ_COMMAND_HANDLER(ShowGoToDriveDialog);
JQ_COMMAND_HANDLER(ShowGoToFolderDialog);
JQ_COMMAND_HANDLER(ShowAllFilesOnDrive);
JQ_COMMAND_HANDLER(ShowFiltersDialog);
JQ_COMMAND_HANDLER(ShowSelectDialog);
JQ_COMMAND_HANDLER(SelectAllItems);
JQ_COMMAND_HANDLER(InvertSelection);
JQ_COMMAND_HANDLER(MarkItems);
JQ_COMMAND_HANDLER(UnmarkItems);
JQ_COMMAND_HANDLER(DropDownAddressCombo);
JQ_COMMAND_HANDLER(ChooseListFont);
JQ_COMMAND_HANDLER(ToggleRealNames);
JQ_COMMAND_HANDLER(ToggleGenericIcons);
JQ_COMMAND_HANDLER(SelectFtpRootInTree);

// File commands on the selection.
JQ_COMMAND_HANDLER(CutSelection);
JQ_COMMAND_HANDLER(CopySelection);
JQ_COMMAND_HANDLER(PasteIntoFolder);
JQ_COMMAND_HANDLER(UndoLastOperation);
JQ_COMMAND_HANDLER(CreateNewShortcut);
JQ_COMMAND_HANDLER(DeleteSelection);
JQ_COMMAND_HANDLER(RecycleSelection);
JQ_COMMAND_HANDLER(RenameSelection);
JQ_COMMAND_HANDLER(GroupRenameSelection);
JQ_COMMAND_HANDLER(ShowSelectionProperties);
JQ_COMMAND_HANDLER(MoveSelectionTo);
JQ_COMMAND_HANDLER(CopySelectionTo);
JQ_COMMAND_HANDLER(ShowCreateFolderDialog);
JQ_COMMAND_HANDLER(OpenSelection);
JQ_COMMAND_HANDLER(OpenWithDialog);
JQ_COMMAND_HANDLER(EditSelectedFile);
JQ_COMMAND_HANDLER(ShowContextMenuForFocus);
JQ_COMMAND_HANDLER(ShowSetDateTimeDialog);
JQ_COMMAND_HANDLER(SendSelectionByMail);
JQ_COMMAND_HANDLER(PrintFileList);
JQ_COMMAND_HANDLER(PrintSelectedFiles);
JQ_COMMAND_HANDLER(PrintFolderTree);
// 40148 with copyPaths 1, 40164 with 0.
LRESULT CopyNamesAsText(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int copyPaths);

// Other programs, shell tools and the system.
JQ_COMMAND_HANDLER(ShowAboutBox);
JQ_COMMAND_HANDLER(RunShellExtTool);
JQ_COMMAND_HANDLER(RunPreferences);
JQ_COMMAND_HANDLER(CustomizeToolbar);
JQ_COMMAND_HANDLER(CustomizeLaunchBar);
JQ_COMMAND_HANDLER(FindFilesWithShell);
JQ_COMMAND_HANDLER(FindComputer);
JQ_COMMAND_HANDLER(StartFileFinder);
JQ_COMMAND_HANDLER(MapNetworkDrive);
JQ_COMMAND_HANDLER(DisconnectNetworkDrive);
JQ_COMMAND_HANDLER(OpenStartMenuFolder);
JQ_COMMAND_HANDLER(OpenNewWindow);
JQ_COMMAND_HANDLER(ArrangeProgramWindows);
JQ_COMMAND_HANDLER(CloseProgramWindows);
JQ_COMMAND_HANDLER(OpenCommandPrompt);
JQ_COMMAND_HANDLER(ShowRunDialog);
JQ_COMMAND_HANDLER(EmptyRecycleBinCommand);
JQ_COMMAND_HANDLER(ShowRecycleBinProperties);
JQ_COMMAND_HANDLER(OpenAddRemovePrograms);
JQ_COMMAND_HANDLER(CreateStartupDisk);
JQ_COMMAND_HANDLER(RunUpdateProgram);
JQ_COMMAND_HANDLER(OpenWebPage);
JQ_COMMAND_HANDLER(SynchronizeFolders);
JQ_COMMAND_HANDLER(CompareFolders);
JQ_COMMAND_HANDLER(ToggleSaveSettingsOnExit);
JQ_COMMAND_HANDLER(SaveSettingsNow);

// Favorites, Start menu, launch bar, Shell New, drive bar.
JQ_COMMAND_HANDLER(AddCurrentFolderToFavorites);
// The menu bar's Favorites popup (its first item "Add"): the favorites appended after its
// separator, once and again whenever the Favorites folder has changed. False for other popups.
bool FillMenuBarFavorites(HMENU popup);
JQ_COMMAND_HANDLER(AddNewFavorite);
JQ_COMMAND_HANDLER(OpenFavoritesFolder);
JQ_COMMAND_HANDLER(ShowFavoritesDropDownMenu);
JQ_COMMAND_HANDLER(ShowStartMenuDropDownMenu);
JQ_COMMAND_HANDLER(OpenToolbarFavorite);
JQ_COMMAND_HANDLER(OpenFavoritesMenuItem);
JQ_COMMAND_HANDLER(RunLaunchButton);
// id: a drive-bar command (48000 + 3n) or 0; letter: the drive when id is 0.
LRESULT OpenDriveFromBar(HWND window, UINT id, char letter);
LRESULT CreateShellNewItem(HWND window, UINT id);

// Viewer pane.
JQ_COMMAND_HANDLER(SetViewerPlacement);
LRESULT SetViewerAlwaysOnTop(HWND window, int onTop);
JQ_COMMAND_HANDLER(FocusViewerPane);
JQ_COMMAND_HANDLER(ShowViewerContextMenu);
JQ_COMMAND_HANDLER(OnViewerRefreshRequest);
JQ_COMMAND_HANDLER(OnViewerOpenRequest);
// WM_USER+104: the viewer pane, when shown, releases the file it shows.
JQ_COMMAND_HANDLER(ClearViewerPane);
// The viewer pane's windows, made when the pane is first shown and destroyed with the main window.
BOOL CreateMainViewerPane(HWND window);
// While a command extracts archive entries for its own use, the viewer does not follow the list.
void SuspendViewerUpdates(bool suspended);
// An archive entry of the active pane (its stored name) extracted into the archive temporary
// folder; `path` (MAX_PATH) receives the copy's path. FALSE when it cannot be extracted.
BOOL ExtractArchiveEntryCopy(const char* entryPath, char* path);
void DestroyMainViewerPane();

// Archives, encryption, FTP.
JQ_COMMAND_HANDLER(DoZipTo);
JQ_COMMAND_HANDLER(DoUnZip);
JQ_COMMAND_HANDLER(DoAddToZip);
JQ_COMMAND_HANDLER(DoUUEncode);
JQ_COMMAND_HANDLER(DoWipeFiles);
JQ_COMMAND_HANDLER(DoEncryptDecrypt);
JQ_COMMAND_HANDLER(RunFtpSiteCommand);
JQ_COMMAND_HANDLER(ShowFtpDropDownMenu);
// Downloads the selected items of the pane's FTP list into a local folder (drag and drop, copy);
// 1 when the files are there.
int DownloadFtpSelection(int pane, HWND list, const char* localFolder);
JQ_COMMAND_HANDLER(OnArcExtractProgress);

// Private messages.
JQ_COMMAND_HANDLER(OnInstanceAnnounce);      // WM_USER+101
JQ_COMMAND_HANDLER(RebuildDriveBarMessage);  // WM_USER+102: clear and rebuild the drive bar
JQ_COMMAND_HANDLER(OfferCommonControlsUpdate);  // WM_USER+107

