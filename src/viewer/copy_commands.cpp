// The copy commands: the current cell, the selected rows or one column, exactly as the grid shows them (the
// transformed view's output and the line numbers included), unquoted, with CR LF between every two rows.
#include <numeric>
#include <vector>

#include "settings/settings.h"
#include "viewer/shell/clipboard.h"
#include "viewer/viewer.h"
#include "win/keys.h"

namespace qelvar {
namespace {

// The selected list rows in list order.
std::vector<int> SelectedRows(HWND listView, int count) {
  std::vector<int> rows;
  if (!listView) return rows;
  rows.reserve(ListView_GetSelectedCount(listView));
  for (int i = ListView_GetNextItem(listView, -1, LVNI_SELECTED); i >= 0 && i < count;) {
    rows.push_back(i);
    const int next = ListView_GetNextItem(listView, i, LVNI_SELECTED);
    if (next <= i) break;
    i = next;
  }
  return rows;
}

}  // namespace

void TCsvViewer::CopyDispatch() {
  if (KeyHeld(VK_SHIFT)) return CopyRows();
  if (KeyHeld(VK_CONTROL)) return CopyColumn();
  const int selected = listView ? static_cast<int>(ListView_GetSelectedCount(listView)) : 0;
  if (selected > 1 && ReadInteger(u"copy-column") != 0) return CopyColumn();
  CopyCell();
}

void TCsvViewer::CopyCell() {
  std::u16string text;
  if (currentRow >= 0 && currentRow < VisibleRowCount() && currentColumn >= 0 &&
      currentColumn < GridColumnCount())
    text = CellText(currentRow, currentColumn);
  if (!SetClipboardText(window, text)) MessageBeep(MB_ICONEXCLAMATION);
}

void TCsvViewer::CopyRows() {
  const std::u16string setting = ReadString(u"column-delimiter");
  const char16_t separator = setting.empty() ? u'\t' : setting[0];

  // The shown columns in the header's order, without the line numbers.
  const int count = GridColumnCount();
  std::vector<int> order(static_cast<std::size_t>(std::max(count, 0)));
  std::iota(order.begin(), order.end(), 0);
  if (header && count > 0) Header_GetOrderArray(header, count, order.data());
  std::vector<int> columns;
  for (const int column : order) {
    if (column < 0 || column >= count || (showLineNumbers && column == 0)) continue;
    if (listView && ListView_GetColumnWidth(listView, column) <= 0) continue;
    columns.push_back(column);
  }

  std::u16string text;
  bool first = true;
  for (const int row : SelectedRows(listView, VisibleRowCount())) {
    // Between every two rows, also after an empty one: pasted rows stay in line with their neighbours.
    if (!first) text += u"\r\n";
    first = false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) text += separator;
      text += CellText(row, columns[i]);
    }
  }
  if (!SetClipboardText(window, text)) MessageBeep(MB_ICONEXCLAMATION);
}

void TCsvViewer::CopyColumn() {
  std::u16string text;
  const int count = VisibleRowCount();
  if (currentColumn >= 0 && currentColumn < GridColumnCount()) {
    std::vector<int> rows = SelectedRows(listView, count);
    if (rows.size() <= 1) {
      rows.resize(static_cast<std::size_t>(count));
      std::iota(rows.begin(), rows.end(), 0);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (i > 0) text += u"\r\n";
      text += CellText(rows[i], currentColumn);
    }
  }
  if (!SetClipboardText(window, text)) MessageBeep(MB_ICONEXCLAMATION);
}

}  // namespace qelvar
