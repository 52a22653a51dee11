// The Preferences sheet's eight pages.
#include "preferences.h"
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include "frame_state.h"
#include "help_file.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "window_helpers.h"
#include "window_utils.h"

PreferencesHost g_preferencesHost;
DWORD g_sheetReplaceExplorer;

const ContextMenuValue kContextMenuValues[kContextMenuValueCount] = {
    {"Menu Zip", IDC_CTX_ZIP},
    {"Menu UnZip", IDC_CTX_UNZIP},
    {"Menu AddToZip", IDC_CTX_ADD_TO_ZIP},
    {"Menu Test integrity", IDC_CTX_TEST},
    {"Menu Copy", IDC_CTX_COPY},
    {"Menu Move", IDC_CTX_MOVE},
    {"Menu Extract Here", IDC_CTX_EXTRACT_HERE},
    {"Menu Decode", IDC_CTX_DECODE},
    {"Menu Disk", IDC_CTX_DISK},
    {"Menu Convert Picture", IDC_CTX_CONVERT_PICTURE},
    {"Menu Synch Folder", IDC_CTX_SYNCH_FOLDER},
    {"Cascade Menus", IDC_CTX_CASCADE},
};
// "Cascade Menus" is read and written after "Menu Decode".
const int kContextMenuValueOrder[kContextMenuValueCount] = {0, 1, 2, 3, 4, 5, 6, 7, 11, 8, 9, 10};

void ReadContextMenuValues(uint32_t (&values)[kContextMenuValueCount]) {
  for (int index : kContextMenuValueOrder) {
    DWORD value = 1;
    if (!ReadSettingDword(kContextMenuValues[index].name, &value)) value = 1;
    values[index] = value;
  }
}

void WriteContextMenuValues(const uint32_t (&values)[kContextMenuValueCount]) {
  for (int index : kContextMenuValueOrder) {
    DWORD value = values[index];
    WriteSettingDword(kContextMenuValues[index].name, &value);
  }
}

void FormatDriveListText(DWORD shown, char (&text)[27]) {
  for (int i = 0; i < 26; ++i) text[i] = (shown & (1u << (i + 1))) ? static_cast<char>('a' + i) : '.';
  text[26] = '\0';
}

namespace {

HINSTANCE Instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(Instance(), id, text, sizeof text);
  return text;
}

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
uint32_t Flag(HWND page, int id) { return Checked(page, id) ? 1u : 0u; }
void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Enable(HWND page, int id, bool on) { EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE); }

