// Loading a file in two steps: LoadDocument (load/loaded_document.h) builds the document, its grid model
// and its transformation aside, touching nothing on screen; "install" swaps them in and shows them. A
// reload runs the same two steps and keeps the old document when the load fails. Background decoding of
// the remaining cells follows.
#include <algorithm>
#include <utility>
#include <vector>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

void TCsvViewer::InstallDocument(TLoadedDocument&& fresh, bool boxesLater) {
  // The worker reads the old document: it ends first.
  StopRowsJob();
  // The old model refers to the old document: it goes first.
  model = std::move(fresh.model);
  document = std::move(fresh.document);
  transformConfig = std::move(fresh.transform);
  saving.loaded = fresh.stamp;
  status.note = fresh.maxSizeUnreadable ? FormatUiStrings(UiText(utSettingUnreadable), {u"max-file-size"}) : u"";
  fresh = TLoadedDocument();

  choices.encodingName = document->Encoding().Name;
  choices.delimiter = choices.autoDelimiter ? char16_t{0} : document->Delimiter();
  loaded = true;
  // The new document came with a new transformation: the panel and the view follow it (laid out once,
  // below, with the new columns).
  TransformationReset(false);
  BuildColumns(ComputeColumnWidths(false), boxesLater);
  Layout();

  KillTimer(window, kDecodeTimer);
  if (document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
  // The document holds the file's bytes as read: what is appended to them can be read on.
  watch.appendable = true;
  StartWatching();
  if (watch.follow) FollowLastRow();
  PostMessageW(window, kFocusGridMessage, 0, 0);
}

void TCsvViewer::DeferredLoad() {
  KillTimer(window, kLoadTimer);
  if (loaded) return;
  // "Loading" is on screen while the file's start is read (the message came before any painting): the
  // label and the status bar are children, which UpdateWindow alone would leave unpainted.
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

  watch.follow = ReadInteger(u"follow") != 0;
  const std::u16string forced = ReadString(u"default-column-delimiter");
  choices.autoDelimiter = forced.empty();
  choices.delimiter = forced.empty() ? char16_t{0} : forced[0];

  // A large file shows its start at once and reads on in the background.
  rest.load = std::make_unique<TBackgroundLoad>();
  TLoadedDocument fresh;
  if (LoadDocument(fileName, choices, transformConfig.get(), fresh, rest.load->Flag())) {
    std::unique_ptr<TCsvProgressiveLoad> reading = std::move(fresh.rest);
    if (!reading) rest.load.reset();
    InstallDocument(std::move(fresh), true);
    // The first screen is painted before the worker starts: its batches would otherwise be taken first
    // (WM_PAINT waits for an empty queue), and its reading competes with the painting for the machine.
    // The filter boxes come after it.
    if (listView) UpdateWindow(listView);
    if (life.destroyed) return;
    CreateFilterBoxes();
    RefreshTheme();
    if (!reading) return;
    const HWND target = window;
    if (rest.load->Begin(std::move(reading), [target] { PostMessageW(target, kLoadBatchMessage, 0, 0); })) {
      UpdateStatusBar();
      return;
    }
    // No thread for the rest: a file shown only in part must not pass for the whole.
    rest.load.reset();
    fresh.failure = TLoadFailure{};
  }
  rest.load.reset();
  if (!ShowError(utFileLoadFailed, fresh.failure)) return;  // the window went while the box was up
  DestroyWindow(window);
}

void TCsvViewer::TakeLoadedRows() {
  if (!rest.load || !document || !model) return;
  // Read before taking: every batch the worker queued before it ended is then taken below.
  const bool ended = !rest.load->Running();
  std::vector<TCsvBatch> batches = rest.load->Take();
  bool appended = false;
  bool refused = false;
  try {
    for (TCsvBatch& batch : batches) {
      if (!document->AppendBatch(std::move(batch))) {
        refused = true;
        break;
      }
      appended = true;
    }
  } catch (...) {
    refused = true;  // memory ran out: the batch left the document as it was, the rest is missing
  }
  rest.load->Recycle(std::move(batches));
  rest.rowsWaiting = rest.rowsWaiting || appended;
  const unsigned long long now = GetTickCount64();
  const bool rebuild = rest.rowsWaiting && (ended || refused || now >= rest.nextRebuild);
  if (rebuild) {
    rest.rowsWaiting = false;
    // Only the new rows go through the filters, unless a sort must place them among the old ones.
    const bool inFileOrder = model->SortColumn() < 0;
    const int before = VisibleRowCount();
    RebuildVisibleRows([&] { model->TakeAppendedRows(); }, true, inFileOrder);
    if (life.destroyed) return;
    const unsigned long long took = GetTickCount64() - now;
    rest.nextRebuild = GetTickCount64() + std::max(kLoadRebuildMs, 4 * took);
    if (document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
    if (watch.follow) FollowLastRow();
    // In file order the new rows come after the old ones: the screen changes only where it shows their
    // end (repainting a screen of rows costs tens of milliseconds under Wine, at every rebuild of a load).
    if (listView && (!inFileOrder || ListView_GetTopIndex(listView) + ListView_GetCountPerPage(listView) >= before))
      InvalidateRect(listView, nullptr, FALSE);
  }
  if (refused) {
    // The memory (or the positions' 32 bits) holds no more: the rows appended so far are whole.
    StopBackgroundLoad();
    return FinishBackgroundLoad(TLoadState::Truncated, false);
  }
  if (ended) return FinishBackgroundLoad(rest.load->State(), rest.load->Mismatch());
  // The rebuild showed the progress already (the status bar costs milliseconds under Wine).
  if (!rebuild) UpdateStatusBar();
}

void TCsvViewer::FinishBackgroundLoad(TLoadState state, bool mismatch) {
  rest.load.reset();
  switch (state) {
    case TLoadState::Done:
      // The file's start decided something (the encoding, the width) that its rest contradicts. Reading
      // it again at once would throw away what the user did meanwhile: the status bar says so, and
      // Reload (which reads in one piece, deciding from the whole file) redoes it.
      if (mismatch) status.note = UiText(utLoadMismatch);
      break;
    case TLoadState::Truncated:
      rest.truncated = true;
      status.note = UiText(sizeof(void*) < 8 ? utLoadTruncated32 : utLoadTruncated);
      break;
    case TLoadState::Stopped: break;
    case TLoadState::Loading:
    case TLoadState::Failed: {
      // The file in one piece has the last word, as for a small file (the blocks may have failed for
      // want of memory that a load in one piece no longer needs). What cannot be read whole is not shown
      // in part.
      TLoadedDocument fresh;
      if (LoadDocument(fileName, choices, transformConfig.get(), fresh)) {
        RebuildVisibleRows([&] { InstallDocument(std::move(fresh)); }, false);
        if (life.destroyed) return;
        break;
      }
      if (!ShowError(utFileLoadFailed, fresh.failure)) return;
      DestroyWindow(window);
      return;
    }
  }
  MeasureNumericColumns();
  UpdateStatusBar();
}

void TCsvViewer::StopBackgroundLoad() noexcept {
  if (rest.load) rest.load->Stop();
}

void TCsvViewer::DecodeSome() {
  if (!document || !document->HasUndecodedCells() || document->DecodeNext(kDecodeCellsPerTick) == 0 ||
      !document->HasUndecodedCells()) {
    KillTimer(window, kDecodeTimer);
  }
}

}  // namespace qelvar
