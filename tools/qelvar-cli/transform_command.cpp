// qelvar-cli transform: applies a saved transformation to a file and exports the result, as the viewer's
// transform panel does with "Load" and "Export CSV".
#include "cli.h"
#include "document/csv_document.h"
#include "load_options.h"
#include "localization/localization.h"
#include "platform/utf.h"
#include "transform/transform.h"

namespace qelvar::cli {

int RunTransform(Args& args) {
  const LoadOptions options = ParseLoadOptions(args);
  const bool headerRow = !args.Flag(u"--no-header");
  const auto config = args.Option(u"--config");
  const auto outPath = args.Option(u"--out");
  const auto files = args.Positionals();
  if (files.size() != 1) throw UsageError{"transform takes exactly one FILE"};
  if (!config) throw UsageError{"transform needs --config T.json"};
  if (!outPath) throw UsageError{"transform needs --out OUT.csv"};

  std::unique_ptr<TCsvDocument> document;
  if (!LoadDocument(files[0], options, document)) return kExitFailed;

  // As in the viewer: the identity transformation of the document, then the file over it (an empty
  // export_delimiter in the file keeps the document's delimiter).
  TTransformConfig transform;
  transform.InitFromDocument(document.get(), headerRow);
  if (!transform.LoadFromFile(*config)) {
    WriteErr(Utf16ToUtf8(UiText(utLoadTransformationFailed)) + "\n");
    return kExitFailed;
  }
  if (!transform.ExportCsv(*outPath, document.get(), headerRow)) {
    WriteErr(Utf16ToUtf8(UiText(utExportTransformationFailed)) + "\n");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace qelvar::cli
