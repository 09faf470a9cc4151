// A file read into a document with its grid model and transformation, built aside while the screen still
// shows what it showed before (the old document, or the loading label).
#pragma once

#include <memory>
#include <string>

#include "document/csv_document.h"
#include "document/progressive_load.h"
#include "viewer/load/file_stamp.h"
#include "viewer/load/load_choices.h"

namespace qelvar {

class TCsvGridModel;
class TTransformConfig;

struct TLoadedDocument {
  TLoadedDocument() noexcept;
  ~TLoadedDocument();
  TLoadedDocument(TLoadedDocument&&) noexcept;
  TLoadedDocument& operator=(TLoadedDocument&&) noexcept;

  std::unique_ptr<TCsvDocument> document;
  std::unique_ptr<TCsvGridModel> model;  // over `document`; destroyed before it
  std::unique_ptr<TTransformConfig> transform;
  TFileStamp stamp;  // the file as it was just before it was read
  TLoadFailure failure;  // why the load failed, when it did
  bool maxSizeUnreadable = false;  // max-file-size holds no number: the file was read without a limit
  // A large file read in the background: `document` holds its start, `rest` reads on (the stop flag it
  // was made with is the caller's). Null when `document` is the whole file.
  std::unique_ptr<TCsvProgressiveLoad> rest;
};

// Files up to this size are read in one piece before anything is shown: the first screen would not come
// noticeably sooner, and a load in one piece is all there is to it.
inline constexpr std::uint64_t kBackgroundLoadFrom = std::uint64_t{8} << 20;

// Reads `fileName` with `request` and the settings read now, and builds its document, grid model and
// transformation into `fresh`; the transformation starts as a copy of `current` (when there is one), so
// that what a new document does not reset (the number format) stays. False on failure (`fresh.failure`
// tells why, when the failure has a reason), `fresh` then otherwise empty. With `stop` a file larger
// than kBackgroundLoadFrom is only read until its start is settled: `fresh.rest`, made with `stop`,
// reads the rest. Never throws.
bool LoadDocument(const std::u16string& fileName, const TLoadChoices& request, const TTransformConfig* current,
                  TLoadedDocument& fresh, const std::atomic<bool>* stop = nullptr) noexcept;

}  // namespace qelvar
