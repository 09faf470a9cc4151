// Arbitrary bytes as a filter and a cell value: no crash and no hang, whatever the regular expression, and
// the filter made for a value keeps that value and the one excluding it drops it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grid/filter_match.h"
#include "grid/filter_regex.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = bytes.find('\n');
  const std::u16string filter = Utf8ToUtf16(bytes.substr(0, cut));
  const std::u16string value = cut == std::string_view::npos ? std::u16string() : Utf8ToUtf16(bytes.substr(cut + 1));
  for (const bool caseSensitive : {false, true}) {
    TFilterMatcher matcher(filter, caseSensitive);
    (void)matcher.Matches(value);
    TFilterRegex regex(filter, !caseSensitive);
    (void)regex.Search(value);
    TFilterMatcher keep(FilterForValue(value), caseSensitive);
    TFilterMatcher drop(ExcludeFilterForValue(value), caseSensitive);
    if (!keep.Matches(value) || drop.Matches(value)) std::abort();
  }
  return 0;
}
