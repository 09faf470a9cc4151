// The fast paths of loading and sorting against the plain rules they stand for: the character masks and
// line-break count of the cutting pass, the packed cell, the sort-key prefix against the key comparison,
// and the sorts' fast paths against the textbook merge sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "document/csv_document.h"
#include "document/scan.h"
#include "grid/grid_values.h"
#include "grid/row_sort.h"
#include "platform/platform.h"
#include "platform/text_compare.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

// Characters that matter to the scanners, and characters whose low byte looks like one of them.
const char16_t kScanAlphabet[] = {u'a', u',', u';', u'"', u'\r', u'\n', u'\u010A', u'\u010D', u'\u0A0D', u'\u2C22',
                                  u'\u00FF', u'\uFF0A', u'\0'};

std::u16string RandomScanText(std::mt19937& rng, std::size_t length) {
  std::u16string text;
  for (std::size_t k = 0; k < length; ++k) text += kScanAlphabet[rng() % std::size(kScanAlphabet)];
  return text;
}

TEST(FastPaths, SpecialMaskAndRecordBoundAgreeWithACharacterWalk) {
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    const std::u16string text = RandomScanText(rng, rng() % 90);
    const char16_t delimiter = round % 2 ? u',' : u';';
    const std::size_t n = text.size();
    for (std::size_t pos = 0; pos < n; ++pos) {
      std::uint32_t expected = 0;
      for (std::size_t k = 0; k < 16 && pos + k < n; ++k) {
        const char16_t c = text[pos + k];
        if (c == u'"' || c == u'\r' || c == u'\n' || c == delimiter) expected |= 1u << k;
      }
      ASSERT_EQ(scan::SpecialMask16(text.data(), n, pos, delimiter), expected) << round << " at " << pos;
    }
    for (std::size_t from = 0; from <= n; from += 1 + rng() % 7) {
      std::size_t breaks = 0;
      for (std::size_t i = from; i < n; ++i)
        breaks += text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= n || text[i + 1] != u'\n'));
      ASSERT_EQ(scan::RecordBound(text.data(), from, n), breaks + 1) << round << " from " << from;
    }
  }
}

