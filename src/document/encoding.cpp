#include "document/encoding.h"

#include <cstring>

#include "document/ascii_run.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {

namespace {

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.size() >= mark.size() && std::memcmp(bytes.data(), mark.data(), mark.size()) == 0;
}

constexpr std::string_view kMarkUtf8 = "\xEF\xBB\xBF";
constexpr std::string_view kMarkUtf16Le = "\xFF\xFE";
constexpr std::string_view kMarkUtf16Be = "\xFE\xFF";

// Eight bytes at a time: true when none of them has the high bit set.
inline bool AllAscii8(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  return (word & 0x8080808080808080ull) == 0;
}

// Standard UTF-8 decoding. A sequence that is malformed (bad structure, overlong, surrogate, above
// U+10FFFF) becomes one "?"; `clean` turns false when that happens. The text is built from a small buffer
// rather than by sizing it up front: sizing would first fill hundreds of megabytes with zeros.
// With `structural` given, the structure test (IsValidUtf8) is made in the same pass: at the first lead
// byte that is no lead byte, continuation byte out of range or sequence cut by the end, it is set false
// and decoding stops. `wellFormed`, when given, is set true at the first well-formed non-ASCII sequence.
void DecodeUtf8(std::string_view bytes, std::u16string& text, bool& clean, bool* structural = nullptr,
                bool* wellFormed = nullptr) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t n = bytes.size();
  text.clear();
  text.reserve(n);  // never more code units than bytes
  platform::PreferLargePages(text.data(), text.capacity() * sizeof(char16_t));
  constexpr std::size_t kChunk = 8192;
  char16_t out[kChunk + 16];
  std::size_t o = 0;
  std::size_t i = 0;
  clean = true;
  while (i < n) {
    if (o >= kChunk - 8) {
      text.append(out, o);
      o = 0;
    }
    WidenAsciiRun(p, n, out, kChunk, i, o);
    // Runs of ASCII, eight bytes per step.
    while (i + 8 <= n && o + 8 <= kChunk && AllAscii8(p + i)) {
      for (int k = 0; k < 8; ++k) out[o + static_cast<std::size_t>(k)] = p[i + static_cast<std::size_t>(k)];
      o += 8;
      i += 8;
    }
    if (i >= n) break;
    const unsigned char b = p[i];
    if (b < 0x80) {
      out[o++] = b;
      ++i;
      continue;
    }
    char32_t cp = 0;
    const Utf8Sequence kind = NextUtf8Sequence(p, n, i, cp);
    if (kind == Utf8Sequence::Broken && structural) return void(*structural = false);
    if (kind != Utf8Sequence::Valid) {
      out[o++] = u'?';
      clean = false;
      continue;
    }
    if (wellFormed) *wellFormed = true;
    if (cp < 0x10000) {
      out[o++] = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      out[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  text.append(out, o);
}

void DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& text) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t units = bytes.size() / 2;
  text.resize(units);
  char16_t* out = text.data();
  if (bigEndian) {
    for (std::size_t i = 0; i < units; ++i)
      out[i] = static_cast<char16_t>((p[2 * i] << 8) | p[2 * i + 1]);
  } else {
    for (std::size_t i = 0; i < units; ++i)
      out[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  }
}

// How the UTF-8 test judges bytes that pass the structure test: `malformed` when some sequence is an
// overlong form, a surrogate or above U+10FFFF; `wellFormed` when some non-ASCII sequence is not.
void JudgeUtf8(std::string_view bytes, bool& malformed, bool& wellFormed) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t n = bytes.size();
  malformed = wellFormed = false;
  for (std::size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    (NextUtf8Sequence(p, n, i, cp) == Utf8Sequence::Valid ? wellFormed : malformed) = true;
  }
}

// Overlong forms, surrogates and values above U+10FFFF pass the structure test, but no writer of UTF-8
// produces them: they would be shown as "?" and the file could never be saved. They do not count as
// UTF-8: a file whose only non-ASCII sequences are such forms is read in the ANSI code page, which
// keeps every byte. A file that also holds well-formed sequences stays UTF-8, as does valid UTF-8.
bool ChoosesUtf8(bool structural, bool malformed, bool wellFormed) {
  return structural && (!malformed || wellFormed);
}

}  // namespace

