// qelvar-cli edit: scripted edits of a file that keep every byte the edits do not touch.
#include <CLI/CLI.hpp>

#include <map>
#include <memory>

#include "cli.h"
#include "document/csv_document.h"
#include "load_options.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar::cli {

namespace {

struct Settings {
  std::string file;
  std::string out;  // empty: in place
  LoadOptions load;
  std::vector<CLI::Option*> operations;
};

struct Operation {
  std::string name;
  std::string argument;
  std::int32_t row = 0;
  std::int32_t col = 0;
  std::u16string value;
  std::vector<std::int32_t> rows;
};

std::int32_t RowOf(std::u16string_view text, const std::string& option, const std::string& argument) {
  if (const auto row = ParseIndex(text)) return *row;
  throw UsageError{option + " " + argument + ": a row is a number counting from 0, as inspect and view print it"};
}

// Every operation is checked for its form before the file is read. Columns count from 1, rows from 0.
Operation ParseOperation(const std::string& name, const std::string& argument, std::int32_t columns) {
  Operation op;
  op.name = name;
  op.argument = argument;
  const std::u16string text = Utf8ToUtf16(argument);
  const std::u16string_view view = text;
  if (name == "--set") {
    const std::size_t equals = text.find(u'=');
    const std::size_t colon = text.find(u':');
    if (equals == std::u16string::npos || colon == std::u16string::npos || colon > equals)
      throw UsageError{"--set " + argument + ": takes ROW:COL=VALUE"};
    op.row = RowOf(view.substr(0, colon), name, argument);
    try {
      op.col = ResolveColumn(view.substr(colon + 1, equals - colon - 1), columns, nullptr, "--set");
    } catch (const UsageError& e) {
      // Named by the whole argument, as the user wrote it.
      throw UsageError{"--set " + argument + e.message.substr(e.message.find(": "))};
    }
    op.value = text.substr(equals + 1);
  } else if (name == "--delete-column") {
    op.col = ResolveColumn(view, columns, nullptr, "--delete-column");
  } else if (name == "--delete-rows") {
    std::size_t start = 0;
    while (true) {
      const std::size_t comma = text.find(u',', start);
      op.rows.push_back(RowOf(view.substr(start, comma == std::u16string::npos ? comma : comma - start), name, argument));
      if (comma == std::u16string::npos) break;
      start = comma + 1;
    }
  } else if (name == "--undo" || name == "--redo") {
    const auto count = ParseIndex(view);
    if (!count) throw UsageError{name + " " + argument + ": takes a count of edits"};
    op.row = *count;
  } else {
    op.row = RowOf(view, name, argument);
  }
  return op;
}

bool Repeat(std::int32_t times, TCsvDocument& doc, TCsvUndoResult (TCsvDocument::*step)()) {
  for (std::int32_t k = 0; k < times; ++k)
    if (!(doc.*step)().Done) return false;
  return true;
}

bool Apply(const Operation& op, TCsvDocument& doc) {
  if (op.name == "--set") return doc.SetCell(op.row, op.col, op.value);
  if (op.name == "--insert-after") return doc.InsertRowAfter(op.row);
  if (op.name == "--delete-row") return doc.DeleteRow(op.row);
  if (op.name == "--delete-rows") return doc.DeleteRows(op.rows) > 0;
  if (op.name == "--undo") return Repeat(op.row, doc, &TCsvDocument::Undo);
  if (op.name == "--redo") return Repeat(op.row, doc, &TCsvDocument::Redo);
  return doc.DeleteColumn(op.col);
}

// Why a save refused, from what can be seen without writing; the last reason is the one left.
// Why the save refused, from the save's own result; "" when it does not say (the file system refused).
std::string SaveResultReason(const TSaveResult& why) {
  static constexpr const char* kDifferences[] = {"",
                                                 "it would not load",
                                                 "another encoding would be detected",
                                                 "another delimiter would be detected",
                                                 "it would have another number of rows",
                                                 "a row would change between data and comment or preamble",
                                                 "a value would read differently"};
  switch (why.Problem) {
    case TSaveProblem::ReadsDifferently: {
      std::string text = "the file would open as another table: ";
      text += kDifferences[static_cast<int>(why.Difference)];
      if (why.Row >= 0) text += " (row " + std::to_string(why.Row) + ")";
      return text + "; the file was not changed";
    }
    case TSaveProblem::TargetRemoved:
      return "could not be replaced; the data is kept in " + Utf16ToUtf8(why.KeptFile);
    case TSaveProblem::NotEncodable:
    case TSaveProblem::WriteFailed:
    case TSaveProblem::None: break;
  }
  return {};
}

std::string SaveFailure(const TCsvDocument& doc, const std::string& target, const TSaveResult& why = {}) {
  if (std::string reason = SaveResultReason(why); !reason.empty()) return reason;
  const std::u16string path = Utf8ToUtf16(target);
  std::string bytes;
  if (!doc.Encoding().Lossless)
    return "the file's bytes do not read back exactly in its encoding (" + Utf16ToUtf8(doc.Encoding().Name) +
           "), so it is not written at all";
  if (!EncodeText(doc.Text(), doc.Encoding(), bytes))
    return "a new value has a character that " + Utf16ToUtf8(doc.Encoding().Name) + " cannot hold";
  if (target == kStdStream) return "could not be written";
  if (platform::FolderExists(path)) return "is a folder, not a file";
  if (platform::IsReadOnlyFile(path)) return "is read-only";
  const std::u16string folder = platform::FolderOf(path);
  if (!folder.empty() && !platform::FolderExists(folder)) return "its folder does not exist";
  return "could not be saved (no permission in its folder, or the disk is full)";
}

int RunEdit(const Settings& settings, CLI::App& app) {
  // The operations in command-line order, each option's values taken one by one.
  std::vector<std::pair<std::string, std::string>> given;
  std::map<const CLI::Option*, std::size_t> taken;
  for (const CLI::Option* option : app.parse_order()) {
    if (std::find(settings.operations.begin(), settings.operations.end(), option) == settings.operations.end())
      continue;
    given.emplace_back(option->get_name(), option->results().at(taken[option]++));
  }
  (void)settings.load.Delimiter();
  // Columns are checked against the table below; here only their form.
  for (const auto& [name, argument] : given) ParseOperation(name, argument, INT32_MAX);

  std::unique_ptr<TCsvDocument> doc;
  if (!LoadDocument(settings.file, settings.load, doc)) return kExitFailed;
  for (const auto& [name, argument] : given) {
    Operation op;
    try {
      op = ParseOperation(name, argument, doc->ColumnCount());
    } catch (const UsageError& e) {
      return Fail(settings.file, "refused " + e.message + "; nothing was written");
    }
    if (!Apply(op, *doc))
      return Fail(settings.file, "refused " + name + " " + argument +
                                     ": no such row, column or cell, a comment row, or fewer edits to undo or redo; "
                                     "nothing was written");
  }

  const std::string target = !settings.out.empty() ? settings.out : settings.file;
  const bool output = target == kStdStream;
  if (output) {
    std::string bytes;
    if (!doc->Encoding().Lossless || !EncodeText(doc->Text(), doc->Encoding(), bytes))
      return Fail(target, SaveFailure(*doc, target), true);
    WriteOut(bytes);
    return kExitOk;
  }
  TSaveResult why;
  if (!SaveDocument(*doc, Utf8ToUtf16(target), settings.load.commentMode, &why))
    return Fail(target, SaveFailure(*doc, target, why));
  return kExitOk;
}

}  // namespace

