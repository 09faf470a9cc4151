// qelvar-cli inspect: what the loader sees in a file.
#include "cli.h"
#include "document/csv_model.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar::cli {

int RunInspect(Args& args) {
  const auto encoding = args.Option(u"--encoding");
  const auto delimiterText = args.Option(u"--delimiter");
  const char16_t forcedDelimiter = delimiterText ? ParseDelimiter(*delimiterText) : 0;
  const auto files = args.Positionals();
  if (files.size() != 1) throw UsageError{"inspect takes exactly one FILE"};

  std::string bytes;
  std::int64_t size = 0;
  if (platform::ReadWholeFile(files[0], 0, bytes, size) != platform::ReadResult::Ok) {
    WriteErr("qelvar-cli: cannot read " + Utf16ToUtf8(files[0]) + "\n");
    return kExitFailed;
  }
  std::u16string text;
  TCsvEncodingInfo info;
  DecodeText(bytes, encoding.value_or(u""), text, info);
  const char16_t delimiter = forcedDelimiter ? forcedDelimiter : DetectDelimiter(text);

  std::string out = "{\"encoding\": ";
  AppendJsonString(out, info.Name);
  out += ", \"bom\": ";
  out += info.HasBom ? "true" : "false";
  out += ", \"delimiter\": ";
  AppendJsonString(out, std::u16string_view(&delimiter, 1));
  out += "}\n";
  WriteOut(out);
  return kExitOk;
}

}  // namespace qelvar::cli
