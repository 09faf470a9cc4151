// What the grid shows and how the viewer paints it: cell texts and column titles, building the list-view
// columns, sort marks, the measures for decimal alignment, and the custom draw of the grid and the header.
#include <algorithm>
#include <array>
#include <cstring>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/grid/decimal_digits.h"
#include "viewer/grid/display_number.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {
namespace {

void FillSolid(HDC dc, const RECT& rect, COLORREF color) noexcept {
  SetDCBrushColor(dc, color);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void DrawTextIn(HDC dc, std::u16string_view text, RECT rect, UINT format) noexcept {
  DrawTextW(dc, AsWide(text.data()), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

}  // namespace

// ---- texts ------------------------------------------------------------------------------------------

std::u16string TCsvViewer::CellText(int index, int column) const {
  if (view.lineNumbers) {
    if (column == 0) return std::u16string(TDecimalDigits(index + 1LL).View());
    --column;
  }
  if (view.transformed && transformConfig) {
    if (!model) return {};
    // The header flag the model was built with, read once at the load: never per cell.
    const int startRow = model->HeaderRow() ? 1 : 0;
    return transformConfig->CellValue(column, model->VisibleToDocumentRow(index), startRow, document.get());
  }
  return model ? model->GetDisplayCell(index, column) : std::u16string();
}

void TCsvViewer::CopyCellText(int index, int column, wchar_t* buffer, int size) const noexcept {
  if (!buffer || size <= 0) return;
  const auto copy = [&](std::u16string_view text) {
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), count * sizeof(char16_t));
    buffer[count] = L'\0';
  };
  buffer[0] = L'\0';
  if (view.lineNumbers && column == 0) {
    copy(TDecimalDigits(index + 1LL).View());
    return;
  }
  const int documentColumn = column - LineNumberOffset();
  if (view.transformed && transformConfig) {
    try {
      copy(CellText(index, column));
    } catch (...) {
      buffer[0] = L'\0';
    }
    return;
  }
  if (!model || !document) return;
  const int row = model->VisibleToDocumentRow(index);
  if (row < 0 || documentColumn < 0) return;
  try {
    // A view of the decoded value: nothing is allocated for the text the list view asks for.
    copy(document->ValueView(row, documentColumn));
  } catch (...) {
    buffer[0] = L'\0';
  }
}

std::u16string TCsvViewer::ColumnTitle(int column) const {
  if (view.lineNumbers) {
    if (column == 0) return u"#";
    --column;
  }
  if (view.transformed && transformConfig) return transformConfig->OutputHeader(column);
  // The panel names the columns by the same rule, so a headerless column reads alike in both.
  return model ? SourceColumnName(document.get(), model->HeaderRow(), column) : std::u16string();
}

// ---- columns ------------------------------------------------------------------------------------------

void TCsvViewer::BuildColumns(const std::vector<int>& widths, bool boxesLater) {
  EndCellEdit(true);
  if (life.destroyed) return;
  search.Forget();
  KillTimer(window, kFilterTimer);
  filterRow.Reset(0);
  if (!listView) return;

  // No painting while the columns go and come: each change would repaint the header and the grid, which
  // in a file of many thousand columns takes minutes.
  const TRedrawPaused paused(listView);
  const int existing = header ? Header_GetItemCount(header) : 0;
  for (int i = existing - 1; i >= 0; --i) ListView_DeleteColumn(listView, i);
  const int count = GridColumnCount();
  for (int i = 0; i < count; ++i) {
    std::u16string title = ColumnTitle(i);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.pszText = AsWide(title.data());
    column.cx = i < static_cast<int>(widths.size()) ? widths[static_cast<std::size_t>(i)] : metrics.ScaleByFont(140);
    ListView_InsertColumn(listView, i, &column);
  }
  if (boxesLater) ResetFilterRow();
  else CreateFilterEdits();
  UpdateSortMarks();
  ListView_SetItemCountEx(listView, VisibleRowCount(), 0);
  MeasureNumericColumns();
  UpdateStatusBar();
}

void TCsvViewer::UpdateSortMarks() noexcept {
  if (!header) return;
  const int count = Header_GetItemCount(header);
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(header, i, &item)) continue;
    const int before = item.fmt;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (model && model->SortColumn() >= 0 && i - LineNumberOffset() == model->SortColumn()) {
      if (model->SortDirection() > 0) item.fmt |= HDF_SORTUP;
      else if (model->SortDirection() < 0) item.fmt |= HDF_SORTDOWN;
    }
    // Each change notifies the list view, which places every filter box again: in a wide file, touching
    // every item would cost the number of columns squared.
    if (item.fmt != before) Header_SetItem(header, i, &item);
  }
  InvalidateRect(header, nullptr, TRUE);
}

