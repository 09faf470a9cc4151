// Row and column edits of edit mode (insert a row, delete rows, delete a column) and undo and redo of every
// edit. Each goes through the document's editing operations, which splice its text and record the edit;
// the viewer then shows the rows or, when the columns changed, starts the grid over.
#include <algorithm>
#include <vector>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

// Comment rows that keep a field in `column` when it is deleted although they look like data (several
// fields): the document deletes fields of data rows only, so these rows will no longer line up.
int CommentRowsKeepingField(const TCsvDocument& document, int column) {
  int count = 0;
  for (int row = 0; row < document.RowCount(); ++row) {
    const int cells = document.CellCount(row);
    if (document.Rows()[static_cast<std::size_t>(row)].IsComment && cells > 1 && cells > column) ++count;
  }
  return count;
}

}  // namespace

bool TCsvViewer::Modified() const noexcept {
  return document && document->IsModified();
}

bool TCsvViewer::CanEditRows() const noexcept {
  return view.editMode && !view.transformed && document && model && !ReadOnlyWhileLoading();
}

void TCsvViewer::NoteDroppedUndoSteps() {
  if (!document || !document->DroppedUndoSteps()) return;
  document->AcknowledgeDroppedUndoSteps();
  status.note = UiText(utUndoDropped);
}

