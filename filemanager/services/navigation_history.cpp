#include "navigation_history.h"

#include <cstdio>
#include <cstring>

#include "pidl.h"
#include "command_ids.h"

namespace {

NavigationHistory g_histories[2];
IMalloc* g_allocator = nullptr;
IShellFolder* g_desktop = nullptr;

bool EnsureShell() {
  if (!g_allocator && FAILED(SHGetMalloc(&g_allocator))) return false;
  if (!g_desktop && FAILED(SHGetDesktopFolder(&g_desktop))) return false;
  return true;
}

NavigationHistory* History(int pane) {
  return (pane == 0 || pane == 1) ? &g_histories[pane] : nullptr;
}

void FreeEntry(LPITEMIDLIST& entry) {
  if (entry && g_allocator) g_allocator->Free(entry);
  entry = nullptr;
}

bool IsNameComponentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || strchr(".$~#-_", c) != nullptr;
}

// The text of an entry: its parsing name when that names something that exists, else its
// normal display name; then NormalizeNameCase.
void EntryText(LPCITEMIDLIST entry, char* out) {
  out[0] = '\0';
  if (!entry || !EnsureShell()) return;
  if (!GetDisplayNameText(g_desktop, entry, SHGDN_FORPARSING, out, MAX_PATH) ||
      GetFileAttributesA(out) == INVALID_FILE_ATTRIBUTES) {
    if (!GetDisplayNameText(g_desktop, entry, SHGDN_NORMAL, out, MAX_PATH)) out[0] = '\0';
  }
  NormalizeNameCase(out);
}

}  // namespace

NavigationHistory& GetNavigationHistory(int pane) { return g_histories[pane == 1 ? 1 : 0]; }

void NormalizeNameCase(char* text) {
  char* start = text;
  for (;;) {
    char* end = start;
    while (*end && *end != '\\') ++end;
    bool plain = end > start;
    for (char* c = start; c < end && plain; ++c) plain = IsNameComponentChar(*c);
    if (plain)
      for (char* c = start + 1; c < end; ++c)
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
    if (!*end) break;
    start = end + 1;
  }
}

void PushHistoryEntry(int pane, LPCITEMIDLIST absolute) {
  NavigationHistory* h = History(pane);
  if (!h || !absolute || !EnsureShell()) return;
  LPITEMIDLIST copy = CopyPidl(g_allocator, absolute);
  if (!copy) return;
  if (h->count == kHistorySize) {
    FreeEntry(h->entries[0]);
    memmove(&h->entries[0], &h->entries[1], sizeof(LPITEMIDLIST) * (kHistorySize - 1));
    h->entries[kHistorySize - 1] = nullptr;
    h->count = kHistorySize - 1;
    if (h->current > 0) --h->current;
  }
  if (h->count > 0 && h->current < static_cast<int>(h->count) - 1) {
    for (UINT i = h->current + 1; i < h->count; ++i) FreeEntry(h->entries[i]);
    h->count = h->current + 1;
  }
  h->entries[h->count] = copy;
  h->current = static_cast<int>(h->count);
  ++h->count;
}

bool CanGoBack(int pane) {
  const NavigationHistory* h = History(pane);
  return h && h->count != 0 && h->current != 0;
}

bool CanGoForward(int pane) {
  const NavigationHistory* h = History(pane);
  return h && h->current < static_cast<int>(h->count) - 1;
}

LPCITEMIDLIST StepHistoryBack(int pane) {
  if (!CanGoBack(pane)) return nullptr;
  NavigationHistory& h = g_histories[pane];
  h.previous = h.current;
  --h.current;
  return h.entries[h.current];
}

LPCITEMIDLIST StepHistoryForward(int pane) {
  if (!CanGoForward(pane)) return nullptr;
  NavigationHistory& h = g_histories[pane];
  h.previous = h.current;
  ++h.current;
  return h.entries[h.current];
}

LPCITEMIDLIST JumpToHistoryEntry(int pane, int index) {
  NavigationHistory* h = History(pane);
  if (!h || index < 0 || index >= static_cast<int>(h->count) || !h->entries[index]) return nullptr;
  h->previous = h->current;
  h->current = index;
  return h->entries[index];
}

void RestoreHistoryPosition(int pane) {
  if (NavigationHistory* h = History(pane)) h->current = h->previous;
}

UINT GetHistoryCount(int pane) {
  const NavigationHistory* h = History(pane);
  return h ? h->count : 0;
}

int GetHistoryCurrent(int pane) {
  const NavigationHistory* h = History(pane);
  return h ? h->current : 0;
}

int GetBackEntryName(int pane, char* out) {
  out[0] = '\0';
  if (!CanGoBack(pane)) return 0;
  EntryText(g_histories[pane].entries[g_histories[pane].current - 1], out);
  return 1;
}

int GetForwardEntryName(int pane, char* out) {
  out[0] = '\0';
  if (!CanGoForward(pane)) return 0;
  EntryText(g_histories[pane].entries[g_histories[pane].current + 1], out);
  return 1;
}

void FormatHistoryMenuItem(int pane, int index, char* out) {
  out[0] = '\0';
  const NavigationHistory* h = History(pane);
  if (!h || index < 0 || index >= kHistorySize || !h->entries[index]) return;
  char name[MAX_PATH];
  EntryText(h->entries[index], name);
  snprintf(out, MAX_PATH, "&%d  %s", index, name);
}

void ClearHistoryMenuItems(HMENU menu) {
  for (UINT id = kHistoryFirstCommand; id < kHistoryFirstCommand + kHistorySize; ++id)
    RemoveMenu(menu, id, MF_BYCOMMAND);
}

void BuildHistoryMenu(HMENU menu, int pane) {
  ClearHistoryMenuItems(menu);
  EnableMenuItem(menu, ID_GO_BACK, MF_BYCOMMAND | (CanGoBack(pane) ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(menu, ID_GO_FORWARD, MF_BYCOMMAND | (CanGoForward(pane) ? MF_ENABLED : MF_GRAYED));
  const NavigationHistory* h = History(pane);
  if (!h) return;
  for (UINT i = 0; i < h->count; ++i) {
    char text[MAX_PATH];
    FormatHistoryMenuItem(pane, static_cast<int>(i), text);
    UINT flags = MF_STRING;
    if (static_cast<int>(i) == h->current) flags |= MF_CHECKED | MF_DISABLED;
    AppendMenuA(menu, flags, kHistoryFirstCommand + i, text);
  }
}

void FreeNavigationHistory() {
  for (NavigationHistory& h : g_histories) {
    for (LPITEMIDLIST& e : h.entries) FreeEntry(e);
    h.count = 0;
    h.current = 0;
    h.previous = 0;
  }
  if (g_desktop) g_desktop->Release();
  g_desktop = nullptr;
  if (g_allocator) g_allocator->Release();
  g_allocator = nullptr;
}
