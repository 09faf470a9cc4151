// Column widths from the content, the width cap, and columns hidden by the user (width 0).
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/grid/decimal_digits.h"
#include "viewer/grid/width_rules.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {

std::vector<int> TCsvViewer::ComputeColumnWidths(bool toMax) {
  const int count = std::max(GridColumnCount(), 0);
  std::vector<int> widths(static_cast<std::size_t>(count), metrics.ScaleByFont(140));
  const int padding = metrics.ScaleByFont(24);
  const int lineNumberPadding = metrics.ScaleByFont(12);
  if (!listView) return widths;
  TWindowDC dc(listView);
  if (!dc) return widths;
  TSelectObject selectFont(dc.Get(), fonts.Regular());

  const int total = VisibleRowCount();
  const bool allRows = toMax || ReadInteger(u"allColumnsToMaxWidth") != 0;
  int samples = total;
  int cap = 0;  // 0: no cap
  if (!allRows) {
    samples = SampleCount(total, ReadInteger(u"max-column-samples"));
    const int maxWidth = ReadInteger(u"max-column-width");
    if (maxWidth > 0) cap = metrics.ScaleByFont(maxWidth);
  }

  const int offset = LineNumberOffset();
  const std::vector<bool>& hidden = HiddenColumnFlags();
  for (int i = 0; i < count; ++i) {
    int& width = widths[static_cast<std::size_t>(i)];
    if (view.lineNumbers && i == 0) {
      width = std::max(TextWidth(dc.Get(), u"#"), TextWidth(dc.Get(), TDecimalDigits(std::max(total, 1)).View())) +
              lineNumberPadding;
      continue;
    }
    const int column = i - offset;
    if (column >= 0 && column < static_cast<int>(hidden.size()) && hidden[static_cast<std::size_t>(column)]) {
      width = 0;
      continue;
    }
    {
      // The header draws its titles in bold: measured in the grid font they would be cut off.
      TSelectObject selectBold(dc.Get(), fonts.Bold());
      width = TextWidth(dc.Get(), ColumnTitle(i)) + padding;
    }
    for (int j = 0; j < samples; ++j)
      width = std::max(width, TextWidth(dc.Get(), CellText(SampleRow(j, samples, total), i)) + padding);
    width = CappedColumnWidth(width, padding, cap, count, offset, column);
  }
  return widths;
}

void TCsvViewer::ApplyColumnWidths(const std::vector<int>& widths) {
  if (!listView) return;
  for (std::size_t i = 0; i < widths.size(); ++i) ListView_SetColumnWidth(listView, static_cast<int>(i), widths[i]);
  PlaceFilterEdits();
  MeasureNumericColumns();
}

void TCsvViewer::HideColumn(int listColumn) {
  const int count = GridColumnCount();
  const int offset = LineNumberOffset();
  if (listColumn < 0 || listColumn >= count || listColumn - offset < 0) return;
  const auto dataColumns = static_cast<std::size_t>(count - offset);
  std::vector<bool>& hidden = HiddenColumnFlags();
  if (hidden.size() != dataColumns) hidden.resize(dataColumns, false);
  hidden[static_cast<std::size_t>(listColumn - offset)] = true;
  if (listView) ListView_SetColumnWidth(listView, listColumn, 0);
  PlaceFilterEdits();
}

void TCsvViewer::ShowAllColumns() {
  std::vector<bool>& hidden = HiddenColumnFlags();
  std::fill(hidden.begin(), hidden.end(), false);
  ApplyColumnWidths(ComputeColumnWidths(false));
  PlaceFilterEdits();
}

void TCsvViewer::AutoSizeAllColumns() { ApplyColumnWidths(ComputeColumnWidths(true)); }

}  // namespace qelvar
