#include "screen_capture.h"

#include <commdlg.h>

#include <cmath>
#include <vector>

namespace jqbar {
namespace {

bool IsCoreHeader(const void* dib) {
  return static_cast<const BITMAPINFOHEADER*>(dib)->biSize == sizeof(BITMAPCOREHEADER);
}

int DibWidth(const void* dib) {
  if (IsCoreHeader(dib)) return static_cast<const BITMAPCOREHEADER*>(dib)->bcWidth;
  return static_cast<const BITMAPINFOHEADER*>(dib)->biWidth;
}

int DibHeight(const void* dib) {
  if (IsCoreHeader(dib)) return static_cast<const BITMAPCOREHEADER*>(dib)->bcHeight;
  return static_cast<const BITMAPINFOHEADER*>(dib)->biHeight;
}

int RoundDiv(double value) { return int(std::lround(value)); }

}  // namespace

int GetDibColorCount(const void* dib) {
  int bits;
  if (IsCoreHeader(dib)) {
    bits = static_cast<const BITMAPCOREHEADER*>(dib)->bcBitCount;
  } else {
    const auto* info = static_cast<const BITMAPINFOHEADER*>(dib);
    if (info->biClrUsed) return int(info->biClrUsed);
    bits = info->biBitCount;
  }
  switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

int GetDibPaletteSize(const void* dib) {
  return GetDibColorCount(dib) * (IsCoreHeader(dib) ? int(sizeof(RGBTRIPLE)) : int(sizeof(RGBQUAD)));
}

const std::uint8_t* FindDibBits(const void* dib) {
  return static_cast<const std::uint8_t*>(dib) + static_cast<const BITMAPINFOHEADER*>(dib)->biSize +
         GetDibPaletteSize(dib);
}

RECT ComputePrintRectFor(int horzRes, int logPixelsX, int logPixelsY, int dibWidth, int dibHeight) {
  RECT r{0, 0, horzRes, 0};
  if (logPixelsX <= 0 || dibWidth <= 0) return r;
  // LOGPIXELSY x HORZRES x height passes 2^31 at high resolutions (1200 dpi x 9600 x 1080):
  // the product is taken in 64 bits.
  long long height = static_cast<long long>(logPixelsY) * horzRes * dibHeight /
                     (static_cast<long long>(logPixelsX) * dibWidth);
  r.bottom = height > 0x7FFFFFFF ? 0x7FFFFFFF : LONG(height);
  return r;
}

RECT ComputePrintRect(HDC printer, int dibWidth, int dibHeight) {
  return ComputePrintRectFor(GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, LOGPIXELSX),
                             GetDeviceCaps(printer, LOGPIXELSY), dibWidth, dibHeight);
}

HBITMAP CaptureScreenRect(const RECT& rect) {
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (!screen) return nullptr;
  HDC memory = CreateCompatibleDC(screen);
  RECT clip{0, 0, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES)};
  RECT r;
  HBITMAP bitmap = nullptr;
  if (memory && IntersectRect(&r, &rect, &clip)) {
    bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    if (bitmap) {
      HGDIOBJ old = SelectObject(memory, bitmap);
      BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
      SelectObject(memory, old);
    }
  }
  if (memory) DeleteDC(memory);
  DeleteDC(screen);
  return bitmap;
}

HPALETTE CopySystemPalette() {
  HDC screen = GetDC(nullptr);
  int count = GetDeviceCaps(screen, SIZEPALETTE);
  if (count == 0) count = GetDeviceCaps(screen, NUMCOLORS);
  HPALETTE palette = nullptr;
  if (count > 0 && count <= 256) {
    std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * std::size_t(count));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = WORD(count);
    GetSystemPaletteEntries(screen, 0, UINT(count), log->palPalEntry);
    palette = CreatePalette(log);
  }
  ReleaseDC(nullptr, screen);
  return palette;
}

