// Find Folders and Tag Folders: the criteria (a size column against values, the name against
// patterns, a date against a period), their three pages, the search thread that fills the
// find-results tree, and the tag highlight.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>
#include "disk_dialogs.h"
#include "disk_query.h"
#include "drive_list.h"
#include "folder_node.h"
#include "resource.h"
#include "scan_engine.h"
#include "seams.h"
#include "settings_store.h"
#include "size_columns.h"
#include "tree_pane.h"

CriteriaTargets g_tagTargets;

namespace {

std::atomic<bool> g_tagActive{false};
bool g_tagTargetsUsed = false;

// What the three criteria pages edit: working copies of the criteria and their targets. The
// dialog that holds the pages owns it and hands it to each page as its parameter.
struct CriteriaEdit;
struct CriteriaPage {
  int kind = 0;  // 0 sizes, 1 names, 2 dates
  CriteriaEdit* edit = nullptr;
};
struct CriteriaEdit {
  FolderCriteria working;
  CriteriaTargets targets;
  HWND pages[3] = {};
  CriteriaPage pageRecords[3];
};

// The choices of the Find Folders dialog that last from one opening to the next.
struct FindChoices {
  int scope = 0;  // 0 current drive, 1 current folder, 2 all drives
  bool resultsAsTree = true;
  bool compact = false;
};
FindChoices g_lastFindChoices;  // GUI thread

// The Find Folders dialog's record (its DialogBoxParam parameter): the criteria being edited,
// the choices, and the results the dialog hands back.
struct FindDialogState : CriteriaEdit {
  FindChoices choices;
  bool addToResults = false;
  FolderNode* currentNode = nullptr;  // the selection when the dialog opened
  int animFrame = 0;
  bool findOk = false;  // out: a search ran
};

std::atomic<ScanThreadEntry*> g_findEntry{nullptr};

constexpr UINT kMsgFindStartTimer = WM_APP + 0x501;
constexpr UINT kMsgFindAddResult = WM_APP + 0x502;   // wParam node
constexpr UINT kMsgFindClearResults = WM_APP + 0x503;
constexpr UINT kMsgFindFinished = WM_APP + 0x504;    // wParam 1 when something was found
constexpr UINT_PTR kAnimTimer = 150;
const int kAnimIcons[7] = {194, 198, 195, 200, 199, 197, 196};

HINSTANCE Inst() { return g_voltaly.instance ? g_voltaly.instance : GetModuleHandleA(nullptr); }

std::string LoadText(UINT id) {
  char buf[512];
  int n = LoadStringA(Inst(), id, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

bool MatchWild(const char* pattern, const char* name) {
  // '*' any run (also empty), '?' one character, others themselves; iterative with one
  // back-tracking point.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') { star = pattern++; resume = name; continue; }
    if (*pattern == '?' || *pattern == *name) { ++pattern; ++name; continue; }
    if (star) { pattern = star + 1; name = ++resume; continue; }
    return false;
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

uint64_t ReferenceUnitMinutes(int unit) {
  static const uint64_t minutes[5] = {1, 60, 1440, 43200, 525600};
  return minutes[unit < 0 || unit > 4 ? 0 : unit];
}

}  // namespace

bool IsTagActive() { return g_tagActive.load(); }
void SetTagActive(bool active) { g_tagActive.store(active); }

bool MatchPatternList(const char* patterns, const char* upperName) {
  if (!patterns) return false;
  const char* p = patterns;
  while (*p) {
    const char* end = strchr(p, ';');
    if (!end) end = p + strlen(p);
    const char* a = p;
    const char* b = end;
    while (a < b && (*a == ' ' || *a == '\t')) ++a;
    while (b > a && (b[-1] == ' ' || b[-1] == '\t')) --b;
    if (b > a) {
      std::string one(a, b);
      if (MatchWild(one.c_str(), upperName)) return true;
    }
    p = *end ? end + 1 : end;
  }
  return false;
}

double CriterionValue(uint32_t typeId, FolderNode* node, int sizeOnDisk) {
  NodeSums s;
  if (!IsFolderNode(node) || !ReadNodeSums(node, &s)) return -1;
  bool listed = (s.flags & kNodeFilesListed) != 0;
  bool complete = (s.flags & kNodeSubtreeComplete) != 0;
  const bool allocated = sizeOnDisk < 0 ? g_settings.sizeOnDisk != 0 : sizeOnDisk != 0;
  uint64_t files = allocated ? s.filesAllocated : s.filesSize;
  uint64_t subs = allocated ? s.subfoldersAllocated : s.subfoldersSize;
  switch (typeId) {
    case kColTotal: return complete && listed ? (double)(files + subs) : -1;
    case kColFiles: return listed ? (double)files : -1;
    case kColSubfolders: return complete ? (double)subs : -1;
    case kColCapacity: { DriveNode* d = node->drive; return d ? d->totalBytes : -1; }
    case kColSubfolderCount: return complete ? (double)s.subfolderCount : -1;
    case kColFileCount: return listed ? (double)s.fileCount : -1;
  }
  return -1;
}

int MatchesCriteria(const FolderCriteria* c, const CriteriaTargets* t, FolderNode* node) {
  if (!c || !t || !IsFolderNode(node) || !IsDriveNode(node->drive)) return 0;
  if ((c->sizeSwitch & 0x80) && t->column) {
    double x = CriterionValue(t->column->typeId, node, t->sizeOnDisk);
    if (x < 0) return 0;
    switch (c->comparison) {
      case 0: if (x != c->size1) return 0; break;
      case 1: if (!(x < c->size1)) return 0; break;
      case 2: if (!(x > c->size1)) return 0; break;
      case 3: if (x < c->size1 || x > c->size2) return 0; break;
      default: return 0;
    }
  }
  if (c->nameOn && t->patterns[0]) {
    char name[MAX_PATH];
    NodeLabel(node, name, sizeof name);
    CharUpperA(name);
    if (!MatchPatternList(t->patterns, name)) return 0;
  }
  if (c->dateSwitch & 0x80) {
    NodeSums s;
    if (!ReadNodeSums(node, &s)) return 0;
    int which = c->dateSwitch & 0x3F;
    const FILETIME& time = which == 1 ? s.created : (which == 2 ? s.newestAccess : s.newestWrite);
    int order = CompareFileTime(&t->reference, &time);
    bool olderThan = (c->dateSwitch & 0x40) != 0;
    if (!olderThan && order > 0) return 0;
    if (olderThan && order < 0) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Criteria pages

namespace {

void SizePageControls(HWND page, const CriteriaEdit* edit) {
  const FolderCriteria& working = edit->working;
  bool on = (working.sizeSwitch & 0x80) != 0;
  bool between = SendDlgItemMessageA(page, 1064, CB_GETCURSEL, 0, 0) == 3;
  SetDialogControls(page, "rr D(bbbbb D(bbb))", 1070, (int)!on, 1073, (int)on, (int)on, 1077, 1064, 1067,
                    1044, 1084, (int)between, 1068, 1045, 1085);
}

void NamePageControls(HWND page, const CriteriaEdit* edit) {
  const FolderCriteria& working = edit->working;
  SetDialogControls(page, "rr D(b)", 1070, (int)!working.nameOn, 1039, (int)(working.nameOn != 0),
                    (int)(working.nameOn != 0), 1082);
}

void DatePageControls(HWND page, const CriteriaEdit* edit) {
  const FolderCriteria& working = edit->working;
  bool on = (working.dateSwitch & 0x80) != 0;
  bool older = (working.dateSwitch & 0x40) != 0;
  int which = working.dateSwitch & 0x3F;
  SetDialogControls(page, "rrr D(rrr bbb)", 1070, (int)!on, 1090, (int)(on && !older), 1091, (int)(on && older),
                    (int)on, 1075, (int)(which == 0), 1076, (int)(which == 1), 1074, (int)(which == 2),
                    1043, 1044, 1063);
}

void ApplySizePage(HWND page, CriteriaEdit* edit) {
  FolderCriteria& working = edit->working;
  CriteriaTargets& targets = edit->targets;
  int index = (int)SendDlgItemMessageA(page, 1077, CB_GETCURSEL, 0, 0);
  if (index >= 0) {
    targets.column = (ColumnRecord*)SendDlgItemMessageA(page, 1077, CB_GETITEMDATA, index, 0);
    working.sizeSwitch = (uint8_t)((working.sizeSwitch & 0x80) | (index & 0x7F));
  }
  working.size1 = GetSizeWithUnit(page, 1067, 1084);
  working.size2 = GetSizeWithUnit(page, 1068, 1085);
  int comparison = (int)SendDlgItemMessageA(page, 1064, CB_GETCURSEL, 0, 0);
  if (comparison >= 0) working.comparison = (uint8_t)comparison;
  if (working.comparison == 3 && working.size1 > working.size2) std::swap(working.size1, working.size2);
}

void ApplyNamePage(HWND page, CriteriaEdit* edit) {
  FolderCriteria& working = edit->working;
  CriteriaTargets& targets = edit->targets;
  char text[MAX_PATH] = "";
  GetDlgItemTextA(page, 1082, text, sizeof text);
  if (working.nameOn && text[0]) {
    HistoryList8 history;
    ReadHistoryList(&history, "SearchNameFilters");
    AddHistoryEntry(&history, text);
    WriteHistoryList(&history, "SearchNameFilters");
    FreeHistoryEntries(&history);
    CharUpperA(text);
    snprintf(targets.patterns, sizeof targets.patterns, "%s", text);
  } else {
    targets.patterns[0] = 0;
  }
}

void ApplyDatePage(HWND page, CriteriaEdit* edit) {
  FolderCriteria& working = edit->working;
  CriteriaTargets& targets = edit->targets;
  BOOL ok = FALSE;
  UINT count = GetDlgItemInt(page, 1043, &ok, FALSE);
  if (ok) working.periods = (uint16_t)std::min<UINT>(count, 0xFFFF);
  int unit = (int)SendDlgItemMessageA(page, 1063, CB_GETCURSEL, 0, 0);
  if (unit >= 0 && unit <= 4) working.periodUnit = (uint8_t)unit;
  if (working.dateSwitch == 0) return;
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  uint64_t back = (uint64_t)working.periods * ReferenceUnitMinutes(working.periodUnit) * 60ull * 10000000ull;
  t.QuadPart = t.QuadPart > back ? t.QuadPart - back : 0;
  targets.reference.dwLowDateTime = t.LowPart;
  targets.reference.dwHighDateTime = t.HighPart;
}

INT_PTR CALLBACK CriteriaPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* record = reinterpret_cast<CriteriaPage*>(GetWindowLongPtrA(page, DWLP_USER));
  if (message == WM_INITDIALOG) {
    record = reinterpret_cast<CriteriaPage*>(lParam);
    SetWindowLongPtrA(page, DWLP_USER, lParam);
  }
  if (!record || !record->edit) return FALSE;
  const int kind = record->kind;
  CriteriaEdit* edit = record->edit;
  FolderCriteria& working = edit->working;
  CriteriaTargets& targets = edit->targets;
  switch (message) {
    case WM_INITDIALOG: {
      if (kind == 0) {
        int selected = working.sizeSwitch & 0x7F, index = 0;
        for (int i = 0; i < GetColumnCount(); ++i) {
          ColumnRecord* c = GetColumn(i);
          if (!(c->flags & kColNumeric) || c->typeId == kColCapacity) continue;
          int at = (int)SendDlgItemMessageA(page, 1077, CB_ADDSTRING, 0, (LPARAM)LoadText(c->typeId).c_str());
          SendDlgItemMessageA(page, 1077, CB_SETITEMDATA, at, (LPARAM)c);
          ++index;
        }
        if (selected >= index) selected = 0;
        SendDlgItemMessageA(page, 1077, CB_SETCURSEL, selected, 0);
        if (!targets.column && index > 0)
          targets.column = (ColumnRecord*)SendDlgItemMessageA(page, 1077, CB_GETITEMDATA, selected, 0);
        for (UINT id = IDS_CMP_EQUAL; id <= IDS_CMP_BETWEEN; ++id)
          SendDlgItemMessageA(page, 1064, CB_ADDSTRING, 0, (LPARAM)LoadText(id).c_str());
        SendDlgItemMessageA(page, 1064, CB_SETCURSEL, std::min<int>(working.comparison, 3), 0);
        FillUnitCombo(page, 1084);
        FillUnitCombo(page, 1085);
        SendDlgItemMessageA(page, 1044, UDM_SETRANGE32, 0, 100);
        SendDlgItemMessageA(page, 1045, UDM_SETRANGE32, 0, 100);
        SetSizeWithUnit(page, 1067, 1084, working.size1);
        SetSizeWithUnit(page, 1068, 1085, working.size2);
        SizePageControls(page, edit);
      } else if (kind == 1) {
        HistoryList8 history;
        ReadHistoryList(&history, "SearchNameFilters");
        HWND combo = GetDlgItem(page, 1082);
        FillHistoryCombo(combo, &history);
        if (!history.entries[0]) working.nameOn = 0;
        else if (targets.patterns[0]) SetWindowTextA(combo, targets.patterns);
        else SendMessageA(combo, CB_SETCURSEL, 0, 0);
        FreeHistoryEntries(&history);
        NamePageControls(page, edit);
      } else {
        SetDlgItemInt(page, 1043, working.periods, FALSE);
        SendDlgItemMessageA(page, 1044, UDM_SETRANGE32, 0, 100);
        for (UINT id : {IDS_UNIT_MINUTES, IDS_UNIT_HOURS, IDS_UNIT_DAYS, IDS_UNIT_MONTHS, IDS_UNIT_YEARS})
          SendDlgItemMessageA(page, 1063, CB_ADDSTRING, 0, (LPARAM)LoadText(id).c_str());
        if (working.periodUnit > 4) working.periodUnit = 0;
        SendDlgItemMessageA(page, 1063, CB_SETCURSEL, working.periodUnit, 0);
        DatePageControls(page, edit);
      }
      return FALSE;
    }
    case WM_COMMAND: {
      UINT id = LOWORD(wParam);
      if (kind == 0) {
        if (id == 1070) working.sizeSwitch &= 0x7F;
        else if (id == 1073) working.sizeSwitch |= 0x80;
        else if (!(id == 1064 && HIWORD(wParam) == CBN_SELCHANGE)) return FALSE;
        SizePageControls(page, edit);
      } else if (kind == 1) {
        if (id == 1070) working.nameOn = 0;
        else if (id == 1039) working.nameOn = 1;
        else return FALSE;
        NamePageControls(page, edit);
      } else {
        uint8_t which = working.dateSwitch & 0x3F;
        switch (id) {
          case 1070: working.dateSwitch = which; break;
          case 1090: working.dateSwitch = (uint8_t)(0x80 | which); break;
          case 1091: working.dateSwitch = (uint8_t)(0xC0 | which); break;
          case 1075: working.dateSwitch = (uint8_t)((working.dateSwitch & 0xC0) | 0); break;
          case 1076: working.dateSwitch = (uint8_t)((working.dateSwitch & 0xC0) | 1); break;
          case 1074: working.dateSwitch = (uint8_t)((working.dateSwitch & 0xC0) | 2); break;
          default: return FALSE;
        }
        DatePageControls(page, edit);
      }
      return TRUE;
    }
    case kMsgApplyPage:
      if (kind == 0) ApplySizePage(page, edit);
      else if (kind == 1) ApplyNamePage(page, edit);
      else ApplyDatePage(page, edit);
      return TRUE;
  }
  return FALSE;
}

// Creates the three pages inside tab control 1058 of a dialog.
void CreateCriteriaPages(HWND dialog, CriteriaEdit* edit) {
  HWND tab = GetDlgItem(dialog, 1058);
  const UINT labels[3] = {IDS_TAB_SIZES, IDS_TAB_NAMES, IDS_TAB_DATES};
  const UINT templates[3] = {IDD_FIND_SIZES, IDD_FIND_NAMES, IDD_FIND_DATES};
  for (int i = 0; i < 3; ++i) {
    std::string text = LoadText(labels[i]);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageA(tab, TCM_INSERTITEMA, i, (LPARAM)&item);
  }
  RECT rc;
  GetWindowRect(tab, &rc);
  MapWindowPoints(nullptr, dialog, (POINT*)&rc, 2);
  HWND* pages = edit->pages;
  for (int i = 0; i < 3; ++i) {
    edit->pageRecords[i].kind = i;
    edit->pageRecords[i].edit = edit;
    pages[i] = CreateDialogParamA(Inst(), MAKEINTRESOURCEA(templates[i]), dialog, CriteriaPageProc,
                                    reinterpret_cast<LPARAM>(&edit->pageRecords[i]));
    if (!pages[i]) continue;
    SetWindowPos(pages[i], HWND_TOP, rc.left + 5, rc.top + 24, rc.right - rc.left - 10,
                 rc.bottom - rc.top - 32, SWP_HIDEWINDOW);
  }
  int last = std::min<int>(edit->working.lastPage, 2);
  SendMessageA(tab, TCM_SETCURSEL, last, 0);
  if (pages[last]) ShowWindow(pages[last], SW_SHOW);
}

void ShowSelectedPage(HWND dialog, CriteriaEdit* edit) {
  int sel = (int)SendDlgItemMessageA(dialog, 1058, TCM_GETCURSEL, 0, 0);
  if (sel < 0 || sel > 2) sel = 0;
  for (int i = 0; i < 3; ++i) if (edit->pages[i]) ShowWindow(edit->pages[i], i == sel ? SW_SHOW : SW_HIDE);
  edit->working.lastPage = (uint8_t)sel;
}

void ApplyPages(CriteriaEdit* edit) {
  for (HWND page : edit->pages) if (page) SendMessageA(page, kMsgApplyPage, 0, 0);
}

void DestroyPages(CriteriaEdit* edit) {
  for (HWND& page : edit->pages) {
    if (page) DestroyWindow(page);
    page = nullptr;
  }
}

// ---------------------------------------------------------------------------------------------
// Find Folders

// A search's job record, built on the GUI thread: the thread matches against its own copies of
// the criteria, their targets (with a copy of the size column's record) and the size setting,
// never against what the dialog or the settings hold meanwhile.
struct FindJob {
  FolderNode* start = nullptr;
  HWND dialog = nullptr;
  HWND mainWindow = nullptr;
  bool addToResults = false;
  FolderCriteria criteria;
  CriteriaTargets targets;
  ColumnRecord column;
};

FolderNode* RootNode() { return g_rootNode; }

void SetFindText(HWND dialog, UINT control, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, control), WM_SETTEXT, 0, (LPARAM)text.c_str());
}

void MatchFolderNode(FindJob* job, ScanThreadEntry* entry, FolderNode* node) {
  DriveNode* drive = node->drive;
  while (!entry->stopFlag.load() && IsDriveBusy(drive)) {
    NodeSums s;
    if (!ReadNodeSums(node, &s)) return;
    if ((s.flags & kNodeFilesListed) && (s.flags & kNodeSubtreeComplete)) break;
    Sleep(100);
  }
  NodeSums s;
  if (!ReadNodeSums(node, &s)) return;
  if (!(s.flags & kNodeFilesListed) && IsDriveNode(drive) && drive->findScanChoice == 1)
    RunScanQueue(node, 0, entry);
  if (MatchesCriteria(&job->criteria, &job->targets, node)) {
    char path[MAX_PATH] = "";
    if (GetNodePath(node, path, sizeof path)) ProperCaseName(path);
    SetFindText(job->dialog, 1086, path);
    SendMessageA(job->dialog, kMsgFindAddResult, (WPARAM)node, 0);
  }
}

void WalkAndMatch(FindJob* job, ScanThreadEntry* entry, FolderNode* node) {
  // Depth first, parents before their children.
  std::vector<FolderNode*> stack{node};
  while (!stack.empty() && !entry->stopFlag.load() && !g_shuttingDown.load()) {
    FolderNode* n = stack.back();
    stack.pop_back();
    if (!IsFolderNode(n)) continue;
    if (n->drive) MatchFolderNode(job, entry, n);
    std::vector<FolderNode*> children;
    for (FolderNode* c = FirstChildNode(n); c; c = NextSiblingNode(c)) children.push_back(c);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
  }
}

DWORD WINAPI FindFoldersThread(LPVOID param) {
  auto* entry = (ScanThreadEntry*)param;
  auto* job = (FindJob*)entry->data;
  g_findEntry.store(entry);
  HWND dialog = job->dialog;
  bool found = false;
  if (job->start && RootNode()) {
    PostMessageA(job->mainWindow, kMsgShowFindResults, 0, 0);
    if (!entry->stopFlag.load()) {
      PostMessageA(dialog, kMsgFindStartTimer, 1, 0);
      SetFindText(dialog, 1086, LoadText(IDS_FIND_SEARCHING));
      if (!job->addToResults) SendMessageA(dialog, kMsgFindClearResults, 0, 0);
      WalkAndMatch(job, entry, job->start);
      found = SendMessageA(dialog, kMsgFindFinished, 0, 0) != 0;
    }
  }
  PostMessageA(dialog, kMsgFindStartTimer, 0, 0);
  bool stopped = entry->stopFlag.load() || !found;
  if (!found) SetFindText(dialog, 1086, LoadText(IDS_FIND_NOTHING));
  if (stopped) PostMessageA(dialog, kMsgFindDone, 0, 0);
  else PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  g_findEntry.store(nullptr);
  delete job;
  UnregisterScanThread(entry);
  return 0;
}

// Adds a node to the results tree (GUI thread).
void AddFindResult(FolderNode* node, bool asTree, bool addToResults) {
  HWND tree = g_voltaly.searchTree;
  FolderNode* root = RootNode();
  if (!tree || !IsFolderNode(node) || !root || !root->searchItem) return;
  int image = 0, openImage = 0;
  if (!asTree) {
    if (addToResults && node->searchItem) return;
    char path[MAX_PATH] = "";
    GetNodePath(node, path, sizeof path);
    NodeIcons(node, &image, &openImage);
    node->searchItem = InsertTreeItem(tree, root->searchItem, path, TVI_FIRST, image, openImage, node);
    node->shownInSearchList = 0;
    return;
  }
  std::vector<FolderNode*> chain;
  for (FolderNode* n = node; n && n != root; n = ParentNode(n)) chain.push_back(n);
  HTREEITEM parent = root->searchItem;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    FolderNode* n = *it;
    if (!n->searchItem) {
      char label[MAX_PATH];
      NodeLabel(n, label, sizeof label);
      NodeIcons(n, &image, &openImage);
      n->searchItem = InsertTreeItem(tree, parent, label, TVI_FIRST, image, openImage, n);
      n->shownInSearchList = 0;
    }
    parent = n->searchItem;
  }
}

void ApplyCompact(HWND dialog, FindDialogState* state) {
  const bool compact = state->choices.compact;
  HWND anchor = GetDlgItem(dialog, compact ? 1004 : 1058);
  RECT rc, win, client;
  GetWindowRect(anchor, &rc);
  MapWindowPoints(nullptr, dialog, (POINT*)&rc, 2);
  GetWindowRect(dialog, &win);
  GetClientRect(dialog, &client);
  int height = (win.bottom - win.top) - client.bottom + rc.bottom + 8;
  SetWindowPos(dialog, nullptr, 0, 0, win.right - win.left, height, SWP_NOMOVE | SWP_NOZORDER);
  SetDlgItemTextA(dialog, 3, LoadText(compact ? IDS_FIND_MORE : IDS_FIND_LESS).c_str());
  ShowWindow(GetDlgItem(dialog, 1058), compact ? SW_HIDE : SW_SHOW);
  ShowSelectedPage(dialog, state);
  if (compact) for (HWND page : state->pages) if (page) ShowWindow(page, SW_HIDE);
}

void SetScopeText(HWND dialog, const FindDialogState* state) {
  const UINT texts[3] = {IDS_SCOPE_DRIVE, IDS_SCOPE_FOLDER, IDS_SCOPE_ALL};
  SetDlgItemTextA(dialog, 1086, LoadText(texts[std::clamp(state->choices.scope, 0, 2)]).c_str());
}

void FindDialogIdle(HWND dialog, FindDialogState* state, bool first) {
  int& scope = state->choices.scope;
  if (first) CreateCriteriaPages(dialog, state);
  ShowWindow(GetDlgItem(dialog, 1093), SW_HIDE);
  ApplyCompact(dialog, state);
  SetDlgItemTextA(dialog, 1087, LoadText(IDS_FIND_READY).c_str());
  scope = std::clamp(scope, 0, 2);
  FolderNode* node = state->currentNode;
  bool haveDrive = IsFolderNode(node) && IsDriveNode(node->drive);
  EnableWindow(GetDlgItem(dialog, 1071), haveDrive);
  EnableWindow(GetDlgItem(dialog, 1072), haveDrive);
  if (haveDrive) {
    char name[MAX_PATH];
    NodeLabel(node->drive, name, sizeof name);
    SetDlgItemTextA(dialog, 1046, name);
    if (IsDriveNode(node)) {
      if (scope == 1) scope = 0;
      EnableWindow(GetDlgItem(dialog, 1072), FALSE);
    } else {
      char path[MAX_PATH] = "", broken[2 * MAX_PATH + 1] = "";
      GetNodePath(node, path, sizeof path);
      ProperCaseName(path);
      PathWithBreaks(path, broken);
      SetDlgItemTextA(dialog, 1047, broken);
    }
  } else {
    scope = 2;
  }
  char rootName[MAX_PATH] = "";
  if (RootNode()) NodeLabel(RootNode(), rootName, sizeof rootName);
  SetDlgItemTextA(dialog, 1081, rootName);
  if (!first) {
    // A search that stopped keeps its message (nothing found) in 1086.
  } else {
    SetScopeText(dialog, state);
  }
  // Three radio groups: a run of radios is one group, so each goes in its own call.
  SetDialogControls(dialog, "rr", 1100, (int)!state->addToResults, 1111, (int)state->addToResults);
  SetDialogControls(dialog, "rr", 1120, (int)state->choices.resultsAsTree, 1121,
                    (int)!state->choices.resultsAsTree);
  SetDialogControls(dialog, "rrr", 1070, (int)(scope == 2), 1071, (int)(scope == 0), 1072, (int)(scope == 1));
  EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
  EnableWindow(GetDlgItem(dialog, 1054), FALSE);
}

// Asks, on the GUI thread, whether drives not yet complete are to be scanned during the search.
// false: the user cancelled.
bool AskDrivesToScan(HWND dialog, FolderNode* start, int scope) {
  FolderNode* root = RootNode();
  if (!root) return false;
  for (FolderNode* child = FirstChildNode(root); child; child = NextSiblingNode(child)) {
    DriveNode* drive = AsDrive(child);
    if (!drive) continue;
    drive->findScanChoice = 2;
    bool covered = scope == 2 || (IsFolderNode(start) && start->drive == drive);
    NodeSums s;
    if (!covered || !ReadNodeSums(drive, &s) || (s.flags & kNodeSubtreeComplete)) continue;
    char name[MAX_PATH], text[512];
    NodeLabel(drive, name, sizeof name);
    snprintf(text, sizeof text, LoadText(IDS_ASK_SCAN_DRIVE).c_str(), name);
    int answer = seams::MessageBoxA(dialog, text, LoadText(IDS_TITLE).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) drive->findScanChoice = 1;
  }
  return true;
}

INT_PTR CALLBACK FindFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<FindDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    state = reinterpret_cast<FindDialogState*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  }
  if (!state) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      FindDialogIdle(dialog, state, true);
      CenterOnOwner(dialog);
      return TRUE;
    case kMsgFindDone:
      FindDialogIdle(dialog, state, false);
      return TRUE;
    case WM_NOTIFY:
      if (((NMHDR*)lParam)->idFrom == 1058 && ((NMHDR*)lParam)->code == TCN_SELCHANGE) ShowSelectedPage(dialog, state);
      return TRUE;
    case WM_TIMER:
      if (wParam == kAnimTimer) {
        HICON icon = LoadIconA(Inst(), MAKEINTRESOURCEA(kAnimIcons[state->animFrame++ % 7]));
        SendDlgItemMessageA(dialog, 1093, STM_SETICON, (WPARAM)icon, 0);
      }
      return TRUE;
    case kMsgFindStartTimer:
      if (wParam) {
        ShowWindow(GetDlgItem(dialog, 1093), SW_SHOW);
        SetTimer(dialog, kAnimTimer, 150, nullptr);
      } else {
        KillTimer(dialog, kAnimTimer);
        ShowWindow(GetDlgItem(dialog, 1093), SW_HIDE);
      }
      return TRUE;
    case kMsgFindClearResults: {
      HWND tree = g_voltaly.searchTree;
      FolderNode* root = RootNode();
      if (tree && root && root->searchItem) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)root->searchItem);
        SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)root->searchItem);
        while (auto child = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root->searchItem))
          SendMessageA(tree, TVM_DELETEITEM, 0, (LPARAM)child);
      }
      ResetFindCapacity();
      return TRUE;
    }
    case kMsgFindAddResult:
      AddFindResult((FolderNode*)wParam, state->choices.resultsAsTree, state->addToResults);
      return TRUE;
    case kMsgFindFinished: {
      HWND tree = g_voltaly.searchTree;
      FolderNode* root = RootNode();
      bool any = tree && root && root->searchItem &&
                 SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root->searchItem);
      if (any) {
        // Every result in view: the results tree holds only them and their parent folders.
        std::vector<HTREEITEM> stack{root->searchItem};
        while (!stack.empty()) {
          HTREEITEM item = stack.back();
          stack.pop_back();
          SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
          for (auto c = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item); c;
               c = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)c))
            stack.push_back(c);
        }
        RebuildTreeView(root->searchItem);
        RebuildSizeRows(tree);
      }
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, any);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case 1054:
          if (ScanThreadEntry* e = g_findEntry.load()) e->stopFlag.store(1);
          return TRUE;
        case 1070: state->choices.scope = 2; SetScopeText(dialog, state); return TRUE;
        case 1071: state->choices.scope = 0; SetScopeText(dialog, state); return TRUE;
        case 1072: state->choices.scope = 1; SetScopeText(dialog, state); return TRUE;
        case 1100: state->addToResults = false; return TRUE;
        case 1111: state->addToResults = true; return TRUE;
        case 1120: state->choices.resultsAsTree = true; return TRUE;
        case 1121: state->choices.resultsAsTree = false; return TRUE;
        case 3:
          state->choices.compact = !state->choices.compact;
          ApplyCompact(dialog, state);
          return TRUE;
        case IDC_HELP_BUTTON: ShowHelpTopic(dialog, 100); return TRUE;
        case IDOK: {
          if (g_findEntry.load()) return TRUE;
          ApplyPages(state);
          const int scope = state->choices.scope;
          FolderNode* node = state->currentNode;
          FolderNode* start = nullptr;
          if (scope == 2 || !IsFolderNode(node) || !node->drive) start = RootNode();
          else if (scope == 0) start = node->drive;
          else start = node;
          if (!start || !AskDrivesToScan(dialog, start, scope)) return TRUE;
          state->findOk = true;
          EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
          EnableWindow(GetDlgItem(dialog, 1054), TRUE);
          SetDlgItemTextA(dialog, 1087, LoadText(IDS_FIND_SEARCHING).c_str());
          auto* job = new FindJob;
          job->start = start;
          job->dialog = dialog;
          job->mainWindow = g_voltaly.mainWindow;
          job->addToResults = state->addToResults;
          job->criteria = state->working;
          job->targets = state->targets;
          job->targets.sizeOnDisk = g_settings.sizeOnDisk ? 1 : 0;
          if (state->targets.column) {
            job->column = *state->targets.column;
            job->targets.column = &job->column;
          }
          if (!StartScanThread(FindFoldersThread, job)) {
            delete job;
            FindDialogIdle(dialog, state, false);
          }
          return TRUE;
        }
        case IDCANCEL: {
          if (ScanThreadEntry* e = g_findEntry.load()) e->stopFlag.store(1);
          // The thread reports to this dialog with sent messages: let it end first.
          for (int i = 0; i < 3000 && g_findEntry.load(); ++i) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) { TranslateMessage(&msg); DispatchMessageA(&msg); }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
          }
          KillTimer(dialog, kAnimTimer);
          DestroyPages(state);
          if (g_voltaly.currentTree) InvalidateRect(g_voltaly.currentTree, nullptr, FALSE);
          RepaintAllRows();
          EndDialog(dialog, state->findOk ? IDOK : IDCANCEL);
          return TRUE;
        }
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK TagFoldersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* edit = reinterpret_cast<CriteriaEdit*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_INITDIALOG) {
    edit = reinterpret_cast<CriteriaEdit*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  }
  if (!edit) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      CreateCriteriaPages(dialog, edit);
      CenterOnOwner(dialog);
      return TRUE;
    case WM_NOTIFY:
      if (((NMHDR*)lParam)->idFrom == 1058 && ((NMHDR*)lParam)->code == TCN_SELCHANGE) ShowSelectedPage(dialog, edit);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          ApplyPages(edit);
          SetTagActive(true);
          DestroyPages(edit);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          DestroyPages(edit);
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case 1088:
          SetTagActive(false);
          RepaintAllRows();
          return TRUE;
        case IDC_HELP_BUTTON:
          ShowHelpTopic(dialog, 101);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void ShowFindFolder() {
  if (g_findEntry.load()) return;
  FindDialogState state;
  state.choices = g_lastFindChoices;
  state.working = g_settings.findCriteria;
  state.working.lastPage = g_settings.lastFindPage;
  state.currentNode = g_voltaly.currentNode;
  INT_PTR result = DialogBoxParamA(Inst(), MAKEINTRESOURCEA(IDD_FIND_FOLDER), g_voltaly.mainWindow,
                                   FindFolderDlgProc, reinterpret_cast<LPARAM>(&state));
  g_lastFindChoices = state.choices;
  if (result == IDOK) {
    g_settings.findCriteria = state.working;
    g_settings.lastFindPage = state.working.lastPage;
  }
}

