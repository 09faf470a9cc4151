// Key and mouse routing: which handler a key-down, a wheel turn or a click goes to, and in which order.
// The first handler that consumes a key ends its routing; a key nobody consumes goes on to the window's
// or control's own procedure.
#include <windowsx.h>

#include "viewer/viewer.h"

namespace qelvar {
namespace {

bool CtrlDown() noexcept { return GetKeyState(VK_CONTROL) < 0; }

// The host's message loop translated the key-down before dispatching it, so its character is already
// queued for the same window: a consumed shortcut would still type (Ctrl+H as a Backspace, Ctrl+Space as
// a space). Characters are posted messages and come before any later key input, so the first one queued
// for the window is this key's.
void DropTypedCharacter(HWND window) noexcept {
  MSG message;
  PeekMessageW(&message, window, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD);
}

bool Consumed(HWND window, bool consumed) noexcept {
  if (consumed) DropTypedCharacter(window);
  return consumed;
}

}  // namespace

bool TCsvViewer::RouteWindowKey(WPARAM key) {
  const HWND target = window;
  // Until the grid is shown every key is swallowed.
  if (!loaded) return Consumed(target, true);
  return Consumed(target, HandleKey(target, key) || (!destroyed && ForwardKeyToLister(key)));
}

bool TCsvViewer::RouteControlKey(HWND control, WPARAM key) {
  // Esc leaves a filter box for the grid.
  if (key == VK_ESCAPE && IsFilterEdit(control)) {
    SetFocus(listView);
    return Consumed(control, true);
  }
  if (HandleKey(control, key)) return Consumed(control, true);
  if (destroyed) return true;
  return Consumed(control, ForwardKeyToLister(key));
}

bool TCsvViewer::RouteCellEditorKey(HWND editor, WPARAM key) { return Consumed(editor, HandleKey(editor, key)); }

bool TCsvViewer::HandleKey(HWND control, WPARAM key) {
  if (key == VK_F1) {
    ShowHelp();
    return true;
  }
  const bool ctrl = CtrlDown();
  if (ctrl) {
    switch (key) {
      case VK_ADD: SetFontSize(fontSize + 1); return true;
      case VK_SUBTRACT: SetFontSize(fontSize - 1); return true;
      default: break;
    }
    int command = 0;
    switch (key) {
      case VK_SPACE: command = cmShowAllColumns; break;
      case 'H': command = cmAutoSizeColumns; break;
      case 'S': command = cmSave; break;
      case 'E':
      case 'R': command = cmToggleEditMode; break;
      case 'T': command = cmToggleTransformMode; break;
      default: break;
    }
    if (command != 0) {
      // Before the grid is shown there is nothing to act on, but the shortcut is still the viewer's.
      if (loaded) ExecuteCommand(command);
      return true;
    }
  }
  switch (key) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: return MoveCursor(key);
    default: break;
  }
  // F2, Enter, the copy key and the row, undo and redo shortcuts of edit mode.
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

void TCsvViewer::ClickCell(int item, int subItem, bool openLink) {
  currentRow = item;
  currentColumn = subItem;
  InvalidateRect(listView, nullptr, FALSE);
  UpdateStatusBar();
  if (openLink) OpenCellLink(item, subItem);
}

void TCsvViewer::ClickColumnHeader(int listColumn) {
  if (CtrlDown()) HideColumn(listColumn);
  else SortByHeaderClick(listColumn);
}

}  // namespace qelvar
