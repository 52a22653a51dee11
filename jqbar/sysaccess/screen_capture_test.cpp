#include "screen_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace jqbar {
namespace {

TEST(ScreenCapture, PrintRectKeepsTheProportionsWithoutOverflow) {
  struct Case {
    int horzRes, logX, logY, width, height;
    LONG bottom;
  } cases[] = {
      {4800, 600, 600, 800, 600, 3600},
      // 1200 x 9600 x 1080 is past 2^31: the height must still come out right.
      {9600, 1200, 1200, 1920, 1080, 5400},
      {4800, 600, 1200, 800, 600, 7200},  // pixels twice as tall as wide
      {4800, 600, 600, 0, 600, 0},        // no picture: nothing tall
  };
  for (const Case& c : cases) {
    RECT r = ComputePrintRectFor(c.horzRes, c.logX, c.logY, c.width, c.height);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, c.horzRes);
    EXPECT_EQ(r.bottom, c.bottom) << c.horzRes << " " << c.logY;
  }
}

TEST(ScreenCapture, DibHeadersGiveColoursTableAndBits) {
  struct Case {
    bool core;
    int bits;
    DWORD used;
    int colours, table;
  } cases[] = {{false, 1, 0, 2, 8},    {false, 4, 0, 16, 64},  {false, 8, 0, 256, 1024},
               {false, 24, 0, 0, 0},   {false, 8, 5, 5, 20},   {true, 8, 0, 256, 768},
               {true, 4, 0, 16, 48},   {true, 24, 0, 0, 0}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> block(2048, 0);
    if (c.core) {
      auto* h = reinterpret_cast<BITMAPCOREHEADER*>(block.data());
      h->bcSize = sizeof *h;
      h->bcBitCount = WORD(c.bits);
    } else {
      auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
      h->biSize = sizeof *h;
      h->biBitCount = WORD(c.bits);
      h->biClrUsed = c.used;
    }
    EXPECT_EQ(GetDibColorCount(block.data()), c.colours);
    EXPECT_EQ(GetDibPaletteSize(block.data()), c.table);
    EXPECT_EQ(FindDibBits(block.data()) - block.data(), std::ptrdiff_t((c.core ? 12 : 40) + c.table));
  }
}

LRESULT CALLBACK RedProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(w, &r);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(reinterpret_cast<HDC>(wp), &r, red);
    DeleteObject(red);
    return 1;
  }
  return DefWindowProcA(w, m, wp, lp);
}

// A red square at the screen's top-left corner, drawn before anything is read.
struct RedSquare {
  RedSquare() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RedProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "JQCaptureRed";
    RegisterClassA(&wc);
    window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "JQCaptureRed", "", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                             64, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window);
    // Until the display shows it.
    jqtest::PumpUntil([] {
      HDC screen = GetDC(nullptr);
      COLORREF c = GetPixel(screen, 32, 32);
      ReleaseDC(nullptr, screen);
      return c == RGB(255, 0, 0);
    });
  }
  ~RedSquare() { DestroyWindow(window); }
  HWND window;
};

COLORREF DibPixel(HGLOBAL dib, int x, int y) {
  auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  const std::uint8_t* bits = FindDibBits(info);
  int stride = (info->biWidth * info->biBitCount + 31) / 32 * 4;
  int row = info->biHeight - 1 - y;
  COLORREF c = CLR_INVALID;
  if (info->biBitCount == 24 || info->biBitCount == 32) {
    const std::uint8_t* p = bits + row * stride + x * (info->biBitCount / 8);
    c = RGB(p[2], p[1], p[0]);
  }
  GlobalUnlock(dib);
  return c;
}

TEST(ScreenCapture, TheScreenIsReadIntoAPackedDibClippedToTheDisplay) {
  RedSquare square;
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  HGLOBAL dib = CaptureScreenToDib(RECT{-20, -10, 40, 30});  // partly outside the display
  ASSERT_NE(dib, nullptr);
  auto* info = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  EXPECT_EQ(info->biSize, 40u);
  EXPECT_EQ(info->biWidth, 40);
  EXPECT_EQ(info->biHeight, 30);
  EXPECT_EQ(info->biCompression, DWORD(BI_RGB));
  EXPECT_GE(GlobalSize(dib), SIZE_T(40 + GetDibPaletteSize(info)) + info->biSizeImage);
  GlobalUnlock(dib);
  EXPECT_EQ(DibPixel(dib, 5, 5), RGB(255, 0, 0));
  GlobalFree(dib);
  EXPECT_EQ(CaptureScreenToDib(RECT{cx + 10, cy + 10, cx + 50, cy + 50}), nullptr);
}

// ---- On the real printer ------------------------------------------------------------------

std::string PdfFolder() { return jqtest::TestPrinterPdfFolder(); }
std::set<std::string> PdfFiles() { return jqtest::PrintedPdfNames(); }

// "pdfimages -list" of the first new PDF, once it lists an image.
std::string WaitForImageList(const std::set<std::string>& before, std::string* name) {
  return jqtest::WaitForPdfOutput(
      before,
      [](const std::string& pdf, const std::string& out) {
        return "/usr/bin/pdfimages -list '" + pdf + "' > '" + out + "' 2>/dev/null && grep -q image '" + out + "'";
      },
      name);
}

TEST(ScreenCapture, PrintScreenPutsTheScreenOnOnePageOfThePickedPrinter) {
  if (PdfFolder().empty()) GTEST_SKIP() << "no PDF printer (run through scripts/test.sh)";
  RedSquare square;
  std::set<std::string> before = PdfFiles();
  bool sawDialog = false;
  jqtest::DialogDriver driver({[&](HWND dialog) {
    sawDialog = true;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }});
  EXPECT_TRUE(PrintScreenCapture(nullptr));
  EXPECT_TRUE(sawDialog);
  std::string name;
  std::string list = WaitForImageList(before, &name);
  EXPECT_NE(name.find("Screen_Capture"), std::string::npos) << name;
  // One picture on page 1.
  EXPECT_NE(list.find("   1     0 image"), std::string::npos) << list;
}

TEST(ScreenCapture, ACancelledPrintDialogPrintsNothing) {
  if (PdfFolder().empty()) GTEST_SKIP() << "no PDF printer";
  jqtest::DialogDriver driver({[&](HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
  }});
  EXPECT_FALSE(PrintScreenCapture(nullptr));
  EXPECT_TRUE(driver.Finished());
}

}  // namespace
}  // namespace jqbar
