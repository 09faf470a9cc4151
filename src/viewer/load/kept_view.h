// What a reload keeps of the view: the columns' filters, sort, hidden flags and widths, found again in the
// new document by name (the header row shown) or by position, and the rows by document row. Pure: the
// viewer takes the snapshot from its controls and gives it back to them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qelvar {

// Per old column, the new column that carries it, or -1 where it is gone. By name, the k-th old column of
// a name finds the k-th new column of that name (names compared exactly: a header that changed is
// another column); by position, an old column finds the new one at its index while there is one.
std::vector<int> MapKeptColumns(const std::vector<std::u16string>& oldNames, const std::vector<std::u16string>& newNames,
                                bool byName);

// The view as it was, per document column.
struct TKeptView {
  std::vector<std::u16string> names;    // the columns' names as the grid showed them
  bool byName = true;                   // the header row was shown: columns are found again by name
  std::vector<std::u16string> filters;  // per column, "" without one (typed text not yet applied included)
  int sortColumn = -1;                  // -1: file order
  int sortDirection = 0;
  std::vector<bool> hidden;             // may be shorter than the columns
  std::vector<int> widths;              // list-view widths in pixels, -1 unknown (may be shorter)
};

// The kept view carried over to a document whose columns are `newNames`, and the old columns that are
// gone (their names, in column order), for the status bar. Columns of the new document that the old one
// did not have start without a filter, shown, with width -1 (computed).
struct TCarriedView {
  TKeptView view;
  std::vector<int> map;  // MapKeptColumns: per old column the new one, -1 where gone
  std::vector<std::u16string> gone;
};
TCarriedView CarryKeptView(const TKeptView& kept, const std::vector<std::u16string>& newNames);

// Whether `newNames` are the old columns exactly (same names in the same order): a reload that changed
// the encoding or the delimiter keeps the view only then.
bool SameColumns(const TKeptView& kept, const std::vector<std::u16string>& newNames) noexcept;

// "a, b, c" of the first `most` names and "…" after them, for a one-line status note.
std::u16string JoinColumnNames(const std::vector<std::u16string>& names, std::size_t most = 5);

// The visible index of `documentRow` in `visibleRows` (in any order), -1 when it is not listed.
int FindVisibleIndex(const std::vector<std::int32_t>& visibleRows, std::int32_t documentRow) noexcept;

}  // namespace qelvar
