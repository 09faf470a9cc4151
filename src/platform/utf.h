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
