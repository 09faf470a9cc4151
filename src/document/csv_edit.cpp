// Editing a document by splicing its text. Cell positions are kept relative to their row, so an edit
// shifts the rows behind it and the later cells of its own row, nothing else.
#include <algorithm>
#include <limits>

#include "document/csv_model.h"

namespace qelvar {

namespace {

inline bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

constexpr std::size_t kMaxText = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 2);

// Makes room for `more` elements, growing geometrically so that repeated inserts stay amortised.
template <typename Vector>
void Reserve(Vector& v, std::size_t more) {
  if (v.capacity() - v.size() >= more) return;
  v.reserve(std::max(v.size() + more, v.capacity() + v.capacity() / 2));
}

}  // namespace

void TCsvDocument::Splice(std::size_t pos0, std::size_t count, std::u16string_view insert) {
  text_.replace(pos0, count, insert);
}

void TCsvDocument::ShiftRowsFrom(std::size_t firstRow, std::int64_t delta) {
  if (delta == 0) return;
  const auto d = static_cast<std::int32_t>(delta);
  for (std::size_t r = firstRow; r < rows_.size(); ++r) rows_[r].LineStart += d;
}

std::u16string_view TCsvDocument::LineEndingAfter(std::int32_t row) const {
  if (row >= 0 && row < rowCount_) {
    const TCsvRow& r = rows_[static_cast<std::size_t>(row)];
    if (r.LineLength > 0) {
      const std::size_t last = static_cast<std::size_t>(r.LineStart - 1 + r.LineLength - 1);
      if (text_[last] == u'\n') return (r.LineLength > 1 && text_[last - 1] == u'\r') ? u"\r\n" : u"\n";
      if (text_[last] == u'\r') return u"\r";
    }
  }
  const std::size_t first = text_.find_first_of(u"\r\n");
  if (first == std::u16string::npos) return u"\r\n";
  if (text_[first] == u'\n') return u"\n";
  return (first + 1 < text_.size() && text_[first + 1] == u'\n') ? u"\r\n" : u"\r";
}