// The answer of every notification but PSN_APPLY: 0 in the page's result.
INT_PTR Answer(HWND page, LRESULT result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

// The common notifications. Sets *apply for PSN_APPLY (the caller copies its controls and the
// answer "valid" is given); returns true when the notification was one of the sheet's.
bool SheetNotification(HWND page, LPARAM lParam, bool* apply, INT_PTR* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  *apply = false;
  switch (header->code) {
    case PSN_APPLY:
      *apply = true;
      *result = Answer(page, PSNRET_NOERROR);
      return true;
    case PSN_SETACTIVE:
    case PSN_KILLACTIVE:
    case PSN_RESET:
    case PSN_HELP:
      *result = Answer(page, 0);
      return true;
  }
  return false;
}

// ---- General ---------------------------------------------------------------------------------

HBITMAP g_colorSample;
// The colour chosen on the page; it becomes the option when the sheet is confirmed.
COLORREF g_pendingColor;

void FillColorSample(HWND page) {
  HWND sample = GetDlgItem(page, IDC_GEN_COLOR_SAMPLE);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 256, 32);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 256, 32};
  HBRUSH brush = CreateSolidBrush(g_pendingColor);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  HBITMAP previous = reinterpret_cast<HBITMAP>(
      SendMessageA(sample, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (previous && previous != bitmap) DeleteObject(previous);
  if (g_colorSample && g_colorSample != previous) DeleteObject(g_colorSample);
  g_colorSample = bitmap;
  // The static keeps its template size: the bitmap is cut to it.
  RECT box{};
  GetWindowRect(sample, &box);
  (void)box;
}

void DeleteColorSample(HWND page) {
  HWND sample = GetDlgItem(page, IDC_GEN_COLOR_SAMPLE);
  HBITMAP current = reinterpret_cast<HBITMAP>(SendMessageA(sample, STM_SETIMAGE, IMAGE_BITMAP, 0));
  if (current) DeleteObject(current);
  if (g_colorSample && g_colorSample != current) DeleteObject(g_colorSample);
  g_colorSample = nullptr;
}

void EnableColorControls(HWND page) {
  bool on = Checked(page, IDC_GEN_COLOR_COMPRESSED);
  Enable(page, IDC_GEN_COLOR_SAMPLE, on);
  Enable(page, IDC_GEN_COLOR_BUTTON, on);
}

BOOL SystemColorDialog(HWND owner, COLORREF* color) {
  static COLORREF custom[16];
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = owner;
  choose.rgbResult = *color;
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT;
  if (!ChooseColorA(&choose)) return FALSE;
  *color = choose.rgbResult;
  return TRUE;
}

void PickCompressedColor(HWND page) {
  RECT button{};
  GetWindowRect(GetDlgItem(page, IDC_GEN_COLOR_BUTTON), &button);
  POINT at = {button.left - 1, button.bottom - 1};
  COLORREF color = g_pendingColor;
  BOOL chosen = g_preferencesHost.pickColor ? g_preferencesHost.pickColor(page, at, &color)
                                            : SystemColorDialog(page, &color);
  if (!chosen) return;
  g_pendingColor = color;
  FillColorSample(page);
}

void InitGeneralPage(HWND page) {
  CenterWindowOver(GetParent(page), g_mainWindow ? g_mainWindow : GetWindow(GetParent(page), GW_OWNER));
  const LiveOptions& o = GetLiveOptions();
  Check(page, IDC_GEN_TITLE_FULL_PATH, o.titleFullPath);
  Check(page, IDC_GEN_TITLE_PATH_FIRST, o.titlePathFirst);
  Check(page, IDC_GEN_KEEP_EXTENSION, o.keepHiddenExtension);
  Check(page, IDC_GEN_FORCE_REFRESH, o.forceRefreshAfterOps);
  Check(page, IDC_GEN_COLOR_COMPRESSED, o.colorCompressed);
  Check(page, IDC_GEN_WRAP_TOOLBAR, o.toolbarScrolls);
  Check(page, IDC_GEN_WRAP_DRIVE_BAR, o.driveBarScrolls);
  g_pendingColor = o.compressedColor;
  Check(page, IDC_GEN_REPLACE_EXPLORER, g_preferencesHost.replaceExplorer && *g_preferencesHost.replaceExplorer);
  FillColorSample(page);
  EnableColorControls(page);
  if (g_frame.commonControlsEx) {
    Check(page, IDC_GEN_FLAT_TOOLBARS, o.floatingIconToolbar);
    if (o.resizableToolbar) {
      Check(page, IDC_GEN_COOLBAR, true);
      Enable(page, IDC_GEN_WRAP_TOOLBAR, false);
      Enable(page, IDC_GEN_WRAP_DRIVE_BAR, false);
    }
  } else {
    Enable(page, IDC_GEN_FLAT_TOOLBARS, false);
    Enable(page, IDC_GEN_COOLBAR, false);
  }
}

void ApplyGeneralPage(HWND page) {
  LiveOptions& o = GetLiveOptions();
  o.titleFullPath = Flag(page, IDC_GEN_TITLE_FULL_PATH);
  o.titlePathFirst = Flag(page, IDC_GEN_TITLE_PATH_FIRST);
  o.keepHiddenExtension = Flag(page, IDC_GEN_KEEP_EXTENSION);
  o.forceRefreshAfterOps = Flag(page, IDC_GEN_FORCE_REFRESH);
  o.colorCompressed = Flag(page, IDC_GEN_COLOR_COMPRESSED);
  o.compressedColor = g_pendingColor;
  g_sheetReplaceExplorer = Flag(page, IDC_GEN_REPLACE_EXPLORER);
  // With the coolbar the wrap boxes are disabled: the wrapping stays as it was.
  if (IsWindowEnabled(GetDlgItem(page, IDC_GEN_WRAP_TOOLBAR))) {
    o.toolbarScrolls = Flag(page, IDC_GEN_WRAP_TOOLBAR);
    o.toolbarScrollsCopy = o.toolbarScrolls;
  }
  if (IsWindowEnabled(GetDlgItem(page, IDC_GEN_WRAP_DRIVE_BAR))) o.driveBarScrolls = Flag(page, IDC_GEN_WRAP_DRIVE_BAR);
  if (g_frame.commonControlsEx) {
    o.floatingIconToolbar = Flag(page, IDC_GEN_FLAT_TOOLBARS);
    o.resizableToolbar = Flag(page, IDC_GEN_COOLBAR);
  }
}

// ---- Lists -----------------------------------------------------------------------------------

void SingleClickChanged(HWND page) {
  if (Checked(page, IDC_LST_SINGLE_CLICK)) {
    Enable(page, IDC_LST_UNDERLINE_BROWSER, true);
    Enable(page, IDC_LST_UNDERLINE_HOVER, false);
    Check(page, IDC_LST_UNDERLINE_HOVER, true);
  } else {
    Enable(page, IDC_LST_UNDERLINE_BROWSER, false);
    Enable(page, IDC_LST_UNDERLINE_HOVER, true);
    Check(page, IDC_LST_UNDERLINE_HOVER, false);
  }
}

void InitListsPage(HWND page) {
  const LiveOptions& o = GetLiveOptions();
  Check(page, IDC_LST_HIDE_SYSTEM, o.hideSystemFiles);
  Check(page, IDC_LST_KEEP_SELECTION, o.keepSelectionVisible);
  Check(page, IDC_LST_FULL_ROW, o.fullRowSelect);
  Check(page, IDC_LST_UP_ENTRY, o.showUpEntry);
  Check(page, IDC_LST_SINGLE_CLICK, o.singleClickOpens);
  Check(page, IDC_LST_UNDERLINE_BROWSER, o.underlineAlways);
  Check(page, IDC_LST_UNDERLINE_HOVER, o.underlineHover);
  Check(page, IDC_LST_KEEP_FOLDER, o.keepFolderVisible);
  Check(page, IDC_LST_DRAG_EXPAND, !o.noDragExpand);
  if (o.singleClickOpens) {
    Enable(page, IDC_LST_UNDERLINE_HOVER, false);
    Check(page, IDC_LST_UNDERLINE_HOVER, true);
  } else {
    Enable(page, IDC_LST_UNDERLINE_BROWSER, false);
  }
  if (!g_frame.commonControlsEx)
    for (int id : {IDC_LST_FULL_ROW, IDC_LST_SINGLE_CLICK, IDC_LST_UNDERLINE_BROWSER, IDC_LST_UNDERLINE_HOVER})
      Enable(page, id, false);
}

void ApplyListsPage(HWND page) {
  LiveOptions& o = GetLiveOptions();
  o.hideSystemFiles = Flag(page, IDC_LST_HIDE_SYSTEM);
  o.keepSelectionVisible = Flag(page, IDC_LST_KEEP_SELECTION);
  o.fullRowSelect = Flag(page, IDC_LST_FULL_ROW);
  o.showUpEntry = Flag(page, IDC_LST_UP_ENTRY);
  o.singleClickOpens = Flag(page, IDC_LST_SINGLE_CLICK);
  o.underlineAlways = Flag(page, IDC_LST_UNDERLINE_BROWSER);
  o.underlineHover = Flag(page, IDC_LST_UNDERLINE_HOVER);
  o.keepFolderVisible = Flag(page, IDC_LST_KEEP_FOLDER);
  o.noDragExpand = Checked(page, IDC_LST_DRAG_EXPAND) ? 0u : 1u;
}

// ---- Drives ----------------------------------------------------------------------------------

struct DriveItem {
  UINT type;   // GetDriveType
  int letter;  // A = 1
};

constexpr int kCategoryBoxes[4] = {IDC_DRV_FLOPPY, IDC_DRV_HARD, IDC_DRV_NETWORK, IDC_DRV_OTHER};

// 0 floppy, 1 hard, 2 network, 3 other.
int CategoryOf(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE:
      return 0;
    case DRIVE_FIXED:
      return 1;
    case DRIVE_REMOTE:
      return 2;
  }
  return 3;
}

