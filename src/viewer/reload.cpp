// Reading the file again: after a choice in the status bar's popups (another encoding, delimiter or
// comment handling), after Reload, and when the file changed on disk. The new document is built aside, so a
// file that can no longer be read leaves the grid as it was; the view (filters, sort, hidden columns,
// widths, the transformed view, the scroll position, the current cell and the selection) is carried over
// to the new columns by name, or by position without a header row.
#include <algorithm>
#include <optional>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "transform/transform.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {
namespace {

std::vector<std::u16string> ColumnNames(TCsvDocument* document, bool headerRow) {
  std::vector<std::u16string> names;
  const int count = document ? document->ColumnCount() : 0;
  names.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int c = 0; c < count; ++c) names.push_back(SourceColumnName(document, headerRow, c));
  return names;
}

}  // namespace

bool TCsvViewer::ApplyStatusChoice(int id) {
  const TLoadChoices previous = choices;
  if (!ApplyLoadChoice(id, choices)) return false;

  TLoadFailure failure;
  const TReloadResult result = Reload(failure, TKeepView::IfSameColumns);
  if (life.destroyed) return true;
  if (result == TReloadResult::Reloaded) {
    if (id >= cmCommentsParse && id <= cmCommentsAuto) PlaceFilterEdits();
    return true;
  }
  choices = previous;
  // A reload the user declined says nothing; one a failed save stopped says, after the save's own box,
  // that the file was not read again either.
  if (result == TReloadResult::Failed || result == TReloadResult::SaveFailed) ShowError(utFileReloadFailed, failure);
  return true;
}

void TCsvViewer::ReloadByCommand() {
  TLoadFailure failure;
  const TReloadResult result = Reload(failure, TKeepView::Always);
  if (life.destroyed) return;
  if (result == TReloadResult::Failed || result == TReloadResult::SaveFailed) ShowError(utFileReloadFailed, failure);
}

TKeptView TCsvViewer::TakeKeptView() const {
  TKeptView kept;
  if (!model || !document) return kept;
  kept.byName = model->HeaderRow();
  kept.names = ColumnNames(document.get(), kept.byName);
  kept.filters = model->Filters();
  kept.filters.resize(kept.names.size());
  // Text typed into a box but not applied yet is what the user wants filtered.
  const std::vector<HWND>& edits = filterRow.Edits();
  for (std::size_t i = 0; i < edits.size(); ++i) {
    const int column = static_cast<int>(i) - LineNumberOffset();
    if (edits[i] && filterRow.Pending(i) && column >= 0 && static_cast<std::size_t>(column) < kept.filters.size())
      kept.filters[static_cast<std::size_t>(column)] = WindowText(edits[i]);
  }
  kept.sortColumn = model->SortColumn();
  kept.sortDirection = model->SortDirection();
  kept.hidden = hiddenColumns.document;
  if (listView && !view.transformed) {
    kept.widths.assign(kept.names.size(), -1);
    for (std::size_t c = 0; c < kept.names.size(); ++c)
      kept.widths[c] = ListView_GetColumnWidth(listView, static_cast<int>(c) + LineNumberOffset());
  }
  return kept;
}

