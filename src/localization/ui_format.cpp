// Filling the placeholders of UI texts. Translated texts come from files users edit, so a placeholder
// without a value and a lone "%" must never fail: they show nothing and themselves.
#include <charconv>
#include <functional>

#include "localization/localization.h"

namespace qelvar {
namespace {

// `text` with each `%<marker>` replaced by what `appendNext` adds and each "%%" by "%".
std::u16string FillPlaceholders(std::u16string_view text, char16_t marker,
                                const std::function<void(std::u16string&)>& appendNext) {
  std::u16string out;
  out.reserve(text.size() + 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && (text[i + 1] == marker || text[i + 1] == u'%')) {
      if (text[i + 1] == marker) appendNext(out);
      else out += u'%';
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::u16string FormatUiText(std::u16string_view text, std::initializer_list<long long> numbers) {
  auto next = numbers.begin();
  return FillPlaceholders(text, u'd', [&](std::u16string& out) {
    if (next == numbers.end()) return;
    char digits[24]{};
    const auto end = std::to_chars(digits, digits + sizeof digits, *next++).ptr;
    out.append(digits, end);
  });
}

std::u16string FormatUiStrings(std::u16string_view text, std::initializer_list<std::u16string_view> strings) {
  auto next = strings.begin();
  return FillPlaceholders(text, u's', [&](std::u16string& out) {
    if (next != strings.end()) out += *next++;
  });
}

}  // namespace qelvar
