// qelvar-cli profile: what a column holds (its type, empty and distinct values, range, mean and most
// frequent values), the figures of the viewer's column profile, as JSON or as a plain table.
#include <CLI/CLI.hpp>

#include <memory>

#include "cli.h"
#include "document/csv_document.h"
#include "grid/column_stats.h"
#include "grid/grid_model.h"
#include "load_options.h"
#include "platform/utf.h"

namespace qelvar::cli {
namespace {

struct Settings {
  std::string file;
  LoadOptions load;
  bool noHeader = false;
  std::vector<std::string> columns;  // none: every column
  std::string format = "json";
};

int RunProfile(const Settings& settings) {
  (void)settings.load.Delimiter();  // a malformed delimiter is a usage error before the file is read
  std::unique_ptr<TCsvDocument> document;
  if (!LoadDocument(settings.file, settings.load, document)) return kExitFailed;
  TCsvGridModel model(document.get(), !settings.noHeader);
  const std::int32_t columns = document->ColumnCount();
  std::vector<std::u16string> names;
  for (std::int32_t c = 0; c < columns; ++c) names.push_back(model.GetColumnName(c));

  std::vector<std::int32_t> chosen;
  for (const auto& column : settings.columns)
    chosen.push_back(ResolveColumn(Utf8ToUtf16(column), columns, &names, "--column"));
  if (settings.columns.empty())
    for (std::int32_t c = 0; c < columns; ++c) chosen.push_back(c);

  // The rows the grid shows (comment lines and the header row are not values of the column).
  const TIntArray& rows = model.VisibleRows();
  // One column gives one object, several an array of them.
  const bool array = settings.format == "json" && chosen.size() != 1;
  std::string out = array ? "[\n" : "";
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    const std::int32_t column = chosen[k];
    const TCellSource cells = [&](std::size_t i) { return document->ValueView(rows[i], column); };
    const TDecimalSeparator separator = GuessDecimalSeparator(rows.size(), cells);
    TColumnProfile profile;
    ProfileColumn(rows.size(), cells, separator, [](std::size_t, std::size_t) { return true; }, profile);
    if (settings.format == "json") {
      std::string json = ProfileToJson(profile, names[static_cast<std::size_t>(column)]);
      if (!json.empty() && json.back() == '\n') json.pop_back();
      out += (k > 0 ? ",\n" : "") + json;
    } else {
      out += k > 0 ? "\n" : "";
      out += ProfileToTable(profile, names[static_cast<std::size_t>(column)], separator);
    }
  }
  if (settings.format == "json") out += array ? "\n]\n" : "\n";
  WriteOut(out);
  return kExitOk;
}

}  // namespace

Command AddProfile(CLI::App& parent) {
  auto settings = std::make_shared<Settings>();
  CLI::App* app = parent.add_subcommand(
      "profile", "Print each column's profile: its type (numbers, dates, text), rows, empty cells, distinct "
                 "values, minimum, maximum, mean and the ten most frequent values with their counts.");
  app->add_option("FILE", settings->file, "the file, or - for standard input")->required();
  AddLoadOptions(*app, settings->load);
  app->add_flag("--no-header", settings->noHeader, "the first row is data (columns are named Column 1, 2, ...)");
  app->add_option("--column", settings->columns, "only this column (a name or a number from 1); repeatable")
      ->type_name("COL");
  app->add_option("--format", settings->format, "json (default: one object for one --column, else an array of one per column) or table")
      ->type_name("FORMAT")
      ->check(CLI::IsMember({"json", "table"}));
  app->footer("Examples:\n  qelvar-cli profile data.csv --column Stadt --format table\n"
              "  qelvar-cli profile data.csv --column 3");
  return {app, [settings]() { return RunProfile(*settings); }};
}

}  // namespace qelvar::cli
