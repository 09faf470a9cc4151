// The pre-scan: a sample of record widths, where the table starts, and what the cutting pass keeps.
#include "document/prescan.h"

#include <algorithm>
#include <vector>

#include "document/csv_document.h"
#include "document/scan.h"

namespace qelvar {

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
// Characters below this value can be a quote or a line break; everything above is ordinary text unless
// it is the delimiter.
constexpr char16_t kLowSpecial = 0x22;

inline bool IsBreak(char16_t c) { return c == kCr || c == kLf; }

inline bool HidesLines(int commentMode, bool seenData) {
  return commentMode == kCommentsHidden || (commentMode == kCommentsAuto && !seenData);
}

// One sampled record: a record that is neither empty nor a comment line.
struct Sample {
  std::size_t start = 0;  // 0-based
  std::int64_t fields = 1;
  bool holdsText = false;  // some field has a character (",," holds none)
  std::int64_t trailingEmpty = 0;  // empty fields at its end (while it holds text, fewer than `fields`)
};

// Measures the record at `p` (p < n) with quotes interpreted; returns the start of the next record.
// `empty`: no character precedes the record's line break. `ended`, when given: the record has its line
// break within the text (the return value is n both for a record cut off by the text's end and for one
// whose line break is the text's last character).
std::size_t MeasureRecord(const char16_t* t, std::size_t n, std::size_t p, char16_t delimiter, Sample& s,
                          bool& empty, bool* ended = nullptr) {
  s = Sample{};
  s.start = p;
  empty = IsBreak(t[p]);
  bool inQuotes = false;
  std::size_t fieldStart = p;
  // A field is empty when it has no character or is just two quotes (the empty value written quoted).
  auto endField = [&](std::size_t end) {
    const bool none = end == fieldStart || (end == fieldStart + 2 && t[fieldStart] == kQuote && t[fieldStart + 1] == kQuote);
    s.holdsText = s.holdsText || !none;
    s.trailingEmpty = none ? s.trailingEmpty + 1 : 0;
  };
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
    } else if (inQuotes) {
    } else if (c == delimiter) {
      endField(i);
      fieldStart = i + 1;
      ++s.fields;
    } else if (IsBreak(c)) {
      break;
    }
  }
  endField(i);
  if (ended) *ended = i < n;
  if (i < n && t[i] == kCr && i + 1 < n && t[i + 1] == kLf) ++i;
  return i < n ? i + 1 : n;
}

// The end of the record at `p` with quotes interpreted, when only its end matters.
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
    } else if (!inQuotes) {
      if (c == kCr && i + 1 < n && t[i + 1] == kLf) ++i;
      return i + 1;
    }
  }
  return n;
}

// The most common width among the sampled records that have two fields or more and hold some text;
// ties go to the smaller width; 0 when no record qualifies. `count` receives how many records have it.
std::int64_t UsualWidth(const std::vector<Sample>& samples, std::size_t& count) {
  std::vector<std::int64_t> widths;
  for (const Sample& s : samples)
    if (s.fields >= 2 && s.holdsText) widths.push_back(s.fields);
  std::sort(widths.begin(), widths.end());
  std::int64_t usual = 0;
  count = 0;
  for (std::size_t i = 0; i < widths.size();) {
    std::size_t j = i;
    while (j < widths.size() && widths[j] == widths[i]) ++j;
    if (j - i > count) {
      count = j - i;
      usual = widths[i];
    }
    i = j;
  }
  return usual;
}

