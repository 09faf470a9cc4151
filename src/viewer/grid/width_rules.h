// The rules of a column's width that need no window: the cap and its exception. Pure.
#pragma once

namespace qelvar {

// The width of list-view column `dataColumn + lineNumberColumns` from `measured`, its widest measured text
// with padding: at least `padding`, and no wider than `cap` (0: no cap) unless the list has a single
// column or the column is the second of exactly two data columns (usually the long text of a pair).
constexpr int CappedColumnWidth(int measured, int padding, int cap, int listColumns, int lineNumberColumns,
                                int dataColumn) noexcept {
  const int width = measured > padding ? measured : padding;
  const bool secondOfTwo = listColumns - lineNumberColumns == 2 && dataColumn == 1;
  return listColumns > 1 && cap > 0 && width > cap && !secondOfTwo ? cap : width;
}

}  // namespace qelvar
