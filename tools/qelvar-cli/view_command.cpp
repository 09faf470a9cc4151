// qelvar-cli view: the table as the grid shows it after filters and sorting, as JSON or as a table.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>

#include "cli.h"
#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "load_options.h"
#include "platform/utf.h"
#include "transform/transform.h"

namespace qelvar::cli {
namespace {

struct Settings {
  std::string file;
  LoadOptions load;
  bool noHeader = false;
  bool caseSensitive = false;
  std::vector<std::string> filters;  // COL=TEXT, in the order given
  std::string sort;                  // COL, COL:asc or COL:desc
  std::int64_t rows = -1;            // at most this many rows; -1: all
  std::string format = "json";
  std::vector<std::string> columns;  // lists of COL, each comma-separated
  std::string outDelimiter;          // csv: the file's delimiter when empty
};

struct Filter {
  std::int32_t column;
  std::u16string text;
};

// "COL=TEXT": the text is everything after the first "=" (it may be empty or hold "=").
Filter ParseFilter(const std::string& value, std::int32_t columns, const std::vector<std::u16string>& names) {
  const std::u16string text = Utf8ToUtf16(value);
  const std::size_t eq = text.find(u'=');
  if (eq == std::u16string::npos) throw UsageError{"--filter " + value + ": takes COL=TEXT"};
  return {ResolveColumn(std::u16string_view(text).substr(0, eq), columns, &names, "--filter"), text.substr(eq + 1)};
}

// "COL", "COL:asc" or "COL:desc" (a name may hold ":" itself: only a last ":asc" or ":desc" is a direction).
std::pair<std::int32_t, int> ParseSort(const std::string& value, std::int32_t columns,
                                       const std::vector<std::u16string>& names) {
  std::u16string text = Utf8ToUtf16(value);
  int direction = 1;
  const std::size_t colon = text.rfind(u':');
  if (colon != std::u16string::npos) {
    const std::u16string_view word = std::u16string_view(text).substr(colon + 1);
    if (word == u"desc" || word == u"asc") {
      direction = word == u"desc" ? -1 : 1;
      text.resize(colon);
    } else if (std::u16string_view(text).substr(0, colon).find_first_not_of(u"0123456789") == std::u16string_view::npos) {
      throw UsageError{"--sort " + value + ": takes COL, COL:asc or COL:desc"};
    }
  }
  return {ResolveColumn(text, columns, &names, "--sort"), direction};
}

// The output columns of --columns, in the order given; every column when there is none. A name given k
// times takes the k-th column of that name.
std::vector<std::int32_t> ChosenColumns(const std::vector<std::string>& lists, std::int32_t columns,
                                        const std::vector<std::u16string>& names) {
  std::vector<std::int32_t> chosen;
  if (lists.empty()) {
    for (std::int32_t c = 0; c < columns; ++c) chosen.push_back(c);
    return chosen;
  }
  std::vector<std::u16string> seen;
  for (const auto& list : lists) {
    const std::u16string text = Utf8ToUtf16(list);
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = text.find(u',', start);
      const std::u16string item = text.substr(start, comma == std::u16string::npos ? comma : comma - start);
      const auto occurrence = static_cast<std::int32_t>(std::count_if(
          seen.begin(), seen.end(), [&item](const std::u16string& s) { return SameName(s, item); }));
      chosen.push_back(ResolveColumn(item, columns, &names, "--columns", occurrence));
      seen.push_back(item);
      if (comma == std::u16string::npos) break;
      start = comma + 1;
    }
  }
  return chosen;
}

// The rows as JSON: the chosen column names, the visible count and the rows in display order.
void WriteJson(const TCsvGridModel& model, const std::vector<std::int32_t>& chosen, std::int64_t shown) {
  std::string out = "{\"columns\": [";
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    if (k > 0) out += ", ";
    AppendJsonString(out, model.GetColumnName(chosen[k]));
  }
  out += "], \"visibleCount\": " + std::to_string(model.VisibleCount()) + ", \"rows\": [";
  for (std::int32_t i = 0; i < shown; ++i) {
    const std::int32_t row = model.VisibleToDocumentRow(i);
    BeginJsonRow(out, i);
    out += "{\"row\": " + std::to_string(row) + ", \"cells\": [";
    for (std::size_t k = 0; k < chosen.size(); ++k) {
      if (k > 0) out += ", ";
      AppendJsonString(out, model.GetCell(row, chosen[k]));
    }
    out += "]}";
  }
  EndJsonRows(out, shown);
}

