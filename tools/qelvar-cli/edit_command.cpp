// qelvar-cli edit: scripted edits of a file that keep every byte the edits do not touch.
#include "cli.h"
#include "document/csv_document.h"
#include "load_options.h"
#include "localization/localization.h"
#include "platform/utf.h"

namespace qelvar::cli {

namespace {

std::int32_t IndexOf(std::u16string_view text, std::string_view what) {
  return ParseIndex(text, std::string(what) + " needs a 0-based index");
}

// "3,1,7": the rows of --delete-rows, in any order.
std::vector<std::int32_t> ParseIndexList(std::u16string_view text) {
  std::vector<std::int32_t> indexes;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(u',', start);
    indexes.push_back(IndexOf(text.substr(start, comma == std::u16string_view::npos ? comma : comma - start),
                              "--delete-rows"));
    if (comma == std::u16string_view::npos) return indexes;
    start = comma + 1;
  }
}

bool Repeat(std::int32_t times, TCsvDocument& doc, TCsvUndoResult (TCsvDocument::*step)()) {
  for (std::int32_t k = 0; k < times; ++k)
    if (!(doc.*step)().Done) return false;
  return true;
}

}  // namespace

int RunEdit(Args& args) {
  const LoadOptions options = ParseLoadOptions(args);
  const auto operations = args.OrderedOptions(
      {u"--set", u"--insert-after", u"--delete-row", u"--delete-rows", u"--delete-column", u"--undo", u"--redo"});
  const auto files = args.Positionals();
  if (files.size() != 1) throw UsageError{"edit takes exactly one FILE"};

  // Every operation is checked for its form before the file is touched.
  struct Operation {
    std::u16string name;
    std::u16string argument;
    std::int32_t row = 0;
    std::int32_t col = 0;
    std::u16string value;
    std::vector<std::int32_t> rows;
  };
  std::vector<Operation> ops;
  for (const auto& [name, argument] : operations) {
    Operation op;
    op.name = name;
    op.argument = argument;
    if (name == u"--set") {
      const std::size_t equals = argument.find(u'=');
      const std::size_t colon = argument.find(u':');
      if (equals == std::u16string::npos || colon == std::u16string::npos || colon > equals)
        throw UsageError{"--set takes ROW:COL=VALUE"};
      op.row = IndexOf(std::u16string_view(argument).substr(0, colon), "--set");
      op.col = IndexOf(std::u16string_view(argument).substr(colon + 1, equals - colon - 1), "--set");
      op.value = argument.substr(equals + 1);
    } else if (name == u"--delete-column") {
      op.col = IndexOf(argument, "--delete-column");
    } else if (name == u"--delete-rows") {
      op.rows = ParseIndexList(argument);
    } else if (name == u"--undo" || name == u"--redo") {
      op.row = ParseIndex(argument, Utf16ToUtf8(name) + " needs a count of edits");
    } else {
      op.row = IndexOf(argument, Utf16ToUtf8(name));
    }
    ops.push_back(std::move(op));
  }

  std::unique_ptr<TCsvDocument> doc;
  if (!LoadDocument(files[0], options, doc)) return kExitFailed;
  for (const Operation& op : ops) {
    bool done = false;
    if (op.name == u"--set") {
      done = doc->SetCell(op.row, op.col, op.value);
    } else if (op.name == u"--insert-after") {
      done = doc->InsertRowAfter(op.row);
    } else if (op.name == u"--delete-row") {
      done = doc->DeleteRow(op.row);
    } else if (op.name == u"--delete-rows") {
      done = doc->DeleteRows(op.rows) > 0;
    } else if (op.name == u"--undo") {
      done = Repeat(op.row, *doc, &TCsvDocument::Undo);
    } else if (op.name == u"--redo") {
      done = Repeat(op.row, *doc, &TCsvDocument::Redo);
    } else {
      done = doc->DeleteColumn(op.col);
    }
    if (!done) {
      WriteErr("qelvar-cli: refused: " + Utf16ToUtf8(op.name) + " " + Utf16ToUtf8(op.argument) +
               " (no such row, column or cell, a comment row, or fewer edits to undo or redo); nothing was "
               "written\n");
      return kExitFailed;
    }
  }
  if (!SaveDocument(*doc, files[0], options.commentMode)) {
    WriteErr(Utf16ToUtf8(UiText(utFileSaveFailed)) + "\n");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace qelvar::cli
