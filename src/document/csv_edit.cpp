// Editing a document by splicing its text. Cell positions are kept relative to their row, so an edit
// shifts the rows behind it and the later cells of its own row, nothing else.
#include <algorithm>
#include <limits>

#include "document/csv_document.h"
#include "document/edit_history.h"
#include "platform/utf.h"

namespace qelvar {

namespace {

inline bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// A field needs quotes when it holds the delimiter, a quote or a line break, or starts or ends with a
// blank (which trimming would remove).
bool NeedsQuotes(std::u16string_view value, char16_t delimiter) {
  for (const char16_t c : value)
    if (c == delimiter || c == u'"' || IsBreak(c)) return true;
  return !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
}

std::u16string RawField(std::u16string_view value, bool quote) {
  return quote ? QuoteValue(value) : std::u16string(value);
}

// Whether a text that begins with `start` would be read in another encoding than `encoding`, or with a
// mark it does not have: without a mark, UTF-16 needs its first code unit to have exactly one zero byte
// (U+0001..U+00FF), and UTF-8 or ANSI text must not begin with U+FEFF (read as the mark) nor have
// exactly one of its first two bytes zero (read as UTF-16).
bool StartMisreadsEncoding(std::u16string_view start, const TCsvEncodingInfo& encoding) {
  if (start.empty() || encoding.HasBom) return false;
  const char16_t c = start.front();
  if (EqualsIgnoreAsciiCase(encoding.Name, kEncodingUtf16Le) || EqualsIgnoreAsciiCase(encoding.Name, kEncodingUtf16Be))
    return c == 0 || c > 0xFF;
  if (c == u'\uFEFF') return true;
  if (start.size() < 2) return false;
  // A character from U+0080 on takes more than one byte, none of them zero.
  const bool secondZero = c < 0x80 && start[1] == 0;
  return (c == 0) != secondZero;
}

// Whether a line (from its first character on) would not load back as the data row it is: an empty line,
// a comment line ("#", a ";" with no second ";" on the line, "sep="), or, at the very start of the text
// (`startEncoding` given), a line whose first characters would change the encoding detected. The
// semicolon rule is applied as written even where a two-column semicolon table would take the line as a
// row: what an edit writes must not depend on the table's shape staying as it is.
bool ReadsAsNoDataLine(std::u16string_view line, const TCsvEncodingInfo* startEncoding) {
  return line.empty() || IsBreak(line.front()) || IsCommentLine(line, 1) ||
         (startEncoding && StartMisreadsEncoding(line, *startEncoding));
}

bool HasCandidate(std::u16string_view value) {
  for (const char16_t c : value)
    for (const char16_t candidate : kDelimiterCandidates)
      if (c == candidate) return true;
  return false;
}

constexpr std::size_t kMaxText = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 2);

// Makes room for `more` elements, growing geometrically so that repeated inserts stay amortised.
template <typename Vector>
void Reserve(Vector& v, std::size_t more) {
  if (v.capacity() - v.size() >= more) return;
  v.reserve(std::max(v.size() + more, v.capacity() + v.capacity() / 2));
}

}  // namespace

std::u16string QuoteValue(std::u16string_view value) {
  std::u16string raw;
  raw.reserve(value.size() + 2);
  raw.push_back(u'"');
  for (const char16_t c : value) {
    raw.push_back(c);
    if (c == u'"') raw.push_back(u'"');
  }
  raw.push_back(u'"');
  return raw;
}