void TCsvViewer::ShowRowsAfterEdit(int documentRow, int listColumn) {
  NoteDroppedUndoSteps();
  model->Rebuild();
  cursor.row = cursor.column = -1;
  int found = -1;
  if (documentRow >= 0) {
    const TIntArray& visible = model->VisibleRows();
    const auto at = std::find(visible.begin(), visible.end(), documentRow);
    if (at != visible.end()) found = static_cast<int>(at - visible.begin());
  }
  status.hold = true;
  if (listView) {
    // Emptied first, the list drops its selection ranges at once; deselecting tens of thousands of
    // selected items one by one would take longer than the deletion itself. The first row shown stays.
    const int top = ListView_GetTopIndex(listView);
    ListView_SetItemCountEx(listView, 0, LVSICF_NOSCROLL);
    ListView_SetItemState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemCountEx(listView, VisibleRowCount(), LVSICF_NOSCROLL);
    ScrollRowToTop(top);
    if (found >= 0) {
      cursor.row = found;
      cursor.column =
          std::clamp(listColumn, LineNumberOffset(), std::max(GridColumnCount() - 1, LineNumberOffset()));
      ListView_SetItemState(listView, found, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_SetSelectionMark(listView, found);
    }
  }
  status.hold = false;
  MeasureNumericColumns();
  if (cursor.row >= 0) EnsureCellVisible(0);
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  PlaceFilterEdits();
  UpdateStatusBar();
}

void TCsvViewer::RestartGridAfterColumnChange() {
  NoteDroppedUndoSteps();
  const bool headerRow = HeaderRowShown();
  const bool caseSensitive = model ? model->CaseSensitive() : ReadInteger(u"filter-case-sensitive") != 0;
  auto fresh = std::make_unique<TCsvGridModel>(document.get(), headerRow);
  fresh->SetCaseSensitive(caseSensitive);
  model = std::move(fresh);
  // The transformation names its sources by position: after a column change they would name other data.
  if (transformConfig) transformConfig->InitFromDocument(document.get(), headerRow);
  view.transformed = false;
  hiddenColumns.document.resize(static_cast<std::size_t>(std::max(document->ColumnCount(), 0)), false);
  cursor.row = cursor.column = -1;
  if (listView) ListView_SetItemState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  BuildColumns(ComputeColumnWidths(false));
  if (life.destroyed) return;
  // The panel shows the new identity transformation; the new filter boxes get their place and the
  // theme's colours (TransformationReset lays the window out).
  TransformationReset();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  UpdateStatusBar();
}

bool TCsvViewer::InsertRowAfterDocumentRow(int documentRow) {
  const int columns = document->ColumnCount();
  if (!document->InsertRowAfter(documentRow)) return false;
  saving.stamps.Changed();
  // With a header row, the first row of an empty file is the header: a second one is the data row the
  // user asked for.
  if (HeaderRowShown() && document->RowCount() == 1 && document->InsertRowAfter(0)) saving.stamps.Changed();
  // The first row of an empty table gives it its columns.
  if (document->ColumnCount() != columns) RestartGridAfterColumnChange();
  return true;
}

void TCsvViewer::InsertRow(TRowPlace place) {
  if (!CanEditRows()) return;
  // The typed value is part of the table the edit works on.
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  const bool current = cursor.row >= 0 && cursor.row < VisibleRowCount();
  const int currentRow = current ? model->VisibleToDocumentRow(cursor.row) : -1;
  const int rows = document->RowCount();
  // Without a current row, "above" is the top of the table (below the header row).
  const int first = HeaderRowShown() && rows > 0 ? 0 : -1;
  int after = -1;
  switch (place) {
    case TRowPlace::Below:
      if (currentRow < 0) return;
      after = currentRow;
      break;
    case TRowPlace::Above: after = currentRow >= 0 ? std::max(currentRow - 1, first) : first; break;
    case TRowPlace::End: after = rows - 1; break;
  }
  const int listColumn = cursor.column >= 0 ? cursor.column : LineNumberOffset();
  if (!InsertRowAfterDocumentRow(after)) return;
  const int inserted = document->RowCount() > 1 && HeaderRowShown() ? std::max(after + 1, 1) : after + 1;
  ShowRowsAfterEdit(inserted, listColumn);
}

void TCsvViewer::DeleteRows() {
  if (!CanEditRows()) return;
  // The typed value is part of the table the edit works on.
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  std::vector<std::int32_t> rows;
  const int listed = VisibleRowCount();
  const int selected = listView ? static_cast<int>(ListView_GetSelectedCount(listView)) : 0;
  if (selected > 0 && selected == listed) {
    rows = model->VisibleRows();
  } else if (selected > 0) {
    rows.reserve(static_cast<std::size_t>(selected));
    for (int i = ListView_GetNextItem(listView, -1, LVNI_SELECTED); i >= 0 && i < listed;) {
      rows.push_back(model->VisibleToDocumentRow(i));
      const int next = ListView_GetNextItem(listView, i, LVNI_SELECTED);
      if (next <= i) break;
      i = next;
    }
  } else if (cursor.row >= 0 && cursor.row < listed) {
    rows.push_back(model->VisibleToDocumentRow(cursor.row));
  }
  const int columns = document->ColumnCount();
  // One pass over the text however many rows go; nothing changes when it cannot be done.
  if (rows.empty() || document->DeleteRows(rows) == 0) return;
  saving.stamps.Changed();
  if (document->ColumnCount() != columns) return RestartGridAfterColumnChange();
  ShowRowsAfterEdit(-1, -1);
}

void TCsvViewer::DeleteCurrentColumn() {
  if (!CanEditRows()) return;
  // The typed value is part of the table the edit works on.
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  const int column = cursor.column - LineNumberOffset();
  if (cursor.column < 0 || column < 0 || column >= document->ColumnCount()) return;

  std::u16string question = FormatUiStrings(UiText(utDeleteColumnQuestion), {ColumnTitle(cursor.column)});
  if (const int keeping = CommentRowsKeepingField(*document, column); keeping > 0)
    question += u"\r\n\r\n" + FormatUiText(UiText(utCommentRowsKeepField), {keeping});
  if (AskUser(question, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES || life.destroyed) return;
  if (!document->DeleteColumn(column)) return;
  saving.stamps.Changed();
  // The column's own hidden flag goes with it; those to its right move left with their columns.
  std::vector<bool>& hidden = hiddenColumns.document;
  if (column < static_cast<int>(hidden.size())) hidden.erase(hidden.begin() + column);
  RestartGridAfterColumnChange();
}

void TCsvViewer::UndoEdit() {
  StepHistory(true);
}

void TCsvViewer::RedoEdit() {
  StepHistory(false);
}

void TCsvViewer::StepHistory(bool undo) {
  if (!CanEditRows()) return;
  stats.key = TStatsKey{};
  // An open edit becomes an edit of its own, so that this step takes back exactly what the user sees.
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  const TCsvUndoResult step = undo ? document->Undo() : document->Redo();
  if (!step.Done) {
    MessageBeep(MB_OK);
    return;
  }
  saving.stamps.Changed();
  if (step.ColumnsChanged) {
    // A column deleted again loses its hidden flag; one that comes back comes back shown.
    if (step.Kind == ekDeleteColumn && step.Column >= 0) {
      const auto at = static_cast<std::size_t>(step.Column);
      std::vector<bool>& hidden = hiddenColumns.document;
      if (undo && at <= hidden.size()) hidden.insert(hidden.begin() + step.Column, false);
      if (!undo && at < hidden.size()) hidden.erase(hidden.begin() + step.Column);
    }
    return RestartGridAfterColumnChange();
  }
  const int listColumn = step.Column >= 0 ? step.Column + LineNumberOffset() : std::max(cursor.column, 0);
  ShowRowsAfterEdit(step.Row, listColumn);
}

}  // namespace qelvar
