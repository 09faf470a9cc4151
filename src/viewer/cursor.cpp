// The current cell moved by the arrow keys. The grid's own keyboard handling moves only its focused row;
// the viewer moves a cell, skipping hidden columns, and keeps exactly one row selected.
#include <algorithm>

#include "viewer/viewer.h"
#include "win/keys.h"

namespace qelvar {

bool TCsvViewer::IsVisibleColumn(int column) const noexcept {
  return listView && column >= 0 && column < GridColumnCount() && ListView_GetColumnWidth(listView, column) > 0;
}

bool TCsvViewer::MoveCursor(WPARAM key) {
  if (!loaded || !listView || GetFocus() != listView) return false;
  const int rows = VisibleRowCount();
  if (rows <= 0) return false;

  int row = cursor.row;
  if (row < 0 || row >= rows) row = ListView_GetNextItem(listView, -1, LVNI_FOCUSED);
  if (row < 0 || row >= rows) row = ListView_GetNextItem(listView, -1, LVNI_SELECTED);
  if (row < 0 || row >= rows) return false;

  const int columns = GridColumnCount();
  int first = -1;
  int last = -1;
  for (int c = 0; c < columns; ++c) {
    if (!IsVisibleColumn(c)) continue;
    if (first < 0) first = c;
    last = c;
  }
  if (first < 0) return false;
  int column = IsVisibleColumn(cursor.column) ? cursor.column : first;

  const bool ctrl = KeyHeld(VK_CONTROL);
  const int startRow = row;
  const int startColumn = column;
  int direction = 0;
  switch (key) {
    case VK_UP: row = ctrl ? 0 : std::max(row - 1, 0); break;
    case VK_DOWN: row = ctrl ? rows - 1 : std::min(row + 1, rows - 1); break;
    case VK_LEFT:
      direction = -1;
      if (ctrl) column = first;
      else
        for (int c = column - 1; c >= 0; --c)
          if (IsVisibleColumn(c)) {
            column = c;
            break;
          }
      break;
    case VK_RIGHT:
      direction = 1;
      if (ctrl) column = last;
      else
        for (int c = column + 1; c < columns; ++c)
          if (IsVisibleColumn(c)) {
            column = c;
            break;
          }
      break;
    default: return false;
  }

  const bool cellChanged = row != cursor.row || column != cursor.column;
  cursor.row = row;
  cursor.column = column;
  if (row == startRow && column == startColumn) {
    EnsureCellVisible(0);
    // The cell may have become current only now (it was the grid's focused row): show it as such.
    if (cellChanged) {
      InvalidateRect(listView, nullptr, FALSE);
      UpdateStatusBar();
    }
    return true;
  }

  ListView_SetItemState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(listView, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(listView, row);
  EnsureCellVisible(direction);
  InvalidateRect(listView, nullptr, FALSE);
  UpdateStatusBar();
  return true;
}

}  // namespace qelvar