void TCsvDocument::Splice(std::size_t pos0, std::size_t count, std::u16string_view insert) {
  text_.replace(pos0, count, insert);
  ForgetValues();
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

  const std::size_t rowStart = static_cast<std::size_t>(r.LineStart - 1);
  const std::size_t cellStart = rowStart + static_cast<std::size_t>(cell->Offset);
  const std::size_t cellEnd = cellStart + static_cast<std::size_t>(cell->Length);
  const std::u16string_view text(text_);
  // In a list of values every candidate delimiter is quoted, so the list never grows a wider line; in a
  // table, one that would make detection choose another delimiter (a value "a;b" among the lines it samples).
  const bool quote = cell->Quoted() || NeedsQuotes(value, delimiter_) ||
                     (HasCandidate(value) && (singleColumn_ || ChangesDetectedDelimiter(cellStart, cellEnd, value)));
  std::u16string raw = RawField(value, quote);

  // Would the row's line, with the new field, read back as an empty or a comment line? Then its first
  // field goes in quotes: the edited one, or the unquoted first field beside it.
  std::u16string line(text.substr(rowStart, cellStart - rowStart));
  line.append(raw).append(text.substr(cellEnd, rowStart + static_cast<std::size_t>(r.LineLength) - cellEnd));
  const bool misreads = ReadsAsNoDataLine(line, rowStart == 0 ? &encoding_ : nullptr);
  std::u16string firstRaw;
  if (misreads && col == 0) {
    raw = RawField(value, true);
  } else if (misreads) {
    firstRaw = RawField(DecodeValue(CellRaw(row, 0), trimValues_), true);
  }
  const std::int64_t delta = static_cast<std::int64_t>(raw.size()) - cell->Length +
                             (firstRaw.empty() ? 0 : static_cast<std::int64_t>(firstRaw.size()) - cells_[r.FirstCell].Length);
  if (static_cast<std::int64_t>(text_.size()) + delta > static_cast<std::int64_t>(kMaxText)) return false;

  // Everything that can fail (allocation) happens before the cell is changed.
  text_.reserve(static_cast<std::size_t>(static_cast<std::int64_t>(text_.size()) + std::max<std::int64_t>(delta, 0)));
  history_->ReserveUndo();
  TSetCellRecord record{row, col, std::u16string(CellRaw(row, col)), !firstRaw.empty(), {}};
  if (record.FirstToo) record.FirstRaw = CellRaw(row, 0);
  ReplaceRaw(row, col, raw);
  if (!firstRaw.empty()) ReplaceRaw(row, 0, firstRaw);
  history_->Push(std::move(record), UndoLimit());
  return true;
}

// Detection samples the first few lines that hold a candidate: only a field among them can change it,
// and only then is the text with the bare field detected again.
bool TCsvDocument::ChangesDetectedDelimiter(std::size_t cellStart, std::size_t cellEnd, std::u16string_view value) const {
  if (cellStart >= DelimiterSampleEnd(text_)) return false;
  std::u16string probe(std::u16string_view(text_).substr(0, cellStart));
  probe.append(value).append(std::u16string_view(text_).substr(cellEnd));
  return DetectDelimiter(probe) != DetectDelimiter(text_);
}

// Puts `raw` in place of a cell's raw text and shifts what follows; the cell becomes decoded (quoted when
// `raw` is). Does not allocate when Text has room for it.
void TCsvDocument::ReplaceRaw(std::int32_t row, std::int32_t col, std::u16string_view raw) {
  TCsvRow& r = rows_[static_cast<std::size_t>(row)];
  TCsvCell& cell = cells_[r.FirstCell + static_cast<std::size_t>(col)];
  const bool quoted = raw.size() > 1 && raw.front() == u'"' && raw.back() == u'"';
  const std::int64_t delta = static_cast<std::int64_t>(raw.size()) - cell.Length;
  Splice(static_cast<std::size_t>(r.LineStart - 1 + cell.Offset), static_cast<std::size_t>(cell.Length), raw);
  cell.SetLength(static_cast<std::int64_t>(raw.size()));
  cell.SetBits(TCsvCell::kDecoded | (quoted ? TCsvCell::kQuoted : 0u));
  const auto d = static_cast<std::int32_t>(delta);
  r.LineLength += d;
  for (std::int32_t c = col + 1; c < static_cast<std::int32_t>(r.CellCount); ++c) {
    TCsvCell& later = cells_[r.FirstCell + static_cast<std::size_t>(c)];
    later.SetOffset(later.Offset + delta);
  }
  ShiftRowsFrom(static_cast<std::size_t>(row) + 1, delta);
}

bool TCsvDocument::InsertRowAfter(std::int32_t row) {
  history_->ReserveUndo();
  TInsertRowRecord record;
  if (!InsertRowRecorded(row, record)) return false;
  history_->Push(record, UndoLimit());
  return true;
}

bool TCsvDocument::InsertRowRecorded(std::int32_t row, TInsertRowRecord& record) {
  if (row < -1 || row >= rowCount_) return false;
  if (row < 0) return InsertFirstRowRecorded(record);
  const std::int32_t n = std::max(columnCount_, 1);
  const std::u16string_view eol = LineEndingAfter(row);
  // A bare empty line would be dropped or read as a blank line, and ";" in a semicolon file reads as a
  // comment: the first field is then written as "".
  std::int32_t lead = 0;
  const std::u16string line = EmptyRowLine(lead);
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
  added.SetCellCount(n);
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
    newCells[static_cast<std::size_t>(j)].SetOffset(j == 0 ? 0 : lead + j);
    newCells[static_cast<std::size_t>(j)].SetBits(TCsvCell::kDecoded);
  }
  if (lead > 0) {
    newCells[0].SetLength(lead);
    newCells[0].SetBits(TCsvCell::kDecoded | TCsvCell::kQuoted);
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
  record = TInsertRowRecord{row, endsWithBreak ? 0 : static_cast<std::int32_t>(eol.size()), columnCount_};
  // After the last column was deleted the new row still has one cell; the width follows it, so that no
  // data row is ever wider than ColumnCount.
  columnCount_ = std::max(columnCount_, n);
  if (row < decodeRow_) ++decodeRow_;
  return true;
}

