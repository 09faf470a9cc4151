// The keys of editing and copying: F2 and Enter begin a cell edit, Ctrl+Z and Ctrl+Y undo and redo, C copies
// and Ctrl+X deletes rows. The window and control key routing offers every key-down here; the cell editor's
// procedure too, so that a key of the grid typed while editing is the editor's own.
#include "document/csv_document.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

bool KeyDown(int key) noexcept {
  return GetKeyState(key) < 0;
}

// The transform panel's controls: the step list, its input box and the buttons.
bool IsPanelControl(HWND control) noexcept {
  const int id = GetDlgCtrlID(control);
  return id == kTransformListId || id == kTransformInputId ||
         (id >= kFirstTransformCommand && id <= kLastTransformCommand);
}

}  // namespace

bool TCsvViewer::HandleEditKey(HWND control, WPARAM key) {
  const bool ctrl = KeyDown(VK_CONTROL);
  // The grid's own controls; an edit box (a filter, the cell editor, the panel's input) keeps C, Ctrl+X,
  // Ctrl+Z and Ctrl+Y for its text.
  const bool gridControl = control && control != window && control != cellEditor && !IsFilterEdit(control) &&
                           !IsPanelControl(control);
  const bool listFocused = listView && GetFocus() == listView;
  switch (key) {
    case VK_F2:
      if (!listFocused) return false;
      BeginCellEdit(currentRow, currentColumn);
      return true;
    case VK_RETURN: {
      const int column = currentColumn - LineNumberOffset();
      if (!editMode || transformedView || !listFocused || !document || currentRow < 0 ||
          currentRow >= VisibleRowCount() || currentColumn < LineNumberOffset() ||
          column >= document->ColumnCount())
        return false;
      BeginCellEdit(currentRow, currentColumn);
      return true;
    }
    case 'Z':
    case 'Y':
      // Outside edit mode the keys go on as before.
      if (!ctrl || !editMode || !(gridControl || control == window)) return false;
      ExecuteCommand(key == 'Z' ? cmUndo : cmRedo);
      return true;
    case 'C':
      if (!gridControl) return false;
      CopyDispatch();
      return true;
    case 'X':
      if (!ctrl || !editMode || !gridControl) return false;
      ExecuteCommand(cmDeleteRows);
      return true;
    default:
      return false;
  }
}

}  // namespace qelvar
