// The viewer's pure text rules: matching inside a cell for the host's search, and the number forms that
// the grid aligns on their decimal separator.
#include <gtest/gtest.h>

#include <string>

#include "viewer/grid/display_number.h"
#include "viewer/grid/text_search.h"
#include "viewer/grid/width_rules.h"

namespace qelvar {
namespace {

TEST(ViewerTextSearch, WordCharactersAreLettersDigitsUnderscoreAndEverythingAbove127) {
  for (int c = 0; c < 200; ++c) {
    const bool expected = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
                          c >= 128;
    EXPECT_EQ(IsWordChar(static_cast<char16_t>(c)), expected) << c;
  }
  EXPECT_TRUE(IsWordChar(u'\u0416'));
  EXPECT_TRUE(IsWordChar(u'\uFFFF'));
}

TEST(ViewerTextSearch, FindInText) {
  struct Case {
    std::u16string text, pattern;
    int start;
    bool matchCase, wholeWords;
    int expected;
  };
  const Case cases[] = {
      {u"hello", u"ll", 1, false, false, 3},
      {u"hello", u"LL", 1, false, false, 3},
      {u"hello", u"LL", 1, true, false, 0},
      {u"hello", u"l", 4, false, false, 4},
      {u"hello", u"l", 5, false, false, 0},
      {u"hello", u"h", 0, false, false, 1},    // below 1 counts as 1
      {u"hello", u"h", -5, false, false, 1},
      {u"hello", u"o", 6, false, false, 0},    // past the end
      {u"hello", u"o", 99, false, false, 0},
      {u"", u"a", 1, false, false, 0},
      {u"abc", u"", 1, false, false, 0},
      {u"abcd", u"abcde", 1, false, false, 0},
      // whole words
      {u"ab", u"ab", 1, false, true, 1},
      {u"cab", u"ab", 1, false, true, 0},
      {u"ab_", u"ab", 1, false, true, 0},
      {u"ab-", u"ab", 1, false, true, 1},
      {u"x ab", u"ab", 1, false, true, 3},
      {u"abab ab", u"ab", 1, false, true, 6},  // the first two are inside a word
      {u"ab1 ab", u"ab", 1, false, true, 5},
      {u"\u00E9ab ab", u"ab", 1, false, true, 5},  // letters above 127 count as word characters
      {u"(ab)", u"ab", 1, false, true, 2},
      {u"AB ab", u"ab", 1, true, true, 4},
      {u"\u0416\u0416 \u0436", u"\u0436", 1, false, true, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    EXPECT_EQ(FindInText(c.text, c.pattern, c.start, c.matchCase, c.wholeWords), c.expected);
  }
}

TEST(ViewerTextSearch, FindLastInText) {
  struct Case {
    std::u16string text, pattern;
    int limit;
    bool matchCase, wholeWords;
    int expected;
  };
  const Case cases[] = {
      {u"ab ab ab", u"ab", 0, false, false, 7},  // 0: anywhere
      {u"ab ab ab", u"ab", -1, false, false, 7},
      {u"ab ab ab", u"ab", 2147483647, false, false, 7},
      {u"ab ab ab", u"ab", 7, false, false, 4},  // strictly before the limit
      {u"ab ab ab", u"ab", 4, false, false, 1},
      {u"ab ab ab", u"ab", 1, false, false, 0},
      {u"aaa", u"aa", 0, false, false, 2},       // overlapping matches are found
      {u"AB ab", u"AB", 0, false, false, 4},
      {u"AB ab", u"AB", 0, true, false, 1},
      {u"ab cab ab_", u"ab", 0, false, true, 1},
      {u"", u"ab", 0, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()) + " limit " + std::to_string(c.limit));
    EXPECT_EQ(FindLastInText(c.text, c.pattern, c.limit, c.matchCase, c.wholeWords), c.expected);
  }
}

TEST(ViewerDisplayNumber, Forms) {
  struct Case {
    std::u16string text;
    bool number;
    bool decimal;
    std::u16string integerPart;
    char16_t separator;
    std::u16string fraction;
  };
  const Case cases[] = {
      {u"300", true, false, u"300", 0, u""},
      {u"-7", true, false, u"-7", 0, u""},
      {u"+42", true, false, u"+42", 0, u""},
      {u"  12 \t", true, false, u"12", 0, u""},
      {u"1.5", true, true, u"1", u'.', u"5"},
      {u"10,25", true, true, u"10", u',', u"25"},
      {u"-0.125", true, true, u"-0", u'.', u"125"},
      {u" +3,0 ", true, true, u"+3", u',', u"0"},
      {u"1.2.3", false, false, u"", 0, u""},
      {u"1.2,3", false, false, u"", 0, u""},
      {u".5", false, false, u"", 0, u""},
      {u"-.5", false, false, u"", 0, u""},
      {u"5.", false, false, u"", 0, u""},
      {u"-", false, false, u"", 0, u""},
      {u"+", false, false, u"", 0, u""},
      {u"", false, false, u"", 0, u""},
      {u"   ", false, false, u"", 0, u""},
      {u"1e5", false, false, u"", 0, u""},
      {u"1 000", false, false, u"", 0, u""},
      {u"--1", false, false, u"", 0, u""},
      {u"1-", false, false, u"", 0, u""},
      {u"12a", false, false, u"", 0, u""},
      {u"1.5x", false, false, u"", 0, u""},
      {u"\uFF11", false, false, u"", 0, u""},  // a full-width digit is not an ASCII digit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    TDisplayNumber number;
    ASSERT_EQ(ParseDisplayNumber(c.text, number), c.number);
    if (!c.number) continue;
    EXPECT_EQ(number.IsDecimal, c.decimal);
    EXPECT_EQ(std::u16string(number.IntegerPart), c.integerPart);
    EXPECT_EQ(number.Separator, c.separator);
    EXPECT_EQ(std::u16string(number.Fraction), c.fraction);
  }
}

TEST(ViewerColumnWidth, TheCapCutsWideColumnsButNotALoneColumnOrTheSecondOfTwo) {
  struct Case {
    const char* what;
    int measured, cap, listColumns, lineNumberColumns, dataColumn;
    int expected;
  };
  const Case cases[] = {
      {"narrow", 100, 300, 3, 0, 0, 100},
      {"below the padding", 5, 300, 3, 0, 0, 24},
      {"wide", 500, 300, 3, 0, 1, 300},
      {"no cap", 500, 0, 3, 0, 1, 500},
      {"a lone column", 500, 300, 1, 0, 0, 500},
      {"the first of two", 500, 300, 2, 0, 0, 300},
      {"the second of two", 500, 300, 2, 0, 1, 500},
      {"the second of two beside line numbers", 500, 300, 3, 1, 1, 500},
      // The line-number column counts as a column: a lone data column beside it is capped.
      {"a lone column beside line numbers", 500, 300, 2, 1, 0, 300},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CappedColumnWidth(c.measured, 24, c.cap, c.listColumns, c.lineNumberColumns, c.dataColumn), c.expected)
        << c.what;
}

}  // namespace
}  // namespace qelvar
