#include "platform/profile_format.h"

#include <vector>

#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar::platform::profile {

namespace {

struct Line {
  std::u16string_view text;  // without its line break
};

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' || text[i] == u'\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Section header name, or false when the line is not one.
bool SectionName(std::u16string_view line, std::u16string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != u'[') return false;
  const std::size_t close = line.find(u']');
  if (close == std::u16string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

bool KeyOf(std::u16string_view line, std::u16string_view& key, std::u16string_view& value) {
  const std::size_t eq = line.find(u'=');
  if (eq == std::u16string_view::npos) return false;
  key = Trim(line.substr(0, eq));
  value = line.substr(eq + 1);
  return true;
}

bool Decode(std::string_view bytes, std::u16string& text, bool& isUtf8) {
  isUtf8 = IsValidUtf8(bytes);
  if (isUtf8) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    text = Utf8ToUtf16(bytes);
  } else {
    text = AnsiToUtf16(bytes);
  }
  return true;
}

}  // namespace

bool SetValue(std::string_view bytes, std::u16string_view section, std::u16string_view key,
              std::u16string_view value, std::string& out) {
  std::u16string text;
  bool isUtf8 = true;
  Decode(bytes, text, isUtf8);
  const bool hadBom = isUtf8 && bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF";
  std::u16string eol = u"\r\n";
  const std::size_t lf = text.find(u'\n');
  if (lf != std::u16string::npos && (lf == 0 || text[lf - 1] != u'\r')) eol = u"\n";

  const auto lines = SplitLines(text);
  std::u16string entry = std::u16string(key) + u"=" + std::u16string(value);
  std::vector<std::u16string> result;
  result.reserve(lines.size() + 2);
  bool inSection = false, done = false, sectionSeen = false;
  std::size_t lastEntryOfSection = 0;  // index in result after which a new key goes
  for (auto line : lines) {
    std::u16string_view name;
    if (SectionName(line, name)) {
      if (inSection && !done) {
        result.insert(result.begin() + static_cast<std::ptrdiff_t>(lastEntryOfSection), entry);
        done = true;
      }
      inSection = !done && EqualsIgnoreAsciiCase(name, section);
      if (inSection) sectionSeen = true;
      result.emplace_back(line);
      if (inSection) lastEntryOfSection = result.size();
      continue;
    }
    std::u16string_view k, v;
    if (inSection && !done && KeyOf(line, k, v) && EqualsIgnoreAsciiCase(k, key)) {
      result.push_back(entry);
      done = true;
      inSection = false;
      continue;
    }
    result.emplace_back(line);
    if (inSection && !Trim(line).empty()) lastEntryOfSection = result.size();
  }
  if (!done) {
    if (inSection && sectionSeen) {
      result.insert(result.begin() + static_cast<std::ptrdiff_t>(lastEntryOfSection), entry);
    } else {
      result.push_back(u"[" + std::u16string(section) + u"]");
      result.push_back(entry);
    }
  }
  std::u16string joined;
  for (const auto& l : result) joined += l + eol;
  if (isUtf8) {
    out = hadBom ? "\xEF\xBB\xBF" : "";
    out += Utf16ToUtf8(joined);
    return true;
  }
  return Utf16ToAnsi(joined, out);
}

bool GetValue(std::string_view bytes, std::u16string_view section, std::u16string_view key,
              std::u16string& value) {
  std::u16string text;
  bool isUtf8 = true;
  Decode(bytes, text, isUtf8);
  bool inSection = false;
  for (auto line : SplitLines(text)) {
    std::u16string_view name;
    if (SectionName(line, name)) {
      inSection = EqualsIgnoreAsciiCase(name, section);
      continue;
    }
    std::u16string_view k, v;
    if (!inSection || !KeyOf(line, k, v) || !EqualsIgnoreAsciiCase(k, key)) continue;
    v = Trim(v);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    value = std::u16string(v);
    return true;
  }
  return false;
}

}  // namespace qelvar::platform::profile
