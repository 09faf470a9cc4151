// Drag and drop in the transform panel's list: an entry pressed and moved lands in the gap under the
// pointer, with a marker showing where while the drag lasts. Also the procedures of the panel's controls.
#include <windowsx.h>

#include <cstdlib>

#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

bool OnEntry(HWND list, LPARAM point, int& index) noexcept {
  const auto hit = static_cast<DWORD>(SendMessageW(list, LB_ITEMFROMPOINT, 0, point));
  // The high word is set when the point lies outside the client area (the nearest entry is reported).
  if (HIWORD(hit) != 0) return false;
  index = LOWORD(hit);
  return true;
}

}  // namespace

int TCsvViewer::DropGapAt(int y) const noexcept {
  const int count = transformConfig ? transformConfig->TargetCount() : 0;
  for (int i = 0; i < count; ++i) {
    RECT entry{};
    if (SendMessageW(transformList, LB_GETITEMRECT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&entry)) == LB_ERR)
      continue;
    if (entry.bottom > y) return y < (entry.top + entry.bottom) / 2 ? i : i + 1;
  }
  return count;
}

bool TCsvViewer::PanelListMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!transformList || !transformConfig) return false;
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_LBUTTONDOWN: {
      int index = -1;
      if (!OnEntry(transformList, lParam, index) || index >= transformConfig->TargetCount()) {
        dragFromIndex = -1;
        return false;
      }
      dragFromIndex = dragToIndex = index;
      dragging = false;
      dragStartX = x;
      dragStartY = y;
      SendMessageW(transformList, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      // The list's own press handling is skipped; the focus it would take is given here.
      SetFocus(transformList);
      SetCapture(transformList);
      return true;
    }
    case WM_MOUSEMOVE: {
      if (dragFromIndex < 0 || !(wParam & MK_LBUTTON)) return false;
      if (!dragging && (std::abs(x - dragStartX) >= Scale(3) || std::abs(y - dragStartY) >= Scale(3))) {
        dragging = true;
        if (GetCapture() != transformList) SetCapture(transformList);
      }
      if (dragging) {
        const int gap = DropGapAt(y);
        if (gap != dragToIndex) {
          dragToIndex = gap;
          InvalidateRect(transformList, nullptr, TRUE);
        }
      }
      return true;
    }
    case WM_LBUTTONUP: {
      if (dragFromIndex < 0 && !dragging) return false;
      // A click without movement ends here too: it lands where it started and moves nothing.
      const int from = dragFromIndex;
      const int gap = DropGapAt(y);
      dragToIndex = gap;
      dragging = false;
      dragFromIndex = -1;  // before the capture goes, whose notice would otherwise cancel the drop
      if (GetCapture() == transformList) ReleaseCapture();
      InvalidateRect(transformList, nullptr, TRUE);
      const int landed = transformConfig->MoveTargetTo(from, gap);
      if (landed < 0) return true;
      if (landed != from && transformedView) RebuildTransformGrid();
      RefreshTransformPanel();
      SendMessageW(transformList, LB_SETCURSEL, static_cast<WPARAM>(landed), 0);
      return true;
    }
    case WM_CAPTURECHANGED:
      // The capture went elsewhere (another window, a menu): the drag is abandoned where it is.
      if (dragFromIndex >= 0 || dragging) {
        dragFromIndex = -1;
        dragging = false;
        InvalidateRect(transformList, nullptr, TRUE);
      }
      return false;
    default: return false;
  }
}

namespace {

// A mouse message that the drag took; false when the list handles it itself.
bool OnListMouse(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TViewerCall viewer(ControlViewer(control));
  return viewer && Safely([&] { return LRESULT{viewer->PanelListMouse(message, wParam, lParam)}; });
}

// The list paints itself, then the drop marker goes over it.
LRESULT OnListPaint(HWND control, WPARAM wParam, LPARAM lParam) noexcept {
  const TViewerCall viewer(ControlViewer(control));
  const LRESULT result = TransformControlProc(control, WM_PAINT, wParam, lParam);
  if (viewer) viewer->DrawDropMarker();
  return result;
}

}  // namespace

LRESULT CALLBACK TransformListProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (OnListMouse(control, message, wParam, lParam)) return 0;
      return TransformControlProc(control, message, wParam, lParam);
    case WM_PAINT: return OnListPaint(control, wParam, lParam);
    default: return TransformControlProc(control, message, wParam, lParam);
  }
}

LRESULT CALLBACK TransformControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  // The panel's controls share what every subclassed control does (key routing, Ctrl+wheel zoom, their
  // properties going with them) and add nothing of their own.
  return FilterEditProc(control, message, wParam, lParam);
}

}  // namespace qelvar
