// The filter forms one by one, on single values: comparisons, alternatives, empty cells, wildcards,
// regular expressions and ranges, with case on and off, and the filters built from a cell's value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/filter_match.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

struct Case {
  const char* filter;
  bool caseSensitive;
  std::vector<const char*> keeps;
  std::vector<const char*> drops;
};

void Check(const Case& c) {
  TFilterMatcher matcher(Utf8ToUtf16(c.filter), c.caseSensitive);
  EXPECT_TRUE(matcher.Valid()) << c.filter;
  const char* note = c.caseSensitive ? " (case)" : "";
  for (const char* v : c.keeps) EXPECT_TRUE(matcher.Matches(Utf8ToUtf16(v))) << c.filter << note << " keeps " << v;
  for (const char* v : c.drops) EXPECT_FALSE(matcher.Matches(Utf8ToUtf16(v))) << c.filter << note << " drops " << v;
}

TEST(FilterForms, ComparisonsEmptyAndAlternatives) {
  const Case cases[] = {
      {">=5", false, {"5", "5.0", "6", " 1e1 ", "x"}, {"4.99", "-5", ""}},  // "x" >= "5" as text
      {"<=5", false, {"5", "-7", "", "4.5"}, {"5.01", "abc"}},
      {"<=b", false, {"a", "b", "B", ""}, {"ba", "c"}},
      {"<=b", true, {"a", "b", "B"}, {"ba", "c"}},  // ordinal: "B" < "b"
      {">=", false, {"", "a", "5"}, {}},            // an empty operand: everything is >= ""
      {"=", false, {""}, {" ", "a", "="}},
      {"!=", false, {" ", "a", "="}, {""}},
      {"=red|green|blue", false, {"red", "GREEN", "blue"}, {"re", "red|green|blue", "", "redgreen"}},
      {"=red|Green", true, {"red", "Green"}, {"green", "Red"}},
      {"=red|", false, {"red", ""}, {"blue"}},  // an empty alternative is the empty cell
      {"!=red|green", false, {"blue", "", "reds"}, {"red", "Green"}},
      {"!=5", false, {"5.0", "55", ""}, {"5"}},  // equality is of texts, as "=5" is
      {"!=x", true, {"X", "=x"}, {"x"}},
      {"= 42 ", false, {" 42 "}, {"42"}},
      {"==x", false, {"=x"}, {"x"}},
  };
  for (const auto& c : cases) Check(c);
}

