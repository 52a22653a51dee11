// Printing a picture of the whole screen on one page: the screen is read into a packed DIB
// (movable global memory, with the system palette on palette displays) and printed across the
// page width with the screen's proportions kept.
#pragma once
#include <windows.h>

#include <cstdint>

namespace jqbar {

// Colour count, colour-table size and the pixel bits of a packed DIB (info or core header).
int GetDibColorCount(const void* dib);
int GetDibPaletteSize(const void* dib);
const std::uint8_t* FindDibBits(const void* dib);

// Page rectangle for a picture: the full page width, the height that keeps the picture's
// proportions on the printer's pixel grid. Computed in 64 bits.
RECT ComputePrintRectFor(int horzRes, int logPixelsX, int logPixelsY, int dibWidth, int dibHeight);
RECT ComputePrintRect(HDC printer, int dibWidth, int dibHeight);

HBITMAP CaptureScreenRect(const RECT& rect);
HPALETTE CopySystemPalette();
HGLOBAL ConvertBitmapToDib(HBITMAP bitmap, HPALETTE palette);
HGLOBAL CaptureScreenToDib(const RECT& rect);
bool PrintDibBand(HDC dc, const RECT& destination, const RECT& band, HGLOBAL dib);
bool PrintDib(HDC printer, HGLOBAL dib);
bool PrintScreenRect(HDC printer, const RECT& rect);
bool PrintWholeScreen(HDC printer);
// The common print dialog, then one page "Screen Capture". A page that fails aborts the job.
// True when a page was printed.
bool PrintScreenCapture(HWND owner);
// One document "Screen Capture" on a printer DC already made; the job is aborted when a page
// fails. True when the document was ended.
bool PrintScreenDocument(HDC printer);

}  // namespace jqbar
