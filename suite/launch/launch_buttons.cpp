#include "launch_buttons.h"
#include <cstring>
#include <string>
#include "le_bytes.h"

namespace {
LaunchButton* g_list = nullptr;

char* DupString(const char* text) {
  if (!text) return nullptr;
  size_t n = strlen(text);
  char* copy = new char[n + 1];
  memcpy(copy, text, n + 1);
  return copy;
}

const char* SkipBlanks(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  return text;
}
}  // namespace

LaunchButton*& LaunchButtonList() { return g_list; }

int CountLaunchButtons() {
  int count = 0;
  for (LaunchButton* b = g_list; b; b = b->next) ++count;
  return count;
}

LaunchButton* GetLaunchButton(int index) {
  if (index < 0) return nullptr;
  LaunchButton* b = g_list;
  while (b && index-- > 0) b = b->next;
  return b;
}

void FreeLaunchButtons() {
  FreeLaunchButtonChain(g_list, nullptr);
  g_list = nullptr;
}

LaunchButton* NewLaunchButton() {
  auto* b = new LaunchButton{};
  b->showMode = SW_SHOWNORMAL;
  return b;
}

void FreeLaunchButton(LaunchButton* b, HICON sharedIcon) {
  if (!b) return;
  for (char* s : {b->command, b->startDirectory, b->parameters, b->label, b->iconFile}) delete[] s;
  // A shared icon of the process (null here) is never destroyed by a record.
  if (b->icon && b->icon != sharedIcon) DestroyIcon(b->icon);
  delete b;
}

void FreeLaunchButtonChain(LaunchButton* head, HICON sharedIcon) {
  while (head) {
    LaunchButton* next = head->next;
    FreeLaunchButton(head, sharedIcon);
    head = next;
  }
}

void SetLaunchString(char** field, const char* text) {
  char* copy = DupString(text);
  delete[] *field;
  *field = copy;
}

void AppendLaunchButton(LaunchButton** head, LaunchButton* button) {
  button->next = nullptr;
  while (*head) head = &(*head)->next;
  *head = button;
}

std::vector<uint8_t> EncodeLaunchButtons(const LaunchButton* head) {
  std::vector<uint8_t> out(4);
  uint32_t count = 0;
  auto putU32 = [&out](uint32_t v) {
    size_t at = out.size();
    out.resize(at + 4);
    le::PutU32(&out[at], v);
  };
  for (const LaunchButton* b = head; b; b = b->next, ++count) {
    // next, command, start directory, parameters: pointer words carry no meaning.
    for (int i = 0; i < 4; ++i) putU32(0);
    putU32(b->showMode);
    putU32(0);  // label
    putU32(b->customIcon);
    putU32(static_cast<uint32_t>(b->iconIndex));
    putU32(0);  // icon file
    putU32(0);  // icon handle
    putU32(static_cast<uint32_t>(b->imageIndex));
    for (const char* s : {b->command, b->startDirectory, b->parameters, b->label, b->iconFile}) {
      if (!s) {
        putU32(0);
        continue;
      }
      uint32_t length = static_cast<uint32_t>(strlen(s) + 1);
      putU32(length);
      out.insert(out.end(), s, s + length);
    }
  }
  le::PutU32(out.data(), count);
  return out;
}

bool DecodeLaunchButtons(const uint8_t* data, size_t size, LaunchButton** head) {
  *head = nullptr;
  if (!data || size < 4) return false;
  uint32_t count = le::GetU32(data);
  // Every entry needs its 11 words and five length words.
  if (count > static_cast<uint32_t>(kMaxLaunchButtons) || count > (size - 4) / 64) return false;
  size_t at = 4;
  LaunchButton* list = nullptr;
  auto fail = [&list] {
    FreeLaunchButtonChain(list, nullptr);
    return false;
  };
  for (uint32_t n = 0; n < count; ++n) {
    if (size - at < 44) return fail();
    const uint8_t* words = data + at;
    at += 44;
    LaunchButton* b = NewLaunchButton();
    AppendLaunchButton(&list, b);
    b->showMode = le::GetU32(words + 16);
    b->customIcon = le::GetU32(words + 24) ? 1 : 0;
    b->iconIndex = le::GetI32(words + 28);
    b->imageIndex = le::GetI32(words + 40);
    if (b->showMode > SW_MAX) return fail();
    char** fields[] = {&b->command, &b->startDirectory, &b->parameters, &b->label, &b->iconFile};
    for (char** field : fields) {
      if (size - at < 4) return fail();
      uint32_t length = le::GetU32(data + at);
      at += 4;
      if (length == 0) continue;
      if (length > size - at || data[at + length - 1] != '\0') return fail();
      const char* text = reinterpret_cast<const char*>(data + at);
      if (strlen(text) != length - 1) return fail();
      *field = DupString(text);
      at += length;
    }
    if (!b->iconFile || !*b->iconFile) b->customIcon = 0;
  }
  if (at != size) return fail();
  *head = list;
  return true;
}

int IsProgramFile(const char* text, char* out, DWORD size) {
  if (!out || !size) return 0;
  const char* name = text ? SkipBlanks(text) : "";
  if (*name) {
    static const char* const kExtensions[] = {nullptr, ".", ".PIF", ".EXE", ".COM", ".BAT"};
    for (const char* extension : kExtensions) {
      char* filePart = nullptr;
      DWORD n = SearchPathA(nullptr, name, extension, size, out, &filePart);
      if (n > 0 && n < size) return 1;
    }
  }
  lstrcpynA(out, text ? text : "", static_cast<int>(size));
  return 0;
}

int FolderHasFiles(const char* text) {
  const char* folder = text ? SkipBlanks(text) : "";
  if (!*folder) return 1;
  std::string pattern = folder;
  if (pattern.back() != '\\') pattern += '\\';
  pattern += "*.*";
  WIN32_FIND_DATAA found;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  HANDLE h = FindFirstFileA(pattern.c_str(), &found);
  SetErrorMode(oldMode);
  if (h == INVALID_HANDLE_VALUE) return 0;
  FindClose(h);
  return 1;
}
