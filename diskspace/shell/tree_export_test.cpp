// Export of a scanned temporary tree (exact lines), the file replacement, and the printed
// layout and printing's failure path.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <winspool.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "folder_node.h"
#include "resource_shell.h"
#include "settings_store.h"
#include "shell_test_support.h"
#include "size_columns.h"
#include "test_support.h"
#include "tree_export.h"

namespace {

// The size pane's columns answer for export and printing, as from the program's start.
const bool columnsInstalled = (InstallTreeColumnHooks(), true);

std::string Text(UINT id) {
  char buffer[256] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

std::string Grouped(uint64_t value) {
  char separator[8] = {};
  GetProfileStringA("Intl", "sThousand", ",", separator, sizeof(separator));
  std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string Percent(double value, double base) {
  char text[32];
  snprintf(text, sizeof(text), " (%02.0f%%)", value / base * 100.0);
  return text;
}

ColumnRecord Column(uint32_t typeId, uint32_t flags) {
  ColumnRecord c;
  c.typeId = typeId;
  c.flags = flags;
  return c;
}

struct ScannedTree {
  jqtest::TempFolder temp;
  shelltest::HostWindows host;
  FolderNode* top = nullptr;
  HTREEITEM topItem = nullptr;
  bool sparse = false;
  ScannedTree() {
    temp.WriteFile("alpha\\a.bin", std::string(1000, 'a'));
    temp.MakeFolder("beta");
    temp.MakeFolder("gamma\\deep");
    temp.WriteFile("top.txt", "0123456789");
    sparse = vtest::MakeSparseFile(temp / "gamma\\deep\\big.bin", 5ull << 30);
    vtest::EngineDrive();
    g_settings.sizeUnits = 0;
    g_settings.sizeOnDisk = 0;
    top = vtest::NodeFor(temp.path());
    if (!top || !vtest::ScanAndWait(top, 1)) return;
    topItem = shelltest::AddNodeItems(host.tree, TVI_ROOT, top, true);
    TreeView_Expand(host.tree, topItem, TVE_EXPAND);
  }
  ~ScannedTree() {
    if (IsFolderNode(top)) RemoveFolderNode(top);
  }
  HTREEITEM Child(HTREEITEM parent, int index) {
    HTREEITEM item = TreeView_GetChild(host.tree, parent);
    while (item && index-- > 0) item = TreeView_GetNextSibling(host.tree, item);
    return item;
  }
};

TEST(TreeExport, WritesOneFieldPerColumnOnEveryLineWith64BitSums) {
  ScannedTree t;
  ASSERT_TRUE(t.sparse) << "a 5 GiB sparse file could not be made";
  ASSERT_NE(t.topItem, nullptr);
  ColumnRecord total = Column(kColTotal, kColSize | kColNumeric | kColPercent);
  ColumnRecord files = Column(kColFiles, kColSize | kColNumeric);
  ColumnRecord folders = Column(kColSubfolderCount, kColShowZero);
  ColumnRecord fileCount = Column(kColFileCount, kColShowZero);
  ColumnRecord capacity = Column(kColCapacity, kColSize | kColNumeric);  // no value on folder rows
  std::vector<const ColumnRecord*> columns = {&total, &files, &folders, &fileCount, &capacity};

  const uint64_t big = 5ull << 30;
  const uint64_t all = big + 1000 + 10;
  FolderNode* parent = ParentNode(t.top);
  double parentTotal = static_cast<double>(ShownTotal(parent));
  std::string topName = GetNodeName(t.top);
  std::string header = Text(kColName) + "\t" + Text(kColTotal) + "\t" + Text(kColFiles) + "\t" +
                       Text(kColSubfolderCount) + "\t" + Text(kColFileCount) + "\t" + Text(kColCapacity) +
                       "\tNested Level\r\n";
  std::string topLine = topName + "\t " + Grouped(all) + (parentTotal > 0 ? Percent(all, parentTotal) : "") +
                        "\t " + Grouped(10) + "\t 3\t 1\t\t0\r\n";
  std::string alpha = "alpha\t " + Grouped(1000) + Percent(1000, all) + "\t " + Grouped(1000) + "\t 0\t 1\t\t1\r\n";
  std::string beta = "beta\t 0" + Percent(0, all) + "\t 0\t 0\t 0\t\t1\r\n";
  std::string gamma = "gamma\t " + Grouped(big) + Percent(big, all) + "\t 0\t 1\t 0\t\t1\r\n";
  std::string deep = "deep\t " + Grouped(big) + Percent(big, big) + "\t " + Grouped(big) + "\t 0\t 1\t\t2\r\n";

  TreeRange range;
  range.tree = t.host.tree;
  range.start = t.topItem;
  // Only the expanded levels: gamma is collapsed, so deep is left out.
  range.onlyExpanded = true;
  EXPECT_EQ(BuildTreeExportText(range, columns), header + topLine + alpha + beta + gamma);
  // All levels.
  range.onlyExpanded = false;
  EXPECT_EQ(BuildTreeExportText(range, columns), header + topLine + alpha + beta + gamma + deep);
  // A branch starts at level 0.
  range.start = t.Child(t.topItem, 2);
  std::string gammaBranch = "gamma\t " + Grouped(big) + Percent(big, all) + "\t 0\t 1\t 0\t\t0\r\n";
  std::string deepBranch = "deep\t " + Grouped(big) + Percent(big, big) + "\t " + Grouped(big) + "\t 0\t 1\t\t1\r\n";
  EXPECT_EQ(BuildTreeExportText(range, columns), header + gammaBranch + deepBranch);
  // The whole tree from the root list, whatever is selected.
  range.wholeTree = true;
  range.onlyExpanded = true;
  EXPECT_EQ(BuildTreeExportText(range, columns), header + topLine + alpha + beta + gamma);

  // Every line has the same number of fields.
  std::string text = BuildTreeExportText(range, columns);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    std::string line = text.substr(start, end - start);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
    start = end + 2;
  }
}

HWND ChildDialogWith(HWND dialog, int id) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, id)) return child;
  return nullptr;
}

