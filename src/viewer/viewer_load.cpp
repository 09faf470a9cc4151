// Loading a file in two steps: "load" builds the document, its grid model and its transformation aside,
// touching nothing on screen; "install" swaps them in and shows them. A reload runs the same two steps and
// keeps the old document when the load fails. Background decoding of the remaining cells follows.
#include <utility>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

TLoadedDocument::TLoadedDocument() noexcept = default;
TLoadedDocument::~TLoadedDocument() = default;
TLoadedDocument::TLoadedDocument(TLoadedDocument&&) noexcept = default;
TLoadedDocument& TLoadedDocument::operator=(TLoadedDocument&& other) noexcept {
  // The model refers to the document: the old model goes before the old document.
  transform = std::move(other.transform);
  model = std::move(other.model);
  document = std::move(other.document);
  stamp = other.stamp;
  failure = other.failure;
  return *this;
}

bool TCsvViewer::LoadDocument(const TLoadChoices& request, TLoadedDocument& fresh) const noexcept {
  try {
    fresh = TLoadedDocument();
    const int samples = ReadInteger(u"max-column-samples");
    const bool trim = ReadInteger(u"trim-values") != 0;
    const int maxSize = ReadInteger(u"max-file-size");
    fresh.stamp = ReadFileStamp(fileName);
    if (!LoadFromFile(fileName, maxSize, RequestedDelimiter(request), request.commentMode, request.encodingName,
                      fresh.document,
                      trim, samples, &fresh.failure) ||
        !fresh.document)
      return false;

    const bool headerRow = ReadInteger(u"header-row") != 0;
    fresh.model = std::make_unique<TCsvGridModel>(fresh.document.get(), headerRow);
    fresh.model->SetCaseSensitive(ReadInteger(u"filter-case-sensitive") != 0);
    // A copy of the current transformation keeps what a new document does not reset (the number format).
    fresh.transform =
        transformConfig ? std::make_unique<TTransformConfig>(*transformConfig) : std::make_unique<TTransformConfig>();
    fresh.transform->InitFromDocument(fresh.document.get(), headerRow);
    return true;
  } catch (...) {
    fresh = TLoadedDocument();
    return false;
  }
}

void TCsvViewer::InstallDocument(TLoadedDocument&& fresh) {
  // The old model refers to the old document: it goes first.
  model = std::move(fresh.model);
  document = std::move(fresh.document);
  transformConfig = std::move(fresh.transform);
  loadedStamp = fresh.stamp;
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
  if (LoadDocument(choices, fresh)) {
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
