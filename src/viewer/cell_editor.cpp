// The in-place cell editor: beginning and ending an edit, the box's own window procedure, and the commit of
// its text into the document. Everything that rebuilds the visible rows ends the edit first.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "viewer/edit/cell_target.h"
#include "viewer/flag_held.h"
#include "viewer/viewer.h"
#include "platform/wide.h"
#include "win/keys.h"
#include "win/subclass.h"
#include "win/window_text.h"

namespace qelvar {
namespace {

// ---- the editor's procedure: one handler per message ---------------------------------------------------

struct TEditorCall {
  HWND control;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  WNDPROC previous;

  LRESULT Previous() const noexcept { return CallPrevious(previous, control, message, wParam, lParam); }
};

// As in a spreadsheet: Enter commits and moves down, Tab right, with Shift up and left; Ctrl+Enter breaks
// the line; Esc abandons the edit.
LRESULT OnEditorKeyDown(TCsvViewer& viewer, const TEditorCall& call) noexcept {
  const LRESULT consumed = Safely([&]() -> LRESULT {
    if (viewer.RouteCellEditorKey(call.control, call.wParam)) return 1;
    const bool shift = KeyHeld(VK_SHIFT);
    switch (call.wParam) {
      case VK_ESCAPE: viewer.EndCellEdit(false); return 1;
      case VK_RETURN:
        if (KeyHeld(VK_CONTROL)) {
          SendMessageW(call.control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
          viewer.PlaceCellEditor();
        } else {
          viewer.CommitCellAndMove(shift ? VK_UP : VK_DOWN);
        }
        return 1;
      case VK_TAB: viewer.CommitCellAndMove(shift ? VK_LEFT : VK_RIGHT); return 1;
      default: return 0;
    }
  });
  // The box may be gone now: only an unconsumed key reaches its own procedure.
  return consumed ? 0 : call.Previous();
}

// Enter, Ctrl+Enter, Tab and Esc were handled as keys; their characters would type into the box.
LRESULT OnEditorChar(const TEditorCall& call) noexcept {
  if (call.wParam == L'\r' || call.wParam == L'\n' || call.wParam == L'\t' || call.wParam == 0x1B) return 0;
  return call.Previous();
}

LRESULT OnEditorKillFocus(TCsvViewer& viewer, const TEditorCall& call) noexcept {
  const LRESULT result = call.Previous();
  viewer.EndCellEditSafely();
  return result;
}

// A wheel turn ends the edit (the rows are about to move) and then scrolls or zooms the grid.
LRESULT OnEditorWheel(TCsvViewer& viewer, const TEditorCall& call) noexcept {
  viewer.EndCellEditSafely();
  if (viewer.life.destroyed || viewer.ZoomByWheel(call.wParam)) return 0;
  if (viewer.cellEditor.Box() == call.control) return call.Previous();
  if (viewer.listView) SendMessageW(viewer.listView, WM_MOUSEWHEEL, call.wParam, call.lParam);
  return 0;
}

LRESULT OnEditorNcDestroy(const TEditorCall& call) noexcept {
  const LRESULT result = call.Previous();
  ForgetSubclass(call.control);
  return result;
}

}  // namespace

LRESULT CALLBACK CellEditorProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TEditorCall call{control, message, wParam, lParam, PreviousProcedure(control)};
  const TViewerCall viewer(ControlViewer(control));
  if (!viewer) return message == WM_NCDESTROY ? OnEditorNcDestroy(call) : call.Previous();
  TCsvViewer& v = *viewer.Get();
  switch (message) {
    case WM_GETDLGCODE: return call.Previous() | DLGC_WANTALLKEYS;
    case WM_KEYDOWN: return OnEditorKeyDown(v, call);
    case WM_CHAR: return OnEditorChar(call);
    case WM_KILLFOCUS: return OnEditorKillFocus(v, call);
    case WM_MOUSEWHEEL: return OnEditorWheel(v, call);
    case WM_NCDESTROY: return OnEditorNcDestroy(call);
    default: return call.Previous();
  }
}

// ---- beginning and ending an edit -------------------------------------------------------------------------

void TCsvViewer::BeginCellEdit(int row, int listColumn) {
  if (view.transformed || !listView || !model || !document) return;
  EndCellEdit(true);
  // A commit that failed keeps its editor open; the box may also have outlived the viewer.
  if (life.destroyed || cellEditor.Box()) return;
  const int column = listColumn - LineNumberOffset();
  if (!view.editMode || row < 0 || row >= VisibleRowCount() || column < 0 || column >= document->ColumnCount())
    return;
  // A file still being read, or read only in part, takes no edit.
  if (ReadOnlyWhileLoading()) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  const int documentRow = model->VisibleToDocumentRow(row);
  if (documentRow < 0) return;
  const std::u16string value = document->GetCell(documentRow, column);
  if (!CellTakesValue(*document, documentRow, column) || !FitsEditBox(value)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }

  ListView_EnsureVisible(listView, row, FALSE);
  RECT cell{};
  if (!ListView_GetSubItemRect(listView, row, listColumn, LVIR_BOUNDS, &cell)) return;
  // Sub-item 0 reports the whole row.
  if (listColumn == 0) cell.right = cell.left + ListView_GetColumnWidth(listView, 0);
  if (cell.right <= cell.left) return;  // a hidden column

  const auto opened = cellEditor.Open(listView, cell, value, fonts.Regular(), documentRow, column, document.get());
  if (opened != TCellEditor::TOpened::Yes) {
    if (opened == TCellEditor::TOpened::Refused) MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  const HWND edit = cellEditor.Box();
  SubclassControl(edit, &CellEditorProc);
  SetFocus(edit);
  UpdateStatusBar();
}

void TCsvViewer::PlaceCellEditor() noexcept {
  const HWND edit = cellEditor.Box();
  if (!edit || !listView || !model || !IsWindow(edit)) return;
  const TIntArray& visible = model->VisibleRows();
  const auto at = std::find(visible.begin(), visible.end(), cellEditor.Row());
  if (at == visible.end()) return;
  const int row = static_cast<int>(at - visible.begin());
  const int listColumn = cellEditor.Column() + LineNumberOffset();
  RECT cell{};
  if (!ListView_GetSubItemRect(listView, row, listColumn, LVIR_BOUNDS, &cell)) return;
  if (listColumn == 0) cell.right = cell.left + ListView_GetColumnWidth(listView, 0);
  const auto lines = std::clamp<LRESULT>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 1, kMaxEditorLines);
  SetWindowPos(edit, nullptr, cell.left, cell.top, std::max<int>(cell.right - cell.left, 0),
               std::max<int>(cell.bottom - cell.top, 0) * static_cast<int>(lines), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCsvViewer::EndCellEdit(bool commit) {
  if (cellEditor.Ending() || !cellEditor.Box()) return;
  const HWND edit = cellEditor.Box();
  {
    const TFlagHeld ending = cellEditor.HoldEnding();
    if (commit) {
      bool committed = false;
      try {
        committed = CommitCell(cellEditor.Row(), cellEditor.Column(), WindowText(edit));
      } catch (...) {
        committed = false;  // out of memory: the document is unchanged
      }
      if (!committed) {
        MessageBeep(MB_ICONEXCLAMATION);
        // The editor stays open with the typed text; Esc abandons it. The guard stays up while the box
        // is shown, so that the focus moving to the box does not commit again.
        const bool gone =
            !document || !cellEditor.Edits(document.get()) ||
            !CellTakesValue(*document, cellEditor.Row(), cellEditor.Column());
        AskUser(UiText(gone ? utCellNotEditable : utCellEditFailed), MB_OK | MB_ICONERROR);
        return;
      }
    }
    cellEditor.Release();
    if (IsWindow(edit)) {
      const bool hadFocus = GetFocus() == edit;
      Unsubclass(edit);
      // Only an editor that had the focus hands it to the grid: a click elsewhere keeps its target.
      if (hadFocus && listView) SetFocus(listView);
      DestroyWindow(edit);
    }
  }
  UpdateStatusBar();
}

void TCsvViewer::EndCellEditSafely() noexcept {
  Safely([&] {
    EndCellEdit(true);
    return LRESULT{0};
  });
}

void TCsvViewer::CommitCellAndMove(WPARAM arrow) {
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  MoveCursor(arrow);
}

void TCsvViewer::StartTypingInCell(const std::u16string& typed) {
  BeginCellEdit(cursor.row, cursor.column);
  const HWND edit = cellEditor.Box();
  if (life.destroyed || !edit) return;
  // The typed text replaces the value, as a spreadsheet's cell takes the first key typed on it.
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(typed)));
  PlaceCellEditor();
}

void TCsvViewer::ClearCurrentCell() {
  if (!CanEditRows()) return;
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  const int column = cursor.column - LineNumberOffset();
  if (cursor.row < 0 || cursor.row >= VisibleRowCount() || column < 0 || column >= document->ColumnCount()) return;
  const int documentRow = model->VisibleToDocumentRow(cursor.row);
  if (documentRow < 0 || !CellTakesValue(*document, documentRow, column)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  if (!WriteCell(documentRow, column, std::u16string())) AskUser(UiText(utCellEditFailed), MB_OK | MB_ICONERROR);
}

bool TCsvViewer::CommitCell(int documentRow, int column, const std::u16string& text) {
  if (!document || !model || !cellEditor.Edits(document.get())) return false;
  if (!CellTakesValue(*document, documentRow, column)) return false;
  return WriteCell(documentRow, column, text);
}

bool TCsvViewer::WriteCell(int documentRow, int column, const std::u16string& text) {
  // Unchanged text is no edit: nothing to record, rebuild or save.
  if (document->ValueView(documentRow, column) == text) return true;
  if (!document->SetCell(documentRow, column, text)) return false;
  stats.key = TStatsKey{};
  saving.stamps.Changed();
  NoteDroppedUndoSteps();
  RebuildVisibleRows([&] { model->Rebuild(); }, true);
  MeasureNumericColumns();
  if (cursor.row >= 0) EnsureCellVisible(0);
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  PlaceFilterEdits();
  UpdateStatusBar();
  return true;
}

}  // namespace qelvar
