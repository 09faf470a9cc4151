// Key and mouse routing: which handler a key-down, a wheel turn or a click goes to, and in which order.
// The first handler that consumes a key ends its routing; a key nobody consumes goes on to the window's
// or control's own procedure.
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "viewer/viewer.h"
#include "win/keys.h"

namespace qelvar {
namespace {

// The host's message loop translated the key-down before dispatching it, so its character is already
// queued for the same window: a consumed shortcut would still type (Ctrl+H as a Backspace, Ctrl+Space as
// a space). Characters are posted messages and come before any later key input, so the first one queued
// for the window is this key's.
void DropTypedCharacter(HWND window) noexcept {
  MSG message;
  PeekMessageW(&message, window, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD);
}

// The transform panel's controls: the step list, its input box and the buttons.
bool IsPanelControl(HWND control) noexcept {
  const int id = GetDlgCtrlID(control);
  return id == kTransformListId || id == kTransformInputId ||
         (id >= kFirstTransformCommand && id <= kLastTransformCommand);
}

bool Consumed(HWND window, bool consumed) noexcept {
  if (consumed) DropTypedCharacter(window);
  return consumed;
}

// The bindings name the keys by value; these are the values Windows gives them.
static_assert(kKeyReturn == VK_RETURN && kKeySpace == VK_SPACE && kKeyLeft == VK_LEFT && kKeyUp == VK_UP &&
              kKeyRight == VK_RIGHT && kKeyDown == VK_DOWN && kKeyAdd == VK_ADD && kKeySubtract == VK_SUBTRACT &&
              kKeyF1 == VK_F1 && kKeyF2 == VK_F2);

}  // namespace

bool TCsvViewer::RouteWindowKey(WPARAM key) {
  const HWND target = window;
  // Until the grid is shown every key is swallowed.
  if (!loaded) return Consumed(target, true);
  return Consumed(target, HandleKey(target, key) || (!life.destroyed && ForwardKeyToLister(key)));
}

bool TCsvViewer::RouteControlKey(HWND control, WPARAM key) {
  // Esc leaves a filter box for the grid, and the panel's input box for the panel's list.
  if (key == VK_ESCAPE && IsFilterEdit(control)) {
    SetFocus(listView);
    return Consumed(control, true);
  }
  if (key == VK_ESCAPE && panel.Input() && control == panel.Input()) {
    SetFocus(panel.List());
    return Consumed(control, true);
  }
  // Tab walks the grid and the shown panel's controls, as a dialog's Tab does.
  if (key == VK_TAB && !KeyHeld(VK_CONTROL) && MovePanelFocus(control, KeyHeld(VK_SHIFT)))
    return Consumed(control, true);
  if (HandleKey(control, key)) return Consumed(control, true);
  if (life.destroyed) return true;
  return Consumed(control, ForwardKeyToLister(key));
}

bool TCsvViewer::RouteCellEditorKey(HWND editor, WPARAM key) { return Consumed(editor, HandleKey(editor, key)); }

TKeyContext TCsvViewer::KeyContext(HWND control) const noexcept {
  TKeyContext context;
  context.state = CommandState();
  context.loaded = loaded;
  context.gridFocused = listView && GetFocus() == listView;
  context.shift = KeyHeld(VK_SHIFT);
  // The grid's own controls; an edit box (a filter, the cell editor, the panel's input) and the panel
  // keep their keys for their text and buttons.
  if (control && control == window) context.target = TKeyTarget::Window;
  else if (control && control != cellEditor.Box() && !IsFilterEdit(control) && !IsPanelControl(control))
    context.target = TKeyTarget::GridControl;
  return context;
}

bool TCsvViewer::TypingIntoCell() const noexcept { return loaded && listView && TypesIntoCell(KeyContext(listView)); }

bool TCsvViewer::MovePanelFocus(HWND from, bool back) {
  if (!panel.Visible() || !listView) return false;
  // The grid, the list, the input box, then the buttons in their order: those that are shown and enabled.
  std::vector<HWND> ring{listView, panel.List(), panel.Input()};
  ring.insert(ring.end(), panel.Buttons().begin(), panel.Buttons().end());
  const auto at = std::find(ring.begin(), ring.end(), from);
  if (at == ring.end()) return false;
  const auto count = static_cast<std::ptrdiff_t>(ring.size());
  std::ptrdiff_t index = at - ring.begin();
  for (std::ptrdiff_t step = 1; step < count; ++step) {
    index = (index + (back ? count - 1 : 1)) % count;
    const HWND next = ring[static_cast<std::size_t>(index)];
    if (next && IsWindowVisible(next) && IsWindowEnabled(next)) {
      SetFocus(next);
      return true;
    }
  }
  return false;
}

bool TCsvViewer::HandleKey(HWND control, WPARAM key) {
  const TKeyContext context = KeyContext(control);
  const TKeyAction action = KeyAction(static_cast<int>(key), KeyHeld(VK_CONTROL), context);
  if (action.command == 0) return false;
  // Before the grid is shown a shortcut that needs it does nothing, but it is still the viewer's.
  if (!action.run) return true;
  return ExecuteCommand(action.command);
}

bool TCsvViewer::ZoomByWheel(WPARAM wParam) noexcept {
  if (!(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) && !KeyHeld(VK_CONTROL)) return false;
  const int step = GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 1 : -1;
  Safely([&] {
    SetFontSize(metrics.FontSize() + step);
    return LRESULT{0};
  });
  return true;
}

void TCsvViewer::ClickCell(int item, int subItem, bool openLink) {
  cursor.row = item;
  cursor.column = subItem;
  InvalidateRect(listView, nullptr, FALSE);
  UpdateStatusBar();
  if (openLink) OpenCellLink(item, subItem);
}

void TCsvViewer::DoubleClickCell(int item, int subItem) {
  ClickCell(item, subItem);
  if (view.editMode && item >= 0 && window) PostMessageW(window, kEditCurrentCellMessage, 0, 0);
}

void TCsvViewer::ClickColumnHeader(int listColumn) {
  if (KeyHeld(VK_CONTROL)) HideColumn(listColumn);
  else SortByHeaderClick(listColumn);
}

}  // namespace qelvar
