#include "load_options.h"

#include "localization/localization.h"
#include "platform/utf.h"

namespace qelvar::cli {

LoadOptions ParseLoadOptions(Args& args) {
  LoadOptions options;
  if (auto encoding = args.Option(u"--encoding")) {
    static constexpr std::u16string_view kNames[] = {kEncodingUtf8, kEncodingUtf16Le, kEncodingUtf16Be, kEncodingAnsi};
    bool known = false;
    for (auto name : kNames) known = known || EqualsIgnoreAsciiCase(*encoding, name);
    if (!known) throw UsageError{"an encoding is one of: UTF-8, UTF-16LE, UTF-16BE, ANSI"};
    options.encoding = *encoding;
  }
  if (auto delimiter = args.Option(u"--delimiter")) options.delimiter = ParseDelimiter(*delimiter);
  if (auto comments = args.Integer(u"--comments")) {
    if (*comments > 3) throw UsageError{"--comments takes 0, 1, 2 or 3"};
    options.commentMode = static_cast<int>(*comments);
  }
  options.trimValues = !args.Flag(u"--no-trim");
  if (auto maxSize = args.Integer(u"--max-size")) options.maxSize = *maxSize;
  if (auto samples = args.Integer(u"--samples")) options.samples = *samples;
  return options;
}

bool LoadDocument(const std::u16string& file, const LoadOptions& options, std::unique_ptr<TCsvDocument>& document) {
  TLoadFailure failure;
  if (LoadFromFile(file, options.maxSize, options.delimiter, options.commentMode, options.encoding, document,
                   options.trimValues, options.samples, &failure))
    return true;
  WriteErr(Utf16ToUtf8(failure.TooLarge ? FileTooLargeMessage(failure.FileSize, failure.Limit)
                                        : UiText(utFileLoadFailed)) +
           "\n");
  return false;
}

}  // namespace qelvar::cli
