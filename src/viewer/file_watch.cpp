// The file on disk while it is shown: checked four times a second (setting auto-reload, or follow mode),
// what a writer appended is read and joins the grid, a file rewritten or back after it vanished is read
// again keeping the view, and follow mode keeps the last row in view. Unsaved edits are never replaced:
// the status bar says that the file changed, and the save's own guard decides when it comes to that.
#include "document/append_read.h"
#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "settings/settings.h"
#include "viewer/flag_held.h"
#include "viewer/viewer.h"

namespace qelvar {

void TCsvViewer::StartWatching() {
  watch.appends.reset();
  watch.seen = saving.loaded;
  watch.gone = false;
  watch.changeNoted = false;
  if (!window) return;
  if (ReadInteger(u"auto-reload") != 0 || watch.follow) SetTimer(window, kWatchTimer, kWatchTickMs, nullptr);
  else KillTimer(window, kWatchTimer);
}

void TCsvViewer::WatchFile() {
  // Nothing while the file is still being read, while a cell is being typed into, while another handler
  // waits in a modal loop (a question, a menu, a file dialog) for what it holds to stay, or while a
  // worker reads the document for a filter.
  if (!loaded || !document || !model || ReadOnlyWhileLoading() || cellEditor.Box() || saving.promptActive ||
      life.handlerDepth > 1 || rowsJob)
    return;
  const TFileStamp now = ReadFileStamp(fileName);
  if (!now.exists) {
    if (!watch.gone) {
      watch.gone = true;
      status.note = UiText(utFileGone);
      UpdateStatusBar();
    }
    return;
  }
  if (watch.gone) {
    // Back after it vanished: whatever it holds now is read afresh.
    watch.gone = false;
    return ReloadForChange(now);
  }
  if (now == watch.seen) return;
  if (Modified()) {
    if (!watch.changeNoted) {
      watch.changeNoted = true;
      status.note = UiText(utFileChangedUnderEdits);
      UpdateStatusBar();
    }
    return;
  }
  if (ReadInteger(u"auto-reload") == 0 && !watch.follow) return;

  // Appends are read into the document as it was loaded; a document saved since holds other bytes, and
  // one without rows has decided nothing (delimiter, width) that new lines could be cut with.
  if (!watch.appends && watch.appendable && document->RowCount() > 0) {
    watch.appends = std::make_unique<TCsvAppendReader>();
    if (!watch.appends->Begin(fileName, *document, choices.commentMode)) watch.appends.reset();
  }
  const TFileChange change = watch.appends ? watch.appends->Check() : TFileChange::Rewritten;
  // The same size and tail but another write time may be a change further up: only a full read tells.
  if (change != TFileChange::Grew) return ReloadForChange(now);
  const std::int64_t before = document->RowCount();
  const std::int64_t rows = watch.appends->ReadAppended(*document);
  if (rows < 0) return ReloadForChange(now);
  // The save's guard compares with this stamp: it holds what the document holds only when nothing came
  // between the stamp and the read.
  if (watch.appends->BytesRead() == static_cast<std::int64_t>(now.size)) {
    watch.seen = now;
    saving.loaded = now;
  } else {
    watch.seen = TFileStamp{};
  }
  // A last row that was loaded half written and is now whole counts among the rows read: it may pass
  // the filters (or sort) differently now, so the rows are looked at again from it.
  if (rows > 0) ShowAppendedRows(document->RowCount() - rows < before);
}

void TCsvViewer::ReloadForChange(const TFileStamp& now) {
  ++watch.fullReloads;
  TLoadFailure failure;
  const TReloadResult result = Reload(failure, TKeepView::Always);
  if (life.destroyed || result == TReloadResult::Reloaded) return;
  // What cannot be read now (too large, locked, ending inside quotes) is tried again when the file changes
  // again, not at every look: the status bar says so, and the rows shown stay.
  watch.seen = now;
  status.note = UiText(utFileReloadFailed);
  UpdateStatusBar();
}

void TCsvViewer::ShowAppendedRows(bool lastRowReplaced) {
  if (lastRowReplaced) {
    RebuildVisibleRows([&] { model->Rebuild(); }, true);
    if (life.destroyed) return;
    if (listView) InvalidateRect(listView, nullptr, FALSE);
  } else if (model->SortColumn() < 0 && listView) {
    // Unsorted, the rows listed keep their places and the new ones follow them: the selection, the focus
    // and the current cell stay as they are, and the list repaints only what is new. A rebuild would look
    // for them all again, at a cost that grows with the rows (tens of ms a look for a million rows).
    model->TakeAppendedRows();
    ListView_SetItemCountEx(listView, VisibleRowCount(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    UpdateStatusBar();
  } else {
    RebuildVisibleRows([&] { model->TakeAppendedRows(); }, true);
    if (life.destroyed) return;
    if (listView) InvalidateRect(listView, nullptr, FALSE);
  }
  if (document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
  if (watch.follow) FollowLastRow();
}

void TCsvViewer::ToggleFollow() {
  watch.follow = !watch.follow;
  watch.followLeft = false;
  if (watch.follow) {
    FollowLastRow();
    if (window) SetTimer(window, kWatchTimer, kWatchTickMs, nullptr);
  }
  UpdateStatusBar();
}

void TCsvViewer::FollowLastRow() noexcept {
  const int count = VisibleRowCount();
  if (!listView || count <= 0) return;
  const TFlagHeld keep(watch.scrolling);
  ListView_EnsureVisible(listView, count - 1, FALSE);
  PlaceFilterEdits();
}

void TCsvViewer::GridScrolled() {
  if (watch.scrolling || !listView) return;
  const int count = VisibleRowCount();
  const int lastShown = ListView_GetTopIndex(listView) + ListView_GetCountPerPage(listView);
  if (watch.follow && count > 0 && lastShown < count) {
    // Scrolled up, away from the end: follow mode waits for End.
    watch.follow = false;
    watch.followLeft = true;
    UpdateStatusBar();
  } else if (watch.followLeft && count > 0 && lastShown >= count) {
    watch.follow = true;
    watch.followLeft = false;
    UpdateStatusBar();
  }
}

}  // namespace qelvar
