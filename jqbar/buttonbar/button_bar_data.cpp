#include "button_bar_data.h"

#include <shlobj.h>

#include <cstring>

#include "le_bytes.h"

namespace jqbar {
namespace {

// Offsets of the settings head.
enum HeadOffset : std::size_t {
  kHeadFirstFill = 0,
  kHeadLines = 4,
  kHeadGroupCount = 8,
  kHeadNames = 12,
  kHeadKinds = 212,
  kHeadCurrent = 252,
  kHeadStyle = 256,
  kHeadLists = 260,
  kHeadAutoArrange = 300,
  kHeadArrowsShown = 304,
  kHeadArrowsStacked = 308,
  kHeadRowLimit = 312,
  kHeadVisibleRows = 316,
  kHeadFirstRow = 320,
  kHeadSystemOptions = 324,
  kHeadBackPressed = 348,
  kHeadForwardPressed = 352,
};
static_assert(kHeadNames + kMaxButtonGroups * kGroupNameSize == kHeadKinds);
static_assert(kHeadKinds + 4 * kMaxButtonGroups == kHeadCurrent);
static_assert(kHeadLists + 4 * kMaxButtonGroups == kHeadAutoArrange);
static_assert(kHeadSystemOptions + 4 * 6 == kHeadBackPressed);
static_assert(kHeadForwardPressed + 4 == kButtonBarHeadSize);

// Offsets of a button record.
enum RecordOffset : std::size_t {
  kRecNext = 0,
  kRecCommand = 4,
  kRecTarget = 8,
  kRecFlags = 12,
  kRecStartIn = 16,
  kRecParameters = 20,
  kRecRunMode = 24,
  kRecLabel = 28,
  kRecLargeList = 32,
  kRecLargeIndex = 36,
  kRecSmallList = 40,
  kRecSmallIndex = 44,
  kRecHasIconFile = 48,
  kRecIconFile = 52,
  kRecIconIndex = 56,
  kRecLargeIcon = 60,
  kRecSmallIcon = 64,
  kRecPressed = 68,
  kRecPresentMark = 72,
  kRecHotKeyId = 74,
  kRecHotKeyVk = 76,
  kRecHotKeyModifiers = 80,
  kRecReserved = 84,
};
static_assert(kRecReserved + 4 == kButtonRecordSize);

// Bytes a reader may still take.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}
  bool Take(std::size_t n, const std::uint8_t** at) {
    if (n > left_) return false;
    *at = data_;
    data_ += n;
    left_ -= n;
    return true;
  }
  bool Int(std::int32_t* value) {
    const std::uint8_t* at;
    if (!Take(4, &at)) return false;
    *value = le::GetI32(at);
    return true;
  }
  // i32 n and n bytes ending in a NUL; n 0 = absent.
  bool String(std::optional<std::string>* text) {
    std::int32_t n;
    const std::uint8_t* at;
    if (!Int(&n) || n < 0 || !Take(std::size_t(n), &at)) return false;
    text->reset();
    if (n == 0) return true;
    if (at[n - 1] != 0) return false;
    const char* chars = reinterpret_cast<const char*>(at);
    if (std::strlen(chars) != std::size_t(n - 1)) return false;  // no NUL inside
    text->emplace(chars, std::size_t(n - 1));
    return true;
  }
  std::size_t left() const { return left_; }

