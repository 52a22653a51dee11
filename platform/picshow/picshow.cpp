// picshow.dll: the picture viewer of the viewer pane. Pictures are decoded by GDI+ (BMP, PNG,
// JPEG, GIF, TIFF) and drawn scaled to fit the window, never enlarged, keeping their proportions.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>

namespace {

HINSTANCE g_module;
HWND g_frame, g_picture;
ULONG_PTR g_gdiplusToken;
Gdiplus::GpImage* g_image;

const wchar_t kFrameClass[] = L"PicShowFrame";
const wchar_t kPictureClass[] = L"PicShowPicture";

void FreeImage() {
  if (g_image) Gdiplus::DllExports::GdipDisposeImage(g_image);
  g_image = nullptr;
}

void PaintPicture(HWND w, HDC dc) {
  RECT rc;
  GetClientRect(w, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  if (!g_image) return;
  UINT iw = 0, ih = 0;
  Gdiplus::DllExports::GdipGetImageWidth(g_image, &iw);
  Gdiplus::DllExports::GdipGetImageHeight(g_image, &ih);
  if (!iw || !ih || rc.right <= 0 || rc.bottom <= 0) return;
  double scale = std::min({1.0, double(rc.right) / iw, double(rc.bottom) / ih});
  INT w2 = std::max(1, int(iw * scale)), h2 = std::max(1, int(ih * scale));
  Gdiplus::GpGraphics* g = nullptr;
  if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &g) != Gdiplus::Ok) return;
  Gdiplus::DllExports::GdipSetInterpolationMode(g, Gdiplus::InterpolationModeHighQualityBicubic);
  Gdiplus::DllExports::GdipDrawImageRectI(g, g_image, (rc.right - w2) / 2, (rc.bottom - h2) / 2, w2, h2);
  Gdiplus::DllExports::GdipDeleteGraphics(g);
}

LRESULT CALLBACK PictureProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      PaintPicture(w, dc);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: InvalidateRect(w, nullptr, FALSE); return 0;
    case WM_LBUTTONDBLCLK: case WM_RBUTTONUP: case WM_CONTEXTMENU:
      return SendMessageW(GetParent(w), msg, wp, lp);
  }
  return DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK FrameProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (g_picture && GetParent(g_picture) == w) MoveWindow(g_picture, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      return 0;
    case WM_DESTROY:
      if (w == g_frame) {
        g_frame = nullptr;
        g_picture = nullptr;
        FreeImage();
      }
      return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

bool HasPictureSignature(const unsigned char* b, DWORD n) {
  auto is = [&](const char* sig, DWORD len) { return n >= len && memcmp(b, sig, len) == 0; };
  return is("BM", 2) || is("\x89PNG\r\n\x1A\n", 8) || is("\xFF\xD8\xFF", 3) || is("GIF87a", 6) ||
         is("GIF89a", 6) || is("II*\0", 4) || is("MM\0*", 4);
}

}  // namespace

extern "C" {

__declspec(dllexport) HWND __stdcall Initialize(HWND parent) {
  if (g_frame && IsWindow(g_frame)) return g_frame;
  if (!g_gdiplusToken) {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok) return nullptr;
  }
  g_frame = CreateWindowExW(0, kFrameClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_BORDER,
                            0, 0, 100, 100, parent, nullptr, g_module, nullptr);
  return g_frame;
}

__declspec(dllexport) BOOL __stdcall bIsRecognizedImageFile(const char* path) {
  if (!path) return FALSE;
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return FALSE;
  unsigned char head[8] = {};
  DWORD n = 0;
  BOOL ok = ReadFile(f, head, sizeof head, &n, nullptr);
  CloseHandle(f);
  return ok && HasPictureSignature(head, n);
}

__declspec(dllexport) BOOL __stdcall bIsRecognizedImageType(const char* extension) {
  if (!extension) return FALSE;
  if (*extension == '.') ++extension;
  for (const char* e : {"bmp", "dib", "png", "jpg", "jpeg", "jpe", "gif", "tif", "tiff"})
    if (lstrcmpiA(extension, e) == 0) return TRUE;
  return FALSE;
}

__declspec(dllexport) void __stdcall CloseCurrentFile() {
  FreeImage();
  if (g_picture) ShowWindow(g_picture, SW_HIDE);
}

__declspec(dllexport) HWND __stdcall OpenFileForViewing(const char* path) {
  if (!g_frame || !path || !bIsRecognizedImageFile(path)) return nullptr;
  FreeImage();
  wchar_t wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return nullptr;
  if (Gdiplus::DllExports::GdipLoadImageFromFile(wide, &g_image) != Gdiplus::Ok) {
    g_image = nullptr;
    return nullptr;
  }
  if (!g_picture) {
    RECT rc;
    GetClientRect(g_frame, &rc);
    g_picture = CreateWindowExW(0, kPictureClass, L"", WS_CHILD, 0, 0, rc.right, rc.bottom, g_frame,
                                nullptr, g_module, nullptr);
  }
  if (!g_picture) return nullptr;
  ShowWindow(g_picture, SW_SHOW);
  InvalidateRect(g_picture, nullptr, FALSE);
  return g_picture;
}

// Bound by the file manager but not used by it.
__declspec(dllexport) BOOL __stdcall CtxMenuDoConvert(HWND, UINT) { return FALSE; }
__declspec(dllexport) BOOL __stdcall DoCommand(UINT) { return FALSE; }

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpfnWndProc = FrameProc;
    wc.lpszClassName = kFrameClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = PictureProc;
    wc.lpszClassName = kPictureClass;
    RegisterClassW(&wc);
  }
  return TRUE;
}

}  // extern "C"
