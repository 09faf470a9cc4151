// Reading a document: cell access and the lazy decoding of values.
#include "document/csv_document.h"

#include <algorithm>
#include <type_traits>
#include "platform/platform.h"

namespace qelvar {

namespace {

inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trimmed(std::u16string_view raw) {
  std::size_t a = 0;
  std::size_t b = raw.size();
  while (a < b && IsBlank(raw[a])) ++a;
  while (b > a && IsBlank(raw[b - 1])) --b;
  return raw.substr(a, b - a);
}

inline bool HasQuotes(std::u16string_view raw) {
  return raw.size() > 1 && raw.front() == u'"' && raw.back() == u'"';
}

// The quoted field's inner text with doubled quotes collapsed (scanning left to right).
std::u16string Unquote(std::u16string_view inner) {
  std::u16string value;
  value.reserve(inner.size());
  for (std::size_t i = 0; i < inner.size(); ++i) {
    value.push_back(inner[i]);
    if (inner[i] == u'"' && i + 1 < inner.size() && inner[i + 1] == u'"') ++i;
  }
  return value;
}

}  // namespace

std::u16string DecodeValue(std::u16string_view raw, bool trim) {
  if (HasQuotes(raw)) return Unquote(raw.substr(1, raw.size() - 2));
  return std::u16string(trim ? Trimmed(raw) : raw);
}

std::span<const TCsvCell> TCsvDocument::Cells(std::int32_t row) const {
  if (row < 0 || row >= rowCount_) return {};
  const TCsvRow& r = rows_[static_cast<std::size_t>(row)];
  return {cells_.data() + r.FirstCell, static_cast<std::size_t>(r.CellCount)};
}

std::int32_t TCsvDocument::CellCount(std::int32_t row) const {
  if (row < 0 || row >= rowCount_) return 0;
  return rows_[static_cast<std::size_t>(row)].CellCount;
}

TCsvCell* TCsvDocument::CellAt(std::int32_t row, std::int32_t col) {
  if (row < 0 || row >= rowCount_ || col < 0) return nullptr;
  const TCsvRow& r = rows_[static_cast<std::size_t>(row)];
  if (col >= r.CellCount) return nullptr;
  return &cells_[r.FirstCell + static_cast<std::size_t>(col)];
}

std::int32_t TCsvDocument::CellStart(std::int32_t row, std::int32_t col) const {
  const TCsvCell* cell = const_cast<TCsvDocument*>(this)->CellAt(row, col);
  if (!cell) return 0;
  return rows_[static_cast<std::size_t>(row)].LineStart + cell->Offset;
}

std::u16string_view TCsvDocument::CellRaw(std::int32_t row, std::int32_t col) const {
  const TCsvCell* cell = const_cast<TCsvDocument*>(this)->CellAt(row, col);
  if (!cell) return {};
  const std::size_t start =
      static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)].LineStart - 1 + cell->Offset);
  return std::u16string_view(text_).substr(start, static_cast<std::size_t>(cell->Length));
}

std::u16string_view TCsvDocument::CellValue(std::int32_t row, std::int32_t col) const {
  const TCsvCell* cell = const_cast<TCsvDocument*>(this)->CellAt(row, col);
  if (!cell || !cell->Decoded()) return {};
  return ValueOf(rows_[static_cast<std::size_t>(row)], *cell);
}

std::u16string_view TCsvDocument::ValueOf(const TCsvRow& row, const TCsvCell& cell) const {
  // Cells lie inside Text (the document keeps that true through every edit).
  const std::u16string_view raw(text_.data() + (static_cast<std::size_t>(row.LineStart - 1) + cell.Offset),
                                cell.Length);
  if (!cell.Quoted()) return trimValues_ ? Trimmed(raw) : raw;
  const std::u16string_view inner = raw.substr(1, raw.size() - 2);
  if (inner.find(u"\"\"") == std::u16string_view::npos) return inner;
  const auto at = static_cast<std::size_t>(raw.data() - text_.data());
  // The map's values stay where they are when it grows: the view outlives the lock.
  const std::lock_guard<std::mutex> hold(unquotedLock_);
  auto it = unquoted_.find(at);
  if (it == unquoted_.end()) it = unquoted_.emplace(at, Unquote(inner)).first;
  return it->second;
}

