#include "viewer/edit/cell_editor.h"

#include <utility>

#include "viewer/commands.h"
#include "viewer/edit/cell_target.h"
#include "win/window_text.h"

namespace qelvar {

TCellEditor::TOpened TCellEditor::Open(HWND listView, const RECT& cell, const std::u16string& value, HFONT font, int row,
                       int column, const TCsvDocument* document) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(listView, GWLP_HINSTANCE));
  // Multi-line, so that a value with line breaks is edited as it is; Enter and Tab are the viewer's keys
  // (Ctrl+Enter breaks a line). A value of several lines opens over the rows below its cell.
  const int height = (cell.bottom - cell.top) * EditorLines(value);
  const HWND box = CreateWindowExW(0, L"Edit", L"",
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                                   cell.left, cell.top, cell.right - cell.left, height, listView,
                                   ControlId(kCellEditorId), instance, nullptr);
  if (!box) return TOpened::NoBox;
  // No length limit below the value's own (a box takes 30000 characters by default).
  SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  if (font) SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetText(box, value);
  // What the box would give back must be the value itself, or an untouched edit would rewrite the cell.
  if (WindowText(box) != value) {
    DestroyWindow(box);
    return TOpened::Refused;
  }
  box_ = box;
  row_ = row;
  column_ = column;
  document_ = document;
  SendMessageW(box, EM_SETSEL, 0, -1);
  return TOpened::Yes;
}

HWND TCellEditor::Release() noexcept {
  row_ = column_ = -1;
  document_ = nullptr;
  return std::exchange(box_, nullptr);
}

}  // namespace qelvar
