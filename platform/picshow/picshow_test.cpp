// picshow.dll through its exports, on pictures written by GDI+ in each format.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <string>

#include "test_support.h"

namespace {

struct Api {
  HMODULE module = nullptr;
  HWND(__stdcall* Initialize)(HWND) = nullptr;
  HWND(__stdcall* OpenFileForViewing)(const char*) = nullptr;
  void(__stdcall* CloseCurrentFile)() = nullptr;
  BOOL(__stdcall* bIsRecognizedImageFile)(const char*) = nullptr;
};

template <typename F> F Bind(HMODULE m, const char* name) { return reinterpret_cast<F>(GetProcAddress(m, name)); }

// Writes a 40 x 20 picture, red on its left half and blue on its right, in a GDI+ format.
bool WritePicture(const std::wstring& path, const wchar_t* mime) {
  using namespace Gdiplus;
  UINT count = 0, size = 0;
  DllExports::GdipGetImageEncodersSize(&count, &size);
  std::string buffer(size, '\0');
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  DllExports::GdipGetImageEncoders(count, size, codecs);
  const CLSID* clsid = nullptr;
  for (UINT i = 0; i < count; ++i)
    if (lstrcmpW(codecs[i].MimeType, mime) == 0) clsid = &codecs[i].Clsid;
  if (!clsid) return false;
  GpBitmap* bitmap = nullptr;
  if (DllExports::GdipCreateBitmapFromScan0(40, 20, 0, PixelFormat24bppRGB, nullptr, &bitmap) != Ok) return false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) DllExports::GdipBitmapSetPixel(bitmap, x, y, x < 20 ? 0xFFFF0000 : 0xFF0000FF);
  bool ok = DllExports::GdipSaveImageToFile(bitmap, path.c_str(), clsid, nullptr) == Ok;
  DllExports::GdipDisposeImage(bitmap);
  return ok;
}

class PicShow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
  }
  void SetUp() override {
    api.module = LoadLibraryA((jqtest::ProgramFolder() + "\\picshow.dll").c_str());
    ASSERT_NE(api.module, nullptr);
    api.Initialize = Bind<decltype(api.Initialize)>(api.module, "Initialize");
    api.OpenFileForViewing = Bind<decltype(api.OpenFileForViewing)>(api.module, "OpenFileForViewing");
    api.CloseCurrentFile = Bind<decltype(api.CloseCurrentFile)>(api.module, "CloseCurrentFile");
    api.bIsRecognizedImageFile = Bind<decltype(api.bIsRecognizedImageFile)>(api.module, "bIsRecognizedImageFile");
    ASSERT_TRUE(api.Initialize && api.OpenFileForViewing && api.CloseCurrentFile && api.bIsRecognizedImageFile);
    for (const char* name : {"CtxMenuDoConvert", "DoCommand", "bIsRecognizedImageType"})
      EXPECT_NE(GetProcAddress(api.module, name), nullptr) << name;
    host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    if (host) DestroyWindow(host);
  }
  static ULONG_PTR token;
  jqtest::TempFolder temp;
  Api api;
  HWND host = nullptr;
};
ULONG_PTR PicShow::token;

TEST_F(PicShow, EachFormatIsRecognisedAndDrawnScaledToFit) {
  HWND frame = api.Initialize(host);
  ASSERT_NE(frame, nullptr);
  MoveWindow(frame, 0, 0, 200, 100, TRUE);
  ShowWindow(frame, SW_SHOW);
  struct Case { const char* name; const wchar_t* mime; } cases[] = {
      {"p.bmp", L"image/bmp"}, {"p.png", L"image/png"}, {"p.jpg", L"image/jpeg"},
      {"p.tif", L"image/tiff"}};
  // GIF is left out: Wine's GDI+ writes GIF files that its own decoder then refuses.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = temp / c.name;
    ASSERT_TRUE(WritePicture(std::wstring(path.begin(), path.end()), c.mime));
    EXPECT_TRUE(api.bIsRecognizedImageFile(path.c_str()));
    HWND picture = api.OpenFileForViewing(path.c_str());
    ASSERT_NE(picture, nullptr);
    UpdateWindow(picture);
    RECT rc;
    GetClientRect(picture, &rc);
    // The 40 x 20 picture is not enlarged: it sits centred, red left of the middle, blue right.
    HDC dc = GetDC(picture);
    int cx = rc.right / 2, cy = rc.bottom / 2;
    COLORREF left = GetPixel(dc, cx - 10, cy), right = GetPixel(dc, cx + 10, cy), outside = GetPixel(dc, 5, 5);
    ReleaseDC(picture, dc);
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_LT(GetBValue(left), 60);
    EXPECT_GT(GetBValue(right), 200);
    EXPECT_LT(GetRValue(right), 60);
    EXPECT_EQ(outside, GetSysColor(COLOR_WINDOW));
    api.CloseCurrentFile();
    EXPECT_FALSE(IsWindowVisible(picture));
  }
}

TEST_F(PicShow, TextAndMissingFilesAreNotPictures) {
  ASSERT_NE(api.Initialize(host), nullptr);
  std::string text = temp.WriteFile("a.png", "not a picture at all");
  EXPECT_FALSE(api.bIsRecognizedImageFile(text.c_str()));
  EXPECT_EQ(api.OpenFileForViewing(text.c_str()), nullptr);
  EXPECT_FALSE(api.bIsRecognizedImageFile((temp / "missing.png").c_str()));
  EXPECT_EQ(api.OpenFileForViewing(nullptr), nullptr);
}

}  // namespace
