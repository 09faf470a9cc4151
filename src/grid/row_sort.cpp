#include "grid/row_sort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/csv_document.h"
#include "platform/platform.h"

namespace qelvar {
namespace {

// ---- the merge sort -------------------------------------------------------------------------------

// The merge: the right entry is taken only when the row comparison of left against right is > 0.
template <typename Key, typename TakeRight>
void Merge(const Key* in, Key* out, std::size_t lo, std::size_t mid, std::size_t hi, const TakeRight& takeRight) {
  std::size_t i = lo, j = mid + 1, k = lo;
  while (i <= mid && j <= hi) {
    const bool right = takeRight(in[i], in[j]);
    out[k++] = right ? in[j] : in[i];
    j += right;
    i += !right;
  }
  while (i <= mid) out[k++] = in[i++];
  while (j <= hi) out[k++] = in[j++];
}

// Sorts [lo, hi] into `out`, split at mid = (lo + hi) div 2; on entry `in` and `out` hold the same
// entries there. The halves are sorted into `in` (the roles swap at each level), so no level copies back.
template <typename Key, typename TakeRight>
void SortRange(Key* in, Key* out, std::size_t lo, std::size_t hi, const TakeRight& takeRight) {
  if (hi <= lo) return;
  const std::size_t mid = lo + (hi - lo) / 2;
  SortRange(out, in, lo, mid, takeRight);
  SortRange(out, in, mid + 1, hi, takeRight);
  Merge(in, out, lo, mid, hi, takeRight);
}

// A buffer of n keys in large pages where the system has them, not cleared: on a large table, touching
// fresh memory costs as much as a level of the sort.
template <typename Key>
std::unique_ptr<Key[]> NewKeys(std::size_t n) {
  auto keys = std::make_unique_for_overwrite<Key[]>(n);
  platform::PreferLargePages(keys.get(), n * sizeof(Key));
  return keys;
}

// Sorts keys[0..n-1].
template <typename Key, typename TakeRight>
void MergeSort(Key* keys, std::size_t n, const TakeRight& takeRight) {
  auto scratch = NewKeys<Key>(n);
  std::copy(keys, keys + n, scratch.get());
  SortRange(scratch.get(), keys, 0, n - 1, takeRight);
}

// ---- keys -----------------------------------------------------------------------------------------

// A number as an unsigned integer that orders like the double: no NaN can occur, and -0 and +0 are one
// value. Split in two halves so that a key with its row takes 12 bytes: the sort is memory-bound.
struct NumberKey {
  std::uint32_t High;
  std::uint32_t Low;
  std::int32_t Row;
  std::uint64_t Bits() const { return (std::uint64_t{High} << 32) | Low; }
};

std::uint64_t OrderedBits(double value) {
  if (value == 0) value = 0;  // -0 -> +0
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
}

void SetBits(NumberKey& key, std::uint64_t bits) {
  key.High = static_cast<std::uint32_t>(bits >> 32);
  key.Low = static_cast<std::uint32_t>(bits);
}

// A text to compare: the value itself when it is its own sort key (in the document's text, which does not
// move while sorting), else its prepared key in a pool. In a column that mixes numbers and texts, also
// the value's number (kNoNumber when it is none).
struct TextKey {
  std::uint64_t Prefix;  // see platform::TextSortKeyPrefix; 0 for every key where the system has none
  const char16_t* Text;
  std::uint32_t Length : 31;
  std::uint32_t Complete : 1;  // the prefix is the whole key: equal prefixes mean equal keys
  std::int32_t Row;
};
struct MixedKey : TextKey {
  std::uint64_t Number;
};

// Where a NaN would go: no number maps to it.
constexpr std::uint64_t kNoNumber = 0xFFF8'0000'0000'0000ull;

class TextComparer {
 public:
  TextComparer(TCsvDocument& document, std::int32_t col, bool descending)
      : document_(document), col_(col), descending_(descending) {}

  // The row comparison: CompareValues of the two cells (negated when descending), then document order.
  int Compare(const TextKey& a, const TextKey& b) const { return Finish(CompareTexts(a, b), a, b); }
  int Compare(const MixedKey& a, const MixedKey& b) const {
    if (a.Number != kNoNumber && b.Number != kNoNumber)
      return Finish(a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0), a, b);
    return Finish(CompareTexts(a, b), a, b);
  }

