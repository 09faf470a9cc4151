#include "platform/utf.h"

#include <cstdint>
#include <cstring>

namespace qelvar {

namespace {

inline bool AllAscii8(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return (word & 0x8080808080808080ull) == 0;
}

void AppendCodePoint(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t k = 0;
  while (k < n) {
    while (k + 8 <= n && AllAscii8(p + k)) k += 8;
    if (k >= n) break;
    const unsigned char b = p[k];
    std::size_t extra;
    if (b < 0x80) {
      ++k;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
    } else {
      return false;
    }
    if (extra >= n - k) return false;  // the sequence would run past the last byte
    for (std::size_t j = 1; j <= extra; ++j)
      if ((p[k + j] & 0xC0) != 0x80) return false;
    k += extra + 1;
  }
  return true;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    char32_t cp = 0;
    if (NextUtf8Sequence(p, n, i, cp) != Utf8Sequence::Valid) {
      out.push_back(u'\uFFFD');
      continue;
    }
    AppendCodePoint(out, cp);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool EqualsAnyIgnoreAsciiCase(std::u16string_view word, std::initializer_list<std::u16string_view> words) {
  for (const auto w : words)
    if (EqualsIgnoreAsciiCase(word, w)) return true;
  return false;
}

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && s.front() <= u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() <= u' ') s.remove_suffix(1);
  return s;
}

}  // namespace qelvar
