// Cutting the decoded text into rows and cells: a pre-scan over whole records (field counts of a sample,
// the start of the data, the number of rows and of hidden lines), then one cutting pass.
#include <algorithm>
#include <limits>

#include "document/csv_model.h"
#include "document/scan.h"
#include "platform/platform.h"

namespace qelvar {

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

// Characters below this value can be a quote or a line break; everything above is ordinary text unless
// it is the delimiter. One comparison keeps the scanning loops short.
constexpr char16_t kLowSpecial = 0x22;

inline bool HidesLines(int commentMode, bool seenData) {
  return commentMode == kCommentsHidden || (commentMode == kCommentsAuto && !seenData);
}

// One record as the pre-scan sees it.
struct Record {
  std::size_t start;  // 0-based
  std::int64_t fields;
  bool empty;
  bool comment;
};

// Measures the record at 0-based `p` (p < n): field count, empty flag and the 0-based start of the next
// record. Quotes are interpreted on every record, comment lines included.
std::size_t MeasureRecord(const char16_t* t, std::size_t n, std::size_t p, char16_t delimiter, std::int64_t& fields,
                          bool& empty) {
  fields = 1;
  empty = t[p] == kCr || t[p] == kLf;
  bool inQuotes = false;
  std::size_t i = p;
  for (; i < n; ++i) {
    const char16_t c = t[i];
    if (c > kLowSpecial && c != delimiter) continue;
    if (c == kQuote) {
      if (inQuotes && i + 1 < n && t[i + 1] == kQuote) {
        ++i;
      } else {
        inQuotes = !inQuotes;
      }
    } else if (!inQuotes) {
      if (c == delimiter) {
        ++fields;
      } else if (c == kCr || c == kLf) {
        if (c == kCr && i + 1 < n && t[i + 1] == kLf) ++i;
        return i + 1;
      }
    }
  }
  return n;
}

// The same walk when only the record's end matters (the delimiter is not counted).
std::size_t SkipRecord(const char16_t* t, std::size_t n, std::size_t p) {
  bool inQuotes = false;
  for (std::size_t i = p; i < n; ++i) {
    i = inQuotes ? scan::NextQuote(t, i, n) : scan::NextQuoteOrBreak(t, i, n);
    if (i >= n) break;
    const char16_t c = t[i];
    if (c == kQuote) {
      if (inQuotes && i + 1 < n && t[i + 1] == kQuote) {
        ++i;
      } else {
        inQuotes = !inQuotes;
      }
    } else if (!inQuotes && (c == kCr || c == kLf)) {
      if (c == kCr && i + 1 < n && t[i + 1] == kLf) ++i;
      return i + 1;
    }
  }
  return n;
}

struct PreScan {
  std::int64_t maxSampleFields = 0;
  std::size_t dataStart = 0;  // 0-based; 0 means "no preamble"
  std::int64_t rowEstimate = 0;
  std::int64_t hidden = 0;
};

// Samples field counts of the first `sampleRows` data records, finds where the data starts, and counts the
// rows the cutting pass will keep and the comment-like lines it will hide. The records before the last
// sampled one are kept in a list; the rest of the text is walked without remembering anything.
PreScan RunPreScan(std::u16string_view text, char16_t delimiter, std::int64_t sampleRows, int commentMode) {
  PreScan result;
  const char16_t* t = text.data();
  const std::size_t n = text.size();
  std::vector<Record> records;
  records.reserve(256);
  std::int64_t sampled = 0;
  std::size_t p = 0;
  while (p < n && sampled < sampleRows) {
    Record r{p, 0, false, IsCommentLine(text, p + 1)};
    p = MeasureRecord(t, n, p, delimiter, r.fields, r.empty);
    if (!r.empty && !r.comment) {
      ++sampled;
      result.maxSampleFields = std::max(result.maxSampleFields, r.fields);
    }
    records.push_back(r);
  }
  if (result.maxSampleFields > 0) {
    for (const Record& r : records) {
      if (!r.empty && !r.comment && r.fields == result.maxSampleFields) {
        result.dataStart = r.start;
        break;
      }
    }
  }
  bool dataSeen = false;
  auto walk = [&](std::size_t start, bool empty, bool comment) {
    const bool commentLike = comment || start < result.dataStart;
    if (HidesLines(commentMode, dataSeen) && (commentLike || empty)) {
      if (commentLike) ++result.hidden;
      return;
    }
    ++result.rowEstimate;
    if (!commentLike && !empty) dataSeen = true;
  };
  for (const Record& r : records) walk(r.start, r.empty, r.comment);
  records = {};
  // The rest of the text: every record lies after the data start.
  while (p < n) {
    if (!HidesLines(commentMode, dataSeen)) {
      // Nothing can be hidden any more: the rest only sizes the arrays, and counting line breaks
      // bounds the number of records well enough (a quoted line break only raises the bound).
      result.rowEstimate += static_cast<std::int64_t>(scan::RecordBound(t, p, n));
      break;
    }
    const bool empty = t[p] == kCr || t[p] == kLf;
    const bool comment = IsCommentLine(text, p + 1);
    const std::size_t start = p;
    p = SkipRecord(t, n, p);
    walk(start, empty, comment);
  }
  return result;
}

}  // namespace

