// Number recognition, value comparison, link extraction, sampling, and the text sort keys of the seam.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "grid/grid_values.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(NumberRecognition, AcceptedForms) {
  struct Case {
    std::u16string text;
    double value;
  };
  const Case cases[] = {
      {u"0", 0},          {u"42", 42},          {u"-7", -7},          {u"+7", 7},
      {u"3.25", 3.25},    {u"5.", 5},           {u".5", 0.5},         {u"-.5", -0.5},
      {u"1e3", 1000},     {u"1E3", 1000},       {u"2.5e-2", 0.025},   {u"1e+2", 100},
      {u"  12  ", 12},    {u"\t\r\n9\x1F", 9},  {u"007", 7},          {u"0.1", 0.1},
      {u"123456789012345678901234567890", 1.2345678901234568e29},
      {u"1e400", INFINITY},  {u"-1e400", -INFINITY}, {u"1e-400", 0}, {u"0e999999999999", 0},
      {u"0.000000000000000000000000001e400", INFINITY}, {u"1000e-326", 1e-323},
  };
  for (const auto& c : cases) {
    double v = -123;
    ASSERT_TRUE(TryParseNumber(c.text, v)) << Utf16ToUtf8(c.text);
    EXPECT_EQ(v, c.value) << Utf16ToUtf8(c.text);
  }
  double tiny = 1;
  ASSERT_TRUE(TryParseNumber(u"-1e-400", tiny));
  EXPECT_TRUE(tiny == 0 && std::signbit(tiny));
  // A literal longer than the parser's stack buffer.
  double longValue = 0;
  ASSERT_TRUE(TryParseNumber(std::u16string(300, u'1') + u"e-299", longValue));
  EXPECT_NEAR(longValue, 1.1111111111111112, 1e-15);
}

TEST(NumberRecognition, RejectedForms) {
  const std::u16string cases[] = {
      u"",      u" ",    u".",    u"+",      u"-",     u"e5",     u"1e",      u"1e+",     u"1.2.3", u"1,5",
      u"1 000", u"0x10", u"inf",  u"nan",    u"INF",   u"1..2",   u"--1",     u"+-1",     u"1e5x",  u"abc",
      u"12a",   u"a12",  u"1_0",  u"\u00A012", u"\uFF11", u"\u0661", u"1e1.5", u"1d",      u". 5",   u"1 e5",
  };
  for (const auto& text : cases) {
    double v = 77;
    EXPECT_FALSE(TryParseNumber(text, v)) << Utf16ToUtf8(text);
    EXPECT_EQ(v, 77);
  }
}

TEST(CompareValues, NumbersThenLocaleText) {
  struct Case {
    std::u16string a, b;
    int sign;
  };
  const Case cases[] = {
      {u"2", u"10", -1},          {u"10", u"2", 1},        {u"1.0", u"1", 0},        {u"-3", u"2", -1},
      {u"1e3", u"999", 1},        {u" 5", u"5 ", 0},       {u"file2", u"file10", -1}, {u"abc", u"ABD", -1},
      {u"ABC", u"abc", 0},        {u"b", u"a", 1},         {u"", u"a", -1},           {u"", u"", 0},
      {u"10", u"9a", 1},          {u"\uFF21", u"a", 0},    {u"1,5", u"1,10", -1},     {u"-1e400", u"-1e999", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareValues(c.a, c.b), c.sign) << Utf16ToUtf8(c.a) << " vs " << Utf16ToUtf8(c.b);
    EXPECT_EQ(CompareValues(c.b, c.a), -c.sign) << Utf16ToUtf8(c.b) << " vs " << Utf16ToUtf8(c.a);
  }
}

TEST(CompareOrdinal, CodeUnitsUnsigned) {
  EXPECT_EQ(CompareOrdinal(u"a", u"b"), -1);
  EXPECT_EQ(CompareOrdinal(u"ab", u"a"), 1);
  EXPECT_EQ(CompareOrdinal(u"", u""), 0);
  EXPECT_EQ(CompareOrdinal(u"\uFFFF", u"a"), 1);  // no signed wrap-around
  EXPECT_EQ(CompareOrdinal(u"B", u"a"), -1);      // case matters
  EXPECT_EQ(CompareOrdinal(u"\U0001F600", u"\uFFFF"), -1);  // code units, not code points
}

