// Deleting a set of rows in one pass, and putting them back: a selection of many thousand rows must not
// move the rest of the text once per row.
#include <algorithm>

#include "document/blocks.h"
#include "document/csv_document.h"
#include "document/edit_history.h"

namespace qelvar {

std::int32_t TCsvDocument::DeleteRows(std::span<const std::int32_t> rows) {
  history_->ReserveUndo();
  TDeleteRowsRecord record;
  const std::int32_t deleted = DeleteRowsRecorded(rows, record);
  if (deleted > 0) history_->Push(std::move(record), UndoLimit());
  return deleted;
}

// Plans first (which rows; their lines and cell lengths copied to the record),
// then closes up the text, the cells and the rows, one pass each. `which` may be the record's own list (a
// redo): the record is only replaced at the end.
std::int32_t TCsvDocument::DeleteRowsRecorded(std::span<const std::int32_t> which, TDeleteRowsRecord& record) {
  const std::size_t n = rows_.size();
  std::vector<bool> marked(n, false);
  std::size_t count = 0;
  for (const std::int32_t row : which) {
    if (row < 0 || static_cast<std::size_t>(row) >= n || marked[static_cast<std::size_t>(row)]) continue;
    marked[static_cast<std::size_t>(row)] = true;
    ++count;
  }
  if (count == 0) return 0;

  TDeleteRowsRecord fresh;
  fresh.Indexes.reserve(count);
  fresh.Rows.reserve(count);
  std::size_t chars = 0;
  std::size_t cells = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!marked[i]) continue;
    const TCsvRow& r = rows_[i];
    fresh.Indexes.push_back(static_cast<std::int32_t>(i));
    fresh.Rows.push_back(r);
    chars += static_cast<std::size_t>(r.LineLength);
    cells += static_cast<std::size_t>(r.CellCount);
  }
  fresh.Text.reserve(chars);
  fresh.CellLengths.reserve(cells);
  for (const TCsvRow& r : fresh.Rows) {
    fresh.Text.append(text_, static_cast<std::size_t>(r.LineStart - 1), static_cast<std::size_t>(r.LineLength));
    for (std::uint32_t c = 0; c < r.CellCount; ++c) fresh.CellLengths.push_back(cells_[r.FirstCell + c].Length);
  }
  // Nothing allocates from here on.

  const std::vector<TCsvRow>& gone = fresh.Rows;
  text_.resize(blocks::RemoveBlocks(text_.data(), text_.size(), count, [&](std::size_t k) {
    return blocks::Block{static_cast<std::size_t>(gone[k].LineStart - 1), static_cast<std::size_t>(gone[k].LineLength)};
  }));
  ForgetValues();
  cells_.resize(blocks::RemoveBlocks(cells_.data(), cells_.size(), count, [&](std::size_t k) {
    return blocks::Block{gone[k].FirstCell, static_cast<std::size_t>(gone[k].CellCount)};
  }));

  std::size_t write = 0;
  std::int32_t charShift = 0;
  std::uint32_t cellShift = 0;
  for (std::size_t i = 0; i < n; ++i) {
    TCsvRow r = rows_[i];
    if (marked[i]) {
      charShift += r.LineLength;
      cellShift += static_cast<std::uint32_t>(r.CellCount);
      continue;
    }
    r.LineStart -= charShift;
    r.FirstCell -= cellShift;
    rows_[write++] = r;
  }
  rows_.resize(write);
  rowCount_ = static_cast<std::int32_t>(write);

  // The background decoding cursor moves as deleting the rows one by one from the last would move it: up
  // by the deleted rows above it, back to the row's first cell when its own row went.
  if (decodeRow_ >= 0 && static_cast<std::size_t>(decodeRow_) < n) {
    if (marked[static_cast<std::size_t>(decodeRow_)]) decodeCol_ = 0;
    decodeRow_ -= static_cast<std::int32_t>(
        std::lower_bound(fresh.Indexes.begin(), fresh.Indexes.end(), decodeRow_) - fresh.Indexes.begin());
  } else {
    decodeRow_ -= static_cast<std::int32_t>(count);
  }
  RequoteFirstRow(fresh);
  record = std::move(fresh);
  return static_cast<std::int32_t>(count);
}

// A deletion can leave a new first line whose first characters would be read as a byte-order mark or as
// another encoding: its first field goes in quotes, as an edit of it would. Without the memory for that,
// the text stays as it is (the save's check then refuses it).
void TCsvDocument::RequoteFirstRow(TDeleteRowsRecord& record) noexcept {
  record.Requoted = false;
  if (!FirstRowMisreadsEncoding()) return;
  try {
    std::u16string old(CellRaw(0, 0));
    if (!ReplaceFirstCells({0}, {QuoteValue(DecodeValue(old, trimValues_))})) return;
    record.RequotedRaw = std::move(old);
    record.Requoted = true;
  } catch (...) {
  }
}

