// The container's custom background: a 16-colour bitmap file. Every field of the headers is
// checked against the bytes actually in the file before any of them is used.
#include <cstring>
#include <vector>

#include "container_panel.h"
#include "panel_utils.h"
#include "resource_jqbar.h"

namespace jqbar {
namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

}  // namespace

HBITMAP LoadBackgroundBitmapFile(HDC dc, const std::string& path, int* width, int* height,
                                 UINT* message) {
  *message = IDS_BACKGROUND_UNREADABLE;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  std::vector<std::uint8_t> bytes;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 14 + 40 && size.QuadPart <= 8 << 20;
  if (ok) {
    bytes.resize(std::size_t(size.QuadPart));
    DWORD got = 0;
    ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
  }
  CloseHandle(file);
  if (!ok || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
  const std::uint8_t* info = bytes.data() + 14;
  std::uint32_t infoSize = U32(info);
  std::int32_t w = std::int32_t(U32(info + 4)), h = std::int32_t(U32(info + 8));
  std::uint16_t bits = std::uint16_t(info[14] | info[15] << 8);
  std::uint32_t compression = U32(info + 16);
  std::uint32_t offset = U32(bytes.data() + 10);
  if (infoSize < 40 || infoSize > 124) return nullptr;
  if (bits != 4) {
    *message = IDS_BACKGROUND_NOT16;
    return nullptr;
  }
  if (compression != BI_RGB || w <= 0 || w > 4096 || h == 0 || h < -4096 || h > 4096)
    return nullptr;
  std::size_t table = 14 + std::size_t(infoSize);
  std::size_t stride = ((std::size_t(w) * 4 + 31) / 32) * 4;
  std::size_t need = stride * std::size_t(h < 0 ? -h : h);
  if (table + 64 > bytes.size() || offset < table + 64 || offset > bytes.size() ||
      bytes.size() - offset < need)
    return nullptr;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[16];
  } bmi{};
  std::memcpy(&bmi.header, info, sizeof bmi.header);
  bmi.header.biSize = sizeof bmi.header;
  bmi.header.biClrUsed = 0;
  std::memcpy(bmi.colours, bytes.data() + table, 64);
  HBITMAP bitmap = CreateDIBitmap(dc, &bmi.header, CBM_INIT, bytes.data() + offset,
                                  reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS);
  if (!bitmap) return nullptr;
  *width = w;
  *height = h < 0 ? -h : h;
  *message = 0;
  return bitmap;
}

HBITMAP LoadBackgroundBitmap(HWND window, const std::string& path, int* width, int* height) {
  HDC dc = GetDC(window);
  UINT message = 0;
  HBITMAP bitmap = LoadBackgroundBitmapFile(dc, path, width, height, &message);
  ReleaseDC(window, dc);
  if (!bitmap) {
    char text[100];
    lstrcpynA(text, LoadResString(message), sizeof text);
    FrameMessageBox(window, text, LoadResString(IDS_BACKGROUND_CAPTION), MB_ICONWARNING);
  }
  return bitmap;
}

}  // namespace jqbar
