// SCCVW.DLL: the document viewer behind JQNavig's viewer pane. Loading the library registers
// the window classes "SCCVIEWER" (the frame a program creates as a child of its own) and
// "SCCDISPLAY" (the scrolling display the frame creates inside itself).
//
// How a file and its mode are passed (our definition):
//   SCCVW_VIEWFILE   wParam = engine mode, lParam = const char* path (ANSI, at most MAX_PATH-1).
//   Returns SCCVW_OK when shown, SCCVW_ERR_OPEN when the file cannot be opened or read,
//   SCCVW_ERR_NOTFILE for an empty name or a folder.
// Engine modes: 0 native (pictures aside, text with its encoding detected from the marks
// EF BB BF, FF FE and FE FF, or from valid UTF-8; binary content as hexadecimal), 4000 text in
// the ANSI code page, 4005 text in the OEM (DOS) code page, 4001 hexadecimal, 4003 Unicode
// (UTF-16LE without a mark).
#pragma once
#include <windows.h>

#define SCCVW_VIEWER_CLASS "SCCVIEWER"
#define SCCVW_DISPLAY_CLASS "SCCDISPLAY"

// Messages to the "SCCVIEWER" window.
#define SCCVW_VIEWFILE 2076
#define SCCVW_CLOSEFILE 2025
#define SCCVW_COPY 2028
#define SCCVW_FINDAGAIN 2042      // wParam 1 next, 2 previous; returns 1 when found
#define SCCVW_PRINT 2049          // lParam: a printer DC to print on, or 0 for the print dialog
#define SCCVW_SELECTALL 2052
#define SCCVW_FIND 2055           // lParam: const wchar_t* text to find next, or 0 for the dialog
#define SCCVW_OPTIONS 2082        // wParam 539293 fonts and display, 539298 clipboard, 539290 print
// Sent to the viewer's parent on a double click on the document; lParam = SCCVW_OPENREQUEST*.
#define SCCVW_NOTIFY_OPEN 2133

// Queries of ours (not used by the file manager): the shown document's state.
#define SCCVW_GETSELECTION 2090   // wParam DWORD* start, lParam DWORD* end (characters)
#define SCCVW_GETFORMAT 2091      // returns an SCCVW_FORMAT_* value, 0 when nothing is shown
#define SCCVW_GETTOPLINE 2092     // returns the first visible line

#define SCCVW_OK 0
#define SCCVW_ERR_OPEN 4
#define SCCVW_ERR_NOTFILE 19

#define SCCVW_FORMAT_ANSI 1
#define SCCVW_FORMAT_OEM 2
#define SCCVW_FORMAT_UTF8 3
#define SCCVW_FORMAT_UTF16LE 4
#define SCCVW_FORMAT_UTF16BE 5
#define SCCVW_FORMAT_HEX 6

#define SCCVW_MODE_NATIVE 0
#define SCCVW_MODE_ANSI 4000
#define SCCVW_MODE_HEX 4001
#define SCCVW_MODE_UNICODE 4003
#define SCCVW_MODE_DOS 4005

// The record of SCCVW_NOTIFY_OPEN: the file's path is the fourth field.
typedef struct SCCVW_OPENREQUEST {
  DWORD size;
  HWND viewer;
  DWORD mode;
  char path[MAX_PATH];
} SCCVW_OPENREQUEST;

// The window text of "SCCDISPLAY" (WM_GETTEXTLENGTH / WM_GETTEXT, wide form) is the document
// as displayed: lines joined by "\r\n".
