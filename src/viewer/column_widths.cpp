// Column widths from the content, the width cap, and columns hidden by the user (width 0).
#include <algorithm>
#include <charconv>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/grid/width_rules.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

int TextWidth(HDC dc, std::u16string_view text) noexcept {
  if (text.empty()) return 0;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, AsWide(text.data()), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

std::u16string DecimalText(int number) {
  char digits[16]{};
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  return std::u16string(digits, end);
}

}  // namespace

std::vector<int> TCsvViewer::ComputeColumnWidths(bool toMax) {
  const int count = std::max(GridColumnCount(), 0);
  std::vector<int> widths(static_cast<std::size_t>(count), ScaleByFont(140));
  const int padding = ScaleByFont(24);
  const int lineNumberPadding = ScaleByFont(12);
  if (!listView) return widths;
  TWindowDC dc(listView);
  if (!dc) return widths;
  TSelectObject selectFont(dc.Get(), font.Get());

  const int total = VisibleRowCount();
  const bool allRows = toMax || ReadInteger(u"allColumnsToMaxWidth") != 0;
  int samples = total;
  int cap = 0;  // 0: no cap
  if (!allRows) {
    samples = SampleCount(total, ReadInteger(u"max-column-samples"));
    const int maxWidth = ReadInteger(u"max-column-width");
    if (maxWidth > 0) cap = ScaleByFont(maxWidth);
  }

  const int offset = LineNumberOffset();
  const std::vector<bool>& hidden = HiddenColumnFlags();
  for (int i = 0; i < count; ++i) {
    int& width = widths[static_cast<std::size_t>(i)];
    if (showLineNumbers && i == 0) {
      width = std::max(TextWidth(dc.Get(), u"#"), TextWidth(dc.Get(), DecimalText(std::max(total, 1)))) +
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
      TSelectObject selectBold(dc.Get(), boldFont.Get());
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