// The cutting pass. Positions are 0-based here (the stored ones are 1-based).
class TCsvParser {
 public:
  TCsvParser(TCsvDocument& doc, int commentMode, const PreScan& pre)
      : doc_(doc),
        t_(doc.text_.data()),
        n_(doc.text_.size()),
        delimiter_(doc.delimiter_),
        commentMode_(commentMode),
        maxFields_(pre.maxSampleFields),
        dataStart_(pre.dataStart) {}

  // False when the text ends inside an open quoted field.
  bool Run() {
    const std::size_t n = n_;
    const char16_t* t = t_;
    const char16_t delimiter = delimiter_;
    std::size_t i = 0;
    lineStart_ = 0;
    cellStart_ = 0;
    bool inQuotes = false;
    lineIsComment_ = LineIsComment(0);
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
        lineIsComment_ = LineIsComment(i);
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
            if (i + 1 < n) lineIsComment_ = LineIsComment(i + 1);
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
  bool LineIsComment(std::size_t pos) const {
    return IsCommentLine(doc_.text_, pos + 1) || (dataStart_ > 0 && pos < dataStart_);
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
  std::size_t lineStart_ = 0;
  std::size_t cellStart_ = 0;
  std::size_t rowFirstCell_ = 0;
  bool lineIsComment_ = false;
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
  rowCount_ = columnCount_ = hiddenCommentCount_ = decodeRow_ = decodeCol_ = 0;
  // Positions are 32-bit and one past the end must still be one.
  if (text_.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1)) return false;
  if (delimiter_ == 0) delimiter_ = DetectDelimiter(text_);

  const PreScan pre = RunPreScan(text_, delimiter_, sampleRows, commentMode);
  hiddenCommentCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(pre.hidden, INT32_MAX));
  if (text_.empty()) return true;
  if (pre.rowEstimate > 0) {
    rows_.reserve(static_cast<std::size_t>(pre.rowEstimate));
    platform::PreferLargePages(rows_.data(), rows_.capacity() * sizeof(TCsvRow));
    // Every kept row holds at most the sampled width; a wider estimate than the text itself is pointless.
    if (pre.maxSampleFields > 0) {
      const std::size_t cellBound = static_cast<std::size_t>(
          std::min<std::int64_t>(pre.rowEstimate * pre.maxSampleFields,
                                 static_cast<std::int64_t>(text_.size()) + pre.rowEstimate));
      cells_.reserve(cellBound);
      platform::PreferLargePages(cells_.data(), cells_.capacity() * sizeof(TCsvCell));
    }
  }
  TCsvParser parser(*this, commentMode, pre);
  const bool closed = parser.Run();
  if (cells_.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  if (pre.maxSampleFields > 0) columnCount_ = static_cast<std::int32_t>(pre.maxSampleFields);
  // The surplus of the estimates is left alone: it was never touched, so it takes no memory, while
  // trimming would copy the arrays and briefly need them twice.
  DecodeSample(sampleRows);
  return closed;
}

}  // namespace qelvar