TEST(ExtractLink, Forms) {
  struct Case {
    std::u16string text, link;
  };
  const Case cases[] = {
      {u"see https://example.org/a?b=1 now", u"https://example.org/a?b=1"},
      {u"xhttp://h/p\tq", u"xhttp://h/p"},
      {u"1ftp://h", u"ftp://h"},
      {u"://host/x", u"://host/x"},
      {u"\"http://a/b\"", u"http://a/b"},
      {u"http://a/'b'", u"http://a/"},
      {u"mailto:x http://a.b/c\r\nmore", u"http://a.b/c"},
      {u"  www.example.org \t", u"https://www.example.org"},
      {u"a.b", u"https://a.b"},
      {u"no link", u""},
      {u"", u""},
      {u"http://a http://b", u"http://a"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractLink(c.text), c.link) << Utf16ToUtf8(c.text);
}

TEST(Sampling, CountAndRows) {
  EXPECT_EQ(SampleCount(3, 1000), 3);
  EXPECT_EQ(SampleCount(5000, 1000), 1000);
  EXPECT_EQ(SampleCount(0, 10), 0);
  EXPECT_EQ(SampleCount(10, 0), 0);
  EXPECT_EQ(SampleCount(-1, 10), 0);
  EXPECT_EQ(SampleRow(0, 1000, 5000), 0);
  EXPECT_EQ(SampleRow(999, 1000, 5000), 4999);
  EXPECT_EQ(SampleRow(500, 1000, 5000), 2502);
  EXPECT_EQ(SampleRow(3, 1, 5000), 0);
  EXPECT_EQ(SampleRow(3, 10, 1), 0);
  // The intermediate product exceeds 32 bits.
  EXPECT_EQ(SampleRow(99999, 100000, 2000000000), 1999999999);
  int previous = -1;
  for (int j = 0; j < 1000; ++j) {
    const int row = SampleRow(j, 1000, 5000);
    EXPECT_GT(row, previous);
    previous = row;
  }
}

// The seam's sort keys must order exactly like the comparison they stand for. Run natively (POSIX keys)
// and under Wine (Win32) with the same texts.
TEST(TextSortKeys, OrderExactlyLikeTheLocaleComparison) {
  std::vector<std::u16string> texts = {
      u"",         u"a",        u"A",         u"b",          u"file2",      u"file10",    u"file02",
      u"File002",  u"x0",       u"x00",       u"x",          u"\uFF21\uFF22", u"ab",      u"\u00C4pfel",
      u"\u00E4pfel", u"\u0430\u0431", u"\u0410\u0411", u"\U0001F600", u"\U0001F600a", u"\xD800", u"\xD800x",
      u"10",       u"9",        u"1 0",       u"\uFF11\uFF10", u"\u3000a", u" a",     u"a-b",     u"ab-",
  };
  std::mt19937 rng(7);
  const char16_t alphabet[] = u"aAbB0129 -.\u00E4\u00C4\u0436\u0416\uFF10\uFF41\uFF21\u3000\xD83D\xDE00";
  for (int i = 0; i < 300; ++i) {
    std::u16string s;
    const int len = static_cast<int>(rng() % 7);
    for (int k = 0; k < len; ++k) s += alphabet[rng() % (std::size(alphabet) - 1)];
    texts.push_back(s);
  }
  std::u16string pool;
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  for (const auto& t : texts) {
    const std::size_t start = pool.size();
    platform::AppendTextSortKey(t, pool);
    spans.emplace_back(start, pool.size() - start);
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = 0; j < texts.size(); ++j) {
      const auto direct = platform::CompareTextLocale(texts[i], texts[j]);
      const auto keyed = platform::CompareTextSortKeys(std::u16string_view(pool).substr(spans[i].first, spans[i].second),
                                                       std::u16string_view(pool).substr(spans[j].first, spans[j].second));
      ASSERT_EQ(direct.has_value(), keyed.has_value());
      if (direct) {
        ASSERT_EQ(Sign(*direct), Sign(*keyed)) << Utf16ToUtf8(texts[i]) << " vs " << Utf16ToUtf8(texts[j]);
      }
    }
  }
}

}  // namespace
}  // namespace qelvar
