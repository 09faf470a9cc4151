// A transformation of the loaded table: which output columns, in which order, under which headers, and
// which cells are overwritten by a constant, filled when empty or numbered by a sequence; its JSON file;
// the value of each output cell; and the export of the transformed table as CSV.
//
// Columns are identified by name everywhere: an output column is a name in TargetOrder, its source column
// is the position of that name in InitialHeaders, and its settings are pairs keyed by the name. Names are
// compared without regard to letter case (full Unicode lower-casing of the system), and kept as given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qelvar {

class TCsvDocument;

// The name of a document column, for the grid's header and the transformation alike: its header cell
// (when `headerRow` is set and that cell is not empty), else the "Column %d" UI text (or its translation)
// with the 1-based column number.
std::u16string SourceColumnName(TCsvDocument* document, bool headerRow, std::int32_t column);

// True when the names are equal after lower-casing both. Allocates only when a character outside ASCII
// is met.
bool SameName(std::u16string_view a, std::u16string_view b);

// An ordered list of (name, value) pairs with case-insensitive lookup. Pairs are never removed by editing;
// an empty value reads like a missing pair but stays and is saved.
class TNameValueMap {
 public:
  struct TPair {
    std::u16string Name;
    std::u16string Value;
    bool operator==(const TPair&) const = default;
  };

  // The value of the first pair whose name matches, or empty. Valid until the map changes.
  std::u16string_view ValueOf(std::u16string_view name) const;
  // Replaces the value of the first matching pair in place (the pair takes the given letter case of the
  // name), or appends a pair.
  void Set(std::u16string_view name, std::u16string_view value);
  void Clear() { pairs_.clear(); }
  const std::vector<TPair>& Pairs() const { return pairs_; }

  bool operator==(const TNameValueMap&) const = default;

 private:
  std::vector<TPair> pairs_;
};

// Index of the first entry equal to `name` without regard to case, or -1.
std::int32_t IndexOfName(const std::vector<std::u16string>& list, std::u16string_view name);

class TTransformConfig {
 public:
  TTransformConfig() = default;  // Create: empty lists, delimiter ";", number format "original"

  std::vector<std::u16string> InitialHeaders;  // source column names; position = document column
  std::vector<std::u16string> TargetOrder;     // output columns in output order, by name
  TNameValueMap ConstantVars;                  // name -> value replacing every cell
  TNameValueMap FillVars;                      // name -> value for empty cells
  TNameValueMap EnumerationVars;               // name -> "start:stop", signed decimal
  TNameValueMap RenameHeaders;                 // name -> header written instead of the name
  std::vector<std::u16string> AddedHeaders;    // names of columns the user added
  char16_t ExportDelimiter = u';';
  std::u16string NumberFormat = u"original";  // "original", "." or ","

  bool operator==(const TTransformConfig&) const = default;

  // ---- the model ---------------------------------------------------------------------------------

  // The identity transformation of a document: every column to itself, named by its header cell (when
  // headerRow is set and that cell is not empty) or by the "Column %d" UI text; the export delimiter
  // becomes the document's when that is one of the detected delimiters (else it is kept). Without a
  // document the lists are only cleared. NumberFormat is kept.
  void InitFromDocument(TCsvDocument* document, bool headerRow);

  std::int32_t TargetCount() const { return static_cast<std::int32_t>(TargetOrder.size()); }
  // The most output columns this transformation may have: kMaxOutputColumns, or the number of source
  // columns when the document has more.
  std::int32_t MaxOutputColumns() const;
  std::int32_t SourceIndex(std::u16string_view name) const { return IndexOfName(InitialHeaders, name); }
  // The document column that feeds output column `index`, or -1: when k earlier output columns carry the
  // same name (case ignored), the (k+1)-th source column of that name, so that a table whose headers
  // repeat a name maps every column to itself; the first one when there are not that many. With unique
  // names this is SourceIndex of the name.
  std::int32_t SourceColumn(std::int32_t index) const;
  static std::u16string_view ValueOf(const TNameValueMap& map, std::u16string_view name) { return map.ValueOf(name); }

  // The new header from RenameHeaders when not empty, else the name; empty for an invalid index.
  std::u16string OutputHeader(std::int32_t index) const;
  // "3. Name -> Header (+) [const] [fill] [enum]" as far as each part applies; empty for an invalid index.
  std::u16string DisplayText(std::int32_t index) const;

  // ---- editing (invalid indexes and empty names are ignored) ---------------------------------------

  void MoveTarget(std::int32_t index, std::int32_t step);
  // Moves the entry to the gap (0 = before the first entry, TargetCount = after the last); returns its
  // new index, or -1 for an invalid index.
  std::int32_t MoveTargetTo(std::int32_t index, std::int32_t gap);
  // Inserts a new name (refused when empty, already an output column (case ignored), or when the output
  // has MaxOutputColumns already) at the position (negative or beyond the end appends) and records it as
  // added.
  void AddColumn(std::int32_t position, std::u16string_view name);
  void RemoveColumn(std::int32_t index);
  void RenameColumn(std::int32_t index, std::u16string_view newHeader);
  void SetConstant(std::int32_t index, std::u16string_view value);
  void SetFill(std::int32_t index, std::u16string_view value);
  void SetEnumeration(std::int32_t index, std::int64_t start, std::int64_t stop);

  // ---- the file ----------------------------------------------------------------------------------

