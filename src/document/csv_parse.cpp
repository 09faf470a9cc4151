// Cutting the decoded text into rows and cells: the pre-scan (prescan.cpp) decides the table's width,
// where it starts and which lines are comments; then one cutting pass.
#include <algorithm>
#include <limits>

#include "document/csv_model.h"
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

// The cutting pass. Positions are 0-based here (the stored ones are 1-based).
class TCsvParser {
 public:
  TCsvParser(TCsvDocument& doc, int commentMode, const TPreScan& pre)
      : doc_(doc),
        t_(doc.text_.data()),
        n_(doc.text_.size()),
        delimiter_(doc.delimiter_),
        commentMode_(commentMode),
        maxFields_(pre.MaxSampleFields),
        dataStart_(pre.DataStart),
        semicolonRowWidth_(pre.SemicolonRowWidth) {}

  // False when the text ends inside an open quoted field.
  bool Run() {
    const std::size_t n = n_;
    const char16_t* t = t_;
    const char16_t delimiter = delimiter_;
    std::size_t i = 0;
    lineStart_ = 0;
    cellStart_ = 0;
    bool inQuotes = false;
    Classify(0);
    bool stoppedOnComment = false;
    scan::SpecialScanner specials(t, n, delimiter);
    while (i < n) {
      if (i == lineStart_ && lineIsComment_ &&
          (commentMode_ == kCommentsUnparsed || HidesLines(commentMode_, seenData_))) {
        // A comment line is taken whole: quotes on it have no meaning.
        while (i < n && t[i] != kCr && t[i] != kLf) ++i;
        const std::size_t lineEnd = i;
        if (i < n) i += (t[i] == kCr && i + 1 < n && t[i + 1] == kLf) ? 2 : 1;
        if (HidesLines(commentMode_, seenData_)) {
          doc_.cells_.resize(rowFirstCell_);
        } else {
          cellStart_ = lineStart_;
          AddCell(lineEnd);
          EndRow(i);
        }
        lineStart_ = cellStart_ = i;
        if (i >= n) {
          stoppedOnComment = true;
          break;
        }
        Classify(i);
        continue;
      }
      if (i == lineStart_ && lineIsTextComment_) {
        // A comment line parsed like data: cut at its delimiters, but it ends at its first line break
        // and quotes on it have no meaning, as for the pre-scan.
        while (i < n && t[i] != kCr && t[i] != kLf) {
          if (t[i] == delimiter) {
            AddCell(i);
            cellStart_ = i + 1;
          }
          ++i;
        }
        AddCell(i);
        if (i < n) i += (t[i] == kCr && i + 1 < n && t[i + 1] == kLf) ? 2 : 1;
        EndRow(i);
        lineStart_ = cellStart_ = i;
        if (i >= n) {
          stoppedOnComment = true;
          break;
        }
        Classify(i);
        continue;
      }
      i = inQuotes ? scan::NextQuote(t, i, n) : specials.Next(i);
      if (i >= n) break;
      const char16_t c = t[i];
      {
        if (c == kQuote) {
          if (inQuotes && i + 1 < n && t[i + 1] == kQuote) {
            ++i;
          } else {
            inQuotes = !inQuotes;
          }
        } else if (!inQuotes) {
          if (c == delimiter) {
            AddCell(i);
            cellStart_ = i + 1;
          } else if (c == kCr || c == kLf) {
            AddCell(i);
            if (c == kCr && i + 1 < n && t[i + 1] == kLf) ++i;
            EndRow(i + 1);
            lineStart_ = cellStart_ = i + 1;
            if (i + 1 < n) Classify(i + 1);
          }
        }
      }
      ++i;
    }
    if (!stoppedOnComment) {
      if (cellStart_ < n) {
        AddCell(n);
      } else if (n > 0 && t[n - 1] == delimiter) {
        cellStart_ = n;
        AddCell(n);
      }
      if (doc_.cells_.size() > rowFirstCell_ || lineStart_ < n) EndRow(n);
    }
    return !inQuotes;
  }

 private:
  // The kind of the line that starts at `pos`: a comment line, or a preamble line above the table.
  void Classify(std::size_t pos) {
    lineIsTextComment_ = IsCommentRow(doc_.text_, pos, delimiter_, semicolonRowWidth_);
    lineIsComment_ = lineIsTextComment_ || pos < dataStart_;
  }