bool TCsvDocument::SetCell(std::int32_t row, std::int32_t col, std::u16string_view newValue) {
  // The value may be a view into this document's own text or stored values, which the edit moves.
  const std::u16string value(newValue);
  TCsvCell* cell = CellAt(row, col);
  if (!cell) return false;
  TCsvRow& r = rows_[static_cast<std::size_t>(row)];
  if (r.IsComment) return false;
  if (ValueView(row, col) == value) return true;

  bool quote = cell->Quoted();
  if (!quote) {
    quote = value.find_first_of(std::u16string{delimiter_, u'"', u'\n', u'\r'}) != std::u16string::npos ||
            (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
  }
  std::u16string raw;
  if (quote) {
    raw.reserve(value.size() + 2);
    raw.push_back(u'"');
    for (char16_t c : value) {
      raw.push_back(c);
      if (c == u'"') raw.push_back(u'"');
    }
    raw.push_back(u'"');
  } else {
    raw.assign(value);
  }
  const std::int64_t delta = static_cast<std::int64_t>(raw.size()) - cell->Length;
  if (static_cast<std::int64_t>(text_.size()) + delta > static_cast<std::int64_t>(kMaxText)) return false;

  // Everything that can fail (allocation) happens before the cell is changed.
  std::uint32_t slot = 0;
  if (quote && value.find(u'"') != std::u16string::npos) slot = StoreValue(value);
  Splice(static_cast<std::size_t>(r.LineStart - 1 + cell->Offset), static_cast<std::size_t>(cell->Length), raw);
  ReleaseValue(*cell);
  cell->Length = static_cast<std::int32_t>(raw.size());
  cell->Bits = TCsvCell::kDecoded | (quote ? TCsvCell::kQuoted : 0u) | (slot << TCsvCell::kSlotShift);
  const auto d = static_cast<std::int32_t>(delta);
  r.LineLength += d;
  for (std::int32_t c = col + 1; c < r.CellCount; ++c) cells_[r.FirstCell + static_cast<std::size_t>(c)].Offset += d;
  ShiftRowsFrom(static_cast<std::size_t>(row) + 1, delta);
  return true;
}

bool TCsvDocument::InsertRowAfter(std::int32_t row) {
  if (row < 0 || row >= rowCount_) return false;
  const std::int32_t n = std::max(columnCount_, 1);
  const std::u16string_view eol = LineEndingAfter(row);
  const std::u16string line(static_cast<std::size_t>(n - 1), delimiter_);
  if (text_.size() + eol.size() + line.size() > kMaxText) return false;
  // Allocations first, so that a failure leaves the document as it was.
  Reserve(rows_, 1);
  Reserve(cells_, static_cast<std::size_t>(n));
  text_.reserve(text_.size() + eol.size() + line.size());

  TCsvRow& r = rows_[static_cast<std::size_t>(row)];
  const std::int32_t p = r.LineStart + r.LineLength;  // the position right after the row
  const bool endsWithBreak = r.LineLength > 0 && IsBreak(text_[static_cast<std::size_t>(p - 2)]);
  TCsvRow added;
  added.FirstCell = r.FirstCell + static_cast<std::uint32_t>(r.CellCount);
  added.CellCount = n;
  std::u16string inserted;
  if (endsWithBreak) {
    inserted.append(line).append(eol);
    added.LineStart = p;
    added.LineLength = static_cast<std::int32_t>(inserted.size());
  } else {
    inserted.append(eol).append(line);
    added.LineStart = p + static_cast<std::int32_t>(eol.size());
    added.LineLength = static_cast<std::int32_t>(line.size());
  }
  std::vector<TCsvCell> newCells(static_cast<std::size_t>(n));
  for (std::int32_t j = 0; j < n; ++j) {
    newCells[static_cast<std::size_t>(j)].Offset = j;
    newCells[static_cast<std::size_t>(j)].Bits = TCsvCell::kDecoded;
  }
  Splice(static_cast<std::size_t>(p - 1), 0, inserted);
  if (!endsWithBreak) r.LineLength += static_cast<std::int32_t>(eol.size());
  cells_.insert(cells_.begin() + added.FirstCell, newCells.begin(), newCells.end());
  for (std::size_t k = static_cast<std::size_t>(row) + 1; k < rows_.size(); ++k) {
    rows_[k].LineStart += static_cast<std::int32_t>(inserted.size());
    rows_[k].FirstCell += static_cast<std::uint32_t>(n);
  }
  rows_.insert(rows_.begin() + row + 1, added);
  ++rowCount_;
  // After the last column was deleted the new row still has one cell; the width follows it, so that no
  // data row is ever wider than ColumnCount.
  columnCount_ = std::max(columnCount_, n);
  if (row < decodeRow_) ++decodeRow_;
  return true;
}

bool TCsvDocument::DeleteRow(std::int32_t row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return false;
  const TCsvRow r = rows_[static_cast<std::size_t>(row)];
  Splice(static_cast<std::size_t>(r.LineStart - 1), static_cast<std::size_t>(r.LineLength), {});
  const auto first = cells_.begin() + r.FirstCell;
  for (auto it = first; it != first + r.CellCount; ++it) ReleaseValue(*it);
  cells_.erase(first, first + r.CellCount);
  for (std::size_t k = static_cast<std::size_t>(row) + 1; k < rows_.size(); ++k) {
    rows_[k].LineStart -= r.LineLength;
    rows_[k].FirstCell -= static_cast<std::uint32_t>(r.CellCount);
  }
  rows_.erase(rows_.begin() + row);
  if (rowCount_ > 0) --rowCount_;
  if (row < decodeRow_) {
    --decodeRow_;
  } else if (row == decodeRow_) {
    decodeCol_ = 0;
  }
  return true;
}

// Removes field `col` from every data row in one pass over the text: each removal shifts the rest of its
// row and every later row, so the shifts are accumulated instead of applied one removal at a time.
bool TCsvDocument::DeleteColumn(std::int32_t col) {
  if (col < 0 || col >= columnCount_) return false;
  char16_t* t = text_.data();
  std::size_t read = 0;   // 0-based: text before it has been moved into place
  std::size_t write = 0;  // 0-based: where the next kept character goes
  std::size_t keptCells = 0;
  std::int32_t removedTotal = 0;
  bool any = false;
  for (TCsvRow& r : rows_) {
    const std::size_t firstCell = r.FirstCell;
    const bool touched = !r.IsComment && r.CellCount > col;
    r.LineStart -= removedTotal;
    r.FirstCell = static_cast<std::uint32_t>(keptCells);
    if (touched) {
      any = true;
      TCsvCell* cells = cells_.data() + firstCell;
      const TCsvCell& cell = cells[col];
      // 0-based bounds relative to the row's (original) start.
      std::int32_t from;
      std::int32_t to;
      if (r.CellCount == 1) {
        from = cell.Offset;
        to = cell.Offset + cell.Length;
      } else if (col + 1 < r.CellCount) {
        from = cell.Offset;
        to = cells[col + 1].Offset;
      } else {
        from = cells[col - 1].Offset + cells[col - 1].Length;
        to = cell.Offset + cell.Length;
      }
      const std::int32_t count = to - from;
      const std::size_t rowStart = static_cast<std::size_t>(r.LineStart - 1 + removedTotal);
      const std::size_t cut = rowStart + static_cast<std::size_t>(from);
      std::char_traits<char16_t>::move(t + write, t + read, cut - read);
      write += cut - read;
      read = cut + static_cast<std::size_t>(count);
      r.LineLength -= count;
      removedTotal += count;
      ReleaseValue(cells[col]);
      for (std::int32_t c = 0; c < r.CellCount; ++c) {
        if (c == col) continue;
        TCsvCell moved = cells[c];
        if (c > col) moved.Offset -= count;
        cells_[keptCells++] = moved;
      }
      --r.CellCount;
    } else {
      for (std::int32_t c = 0; c < r.CellCount; ++c) cells_[keptCells++] = cells_[firstCell + static_cast<std::size_t>(c)];
    }
  }
  if (!any) return false;
  std::char_traits<char16_t>::move(t + write, t + read, text_.size() - read);
  write += text_.size() - read;
  text_.resize(write);
  cells_.resize(keptCells);
  --columnCount_;
  decodeRow_ = decodeCol_ = 0;
  return true;
}

}  // namespace qelvar
