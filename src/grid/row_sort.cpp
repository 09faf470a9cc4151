#include "grid/row_sort.h"

#include <cstring>
#include <string>
#include <vector>

#include "document/csv_model.h"
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

template <typename Key, typename TakeRight>
void MergeSort(std::vector<Key>& keys, const TakeRight& takeRight) {
  std::vector<Key> scratch(keys);
  SortRange(scratch.data(), keys.data(), 0, keys.size() - 1, takeRight);
}

// ---- keys -----------------------------------------------------------------------------------------

// A number as an unsigned integer that orders like the double: no NaN can occur, and -0 and +0 are one
// value. Split in two halves so that a key with its row takes 12 bytes: the sort is memory-bound.
struct NumberKey {
  std::uint32_t High = 0;
  std::uint32_t Low = 0;
  std::int32_t Row = 0;
  std::uint64_t Bits() const { return (std::uint64_t{High} << 32) | Low; }
};

// No finite or infinite double maps to this (it is where a NaN would go): it marks a value that is no number.
constexpr std::uint64_t kNotANumber = 0xFFF8'0000'0000'0000ull;

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

// A value that is not a number (or a column that is not all numbers): its prepared text in the pool,
// and its position in the number keys, whose entry says whether the value is a number.
struct TextKey {
  std::uint32_t Start = 0;
  std::uint32_t Length = 0;
  std::int32_t Row = 0;
  std::uint32_t Index = 0;
};

class TextComparer {
 public:
  TextComparer(TCsvDocument& document, std::int32_t col, bool descending, const std::u16string& pool,
               const std::vector<NumberKey>& numbers)
      : document_(document), col_(col), descending_(descending), pool_(pool), numbers_(numbers) {}

  // The row comparison: CompareValues of the two cells (negated when descending), then document order.
  int Compare(const TextKey& a, const TextKey& b) const {
    int r = 0;
    const std::uint64_t x = numbers_[a.Index].Bits(), y = numbers_[b.Index].Bits();
    if (x != kNotANumber && y != kNotANumber) {
      r = x < y ? -1 : (x > y ? 1 : 0);
    } else if (const auto t = platform::CompareTextSortKeys(Text(a), Text(b))) {
      r = *t < 0 ? -1 : (*t > 0 ? 1 : 0);
    } else {
      r = Ordinal(a.Row, b.Row);
    }
    if (r != 0) return descending_ ? -r : r;
    return a.Row < b.Row ? -1 : (a.Row > b.Row ? 1 : 0);
  }

 private:
  std::u16string_view Text(const TextKey& k) const { return std::u16string_view(pool_).substr(k.Start, k.Length); }
  // The system could not compare: the original texts compare ordinally (rare, so they are read again).
  int Ordinal(std::int32_t rowA, std::int32_t rowB) const {
    const std::u16string a = document_.GetCell(rowA, col_);
    const std::u16string b = document_.GetCell(rowB, col_);
    return CompareOrdinal(a, b);
  }

  TCsvDocument& document_;
  std::int32_t col_;
  bool descending_;
  const std::u16string& pool_;
  const std::vector<NumberKey>& numbers_;
};

void SortTexts(TCsvDocument& document, std::int32_t col, bool descending, const std::vector<NumberKey>& numbers,
               TIntArray& rows) {
  const std::size_t n = rows.size();
  std::size_t total = 0;
  for (const std::int32_t row : rows) total += document.ValueView(row, col).size();
  std::u16string pool;
  pool.reserve(total);
  std::vector<TextKey> keys(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t start = pool.size();
    platform::AppendTextSortKey(document.ValueView(rows[i], col), pool);
    // The values of one column together are no longer than the document's text (32-bit positions).
    keys[i] = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(pool.size() - start), rows[i],
               static_cast<std::uint32_t>(i)};
  }
  const TextComparer cmp(document, col, descending, pool, numbers);
  MergeSort(keys, [&cmp](const TextKey& l, const TextKey& r) { return cmp.Compare(l, r) > 0; });
  for (std::size_t i = 0; i < n; ++i) rows[i] = keys[i].Row;
}

}  // namespace

void SortRows(TCsvDocument& document, std::int32_t col, int direction, TIntArray& rows) {
  const std::size_t n = rows.size();
  if (n < 2) return;
  const bool descending = direction < 0;

  std::vector<NumberKey> numbers(n);
  bool allNumbers = true;
  for (std::size_t i = 0; i < n; ++i) {
    double value = 0;
    const bool isNumber = TryParseNumber(document.ValueView(rows[i], col), value);
    SetBits(numbers[i], isNumber ? OrderedBits(value) : kNotANumber);
    numbers[i].Row = rows[i];
    allNumbers = allNumbers && isNumber;
  }
  if (!allNumbers) {
    SortTexts(document, col, descending, numbers, rows);
    return;
  }

  // Numbers only: the row comparison is the comparison of (value, row), with the value's order inverted
  // for a descending sort; a total order, so the merge needs no branch on the values.
  if (descending)
    for (auto& key : numbers) SetBits(key, ~key.Bits());
  MergeSort(numbers, [](const NumberKey& l, const NumberKey& r) {
    const std::uint64_t a = l.Bits(), b = r.Bits();
    return a > b || (a == b && l.Row > r.Row);
  });
  for (std::size_t i = 0; i < n; ++i) rows[i] = numbers[i].Row;
}

}  // namespace qelvar