// Takes back RequoteFirstRow before the rows go back. Throws std::bad_alloc only before anything changed.
void TCsvDocument::UnquoteFirstRow(TDeleteRowsRecord& record) {
  if (!record.Requoted) return;
  if (!ReplaceFirstCells({0}, {record.RequotedRaw}, record.Text.size())) return;
  record.Requoted = false;
  record.RequotedRaw = {};
}

// Puts the deleted rows back where they were, their cells decoded; afterwards the record holds only their
// indexes. Each cell lies one delimiter after the one before it, so the lengths give the positions.
void TCsvDocument::RestoreRows(TDeleteRowsRecord& record) {
  UnquoteFirstRow(record);
  const std::size_t count = record.Rows.size();
  // The values are decoded from the record's copy of the lines, before anything changes.
  std::vector<std::uint32_t> bits(record.CellLengths.size());
  std::size_t cell = 0;
  std::size_t lineStart = 0;  // of the current row within record.Text
  for (const TCsvRow& r : record.Rows) {
    std::size_t offset = lineStart;
    for (std::uint32_t c = 0; c < r.CellCount; ++c, ++cell) {
      const auto length = static_cast<std::size_t>(record.CellLengths[cell]);
      bits[cell] = DecodedBits(std::u16string_view(record.Text).substr(offset, length));
      offset += length + 1;
    }
    lineStart += static_cast<std::size_t>(r.LineLength);
  }
  text_.reserve(text_.size() + record.Text.size());
  cells_.reserve(cells_.size() + record.CellLengths.size());
  rows_.reserve(rows_.size() + count);
  // Nothing allocates from here on.

  const std::vector<TCsvRow>& back = record.Rows;
  const std::size_t textSize = text_.size();
  text_.resize(textSize + record.Text.size());
  std::size_t source = record.Text.size();  // the blocks are filled from the last
  blocks::InsertBlocks(
      text_.data(), textSize, count,
      [&](std::size_t k) {
        return blocks::Block{static_cast<std::size_t>(back[k].LineStart - 1), static_cast<std::size_t>(back[k].LineLength)};
      },
      [&](std::size_t k, char16_t* to) {
        source -= static_cast<std::size_t>(back[k].LineLength);
        std::char_traits<char16_t>::copy(to, record.Text.data() + source, static_cast<std::size_t>(back[k].LineLength));
      });
  ForgetValues();
  const std::size_t cellCount = cells_.size();
  cells_.resize(cellCount + record.CellLengths.size());
  cell = record.CellLengths.size();
  blocks::InsertBlocks(
      cells_.data(), cellCount, count,
      [&](std::size_t k) { return blocks::Block{back[k].FirstCell, static_cast<std::size_t>(back[k].CellCount)}; },
      [&](std::size_t k, TCsvCell* to) {
        cell -= static_cast<std::size_t>(back[k].CellCount);
        std::int64_t offset = 0;
        for (std::uint32_t c = 0; c < back[k].CellCount; ++c) {
          const std::size_t i = cell + c;
          to[c].SetOffset(offset);
          to[c].SetLength(record.CellLengths[i]);
          to[c].SetBits(bits[i]);
          offset += record.CellLengths[i] + 1;
        }
      });
  const std::size_t rowCount = rows_.size();
  rows_.resize(rowCount + count);
  blocks::InsertBlocks(
      rows_.data(), rowCount, count,
      [&](std::size_t k) { return blocks::Block{static_cast<std::size_t>(record.Indexes[k]), 1}; },
      [&](std::size_t k, TCsvRow* to) { *to = back[k]; });
  // The restored rows carry their old positions; the rows between them move back down.
  std::int32_t charShift = 0;
  std::uint32_t cellShift = 0;
  std::size_t next = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    TCsvRow& r = rows_[i];
    if (next < count && static_cast<std::size_t>(record.Indexes[next]) == i) {
      charShift += r.LineLength;
      cellShift += static_cast<std::uint32_t>(r.CellCount);
      ++next;
      continue;
    }
    r.LineStart += charShift;
    r.FirstCell += cellShift;
  }
  rowCount_ = static_cast<std::int32_t>(rows_.size());
  // The decoding cursor stays on its row (restored cells are decoded already).
  for (const std::int32_t index : record.Indexes)
    if (index <= decodeRow_) ++decodeRow_;

  record.Rows = {};
  record.CellLengths = {};
  record.Text = {};
}

}  // namespace qelvar
