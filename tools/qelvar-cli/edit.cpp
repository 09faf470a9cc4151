// qelvar-cli edit: scripted edits of a file that keep every byte the edits do not touch.
#include "cli.h"
#include "document/csv_model.h"
#include "load_options.h"
#include "localization/localization.h"
#include "platform/utf.h"

namespace qelvar::cli {

namespace {

std::int32_t IndexOf(std::u16string_view text, std::string_view what) {
  return ParseIndex(text, std::string(what) + " needs a 0-based index");
}

}  // namespace

int RunEdit(Args& args) {
  const LoadOptions options = ParseLoadOptions(args);
  const auto operations = args.OrderedOptions({u"--set", u"--insert-after", u"--delete-row", u"--delete-column"});
  const auto files = args.Positionals();
  if (files.size() != 1) throw UsageError{"edit takes exactly one FILE"};

  // Every operation is checked for its form before the file is touched.
  struct Operation {
    std::u16string name;
    std::u16string argument;
    std::int32_t row = 0;
    std::int32_t col = 0;
    std::u16string value;
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
    } else {
      done = doc->DeleteColumn(op.col);
    }
    if (!done) {
      WriteErr("qelvar-cli: refused: " + Utf16ToUtf8(op.name) + " " + Utf16ToUtf8(op.argument) +
               " (no such row, column or cell, or a comment row); nothing was written\n");
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
