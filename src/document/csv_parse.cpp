// Cutting the decoded text into rows and cells: the pre-scan (prescan.cpp) decides the table's width,
// where it starts and which lines are comments; then one cutting pass.
#include <algorithm>
#include <limits>

#include "document/csv_document.h"
#include "document/edit_history.h"
#include "document/prescan.h"
#include "document/scan.h"
#include "platform/platform.h"

namespace qelvar {

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

inline bool HidesLines(int commentMode, bool seenData) {
  return commentMode == kCommentsHidden || (commentMode == kCommentsAuto && !seenData);
}

}  // namespace

// The cutting pass. Positions are 0-based here (the stored ones are 1-based). The state of the scan
// lives in locals and the cells are written through a pointer into the sized cell array: the loop runs
// once per delimiter of a file of hundreds of megabytes.
class TCsvParser {
 public:
  // `delimiter` cuts the fields: the document's, or kNoFieldDelimiter for a table of one column.
  // `resume`, when given, continues a text cut before: its text starts at a record boundary of the file and
  // ends at the end of what has been read, so the rows after the last complete line break are held back.
  // `text` is the text cut: the document's own, or a stretch it does not hold (its rows and cells then
  // count from the stretch's start).
  TCsvParser(TCsvDocument& doc, std::u16string_view text, char16_t delimiter, int commentMode, const TPreScan& pre,
             std::size_t cellBound, TCsvCutState* resume = nullptr)
      : resume_(resume),
        doc_(doc),
        t_(text.data()),
        n_(text.size()),
        delimiter_(delimiter),
        commentMode_(commentMode),
        maxFields_(pre.MaxSampleFields > 0 ? static_cast<std::size_t>(pre.MaxSampleFields) : SIZE_MAX),
        dataStart_(pre.DataStart),
        semicolonRowWidth_(pre.SemicolonRowWidth),
        cellBound_(cellBound),
        seenData_(resume && resume->SeenData) {
    at_.SeenData = seenData_;
  }