HIMAGELIST CreateCheckImages() {
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
  if (!images) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 48, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF mask = RGB(255, 0, 255);
  RECT all = {0, 0, 48, 16};
  HBRUSH brush = CreateSolidBrush(mask);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  // State 0 draws nothing; state 1 an empty box, state 2 a checked box.
  RECT unchecked = {16 + 2, 2, 16 + 15, 15}, checked = {32 + 2, 2, 32 + 15, 15};
  DrawFrameControl(dc, &unchecked, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
  DrawFrameControl(dc, &checked, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_CHECKED);
  SelectObject(dc, old);
  ImageList_AddMasked(images, bitmap, mask);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return images;
}

DriveItem* ItemData(HWND tree, HTREEITEM item) {
  TVITEMA data{};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return nullptr;
  return reinterpret_cast<DriveItem*>(data.lParam);
}

bool ItemChecked(HWND tree, HTREEITEM item) {
  UINT state = static_cast<UINT>(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
  return (state >> 12) == 2;
}

void SetItemChecked(HWND tree, HTREEITEM item, bool on) {
  TVITEMA data{};
  data.mask = TVIF_STATE | TVIF_HANDLE;
  data.hItem = item;
  data.stateMask = TVIS_STATEIMAGEMASK;
  data.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

template <typename Visit>
void ForEachDrive(HWND tree, Visit visit) {
  for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
    if (DriveItem* drive = ItemData(tree, item)) visit(item, *drive);
}

// The category boxes (tri-state by their drives) and the drive list text.
void UpdateDriveDisplays(HWND page) {
  HWND tree = GetDlgItem(page, IDC_DRV_TREE);
  int total[4] = {}, shown[4] = {};
  DWORD mask = 0;
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItem& drive) {
    int category = CategoryOf(drive.type);
    ++total[category];
    if (ItemChecked(tree, item)) {
      ++shown[category];
      mask |= 1u << drive.letter;
    }
  });
  for (int c = 0; c < 4; ++c)
    CheckDlgButton(page, kCategoryBoxes[c],
                   shown[c] == 0 ? BST_UNCHECKED : shown[c] == total[c] ? BST_CHECKED : BST_INDETERMINATE);
  char text[27];
  FormatDriveListText(mask, text);
  SetDlgItemTextA(page, IDC_DRV_LIST_TEXT, text);
}

void ToggleDrive(HWND tree, HTREEITEM item) {
  if (!item) return;
  SetItemChecked(tree, item, !ItemChecked(tree, item));
  UpdateDriveDisplays(GetParent(tree));
}

void CategoryClicked(HWND page, int box) {
  int category = 0;
  while (category < 3 && kCategoryBoxes[category] != box) ++category;
  bool on = IsDlgButtonChecked(page, box) != BST_CHECKED;
  HWND tree = GetDlgItem(page, IDC_DRV_TREE);
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItem& drive) {
    if (CategoryOf(drive.type) == category) SetItemChecked(tree, item, on);
  });
  UpdateDriveDisplays(page);
  // A category without drives still answers the click.
  CheckDlgButton(page, box, on ? BST_CHECKED : BST_UNCHECKED);
}

