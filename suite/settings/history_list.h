// Recently-used text lists kept in subkeys of the settings key, newest first, as the values
// "History1" .. "History16" (History1 the newest). The combo boxes of dialogs that take typed
// paths and command lines show them.
#pragma once
#include <windows.h>

constexpr int kHistorySlots = 16;
// Longest text a slot keeps (a stored value is at most MAX_PATH bytes with its NUL).
constexpr int kHistoryTextMax = MAX_PATH - 1;

// 16 slots, each a heap string or null; slot 0 is the most recent and the non-empty slots are
// packed at the front. The list frees its strings when it goes.
struct HistoryList {
  char* slots[kHistorySlots] = {};
  HistoryList() = default;
  ~HistoryList();
  HistoryList(const HistoryList&) = delete;
  HistoryList& operator=(const HistoryList&) = delete;
  int Count() const;
};

// Puts `text` at the front. An entry equal to it ignoring letter case moves to the front in its
// stored letter case; otherwise the oldest entry of a full list drops out. A null or empty text
// is ignored; a text longer than kHistoryTextMax is cut.
void AddToHistoryList(HistoryList* list, const char* text);
// Replaces the list's contents by the subkey's values (History1 ends in slot 0; duplicates
// collapse). Values that are not strings or too long are skipped. The subkey lies beneath the
// file manager's settings key, or beneath `keyPath` (relative to the user root) when a program
// keeps its histories under its own key; such a program may keep fewer than kHistorySlots
// entries (`slots`: History1..History<slots> are read and written, the rest dropped).
void LoadHistoryList(HistoryList* list, const char* subkey, const char* keyPath = nullptr,
                     int slots = kHistorySlots);
// Writes the non-empty slots as History1.. and removes the higher-numbered values left by an
// earlier, longer list. 1 when every write succeeded.
int SaveHistoryList(const HistoryList* list, const char* subkey, const char* keyPath = nullptr,
                    int slots = kHistorySlots);
// Frees the strings and nulls the slots.
void FreeHistoryList(HistoryList* list);
// CB_RESETCONTENT, then each non-empty slot in order appended.
void FillComboFromHistory(HWND combo, const HistoryList* list);
