// The status bar's totals and the column profile over plain lists of values, and their texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/column_stats.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

struct TValues {
  explicit TValues(std::vector<const char*> utf8) {
    for (const char* v : utf8) values.push_back(Utf8ToUtf16(v));
  }
  TCellSource Source() const {
    return [this](std::size_t i) { return std::u16string_view(values[i]); };
  }
  std::vector<std::u16string> values;
};

constexpr TStatsLabels kLabels{u"Count", u"Numbers", u"Sum", u"Average", u"Min", u"Max"};

TEST(SelectionStats, TotalsAndTheirText) {
  struct Case {
    std::vector<const char*> values;
    TDecimalSeparator separator;
    const char* text;
  };
  const Case cases[] = {
      {{"1", "2", "", "x", "4.5"}, TDecimalSeparator::Point,
       "Count: 4   Numbers: 3   Sum: 7.5   Average: 2.5   Min: 1   Max: 4.5"},
      {{"1,5", "2,5", "3.5"}, TDecimalSeparator::Comma,  // "3.5" is no number in a comma file
       "Count: 3   Numbers: 2   Sum: 4   Average: 2   Min: 1,5   Max: 2,5"},
      {{"0.1", "0.2"}, TDecimalSeparator::Point,
       "Count: 2   Numbers: 2   Sum: 0.3   Average: 0.15   Min: 0.1   Max: 0.2"},
      {{"-3", " 7 "}, TDecimalSeparator::Point, "Count: 2   Numbers: 2   Sum: 4   Average: 2   Min: -3   Max: 7"},
      {{"a", "", "b"}, TDecimalSeparator::Point, "Count: 2"},  // no numbers: the count alone
      {{"1e400", "1"}, TDecimalSeparator::Point,
       "Count: 2   Numbers: 2   Sum: \xE2\x88\x9E   Average: \xE2\x88\x9E   Min: 1   Max: \xE2\x88\x9E"},
      {{"7"}, TDecimalSeparator::Point, ""},  // one cell shows itself
      {{}, TDecimalSeparator::Point, ""},
  };
  for (const auto& c : cases) {
    const TValues values(c.values);
    const auto stats = SelectionStats(values.values.size(), values.Source(), c.separator);
    EXPECT_EQ(Utf16ToUtf8(FormatSelectionStats(stats, kLabels, c.separator)), c.text);
  }
}

// A million cents summed naively drift by far more than a cent; the compensated sum does not.
TEST(SelectionStats, SumKeepsItsCents) {
  const std::u16string cent = u"0.01";
  const auto stats = SelectionStats(1'000'000, [&](std::size_t) { return std::u16string_view(cent); },
                                    TDecimalSeparator::Point);
  EXPECT_EQ(FormatStatsNumber(stats.sum, TDecimalSeparator::Point), u"10000");
}

TEST(StatsNumbers, FormatsAndSeparators) {
  EXPECT_EQ(FormatStatsNumber(123456789012345.0, TDecimalSeparator::Point), u"123456789012345");
  EXPECT_EQ(FormatStatsNumber(1e20, TDecimalSeparator::Point), u"1e+20");
  EXPECT_EQ(FormatStatsNumber(-0.0, TDecimalSeparator::Point), u"0");
  EXPECT_EQ(FormatStatsNumber(2.0 / 3, TDecimalSeparator::Comma), u"0,666666666666667");

  double x = 0;
  EXPECT_TRUE(TryParseNumberIn(u" -1,25 ", TDecimalSeparator::Comma, x));
  EXPECT_EQ(x, -1.25);
  EXPECT_FALSE(TryParseNumberIn(u"1,2,3", TDecimalSeparator::Comma, x));
  EXPECT_FALSE(TryParseNumberIn(u"1.5", TDecimalSeparator::Comma, x));
  EXPECT_FALSE(TryParseNumberIn(u"1,5", TDecimalSeparator::Point, x));

  const TValues german({"1,5", "2", "3,25", "4.5"});
  EXPECT_EQ(GuessDecimalSeparator(4, german.Source()), TDecimalSeparator::Comma);
  const TValues english({"1.5", "2", "x,y"});
  EXPECT_EQ(GuessDecimalSeparator(3, english.Source()), TDecimalSeparator::Point);
}

TEST(ColumnProfile, Dates) {
  struct Case {
    const char* text;
    bool isDate;
  };
  const Case cases[] = {
      {"2024-03-01", true},         {"2024-02-29", true},        {"2023-02-29", false},
      {"2024-13-01", false},        {"2024-3-1", false},         {"2024-03-01T10:30", true},
      {"2024-03-01 10:30:15.25", true}, {"2024-03-01T10:30Z", true}, {"2024-03-01T10:30+02:00", true},
      {"2024-03-01T25:00", false},  {"01.03.2024", true},        {"31.04.2024", false},
      {"3/1/2024", true},           {"13/1/2024", true},         {"13/13/2024", false},
      {"2024/03/01", true},         {"1.5", false},              {"2024-03-01x", false},
      {" 2024-03-01 ", true},       {"", false},
  };
  for (const auto& c : cases) {
    std::int64_t key = 0;
    EXPECT_EQ(TryParseDate(Utf8ToUtf16(c.text), key), c.isDate) << c.text;
  }
  std::int64_t a = 0, b = 0;
  ASSERT_TRUE(TryParseDate(u"31.12.2023", a));
  ASSERT_TRUE(TryParseDate(u"2024-01-01", b));
  EXPECT_LT(a, b);
}

