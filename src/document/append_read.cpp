// Following a growing file: the bytes after what was read, decoded and cut as the load cuts them.
#include "document/append_read.h"

#include <algorithm>
#include <cstring>

#include "document/block_decoder.h"

namespace qelvar {

namespace {

constexpr std::size_t kTailBytes = 4096;
// A writer that appended gigabytes is read in pieces, so that the bytes and their text never take more.
constexpr std::size_t kReadAtMost = std::size_t{64} << 20;

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsBreakByte(char c) { return c == '\r' || c == '\n'; }

bool IsUtf16(const TCsvEncodingInfo& info) {
  return info.Name == kEncodingUtf16Le || info.Name == kEncodingUtf16Be;
}

std::int64_t MarkBytes(const TCsvEncodingInfo& info) {
  if (!info.HasBom) return 0;
  return IsUtf16(info) ? 2 : 3;
}

// Reads exactly `count` bytes at `offset`; false when the file has fewer there or cannot be read.
bool ReadAt(platform::BlockReader& reader, std::int64_t offset, std::size_t count, std::string& bytes) {
  bytes.resize(count);
  if (!reader.Seek(offset)) return false;
  for (std::size_t got = 0; got < count;) {
    const std::int64_t n = reader.Read(bytes.data() + got, count - got);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

std::size_t CountBreaks(std::u16string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), IsBreak));
}

// How many of `bytes` the first `characters` of their text were decoded from, where that text ends with a
// line break. UTF-16 takes two bytes per unit. In UTF-8 and the ANSI code pages a CR or LF is one byte
// that no other character's bytes contain (and "?" for broken bytes never swallows one), so the text's
// k-th line break is the bytes' k-th.
std::size_t BytesBehind(std::u16string_view text, std::size_t characters, std::string_view bytes,
                        const TCsvEncodingInfo& info) {
  if (IsUtf16(info)) return 2 * characters;
  std::size_t breaks = CountBreaks(text.substr(0, characters));
  std::size_t k = 0;
  for (; k < bytes.size() && breaks > 0; ++k) breaks -= IsBreakByte(bytes[k]) ? 1 : 0;
  return k;
}

}  // namespace

TPreScan TCsvAppendReader::DecisionsAt(std::size_t at) const {
  TPreScan pre;
  pre.MaxSampleFields = decisions_.Width;
  pre.DataStart = decisions_.DataStart > at ? decisions_.DataStart - at : 0;
  pre.SemicolonRowWidth = decisions_.SemicolonRowWidth;
  return pre;
}

TFileChange TCsvAppendReader::Examine(platform::BlockReader& reader, std::int64_t& size) const {
  if (reader.Open(fileName_, 0, size) != platform::ReadResult::Ok) return TFileChange::Gone;
  if (!began_ || size < read_) return TFileChange::Rewritten;
  std::string tail;
  // Bytes missing here: the file shrank after it was opened.
  if (!ReadAt(reader, read_ - static_cast<std::int64_t>(tail_.size()), tail_.size(), tail) || tail != tail_)
    return TFileChange::Rewritten;
  return size == read_ ? TFileChange::Same : TFileChange::Grew;
}