WNDPROC g_treeProc;

void InitDrivesPage(HWND page) {
  HWND tree = GetDlgItem(page, IDC_DRV_TREE);
  SHFILEINFOA info{};
  auto system = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (system) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(system));
  if (HIMAGELIST states = CreateCheckImages())
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(states));
  const DriveFilters& filters = GetLiveOptions().driveFilters;
  const uint32_t categoryOn[4] = {filters.floppy, filters.hard, filters.network, filters.other};
  DWORD present = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(present & (1u << i))) continue;
    char root[4] = {static_cast<char>('A' + i), ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    if (type != DRIVE_UNKNOWN && (type < DRIVE_REMOVABLE || type > DRIVE_RAMDISK)) continue;
    SHFILEINFOA shown{};
    SHGetFileInfoA(root, 0, &shown, sizeof shown, SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (!shown.szDisplayName[0]) snprintf(shown.szDisplayName, sizeof shown.szDisplayName, "(%c:)", 'A' + i);
    auto* drive = new DriveItem{type, i + 1};
    bool checked = (filters.driveMask & (1u << (i + 1))) && categoryOn[CategoryOf(type)];
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    insert.item.pszText = shown.szDisplayName;
    insert.item.iImage = insert.item.iSelectedImage = shown.iIcon;
    insert.item.lParam = reinterpret_cast<LPARAM>(drive);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    if (!SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert))) delete drive;
  }
  UpdateDriveDisplays(page);
  g_treeProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DriveTreeSubclassProc)));
}

