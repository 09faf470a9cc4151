// Sorting of visible rows by one column: the top-down merge sort whose result the comparison rules define.
#pragma once

#include <cstdint>

#include "grid/grid_model.h"

namespace qelvar {

// Sorts `rows` (document row indexes) by the values of column `col`, ascending for direction > 0 and
// descending otherwise; equal values keep ascending document order in both directions.
//
// The order is exactly that of a top-down merge sort over [lo, hi] split at mid = (lo + hi) div 2, whose
// merge takes the right entry only when the row comparison of left against right is greater than 0, with
// CompareValues on the cells as the comparison. Even where CompareValues is not transitive (numbers
// against texts) the result is that one. Each row's key (its parsed number, or its prepared text) is
// computed once; the merge sort then moves keys, not row indexes, so comparisons touch memory in order.
void SortRows(TCsvDocument& document, std::int32_t col, int direction, TIntArray& rows);

}  // namespace qelvar