bool TCsvAppendReader::Begin(const std::u16string& fileName, const TCsvDocument& document, int commentMode) noexcept {
  began_ = false;
  unfinishedRow_ = -1;
  try {
    fileName_ = fileName;
    read_ = document.SourceBytes();
    commentMode_ = commentMode;
    cutWith_ = document.SingleColumn() ? kNoFieldDelimiter : document.Delimiter();
    decisions_ = document.cutDecisions_;
    encoding_ = document.Encoding();
    held_.clear();
    tail_.clear();
    if (read_ < 0 || document.CanUndo() || document.CanRedo()) return false;

    // The stretch at the text's end whose line break has not come: the last row when it runs to the end,
    // else the hidden line there. A CR at the end may be half a CR LF. It is cut again, from its bytes,
    // once its line is complete.
    const std::u16string& text = document.Text();
    const std::size_t n = text.size();
    const TCsvRowArray& rows = document.Rows();
    std::size_t from = n;
    if (n > 0 && text[n - 1] != u'\n') {
      const std::size_t end = rows.empty() ? 0 : static_cast<std::size_t>(rows.back().LineStart - 1 + rows.back().LineLength);
      if (!rows.empty() && end == n) {
        from = static_cast<std::size_t>(rows.back().LineStart - 1);
        unfinishedRow_ = document.RowCount() - 1;
      } else {
        from = text[n - 1] == u'\r' ? n - 1 : n;
        while (from > end && !IsBreak(text[from - 1])) --from;
      }
    }
    const std::u16string_view stretch = std::u16string_view(text).substr(from);

    // Where the stretch's bytes begin in the file, read with the tail behind them.
    platform::BlockReader reader;
    std::int64_t size = 0;
    if (reader.Open(fileName_, 0, size) != platform::ReadResult::Ok || size < read_) return false;
    const std::int64_t mark = MarkBytes(encoding_);
    const auto length = static_cast<std::int64_t>(stretch.size());
    std::int64_t start = 0;
    std::int64_t windowAt = read_ - std::min<std::int64_t>(read_, kTailBytes);
    std::string window;
    if (IsUtf16(encoding_)) {
      // An odd last byte (half a unit) was dropped by the load; it is read again.
      start = read_ - 2 * length - (read_ >= mark ? (read_ - mark) & 1 : 0);
      if (start < mark) return false;
      windowAt = std::min(windowAt, start);
      if (!ReadAt(reader, windowAt, static_cast<std::size_t>(read_ - windowAt), window)) return false;
    } else {
      // Up to four bytes per unit of text (a "?" stands for at most a four-byte sequence).
      windowAt = std::min(windowAt, read_ - std::min(read_, 4 * length + 8));
      if (!ReadAt(reader, windowAt, static_cast<std::size_t>(read_ - windowAt), window)) return false;
      if (from == 0) {
        start = mark;
      } else {
        // After the line break before the stretch: one more break back than the stretch holds.
        std::size_t breaks = CountBreaks(stretch) + 1;
        std::size_t k = window.size();
        while (k > 0 && breaks > 0) breaks -= IsBreakByte(window[--k]) ? 1 : 0;
        if (breaks > 0) return false;
        start = windowAt + static_cast<std::int64_t>(k) + 1;
      }
      if (start < windowAt || start > read_) return false;
    }
    held_ = window.substr(static_cast<std::size_t>(start - windowAt));
    tail_ = window.substr(window.size() - std::min(window.size(), kTailBytes));
    // Those bytes must still read as the text did (decoded to their end as the load decoded them).
    {
      TBlockDecoder again;
      again.Resume(encoding_);
      TTextBuffer check;
      again.Next(held_, true, check);
      if (View(check) != stretch) return false;
    }

    // What the cut knew before the stretch: whether a data row had come (auto mode hides lines until
    // then), and which of the stretch's lines it hid and counted.
    seenData_ = false;
    for (std::int32_t r = 0; r < document.RowCount(); ++r) {
      const TCsvRow& row = rows[static_cast<std::size_t>(r)];
      if (static_cast<std::size_t>(row.LineStart - 1) >= from) break;
      const auto cells = document.Cells(r);
      if (!row.IsComment && !(cells.size() == 1 && cells[0].Length == 0)) {
        seenData_ = true;
        break;
      }
    }
    replaceHidden_ = 0;
    if (from < n && unfinishedRow_ < 0) {
      TCsvDocument scratch;
      TCsvCutState state;
      state.SeenData = seenData_;
      state.Final = true;
      scratch.CutFrom(stretch, cutWith_, commentMode_, DecisionsAt(from), state);
      replaceHidden_ = state.Hidden;
    }
    replaceFrom_ = from;
    docText_ = n;
    docRows_ = document.RowCount();
    began_ = true;
    return true;
  } catch (...) {
    began_ = false;
    unfinishedRow_ = -1;
    return false;
  }
}

