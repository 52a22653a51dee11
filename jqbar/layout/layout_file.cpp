#include "layout_file.h"

#include <windows.h>

#include <cstring>

namespace jqbar {
namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t remaining() const { return size_ - pos_; }
  // A failed read leaves nothing more to read, as a short read at the end of a file does, so
  // every later read of the same load fails too.
  bool Fail() {
    pos_ = size_;
    return false;
  }
  bool Bytes(void* out, std::size_t n) {
    if (remaining() < n) return Fail();
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  bool Int(std::int32_t& out) {
    std::uint8_t b[4];
    if (!Bytes(b, 4)) return false;
    out = static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                    std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

enum class ReadStatus { ok, unknownType, failed };

struct Parser {
  Reader& in;
  const PanelTypeKnown& known;
  std::size_t nodes = 0;

  static std::string FixedString(const std::uint8_t* p, std::size_t maxChars) {
    std::size_t n = 0;
    while (n < maxChars && p[n]) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
  }

  // One node with its children, without its has-next word.
  ReadStatus ReadOne(int depth, LayoutNode& node) {
    if (depth >= kLayoutMaxDepth || ++nodes > kLayoutMaxNodes) {
      in.Fail();
      return ReadStatus::failed;
    }
    std::uint8_t record[kLayoutNodeRecordSize];
    if (!in.Bytes(record, sizeof record)) return ReadStatus::failed;
    node.typeName = ApplyLegacyPanelName(FixedString(record + 8, kTypeNameChars));
    node.displayName = ApplyLegacyPanelName(FixedString(record + 28, kDisplayNameChars));
    std::int32_t blobSize = 0;
    if (!in.Int(blobSize)) return ReadStatus::failed;
    if (blobSize > 0) {
      if (blobSize > kLayoutMaxBlob || std::size_t(blobSize) > in.remaining()) {
        in.Fail();
        return ReadStatus::failed;
      }
      node.blob.resize(std::size_t(blobSize));
      if (!in.Bytes(node.blob.data(), node.blob.size())) return ReadStatus::failed;
    } else if (blobSize < 0) {
      in.Fail();
      return ReadStatus::failed;
    }
    std::int32_t hasChild = 0;
    if (!in.Int(hasChild)) return ReadStatus::failed;
    if (hasChild) {
      std::vector<LayoutNode> children;
      ReadStatus r = ReadChain(depth + 1, children);
      while (r == ReadStatus::unknownType) {
        std::int32_t next = 0;
        if (!in.Int(next)) return ReadStatus::failed;
        if (!next) break;
        r = ReadChain(depth + 1, children);
      }
      if (r == ReadStatus::ok) node.children = std::move(children);
    }
    if (known && !known(node.typeName)) return ReadStatus::unknownType;
    return ReadStatus::ok;
  }

  // A node and the siblings its has-next words chain to. Only the head's failure or unknown
  // type reaches the caller; a later sibling that fails ends the list before it.
  ReadStatus ReadChain(int depth, std::vector<LayoutNode>& out) {
    out.clear();
    bool head = true;
    for (;;) {
      LayoutNode node;
      ReadStatus r = ReadOne(depth, node);
      if (r == ReadStatus::failed) return head ? ReadStatus::failed : ReadStatus::ok;
      if (r == ReadStatus::unknownType) {
        if (head) return ReadStatus::unknownType;
        std::int32_t next = 0;
        if (!in.Int(next) || !next) return ReadStatus::ok;
        continue;
      }
      std::int32_t next = 0;
      if (!in.Int(next)) return head ? ReadStatus::failed : ReadStatus::ok;
      out.push_back(std::move(node));
      if (!next) return ReadStatus::ok;
      head = false;
    }
  }
};

void PutInt(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

void PutFixed(std::vector<std::uint8_t>& out, std::size_t at, const std::string& s,
              std::size_t maxChars) {
  std::memcpy(out.data() + at, s.data(), s.size() < maxChars ? s.size() : maxChars);
}

void WriteChain(std::vector<std::uint8_t>& out, const std::vector<LayoutNode>& list) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const LayoutNode& node = list[i];
    std::size_t at = out.size();
    out.resize(at + kLayoutNodeRecordSize, 0);
    PutFixed(out, at + 8, node.typeName, kTypeNameChars);
    PutFixed(out, at + 28, node.displayName, kDisplayNameChars);
    PutInt(out, std::uint32_t(node.blob.size()));
    out.insert(out.end(), node.blob.begin(), node.blob.end());
    PutInt(out, node.children.empty() ? 0 : 1);
    if (!node.children.empty()) WriteChain(out, node.children);
    PutInt(out, i + 1 < list.size() ? 1 : 0);
  }
}

}  // namespace

std::string ApplyLegacyPanelName(const std::string& name) {
  if (name == "QuickStart Menus") return "Start Menus";
  if (name == "Printer Manager") return "Print Manager";
  return name;
}

std::optional<LayoutFile> ParseLayout(const std::uint8_t* data, std::size_t size,
                                      const PanelTypeKnown& known) {
  Reader in(data, size);
  LayoutFile layout;
  std::int32_t magic = 0, flags = 0;
  if (!in.Int(magic)) return std::nullopt;
  layout.magic = std::uint32_t(magic);
  if (layout.magic != kLayoutMagicToolbar && layout.magic != kLayoutMagicWizard)
    return std::nullopt;
  if (!in.Int(flags) || !in.Bytes(layout.hidden.data(), layout.hidden.size()) ||
      !in.Int(layout.taskbarWidth) || !in.Int(layout.taskbarHeight))
    return std::nullopt;
  layout.tooltips = (flags & 0xFF) != 0;
  layout.shiftForPopup = (flags & 0x10000) != 0;
  layout.noDropShadow = (flags & 0x100000) != 0;
  Parser parser{in, known};
  if (parser.ReadChain(0, layout.frames) != ReadStatus::ok || layout.frames.empty())
    return std::nullopt;
  return layout;
}

std::vector<std::uint8_t> SerializeLayout(const LayoutFile& layout) {
  std::vector<std::uint8_t> out;
  out.reserve(kLayoutHeaderSize + 256);
  PutInt(out, layout.magic);
  PutInt(out, (layout.tooltips ? 1u : 0u) | (layout.shiftForPopup ? 0x10000u : 0u) |
                  (layout.noDropShadow ? 0x100000u : 0u));
  out.insert(out.end(), layout.hidden.begin(), layout.hidden.end());
  PutInt(out, std::uint32_t(layout.taskbarWidth));
  PutInt(out, std::uint32_t(layout.taskbarHeight));
  WriteChain(out, layout.frames);
  return out;
}

bool IsLayoutFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::uint8_t b[4] = {};
  DWORD got = 0;
  bool ok = ReadFile(file, b, 4, &got, nullptr) && got == 4;
  CloseHandle(file);
  if (!ok) return false;
  std::uint32_t magic = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
  return magic == kLayoutMagicToolbar || magic == kLayoutMagicWizard;
}

