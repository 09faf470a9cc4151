// The transform panel's painting: its owner-drawn buttons in their colour groups, the list's colours, and
// the marker that shows where a dragged entry would land.
#include <algorithm>
#include <array>

#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

LRESULT TCsvViewer::DrawPanelButton(const DRAWITEMSTRUCT& item) noexcept {
  const HDC dc = item.hDC;
  RECT rect = item.rcItem;
  SetDCBrushColor(dc, PanelButtonColor(PanelGroupOf(static_cast<int>(item.CtlID)), IsDarkTheme()));
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  DrawEdge(dc, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  std::array<wchar_t, 256> caption{};
  const int length = GetWindowTextW(item.hwndItem, caption.data(), static_cast<int>(caption.size()));
  RECT text = rect;
  if (pressed) OffsetRect(&text, metrics.Scale(1), metrics.Scale(1));
  const TSavedDC saved(dc);
  if (fonts.Regular()) SelectObject(dc, fonts.Regular());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, theme.Colors().text);
  DrawTextW(dc, caption.data(), std::max(length, 0), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);

  if (item.itemState & ODS_FOCUS) {
    RECT focus = rect;
    InflateRect(&focus, -metrics.Scale(3), -metrics.Scale(3));
    DrawFocusRect(dc, &focus);
  }
  return 1;
}

LRESULT TCsvViewer::PanelListColors(HDC dc) noexcept {
  SetTextColor(dc, theme.Colors().text);
  SetBkColor(dc, theme.Colors().filterBack);
  return reinterpret_cast<LRESULT>(theme.FilterBackBrush());
}

void TCsvViewer::DrawDropMarker() noexcept {
  if (transformConfig) panel.DrawDropMarker(transformConfig->TargetCount(), metrics, theme.Colors().selectionBack);
}

}  // namespace qelvar