TFileChange TCsvAppendReader::Check() const noexcept {
  try {
    platform::BlockReader reader;
    std::int64_t size = 0;
    return Examine(reader, size);
  } catch (...) {
    return TFileChange::Gone;
  }
}

std::int64_t TCsvAppendReader::ReadAppended(TCsvDocument& document) noexcept {
  try {
    if (!began_ || document.text_.size() != docText_ || document.RowCount() != docRows_ || document.CanUndo() ||
        document.CanRedo())
      return -1;
    platform::BlockReader reader;
    std::int64_t size = 0;
    const TFileChange change = Examine(reader, size);
    if (change == TFileChange::Same) return 0;
    if (change != TFileChange::Grew) return -1;

    // Everything below works on copies until the document takes the batch, so that a failure leaves
    // both the document and this reader as they were.
    std::string bytes = held_;
    const std::size_t before = bytes.size();
    const std::size_t want = std::min(static_cast<std::size_t>(size - read_), kReadAtMost);
    bytes.resize(before + want);
    std::size_t got = 0;
    while (got < want) {
      const std::int64_t n = reader.Read(bytes.data() + before + got, want - got);
      if (n < 0) return -1;
      if (n == 0) break;  // shrank after it was opened: the next Check tells
      got += static_cast<std::size_t>(n);
    }
    if (got == 0) return 0;
    bytes.resize(before + got);
    std::string tail = tail_;
    tail.append(bytes, before, got);
    if (tail.size() > kTailBytes) tail.erase(0, tail.size() - kTailBytes);

    std::int64_t appended = 0;
    std::size_t used = 0;
    // Only a line break completes a line: without one nothing is cut.
    if (std::any_of(bytes.begin(), bytes.end(), IsBreakByte)) {
      TBlockDecoder decoder;
      decoder.Resume(encoding_);
      TTextBuffer text;
      decoder.Next(bytes, false, text);
      // A CR at the end may be the first half of a CR LF: it waits for what follows.
      if (!text.empty() && text.back() == u'\r') text.pop_back();
      TCsvDocument scratch;
      TCsvCutState state;
      state.SeenData = seenData_;
      // Not the file's end: only lines that ended with a line break are cut, a quoted field still open
      // waits for its closing quote.
      scratch.CutFrom(View(text), cutWith_, commentMode_, DecisionsAt(replaceFrom_), state);
      if (state.Next > 0) {
        TCsvBatch batch;
        batch.Text = std::move(text);
        used = BytesBehind(View(batch.Text), state.Next, bytes, encoding_);
        batch.Text.resize(state.Next);
        batch.Rows = std::move(scratch.rows_);
        batch.Cells = std::move(scratch.cells_);
        batch.Hidden = state.Hidden;
        batch.Widest = static_cast<std::int32_t>(std::min<std::size_t>(state.Widest, INT32_MAX));
        appended = static_cast<std::int64_t>(batch.Rows.size());
        std::string rest = bytes.substr(used);
        if (!document.AppendBatchFrom(replaceFrom_, replaceHidden_, std::move(batch))) return -1;
        // The document has its rows: from here on nothing may fail.
        seenData_ = state.SeenData;
        replaceFrom_ = document.text_.size();
        replaceHidden_ = 0;
        unfinishedRow_ = -1;
        if (!decoder.Info().Lossless) document.encoding_.Lossless = false;
        held_.swap(rest);
        read_ += static_cast<std::int64_t>(got);
        document.sourceBytes_ = read_ - static_cast<std::int64_t>(held_.size());
        tail_.swap(tail);
        docText_ = document.text_.size();
        docRows_ = document.RowCount();
        return appended;
      }
    }
    held_.swap(bytes);
    read_ += static_cast<std::int64_t>(got);
    tail_.swap(tail);
    return 0;
  } catch (...) {
    return -1;
  }
}

}  // namespace qelvar
