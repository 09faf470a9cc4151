// The host's text search over the grid (find next / previous) and sorting by a click on a column header.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "host/lister_interface.h"
#include "viewer/grid/search.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

static_assert(kSearchFindFirst == lcs_findfirst && kSearchMatchCase == lcs_matchcase &&
              kSearchWholeWords == lcs_wholewords && kSearchBackwards == lcs_backwards);

void SelectOnly(HWND listView, int row) noexcept {
  ListView_SetItemState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(listView, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace

int TCsvViewer::SearchText(const std::u16string& text, int flags) {
  if (!loaded || !model) return 0;
  ApplyPendingFilters();
  const int rows = VisibleRowCount();
  const int columns = GridColumnCount();
  // Only what the user can see matches: never the line numbers, nor columns hidden with width 0.
  std::vector<bool> searchable(static_cast<std::size_t>(std::max(columns, 0)), false);
  for (int c = LineNumberOffset(); c < columns; ++c)
    searchable[static_cast<std::size_t>(c)] = ListView_GetColumnWidth(listView, c) > 0;
  int row = -1;
  int column = -1;
  const TSearchResult result = search.FindNext(
      text, flags, rows, columns, searchable, [&](int r, int c) { return CellText(r, c); }, row, column);
  if (result == TSearchResult::NothingToSearch) return 0;
  if (result == TSearchResult::NotFound) {
    MessageBeep(MB_OK);
    return 0;
  }
  cursor.row = row;
  cursor.column = column;
  SelectOnly(listView, row);
  EnsureCellVisible(0);
  InvalidateRect(listView, nullptr, FALSE);
  UpdateStatusBar();
  SetFocus(listView);
  return 1;
}

void TCsvViewer::SortByHeaderClick(int listColumn) {
  if (!loaded || view.transformed || !model || !listView) return;
  const int column = listColumn - LineNumberOffset();
  if (column < 0) return;

  const int rememberedColumn = cursor.column >= 0 ? cursor.column : listColumn;
  const int rememberedTop = std::max(ListView_GetTopIndex(listView), 0);
  const int rememberedScroll = GetScrollPos(listView, SB_HORZ);

  int direction = 1;
  if (model->SortColumn() == column) {
    const int now = model->SortDirection();
    direction = now > 0 ? -1 : now < 0 ? 0 : 1;
  }

  const auto setRedraw = [&](BOOL on) {
    SendMessageW(listView, WM_SETREDRAW, static_cast<WPARAM>(on), 0);
    if (header) SendMessageW(header, WM_SETREDRAW, static_cast<WPARAM>(on), 0);
    for (HWND edit : filterRow.Edits())
      if (edit) SendMessageW(edit, WM_SETREDRAW, static_cast<WPARAM>(on), 0);
  };
  setRedraw(FALSE);
  try {
    RebuildVisibleRows([&] { model->SetSort(column, direction); }, true);
  } catch (...) {
    setRedraw(TRUE);
    throw;
  }
  search.Forget();
  UpdateSortMarks();
  const int rows = VisibleRowCount();
  // Without a current cell, the clicked column becomes the current column.
  cursor.column = std::min(rememberedColumn, GridColumnCount() - 1);
  if (cursor.column < 0) cursor.column = -1;
  // The status bar's totals follow the current column.
  UpdateStatusBar();

  if (rows > 0) {
    const int target = std::min(rememberedTop, rows - 1);
    RECT item{};
    const int itemHeight =
        ListView_GetItemRect(listView, ListView_GetTopIndex(listView), &item, LVIR_BOUNDS) ? item.bottom - item.top : 0;
    const int delta = target - ListView_GetTopIndex(listView);
    if (delta != 0 && itemHeight > 0) ListView_Scroll(listView, 0, delta * itemHeight);
    const int horizontal = rememberedScroll - GetScrollPos(listView, SB_HORZ);
    if (horizontal != 0) ListView_Scroll(listView, horizontal, 0);
  }

  PlaceFilterEdits();
  setRedraw(TRUE);
  constexpr UINT kRedraw = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME;
  RedrawWindow(listView, nullptr, nullptr, kRedraw);
  if (header) RedrawWindow(header, nullptr, nullptr, kRedraw);
  for (HWND edit : filterRow.Edits())
    if (edit) RedrawWindow(edit, nullptr, nullptr, kRedraw);
}

}  // namespace qelvar