std::u16string_view TCsvDocument::ValueView(std::int32_t row, std::int32_t col) {
  // Filters and sorts read every row of a column through here: the cell is looked up once.
  TCsvCell* cell = CellAt(row, col);
  if (!cell) return {};
  TCsvRow& r = rows_[static_cast<std::size_t>(row)];
  if (!cell->Decoded()) DecodeAt(r, *cell);
  return ValueOf(r, *cell);
}

void TCsvDocument::DecodeColumn(std::int32_t col) {
  if (col < 0) return;
  for (std::int32_t row = 0; row < rowCount_; ++row)
    if (TCsvCell* cell = CellAt(row, col); cell && !cell->Decoded()) DecodeAt(rows_[static_cast<std::size_t>(row)], *cell);
}

void TCsvDocument::GetCell(std::int32_t row, std::int32_t col, std::u16string& value) {
  value.assign(ValueView(row, col));
}

void TCsvDocument::DecodeAt(TCsvRow& row, TCsvCell& cell) {
  cell.SetBits(DecodedBits(std::u16string_view(text_).substr(static_cast<std::size_t>(row.LineStart - 1) + cell.Offset,
                                                             cell.Length)));
}

// Decoding marks the cell; a value that is no slice of Text is made when it is first read.
std::uint32_t TCsvDocument::DecodedBits(std::u16string_view raw) {
  return TCsvCell::kDecoded | (HasQuotes(raw) ? TCsvCell::kQuoted : 0u);
}

void TCsvDocument::DecodeCell(std::int32_t row, std::int32_t col) {
  TCsvCell* cell = CellAt(row, col);
  if (cell && !cell->Decoded()) DecodeAt(rows_[static_cast<std::size_t>(row)], *cell);
}

void TCsvDocument::DecodeSample(std::int64_t count) {
  if (rowCount_ <= 0 || count <= 0) return;
  const std::int64_t n = std::min<std::int64_t>(count, rowCount_);
  for (std::int64_t k = 0; k < n; ++k) {
    const std::int64_t r = n == 1 ? 0 : (static_cast<std::int64_t>(rowCount_) - 1) * k / (n - 1);
    TCsvRow& row = rows_[static_cast<std::size_t>(r)];
    for (std::int32_t c = 0; c < row.CellCount; ++c) {
      TCsvCell& cell = cells_[row.FirstCell + static_cast<std::size_t>(c)];
      if (!cell.Decoded()) DecodeAt(row, cell);
    }
  }
}

std::int32_t TCsvDocument::DecodeNext(std::int32_t maxCells) {
  if (maxCells <= 0) return 0;
  std::int32_t count = 0;
  while (decodeRow_ < rowCount_) {
    TCsvRow& row = rows_[static_cast<std::size_t>(decodeRow_)];
    while (decodeCol_ < row.CellCount) {
      TCsvCell& cell = cells_[row.FirstCell + static_cast<std::size_t>(decodeCol_)];
      ++decodeCol_;
      if (cell.Decoded()) continue;
      DecodeAt(row, cell);
      if (++count == maxCells) return count;
    }
    ++decodeRow_;
    decodeCol_ = 0;
  }
  return count;
}

bool TCsvDocument::HasUndecodedCells() const {
  if (decodeRow_ < 0 || decodeRow_ >= rowCount_) return false;
  const TCsvRow& row = rows_[static_cast<std::size_t>(decodeRow_)];
  // The cells of all rows lie row after row, so the rest of the document is one run of the array.
  for (std::size_t k = row.FirstCell + static_cast<std::size_t>(std::max(decodeCol_, 0)); k < cells_.size(); ++k)
    if (!cells_[k].Decoded()) return true;
  return false;
}

}  // namespace qelvar

