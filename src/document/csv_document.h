// The CSV document: decoding, detection, parsing, editing and saving of a delimited text file.
//
// The decoded text stays whole for the document's lifetime; rows and cells are positions into it. A cell
// owns no copy of its raw text (it is always the slice Start..Start+Length-1 of Text) and its decoded value
// takes storage of its own only when it is not a slice of Text (a quoted field with doubled quotes). Rows
// and cells live in two contiguous arrays sized from the pre-scan. Edits splice Text and shift positions,
// so everything the user did not touch is written back exactly as it was read; each edit keeps what it
// removed or overwrote, so that undo can splice it back.
//
// Positions into Text are 1-based, row and column indexes 0-based. Nothing here throws to its caller:
// failures are results.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/delimiter.h"
#include "document/encoding.h"
#include "document/uncleared.h"

namespace qelvar {

// Comment modes (the setting skip-comments).
inline constexpr int kCommentsParsed = 0;    // comment and preamble lines are parsed like data, flagged IsComment
inline constexpr int kCommentsUnparsed = 1;  // they become rows of one cell holding the whole line
inline constexpr int kCommentsHidden = 2;    // they are dropped everywhere, with empty lines
inline constexpr int kCommentsAuto = 3;      // dropped (with empty lines) only before the first data row

inline constexpr std::int64_t kDefaultSampleRows = 1000;

// One field of a row, compact: 8 bytes, because a large table has tens of millions of them and the load
// writes every one. Its raw text is the slice of Text at the document's CellStart, Length characters
// long; read it through TCsvDocument::CellRaw and the value through CellValue / GetCell. Positions fit 31
// bits: Text never reaches 2^31 characters.
struct TCsvCell {
  // No default values: the document's cell array is sized before the load writes it, without clearing.
  // A value-initialised cell (TCsvCell{}) is all zero.
  std::uint32_t Offset : 31;  // position of the raw text relative to the row's LineStart (0 = LineStart)
  std::uint32_t QuotedBit : 1;
  std::uint32_t Length : 31;  // length of the raw text in characters (0 for an empty field)
  std::uint32_t DecodedBit : 1;

  static constexpr std::uint32_t kQuoted = 1u;
  static constexpr std::uint32_t kDecoded = 2u;
  static constexpr std::int64_t kMaxPosition = 0x7FFF'FFFF;