HGLOBAL ConvertBitmapToDib(HBITMAP bitmap, HPALETTE palette) {
  if (!bitmap) return nullptr;
  BITMAP bm{};
  if (!GetObjectA(bitmap, sizeof bm, &bm)) return nullptr;
  int bits = bm.bmPlanes * bm.bmBitsPixel;
  bits = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = bm.bmWidth;
  header.biHeight = bm.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = WORD(bits);
  header.biCompression = BI_RGB;
  if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  HDC screen = GetDC(nullptr);
  HPALETTE oldPalette = SelectPalette(screen, palette, FALSE);
  RealizePalette(screen);
  SIZE_T headerSize = sizeof header + SIZE_T(GetDibPaletteSize(&header));
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headerSize);
  bool ok = false;
  if (block) {
    auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    *info = header;
    GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight), nullptr, reinterpret_cast<BITMAPINFO*>(info),
              DIB_RGB_COLORS);
    header = *info;
    GlobalUnlock(block);
    if (header.biSizeImage == 0)
      header.biSizeImage = DWORD(((long long)bits * bm.bmWidth + 31) / 32 * 4 * bm.bmHeight);
    HGLOBAL grown = GlobalReAlloc(block, headerSize + header.biSizeImage, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (grown) {
      block = grown;
      info = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
      *info = header;
      int rows = GetDIBits(screen, bitmap, 0, UINT(bm.bmHeight),
                           reinterpret_cast<std::uint8_t*>(info) + headerSize,
                           reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS);
      GlobalUnlock(block);
      ok = rows == bm.bmHeight;
    }
  }
  SelectPalette(screen, oldPalette, FALSE);
  RealizePalette(screen);
  ReleaseDC(nullptr, screen);
  if (!ok && block) {
    GlobalFree(block);
    block = nullptr;
  }
  return block;
}

HGLOBAL CaptureScreenToDib(const RECT& rect) {
  HBITMAP bitmap = CaptureScreenRect(rect);
  if (!bitmap) return nullptr;
  HPALETTE palette = CopySystemPalette();
  HGLOBAL dib = ConvertBitmapToDib(bitmap, palette);
  DeleteObject(bitmap);
  if (palette) DeleteObject(palette);
  return dib;
}

bool PrintDibBand(HDC dc, const RECT& destination, const RECT& band, HGLOBAL dib) {
  RECT part;
  if (!IntersectRect(&part, &destination, &band)) return true;
  auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  if (!info) return false;
  int width = DibWidth(info), height = DibHeight(info);
  bool ok = false;
  if (width > 0 && height > 0) {
    double scaleX = double(destination.right - destination.left) / width;
    double scaleY = double(destination.bottom - destination.top) / height;
    if (scaleX > 0 && scaleY > 0) {
      int srcX = RoundDiv((part.left - destination.left) / scaleX);
      int srcTop = RoundDiv((part.top - destination.top) / scaleY);
      int srcW = RoundDiv((part.right - part.left) / scaleX);
      int srcH = RoundDiv((part.bottom - part.top) / scaleY);
      ok = StretchDIBits(dc, part.left, part.top, part.right - part.left, part.bottom - part.top,
                         srcX, height - (srcTop + srcH), srcW, srcH, FindDibBits(info),
                         reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS, SRCCOPY) > 0;
    }
  }
  GlobalUnlock(dib);
  return ok;
}

bool PrintDib(HDC printer, HGLOBAL dib) {
  auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  if (!info) return false;
  int width = DibWidth(info), height = DibHeight(info);
  GlobalUnlock(dib);
  SetStretchBltMode(printer, COLORONCOLOR);
  RECT destination = ComputePrintRect(printer, width, height);
  return PrintDibBand(printer, destination, destination, dib);
}

bool PrintScreenRect(HDC printer, const RECT& rect) {
  HGLOBAL dib = CaptureScreenToDib(rect);
  if (!dib) return false;
  bool ok = PrintDib(printer, dib);
  GlobalFree(dib);
  return ok;
}

bool PrintWholeScreen(HDC printer) {
  RECT all{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return PrintScreenRect(printer, all);
}

bool PrintScreenDocument(HDC printer) {
  DOCINFOA doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = "Screen Capture";
  if (StartDocA(printer, &doc) <= 0) return false;
  // A page that cannot be started or ended leaves no half job in the spooler.
  if (StartPage(printer) <= 0) {
    AbortDoc(printer);
    return false;
  }
  PrintWholeScreen(printer);
  if (EndPage(printer) <= 0) {
    AbortDoc(printer);
    return false;
  }
  return EndDoc(printer) > 0;
}

bool PrintScreenCapture(HWND owner) {
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE |
             PD_HIDEPRINTTOFILE;
  pd.nCopies = 1;
  bool printed = false;
  if (PrintDlgA(&pd) && pd.hDC) printed = PrintScreenDocument(pd.hDC);
  if (pd.hDC) DeleteDC(pd.hDC);
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  return printed;
}

}  // namespace jqbar
