// Loading a document from a file or from bytes.
#include "document/csv_document.h"
#include "platform/platform.h"

namespace qelvar {

// Decodes and parses; `cells`, when not empty, holds the bytes and becomes the memory of the cell array
// once they are decoded, so that the bytes and the cells never take memory at the same time.
struct TCsvLoader {
  static bool Parse(std::string_view bytes, TCsvCellStore cells, char16_t delimiter, int commentMode,
                    std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document, bool trimValues,
                    std::int64_t sampleRows) {
    std::u16string text;
    TCsvEncodingInfo info;
    bool lossless = false;
    DecodeText(bytes, forcedEncoding, text, info, &lossless);
    info.Lossless = lossless;
    if (!forcedEncoding.empty()) {
      TCsvEncodingInfo fresh;
      DetectEncoding(bytes, u"", fresh);
      info.Detected = fresh.Name == info.Name && fresh.HasBom == info.HasBom;
    }
    auto doc = std::make_unique<TCsvDocument>();
    doc->SetEncoding(info);
    if (!doc->ParseInto(std::move(text), std::move(cells), delimiter, commentMode, trimValues, sampleRows)) return false;
    doc->sampleRows_ = sampleRows;
    doc->sourceBytes_ = static_cast<std::int64_t>(bytes.size());
    document = std::move(doc);
    return true;
  }
};

bool LoadFromBytes(std::string_view bytes, char16_t delimiter, int commentMode, std::u16string_view forcedEncoding,
                   std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows,
                   TLoadFailure* failure) {
  document.reset();
  if (failure) *failure = TLoadFailure{};
  try {
    return TCsvLoader::Parse(bytes, {}, delimiter, commentMode, forcedEncoding, document, trimValues, sampleRows);
  } catch (...) {
    document.reset();
    if (failure) *failure = TLoadFailure{};
    return false;
  }
}

bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::u16string_view forcedEncoding, std::unique_ptr<TCsvDocument>& document, bool trimValues,
                  std::int64_t sampleRows, TLoadFailure* failure) {
  document.reset();
  if (failure) *failure = TLoadFailure{};
  try {
    TCsvCellStore buffer;
    std::int64_t size = 0;
    std::size_t got = 0;
    const auto room = [&buffer](std::size_t bytes) -> char* {
      // The bytes, their text (up to two bytes per byte) and the cells must all fit: a file that cannot
      // is refused before anything is read (a 32-bit process runs out of address space first).
      if (bytes > platform::AvailableAddressSpace() / 3) return nullptr;
      // Room for the cells to come as well: a table's cells usually take about as many bytes as the
      // file, and room that is never written is only reserved.
      buffer.reserve((bytes + bytes / 4) / sizeof(TCsvCell) + 64);
      platform::PreferLargePages(buffer.data(), buffer.capacity() * sizeof(TCsvCell));
      buffer.resize(bytes / sizeof(TCsvCell) + 1);
      return reinterpret_cast<char*>(buffer.data());
    };
    switch (platform::ReadFileInto(fileName, maxFileSize, size, room, got)) {
      case platform::ReadResult::Ok: break;
      case platform::ReadResult::TooLarge:
        if (failure) *failure = TLoadFailure{true, size, maxFileSize};
        return false;
      case platform::ReadResult::Failed: return false;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), got);
    return TCsvLoader::Parse(bytes, std::move(buffer), delimiter, commentMode, forcedEncoding, document, trimValues,
                             sampleRows);
  } catch (...) {
    document.reset();
    if (failure) *failure = TLoadFailure{};
    return false;
  }
}

bool LoadFromFile(const std::u16string& fileName, std::int64_t maxFileSize, char16_t delimiter, int commentMode,
                  std::unique_ptr<TCsvDocument>& document, bool trimValues, std::int64_t sampleRows,
                  TLoadFailure* failure) {
  return LoadFromFile(fileName, maxFileSize, delimiter, commentMode, u"", document, trimValues, sampleRows, failure);
}

}  // namespace qelvar
