// One column filter, prepared once and matched against many cell values.
//
// The forms, tried in this order (F is the whole filter text, R what follows its operator):
//   ""            matches everything
//   "="           the value is empty;  "!=" the value is not empty
//   one character the value contains it (so "!", "<", ">", "~" alone are searched for as text)
//   "~R"          the value contains a match of the regular expression R (grid/filter_regex.h);
//   "!~R"         it contains none (R not empty). An invalid R matches no value and Valid() is false.
//   ">=R" "<=R"   numeric comparison when R and the value are numbers, else ordinal comparison of texts
//   "=R"          the value equals one of R's alternatives, separated by '|' ("=red|green"; an empty
//                 alternative stands for the empty value); an alternative with '*' (any run) or '?' (any
//                 one character) must match the whole value as a wildcard pattern
//   "!=R"         the value equals none of R's alternatives (same rules)
//   "!R"          the value does not contain R
//   "<R" ">R"     numeric when R and the value are numbers (strict), else ordinal comparison of texts
//   "A..B"        F holds ".." exactly once with text on both sides (blanks around A and B ignored): the
//                 value lies between A and B inclusive in the grid's sort order (CompareValues: numbers
//                 as numbers, other texts as sorting compares them), whichever of A and B is smaller
//   anything else the value contains F
// Unless matching respects case, the value and the filter are lower-cased (full Unicode) first and every
// comparison above works on the lower-cased texts, except ranges, which compare exactly as sorting does.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qelvar {

class TFilterRegex;

class TFilterMatcher {
 public:
  TFilterMatcher(std::u16string_view filter, bool caseSensitive);
  ~TFilterMatcher();
  TFilterMatcher(TFilterMatcher&&) noexcept;
  TFilterMatcher& operator=(TFilterMatcher&&) noexcept;

  bool MatchesAll() const { return kind_ == Kind::All; }
  // False only for a regular expression that could not be compiled (the filter then matches nothing).
  bool Valid() const;

  // Does not allocate once the lower-casing buffer has grown to the longest value seen.
  bool Matches(std::u16string_view value);

 private:
  void LowerInto(std::u16string_view value);
  bool MatchesAlternatives(std::u16string_view value) const;

  enum class Kind {
    All, Contains, NotContains, Less, Greater, LessEqual, GreaterEqual, Equal, NotEqual, Empty, NotEmpty,
    Regex, NotRegex, Range
  };

  struct TAlternative {
    std::u16string text;
    bool wildcard = false;
  };

  Kind kind_ = Kind::All;
  bool caseSensitive_ = false;
  bool restIsNumber_ = false;  // the comparisons: the operand is a number
  double restNumber_ = 0;
  std::u16string operand_;  // the text searched or compared, lower-cased unless case-sensitive
  std::vector<TAlternative> alternatives_;  // Equal and NotEqual
  std::unique_ptr<TFilterRegex> regex_;     // Regex and NotRegex
  std::u16string low_, high_;               // Range: the ends as typed, trimmed, low <= high
  bool lowIsNumber_ = false, highIsNumber_ = false;
  double lowNumber_ = 0, highNumber_ = 0;
  std::u16string buffer_;      // the lower-cased value, reused from row to row
  std::u16string lowerTable_;  // lower case of each basic-plane character met, 0 = not yet known
};

// Whether `pattern` matches the whole of `text`: '*' any run of characters (also none), '?' exactly one
// character (a surrogate pair is one), everything else itself. Linear in text length times the number of
// '*'; does not allocate.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view text);

// The filter that keeps exactly the cells holding `value` ("Filter by this value"), and the one that
// drops exactly those ("Exclude this value"), as TFilterMatcher reads them: "=value" / "!=value", or an
// anchored regular expression with every special character escaped when the value holds '|', '*' or '?'.
std::u16string FilterForValue(std::u16string_view value);
std::u16string ExcludeFilterForValue(std::u16string_view value);

}  // namespace qelvar
