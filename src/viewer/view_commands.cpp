// The view switches of the context menu: filter row, header row, line numbers and edit mode. Each toggle
// is stored in the settings at once, so it also applies to the next file.
#include <algorithm>
#include <memory>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "platform/wide.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {

void TCsvViewer::ToggleFilterRow() {
  filterRow.SetVisible(!filterRow.Visible());
  WriteInteger(u"filter-row", filterRow.Visible() ? 1 : 0);
  // The boxes stay with their texts: the filters they hold stay applied, and showing the row again shows
  // what filters the grid. Typing goes back to the grid when its box disappears.
  if (!filterRow.Visible() && IsFilterEdit(GetFocus())) SetFocus(listView);
  Layout();
}

void TCsvViewer::ToggleHeaderRow() {
  if (!model || !document) return;
  const bool headerRow = !HeaderRowShown();
  // Built aside, so that a failure leaves the view as it was.
  auto freshModel = std::make_unique<TCsvGridModel>(document.get(), headerRow);
  freshModel->SetCaseSensitive(ReadInteger(u"filter-case-sensitive") != 0);
  auto freshTransform =
      transformConfig ? std::make_unique<TTransformConfig>(*transformConfig) : std::make_unique<TTransformConfig>();
  freshTransform->InitFromDocument(document.get(), headerRow);
  WriteInteger(u"header-row", headerRow ? 1 : 0);

  // The records keep their document rows: the header line alone leaves the selection when it becomes the
  // header again.
  RebuildVisibleRows(
      [&] {
        model = std::move(freshModel);
        transformConfig = std::move(freshTransform);
        view.transformed = false;
        cursor.row = -1;
        cursor.column = -1;
        BuildColumns(ComputeColumnWidths(false));
      },
      false);
  // The transformation was rebuilt for the new header: the panel and the output's hidden flags follow.
  TransformationReset();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
}

void TCsvViewer::ToggleLineNumbers() {
  // The rows stay as they are; only the columns move by one. The filter boxes are made anew for the new
  // columns, so their texts (applied or still pending) move to the new boxes of the same columns.
  const int oldOffset = LineNumberOffset();
  std::vector<std::u16string> texts;  // by document column
  std::vector<bool> pending;
  const std::vector<HWND>& oldEdits = filterRow.Edits();
  for (std::size_t i = 0; i < oldEdits.size(); ++i) {
    const int column = static_cast<int>(i) - oldOffset;
    if (column < 0) continue;
    const auto at = static_cast<std::size_t>(column);
    if (texts.size() <= at) {
      texts.resize(at + 1);
      pending.resize(at + 1, false);
    }
    if (oldEdits[i]) texts[at] = WindowText(oldEdits[i]);
    pending[at] = filterRow.Pending(i);
  }

  view.lineNumbers = !view.lineNumbers;
  WriteInteger(u"show-line-numbers", view.lineNumbers ? 1 : 0);
  cursor.row = -1;
  cursor.column = -1;
  BuildColumns(ComputeColumnWidths(false));

  const int offset = LineNumberOffset();
  const std::vector<HWND>& edits = filterRow.Edits();
  std::vector<bool> stillPending(edits.size(), false);
  for (std::size_t column = 0; column < texts.size(); ++column) {
    const std::size_t index = column + static_cast<std::size_t>(offset);
    if (index >= edits.size() || !edits[index]) continue;
    // Its change notice marks the filter pending; the flags are put back below, so that what was applied
    // is not applied again.
    if (!texts[column].empty()) SetText(edits[index], texts[column]);
    stillPending[index] = pending[column];
  }
  filterRow.SetPending(std::move(stillPending));
  KillTimer(window, kFilterTimer);
  if (filterRow.AnyPending()) SetTimer(window, kFilterTimer, kFilterDelayMs, nullptr);
  if (listView) InvalidateRect(listView, nullptr, TRUE);
}

void TCsvViewer::ToggleEditMode() {
  EndCellEdit(true);
  // A commit that failed said why and keeps its editor open: edit mode stays with it, or the box could
  // later write into a document that is no longer being edited.
  if (life.destroyed || cellEditor.Box()) return;
  // A file still being read (or read only in part) is not edited: edit mode waits for the whole of it.
  if (!view.editMode && ReadOnlyWhileLoading()) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  // Edits change the document that a filter's worker reads: the filter is applied here and now.
  if (!view.editMode && rowsJob) RebuildVisibleRows([&] { model->Rebuild(); }, true);
  view.editMode = !view.editMode;
  UpdateStatusBar();
}

}  // namespace qelvar
