#include "grid/grid_model.h"

#include <algorithm>
#include <string>
#include <utility>

#include "document/csv_document.h"
#include "grid/filter_match.h"
#include "grid/row_sort.h"

namespace qelvar {

TCsvGridModel::TCsvGridModel(TCsvDocument* document, bool headerRow) : document_(document), headerRow_(headerRow) {
  if (document_) filters_.assign(static_cast<std::size_t>(document_->ColumnCount()), std::u16string());
  Rebuild();
}

std::u16string TCsvGridModel::GetCell(std::int32_t row, std::int32_t col) const {
  if (!document_ || row < 0 || row >= document_->RowCount() || col < 0 || col >= document_->CellCount(row))
    return {};
  return document_->GetCell(row, col);
}

std::u16string TCsvGridModel::GetColumnName(std::int32_t col) const {
  if (headerRow_ && document_ && document_->RowCount() > 0) {
    std::u16string name = GetCell(0, col);
    if (!name.empty()) return name;
  }
  const std::string number = std::to_string(static_cast<long long>(col) + 1);
  return u"Column " + std::u16string(number.begin(), number.end());
}

void TCsvGridModel::SetFilter(std::int32_t col, std::u16string_view text) {
  if (col < 0 || static_cast<std::size_t>(col) >= filters_.size()) return;
  filters_[static_cast<std::size_t>(col)] = std::u16string(text);
  Rebuild();
}

void TCsvGridModel::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  Rebuild();
}

void TCsvGridModel::SetSort(std::int32_t col, int direction) {
  if (document_ && col >= 0 && col < document_->ColumnCount() && direction != 0) {
    sortColumn_ = col;
    sortDirection_ = direction > 0 ? 1 : -1;
  } else {
    sortColumn_ = -1;
    sortDirection_ = 0;
  }
  Rebuild();
}

void TCsvGridModel::SetFiltersAndSort(TUnicodeStringArray filters, std::int32_t col, int direction) {
  filters.resize(filters_.size());
  filters_ = std::move(filters);
  // SetSort rebuilds, with the new filters.
  SetSort(col, direction);
}

void TCsvGridModel::Rebuild() {
  visibleRows_.clear();
  seenRows_ = 0;
  if (!document_) return;
  ApplyFilters();
  visibleRows_.shrink_to_fit();
  if (sortColumn_ >= 0 && sortDirection_ != 0) SortRows(*document_, sortColumn_, sortDirection_, visibleRows_);
}

void TCsvGridModel::TakeAppendedRows() {
  if (!document_) return;
  if (sortColumn_ >= 0 && sortDirection_ != 0) return Rebuild();
  ApplyFilters();
}

namespace {

// Filters run column by column over the surviving rows [start, end): each pass reads one cell per
// remaining row, and a row stops being examined at its first failing filter, as in a row-by-row
// evaluation. False when `stop` was raised (read every 64 Ki rows).
bool FilterPass(TCsvDocument& document, const TUnicodeStringArray& filters, bool caseSensitive, TIntArray& rows,
                std::size_t start, const std::atomic<bool>* stop) {
  for (std::size_t k = 0; k < filters.size(); ++k) {
    if (filters[k].empty()) continue;
    TFilterMatcher matcher(filters[k], caseSensitive);
    const auto col = static_cast<std::int32_t>(k);
    std::size_t kept = start;
    for (std::size_t i = start; i < rows.size(); ++i) {
      if (stop && (i & 0xFFFF) == 0 && stop->load(std::memory_order_relaxed)) return false;
      const std::int32_t row = rows[i];
      // ValueView is empty beyond a ragged row's cells, like GetCell.
      if (matcher.Matches(document.ValueView(row, col))) rows[kept++] = row;
    }
    rows.resize(kept);
  }
  return true;
}

std::int32_t FirstDataRow(const TCsvDocument& document, bool headerRow) {
  return headerRow && document.RowCount() > 0 ? 1 : 0;
}

}  // namespace

void TCsvGridModel::ApplyFilters() {
  const std::int32_t rowCount = document_->RowCount();
  const std::int32_t first = std::max(seenRows_, FirstDataRow(*document_, headerRow_));
  const std::size_t start = visibleRows_.size();
  // Rows taken in a few at a time (a file being followed) must not copy the whole list each time. A file
  // arriving in batches has room for its rows reserved: without filters every one of them will be listed,
  // and as much room here spares a copy (and, under Wine, the faults of fresh memory) at every growth.
  if (rowCount > first) {
    const std::size_t needed = start + static_cast<std::size_t>(rowCount - first);
    const bool unfiltered = std::all_of(filters_.begin(), filters_.end(), [](const auto& f) { return f.empty(); });
    const std::size_t expected = unfiltered ? start + (document_->Rows().capacity() - static_cast<std::size_t>(first)) : 0;
    if (needed > visibleRows_.capacity())
      visibleRows_.reserve(std::max({needed, expected, visibleRows_.capacity() + visibleRows_.capacity() / 2}));
  }
  for (std::int32_t row = first; row < rowCount; ++row) visibleRows_.push_back(row);
  seenRows_ = rowCount;
  FilterPass(*document_, filters_, caseSensitive_, visibleRows_, start, nullptr);
}

void TCsvGridModel::StoreFilter(std::int32_t col, std::u16string_view text) {
  if (col < 0 || static_cast<std::size_t>(col) >= filters_.size()) return;
  filters_[static_cast<std::size_t>(col)] = std::u16string(text);
}

void TCsvGridModel::AdoptRows(TIntArray rows) {
  visibleRows_ = std::move(rows);
  seenRows_ = document_ ? document_->RowCount() : 0;
}

bool ComputeVisibleRows(TCsvDocument& document, bool headerRow, bool caseSensitive, const TUnicodeStringArray& filters,
                        std::int32_t sortColumn, int sortDirection, const std::atomic<bool>& stop, TIntArray& rows) {
  rows.clear();
  const std::int32_t rowCount = document.RowCount();
  const std::int32_t first = FirstDataRow(document, headerRow);
  if (rowCount > first) rows.reserve(static_cast<std::size_t>(rowCount - first));
  for (std::int32_t row = first; row < rowCount; ++row) rows.push_back(row);
  if (!FilterPass(document, filters, caseSensitive, rows, 0, &stop)) return false;
  rows.shrink_to_fit();
  if (sortColumn >= 0 && sortColumn < document.ColumnCount() && sortDirection != 0) {
    if (stop.load()) return false;
    SortRows(document, sortColumn, sortDirection, rows);
  }
  return !stop.load();
}

std::int32_t TCsvGridModel::VisibleToDocumentRow(std::int32_t index) const {
  if (index < 0 || index >= VisibleCount()) return -1;
  return visibleRows_[static_cast<std::size_t>(index)];
}

std::u16string TCsvGridModel::GetDisplayCell(std::int32_t index, std::int32_t col) const {
  return GetCell(VisibleToDocumentRow(index), col);
}

bool TCsvGridModel::MatchFilter(std::u16string_view value, std::u16string_view filter) const {
  TFilterMatcher matcher(filter, caseSensitive_);
  return matcher.Matches(value);
}

}  // namespace qelvar
