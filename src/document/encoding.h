// Turning a file's bytes into UTF-16 text and recording the encoding it was read in.
#pragma once

#include <string>
#include <string_view>

#include "platform/utf.h"  // IsValidUtf8, the structural UTF-8 test

namespace qelvar {

// The encoding a document was read in; reused when it is saved or reloaded.
struct TCsvEncodingInfo {
  std::u16string Name = u"UTF-8";  // exactly "UTF-8", "UTF-16LE", "UTF-16BE" or "ANSI"
  bool HasBom = false;             // the bytes began with this encoding's mark (not part of the text)
  // Encoding the decoded text again reproduces the bytes read (set by the loader from DecodeText's
  // `lossless`). A save refuses false, so that bytes the user never touched are not overwritten by "?".
  bool Lossless = true;
  // Detection from scratch chooses this encoding and mark for these bytes (set by the loader; also true
  // when the encoding was given and detection agrees). A save then makes sure it still does.
  bool Detected = true;
};

inline constexpr std::u16string_view kEncodingUtf8 = u"UTF-8";
inline constexpr std::u16string_view kEncodingUtf16Le = u"UTF-16LE";
inline constexpr std::u16string_view kEncodingUtf16Be = u"UTF-16BE";
inline constexpr std::u16string_view kEncodingAnsi = u"ANSI";

// Chooses the encoding (mark, first two bytes, UTF-8 test, ANSI fallback) or, when `forcedEncoding` is
// not empty, uses that name (matched without regard to case; an unknown name decodes as ANSI) and skips
// only its own mark. Without a mark or UTF-16 bytes, a file is UTF-8 when it passes the structure test
// and its non-ASCII sequences are not all overlong forms, surrogates or values above U+10FFFF; else
// ANSI. Returns the number of mark bytes to skip. Does not allocate beyond `info.Name`.
std::size_t DetectEncoding(std::string_view bytes, std::u16string_view forcedEncoding, TCsvEncodingInfo& info);

// Decodes `bytes` into `text`; never fails. With `lossless` given, it is set to whether encoding `text`
// again (with the same mark) reproduces `bytes` exactly: false when UTF-8 sequences were replaced by
// "?", when a UTF-16 file had an odd last byte, or when the ANSI code page does not map back.
void DecodeText(std::string_view bytes, std::u16string_view forcedEncoding, std::u16string& text,
                TCsvEncodingInfo& info, bool* lossless = nullptr);

}  // namespace qelvar
