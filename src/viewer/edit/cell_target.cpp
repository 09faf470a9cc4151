#include "viewer/edit/cell_target.h"

#include "document/csv_document.h"

namespace qelvar {

bool FitsEditBox(std::u16string_view value) noexcept { return value.find(u'\0') == std::u16string_view::npos; }

int EditorLines(std::u16string_view value) noexcept {
  int lines = 1;
  for (std::size_t i = 0; i < value.size() && lines < kMaxEditorLines; ++i) {
    if (value[i] == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
    if (value[i] == u'\r' || value[i] == u'\n') ++lines;
  }
  return lines;
}

bool CellTakesValue(const TCsvDocument& document, int row, int column) {
  if (row < 0 || row >= document.RowCount() || column < 0) return false;
  return !document.Rows()[static_cast<std::size_t>(row)].IsComment && column < document.CellCount(row);
}

}  // namespace qelvar