TEST(TreeExport, TheExportCommandAsksForTheFileAndTheRange) {
  ScannedTree t;
  ASSERT_NE(t.topItem, nullptr);
  CreateColumnSet(nullptr);
  std::string target = t.temp / "export.txt";
  shelltest::SelectItem(t.host.tree, t.Child(t.topItem, 0));  // "alpha"
  // The branch is preselected; the file name is typed and the dialog confirmed.
  bool branchChecked = false;
  shelltest::WhenDialogShows(t.host.main, [&](HWND dialog) {
    HWND options = ChildDialogWith(dialog, IDC_SH_BRANCH);
    branchChecked = options && IsDlgButtonChecked(options, IDC_SH_BRANCH) == BST_CHECKED;
    HWND name = GetDlgItem(dialog, cmb13);
    if (!name) name = GetDlgItem(dialog, edt1);
    SetWindowTextA(name, target.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  ExportTree(t.host.main);
  EXPECT_TRUE(branchChecked);
  std::string text = jqtest::ReadFileText(target);
  ASSERT_FALSE(text.empty());
  // Header and the one line of the branch.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  EXPECT_EQ(text.substr(text.find("\r\n") + 2, 6), "alpha\t");
  FreeColumnSet();
}

TEST(TreeExport, ANeverScannedFolderShowsDashesInEveryColumn) {
  jqtest::TempFolder temp;
  temp.MakeFolder("fresh");
  shelltest::HostWindows host;
  vtest::EngineDrive();
  FolderNode* node = vtest::NodeFor(temp / "fresh");
  ASSERT_NE(node, nullptr);
  HTREEITEM item = shelltest::AddNodeItems(host.tree, TVI_ROOT, node, false);
  ColumnRecord total = Column(kColTotal, kColSize | kColNumeric | kColPercent);
  ColumnRecord written = Column(kColLastWrite, kColText);
  TreeRange range;
  range.tree = host.tree;
  range.start = item;
  std::string text = BuildTreeExportText(range, {&total, &written});
  EXPECT_EQ(text.substr(text.find("\r\n") + 2), "fresh\t---\t---\t0\r\n");
  FolderNode* top = vtest::NodeFor(temp.path());
  if (top) RemoveFolderNode(top);
}

TEST(TreeExport, TheFileIsReplacedOnlyAfterEveryWriteSucceeded) {
  jqtest::TempFolder temp;
  std::string path = temp.WriteFile("tree.txt", "old contents");
  EXPECT_EQ(WriteFileReplacing(path, "new contents\r\n"), 0u);
  EXPECT_EQ(jqtest::ReadFileText(path), "new contents\r\n");
  // A target that cannot be replaced keeps its old text and no temporary file is left behind.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(WriteFileReplacing(path, "lost"), 0u);
  CloseHandle(held);
  EXPECT_EQ(jqtest::ReadFileText(path), "new contents\r\n");
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((temp / "*").c_str(), &fd);
  int files = 0;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  EXPECT_EQ(files, 1);
  // A folder that does not exist: an error, nothing written.
  EXPECT_NE(WriteFileReplacing(temp / "missing\\tree.txt", "x"), 0u);
}

TEST(TreePrint, APageHoldsLinesPerPageLessThreeRowsBelowItsHeader) {
  shelltest::HostWindows host;
  HTREEITEM top = nullptr;
  for (int i = 0; i < 20; ++i) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = top ? top : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    std::string text = "C:\\folder\\item" + std::to_string(i);
    insert.item.pszText = const_cast<char*>(text.c_str());
    HTREEITEM item = TreeView_InsertItem(host.tree, &insert);
    if (!top) top = item;
  }
  TreeView_Expand(host.tree, top, TVE_EXPAND);
  PrintLayout layout;
  layout.pageHeight = 100;
  layout.lineHeight = 10;
  int pageBreaks = 0;
  TreeRange range;
  range.tree = host.tree;
  range.start = top;
  std::vector<PrintedRow> rows = PrintTreeRows(nullptr, range, "title", [&] { ++pageBreaks; return true; }, &layout);
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_EQ(layout.linesPerPage, 10);
  EXPECT_EQ(pageBreaks, 2);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].page, static_cast<int>(i / 7) + 1) << i;
    EXPECT_EQ(rows[i].line, static_cast<int>(i % 7) + 4) << i;
  }
  EXPECT_EQ(rows[0].level, 0);
  EXPECT_EQ(rows[1].level, 1);
  EXPECT_EQ(rows[1].text, "item1");  // the last component of the label
  // With only the expanded levels and the top collapsed, one row.
  TreeView_Expand(host.tree, top, TVE_COLLAPSE);
  rows = PrintTreeRows(nullptr, range, "title", [] { return true; }, &layout);
  EXPECT_EQ(rows.size(), 1u);
  // On a real device context the page comes from the device.
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  PrintLayout measured;
  rows = PrintTreeRows(dc, range, "title", [] { return true; }, &measured);
  DeleteEnhMetaFile(CloseEnhMetaFile(dc));
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_GT(measured.lineHeight, 0);
  EXPECT_EQ(measured.linesPerPage, std::max(6, measured.pageHeight / measured.lineHeight));
}

TEST(TreePrint, WithoutAPrinterTheUserIsToldAndNothingIsPrinted) {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 1, nullptr, 0, &needed, &count);
  if (needed > 0) GTEST_SKIP() << "this prefix has a printer";
  shelltest::HostWindows host;
  TVINSERTSTRUCTA insert{};
  insert.hParent = TVI_ROOT;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>("root");
  TreeView_InsertItem(host.tree, &insert);
  jqtest::SeamRecorder seams;
  PrintTree(host.main);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, Text(IDS_SH_PRINT_FAILED));
}

}  // namespace
