// Language files: where they are and how their "strings" section is read.
#include <cstdint>
#include <new>
#include <utility>

#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {

namespace {

// Language files are a few kilobytes; a larger file is not one of them and counts as unreadable.
constexpr std::int64_t kMaxLanguageFileSize = 64 * 1024 * 1024;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsStringsSection(std::u16string_view name) {
  constexpr std::u16string_view kStrings = u"strings";
  if (name.size() != kStrings.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != kStrings[i]) return false;
  }
  return true;
}

}  // namespace

void ParseLanguageFile(std::string_view bytes, TUiCatalog& catalog) {
  bool inStrings = false;
  bool firstLine = true;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const std::string_view raw = bytes.substr(pos, end - pos);
    pos = end;
    if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;

    const std::u16string decoded = Utf8ToUtf16(raw);
    std::u16string_view line(decoded);
    if (firstLine && !line.empty() && line.front() == u'\uFEFF') line.remove_prefix(1);
    firstLine = false;

    line = TrimBlanks(line);
    if (line.empty() || line.front() == u'#' || line.front() == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      inStrings = IsStringsSection(TrimBlanks(line.substr(1, line.size() - 2)));
      continue;
    }
    if (!inStrings) continue;
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos || eq == 0) continue;
    if (const auto id = TextIdFromKey(TrimBlanks(line.substr(0, eq))))
      catalog[static_cast<std::size_t>(*id)] = std::u16string(TrimBlanks(line.substr(eq + 1)));
  }
}

std::u16string LanguageFilePath(std::u16string_view fileName) {
  const std::u16string module = platform::ModulePath();
  std::size_t cut = module.size();
  while (cut > 0 && !IsSeparator(module[cut - 1])) --cut;
  // Without the module's folder there is nowhere to look (and the host's current folder is no substitute).
  if (cut == 0) return {};
  // The folder keeps the module path's own separator, so the result reads naturally on either system.
  const std::u16string folder = module.substr(0, cut);
  const char16_t sep = module[cut - 1];
  const std::u16string tail = u"language" + std::u16string(1, sep) + std::u16string(fileName);

  std::u16string beside = folder + tail;
  if (platform::FileExists(beside)) return beside;

  // "..\language\": the parent of the module's folder; the parent of a root is the root itself.
  std::size_t parent = cut - 1;
  while (parent > 0 && !IsSeparator(module[parent - 1])) --parent;
  return (parent > 0 ? module.substr(0, parent) : folder) + tail;
}

bool LoadLanguageFile(std::u16string_view fileName, TUiCatalog& catalog) {
  try {
    const std::u16string path = LanguageFilePath(fileName);
    if (!platform::FileExists(path)) return false;
    std::string bytes;
    std::int64_t size = 0;
    if (platform::ReadWholeFile(path, kMaxLanguageFileSize, bytes, size) != platform::ReadResult::Ok) return false;
    // Parsed into a copy, so that running out of memory half way leaves the catalogue as it was.
    TUiCatalog updated = catalog;
    ParseLanguageFile(bytes, updated);
    catalog = std::move(updated);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace qelvar