void ApplyDrivesPage(HWND page) {
  DriveFilters& filters = GetLiveOptions().driveFilters;
  uint32_t* flags[4] = {&filters.floppy, &filters.hard, &filters.network, &filters.other};
  HWND tree = GetDlgItem(page, IDC_DRV_TREE);
  int total[4] = {};
  ForEachDrive(tree, [&](HTREEITEM item, const DriveItem& drive) {
    ++total[CategoryOf(drive.type)];
    if (ItemChecked(tree, item)) filters.driveMask |= 1u << drive.letter;
    else filters.driveMask &= ~(1u << drive.letter);
  });
  // A category shows when any of its drives does; a category with no drive here keeps its flag
  // unless its box was clicked.
  for (int c = 0; c < 4; ++c) {
    UINT state = IsDlgButtonChecked(page, kCategoryBoxes[c]);
    if (total[c] || state == BST_CHECKED) *flags[c] = state != BST_UNCHECKED ? 1u : 0u;
    else if (!total[c] && state == BST_UNCHECKED && GetPropA(page, "JQ category clicked")) *flags[c] = 0;
  }
  SaveDriveFilters();
  HIMAGELIST states = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, 0));
  if (states) ImageList_Destroy(states);
}

// ---- Viewer ----------------------------------------------------------------------------------

HWND g_browseTip;
HICON g_browseIcon;

void InitViewerPage(HWND page) {
  const LiveOptions& o = GetLiveOptions();
  CheckRadioButton(page, IDC_VWR_TEXT, IDC_VWR_HEX, o.viewerTextDefault ? IDC_VWR_TEXT : IDC_VWR_HEX);
  CheckRadioButton(page, IDC_VWR_OPEN, IDC_VWR_QUICK_VIEW, o.viewerDoubleClickOpens ? IDC_VWR_OPEN : IDC_VWR_QUICK_VIEW);
  char editor[sizeof o.editor + 1] = "";
  memcpy(editor, o.editor, sizeof o.editor);
  SendDlgItemMessageA(page, IDC_VWR_EDITOR, EM_LIMITTEXT, sizeof o.editor - 1, 0);
  SetDlgItemTextA(page, IDC_VWR_EDITOR, editor);
  if (!g_browseIcon)
    g_browseIcon = static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
  SendDlgItemMessageA(page, IDC_VWR_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(g_browseIcon));
  g_browseTip = AddBrowseTooltip(GetDlgItem(page, IDC_VWR_BROWSE));
}

void BrowseForEditor(HWND page) {
  char file[MAX_PATH] = "";
  GetDlgItemTextA(page, IDC_VWR_EDITOR, file, sizeof file);
  std::string filter = LoadText(IDS_EDITOR_FILTER);
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.push_back('\0');
  OPENFILENAMEA open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = page;
  open.lpstrFilter = filter.c_str();
  open.lpstrFile = file;
  open.nMaxFile = sizeof file;
  open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&open)) SetDlgItemTextA(page, IDC_VWR_EDITOR, file);
}

void ApplyViewerPage(HWND page) {
  LiveOptions& o = GetLiveOptions();
  o.viewerTextDefault = Flag(page, IDC_VWR_TEXT);
  o.viewerDoubleClickOpens = Flag(page, IDC_VWR_OPEN);
  char editor[sizeof o.editor] = "";
  GetDlgItemTextA(page, IDC_VWR_EDITOR, editor, sizeof editor);
  memset(o.editor, 0, sizeof o.editor);
  memcpy(o.editor, editor, strnlen(editor, sizeof editor - 1));
}

// ---- Zip -------------------------------------------------------------------------------------

void InitZipPage(HWND page) {
  const LiveOptions& o = GetLiveOptions();
  Check(page, IDC_ZIP_CONFIRM_DELETE, o.zipConfirmDelete);
  Check(page, IDC_ZIP_BEEP, o.zipBeepWhenDone);
  if (o.noArchivesAsFolders) Enable(page, IDC_ZIP_OPEN_FROM_LIST, false);
  else Check(page, IDC_ZIP_AS_FOLDERS, true);
  Check(page, IDC_ZIP_OPEN_FROM_LIST, o.zipOpenFromList);
}

