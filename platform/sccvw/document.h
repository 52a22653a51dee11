// The document shown by the viewer: a file's bytes turned into display lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sccvw {

struct Document {
  int format = 0;                 // SCCVW_FORMAT_*, 0 when empty
  std::wstring text;              // every line, joined by "\r\n"
  std::vector<size_t> lineStart;  // offset of each line in text
  bool truncated = false;         // the file was longer than what is shown

  size_t LineCount() const { return lineStart.size(); }
  std::wstring_view Line(size_t i) const;
};

// Largest part of a file read for display.
constexpr size_t kMaxTextBytes = 8u << 20;
constexpr size_t kMaxHexBytes = 1u << 20;

// Builds the document for bytes read from a file in an engine mode (SCCVW_MODE_*).
Document MakeDocument(std::string_view bytes, unsigned mode, bool truncated);
// The hexadecimal form: "00000000  48 65 6C ...  |He.|" lines of 16 bytes.
std::wstring HexText(std::string_view bytes);
// Finds needle (case-insensitive) in text starting at from, forward or backward; npos when none.
size_t FindInText(const std::wstring& text, const std::wstring& needle, size_t from, bool forward);

}  // namespace sccvw
