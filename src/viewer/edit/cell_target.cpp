#include "viewer/edit/cell_target.h"

#include "document/csv_document.h"

namespace qelvar {

bool FitsOneLineBox(std::u16string_view value) noexcept {
  return value.find_first_of(std::u16string_view(u"\r\n\0", 3)) == std::u16string_view::npos;
}

bool CellTakesValue(const TCsvDocument& document, int row, int column) {
  if (row < 0 || row >= document.RowCount() || column < 0) return false;
  return !document.Rows()[static_cast<std::size_t>(row)].IsComment && column < document.CellCount(row);
}

}  // namespace qelvar