void AssociateArchives(HWND page) {
  if (seams::MessageBoxA(page, LoadText(IDS_ASSOCIATE_ARCHIVES).c_str(), g_appName, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return;
  char folder[MAX_PATH] = "";
  ReadInstallDir(folder);
  size_t length = strlen(folder);
  if (length > 3 && folder[length - 1] == '\\') folder[length - 1] = '\0';
  if (g_preferencesHost.registerArchiveAssociations) g_preferencesHost.registerArchiveAssociations(folder, 1);
  Check(page, IDC_ZIP_AS_FOLDERS, true);
  Enable(page, IDC_ZIP_OPEN_FROM_LIST, true);
}

void ApplyZipPage(HWND page) {
  LiveOptions& o = GetLiveOptions();
  o.zipConfirmDelete = Flag(page, IDC_ZIP_CONFIRM_DELETE);
  o.zipBeepWhenDone = Flag(page, IDC_ZIP_BEEP);
  o.noArchivesAsFolders = Checked(page, IDC_ZIP_AS_FOLDERS) ? 0u : 1u;
  o.zipOpenFromList = Flag(page, IDC_ZIP_OPEN_FROM_LIST);
}

// ---- Page procedures -------------------------------------------------------------------------

constexpr UINT kHelpGeneral = 12, kHelpLists = 89, kHelpDrives = 7, kHelpContextMenu = 12, kHelpViewer = 44,
               kHelpZip = 21, kHelpCommandLine = 7, kHelpKeyboard = 12;

// The part every page shares: WM_HELP and the sheet's notifications. Returns true when handled.
bool CommonPageMessage(HWND page, UINT message, LPARAM lParam, UINT helpTopic, void (*apply)(HWND),
                       INT_PTR* result) {
  if (message == WM_HELP) {
    ShowHelpTopic(page, helpTopic);
    *result = TRUE;
    return true;
  }
  if (message == WM_NOTIFY) {
    bool doApply = false;
    if (SheetNotification(page, lParam, &doApply, result)) {
      if (doApply && apply) apply(page);
      return true;
    }
  }
  return false;
}

}  // namespace

LRESULT CALLBACK DriveTreeSubclassProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
  if (wParam == VK_SPACE && (message == WM_KEYDOWN || message == WM_KEYUP))
  {
    if (message == WM_KEYDOWN) ToggleDrive(tree, TreeView_GetSelection(tree));
    return 0;
  }
  if (message == WM_CHAR && wParam == ' ') return 0;
  if (message == WM_NCDESTROY) SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_treeProc));
  return CallWindowProcA(g_treeProc, tree, message, wParam, lParam);
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (message == WM_NOTIFY) {
    UINT code = reinterpret_cast<NMHDR*>(lParam)->code;
    if (code == PSN_APPLY) ApplyGeneralPage(page);
    if (code == PSN_APPLY || code == PSN_RESET) DeleteColorSample(page);
  }
  if (CommonPageMessage(page, message, lParam, kHelpGeneral, nullptr, &result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      InitGeneralPage(page);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_GEN_COLOR_BUTTON:
          PickCompressedColor(page);
          return TRUE;
        case IDC_GEN_COLOR_COMPRESSED:
          EnableColorControls(page);
          return TRUE;
        case IDC_GEN_COOLBAR: {
          bool free = !Checked(page, IDC_GEN_COOLBAR);
          Enable(page, IDC_GEN_WRAP_TOOLBAR, free);
          Enable(page, IDC_GEN_WRAP_DRIVE_BAR, free);
          return TRUE;
        }
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK ListsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, kHelpLists, ApplyListsPage, &result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      InitListsPage(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_LST_SINGLE_CLICK) {
        SingleClickChanged(page);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK DrivesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, kHelpDrives, ApplyDrivesPage, &result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      InitDrivesPage(page);
      return TRUE;
    case WM_COMMAND:
      for (int box : kCategoryBoxes)
        if (LOWORD(wParam) == box && HIWORD(wParam) == BN_CLICKED) {
          SetPropA(page, "JQ category clicked", reinterpret_cast<HANDLE>(1));
          CategoryClicked(page, box);
          return TRUE;
        }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_DRV_TREE) break;
      if (header->code == NM_CLICK) {
        TVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(header->hwndFrom, &hit.pt);
        HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(header->hwndFrom, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEMSTATEICON)) ToggleDrive(header->hwndFrom, item);
      } else if (header->code == TVN_DELETEITEMA || header->code == TVN_DELETEITEMW) {
        delete reinterpret_cast<DriveItem*>(reinterpret_cast<NMTREEVIEWA*>(lParam)->itemOld.lParam);
      }
      return Answer(page, 0);
    }
    case WM_DESTROY:
      RemovePropA(page, "JQ category clicked");
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK ContextMenuPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  INT_PTR result = FALSE;
  auto apply = [](HWND p) {
    uint32_t values[kContextMenuValueCount];
    for (int i = 0; i < kContextMenuValueCount; ++i) values[i] = Flag(p, kContextMenuValues[i].box);
    WriteContextMenuValues(values);
  };
  if (CommonPageMessage(page, message, lParam, kHelpContextMenu, apply, &result)) return result;
  if (message == WM_INITDIALOG) {
    uint32_t values[kContextMenuValueCount];
    ReadContextMenuValues(values);
    for (int i = 0; i < kContextMenuValueCount; ++i) Check(page, kContextMenuValues[i].box, values[i] != 0);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK ViewerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, kHelpViewer, ApplyViewerPage, &result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      InitViewerPage(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_VWR_BROWSE) {
        BrowseForEditor(page);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (g_browseTip) DestroyWindow(g_browseTip);
      g_browseTip = nullptr;
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK ZipPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, kHelpZip, ApplyZipPage, &result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      InitZipPage(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_ZIP_AS_FOLDERS) {
        Enable(page, IDC_ZIP_OPEN_FROM_LIST, Checked(page, IDC_ZIP_AS_FOLDERS));
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_ZIP_ASSOCIATE) {
        AssociateArchives(page);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK CommandLinePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  INT_PTR result = FALSE;
  auto apply = [](HWND p) {
    LiveOptions& o = GetLiveOptions();
    o.dosShowPath = Flag(p, IDC_CMD_SHOW_PATH);
    o.dosDeleteToRecycle = Flag(p, IDC_CMD_RECYCLE);
    o.dosConfirm = Flag(p, IDC_CMD_CONFIRM);
    o.dosCopyFolders = Flag(p, IDC_CMD_COPY_FOLDERS);
  };
  if (CommonPageMessage(page, message, lParam, kHelpCommandLine, apply, &result)) return result;
  if (message == WM_INITDIALOG) {
    const LiveOptions& o = GetLiveOptions();
    Check(page, IDC_CMD_SHOW_PATH, o.dosShowPath);
    Check(page, IDC_CMD_RECYCLE, o.dosDeleteToRecycle);
    Check(page, IDC_CMD_CONFIRM, o.dosConfirm);
    Check(page, IDC_CMD_COPY_FOLDERS, o.dosCopyFolders);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK KeyboardPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  INT_PTR result = FALSE;
  auto apply = [](HWND p) {
    GetLiveOptions().keyboardScheme = Checked(p, IDC_KEY_OWN) ? 0u : Checked(p, IDC_KEY_XTREE) ? 1u : 2u;
  };
  if (CommonPageMessage(page, message, lParam, kHelpKeyboard, apply, &result)) return result;
  if (message == WM_INITDIALOG) {
    UINT scheme = GetLiveOptions().keyboardScheme;
    CheckRadioButton(page, IDC_KEY_OWN, IDC_KEY_COMMANDER,
                     scheme == 0 ? IDC_KEY_OWN : scheme == 1 ? IDC_KEY_XTREE : IDC_KEY_COMMANDER);
    return TRUE;
  }
  return FALSE;
}

INT_PTR ShowPreferencesSheet(HWND owner) {
  struct PageEntry {
    UINT id;
    DLGPROC proc;
  };
  static const PageEntry kPages[8] = {
      {IDD_PREF_GENERAL, GeneralPageProc},  {IDD_PREF_DRIVES, DrivesPageProc},
      {IDD_PREF_LISTS, ListsPageProc},      {IDD_PREF_CONTEXT_MENU, ContextMenuPageProc},
      {IDD_PREF_VIEWER, ViewerPageProc},    {IDD_PREF_ZIP, ZipPageProc},
      {IDD_PREF_COMMAND_LINE, CommandLinePageProc}, {IDD_PREF_KEYBOARD, KeyboardPageProc},
  };
  PROPSHEETPAGEA pages[8] = {};
  for (int i = 0; i < 8; ++i) {
    pages[i].dwSize = sizeof pages[i];
    pages[i].hInstance = Instance();
    pages[i].pszTemplate = MAKEINTRESOURCEA(kPages[i].id);
    pages[i].pfnDlgProc = kPages[i].proc;
  }
  char caption[51] = "";
  LoadStringA(Instance(), IDS_PREFERENCES_CAPTION, caption, sizeof caption);
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
  header.hwndParent = owner;
  header.hInstance = Instance();
  header.pszCaption = caption;
  header.nPages = 8;
  header.nStartPage = 0;
  header.ppsp = pages;
  return PropertySheetA(&header);
}
