// Printing on the real printer: the private CUPS server's PDF printer (the test script makes it
// the default), the print dialogs answered as a user would, and the printed text read back from
// the PDF with pdftotext.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <winspool.h>
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>
#include "print_services.h"
#include "test_support.h"

namespace {

// ---- The print dialog, answered from a timer of the test's thread ----------------------------

struct DialogAnswer {
  std::vector<int> clicks;  // controls clicked before the answer
  bool cancel = false;
  bool answered = false;
  std::vector<int> missingControls;
};
DialogAnswer* g_answer;

BOOL CALLBACK FindPrintDialog(HWND w, LPARAM found) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  }
  return TRUE;
}

VOID CALLBACK AnswerPrintDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPrintDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog || !g_answer || g_answer->answered) return;
  KillTimer(nullptr, timer);
  g_answer->answered = true;
  for (int id : g_answer->clicks) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
      g_answer->missingControls.push_back(id);
      continue;
    }
    SendMessageA(control, BM_CLICK, 0, 0);
  }
  PostMessageA(dialog, WM_COMMAND, g_answer->cancel ? IDCANCEL : IDOK, 0);
}

// ---- The printer's output: the test support's readers ----------------------------------

std::set<std::string> PdfFiles() { return jqtest::PrintedPdfNames(); }
using jqtest::WaitForPrintedText;
bool HavePrinter() { return jqtest::HaveTestPrinter(); }

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}


PrintTexts Texts(const char* document) {
  PrintTexts texts;
  texts.documentName = document;
  texts.pageLabel = "   Date %s   Page %d";
  texts.columnHeader[0] = "Name\tSize\tDate\tTime\tAttributes\tType";
  texts.columnHeader[1] = "Name";
  texts.columnHeader[2] = "Name\tSize\tPacked\tRatio\tDate\tTime\tPath";
  return texts;
}

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    owner = CreateWindowExA(0, "STATIC", "Print test owner", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                            nullptr, nullptr, nullptr, nullptr);
    list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 500, 300, owner, nullptr,
                           nullptr, nullptr);
    const char* columns[] = {"Name", "Ext", "Size", "Type", "Date", "Time", "Attr"};
    for (int i = 0; i < 7; ++i) {
      LVCOLUMNA c = {};
      c.mask = LVCF_TEXT | LVCF_WIDTH;
      c.cx = 60;
      c.pszText = const_cast<char*>(columns[i]);
      ListView_InsertColumn(list, i, &c);
    }
    answer = DialogAnswer{};
    g_answer = &answer;
  }
  void TearDown() override {
    g_answer = nullptr;
    DestroyWindow(owner);
  }
  void AddRow(const std::string& name, const char* size = "1,024") {
    int index = ListView_GetItemCount(list);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(name.c_str());
    index = ListView_InsertItem(list, &item);
    const char* texts[] = {"txt", size, "Text file", "2026/12/10", "23:59", "A"};
    for (int c = 0; c < 6; ++c) ListView_SetItemText(list, index, c + 1, const_cast<char*>(texts[c]));
  }
  int PrintList(const char* document, int kind = kPrintListFileSystem) {
    PrintListRequest request;
    request.owner = owner;
    request.list = list;
    request.listKind = kind;
    request.columns = {0, 2, 4, 5, 6, 3};
    request.title = "C:\\Printed\\Folder";
    request.texts = Texts(document);
    request.templateModule = GetModuleHandleA(nullptr);
    SetTimer(nullptr, 0, 100, AnswerPrintDialog);
    return PrintFileList(request);
  }
  HWND owner = nullptr, list = nullptr;
  DialogAnswer answer;
};

}  // namespace