 private:
  int Finish(int r, const TextKey& a, const TextKey& b) const {
    if (r != 0) return descending_ ? -r : r;
    return a.Row < b.Row ? -1 : (a.Row > b.Row ? 1 : 0);
  }
  int CompareTexts(const TextKey& a, const TextKey& b) const {
    // Most keys differ in their first bytes: the prefixes decide without reading the keys.
    if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix ? -1 : 1;
    if (a.Complete && b.Complete) return 0;
    if (const auto t = platform::CompareTextSortKeys({a.Text, a.Length}, {b.Text, b.Length}))
      return *t < 0 ? -1 : (*t > 0 ? 1 : 0);
    // The system could not compare: the original texts compare ordinally (rare, so they are read again).
    const std::u16string x = document_.GetCell(a.Row, col_);
    const std::u16string y = document_.GetCell(b.Row, col_);
    return CompareOrdinal(x, y);
  }

  TCsvDocument& document_;
  std::int32_t col_;
  bool descending_;
};

// The prefix of every key, where the system's keys have one.
template <typename Key>
void SetPrefixes(Key* keys, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t prefix = 0;
    bool complete = false;
    if (!platform::TextSortKeyPrefix({keys[i].Text, keys[i].Length}, prefix, complete)) return;
    keys[i].Prefix = prefix;
    keys[i].Complete = complete ? 1u : 0u;
  }
}

// Fills Text, Length and Prefix of every key: values that are their own sort key point into the document's
// text; the others get their key in `pool`, which is sized first so that it never moves.
template <typename Key>
void PrepareTexts(TCsvDocument& document, std::int32_t col, const TIntArray& rows, Key* keys, std::u16string& pool) {
  const std::u16string& text = document.Text();
  const auto inText = [&text](std::u16string_view v) {
    return v.data() >= text.data() && v.data() + v.size() <= text.data() + text.size();
  };
  std::vector<std::size_t> pooled;  // positions whose key goes into the pool
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::u16string_view value = document.ValueView(rows[i], col);
    keys[i].Row = rows[i];
    keys[i].Prefix = 0;
    keys[i].Complete = 0;
    if (inText(value) && platform::IsOwnTextSortKey(value)) {
      keys[i].Text = value.data();
      keys[i].Length = static_cast<std::uint32_t>(value.size()) & 0x7FFF'FFFFu;
    } else {
      pooled.push_back(i);
    }
  }
  if (pooled.empty()) return SetPrefixes(keys, rows.size());
  std::size_t total = 0;
  for (const std::size_t i : pooled) total += document.ValueView(rows[i], col).size();
  pool.reserve(total);  // keys are usually as long as their values; the pool is only used once complete
  platform::PreferLargePages(pool.data(), pool.capacity() * sizeof(char16_t));
  std::vector<std::size_t> starts(pooled.size() + 1);
  for (std::size_t k = 0; k < pooled.size(); ++k) {
    starts[k] = pool.size();
    platform::AppendTextSortKey(document.ValueView(rows[pooled[k]], col), pool);
  }
  starts[pooled.size()] = pool.size();
  // The pool is complete and no longer grows: its characters stay where they are.
  for (std::size_t k = 0; k < pooled.size(); ++k) {
    keys[pooled[k]].Text = pool.data() + starts[k];
    keys[pooled[k]].Length = static_cast<std::uint32_t>(starts[k + 1] - starts[k]) & 0x7FFF'FFFFu;
  }
  SetPrefixes(keys, rows.size());
}

// Sorts keys[0..n-1] by Bits, keeping the order of equal ones: a least-significant-digit radix sort,
// eight bits a pass, skipping the passes in which every key has the same digit.
void RadixSort(NumberKey* keys, std::size_t n) {
  constexpr int kPasses = 8;
  const auto digit = [](const NumberKey& key, int pass) {
    return static_cast<std::size_t>((key.Bits() >> (8 * pass)) & 0xFF);
  };
  std::vector<std::array<std::size_t, 256>> counts(kPasses);
  for (auto& c : counts) c.fill(0);
  for (std::size_t i = 0; i < n; ++i)
    for (int p = 0; p < kPasses; ++p) ++counts[static_cast<std::size_t>(p)][digit(keys[i], p)];
  auto scratch = NewKeys<NumberKey>(n);
  NumberKey* from = keys;
  NumberKey* to = scratch.get();
  for (int p = 0; p < kPasses; ++p) {
    auto& count = counts[static_cast<std::size_t>(p)];
    if (count[digit(from[0], p)] == n) continue;  // one digit for all: the pass would change nothing
    std::size_t at = 0;
    for (std::size_t& c : count) {
      const std::size_t k = c;
      c = at;
      at += k;
    }
    for (std::size_t i = 0; i < n; ++i) to[count[digit(from[i], p)]++] = from[i];
    std::swap(from, to);
  }
  if (from != keys) std::copy(from, from + n, keys);
}

