// The top of the size tree (the root, one node per drive), the bracket that switches the
// sibling zip-folder layer off during scans, the Recycle Bin's command and small helpers.
#pragma once
#include <windows.h>
#include <cstdint>
#include "folder_node.h"

// (Re)builds the root and the drive nodes from the drives present (or only the start folder's
// drive and folders when one was given), starts the scans the settings ask for and retires
// drives that went away. GUI thread. 1, or 0 without a valid root.
int EnumerateDriveNodes();
// One drive ("C:\"); 0 when excluded or the path cannot be used. notSeen may be 0.
DriveNode* EnsureDriveNode(const char* rootPath, NodeList* notSeen);
// The folder node of a path below an existing drive node, made (calcState 0) level by level
// as needed; 0 when the path has no drive node or a component does not exist.
FolderNode* EnsureFolderNodeByPath(const char* path);
FolderNode* FindRootNode(LPCITEMIDLIST idList);
// The 3000 ms one-shot timer after WM_DEVICECHANGE; the main window arms it.
void CALLBACK DriveRefreshTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

// Zip-folder layer bracket. Suspend returns a token (0 when the layer's window does not exist);
// Resume acts only on a token that Suspend returned, so the bracket stays balanced when the
// window comes or goes in between.
int SuspendZipLayer();
int ResumeZipLayer(int token);
void OpenZipLayerFlagFile(BOOL starting);  // "C:\FQOFFXX" at start, "C:\FQONXXX" at exit
void RestoreZipLayerAtExit();              // gives the layer its saved state if still held
constexpr UINT kZipLayerGetState = 3126;
constexpr UINT kZipLayerSetState = 3124;
constexpr const char* kZipLayerClass = "FqzMainClass";

BOOL InvokeRecycleBinCommand(HWND owner);

// Helpers.
void ProperCaseName(char* text);
void PathWithBreaks(const char* source, char* target);  // target: 2 x 260 + 1 characters
BOOL FormatDateText(const FILETIME& time, char* out);   // out: 31 characters
const char* LoadRotatingString(UINT id);                // 4 thread-local buffers used in turn
char* LoadStringReplacing(UINT id, char from, char to, char* buffer);  // buffer: 201
int PathPrefix(const char* path, int count, char* out);  // out: MAX_PATH
void CenterOnOwner(HWND dialog);