// The empty row that InsertRowRecorded writes: ColumnCount - 1 delimiters, with a first field "" when the
// bare line would read as no data line; `lead` is that field's length (0 or 2).
std::u16string TCsvDocument::EmptyRowLine(std::int32_t& lead) const {
  const std::int32_t n = std::max(columnCount_, 1);
  std::u16string line(static_cast<std::size_t>(n - 1), delimiter_);
  lead = ReadsAsNoDataLine(line, nullptr) ? 2 : 0;
  if (lead > 0) line.insert(0, u"\"\"");
  return line;
}

// Row -1: the new row goes before the first row (after the hidden lines in front of it), ended with the
// text's line ending; in a table without rows it goes at the end of the text, after a line break when the
// text does not end with one.
bool TCsvDocument::InsertFirstRowRecorded(TInsertRowRecord& record) {
  const std::int32_t n = std::max(columnCount_, 1);
  const std::u16string_view eol = LineEndingAfter(-1);
  std::int32_t lead = 0;
  const std::u16string line = EmptyRowLine(lead);
  if (text_.size() + eol.size() + line.size() > kMaxText) return false;
  Reserve(rows_, 1);
  Reserve(cells_, static_cast<std::size_t>(n));
  text_.reserve(text_.size() + eol.size() + line.size());

  std::u16string inserted;
  std::int32_t terminatorAdded = 0;
  TCsvRow added;
  added.FirstCell = 0;
  added.SetCellCount(n);
  if (rowCount_ > 0) {
    inserted.append(line).append(eol);
    added.LineStart = rows_[0].LineStart;
  } else if (text_.empty() || IsBreak(text_.back())) {
    inserted.append(line).append(eol);
    added.LineStart = static_cast<std::int32_t>(text_.size()) + 1;
  } else {
    inserted.append(eol).append(line);
    terminatorAdded = static_cast<std::int32_t>(eol.size());
    added.LineStart = static_cast<std::int32_t>(text_.size() + eol.size()) + 1;
  }
  added.LineLength = static_cast<std::int32_t>(inserted.size()) - terminatorAdded;
  std::vector<TCsvCell> newCells(static_cast<std::size_t>(n));
  for (std::int32_t j = 0; j < n; ++j) {
    newCells[static_cast<std::size_t>(j)].SetOffset(j == 0 ? 0 : lead + j);
    newCells[static_cast<std::size_t>(j)].SetBits(TCsvCell::kDecoded);
  }
  if (lead > 0) {
    newCells[0].SetLength(lead);
    newCells[0].SetBits(TCsvCell::kDecoded | TCsvCell::kQuoted);
  }
  Splice(static_cast<std::size_t>(added.LineStart - 1 - terminatorAdded), 0, inserted);
  cells_.insert(cells_.begin(), newCells.begin(), newCells.end());
  for (TCsvRow& r : rows_) {
    r.LineStart += static_cast<std::int32_t>(inserted.size());
    r.FirstCell += static_cast<std::uint32_t>(n);
  }
  rows_.insert(rows_.begin(), added);
  ++rowCount_;
  record = TInsertRowRecord{-1, terminatorAdded, columnCount_};
  columnCount_ = std::max(columnCount_, n);
  ++decodeRow_;  // the new row is decoded already
  return true;
}

bool TCsvDocument::DeleteRow(std::int32_t row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return false;
  const TCsvRow r = rows_[static_cast<std::size_t>(row)];
  history_->ReserveUndo();
  TDeleteRowsRecord record;
  record.Indexes.push_back(row);
  record.Rows.push_back(r);
  record.Text.assign(text_, static_cast<std::size_t>(r.LineStart - 1), static_cast<std::size_t>(r.LineLength));
  record.CellLengths.reserve(static_cast<std::size_t>(r.CellCount));
  for (const TCsvCell& cell : Cells(row)) record.CellLengths.push_back(cell.Length);
  Splice(static_cast<std::size_t>(r.LineStart - 1), static_cast<std::size_t>(r.LineLength), {});
  const auto first = cells_.begin() + r.FirstCell;
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
  RequoteFirstRow(record);
  history_->Push(std::move(record), UndoLimit());
  return true;
}