  // Writes the nine members as two-space indented JSON in UTF-8 without a mark, replacing the file.
  // False when the file could not be written; the transformation never changes.
  bool SaveToFile(const std::u16string& path) const;
  std::string ToJsonText() const;

  // Points a loaded transformation at a document whose columns carry `headers` (the names the identity
  // transformation gives them, InitFromDocument), by name rather than by position: a saved recipe names
  // its source columns, and a file with the same columns in another order must get the same output.
  // Every output column fed by a source column needs that name in `headers` (case ignored); when k output
  // columns share a name that the recipe's InitialHeaders also repeats, the k-th takes the k-th column of
  // that name. Columns of `headers` that no output needs may be anywhere or extra. On success
  // InitialHeaders becomes `headers` and the result is empty; otherwise the result lists each missing name
  // once, in output order, and nothing changes. Allocates.
  std::vector<std::u16string> MapSourcesByName(const std::vector<std::u16string>& headers);

  // Reads a transformation file. Everything is checked before anything is taken over: on a failure the
  // transformation stays exactly as it was. A list or map longer than MaxOutputColumns (of the
  // transformation before the load) fails the load. The one exception is the rule that a complete file with
  // an empty target_order is taken over and still reports false. An export_delimiter that is not one of the
  // delimiters a load detects (comma, semicolon, bar, tab, colon) fails the load. Never throws.
  bool LoadFromFile(const std::u16string& path);
  bool LoadFromJsonText(std::string_view utf8);

  // ---- the engine --------------------------------------------------------------------------------

  // The transformed value of output column `index` in document row `row` (source, fill, constant,
  // sequence numbered from `startRow`, number format). Empty without a document, for an invalid index or
  // a negative row.
  std::u16string CellValue(std::int32_t index, std::int32_t row, std::int32_t startRow, TCsvDocument* document) const;

  // Writes the header line and every document row from the start row (1 with a header row), each line
  // ended by CR LF, as UTF-8 without a mark, in one write. False without a document or when the file
  // cannot be written.
  bool ExportCsv(const std::u16string& path, TCsvDocument* document, bool headerRow) const;
  // The whole export text as it would be written (UTF-8). Empty without a document. It opens fresh (the
  // encoding and the delimiter detected) as the table: when the plain quoting would let detection read
  // another delimiter, another number of columns or other row kinds, every value holding any candidate
  // delimiter is quoted; a file whose first two bytes would read as UTF-16 starts with the UTF-8 mark.
  std::string ExportText(TCsvDocument* document, bool headerRow) const;

 private:
  std::string ExportTextQuoting(TCsvDocument* document, bool headerRow, bool anyCandidate) const;
  bool ReadsBackAsTable(std::string_view bytes, TCsvDocument* document, bool headerRow) const;
};

// Output columns beyond this would each become a grid column: a file naming a million of them would hang
// the host. A document with more columns than this may still show all of its own.
inline constexpr std::int32_t kMaxOutputColumns = 10000;

// Limits of a transformation file: larger files and deeper nesting fail the load.
inline constexpr std::int64_t kMaxTransformFileSize = 8 * 1024 * 1024;
inline constexpr int kMaxTransformJsonDepth = 64;

// The stop of a sequence that runs to the last row of whichever table it is applied to. Files store it as
// "stop": "end"; in EnumerationVars it is the largest stop there is, which every row number stays below.
inline constexpr std::int64_t kSequenceToEnd = INT64_MAX;

// A sequence text "start:stop": start is the part before the first ':' read as a decimal integer (1 when
// empty or not a number); stop is the part after it (start when empty or not a number). Without ':' the
// stop is the start.
void ParseSequence(std::u16string_view text, std::int64_t& start, std::int64_t& stop);
// The sequence that the panel's "Fill cells with sequence" makes of its input text: "start:stop", or a
// lone number as the stop with start 1. Blanks around each number are ignored. A missing or unreadable
// start is 1; a missing or unreadable stop is kSequenceToEnd, so that the recipe numbers every row of a
// longer file too.
void SequenceFromInput(std::u16string_view input, std::int64_t& start, std::int64_t& stop);
// The same; `dataRows` no longer matters (the stop no longer depends on the table it was typed on).
void SequenceFromInput(std::u16string_view input, std::int64_t dataRows, std::int64_t& start,
                       std::int64_t& stop);
// Optional sign and ASCII digits only, within 64 bits.
bool TryParseInt64(std::u16string_view text, std::int64_t& value);

// The field quoted when it contains the delimiter, a double quote, LF or CR, or starts or ends with a
// space or a tab (which trimming would remove), and with `anyCandidate` also when it contains any other
// candidate delimiter (double quotes doubled).
std::u16string QuoteField(std::u16string_view value, char16_t delimiter, bool anyCandidate = false);
// Appends one exported line (without its line break): the fields quoted by QuoteField, and besides the
// first field in quotes when the bare line would not load back as a row of the table: an empty line, a
// comment line (the first value starts with "#", ";" or "sep="), or, on the file's first line, a first
// value starting with U+FEFF (which would read as a byte-order mark).
void AppendCsvLine(std::u16string& out, const std::vector<std::u16string>& fields, char16_t delimiter,
                   bool firstLine = false, bool anyCandidate = false);
// Not empty, only digits 0-9, ',' and '.', and exactly one separator in total.
bool IsDecimalNumber(std::u16string_view text);

}  // namespace qelvar
