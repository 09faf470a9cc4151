// Undo and redo: each recorded edit is taken back by splicing back what it removed or overwrote, so the
// text returns to exactly what it was, and the rows and cells with it.
#include <algorithm>
#include <variant>

#include "document/blocks.h"
#include "document/csv_document.h"
#include "document/edit_history.h"

namespace qelvar {

TCsvDocument::TCsvDocument() : history_(std::make_unique<TCsvEditHistory>()) {}
TCsvDocument::~TCsvDocument() = default;

namespace {

TCsvEditKind KindOf(const TEditData& data) {
  if (std::holds_alternative<TSetCellRecord>(data)) return ekSetCell;
  if (std::holds_alternative<TInsertRowRecord>(data)) return ekInsertRow;
  if (std::holds_alternative<TDeleteRowsRecord>(data)) return ekDeleteRows;
  return ekDeleteColumn;
}

}  // namespace

bool TCsvDocument::CanUndo() const { return history_->CanUndo(); }
bool TCsvDocument::CanRedo() const { return history_->CanRedo(); }

TCsvEditKind TCsvDocument::UndoKind() const {
  const TEditRecord* top = history_->PeekUndo();
  return top ? KindOf(top->Data) : ekNone;
}

TCsvEditKind TCsvDocument::RedoKind() const {
  const TEditRecord* top = history_->PeekRedo();
  return top ? KindOf(top->Data) : ekNone;
}

bool TCsvDocument::IsModified() const { return history_->IsModified(); }
void TCsvDocument::MarkSaved() { history_->MarkSaved(); }
void TCsvDocument::ClearHistory() { history_->Clear(); }
bool TCsvDocument::DroppedUndoSteps() const { return history_->DroppedOldest(); }
void TCsvDocument::AcknowledgeDroppedUndoSteps() { history_->ClearDroppedOldest(); }

std::size_t TCsvDocument::UndoLimit() const {
  if (undoLimit_ > 0) return undoLimit_;
  return std::max(kUndoMemoryFloor, text_.size() * sizeof(char16_t) / 4);
}

TCsvUndoResult TCsvDocument::Undo() {
  if (!history_->CanUndo()) return {};
  try {
    history_->ReserveRedo();
    TEditData& data = history_->TopUndo().Data;
    const std::int32_t columns = columnCount_;
    TCsvUndoResult result;
    result.Kind = KindOf(data);
    if (auto* cell = std::get_if<TSetCellRecord>(&data)) {
      SwapCellRaws(*cell);
      result.Row = cell->Row;
      result.Column = cell->Col;
    } else if (auto* insert = std::get_if<TInsertRowRecord>(&data)) {
      UndoInsertRow(*insert);
      // The row above the removed one; for a first row, the row that now comes first.
      result.Row = insert->Row >= 0 ? insert->Row : (rowCount_ > 0 ? 0 : -1);
    } else if (auto* rows = std::get_if<TDeleteRowsRecord>(&data)) {
      RestoreRows(*rows);
      result.Row = rows->Indexes.front();
    } else if (auto* column = std::get_if<TDeleteColumnRecord>(&data)) {
      RestoreColumn(*column);
      result.Column = column->Col;
      result.ColumnsChanged = true;
    }
    result.ColumnsChanged = result.ColumnsChanged || columnCount_ != columns;
    result.Done = true;
    history_->MoveUndoToRedo();
    return result;
  } catch (...) {
    // Out of memory before anything changed: the edit stays where it was.
    return {};
  }
}

TCsvUndoResult TCsvDocument::Redo() {
  if (!history_->CanRedo()) return {};
  try {
    history_->ReserveUndo();
    TEditData& data = history_->TopRedo().Data;
    const std::int32_t columns = columnCount_;
    TCsvUndoResult result;
    result.Kind = KindOf(data);
    bool done = false;
    if (auto* cell = std::get_if<TSetCellRecord>(&data)) {
      SwapCellRaws(*cell);
      done = true;
      result.Row = cell->Row;
      result.Column = cell->Col;
    } else if (auto* insert = std::get_if<TInsertRowRecord>(&data)) {
      done = InsertRowRecorded(insert->Row, *insert);
      result.Row = insert->Row + 1;
    } else if (auto* rows = std::get_if<TDeleteRowsRecord>(&data)) {
      done = DeleteRowsRecorded(rows->Indexes, *rows) > 0;
      result.Row = rows->Indexes.front() < rowCount_ ? rows->Indexes.front() : -1;
    } else if (auto* column = std::get_if<TDeleteColumnRecord>(&data)) {
      done = DeleteColumnRecorded(column->Col, *column);
      result.Column = column->Col;
      result.ColumnsChanged = true;
    }
    // Undo restored the state the edit was made in, so it cannot be refused; if it were, nothing changed.
    if (!done) return {};
    result.ColumnsChanged = result.ColumnsChanged || columnCount_ != columns;
    result.Done = true;
    history_->MoveRedoToUndo();
    return result;
  } catch (...) {
    return {};
  }
}

// The cell (and the first cell, when the edit quoted it) gets the raw text the record holds, and the
// record the one it had: the same step undoes and redoes.
void TCsvDocument::SwapCellRaws(TSetCellRecord& record) {
  std::u16string current(CellRaw(record.Row, record.Col));
  std::u16string currentFirst;
  std::int64_t growth = static_cast<std::int64_t>(record.Raw.size()) - static_cast<std::int64_t>(current.size());
  if (record.FirstToo) {
    currentFirst = CellRaw(record.Row, 0);
    growth += static_cast<std::int64_t>(record.FirstRaw.size()) - static_cast<std::int64_t>(currentFirst.size());
  }
  text_.reserve(text_.size() + static_cast<std::size_t>(std::max<std::int64_t>(growth, 0)));
  // Nothing allocates from here on.
  ReplaceRaw(record.Row, record.Col, record.Raw);
  if (record.FirstToo) ReplaceRaw(record.Row, 0, record.FirstRaw);
  record.Raw.swap(current);
  record.FirstRaw.swap(currentFirst);
}

// Removes the inserted row, and the line ending the insert gave the row (or text) above it when that had none.
void TCsvDocument::UndoInsertRow(const TInsertRowRecord& record) {
  const std::size_t at = static_cast<std::size_t>(record.Row) + 1;
  const TCsvRow added = rows_[at];
  const std::int32_t count = added.LineLength + record.TerminatorAdded;
  text_.erase(static_cast<std::size_t>(added.LineStart - 1 - record.TerminatorAdded), static_cast<std::size_t>(count));
  ForgetValues();
  // Row -1 into an empty table: the line break went to the hidden text before it, not to a row.
  if (at > 0) rows_[at - 1].LineLength -= record.TerminatorAdded;
  const auto first = cells_.begin() + added.FirstCell;
  cells_.erase(first, first + added.CellCount);
  for (std::size_t k = at + 1; k < rows_.size(); ++k) {
    rows_[k].LineStart -= count;
    rows_[k].FirstCell -= static_cast<std::uint32_t>(added.CellCount);
  }
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at));
  --rowCount_;
  columnCount_ = record.ColumnCount;
  const auto removed = static_cast<std::int32_t>(at);
  if (removed < decodeRow_) {
    --decodeRow_;
  } else if (removed == decodeRow_) {
    decodeCol_ = 0;
  }
}