// Keys whose order is that of their values: the row comparison is the comparison of (key, row), with
// the key's order inverted for a descending sort. That is a total order, so every sort gives the merge
// sort's result: rows in file order (as the grid model gives them) are sorted by key alone, keeping the
// order of equal keys; otherwise the merge sort runs on (key, row).
void SortOrderedKeys(NumberKey* keys, std::size_t n, bool descending, TIntArray& rows) {
  if (descending)
    for (std::size_t i = 0; i < n; ++i) SetBits(keys[i], ~keys[i].Bits());
  bool ascendingRows = true;
  for (std::size_t i = 1; i < n && ascendingRows; ++i) ascendingRows = keys[i - 1].Row < keys[i].Row;
  if (ascendingRows) {
    RadixSort(keys, n);
  } else {
    MergeSort(keys, n, [](const NumberKey& l, const NumberKey& r) {
      const std::uint64_t a = l.Bits(), b = r.Bits();
      return a > b || (a == b && l.Row > r.Row);
    });
  }
  for (std::size_t i = 0; i < n; ++i) rows[i] = keys[i].Row;
}

// A column of texts only, in which most values repeat (names, cities, categories): the different values
// are sorted once and every row gets the rank of its value, equal ranks for values that compare equal.
// Because the text comparison is a consistent order, sorting rows by (rank, row) gives the very order
// that the merge sort over the rows gives, with one comparison per pair of different values instead of
// one per pair of rows. Only the different values get a sort key, so a column of names costs a few
// hundred keys, not one per row. False (nothing changed) when the values are mostly different or the
// system could not compare two of them.
bool SortByRanks(TCsvDocument& document, std::int32_t col, bool descending, TIntArray& rows) {
  struct ViewHash {
    std::size_t operator()(std::u16string_view v) const noexcept { return std::hash<std::u16string_view>()(v); }
  };
  const std::size_t n = rows.size();
  constexpr std::size_t kSample = 4096;
  if (n < 2 * kSample) return false;
  {
    std::unordered_set<std::u16string_view, ViewHash> sample;
    for (std::size_t i = 0; i < kSample; ++i) sample.insert(document.ValueView(rows[i], col));
    if (sample.size() * 8 > kSample) return false;
  }
  // Views stay valid while nothing edits the document: they lie in its text or its kept values.
  std::unordered_map<std::u16string_view, std::uint32_t, ViewHash> ids;
  std::vector<std::u16string_view> values;
  auto ranks = NewKeys<NumberKey>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto [it, added] = ids.try_emplace(document.ValueView(rows[i], col), static_cast<std::uint32_t>(values.size()));
    if (added) {
      values.push_back(it->first);
      if (values.size() * 4 > n) return false;  // mostly different after all
    }
    SetBits(ranks[i], it->second);
    ranks[i].Row = rows[i];
  }

  // The keys of the different values, in a pool that is complete before any view into it is taken.
  std::u16string pool;
  std::vector<std::size_t> starts(values.size() + 1);
  for (std::size_t k = 0; k < values.size(); ++k) {
    starts[k] = pool.size();
    platform::AppendTextSortKey(values[k], pool);
  }
  starts[values.size()] = pool.size();
  const auto key = [&](std::uint32_t k) {
    return std::u16string_view(pool).substr(starts[k], starts[k + 1] - starts[k]);
  };
  std::vector<std::uint32_t> order(values.size());
  for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
  bool failed = false;
  const auto compare = [&](std::uint32_t a, std::uint32_t b) {
    const auto r = platform::CompareTextSortKeys(key(a), key(b));
    failed = failed || !r;
    return r ? *r : 0;
  };
  if (order.size() > 1) MergeSort(order.data(), order.size(), [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) > 0; });
  std::vector<std::uint32_t> rankOf(values.size());
  std::uint32_t rank = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0 && compare(order[k - 1], order[k]) != 0) ++rank;
    rankOf[order[k]] = rank;
  }
  if (failed) return false;
  for (std::size_t i = 0; i < n; ++i) SetBits(ranks[i], rankOf[static_cast<std::size_t>(ranks[i].Bits())]);
  SortOrderedKeys(ranks.get(), n, descending, rows);
  return true;
}

