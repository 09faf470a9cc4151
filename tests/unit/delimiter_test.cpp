// Delimiter detection and the comment-line test, as tables of texts and expected answers.
#include <gtest/gtest.h>

#include <string>

#include "document/delimiter.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

TEST(DetectDelimiter, Table) {
  struct Case {
    const char* name;
    std::u16string text;
    char16_t expected;
  };
  const Case cases[] = {
      {"empty", u"", u','},
      {"semicolons", u"a;b;c\r\nd;e;f\r\ng;h;i\r\n", u';'},
      {"comma wins a tie", u"a,b;c\nd,e;f\n", u','},
      {"tabs", u"a\tb\tc\n1\t2\t3\n", u'\t'},
      {"bars", u"a|b\n1|2\n", u'|'},
      // A steady colon count beats a comma count that varies from line to line.
      {"steady colon beats ragged comma", u"12:30,a\n12:31,b,c,d\n12:32,e,f\n", u':'},
      {"commas inside quotes are not counted", u"\"a,b,c\";x;y\n\"d,\n,e\";z;w\n", u';'},
      {"comment, sep= and blank lines are skipped", u"# a,b,c,d\nsep=,\n\n\nx;y\n1;2\n", u';'},
      {"no candidate outside quotes gives comma", u"\"a;b\"\nplain\n", u','},
      {"semicolon comment line is skipped", u";a comment, with commas, in it\na|b\nc|d\n", u'|'},
      {"doubled quotes stay quoted", u"\"he said \"\"a,b\"\"\";1\n\"x\";2\n", u';'},
      {"CR alone ends lines", u"a;b\rc;d\re;f", u';'},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectDelimiter(c.text), c.expected) << c.name;
}

TEST(DetectDelimiter, OnlyFiveLinesAreSampled) {
  // Five comma lines, then many semicolon lines: only the first five lines with a candidate count.
  std::u16string text = u"a,b\na,b\na,b\na,b\na,b\n";
  for (int i = 0; i < 20; ++i) text += u"a;b;c;d;e;f\n";
  EXPECT_EQ(DetectDelimiter(text), u',');
}

TEST(DetectDelimiter, LinesWithoutCandidatesAreNotSampled) {
  std::u16string text = u"title\nsubtitle\n";
  for (int i = 0; i < 5; ++i) text += u"x;y\n";
  text += u"a,b,c\n";
  EXPECT_EQ(DetectDelimiter(text), u';');
}

TEST(DetectDelimiter, EveryCandidateAloneIsFound) {
  for (char16_t d : kDelimiterCandidates) {
    std::u16string text;
    for (int i = 0; i < 3; ++i) text += std::u16string(u"1") + d + u"2" + d + u"3\r\n";
    EXPECT_EQ(DetectDelimiter(text), d) << static_cast<int>(d);
  }
}

TEST(IsCommentLine, Table) {
  struct Case {
    std::u16string text;
    std::size_t pos;
    bool expected;
  };
  const Case cases[] = {
      {u"# x", 1, true},
      {u"  # x", 1, false},  // leading spaces are not skipped
      {u";comment", 1, true},
      {u";b;c", 1, false},   // a data line with an empty first field
      {u";b\n;c", 1, true},  // the second semicolon is on the next line
      {u"sep=;", 1, true},
      {u"SEP=|", 1, true},
      {u"Sep=,", 1, true},
      {u"sep", 1, false},
      {u"sep:", 1, false},
      {u"a,b\n#c", 5, true},
      {u"a,b\n#c", 4, false},  // the line break itself
      {u"#", 2, false},        // past the end
      {u"#", 0, false},
      {u"", 1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsCommentLine(c.text, c.pos), c.expected) << Utf16ToUtf8(c.text) << " @" << c.pos;
}

}  // namespace
}  // namespace qelvar
