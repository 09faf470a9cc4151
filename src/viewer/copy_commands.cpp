// The copy commands: the current cell, the selected rows or one column, exactly as the grid shows them (the
// transformed view's output and the line numbers included), with CR LF between every two rows. Rows and
// columns are quoted the way spreadsheets read pasted text (a value with the separator, a line break or a
// quote), so that such a value stays one cell; a single copied cell is its value exactly. With nothing to
// copy the user's clipboard is left as it was, and the viewer beeps.
#include <numeric>
#include <vector>

#include "document/clipboard_text.h"
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

// A value as pasted text with `separator` between cells: ClipboardCell's quoting, which also applies when
// the value holds a separator other than the tab.
std::u16string PastedCell(std::u16string_view value, char16_t separator) {
  if (separator == u'\t' || value.find(separator) == std::u16string_view::npos) return ClipboardCell(value);
  std::u16string quoted = u"\"";
  for (const char16_t c : value) {
    if (c == u'"') quoted += u'"';
    quoted += c;
  }
  return quoted + u'"';
}

// Puts `text` on the clipboard; beeps when there is nothing to copy or the clipboard refused it.
void CopyText(HWND window, bool anything, const std::u16string& text) {
  if (!anything || !SetClipboardText(window, text)) MessageBeep(MB_ICONEXCLAMATION);
}

}  // namespace

void TCsvViewer::CopyDispatch() {
  if (KeyHeld(VK_SHIFT)) return CopyRows(ReadInteger(u"copy-header") != 0);
  if (KeyHeld(VK_CONTROL)) return CopyColumn();
  const int selected = listView ? static_cast<int>(ListView_GetSelectedCount(listView)) : 0;
  if (selected > 1 && ReadInteger(u"copy-column") != 0) return CopyColumn();
  CopyCell();
}

void TCsvViewer::CopyCell() {
  std::u16string text;
  const bool current = cursor.row >= 0 && cursor.row < VisibleRowCount() && cursor.column >= 0 &&
                       cursor.column < GridColumnCount();
  if (current) text = CellText(cursor.row, cursor.column);
  CopyText(window, current, text);
}

void TCsvViewer::CopyForHost() {
  const int selected = listView ? static_cast<int>(ListView_GetSelectedCount(listView)) : 0;
  if (selected > 1) return CopyRows(ReadInteger(u"copy-header") != 0);
  CopyCell();
}

void TCsvViewer::SelectAllRows() {
  if (!listView || VisibleRowCount() <= 0) return;
  EndCellEdit(true);
  if (life.destroyed) return;
  // Item -1: every row of the virtual list at once.
  ListView_SetItemState(listView, -1, LVIS_SELECTED, LVIS_SELECTED);
  UpdateStatusBar();
}

void TCsvViewer::CopyRows(bool withHeader) {
  const std::u16string setting = ReadString(u"column-delimiter");
  const char16_t separator = setting.empty() ? u'\t' : setting[0];

  // The shown columns in the header's order, without the line numbers.
  const int count = GridColumnCount();
  std::vector<int> order(static_cast<std::size_t>(std::max(count, 0)));
  std::iota(order.begin(), order.end(), 0);
  if (header && count > 0) Header_GetOrderArray(header, count, order.data());
  std::vector<int> columns;
  for (const int column : order) {
    if (column < 0 || column >= count || (view.lineNumbers && column == 0)) continue;
    if (listView && ListView_GetColumnWidth(listView, column) <= 0) continue;
    columns.push_back(column);
  }

  std::u16string text;
  bool first = true;
  const std::vector<int> selected = SelectedRows(listView, VisibleRowCount());
  if (withHeader && !selected.empty()) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) text += separator;
      text += PastedCell(ColumnTitle(columns[i]), separator);
    }
    first = false;
  }
  for (const int row : selected) {
    // Between every two rows, also after an empty one: pasted rows stay in line with their neighbours.
    if (!first) text += u"\r\n";
    first = false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) text += separator;
      text += PastedCell(CellText(row, columns[i]), separator);
    }
  }
  CopyText(window, !selected.empty(), text);
}

void TCsvViewer::CopyColumn() {
  std::u16string text;
  const int count = VisibleRowCount();
  const bool column = cursor.column >= 0 && cursor.column < GridColumnCount() && count > 0;
  if (column) {
    std::vector<int> rows = SelectedRows(listView, count);
    if (rows.size() <= 1) {
      rows.resize(static_cast<std::size_t>(count));
      std::iota(rows.begin(), rows.end(), 0);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (i > 0) text += u"\r\n";
      text += PastedCell(CellText(rows[i], cursor.column), u'\t');
    }
  }
  CopyText(window, column, text);
}

}  // namespace qelvar
