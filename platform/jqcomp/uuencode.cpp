// UUEncode: "begin 644 name", lines of 45 bytes, "`", "end", CRLF line ends. Split output
// goes to name.u01, name.u02, ... (one part: name.uue), each part at most the split size;
// with cut lines every part has a "section i/n" line and its body between two cut lines, so
// the body lines of all parts joined in order are one uuencoded file.
#include <windows.h>

#include <string>
#include <vector>

#include "file_io.h"
#include "operations.h"

namespace jqcomp {

namespace {
const char kCut[] = "--- cut here ---\r\n";

char Enc(unsigned v) { return v & 0x3F ? static_cast<char>((v & 0x3F) + 32) : '`'; }

std::string EncodeLine(const uint8_t* d, size_t n) {
  std::string line(1, Enc(static_cast<unsigned>(n)));
  for (size_t i = 0; i < n; i += 3) {
    unsigned a = d[i], b = i + 1 < n ? d[i + 1] : 0, c = i + 2 < n ? d[i + 2] : 0;
    line += Enc(a >> 2);
    line += Enc(((a << 4) | (b >> 4)) & 0x3F);
    line += Enc(((b << 2) | (c >> 6)) & 0x3F);
    line += Enc(c & 0x3F);
  }
  return line + "\r\n";
}

size_t LineLength(size_t n) { return 1 + (n + 2) / 3 * 4 + 2; }

// "section i/n file name": as long as the name needs.
std::string SectionLine(uint32_t part, uint32_t parts, const std::string& name) {
  return "section " + std::to_string(part) + "/" + std::to_string(parts) + " file " + name + "\r\n";
}
}  // namespace

int UUEncodeFile(const std::string& file, const std::string& outputBase, uint32_t splitBytes, bool cutLines,
                 uint16_t* filesWritten) {
  *filesWritten = 0;
  File in;
  if (!in.OpenRead(file)) return CodeForLastError(false);
  uint64_t size = in.Size();
  std::string name = FileNameOf(file);
  for (char& c : name)
    if (c == ' ') c = '_';
  const std::string begin = "begin 644 " + name + "\r\n";
  const std::string tail = "`\r\nend\r\n";
  uint64_t lines = (size + 44) / 45;

  // First pass: which lines go into which part (lengths alone).
  auto lineLen = [&](uint64_t i) -> size_t {
    if (i == 0) return begin.size();
    if (i == lines + 1) return tail.size();
    uint64_t at = (i - 1) * 45;
    return LineLength(static_cast<size_t>(size - at < 45 ? size - at : 45));
  };
  uint64_t totalLines = lines + 2;
  auto overhead = [&](uint32_t part, uint32_t parts) -> size_t {
    if (!cutLines) return 0;
    return SectionLine(part, parts, name).size() + 2 * (sizeof kCut - 1);
  };
  std::vector<uint64_t> firstLine;  // first line of each part
  if (splitBytes == 0) {
    firstLine.push_back(0);
  } else {
    // The section line's width depends on the part count; settle it by iterating.
    uint32_t guess = 1;
    for (int round = 0; round < 4; ++round) {
      firstLine.clear();
      uint64_t i = 0;
      while (i < totalLines) {
        firstLine.push_back(i);
        uint64_t used = overhead(static_cast<uint32_t>(firstLine.size()), guess);
        uint64_t start = i;
        while (i < totalLines && (i == start || used + lineLen(i) <= splitBytes)) used += lineLen(i++);
      }
      if (firstLine.size() == guess) break;
      guess = static_cast<uint32_t>(firstLine.size());
    }
  }
  uint32_t parts = static_cast<uint32_t>(firstLine.size());
  if (parts > 999) return -8;
  std::vector<std::string> written;
  auto cleanUp = [&](int code) {
    for (const std::string& w : written) DeleteFileA(w.c_str());
    return code;
  };
  std::vector<uint8_t> data(45);
  uint64_t line = 0;
  for (uint32_t p = 0; p < parts; ++p) {
    char ext[16];
    if (parts == 1) lstrcpyA(ext, ".uue");
    else wsprintfA(ext, ".u%02lu", static_cast<unsigned long>(p + 1));
    std::string outPath = outputBase + ext;
    File out;
    if (!out.Create(outPath)) return cleanUp(CodeForLastError(true));
    written.push_back(outPath);
    BufferedWriter w(out);
    bool ok = true;
    if (cutLines) {
      const std::string head = SectionLine(parts > 1 ? p + 1 : 1, parts > 1 ? parts : 1, name);
      ok &= w.Write(head.data(), head.size());
      ok &= w.Write(kCut, sizeof kCut - 1);
    }
    uint64_t end = p + 1 < parts ? firstLine[p + 1] : totalLines;
    for (; line < end && ok; ++line) {
      if (line == 0) {
        ok &= w.Write(begin.data(), begin.size());
      } else if (line == lines + 1) {
        ok &= w.Write(tail.data(), tail.size());
      } else {
        uint64_t at = (line - 1) * 45;
        size_t n = static_cast<size_t>(size - at < 45 ? size - at : 45);
        if (!in.ReadExact(data.data(), n)) return cleanUp(-11);
        std::string l = EncodeLine(data.data(), n);
        ok &= w.Write(l.data(), l.size());
      }
    }
    if (cutLines) ok &= w.Write(kCut, sizeof kCut - 1);
    ok &= w.Flush();
    if (!ok) return cleanUp(-10);
  }
  *filesWritten = static_cast<uint16_t>(parts);
  return 0;
}

}  // namespace jqcomp
