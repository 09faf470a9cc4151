// Drag and drop in the transform panel's list: an entry pressed and moved lands in the gap under the
// pointer, with a marker showing where while the drag lasts. Also the procedures of the panel's controls.
#include <optional>

#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

bool TCsvViewer::PanelListMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!panel.List() || !transformConfig) return false;
  const int count = transformConfig->TargetCount();
  switch (message) {
    case WM_LBUTTONDOWN: return panel.Press(lParam, count);
    case WM_MOUSEMOVE: return panel.Move(wParam, lParam, metrics.Scale(3), count);
    case WM_LBUTTONUP: {
      const std::optional<TPanelDrop> drop = panel.Release(lParam, count);
      if (!drop) return false;
      const int landed = transformConfig->MoveTargetTo(drop->from, drop->gap);
      if (landed < 0) return true;
      if (landed != drop->from && view.transformed) RebuildTransformGrid();
      RefreshTransformPanel();
      SendMessageW(panel.List(), LB_SETCURSEL, static_cast<WPARAM>(landed), 0);
      return true;
    }
    case WM_CAPTURECHANGED: panel.CaptureLost(); return false;
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