// The sampled records from the start of the text: up to `sampleRows` records that are neither empty nor
// comment lines. A ';'-led line of a semicolon file that IsCommentLine calls a comment is a row when its
// field count (quotes interpreted) equals `semicolonRowWidth`; with 0 it is measured but never sampled,
// with -1 it is a comment.
// `semicolonLines` tells whether any such line was met.
std::vector<Sample> SampleRecords(std::u16string_view text, char16_t delimiter, std::int64_t sampleRows,
                                  std::int64_t semicolonRowWidth, bool& semicolonLines, bool& settled) {
  const char16_t* t = text.data();
  const std::size_t n = text.size();
  std::vector<Sample> samples;
  semicolonLines = false;
  std::size_t p = 0;
  while (p < n && static_cast<std::int64_t>(samples.size()) < sampleRows) {
    const bool semicolonLine = delimiter == u';' && t[p] == u';';
    if (IsCommentLine(text, p + 1) && !semicolonLine) {
      p = SkipLine(t, n, p);
      continue;
    }
    Sample s;
    bool empty = false;
    const std::size_t next = MeasureRecord(t, n, p, delimiter, s, empty);
    if (semicolonLine && IsCommentLine(text, p + 1)) {
      semicolonLines = true;
      if (s.fields != semicolonRowWidth) {
        // A comment after all (or not yet judged): taken whole, as the cutting pass will take it.
        p = semicolonRowWidth == 0 ? next : SkipLine(t, n, p);
        continue;
      }
    }
    p = next;
    if (!empty) samples.push_back(s);
  }
  settled = static_cast<std::int64_t>(samples.size()) >= sampleRows && p < n;
  return samples;
}

}  // namespace

std::size_t SkipLine(const char16_t* t, std::size_t n, std::size_t p) {
  std::size_t i = p;
  while (i < n && !IsBreak(t[i])) ++i;
  if (i >= n) return n;
  return (t[i] == kCr && i + 1 < n && t[i + 1] == kLf) ? i + 2 : i + 1;
}

bool IsCommentRow(std::u16string_view text, std::size_t pos, char16_t delimiter, std::int64_t semicolonRowWidth) {
  if (!IsCommentLine(text, pos + 1)) return false;
  if (semicolonRowWidth <= 0 || delimiter != u';' || text[pos] != u';') return true;
  Sample s;
  bool empty = false;
  MeasureRecord(text.data(), text.size(), pos, delimiter, s, empty);
  return s.fields != semicolonRowWidth;
}

bool CommentRowOpen(std::u16string_view text, std::size_t pos, char16_t delimiter, std::int64_t semicolonRowWidth) {
  if (semicolonRowWidth <= 0 || delimiter != u';' || text[pos] != u';' || !IsCommentLine(text, pos + 1)) return false;
  Sample s;
  bool empty = false;
  bool ended = false;
  MeasureRecord(text.data(), text.size(), pos, delimiter, s, empty, &ended);
  // A line break at the very end closes it too: the loaders hold back a CR there (half a CR LF, maybe),
  // and a file that is followed has no last block that would settle it.
  return !ended;
}

