// The settings store: where the ini file is, the store's own reader, and the writer.
#include <cstdint>
#include <new>

#include "platform/platform.h"
#include "platform/utf.h"
#include "settings/settings.h"

namespace qelvar {

namespace {

// The ini file is expected to be a few kilobytes. Anything beyond this is not a settings file, and reading
// it on every setting lookup would stall the viewer; it is treated as unreadable (defaults).
constexpr std::int64_t kMaxIniFileSize = 64 * 1024 * 1024;

std::u16string& StoredDefaultIniPath() {
  static std::u16string path;
  return path;
}

bool IsBlank(char16_t c) { return c <= u' '; }

bool IsQuote(char16_t c) { return c == u'"' || c == u'\''; }

// The value text after "=": an inline comment removed, blanks trimmed, one pair of enclosing quotes removed.
std::u16string_view CleanValue(std::u16string_view value) {
  // Blanks right after "=" do not count: "key = ;x" and "key=;x" both keep the ";".
  std::size_t first = 0;
  while (first < value.size() && IsBlank(value[first])) ++first;
  char16_t quote = 0;
  for (std::size_t i = first; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (IsQuote(c)) {
      quote = c;
    } else if ((c == u'#' || c == u';') && i > first && IsBlank(value[i - 1])) {
      value = value.substr(0, i);
      break;
    }
  }
  value = TrimBlanks(value);
  if (value.size() > 1 && IsQuote(value.front()) && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

// The section a header line names, or false when the line is no header. The system's profile writer takes
// "[name]" followed by anything; the reader accepts "[name]" followed by blanks and a comment, so that it
// never reads a section the writer would then rewrite as another. Any other line from "[" to "]" keeps
// naming what stands between its outer brackets.
bool SectionHeader(std::u16string_view line, std::u16string_view& name) {
  if (line.size() < 2 || line.front() != u'[') return false;
  const std::size_t close = line.find(u']');
  if (close == std::u16string_view::npos) return false;
  const std::u16string_view rest = TrimBlanks(line.substr(close + 1));
  if (rest.empty() || rest.front() == u';' || rest.front() == u'#') {
    name = TrimBlanks(line.substr(1, close - 1));
    return true;
  }
  if (line.back() != u']') return false;
  name = TrimBlanks(line.substr(1, line.size() - 2));
  return true;
}

std::u16string DecodeIni(std::string_view bytes) {
  if (IsValidUtf8(bytes)) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return Utf8ToUtf16(bytes);
  }
  return platform::AnsiToUtf16(bytes);
}

std::u16string ReplaceExtension(const std::u16string& path, std::u16string_view extension) {
  const std::size_t slash = path.find_last_of(u"\\/");
  const std::size_t dot = path.find_last_of(u'.');
  const bool hasExtension = dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
  return (hasExtension ? path.substr(0, dot) : path) + std::u16string(extension);
}

}  // namespace

bool FindIniValue(std::string_view bytes, std::u16string_view key, std::u16string& value) {
  const std::u16string text = DecodeIni(bytes);
  const std::u16string_view all(text);
  bool inSection = false;
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = pos;
    while (end < all.size() && all[end] != u'\r' && all[end] != u'\n') ++end;
    const std::u16string_view line = TrimBlanks(all.substr(pos, end - pos));
    pos = end;
    if (pos < all.size() && all[pos] == u'\r') ++pos;
    if (pos < all.size() && all[pos] == u'\n') ++pos;

    if (line.empty() || line.front() == u'#' || line.front() == u';') continue;
    if (std::u16string_view section; SectionHeader(line, section)) {
      inSection = EqualsIgnoreAsciiCase(section, kSettingsSection);
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) continue;
    if (!EqualsIgnoreAsciiCase(TrimBlanks(line.substr(0, eq)), key)) continue;
    value = std::u16string(CleanValue(line.substr(eq + 1)));
    return true;
  }
  return false;
}

bool ParseIniInteger(std::u16string_view text, int& value) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  bool hex = false;
  if (!text.empty() && text.front() == u'$') {
    hex = true;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    hex = true;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  // Hexadecimal covers the full 32 bits (a colour such as $FFFFFFFF), decimal only the integer range.
  const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t magnitude = 0;
  for (const char16_t c : text) {
    unsigned digit;
    if (c >= u'0' && c <= u'9') {
      digit = static_cast<unsigned>(c - u'0');
    } else if (hex && c >= u'a' && c <= u'f') {
      digit = static_cast<unsigned>(c - u'a' + 10);
    } else if (hex && c >= u'A' && c <= u'F') {
      digit = static_cast<unsigned>(c - u'A' + 10);
    } else {
      return false;
    }
    magnitude = magnitude * (hex ? 16u : 10u) + digit;
    if (magnitude > limit) return false;
  }
  const auto bits = static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
  value = static_cast<int>(static_cast<std::int32_t>(bits));
  return true;
}

bool ParseIniInteger64(std::u16string_view text, std::int64_t& value) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (!text.empty() && text.front() == u'$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  const std::uint64_t limit = negative ? 0x8000'0000'0000'0000u : 0x7FFF'FFFF'FFFF'FFFFu;
  std::uint64_t magnitude = 0;
  for (const char16_t c : text) {
    unsigned digit;
    if (c >= u'0' && c <= u'9') {
      digit = static_cast<unsigned>(c - u'0');
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = static_cast<unsigned>(c - u'a' + 10);
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = static_cast<unsigned>(c - u'A' + 10);
    } else {
      return false;
    }
    if (magnitude > (limit - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  value = negative ? static_cast<std::int64_t>(0u - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

std::u16string IniPath() {
  const std::u16string module = platform::ModulePath();
  std::u16string own = module.empty() ? std::u16string() : ReplaceExtension(module, u".ini");
  if (!own.empty() && platform::FileExists(own)) return own;
  if (!StoredDefaultIniPath().empty()) return StoredDefaultIniPath();
  return own;
}

void SetDefaultIniPath(const std::u16string& path) {
  if (StoredDefaultIniPath().empty()) StoredDefaultIniPath() = path;
}

std::u16string GetDefaultIniPath() { return StoredDefaultIniPath(); }

void ResetDefaultIniPathForTesting() { StoredDefaultIniPath().clear(); }

namespace {

// The value of `key` when the file has it.
bool FindValue(std::u16string_view key, std::u16string& value) {
  try {
    const std::u16string path = IniPath();
    if (path.empty() || !platform::FileExists(path)) return false;
    std::string bytes;
    std::int64_t size = 0;
    if (platform::ReadWholeFile(path, kMaxIniFileSize, bytes, size) != platform::ReadResult::Ok) return false;
    return FindIniValue(bytes, key, value);
  } catch (const std::bad_alloc&) {
    // An ini file too large for memory gives the defaults, like an unreadable one.
  }
  return false;
}

}  // namespace

std::u16string ReadString(std::u16string_view key, std::u16string_view defaultValue) {
  std::u16string value;
  return FindValue(key, value) ? value : std::u16string(defaultValue);
}

std::int64_t ReadInteger64(std::u16string_view key, std::int64_t defaultValue, TSettingRead* status) {
  std::u16string text;
  std::int64_t value = defaultValue;
  TSettingRead found = TSettingRead::Missing;
  if (FindValue(key, text)) found = ParseIniInteger64(text, value) ? TSettingRead::Ok : TSettingRead::Unreadable;
  if (found != TSettingRead::Ok) value = defaultValue;
  if (status) *status = found;
  return value;
}

std::int64_t ReadInteger64(std::u16string_view key, TSettingRead* status) {
  const TSettingKey* entry = FindSettingKey(key);
  return ReadInteger64(key, entry ? entry->DefaultInteger : 0, status);
}

std::u16string ReadString(std::u16string_view key) {
  const TSettingKey* entry = FindSettingKey(key);
  return ReadString(key, entry ? DefaultString(*entry) : std::u16string());
}

int ReadInteger(std::u16string_view key, int defaultValue) {
  const std::string digits = std::to_string(defaultValue);
  const std::u16string text = ReadString(key, std::u16string(digits.begin(), digits.end()));
  int value = defaultValue;
  return ParseIniInteger(text, value) ? value : defaultValue;
}

int ReadInteger(std::u16string_view key) {
  const TSettingKey* entry = FindSettingKey(key);
  return ReadInteger(key, entry ? entry->DefaultInteger : 0);
}

void WriteString(std::u16string_view key, std::u16string_view value) {
  try {
    const std::u16string path = IniPath();
    if (!path.empty()) platform::WriteProfileString(path, kSettingsSection, key, value);
  } catch (const std::bad_alloc&) {
    // A failed write is ignored, whatever the cause.
  }
}

void WriteInteger(std::u16string_view key, int value) {
  const std::string digits = std::to_string(value);
  WriteString(key, std::u16string(digits.begin(), digits.end()));
}

}  // namespace qelvar