// Puts a deleted column back: first the rows whose new first field was quoted get their old one again,
// then every removed field goes back with its delimiter, in one pass over the text and one over the cells.
// Afterwards the record holds only the column's index.
void TCsvDocument::RestoreColumn(TDeleteColumnRecord& record) {
  using Piece = TDeleteColumnRecord::Piece;
  const std::vector<Piece>& pieces = record.Pieces;
  const std::size_t count = pieces.size();
  const std::int32_t col = record.Col;
  // The restored cells, decoded from the removed characters; positions relative to their rows.
  std::vector<TCsvCell> restored(count);
  std::size_t from = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const Piece& piece = pieces[k];
    const auto cellsLeft = static_cast<std::int32_t>(rows_[static_cast<std::size_t>(piece.Row)].CellCount);
    // The only field; the field and the delimiter after it; the delimiter before the last field and it.
    const bool onlyField = cellsLeft == 0;
    const bool lastField = !onlyField && col == cellsLeft;
    TCsvCell& cell = restored[k];
    cell.SetOffset(piece.From + (lastField ? 1 : 0));
    cell.SetLength(piece.Length - (onlyField ? 0 : 1));
    cell.SetBits(DecodedBits(std::u16string_view(record.Removed).substr(from + (lastField ? 1 : 0), cell.Length)));
    from += static_cast<std::size_t>(piece.Length);
  }
  std::vector<std::size_t> at(count);
  cells_.reserve(cells_.size() + count);
  if (record.RequotedRows.empty()) {
    text_.reserve(text_.size() + record.Removed.size());
  } else {
    // Builds the text anew, with room for the fields to come back; nothing changes when it fails.
    ReplaceFirstCells(record.RequotedRows, record.RequotedRaws, record.Removed.size());
  }
  // Nothing allocates from here on.

  std::size_t shift = 0;
  for (std::size_t k = 0; k < count; ++k) {
    at[k] = static_cast<std::size_t>(rows_[static_cast<std::size_t>(pieces[k].Row)].LineStart - 1 + pieces[k].From) + shift;
    shift += static_cast<std::size_t>(pieces[k].Length);
  }
  const std::size_t textSize = text_.size();
  text_.resize(textSize + record.Removed.size());
  std::size_t source = record.Removed.size();  // the blocks are filled from the last
  blocks::InsertBlocks(
      text_.data(), textSize, count,
      [&](std::size_t k) { return blocks::Block{at[k], static_cast<std::size_t>(pieces[k].Length)}; },
      [&](std::size_t k, char16_t* to) {
        source -= static_cast<std::size_t>(pieces[k].Length);
        std::char_traits<char16_t>::copy(to, record.Removed.data() + source, static_cast<std::size_t>(pieces[k].Length));
      });
  ForgetValues();
  const std::size_t cellCount = cells_.size();
  cells_.resize(cellCount + count);
  blocks::InsertBlocks(
      cells_.data(), cellCount, count,
      [&](std::size_t k) {
        return blocks::Block{rows_[static_cast<std::size_t>(pieces[k].Row)].FirstCell + k + static_cast<std::size_t>(col), 1};
      },
      [&](std::size_t k, TCsvCell* to) { *to = restored[k]; });

  std::int32_t charShift = 0;
  std::uint32_t cellShift = 0;
  std::size_t next = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    TCsvRow& r = rows_[i];
    r.LineStart += charShift;
    r.FirstCell += cellShift;
    if (next >= count || pieces[next].Row != static_cast<std::int32_t>(i)) continue;
    const std::int32_t length = pieces[next].Length;
    r.SetCellCount(r.CellCount + 1);
    for (std::uint32_t c = static_cast<std::uint32_t>(col) + 1; c < r.CellCount; ++c) {
      TCsvCell& later = cells_[r.FirstCell + c];
      later.SetOffset(later.Offset + length);
    }
    r.LineLength += length;
    charShift += length;
    ++cellShift;
    ++next;
  }
  columnCount_ = record.ColumnCount;
  record.Release();
}

}  // namespace qelvar
