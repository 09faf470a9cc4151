// Portable conversions between UTF-8 and UTF-16 for the edges of the system (files, JSON, command line).
// Decoding a viewed file is not done here: it has its own rules (see document/encoding.cpp).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace qelvar {

// The structural UTF-8 test used to choose a file's encoding: lead bytes and continuation counts only.
// Overlong forms, surrogates and values above U+10FFFF pass; an empty buffer is valid. Does not allocate.
bool IsValidUtf8(std::string_view bytes);

// The outcome of decoding one UTF-8 sequence that starts with a non-ASCII lead byte.
enum class Utf8Sequence {
  Valid,      // `cp` holds the code point
  Malformed,  // well-formed structure, but overlong, a surrogate or above U+10FFFF
  Broken,     // a bad lead byte, a bad continuation byte or a sequence cut off by the end
};

// Decodes the sequence at p[i] (p[i] >= 0x80) and advances `i` past the lead byte and the continuation
// bytes that belong to it. Shared by every UTF-8 decoder here so that they agree on what one sequence is.
inline Utf8Sequence NextUtf8Sequence(const unsigned char* p, std::size_t n, std::size_t& i, char32_t& cp) {
  const unsigned char b = p[i];
  std::size_t extra;
  char32_t min;
  if ((b & 0xE0) == 0xC0) {
    extra = 1, cp = b & 0x1Fu, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2, cp = b & 0x0Fu, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3, cp = b & 0x07u, min = 0x10000;
  } else {
    ++i;
    return Utf8Sequence::Broken;
  }
  std::size_t k = 1;
  for (; k <= extra && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k) cp = (cp << 6) | (p[i + k] & 0x3Fu);
  i += k;
  if (k <= extra) return Utf8Sequence::Broken;
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return Utf8Sequence::Malformed;
  return Utf8Sequence::Valid;
}

// Strict UTF-8 to UTF-16. Malformed input (bad lead or continuation bytes, truncated sequences, overlong
// forms, surrogates, values above U+10FFFF) yields one U+FFFD per offending sequence. Allocates.
std::u16string Utf8ToUtf16(std::string_view bytes);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD (EF BF BD). Allocates.
std::string Utf16ToUtf8(std::u16string_view text);

// ASCII-only case folding, for keys, section names and option words.
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);
bool EqualsAnyIgnoreAsciiCase(std::u16string_view word, std::initializer_list<std::u16string_view> words);

// Removes characters up to U+0020 (spaces, tabs, control characters) from both ends, as the ini and
// language-file readers and the option words do. Does not allocate.
std::u16string_view TrimBlanks(std::u16string_view s);

// A u16string from an ASCII/UTF-8 literal, for readability at call sites (u"" literals work too).
inline std::u16string U16(std::string_view utf8) { return Utf8ToUtf16(utf8); }

}  // namespace qelvar
