// The print commands: the print dialog with the program's templates, one document per job,
// the Print Files confirmation dialog and printing through a file's own program.
#include <windows.h>
#include <commdlg.h>
#include "print_services.h"
#include "help_file.h"
#include "seams.h"
#include "window_helpers.h"

UINT PrintWholeTree = 0;

namespace {

constexpr DWORD kPrintDialogFlags = PD_COLLATE | PD_RETURNDC | PD_ENABLEPRINTHOOK |
                                    PD_ENABLEPRINTTEMPLATE | PD_USEDEVMODECOPIESANDCOLLATE |
                                    PD_HIDEPRINTTOFILE;  // 0x145110

// The list's dialog needs nothing of its hook.
UINT_PTR CALLBACK PrintListDlgHook(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The tree's dialog keeps the whole-tree box's state. The box shares its id with the standard
// dialog's first print-range button, which the dialog itself checks when it starts and when the
// printer changes; so the box is a plain check box whose state the hook owns and shows again
// after every other command (and once the dialog has finished starting).
constexpr UINT kShowWholeTreeState = WM_APP + 56;

UINT_PTR CALLBACK PrintTreeDlgHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  auto show = [&] { CheckDlgButton(dialog, kPrintWholeTreeBox, PrintWholeTree ? BST_CHECKED : BST_UNCHECKED); };
  if (message == WM_INITDIALOG) {
    show();
    PostMessageA(dialog, kShowWholeTreeState, 0, 0);
    return TRUE;
  }
  if (message == kShowWholeTreeState) {
    show();
    return TRUE;
  }
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == kPrintWholeTreeBox && HIWORD(wParam) == BN_CLICKED) PrintWholeTree = !PrintWholeTree;
    show();
  }
  return FALSE;
}

// Runs the dialog; the DC and the blocks are released by the caller through PrintDialogResult.
struct PrintDialogResult {
  PRINTDLGA dialog = {};
  ~PrintDialogResult() {
    if (dialog.hDC) DeleteDC(dialog.hDC);
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  }
};

BOOL AskPrinter(PrintDialogResult* result, HWND owner, HINSTANCE module, int templateId,
                LPPRINTHOOKPROC hook) {
  PRINTDLGA& d = result->dialog;
  d.lStructSize = sizeof d;
  d.hwndOwner = owner;
  d.Flags = kPrintDialogFlags;
  d.hInstance = module ? module : GetModuleHandleA(nullptr);
  d.lpPrintTemplateName = MAKEINTRESOURCEA(templateId);
  d.lpfnPrintHook = hook;
  d.nCopies = 1;
  return PrintDlgA(&d) && d.hDC;
}

// One document: StartDoc, StartPage, the body, EndPage and EndDoc. A failed page call abandons
// the job (AbortDoc) instead of leaving it open.
template <typename Body>
int PrintDocument(HDC dc, PrintLayout* layout, const PrintTexts& texts, Body body) {
  DOCINFOA doc = {};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = texts.documentName.c_str();
  if (StartDocA(dc, &doc) <= 0) return 0;
  if (StartPage(dc) <= 0) {
    AbortDoc(dc);
    return 0;
  }
  layout->texts = &texts;
  SetupPrintFonts(layout, dc);
  body();
  BOOL ended = !layout->failed && EndPage(dc) > 0;
  if (ended) {
    EndDoc(dc);
  } else {
    AbortDoc(dc);
  }
  ReleasePrintFonts(layout);
  return ended ? 1 : 0;
}

std::string TitleOr(const std::string& title, HWND owner) {
  if (!title.empty()) return title;
  char caption[701] = "";
  if (owner) GetWindowTextA(owner, caption, sizeof caption);
  return caption;
}

}  // namespace

