// Filtering and sorting on seeded random tables, checked against a deliberately naive re-implementation
// of the rules: values read afresh for every comparison, a regular expression and strtod for numbers, and
// the textbook merge sort that copies back at every level.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

std::optional<double> NaiveNumber(const std::u16string& text) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] < 33) ++b;
  while (e > b && text[e - 1] < 33) --e;
  std::string ascii;
  for (std::size_t i = b; i < e; ++i) {
    if (text[i] > 127) return std::nullopt;
    ascii += static_cast<char>(text[i]);
  }
  static const std::regex literal(R"([+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+)([eE][+-]?[0-9]+)?)");
  if (!std::regex_match(ascii, literal)) return std::nullopt;
  return std::strtod(ascii.c_str(), nullptr);  // the "C" locale: '.' separates the fraction
}

bool NaiveMatch(std::u16string value, std::u16string filter, bool caseSensitive) {
  if (filter.empty()) return true;
  if (!caseSensitive) {
    value = platform::ToLower(value);
    filter = platform::ToLower(filter);
  }
  if (filter == u"=") return value.empty();
  if (filter == u"!=") return !value.empty();
  // Two-character operators, and alternatives without wildcards (the kFilters below have none).
  const auto anyOf = [&](std::u16string alternatives) {
    alternatives += u'|';
    for (std::size_t at = 0, bar; (bar = alternatives.find(u'|', at)) != std::u16string::npos; at = bar + 1)
      if (value == alternatives.substr(at, bar - at)) return true;
    return false;
  };
  if (filter.size() > 1 && (filter.starts_with(u">=") || filter.starts_with(u"<="))) {
    const std::u16string rest2 = filter.substr(2);
    const auto v = NaiveNumber(value), r = NaiveNumber(rest2);
    if (v && r) return filter[0] == u'<' ? *v <= *r : *v >= *r;
    return filter[0] == u'<' ? value <= rest2 : value >= rest2;
  }
  if (filter.size() > 2 && filter.starts_with(u"!=")) return !anyOf(filter.substr(2));
  const std::u16string rest = filter.size() > 1 ? filter.substr(1) : std::u16string();
  if (filter.size() > 1 && (filter[0] == u'<' || filter[0] == u'>')) {
    const auto v = NaiveNumber(value), r = NaiveNumber(rest);
    if (v && r) return filter[0] == u'<' ? *v < *r : *v > *r;
  }
  if (filter.size() > 1) {
    switch (filter[0]) {
      case u'=': return anyOf(rest);
      case u'!': return value.find(rest) == std::u16string::npos;
      case u'<': return value < rest;
      case u'>': return value > rest;
      default: break;
    }
  }
  return value.find(filter) != std::u16string::npos;
}

int NaiveCompareValues(const std::u16string& a, const std::u16string& b) {
  const auto x = NaiveNumber(a), y = NaiveNumber(b);
  if (x && y) return *x < *y ? -1 : (*x > *y ? 1 : 0);
  if (const auto r = platform::CompareTextLocale(a, b)) return (*r > 0) - (*r < 0);
  return a < b ? -1 : (a > b ? 1 : 0);
}

std::u16string CellOf(TCsvDocument& document, std::int32_t row, std::int32_t col) {
  if (col >= document.CellCount(row)) return {};
  return document.GetCell(row, col);
}

