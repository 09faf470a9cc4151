// One column filter, prepared once and matched against many cell values.
//
// The rules: an empty filter matches everything. Unless matching respects case, the value and the filter
// are lower-cased (full Unicode) first and every comparison below works on the lower-cased texts. A filter
// longer than one character that starts with '<' or '>' compares numerically when both the rest and the
// value are numbers (TryParseNumber; strict). Otherwise, for filters longer than one character, the first
// character is an operator on text: '!' the value does not contain the rest, '<' / '>' the value is
// ordinally less / greater than the rest, '=' the value equals the rest. Any other filter (including a
// lone "!", "<", "=" or ">") matches values that contain the whole filter text.
#pragma once

#include <string>
#include <string_view>

namespace qelvar {

class TFilterMatcher {
 public:
  TFilterMatcher(std::u16string_view filter, bool caseSensitive);

  bool MatchesAll() const { return kind_ == Kind::All; }

  // Does not allocate once the lower-casing buffer has grown to the longest value seen.
  bool Matches(std::u16string_view value);

 private:
  void LowerInto(std::u16string_view value);

  enum class Kind { All, Contains, NotContains, Less, Greater, Equal };

  Kind kind_ = Kind::All;
  bool caseSensitive_ = false;
  bool restIsNumber_ = false;  // only for Less and Greater
  double restNumber_ = 0;
  std::u16string operand_;  // the text searched or compared, lower-cased unless case-sensitive
  std::u16string buffer_;   // the lower-cased value, reused from row to row
  std::u16string lowerTable_;  // lower case of each basic-plane character met, 0 = not yet known
};

}  // namespace qelvar
