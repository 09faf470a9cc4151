#include "grid/filter_match.h"

#include "grid/grid_values.h"
#include "platform/platform.h"

namespace qelvar {

TFilterMatcher::TFilterMatcher(std::u16string_view filter, bool caseSensitive) : caseSensitive_(caseSensitive) {
  if (filter.empty()) return;
  std::u16string text(filter);
  if (!caseSensitive_) platform::ToLowerInPlace(text);
  kind_ = Kind::Contains;
  if (text.size() > 1) {
    switch (text[0]) {
      case u'!': kind_ = Kind::NotContains; break;
      case u'<': kind_ = Kind::Less; break;
      case u'>': kind_ = Kind::Greater; break;
      case u'=': kind_ = Kind::Equal; break;
      default: break;
    }
  }
  operand_ = kind_ == Kind::Contains ? std::move(text) : text.substr(1);
  if (kind_ == Kind::Less || kind_ == Kind::Greater) restIsNumber_ = TryParseNumber(operand_, restNumber_);
}

bool TFilterMatcher::Matches(std::u16string_view value) {
  if (kind_ == Kind::All) return true;
  if (restIsNumber_) {
    // Lower-casing cannot turn a non-number into a number or change a number's value (it maps only 'E' to
    // 'e' among the characters a number may hold), so the original value is parsed as it is.
    double number = 0;
    if (TryParseNumber(value, number)) return kind_ == Kind::Less ? number < restNumber_ : number > restNumber_;
  }
  std::u16string_view v = value;
  if (!caseSensitive_) {
    buffer_.assign(value);
    platform::ToLowerInPlace(buffer_);
    v = buffer_;
  }
  switch (kind_) {
    case Kind::Contains: return v.find(operand_) != std::u16string_view::npos;
    case Kind::NotContains: return v.find(operand_) == std::u16string_view::npos;
    case Kind::Less: return CompareOrdinal(v, operand_) < 0;
    case Kind::Greater: return CompareOrdinal(v, operand_) > 0;
    case Kind::Equal: return v == operand_;
    case Kind::All: break;
  }
  return true;
}

}  // namespace qelvar