std::optional<LayoutFile> ReadLayoutFile(const std::string& path, const PanelTypeKnown& known) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  std::vector<std::uint8_t> bytes;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
            size.QuadPart <= 64LL * 1024 * 1024;
  if (ok) {
    bytes.resize(std::size_t(size.QuadPart));
    DWORD got = 0;
    ok = bytes.empty() ||
         (ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size());
  }
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return ParseLayout(bytes.data(), bytes.size(), known);
}

bool ReplaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::size_t failAfter) {
  std::string temp = path + ".~new";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    std::size_t chunk = bytes.size() - done;
    if (chunk > 65536) chunk = 65536;
    if (done + chunk > failAfter) {
      chunk = failAfter > done ? failAfter - done : 0;
      if (!chunk) {
        ok = false;
        break;
      }
    }
    DWORD wrote = 0;
    ok = WriteFile(file, bytes.data() + done, DWORD(chunk), &wrote, nullptr) && wrote == chunk;
    done += chunk;
  }
  ok = FlushFileBuffers(file) && ok;
  ok = CloseHandle(file) && ok;
  if (ok)
    ok = MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

bool WriteLayoutFile(const std::string& path, const LayoutFile& layout) {
  if (path.empty() || layout.frames.empty()) return false;
  return ReplaceFileContents(path, SerializeLayout(layout));
}

}  // namespace jqbar