// Filters that mean what they meant before the richer forms.
TEST(FilterForms, EarlierFormsKeepTheirMeaning) {
  const Case cases[] = {
      {"!x", false, {"a", ""}, {"x", "aXb"}},
      {"<10", false, {"9.5", ""}, {"10", "abc"}},
      {">b", false, {"c", "ba"}, {"a", "b"}},
      {"=Abc", false, {"abc", "ABC"}, {"abcd"}},
      {"=Abc", true, {"Abc"}, {"abc"}},
      {"!", false, {"x!y"}, {"xy"}},
      {"~", false, {"a~b"}, {"ab"}},
      {"!~", false, {"ab"}, {"a~b"}},  // no pattern: "!" and the text "~"
      {"<", false, {"a<b"}, {"ab"}},
      {"...", false, {"wait..."}, {"wait"}},  // ".." twice: text, not a range
      {"a..", false, {"a.."}, {"a"}},         // nothing after "..": text
      {"a*b", false, {"xa*by"}, {"ab", "axb"}},  // wildcards only after "="
      {"what?", false, {"so what?"}, {"whats"}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(FilterForms, Wildcards) {
  const Case cases[] = {
      {"=*.csv", false, {"a.csv", ".CSV", "x.y.csv"}, {"a.csvx", "a_csv", "csv"}},
      {"=a?c", false, {"abc", "a?c", "A\xF0\x9F\x98\x80" "c"}, {"ac", "abbc"}},  // '?' is one character
      {"=*", false, {"", "anything"}, {}},
      {"=?*", false, {"a"}, {""}},
      {"=a*b*c", false, {"abc", "aXbYc", "abbbc", "acbc"}, {"acb", "ab"}},
      {"=*mid*", false, {"mid", "amidb"}, {"mi d"}},
      {"=A*", true, {"Abc"}, {"abc"}},
      {"=*.csv|*.tsv", false, {"a.tsv", "b.csv"}, {"c.tab"}},
      {"!=*.csv", false, {"a.tsv", ""}, {"b.CSV"}},
  };
  for (const auto& c : cases) Check(c);
}

TEST(FilterForms, Ranges) {
  const Case cases[] = {
      {"10..20", false, {"10", "15.5", "20", " 1.2e1 "}, {"9.99", "20.01", "", "abc", "-15"}},
      {"20..10", false, {"10", "20", "15"}, {"9", "21"}},  // ends in either order
      {"-5 .. 5", false, {"-5", "0", "5"}, {"-6", "6"}},
      {"1.5..2.5", false, {"1.5", "2"}, {"1.4", "3"}},
      {"b..d", false, {"b", "c", "Cat", "d", "B"}, {"a", "da", "e", ""}},  // the sort order: case ignored
      {"file2..file10", false, {"file2", "file7", "file10"}, {"file1", "file11"}},  // digits as numbers
      {"10..abc", false, {"10", "50x", "ab"}, {"9", "5x", "abd"}},  // one end not a number: texts in sort order
  };
  for (const auto& c : cases) Check(c);
}

TEST(FilterForms, RegularExpressions) {
  const Case cases[] = {
      {"~^a.c$", false, {"abc", "AXC"}, {"abcd", "ac"}},
      {"~^A", true, {"Abc"}, {"abc"}},
      {"~\\d{3}-\\d{4}", false, {"call 555-1234 now"}, {"55-1234"}},
      {"~colou?r", false, {"Colour", "color"}, {"colr"}},
      {"~^(red|green)$", false, {"Red", "green"}, {"reds"}},
      {"~[A-Z]{2}", false, {"ab", "XY"}, {"a1"}},  // without case a class also holds its lowered range
      {"~[A-Z]{2}", true, {"XY"}, {"ab"}},
      {"~\\bM\xC3\xBCller\\b", false, {"Hans M\xC3\xBCller", "m\xC3\x9CLLER"}, {"M\xC3\xBCllerin"}},
      {"~\\W", false, {"a b", "a-b"}, {"ab\xC3\xBC"}},
      {"!~^\\s*$", false, {"a", " x "}, {"", "  "}},
  };
  for (const auto& c : cases) Check(c);

  for (const char* bad : {"~(", "~a)", "~[a", "~*a", "~a**", "~\\1", "~(?=a)", "~a{2,1}", "~[z-a]", "~\\"}) {
    TFilterMatcher matcher(Utf8ToUtf16(bad), false);
    EXPECT_FALSE(matcher.Valid()) << bad;
    EXPECT_FALSE(matcher.Matches(u"")) << bad;  // matches nothing, negated or not
    TFilterMatcher negated(u"!" + Utf8ToUtf16(bad), false);
    EXPECT_FALSE(negated.Matches(u"a")) << bad;
  }
}

// "Filter by this value" and "Exclude this value" keep or drop exactly the cells that hold the value,
// whatever characters it holds.
TEST(FilterForms, FiltersForAValueMatchExactlyThatValue) {
  const char* values[] = {"", "Paris", "a|b", "*", "a?", "=x", "!x", "~x", "<5", "10..20", "x\\y.[z]$", ">=3",
                          "line\nbreak", "\xF0\x9F\x98\x80"};
  for (const bool caseSensitive : {false, true}) {
    for (const char* value : values) {
      const std::u16string v = Utf8ToUtf16(value);
      TFilterMatcher keep(FilterForValue(v), caseSensitive);
      TFilterMatcher drop(ExcludeFilterForValue(v), caseSensitive);
      for (const char* other : values) {
        const std::u16string o = Utf8ToUtf16(other);
        EXPECT_EQ(keep.Matches(o), o == v) << "keep " << value << " on " << other;
        EXPECT_EQ(drop.Matches(o), o != v) << "drop " << value << " on " << other;
      }
    }
  }
}

}  // namespace
}  // namespace qelvar
