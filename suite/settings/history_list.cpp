#include "history_list.h"

#include <cstdio>
#include <cstring>
#include <string>
#include "seams.h"
#include "settings_store.h"

namespace {

char* CopyText(const char* text) {
  size_t n = strnlen(text, kHistoryTextMax);
  char* copy = new char[n + 1];
  memcpy(copy, text, n);
  copy[n] = '\0';
  return copy;
}

void ValueName(char (&name)[16], int number) { snprintf(name, sizeof name, "History%d", number); }

int BoundSlots(int slots) { return slots < 1 || slots > kHistorySlots ? kHistorySlots : slots; }

// The history's subkey beneath the settings key or beneath the program's own key.
HKEY OpenHistoryKey(const char* subkey, const char* keyPath, REGSAM access, bool create) {
  if (!keyPath || !*keyPath) return OpenSettingsSubkey(subkey, access, create);
  std::string path = std::string(keyPath) + "\\" + subkey;
  HKEY key = nullptr;
  LONG rc = create ? RegCreateKeyExA(seams::UserRoot(), path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr)
                   : RegOpenKeyExA(seams::UserRoot(), path.c_str(), 0, access, &key);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

HistoryList::~HistoryList() { FreeHistoryList(this); }

int HistoryList::Count() const {
  int n = 0;
  while (n < kHistorySlots && slots[n]) ++n;
  return n;
}

void AddToHistoryList(HistoryList* list, const char* text) {
  if (!list || !text || !*text) return;
  char bounded[kHistoryTextMax + 1];
  lstrcpynA(bounded, text, sizeof bounded);
  for (int i = 0; i < kHistorySlots && list->slots[i]; ++i) {
    if (lstrcmpiA(list->slots[i], bounded) == 0) {
      char* found = list->slots[i];
      memmove(&list->slots[1], &list->slots[0], i * sizeof(char*));
      list->slots[0] = found;
      return;
    }
  }
  delete[] list->slots[kHistorySlots - 1];
  memmove(&list->slots[1], &list->slots[0], (kHistorySlots - 1) * sizeof(char*));
  list->slots[0] = CopyText(bounded);
}

void LoadHistoryList(HistoryList* list, const char* subkey, const char* keyPath, int slots) {
  if (!list) return;
  FreeHistoryList(list);
  if (!subkey || !*subkey) return;
  slots = BoundSlots(slots);
  HKEY key = OpenHistoryKey(subkey, keyPath, KEY_READ, false);
  if (!key) return;
  for (int number = slots; number >= 1; --number) {
    char name[16];
    ValueName(name, number);
    char text[MAX_PATH + 1];
    DWORD type = 0, size = MAX_PATH;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS)
      continue;
    if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
    text[size < MAX_PATH ? size : MAX_PATH] = '\0';
    AddToHistoryList(list, text);
  }
  RegCloseKey(key);
}

int SaveHistoryList(const HistoryList* list, const char* subkey, const char* keyPath, int slots) {
  if (!list || !subkey || !*subkey) return 0;
  slots = BoundSlots(slots);
  HKEY key = OpenHistoryKey(subkey, keyPath, KEY_READ | KEY_WRITE, true);
  if (!key) return 0;
  int ok = 1;
  int written = 0;
  for (int i = 0; i < slots; ++i) {
    const char* text = list->slots[i];
    if (!text || !*text) continue;
    char name[16];
    ValueName(name, ++written);
    if (RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text) + 1)) != ERROR_SUCCESS)
      ok = 0;
  }
  // Values of an earlier, longer list would come back at the next load.
  for (int number = written + 1; number <= kHistorySlots; ++number) {
    char name[16];
    ValueName(name, number);
    RegDeleteValueA(key, name);
  }
  RegCloseKey(key);
  return ok;
}

void FreeHistoryList(HistoryList* list) {
  if (!list) return;
  for (char*& slot : list->slots) {
    delete[] slot;
    slot = nullptr;
  }
}

void FillComboFromHistory(HWND combo, const HistoryList* list) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  if (!list) return;
  for (const char* text : list->slots) {
    if (text && *text)
      SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  }
}
