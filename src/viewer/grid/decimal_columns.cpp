#include "viewer/grid/decimal_columns.h"

#include <algorithm>

namespace qelvar {

void TDecimalColumns::Reset(std::size_t columns) {
  integerWidths_.assign(columns, 0);
  numeric_.assign(columns, false);
}

void TDecimalColumns::NoteNumber(std::size_t column, int integerWidth) noexcept {
  if (column >= numeric_.size()) return;
  numeric_[column] = true;
  integerWidths_[column] = std::max(integerWidths_[column], integerWidth);
}

bool TDecimalColumns::Aligns(std::size_t column) const noexcept {
  return enabled_ && column < numeric_.size() && numeric_[column];
}

bool TDecimalColumns::Widen(std::size_t column, int integerWidth, int tailWidth, int room) noexcept {
  if (!Aligns(column)) return false;
  int& aligned = integerWidths_[column];
  if (integerWidth <= aligned || integerWidth + tailWidth > room) return false;
  aligned = integerWidth;
  return true;
}

int TDecimalColumns::SeparatorAt(std::size_t column, int integerWidth, int tailWidth, int room) const noexcept {
  if (!Aligns(column)) return -1;
  const int aligned = integerWidths_[column];
  return integerWidth <= aligned && aligned + tailWidth <= room ? aligned : -1;
}

}  // namespace qelvar
