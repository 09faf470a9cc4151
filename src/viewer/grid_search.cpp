// The host's text search over the grid (find next / previous) and sorting by a click on a column header.
#include <algorithm>

#include "document/csv_model.h"
#include "grid/grid_model.h"
#include "plugin/lister_interface.h"
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
  const int firstColumn = LineNumberOffset();  // the line-number column never matches
  int row = searchRow;
  int column = searchColumn;
  int position = searchPos;
  while (row >= 0 && row < rows) {
    if (column >= firstColumn) {
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
        ListView_EnsureVisible(listView, row, FALSE);
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
  searchPos = backwards ? kSearchFromEnd : 1;
  MessageBeep(MB_OK);
  return 0;
}

void TCsvViewer::SortByHeaderClick(int listColumn) {
  if (!loaded || transformedView || !model || !listView) return;
  const int column = listColumn - LineNumberOffset();
  if (column < 0) return;

  const int rememberedColumn = currentColumn >= 0 ? currentColumn : listColumn;
  const int rememberedRow =
      currentRow >= 0 && currentRow < VisibleRowCount() ? model->VisibleToDocumentRow(currentRow) : -1;
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
    model->SetSort(column, direction);
  } catch (...) {
    setRedraw(TRUE);
    throw;
  }
  searchText.clear();
  UpdateSortMarks();
  const int rows = VisibleRowCount();
  ListView_SetItemCountEx(listView, rows, LVSICF_NOSCROLL);

  currentRow = -1;
  if (rememberedRow >= 0) {
    const auto& visible = model->VisibleRows();
    const auto found = std::find(visible.begin(), visible.end(), rememberedRow);
    if (found != visible.end()) currentRow = static_cast<int>(found - visible.begin());
  }
  currentColumn = std::min(rememberedColumn, GridColumnCount() - 1);
  if (currentColumn < 0) currentColumn = -1;
  if (currentRow >= 0) SelectOnly(listView, currentRow);

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
  UpdateStatusBar();
}

}  // namespace qelvar
