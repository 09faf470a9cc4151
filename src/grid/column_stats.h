// Figures over a set of cell values: the status bar's totals of a selection, and a column's profile
// (its type, empty and distinct values, range, mean and most frequent values), with their texts.
//
// Pure functions over a source of values, so that the viewer can run them on another thread over values
// it hands out, and the command-line tool over a loaded document. Values are read once each, in order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qelvar {

// Reads value i (0 <= i < count); the view needs to stay valid only until the next call.
using TCellSource = std::function<std::u16string_view(std::size_t index)>;
// Told how many values are done every kStatsProgressStep values; returning false cancels the work.
using TStatsProgress = std::function<bool(std::size_t done, std::size_t total)>;
inline constexpr std::size_t kStatsProgressStep = 1 << 16;

// The decimal separator of the file's numbers: with a point numbers are read as the grid reads them
// (TryParseNumber); with a comma, "1,5" is 1.5 and a text with a '.' is not a number.
enum class TDecimalSeparator : char16_t { Point = u'.', Comma = u',' };

bool TryParseNumberIn(std::u16string_view text, TDecimalSeparator separator, double& value);

// Comma when more of the values read as numbers only with a comma ("1,5") than only with a point
// ("1.5"); Point otherwise, also when neither occurs. Reads at most `limit` values.
TDecimalSeparator GuessDecimalSeparator(std::size_t count, const TCellSource& cells, std::size_t limit = 10000);

// A number as the status bar and the profile show it: integers below 1e15 with all their digits, other
// values with 15 significant digits ("0.1 + 0.2" shows 0.3), the separator given; "∞", "-∞", "NaN".
std::u16string FormatStatsNumber(double value, TDecimalSeparator separator);

// ---- the selection's totals ------------------------------------------------------------------------

struct TSelectionStats {
  std::int64_t cells = 0;    // values looked at
  std::int64_t count = 0;    // of them not empty (as spreadsheets count)
  std::int64_t numbers = 0;  // of them numbers
  double sum = 0;            // of the numbers, summed with compensation; min and max valid when numbers > 0
  double min = 0;
  double max = 0;
  double Average() const { return numbers > 0 ? sum / static_cast<double>(numbers) : 0; }
};

// Never cancelled: a selection's totals are one quick pass.
TSelectionStats SelectionStats(std::size_t count, const TCellSource& cells, TDecimalSeparator separator);

// The words the status bar puts before each figure (UI texts, given by the caller).
struct TStatsLabels {
  std::u16string_view count, numbers, sum, average, min, max;
};

// "Count: 5   Numbers: 4   Sum: 10   Average: 2.5   Min: 1   Max: 4"; only the count when no value is
// a number; empty for fewer than two cells (one cell shows itself).
std::u16string FormatSelectionStats(const TSelectionStats& stats, const TStatsLabels& labels,
                                    TDecimalSeparator separator);

// ---- the column's profile --------------------------------------------------------------------------

enum class TColumnType { Numbers, Dates, Text };

// Dates the profile recognises: ISO "2024-03-01" (with an optional time "T10:30", " 10:30:15.5", and
// zone "Z" or "+02:00"), "01.03.2024" and "3/1/2024" (day first when the first number is above 12, else
// month first), each with an optional time. `key` orders dates in time (the zone is ignored).
bool TryParseDate(std::u16string_view text, std::int64_t& key);

struct TValueCount {
  std::u16string value;
  std::int64_t count = 0;
};

struct TColumnProfile {
  TColumnType type = TColumnType::Text;  // Numbers or Dates when every value that is not empty is one
  std::int64_t rows = 0;
  std::int64_t empty = 0;     // values of no characters at all
  std::int64_t distinct = 0;  // different values that are not empty
  std::int64_t numbers = 0;   // values that are numbers
  // The smallest and largest value that is not empty, as in the cells: by number, by date, or for text
  // in the grid's sort order. Empty when every value is.
  std::u16string min, max;
  bool hasMean = false;  // for Numbers only
  double mean = 0;
  std::vector<TValueCount> top;  // the ten most frequent values that are not empty; ties in file order
};

inline constexpr std::size_t kProfileTopValues = 10;

// The profile of `count` values. False when `progress` cancelled it (`out` is then unspecified).
bool ProfileColumn(std::size_t count, const TCellSource& cells, TDecimalSeparator separator,
                   const TStatsProgress& progress, TColumnProfile& out);

// "numbers", "dates" or "text".
std::u16string_view ColumnTypeName(TColumnType type);

// The profile as one JSON object in UTF-8 ("column", "type", "rows", "empty", "distinct", "min", "max",
// "mean", "top" as [{"value", "count"}]): min, max and mean are JSON numbers for a Numbers column (null
// when missing or not finite), strings otherwise; the mean is null outside Numbers.
std::string ProfileToJson(const TColumnProfile& profile, std::u16string_view columnName);

// The profile as a plain table in UTF-8, one "label  value" line per figure, then the most frequent
// values with their counts (English labels: the command line is not translated). Lines end with "\n".
std::string ProfileToTable(const TColumnProfile& profile, std::u16string_view columnName,
                           TDecimalSeparator separator);

}  // namespace qelvar
