// The host's text search over the grid (find next / previous) and sorting by a click on a column header.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "host/lister_interface.h"
#include "viewer/text_search.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

constexpr int kFindFirst = lcs_findfirst;
constexpr int kMatchCase = lcs_matchcase;
constexpr int kWholeWords = lcs_wholewords;
constexpr int kBackwards = lcs_backwards;

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
  if (text.empty() || rows <= 0 || columns <= 0) return 0;

  const bool backwards = (flags & kBackwards) != 0;
  const bool reversed = text == searchText && backwards != ((searchFlags & kBackwards) != 0);
  const bool restart = text != searchText || ((flags ^ searchFlags) & (kMatchCase | kWholeWords)) != 0 ||
                       ((flags & kFindFirst) != 0 && !reversed);
  searchText = text;
  searchFlags = flags & (kMatchCase | kWholeWords | kBackwards);
  const int length = static_cast<int>(text.size());
  // The same request after "not found" would start over from the last match's cell and report old matches
  // as new ones; it stays "not found" until the text, the options, the direction or the start change.
  if (searchExhausted && !restart && !reversed) {
    MessageBeep(MB_OK);
    return 0;
  }
  searchExhausted = false;

  if (restart) {
    searchRow = backwards ? rows - 1 : 0;
    searchColumn = backwards ? columns - 1 : 0;
    searchPos = backwards ? kSearchFromEnd : 1;
  } else if (reversed) {
    // Step over the match that is shown, in the new direction.
    const long long moved = static_cast<long long>(searchPos) + (backwards ? -length : length);
    searchPos = static_cast<int>(std::clamp<long long>(moved, 0, kSearchFromEnd));
  }
  // The grid may have changed size since the last step (the columns are rebuilt only with a restart).
  searchRow = std::clamp(searchRow, 0, rows - 1);
  searchColumn = std::clamp(searchColumn, 0, columns - 1);

  const bool matchCase = (flags & kMatchCase) != 0;
  const bool wholeWords = (flags & kWholeWords) != 0;
  // Only what the user can see matches: never the line numbers, nor columns hidden with width 0.
  std::vector<bool> searchable(static_cast<std::size_t>(columns), false);
  for (int c = LineNumberOffset(); c < columns; ++c)
    searchable[static_cast<std::size_t>(c)] = ListView_GetColumnWidth(listView, c) > 0;
  int row = searchRow;
  int column = searchColumn;
  int position = searchPos;
  while (row >= 0 && row < rows) {
    if (searchable[static_cast<std::size_t>(column)]) {
      const std::u16string cell = CellText(row, column);
      const int found = backwards ? FindLastInText(cell, text, position, matchCase, wholeWords)
                                  : FindInText(cell, text, position, matchCase, wholeWords);
      if (found > 0) {
        searchRow = row;
        searchColumn = column;
        searchPos = backwards ? found : found + length;
        currentRow = row;
        currentColumn = column;
        SelectOnly(listView, row);
        EnsureCellVisible(0);
        InvalidateRect(listView, nullptr, FALSE);
        UpdateStatusBar();
        SetFocus(listView);
        return 1;
      }
    }
    if (backwards) {
      position = kSearchFromEnd;
      if (--column < 0) {
        column = columns - 1;
        --row;
      }
    } else {
      position = 1;
      if (++column >= columns) {
        column = 0;
        ++row;
      }
    }
  }
  // searchPos stays after the match that is still shown, so that a reversed request steps over it.
  searchExhausted = true;
  MessageBeep(MB_OK);
  return 0;
}

void TCsvViewer::SortByHeaderClick(int listColumn) {
  if (!loaded || transformedView || !model || !listView) return;
  const int column = listColumn - LineNumberOffset();
  if (column < 0) return;

  const int rememberedColumn = currentColumn >= 0 ? currentColumn : listColumn;
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
    for (HWND edit : filterEdits)
      if (edit) SendMessageW(edit, WM_SETREDRAW, static_cast<WPARAM>(on), 0);
  };
  setRedraw(FALSE);
  try {
    RebuildVisibleRows([&] { model->SetSort(column, direction); }, true);
  } catch (...) {
    setRedraw(TRUE);
    throw;
  }
  searchText.clear();
  UpdateSortMarks();
  const int rows = VisibleRowCount();
  // Without a current cell, the clicked column becomes the current column.
  currentColumn = std::min(rememberedColumn, GridColumnCount() - 1);
  if (currentColumn < 0) currentColumn = -1;

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
  for (HWND edit : filterEdits)
    if (edit) RedrawWindow(edit, nullptr, nullptr, kRedraw);
}

}  // namespace qelvar
