#include "viewer/load/loaded_document.h"

#include <utility>

#include "grid/grid_model.h"
#include "settings/settings.h"
#include "transform/transform.h"

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
  maxSizeUnreadable = other.maxSizeUnreadable;
  rest = std::move(other.rest);
  return *this;
}

bool LoadDocument(const std::u16string& fileName, const TLoadChoices& request, const TTransformConfig* current,
                  TLoadedDocument& fresh, const std::atomic<bool>* stop) noexcept {
  try {
    fresh = TLoadedDocument();
    const int samples = ReadInteger(u"max-column-samples");
    const bool trim = ReadInteger(u"trim-values") != 0;
    // A limit the user wrote but that cannot be read is no reason to refuse the file: no limit, and the
    // status bar says so.
    TSettingRead sizeRead = TSettingRead::Ok;
    std::int64_t maxSize = ReadInteger64(u"max-file-size", &sizeRead);
    if (sizeRead == TSettingRead::Unreadable) {
      maxSize = 0;
      fresh.maxSizeUnreadable = true;
    }
    fresh.stamp = ReadFileStamp(fileName);
    if (stop && fresh.stamp.size > kBackgroundLoadFrom) {
      auto load = std::make_unique<TCsvProgressiveLoad>(stop);
      // The first screen needs a few hundred rows: a small first read shows them sooner.
      TProgressiveOptions options;
      options.StartBytes = std::size_t{256} << 10;
      if (!load->Start(fileName, maxSize, RequestedDelimiter(request), request.commentMode, request.encodingName,
                       trim, samples, options, fresh.document, &fresh.failure) ||
          !fresh.document)
        return false;
      if (load->State() == TLoadState::Loading) fresh.rest = std::move(load);
    } else if (!LoadFromFile(fileName, maxSize, RequestedDelimiter(request), request.commentMode,
                             request.encodingName, fresh.document, trim, samples, &fresh.failure) ||
               !fresh.document) {
      return false;
    }

    const bool headerRow = ReadInteger(u"header-row") != 0;
    fresh.model = std::make_unique<TCsvGridModel>(fresh.document.get(), headerRow);
    fresh.model->SetCaseSensitive(ReadInteger(u"filter-case-sensitive") != 0);
    // A copy of the current transformation keeps what a new document does not reset (the number format).
    fresh.transform = current ? std::make_unique<TTransformConfig>(*current) : std::make_unique<TTransformConfig>();
    fresh.transform->InitFromDocument(fresh.document.get(), headerRow);
    return true;
  } catch (...) {
    fresh = TLoadedDocument();
    return false;
  }
}

}  // namespace qelvar