std::vector<std::int32_t> NaiveVisibleRows(TCsvDocument& document, bool headerRow,
                                           const std::vector<std::u16string>& filters, bool caseSensitive,
                                           std::int32_t sortColumn, int direction) {
  std::vector<std::int32_t> rows;
  const std::int32_t first = headerRow && document.RowCount() > 0 ? 1 : 0;
  for (std::int32_t r = first; r < document.RowCount(); ++r) {
    bool pass = true;
    for (std::size_t k = 0; k < filters.size() && pass; ++k)
      pass = NaiveMatch(CellOf(document, r, static_cast<std::int32_t>(k)), filters[k], caseSensitive);
    if (pass) rows.push_back(r);
  }
  if (sortColumn < 0 || rows.size() < 2) return rows;
  auto compareRows = [&](std::int32_t a, std::int32_t b) {
    int r = NaiveCompareValues(CellOf(document, a, sortColumn), CellOf(document, b, sortColumn));
    if (r != 0 && direction < 0) r = -r;
    if (r == 0) r = a < b ? -1 : 1;
    return r;
  };
  std::vector<std::int32_t> scratch(rows.size());
  auto sort = [&](auto&& self, std::size_t lo, std::size_t hi) -> void {
    if (hi <= lo) return;
    const std::size_t mid = (lo + hi) / 2;
    self(self, lo, mid);
    self(self, mid + 1, hi);
    std::size_t i = lo, j = mid + 1, k = lo;
    while (i <= mid && j <= hi) scratch[k++] = compareRows(rows[i], rows[j]) > 0 ? rows[j++] : rows[i++];
    while (i <= mid) scratch[k++] = rows[i++];
    while (j <= hi) scratch[k++] = rows[j++];
    for (k = lo; k <= hi; ++k) rows[k] = scratch[k];
  };
  sort(sort, 0, rows.size() - 1);
  return rows;
}

const char* const kValues[] = {
    // numbers in every form
    "0", "7", "-3", "+12", "2.5", "-0.25", "5.", ".5", "1e3", "2E-2", "1e400", "-1e400", " 42 ", "007", "10",
    "9.5", "-0", "100", "1.0", "3",
    // not numbers
    "1,5", "1 000", "file2", "file10", "File2", "a1b", "abc", "ABC", "Abc", "b", "ba", "x!y", "a<b", "=q",
    "\xc3\x84pfel", "\xc3\xa4pfel", "\xd0\x96\xd1\x83\xd0\xba", "\xd0\xb6\xd1\x83\xd0\xba", "\xef\xbc\xa1",
    "1e", "inf", "-", ".", "12a", "two words", "",
};

const char* const kFilters[] = {
    "", "", "", "a", "A", "!a", "<10", ">5", "<abc", ">b", "=abc", "=ABC", "!", "<", ">", "1", ">-1e3", "<1e400",
    "= 42 ", "file", "<0", ">.5", "!\xd0\xb6", "\xd0\x96", "=", ">1,5", "<-0", "!=", ">=10", "<=abc",
    ">=", "<=-0", "=abc|b|", "!=abc|7", "!=a",
};

std::string Field(const std::string& value, std::mt19937& rng) {
  const bool quote = value.find(',') != std::string::npos || rng() % 8 == 0;
  return quote ? "\"" + value + "\"" : value;
}

TEST(GridCrossCheck, RandomTablesAgainstNaiveRules) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 150; ++round) {
    const int columns = 1 + static_cast<int>(rng() % 4);
    const int rows = static_cast<int>(rng() % 60);
    std::string text;
    for (int r = 0; r < rows; ++r) {
      // Ragged rows: some lines have fewer fields (an empty line is one empty field).
      const int fields = rng() % 6 == 0 ? static_cast<int>(rng() % static_cast<unsigned>(columns + 1)) : columns;
      for (int c = 0; c < fields; ++c) {
        if (c > 0) text += ',';
        std::string value = kValues[rng() % std::size(kValues)];
        if (rng() % 5 == 0) value += std::to_string(rng() % 20);  // texts with digits, longer numbers
        text += Field(value, rng);
      }
      text += rng() % 2 ? "\r\n" : "\n";
    }
    std::unique_ptr<TCsvDocument> document;
    ASSERT_TRUE(LoadFromBytes(text, u',', kCommentsParsed, u"UTF-8", document, false, 100000));
    const bool headerRow = rng() % 2 == 0;
    TCsvGridModel model(document.get(), headerRow);

    const bool caseSensitive = rng() % 3 == 0;
    model.SetCaseSensitive(caseSensitive);
    std::vector<std::u16string> filters(static_cast<std::size_t>(document->ColumnCount()));
    for (std::size_t k = 0; k < filters.size(); ++k) {
      if (rng() % 2) continue;
      filters[k] = Utf8ToUtf16(kFilters[rng() % std::size(kFilters)]);
      model.SetFilter(static_cast<std::int32_t>(k), filters[k]);
    }
    std::int32_t sortColumn = -1;
    int direction = 0;
    if (document->ColumnCount() > 0 && rng() % 4 != 0) {
      sortColumn = static_cast<std::int32_t>(rng() % static_cast<unsigned>(document->ColumnCount()));
      direction = rng() % 2 ? 1 : -1;
      model.SetSort(sortColumn, direction);
    }

    const auto expected = NaiveVisibleRows(*document, headerRow, filters, caseSensitive, sortColumn, direction);
    ASSERT_EQ(model.VisibleRows(), expected) << "round " << round << "\n" << text;
  }
}