  // Adds the field from cellStart_ up to (not including) `end` to the pending row.
  void AddCell(std::size_t end) {
    auto& cells = doc_.cells_;
    const std::size_t pending = cells.size() - rowFirstCell_;
    if (maxFields_ > 0 && static_cast<std::int64_t>(pending) >= maxFields_) return;
    TCsvCell cell;
    cell.Offset = static_cast<std::int32_t>(cellStart_ - lineStart_);
    cell.Length = static_cast<std::int32_t>(end - cellStart_);
    if (cell.Length > 1 && t_[cellStart_] == kQuote && t_[end - 1] == kQuote) cell.Bits = TCsvCell::kQuoted;
    cells.push_back(cell);
  }

  // Ends the pending row; `next` is the position after its line break.
  void EndRow(std::size_t next) {
    auto& cells = doc_.cells_;
    const std::size_t count = cells.size() - rowFirstCell_;
    const bool emptyLine = count == 1 && cells.back().Length == 0;
    if (HidesLines(commentMode_, seenData_) && (emptyLine || lineIsComment_)) {
      cells.resize(rowFirstCell_);
      return;
    }
    TCsvRow row;
    row.LineStart = static_cast<std::int32_t>(lineStart_ + 1);
    row.LineLength = static_cast<std::int32_t>(next - lineStart_);
    row.FirstCell = static_cast<std::uint32_t>(rowFirstCell_);
    row.CellCount = static_cast<std::int32_t>(count);
    row.IsComment = lineIsComment_;
    doc_.rows_.push_back(row);
    ++doc_.rowCount_;
    doc_.columnCount_ = std::max(doc_.columnCount_, row.CellCount);
    if (!lineIsComment_ && !emptyLine) seenData_ = true;
    rowFirstCell_ = cells.size();
  }

  TCsvDocument& doc_;
  const char16_t* t_;
  std::size_t n_;
  char16_t delimiter_;
  int commentMode_;
  std::int64_t maxFields_;
  std::size_t dataStart_;
  std::int64_t semicolonRowWidth_;
  std::size_t lineStart_ = 0;
  std::size_t cellStart_ = 0;
  std::size_t rowFirstCell_ = 0;
  bool lineIsComment_ = false;      // comment or preamble line
  bool lineIsTextComment_ = false;  // comment line: taken whole, quotes mean nothing
  bool seenData_ = false;
};

bool TCsvDocument::Parse(std::u16string text, char16_t delimiter, int commentMode, bool trimValues,
                         std::int64_t sampleRows) {
  text_ = std::move(text);
  delimiter_ = delimiter;
  trimValues_ = trimValues;
  rows_.clear();
  cells_.clear();
  stored_.clear();
  freeSlots_.clear();
  *history_ = TCsvEditHistory{};
  rowCount_ = columnCount_ = hiddenCommentCount_ = decodeRow_ = decodeCol_ = 0;
  // Positions are 32-bit and one past the end must still be one.
  if (text_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1)) return false;
  if (delimiter_ == 0) delimiter_ = DetectDelimiter(text_);

  const TPreScan pre = RunPreScan(text_, delimiter_, sampleRows, commentMode);
  hiddenCommentCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(pre.Hidden, INT32_MAX));
  if (text_.empty()) return true;
  if (pre.RowEstimate > 0) {
    rows_.reserve(static_cast<std::size_t>(pre.RowEstimate));
    platform::PreferLargePages(rows_.data(), rows_.capacity() * sizeof(TCsvRow));
    // Every kept row holds at most the sampled width; a wider estimate than the text itself is pointless.
    if (pre.MaxSampleFields > 0) {
      const std::size_t cellBound = static_cast<std::size_t>(
          std::min<std::int64_t>(pre.RowEstimate * pre.MaxSampleFields,
                                 static_cast<std::int64_t>(text_.size()) + pre.RowEstimate));
      cells_.reserve(cellBound);
      platform::PreferLargePages(cells_.data(), cells_.capacity() * sizeof(TCsvCell));
    }
  }
  TCsvParser parser(*this, commentMode, pre);
  const bool closed = parser.Run();
  if (cells_.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  if (pre.MaxSampleFields > 0) columnCount_ = static_cast<std::int32_t>(pre.MaxSampleFields);
  // The surplus of the estimates is left alone: it was never touched, so it takes no memory, while
  // trimming would copy the arrays and briefly need them twice.
  DecodeSample(sampleRows);
  return closed;
}

}  // namespace qelvar
