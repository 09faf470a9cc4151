// The transformation engine: the value of each output cell, and the transformed table as a CSV file.
#include <algorithm>
#include <memory>
#include <string>

#include "document/csv_document.h"
#include "document/delimiter.h"
#include "platform/utf.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

// The one separator of a decimal number converted to the chosen format ("." or ","); other formats,
// including "original", leave every value as it is.
void ApplyNumberFormat(std::u16string& value, std::u16string_view format) {
  if (format != u"." && format != u",") return;
  if (!IsDecimalNumber(value)) return;
  const char16_t from = format == u"." ? u',' : u'.';
  const std::size_t at = value.find(from);
  if (at != std::u16string::npos) value[at] = format[0];
}

}  // namespace

bool IsDecimalNumber(std::u16string_view text) {
  if (text.empty()) return false;
  int separators = 0;
  for (const char16_t c : text) {
    if (c == u',' || c == u'.') ++separators;
    else if (c < u'0' || c > u'9') return false;
  }
  return separators == 1;
}

std::u16string QuoteField(std::u16string_view value, char16_t delimiter, bool anyCandidate) {
  // Blanks at the ends would be trimmed away. Any candidate delimiter, where asked: a value "Doe, Jane"
  // bare in a one-column export would let detection read two columns.
  bool quote = !value.empty() && (value.front() == u' ' || value.front() == u'\t' || value.back() == u' ' ||
                                  value.back() == u'\t');
  for (const char16_t c : value) {
    if (quote) break;
    quote = c == delimiter || c == u'"' || c == u'\n' || c == u'\r';
    for (const char16_t candidate : kDelimiterCandidates) quote = quote || (anyCandidate && c == candidate);
  }
  if (!quote) return std::u16string(value);
  std::u16string out;
  out.reserve(value.size() + 2);
  out += u'"';
  for (const char16_t c : value) {
    if (c == u'"') out += u'"';
    out += c;
  }
  out += u'"';
  return out;
}

void AppendCsvLine(std::u16string& out, const std::vector<std::u16string>& fields, char16_t delimiter,
                   bool firstLine, bool anyCandidate) {
  const std::size_t start = out.size();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += delimiter;
    out += QuoteField(fields[i], delimiter, anyCandidate);
  }
  // The loader must read every exported line back as a row of the table. A line that misreads starts
  // with an unquoted first field, which holds no quote, so quoting it is adding two quotes.
  const std::u16string_view line = std::u16string_view(out).substr(start);
  if (fields.empty() || !(line.empty() || IsCommentLine(line, 1) || (firstLine && line.front() == u'\uFEFF'))) return;
  out.insert(start + fields[0].size(), 1, u'"');
  out.insert(start, 1, u'"');
}

std::int32_t TTransformConfig::SourceColumn(std::int32_t index) const {
  if (index < 0 || index >= TargetCount()) return -1;
  const std::u16string& name = TargetOrder[static_cast<std::size_t>(index)];
  const std::int32_t first = SourceIndex(name);
  if (first < 0) return -1;
  // Only a repeated source name needs the occurrence count of the output column.
  std::int32_t second = -1;
  for (std::size_t i = static_cast<std::size_t>(first) + 1; i < InitialHeaders.size() && second < 0; ++i)
    if (SameName(InitialHeaders[i], name)) second = static_cast<std::int32_t>(i);
  if (second < 0) return first;
  std::int32_t occurrence = 0;
  for (std::int32_t i = 0; i < index; ++i)
    if (SameName(TargetOrder[static_cast<std::size_t>(i)], name)) ++occurrence;
  for (std::size_t i = static_cast<std::size_t>(first); i < InitialHeaders.size(); ++i) {
    if (!SameName(InitialHeaders[i], name)) continue;
    if (occurrence-- == 0) return static_cast<std::int32_t>(i);
  }
  return first;
}