void TCsvViewer::MeasureNumericColumns() {
  const auto columns = static_cast<std::size_t>(std::max(GridColumnCount(), 0));
  decimal.Reset(columns);
  if (!decimal.Enabled() || !listView) return;

  const int total = VisibleRowCount();
  const int samples = SampleCount(total, ReadInteger(u"max-column-samples"));
  if (samples == 0) return;
  TWindowDC dc(listView);
  if (!dc) return;
  TSelectObject selectFont(dc.Get(), fonts.Regular());
  for (std::size_t column = static_cast<std::size_t>(LineNumberOffset()); column < columns; ++column) {
    for (int j = 0; j < samples; ++j) {
      const std::u16string text = CellText(SampleRow(j, samples, total), static_cast<int>(column));
      TDisplayNumber number;
      if (!ParseDisplayNumber(text, number)) continue;
      decimal.NoteNumber(column, TextWidth(dc.Get(), number.IntegerPart));
    }
  }
}

// ---- grid custom draw -------------------------------------------------------------------------------

LRESULT TCsvViewer::GridCustomDraw(NMLVCUSTOMDRAW& draw) noexcept {
  NMCUSTOMDRAW& common = draw.nmcd;
  const int item = static_cast<int>(common.dwItemSpec);
  const COLORREF parity = (item % 2 != 0) ? theme.Colors().back2 : theme.Colors().back;
  switch (common.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      draw.clrText = theme.Colors().text;
      const bool selected = (ListView_GetItemState(listView, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
      // Its cells follow: each would ask the list view again (a message per cell, costly under Wine).
      painting.item = item;
      painting.selected = selected;
      if (selected) {
        // The viewer paints the selection itself, per cell.
        common.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
        return CDRF_NOTIFYSUBITEMDRAW;
      }
      draw.clrTextBk = parity;
      return (view.lineNumbers || decimal.Enabled()) ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      break;
    default:
      return CDRF_DODEFAULT;
  }

  const int column = draw.iSubItem;
  const HDC dc = common.hdc;
  const bool selected = item == painting.item ? painting.selected
                                               : (ListView_GetItemState(listView, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  common.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  SetBkMode(dc, TRANSPARENT);

  if (view.lineNumbers && column == 0) {
    RECT row{};
    if (!ListView_GetItemRect(listView, item, &row, LVIR_BOUNDS)) row = common.rc;
    RECT cell{row.left, row.top, row.left + ListView_GetColumnWidth(listView, 0), row.bottom};
    FillSolid(dc, cell, theme.Colors().lineNumberBack);
    cell.left += metrics.Scale(6);
    cell.right -= metrics.Scale(6);
    const TDecimalDigits digits(item + 1LL);
    TSelectObject selectFont(dc, fonts.Regular());
    const COLORREF previousColor = SetTextColor(dc, theme.Colors().lineNumberText);
    DrawTextIn(dc, digits.View(), cell,
               DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, previousColor);
    return CDRF_SKIPDEFAULT;
  }

  COLORREF text = theme.Colors().text;
  COLORREF back = parity;
  if (selected) {
    text = theme.Colors().selectionText;
    back = (item == cursor.row && column == cursor.column) ? theme.Colors().currentCellBack : theme.Colors().selectionBack;
  }
  draw.clrText = text;
  draw.clrTextBk = back;

  const auto index = static_cast<std::size_t>(column);
  if (column < LineNumberOffset() || !decimal.Aligns(index)) return CDRF_NEWFONT;
  std::u16string value;
  try {
    value = CellText(item, column);
  } catch (...) {
    return CDRF_NEWFONT;
  }
  TDisplayNumber number;
  if (!ParseDisplayNumber(value, number)) return CDRF_NEWFONT;

  // A cell's own notification carries its rectangle (the whole row for column 0); asking the list view
  // for it costs a message that takes over 100 us under Wine, at every cell of every paint.
  RECT cell = common.rc;
  if (column == 0) cell.right = cell.left + ListView_GetColumnWidth(listView, 0);
  FillSolid(dc, cell, back);
  {
    TSavedDC saved(dc);
    const int inset = metrics.Scale(1);
    IntersectClipRect(dc, cell.left + inset, cell.top + inset, cell.right - inset, cell.bottom - inset);
    TSelectObject selectFont(dc, fonts.Regular());
    SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    const int margin = metrics.Scale(6);
    const int left = cell.left + margin;
    const int right = cell.right - margin;
    // The separator and the fraction as one run, so that kerning matches the text measured elsewhere.
    const std::u16string_view tail(number.IntegerPart.data() + number.IntegerPart.size(),
                                   number.IsDecimal ? 1 + number.Fraction.size() : 0);
    const int integerWidth = TextWidth(dc, number.IntegerPart);
    const int tailWidth = TextWidth(dc, tail);
    // The cells drawn before a widening move to the new edge on the repaint.
    if (decimal.Widen(index, integerWidth, tailWidth, right - left)) InvalidateRect(listView, nullptr, FALSE);
    if (const int separator = decimal.SeparatorAt(index, integerWidth, tailWidth, right - left); separator >= 0) {
      const int edge = left + separator;
      DrawTextIn(dc, number.IntegerPart, RECT{left, cell.top, edge, cell.bottom},
                 DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
      if (!tail.empty())
        DrawTextIn(dc, tail, RECT{edge, cell.top, right, cell.bottom}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    } else {
      // Aligned, a digit would fall outside the cell and the rest would read as another number: drawn like
      // text instead, whole or visibly cut by an ellipsis.
      DrawTextIn(dc, number.Trimmed, RECT{left, cell.top, right, cell.bottom},
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
  }
  if (painting.gridLines) {
    TSelectObject selectPen(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, GetSysColor(COLOR_BTNFACE));
    MoveToEx(dc, cell.right - 1, cell.top, nullptr);
    LineTo(dc, cell.right - 1, cell.bottom);
    MoveToEx(dc, cell.left, cell.bottom - 1, nullptr);
    LineTo(dc, cell.right, cell.bottom - 1);
  }
  return CDRF_SKIPDEFAULT;
}

// ---- header -----------------------------------------------------------------------------------------

LRESULT TCsvViewer::HeaderCustomDraw(NMCUSTOMDRAW& draw) noexcept {
  const HDC dc = draw.hdc;
  if (draw.dwDrawStage == CDDS_PREPAINT) {
    RECT client{};
    GetClientRect(header, &client);
    FillSolid(dc, client, theme.Colors().headerBack);
    return CDRF_NOTIFYITEMDRAW;
  }
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;

  const RECT item = draw.rc;
  const int index = static_cast<int>(draw.dwItemSpec);
  FillSolid(dc, item, theme.Colors().headerBack);
  std::array<wchar_t, 513> title{};
  HDITEMW query{};
  query.mask = HDI_TEXT;
  query.pszText = title.data();
  query.cchTextMax = 512;
  if (!Header_GetItem(header, index, &query)) title[0] = L'\0';

  int direction = 0;
  const int column = index - LineNumberOffset();
  if (model && column >= 0 && column == model->SortColumn()) direction = model->SortDirection();

  RECT text = item;
  text.left += metrics.Scale(6);
  text.right -= metrics.Scale(6);
  if (direction != 0) text.right -= metrics.Scale(14);
  TSelectObject selectFont(dc, fonts.Bold());
  const COLORREF previousText = SetTextColor(dc, theme.Colors().headerText);
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, title.data(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);

  if (direction != 0) {
    RECT box = item;
    box.left = box.right - metrics.Scale(16);
    InflateRect(&box, -metrics.Scale(4), -metrics.Scale(4));
    const int x = (box.left + box.right) / 2;
    const int y = (box.top + box.bottom) / 2;
    const int dy = direction > 0 ? metrics.Scale(3) : -metrics.Scale(3);
    const std::array<POINT, 3> arrow{POINT{x, y - dy}, POINT{x - metrics.Scale(4), y + dy}, POINT{x + metrics.Scale(4), y + dy}};
    TSelectObject selectPen(dc, GetStockObject(DC_PEN));
    TSelectObject selectBrush(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, theme.Colors().headerText);
    SetDCBrushColor(dc, theme.Colors().headerText);
    Polygon(dc, arrow.data(), static_cast<int>(arrow.size()));
  }
  RECT edge = item;
  DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
  SetBkMode(dc, previousMode);
  SetTextColor(dc, previousText);
  return CDRF_SKIPDEFAULT;
}

void TCsvViewer::PaintHeaderFiller() noexcept {
  if (!header) return;
  RECT filler{};
  GetClientRect(header, &filler);
  const int count = Header_GetItemCount(header);
  if (count > 0) {
    RECT last{};
    if (Header_GetItemRect(header, count - 1, &last)) filler.left = last.right;
  }
  if (filler.left >= filler.right) return;
  TWindowDC dc(header);
  if (!dc) return;
  FillSolid(dc.Get(), filler, theme.Colors().headerBack);
  DrawEdge(dc.Get(), &filler, BDR_SUNKENOUTER, BF_BOTTOM);
}

}  // namespace qelvar