  // False when the text ends inside an open quoted field. Throws std::bad_alloc only.
  bool Run() {
    const std::size_t n = n_;
    const char16_t* t = t_;
    const char16_t delimiter = delimiter_;
    auto& cells = doc_.cells_;
    cells.resize(std::max<std::size_t>(cellBound_, 64));
    TCsvCell* first = cells.data();  // of the pending row
    TCsvCell* out = first;           // where the next cell goes
    TCsvCell* limit = cells.data() + cells.size();
    // out reaching `stop` means the array is full or the row has its sampled width.
    const auto stopFor = [&] {
      return static_cast<std::size_t>(limit - first) > maxFields_ ? first + maxFields_ : limit;
    };
    TCsvCell* stop = stopFor();
    std::size_t lineStart = 0;
    std::size_t cellStart = 0;

    // Adds the field from cellStart up to (not including) `end` to the pending row; `quoted`: its raw
    // text is longer than 1 character and begins and ends with a double quote.
    const auto addQuotedOrNot = [&](std::size_t end, bool quoted) {
      if (out == stop) {
        if (static_cast<std::size_t>(out - first) >= maxFields_) return void(wider_ = true);
        // The estimate was short: grow, keeping what is written.
        const std::size_t done = static_cast<std::size_t>(out - cells.data());
        const std::size_t pending = static_cast<std::size_t>(out - first);
        cells.resize(cells.size() * 2);
        out = cells.data() + done;
        first = out - pending;
        limit = cells.data() + cells.size();
        stop = stopFor();
      }
      *out++ = TCsvCell::Make(cellStart - lineStart, end - cellStart, quoted ? TCsvCell::kQuoted : 0u);
    };
    const auto addCell = [&](std::size_t end) {
      addQuotedOrNot(end, end - cellStart > 1 && t[cellStart] == kQuote && t[end - 1] == kQuote);
    };
    // The cutting loop meets every quote of a data row, so the last one tells whether the field ends with a
    // quote; only then is its first character read (a field may quote again after its closing quote, so
    // where quoting last opened says nothing).
    std::size_t lastQuote = SIZE_MAX;
    const auto addDataCell = [&](std::size_t end) {
      addQuotedOrNot(end, lastQuote + 1 == end && end - cellStart > 1 && t[cellStart] == kQuote);
    };
    // Ends the pending row; `next` is the position after its line break.
    const auto endRow = [&](std::size_t next) {
      const auto count = static_cast<std::size_t>(out - first);
      const bool emptyLine = count == 1 && first->Length == 0;
      if (HidesLines(commentMode_, seenData_) && (emptyLine || lineIsComment_)) {
        out = first;
        hidden_ += lineIsComment_;
        MarkBoundary(next, out - cells.data());
        return;
      }
      TCsvRow row;
      row.LineStart = static_cast<std::int32_t>(lineStart + 1);
      row.LineLength = static_cast<std::int32_t>(next - lineStart);
      row.FirstCell = static_cast<std::uint32_t>(first - cells.data());
      row.SetCellCount(static_cast<std::int64_t>(count));
      row.IsComment = lineIsComment_;
      doc_.rows_.push_back(row);
      widest_ = std::max(widest_, count);
      if (!lineIsComment_ && !emptyLine) seenData_ = true;
      first = out;
      stop = stopFor();
      MarkBoundary(next, out - cells.data());
    };
    // From the line at `i` = lineStart on, takes every comment line (and preamble line taken whole), so
    // that `i` is then at a line to cut like data, or at the end. Quotes on such lines have no meaning.
    // Returns whether it moved.
    const auto takeCommentLines = [&](std::size_t& i) {
      const std::size_t from = i;
      while (i < n && (lineIsTextComment_ || (lineIsComment_ && TakesCommentsWhole()))) {
        if (lineIsComment_ && TakesCommentsWhole()) {
          while (i < n && t[i] != kCr && t[i] != kLf) ++i;
          const std::size_t lineEnd = i;
          if (i < n) i += (t[i] == kCr && i + 1 < n && t[i + 1] == kLf) ? 2 : 1;
          if (HidesLines(commentMode_, seenData_)) {
            out = first;
            ++hidden_;
            MarkBoundary(i, out - cells.data());
          } else {
            cellStart = lineStart;
            addCell(lineEnd);
            endRow(i);
          }
        } else {
          // A comment line parsed like data: cut at its delimiters, but it ends at its first line break.
          while (i < n && t[i] != kCr && t[i] != kLf) {
            if (t[i] == delimiter && delimiter != kNoFieldDelimiter) {
              addCell(i);
              cellStart = i + 1;
            }
            ++i;
          }
          addCell(i);
          if (i < n) i += (t[i] == kCr && i + 1 < n && t[i + 1] == kLf) ? 2 : 1;
          endRow(i);
        }
        lineStart = cellStart = i;
        if (i >= n) stoppedOnComment_ = true;
        if (i < n) Classify(i);
      }
      return i != from;
    };

    bool inQuotes = false;
    // The special characters among the 16 at `base` not yet handled, one bit each (bit k: base + k).
    // Data rows are cut from these bits alone, without looking at the characters between; they are met
    // in order, so each handled one is simply cleared.
    std::size_t base = 0;
    std::uint32_t mask = 0;
    const auto startAt = [&](std::size_t i) {
      base = i;
      mask = i < n ? scan::SpecialMask16(t, n, base, delimiter) : 0;
    };
    // The special character right after the one just handled (a doubled quote's second, a CR's LF) is
    // handled with it.
    const auto dropNext = [&](std::size_t i) {
      if (i + 1 - base < 16) {
        mask &= mask - 1;
      } else {
        startAt(i + 1);
        mask &= mask - 1;
      }
    };
    std::size_t i = 0;
    Classify(0);
    takeCommentLines(i);
    startAt(i);
    while (!stoppedOnComment_) {
      while (mask == 0) {
        base += 16;
        if (base >= n) break;
        mask = scan::SpecialMask16(t, n, base, delimiter);
      }
      if (mask == 0) break;
      i = base + static_cast<std::size_t>(__builtin_ctz(mask));
      mask &= mask - 1;
      const char16_t c = t[i];
      if (c == kQuote) {
        if (inQuotes && i + 1 < n && t[i + 1] == kQuote) {
          dropNext(i);
          lastQuote = i + 1;
        } else {
          inQuotes = !inQuotes;
          lastQuote = i;
        }
        continue;
      }
      if (inQuotes) continue;
      addDataCell(i);
      if (c == delimiter) {
        cellStart = i + 1;
        continue;
      }
      if (c == kCr && i + 1 < n && t[i + 1] == kLf) {
        dropNext(i);
        ++i;
      }
      endRow(i + 1);
      lineStart = cellStart = ++i;
      if (i < n) {
        Classify(i);
        if (lineIsTextComment_ || lineIsComment_) {
          if (takeCommentLines(i)) startAt(i);
        }
      }
    }
    atEnd_ = true;
    if (!stoppedOnComment_) {
      if (cellStart < n) {
        addDataCell(n);
      } else if (n > 0 && t[n - 1] == delimiter) {
        cellStart = n;
        addCell(n);
      }
      if (out > first || lineStart < n) endRow(n);
    }
    if (resume_ && resume_->Final) {
      *resume_ = TCsvCutState{n, seenData_, hidden_, widest_, resume_->Wider || wider_, true};
    } else if (resume_) {
      // Only what ended with a line break is final; the rest is read again with the next block.
      doc_.rows_.resize(at_.Rows);
      out = cells.data() + at_.Cells;
      *resume_ = TCsvCutState{at_.Next, at_.SeenData, at_.Hidden, at_.Widest, resume_->Wider || wider_, false};
      widest_ = at_.Widest;
    }
    cells.resize(static_cast<std::size_t>(out - cells.data()));
    doc_.rowCount_ = static_cast<std::int32_t>(doc_.rows_.size());
    doc_.columnCount_ = static_cast<std::int32_t>(std::min<std::size_t>(widest_, INT32_MAX));
    return !inQuotes;
  }