  // The raw text is longer than 1 character and both begins and ends with a double quote.
  bool Quoted() const { return QuotedBit != 0; }
  // The value has been computed (only then does CellValue return it).
  bool Decoded() const { return DecodedBit != 0; }
  // kQuoted and kDecoded together.
  std::uint32_t Bits() const { return static_cast<std::uint32_t>(QuotedBit) | (static_cast<std::uint32_t>(DecodedBit) << 1); }
  void SetBits(std::uint32_t bits) {
    QuotedBit = bits & kQuoted;
    DecodedBit = (bits >> 1) & 1u;
  }
  // A cell from its position, length (each 0 .. kMaxPosition) and bits, built as one 64-bit word: the
  // load makes tens of millions of them, and setting the bit-fields one by one costs more than all else.
  static TCsvCell Make(std::uint64_t offset, std::uint64_t length, std::uint32_t bits) {
    const std::uint64_t word = offset | (std::uint64_t{bits & kQuoted} << 31) | (length << 32) |
                               (std::uint64_t{(bits >> 1) & 1u} << 63);
    TCsvCell cell{};
    std::memcpy(static_cast<void*>(&cell), &word, sizeof cell);
    return cell;
  }
  // Setters for the positions, which callers compute in wider integers (0 .. kMaxPosition).
  void SetOffset(std::int64_t offset) { Offset = static_cast<std::uint32_t>(offset) & 0x7FFF'FFFFu; }
  void SetLength(std::int64_t length) { Length = static_cast<std::uint32_t>(length) & 0x7FFF'FFFFu; }
};
static_assert(sizeof(TCsvCell) == 8);
using TCsvCellArray = std::vector<TCsvCell>;

// One kept row: a data line (possibly spanning physical lines through quoted line breaks), a comment line
// or a preamble line. 16 bytes.
struct TCsvRow {
  std::int32_t LineStart = 1;   // position in Text of the row's first character
  std::int32_t LineLength = 0;  // characters of the row including its line terminator (CR, LF or CR LF)
  std::uint32_t FirstCell = 0;  // index of the row's first cell in the document's cell array
  std::uint32_t CellCount : 31 = 0;  // cells of the row, at most ColumnCount
  std::uint32_t IsComment : 1 = 0;   // comment or preamble line: shown, never edited

  void SetCellCount(std::int64_t count) { CellCount = static_cast<std::uint32_t>(count) & 0x7FFF'FFFFu; }
};
static_assert(sizeof(TCsvRow) == 16);
using TCsvRowArray = std::vector<TCsvRow>;

// The kinds of edit that Undo and Redo take back and do again.
enum TCsvEditKind : int {
  ekNone = 0,
  ekSetCell,
  ekInsertRow,
  ekDeleteRows,  // DeleteRow and DeleteRows
  ekDeleteColumn,
};

// What one Undo or Redo did, for the caller to rebuild what it shows.
struct TCsvUndoResult {
  bool Done = false;            // false: nothing was there to take back or do again, or memory ran out; nothing changed
  TCsvEditKind Kind = ekNone;   // the edit taken back or done again
  bool ColumnsChanged = false;  // columns moved or ColumnCount changed: column-wise state (names, widths,
                                // filters, hidden flags, a transformation) no longer fits
  std::int32_t Row = -1;        // the first row the step changed, as numbered after it: the edited cell's row,
                                // the inserted row (redo) or the row it followed (undo), the first restored
                                // row (undo) or the row now in the first deleted one's place (redo); -1 for a column
  std::int32_t Column = -1;     // the edited cell's or the deleted column, else -1
};

// The document's cell array. The loader reads the file into one of these, so that the cells can take
// over the memory the bytes were read into instead of touching as much again.
using TCsvCellStore = std::vector<TCsvCell, TUnclearedAllocator<TCsvCell>>;

// Where cutting a file read in blocks stands between two blocks (internal to the loaders).
struct TCsvCutState {
  std::size_t Next = 0;      // after the last complete line of the text just cut (0-based)
  bool SeenData = false;     // a data row has been kept: auto mode hides nothing from here on
  std::int64_t Hidden = 0;   // comment and preamble lines dropped by that cut
  std::size_t Widest = 0;    // most cells of a row kept by that cut
  bool Wider = false;        // some row had more fields than the sampled width (they were dropped)
  bool Final = false;        // the text runs to the file's end: nothing is held back
};

// The pre-scan's decisions a text was cut with, kept by the document so that text appended to its file
// later is cut the same way (internal to the loaders).
struct TCsvCutDecisions {
  std::int64_t Width = 0;              // TPreScan::MaxSampleFields
  std::size_t DataStart = 0;           // TPreScan::DataStart, 0-based in the document's text
  std::int64_t SemicolonRowWidth = 0;  // TPreScan::SemicolonRowWidth
};

// Rows cut from one stretch of a file, aside from the document that will take them (see
// TCsvDocument::AppendBatch). Positions are relative to Text: 1-based from its first character.
struct TCsvBatch {
  TTextBuffer Text;          // the stretch's characters, starting at a record boundary
  TCsvRowArray Rows;
  TCsvCellStore Cells;       // the rows' cells; FirstCell counts from Cells' start
  std::int64_t Hidden = 0;   // comment and preamble lines of the stretch that were dropped
  std::int32_t Widest = 0;   // most cells of one of Rows
  bool Last = false;         // the file's end: the document is complete once this batch is in
  TCsvEncodingInfo Encoding; // with Last: the encoding as the whole file judges it (lossless, detected)
  std::int64_t SourceBytes = -1;  // with Last: the bytes of the file behind the whole text; -1: not known
};

class TCsvEditHistory;
struct TPreScan;
struct TSetCellRecord;
struct TInsertRowRecord;
struct TDeleteRowsRecord;
struct TDeleteColumnRecord;

class TCsvDocument {
 public:
  TCsvDocument();
  ~TCsvDocument();
  TCsvDocument(const TCsvDocument&) = delete;
  TCsvDocument& operator=(const TCsvDocument&) = delete;

  // ---- parsing -----------------------------------------------------------------------------------

  // Cuts `text` into rows and cells (the text is kept as Text). `delimiter` 0 detects it. Decodes the
  // values of `sampleRows` rows spread evenly. False when the text ends inside an open quoted field or is
  // too long for 32-bit positions (the document is then in no defined state and should be dropped).
  // Starts an empty history: nothing to undo, not modified.
  // Throws std::bad_alloc only when memory runs out (LoadFromFile catches it).
  bool Parse(std::u16string text, char16_t delimiter, int commentMode, bool trimValues, std::int64_t sampleRows);

  // Appends rows cut aside from the text that follows Text (a loader's next stretch of the file): Text
  // grows by batch.Text, rows and cells come after the present ones with positions shifted,
  // HiddenCommentCount and ColumnCount (when no width was sampled) grow. With batch.Last the sample of
  // values is decoded and the encoding and SourceBytes set, as a load in one piece leaves them. Cheap:
  // moves, no cut.
  // Returns false (nothing changed) when positions would pass 32 bits; throws std::bad_alloc only, and
  // then also leaves the document as it was.
  bool AppendBatch(TCsvBatch&& batch);
  // Reserves room for the whole file's text, rows and cells, estimated by the loader, so that appends
  // rarely move them. Throws std::bad_alloc only.
  void ReserveForLoad(std::size_t characters, std::size_t rows, std::size_t cells);

  // ---- reading -----------------------------------------------------------------------------------

  const std::u16string& Text() const { return text_; }
  // The delimiter given or detected (one of the candidates when detected). A delimiter given as a double
  // quote, CR or LF cannot separate fields and is detected instead.
  char16_t Delimiter() const { return delimiter_; }
  // The delimiter was detected, not given: a fresh open detects it again.
  bool DelimiterDetected() const { return delimiterDetected_; }
  // The text is a list of values, one per line (the detected delimiter stands in values, not between
  // them): every row has one cell holding its whole line, quotes interpreted. Only with a detected
  // delimiter; Delimiter() is then the detected candidate, which edits quote.
  bool SingleColumn() const { return singleColumn_; }
  const TCsvEncodingInfo& Encoding() const { return encoding_; }
  // Whether encoding Text again reproduces the bytes that were read (Encoding().Lossless). A lossy
  // document (for example UTF-8 with overlong forms shown as "?") can be viewed but is never saved.
  bool Lossless() const { return encoding_.Lossless; }
  void SetEncoding(const TCsvEncodingInfo& encoding) { encoding_ = encoding; }
  // How many bytes of its file the text was decoded from: the whole file as read by LoadFromFile (or the
  // bytes given to LoadFromBytes), the bytes read up to the last batch of a load in blocks (a last line
  // without its line break included). -1 when not known: text given to Parse, a load in blocks that has
  // not reached the file's end. Edits leave it as it was (it describes the file as loaded).
  std::int64_t SourceBytes() const { return sourceBytes_; }

  std::int32_t RowCount() const { return rowCount_; }
  std::int32_t ColumnCount() const { return columnCount_; }
  std::int32_t HiddenCommentCount() const { return hiddenCommentCount_; }
  bool TrimValues() const { return trimValues_; }
  // The records sampled for the width and the table's start when it was parsed.
  std::int64_t SampleRows() const { return sampleRows_; }
  std::int32_t DecodeRow() const { return decodeRow_; }
  std::int32_t DecodeCol() const { return decodeCol_; }

  // The kept rows in file order (RowCount entries).
  const TCsvRowArray& Rows() const { return rows_; }
  // The cells of a row (the row's CellCount entries); empty for an out-of-range row. Valid until the
  // next edit.
  std::span<const TCsvCell> Cells(std::int32_t row) const;
  // Cells of a row; 0 for an out-of-range row.
  std::int32_t CellCount(std::int32_t row) const;

  // Position of the cell's raw text in Text; 0 when out of range.
  std::int32_t CellStart(std::int32_t row, std::int32_t col) const;
  // The field's characters exactly as in Text (quotes, doubled quotes, spaces, line breaks included);
  // empty when out of range. A view into Text: valid until the next edit.
  std::u16string_view CellRaw(std::int32_t row, std::int32_t col) const;
  // The decoded value when the cell is Decoded, else empty (it does not decode). Valid until the next
  // edit or decode. Allocates the first time it reads a value with doubled quotes after a load or an
  // edit (that value is then kept); may throw std::bad_alloc only then.
  std::u16string_view CellValue(std::int32_t row, std::int32_t col) const;
  // Decodes the cell if needed and returns its value as a view (empty when out of range); the fast path
  // for filters and sorting: allocates only the first time a value with doubled quotes is read.
  // Valid until the next edit or decode. The cells of a column decoded in full (DecodeColumn) may be read
  // on a worker thread while this thread reads (and decodes) others, as long as nothing edits the
  // document: the one cache such reads fill (values with doubled quotes) is locked.
  std::u16string_view ValueView(std::int32_t row, std::int32_t col);
  // Decodes every cell of column `col` not decoded yet (nothing for a column out of range).
  void DecodeColumn(std::int32_t col);
  // Decodes the cell if needed and copies its value; empty when out of range.
  void GetCell(std::int32_t row, std::int32_t col, std::u16string& value);
  std::u16string GetCell(std::int32_t row, std::int32_t col) {
    std::u16string value;
    GetCell(row, col, value);
    return value;
  }

  // ---- lazy decoding -----------------------------------------------------------------------------

  // Computes the value of one cell if it is not yet decoded; ignores out-of-range indexes.
  void DecodeCell(std::int32_t row, std::int32_t col);
  // Decodes every cell of up to `count` rows spread evenly over the document.
  void DecodeSample(std::int64_t count);
  // Decodes up to `maxCells` undecoded cells from the background cursor on; returns how many.
  std::int32_t DecodeNext(std::int32_t maxCells);
  // Whether any cell at or after the background cursor is undecoded.
  bool HasUndecodedCells() const;

  // ---- editing by splicing -----------------------------------------------------------------------
  // Each keeps the invariants: rows back to back in Text (hidden lines between), cells at their Start,
  // one delimiter between neighbouring cells of a data row. False (nothing changed) when refused.

  // Whatever an edit writes reads back as the same data row: a data row's line never becomes an empty
  // line or a comment line. When it would (a first field starting with "#", ";" or "sep=", a one-column
  // row set to empty), the row's first field is written in quotes; its value stays the same.

  // Sets a cell's value, quoting it when needed. Refused out of range and on comment rows.
  bool SetCell(std::int32_t row, std::int32_t col, std::u16string_view value);
  // Inserts an empty row (ColumnCount - 1 delimiters) after `row`, ended like that row. Its first field
  // is "" when the bare line would be empty (one column) or a comment (";" in a two-column semicolon file).
  // Row -1 inserts before the first row (after the hidden lines in front of it), ended with the text's
  // line ending; into a table without rows it goes at the end of the text, after a line break it adds
  // when the text does not end with one.
  bool InsertRowAfter(std::int32_t row);
  // Removes a row with its line terminator; comment rows may be deleted.
  bool DeleteRow(std::int32_t row);
  // Removes every listed row (any order; duplicates and indexes out of range are ignored; comment rows
  // may be deleted) in one pass over the text, the rows and the cells: the same text, rows and cells as
  // DeleteRow on each of them from the last to the first. Returns how many rows went (0: nothing changed,
  // nothing recorded). Throws std::bad_alloc only before anything changed.
  std::int32_t DeleteRows(std::span<const std::int32_t> rows);
  // Removes field `col` from every data row that has it; true when any row lost a cell. A row that loses
  // its only cell is left as an empty line (which the save's check refuses where empty lines are hidden).
  bool DeleteColumn(std::int32_t col);

  // The line ending a row inserted after `row` gets: the row's own terminator, else the first line
  // break of Text, else CR LF.
  std::u16string_view LineEndingAfter(std::int32_t row) const;

  // ---- undo and redo -----------------------------------------------------------------------------
  // Every edit that changes the document is recorded (a refused edit, and a SetCell to the value the cell
  // already has, record nothing); a new edit drops what could be redone. An edit records what it removed
  // or overwrote, not the document: SetCell the cell's old raw text, DeleteRow(s) the deleted lines and
  // their cell lengths, DeleteColumn the removed fields with their positions, InsertRowAfter nothing but
  // numbers. The history lasts until ClearHistory or Parse; saving is no edit and keeps it.

  bool CanUndo() const;
  bool CanRedo() const;
  // The kind of the edit Undo would take back / Redo would do again; ekNone when there is none.
  TCsvEditKind UndoKind() const;
  TCsvEditKind RedoKind() const;
  // Takes back the last edit by inverse splices: Text becomes exactly what it was before that edit, and
  // the rows (positions, cells, kinds), ColumnCount and the values with it; restored cells are decoded.
  // Undoing every edit gives back the loaded text. Never throws.
  TCsvUndoResult Undo();
  // Does the last undone edit again, with the same result as the first time. Never throws.
  TCsvUndoResult Redo();
  // Whether Text differs from the file as last loaded or saved, judged by the position in the history:
  // false right after the load, after MarkSaved, and whenever undo or redo come back to that point; true
  // after undoing past a save or when the saved point can no longer be reached.
  bool IsModified() const;
  // The text as it stands is the file's content now: call after a successful SaveDocument (which does not
  // call it, the document being const there). The history is kept.
  void MarkSaved();
  // Forgets every recorded edit (memory is given back); IsModified stays what it was.
  void ClearHistory();
  // The undo steps hold at most 256 MB or a quarter of the text's size, whichever is larger: a new edit
  // drops the oldest steps beyond that (never itself). Whether that has happened since the last
  // AcknowledgeDroppedUndoSteps, for the caller to say once that the oldest steps cannot be undone.
  bool DroppedUndoSteps() const;
  void AcknowledgeDroppedUndoSteps();
  // Another bound in bytes instead of that rule (0: the rule again); for tests.
  void SetUndoMemoryLimit(std::size_t bytes) { undoLimit_ = bytes; }

 private:
  friend class TCsvParser;
  friend struct TCsvLoader;
  friend class TCsvProgressiveLoad;
  friend class TCsvAppendReader;

  // Cuts `text` (a stretch of a file from a record boundary to the end of what was read) with decisions
  // already made, holding back what follows its last complete line: `state` comes in as the cut before
  // left it (SeenData) and leaves with where this one stopped. Rows and cells of this document are
  // replaced by the stretch's (positions from its start); Text is left alone, and `text` must outlive
  // the call only. Throws std::bad_alloc only.
  bool CutFrom(std::u16string_view text, char16_t cut, int commentMode, const TPreScan& pre, TCsvCutState& state);

  // Drops the text from the 0-based `from` on (the rows that start there with their cells, and `hidden`
  // hidden lines counted in it), then appends `batch` as AppendBatch does; `from` = Text().size() is
  // AppendBatch. One step: false (positions past 32 bits) or std::bad_alloc leave the document as it was.
  // For a last row that was cut before its line break came and is cut again with what followed.
  bool AppendBatchFrom(std::size_t from, std::int64_t hidden, TCsvBatch&& batch);

  // Parse, with `spare` as the memory of the cell array when it is large enough.
  bool ParseInto(std::u16string text, TCsvCellStore spare, char16_t delimiter, int commentMode, bool trimValues,
                 std::int64_t sampleRows);

  TCsvCell* CellAt(std::int32_t row, std::int32_t col);
  void DecodeAt(TCsvRow& row, TCsvCell& cell);
  // The value of a decoded cell of `row` (see CellValue).
  std::u16string_view ValueOf(const TCsvRow& row, const TCsvCell& cell) const;
  void Splice(std::size_t pos0, std::size_t count, std::u16string_view insert);
  void ShiftRowsFrom(std::size_t firstRow, std::int64_t delta);
  void RemoveCharacters(std::int32_t pos, std::int32_t count);
  void ReplaceRaw(std::int32_t row, std::int32_t col, std::u16string_view raw);
  bool LineMisreads(const TCsvRow& row) const;
  // The text begins with the first row, a data row whose first characters would be read as a mark or as
  // another encoding.
  bool FirstRowMisreadsEncoding() const;
  bool ChangesDetectedDelimiter(std::size_t cellStart, std::size_t cellEnd, std::u16string_view value) const;
  void RequoteFirstRow(TDeleteRowsRecord& record) noexcept;
  void UnquoteFirstRow(TDeleteRowsRecord& record);
  std::size_t UndoLimit() const;
  void RequoteFirstCells(const std::vector<std::int32_t>& rows, TDeleteColumnRecord* record);
  bool ReplaceFirstCells(const std::vector<std::int32_t>& rows, const std::vector<std::u16string>& raws,
                         std::size_t spare = 0);
  static std::uint32_t DecodedBits(std::u16string_view raw);
  // Text changed: the unquoted values kept for CellValue no longer apply.
  void ForgetValues() noexcept { unquoted_.clear(); }

  // The edits proper, filling the record that takes them back (the public operations record it).
  bool InsertRowRecorded(std::int32_t row, TInsertRowRecord& record);
  bool InsertFirstRowRecorded(TInsertRowRecord& record);
  std::u16string EmptyRowLine(std::int32_t& lead) const;
  std::int32_t DeleteRowsRecorded(std::span<const std::int32_t> rows, TDeleteRowsRecord& record);
  bool DeleteColumnRecorded(std::int32_t col, TDeleteColumnRecord& record);
  // Their inverses, turning the record into what Redo needs.
  void SwapCellRaws(TSetCellRecord& record);
  void UndoInsertRow(const TInsertRowRecord& record);
  void RestoreRows(TDeleteRowsRecord& record);
  void RestoreColumn(TDeleteColumnRecord& record);

  TCsvRowArray rows_;
  TCsvCellStore cells_;  // every row's cells, row after row
  std::u16string text_;
  char16_t delimiter_ = u',';
  bool delimiterDetected_ = true;
  bool singleColumn_ = false;
  std::int64_t sampleRows_ = kDefaultSampleRows;
  TCsvEncodingInfo encoding_;
  std::int64_t sourceBytes_ = -1;
  TCsvCutDecisions cutDecisions_;
  std::int32_t columnCount_ = 0;
  std::int32_t rowCount_ = 0;
  std::int32_t hiddenCommentCount_ = 0;
  bool trimValues_ = false;
  std::int32_t decodeRow_ = 0;
  std::int32_t decodeCol_ = 0;
  // Values that are no slice of Text (quoted fields with doubled quotes), made on first read and kept
  // until Text changes, by the 0-based position of their raw text. Nodes do not move, so views stay valid.
  mutable std::unordered_map<std::size_t, std::u16string> unquoted_;
  mutable std::mutex unquotedLock_;  // a filter on a worker thread and the painting read values at once
  std::unique_ptr<TCsvEditHistory> history_;
  std::size_t undoLimit_ = 0;
};

// The value of a raw field: a quoted field loses its quotes and has doubled quotes collapsed; otherwise
// `trim` removes leading and trailing spaces and tabs. Allocates the result.
std::u16string DecodeValue(std::u16string_view raw, bool trim);

// The raw text of `value` written in quotes: a double quote, the value with every double quote doubled,
// a double quote. Allocates the result.
std::u16string QuoteValue(std::u16string_view value);

// ---- loading -------------------------------------------------------------------------------------

// Why a load failed, for the caller to put into words (the document builds no UI text). It travels with
// the load's result: all clear after a success and after a failure without a reason of its own (an
// unreadable file, text that ends inside quotes, memory exhausted).
struct TLoadFailure {
  bool TooLarge = false;      // the file is larger than the size limit
  std::int64_t FileSize = 0;  // with TooLarge: the file's size and the limit, in bytes
  std::int64_t Limit = 0;
};

// Reads, decodes and parses a file. `maxFileSize` <= 0: no limit. `delimiter` 0: detect. Empty
// `forcedEncoding`: detect. On success `document` is a new document; on failure it is empty and
// `*failure` (when given) says why. `*failure` is cleared first. Never throws.
bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document, bool trimValues,
                  std::int64_t sampleRows, TLoadFailure* failure = nullptr);
bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows,
                  TLoadFailure* failure = nullptr);

// The same over bytes already in memory (no size limit). Never throws.
bool LoadFromBytes(std::string_view bytes, char16_t delimiter, int commentMode, std::u16string_view forcedEncoding,
                   std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows,
                   TLoadFailure* failure = nullptr);

// ---- encoding and saving -------------------------------------------------------------------------

// Encodes `text` in `info`'s encoding (name compared without regard to case), with its mark when HasBom.
// False when a character has no exact representation (ANSI code page, or a lone surrogate in UTF-8) or
// the name is unknown; `bytes` is then unspecified.
bool EncodeText(std::u16string_view text, const TCsvEncodingInfo& info, std::string& bytes);

// Writes `text` to `fileName` safely: a temporary file in the same folder, one write, flush, verification
// by loading it back, then replace (retried while another process holds the target) or move. False when
// anything failed; the target then keeps its old content and no temporary file is left, except when the
// target was already removed by a failed replace and the temporary file holds the only copy. Refuses
// (nothing written) when `info.Lossless` is false.
bool SaveTextToFile(const std::u16string& fileName, std::u16string_view text, const TCsvEncodingInfo& info,
                    char16_t delimiter, int commentMode, bool trimValues);

// Writes `bytes` to `fileName` as safely as SaveTextToFile writes a document (temporary file in the same
// folder, one flushed write, read back and compared byte for byte, then replace or move; a read-only target
// is refused), for files that are no document: an exported table, a transformation file. False when
// anything failed, with the same guarantees for the target and the temporary file.
bool SaveBytesToFile(const std::u16string& fileName, std::string_view bytes);

// Why a save failed, for the caller to put into words.
enum class TSaveProblem {
  None,
  NotEncodable,      // a value has no exact form in the encoding, or the text was read lossily
  WriteFailed,       // the folder, the disk or the target refused (the target keeps its old content)
  ReadsDifferently,  // a fresh open would read another table (Difference says how); nothing replaced
  TargetRemoved,     // the replace removed the target and the data could not take its name: it is in KeptFile
};

// How a fresh open of the written file differs from the document.
enum class TFreshDifference {
  None,
  DoesNotLoad,
  Encoding,   // another encoding or mark is detected
  Delimiter,  // another delimiter is detected, or the lines read as one column or stop doing so
  RowCount,
  RowKind,    // a data row reads as a comment or preamble line, or the other way round
  Cells,
};

struct TSaveResult {
  TSaveProblem Problem = TSaveProblem::None;
  TFreshDifference Difference = TFreshDifference::None;  // with ReadsDifferently
  std::int32_t Row = -1;                                  // the first row that differs, when one does
  std::u16string KeptFile;                                // with TargetRemoved: the file holding the data
};

// SaveTextToFile with the document's text, encoding, delimiter and trimming, whose check reads the
// written file the way the user's next open will: with the encoding and the delimiter detected from
// scratch (where the document's were detected, or given and detection agrees), the document's sample
// size and `commentMode`. The save fails, and the target keeps its content, unless that reading gives the
// same text, encoding and mark (ANSI and UTF-8 count as one for a text that is the same in both), the same
// delimiter, the same rows with the same kinds and the same cell values as the document. `result`, when
// given, says why a save failed. The caller marks the document saved (MarkSaved) when it succeeds.
bool SaveDocument(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                  TSaveResult* result = nullptr);

// How a fresh reading `fresh` of the document's text differs from `document` (see SaveDocument).
TFreshDifference CompareFreshReading(const TCsvDocument& document, const TCsvDocument& fresh, std::int32_t* row = nullptr);

}  // namespace qelvar