TEST(ColumnProfile, FiguresOfEachType) {
  struct Case {
    std::vector<const char*> values;
    TColumnType type;
    std::int64_t empty, distinct;
    const char* min;
    const char* max;
    bool hasMean;
    double mean;
  };
  const Case cases[] = {
      {{"10", "2", "", "2", "-1.5"}, TColumnType::Numbers, 1, 3, "-1.5", "10", true, 3.125},
      {{"2024-03-01", "01.02.2024", "2023-12-31T23:59"}, TColumnType::Dates, 0, 3, "2023-12-31T23:59", "2024-03-01", false, 0},
      {{"file10", "file2", "Apple", "10"}, TColumnType::Text, 0, 4, "10", "file10", false, 0},  // the sort order
      {{"5", "n/a", "7"}, TColumnType::Text, 0, 3, "5", "n/a", false, 0},
      {{"", ""}, TColumnType::Text, 2, 0, "", "", false, 0},
      {{}, TColumnType::Text, 0, 0, "", "", false, 0},
  };
  for (const auto& c : cases) {
    const TValues values(c.values);
    TColumnProfile p;
    ASSERT_TRUE(ProfileColumn(values.values.size(), values.Source(), TDecimalSeparator::Point, nullptr, p));
    const std::string label = c.values.empty() ? "(none)" : c.values[0];
    EXPECT_EQ(p.type, c.type) << label;
    EXPECT_EQ(p.rows, static_cast<std::int64_t>(c.values.size())) << label;
    EXPECT_EQ(p.empty, c.empty) << label;
    EXPECT_EQ(p.distinct, c.distinct) << label;
    EXPECT_EQ(Utf16ToUtf8(p.min), c.min) << label;
    EXPECT_EQ(Utf16ToUtf8(p.max), c.max) << label;
    EXPECT_EQ(p.hasMean, c.hasMean) << label;
    if (c.hasMean) {
      EXPECT_DOUBLE_EQ(p.mean, c.mean) << label;
    }
  }
}

TEST(ColumnProfile, MostFrequentValuesTiesInFileOrder) {
  std::vector<const char*> column;
  const char* names[] = {"k", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "l"};
  for (const char* n : names) column.push_back(n);  // each once, in this order
  for (int i = 0; i < 3; ++i) column.push_back("j");
  column.push_back("b");
  column.push_back("");
  const TValues values(column);
  TColumnProfile p;
  ASSERT_TRUE(ProfileColumn(values.values.size(), values.Source(), TDecimalSeparator::Point, nullptr, p));
  std::string top;
  for (const auto& t : p.top) top += Utf16ToUtf8(t.value) + std::to_string(t.count) + " ";
  EXPECT_EQ(top, "j4 b2 k1 a1 c1 d1 e1 f1 g1 h1 ");  // "i" and "l" lose the tie to earlier values
}

TEST(ColumnProfile, CancelStopsTheWork) {
  const std::u16string value = u"x";
  std::size_t calls = 0;
  TColumnProfile p;
  const bool done = ProfileColumn(
      10 * kStatsProgressStep, [&](std::size_t) { return std::u16string_view(value); }, TDecimalSeparator::Point,
      [&](std::size_t seen, std::size_t total) {
        EXPECT_LE(seen, total);
        return ++calls < 3;
      },
      p);
  EXPECT_FALSE(done);
  EXPECT_EQ(calls, 3u);
}

TEST(ColumnProfile, JsonAndTable) {
  const TValues values({"3", "1,5", "", "3", "a\"b"});
  TColumnProfile p;
  ASSERT_TRUE(ProfileColumn(4, values.Source(), TDecimalSeparator::Comma, nullptr, p));  // without "a\"b"
  EXPECT_EQ(ProfileToJson(p, u"price \"net\""),
            "{\n  \"column\": \"price \\\"net\\\"\",\n  \"type\": \"numbers\",\n  \"rows\": 4,\n  \"empty\": 1,\n"
            "  \"distinct\": 2,\n  \"min\": 1.5,\n  \"max\": 3,\n  \"mean\": 2.5,\n  \"top\": [\n"
            "    {\"value\": \"3\", \"count\": 2},\n    {\"value\": \"1,5\", \"count\": 1}\n  ]\n}\n");
  EXPECT_EQ(ProfileToTable(p, u"price", TDecimalSeparator::Comma),
            "column    price\ntype      numbers\nrows      4\nempty     1\ndistinct  2\nmin       1,5\nmax       3\n"
            "mean      2,5\nmost frequent\n  2  3\n  1  1,5\n");

  TColumnProfile text;
  ASSERT_TRUE(ProfileColumn(5, values.Source(), TDecimalSeparator::Point, nullptr, text));
  const std::string json = ProfileToJson(text, u"c");
  EXPECT_NE(json.find("\"type\": \"text\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"mean\": null"), std::string::npos) << json;
  EXPECT_NE(json.find("\"max\": \"a\\\"b\""), std::string::npos) << json;
  TColumnProfile none;
  ASSERT_TRUE(ProfileColumn(0, values.Source(), TDecimalSeparator::Point, nullptr, none));
  EXPECT_NE(ProfileToJson(none, u"c").find("\"min\": null,\n  \"max\": null,\n  \"mean\": null,\n  \"top\": []"),
            std::string::npos);
}

}  // namespace
}  // namespace qelvar