  bool Wider() const { return wider_; }

 private:
  // A line that ended with a line break before `next` was taken (kept or hidden): the cut can end here.
  void MarkBoundary(std::size_t next, std::ptrdiff_t cells) {
    if (!resume_ || atEnd_ || next == 0 || (t_[next - 1] != kCr && t_[next - 1] != kLf)) return;
    at_ = TBoundary{next, doc_.rows_.size(), static_cast<std::size_t>(cells), hidden_, widest_, seenData_};
  }

  // Comment and preamble lines are taken whole (one cell, or hidden), not cut.
  bool TakesCommentsWhole() const { return commentMode_ == kCommentsUnparsed || HidesLines(commentMode_, seenData_); }

  // The kind of the line that starts at `pos`: a comment line, or a preamble line above the table.
  void Classify(std::size_t pos) {
    // Only a line that starts with '#', ';' or "sep=" can be a comment line.
    const char16_t c = t_[pos];
    lineIsTextComment_ = (c == u'#' || c == u';' || (c | 0x20) == u's') &&
                         IsCommentRow({t_, n_}, pos, delimiter_, semicolonRowWidth_);
    lineIsComment_ = lineIsTextComment_ || pos < dataStart_;
    // A ';' line is a row when as wide as the table: cut off by the end of a block, its record has no
    // width yet, so the cut ends before it and takes it with the next block.
    if (resume_ && !resume_->Final && c == u';' && pos >= dataStart_ &&
        CommentRowOpen({t_, n_}, pos, delimiter_, semicolonRowWidth_)) {
      lineIsComment_ = lineIsTextComment_ = false;
      stoppedOnComment_ = true;
    }
  }

  struct TBoundary {
    std::size_t Next = 0;  // after the last line break taken
    std::size_t Rows = 0;
    std::size_t Cells = 0;
    std::int64_t Hidden = 0;
    std::size_t Widest = 0;
    bool SeenData = false;
  };

  TCsvCutState* resume_;
  TBoundary at_;
  TCsvDocument& doc_;
  const char16_t* t_;
  std::size_t n_;
  char16_t delimiter_;
  int commentMode_;
  std::size_t maxFields_;  // cells kept per row
  std::size_t dataStart_;
  std::int64_t semicolonRowWidth_;
  std::size_t cellBound_;  // cells to make room for at first
  std::size_t widest_ = 0;          // the most cells of a kept row
  bool lineIsComment_ = false;      // comment or preamble line
  bool lineIsTextComment_ = false;  // comment line: taken whole, quotes mean nothing
  bool seenData_ = false;
  bool atEnd_ = false;             // past the last line break: what follows is no complete line
  bool wider_ = false;             // a row had more fields than the sampled width and lost some
  std::int64_t hidden_ = 0;        // comment and preamble lines dropped
  bool stoppedOnComment_ = false;  // the text ended with a comment line taken by itself, or a line not judged yet
};

bool TCsvDocument::Parse(std::u16string text, char16_t delimiter, int commentMode, bool trimValues,
                         std::int64_t sampleRows) {
  return ParseInto(std::move(text), {}, delimiter, commentMode, trimValues, sampleRows);
}