TEST_F(PrintTest, FileListPrintsEveryRowWithHeadersOnEveryPage) {
  if (!HavePrinter()) GTEST_SKIP() << "no PDF printer (run through scripts/test.sh)";
  for (int i = 0; i < 150; ++i) {
    char name[32];
    snprintf(name, sizeof name, "listed-%03d", i);
    AddRow(name);
  }
  auto before = PdfFiles();
  std::string pdf;
  ASSERT_EQ(PrintList("JqListAll"), 1);
  EXPECT_TRUE(answer.answered);
  std::string text = WaitForPrintedText(before, &pdf);
  for (int i = 0; i < 150; ++i) {
    char name[32];
    snprintf(name, sizeof name, "listed-%03d", i);
    EXPECT_EQ(CountOf(text, name), 1) << name;
  }
  // 150 lines do not fit one page: a second page starts with its own header lines.
  int pages = CountOf(text, "\f");
  EXPECT_GE(pages, 2) << text;
  EXPECT_EQ(CountOf(text, "C:\\Printed\\Folder"), pages);
  EXPECT_EQ(CountOf(text, "Name"), pages);
  EXPECT_NE(text.find("Page 2"), std::string::npos);
  // The columns sit at fixed device units: at this printer's resolution the first ones are on
  // the page (the later ones fall beyond a 300 dpi page's edge, as fixed stops do).
  EXPECT_NE(text.find("2026/12/10"), std::string::npos);
  EXPECT_NE(text.find("1,024"), std::string::npos);
  fprintf(stderr, "printed list: %s\n", pdf.c_str());
}

TEST_F(PrintTest, SelectionChoicePrintsOnlyTheSelectedRows) {
  if (!HavePrinter()) GTEST_SKIP() << "no PDF printer";
  for (int i = 0; i < 10; ++i) AddRow("row-" + std::to_string(i));
  ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(list, 7, LVIS_SELECTED, LVIS_SELECTED);
  answer.clicks = {1057};  // the Selection choice
  auto before = PdfFiles();
  ASSERT_EQ(PrintList("JqListSelected"), 1);
  EXPECT_TRUE(answer.missingControls.empty());
  std::string text = WaitForPrintedText(before);
  EXPECT_NE(text.find("row-3"), std::string::npos) << text;
  EXPECT_NE(text.find("row-7"), std::string::npos) << text;
  for (int i : {0, 1, 2, 4, 5, 6, 8, 9}) EXPECT_EQ(text.find("row-" + std::to_string(i)), std::string::npos) << i;
  EXPECT_NE(text.find("Name"), std::string::npos);
}

TEST_F(PrintTest, EmptyListGivesABlankPageAndCancelPrintsNothing) {
  if (!HavePrinter()) GTEST_SKIP() << "no PDF printer";
  answer.cancel = true;
  EXPECT_EQ(PrintList("JqListCancelled"), 0);
  EXPECT_TRUE(answer.answered);

  answer = DialogAnswer{};
  auto before = PdfFiles();
  ASSERT_EQ(PrintList("JqListEmpty", -1), 1);
  std::string text = WaitForPrintedText(before);
  EXPECT_EQ(text.find_first_not_of(" \r\n\f"), std::string::npos) << text;
  // The cancelled job left no PDF of its own.
  for (const std::string& name : PdfFiles()) EXPECT_EQ(name.find("JqListCancelled"), std::string::npos);
}

namespace {

// A tree of real folders: root { a (expanded) { a1 }, b (collapsed) { b1 } }; each node's
// parameter is its absolute item id list.
struct FolderTree {
  jqtest::TempFolder temp;
  HWND tree = nullptr;
  HTREEITEM root = nullptr, a = nullptr, a1 = nullptr, b = nullptr, b1 = nullptr;
  std::vector<LPITEMIDLIST> lists;
  explicit FolderTree(HWND parent) {
    temp.MakeFolder("treeroot\\alpha-branch\\alpha-leaf");
    temp.MakeFolder("treeroot\\beta-branch\\beta-leaf");
    tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | TVS_HASBUTTONS, 0, 0, 300, 300, parent,
                           nullptr, nullptr, nullptr);
    root = Add(TVI_ROOT, "treeroot");
    a = Add(root, "treeroot\\alpha-branch");
    a1 = Add(a, "treeroot\\alpha-branch\\alpha-leaf");
    b = Add(root, "treeroot\\beta-branch");
    b1 = Add(b, "treeroot\\beta-branch\\beta-leaf");
    TreeView_Expand(tree, root, TVE_EXPAND);
    TreeView_Expand(tree, a, TVE_EXPAND);
  }
  ~FolderTree() {
    for (LPITEMIDLIST l : lists) CoTaskMemFree(l);
  }
  HTREEITEM Add(HTREEITEM parent, const std::string& relative) {
    std::string path = temp / relative;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    LPITEMIDLIST list = nullptr;
    SHParseDisplayName(wide, nullptr, &list, 0, nullptr);
    lists.push_back(list);
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(relative.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(list);
    return TreeView_InsertItem(tree, &insert);
  }
  static LPCITEMIDLIST PidlOf(HWND tree, HTREEITEM node) {
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    TreeView_GetItem(tree, &item);
    return reinterpret_cast<LPCITEMIDLIST>(item.lParam);
  }
};

}  // namespace

