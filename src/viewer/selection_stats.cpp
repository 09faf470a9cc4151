// The status bar's totals of a selection: count, numbers, sum, average, minimum and maximum of the current
// column's values in the selected rows, as spreadsheets show them. One pass over the selection, kept until
// the selection, the column or the rows change, so that the status bar's many updates cost nothing.
#include <vector>

#include "document/csv_document.h"
#include "grid/column_stats.h"
#include "grid/grid_model.h"
#include "viewer/viewer.h"

namespace qelvar {

std::u16string TCsvViewer::SelectionStatsText() {
  const int column = cursor.column - LineNumberOffset();
  const int selected = listView ? static_cast<int>(ListView_GetSelectedCount(listView)) : 0;
  if (!model || !document || !listView || view.transformed || selected < 2 || column < 0 ||
      column >= document->ColumnCount())
    return {};
  const int first = ListView_GetNextItem(listView, -1, LVNI_SELECTED);
  const TStatsKey key{selected, first, column, VisibleRowCount(), document->RowCount(), model->SortColumn()};
  if (key == stats.key) return stats.text;

  std::vector<std::int32_t> rows;
  rows.reserve(static_cast<std::size_t>(selected));
  for (int i = first; i >= 0 && static_cast<int>(rows.size()) < selected;) {
    rows.push_back(model->VisibleToDocumentRow(i));
    const int next = ListView_GetNextItem(listView, i, LVNI_SELECTED);
    if (next <= i) break;
    i = next;
  }
  std::u16string value;
  const TCellSource cells = [&](std::size_t i) -> std::u16string_view {
    value = model->GetCell(rows[i], column);
    return value;
  };
  // The file's number format: the separator most of the column's numbers read with.
  const TDecimalSeparator separator = GuessDecimalSeparator(rows.size(), cells, 2000);
  const TSelectionStats figures = SelectionStats(rows.size(), cells, separator);
  const TStatsLabels labels{UiText(utStatCount), UiText(utStatNumbers), UiText(utStatSum),
                            UiText(utStatAverage), UiText(utStatMin), UiText(utStatMax)};
  stats.key = key;
  stats.text = FormatSelectionStats(figures, labels, separator);
  return stats.text;
}

}  // namespace qelvar
