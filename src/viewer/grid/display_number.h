// The number forms the grid aligns on their decimal separator. These are display forms only and are
// independent of the grid model's number recognition (which decides filters and sorting).
#pragma once

#include <string_view>

namespace qelvar {

struct TDisplayNumber {
  // The text without its surrounding blanks (characters up to and including space).
  std::u16string_view Trimmed;
  // For a decimal: sign and digits before the separator; for an integer: the whole trimmed text.
  std::u16string_view IntegerPart;
  // For a decimal: the separator ('.' or ',') and the digits after it; empty for an integer.
  char16_t Separator = 0;
  std::u16string_view Fraction;
  bool IsDecimal = false;
};

namespace detail {
constexpr bool IsAsciiDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
}  // namespace detail

// True when `text` is an integer (optional sign, one or more ASCII digits) or a decimal (optional sign,
// digits, exactly one '.' or ',' with at least one digit on each side); `number` then describes it.
// "1.2.3", ".5", "5.", "-.5" and "1e5" are not numbers. Does not allocate; `number` views `text`.
constexpr bool ParseDisplayNumber(std::u16string_view text, TDisplayNumber& number) noexcept {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  const std::u16string_view trimmed = text.substr(first, last - first);
  if (trimmed.empty()) return false;

  std::size_t i = (trimmed[0] == u'+' || trimmed[0] == u'-') ? 1 : 0;
  const std::size_t digitsStart = i;
  while (i < trimmed.size() && detail::IsAsciiDigit(trimmed[i])) ++i;
  const std::size_t integerDigits = i - digitsStart;
  if (i == trimmed.size()) {
    if (integerDigits == 0) return false;
    number = TDisplayNumber{trimmed, trimmed, 0, {}, false};
    return true;
  }
  if (integerDigits == 0 || (trimmed[i] != u'.' && trimmed[i] != u',')) return false;
  const std::size_t separator = i++;
  const std::size_t fractionStart = i;
  while (i < trimmed.size() && detail::IsAsciiDigit(trimmed[i])) ++i;
  if (i != trimmed.size() || i == fractionStart) return false;
  number = TDisplayNumber{trimmed, trimmed.substr(0, separator), trimmed[separator],
                          trimmed.substr(fractionStart), true};
  return true;
}

}  // namespace qelvar