bool TCsvDocument::ParseInto(std::u16string text, TCsvCellStore spare, char16_t delimiter, int commentMode,
                             bool trimValues, std::int64_t sampleRows) {
  text_ = std::move(text);
  delimiter_ = delimiter;
  trimValues_ = trimValues;
  rows_.clear();
  cells_.clear();
  ForgetValues();
  *history_ = TCsvEditHistory{};
  rowCount_ = columnCount_ = hiddenCommentCount_ = decodeRow_ = decodeCol_ = 0;
  singleColumn_ = false;
  sourceBytes_ = -1;
  cutDecisions_ = TCsvCutDecisions{};
  delimiterDetected_ = delimiter == 0;
  // Positions are 32-bit and one past the end must still be one.
  if (text_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1)) return false;
  // A quote or a line break cannot separate fields (quoting and rows are made of them): detected instead.
  const bool detect = delimiter_ == 0 || delimiter_ == kQuote || delimiter_ == kCr || delimiter_ == kLf;
  if (detect) delimiter_ = DetectDelimiter(text_);
  delimiterDetected_ = detect;

  TPreScan pre = RunPreScan(text_, delimiter_, sampleRows, commentMode, detect);
  singleColumn_ = pre.SingleColumn;
  const char16_t cut = singleColumn_ ? kNoFieldDelimiter : delimiter_;
  // Cut as one column, the pre-scan's walk must see the lines the way the cutting pass will.
  if (singleColumn_) pre = RunPreScan(text_, cut, sampleRows, commentMode, true);
  cutDecisions_ = TCsvCutDecisions{pre.MaxSampleFields, pre.DataStart, pre.SemicolonRowWidth};
  hiddenCommentCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(pre.Hidden, INT32_MAX));
  if (text_.empty()) return true;
  std::size_t cellBound = 0;
  if (pre.RowEstimate > 0) {
    rows_.reserve(static_cast<std::size_t>(pre.RowEstimate));
    platform::PreferLargePages(rows_.data(), rows_.capacity() * sizeof(TCsvRow));
    // Every kept row holds at most the sampled width; a wider estimate than the text itself is pointless.
    // Room that is never written takes no memory.
    if (pre.MaxSampleFields > 0)
      cellBound = static_cast<std::size_t>(std::min<std::int64_t>(
          pre.RowEstimate * pre.MaxSampleFields, static_cast<std::int64_t>(text_.size()) + pre.RowEstimate));
  }
  // The spare memory (already touched, so free of first-touch costs) serves when the bound fits in it.
  spare.clear();
  if (spare.capacity() >= cellBound) cells_.swap(spare);
  spare = TCsvCellStore();
  cells_.reserve(std::max<std::size_t>(cellBound, 64));
  platform::PreferLargePages(cells_.data(), cells_.capacity() * sizeof(TCsvCell));
  TCsvParser parser(*this, text_, cut, commentMode, pre, cellBound);
  const bool closed = parser.Run();
  if (cells_.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  if (pre.MaxSampleFields > 0) columnCount_ = static_cast<std::int32_t>(pre.MaxSampleFields);
  // The surplus of the estimates is left alone: it was never touched, so it takes no memory, while
  // trimming would copy the arrays and briefly need them twice.
  DecodeSample(sampleRows);
  return closed;
}

}  // namespace qelvar

namespace qelvar {

bool TCsvDocument::CutFrom(std::u16string_view text, char16_t cut, int commentMode, const TPreScan& pre,
                           TCsvCutState& state) {
  rows_.clear();
  cells_.clear();
  state.Next = 0;
  state.Hidden = 0;
  state.Widest = 0;
  if (text.empty()) return true;
  // A bound from the line breaks: the rows of a block are few enough that counting them costs little.
  const std::size_t records = scan::RecordBound(text.data(), 0, text.size());
  rows_.reserve(records);
  const std::size_t width = pre.MaxSampleFields > 0 ? static_cast<std::size_t>(pre.MaxSampleFields) : 4;
  const std::size_t cellBound = std::min(records * width, text.size() + records);
  // A block's rows and cells: in large pages where the system has them (see ReserveForLoad).
  cells_.reserve(std::max<std::size_t>(cellBound, 64));
  platform::PreferLargePages(rows_.data(), rows_.capacity() * sizeof(TCsvRow));
  platform::PreferLargePages(cells_.data(), cells_.capacity() * sizeof(TCsvCell));
  TCsvParser parser(*this, text, cut, commentMode, pre, cellBound, &state);
  return parser.Run();
}

}  // namespace qelvar
