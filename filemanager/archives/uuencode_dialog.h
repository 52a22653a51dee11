// UUEncode (dialog 207) around the zip engine's encoder, and the tools of jqshext.dll run on
// the current selection.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <cstdint>

// The file to encode.
extern char g_uuencodeFile[MAX_PATH];
void DoUUEncodeCommand(HWND window);
INT_PTR CALLBACK UUEncodeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The split size in bytes the dialog passes (0 when splitting is off).
uint32_t UUEncodeSplitBytes(bool split, uint32_t kilobytes);
// The selection as a shell data object (the archive file itself in an archive pane); 1 when one
// was asked for.
int MakeSelectionDataObject(IDataObject** out, UINT command);
// Loads jqshext.dll for one tool command, runs the tool on the selection and frees it again.
void RunShellExtToolCommand(HWND window, UINT command);
