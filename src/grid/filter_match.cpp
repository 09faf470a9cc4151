#include "grid/filter_match.h"

#include <utility>

#include "grid/filter_regex.h"
#include "grid/grid_values.h"
#include "platform/platform.h"

namespace qelvar {
namespace {

bool IsBlank(char16_t c) { return c < 33; }

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool HasWildcard(std::u16string_view s) { return s.find_first_of(u"*?") != std::u16string_view::npos; }

std::size_t UnitsOfCharacterAt(std::u16string_view s, std::size_t i) {
  return (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ? 2 : 1;
}

// The sort order's comparison of a value with a range end whose number-ness is known, without parsing
// the end again for every row.
int CompareWithEnd(std::u16string_view value, bool valueIsNumber, double valueNumber, std::u16string_view end,
                   bool endIsNumber, double endNumber) {
  if (valueIsNumber && endIsNumber) return valueNumber < endNumber ? -1 : (valueNumber > endNumber ? 1 : 0);
  if (const auto r = platform::CompareTextLocale(value, end)) return *r < 0 ? -1 : (*r > 0 ? 1 : 0);
  return CompareOrdinal(value, end);
}

// "A..B" with ".." once and text on both sides; false for everything else ("...", "a..", "x..y..z").
bool SplitRange(std::u16string_view filter, std::u16string_view& low, std::u16string_view& high) {
  const std::size_t dots = filter.find(u"..");
  if (dots == std::u16string_view::npos || filter.find(u"..", dots + 1) != std::u16string_view::npos) return false;
  low = TrimBlanks(filter.substr(0, dots));
  high = TrimBlanks(filter.substr(dots + 2));
  return !low.empty() && !high.empty();
}

}  // namespace

bool WildcardMatch(std::u16string_view pattern, std::u16string_view text) {
  // Greedy with one remembered star: on a mismatch the last '*' takes one more character. Enough for
  // wildcards (no other operator can need an earlier star to give characters back).
  std::size_t p = 0, t = 0;
  std::size_t starP = std::u16string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == u'?') {
      ++p;
      t += UnitsOfCharacterAt(text, t);
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p, ++t;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      starT += UnitsOfCharacterAt(text, starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

TFilterMatcher::TFilterMatcher(std::u16string_view filter, bool caseSensitive) : caseSensitive_(caseSensitive) {
  if (filter.empty()) return;
  if (filter == u"=") {
    kind_ = Kind::Empty;
    return;
  }
  if (filter == u"!=") {
    kind_ = Kind::NotEmpty;
    return;
  }
  if (filter.size() > 1 && filter[0] == u'~') {
    kind_ = Kind::Regex;
    regex_ = std::make_unique<TFilterRegex>(filter.substr(1), !caseSensitive_);
    return;
  }
  if (filter.size() > 2 && StartsWith(filter, u"!~")) {
    kind_ = Kind::NotRegex;
    regex_ = std::make_unique<TFilterRegex>(filter.substr(2), !caseSensitive_);
    return;
  }

  std::u16string text(filter);
  if (!caseSensitive_) platform::ToLowerInPlace(text);
  std::size_t operatorLength = 0;
  kind_ = Kind::Contains;
  if (text.size() > 1) {
    if (StartsWith(text, u">=")) {
      kind_ = Kind::GreaterEqual, operatorLength = 2;
    } else if (StartsWith(text, u"<=")) {
      kind_ = Kind::LessEqual, operatorLength = 2;
    } else if (StartsWith(text, u"!=")) {
      kind_ = Kind::NotEqual, operatorLength = 2;
    } else {
      operatorLength = 1;
      switch (text[0]) {
        case u'!': kind_ = Kind::NotContains; break;
        case u'<': kind_ = Kind::Less; break;
        case u'>': kind_ = Kind::Greater; break;
        case u'=': kind_ = Kind::Equal; break;
        default: operatorLength = 0; break;
      }
    }
  }
  std::u16string_view low, high;
  if (kind_ == Kind::Contains && SplitRange(filter, low, high)) {
    kind_ = Kind::Range;
    lowIsNumber_ = TryParseNumber(low, lowNumber_);
    highIsNumber_ = TryParseNumber(high, highNumber_);
    // Ends typed the other way round ("20..10") mean the same range.
    if (CompareWithEnd(low, lowIsNumber_, lowNumber_, high, highIsNumber_, highNumber_) > 0) {
      std::swap(low, high);
      std::swap(lowIsNumber_, highIsNumber_);
      std::swap(lowNumber_, highNumber_);
    }
    low_ = std::u16string(low);
    high_ = std::u16string(high);
    return;
  }
  operand_ = text.substr(operatorLength);
  if (kind_ == Kind::Equal || kind_ == Kind::NotEqual) {
    std::u16string_view rest = operand_;
    for (;;) {
      const std::size_t bar = rest.find(u'|');
      const std::u16string_view one = rest.substr(0, bar);
      alternatives_.push_back({std::u16string(one), HasWildcard(one)});
      if (bar == std::u16string_view::npos) break;
      rest.remove_prefix(bar + 1);
    }
  }
  if (kind_ == Kind::Less || kind_ == Kind::Greater || kind_ == Kind::LessEqual || kind_ == Kind::GreaterEqual)
    restIsNumber_ = TryParseNumber(operand_, restNumber_);
}

TFilterMatcher::~TFilterMatcher() = default;
TFilterMatcher::TFilterMatcher(TFilterMatcher&&) noexcept = default;
TFilterMatcher& TFilterMatcher::operator=(TFilterMatcher&&) noexcept = default;

bool TFilterMatcher::Valid() const { return !regex_ || regex_->Valid(); }

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

bool TFilterMatcher::MatchesAlternatives(std::u16string_view value) const {
  for (const auto& alternative : alternatives_)
    if (alternative.wildcard ? WildcardMatch(alternative.text, value) : value == alternative.text) return true;
  return false;
}

bool TFilterMatcher::Matches(std::u16string_view value) {
  switch (kind_) {
    case Kind::All: return true;
    case Kind::Empty: return value.empty();
    case Kind::NotEmpty: return !value.empty();
    case Kind::Range: {
      double number = 0;
      const bool isNumber = TryParseNumber(value, number);
      return CompareWithEnd(value, isNumber, number, low_, lowIsNumber_, lowNumber_) >= 0 &&
             CompareWithEnd(value, isNumber, number, high_, highIsNumber_, highNumber_) <= 0;
    }
    default: break;
  }
  if (restIsNumber_) {
    // Lower-casing cannot turn a non-number into a number or change a number's value (it maps only 'E' to
    // 'e' among the characters a number may hold), so the original value is parsed as it is.
    double number = 0;
    if (TryParseNumber(value, number)) {
      switch (kind_) {
        case Kind::Less: return number < restNumber_;
        case Kind::Greater: return number > restNumber_;
        case Kind::LessEqual: return number <= restNumber_;
        case Kind::GreaterEqual: return number >= restNumber_;
        default: break;
      }
    }
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
    case Kind::LessEqual: return CompareOrdinal(v, operand_) <= 0;
    case Kind::GreaterEqual: return CompareOrdinal(v, operand_) >= 0;
    case Kind::Equal: return MatchesAlternatives(v);
    case Kind::NotEqual: return !MatchesAlternatives(v);
    case Kind::Regex: return regex_->Search(v);
    case Kind::NotRegex: return regex_->Valid() && !regex_->Search(v);
    default: break;
  }
  return true;
}

namespace {

// "~^...$" with every character a regular expression gives a meaning escaped.
std::u16string AnchoredLiteral(std::u16string_view value) {
  std::u16string out = u"^";
  for (const char16_t c : value) {
    if (std::u16string_view(u"\\^$.|?*+()[]{}").find(c) != std::u16string_view::npos) out += u'\\';
    out += c;
  }
  out += u'$';
  return out;
}

bool NeedsRegex(std::u16string_view value) { return value.find_first_of(u"|*?") != std::u16string_view::npos; }

}  // namespace

std::u16string FilterForValue(std::u16string_view value) {
  return NeedsRegex(value) ? u"~" + AnchoredLiteral(value) : u"=" + std::u16string(value);
}

std::u16string ExcludeFilterForValue(std::u16string_view value) {
  return NeedsRegex(value) ? u"!~" + AnchoredLiteral(value) : u"!=" + std::u16string(value);
}

}  // namespace qelvar
