// Loading a document from a file or from bytes, and the reason of a failed load.
#include "document/csv_model.h"
#include "platform/platform.h"

namespace qelvar {

namespace {

TLoadFailure& LastFailure() {
  static TLoadFailure failure;
  return failure;
}

// Decodes and parses. `owner`, when given, holds `bytes` and is emptied as soon as they are decoded, so
// that the bytes and the cells never take memory at the same time.
bool ParseBytes(std::string_view bytes, std::string* owner, char16_t delimiter, int commentMode,
                std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document, bool trimValues,
                std::int64_t sampleRows) {
  std::u16string text;
  TCsvEncodingInfo info;
  bool lossless = false;
  DecodeText(bytes, forcedEncoding, text, info, &lossless);
  info.Lossless = lossless;
  if (owner) std::string().swap(*owner);  // gives the memory back (assigning an empty string may not)
  auto doc = std::make_unique<TCsvDocument>();
  doc->SetEncoding(info);
  if (!doc->Parse(std::move(text), delimiter, commentMode, trimValues, sampleRows)) return false;
  document = std::move(doc);
  return true;
}

}  // namespace

const TLoadFailure& LastLoadFailure() { return LastFailure(); }

void ClearLastLoadFailure() noexcept { LastFailure() = TLoadFailure{}; }

bool LoadFromBytes(std::string_view bytes, char16_t delimiter, int commentMode, std::u16string_view forcedEncoding,
                   std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows) {
  document.reset();
  try {
    LastFailure() = TLoadFailure{};
    return ParseBytes(bytes, nullptr, delimiter, commentMode, forcedEncoding, document, trimValues, sampleRows);
  } catch (...) {
    document.reset();
    LastFailure() = TLoadFailure{};
    return false;
  }
}

bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document, bool trimValues,
                  std::int64_t sampleRows) {
  document.reset();
  try {
    LastFailure() = TLoadFailure{};
    std::string bytes;
    std::int64_t size = 0;
    switch (platform::ReadWholeFile(fileName, maxFileSize, bytes, size)) {
      case platform::ReadResult::Ok: break;
      case platform::ReadResult::TooLarge:
        LastFailure() = TLoadFailure{true, size, maxFileSize};
        return false;
      case platform::ReadResult::Failed: return false;
    }
    return ParseBytes(bytes, &bytes, delimiter, commentMode, forcedEncoding, document, trimValues, sampleRows);
  } catch (...) {
    document.reset();
    LastFailure() = TLoadFailure{};
    return false;
  }
}

bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows) {
  return LoadFromFile(fileName, maxFileSize, delimiter, commentMode, u"", document, trimValues, sampleRows);
}

}  // namespace qelvar
