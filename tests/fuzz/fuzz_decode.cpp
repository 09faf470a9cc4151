// Arbitrary bytes through encoding detection, decoding and delimiter/comment detection: no crash, no
// hang, and the detected names and delimiters are always among the allowed ones.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/csv_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static constexpr std::u16string_view kForced[] = {u"", u"UTF-8", u"utf-16le", u"UTF-16BE", u"ANSI"};
  const std::u16string_view forced = kForced[size % 5];
  std::u16string text;
  TCsvEncodingInfo info;
  bool lossless = false;
  DecodeText(bytes, forced, text, info, &lossless);
  if (info.Name != u"UTF-8" && info.Name != u"UTF-16LE" && info.Name != u"UTF-16BE" && info.Name != u"ANSI")
    std::abort();
  const char16_t d = DetectDelimiter(text);
  bool known = false;
  for (char16_t c : kDelimiterCandidates) known = known || c == d;
  if (!known) std::abort();
  for (std::size_t pos = 0; pos <= text.size() + 1; pos += 1 + text.size() / 16) (void)IsCommentLine(text, pos);
  return 0;
}