 private:
  const std::uint8_t* data_;
  std::size_t left_;
};

void PutString(std::vector<std::uint8_t>& out, const std::optional<std::string>& text) {
  std::size_t at = out.size();
  if (!text) {
    out.resize(at + 4);
    le::PutI32(out.data() + at, 0);
    return;
  }
  out.resize(at + 4 + text->size() + 1);
  le::PutI32(out.data() + at, std::int32_t(text->size() + 1));
  std::memcpy(out.data() + at + 4, text->c_str(), text->size() + 1);
}

void PutBytes(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
  std::size_t at = out.size();
  out.resize(at + 4 + bytes.size());
  le::PutI32(out.data() + at, std::int32_t(bytes.size()));
  if (!bytes.empty()) std::memcpy(out.data() + at + 4, bytes.data(), bytes.size());
}

bool IsKnownKind(std::int32_t kind) {
  return (kind >= kGroupOrdinary && kind <= kGroupRecent) || kind == kGroupSystemAccess;
}

void WriteRecord(std::uint8_t* r, const ButtonRecord& b) {
  std::memset(r, 0, kButtonRecordSize);
  le::PutU32(r + kRecFlags, b.flags);
  le::PutI32(r + kRecRunMode, b.runMode);
  le::PutI32(r + kRecLargeIndex, b.largeIndex);
  le::PutI32(r + kRecSmallIndex, b.smallIndex);
  le::PutI32(r + kRecHasIconFile, b.hasIconFile);
  le::PutI32(r + kRecIconIndex, b.iconIndex);
  r[kRecPresentMark] = std::uint8_t(b.presentMark);
  r[kRecPresentMark + 1] = std::uint8_t(b.presentMark >> 8);
  r[kRecHotKeyId] = std::uint8_t(b.hotKeyId);
  r[kRecHotKeyId + 1] = std::uint8_t(b.hotKeyId >> 8);
  le::PutI32(r + kRecHotKeyVk, b.hotKeyVk);
  le::PutI32(r + kRecHotKeyModifiers, b.hotKeyModifiers);
  le::PutI32(r + kRecReserved, b.reserved);
}

void ReadRecord(const std::uint8_t* r, ButtonRecord& b) {
  b.flags = le::GetU32(r + kRecFlags);
  b.runMode = le::GetI32(r + kRecRunMode);
  b.largeIndex = le::GetI32(r + kRecLargeIndex);
  b.smallIndex = le::GetI32(r + kRecSmallIndex);
  b.hasIconFile = le::GetI32(r + kRecHasIconFile);
  b.iconIndex = le::GetI32(r + kRecIconIndex);
  b.presentMark = std::uint16_t(r[kRecPresentMark] | r[kRecPresentMark + 1] << 8);
  b.hotKeyId = std::uint16_t(r[kRecHotKeyId] | r[kRecHotKeyId + 1] << 8);
  b.hotKeyVk = le::GetI32(r + kRecHotKeyVk);
  b.hotKeyModifiers = le::GetI32(r + kRecHotKeyModifiers);
  b.reserved = le::GetI32(r + kRecReserved);
}

// One button after its record; false when the bytes do not hold it.
bool ReadButtonBody(Cursor& in, ButtonRecord& b) {
  if (!in.String(&b.command)) return false;
  if (b.IsUrl()) {
    if (!in.String(&b.urlName) || !in.String(&b.url)) return false;
  } else {
    std::int32_t n;
    const std::uint8_t* at;
    if (!in.Int(&n) || n < 0 || !in.Take(std::size_t(n), &at)) return false;
    if (n > 0) {
      if (!IsWellFormedIdList(at, std::size_t(n))) return false;
      b.idList.assign(at, at + n);
    }
  }
  return in.String(&b.startIn) && in.String(&b.parameters) && in.String(&b.label) &&
         in.String(&b.iconFile);
}

}  // namespace

bool IsSpecialFolderGroup(std::int32_t kind) {
  return kind >= kGroupControlPanel && kind <= kGroupRecent;
}

int SpecialGroupFolder(std::int32_t kind) {
  switch (kind) {
    case kGroupControlPanel: return CSIDL_CONTROLS;
    case kGroupFonts: return CSIDL_FONTS;
    case kGroupMyComputer: return CSIDL_DRIVES;
    case kGroupNetwork: return CSIDL_NETWORK;
    case kGroupRecent: return CSIDL_RECENT;
    default: return -1;
  }
}

ButtonRecord* NewButtonRecord() { return new (std::nothrow) ButtonRecord(); }

void FreeButtonRecord(ButtonRecord* button) {
  if (!button) return;
  if (button->largeIcon) DestroyIcon(button->largeIcon);
  if (button->smallIcon) DestroyIcon(button->smallIcon);
  delete button;
}

void FreeButtonList(ButtonRecord* head) {
  while (head) {
    ButtonRecord* next = head->next;
    FreeButtonRecord(head);
    head = next;
  }
}

int CountButtons(const ButtonRecord* head) {
  int n = 0;
  for (; head; head = head->next) ++n;
  return n;
}

void DefaultButtonBarSettings(ButtonBarSettings& s) {
  s = ButtonBarSettings();
  s.lines = 1;
  s.groupCount = 1;
  std::strcpy(s.groupNames[0], "My Group");
  s.groupKinds[0] = kGroupOrdinary;
  s.currentGroup = 0;
  s.style = 3;
  s.autoArrange = 1;
  s.rowLimit = 20;
}

void FreeButtonGroups(ButtonBarSettings& s) {
  for (auto& head : s.groups) {
    FreeButtonList(head);
    head = nullptr;
  }
}

bool IsWellFormedIdList(const std::uint8_t* list, std::size_t size) {
  std::size_t at = 0;
  while (true) {
    if (size - at < 2) return false;
    std::size_t cb = std::size_t(list[at] | list[at + 1] << 8);
    if (cb == 0) return at + 2 == size;
    if (cb < 2 || cb > size - at - 2) return false;  // the terminator must still follow
    at += cb;
  }
}