Command AddEdit(CLI::App& parent) {
  auto settings = std::make_shared<Settings>();
  CLI::App* app = parent.add_subcommand(
      "edit", "Apply the operations in the order given and save FILE in place (or to --out), keeping every byte "
              "they do not touch; when one is refused nothing is written.");
  app->add_option("FILE", settings->file, "the file, or - for standard input (written to standard output)")
      ->required();
  AddLoadOptions(*app, settings->load);
  app->add_option("--out", settings->out, "write the result here instead (- for standard output); an existing file "
                                          "is replaced through a safe save")
      ->type_name("FILE");
  const char* group = "Operations (repeatable, applied in order)";
  const auto add = [&](const char* name, const char* type, const char* help) {
    settings->operations.push_back(app->add_option(name)
                                       ->description(help)
                                       ->type_name(type)
                                       ->group(group)
                                       ->expected(1)
                                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll));
  };
  add("--set", "ROW:COL=VALUE", "set a cell; VALUE is everything after the first =");
  add("--insert-after", "ROW", "insert an empty row after ROW");
  add("--delete-row", "ROW", "delete a row");
  add("--delete-rows", "ROW,ROW,...", "delete these rows, in any order");
  add("--delete-column", "COL", "delete a column");
  add("--undo", "N", "take back the last N edits");
  add("--redo", "N", "do N undone edits again");
  app->footer(
      "ROW counts from 0 over every row of the file (the header and comment rows too), as inspect and view\n"
      "print rows; COL counts from 1, as the grid shows columns.\n"
      "Example:\n"
      "  qelvar-cli edit data.csv --set 2:3=Berlin --delete-row 5");
  CLI::App* self = app;
  return {app, [settings, self]() { return RunEdit(*settings, *self); }};
}

}  // namespace qelvar::cli
