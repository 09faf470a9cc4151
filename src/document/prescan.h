// The pass over whole records that comes before the cutting pass: which lines are comments, which are
// preamble above the table, how wide the table is, and how many rows the cutting pass keeps or hides.
// Internal to the document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qelvar {

struct TPreScan {
  std::int64_t MaxSampleFields = 0;  // fields of the widest sampled record (ColumnCount); 0 when none
  std::size_t DataStart = 0;         // 0-based start of the table's first record; lines before it are preamble
  std::int64_t SemicolonRowWidth = 0;  // see IsCommentRow; 0 or -1 when no such line can be a row
  std::int64_t RowEstimate = 0;      // at least the number of rows the cutting pass keeps
  std::int64_t Hidden = 0;           // comment and preamble lines the cutting pass drops
  // More sampled records are one field than two or more: a list of values, one per line, where a line
  // with a delimiter in its value is no wider row. No line is then preamble.
  bool SingleColumn = false;
  // The sample is whole and ends before the text does: more text after it cannot change the decisions
  // above (only RowEstimate and Hidden, which count the whole text).
  bool SampleSettled = false;
};

// Samples the first `sampleRows` records that are neither empty nor comments, decides where the table
// starts and counts what the cutting pass will keep and hide. `singleColumnAllowed`: the delimiter was
// detected, so a list of values may be read as one column (a delimiter given by hand always cuts).
// Throws std::bad_alloc only.
TPreScan RunPreScan(std::u16string_view text, char16_t delimiter, std::int64_t sampleRows, int commentMode,
                    bool singleColumnAllowed = false);

// The delimiter the cutting pass is given for a table of one column: the double quote, which the quote
// rules always take first, so it never separates fields.
inline constexpr char16_t kNoFieldDelimiter = u'"';

// Whether the line at the 0-based `pos` (< text size) is a comment line of this document: IsCommentLine,
// except that in a semicolon file a ';'-led line whose field count (quotes interpreted) is
// `semicolonRowWidth` is a row with an empty first field. Quotes on a comment line have no meaning; it
// ends at its first line break.
bool IsCommentRow(std::u16string_view text, std::size_t pos, char16_t delimiter, std::int64_t semicolonRowWidth);
// Whether IsCommentRow needs the whole record at `pos` and `text` ends before the record's line break
// (its field count is then not known until more text follows). A record whose line break is the text's
// last character is whole: callers hold back a CR at the end.
bool CommentRowOpen(std::u16string_view text, std::size_t pos, char16_t delimiter, std::int64_t semicolonRowWidth);

// The 0-based position after the line break that ends the physical line at `p` (CR LF taken as one);
// `n` when the text ends first. Quotes are not looked at.
std::size_t SkipLine(const char16_t* t, std::size_t n, std::size_t p);

}  // namespace qelvar