std::vector<std::uint8_t> WriteButtonBarBlob(const ButtonBarSettings& s) {
  std::vector<std::uint8_t> out(kButtonBarHeadSize, 0);
  std::uint8_t* h = out.data();
  le::PutU32(h + kHeadFirstFill, s.firstFill);
  le::PutI32(h + kHeadLines, s.lines);
  le::PutI32(h + kHeadGroupCount, s.groupCount);
  for (int g = 0; g < kMaxButtonGroups; ++g) {
    le::PutText(h + kHeadNames + std::size_t(g) * kGroupNameSize, s.groupNames[g], kGroupNameSize);
    le::PutI32(h + kHeadKinds + std::size_t(g) * 4, s.groupKinds[g]);
  }
  le::PutI32(h + kHeadCurrent, s.currentGroup);
  le::PutI32(h + kHeadStyle, s.style);
  le::PutI32(h + kHeadAutoArrange, s.autoArrange);
  le::PutI32(h + kHeadArrowsShown, s.arrowsShown);
  le::PutI32(h + kHeadArrowsStacked, s.arrowsStacked);
  le::PutI32(h + kHeadRowLimit, s.rowLimit);
  le::PutI32(h + kHeadVisibleRows, s.visibleRows);
  le::PutI32(h + kHeadFirstRow, s.firstRow);
  for (int i = 0; i < 6; ++i) le::PutI32(h + kHeadSystemOptions + std::size_t(i) * 4, s.systemOptions[i]);
  le::PutI32(h + kHeadBackPressed, s.backPressed);
  le::PutI32(h + kHeadForwardPressed, s.forwardPressed);

  for (int g = 0; g < s.groupCount && g < kMaxButtonGroups; ++g) {
    std::size_t at = out.size();
    out.resize(at + 4);
    le::PutI32(out.data() + at, CountButtons(s.groups[g]));
    for (const ButtonRecord* b = s.groups[g]; b; b = b->next) {
      at = out.size();
      out.resize(at + kButtonRecordSize);
      WriteRecord(out.data() + at, *b);
      PutString(out, b->command);
      if (b->IsUrl()) {
        PutString(out, b->urlName);
        PutString(out, b->url);
      } else {
        PutBytes(out, b->idList);
      }
      PutString(out, b->startIn);
      PutString(out, b->parameters);
      PutString(out, b->label);
      PutString(out, b->iconFile);
    }
  }
  return out;
}

bool ReadButtonBarBlob(const std::uint8_t* blob, std::size_t size, ButtonBarSettings& out) {
  if (!blob || size < kButtonBarHeadSize) return false;
  ButtonBarSettings s;
  const std::uint8_t* h = blob;
  s.firstFill = le::GetU32(h + kHeadFirstFill);
  s.lines = le::GetI32(h + kHeadLines);
  s.groupCount = le::GetI32(h + kHeadGroupCount);
  for (int g = 0; g < kMaxButtonGroups; ++g) {
    le::GetText(h + kHeadNames + std::size_t(g) * kGroupNameSize, s.groupNames[g], kGroupNameSize);
    s.groupKinds[g] = le::GetI32(h + kHeadKinds + std::size_t(g) * 4);
  }
  s.currentGroup = le::GetI32(h + kHeadCurrent);
  s.style = le::GetI32(h + kHeadStyle);
  s.autoArrange = le::GetI32(h + kHeadAutoArrange);
  s.arrowsShown = le::GetI32(h + kHeadArrowsShown);
  s.arrowsStacked = le::GetI32(h + kHeadArrowsStacked);
  s.rowLimit = le::GetI32(h + kHeadRowLimit);
  s.visibleRows = le::GetI32(h + kHeadVisibleRows);
  s.firstRow = 0;
  for (int i = 0; i < 6; ++i) s.systemOptions[i] = le::GetI32(h + kHeadSystemOptions + std::size_t(i) * 4);
  s.backPressed = le::GetI32(h + kHeadBackPressed);
  s.forwardPressed = le::GetI32(h + kHeadForwardPressed);

  if (s.groupCount < 1 || s.groupCount > kMaxButtonGroups) return false;
  if (s.currentGroup < 0 || s.currentGroup >= s.groupCount) return false;
  if (s.lines < 1 || s.lines > kMaxButtonLines) return false;
  if (s.style < 1 || s.style > 4) return false;
  if (s.rowLimit < 1 || s.rowLimit > kMaxRowLimit) return false;
  for (int g = 0; g < s.groupCount; ++g)
    if (!IsKnownKind(s.groupKinds[g])) return false;

  Cursor in(blob + kButtonBarHeadSize, size - kButtonBarHeadSize);
  bool ok = true;
  for (int g = 0; g < s.groupCount && ok; ++g) {
    std::int32_t count;
    // Each button takes at least its record and six lengths.
    if (!in.Int(&count) || count < 0 ||
        std::size_t(count) > in.left() / (kButtonRecordSize + 24)) {
      ok = false;
      break;
    }
    ButtonRecord** tail = &s.groups[g];
    for (std::int32_t i = 0; i < count; ++i) {
      const std::uint8_t* record;
      ButtonRecord* b = NewButtonRecord();
      if (!b || !in.Take(kButtonRecordSize, &record)) {
        delete b;
        ok = false;
        break;
      }
      ReadRecord(record, *b);
      if ((b->flags & (kButtonIdList | kButtonUrl)) == (kButtonIdList | kButtonUrl) ||
          !ReadButtonBody(in, *b)) {
        delete b;
        ok = false;
        break;
      }
      if (s.groupKinds[g] != kGroupSystemAccess)
        b->hasIconFile = (b->iconFile && !b->iconFile->empty()) ? 1 : 0;
      *tail = b;
      tail = &b->next;
    }
  }
  if (!ok) {
    FreeButtonGroups(s);
    return false;
  }
  out = s;
  return true;
}

}  // namespace jqbar
