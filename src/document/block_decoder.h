// Decoding a file that arrives in blocks: the encoding is chosen from the first block, the rest is
// decoded with it, and what a choice over the whole file would say is followed along. Internal to the
// document.
#pragma once

#include <string>
#include <string_view>

#include "document/encoding.h"
#include "document/uncleared.h"
#include "platform/utf.h"

namespace qelvar {

class TBlockDecoder {
 public:
  // Chooses the encoding from the file's first bytes as DecodeText would for a file that is `first`
  // without the bytes of a character its end cuts, and appends their text to `text`. `first` holds at
  // least four bytes unless it is the whole file (`last`). Throws std::bad_alloc only.
  void Begin(std::string_view first, bool last, std::u16string_view forcedEncoding, TTextBuffer& text);
  // Continues a file whose start was read before in `info`'s encoding, from a character boundary inside
  // it (bytes appended to a file after it was loaded): nothing is detected and no mark is looked for, so
  // a U+FEFF there is text. Info() is then `info` with Lossless for the bytes decoded from here on.
  void Resume(const TCsvEncodingInfo& info);
  // Appends the text of the file's next bytes; the bytes of a character cut by the block's end wait for
  // the next block (with `last`, they are decoded as a whole load decodes them). A detected UTF-8 that
  // these bytes rule out becomes ANSI when the text so far is ASCII (it reads the same either way).
  // Throws std::bad_alloc only.
  void Next(std::string_view bytes, bool last, TTextBuffer& text);
  // The encoding, with Lossless for the bytes decoded so far and Detected as detection over them judges.
  TCsvEncodingInfo Info() const;
  // Detection over every byte decoded so far would choose the encoding Begin chose (always true when the
  // encoding was given, or chosen by a mark or UTF-16 bytes).
  bool Agrees() const;

 private:
  // The UTF-8 test over the sequences of p[0, n) that begin before `stop`; where it stopped (at `stop`
  // or the end of the sequence that crosses it).
  std::size_t Judge(const unsigned char* p, std::size_t n, std::size_t stop);
  // With `judge`, the UTF-8 test follows the sequences decoded (the caller knows it would cut alike).
  void Decode(std::string_view bytes, TTextBuffer& text, bool judge = false);
  // Appends the UTF-8 text of the sequences of p[0, n) that begin before `stop`; where it stopped.
  std::size_t DecodeUtf8(const unsigned char* p, std::size_t n, std::size_t stop, TTextBuffer& text,
                         bool judge);
  void Count(Utf8Sequence kind);
  bool ChoosesUtf8() const { return structural_ && (!malformed_ || wellFormed_); }

  TCsvEncodingInfo info_;
  bool forced_ = false;
  bool judged_ = false;  // neither a mark nor UTF-16 bytes: the UTF-8 test decides detection
  bool chose_utf8_ = false;
  bool structural_ = true;
  bool malformed_ = false;
  bool wellFormed_ = false;
  bool clean_ = true;
  bool ascii_ = true;     // the text decoded so far is all ASCII: it reads the same as ANSI
  bool detected_ = true;  // without the UTF-8 test: detection from the first bytes agrees with the given name
  std::string carry_;       // bytes of a character that the last block cut, for decoding
  std::string judgeCarry_;  // the same for the UTF-8 test, which may cut elsewhere (a given UTF-16)
};

}  // namespace qelvar