bool TCsvDocument::DeleteColumn(std::int32_t col) {
  history_->ReserveUndo();
  TDeleteColumnRecord record;
  if (!DeleteColumnRecorded(col, record)) return false;
  history_->Push(std::move(record), UndoLimit());
  return true;
}

// Removes field `col` from every data row in one pass over the text: each removal shifts the rest of its
// row and every later row, so the shifts are accumulated instead of applied one removal at a time. A first
// pass only plans (and copies the removed characters for undo), so that nothing can fail once the text
// is being changed.
bool TCsvDocument::DeleteColumnRecorded(std::int32_t col, TDeleteColumnRecord& record) {
  if (col < 0 || col >= columnCount_) return false;
  using Piece = TDeleteColumnRecord::Piece;
  std::size_t touched = 0;
  for (const TCsvRow& r : rows_) touched += !r.IsComment && static_cast<std::int32_t>(r.CellCount) > col;
  if (touched == 0) return false;
  // The record is replaced only at the end: a redo passes its own, which must survive a failure.
  TDeleteColumnRecord fresh;
  fresh.Col = col;
  fresh.ColumnCount = columnCount_;
  fresh.Pieces.reserve(touched);
  std::size_t removedChars = 0;
  for (std::size_t ri = 0; ri < rows_.size(); ++ri) {
    const TCsvRow& r = rows_[ri];
    if (r.IsComment || static_cast<std::int32_t>(r.CellCount) <= col) continue;
    const TCsvCell* cells = cells_.data() + r.FirstCell;
    const TCsvCell& cell = cells[col];
    // 0-based bounds relative to the row's start: the only field; the field and the delimiter after it;
    // the last field and the delimiter before it.
    std::int32_t from;
    std::int32_t to;
    if (r.CellCount == 1) {
      from = cell.Offset;
      to = cell.Offset + cell.Length;
    } else if (col + 1 < static_cast<std::int32_t>(r.CellCount)) {
      from = cell.Offset;
      to = cells[col + 1].Offset;
    } else {
      from = cells[col - 1].Offset + cells[col - 1].Length;
      to = cell.Offset + cell.Length;
    }
    fresh.Pieces.push_back(Piece{static_cast<std::int32_t>(ri), from, to - from});
    removedChars += static_cast<std::size_t>(to - from);
  }
  fresh.Removed.reserve(removedChars);
  for (const Piece& piece : fresh.Pieces) {
    const TCsvRow& r = rows_[static_cast<std::size_t>(piece.Row)];
    fresh.Removed.append(text_, static_cast<std::size_t>(r.LineStart - 1 + piece.From), static_cast<std::size_t>(piece.Length));
  }
  std::vector<std::int32_t> misread;
  misread.reserve(touched);

  char16_t* t = text_.data();
  std::size_t read = 0;   // 0-based: text before it has been moved into place
  std::size_t write = 0;  // 0-based: where the next kept character goes
  std::size_t keptCells = 0;
  std::int32_t removedTotal = 0;
  std::size_t next = 0;  // the next planned piece
  for (std::size_t ri = 0; ri < rows_.size(); ++ri) {
    TCsvRow& r = rows_[ri];
    const std::size_t firstCell = r.FirstCell;
    r.LineStart -= removedTotal;
    r.FirstCell = static_cast<std::uint32_t>(keptCells);
    if (next < fresh.Pieces.size() && fresh.Pieces[next].Row == static_cast<std::int32_t>(ri)) {
      const Piece& piece = fresh.Pieces[next++];
      TCsvCell* cells = cells_.data() + firstCell;
      const std::size_t cut = static_cast<std::size_t>(r.LineStart - 1 + removedTotal + piece.From);
      std::char_traits<char16_t>::move(t + write, t + read, cut - read);
      write += cut - read;
      read = cut + static_cast<std::size_t>(piece.Length);
      r.LineLength -= piece.Length;
      removedTotal += piece.Length;
      for (std::int32_t c = 0; c < static_cast<std::int32_t>(r.CellCount); ++c) {
        if (c == col) continue;
        TCsvCell moved = cells[c];
        if (c > col) moved.SetOffset(moved.Offset - piece.Length);
        cells_[keptCells++] = moved;
      }
      r.SetCellCount(r.CellCount - 1);
    } else {
      for (std::uint32_t c = 0; c < r.CellCount; ++c) cells_[keptCells++] = cells_[firstCell + c];
    }
  }
  ForgetValues();
  std::char_traits<char16_t>::move(t + write, t + read, text_.size() - read);
  write += text_.size() - read;
  text_.resize(write);
  cells_.resize(keptCells);
  --columnCount_;
  decodeRow_ = decodeCol_ = 0;
  // Deleting the first column can leave "#x" at the start of a line, and deleting the only other field
  // can leave an empty line: such rows get their (new) first field in quotes.
  for (const Piece& piece : fresh.Pieces)
    if (LineMisreads(rows_[static_cast<std::size_t>(piece.Row)])) misread.push_back(piece.Row);
  RequoteFirstCells(misread, &fresh);
  record = std::move(fresh);
  return true;
}

