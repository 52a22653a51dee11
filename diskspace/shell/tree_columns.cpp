// The size pane's columns as export and printing reach them.
#include "tree_columns.h"

namespace {
TreeColumnHooks hooks;
constexpr int kDefaultNameWidth = 220;
}  // namespace

TreeColumnHooks SetTreeColumnHooks(const TreeColumnHooks& replacement) {
  TreeColumnHooks previous = hooks;
  hooks = replacement;
  return previous;
}

int TreeVisibleSizeColumns(ColumnRecord** out, int max) {
  return hooks.visibleSizeColumns ? hooks.visibleSizeColumns(out, max) : 0;
}

int TreeNameColumnWidth() {
  return hooks.nameColumnWidth ? hooks.nameColumnWidth() : kDefaultNameWidth;
}

int TreeShownColumnWidth(const ColumnRecord* column) {
  if (!column) return 0;
  return hooks.shownColumnWidth ? hooks.shownColumnWidth(column) : column->width;
}

bool TreeFormatColumnValue(const ColumnRecord* column, FolderNode* node, char* out, int size) {
  return hooks.formatColumnValue && column && hooks.formatColumnValue(column, node, out, size);
}

void TreePaintSizeRow(HWND tree, FolderNode* node, HDC dc, const RECT* row, double scale) {
  if (hooks.paintSizeRow) hooks.paintSizeRow(tree, node, dc, row, scale);
}
