// Key and mouse routing: which handler a key-down, a wheel turn or a click goes to, and in which order.
// The first handler that consumes a key ends its routing; a key nobody consumes goes on to the window's
// or control's own procedure.
#include <windowsx.h>

#include "viewer/viewer.h"

namespace qelvar {
namespace {

bool CtrlDown() noexcept { return GetKeyState(VK_CONTROL) < 0; }

}  // namespace

bool TCsvViewer::RouteWindowKey(WPARAM key) {
  // Until the grid is shown every key is swallowed.
  if (!loaded) return true;
  return HandleEditKey(window, key);
}

bool TCsvViewer::RouteControlKey(HWND control, WPARAM key) {
  // Esc leaves a filter box for the grid.
  if (key == VK_ESCAPE && IsFilterEdit(control)) {
    SetFocus(listView);
    return true;
  }
  return HandleEditKey(control, key);
}

bool TCsvViewer::ZoomByWheel(WPARAM wParam) noexcept {
  if (!(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) && !CtrlDown()) return false;
  const int step = GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 1 : -1;
  Safely([&] {
    SetFontSize(fontSize + step);
    return LRESULT{0};
  });
  return true;
}

void TCsvViewer::ClickCell(int item, int subItem) {
  currentRow = item;
  currentColumn = subItem;
  InvalidateRect(listView, nullptr, FALSE);
  UpdateStatusBar();
}

void TCsvViewer::ClickColumnHeader(int listColumn) {
  if (CtrlDown()) HideColumn(listColumn);
  else SortByHeaderClick(listColumn);
}

}  // namespace qelvar