void ShowTagFolders(HWND owner) {
  if (!g_tagTargetsUsed) {
    g_tagTargets = CriteriaTargets{};
    g_tagTargetsUsed = true;
  }
  CriteriaEdit edit;
  edit.working = g_settings.tagCriteria;
  edit.targets = g_tagTargets;
  INT_PTR result = DialogBoxParamA(Inst(), MAKEINTRESOURCEA(IDD_TAG_FOLDERS), owner, TagFoldersDlgProc,
                                   reinterpret_cast<LPARAM>(&edit));
  if (result == IDOK) {
    g_settings.tagCriteria = edit.working;
    g_tagTargets = edit.targets;
    RepaintAllRows();
  }
}

static void SwitchView(bool find) {
  HWND tree = find ? g_voltaly.searchTree : g_voltaly.mainTree;
  if (!tree) return;
  SetFindViewShown(find);
  g_voltaly.currentTree = tree;
  g_voltaly.currentSizeList = SizeListOf(tree);
  if (find) ResetFindCapacity();
  RelayoutWindow(g_voltaly.mainWindow);
  auto selected = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  auto root = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  if (selected) {
    if (FolderNode* node = GetItemNode(tree, selected)) SelectFolder(node);
  } else if (find && root) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)root);
  }
  RebuildSizeRows(tree);
  RepaintAllRows();
  UpdateTreeStatusBar(g_voltaly.currentNode);
}

void ShowFindResults() {
  if (IsFindViewShown() && g_voltaly.currentTree == g_voltaly.searchTree) return;
  SwitchView(true);
}

void ShowNormalView() {
  if (!IsFindViewShown() && g_voltaly.currentTree == g_voltaly.mainTree) return;
  SwitchView(false);
}