// Large unfiltered tables sorted by a column of numbers only, of texts only, or of both: many merges,
// many ties, and each of the sort's key forms.
TEST(GridCrossCheck, LargeSortsAgainstNaiveRules) {
  constexpr std::size_t kNumbers = 20;  // kValues starts with its numbers
  std::mt19937 rng(99);
  for (int round = 0; round < 12; ++round) {
    const int kind = round % 3;
    std::string text;
    for (int r = 0; r < 1500; ++r) {
      std::size_t pick = rng() % std::size(kValues);
      if (kind == 0) pick = rng() % kNumbers;
      if (kind == 1) pick = kNumbers + rng() % (std::size(kValues) - kNumbers);
      std::string value = kValues[pick];
      if (kind == 1 && value.size() > 1 && std::isalpha(static_cast<unsigned char>(value[0])) && rng() % 3 == 0)
        value += std::to_string(rng() % 50);  // still no number
      text += Field(value, rng) + "," + std::to_string(r) + "\n";
    }
    std::unique_ptr<TCsvDocument> document;
    ASSERT_TRUE(LoadFromBytes(text, u',', kCommentsParsed, u"UTF-8", document, false, 100));
    const bool headerRow = round % 2 == 0;
    const int direction = round % 4 < 2 ? 1 : -1;
    TCsvGridModel model(document.get(), headerRow);
    model.SetSort(0, direction);
    ASSERT_EQ(model.VisibleRows(), NaiveVisibleRows(*document, headerRow, {}, false, 0, direction)) << round;
  }
}

// Long columns of few different texts (the sort ranks the different texts once), including texts that
// differ but compare equal, such as letter case and width variants.
TEST(GridCrossCheck, RepeatedTextsAgainstNaiveRules) {
  const char* const texts[] = {"Anna M\xc3\xbcller", "anna m\xc3\xbcller", "ANNA M\xc3\x9cLLER", "Bob", "bob", "\xef\xbc\xa2ob",
                               "file2", "file10", "file02", "x", "", "\xd0\x96\xd1\x83\xd0\xba", "\xd0\xb6\xd1\x83\xd0\xba", "Zo\xc3\xab"};
  std::mt19937 rng(5);
  for (int round = 0; round < 4; ++round) {
    std::string text = "h\n";
    for (int r = 0; r < 12000; ++r) text += std::string(texts[rng() % std::size(texts)]) + "\n";
    std::unique_ptr<TCsvDocument> document;
    ASSERT_TRUE(LoadFromBytes(text, u',', kCommentsParsed, u"UTF-8", document, false, 100));
    const int direction = round % 2 ? -1 : 1;
    TCsvGridModel model(document.get(), true);
    if (round >= 2) model.SetFilter(0, u"!x");
    model.SetSort(0, direction);
    const std::vector<std::u16string> filters = {round >= 2 ? u"!x" : u""};
    ASSERT_EQ(model.VisibleRows(), NaiveVisibleRows(*document, true, filters, false, 0, direction)) << round;
  }
}

}  // namespace
}  // namespace qelvar
