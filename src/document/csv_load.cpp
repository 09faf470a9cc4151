// Loading a document from a file or from bytes, and the size-limit message.
#include <cstdio>

#include "document/csv_model.h"
#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {

namespace {

std::u16string& LastLoadErrorText() {
  static std::u16string text;
  return text;
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

const std::u16string& LastLoadError() { return LastLoadErrorText(); }

std::u16string FormatFileSize(std::int64_t bytes) {
  char buffer[96];
  const long long whole = bytes;
  if (bytes < 1024) {
    std::snprintf(buffer, sizeof buffer, "%lld bytes", whole);
  } else if (bytes < 1048576) {
    std::snprintf(buffer, sizeof buffer, "%lld bytes (%.1f KB)", whole, static_cast<double>(bytes) / 1024.0);
  } else {
    std::snprintf(buffer, sizeof buffer, "%lld bytes (%.1f MB)", whole, static_cast<double>(bytes) / 1048576.0);
  }
  return Utf8ToUtf16(buffer);
}

bool LoadFromBytes(std::string_view bytes, char16_t delimiter, int commentMode, std::u16string_view forcedEncoding,
                   std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows) {
  document.reset();
  try {
    LastLoadErrorText().clear();
    return ParseBytes(bytes, nullptr, delimiter, commentMode, forcedEncoding, document, trimValues, sampleRows);
  } catch (...) {
    document.reset();
    LastLoadErrorText().clear();
    return false;
  }
}

bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document, bool trimValues,
                  std::int64_t sampleRows) {
  document.reset();
  try {
    LastLoadErrorText().clear();
    std::string bytes;
    std::int64_t size = 0;
    switch (platform::ReadWholeFile(fileName, maxFileSize, bytes, size)) {
      case platform::ReadResult::Ok: break;
      case platform::ReadResult::TooLarge:
        LastLoadErrorText() = UiText(utFileTooLarge) + u"\r\n" + UiText(utFileSize) + u": " + FormatFileSize(size) +
                              u"\r\n" + UiText(utLimit) + u": " + FormatFileSize(maxFileSize);
        return false;
      case platform::ReadResult::Failed: return false;
    }
    return ParseBytes(bytes, &bytes, delimiter, commentMode, forcedEncoding, document, trimValues, sampleRows);
  } catch (...) {
    document.reset();
    LastLoadErrorText().clear();
    return false;
  }
}

bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows) {
  return LoadFromFile(fileName, maxFileSize, delimiter, commentMode, u"", document, trimValues, sampleRows);
}

}  // namespace qelvar
