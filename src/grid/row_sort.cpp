#include "grid/row_sort.h"

#include <string>
#include <vector>

#include "document/csv_model.h"
#include "platform/platform.h"

namespace qelvar {
namespace {

struct SortKey {
  double Number = 0;          // the parsed value when IsNumber
  std::uint32_t TextStart = 0;  // the prepared text in the key pool (only when the column has texts)
  std::uint32_t TextLength = 0;
  std::int32_t Row = 0;
  bool IsNumber = false;
};

class RowComparer {
 public:
  RowComparer(TCsvDocument& document, std::int32_t col, bool descending, const std::u16string& pool)
      : document_(document), col_(col), descending_(descending), pool_(pool) {}

  // The row comparison: the values' comparison (negated when descending), then document order.
  int Compare(const SortKey& a, const SortKey& b) const {
    int r = 0;
    if (a.IsNumber && b.IsNumber) {
      r = a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0);
    } else if (const auto t = platform::CompareTextSortKeys(Text(a), Text(b))) {
      r = *t < 0 ? -1 : (*t > 0 ? 1 : 0);
    } else {
      r = Ordinal(a.Row, b.Row);
    }
    if (r != 0) return descending_ ? -r : r;
    return a.Row < b.Row ? -1 : (a.Row > b.Row ? 1 : 0);
  }

 private:
  std::u16string_view Text(const SortKey& k) const {
    return std::u16string_view(pool_).substr(k.TextStart, k.TextLength);
  }
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
};

void Merge(const SortKey* in, SortKey* out, std::size_t lo, std::size_t mid, std::size_t hi, const RowComparer& cmp) {
  std::size_t i = lo, j = mid + 1, k = lo;
  while (i <= mid && j <= hi) out[k++] = cmp.Compare(in[i], in[j]) > 0 ? in[j++] : in[i++];
  while (i <= mid) out[k++] = in[i++];
  while (j <= hi) out[k++] = in[j++];
}

// Sorts [lo, hi] into `out`; on entry `in` and `out` hold the same entries there. The halves are sorted
// into `in` (the roles swap at each level), so no level copies back.
void SortRange(SortKey* in, SortKey* out, std::size_t lo, std::size_t hi, const RowComparer& cmp) {
  if (hi <= lo) return;
  const std::size_t mid = lo + (hi - lo) / 2;
  SortRange(out, in, lo, mid, cmp);
  SortRange(out, in, mid + 1, hi, cmp);
  Merge(in, out, lo, mid, hi, cmp);
}

}  // namespace

void SortRows(TCsvDocument& document, std::int32_t col, int direction, TIntArray& rows) {
  const std::size_t n = rows.size();
  if (n < 2) return;

  std::vector<SortKey> keys(n);
  bool allNumbers = true;
  for (std::size_t i = 0; i < n; ++i) {
    keys[i].Row = rows[i];
    keys[i].IsNumber = TryParseNumber(document.ValueView(rows[i], col), keys[i].Number);
    allNumbers = allNumbers && keys[i].IsNumber;
  }
  std::u16string pool;
  if (!allNumbers) {
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t start = pool.size();
      platform::AppendTextSortKey(document.ValueView(rows[i], col), pool);
      // The values of one column together are no longer than the document's text (32-bit positions).
      keys[i].TextStart = static_cast<std::uint32_t>(start);
      keys[i].TextLength = static_cast<std::uint32_t>(pool.size() - start);
    }
  }

  const RowComparer cmp(document, col, direction < 0, pool);
  std::vector<SortKey> scratch(keys);
  SortRange(scratch.data(), keys.data(), 0, n - 1, cmp);
  for (std::size_t i = 0; i < n; ++i) rows[i] = keys[i].Row;
}

}  // namespace qelvar
