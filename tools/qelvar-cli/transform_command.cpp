// qelvar-cli transform: applies a saved transformation to a file and exports the result, as the viewer's
// transform panel does with "Load" and "Export CSV".
#include <CLI/CLI.hpp>

#include <memory>

#include "cli.h"
#include "document/csv_document.h"
#include "load_options.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "transform/transform.h"

namespace qelvar::cli {

namespace {

struct Settings {
  std::string file;
  std::string config;
  std::string out;
  LoadOptions load;
  bool noHeader = false;
};

std::string ExportFailure(const std::string& target) {
  const std::u16string path = Utf8ToUtf16(target);
  if (platform::FolderExists(path)) return "is a folder, not a file";
  if (platform::IsReadOnlyFile(path)) return "is read-only";
  const std::u16string folder = platform::FolderOf(path);
  if (!folder.empty() && !platform::FolderExists(folder)) return "its folder does not exist";
  return "could not be written (no permission in its folder, or the disk is full)";
}

std::string Joined(const std::vector<std::u16string>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "\"" : ", \"") + Utf16ToUtf8(name) + "\"";
  return text;
}

int RunTransform(const Settings& settings) {
  (void)settings.load.Delimiter();
  std::unique_ptr<TCsvDocument> document;
  if (!LoadDocument(settings.file, settings.load, document)) return kExitFailed;

  // As in the viewer: the identity transformation of the document, then the file over it (an empty
  // export_delimiter in the file keeps the document's delimiter).
  const bool headerRow = !settings.noHeader;
  TTransformConfig transform;
  transform.InitFromDocument(document.get(), headerRow);
  const std::vector<std::u16string> headers = transform.InitialHeaders;
  if (const std::string reason = OpenFailure(settings.config); !reason.empty()) return Fail(settings.config, reason);
  if (!transform.LoadFromFile(Utf8ToUtf16(settings.config)))
    return Fail(settings.config, "is no transformation file (JSON with the nine members the panel saves, at least "
                                 "one output column, at most 8 MB), or it could not be read");
  // The recipe feeds its columns by name, so that a file whose columns stand in another order gets the
  // same output; a file that lacks one gets none.
  if (const auto missing = transform.MapSourcesByName(headers); !missing.empty())
    return Fail(settings.file, "lacks the column" + std::string(missing.size() > 1 ? "s " : " ") + Joined(missing) +
                                   " that " + DisplayName(settings.config) + " reads; nothing was written");

  if (settings.out == kStdStream) {
    WriteOut(transform.ExportText(document.get(), headerRow));
    return kExitOk;
  }
  if (!transform.ExportCsv(Utf8ToUtf16(settings.out), document.get(), headerRow))
    return Fail(settings.out, ExportFailure(settings.out), true);
  return kExitOk;
}

}  // namespace

Command AddTransform(CLI::App& parent) {
  auto settings = std::make_shared<Settings>();
  CLI::App* app = parent.add_subcommand(
      "transform", "Apply a transformation saved by the viewer's transform panel to FILE and write the result as "
                   "CSV (UTF-8, CR LF). Source columns are found by name, in any order.");
  app->add_option("FILE", settings->file, "the file, or - for standard input")->required();
  app->add_option("--config", settings->config, "the saved transformation")->type_name("T.json")->required();
  app->add_option("--out", settings->out, "the CSV to write (- for standard output); an existing file is replaced "
                                          "through a safe save")
      ->type_name("OUT.csv")
      ->required();
  AddLoadOptions(*app, settings->load);
  app->add_flag("--no-header", settings->noHeader, "the first row is data (columns are named Column 1, 2, ...)");
  app->footer(
      "Example:\n"
      "  qelvar-cli transform march.csv --config monthly.json --out march-report.csv");
  return {app, [settings]() { return RunTransform(*settings); }};
}

}  // namespace qelvar::cli
