// What the grid shows and how the viewer paints it: cell texts and column titles, building the list-view
// columns, sort marks, the measures for decimal alignment, and the custom draw of the grid and the header.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/grid/display_number.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

void FillSolid(HDC dc, const RECT& rect, COLORREF color) noexcept {
  SetDCBrushColor(dc, color);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void DrawTextIn(HDC dc, std::u16string_view text, RECT rect, UINT format) noexcept {
  DrawTextW(dc, AsWide(text.data()), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

// The decimal digits of a positive number into `digits`; returns their count.
int FormatNumber(long long number, std::array<char16_t, 24>& digits) noexcept {
  std::array<char, 24> narrow{};
  const auto result = std::to_chars(narrow.data(), narrow.data() + narrow.size(), number);
  const int length = static_cast<int>(result.ptr - narrow.data());
  for (int i = 0; i < length; ++i) digits[static_cast<std::size_t>(i)] = static_cast<char16_t>(narrow[static_cast<std::size_t>(i)]);
  return length;
}

int TextWidth(HDC dc, std::u16string_view text) noexcept {
  if (text.empty()) return 0;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, AsWide(text.data()), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

}  // namespace

// ---- texts ------------------------------------------------------------------------------------------

std::u16string TCsvViewer::CellText(int index, int column) const {
  if (showLineNumbers) {
    if (column == 0) {
      std::array<char16_t, 24> digits{};
      return std::u16string(digits.data(), static_cast<std::size_t>(FormatNumber(index + 1LL, digits)));
    }
    --column;
  }
  if (transformedView && transformConfig) {
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
  if (showLineNumbers && column == 0) {
    std::array<char16_t, 24> digits{};
    copy(std::u16string_view(digits.data(), static_cast<std::size_t>(FormatNumber(index + 1LL, digits))));
    return;
  }
  const int documentColumn = column - LineNumberOffset();
  if (transformedView && transformConfig) {
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
  if (showLineNumbers) {
    if (column == 0) return u"#";
    --column;
  }
  if (transformedView && transformConfig) return transformConfig->OutputHeader(column);
  // The panel names the columns by the same rule, so a headerless column reads alike in both.
  return model ? SourceColumnName(document.get(), model->HeaderRow(), column) : std::u16string();
}

// ---- columns ------------------------------------------------------------------------------------------

void TCsvViewer::BuildColumns(const std::vector<int>& widths) {
  EndCellEdit(true);
  if (destroyed) return;
  search.Forget();
  KillTimer(window, kFilterTimer);
  pendingFilters.clear();
  for (HWND edit : filterEdits)
    if (edit) DestroyWindow(edit);
  filterEdits.clear();
  if (!listView) return;

  const int existing = header ? Header_GetItemCount(header) : 0;
  for (int i = existing - 1; i >= 0; --i) ListView_DeleteColumn(listView, i);
  const int count = GridColumnCount();
  for (int i = 0; i < count; ++i) {
    std::u16string title = ColumnTitle(i);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.pszText = AsWide(title.data());
    column.cx = i < static_cast<int>(widths.size()) ? widths[static_cast<std::size_t>(i)] : ScaleByFont(140);
    ListView_InsertColumn(listView, i, &column);
  }

  CreateFilterEdits();
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
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (model && model->SortColumn() >= 0 && i - LineNumberOffset() == model->SortColumn()) {
      if (model->SortDirection() > 0) item.fmt |= HDF_SORTUP;
      else if (model->SortDirection() < 0) item.fmt |= HDF_SORTDOWN;
    }
    Header_SetItem(header, i, &item);
  }
  InvalidateRect(header, nullptr, TRUE);
}

void TCsvViewer::MeasureNumericColumns() {
  const auto columns = static_cast<std::size_t>(std::max(GridColumnCount(), 0));
  intPartWidths.assign(columns, 0);
  numericColumns.assign(columns, false);
  if (!decimalAlign || !listView) return;

  const int total = VisibleRowCount();
  const int samples = SampleCount(total, ReadInteger(u"max-column-samples"));
  if (samples == 0) return;
  TWindowDC dc(listView);
  if (!dc) return;
  TSelectObject selectFont(dc.Get(), font.Get());
  for (std::size_t column = static_cast<std::size_t>(LineNumberOffset()); column < columns; ++column) {
    for (int j = 0; j < samples; ++j) {
      const std::u16string text = CellText(SampleRow(j, samples, total), static_cast<int>(column));
      TDisplayNumber number;
      if (!ParseDisplayNumber(text, number)) continue;
      numericColumns[column] = true;
      intPartWidths[column] = std::max(intPartWidths[column], TextWidth(dc.Get(), number.IntegerPart));
    }
  }
}

// ---- grid custom draw -------------------------------------------------------------------------------

LRESULT TCsvViewer::GridCustomDraw(NMLVCUSTOMDRAW& draw) noexcept {
  NMCUSTOMDRAW& common = draw.nmcd;
  const int item = static_cast<int>(common.dwItemSpec);
  const COLORREF parity = (item % 2 != 0) ? backColor2 : backColor;
  switch (common.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      draw.clrText = textColor;
      const bool selected = (ListView_GetItemState(listView, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
      if (selected) {
        // The viewer paints the selection itself, per cell.
        common.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
        return CDRF_NOTIFYSUBITEMDRAW;
      }
      draw.clrTextBk = parity;
      return (showLineNumbers || decimalAlign) ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      break;
    default:
      return CDRF_DODEFAULT;
  }

  const int column = draw.iSubItem;
  const HDC dc = common.hdc;
  const bool selected = (ListView_GetItemState(listView, item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  common.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  SetBkMode(dc, TRANSPARENT);

  if (showLineNumbers && column == 0) {
    RECT row{};
    if (!ListView_GetItemRect(listView, item, &row, LVIR_BOUNDS)) row = common.rc;
    RECT cell{row.left, row.top, row.left + ListView_GetColumnWidth(listView, 0), row.bottom};
    FillSolid(dc, cell, lineNumberBackColor);
    cell.left += Scale(6);
    cell.right -= Scale(6);
    std::array<char16_t, 24> digits{};
    const int length = FormatNumber(item + 1LL, digits);
    TSelectObject selectFont(dc, font.Get());
    const COLORREF previousColor = SetTextColor(dc, lineNumberTextColor);
    DrawTextIn(dc, std::u16string_view(digits.data(), static_cast<std::size_t>(length)), cell,
               DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, previousColor);
    return CDRF_SKIPDEFAULT;
  }

  COLORREF text = textColor;
  COLORREF back = parity;
  if (selected) {
    text = selectionTextColor;
    back = (item == currentRow && column == currentColumn) ? currentCellBackColor : selectionBackColor;
  }
  draw.clrText = text;
  draw.clrTextBk = back;

  const auto index = static_cast<std::size_t>(column);
  if (!decimalAlign || column < LineNumberOffset() || index >= intPartWidths.size() ||
      index >= numericColumns.size() || !numericColumns[index])
    return CDRF_NEWFONT;
  std::u16string value;
  try {
    value = CellText(item, column);
  } catch (...) {
    return CDRF_NEWFONT;
  }
  TDisplayNumber number;
  if (!ParseDisplayNumber(value, number)) return CDRF_NEWFONT;

  RECT cell{};
  if (!ListView_GetSubItemRect(listView, item, column, LVIR_BOUNDS, &cell)) cell = common.rc;
  if (column == 0) cell.right = cell.left + ListView_GetColumnWidth(listView, 0);
  FillSolid(dc, cell, back);
  {
    TSavedDC saved(dc);
    const int inset = Scale(1);
    IntersectClipRect(dc, cell.left + inset, cell.top + inset, cell.right - inset, cell.bottom - inset);
    TSelectObject selectFont(dc, font.Get());
    SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    const int margin = Scale(6);
    const int left = cell.left + margin;
    const int right = cell.right - margin;
    // The separator and the fraction as one run, so that kerning matches the text measured elsewhere.
    const std::u16string_view tail(number.IntegerPart.data() + number.IntegerPart.size(),
                                   number.IsDecimal ? 1 + number.Fraction.size() : 0);
    const int integerWidth = TextWidth(dc, number.IntegerPart);
    const int tailWidth = TextWidth(dc, tail);
    // The widths were measured on sampled rows only: a wider integer part widens the column's alignment
    // when the number then still fits, and the cells drawn before move to the new edge on the repaint.
    int& aligned = intPartWidths[index];
    if (integerWidth > aligned && left + integerWidth + tailWidth <= right) {
      aligned = integerWidth;
      InvalidateRect(listView, nullptr, FALSE);
    }
    if (integerWidth <= aligned && left + aligned + tailWidth <= right) {
      const int edge = left + aligned;
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
  if (ListView_GetExtendedListViewStyle(listView) & LVS_EX_GRIDLINES) {
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
    FillSolid(dc, client, headerBackColor);
    return CDRF_NOTIFYITEMDRAW;
  }
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;

  const RECT item = draw.rc;
  const int index = static_cast<int>(draw.dwItemSpec);
  FillSolid(dc, item, headerBackColor);
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
  text.left += Scale(6);
  text.right -= Scale(6);
  if (direction != 0) text.right -= Scale(14);
  TSelectObject selectFont(dc, boldFont.Get());
  const COLORREF previousText = SetTextColor(dc, headerTextColor);
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, title.data(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);

  if (direction != 0) {
    RECT box = item;
    box.left = box.right - Scale(16);
    InflateRect(&box, -Scale(4), -Scale(4));
    const int x = (box.left + box.right) / 2;
    const int y = (box.top + box.bottom) / 2;
    const int dy = direction > 0 ? Scale(3) : -Scale(3);
    const std::array<POINT, 3> arrow{POINT{x, y - dy}, POINT{x - Scale(4), y + dy}, POINT{x + Scale(4), y + dy}};
    TSelectObject selectPen(dc, GetStockObject(DC_PEN));
    TSelectObject selectBrush(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, headerTextColor);
    SetDCBrushColor(dc, headerTextColor);
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
  FillSolid(dc.Get(), filler, headerBackColor);
  DrawEdge(dc.Get(), &filler, BDR_SUNKENOUTER, BF_BOTTOM);
}

}  // namespace qelvar
