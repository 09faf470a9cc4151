// The grid's rows as the user picked them: list positions change with every filter and sort, but the user
// selected records, so the selection, the focus and the current cell are carried across a rebuild by
// document row. Also bringing the current cell into view.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "viewer/flag_held.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

constexpr std::size_t kClearItemByItem = 4096;

}  // namespace

void TCsvViewer::RebuildVisibleRows(const std::function<void()>& change, bool keepScroll, bool appendedOnly) {
  // A filter computed aside is overtaken: the model holds its text, so this rebuild applies it.
  StopRowsJob();
  // An open edit goes to its cell while the rows are still where the user saw them.
  EndCellEdit(true);
  if (!model || life.destroyed) return;
  const int oldCount = VisibleRowCount();
  const auto documentRowAt = [&](int index) {
    return index >= 0 && index < oldCount ? model->VisibleToDocumentRow(index) : -1;
  };

  std::vector<int> selected;  // document rows, sorted
  std::vector<int> marked;    // the list's selected items
  int focused = -1;
  int focusedItem = -1;
  if (listView) {
    // Asked for the next selected item, Wine's list view looks at every item after the last one: the
    // count says when to stop (with none selected, 50 ms for 1.5 million rows at every rebuild).
    const int selectedCount = static_cast<int>(ListView_GetSelectedCount(listView));
    for (int i = selectedCount > 0 ? ListView_GetNextItem(listView, -1, LVNI_SELECTED) : -1; i >= 0;) {
      marked.push_back(i);
      if (const int row = documentRowAt(i); row >= 0) selected.push_back(row);
      if (static_cast<int>(marked.size()) >= selectedCount) break;
      const int next = ListView_GetNextItem(listView, i, LVNI_SELECTED);
      if (next <= i) break;
      i = next;
    }
    focusedItem = ListView_GetNextItem(listView, -1, LVNI_FOCUSED);
    focused = documentRowAt(focusedItem);
  }
  std::sort(selected.begin(), selected.end());
  const int current = documentRowAt(cursor.row);
  // Reserved now, so that nothing after the change can fail half-way.
  std::vector<int> keep;
  keep.reserve(selected.size());

  change();

  // One pass over the new order finds every kept record.
  int newFocused = -1;
  int newCurrent = -1;
  const TIntArray& visible = model->VisibleRows();
  if (!selected.empty() || focused >= 0 || current >= 0) {
    for (std::size_t i = 0; i < visible.size(); ++i) {
      const int row = visible[i];
      if (std::binary_search(selected.begin(), selected.end(), row)) keep.push_back(static_cast<int>(i));
      if (row == focused) newFocused = static_cast<int>(i);
      if (row == current) newCurrent = static_cast<int>(i);
    }
  }

  {
    const TFlagHeld hold(status.hold);
    if (listView) {
      // Item by item for a few: Wine's list view visits every item for "all" (seconds for a million rows,
      // once per batch of a large file's load); Windows clears its ranges at once for many.
      if (marked.size() > kClearItemByItem) {
        ListView_SetItemState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
      } else {
        for (const int index : marked) ListView_SetItemState(listView, index, 0, LVIS_SELECTED);
        if (focusedItem >= 0) ListView_SetItemState(listView, focusedItem, 0, LVIS_FOCUSED);
      }
      ListView_SetItemCountEx(listView, VisibleRowCount(),
                              (keepScroll ? LVSICF_NOSCROLL : 0) | (appendedOnly ? LVSICF_NOINVALIDATEALL : 0));
      for (const int index : keep) ListView_SetItemState(listView, index, LVIS_SELECTED, LVIS_SELECTED);
      if (newFocused >= 0) {
        ListView_SetItemState(listView, newFocused, LVIS_FOCUSED, LVIS_FOCUSED);
        ListView_SetSelectionMark(listView, newFocused);
      }
    }
    if (cursor.row >= 0) {
      cursor.row = newCurrent;
      if (cursor.row < 0) cursor.column = -1;
    }
  }
  UpdateStatusBar();
}

void TCsvViewer::ScrollRowToTop(int top) noexcept {
  if (!listView) return;
  const int count = ListView_GetItemCount(listView);
  if (count <= 0 || top < 0) return;
  RECT item{};
  if (!ListView_GetItemRect(listView, ListView_GetTopIndex(listView), &item, LVIR_BOUNDS)) return;
  const int delta = std::min(top, count - 1) - ListView_GetTopIndex(listView);
  if (delta != 0) ListView_Scroll(listView, 0, delta * (item.bottom - item.top));
}

void TCsvViewer::EnsureCellVisible(int direction) noexcept {
  if (!listView || cursor.row < 0 || cursor.column < 0) return;
  ListView_EnsureVisible(listView, cursor.row, FALSE);
  RECT cell{};
  if (!ListView_GetSubItemRect(listView, cursor.row, cursor.column, LVIR_BOUNDS, &cell)) return;
  // Sub-item 0 reports the whole row.
  if (cursor.column == 0) cell.right = cell.left + ListView_GetColumnWidth(listView, 0);
  RECT client{};
  GetClientRect(listView, &client);
  int shift = 0;
  // The edge in the direction of travel first, then whichever edge is out of view.
  if (direction < 0 && cell.left < client.left) shift = cell.left - client.left;
  else if (direction > 0 && cell.right > client.right) shift = cell.right - client.right;
  else if (cell.left < client.left) shift = cell.left - client.left;
  else if (cell.right > client.right) shift = cell.right - client.right;
  if (shift == 0) return;
  ListView_Scroll(listView, shift, 0);
  PlaceFilterEdits();
}

}  // namespace qelvar