// The rows as a table in UTF-8 with CR LF line ends, quoted as the export quotes: a header line of the
// column names, then the rows in display order. What is written reads back as the same table.
void WriteTable(const TCsvGridModel& model, const std::vector<std::int32_t>& chosen, std::int64_t shown,
                char16_t delimiter) {
  std::vector<std::u16string> fields(chosen.size());
  std::u16string line;
  std::string out;
  const auto endLine = [&](bool first) {
    line.clear();
    AppendCsvLine(line, fields, delimiter, first);
    line += u"\r\n";
    out += Utf16ToUtf8(line);
    if (out.size() > (1u << 20)) {
      WriteOut(out);
      out.clear();
    }
  };
  for (std::size_t k = 0; k < chosen.size(); ++k) fields[k] = model.GetColumnName(chosen[k]);
  endLine(true);
  for (std::int32_t i = 0; i < shown; ++i) {
    const std::int32_t row = model.VisibleToDocumentRow(i);
    for (std::size_t k = 0; k < chosen.size(); ++k) fields[k] = model.GetCell(row, chosen[k]);
    endLine(false);
  }
  WriteOut(out);
}

int RunView(const Settings& settings) {
  const char16_t outDelimiter =
      settings.outDelimiter.empty() ? char16_t{0} : ParseDelimiter(Utf8ToUtf16(settings.outDelimiter), "--out-delimiter");
  if (outDelimiter && settings.format != "csv") throw UsageError{"--out-delimiter goes with --format csv"};
  (void)settings.load.Delimiter();  // a malformed delimiter is a usage error before the file is read

  std::unique_ptr<TCsvDocument> document;
  if (!LoadDocument(settings.file, settings.load, document)) return kExitFailed;
  TCsvGridModel model(document.get(), !settings.noHeader);
  const std::int32_t columns = document->ColumnCount();
  std::vector<std::u16string> names;
  for (std::int32_t c = 0; c < columns; ++c) names.push_back(model.GetColumnName(c));

  std::vector<Filter> filters;
  for (const auto& filter : settings.filters) filters.push_back(ParseFilter(filter, columns, names));
  const auto chosen = ChosenColumns(settings.columns, columns, names);
  model.SetCaseSensitive(settings.caseSensitive);
  for (const auto& filter : filters) model.SetFilter(filter.column, filter.text);
  if (!settings.sort.empty()) {
    const auto [column, direction] = ParseSort(settings.sort, columns, names);
    model.SetSort(column, direction);
  }

  const std::int64_t visible = model.VisibleCount();
  const std::int64_t shown = settings.rows < 0 ? visible : std::min(settings.rows, visible);
  if (settings.format == "json")
    WriteJson(model, chosen, shown);
  else
    WriteTable(model, chosen, shown,
               settings.format == "tsv" ? u'\t' : (outDelimiter ? outDelimiter : document->Delimiter()));
  return kExitOk;
}

}  // namespace

Command AddView(CLI::App& parent) {
  auto settings = std::make_shared<Settings>();
  CLI::App* app = parent.add_subcommand(
      "view", "Print the table as the grid shows it: filters apply in the order given, then the sort; the rows "
              "come in display order.");
  app->add_option("FILE", settings->file, "the file, or - for standard input")->required();
  AddLoadOptions(*app, settings->load);
  app->add_flag("--no-header", settings->noHeader, "the first row is data (columns are named Column 1, 2, ...)");
  app->add_flag("--case-sensitive", settings->caseSensitive, "filters tell capital letters apart");
  app->add_option("--filter", settings->filters,
                  "a filter box's text for column COL (as typed in the grid: text, =exact, !not, <5, >=2005, ...); "
                  "repeatable")
      ->type_name("COL=TEXT");
  app->add_option("--sort", settings->sort, "sort by column COL, ascending unless :desc")->type_name("COL[:asc|:desc]");
  app->add_option("--rows", settings->rows, "at most N rows (0: none)")->type_name("N")->check(kCount);
  app->add_option("--format", settings->format,
                  "json (default: column names, count and rows), csv (the file's delimiter unless --out-delimiter) "
                  "or tsv; csv and tsv are UTF-8 with CR LF, quoted where needed, under a header line")
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"json", "csv", "tsv"}));
  app->add_option("--columns", settings->columns, "only these columns, in this order (names or numbers)")
      ->type_name("COL,COL,...");
  app->add_option("--out-delimiter", settings->outDelimiter, "the delimiter of --format csv")->type_name("D");
  app->footer(
      "COL is a column number counting from 1, as the grid shows columns, or a column name (case ignored).\n"
      "Examples:\n"
      "  qelvar-cli view data.csv --filter Stadt=Berlin --sort 3:desc --format csv --columns Name,3\n"
      "  curl -s https://example.org/t.csv | qelvar-cli view - --format tsv | head");
  return {app, [settings]() { return RunView(*settings); }};
}

}  // namespace qelvar::cli
