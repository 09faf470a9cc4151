// The status bar: five parts (encoding, delimiter, comments, rows, current cell and modes), their texts,
// and its painting in the theme's colours.
#include <algorithm>
#include <array>
#include <string_view>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/chrome/status_texts.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

// Sets a part's text unless it has it already: each change repaints the bar (under Wine at once, a few
// milliseconds each), and most updates change one part of five.
void SetPartText(HWND statusBar, int part, const std::u16string& text) noexcept {
  std::array<wchar_t, 1025> shown{};
  const auto length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
  if (length == text.size() && length < shown.size()) {
    SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(shown.data()));
    if (std::u16string_view(reinterpret_cast<const char16_t*>(shown.data()), length) == text) return;
  }
  SendMessageW(statusBar, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(Wide(text)));
}

}  // namespace

void TCsvViewer::SetStatusParts() noexcept {
  if (!statusBar) return;
  // The base widths grow with the DPI and the font; a text longer than its part (another language, a
  // larger font) widens it, so that nothing is cut off while the last part has room to give.
  constexpr std::array<int, kStatusParts - 1> kBaseWidths{110, 170, 200, 150};
  const int parts = static_cast<int>(SendMessageW(statusBar, SB_GETPARTS, 0, 0));
  const TWindowDC dc(statusBar);
  const TSelectObject selectFont(dc.Get(), fonts.Regular());
  // The text is painted indented; the rest keeps it clear of the border to the next part.
  const int padding = metrics.Scale(4) + metrics.Scale(8);
  std::array<int, kStatusParts> edges{};
  int right = 0;
  for (int part = 0; part < kStatusParts - 1; ++part) {
    int width = metrics.ScaleByFont(kBaseWidths[static_cast<std::size_t>(part)]);
    std::array<wchar_t, 1025> text{};
    const auto length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
    if (dc && part < parts && length > 0 && length < text.size()) {
      SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
      SIZE size{};
      if (GetTextExtentPoint32W(dc.Get(), text.data(), static_cast<int>(length), &size))
        width = std::max(width, static_cast<int>(size.cx) + padding);
    }
    right += width;
    edges[static_cast<std::size_t>(part)] = right;
  }
  edges[kStatusParts - 1] = -1;
  // Setting the same parts again would repaint the bar at every change of the selection.
  std::array<int, kStatusParts> current{};
  if (parts == kStatusParts) SendMessageW(statusBar, SB_GETPARTS, kStatusParts, reinterpret_cast<LPARAM>(current.data()));
  if (parts != kStatusParts || current != edges)
    SendMessageW(statusBar, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(edges.data()));
}

void TCsvViewer::ShowStatusTexts(const TStatusInput& input) {
  // The parts must exist before their texts can be set.
  if (SendMessageW(statusBar, SB_GETPARTS, 0, 0) != kStatusParts) SetStatusParts();
  const auto texts = StatusTexts(input);
  for (int part = 0; part < kStatusParts; ++part) SetPartText(statusBar, part, texts[static_cast<std::size_t>(part)]);
  SetStatusParts();
}

void TCsvViewer::ShowLoadingStatus() {
  if (statusBar) ShowStatusTexts(TStatusInput{});
}

void TCsvViewer::UpdateStatusBar() {
  if (!statusBar || status.hold) return;
  if (!loaded || !document || !model) {
    ShowLoadingStatus();
    return;
  }
  TStatusInput input;
  input.loading = false;
  input.encoding = document->Encoding().Name;
  input.delimiter = document->Delimiter();
  input.autoDelimiter = choices.autoDelimiter;
  input.commentMode = choices.commentMode;
  input.autoComments = choices.autoComments;
  input.hiddenComments = document->HiddenCommentCount();
  input.listedRows = VisibleRowCount();
  input.documentRows = document->RowCount();
  input.headerRow = HeaderRowShown();
  input.currentRow = cursor.row;
  input.currentColumn = cursor.column;
  input.editMode = view.editMode;
  input.modified = Modified();
  input.transformedView = view.transformed;
  input.follow = watch.follow;
  input.note = status.filtering ? UiText(utFiltering) + (status.note.empty() ? u"" : u" | " + status.note) : status.note;
  if (rest.load && rest.load->FileSize() > 0)
    input.loadPercent = static_cast<int>(rest.load->BytesRead() * 100 / rest.load->FileSize());
  input.selectedRows = listView ? static_cast<int>(ListView_GetSelectedCount(listView)) : 0;
  if (input.selectedRows > 1) {
    for (int i = LineNumberOffset(); i < GridColumnCount(); ++i)
      if (ListView_GetColumnWidth(listView, i) > 0) ++input.visibleColumns;
    input.stats = SelectionStatsText();
  }
  ShowStatusTexts(input);
}

void TCsvViewer::PaintStatusBar(HDC dc) noexcept {
  RECT client{};
  GetClientRect(statusBar, &client);
  SetDCBrushColor(dc, theme.Colors().back);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  for (int part = 0; part < kStatusParts; ++part) PaintStatusPart(dc, part);
}

void TCsvViewer::PaintStatusPart(HDC dc, int part) noexcept {
  RECT rect{};
  if (!SendMessageW(statusBar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect))) return;
  // SB_GETTEXT copies the whole text: only a text that fits the buffer is fetched.
  std::array<wchar_t, 1025> text{};
  const auto length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
  if (length < text.size())
    SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
  TSelectObject selectFont(dc, fonts.Regular());
  SetTextColor(dc, theme.Colors().text);
  SetBkMode(dc, TRANSPARENT);
  rect.left += metrics.Scale(4);
  DrawTextW(dc, text.data(), -1, &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

LRESULT TCsvViewer::StatusBarCustomDraw(NMCUSTOMDRAW& draw) noexcept {
  if (draw.dwDrawStage == CDDS_PREPAINT) {
    RECT client{};
    GetClientRect(statusBar, &client);
    SetDCBrushColor(draw.hdc, theme.Colors().back);
    FillRect(draw.hdc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return CDRF_NOTIFYITEMDRAW;
  }
  if (draw.dwDrawStage == CDDS_ITEMPREPAINT) {
    PaintStatusPart(draw.hdc, static_cast<int>(draw.dwItemSpec));
    return CDRF_SKIPDEFAULT;
  }
  return CDRF_DODEFAULT;
}

}  // namespace qelvar