std::u16string TTransformConfig::CellValue(std::int32_t index, std::int32_t row, std::int32_t startRow,
                                           TCsvDocument* document) const {
  if (!document || index < 0 || index >= TargetCount() || row < 0) return {};
  const std::u16string& name = TargetOrder[static_cast<std::size_t>(index)];
  std::u16string value;
  const std::int32_t source = SourceColumn(index);
  if (source >= 0 && row < document->RowCount() && document->CellCount(row) > source)
    value = document->GetCell(row, source);

  if (const auto fill = FillVars.ValueOf(name); value.empty() && !fill.empty()) value = fill;
  if (const auto constant = ConstantVars.ValueOf(name); !constant.empty()) value = constant;
  if (const auto sequence = EnumerationVars.ValueOf(name); !sequence.empty()) {
    std::int64_t start = 1, stop = 1;
    ParseSequence(sequence, start, stop);
    const std::int64_t offset = static_cast<std::int64_t>(row) - startRow;  // two 32-bit values: no overflow
    std::int64_t n = 0;
    // A number beyond 64 bits is shown as no number (past the stop, or too small to write).
    if (__builtin_add_overflow(start, offset, &n) || n > stop) {
      value.clear();
    } else {
      const std::string digits = std::to_string(n);
      value.assign(digits.begin(), digits.end());
    }
  }
  ApplyNumberFormat(value, NumberFormat);
  return value;
}

std::string TTransformConfig::ExportText(TCsvDocument* document, bool headerRow) const {
  if (!document) return {};
  std::string text = ExportTextQuoting(document, headerRow, false);
  if (ReadsBackAsTable(text, document, headerRow)) return text;
  return ExportTextQuoting(document, headerRow, true);
}

// Opened as the user's next open would (trimming on, comment lines shown), the export is the header line
// and the rows: every line a data row with the output's cells. A table of one column reads right also
// as a list of values.
bool TTransformConfig::ReadsBackAsTable(std::string_view bytes, TCsvDocument* document, bool headerRow) const {
  std::unique_ptr<TCsvDocument> back;
  if (!LoadFromBytes(bytes, 0, kCommentsParsed, u"", back, true, kDefaultSampleRows)) return false;
  const std::int32_t columns = TargetCount();
  const std::int32_t startRow = headerRow ? 1 : 0;
  if (!EqualsIgnoreAsciiCase(back->Encoding().Name, kEncodingUtf8) ||
      back->RowCount() != 1 + std::max(document->RowCount() - startRow, 0))
    return false;
  if (columns > 1 && (back->Delimiter() != ExportDelimiter || back->SingleColumn())) return false;
  for (std::int32_t r = 0; r < back->RowCount(); ++r) {
    if (back->Rows()[static_cast<std::size_t>(r)].IsComment || back->CellCount(r) > std::max(columns, 1)) return false;
    for (std::int32_t i = 0; i < columns; ++i) {
      const std::u16string want = r == 0 ? OutputHeader(i) : CellValue(i, r - 1 + startRow, startRow, document);
      if (back->GetCell(r, i) != want) return false;
    }
  }
  return true;
}

std::string TTransformConfig::ExportTextQuoting(TCsvDocument* document, bool headerRow, bool anyCandidate) const {
  const std::int32_t columns = TargetCount();
  std::string out;
  std::u16string line;
  std::vector<std::u16string> fields(static_cast<std::size_t>(columns));
  auto endLine = [&] {
    line.clear();
    AppendCsvLine(line, fields, ExportDelimiter, out.empty(), anyCandidate);
    line += u"\r\n";
    out += Utf16ToUtf8(line);
  };
  // Exactly one zero among the first two bytes would be read as UTF-16 (a first value starting with NUL,
  // or one character and then NUL): the mark keeps the file UTF-8.
  const auto markIfMisread = [&out] {
    if (out.size() >= 2 && (out[0] == 0) != (out[1] == 0)) out.insert(0, "\xEF\xBB\xBF");
  };
  for (std::int32_t i = 0; i < columns; ++i) fields[static_cast<std::size_t>(i)] = OutputHeader(i);
  endLine();
  const std::int32_t startRow = headerRow ? 1 : 0;
  for (std::int32_t r = startRow; r < document->RowCount(); ++r) {
    for (std::int32_t i = 0; i < columns; ++i) fields[static_cast<std::size_t>(i)] = CellValue(i, r, startRow, document);
    endLine();
  }
  markIfMisread();
  return out;
}

bool TTransformConfig::ExportCsv(const std::u16string& path, TCsvDocument* document, bool headerRow) const {
  if (!document) return false;
  try {
    // Through the safe save: a failed write must not destroy the file chosen, which may hold data.
    return SaveBytesToFile(path, ExportText(document, headerRow));
  } catch (...) {
    return false;
  }
}

}  // namespace qelvar