std::size_t DetectEncoding(std::string_view bytes, std::u16string_view forcedEncoding, TCsvEncodingInfo& info) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t n = bytes.size();
  info.HasBom = false;
  if (!forcedEncoding.empty()) {
    if (EqualsIgnoreAsciiCase(forcedEncoding, kEncodingUtf8)) {
      info.Name = kEncodingUtf8;
      if (StartsWith(bytes, kMarkUtf8)) return info.HasBom = true, 3;
      return 0;
    }
    if (EqualsIgnoreAsciiCase(forcedEncoding, kEncodingUtf16Le)) {
      info.Name = kEncodingUtf16Le;
      if (StartsWith(bytes, kMarkUtf16Le)) return info.HasBom = true, 2;
      return 0;
    }
    if (EqualsIgnoreAsciiCase(forcedEncoding, kEncodingUtf16Be)) {
      info.Name = kEncodingUtf16Be;
      if (StartsWith(bytes, kMarkUtf16Be)) return info.HasBom = true, 2;
      return 0;
    }
    // "ANSI" and any name the decoder does not know read in the ANSI code page.
    info.Name = EqualsIgnoreAsciiCase(forcedEncoding, kEncodingAnsi) ? std::u16string(kEncodingAnsi)
                                                                     : std::u16string(forcedEncoding);
    return 0;
  }
  if (StartsWith(bytes, kMarkUtf8)) return info.Name = kEncodingUtf8, info.HasBom = true, 3;
  if (StartsWith(bytes, kMarkUtf16Le)) return info.Name = kEncodingUtf16Le, info.HasBom = true, 2;
  if (StartsWith(bytes, kMarkUtf16Be)) return info.Name = kEncodingUtf16Be, info.HasBom = true, 2;
  if (n >= 2 && p[0] == 0 && p[1] != 0) return info.Name = kEncodingUtf16Be, 0;
  if (n >= 2 && p[1] == 0 && p[0] != 0) return info.Name = kEncodingUtf16Le, 0;
  const bool structural = IsValidUtf8(bytes);
  bool malformed = false;
  bool wellFormed = false;
  if (structural) JudgeUtf8(bytes, malformed, wellFormed);
  info.Name = ChoosesUtf8(structural, malformed, wellFormed) ? kEncodingUtf8 : kEncodingAnsi;
  return 0;
}

void DecodeText(std::string_view bytes, std::u16string_view forcedEncoding, std::u16string& text,
                TCsvEncodingInfo& info, bool* lossless) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t n = bytes.size();
  if (forcedEncoding.empty() && !StartsWith(bytes, kMarkUtf8) && !StartsWith(bytes, kMarkUtf16Le) &&
      !StartsWith(bytes, kMarkUtf16Be) && !(n >= 2 && (p[0] == 0) != (p[1] == 0))) {
    // Neither a mark nor UTF-16 by the first two bytes: the UTF-8 structure test decides, made while
    // decoding so that a large file is walked once.
    bool structural = true;
    bool clean = true;
    bool wellFormed = false;
    DecodeUtf8(bytes, text, clean, &structural, &wellFormed);
    info.HasBom = false;
    if (ChoosesUtf8(structural, !clean, wellFormed)) {
      info.Name = kEncodingUtf8;
      if (lossless) *lossless = clean;
      return;
    }
  }
  const std::size_t skip = DetectEncoding(bytes, forcedEncoding, info);
  const std::string_view rest = bytes.substr(skip);
  bool clean = true;
  if (info.Name == kEncodingUtf16Le || info.Name == kEncodingUtf16Be) {
    DecodeUtf16(rest, info.Name == kEncodingUtf16Be, text);
    clean = rest.size() % 2 == 0;
  } else if (info.Name == kEncodingUtf8) {
    DecodeUtf8(rest, text, clean);
  } else {
    text = platform::AnsiToUtf16(rest);
    if (lossless) {
      std::string back;
      clean = platform::Utf16ToAnsi(text, back) && back == rest;
    }
  }
  if (lossless) *lossless = clean;
}

}  // namespace qelvar
