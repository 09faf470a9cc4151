// qelvar-cli view: the table as the grid shows it after filters and sorting, as JSON or as a table; with
// --follow, then the rows appended to the file as they come.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "cli.h"
#include "document/append_read.h"
#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/platform.h"
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
  bool follow = false;
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

// How rows are written: JSON objects {"row": R, "cells": [...]}, or lines of a table in UTF-8 with CR LF,
// quoted as the export quotes (what is written reads back as the same table).
class TRowWriter {
 public:
  TRowWriter(const TCsvGridModel& model, std::vector<std::int32_t> chosen, bool json, char16_t delimiter)
      : model_(model), chosen_(std::move(chosen)), json_(json), delimiter_(delimiter), fields_(chosen_.size()) {}

  // The table's header line: the chosen columns' names.
  void Header(std::string& out) {
    for (std::size_t k = 0; k < chosen_.size(); ++k) fields_[k] = model_.GetColumnName(chosen_[k]);
    Line(out, true);
  }
  // Document row `row` (without a line end in JSON).
  void Row(std::int32_t row, std::string& out) {
    if (json_) {
      out += "{\"row\": " + std::to_string(row) + ", \"cells\": [";
      for (std::size_t k = 0; k < chosen_.size(); ++k) {
        if (k > 0) out += ", ";
        AppendJsonString(out, model_.GetCell(row, chosen_[k]));
      }
      out += "]}";
      return;
    }
    for (std::size_t k = 0; k < chosen_.size(); ++k) fields_[k] = model_.GetCell(row, chosen_[k]);
    Line(out, false);
  }
  // The column names as a JSON array.
  void JsonColumns(std::string& out) const {
    out += "[";
    for (std::size_t k = 0; k < chosen_.size(); ++k) {
      if (k > 0) out += ", ";
      AppendJsonString(out, model_.GetColumnName(chosen_[k]));
    }
    out += "]";
  }

 private:
  void Line(std::string& out, bool first) {
    line_.clear();
    AppendCsvLine(line_, fields_, delimiter_, first);
    line_ += u"\r\n";
    out += Utf16ToUtf8(line_);
  }

  const TCsvGridModel& model_;
  std::vector<std::int32_t> chosen_;
  bool json_;
  char16_t delimiter_;
  std::vector<std::u16string> fields_;
  std::u16string line_;
};

// The table: in JSON the column names, the visible count and the first `shown` of the `visible` rows in
// display order; as a table a header line, then those rows.
void WriteTable(const TCsvGridModel& model, TRowWriter& writer, bool json, std::int64_t visible, std::int64_t shown) {
  std::string out;
  if (json) {
    out = "{\"columns\": ";
    writer.JsonColumns(out);
    out += ", \"visibleCount\": " + std::to_string(visible) + ", \"rows\": [";
  } else {
    writer.Header(out);
  }
  for (std::int32_t i = 0; i < shown; ++i) {
    if (json) {
      BeginJsonRow(out, i);
    } else if (out.size() > (1u << 20)) {
      WriteOut(out);
      out.clear();
    }
    writer.Row(model.VisibleToDocumentRow(i), out);
  }
  if (json) return EndJsonRows(out, shown);
  WriteOut(out);
}

// What the command line asks of the table: the filters in the order given, the sort, the columns and the
// format. UsageError when it names columns the table lacks.
struct TView {
  TView(TCsvDocument& document, const Settings& settings, char16_t outDelimiter) : model(&document, !settings.noHeader) {
    const std::int32_t columns = document.ColumnCount();
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
    json = settings.format == "json";
    const char16_t delimiter =
        settings.format == "tsv" ? u'\t' : (outDelimiter ? outDelimiter : document.Delimiter());
    writer = std::make_unique<TRowWriter>(model, chosen, json, delimiter);
  }

  TCsvGridModel model;
  bool json = true;
  std::unique_ptr<TRowWriter> writer;
};

// ---- --follow ---------------------------------------------------------------------------------------

constexpr unsigned kPollMs = 250;
constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as a shell reports a program that Ctrl+C ended

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted.store(true); }

// Sleeps about one poll interval; false once Ctrl+C was pressed. A reader that went away ends the program
// quietly, as a write to it would.
bool Wait() {
  for (unsigned slept = 0; slept < kPollMs && !interrupted.load(); slept += 50) platform::SleepMilliseconds(50);
  if (OutputGone()) std::_Exit(kExitOk);
  return !interrupted.load();
}

void Note(const std::string& file, const std::string& what) { WriteErr("qelvar-cli: " + file + ": " + what + "\n"); }

// The file's size now; -1 when it cannot be opened.
std::int64_t SizeNow(const std::u16string& path) {
  platform::BlockReader reader;
  std::int64_t size = 0;
  return reader.Open(path, 0, size) == platform::ReadResult::Ok ? size : -1;
}

// The visible rows, in file order, whose document row is `from` or later: where they begin.
std::int32_t FirstVisibleFrom(const TCsvGridModel& model, std::int32_t from) {
  std::int32_t i = model.VisibleCount();
  while (i > 0 && model.VisibleToDocumentRow(i - 1) >= from) --i;
  return i;
}

enum class TFollowEnd { Restart, Interrupted };

