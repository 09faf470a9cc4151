// The document's undo and redo history: what each edit must remember to be taken back by inverse splices
// of the text, and the two stacks. Internal to the document (the public face is TCsvDocument's Undo and
// Redo); the records are plain data, filled and applied by the document itself.
//
// A record on the undo stack holds what the edit removed or overwrote. Undoing puts that back and leaves
// in the record only what redoing needs: a cell edit swaps raw texts both ways, every other edit is simply
// done again with its arguments (undo restores the state exactly, so the edit does the same again).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "document/csv_document.h"

namespace qelvar {

// SetCell: the row's cells that changed (the edited one, and the first one when it had to be quoted) with
// the raw text each had before (on the undo stack) or after (on the redo stack).
struct TSetCellRecord {
  std::int32_t Row = 0;
  std::int32_t Col = 0;
  std::u16string Raw;
  bool FirstToo = false;  // cell 0 changed as well
  std::u16string FirstRaw;
};

// InsertRowAfter(Row): the inserted row is Row + 1. When Row had no line terminator, the inserted line
// ending (TerminatorAdded characters) was appended to it.
struct TInsertRowRecord {
  std::int32_t Row = 0;
  std::int32_t TerminatorAdded = 0;
  std::int32_t ColumnCount = 0;  // before the insert
};

// DeleteRow and DeleteRows: the deleted rows (ascending indexes, as before the deletion) with their lines
// and the lengths of their cells (every cell lies one delimiter after the one before it, so its length is
// all a cell needs). After an undo only Indexes is kept.
struct TDeleteRowsRecord {
  std::vector<std::int32_t> Indexes;
  std::vector<TCsvRow> Rows;              // LineStart and FirstCell as before the deletion
  std::vector<std::int32_t> CellLengths;  // their cells back to back
  std::u16string Text;                    // their lines back to back, terminators included
  // The row that became the first of the text had its first field put in quotes (its first characters
  // would have changed the encoding detected), with the raw text it had before.
  bool Requoted = false;
  std::u16string RequotedRaw;
};

// DeleteColumn(Col): per row that lost the field, where its removed characters began (relative to the
// row's start before the deletion) and how many there were; the rows whose new first field was then put in
// quotes with the raw text it had before that. After an undo only Col is kept.
struct TDeleteColumnRecord {
  struct Piece {
    std::int32_t Row;
    std::int32_t From;
    std::int32_t Length;
  };
  std::int32_t Col = 0;
  std::int32_t ColumnCount = 0;  // before the deletion
  std::vector<Piece> Pieces;     // ascending rows
  std::u16string Removed;        // the pieces' characters back to back
  std::vector<std::int32_t> RequotedRows;  // ascending
  std::vector<std::u16string> RequotedRaws;

  void Release() {
    Pieces = {};
    Removed = {};
    RequotedRows = {};
    RequotedRaws = {};
  }
};

using TEditData = std::variant<TSetCellRecord, TInsertRowRecord, TDeleteRowsRecord, TDeleteColumnRecord>;

struct TEditRecord {
  std::uint64_t Id = 0;  // names the document state right after the edit
  TEditData Data;
};

// Memory a record holds, roughly: what it copied of the text and its bookkeeping.
inline std::size_t RecordBytes(const TEditData& data) {
  constexpr std::size_t kUnit = sizeof(char16_t);
  if (const auto* cell = std::get_if<TSetCellRecord>(&data)) return (cell->Raw.size() + cell->FirstRaw.size()) * kUnit;
  if (const auto* rows = std::get_if<TDeleteRowsRecord>(&data))
    return rows->Text.size() * kUnit + rows->Rows.size() * sizeof(TCsvRow) + rows->Indexes.size() * 4 +
           rows->CellLengths.size() * 4 + rows->RequotedRaw.size() * kUnit;
  if (const auto* column = std::get_if<TDeleteColumnRecord>(&data)) {
    std::size_t bytes = column->Removed.size() * kUnit + column->Pieces.size() * sizeof(TDeleteColumnRecord::Piece) +
                        column->RequotedRows.size() * 4;
    for (const std::u16string& raw : column->RequotedRaws) bytes += raw.size() * kUnit;
    return bytes;
  }
  return 0;
}

// The undo memory never grows beyond this (or a quarter of the document's text, whichever is larger).
inline constexpr std::size_t kUndoMemoryFloor = 256u * 1024 * 1024;

// The two stacks and the position of the last save. Every state of the text the history can reach is
// named by the Id of the record on top of the undo stack (0: the loaded text), so the document is
// unmodified exactly when that Id is the one saved last.
class TCsvEditHistory {
 public:
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  TEditRecord& TopUndo() { return undo_.back(); }
  TEditRecord& TopRedo() { return redo_.back(); }
  const TEditRecord* PeekUndo() const { return undo_.empty() ? nullptr : &undo_.back(); }
  const TEditRecord* PeekRedo() const { return redo_.empty() ? nullptr : &redo_.back(); }

  // Room for one more record on either stack; called before the document changes so that pushing and
  // moving afterwards cannot fail. Throws std::bad_alloc only.
  void ReserveUndo() { Reserve(undo_); }
  void ReserveRedo() { Reserve(redo_); }

  // Records a new edit (after ReserveUndo): it gets a new Id and the redo stack is dropped. When the
  // records then hold more than `limit` bytes, the oldest go (never the new one) and DroppedOldest tells.
  void Push(TEditData data, std::size_t limit = kUndoMemoryFloor) noexcept {
    redo_.clear();
    undo_.push_back(TEditRecord{nextId_++, std::move(data)});
    std::size_t bytes = 0;
    for (const TEditRecord& record : undo_) bytes += RecordBytes(record.Data);
    std::size_t drop = 0;
    while (bytes > limit && drop + 1 < undo_.size()) bytes -= RecordBytes(undo_[drop++].Data);
    if (drop == 0) return;
    baseId_ = undo_[drop - 1].Id;
    undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(drop));
    droppedOldest_ = true;
  }
  // Whether a Push has dropped the oldest steps since the last ClearDroppedOldest (for the caller to say
  // so once).
  bool DroppedOldest() const { return droppedOldest_; }
  void ClearDroppedOldest() { droppedOldest_ = false; }
  // Moves the top record from one stack to the other (after reserving room on the target).
  void MoveUndoToRedo() noexcept {
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
  }
  void MoveRedoToUndo() noexcept {
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
  }

  bool IsModified() const { return CurrentId() != savedId_; }
  void MarkSaved() { savedId_ = CurrentId(); }
  // Forgets every record; the text as it stands becomes the base, modified as it was before.
  void Clear() noexcept {
    const bool modified = IsModified();
    undo_.clear();
    redo_.clear();
    undo_.shrink_to_fit();
    redo_.shrink_to_fit();
    baseId_ = 0;
    savedId_ = modified ? kNoState : 0;
  }

 private:
  static constexpr std::uint64_t kNoState = ~std::uint64_t{0};

  // The state at the bottom of the undo stack: the loaded text, or the state after the last dropped step.
  std::uint64_t CurrentId() const { return undo_.empty() ? baseId_ : undo_.back().Id; }
  static void Reserve(std::vector<TEditRecord>& v) {
    if (v.capacity() == v.size()) v.reserve(v.size() < 8 ? 8 : v.size() * 2);
  }

  std::vector<TEditRecord> undo_;
  std::vector<TEditRecord> redo_;
  std::uint64_t nextId_ = 1;
  std::uint64_t savedId_ = 0;
  std::uint64_t baseId_ = 0;
  bool droppedOldest_ = false;
};

}  // namespace qelvar
