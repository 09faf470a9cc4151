// qelvar-cli inspect: what the loader makes of a file, as one JSON object.
#include <CLI/CLI.hpp>

#include <memory>

#include "cli.h"
#include "document/csv_document.h"
#include "load_options.h"

namespace qelvar::cli {

namespace {

void AppendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

void AppendRow(std::string& out, TCsvDocument& doc, std::int32_t r) {
  const TCsvRow& row = doc.Rows()[static_cast<std::size_t>(r)];
  out += "{\"comment\": ";
  AppendBool(out, row.IsComment);
  out += ", \"lineStart\": " + std::to_string(row.LineStart);
  out += ", \"lineLength\": " + std::to_string(row.LineLength);
  out += ", \"cells\": [";
  for (std::int32_t c = 0; c < row.CellCount; ++c) {
    if (c > 0) out += ", ";
    out += "{\"value\": ";
    AppendJsonString(out, doc.ValueView(r, c));
    out += ", \"raw\": ";
    AppendJsonString(out, doc.CellRaw(r, c));
    out += ", \"start\": " + std::to_string(doc.CellStart(r, c));
    out += ", \"length\": " + std::to_string(doc.Cells(r)[static_cast<std::size_t>(c)].Length);
    out += ", \"quoted\": ";
    AppendBool(out, doc.Cells(r)[static_cast<std::size_t>(c)].Quoted());
    out += '}';
  }
  out += "]}";
}

int RunInspect(const std::string& file, const LoadOptions& options, std::int64_t rowLimit) {
  std::unique_ptr<TCsvDocument> doc;
  if (!LoadDocument(file, options, doc)) return kExitFailed;

  const char16_t delimiter = doc->Delimiter();
  std::string out = "{\"encoding\": ";
  AppendJsonString(out, doc->Encoding().Name);
  out += ", \"bom\": ";
  AppendBool(out, doc->Encoding().HasBom);
  out += ", \"delimiter\": ";
  AppendJsonString(out, std::u16string_view(&delimiter, 1));
  out += ", \"columnCount\": " + std::to_string(doc->ColumnCount());
  out += ", \"rowCount\": " + std::to_string(doc->RowCount());
  out += ", \"hiddenComments\": " + std::to_string(doc->HiddenCommentCount());
  out += ", \"rows\": [";
  const std::int64_t shown = std::min<std::int64_t>(rowLimit < 0 ? doc->RowCount() : rowLimit, doc->RowCount());
  for (std::int32_t r = 0; r < shown; ++r) {
    BeginJsonRow(out, r);
    AppendRow(out, *doc, r);
  }
  EndJsonRows(out, shown);
  return kExitOk;
}

}  // namespace

Command AddInspect(CLI::App& parent) {
  struct Settings {
    std::string file;
    LoadOptions load;
    std::int64_t rows = -1;  // all
  };
  auto settings = std::make_shared<Settings>();
  CLI::App* app = parent.add_subcommand(
      "inspect", "Print what the loader makes of FILE as JSON: encoding, mark, delimiter, counts, and the rows "
                 "with their cells (value, raw text, position, quoting).");
  app->add_option("FILE", settings->file, "the file, or - for standard input")->required();
  AddLoadOptions(*app, settings->load);
  app->add_option("--rows", settings->rows, "at most N rows (0: none)")->type_name("N")->check(kCount);
  app->footer("Example:\n  qelvar-cli inspect data.csv --rows 3");
  return {app, [settings]() { return RunInspect(settings->file, settings->load, settings->rows); }};
}

}  // namespace qelvar::cli