// Prints the table of the file as loaded (without a last row whose line is not complete yet), then every
// row appended to it that passes the filters, until the file is rewritten (Restart) or Ctrl+C.
TFollowEnd FollowDocument(const Settings& settings, char16_t outDelimiter, TCsvDocument& document,
                          TCsvAppendReader& reader) {
  const std::string& file = settings.file;
  TView view(document, settings, outDelimiter);
  std::int32_t printed = reader.UnfinishedRow() >= 0 ? reader.UnfinishedRow() : document.RowCount();
  const std::int64_t visible = FirstVisibleFrom(view.model, printed);
  WriteTable(view.model, *view.writer, view.json, visible, settings.rows < 0 ? visible : std::min(settings.rows, visible));
  bool gone = false;
  while (Wait()) {
    const TFileChange change = reader.Check();
    if (change == TFileChange::Gone) {
      if (!gone) Note(file, "is gone; waiting for it to come back");
      gone = true;
      continue;
    }
    if (gone && change != TFileChange::Rewritten) Note(file, "is back");
    gone = false;
    if (change == TFileChange::Same) continue;
    const std::int32_t before = document.RowCount();
    const std::int64_t rows = change == TFileChange::Grew ? reader.ReadAppended(document) : -1;
    if (rows < 0) {
      Note(file, reader.Check() == TFileChange::Rewritten
                     ? "was rewritten; reading it again from the start"
                     : "what was appended could not be read; reading the file again from the start");
      return TFollowEnd::Restart;
    }
    if (rows == 0) continue;
    // A replaced last row (loaded half written, never printed) is no appended row to the model: it
    // filters every row again, once.
    if (document.RowCount() - rows < before)
      view.model.Rebuild();
    else
      view.model.TakeAppendedRows();
    std::string out;
    for (std::int32_t i = FirstVisibleFrom(view.model, printed); i < view.model.VisibleCount(); ++i) {
      view.writer->Row(view.model.VisibleToDocumentRow(i), out);
      if (view.json) out += "\n";
    }
    printed = document.RowCount();
    if (!out.empty()) WriteOut(out);
  }
  return TFollowEnd::Interrupted;
}

// view --follow: the table, then its appended rows; a rewritten file is printed again from its start, a
// file that went away is waited for. Ends with Ctrl+C (exit code 130) or a reader that went away.
int RunFollow(const Settings& settings, char16_t outDelimiter) {
  const std::u16string path = Utf8ToUtf16(settings.file);
  std::signal(SIGINT, OnInterrupt);
  bool first = true;
  while (!interrupted.load()) {
    std::unique_ptr<TCsvDocument> document;
    if (!LoadDocument(settings.file, settings.load, document)) {
      if (first) return kExitFailed;
      // Rewritten and not readable yet (a writer half way through, or gone again): tried again once it
      // changes.
      const std::int64_t size = SizeNow(path);
      while (Wait() && SizeNow(path) == size) {
      }
      continue;
    }
    TCsvAppendReader reader;
    const bool begun = reader.Begin(path, *document, settings.load.commentMode);
    // Until the file has a complete row (the header, mostly) there are no columns to print: it is read
    // again from its start once it changes.
    first = false;
    if (!begun || document->RowCount() == 0 || reader.UnfinishedRow() == 0) {
      do {
        if (!Wait()) return kExitInterrupted;
      } while (begun && reader.Check() == TFileChange::Same);
      continue;
    }
    if (FollowDocument(settings, outDelimiter, *document, reader) == TFollowEnd::Interrupted) break;
  }
  return kExitInterrupted;
}

int RunView(const Settings& settings) {
  const char16_t outDelimiter =
      settings.outDelimiter.empty() ? char16_t{0} : ParseDelimiter(Utf8ToUtf16(settings.outDelimiter), "--out-delimiter");
  if (outDelimiter && settings.format != "csv") throw UsageError{"--out-delimiter goes with --format csv"};
  (void)settings.load.Delimiter();  // a malformed delimiter is a usage error before the file is read
  if (settings.follow && settings.file == kStdStream)
    throw UsageError{"--follow needs a file: standard input cannot be watched for appended rows"};
  if (settings.follow && !settings.sort.empty())
    throw UsageError{"--follow cannot go with --sort: the rows that come are printed in the order they come"};
  if (settings.follow) return RunFollow(settings, outDelimiter);

  std::unique_ptr<TCsvDocument> document;
  if (!LoadDocument(settings.file, settings.load, document)) return kExitFailed;
  TView view(*document, settings, outDelimiter);
  const std::int64_t visible = view.model.VisibleCount();
  const std::int64_t shown = settings.rows < 0 ? visible : std::min(settings.rows, visible);
  WriteTable(view.model, *view.writer, view.json, visible, shown);
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
  app->add_flag("--follow", settings->follow,
                "after the table, print the rows appended to FILE as they come (like tail -f), until Ctrl+C; "
                "in JSON one {\"row\": R, \"cells\": [...]} object per line; a rewritten file is printed again "
                "from its start");
  app->footer(
      "COL is a column number counting from 1, as the grid shows columns, or a column name (case ignored).\n"
      "Examples:\n"
      "  qelvar-cli view data.csv --filter Stadt=Berlin --sort 3:desc --format csv --columns Name,3\n"
      "  curl -s https://example.org/t.csv | qelvar-cli view - --format tsv | head\n"
      "  qelvar-cli view orders.csv --follow --rows 0 --filter Status=failed --format csv");
  return {app, [settings]() { return RunView(*settings); }};
}

}  // namespace qelvar::cli
