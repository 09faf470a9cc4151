// Arbitrary bytes as a filter and a cell value: no crash and no hang, whatever the regular expression, the
// cached automaton (with a cache of its own size and one that every new state clears) finds what the
// state lists find, and the filter made for a value keeps that value and the one excluding it drops it.
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
    TFilterRegex nfa(filter, !caseSensitive), dfa(filter, !caseSensitive), tiny(filter, !caseSensitive);
    nfa.UseEngine(TFilterRegex::Engine::Nfa);
    dfa.UseEngine(TFilterRegex::Engine::Dfa);
    tiny.UseEngine(TFilterRegex::Engine::Dfa, 1);
    const bool found = nfa.Search(value);
    if (dfa.Search(value) != found || tiny.Search(value) != found) std::abort();
    // Again on the warm cache, from the second character on (a different start, the same states).
    const std::u16string_view rest = std::u16string_view(value).substr(value.empty() ? 0 : 1);
    const bool foundInRest = nfa.Search(rest);
    if (dfa.Search(rest) != foundInRest || tiny.Search(rest) != foundInRest) std::abort();
    TFilterMatcher keep(FilterForValue(value), caseSensitive);
    TFilterMatcher drop(ExcludeFilterForValue(value), caseSensitive);
    if (!keep.Matches(value) || drop.Matches(value)) std::abort();
  }
  return 0;
}