bool TCsvDocument::FirstRowMisreadsEncoding() const {
  if (rows_.empty() || rows_[0].LineStart != 1 || rows_[0].CellCount < 1 || rows_[0].IsComment) return false;
  return StartMisreadsEncoding(text_, encoding_);
}

bool TCsvDocument::LineMisreads(const TCsvRow& r) const {
  if (r.IsComment || r.CellCount < 1) return false;
  const std::size_t start = static_cast<std::size_t>(r.LineStart - 1);
  return ReadsAsNoDataLine(std::u16string_view(text_).substr(start, static_cast<std::size_t>(r.LineLength)),
                           start == 0 ? &encoding_ : nullptr);
}

// Writes the first field of each listed row (ascending, each one unquoted) in quotes, in one pass over
// the text; the values stay as they were. The record, when given, learns the raw texts they had.
void TCsvDocument::RequoteFirstCells(const std::vector<std::int32_t>& which, TDeleteColumnRecord* record) {
  if (which.empty()) return;
  std::vector<std::u16string> raws;
  raws.reserve(which.size());
  for (const std::int32_t row : which) raws.push_back(RawField(DecodeValue(CellRaw(row, 0), trimValues_), true));
  std::vector<std::u16string> old;
  if (record) {
    old.reserve(which.size());
    for (const std::int32_t row : which) old.emplace_back(CellRaw(row, 0));
  }
  if (!ReplaceFirstCells(which, raws) || !record) return;
  record->RequotedRows = which;
  record->RequotedRaws = std::move(old);
}

// Puts raws[k] in place of the first field of row which[k] (ascending rows, each with a cell) in one pass
// over the text; the cells become decoded. The new text has room for `spare` more characters. False
// (nothing changed) when the text would grow too long.
bool TCsvDocument::ReplaceFirstCells(const std::vector<std::int32_t>& which, const std::vector<std::u16string>& raws,
                                     std::size_t spare) {
  std::int64_t size = static_cast<std::int64_t>(text_.size());
  for (std::size_t k = 0; k < which.size(); ++k)
    size += static_cast<std::int64_t>(raws[k].size()) - cells_[rows_[static_cast<std::size_t>(which[k])].FirstCell].Length;
  // Far beyond any file that loads; the rows then stay as they are rather than overflow positions.
  if (size > static_cast<std::int64_t>(kMaxText)) return false;

  std::u16string text;
  text.reserve(static_cast<std::size_t>(size) + spare);
  std::size_t read = 0;
  for (std::size_t k = 0; k < which.size(); ++k) {
    const TCsvRow& r = rows_[static_cast<std::size_t>(which[k])];
    const TCsvCell& cell = cells_[r.FirstCell];
    const std::size_t start = static_cast<std::size_t>(r.LineStart - 1 + cell.Offset);
    text.append(text_, read, start - read).append(raws[k]);
    read = start + static_cast<std::size_t>(cell.Length);
  }
  text.append(text_, read, std::u16string::npos);
  std::vector<std::uint32_t> bits(which.size(), 0);
  for (std::size_t k = 0; k < which.size(); ++k) bits[k] = DecodedBits(raws[k]);

  text_.swap(text);
  ForgetValues();
  std::int32_t shift = 0;
  std::size_t next = 0;
  for (std::size_t ri = 0; ri < rows_.size(); ++ri) {
    TCsvRow& r = rows_[ri];
    r.LineStart += shift;
    if (next >= which.size() || which[next] != static_cast<std::int32_t>(ri)) continue;
    const std::u16string& raw = raws[next];
    TCsvCell& cell = cells_[r.FirstCell];
    const auto d = static_cast<std::int32_t>(raw.size()) - static_cast<std::int32_t>(cell.Length);
    cell.SetLength(static_cast<std::int64_t>(raw.size()));
    cell.SetBits(bits[next]);
    for (std::uint32_t c = 1; c < r.CellCount; ++c) {
      TCsvCell& later = cells_[r.FirstCell + c];
      later.SetOffset(later.Offset + d);
    }
    r.LineLength += d;
    shift += d;
    ++next;
  }
  return true;
}

}  // namespace qelvar
