// Loading a file in two steps: LoadDocument (load/loaded_document.h) builds the document, its grid model
// and its transformation aside, touching nothing on screen; "install" swaps them in and shows them. A
// reload runs the same two steps and keeps the old document when the load fails. Background decoding of
// the remaining cells follows.
#include <utility>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

void TCsvViewer::InstallDocument(TLoadedDocument&& fresh) {
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
  // The new document came with a new transformation: the panel and the view follow it.
  TransformationReset();
  BuildColumns(ComputeColumnWidths(false));
  Layout();

  KillTimer(window, kDecodeTimer);
  if (document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
  PostMessageW(window, kFocusGridMessage, 0, 0);
}

void TCsvViewer::DeferredLoad() {
  KillTimer(window, kLoadTimer);
  if (loaded) return;

  const std::u16string forced = ReadString(u"default-column-delimiter");
  choices.autoDelimiter = forced.empty();
  choices.delimiter = forced.empty() ? char16_t{0} : forced[0];

  TLoadedDocument fresh;
  if (LoadDocument(fileName, choices, transformConfig.get(), fresh)) {
    InstallDocument(std::move(fresh));
    return;
  }
  if (!ShowError(utFileLoadFailed, fresh.failure)) return;  // the window went while the box was up
  DestroyWindow(window);
}

void TCsvViewer::DecodeSome() {
  if (!document || !document->HasUndecodedCells() || document->DecodeNext(kDecodeCellsPerTick) == 0 ||
      !document->HasUndecodedCells()) {
    KillTimer(window, kDecodeTimer);
  }
}

}  // namespace qelvar
