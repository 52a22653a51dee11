// Turning a file's bytes into the viewer's display text.
#include "document.h"

#include <windows.h>

#include "sccvw.h"

namespace sccvw {

std::wstring_view Document::Line(size_t i) const {
  if (i >= lineStart.size()) return {};
  size_t start = lineStart[i];
  size_t end = i + 1 < lineStart.size() ? lineStart[i + 1] - 2 : text.size();
  return std::wstring_view(text).substr(start, end - start);
}

namespace {

std::wstring Decode(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
  }
  return out;
}

// Strict UTF-8 check that allows a sequence cut off at the end of a truncated read.
bool IsUtf8WithMultibyte(std::string_view s) {
  bool multi = false;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || (len == 2 && c < 0xC2)) return false;
    if (i + len > s.size()) return multi;  // cut at the end
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    if (len > 1) multi = true;
    i += len;
  }
  return multi;
}

bool LooksBinary(std::string_view s) {
  size_t n = s.size() < 8192 ? s.size() : 8192;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0 || (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x1A &&
                   c != 0x1B && c != '\b'))
      return true;
  }
  return false;
}

bool StartsWith(std::string_view s, std::string_view mark) { return s.substr(0, mark.size()) == mark; }

// Splits decoded text at CR LF, LF or a lone CR into lines joined by "\r\n".
void SetLines(Document& d, const std::wstring& raw) {
  d.text.clear();
  d.text.reserve(raw.size() + raw.size() / 32);
  d.lineStart.assign(1, 0);
  for (size_t i = 0; i < raw.size(); ++i) {
    wchar_t c = raw[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 1 < raw.size() && raw[i + 1] == L'\n') ++i;
      d.text += L"\r\n";
      d.lineStart.push_back(d.text.size());
    } else {
      d.text.push_back(c == L'\0' ? L' ' : c);
    }
  }
}

}  // namespace

std::wstring HexText(std::string_view bytes) {
  static const wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve((bytes.size() / 16 + 1) * 78);
  for (size_t off = 0; off < bytes.size(); off += 16) {
    if (off) out += L"\r\n";
    wchar_t head[16];
    wsprintfW(head, L"%08X ", static_cast<unsigned>(off));
    out += head;
    for (size_t k = 0; k < 16; ++k) {
      out.push_back(k == 8 && off + k < bytes.size() ? L'-' : L' ');
      if (off + k < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[off + k]);
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
      } else {
        out += L"  ";
      }
    }
    out += L"  ";
    for (size_t k = 0; k < 16 && off + k < bytes.size(); ++k) {
      unsigned char c = static_cast<unsigned char>(bytes[off + k]);
      out.push_back(c >= 0x20 && c < 0x7F ? static_cast<wchar_t>(c) : L'.');
    }
  }
  return out;
}

Document MakeDocument(std::string_view bytes, unsigned mode, bool truncated) {
  Document d;
  d.truncated = truncated;
  int format = 0;
  std::string_view body = bytes;
  switch (mode) {
    case SCCVW_MODE_ANSI: format = SCCVW_FORMAT_ANSI; break;
    case SCCVW_MODE_DOS: format = SCCVW_FORMAT_OEM; break;
    case SCCVW_MODE_HEX: format = SCCVW_FORMAT_HEX; break;
    case SCCVW_MODE_UNICODE:
      format = StartsWith(bytes, "\xFE\xFF") ? SCCVW_FORMAT_UTF16BE : SCCVW_FORMAT_UTF16LE;
      if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) body.remove_prefix(2);
      break;
    default:
      if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        format = SCCVW_FORMAT_UTF8;
        body.remove_prefix(3);
      } else if (StartsWith(bytes, "\xFF\xFE")) {
        format = SCCVW_FORMAT_UTF16LE;
        body.remove_prefix(2);
      } else if (StartsWith(bytes, "\xFE\xFF")) {
        format = SCCVW_FORMAT_UTF16BE;
        body.remove_prefix(2);
      } else if (LooksBinary(bytes)) {
        format = SCCVW_FORMAT_HEX;
      } else {
        format = IsUtf8WithMultibyte(bytes) ? SCCVW_FORMAT_UTF8 : SCCVW_FORMAT_ANSI;
      }
  }
  d.format = format;
  if (format == SCCVW_FORMAT_HEX) {
    if (body.size() > kMaxHexBytes) {
      body = body.substr(0, kMaxHexBytes);
      d.truncated = true;
    }
    SetLines(d, HexText(body));
    return d;
  }
  std::wstring raw;
  switch (format) {
    case SCCVW_FORMAT_UTF8: raw = Decode(body, CP_UTF8); break;
    case SCCVW_FORMAT_UTF16LE: raw = DecodeUtf16(body, false); break;
    case SCCVW_FORMAT_UTF16BE: raw = DecodeUtf16(body, true); break;
    case SCCVW_FORMAT_OEM: raw = Decode(body, CP_OEMCP); break;
    default: raw = Decode(body, CP_ACP); break;
  }
  SetLines(d, raw);
  return d;
}

size_t FindInText(const std::wstring& text, const std::wstring& needle, size_t from, bool forward) {
  if (needle.empty() || needle.size() > text.size()) return std::wstring::npos;
  auto matchAt = [&](size_t pos) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data() + pos,
                          static_cast<int>(needle.size()), needle.data(),
                          static_cast<int>(needle.size())) == CSTR_EQUAL;
  };
  size_t last = text.size() - needle.size();
  if (forward) {
    for (size_t pos = from; pos <= last; ++pos)
      if (matchAt(pos)) return pos;
  } else {
    if (from == 0) return std::wstring::npos;
    for (size_t pos = (from - 1 < last ? from - 1 : last) + 1; pos-- > 0;)
      if (matchAt(pos)) return pos;
  }
  return std::wstring::npos;
}

}  // namespace sccvw