namespace qelvar {

void TCsvDocument::ReserveForLoad(std::size_t characters, std::size_t rows, std::size_t cells) {
  text_.reserve(characters);
  rows_.reserve(rows);
  cells_.reserve(cells);
  // As for a load in one piece: the first touch of hundreds of megabytes in small pages costs more than
  // the appends that fill them.
  platform::PreferLargePages(text_.data(), text_.capacity() * sizeof(char16_t));
  platform::PreferLargePages(rows_.data(), rows_.capacity() * sizeof(TCsvRow));
  platform::PreferLargePages(cells_.data(), cells_.capacity() * sizeof(TCsvCell));
}

bool TCsvDocument::AppendBatch(TCsvBatch&& batch) { return AppendBatchFrom(text_.size(), 0, std::move(batch)); }

bool TCsvDocument::AppendBatchFrom(std::size_t from, std::int64_t hidden, TCsvBatch&& batch) {
  if (from > text_.size()) return false;
  // Rows lie in text order: those from `from` on are the last ones.
  const auto gone = std::lower_bound(rows_.begin(), rows_.end(), from, [](const TCsvRow& row, std::size_t at) {
    return static_cast<std::size_t>(row.LineStart - 1) < at;
  });
  const auto keptRows = static_cast<std::size_t>(gone - rows_.begin());
  const std::size_t textBase = from;
  const std::size_t cellBase = gone == rows_.end() ? cells_.size() : gone->FirstCell;
  // Positions are 32-bit and one past the end must still be one.
  if (textBase + batch.Text.size() >= static_cast<std::size_t>(INT32_MAX - 1)) return false;
  if (cellBase + batch.Cells.size() > UINT32_MAX) return false;
  // Room for all of it first, so that memory running out leaves the document as it was; grown by half
  // at least: reserving exactly what each batch needs would move the whole array every time. The new
  // block is asked for large pages before the array moves into it: the first touch of hundreds of
  // megabytes in small pages takes longer than the copy (a file followed past its room stalls half as
  // long).
  const auto grow = [](auto& array, std::size_t needed) {
    if (needed <= array.capacity()) return;
    std::remove_reference_t<decltype(array)> grown;
    grown.reserve(std::max(needed, array.capacity() + array.capacity() / 2));
    platform::PreferLargePages(grown.data(), grown.capacity() * sizeof(array[0]));
    grown.insert(grown.end(), array.begin(), array.end());
    array.swap(grown);
  };
  grow(text_, textBase + batch.Text.size());
  grow(rows_, keptRows + batch.Rows.size());
  grow(cells_, cellBase + batch.Cells.size());
  // Nothing below allocates.
  if (from < text_.size()) {
    std::erase_if(unquoted_, [from](const auto& value) { return value.first >= from; });
    text_.resize(from);
    rows_.resize(keptRows);
    cells_.resize(cellBase);
    hiddenCommentCount_ = static_cast<std::int32_t>(std::max<std::int64_t>(hiddenCommentCount_ - hidden, 0));
    if (static_cast<std::size_t>(decodeRow_) >= keptRows) {
      decodeRow_ = static_cast<std::int32_t>(keptRows);
      decodeCol_ = 0;
    }
  }
  text_.append(batch.Text.data(), batch.Text.size());
  for (TCsvRow row : batch.Rows) {
    row.LineStart += static_cast<std::int32_t>(textBase);
    row.FirstCell += static_cast<std::uint32_t>(cellBase);
    rows_.push_back(row);
  }
  // Cell offsets count from their row's start, so the cells move unchanged.
  cells_.insert(cells_.end(), batch.Cells.begin(), batch.Cells.end());
  rowCount_ = static_cast<std::int32_t>(rows_.size());
  hiddenCommentCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(hiddenCommentCount_ + batch.Hidden, INT32_MAX));
  columnCount_ = std::max(columnCount_, batch.Widest);
  if (batch.Last) {
    encoding_ = batch.Encoding;
    sourceBytes_ = batch.SourceBytes;
    DecodeSample(sampleRows_);
  }
  return true;
}

}  // namespace qelvar