TCsvViewer::TReloadResult TCsvViewer::Reload(TLoadFailure& failure, TKeepView keep) {
  failure = TLoadFailure{};
  if (!ConfirmSaveBefore(utReloading) || life.destroyed)
    return saving.lastSaveFailed ? TReloadResult::SaveFailed : TReloadResult::Declined;
  if (!loaded || !model) return TReloadResult::Failed;

  KillTimer(window, kDecodeTimer);
  KillTimer(window, kFilterTimer);
  StopRowsJob();
  // A reload reads the file in one piece: the rest still being read is not wanted any more. Should the
  // reload fail, the part shown stays read-only.
  const bool wasReading = rest.load != nullptr;
  StopBackgroundLoad();
  rest.load.reset();

  // The view as it is, to be found again in the new columns.
  const TKeptView kept = TakeKeptView();
  const int lineNumberWidth = view.lineNumbers && listView ? ListView_GetColumnWidth(listView, 0) : 0;
  const bool wasTransformed = view.transformed;
  std::optional<TTransformConfig> oldTransform;
  if (transformConfig) oldTransform = *transformConfig;
  const std::vector<bool> outputHidden = hiddenColumns.output;
  std::vector<int> listWidths;
  if (listView)
    for (int c = 0; c < GridColumnCount(); ++c) listWidths.push_back(ListView_GetColumnWidth(listView, c));
  const int topRow = listView ? model->VisibleToDocumentRow(ListView_GetTopIndex(listView)) : -1;
  const int horizontal = listView ? GetScrollPos(listView, SB_HORZ) : 0;
  const int currentRow = model->VisibleToDocumentRow(cursor.row);
  const int currentColumn = cursor.column;

  TLoadedDocument fresh;
  if (!LoadDocument(fileName, choices, transformConfig.get(), fresh)) {
    failure = fresh.failure;
    if (wasReading) rest.truncated = true;
    if (rest.rowsWaiting) {
      rest.rowsWaiting = false;
      RebuildVisibleRows([&] { model->Rebuild(); }, true);
      if (life.destroyed) return TReloadResult::Failed;
    }
    // The old document stays, and so does what was under way: its background decoding, and filter text
    // typed just before, which would otherwise sit in its box without filtering.
    if (document && document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
    if (filterRow.AnyPending())
      SetTimer(window, kFilterTimer, kFilterDelayMs, nullptr);
    return TReloadResult::Failed;
  }

  const std::vector<std::u16string> names = ColumnNames(fresh.document.get(), fresh.model->HeaderRow());
  const bool keeping = keep == TKeepView::Always || (kept.byName == fresh.model->HeaderRow() && SameColumns(kept, names));
  TCarriedView carried;
  if (keeping) {
    carried = CarryKeptView(kept, names);
    // Before the columns are built: the filter boxes show the model's filters, the widths skip hidden ones.
    fresh.model->SetFiltersAndSort(carried.view.filters, carried.view.sortColumn, carried.view.sortDirection);
    hiddenColumns.document = carried.view.hidden;
  }

  // Selected records stay selected by document row where the new grid lists them.
  RebuildVisibleRows(
      [&] {
        InstallDocument(std::move(fresh));
        rest.truncated = false;
        rest.rowsWaiting = false;
        cursor.row = -1;
        cursor.column = -1;
        search.Reset();
        if (lineNumberWidth > 0 && view.lineNumbers) ListView_SetColumnWidth(listView, 0, lineNumberWidth);
      },
      false);
  if (life.destroyed) return TReloadResult::Reloaded;
  if (keeping) RestoreKeptView(carried, oldTransform ? &*oldTransform : nullptr, wasTransformed, outputHidden, listWidths,
                               topRow, horizontal, currentRow, currentColumn);
  PlaceFilterEdits();
  if (listView) RedrawWindow(listView, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  return TReloadResult::Reloaded;
}

void TCsvViewer::RestoreKeptView(const TCarriedView& carried, TTransformConfig* oldTransform, bool wasTransformed,
                                 const std::vector<bool>& outputHidden, const std::vector<int>& listWidths, int topRow,
                                 int horizontal, int currentRow, int currentColumn) {
  std::vector<std::u16string> gone = carried.gone;
  bool transformKept = false;
  if (wasTransformed && oldTransform && transformConfig) {
    // The transformation reads its sources by name: it stays when the new file has every one of them.
    const std::vector<std::u16string> missing = oldTransform->MapSourcesByName(transformConfig->InitialHeaders);
    if (missing.empty()) {
      *transformConfig = *oldTransform;
      hiddenColumns.output = outputHidden;
      view.transformed = true;
      RefreshTransformPanel();
      RebuildTransformGrid();
      transformKept = true;
      if (listView && static_cast<int>(listWidths.size()) == GridColumnCount())
        for (std::size_t c = 0; c < listWidths.size(); ++c) ListView_SetColumnWidth(listView, static_cast<int>(c), listWidths[c]);
    } else {
      gone.insert(gone.end(), missing.begin(), missing.end());
    }
  }
  if (!transformKept && listView && !wasTransformed) {
    const std::vector<int>& widths = carried.view.widths;
    for (std::size_t c = 0; c < widths.size(); ++c)
      if (widths[c] >= 0 && !(c < carried.view.hidden.size() && carried.view.hidden[c]))
        ListView_SetColumnWidth(listView, static_cast<int>(c) + LineNumberOffset(), widths[c]);
    MeasureNumericColumns();
  }

  // The current cell on its record and its column (found again by name in the document's view).
  const int row = model ? FindVisibleIndex(model->VisibleRows(), currentRow) : -1;
  if (row >= 0 && currentColumn >= 0) {
    int column = currentColumn;
    if (!view.transformed && currentColumn >= LineNumberOffset()) {
      const auto old = static_cast<std::size_t>(currentColumn - LineNumberOffset());
      column = old < carried.map.size() && carried.map[old] >= 0 ? carried.map[old] + LineNumberOffset() : -1;
    }
    if (column >= 0 && column < GridColumnCount()) {
      cursor.row = row;
      cursor.column = column;
    }
  }
  if (watch.follow) {
    FollowLastRow();
  } else if (listView && model) {
    const int top = FindVisibleIndex(model->VisibleRows(), topRow);
    if (top >= 0) ScrollRowToTop(top);
    const int shift = horizontal - GetScrollPos(listView, SB_HORZ);
    if (shift != 0) ListView_Scroll(listView, shift, 0);
  }
  if (!gone.empty()) status.note = FormatUiStrings(UiText(utReloadColumnsGone), {JoinColumnNames(gone)});
  UpdateStatusBar();
}

}  // namespace qelvar