int PrintFileList(const PrintListRequest& request) {
  PrintDialogResult result;
  if (!AskPrinter(&result, request.owner, request.templateModule, kPrintListTemplate, PrintListDlgHook))
    return 0;
  PrintLayout layout;
  layout.listKind = request.listKind;
  layout.title = TitleOr(request.title, request.owner);
  layout.fontPoints = request.fontPoints;
  layout.stops = request.stops;
  BOOL selectedOnly = (result.dialog.Flags & PD_SELECTION) != 0;
  return PrintDocument(result.dialog.hDC, &layout, request.texts, [&] {
    if (!request.itemLine) {
      PrintListLines(&layout, request.list, selectedOnly, request.columns);
      return;
    }
    int count = static_cast<int>(SendMessageA(request.list, LVM_GETITEMCOUNT, 0, 0));
    if (count <= 0 || layout.listKind < 0) return;
    PrintPageHeader(&layout);
    UINT flags = selectedOnly ? LVNI_SELECTED : LVNI_ALL;
    for (int i = static_cast<int>(SendMessageA(request.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flags));
         i >= 0 && !layout.failed; i = static_cast<int>(SendMessageA(request.list, LVM_GETNEXTITEM, i, flags)))
      PrintTextLine(&layout, request.itemLine(request.list, i).c_str(), 1);
  });
}

int PrintFolderTree(const PrintTreeRequest& request) {
  PrintDialogResult result;
  if (!AskPrinter(&result, request.owner, request.templateModule, kPrintTreeTemplate, PrintTreeDlgHookProc))
    return 0;
  PrintLayout layout;
  layout.listKind = kPrintListNameOnly;
  layout.title = TitleOr(request.title, request.owner);
  return PrintDocument(result.dialog.hDC, &layout, request.texts, [&] {
    PrintTreeLines(&layout, request.tree, request.start, PrintWholeTree, request.pidlOf);
  });
}

INT_PTR CALLBACK PrintFilesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* request = reinterpret_cast<PrintFilesRequest*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CenterWindowOver(dialog, request->centerOver);
      HWND list = GetDlgItem(dialog, 1001);
      if (!request->helpTopic && GetDlgItem(dialog, 9)) ShowWindow(GetDlgItem(dialog, 9), SW_HIDE);
      HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
          SendMessageA(request->sourceList, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
      SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
      LVCOLUMNA column = {};
      column.mask = LVCF_WIDTH;
      column.cx = 260;
      SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
      int inserted = 0;
      for (int i = static_cast<int>(SendMessageA(request->sourceList, LVM_GETNEXTITEM,
                                                 static_cast<WPARAM>(-1), LVNI_SELECTED));
           i >= 0; i = static_cast<int>(SendMessageA(request->sourceList, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
        char text[MAX_PATH] = "";
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(request->sourceList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        text[sizeof text - 1] = '\0';
        LVITEMA copy = {};
        copy.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        copy.iItem = inserted++;
        copy.pszText = text;
        copy.iImage = item.iImage;
        copy.lParam = item.lParam;
        for (int link : request->linkItems) {
          if (link == i) {
            copy.state = INDEXTOOVERLAYMASK(2);
            copy.stateMask = LVIS_OVERLAYMASK;
          }
        }
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&copy));
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == 1001 && header->code == LVN_ITEMCHANGED) {
        auto* change = reinterpret_cast<NMLISTVIEW*>(lParam);
        if (change->iItem >= 0 && (change->uNewState & (LVIS_SELECTED | LVIS_FOCUSED))) {
          LVITEMA clear = {};
          clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
          SendMessageA(header->hwndFrom, LVM_SETITEMSTATE, change->iItem, reinterpret_cast<LPARAM>(&clear));
        }
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case 9: {
          auto* request = reinterpret_cast<PrintFilesRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
          if (request && request->helpTopic) ShowHelpTopic(dialog, request->helpTopic);
          return TRUE;
        }
      }
      return FALSE;
  }
  return FALSE;
}

BOOL PrintFileWithShell(HWND owner, const char* path) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpVerb = "print";
  info.lpFile = path;
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info);
}
