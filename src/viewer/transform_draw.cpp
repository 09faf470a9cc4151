// The transform panel's painting: its owner-drawn buttons in their colour groups, the list's colours, and
// the marker that shows where a dragged entry would land.
#include <algorithm>
#include <array>

#include "transform/transform.h"
#include "viewer/transform_buttons.h"
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
  if (pressed) OffsetRect(&text, Scale(1), Scale(1));
  const TSavedDC saved(dc);
  if (font) SelectObject(dc, font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor);
  DrawTextW(dc, caption.data(), std::max(length, 0), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);

  if (item.itemState & ODS_FOCUS) {
    RECT focus = rect;
    InflateRect(&focus, -Scale(3), -Scale(3));
    DrawFocusRect(dc, &focus);
  }
  return 1;
}

LRESULT TCsvViewer::PanelListColors(HDC dc) noexcept {
  SetTextColor(dc, textColor);
  SetBkColor(dc, filterBackColor);
  return reinterpret_cast<LRESULT>(filterBackBrush.Get());
}

void TCsvViewer::DrawDropMarker() noexcept {
  if (!dragging || !transformList || !transformConfig) return;
  const int count = transformConfig->TargetCount();
  if (count <= 0) return;
  RECT entry{};
  int y = 0;
  if (dragToIndex >= 0 && dragToIndex < count &&
      SendMessageW(transformList, LB_GETITEMRECT, static_cast<WPARAM>(dragToIndex),
                   reinterpret_cast<LPARAM>(&entry)) != LB_ERR) {
    y = entry.top;
  } else if (SendMessageW(transformList, LB_GETITEMRECT, static_cast<WPARAM>(count - 1),
                          reinterpret_cast<LPARAM>(&entry)) != LB_ERR) {
    y = entry.bottom;
  } else {
    return;
  }
  const int width = Scale(2);
  // Centred on the gap, so that it shows over both neighbours.
  const RECT line{Scale(2), y - width / 2, entry.right - Scale(2), y - width / 2 + width};
  const TWindowDC dc(transformList);
  if (!dc) return;
  SetDCBrushColor(dc.Get(), selectionBackColor);
  FillRect(dc.Get(), &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace qelvar
