// What the finder does with found files besides the list's own verbs: copy or move them to a
// folder, send them by mail, print them with their programs, print the list itself, and the
// About box and help.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "copy_move_dialog.h"
#include "finder.h"
#include "help_file.h"
#include "print_services.h"
#include "resource.h"
#include "seams.h"
#include "send_mail.h"
#include "window_helpers.h"

namespace {

std::string FolderOfPath(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// The Copy/Move To dialog's list: the selected files with their small icons.
void FillCopyMoveRows(HWND rows, void*) {
  HIMAGELIST images = ListView_GetImageList(g_finder.list, LVSIL_SMALL);
  if (images) ListView_SetImageList(rows, images, LVSIL_SMALL);
  int n = 0;
  for (const std::string& path : SelectedResultPaths()) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    size_t slash = path.find_last_of('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = n++;
    item.pszText = const_cast<char*>(name.c_str());
    item.iImage = info.iIcon;
    ListView_InsertItem(rows, &item);
  }
}

// The selection as a double-NUL-terminated list, and its first path.
std::string SelectionList(std::string* first) {
  std::string list;
  for (const std::string& path : SelectedResultPaths()) {
    if (first && first->empty()) *first = path;
    list += path;
    list += '\0';
  }
  if (!list.empty()) list += '\0';
  return list;
}

}  // namespace

bool CopyOrMoveSelectedResults(UINT mode) {
  if (!g_finder.listShown || ListView_GetSelectedCount(g_finder.list) == 0) return false;
  CopyMoveRequest request;
  request.mode = mode;
  request.instance = g_finder.instance;
  request.copyCaption = IDM_COPY_TO;
  request.moveCaption = IDM_MOVE_TO;
  request.copyLabel = IDS_COPY_ITEMS_LABEL;
  request.moveLabel = IDS_MOVE_ITEMS_LABEL;
  request.blankTarget = IDS_ENTER_DESTINATION;
  request.goIcon = IDI_FINDER_GO;
  request.centreOver = g_finder.main;
  request.fillSources = FillCopyMoveRows;
  request.historyKey = kFinderKey;
  request.historySlots = kFinderHistorySlots;
  if (DialogBoxParamA(g_finder.instance, MAKEINTRESOURCEA(IDD_FINDER_COPY_MOVE), g_finder.main, CopyMoveDlgProc,
                      reinterpret_cast<LPARAM>(&request)) != 1)
    return false;
  bool viewer = CloseViewerWhileWorking();
  std::string first;
  std::string from = SelectionList(&first);
  std::string to = request.target;
  to.push_back('\0');
  to.push_back('\0');
  SHFILEOPSTRUCTA op{};
  op.hwnd = g_finder.main;
  op.wFunc = request.mode == 1 ? FO_MOVE : FO_COPY;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = FOF_ALLOWUNDO;
  // Copying a file onto itself or into its own folder makes a copy with a new name.
  std::string target = WithoutTrailingSlash(request.target);
  if (lstrcmpiA(target.c_str(), WithoutTrailingSlash(first).c_str()) == 0 ||
      lstrcmpiA(target.c_str(), WithoutTrailingSlash(FolderOfPath(first)).c_str()) == 0)
    op.fFlags |= FOF_RENAMEONCOLLISION;
  std::string folder = FolderOfPath(first);
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
  bool done = SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted;
  if (done) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, folder.c_str(), nullptr);
  ReopenViewerAfterWork(viewer);
  RefreshResultItems(true);
  return done;
}

bool MailSelectedResults() {
  auto* job = new MailJob;
  for (int i = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(g_finder.list, i, LVNI_SELECTED)) {
    std::string path;
    uint32_t attributes = 0;
    if (!ResultPathAndAttributes(i, &path, &attributes)) continue;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      delete job;
      seams::MessageBoxA(g_finder.main, FinderString(IDS_MAIL_FOLDER_REFUSED).c_str(),
                         FinderString(IDS_FINDER_NAME).c_str(), MB_ICONEXCLAMATION);
      return false;
    }
    size_t slash = path.find_last_of('\\');
    job->files.push_back({path, slash == std::string::npos ? path : path.substr(slash + 1)});
  }
  if (job->files.empty()) {
    delete job;
    return false;
  }
  job->subjectForMany = FinderString(IDS_MAIL_MANY_SUBJECT);
  return SendSelectionByMail(job) != FALSE;
}

int PrintSelectedFiles() {
  PrintFilesRequest request;
  request.sourceList = g_finder.list;
  request.centerOver = g_finder.main;
  if (DialogBoxParamA(g_finder.instance, MAKEINTRESOURCEA(IDD_FINDER_PRINT_FILES), g_finder.main, PrintFilesDlgProc,
                      reinterpret_cast<LPARAM>(&request)) != IDOK)
    return 0;
  int printed = 0;
  for (const std::string& path : SelectedResultPaths())
    if (PrintFileWithShell(g_finder.main, path.c_str())) ++printed;
  return printed;
}

int PrintResultList() {
  PrintListRequest request;
  request.owner = g_finder.main;
  request.list = g_finder.list;
  request.listKind = kPrintListFileSystem;
  request.title = FinderString(IDS_FINDER_CAPTION);
  request.texts.documentName = FinderString(IDS_FINDER_NAME);
  request.texts.pageLabel = FinderString(IDS_PRINT_PAGE);
  request.texts.columnHeader[0] = FinderString(IDS_PRINT_LIST_HEADS);
  request.texts.columnHeader[1] = request.texts.columnHeader[2] = request.texts.columnHeader[0];
  request.templateModule = g_finder.instance;
  // Arial 8 points; size, date, time and attributes right-aligned at their stops.
  request.fontPoints = 8;
  request.stops = {-700, -870, -1040, -1140, 1180, 1600};
  request.itemLine = [](HWND, int item) {
    return ResultColumnText(item, 0) + "\t" + ResultColumnText(item, 2) + "\t" + ResultColumnText(item, 4) + "\t" +
           ResultColumnText(item, 5) + "\t" + ResultColumnText(item, 6) + "\t" + ResultColumnText(item, 7);
  };
  return PrintFileList(request);
}

namespace {

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      FillFromVersionBlock(dialog, IDC_FINDER_ABOUT_NAME, IDC_FINDER_ABOUT_COPYRIGHT);
      HDC dc = GetDC(dialog);
      int height = -MulDiv(GetDeviceCaps(dc, LOGPIXELSY), 8, 72);
      ReleaseDC(dialog, dc);
      HFONT italic = CreateFontA(height, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
      SetPropA(dialog, "JQSeekItalic", italic);
      SendDlgItemMessageA(dialog, IDC_FINDER_ABOUT_COPYRIGHT, WM_SETFONT, reinterpret_cast<WPARAM>(italic), FALSE);
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (HANDLE font = RemovePropA(dialog, "JQSeekItalic")) DeleteObject(font);
      break;
  }
  return FALSE;
}

}  // namespace

void ShowFinderAbout() {
  DialogBoxParamA(g_finder.instance, MAKEINTRESOURCEA(IDD_FINDER_ABOUT), g_finder.main, AboutDlgProc, 0);
}

void ShowFinderHelp(UINT context) {
  ShowHelpTopic(g_finder.main, context);
  g_finder.helpOpened = true;
}
