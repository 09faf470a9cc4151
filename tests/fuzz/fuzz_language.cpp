// Arbitrary bytes as a language file: no crash, no hang, and every text set is one trimmed line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "localization/localization.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool hasEquals = bytes.find('=') != std::string_view::npos;
  TUiCatalog catalog;
  ParseLanguageFile(bytes, catalog);
  for (const auto& text : catalog) {
    if (text.empty()) continue;
    if (!hasEquals) std::abort();
    if (text.find_first_of(u"\r\n") != std::u16string::npos) std::abort();
    if (text.front() <= u' ' || text.back() <= u' ') std::abort();
  }
  return 0;
}