TEST(FastPaths, PackedCellKeepsItsFields) {
  struct Case {
    std::uint64_t offset, length;
    std::uint32_t bits;
  };
  const Case cases[] = {{0, 0, 0}, {1, 2, TCsvCell::kQuoted}, {0x7FFF'FFFF, 0, TCsvCell::kDecoded},
                        {0, 0x7FFF'FFFF, TCsvCell::kQuoted | TCsvCell::kDecoded}, {12345, 678, TCsvCell::kDecoded}};
  for (const Case& c : cases) {
    const TCsvCell cell = TCsvCell::Make(c.offset, c.length, c.bits);
    EXPECT_EQ(cell.Offset, c.offset);
    EXPECT_EQ(cell.Length, c.length);
    EXPECT_EQ(cell.Bits(), c.bits);
    EXPECT_EQ(cell.Quoted(), (c.bits & TCsvCell::kQuoted) != 0);
    EXPECT_EQ(cell.Decoded(), (c.bits & TCsvCell::kDecoded) != 0);
  }
}

// Keys as AppendTextSortKey makes them: digit runs with and without leading zeros, characters on both
// sides of the digits, the last one-byte character, non-ASCII, a surrogate pair and a lone surrogate.
using namespace std::string_view_literals;
const std::u16string_view kKeyPieces[] = {u"0"sv, u"00"sv, u"1"sv, u"9"sv, u"10"sv, u"0010"sv, u"123456789012"sv,
                                          u"a"sv, u"b"sv, u"x"sv, u"/"sv, u":"sv, u"~"sv, u"\u007F"sv, u"\u00E9"sv,
                                          u"\uFF21"sv, u"\U0001F600"sv, u"\xD800"sv, u"\uE000"sv, u"\0"sv, u" "sv};

std::u16string RandomKey(std::mt19937& rng) {
  std::u16string key;
  const int pieces = static_cast<int>(rng() % 6);
  for (int k = 0; k < pieces; ++k) key += kKeyPieces[rng() % std::size(kKeyPieces)];
  return key;
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(FastPaths, KeyPrefixOrdersLikeTheKeyComparison) {
  std::mt19937 rng(11);
  std::vector<std::u16string> keys;
  for (int k = 0; k < 700; ++k) keys.push_back(RandomKey(rng));
  keys.push_back(u"x000123");
  keys.push_back(u"x123");
  keys.push_back(u"x0123");
  int decided = 0;
  int completeTies = 0;
  for (const auto& a : keys) {
    bool completeA = false;
    const std::uint64_t pa = platform::NaturalKeyPrefix(a, completeA);
    for (const auto& b : keys) {
      bool completeB = false;
      const std::uint64_t pb = platform::NaturalKeyPrefix(b, completeB);
      const int expected = Sign(platform::CompareNaturalKeys(a, b));
      if (pa != pb) {
        ++decided;
        ASSERT_EQ(pa < pb ? -1 : 1, expected) << Utf16ToUtf8(a) << " | " << Utf16ToUtf8(b);
      } else if (completeA && completeB) {
        ++completeTies;
        ASSERT_EQ(expected, 0) << Utf16ToUtf8(a) << " | " << Utf16ToUtf8(b);
      }
    }
  }
  // The prefix must decide most pairs, or it would be no shortcut.
  EXPECT_GT(decided, 700 * 700 / 2);
  EXPECT_GT(completeTies, 0);
}

// The textbook merge sort over row indexes with the row comparison read afresh from the cells.
std::vector<std::int32_t> MergeSorted(TCsvDocument& document, std::vector<std::int32_t> rows, int direction) {
  const auto compare = [&](std::int32_t a, std::int32_t b) {
    int r = CompareValues(document.GetCell(a, 0), document.GetCell(b, 0));
    if (r != 0 && direction < 0) r = -r;
    return r != 0 ? r : (a < b ? -1 : 1);
  };
  std::vector<std::int32_t> scratch(rows.size());
  const auto sort = [&](auto&& self, std::size_t lo, std::size_t hi) -> void {
    if (hi <= lo) return;
    const std::size_t mid = (lo + hi) / 2;
    self(self, lo, mid);
    self(self, mid + 1, hi);
    std::size_t i = lo, j = mid + 1, k = lo;
    while (i <= mid && j <= hi) scratch[k++] = compare(rows[i], rows[j]) > 0 ? rows[j++] : rows[i++];
    while (i <= mid) scratch[k++] = rows[i++];
    while (j <= hi) scratch[k++] = rows[j++];
    std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(lo), scratch.begin() + static_cast<std::ptrdiff_t>(hi) + 1,
              rows.begin() + static_cast<std::ptrdiff_t>(lo));
  };
  if (rows.size() > 1) sort(sort, 0, rows.size() - 1);
  return rows;
}

// Mostly different codes with and without leading zeros (the prefixed text sort), numbers with many
// ties (the radix sort) and a few names repeated over many rows (the sort by ranks of the different
// values, which needs twice its sample of rows), each over rows in file order and shuffled (the merge
// sort on keys).
TEST(FastPaths, SortsAgreeWithTheMergeSortOfTheComparison) {
  std::mt19937 rng(13);
  for (int round = 0; round < 12; ++round) {
    const bool codes = round % 3 == 0;
    const bool names = round % 3 == 2;
    std::string text;
    for (int r = 0; r < (names ? 9000 : 3000); ++r) {
      if (names) {
        // Case, accents, quotes and digit runs: values that differ yet may compare alike.
        const char* const forms[] = {"Anna", "anna", "ANNA", "\"O\"\"Brien\"", "O'Brien", "Zo\xc3\xab", "Zoe",
                                     "\xc3\x96mer", "Omer", "item 10", "item 9", "item 010", "\"\"", "x"};
        text += forms[rng() % std::size(forms)];
      } else if (codes) {
        const auto v = static_cast<unsigned>(rng() % 5000);
        const char* const forms[] = {"X%06u", "x%u", "X0%u", "X%u.5", "Y%u", "x%u\xc3\xa9"};
        char buf[32];
        std::snprintf(buf, sizeof buf, forms[rng() % std::size(forms)], v);
        text += buf;
      } else {
        const char* const numbers[] = {"0", "-0", "1.5", "-2", "1e3", "1000", "7", ".5", "-1e400", "3.25"};
        text += numbers[rng() % std::size(numbers)];
      }
      text += "\n";
    }
    std::unique_ptr<TCsvDocument> document;
    ASSERT_TRUE(LoadFromBytes(text, u',', kCommentsParsed, u"UTF-8", document, false, 100));
    std::vector<std::int32_t> rows(static_cast<std::size_t>(document->RowCount()));
    for (std::size_t k = 0; k < rows.size(); ++k) rows[k] = static_cast<std::int32_t>(k);
    if (round >= 6) std::shuffle(rows.begin(), rows.end(), rng);
    for (const int direction : {1, -1}) {
      TIntArray sorted(rows.begin(), rows.end());
      SortRows(*document, 0, direction, sorted);
      ASSERT_EQ(std::vector<std::int32_t>(sorted.begin(), sorted.end()), MergeSorted(*document, rows, direction))
          << "round " << round << " direction " << direction;
    }
  }
}

}  // namespace
}  // namespace qelvar