// Texts over rows in file order whose keys have prefixes (see SetPrefixes): a stable radix sort by prefix
// (inverted when descending) puts them in the order of their keys wherever the prefixes differ, and keeps
// file order among equal prefixes; each run of equal prefixes that are not all complete is then sorted
// by the full row comparison. The comparison of keys is a consistent order and the row decides the rest,
// so this is the merge sort's result, with eight passes over small entries instead of a comparison per
// pair. False (nothing changed) when the rows are not in file order or no key has a prefix.
bool SortByPrefixes(TextKey* keys, std::size_t n, bool descending, const TextComparer& cmp, TIntArray& rows) {
  bool prefixed = false;
  for (std::size_t i = 0; i < n && !prefixed; ++i) prefixed = keys[i].Prefix != 0;
  if (!prefixed) return false;
  for (std::size_t i = 1; i < n; ++i)
    if (keys[i - 1].Row >= keys[i].Row) return false;
  auto order = NewKeys<NumberKey>(n);
  for (std::size_t i = 0; i < n; ++i) {
    SetBits(order[i], descending ? ~keys[i].Prefix : keys[i].Prefix);
    order[i].Row = static_cast<std::int32_t>(i);
  }
  RadixSort(order.get(), n);
  auto sorted = NewKeys<TextKey>(n);
  for (std::size_t i = 0; i < n; ++i) sorted[i] = keys[static_cast<std::size_t>(order[i].Row)];
  order.reset();
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i + 1;
    bool complete = sorted[i].Complete != 0;
    for (; j < n && sorted[j].Prefix == sorted[i].Prefix; ++j) complete = complete && sorted[j].Complete != 0;
    if (j - i > 1 && !complete)
      MergeSort(sorted.get() + i, j - i, [&cmp](const TextKey& l, const TextKey& r) { return cmp.Compare(l, r) > 0; });
    i = j;
  }
  for (std::size_t i = 0; i < n; ++i) rows[i] = sorted[i].Row;
  return true;
}

template <typename Key>
void SortTexts(TCsvDocument& document, std::int32_t col, bool descending, TIntArray& rows,
               const NumberKey* numbers) {
  if constexpr (std::is_same_v<Key, TextKey>)
    if (SortByRanks(document, col, descending, rows)) return;
  const std::size_t n = rows.size();
  auto keys = NewKeys<Key>(n);
  if constexpr (std::is_same_v<Key, MixedKey>)
    for (std::size_t i = 0; i < n; ++i) keys[i].Number = numbers[i].Bits();
  std::u16string pool;
  PrepareTexts(document, col, rows, keys.get(), pool);
  const TextComparer cmp(document, col, descending);
  if constexpr (std::is_same_v<Key, TextKey>)
    if (SortByPrefixes(keys.get(), n, descending, cmp, rows)) return;
  MergeSort(keys.get(), n, [&cmp](const Key& l, const Key& r) { return cmp.Compare(l, r) > 0; });
  for (std::size_t i = 0; i < n; ++i) rows[i] = keys[i].Row;
}

}  // namespace

void SortRows(TCsvDocument& document, std::int32_t col, int direction, TIntArray& rows) {
  const std::size_t n = rows.size();
  if (n < 2) return;
  const bool descending = direction < 0;

  // Numbers are stored while every value so far is one; after the first text they are only counted.
  auto numbers = NewKeys<NumberKey>(n);
  std::size_t count = 0;
  bool allSoFar = true;
  for (std::size_t i = 0; i < n; ++i) {
    double value = 0;
    if (TryParseNumber(document.ValueView(rows[i], col), value)) {
      ++count;
      if (allSoFar) {
        SetBits(numbers[i], OrderedBits(value));
        numbers[i].Row = rows[i];
      }
    } else {
      allSoFar = false;
    }
  }
  if (count == 0) {
    numbers.reset();
    SortTexts<TextKey>(document, col, descending, rows, nullptr);
    return;
  }
  if (count < n) {
    // Numbers and texts: numbers compare as numbers among themselves and as texts against texts.
    for (std::size_t i = 0; i < n; ++i) {
      double value = 0;
      SetBits(numbers[i], TryParseNumber(document.ValueView(rows[i], col), value) ? OrderedBits(value) : kNoNumber);
    }
    SortTexts<MixedKey>(document, col, descending, rows, numbers.get());
    return;
  }

  SortOrderedKeys(numbers.get(), n, descending, rows);
}

}  // namespace qelvar
