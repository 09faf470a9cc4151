// The grid model: the view of one document that the grid shows. Which document rows pass the per-column
// filters, in which order after sorting, what each column is called and what each cell shows. It owns no
// text: every value is read from the document on demand (decoding it lazily), and the document must
// outlive the model.
//
// Rows are document row indexes, indexes are positions in the visible-row list (the list view's items).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_values.h"

namespace qelvar {

class TCsvDocument;

using TIntArray = std::vector<std::int32_t>;
using TUnicodeStringArray = std::vector<std::u16string>;

class TCsvGridModel {
 public:
  // Create: unsorted, case-insensitive, one empty filter per document column, then Rebuild. A null
  // document gives an empty model.
  TCsvGridModel(TCsvDocument* document, bool headerRow);
  TCsvGridModel(const TCsvGridModel&) = delete;
  TCsvGridModel& operator=(const TCsvGridModel&) = delete;

  // The document's decoded value; empty without a document and for a row or column out of range,
  // including a column beyond the cells this (ragged) row has.
  std::u16string GetCell(std::int32_t row, std::int32_t col) const;

  // The header cell of the column when HeaderRow is set and the document has rows, unless that is
  // empty; otherwise "Column N" with N = col + 1 (a fixed text, not a translated one).
  std::u16string GetColumnName(std::int32_t col) const;

  // Stores the filter text unchanged and rebuilds; ignored for a column outside Filters.
  void SetFilter(std::int32_t col, std::u16string_view text);
  // Stores and rebuilds only when the value changes.
  void SetCaseSensitive(bool value);
  // direction > 0 ascending, < 0 descending; 0 or an invalid column restores file order. Rebuilds.
  void SetSort(std::int32_t col, int direction);
  // SetFilter of every column (`filters` cut or padded to the columns) and SetSort at once, with one
  // Rebuild: a reload that keeps the view.
  void SetFiltersAndSort(TUnicodeStringArray filters, std::int32_t col, int direction);
  // Recomputes the visible rows: filter in file order, then sort. The editor calls it after edits.
  void Rebuild();
  // Stores the filter text without rebuilding: the rows are being computed aside (ComputeVisibleRows), and
  // whatever rebuilds first must see the filter already.
  void StoreFilter(std::int32_t col, std::u16string_view text);
  // Takes `rows` as the visible rows: what ComputeVisibleRows gave for this model's document, filters and
  // sort as they are now.
  void AdoptRows(TIntArray rows);
  // Takes in the rows the document gained since the last Rebuild or call (a large file's rows arriving
  // in batches): unsorted, they pass the filters and follow the visible rows, as Rebuild would place
  // them, at the cost of the new rows only; sorted, it is Rebuild. Only for rows appended at the end.
  void TakeAppendedRows();

  // The document row at a visible index, -1 out of range.
  std::int32_t VisibleToDocumentRow(std::int32_t index) const;
  // GetCell of the document row at a visible index (empty out of range).
  std::u16string GetDisplayCell(std::int32_t index, std::int32_t col) const;
  std::int32_t VisibleCount() const { return static_cast<std::int32_t>(visibleRows_.size()); }

  // Filter matching with this model's case rule; see grid/filter_match.h for the rules.
  bool MatchFilter(std::u16string_view value, std::u16string_view filter) const;

  TCsvDocument* Document() const { return document_; }
  bool HeaderRow() const { return headerRow_; }
  bool CaseSensitive() const { return caseSensitive_; }
  const TUnicodeStringArray& Filters() const { return filters_; }
  const TIntArray& VisibleRows() const { return visibleRows_; }
  std::int32_t SortColumn() const { return sortColumn_; }   // -1: file order
  int SortDirection() const { return sortDirection_; }      // 1, -1, or 0 exactly when SortColumn is -1

 private:
  // Appends the document's rows from seenRows_ on that pass every filter, in file order.
  void ApplyFilters();

  TCsvDocument* document_ = nullptr;
  bool headerRow_ = false;
  bool caseSensitive_ = false;
  TUnicodeStringArray filters_;
  TIntArray visibleRows_;
  std::int32_t seenRows_ = 0;  // the document's row count at the last Rebuild or TakeAppendedRows
  std::int32_t sortColumn_ = -1;
  int sortDirection_ = 0;
};

// The visible rows of a model over `document` with these settings, as its Rebuild would list them, computed
// aside: on a worker thread while the document is not edited and no cell is left undecoded (see
// TCsvDocument::ValueView). False, `rows` unspecified, when `stop` was raised (read every 64 Ki rows of
// each filter's pass, and before the sort).
bool ComputeVisibleRows(TCsvDocument& document, bool headerRow, bool caseSensitive, const TUnicodeStringArray& filters,
                        std::int32_t sortColumn, int sortDirection, const std::atomic<bool>& stop, TIntArray& rows);

}  // namespace qelvar
