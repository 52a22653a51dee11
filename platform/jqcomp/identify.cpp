// Telling archive kinds apart by their contents.
#include <windows.h>
#include <zlib.h>

#include <cstring>

#include "file_io.h"
#include "operations.h"
#include "zip_archive.h"
#include "zip_format.h"

namespace jqcomp {

namespace {
bool LooksLikeTar(const uint8_t* h, size_t n) {
  if (n < 512) return false;
  if (memcmp(h + 257, "ustar", 5) == 0) return true;
  // Old tar: the header checksum (octal at 148) must add up.
  unsigned stored = 0;
  int digits = 0;
  for (int i = 148; i < 156; ++i) {
    if (h[i] >= '0' && h[i] <= '7') {
      stored = stored * 8 + (h[i] - '0');
      ++digits;
    } else if (h[i] != ' ' && h[i] != 0) {
      return false;
    }
  }
  if (digits == 0 || h[0] == 0) return false;
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : h[i];
  return sum == stored;
}

bool GzipHoldsTar(const std::string& path) {
  gzFile gz = gzopen(path.c_str(), "rb");
  if (!gz) return false;
  uint8_t block[512];
  int got = gzread(gz, block, sizeof block);
  gzclose(gz);
  return got == 512 && LooksLikeTar(block, 512);
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
  size_t n = strlen(suffix);
  return s.size() >= n && lstrcmpiA(s.c_str() + s.size() - n, suffix) == 0;
}
}  // namespace

int IdentifyFile(const std::string& path, uint16_t* kind) {
  *kind = 0;
  File f;
  if (!f.OpenRead(path)) {
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return et5::kFileNotFound;
    return et5::kAccessDenied;
  }
  if (IsFolder(path)) return et5::kNotArchive;
  uint8_t h[512] = {};
  int64_t n = f.Read(h, sizeof h);
  if (n < 0) return et5::kReadError;
  uint64_t size = f.Size();
  f.Close();
  uint32_t sig = n >= 4 ? zipfmt::Get32(h) : 0;
  if (n >= 4 && (sig == zipfmt::kLocalSig || sig == zipfmt::kEndSig || sig == zipfmt::kSpanSig ||
                 sig == zipfmt::kSpanOneDiskSig || (h[0] == 'M' && h[1] == 'Z'))) {
    ZipArchive z;
    int16_t r = z.Open(path);
    if (r == et5::kOk) {
      *kind = z.zip64 ? et5::kKindZip64 : z.selfExtracting ? et5::kKindZipSfx : et5::kKindZip;
      return et5::kOk;
    }
    if (sig == zipfmt::kSpanSig || sig == zipfmt::kLocalSig) {
      // A disk of a span set, not the last one.
      *kind = et5::kKindZipSpanPart;
      return et5::kOk;
    }
    if (!(h[0] == 'M' && h[1] == 'Z')) return r;
  }
  if (n >= 3 && h[0] == 0x1F && h[1] == 0x8B && h[2] == 8) {
    *kind = GzipHoldsTar(path) ? et5::kKindTarGz : et5::kKindGzip;
    return et5::kOk;
  }
  if (n >= 3 && h[0] == 0x1F && h[1] == 0x9D) {
    bool tar = EndsWithNoCase(path, ".taz") || EndsWithNoCase(path, ".tar.z");
    *kind = tar ? et5::kKindTarCompress : et5::kKindCompress;
    return et5::kOk;
  }
  if (n >= 8 && memcmp(h, "MSCF", 4) == 0 && zipfmt::Get32(h + 4) == 0) {
    *kind = et5::kKindCab;
    return et5::kOk;
  }
  if (n >= 21 && h[2] == '-' && h[3] == 'l' && (h[4] == 'h' || h[4] == 'z') && h[6] == '-') {
    *kind = et5::kKindLha;
    return et5::kOk;
  }
  if (n == 512 && LooksLikeTar(h, 512)) {
    *kind = et5::kKindTar;
    return et5::kOk;
  }
  (void)size;
  // Anything else may still carry a zip at its end (a self-extracting program).
  ZipArchive z;
  if (z.Open(path) == et5::kOk) {
    *kind = z.zip64 ? et5::kKindZip64 : et5::kKindZipSfx;
    return et5::kOk;
  }
  return et5::kNotArchive;
}

}  // namespace jqcomp
