// qelvar-cli view: the table as the grid shows it after filters and sorting, as one JSON object.
#include <algorithm>
#include <tuple>

#include "cli.h"
#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "load_options.h"
#include "platform/utf.h"

namespace qelvar::cli {
namespace {

// A 0-based column number: digits only.
std::int32_t ColumnNumber(std::u16string_view text, const char* option) {
  return ParseIndex(text, std::string(option) + " needs a column number");
}

struct FilterOption {
  std::int32_t column;
  std::u16string text;
};

// "COL=TEXT": the text is everything after the first "=" (it may be empty or hold "=").
FilterOption ParseFilter(const std::u16string& value) {
  const std::size_t eq = value.find(u'=');
  if (eq == std::u16string::npos) throw UsageError{"--filter takes COL=TEXT"};
  return {ColumnNumber(std::u16string_view(value).substr(0, eq), "--filter"), value.substr(eq + 1)};
}

// "COL", "COL:asc" or "COL:desc".
std::pair<std::int32_t, int> ParseSort(const std::u16string& value) {
  const std::size_t colon = value.find(u':');
  int direction = 1;
  if (colon != std::u16string::npos) {
    const std::u16string_view word = std::u16string_view(value).substr(colon + 1);
    if (word == u"desc") direction = -1;
    else if (word != u"asc") throw UsageError{"--sort takes COL, COL:asc or COL:desc"};
  }
  return {ColumnNumber(std::u16string_view(value).substr(0, colon), "--sort"), direction};
}

void CheckColumn(std::int32_t column, const TCsvDocument& document) {
  if (column >= document.ColumnCount())
    throw UsageError{"column " + std::to_string(column) + " does not exist (the table has " +
                     std::to_string(document.ColumnCount()) + " columns)"};
}

}  // namespace

int RunView(Args& args) {
  const LoadOptions options = ParseLoadOptions(args);
  const bool headerRow = !args.Flag(u"--no-header");
  const bool caseSensitive = args.Flag(u"--case-sensitive");
  std::vector<FilterOption> filters;
  for (const auto& value : args.Options(u"--filter")) filters.push_back(ParseFilter(value));
  std::int32_t sortColumn = -1;
  int sortDirection = 0;
  if (const auto sortText = args.Option(u"--sort")) std::tie(sortColumn, sortDirection) = ParseSort(*sortText);
  const auto rowLimit = args.Integer(u"--rows");
  const auto files = args.Positionals();
  if (files.size() != 1) throw UsageError{"view takes exactly one FILE"};

  std::unique_ptr<TCsvDocument> document;
  if (!LoadDocument(files[0], options, document)) return kExitFailed;
  for (const auto& filter : filters) CheckColumn(filter.column, *document);
  if (sortColumn >= 0) CheckColumn(sortColumn, *document);

  TCsvGridModel model(document.get(), headerRow);
  model.SetCaseSensitive(caseSensitive);
  for (const auto& filter : filters) model.SetFilter(filter.column, filter.text);
  if (sortColumn >= 0) model.SetSort(sortColumn, sortDirection);

  const std::int32_t columns = document->ColumnCount();
  std::string out = "{\"columns\": [";
  for (std::int32_t c = 0; c < columns; ++c) {
    if (c > 0) out += ", ";
    AppendJsonString(out, model.GetColumnName(c));
  }
  out += "], \"visibleCount\": " + std::to_string(model.VisibleCount()) + ", \"rows\": [";
  const std::int64_t shown = std::min<std::int64_t>(rowLimit.value_or(model.VisibleCount()), model.VisibleCount());
  for (std::int32_t i = 0; i < shown; ++i) {
    const std::int32_t row = model.VisibleToDocumentRow(i);
    BeginJsonRow(out, i);
    out += "{\"row\": " + std::to_string(row) + ", \"cells\": [";
    for (std::int32_t c = 0; c < columns; ++c) {
      if (c > 0) out += ", ";
      AppendJsonString(out, model.GetCell(row, c));
    }
    out += "]}";
  }
  EndJsonRows(out, shown);
  return kExitOk;
}

}  // namespace qelvar::cli
