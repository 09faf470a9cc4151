// The in-place cell editor: a one-line edit box over the cell being edited, its own window procedure, and
// the commit of its text into the document.
//
// The edit is tied to the document row and column it began on, never to a list position: a sort, the
// filter timer, a search or a column hidden while the box is open would otherwise send the text into
// whichever row then sits there. Everything that rebuilds the visible rows ends the edit first.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "viewer/flag_held.h"
#include "viewer/viewer.h"
#include "win/subclass.h"
#include "win/window_text.h"

namespace qelvar {
namespace {

// A one-line box shows a line break as nothing and gives it back as nothing (and a NUL ends its text):
// such a value would be cut by a commit that the user never asked for.
bool FitsOneLineBox(std::u16string_view value) noexcept {
  return value.find_first_of(std::u16string_view(u"\r\n\0", 3)) == std::u16string_view::npos;
}

// Whether the document would take a new value for the cell: a data row that has the field.
bool CellTakesValue(const TCsvDocument& document, int row, int column) {
  if (row < 0 || row >= document.RowCount() || column < 0) return false;
  return !document.Rows()[static_cast<std::size_t>(row)].IsComment && column < document.CellCount(row);
}

// ---- the editor's procedure: one handler per message ---------------------------------------------------

struct TEditorCall {
  HWND control;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  WNDPROC previous;

  LRESULT Previous() const noexcept { return CallPrevious(previous, control, message, wParam, lParam); }
};

LRESULT OnEditorKeyDown(TCsvViewer& viewer, const TEditorCall& call) noexcept {
  const LRESULT consumed = Safely([&]() -> LRESULT {
    if (viewer.RouteCellEditorKey(call.control, call.wParam)) return 1;
    if (call.wParam == VK_RETURN || call.wParam == VK_ESCAPE) {
      viewer.EndCellEdit(call.wParam == VK_RETURN);
      return 1;
    }
    return 0;
  });
  // The box may be gone now: only an unconsumed key reaches its own procedure.
  return consumed ? 0 : call.Previous();
}

// Enter and Esc were handled as keys; their characters would only make a one-line box beep.
LRESULT OnEditorChar(const TEditorCall& call) noexcept {
  if (call.wParam == L'\r' || call.wParam == L'\n' || call.wParam == 0x1B) return 0;
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
  if (viewer.destroyed || viewer.ZoomByWheel(call.wParam)) return 0;
  if (viewer.cellEditor == call.control) return call.Previous();
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
  if (transformedView || !listView || !model || !document) return;
  EndCellEdit(true);
  // A commit that failed keeps its editor open; the box may also have outlived the viewer.
  if (destroyed || cellEditor) return;
  const int column = listColumn - LineNumberOffset();
  if (!editMode || row < 0 || row >= VisibleRowCount() || column < 0 || column >= document->ColumnCount())
    return;
  const int documentRow = model->VisibleToDocumentRow(row);
  if (documentRow < 0) return;
  const std::u16string value = document->GetCell(documentRow, column);
  if (!CellTakesValue(*document, documentRow, column) || !FitsOneLineBox(value)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }

  ListView_EnsureVisible(listView, row, FALSE);
  RECT cell{};
  if (!ListView_GetSubItemRect(listView, row, listColumn, LVIR_BOUNDS, &cell)) return;
  // Sub-item 0 reports the whole row.
  if (listColumn == 0) cell.right = cell.left + ListView_GetColumnWidth(listView, 0);
  if (cell.right <= cell.left) return;  // a hidden column

  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(listView, GWLP_HINSTANCE));
  const HWND edit =
      CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left,
                      cell.top, cell.right - cell.left, cell.bottom - cell.top, listView,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCellEditorId)), instance, nullptr);
  if (!edit) return;
  // No length limit below the value's own (a one-line box takes 30000 characters by default).
  SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
  if (font) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
  SetWindowTextW(edit, Wide(value));
  // What the box would give back must be the value itself, or an untouched edit would rewrite the cell.
  if (WindowText(edit) != value) {
    DestroyWindow(edit);
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }

  editRow = documentRow;
  editColumn = column;
  editDocument = document.get();
  cellEditor = edit;
  SubclassControl(edit, &CellEditorProc);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SetFocus(edit);
  UpdateStatusBar();
}

void TCsvViewer::EndCellEdit(bool commit) {
  if (endingCellEdit || !cellEditor) return;
  const HWND edit = cellEditor;
  {
    const TFlagHeld ending(endingCellEdit);
    if (commit) {
      bool committed = false;
      try {
        committed = CommitCell(editRow, editColumn, WindowText(edit));
      } catch (...) {
        committed = false;  // out of memory: the document is unchanged
      }
      if (!committed) {
        MessageBeep(MB_ICONEXCLAMATION);
        // The editor stays open with the typed text; Esc abandons it. The guard stays up while the box
        // is shown, so that the focus moving to the box does not commit again.
        const bool gone =
            !document || editDocument != document.get() || !CellTakesValue(*document, editRow, editColumn);
        AskUser(UiText(gone ? utCellNotEditable : utCellEditFailed), MB_OK | MB_ICONERROR);
        return;
      }
    }
    cellEditor = nullptr;
    editRow = editColumn = -1;
    editDocument = nullptr;
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

bool TCsvViewer::CommitCell(int documentRow, int column, const std::u16string& text) {
  if (!document || !model || editDocument != document.get()) return false;
  if (!CellTakesValue(*document, documentRow, column)) return false;
  // Unchanged text is no edit: nothing to record, rebuild or save.
  if (document->ValueView(documentRow, column) == text) return true;
  if (!document->SetCell(documentRow, column, text)) return false;
  ++editStamp;
  RebuildVisibleRows([&] { model->Rebuild(); }, true);
  MeasureNumericColumns();
  if (currentRow >= 0) EnsureCellVisible(0);
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  PlaceFilterEdits();
  UpdateStatusBar();
  return true;
}

}  // namespace qelvar