TEST_F(PrintTest, TreePrintsTheExpandedBranchOrTheWholeVisibleTree) {
  if (!HavePrinter()) GTEST_SKIP() << "no PDF printer";
  CoInitialize(nullptr);
  {
    FolderTree folders(owner);
    PrintTreeRequest request;
    request.owner = owner;
    request.tree = folders.tree;
    request.pidlOf = FolderTree::PidlOf;
    request.title = "TreeTitle";
    request.texts = Texts("JqTreeBranch");
    request.templateModule = GetModuleHandleA(nullptr);

    // The expanded branch alone: itself and its open children, not its siblings.
    PrintWholeTree = 0;
    request.start = folders.a;
    auto before = PdfFiles();
    SetTimer(nullptr, 0, 100, AnswerPrintDialog);
    ASSERT_EQ(PrintFolderTree(request), 1);
    std::string text = WaitForPrintedText(before);
    EXPECT_NE(text.find("alpha-branch"), std::string::npos) << text;
    EXPECT_NE(text.find("alpha-leaf"), std::string::npos) << text;
    EXPECT_EQ(text.find("beta-branch"), std::string::npos) << text;
    EXPECT_EQ(text.find("treeroot"), std::string::npos) << text;
    EXPECT_NE(text.find("TreeTitle"), std::string::npos);

    // The whole-tree box: from the root, collapsed branches closed.
    answer = DialogAnswer{};
    answer.clicks = {kPrintWholeTreeBox};
    request.texts = Texts("JqTreeWhole");
    before = PdfFiles();
    SetTimer(nullptr, 0, 100, AnswerPrintDialog);
    ASSERT_EQ(PrintFolderTree(request), 1);
    EXPECT_TRUE(answer.missingControls.empty());
    EXPECT_EQ(PrintWholeTree, 1u);
    text = WaitForPrintedText(before);
    for (const char* name : {"treeroot", "alpha-branch", "alpha-leaf", "beta-branch"})
      EXPECT_NE(text.find(name), std::string::npos) << name << "\n" << text;
    EXPECT_EQ(text.find("beta-leaf"), std::string::npos) << text;
    // Deeper items are indented further.
    size_t rootColumn = text.find("treeroot") - text.rfind('\n', text.find("treeroot"));
    size_t leafColumn = text.find("alpha-leaf") - text.rfind('\n', text.find("alpha-leaf"));
    EXPECT_GT(leafColumn, rootColumn);
    PrintWholeTree = 0;
  }
  CoUninitialize();
}

// A page that cannot be ended stops the job: nothing more is drawn and no new page is counted.
TEST(PrintLayoutTest, FailedPageBreakStopsDrawing) {
  HDC dc = CreateCompatibleDC(nullptr);  // not a printer: EndPage fails
  PrintTexts texts = Texts("unused");
  PrintLayout layout;
  layout.texts = &texts;
  SetupPrintFonts(&layout, dc);
  int perPage = layout.linesPerPage;
  ASSERT_GE(perPage, 6);
  for (int i = 0; i < perPage * 2; ++i) PrintTextLine(&layout, "line", 1);
  EXPECT_TRUE(layout.failed);
  EXPECT_EQ(layout.page, 1);
  EXPECT_EQ(layout.line, perPage - 2);  // the first line past the page's last body line
  ReleasePrintFonts(&layout);
  DeleteDC(dc);
}
