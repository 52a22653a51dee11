// Back and Forward: each pane's last ten folders as absolute item id lists.
#pragma once
#include <windows.h>
#include <shlobj.h>

constexpr int kHistorySize = 10;
constexpr UINT kHistoryFirstCommand = 48400;

struct NavigationHistory {
  UINT count;
  int current;
  int previous;
  LPITEMIDLIST entries[kHistorySize];
};

NavigationHistory& GetNavigationHistory(int pane);

void PushHistoryEntry(int pane, LPCITEMIDLIST absolute);
bool CanGoBack(int pane);
bool CanGoForward(int pane);
LPCITEMIDLIST StepHistoryBack(int pane);
LPCITEMIDLIST StepHistoryForward(int pane);
LPCITEMIDLIST JumpToHistoryEntry(int pane, int index);
void RestoreHistoryPosition(int pane);
UINT GetHistoryCount(int pane);
int GetHistoryCurrent(int pane);
int GetBackEntryName(int pane, char* out);
int GetForwardEntryName(int pane, char* out);
void FormatHistoryMenuItem(int pane, int index, char* out);
void BuildHistoryMenu(HMENU menu, int pane);
void ClearHistoryMenuItems(HMENU menu);
void FreeNavigationHistory();

// Lowers the letters after the first of every path component written only in upper case,
// digits and . $ ~ # - _ (WINDOWS becomes Windows); other components stay as they are.
void NormalizeNameCase(char* text);
