// Reading the file again with another encoding, delimiter or comment handling, chosen in the status bar's
// popups. The new document is built aside, so a file that can no longer be read leaves the grid as it was.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "viewer/viewer.h"

namespace qelvar {
bool TCsvViewer::ApplyStatusChoice(int id) {
  const TLoadChoices previous = choices;
  if (!ApplyLoadChoice(id, choices)) return false;

  TLoadFailure failure;
  const TReloadResult result = Reload(failure);
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

TCsvViewer::TReloadResult TCsvViewer::Reload(TLoadFailure& failure) {
  failure = TLoadFailure{};
  if (!ConfirmSaveBefore(utReloading) || life.destroyed)
    return saving.lastSaveFailed ? TReloadResult::SaveFailed : TReloadResult::Declined;
  if (!loaded || !model) return TReloadResult::Failed;

  KillTimer(window, kDecodeTimer);
  KillTimer(window, kFilterTimer);
  // A reload reads the file in one piece: the rest still being read is not wanted any more. Should the
  // reload fail, the part shown stays read-only.
  const bool wasReading = rest.load != nullptr;
  StopBackgroundLoad();
  rest.load.reset();
  const int lineNumberWidth = view.lineNumbers && listView ? ListView_GetColumnWidth(listView, 0) : 0;

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
  PlaceFilterEdits();
  if (listView) RedrawWindow(listView, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  return TReloadResult::Reloaded;
}

}  // namespace qelvar