// Where the table starts. A title or note line above the table is preamble: shown as a comment (hidden
// where comments are hidden) and never edited. The table's usual width U is the most common field count
// among the sampled records of two fields or more that hold some text: one-field lines are what titles
// usually are, and a row of empty fields says nothing about the table. The table starts at the first
// sampled record with at least U - k fields (and at least two), where k is the number of empty fields
// that at least half of the records of width U end with (data rows written with trailing delimiters
// under a header without them; usually k is 0). Ties go to the smaller width, so a record is not
// preamble merely because as many later records are wider. A field is empty when it has no character or
// is "". A header or data row therefore never becomes preamble because one later row has an unquoted
// delimiter too many or because the rows end with delimiters, and the preamble never reaches past the
// first widest record.
//
// When the delimiter was detected and more sampled records have one field than two or more, the text is
// a list of values, one per line: one column, no preamble, and a line such as "Paris, France" is one
// value (the caller cuts it with kNoFieldDelimiter).
//
// In a semicolon file, a ';'-led line that IsCommentLine calls a comment (no second ';' on the line) is
// a row with an empty first field when its field count, quotes interpreted, equals the usual width of
// the other records (so ";7" in a two-column table, or ";"a<LF>b";c" in a three-column one); otherwise
// it is a comment, wherever the line stands. Those lines are judged without themselves, so they cannot
// make themselves rows.
TPreScan RunPreScan(std::u16string_view text, char16_t delimiter, std::int64_t sampleRows, int commentMode,
                    bool singleColumnAllowed) {
  TPreScan result;
  const char16_t* t = text.data();
  const std::size_t n = text.size();

  bool semicolonLines = false;
  std::vector<Sample> samples = SampleRecords(text, delimiter, sampleRows, 0, semicolonLines, result.SampleSettled);
  std::size_t usualCount = 0;
  std::int64_t usual = UsualWidth(samples, usualCount);
  if (delimiter == u';') {
    // Judged whether or not the sample met such a line: a line beyond the sample is judged by the same
    // width as one inside it. Sampled again so that the sample is cut the way the cutting pass will cut it.
    result.SemicolonRowWidth = usual > 0 ? usual : -1;
    if (semicolonLines) {
      // The width that judges such lines came from the first sample: a text that ends inside that sample
      // (a record cut by the end of a block) could still change it, and with it the second sample.
      const bool firstSettled = result.SampleSettled;
      samples = SampleRecords(text, delimiter, sampleRows, result.SemicolonRowWidth, semicolonLines, result.SampleSettled);
      result.SampleSettled = result.SampleSettled && firstSettled;
      usual = UsualWidth(samples, usualCount);
    }
  }
  std::size_t singles = 0;
  std::size_t wider = 0;
  for (const Sample& s : samples) {
    result.MaxSampleFields = std::max(result.MaxSampleFields, s.fields);
    singles += s.fields == 1;
    wider += s.fields >= 2 && s.holdsText;
  }
  result.SingleColumn = singleColumnAllowed && singles > wider;
  // Data rows written with trailing delimiters under a header without them: the table also starts at a
  // record that is narrower by as many empty fields as at least half of the usual records end with.
  std::vector<std::int64_t> trailing;
  for (const Sample& s : samples)
    if (s.fields == usual && s.holdsText) trailing.push_back(s.trailingEmpty);
  std::sort(trailing.begin(), trailing.end(), std::greater<>());
  const std::int64_t slack = trailing.empty() ? 0 : trailing[(trailing.size() - 1) / 2];
  // Never below two: a one-field line is what a title is.
  const std::int64_t startWidth = std::max<std::int64_t>(std::min<std::int64_t>(usual, 2), usual - slack);
  for (const Sample& s : samples) {
    if (usual == 0 || result.SingleColumn || s.fields >= startWidth) {
      result.DataStart = s.start;
      break;
    }
  }
  samples = {};

  // Rows and hidden lines, walked the way the cutting pass will cut them: comment lines, and preamble
  // lines where they are taken whole, end at their first line break.
  if (commentMode != kCommentsHidden && commentMode != kCommentsAuto) {
    if (n > 0) result.RowEstimate = static_cast<std::int64_t>(scan::RecordBound(t, 0, n));
    return result;
  }
  bool dataSeen = false;
  std::size_t p = 0;
  while (p < n) {
    if (!HidesLines(commentMode, dataSeen)) {
      // Nothing can be hidden any more: the rest only sizes the arrays, and counting line breaks
      // bounds the number of records well enough (a quoted line break only raises the bound).
      result.RowEstimate += static_cast<std::int64_t>(scan::RecordBound(t, p, n));
      break;
    }
    const bool empty = IsBreak(t[p]);
    const bool commentLike = IsCommentRow(text, p, delimiter, result.SemicolonRowWidth) || p < result.DataStart;
    const std::size_t next = commentLike ? SkipLine(t, n, p) : SkipRecord(t, n, p);
    if (commentLike) {
      ++result.Hidden;
    } else if (!empty) {
      ++result.RowEstimate;
      dataSeen = true;
    }
    p = next;
  }
  return result;
}

}  // namespace qelvar
