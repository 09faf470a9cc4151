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

// Lower-cases `value` into the buffer. ASCII is lowered here; other characters of the basic plane through
// a table filled from the system's lower-casing one character at a time (it maps characters one by one
// and keeps the length); surrogate pairs go to the system with the whole text. The result equals
// platform::ToLower(value).
void TFilterMatcher::LowerInto(std::u16string_view value) {
  buffer_.resize(value.size());
  bool pairs = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (c < 0x80) {
      buffer_[i] = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      buffer_[i] = c;
      pairs = true;
    } else {
      if (lowerTable_.empty()) lowerTable_.assign(0x10000, 0);
      char16_t& lower = lowerTable_[c];
      if (lower == 0) {
        std::u16string one(1, c);
        platform::ToLowerInPlace(one);
        lower = one[0];
      }
      buffer_[i] = lower;
    }
  }
  if (pairs) {
    buffer_.assign(value);
    platform::ToLowerInPlace(buffer_);
  }
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
    LowerInto(value);
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
